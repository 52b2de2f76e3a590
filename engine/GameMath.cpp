#include "engine/GameMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace Kivo {

namespace {

constexpr float kPi = 3.14159265358979f;

Vec3 Difference(const Vector3& a, const Vector3& b) { return Vec3(a.x - b.x, a.y - b.y, a.z - b.z); }

}  // namespace

float FastInvSqrt(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  bits = (0xBE800000u - bits) >> 1;
  float y;
  std::memcpy(&y, &bits, sizeof y);
  return y * (1.47f - 0.47f * x * y * y);
}

float CosineEase(float a, float b, float t) {
  const float d = (1.0f - std::cos(kPi * t)) / 2.0f;
  return (1.0f - d) * a + d * b;
}

void CosineEasePoint(Vector2& out, const Vector2& p0, const Vector2& p1, float t) {
  out.x = CosineEase(p0.x, p1.x, t);
  out.y = CosineEase(p0.y, p1.y, t);
}

namespace {

float CatmullRom(float p0, float p1, float p2, float p3, float t) {
  const float t2 = t * t;
  const float t3 = t2 * t;
  return 0.5f * (2.0f * p1 + (p2 - p0) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t2 +
                 (3.0f * p1 - p0 + p3 - 3.0f * p2) * t3);
}

}  // namespace

void CatmullRomPoint(Vector2& out, const Vector2& p0, const Vector2& p1, const Vector2& p2, const Vector2& p3,
                     float t) {
  out.x = CatmullRom(p0.x, p1.x, p2.x, p3.x, t);
  out.y = CatmullRom(p0.y, p1.y, p2.y, p3.y, t);
}

float Vec2::DistanceSq(const Vector2& a, const Vector2& b) {
  const float dx = b.x - a.x;
  const float dy = b.y - a.y;
  return dx * dx + dy * dy;
}

float Vec2::Distance(const Vector2& a, const Vector2& b) { return 1.0f / FastInvSqrt(DistanceSq(a, b)); }

float Vec2::Length(const Vector2& v) { return 1.0f / FastInvSqrt(v.x * v.x + v.y * v.y); }

Vec2 Vec2::SetLength(const Vector2& v, float length) {
  const float factor = FastInvSqrt(v.x * v.x + v.y * v.y) * length;
  return Vec2(v.x * factor, v.y * factor);
}

float Vec2::CosAngle(const Vector2& a, const Vector2& b) {
  const float dot = a.x * b.x + a.y * b.y;
  const float lengthsSq = (a.x * a.x + a.y * a.y) * (b.x * b.x + b.y * b.y);
  return dot * FastInvSqrt(lengthsSq);
}

Vec2 Vec2::Transform(const Vector2& v, const Mat3& matrix) { return matrix.Transform(v); }

void Vec2::TransformArray(const Mat3& matrix, Vector2* points, int count) {
  for (int i = count - 1; i >= 0; --i) points[i] = matrix.Transform(points[i]);
}

Vec3 Vec3::Normalize(const Vector3& v, float length) {
  const float factor = FastInvSqrt(v.x * v.x + v.y * v.y + v.z * v.z) * length;
  return Vec3(v.x * factor, v.y * factor, v.z * factor);
}

Vec3 Vec3::Cross(const Vector3& a, const Vector3& b) {
  return Vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float Vec3::Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void Mat3::Clear() {
  for (auto& row : m)
    for (float& element : row) element = 0.0f;
}

void Mat3::Identity() {
  Clear();
  m[0][0] = m[1][1] = m[2][2] = 1.0f;
}

void Mat3::Scale(float sx, float sy) {
  m[0][0] = sx;
  m[1][1] = sy;
  m[2][2] = 1.0f;
}

void Mat3::Rotation(float radians) {
  // Taken in double and rounded once, as the shell's matrices do, so a
  // quarter turn gives a cosine within a float step of zero.
  const float c = static_cast<float>(std::cos(static_cast<double>(radians)));
  const float s = static_cast<float>(std::sin(static_cast<double>(radians)));
  m[0][0] = c;
  m[0][1] = s;
  m[1][0] = -s;
  m[1][1] = c;
}

Vec2 Mat3::TransformPoint(const Vector2& p) const {
  return Vec2(m[0][0] * p.x + m[0][1] * p.y + m[0][2], m[1][0] * p.x + m[1][1] * p.y + m[1][2]);
}

Vec2 Mat3::Transform(const Vector2& p) const {
  return Vec2(m[0][0] * p.x + m[0][1] * p.y + m[2][0], m[1][0] * p.x + m[1][1] * p.y + m[2][1]);
}

void Mat4::Clear() {
  for (auto& row : m)
    for (float& element : row) element = 0.0f;
}

void Mat4::Identity() {
  Clear();
  m[0][0] = m[1][1] = m[2][2] = m[3][3] = 1.0f;
}

void Mat4::Perspective(float width, float height, float zNear, float zFar) {
  m[0][0] = 2.0f * zNear / width;
  m[1][1] = 2.0f * zNear / height;
  m[2][2] = zFar / (zFar - zNear);
  m[2][3] = 1.0f;
  m[3][2] = zNear * zFar / (zNear - zFar);
  m[3][3] = 0.0f;
}

void Mat4::Orthographic(float width, float height, float zNear, float zFar) {
  m[0][0] = 2.0f / width;
  m[1][1] = 2.0f / height;
  m[2][2] = 1.0f / (zFar - zNear);
  m[3][2] = zNear / (zNear - zFar);
  m[3][3] = 1.0f;
}

void Mat4::LookAt(const Vector3& eye, const Vector3& at, const Vector3& up) {
  const Vec3 z = Vec3::Normalize(Difference(at, eye), 1.0f);
  const Vec3 x = Vec3::Normalize(Vec3::Cross(up, z), 1.0f);
  const Vec3 y = Vec3::Cross(z, x);
  const Vec3 axes[3] = {x, y, z};
  for (int column = 0; column < 3; ++column) {
    m[0][column] = axes[column].x;
    m[1][column] = axes[column].y;
    m[2][column] = axes[column].z;
    m[3][column] = -Vec3::Dot(axes[column], eye);
  }
  m[3][3] = 1.0f;
}

}  // namespace Kivo
