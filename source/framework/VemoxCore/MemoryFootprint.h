// Where an object and what it owns lie in memory, as a few ranges of cache lines, so that a loop over
// many such objects can have the next one fetched into the cache while it works on the current one.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace Vemox
{
/// The cache lines of an object graph (an object and the blocks it owns), gathered as its owners add
/// them. Only addresses are kept and nothing is ever read through them: a footprint that left a block
/// out, or that went stale after its object changed, costs time, never a wrong result.
class MemoryFootprint
{
public:
    static constexpr std::uintptr_t LineSize = 64; ///< bytes
    /// A block this close to a range (bytes) joins it, with the lines between them: blocks allocated one
    /// after the other lie close, and a few lines fetched for nothing cost less than another range.
    static constexpr std::uintptr_t JoinGap = 1024;
    static constexpr std::size_t MaxRanges = 4;
    /// Lines one Prefetch fetches at most; a block that would take the footprint beyond is left out.
    static constexpr std::uintptr_t MaxLines = 128;

    /// Adds the size bytes at p; null or empty adds nothing.
    void Add(const void* p, std::size_t size)
    {
        if (p == nullptr || size == 0)
            return;
        const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(p) & ~(LineSize - 1);
        const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(p) + size - 1) & ~(LineSize - 1);
        for (std::size_t i = 0; i < m_NrOfRanges; ++i)
        {
            Range& range = m_Ranges[i];
            if (first <= range.last + JoinGap && last + JoinGap >= range.first)
            {
                const Range joined{std::min(first, range.first), std::max(last, range.last)};
                if (GetNrOfLines() - range.GetNrOfLines() + joined.GetNrOfLines() <= MaxLines)
                    range = joined;
                return;
            }
        }
        const Range added{first, last};
        if (m_NrOfRanges < MaxRanges && GetNrOfLines() + added.GetNrOfLines() <= MaxLines)
            m_Ranges[m_NrOfRanges++] = added;
    }

    /// Asks the processor to fetch every line of the footprint; returns at once.
    void Prefetch() const
    {
        for (std::size_t i = 0; i < m_NrOfRanges; ++i)
        {
            const char* const pFirst = reinterpret_cast<const char*>(m_Ranges[i].first);
            const std::uintptr_t bytes = m_Ranges[i].last - m_Ranges[i].first;
            for (std::uintptr_t offset = 0; offset <= bytes; offset += LineSize)
            {
                __builtin_prefetch(pFirst + offset);
                // GCC drops a loop of nothing but prefetches as if it had no effect; this keeps it.
                asm volatile("" : : "r"(pFirst + offset));
            }
        }
    }

    /// Whether the footprint holds the byte at p.
    bool Covers(const void* p) const
    {
        const std::uintptr_t line = reinterpret_cast<std::uintptr_t>(p) & ~(LineSize - 1);
        for (std::size_t i = 0; i < m_NrOfRanges; ++i)
            if (line >= m_Ranges[i].first && line <= m_Ranges[i].last)
                return true;
        return false;
    }

    std::uintptr_t GetNrOfLines() const
    {
        std::uintptr_t lines = 0;
        for (std::size_t i = 0; i < m_NrOfRanges; ++i)
            lines += m_Ranges[i].GetNrOfLines();
        return lines;
    }

private:
    struct Range
    {
        std::uintptr_t first = 0; ///< address of the first line
        std::uintptr_t last = 0;  ///< address of the last line
        std::uintptr_t GetNrOfLines() const { return (last - first) / LineSize + 1; }
    };
    std::array<Range, MaxRanges> m_Ranges{};
    std::size_t m_NrOfRanges = 0;
};
} // namespace Vemox
