// The approximate lengths everything is tuned to, easing and spline ends, and
// the matrices element by element (builders must leave other elements alone).
#include <gtest/gtest.h>

#include <cmath>

#include "engine/GameMath.h"

namespace Kivo {
namespace {

constexpr float kHalfPi = 1.57079632679f;

TEST(FastInvSqrt, OneRefinementStepWithItsOwnConstants) {
  EXPECT_FLOAT_EQ(1.0f, FastInvSqrt(1.0f));
  EXPECT_FLOAT_EQ(0.5f, FastInvSqrt(4.0f));
  EXPECT_NEAR(0.1992988f, FastInvSqrt(25.0f), 1e-7f);
  // Lengths are about 0.35% long, not exact.
  EXPECT_NEAR(5.01759f, Vec2::Length(Vector2(3, 4)), 1e-5f);
  EXPECT_NE(5.0f, Vec2::Length(Vector2(3, 4)));
  EXPECT_NEAR(5.01759f, Vec2::Distance(Vector2(1, 1), Vector2(4, 5)), 1e-5f);
  EXPECT_EQ(25.0f, Vec2::DistanceSq(Vector2(1, 1), Vector2(4, 5)));
}

TEST(Vec2, SetLengthAndAngles) {
  const Vec2 zero = Vec2::SetLength(Vector2(0, 0), 7.0f);
  EXPECT_EQ(0.0f, zero.x);
  EXPECT_EQ(0.0f, zero.y);
  const Vec2 scaled = Vec2::SetLength(Vector2(3, 4), 10.0f);
  EXPECT_NEAR(6.0f, scaled.x, 0.03f);
  EXPECT_NEAR(8.0f, scaled.y, 0.03f);
  EXPECT_FLOAT_EQ(scaled.x * 4.0f, scaled.y * 3.0f);  // direction kept
  EXPECT_NEAR(0.0f, Vec2::CosAngle(Vector2(1, 0), Vector2(0, 3)), 1e-6f);
  EXPECT_NEAR(-1.0f, Vec2::CosAngle(Vector2(2, 0), Vector2(-3, 0)), 0.01f);
}

TEST(Vec3, CrossDotNormalize) {
  const Vec3 c = Vec3::Cross(Vector3(1, 0, 0), Vector3(0, 1, 0));
  EXPECT_EQ(0.0f, c.x);
  EXPECT_EQ(0.0f, c.y);
  EXPECT_EQ(1.0f, c.z);
  const Vec3 c2 = Vec3::Cross(Vector3(1, 2, 3), Vector3(4, 5, 6));
  EXPECT_EQ(-3.0f, c2.x);
  EXPECT_EQ(6.0f, c2.y);
  EXPECT_EQ(-3.0f, c2.z);
  EXPECT_EQ(32.0f, Vec3::Dot(Vector3(1, 2, 3), Vector3(4, 5, 6)));
  const Vec3 n = Vec3::Normalize(Vector3(0, 0, 4), 2.0f);
  EXPECT_EQ(0.0f, n.x);
  EXPECT_FLOAT_EQ(2.0f, n.z);  // FastInvSqrt(16) is exact
}

TEST(Easing, CosineAndCatmullRomEnds) {
  EXPECT_FLOAT_EQ(5.0f, CosineEase(0.0f, 10.0f, 0.5f));
  EXPECT_FLOAT_EQ(2.0f, CosineEase(2.0f, 10.0f, 0.0f));
  EXPECT_FLOAT_EQ(10.0f, CosineEase(2.0f, 10.0f, 1.0f));
  EXPECT_NEAR(0.0f + 10.0f * (1.0f - std::cos(0.25f * 3.14159265f)) / 2.0f, CosineEase(0, 10, 0.25f), 1e-5f);
  Vector2 eased;
  CosineEasePoint(eased, Vector2(0, 10), Vector2(10, 30), 0.5f);
  EXPECT_FLOAT_EQ(5.0f, eased.x);
  EXPECT_FLOAT_EQ(20.0f, eased.y);

  const Vector2 p0(0, 0), p1(10, 5), p2(20, -5), p3(40, 0);
  Vector2 at;
  CatmullRomPoint(at, p0, p1, p2, p3, 0.0f);
  EXPECT_EQ(10.0f, at.x);
  EXPECT_EQ(5.0f, at.y);
  CatmullRomPoint(at, p0, p1, p2, p3, 1.0f);
  EXPECT_FLOAT_EQ(20.0f, at.x);
  EXPECT_FLOAT_EQ(-5.0f, at.y);
  // Midway between evenly spaced points on a line: the middle.
  CatmullRomPoint(at, Vector2(0, 0), Vector2(1, 1), Vector2(2, 2), Vector2(3, 3), 0.5f);
  EXPECT_FLOAT_EQ(1.5f, at.x);
}

TEST(Mat3, TwoTransformsTakeTranslationFromDifferentPlaces) {
  Mat3 m;
  m.m[0][0] = 2;
  m.m[0][1] = 0;
  m.m[0][2] = 5;
  m.m[1][0] = 0;
  m.m[1][1] = 3;
  m.m[1][2] = 7;
  m.m[2][0] = 11;
  m.m[2][1] = 13;
  m.m[2][2] = 1;
  const Vec2 byColumn = m.TransformPoint(Vector2(1, 1));
  EXPECT_EQ(7.0f, byColumn.x);
  EXPECT_EQ(10.0f, byColumn.y);
  const Vec2 byRow = m.Transform(Vector2(1, 1));
  EXPECT_EQ(13.0f, byRow.x);
  EXPECT_EQ(16.0f, byRow.y);
  const Vec2 viaVector = Vec2::Transform(Vector2(1, 1), m);
  EXPECT_EQ(13.0f, viaVector.x);

  Vector2 points[2] = {Vector2(1, 1), Vector2(0, 0)};
  Vec2::TransformArray(m, points, 2);
  EXPECT_EQ(13.0f, points[0].x);
  EXPECT_EQ(11.0f, points[1].x);
  EXPECT_EQ(13.0f, points[1].y);
}

TEST(Mat3, BuildersSetOnlyTheirElements) {
  Mat3 m;
  for (auto& row : m.m)
    for (float& e : row) e = 7.0f;
  m.Rotation(kHalfPi);
  EXPECT_NEAR(0.0f, m.m[0][0], 1e-7f);
  EXPECT_FLOAT_EQ(1.0f, m.m[0][1]);
  EXPECT_FLOAT_EQ(-1.0f, m.m[1][0]);
  EXPECT_EQ(7.0f, m.m[0][2]);
  EXPECT_EQ(7.0f, m.m[2][2]);
  m.Scale(2.0f, 3.0f);
  EXPECT_EQ(2.0f, m.m[0][0]);
  EXPECT_EQ(3.0f, m.m[1][1]);
  EXPECT_EQ(1.0f, m.m[2][2]);
  EXPECT_FLOAT_EQ(1.0f, m.m[0][1]);  // left from the rotation
  EXPECT_EQ(7.0f, m.m[2][0]);

  // On the identity, a quarter turn takes (1, 0) up the y-down screen.
  m.Identity();
  m.Rotation(kHalfPi);
  const Vec2 turned = m.TransformPoint(Vector2(1, 0));
  EXPECT_NEAR(0.0f, turned.x, 1e-6f);
  EXPECT_FLOAT_EQ(-1.0f, turned.y);
  m.Clear();
  EXPECT_EQ(0.0f, m.m[2][2]);
}

// Compares the 16 elements; S marks the 7 that must survive the builder.
constexpr float S = 7.0f;
void ExpectMat4(const float (&expected)[4][4], const Mat4& m, float tolerance) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(expected[r][c], m.m[r][c], tolerance) << "m" << r << c;
}

Mat4 Sevens() {
  Mat4 m;
  for (auto& row : m.m)
    for (float& e : row) e = S;
  return m;
}

TEST(Mat4, PerspectiveAndOrthographicElements) {
  Mat4 p = Sevens();
  p.Perspective(800, 600, 1, 100);
  const float perspective[4][4] = {
      {0.0025f, S, S, S}, {S, 2.0f / 600.0f, S, S}, {S, S, 100.0f / 99.0f, 1}, {S, S, -100.0f / 99.0f, 0}};
  ExpectMat4(perspective, p, 1e-6f);

  Mat4 o = Sevens();
  o.Orthographic(800, 600, 1, 100);
  const float orthographic[4][4] = {
      {0.0025f, S, S, S}, {S, 2.0f / 600.0f, S, S}, {S, S, 1.0f / 99.0f, S}, {S, S, -1.0f / 99.0f, 1}};
  ExpectMat4(orthographic, o, 1e-6f);

  Mat4 i = Sevens();
  i.Identity();
  EXPECT_EQ(1.0f, i.m[3][3]);
  EXPECT_EQ(0.0f, i.m[3][2]);
  i.Clear();
  EXPECT_EQ(0.0f, i.m[3][3]);
}

TEST(Mat4, LookAtPutsTheAxesInColumnsAndTheEyeInRowThree) {
  struct Case {
    Vector3 eye, at;
    float expected[4][4];
  } cases[] = {
      // From +x toward the origin, y up: forward is -x, right is +z.
      {{10, 0, 0}, {0, 0, 0}, {{0, 0, -1, S}, {0, 1, 0, S}, {1, 0, 0, S}, {0, 0, 10, 1}}},
      // Looking down -z from (3, 4, 10): right is -x; row 3 is minus each
      // axis dotted with the eye.
      {{3, 4, 10}, {3, 4, 0}, {{-1, 0, 0, S}, {0, 1, 0, S}, {0, 0, -1, S}, {3, -4, 10, 1}}},
  };
  for (const Case& c : cases) {
    Mat4 m = Sevens();
    m.LookAt(c.eye, c.at, Vector3(0, 1, 0));
    // The axes are unit only to FastInvSqrt's precision.
    ExpectMat4(c.expected, m, 0.05f);
    EXPECT_EQ(S, m.m[0][3]);
    EXPECT_EQ(S, m.m[1][3]);
    EXPECT_EQ(S, m.m[2][3]);
  }
}

}  // namespace
}  // namespace Kivo
