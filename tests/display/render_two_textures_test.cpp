// The renderer's two-texture draws and its 3D triangles cut across texture
// pieces, checked on the pixels of the software device (an 8-8-8 draw
// buffer of 640 x 480).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/Image.h"
#include "image/MemoryImage.h"
#include "platform/D3D.h"
#include "tests/display/ddraw_fixture.h"

namespace {

using Kivo::Color;
using Kivo::Rect;
using Kivo::TriVertex;

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

}  // namespace
