// The summary's account of gridlocked cars (for the safe driver, what last held each of them back), and
// the log of the chains of cars that each stuck car waits for.
#include "app/App_TrafficSimulation.h"
#include "app/Car.h"
#include "app/TrafficMonitor.h"
#include "headless/HeadlessSimulation.h"
#include "headless/Report.h"
#include "headless/RunOptions.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

namespace
{
constexpr float FrameTime = 1.f / 60.f;

/// Runs `seconds` of a 4x2 city whose car 0 stops for good after a few seconds, and returns the JSON
/// summary. pStuckLog (may be null) gets the stuck-car log.
nlohmann::json RunWithABrokenDownCar(DriverModel driver, float seconds, std::ostream* pStuckLog = nullptr)
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
        if (pStuckLog != nullptr)
            WriteStuckCars(*pStuckLog, monitor, simulation.GetApp());
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

/// Text that remembers how much of it had been written when it was last flushed.
class FlushedText : public std::stringbuf
{
public:
    std::size_t flushed = 0;

protected:
    int sync() override
    {
        flushed = str().size();
        return 0;
    }
};
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

TEST(Report, LogsTheChainOfCarsThatEachStuckCarWaitsFor)
{
    FlushedText buffer;
    std::ostream stream(&buffer);
    RunWithABrokenDownCar(DriverModel::Safe, 120.f, &stream);
    // Flushed in the frame it is written: a long run's log can be followed as it grows.
    EXPECT_EQ(buffer.flushed, buffer.str().size());
    std::istringstream log(buffer.str());
    std::set<int> logged;
    bool endsAtTheBrokenDownCar = false;
    for (std::string text; std::getline(log, text);)
    {
        const nlohmann::json line = nlohmann::json::parse(text);
        const nlohmann::json& chain = line["chain"];
        ASSERT_FALSE(chain.empty()) << text;
        // Logged once, in the frame it passed the minute.
        EXPECT_TRUE(logged.insert(line["car"].get<int>()).second) << text;
        EXPECT_EQ(chain[0]["car"], line["car"]);
        EXPECT_GT(chain[0]["stood_seconds"].get<double>(), 60.0);
        EXPECT_LT(chain[0]["stood_seconds"].get<double>(), 60.0 + 1.5 * FrameTime);
        for (const nlohmann::json& car : chain)
        {
            EXPECT_EQ(car["cell"].size(), 2u) << text;
            EXPECT_TRUE(car.contains("held_by")) << text;
        }
        if (chain.size() >= 2 && chain.back()["car"] == 0 && !line["cycle"].get<bool>())
            endsAtTheBrokenDownCar = true;
    }
    EXPECT_GE(logged.size(), 2u);
    // The broken-down car waits for nobody: the queue behind it leads to it.
    EXPECT_TRUE(endsAtTheBrokenDownCar);
}
