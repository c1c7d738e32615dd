// The application frame's program: command-line position, start-up, the frame loop and teardown
// around one IApp. The traffic program runs it with its application; tests run it with their own.
#pragma once

#include "framework/VemoxCore/IApp.h"

#include <functional>

namespace Vemox
{
class TimeControl;

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
/// Key presses and clicks on the world reach the application (IApp::OnKeyPressed, OnClick).
/// With pTimeControl (borrowed; must outlive the run), every frame's simulation steps follow it and
/// its keys act on it wherever the pointer is, unless a UI text field has the keyboard: Space pauses
/// and resumes, N or the right arrow steps once while paused, [ and ] set the speed. Without it every
/// frame is the usual one step of the frame's time.
/// Returns the exit code: 0 after a normal quit, 1 after a start-up failure (reported on the standard
/// output; when standard input is a terminal, it waits for Enter first).
int RunVemoxProgram(int argc, char* argv[], const std::function<IApp*()>& createApp,
                    TimeControl* pTimeControl = nullptr);

/// The seed that the program gave the runtime library's generator at start-up (the calendar time),
/// so that an application can show it and repeat the start; 0 before the program starts.
unsigned int GetStartSeed();

/// Applies a key to the time controls when it is one of theirs (see RunVemoxProgram) and says
/// whether it was. keyCode: an SDL key code; isRepeat: the auto-repeat of a held key, which steps
/// and changes the speed again but does not toggle the pause.
bool ApplyTimeKey(TimeControl& timeControl, int keyCode, bool isRepeat);
} // namespace Vemox
