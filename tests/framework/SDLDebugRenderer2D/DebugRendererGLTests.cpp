// The debug renderer drawing through a real OpenGL context: a known scene read back pixel by pixel
// (projection, blending, depth order), draw-call counts and the state after Render.
#include "OffscreenContext.h"

#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Vemox
{
namespace
{
using Testing::Rgb;

const Rgb ClearGrey{77, 77, 77}; // the frame's clear colour 0.3
const Color Red(1.f, 0.f, 0.f, 1.f);
const Color Green(0.f, 1.f, 0.f, 1.f);
const Color Blue(0.f, 0.f, 1.f, 1.f);
const Color White(1.f, 1.f, 1.f, 1.f);
// A half-bright, half-transparent fill of colour c over the clear grey.
Rgb FillOverGrey(const Color& c)
{
    auto channel = [](float value)
    { return static_cast<int>(std::lround((0.5f * 0.5f * value + 0.5f * 0.3f) * 255.f)); };
    return {channel(c.r), channel(c.g), channel(c.b)};
}

class DebugRendererGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pRenderer = SDLDebugRenderer2D::GetInstance();
        m_pRenderer->Initialize(&m_Camera);
    }
    void TearDown() override { SDLDebugRenderer2D::DestroyInstance(); }

    void DrawFrame()
    {
        m_Context.GetFrame().BeginFrame();
        m_pRenderer->Render();
    }
    /// The pixel under a world position.
    Rgb PixelAt(const Vector2D& world) const
    {
        const Vector2D screen = m_Camera.WorldToScreen(world);
        return m_Context.ReadPixel(static_cast<int>(screen.x), static_cast<int>(screen.y));
    }
    /// Square of half size h around c as a polygon.
    static void Square(const Vector2D& c, float h, Vector2D* pOut)
    {
        pOut[0] = c + Vector2D(-h, -h);
        pOut[1] = c + Vector2D(h, -h);
        pOut[2] = c + Vector2D(h, h);
        pOut[3] = c + Vector2D(-h, h);
    }
    /// Horizontal segments through the centre of every pixel row of a world rectangle: a solid block
    /// of line fragments.
    void LineBlock(const Vector2D& c, float h, const Color& color, float depth)
    {
        const Vector2D top = m_Camera.WorldToScreen(c + Vector2D(0.f, h));
        const Vector2D bottom = m_Camera.WorldToScreen(c - Vector2D(0.f, h));
        for (int row = static_cast<int>(top.y); row <= static_cast<int>(bottom.y); ++row)
        {
            const float y = m_Camera.ScreenToWorld(0.f, static_cast<float>(row) + 0.5f).y;
            m_pRenderer->DrawSegment(Vector2D(c.x - h, y), Vector2D(c.x + h, y), color, depth);
        }
    }

    Testing::OffscreenContext m_Context;
    Camera2D m_Camera{Vector2D(0.f, 0.f), 20.f, 901, 451};
    SDLDebugRenderer2D* m_pRenderer = nullptr;
};

TEST_F(DebugRendererGLTest, SceneAppearsWhereTheCameraPutsIt)
{
    Vector2D square[4];
    Square(Vector2D(10.f, 5.f), 2.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, Red, 0.f);
    m_pRenderer->DrawPoint(Vector2D(-20.f, -10.f), 7.f, Green, 0.f);
    DrawFrame();

    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(10.f, 5.f)), FillOverGrey(Red)))
        << PixelAt(Vector2D(10.f, 5.f));
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(10.f, -5.f)), ClearGrey)) << "mirrored in y";
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(-10.f, 5.f)), ClearGrey)) << "mirrored in x";
    // The point is 7 pixels wide around its position and no wider.
    const Vector2D point = m_Camera.WorldToScreen(Vector2D(-20.f, -10.f));
    const int px = static_cast<int>(point.x);
    const int py = static_cast<int>(point.y);
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(px, py), Rgb{0, 255, 0}));
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(px + 2, py - 2), Rgb{0, 255, 0}));
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(px + 6, py), ClearGrey));
    // The view's corners: world (+-39.96, +-20) are the window's corner pixels.
    m_pRenderer->DrawPoint(Vector2D(-39.9f, 19.95f), 3.f, Blue, 0.f);
    m_pRenderer->DrawPoint(Vector2D(39.9f, -19.95f), 3.f, Blue, 0.f);
    DrawFrame();
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(0, 0), Rgb{0, 0, 255}));
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(900, 450), Rgb{0, 0, 255}));
}

TEST_F(DebugRendererGLTest, CameraMovesTheScene)
{
    m_Camera.SetCenter(Vector2D(10.f, 5.f));
    m_Camera.SetZoom(5.f);
    Vector2D square[4];
    Square(Vector2D(10.f, 5.f), 1.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, Red, 0.f);
    DrawFrame();
    // One world unit is 451 / 10 pixels now: the square covers the window's centre +-45 pixels.
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(450 + 40, 225 - 40), FillOverGrey(Red)));
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(450 + 50, 225), ClearGrey));
}

TEST_F(DebugRendererGLTest, EqualDepthKeepsLinesThenTrianglesThenPoints)
{
    Vector2D square[4];
    // Lines under a fill at the same depth stay visible; under a nearer fill they are covered.
    LineBlock(Vector2D(-20.f, 5.f), 2.f, Blue, 0.f);
    Square(Vector2D(-20.f, 5.f), 3.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, White, 0.f);
    LineBlock(Vector2D(-10.f, 5.f), 2.f, Blue, 0.f);
    Square(Vector2D(-10.f, 5.f), 3.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, White, -0.1f);

    // A point on a fill at the same depth is hidden; a nearer point shows.
    Square(Vector2D(10.f, 5.f), 3.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, Red, 0.f);
    m_pRenderer->DrawPoint(Vector2D(10.f, 5.f), 9.f, Green, 0.f);
    Square(Vector2D(20.f, 5.f), 3.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, Red, 0.f);
    m_pRenderer->DrawPoint(Vector2D(20.f, 5.f), 9.f, Green, -0.1f);

    // Within the triangles, the first of two fills at one depth stays.
    Square(Vector2D(-10.f, -8.f), 3.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, Red, 0.2f);
    m_pRenderer->DrawSolidPolygon(square, 4, Blue, 0.2f);
    // Depth decides over the order of addition: the nearer blue fill added first stays.
    Square(Vector2D(10.f, -8.f), 3.f, square);
    m_pRenderer->DrawSolidPolygon(square, 4, Blue, -0.2f);
    m_pRenderer->DrawSolidPolygon(square, 4, Red, 0.2f);
    // Outside -1..1 nothing is drawn.
    m_pRenderer->DrawPoint(Vector2D(25.f, -8.f), 9.f, Green, 1.5f);
    DrawFrame();

    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(-20.f, 5.f)), Rgb{0, 0, 255}))
        << PixelAt(Vector2D(-20.f, 5.f));
    const Rgb coveredLines = PixelAt(Vector2D(-10.f, 5.f));
    EXPECT_TRUE(Testing::Near(coveredLines, Rgb{64, 64, 191})) << coveredLines; // half white over blue
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(10.f, 5.f)), FillOverGrey(Red)))
        << PixelAt(Vector2D(10.f, 5.f));
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(20.f, 5.f)), Rgb{0, 255, 0})) << PixelAt(Vector2D(20.f, 5.f));
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(-10.f, -8.f)), FillOverGrey(Red)));
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(10.f, -8.f)), FillOverGrey(Blue)));
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(25.f, -8.f)), ClearGrey));
}

TEST_F(DebugRendererGLTest, SolidCircleOutlineLiesInFrontOfItsFill)
{
    m_pRenderer->DrawSolidCircle(Vector2D(0.f, 0.f), 5.f, Vector2D(1.f, 0.f), Green, 0.f);
    DrawFrame();
    // The opaque fill is half-bright green; the axis line along +x is full green.
    EXPECT_TRUE(Testing::Near(PixelAt(Vector2D(0.f, 2.5f)), Rgb{0, 128, 0})) << PixelAt(Vector2D(0.f, 2.5f));
    const Vector2D axisPixel = m_Camera.WorldToScreen(Vector2D(2.5f, 0.f));
    Rgb brightest;
    for (int dy = -1; dy <= 1; ++dy)
    {
        const Rgb c = m_Context.ReadPixel(static_cast<int>(axisPixel.x), static_cast<int>(axisPixel.y) + dy);
        if (c.g > brightest.g)
            brightest = c;
    }
    EXPECT_TRUE(Testing::Near(brightest, Rgb{0, 255, 0})) << brightest;
}

TEST_F(DebugRendererGLTest, EmptyFrameDrawsNothingAndStillClears)
{
    m_pRenderer->DrawPoint(Vector2D(0.f, 0.f), 9.f, Green, 0.f);
    DrawFrame();
    ASSERT_TRUE(Testing::Near(m_Context.ReadPixel(450, 225), Rgb{0, 255, 0}));

    m_pRenderer->NextDepthSlice();
    Testing::DrawCallCounter counter;
    m_pRenderer->Render(); // no BeginFrame: the renderer's own clear must wipe the old point
    EXPECT_EQ(counter.s_DrawArrays, 0);
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(450, 225), ClearGrey));
    EXPECT_EQ(m_pRenderer->GetCurrentDepth(), 0.5f);
}

TEST_F(DebugRendererGLTest, FullFrameIsThreeDrawCallsAndKeepsCapacity)
{
    for (int i = 0; i < 100; ++i)
    {
        const Vector2D p(static_cast<float>(i % 20) - 10.f, static_cast<float>(i / 20));
        m_pRenderer->DrawSolidCircle(p, 0.5f, Vector2D(1.f, 0.f), Red, 0.f);
        m_pRenderer->DrawPoint(p, 2.f, Green, 0.f);
    }
    const size_t lineCapacity = m_pRenderer->GetLines().capacity();
    const size_t triangleCapacity = m_pRenderer->GetTriangles().capacity();
    {
        Testing::DrawCallCounter counter;
        DrawFrame();
        EXPECT_EQ(counter.s_DrawArrays, 3);
    }
    EXPECT_TRUE(m_pRenderer->GetLines().empty());
    EXPECT_TRUE(m_pRenderer->GetTriangles().empty());
    EXPECT_TRUE(m_pRenderer->GetPoints().empty());
    EXPECT_EQ(m_pRenderer->GetLines().capacity(), lineCapacity);
    EXPECT_EQ(m_pRenderer->GetTriangles().capacity(), triangleCapacity);
    EXPECT_GE(m_pRenderer->GetPoints().capacity(), 512u);

    // Render leaves nothing bound and blending and program point size off.
    GLint program = -1;
    GLint vertexArray = -1;
    GLint arrayBuffer = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(arrayBuffer, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_PROGRAM_POINT_SIZE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DebugRendererGLTest, InitializeReservesBatchesAndBuildsTheProgram)
{
    EXPECT_GE(m_pRenderer->GetPoints().capacity(), 512u);
    EXPECT_GE(m_pRenderer->GetLines().capacity(), 512u);
    EXPECT_GE(m_pRenderer->GetTriangles().capacity(), 512u);
    EXPECT_EQ(m_pRenderer->GetActiveCamera(), &m_Camera);
}
// The program deletes the OpenGL context before the renderer; the renderer must not call OpenGL then.
TEST(DebugRendererTeardownTest, DestroyInstanceAfterTheContextIsGone)
{
    Camera2D camera(Vector2D(0.f, 0.f), 20.f, 901, 451);
    auto pContext = std::make_unique<Testing::OffscreenContext>();
    SDLDebugRenderer2D::GetInstance()->Initialize(&camera);
    SDLDebugRenderer2D::GetInstance()->DrawPoint(Vector2D(0.f, 0.f), 3.f, Green, 0.f);
    pContext.reset();
    SDLDebugRenderer2D::DestroyInstance();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
}
} // namespace
} // namespace Vemox
