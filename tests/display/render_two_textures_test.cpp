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
#include "image/surface/DDImage.h"
#include "platform/devices/D3D.h"
#include "platform/devices/D3DRaster.h"
#include "tests/display/renderer_fixture.h"

namespace {

using Kivo::Color;
using Kivo::Rect;
using Kivo::TriVertex;
using Recording::Call;
using Recording::Record;

const Color kWhite(255, 255, 255);

class RenderPixels : public RendererTest::RendererFixture {
 protected:
  void DrawAfterAlphaMaskAndCheck();
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
    Kivo::MemoryImage& image = NewImage();
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
    Kivo::MemoryImage &first = NewImage(), &second = NewImage();
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
    Kivo::MemoryImage &first = NewImage(), &second = NewImage();
    MakeSolidImage(first, 16, 16, 0xFF804020u);
    MakeSolidImage(second, 8, 8, 0xFF408080u);
    renderer->DrawImageTwoTextures(&first, 50, 60, Rect(0, 0, 16, 16), kWhite, 0, &second, 0, 0, 3, 3, c.combine);
    const std::vector<uint32_t> frame = Frame();
    for (int y = 60; y < 76; ++y)
      for (int x = 50; x < 66; ++x) ASSERT_EQ(At(frame, x, y), c.expected) << x << "," << y;
    EXPECT_EQ(At(frame, 49, 60), 0u);
    EXPECT_EQ(At(frame, 66, 75), 0u);
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
  Kivo::MemoryImage &first = NewImage(), &second = NewImage(), &picture = NewImage();
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
}

// The second coordinates address the second texture as they are: a first
// image in a larger texture (100 of 128 texels) does not stretch them. The
// strip form of the draw lands where the raw one does.
TEST_F(RenderPixels, VertexTrianglesTakeTheSecondCoordinatesUnscaled) {
  Kivo::MemoryImage &first = NewImage(), &second = NewImage();
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
}

// A first image of two pieces gives the same picture as one of a single
// piece: its cut triangles carry the second coordinates along.
TEST_F(RenderPixels, VertexTrianglesOverSeveralPiecesKeepTheSecondImageInPlace) {
  Kivo::MemoryImage& second = NewImage();
  std::vector<uint32_t> stripes(16 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      stripes[static_cast<size_t>(y) * 16 + x] = 0xFF000000u | (x * 16u + 8) << 16 | (y * 16u + 8);
  ASSERT_TRUE(second.SetBits(stripes.data(), 16, 16, true));
  std::vector<uint32_t> frames[2];
  for (uint32_t flags : {0u, 1u}) {
    Kivo::MemoryImage& first = NewImage();
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
}

// The 3D screen image hands the two-texture draws to the renderer (integer
// places as floats); any other image draws nothing, and its vertex forms
// only mark the first image drawn.
TEST_F(RenderPixels, ScreenImageForwardsTheTwoTextureDrawsOtherImagesDrawNothing) {
  Kivo::DDImage* screen = display->GetScreenImage();
  ASSERT_NE(screen, nullptr);
  ASSERT_TRUE(screen->DrawsThrough3D());
  Kivo::MemoryImage &first = NewImage(), &second = NewImage();
  MakeSolidImage(first, 16, 16, 0xFF804020u);
  MakeSolidImage(second, 16, 16, 0xFF408080u);
  const TriVertex strip[4] = {Tri(100, -100, 0, 0, 0, 0), Tri(100, -110, 0, 1, 0, 1), Tri(110, -100, 1, 0, 1, 0),
                              Tri(110, -110, 1, 1, 1, 1)};
  const float l = 200 - 320, r = 210 - 320, t = 240 - 100, b = 240 - 110;
  const TriVertex raw[6] = {Tri(l, t, 0, 0, 0, 0), Tri(l, b, 0, 1, 0, 1), Tri(r, t, 1, 0, 1, 0),
                            Tri(l, b, 0, 1, 0, 1), Tri(r, t, 1, 0, 1, 0), Tri(r, b, 1, 1, 1, 1)};
  const Rect all(0, 0, 640, 480);

  Kivo::DDImage other(display.get());
  std::vector<uint32_t> pixels(8 * 8, 0xFF102030u);
  ASSERT_TRUE(other.SetBits(pixels.data(), 8, 8, true));
  ASSERT_FALSE(other.DrawsThrough3D());
  BeginPixelProjection();
  other.DrawImageTwoTextures(&first, 0, 0, Rect(0, 0, 16, 16), kWhite, 0, &second, 0, 0, 1, 1, 2);
  EXPECT_FALSE(first.drawn);
  other.DrawVertexTrianglesTwoTextures(&first, strip, 2, all, kWhite, 0, &second, 0, 0, true);
  EXPECT_TRUE(first.drawn);
  first.drawn = false;
  other.DrawVertexTrianglesRawTwoTextures(&first, raw, 2, all, kWhite, 0, &second, 0, 0, true);
  EXPECT_TRUE(first.drawn);
  EXPECT_FALSE(second.drawn);
  const uint32_t* bits = other.GetBits();
  ASSERT_NE(bits, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits[i], 0xFF102030u) << i;
  renderer->End3D();
  std::vector<uint32_t> frame = Frame();
  for (uint32_t p : frame) ASSERT_EQ(p, 0u);

  first.drawn = false;
  BeginPixelProjection();
  screen->DrawImageTwoTextures(&first, 30, 40, Rect(0, 0, 16, 16), kWhite, 0, &second, 0, 0, 1, 1, 2);
  screen->DrawVertexTrianglesTwoTextures(&first, strip, 2, all, kWhite, 0, &second, 0, 0, true);
  EXPECT_TRUE(first.drawn);
  screen->DrawVertexTrianglesRawTwoTextures(&first, raw, 2, all, kWhite, 0, &second, 0, 0, true);
  renderer->End3D();
  frame = Frame();
  EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
  // Each draw covers its own 16 or 10 pixels square (the 3D ones half a
  // pixel lower, a row down): the quad with the product of the colours it
  // was asked for, the vertex triangles with the second image's colour.
  struct Square {
    int x, y, size;
    uint32_t colour;
  };
  for (const Square& s :
       {Square{30, 40, 16, 0x202010}, Square{100, 101, 10, 0x408080}, Square{200, 101, 10, 0x408080}}) {
    SCOPED_TRACE(testing::Message() << s.x << "," << s.y);
    int lit = 0;
    for (int y = s.y - 1; y <= s.y + s.size; ++y)
      for (int x = s.x - 1; x <= s.x + s.size; ++x) {
        const bool inside = x >= s.x && x < s.x + s.size && y >= s.y && y < s.y + s.size;
        EXPECT_EQ(At(frame, x, y), inside ? s.colour : 0u) << x << "," << y;
        lit += At(frame, x, y) != 0;
      }
    EXPECT_EQ(lit, s.size * s.size);
  }
}

// ---- the calls and vertices the device receives ----------------------------------

class RecordedTwoTextures : public RendererTest::RecordedRendererFixture {
 protected:
  // An opaque image whose texture is made now, in an open scene, so that a
  // test sees only the draw's own calls.
  Kivo::MemoryImage& UploadedImage(int w, int h) {
    images.emplace_back(new Kivo::MemoryImage());
    Kivo::MemoryImage& image = *images.back();
    MakeCodedImage(image, w, h);
    EXPECT_TRUE(renderer->PreDraw());
    EXPECT_TRUE(renderer->EnsureTexture(&image));
    device().Clear();
    return image;
  }
  // The draw's texture bindings, stage states and primitives, one line
  // each; the blend mode's own stage-0 argument is left out.
  std::vector<std::string> StageCalls() {
    std::vector<std::string> out;
    for (const Record& r : device().records) {
      if (r.call == Call::kSetTextureStageState && r.stage == 0 && r.state == D3DTSS_COLORARG1) continue;
      if (r.call == Call::kSetTexture) {
        std::string name = "none";
        for (auto& image : images)
          for (size_t i = 0; i < image->textureData->pieces.size(); ++i)
            if (image->textureData->pieces[i].surface == r.texture && r.texture != nullptr)
              name = "image" + std::to_string(&image - &images[0]) + ".piece" + std::to_string(i);
        out.push_back("SetTexture " + std::to_string(r.stage) + " " + name);
      } else if (r.call == Call::kSetTextureStageState) {
        out.push_back("Stage " + std::to_string(r.stage) + " state " + std::to_string(r.state) + " = " +
                      std::to_string(r.value));
      } else if (r.call == Call::kDrawPrimitive) {
        out.push_back("Draw " + std::to_string(r.primitive) + " format " + std::to_string(r.format) + " x" +
                      std::to_string(r.vertices.size()));
      }
    }
    return out;
  }
};

std::string StageState(int stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  return "Stage " + std::to_string(stage) + " state " + std::to_string(state) + " = " + std::to_string(value);
}

// A 300 x 20 image (pieces 256 and 64 wide) at (10, 20): one strip per
// piece, each after its own stage settings, the second image's coordinates
// spread over the source by image column and row.
TEST_F(RecordedTwoTextures, QuadIsOneTwoCoordinateStripPerPieceAfterItsStageSettings) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  renderer->DrawImageTwoTextures(&image, 10, 20, Rect(0, 0, 300, 20), Color(0x10, 0x20, 0x30, 0x40), 0, &second, 0, 0,
                                 2, 1, Kivo::kCombineAlphaMask);
  const std::vector<std::string> perQuad = {
      StageState(0, D3DTSS_TEXCOORDINDEX, 0),         StageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
      StageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE), "SetTexture 1 image1.piece0",
      StageState(1, D3DTSS_TEXCOORDINDEX, 1),         "Draw " + std::to_string(D3DPT_TRIANGLESTRIP) + " format 580 x4",
  };
  std::vector<std::string> expected;
  for (int piece = 0; piece < 2; ++piece) {
    expected.push_back("SetTexture 0 image0.piece" + std::to_string(piece));
    expected.insert(expected.end(), perQuad.begin(), perQuad.end());
  }
  EXPECT_EQ(StageCalls(), expected) << device().Dump();
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 2u);
  struct Corner {
    float x, y, u0, v0, u1, v1;
  };
  const float s256 = 2.0f * 256 / 300;
  const Corner corners[2][4] = {
      {{9.5f, 19.5f, 0, 0, 0, 0},
       {9.5f, 39.5f, 0, 20.0f / 32, 0, 1},
       {265.5f, 19.5f, 1, 0, s256, 0},
       {265.5f, 39.5f, 1, 20.0f / 32, s256, 1}},
      {{265.5f, 19.5f, 0, 0, s256, 0},
       {265.5f, 39.5f, 0, 20.0f / 32, s256, 1},
       {309.5f, 19.5f, 44.0f / 64, 0, 2, 0},
       {309.5f, 39.5f, 44.0f / 64, 20.0f / 32, 2, 1}},
  };
  for (int q = 0; q < 2; ++q)
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(testing::Message() << "quad " << q << " corner " << i);
      const Recording::Vertex& v = draws[q].vertices[i];
      EXPECT_FLOAT_EQ(v.x, corners[q][i].x);
      EXPECT_FLOAT_EQ(v.y, corners[q][i].y);
      EXPECT_FLOAT_EQ(v.z, 0);
      EXPECT_FLOAT_EQ(v.rhw, 1);
      EXPECT_FLOAT_EQ(v.u0, corners[q][i].u0);
      EXPECT_FLOAT_EQ(v.v0, corners[q][i].v0);
      EXPECT_FLOAT_EQ(v.u1, corners[q][i].u1);
      EXPECT_FLOAT_EQ(v.v1, corners[q][i].v1);
      EXPECT_EQ(v.colour, 0x40102030u);
    }
}

// The second image's coordinates come from image columns and rows, not
// from the place within the source rectangle: a source starting at column
// 100 and 50 wide starts the second image at 2.
TEST_F(RecordedTwoTextures, SecondCoordinatesCountFromTheImageOrigin) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  renderer->DrawImageTwoTextures(&image, 40, 50, Rect(100, 4, 50, 10), kWhite, 0, &second, 0, 0, 1, 1, 2);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  const Recording::Vertex* v = draws[0].vertices.data();
  EXPECT_FLOAT_EQ(v[0].x, 39.5f);
  EXPECT_FLOAT_EQ(v[0].y, 49.5f);
  EXPECT_FLOAT_EQ(v[0].u0, 100.0f / 256);
  EXPECT_FLOAT_EQ(v[0].u1, 2.0f);
  EXPECT_FLOAT_EQ(v[0].v1, 0.4f);
  EXPECT_FLOAT_EQ(v[3].x, 89.5f);
  EXPECT_FLOAT_EQ(v[3].y, 59.5f);
  EXPECT_FLOAT_EQ(v[3].u1, 3.0f);
  EXPECT_FLOAT_EQ(v[3].v1, 1.4f);
}

// A source rectangle reaching past the image is cut to it: only the image's
// part is drawn, at its own place, and the walk ends; one wholly outside
// draws nothing.
TEST_F(RecordedTwoTextures, SourcePastTheImageDrawsOnlyTheImagePart) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  renderer->DrawImageTwoTextures(&image, 0, 0, Rect(250, -10, 100, 40), kWhite, 0, &second, 0, 0, 1, 1, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 2u) << device().Dump();
  // Columns 250..255 in the first piece, 256..299 in the second, rows 0..19
  // placed 10 rows down (the source starts 10 rows above the image).
  EXPECT_FLOAT_EQ(draws[0].vertices[0].x, -0.5f);
  EXPECT_FLOAT_EQ(draws[0].vertices[0].y, 9.5f);
  EXPECT_FLOAT_EQ(draws[0].vertices[3].x, 5.5f);
  EXPECT_FLOAT_EQ(draws[1].vertices[0].x, 5.5f);
  EXPECT_FLOAT_EQ(draws[1].vertices[3].x, 49.5f);
  EXPECT_FLOAT_EQ(draws[1].vertices[3].y, 29.5f);
  // The second image still spreads over the whole source rectangle.
  EXPECT_FLOAT_EQ(draws[0].vertices[0].u1, 2.5f);
  EXPECT_FLOAT_EQ(draws[1].vertices[3].u1, 3.0f);
  EXPECT_FLOAT_EQ(draws[1].vertices[3].v1, 0.5f);
  device().Clear();
  renderer->DrawImageTwoTextures(&image, 0, 0, Rect(300, 0, 10, 10), kWhite, 0, &second, 0, 0, 1, 1, 0);
  renderer->DrawImageTwoTextures(&image, 0, 0, Rect(0, 20, 10, 10), kWhite, 0, &second, 0, 0, 1, 1, 0);
  EXPECT_EQ(device().Draws().size(), 0u) << device().Dump();
}

TEST_F(RecordedTwoTextures, CombineChoosesTheSecondStageOperation) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  struct Case {
    int32_t combine;
    std::vector<std::string> operations;
  };
  const Case cases[] = {
      {0, {StageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1), StageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE)}},
      {2, {StageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE)}},
      {1, {StageState(1, D3DTSS_COLOROP, D3DTOP_ADD)}},
      {7, {StageState(1, D3DTSS_COLOROP, D3DTOP_ADD)}},
      {-3, {StageState(1, D3DTSS_COLOROP, D3DTOP_ADD)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.combine);
    device().Clear();
    renderer->DrawImageTwoTextures(&image, 0, 0, Rect(0, 0, 16, 16), kWhite, 0, &second, 0, 0, 1, 1, c.combine);
    std::vector<std::string> operations;
    for (const std::string& call : StageCalls())
      if (call.rfind("Stage 1 state " + std::to_string(D3DTSS_COLOROP) + " =", 0) == 0 ||
          call.rfind("Stage 1 state " + std::to_string(D3DTSS_ALPHAOP) + " =", 0) == 0)
        operations.push_back(call);
    EXPECT_EQ(operations, c.operations);
  }
}

// One piece: one binding of both stages, then lists of 100 triangles; the
// first image's coordinates measured in its texture, the second's as given.
TEST_F(RecordedTwoTextures, RawTrianglesOnOnePieceAreBatchedWithTheSecondCoordinatesAsGiven) {
  Kivo::MemoryImage& image = UploadedImage(100, 100);  // 128 x 128 texture
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  std::vector<TriVertex> vertices;
  for (int t = 0; t < 250; ++t) {
    vertices.push_back(Tri(t, 0, 0.5f, 0.25f, 1.5f, -2.0f, t == 0 ? 0x11223344u : 0));
    vertices.push_back(Tri(t, 10, 0.5f, 1, 1.5f, 3.0f));
    vertices.push_back(Tri(t + 1, 0, 1, 0.25f, 2.5f, -2.0f));
  }
  renderer->DrawVertexTrianglesRawTwoTextures(&image, vertices.data(), 250, Color(1, 2, 3, 4), 0, &second, 5, 6);
  const std::vector<std::string> calls = StageCalls();
  ASSERT_GE(calls.size(), 6u);
  const std::vector<std::string> binding(calls.begin(), calls.begin() + 6);
  EXPECT_EQ(binding, (std::vector<std::string>{"SetTexture 0 image0.piece0", StageState(0, D3DTSS_TEXCOORDINDEX, 0),
                                               StageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
                                               StageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
                                               "SetTexture 1 image1.piece0", StageState(1, D3DTSS_TEXCOORDINDEX, 1)}));
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 3u) << device().Dump();
  EXPECT_EQ(calls.size(), 9u);  // no binding between the lists
  const size_t sizes[3] = {300, 300, 150};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(draws[i].primitive, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[i].format, 0x242u);
    EXPECT_EQ(draws[i].vertices.size(), sizes[i]);
  }
  const Recording::Vertex& first = draws[0].vertices[0];
  EXPECT_FLOAT_EQ(first.x, 5 - 0.5f);
  EXPECT_FLOAT_EQ(first.y, 6 - 0.5f);
  EXPECT_FLOAT_EQ(first.u0, 0.5f * 100 / 128);
  EXPECT_FLOAT_EQ(first.v0, 0.25f * 100 / 128);
  EXPECT_FLOAT_EQ(first.u1, 1.5f);
  EXPECT_FLOAT_EQ(first.v1, -2.0f);
  EXPECT_EQ(first.colour, 0x11223344u);
  EXPECT_EQ(draws[0].vertices[1].colour, 0x04010203u);
  EXPECT_FLOAT_EQ(draws[2].vertices[149].u1, 2.5f);
  EXPECT_FLOAT_EQ(draws[2].vertices[148].v1, 3.0f);
}

// Several pieces: each triangle is cut per piece and drawn as a fan after
// both stages are bound; in the second column the second coordinates are
// one texture width less (the stage's wrapping makes that the same place),
// neither rescaled like the first image's nor cut.
TEST_F(RecordedTwoTextures, RawTrianglesOverSeveralPiecesMoveTheSecondCoordinatesWithThePiece) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  const TriVertex v[3] = {Tri(0, 0, 0, 0, 0, 0), Tri(0, -20, 0, 1, 0, 2), Tri(300, 0, 1, 0, 3, 0)};
  renderer->DrawVertexTrianglesRawTwoTextures(&image, v, 1, kWhite, 0, &second, 0, 0);
  const std::vector<std::string> calls = StageCalls();
  ASSERT_EQ(calls.size(), 14u) << device().Dump();
  EXPECT_EQ(calls[0], "SetTexture 0 image0.piece0");
  EXPECT_EQ(calls[7], "SetTexture 0 image0.piece1");
  EXPECT_EQ(calls[11], "SetTexture 1 image1.piece0");
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 2u);
  for (const Record& d : draws) {
    EXPECT_EQ(d.primitive, D3DPT_TRIANGLEFAN);
    EXPECT_EQ(d.format, 0x242u);
  }
  // The corner at image column 300 lies in the second piece: its first
  // coordinate is rescaled to that 64-texel piece, its second only moved.
  bool sawCorner = false;
  for (const Recording::Vertex& p : draws[1].vertices) {
    EXPECT_GE(p.u0, -1e-5f);
    EXPECT_LT(p.u0, 1.0f);
    if (p.x == 299.5f) {
      sawCorner = true;
      EXPECT_FLOAT_EQ(p.u0, 44.0f / 64);
      EXPECT_FLOAT_EQ(p.u1, 2.0f);
      EXPECT_FLOAT_EQ(p.v1, 0.0f);
    }
    // Where the cut meets the piece border (column 256) the second
    // coordinate is interpolated: 3 x 256 / 300, one texture width less.
    if (std::fabs(p.u0) < 1e-5f) {
      EXPECT_NEAR(p.u1, 3.0f * 256 / 300 - 1, 1e-4);
    }
  }
  EXPECT_TRUE(sawCorner) << device().Dump();
  for (const Recording::Vertex& p : draws[0].vertices) {
    if (p.x == -0.5f && p.y == -20.5f) {
      EXPECT_FLOAT_EQ(p.v1, 2.0f);
    }
    if (p.u0 >= 0.999f) {
      EXPECT_NEAR(p.u1, 3.0f * 256 / 300, 1e-4);
    }
  }
}

// The strip form: triangle k is vertices k, k + 1, k + 2, moved to the
// coordinates centred on the 800 x 600 buffer, handed on as one list.
TEST_F(RecordedTwoTextures, StripIsCentredAndHandedOnAsTriangles) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  const TriVertex v[4] = {Tri(400, -300, 0, 0, 0, 0), Tri(400, -310, 0, 1, 0, 1), Tri(410, -300, 1, 0, 1, 0),
                          Tri(410, -310, 1, 1, 1, 1)};
  renderer->DrawVertexTrianglesTwoTextures(&image, v, 2, kWhite, 0, &second, 0, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  ASSERT_EQ(draws[0].vertices.size(), 6u);
  const int order[6] = {0, 1, 2, 1, 2, 3};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const TriVertex& in = v[order[i]];
    EXPECT_FLOAT_EQ(draws[0].vertices[i].x, in.x - 400 - 0.5f);
    EXPECT_FLOAT_EQ(draws[0].vertices[i].y, in.y + 300 - 0.5f);
    EXPECT_FLOAT_EQ(draws[0].vertices[i].u1, in.secondU);
    EXPECT_FLOAT_EQ(draws[0].vertices[i].v1, in.secondV);
  }
  device().Clear();
  renderer->DrawVertexTrianglesTwoTextures(&image, v, 0, kWhite, 0, &second, 0, 0);
  EXPECT_TRUE(device().records.empty());
}

// A failed call is reported by its name and ends only its own piece; a
// draw without a usable second image draws nothing and opens no scene.
TEST_F(RecordedTwoTextures, FailuresAndMissingImages) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  Kivo::MemoryImage& second = UploadedImage(16, 16);
  device().Fail(Call::kSetTexture, 2);  // the first quad's second stage
  renderer->DrawImageTwoTextures(&image, 0, 0, Rect(0, 0, 300, 20), kWhite, 0, &second, 0, 0, 1, 1, 0);
  EXPECT_EQ(ReportedCall(), "SetTexture gTexture");
  ASSERT_EQ(device().Draws().size(), 1u) << device().Dump();
  EXPECT_FLOAT_EQ(device().Draws()[0].vertices[0].x, 255.5f);
  struct Case {
    const char* name;
    Kivo::MemoryImage* image;
    const char* call;
  } cases[] = {{"quad", &image, "DrawPrimitive (Tri) 1"},
               {"one-piece triangles", &second, "DrawPrimitive (TriList)"},
               {"cut triangles", &image, "DrawPrimitive (Tri) 4"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Kivo::gLastDirectXError.clear();
    device().ClearFaults();
    device().Fail(Call::kDrawPrimitive);
    const TriVertex v[3] = {Tri(0, 0, 0, 0), Tri(0, -10, 0, 1), Tri(300, 0, 1, 0)};
    if (std::string(c.name) == "quad")
      renderer->DrawImageTwoTextures(c.image, 0, 0, Rect(0, 0, 300, 20), kWhite, 0, &second, 0, 0, 1, 1, 1);
    else
      renderer->DrawVertexTrianglesRawTwoTextures(c.image, v, 1, kWhite, 0, &second, 0, 0);
    EXPECT_EQ(ReportedCall(), c.call);
  }
  device().ClearFaults();
  renderer->Flush();
  device().Clear();
  const TriVertex v[3] = {Tri(0, 0, 0, 0), Tri(0, -10, 0, 1), Tri(10, 0, 1, 0)};
  renderer->DrawImageTwoTextures(&image, 0, 0, Rect(0, 0, 300, 20), kWhite, 0, nullptr, 0, 0, 1, 1, 0);
  renderer->DrawVertexTrianglesRawTwoTextures(&image, v, 1, kWhite, 0, nullptr, 0, 0);
  renderer->DrawVertexTrianglesRawTwoTextures(nullptr, v, 1, kWhite, 0, &second, 0, 0);
  EXPECT_TRUE(device().records.empty()) << device().Dump();
  EXPECT_FALSE(renderer->sceneOpen);
}

}  // namespace
