#include "shell/base/Fraction.h"

namespace Kivo {

void Fraction::Set(int32_t n, int32_t d) {
  if (n == 0 && d == 0) return;
  // 64-bit so that INT_MIN % -1 and INT_MIN / -1 stay defined.
  int64_t a = n;
  int64_t b = d;
  while (b != 0) {
    const int64_t r = a % b;
    a = b;
    b = r;
  }
  const int64_t num = int64_t{n} / a;
  const int64_t den = int64_t{d} / a;
  if (num < INT32_MIN || num > INT32_MAX || den < INT32_MIN || den > INT32_MAX) return;
  numerator = static_cast<int32_t>(num);
  denominator = static_cast<int32_t>(den);
}

}  // namespace Kivo
