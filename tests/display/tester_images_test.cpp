// The 3D capability test's own pixel tools: comparisons, read-back of 16-bit
// surfaces and the 4444 texture upload.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/D3DTestImage.h"
#include "platform/devices/DDraw.h"

namespace {

using Kivo::D3DTestImage;

TEST(TestImage, EmptySizesLeaveNoPixels) {
  D3DTestImage image(0, 5);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.width, 0);
  image.Create(-3, 4);
  EXPECT_EQ(image.height, 0);
  image.Free();
  image.Free();
}

TEST(TestImage, ColumnsAlternateFromBlack) {
  D3DTestImage image(64, 2);
  image.FillColumns();
  EXPECT_EQ(image.At(0, 1), 0xFF000000u);
  EXPECT_EQ(image.At(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(image.At(63, 0), 0xFFFFFFFFu);
  EXPECT_EQ(image.CountColumnPatternOff(64, 2, 0, 0), 0);
  // The expected colour follows the image column: from an odd x the region
  // starts with white, so the pattern still matches.
  EXPECT_EQ(image.CountColumnPatternOff(4, 2, 1, 0), 0);
  EXPECT_EQ(image.CountColumnPatternOff(3, 1, 61, 1), 0);
  // Columns one pixel off: every pixel of the region is off.
  D3DTestImage shifted(8, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 8; ++x) shifted.At(x, y) = (x & 1) != 0 ? 0xFF000000u : 0xFFFFFFFFu;
  EXPECT_EQ(shifted.CountColumnPatternOff(4, 2, 1, 0), 8);
  EXPECT_EQ(shifted.CountColumnPatternOff(4, 2, 0, 0), 8);
}

TEST(TestImage, CountOffJudgesDistanceAndUniformity) {
  D3DTestImage image(10, 10);
  image.FillRect(0, 0, 10, 10, 0x7E007E);
  int32_t off = -1;
  EXPECT_TRUE(image.CountOff(0x7F007F, off, 10, 10));
  EXPECT_EQ(off, 0);
  image.At(4, 4) = 0;
  EXPECT_FALSE(image.CountOff(0x7F007F, off, 10, 10));
  EXPECT_EQ(off, 1);
  EXPECT_EQ(Kivo::ColorDistanceSquared(0, 0x7F007F), 32258);
  struct Case {
    uint32_t a, b;
    bool on;
  } cases[] = {{0x101010, 0x202020, true}, {0x00001B, 0, true}, {0x00001C, 0, false}, {0xFF000000, 0, true}};
  for (const Case& c : cases) EXPECT_EQ(Kivo::ColorDistanceSquared(c.a, c.b) <= 768, c.on) << std::hex << c.a;
}

TEST(TestImage, HighestBitIndex) {
  const struct {
    uint32_t value;
    int32_t index;
  } cases[] = {{0xF800, 15}, {0x1F, 4}, {0xFF0000, 23}, {1, 0}, {0, 0}, {0x80000000u, 31}};
  for (const auto& c : cases) EXPECT_EQ(Kivo::HighestBitIndex(c.value), c.index) << std::hex << c.value;
}

TEST(TestImage, ReadsA565SurfaceWithChannelsAtTheTop) {
  uint16_t pixels[2 * 3] = {0xFFFF, 0xF800, 0x07E0, 0x001F, 0, 0};
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.lpSurface = pixels;
  desc.lPitch = 6;
  desc.ddpfPixelFormat.dwRGBBitCount = 16;
  desc.ddpfPixelFormat.dwRBitMask = 0xF800;
  desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
  desc.ddpfPixelFormat.dwBBitMask = 0x001F;
  D3DTestImage image(3, 2);
  Kivo::ReadSurface16(image, desc);
  EXPECT_EQ(image.At(0, 0), 0xFFF8FCF8u);
  EXPECT_EQ(image.At(1, 0), 0xFFF80000u);
  EXPECT_EQ(image.At(2, 0), 0xFF00FC00u);
  EXPECT_EQ(image.At(0, 1), 0xFF0000F8u);
}

TEST(TestImage, Reads32BitSurfacesByTheirMasks) {
  // Blue in the high byte: each channel still lands in its own place.
  uint32_t pixels[4] = {0x00FF0000u, 0x000000FFu, 0x0000FF00u, 0xFF123456u};
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.lpSurface = pixels;
  desc.lPitch = 8;
  desc.ddpfPixelFormat.dwRGBBitCount = 32;
  desc.ddpfPixelFormat.dwRBitMask = 0x000000FF;
  desc.ddpfPixelFormat.dwGBitMask = 0x0000FF00;
  desc.ddpfPixelFormat.dwBBitMask = 0x00FF0000;
  D3DTestImage image(2, 2);
  Kivo::ReadSurface32(image, desc);
  EXPECT_EQ(image.At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(image.At(1, 0), 0xFFFF0000u);
  EXPECT_EQ(image.At(0, 1), 0xFF00FF00u);
  // The surface's own top byte never reaches the alpha.
  EXPECT_EQ(image.At(1, 1), 0xFF563412u);
}

TEST(TestImage, UploadKeepsTheTopFourBitsAndZeroesACutPiece) {
  DDrawStandIn::Reset();
  IDirectDraw7* dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = desc.dwHeight = 64;
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
  desc.ddpfPixelFormat = DDrawStandIn::PixelFormatOf(DDrawStandIn::Format::kARGB4444);
  IDirectDrawSurface7* texture = nullptr;
  ASSERT_EQ(dd->CreateSurface(&desc, &texture, nullptr), DD_OK);
  D3DTestImage image(10, 10);
  image.FillRect(0, 0, 10, 10, 0x80FF0000u);
  image.CopyToTexture4444(texture, 0, 0, 64, 64);
  ASSERT_EQ(texture->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  const auto* row = static_cast<const uint16_t*>(desc.lpSurface);
  EXPECT_EQ(row[0], 0x8F00);
  EXPECT_EQ(row[10], 0);  // past the image: transparent black
  texture->Unlock(nullptr);
  texture->Release();
  dd->Release();
}

}  // namespace
