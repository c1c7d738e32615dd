// Camera view bounds, pixel/world conversions and the per-frame pan and zoom.
#include "Camera2D.h"

#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"

namespace Vemox
{
namespace
{
constexpr int RightButton = 3;
constexpr float ZoomFactor = 1.1f;
} // namespace

Camera2D::Camera2D(const Vector2D& center, float zoom, uint32_t width, uint32_t height)
    : m_Center(center), m_Zoom(zoom), m_Width(width), m_Height(height)
{
}

ViewBounds Camera2D::GetViewBounds() const
{
    const float aspect = static_cast<float>(m_Width) / static_cast<float>(m_Height);
    const float halfWidth = aspect * m_Zoom;
    ViewBounds bounds;
    bounds.left = m_Center.x - halfWidth;
    bounds.right = m_Center.x + halfWidth;
    bounds.bottom = m_Center.y - m_Zoom;
    bounds.top = m_Center.y + m_Zoom;
    return bounds;
}

Vector2D Camera2D::ScreenToWorld(float x, float y) const
{
    const ViewBounds bounds = GetViewBounds();
    const float width = static_cast<float>(m_Width);
    const float height = static_cast<float>(m_Height);
    const float tx = x / width;
    const float ty = (height - y) / height;
    return {(1.f - tx) * bounds.left + tx * bounds.right, (1.f - ty) * bounds.bottom + ty * bounds.top};
}

Vector2D Camera2D::WorldToScreen(const Vector2D& position) const
{
    const ViewBounds bounds = GetViewBounds();
    const float x = (position.x - bounds.left) / (bounds.right - bounds.left) * static_cast<float>(m_Width);
    const float y =
        (1.f - (position.y - bounds.bottom) / (bounds.top - bounds.bottom)) * static_cast<float>(m_Height);
    return {x, y};
}

void Camera2D::Update()
{
    const InputManager* pInput = InputManager::GetInstance();

    if (pInput->IsMouseButtonDown(RightButton) && !m_MoveLocked)
    {
        m_IsDragging = true;
        const MouseData grab = pInput->GetMouseData(InputType::MouseButton, RightButton);
        m_DragAnchor = ScreenToWorld(static_cast<float>(grab.x), static_cast<float>(grab.y));
    }

    // Shifting the centre by the cursor's world offset puts the grabbed point back under the cursor.
    if (pInput->IsMouseMoving() && m_IsDragging && !m_MoveLocked)
    {
        const MouseData motion = pInput->GetMouseData(InputType::MouseMotion, 0);
        const Vector2D cursor = ScreenToWorld(static_cast<float>(motion.x), static_cast<float>(motion.y));
        m_Center -= cursor - m_DragAnchor;
    }

    if (pInput->IsMouseButtonUp(RightButton))
        m_IsDragging = false;

    // One step per frame, whatever the wheel amount.
    if (pInput->IsMouseScrolling() && !m_ZoomLocked)
    {
        const int amount = pInput->GetMouseData(InputType::MouseWheel, 0).y;
        if (amount > 0)
            m_Zoom /= ZoomFactor;
        else if (amount < 0)
            m_Zoom *= ZoomFactor;
    }
}
} // namespace Vemox
