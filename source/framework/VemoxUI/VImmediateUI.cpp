// Dear ImGui 1.86 integration: key map and clipboard hooks, the UI event pump with its press
// latches, frame start, draw-data rendering with full OpenGL state save and restore, and the style.
#include "VImmediateUI.h"

#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/OpenGL.h"

#include <SDL.h>
#include <imgui.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Vemox
{
namespace
{
const char* const VertexShaderSource = "#version 400\n"
                                       "// Input vertex data\n"
                                       "uniform mat4 projectionMatrix;\n"
                                       "layout(location = 0) in vec2 v_position;\n"
                                       "layout(location = 1) in vec2 v_uv;\n"
                                       "layout(location = 2) in vec4 v_color;\n"
                                       "// Output vertex data\n"
                                       "out vec2 f_uv;\n"
                                       "out vec4 f_color;\n"
                                       "void main(void)\n"
                                       "{\n"
                                       "\tf_uv = v_uv;\n"
                                       "\tf_color = v_color;\n"
                                       "\tgl_Position = projectionMatrix * vec4(v_position.xy, 0.0f, 1.0f);\n"
                                       "}\n";

const char* const FragmentShaderSource = "#version 400\n"
                                         "// Input data\n"
                                         "uniform sampler2D _texture;\n"
                                         "in vec2 f_uv;\n"
                                         "in vec4 f_color;\n"
                                         "// Output data\n"
                                         "out vec4 color;\n"
                                         "void main(void)\n"
                                         "{ color = f_color * texture(_texture, f_uv.st); }\n";

// Integration state, one set per process.
GLuint g_Program = 0;
GLint g_TextureLocation = -1;
GLint g_ProjectionLocation = -1;
GLint g_PositionLocation = -1;
GLint g_UvLocation = -1;
GLint g_ColorLocation = -1;
GLuint g_VertexBuffer = 0;
GLuint g_ElementBuffer = 0;
GLuint g_VertexArray = 0;
// ImGui 1.86 has no input queue: a press released before the next frame would be lost without these.
bool g_MousePressed[3] = {false, false, false};
float g_MouseWheel = 0.f;
// SDL allocates the clipboard text; it stays valid until the next query, as ImGui expects.
char* g_pClipboardText = nullptr;

// SDL mouse-button state masks in ImGui's button order: left, right, middle.
constexpr Uint32 ButtonMasks[3] = {SDL_BUTTON_LMASK, SDL_BUTTON_RMASK, SDL_BUTTON_MMASK};
// ImGui rejects a frame without a positive time step; a timer may well report 0 on the first frame.
constexpr float SmallestDeltaTime = 1.0e-5f;

// The UI library's settings loader takes time that grows with the square of the window entries, so a
// large settings file could hold up start-up and shutdown for seconds or minutes.
constexpr size_t MaxSettingsFileBytes = 64 * 1024;
constexpr int MaxSettingsWindowEntries = 1000;

// Before the library's first frame loads the settings file: a file over the limits is not loaded (the
// UI starts with its defaults), and the library, which believes it loaded, writes a fresh one at
// shutdown.
void RefuseLargeSettingsFile(const char* pFileName)
{
    std::FILE* pFile = pFileName != nullptr ? std::fopen(pFileName, "rb") : nullptr;
    if (pFile == nullptr)
        return;
    // One byte over the limit is enough to know.
    std::string content(MaxSettingsFileBytes + 1, '\0');
    content.resize(std::fread(content.data(), 1, content.size(), pFile));
    std::fclose(pFile);
    int windowEntries = 0;
    for (size_t at = content.find("[Window]["); at != std::string::npos;
         at = content.find("[Window][", at + 1))
        ++windowEntries;
    if (content.size() <= MaxSettingsFileBytes && windowEntries <= MaxSettingsWindowEntries)
        return;
    std::printf("Warning: Settings file \"%s\" not loaded: it is larger than %zu bytes or has more than %d "
                "window entries. The UI starts with its defaults and writes a fresh file on exit.\n",
                pFileName, MaxSettingsFileBytes, MaxSettingsWindowEntries);
    std::fflush(stdout);
    ImGui::LoadIniSettingsFromMemory("");
}

const char* GetClipboardText(void*)
{
    if (g_pClipboardText != nullptr)
        SDL_free(g_pClipboardText);
    g_pClipboardText = SDL_GetClipboardText();
    return g_pClipboardText;
}

void SetClipboardText(void*, const char* pText)
{
    SDL_SetClipboardText(pText);
}

void ApplyKeyEvent(const SDL_KeyboardEvent& keyEvent, bool isDown)
{
    ImGuiIO& io = ImGui::GetIO();
    const int key = static_cast<int>(keyEvent.keysym.sym & ~SDLK_SCANCODE_MASK);
    // Key codes of non-ASCII layouts lie far beyond the key-down array.
    if (key >= 0 && key < static_cast<int>(IM_ARRAYSIZE(io.KeysDown)))
        io.KeysDown[key] = isDown;
    const SDL_Keymod modifiers = SDL_GetModState();
    io.KeyShift = (modifiers & KMOD_SHIFT) != 0;
    io.KeyCtrl = (modifiers & KMOD_CTRL) != 0;
    io.KeyAlt = (modifiers & KMOD_ALT) != 0;
    io.KeySuper = (modifiers & KMOD_GUI) != 0;
}

// The same record the window's pump makes, so that the program's keyboard shortcuts see the key
// whichever pump ran.
void RecordKeyEvent(const SDL_Event& event)
{
    InputEvent record;
    record.type = InputType::Keyboard;
    record.state = event.type == SDL_KEYDOWN ? InputState::Down : InputState::Released;
    record.data.timestamp = event.common.timestamp;
    record.data.code = static_cast<int32_t>(event.key.keysym.scancode);
    InputManager::GetInstance()->AddInputEvent(record);
}

void SetupRenderState(int framebufferWidth, int framebufferHeight, const ImVec2& displaySize)
{
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    glActiveTexture(GL_TEXTURE0);
    glViewport(0, 0, framebufferWidth, framebufferHeight);

    float projection[16] = {};
    projection[0] = 2.f / displaySize.x;
    projection[5] = 2.f / -displaySize.y;
    projection[10] = -1.f;
    projection[12] = -1.f;
    projection[13] = 1.f;
    projection[15] = 1.f;
    glUseProgram(g_Program);
    glUniform1i(g_TextureLocation, 0);
    glUniformMatrix4fv(g_ProjectionLocation, 1, GL_FALSE, projection);
    glBindVertexArray(g_VertexArray);
}

// Everything RenderDrawLists changes.
struct SavedGLState
{
    GLint program = 0;
    GLint activeTexture = 0;
    GLint texture0 = 0; ///< 2D texture of unit 0, the unit the UI draws with
    GLint arrayBuffer = 0;
    GLint elementArrayBuffer = 0;
    GLint vertexArray = 0;
    GLint blendSource = 0;
    GLint blendDestination = 0;
    GLint blendEquationRgb = 0;
    GLint blendEquationAlpha = 0;
    GLint viewport[4] = {};
    GLint scissorBox[4] = {};
    GLboolean blend = GL_FALSE;
    GLboolean cullFace = GL_FALSE;
    GLboolean depthTest = GL_FALSE;
    GLboolean scissorTest = GL_FALSE;
};

SavedGLState SaveGLState()
{
    SavedGLState state;
    glGetIntegerv(GL_CURRENT_PROGRAM, &state.program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &state.activeTexture);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.texture0);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &state.arrayBuffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &state.vertexArray);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &state.elementArrayBuffer);
    glGetIntegerv(GL_BLEND_SRC, &state.blendSource);
    glGetIntegerv(GL_BLEND_DST, &state.blendDestination);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &state.blendEquationRgb);
    glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &state.blendEquationAlpha);
    glGetIntegerv(GL_VIEWPORT, state.viewport);
    glGetIntegerv(GL_SCISSOR_BOX, state.scissorBox);
    state.blend = glIsEnabled(GL_BLEND);
    state.cullFace = glIsEnabled(GL_CULL_FACE);
    state.depthTest = glIsEnabled(GL_DEPTH_TEST);
    state.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    return state;
}

void SetEnabled(GLenum capability, GLboolean enabled)
{
    if (enabled)
        glEnable(capability);
    else
        glDisable(capability);
}

void RestoreGLState(const SavedGLState& state)
{
    glUseProgram(static_cast<GLuint>(state.program));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(state.texture0));
    glActiveTexture(static_cast<GLenum>(state.activeTexture));
    // The element buffer belongs to the vertex array, so it is rebound after that.
    glBindVertexArray(static_cast<GLuint>(state.vertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(state.arrayBuffer));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(state.elementArrayBuffer));
    glBlendEquationSeparate(static_cast<GLenum>(state.blendEquationRgb),
                            static_cast<GLenum>(state.blendEquationAlpha));
    glBlendFunc(static_cast<GLenum>(state.blendSource), static_cast<GLenum>(state.blendDestination));
    SetEnabled(GL_BLEND, state.blend);
    SetEnabled(GL_CULL_FACE, state.cullFace);
    SetEnabled(GL_DEPTH_TEST, state.depthTest);
    SetEnabled(GL_SCISSOR_TEST, state.scissorTest);
    glViewport(state.viewport[0], state.viewport[1], state.viewport[2], state.viewport[3]);
    glScissor(state.scissorBox[0], state.scissorBox[1], state.scissorBox[2], state.scissorBox[3]);
}

void SetColor(ImGuiStyle& style, ImGuiCol slot, float r, float g, float b, float a)
{
    style.Colors[slot] = ImVec4(r, g, b, a);
}
} // namespace

void VImmediateUI::CreateHeadlessContext(float displayWidth, float displayHeight)
{
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr; // nothing on screen, so nothing to remember
    io.DisplaySize = ImVec2(displayWidth, displayHeight);
    io.DeltaTime = 1.f / 60.f;
    unsigned char* pPixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pPixels, &width, &height); // a frame cannot start without the atlas
    SDLDebugRenderer2D::SetUiFrameOpen(false);               // a new context has no frame open
}

void VImmediateUI::SetupIO(ImGuiIO& io)
{
    // Arrow, page and home/end keys are SDL scan codes, the others SDL key codes: key events index
    // the key-down array with the key code's scan-code bit cleared.
    io.KeyMap[ImGuiKey_Tab] = SDLK_TAB;
    io.KeyMap[ImGuiKey_LeftArrow] = SDL_SCANCODE_LEFT;
    io.KeyMap[ImGuiKey_RightArrow] = SDL_SCANCODE_RIGHT;
    io.KeyMap[ImGuiKey_UpArrow] = SDL_SCANCODE_UP;
    io.KeyMap[ImGuiKey_DownArrow] = SDL_SCANCODE_DOWN;
    io.KeyMap[ImGuiKey_PageUp] = SDL_SCANCODE_PAGEUP;
    io.KeyMap[ImGuiKey_PageDown] = SDL_SCANCODE_PAGEDOWN;
    io.KeyMap[ImGuiKey_Home] = SDL_SCANCODE_HOME;
    io.KeyMap[ImGuiKey_End] = SDL_SCANCODE_END;
    io.KeyMap[ImGuiKey_Delete] = SDLK_DELETE;
    io.KeyMap[ImGuiKey_Backspace] = SDLK_BACKSPACE;
    io.KeyMap[ImGuiKey_Enter] = SDLK_RETURN;
    io.KeyMap[ImGuiKey_Escape] = SDLK_ESCAPE;
    io.KeyMap[ImGuiKey_A] = SDLK_a;
    io.KeyMap[ImGuiKey_C] = SDLK_c;
    io.KeyMap[ImGuiKey_V] = SDLK_v;
    io.KeyMap[ImGuiKey_X] = SDLK_x;
    io.KeyMap[ImGuiKey_Y] = SDLK_y;
    io.KeyMap[ImGuiKey_Z] = SDLK_z;

    io.GetClipboardTextFn = GetClipboardText;
    io.SetClipboardTextFn = SetClipboardText;
    io.ClipboardUserData = nullptr;
    // The IME window handle is a Windows concept; on other platforms there is nothing to hand over.
}

void VImmediateUI::Initialize(SDL_Window* pWindow, bool* pShouldQuit)
{
    VEMOX_ASSERT(pWindow != nullptr && "<VImmediateUI::Initialize>: no window");
    m_pShouldQuit = pShouldQuit;
    if (ImGui::GetCurrentContext() == nullptr)
    {
        ImGui::CreateContext();
        m_OwnsContext = true;
    }
    ImGuiIO& io = ImGui::GetIO();
    SetupIO(io);
    RefuseLargeSettingsFile(io.IniFilename);

    // LoadShaders is static, yet the framework's start-up makes sure the renderer exists first; keep it.
    SDLDebugRenderer2D::GetInstance();
    g_Program = SDLDebugRenderer2D::LoadShaders(VertexShaderSource, FragmentShaderSource);
    g_TextureLocation = glGetUniformLocation(g_Program, "_texture");
    g_ProjectionLocation = glGetUniformLocation(g_Program, "projectionMatrix");
    g_PositionLocation = glGetAttribLocation(g_Program, "v_position");
    g_UvLocation = glGetAttribLocation(g_Program, "v_uv");
    g_ColorLocation = glGetAttribLocation(g_Program, "v_color");

    glGenBuffers(1, &g_VertexBuffer);
    glGenBuffers(1, &g_ElementBuffer);
    glGenVertexArrays(1, &g_VertexArray);
    glBindVertexArray(g_VertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, g_VertexBuffer);
    glEnableVertexAttribArray(static_cast<GLuint>(g_PositionLocation));
    glEnableVertexAttribArray(static_cast<GLuint>(g_UvLocation));
    glEnableVertexAttribArray(static_cast<GLuint>(g_ColorLocation));
    const GLsizei stride = sizeof(ImDrawVert);
    glVertexAttribPointer(static_cast<GLuint>(g_PositionLocation), 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(ImDrawVert, pos)));
    glVertexAttribPointer(static_cast<GLuint>(g_UvLocation), 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(ImDrawVert, uv)));
    glVertexAttribPointer(static_cast<GLuint>(g_ColorLocation), 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(ImDrawVert, col)));

    unsigned char* pPixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pPixels, &width, &height);
    GLint lastTexture = 0;
    GLint lastArrayBuffer = 0;
    GLint lastVertexArray = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &lastTexture);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &lastArrayBuffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &lastVertexArray);
    glGenTextures(1, &m_FontTexture);
    glBindTexture(GL_TEXTURE_2D, m_FontTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pPixels);
    io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(m_FontTexture)));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(lastTexture));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(lastArrayBuffer));
    glBindVertexArray(static_cast<GLuint>(lastVertexArray));

    CheckOpenGLError();
    SetupStyle(ImGui::GetStyle());
}

void VImmediateUI::ProcessEvents()
{
    // The camera must not act again on the records of the last window-pump frame.
    InputManager::GetInstance()->Clear();

    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        switch (event.type)
        {
        case SDL_QUIT:
            // The window must stay closable while the pointer rests on the UI.
            if (m_pShouldQuit != nullptr)
                *m_pShouldQuit = true;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            ApplyKeyEvent(event.key, event.type == SDL_KEYDOWN);
            RecordKeyEvent(event);
            return;
        case SDL_TEXTINPUT:
            ImGui::GetIO().AddInputCharactersUTF8(event.text.text);
            return;
        case SDL_MOUSEWHEEL:
            if (event.wheel.y > 0)
                g_MouseWheel = 1.f;
            else if (event.wheel.y < 0)
                g_MouseWheel = -1.f;
            return;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT)
                g_MousePressed[0] = true;
            else if (event.button.button == SDL_BUTTON_RIGHT)
                g_MousePressed[1] = true;
            else if (event.button.button == SDL_BUTTON_MIDDLE)
                g_MousePressed[2] = true;
            return;
        default:
            break;
        }
    }
}

void VImmediateUI::NewFrame(float deltaTime, SDL_Window* pWindow)
{
    ImGuiIO& io = ImGui::GetIO();

    int width = 0;
    int height = 0;
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GetWindowSize(pWindow, &width, &height);
    SDL_GL_GetDrawableSize(pWindow, &drawableWidth, &drawableHeight);
    io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    io.DisplayFramebufferScale =
        ImVec2(width > 0 ? static_cast<float>(drawableWidth) / static_cast<float>(width) : 0.f,
               height > 0 ? static_cast<float>(drawableHeight) / static_cast<float>(height) : 0.f);

    io.DeltaTime = deltaTime > 0.f ? deltaTime : SmallestDeltaTime;

    int mouseX = 0;
    int mouseY = 0;
    const Uint32 buttons = SDL_GetMouseState(&mouseX, &mouseY);
    if ((SDL_GetWindowFlags(pWindow) & SDL_WINDOW_MOUSE_FOCUS) != 0)
        io.MousePos = ImVec2(static_cast<float>(mouseX), static_cast<float>(mouseY));
    else
        io.MousePos = ImVec2(-1.f, -1.f);

    for (int i = 0; i < 3; ++i)
    {
        io.MouseDown[i] = g_MousePressed[i] || (buttons & ButtonMasks[i]) != 0;
        g_MousePressed[i] = false;
    }

    io.MouseWheel = g_MouseWheel;
    g_MouseWheel = 0.f;

    SDL_ShowCursor(io.MouseDrawCursor ? 0 : 1);
    ImGui::NewFrame();
    SDLDebugRenderer2D::SetUiFrameOpen(true);
}

void VImmediateUI::Render()
{
    SDLDebugRenderer2D::SetUiFrameOpen(false);
    ImGui::Render();
    RenderDrawLists(ImGui::GetDrawData());
}

void VImmediateUI::RenderDrawLists(ImDrawData* pDrawData)
{
    if (pDrawData == nullptr || g_Program == 0)
        return;
    const ImGuiIO& io = ImGui::GetIO();
    const int framebufferWidth = static_cast<int>(io.DisplaySize.x * io.DisplayFramebufferScale.x);
    const int framebufferHeight = static_cast<int>(io.DisplaySize.y * io.DisplayFramebufferScale.y);
    if (framebufferWidth == 0 || framebufferHeight == 0)
        return;
    pDrawData->ScaleClipRects(io.DisplayFramebufferScale);

    const SavedGLState saved = SaveGLState();
    SetupRenderState(framebufferWidth, framebufferHeight, io.DisplaySize);

    for (int listIndex = 0; listIndex < pDrawData->CmdListsCount; ++listIndex)
    {
        const ImDrawList* pList = pDrawData->CmdLists[listIndex];
        glBindBuffer(GL_ARRAY_BUFFER, g_VertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(pList->VtxBuffer.Size) * sizeof(ImDrawVert),
                     pList->VtxBuffer.Data, GL_STREAM_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g_ElementBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(pList->IdxBuffer.Size) * sizeof(ImDrawIdx),
                     pList->IdxBuffer.Data, GL_STREAM_DRAW);

        size_t indexOffset = 0;
        for (int commandIndex = 0; commandIndex < pList->CmdBuffer.Size; ++commandIndex)
        {
            const ImDrawCmd& command = pList->CmdBuffer[commandIndex];
            if (command.UserCallback == ImDrawCallback_ResetRenderState)
            {
                SetupRenderState(framebufferWidth, framebufferHeight, io.DisplaySize);
            }
            else if (command.UserCallback != nullptr)
            {
                command.UserCallback(pList, &command);
            }
            else
            {
                const ImVec4& clip = command.ClipRect;
                // An empty or inverted clip rectangle would be an invalid scissor box.
                if (clip.z > clip.x && clip.w > clip.y)
                {
                    glBindTexture(GL_TEXTURE_2D,
                                  static_cast<GLuint>(reinterpret_cast<intptr_t>(command.GetTexID())));
                    glScissor(static_cast<int>(clip.x), static_cast<int>(framebufferHeight - clip.w),
                              static_cast<int>(clip.z - clip.x), static_cast<int>(clip.w - clip.y));
                    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(command.ElemCount),
                                   sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                                   reinterpret_cast<const void*>(indexOffset * sizeof(ImDrawIdx)));
                }
            }
            indexOffset += command.ElemCount;
        }
    }

    RestoreGLState(saved);
}

void VImmediateUI::Shutdown()
{
    // Without a current context the objects are gone with it, and a GL call could crash the driver.
    if (SDL_GL_GetCurrentContext() != nullptr)
    {
        if (g_VertexArray != 0)
            glDeleteVertexArrays(1, &g_VertexArray);
        if (g_VertexBuffer != 0)
            glDeleteBuffers(1, &g_VertexBuffer);
        if (g_ElementBuffer != 0)
            glDeleteBuffers(1, &g_ElementBuffer);
        if (g_Program != 0)
            glDeleteProgram(g_Program);
        if (m_FontTexture != 0)
            glDeleteTextures(1, &m_FontTexture);
    }
    g_VertexArray = 0;
    g_VertexBuffer = 0;
    g_ElementBuffer = 0;
    g_Program = 0;
    m_FontTexture = 0;

    if (g_pClipboardText != nullptr)
    {
        SDL_free(g_pClipboardText);
        g_pClipboardText = nullptr;
    }

    if (ImGui::GetCurrentContext() != nullptr)
    {
        ImGui::GetIO().Fonts->SetTexID(nullptr);
        // Destroying the context writes the settings file "imgui.ini".
        if (m_OwnsContext)
            ImGui::DestroyContext();
        else if (ImGui::GetIO().IniFilename != nullptr)
            ImGui::SaveIniSettingsToDisk(ImGui::GetIO().IniFilename);
    }
    m_OwnsContext = false;
    m_pShouldQuit = nullptr;
    SDLDebugRenderer2D::SetUiFrameOpen(false);
}

bool VImmediateUI::WantsInput()
{
    if (ImGui::GetCurrentContext() == nullptr)
        return false;
    const ImGuiIO& io = ImGui::GetIO();
    return io.WantCaptureMouse || io.WantCaptureKeyboard;
}

bool VImmediateUI::WantsMouse()
{
    return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().WantCaptureMouse;
}

bool VImmediateUI::WantsTextInput()
{
    return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().WantTextInput;
}

void VImmediateUI::SetupStyle(ImGuiStyle& style)
{
    style.Alpha = 0.6f;
    style.WindowPadding = ImVec2(5.f, 5.f);
    style.WindowRounding = 0.f;
    style.FramePadding = ImVec2(4.f, 4.f);
    style.FrameRounding = 0.f;
    style.ItemSpacing = ImVec2(2.f, 4.f);
    style.ItemInnerSpacing = ImVec2(0.f, 0.f);
    style.IndentSpacing = 25.f;
    style.ScrollbarSize = 15.f;
    style.ScrollbarRounding = 0.f;
    style.GrabMinSize = 5.f;
    style.GrabRounding = 0.f;

    // The library renamed the child-window, column and modal-darkening slots; the combo background
    // and close-button slots no longer exist and are left out.
    SetColor(style, ImGuiCol_Text, 0.80f, 0.80f, 0.83f, 1.00f);
    SetColor(style, ImGuiCol_TextDisabled, 0.24f, 0.23f, 0.29f, 1.00f);
    SetColor(style, ImGuiCol_WindowBg, 0.06f, 0.05f, 0.07f, 1.00f);
    SetColor(style, ImGuiCol_ChildBg, 0.07f, 0.07f, 0.09f, 1.00f);
    SetColor(style, ImGuiCol_PopupBg, 0.07f, 0.07f, 0.09f, 1.00f);
    SetColor(style, ImGuiCol_Border, 0.80f, 0.80f, 0.83f, 0.88f);
    SetColor(style, ImGuiCol_BorderShadow, 0.92f, 0.91f, 0.88f, 0.00f);
    SetColor(style, ImGuiCol_FrameBg, 0.10f, 0.09f, 0.12f, 1.00f);
    SetColor(style, ImGuiCol_FrameBgHovered, 0.24f, 0.23f, 0.29f, 1.00f);
    SetColor(style, ImGuiCol_FrameBgActive, 0.56f, 0.56f, 0.58f, 1.00f);
    SetColor(style, ImGuiCol_TitleBg, 0.10f, 0.09f, 0.12f, 1.00f);
    SetColor(style, ImGuiCol_TitleBgCollapsed, 1.00f, 0.98f, 0.95f, 0.75f);
    SetColor(style, ImGuiCol_TitleBgActive, 0.07f, 0.07f, 0.09f, 1.00f);
    SetColor(style, ImGuiCol_MenuBarBg, 0.10f, 0.09f, 0.12f, 1.00f);
    SetColor(style, ImGuiCol_ScrollbarBg, 0.10f, 0.09f, 0.12f, 1.00f);
    SetColor(style, ImGuiCol_ScrollbarGrab, 0.80f, 0.80f, 0.83f, 0.31f);
    SetColor(style, ImGuiCol_ScrollbarGrabHovered, 0.56f, 0.56f, 0.58f, 1.00f);
    SetColor(style, ImGuiCol_ScrollbarGrabActive, 0.06f, 0.05f, 0.07f, 1.00f);
    SetColor(style, ImGuiCol_CheckMark, 0.80f, 0.80f, 0.83f, 0.31f);
    SetColor(style, ImGuiCol_SliderGrab, 0.80f, 0.80f, 0.83f, 0.31f);
    SetColor(style, ImGuiCol_SliderGrabActive, 0.06f, 0.05f, 0.07f, 1.00f);
    SetColor(style, ImGuiCol_Button, 0.10f, 0.09f, 0.12f, 1.00f);
    SetColor(style, ImGuiCol_ButtonHovered, 0.24f, 0.23f, 0.29f, 1.00f);
    SetColor(style, ImGuiCol_ButtonActive, 0.56f, 0.56f, 0.58f, 1.00f);
    SetColor(style, ImGuiCol_Header, 0.10f, 0.09f, 0.12f, 1.00f);
    SetColor(style, ImGuiCol_HeaderHovered, 0.56f, 0.56f, 0.58f, 1.00f);
    SetColor(style, ImGuiCol_HeaderActive, 0.06f, 0.05f, 0.07f, 1.00f);
    SetColor(style, ImGuiCol_Separator, 0.56f, 0.56f, 0.58f, 1.00f);
    SetColor(style, ImGuiCol_SeparatorHovered, 0.24f, 0.23f, 0.29f, 1.00f);
    SetColor(style, ImGuiCol_SeparatorActive, 0.56f, 0.56f, 0.58f, 1.00f);
    SetColor(style, ImGuiCol_ResizeGrip, 0.00f, 0.00f, 0.00f, 0.00f);
    SetColor(style, ImGuiCol_ResizeGripHovered, 0.56f, 0.56f, 0.58f, 1.00f);
    SetColor(style, ImGuiCol_ResizeGripActive, 0.06f, 0.05f, 0.07f, 1.00f);
    SetColor(style, ImGuiCol_PlotLines, 0.40f, 0.39f, 0.38f, 0.63f);
    SetColor(style, ImGuiCol_PlotLinesHovered, 0.25f, 1.00f, 0.00f, 1.00f);
    SetColor(style, ImGuiCol_PlotHistogram, 0.40f, 0.39f, 0.38f, 0.63f);
    SetColor(style, ImGuiCol_PlotHistogramHovered, 0.25f, 1.00f, 0.00f, 1.00f);
    SetColor(style, ImGuiCol_TextSelectedBg, 0.25f, 1.00f, 0.00f, 0.43f);
    SetColor(style, ImGuiCol_ModalWindowDimBg, 1.00f, 0.98f, 0.95f, 0.73f);
}
} // namespace Vemox
