// A test card that draws every software operation into one 800 x 600 image
// and checks its pixel CRC. On a mismatch the card is written as a PNG
// beside the build so the change can be looked at.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "image_test_support.h"

namespace KivoTest {
namespace {

constexpr uint32_t kGoldenCrc = 0x4e0d1e75;

void MakeSprite(MemoryImage& image, int w, int h, uint32_t tint) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double dx = x - w / 2.0 + 0.5, dy = y - h / 2.0 + 0.5;
      const double r = std::sqrt(dx * dx + dy * dy) / (w / 2.0);
      const uint32_t a = r >= 1.0 ? 0 : (r < 0.7 ? 255 : static_cast<uint32_t>((1.0 - r) / 0.3 * 255));
      const uint32_t c = static_cast<uint32_t>(x * 255 / w) << 16 | static_cast<uint32_t>(y * 255 / h) << 8;
      px[static_cast<size_t>(y) * w + x] = a << 24 | (((c | 0x40) ^ tint) & 0xFFFFFF);
    }
  }
  image.SetBits(px.data(), w, h, true);
}

TEST(GoldenCard, EveryOperationOnOneCard) {
  RecordingHost host;
  MemoryImage card(&host);
  std::vector<uint32_t> background(800 * 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      background[static_cast<size_t>(y) * 800 + x] =
          0xFF000000u | static_cast<uint32_t>(x * 255 / 800) << 16 | static_cast<uint32_t>(y * 255 / 600);
  card.SetBits(background.data(), 800, 600, true);

  MemoryImage sprite(&host), paletteSprite(&host), transparentSheet(&host);
  MakeSprite(sprite, 64, 48, 0);
  MakeSprite(paletteSprite, 16, 16, 0x00FF00);
  ASSERT_TRUE(paletteSprite.ConvertToPalette());

  // Fills and outlines.
  card.FillRect(Rect(10, 10, 100, 60), Color(255, 0, 0), 0);
  card.FillRect(Rect(60, 40, 100, 60), Color(0, 0, 255, 128), 0);
  card.DrawRect(Rect(5, 5, 160, 100), Color(255, 255, 255), 0);
  const ImageSpan spans[3] = {{120, 10, 50}, {122, 20, 40}, {124, 30, 30}};
  card.FillSpans(spans, 3, Color(0, 255, 0, 200), 0);
  std::vector<uint8_t> coverage(64 * 16);
  for (size_t i = 0; i < coverage.size(); ++i) coverage[i] = static_cast<uint8_t>(i * 7);
  const ImageSpan covered[4] = {{130, 10, 64}, {131, 10, 64}, {132, 12, 60}, {133, 14, 56}};
  card.FillSpansWithCoverage(covered, 4, Color(255, 255, 0), 0, coverage.data(), 10, 130, 64, 0);

  // Lines of every kind, some running off the card.
  for (int i = 0; i < 12; ++i) {
    card.DrawLine(200 + i * 3.3, 10, 260 + i * 7.1, 110, Color(255, 255, 255, 60 + i * 16), i % 2);
    card.DrawLineAntialiased(300 + i * 4.25, 10.5, 380 + i * 2.6, 110.25, Color(255, 200, 0), 0);
  }
  card.DrawLine(-50, 590, 900, 560.5, Color(0, 255, 255), 0);
  card.DrawLineAntialiased(780.5, -20, 820.5, 620, Color(255, 0, 255, 180), 0);
  card.DrawLine(400, 150, 400, 190, Color(255, 255, 255), 0);

  // Plain blits: normal untinted, grey and colour tints, additive, palette.
  const Rect all(0, 0, 64, 48);
  card.DrawImage(&sprite, 10, 160, all, Color::White, 0);
  card.DrawImage(&sprite, 80, 160, all, Color(128, 128, 128, 200), 0);
  card.DrawImage(&sprite, 150, 160, all, Color(255, 128, 0), 0);
  card.DrawImage(&sprite, 220, 160, all, Color::White, 1);
  card.DrawImage(&sprite, 290, 160, all, Color(0, 128, 255, 128), 1);
  for (int i = 0; i < 8; ++i)
    card.DrawImage(&paletteSprite, 360 + i * 18, 160, Rect(0, 0, 16, 16), Color::White, i % 2);
  card.DrawImage(&sprite, 790, 590, all, Color::White, 0);

  // A card area that went transparent, then blits onto it.
  card.ClearRect(Rect(500, 150, 100, 60));
  card.DrawImage(&sprite, 510, 155, all, Color::White, 0);

  // Transformed: fractional position, rotations, both modes, a clip.
  card.DrawImageAtFloat(&sprite, 10.5f, 230.25f, all, Rect(0, 0, 800, 600), Color::White, 0);
  for (int i = 0; i < 6; ++i) {
    card.DrawImageRotated(&sprite, 100.0f + i * 80, 240.0f, all, Rect(0, 220, 800, 100),
                          i % 3 == 0 ? Color::White : Color(255, 100, 100, 200), i % 2, i * 0.55, 32.0f, 24.0f);
  }
  card.DrawImageRotated(&paletteSprite, 600.0f, 240.0f, Rect(0, 0, 16, 16), Rect(0, 0, 800, 600), Color::White, 0, 0.8,
                        8.0f, 8.0f);

  // Stretches: nearest and smooth, enlarging and shrinking, clipped.
  card.DrawImageStretched(&sprite, Rect(10, 330, 160, 120), all, Rect(0, 0, 800, 600), Color::White, 0, true);
  card.DrawImageStretched(&sprite, Rect(180, 330, 160, 120), all, Rect(0, 0, 800, 600), Color::White, 0, false);
  card.DrawImageStretched(&sprite, Rect(350, 330, 32, 24), all, Rect(0, 0, 800, 600), Color::White, 0, false);
  card.DrawImageStretched(&sprite, Rect(400, 330, 32, 24), all, Rect(0, 0, 800, 600), Color::White, 0, true);
  card.DrawImageStretched(&paletteSprite, Rect(450, 330, 100, 50), Rect(0, 0, 16, 16), Rect(460, 0, 60, 600),
                          Color::White, 0, false);
  card.DrawImageStretchedSmooth(&sprite, Rect(560, 330, 90, 40), DoubleRect(3.5, 2.25, 50.5, 30.75), Color::White, 0);

  // Matrix and triangles reach no rasterizer and leave the card alone.
  Matrix3 m;
  m.RotateRadians(0.3f);
  card.DrawImageByMatrix(&sprite, 700, 400, m, Rect(0, 0, 800, 600), Color::White, 0, all, true);

  const std::vector<uint32_t> pixels = Pixels(card);
  const uint32_t crc = Crc32(pixels.data(), pixels.size());
  if (crc != kGoldenCrc) {
    const std::string path = ::testing::TempDir() + "golden_card_" + std::to_string(::getpid()) + ".png";
    WritePng(card, path.c_str());
    ADD_FAILURE() << "card CRC 0x" << std::hex << crc << " differs from 0x" << kGoldenCrc << "; card written to "
                  << path;
  }
}

}  // namespace
}  // namespace KivoTest
