// The UI integration without a graphics device: key map, style, and the UI event pump (one handled
// event per call, other kinds dropped, the frame's input records emptied).
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLWindow.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>

#include <cstring>

namespace Vemox
{
namespace
{
class VImmediateUIPumpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        ImGui::CreateContext();
        ImGui::GetIO().IniFilename = nullptr;
        VImmediateUI::SetupIO(ImGui::GetIO());
    }
    void TearDown() override
    {
        ImGui::DestroyContext();
        InputManager::DestroyInstance();
        SDL_Quit();
    }

    static void PushKey(Uint32 type, SDL_Keycode key)
    {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    static void PushType(Uint32 type)
    {
        SDL_Event event{};
        event.type = type;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    static void PushWheel(int amount)
    {
        SDL_Event event{};
        event.type = SDL_MOUSEWHEEL;
        event.wheel.y = amount;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    static int PendingEvents()
    {
        return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    VImmediateUI m_UI;
};

TEST_F(VImmediateUIPumpTest, KeyMapUsesSdlKeyCodesAndScanCodes)
{
    const ImGuiIO& io = ImGui::GetIO();
    const struct
    {
        ImGuiKey key;
        int index;
    } expected[] = {
        {ImGuiKey_Tab, 9},        {ImGuiKey_LeftArrow, 80}, {ImGuiKey_RightArrow, 79}, {ImGuiKey_UpArrow, 82},
        {ImGuiKey_DownArrow, 81}, {ImGuiKey_PageUp, 75},    {ImGuiKey_PageDown, 78},   {ImGuiKey_Home, 74},
        {ImGuiKey_End, 77},       {ImGuiKey_Delete, 127},   {ImGuiKey_Backspace, 8},   {ImGuiKey_Enter, 13},
        {ImGuiKey_Escape, 27},    {ImGuiKey_A, 97},         {ImGuiKey_C, 99},          {ImGuiKey_V, 118},
        {ImGuiKey_X, 120},        {ImGuiKey_Y, 121},        {ImGuiKey_Z, 122}};
    for (const auto& entry : expected)
        EXPECT_EQ(io.KeyMap[entry.key], entry.index) << "ImGuiKey " << entry.key;
    EXPECT_NE(io.GetClipboardTextFn, nullptr);
    EXPECT_NE(io.SetClipboardTextFn, nullptr);
}

TEST_F(VImmediateUIPumpTest, StyleTakesEverySizeAndColourOfTheTable)
{
    ImGuiStyle style;
    VImmediateUI::SetupStyle(style);
    EXPECT_FLOAT_EQ(style.Alpha, 0.6f);
    EXPECT_EQ(style.WindowPadding.x, 5.f);
    EXPECT_EQ(style.WindowPadding.y, 5.f);
    EXPECT_EQ(style.WindowRounding, 0.f);
    EXPECT_EQ(style.FramePadding.x, 4.f);
    EXPECT_EQ(style.FramePadding.y, 4.f);
    EXPECT_EQ(style.FrameRounding, 0.f);
    EXPECT_EQ(style.ItemSpacing.x, 2.f);
    EXPECT_EQ(style.ItemSpacing.y, 4.f);
    EXPECT_EQ(style.ItemInnerSpacing.x, 0.f);
    EXPECT_EQ(style.ItemInnerSpacing.y, 0.f);
    EXPECT_EQ(style.IndentSpacing, 25.f);
    EXPECT_EQ(style.ScrollbarSize, 15.f);
    EXPECT_EQ(style.ScrollbarRounding, 0.f);
    EXPECT_EQ(style.GrabMinSize, 5.f);
    EXPECT_EQ(style.GrabRounding, 0.f);
    // Sizes outside the table keep the library's defaults.
    const ImGuiStyle defaults;
    EXPECT_EQ(style.WindowBorderSize, defaults.WindowBorderSize);
    EXPECT_EQ(style.TouchExtraPadding.x, defaults.TouchExtraPadding.x);

    const struct
    {
        ImGuiCol slot;
        ImVec4 color;
    } table[] = {
        {ImGuiCol_Text, {0.80f, 0.80f, 0.83f, 1.00f}},
        {ImGuiCol_TextDisabled, {0.24f, 0.23f, 0.29f, 1.00f}},
        {ImGuiCol_WindowBg, {0.06f, 0.05f, 0.07f, 1.00f}},
        {ImGuiCol_ChildBg, {0.07f, 0.07f, 0.09f, 1.00f}},
        {ImGuiCol_PopupBg, {0.07f, 0.07f, 0.09f, 1.00f}},
        {ImGuiCol_Border, {0.80f, 0.80f, 0.83f, 0.88f}},
        {ImGuiCol_BorderShadow, {0.92f, 0.91f, 0.88f, 0.00f}},
        {ImGuiCol_FrameBg, {0.10f, 0.09f, 0.12f, 1.00f}},
        {ImGuiCol_FrameBgHovered, {0.24f, 0.23f, 0.29f, 1.00f}},
        {ImGuiCol_FrameBgActive, {0.56f, 0.56f, 0.58f, 1.00f}},
        {ImGuiCol_TitleBg, {0.10f, 0.09f, 0.12f, 1.00f}},
        {ImGuiCol_TitleBgCollapsed, {1.00f, 0.98f, 0.95f, 0.75f}},
        {ImGuiCol_TitleBgActive, {0.07f, 0.07f, 0.09f, 1.00f}},
        {ImGuiCol_MenuBarBg, {0.10f, 0.09f, 0.12f, 1.00f}},
        {ImGuiCol_ScrollbarBg, {0.10f, 0.09f, 0.12f, 1.00f}},
        {ImGuiCol_ScrollbarGrab, {0.80f, 0.80f, 0.83f, 0.31f}},
        {ImGuiCol_ScrollbarGrabHovered, {0.56f, 0.56f, 0.58f, 1.00f}},
        {ImGuiCol_ScrollbarGrabActive, {0.06f, 0.05f, 0.07f, 1.00f}},
        {ImGuiCol_CheckMark, {0.80f, 0.80f, 0.83f, 0.31f}},
        {ImGuiCol_SliderGrab, {0.80f, 0.80f, 0.83f, 0.31f}},
        {ImGuiCol_SliderGrabActive, {0.06f, 0.05f, 0.07f, 1.00f}},
        {ImGuiCol_Button, {0.10f, 0.09f, 0.12f, 1.00f}},
        {ImGuiCol_ButtonHovered, {0.24f, 0.23f, 0.29f, 1.00f}},
        {ImGuiCol_ButtonActive, {0.56f, 0.56f, 0.58f, 1.00f}},
        {ImGuiCol_Header, {0.10f, 0.09f, 0.12f, 1.00f}},
        {ImGuiCol_HeaderHovered, {0.56f, 0.56f, 0.58f, 1.00f}},
        {ImGuiCol_HeaderActive, {0.06f, 0.05f, 0.07f, 1.00f}},
        {ImGuiCol_Separator, {0.56f, 0.56f, 0.58f, 1.00f}},        // Column
        {ImGuiCol_SeparatorHovered, {0.24f, 0.23f, 0.29f, 1.00f}}, // ColumnHovered
        {ImGuiCol_SeparatorActive, {0.56f, 0.56f, 0.58f, 1.00f}},  // ColumnActive
        {ImGuiCol_ResizeGrip, {0.00f, 0.00f, 0.00f, 0.00f}},
        {ImGuiCol_ResizeGripHovered, {0.56f, 0.56f, 0.58f, 1.00f}},
        {ImGuiCol_ResizeGripActive, {0.06f, 0.05f, 0.07f, 1.00f}},
        {ImGuiCol_PlotLines, {0.40f, 0.39f, 0.38f, 0.63f}},
        {ImGuiCol_PlotLinesHovered, {0.25f, 1.00f, 0.00f, 1.00f}},
        {ImGuiCol_PlotHistogram, {0.40f, 0.39f, 0.38f, 0.63f}},
        {ImGuiCol_PlotHistogramHovered, {0.25f, 1.00f, 0.00f, 1.00f}},
        {ImGuiCol_TextSelectedBg, {0.25f, 1.00f, 0.00f, 0.43f}},
        {ImGuiCol_ModalWindowDimBg, {1.00f, 0.98f, 0.95f, 0.73f}}, // ModalWindowDarkening
    };
    for (const auto& entry : table)
    {
        const ImVec4& actual = style.Colors[entry.slot];
        EXPECT_FLOAT_EQ(actual.x, entry.color.x) << ImGui::GetStyleColorName(entry.slot);
        EXPECT_FLOAT_EQ(actual.y, entry.color.y) << ImGui::GetStyleColorName(entry.slot);
        EXPECT_FLOAT_EQ(actual.z, entry.color.z) << ImGui::GetStyleColorName(entry.slot);
        EXPECT_FLOAT_EQ(actual.w, entry.color.w) << ImGui::GetStyleColorName(entry.slot);
    }
    // Slots the table does not name keep the library's defaults.
    EXPECT_EQ(std::memcmp(&style.Colors[ImGuiCol_Tab], &defaults.Colors[ImGuiCol_Tab], sizeof(ImVec4)), 0);
}

TEST_F(VImmediateUIPumpTest, AppliesOneHandledEventPerCall)
{
    const ImGuiIO& io = ImGui::GetIO();
    PushKey(SDL_KEYDOWN, SDLK_a);
    PushKey(SDL_KEYDOWN, SDLK_c);
    PushKey(SDL_KEYDOWN, SDLK_LEFT);

    m_UI.ProcessEvents();
    EXPECT_TRUE(io.KeysDown[SDLK_a]);
    EXPECT_FALSE(io.KeysDown[SDLK_c]);
    EXPECT_EQ(PendingEvents(), 2);

    m_UI.ProcessEvents();
    EXPECT_TRUE(io.KeysDown[SDLK_c]);
    EXPECT_FALSE(io.KeysDown[SDL_SCANCODE_LEFT]);

    m_UI.ProcessEvents();
    EXPECT_TRUE(io.KeysDown[SDL_SCANCODE_LEFT]); // arrow keys index by scan code
    EXPECT_EQ(PendingEvents(), 0);
}

TEST_F(VImmediateUIPumpTest, KeyReleaseClearsTheKey)
{
    const ImGuiIO& io = ImGui::GetIO();
    PushKey(SDL_KEYDOWN, SDLK_a);
    PushKey(SDL_KEYUP, SDLK_a);
    m_UI.ProcessEvents();
    EXPECT_TRUE(io.KeysDown[SDLK_a]);
    m_UI.ProcessEvents();
    EXPECT_FALSE(io.KeysDown[SDLK_a]);
}

TEST_F(VImmediateUIPumpTest, DropsOtherKindsBeforeTheHandledEvent)
{
    PushType(SDL_MOUSEBUTTONUP);
    PushType(SDL_MOUSEMOTION);
    PushKey(SDL_KEYDOWN, SDLK_z);
    PushKey(SDL_KEYDOWN, SDLK_x);
    m_UI.ProcessEvents();
    EXPECT_TRUE(ImGui::GetIO().KeysDown[SDLK_z]);
    EXPECT_EQ(PendingEvents(), 1); // only the second key press is left
}

TEST_F(VImmediateUIPumpTest, KeyCodesBeyondTheKeyArrayAreIgnored)
{
    // Layouts with non-ASCII characters report their Unicode code point as the key code.
    PushKey(SDL_KEYDOWN, 0x00e9); // é
    PushKey(SDL_KEYDOWN, 0x3042);
    m_UI.ProcessEvents();
    m_UI.ProcessEvents();
    const ImGuiIO& io = ImGui::GetIO();
    EXPECT_TRUE(io.KeysDown[0xe9]);
    EXPECT_EQ(PendingEvents(), 0);
}

TEST_F(VImmediateUIPumpTest, TextInputReachesTheLibrary)
{
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::strcpy(event.text.text, "h\xc3\xa9");
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    m_UI.ProcessEvents();
    const ImGuiIO& io = ImGui::GetIO();
    ASSERT_EQ(io.InputQueueCharacters.Size, 2);
    EXPECT_EQ(io.InputQueueCharacters[0], 'h');
    EXPECT_EQ(io.InputQueueCharacters[1], 0xe9);
}

// Input records act only in the frame they arrived in: a wheel step followed by frames in which the
// UI has the mouse zooms the view once, not once per frame.
TEST_F(VImmediateUIPumpTest, WheelStepBeforeTheUiTakesTheMouseZoomsOnce)
{
    SDLWindow window; // only its event pump: no SDL window is needed for that
    Camera2D camera(Vector2D(0.f, 0.f), 20.f, 901, 451);

    PushWheel(1);
    window.ProcessEvents();
    camera.Update();
    ASSERT_FLOAT_EQ(camera.GetZoom(), 20.f / 1.1f);

    for (int frame = 0; frame < 4; ++frame)
    {
        m_UI.ProcessEvents();
        EXPECT_TRUE(InputManager::GetInstance()->GetInputEvents().empty());
        camera.Update();
    }
    EXPECT_FLOAT_EQ(camera.GetZoom(), 20.f / 1.1f);
}
} // namespace
} // namespace Vemox
