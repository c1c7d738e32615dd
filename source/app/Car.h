// The agent of the traffic simulation: a steering agent of radius 3 that owns a Seek behaviour, the
// path it still has to drive, and the decision making that runs before it steers each frame.
#pragma once

#include "framework/Agents/SteeringAgent.h"
#include "framework/VemoxCore/MemoryFootprint.h"
#include "framework/VemoxCore/VemoxMath.h"

#include <cstdint>
#include <deque>

namespace Vemox
{
class IDecisionMaking;
class Seek;
} // namespace Vemox

class Car final : public Vemox::SteeringAgent
{
public:
    /// Path points still to drive, front first (world coordinates).
    using Path = std::deque<Vemox::Vector2D>;

    static constexpr float Radius = 3.f;
    /// World units per second.
    static constexpr float DefaultMaxLinearSpeed = 10.f;

    /// Stands at position with mass 1, facing +x, facing its motion from then on; no steering
    /// behaviour until the first SeekTo.
    Car(const Vemox::Vector2D& position, const Vemox::Vector2D& destination, const Vemox::Color& color);
    /// Deletes the decision making, the Seek and (through BaseAgent) the body.
    ~Car() override;

    /// Runs the decision making (if any), then steers; deltaTime in seconds.
    void Update(float deltaTime) override;
    /// Adds what an update reads of the car's own objects: the car, its Seek, its body's wrapper and its
    /// decision making (not the physics world's body, nor the path, which changes).
    void AddFootprint(Vemox::MemoryFootprint& footprint) const;

    /// Takes ownership; a previously installed, different decision making is deleted.
    void SetDecisionMaking(Vemox::IDecisionMaking* pDecisionMaking);
    /// Owned by the car; null until installed.
    Vemox::IDecisionMaking* GetDecisionMaking() const { return m_pDecisionMaking; }

    /// Aims the car's Seek at target (world coordinates) and makes it the steering behaviour.
    void SeekTo(const Vemox::Vector2D& target);
    /// Owned by the car; it becomes the steering behaviour with the first SeekTo.
    Vemox::Seek* GetSeek() const { return m_pSeek; }

    /// Modifiable: the decision making removes reached points from the front. Every call through a
    /// non-const car counts as a change of the path (GetPathVersion); read it through a const car.
    Path& GetPath()
    {
        ++m_PathVersion;
        return m_Path;
    }
    const Path& GetPath() const { return m_Path; }
    /// Replaces the whole path with a copy of path.
    void SetPath(const Path& path)
    {
        m_Path = path;
        ++m_PathVersion;
    }
    /// Changes with every change of the path: what was worked out from the path while the version
    /// was the same still holds.
    std::uint64_t GetPathVersion() const { return m_PathVersion; }

    /// The final point of the current path; at construction the destination given.
    Vemox::Vector2D GetDestination() const { return m_Destination; }
    void SetDestination(const Vemox::Vector2D& destination) { m_Destination = destination; }
    /// The position given at construction.
    Vemox::Vector2D GetStartPosition() const { return m_StartPosition; }

    /// The car that this car's decision making stopped it for in its latest update (borrowed), or
    /// null: the wait-for relation. Cleared at the start of every update; the leaf that decides to
    /// wait for a car records it.
    const Car* GetWaitingFor() const { return m_pWaitingFor; }
    void SetWaitingFor(const Car* pOther) { m_pWaitingFor = pOther; }

private:
    Vemox::IDecisionMaking* m_pDecisionMaking = nullptr;
    Vemox::Seek* m_pSeek = nullptr;
    Vemox::Vector2D m_StartPosition;
    Vemox::Vector2D m_Destination;
    Path m_Path;
    std::uint64_t m_PathVersion = 0;
    const Car* m_pWaitingFor = nullptr;
};
