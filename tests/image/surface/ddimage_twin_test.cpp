// The run-table blit loops against their plain per-pixel twins: seeded
// random sources (straight and palette form, runs of every alpha class),
// rectangles, colours and layouts; the two results must match bit for bit.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "image/surface/DDImageBlitLoops.h"
#include "image/MemoryImage.h"

namespace {

using Kivo::BlitSource;
using Kivo::BlitTarget;
using Kivo::Color;
using Kivo::Rect;

struct Layout {
  const char* name;
  uint32_t bits, r, g, b;
};

const Layout kLayouts[] = {{"565", 16, 0xF800, 0x7E0, 0x1F},
                           {"555", 16, 0x7C00, 0x3E0, 0x1F},
                           {"888", 32, 0xFF0000, 0xFF00, 0xFF},
                           {"888 blue high", 32, 0xFF, 0xFF00, 0xFF0000}};

uint32_t Crc32(const std::vector<uint8_t>& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A surface in plain memory with the display's clamp tables.
struct MemorySurface {
  std::vector<uint8_t> pixels;
  std::vector<int32_t> clamp[3];
  Kivo::NativeDisplay format;
  DDSURFACEDESC desc{};
  int32_t width, height;

  MemorySurface(const Layout& l, int32_t w, int32_t h, std::mt19937& rng) : width(w), height(h) {
    format.SetFormat(l.bits, l.r, l.g, l.b);
    const int32_t pitch = w * static_cast<int32_t>(l.bits / 8) + 12;
    pixels.resize(static_cast<size_t>(pitch) * static_cast<size_t>(h));
    for (uint8_t& p : pixels) p = static_cast<uint8_t>(rng());
    desc.dwSize = sizeof(desc);
    desc.lPitch = pitch;
    desc.lpSurface = pixels.data();
    desc.ddpfPixelFormat.dwRGBBitCount = l.bits;
    desc.ddpfPixelFormat.dwRBitMask = l.r;
    desc.ddpfPixelFormat.dwGBitMask = l.g;
    desc.ddpfPixelFormat.dwBBitMask = l.b;
    const int32_t widths[3] = {format.redBits, format.greenBits, format.blueBits};
    for (int c = 0; c < 3; ++c) {
      const int32_t m = (1 << widths[c]) - 1;
      for (int32_t i = 0; i <= 2 * m; ++i) clamp[c].push_back(i < m ? i : m);
    }
  }
  BlitTarget Target() {
    desc.lpSurface = pixels.data();
    BlitTarget t;
    t.view = Kivo::SurfaceView(desc);
    t.redClamp = clamp[0].data();
    t.greenClamp = clamp[1].data();
    t.blueClamp = clamp[2].data();
    t.redShift = format.redShift;
    t.greenShift = format.greenShift;
    t.blueShift = format.blueShift;
    return t;
  }
};

// Pixels in runs of one class (transparent, opaque, partial), some long.
std::vector<uint32_t> RandomSprite(int32_t w, int32_t h, std::mt19937& rng) {
  std::vector<uint32_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
  size_t i = 0;
  while (i < out.size()) {
    const uint32_t kind = rng() % 3;
    const size_t run = 1 + rng() % (rng() % 4 == 0 ? 400 : 9);
    for (size_t k = 0; k < run && i < out.size(); ++k, ++i) {
      const uint32_t colour = rng() & 0xFFFFFFu;
      const uint32_t alpha = kind == 0 ? 0 : (kind == 1 ? 255 : 1 + rng() % 254);
      out[i] = alpha << 24 | colour;
    }
  }
  return out;
}

Color RandomColor(std::mt19937& rng) {
  switch (rng() % 4) {
    case 0: return Color::White;
    case 1: {
      const int32_t g = static_cast<int32_t>(rng() % 256);
      return Color(g, g, g, static_cast<int32_t>(rng() % 256));
    }
    default:
      return Color(static_cast<int32_t>(rng() % 256), static_cast<int32_t>(rng() % 256),
                   static_cast<int32_t>(rng() % 256), static_cast<int32_t>(rng() % 256));
  }
}

TEST(SurfaceBlitTwins, RunTableLoopsMatchThePerPixelTwins) {
  std::mt19937 rng(20261210);
  int compared = 0;
  for (int round = 0; round < 400; ++round) {
    const Layout& layout = kLayouts[rng() % 4];
    SCOPED_TRACE(layout.name);
    SCOPED_TRACE(round);
    const int32_t sw = 1 + static_cast<int32_t>(rng() % 300);
    const int32_t sh = 1 + static_cast<int32_t>(rng() % 6);
    Kivo::MemoryImage sprite;
    const std::vector<uint32_t> pixels = RandomSprite(sw, sh, rng);
    ASSERT_TRUE(sprite.SetBits(pixels.data(), sw, sh, true));
    if (rng() % 3 == 0) sprite.ConvertToPalette();

    const int32_t tw = 310;
    const int32_t th = 8;
    MemorySurface fast(layout, tw, th, rng);
    MemorySurface plain = fast;

    BlitSource s;
    s.native = sprite.GetNativeData(fast.format);
    s.indices = sprite.palette != nullptr ? sprite.indices.get() : nullptr;
    s.stride = sw;
    const bool additive = rng() % 2 == 0;
    s.runs = additive ? sprite.GetAdditiveRunTable(fast.format) : sprite.GetAlphaRunTable();

    const int32_t rx = static_cast<int32_t>(rng() % static_cast<uint32_t>(sw));
    const int32_t ry = static_cast<int32_t>(rng() % static_cast<uint32_t>(sh));
    const Rect sr(rx, ry, 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(sw - rx)),
                  1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(sh - ry)));
    const int32_t x = static_cast<int32_t>(rng() % static_cast<uint32_t>(tw - sr.width + 1));
    const int32_t y = static_cast<int32_t>(rng() % static_cast<uint32_t>(th - sr.height + 1));
    const Color color = RandomColor(rng);
    const bool mirrored = rng() % 2 == 0;
    if (additive) {
      Kivo::DrawAdditive(fast.Target(), s, x, y, sr, color, mirrored);
      Kivo::DrawAdditiveReference(plain.Target(), s, x, y, sr, color, mirrored);
    } else {
      Kivo::DrawBlended(fast.Target(), s, x, y, sr, color, mirrored);
      Kivo::DrawBlendedReference(plain.Target(), s, x, y, sr, color, mirrored);
    }
    ASSERT_EQ(Crc32(fast.pixels), Crc32(plain.pixels));
    ASSERT_EQ(fast.pixels, plain.pixels);
    ++compared;
  }
  EXPECT_EQ(compared, 400);
}

}  // namespace
