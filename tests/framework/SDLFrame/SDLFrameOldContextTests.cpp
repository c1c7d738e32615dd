// A context older than OpenGL 4.0 is refused with the version obtained. Mesa is made to report 3.3;
// it reads that setting once per process, so this test has an executable of its own.
#include "framework/VemoxCore/VemoxException.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLFrame.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
TEST(SDLFrameOldContext, ConstructionThrowsWithTheVersionObtained)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 1);
    Vemox::SDLWindow window;
    window.CreateWindow(Vemox::WindowParams{});
    try
    {
        Vemox::SDLFrame frame(&window);
        FAIL() << "an OpenGL " << Vemox::OpenGLLoader::GetMajorVersion() << "."
               << Vemox::OpenGLLoader::GetMinorVersion() << " context was accepted";
    }
    catch (const Vemox::Vemox_Exception& exception)
    {
        EXPECT_EQ(exception.m_Message, "OpenGL 4.0 or later is required, but the context is OpenGL 3.3!");
    }
    // The refused context was deleted, not left current.
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
}
} // namespace
