// A reduced integer ratio, used for aspect ratios of the window and desktop.
// Signs are kept as reduction leaves them: (3, -6) becomes 1/-2.
#pragma once

#include <cstdint>

namespace Kivo {

class Fraction {
 public:
  int32_t numerator = 1;
  int32_t denominator = 1;

  constexpr Fraction() = default;
  constexpr Fraction(int32_t n, int32_t d) : numerator(n), denominator(d) {}

  // Stores n/d divided by their greatest common divisor (Euclid with
  // truncating remainders, so the divisor's sign follows the inputs).
  // (0, 0) has no divisor and a headless 0x0 desktop can produce it, and
  // (INT_MIN, -1) reduces to a value that does not fit: both leave the
  // fraction unchanged.
  void Set(int32_t n, int32_t d);

  friend constexpr bool operator==(const Fraction& a, const Fraction& b) {
    return a.numerator == b.numerator && a.denominator == b.denominator;
  }
  friend constexpr bool operator!=(const Fraction& a, const Fraction& b) { return !(a == b); }
};

}  // namespace Kivo
