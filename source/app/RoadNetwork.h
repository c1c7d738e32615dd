// The facts of the traffic world in one place: the documented city's size, the road costs, the light
// phase, the records of lights and raised connections (City generates them), car limits, blackboard keys.
#pragma once

#include "TrafficTypes.h"

class Car;

namespace RoadNetwork
{
/// The documented city (the default CityLayout): 20 columns by 10 rows of square cells, 15 world units
/// each; y up, row 0 at the bottom. Every city uses the same cell size.
constexpr int NrOfColumns = 20;
constexpr int NrOfRows = 10;
constexpr int NrOfNodes = NrOfColumns * NrOfRows;
constexpr int CellSize = 15;                                             ///< world units
constexpr float WorldWidth = static_cast<float>(NrOfColumns * CellSize); ///< 300 world units
constexpr float WorldHeight = static_cast<float>(NrOfRows * CellSize);   ///< 150 world units
/// Road cells (everything but the eight 3 by 3 blocks); cars start on distinct road cells.
constexpr int NrOfRoadCells = NrOfNodes - 8 * 9;

/// Connection costs; a car drives at a quarter of the cost of the connection it is on.
constexpr float RingCost = 30.f;      ///< the one-way outer ring
constexpr float InnerRoadCost = 50.f; ///< the middle road, the cross roads and the junctions
constexpr float RaisedCost = 250.f;   ///< a raised connection while a path is planned
constexpr float GreenCost = InnerRoadCost;
constexpr float RedCost = 0.f; ///< a closed junction approach: cars stop in front of it
/// A car's speed limit (world units per second) per unit of connection cost.
constexpr float SpeedPerCost = 0.25f;

/// Seconds a traffic light stays red or green.
constexpr float LightPhase = 8.f;

/// A light guarding the connection fromNode -> toNode into a junction, and how it starts.
struct LightPlacement
{
    int fromNode;
    int toNode;
    bool startsRed; ///< red lights start with a full phase timer, green ones with an empty one
};
/// A connection made expensive for the length of one search, and the cost it gets back afterwards.
struct RaisedConnection
{
    int fromNode;
    int toNode;
    float restoreCost;
};
/// Car counts: the program spawns 20; every car needs a road cell of its own to start on, so a city takes
/// at most its road cells (MaxNrOfCars is the documented city's).
constexpr int DefaultNrOfCars = 20;
constexpr int MinNrOfCars = 1;
constexpr int MaxNrOfCars = NrOfRoadCells;

/// The names of the entries of every car's blackboard.
namespace Keys
{
constexpr const char* Car = "Car";               ///< Car*: the car itself
constexpr const char* GridGraph = "GridGraph";   ///< TrafficGraph*: the road network
constexpr const char* Heuristic = "Heuristic";   ///< Vemox::Heuristic: the path planner's estimate
constexpr const char* CarsVector = "CarsVector"; ///< std::vector<Car*>*: every car of the simulation
/// const CarGrid*: the cars sorted by cell, current during the application's step (optional: the vision
/// leaf looks at every car without it)
constexpr const char* CarGrid = "CarGrid";
/// RoutePlanner*: the path planner that all cars share (the city's planning raise, one reused search)
constexpr const char* RoutePlanner = "RoutePlanner";
/// Only in the blackboards of the safe driver (the documented blackboard has the four entries above).
constexpr const char* SafeTraffic = "SafeTraffic"; ///< SafeDriving::SafeTraffic*: what the safe cars share
constexpr const char* CarIndex = "CarIndex";       ///< int: the car's index among every car
} // namespace Keys

/// The connection from the car's cell to the cell of its next path point: the road it drives on. Null
/// when the path is empty, either cell lies off the grid, or the two cells are not connected.
const Vemox::GraphConnection* GetConnectionAhead(const TrafficGraph& graph, const Car& car);
} // namespace RoadNetwork
