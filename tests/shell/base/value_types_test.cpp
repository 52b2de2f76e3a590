#include <gtest/gtest.h>

#include <climits>

#include "shell/base/Color.h"
#include "shell/base/Fraction.h"
#include "shell/base/Rect.h"

using namespace Kivo;

TEST(Color, PackedValueTreatsZeroAlphaAsOpaque) {
  struct Case {
    uint32_t packed;
    Color expected;
  } cases[] = {
      {0x00000000u, Color(0, 0, 0, 255)},    {0x00FF8000u, Color(255, 128, 0, 255)},
      {0x01FF8000u, Color(255, 128, 0, 1)},  {0x80FF0000u, Color(255, 0, 0, 128)},
      {0xFF102030u, Color(16, 32, 48, 255)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Color(c.packed), c.expected) << std::hex << c.packed;
  }
}

TEST(Color, ToIntDoesNotMaskComponents) {
  struct Case {
    Color color;
    uint32_t packed;
  } cases[] = {
      {Color(255, 255, 255, 0), 0x00FFFFFFu},
      {Color(0, 256, 0, 255), 0xFF010000u},
      {Color(-1, 0, 0, 0), 0xFFFF0000u},
      {Color(0, 0, 0, -1), 0xFF000000u},
      {Color(INT_MIN, INT_MIN, INT_MIN, INT_MIN), 0x80000000u},
      {Color(1, 2, 3, 4), 0x04010203u},
  };
  for (const auto& c : cases) EXPECT_EQ(c.color.ToInt(), c.packed);
  // A transparent colour does not survive packing: it comes back opaque.
  EXPECT_EQ(Color(Color(255, 255, 255, 0).ToInt()), Color(255, 255, 255, 255));
}

TEST(Color, ConstructorsEqualityAndOpaqueCopy) {
  EXPECT_EQ(Color(), Color(0, 0, 0, 255));
  EXPECT_EQ(Color(1, 2, 3), Color(1, 2, 3, 255));
  EXPECT_NE(Color(1, 2, 3, 4), Color(1, 2, 3, 5));
  EXPECT_EQ(Color::Opaque(Color(7, 8, 9, 10)), Color(7, 8, 9, 255));
  Color c(300, -4, 5, 6);  // carried unclamped
  EXPECT_EQ(c.GetRed(), 300);
  EXPECT_EQ(c.GetGreen(), -4);
  EXPECT_EQ(c.GetBlue(), 5);
  EXPECT_EQ(Color::Black, Color(0, 0, 0, 255));
  EXPECT_EQ(Color::White, Color(255, 255, 255, 255));
}

TEST(Rect, IntersectsIsStrict) {
  const Rect a(0, 0, 10, 10);
  struct Case {
    Rect b;
    bool intersects;
  } cases[] = {
      {Rect(10, 0, 5, 5), false},                              // touches the right edge
      {Rect(0, 10, 5, 5), false},                              // touches the bottom edge
      {Rect(-5, -5, 5, 5), false},                             // touches the top-left corner
      {Rect(9, 9, 5, 5), true},    {Rect(5, 5, 0, 0), true},   // empty but strictly inside
      {Rect(0, 0, 0, 0), false},                               // empty on the edge
      {Rect(20, 20, 5, 5), false}, {Rect(8, 2, -5, 3), true},  // negative width is not normalised
      {Rect(2, 2, -5, 3), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(a.Intersects(c.b), c.intersects) << c.b.x << "," << c.b.y << "," << c.b.width << "," << c.b.height;
}

TEST(Rect, IntersectionKeepsZeroExtentsAndDropsNegativeOnes) {
  const Rect a(0, 0, 10, 10);
  EXPECT_EQ(a.Intersection(Rect(10, 0, 5, 5)), Rect(10, 0, 0, 5));
  EXPECT_EQ(a.Intersection(Rect(20, 20, 5, 5)), Rect(0, 0, 0, 0));
  EXPECT_EQ(a.Intersection(Rect(5, -5, 20, 8)), Rect(5, 0, 5, 3));
  EXPECT_EQ(a.Intersection(a), a);
}

TEST(Rect, EdgeSumsDoNotOverflow) {
  // x + width would overflow in 32 bits; the sums are 64-bit.
  const Rect huge(INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX);
  EXPECT_TRUE(huge.Intersects(Rect(INT_MAX - 1, INT_MAX - 1, 1, 1)));
  EXPECT_FALSE(Rect(0, 0, 10, 10).Intersects(huge));
  EXPECT_EQ(huge.Intersection(Rect(INT_MAX - 1, INT_MAX - 1, 1, 1)), Rect(INT_MAX - 1, INT_MAX - 1, 1, 1));
  const Rect wide(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_TRUE(wide.Intersects(Rect(-10, -10, 5, 5)));
}

TEST(DoubleRect, IntersectionFollowsTheIntegerRules) {
  const DoubleRect a(0.5, 0.5, 10.0, 10.0);
  EXPECT_EQ(a.Intersection(DoubleRect(10.5, 0.0, 5.0, 5.0)), DoubleRect(10.5, 0.5, 0.0, 4.5));
  EXPECT_EQ(a.Intersection(DoubleRect(20.0, 20.0, 1.0, 1.0)), DoubleRect(0.0, 0.0, 0.0, 0.0));
  EXPECT_EQ(a.Intersection(DoubleRect(2.25, 3.0, 1.5, 100.0)), DoubleRect(2.25, 3.0, 1.5, 7.5));
}

TEST(Fraction, SetReducesAndKeepsSigns) {
  struct Case {
    int32_t n, d, num, den;
  } cases[] = {
      {1920, 1080, 16, 9},
      {640, 480, 4, 3},
      {1280, 1024, 5, 4},
      {4, 3, 4, 3},
      {3, -6, 1, -2},
      {-6, 4, 3, -2},
      {-4, 6, -2, 3},
      {7, 0, 1, 0},
      {0, 5, 0, 1},
      {INT_MIN, INT_MIN, 1, 1},
      {INT_MIN, 2, INT_MIN / 2, 1},
  };
  for (const auto& c : cases) {
    Fraction f;
    f.Set(c.n, c.d);
    EXPECT_EQ(f, Fraction(c.num, c.den)) << c.n << "/" << c.d;
  }
  EXPECT_EQ(Fraction(), Fraction(1, 1));
}

TEST(Fraction, UnreducibleInputsLeaveTheFractionUnchanged) {
  // (0, 0) has no common divisor; INT_MIN / -1 does not fit in 32 bits.
  for (auto [n, d] : {std::pair{0, 0}, std::pair{INT_MIN, -1}, std::pair{-1, INT_MIN}}) {
    Fraction f(16, 9);
    f.Set(n, d);
    EXPECT_EQ(f, Fraction(16, 9)) << n << "/" << d;
  }
}
