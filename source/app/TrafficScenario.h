// What a run of the traffic simulation is made of, beyond the random seed: the number of cars, the
// traffic lights' phase and the driver model. The defaults are the documented world.
#pragma once

#include "RoadNetwork.h"

/// The behaviour tree that every car of a run drives with.
enum class DriverModel
{
    Classic, ///< the documented tree
    Safe,    ///< a tree for dense traffic that cannot lock for ever and keeps its distance
};

struct TrafficScenario
{
    int nrOfCars = RoadNetwork::DefaultNrOfCars; ///< RoadNetwork::MinNrOfCars..MaxNrOfCars (0: no cars)
    float lightPhase = RoadNetwork::LightPhase;  ///< seconds a light stays red or green, above 0
    DriverModel driver = DriverModel::Classic;
};
