// Test helper: input records as the window's event pump makes them, for feeding the input queue
// directly in tests that need no window.
#pragma once

#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"

namespace Vemox::Testing
{
/// One record; `code` is a scan code or mouse button (1 left, 3 right), (x, y) a pixel position or,
/// for wheel records, the wheel amounts.
inline InputEvent MakeInputRecord(InputType type, InputState state, int code, int x = 0, int y = 0)
{
    InputEvent record;
    record.type = type;
    record.state = state;
    record.data.code = code;
    record.data.x = x;
    record.data.y = y;
    return record;
}
} // namespace Vemox::Testing
