// Types the traffic application shares between its parts.
#pragma once

#include "framework/VemoxAI/VemoxGraphs/GridGraph.h"

class Car;

using TrafficGraph = Vemox::GridGraph<Vemox::GridTerrainNode, Vemox::GraphConnection>;
