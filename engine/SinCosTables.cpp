#include "engine/SinCosTables.h"

#include <atomic>
#include <cmath>

namespace Kivo {

namespace {

float gSin[kSinCosSteps];
float gCos[kSinCosSteps];
std::atomic<bool> gBuilt{false};

int Wrap(int degrees) {
  int index = degrees % kSinCosSteps;
  return index < 0 ? index + kSinCosSteps : index;
}

}  // namespace

void BuildSinCosTables() {
  if (gBuilt.load(std::memory_order_acquire)) return;
  const double kPi = 3.14159265358979323846;
  for (int i = 0; i < kSinCosSteps; ++i) {
    double angle = 2.0 * kPi * i / kSinCosSteps;
    gSin[i] = static_cast<float>(std::sin(angle));
    gCos[i] = static_cast<float>(std::cos(angle));
  }
  gBuilt.store(true, std::memory_order_release);
}

bool SinCosTablesBuilt() { return gBuilt.load(std::memory_order_acquire); }

float TableSin(int degrees) { return SinCosTablesBuilt() ? gSin[Wrap(degrees)] : 0.0f; }

float TableCos(int degrees) { return SinCosTablesBuilt() ? gCos[Wrap(degrees)] : 0.0f; }

}  // namespace Kivo
