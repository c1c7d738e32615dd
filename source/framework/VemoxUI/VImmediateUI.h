// Connects Dear ImGui 1.86 to the SDL window and to OpenGL: feeds it display size, time, mouse and
// keyboard input, renders its draw data with an own shader program, and sets the UI's look.
#pragma once

struct ImDrawData;
struct ImGuiIO;
struct ImGuiStyle;
struct SDL_Window;

namespace Vemox
{
class VImmediateUI
{
public:
    VImmediateUI() = default;
    ~VImmediateUI() = default;
    VImmediateUI(const VImmediateUI&) = delete;
    VImmediateUI& operator=(const VImmediateUI&) = delete;

    /// Once, after the OpenGL context and the debug renderer exist. Creates the UI library's context
    /// when there is none. pShouldQuit: the window's quit flag (not owned), set by a quit request
    /// that reaches the UI's event pump. A settings file over 64 KiB or 1000 window entries is not
    /// loaded (one warning line); the UI starts with its defaults and writes a fresh file on exit.
    void Initialize(SDL_Window* pWindow, bool* pShouldQuit);

    /// The UI's event pump for frames when the UI captures mouse or keyboard: applies the first event
    /// of a handled kind and returns; other events before it are dropped, except that a quit request
    /// still sets the quit flag. Empties the frame's input records, so nothing acts on stale ones; a
    /// key event it applies is also recorded there, as the window's pump would.
    void ProcessEvents();

    /// Starts the UI frame; deltaTime in seconds. Every frame, before any UI call.
    void NewFrame(float deltaTime, SDL_Window* pWindow);

    /// Ends the UI frame and draws it (ImGui::Render, then RenderDrawLists).
    void Render();

    /// Draws the UI's draw data; leaves every OpenGL state it changes as it found it.
    static void RenderDrawLists(ImDrawData* pDrawData);

    /// Deletes the OpenGL objects and shuts the UI library down (which writes "imgui.ini").
    void Shutdown();

    /// True when the UI wants the mouse or the keyboard (as left by the last frame), i.e. when the
    /// UI's event pump should run instead of the window's.
    static bool WantsInput();
    /// The UI has the mouse: the pointer is over one of its windows or it is dragging. Current after
    /// NewFrame.
    static bool WantsMouse();
    /// A UI text field has the keyboard. Current after NewFrame.
    static bool WantsTextInput();

    /// Key map and clipboard hooks; part of Initialize, callable without OpenGL.
    static void SetupIO(ImGuiIO& io);
    /// Sizes and colours of the UI's look.
    static void SetupStyle(ImGuiStyle& style);

    /// Creates a UI context for runs without a window or OpenGL: display size in pixels, font atlas
    /// built, a nominal frame time, and no settings file. The caller destroys it (ImGui::DestroyContext).
    static void CreateHeadlessContext(float displayWidth, float displayHeight);

    unsigned int GetFontTexture() const { return m_FontTexture; }

private:
    unsigned int m_FontTexture = 0;
    bool* m_pShouldQuit = nullptr; ///< the window's quit flag, not owned
    bool m_OwnsContext = false;    ///< Initialize created the UI library's context
};
} // namespace Vemox
