// Rebuilding the grid of cars: a counting sort of the cars by cell, which keeps each cell in vector
// order, or only new positions while no car has changed cells; nothing is allocated once the vectors
// have grown to the number of cars.
#include "CarGrid.h"

#include "Car.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <algorithm>
#include <cmath>

CarGrid::CarGrid(int columns, int rows, float cellSize)
    : m_NrOfColumns(columns), m_NrOfRows(rows), m_CellSize(cellSize), m_CellsPerUnit(1.f / cellSize),
      m_CellStarts(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows) + 2, 0)
{
    VEMOX_ASSERT(columns > 0 && rows > 0 && cellSize > 0.f && "<CarGrid::CarGrid>: invalid grid size");
}

void CarGrid::Rebuild(const std::vector<Car*>& cars)
{
    // A car crosses into another cell only every few dozen steps: mostly the sort stands and only the
    // positions change.
    if (!RefreshPositions(cars))
        SortByCell(cars);
    m_pCars = &cars;
    m_NrOfCars = cars.size();
    m_pSortedCars = &cars;
}

int CarGrid::CellOf(const Car* pCar, Vemox::Vector2D& position) const
{
    if (pCar == nullptr)
        return -1;
    position = pCar->GetPosition();
    if (!std::isfinite(position.x) || !std::isfinite(position.y))
        return -1;
    return RowOf(position.y) * m_NrOfColumns + ColumnOf(position.x);
}

bool CarGrid::RefreshPositions(const std::vector<Car*>& cars)
{
    if (m_pSortedCars != &cars || m_CellOfCar.size() != cars.size())
        return false;
    for (std::size_t i = 0; i < cars.size(); ++i)
    {
        Vemox::Vector2D position;
        const int cell = CellOf(cars[i], position);
        if (cell != m_CellOfCar[i])
            return false; // the sort is stale; whatever was written here is rewritten by the full sort
        if (cell < 0)
            continue;
        Entry& entry = m_Entries[m_EntryOfCar[i]];
        if (entry.pCar != cars[i])
            return false; // another car in this place of the vector
        entry.position = position;
    }
    return true;
}

void CarGrid::SortByCell(const std::vector<Car*>& cars)
{
    // A counting sort with its counters shifted by two: after the running sum, m_CellStarts[c + 1] is
    // the start of cell c; placing a car advances it to the start of cell c + 1, so that once every car
    // is placed, m_CellStarts[c] is the start of cell c, as the search reads it.
    const std::size_t nrOfCells = m_CellStarts.size() - 2;
    std::fill(m_CellStarts.begin(), m_CellStarts.end(), 0);
    m_CellOfCar.resize(cars.size());
    m_EntryOfCar.resize(cars.size());
    m_PositionOfCar.resize(cars.size());

    for (std::size_t i = 0; i < cars.size(); ++i)
    {
        const int cell = CellOf(cars[i], m_PositionOfCar[i]);
        m_CellOfCar[i] = cell;
        if (cell >= 0)
            ++m_CellStarts[static_cast<std::size_t>(cell) + 2];
    }
    for (std::size_t slot = 2; slot < nrOfCells + 2; ++slot)
        m_CellStarts[slot] += m_CellStarts[slot - 1];

    m_Entries.resize(m_CellStarts[nrOfCells + 1]);
    // Walking the cars in order keeps every cell in vector order.
    for (std::size_t i = 0; i < cars.size(); ++i)
    {
        const int cell = m_CellOfCar[i];
        if (cell < 0)
            continue;
        const std::size_t entry = m_CellStarts[static_cast<std::size_t>(cell) + 1]++;
        m_Entries[entry] = {m_PositionOfCar[i], cars[i], static_cast<int>(i)};
        m_EntryOfCar[i] = entry;
    }
}
