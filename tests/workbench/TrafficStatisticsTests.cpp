// The statistics window's figures: one sample per simulated second from the shared traffic monitor,
// and the two-minute ring each plot reads.
#include "app/TrafficMonitor.h"
#include "headless/HeadlessSimulation.h"
#include "workbench/TrafficStatistics.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(FigureHistory, KeepsTheLastTwoMinutesOldestFirst)
{
    FigureHistory history;
    EXPECT_EQ(history.GetCount(), 0);
    for (int i = 0; i < 50; ++i)
        history.Add(static_cast<float>(i));
    EXPECT_EQ(history.GetCount(), 50);
    EXPECT_EQ(history.GetOffset(), 0);
    EXPECT_EQ(history.Get(0), 0.f);

    for (int i = 50; i < 130; ++i)
        history.Add(static_cast<float>(i));
    ASSERT_EQ(history.GetCount(), FigureHistory::HistoryLength);
    EXPECT_EQ(history.Get(0), 10.f);
    EXPECT_EQ(history.GetLatest(), 129.f);
    EXPECT_EQ(history.GetMax(), 129.f);
    // What a plot reads: the storage from the offset on, wrapping around.
    for (int i = 0; i < FigureHistory::HistoryLength; ++i)
        EXPECT_EQ(history.GetValues()[(history.GetOffset() + i) % FigureHistory::HistoryLength], 10.f + i);
    history.Clear();
    EXPECT_EQ(history.GetCount(), 0);
}

TEST(TrafficStatistics, SamplesTheMonitorOncePerSimulatedSecond)
{
    std::srand(21);
    HeadlessSimulation::Options options;
    options.drawEachFrame = false;
    options.buildDebugPanel = false;
    HeadlessSimulation simulation(options);
    TrafficMonitor monitor(simulation.GetApp());
    TrafficStatistics statistics;
    const int nrOfCars = static_cast<int>(simulation.GetApp().GetCars().size());
    const float frame = 1.f / 60.f;

    for (int step = 1; step <= 600; ++step)
    {
        simulation.Step(frame);
        monitor.Observe(frame);
        statistics.Update(monitor, nrOfCars);
        EXPECT_EQ(statistics.GetNrOfSamples(), step / 60) << "step " << step;
        if (step % 60 != 0)
            continue;
        // A sample is the monitor's view at that step.
        const TrafficStatistics::Figures& figures = statistics.GetFigures();
        const TrafficMonitor::Snapshot& snapshot = monitor.GetLastSnapshot();
        EXPECT_EQ(figures.moving, snapshot.moving);
        EXPECT_EQ(figures.stoppedAtRedLight, snapshot.stoppedAtRedLight);
        EXPECT_EQ(figures.stoppedForCar, snapshot.stoppedForAnotherCar);
        EXPECT_EQ(figures.tripsCompleted, monitor.GetTripsCompleted());
        EXPECT_EQ(statistics.GetMoving().GetLatest(), static_cast<float>(snapshot.moving));
        EXPECT_EQ(statistics.GetMeanSpeed().GetLatest(), snapshot.meanSpeed);
    }
    EXPECT_EQ(statistics.GetMoving().GetCount(), 10);

    // A step over several seconds (a slow frame at a high speed) still leaves one value per second.
    simulation.Step(2.5f);
    monitor.Observe(2.5f);
    statistics.Update(monitor, nrOfCars);
    EXPECT_EQ(statistics.GetNrOfSamples(), 12);
    EXPECT_EQ(statistics.GetMoving().GetCount(), 12);

    statistics.Clear();
    EXPECT_EQ(statistics.GetNrOfSamples(), 0);
    EXPECT_EQ(statistics.GetMeanSpeed().GetCount(), 0);
}
