#include "tools/sampledata/levels/LevelPictures.h"

#include <cmath>
#include <cstdlib>

#include "tools/sampledata/SampleDrawing.h"

namespace Kivo {
namespace levelpics {

namespace {

uint32_t Darker(uint32_t rgb) {
  const uint32_t r = ((rgb >> 16) & 0xFF) / 2;
  const uint32_t g = ((rgb >> 8) & 0xFF) / 2;
  const uint32_t b = (rgb & 0xFF) / 2;
  return (r << 16) | (g << 8) | b;
}

// Distance-like measure of (x, y) from the centre in the shape's own
// metric: below 1 inside.
float Measure(Shape shape, float dx, float dy) {
  const float ax = std::fabs(dx);
  const float ay = std::fabs(dy);
  switch (shape) {
    case Shape::kDisc: return std::sqrt(dx * dx + dy * dy);
    case Shape::kSquare: return ax > ay ? ax : ay;
    case Shape::kDiamond: return ax + ay;
    case Shape::kTriangle:
      // Apex up: inside when below the two slanted edges and above the base.
      return dy > 0.8f ? 2.0f : (ax * 1.2f + (0.8f - dy) * 0.6f) / 1.08f;
    case Shape::kRing: {
      const float r = std::sqrt(dx * dx + dy * dy);
      return r < 0.25f ? 0.5f : r;  // a filled centre dot keeps it clickable
    }
    case Shape::kStar: {
      const float r = std::sqrt(dx * dx + dy * dy);
      const float angle = std::atan2(dy, dx);
      return r / (0.7f + 0.3f * std::cos(5.0f * angle));
    }
  }
  return 2.0f;
}

}  // namespace

ImageLib::Image Backdrop(int width, int height, uint32_t sky, uint32_t ground, int seed) {
  const float phase = static_cast<float>(seed % 7) * 0.9f;
  return sample::Picture(width, height, [=](int x, int y) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    const float hill = static_cast<float>(height) * 0.6f + 30.0f * std::sin(fx * 0.02f + phase) +
                       15.0f * std::sin(fx * 0.055f + 2.0f * phase);
    const float sunX = static_cast<float>(width) * 0.75f;
    const float sunY = static_cast<float>(height) * 0.2f;
    if ((fx - sunX) * (fx - sunX) + (fy - sunY) * (fy - sunY) < 900.0f) return sample::Opaque(0xFFE070);
    if (fy < hill) {
      const uint32_t fade = static_cast<uint32_t>(fy * 60.0f / static_cast<float>(height));
      return sample::Opaque(sky + (fade << 8) + fade);
    }
    const uint32_t stripe = ((x / 16 + y / 16) % 2) != 0 ? 0x080808u : 0u;
    return sample::Opaque(ground + stripe);
  });
}

ImageLib::Image ShapePicture(Shape shape, int size, uint32_t rgb) {
  const float half = static_cast<float>(size) / 2.0f;
  const uint32_t rim = Darker(rgb);
  return sample::Picture(size, size, [=](int x, int y) {
    const float dx = (static_cast<float>(x) + 0.5f - half) / half;
    const float dy = (static_cast<float>(y) + 0.5f - half) / half;
    const float m = Measure(shape, dx, dy);
    if (m > 0.95f) return 0x00000000u;
    if (m > 0.8f) return sample::Opaque(rim);
    // A lighter highlight toward the top left.
    const uint32_t light = dx + dy < -0.5f ? 0x202020u : 0u;
    return sample::Opaque(rgb | light);
  });
}

DtmRecord PictureRecord(const std::string& name, uint32_t type, float left, float top, float width, float height,
                        const std::string& imageKey) {
  DtmRecord record = sample::Placed(name, type, left, top, width, height);
  record.Property("_keyImg", imageKey);
  return record;
}

}  // namespace levelpics
}  // namespace Kivo
