// The windowless driver: the framework's shared frame without the event pump, the GL clear, the
// uploads and the buffer swap.
#include "HeadlessSimulation.h"

#include "app/App_TrafficSimulation.h"
#include "framework/AppFrame/AppFrame.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLWindow.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <imgui.h>

using namespace Vemox;

HeadlessSimulation::HeadlessSimulation(const Options& options) : m_Options(options)
{
    VEMOX_ASSERT(ImGui::GetCurrentContext() == nullptr &&
                 "<HeadlessSimulation>: a UI context already exists");
    // The viewport the window would have, so that the panel and the view match the program's.
    const WindowParams window;
    VImmediateUI::CreateHeadlessContext(static_cast<float>(window.width), static_cast<float>(window.height));

    m_pCamera =
        std::make_unique<Camera2D>(Vector2D{0.f, 0.f}, Camera2D::DefaultZoom,
                                   static_cast<uint32_t>(window.width), static_cast<uint32_t>(window.height));
    SDLDebugRenderer2D::GetInstance()->SetActiveCamera(m_pCamera.get());

    m_pFrame = std::make_unique<AppFrame>(
        m_pCamera.get(),
        [&options, this]
        {
            m_pApp = new App_TrafficSimulation(
                TrafficScenario{options.nrOfCars, options.lightPhase, options.driver, options.city});
            m_pApp->SetDebugPanelEnabled(options.buildDebugPanel);
            return m_pApp;
        });
    m_pFrame->SetDrawingEnabled(options.drawEachFrame);
}

HeadlessSimulation::~HeadlessSimulation()
{
    m_pFrame.reset();
    m_pApp = nullptr;
    AppFrame::DestroySingletons();
    m_pCamera.reset();
    ImGui::DestroyContext();
}

void HeadlessSimulation::Frame(float deltaTime, int nrOfSteps, float stepTime)
{
    // The UI frame is needed only by the panel and by the text labels of the drawing.
    const bool usesUi = m_Options.buildDebugPanel || m_Options.drawEachFrame;
    if (usesUi)
    {
        ImGui::GetIO().DeltaTime = deltaTime > 0.f ? deltaTime : FloatEpsilon; // the UI needs a positive time
        ImGui::NewFrame();
        SDLDebugRenderer2D::SetUiFrameOpen(true);
    }

    m_pFrame->Run(deltaTime, nrOfSteps, stepTime);

    if (usesUi)
    {
        SDLDebugRenderer2D::SetUiFrameOpen(false);
        ImGui::EndFrame();
    }
    SDLDebugRenderer2D::GetInstance()->DiscardFrame();
    ++m_FrameCount;
}
