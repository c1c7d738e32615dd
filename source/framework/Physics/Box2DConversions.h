// Conversions between the framework's vector and Box2D's: the physics module's one copy, used by the
// rigid bodies and by the debug-draw bridge. Both types are two floats, so each is an exact copy.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

#include <box2d/b2_math.h>

namespace Vemox
{
inline b2Vec2 ToB2(const Vector2D& v)
{
    return b2Vec2(v.x, v.y);
}

inline Vector2D FromB2(const b2Vec2& v)
{
    return Vector2D(v.x, v.y);
}
} // namespace Vemox
