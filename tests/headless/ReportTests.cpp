// The summary's account of gridlocked cars: for the safe driver, what last held each of them back.
#include "app/App_TrafficSimulation.h"
#include "app/Car.h"
#include "app/TrafficMonitor.h"
#include "headless/HeadlessSimulation.h"
#include "headless/Report.h"
#include "headless/RunOptions.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <sstream>

namespace
{
constexpr float FrameTime = 1.f / 60.f;

/// Runs `seconds` of a 4x2 city whose car 0 stops for good after a few seconds, and returns the JSON
/// summary.
nlohmann::json RunWithABrokenDownCar(DriverModel driver, float seconds)
{
    srand(4);
    HeadlessSimulation simulation(HeadlessSimulation::Options{60, false, false, driver, 8.f});
    TrafficMonitor monitor(simulation.GetApp());
    const int frames = static_cast<int>(seconds / FrameTime);
    for (int frame = 0; frame < frames; ++frame)
    {
        if (frame == 300) // broken down where it drives: it no longer decides or steers
        {
            Car& car = *simulation.GetApp().GetCars()[0];
            car.SetDecisionMaking(nullptr);
            car.SetMaxLinearSpeed(0.f);
        }
        simulation.Step(FrameTime);
        monitor.Observe(FrameTime);
    }
    RunOptions options;
    options.nrOfCars = 60;
    options.driver = driver;
    RunMeasurements measurements;
    measurements.framesRun = frames;
    measurements.wallSeconds = 1.0;
    std::ostringstream out;
    WriteJsonSummary(out, options, measurements, monitor, simulation.GetApp());
    return nlohmann::json::parse(out.str());
}
} // namespace

TEST(Report, SaysWhatLastHeldEachGridlockedSafeCar)
{
    const nlohmann::json gridlock = RunWithABrokenDownCar(DriverModel::Safe, 90.f)["gridlock"];
    ASSERT_GT(gridlock["cars"].get<int>(), 0);
    int counted = 0;
    for (const char* reason : {"car", "light", "junction", "merge", "nothing"})
        counted += gridlock["held_by"][reason].get<int>();
    EXPECT_EQ(counted, gridlock["cars"].get<int>());
    // The cars queued behind the broken-down car wait for a car.
    EXPECT_GE(gridlock["held_by"]["car"].get<int>(), 1) << gridlock.dump();

    EXPECT_FALSE(RunWithABrokenDownCar(DriverModel::Classic, 2.f)["gridlock"].contains("held_by"));
}
