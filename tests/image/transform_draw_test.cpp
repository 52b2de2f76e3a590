#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "image/Blend.h"
#include "image_test_support.h"
#include "tests/image/exact_samples.h"

namespace KivoTest {
namespace {

std::vector<uint32_t> SourceGrid(int w, int h) {
  std::vector<uint32_t> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px.push_back(0xFF000000u | static_cast<uint32_t>(x * 60) << 16 | (y * 80) << 8);
  return px;
}

TEST(TransformDraw, IntegerFloatPositionDropsEdgeColumnsAndLastRow) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 4, 3, SourceGrid(4, 3));
  MemoryImage dest(&host);
  Fill(dest, 8, 8, 0xFF0000FF);
  dest.DrawImageAtFloat(&source, 2.0f, 1.0f, Rect(0, 0, 4, 3), Rect(0, 0, 8, 8), Color::White, 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool drawn = (x == 3 || x == 4) && (y == 1 || y == 2);
      if (!drawn) {
        EXPECT_EQ(Pixel(dest, x, y), 0xFF0000FFu) << x << "," << y;
        continue;
      }
      // The whole weight on the sample itself: the source pixel exactly.
      EXPECT_EQ(Pixel(dest, x, y), Pixel(source, x - 2, y - 1)) << x << "," << y;
    }
  }
  EXPECT_TRUE(source.drawn);
}

TEST(TransformDraw, ModesAndCoverage) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 3, 3, 0xFF404040);
  MemoryImage dest(&host);
  for (int mode = 0; mode <= 5; ++mode) {
    Fill(dest, 4, 4, 0xFF101010);
    dest.DrawImageAtFloat(&source, 0.0f, 0.0f, Rect(0, 0, 3, 3), Rect(0, 0, 4, 4), Color::White, mode);
    const uint32_t v = Pixel(dest, 1, 1);
    if (mode == 0) {
      EXPECT_EQ(v, 0xFF404040u);  // A = 256: the source pixel exactly
    } else {
      EXPECT_EQ(v, 0xFF505050u) << mode;  // 0x10 + 0x40
    }
  }
  // A faint tint leaves partial coverage: alpha comes from N1 - 1.
  Fill(dest, 4, 4, 0x00000000);
  dest.DrawImageAtFloat(&source, 0.0f, 0.0f, Rect(0, 0, 3, 3), Rect(0, 0, 4, 4), Color(255, 255, 255, 128), 0);
  EXPECT_EQ(Pixel(dest, 1, 1) >> 24, 128u);
}

// Pictures drawn at whole-pixel positions and quarter turns sample every
// pixel exactly: an opaque source pixel lands as it is, a transparent one
// leaves the target alone, by the fast loops and the reference twin alike.
// A sample that is almost but not fully covered (here 63/64 of an opaque
// white pixel beside a transparent one) still keeps the destination's
// share, and the blend rounds once: white drawn onto white stays white,
// instead of being replaced with the darker premultiplied sample. Columns alternate
// opaque and transparent so such samples fall in the four-pixel loop and in
// the per-pixel tail; the reference twin gives the same.
TEST(TransformDraw, NearlyFullCoverageKeepsTheDestinationsShare) {
  constexpr int W = 16, H = 3;
  std::vector<uint32_t> stripes;
  for (int j = 0; j < H; ++j)
    for (int i = 0; i < W; ++i) stripes.push_back(i % 2 == 0 ? 0xFFFFFFFFu : 0x00FFFFFFu);
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, W, H, stripes);
  for (int reference = 0; reference < 2; ++reference) {
    ForceReferencePaths(reference == 1);
    MemoryImage dest(&host);
    Fill(dest, 24, 8, 0xFFFFFFFFu);
    // Target column X samples source column X - 2 + 1/64.
    dest.DrawImageAtFloat(&source, 2.0f - 1.0f / 64.0f, 2.0f, Rect(0, 0, W, H), Rect(0, 0, 24, 8), Color::White, 0);
    int checked = 0;
    for (int X = 3; X < W; X += 2) {
      EXPECT_EQ(Pixel(dest, X, 3), 0xFFFFFFFFu) << "column " << X << (reference ? " (reference)" : "");
      ++checked;
    }
    EXPECT_GT(checked, 4);
  }
  ForceReferencePaths(false);
}

TEST(TransformDraw, ExactSamplesLandExactly) {
  using namespace ExactSamples;
  constexpr uint32_t kUnder = 0xFF204060u;
  RecordingHost host;
  for (int reference = 0; reference < 2; ++reference) {
    ForceReferencePaths(reference == 1);
    for (const Picture& picture : Pictures()) {
      MemoryImage source(&host);
      Load(source, kW, kH, picture.pixels);
      for (const Placement& p : kPlacements) {
        for (const Tint& tint : kTints) {
          MemoryImage dest(&host);
          Fill(dest, kTarget, kTarget, kUnder);
          dest.DrawImageRotated(&source, p.x, p.y, Rect(0, 0, kW, kH), Rect(0, 0, kTarget, kTarget), tint.color, 0,
                                p.angle, p.cx, p.cy);
          int exact = 0;
          for (int Y = 0; Y < kTarget; ++Y) {
            for (int X = 0; X < kTarget; ++X) {
              const Sampled at = SampleOf(p, X, Y);
              const uint32_t got = Pixel(dest, X, Y);
              const uint32_t sample = at.inside ? Pixel(source, at.u, at.v) : 0;
              const uint32_t want = (sample >> 24) == 0xFF ? sample & tint.keep : kUnder;
              if (at.interior || !at.inside || got != kUnder) {
                EXPECT_EQ(got, want) << picture.name << " angle " << p.angle << " at " << X << "," << Y
                                     << (reference ? " (reference)" : "");
              }
              exact += at.interior && (sample >> 24) == 0xFF;
            }
          }
          EXPECT_GT(exact, 0);
        }
      }
    }
  }
  ForceReferencePaths(false);
}

TEST(TransformDraw, RotationQuarterTurnMovesPixels) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 20, 20, 0xFFFFFFFF);
  MemoryImage dest(&host);
  Fill(dest, 60, 60, 0xFF000000);
  // Centre of the source at (30, 30); a quarter turn keeps a square a square.
  dest.DrawImageRotated(&source, 20.0f, 20.0f, Rect(0, 0, 20, 20), Rect(0, 0, 60, 60), Color::White, 0, M_PI / 2, 10.0f,
                        10.0f);
  EXPECT_GT(Pixel(dest, 30, 30) & 0xFF, 200u);
  EXPECT_EQ(Pixel(dest, 5, 5), 0xFF000000u);
  EXPECT_EQ(Pixel(dest, 55, 55), 0xFF000000u);
}

TEST(TransformDraw, RotatedBoundsClipAndFail) {
  DoubleRect box(1, 2, 3, 4);
  EXPECT_TRUE(MemoryImage::ComputeRotatedBounds(5, 6, Rect(0, 0, 10, 20), Rect(0, 0, 100, 100), 0.0, 0, 0, box));
  EXPECT_EQ(box, DoubleRect(5, 6, 10, 20));
  EXPECT_TRUE(MemoryImage::ComputeRotatedBounds(5, 6, Rect(0, 0, 10, 20), Rect(0, 0, 8, 100), 0.0, 0, 0, box));
  EXPECT_EQ(box, DoubleRect(5, 6, 3, 20));
  const DoubleRect before = box;
  EXPECT_FALSE(MemoryImage::ComputeRotatedBounds(500, 6, Rect(0, 0, 10, 20), Rect(0, 0, 8, 100), 0.0, 0, 0, box));
  EXPECT_EQ(box, before);
}

// A source rectangle reaching outside the source image must not be read
// outside the pixels; the part inside still lands where it belongs.
TEST(TransformDraw, SourceRectangleOutsideTheSourceIsCut) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 4, 3, SourceGrid(4, 3));
  MemoryImage expected(&host);
  Fill(expected, 16, 16, 0xFF0000FF);
  expected.DrawImageRotated(&source, 6.0f, 5.0f, Rect(0, 0, 4, 3), Rect(0, 0, 16, 16), Color::White, 0, 0.3, 2.5f,
                            1.5f);
  MemoryImage dest(&host);
  Fill(dest, 16, 16, 0xFF0000FF);
  // The same picture asked for through a rectangle starting 3 pixels before
  // the source and reaching far past it; position and centre move to match.
  dest.DrawImageRotated(&source, 3.0f, 2.0f, Rect(-3, -3, 40, 40), Rect(0, 0, 16, 16), Color::White, 0, 0.3, 5.5f,
                        4.5f);
  EXPECT_EQ(Pixels(dest), Pixels(expected));
  // Absurd positions draw nothing.
  dest.DrawImageRotated(&source, 1e30f, 2.0f, Rect(0, 0, 4, 3), Rect(0, 0, 16, 16), Color::White, 0, 0.3, 0, 0);
  dest.DrawImageRotated(&source, 1.0f, 2.0f, Rect(0, 0, 4, 3), Rect(0, 0, 16, 16), Color::White, 0, NAN, 0, 0);
  EXPECT_EQ(Pixels(dest), Pixels(expected));
}

TEST(TransformDraw, ManyAnglesStayInsideBuffers) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 7, 5, SourceGrid(7, 5));
  ASSERT_TRUE(source.ConvertToPalette());
  MemoryImage dest(&host);
  Fill(dest, 12, 9, 0x80000000);
  for (int i = 0; i < 64; ++i) {
    const double angle = i * 0.1 - 3.2;
    dest.DrawImageRotated(&source, -3.0f + i % 7, -2.0f + i % 5, Rect(1, 1, 6, 4), Rect(-5, -5, 30, 30),
                          Color(200, 100, 255, 180), i % 2, angle, 3.3f, 1.7f);
  }
  EXPECT_EQ(dest.GetBits()[12 * 9], kBitsSentinel);
  EXPECT_NE(source.palette, nullptr);
}

TEST(TransformDraw, MatrixAndTrianglesDrawNothingButCountAChange) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 4, 4, 0xFFFFFFFF);
  MemoryImage dest(&host);
  Fill(dest, 8, 8, 0xFF000000);
  const int before = dest.changeCount;
  Matrix3 m;
  m.RotateRadians(0.5f);
  dest.DrawImageByMatrix(&source, 4, 4, m, Rect(0, 0, 8, 8), Color::White, 0, Rect(0, 0, 4, 4), true);
  EXPECT_EQ(dest.changeCount, before + 1);
  EXPECT_TRUE(source.drawn);
  TexturedVertex tri[3];
  tri[1].x = 7;
  tri[2].y = 7;
  dest.DrawTexturedTriangles(&source, tri, 1, Rect(0, 0, 8, 8), Color::White, 0, 0, 0, false);
  EXPECT_EQ(dest.changeCount, before + 2);
  EXPECT_EQ(Pixels(dest), std::vector<uint32_t>(64, 0xFF000000));
}

}  // namespace
}  // namespace KivoTest
