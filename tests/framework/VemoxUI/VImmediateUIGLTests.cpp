// The UI integration on the program's window and OpenGL context (SDL's offscreen driver): quit
// requests and press latches through the UI pump, frame start, drawing, the OpenGL state around
// RenderDrawLists, the clipboard hooks and the settings file.
#include "OffscreenContext.h"

#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace Vemox
{
namespace
{
using Testing::Rgb;

/// Every piece of OpenGL state the UI's render step may touch.
struct GLStateSnapshot
{
    GLint values[22] = {};
    GLboolean enabled[4] = {};

    static GLStateSnapshot Take()
    {
        GLStateSnapshot s;
        GLint* v = s.values;
        glGetIntegerv(GL_CURRENT_PROGRAM, &v[0]);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &v[1]);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &v[2]); // of the active unit
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &v[3]);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &v[4]);
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &v[5]);
        glGetIntegerv(GL_BLEND_SRC_RGB, &v[6]);
        glGetIntegerv(GL_BLEND_DST_RGB, &v[7]);
        glGetIntegerv(GL_BLEND_SRC_ALPHA, &v[8]);
        glGetIntegerv(GL_BLEND_DST_ALPHA, &v[9]);
        glGetIntegerv(GL_BLEND_EQUATION_RGB, &v[10]);
        glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &v[11]);
        glGetIntegerv(GL_VIEWPORT, &v[12]);
        glGetIntegerv(GL_SCISSOR_BOX, &v[16]);
        // The 2D texture of unit 0, which the UI draws with, read without disturbing the active unit.
        GLint active = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &v[20]);
        glActiveTexture(static_cast<GLenum>(active));
        v[21] = static_cast<GLint>(glGetError());
        s.enabled[0] = glIsEnabled(GL_BLEND);
        s.enabled[1] = glIsEnabled(GL_CULL_FACE);
        s.enabled[2] = glIsEnabled(GL_DEPTH_TEST);
        s.enabled[3] = glIsEnabled(GL_SCISSOR_TEST);
        return s;
    }
};

class VImmediateUIGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vemox-ui-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_Directory = pattern;
        ASSERT_NE(getcwd(m_PreviousDirectory, sizeof(m_PreviousDirectory)), nullptr);
        ASSERT_EQ(chdir(m_Directory.c_str()), 0);

        SDLDebugRenderer2D::GetInstance();
        m_UI.Initialize(GetSDLWindow(), &m_ShouldQuit);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override
    {
        if (ImGui::GetCurrentContext() != nullptr)
            m_UI.Shutdown();
        SDLDebugRenderer2D::DestroyInstance();
        EXPECT_EQ(chdir(m_PreviousDirectory), 0);
        std::system(("rm -rf " + m_Directory).c_str());
    }

    SDL_Window* GetSDLWindow() { return m_Context.GetWindow().GetSDLWindow(); }
    void Frame(float deltaTime = 1.f / 60.f)
    {
        m_UI.NewFrame(deltaTime, GetSDLWindow());
        ImGui::Render();
    }
    static void PushMouseButton(Uint32 type, Uint8 button)
    {
        SDL_Event event{};
        event.type = type;
        event.button.button = button;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    Testing::OffscreenContext m_Context;
    VImmediateUI m_UI;
    bool m_ShouldQuit = false;
    std::string m_Directory;
    char m_PreviousDirectory[4096] = {};
};

TEST_F(VImmediateUIGLTest, QuitRequestSetsTheWindowFlagInTheUiPump)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_TAB;
    ASSERT_EQ(SDL_PushEvent(&key), 1);

    m_UI.ProcessEvents();
    EXPECT_TRUE(m_ShouldQuit);
    EXPECT_TRUE(ImGui::GetIO().KeysDown[SDLK_TAB]); // the pump still applies the next handled event
}

TEST_F(VImmediateUIGLTest, ClickReleasedWithinOneFrameStillCounts)
{
    PushMouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    PushMouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    m_UI.ProcessEvents();
    Frame();
    EXPECT_TRUE(ImGui::GetIO().MouseDown[0]);
    EXPECT_FALSE(ImGui::GetIO().MouseDown[1]);
    // The latch lasts one frame: the button is not held.
    m_UI.ProcessEvents(); // drops the release
    Frame();
    EXPECT_FALSE(ImGui::GetIO().MouseDown[0]);

    PushMouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    PushMouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
    m_UI.ProcessEvents();
    m_UI.ProcessEvents();
    Frame();
    EXPECT_TRUE(ImGui::GetIO().MouseDown[1]);
    EXPECT_TRUE(ImGui::GetIO().MouseDown[2]);
    EXPECT_FALSE(ImGui::GetIO().MouseDown[0]);
}

TEST_F(VImmediateUIGLTest, WheelIsOneStepForOneFrame)
{
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 3;
    ASSERT_EQ(SDL_PushEvent(&wheel), 1);
    wheel.wheel.y = -2;
    ASSERT_EQ(SDL_PushEvent(&wheel), 1);
    const ImGuiIO& io = ImGui::GetIO();
    // The library clears its wheel at the end of each frame, so it is read between NewFrame and Render.
    m_UI.ProcessEvents();
    m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
    EXPECT_EQ(io.MouseWheel, 1.f);
    ImGui::Render();
    m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
    EXPECT_EQ(io.MouseWheel, 0.f);
    ImGui::Render();
    m_UI.ProcessEvents();
    m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
    EXPECT_EQ(io.MouseWheel, -1.f);
    ImGui::Render();
}

TEST_F(VImmediateUIGLTest, NewFrameTakesDisplaySizeTimeAndMouse)
{
    Frame(0.25f);
    const ImGuiIO& io = ImGui::GetIO();
    EXPECT_EQ(io.DisplaySize.x, 901.f);
    EXPECT_EQ(io.DisplaySize.y, 451.f);
    EXPECT_EQ(io.DisplayFramebufferScale.x, 1.f);
    EXPECT_EQ(io.DisplayFramebufferScale.y, 1.f);
    EXPECT_EQ(io.DeltaTime, 0.25f);
    ASSERT_EQ(SDL_GetWindowFlags(GetSDLWindow()) & SDL_WINDOW_MOUSE_FOCUS, 0u);
    EXPECT_EQ(io.MousePos.x, -1.f);
    EXPECT_EQ(io.MousePos.y, -1.f);
    // A first frame may well report no elapsed time; the library needs a positive step.
    Frame(0.f);
    EXPECT_GT(io.DeltaTime, 0.f);
}

TEST_F(VImmediateUIGLTest, WindowIsDrawnWithTheStyle)
{
    m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
    ImGui::SetNextWindowPos(ImVec2(20.f, 30.f));
    ImGui::SetNextWindowSize(ImVec2(200.f, 100.f));
    ImGui::Begin("Panel", nullptr, ImGuiWindowFlags_NoTitleBar);
    ImGui::End();
    m_Context.GetFrame().BeginFrame();
    Testing::DrawCallCounter counter;
    m_UI.Render();
    EXPECT_GT(counter.s_DrawElements, 0);
    // WindowBg (0.06, 0.05, 0.07) at the style's global alpha 0.6 over the clear grey 0.3.
    const Rgb inside = m_Context.ReadPixel(120, 80);
    EXPECT_TRUE(Testing::Near(inside, Rgb{40, 38, 41})) << inside;
    EXPECT_TRUE(Testing::Near(m_Context.ReadPixel(300, 80), Rgb{77, 77, 77}));
}

TEST_F(VImmediateUIGLTest, DebugRendererLabelsGoIntoTheOpenUiFrame)
{
    Camera2D camera(Vector2D(0.f, 0.f), 20.f, 901, 451);
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    pRenderer->SetActiveCamera(&camera);
    EXPECT_FALSE(SDLDebugRenderer2D::IsUiFrameOpen());

    // Two frames: the library keeps a new auto-sized window hidden in its first frame.
    for (int frame = 0; frame < 2; ++frame)
    {
        m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
        EXPECT_TRUE(SDLDebugRenderer2D::IsUiFrameOpen());
        pRenderer->DrawString(Vector2D(0.f, 0.f), "label");
        m_UI.Render();
        // Closed before the library ends its frame, so no label can reach a finished frame.
        EXPECT_FALSE(SDLDebugRenderer2D::IsUiFrameOpen());
    }

    // The label's window is the frame's only one.
    const ImDrawData* pDrawData = ImGui::GetDrawData();
    ASSERT_NE(pDrawData, nullptr);
    ASSERT_EQ(pDrawData->CmdListsCount, 1);
    EXPECT_GT(pDrawData->CmdLists[0]->VtxBuffer.Size, 0);
    pRenderer->SetActiveCamera(nullptr);
}

TEST_F(VImmediateUIGLTest, EmptyUiFrameIssuesNoDrawCall)
{
    m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
    Testing::DrawCallCounter counter;
    m_UI.Render();
    EXPECT_EQ(counter.s_DrawElements, 0);
}

TEST_F(VImmediateUIGLTest, RenderDrawListsRestoresEveryStateItChanges)
{
    // A state unlike both the defaults and what the UI sets.
    const GLuint program = SDLDebugRenderer2D::LoadShaders(
        "#version 400\nvoid main(void) { gl_Position = vec4(0.0); }\n",
        "#version 400\nout vec4 color;\nvoid main(void) { color = vec4(1.0); }\n");
    GLuint textures[2] = {};
    glGenTextures(2, textures);
    GLuint buffers[2] = {};
    glGenBuffers(2, buffers);
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glBlendEquationSeparate(GL_FUNC_SUBTRACT, GL_MAX);
    glViewport(3, 4, 500, 300);
    glScissor(5, 6, 70, 80);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLStateSnapshot before = GLStateSnapshot::Take();

    m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
    ImGui::SetNextWindowSize(ImVec2(200.f, 100.f));
    ImGui::Begin("Panel");
    ImGui::Text("state");
    bool checked = true;
    ImGui::Checkbox("box", &checked);
    ImGui::End();
    Testing::DrawCallCounter counter;
    m_UI.Render();
    ASSERT_GT(counter.s_DrawElements, 0);

    const GLStateSnapshot after = GLStateSnapshot::Take();
    for (size_t i = 0; i < std::size(before.values); ++i)
        EXPECT_EQ(after.values[i], before.values[i]) << "state value " << i;
    for (size_t i = 0; i < std::size(before.enabled); ++i)
        EXPECT_EQ(after.enabled[i], before.enabled[i]) << "capability " << i;

    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteBuffers(2, buffers);
    glDeleteTextures(2, textures);
    glUseProgram(0);
    glDeleteProgram(program);
}

TEST_F(VImmediateUIGLTest, FontAtlasIsUploadedAsTheUiTexture)
{
    EXPECT_NE(m_UI.GetFontTexture(), 0u);
    EXPECT_EQ(ImGui::GetIO().Fonts->TexID,
              reinterpret_cast<ImTextureID>(static_cast<intptr_t>(m_UI.GetFontTexture())));
    GLint boundTexture = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    EXPECT_EQ(boundTexture, 0); // Initialize restores the binding it found
}

TEST_F(VImmediateUIGLTest, ClipboardGoesThroughSdl)
{
    const ImGuiIO& io = ImGui::GetIO();
    io.SetClipboardTextFn(nullptr, "lane 7");
    EXPECT_STREQ(io.GetClipboardTextFn(nullptr), "lane 7");
    io.SetClipboardTextFn(nullptr, "lane 8");
    EXPECT_STREQ(io.GetClipboardTextFn(nullptr), "lane 8"); // the previous copy is released
}

TEST_F(VImmediateUIGLTest, ShutdownWritesTheSettingsFile)
{
    m_UI.NewFrame(1.f / 60.f, GetSDLWindow());
    ImGui::Begin("Settings Panel");
    ImGui::End();
    m_UI.Render();
    m_UI.Shutdown();
    EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);
    EXPECT_EQ(m_UI.GetFontTexture(), 0u);
    EXPECT_EQ(access("imgui.ini", R_OK), 0);
    std::FILE* pFile = std::fopen("imgui.ini", "r");
    ASSERT_NE(pFile, nullptr);
    char content[1024] = {};
    const size_t length = std::fread(content, 1, sizeof(content) - 1, pFile);
    std::fclose(pFile);
    EXPECT_NE(std::string(content, length).find("[Window][Settings Panel]"), std::string::npos);
}

TEST_F(VImmediateUIGLTest, ALargeSettingsFileIsNotLoadedAndReplacedOnExit)
{
    m_UI.Shutdown(); // start over with a settings file in place
    std::string entries;
    for (int i = 0; i < 1001; ++i)
        entries += "[Window][w" + std::to_string(i) + "]\nPos=10,10\n\n";
    const std::string threeEntries = entries.substr(0, entries.find("[Window][w3]"));
    // Loaded; too many window entries in few bytes; few entries in too many bytes.
    for (const std::string& settings : {threeEntries, entries, threeEntries + std::string(64 * 1024, ';')})
    {
        std::ofstream("imgui.ini") << settings;
        VImmediateUI ui;
        testing::internal::CaptureStdout();
        ui.Initialize(GetSDLWindow(), &m_ShouldQuit);
        const std::string output = testing::internal::GetCapturedStdout();
        ui.NewFrame(1.f / 60.f, GetSDLWindow());
        ImGui::Render();
        const bool loaded =
            std::string(ImGui::SaveIniSettingsToMemory()).find("[Window][w1]") != std::string::npos;
        ui.Shutdown();
        std::stringstream written;
        written << std::ifstream("imgui.ini").rdbuf();

        const bool refused = settings != threeEntries;
        EXPECT_EQ(loaded, !refused) << settings.size() << " bytes";
        EXPECT_EQ(output.rfind("Warning: Settings file \"imgui.ini\" not loaded", 0) == 0, refused) << output;
        // A refused file is replaced by a fresh one on exit.
        EXPECT_EQ(written.str().find("[Window][w1]") == std::string::npos, refused);
    }
}
} // namespace
} // namespace Vemox
