// The grid of cars: every car near a point is visited, each once and each cell in vector order, cars
// off the grid count to the border cells, and the grid knows which vector it is current for.
#include "app/Car.h"
#include "app/CarGrid.h"
#include "framework/Physics/PhysicsWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>

using Vemox::Vector2D;

namespace
{
class CarGridTest : public ::testing::Test
{
protected:
    ~CarGridTest() override
    {
        for (Car* pCar : m_Cars)
            delete pCar;
        Vemox::PhysicsWorld::DestroyInstance();
    }

    Car* AddCar(const Vector2D& position)
    {
        m_Cars.push_back(new Car(position, position, Vemox::Color{}));
        return m_Cars.back();
    }

    /// How often each car index is visited in the box [lo, hi].
    std::map<int, int> Visits(const CarGrid& grid, const Vector2D& lo, const Vector2D& hi) const
    {
        std::map<int, int> visits;
        int previousCell = -1;
        int previousIndex = -1;
        grid.ForEachIn(lo.x, lo.y, hi.x, hi.y,
                       [&](const CarGrid::Entry& entry)
                       {
                           EXPECT_EQ(entry.pCar, m_Cars[static_cast<size_t>(entry.index)]);
                           // Within one cell, the cars come in vector order.
                           const int cell = grid.RowOf(entry.position.y) * grid.GetNrOfColumns() +
                                            grid.ColumnOf(entry.position.x);
                           if (cell == previousCell)
                           {
                               EXPECT_GT(entry.index, previousIndex);
                           }
                           previousCell = cell;
                           previousIndex = entry.index;
                           ++visits[entry.index];
                       });
        return visits;
    }
    /// How often each car index is visited around centre.
    std::map<int, int> Visits(const CarGrid& grid, const Vector2D& centre, float halfWidth) const
    {
        return Visits(grid, centre - Vector2D{halfWidth, halfWidth}, centre + Vector2D{halfWidth, halfWidth});
    }

    std::vector<Car*> m_Cars;
};
} // namespace

TEST_F(CarGridTest, VisitsEveryCarWithinABoxExactlyOnce)
{
    std::srand(6);
    const auto random = [](float lo, float hi)
    { return lo + (hi - lo) * static_cast<float>(std::rand() % 100001) / 100000.f; };
    for (int i = 0; i < 80; ++i)
        AddCar({random(-20.f, 320.f), random(-20.f, 170.f)});
    CarGrid grid(20, 10, 15.f);
    grid.Rebuild(m_Cars);
    for (int query = 0; query < 500; ++query)
    {
        const Vector2D lo{random(-30.f, 330.f), random(-30.f, 180.f)};
        const Vector2D hi = lo + Vector2D{random(0.f, 80.f), random(0.f, 80.f)};
        const std::map<int, int> visits = Visits(grid, lo, hi);
        for (size_t i = 0; i < m_Cars.size(); ++i)
        {
            const Vector2D q = m_Cars[i]->GetPosition();
            if (q.x >= lo.x && q.x <= hi.x && q.y >= lo.y && q.y <= hi.y)
            {
                ASSERT_EQ(visits.count(static_cast<int>(i)), 1u) << "query " << query << " car " << i;
            }
        }
        for (const auto& visit : visits)
            EXPECT_EQ(visit.second, 1);
    }
    // An empty or NaN box visits nothing.
    EXPECT_TRUE(Visits(grid, Vector2D{100.f, 100.f}, Vector2D{50.f, 120.f}).empty());
}

TEST_F(CarGridTest, RebuildsFollowCarsThatMoveWithinAndAcrossCells)
{
    std::srand(8);
    const auto random = [](float lo, float hi)
    { return lo + (hi - lo) * static_cast<float>(std::rand() % 100001) / 100000.f; };
    for (int i = 0; i < 40; ++i)
        AddCar({random(0.f, 300.f), random(0.f, 150.f)});
    CarGrid grid(20, 10, 15.f);
    for (int step = 0; step < 300; ++step)
    {
        // Small steps keep most cars in their cells; now and then one jumps, or a car goes missing.
        for (Car* pCar : m_Cars)
        {
            const bool jumps = std::rand() % 50 == 0;
            const Vector2D position = pCar->GetPosition();
            pCar->SetPosition(jumps ? Vector2D{random(-10.f, 310.f), random(-10.f, 160.f)}
                                    : position + Vector2D{random(-0.2f, 0.2f), random(-0.2f, 0.2f)});
        }
        if (step % 60 == 30)
            m_Cars[static_cast<size_t>(step) % m_Cars.size()]->SetPosition(
                {std::numeric_limits<float>::quiet_NaN(), 0.f});
        grid.Rebuild(m_Cars);
        if (step % 7 == 0)
            grid.Invalidate(); // outside a step; the next rebuild must still be right

        const std::map<int, int> all = Visits(grid, {150.f, 75.f}, 1000.f);
        for (size_t i = 0; i < m_Cars.size(); ++i)
        {
            const Vector2D q = m_Cars[i]->GetPosition();
            const bool isFinite = std::isfinite(q.x) && std::isfinite(q.y);
            ASSERT_EQ(all.count(static_cast<int>(i)), isFinite ? 1u : 0u) << "step " << step;
        }
        grid.ForEachNear({150.f, 75.f}, 1000.f,
                         [&](const CarGrid::Entry& entry)
                         { ASSERT_EQ(entry.position, entry.pCar->GetPosition()) << "step " << step; });
        const Vector2D centre{random(0.f, 300.f), random(0.f, 150.f)};
        const std::map<int, int> near = Visits(grid, centre, 20.f);
        for (size_t i = 0; i < m_Cars.size(); ++i)
        {
            const Vector2D q = m_Cars[i]->GetPosition();
            if (std::abs(q.x - centre.x) <= 20.f && std::abs(q.y - centre.y) <= 20.f)
            {
                ASSERT_EQ(near.count(static_cast<int>(i)), 1u) << "step " << step;
            }
        }
        // Cars that went missing come back.
        for (Car* pCar : m_Cars)
            if (!std::isfinite(pCar->GetPosition().x))
                pCar->SetPosition({random(0.f, 300.f), random(0.f, 150.f)});
    }
}

TEST_F(CarGridTest, FarCarsAreNotVisitedAndBadPositionsAreLeftOut)
{
    AddCar({7.f, 7.f});     // cell 0
    AddCar({292.f, 142.f}); // the last cell
    AddCar({-500.f, 7.f});  // off the grid: counted to column 0
    Car* pLost = AddCar({0.f, 0.f});
    pLost->SetPosition({std::numeric_limits<float>::quiet_NaN(), 5.f});
    Car* pGone = AddCar({0.f, 0.f});
    pGone->SetPosition({std::numeric_limits<float>::infinity(), 5.f});
    m_Cars.push_back(nullptr);
    CarGrid grid(20, 10, 15.f);
    grid.Rebuild(m_Cars);
    m_Cars.pop_back();

    const std::map<int, int> nearOrigin = Visits(grid, {5.f, 5.f}, 10.f);
    EXPECT_EQ(nearOrigin.count(0), 1u);
    EXPECT_EQ(nearOrigin.count(1), 0u); // a whole grid away
    EXPECT_EQ(nearOrigin.count(2), 1u); // clamped into the border column: visited, not missed
    EXPECT_EQ(nearOrigin.count(3), 0u);
    EXPECT_EQ(nearOrigin.count(4), 0u);

    // Everything that is in the grid, from a square that covers all of it.
    const std::map<int, int> all = Visits(grid, {150.f, 75.f}, 1000.f);
    EXPECT_EQ(all.size(), 3u);
    EXPECT_TRUE(Visits(grid, {std::numeric_limits<float>::quiet_NaN(), 5.f}, 1000.f).empty());
}

TEST_F(CarGridTest, IsCurrentOnlyForTheVectorItWasBuiltFrom)
{
    AddCar({7.f, 7.f});
    CarGrid grid(20, 10, 15.f);
    EXPECT_FALSE(grid.IsCurrentFor(m_Cars));
    grid.Rebuild(m_Cars);
    EXPECT_TRUE(grid.IsCurrentFor(m_Cars));

    const std::vector<Car*> copy = m_Cars;
    EXPECT_FALSE(grid.IsCurrentFor(copy));
    AddCar({22.f, 7.f}); // the vector changed size since
    EXPECT_FALSE(grid.IsCurrentFor(m_Cars));
    grid.Rebuild(m_Cars);
    EXPECT_TRUE(grid.IsCurrentFor(m_Cars));
    grid.Invalidate();
    EXPECT_FALSE(grid.IsCurrentFor(m_Cars));
}

TEST_F(CarGridTest, CellsAreClampedAndFollowTheGraphsLayout)
{
    const CarGrid grid(7, 3, 50.f);
    EXPECT_EQ(grid.ColumnOf(-0.f), 0);
    EXPECT_EQ(grid.ColumnOf(-1e30f), 0);
    EXPECT_EQ(grid.ColumnOf(49.99f), 0);
    EXPECT_EQ(grid.ColumnOf(50.01f), 1);
    EXPECT_EQ(grid.ColumnOf(349.9f), 6);
    EXPECT_EQ(grid.ColumnOf(1e30f), 6);
    EXPECT_EQ(grid.RowOf(149.f), 2);
    EXPECT_EQ(grid.RowOf(std::numeric_limits<float>::infinity()), 2);
    EXPECT_EQ(grid.RowOf(std::numeric_limits<float>::quiet_NaN()), 0);
}
