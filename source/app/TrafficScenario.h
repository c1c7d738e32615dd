// What a run of the traffic simulation is made of, beyond the random seed: the number of cars, the
// traffic lights' phase, the driver model and the city. The defaults are the documented world.
#pragma once

#include "City.h"
#include "RoadNetwork.h"

/// The behaviour tree that every car of a run drives with.
enum class DriverModel
{
    Classic, ///< the documented tree
    Safe,    ///< a tree for dense traffic that cannot lock for ever and keeps its distance
};

struct TrafficScenario
{
    /// RoadNetwork::MinNrOfCars..the city's road cells (0: no cars)
    int nrOfCars = RoadNetwork::DefaultNrOfCars;
    float lightPhase = RoadNetwork::LightPhase; ///< seconds a light stays red or green, above 0
    DriverModel driver = DriverModel::Classic;
    CityLayout city{};
};
