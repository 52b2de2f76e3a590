// The pixel format of a display surface: the ten numbers that turn straight
// 0xAARRGGBB pixels into the display's premultiplied channel layout. The
// display object derives from it; images only read it.
#pragma once

#include <cstdint>

namespace Kivo {

struct NativeDisplay {
  uint32_t bitsPerPixel = 0;
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  int32_t redBits = 0;
  int32_t greenBits = 0;
  int32_t blueBits = 0;
  int32_t redShift = 0;
  int32_t greenShift = 0;
  int32_t blueShift = 0;

  NativeDisplay() = default;
  NativeDisplay(const NativeDisplay&) = default;
  NativeDisplay& operator=(const NativeDisplay&) = default;
  virtual ~NativeDisplay() = default;

  // Fills the fields from bits per pixel and three channel masks.
  void SetFormat(uint32_t bpp, uint32_t red, uint32_t green, uint32_t blue);
  // A format is usable when every channel has 1 to 8 bits.
  bool IsUsable() const;
};

}  // namespace Kivo
