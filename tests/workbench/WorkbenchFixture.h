// A window-less stand-in for the window program around the workbench: a UI context that never
// renders, the program's camera and the shared frame, stepped by the time controls.
#pragma once

#include "app/Car.h"
#include "framework/AppFrame/AppFrame.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxUI/VImmediateUI.h"
#include "workbench/TrafficWorkbench.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <cstdlib>
#include <memory>
#include <string>

class WorkbenchTest : public ::testing::Test
{
protected:
    static constexpr float Frame = 1.f / 60.f;
    static constexpr unsigned int Seed = 9;

    WorkbenchTest()
    {
        Vemox::VImmediateUI::CreateHeadlessContext(901.f, 451.f);
        Vemox::SDLDebugRenderer2D::GetInstance()->SetActiveCamera(&m_Camera);
    }
    ~WorkbenchTest() override
    {
        m_pFrame.reset();
        Vemox::AppFrame::DestroySingletons();
        ImGui::DestroyContext();
    }

    /// Seeds the generator as the program does, then builds the workbench in the frame.
    void Start(const TrafficScenario& scenario = TrafficScenario{})
    {
        std::srand(Seed);
        m_pFrame = std::make_unique<Vemox::AppFrame>(&m_Camera,
                                                     [this, scenario]
                                                     {
                                                         m_pWorkbench = new TrafficWorkbench(m_TimeControl,
                                                                                             Seed, scenario);
                                                         return m_pWorkbench;
                                                     });
    }

    /// Drawn frames of frameTime seconds, each stepped as the time controls say.
    void RunFrames(int frames, float frameTime = Frame)
    {
        for (int i = 0; i < frames; ++i)
        {
            ImGui::GetIO().DeltaTime = frameTime;
            ImGui::NewFrame();
            const Vemox::TimeControl::FramePlan plan = m_TimeControl.PlanFrame(frameTime);
            m_pFrame->Run(frameTime, plan.nrOfSteps, plan.stepTime);
            ImGui::Render();
            Vemox::SDLDebugRenderer2D::GetInstance()->DiscardFrame();
        }
    }

    /// The pixel (origin top left) at which the camera shows car carIndex.
    void PixelOfCar(int carIndex, int& x, int& y) const
    {
        const Vemox::Vector2D screen = m_Camera.WorldToScreen(
            m_pWorkbench->GetApp().GetCars()[static_cast<size_t>(carIndex)]->GetPosition());
        x = static_cast<int>(screen.x);
        y = static_cast<int>(screen.y);
    }

    /// Whether the UI has met a window of that name (the settings it would write to imgui.ini).
    static bool HasWindow(const std::string& name)
    {
        const std::string settings = ImGui::SaveIniSettingsToMemory();
        return settings.find("[Window][" + name + "]") != std::string::npos;
    }

    Vemox::Camera2D m_Camera{Vemox::Vector2D{0.f, 0.f}, Vemox::Camera2D::DefaultZoom, 901, 451};
    Vemox::TimeControl m_TimeControl;
    std::unique_ptr<Vemox::AppFrame> m_pFrame;
    TrafficWorkbench* m_pWorkbench = nullptr; ///< owned by m_pFrame
};
