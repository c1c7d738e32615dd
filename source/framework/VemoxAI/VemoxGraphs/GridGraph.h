// The grid graph: the nodes of an IGraph laid out row by row on square cells in world space, and the
// terrain-carrying node type of the road grid. The grid creates its nodes but never any connection.
#pragma once

#include "framework/VemoxAI/VemoxGraphs/VIGraph.h"

#include <cstdint>
#include <vector>

namespace Vemox
{
/// Terrain code of a grid cell; only drawing and destination choice read it.
enum class TerrainType : std::int32_t
{
    Default = 1,
    Intersection = 2,
    Brown = 3,
    Cyan = 200001,
    Block = 200002
};

class GridTerrainNode : public GraphNode
{
public:
    explicit GridTerrainNode(int index, TerrainType terrain = TerrainType::Default)
        : GraphNode(index), m_Terrain(terrain)
    {
    }

    TerrainType GetTerrainType() const { return m_Terrain; }
    void SetTerrainType(TerrainType terrain) { m_Terrain = terrain; }

    TerrainType m_Terrain;
};

/// Node index = row * columns + column; row 0 covers world y in [0, cellSize), column 0 world x in
/// [0, cellSize). TNode must be constructible from its index.
template <class TNode, class TConnection> class GridGraph : public IGraph<TNode, TConnection>
{
    using Base = IGraph<TNode, TConnection>;

public:
    /// Creates columns * rows nodes with indices 0, 1, 2, ... and no connection. cellSize in world units.
    /// The diagonal flag and the two default costs are stored configuration only.
    GridGraph(int columns, int rows, int cellSize, bool isDirectedGraph, bool isConnectedDiagonally = false,
              float costStraight = 1.f, float costDiagonal = 1.5f)
        : Base(isDirectedGraph), m_NrOfColumns(columns), m_NrOfRows(rows), m_CellSize(cellSize),
          m_IsConnectedDiagonally(isConnectedDiagonally), m_DefaultCostStraight(costStraight),
          m_DefaultCostDiagonal(costDiagonal), m_StraightDirections{{1.f, 0.f},
                                                                    {0.f, 1.f},
                                                                    {-1.f, 0.f},
                                                                    {0.f, -1.f}},
          m_DiagonalDirections{{1.f, 1.f}, {-1.f, 1.f}, {-1.f, -1.f}, {1.f, -1.f}}
    {
        VEMOX_ASSERT((columns > 0) && (rows > 0) && (cellSize > 0) &&
                     "<GridGraph::GridGraph>: invalid grid size");
        for (int row = 0; row < rows; ++row)
        {
            for (int column = 0; column < columns; ++column)
            {
                Base::AddNode(new TNode(row * columns + column));
            }
        }
    }

    /// (column, row) of the node.
    Vector2D GetNodePos(TNode* pNode) const override
    {
        const int idx = pNode->GetIndex();
        return {static_cast<float>(idx % m_NrOfColumns), static_cast<float>(idx / m_NrOfColumns)};
    }

    /// World position of the centre of node idx's cell.
    Vector2D GetNodeWorldPos(int idx) const override
    {
        const Vector2D pos = GetNodePos(Base::GetNode(idx));
        const float cellSize = static_cast<float>(m_CellSize);
        return {static_cast<float>(static_cast<int>(pos.x)) * cellSize + cellSize * 0.5f,
                static_cast<float>(static_cast<int>(pos.y)) * cellSize + cellSize * 0.5f};
    }

    /// Index of the cell containing pos, or -1. A cell's lower and left edges belong to it; the grid's
    /// right and top edges, negative coordinates and non-finite positions are outside.
    int GetNodeIdxAtWorldPos(const Vector2D& pos) const override
    {
        if (pos.x < 0.f || pos.y < 0.f)
        {
            return -1;
        }
        const float cellSize = static_cast<float>(m_CellSize);
        const float column = pos.x / cellSize;
        const float row = pos.y / cellSize;
        // Range-checked before truncating: converting NaN or a huge float to int is undefined. For
        // non-negative q, int(q) < n exactly when q < n.
        if (!(column >= 0.f && column < static_cast<float>(m_NrOfColumns)) ||
            !(row >= 0.f && row < static_cast<float>(m_NrOfRows)))
        {
            return -1;
        }
        return static_cast<int>(row) * m_NrOfColumns + static_cast<int>(column);
    }

    int GetNrOfColumns() const { return m_NrOfColumns; }
    int GetNrOfRows() const { return m_NrOfRows; }
    /// Edge length of a cell in world units.
    int GetCellSize() const { return m_CellSize; }
    bool IsConnectedDiagonally() const { return m_IsConnectedDiagonally; }
    float GetDefaultCostStraight() const { return m_DefaultCostStraight; }
    float GetDefaultCostDiagonal() const { return m_DefaultCostDiagonal; }

protected:
    int m_NrOfColumns;
    int m_NrOfRows;
    int m_CellSize;
    bool m_IsConnectedDiagonally;
    float m_DefaultCostStraight;
    float m_DefaultCostDiagonal;
    // Never read by the grid itself; kept because the framework's grid graph carries them for derived grids.
    std::vector<Vector2D> m_StraightDirections;
    std::vector<Vector2D> m_DiagonalDirections;
};
} // namespace Vemox
