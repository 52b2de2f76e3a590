// Uncompressed 32-bit TGA reader: only the layout the game's tools write
// (32 bits per pixel, descriptor 0x28 = 8 alpha bits, top-left origin), whose
// blue, green, red, alpha bytes are already one little-endian 0xAARRGGBB word.
#include "resources/ImageLib.h"

#include <cstring>

namespace Kivo {
namespace ImageLib {

namespace {

constexpr size_t kTgaHeaderSize = 18;
constexpr uint8_t kTgaPixelDepth = 32;
constexpr uint8_t kTgaTopLeftAlpha8 = 0x28;

inline uint32_t LoadLe16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

}  // namespace

ImagePtr DecodeTgaImage(ImageInput& in) {
  uint8_t header[kTgaHeaderSize];
  if (in.Read(header, kTgaHeaderSize) != kTgaHeaderSize) return nullptr;
  uint32_t width = LoadLe16(header + 12);
  uint32_t height = LoadLe16(header + 14);
  if (header[16] != kTgaPixelDepth || header[17] != kTgaTopLeftAlpha8) return nullptr;
  if (!ImageSizeAllowed(width, height)) return nullptr;

  auto image = std::make_unique<Image>(int32_t(width), int32_t(height));
  // A file shorter than its header says leaves the remaining pixels 0; a
  // partial last pixel is dropped rather than half-written.
  uint8_t* dst = reinterpret_cast<uint8_t*>(image->pixels.data());
  size_t want = image->pixels.size() * 4;
  size_t got = 0;
  while (got < want) {
    size_t n = in.Read(dst + got, want - got);
    if (n == 0) break;
    got += n;
  }
  if (got % 4 != 0) std::memset(dst + got - got % 4, 0, got % 4);
  return image;
}

}  // namespace ImageLib
}  // namespace Kivo
