// The debug-draw bridge: each Box2D call lands in the matching batch at the next depth slice.
#include "PhysicsTestFixture.h"

#include "framework/Physics/Box2DRenderer.h"
#include "framework/Physics/RigidBody.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"

#include <cmath>
#include <vector>

using Vemox::DebugVertex;
using Vemox::SDLDebugRenderer2D;

namespace
{
class Box2DRendererTest : public Vemox::Testing::PhysicsTest
{
protected:
    void SetUp() override
    {
        Vemox::Testing::PhysicsTest::SetUp();
        m_pRenderer = SDLDebugRenderer2D::GetInstance();
    }

    // The slices the debug renderer hands out from the start of a frame.
    static std::vector<float> ExpectedSlices(int count)
    {
        std::vector<float> slices;
        float depth = 0.5f;
        for (int i = 0; i < count; ++i)
        {
            depth -= 0.0005f;
            slices.push_back(depth);
        }
        return slices;
    }

    static void ExpectVertex(const DebugVertex& v, float x, float y, float depth, const b2Color& c)
    {
        EXPECT_FLOAT_EQ(v.x, x);
        EXPECT_FLOAT_EQ(v.y, y);
        EXPECT_FLOAT_EQ(v.z, depth);
        EXPECT_FLOAT_EQ(v.r, c.r);
        EXPECT_FLOAT_EQ(v.g, c.g);
        EXPECT_FLOAT_EQ(v.b, c.b);
        EXPECT_FLOAT_EQ(v.a, c.a);
    }

    Vemox::Box2DRenderer m_Bridge;
    SDLDebugRenderer2D* m_pRenderer = nullptr;
};
} // namespace

TEST_F(Box2DRendererTest, EachOverrideLandsInItsBatchAtTheNextDepthSlice)
{
    const std::vector<float> slice = ExpectedSlices(7);
    const b2Color color(0.2f, 0.4f, 0.6f, 0.8f);
    const b2Vec2 triangle[3] = {b2Vec2(0.f, 0.f), b2Vec2(2.f, 0.f), b2Vec2(0.f, 2.f)};

    m_Bridge.DrawPolygon(triangle, 3, color);
    ASSERT_EQ(m_pRenderer->GetLines().size(), 6u);
    EXPECT_TRUE(m_pRenderer->GetTriangles().empty());
    ExpectVertex(m_pRenderer->GetLines()[0], 0.f, 2.f, slice[0], color); // closes from the last point
    ExpectVertex(m_pRenderer->GetLines()[1], 0.f, 0.f, slice[0], color);
    EXPECT_FLOAT_EQ(m_pRenderer->GetCurrentDepth(), slice[0]);

    m_Bridge.DrawSolidPolygon(triangle, 3, color);
    ASSERT_EQ(m_pRenderer->GetTriangles().size(), 3u);
    ASSERT_EQ(m_pRenderer->GetLines().size(), 12u);
    EXPECT_FLOAT_EQ(m_pRenderer->GetTriangles()[1].x, 2.f);
    EXPECT_FLOAT_EQ(m_pRenderer->GetTriangles()[0].z, slice[1]);
    EXPECT_FLOAT_EQ(m_pRenderer->GetTriangles()[0].r, 0.5f * color.r);
    ExpectVertex(m_pRenderer->GetLines()[6], 0.f, 2.f, slice[1] - 5e-7f, color);

    m_Bridge.DrawCircle(b2Vec2(5.f, 5.f), 2.f, color);
    ASSERT_EQ(m_pRenderer->GetLines().size(), 12u + 32u);
    ExpectVertex(m_pRenderer->GetLines()[12], 7.f, 5.f, slice[2], color);

    m_Bridge.DrawSolidCircle(b2Vec2(-5.f, 1.f), 1.f, b2Vec2(0.f, 1.f), color);
    ASSERT_EQ(m_pRenderer->GetTriangles().size(), 3u + 48u);
    ASSERT_EQ(m_pRenderer->GetLines().size(), 44u + 34u);
    EXPECT_FLOAT_EQ(m_pRenderer->GetTriangles()[3].x, -5.f);
    EXPECT_FLOAT_EQ(m_pRenderer->GetTriangles()[3].z, slice[3]);
    // The axis is the last segment: from the centre along (0, 1) by the radius.
    const auto& lines = m_pRenderer->GetLines();
    ExpectVertex(lines[lines.size() - 1], -5.f, 2.f, slice[3] - 1e-6f, color);

    m_Bridge.DrawSegment(b2Vec2(1.f, 2.f), b2Vec2(3.f, 4.f), color);
    ASSERT_EQ(m_pRenderer->GetLines().size(), 78u + 2u);
    ExpectVertex(m_pRenderer->GetLines()[78], 1.f, 2.f, slice[4], color);
    ExpectVertex(m_pRenderer->GetLines()[79], 3.f, 4.f, slice[4], color);

    m_Bridge.DrawTransform(b2Transform(b2Vec2(0.f, 0.f), b2Rot(0.f)));
    ASSERT_EQ(m_pRenderer->GetLines().size(), 80u + 4u);
    EXPECT_FLOAT_EQ(m_pRenderer->GetLines()[80].z, slice[5]);

    m_Bridge.DrawPoint(b2Vec2(9.f, -9.f), 6.f, color);
    ASSERT_EQ(m_pRenderer->GetPoints().size(), 1u);
    ExpectVertex(m_pRenderer->GetPoints()[0], 9.f, -9.f, slice[6], color);
    EXPECT_EQ(m_pRenderer->GetPoints()[0].size, 6.f);
    EXPECT_EQ(m_pRenderer->GetTriangles().size(), 51u);
}

TEST_F(Box2DRendererTest, DrawTransformShowsRedXAndGreenYAxesOfTheRotation)
{
    m_Bridge.DrawTransform(b2Transform(b2Vec2(1.f, 2.f), b2Rot(0.f)));
    const auto& lines = m_pRenderer->GetLines();
    ASSERT_EQ(lines.size(), 4u);
    const b2Color red(1.f, 0.f, 0.f, 1.f);
    const b2Color green(0.f, 1.f, 0.f, 1.f);
    const float depth = lines[0].z;
    ExpectVertex(lines[0], 1.f, 2.f, depth, red);
    ExpectVertex(lines[1], 1.4f, 2.f, depth, red);
    ExpectVertex(lines[2], 1.f, 2.f, depth, green);
    ExpectVertex(lines[3], 1.f, 2.4f, depth, green);

    m_pRenderer->DiscardFrame();
    m_Bridge.DrawTransform(b2Transform(b2Vec2(0.f, 0.f), b2Rot(Vemox::Pi / 2.f)));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NEAR(lines[1].x, 0.f, 1e-6f); // x axis now points up
    EXPECT_NEAR(lines[1].y, 0.4f, 1e-6f);
    EXPECT_NEAR(lines[3].x, -0.4f, 1e-6f); // y axis points left
    EXPECT_NEAR(lines[3].y, 0.f, 1e-6f);
}

TEST_F(Box2DRendererTest, PolygonWithNoVerticesDrawsNothingButStillTakesASlice)
{
    m_Bridge.DrawPolygon(nullptr, 0, b2Color(1.f, 1.f, 1.f));
    EXPECT_TRUE(m_pRenderer->GetLines().empty());
    EXPECT_FLOAT_EQ(m_pRenderer->GetCurrentDepth(), ExpectedSlices(1)[0]);
}

TEST_F(Box2DRendererTest, WorldDrawsOverlappingCirclesEachInFrontOfTheLast)
{
    using Vemox::BodyType;
    using Vemox::PhysicsShape;
    using Vemox::RigidBody;
    using Vemox::RigidBodyDefinition;
    using Vemox::Vector2D;

    RigidBody first(RigidBodyDefinition(0.f, 0.f, BodyType::Dynamic, false), Vector2D(0.f, 0.f), 0);
    first.AddShape(PhysicsShape::MakeCircle(2.f));
    RigidBody second(RigidBodyDefinition(0.f, 0.f, BodyType::Dynamic, false), Vector2D(1.f, 0.f), 0);
    second.AddShape(PhysicsShape::MakeCircle(2.f));

    m_pPhysics->RenderDebug();

    // Shapes only: one filled circle per body, no bounding boxes, joints or centres of mass.
    const auto& triangles = m_pRenderer->GetTriangles();
    const auto& lines = m_pRenderer->GetLines();
    ASSERT_EQ(triangles.size(), 96u);
    ASSERT_EQ(lines.size(), 68u);
    EXPECT_TRUE(m_pRenderer->GetPoints().empty());

    const float earlierFill = triangles[0].z;
    const float laterFill = triangles[48].z;
    const float earlierOutline = lines[0].z;
    EXPECT_FLOAT_EQ(earlierFill, ExpectedSlices(1)[0]);
    EXPECT_FLOAT_EQ(laterFill, ExpectedSlices(2)[1]);
    // The later circle's fill is nearer than the earlier circle's outline, so it covers it.
    EXPECT_LT(laterFill, earlierOutline);
    EXPECT_LT(earlierOutline, earlierFill);

    // Both bodies are drawn where they are.
    const bool firstDrawnFirst = triangles[0].x == 0.f;
    EXPECT_EQ(triangles[firstDrawnFirst ? 48 : 0].x, 1.f);
}

TEST_F(Box2DRendererTest, ShapesOffScreenAreLeftOutButKeepTheirDepthSlices)
{
    // A view of x -20..20, y -10..10: shapes far to the right are off screen.
    Vemox::Camera2D camera(Vemox::Vector2D(0.f, 0.f), 10.f, 900, 450);
    m_pRenderer->SetActiveCamera(&camera);
    const std::vector<float> slice = ExpectedSlices(4);
    const b2Color color(0.2f, 0.4f, 0.6f, 0.8f);
    const b2Vec2 farSquare[4] = {b2Vec2(100.f, 0.f), b2Vec2(102.f, 0.f), b2Vec2(102.f, 2.f),
                                 b2Vec2(100.f, 2.f)};

    m_Bridge.DrawSolidCircle(b2Vec2(100.f, 0.f), 1.f, b2Vec2(0.f, 1.f), color);
    m_Bridge.DrawSolidPolygon(farSquare, 4, color);
    m_Bridge.DrawCircle(b2Vec2(0.f, 100.f), 1.f, color);
    EXPECT_TRUE(m_pRenderer->GetTriangles().empty());
    EXPECT_TRUE(m_pRenderer->GetLines().empty());
    EXPECT_FLOAT_EQ(m_pRenderer->GetCurrentDepth(), slice[2]);

    // A shape reaching into the view from outside is drawn, at the slice it would always have had.
    m_Bridge.DrawSolidCircle(b2Vec2(20.5f, 0.f), 1.f, b2Vec2(0.f, 1.f), color);
    ASSERT_EQ(m_pRenderer->GetTriangles().size(), 48u);
    EXPECT_FLOAT_EQ(m_pRenderer->GetTriangles()[0].z, slice[3]);
    m_pRenderer->SetActiveCamera(nullptr);
}
