// Colour, rectangle and ratio value types shared by every layer: draw calls,
// fonts, widgets, blitters and the display's aspect correction.
//
// Colour components are carried unclamped; the packed form 0xAARRGGBB treats a
// zero top byte as opaque, so a packed value can never express full
// transparency. Nothing here allocates or reports errors.
#pragma once

#include <cstdint>

namespace Kivo {

class Color {
 public:
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
  int32_t alpha = 255;

  constexpr Color() = default;
  constexpr Color(int32_t r, int32_t g, int32_t b) : red(r), green(g), blue(b), alpha(255) {}
  constexpr Color(int32_t r, int32_t g, int32_t b, int32_t a) : red(r), green(g), blue(b), alpha(a) {}

  // Packed 0xAARRGGBB. Data files and colour literals written without an alpha
  // byte mean opaque, hence the zero-alpha rule.
  explicit constexpr Color(uint32_t packed)
      : red(static_cast<int32_t>((packed >> 16) & 0xFF)),
        green(static_cast<int32_t>((packed >> 8) & 0xFF)),
        blue(static_cast<int32_t>(packed & 0xFF)),
        alpha(static_cast<int32_t>((packed >> 24) & 0xFF) == 0 ? 255 : static_cast<int32_t>((packed >> 24) & 0xFF)) {}

  // The same red, green and blue at full opacity.
  static constexpr Color Opaque(const Color& c) { return Color(c.red, c.green, c.blue, 255); }

  // Packs without masking: out-of-range components spill into their
  // neighbours' bits. Shifts are unsigned so negative components stay defined.
  constexpr uint32_t ToInt() const {
    return (static_cast<uint32_t>(alpha) << 24) | (static_cast<uint32_t>(red) << 16) |
           (static_cast<uint32_t>(green) << 8) | static_cast<uint32_t>(blue);
  }

  constexpr int32_t GetRed() const { return red; }
  constexpr int32_t GetGreen() const { return green; }
  constexpr int32_t GetBlue() const { return blue; }
  constexpr int32_t GetAlpha() const { return alpha; }

  friend constexpr bool operator==(const Color& a, const Color& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
  }
  friend constexpr bool operator!=(const Color& a, const Color& b) { return !(a == b); }

  // Built before any dynamic initialiser runs (constant-initialised), so every
  // global constructor may use them.
  static const Color Black;
  static const Color White;
};

}  // namespace Kivo
