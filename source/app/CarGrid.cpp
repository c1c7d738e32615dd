// Rebuilding the grid of cars: a counting sort of the cars by cell, which keeps each cell in vector
// order and allocates nothing once the vectors have grown to the number of cars.
#include "CarGrid.h"

#include "Car.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <algorithm>
#include <cmath>

CarGrid::CarGrid(int columns, int rows, float cellSize)
    : m_NrOfColumns(columns), m_NrOfRows(rows), m_CellSize(cellSize), m_CellsPerUnit(1.f / cellSize),
      m_CellStarts(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows) + 1, 0)
{
    VEMOX_ASSERT(columns > 0 && rows > 0 && cellSize > 0.f && "<CarGrid::CarGrid>: invalid grid size");
}

void CarGrid::Rebuild(const std::vector<Car*>& cars)
{
    const std::size_t nrOfCells = m_CellStarts.size() - 1;
    std::fill(m_CellStarts.begin(), m_CellStarts.end(), 0);
    m_CellOfCar.assign(cars.size(), -1);
    m_PositionOfCar.resize(cars.size());

    // Count the cars per cell, shifted by one so that the running sum below gives each cell's start.
    for (std::size_t i = 0; i < cars.size(); ++i)
    {
        if (cars[i] == nullptr)
            continue;
        const Vemox::Vector2D position = cars[i]->GetPosition();
        if (!std::isfinite(position.x) || !std::isfinite(position.y))
            continue;
        m_PositionOfCar[i] = position;
        const int cell = RowOf(position.y) * m_NrOfColumns + ColumnOf(position.x);
        m_CellOfCar[i] = cell;
        ++m_CellStarts[static_cast<std::size_t>(cell) + 1];
    }
    for (std::size_t cell = 0; cell < nrOfCells; ++cell)
        m_CellStarts[cell + 1] += m_CellStarts[cell];

    m_Entries.resize(m_CellStarts[nrOfCells]);
    // Each cell's next free entry; walking the cars in order keeps every cell in vector order.
    m_NextEntry.assign(m_CellStarts.begin(), m_CellStarts.end() - 1);
    for (std::size_t i = 0; i < cars.size(); ++i)
    {
        const int cell = m_CellOfCar[i];
        if (cell < 0)
            continue;
        m_Entries[m_NextEntry[static_cast<std::size_t>(cell)]++] = {m_PositionOfCar[i], cars[i],
                                                                    static_cast<int>(i)};
    }

    m_pCars = &cars;
    m_NrOfCars = cars.size();
}
