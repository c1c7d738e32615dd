// One frame of debug geometry at the traffic application's scale (200 filled cells with outlines,
// 150 segments, 40 solid circles, 20 triangles, 20 path points, optionally 60 labels): building it, and
// building and drawing it. Reports heap allocations and draw calls per frame after the first.
#include "AllocationCounter.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLFrame.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <imgui.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{
using namespace Vemox;

int g_DrawCalls = 0;
PFNGLDRAWARRAYSPROC g_pDrawArrays = nullptr;

const Color CellColor(0.4f, 0.4f, 0.45f, 1.f);
const Color RoadColor(0.9f, 0.9f, 0.2f, 1.f);
const Color CarColor(0.2f, 0.5f, 0.9f, 1.f);
const Color Black(0.f, 0.f, 0.f, 1.f);

void BuildFrame(SDLDebugRenderer2D& renderer, bool withLabels)
{
    for (int i = 0; i < 200; ++i)
    {
        const float x = 15.f * static_cast<float>(i % 20);
        const float y = 15.f * static_cast<float>(i / 20);
        const Vector2D cell[4] = {{x, y}, {x + 15.f, y}, {x + 15.f, y + 15.f}, {x, y + 15.f}};
        renderer.DrawSolidPolygon(cell, 4, CellColor, 0.1f);
        if (withLabels && i % 4 == 0)
            renderer.DrawString(Vector2D(x + 2.f, y + 8.f), "%d", i);
    }
    for (int i = 0; i < 150; ++i)
    {
        const float x = 2.f * static_cast<float>(i);
        renderer.DrawSegment(Vector2D(x, 7.5f), Vector2D(x + 15.f, 22.5f), RoadColor, 0.05f);
    }
    for (int i = 0; i < 40; ++i)
    {
        const Vector2D position(7.f * static_cast<float>(i % 20), 7.f * static_cast<float>(i / 20));
        renderer.DrawSolidCircle(position, 1.5f, Vector2D(1.f, 0.f), CarColor, 0.f);
        if (i % 2 == 0)
        {
            const Vector2D arrow[3] = {position + Vector2D(1.f, 0.f), position + Vector2D(-0.5f, 0.5f),
                                       position + Vector2D(-0.5f, -0.5f)};
            renderer.DrawSolidPolygon(arrow, 3, Black, -0.001f);
        }
    }
    for (int i = 0; i < 20; ++i)
        renderer.DrawPoint(Vector2D(7.5f + 15.f * static_cast<float>(i), 67.5f), 5.f, RoadColor, -0.01f);
    if (withLabels)
    {
        for (int i = 0; i < 10; ++i)
            renderer.DrawString(Vector2D(20.f * static_cast<float>(i), 140.f), "cost %.1f", 0.5f * i);
    }
}

/// The program's window, context, camera, renderer and UI on SDL's offscreen driver.
class Scene
{
public:
    Scene()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("XDG_RUNTIME_DIR", "/tmp", 0);
        ImGui::SetAllocatorFunctions(Benchmarks::CountingAllocate, Benchmarks::CountingFree);
        m_pWindow = std::make_unique<SDLWindow>();
        m_pWindow->CreateWindow(WindowParams{});
        m_pFrame = std::make_unique<SDLFrame>(m_pWindow.get());
        m_pCamera = std::make_unique<Camera2D>(Vector2D(150.f, 75.f), 39.f, 901u, 451u);
        SDLDebugRenderer2D::GetInstance()->Initialize(m_pCamera.get());
        m_pUI = std::make_unique<VImmediateUI>();
        m_pUI->Initialize(m_pWindow->GetSDLWindow(), &m_pWindow->m_ShouldQuit);
        ImGui::GetIO().IniFilename = nullptr;
        g_pDrawArrays = glDrawArrays;
        glDrawArrays = [](GLenum mode, GLint first, GLsizei count)
        {
            ++g_DrawCalls;
            g_pDrawArrays(mode, first, count);
        };
    }
    ~Scene()
    {
        glDrawArrays = g_pDrawArrays;
        m_pUI->Shutdown();
        m_pUI.reset();
        SDLDebugRenderer2D::DestroyInstance();
        m_pCamera.reset();
        m_pFrame.reset();
        m_pWindow.reset();
        SDL_Quit();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    /// Frame as the program runs it: UI frame, geometry, clear, debug pass, UI pass (no swap).
    void RunFrame(bool withLabels, bool draw)
    {
        SDLDebugRenderer2D& renderer = *SDLDebugRenderer2D::GetInstance();
        if (withLabels)
            m_pUI->NewFrame(1.f / 60.f, m_pWindow->GetSDLWindow());
        BuildFrame(renderer, withLabels);
        if (draw)
        {
            m_pFrame->BeginFrame();
            renderer.Render();
        }
        else
        {
            renderer.DiscardFrame();
        }
        if (withLabels)
        {
            if (draw)
            {
                m_pUI->Render();
            }
            else
            {
                SDLDebugRenderer2D::SetUiFrameOpen(false); // what VImmediateUI::Render does first
                ImGui::Render();
            }
        }
    }

private:
    std::unique_ptr<SDLWindow> m_pWindow;
    std::unique_ptr<SDLFrame> m_pFrame;
    std::unique_ptr<Camera2D> m_pCamera;
    std::unique_ptr<VImmediateUI> m_pUI;
};

void RunBenchmark(benchmark::State& state, bool withLabels, bool draw)
{
    Scene scene;
    // Warm-up: batches, label storage and the UI's buffers grow to their working size.
    for (int i = 0; i < 3; ++i)
        scene.RunFrame(withLabels, draw);

    const long allocationsBefore = Benchmarks::GetAllocationCount();
    g_DrawCalls = 0;
    for (auto _ : state)
        scene.RunFrame(withLabels, draw);
    const double frames = static_cast<double>(state.iterations());
    state.counters["allocations_per_frame"] =
        static_cast<double>(Benchmarks::GetAllocationCount() - allocationsBefore) / frames;
    if (draw)
        state.counters["draw_calls_per_frame"] = static_cast<double>(g_DrawCalls) / frames;
}

void BM_BuildDebugGeometry(benchmark::State& state)
{
    RunBenchmark(state, false, false);
}
void BM_BuildAndRenderDebugGeometry(benchmark::State& state)
{
    RunBenchmark(state, false, true);
}
void BM_BuildAndRenderWithLabels(benchmark::State& state)
{
    RunBenchmark(state, true, true);
}

BENCHMARK(BM_BuildDebugGeometry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildAndRenderDebugGeometry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildAndRenderWithLabels)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
