// Geometry building of the debug renderer, inspected without an OpenGL context: vertex counts, order,
// colours and depths of every drawing operation, the depth slices and the text labels.
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <string>

namespace Vemox
{
namespace
{
const Color Blue(0.f, 0.f, 1.f, 1.f);
const Color Orange(1.f, 0.5f, 0.2f, 0.8f);

void ExpectVertex(const DebugVertex& vertex, const Vector2D& position, float depth, const Color& color,
                  float size = 1.f)
{
    EXPECT_FLOAT_EQ(vertex.x, position.x);
    EXPECT_FLOAT_EQ(vertex.y, position.y);
    EXPECT_FLOAT_EQ(vertex.z, depth);
    EXPECT_FLOAT_EQ(vertex.r, color.r);
    EXPECT_FLOAT_EQ(vertex.g, color.g);
    EXPECT_FLOAT_EQ(vertex.b, color.b);
    EXPECT_FLOAT_EQ(vertex.a, color.a);
    EXPECT_FLOAT_EQ(vertex.size, size);
}

Vector2D PositionOf(const DebugVertex& vertex)
{
    return {vertex.x, vertex.y};
}

class DebugBatchTest : public ::testing::Test
{
protected:
    void TearDown() override { SDLDebugRenderer2D::DestroyInstance(); }

    SDLDebugRenderer2D& m_Renderer = *SDLDebugRenderer2D::GetInstance();
};

TEST_F(DebugBatchTest, PointCarriesItsSize)
{
    m_Renderer.DrawPoint(Vector2D(1.f, 2.f), 7.f, Orange, 0.25f);
    ASSERT_EQ(m_Renderer.GetPoints().size(), 1u);
    ExpectVertex(m_Renderer.GetPoints()[0], Vector2D(1.f, 2.f), 0.25f, Orange, 7.f);
    EXPECT_TRUE(m_Renderer.GetLines().empty());
    EXPECT_TRUE(m_Renderer.GetTriangles().empty());
}

TEST_F(DebugBatchTest, SegmentsKeepTheOrderOfAddition)
{
    m_Renderer.DrawSegment(Vector2D(1.f, 2.f), Vector2D(3.f, 4.f), Orange, 0.1f);
    m_Renderer.DrawSegment(Vector2D(5.f, 6.f), Vector2D(7.f, 8.f), Blue, -0.3f);
    const auto& lines = m_Renderer.GetLines();
    ASSERT_EQ(lines.size(), 4u);
    ExpectVertex(lines[0], Vector2D(1.f, 2.f), 0.1f, Orange);
    ExpectVertex(lines[1], Vector2D(3.f, 4.f), 0.1f, Orange);
    ExpectVertex(lines[2], Vector2D(5.f, 6.f), -0.3f, Blue);
    ExpectVertex(lines[3], Vector2D(7.f, 8.f), -0.3f, Blue);
}

TEST_F(DebugBatchTest, PolygonOutlineStartsWithTheClosingSegment)
{
    const Vector2D points[] = {{0.f, 0.f}, {4.f, 0.f}, {4.f, 3.f}, {0.f, 3.f}};
    m_Renderer.DrawPolygon(points, 4, Orange, 0.f);
    const auto& lines = m_Renderer.GetLines();
    ASSERT_EQ(lines.size(), 8u);
    const int expectedOrder[] = {3, 0, 0, 1, 1, 2, 2, 3};
    for (size_t i = 0; i < lines.size(); ++i)
        ExpectVertex(lines[i], points[expectedOrder[i]], 0.f, Orange);
}

TEST_F(DebugBatchTest, EmptyPolygonAddsNothing)
{
    const Vector2D points[] = {{0.f, 0.f}};
    m_Renderer.DrawPolygon(points, 0, Orange, 0.f);
    m_Renderer.DrawPolygon(points, -2, Orange, 0.f);
    m_Renderer.DrawSolidPolygon(points, 0, Orange, 0.f);
    EXPECT_TRUE(m_Renderer.GetLines().empty());
    EXPECT_TRUE(m_Renderer.GetTriangles().empty());
}

TEST_F(DebugBatchTest, SolidPolygonFansAHalfBrightFillBehindItsOutline)
{
    const Vector2D points[] = {{0.f, 0.f}, {2.f, 0.f}, {3.f, 1.f}, {2.f, 2.f}, {0.f, 2.f}};
    m_Renderer.DrawSolidPolygon(points, 5, Blue, 0.2f);

    const Color fill(0.f, 0.f, 0.5f, 0.5f);
    const auto& triangles = m_Renderer.GetTriangles();
    ASSERT_EQ(triangles.size(), 9u);
    const int expectedFan[] = {0, 1, 2, 0, 2, 3, 0, 3, 4};
    for (size_t i = 0; i < triangles.size(); ++i)
        ExpectVertex(triangles[i], points[expectedFan[i]], 0.2f, fill);

    const auto& lines = m_Renderer.GetLines();
    ASSERT_EQ(lines.size(), 10u);
    ExpectVertex(lines[0], points[4], 0.2f - 0.0000005f, Blue);
    ExpectVertex(lines[1], points[0], 0.2f - 0.0000005f, Blue);
    EXPECT_LT(lines[0].z, triangles[0].z);
}

TEST_F(DebugBatchTest, SolidPolygonFillAlphaIsAlwaysHalf)
{
    const Vector2D triangle[] = {{0.f, 0.f}, {1.f, 0.f}, {0.f, 1.f}};
    m_Renderer.DrawSolidPolygon(triangle, 3, Orange, 0.f);
    ASSERT_EQ(m_Renderer.GetTriangles().size(), 3u);
    EXPECT_EQ(m_Renderer.GetLines().size(), 6u);
    const DebugVertex& vertex = m_Renderer.GetTriangles()[0];
    EXPECT_FLOAT_EQ(vertex.r, 0.5f);
    EXPECT_FLOAT_EQ(vertex.g, 0.25f);
    EXPECT_FLOAT_EQ(vertex.b, 0.1f);
    EXPECT_FLOAT_EQ(vertex.a, 0.5f);
}

TEST_F(DebugBatchTest, TwoPointSolidPolygonHasOnlyAnOutline)
{
    const Vector2D points[] = {{0.f, 0.f}, {1.f, 0.f}};
    m_Renderer.DrawSolidPolygon(points, 2, Orange, 0.f);
    EXPECT_TRUE(m_Renderer.GetTriangles().empty());
    EXPECT_EQ(m_Renderer.GetLines().size(), 4u);
}

TEST_F(DebugBatchTest, CircleIsSixteenChainedSegmentsOnTheRadius)
{
    const Vector2D center(3.f, -2.f);
    m_Renderer.DrawCircle(center, 2.5f, Orange, 0.4f);
    const auto& lines = m_Renderer.GetLines();
    ASSERT_EQ(lines.size(), 32u);
    ExpectVertex(lines[0], Vector2D(5.5f, -2.f), 0.4f, Orange);
    for (size_t i = 0; i < lines.size(); ++i)
    {
        EXPECT_NEAR((PositionOf(lines[i]) - center).Magnitude(), 2.5f, 1e-4f) << "vertex " << i;
        if (i % 2 == 1 && i + 1 < lines.size())
        {
            EXPECT_EQ(PositionOf(lines[i]), PositionOf(lines[i + 1]))
                << "segment " << i / 2 << " is not chained";
        }
    }
    // Counter-clockwise in steps of 2*pi/16, closing near the start.
    const float firstStep = std::atan2(lines[1].y - center.y, lines[1].x - center.x);
    EXPECT_NEAR(firstStep, TwoPi / 16.f, 1e-5f);
    EXPECT_NEAR(lines[31].x, 5.5f, 1e-4f);
    EXPECT_NEAR(lines[31].y, -2.f, 1e-4f);
}

TEST_F(DebugBatchTest, SolidCircleHasFanOutlineAndAxis)
{
    const Vector2D center(1.f, 1.f);
    const Vector2D axis(0.f, 1.f);
    m_Renderer.DrawSolidCircle(center, 2.f, axis, Orange, 0.3f);

    const Color fill(0.5f, 0.25f, 0.1f, 0.8f); // the colour's own alpha
    const auto& triangles = m_Renderer.GetTriangles();
    ASSERT_EQ(triangles.size(), 48u);
    for (size_t i = 0; i < triangles.size(); i += 3)
    {
        ExpectVertex(triangles[i], center, 0.3f, fill);
        EXPECT_NEAR((PositionOf(triangles[i + 1]) - center).Magnitude(), 2.f, 1e-4f);
        EXPECT_EQ(triangles[i + 1].a, fill.a);
        if (i + 3 < triangles.size())
        {
            EXPECT_EQ(PositionOf(triangles[i + 2]), PositionOf(triangles[i + 4]));
        }
    }
    // The fan starts one step past the x axis.
    EXPECT_NEAR(std::atan2(triangles[1].y - center.y, triangles[1].x - center.x), TwoPi / 16.f, 1e-5f);

    const auto& lines = m_Renderer.GetLines();
    ASSERT_EQ(lines.size(), 34u);
    const float outlineDepth = 0.3f - 0.0000005f;
    for (size_t i = 0; i < 32; ++i)
        EXPECT_FLOAT_EQ(lines[i].z, outlineDepth);
    ExpectVertex(lines[0], Vector2D(3.f, 1.f), outlineDepth, Orange);
    ExpectVertex(lines[32], center, outlineDepth - 0.0000005f, Orange);
    ExpectVertex(lines[33], Vector2D(1.f, 3.f), outlineDepth - 0.0000005f, Orange);
    EXPECT_LT(lines[33].z, lines[0].z);
}

TEST_F(DebugBatchTest, TransformDrawsRedXAndGreenYAxes)
{
    m_Renderer.DrawTransform(Vector2D(1.f, 2.f), Vector2D(0.f, 1.f), Vector2D(-1.f, 0.f), 0.f);
    const auto& lines = m_Renderer.GetLines();
    ASSERT_EQ(lines.size(), 4u);
    const Color red(1.f, 0.f, 0.f, 1.f);
    const Color green(0.f, 1.f, 0.f, 1.f);
    ExpectVertex(lines[0], Vector2D(1.f, 2.f), 0.f, red);
    ExpectVertex(lines[1], Vector2D(1.f, 2.4f), 0.f, red);
    ExpectVertex(lines[2], Vector2D(1.f, 2.f), 0.f, green);
    ExpectVertex(lines[3], Vector2D(0.6f, 2.f), 0.f, green);
}

TEST_F(DebugBatchTest, DepthSlicesWalkTowardsTheViewerAndWrap)
{
    EXPECT_FLOAT_EQ(m_Renderer.NextDepthSlice(), 0.4995f);
    float previous = 0.4995f;
    for (int call = 2; call <= 2000; ++call)
    {
        const float slice = m_Renderer.NextDepthSlice();
        ASSERT_LT(slice, previous) << "call " << call;
        ASSERT_GE(slice, -0.5f) << "call " << call;
        previous = slice;
    }
    EXPECT_NEAR(previous, -0.5f, 1e-4f);
    EXPECT_EQ(m_Renderer.NextDepthSlice(), 0.5f); // the 2001st call
    EXPECT_FLOAT_EQ(m_Renderer.NextDepthSlice(), 0.4995f);

    m_Renderer.NextDepthSlice();
    m_Renderer.DiscardFrame();
    EXPECT_EQ(m_Renderer.GetCurrentDepth(), 0.5f);
}

TEST_F(DebugBatchTest, DiscardFrameEmptiesBatchesButKeepsTheirCapacity)
{
    for (int i = 0; i < 300; ++i)
    {
        m_Renderer.DrawPoint(Vector2D(0.f, 0.f), 3.f, Orange, 0.f);
        m_Renderer.DrawSegment(Vector2D(0.f, 0.f), Vector2D(1.f, 0.f), Orange, 0.f);
        m_Renderer.DrawSolidCircle(Vector2D(0.f, 0.f), 1.f, Vector2D(1.f, 0.f), Orange, 0.f);
    }
    const size_t points = m_Renderer.GetPoints().capacity();
    const size_t lines = m_Renderer.GetLines().capacity();
    const size_t triangles = m_Renderer.GetTriangles().capacity();
    m_Renderer.DiscardFrame();
    EXPECT_TRUE(m_Renderer.GetPoints().empty());
    EXPECT_TRUE(m_Renderer.GetLines().empty());
    EXPECT_TRUE(m_Renderer.GetTriangles().empty());
    EXPECT_EQ(m_Renderer.GetPoints().capacity(), points);
    EXPECT_EQ(m_Renderer.GetLines().capacity(), lines);
    EXPECT_EQ(m_Renderer.GetTriangles().capacity(), triangles);
}

TEST_F(DebugBatchTest, StringsAreIgnoredWithoutACamera)
{
    std::vector<DebugText> texts;
    m_Renderer.SetTextRecorder(&texts);
    m_Renderer.DrawString(Vector2D(1.f, 2.f), "cost %d", 5);
    EXPECT_TRUE(texts.empty());
}

TEST_F(DebugBatchTest, StringsAreFormattedAndRecorded)
{
    Camera2D camera(Vector2D(0.f, 0.f), 20.f, 901, 451);
    m_Renderer.SetActiveCamera(&camera);
    std::vector<DebugText> texts;
    m_Renderer.SetTextRecorder(&texts);

    m_Renderer.DrawString(Vector2D(1.f, 2.f), "node %d cost %.1f", 17, 2.25f);
    const std::string longText(700, 'x');
    m_Renderer.DrawString(Vector2D(3.f, 4.f), "%s|%s", longText.c_str(), "end");
    m_Renderer.DrawString(Vector2D(5.f, 6.f), "%s", "short");

    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "node 17 cost 2.2");
    EXPECT_EQ(texts[0].position, Vector2D(1.f, 2.f));
    EXPECT_EQ(texts[1].text, longText + "|end");
    EXPECT_EQ(texts[2].text, "short");

    m_Renderer.SetTextRecorder(nullptr);
    m_Renderer.DrawString(Vector2D(1.f, 2.f), "not recorded");
    EXPECT_EQ(texts.size(), 3u);
}

// A UI context without a graphics device: the label goes into the "Overlay" window, which is pinned
// to the display's top-left corner, so the text sits at the camera's pixel position.
class OverlayTextTest : public DebugBatchTest
{
protected:
    void SetUp() override
    {
        VImmediateUI::CreateHeadlessContext(901.f, 451.f);
        m_Renderer.SetActiveCamera(&m_Camera);
    }
    void TearDown() override
    {
        SDLDebugRenderer2D::SetUiFrameOpen(false);
        ImGui::DestroyContext();
        DebugBatchTest::TearDown();
    }

    // A UI frame as a driver runs it: the renderer is told when the frame opens and before it closes.
    static void BeginUiFrame()
    {
        ImGui::NewFrame();
        SDLDebugRenderer2D::SetUiFrameOpen(true);
    }
    static void EndUiFrame()
    {
        SDLDebugRenderer2D::SetUiFrameOpen(false);
        ImGui::Render();
    }

    /// Bounding box of the overlay's glyph quads (its draw list holds nothing else: no background).
    static ImRect GlyphBounds(const ImGuiWindow* pWindow)
    {
        ImRect bounds(ImVec2(1e9f, 1e9f), ImVec2(-1e9f, -1e9f));
        for (const ImDrawVert& vertex : pWindow->DrawList->VtxBuffer)
            bounds.Add(vertex.pos);
        return bounds;
    }

    Camera2D m_Camera{Vector2D(0.f, 0.f), 20.f, 901, 451};
};

TEST_F(OverlayTextTest, LabelIsDrawnAtItsScreenPositionInTheTopLeftOverlay)
{
    ImGuiStyle& style = ImGui::GetStyle();
    const ImVec4 background = style.Colors[ImGuiCol_WindowBg];
    // Frames of a real run: the overlay window has moved away from the top-left if not pinned.
    for (int frame = 0; frame < 3; ++frame)
    {
        BeginUiFrame();
        ImGui::SetNextWindowPos(ImVec2(300.f, 200.f), ImGuiCond_FirstUseEver);
        m_Renderer.DrawString(Vector2D(0.f, 0.f), "label %d", frame);
        EndUiFrame();
    }
    const ImGuiWindow* pOverlay = ImGui::FindWindowByName("Overlay");
    ASSERT_NE(pOverlay, nullptr);
    EXPECT_EQ(pOverlay->Pos.x, 0.f);
    EXPECT_EQ(pOverlay->Pos.y, 0.f);
    const ImRect glyphs = GlyphBounds(pOverlay);
    EXPECT_GE(glyphs.Min.x, 450.5f);
    EXPECT_LT(glyphs.Min.x, 453.f);
    EXPECT_GE(glyphs.Min.y, 225.5f);
    EXPECT_LT(glyphs.Min.y, 232.f);
    // The text colour (230, 153, 153).
    ASSERT_FALSE(pOverlay->DrawList->VtxBuffer.empty());
    const ImVec4 color = ImGui::ColorConvertU32ToFloat4(pOverlay->DrawList->VtxBuffer[0].col);
    EXPECT_NEAR(color.x, 230.f / 255.f, 1e-2f);
    EXPECT_NEAR(color.y, 153.f / 255.f, 1e-2f);
    EXPECT_NEAR(color.z, 153.f / 255.f, 1e-2f);
    // The transparent background was set for the overlay only.
    EXPECT_EQ(style.Colors[ImGuiCol_WindowBg].w, background.w);
}

TEST_F(OverlayTextTest, OverlayNeverTakesTheMouse)
{
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = ImVec2(100.f, 100.f); // inside the overlay, which spans to the label at (450, 225)
    for (int frame = 0; frame < 3; ++frame)
    {
        BeginUiFrame();
        m_Renderer.DrawString(Vector2D(0.f, 0.f), "label");
        EndUiFrame();
    }
    EXPECT_FALSE(io.WantCaptureMouse);

    // An ordinary window under the pointer does take it.
    for (int frame = 0; frame < 3; ++frame)
    {
        BeginUiFrame();
        ImGui::SetNextWindowPos(ImVec2(50.f, 50.f));
        ImGui::SetNextWindowSize(ImVec2(100.f, 100.f));
        ImGui::Begin("Panel");
        ImGui::End();
        EndUiFrame();
    }
    EXPECT_TRUE(io.WantCaptureMouse);
}

TEST_F(OverlayTextTest, LabelsStayBehindPanels)
{
    for (int frame = 0; frame < 3; ++frame)
    {
        BeginUiFrame();
        ImGui::Begin("Panel");
        ImGui::End();
        if (frame > 0) // the labels appear after the panel, as when a switch turns them on
            m_Renderer.DrawString(Vector2D(0.f, 0.f), "label");
        EndUiFrame();
    }
    const ImDrawData* pDrawData = ImGui::GetDrawData();
    ASSERT_EQ(pDrawData->CmdListsCount, 2);
    EXPECT_EQ(pDrawData->CmdLists[0], ImGui::FindWindowByName("Overlay")->DrawList);
    EXPECT_EQ(pDrawData->CmdLists[1], ImGui::FindWindowByName("Panel")->DrawList);
}

TEST_F(OverlayTextTest, NoUiCallsOutsideAFrame)
{
    std::vector<DebugText> texts;
    m_Renderer.SetTextRecorder(&texts);
    m_Renderer.DrawString(Vector2D(0.f, 0.f), "between frames");
    EXPECT_EQ(texts.size(), 1u);
    EXPECT_EQ(ImGui::FindWindowByName("Overlay"), nullptr);
}

TEST_F(OverlayTextTest, LabelsAfterTheFrameClosedStayOutOfTheUi)
{
    std::vector<DebugText> texts;
    m_Renderer.SetTextRecorder(&texts);
    BeginUiFrame();
    EndUiFrame();
    // The context is still there, but its frame is over: a label now must not open a window.
    m_Renderer.DrawString(Vector2D(0.f, 0.f), "after the frame");
    EXPECT_EQ(texts.size(), 1u);
    EXPECT_EQ(ImGui::FindWindowByName("Overlay"), nullptr);

    // The next reported frame takes labels again.
    BeginUiFrame();
    m_Renderer.DrawString(Vector2D(0.f, 0.f), "in the frame");
    EndUiFrame();
    EXPECT_NE(ImGui::FindWindowByName("Overlay"), nullptr);
}
} // namespace
} // namespace Vemox
