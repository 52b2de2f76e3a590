// The system-font stand-in: em sizes, metrics from the face tables, widths as
// sums of character advances, coverage masks, face fallback, blending into
// native pixels and use from several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/SystemFont.h"

namespace {

using Platform::CoverageMask;
using Platform::SystemFontHandle;
using Platform::SystemFontRequest;

// Every font of a test is made from DejaVu Sans, whatever else is installed.
class ForcedDejaVu : public ::testing::Test {
 protected:
  void SetUp() override { Platform::ForceSystemFontFile(Platform::kDejaVuSansFile); }
  void TearDown() override {
    for (SystemFontHandle font : mFonts) Platform::DestroySystemFont(font);
    Platform::ForceSystemFontFile("");
  }
  SystemFontHandle Make(int em, bool bold = false, bool italic = false, bool underline = false,
                        const std::string& face = "Arial Unicode MS") {
    SystemFontRequest request;
    request.face = face;
    request.emPixels = em;
    request.bold = bold;
    request.italic = italic;
    request.underline = underline;
    SystemFontHandle font = Platform::CreateSystemFont(request);
    if (font != nullptr) mFonts.push_back(font);
    return font;
  }

 private:
  std::vector<SystemFontHandle> mFonts;
};

int InkIn(const CoverageMask& mask, int x0, int x1, int y0 = 0, int y1 = -1) {
  if (y1 < 0) y1 = mask.height;
  int ink = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) ink += mask.At(x, y) != 0 ? 1 : 0;
  return ink;
}

TEST(SystemFontSize, PointsBecomeEmPixelsRoundedHalfAwayFromZero) {
  const int cases[][3] = {{8, 96, 11}, {9, 96, 12}, {10, 96, 13},  {12, 96, 16}, {14, 96, 19},
                          {3, 96, 4},  {0, 96, 0},  {-8, 96, -11}, {72, 72, 72}, {1, 36, 1}};
  for (const auto& c : cases) EXPECT_EQ(c[2], Platform::PointsToEmPixels(c[0], c[1])) << c[0] << "pt at " << c[1];
}

TEST_F(ForcedDejaVu, MetricsComeFromTheWindowsAscentAndDescentRoundedUp) {
  // DejaVu Sans: 2048 units per em, win ascent 1901, win descent 483.
  const int ems[] = {11, 12, 13, 16, 19};
  for (int em : ems) {
    SystemFontHandle font = Make(em);
    ASSERT_NE(nullptr, font);
    const Platform::SystemFontMetrics m = Platform::GetSystemFontMetrics(font);
    EXPECT_EQ((1901 * em + 2047) / 2048, m.ascent) << em;
    EXPECT_EQ((483 * em + 2047) / 2048, m.descent) << em;
    EXPECT_EQ(m.ascent + m.descent, m.height) << em;
  }
  EXPECT_EQ(Platform::kDejaVuSansFile, Platform::SystemFontFile(Make(16)));
}

TEST_F(ForcedDejaVu, WidthsAreSumsOfCharacterAdvances) {
  SystemFontHandle font = Make(16);
  auto width = [&](const std::wstring& s) { return Platform::MeasureSystemFontText(font, s); };
  EXPECT_EQ(0, width(L""));
  EXPECT_GT(width(L"a"), 0);
  EXPECT_EQ(width(L"a") + width(L"b"), width(L"ab"));
  // Pairs a kerning table would tighten stay plain sums.
  EXPECT_EQ(width(L"A") + width(L"V") + width(L"T") + width(L"o"), width(L"AVTo"));
  EXPECT_EQ(width(L"bb"), width(L"a\nbb"));
  EXPECT_EQ(width(L"bb"), width(L"bb\r\na"));
  EXPECT_EQ(width(L"ab"), width(L"a\tb"));
  EXPECT_EQ(width(L"&") + width(L"x"), width(L"&x"));  // '&' is a plain character
  EXPECT_GT(width(L"W"), width(L"i"));
}

TEST_F(ForcedDejaVu, CyrillicDrawsEveryLetter) {
  SystemFontHandle font = Make(16);
  const std::wstring word = L"\u041f\u0440\u0438\u0432\u0435\u0442";  // "Привет"
  const CoverageMask mask = Platform::RenderSystemFontText(font, word);
  ASSERT_EQ(Platform::MeasureSystemFontText(font, word), mask.width);
  ASSERT_EQ(Platform::GetSystemFontMetrics(font).height, mask.height);
  int pen = 0;
  for (wchar_t c : word) {
    const int advance = Platform::MeasureSystemFontText(font, std::wstring(1, c));
    EXPECT_GT(InkIn(mask, pen, pen + advance), 4) << static_cast<int>(c);
    pen += advance;
  }
  // A missing-glyph box would look the same for every letter; these differ.
  const CoverageMask p = Platform::RenderSystemFontText(font, L"\u041f");
  const CoverageMask v = Platform::RenderSystemFontText(font, L"\u0432");
  EXPECT_NE(p.coverage, v.coverage);
}

TEST_F(ForcedDejaVu, MaskHasGlyphInkAboveTheBaselineAndEmptyMargins) {
  SystemFontHandle font = Make(16);
  const CoverageMask mask = Platform::RenderSystemFontText(font, L"H");
  ASSERT_GT(mask.width, 0);
  EXPECT_EQ(mask.ascent, Platform::GetSystemFontMetrics(font).ascent);
  // 'H' sits on the baseline: nothing in the descent, nothing in the top rows.
  EXPECT_EQ(0, InkIn(mask, 0, mask.width, mask.ascent, mask.height));
  EXPECT_EQ(0, InkIn(mask, 0, mask.width, 0, 2));
  EXPECT_GT(InkIn(mask, 0, mask.width, 0, mask.ascent), 10);
  bool full = false, partial = false;
  for (uint8_t c : mask.coverage) {
    full = full || c == 255;
    partial = partial || (c > 0 && c < 255);
  }
  EXPECT_TRUE(full);
  EXPECT_TRUE(partial);  // antialiased, not one-bit
}

TEST_F(ForcedDejaVu, BoldItalicAndUnderlineAreSynthesised) {
  SystemFontHandle plain = Make(16);
  SystemFontHandle bold = Make(16, true);
  SystemFontHandle italic = Make(16, false, true);
  SystemFontHandle underline = Make(16, false, false, true);
  const std::wstring text = L"Hill";
  auto ink = [&](SystemFontHandle f) {
    const CoverageMask m = Platform::RenderSystemFontText(f, text);
    int sum = 0;
    for (uint8_t c : m.coverage) sum += c;
    return sum;
  };
  EXPECT_FALSE(Platform::SystemFontHasNativeBold(bold));  // the forced file is the regular face
  EXPECT_GT(ink(bold), ink(plain) * 11 / 10);
  EXPECT_EQ(Platform::GetSystemFontMetrics(plain).height, Platform::GetSystemFontMetrics(bold).height);

  const CoverageMask upright = Platform::RenderSystemFontText(plain, L"l");
  const CoverageMask slanted = Platform::RenderSystemFontText(italic, L"l");
  EXPECT_NE(upright.coverage, slanted.coverage);

  const CoverageMask bar = Platform::RenderSystemFontText(underline, text);
  int fullRows = 0;
  for (int y = bar.ascent; y < bar.height; ++y)
    if (InkIn(bar, 0, bar.width, y, y + 1) == bar.width) ++fullRows;
  EXPECT_GE(fullRows, 1);
  EXPECT_EQ(0, InkIn(Platform::RenderSystemFontText(plain, text), 0, bar.width, bar.ascent, bar.height));
}

TEST_F(ForcedDejaVu, CloneKeepsTheRequest) {
  SystemFontHandle bold = Make(19, true, false, false, "Some Face");
  SystemFontHandle copy = Platform::CloneSystemFont(bold);
  ASSERT_NE(nullptr, copy);
  const SystemFontRequest r = Platform::GetSystemFontRequest(copy);
  EXPECT_EQ("Some Face", r.face);
  EXPECT_EQ(19, r.emPixels);
  EXPECT_TRUE(r.bold);
  EXPECT_EQ(Platform::GetSystemFontMetrics(bold).height, Platform::GetSystemFontMetrics(copy).height);
  EXPECT_EQ(Platform::MeasureSystemFontText(bold, L"Bold"), Platform::MeasureSystemFontText(copy, L"Bold"));
  Platform::DestroySystemFont(copy);
}

TEST(SystemFontFailure, NullHandleAnswersZeroAndDrawsNothing) {
  SystemFontRequest request;
  request.face = "DejaVu Sans";
  request.emPixels = 0;
  EXPECT_EQ(nullptr, Platform::CreateSystemFont(request));
  request.emPixels = -5;
  EXPECT_EQ(nullptr, Platform::CreateSystemFont(request));

  EXPECT_EQ(0, Platform::GetSystemFontMetrics(nullptr).height);
  EXPECT_EQ(0, Platform::MeasureSystemFontText(nullptr, L"abc"));
  const CoverageMask mask = Platform::RenderSystemFontText(nullptr, L"abc");
  EXPECT_EQ(0, mask.width);
  EXPECT_TRUE(mask.coverage.empty());
  EXPECT_EQ(nullptr, Platform::CloneSystemFont(nullptr));
  Platform::DestroySystemFont(nullptr);

  // A forced file that does not exist gives a null handle, not a crash.
  Platform::ForceSystemFontFile("/nonexistent/font.ttf");
  request.emPixels = 12;
  EXPECT_EQ(nullptr, Platform::CreateSystemFont(request));
  Platform::ForceSystemFontFile("");
}

TEST(SystemFontMatching, UnknownFaceStillDrawsLatinAndCyrillic) {
  SystemFontRequest request;
  request.face = "No Such Face Anywhere 42";
  request.emPixels = 16;
  SystemFontHandle font = Platform::CreateSystemFont(request);
  ASSERT_NE(nullptr, font);
  const std::wstring text = L"Ab\u0416";
  const CoverageMask mask = Platform::RenderSystemFontText(font, text);
  int pen = 0;
  for (wchar_t c : text) {
    const int advance = Platform::MeasureSystemFontText(font, std::wstring(1, c));
    EXPECT_GT(advance, 0);
    EXPECT_GT(InkIn(mask, pen, pen + advance), 4) << static_cast<int>(c);
    pen += advance;
  }
  Platform::DestroySystemFont(font);

  request.face = "DejaVu Sans";
  request.bold = true;
  font = Platform::CreateSystemFont(request);
  ASSERT_NE(nullptr, font);
  EXPECT_FALSE(Platform::SystemFontFile(font).empty());
  Platform::DestroySystemFont(font);
}

TEST(SystemFontBlend, CoverageBlendsIntoNativePixels) {
  CoverageMask mask;
  mask.width = 3;
  mask.height = 1;
  mask.coverage = {255, 128, 0};

  // 32 bits: the byte outside the colour masks is left alone.
  std::vector<uint32_t> pixels32(4, 0x7F000000u);
  Platform::NativeSurfaceView view;
  view.pixels = reinterpret_cast<uint8_t*>(pixels32.data());
  view.pitch = 16;
  view.width = 4;
  view.height = 1;
  view.bitsPerPixel = 32;
  view.redMask = 0xFF0000;
  view.greenMask = 0xFF00;
  view.blueMask = 0xFF;
  Platform::BlendCoverageIntoSurface(mask, 0, 0, 0xFFFFFF, view, 0, 0, 4, 1);
  EXPECT_EQ(0x7FFFFFFFu, pixels32[0]);
  EXPECT_EQ(0x7F808080u, pixels32[1]);
  EXPECT_EQ(0x7F000000u, pixels32[2]);
  EXPECT_EQ(0x7F000000u, pixels32[3]);

  // 16 bits (5-6-5); the clip keeps the first pixel out.
  std::vector<uint16_t> pixels16(4, 0);
  view.pixels = reinterpret_cast<uint8_t*>(pixels16.data());
  view.pitch = 8;
  view.bitsPerPixel = 16;
  view.redMask = 0xF800;
  view.greenMask = 0x07E0;
  view.blueMask = 0x001F;
  Platform::BlendCoverageIntoSurface(mask, 0, 0, 0xFF0000, view, 1, 0, 3, 1);
  EXPECT_EQ(0u, pixels16[0]);
  EXPECT_EQ(0x8000u, pixels16[1]);  // half red
  Platform::BlendCoverageIntoSurface(mask, 1, 0, 0x00FF00, view, 0, 0, 4, 1);
  EXPECT_EQ(0x07E0u, pixels16[1]);  // full green coverage replaces it

  // Masks hanging off any edge are cut, not written outside.
  Platform::BlendCoverageIntoSurface(mask, -2, 0, 0x0000FF, view, -100, -100, 1000, 1000);
  Platform::BlendCoverageIntoSurface(mask, 3, 0, 0x0000FF, view, -100, -100, 1000, 1000);
  Platform::BlendCoverageIntoSurface(mask, 0, 5, 0x0000FF, view, -100, -100, 1000, 1000);
  EXPECT_EQ(0x001Fu, pixels16[3]);
  view.bitsPerPixel = 24;  // not a depth the surfaces have: nothing
  Platform::BlendCoverageIntoSurface(mask, 0, 0, 0xFFFFFF, view, 0, 0, 4, 1);
  EXPECT_EQ(0x001Fu, pixels16[3]);
}

TEST(SystemFontThreads, FontsMadeAndDestroyedWhileAnotherThreadDraws) {
  SystemFontRequest request;
  request.face = "DejaVu Sans";
  request.emPixels = 13;
  SystemFontHandle shown = Platform::CreateSystemFont(request);
  ASSERT_NE(nullptr, shown);
  std::atomic<bool> stop{false};
  std::atomic<int> made{0};
  std::thread loader([&] {
    SystemFontRequest r = request;
    for (int i = 0; i < 40; ++i) {
      r.emPixels = 8 + i % 12;
      r.bold = (i & 1) != 0;
      SystemFontHandle font = Platform::CreateSystemFont(r);
      if (font != nullptr) {
        Platform::MeasureSystemFontText(font, L"Loading \u0417");
        Platform::DestroySystemFont(font);
        ++made;
      }
    }
    stop = true;
  });
  int drawn = 0;
  while (!stop || drawn == 0) {
    const CoverageMask mask = Platform::RenderSystemFontText(shown, L"Frame \u0444\u0440\u044d\u0439\u043c");
    EXPECT_GT(mask.width, 0);
    ++drawn;
  }
  loader.join();
  EXPECT_EQ(40, made.load());
  Platform::DestroySystemFont(shown);
}

}  // namespace
