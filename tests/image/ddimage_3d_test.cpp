// Draws of the screen image while the display runs in 3D, checked on the
// pixels of the software 3D device.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "display/D3DInterface.h"
#include "image/DDImage.h"
#include "platform/D3D.h"
#include "tests/display/ddraw_fixture.h"

namespace {

using Kivo::Color;

class ScreenImage3D : public DDrawTest::DisplayFixture {
protected:
  std::unique_ptr<Kivo::DDInterface> display;
  Kivo::DDImage* screen = nullptr;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    Kivo::gD3DRegistryKey.clear();
    display.reset(new Kivo::DDInterface(&app));
    display->is3D = true;
    ASSERT_EQ(display->Init(host.window, true), 0);
    ASSERT_NE(display->renderer, nullptr);
    screen = display->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(screen->DrawsThrough3D());
  }
  void TearDown() override {
    display.reset();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    DisplayFixture::TearDown();
  }
  // The frame after the scene ends, as 0xRRGGBB, row by row.
  std::vector<uint32_t> Frame(int* frameWidth) {
    display->renderer->Flush();
    DDrawStandIn::SurfaceView v;
    EXPECT_TRUE(DDrawStandIn::ViewSurface(display->renderer->drawSurface7, &v));
    std::vector<uint32_t> out(static_cast<size_t>(v.width) * v.height);
    for (int y = 0; y < v.height; ++y)
      for (int x = 0; x < v.width; ++x) {
        uint32_t p;
        std::memcpy(&p, v.pixels + y * v.pitch + x * 4, 4);
        out[static_cast<size_t>(y) * v.width + x] = p & 0xFFFFFF;
      }
    *frameWidth = v.width;
    return out;
  }
};

// The renderer has no coverage fill of its own; the spans must still land
// where they were asked, each pixel reading its own coverage byte.
TEST_F(ScreenImage3D, CoverageSpansLandOnTheirOwnPixels) {
  const Kivo::ImageSpan spans[2] = {{5, 10, 3}, {7, 8, 2}};  // y, x, width
  // Coverage laid out from (1, 2) with a stride of 20: full on exactly the
  // span pixels, so a coverage origin that is not moved with the spans
  // reads zero and leaves holes.
  const int32_t originX = 1, originY = 2, stride = 20;
  std::vector<uint8_t> coverage(static_cast<size_t>(stride) * 10, 0);
  for (const Kivo::ImageSpan& s : spans)
    for (int32_t i = 0; i < s.width; ++i)
      coverage[static_cast<size_t>((s.y - originY) * stride + (s.x + i - originX))] = 255;

  screen->FillSpansWithCoverage(spans, 2, Color(255, 255, 255), 0, coverage.data(), originX, originY, stride, 0);

  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  const int frameHeight = static_cast<int>(frame.size()) / frameWidth;
  int lit = 0;
  for (int y = 0; y < frameHeight; ++y)
    for (int x = 0; x < frameWidth; ++x) {
      const bool inSpan = (y == 5 && x >= 10 && x < 13) || (y == 7 && x >= 8 && x < 10);
      const uint32_t p = frame[static_cast<size_t>(y) * frameWidth + x];
      if (p != 0) ++lit;
      // Full coverage weighs the colour 255/256 over the scratch image's
      // transparent black: one level short of white at most.
      if (inSpan) {
        EXPECT_GE(p & 0xFF, 0xFEu) << x << "," << y;
        EXPECT_GE(p >> 8 & 0xFF, 0xFEu) << x << "," << y;
        EXPECT_GE(p >> 16 & 0xFF, 0xFEu) << x << "," << y;
      }
    }
  EXPECT_EQ(lit, 5);
  // The caller's spans are its own.
  EXPECT_EQ(spans[0].x, 10);
  EXPECT_EQ(spans[0].y, 5);
  EXPECT_EQ(spans[1].x, 8);
  EXPECT_EQ(spans[1].y, 7);
  EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
}

TEST_F(ScreenImage3D, CoverageFillWithNothingToDrawLeavesTheFrameBlack) {
  const uint8_t coverage[4] = {255, 255, 255, 255};
  const Kivo::ImageSpan empty[1] = {{3, 3, 0}};
  screen->FillSpansWithCoverage(empty, 1, Color(255, 255, 255), 0, coverage, 0, 0, 2, 0);
  screen->FillSpansWithCoverage(empty, 0, Color(255, 255, 255), 0, coverage, 0, 0, 2, 0);
  int frameWidth = 0;
  for (uint32_t p : Frame(&frameWidth)) ASSERT_EQ(p, 0u);
}

}  // namespace
