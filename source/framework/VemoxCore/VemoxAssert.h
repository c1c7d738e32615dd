// The project's assertion: active in every build type, unlike the standard assert, because the
// shipped build keeps its precondition checks. Reports the condition as written, the file and line.
#pragma once

namespace Vemox
{
[[noreturn]] void AssertionFailed(const char* expression, const char* file, int line);
}

#define VEMOX_ASSERT(expression)                                                                             \
    ((expression) ? static_cast<void>(0) : ::Vemox::AssertionFailed(#expression, __FILE__, __LINE__))
