// The application frame's program: command-line position, start-up, the frame loop and teardown
// around one IApp. The traffic program runs it with its application; tests run it with their own.
#pragma once

#include "framework/VemoxCore/IApp.h"

#include <functional>

namespace Vemox
{
/// The optional window position of the command line, in screen pixels.
struct WindowPosition
{
    bool isSet = false;
    int x = 0;
    int y = 0;
};

/// Reads a base-10 int: leading white space skipped, an optional sign, trailing characters ignored.
/// False (value untouched) when there are no digits or the number does not fit an int.
bool ParsePositionArgument(const char* pText, int& value);

/// With exactly two arguments (argc == 3) reads them as the window's x and y; any other count leaves
/// the position unset. A bad value prints one warning line naming it on the standard output and
/// leaves the position unset, so the window is centred.
WindowPosition ParseWindowPosition(int argc, const char* const argv[]);

/// Runs the whole program: start-up, the frame loop until the window is asked to quit, teardown.
/// createApp is called once after the frame is set up; the program owns and deletes what it returns.
/// Returns the exit code: 0 after a normal quit, 1 after a start-up failure (reported on the standard
/// output; when standard input is a terminal, it waits for Enter first).
int RunVemoxProgram(int argc, char* argv[], const std::function<IApp*()>& createApp);
} // namespace Vemox
