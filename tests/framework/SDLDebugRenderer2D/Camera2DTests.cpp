// Camera view bounds, pixel/world conversions, and pan and zoom from the frame's input records.
#include "InputRecords.h"

#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"

#include <gtest/gtest.h>

namespace Vemox
{
namespace
{
constexpr uint32_t Width = 901;
constexpr uint32_t Height = 451;

class Camera2DTest : public ::testing::Test
{
protected:
    void SetUp() override { InputManager::GetInstance()->Clear(); }
    void TearDown() override { InputManager::DestroyInstance(); }

    static void AddRecord(InputType type, InputState state, int code, int x, int y)
    {
        InputManager::GetInstance()->AddInputEvent(Testing::MakeInputRecord(type, state, code, x, y));
    }
    static void RightDown(int x, int y) { AddRecord(InputType::MouseButton, InputState::Down, 3, x, y); }
    static void RightUp(int x, int y) { AddRecord(InputType::MouseButton, InputState::Released, 3, x, y); }
    static void Motion(int x, int y) { AddRecord(InputType::MouseMotion, InputState::Down, 0, x, y); }
    static void Wheel(int amount) { AddRecord(InputType::MouseWheel, InputState::Down, 0, 0, amount); }
    /// Ends a frame the way the window pump starts the next one.
    static void NextFrame() { InputManager::GetInstance()->Clear(); }

    Camera2D m_Camera{Vector2D(0.f, 0.f), 20.f, Width, Height};
};

TEST_F(Camera2DTest, ViewBoundsKeepTheViewportAspect)
{
    ViewBounds bounds = m_Camera.GetViewBounds();
    EXPECT_NEAR(bounds.left, -39.956f, 1e-3f);
    EXPECT_NEAR(bounds.right, 39.956f, 1e-3f);
    EXPECT_FLOAT_EQ(bounds.bottom, -20.f);
    EXPECT_FLOAT_EQ(bounds.top, 20.f);

    // The application's view of the road network.
    m_Camera.SetCenter(Vector2D(73.f, 35.f));
    m_Camera.SetZoom(39.f);
    bounds = m_Camera.GetViewBounds();
    EXPECT_NEAR(bounds.left, -4.91f, 0.01f);
    EXPECT_NEAR(bounds.right, 150.91f, 0.01f);
    EXPECT_FLOAT_EQ(bounds.bottom, -4.f);
    EXPECT_FLOAT_EQ(bounds.top, 74.f);
}

TEST_F(Camera2DTest, ScreenCornersMapToViewCornersWithYDown)
{
    m_Camera.SetCenter(Vector2D(10.f, -5.f));
    const ViewBounds bounds = m_Camera.GetViewBounds();
    const Vector2D topLeft = m_Camera.ScreenToWorld(0.f, 0.f);
    const Vector2D bottomRight = m_Camera.ScreenToWorld(Width, Height);
    EXPECT_FLOAT_EQ(topLeft.x, bounds.left);
    EXPECT_FLOAT_EQ(topLeft.y, bounds.top);
    EXPECT_FLOAT_EQ(bottomRight.x, bounds.right);
    EXPECT_FLOAT_EQ(bottomRight.y, bounds.bottom);

    const Vector2D centre = m_Camera.WorldToScreen(Vector2D(10.f, -5.f));
    EXPECT_FLOAT_EQ(centre.x, 450.5f);
    EXPECT_FLOAT_EQ(centre.y, 225.5f);
}

TEST_F(Camera2DTest, ConversionsRoundTrip)
{
    m_Camera.SetCenter(Vector2D(73.f, 35.f));
    m_Camera.SetZoom(39.f);
    const Vector2D pixels[] = {{0.f, 0.f}, {450.f, 225.f}, {12.5f, 400.25f}, {900.f, 3.f}};
    for (const Vector2D& pixel : pixels)
    {
        const Vector2D back = m_Camera.WorldToScreen(m_Camera.ScreenToWorld(pixel.x, pixel.y));
        EXPECT_NEAR(back.x, pixel.x, 1e-3f);
        EXPECT_NEAR(back.y, pixel.y, 1e-3f);
    }
}

TEST_F(Camera2DTest, RightDragMovesTheWorldWithTheCursor)
{
    RightDown(450, 225);
    m_Camera.Update();
    EXPECT_TRUE(m_Camera.IsDragging());
    EXPECT_EQ(m_Camera.GetCenter(), Vector2D(0.f, 0.f));

    NextFrame();
    Motion(460, 225);
    m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetCenter().x, -0.887f, 1e-3f);
    EXPECT_FLOAT_EQ(m_Camera.GetCenter().y, 0.f);

    // The grabbed point stays under the cursor: moving back restores the centre.
    NextFrame();
    Motion(450, 225);
    m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetCenter().x, 0.f, 1e-5f);

    NextFrame();
    RightUp(450, 225);
    m_Camera.Update();
    EXPECT_FALSE(m_Camera.IsDragging());
    NextFrame();
    Motion(600, 100);
    m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetCenter().x, 0.f, 1e-5f);
}

TEST_F(Camera2DTest, PressAndMotionInOneFramePanAtOnce)
{
    RightDown(450, 225);
    Motion(460, 235);
    m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetCenter().x, -0.887f, 1e-3f);
    EXPECT_NEAR(m_Camera.GetCenter().y, 0.887f, 1e-3f);
}

TEST_F(Camera2DTest, PressAndReleaseInOneFrameLeaveNoDrag)
{
    RightDown(450, 225);
    RightUp(450, 225);
    m_Camera.Update();
    EXPECT_FALSE(m_Camera.IsDragging());
    NextFrame();
    Motion(500, 225);
    m_Camera.Update();
    EXPECT_EQ(m_Camera.GetCenter(), Vector2D(0.f, 0.f));
}

TEST_F(Camera2DTest, MotionWithoutGrabDoesNotPan)
{
    Motion(460, 225);
    m_Camera.Update();
    AddRecord(InputType::MouseButton, InputState::Down, 1, 450, 225); // left button does not grab
    Motion(470, 225);
    m_Camera.Update();
    EXPECT_EQ(m_Camera.GetCenter(), Vector2D(0.f, 0.f));
    EXPECT_FALSE(m_Camera.IsDragging());
}

TEST_F(Camera2DTest, WheelZoomsOneStepPerFrameWhateverTheAmount)
{
    Wheel(3);
    m_Camera.Update();
    EXPECT_FLOAT_EQ(m_Camera.GetZoom(), 20.f / 1.1f);

    NextFrame();
    Wheel(-1);
    m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetZoom(), 20.f, 1e-5f);

    NextFrame();
    Wheel(0);
    m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetZoom(), 20.f, 1e-5f);

    // Two wheel records in one frame still zoom once.
    NextFrame();
    Wheel(1);
    Wheel(1);
    m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetZoom(), 20.f / 1.1f, 1e-5f);
}

TEST_F(Camera2DTest, LocksSwitchOffZoomAndPanButReleaseStillEndsTheDrag)
{
    m_Camera.SetZoomLocked(true);
    Wheel(1);
    m_Camera.Update();
    EXPECT_FLOAT_EQ(m_Camera.GetZoom(), 20.f);

    NextFrame();
    m_Camera.SetMoveLocked(true);
    RightDown(450, 225);
    Motion(460, 225);
    m_Camera.Update();
    EXPECT_FALSE(m_Camera.IsDragging());
    EXPECT_EQ(m_Camera.GetCenter(), Vector2D(0.f, 0.f));

    // A drag that started before the lock ends on release while locked.
    NextFrame();
    m_Camera.SetMoveLocked(false);
    RightDown(450, 225);
    m_Camera.Update();
    m_Camera.SetMoveLocked(true);
    NextFrame();
    RightUp(450, 225);
    m_Camera.Update();
    EXPECT_FALSE(m_Camera.IsDragging());
}

// The camera acts on whatever records the queue holds: a queue that is not emptied zooms again every
// frame. The UI's event pump therefore empties it (tested with the UI).
TEST_F(Camera2DTest, RecordsLeftInTheQueueActAgain)
{
    Wheel(1);
    for (int frame = 0; frame < 3; ++frame)
        m_Camera.Update();
    EXPECT_NEAR(m_Camera.GetZoom(), 20.f / 1.1f / 1.1f / 1.1f, 1e-4f);
}
} // namespace
} // namespace Vemox
