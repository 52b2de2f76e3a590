// Draws of the screen image while the display runs in 3D, checked on the
// pixels of the software 3D device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "display/D3DInterface.h"
#include "image/surface/DDImage.h"
#include "platform/devices/D3D.h"
#include "shell/base/Matrix.h"
#include "tests/display/ddraw_fixture.h"

namespace {

using Kivo::Color;

// A 4 x 4 opaque picture whose texels all differ; its pixels are returned
// for comparison.
std::vector<uint32_t> MakeCodedTile(Kivo::MemoryImage& tile) {
  std::vector<uint32_t> pixels(4 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | static_cast<uint32_t>((i + 1) * 0x0F0B07u);
  EXPECT_TRUE(tile.SetBits(pixels.data(), 4, 4, true));
  return pixels;
}

// A point of a vertex strip: a screen column and a negated row.
Kivo::TriVertex StripPoint(float x, float row, float u, float v) {
  Kivo::TriVertex t;
  t.x = x, t.y = -row, t.u = u, t.v = v;
  return t;
}

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

// Lit (non-black) pixels of a frame: how many and their bounding box.
struct Lit {
  int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Lit LitPixels(const std::vector<uint32_t>& frame, int frameWidth) {
  Lit l;
  for (size_t i = 0; i < frame.size(); ++i) {
    if (frame[i] == 0) continue;
    const int x = static_cast<int>(i % frameWidth), y = static_cast<int>(i / frameWidth);
    ++l.count;
    l.left = std::min(l.left, x), l.top = std::min(l.top, y);
    l.right = std::max(l.right, x), l.bottom = std::max(l.bottom, y);
  }
  return l;
}

Kivo::Matrix4 Scale(float x, float y) {
  Kivo::Matrix4 m;
  m.Clear();
  m.m[0][0] = x;
  m.m[1][1] = y;
  m.m[2][2] = 1;
  m.m[3][3] = 1;
  return m;
}

// A projection that maps the centred y-up coordinates of the 640 x 480
// buffer one to one onto it, so the rectangle lands on its own pixels.
TEST_F(ScreenImage3D, FillRect3DGoesThroughTheTransformsOfBegin3D) {
  screen->Begin3D(Scale(1, 1), Scale(1.0f / 320, 1.0f / 240), Scale(1, 1));
  screen->FillRect3D(Kivo::Rect(10, 20, 5, 5), Color(0, 255, 0), 0);
  screen->End3D();
  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  const Lit l = LitPixels(frame, frameWidth);
  EXPECT_EQ(l.count, 25);
  EXPECT_EQ(l.left, 10);
  EXPECT_EQ(l.right, 14);
  // The half-pixel step is taken in y-up coordinates: it lands one row lower
  // on the screen than the pre-transformed rectangle's.
  EXPECT_EQ(l.top, 21);
  EXPECT_EQ(l.bottom, 25);
  EXPECT_EQ(frame[static_cast<size_t>(21) * frameWidth + 10], 0x00FF00u);
  EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
}

// End3D puts the device's own transforms back: a later 3D rectangle no
// longer goes through the projection that mapped it onto the screen.
TEST_F(ScreenImage3D, End3DDropsTheProjection) {
  screen->Begin3D(Scale(1, 1), Scale(1.0f / 320, 1.0f / 240), Scale(1, 1));
  screen->End3D();
  screen->FillRect3D(Kivo::Rect(10, 20, 5, 5), Color(0, 255, 0), 0);
  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  EXPECT_NE(LitPixels(frame, frameWidth).left, 10);
}

// Only the 3D screen has a device behind it; any other image of the same
// display keeps its pixels and the screen stays untouched.
TEST_F(ScreenImage3D, ThreeDOnlyDrawsDoNothingOffTheScreen) {
  Kivo::DDImage other(display.get());
  std::vector<uint32_t> pixels(8 * 8, 0xFF102030u);
  ASSERT_TRUE(other.SetBits(pixels.data(), 8, 8, true));
  ASSERT_FALSE(other.DrawsThrough3D());
  other.Begin3D(Scale(1, 1), Scale(1.0f / 320, 1.0f / 240), Scale(1, 1));
  other.FillRect3D(Kivo::Rect(0, 0, 8, 8), Color(255, 255, 255), 0);
  screen->FillRect3D(Kivo::Rect(10, 20, 5, 5), Color(0, 255, 0), 0);  // with the device's own transforms
  other.End3D();
  const uint32_t* bits = other.GetBits();
  ASSERT_NE(bits, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits[i], 0xFF102030u) << i;
  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  EXPECT_EQ(LitPixels(frame, frameWidth).count, 0);
}

// Texture coordinates past 1 repeat the picture; afterwards the device is
// back to clamped edges, which every other draw relies on.
TEST_F(ScreenImage3D, WrappedQuadRepeatsThePictureAndLeavesClampingBehind) {
  Kivo::MemoryImage tile;
  const std::vector<uint32_t> pixels = MakeCodedTile(tile);
  ASSERT_EQ(tile.width, 4);
  screen->DrawQuadWrappedUV(&tile, 10, 10, 8, 8, Color(255, 255, 255), 0, false, 0, 0, 2, 2);
  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * frameWidth + x]; };
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(at(10 + x, 10 + y), pixels[static_cast<size_t>(y % 4 * 4 + x % 4)] & 0xFFFFFF) << x << "," << y;
  EXPECT_EQ(at(18, 10), 0u);
  EXPECT_EQ(at(10, 18), 0u);
  DWORD u = 0, v = 0;
  ASSERT_EQ(display->renderer->device->GetTextureStageState(0, D3DTSS_ADDRESSU, &u), D3D_OK);
  ASSERT_EQ(display->renderer->device->GetTextureStageState(0, D3DTSS_ADDRESSV, &v), D3D_OK);
  EXPECT_EQ(u, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  display->renderer->RemoveTexture(&tile);
}

// The projection of the earlier tests with the strip's own conversion: a
// strip of screen columns and negated rows comes out texel for texel, one
// row lower on the screen (the half-pixel step is taken in y-up terms).
TEST_F(ScreenImage3D, VertexStripDrawsTheImageTexelForTexel) {
  Kivo::MemoryImage tile;
  const std::vector<uint32_t> pixels = MakeCodedTile(tile);
  ASSERT_EQ(tile.width, 4);
  const Kivo::TriVertex strip[4] = {StripPoint(100, 50, 0, 0), StripPoint(100, 54, 0, 1), StripPoint(104, 50, 1, 0),
                                    StripPoint(104, 54, 1, 1)};
  screen->Begin3D(Scale(1, 1), Scale(1.0f / 320, 1.0f / 240), Scale(1, 1));
  screen->DrawVertexTriangles(&tile, strip, 2, Kivo::Rect(0, 0, 640, 480), Color(255, 255, 255), 0, 0, 0, true);
  screen->End3D();
  EXPECT_TRUE(tile.drawn);
  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  EXPECT_EQ(LitPixels(frame, frameWidth).count, 16);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(frame[static_cast<size_t>(51 + y) * frameWidth + 100 + x],
                pixels[static_cast<size_t>(y * 4 + x)] & 0xFFFFFF)
          << x << "," << y;
  display->renderer->RemoveTexture(&tile);
}

// Two triangles of a list cover the image texel for texel, meeting along
// the diagonal. Vertices with colour 0 take the call's colour, here a tint
// that halves green.
TEST_F(ScreenImage3D, RawVertexTrianglesMeetTexelForTexel) {
  const int w = 200, h = 20;
  Kivo::MemoryImage wide;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels[static_cast<size_t>(y) * w + x] = 0xFF000000u | (x % 256) << 16 | 0xFE00u | (y + 1);
  ASSERT_TRUE(wide.SetBits(pixels.data(), w, h, true));
  // Centred y-up corners of the screen rectangle (10, 30) - (210, 50).
  auto V = [](float x, float row, float u, float v) {
    Kivo::TriVertex t;
    t.x = x - 320, t.y = 240 - row, t.u = u, t.v = v;
    return t;
  };
  const Kivo::TriVertex tris[6] = {V(10, 30, 0, 0), V(10, 50, 0, 1),  V(210, 30, 1, 0),
                                   V(10, 50, 0, 1), V(210, 30, 1, 0), V(210, 50, 1, 1)};
  screen->Begin3D(Scale(1, 1), Scale(1.0f / 320, 1.0f / 240), Scale(1, 1));
  screen->DrawVertexTrianglesRaw(&wide, tris, 2, Kivo::Rect(0, 0, 640, 480), Color(255, 128, 255), 0, 0, 0, true);
  screen->End3D();
  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t want = pixels[static_cast<size_t>(y) * w + x] & 0xFF00FF;
      const uint32_t got = frame[static_cast<size_t>(31 + y) * frameWidth + 10 + x];
      const uint32_t green = got >> 8 & 0xFF;
      if (((got & 0xFF00FF) != want || green < 0x7E || green > 0x80) && ++wrong < 4)
        ADD_FAILURE() << x << "," << y << " " << std::hex << got;
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(LitPixels(frame, frameWidth).count, w * h);
  display->renderer->RemoveTexture(&wide);
}

// Off the 3D screen nothing is drawn, but the texture counts as used.
TEST_F(ScreenImage3D, VertexTrianglesOffTheScreenDrawNothing) {
  Kivo::DDImage other(display.get());
  std::vector<uint32_t> pixels(8 * 8, 0xFF102030u);
  ASSERT_TRUE(other.SetBits(pixels.data(), 8, 8, true));
  Kivo::MemoryImage tile;
  std::vector<uint32_t> white(4, 0xFFFFFFFFu);
  ASSERT_TRUE(tile.SetBits(white.data(), 2, 2, true));
  Kivo::TriVertex tri[3];
  tri[1].x = 8, tri[2].y = -8;
  other.DrawVertexTriangles(&tile, tri, 1, Kivo::Rect(0, 0, 8, 8), Color(255, 255, 255), 0, 0, 0, true);
  other.DrawVertexTrianglesRaw(&tile, tri, 1, Kivo::Rect(0, 0, 8, 8), Color(255, 255, 255), 0, 0, 0, true);
  EXPECT_TRUE(tile.drawn);
  const uint32_t* bits = other.GetBits();
  ASSERT_NE(bits, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits[i], 0xFF102030u) << i;
  EXPECT_EQ(tile.textureData, nullptr);
}

// Texture coordinates 0..2 on a wrapped strip repeat the picture twice each
// way; the device is back to clamped edges afterwards.
TEST_F(ScreenImage3D, WrappedVertexStripRepeatsThePicture) {
  Kivo::MemoryImage tile;
  const std::vector<uint32_t> pixels = MakeCodedTile(tile);
  ASSERT_EQ(tile.width, 4);
  const Kivo::TriVertex strip[4] = {StripPoint(100, 50, 0, 0), StripPoint(100, 58, 0, 2), StripPoint(108, 50, 2, 0),
                                    StripPoint(108, 58, 2, 2)};
  screen->Begin3D(Scale(1, 1), Scale(1.0f / 320, 1.0f / 240), Scale(1, 1));
  screen->DrawVertexTrianglesWrapped(&tile, strip, 2, Kivo::Rect(0, 0, 640, 480), Color(255, 255, 255), 0, 0, 0, true);
  screen->End3D();
  int frameWidth = 0;
  const std::vector<uint32_t> frame = Frame(&frameWidth);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(frame[static_cast<size_t>(51 + y) * frameWidth + 100 + x],
                pixels[static_cast<size_t>(y % 4 * 4 + x % 4)] & 0xFFFFFF)
          << x << "," << y;
  DWORD u = 0, v = 0;
  ASSERT_EQ(display->renderer->device->GetTextureStageState(0, D3DTSS_ADDRESSU, &u), D3D_OK);
  ASSERT_EQ(display->renderer->device->GetTextureStageState(0, D3DTSS_ADDRESSV, &v), D3D_OK);
  EXPECT_EQ(u, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  display->renderer->RemoveTexture(&tile);
}

}  // namespace
