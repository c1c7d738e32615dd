// The per-frame input queue: the window's event pump fills it with one record per relevant SDL event,
// and the camera (and anything else during the frame) queries it.
#pragma once

#include <cstdint>
#include <vector>

namespace Vemox
{
enum class InputType : int32_t
{
    Keyboard = 1,
    MouseButton = 2,
    MouseWheel = 3,
    MouseMotion = 4,
};

enum class InputState : int32_t
{
    Down = 0,
    Released = 1,
};

/// The part of an input record that queries return.
struct MouseData
{
    uint32_t timestamp = 0; ///< SDL event time in milliseconds
    int32_t code = 0;       ///< scan code, mouse button (1 left, 2 middle, 3 right) or 0
    int32_t x = 0;          ///< mouse pixel position (origin top left), or wheel amounts
    int32_t y = 0;
    int32_t dx = 0; ///< relative motion for MouseMotion, else 0
    int32_t dy = 0;
};

/// One record per relevant SDL event. Wheel and motion records always carry Down.
struct InputEvent
{
    InputType type = InputType::Keyboard;
    InputState state = InputState::Down;
    MouseData data;
};

/// Process-wide singleton holding this frame's input records in arrival order.
class InputManager
{
public:
    static InputManager* GetInstance();
    static void DestroyInstance();

    InputManager(const InputManager&) = delete;
    InputManager& operator=(const InputManager&) = delete;

    void Clear() { m_InputEvents.clear(); }
    void AddInputEvent(const InputEvent& inputEvent) { m_InputEvents.push_back(inputEvent); }
    const std::vector<InputEvent>& GetInputEvents() const { return m_InputEvents; }

    /// A MouseButton record with state Down and this button exists.
    bool IsMouseButtonDown(int button) const;
    /// A MouseButton record with state Released and this button exists.
    bool IsMouseButtonUp(int button) const;
    /// A MouseMotion record (state Down, code 0) exists.
    bool IsMouseMoving() const;
    /// A MouseWheel record (state Down, code 0) exists.
    bool IsMouseScrolling() const;
    /// Data of the first record with this type and code, whatever its state; all zero when none.
    MouseData GetMouseData(InputType type, int button = 0) const;

private:
    InputManager() = default;
    bool HasRecord(InputType type, InputState state, int code) const;

    static InputManager* s_pInstance;
    std::vector<InputEvent> m_InputEvents;
};
} // namespace Vemox
