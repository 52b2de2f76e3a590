// Pixel arithmetic shared by the software blitters, and the switch that
// forces every fast path onto its plain reference twin.
//
// Every fast path (run-table blits, table-driven source-over, packed fills,
// precomputed stretch columns) has a reference loop written straight from the
// arithmetic; tests run random operations both ways and compare the pixels.
#pragma once

#include <cstdint>

#include "shell/base/Color.h"

namespace Kivo {

// True while the reference loops are forced (tests and benchmarks only).
bool ReferencePathsForced();
void ForceReferencePaths(bool forced);

// A colour split into bytes, taken from its packed form (components outside
// 0..255 are cut to their low byte, as packing does).
struct ColorBytes {
  uint32_t a, r, g, b;
  explicit ColorBytes(const Color& c) {
    const uint32_t v = c.ToInt();
    a = v >> 24;
    r = (v >> 16) & 0xFF;
    g = (v >> 8) & 0xFF;
    b = v & 0xFF;
  }
  bool IsOpaqueWhite() const { return a == 255 && r == 255 && g == 255 && b == 255; }
};

// Source-over: with effective alpha A onto destination alpha Da the new alpha
// is N = Da + (255 - Da) * A / 255 and the source weight w = A * 255 / N, out
// of 256; where the source makes the whole new alpha (A = N: an opaque
// source, or any source onto a transparent pixel) w is 256, so the source
// colour lands exactly. Both depend only on (A, Da); the tables hold them for
// all 65536 pairs.
struct OverTables {
  uint8_t newAlpha[256 * 256];
  uint16_t weight[256 * 256];
};
const OverTables& GetOverTables();

inline uint32_t OverAlphaReference(uint32_t A, uint32_t Da) { return Da + (255 - Da) * A / 255; }
inline uint32_t OverWeightReference(uint32_t A, uint32_t N) { return N == 0 ? 0 : (A == N ? 256 : A * 255 / N); }

// A byte factor (alpha or a tint channel) as a weight out of 256: 0 stays 0
// and 255 becomes 256, so a full factor keeps a channel exactly.
inline uint32_t FullWeight(uint32_t f) { return f + (f >> 7); }

// N and w for (A, Da), by table or by division.
inline void OverFactors(uint32_t A, uint32_t Da, bool fast, uint32_t& N, uint32_t& w) {
  if (fast) {
    const OverTables& t = GetOverTables();
    N = t.newAlpha[(A << 8) | Da];
    w = t.weight[(A << 8) | Da];
  } else {
    N = OverAlphaReference(A, Da);
    w = OverWeightReference(A, N);
  }
}

// The general source-over blend of colour (r, g, b) with alpha A (> 0) onto
// D, every channel (Sc * w + Dc * (256 - w)) >> 8.
inline uint32_t BlendOver(uint32_t D, uint32_t r, uint32_t g, uint32_t b, uint32_t A, bool fast) {
  uint32_t N, w;
  OverFactors(A, D >> 24, fast, N, w);
  const uint32_t iw = 256 - w;
  const uint32_t nr = (r * w + ((D >> 16) & 0xFF) * iw) >> 8;
  const uint32_t ng = (g * w + ((D >> 8) & 0xFF) * iw) >> 8;
  const uint32_t nb = (b * w + (D & 0xFF) * iw) >> 8;
  return (N << 24) | (nr << 16) | (ng << 8) | nb;
}

// Division by 1..256 of numerators below 2^17 as a multiply and a shift:
// q = n * of[d] >> kReciprocalShift equals n / d exactly over that range
// (checked exhaustively by the tests).
constexpr int kReciprocalShift = 40;
struct Reciprocals {
  uint64_t of[257];
};
const Reciprocals& GetReciprocals();

}  // namespace Kivo
