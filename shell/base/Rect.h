// Integer and double rectangles for clipping, dirty areas and blits.
//
// The right edge x + width and bottom edge y + height lie outside. Edge sums
// are taken in 64 bits so rectangles near the int range cannot overflow.
// Negative extents are not normalised.
#pragma once

#include <algorithm>
#include <cstdint>

namespace Kivo {

class Rect {
 public:
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  constexpr Rect() = default;
  constexpr Rect(int32_t mX, int32_t mY, int32_t w, int32_t h) : x(mX), y(mY), width(w), height(h) {}

  // Strict overlap: rectangles that only touch along an edge do not intersect,
  // yet an empty rectangle strictly inside another's span does.
  constexpr bool Intersects(const Rect& b) const {
    return int64_t{b.x} + b.width > x && int64_t{b.y} + b.height > y && int64_t{b.x} < int64_t{x} + width &&
           int64_t{b.y} < int64_t{y} + height;
  }

  // The overlap; a zero width or height at a shared edge is kept, a negative
  // one gives (0, 0, 0, 0).
  constexpr Rect Intersection(const Rect& b) const {
    const int64_t left = std::max<int64_t>(x, b.x);
    const int64_t top = std::max<int64_t>(y, b.y);
    const int64_t right = std::min<int64_t>(int64_t{x} + width, int64_t{b.x} + b.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + height, int64_t{b.y} + b.height);
    if (right - left < 0 || bottom - top < 0) return Rect();
    return Rect(static_cast<int32_t>(left), static_cast<int32_t>(top), ClampExtent(right - left),
                ClampExtent(bottom - top));
  }

  friend constexpr bool operator==(const Rect& a, const Rect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  }
  friend constexpr bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

 private:
  static constexpr int32_t ClampExtent(int64_t v) { return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); }
};

class DoubleRect {
 public:
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;

  constexpr DoubleRect() = default;
  constexpr DoubleRect(double mX, double mY, double w, double h) : x(mX), y(mY), width(w), height(h) {}
  constexpr explicit DoubleRect(const Rect& r) : x(r.x), y(r.y), width(r.width), height(r.height) {}

  constexpr DoubleRect Intersection(const DoubleRect& b) const {
    const double left = std::max(x, b.x);
    const double top = std::max(y, b.y);
    const double right = std::min(x + width, b.x + b.width);
    const double bottom = std::min(y + height, b.y + b.height);
    if (right - left < 0.0 || bottom - top < 0.0) return DoubleRect();
    return DoubleRect(left, top, right - left, bottom - top);
  }

  friend constexpr bool operator==(const DoubleRect& a, const DoubleRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  }
  friend constexpr bool operator!=(const DoubleRect& a, const DoubleRect& b) { return !(a == b); }
};

}  // namespace Kivo
