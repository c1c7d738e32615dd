// The batched 2D debug renderer: any code may add points, segments, polygons, circles, axes and
// text in world coordinates during a frame; Render uploads and draws each batch with one call.
// Building geometry never touches OpenGL, so the batches can be inspected without a context.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vemox
{
class Camera2D;
struct ViewBounds;

/// One vertex of the shared vertex buffer (32 bytes).
struct DebugVertex
{
    float x = 0.f, y = 0.f, z = 0.f;          ///< world position; z is the depth written to clip space
    float r = 0.f, g = 0.f, b = 0.f, a = 0.f; ///< colour, each 0..1
    float size = 1.f;                         ///< point size in pixels; 1 for lines and triangles
};
static_assert(sizeof(DebugVertex) == 32, "DebugVertex must match the vertex buffer layout");

/// A text label as handed to DrawString, recorded for inspection when a recorder is installed.
struct DebugText
{
    Vector2D position; ///< world position
    std::string text;  ///< the formatted text
};

/// Process-wide singleton. Depths are in -1..1, smaller is nearer.
class SDLDebugRenderer2D
{
public:
    static SDLDebugRenderer2D* GetInstance();
    /// Deletes the GL objects (when initialised) and the singleton.
    static void DestroyInstance();

    SDLDebugRenderer2D(const SDLDebugRenderer2D&) = delete;
    SDLDebugRenderer2D& operator=(const SDLDebugRenderer2D&) = delete;

    /// Once, after the OpenGL context exists. The camera is not owned and must outlive the renderer's use.
    void Initialize(Camera2D* pCamera);
    /// Draws and empties this frame's batches; once per frame.
    void Render();
    /// Empties the batches and resets the depth slice without any OpenGL call (for runs without a window).
    void DiscardFrame();

    /// Sets the camera without creating any OpenGL object (for runs and tests without a context).
    void SetActiveCamera(Camera2D* pCamera) { m_pCamera = pCamera; }
    Camera2D* GetActiveCamera() const { return m_pCamera; }

    void DrawPoint(const Vector2D& position, float size, const Color& color, float depth);
    void DrawSegment(const Vector2D& p1, const Vector2D& p2, const Color& color, float depth);
    void DrawPolygon(const Vector2D* pPoints, int count, const Color& color, float depth);
    void DrawSolidPolygon(const Vector2D* pPoints, int count, const Color& color, float depth);
    void DrawCircle(const Vector2D& center, float radius, const Color& color, float depth);
    void DrawSolidCircle(const Vector2D& center, float radius, const Vector2D& axis, const Color& color,
                         float depth);
    void DrawTransform(const Vector2D& position, const Vector2D& xAxis, const Vector2D& yAxis, float depth);
    /// printf-style text at a world position, drawn by the UI in its "Overlay" window. Does nothing
    /// without a camera; without an open UI frame (see SetUiFrameOpen) the text is only recorded.
    void DrawString(const Vector2D& position, const char* format, ...) __attribute__((format(printf, 3, 4)));

    /// Pixels around the view within which drawing is kept, so that what lies just off screen (a label
    /// reaching in, a shape about to enter) still shows.
    static constexpr float ViewMarginPixels = 32.f;
    /// Whether the world rectangle from lower to upper overlaps the active camera's view grown by
    /// ViewMarginPixels on every side. True without a camera: drawing code then keeps everything. Code that
    /// draws many things tests them with this and leaves out what cannot show.
    bool IsInView(const Vector2D& lower, const Vector2D& upper) const;
    /// The active camera's view grown by ViewMarginPixels, in world units; false (bounds untouched)
    /// without a camera.
    bool GetViewWithMargin(ViewBounds& bounds) const;
    /// Screen pixels per world unit of the active camera; 0 without a camera.
    float GetPixelsPerUnit() const;

    /// The depth slice for the next Box2D shape: 0.0005 nearer than the last, wrapping below -0.5 to 0.5.
    float NextDepthSlice();

    /// Compiles and links a program from two sources; compile and link logs are printed, never fatal.
    static unsigned int LoadShaders(const char* vertexSource, const char* fragmentSource);

    const std::vector<DebugVertex>& GetPoints() const { return m_Points; }
    const std::vector<DebugVertex>& GetLines() const { return m_Lines; }
    const std::vector<DebugVertex>& GetTriangles() const { return m_Triangles; }
    float GetCurrentDepth() const { return m_CurrentDepth; }

    /// Whoever starts and ends Dear ImGui frames reports it here: true right after ImGui::NewFrame, false
    /// before ImGui::EndFrame or ImGui::Render. VImmediateUI's NewFrame and Render do it; a driver that
    /// calls the UI library directly must do it too. Process-wide, like the UI library's context.
    static void SetUiFrameOpen(bool isOpen) { s_IsUiFrameOpen = isOpen; }
    static bool IsUiFrameOpen() { return s_IsUiFrameOpen; }

    /// Installs a list that receives every DrawString (not owned; null to stop recording).
    void SetTextRecorder(std::vector<DebugText>* pRecorder) { m_pTextRecorder = pRecorder; }

    /// The column-major orthographic projection of the view bounds that Render sends to the shader.
    static void BuildProjection(const ViewBounds& bounds, float* pMatrix16);

    /// Attribute locations fixed by the vertex shader's layout qualifiers.
    static constexpr unsigned int PositionLocation = 0;
    static constexpr unsigned int ColorLocation = 1;
    static constexpr unsigned int SizeLocation = 2;

private:
    SDLDebugRenderer2D() = default;
    ~SDLDebugRenderer2D() = default;

    void ReserveStorage();
    void AddVertex(std::vector<DebugVertex>& batch, const Vector2D& position, float depth, const Color& color,
                   float size = 1.f);

    static SDLDebugRenderer2D* s_pInstance;
    // Static: it outlives the singleton, since the UI frame belongs to the UI library, not to the renderer.
    static inline bool s_IsUiFrameOpen = false;

    Camera2D* m_pCamera = nullptr;
    float m_CurrentDepth = 0.5f;
    std::vector<DebugVertex> m_Points;
    std::vector<DebugVertex> m_Lines;
    std::vector<DebugVertex> m_Triangles;
    unsigned int m_Program = 0;
    int m_ProjectionLocation = -1;
    unsigned int m_Vao = 0;
    unsigned int m_Vbo = 0;
    std::vector<DebugText>* m_pTextRecorder = nullptr;
    std::vector<char> m_TextBuffer; ///< reused for formatting labels
};
} // namespace Vemox
