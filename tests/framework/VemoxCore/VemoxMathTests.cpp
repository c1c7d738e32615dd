#include "framework/VemoxCore/VemoxMath.h"

#include <gtest/gtest.h>

using namespace Vemox;

TEST(Vector2D, ArithmeticAndProducts)
{
    const Vector2D a{3.f, 4.f};
    const Vector2D b{-1.f, 2.f};
    EXPECT_EQ(a + b, Vector2D(2.f, 6.f));
    EXPECT_EQ(a - b, Vector2D(4.f, 2.f));
    EXPECT_EQ(a * 2.f, Vector2D(6.f, 8.f));
    EXPECT_EQ(2.f * a, Vector2D(6.f, 8.f));
    EXPECT_FLOAT_EQ(Dot(a, b), 5.f);
    EXPECT_FLOAT_EQ(Cross(a, b), 3.f * 2.f - 4.f * -1.f);
    EXPECT_FLOAT_EQ(a.Magnitude(), 5.f);
    EXPECT_FLOAT_EQ(a.MagnitudeSquared(), 25.f);
}

TEST(Vector2D, NormalizeDividesByLengthAboveEpsilonOnly)
{
    EXPECT_EQ(Vector2D(3.f, 4.f).GetNormalized(), Vector2D(0.6f, 0.8f));
    // A length at the epsilon is not above it: the result is the zero vector.
    EXPECT_EQ(Vector2D(FloatEpsilon, 0.f).GetNormalized(), Vector2D(0.f, 0.f));
    EXPECT_EQ(Vector2D(0.f, 0.f).GetNormalized(), Vector2D(0.f, 0.f));
    Vector2D tiny{2.f * FloatEpsilon, 0.f};
    tiny.Normalize();
    EXPECT_EQ(tiny, Vector2D(1.f, 0.f));
}

TEST(Constants, MatchTheFloatValuesUsedAcrossTheFramework)
{
    EXPECT_EQ(Pi, 3.1415927f);
    EXPECT_EQ(TwoPi, 6.2831855f);
    EXPECT_EQ(FloatEpsilon, 1.1920929e-7f);
    EXPECT_EQ(FloatMax, 3.4028235e38f);
}
