#include "image/NativeDisplay.h"

namespace Kivo {

namespace {

void MaskToShiftAndBits(uint32_t mask, int32_t& shift, int32_t& bits) {
  shift = 0;
  bits = 0;
  if (mask == 0) return;
  while (((mask >> shift) & 1u) == 0) ++shift;
  int32_t top = 31;
  while (((mask >> top) & 1u) == 0) --top;
  bits = top - shift + 1;
}

bool ChannelUsable(int32_t bits, int32_t shift) { return bits >= 1 && bits <= 8 && shift >= 0 && shift + bits <= 32; }

}  // namespace

void NativeDisplay::SetFormat(uint32_t bpp, uint32_t red, uint32_t green, uint32_t blue) {
  bitsPerPixel = bpp;
  redMask = red;
  greenMask = green;
  blueMask = blue;
  MaskToShiftAndBits(red, redShift, redBits);
  MaskToShiftAndBits(green, greenShift, greenBits);
  MaskToShiftAndBits(blue, blueShift, blueBits);
}

bool NativeDisplay::IsUsable() const {
  return ChannelUsable(redBits, redShift) && ChannelUsable(greenBits, greenShift) && ChannelUsable(blueBits, blueShift);
}

}  // namespace Kivo
