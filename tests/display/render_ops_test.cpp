// Fills, lines and image quads of the renderer, checked on the pixels of the
// software 3D device (an 8-8-8 draw buffer of 640 x 480).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "display/D3DInterface.h"
#include "image/Image.h"
#include "image/MemoryImage.h"
#include "platform/devices/D3D.h"
#include "shell/base/Matrix.h"
#include "tests/display/renderer_fixture.h"

namespace {

using Kivo::Color;
using Kivo::Rect;

class RenderOps : public RendererTest::RendererFixture {
 protected:
  // Pixels that are not black, as a bounding box and a count.
  struct Lit {
    int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  };
  Lit LitPixels(const std::vector<uint32_t>& frame) {
    Lit l;
    for (size_t i = 0; i < frame.size(); ++i)
      if (frame[i] != 0) {
        const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
        ++l.count;
        l.left = std::min(l.left, x), l.top = std::min(l.top, y);
        l.right = std::max(l.right, x), l.bottom = std::max(l.bottom, y);
      }
    return l;
  }
};

TEST_F(RenderOps, FillRectTouchesExactlyItsPixels) {
  renderer->FillRect(Rect(10, 20, 5, 5), Color(255, 255, 255), 0);
  const Lit l = LitPixels(Frame());
  EXPECT_EQ(l.count, 25);
  EXPECT_EQ(l.left, 10);
  EXPECT_EQ(l.top, 20);
  EXPECT_EQ(l.right, 14);
  EXPECT_EQ(l.bottom, 24);
  EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
}

TEST_F(RenderOps, LineLightsBothEnds) {
  renderer->DrawLine(0, 0, 10, 0, Color(255, 255, 255), 0);
  const Lit l = LitPixels(Frame());
  EXPECT_EQ(l.left, 0);
  EXPECT_EQ(l.right, 10);
  EXPECT_EQ(l.count, 11);
}

TEST_F(RenderOps, WideImageIsDrawnPieceByPiecePixelExact) {
  // 300 x 20: more than one texture piece across.
  Kivo::MemoryImage& image = NewImage();
  std::vector<uint32_t> pixels(300 * 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 300; ++x) pixels[static_cast<size_t>(y) * 300 + x] = 0xFF000000u | (x << 8) | (y + 1);
  ASSERT_TRUE(image.SetBits(pixels.data(), 300, 20, true));
  renderer->DrawImage(&image, 10, 20, Rect(0, 0, 300, 20), Color(255, 255, 255), 0);
  const std::vector<uint32_t> frame = Frame();
  int wrong = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const bool inside = x >= 10 && x < 310 && y >= 20 && y < 40;
      const uint32_t want = inside ? (pixels[static_cast<size_t>(y - 20) * 300 + (x - 10)] & 0xFFFFFF) : 0;
      if (frame[static_cast<size_t>(y) * width + x] != want && ++wrong < 4)
        ADD_FAILURE() << x << "," << y << " " << std::hex << frame[static_cast<size_t>(y) * width + x];
    }
  EXPECT_EQ(wrong, 0);
}

TEST_F(RenderOps, SourceRectanglePastTheImageDrawsOnlyTheImage) {
  Kivo::MemoryImage& image = NewImage();
  std::vector<uint32_t> pixels(40 * 10, 0xFFFFFFFFu);
  ASSERT_TRUE(image.SetBits(pixels.data(), 40, 10, true));
  // Past the last column and row, and starting left of the image.
  renderer->DrawImage(&image, 100, 100, Rect(-5, 0, 60, 30), Color(255, 255, 255), 0);
  const Lit l = LitPixels(Frame());
  EXPECT_EQ(l.count, 400);
  EXPECT_EQ(l.left, 105);
  EXPECT_EQ(l.top, 100);
  EXPECT_EQ(l.right, 144);
  EXPECT_EQ(l.bottom, 109);
}

// Image with a distinct colour per pixel: red = column, green = row.
void MakeImage(Kivo::MemoryImage& image, int w, int h) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = 0xFF000001u | (x << 16) | (y << 8);
  ASSERT_TRUE(image.SetBits(pixels.data(), w, h, true));
}

TEST_F(RenderOps, MirroredImageIsFlippedInPlace) {
  Kivo::MemoryImage& image = NewImage();
  MakeImage(image, 100, 4);
  renderer->DrawImageMirrored(&image, 50, 10, Rect(0, 0, 100, 4), Color(255, 255, 255), 0);
  const std::vector<uint32_t> frame = Frame();
  const Lit l = LitPixels(frame);
  EXPECT_EQ(l.left, 50);
  EXPECT_EQ(l.right, 149);
  EXPECT_EQ(l.count, 400);
  // The last column comes first.
  EXPECT_EQ(frame[static_cast<size_t>(10) * width + 50] >> 16, 99u);
  EXPECT_EQ(frame[static_cast<size_t>(10) * width + 149] >> 16, 0u);
}

TEST_F(RenderOps, CentredMatrixPutsTheSourceCentreOnThePoint) {
  Kivo::MemoryImage& image = NewImage();
  MakeImage(image, 20, 10);
  Kivo::Matrix3 identity;
  renderer->DrawImageByMatrix(&image, 100, 50, identity, Rect(0, 0, 640, 480), Color(255, 255, 255), 0,
                              Rect(0, 0, 20, 10), true);
  const std::vector<uint32_t> frame = Frame();
  const Lit l = LitPixels(frame);
  EXPECT_EQ(l.left, 90);
  EXPECT_EQ(l.top, 45);
  EXPECT_EQ(l.count, 200);
  EXPECT_EQ(frame[static_cast<size_t>(45) * width + 90], 0x000001u);
}

TEST_F(RenderOps, ClippedDrawsStayInsideTheClip) {
  Kivo::MemoryImage& image = NewImage();
  MakeImage(image, 40, 40);
  const Rect clip(100, 100, 30, 30);
  // Rotated and straddling the clip's edge, then translated and straddling it.
  renderer->DrawImageRotated(&image, 90, 90, clip, Color(255, 255, 255), 0, 0.3, 20, 20, Rect(0, 0, 40, 40));
  renderer->DrawImageAtFloat(&image, 110, 115, Rect(0, 0, 40, 40), clip, Color(255, 255, 255), 0);
  const Lit l = LitPixels(Frame());
  EXPECT_GT(l.count, 0);
  EXPECT_GE(l.left, 100);
  EXPECT_GE(l.top, 100);
  EXPECT_LE(l.right, 129);
  EXPECT_LE(l.bottom, 129);
  EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
}

TEST_F(RenderOps, StretchedImageFillsItsDestination) {
  Kivo::MemoryImage& image = NewImage();
  MakeImage(image, 10, 10);
  renderer->DrawImageStretched(&image, Rect(20, 30, 40, 20), Rect(0, 0, 10, 10), Rect(0, 0, 640, 480),
                               Color(255, 255, 255), 0, false, false);
  const Lit l = LitPixels(Frame());
  EXPECT_EQ(l.count, 800);
  EXPECT_EQ(l.left, 20);
  EXPECT_EQ(l.bottom, 49);
}

TEST_F(RenderOps, PolygonsNeedThreePoints) {
  const int32_t two[] = {0, 0, 10, 10};
  renderer->FillPolygon(two, 2, Rect(0, 0, 640, 480), Color(255, 255, 255), 0, 0, 0);
  EXPECT_FALSE(renderer->sceneOpen);
  const int32_t square[] = {10, 10, 20, 10, 20, 20, 10, 20};
  // Moved by (5, 0) to 15..25, then cut at the clip's right edge 20.
  renderer->FillPolygon(square, 4, Rect(0, 0, 20, 480), Color(255, 255, 255), 0, 5, 0);
  const Lit l = LitPixels(Frame());
  EXPECT_GE(l.left, 15);
  EXPECT_LE(l.left, 16);
  EXPECT_EQ(l.right, 19);
  EXPECT_GT(l.count, 0);
}

// Two triangles covering the whole image land on it texel for texel, on one
// piece and across several; a vertex colour of 0 takes the call's colour.
TEST_F(RenderOps, TexturedTrianglesCoverTheImageTexelForTexel) {
  for (int w : {20, 300}) {
    SCOPED_TRACE(w);
    Kivo::MemoryImage& image = NewImage();
    MakeImage(image, w, 12);
    const float fw = static_cast<float>(w);
    const Kivo::TexturedVertex tris[6] = {{0, 0, 0, 0, 0},  {0, 12, 0, 1, 0}, {fw, 0, 1, 0, 0},
                                          {fw, 0, 1, 0, 0}, {0, 12, 0, 1, 0}, {fw, 12, 1, 1, 0}};
    renderer->DrawTexturedTriangles(&image, tris, 2, Rect(0, 0, 640, 480), Color(255, 255, 255), 0, 10, 100, true);
    // Triangles take no half-pixel offset, so edges and texels may sit one
    // pixel off; every pixel shows its own column or a neighbour's.
    const std::vector<uint32_t> frame = Frame();
    const Lit l = LitPixels(frame);
    EXPECT_NEAR(l.left, 10, 1);
    EXPECT_NEAR(l.right, 9 + w, 1);
    EXPECT_NEAR(l.top, 100, 1);
    EXPECT_NEAR(l.bottom, 111, 1);
    int wrong = 0;
    for (int y = 101; y < 111; ++y)
      for (int x = 11; x < 9 + w; ++x) {
        const int column = static_cast<int>(frame[static_cast<size_t>(y) * width + x] >> 16);
        if (std::abs(column - ((x - 10) & 0xFF)) > 1 && std::abs(column - ((x - 10) & 0xFF)) < 255) ++wrong;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
  }
}

}  // namespace
