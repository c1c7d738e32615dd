// The framework's one exception type, thrown when the window or its OpenGL context cannot be set up
// and caught only in main.
#pragma once

#include <string>

namespace Vemox
{
struct Vemox_Exception
{
    explicit Vemox_Exception(std::string message) : m_Message(std::move(message)) {}
    std::string m_Message;
};
} // namespace Vemox
