// The 2D view camera: which rectangle of the world the debug renderer shows, and the right-drag pan
// and wheel zoom that move it, read from the frame's input records.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

#include <cstdint>

namespace Vemox
{
/// The visible world rectangle in world units.
struct ViewBounds
{
    float left = 0.f;
    float right = 0.f;
    float bottom = 0.f;
    float top = 0.f;
};

class Camera2D
{
public:
    /// The zoom a driver's camera starts with, before the application sets its own view.
    static constexpr float DefaultZoom = 20.f;

    /// zoom: half of the visible world height in world units; width, height: viewport in pixels.
    Camera2D(const Vector2D& center, float zoom, uint32_t width, uint32_t height);

    /// Pans and zooms from the records currently in the InputManager queue; once per frame.
    void Update();

    /// The rectangle always has the viewport's aspect ratio; the zoom alone sets the scale.
    ViewBounds GetViewBounds() const;
    /// Pixel position (origin top left, y down) to world units.
    Vector2D ScreenToWorld(float x, float y) const;
    /// World units to pixel position (origin top left, y down).
    Vector2D WorldToScreen(const Vector2D& position) const;

    const Vector2D& GetCenter() const { return m_Center; }
    void SetCenter(const Vector2D& center) { m_Center = center; }
    float GetZoom() const { return m_Zoom; }
    void SetZoom(float zoom) { m_Zoom = zoom; }
    uint32_t GetWidth() const { return m_Width; }
    uint32_t GetHeight() const { return m_Height; }

    bool IsZoomLocked() const { return m_ZoomLocked; }
    void SetZoomLocked(bool locked) { m_ZoomLocked = locked; }
    bool IsMoveLocked() const { return m_MoveLocked; }
    void SetMoveLocked(bool locked) { m_MoveLocked = locked; }
    bool IsDragging() const { return m_IsDragging; }

private:
    Vector2D m_Center;
    Vector2D m_DragAnchor; ///< world point grabbed when the right button went down
    float m_Zoom;
    uint32_t m_Width;
    uint32_t m_Height;
    bool m_ZoomLocked = false;
    bool m_MoveLocked = false;
    bool m_IsDragging = false;
};
} // namespace Vemox
