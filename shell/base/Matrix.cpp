#include "shell/base/Matrix.h"

#include <cmath>

namespace Kivo {

float DegreesToRadians(float degrees) {
  return static_cast<float>(static_cast<double>(degrees) * kPiFloatAsDouble / 180.0);
}

void Matrix3::LoadIdentity() {
  m00 = 1.0f;
  m01 = 0.0f;
  m02 = 0.0f;
  m10 = 0.0f;
  m11 = 1.0f;
  m12 = 0.0f;
  m20 = 0.0f;
  m21 = 0.0f;
  m22 = 1.0f;
}

Matrix3 Matrix3::Multiply(const Matrix3& b) const {
  Matrix3 r(false);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 3; ++k) {
        const float product = Get(i, k) * b.Get(k, j);
        sum = sum + product;
      }
      r.At(i, j) = sum;
    }
  }
  return r;
}

Vector2 Matrix3::TransformPoint(const Vector2& p) const {
  const float x = m00 * p.x + m01 * p.y;
  const float y = m10 * p.x + m11 * p.y;
  return Vector2(x + m02, y + m12);
}

Vector3 Matrix3::TransformVector(const Vector3& v) const {
  const float x = m00 * v.x + m01 * v.y;
  const float y = m10 * v.x + m11 * v.y;
  const float z = m20 * v.x + m21 * v.y;
  return Vector3(x + m02 * v.z, y + m12 * v.z, z + m22 * v.z);
}

void Matrix3::Translate(float tx, float ty) {
  Matrix3 t;
  t.m02 = tx;
  t.m12 = ty;
  *this = t.Multiply(*this);
}

void Matrix3::RotateRadians(float angle) {
  const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
  const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
  Matrix3 r;
  r.m00 = c;
  r.m01 = s;
  r.m10 = -s;
  r.m11 = c;
  *this = r.Multiply(*this);
}

void Matrix3::RotateDegrees(float degrees) { RotateRadians(DegreesToRadians(degrees)); }

void Matrix3::Scale(float sx, float sy) {
  Matrix3 s;
  s.m00 = sx;
  s.m11 = sy;
  *this = s.Multiply(*this);
}

void Matrix4::Clear() {
  for (auto& row : m)
    for (float& v : row) v = 0.0f;
}

void LazyTransform2D::Reset() {
  dirty = true;
  fullMatrix = false;
  hasRotation = false;
  hasScale = false;
  tx1 = ty1 = tx2 = ty2 = 0.0f;
  angle = 0.0f;
  sx = sy = 1.0f;
}

void LazyTransform2D::Translate(float tx, float ty) {
  if (fullMatrix) {
    matrix.Translate(tx, ty);
    return;
  }
  dirty = true;
  if (hasRotation || hasScale) {
    tx2 += tx;
    ty2 += ty;
  } else {
    tx1 += tx;
    ty1 += ty;
  }
}

void LazyTransform2D::RotateRadians(float a) {
  if (fullMatrix) {
    matrix.RotateRadians(a);
    return;
  }
  if (hasScale) {
    UseFullMatrix();
    matrix.RotateRadians(a);
    return;
  }
  dirty = true;
  hasRotation = true;
  angle += a;
}

void LazyTransform2D::RotateDegrees(float degrees) { RotateRadians(DegreesToRadians(degrees)); }

void LazyTransform2D::Scale(float fx, float fy) {
  // The blitters can stretch, and mirror horizontally only when the x scale
  // ends exactly at -1; anything else needs the general matrix draw.
  const bool staysPart =
      !fullMatrix && !hasRotation && tx1 == 0.0f && ty1 == 0.0f && (fx >= 0.0f || fx * sx == -1.0f) && fy >= 0.0f;
  if (staysPart) {
    dirty = true;
    hasScale = true;
    sx *= fx;
    sy *= fy;
    return;
  }
  UseFullMatrix();
  matrix.Scale(fx, fy);
}

void LazyTransform2D::UseFullMatrix() {
  if (fullMatrix) return;
  fullMatrix = true;
  FoldParts();
}

const Matrix3& LazyTransform2D::GetMatrix() {
  FoldParts();
  return matrix;
}

void LazyTransform2D::FoldParts() {
  if (!dirty) return;
  dirty = false;
  matrix.LoadIdentity();
  matrix.m02 = tx1;
  matrix.m12 = ty1;
  matrix.m22 = 1.0f;
  if (hasScale) {
    matrix.m00 = sx;
    matrix.m11 = sy;
  } else if (hasRotation) {
    matrix.RotateRadians(angle);
  }
  if (tx2 != 0.0f || ty2 != 0.0f) matrix.Translate(tx2, ty2);
}

}  // namespace Kivo
