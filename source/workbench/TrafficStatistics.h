// The figures of the statistics window: the traffic monitor's view of the cars, sampled once per
// simulated second, with the last two minutes of each plotted figure kept for line plots.
#pragma once

#include <array>
#include <cstdint>

class TrafficMonitor;

/// The last HistoryLength values of one figure, oldest first from GetOffset() (a ring).
class FigureHistory
{
public:
    static constexpr int HistoryLength = 120;

    void Add(float value);
    void Clear();
    /// Values stored, at most HistoryLength.
    int GetCount() const { return m_Count; }
    /// The ring's storage; the oldest value sits at GetOffset() once the ring is full, else at 0.
    const float* GetValues() const { return m_Values.data(); }
    int GetOffset() const { return m_Count < HistoryLength ? 0 : m_Next; }
    /// The i-th value, oldest first (0 <= i < GetCount()).
    float Get(int i) const;
    float GetLatest() const { return m_Count > 0 ? Get(m_Count - 1) : 0.f; }
    float GetMax() const;

private:
    std::array<float, HistoryLength> m_Values{};
    int m_Next = 0;
    int m_Count = 0;
};

class TrafficStatistics
{
public:
    /// The figures at the latest whole simulated second.
    struct Figures
    {
        double time = 0.0; ///< simulated seconds
        int nrOfCars = 0;
        int moving = 0;
        int stoppedAtRedLight = 0;
        int stoppedForCar = 0;
        int tripsCompleted = 0;
        double meanTripTime = 0.0; ///< simulated seconds per trip
        float meanSpeed = 0.f;     ///< world units per second, over all cars, at that moment
        std::int64_t contacts = 0; ///< car-car contacts begun so far
        int gridlocked = 0;        ///< cars standing longer than the monitor's gridlock time
        bool circularWait = false; ///< tested only while some car is gridlocked
    };

    /// After every simulation step, with the monitor that observed it: samples the figures each time
    /// the simulated time passes a whole second.
    void Update(const TrafficMonitor& monitor, int nrOfCars);
    /// Forgets everything, for a new world.
    void Clear();

    /// Seconds sampled so far.
    int GetNrOfSamples() const { return m_NrOfSamples; }
    const Figures& GetFigures() const { return m_Figures; }
    const FigureHistory& GetMoving() const { return m_Moving; }
    const FigureHistory& GetStoppedAtRedLight() const { return m_StoppedAtRedLight; }
    const FigureHistory& GetStoppedForCar() const { return m_StoppedForCar; }
    const FigureHistory& GetMeanSpeed() const { return m_MeanSpeed; }

private:
    void Sample(const TrafficMonitor& monitor, int nrOfCars);

    int m_NrOfSamples = 0;
    Figures m_Figures;
    FigureHistory m_Moving;
    FigureHistory m_StoppedAtRedLight;
    FigureHistory m_StoppedForCar;
    FigureHistory m_MeanSpeed;
};
