// Forwards Box2D's debug drawing to SDLDebugRenderer2D, one depth slice per call; shapes that the view
// cannot show are left out.
#include "framework/Physics/Box2DRenderer.h"

#include "framework/Physics/Box2DConversions.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <box2d/b2_math.h>
#include <box2d/b2_settings.h>

namespace Vemox
{
namespace
{
Color ToColor(const b2Color& c)
{
    return Color(c.r, c.g, c.b, c.a);
}

// Box2D hands over polygons of at most b2_maxPolygonVertices points; copying them into a fixed
// buffer keeps the bridge free of allocation and of aliasing between b2Vec2 and Vector2D.
struct PolygonBuffer
{
    Vector2D points[b2_maxPolygonVertices];
    int count = 0;

    PolygonBuffer(const b2Vec2* vertices, int32 vertexCount)
    {
        count =
            vertexCount < 0 ? 0 : (vertexCount > b2_maxPolygonVertices ? b2_maxPolygonVertices : vertexCount);
        for (int i = 0; i < count; ++i)
        {
            points[i] = FromB2(vertices[i]);
        }
    }
};

// A shape off screen still takes its depth slice, so that the shapes drawn keep the depths they always had.
bool IsPolygonInView(const SDLDebugRenderer2D& renderer, const b2Vec2* vertices, int32 vertexCount)
{
    if (vertexCount <= 0)
        return false;
    Vector2D lower = FromB2(vertices[0]);
    Vector2D upper = lower;
    for (int32 i = 1; i < vertexCount; ++i)
    {
        lower.x = vertices[i].x < lower.x ? vertices[i].x : lower.x;
        lower.y = vertices[i].y < lower.y ? vertices[i].y : lower.y;
        upper.x = vertices[i].x > upper.x ? vertices[i].x : upper.x;
        upper.y = vertices[i].y > upper.y ? vertices[i].y : upper.y;
    }
    return renderer.IsInView(lower, upper);
}
} // namespace

void Box2DRenderer::DrawPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float depth = pRenderer->NextDepthSlice();
    if (!IsPolygonInView(*pRenderer, vertices, vertexCount))
        return;
    const PolygonBuffer polygon(vertices, vertexCount);
    pRenderer->DrawPolygon(polygon.points, polygon.count, ToColor(color), depth);
}

void Box2DRenderer::DrawSolidPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float depth = pRenderer->NextDepthSlice();
    if (!IsPolygonInView(*pRenderer, vertices, vertexCount))
        return;
    const PolygonBuffer polygon(vertices, vertexCount);
    pRenderer->DrawSolidPolygon(polygon.points, polygon.count, ToColor(color), depth);
}

void Box2DRenderer::DrawCircle(const b2Vec2& center, float radius, const b2Color& color)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float depth = pRenderer->NextDepthSlice();
    if (!pRenderer->IsInView(FromB2(center) - Vector2D(radius, radius),
                             FromB2(center) + Vector2D(radius, radius)))
        return;
    pRenderer->DrawCircle(FromB2(center), radius, ToColor(color), depth);
}

void Box2DRenderer::DrawSolidCircle(const b2Vec2& center, float radius, const b2Vec2& axis,
                                    const b2Color& color)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float depth = pRenderer->NextDepthSlice();
    if (!pRenderer->IsInView(FromB2(center) - Vector2D(radius, radius),
                             FromB2(center) + Vector2D(radius, radius)))
        return;
    pRenderer->DrawSolidCircle(FromB2(center), radius, FromB2(axis), ToColor(color), depth);
}

void Box2DRenderer::DrawSegment(const b2Vec2& p1, const b2Vec2& p2, const b2Color& color)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float depth = pRenderer->NextDepthSlice();
    pRenderer->DrawSegment(FromB2(p1), FromB2(p2), ToColor(color), depth);
}

void Box2DRenderer::DrawTransform(const b2Transform& xf)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float depth = pRenderer->NextDepthSlice();
    // b2Rot keeps sine and cosine of the angle: the x axis is (c, s), the y axis (-s, c).
    pRenderer->DrawTransform(FromB2(xf.p), Vector2D(xf.q.c, xf.q.s), Vector2D(-xf.q.s, xf.q.c), depth);
}

void Box2DRenderer::DrawPoint(const b2Vec2& p, float size, const b2Color& color)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float depth = pRenderer->NextDepthSlice();
    pRenderer->DrawPoint(FromB2(p), size, ToColor(color), depth);
}
} // namespace Vemox
