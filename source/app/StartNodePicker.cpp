// Start-cell picking: the random draw keeps its documented sequence of rand() calls; only a draw that
// keeps missing switches to the shuffled free cells.
#include "StartNodePicker.h"

#include "framework/VemoxCore/VemoxAssert.h"

#include <cstdlib>
#include <utility>

StartNodePicker::StartNodePicker(const City& city, int maxDrawsPerPick)
    : m_City(city), m_MaxDrawsPerPick(maxDrawsPerPick),
      m_IsTaken(static_cast<size_t>(city.GetNrOfNodes()), false)
{
    VEMOX_ASSERT(maxDrawsPerPick >= 0 && "<StartNodePicker>: negative draw limit");
}

int StartNodePicker::Pick()
{
    VEMOX_ASSERT(m_NrOfPicks < m_City.GetNrOfRoadCells() &&
                 "<StartNodePicker::Pick>: every road cell is taken");
    int node = -1;
    if (!m_IsUsingShuffledOrder)
    {
        const int nrOfNodes = m_City.GetNrOfNodes();
        int candidate = m_City.GetFirstStartCandidate();
        int draws = 0;
        while (m_City.IsBlockCell(candidate) && draws <= m_MaxDrawsPerPick)
        {
            do
            {
                if (draws++ == m_MaxDrawsPerPick)
                    break;
                candidate = rand() % nrOfNodes;
            } while (m_IsTaken[static_cast<size_t>(candidate)]);
        }
        if (draws <= m_MaxDrawsPerPick)
            node = candidate;
        else
            m_IsUsingShuffledOrder = true;
    }
    if (m_IsUsingShuffledOrder)
        node = PickFromShuffledOrder();

    m_IsTaken[static_cast<size_t>(node)] = true;
    ++m_NrOfPicks;
    return node;
}

int StartNodePicker::PickFromShuffledOrder()
{
    if (m_ShuffledRoadCells.empty())
    {
        for (int node = 0; node < m_City.GetNrOfNodes(); ++node)
            if (!m_City.IsBlockCell(node))
                m_ShuffledRoadCells.push_back(node);
        // Fisher-Yates with the seeded generator, so a seed gives the same order every time.
        for (size_t i = m_ShuffledRoadCells.size() - 1; i > 0; --i)
            std::swap(m_ShuffledRoadCells[i], m_ShuffledRoadCells[static_cast<size_t>(rand()) % (i + 1)]);
    }
    while (m_IsTaken[static_cast<size_t>(m_ShuffledRoadCells[m_NextShuffled])])
        ++m_NextShuffled;
    return m_ShuffledRoadCells[m_NextShuffled];
}
