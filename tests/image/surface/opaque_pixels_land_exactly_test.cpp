// Every software blend path, on memory images and on the screen's 5-6-5,
// 5-5-5 and 8-8-8 surfaces: an opaque source pixel drawn at full weight
// lands exactly (white stays 255 in every channel, any other colour keeps
// its bits), and a source pixel of alpha 0 leaves the destination exactly as
// it was. Each path runs on its fast loop and on its reference twin.
#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "image/Blend.h"
#include "image/surface/DDImagePixels.h"
#include "tests/image/surface/ddimage_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::SetSurfacePixel;
using DDrawTest::SurfaceImageFixture;
using DDrawTest::SurfacePixel;
using Kivo::Color;
using Kivo::DoubleRect;
using Kivo::Image;
using Kivo::MemoryImage;
using Kivo::Rect;

constexpr int32_t kSide = 6;     // the source is kSide x kSide of one colour
constexpr int32_t kTarget = 20;  // the target is kTarget x kTarget
constexpr int32_t kProbe = 8;    // a target pixel well inside every draw below

// One draw of `source` onto `target` that puts an interior source pixel at
// full weight on (kProbe, kProbe).
struct Road {
  std::string name;
  std::function<void(Image& target, Image& source, const Color& tint)> draw;
  bool tinted;            // also drawn with a tint of full weight per channel
  bool onMemory;          // memory images draw it (they have no mirrored draws)
  bool tintOnMemory;      // memory images draw it tinted
  bool additive = false;  // adds the source to the target instead of covering it
};

std::vector<Road> Roads() {
  const Rect all(0, 0, kSide, kSide);
  const Rect clip(0, 0, kTarget, kTarget);
  // Whole-pixel positions and a quarter turn about a pixel corner sample
  // every source pixel exactly.
  auto rotated = [=](int32_t mode, double angle) {
    return [=](Image& t, Image& s, const Color& c) {
      const float at = angle == 0.0 ? 6.0f : 5.0f, centre = angle == 0.0 ? 0.0f : 3.0f;
      t.DrawImageRotated(&s, at, at, all, clip, c, mode, angle, centre, centre);
    };
  };
  return {
      {"additive blit", [=](Image& t, Image& s, const Color& c) { t.DrawImage(&s, 6, 6, all, c, 1); }, true, true, true,
       true},
      {"additive mirrored blit", [=](Image& t, Image& s, const Color& c) { t.DrawImageMirrored(&s, 6, 6, all, c, 1); },
       true, false, false, true},
      {"float position",
       [=](Image& t, Image& s, const Color& c) { t.DrawImageAtFloat(&s, 6.0f, 6.0f, all, clip, c, 0); }, true, true,
       true},
      {"rotated by nothing", rotated(0, 0.0), true, true, true},
      {"rotated a quarter turn", rotated(0, M_PI / 2), true, true, true},
      {"additive rotated by nothing", rotated(1, 0.0), true, true, true, true},
      {"additive rotated a quarter turn", rotated(1, M_PI / 2), true, true, true, true},
      {"blit", [=](Image& t, Image& s, const Color& c) { t.DrawImage(&s, 6, 6, all, c, 0); }, true, true, true},
      {"mirrored blit", [=](Image& t, Image& s, const Color& c) { t.DrawImageMirrored(&s, 6, 6, all, c, 0); }, true,
       false, false},
      {"nearest stretch x2",
       [=](Image& t, Image& s, const Color& c) {
         t.DrawImageStretched(&s, Rect(2, 2, 2 * kSide, 2 * kSide), all, clip, c, 0, true);
       },
       true, true, false},
      {"smooth stretch x2",
       [=](Image& t, Image& s, const Color& c) {
         t.DrawImageStretched(&s, Rect(2, 2, 2 * kSide, 2 * kSide), all, clip, c, 0, false);
       },
       true, true, false},
      {"smooth stretch x1",
       [=](Image& t, Image& s, const Color& c) {
         t.DrawImageStretched(&s, Rect(5, 5, kSide, kSide), all, clip, c, 0, false);
       },
       true, true, false},
      {"smooth stretch x0.5",
       [=](Image& t, Image& s, const Color& c) { t.DrawImageStretched(&s, Rect(7, 7, 3, 3), all, clip, c, 0, false); },
       true, true, false},
      {"smooth stretch by two thirds",
       [=](Image& t, Image& s, const Color& c) { t.DrawImageStretched(&s, Rect(7, 7, 4, 4), all, clip, c, 0, false); },
       true, true, false},
      {"additive nearest stretch x2",
       [=](Image& t, Image& s, const Color& c) {
         t.DrawImageStretched(&s, Rect(2, 2, 2 * kSide, 2 * kSide), all, clip, c, 1, true);
       },
       true, false, false, true},
      {"mirrored stretch",
       [=](Image& t, Image& s, const Color& c) {
         t.DrawImageStretchedMirrored(&s, Rect(2, 2, 2 * kSide, 2 * kSide), all, clip, c, 0, true);
       },
       true, false, false},
  };
}

// Sources: opaque white, two opaque colours and a transparent pixel that
// carries colour bits (which must not leak).
const uint32_t kOpaque[] = {0xFFFFFFFFu, 0xFF1A7FE5u, 0xFF00FF01u};
constexpr uint32_t kClear = 0x00FFFFFFu;
// Destinations under them.
const uint32_t kUnder[] = {0xFF000000u, 0xFF8040C0u};

// Each destination, drawn from a source of one colour and from the same
// source with a half-transparent corner (far from the probed pixel), which
// sends the draws down the loops for sources with partial alpha.
std::vector<std::pair<uint32_t, bool>> Unders() {
  std::vector<std::pair<uint32_t, bool>> out;
  for (uint32_t under : kUnder)
    for (bool partialCorner : {false, true}) out.emplace_back(under, partialCorner);
  return out;
}

std::vector<uint32_t> SourceOf(uint32_t pixel, bool partialCorner) {
  std::vector<uint32_t> px(kSide * kSide, pixel);
  if (partialCorner) px[0] = 0x80000000u | (pixel & 0xFFFFFFu);
  return px;
}

// Tints of full weight in some channels: where a channel is 255 the source
// channel must land exactly, where it is 0 the result channel is 0.
const Color kTints[] = {Color(255, 0, 255, 255), Color(0, 255, 0, 255)};

uint32_t TintOf(uint32_t argb, const Color& c) {
  const uint32_t v = c.ToInt();
  return (argb & 0xFF000000u) | (argb & v & 0xFFFFFFu);
}

// Each channel field of `a` plus that of `b`, saturated at the field's mask.
uint32_t AddFields(uint32_t a, uint32_t b, std::initializer_list<uint32_t> masks) {
  uint32_t out = 0;
  for (uint32_t m : masks) out |= std::min<uint64_t>(uint64_t{a & m} + (b & m), m);
  return out;
}

class OpaquePixelsLandExactly : public SurfaceImageFixture {
 protected:
  void TearDown() override {
    Kivo::ForceReferencePaths(false);
    SurfaceImageFixture::TearDown();
  }
};

TEST_F(OpaquePixelsLandExactly, OnMemoryImages) {
  for (bool reference : {false, true}) {
    Kivo::ForceReferencePaths(reference);
    for (const Road& road : Roads()) {
      if (!road.onMemory) continue;
      for (const auto& row : Unders()) {
        const uint32_t under = row.first;
        const bool partialCorner = row.second;
        auto check = [&](uint32_t sourcePixel, const Color& tint, uint32_t expected) {
          if (road.additive) expected = AddFields(under, expected, {0xFF000000u, 0xFF0000u, 0xFF00u, 0xFFu});
          MemoryImage target, source;
          const std::vector<uint32_t> back(kTarget * kTarget, under);
          target.SetBits(back.data(), kTarget, kTarget, true);
          const std::vector<uint32_t> px = SourceOf(sourcePixel, partialCorner);
          source.SetBits(px.data(), kSide, kSide, true);
          road.draw(target, source, tint);
          EXPECT_EQ(target.GetBits()[kProbe * kTarget + kProbe], expected)
              << road.name << (reference ? " (reference)" : " (fast)") << ", source " << std::hex << sourcePixel
              << " onto " << under << ", tint " << tint.ToInt() << (partialCorner ? ", partial corner" : "");
        };
        for (uint32_t p : kOpaque) {
          check(p, Color::White, p);
          if (road.tinted && road.tintOnMemory)
            for (const Color& t : kTints) check(p, t, TintOf(p, t));
        }
        if (!road.additive) check(kClear, Color::White, under);
      }
    }
  }
}

TEST_F(OpaquePixelsLandExactly, OnScreenSurfaces) {
  for (Format f : {Format::kRGB565, Format::kRGB555, Format::kRGB888, Format::kBGR888}) {
    StartDisplay(f);
    const Kivo::PixelPacker pack(*display);
    // Bits outside the three channels carry nothing the screen shows.
    const uint32_t channels = display->redMask | display->greenMask | display->blueMask;
    for (bool reference : {false, true}) {
      Kivo::ForceReferencePaths(reference);
      for (const Road& road : Roads()) {
        for (const auto& row : Unders()) {
          const uint32_t under = row.first;
          const bool partialCorner = row.second;
          auto check = [&](uint32_t sourcePixel, bool isVolatile, const Color& tint, uint32_t expected) {
            auto target = MakeSurfaceImage(kTarget, kTarget, under);
            auto source = MakeImage(kSide, kSide, SourceOf(sourcePixel, partialCorner));
            source->SetVolatile(isVolatile);
            road.draw(*target, *source, tint);
            const uint32_t want = road.additive ? AddFields(pack(under), pack(expected),
                                                            {display->redMask, display->greenMask, display->blueMask})
                                                : pack(expected);
            EXPECT_EQ(SurfacePixel(*target, kProbe, kProbe) & channels, want)
                << road.name << (isVolatile ? ", volatile" : "") << (partialCorner ? ", partial corner" : "")
                << (reference ? " (reference)" : " (fast)") << " on format " << static_cast<int>(f) << ", source "
                << std::hex << sourcePixel << " onto " << under << ", tint " << tint.ToInt();
          };
          for (bool isVolatile : {false, true}) {
            for (uint32_t p : kOpaque) {
              check(p, isVolatile, Color::White, p);
              if (road.tinted)
                for (const Color& t : kTints) check(p, isVolatile, t, TintOf(p, t));
            }
            if (!road.additive) check(kClear, isVolatile, Color::White, under);
          }
        }
      }
    }
  }
}

// Fills and lines: a mark of an opaque colour lands that colour on every
// pixel it covers fully, exactly as a blit of the colour would; a
// translucent one mixes each channel once, (C * a + D * (255 - a) + 127) /
// 255, so no channel loses a unit to a second rounding.
struct Mark {
  std::string name;
  std::function<void(Image& target, const Color& c)> draw;
  bool translucentRoundsOnce;  // the translucent mark follows the formula above
  bool onMemory;               // checked on memory images too
};

std::vector<Mark> Marks() {
  static const uint8_t kFull[kTarget] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                                         255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
  return {
      {"fill", [](Image& t, const Color& c) { t.FillRect(Rect(6, 6, 5, 5), c, 0); }, true, false},
      {"stepped line", [](Image& t, const Color& c) { t.DrawLine(5, 6, 11, 10, c, 0); }, true, true},
      {"antialiased line's end", [](Image& t, const Color& c) { t.DrawLineAntialiased(8, 8, 14, 11, c, 0); }, false,
       true},
      {"fully covered span",
       [](Image& t, const Color& c) {
         Kivo::ImageSpan span;
         span.y = kProbe;
         span.x = 4;
         span.width = 8;
         t.FillSpansWithCoverage(&span, 1, c, 0, kFull, 0, kProbe, kTarget, 0);
       },
       false, true},
  };
}

constexpr uint32_t kHalf = 128;  // the translucent marks' alpha

Color WithAlpha(uint32_t rgb, uint32_t a) {
  return Color(static_cast<int32_t>((rgb >> 16) & 0xFF), static_cast<int32_t>((rgb >> 8) & 0xFF),
               static_cast<int32_t>(rgb & 0xFF), static_cast<int32_t>(a));
}

TEST_F(OpaquePixelsLandExactly, FillsAndLinesOnMemoryImages) {
  for (const Mark& mark : Marks()) {
    if (!mark.onMemory) continue;
    for (uint32_t under : kUnder) {
      for (uint32_t p : kOpaque) {
        for (uint32_t a : {255u, kHalf}) {
          if (a != 255 && !mark.translucentRoundsOnce) continue;
          MemoryImage target;
          const std::vector<uint32_t> back(kTarget * kTarget, under);
          target.SetBits(back.data(), kTarget, kTarget, true);
          mark.draw(target, WithAlpha(p, a));
          uint32_t want = 0xFF000000u;
          for (int shift : {16, 8, 0})
            want |= ((((p >> shift) & 0xFF) * a + ((under >> shift) & 0xFF) * (255 - a) + 127) / 255) << shift;
          EXPECT_EQ(target.GetBits()[kProbe * kTarget + kProbe], want)
              << mark.name << ", colour " << std::hex << p << " alpha " << a << " onto " << under;
        }
      }
    }
  }
}

TEST_F(OpaquePixelsLandExactly, FillsAndLinesOnScreenSurfaces) {
  for (Format f : {Format::kRGB565, Format::kRGB555, Format::kRGB888, Format::kBGR888}) {
    StartDisplay(f);
    const Kivo::PixelPacker pack(*display);
    const uint32_t masks[3] = {display->redMask, display->greenMask, display->blueMask};
    for (const Mark& mark : Marks()) {
      for (uint32_t under : kUnder) {
        for (uint32_t p : kOpaque) {
          for (uint32_t a : {255u, kHalf, 0u}) {
            if (a != 255 && !mark.translucentRoundsOnce) continue;
            auto target = MakeSurfaceImage(kTarget, kTarget, under);
            mark.draw(*target, WithAlpha(p, a));
            uint32_t want = 0;
            for (uint32_t m : masks) {
              const int shift = __builtin_ctz(m);
              const uint32_t c = (pack(p) & m) >> shift, d = (pack(under) & m) >> shift;
              want |= ((c * a + d * (255 - a) + 127) / 255) << shift;
            }
            EXPECT_EQ(SurfacePixel(*target, kProbe, kProbe) & (masks[0] | masks[1] | masks[2]), want)
                << mark.name << " on format " << static_cast<int>(f) << ", colour " << std::hex << p << " alpha " << a
                << " onto " << under;
          }
        }
      }
    }
  }
}

}  // namespace
