// Replacement global operator new/delete that count allocations; kept in its own translation unit so
// that no caller is compiled against the malloc/free pairing.
#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<long> g_Allocations{0};
}

void* operator new(size_t size)
{
    ++g_Allocations;
    if (void* pMemory = std::malloc(size == 0 ? 1 : size))
        return pMemory;
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void operator delete(void* pMemory) noexcept
{
    std::free(pMemory);
}
void operator delete[](void* pMemory) noexcept
{
    std::free(pMemory);
}
void operator delete(void* pMemory, size_t) noexcept
{
    std::free(pMemory);
}
void operator delete[](void* pMemory, size_t) noexcept
{
    std::free(pMemory);
}

namespace Vemox::Benchmarks
{
long GetAllocationCount()
{
    return g_Allocations.load();
}

void* CountingAllocate(size_t size, void*)
{
    ++g_Allocations;
    return std::malloc(size);
}

void CountingFree(void* pMemory, void*)
{
    std::free(pMemory);
}
} // namespace Vemox::Benchmarks
