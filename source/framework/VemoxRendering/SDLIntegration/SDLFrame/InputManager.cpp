// Queries over the frame's input records; each takes the first match in arrival order.
#include "InputManager.h"

namespace Vemox
{
InputManager* InputManager::s_pInstance = nullptr;

InputManager* InputManager::GetInstance()
{
    if (s_pInstance == nullptr)
        s_pInstance = new InputManager();
    return s_pInstance;
}

void InputManager::DestroyInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

bool InputManager::HasRecord(InputType type, InputState state, int code) const
{
    for (const InputEvent& inputEvent : m_InputEvents)
    {
        if (inputEvent.type == type && inputEvent.state == state && inputEvent.data.code == code)
            return true;
    }
    return false;
}

bool InputManager::IsMouseButtonDown(int button) const
{
    return HasRecord(InputType::MouseButton, InputState::Down, button);
}

bool InputManager::IsMouseButtonUp(int button) const
{
    return HasRecord(InputType::MouseButton, InputState::Released, button);
}

bool InputManager::IsMouseMoving() const
{
    return HasRecord(InputType::MouseMotion, InputState::Down, 0);
}

bool InputManager::IsMouseScrolling() const
{
    return HasRecord(InputType::MouseWheel, InputState::Down, 0);
}

MouseData InputManager::GetMouseData(InputType type, int button) const
{
    for (const InputEvent& inputEvent : m_InputEvents)
    {
        if (inputEvent.type == type && inputEvent.data.code == button)
            return inputEvent.data;
    }
    return MouseData{};
}
} // namespace Vemox
