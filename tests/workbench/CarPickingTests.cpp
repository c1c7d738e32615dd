// Picking a car with the mouse through the camera, at several zooms and pans.
#include "app/Car.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "workbench/CarPicking.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace Vemox;

TEST(CarPicking, APixelOnACarPicksItAndOneBesideItNothingAtEveryZoomAndPan)
{
    std::vector<std::unique_ptr<Car>> owned;
    std::vector<Car*> cars;
    for (const Vector2D& position : {Vector2D{52.5f, 37.5f}, Vector2D{97.5f, 7.5f}, Vector2D{150.f, 120.f}})
    {
        owned.push_back(std::make_unique<Car>(position, position, Color{1.f, 0.f, 0.f, 1.f}));
        cars.push_back(owned.back().get());
    }
    for (const float zoom : {10.f, 39.f, 101.2f})
    {
        for (const Vector2D& center : {Vector2D{73.f, 35.f}, Vector2D{150.f, 75.f}, Vector2D{20.f, 110.f}})
        {
            SCOPED_TRACE(testing::Message()
                         << "zoom " << zoom << ", centre " << center.x << ", " << center.y);
            const Camera2D camera(center, zoom, 901, 451);
            // The car's reach on screen: its radius plus the margin, in pixels.
            const float reach = Car::Radius * 451.f / (2.f * zoom) + CarPicking::MarginPixels;
            for (int i = 0; i < 3; ++i)
            {
                const Vector2D pixel = camera.WorldToScreen(cars[static_cast<size_t>(i)]->GetPosition());
                const auto pick = [&](float dx, float dy) {
                    return CarPicking::PickCar(cars, camera, static_cast<int>(pixel.x + dx),
                                               static_cast<int>(pixel.y + dy));
                };
                EXPECT_EQ(pick(0.f, 0.f), i);
                EXPECT_EQ(pick(reach - 2.f, 0.f), i);
                EXPECT_EQ(pick(0.f, -(reach + 2.f)), -1);
                EXPECT_EQ(pick(reach + 2.f, 0.f), -1);
            }
        }
    }
    // Overlapping reaches: the nearest car; equally near, the first.
    owned.push_back(std::make_unique<Car>(Vector2D{56.5f, 37.5f}, Vector2D{}, Color{}));
    cars.push_back(owned.back().get());
    EXPECT_EQ(CarPicking::FindCarAt(cars, {55.f, 37.5f}, 5.f), 3);
    EXPECT_EQ(CarPicking::FindCarAt(cars, {54.5f, 37.5f}, 5.f), 0);
    owned.clear();
    PhysicsWorld::DestroyInstance();
}
