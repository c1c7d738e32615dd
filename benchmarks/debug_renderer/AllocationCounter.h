// Counts the process's heap allocations through the global operator new (and, when installed, the
// UI library's allocator), so that a benchmark can report allocations per frame.
#pragma once

#include <cstddef>

namespace Vemox::Benchmarks
{
/// Allocations since the start of the process.
long GetAllocationCount();
/// Allocator functions for ImGui::SetAllocatorFunctions that count as well.
void* CountingAllocate(size_t size, void* pUserData);
void CountingFree(void* pMemory, void* pUserData);
} // namespace Vemox::Benchmarks
