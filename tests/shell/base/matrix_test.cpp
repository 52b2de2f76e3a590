#include <gtest/gtest.h>

#include <cmath>

#include "shell/base/Matrix.h"

using namespace Kivo;

namespace {

void ExpectMatrix(const Matrix3& m, const float (&expected)[9]) {
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m.Get(i / 3, i % 3), expected[i]) << "element " << i;
}

}  // namespace

TEST(Matrix3, OperationsActInTheOrderCalled) {
  Matrix3 m;
  m.Translate(10, 0);
  m.Scale(2, 2);
  Vector2 p = m.TransformPoint(Vector2(1, 0));
  EXPECT_EQ(p.x, 22.0f);
  EXPECT_EQ(p.y, 0.0f);
}

TEST(Matrix3, RotationTurnsCounterClockwiseOnScreen) {
  Matrix3 m;
  m.RotateDegrees(90);
  Vector2 p = m.TransformPoint(Vector2(1, 0));
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_EQ(p.y, -1.0f);
}

TEST(Matrix3, RotateDegrees180UsesSinglePrecisionPi) {
  Matrix3 m;
  m.RotateDegrees(180);
  // sin of float pi in double, rounded to float: small but not zero.
  const float s = static_cast<float>(std::sin(3.1415927410125732));
  EXPECT_NE(m.m01, 0.0f);
  EXPECT_NE(m.m10, 0.0f);
  EXPECT_EQ(m.m01, s);
  EXPECT_EQ(m.m10, -s);
  EXPECT_EQ(m.m00, -1.0f);
}

TEST(Matrix3, MultiplyRoundsEachSumToFloat) {
  // A fused multiply-add or a double accumulator would keep the low bits of
  // the product; rounding after each addition loses them.
  Matrix3 a(false), b(false);
  const float e = 1.0f + 1.0f / 4096.0f;
  const float av[9] = {e, 1, 0, 0, 1, 0, 0, 0, 1};
  const float bv[9] = {e, 0, 0, -1, 1, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) {
    a.At(i / 3, i % 3) = av[i];
    b.At(i / 3, i % 3) = bv[i];
  }
  const Matrix3 r = a.Multiply(b);
  const float product = e * e;  // rounded to float
  EXPECT_EQ(r.m00, product - 1.0f);
  EXPECT_EQ(r.m11, 1.0f);
  Vector3 v = r.TransformVector(Vector3(1, 2, 3));
  EXPECT_EQ(v.x, (r.m00 * 1 + r.m01 * 2) + r.m02 * 3);
  EXPECT_EQ(v.z, 3.0f);
}

TEST(Matrix4, ClearZeroesEverything) {
  Matrix4 m;
  for (auto& row : m.m)
    for (float& v : row) v = 5;
  m.Clear();
  for (auto& row : m.m)
    for (float v : row) EXPECT_EQ(v, 0.0f);
}

TEST(LazyTransform2D, NewTransformFoldsToIdentity) {
  LazyTransform2D t;
  ExpectMatrix(t.GetMatrix(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
  EXPECT_FALSE(t.fullMatrix);
}

TEST(LazyTransform2D, TranslateRotateTranslateKeepsParts) {
  LazyTransform2D t;
  t.Translate(5, 7);
  t.RotateDegrees(90);
  t.Translate(100, 0);
  EXPECT_FALSE(t.fullMatrix);
  EXPECT_TRUE(t.hasRotation);
  EXPECT_EQ(t.tx1, 5.0f);
  EXPECT_EQ(t.ty1, 7.0f);
  EXPECT_EQ(t.tx2, 100.0f);
  EXPECT_EQ(t.ty2, 0.0f);
  EXPECT_EQ(t.angle, static_cast<float>(3.1415927410125732 * 90.0 / 180.0));
  Vector2 p = t.GetMatrix().TransformPoint(Vector2(0, 0));
  EXPECT_NEAR(p.x, 107.0f, 1e-4f);
  EXPECT_NEAR(p.y, -5.0f, 1e-4f);
}

TEST(LazyTransform2D, ScaleThenTranslate) {
  LazyTransform2D t;
  t.Scale(2, 3);
  t.Translate(4, 5);
  EXPECT_FALSE(t.fullMatrix);
  EXPECT_EQ(t.sx, 2.0f);
  EXPECT_EQ(t.sy, 3.0f);
  EXPECT_EQ(t.tx1, 0.0f);
  EXPECT_EQ(t.ty1, 0.0f);
  EXPECT_EQ(t.tx2, 4.0f);
  EXPECT_EQ(t.ty2, 5.0f);
  ExpectMatrix(t.GetMatrix(), {2, 0, 4, 0, 3, 5, 0, 0, 1});
}

TEST(LazyTransform2D, TranslateThenScaleGoesFull) {
  LazyTransform2D t;
  t.Translate(1, 0);
  t.Scale(2, 2);
  EXPECT_TRUE(t.fullMatrix);
  ExpectMatrix(t.GetMatrix(), {2, 0, 2, 0, 2, 0, 0, 0, 1});
  // Later operations go straight into the matrix.
  t.Translate(1, 1);
  EXPECT_FALSE(t.dirty);
  ExpectMatrix(t.GetMatrix(), {2, 0, 3, 0, 2, 1, 0, 0, 1});
  t.Reset();
  EXPECT_FALSE(t.fullMatrix);
  ExpectMatrix(t.GetMatrix(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
}

TEST(LazyTransform2D, WhichScalesStayParts) {
  struct Step {
    float fx, fy;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    bool full;
    float sx;
  } cases[] = {
      {"horizontal mirror", {{-1, 1}}, false, -1},
      {"mirror twice", {{-1, 1}, {-1, 1}}, true, 0},
      {"vertical mirror", {{1, -1}}, true, 0},
      {"stretch then mirror to -1", {{0.5f, 1}, {-2, 1}}, false, -1},
      {"stretch then mirror past -1", {{2, 1}, {-2, 1}}, true, 0},
      {"two stretches", {{2, 1}, {3, 4}}, false, 6},
  };
  for (const auto& c : cases) {
    LazyTransform2D t;
    for (const auto& s : c.steps) t.Scale(s.fx, s.fy);
    EXPECT_EQ(t.fullMatrix, c.full) << c.name;
    if (!c.full) {
      EXPECT_EQ(t.sx, c.sx) << c.name;
    }
  }
  LazyTransform2D mirrored;
  mirrored.Scale(-1, 1);
  ExpectMatrix(mirrored.GetMatrix(), {-1, 0, 0, 0, 1, 0, 0, 0, 1});
}

TEST(LazyTransform2D, RotationAndScaleNeverShareParts) {
  LazyTransform2D a;
  a.Scale(2, 2);
  a.RotateDegrees(90);
  EXPECT_TRUE(a.fullMatrix);
  Vector2 p = a.GetMatrix().TransformPoint(Vector2(1, 0));
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_EQ(p.y, -2.0f);

  LazyTransform2D b;
  b.RotateDegrees(90);
  b.Scale(2, 2);
  EXPECT_TRUE(b.fullMatrix);
  p = b.GetMatrix().TransformPoint(Vector2(1, 0));
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_EQ(p.y, -2.0f);
}

TEST(LazyTransform2D, SecondRotationAddsToTheAngle) {
  LazyTransform2D t;
  t.RotateDegrees(30);
  t.Translate(10, 0);
  t.RotateDegrees(60);
  EXPECT_FALSE(t.fullMatrix);
  EXPECT_EQ(t.angle, DegreesToRadians(30) + DegreesToRadians(60));
  // The second translation applies after the whole rotation.
  Vector2 p = t.GetMatrix().TransformPoint(Vector2(1, 0));
  EXPECT_NEAR(p.x, 10.0f, 1e-5f);
  EXPECT_NEAR(p.y, -1.0f, 1e-5f);
}
