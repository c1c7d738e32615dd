// Start cells: the documented draw, unchanged for the documented city up to its last road cell, and the
// shuffled fallback that fills a city to the last cell without drawing for ever.
#include "app/StartNodePicker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

namespace
{
// The documented spawn loop: start at node 42, draw rand() % 200 while the cell was taken, until it is road.
std::vector<int> DocumentedStartNodes(unsigned int seed, int nrOfCars, const City& city)
{
    srand(seed);
    std::vector<int> taken;
    for (int car = 0; car < nrOfCars; ++car)
    {
        int node = 42;
        while (city.IsBlockCell(node))
        {
            do
            {
                node = rand() % 200;
            } while (std::find(taken.begin(), taken.end(), node) != taken.end());
        }
        taken.push_back(node);
        rand(); // the car's three colour draws
        rand();
        rand();
    }
    return taken;
}

std::vector<int> PickedStartNodes(unsigned int seed, int nrOfCars, const City& city, int maxDraws)
{
    srand(seed);
    StartNodePicker picker(city, maxDraws);
    std::vector<int> picked;
    for (int car = 0; car < nrOfCars; ++car)
    {
        picked.push_back(picker.Pick());
        rand();
        rand();
        rand();
    }
    return picked;
}
} // namespace

TEST(StartNodePicker, DocumentedCityKeepsTheDocumentedDrawUpToItsLastRoadCell)
{
    const City city;
    for (unsigned int seed = 1; seed <= 40; ++seed)
    {
        EXPECT_EQ(PickedStartNodes(seed, 128, city, StartNodePicker::DefaultMaxDrawsPerPick),
                  DocumentedStartNodes(seed, 128, city))
            << "seed " << seed;
    }
}

TEST(StartNodePicker, DrawThatKeepsMissingFillsTheCityFromTheShuffledOrder)
{
    // A tiny draw limit gives up early; every road cell must still be handed out exactly once.
    const City city(CityLayout{3, 2});
    const int roadCells = city.GetNrOfRoadCells();
    srand(7);
    StartNodePicker picker(city, 2);
    std::set<int> picked;
    for (int car = 0; car < roadCells; ++car)
    {
        const int node = picker.Pick();
        EXPECT_FALSE(city.IsBlockCell(node)) << node;
        EXPECT_TRUE(picked.insert(node).second) << "picked twice: " << node;
    }
    EXPECT_TRUE(picker.IsUsingShuffledOrder());
    EXPECT_EQ(picked.size(), static_cast<size_t>(roadCells));

    // The shuffled order follows the seed, and differs between seeds.
    EXPECT_EQ(PickedStartNodes(11, roadCells, city, 2), PickedStartNodes(11, roadCells, city, 2));
    EXPECT_NE(PickedStartNodes(11, roadCells, city, 2), PickedStartNodes(12, roadCells, city, 2));
}

TEST(StartNodePicker, FallbackKeepsTheCellsDrawnBefore)
{
    // The picks made before the draw gives up stand: they equal the unlimited draw's first picks.
    const City city(CityLayout{3, 2});
    const int roadCells = city.GetNrOfRoadCells();
    const std::vector<int> unlimited =
        PickedStartNodes(5, roadCells, city, StartNodePicker::DefaultMaxDrawsPerPick);
    srand(5);
    StartNodePicker picker(city, 10);
    size_t drawn = 0;
    for (int car = 0; car < roadCells; ++car)
    {
        const int node = picker.Pick();
        rand();
        rand();
        rand();
        if (picker.IsUsingShuffledOrder())
            break;
        EXPECT_EQ(node, unlimited[drawn]);
        ++drawn;
    }
    EXPECT_TRUE(picker.IsUsingShuffledOrder());
    EXPECT_GT(drawn, static_cast<size_t>(roadCells / 2));
}

TEST(StartNodePicker, LargestTargetCityTakesACarOnEveryRoadCell)
{
    const City city(CityLayout{40, 20});
    srand(3);
    StartNodePicker picker(city);
    std::vector<bool> taken(static_cast<size_t>(city.GetNrOfNodes()), false);
    for (int car = 0; car < city.GetNrOfRoadCells(); ++car)
    {
        const int node = picker.Pick();
        ASSERT_FALSE(city.IsBlockCell(node));
        ASSERT_FALSE(taken[static_cast<size_t>(node)]) << node;
        taken[static_cast<size_t>(node)] = true;
    }
    EXPECT_EQ(picker.GetNrOfPicks(), 12800);
}

TEST(StartNodePickerDeathTest, AFullCityHasNoCellLeft)
{
    const City city(CityLayout{1, 1});
    StartNodePicker picker(city, 0);
    for (int car = 0; car < city.GetNrOfRoadCells(); ++car)
        picker.Pick();
    EXPECT_DEATH(picker.Pick(), "every road cell is taken");
}
