// The cars' start cells: the documented random draw of distinct road cells, and for a city that is
// nearly full a fallback that cannot run for ever.
#pragma once

#include "City.h"

#include <vector>

/// Picks distinct road cells one after the other, with rand(). Each pick begins at the city's first
/// start candidate (a Block cell) and draws rand() % nodes, drawing again while the cell was picked
/// before, until the cell is road. When one pick needs more than maxDrawsPerPick draws, this pick and
/// every later one take the free road cells in an order shuffled once with rand() instead.
class StartNodePicker
{
public:
    /// Never reached by the documented city: the last of its 128 road cells is hit within this many draws
    /// of 200 cells with a probability of 1 - (199/200)^65536, about 1 - 1e-142.
    static constexpr int DefaultMaxDrawsPerPick = 1 << 16;

    /// The city is borrowed and must outlive the picker; maxDrawsPerPick >= 0.
    explicit StartNodePicker(const City& city, int maxDrawsPerPick = DefaultMaxDrawsPerPick);

    /// A road cell that no earlier pick returned. The city must still have a free road cell.
    int Pick();

    int GetNrOfPicks() const { return m_NrOfPicks; }
    /// Whether the draw has given up and the picks come from the shuffled order.
    bool IsUsingShuffledOrder() const { return m_IsUsingShuffledOrder; }

private:
    int PickFromShuffledOrder();

    const City& m_City;
    int m_MaxDrawsPerPick;
    std::vector<bool> m_IsTaken; ///< per node
    int m_NrOfPicks = 0;
    bool m_IsUsingShuffledOrder = false;
    std::vector<int> m_ShuffledRoadCells;
    size_t m_NextShuffled = 0;
};
