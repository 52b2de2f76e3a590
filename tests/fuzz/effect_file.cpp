// Fuzz target: the input read as an effect file through the buffer reader
// the file loader shares, its images from a stub table ("spark" and "star"
// known, any other key missing), then the effect started in a small system,
// updated for a while and drawn in software after every few updates.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ParticleEffect.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"

namespace {

class StubImages : public Kivo::EffectImageSource {
 public:
  StubImages() {
    std::vector<uint32_t> pixels(8 * 8, 0x80FFFFFFu);
    mSpark.SetBits(pixels.data(), 8, 8, true);
    mStar.SetBits(pixels.data(), 4, 16, true);
  }
  Kivo::Image* Get(const std::string& key) override {
    if (key == "spark") return &mSpark;
    if (key == "star") return &mStar;
    return nullptr;
  }
  void Release(const std::string&) override {}

 private:
  Kivo::MemoryImage mSpark;
  Kivo::MemoryImage mStar;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StubImages images;
  Kivo::LcgSeed(1);
  Kivo::ParticleSystem system;
  system.Init(64, 4);
  Kivo::ParticleEffect effect(&images);
  if (!effect.LoadEffBytes(reinterpret_cast<const char*>(data), size, "fuzz.eff")) return 0;
  effect.StartIn(Kivo::Vec2(32.0f, 24.0f), system);
  effect.StartIn(Kivo::Vec2(5.0f, 50.0f), system);
  Kivo::MemoryImage screen;
  screen.CreateBlank(64, 48);
  Kivo::Graphics g(&screen);
  for (int tick = 0; tick < 120; ++tick) {
    system.Update();
    if (tick % 10 == 9) system.Draw(g);
  }
  return 0;
}
