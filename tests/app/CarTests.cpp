// The car: its construction state, decide-then-steer updates, seeking and braking through the
// physics world, its path, and the ownership of its decision making, Seek and body.
#include "PhysicsTestFixture.h"

#include "app/Car.h"

#include "framework/Agents/SteeringBehaviors.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/Physics/RigidBody.h"
#include "framework/VemoxAI/DecisionMaking/IDecisionMaking.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

using Vemox::Color;
using Vemox::PhysicsWorld;
using Vemox::Vector2D;

// Records the addresses released while recording is on, so a test can tell how often an object the
// car owns internally was deleted.
namespace
{
constexpr std::size_t MaxRecordedFrees = 256;
void* g_FreedAddresses[MaxRecordedFrees];
std::size_t g_FreedCount = 0;
bool g_RecordFrees = false;

int TimesFreed(const void* pAddress)
{
    int count = 0;
    for (std::size_t i = 0; i < g_FreedCount; ++i)
    {
        count += g_FreedAddresses[i] == pAddress ? 1 : 0;
    }
    return count;
}
} // namespace

void* operator new(std::size_t size)
{
    if (void* p = std::malloc(size == 0 ? 1 : size))
    {
        return p;
    }
    throw std::bad_alloc();
}

namespace
{
void RecordAndFree(void* p) noexcept
{
    if (g_RecordFrees && p != nullptr && g_FreedCount < MaxRecordedFrees)
    {
        g_FreedAddresses[g_FreedCount++] = p;
    }
    std::free(p);
}
} // namespace

void operator delete(void* p) noexcept
{
    RecordAndFree(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    RecordAndFree(p);
}

namespace
{
// Stands in for a behaviour tree: counts its updates, can act on the car, and owns a blackboard
// that it deletes after itself, as the tree does.
struct Log
{
    std::vector<std::string> events;
    int bodiesWhenTreeDeleted = -1;
};

class TestBlackboard
{
public:
    explicit TestBlackboard(Log* pLog) : m_pLog(pLog) {}
    ~TestBlackboard() { m_pLog->events.push_back("blackboard"); }
    TestBlackboard(const TestBlackboard&) = delete;
    TestBlackboard& operator=(const TestBlackboard&) = delete;

    Car* m_pOtherCar = nullptr; ///< not owned, like the blackboard's entries

private:
    Log* m_pLog;
};

class TestDecisionMaking final : public Vemox::IDecisionMaking
{
public:
    explicit TestDecisionMaking(Log* pLog) : m_pLog(pLog), m_pBlackboard(new TestBlackboard(pLog)) {}
    ~TestDecisionMaking() override
    {
        m_pLog->events.push_back("tree");
        m_pLog->bodiesWhenTreeDeleted = PhysicsWorld::GetInstance()->GetWorld()->GetBodyCount();
        delete m_pBlackboard;
    }

    void Update(float deltaTime) override
    {
        ++m_Updates;
        m_LastDeltaTime = deltaTime;
        if (m_OnUpdate)
        {
            m_OnUpdate();
        }
    }

    int m_Updates = 0;
    float m_LastDeltaTime = 0.f;
    std::function<void()> m_OnUpdate;
    Log* m_pLog;
    TestBlackboard* m_pBlackboard;
};

class CarTest : public Vemox::Testing::PhysicsTest
{
protected:
    // One frame as the application runs it: the car decides and steers, then the world steps.
    void RunFrames(Car& car, int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            car.Update(FrameTime);
            m_pPhysics->Simulate(FrameTime);
        }
    }

    static constexpr float FrameTime = 1.f / 60.f;
};

TEST_F(CarTest, NewCarStandsStillWithMassOneAndNoSteering)
{
    const Color red(1.f, 0.f, 0.f, 1.f);
    Car car(Vector2D(12.f, 34.f), Vector2D(50.f, 60.f), red);

    EXPECT_EQ(car.GetPosition(), Vector2D(12.f, 34.f));
    EXPECT_EQ(car.GetStartPosition(), Vector2D(12.f, 34.f));
    EXPECT_EQ(car.GetDestination(), Vector2D(50.f, 60.f));
    EXPECT_EQ(car.GetRotation(), 0.f);
    EXPECT_EQ(car.GetLinearVelocity(), Vector2D(0.f, 0.f));
    EXPECT_EQ(car.GetMass(), 1.f);
    EXPECT_EQ(car.GetRadius(), 3.f);
    EXPECT_EQ(car.GetBodyColor(), red);
    EXPECT_EQ(car.GetMaxLinearSpeed(), 10.f);
    EXPECT_EQ(car.GetMaxAngularSpeed(), 10.f);
    EXPECT_TRUE(car.GetAutoOrient());
    EXPECT_TRUE(car.GetPath().empty());
    EXPECT_EQ(car.GetSteeringBehavior(), nullptr);
    EXPECT_EQ(car.GetDecisionMaking(), nullptr);
    ASSERT_NE(car.GetSeek(), nullptr);
    EXPECT_EQ(car.GetSeek()->GetTarget().Position, Vector2D(0.f, 0.f));

    // Mass 1 keeps the inertia of the radius-3 circle of density 1 (I = m r^2 / 2 of the original mass).
    const float circleMass = Vemox::Pi * 9.f;
    EXPECT_NEAR(car.GetRigidBody()->GetBody()->GetInertia(), 0.5f * circleMass * 9.f, 1e-2f);
    EXPECT_EQ(m_pPhysics->GetWorld()->GetBodyCount(), 1);
}

TEST_F(CarTest, UpdateWithoutDecisionMakingOrSteeringChangesNothing)
{
    Car car(Vector2D(5.f, 5.f), Vector2D(5.f, 5.f), Color(0.f, 0.f, 1.f, 1.f));
    car.Update(0.1f);
    car.Update(0.5f);
    EXPECT_EQ(car.GetPosition(), Vector2D(5.f, 5.f));
    EXPECT_EQ(car.GetLinearVelocity(), Vector2D(0.f, 0.f));
    EXPECT_EQ(car.GetRotation(), 0.f);
    EXPECT_EQ(car.GetSteeringBehavior(), nullptr);
}

TEST_F(CarTest, DecisionsAreSteeredWithInTheSameUpdate)
{
    Log log;
    Car car(Vector2D(0.f, 0.f), Vector2D(0.f, 0.f), Color());
    auto* pDecision = new TestDecisionMaking(&log);
    pDecision->m_OnUpdate = [&car] { car.SeekTo(Vector2D(10.f, 0.f)); };
    car.SetDecisionMaking(pDecision);
    EXPECT_EQ(car.GetDecisionMaking(), pDecision);

    car.Update(0.1f);
    EXPECT_EQ(pDecision->m_Updates, 1);
    EXPECT_EQ(pDecision->m_LastDeltaTime, 0.1f);
    EXPECT_EQ(car.GetSteeringBehavior(), car.GetSeek());
    EXPECT_FLOAT_EQ(car.GetLinearVelocity().x, 1.f);
    EXPECT_EQ(car.GetLinearVelocity().y, 0.f);

    // A speed change made by the decision also counts at once.
    pDecision->m_OnUpdate = [&car] { car.SetMaxLinearSpeed(0.f); };
    car.Update(0.1f);
    EXPECT_EQ(pDecision->m_Updates, 2);
    EXPECT_FLOAT_EQ(car.GetLinearVelocity().x, 0.9f);
}

TEST_F(CarTest, SeekToRetargetsTheCarsOwnSeek)
{
    Car car(Vector2D(0.f, 0.f), Vector2D(0.f, 0.f), Color());
    Vemox::Seek* pSeek = car.GetSeek();
    car.SeekTo(Vector2D(7.f, -2.f));
    EXPECT_EQ(car.GetSteeringBehavior(), pSeek);
    const Vemox::TargetData& target = pSeek->GetTarget();
    EXPECT_EQ(target.Position, Vector2D(7.f, -2.f));
    EXPECT_EQ(target.Orientation, 0.f);
    EXPECT_EQ(target.LinearVelocity, Vector2D(0.f, 0.f));
    EXPECT_EQ(target.AngularVelocity, 0.f);

    car.SeekTo(Vector2D(1.f, 1.f));
    EXPECT_EQ(car.GetSeek(), pSeek);
    EXPECT_EQ(car.GetSteeringBehavior(), pSeek);
    EXPECT_EQ(pSeek->GetTarget().Position, Vector2D(1.f, 1.f));
}

TEST_F(CarTest, SeekingCarAcceleratesTowardsItsTargetFacingItsMotion)
{
    const Vector2D start(10.f, 20.f);
    const Vector2D direction(0.6f, 0.8f);
    Car car(start, start, Color());
    car.SeekTo(start + direction * 1000.f);

    // Speed model: each frame the steering moves it 1/60 of the way to 10, then the step damps it by
    // 1 / (1 + h * 0.01).
    float speed = 0.f;
    float distance = 0.f;
    for (int frame = 0; frame < 60; ++frame)
    {
        speed = (speed + (10.f - speed) * FrameTime) / (1.f + FrameTime * 0.01f);
        distance += speed * FrameTime;
    }
    RunFrames(car, 60);

    const Vector2D velocity = car.GetLinearVelocity();
    EXPECT_NEAR(velocity.Magnitude(), speed, 1e-3f);
    EXPECT_NEAR(car.GetDirection().x, direction.x, 1e-4f);
    EXPECT_NEAR(car.GetDirection().y, direction.y, 1e-4f);
    EXPECT_NEAR(car.GetRotation(), std::atan2(0.8, 0.6), 1e-4);
    const Vector2D travelled = car.GetPosition() - start;
    EXPECT_NEAR(travelled.Magnitude(), distance, 1e-2f);
    EXPECT_NEAR(travelled.GetNormalized().x, direction.x, 1e-4f);

    // Given time, the speed settles just below 10, where damping balances the blend: 10 / 1.01.
    RunFrames(car, 600);
    EXPECT_NEAR(car.GetLinearVelocity().Magnitude(), 10.f / 1.01f, 1e-2f);
    EXPECT_LT(car.GetLinearVelocity().Magnitude(), 10.f);
    EXPECT_NEAR(car.GetRotation(), std::atan2(0.8, 0.6), 1e-4);
}

TEST_F(CarTest, ZeroMaximumSpeedBrakesGraduallyKeepingTheHeading)
{
    Car car(Vector2D(0.f, 0.f), Vector2D(0.f, 0.f), Color());
    car.SeekTo(Vector2D(300.f, 400.f));
    car.SetLinearVelocity(Vector2D(6.f, 8.f));
    car.SetMaxLinearSpeed(0.f);

    car.Update(0.1f);
    EXPECT_FLOAT_EQ(car.GetLinearVelocity().x, 5.4f);
    EXPECT_FLOAT_EQ(car.GetLinearVelocity().y, 7.2f);
    const float heading = static_cast<float>(std::atan2(0.8, 0.6));
    EXPECT_FLOAT_EQ(car.GetRotation(), heading);

    float previousSpeed = car.GetLinearVelocity().Magnitude();
    for (int frame = 0; frame < 120; ++frame)
    {
        RunFrames(car, 1);
        const float speed = car.GetLinearVelocity().Magnitude();
        ASSERT_LT(speed, previousSpeed) << "frame " << frame;
        ASSERT_GT(speed, 0.f) << "frame " << frame;
        EXPECT_NEAR(car.GetRotation(), heading, 1e-4f);
        previousSpeed = speed;
    }
    // (59/60)^120 of the speed is left, less a little damping.
    EXPECT_NEAR(previousSpeed, 9.f * std::pow(59.f / 60.f, 120.f), 0.05f);

    // Only an exact standstill turns the heading to angle 0.
    car.SetLinearVelocity(Vector2D(0.f, 0.f));
    car.Update(0.1f);
    EXPECT_EQ(car.GetRotation(), 0.f);
}

TEST_F(CarTest, PathIsModifiableInPlaceAndSetPathCopies)
{
    Car car(Vector2D(0.f, 0.f), Vector2D(0.f, 0.f), Color());
    Car::Path planned{Vector2D(1.f, 1.f), Vector2D(2.f, 2.f), Vector2D(3.f, 3.f)};
    car.SetPath(planned);
    planned.clear();
    ASSERT_EQ(car.GetPath().size(), 3u);

    car.GetPath().pop_front();
    EXPECT_EQ(car.GetPath().front(), Vector2D(2.f, 2.f));
    EXPECT_EQ(car.GetPath().back(), Vector2D(3.f, 3.f));

    car.SetDestination(car.GetPath().back());
    EXPECT_EQ(car.GetDestination(), Vector2D(3.f, 3.f));
    EXPECT_EQ(car.GetStartPosition(), Vector2D(0.f, 0.f));
}

TEST_F(CarTest, RendersAsARadiusThreeDiscInItsColour)
{
    Car car(Vector2D(4.f, 0.f), Vector2D(0.f, 0.f), Color(0.f, 1.f, 0.f, 1.f));
    car.Render(0.f);
    const auto& triangles = Vemox::SDLDebugRenderer2D::GetInstance()->GetTriangles();
    ASSERT_EQ(triangles.size(), 51u);
    EXPECT_EQ(triangles[0].x, 4.f);
    EXPECT_FLOAT_EQ(triangles[0].g, 0.5f);
    EXPECT_NEAR(triangles[48].x, 7.f, 1e-5f); // arrowhead nose on the rim along +x
}

TEST_F(CarTest, DeletionReleasesTreeBlackboardSeekAndBodyExactlyOnce)
{
    Log log;
    Car* pOther = new Car(Vector2D(50.f, 0.f), Vector2D(50.f, 0.f), Color());
    Car* pCar = new Car(Vector2D(0.f, 0.f), Vector2D(0.f, 0.f), Color());
    auto* pDecision = new TestDecisionMaking(&log);
    pDecision->m_pBlackboard->m_pOtherCar = pOther;
    pCar->SetDecisionMaking(pDecision);
    pCar->SeekTo(Vector2D(10.f, 0.f));
    const void* pSeek = pCar->GetSeek();
    const void* pRigidBody = pCar->GetRigidBody();
    ASSERT_EQ(m_pPhysics->GetWorld()->GetBodyCount(), 2);

    g_FreedCount = 0;
    g_RecordFrees = true;
    delete pCar;
    g_RecordFrees = false;

    EXPECT_EQ(log.events, (std::vector<std::string>{"tree", "blackboard"}));
    EXPECT_EQ(log.bodiesWhenTreeDeleted, 2); // the tree goes first, while the body still exists
    EXPECT_EQ(TimesFreed(pSeek), 1);
    EXPECT_EQ(TimesFreed(pRigidBody), 1);
    EXPECT_EQ(m_pPhysics->GetWorld()->GetBodyCount(), 1);

    // What the blackboard pointed at survives.
    EXPECT_EQ(pOther->GetPosition(), Vector2D(50.f, 0.f));
    EXPECT_EQ(m_pPhysics->GetWorld()->GetBodyList(), pOther->GetRigidBody()->GetBody());
    delete pOther;
}

TEST_F(CarTest, InstallingNewDecisionMakingDeletesThePreviousOne)
{
    Log first;
    Log second;
    Car car(Vector2D(0.f, 0.f), Vector2D(0.f, 0.f), Color());
    auto* pFirst = new TestDecisionMaking(&first);
    car.SetDecisionMaking(pFirst);
    car.SetDecisionMaking(pFirst); // the same one again is kept
    EXPECT_TRUE(first.events.empty());

    car.SetDecisionMaking(new TestDecisionMaking(&second));
    EXPECT_EQ(first.events, (std::vector<std::string>{"tree", "blackboard"}));
    EXPECT_TRUE(second.events.empty());

    car.SetDecisionMaking(nullptr);
    EXPECT_EQ(second.events.size(), 2u);
    car.SetWaitingFor(&car);
    car.Update(0.1f); // a car without decision making only steers
    EXPECT_EQ(car.GetWaitingFor(), nullptr); // and waits for nobody: every update starts afresh
}
} // namespace
