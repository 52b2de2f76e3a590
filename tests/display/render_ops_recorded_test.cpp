// The renderer's drawing operations seen from the device: the calls each
// draw makes, their vertex lists and the call names a failure reports, on an
// 800 x 600 draw buffer of the software device with a recorder in front.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/Image.h"
#include "image/MemoryImage.h"
#include "platform/devices/D3D.h"
#include "shell/base/Matrix.h"
#include "tests/display/renderer_fixture.h"

namespace {

using Kivo::Color;
using Kivo::Rect;
using Recording::Call;
using Recording::Record;

const Color kWhite(255, 255, 255);

class RecordedOps : public RendererTest::RecordedRendererFixture {
 protected:
  // An image of opaque pixels (red = column, green = row) whose texture is
  // made now, so that a test sees only the draw's own calls.
  Kivo::MemoryImage& UploadedImage(int w, int h) {
    images.emplace_back(new Kivo::MemoryImage());
    Kivo::MemoryImage& image = *images.back();
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        pixels[static_cast<size_t>(y) * w + x] = 0xFF000001u | ((x & 0xFF) << 16) | ((y & 0xFF) << 8);
    EXPECT_TRUE(image.SetBits(pixels.data(), w, h, true));
    EXPECT_TRUE(renderer->EnsureTexture(&image));
    device().Clear();
    return image;
  }
  // Whether the frame's pixel (x, y) is lit, after the scene ends.
  bool Lit(int x, int y) {
    renderer->Flush();
    DDrawStandIn::SurfaceView v;
    EXPECT_TRUE(DDrawStandIn::ViewSurface(renderer->drawSurface7, &v));
    uint32_t p = 0;
    std::memcpy(&p, v.pixels + y * v.pitch + x * 4, 4);
    return (p & 0xFFFFFF) != 0;
  }
};

// The box the vertices of one draw cover.
struct Box {
  float left, top, right, bottom;
};
Box BoxOf(const Record& draw) {
  Box b{1e9f, 1e9f, -1e9f, -1e9f};
  for (const Recording::Vertex& v : draw.vertices) {
    b.left = std::fmin(b.left, v.x), b.top = std::fmin(b.top, v.y);
    b.right = std::fmax(b.right, v.x), b.bottom = std::fmax(b.bottom, v.y);
  }
  return b;
}

TEST_F(RecordedOps, WholeImageQuadSitsHalfAPixelUpAndLeft) {
  Kivo::MemoryImage& image = UploadedImage(20, 10);
  renderer->DrawImage(&image, 10, 20, Rect(0, 0, 20, 10), kWhite, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  const Record& d = draws[0];
  EXPECT_EQ(d.primitive, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(d.format, 0x1C4u);
  ASSERT_EQ(d.vertices.size(), 4u);
  // Strip order: top-left, bottom-left, top-right, bottom-right.
  const float xs[4] = {9.5f, 9.5f, 29.5f, 29.5f}, ys[4] = {19.5f, 29.5f, 19.5f, 29.5f};
  // The 20 x 10 image sits in a 32 x 16 texture.
  const float us[4] = {0, 0, 20.0f / 32, 20.0f / 32}, vs[4] = {0, 10.0f / 16, 0, 10.0f / 16};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FLOAT_EQ(d.vertices[i].x, xs[i]);
    EXPECT_FLOAT_EQ(d.vertices[i].y, ys[i]);
    EXPECT_FLOAT_EQ(d.vertices[i].u0, us[i]);
    EXPECT_FLOAT_EQ(d.vertices[i].v0, vs[i]);
    EXPECT_EQ(d.vertices[i].colour, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(d.vertices[i].rhw, 1.0f);
  }
}

TEST_F(RecordedOps, WideImageIsTwoQuadsTheSecondOnThe44TexelsOfItsPiece) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  renderer->DrawImage(&image, 10, 20, Rect(0, 0, 300, 20), kWhite, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 2u) << device().Dump();
  const Box first = BoxOf(draws[0]), second = BoxOf(draws[1]);
  EXPECT_FLOAT_EQ(first.left, 9.5f);
  EXPECT_FLOAT_EQ(first.right, 265.5f);
  EXPECT_FLOAT_EQ(second.left, 9.5f + 256);
  EXPECT_FLOAT_EQ(second.right, 309.5f);
  EXPECT_FLOAT_EQ(second.top, 19.5f);
  EXPECT_FLOAT_EQ(draws[1].vertices[0].u0, 0.0f);
  EXPECT_FLOAT_EQ(draws[1].vertices[3].u0, 44.0f / 64);
  // Each quad binds its own piece just before it is drawn.
  const std::vector<Record> textures = device().Of(Call::kSetTexture);
  ASSERT_EQ(textures.size(), 4u);
  EXPECT_EQ(textures[0].texture, Piece(image, 0, 0));
  EXPECT_EQ(textures[2].texture, Piece(image, 1, 0));
}

TEST_F(RecordedOps, RowsOfPiecesFollowEachOther) {
  Kivo::MemoryImage& image = UploadedImage(300, 130);  // pieces 256 and 64 wide, 128 and 2 high
  renderer->DrawImage(&image, 0, 0, Rect(0, 0, 300, 130), kWhite, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 4u) << device().Dump();
  const Box want[4] = {{-0.5f, -0.5f, 255.5f, 127.5f},
                       {255.5f, -0.5f, 299.5f, 127.5f},
                       {-0.5f, 127.5f, 255.5f, 129.5f},
                       {255.5f, 127.5f, 299.5f, 129.5f}};
  const std::vector<Record> textures = device().Of(Call::kSetTexture);
  ASSERT_EQ(textures.size(), 8u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Box b = BoxOf(draws[i]);
    EXPECT_FLOAT_EQ(b.left, want[i].left);
    EXPECT_FLOAT_EQ(b.top, want[i].top);
    EXPECT_FLOAT_EQ(b.right, want[i].right);
    EXPECT_FLOAT_EQ(b.bottom, want[i].bottom);
    EXPECT_EQ(textures[2 * i].texture, Piece(image, i % 2, i / 2));
  }
}

// Mirrored and stretched draws: which destination corner each source
// corner lands on, read from the texture coordinates of the vertices.
struct CornerCase {
  const char* name;
  Box area;       // the destination the quad covers
  float uAtLeft;  // texture u of the vertices on the left edge
};

TEST_F(RecordedOps, MirroredAndStretchedQuadsCoverTheirDestination) {
  Kivo::MemoryImage& wide = UploadedImage(100, 4);    // 128 x 4 texture
  Kivo::MemoryImage& square = UploadedImage(50, 50);  // 64 x 64 texture
  const Rect all(0, 0, 800, 600);
  const CornerCase cases[] = {
      {"mirrored", {49.5f, 9.5f, 149.5f, 13.5f}, 100.0f / 128},
      {"stretched", {9.5f, 29.5f, 109.5f, 54.5f}, 0.0f},
      {"stretched mirrored", {9.5f, 29.5f, 109.5f, 54.5f}, 50.0f / 64},
  };
  for (const CornerCase& c : cases) {
    SCOPED_TRACE(c.name);
    device().Clear();
    const std::string name = c.name;
    if (name == "mirrored")
      renderer->DrawImageMirrored(&wide, 50, 10, Rect(0, 0, 100, 4), kWhite, 0);
    else
      renderer->DrawImageStretched(&square, Rect(10, 30, 100, 25), Rect(0, 0, 50, 50), all, kWhite, 0, false,
                                   name == "stretched mirrored");
    const std::vector<Record> draws = device().Draws();
    ASSERT_EQ(draws.size(), 1u) << device().Dump();
    EXPECT_EQ(draws[0].primitive, D3DPT_TRIANGLESTRIP);
    const Box b = BoxOf(draws[0]);
    EXPECT_FLOAT_EQ(b.left, c.area.left);
    EXPECT_FLOAT_EQ(b.top, c.area.top);
    EXPECT_FLOAT_EQ(b.right, c.area.right);
    EXPECT_FLOAT_EQ(b.bottom, c.area.bottom);
    for (const Recording::Vertex& v : draws[0].vertices) {
      if (v.x == c.area.left) {
        EXPECT_FLOAT_EQ(v.u0, c.uAtLeft);
      }
    }
  }
}

TEST_F(RecordedOps, CentredIdentityMatrixPutsTheSourceCentreOnThePointWithoutHalfPixel) {
  Kivo::MemoryImage& image = UploadedImage(20, 10);
  renderer->DrawImageByMatrix(&image, 100, 50, Kivo::Matrix3(), Rect(0, 0, 800, 600), kWhite, 0, Rect(0, 0, 20, 10),
                              true);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  const Box b = BoxOf(draws[0]);
  EXPECT_FLOAT_EQ((b.left + b.right) / 2, 100.0f);
  EXPECT_FLOAT_EQ((b.top + b.bottom) / 2, 50.0f);
  EXPECT_FLOAT_EQ(b.left, 90.0f);
  EXPECT_FLOAT_EQ(b.top, 45.0f);
}

TEST_F(RecordedOps, RotationTurnsTheQuadAboutItsCentre) {
  Kivo::MemoryImage& image = UploadedImage(20, 10);
  renderer->DrawImageRotated(&image, 100, 100, Rect(0, 0, 800, 600), kWhite, 0, 3.14159265358979 / 2, 10, 5,
                             Rect(0, 0, 20, 10));
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  const Box b = BoxOf(draws[0]);
  // Standing up: 10 wide, 20 high, about (110, 105) less the half pixel.
  EXPECT_NEAR(b.right - b.left, 10.0f, 1e-3);
  EXPECT_NEAR(b.bottom - b.top, 20.0f, 1e-3);
  EXPECT_NEAR((b.left + b.right) / 2, 109.5f, 1e-3);
  EXPECT_NEAR((b.top + b.bottom) / 2, 104.5f, 1e-3);
}

// The call name tells how a quad went: whole as a strip, or through the
// polygon clipper as a fan.
TEST_F(RecordedOps, TransformedQuadLeavingTheClipIsDrawnAsAClippedFan) {
  Kivo::MemoryImage& image = UploadedImage(20, 10);
  struct Case {
    Rect clip;
    const char* call;
    D3DPRIMITIVETYPE primitive;
  } cases[] = {
      {Rect(0, 0, 800, 600), "DrawPrimitive (Tri) 3", D3DPT_TRIANGLESTRIP},
      {Rect(0, 0, 105, 600), "DrawPrimitive (Tri) 2", D3DPT_TRIANGLEFAN},   // right corners outside
      {Rect(95, 0, 800, 600), "DrawPrimitive (Tri) 2", D3DPT_TRIANGLEFAN},  // left corners outside
  };
  device().Fail(Call::kDrawPrimitive);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    device().Clear();
    Kivo::gLastDirectXError.clear();
    renderer->DrawImageByMatrix(&image, 100, 50, Kivo::Matrix3(), c.clip, kWhite, 0, Rect(0, 0, 20, 10), true);
    const std::vector<Record> draws = device().Draws();
    ASSERT_EQ(draws.size(), 1u) << device().Dump();
    EXPECT_EQ(draws[0].primitive, c.primitive);
    EXPECT_EQ(ReportedCall(), c.call) << Kivo::gLastDirectXError;
    const Box b = BoxOf(draws[0]);
    EXPECT_GE(b.left, static_cast<float>(c.clip.x));
    EXPECT_LE(b.right, static_cast<float>(c.clip.x + c.clip.width));
  }
}

TEST_F(RecordedOps, OnePieceTrianglesGoInBatchesOfAHundred) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  std::vector<Kivo::TexturedVertex> triangles(250 * 3);
  for (size_t i = 0; i < triangles.size(); ++i) {
    triangles[i].x = static_cast<float>(i % 3 == 1 ? 10 : 0);
    triangles[i].y = static_cast<float>(i % 3 == 2 ? 10 : 0);
  }
  device().Fail(Call::kDrawPrimitive, 3);
  renderer->DrawTexturedTriangles(&image, triangles.data(), 250, Rect(0, 0, 800, 600), kWhite, 0, 0, 0, true);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 3u) << device().Dump();
  const size_t counts[] = {300, 300, 150};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(draws[i].primitive, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[i].format, 0x1C4u);
    EXPECT_EQ(draws[i].vertices.size(), counts[i]);
  }
  EXPECT_EQ(ReportedCall(), "DrawPrimitive (TriList)");
  // One binding for all batches.
  EXPECT_EQ(device().Count(Call::kSetTexture), 2);
}

// On a wide image a triangle is cut once per piece under it, each part a
// fan on its own piece with coordinates inside that piece.
TEST_F(RecordedOps, TrianglesOverSeveralPiecesAreCutPerPiece) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  const Kivo::TexturedVertex flat[3] = {{0, 0, 0, 0, 0}, {300, 0, 1, 0, 0}, {0, 20, 0, 1, 0}};
  Kivo::TriVertex raw[3];
  raw[1].x = 300;
  raw[1].u = 1;
  raw[2].y = 20;
  raw[2].v = 1;
  device().Fail(Call::kDrawPrimitive);
  for (int which = 0; which < 2; ++which) {
    SCOPED_TRACE(which);
    device().Clear();
    Kivo::gLastDirectXError.clear();
    if (which == 0)
      renderer->DrawTexturedTriangles(&image, flat, 1, Rect(0, 0, 800, 600), kWhite, 0, 0, 0, true);
    else
      renderer->DrawVertexTrianglesRaw(&image, raw, 1, kWhite, 0, 0, 0);
    const std::vector<Record> draws = device().Draws();
    ASSERT_EQ(draws.size(), 2u) << device().Dump();
    EXPECT_EQ(ReportedCall(), "DrawPrimitive (Tri) 4");
    const std::vector<Record> textures = device().Of(Call::kSetTexture);
    ASSERT_EQ(textures.size(), 4u);
    EXPECT_EQ(textures[0].texture, Piece(image, 0, 0));
    EXPECT_EQ(textures[2].texture, Piece(image, 1, 0));
    for (const Record& d : draws) {
      EXPECT_EQ(d.primitive, D3DPT_TRIANGLEFAN);
      EXPECT_EQ(d.format, which == 0 ? 0x1C4u : 0x242u);
      EXPECT_GE(d.vertices.size(), 3u);
      for (const Recording::Vertex& v : d.vertices) {
        EXPECT_GE(v.u0, 0.0f);
        EXPECT_LE(v.u0, 1.0f);
      }
    }
    // The cut runs along the piece border, 256 image columns in.
    const float offset = which == 0 ? 0.0f : -0.5f;
    EXPECT_FLOAT_EQ(BoxOf(draws[0]).right, 256 + offset);
    EXPECT_FLOAT_EQ(BoxOf(draws[1]).left, 256 + offset);
  }
}

TEST_F(RecordedOps, LongStripsGoInBatchesOfAHundredEachWithItsPrologue) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  std::vector<Kivo::TriVertex> strip(152);
  for (size_t i = 0; i < strip.size(); ++i) {
    strip[i].x = static_cast<float>(400 + i / 2 * 2);
    strip[i].y = static_cast<float>(-300 - static_cast<int>(i % 2) * 10);
  }
  renderer->DrawVertexTriangles(&image, strip.data(), 150, kWhite, 0, 0, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 2u) << device().Dump();
  EXPECT_EQ(draws[0].vertices.size(), 300u);
  EXPECT_EQ(draws[1].vertices.size(), 150u);
  // The second batch starts at triangle 100: vertices 100, 101, 102.
  EXPECT_FLOAT_EQ(draws[1].vertices[0].x, strip[100].x - 400 - 0.5f);
  EXPECT_FLOAT_EQ(draws[1].vertices[2].y, strip[102].y + 300 - 0.5f);
  EXPECT_EQ(device().Count(Call::kSetTexture), 4);
  renderer->DrawVertexTriangles(&image, strip.data(), 0, kWhite, 0, 0, 0);
  EXPECT_EQ(device().Count(Call::kDrawPrimitive), 2);
}

TEST_F(RecordedOps, VertexStripIsCutIntoTrianglesCentredOnTheBuffer) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  // Screen columns and negated rows; (400, -300) is the buffer's centre.
  const Kivo::TriVertex strip[4] = {{400, -300, 0.25f, 0, 0, 0, 0, 0},
                                    {410, -300, 0, 1, 0, 0, 0, 0},
                                    {400, -310, 0, 0, 1, 0, 0, 0},
                                    {410, -310, 0, 1, 1, 0, 0, 0}};
  renderer->DrawVertexTriangles(&image, strip, 2, kWhite, 0, 3, 4);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  EXPECT_EQ(draws[0].format, 0x242u);
  EXPECT_EQ(draws[0].primitive, D3DPT_TRIANGLELIST);
  ASSERT_EQ(draws[0].vertices.size(), 6u);
  const int order[6] = {0, 1, 2, 1, 2, 3};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const Kivo::TriVertex& s = strip[order[i]];
    const Recording::Vertex& v = draws[0].vertices[i];
    // Centred, then moved by (tx, ty) and the half pixel.
    EXPECT_FLOAT_EQ(v.x, s.x - 400 + 3 - 0.5f);
    EXPECT_FLOAT_EQ(v.y, s.y + 300 + 4 - 0.5f);
    EXPECT_FLOAT_EQ(v.z, s.z);
  }
  EXPECT_FLOAT_EQ(draws[0].vertices[0].x, 2.5f);
  EXPECT_FLOAT_EQ(draws[0].vertices[0].y, 3.5f);
}

TEST_F(RecordedOps, VertexColourZeroTakesTheCallsColourOthersStay) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  const Color call(10, 20, 30, 40);
  const uint32_t given[3] = {0, 0x00FFFFFFu, 0x80102030u};
  const uint32_t want[3] = {0x280A141Eu, 0x00FFFFFFu, 0x80102030u};
  Kivo::TexturedVertex flat[3];
  Kivo::TriVertex raw[3];
  for (int i = 0; i < 3; ++i) {
    flat[i] = Kivo::TexturedVertex{static_cast<float>(i * 5), static_cast<float>(i % 2 * 5), 0, 0, given[i]};
    raw[i].x = static_cast<float>(i * 5);
    raw[i].y = static_cast<float>(i % 2 * 5);
    raw[i].color = given[i];
  }
  renderer->DrawTexturedTriangles(&image, flat, 1, Rect(0, 0, 800, 600), call, 0, 0, 0, true);
  renderer->DrawVertexTrianglesRaw(&image, raw, 1, call, 0, 0, 0);
  const std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 2u) << device().Dump();
  for (const Record& d : draws) {
    SCOPED_TRACE(d.format);
    ASSERT_EQ(d.vertices.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(d.vertices[i].colour, want[i]) << i;
  }
}

TEST_F(RecordedOps, PolygonOfTwoPointsOpensNoScene) {
  const int32_t two[] = {0, 0, 10, 10};
  renderer->FillPolygon(two, 2, Rect(0, 0, 800, 600), kWhite, 0, 0, 0);
  EXPECT_TRUE(device().records.empty()) << device().Dump();
  const int32_t three[] = {0, 0, 10, 0, 0, 10};
  renderer->FillPolygon(three, 3, Rect(0, 0, 800, 600), kWhite, 0, 0, 0);
  EXPECT_EQ(device().Count(Call::kBeginScene), 1);
  EXPECT_EQ(device().Count(Call::kDrawPrimitive), 1);
}

// Untextured draws: their vertex lists and call names.
struct PlainCase {
  const char* call;
  D3DPRIMITIVETYPE primitive;
  DWORD format;
  std::vector<std::pair<float, float>> corners;  // x, y of each vertex
};

TEST_F(RecordedOps, UntexturedDrawsUnbindBothStagesAndDrawTheirShape) {
  const PlainCase cases[] = {
      {"DrawPrimitive (Line)", D3DPT_LINESTRIP, 0x1C4, {{0, 0}, {10, 0}, {10.5f, 0.5f}}},
      {"DrawPrimitive (Rect)",
       D3DPT_TRIANGLESTRIP,
       0x1C4,
       {{9.5f, 19.5f}, {9.5f, 24.5f}, {14.5f, 19.5f}, {14.5f, 24.5f}}},
      {"DrawPrimitive3D (Rect)",
       D3DPT_TRIANGLESTRIP,
       0x242,
       {{-400.5f, -300.5f}, {-400.5f, 299.5f}, {399.5f, -300.5f}, {399.5f, 299.5f}}},
      {"DrawPrimitive (Tri) 2", D3DPT_TRIANGLEFAN, 0x1C4, {{15, 10}, {25, 10}, {15, 20}}},
  };
  for (const PlainCase& c : cases) {
    SCOPED_TRACE(c.call);
    for (bool failDraw : {false, true}) {
      device().Clear();
      device().ClearFaults();
      if (failDraw) device().Fail(Call::kDrawPrimitive);
      Kivo::gLastDirectXError.clear();
      const std::string name = c.call;
      const int32_t triangle[] = {10, 10, 20, 10, 10, 20};
      if (name == "DrawPrimitive (Line)")
        renderer->DrawLine(0, 0, 10, 0, kWhite, 0);
      else if (name == "DrawPrimitive (Rect)")
        renderer->FillRect(Rect(10, 20, 5, 5), kWhite, 0);
      else if (name == "DrawPrimitive3D (Rect)")
        renderer->FillRect3D(Rect(0, 0, 800, 600), kWhite, 0);
      else
        renderer->FillPolygon(triangle, 3, Rect(0, 0, 800, 600), kWhite, 0, 5, 0);
      const std::vector<Record> textures = device().Of(Call::kSetTexture);
      ASSERT_EQ(textures.size(), 2u) << device().Dump();
      EXPECT_EQ(textures[0].stage, 0u);
      EXPECT_EQ(textures[0].texture, nullptr);
      EXPECT_EQ(textures[1].stage, 1u);
      EXPECT_EQ(textures[1].texture, nullptr);
      const std::vector<Record> draws = device().Draws();
      ASSERT_EQ(draws.size(), 1u) << device().Dump();
      EXPECT_EQ(draws[0].primitive, c.primitive);
      EXPECT_EQ(draws[0].format, c.format);
      ASSERT_EQ(draws[0].vertices.size(), c.corners.size());
      for (size_t i = 0; i < c.corners.size(); ++i) {
        EXPECT_FLOAT_EQ(draws[0].vertices[i].x, c.corners[i].first) << i;
        EXPECT_FLOAT_EQ(draws[0].vertices[i].y, c.corners[i].second) << i;
        EXPECT_EQ(draws[0].vertices[i].colour, 0xFFFFFFFFu);
      }
      EXPECT_EQ(ReportedCall(), failDraw ? name : "") << Kivo::gLastDirectXError;
    }
  }
}

TEST_F(RecordedOps, FailedUnbindingIsReportedAndTheUntexturedDrawSkipped) {
  device().Fail(Call::kSetTexture, 2);
  renderer->FillRect(Rect(10, 20, 5, 5), kWhite, 0);
  EXPECT_EQ(ReportedCall(), "SetTexture NULL");
  EXPECT_EQ(device().Count(Call::kDrawPrimitive), 0) << device().Dump();
  // The next draw of the frame goes ahead.
  renderer->FillRect(Rect(10, 20, 5, 5), kWhite, 0);
  EXPECT_EQ(device().Count(Call::kDrawPrimitive), 1);
}

// Every single-texture draw binds its piece on stage 0 and nothing on stage 1;
// each binding failure is reported under its own name.
TEST_F(RecordedOps, SingleTextureDrawsBindThePieceAndClearStageOne) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  const Rect all(0, 0, 800, 600), src(0, 0, 16, 16);
  Kivo::TexturedVertex flat[3] = {{0, 0, 0, 0, 0}, {10, 0, 1, 0, 0}, {0, 10, 0, 1, 0}};
  Kivo::TriVertex strip[3];
  strip[1].x = 10;
  strip[2].y = -10;
  const std::vector<std::pair<const char*, std::function<void()>>> draws = {
      {"DrawImage", [&] { renderer->DrawImage(&image, 10, 10, src, kWhite, 0); }},
      {"DrawImageAtFloat", [&] { renderer->DrawImageAtFloat(&image, 10.5f, 10, src, all, kWhite, 0); }},
      {"DrawImageMirrored", [&] { renderer->DrawImageMirrored(&image, 10, 10, src, kWhite, 0); }},
      {"DrawImageStretched",
       [&] { renderer->DrawImageStretched(&image, Rect(0, 0, 32, 32), src, all, kWhite, 0, false, false); }},
      {"DrawImageRotated", [&] { renderer->DrawImageRotated(&image, 10, 10, all, kWhite, 0, 0.5, 8, 8, src); }},
      {"DrawImageByMatrix",
       [&] { renderer->DrawImageByMatrix(&image, 50, 50, Kivo::Matrix3(), all, kWhite, 0, src, true); }},
      {"DrawTexturedTriangles", [&] { renderer->DrawTexturedTriangles(&image, flat, 1, all, kWhite, 0, 0, 0, true); }},
      {"DrawVertexTriangles", [&] { renderer->DrawVertexTriangles(&image, strip, 1, kWhite, 0, 0, 0); }},
      {"DrawVertexTrianglesWrapped", [&] { renderer->DrawVertexTrianglesWrapped(&image, strip, 1, kWhite, 0, 0, 0); }},
      {"DrawQuadWrappedUV", [&] { renderer->DrawQuadWrappedUV(&image, 5, 5, 20, 20, kWhite, 0, 0, 0, 2, 2); }},
  };
  for (const auto& draw : draws) {
    SCOPED_TRACE(draw.first);
    device().ClearFaults();
    device().Clear();
    Kivo::gLastDirectXError.clear();
    draw.second();
    const std::vector<Record> textures = device().Of(Call::kSetTexture);
    ASSERT_EQ(textures.size(), 2u) << device().Dump();
    EXPECT_EQ(textures[0].stage, 0u);
    EXPECT_EQ(textures[0].texture, Piece(image, 0, 0));
    EXPECT_EQ(textures[1].stage, 1u);
    EXPECT_EQ(textures[1].texture, nullptr);
    EXPECT_EQ(device().Count(Call::kDrawPrimitive), 1);
    EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
    for (int nth : {1, 2}) {
      device().ClearFaults();
      device().Fail(Call::kSetTexture, nth);
      device().Clear();
      draw.second();
      EXPECT_EQ(ReportedCall(), nth == 1 ? "SetTexture gTexture" : "SetTexture2 0");
      // Nothing is drawn with a texture that was not bound.
      EXPECT_EQ(device().Count(Call::kDrawPrimitive), 0) << device().Dump();
    }
  }
}

// Wrapping holds for exactly the wrapped draw, also when it opens the frame.
TEST_F(RecordedOps, WrappedDrawsWrapBeforeAndClampAfter) {
  Kivo::MemoryImage& image = UploadedImage(16, 16);
  Kivo::TriVertex strip[3];
  strip[1].x = 10;
  strip[2].y = -10;
  for (int which = 0; which < 2; ++which) {
    SCOPED_TRACE(which);
    renderer->Flush();
    device().Clear();
    if (which == 0)
      renderer->DrawVertexTrianglesWrapped(&image, strip, 1, kWhite, 0, 0, 0);
    else
      renderer->DrawQuadWrappedUV(&image, 5, 5, 20, 20, kWhite, 0, 0, 0, 2, 2);
    // The stage-0 addressing as the draw sees it, and after it.
    DWORD u = 0, v = 0;
    bool drawn = false;
    for (const Record& r : device().records) {
      if (r.call == Call::kSetTextureStageState && r.stage == 0 && r.state == D3DTSS_ADDRESSU) u = r.value;
      if (r.call == Call::kSetTextureStageState && r.stage == 0 && r.state == D3DTSS_ADDRESSV) v = r.value;
      if (r.call == Call::kDrawPrimitive) {
        drawn = true;
        EXPECT_EQ(u, static_cast<DWORD>(D3DTADDRESS_WRAP));
        EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
      }
    }
    EXPECT_TRUE(drawn) << device().Dump();
    if (which == 1) {
      // The quad's corners carry the coordinates as given, beyond the piece.
      const std::vector<Record> draws = device().Draws();
      ASSERT_EQ(draws.size(), 1u);
      ASSERT_EQ(draws[0].vertices.size(), 4u);
      const float xs[4] = {4.5f, 4.5f, 24.5f, 24.5f}, ys[4] = {4.5f, 24.5f, 4.5f, 24.5f};
      const float us[4] = {0, 0, 2, 2}, vs[4] = {0, 2, 0, 2};
      for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(draws[0].vertices[i].x, xs[i]) << i;
        EXPECT_FLOAT_EQ(draws[0].vertices[i].y, ys[i]) << i;
        EXPECT_FLOAT_EQ(draws[0].vertices[i].u0, us[i]) << i;
        EXPECT_FLOAT_EQ(draws[0].vertices[i].v0, vs[i]) << i;
      }
    }
    EXPECT_EQ(u, static_cast<DWORD>(D3DTADDRESS_CLAMP));
    EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  }
}

TEST_F(RecordedOps, AFailedStepDoesNotStopTheWalk) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);
  // The first quad's draw fails; the second piece is still drawn.
  device().Fail(Call::kDrawPrimitive, 1);
  renderer->DrawImage(&image, 10, 20, Rect(0, 0, 300, 20), kWhite, 0);
  std::vector<Record> draws = device().Draws();
  ASSERT_EQ(draws.size(), 2u) << device().Dump();
  EXPECT_NE(draws[0].result, 0);
  EXPECT_EQ(draws[1].result, 0);
  EXPECT_EQ(ReportedCall(), "DrawPrimitive (Tri) 1");
  // On the frame: the first piece is missing, the second is there.
  EXPECT_FALSE(Lit(10, 20));
  EXPECT_FALSE(Lit(265, 39));
  EXPECT_TRUE(Lit(266, 20));
  EXPECT_TRUE(Lit(309, 39));
  EXPECT_FALSE(Lit(310, 20));
  // The first piece's binding fails: its quad is skipped, the next drawn.
  device().ClearFaults();
  device().Clear();
  device().Fail(Call::kSetTexture, 1);
  renderer->DrawImage(&image, 10, 20, Rect(0, 0, 300, 20), kWhite, 0);
  draws = device().Draws();
  ASSERT_EQ(draws.size(), 1u) << device().Dump();
  EXPECT_FLOAT_EQ(BoxOf(draws[0]).left, 9.5f + 256);
  EXPECT_EQ(ReportedCall(), "SetTexture gTexture");
}

// A source rectangle is cut to the image at every piece-walking entry:
// only the image's part is drawn, at the place it would have had.
struct WalkCase {
  const char* name;
  Rect source;
  std::vector<Box> quads;  // destination boxes, drawn at (100, 200)
};

const std::vector<WalkCase>& WalkCases() {
  static const std::vector<WalkCase> cases = {
      {"whole", Rect(0, 0, 300, 20), {{99.5f, 199.5f, 355.5f, 219.5f}, {355.5f, 199.5f, 399.5f, 219.5f}}},
      {"past the right edge",
       Rect(250, 0, 100, 20),
       {{99.5f, 199.5f, 105.5f, 219.5f}, {105.5f, 199.5f, 149.5f, 219.5f}}},
      {"starting in the last piece's padding", Rect(310, 0, 30, 20), {}},
      {"past the bottom edge", Rect(256, 10, 60, 30), {{99.5f, 199.5f, 143.5f, 209.5f}}},
      {"negative origin", Rect(-10, -5, 20, 10), {{109.5f, 204.5f, 119.5f, 209.5f}}},
      {"wholly left", Rect(-30, 0, 20, 20), {}},
      {"wholly below", Rect(0, 20, 50, 5), {}},
      {"far past the grid", Rect(600, 0, 40, 20), {}},
  };
  return cases;
}

TEST_F(RecordedOps, PieceWalksDrawOnlyTheImagesPartOfTheSourceRectangle) {
  Kivo::MemoryImage& image = UploadedImage(300, 20);  // pieces 256 and 64 (44 used) wide
  for (const WalkCase& c : WalkCases()) {
    for (const char* entry : {"image quad", "transformed quad"}) {
      SCOPED_TRACE(std::string(c.name) + ", " + entry);
      device().Clear();
      if (std::string(entry) == "image quad") {
        renderer->DrawImage(&image, 100, 200, c.source, kWhite, 0);
      } else {
        renderer->DrawImageAtFloat(&image, 100, 200, c.source, Rect(0, 0, 800, 600), kWhite, 0);
      }
      const std::vector<Record> draws = device().Draws();
      ASSERT_EQ(draws.size(), c.quads.size()) << device().Dump();
      for (size_t i = 0; i < draws.size(); ++i) {
        const Box b = BoxOf(draws[i]);
        EXPECT_FLOAT_EQ(b.left, c.quads[i].left) << i;
        EXPECT_FLOAT_EQ(b.top, c.quads[i].top) << i;
        EXPECT_FLOAT_EQ(b.right, c.quads[i].right) << i;
        EXPECT_FLOAT_EQ(b.bottom, c.quads[i].bottom) << i;
        // Texture coordinates stay inside the image's part of the piece.
        for (const Recording::Vertex& v : draws[i].vertices) {
          EXPECT_GE(v.u0, 0.0f);
          EXPECT_LE(v.u0, i == 0 && c.source.x < 256 ? 1.0f : 44.0f / 64);
          EXPECT_GE(v.v0, 0.0f);
          EXPECT_LE(v.v0, 20.0f / 32);
        }
      }
    }
  }
}

// Past the last column the piece index would run into the next row.
TEST_F(RecordedOps, PointsOutsideThePieceGridHaveNoPiece) {
  Kivo::MemoryImage& image = UploadedImage(300, 130);  // 2 x 2 pieces: 256 and 64 wide, 128 and 2 high
  const Kivo::TextureData& data = *image.textureData;
  ASSERT_EQ(data.columns, 2);
  ASSERT_EQ(data.rows, 2);
  struct Case {
    int x, y;
  } outside[] = {{512, 0}, {600, 10}, {-1, 0}, {0, -1}, {0, 256}, {10, 1000}};
  for (const Case& c : outside) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    int32_t w = 10, h = 10;
    float u0 = -1, v0 = -1, u1 = -1, v1 = -1;
    EXPECT_EQ(data.GetPieceAt(c.x, c.y, w, h, u0, v0, u1, v1), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
  }
  // Inside: the corner piece, narrowed to what it holds.
  int32_t w = 100, h = 100;
  float u0, v0, u1, v1;
  EXPECT_EQ(data.GetPieceAt(260, 128, w, h, u0, v0, u1, v1), Piece(image, 1, 1));
  EXPECT_EQ(w, 60);
  EXPECT_EQ(h, data.pieces[3].height);
  EXPECT_FLOAT_EQ(u0, 4.0f / 64);
  // A walk over and past the whole image visits each piece once.
  std::vector<IDirectDrawSurface7*> visited;
  EXPECT_EQ(data.WalkPieces(Rect(-50, -50, 1000, 1000), [&](const Kivo::PieceBlock& b) { visited.push_back(b.piece); }),
            4);
  EXPECT_EQ(visited, (std::vector<IDirectDrawSurface7*>{Piece(image, 0, 0), Piece(image, 1, 0), Piece(image, 0, 1),
                                                        Piece(image, 1, 1)}));
}

}  // namespace
