// Software drawing into surfaces: fills, plain, additive and mirrored
// blits, rotated draws, lines and stretches, on 5-6-5, 5-5-5 and 8-8-8.
#include <cmath>
#include <random>
#include <set>
#include <utility>

#include "image/Blend.h"
#include "image/surface/DDImagePixels.h"
#include "tests/image/exact_samples.h"
#include "tests/image/surface/ddimage_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::SetSurfacePixel;
using DDrawTest::SurfaceImageFixture;
using DDrawTest::SurfacePixel;
using Kivo::Color;
using Kivo::DDImage;
using Kivo::Rect;

// The channels of a surface pixel as (r, g, b) field values.
struct Fields {
  uint32_t r, g, b;
};
Fields Split(const Kivo::DDInterface& d, uint32_t p) {
  return {(p & d.redMask) >> d.redShift, (p & d.greenMask) >> d.greenShift, (p & d.blueMask) >> d.blueShift};
}

TEST_F(SurfaceImageFixture, OpaqueAndTranslucentFills) {
  struct Case {
    Format format;
    Color color;
    uint32_t before;
    uint32_t after;
  };
  const Case cases[] = {
      {Format::kRGB565, Color(255, 0, 0, 255), 0xFF000000u, 0xF800u},
      {Format::kRGB565, Color(255, 255, 255, 255), 0xFF000000u, 0xFFFFu},
      {Format::kRGB555, Color(255, 255, 255, 255), 0xFF000000u, 0x7FFFu},
      // An opaque fill lands its colour exactly, as a blit of it would.
      {Format::kRGB888, Color(255, 255, 255, 255), 0xFF000000u, 0x00FFFFFFu},
      // Alpha 0 reached directly leaves 16-bit pixels, clears the 32-bit top byte.
      {Format::kRGB565, Color(255, 255, 255, 0), 0xFF123456u, 0x11AAu},
      {Format::kRGB888, Color(255, 255, 255, 0), 0xFF123456u, 0x00123456u},
  };
  for (const Case& c : cases) {
    StartDisplay(c.format);
    auto image = MakeSurfaceImage(4, 4, c.before);
    if (c.format == Format::kRGB888) SetSurfacePixel(*image, 1, 1, 0xAB123456u);
    image->FillRectNormal(Rect(1, 1, 2, 2), c.color);
    EXPECT_EQ(SurfacePixel(*image, 1, 1), c.after);
    EXPECT_EQ(SurfacePixel(*image, 3, 3), SurfacePixel(*image, 0, 0));
  }
}

TEST_F(SurfaceImageFixture, AdditiveFillSaturates) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto image = MakeSurfaceImage(2, 1, 0xFF000000u);
    // (100, 0, 0, 128): 100 * 128 / 255 = 50, at the red field's width.
    const uint32_t step = 50u >> (8 - display->redBits);
    image->FillRect(Rect(0, 0, 2, 1), Color(100, 0, 0, 128), 1);
    EXPECT_EQ(Split(*display, SurfacePixel(*image, 0, 0)).r, step);
    for (int i = 0; i < 12; ++i) image->FillRect(Rect(0, 0, 2, 1), Color(100, 0, 0, 128), 1);
    const uint32_t maximum = (1u << display->redBits) - 1;
    EXPECT_EQ(Split(*display, SurfacePixel(*image, 1, 0)).r, std::min(maximum, 13 * step));
    image->FillRect(Rect(0, 0, 2, 1), Color::White, 1);
    const Fields white = Split(*display, SurfacePixel(*image, 0, 0));
    EXPECT_EQ(white.r, maximum);
    EXPECT_EQ(white.g, (1u << display->greenBits) - 1);
  }
}

TEST_F(SurfaceImageFixture, FillsTakeTheRightPath) {
  StartDisplay(Format::kRGB565);
  // A transparent image is filled in memory, its surface dropped.
  auto keyed = MakeImage(2, 1, {0x00000000u, 0xFF000000u});
  ASSERT_TRUE(keyed->CreateSurface());
  keyed->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), 0);
  EXPECT_EQ(keyed->surface, nullptr);
  ASSERT_NE(keyed->bits, nullptr);
  EXPECT_EQ(keyed->bits[0], 0xFFFF0000u);
  // Another mode draws nothing and must keep the only pixels there are.
  auto plain = MakeImage(2, 1, {0xFF0000FFu, 0xFF0000FFu});
  plain->FillRect(Rect(0, 0, 2, 1), Color(255, 0, 0), 2);
  ASSERT_NE(plain->bits, nullptr);
  EXPECT_EQ(plain->bits[0], 0xFF0000FFu);
  // A fill that cannot lock keeps the memory copies too.
  DDrawStandIn::GetFaults().lock = DDERR_SURFACELOST;
  plain->FillRect(Rect(0, 0, 2, 1), Color(255, 0, 0), 0);
  DDrawStandIn::GetFaults().lock = 0;
  ASSERT_NE(plain->bits, nullptr);
  EXPECT_EQ(plain->GetBits()[1], 0xFF0000FFu);
  // A fill that reached the surface drops the copies and counts a change.
  const int32_t changes = plain->changeCount;
  plain->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), 0);
  EXPECT_EQ(plain->bits, nullptr);
  EXPECT_GT(plain->changeCount, changes);
  EXPECT_EQ(plain->GetBits()[0], 0xFFF80000u);
  EXPECT_FALSE(plain->FillPolygon(nullptr, 0, Rect(), Color::White, 0, 0, 0, false));
}

TEST_F(SurfaceImageFixture, BlendedBlitsHalveTheTargetAndCopyOpaquePixels) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto target = MakeSurfaceImage(3, 1, 0xFFFFFFFFu);
    const uint32_t white = SurfacePixel(*target, 0, 0);
    // Pure half-alpha black: native value 0x80000000, so the target halves.
    auto sprite = MakeImage(2, 1, {0x80000000u, 0xFF00FF00u});
    target->DrawImage(sprite.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
    const Fields half = Split(*display, SurfacePixel(*target, 0, 0));
    const Fields full = Split(*display, white);
    EXPECT_EQ(half.r, full.r / 2);
    EXPECT_EQ(half.g, full.g / 2);
    EXPECT_EQ(half.b, full.b / 2);
    const Fields green = Split(*display, SurfacePixel(*target, 1, 0));
    EXPECT_EQ(green.r, 0u);
    EXPECT_EQ(green.g, (1u << display->greenBits) - 1);
    EXPECT_EQ(SurfacePixel(*target, 2, 0), white);
  }
}

TEST_F(SurfaceImageFixture, VolatileSourceBlendsByMasksWhenBlueIsHigh) {
  StartDisplay(Format::kBGR888);
  EXPECT_FALSE(Kivo::gDisplayIsRGB);
  auto target = MakeSurfaceImage(1, 1, 0xFF000000u);
  Kivo::MemoryImage source;
  const uint32_t red = 0xFFFF0000u;
  source.SetBits(&red, 1, 1, true);
  source.SetVolatile(true);
  target->DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
  // Red lands in the low byte, where the blue-high layout keeps it, whole.
  EXPECT_EQ(SurfacePixel(*target, 0, 0), 0x000000FFu);
}

TEST_F(SurfaceImageFixture, VolatileOpaqueSourceReplacesThe565Target) {
  StartDisplay(Format::kRGB565);
  auto target = MakeSurfaceImage(1, 1, 0xFFFFFFFFu);
  Kivo::MemoryImage source;
  const uint32_t black = 0xFF000000u;
  source.SetBits(&black, 1, 1, true);
  source.SetVolatile(true);
  target->DrawImage(&source, 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
  // Factor 32 of 32 toward black: nothing of the white stays.
  EXPECT_EQ(SurfacePixel(*target, 0, 0), 0u);
  EXPECT_EQ(source.nativeData, nullptr);
}

TEST_F(SurfaceImageFixture, GreyColourisedOpaquePixelScalesToHalf) {
  StartDisplay(Format::kRGB565);
  auto target = MakeSurfaceImage(1, 1, 0xFF000000u);
  auto sprite = MakeImage(1, 1, {0xFFFFFFFFu});
  target->DrawImage(sprite.get(), 0, 0, Rect(0, 0, 1, 1), Color(128, 128, 128, 255), 0);
  EXPECT_EQ(Split(*display, SurfacePixel(*target, 0, 0)).r, 15u);
  EXPECT_EQ(Split(*display, SurfacePixel(*target, 0, 0)).g, 31u);
}

TEST_F(SurfaceImageFixture, MirroredAndAdditiveBlits) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto target = MakeSurfaceImage(4, 1, 0xFF000000u);
    auto row = MakeImage(3, 1, {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u});
    target->DrawImageMirrored(row.get(), 1, 0, Rect(0, 0, 3, 1), Color::White, 0);
    EXPECT_GT(Split(*display, SurfacePixel(*target, 1, 0)).r, 0u);
    EXPECT_GT(Split(*display, SurfacePixel(*target, 2, 0)).g, 0u);
    EXPECT_GT(Split(*display, SurfacePixel(*target, 3, 0)).b, 0u);
    EXPECT_EQ(SurfacePixel(*target, 0, 0), 0u);

    auto white = MakeImage(1, 1, {0xFFFFFFFFu});
    target->DrawImage(white.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 1);
    target->DrawImage(white.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 1);
    const Fields sum = Split(*display, SurfacePixel(*target, 0, 0));
    EXPECT_EQ(sum.r, (1u << display->redBits) - 1);
    EXPECT_EQ(sum.g, (1u << display->greenBits) - 1);
  }
}

TEST_F(SurfaceImageFixture, MirroredDrawIntoAnImageWithoutSurfaceKeepsItsPixels) {
  StartDisplay(Format::kRGB888);
  auto partial = MakeImage(2, 1, {0x80FFFFFFu, 0xFF000000u});
  auto sprite = MakeImage(1, 1, {0xFFFF0000u});
  partial->DrawImageMirrored(sprite.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
  ASSERT_NE(partial->bits, nullptr);
  EXPECT_EQ(partial->bits[0], 0x80FFFFFFu);
}

TEST_F(SurfaceImageFixture, RotatedAtAnIntegralPositionSkipsTheEdgeSamples) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto target = MakeSurfaceImage(8, 6, 0xFF000000u);
    auto source = MakeImage(4, 3, std::vector<uint32_t>(12, 0xFFFFFFFFu));
    target->DrawImageAtFloat(source.get(), 2.0f, 1.0f, Rect(0, 0, 4, 3), Rect(0, 0, 8, 6), Color::White, 0);
    std::set<std::pair<int, int>> drawn;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x)
        if (SurfacePixel(*target, x, y) != 0) drawn.insert({x, y});
    const std::set<std::pair<int, int>> expected = {{3, 1}, {4, 1}, {3, 2}, {4, 2}};
    EXPECT_EQ(drawn, expected);
  }
  // An exact opaque sample weighs the whole 256: white over black gives 255,
  // by the 8-8-8 form and (blue high) by the masks form alike.
  for (Format f : {Format::kRGB888, Format::kBGR888}) {
    StartDisplay(f);
    auto target = MakeSurfaceImage(8, 6, 0xFF000000u);
    auto source = MakeImage(4, 3, std::vector<uint32_t>(12, 0xFFFFFFFFu));
    target->DrawImageRotated(source.get(), 0.0f, 0.0f, Rect(0, 0, 4, 3), Rect(0, 0, 8, 6), Color::White, 0, 0.0, 0.0f,
                             0.0f);
    EXPECT_EQ(SurfacePixel(*target, 1, 0), 0x00FFFFFFu);
  }
  // On 5-6-5 the spread form replaces the target.
  StartDisplay(Format::kRGB565);
  auto target = MakeSurfaceImage(8, 6, 0xFFFFFFFFu);
  auto source = MakeImage(4, 3, std::vector<uint32_t>(12, 0xFF000000u));
  target->DrawImageRotated(source.get(), 0.0f, 0.0f, Rect(0, 0, 4, 3), Rect(0, 0, 8, 6), Color::White, 0, 0.0, 0.0f,
                           0.0f);
  EXPECT_EQ(SurfacePixel(*target, 1, 0), 0u);
}

// Whole-pixel positions and quarter turns sample every pixel exactly: on
// each surface form an opaque source pixel lands as it is (reduced to the
// field widths), a transparent one leaves the target alone, by the fast
// loop and the reference twin alike.
TEST_F(SurfaceImageFixture, RotatedExactSamplesLandExactly) {
  using namespace ExactSamples;
  for (Format f : {Format::kRGB565, Format::kRGB888, Format::kBGR888}) {
    StartDisplay(f);
    const Kivo::PixelPacker pack(*display);
    for (int reference = 0; reference < 2; ++reference) {
      Kivo::ForceReferencePaths(reference == 1);
      for (const Picture& picture : Pictures()) {
        auto source = MakeImage(kW, kH, picture.pixels);
        for (const Placement& p : kPlacements) {
          for (const Tint& tint : kTints) {
            auto target = MakeSurfaceImage(kTarget, kTarget, 0xFF204060u);
            const uint32_t before = SurfacePixel(*target, 0, 0);
            target->DrawImageRotated(source.get(), p.x, p.y, Rect(0, 0, kW, kH), Rect(0, 0, kTarget, kTarget),
                                     tint.color, 0, p.angle, p.cx, p.cy);
            int exact = 0;
            for (int Y = 0; Y < kTarget; ++Y) {
              for (int X = 0; X < kTarget; ++X) {
                const Sampled at = SampleOf(p, X, Y);
                const uint32_t sample = at.inside ? picture.pixels[static_cast<size_t>(at.v * kW + at.u)] : 0;
                const uint32_t want = (sample >> 24) == 0xFF ? pack(sample & tint.keep) : before;
                const uint32_t got = SurfacePixel(*target, X, Y);
                if (at.interior || !at.inside || got != before) {
                  EXPECT_EQ(got, want) << picture.name << " on format " << static_cast<int>(f) << " angle " << p.angle
                                       << " at " << X << "," << Y << (reference ? " (reference)" : "");
                }
                exact += at.interior && (sample >> 24) == 0xFF;
              }
            }
            EXPECT_GT(exact, 0);
          }
        }
      }
    }
    Kivo::ForceReferencePaths(false);
  }
}

// The 8-8-8 rotation's four-pixel loop against the per-pixel twin: seeded
// sprites (transparent, opaque and partial pixels) at random angles,
// positions, centres and source rectangles onto random screens, compared
// byte for byte.
TEST_F(SurfaceImageFixture, RotatedFourPixelLoopMatchesThePerPixelTwin) {
  StartDisplay(Format::kRGB888);
  std::mt19937 rng(4343);
  std::vector<uint32_t> pixels(37 * 29);
  for (uint32_t& p : pixels) {
    const uint32_t kind = rng() % 4;
    p = (kind == 0 ? 0u : kind == 1 ? 255u : rng() % 256) << 24 | (rng() & 0xFFFFFF);
  }
  auto source = MakeImage(37, 29, pixels);
  auto fast = MakeSurfaceImage(96, 80, 0xFF000000u);
  auto plain = MakeSurfaceImage(96, 80, 0xFF000000u);
  auto bytesOf = [](DDImage& image) {
    std::vector<uint8_t> bytes;
    if (!image.LockSurface()) return bytes;
    const auto* base = static_cast<const uint8_t*>(image.lockedDesc.lpSurface);
    for (int y = 0; y < 80; ++y) {
      const uint8_t* row = base + y * image.lockedDesc.lPitch;
      bytes.insert(bytes.end(), row, row + 96 * 4);
    }
    image.UnlockSurface();
    return bytes;
  };
  int changed = 0;
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const uint32_t background = rng();
    for (DDImage* target : {fast.get(), plain.get()}) {
      ASSERT_TRUE(target->LockSurface());
      std::mt19937 fill(background);
      for (int y = 0; y < 80; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target->lockedDesc.lpSurface) +
                                                y * target->lockedDesc.lPitch);
        for (int x = 0; x < 96; ++x) row[x] = fill();
      }
      target->UnlockSurface();
    }
    const std::vector<uint8_t> before = bytesOf(*fast);
    // One draw at a time, last argument first: the order of a call's
    // arguments differs between compilers, and the cases must not.
    const int32_t srcH = 16 + static_cast<int32_t>(rng() % 14), srcW = 20 + static_cast<int32_t>(rng() % 18);
    const int32_t srcY = static_cast<int32_t>(rng() % 6), srcX = static_cast<int32_t>(rng() % 6);
    const Rect sr(srcX, srcY, srcW, srcH);
    const float x = static_cast<float>(rng() % 900) / 10.0f - 15.0f;
    const float y = static_cast<float>(rng() % 700) / 10.0f - 10.0f;
    const double angle = static_cast<double>(rng() % 6283) / 1000.0;
    const float cx = static_cast<float>(rng() % 300) / 10.0f, cy = static_cast<float>(rng() % 250) / 10.0f;
    const int32_t clipY = static_cast<int32_t>(rng() % 10), clipX = static_cast<int32_t>(rng() % 10);
    const Rect clip(clipX, clipY, 96, 80);
    Kivo::ForceReferencePaths(true);
    plain->DrawImageRotated(source.get(), x, y, sr, clip, Color::White, 0, angle, cx, cy);
    Kivo::ForceReferencePaths(false);
    fast->DrawImageRotated(source.get(), x, y, sr, clip, Color::White, 0, angle, cx, cy);
    const std::vector<uint8_t> after = bytesOf(*fast);
    ASSERT_EQ(after, bytesOf(*plain));
    changed += after != before;
  }
  EXPECT_GT(changed, 40);
}

TEST_F(SurfaceImageFixture, RotatedTintsAndAddsInEveryOtherMode) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto source = MakeImage(6, 6, std::vector<uint32_t>(36, 0xFFFFFFFFu));
    auto plain = MakeSurfaceImage(8, 8, 0xFF000000u);
    auto faint = MakeSurfaceImage(8, 8, 0xFF000000u);
    plain->DrawImageRotated(source.get(), 0.0f, 0.0f, Rect(0, 0, 6, 6), Rect(0, 0, 8, 8), Color::White, 0, 0.0, 0.0f,
                            0.0f);
    faint->DrawImageRotated(source.get(), 0.0f, 0.0f, Rect(0, 0, 6, 6), Rect(0, 0, 8, 8), Color(255, 255, 255, 254), 0,
                            0.0, 0.0f, 0.0f);
    // Alpha 254 takes the tinted form: slightly fainter, never brighter.
    EXPECT_LE(Split(*display, SurfacePixel(*faint, 2, 2)).g, Split(*display, SurfacePixel(*plain, 2, 2)).g);
    EXPECT_GT(Split(*display, SurfacePixel(*faint, 2, 2)).g, 0u);
    for (int32_t mode : {1, 2, 5}) {
      auto target = MakeSurfaceImage(8, 8, 0xFF000000u);
      for (int i = 0; i < 3; ++i)
        target->DrawImageRotated(source.get(), 0.0f, 0.0f, Rect(0, 0, 6, 6), Rect(0, 0, 8, 8), Color::White, mode, 0.0,
                                 0.0f, 0.0f);
      EXPECT_EQ(Split(*display, SurfacePixel(*target, 2, 2)).r, (1u << display->redBits) - 1) << mode;
    }
    // A quarter turn about the centre stays within the clip and the surface.
    auto turned = MakeSurfaceImage(8, 8, 0xFF000000u);
    turned->DrawImageRotated(source.get(), 1.0f, 1.0f, Rect(0, 0, 6, 6), Rect(0, 0, 8, 8), Color::White, 0,
                             1.5707963267948966, 3.0f, 3.0f);
    EXPECT_NE(SurfacePixel(*turned, 4, 4), 0u);
    EXPECT_EQ(SurfacePixel(*turned, 0, 0), 0u);
  }
}

TEST_F(SurfaceImageFixture, LinesSetExactlyTheirPixels) {
  const std::set<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 1},
                                                  {6, 2}, {7, 2}, {8, 2}, {9, 3}, {10, 3}};
  for (Format f : DDrawTest::PixelTableFormats()) {
    for (bool reversed : {false, true}) {
      StartDisplay(f);
      auto target = MakeSurfaceImage(12, 5, 0xFF000000u);
      if (reversed) {
        target->DrawLine(10, 3, 0, 0, Color::White, 0);
      } else {
        target->DrawLine(0, 0, 10, 3, Color::White, 0);
      }
      std::set<std::pair<int, int>> drawn;
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 12; ++x)
          if (SurfacePixel(*target, x, y) != 0) drawn.insert({x, y});
      EXPECT_EQ(drawn, expected);
      // White lands as white in every format.
      const Fields w = Split(*display, SurfacePixel(*target, 0, 0));
      EXPECT_EQ(w.r, display->redMask >> display->redShift);
      EXPECT_EQ(w.g, display->greenMask >> display->greenShift);
      EXPECT_EQ(w.b, display->blueMask >> display->blueShift);
    }
  }
}

TEST_F(SurfaceImageFixture, AdditiveLineSubPixelDiffersBetween16And32Bits) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto target = MakeSurfaceImage(12, 5, 0xFF000000u);
    target->DrawLine(0.5, 0.5, 10.5, 3.5, Color::White, 1);
    const bool sixteen = f != Format::kRGB888;
    EXPECT_NE(SurfacePixel(*target, 5, sixteen ? 2 : 1), 0u);
    EXPECT_EQ(SurfacePixel(*target, 5, sixteen ? 1 : 2), 0u);
    if (f == Format::kRGB565) {
      const Fields w = Split(*display, SurfacePixel(*target, 0, 0));
      EXPECT_EQ(w.r, 31u);
      EXPECT_EQ(w.g, 63u);
    }
  }
}

TEST_F(SurfaceImageFixture, AntialiasedLineWeights) {
  StartDisplay(Format::kRGB888);
  auto target = MakeSurfaceImage(6, 4, 0xFF000000u);
  target->DrawLineAntialiased(0, 0, 4, 2, Color::White, 0);
  // Weight w over black: ((255 * w) >> 8) per channel, where a full weight
  // (255) counts as 256 and lands white exactly.
  auto level = [&](int x, int y) { return SurfacePixel(*target, x, y) & 0xFF; };
  EXPECT_EQ(level(0, 0), 255u);
  EXPECT_EQ(level(1, 0), (255u * 127u) >> 8);
  EXPECT_EQ(level(1, 1), (255u * 128u) >> 8);
  EXPECT_EQ(level(2, 1), 255u);
  EXPECT_EQ(level(2, 2), 0u);
  EXPECT_EQ(level(3, 1), (255u * 127u) >> 8);
  EXPECT_EQ(level(3, 2), (255u * 128u) >> 8);
  EXPECT_EQ(level(4, 2), (255u * 127u) >> 8);
  // The additive antialiased line draws nothing, yet it drops the memory
  // copies as every surface line does; so does a line in a mode no
  // rasteriser takes.
  auto other = MakeSurfaceImage(6, 4, 0xFF000000u);
  ASSERT_NE(other->bits, nullptr);
  other->DrawLineAntialiased(0, 0, 4, 2, Color::White, 1);
  EXPECT_EQ(SurfacePixel(*other, 1, 0), 0u);
  EXPECT_EQ(other->bits, nullptr);
  auto unknownMode = MakeSurfaceImage(6, 4, 0xFF000000u);
  ASSERT_NE(unknownMode->bits, nullptr);
  unknownMode->DrawLine(0, 0, 4, 2, Color::White, 2);
  EXPECT_EQ(SurfacePixel(*unknownMode, 1, 0), 0u);
  EXPECT_EQ(unknownMode->bits, nullptr);
}

TEST_F(SurfaceImageFixture, LinesNeverLeaveTheSurface) {
  // End points outside the image, a left-stepping steep antialiased line at
  // x 0, and a line inside one pixel: nothing may land outside (the
  // sanitizers watch the writes) and the image keeps its other pixels.
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto target = MakeSurfaceImage(4, 4, 0xFF000000u);
    target->DrawLine(-20.5, -3.0, 30.0, 9.5, Color::White, 0);
    target->DrawLine(-5.0, 2.0, 9.0, 2.0, Color::White, 0);
    target->DrawLine(2.0, -7.0, 2.0, 40.0, Color::White, 1);
    target->DrawLine(3.9, -100.0, -50.0, 200.0, Color::White, 1);
    target->DrawLineAntialiased(0.2, 0.0, 0.0, 3.9, Color::White, 0);
    target->DrawLineAntialiased(1.0, 0.0, -3.0, 3.0, Color::White, 0);
    target->DrawLineAntialiased(1.2, 1.1, 1.7, 1.6, Color::White, 0);
    target->DrawLineAntialiased(-9.0, -9.0, 20.0, 30.0, Color::White, 0);
    EXPECT_NE(SurfacePixel(*target, 0, 2), 0u);
  }
}

TEST_F(SurfaceImageFixture, FastStretchSamplesAtTheLeftEdges) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    // Ten columns, each with its own green level: the column number.
    std::vector<uint32_t> ramp(10);
    for (uint32_t i = 0; i < 10; ++i) ramp[i] = 0xFF000000u | ((i * 16 + 8) << 8);
    auto source = MakeImage(10, 1, ramp);
    source->isVolatile = false;
    auto target = MakeSurfaceImage(4, 1, 0xFF000000u);
    // A colour other than white keeps DirectDraw out of it.
    target->DrawImageStretched(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 10, 1), Rect(0, 0, 4, 1),
                               Color(255, 255, 255, 254), 0, true);
    const uint32_t columns[4] = {0, 2, 5, 7};
    for (int j = 0; j < 4; ++j) {
      const uint32_t level = Split(*display, SurfacePixel(*target, j, 0)).g << (8 - display->greenBits);
      // Neighbouring columns are 16 levels apart.
      EXPECT_NEAR(static_cast<double>(level), static_cast<double>(columns[j] * 16 + 8), 8.0) << j;
    }
  }
}

TEST_F(SurfaceImageFixture, MirroredStretchAndAdditiveMode) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto source = MakeImage(2, 1, {0xFFFF0000u, 0xFF0000FFu});  // A red, B blue
    auto target = MakeSurfaceImage(4, 1, 0xFF000000u);
    target->DrawImageStretchedMirrored(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White,
                                       0, true);
    EXPECT_GT(Split(*display, SurfacePixel(*target, 0, 0)).b, 0u);
    EXPECT_GT(Split(*display, SurfacePixel(*target, 1, 0)).b, 0u);
    EXPECT_GT(Split(*display, SurfacePixel(*target, 2, 0)).r, 0u);
    EXPECT_GT(Split(*display, SurfacePixel(*target, 3, 0)).r, 0u);
    // Mode 2 adds like mode 1: red over blue gives magenta.
    target->DrawImageStretched(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 2,
                               true);
    const Fields both = Split(*display, SurfacePixel(*target, 0, 0));
    EXPECT_GT(both.r, 0u);
    EXPECT_GT(both.b, 0u);
  }
}

TEST_F(SurfaceImageFixture, StretchSourceLeavingTheImageIsCut) {
  StartDisplay(Format::kRGB888);
  auto source = MakeImage(4, 4, std::vector<uint32_t>(16, 0xFF00FF00u));
  auto target = MakeSurfaceImage(8, 8, 0xFF000000u);
  // Half the source rectangle lies outside the source: only the inner half
  // is drawn, onto the matching half of the destination.
  target->DrawImageStretched(source.get(), Rect(0, 0, 8, 8), Rect(2, 0, 4, 4), Rect(0, 0, 8, 8),
                             Color(255, 255, 255, 254), 0, true);
  EXPECT_NE(SurfacePixel(*target, 1, 1), 0u);
  EXPECT_EQ(SurfacePixel(*target, 5, 1), 0u);
  target->DrawImageStretched(source.get(), Rect(0, 0, 8, 8), Rect(-100, -100, 1000, 1000), Rect(0, 0, 8, 8),
                             Color::White, 1, true);
  target->DrawImageStretchedMirrored(source.get(), Rect(0, 0, 8, 8), Rect(3, 3, 50, 50), Rect(0, 0, 8, 8), Color::White,
                                     0, true);
}

TEST_F(SurfaceImageFixture, FastStretchFromANonSurfaceImageKeepsTargetPixelsWhenNothingIsDrawn) {
  StartDisplay(Format::kRGB888);
  // A partial-alpha target has no surface; a fast stretch cannot reach it
  // and must not throw its pixels away.
  auto target = MakeImage(2, 2, std::vector<uint32_t>(4, 0x80FF0000u));
  auto source = MakeImage(2, 2, std::vector<uint32_t>(4, 0xFF00FF00u));
  target->DrawImageStretched(source.get(), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Color::White, 0, true);
  ASSERT_NE(target->bits, nullptr);
  EXPECT_EQ(target->bits[3], 0x80FF0000u);
}

TEST_F(SurfaceImageFixture, SurfaceDrawsRaiseTheChangeCount) {
  StartDisplay(Format::kRGB565);
  auto target = MakeSurfaceImage(4, 4, 0xFF000000u);
  auto source = MakeImage(2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu));
  int32_t changes = target->changeCount;
  target->DrawImageMirrored(source.get(), 0, 0, Rect(0, 0, 2, 2), Color::White, 0);
  EXPECT_GT(target->changeCount, changes);
  changes = target->changeCount;
  target->DrawImageStretched(source.get(), Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color::White, 1, true);
  EXPECT_GT(target->changeCount, changes);
  changes = target->changeCount;
  target->DrawImageRotated(source.get(), 0.5f, 0.5f, Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color::White, 0, 0.3, 1.0f,
                           1.0f);
  EXPECT_GT(target->changeCount, changes);
}

// The untinted smooth stretch goes straight into the surface; it must land
// exactly as the stretched picture drawn from a temporary image would:
// seeded sprites with every alpha class, shrinking and enlarging, clipped,
// on every layout, fast and reference.
TEST_F(SurfaceImageFixture, SmoothStretchLandsAsItsTemporaryImageWould) {
  uint32_t state = 99u;
  auto next = [&state](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  for (Format f : {Format::kRGB565, Format::kRGB555, Format::kRGB888, Format::kBGR888}) {
    StartDisplay(f);
    for (int round = 0; round < 12; ++round) {
      const int32_t sw = 2 + static_cast<int32_t>(next(30)), sh = 2 + static_cast<int32_t>(next(20));
      std::vector<uint32_t> px(static_cast<size_t>(sw) * sh);
      for (auto& v : px) {
        const uint32_t a = next(3) == 0 ? 0 : (next(2) == 0 ? 255 : next(256));
        v = a << 24 | next(0x1000000);
      }
      const Rect dest(static_cast<int32_t>(next(40)) - 10, static_cast<int32_t>(next(30)) - 10,
                      1 + static_cast<int32_t>(next(70)), 1 + static_cast<int32_t>(next(50)));
      const Rect clip(static_cast<int32_t>(next(10)), static_cast<int32_t>(next(10)), 50, 40);
      const uint32_t under = 0xFF000000u | next(0x1000000);
      for (bool reference : {false, true}) {
        Kivo::ForceReferencePaths(reference);
        auto direct = MakeSurfaceImage(64, 48, under);
        auto source = MakeImage(sw, sh, px);
        direct->DrawImageStretched(source.get(), dest, Rect(0, 0, sw, sh), clip, Color::White, 0, false);
        // The same through a temporary image, drawn by the blended blit.
        auto viaImage = MakeSurfaceImage(64, 48, under);
        Kivo::DoubleRect sd;
        Rect dc;
        if (Kivo::MemoryImage::ClipStretchRects(Rect(0, 0, sw, sh), clip.Intersection(Rect(0, 0, 64, 48)), dest, sd,
                                                dc)) {
          Kivo::MemoryImage temporary;
          temporary.CreateBlank(dc.width, dc.height);
          temporary.DrawImageStretchedSmooth(source.get(), Rect(0, 0, dc.width, dc.height), sd, Color::White, 0);
          viaImage->DrawImage(&temporary, dc.x, dc.y, Rect(0, 0, dc.width, dc.height), Color::White, 0);
        }
        for (int32_t y = 0; y < 48; ++y)
          for (int32_t x = 0; x < 64; ++x)
            ASSERT_EQ(SurfacePixel(*direct, x, y), SurfacePixel(*viaImage, x, y))
                << "format " << static_cast<int>(f) << " round " << round << " at " << x << "," << y
                << (reference ? " (reference)" : " (fast)");
      }
      Kivo::ForceReferencePaths(false);
    }
  }
}

}  // namespace
