// Small helpers the sample scenes are written with: placed records, colour
// property values and flat or computed pictures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "resources/ImageLib.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {
namespace sample {

inline uint32_t Opaque(uint32_t rgb) { return 0xFF000000u | rgb; }

// A record of the type on an axis-aligned rectangle.
inline DtmRecord Placed(const std::string& name, uint32_t type, float left, float top, float width, float height) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(left, top, width, height);
  return record;
}

// A "_col" value of 0xRRGGBB: the scene keeps red in the low byte.
inline std::string ColourValue(uint32_t rgb) {
  const uint32_t r = (rgb >> 16) & 0xFF;
  const uint32_t g = (rgb >> 8) & 0xFF;
  const uint32_t b = rgb & 0xFF;
  return std::to_string(r | (g << 8) | (b << 16));
}

inline ImageLib::Image Picture(int width, int height, const std::function<uint32_t(int, int)>& pixel) {
  ImageLib::Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.pixels[y * width + x] = pixel(x, y);
  }
  return image;
}

inline ImageLib::Image Flat(int width, int height, uint32_t rgb) {
  return Picture(width, height, [rgb](int, int) { return Opaque(rgb); });
}

}  // namespace sample
}  // namespace Kivo
