// Conversions of numbers that come from files or long float arithmetic into
// narrower types without undefined behaviour: out-of-range values saturate
// and NaN becomes 0.
#pragma once

#include <cfloat>
#include <cmath>

namespace Kivo {

// Truncates toward zero like a cast; saturates at the int range.
inline int TruncateToIntSaturating(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(value);
}

// Rounds to the nearest float like a cast; saturates at the float range.
inline float ToFloatSaturating(double value) {
  if (value > FLT_MAX) return FLT_MAX;
  if (value < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(value);
}

}  // namespace Kivo
