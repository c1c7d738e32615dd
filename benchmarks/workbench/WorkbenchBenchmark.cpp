// The window's interactive tools in steady state, without a window: what the inspector (with the live
// behaviour tree) and the statistics window add to a frame, in time and in heap allocations.
#include "AllocationCounter.h"
#include "app/TrafficMonitor.h"
#include "framework/AppFrame/AppFrame.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxUI/VImmediateUI.h"
#include "workbench/TrafficWorkbench.h"

#include <benchmark/benchmark.h>
#include <imgui.h>

#include <cstdlib>
#include <memory>

using namespace Vemox;

namespace
{
constexpr float FrameTime = 1.f / 60.f;
constexpr int WarmUpFrames = 600; // ten simulated seconds: cars under way, windows and buffers grown
constexpr unsigned int Seed = 20261207;

/// The window program's frame without the window: UI frame, the shared frame with the workbench, the
/// UI's draw data built (not drawn), the debug batches discarded.
class Bench
{
public:
    Bench(int nrOfCars, bool withTools)
    {
        ImGui::SetAllocatorFunctions(Benchmarks::CountingAllocate, Benchmarks::CountingFree);
        VImmediateUI::CreateHeadlessContext(901.f, 451.f);
        SDLDebugRenderer2D::GetInstance()->SetActiveCamera(&m_Camera);
        std::srand(Seed);
        TrafficScenario scenario;
        scenario.nrOfCars = nrOfCars;
        m_pFrame = std::make_unique<AppFrame>(&m_Camera,
                                              [&]
                                              {
                                                  m_pWorkbench =
                                                      new TrafficWorkbench(m_TimeControl, Seed, scenario);
                                                  return m_pWorkbench;
                                              });
        if (withTools)
        {
            m_pWorkbench->SelectCar(0);
            TrafficWorkbench::Windows open;
            open.inspector = true;
            open.statistics = true;
            m_pWorkbench->SetOpenWindows(open);
        }
    }
    ~Bench()
    {
        m_pFrame.reset();
        AppFrame::DestroySingletons();
        ImGui::DestroyContext();
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    void RunFrame()
    {
        ImGui::GetIO().DeltaTime = FrameTime;
        ImGui::NewFrame();
        const TimeControl::FramePlan plan = m_TimeControl.PlanFrame(FrameTime);
        m_pFrame->Run(FrameTime, plan.nrOfSteps, plan.stepTime);
        ImGui::Render();
        SDLDebugRenderer2D::GetInstance()->DiscardFrame();
    }

private:
    Camera2D m_Camera{Vector2D{0.f, 0.f}, Camera2D::DefaultZoom, 901, 451};
    TimeControl m_TimeControl;
    std::unique_ptr<AppFrame> m_pFrame;
    TrafficWorkbench* m_pWorkbench = nullptr; ///< owned by m_pFrame
};

// Allocations over `frames` frames after the warm-up, of a run with or without the tools.
long CountAllocations(int nrOfCars, bool withTools, int frames)
{
    Bench bench(nrOfCars, withTools);
    for (int i = 0; i < WarmUpFrames; ++i)
        bench.RunFrame();
    const long before = Benchmarks::GetAllocationCount();
    for (int i = 0; i < frames; ++i)
        bench.RunFrame();
    return Benchmarks::GetAllocationCount() - before;
}

void BM_WindowFrame(benchmark::State& state)
{
    const int nrOfCars = static_cast<int>(state.range(0));
    const bool withTools = state.range(1) != 0;
    Bench bench(nrOfCars, withTools);
    for (int i = 0; i < WarmUpFrames; ++i)
        bench.RunFrame();
    const long before = Benchmarks::GetAllocationCount();
    for (auto _ : state)
        bench.RunFrame();
    state.counters["allocations_per_frame"] = static_cast<double>(Benchmarks::GetAllocationCount() - before) /
                                              static_cast<double>(state.iterations());
}

// The same frames of the same world with and without the inspector and statistics: the simulation's
// own allocations (a plan's path, for one) cancel out, and what is left is the tools' share.
void BM_ToolsAddedAllocations(benchmark::State& state)
{
    const int nrOfCars = static_cast<int>(state.range(0));
    constexpr int Frames = 1200;
    long added = 0;
    for (auto _ : state)
        added = CountAllocations(nrOfCars, true, Frames) - CountAllocations(nrOfCars, false, Frames);
    state.counters["added_allocations_per_frame"] = static_cast<double>(added) / Frames;
}
} // namespace

// Arguments: cars, tools open (inspector on car 0 and statistics).
BENCHMARK(BM_WindowFrame)
    ->Args({20, 0})
    ->Args({20, 1})
    ->Args({128, 0})
    ->Args({128, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToolsAddedAllocations)->Arg(20)->Arg(128)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
