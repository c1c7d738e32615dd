// The traffic simulation application, run by the Vemox program.
#pragma once

#include "framework/VemoxCore/IApp.h"

class App_TrafficSimulation final : public Vemox::IApp
{
public:
    App_TrafficSimulation() = default;
    ~App_TrafficSimulation() override = default;

    void Start() override;
    void Update(float deltaTime) override;
    void Render(float deltaTime) override;
};
