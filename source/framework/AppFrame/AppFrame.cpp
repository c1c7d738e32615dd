// The shared frame of every driver: the physics world and the application's steps, the camera, the
// application's UI work and its drawing, in the framework's fixed order.
#include "AppFrame.h"

#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"

namespace Vemox
{
AppFrame::AppFrame(Camera2D* pCamera, const std::function<IApp*()>& createApp) : m_pCamera(pCamera)
{
    VEMOX_ASSERT(pCamera != nullptr);
    PhysicsWorld::GetInstance();
    m_pApp.reset(createApp());
    VEMOX_ASSERT(m_pApp != nullptr);
    m_pApp->Start();
}

AppFrame::~AppFrame() = default;

void AppFrame::Run(float deltaTime, int nrOfSteps, float stepTime)
{
    PhysicsWorld* pPhysics = PhysicsWorld::GetInstance();

    // The first step's physics comes before the camera and the UI work, the rest of it after them:
    // that is the documented frame when there is one step. The camera and the UI read no simulation
    // state, so further steps simply follow.
    if (nrOfSteps > 0)
        pPhysics->Simulate(stepTime);
    m_pCamera->Update();
    m_pApp->UpdateUI(deltaTime);
    for (int step = 0; step < nrOfSteps; ++step)
    {
        if (step > 0)
            pPhysics->Simulate(stepTime);
        m_pApp->Update(stepTime);
    }

    if (m_IsDrawingEnabled)
    {
        pPhysics->RenderDebug();
        m_pApp->Render(deltaTime);
    }
}

void AppFrame::DestroySingletons()
{
    PhysicsWorld::DestroyInstance();
    SDLDebugRenderer2D::DestroyInstance();
    InputManager::DestroyInstance();
}
} // namespace Vemox
