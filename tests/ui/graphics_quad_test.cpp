// The quad operations build vertex lists for the 3D renderer; software images
// ignore them, so they are checked on an image that records each call.
#include <gtest/gtest.h>

#include <vector>

#include "ui_test_support.h"

namespace Kivo {
namespace {

using test::PixelImage;
using test::RecordingImage;
using test::SetGrid;

struct V {
  float x, y, u, v;
};

void ExpectVertices(const RecordingImage::Call& call, const std::vector<V>& expected) {
  ASSERT_EQ(expected.size(), call.vertices.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const TriVertex& got = call.vertices[i];
    EXPECT_FLOAT_EQ(expected[i].x, got.x) << "vertex " << i;
    EXPECT_FLOAT_EQ(-expected[i].y, got.y) << "vertex " << i << " (y points up)";
    EXPECT_FLOAT_EQ(1.0f, got.z) << "vertex " << i;
    EXPECT_FLOAT_EQ(expected[i].u, got.u) << "vertex " << i;
    EXPECT_FLOAT_EQ(expected[i].v, got.v) << "vertex " << i;
    EXPECT_EQ(0u, got.color) << "vertex " << i;
  }
}

const Quad kQuad = {{Vector2(0, 0), Vector2(100, 0), Vector2(100, 50), Vector2(0, 50)}};

TEST(GraphicsQuads, SubpixelScrollSplitsTheImageAtTheFraction) {
  PixelImage texture(8, 8);
  RecordingImage dest(200, 200);
  Graphics g(&dest);
  g.DrawImageSubpixel(&texture, kQuad, 3.25f, 0.0f);
  ASSERT_EQ(2u, dest.calls.size());
  EXPECT_EQ("2 [255,255,255,255] 0,0 0", dest.calls[0].args);
  // Right three quarters of the image on the left three quarters of the quad...
  ExpectVertices(dest.calls[0], {{0, 50, 0.25f, 1}, {0, 0, 0.25f, 0}, {75, 50, 1, 1}, {75, 0, 1, 0}});
  // ...and its left quarter on the right quarter.
  ExpectVertices(dest.calls[1], {{75, 50, 0, 1}, {75, 0, 0, 0}, {100, 50, 0.25f, 1}, {100, 0, 0.25f, 0}});
}

TEST(GraphicsQuads, WholeOffsetsDrawTheImageUnscrolled) {
  PixelImage texture(8, 8);
  RecordingImage dest(200, 200);
  Graphics g(&dest);
  g.DrawImageSubpixel(&texture, kQuad, 3.0f, -2.0f);
  ASSERT_EQ(1u, dest.calls.size());
  ExpectVertices(dest.calls[0], {{0, 50, 0, 1}, {0, 0, 0, 0}, {100, 50, 1, 1}, {100, 0, 1, 0}});
}

TEST(GraphicsQuads, SubpixelWithBothFractionsDrawsFourQuads) {
  PixelImage texture(8, 8);
  RecordingImage dest(200, 200);
  Graphics g(&dest);
  g.DrawImageSubpixel(&texture, kQuad, 0.5f, 0.5f);
  ASSERT_EQ(4u, dest.calls.size());
  // Bottom-right region: B (0, fy), M (0, 0), P2 (fx, fy), R (fx, 0).
  ExpectVertices(dest.calls[3], {{50, 50, 0, 0.5f}, {50, 25, 0, 0}, {100, 50, 0.5f, 0.5f}, {100, 25, 0.5f, 0}});
}

TEST(GraphicsQuads, CellQuadCountsColumnsAndRowsFromOne) {
  PixelImage texture(8, 8);
  SetGrid(texture, 4, 1);
  RecordingImage dest(200, 200);
  Graphics g(&dest);
  g.Translate(3, 4);
  g.DrawCellQuad(&texture, kQuad, 2, 1);
  ASSERT_EQ(1u, dest.calls.size());
  // Colour 0 in the vertices; the call carries the tint and the translation.
  EXPECT_EQ("2 [255,255,255,255] 3,4 0", dest.calls[0].args);
  ExpectVertices(dest.calls[0], {{0, 50, 0.25f, 1}, {0, 0, 0.25f, 0}, {100, 50, 0.5f, 1}, {100, 0, 0.5f, 0}});
}

TEST(GraphicsQuads, PartialQuadShowsTheLeftPartUpToTheFraction) {
  PixelImage texture(8, 8);
  RecordingImage dest(200, 200);
  Graphics g(&dest);
  g.SetColorizeImages(true);
  g.SetColor(Color(10, 20, 30, 40));
  g.DrawImagePartialQuad(&texture, kQuad, 0.25f);
  ASSERT_EQ(1u, dest.calls.size());
  EXPECT_EQ("2 [10,20,30,40] 0,0 0", dest.calls[0].args);
  ExpectVertices(dest.calls[0], {{0, 50, 0, 1}, {0, 0, 0, 0}, {25, 50, 0.25f, 1}, {25, 0, 0.25f, 0}});
}

TEST(GraphicsQuads, Quad3DSpansTheSecondTexture) {
  PixelImage texture(8, 8), second(8, 8);
  RecordingImage dest(200, 200);
  Graphics g(&dest);
  g.DrawQuad3D(&texture, &second, kQuad, 0.1f, 0.2f, 0.3f, 0.4f);
  ASSERT_EQ(1u, dest.calls.size());
  EXPECT_EQ("DrawVertexTrianglesTwoTextures", dest.calls[0].name);
  const auto& v = dest.calls[0].vertices;
  ASSERT_EQ(4u, v.size());
  EXPECT_FLOAT_EQ(0.1f, v[0].secondU);
  EXPECT_FLOAT_EQ(0.4f, v[0].secondV);
  EXPECT_FLOAT_EQ(0.1f, v[1].secondU);
  EXPECT_FLOAT_EQ(0.2f, v[1].secondV);
  EXPECT_FLOAT_EQ(0.3f, v[2].secondU);
  EXPECT_FLOAT_EQ(0.4f, v[2].secondV);
  EXPECT_FLOAT_EQ(0.3f, v[3].secondU);
  EXPECT_FLOAT_EQ(0.2f, v[3].secondV);
  ExpectVertices(dest.calls[0], {{0, 50, 0, 1}, {0, 0, 0, 0}, {100, 50, 1, 1}, {100, 0, 1, 0}});
}

}  // namespace
}  // namespace Kivo
