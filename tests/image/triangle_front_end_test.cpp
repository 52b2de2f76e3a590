#include <gtest/gtest.h>

#include <vector>

#include "image_test_support.h"
#include "image/TriangleFrontEnd.h"

namespace KivoTest {
namespace {

struct Seen {
  uint32_t index;
  RasterVertex v[3];
};
std::vector<Seen>* gSeen = nullptr;

// A spy rasterizer per table slot: the slot index is baked in.
template <uint32_t I>
void Spy(const RasterVertex* v, void*, int32_t, const RasterTexture*, const RasterColor*) {
  gSeen->push_back(Seen{I, {v[0], v[1], v[2]}});
}

template <uint32_t... I>
void InstallAll(std::integer_sequence<uint32_t, I...>) {
  (SetTriangleRasterizer(I, &Spy<I>), ...);
}

class TriangleFrontEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen = &seen;
    InstallAll(std::make_integer_sequence<uint32_t, kRasterizerCount>());
  }
  void TearDown() override {
    for (uint32_t i = 0; i < kRasterizerCount; ++i) SetTriangleRasterizer(i, nullptr);
    gSeen = nullptr;
  }
  std::vector<Seen> seen;
};

TexturedVertex V(float x, float y, float u = 0, float v = 0) {
  TexturedVertex t;
  t.x = x;
  t.y = y;
  t.u = u;
  t.v = v;
  return t;
}

TEST_F(TriangleFrontEnd, StripWindingAndShortStrips) {
  // Numbered vertices: x carries the vertex number.
  std::vector<TexturedVertex> strip;
  for (int i = 0; i < 4; ++i) strip.push_back(V(static_cast<float>(i), static_cast<float>(i % 2)));
  uint32_t target[16];
  DrawTriangleStrip(strip.data(), 4, nullptr, Color::White, 0, Rect(0, 0, 100, 100), target, 16, kPixelTag8888, false,
                    false);
  ASSERT_EQ(seen.size(), 2u);
  auto num = [](const RasterVertex& r) { return r.x >> 16; };
  EXPECT_EQ((std::vector<int>{num(seen[0].v[0]), num(seen[0].v[1]), num(seen[0].v[2])}), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ((std::vector<int>{num(seen[1].v[0]), num(seen[1].v[1]), num(seen[1].v[2])}), (std::vector<int>{1, 3, 2}));
  seen.clear();
  DrawTriangleStrip(strip.data(), 2, nullptr, Color::White, 0, Rect(0, 0, 100, 100), target, 16, kPixelTag8888, false,
                    false);
  EXPECT_TRUE(seen.empty());
}

TEST_F(TriangleFrontEnd, ClippingDropsAndFans) {
  TexturedVertex out[12];
  EXPECT_EQ(ClipTriangle(out, V(-10, 0), V(-5, 5), V(-8, 9), 0, 9, 0, 9), 0);
  // A big triangle around the clip square cuts all four sides.
  const int n = ClipTriangle(out, V(-4, 4.5f), V(4.5f, -4), V(13, 13), 0, 9, 0, 9);
  EXPECT_GE(n, 5);
  EXPECT_LE(n, 7);
  for (int i = 0; i < n; ++i) {
    EXPECT_GE(out[i].x, 0.0f);
    EXPECT_LE(out[i].x, 9.0f);
    EXPECT_GE(out[i].y, 0.0f);
    EXPECT_LE(out[i].y, 9.0f);
  }
  uint32_t target[100];
  const TexturedVertex tri[3] = {V(-4, 4.5f), V(4.5f, -4), V(13, 13)};
  DrawTriangleStrip(tri, 3, nullptr, Color::White, 0, Rect(0, 0, 10, 10), target, 40, kPixelTag8888, false, false);
  EXPECT_EQ(static_cast<int>(seen.size()), n - 2);
  EXPECT_LE(seen.size(), 5u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.v[0].x, seen[0].v[0].x);  // a fan around vertex 0
    EXPECT_EQ(s.index, 0u);
  }
  // Left of the clip: no rasterizer call at all.
  seen.clear();
  const TexturedVertex left[3] = {V(-10, 0), V(-5, 5), V(-8, 9)};
  DrawTriangleStrip(left, 3, nullptr, Color::White, 0, Rect(0, 0, 10, 10), target, 40, kPixelTag8888, false, false);
  EXPECT_TRUE(seen.empty());
}

TEST_F(TriangleFrontEnd, ClipInterpolatesTextureAndColour) {
  TexturedVertex a = V(-10, 0, 0, 0), b = V(10, 0, 1, 0), c = V(10, 10, 1, 1);
  a.color = 0xFF000000;
  b.color = 0xFFFF0000;
  c.color = 0xFFFF0000;
  TexturedVertex out[12];
  const int n = ClipTriangle(out, a, b, c, 0, 100, -100, 100);
  ASSERT_EQ(n, 4);
  bool found = false;
  for (int i = 0; i < n; ++i) {
    if (out[i].x == 0.0f && out[i].y == 0.0f) {
      EXPECT_FLOAT_EQ(out[i].u, 0.5f);
      EXPECT_EQ(out[i].color, 0xFF7F0000u);
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(TriangleFrontEnd, IndexAndFixedPointOfATexturedDraw) {
  EXPECT_EQ(RasterizerIndex(true, true, false, true, kPixelTag565, false), 0x5Au);
  EXPECT_EQ(RasterizerIndex(false, false, false, false, kPixelTag888, true), 0x21u);
  EXPECT_EQ(RasterizerIndex(false, false, true, false, kPixelTag555, false), 0x64u);
  EXPECT_EQ(RasterizerIndex(false, false, false, false, kPixelTagOther, false), 0u);

  RecordingHost host;
  MemoryImage texture(&host);
  Load(texture, 8, 2, std::vector<uint32_t>(16, 0x80FFFFFF));
  const TexturedVertex tri[3] = {V(1, 1, 0, 0), V(5, 1, 1, 0), V(1, 5, 0, 1)};
  uint16_t target[64];
  DrawTriangleStrip(tri, 3, &texture, Color(255, 0, 0), 0, Rect(0, 0, 8, 8), target, 16, kPixelTag565, false, false);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].index, 0x5Au);
  EXPECT_EQ(seen[0].v[0].x, 1 << 16);
  EXPECT_EQ(seen[0].v[1].u, 8 << 16);
  EXPECT_EQ(seen[0].v[2].v, 2 << 16);
}

TEST_F(TriangleFrontEnd, MatrixDrawIsAStripOfTwoTriangles) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 4, 4, 0xFFFFFFFF);
  MemoryImage dest(&host);
  Fill(dest, 16, 16, 0xFF000000);
  dest.ForceAlphaFlags(false, false);
  Matrix3 identity;
  dest.DrawImageByMatrix(&source, 8, 8, identity, Rect(0, 0, 16, 16), Color::White, 0, Rect(0, 0, 4, 4), true);
  ASSERT_EQ(seen.size(), 2u);
  // Opaque texture with the blend flag: filtered and blended, into an
  // opaque 32-bit target.
  EXPECT_EQ(seen[0].index, 0x10u | 0x08u | 0x01u | 0x20u);
  EXPECT_EQ(seen[0].v[0].x, static_cast<int32_t>(5.5 * 65536));
  EXPECT_EQ(seen[0].v[0].y, static_cast<int32_t>(5.5 * 65536));
  // Triangles with vertex colours set the vertex-colour bit.
  seen.clear();
  TexturedVertex tri[3] = {V(1, 1), V(5, 1), V(1, 5)};
  tri[2].color = 0x80FF0000;
  dest.DrawTexturedTriangles(nullptr, tri, 1, Rect(0, 0, 16, 16), Color::White, 0, 0, 0, false);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].index, 0x04u | 0x20u);
  EXPECT_EQ(seen[0].v[2].a, 0x80 << 16);
}

}  // namespace
}  // namespace KivoTest
