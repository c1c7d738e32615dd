// Seek's desired velocity and debug line, and the steering agent's velocity blend, auto-orientation
// and angular clamp.
#include "FixedSteering.h"
#include "PhysicsTestFixture.h"

#include "framework/Physics/RigidBody.h"

#include <cmath>

using Vemox::Pi;
using Vemox::SDLDebugRenderer2D;
using Vemox::Seek;
using Vemox::SteeringAgent;
using Vemox::SteeringOutput;
using Vemox::TargetData;
using Vemox::Vector2D;

using SeekTest = Vemox::Testing::PhysicsTest;

TEST_F(SeekTest, HeadsForTheTargetAtTheAgentsMaximumSpeed)
{
    SteeringAgent agent(1.f);
    Seek seek;
    EXPECT_EQ(seek.GetTarget().Position, Vector2D(0.f, 0.f));

    seek.SetTarget(TargetData(Vector2D(10.f, 0.f)));
    SteeringOutput output = seek.CalculateSteering(0.1f, &agent);
    EXPECT_EQ(output.LinearVelocity, Vector2D(10.f, 0.f));
    EXPECT_EQ(output.AngularVelocity, 0.f);
    EXPECT_TRUE(output.IsValid);

    agent.SetPosition(Vector2D(1.f, 1.f));
    agent.SetMaxLinearSpeed(5.f);
    seek.SetTarget(TargetData(Vector2D(4.f, -3.f)));
    output = seek.CalculateSteering(0.1f, &agent);
    EXPECT_FLOAT_EQ(output.LinearVelocity.x, 3.f);
    EXPECT_FLOAT_EQ(output.LinearVelocity.y, -4.f);
}

TEST_F(SeekTest, OnTheTargetOrWithZeroSpeedItAsksForRest)
{
    SteeringAgent agent(1.f);
    agent.SetPosition(Vector2D(2.f, 3.f));
    Seek seek;
    seek.SetTarget(TargetData(Vector2D(2.f, 3.f)));
    EXPECT_EQ(seek.CalculateSteering(0.1f, &agent).LinearVelocity, Vector2D(0.f, 0.f));

    seek.SetTarget(TargetData(Vector2D(50.f, 3.f)));
    agent.SetMaxLinearSpeed(0.f);
    EXPECT_EQ(seek.CalculateSteering(0.1f, &agent).LinearVelocity, Vector2D(0.f, 0.f));
}

TEST_F(SeekTest, DrawsAFiveUnitGreenLineOnlyWhenAskedTo)
{
    SteeringAgent agent(1.f);
    agent.SetPosition(Vector2D(1.f, 2.f));
    Seek seek;
    seek.SetTarget(TargetData(Vector2D(1.f, 100.f)));
    const auto& lines = SDLDebugRenderer2D::GetInstance()->GetLines();

    seek.CalculateSteering(0.1f, &agent);
    EXPECT_TRUE(lines.empty());

    agent.SetRenderBehavior(true);
    seek.CalculateSteering(0.1f, &agent);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].x, 1.f);
    EXPECT_EQ(lines[0].y, 2.f);
    EXPECT_EQ(lines[1].x, 1.f);
    EXPECT_EQ(lines[1].y, 7.f);
    for (const auto& v : lines)
    {
        EXPECT_EQ(v.z, 0.9f);
        EXPECT_EQ(v.r, 0.f);
        EXPECT_EQ(v.g, 1.f);
        EXPECT_EQ(v.b, 0.f);
        EXPECT_EQ(v.a, 1.f);
    }
}

class SteeringAgentTest : public Vemox::Testing::PhysicsTest
{
protected:
    void SetUp() override
    {
        PhysicsTest::SetUp();
        m_pAgent = new SteeringAgent(1.f);
        m_pAgent->SetMass(1.f);
        m_pAgent->SetSteeringBehavior(&m_Steering);
    }
    void TearDown() override
    {
        delete m_pAgent;
        PhysicsTest::TearDown();
    }

    FixedSteering m_Steering;
    SteeringAgent* m_pAgent = nullptr;
};

TEST_F(SteeringAgentTest, StartsWithoutBehaviourAndWithTheDefaultSettings)
{
    SteeringAgent fresh(2.f);
    EXPECT_EQ(fresh.GetSteeringBehavior(), nullptr);
    EXPECT_EQ(fresh.GetMaxLinearSpeed(), 10.f);
    EXPECT_EQ(fresh.GetMaxAngularSpeed(), 10.f);
    EXPECT_FALSE(fresh.GetAutoOrient());
    EXPECT_FALSE(fresh.GetRenderBehavior());
    EXPECT_EQ(fresh.GetRadius(), 2.f);
}

TEST_F(SteeringAgentTest, WithoutABehaviourUpdateKeepsVelocityAndAngle)
{
    m_pAgent->SetSteeringBehavior(nullptr);
    m_pAgent->SetLinearVelocity(Vector2D(2.f, 1.f));
    m_pAgent->SetAngularVelocity(0.3f);
    m_pAgent->GetRigidBody()->SetTransform(Vector2D(0.f, 0.f), 0.7f);
    m_pAgent->Update(0.1f);
    EXPECT_EQ(m_pAgent->GetLinearVelocity(), Vector2D(2.f, 1.f));
    EXPECT_EQ(m_pAgent->GetAngularVelocity(), 0.3f);
    EXPECT_EQ(m_pAgent->GetRotation(), 0.7f);
    EXPECT_EQ(m_Steering.m_Calls, 0);
}

TEST_F(SteeringAgentTest, VelocityMovesTheFractionDeltaTimeOverMassTowardsTheDesiredOne)
{
    m_Steering.m_Output.LinearVelocity = Vector2D(10.f, 0.f);
    m_pAgent->Update(0.1f);
    EXPECT_EQ(m_Steering.m_Calls, 1);
    EXPECT_EQ(m_Steering.m_LastDeltaTime, 0.1f);
    EXPECT_EQ(m_Steering.m_pLastAgent, m_pAgent);
    EXPECT_FLOAT_EQ(m_pAgent->GetLinearVelocity().x, 1.f);
    EXPECT_FLOAT_EQ(m_pAgent->GetLinearVelocity().y, 0.f);

    m_pAgent->SetLinearVelocity(Vector2D(4.f, 2.f));
    m_pAgent->Update(0.1f);
    EXPECT_FLOAT_EQ(m_pAgent->GetLinearVelocity().x, 4.6f);
    EXPECT_FLOAT_EQ(m_pAgent->GetLinearVelocity().y, 1.8f);

    // A heavier agent changes its velocity more slowly.
    m_pAgent->SetMass(2.f);
    m_pAgent->SetLinearVelocity(Vector2D(0.f, 0.f));
    m_pAgent->Update(0.1f);
    EXPECT_FLOAT_EQ(m_pAgent->GetLinearVelocity().x, 0.5f);
}

TEST_F(SteeringAgentTest, SpeedIsNotClampedByTheAgent)
{
    m_pAgent->SetMaxLinearSpeed(1.f);
    m_Steering.m_Output.LinearVelocity = Vector2D(100.f, 0.f);
    m_pAgent->Update(0.5f);
    EXPECT_FLOAT_EQ(m_pAgent->GetLinearVelocity().x, 50.f);
}

TEST_F(SteeringAgentTest, AutoOrientFacesTheNewVelocityAndIgnoresTheAngularOutput)
{
    m_pAgent->SetAutoOrient(true);
    m_pAgent->SetPosition(Vector2D(3.f, -2.f));
    m_Steering.m_Output.LinearVelocity = Vector2D(0.f, 10.f);
    m_Steering.m_Output.AngularVelocity = 5.f;
    m_pAgent->Update(0.1f);
    EXPECT_FLOAT_EQ(m_pAgent->GetLinearVelocity().y, 1.f);
    EXPECT_FLOAT_EQ(m_pAgent->GetRotation(), Pi / 2.f);
    EXPECT_EQ(m_pAgent->GetAngularVelocity(), 0.f);
    EXPECT_EQ(m_pAgent->GetPosition(), Vector2D(3.f, -2.f));

    m_Steering.m_Output.LinearVelocity = Vector2D(-30.f, -10.f);
    m_pAgent->SetLinearVelocity(Vector2D(0.f, 0.f));
    m_pAgent->Update(0.1f);
    EXPECT_FLOAT_EQ(m_pAgent->GetRotation(), static_cast<float>(std::atan2(-1.0, -3.0)));

    // At rest the heading becomes 0.
    m_Steering.m_Output.LinearVelocity = Vector2D(0.f, 0.f);
    m_pAgent->SetLinearVelocity(Vector2D(0.f, 0.f));
    m_pAgent->Update(0.1f);
    EXPECT_EQ(m_pAgent->GetRotation(), 0.f);
}

TEST_F(SteeringAgentTest, AutoOrientByTurningFacesTheVelocityAfterThePhysicsStepTheShortWayRound)
{
    constexpr float Step = 1.f / 60.f;
    Vemox::PhysicsWorld* pPhysics = Vemox::PhysicsWorld::GetInstance();
    m_pAgent->SetAutoOrient(true);
    m_pAgent->SetAutoOrientByTurning(true);
    m_Steering.m_Output.LinearVelocity = Vector2D(0.f, 10.f);
    m_Steering.m_Output.AngularVelocity = 5.f;
    m_pAgent->Update(Step);
    EXPECT_EQ(m_pAgent->GetRotation(), 0.f); // the angle is left to the physics step
    pPhysics->Simulate(Step);
    EXPECT_NEAR(m_pAgent->GetRotation(), Pi / 2.f, 1e-4f);

    // From up to down-left, the short way is anticlockwise; the physics world turns a body by at most a
    // quarter turn per step, so the rest follows in the next one.
    const float downLeft = static_cast<float>(std::atan2(-1.0, -3.0));
    m_Steering.m_Output.LinearVelocity = Vector2D(-30.f, -10.f);
    for (int step = 0; step < 2; ++step)
    {
        m_pAgent->SetLinearVelocity(Vector2D(0.f, 0.f));
        m_pAgent->Update(Step);
        EXPECT_GT(m_pAgent->GetAngularVelocity(), 0.f);
        pPhysics->Simulate(Step);
    }
    EXPECT_NEAR(Vemox::NormalizeAngle(m_pAgent->GetRotation()), downLeft, 1e-4f);
    EXPECT_GT(m_pAgent->GetRotation(), Pi);
}

TEST_F(SteeringAgentTest, AutoOrientByTurningSetsTheAngleWithoutSpinWhileTheBodyTouchesAnother)
{
    // A spinning disc would drag what it touches along by friction.
    constexpr float Step = 1.f / 60.f;
    Vemox::PhysicsWorld* pPhysics = Vemox::PhysicsWorld::GetInstance();
    m_pAgent->SetAutoOrient(true);
    m_pAgent->SetAutoOrientByTurning(true);
    m_Steering.m_Output.LinearVelocity = Vector2D(0.f, 10.f);
    m_pAgent->Update(Step);
    EXPECT_GT(m_pAgent->GetAngularVelocity(), 0.f);

    SteeringAgent other(1.f);
    other.SetPosition(Vector2D(1.5f, 0.f)); // the two discs overlap
    pPhysics->Simulate(Step);
    ASSERT_TRUE(m_pAgent->GetRigidBody()->IsTouching());
    m_Steering.m_Output.LinearVelocity = Vector2D(-10.f, 0.f);
    m_pAgent->SetLinearVelocity(Vector2D(0.f, 0.f));
    m_pAgent->Update(Step);
    EXPECT_FLOAT_EQ(m_pAgent->GetRotation(), Pi);
    EXPECT_EQ(m_pAgent->GetAngularVelocity(), 0.f);

    other.SetPosition(Vector2D(50.f, 0.f));
    pPhysics->Simulate(Step);
    ASSERT_FALSE(m_pAgent->GetRigidBody()->IsTouching());
    m_Steering.m_Output.LinearVelocity = Vector2D(0.f, -10.f);
    m_pAgent->SetLinearVelocity(Vector2D(0.f, 0.f));
    const float before = m_pAgent->GetRotation();
    m_pAgent->Update(Step);
    EXPECT_EQ(m_pAgent->GetRotation(), before);
    EXPECT_GT(m_pAgent->GetAngularVelocity(), 0.f); // from left to down, anticlockwise
}

TEST_F(SteeringAgentTest, AngularVelocityIsCappedOnlyFromAbove)
{
    m_pAgent->SetMaxAngularSpeed(10.f);
    m_Steering.m_Output.AngularVelocity = 25.f;
    m_pAgent->Update(0.1f);
    EXPECT_EQ(m_pAgent->GetAngularVelocity(), 10.f);

    m_Steering.m_Output.AngularVelocity = -25.f;
    m_pAgent->Update(0.1f);
    EXPECT_EQ(m_pAgent->GetAngularVelocity(), -25.f);

    m_Steering.m_Output.AngularVelocity = 3.f;
    m_pAgent->Update(0.1f);
    EXPECT_EQ(m_pAgent->GetAngularVelocity(), 3.f);
    EXPECT_EQ(m_pAgent->GetRotation(), 0.f); // turning is left to the physics step
}

TEST_F(SteeringAgentTest, TheAgentDoesNotOwnItsBehaviour)
{
    int destructions = 0;
    auto* pBehavior = new FixedSteering(&destructions);
    auto* pAgent = new SteeringAgent(1.f);
    pAgent->SetSteeringBehavior(pBehavior);
    delete pAgent;
    EXPECT_EQ(destructions, 0);
    delete pBehavior;
    EXPECT_EQ(destructions, 1);
}

TEST_F(SteeringAgentTest, SeekingAgentReachesItsTargetThroughThePhysicsStep)
{
    Seek seek;
    seek.SetTarget(TargetData(Vector2D(20.f, 0.f)));
    m_pAgent->SetSteeringBehavior(&seek);
    Vemox::PhysicsWorld* pPhysics = Vemox::PhysicsWorld::GetInstance();
    float previousX = 0.f;
    for (int frame = 0; frame < 120; ++frame)
    {
        m_pAgent->Update(1.f / 60.f);
        pPhysics->Simulate(1.f / 60.f);
        EXPECT_GT(m_pAgent->GetPosition().x, previousX);
        previousX = m_pAgent->GetPosition().x;
    }
    EXPECT_GT(previousX, 5.f);
    EXPECT_LT(previousX, 20.f);
}
