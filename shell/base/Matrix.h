// 2-D geometry: 3x3 float matrices for affine transforms, the 4x4 matrices the
// 3D renderer keeps, and LazyTransform2D, which keeps simple combinations of
// translate, rotate and scale as separate parts so the drawing context can use
// its fast plain, rotated, mirrored or stretched blits, and folds them into a
// matrix only when those blits cannot express the result.
//
// Results are exact to the float: every sum is rounded to float as it is
// formed (build with -ffp-contract=off), sine and cosine are taken in double
// and rounded, and degrees convert with single-precision pi.
#pragma once

namespace Kivo {

// Single-precision pi widened to double: the degree conversion uses it.
constexpr double kPiFloatAsDouble = 3.1415927410125732;

struct Vector2 {
  float x = 0.0f;
  float y = 0.0f;
  constexpr Vector2() = default;
  constexpr Vector2(float mX, float mY) : x(mX), y(mY) {}
};

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  constexpr Vector3() = default;
  constexpr Vector3(float mX, float mY, float z_) : x(mX), y(mY), z(z_) {}
};

float DegreesToRadians(float degrees);

// Row-major; a point is a column vector, so (x, y) maps to
// (m00 x + m01 y + m02, m10 x + m11 y + m12). Translate, rotate and scale
// multiply on the left: operations act on points in the order called.
class Matrix3 {
 public:
  float m00, m01, m02;
  float m10, m11, m12;
  float m20, m21, m22;

  Matrix3() { LoadIdentity(); }
  // With false the elements stay unset; the caller fills them before reading.
  explicit Matrix3(bool loadIdentity) {
    if (loadIdentity) LoadIdentity();
  }

  void LoadIdentity();
  Matrix3 Multiply(const Matrix3& b) const;  // this x b
  Vector2 TransformPoint(const Vector2& p) const;
  Vector3 TransformVector(const Vector3& v) const;

  void Translate(float tx, float ty);
  // Positive angles turn counter-clockwise on a y-down screen:
  // 90 degrees takes (1, 0) to (0, -1).
  void RotateRadians(float angle);
  void RotateDegrees(float degrees);
  void Scale(float sx, float sy);

  // Element access by index (row, column in 0..2).
  float Get(int row, int column) const { return this->*kCells[row * 3 + column]; }
  float& At(int row, int column) { return this->*kCells[row * 3 + column]; }

 private:
  static constexpr float Matrix3::*kCells[9] = {&Matrix3::m00, &Matrix3::m01, &Matrix3::m02,
                                                &Matrix3::m10, &Matrix3::m11, &Matrix3::m12,
                                                &Matrix3::m20, &Matrix3::m21, &Matrix3::m22};
};

class Matrix4 {
 public:
  float m[4][4];
  void Clear();
};

// A transform built step by step. While fullMatrix is false the drawing
// context reads the parts directly:
//   no rotation, no scale: plain draw offset by tx1 + tx2, ty1 + ty2;
//   hasRotation: rotated draw by angle, centre from tx1/ty1, position tx2/ty2;
//   hasScale with sx == -1: mirrored draw; other scales: stretched draw.
// Invariants in part mode: hasRotation and hasScale are never both set; while
// hasScale is set tx1 and ty1 are 0; sy is never negative.
class LazyTransform2D {
 public:
  Matrix3 matrix{false};  // valid when dirty is false
  bool dirty;
  bool fullMatrix;
  bool hasRotation;
  bool hasScale;
  float tx1, ty1;  // applied before the rotation
  float tx2, ty2;  // applied last
  float sx, sy;
  float angle;  // radians

  LazyTransform2D() { Reset(); }

  void Reset();
  void Translate(float tx, float ty);
  void RotateRadians(float angle);
  void RotateDegrees(float degrees);
  void Scale(float fx, float fy);
  // Folds the parts and sends every later operation to the matrix, until Reset.
  void UseFullMatrix();
  const Matrix3& GetMatrix();

 private:
  void FoldParts();
};

}  // namespace Kivo
