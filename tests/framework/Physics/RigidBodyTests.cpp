// Body creation from definitions, fixtures per shape kind, the mass rule, destruction, and the
// static box collider.
#include "PhysicsTestFixture.h"

#include "framework/Physics/RigidBody.h"
#include "framework/Physics/StaticBoxCollider.h"

#include <cmath>
#include <memory>

using Vemox::BodyType;
using Vemox::PhysicsShape;
using Vemox::RigidBody;
using Vemox::RigidBodyDefinition;
using Vemox::ShapeKind;
using Vemox::StaticBoxCollider;
using Vemox::Vector2D;

namespace
{
RigidBodyDefinition DynamicDefinition()
{
    return RigidBodyDefinition(0.01f, 0.1f, BodyType::Dynamic, false);
}
} // namespace

using RigidBodyTest = Vemox::Testing::PhysicsTest;

TEST_F(RigidBodyTest, DefinitionFieldsReachTheBox2DBody)
{
    RigidBody body(RigidBodyDefinition(0.3f, 0.7f, BodyType::Dynamic, true), Vector2D(2.f, -3.f), 5);
    b2Body* pBody = body.GetBody();
    ASSERT_NE(pBody, nullptr);

    EXPECT_EQ(pBody->GetType(), b2_dynamicBody);
    EXPECT_EQ(pBody->GetPosition().x, 2.f);
    EXPECT_EQ(pBody->GetPosition().y, -3.f);
    EXPECT_EQ(pBody->GetAngle(), 0.f);
    EXPECT_EQ(pBody->GetLinearVelocity().Length(), 0.f);
    EXPECT_EQ(pBody->GetAngularVelocity(), 0.f);
    EXPECT_FLOAT_EQ(pBody->GetLinearDamping(), 0.3f);
    EXPECT_FLOAT_EQ(pBody->GetAngularDamping(), 0.7f);
    EXPECT_TRUE(pBody->IsSleepingAllowed());
    EXPECT_TRUE(pBody->IsAwake());
    EXPECT_FALSE(pBody->IsFixedRotation());
    EXPECT_FALSE(pBody->IsBullet());
    EXPECT_TRUE(pBody->IsEnabled());
    EXPECT_EQ(pBody->GetGravityScale(), 1.f);
    EXPECT_EQ(pBody->GetWorld(), m_pWorld);
    EXPECT_EQ(m_pWorld->GetBodyCount(), 1);

    // The body's user data points at the stored tag.
    const auto* pTag = reinterpret_cast<const std::int32_t*>(pBody->GetUserData().pointer);
    ASSERT_NE(pTag, nullptr);
    EXPECT_EQ(*pTag, 5);
    EXPECT_EQ(body.GetUserDataTag(), 5);
    EXPECT_EQ(body.GetDefinition().Type, BodyType::Dynamic);
}

TEST_F(RigidBodyTest, BodyTypesFollowBox2DNumberingAndAnythingElseIsStatic)
{
    const struct
    {
        BodyType type;
        b2BodyType expected;
    } cases[] = {{BodyType::Static, b2_staticBody},
                 {BodyType::Kinematic, b2_kinematicBody},
                 {BodyType::Dynamic, b2_dynamicBody},
                 {static_cast<BodyType>(3), b2_staticBody},
                 {static_cast<BodyType>(-1), b2_staticBody}};
    for (const auto& c : cases)
    {
        RigidBody body(RigidBodyDefinition(0.f, 0.f, c.type, false), Vector2D(0.f, 0.f), 0);
        ASSERT_NE(body.GetBody(), nullptr);
        EXPECT_EQ(body.GetBody()->GetType(), c.expected) << "BodyType " << static_cast<int>(c.type);
    }
}

TEST_F(RigidBodyTest, CircleFixtureUsesTheDocumentedMaterialAndPointsBackAtItsOwner)
{
    RigidBody body(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    body.AddShape(PhysicsShape::MakeCircle(2.f));

    ASSERT_EQ(body.GetFixtures().size(), 1u);
    b2Fixture* pFixture = body.GetFixtures()[0];
    EXPECT_EQ(pFixture, body.GetBody()->GetFixtureList());
    ASSERT_EQ(pFixture->GetType(), b2Shape::e_circle);
    const auto* pCircle = static_cast<const b2CircleShape*>(pFixture->GetShape());
    EXPECT_EQ(pCircle->m_radius, 2.f);
    EXPECT_EQ(pCircle->m_p.x, 0.f);
    EXPECT_EQ(pCircle->m_p.y, 0.f);
    EXPECT_EQ(pFixture->GetDensity(), 1.f);
    EXPECT_FLOAT_EQ(pFixture->GetFriction(), 0.2f);
    EXPECT_EQ(pFixture->GetRestitution(), 0.f);
    EXPECT_FALSE(pFixture->IsSensor());
    EXPECT_EQ(pFixture->GetFilterData().categoryBits, 0x0001);
    EXPECT_EQ(pFixture->GetFilterData().maskBits, 0xFFFF);
    EXPECT_EQ(pFixture->GetFilterData().groupIndex, 0);
    EXPECT_EQ(reinterpret_cast<RigidBody*>(pFixture->GetUserData().pointer), &body);
    EXPECT_NEAR(body.GetMass(), 3.14159265f * 4.f, 1e-4f);
}

TEST_F(RigidBodyTest, BoxFixtureIsCentredWithHalfExtentsAndRotated)
{
    RigidBody body(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    body.AddShape(PhysicsShape::MakeBox(4.f, 2.f, Vemox::Pi / 2.f));

    ASSERT_EQ(body.GetFixtures().size(), 1u);
    ASSERT_EQ(body.GetFixtures()[0]->GetType(), b2Shape::e_polygon);
    const auto* pPolygon = static_cast<const b2PolygonShape*>(body.GetFixtures()[0]->GetShape());
    ASSERT_EQ(pPolygon->m_count, 4);
    // Rotated a quarter turn, the 4 x 2 box spans 2 along x and 4 along y.
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_NEAR(std::abs(pPolygon->m_vertices[i].x), 1.f, 1e-5f);
        EXPECT_NEAR(std::abs(pPolygon->m_vertices[i].y), 2.f, 1e-5f);
    }
    EXPECT_NEAR(pPolygon->m_centroid.x, 0.f, 1e-6f);
    EXPECT_NEAR(pPolygon->m_centroid.y, 0.f, 1e-6f);
    EXPECT_NEAR(body.GetMass(), 8.f, 1e-4f);
}

TEST_F(RigidBodyTest, PolygonFixtureTakesItsVertices)
{
    RigidBody body(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    body.AddShape(PhysicsShape::MakePolygon({Vector2D(0.f, 0.f), Vector2D(4.f, 0.f), Vector2D(0.f, 3.f)}));

    ASSERT_EQ(body.GetFixtures().size(), 1u);
    const auto* pPolygon = static_cast<const b2PolygonShape*>(body.GetFixtures()[0]->GetShape());
    EXPECT_EQ(pPolygon->m_count, 3);
    EXPECT_NEAR(body.GetMass(), 6.f, 1e-4f);
}

TEST_F(RigidBodyTest, UnknownShapeKindsAndDegenerateShapesAddNothing)
{
    RigidBody body(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    body.AddShape(PhysicsShape::MakeCircle(1.f));
    b2Fixture* pFirst = body.GetFixtures()[0];

    PhysicsShape unknown = PhysicsShape::MakeCircle(1.f);
    for (int kind : {0, 4, -2})
    {
        unknown.Kind = static_cast<ShapeKind>(kind);
        body.AddShape(unknown);
    }
    // Box2D would divide by a zero area, or substitute a unit box for an outline it cannot use.
    body.AddShape(PhysicsShape::MakeBox(0.f, 2.f, 0.f));
    body.AddShape(PhysicsShape::MakeBox(2.f, -1.f, 0.f));
    body.AddShape(PhysicsShape::MakePolygon({Vector2D(0.f, 0.f), Vector2D(1.f, 0.f)}));
    body.AddShape(PhysicsShape::MakePolygon(std::vector<Vector2D>(9, Vector2D(1.f, 1.f))));

    ASSERT_EQ(body.GetFixtures().size(), 1u);
    EXPECT_EQ(body.GetFixtures()[0], pFirst);
    EXPECT_EQ(body.GetBody()->GetFixtureList(), pFirst);
    EXPECT_EQ(pFirst->GetNext(), nullptr);
    EXPECT_TRUE(std::isfinite(body.GetBody()->GetWorldCenter().x));
}

TEST_F(RigidBodyTest, SetMassZeroGivesADynamicBodyMassOneAndKeepsInertia)
{
    RigidBody body(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    body.AddShape(PhysicsShape::MakeCircle(3.f));
    const float inertia = body.GetBody()->GetInertia();
    ASSERT_GT(inertia, 0.f);

    body.SetMass(0.f);
    EXPECT_EQ(body.GetMass(), 1.f);
    EXPECT_FLOAT_EQ(body.GetBody()->GetInertia(), inertia);
    EXPECT_EQ(body.GetBody()->GetLocalCenter().x, 0.f);

    body.SetMass(2.5f);
    EXPECT_EQ(body.GetMass(), 2.5f);
    EXPECT_FLOAT_EQ(body.GetBody()->GetInertia(), inertia);
}

TEST_F(RigidBodyTest, SetMassChangesNothingOnAStaticBody)
{
    RigidBody body(RigidBodyDefinition(0.f, 0.f, BodyType::Static, false), Vector2D(0.f, 0.f), 1);
    body.AddShape(PhysicsShape::MakeBox(2.f, 2.f, 0.f));
    const float mass = body.GetMass();
    body.SetMass(0.f);
    EXPECT_EQ(body.GetMass(), mass);
    body.SetMass(7.f);
    EXPECT_EQ(body.GetMass(), mass);
}

TEST_F(RigidBodyTest, AccessorsForwardToTheBody)
{
    RigidBody body(DynamicDefinition(), Vector2D(1.f, 1.f), 0);
    body.AddShape(PhysicsShape::MakeCircle(1.f));

    body.SetTransform(Vector2D(4.f, 5.f), 0.75f);
    EXPECT_EQ(body.GetPosition(), Vector2D(4.f, 5.f));
    EXPECT_EQ(body.GetRotation(), 0.75f);

    body.SetPosition(Vector2D(-2.f, 3.f));
    EXPECT_EQ(body.GetPosition(), Vector2D(-2.f, 3.f));
    EXPECT_EQ(body.GetRotation(), 0.75f);

    body.SetTransform(Vector2D(0.f, 0.f), 7.f); // angles are not wrapped
    EXPECT_EQ(body.GetRotation(), 7.f);

    body.SetLinearVelocity(Vector2D(3.f, -4.f));
    EXPECT_EQ(body.GetLinearVelocity(), Vector2D(3.f, -4.f));
    body.SetAngularVelocity(-1.5f);
    EXPECT_EQ(body.GetAngularVelocity(), -1.5f);
}

TEST_F(RigidBodyTest, DestroyingARigidBodyRemovesOnlyItsBody)
{
    auto pFirst = std::make_unique<RigidBody>(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    pFirst->AddShape(PhysicsShape::MakeCircle(1.f));
    RigidBody second(DynamicDefinition(), Vector2D(10.f, 0.f), 0);
    second.AddShape(PhysicsShape::MakeCircle(1.f));
    ASSERT_EQ(m_pWorld->GetBodyCount(), 2);

    pFirst.reset();
    EXPECT_EQ(m_pWorld->GetBodyCount(), 1);
    EXPECT_EQ(m_pWorld->GetBodyList(), second.GetBody());
    m_pPhysics->Simulate(0.1f); // the world keeps stepping the remaining body
    EXPECT_EQ(second.GetPosition(), Vector2D(10.f, 0.f));
}

namespace
{
// Creates a RigidBody from inside a contact callback, that is while the world is stepping.
class CreateDuringStepListener : public b2ContactListener
{
public:
    void BeginContact(b2Contact* /*pContact*/) override
    {
        if (m_pCreated == nullptr)
        {
            m_pCreated =
                new RigidBody(RigidBodyDefinition(0.f, 0.f, BodyType::Dynamic, false), Vector2D(0.f, 0.f), 9);
            m_pCreated->AddShape(PhysicsShape::MakeCircle(1.f));
        }
    }
    RigidBody* m_pCreated = nullptr;
};
} // namespace

using RigidBodyDeathTest = Vemox::Testing::PhysicsTest;

TEST_F(RigidBodyDeathTest, ABodyRequestedDuringAStepIsNotCreatedAndItsAccessorsStop)
{
    RigidBody a(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    a.AddShape(PhysicsShape::MakeCircle(1.f));
    RigidBody b(DynamicDefinition(), Vector2D(0.5f, 0.f), 0);
    b.AddShape(PhysicsShape::MakeCircle(1.f));

    CreateDuringStepListener listener;
    m_pWorld->SetContactListener(&listener);
    m_pPhysics->Simulate(1.f / 60.f);
    m_pWorld->SetContactListener(nullptr);

    ASSERT_NE(listener.m_pCreated, nullptr);
    EXPECT_FALSE(listener.m_pCreated->HasBody());
    EXPECT_EQ(listener.m_pCreated->GetUserDataTag(), 0);
    EXPECT_TRUE(listener.m_pCreated->GetFixtures().empty());
    EXPECT_EQ(m_pWorld->GetBodyCount(), 2);
    EXPECT_DEATH(listener.m_pCreated->GetPosition(), "RigidBody::GetPosition.*no Box2D body");
    delete listener.m_pCreated;
    EXPECT_EQ(m_pWorld->GetBodyCount(), 2);
}

TEST_F(RigidBodyTest, StaticBoxColliderIsOneStaticBoxTaggedAsWall)
{
    auto pWall = std::make_unique<StaticBoxCollider>(Vector2D(150.f, -1.f), 300.f, 2.f);
    EXPECT_EQ(pWall->GetPosition(), Vector2D(150.f, -1.f));
    EXPECT_EQ(pWall->GetWidth(), 300.f);
    EXPECT_EQ(pWall->GetHeight(), 2.f);

    b2Body* pBody = pWall->GetRigidBody()->GetBody();
    ASSERT_NE(pBody, nullptr);
    EXPECT_EQ(pBody->GetType(), b2_staticBody);
    EXPECT_EQ(pBody->GetPosition().x, 150.f);
    EXPECT_EQ(pBody->GetPosition().y, -1.f);
    EXPECT_FLOAT_EQ(pBody->GetLinearDamping(), 0.01f);
    EXPECT_FLOAT_EQ(pBody->GetAngularDamping(), 0.1f);
    EXPECT_FALSE(pBody->IsSleepingAllowed());
    EXPECT_EQ(pWall->GetRigidBody()->GetUserDataTag(), 1);

    ASSERT_EQ(pWall->GetRigidBody()->GetFixtures().size(), 1u);
    const auto* pPolygon =
        static_cast<const b2PolygonShape*>(pWall->GetRigidBody()->GetFixtures()[0]->GetShape());
    for (int i = 0; i < pPolygon->m_count; ++i)
    {
        EXPECT_NEAR(std::abs(pPolygon->m_vertices[i].x), 150.f, 1e-4f);
        EXPECT_NEAR(std::abs(pPolygon->m_vertices[i].y), 1.f, 1e-5f);
    }

    pWall.reset();
    EXPECT_EQ(m_pWorld->GetBodyCount(), 0);
}

TEST_F(RigidBodyTest, DynamicBodiesAreStoppedByAWall)
{
    StaticBoxCollider wall(Vector2D(10.f, 0.f), 2.f, 20.f);
    RigidBody ball(DynamicDefinition(), Vector2D(0.f, 0.f), 0);
    ball.AddShape(PhysicsShape::MakeCircle(1.f));
    ball.SetLinearVelocity(Vector2D(10.f, 0.f));

    for (int frame = 0; frame < 120; ++frame)
    {
        m_pPhysics->Simulate(1.f / 60.f);
    }
    // The wall's face is at x = 9, so the ball's centre stays left of 8 (plus Box2D's contact slop).
    EXPECT_LT(ball.GetPosition().x, 8.05f);
    EXPECT_GT(ball.GetPosition().x, 7.f);
}
