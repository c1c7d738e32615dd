// Graph drawing: cells at depth 0.1 under connection segments at depth 0.0, labels as overlay text.
#include "framework/VemoxAI/VemoxGraphs/GraphRenderer.h"

#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

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

    if (renderGrid)
    {
        const int columns = pGraph->GetNrOfColumns();
        const int rows = pGraph->GetNrOfRows();
        const float halfCell = static_cast<float>(pGraph->GetCellSize()) * 0.5f;
        for (int row = 0; row < rows; ++row)
        {
            for (int column = 0; column < columns; ++column)
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
                // Passed as an argument, never as the format: a label must not be read as directives.
                pRenderer->DrawString(Vector2D(c.x - 0.5f, c.y + 1.f), "%s", label);
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
                label[0] = '\0';
                if (renderConnectionsCosts)
                {
                    FormatCost(label, pConnection->GetCost(), m_FloatPrecision);
                }
                RenderConnection(pGraph->GetNodeWorldPos(pConnection->GetFrom()),
                                 pGraph->GetNodeWorldPos(pConnection->GetTo()), label, ConnectionColor,
                                 ConnectionDepth);
            }
        }
    }
}

void GraphRenderer::RenderConnection(const Vector2D& from, const Vector2D& to, const char* text,
                                     const Color& color, float depth) const
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    pRenderer->DrawSegment(from, to, color, depth);
    pRenderer->DrawString(to + (from - to) * 0.5f, "%s", text);
}
} // namespace Vemox
