// Polygon clipping and vertex lists.
#include <gtest/gtest.h>

#include "display/D3DVertexList.h"
#include "tests/platform/devices/d3d_fixture.h"

namespace {

using Kivo::TLVertex;
using Kivo::Vertex3D;
using Kivo::VertexList;

TLVertex V(float x, float y, float tu = 0, float tv = 0, uint32_t colour = 0xFFFFFFFF) {
  TLVertex v;
  v.x = x;
  v.y = y;
  v.tu = tu;
  v.tv = tv;
  v.colour = colour;
  return v;
}

VertexList<TLVertex> Quad(float x0, float y0, float x1, float y1) {
  VertexList<TLVertex> q;
  q.Add(V(x0, y0, 0, 0));
  q.Add(V(x1, y0, 1, 0));
  q.Add(V(x1, y1, 1, 1));
  q.Add(V(x0, y1, 0, 1));
  return q;
}

VertexList<TLVertex> ClipToRect(const VertexList<TLVertex>& in, float l, float t, float r, float b) {
  VertexList<TLVertex> a, out;
  Kivo::ClipTLPolygonMin(0, l, in, a);
  Kivo::ClipTLPolygonMin(1, t, a, out);
  a.Clear();
  Kivo::ClipTLPolygonMax(0, r, out, a);
  out.Clear();
  Kivo::ClipTLPolygonMax(1, b, a, out);
  return out;
}

TEST(PolygonClip, InsidePolygonComesBackUnchangedFromItsFirstVertex) {
  const VertexList<TLVertex> q = Quad(2, 3, 8, 9);
  VertexList<TLVertex> out = ClipToRect(q, 0, 0, 10, 10);
  ASSERT_EQ(out.count, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out[i].x, q[i].x);
    EXPECT_EQ(out[i].y, q[i].y);
  }
}

TEST(PolygonClip, LeftEdgeKeptRightEdgeCut) {
  // A vertex on x = left stays; one on x = right goes.
  VertexList<TLVertex> tri;
  tri.Add(V(0, 0));
  tri.Add(V(5, 0));
  tri.Add(V(0, 5));
  VertexList<TLVertex> out;
  Kivo::ClipTLPolygonMin(0, 0.0f, tri, out);
  EXPECT_EQ(out.count, 3);
  // The vertex on x = right counts as outside: the two cut points replace it.
  VertexList<TLVertex> right;
  Kivo::ClipTLPolygonMax(0, 5.0f, tri, right);
  EXPECT_EQ(right.count, 4);
  // The quad straddling x = 6 keeps only x < 6, with texture coordinates cut alike.
  VertexList<TLVertex> q = ClipToRect(Quad(2, 2, 10, 6), 0, 0, 6, 10);
  ASSERT_EQ(q.count, 4);
  float maxX = 0, maxU = 0;
  for (int i = 0; i < q.count; ++i) {
    maxX = std::max(maxX, q[i].x);
    maxU = std::max(maxU, q[i].tu);
  }
  EXPECT_EQ(maxX, 6.0f);
  EXPECT_FLOAT_EQ(maxU, 0.5f);
}

TEST(PolygonClip, OutsideAndDegenerateResultsDrawNothing) {
  EXPECT_EQ(ClipToRect(Quad(20, 20, 30, 30), 0, 0, 10, 10).count, 0);
  // Fewer than two vertices: a pass adds nothing.
  VertexList<TLVertex> one, out;
  one.Add(V(1, 1));
  Kivo::ClipTLPolygonMin(0, 0, one, out);
  EXPECT_EQ(out.count, 0);
}

TEST(PolygonClip, ColourLerpTruncatesEachChannel) {
  EXPECT_EQ(Kivo::LerpColour(0xFF000000u, 0x00FFFFFFu, 0.5f), 0x7F7F7F7Fu);
  EXPECT_EQ(Kivo::LerpColour(0x12345678u, 0x12345678u, 0.3f), 0x12345678u);
  const TLVertex m = Kivo::LerpTLVertex(V(0, 0, 0, 0, 0xFF000000u), V(10, 20, 1, 2, 0x00FFFFFFu), 0.5f);
  EXPECT_EQ(m.x, 5.0f);
  EXPECT_EQ(m.y, 10.0f);
  EXPECT_EQ(m.tv, 1.0f);
  EXPECT_EQ(m.colour, 0x7F7F7F7Fu);
}

TEST(PolygonClip, TriangleCutToItsPieceAtTextureZero) {
  VertexList<TLVertex> tri;
  tri.Add(V(0, 0, -0.5f, 0.2f));
  tri.Add(V(10, 0, 0.5f, 0.2f));
  tri.Add(V(10, 10, 0.5f, 0.8f));
  Kivo::ClipTriangleToPiece(tri);
  ASSERT_GE(tri.count, 3);
  bool foundHalf = false;
  for (int i = 0; i < tri.count; ++i) {
    EXPECT_GE(tri[i].tu, 0.0f);
    if (tri[i].tu == 0.0f && tri[i].y == 0.0f) foundHalf = tri[i].x == 5.0f;
  }
  EXPECT_TRUE(foundHalf);

  VertexList<Vertex3D> tri3;
  Vertex3D a{}, b{}, c{};
  a.tu0 = -1, b.tu0 = 1, c.tu0 = 1, c.tv0 = 0.5f;
  a.tu1 = 7, b.tu1 = 9;
  b.x = 2;
  c.x = 2, c.y = 1;
  tri3.Add(a);
  tri3.Add(b);
  tri3.Add(c);
  Kivo::ClipTriangle3DToPiece(tri3);
  ASSERT_GE(tri3.count, 3);
  for (int i = 0; i < tri3.count; ++i) {
    EXPECT_GE(tri3[i].tu0, 0.0f);
    EXPECT_LE(tri3[i].tu0, 1.0f);
  }
}

TEST(VertexListGrowth, DoublesPastTheInlineBlockAndAssignReservesExactly) {
  VertexList<TLVertex> list;
  for (int i = 0; i < 100; ++i) list.Add(V(static_cast<float>(i), 0));
  EXPECT_TRUE(list.UsesInlineStorage());
  EXPECT_EQ(list.capacity, 100);
  list.Add(V(100, 0));
  EXPECT_EQ(list.capacity, 200);
  EXPECT_FALSE(list.UsesInlineStorage());
  EXPECT_EQ(list[100].x, 100.0f);
  EXPECT_EQ(list[37].x, 37.0f);

  VertexList<TLVertex> big;
  for (int i = 0; i < 150; ++i) big.Add(V(static_cast<float>(i), 1));
  VertexList<TLVertex> copy;
  copy.Assign(big);
  EXPECT_EQ(copy.capacity, 150);
  EXPECT_EQ(copy.count, 150);
  EXPECT_EQ(copy[149].x, 149.0f);
  VertexList<TLVertex> constructed(big);
  EXPECT_EQ(constructed.count, 150);
  EXPECT_EQ(constructed[0].y, 1.0f);
}

class ClipAndDraw : public D3DTest::DeviceFixture {};

TEST_F(ClipAndDraw, ClippedPolygonDrawsOnlyInsideTheRectangle) {
  MakeTarget(DDrawStandIn::Format::kRGB888, 40, 40);
  VertexList<TLVertex> poly = Quad(-5, -5, 30, 30);
  const Kivo::Rect clip(10, 12, 8, 6);
  Kivo::ClipAndDrawPolygon(device, &clip, poly);
  EXPECT_EQ(poly.count, 4);  // the caller's list is left alone
  int wrong = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool in = x >= 10 && x < 18 && y >= 12 && y < 18;
      wrong += ((Pixel(x, y) & 0xFFFFFF) != 0) != in;
    }
  EXPECT_EQ(wrong, 0);
  // Clipped to nothing: no draw at all.
  VertexList<TLVertex> away = Quad(50, 50, 60, 60);
  Kivo::ClipAndDrawPolygon(device, &clip, away);
  EXPECT_EQ(CountLit(), 48);
}

}  // namespace
