// The debug renderer: CPU-side geometry batches, their one-pass upload and draw, the shader
// builder shared with the UI, and world-space text through the UI's "Overlay" window.
#include "SDLDebugRenderer2D.h"

#include "Camera2D.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/OpenGL.h"

#include <SDL.h>
#include <imgui.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace Vemox
{
namespace
{
constexpr size_t InitialBatchCapacity = 512;
constexpr size_t InitialTextCapacity = 256;
constexpr int CircleSegments = 16;
constexpr float OutlineDepthOffset = 0.0000005f; // puts outlines just in front of their fill
constexpr float TransformAxisLength = 0.4f;
constexpr float DepthSliceStep = 0.0005f;
constexpr float DepthSliceStart = 0.5f;
constexpr float DepthSliceLowest = -0.5f;
constexpr GLsizei VertexStride = sizeof(DebugVertex);
const ImVec4 TextColor(230.f / 255.f, 153.f / 255.f, 153.f / 255.f, 1.f);

const char* const VertexShaderSource = "#version 400\n"
                                       "// Input vertex data\n"
                                       "uniform mat4 projectionMatrix;\n"
                                       "layout(location = 0) in vec3 v_position;\n"
                                       "layout(location = 1) in vec4 v_color;\n"
                                       "layout(location = 2) in float v_size;\n"
                                       "// Output vertex data\n"
                                       "out vec4 f_color;\n"
                                       "void main(void)\n"
                                       "{\n"
                                       "\tf_color = v_color;\n"
                                       "\tgl_PointSize = v_size;\n"
                                       "\tgl_Position = projectionMatrix * vec4(v_position.xy, 0.0f, 1.0f);\n"
                                       "\tgl_Position.z = v_position.z;\n"
                                       "}\n";

const char* const FragmentShaderSource = "#version 400\n"
                                         "// Input data\n"
                                         "in vec4 f_color;\n"
                                         "// Output data\n"
                                         "out vec4 color;\n"
                                         "void main(void)\n"
                                         "{ color = f_color; }\n";

// One direction step of the 16-segment circle, computed once per call as the renderer always has.
struct CircleStep
{
    float sine;
    float cosine;
};

CircleStep GetCircleStep()
{
    const float angle = TwoPi / static_cast<float>(CircleSegments);
    return {static_cast<float>(std::sin(static_cast<double>(angle))),
            static_cast<float>(std::cos(static_cast<double>(angle)))};
}

Vector2D Rotate(const Vector2D& r, const CircleStep& step)
{
    return {step.cosine * r.x - step.sine * r.y, step.sine * r.x + step.cosine * r.y};
}

void PrintInfoLog(const std::vector<char>& log)
{
    std::printf("%s \n", log.data());
}

void CompileShader(GLuint shader, const char* source)
{
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    // The status is read but ignored on purpose: the framework only prints the log and keeps a failed shader.
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0)
    {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetShaderInfoLog(shader, logLength, nullptr, log.data());
        PrintInfoLog(log);
    }
}

void UploadAndDraw(const std::vector<DebugVertex>& batch, GLenum mode)
{
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(batch.size() * sizeof(DebugVertex)), batch.data(),
                 GL_DYNAMIC_DRAW);
    glDrawArrays(mode, 0, static_cast<GLsizei>(batch.size()));
}
} // namespace

SDLDebugRenderer2D* SDLDebugRenderer2D::s_pInstance = nullptr;

SDLDebugRenderer2D* SDLDebugRenderer2D::GetInstance()
{
    if (s_pInstance == nullptr)
        s_pInstance = new SDLDebugRenderer2D();
    return s_pInstance;
}

void SDLDebugRenderer2D::DestroyInstance()
{
    if (s_pInstance == nullptr)
        return;
    SDLDebugRenderer2D* pRenderer = s_pInstance;
    pRenderer->m_Points.clear();
    pRenderer->m_Lines.clear();
    pRenderer->m_Triangles.clear();
    // Objects are only deleted when Initialize created them and their context is still current: the
    // program tears the context down first, which frees them, and a GL call without a context crashes
    // some drivers. Windowless runs make no GL call at all.
    if (SDL_GL_GetCurrentContext() != nullptr)
    {
        if (pRenderer->m_Vbo != 0)
            glDeleteBuffers(1, &pRenderer->m_Vbo);
        if (pRenderer->m_Vao != 0)
            glDeleteVertexArrays(1, &pRenderer->m_Vao);
        if (pRenderer->m_Program != 0)
            glDeleteProgram(pRenderer->m_Program);
    }
    delete pRenderer;
    s_pInstance = nullptr;
}

void SDLDebugRenderer2D::Initialize(Camera2D* pCamera)
{
    m_pCamera = pCamera;
    ReserveStorage();

    m_Program = LoadShaders(VertexShaderSource, FragmentShaderSource);
    m_ProjectionLocation = glGetUniformLocation(m_Program, "projectionMatrix");

    glGenVertexArrays(1, &m_Vao);
    glGenBuffers(1, &m_Vbo);
    glBindVertexArray(m_Vao);
    glBindBuffer(GL_ARRAY_BUFFER, m_Vbo);
    glVertexAttribPointer(PositionLocation, 3, GL_FLOAT, GL_FALSE, VertexStride,
                          reinterpret_cast<const void*>(offsetof(DebugVertex, x)));
    glVertexAttribPointer(ColorLocation, 4, GL_FLOAT, GL_FALSE, VertexStride,
                          reinterpret_cast<const void*>(offsetof(DebugVertex, r)));
    glVertexAttribPointer(SizeLocation, 1, GL_FLOAT, GL_FALSE, VertexStride,
                          reinterpret_cast<const void*>(offsetof(DebugVertex, size)));
    glEnableVertexAttribArray(PositionLocation);
    glEnableVertexAttribArray(ColorLocation);
    glEnableVertexAttribArray(SizeLocation);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);

    glEnable(GL_DEPTH_TEST);
    CheckOpenGLError();
}

void SDLDebugRenderer2D::ReserveStorage()
{
    m_Points.reserve(InitialBatchCapacity);
    m_Lines.reserve(InitialBatchCapacity);
    m_Triangles.reserve(InitialBatchCapacity);
    if (m_TextBuffer.size() < InitialTextCapacity)
        m_TextBuffer.resize(InitialTextCapacity);
}

void SDLDebugRenderer2D::Render()
{
    VEMOX_ASSERT(m_pCamera != nullptr && "<SDLDebugRenderer2D::Render>: Initialize was not called");

    // Two clears rather than one combined mask: the framework's documented call sequence; do not merge them.
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);

    glUseProgram(m_Program);
    glBindVertexArray(m_Vao);
    glBindBuffer(GL_ARRAY_BUFFER, m_Vbo);

    float projection[16];
    BuildProjection(m_pCamera->GetViewBounds(), projection);
    glUniformMatrix4fv(m_ProjectionLocation, 1, GL_FALSE, projection);

    if (!m_Lines.empty())
        UploadAndDraw(m_Lines, GL_LINES);

    if (!m_Triangles.empty())
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        UploadAndDraw(m_Triangles, GL_TRIANGLES);
        glDisable(GL_BLEND);
    }

    if (!m_Points.empty())
    {
        glEnable(GL_PROGRAM_POINT_SIZE);
        UploadAndDraw(m_Points, GL_POINTS);
        glDisable(GL_PROGRAM_POINT_SIZE);
    }

    DiscardFrame();

    // Disabled again although the point pass already did: the framework's documented end-of-pass reset.
    glDisable(GL_PROGRAM_POINT_SIZE);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    glUseProgram(0);
    glFlush();

    CheckOpenGLError();
}

void SDLDebugRenderer2D::DiscardFrame()
{
    m_Points.clear();
    m_Lines.clear();
    m_Triangles.clear();
    m_CurrentDepth = DepthSliceStart;
}

bool SDLDebugRenderer2D::GetViewWithMargin(ViewBounds& bounds) const
{
    if (m_pCamera == nullptr)
        return false;
    const float margin = ViewMarginPixels / GetPixelsPerUnit();
    bounds = m_pCamera->GetViewBounds();
    bounds.left -= margin;
    bounds.right += margin;
    bounds.bottom -= margin;
    bounds.top += margin;
    return true;
}

bool SDLDebugRenderer2D::IsInView(const Vector2D& lower, const Vector2D& upper) const
{
    ViewBounds view;
    if (!GetViewWithMargin(view))
        return true;
    return upper.x >= view.left && lower.x <= view.right && upper.y >= view.bottom && lower.y <= view.top;
}

float SDLDebugRenderer2D::GetPixelsPerUnit() const
{
    if (m_pCamera == nullptr)
        return 0.f;
    const ViewBounds view = m_pCamera->GetViewBounds();
    return static_cast<float>(m_pCamera->GetHeight()) / (view.top - view.bottom);
}

void SDLDebugRenderer2D::BuildProjection(const ViewBounds& bounds, float* pMatrix16)
{
    for (int i = 0; i < 16; ++i)
        pMatrix16[i] = 0.f;
    const float width = bounds.right - bounds.left;
    const float height = bounds.top - bounds.bottom;
    pMatrix16[0] = 2.f / width;
    pMatrix16[5] = 2.f / height;
    pMatrix16[10] = 1.f;
    pMatrix16[12] = -(bounds.right + bounds.left) / width;
    pMatrix16[13] = -(bounds.top + bounds.bottom) / height;
    pMatrix16[15] = 1.f;
}

void SDLDebugRenderer2D::AddVertex(std::vector<DebugVertex>& batch, const Vector2D& position, float depth,
                                   const Color& color, float size)
{
    DebugVertex vertex;
    vertex.x = position.x;
    vertex.y = position.y;
    vertex.z = depth;
    vertex.r = color.r;
    vertex.g = color.g;
    vertex.b = color.b;
    vertex.a = color.a;
    vertex.size = size;
    batch.push_back(vertex);
}

void SDLDebugRenderer2D::DrawPoint(const Vector2D& position, float size, const Color& color, float depth)
{
    AddVertex(m_Points, position, depth, color, size);
}

void SDLDebugRenderer2D::DrawSegment(const Vector2D& p1, const Vector2D& p2, const Color& color, float depth)
{
    AddVertex(m_Lines, p1, depth, color);
    AddVertex(m_Lines, p2, depth, color);
}

void SDLDebugRenderer2D::DrawPolygon(const Vector2D* pPoints, int count, const Color& color, float depth)
{
    if (count <= 0)
        return;
    // The first segment closes the polygon from the last point to the first.
    for (int i = 0; i < count; ++i)
    {
        const int previous = (i == 0) ? count - 1 : i - 1;
        DrawSegment(pPoints[previous], pPoints[i], color, depth);
    }
}

void SDLDebugRenderer2D::DrawSolidPolygon(const Vector2D* pPoints, int count, const Color& color, float depth)
{
    const Color fill(0.5f * color.r, 0.5f * color.g, 0.5f * color.b, 0.5f);
    for (int i = 1; i < count - 1; ++i)
    {
        AddVertex(m_Triangles, pPoints[0], depth, fill);
        AddVertex(m_Triangles, pPoints[i], depth, fill);
        AddVertex(m_Triangles, pPoints[i + 1], depth, fill);
    }
    DrawPolygon(pPoints, count, color, depth - OutlineDepthOffset);
}

void SDLDebugRenderer2D::DrawCircle(const Vector2D& center, float radius, const Color& color, float depth)
{
    const CircleStep step = GetCircleStep();
    Vector2D r(1.f, 0.f);
    Vector2D v = center + radius * r;
    for (int i = 0; i < CircleSegments; ++i)
    {
        const Vector2D rNext = Rotate(r, step);
        const Vector2D vNext = center + radius * rNext;
        DrawSegment(v, vNext, color, depth);
        r = rNext;
        v = vNext;
    }
}

void SDLDebugRenderer2D::DrawSolidCircle(const Vector2D& center, float radius, const Vector2D& axis,
                                         const Color& color, float depth)
{
    const Color fill(0.5f * color.r, 0.5f * color.g, 0.5f * color.b, color.a);
    const CircleStep step = GetCircleStep();
    Vector2D r(step.cosine, step.sine);
    Vector2D v = center + radius * r;
    for (int i = 0; i < CircleSegments; ++i)
    {
        const Vector2D rNext = Rotate(r, step);
        const Vector2D vNext = center + radius * rNext;
        AddVertex(m_Triangles, center, depth, fill);
        AddVertex(m_Triangles, v, depth, fill);
        AddVertex(m_Triangles, vNext, depth, fill);
        r = rNext;
        v = vNext;
    }
    const float outlineDepth = depth - OutlineDepthOffset;
    DrawCircle(center, radius, color, outlineDepth);
    DrawSegment(center, center + radius * axis, color, outlineDepth - OutlineDepthOffset);
}

void SDLDebugRenderer2D::DrawTransform(const Vector2D& position, const Vector2D& xAxis, const Vector2D& yAxis,
                                       float depth)
{
    DrawSegment(position, position + TransformAxisLength * xAxis, Color(1.f, 0.f, 0.f, 1.f), depth);
    DrawSegment(position, position + TransformAxisLength * yAxis, Color(0.f, 1.f, 0.f, 1.f), depth);
}

void SDLDebugRenderer2D::DrawString(const Vector2D& position, const char* format, ...)
{
    if (m_pCamera == nullptr)
        return;

    if (m_TextBuffer.size() < InitialTextCapacity)
        m_TextBuffer.resize(InitialTextCapacity);
    va_list arguments;
    va_start(arguments, format);
    va_list retry;
    va_copy(retry, arguments);
    const int length = std::vsnprintf(m_TextBuffer.data(), m_TextBuffer.size(), format, arguments);
    if (length >= 0 && static_cast<size_t>(length) >= m_TextBuffer.size())
    {
        // Grows once for the longest label seen; later frames reuse the storage.
        m_TextBuffer.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(m_TextBuffer.data(), m_TextBuffer.size(), format, retry);
    }
    va_end(retry);
    va_end(arguments);
    if (length < 0)
        m_TextBuffer[0] = '\0';
    const char* pText = m_TextBuffer.data();

    if (m_pTextRecorder != nullptr)
        m_pTextRecorder->push_back(DebugText{position, pText});

    // Without a UI frame in progress (windowless runs, between frames) there is nowhere to draw the text.
    if (!s_IsUiFrameOpen || ImGui::GetCurrentContext() == nullptr)
        return;

    const Vector2D screen = m_pCamera->WorldToScreen(position);

    ImGuiStyle& style = ImGui::GetStyle();
    const ImVec4 savedBackground = style.Colors[ImGuiCol_WindowBg];
    style.Colors[ImGuiCol_WindowBg].w = 0.f;
    // Pinned to the display's top-left corner so that window-relative cursor positions are pixels;
    // no border, so the transparent window stays invisible around its labels. Labels belong to the
    // world: never focused or brought to the front, the window is created and stays behind the panels.
    ImGui::SetNextWindowPos(ImVec2(0.f, 0.f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.f);
    ImGui::Begin("Overlay", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoScrollbar |
                     ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoInputs | ImGuiWindowFlags_NoFocusOnAppearing |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);
    ImGui::SetCursorPos(ImVec2(screen.x, screen.y));
    ImGui::PushStyleColor(ImGuiCol_Text, TextColor);
    ImGui::TextUnformatted(pText);
    ImGui::PopStyleColor();
    ImGui::End();
    ImGui::PopStyleVar();
    style.Colors[ImGuiCol_WindowBg] = savedBackground;
}

float SDLDebugRenderer2D::NextDepthSlice()
{
    m_CurrentDepth -= DepthSliceStep;
    if (m_CurrentDepth < DepthSliceLowest)
        m_CurrentDepth = DepthSliceStart;
    return m_CurrentDepth;
}

unsigned int SDLDebugRenderer2D::LoadShaders(const char* vertexSource, const char* fragmentSource)
{
    const GLuint vertexShader = glCreateShader(GL_VERTEX_SHADER);
    const GLuint fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
    CompileShader(vertexShader, vertexSource);
    CompileShader(fragmentShader, fragmentSource);

    const GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    // As with compiling: the link status is read but only the log is reported; a failed program is returned.
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0)
    {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetProgramInfoLog(program, logLength, nullptr, log.data());
        PrintInfoLog(log);
    }

    glDetachShader(program, vertexShader);
    glDetachShader(program, fragmentShader);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    return program;
}
} // namespace Vemox
