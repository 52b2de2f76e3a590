#include "image/Blend.h"

#include <atomic>

namespace Kivo {

namespace {

std::atomic<bool>& ReferenceSwitch() {
  static std::atomic<bool> forced{false};
  return forced;
}

struct OverTablesBuilder {
  OverTables tables;
  OverTablesBuilder() {
    for (uint32_t A = 0; A < 256; ++A) {
      for (uint32_t Da = 0; Da < 256; ++Da) {
        const uint32_t N = OverAlphaReference(A, Da);
        tables.newAlpha[(A << 8) | Da] = static_cast<uint8_t>(N);
        tables.weight[(A << 8) | Da] = static_cast<uint16_t>(OverWeightReference(A, N));
      }
    }
  }
};

struct ReciprocalsBuilder {
  Reciprocals table;
  ReciprocalsBuilder() {
    table.of[0] = 0;
    for (uint64_t d = 1; d <= 256; ++d) table.of[d] = ((uint64_t{1} << kReciprocalShift) + d - 1) / d;
  }
};

}  // namespace

const Reciprocals& GetReciprocals() {
  static const ReciprocalsBuilder builder;
  return builder.table;
}

bool ReferencePathsForced() { return ReferenceSwitch().load(std::memory_order_relaxed); }
void ForceReferencePaths(bool forced) { ReferenceSwitch().store(forced, std::memory_order_relaxed); }

const OverTables& GetOverTables() {
  static const OverTablesBuilder builder;
  return builder.tables;
}

}  // namespace Kivo
