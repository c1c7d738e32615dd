// Picking a car with the mouse: the click's pixel goes through the camera into the world, and the
// nearest car whose disc covers the point, with a margin of a few pixels, is the one picked.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

#include <vector>

class Car;

namespace Vemox
{
class Camera2D;
}

namespace CarPicking
{
/// Extra reach beyond a car's disc, in pixels, so that small cars at a far zoom stay clickable.
constexpr float MarginPixels = 3.f;

/// Index of the car nearest to point (world units) among those whose centre lies within
/// reach (world units) of it; -1 when there is none. On equal distances the first car wins.
int FindCarAt(const std::vector<Car*>& cars, const Vemox::Vector2D& point, float reach);

/// The car under pixel (x, y) (origin top left, y down) as the camera shows the world; -1 when none.
int PickCar(const std::vector<Car*>& cars, const Vemox::Camera2D& camera, int x, int y);
} // namespace CarPicking
