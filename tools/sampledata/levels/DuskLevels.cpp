#include "tools/sampledata/levels/DuskLevels.h"

#include <cmath>
#include <string>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

constexpr float kLampX = 590.0f;  // the lantern's light, in the scene
constexpr float kLampY = 300.0f;

uint32_t Scale(uint32_t rgb, float r, float g, float b) {
  const auto channel = [](uint32_t value, float factor) {
    const float v = static_cast<float>(value) * factor;
    return static_cast<uint32_t>(v > 255.0f ? 255.0f : v);
  };
  return (channel((rgb >> 16) & 0xFF, r) << 16) | (channel((rgb >> 8) & 0xFF, g) << 8) | channel(rgb & 0xFF, b);
}

// The landscape at nightfall: dimmed and blue, warm where the lantern shines.
ImageLib::Image NightScene(int variant) {
  ImageLib::Image image = levelpics::Backdrop(680, 600, 0x7090C0, 0x508040, variant + 1);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const float dx = static_cast<float>(x) - kLampX;
      const float dy = static_cast<float>(y) - kLampY;
      const float glow = std::exp(-(dx * dx + dy * dy) / (2.0f * 110.0f * 110.0f));
      uint32_t& pixel =
          image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)];
      pixel = sample::Opaque(Scale(pixel & 0xFFFFFF, 0.28f + 0.9f * glow, 0.3f + 0.75f * glow, 0.45f + 0.4f * glow));
    }
  }
  return image;
}

// A lantern on a post with its halo, transparent around.
ImageLib::Image LampPicture() {
  return sample::Picture(80, 160, [](int x, int y) -> uint32_t {
    const float dx = static_cast<float>(x) - 40.0f;
    const float dy = static_cast<float>(y) - 40.0f;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (std::fabs(dx) < 3.0f && y > 58) return sample::Opaque(0x2A2A30);  // the post
    if (std::fabs(dx) < 13.0f && y >= 24 && y < 56) {                     // the lantern
      const bool frame = std::fabs(dx) > 10.0f || y < 27 || y >= 53 || std::fabs(dx) < 1.5f;
      return sample::Opaque(frame ? 0x30302A : 0xFFE890);
    }
    if (std::fabs(dx) < 16.0f - static_cast<float>(y - 14) * 0.6f && y >= 14 && y < 24) return sample::Opaque(0x30302A);
    if (d < 40.0f) {
      const uint32_t alpha = static_cast<uint32_t>(110.0f * (1.0f - d / 40.0f));
      return (alpha << 24) | 0xFFD870u;
    }
    return 0u;
  });
}

// A patch of dusk: deep blue, dense in the middle and soft at its edge.
ImageLib::Image PatchPicture() {
  return sample::Picture(140, 100, [](int x, int y) -> uint32_t {
    const float u = (static_cast<float>(x) + 0.5f) / 70.0f - 1.0f;
    const float v = (static_cast<float>(y) + 0.5f) / 50.0f - 1.0f;
    const float r = u * u + v * v;
    if (r >= 1.0f) return 0u;
    const uint32_t alpha = static_cast<uint32_t>(r < 0.5f ? 250.0f : 250.0f * (1.0f - r) / 0.5f);
    return (alpha << 24) | 0x0A1028u;
  });
}

}  // namespace

DtmRecord MakeDuskLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int variant = slot.appearance;
  const std::string back = "lvl_dusk_night_" + std::to_string(variant % 2);
  assets.Add(back, NightScene(variant % 2));
  assets.Add("lvl_dusk_cloud", PatchPicture());
  assets.Add("lvl_dusk_lamp", LampPicture());

  DtmRecord root = levelpics::PictureRecord("level", 3, 0, 0, 680, 600, back);
  root.Property("type_game", "dusk").Property("_keyTextStayShablon", "txt_dusk_left");
  root.Child(levelpics::PictureRecord("lamp", 3, kLampX - 40.0f, kLampY - 40.0f, 80, 160, "lvl_dusk_lamp"));
  const int count = 3 + variant % 2;
  for (int i = 0; i < count; ++i) {
    const float x = 40.0f + static_cast<float>((i * 170 + variant * 30) % 420);
    const float y = 60.0f + static_cast<float>(i) * 120.0f;
    DtmRecord patch = levelpics::PictureRecord("dusk_" + std::to_string(i), 7, x, y, 140, 100, "lvl_dusk_cloud");
    patch.Property("_iGroup", "3").Property("_iAlph", std::to_string(255 - 40 * ((i + variant) % 3)));
    root.Child(patch);
  }
  DtmRecord dusk = sample::Placed("effDusk", 15, 0, 0, 1, 1);
  dusk.Property("_keyEff", "platefly");
  root.Child(dusk);
  return root;
}

}  // namespace Kivo
