// Box2D's debug view drawn through a real OpenGL context (SDL's offscreen driver): where two
// bodies' circles overlap, the shape drawn later covers the earlier one's outline and fill.
#include "OffscreenContext.h"
#include "PhysicsTestFixture.h"

#include "framework/Physics/PhysicsWorld.h"
#include "framework/Physics/RigidBody.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Vemox
{
namespace
{
using Testing::Rgb;

Rgb ToRgb(const DebugVertex& v)
{
    return {static_cast<int>(std::lround(v.r * 255.f)), static_cast<int>(std::lround(v.g * 255.f)),
            static_cast<int>(std::lround(v.b * 255.f))};
}

class Box2DRendererGLTest : public Testing::PhysicsTest
{
protected:
    void SetUp() override
    {
        PhysicsTest::SetUp();
        m_pRenderer = SDLDebugRenderer2D::GetInstance();
        m_pRenderer->Initialize(&m_Camera);
    }

    /// Whether any pixel of the row through world point p, within +-radius pixels, has the colour.
    bool RowHasColour(const Vector2D& p, int radius, const Rgb& colour) const
    {
        const Vector2D screen = m_Camera.WorldToScreen(p);
        for (int dx = -radius; dx <= radius; ++dx)
        {
            if (Testing::Near(
                    m_Context.ReadPixel(static_cast<int>(screen.x) + dx, static_cast<int>(screen.y)), colour,
                    3))
            {
                return true;
            }
        }
        return false;
    }

    Testing::OffscreenContext m_Context;
    Camera2D m_Camera{Vector2D(0.f, 0.f), 10.f, 901, 451};
    SDLDebugRenderer2D* m_pRenderer = nullptr;
};

TEST_F(Box2DRendererGLTest, LaterShapeCoversTheEarlierShapesOutlineWhereTheyOverlap)
{
    // Box2D draws its newest body first, so the body created last is the earlier shape. A static and a
    // dynamic body get different debug colours from Box2D.
    RigidBody later(RigidBodyDefinition(0.f, 0.f, BodyType::Dynamic, false), Vector2D(3.f, 0.f), 0);
    later.AddShape(PhysicsShape::MakeCircle(4.f));
    RigidBody earlier(RigidBodyDefinition(0.f, 0.f, BodyType::Static, false), Vector2D(-2.f, 0.f), 1);
    earlier.AddShape(PhysicsShape::MakeCircle(4.f));

    m_Context.GetFrame().BeginFrame();
    PhysicsWorld::GetInstance()->RenderDebug();
    ASSERT_EQ(m_pRenderer->GetTriangles().size(), 96u);
    ASSERT_EQ(m_pRenderer->GetTriangles()[0].x, -2.f) << "the static body is drawn first";
    const Rgb earlierFill = ToRgb(m_pRenderer->GetTriangles()[0]);
    const Rgb earlierOutline = ToRgb(m_pRenderer->GetLines()[0]);
    const Rgb laterFill = ToRgb(m_pRenderer->GetTriangles()[48]);
    ASSERT_FALSE(Testing::Near(earlierOutline, laterFill, 10));
    ASSERT_FALSE(Testing::Near(earlierFill, laterFill, 10));
    m_pRenderer->Render();

    // Outside the overlap the earlier outline shows (its leftmost point, x = -6) ...
    EXPECT_TRUE(RowHasColour(Vector2D(-6.f, 0.f), 3, earlierOutline));
    // ... inside it (its rightmost point, x = 2, lies within the later circle) it is covered.
    EXPECT_FALSE(RowHasColour(Vector2D(2.f, 0.f), 3, earlierOutline));
    EXPECT_TRUE(RowHasColour(Vector2D(2.f, 0.f), 3, laterFill));
    // In the overlap the later fill covers the earlier fill; outside it the earlier fill shows.
    const Vector2D overlap = m_Camera.WorldToScreen(Vector2D(0.5f, 1.f));
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(static_cast<int>(overlap.x), static_cast<int>(overlap.y)),
                              laterFill, 3));
    const Vector2D earlierOnly = m_Camera.WorldToScreen(Vector2D(-4.f, 1.f));
    EXPECT_TRUE(
        Testing::Near(m_Context.ReadPixel(static_cast<int>(earlierOnly.x), static_cast<int>(earlierOnly.y)),
                      earlierFill, 3));
}
} // namespace
} // namespace Vemox
