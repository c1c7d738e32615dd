// Generation of a city from its layout: cells, connections, lights and the planning raise follow the
// rules stated in City.h, so the default layout gives the documented city cell for cell.
#include "City.h"

#include "framework/VemoxCore/VemoxAssert.h"

using namespace Vemox;
using namespace RoadNetwork;

namespace
{
// Offsets inside a block's 5 by 5 cells: the block itself starts one cell in, its roads follow it.
constexpr int BlockOffset = 1;
constexpr int BlockSize = 3;
constexpr int FirstLaneOffset = 4;  // the down lane of a vertical road, the right lane of a horizontal one
constexpr int SecondLaneOffset = 5; // the up lane, the left lane
} // namespace

City::City(const CityLayout& layout) : m_Layout(layout)
{
    VEMOX_ASSERT(layout.IsValid() && "<City::City>: the city must have 1 to 100 blocks either way");
    const int columns = GetNrOfColumns();
    const int rows = GetNrOfRows();
    const int cellsPerBlock = CityLayout::CellsPerBlock;

    m_BlockCells.reserve(static_cast<size_t>(9 * layout.blocksX * layout.blocksY));
    for (int i = 0; i < layout.blocksX; ++i)
        for (int j = 0; j < layout.blocksY; ++j)
        {
            const int firstColumn = cellsPerBlock * i + BlockOffset;
            const int firstRow = cellsPerBlock * j + BlockOffset;
            for (int row = firstRow; row < firstRow + BlockSize; ++row)
                for (int column = firstColumn; column < firstColumn + BlockSize; ++column)
                    m_BlockCells.push_back(GetNodeIndex(column, row));
        }

    // The ring, clockwise with y up.
    AddRoad(0, 0, 0, 1, rows - 1, RingCost);
    AddRoad(columns - 1, rows - 1, 0, -1, rows - 1, RingCost);
    AddRoad(0, rows - 1, 1, 0, columns - 1, RingCost);
    AddRoad(columns - 1, 0, -1, 0, columns - 1, RingCost);
    // Two-lane roads from ring to ring, keeping to the right.
    for (int j = 0; j + 1 < layout.blocksY; ++j)
    {
        AddRoad(0, cellsPerBlock * j + FirstLaneOffset, 1, 0, columns - 1, InnerRoadCost);
        AddRoad(columns - 1, cellsPerBlock * j + SecondLaneOffset, -1, 0, columns - 1, InnerRoadCost);
    }
    for (int i = 0; i + 1 < layout.blocksX; ++i)
    {
        AddRoad(cellsPerBlock * i + FirstLaneOffset, rows - 1, 0, -1, rows - 1, InnerRoadCost);
        AddRoad(cellsPerBlock * i + SecondLaneOffset, 0, 0, 1, rows - 1, InnerRoadCost);
    }

    // Junctions: (left, bottom) is the cell where the right lane meets the down lane.
    struct Junction
    {
        int left;
        int bottom;
    };
    std::vector<Junction> junctions;
    for (int j = 0; j + 1 < layout.blocksY; ++j)
        for (int i = 0; i + 1 < layout.blocksX; ++i)
            junctions.push_back({cellsPerBlock * i + FirstLaneOffset, cellsPerBlock * j + FirstLaneOffset});

    for (const Junction& junction : junctions)
        for (int row = junction.bottom; row <= junction.bottom + 1; ++row)
            for (int column = junction.left; column <= junction.left + 1; ++column)
                m_IntersectionCells.push_back(GetNodeIndex(column, row));

    const auto node = [this](int column, int row) { return GetNodeIndex(column, row); };
    for (const Junction& junction : junctions)
    {
        const int x = junction.left;
        const int y = junction.bottom;
        m_TrafficLights.push_back({node(x - 1, y), node(x, y), true});             // right lane
        m_TrafficLights.push_back({node(x + 2, y + 1), node(x + 1, y + 1), true}); // left lane
    }
    for (const Junction& junction : junctions)
    {
        const int x = junction.left;
        const int y = junction.bottom;
        m_TrafficLights.push_back({node(x, y + 2), node(x, y + 1), false});     // down lane
        m_TrafficLights.push_back({node(x + 1, y - 1), node(x + 1, y), false}); // up lane
    }

    for (int j = 0; j + 1 < layout.blocksY; ++j)
    {
        const int rightLane = cellsPerBlock * j + FirstLaneOffset;
        const int leftLane = cellsPerBlock * j + SecondLaneOffset;
        m_PlanningRaise.push_back({node(0, rightLane), node(0, leftLane), RingCost});
        m_PlanningRaise.push_back({node(columns - 1, leftLane), node(columns - 1, rightLane), RingCost});
    }
    for (const Junction& junction : junctions)
    {
        const int x = junction.left;
        const int y = junction.bottom;
        // The junction's inner loop, counter-clockwise from its top-left cell.
        m_PlanningRaise.push_back({node(x, y + 1), node(x, y), InnerRoadCost});
        m_PlanningRaise.push_back({node(x, y), node(x + 1, y), InnerRoadCost});
        m_PlanningRaise.push_back({node(x + 1, y), node(x + 1, y + 1), InnerRoadCost});
        m_PlanningRaise.push_back({node(x + 1, y + 1), node(x, y + 1), InnerRoadCost});
    }
}

void City::AddRoad(int firstColumn, int firstRow, int columnStep, int rowStep, int nrOfConnections,
                   float cost)
{
    int column = firstColumn;
    int row = firstRow;
    for (int k = 0; k < nrOfConnections; ++k)
    {
        const int from = GetNodeIndex(column, row);
        column += columnStep;
        row += rowStep;
        m_RoadConnections.push_back({from, GetNodeIndex(column, row), cost});
    }
}

bool City::IsBlockCell(int node) const
{
    const int column = node % GetNrOfColumns();
    const int row = node / GetNrOfColumns();
    const int inBlockColumn = column % CityLayout::CellsPerBlock;
    const int inBlockRow = row % CityLayout::CellsPerBlock;
    return inBlockColumn >= BlockOffset && inBlockColumn < BlockOffset + BlockSize &&
           inBlockRow >= BlockOffset && inBlockRow < BlockOffset + BlockSize;
}

bool City::IsJunctionCell(int columns, int rows, int cell)
{
    if (cell < 0 || cell >= columns * rows)
        return false;
    // The lanes of the inner roads, inside the ring that takes the first and the last column and row.
    const auto isInnerLane = [](int index, int count)
    {
        const int offset = index % CityLayout::CellsPerBlock;
        return index > 0 && index < count - 1 &&
               (offset == FirstLaneOffset || offset == SecondLaneOffset % CityLayout::CellsPerBlock);
    };
    return isInnerLane(cell % columns, columns) && isInnerLane(cell / columns, rows);
}

TrafficGraph* City::CreateGraph(int cellSize) const
{
    auto* pGraph = new TrafficGraph(GetNrOfColumns(), GetNrOfRows(), cellSize, true, false, 1.f, 1.5f);
    for (int node : m_BlockCells)
        pGraph->GetNode(node)->SetTerrainType(TerrainType::Block);
    for (const RoadConnection& connection : m_RoadConnections)
        pGraph->AddConnection(new GraphConnection2D(connection.from, connection.to, connection.cost));
    for (int node : m_IntersectionCells)
        pGraph->GetNode(node)->SetTerrainType(TerrainType::Intersection);
    return pGraph;
}
