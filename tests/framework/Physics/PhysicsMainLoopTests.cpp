// The physics world inside the program's main loop (SDL's offscreen driver): it steps every frame,
// draws its bodies between the application's update and render, and is destroyed after the application.
#include "VemoxProgram.h"

#include "framework/Physics/PhysicsWorld.h"
#include "framework/Physics/RigidBody.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <SDL.h>
#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{
using Vemox::PhysicsWorld;
using Vemox::SDLDebugRenderer2D;
using Vemox::Vector2D;

struct FrameRecord
{
    std::uint64_t stepsAtUpdate = 0;
    float bodyXAtUpdate = 0.f;
    std::size_t trianglesAtUpdate = 0;
    std::size_t trianglesAtRender = 0;
    Vector2D fanCentreAtRender;
};

struct Observations
{
    int bodiesAtStart = -1;
    std::vector<FrameRecord> frames;
};

// One moving ball; asks to quit once the world has taken a few steps.
class BallApp final : public Vemox::IApp
{
public:
    explicit BallApp(Observations* pObservations) : m_pObservations(pObservations) {}
    ~BallApp() override { delete m_pBall; }

    void Start() override
    {
        m_pBall = new Vemox::RigidBody(Vemox::RigidBodyDefinition(0.f, 0.f, Vemox::BodyType::Dynamic, false),
                                       Vector2D(0.f, 0.f), 0);
        m_pBall->AddShape(Vemox::PhysicsShape::MakeCircle(2.f));
        m_pBall->SetLinearVelocity(Vector2D(6.f, 0.f));
        m_pObservations->bodiesAtStart = PhysicsWorld::GetInstance()->GetWorld()->GetBodyCount();
    }

    void Update(float /*deltaTime*/) override
    {
        FrameRecord record;
        record.stepsAtUpdate = PhysicsWorld::GetInstance()->GetStepCount();
        record.bodyXAtUpdate = m_pBall->GetPosition().x;
        record.trianglesAtUpdate = SDLDebugRenderer2D::GetInstance()->GetTriangles().size();
        m_pObservations->frames.push_back(record);
        if (record.stepsAtUpdate >= 3 || m_pObservations->frames.size() >= 2000)
        {
            SDL_Event event{};
            event.type = SDL_QUIT;
            SDL_PushEvent(&event);
        }
    }

    void Render(float /*deltaTime*/) override
    {
        const auto& triangles = SDLDebugRenderer2D::GetInstance()->GetTriangles();
        FrameRecord& record = m_pObservations->frames.back();
        record.trianglesAtRender = triangles.size();
        if (!triangles.empty())
        {
            record.fanCentreAtRender = Vector2D(triangles[0].x, triangles[0].y);
        }
    }

private:
    Observations* m_pObservations;
    Vemox::RigidBody* m_pBall = nullptr;
};

TEST(PhysicsMainLoopTest, WorldStepsAndDrawsItsBodiesBetweenUpdateAndRender)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    Observations observations;
    char programName[] = "traffic-simulation";
    char* argv[] = {programName};
    ASSERT_EQ(Vemox::RunVemoxProgram(1, argv, [&observations] { return new BallApp(&observations); }), 0);

    EXPECT_EQ(observations.bodiesAtStart, 1);
    ASSERT_FALSE(observations.frames.empty());
    ASSERT_GE(observations.frames.back().stepsAtUpdate, 3u) << "the world never stepped";
    for (std::size_t i = 0; i < observations.frames.size(); ++i)
    {
        SCOPED_TRACE(i);
        const FrameRecord& frame = observations.frames[i];
        // Each step of 1/60 s moves the ball by 0.1.
        EXPECT_NEAR(frame.bodyXAtUpdate, 0.1f * static_cast<float>(frame.stepsAtUpdate), 1e-4f);
        // The ball's shape is added after the update and drawn (and emptied) at the end of the frame.
        EXPECT_EQ(frame.trianglesAtUpdate, 0u);
        ASSERT_EQ(frame.trianglesAtRender, 48u);
        EXPECT_NEAR(frame.fanCentreAtRender.x, frame.bodyXAtUpdate, 1e-5f);
    }

    // Torn down with the program: a new world starts from scratch.
    EXPECT_EQ(PhysicsWorld::GetInstance()->GetStepCount(), 0u);
    EXPECT_EQ(PhysicsWorld::GetInstance()->GetWorld()->GetBodyCount(), 0);
    PhysicsWorld::DestroyInstance();
}
} // namespace
