// Frame rate of the real window program (event pump, simulation step, drawing, GL upload, UI, swap) with
// a large city: 5,000 cars on 40x20, either driver, at the documented zoom and with the whole city fitted
// into the view.
// Needs an X display: run it under Xvfb, where OpenGL is rendered in software.
#include "VemoxProgram.h"
#include "app/App_TrafficSimulation.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

namespace
{
constexpr int WarmUpFrames = 120; // past the first plans of every car and the first drawing
constexpr int MeasuredFrames = 300;

/// The traffic application, started with a scenario and a view, that times its frames and then asks
/// the program to quit.
class TimedApp final : public Vemox::IApp
{
public:
    TimedApp(const TrafficScenario& scenario, bool fit, double* pSecondsPerFrame)
        : m_App(scenario), m_Fit(fit), m_pSecondsPerFrame(pSecondsPerFrame)
    {
    }

    void Start() override
    {
        m_App.Start();
        if (m_Fit)
            m_App.FitView();
    }
    void UpdateUI(float deltaTime) override { m_App.UpdateUI(deltaTime); }
    void Update(float deltaTime) override { m_App.Update(deltaTime); }
    void Render(float deltaTime) override
    {
        m_App.Render(deltaTime);
        // Render is the last application call of a frame: count whole frames from here.
        ++m_Frames;
        if (m_Frames == WarmUpFrames)
            m_Start = std::chrono::steady_clock::now();
        if (m_Frames == WarmUpFrames + MeasuredFrames)
        {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_Start;
            *m_pSecondsPerFrame = elapsed.count() / MeasuredFrames;
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    }

private:
    App_TrafficSimulation m_App;
    bool m_Fit;
    double* m_pSecondsPerFrame;
    int m_Frames = 0;
    std::chrono::steady_clock::time_point m_Start;
};

void BM_WindowFrame(benchmark::State& state)
{
    TrafficScenario scenario;
    scenario.nrOfCars = static_cast<int>(state.range(0));
    scenario.city = CityLayout{static_cast<int>(state.range(1)), static_cast<int>(state.range(2))};
    scenario.driver = state.range(4) != 0 ? DriverModel::Safe : DriverModel::Classic;
    const bool fit = state.range(3) != 0;
    for (auto _ : state)
    {
        srand(7);
        double secondsPerFrame = 0.0;
        char name[] = "traffic-simulation";
        char* argv[] = {name, nullptr};
        const int exitCode =
            Vemox::RunVemoxProgram(1, argv, [&] { return new TimedApp(scenario, fit, &secondsPerFrame); });
        if (exitCode != 0 || secondsPerFrame <= 0.0)
        {
            state.SkipWithError("the window program did not run its frames (is there an X display?)");
            break;
        }
        state.SetIterationTime(secondsPerFrame);
        state.counters["fps"] = 1.0 / secondsPerFrame;
    }
}
} // namespace

// Arguments: cars, blocks across, blocks up, view (0 the documented zoom, 1 the whole city fitted),
// driver (0 classic, 1 safe).
BENCHMARK(BM_WindowFrame)
    ->ArgNames({"cars", "bx", "by", "fit", "safe"})
    ->Args({20, 4, 2, 0, 0})
    ->Args({5000, 40, 20, 0, 0})
    ->Args({5000, 40, 20, 1, 0})
    ->Args({5000, 40, 20, 0, 1})
    ->Args({5000, 40, 20, 1, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
