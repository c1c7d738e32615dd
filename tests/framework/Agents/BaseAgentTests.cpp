// Angle wrapping, the direction of motion, the agent's body and its drawing.
#include "PhysicsTestFixture.h"

#include "framework/Agents/BaseAgent.h"
#include "framework/Physics/RigidBody.h"

#include <box2d/box2d.h>

#include <cmath>
#include <memory>

using Vemox::BaseAgent;
using Vemox::Color;
using Vemox::DebugVertex;
using Vemox::NormalizeAngle;
using Vemox::Pi;
using Vemox::SDLDebugRenderer2D;
using Vemox::Vector2D;

TEST(NormalizeAngle, WrapsIntoTheHalfOpenRangeFromMinusPiToPi)
{
    EXPECT_EQ(NormalizeAngle(0.f), 0.f);
    EXPECT_EQ(NormalizeAngle(-Pi), -Pi);
    EXPECT_EQ(NormalizeAngle(Pi), -Pi); // +Pi itself lies outside the range
    EXPECT_NEAR(NormalizeAngle(Pi - 0.001f), Pi - 0.001f, 1e-6f);
    EXPECT_NEAR(NormalizeAngle(-Pi + 0.001f), -Pi + 0.001f, 1e-6f);
    EXPECT_NEAR(NormalizeAngle(Pi + 0.001f), -Pi + 0.001f, 1e-6f);
    EXPECT_NEAR(NormalizeAngle(-Pi - 0.001f), Pi - 0.001f, 1e-6f);
    EXPECT_NEAR(NormalizeAngle(1.5f * Pi), -0.5f * Pi, 1e-6f);
    EXPECT_NEAR(NormalizeAngle(-1.5f * Pi), 0.5f * Pi, 1e-6f);
    EXPECT_NEAR(NormalizeAngle(2.5f), 2.5f, 1e-6f);
}

TEST(NormalizeAngle, LargeAnglesKeepTheirDirection)
{
    for (float angle : {10.f, -10.f, 100.f, -257.3f, 1000.f, 12345.f, -98765.f})
    {
        const float wrapped = NormalizeAngle(angle);
        EXPECT_GE(wrapped, -Pi) << angle;
        EXPECT_LT(wrapped, Pi) << angle;
        // Same direction up to the float rounding of the large input.
        const float tolerance = 1e-6f * std::abs(angle) + 1e-5f;
        EXPECT_NEAR(std::cos(wrapped), std::cos(static_cast<double>(angle)), tolerance) << angle;
        EXPECT_NEAR(std::sin(wrapped), std::sin(static_cast<double>(angle)), tolerance) << angle;
    }
}

using BaseAgentTest = Vemox::Testing::PhysicsTest;

TEST_F(BaseAgentTest, NewAgentIsADynamicCircleAtTheOriginInYellow)
{
    BaseAgent agent(2.f);
    EXPECT_EQ(agent.GetRadius(), 2.f);
    EXPECT_EQ(agent.GetBodyColor(), Color(1.f, 1.f, 0.f, 1.f));
    EXPECT_EQ(agent.GetPosition(), Vector2D(0.f, 0.f));
    EXPECT_EQ(agent.GetRotation(), 0.f);

    b2Body* pBody = agent.GetRigidBody()->GetBody();
    ASSERT_NE(pBody, nullptr);
    EXPECT_EQ(pBody->GetType(), b2_dynamicBody);
    EXPECT_FLOAT_EQ(pBody->GetLinearDamping(), 0.01f);
    EXPECT_FLOAT_EQ(pBody->GetAngularDamping(), 0.1f);
    EXPECT_FALSE(pBody->IsSleepingAllowed());
    EXPECT_EQ(agent.GetRigidBody()->GetUserDataTag(), 0);
    ASSERT_EQ(agent.GetRigidBody()->GetFixtures().size(), 1u);
    EXPECT_EQ(agent.GetRigidBody()->GetFixtures()[0]->GetShape()->m_radius, 2.f);
    EXPECT_NEAR(agent.GetMass(), Pi * 4.f, 1e-4f);
}

TEST_F(BaseAgentTest, DestroyingAnAgentRemovesItsBody)
{
    b2World* pWorld = Vemox::PhysicsWorld::GetInstance()->GetWorld();
    auto pAgent = std::make_unique<BaseAgent>(1.f);
    BaseAgent other(1.f);
    ASSERT_EQ(pWorld->GetBodyCount(), 2);
    pAgent.reset();
    EXPECT_EQ(pWorld->GetBodyCount(), 1);
    EXPECT_EQ(pWorld->GetBodyList(), other.GetRigidBody()->GetBody());
}

TEST_F(BaseAgentTest, UpdateChangesNothing)
{
    BaseAgent agent(1.f);
    agent.SetPosition(Vector2D(3.f, 4.f));
    agent.SetLinearVelocity(Vector2D(1.f, -1.f));
    agent.SetAngularVelocity(0.5f);
    agent.Update(0.1f);
    EXPECT_EQ(agent.GetPosition(), Vector2D(3.f, 4.f));
    EXPECT_EQ(agent.GetLinearVelocity(), Vector2D(1.f, -1.f));
    EXPECT_EQ(agent.GetAngularVelocity(), 0.5f);
    EXPECT_EQ(agent.GetRotation(), 0.f);
}

TEST_F(BaseAgentTest, DirectionIsTheUnitVelocityOrZeroBelowEpsilon)
{
    BaseAgent agent(1.f);
    EXPECT_EQ(agent.GetDirection(), Vector2D(0.f, 0.f));

    agent.SetLinearVelocity(Vector2D(1e-8f, -1e-8f));
    EXPECT_EQ(agent.GetDirection(), Vector2D(0.f, 0.f));

    agent.SetLinearVelocity(Vector2D(3.f, 4.f));
    EXPECT_FLOAT_EQ(agent.GetDirection().x, 0.6f);
    EXPECT_FLOAT_EQ(agent.GetDirection().y, 0.8f);

    agent.SetLinearVelocity(Vector2D(0.f, -0.001f));
    EXPECT_EQ(agent.GetDirection(), Vector2D(0.f, -1.f));
}

TEST_F(BaseAgentTest, SetPositionKeepsTheAngle)
{
    BaseAgent agent(1.f);
    agent.GetRigidBody()->SetTransform(Vector2D(0.f, 0.f), 1.25f);
    agent.SetPosition(Vector2D(-7.f, 2.f));
    EXPECT_EQ(agent.GetPosition(), Vector2D(-7.f, 2.f));
    EXPECT_EQ(agent.GetRotation(), 1.25f);
}

namespace
{
void ExpectPoint(const DebugVertex& v, const Vector2D& expected)
{
    EXPECT_NEAR(v.x, expected.x, 1e-5f);
    EXPECT_NEAR(v.y, expected.y, 1e-5f);
}

void ExpectColor(const DebugVertex& v, const Color& expected)
{
    EXPECT_FLOAT_EQ(v.r, expected.r);
    EXPECT_FLOAT_EQ(v.g, expected.g);
    EXPECT_FLOAT_EQ(v.b, expected.b);
    EXPECT_FLOAT_EQ(v.a, expected.a);
}

Vector2D OnCircle(const Vector2D& centre, float radius, double angle)
{
    return Vector2D(centre.x + radius * static_cast<float>(std::cos(angle)),
                    centre.y + radius * static_cast<float>(std::sin(angle)));
}
} // namespace

TEST_F(BaseAgentTest, RenderDrawsADiscInItsColourWithABlackArrowheadAtDepthZero)
{
    BaseAgent agent(2.f);
    agent.SetBodyColor(Color(0.2f, 0.6f, 1.f, 1.f));
    agent.SetPosition(Vector2D(5.f, -3.f));
    agent.Render(0.016f);

    const auto& triangles = SDLDebugRenderer2D::GetInstance()->GetTriangles();
    const auto& lines = SDLDebugRenderer2D::GetInstance()->GetLines();
    // Disc: 16 fan triangles, outline and a (zero-length) axis; arrowhead: one triangle and its outline.
    ASSERT_EQ(triangles.size(), 48u + 3u);
    ASSERT_EQ(lines.size(), 34u + 6u);
    EXPECT_TRUE(SDLDebugRenderer2D::GetInstance()->GetPoints().empty());

    const Vector2D centre(5.f, -3.f);
    for (std::size_t i = 0; i < 48; i += 3)
    {
        ExpectPoint(triangles[i], centre);
        ExpectColor(triangles[i], Color(0.1f, 0.3f, 0.5f, 1.f));
        EXPECT_EQ(triangles[i].z, 0.f);
    }
    ExpectColor(lines[0], Color(0.2f, 0.6f, 1.f, 1.f));
    ExpectPoint(lines[32], centre);
    ExpectPoint(lines[33], centre);

    // The arrowhead: nose along +x, tail corners 150 degrees either side, all on the rim.
    ExpectPoint(triangles[48], OnCircle(centre, 2.f, 0.0));
    ExpectPoint(triangles[49], OnCircle(centre, 2.f, 5.0 * 3.141592653589793 / 6.0));
    ExpectPoint(triangles[50], OnCircle(centre, 2.f, -5.0 * 3.141592653589793 / 6.0));
    for (std::size_t i = 48; i < 51; ++i)
    {
        ExpectColor(triangles[i], Color(0.f, 0.f, 0.f, 0.5f));
        EXPECT_EQ(triangles[i].z, 0.f);
    }
    ExpectColor(lines[34], Color(0.f, 0.f, 0.f, 1.f));
}

TEST_F(BaseAgentTest, ArrowheadFollowsTheBodyAngleWrapped)
{
    BaseAgent turned(1.f);
    turned.GetRigidBody()->SetTransform(Vector2D(0.f, 0.f), 1.5f * Pi);
    BaseAgent equivalent(1.f);
    equivalent.GetRigidBody()->SetTransform(Vector2D(0.f, 0.f), -0.5f * Pi);

    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    turned.Render(0.f);
    equivalent.Render(0.f);
    const auto& triangles = pRenderer->GetTriangles();
    ASSERT_EQ(triangles.size(), 2u * 51u);
    ExpectPoint(triangles[48], Vector2D(0.f, -1.f)); // nose points down
    for (std::size_t i = 48; i < 51; ++i)
    {
        ExpectPoint(triangles[i], Vector2D(triangles[51 + i].x, triangles[51 + i].y));
    }
}
