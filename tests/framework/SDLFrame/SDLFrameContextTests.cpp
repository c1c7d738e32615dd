// The OpenGL context requirements that SDLFrame enforces before anything draws.
#include "framework/VemoxCore/VemoxException.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLFrame.h"

#include <gtest/gtest.h>

#include <string>

using Vemox::SDLFrame;

namespace
{
// The message of the exception ValidateContext throws, or "" when it accepts the context.
std::string Rejection(int major, int minor, const char* pMissing)
{
    try
    {
        SDLFrame::ValidateContext(major, minor, pMissing);
    }
    catch (const Vemox::Vemox_Exception& exception)
    {
        return exception.m_Message;
    }
    return "";
}

TEST(SDLFrameValidateContext, AcceptsOpenGL4AndLater)
{
    EXPECT_EQ(Rejection(4, 0, nullptr), "");
    EXPECT_EQ(Rejection(4, 5, nullptr), "");
    EXPECT_EQ(Rejection(5, 0, nullptr), "");
}

TEST(SDLFrameValidateContext, OlderContextIsRejectedWithTheVersionObtained)
{
    EXPECT_EQ(Rejection(3, 3, nullptr), "OpenGL 4.0 or later is required, but the context is OpenGL 3.3!");
    EXPECT_EQ(Rejection(2, 1, nullptr), "OpenGL 4.0 or later is required, but the context is OpenGL 2.1!");
}

TEST(SDLFrameValidateContext, MissingEntryPointIsNamed)
{
    EXPECT_EQ(Rejection(4, 5, "glGenVertexArrays"),
              "OpenGL entry point glGenVertexArrays could not be loaded!");
    // Without glGetIntegerv the version reads 0.0; the missing entry point is what went wrong.
    EXPECT_EQ(Rejection(0, 0, "glGetIntegerv"), "OpenGL entry point glGetIntegerv could not be loaded!");
    // An old context that also lacks entry points is reported by its version, the root cause.
    EXPECT_EQ(Rejection(3, 0, "glBlendEquationSeparate"),
              "OpenGL 4.0 or later is required, but the context is OpenGL 3.0!");
}
} // namespace
