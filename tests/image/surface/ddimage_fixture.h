// Fixture of the surface-image tests: a windowed display of a chosen format
// and helpers to make images and read their surface pixels.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "image/surface/DDImage.h"
#include "tests/display/ddraw_fixture.h"

namespace DDrawTest {

class SurfaceImageFixture : public DisplayFixture {
 protected:
  std::unique_ptr<Kivo::DDInterface> display;

  // Starts a windowed display on a desktop of the format.
  void StartDisplay(DDrawStandIn::Format format) {
    display.reset();
    UseDesktop(format);
    display.reset(new Kivo::DDInterface(&app));
    ASSERT_EQ(display->Init(host.window, true), 0);
  }
  void TearDown() override {
    display.reset();
    DisplayFixture::TearDown();
  }

  std::unique_ptr<Kivo::DDImage> MakeImage(int32_t w, int32_t h, const std::vector<uint32_t>& pixels) {
    std::unique_ptr<Kivo::DDImage> image(new Kivo::DDImage(display.get()));
    image->SetBits(pixels.data(), w, h, true);
    return image;
  }
  // An opaque image of one colour, held in its surface.
  std::unique_ptr<Kivo::DDImage> MakeSurfaceImage(int32_t w, int32_t h, uint32_t argb) {
    auto image = MakeImage(w, h, std::vector<uint32_t>(static_cast<size_t>(w) * static_cast<size_t>(h), argb));
    EXPECT_TRUE(image->CreateSurface());
    return image;
  }
};

inline uint32_t SurfacePixel(Kivo::DDImage& image, int32_t x, int32_t y) {
  if (!image.LockSurface()) return 0xDEADDEADu;
  const uint8_t* row = static_cast<uint8_t*>(image.lockedDesc.lpSurface) + y * image.lockedDesc.lPitch;
  uint32_t v = 0;
  if (image.lockedDesc.ddpfPixelFormat.dwRGBBitCount == 16) {
    uint16_t w;
    std::memcpy(&w, row + x * 2, 2);
    v = w;
  } else {
    std::memcpy(&v, row + x * 4, 4);
  }
  image.UnlockSurface();
  return v;
}

inline void SetSurfacePixel(Kivo::DDImage& image, int32_t x, int32_t y, uint32_t v) {
  if (!image.LockSurface()) return;
  uint8_t* row = static_cast<uint8_t*>(image.lockedDesc.lpSurface) + y * image.lockedDesc.lPitch;
  if (image.lockedDesc.ddpfPixelFormat.dwRGBBitCount == 16) {
    const uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(row + x * 2, &w, 2);
  } else {
    std::memcpy(row + x * 4, &v, 4);
  }
  image.UnlockSurface();
}

// The formats every pixel table runs on.
inline std::vector<DDrawStandIn::Format> PixelTableFormats() {
  return {DDrawStandIn::Format::kRGB565, DDrawStandIn::Format::kRGB555, DDrawStandIn::Format::kRGB888};
}

}  // namespace DDrawTest
