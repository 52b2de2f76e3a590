// Fonts from an image strip and a widths file.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/font_test_support.h"
#include "ui/Graphics.h"
#include "ui/ImageFont.h"
#include "ui/LegacyFont.h"

namespace Kivo {
namespace {

class LegacyFontTest : public ::testing::Test {
 protected:
  std::string Widths(const std::string& text) {
    const std::string path = folder / ("widths" + std::to_string(++files) + ".txt");
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Source rectangles of the glyph draws, in order.
  std::vector<Rect> DrawnSources(ImageFont& font, const std::wstring& text) {
    test::RecordingImage screen(200, 50);
    Graphics g(&screen);
    font.DrawString(g, 0, 20, text, Color(), Rect());
    std::vector<Rect> out;
    for (const auto& call : screen.calls) {
      if (call.name != "DrawImage") continue;
      int x, y, sx, sy, w, h;
      std::sscanf(call.args.c_str(), "%d,%d (%d,%d,%d,%d)", &x, &y, &sx, &sy, &w, &h);
      out.push_back(Rect(sx, sy, w, h));
    }
    return out;
  }

  TempFolder folder;
  int files = 0;
  std::unique_ptr<MemoryImage> image = test::NumberedMemoryImage(15, 16);
};

TEST_F(LegacyFontTest, WidthsAndStripMakeOneLayer) {
  ImageFont font(image.get(), Widths("4 12\nA 7\nB 8\n"));
  FontData& data = *font.GetFontData();
  ASSERT_TRUE(data.IsInitialised());
  ASSERT_EQ(data.Layers().size(), 1u);
  const FontLayer& layer = data.Layers()[0];
  EXPECT_EQ(layer.Glyph(L' ').width, 4);
  EXPECT_EQ(font.GetAscent(), 12);
  EXPECT_EQ(font.GetHeight(), 16);
  EXPECT_EQ(layer.Glyph(L'A').imageRect, Rect(0, 0, 7, 16));
  EXPECT_EQ(layer.Glyph(L'B').imageRect, Rect(7, 0, 8, 16));
  EXPECT_EQ(font.StringWidth(L"A B"), 7 + 4 + 8);
  EXPECT_EQ(font.StringWidth(L"ab"), 15) << "lower case falls back to the upper-case glyphs";
  EXPECT_EQ(DrawnSources(font, L"ab").size(), 2u);
  EXPECT_EQ(DrawnSources(font, L"ab")[1], Rect(7, 0, 8, 16));
  EXPECT_EQ(image->width, 15) << "the image stays the caller's";

  EXPECT_FALSE(data.LoadLegacy(image.get(), Widths("1 1\nC 3"))) << "a second load changes nothing";
  EXPECT_EQ(data.Layers().size(), 1u);
  EXPECT_EQ(data.MapChar(L'C'), 0);
}

TEST_F(LegacyFontTest, BothCasesKeepTheirOwnGlyphsAndAMissingWidthIsZero) {
  ImageFont font(image.get(), Widths("3 10 a 4 A 5 b 6 7"));
  const FontData& data = *font.GetFontData();
  const FontLayer& layer = data.Layers()[0];
  EXPECT_EQ(data.MapChar(L'a'), L'a');
  EXPECT_EQ(data.MapChar(L'A'), L'A');
  EXPECT_EQ(layer.Glyph(L'A').imageRect, Rect(4, 0, 5, 16));
  EXPECT_EQ(layer.Glyph(L'b').imageRect, Rect(9, 0, 6, 16));
  // "7" listed last has no width: it draws nothing.
  EXPECT_EQ(data.MapChar(L'7'), L'7');
  EXPECT_EQ(layer.Glyph(L'7').width, 0);
  EXPECT_EQ(font.StringWidth(L"7"), 0);

  ImageFont letter(image.get(), Widths("3 10 B 6 b"));
  EXPECT_EQ(letter.GetFontData()->MapChar(L'b'), L'B') << "a letter without width takes its other case";
  EXPECT_EQ(letter.StringWidth(L"b"), 6);
}

TEST_F(LegacyFontTest, BadFilesAndWidths) {
  struct Case {
    const char* text;
    bool loads;
  };
  const Case cases[] = {{"", false}, {"4", false}, {"x y", false}, {"4 -", false}, {"  7\n\t9", true}};
  for (const Case& c : cases) {
    ImageFont font(image.get(), Widths(c.text));
    EXPECT_EQ(font.GetFontData()->IsInitialised(), c.loads) << c.text;
    if (!c.loads) {
      EXPECT_EQ(font.StringWidth(L" "), 0);
      EXPECT_EQ(font.GetHeight(), 0);
    }
  }
  ImageFont missing(image.get(), folder / "none.txt");
  EXPECT_FALSE(missing.GetFontData()->IsInitialised());

  // A negative width counts as 0 and does not move the pen backwards; a
  // glyph past the image edge stays and draws nothing.
  ImageFont font(image.get(), Widths("-5 10 A -3 B 10 C 9"));
  ASSERT_TRUE(font.GetFontData()->IsInitialised());
  const FontLayer& layer = font.GetFontData()->Layers()[0];
  EXPECT_EQ(layer.Glyph(L' ').width, 0);
  EXPECT_EQ(layer.Glyph(L'A').width, 0);
  EXPECT_EQ(layer.Glyph(L'B').imageRect, Rect(0, 0, 10, 16));
  EXPECT_EQ(layer.Glyph(L'C').imageRect, Rect(10, 0, 9, 16));
  EXPECT_EQ(font.StringWidth(L"A B"), 10);
  const std::vector<Rect> drawn = DrawnSources(font, L"BC");
  EXPECT_EQ(drawn, (std::vector<Rect>{Rect(0, 0, 10, 16)})) << "C lies past the 15-pixel edge";
}

TEST_F(LegacyFontTest, HighBytesStandForLatin1) {
  ImageFont font(image.get(), Widths("2 10 \xE9 5 \xFF 3"));
  const FontData& data = *font.GetFontData();
  EXPECT_EQ(data.MapChar(L'\u00E9'), L'\u00E9');
  EXPECT_EQ(font.StringWidth(L"\u00E9\u00FF"), 8);
}

TEST(LegacyWidths, ScansLikeTheCScanner) {
  LegacyWidths w;
  ASSERT_TRUE(ParseLegacyWidths("+4\r\n-12 A5 B\n\n C 99999999999", w));
  EXPECT_EQ(w.spaceWidth, 4);
  EXPECT_EQ(w.ascent, -12);
  ASSERT_EQ(w.entries.size(), 3u);
  EXPECT_EQ(w.entries[0].character, L'A');
  EXPECT_EQ(w.entries[0].width, 5);
  EXPECT_EQ(w.entries[1].width, 0) << "B's number is missing, C is the next entry";
  EXPECT_EQ(w.entries[2].character, L'C');
  EXPECT_EQ(w.entries[2].width, 2147483647) << "saturates";
}

}  // namespace
}  // namespace Kivo
