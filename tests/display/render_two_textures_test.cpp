// The renderer's two-texture draws and its 3D triangles cut across texture
// pieces: pixels on the software device (an 8-8-8 draw buffer of 640 x 480),
// and the calls and vertex lists the device receives (a recorder in front of
// it, on 800 x 600). The screen image's forwards of the two-texture draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/Image.h"
#include "image/MemoryImage.h"
#include "image/DDImage.h"
#include "platform/D3D.h"
#include "platform/D3DRaster.h"
#include "tests/display/ddraw_fixture.h"
#include "tests/display/recording_device.h"

namespace {

using Kivo::Color;
using Kivo::Rect;
using Kivo::TriVertex;
using Recording::Call;
using Recording::Record;

const Color kWhite(255, 255, 255);

class RenderPixels : public DDrawTest::DisplayFixture {
protected:
  std::unique_ptr<Kivo::DDInterface> display;
  Kivo::D3DInterface* renderer = nullptr;
  int width = 0;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    Kivo::gD3DRegistryKey.clear();
    display.reset(new Kivo::DDInterface(&app));
    display->is3D = true;
    ASSERT_EQ(display->Init(host.window, true), 0);
    renderer = display->renderer.get();
  }
  void TearDown() override {
    display.reset();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    DisplayFixture::TearDown();
  }
  // The frame after the scene ends, as 0xRRGGBB; the buffer is cleared to
  // black for the next one.
  std::vector<uint32_t> Frame() {
    renderer->Flush();
    DDrawStandIn::SurfaceView v;
    EXPECT_TRUE(DDrawStandIn::ViewSurface(renderer->drawSurface7, &v));
    std::vector<uint32_t> out(static_cast<size_t>(v.width) * v.height);
    for (int y = 0; y < v.height; ++y)
      for (int x = 0; x < v.width; ++x) {
        uint32_t p;
        std::memcpy(&p, v.pixels + y * v.pitch + x * 4, 4);
        out[static_cast<size_t>(y) * v.width + x] = p & 0xFFFFFF;
      }
    width = v.width;
    display->ClearSurface(display->drawSurface);
    return out;
  }
  void DrawAfterAlphaMaskAndCheck();
  uint32_t At(const std::vector<uint32_t>& frame, int x, int y) const {
    return frame[static_cast<size_t>(y) * width + x];
  }
  // World and view identity, and a projection that maps the centred, y-up
  // coordinates of the 3D draws one unit to one pixel.
  void BeginPixelProjection() {
    D3DMATRIX identity{}, projection{};
    for (int i = 0; i < 4; ++i) identity.m[i][i] = 1;
    projection.m[0][0] = 1.0f / 320;
    projection.m[1][1] = 1.0f / 240;
    projection.m[2][2] = 1;
    projection.m[3][3] = 1;
    renderer->Begin3D(&identity, &projection, &identity);
  }
};

TriVertex Tri(float x, float y, float u, float v, float secondU = 0, float secondV = 0, uint32_t colour = 0) {
  TriVertex t;
  t.x = x;
  t.y = y;
  t.u = u;
  t.v = v;
  t.secondU = secondU;
  t.secondV = secondV;
  t.color = colour;
  return t;
}

// Opaque pixels, red = column (low 8 bits), green = row, blue 1.
void MakeCodedImage(Kivo::MemoryImage& image, int w, int h) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels[static_cast<size_t>(y) * w + x] = 0xFF000001u | static_cast<uint32_t>(x & 0xFF) << 16 | y << 8;
  ASSERT_TRUE(image.SetBits(pixels.data(), w, h, true));
}

// An image of one colour.
void MakeSolidImage(Kivo::MemoryImage& image, int w, int h, uint32_t argb) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, argb);
  ASSERT_TRUE(image.SetBits(pixels.data(), w, h, true));
}

// An image whose columns left of split are one colour and the rest another.
void MakeSplitImage(Kivo::MemoryImage& image, int w, int h, int split, uint32_t left, uint32_t right) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = x < split ? left : right;
  ASSERT_TRUE(image.SetBits(pixels.data(), w, h, true));
}

// A 300 x 20 picture as two 3D triangles: on two texture pieces each
// triangle is cut at the piece border and drawn as fans whose corners come
// from the cut. Every pixel must show its own texel, exactly as the same
// picture on one texture piece does.
TEST_F(RenderPixels, TrianglesCutAtAPieceBorderShowTheirOwnTexels) {
  std::vector<uint32_t> frames[2];
  for (uint32_t flags : {0u, 1u}) {  // 1: one power-of-two piece
    Kivo::MemoryImage image;
    MakeCodedImage(image, 300, 20);
    image.textureFlags = flags;
    BeginPixelProjection();
    // Columns 10..309 and rows 100..119 of the screen, in centred y-up units.
    const float l = 10 - 320, r = 310 - 320, t = 240 - 100, b = 240 - 120;
    const TriVertex v[6] = {Tri(l, t, 0, 0), Tri(l, b, 0, 1), Tri(r, t, 1, 0),
                            Tri(r, t, 1, 0), Tri(l, b, 0, 1), Tri(r, b, 1, 1)};
    renderer->DrawVertexTrianglesRaw(&image, v, 2, kWhite, 0, 0, 0);
    renderer->End3D();
    ASSERT_NE(image.textureData, nullptr);
    EXPECT_EQ(image.textureData->pieces.size(), flags == 0 ? 2u : 1u);
    frames[flags] = Frame();
    EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
    renderer->RemoveTexture(&image);
  }
  // The raw vertices take half a pixel off y, which is up here: the picture
  // covers rows 101..120.
  int wrong = 0;
  for (int y = 101; y <= 120; ++y)
    for (int x = 10; x < 310; ++x) {
      const uint32_t want = static_cast<uint32_t>((x - 10) & 0xFF) << 16 | (y - 101) << 8 | 1;
      for (const auto& frame : frames)
        if (At(frame, x, y) != want && ++wrong < 5)
          ADD_FAILURE() << x << "," << y << ": " << std::hex << At(frame, x, y) << " not " << want;
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(frames[0], frames[1]);
}

// Combine 0 shows the second image's colour with both alphas multiplied: a
// transparent second texel leaves the background whatever the first image
// holds there, and a transparent first image hides an opaque second one.
TEST_F(RenderPixels, AlphaMaskCombineTakesTheSecondColourUnderBothAlphas) {
  struct Case {
    const char* name;
    uint32_t first;
    uint32_t expectedLeft;   // under the second image's transparent half
    uint32_t expectedRight;  // under its opaque green half
  };
  const uint32_t background = 0x204060;
  const Case cases[] = {
      {"opaque red", 0xFFFF0000u, background, 0x00FF00},
      {"opaque white", 0xFFFFFFFFu, background, 0x00FF00},
      {"transparent", 0x00FF0000u, background, background},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Kivo::MemoryImage first, second;
    MakeSolidImage(first, 16, 16, c.first);
    MakeSplitImage(second, 16, 16, 8, 0x000000FFu, 0xFF00FF00u);
    renderer->FillRect(Rect(0, 0, 640, 480), Color(0x20, 0x40, 0x60), 0);
    renderer->DrawImageTwoTextures(&first, 100, 100, Rect(0, 0, 16, 16), kWhite, 0, &second, 0, 0, 1, 1,
                                   Kivo::kCombineAlphaMask);
    const std::vector<uint32_t> frame = Frame();
    EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
    // Away from the halves' border, which the second stage filters across.
    for (int y = 100; y < 116; ++y)
      for (int x = 0; x < 16; ++x) {
        if (x >= 6 && x < 10) continue;
        const uint32_t want = x < 8 ? c.expectedLeft : c.expectedRight;
        ASSERT_EQ(At(frame, 100 + x, y), want) << x << "," << y << " " << std::hex << At(frame, 100 + x, y);
      }
    renderer->RemoveTexture(&first);
    renderer->RemoveTexture(&second);
  }
}

TEST_F(RenderPixels, ModulateAndAddCombinesOfTwoColours) {
  struct Case {
    int32_t combine;
    uint32_t expected;
  };
  // 0x804020 with 0x408080: the second alone, the product, the sum.
  const Case cases[] = {{0, 0x408080}, {2, 0x202010}, {1, 0xC0C0A0}, {3, 0xC0C0A0}, {-1, 0xC0C0A0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.combine);
    Kivo::MemoryImage first, second;
    MakeSolidImage(first, 16, 16, 0xFF804020u);
    MakeSolidImage(second, 8, 8, 0xFF408080u);
    renderer->DrawImageTwoTextures(&first, 50, 60, Rect(0, 0, 16, 16), kWhite, 0, &second, 0, 0, 3, 3, c.combine);
    const std::vector<uint32_t> frame = Frame();
    for (int y = 60; y < 76; ++y)
      for (int x = 50; x < 66; ++x) ASSERT_EQ(At(frame, x, y), c.expected) << x << "," << y;
    EXPECT_EQ(At(frame, 49, 60), 0u);
    EXPECT_EQ(At(frame, 66, 75), 0u);
    renderer->RemoveTexture(&first);
    renderer->RemoveTexture(&second);
  }
}

// The second stage keeps its alpha-mask operation for the rest of the frame;
// later single-texture draws only unbind its texture and must still show
// their own colours. The next scene starts with the stage off again.
TEST_F(RenderPixels, SingleTextureDrawsAfterAnAlphaMaskDrawKeepTheirColours) {
  for (bool reference : {false, true}) {
    SCOPED_TRACE(reference ? "reference raster loops" : "specialised raster loops");
    D3DRaster::ForceReference(reference);
    DrawAfterAlphaMaskAndCheck();
  }
}

void RenderPixels::DrawAfterAlphaMaskAndCheck() {
  Kivo::MemoryImage first, second, picture;
  MakeSolidImage(first, 16, 16, 0xFFFFFFFFu);
  MakeSolidImage(second, 16, 16, 0x80FF00FFu);
  MakeCodedImage(picture, 40, 12);
  renderer->DrawImageTwoTextures(&first, 0, 0, Rect(0, 0, 16, 16), kWhite, 0, &second, 0, 0, 1, 1,
                                 Kivo::kCombineAlphaMask);
  DWORD op = 0;
  renderer->device->GetTextureStageState(1, D3DTSS_COLOROP, &op);
  EXPECT_EQ(op, static_cast<DWORD>(D3DTOP_SELECTARG1));
  renderer->DrawImage(&picture, 100, 100, Rect(0, 0, 40, 12), kWhite, 0);
  BeginPixelProjection();
  const float l = 200 - 320, r = 240 - 320, t = 240 - 200, b = 240 - 212;
  const TriVertex v[6] = {Tri(l, t, 0, 0), Tri(l, b, 0, 1), Tri(r, t, 1, 0),
                          Tri(r, t, 1, 0), Tri(l, b, 0, 1), Tri(r, b, 1, 1)};
  renderer->DrawVertexTrianglesRaw(&picture, v, 2, kWhite, 0, 0, 0);
  renderer->End3D();
  const std::vector<uint32_t> frame = Frame();
  // The half-transparent magenta mask over black.
  EXPECT_EQ(At(frame, 5, 5), 0x800080u);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t want = static_cast<uint32_t>(x) << 16 | y << 8 | 1;
      ASSERT_EQ(At(frame, 100 + x, 100 + y), want) << "quad " << x << "," << y;
      ASSERT_EQ(At(frame, 200 + x, 201 + y), want) << "triangles " << x << "," << y;
    }
  renderer->FillRect(Rect(0, 0, 1, 1), kWhite, 0);
  renderer->device->GetTextureStageState(1, D3DTSS_COLOROP, &op);
  EXPECT_EQ(op, static_cast<DWORD>(D3DTOP_DISABLE));
  renderer->device->GetTextureStageState(1, D3DTSS_ALPHAOP, &op);
  EXPECT_EQ(op, static_cast<DWORD>(D3DTOP_DISABLE));
  Frame();
  renderer->RemoveTexture(&first);
  renderer->RemoveTexture(&second);
  renderer->RemoveTexture(&picture);
}

// The second coordinates address the second texture as they are: a first
// image in a larger texture (100 of 128 texels) does not stretch them. The
// strip form of the draw lands where the raw one does.
TEST_F(RenderPixels, VertexTrianglesTakeTheSecondCoordinatesUnscaled) {
  Kivo::MemoryImage first, second;
  MakeSolidImage(first, 100, 100, 0xFFFFFFFFu);
  MakeSplitImage(second, 16, 16, 8, 0xFFFF0000u, 0xFF0000FFu);
  std::vector<uint32_t> frames[2];
  for (int strip = 0; strip < 2; ++strip) {
    BeginPixelProjection();
    // Screen columns 100..199, rows 100..199.
    if (strip == 0) {
      const float l = 100 - 320, r = 200 - 320, t = 240 - 100, b = 240 - 200;
      const TriVertex v[6] = {Tri(l, t, 0, 0, 0, 0), Tri(l, b, 0, 1, 0, 1), Tri(r, t, 1, 0, 1, 0),
                              Tri(l, b, 0, 1, 0, 1), Tri(r, t, 1, 0, 1, 0), Tri(r, b, 1, 1, 1, 1)};
      renderer->DrawVertexTrianglesRawTwoTextures(&first, v, 2, kWhite, 0, &second, 0, 0);
    } else {
      const TriVertex v[4] = {Tri(100, -100, 0, 0, 0, 0), Tri(100, -200, 0, 1, 0, 1), Tri(200, -100, 1, 0, 1, 0),
                              Tri(200, -200, 1, 1, 1, 1)};
      renderer->DrawVertexTrianglesTwoTextures(&first, v, 2, kWhite, 0, &second, 0, 0);
    }
    renderer->End3D();
    frames[strip] = Frame();
    EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
  }
  // The second stage filters across the halves' border and around the
  // wrapped edge: only the columns well inside each half are pure.
  for (int y = 101; y <= 200; y += 11) {
    EXPECT_EQ(At(frames[0], 110, y), 0xFF0000u) << y;
    EXPECT_EQ(At(frames[0], 145, y), 0xFF0000u) << y;
    EXPECT_EQ(At(frames[0], 155, y), 0x0000FFu) << y;
    EXPECT_EQ(At(frames[0], 190, y), 0x0000FFu) << y;
  }
  EXPECT_EQ(At(frames[0], 99, 150), 0u);
  EXPECT_EQ(At(frames[0], 200, 150), 0u);
  EXPECT_EQ(frames[0], frames[1]);
  renderer->RemoveTexture(&first);
  renderer->RemoveTexture(&second);
}

// A first image of two pieces gives the same picture as one of a single
// piece: its cut triangles carry the second coordinates along.
TEST_F(RenderPixels, VertexTrianglesOverSeveralPiecesKeepTheSecondImageInPlace) {
  Kivo::MemoryImage second;
  std::vector<uint32_t> stripes(16 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) stripes[static_cast<size_t>(y) * 16 + x] = 0xFF000000u | (x * 16u + 8) << 16 | (y * 16u + 8);
  ASSERT_TRUE(second.SetBits(stripes.data(), 16, 16, true));
  std::vector<uint32_t> frames[2];
  for (uint32_t flags : {0u, 1u}) {
    Kivo::MemoryImage first;
    MakeSolidImage(first, 300, 20, 0xFFFFFFFFu);
    first.textureFlags = flags;
    BeginPixelProjection();
    const float l = 10 - 320, r = 310 - 320, t = 240 - 100, b = 240 - 120;
    // The second image repeats three times across and once down.
    const TriVertex v[6] = {Tri(l, t, 0, 0, 0, 0), Tri(l, b, 0, 1, 0, 1), Tri(r, t, 1, 0, 3, 0),
                            Tri(r, t, 1, 0, 3, 0), Tri(l, b, 0, 1, 0, 1), Tri(r, b, 1, 1, 3, 1)};
    renderer->DrawVertexTrianglesRawTwoTextures(&first, v, 2, kWhite, 0, &second, 0, 0);
    renderer->End3D();
    ASSERT_EQ(first.textureData->pieces.size(), flags == 0 ? 2u : 1u);
    frames[flags] = Frame();
    renderer->RemoveTexture(&first);
  }
  int lit = 0, apart = 0;
  for (size_t i = 0; i < frames[0].size(); ++i) {
    lit += frames[0][i] != 0;
    for (int shift : {0, 8, 16}) {
      const int a = static_cast<int>(frames[0][i] >> shift & 0xFF), b = static_cast<int>(frames[1][i] >> shift & 0xFF);
      if (std::abs(a - b) > 1 && ++apart < 4) ADD_FAILURE() << i % width << "," << i / width;
    }
  }
  EXPECT_EQ(lit, 300 * 20);
  EXPECT_EQ(apart, 0);
  renderer->RemoveTexture(&second);
}

}  // namespace
