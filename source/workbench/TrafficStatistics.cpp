// Once-per-simulated-second samples of the traffic monitor's figures and their two-minute history.
#include "TrafficStatistics.h"

#include "app/TrafficMonitor.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <algorithm>
#include <cmath>

void FigureHistory::Add(float value)
{
    m_Values[static_cast<size_t>(m_Next)] = value;
    m_Next = (m_Next + 1) % HistoryLength;
    m_Count = std::min(m_Count + 1, HistoryLength);
}

void FigureHistory::Clear()
{
    m_Next = 0;
    m_Count = 0;
}

float FigureHistory::Get(int i) const
{
    VEMOX_ASSERT(i >= 0 && i < m_Count && "<FigureHistory::Get>: invalid index");
    return m_Values[static_cast<size_t>((GetOffset() + i) % HistoryLength)];
}

float FigureHistory::GetMax() const
{
    float highest = 0.f;
    for (int i = 0; i < m_Count; ++i)
        highest = std::max(highest, m_Values[static_cast<size_t>(i)]);
    return highest;
}

void TrafficStatistics::Update(const TrafficMonitor& monitor, int nrOfCars)
{
    // A long step (a slow frame at x8) can pass several seconds: each gets its sample of the figures
    // as they are now, so that the plots keep one value per simulated second.
    const int wholeSeconds = static_cast<int>(std::floor(monitor.GetSimulatedTime()));
    while (m_NrOfSamples < wholeSeconds)
    {
        Sample(monitor, nrOfCars);
        ++m_NrOfSamples;
    }
}

void TrafficStatistics::Clear()
{
    m_NrOfSamples = 0;
    m_Figures = Figures{};
    m_Moving.Clear();
    m_StoppedAtRedLight.Clear();
    m_StoppedForCar.Clear();
    m_MeanSpeed.Clear();
}

void TrafficStatistics::Sample(const TrafficMonitor& monitor, int nrOfCars)
{
    const TrafficMonitor::Snapshot& snapshot = monitor.GetLastSnapshot();
    Figures figures;
    figures.time = monitor.GetSimulatedTime();
    figures.nrOfCars = nrOfCars;
    figures.moving = snapshot.moving;
    figures.stoppedAtRedLight = snapshot.stoppedAtRedLight;
    figures.stoppedForCar = snapshot.stoppedForAnotherCar;
    figures.tripsCompleted = monitor.GetTripsCompleted();
    figures.meanTripTime = monitor.GetMeanTripTime();
    figures.meanSpeed = snapshot.meanSpeed;
    figures.contacts = monitor.GetCarContactsBegun();
    // Both queries build lists; while nothing is gridlocked the first stays empty and allocates
    // nothing, and the cycle test is only worth its list while some car is stuck.
    figures.gridlocked = static_cast<int>(monitor.GetGridlockedCars().size());
    figures.circularWait = figures.gridlocked > 0 && monitor.HasCircularWait();
    m_Figures = figures;

    m_Moving.Add(static_cast<float>(figures.moving));
    m_StoppedAtRedLight.Add(static_cast<float>(figures.stoppedAtRedLight));
    m_StoppedForCar.Add(static_cast<float>(figures.stoppedForCar));
    m_MeanSpeed.Add(figures.meanSpeed);
}
