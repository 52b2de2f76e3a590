// The game's own small float math: a fast approximate inverse square root on
// which every vector length rests, cosine easing and Catmull-Rom points, 2-D
// and 3-D vectors, and 3x3 and 4x4 matrices (the 4x4 ones left-handed, for the
// level screen's 3-D camera).
//
// All of it is single precision. Lengths and unit vectors are approximate on
// purpose (one refinement step of the inverse square root), and objects,
// animations and particles are tuned to those values, so nothing here uses
// std::sqrt. Mat3 is not the shell's Matrix3: its Scale and Rotation set
// elements instead of multiplying, and it has two point transforms that take
// the translation from different places. Nothing here fails; a zero vector
// keeps length 0 when set to a length.
#pragma once

#include "shell/base/Matrix.h"

namespace Kivo {

// 1 / sqrt(x) from the float's bits and one refinement step (constants 1.47
// and 0.47): FastInvSqrt(25) is about 0.1993, so lengths come out ~0.35% long.
float FastInvSqrt(float x);

// From a at t = 0 to b at t = 1 along half a cosine wave.
float CosineEase(float a, float b, float t);

class Mat3;

// A point of x and y in single precision; any Vector2 (a quad corner) is one.
struct Vec2 : Vector2 {
  constexpr Vec2() = default;
  constexpr Vec2(float mX, float mY) : Vector2(mX, mY) {}
  // Implicit on purpose: quad corners and shell points are used as Vec2.
  constexpr Vec2(const Vector2& v) : Vector2(v) {}

  static float DistanceSq(const Vector2& a, const Vector2& b);
  static float Distance(const Vector2& a, const Vector2& b);
  static float Length(const Vector2& v);
  // v scaled to about length L; the zero vector stays zero.
  static Vec2 SetLength(const Vector2& v, float length);
  // Cosine of the angle between a and b.
  static float CosAngle(const Vector2& a, const Vector2& b);
  static Vec2 Transform(const Vector2& v, const Mat3& matrix);
  // Every point in place through Mat3::Transform, last to first.
  static void TransformArray(const Mat3& matrix, Vector2* points, int count);
};

struct Vec3 : Vector3 {
  constexpr Vec3() = default;
  constexpr Vec3(float mX, float mY, float z_) : Vector3(mX, mY, z_) {}
  constexpr Vec3(const Vector3& v) : Vector3(v) {}

  // v scaled to about length L.
  static Vec3 Normalize(const Vector3& v, float length);
  static Vec3 Cross(const Vector3& a, const Vector3& b);
  static float Dot(const Vector3& a, const Vector3& b);
};

// The point at t between p0 (t = 0) and p1 (t = 1), eased as CosineEase.
void CosineEasePoint(Vector2& out, const Vector2& p0, const Vector2& p1, float t);
// The uniform Catmull-Rom point between p1 (t = 0) and p2 (t = 1).
void CatmullRomPoint(Vector2& out, const Vector2& p0, const Vector2& p1, const Vector2& p2, const Vector2& p3, float t);

// Row-major m[row][column]; starts as the identity.
class Mat3 {
 public:
  float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

  void Clear();
  void Identity();
  // Set only the elements they name; call Identity first.
  void Scale(float sx, float sy);
  void Rotation(float radians);  // (1, 0) turns to (cos a, -sin a)

  // Translation from the third column: (m00 x + m01 y + m02, m10 x + m11 y + m12).
  Vec2 TransformPoint(const Vector2& p) const;
  // Translation from the third row: (m00 x + m01 y + m20, m10 x + m11 y + m21).
  // The vector operations use this one.
  Vec2 Transform(const Vector2& p) const;
};

// Row-major m[row][column], left-handed, for points as row vectors (the
// translation sits in row 3); starts as the identity. The builders set only
// the elements they name.
class Mat4 {
 public:
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

  void Clear();
  void Identity();
  void Perspective(float width, float height, float zNear, float zFar);
  void Orthographic(float width, float height, float zNear, float zFar);
  // Camera at eye looking at at; the axes come from Vec3::Normalize, so they
  // are approximately unit long. Leaves m03, m13 and m23 as they were.
  void LookAt(const Vector3& eye, const Vector3& at, const Vector3& up);
};

}  // namespace Kivo
