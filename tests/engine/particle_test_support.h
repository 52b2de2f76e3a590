// Shared pieces of the particle tests: records built through the builder's
// effect writer (so the tests read the same bytes the game does), a particle
// image of a given size and an image source that counts its holds.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/ParticleEffect.h"
#include "image/Image.h"
#include "tools/sampledata/EffWriter.h"

namespace particletest {

using namespace Kivo;

class SizedImage : public Image {
 public:
  SizedImage(int w, int h) {
    width = w;
    height = h;
  }
};

// Hands out one image per known key and counts holds per key.
class CountingImages : public EffectImageSource {
 public:
  Image* Get(const std::string& key) override {
    auto it = images.find(key);
    if (it == images.end()) return nullptr;
    ++holds[key];
    return &it->second;
  }
  void Release(const std::string& key) override { --holds[key]; }
  int Holds() const {
    int total = 0;
    for (const auto& hold : holds) total += hold.second;
    return total;
  }

  std::map<std::string, SizedImage> images;
  std::map<std::string, int> holds;
};

inline std::string EffBytes(const std::vector<EffRecordSpec>& records) {
  std::string bytes, error;
  EXPECT_TRUE(EffFileBytes(records, &bytes, &error)) << error;
  return bytes;
}

// An effect loaded from the writer's bytes.
inline bool LoadSpecs(ParticleEffect& effect, const std::vector<EffRecordSpec>& records) {
  const std::string bytes = EffBytes(records);
  return effect.LoadEffBytes(bytes.data(), bytes.size(), "test.eff");
}

// A record that spawns at rate for life seconds from a point area.
inline EffRecordSpec Emitting(int rate, float emitterLife, float particleLife = 1.0f) {
  EffRecordSpec spec;
  spec.rate = rate;
  spec.emitterLife = emitterLife;
  spec.life = particleLife;
  spec.image = "fx\\spark.png";
  return spec;
}

}  // namespace particletest
