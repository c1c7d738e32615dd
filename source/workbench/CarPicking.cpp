// Picking a car under a pixel through the camera.
#include "CarPicking.h"

#include "app/Car.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"

namespace CarPicking
{
int FindCarAt(const std::vector<Car*>& cars, const Vemox::Vector2D& point, float reach)
{
    int found = -1;
    float bestDistance2 = reach * reach;
    for (size_t i = 0; i < cars.size(); ++i)
    {
        const Vemox::Vector2D offset = cars[i]->GetPosition() - point;
        const float distance2 = offset.x * offset.x + offset.y * offset.y;
        if (distance2 <= bestDistance2 && (found < 0 || distance2 < bestDistance2))
        {
            found = static_cast<int>(i);
            bestDistance2 = distance2;
        }
    }
    return found;
}

int PickCar(const std::vector<Car*>& cars, const Vemox::Camera2D& camera, int x, int y)
{
    // The pixel's centre; a pixel is camera.GetZoom() * 2 / height world units tall.
    const Vemox::Vector2D point =
        camera.ScreenToWorld(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
    const float worldPerPixel = 2.f * camera.GetZoom() / static_cast<float>(camera.GetHeight());
    return FindCarAt(cars, point, Car::Radius + MarginPixels * worldPerPixel);
}
} // namespace CarPicking
