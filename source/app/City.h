// The city generator: a town of blocksX by blocksY blocks of 3 by 3 cells, with a one-way ring round
// it, two-lane roads between the blocks, lit junctions where two of them cross and walls around it all.
#pragma once

#include "RoadNetwork.h"
#include "TrafficTypes.h"

#include <vector>

/// The size of a city in blocks. Each block takes 5 by 5 cells: its 3 by 3 cells and, on two sides, one
/// lane of the road beside it; the ring closes the last side. The default is the documented city.
struct CityLayout
{
    static constexpr int MinBlocks = 1;
    static constexpr int MaxBlocks = 100; ///< either way: at most 500 by 500 cells
    static constexpr int CellsPerBlock = 5;

    int blocksX = RoadNetwork::NrOfColumns / CellsPerBlock; ///< blocks across (4)
    int blocksY = RoadNetwork::NrOfRows / CellsPerBlock;    ///< blocks up (2)

    bool IsValid() const
    {
        return blocksX >= MinBlocks && blocksX <= MaxBlocks && blocksY >= MinBlocks && blocksY <= MaxBlocks;
    }
    int GetNrOfColumns() const { return CellsPerBlock * blocksX; }
    int GetNrOfRows() const { return CellsPerBlock * blocksY; }
    int GetNrOfNodes() const { return GetNrOfColumns() * GetNrOfRows(); }
    /// Every cell that is not inside a block.
    int GetNrOfRoadCells() const { return GetNrOfNodes() - 9 * blocksX * blocksY; }

    bool operator==(const CityLayout& other) const
    {
        return blocksX == other.blocksX && blocksY == other.blocksY;
    }
    bool operator!=(const CityLayout& other) const { return !(*this == other); }
};

/// One road connection as the generator creates it: from a cell to its neighbour in driving order.
struct RoadConnection
{
    int from;
    int to;
    float cost;

    bool operator==(const RoadConnection& other) const
    {
        return from == other.from && to == other.to && cost == other.cost;
    }
};

/// Everything a city is made of, generated once from its layout: terrain, connections in creation order,
/// the traffic lights in update order and the connections raised while a path is planned.
///
/// The rules, for B = blocksX by blocksY blocks on a grid of 5 B by 5 B cells (y up, row 0 at the bottom):
/// - block (i, j) covers columns 5i+1..5i+3 and rows 5j+1..5j+3;
/// - the ring runs clockwise along the outer columns and rows (cost 30);
/// - between blocks i and i+1 a two-lane road runs up the whole grid, down in column 5i+4 and up in
///   column 5i+5; between block rows j and j+1 one runs across it, to the right in row 5j+4 and to the left
///   in row 5j+5 (traffic keeps to the right; cost 50). Where they meet the ring they form T-junctions;
/// - where two of them cross lie 2 by 2 junctions (Intersection cells), each with a light on each of its
///   four approaches: the horizontal ones start red, the vertical ones green;
/// - a plan raises (to 250) the four connections inside every junction and, at both ends of every
///   horizontal road, the ring connection that passes between its two lanes.
class City
{
public:
    /// layout must be valid (CityLayout::IsValid).
    explicit City(const CityLayout& layout = CityLayout{});

    const CityLayout& GetLayout() const { return m_Layout; }
    int GetNrOfColumns() const { return m_Layout.GetNrOfColumns(); }
    int GetNrOfRows() const { return m_Layout.GetNrOfRows(); }
    int GetNrOfNodes() const { return m_Layout.GetNrOfNodes(); }
    int GetNrOfRoadCells() const { return m_Layout.GetNrOfRoadCells(); }
    /// World units (RoadNetwork::CellSize per cell).
    float GetWorldWidth() const { return static_cast<float>(GetNrOfColumns() * RoadNetwork::CellSize); }
    float GetWorldHeight() const { return static_cast<float>(GetNrOfRows() * RoadNetwork::CellSize); }

    int GetNodeIndex(int column, int row) const { return row * GetNrOfColumns() + column; }
    bool IsBlockCell(int node) const;
    /// Whether cell lies in a junction of a city of columns by rows cells, where a vertical and a
    /// horizontal two-lane road cross: the cells that the city gives Intersection terrain, worked out
    /// from the index alone (a cell outside the city lies in none).
    static bool IsJunctionCell(int columns, int rows, int cell);

    /// Block cells, block by block (column groups in turn, each its row groups from the bottom).
    const std::vector<int>& GetBlockCells() const { return m_BlockCells; }
    /// Junction cells, junction by junction (row by row from the bottom, left to right).
    const std::vector<int>& GetIntersectionCells() const { return m_IntersectionCells; }
    /// In creation order: the ring (up column 0, down the last column, right along the top row, left
    /// along row 0), the horizontal roads from the bottom (right lane, then left lane), then the vertical
    /// roads from the left (down lane, then up lane), each road in driving order.
    const std::vector<RoadConnection>& GetRoadConnections() const { return m_RoadConnections; }
    /// In update and drawing order: the two horizontal approaches of every junction, then the two
    /// vertical ones of every junction, junctions in the order of GetIntersectionCells.
    const std::vector<RoadNetwork::LightPlacement>& GetTrafficLights() const { return m_TrafficLights; }
    /// The ring connections between the lanes of every horizontal road (left end, right end), then the
    /// inner loop of every junction.
    const std::vector<RoadNetwork::RaisedConnection>& GetPlanningRaise() const { return m_PlanningRaise; }
    /// The cell the car spawn starts from: the middle of the first block, so every car draws at least once.
    int GetFirstStartCandidate() const { return GetNodeIndex(2, 2); }

    /// A new directed grid graph of this city (owned by the caller): Block terrain, the road connections
    /// in creation order, then Intersection terrain. cellSize in world units.
    TrafficGraph* CreateGraph(int cellSize = RoadNetwork::CellSize) const;

private:
    void AddRoad(int firstColumn, int firstRow, int columnStep, int rowStep, int nrOfConnections, float cost);

    CityLayout m_Layout;
    std::vector<int> m_BlockCells;
    std::vector<int> m_IntersectionCells;
    std::vector<RoadConnection> m_RoadConnections;
    std::vector<RoadNetwork::LightPlacement> m_TrafficLights;
    std::vector<RoadNetwork::RaisedConnection> m_PlanningRaise;
};
