// Failure path of VEMOX_ASSERT: pending standard output flushed, one line on the standard error
// stream, then an abnormal stop.
#include "VemoxAssert.h"

#include <cstdio>
#include <cstdlib>

namespace Vemox
{
void AssertionFailed(const char* expression, const char* file, int line)
{
    // Lines printed before the stop, such as a shader log, sit in standard output's buffer when it is
    // redirected; abort would discard them.
    std::fflush(stdout);
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, file, line);
    std::fflush(stderr);
    std::abort();
}
} // namespace Vemox
