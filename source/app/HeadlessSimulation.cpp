// The windowless frame: the windowed program's frame order without the event pump, the GL clear,
// the uploads and the buffer swap.
#include "HeadlessSimulation.h"

#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <imgui.h>

using namespace Vemox;

namespace
{
constexpr unsigned int ViewportWidth = 901;
constexpr unsigned int ViewportHeight = 451;
} // namespace

HeadlessSimulation::HeadlessSimulation(const Options& options) : m_Options(options)
{
    VEMOX_ASSERT(ImGui::GetCurrentContext() == nullptr &&
                 "<HeadlessSimulation>: a UI context already exists");
    VImmediateUI::CreateHeadlessContext(static_cast<float>(ViewportWidth),
                                        static_cast<float>(ViewportHeight));

    m_pCamera = new Camera2D(Vector2D{0.f, 0.f}, 20.f, ViewportWidth, ViewportHeight);
    SDLDebugRenderer2D::GetInstance()->SetActiveCamera(m_pCamera);
    PhysicsWorld::GetInstance();

    m_pApp = new App_TrafficSimulation(options.nrOfCars);
    m_pApp->SetDebugPanelEnabled(options.buildDebugPanel);
    m_pApp->Start();
}

HeadlessSimulation::~HeadlessSimulation()
{
    delete m_pApp;
    m_pApp = nullptr;
    PhysicsWorld::DestroyInstance();
    SDLDebugRenderer2D::DestroyInstance();
    InputManager::DestroyInstance();
    delete m_pCamera;
    m_pCamera = nullptr;
    ImGui::DestroyContext();
}

void HeadlessSimulation::Step(float deltaTime)
{
    // The UI frame is needed only by the panel and by the text labels of the drawing.
    const bool usesUi = m_Options.buildDebugPanel || m_Options.drawEachFrame;
    if (usesUi)
    {
        ImGui::GetIO().DeltaTime = deltaTime > 0.f ? deltaTime : FloatEpsilon; // the UI needs a positive time
        ImGui::NewFrame();
        SDLDebugRenderer2D::SetUiFrameOpen(true);
    }

    PhysicsWorld::GetInstance()->Simulate(deltaTime);
    m_pCamera->Update();
    m_pApp->Update(deltaTime);
    if (m_Options.drawEachFrame)
    {
        PhysicsWorld::GetInstance()->RenderDebug();
        m_pApp->Render(deltaTime);
    }

    if (usesUi)
    {
        SDLDebugRenderer2D::SetUiFrameOpen(false);
        ImGui::EndFrame();
    }
    SDLDebugRenderer2D::GetInstance()->DiscardFrame();
    ++m_FrameCount;
}
