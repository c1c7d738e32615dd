// Box2D's debug-draw interface implemented on the debug renderer: every shape Box2D hands over is
// drawn at a fresh depth slice, so later shapes lie in front of earlier ones.
#pragma once

#include <box2d/b2_draw.h>

namespace Vemox
{
/// Owned by PhysicsWorld, which sets its flags to shapes only and installs it in the world.
class Box2DRenderer final : public b2Draw
{
public:
    Box2DRenderer() = default;
    ~Box2DRenderer() override = default;

    Box2DRenderer(const Box2DRenderer&) = delete;
    Box2DRenderer& operator=(const Box2DRenderer&) = delete;

    void DrawPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color) override;
    void DrawSolidPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color) override;
    void DrawCircle(const b2Vec2& center, float radius, const b2Color& color) override;
    void DrawSolidCircle(const b2Vec2& center, float radius, const b2Vec2& axis,
                         const b2Color& color) override;
    void DrawSegment(const b2Vec2& p1, const b2Vec2& p2, const b2Color& color) override;
    /// Red x axis and green y axis of the transform's rotation.
    void DrawTransform(const b2Transform& xf) override;
    void DrawPoint(const b2Vec2& p, float size, const b2Color& color) override;
};
} // namespace Vemox
