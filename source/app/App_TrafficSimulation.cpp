// The traffic simulation application: nothing to build, update or draw yet.
#include "App_TrafficSimulation.h"

void App_TrafficSimulation::Start() {}

void App_TrafficSimulation::Update(float /*deltaTime*/) {}

void App_TrafficSimulation::Render(float /*deltaTime*/) {}
