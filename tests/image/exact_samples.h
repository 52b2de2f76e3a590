// The cases of the exact-sample tests of rotated and float-position draws,
// shared by the memory-image and the screen-surface versions: pictures
// drawn at whole-pixel positions and quarter turns, where every target pixel
// samples one source pixel exactly.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "shell/base/Color.h"

namespace ExactSamples {

constexpr int kW = 7, kH = 5;  // picture size
constexpr int kTarget = 24;    // the target is kTarget x kTarget

struct Picture {
  const char* name;
  std::vector<uint32_t> pixels;  // kW x kH
};

// Opaque white, opaque colours and colours with transparent holes (whose
// colour bits must not leak).
inline std::vector<Picture> Pictures() {
  std::vector<uint32_t> white(kW * kH, 0xFFFFFFFFu), coloured, holes;
  for (int j = 0; j < kH; ++j) {
    for (int i = 0; i < kW; ++i) {
      const uint32_t rgb = static_cast<uint32_t>(i * 37 + 5) << 16 | static_cast<uint32_t>(j * 51 + 3) << 8 |
                           static_cast<uint32_t>(255 - i * 13 - j * 7);
      coloured.push_back(0xFF000000u | rgb);
      holes.push_back((i + j) % 3 == 0 ? rgb : 0xFF000000u | rgb);
    }
  }
  return {{"white", white}, {"coloured", coloured}, {"with transparent pixels", holes}};
}

struct Placement {
  double angle;
  float x, y, cx, cy;
};

inline const Placement kPlacements[] = {
    {0.0, 8, 9, 0, 0},  {0.0, -2, 3, 0, 0},         {M_PI / 2, 8, 9, 3, 2},
    {M_PI, 8, 9, 3, 2}, {3 * M_PI / 2, 8, 9, 3, 2}, {M_PI / 2, 5, 4, 0, 0},
};

// A tint and the channels of the source it keeps at full weight.
struct Tint {
  Kivo::Color color;
  uint32_t keep;
};

inline const Tint kTints[] = {{Kivo::Color::White, 0xFFFFFFFFu}, {Kivo::Color(255, 0, 255), 0xFFFF00FFu}};

// The source pixel (u, v) that target pixel (X, Y) samples under p; inside
// when it lies in the picture, interior when it is not on its border (where
// a sample may be left out, but never blurred).
struct Sampled {
  int u, v;
  bool inside, interior;
};

inline Sampled SampleOf(const Placement& p, int X, int Y) {
  const int c = static_cast<int>(std::lround(std::cos(p.angle)));
  const int s = static_cast<int>(std::lround(std::sin(p.angle)));
  const int rx = X - static_cast<int>(p.cx + p.x), ry = Y - static_cast<int>(p.cy + p.y);
  const int u = static_cast<int>(p.cx) + c * rx - s * ry, v = static_cast<int>(p.cy) + c * ry + s * rx;
  return {u, v, u >= 0 && u < kW && v >= 0 && v < kH, u >= 1 && u <= kW - 2 && v >= 1 && v <= kH - 2};
}

}  // namespace ExactSamples
