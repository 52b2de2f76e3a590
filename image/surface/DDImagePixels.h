// Surface pixel conventions shared by the DDImage routines: the locked
// surface's layout, packing 0xAARRGGBB into the display's channels and back,
// the spread form of 16-bit pixels and the colour-key choice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/NativeDisplay.h"
#include "platform/devices/DDraw.h"

namespace Kivo {

// The locked surface: first pixel, pitch in bytes, bit count and masks.
struct SurfaceView {
  uint8_t* base = nullptr;
  int32_t pitch = 0;
  uint32_t bitCount = 0;
  uint32_t R = 0;
  uint32_t G = 0;
  uint32_t B = 0;

  explicit SurfaceView(const DDSURFACEDESC& desc)
      : base(static_cast<uint8_t*>(desc.lpSurface)),
        pitch(desc.lPitch),
        bitCount(desc.ddpfPixelFormat.dwRGBBitCount),
        R(desc.ddpfPixelFormat.dwRBitMask),
        G(desc.ddpfPixelFormat.dwGBitMask),
        B(desc.ddpfPixelFormat.dwBBitMask) {}

  uint16_t* Row16(int32_t y) const { return reinterpret_cast<uint16_t*>(base + static_cast<ptrdiff_t>(y) * pitch); }
  uint32_t* Row32(int32_t y) const { return reinterpret_cast<uint32_t*>(base + static_cast<ptrdiff_t>(y) * pitch); }
  // Pixels per row as the pitch counts them.
  int32_t RowPixels() const { return bitCount == 16 ? pitch / 2 : pitch / 4; }
};

// 0xAARRGGBB to a surface pixel: each channel keeps the top bits of its
// byte, alpha is dropped.
struct PixelPacker {
  int32_t rs, gs, bs, rb, gb, bb;
  uint32_t rm, gm, bm;
  explicit PixelPacker(const NativeDisplay& d)
      : rs(d.redShift),
        gs(d.greenShift),
        bs(d.blueShift),
        rb(d.redBits),
        gb(d.greenBits),
        bb(d.blueBits),
        rm(d.redMask),
        gm(d.greenMask),
        bm(d.blueMask) {}
  uint32_t operator()(uint32_t c) const {
    return (((c >> (24 - rb)) << rs) & rm) | (((c >> (16 - gb)) << gs) & gm) | (((c >> (8 - bb)) << bs) & bm);
  }
};

// A colour byte in the channel field `mask` (a run of at most 8 bits),
// shifted down to bit 0: the byte's top bits, as PixelPacker keeps them.
inline uint32_t FieldValue(uint32_t byte, uint32_t mask) {
  if (mask == 0) return 0;
  const int bits = __builtin_popcount(mask);
  return bits >= 8 ? byte : byte >> (8 - bits);
}

// Colour (r, g, b) with alpha a over surface pixels, every channel field
// rounded once: (C * a + D * (255 - a) + 127) / 255 on the field values, so
// alpha 255 lands the colour exactly as a blit of it would and alpha 0 keeps
// the pixel. Bits outside the three fields come out clear.
class FieldOver {
 public:
  FieldOver(const SurfaceView& v, uint32_t r, uint32_t g, uint32_t b, uint32_t a) : keep_(255 - a) {
    const uint32_t masks[3] = {v.R, v.G, v.B};
    const uint32_t bytes[3] = {r, g, b};
    for (int k = 0; k < 3; ++k) {
      mask_[k] = masks[k];
      shift_[k] = masks[k] == 0 ? 0 : __builtin_ctz(masks[k]);
      colour_[k] = FieldValue(bytes[k], masks[k]) * a + 127;
    }
  }
  uint32_t operator()(uint32_t d) const {
    uint32_t out = 0;
    for (int k = 0; k < 3; ++k)
      out |= ((colour_[k] + ((d & mask_[k]) >> shift_[k]) * keep_) / 255) << shift_[k] & mask_[k];
    return out;
  }

 private:
  uint32_t mask_[3], colour_[3], keep_;
  int shift_[3];
};

// A surface pixel to opaque 0xAARRGGBB; the freed low bits stay zero.
struct PixelUnpacker {
  int32_t rs, gs, bs, rb, gb, bb;
  explicit PixelUnpacker(const NativeDisplay& d)
      : rs(d.redShift), gs(d.greenShift), bs(d.blueShift), rb(d.redBits), gb(d.greenBits), bb(d.blueBits) {}
  uint32_t operator()(uint32_t v) const {
    const uint32_t r = ((v >> rs) << (8 - rb)) & 0xFF;
    const uint32_t g = ((v >> gs) << (8 - gb)) & 0xFF;
    const uint32_t b = ((v >> bs) << (8 - bb)) & 0xFF;
    return 0xFF000000u | r << 16 | g << 8 | b;
  }
};

constexpr uint32_t kSpread565 = 0x07E0F81Fu;
constexpr uint32_t kSpread555 = 0x03E07C1Fu;

inline uint32_t Spread(uint32_t p, uint32_t k) { return (p | p << 16) & k; }
inline uint32_t Fold(uint32_t v) { return ((v >> 16) | v) & 0xFFFFu; }

// The spread mask of a 16-bit layout, or 0 for other layouts.
inline uint32_t SpreadMaskFor(uint32_t greenMask) {
  return greenMask == 0x7E0u ? kSpread565 : (greenMask == 0x3E0u ? kSpread555 : 0u);
}

// The colour key of a transparent image: the first non-opaque pixel's value
// (packed on 16 bits, as it is on 32), unless an opaque pixel has the same
// surface value; then the lowest value no visible pixel uses.
template <typename Pack>
uint32_t ChooseColorKey(const uint32_t* pixels, size_t count, const Pack& pack, bool sixteen) {
  size_t first = count;
  for (size_t i = 0; i < count; ++i)
    if ((pixels[i] >> 24) != 255) {
      first = i;
      break;
    }
  if (first == count) return 0;
  const uint32_t guess = sixteen ? pack(pixels[first]) : pixels[first];
  bool clash = false;
  for (size_t i = 0; i < count && !clash; ++i) {
    if ((pixels[i] >> 24) != 255) continue;
    clash = sixteen ? pack(pixels[i]) == guess : (pack(pixels[i]) & 0xFFFFFFu) == guess;
  }
  if (!clash) return guess;
  const size_t values = sixteen ? 65536u : (1u << 24);
  std::vector<uint8_t> used(values / 8, 0);
  for (size_t i = 0; i < count; ++i) {
    if ((pixels[i] >> 24) == 0) continue;
    const uint32_t v = sixteen ? (pack(pixels[i]) & 0xFFFFu) : (pack(pixels[i]) & 0xFFFFFFu);
    used[v >> 3] = static_cast<uint8_t>(used[v >> 3] | (1u << (v & 7)));
  }
  for (size_t v = 0; v < values; ++v)
    if ((used[v >> 3] & (1u << (v & 7))) == 0) return static_cast<uint32_t>(v);
  return guess;
}

}  // namespace Kivo
