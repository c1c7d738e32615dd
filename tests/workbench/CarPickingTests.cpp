// Picking a car with the mouse: through the camera at several zooms and pans, the nearest car under
// the pixel, a margin of a few pixels, and nothing off the cars.
#include "app/Car.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "workbench/CarPicking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace Vemox;

namespace
{
class CarPickingTest : public ::testing::Test
{
protected:
    ~CarPickingTest() override
    {
        m_Owned.clear();
        PhysicsWorld::DestroyInstance();
    }

    void AddCar(const Vector2D& position)
    {
        m_Owned.push_back(std::make_unique<Car>(position, position, Color{1.f, 0.f, 0.f, 1.f}));
        m_Cars.push_back(m_Owned.back().get());
    }

    // The pixel that shows world point p (the one whose area contains it).
    static void PixelOf(const Camera2D& camera, const Vector2D& p, int& x, int& y)
    {
        const Vector2D screen = camera.WorldToScreen(p);
        x = static_cast<int>(std::floor(screen.x));
        y = static_cast<int>(std::floor(screen.y));
    }

    std::vector<std::unique_ptr<Car>> m_Owned;
    std::vector<Car*> m_Cars;
};
} // namespace

TEST_F(CarPickingTest, APixelOnACarPicksItAtEveryZoomAndPan)
{
    AddCar({52.5f, 37.5f});
    AddCar({97.5f, 7.5f});
    AddCar({150.f, 120.f});
    for (const float zoom : {10.f, 39.f, 101.2f})
    {
        for (const Vector2D& center : {Vector2D{73.f, 35.f}, Vector2D{150.f, 75.f}, Vector2D{20.f, 110.f}})
        {
            const Camera2D camera(center, zoom, 901, 451);
            for (size_t i = 0; i < m_Cars.size(); ++i)
            {
                // The centre and a point 2.5 units to the left-below, inside the disc of radius 3.
                for (const Vector2D& offset : {Vector2D{0.f, 0.f}, Vector2D{-1.8f, -1.7f}})
                {
                    int x = 0;
                    int y = 0;
                    PixelOf(camera, m_Cars[i]->GetPosition() + offset, x, y);
                    EXPECT_EQ(CarPicking::PickCar(m_Cars, camera, x, y), static_cast<int>(i))
                        << "zoom " << zoom << ", centre " << center.x << "," << center.y;
                }
            }
        }
    }
}

TEST_F(CarPickingTest, APixelBesideEveryCarPicksNothing)
{
    AddCar({52.5f, 37.5f});
    for (const float zoom : {10.f, 39.f})
    {
        const Camera2D camera({60.f, 40.f}, zoom, 901, 451);
        const float pixelsPerUnit = 451.f / (2.f * zoom);
        // The car's edge plus the margin lies Radius * pixelsPerUnit + 3 pixels from its centre.
        const float reach = Car::Radius * pixelsPerUnit + CarPicking::MarginPixels;
        const Vector2D centre = camera.WorldToScreen(m_Cars[0]->GetPosition());
        EXPECT_EQ(CarPicking::PickCar(m_Cars, camera, static_cast<int>(centre.x + reach - 2.f),
                                      static_cast<int>(centre.y)),
                  0);
        EXPECT_EQ(CarPicking::PickCar(m_Cars, camera, static_cast<int>(centre.x + reach + 2.f),
                                      static_cast<int>(centre.y)),
                  -1);
        EXPECT_EQ(CarPicking::PickCar(m_Cars, camera, static_cast<int>(centre.x),
                                      static_cast<int>(centre.y - reach - 2.f)),
                  -1);
    }
}

TEST_F(CarPickingTest, OverlappingReachesPickTheNearestCar)
{
    AddCar({50.f, 50.f});
    AddCar({54.f, 50.f});
    EXPECT_EQ(CarPicking::FindCarAt(m_Cars, {51.f, 50.f}, 5.f), 0);
    EXPECT_EQ(CarPicking::FindCarAt(m_Cars, {53.5f, 50.f}, 5.f), 1);
    // Equally near: the first in the list.
    EXPECT_EQ(CarPicking::FindCarAt(m_Cars, {52.f, 50.f}, 5.f), 0);
    EXPECT_EQ(CarPicking::FindCarAt(m_Cars, {52.f, 60.f}, 5.f), -1);
    EXPECT_EQ(CarPicking::FindCarAt({}, {52.f, 50.f}, 5.f), -1);
}
