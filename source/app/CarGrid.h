// The cars sorted by the road grid's cells, rebuilt at the start of every simulation step, so that a
// car's vision looks only at the cars in the cells around it instead of at every car.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

#include <cstddef>
#include <utility>
#include <vector>

class Car;

class CarGrid
{
public:
    /// One car as it stood when the grid was built.
    struct Entry
    {
        Vemox::Vector2D position;
        const Car* pCar = nullptr;
        int index = 0; ///< the car's place in the vector the grid was built from
    };

    /// A grid of columns x rows square cells of cellSize world units, the lower-left corner at the
    /// origin (the road grid's layout).
    CarGrid(int columns, int rows, float cellSize);

    /// Sorts the cars by cell, each cell in vector order, and marks the grid current for this vector.
    /// Cars off the grid count to the nearest border cell; null cars and cars at a non-finite position
    /// are left out (no distance to them is ever within a radius).
    void Rebuild(const std::vector<Car*>& cars);
    /// Marks the grid as no longer matching the cars (they may move from now on). The next Rebuild from
    /// the same vector still reuses the sort when no car has changed cells.
    void Invalidate() { m_pCars = nullptr; }
    /// Whether the grid was rebuilt from this very vector, of this size, and not invalidated since.
    bool IsCurrentFor(const std::vector<Car*>& cars) const
    {
        return m_pCars == &cars && m_NrOfCars == cars.size();
    }

    /// Calls visit(const Entry&) for every car whose cell meets the box [minX, maxX] x [minY, maxY]: at
    /// least every car inside the box (some outside it too). Rows bottom to top, cells left to right,
    /// each cell in vector order. A box with a NaN bound visits nothing.
    template <typename Visit>
    void ForEachIn(float minX, float minY, float maxX, float maxY, Visit&& visit) const
    {
        if (!(minX <= maxX && minY <= maxY))
            return;
        const int firstColumn = ColumnOf(minX);
        const int lastColumn = ColumnOf(maxX);
        const int firstRow = RowOf(minY);
        const int lastRow = RowOf(maxY);
        for (int row = firstRow; row <= lastRow; ++row)
        {
            // The cells of one row are stored one after the other: one contiguous run of entries.
            const std::size_t rowStart =
                static_cast<std::size_t>(row) * static_cast<std::size_t>(m_NrOfColumns);
            const Entry* pEntry =
                m_Entries.data() + m_CellStarts[rowStart + static_cast<std::size_t>(firstColumn)];
            const Entry* const pEnd =
                m_Entries.data() + m_CellStarts[rowStart + static_cast<std::size_t>(lastColumn) + 1];
            for (; pEntry != pEnd; ++pEntry)
                visit(*pEntry);
        }
    }
    /// ForEachIn the square of half-width halfWidth around centre.
    template <typename Visit>
    void ForEachNear(const Vemox::Vector2D& centre, float halfWidth, Visit&& visit) const
    {
        ForEachIn(centre.x - halfWidth, centre.y - halfWidth, centre.x + halfWidth, centre.y + halfWidth,
                  std::forward<Visit>(visit));
    }

    /// The column (row) of a coordinate, clamped to the grid (a coordinate on a cell edge may count to
    /// either cell).
    int ColumnOf(float x) const { return Clamp(x, m_NrOfColumns); }
    int RowOf(float y) const { return Clamp(y, m_NrOfRows); }

    int GetNrOfColumns() const { return m_NrOfColumns; }
    int GetNrOfRows() const { return m_NrOfRows; }
    float GetCellSize() const { return m_CellSize; }

private:
    /// The cell of the car and its position; -1 for a null car or a non-finite position.
    int CellOf(const Car* pCar, Vemox::Vector2D& position) const;
    /// New positions into the entries when the vector was sorted last and every car is still in its
    /// cell; false (entries partly updated) when the sort must be redone.
    bool RefreshPositions(const std::vector<Car*>& cars);
    void SortByCell(const std::vector<Car*>& cars);

    int Clamp(float coordinate, int count) const
    {
        // Compared before truncating: converting NaN or a huge float to int is undefined. Scaling
        // keeps the order of coordinates, so the clamped cell never decreases with the coordinate
        // (building and searching use this same function, so its rounding at cell edges is harmless).
        const float cell = coordinate * m_CellsPerUnit;
        if (!(cell >= 0.f))
            return 0;
        if (cell >= static_cast<float>(count))
            return count - 1;
        return static_cast<int>(cell);
    }

    int m_NrOfColumns;
    int m_NrOfRows;
    float m_CellSize;
    float m_CellsPerUnit; ///< 1 / m_CellSize
    /// Entries sorted by cell (row-major), each cell's cars in vector order.
    std::vector<Entry> m_Entries;
    /// m_CellStarts[c] is the first entry of cell c, m_CellStarts[cells] the end of the last cell (one
    /// more element serves the rebuild).
    std::vector<std::size_t> m_CellStarts;
    std::vector<int> m_CellOfCar;                     ///< each car's cell at the last sort, -1 when left out
    std::vector<std::size_t> m_EntryOfCar;            ///< each car's entry at the last sort
    std::vector<Vemox::Vector2D> m_PositionOfCar;     ///< scratch: each car's position during a sort
    const std::vector<Car*>* m_pSortedCars = nullptr; ///< the vector last sorted
    const std::vector<Car*>* m_pCars = nullptr;
    std::size_t m_NrOfCars = 0;
};
