// GraphRenderer: the debug renderer's batches and recorded labels for each combination of the four
// switches, read back without a window under a headless Dear ImGui frame.
#include "framework/VemoxAI/VemoxGraphs/GraphRenderer.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Vemox;

namespace
{
using RoadGrid = GridGraph<GridTerrainNode, GraphConnection>;

const Color DarkGrey{0.2f, 0.2f, 0.2f, 1.f};

Color Half(const Color& color)
{
    return {0.5f * color.r, 0.5f * color.g, 0.5f * color.b, 0.5f};
}

Color ColorOf(const DebugVertex& vertex)
{
    return {vertex.r, vertex.g, vertex.b, vertex.a};
}

Vector2D PositionOf(const DebugVertex& vertex)
{
    return {vertex.x, vertex.y};
}

class GraphRendererTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // DrawString needs a camera and places its text in a UI window of the current frame.
        VImmediateUI::CreateHeadlessContext(901.f, 451.f);
        ImGui::NewFrame();
        SDLDebugRenderer2D::SetUiFrameOpen(true);

        m_pRenderer = SDLDebugRenderer2D::GetInstance();
        m_pRenderer->DiscardFrame();
        m_pRenderer->SetActiveCamera(&m_Camera);
        m_pRenderer->SetTextRecorder(&m_Texts);

        // A few road connections, added out of index order: 104 -> 84 first, 0 -> 20 last.
        m_Grid.AddConnection(new GraphConnection2D(104, 84, 50.f));
        m_Grid.AddConnection(new GraphConnection2D(84, 85, 50.f));
        m_Grid.AddConnection(new GraphConnection2D(84, 64, 50.f));
        m_Grid.AddConnection(new GraphConnection2D(0, 20, 30.f));
    }

    void TearDown() override
    {
        m_pRenderer->SetTextRecorder(nullptr);
        m_pRenderer->SetActiveCamera(nullptr);
        m_pRenderer->DiscardFrame();
        SDLDebugRenderer2D::SetUiFrameOpen(false);
        ImGui::EndFrame();
        ImGui::DestroyContext();
    }

    void NextFrame()
    {
        m_pRenderer->DiscardFrame();
        m_Texts.clear();
    }

    const std::vector<DebugVertex>& Lines() const { return m_pRenderer->GetLines(); }
    const std::vector<DebugVertex>& Triangles() const { return m_pRenderer->GetTriangles(); }

    // Expects the segment at lines [2 * k, 2 * k + 1] to join the centres of from and to, with its text.
    void ExpectConnection(size_t k, int from, int to, const std::string& text) const
    {
        SCOPED_TRACE(::testing::Message() << "connection " << from << " -> " << to);
        ASSERT_GE(Lines().size(), 2 * k + 2);
        const DebugVertex& a = Lines()[2 * k];
        const DebugVertex& b = Lines()[2 * k + 1];
        EXPECT_EQ(PositionOf(a), m_Grid.GetNodeWorldPos(from));
        EXPECT_EQ(PositionOf(b), m_Grid.GetNodeWorldPos(to));
        EXPECT_EQ(ColorOf(a), DarkGrey);
        EXPECT_EQ(ColorOf(b), DarkGrey);
        EXPECT_EQ(a.z, 0.f);
        EXPECT_EQ(b.z, 0.f);
        const Vector2D middle =
            m_Grid.GetNodeWorldPos(to) + (m_Grid.GetNodeWorldPos(from) - m_Grid.GetNodeWorldPos(to)) * 0.5f;
        ASSERT_GT(m_Texts.size(), k);
        EXPECT_EQ(m_Texts[k].position, middle);
        EXPECT_EQ(m_Texts[k].text, text);
    }

    Camera2D m_Camera{Vector2D(150.f, 75.f), 75.f, 901, 451};
    SDLDebugRenderer2D* m_pRenderer = nullptr;
    std::vector<DebugText> m_Texts;
    RoadGrid m_Grid{20, 10, 15, true, false, 1.f, 1.5f};
    GraphRenderer m_GraphRenderer{1};
};
} // namespace

TEST_F(GraphRendererTest, GridAloneDrawsEveryCellAsATerrainColouredSquareWithEmptyLabels)
{
    m_Grid.GetNode(21)->m_Terrain = TerrainType::Block;
    m_Grid.GetNode(84)->m_Terrain = TerrainType::Intersection;
    m_Grid.GetNode(150)->m_Terrain = TerrainType::Cyan;
    m_Grid.GetNode(3)->m_Terrain = TerrainType::Brown;
    m_Grid.GetNode(199)->m_Terrain = static_cast<TerrainType>(42);

    m_GraphRenderer.RenderGraph(&m_Grid, true, false, false, false);

    // Per cell: a two-triangle fill (6 vertices) and a four-segment outline (8 vertices).
    ASSERT_EQ(Triangles().size(), 200u * 6u);
    ASSERT_EQ(Lines().size(), 200u * 8u);
    ASSERT_EQ(m_Texts.size(), 200u);
    for (int i = 0; i < 200; ++i)
    {
        SCOPED_TRACE(::testing::Message() << "cell " << i);
        const Vector2D c = m_Grid.GetNodeWorldPos(i);
        const Color color = GetTerrainColor(m_Grid.GetNode(i)->GetTerrainType());
        const Vector2D corners[4] = {{c.x - 7.5f, c.y - 7.5f},
                                     {c.x - 7.5f, c.y + 7.5f},
                                     {c.x + 7.5f, c.y + 7.5f},
                                     {c.x + 7.5f, c.y - 7.5f}};
        const int fan[6] = {0, 1, 2, 0, 2, 3};
        for (int v = 0; v < 6; ++v)
        {
            const DebugVertex& vertex = Triangles()[6 * i + v];
            EXPECT_EQ(PositionOf(vertex), corners[fan[v]]);
            EXPECT_EQ(ColorOf(vertex), Half(color));
            EXPECT_EQ(vertex.z, 0.1f);
        }
        for (int v = 0; v < 8; ++v)
        {
            const DebugVertex& vertex = Lines()[8 * i + v];
            EXPECT_EQ(ColorOf(vertex), color);
            EXPECT_NEAR(vertex.z, 0.1f, 1e-6f); // the outline sits just in front of its fill
        }
        EXPECT_EQ(m_Texts[i].position, Vector2D(c.x - 0.5f, c.y + 1.f));
        EXPECT_EQ(m_Texts[i].text, "");
    }
    EXPECT_EQ(ColorOf(Lines()[8 * 21]), Color(1.f, 0.8f, 0.4f, 1.f));
    EXPECT_EQ(ColorOf(Lines()[8 * 84]), Color(0.5f, 0.5f, 0.5f, 1.f));
    EXPECT_EQ(ColorOf(Lines()[8 * 150]), Color(0.5f, 0.9f, 0.9f, 1.f));
    EXPECT_EQ(ColorOf(Lines()[8 * 3]), Color(0.4f, 0.2f, 0.f, 1.f));
    EXPECT_EQ(ColorOf(Lines()[8 * 0]), Color(0.7f, 0.7f, 0.7f, 1.f));
    EXPECT_EQ(ColorOf(Lines()[8 * 199]), Color(0.7f, 0.7f, 0.7f, 1.f));
}

TEST_F(GraphRendererTest, NodeNumbersAreDrawnInsideTheGridPassOnly)
{
    m_GraphRenderer.RenderGraph(&m_Grid, true, true, false, false);
    ASSERT_EQ(m_Texts.size(), 200u);
    for (int i = 0; i < 200; ++i)
    {
        EXPECT_EQ(m_Texts[i].text, std::to_string(i));
    }
    EXPECT_EQ(m_Texts[21].text, "21");
    EXPECT_EQ(m_Texts[21].position, Vector2D(22.f, 23.5f));

    NextFrame();
    m_GraphRenderer.RenderGraph(&m_Grid, false, true, false, false);
    EXPECT_TRUE(Triangles().empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(m_Texts.empty());
}

TEST_F(GraphRendererTest, ConnectionsAreDarkGreySegmentsInNodeThenListOrder)
{
    m_GraphRenderer.RenderGraph(&m_Grid, false, false, true, false);
    EXPECT_TRUE(Triangles().empty());
    ASSERT_EQ(Lines().size(), 8u);
    ASSERT_EQ(m_Texts.size(), 4u);
    ExpectConnection(0, 0, 20, "");
    ExpectConnection(1, 84, 85, "");
    ExpectConnection(2, 84, 64, "");
    ExpectConnection(3, 104, 84, "");
}

TEST_F(GraphRendererTest, CostLabelsShowOneDecimalAndFollowSetCost)
{
    m_GraphRenderer.RenderGraph(&m_Grid, false, false, true, true);
    ASSERT_EQ(m_Texts.size(), 4u);
    ExpectConnection(0, 0, 20, "30.0");
    ExpectConnection(1, 84, 85, "50.0");
    EXPECT_EQ(m_Texts[1].position, Vector2D(75.f, 67.5f));
    ExpectConnection(3, 104, 84, "50.0");

    // A red light closes a connection: the next frame shows the new cost.
    m_Grid.GetConnection(84, 85)->SetCost(0.f);
    m_Grid.GetConnection(104, 84)->SetCost(0.75f);
    NextFrame();
    m_GraphRenderer.RenderGraph(&m_Grid, false, false, true, true);
    ExpectConnection(1, 84, 85, "0.0");
    ExpectConnection(3, 104, 84, "0.8");

    // Without the connections pass the costs switch draws nothing.
    NextFrame();
    m_GraphRenderer.RenderGraph(&m_Grid, false, false, false, true);
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(m_Texts.empty());
}

TEST_F(GraphRendererTest, PrecisionSetsTheDecimalPlaces)
{
    const GraphRenderer twoDecimals(2);
    twoDecimals.RenderGraph(&m_Grid, false, false, true, true);
    ExpectConnection(0, 0, 20, "30.00");
    NextFrame();
    const GraphRenderer noDecimals(0);
    noDecimals.RenderGraph(&m_Grid, true, true, true, true);
    ASSERT_EQ(m_Texts.size(), 204u);
    EXPECT_EQ(m_Texts[21].text, "21"); // node numbers are integers at any precision
    EXPECT_EQ(m_Texts[200].text, "30");
}

TEST_F(GraphRendererTest, AllSwitchesDrawCellsThenConnections)
{
    m_GraphRenderer.RenderGraph(&m_Grid, true, true, true, true);
    EXPECT_EQ(Triangles().size(), 200u * 6u);
    ASSERT_EQ(Lines().size(), 200u * 8u + 8u);
    ASSERT_EQ(m_Texts.size(), 204u);
    EXPECT_EQ(m_Texts[199].text, "199");
    EXPECT_EQ(m_Texts[200].text, "30.0");
    EXPECT_EQ(m_Texts[203].text, "50.0");
    EXPECT_EQ(PositionOf(Lines()[1600]), m_Grid.GetNodeWorldPos(0));
    EXPECT_EQ(ColorOf(Lines()[1600]), DarkGrey);
}

TEST_F(GraphRendererTest, ConnectionTextIsNeverReadAsAFormat)
{
    m_GraphRenderer.RenderConnection({0.f, 0.f}, {10.f, 4.f}, "100% %s %n", DarkGrey, 0.25f);
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_EQ(Lines()[0].z, 0.25f);
    ASSERT_EQ(m_Texts.size(), 1u);
    EXPECT_EQ(m_Texts[0].text, "100% %s %n");
    EXPECT_EQ(m_Texts[0].position, Vector2D(5.f, 2.f));
}

namespace
{
// Whether the square cell of centre c and half edge h overlaps the rectangle, grown by `margin` units.
bool Overlaps(const Vector2D& c, float h, const ViewBounds& view, float margin)
{
    return c.x + h >= view.left - margin && c.x - h <= view.right + margin &&
           c.y + h >= view.bottom - margin && c.y - h <= view.top + margin;
}
} // namespace

TEST_F(GraphRendererTest, OnlyCellsInAndNearTheViewAreDrawnInGridOrder)
{
    // A view of part of the grid: x about 12 to 93, y 17.5 to 57.5.
    m_Camera.SetCenter({52.5f, 37.5f});
    m_Camera.SetZoom(20.f);
    const ViewBounds view = m_Camera.GetViewBounds();
    m_GraphRenderer.RenderGraph(&m_Grid, true, true, false, false);

    std::vector<int> drawn;
    for (const DebugText& text : m_Texts)
        drawn.push_back(std::stoi(text.text));
    ASSERT_EQ(Triangles().size(), drawn.size() * 6u);
    for (size_t k = 1; k < drawn.size(); ++k)
        EXPECT_LT(drawn[k - 1], drawn[k]); // rows, then columns, as in the full pass
    for (int i = 0; i < 200; ++i)
    {
        const Vector2D c = m_Grid.GetNodeWorldPos(i);
        const bool isDrawn = std::find(drawn.begin(), drawn.end(), i) != drawn.end();
        // Everything the view shows is drawn; nothing a full cell beyond the view's margin is.
        if (Overlaps(c, 7.5f, view, 0.f))
        {
            EXPECT_TRUE(isDrawn) << "visible cell " << i << " missing";
        }
        if (!Overlaps(c, 7.5f, view, 15.f + SDLDebugRenderer2D::ViewMarginPixels / 11.f))
        {
            EXPECT_FALSE(isDrawn) << "far cell " << i << " drawn";
        }
    }
    EXPECT_LT(drawn.size(), 60u);
}

TEST_F(GraphRendererTest, ConnectionsOffScreenAreLeftOut)
{
    // Looking at the top-right corner: 0 -> 20 lies far off at the bottom left, 104 -> 84 in the middle.
    m_Camera.SetCenter({270.f, 130.f});
    m_Camera.SetZoom(15.f);
    m_Grid.AddConnection(new GraphConnection2D(199, 179, 30.f));
    m_GraphRenderer.RenderGraph(&m_Grid, false, false, true, true);
    ASSERT_EQ(Lines().size(), 2u);
    ExpectConnection(0, 199, 179, "30.0");
}

TEST_F(GraphRendererTest, LabelsAreLeftOutBelowALegibleCellSize)
{
    // 451 pixels over 2 * zoom world units: a cell of 15 spans 451 * 15 / (2 * zoom) pixels.
    const float legibleZoom = 451.f * 15.f / (2.f * GraphRenderer::MinLabelCellPixels);
    m_Camera.SetZoom(legibleZoom * 0.999f);
    m_GraphRenderer.RenderGraph(&m_Grid, true, true, true, true);
    EXPECT_EQ(m_Texts.size(), 200u + 4u);
    const size_t linesWithLabels = Lines().size();

    NextFrame();
    m_Camera.SetZoom(legibleZoom * 1.001f);
    m_GraphRenderer.RenderGraph(&m_Grid, true, true, true, true);
    EXPECT_TRUE(m_Texts.empty());
    // The cells and segments themselves stay.
    EXPECT_EQ(Triangles().size(), 200u * 6u);
    EXPECT_EQ(Lines().size(), linesWithLabels);
}
