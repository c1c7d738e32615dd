// The footprint of an object graph: which lines it holds as blocks are added close together, far apart,
// and beyond its ranges or lines.
#include "framework/VemoxCore/MemoryFootprint.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace Vemox
{
namespace
{
constexpr std::size_t Line = MemoryFootprint::LineSize;

// Addresses inside one block of memory, aligned to a line, so that the tests know the lines in between.
struct Arena
{
    std::vector<char> bytes = std::vector<char>(64 * 1024 + Line);
    const char* At(std::size_t offset) const
    {
        const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(bytes.data());
        return reinterpret_cast<const char*>(((base + Line - 1) & ~(Line - 1)) + offset);
    }
};

TEST(MemoryFootprint, BlocksCloseTogetherJoinWithTheLinesBetweenAndFarOnesTakeARangeOfTheirOwn)
{
    const Arena arena;
    MemoryFootprint footprint;
    footprint.Add(arena.At(10), 100); // lines 0 and 1
    EXPECT_EQ(footprint.GetNrOfLines(), 2u);
    footprint.Add(arena.At(5 * Line), 8); // within the join gap: lines 0 to 5
    EXPECT_EQ(footprint.GetNrOfLines(), 6u);
    EXPECT_TRUE(footprint.Covers(arena.At(3 * Line + 7)));

    footprint.Add(arena.At(40 * Line), 1); // far: a range of one line
    EXPECT_EQ(footprint.GetNrOfLines(), 7u);
    EXPECT_FALSE(footprint.Covers(arena.At(20 * Line)));
    EXPECT_TRUE(footprint.Covers(arena.At(40 * Line + Line - 1)));
    EXPECT_FALSE(footprint.Covers(arena.At(41 * Line)));

    footprint.Add(nullptr, 64);
    footprint.Add(arena.At(60 * Line), 0);
    EXPECT_EQ(footprint.GetNrOfLines(), 7u);
    footprint.Prefetch(); // only a hint: it must not fault on the lines it holds
}

TEST(MemoryFootprint, LeavesOutWhatGoesBeyondItsRangesOrItsLines)
{
    const Arena arena;
    MemoryFootprint footprint;
    for (std::size_t i = 0; i < MemoryFootprint::MaxRanges; ++i)
        footprint.Add(arena.At(i * 100 * Line), 1);
    footprint.Add(arena.At(900 * Line), 1);
    EXPECT_EQ(footprint.GetNrOfLines(), MemoryFootprint::MaxRanges);
    EXPECT_FALSE(footprint.Covers(arena.At(900 * Line)));
    // A block that joins a range still counts against the lines: the last range may grow by what the
    // other ranges leave.
    const std::size_t room = MemoryFootprint::MaxLines - (MemoryFootprint::MaxRanges - 1);
    const char* const pLast = arena.At((MemoryFootprint::MaxRanges - 1) * 100 * Line);
    footprint.Add(pLast, (room + 1) * Line);
    EXPECT_EQ(footprint.GetNrOfLines(), MemoryFootprint::MaxRanges);
    footprint.Add(pLast, room * Line);
    EXPECT_EQ(footprint.GetNrOfLines(), MemoryFootprint::MaxLines);
}
} // namespace
} // namespace Vemox
