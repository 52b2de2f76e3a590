// Every fast path against its plain reference twin: seeded random
// operations run once with the fast paths and once with the reference loops
// forced, on identical images, and the pixels must agree bit for bit.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "image_test_support.h"
#include "image/Blend.h"

namespace KivoTest {
namespace {

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  uint32_t Pixel() {
    const int kind = Int(0, 3);
    const uint32_t rgb = static_cast<uint32_t>(Int(0, 0xFFFFFF));
    if (kind == 0) return rgb;                              // transparent
    if (kind == 1) return 0xFF000000u | rgb;                // opaque
    return static_cast<uint32_t>(Int(1, 254)) << 24 | rgb;  // partial
  }
  Color AnyColor() {
    switch (Int(0, 3)) {
      case 0: return Color::White;
      case 1: {
        const int g = Int(0, 255);
        return Color(g, g, g, Int(0, 255));
      }
      default: return Color(Int(0, 255), Int(0, 255), Int(0, 255), Int(0, 255));
    }
  }
  Rect AnyRect(int w, int h) {
    const int x = Int(-w / 2, w), y = Int(-h / 2, h);
    return Rect(x, y, Int(-2, w), Int(-2, h));
  }

 private:
  std::mt19937 engine_;
};

// A source image: random sizes, runs of equal alpha classes, sometimes a
// palette form.
std::unique_ptr<MemoryImage> MakeSource(Random& rnd, RecordingHost& host) {
  auto image = std::make_unique<MemoryImage>(&host);
  const int w = rnd.Int(1, 40), h = rnd.Int(1, 30);
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  const bool fewColours = rnd.Chance(40);
  std::vector<uint32_t> colours(16);
  for (auto& c : colours) c = rnd.Pixel();
  for (size_t i = 0; i < px.size();) {
    const uint32_t v = fewColours ? colours[rnd.Int(0, 15)] : rnd.Pixel();
    const size_t run = static_cast<size_t>(rnd.Int(1, 12));
    for (size_t k = 0; k < run && i < px.size(); ++k, ++i) px[i] = v;
  }
  image->SetBits(px.data(), w, h, true);
  if (fewColours && rnd.Chance(70)) image->ConvertToPalette();
  return image;
}

void RunOperations(uint32_t seed, MemoryImage& dest, RecordingHost& host) {
  Random rnd(seed);
  std::vector<std::unique_ptr<MemoryImage>> sources;
  for (int i = 0; i < 6; ++i) sources.push_back(MakeSource(rnd, host));
  const int W = dest.width, H = dest.height;
  for (int step = 0; step < 300; ++step) {
    MemoryImage& src = *sources[rnd.Int(0, 5)];
    const int op = rnd.Int(0, 10);
    switch (op) {
      case 0: dest.FillRect(rnd.AnyRect(W, H), rnd.AnyColor(), 0); break;
      case 1:
      case 2:
      case 3: {
        const Rect sr(rnd.Int(-2, src.width), rnd.Int(-2, src.height), rnd.Int(0, src.width + 2),
                      rnd.Int(0, src.height + 2));
        dest.DrawImage(&src, rnd.Int(-10, W), rnd.Int(-10, H), sr, rnd.Chance(60) ? Color::White : rnd.AnyColor(),
                       rnd.Int(0, 3) == 0 ? 1 : 0);
        break;
      }
      case 4: {
        const Rect sr(0, 0, src.width, src.height);
        dest.DrawImageStretched(&src, rnd.AnyRect(W, H), sr, rnd.AnyRect(W, H),
                                rnd.Chance(80) ? Color::White : rnd.AnyColor(), 0, rnd.Chance(70));
        break;
      }
      case 5:
        if (rnd.Chance(30))
          dest.ClearRect(rnd.AnyRect(W, H));
        else if (rnd.Chance(50))
          Fill(dest, W, H, 0xFF000000u | static_cast<uint32_t>(rnd.Int(0, 0xFFFFFF)));
        break;
      case 6:
        dest.DrawLine(rnd.Int(-10, W + 10) + rnd.Int(0, 9) / 10.0, rnd.Int(-10, H + 10), rnd.Int(-10, W + 10),
                      rnd.Int(-10, H + 10) + 0.5, rnd.AnyColor(), rnd.Int(0, 2));
        break;
      case 7:
        dest.DrawLineAntialiased(rnd.Int(0, W * 10) / 10.0, rnd.Int(0, H * 10) / 10.0, rnd.Int(0, W * 10) / 10.0,
                                 rnd.Int(0, H * 10) / 10.0, rnd.AnyColor(), 0);
        break;
      case 8: {
        std::vector<uint8_t> coverage(64 * 64);
        for (auto& c : coverage) c = static_cast<uint8_t>(rnd.Int(0, 255));
        std::vector<ImageSpan> spans;
        for (int i = 0; i < 8; ++i) spans.push_back(ImageSpan{rnd.Int(0, H - 1), rnd.Int(0, W - 1), rnd.Int(0, 20)});
        dest.FillSpansWithCoverage(spans.data(), static_cast<int>(spans.size()), rnd.AnyColor(), 0, coverage.data(), 0,
                                   0, 64, 0);
        break;
      }
      case 9:
        dest.DrawImageRotated(&src, rnd.Int(-10, W) + rnd.Int(0, 99) / 100.0f, rnd.Int(-10, H) * 1.0f,
                              Rect(0, 0, src.width, src.height), rnd.AnyRect(W, H), rnd.AnyColor(), rnd.Int(0, 1),
                              rnd.Int(-314, 314) / 100.0, src.width / 2.0f, src.height / 2.0f);
        break;
      default:
        if (rnd.Chance(50))
          dest.ForceAlphaFlags(false, false);
        else
          dest.alphaFlagsForced = false;
        break;
    }
  }
}

TEST(ReferencePaths, RandomOperationsAgreeBitForBit) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    RecordingHost host;
    std::vector<uint32_t> results[2];
    for (int reference = 0; reference < 2; ++reference) {
      ForceReferencePaths(reference == 1);
      Random sizes(seed * 7919u);
      MemoryImage dest(&host);
      const int w = sizes.Int(1, 64), h = sizes.Int(1, 48);
      std::vector<uint32_t> start(static_cast<size_t>(w) * h);
      for (auto& v : start)
        v = sizes.Chance(50) ? 0xFF000000u | static_cast<uint32_t>(sizes.Int(0, 0xFFFFFF)) : sizes.Pixel();
      dest.SetBits(start.data(), w, h, true);
      RunOperations(seed, dest, host);
      results[reference] = Pixels(dest);
      EXPECT_EQ(dest.GetBits()[dest.PixelCount()], kBitsSentinel);
    }
    ForceReferencePaths(false);
    ASSERT_EQ(results[0].size(), results[1].size());
    EXPECT_EQ(Crc32(results[0].data(), results[0].size()), Crc32(results[1].data(), results[1].size()))
        << "seed " << seed;
    EXPECT_EQ(results[0], results[1]) << "seed " << seed;
  }
}

}  // namespace
}  // namespace KivoTest
