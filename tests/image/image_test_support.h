// Fixtures shared by the image tests: a recording host double, display
// formats and small pixel helpers.
#pragma once

#include <atomic>
#include <cstdint>
#include <set>
#include <vector>

#include "image/ImageHost.h"
#include "image/MemoryImage.h"
#include "image/NativeDisplay.h"

namespace KivoTest {

using namespace Kivo;

class RecordingHost : public ImageHost {
 public:
  std::set<MemoryImage*> live;
  int registrations = 0;
  int unregistrations = 0;
  int textureReleases = 0;
  bool threeD = false;
  const NativeDisplay* display = nullptr;
  bool textureReadable = false;
  uint32_t textureFill = 0;
  std::atomic<int> purgeRaised{0};

  void RegisterMemoryImage(MemoryImage* image) override {
    live.insert(image);
    ++registrations;
  }
  void UnregisterMemoryImage(MemoryImage* image) override {
    live.erase(image);
    ++unregistrations;
    ReleaseImageTexture(image);
  }
  void ReleaseImageTexture(MemoryImage*) override { ++textureReleases; }
  bool Is3DOn() override { return threeD; }
  const NativeDisplay* GetNativeDisplay() override { return display; }
  bool ReadTextureBits(MemoryImage* image) override {
    if (!textureReadable) return false;
    uint32_t* p = image->bits.get();
    for (size_t i = 0; i < image->PixelCount(); ++i) p[i] = textureFill;
    return true;
  }
  void SetSharedImagePurgeFlag() override { purgeRaised.fetch_add(1); }
};

// Installs a host for the lifetime of a test.
class ScopedHost {
 public:
  explicit ScopedHost(ImageHost* host) : previous_(SetImageHost(host)) {}
  ~ScopedHost() { SetImageHost(previous_); }

 private:
  ImageHost* previous_;
};

inline NativeDisplay Format8888() {
  NativeDisplay d;
  d.SetFormat(32, 0xFF0000, 0x00FF00, 0x0000FF);
  return d;
}
inline NativeDisplay Format565() {
  NativeDisplay d;
  d.SetFormat(16, 0xF800, 0x07E0, 0x001F);
  return d;
}
inline NativeDisplay Format555() {
  NativeDisplay d;
  d.SetFormat(16, 0x7C00, 0x03E0, 0x001F);
  return d;
}
inline NativeDisplay FormatBlueHigh() {
  NativeDisplay d;
  d.SetFormat(32, 0x0000FF, 0x00FF00, 0xFF0000);
  return d;
}

inline void Fill(MemoryImage& image, int32_t w, int32_t h, uint32_t value) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h, value);
  image.SetBits(px.data(), w, h, true);
}

inline void Load(MemoryImage& image, int32_t w, int32_t h, const std::vector<uint32_t>& px) {
  image.SetBits(px.data(), w, h, true);
}

inline uint32_t Pixel(MemoryImage& image, int32_t x, int32_t y) {
  return image.GetBits()[static_cast<size_t>(y) * image.width + x];
}

inline std::vector<uint32_t> Pixels(MemoryImage& image) {
  const uint32_t* p = image.GetBits();
  return std::vector<uint32_t>(p, p + image.PixelCount());
}

uint32_t Crc32(const uint32_t* words, size_t count);
// Writes the image as an RGBA PNG; false on failure.
bool WritePng(MemoryImage& image, const char* path);

}  // namespace KivoTest
