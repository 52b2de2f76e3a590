#include "tools/sampledata/levels/LevelPictures.h"

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <vector>

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

namespace {

uint32_t Blend(uint32_t a, uint32_t b, float t) {
  t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const float ca = static_cast<float>((a >> shift) & 0xFF);
    const float cb = static_cast<float>((b >> shift) & 0xFF);
    out |= static_cast<uint32_t>(ca + (cb - ca) * t) << shift;
  }
  return out;
}

// A small generator of the picture's own: the same seed, the same scene.
float Unit(int seed, int k) {
  uint32_t h = static_cast<uint32_t>(seed) * 2654435761u + static_cast<uint32_t>(k) * 40503u + 977u;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return static_cast<float>(h % 10000u) / 10000.0f;
}

}  // namespace

ImageLib::Image Backdrop(int width, int height, uint32_t sky, uint32_t ground, int seed) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  const float phase = static_cast<float>(seed % 7) * 0.9f;
  // Clouds, trees and a house at places of the seed.
  struct Blob {
    float x, y, rx, ry;
  };
  std::vector<Blob> clouds;
  for (int k = 0; k < 4; ++k) {
    const float cx = Unit(seed, k) * w;
    const float cy = (0.08f + 0.25f * Unit(seed, k + 10)) * h;
    for (int p = 0; p < 3; ++p) {
      clouds.push_back(
          {cx + (static_cast<float>(p) - 1.0f) * 0.05f * w, cy - (p == 1 ? 0.02f * h : 0.0f), 0.06f * w, 0.035f * h});
    }
  }
  std::vector<Blob> trees;
  for (int k = 0; k < 5; ++k) {
    const float tx = (0.08f + 0.84f * Unit(seed, k + 20)) * w;
    trees.push_back({tx, 0.0f, (0.025f + 0.015f * Unit(seed, k + 30)) * w, 0.0f});
  }
  const float houseX = (0.15f + 0.5f * Unit(seed, 40)) * w;
  const float houseW = 0.12f * w;
  auto hillAt = [=](float fx) {
    return h * 0.6f + 30.0f * std::sin(fx * 0.02f * 680.0f / w + phase) + 15.0f * std::sin(fx * 0.055f + 2.0f * phase);
  };
  auto farHillAt = [=](float fx) {
    return h * 0.5f + 25.0f * std::sin(fx * 0.012f * 680.0f / w + 2.0f * phase + 1.0f);
  };
  return sample::Picture(width, height, [=](int x, int y) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    const float hill = hillAt(fx);
    // Trees stand on the near hill: a trunk and a round shaded crown.
    for (const Blob& tree : trees) {
      const float base = hillAt(tree.x) + 4.0f;
      const float r = tree.rx;
      const float crownY = base - 2.6f * r;
      const float dx = fx - tree.x;
      const float dy = fy - crownY;
      if (dx * dx + dy * dy < r * r) {
        const float light = (-dx - dy) / (2.0f * r);
        return sample::Opaque(Blend(Blend(ground, 0x1E4A1A, 0.6f), 0x9AC860, 0.25f + 0.35f * light));
      }
      if (std::fabs(dx) < r * 0.18f && fy > crownY && fy < base) return sample::Opaque(0x5A3A20);
    }
    // The house on the hill: walls, a roof and a lit window.
    const float houseBase = hillAt(houseX + houseW / 2.0f) + 6.0f;
    const float wallTop = houseBase - houseW * 0.7f;
    if (fx >= houseX && fx < houseX + houseW) {
      if (fy >= wallTop && fy < houseBase) {
        const float wx = (fx - houseX) / houseW;
        const float wy = (fy - wallTop) / (houseBase - wallTop);
        if (wx > 0.3f && wx < 0.55f && wy > 0.25f && wy < 0.6f) return sample::Opaque(0xF0D070);
        return sample::Opaque(Blend(0xC8B090, 0x806040, wx * 0.5f));
      }
      const float roofRise = houseW * 0.45f * (1.0f - std::fabs((fx - houseX) / houseW * 2.0f - 1.0f));
      if (fy >= wallTop - roofRise && fy < wallTop) return sample::Opaque(0x9A3A2A);
    }
    if (fy < farHillAt(fx) && fy < hill) {
      // The sun with its glow, clouds, and the sky lighter toward the horizon.
      const float sunX = w * 0.75f;
      const float sunY = h * 0.2f;
      const float sd = std::sqrt((fx - sunX) * (fx - sunX) + (fy - sunY) * (fy - sunY));
      const float radius = 0.045f * (w < h ? w : h) + 6.0f;
      if (sd < radius) return sample::Opaque(0xFFE070);
      uint32_t rgb = Blend(Blend(sky, 0x000000, 0.15f), Blend(sky, 0xFFF0D8, 0.55f), fy / (h * 0.6f));
      if (sd < radius * 3.0f) rgb = Blend(rgb, 0xFFE8A0, 0.35f * (1.0f - sd / (radius * 3.0f)));
      float cloud = 0.0f;
      for (const Blob& c : clouds) {
        const float cx = (fx - c.x) / c.rx;
        const float cy = (fy - c.y) / c.ry;
        const float d = cx * cx + cy * cy;
        if (d < 1.0f) cloud = std::max(cloud, 1.0f - d);
      }
      if (cloud > 0.0f) rgb = Blend(rgb, 0xFAFAFF, std::min(1.0f, cloud * 3.0f) * 0.85f);
      return sample::Opaque(rgb);
    }
    if (fy < hill) {
      // Far hills, hazy with the sky.
      return sample::Opaque(Blend(Blend(ground, sky, 0.55f), 0x000000, 0.05f * std::sin(fx * 0.1f)));
    }
    // Grass: darker further down, with tufts and a little texture.
    const float depth = (fy - hill) / (h - hill + 1.0f);
    const float tuft = std::sin(fx * 0.9f + std::sin(fy * 0.3f) * 3.0f) * std::sin(fy * 0.7f + fx * 0.05f);
    uint32_t rgb = Blend(Blend(ground, 0xFFFFFF, 0.12f), Blend(ground, 0x000000, 0.35f), depth);
    if (tuft > 0.85f) rgb = Blend(rgb, 0x000000, 0.2f);
    if (fy - hill < 3.0f) rgb = Blend(rgb, 0xFFFFFF, 0.2f);
    return sample::Opaque(rgb);
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
