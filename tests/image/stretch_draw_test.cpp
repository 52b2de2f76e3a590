#include <gtest/gtest.h>

#include <vector>

#include "image/Blend.h"
#include "image_test_support.h"

namespace KivoTest {
namespace {

constexpr uint32_t kP = 0xFF112233, kQ = 0xFF445566;

TEST(StretchDraw, FastStretchRepeatsPixels) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 2, 1, {kP, kQ});
  MemoryImage dest(&host);
  Fill(dest, 4, 1, 0xFF000000);
  dest.DrawImageStretched(&source, Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 0, true);
  // An opaque source pixel lands exactly.
  EXPECT_EQ(Pixels(dest), (std::vector<uint32_t>{kP, kP, kQ, kQ}));
  EXPECT_TRUE(source.drawn);
}

TEST(StretchDraw, FastStretchSamplesTruncatedPositions) {
  RecordingHost host;
  MemoryImage source(&host);
  std::vector<uint32_t> px;
  for (uint32_t i = 0; i < 10; ++i) px.push_back(0xFF000000u | i);
  Load(source, 10, 1, px);
  MemoryImage dest(&host);
  Fill(dest, 4, 1, 0xFF000000);
  dest.DrawImageStretched(&source, Rect(0, 0, 4, 1), Rect(0, 0, 10, 1), Rect(0, 0, 4, 1), Color::White, 0, true);
  // Columns 0, 2.5, 5, 7.5 truncated to 0, 2, 5, 7; opaque pixels land exactly.
  EXPECT_EQ(Pixels(dest), (std::vector<uint32_t>{0xFF000000, 0xFF000002, 0xFF000005, 0xFF000007}));
}

TEST(StretchDraw, FastStretchNeedsOpaqueWhite) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 2, 2, 0xFFFFFFFF);
  MemoryImage dest(&host);
  Fill(dest, 4, 4, 0xFF000000);
  const int before = dest.changeCount;
  dest.DrawImageStretched(&source, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color(255, 0, 0, 128), 0,
                          true);
  EXPECT_EQ(Pixels(dest), std::vector<uint32_t>(16, 0xFF000000));
  EXPECT_EQ(dest.changeCount, before);
}

TEST(StretchDraw, SmoothShrinkAveragesAndIgnoresColour) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 2, 1, {0xFFFF0000, 0xFF000000});
  for (const Color& tint : {Color::White, Color(255, 0, 0, 128), Color(0, 0, 255)}) {
    MemoryImage dest(&host);
    Fill(dest, 1, 1, 0xFFFFFFFF);
    dest.DrawImageStretched(&source, Rect(0, 0, 1, 1), Rect(0, 0, 2, 1), Rect(0, 0, 1, 1), tint, 3, false);
    // The mean of 255 and 0, rounded.
    EXPECT_EQ(Pixel(dest, 0, 0), 0xFF800000u);
  }
}

TEST(StretchDraw, SmoothEnlargeInterpolatesAndKeepsEnds) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 2, 1, {0xFF0000FF, 0xFF00FF00});
  MemoryImage dest(&host);
  Fill(dest, 5, 1, 0xFF000000);
  dest.DrawImageStretched(&source, Rect(0, 0, 5, 1), Rect(0, 0, 2, 1), Rect(0, 0, 5, 1), Color::White, 0, false);
  // Ends are the source pixels at full weight, exactly.
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(Pixel(dest, 4, 0), 0xFF00FF00u);
  const uint32_t mid = Pixel(dest, 2, 0);
  EXPECT_NEAR(static_cast<int>(mid & 0xFF), 127, 2);
  EXPECT_NEAR(static_cast<int>((mid >> 8) & 0xFF), 127, 2);
}

TEST(StretchDraw, ClipDecidesWhetherAnythingHappens) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 4, 4, 0xFFFFFFFF);
  MemoryImage dest(&host);
  Fill(dest, 8, 8, 0xFF000000);
  for (bool fast : {true, false}) {
    int before = dest.changeCount;
    dest.DrawImageStretched(&source, Rect(20, 20, 8, 8), Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, fast);
    EXPECT_EQ(dest.changeCount, before);
    dest.DrawImageStretched(&source, Rect(-4, -4, 8, 8), Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, fast);
    EXPECT_EQ(dest.changeCount, before + 1);
  }
}

TEST(StretchDraw, ClipStretchRectsMapsTheCut) {
  DoubleRect sd;
  Rect dc;
  ASSERT_TRUE(MemoryImage::ClipStretchRects(Rect(0, 0, 10, 10), Rect(5, 0, 100, 100), Rect(0, 0, 20, 20), sd, dc));
  EXPECT_EQ(dc, Rect(5, 0, 15, 20));
  EXPECT_EQ(sd, DoubleRect(2.5, 0, 7.5, 10));
  ASSERT_TRUE(
      MemoryImage::ClipStretchRectsMirrored(Rect(0, 0, 10, 10), Rect(0, 0, 15, 100), Rect(0, 0, 20, 20), sd, dc));
  EXPECT_EQ(dc, Rect(0, 0, 15, 20));
  EXPECT_EQ(sd, DoubleRect(2.5, 0, 7.5, 10));
  EXPECT_FALSE(MemoryImage::ClipStretchRects(Rect(0, 0, 0, 10), Rect(0, 0, 100, 100), Rect(0, 0, 20, 20), sd, dc));
  EXPECT_FALSE(MemoryImage::ClipStretchRects(Rect(0, 0, 5, 5), Rect(0, 0, 100, 100), Rect(0, 0, -4, 20), sd, dc));
}

// Source rectangles that reach outside the source image: both resamplers
// must stay inside the pixels (ASan watches), and draw what lies inside.
TEST(StretchDraw, SourceRectangleOutsideTheImageIsNeverReadOutside) {
  const Rect sources[] = {Rect(-3, -2, 10, 9), Rect(2, 2, 50, 50), Rect(-100, 0, 3, 3), Rect(3, 3, 1, 1)};
  const Rect dests[] = {Rect(0, 0, 9, 7), Rect(1, 1, 3, 2), Rect(-5, -5, 20, 20), Rect(2, 3, 1, 1)};
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 4, 4, 0xFF808080);
  MemoryImage paletteSource(&host);
  Fill(paletteSource, 4, 4, 0x80FF00FF);
  ASSERT_TRUE(paletteSource.ConvertToPalette());
  for (const Rect& s : sources) {
    for (const Rect& d : dests) {
      for (bool fast : {true, false}) {
        MemoryImage dest(&host);
        Fill(dest, 10, 10, 0xFF000000);
        dest.DrawImageStretched(&source, d, s, Rect(0, 0, 10, 10), Color::White, 0, fast);
        dest.DrawImageStretched(&paletteSource, d, s, Rect(0, 0, 10, 10), Color::White, 0, fast);
        EXPECT_EQ(dest.GetBits()[100], kBitsSentinel);
      }
    }
  }
  MemoryImage dest(&host);
  Fill(dest, 10, 10, 0xFF000000);
  dest.DrawImageStretchedSmooth(&source, Rect(0, 0, 10, 10), DoubleRect(-1e300, 0, 1e300, 5), Color::White, 0);
  dest.DrawImageStretchedSmooth(&source, Rect(0, 0, 10, 10), DoubleRect(1.5, 0.5, 2.0, 0.25), Color::White, 0);
  EXPECT_EQ(dest.GetBits()[100], kBitsSentinel);
}

// The smooth stretch's row-cached SSE2 filter against its plain twin:
// seeded sources (straight and palette form, every alpha class), shrinking
// and enlarging by many factors, clipped targets and fractional source
// rectangles, onto opaque and translucent targets; equal bit for bit.
TEST(StretchDraw, SmoothFastFilterMatchesItsTwin) {
  RecordingHost host;
  uint32_t state = 12345u;
  auto next = [&state](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  for (int round = 0; round < 120; ++round) {
    const int32_t sw = 1 + static_cast<int32_t>(next(40)), sh = 1 + static_cast<int32_t>(next(30));
    std::vector<uint32_t> px(static_cast<size_t>(sw) * sh);
    for (auto& v : px) {
      const uint32_t a = next(3) == 0 ? 0 : (next(2) == 0 ? 255 : next(256));
      v = a << 24 | (next(4) == 0 ? 0xFFFFFFu : next(0x1000000));
    }
    MemoryImage source(&host);
    source.SetBits(px.data(), sw, sh, true);
    if (round % 4 == 0) source.ConvertToPalette();
    const Rect target(static_cast<int32_t>(next(20)) - 10, static_cast<int32_t>(next(20)) - 10,
                      1 + static_cast<int32_t>(next(120)), 1 + static_cast<int32_t>(next(90)));
    const DoubleRect from(next(50) / 10.0, next(40) / 10.0, 0.5 + next(sw * 10) / 10.0, 0.5 + next(sh * 10) / 10.0);
    std::vector<uint32_t> back(64 * 48);
    for (auto& v : back) v = (round % 3 == 0 ? next(256) << 24 : 0xFF000000u) | next(0x1000000);
    std::vector<uint32_t> results[2];
    for (int reference = 0; reference < 2; ++reference) {
      ForceReferencePaths(reference == 1);
      MemoryImage dest(&host);
      dest.SetBits(back.data(), 64, 48, true);
      dest.DrawImageStretchedSmooth(&source, target, from, Color::White, 0);
      results[reference] = Pixels(dest);
    }
    ForceReferencePaths(false);
    EXPECT_EQ(results[0], results[1]) << "round " << round;
  }
}

// Halving on whole pixels takes its own loop (each cell the rounded mean of
// a 2 x 2 block); it must land exactly as the general filter does, whole,
// clipped, off the image's corner, with row ends of every length, onto
// translucent pixels and from a palette picture (which takes the general
// loop).
TEST(StretchDraw, SmoothHalvingMatchesItsTwin) {
  struct Case {
    const char* name;
    int32_t sw, sh;
    DoubleRect from;
    Rect target;
    bool palette, translucentBack;
  };
  const Case cases[] = {
      {"32 to 16", 32, 32, DoubleRect(0, 0, 32, 32), Rect(3, 5, 16, 16), false, false},
      {"clipped left and top", 32, 32, DoubleRect(0, 0, 32, 32), Rect(-5, -3, 16, 16), false, false},
      {"clipped right and bottom", 40, 30, DoubleRect(0, 0, 40, 30), Rect(50, 40, 20, 15), false, false},
      {"row of 19 cells", 38, 6, DoubleRect(0, 0, 38, 6), Rect(0, 0, 19, 3), false, false},
      {"inner rectangle", 40, 30, DoubleRect(3, 5, 34, 22), Rect(1, 2, 17, 11), false, false},
      {"odd source", 33, 17, DoubleRect(0, 0, 33, 17), Rect(0, 0, 16, 8), false, false},
      {"onto translucent pixels", 32, 32, DoubleRect(0, 0, 32, 32), Rect(2, 2, 16, 16), false, true},
      {"palette picture", 32, 32, DoubleRect(0, 0, 32, 32), Rect(2, 2, 16, 16), true, false},
  };
  RecordingHost host;
  uint32_t state = 777u;
  auto next = [&state](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> px(static_cast<size_t>(c.sw) * c.sh);
    for (auto& v : px) {
      const uint32_t a = next(3) == 0 ? 0 : (next(2) == 0 ? 255 : next(256));
      v = a << 24 | next(0x1000000);
    }
    MemoryImage source(&host);
    source.SetBits(px.data(), c.sw, c.sh, true);
    if (c.palette) source.ConvertToPalette();
    std::vector<uint32_t> back(64 * 48);
    for (auto& v : back) v = (c.translucentBack ? next(256) << 24 : 0xFF000000u) | next(0x1000000);
    std::vector<uint32_t> results[2];
    for (int reference = 0; reference < 2; ++reference) {
      ForceReferencePaths(reference == 1);
      MemoryImage dest(&host);
      dest.SetBits(back.data(), 64, 48, true);
      dest.DrawImageStretchedSmooth(&source, c.target, c.from, Color::White, 0);
      results[reference] = Pixels(dest);
    }
    ForceReferencePaths(false);
    EXPECT_EQ(results[0], results[1]) << c.name;
    EXPECT_NE(results[0], back) << c.name;
  }
}

}  // namespace
}  // namespace KivoTest
