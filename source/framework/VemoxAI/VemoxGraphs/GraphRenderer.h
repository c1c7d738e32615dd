// Draws the road grid through the debug renderer: one filled square per cell in its terrain colour,
// optionally node numbers, connections and connection costs. Holds no graph between calls.
#pragma once

#include "framework/VemoxAI/VemoxGraphs/GridGraph.h"
#include "framework/VemoxCore/VemoxMath.h"

namespace Vemox
{
/// Cell fill colour of a terrain code; codes outside the table are filled like Default.
Color GetTerrainColor(TerrainType terrain);

class GraphRenderer
{
public:
    /// floatPrecision: decimal places of the number labels.
    explicit GraphRenderer(int floatPrecision = 1) : m_FloatPrecision(floatPrecision) {}

    /// A cell must span this many screen pixels for its labels: below it they would overlap each other,
    /// and a city seen whole would hold more label vertices than one UI draw list indexes.
    static constexpr float MinLabelCellPixels = 30.f;

    /// Queues this frame's graph drawing in the debug renderer. Node numbers are drawn only inside the
    /// grid pass, and costs only with the connections. Only cells and connections that the view (with
    /// the debug renderer's margin) overlaps are drawn; labels, empty ones included, only while a cell
    /// spans at least MinLabelCellPixels. pGraph is borrowed for the call.
    void RenderGraph(const GridGraph<GridTerrainNode, GraphConnection>* pGraph, bool renderGrid,
                     bool renderNodeNumbers, bool renderConnections, bool renderConnectionsCosts) const;

    /// One segment from -> to (world units) and the text at its midpoint; depth in -1..1.
    void RenderConnection(const Vector2D& from, const Vector2D& to, const char* text, const Color& color,
                          float depth) const;

    int GetFloatPrecision() const { return m_FloatPrecision; }

    /// Whether labels are drawn at the active camera's zoom.
    static bool AreLabelsLegible(const GridGraph<GridTerrainNode, GraphConnection>& graph);

private:
    int m_FloatPrecision;
};
} // namespace Vemox
