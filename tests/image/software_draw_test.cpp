#include <gtest/gtest.h>

#include <vector>

#include "image_test_support.h"
#include "image/Blend.h"
#include "image/BlitKernels.h"

namespace KivoTest {
namespace {

TEST(SoftwareFill, BlendCases) {
  struct Case {
    uint32_t dest;
    Color color;
    uint32_t expected;
  };
  const Case cases[] = {
      {0x00000000, Color(255, 0, 0, 128), 0x80FF0000}, {0xFFFFFFFF, Color(0, 0, 255, 128), 0xFF7F7FFF},
      {0x00000000, Color(10, 20, 30, 0), 0x00000000},  {0x12345678, Color(255, 255, 255, 0), 0x12345678},
      {0x12345678, Color(1, 2, 3, 255), 0xFF010203},
  };
  for (bool reference : {false, true}) {
    ForceReferencePaths(reference);
    for (const Case& c : cases) {
      RecordingHost host;
      MemoryImage image(&host);
      Fill(image, 3, 2, c.dest);
      image.FillRect(Rect(0, 0, 3, 2), c.color, 0);
      for (uint32_t v : Pixels(image)) EXPECT_EQ(v, c.expected) << std::hex << c.dest;
    }
  }
  ForceReferencePaths(false);
}

TEST(SoftwareFill, FillIgnoresModeAndStaysInsideImage) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 4, 4, 0xFF000000);
  image.FillRect(Rect(-10, 2, 100, 100), Color(255, 255, 255), 3);
  EXPECT_EQ(Pixel(image, 0, 1), 0xFF000000u);
  EXPECT_EQ(Pixel(image, 3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(image.GetBits()[16], kBitsSentinel);
}

TEST(OverTables, MatchDivisionsOverWholeRange) {
  const OverTables& t = GetOverTables();
  for (uint32_t A = 0; A < 256; ++A) {
    for (uint32_t Da = 0; Da < 256; ++Da) {
      const uint32_t N = OverAlphaReference(A, Da);
      ASSERT_EQ(t.newAlpha[(A << 8) | Da], N);
      ASSERT_EQ(t.weight[(A << 8) | Da], OverWeightReference(A, N));
      ASSERT_LE(N, 255u);
    }
  }
}

std::vector<std::pair<int, int>> Written(MemoryImage& image, uint32_t background) {
  std::vector<std::pair<int, int>> out;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (Pixel(image, x, y) != background) out.push_back({x, y});
  return out;
}

TEST(SoftwareLine, PixelsOfLines) {
  struct Case {
    double x1, y1, x2, y2;
    std::vector<std::pair<int, int>> pixels;
  };
  const Case cases[] = {
      {2.0, 5.0, 2.0, 1.0, {{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
      {3, 3, 0, 0, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
      {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
      {1, 6, 4, 5.0, {{3, 5}, {4, 5}, {1, 6}, {2, 6}}},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    MemoryImage image(&host);
    Fill(image, 8, 8, 0xFF000000);
    image.DrawLine(c.x1, c.y1, c.x2, c.y2, Color(255, 255, 255), 0);
    EXPECT_EQ(Written(image, 0xFF000000), c.pixels) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
  }
}

TEST(SoftwareLine, PixelValuesByMode) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 4, 4, 0xFF808080);
  // An opaque line lands its colour exactly, on a diagonal (stepped) line
  // as on a straight one.
  for (const Color& colour : {Color(255, 255, 255), Color(200, 100, 50), Color(1, 254, 0)}) {
    const uint32_t expected = 0xFF000000u | static_cast<uint32_t>(colour.red) << 16 |
                              static_cast<uint32_t>(colour.green) << 8 | static_cast<uint32_t>(colour.blue);
    Fill(image, 4, 4, 0xFF808080);
    image.DrawLine(0, 0, 3, 3, colour, 0);
    EXPECT_EQ(Pixel(image, 1, 1), expected);
    image.DrawLine(0, 2, 3, 2, colour, 0);
    EXPECT_EQ(Pixel(image, 3, 2), expected);
  }
  Fill(image, 4, 4, 0x00000000);
  image.DrawLine(0, 0, 3, 3, Color(255, 0, 0, 128), 0);
  // A translucent line rounds once: (255 * 128 + 0 * 127 + 127) / 255 = 128.
  EXPECT_EQ(Pixel(image, 2, 2), 0xFF800000u);
  Fill(image, 4, 4, 0xFF808080);
  image.DrawLine(0, 0, 3, 3, Color(255, 255, 255), 1);
  EXPECT_EQ(Pixel(image, 3, 3), 0xFFFFFFFFu);
  Fill(image, 4, 4, 0xFF808080);
  const int before = image.changeCount;
  image.DrawLine(0, 0, 3, 3, Color(255, 255, 255), 2);
  EXPECT_EQ(Pixels(image), std::vector<uint32_t>(16, 0xFF808080));
  EXPECT_EQ(image.changeCount, before + 1);
}

// Game code draws lines straight onto images: endpoints outside the image
// must write only the in-image pixels of the same line.
TEST(SoftwareLine, EndpointsOutsideTheImageAreClipped) {
  struct Case {
    double x1, y1, x2, y2;
  };
  const Case cases[] = {{-5, -3, 12, 9}, {-20, 2, 30, 5}, {3, -40, 6, 50}, {15, 15, -15, -14}, {-1e30, 0, 1e30, 1}};
  for (int mode : {0, 1}) {
    for (const Case& c : cases) {
      RecordingHost host;
      MemoryImage big(&host);
      Fill(big, 80, 80, 0xFF000000);
      const bool sane = c.x1 > -1000;
      // The same line drawn on a large image, shifted so it lies inside.
      if (sane) big.DrawLine(c.x1 + 40, c.y1 + 40, c.x2 + 40, c.y2 + 40, Color(200, 100, 50), mode);
      MemoryImage small(&host);
      Fill(small, 8, 8, 0xFF000000);
      small.DrawLine(c.x1, c.y1, c.x2, c.y2, Color(200, 100, 50), mode);
      EXPECT_EQ(small.GetBits()[64], kBitsSentinel);
      if (!sane) continue;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(small, x, y), Pixel(big, x + 40, y + 40)) << x << "," << y;
    }
  }
}

TEST(SoftwareLine, AntialiasedShortLineBlendsOnePixelTwice) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 4, 4, 0xFF000000);
  image.DrawLineAntialiased(1.2, 1.3, 1.7, 1.8, Color(255, 255, 255), 0);
  // Two blends with weight 240 onto black: 240 * 255 / 255 = 240 each time.
  const uint32_t once = BlendOver(0xFF000000, 255, 255, 255, 240, false);
  const uint32_t twice = BlendOver(once, 255, 255, 255, 240, false);
  EXPECT_EQ(Pixel(image, 1, 1), twice);
  EXPECT_EQ(Written(image, 0xFF000000).size(), 1u);
}

TEST(SoftwareLine, AntialiasedLinesNeverLeaveTheImage) {
  // Steep lines at x = 0 stepping left, flat lines on the last row, and
  // lines crossing the image from far outside.
  const double lines[][4] = {{0.5, 0.2, -3.5, 7.9}, {0.9, 0.1, 0.1, 7.9}, {0.1, 7.5, 7.9, 7.9},
                             {-30, -20, 40, 30},    {7.9, 0.1, 0.2, 6.3}, {-5, 3.5, 12, 3.7}};
  for (const auto& l : lines) {
    RecordingHost host;
    MemoryImage image(&host);
    Fill(image, 8, 8, 0xFF000000);
    image.DrawLineAntialiased(l[0], l[1], l[2], l[3], Color(255, 255, 255, 200), 0);
    EXPECT_EQ(image.GetBits()[64], kBitsSentinel);
  }
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 8, 8, 0xFF000000);
  image.DrawLineAntialiased(0, 0, 3, 7.5, Color(255, 255, 255), 1);
  EXPECT_EQ(Written(image, 0xFF000000).size(), 0u);
}

TEST(SoftwareCoverage, CoverageWeights) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 4, 1, 0xFF000000);
  const uint8_t coverage[4] = {0, 255, 128, 0};
  const ImageSpan span{0, 0, 4};
  image.FillSpansWithCoverage(&span, 1, Color(255, 255, 255), 5, coverage, 0, 0, 4, 0);
  EXPECT_EQ(Pixel(image, 0, 0), 0xFF000000u);
  EXPECT_EQ(Pixel(image, 1, 0), 0xFFFFFFFFu);  // full coverage lands exactly
  EXPECT_EQ(Pixel(image, 2, 0), BlendOver(0xFF000000, 255, 255, 255, (129 * 255) >> 8, false));
}

constexpr uint32_t kT = 0x00000000, kO = 0xFF0000FF, kP = 0x80FF0000;

TEST(SoftwareBlit, RunTableFastPathSkipsAndCopies) {
  for (bool reference : {false, true}) {
    ForceReferencePaths(reference);
    RecordingHost host;
    MemoryImage source(&host);
    Load(source, 5, 1, {kT, kT, kT, kO, 0xFF00FF00});
    MemoryImage dest(&host);
    Fill(dest, 4, 1, 0xFF111111);
    dest.DrawImage(&source, 0, 0, Rect(1, 0, 4, 1), Color::White, 0);
    EXPECT_EQ(Pixels(dest), (std::vector<uint32_t>{0xFF111111, 0xFF111111, kO, 0xFF00FF00}));
    EXPECT_TRUE(source.drawn);
  }
  ForceReferencePaths(false);
}

TEST(SoftwareBlit, PartialOntoOpaqueStaysOpaque) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 1, 1, {kP});
  MemoryImage dest(&host);
  Fill(dest, 1, 1, 0xFF0000FF);
  dest.DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
  // (0 * 128 + 255 * 128) >> 8 = 127 red, blue (255 * 128) >> 8 = 127.
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFF7F007Fu);
}

TEST(SoftwareBlit, TintedAndTransparentDestinations) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 2, 1, {0xFFC8C8C8, kT});
  MemoryImage dest(&host);
  Load(dest, 2, 1, {0x00000000, 0x00000000});
  dest.DrawImage(&source, 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFFC8C8C8u);  // the source makes the whole alpha: w = 256
  EXPECT_EQ(Pixel(dest, 1, 0), 0u);

  Load(dest, 1, 1, {0xFF000000});
  dest.hasTransparency = true;
  dest.DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color(128, 128, 128), 0);
  // Grey tint 128 weighs 129 of 256 and the opaque pixel 256:
  // 200 * 129 * 256 >> 16 = 100 in every channel.
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFF646464u);

  Load(dest, 1, 1, {0xFF000000});
  dest.hasTransparency = true;
  dest.DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color(255, 0, 128), 0);
  // Other tint: 200 * cc' * 256 / 65536, cc' being 256 for 255 and 129 for
  // 128: the full red channel keeps the source's 200.
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFFC80064u);
}

// A translucent grey tint keeps a grey source grey: every channel rounds
// tint and weight once, on the four-pixel loop and the reference twin
// alike (77 * 129 * 200 / 65536 = 30; rounding twice gave 29 in red and
// blue).
TEST(SoftwareBlit, TranslucentGreyTintKeepsGreyGrey) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 8, 1, 0xFF4D4D4D);
  for (bool reference : {false, true}) {
    ForceReferencePaths(reference);
    MemoryImage dest(&host);
    Fill(dest, 8, 1, 0xFF000000);
    dest.DrawImage(&source, 0, 0, Rect(0, 0, 8, 1), Color(128, 128, 128, 200), 0);
    EXPECT_EQ(Pixels(dest), std::vector<uint32_t>(8, 0xFF1E1E1Eu)) << (reference ? "reference" : "fast");
  }
  ForceReferencePaths(false);
}

TEST(SoftwareBlit, AdditiveCases) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 1, 1, 0xFF808080);
  MemoryImage dest(&host);
  Fill(dest, 1, 1, 0xFF808080);
  dest.DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color::White, 1);
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFFFFFFFFu);

  // Partial alpha weights the source (alpha 128 weighs 129 of 256, so
  // 255 adds 128); the destination alpha never changes.
  Load(source, 1, 1, {0x80FF0000});
  Load(dest, 1, 1, {0x40000010});
  dest.DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color::White, 1);
  EXPECT_EQ(Pixel(dest, 0, 0), 0x40800010u);

  // Modes 2 to 5 draw nothing.
  for (int mode = 2; mode <= 5; ++mode) {
    Fill(dest, 1, 1, 0xFF101010);
    const int before = dest.changeCount;
    dest.DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color::White, mode);
    EXPECT_EQ(Pixel(dest, 0, 0), 0xFF101010u);
    EXPECT_EQ(dest.changeCount, before);
  }
}

TEST(SoftwareBlit, BlitClipsSourceAndDestination) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 4, 4, 0xFF00FF00);
  MemoryImage dest(&host);
  Fill(dest, 4, 4, 0xFF000000);
  // Source pixel (0, 0) lands at (-1, 0): columns 0..2 receive source
  // columns 1..3.
  dest.DrawImage(&source, -2, -1, Rect(-1, -1, 10, 10), Color::White, 0);
  EXPECT_EQ(Pixel(dest, 0, 3), 0xFF00FF00u);
  EXPECT_EQ(Pixel(dest, 3, 0), 0xFF000000u);
  Fill(dest, 4, 4, 0xFF000000);
  dest.DrawImage(&source, 2, 2, Rect(3, 3, 10, 10), Color::White, 1);
  dest.DrawImage(&source, 3, 3, Rect(0, 0, 4, 4), Color::White, 0);
  EXPECT_EQ(dest.GetBits()[16], kBitsSentinel);
  EXPECT_EQ(Pixel(dest, 2, 2), 0xFF00FF00u);
  EXPECT_EQ(Pixel(dest, 2, 3), 0xFF000000u);
  EXPECT_EQ(Pixel(dest, 3, 3), 0xFF00FF00u);
}

TEST(SoftwareBlit, MirroredDrawsOnPlainMemoryImageDoNothing) {
  RecordingHost host;
  MemoryImage source(&host);
  Fill(source, 2, 2, 0xFFFFFFFF);
  MemoryImage dest(&host);
  Fill(dest, 2, 2, 0xFF000000);
  dest.DrawImageMirrored(&source, 0, 0, Rect(0, 0, 2, 2), Color::White, 0);
  dest.DrawImageStretchedMirrored(&source, Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Color::White, 0, true);
  EXPECT_EQ(Pixels(dest), std::vector<uint32_t>(4, 0xFF000000));
}

// After a clear, an image still flagged opaque would take the opaque fast
// path and write alpha 255 over the cleared pixels.
TEST(SoftwareBlit, BlitAfterClearKeepsPartialAlpha) {
  for (bool clearAll : {false, true}) {
    RecordingHost host;
    MemoryImage dest(&host);
    Fill(dest, 2, 1, 0xFF000000);
    ASSERT_FALSE(dest.hasTransparency);
    if (clearAll) {
      dest.ClearBits();
    } else {
      dest.ClearRect(Rect(0, 0, 2, 1));
    }
    MemoryImage source(&host);
    Load(source, 2, 1, {0x80FF0000, 0x80FF0000});
    dest.DrawImage(&source, 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
    EXPECT_EQ(Pixel(dest, 0, 0) >> 24, 0x80u);
  }
}

TEST(SoftwareBlit, PaletteSourceDrawsLikeBits) {
  RecordingHost host;
  MemoryImage source(&host);
  Load(source, 4, 1, {kT, kO, kP, kO});
  MemoryImage plain(&host);
  Fill(plain, 4, 1, 0xFF202020);
  plain.DrawImage(&source, 0, 0, Rect(0, 0, 4, 1), Color::White, 0);
  ASSERT_TRUE(source.ConvertToPalette());
  MemoryImage fromPalette(&host);
  Fill(fromPalette, 4, 1, 0xFF202020);
  fromPalette.DrawImage(&source, 0, 0, Rect(0, 0, 4, 1), Color::White, 0);
  EXPECT_EQ(Pixels(fromPalette), Pixels(plain));
  EXPECT_NE(source.palette, nullptr);
}

}  // namespace
}  // namespace KivoTest

namespace KivoTest {
namespace {

TEST(BlitKernels, Div255FloorIsExactOverItsRange) {
  for (uint32_t x = 0; x <= 255u * 255u; ++x) ASSERT_EQ(BlitKernels::Div255Floor(x), x / 255) << x;
}

}  // namespace
}  // namespace KivoTest

namespace KivoTest {
namespace {

TEST(Reciprocals, ExactForEveryDivisorAndNumerator) {
  const Reciprocals& r = GetReciprocals();
  for (uint64_t d = 1; d <= 256; ++d) {
    for (uint64_t n = 0; n < (1u << 17); ++n) {
      if (((n * r.of[d]) >> kReciprocalShift) != n / d) FAIL() << n << " / " << d;
    }
  }
}

}  // namespace
}  // namespace KivoTest

#ifdef KIVO_BLIT_SSE2
namespace KivoTest {
namespace {

TEST(BlitKernels, DivideExactMatchesIntegerDivision) {
  for (int d = 1; d <= 256; ++d) {
    const __m128 df = _mm_set1_ps(static_cast<float>(d));
    for (int n = 0; n < (1 << 17); n += 4) {
      alignas(16) int32_t q[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(q),
                      BlitKernels::DivideExact(_mm_set_epi32(n + 3, n + 2, n + 1, n), df));
      for (int k = 0; k < 4; ++k) {
        if (q[k] != (n + k) / d) FAIL() << (n + k) << " / " << d << " gave " << q[k];
      }
    }
  }
}

}  // namespace
}  // namespace KivoTest
#endif
