// Frame pacing. Xvfb refuses vsync, and SDL's offscreen driver accepts it without a display to wait
// for, so SDLFrame must cap the frame rate itself instead of letting the loop spin.
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLFrame.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace
{
// Uncapped, these frames take a few milliseconds in all. A slow machine can only make them slower.
void ExpectFramesNoFasterThanTheCap(Vemox::SDLFrame& frame)
{
    constexpr int Frames = 31; // the first frame starts the schedule, 30 periods follow
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Frames; ++i)
    {
        frame.BeginFrame();
        frame.EndFrame();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 0.95 * (Frames - 1) / frame.GetFrameRateCap());
}

TEST(SDLFramePacing, WithoutVSyncFramesComeNoFasterThanTheCap)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    setenv("SDL_VIDEODRIVER", "x11", 1);

    Vemox::SDLWindow window;
    window.CreateWindow(Vemox::WindowParams{});
    testing::internal::CaptureStdout();
    Vemox::SDLFrame frame(&window);
    const std::string output = testing::internal::GetCapturedStdout();
    if (frame.IsVSyncEnabled())
        GTEST_SKIP() << "this display grants vsync, so the swap itself paces the frames";

    EXPECT_EQ(output.rfind("Warning: Unable to set VSync! SDL Error: ", 0), 0u) << output;
    EXPECT_EQ(output.back(), '\n');
    EXPECT_GT(frame.GetFrameRateCap(), 0);
    EXPECT_TRUE(frame.IsFrameRateCapped());
    ExpectFramesNoFasterThanTheCap(frame);
}

TEST(SDLFramePacing, TheOffscreenDriverAskedForByNameIsCappedWithoutAWarning)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", "/tmp", 0);
    {
        Vemox::SDLWindow window;
        window.CreateWindow(Vemox::WindowParams{});
        testing::internal::CaptureStdout();
        Vemox::SDLFrame frame(&window);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // it accepted the swap interval
        EXPECT_TRUE(frame.IsFrameRateCapped());
        ExpectFramesNoFasterThanTheCap(frame);
    }
    SDL_Quit();
}
} // namespace
