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
  auto hillAt = [=](float fx) {
    return h * 0.6f + 30.0f * std::sin(fx * 0.02f * 680.0f / w + phase) + 15.0f * std::sin(fx * 0.055f + 2.0f * phase);
  };
  // A tree's y holds the ground under it.
  std::vector<Blob> trees;
  for (int k = 0; k < 5; ++k) {
    const float tx = (0.08f + 0.84f * Unit(seed, k + 20)) * w;
    trees.push_back({tx, hillAt(tx) + 4.0f, (0.025f + 0.015f * Unit(seed, k + 30)) * w, 0.0f});
  }
  const float houseX = (0.15f + 0.5f * Unit(seed, 40)) * w;
  const float houseW = 0.12f * w;
  const float houseBase = hillAt(houseX + houseW / 2.0f) + 6.0f;
  auto farHillAt = [=](float fx) {
    return h * 0.5f + 25.0f * std::sin(fx * 0.012f * 680.0f / w + 2.0f * phase + 1.0f);
  };
  return sample::Picture(width, height, [=](int x, int y) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    const float hill = hillAt(fx);
    // Trees stand on the near hill: a trunk and a round shaded crown.
    for (const Blob& tree : trees) {
      const float base = tree.y;
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

uint32_t Mix(uint32_t a, uint32_t b, float t) { return Blend(a, b, t); }

float Noise(int seed, float x, float y, float scale) {
  const float u = x / scale;
  const float v = y / scale;
  const float fu = std::floor(u);
  const float fv = std::floor(v);
  const int iu = static_cast<int>(fu);
  const int iv = static_cast<int>(fv);
  float tu = u - fu;
  float tv = v - fv;
  tu = tu * tu * (3.0f - 2.0f * tu);
  tv = tv * tv * (3.0f - 2.0f * tv);
  const auto at = [seed](int a, int b) { return Unit(seed, a * 7919 + b * 104729); };
  const float top = at(iu, iv) + (at(iu + 1, iv) - at(iu, iv)) * tu;
  const float bottom = at(iu, iv + 1) + (at(iu + 1, iv + 1) - at(iu, iv + 1)) * tu;
  return top + (bottom - top) * tv;
}

namespace {

// Two octaves of noise, 0..1.
float Grain(int seed, float x, float y, float scale) {
  return 0.65f * Noise(seed, x, y, scale) + 0.35f * Noise(seed + 101, x, y, scale * 0.37f);
}

uint32_t Wood(float x, float y, float w, float h, uint32_t rgb, int seed) {
  const float plankHeight = std::max(h / 7.0f, std::min(h, 60.0f));
  const int plank = static_cast<int>(y / plankHeight);
  const float inPlank = y - static_cast<float>(plank) * plankHeight;
  // Planks meet end to end at places of their own.
  const float joint = (0.2f + 0.6f * Unit(seed, plank + 300)) * w;
  if (inPlank < 2.0f || std::fabs(x - joint) < 1.5f) return Mix(rgb, 0x000000, 0.65f);
  const float bend = 40.0f * Noise(seed + plank, x, y, 110.0f) + 8.0f * Noise(seed + plank + 50, x, y, 23.0f);
  const float ring = std::sin((y + bend) * 0.22f + static_cast<float>(plank) * 1.7f);
  const float line = ring > 0.0f ? std::pow(ring, 8.0f) : 0.0f;
  const float tone = 0.15f * Unit(seed, plank + 200) - 0.075f;
  uint32_t out = Mix(rgb, 0x000000, 0.22f * line);
  if (ring < -0.3f) out = Mix(out, 0xFFFFFF, 0.05f);
  out = Mix(out, tone < 0.0f ? 0x000000 : 0xFFFFFF, std::fabs(tone) + 0.1f * Grain(seed + 7, x, y * 4.0f, 20.0f));
  // A knot on some planks: dark rings about a point.
  const float knotX = (0.1f + 0.8f * Unit(seed, plank + 400)) * w;
  const float knotY = static_cast<float>(plank) * plankHeight + plankHeight * 0.5f;
  const float kx = (x - knotX) / 14.0f;
  const float ky = (y - knotY) / 7.0f;
  const float k = kx * kx + ky * ky;
  if (Unit(seed, plank + 500) > 0.45f && k < 4.0f) {
    out = Mix(out, 0x000000, k < 1.0f ? 0.45f : 0.2f * (0.5f + 0.5f * std::sin(k * 6.0f)));
  }
  if (inPlank < 4.0f) out = Mix(out, 0xFFFFFF, 0.12f);
  return out;
}

uint32_t Felt(float x, float y, uint32_t rgb, int seed) {
  const float weave = ((static_cast<int>(x) + static_cast<int>(y)) % 3 == 0) ? 0.05f : 0.0f;
  const float fuzz = Grain(seed, x, y, 3.0f) - 0.5f;
  const float cloud = Noise(seed + 3, x, y, 120.0f) - 0.5f;
  return Mix(rgb, fuzz + cloud * 0.5f > 0.0f ? 0xFFFFFF : 0x000000,
             std::fabs(fuzz) * 0.1f + std::fabs(cloud) * 0.15f + weave);
}

uint32_t Stone(float x, float y, uint32_t rgb, int seed) {
  const float brickW = 86.0f;
  const float brickH = 40.0f;
  const int row = static_cast<int>(y / brickH);
  const float shift = row % 2 == 0 ? 0.0f : brickW / 2.0f;
  const int column = static_cast<int>((x + shift) / brickW);
  const float bx = x + shift - static_cast<float>(column) * brickW;
  const float by = y - static_cast<float>(row) * brickH;
  if (bx < 3.0f || by < 3.0f) return Mix(rgb, 0x000000, 0.55f + 0.1f * Noise(seed, x, y, 2.0f));
  const float tint = Unit(seed, row * 131 + column) - 0.5f;
  uint32_t out = Mix(rgb, tint > 0.0f ? 0xFFFFFF : 0x000000, std::fabs(tint) * 0.3f);
  const float speck = Grain(seed + 5, x, y, 5.0f) - 0.5f;
  out = Mix(out, speck > 0.0f ? 0xFFFFFF : 0x000000, std::fabs(speck) * 0.35f);
  // Each brick lit on its top and left edge, shaded on the others.
  if (bx < 6.0f || by < 6.0f) out = Mix(out, 0xFFFFFF, 0.18f);
  if (bx > brickW - 4.0f || by > brickH - 4.0f) out = Mix(out, 0x000000, 0.25f);
  return out;
}

uint32_t Water(float x, float y, float w, float h, uint32_t rgb, int seed) {
  const float t = y / h;
  uint32_t out = Mix(Mix(rgb, 0xFFFFFF, 0.25f), Mix(rgb, 0x000000, 0.55f), t);
  // Rays of light slanting down from the surface.
  const float ray = std::sin((x + y * 0.35f) * 0.025f + 3.0f * Noise(seed, x, 0.0f, 150.0f));
  if (ray > 0.6f) out = Mix(out, 0xFFFFFF, (ray - 0.6f) * 0.25f * (1.0f - t));
  // Ripples of light.
  const float ripple =
      std::sin(x * 0.06f + 2.5f * std::sin(y * 0.05f)) * std::sin(y * 0.07f + 2.0f * std::sin(x * 0.03f));
  if (ripple > 0.75f) out = Mix(out, 0xFFFFFF, (ripple - 0.75f) * 0.35f);
  // Weeds swaying up from the bottom.
  for (int k = 0; k < 7; ++k) {
    const float stemX = (0.04f + 0.92f * Unit(seed, k + 600)) * w;
    const float tall = (0.25f + 0.2f * Unit(seed, k + 610)) * h;
    const float rise = h - y;
    if (rise < 0.0f || rise > tall) continue;
    const float sway = 14.0f * std::sin(rise * 0.03f + static_cast<float>(k));
    const float half = 6.0f * (1.0f - rise / tall) + 1.5f;
    if (std::fabs(x - stemX - sway) < half) {
      return Mix(0x2A7A3A, 0x0A3018, 0.3f + 0.4f * std::fabs(x - stemX - sway) / half);
    }
  }
  // Sand on the bottom, rippled, with pebbles.
  const float sandTop = h * 0.8f + 10.0f * std::sin(x * 0.02f + static_cast<float>(seed));
  if (y > sandTop) {
    uint32_t sand = Mix(0xC8B080, 0x6A5A40, (y - sandTop) / (h - sandTop + 1.0f) * 0.7f);
    sand = Mix(sand, 0x000000, 0.15f * (0.5f + 0.5f * std::sin(x * 0.15f + y * 0.4f)));
    if (Noise(seed + 9, x, y, 6.0f) > 0.78f) sand = Mix(sand, 0x504030, 0.5f);
    return sand;
  }
  return out;
}

uint32_t Night(float x, float y, float w, float h, uint32_t rgb, int seed) {
  const float t = y / h;
  uint32_t out = Mix(Mix(rgb, 0x000000, 0.45f), Mix(rgb, 0x604070, 0.45f), t);
  // A faint band of stars across the sky.
  const float band = std::fabs((y - h * 0.2f) - (x - w * 0.1f) * 0.45f) / (h * 0.18f);
  if (band < 1.0f) out = Mix(out, 0xA0A8E0, (1.0f - band) * 0.25f * Noise(seed, x, y, 25.0f));
  // Stars: a few pixels of the cells the seed picks.
  const int cx = static_cast<int>(x) / 5;
  const int cy = static_cast<int>(y) / 5;
  const float pick = Unit(seed, cx * 977 + cy * 131);
  if (pick > 0.965f) {
    const float sx = 1.0f + 3.0f * Unit(seed + 1, cx * 977 + cy * 131);
    const float sy = 1.0f + 3.0f * Unit(seed + 2, cx * 977 + cy * 131);
    const float dx = x - static_cast<float>(cx * 5) - sx;
    const float dy = y - static_cast<float>(cy * 5) - sy;
    const float d = dx * dx + dy * dy;
    if (d < 2.0f) out = Mix(out, pick > 0.99f ? 0xFFF4D0 : 0xD0D8FF, pick > 0.99f ? 0.95f : 0.6f - 0.2f * d);
  }
  // Dark hills with a fringe of trees along the bottom.
  const float hill = h * 0.9f + 18.0f * std::sin(x * 0.011f + static_cast<float>(seed)) +
                     6.0f * std::sin(x * 0.13f) * (Noise(seed, x, 0.0f, 40.0f) > 0.5f ? 1.0f : 0.2f);
  if (y > hill) return Mix(0x0A0C14, rgb, 0.12f);
  return out;
}

uint32_t Metal(float x, float y, uint32_t rgb, int seed) {
  const float panelW = 170.0f;
  const float panelH = 150.0f;
  const float px = std::fmod(x, panelW);
  const float py = std::fmod(y, panelH);
  if (px < 2.0f || py < 2.0f) return Mix(rgb, 0x000000, 0.6f);
  if (px < 4.0f || py < 4.0f) return Mix(rgb, 0xFFFFFF, 0.3f);
  const float brush = Noise(seed, x * 0.05f, y * 4.0f, 3.0f) - 0.5f;
  uint32_t out = Mix(rgb, brush > 0.0f ? 0xFFFFFF : 0x000000, std::fabs(brush) * 0.3f);
  out = Mix(out, 0xFFFFFF, 0.12f * (1.0f - py / panelH));
  // Rivets near each panel's corners.
  for (const float rx : {12.0f, panelW - 12.0f}) {
    for (const float ry : {12.0f, panelH - 12.0f}) {
      const float dx = px - rx;
      const float dy = py - ry;
      const float d = dx * dx + dy * dy;
      if (d < 16.0f) return Mix(rgb, dx + dy < 0.0f ? 0xFFFFFF : 0x000000, 0.45f);
      if (d < 25.0f) return Mix(rgb, 0x000000, 0.5f);
    }
  }
  return out;
}

uint32_t Parchment(float x, float y, float w, float h, uint32_t rgb, int seed) {
  const float blot = Grain(seed, x, y, 60.0f) - 0.5f;
  uint32_t out = Mix(rgb, blot > 0.0f ? 0xFFFFF0 : 0x604020, std::fabs(blot) * 0.4f);
  const float fibre = Noise(seed + 4, x * 0.2f, y * 3.0f, 2.0f);
  if (fibre > 0.8f) out = Mix(out, 0x604020, 0.12f);
  // The edges browned: nearest edge, roughened.
  const float edge = std::min(std::min(x, w - x), std::min(y, h - y)) + 18.0f * Noise(seed + 8, x, y, 30.0f);
  if (edge < 50.0f) out = Mix(out, 0x402010, (1.0f - edge / 50.0f) * 0.55f);
  return out;
}

}  // namespace

ImageLib::Image SurfaceBackdrop(int width, int height, Surface surface, uint32_t rgb, int seed) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  return sample::Picture(width, height, [=](int px, int py) {
    const float x = static_cast<float>(px);
    const float y = static_cast<float>(py);
    uint32_t out = rgb;
    switch (surface) {
      case Surface::kWood: out = Wood(x, y, w, h, rgb, seed); break;
      case Surface::kFelt: out = Felt(x, y, rgb, seed); break;
      case Surface::kStone: out = Stone(x, y, rgb, seed); break;
      case Surface::kWater: out = Water(x, y, w, h, rgb, seed); break;
      case Surface::kNight: out = Night(x, y, w, h, rgb, seed); break;
      case Surface::kMetal: out = Metal(x, y, rgb, seed); break;
      case Surface::kParchment: out = Parchment(x, y, w, h, rgb, seed); break;
    }
    // Light from the top left; the corners fall into shadow.
    const float dx = x / w - 0.4f;
    const float dy = y / h - 0.35f;
    const float shade = std::min(0.55f, (dx * dx + dy * dy) * 0.9f);
    return sample::Opaque(Mix(out, 0x000000, shade));
  });
}

ImageLib::Image GlowRing(int size, uint32_t rgb) {
  const float half = static_cast<float>(size) / 2.0f;
  return sample::Picture(size, size, [=](int x, int y) -> uint32_t {
    const float dx = static_cast<float>(x) + 0.5f - half;
    const float dy = static_cast<float>(y) + 0.5f - half;
    const float r = std::sqrt(dx * dx + dy * dy) / half;  // 0..1 at the edge
    // Bright on the ring at 0.72, fading both ways.
    const float glow = std::exp(-(r - 0.72f) * (r - 0.72f) / 0.012f);
    const float core = std::fabs(r - 0.72f) < 0.035f ? 1.0f : 0.0f;
    const float a = std::min(1.0f, glow * 0.8f + core);
    if (a < 0.02f) return 0u;
    const uint32_t colour = core > 0.0f ? Mix(rgb, 0xFFFFFF, 0.5f) : rgb;
    return (static_cast<uint32_t>(a * 255.0f) << 24) | colour;
  });
}

ImageLib::Image ArrowDown(int width, int height, uint32_t rgb) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  const uint32_t rim = Darker(rgb);
  return sample::Picture(width, height, [=](int px, int py) -> uint32_t {
    const float x = static_cast<float>(px) + 0.5f;
    const float y = static_cast<float>(py) + 0.5f;
    const float headTop = h * 0.5f;
    // Inside: the shaft above the head, or the head narrowing to the tip.
    const auto inside = [&](float margin) {
      if (y < margin || y > h - margin) return false;
      if (y < headTop) return std::fabs(x - w / 2.0f) < w * 0.2f - margin;
      return std::fabs(x - w / 2.0f) < (h - y) / (h - headTop) * (w / 2.0f) - margin * 1.4f;
    };
    if (!inside(0.0f)) return 0u;
    if (!inside(2.5f)) return sample::Opaque(rim);
    return sample::Opaque(x < w / 2.0f ? Mix(rgb, 0xFFFFFF, 0.25f) : rgb);
  });
}

void Paint(ImageLib::Image& target, const ImageLib::Image& picture, int left, int top) {
  for (int y = 0; y < picture.height; ++y) {
    const int ty = top + y;
    if (ty < 0 || ty >= target.height) continue;
    for (int x = 0; x < picture.width; ++x) {
      const int tx = left + x;
      if (tx < 0 || tx >= target.width) continue;
      const uint32_t src = picture.pixels[static_cast<size_t>(y * picture.width + x)];
      const float a = static_cast<float>(src >> 24) / 255.0f;
      if (a <= 0.0f) continue;
      uint32_t& dst = target.pixels[static_cast<size_t>(ty * target.width + tx)];
      // Over: the picture's share a, what lies under it the rest of its own.
      const float under = static_cast<float>(dst >> 24) / 255.0f * (1.0f - a);
      const float out = a + under;
      const uint32_t colour = Mix(dst & 0xFFFFFF, src & 0xFFFFFF, a / out);
      dst = static_cast<uint32_t>(out * 255.0f + 0.5f) << 24 | colour;
    }
  }
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
