// Graph drawing: cells at depth 0.1 under connection segments at depth 0.0, labels as overlay text; only
// what the view shows, and labels only where they can be read.
#include "framework/VemoxAI/VemoxGraphs/GraphRenderer.h"

#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Vemox
{
namespace
{
constexpr float CellDepth = 0.1f;
constexpr float ConnectionDepth = 0.0f;
constexpr Color ConnectionColor{0.2f, 0.2f, 0.2f, 1.f};

// Large enough for any float in fixed notation at a sensible precision; longer texts are cut, not overrun.
using LabelBuffer = char[64];

// Fixed notation with the renderer's precision, as a stream set to std::fixed would write it; formatted
// on the stack so that a frame's few hundred labels allocate nothing.
void FormatCost(LabelBuffer& buffer, float value, int precision)
{
    std::snprintf(buffer, sizeof(buffer), "%.*f", precision, static_cast<double>(value));
}
// The index of the cell whose band holds coordinate v (cell size in world units), clamped so that far-off
// views neither overflow nor wrap.
int CellBelow(float v, float cellSize)
{
    const float cell = std::floor(v / cellSize);
    return static_cast<int>(std::max(-1.f, std::min(cell, 1e9f)));
}

// Node numbers are integers: fixed notation leaves them as plain digits.
void FormatIndex(LabelBuffer& buffer, int value)
{
    std::snprintf(buffer, sizeof(buffer), "%d", value);
}
} // namespace

Color GetTerrainColor(TerrainType terrain)
{
    switch (terrain)
    {
    case TerrainType::Intersection:
        return {0.5f, 0.5f, 0.5f, 1.f};
    case TerrainType::Brown:
        return {0.4f, 0.2f, 0.0f, 1.f};
    case TerrainType::Cyan:
        return {0.5f, 0.9f, 0.9f, 1.f};
    case TerrainType::Block:
        return {1.0f, 0.8f, 0.4f, 1.f};
    case TerrainType::Default:
    default:
        return {0.7f, 0.7f, 0.7f, 1.f};
    }
}

void GraphRenderer::RenderGraph(const GridGraph<GridTerrainNode, GraphConnection>* pGraph, bool renderGrid,
                                bool renderNodeNumbers, bool renderConnections,
                                bool renderConnectionsCosts) const
{
    VEMOX_ASSERT((pGraph != nullptr) && "<GraphRenderer::RenderGraph>: null graph");
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    LabelBuffer label;
    const bool drawLabels = AreLabelsLegible(*pGraph);

    if (renderGrid)
    {
        const int columns = pGraph->GetNrOfColumns();
        const int rows = pGraph->GetNrOfRows();
        const float cellSize = static_cast<float>(pGraph->GetCellSize());
        const float halfCell = cellSize * 0.5f;
        // Only the cells the view (with its margin) overlaps, in the same row and column order.
        int firstColumn = 0;
        int lastColumn = columns - 1;
        int firstRow = 0;
        int lastRow = rows - 1;
        ViewBounds view;
        if (pRenderer->GetViewWithMargin(view))
        {
            firstColumn = std::max(firstColumn, CellBelow(view.left, cellSize));
            lastColumn = std::min(lastColumn, CellBelow(view.right, cellSize));
            firstRow = std::max(firstRow, CellBelow(view.bottom, cellSize));
            lastRow = std::min(lastRow, CellBelow(view.top, cellSize));
        }
        for (int row = firstRow; row <= lastRow; ++row)
        {
            for (int column = firstColumn; column <= lastColumn; ++column)
            {
                const int idx = row * columns + column;
                const GridTerrainNode* pNode = pGraph->GetNode(idx);
                const Vector2D c = pGraph->GetNodeWorldPos(idx);

                label[0] = '\0';
                if (renderNodeNumbers)
                {
                    FormatIndex(label, pNode->GetIndex());
                }

                const Vector2D corners[4] = {{c.x - halfCell, c.y - halfCell},
                                             {c.x - halfCell, c.y + halfCell},
                                             {c.x + halfCell, c.y + halfCell},
                                             {c.x + halfCell, c.y - halfCell}};
                pRenderer->DrawSolidPolygon(corners, 4, GetTerrainColor(pNode->GetTerrainType()), CellDepth);
                if (drawLabels)
                {
                    // Passed as an argument, never as the format: a label must not be read as directives.
                    pRenderer->DrawString(Vector2D(c.x - 0.5f, c.y + 1.f), "%s", label);
                }
            }
        }
    }

    if (renderConnections)
    {
        // The active nodes in index order, walked in place rather than copied out every frame.
        for (int idx = 0; idx < pGraph->GetNrOfNodes(); ++idx)
        {
            if (pGraph->GetNode(idx)->GetIndex() == invalid_node_index)
            {
                continue;
            }
            for (const GraphConnection* pConnection : pGraph->GetNodeConnections(idx))
            {
                if (pConnection == nullptr)
                {
                    continue;
                }
                const Vector2D from = pGraph->GetNodeWorldPos(pConnection->GetFrom());
                const Vector2D to = pGraph->GetNodeWorldPos(pConnection->GetTo());
                if (!pRenderer->IsInView({std::min(from.x, to.x), std::min(from.y, to.y)},
                                         {std::max(from.x, to.x), std::max(from.y, to.y)}))
                {
                    continue;
                }
                if (!drawLabels)
                {
                    pRenderer->DrawSegment(from, to, ConnectionColor, ConnectionDepth);
                    continue;
                }
                label[0] = '\0';
                if (renderConnectionsCosts)
                {
                    FormatCost(label, pConnection->GetCost(), m_FloatPrecision);
                }
                RenderConnection(from, to, label, ConnectionColor, ConnectionDepth);
            }
        }
    }
}

bool GraphRenderer::AreLabelsLegible(const GridGraph<GridTerrainNode, GraphConnection>& graph)
{
    const float pixelsPerUnit = SDLDebugRenderer2D::GetInstance()->GetPixelsPerUnit();
    // Without a camera nothing says how large the cells are, and DrawString draws nothing anyway.
    return pixelsPerUnit == 0.f ||
           static_cast<float>(graph.GetCellSize()) * pixelsPerUnit >= MinLabelCellPixels;
}

void GraphRenderer::RenderConnection(const Vector2D& from, const Vector2D& to, const char* text,
                                     const Color& color, float depth) const
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    pRenderer->DrawSegment(from, to, color, depth);
    pRenderer->DrawString(to + (from - to) * 0.5f, "%s", text);
}
} // namespace Vemox
