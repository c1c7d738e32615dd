// Failure path of VEMOX_ASSERT: one line on the standard error stream, then an abnormal stop.
#include "VemoxAssert.h"

#include <cstdio>
#include <cstdlib>

namespace Vemox
{
void AssertionFailed(const char* expression, const char* file, int line)
{
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, file, line);
    std::fflush(stderr);
    std::abort();
}
} // namespace Vemox
