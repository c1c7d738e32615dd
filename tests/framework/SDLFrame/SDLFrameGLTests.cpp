// SDLFrame against a real OpenGL context, on SDL's offscreen driver (EGL, no display needed): context
// set-up, the per-frame clear read back from the framebuffer, and window replacement.
#include "framework/VemoxCore/VemoxException.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLFrame.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using Vemox::SDLFrame;
using Vemox::SDLWindow;
using Vemox::WindowParams;

namespace
{
class SDLFrameGLTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "offscreen", 1); }

    // The pixel at (x, y) of the back buffer, origin bottom left, as 8-bit RGBA.
    static void ReadPixel(int x, int y, unsigned char rgba[4])
    {
        // glReadPixels is not one of the framework's entry points; only the test reads back.
        auto pReadPixels = reinterpret_cast<PFNGLREADPIXELSPROC>(SDL_GL_GetProcAddress("glReadPixels"));
        ASSERT_NE(pReadPixels, nullptr);
        pReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    }

    SDLWindow m_Window;
};

TEST_F(SDLFrameGLTest, ConstructionGivesAComplete4xCoreContext)
{
    m_Window.CreateWindow(WindowParams{});
    SDLFrame frame(&m_Window);

    EXPECT_GE(Vemox::OpenGLLoader::GetMajorVersion(), 4);
    EXPECT_EQ(Vemox::OpenGLLoader::GetFirstMissingEntryPoint(), nullptr);
    EXPECT_NE(SDL_GL_GetCurrentContext(), nullptr);
    GLint profile = 0;
    Vemox::glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_NE(profile & GL_CONTEXT_CORE_PROFILE_BIT, 0);
    EXPECT_EQ(Vemox::glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SDLFrameGLTest, BeginFrameClearsWholeStoredViewportToGrey)
{
    WindowParams params;
    params.isResizable = true;
    m_Window.CreateWindow(params);
    SDLFrame frame(&m_Window);

    // Leave state that BeginFrame must override: a small viewport and a red framebuffer.
    Vemox::glClearColor(1.f, 0.f, 0.f, 1.f);
    Vemox::glClear(GL_COLOR_BUFFER_BIT);
    Vemox::glViewport(0, 0, 10, 10);
    // A user resize does not change the viewport, which follows the stored parameters.
    SDL_SetWindowSize(m_Window.GetSDLWindow(), 600, 300);

    frame.BeginFrame();

    GLint viewport[4] = {};
    Vemox::glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 901);
    EXPECT_EQ(viewport[3], 451);
    const int corners[][2] = {{0, 0}, {450, 225}, {900, 450}, {20, 430}};
    for (const auto& corner : corners)
    {
        unsigned char rgba[4] = {};
        ReadPixel(corner[0], corner[1], rgba);
        SCOPED_TRACE(testing::Message() << "pixel " << corner[0] << "," << corner[1]);
        // 0.3 of 255 is 76.5: either neighbour is a correct conversion.
        EXPECT_NEAR(rgba[0], 76.5, 1.0);
        EXPECT_NEAR(rgba[1], 76.5, 1.0);
        EXPECT_NEAR(rgba[2], 76.5, 1.0);
    }
    EXPECT_EQ(Vemox::glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    frame.EndFrame();
}

TEST_F(SDLFrameGLTest, FailedContextCreationThrowsNamingIt)
{
    m_Window.CreateWindow(WindowParams{});
    // No driver offers OpenGL 9.9, so context creation fails.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 9);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 9);
    try
    {
        SDLFrame frame(&m_Window);
        FAIL() << "an OpenGL 9.9 context was created";
    }
    catch (const Vemox::Vemox_Exception& exception)
    {
        EXPECT_EQ(
            exception.m_Message.rfind("SDL_GL_CreateContext failed! Could not create an OpenGL context! "
                                      "SDL Error: ",
                                      0),
            0u)
            << exception.m_Message;
    }
}

TEST_F(SDLFrameGLTest, SecondCreateWindowReplacesAndDestroysTheFirst)
{
    m_Window.CreateWindow(WindowParams{});
    const Uint32 firstId = SDL_GetWindowID(m_Window.GetSDLWindow());
    WindowParams params;
    params.windowTitle = "second";
    params.width = 320;
    params.height = 240;
    m_Window.CreateWindow(params);

    EXPECT_EQ(SDL_GetWindowFromID(firstId), nullptr);
    ASSERT_NE(m_Window.GetSDLWindow(), nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(m_Window.GetSDLWindow()), "second");
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(m_Window.GetSDLWindow(), &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(m_Window.GetWindowParams().width, 320);
    EXPECT_EQ(SDL_GetWindowFlags(m_Window.GetSDLWindow()) & SDL_WINDOW_RESIZABLE, 0u);
}
} // namespace
