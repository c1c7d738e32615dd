// The world's configuration, the fixed-step accumulator and the singleton's lifecycle.
#include "PhysicsTestFixture.h"

#include "framework/Physics/Box2DRenderer.h"
#include "framework/Physics/RigidBody.h"

#include <limits>

using Vemox::BodyType;
using Vemox::PhysicsWorld;
using Vemox::RigidBody;
using Vemox::RigidBodyDefinition;
using Vemox::Vector2D;

using PhysicsWorldTest = Vemox::Testing::PhysicsTest;

TEST_F(PhysicsWorldTest, WorldHasNoGravityAndTheDocumentedSolverSwitches)
{
    EXPECT_EQ(m_pWorld->GetGravity().x, 0.f);
    EXPECT_EQ(m_pWorld->GetGravity().y, 0.f);
    EXPECT_TRUE(m_pWorld->GetAllowSleeping());
    EXPECT_TRUE(m_pWorld->GetWarmStarting());
    EXPECT_TRUE(m_pWorld->GetContinuousPhysics());
    EXPECT_FALSE(m_pWorld->GetSubStepping());
    EXPECT_EQ(m_pPhysics->GetTimeAccumulator(), 0.f);
    EXPECT_EQ(m_pPhysics->GetStepCount(), 0u);
}

TEST_F(PhysicsWorldTest, DebugRendererDrawsShapesOnly)
{
    ASSERT_NE(m_pPhysics->GetDebugRenderer(), nullptr);
    EXPECT_EQ(m_pPhysics->GetDebugRenderer()->GetFlags(), static_cast<uint32>(b2Draw::e_shapeBit));
    EXPECT_EQ(PhysicsWorld::GetInstance(), m_pPhysics);
}

TEST_F(PhysicsWorldTest, ShortFramesAccumulateUntilAWholeStep)
{
    m_pPhysics->Simulate(0.01f);
    EXPECT_EQ(m_pPhysics->GetStepCount(), 0u);
    EXPECT_FLOAT_EQ(m_pPhysics->GetTimeAccumulator(), 0.01f);

    m_pPhysics->Simulate(0.01f);
    EXPECT_EQ(m_pPhysics->GetStepCount(), 1u);
    EXPECT_NEAR(m_pPhysics->GetTimeAccumulator(), 0.02f - 1.f / 60.f, 1e-6f);
}

TEST_F(PhysicsWorldTest, LongFrameIsCappedAtAQuarterSecondOfFifteenSteps)
{
    m_pPhysics->Simulate(1.f);
    EXPECT_EQ(m_pPhysics->GetStepCount(), 15u);
    EXPECT_LT(m_pPhysics->GetTimeAccumulator(), PhysicsWorld::TimeStep);
    EXPECT_NEAR(m_pPhysics->GetTimeAccumulator(), 0.f, 1e-6f);
}

TEST_F(PhysicsWorldTest, ExactlyOneStepLengthMakesOneStep)
{
    m_pPhysics->Simulate(1.f / 60.f);
    EXPECT_EQ(m_pPhysics->GetStepCount(), 1u);
    EXPECT_EQ(m_pPhysics->GetTimeAccumulator(), 0.f);
}

TEST_F(PhysicsWorldTest, StepsMoveBodiesBySixtiethsOfASecond)
{
    RigidBody body(RigidBodyDefinition(0.f, 0.f, BodyType::Dynamic, false), Vector2D(0.f, 0.f), 0);
    body.AddShape(Vemox::PhysicsShape::MakeCircle(1.f));
    body.SetLinearVelocity(Vector2D(60.f, 0.f));

    m_pPhysics->Simulate(0.01f);
    EXPECT_EQ(body.GetPosition().x, 0.f);
    m_pPhysics->Simulate(0.01f);
    EXPECT_NEAR(body.GetPosition().x, 1.f, 1e-5f);
    m_pPhysics->Simulate(1.f);
    EXPECT_NEAR(body.GetPosition().x, 16.f, 1e-4f);
}

TEST_F(PhysicsWorldTest, NegativeOrNaNFrameTimeAddsNothing)
{
    m_pPhysics->Simulate(0.01f);
    m_pPhysics->Simulate(-5.f);
    m_pPhysics->Simulate(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(m_pPhysics->GetTimeAccumulator(), 0.01f);
    EXPECT_EQ(m_pPhysics->GetStepCount(), 0u);

    m_pPhysics->Simulate(0.01f);
    EXPECT_EQ(m_pPhysics->GetStepCount(), 1u);
}

TEST_F(PhysicsWorldTest, DestroyInstanceForgetsTheWorldEvenWhenCalledWithoutOne)
{
    m_pPhysics->Simulate(0.5f);
    PhysicsWorld::DestroyInstance();
    PhysicsWorld::DestroyInstance(); // creates a singleton only to delete it again

    PhysicsWorld* pFresh = PhysicsWorld::GetInstance();
    ASSERT_NE(pFresh->GetWorld(), nullptr);
    EXPECT_EQ(pFresh->GetStepCount(), 0u);
    EXPECT_EQ(pFresh->GetTimeAccumulator(), 0.f);
    EXPECT_EQ(pFresh->GetWorld()->GetBodyCount(), 0);
}

using PhysicsWorldDeathTest = Vemox::Testing::PhysicsTest;

TEST_F(PhysicsWorldDeathTest, DestroyingTheWorldUnderALiveBodyStopsTheProgram)
{
    RigidBody* pBody = new RigidBody(RigidBodyDefinition(), Vector2D(0.f, 0.f), 0);
    EXPECT_DEATH(PhysicsWorld::DestroyInstance(), "delete every RigidBody before the world");
    delete pBody;
}
