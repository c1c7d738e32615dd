// Shared value types of the framework: the 2D vector, the RGBA colour and the float constants.
// Trigonometry and square roots are taken in double precision and rounded back to float.
#pragma once

#include <cmath>
#include <limits>

namespace Vemox
{
constexpr float Pi = 3.1415927f;
constexpr float TwoPi = 6.2831855f;
constexpr float FloatEpsilon = std::numeric_limits<float>::epsilon(); // 1.1920929e-7
constexpr float FloatMax = std::numeric_limits<float>::max();         // 3.4028235e38

/// Two floats in world units; same layout as Box2D's b2Vec2.
struct Vector2D
{
    float x = 0.f;
    float y = 0.f;

    constexpr Vector2D() = default;
    constexpr Vector2D(float xValue, float yValue) : x(xValue), y(yValue) {}

    constexpr Vector2D operator+(const Vector2D& other) const { return {x + other.x, y + other.y}; }
    constexpr Vector2D operator-(const Vector2D& other) const { return {x - other.x, y - other.y}; }
    constexpr Vector2D operator*(float scale) const { return {x * scale, y * scale}; }
    constexpr Vector2D operator-() const { return {-x, -y}; }
    Vector2D& operator+=(const Vector2D& other)
    {
        x += other.x;
        y += other.y;
        return *this;
    }
    Vector2D& operator-=(const Vector2D& other)
    {
        x -= other.x;
        y -= other.y;
        return *this;
    }
    Vector2D& operator*=(float scale)
    {
        x *= scale;
        y *= scale;
        return *this;
    }
    constexpr bool operator==(const Vector2D& other) const { return x == other.x && y == other.y; }
    constexpr bool operator!=(const Vector2D& other) const { return !(*this == other); }

    constexpr float Dot(const Vector2D& other) const { return x * other.x + y * other.y; }
    /// Two-dimensional cross product: x * other.y - y * other.x.
    constexpr float Cross(const Vector2D& other) const { return x * other.y - y * other.x; }
    constexpr float MagnitudeSquared() const { return x * x + y * y; }
    float Magnitude() const { return static_cast<float>(std::sqrt(static_cast<double>(MagnitudeSquared()))); }

    /// Divides by the length when it exceeds the float epsilon, otherwise becomes (0, 0).
    /// Returns the length before normalisation.
    float Normalize()
    {
        const float length = Magnitude();
        if (std::abs(length) > FloatEpsilon)
        {
            x /= length;
            y /= length;
        }
        else
        {
            x = 0.f;
            y = 0.f;
        }
        return length;
    }

    Vector2D GetNormalized() const
    {
        Vector2D copy = *this;
        copy.Normalize();
        return copy;
    }
};

constexpr Vector2D operator*(float scale, const Vector2D& v)
{
    return v * scale;
}

/// The point at `radius` from the origin in direction `angle` (radians), trigonometry in double precision.
inline Vector2D FromPolar(float radius, float angle)
{
    return {radius * static_cast<float>(std::cos(static_cast<double>(angle))),
            radius * static_cast<float>(std::sin(static_cast<double>(angle)))};
}

inline float Dot(const Vector2D& a, const Vector2D& b)
{
    return a.Dot(b);
}
inline float Cross(const Vector2D& a, const Vector2D& b)
{
    return a.Cross(b);
}

/// RGBA colour, each channel in 0..1.
struct Color
{
    float r = 0.f;
    float g = 0.f;
    float b = 0.f;
    float a = 1.f;

    constexpr Color() = default;
    constexpr Color(float red, float green, float blue, float alpha = 1.f)
        : r(red), g(green), b(blue), a(alpha)
    {
    }

    constexpr bool operator==(const Color& other) const
    {
        return r == other.r && g == other.g && b == other.b && a == other.a;
    }
    constexpr bool operator!=(const Color& other) const { return !(*this == other); }
};
} // namespace Vemox
