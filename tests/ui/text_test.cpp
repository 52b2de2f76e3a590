#include <gtest/gtest.h>

#include "ui_test_support.h"

namespace Kivo {
namespace {

using test::FakeFont;
using test::Narrowed;
using test::PixelImage;

// A context on a large image with the 10-pixel fake font (ascent 8, height 10).
struct TextFixture : ::testing::Test {
  PixelImage dest{400, 400};
  FakeFont font;
  Graphics g{&dest};
  TextFixture() { g.SetFont(&font); }

  std::vector<FakeFont::Drawn> NonEmpty() const {
    std::vector<FakeFont::Drawn> out;
    for (const auto& d : font.drawn)
      if (!d.text.empty()) out.push_back(d);
    return out;
  }
};

TEST_F(TextFixture, DoubleCaretIsOneLiteralCaret) {
  EXPECT_EQ(30, g.DrawColoredText(L"a^^b", 0, 10, 0, -1, true, 0, -1, -1));
  EXPECT_EQ("a^b", font.Texts());
  EXPECT_EQ(30, g.DrawColoredText(L"a^^b", 0, 10, 0, -1, false, 0, -1, -1));
}

TEST_F(TextFixture, ColourEscapesKeepTheAlphaAndOldColourGoesBack) {
  g.SetColor(Color(0, 0, 255, 128));
  const int width = g.DrawColoredText(L"x^FF0000^red^oldclr^y", 5, 20, 0, -1, true, 0, -1, -1);
  EXPECT_EQ(50, width);
  auto drawn = NonEmpty();
  ASSERT_EQ(3u, drawn.size());
  EXPECT_EQ("x", Narrowed(drawn[0].text));
  EXPECT_EQ(Color(0, 0, 255, 128), drawn[0].color);
  EXPECT_EQ("red", Narrowed(drawn[1].text));
  EXPECT_EQ(Color(255, 0, 0, 128), drawn[1].color);
  EXPECT_EQ(15, drawn[1].x);
  EXPECT_EQ("y", Narrowed(drawn[2].text));
  EXPECT_EQ(Color(0, 0, 255, 128), drawn[2].color);
  EXPECT_EQ(45, drawn[2].x);
}

TEST_F(TextFixture, EscapeParsingTable) {
  struct Case {
    const wchar_t* text;
    Color expected;  // colour of the "z" after the escape
  } cases[] = {
      {L"^00ff80^z", Color(0, 255, 128, 200)},   {L"^GG0000^z", Color(0, 0, 0, 200)},  // non-hex digits count as 0
      {L"^1G2H3I^z", Color(16, 32, 48, 200)},    {L"^oldclX^z", Color(0, 0, 0, 200)},  // misspelt oldclr: black
      {L"^FFFFFF!z", Color(255, 255, 255, 200)},                                       // any eighth character closes it
  };
  for (const Case& c : cases) {
    font.drawn.clear();
    g.SetColor(Color(9, 9, 9, 200));
    g.DrawColoredText(c.text, 0, 10, 0, -1, true, 0, -1, -1);
    auto drawn = NonEmpty();
    ASSERT_EQ(1u, drawn.size()) << Narrowed(c.text);
    EXPECT_EQ("z", Narrowed(drawn[0].text));
    EXPECT_EQ(c.expected, drawn[0].color) << Narrowed(c.text);
  }
}

TEST_F(TextFixture, EscapeCutShortEndsTheText) {
  EXPECT_EQ(20, g.DrawColoredText(L"ab^12", 0, 10, 0, -1, true, 0, -1, -1));
  EXPECT_EQ("ab", font.Texts());
}

TEST_F(TextFixture, EscapesOffDrawCaretsAsText) {
  g.SetWriteColoredString(false);
  EXPECT_EQ(80, g.DrawColoredText(L"^FF0000^", 0, 10, 0, -1, true, 0, -1, -1));
  EXPECT_EQ("^FF0000^", font.Texts());
}

TEST_F(TextFixture, JustificationAndMeasuringOnly) {
  EXPECT_EQ(30, g.DrawColoredText(L"abc", 0, 10, 100, 0, false, 0, -1, -1));
  EXPECT_TRUE(font.drawn.empty());  // centring with draw off moves and draws nothing
  g.DrawColoredText(L"abc", 0, 10, 100, 0, true, 0, -1, -1);
  g.DrawColoredText(L"abc", 0, 10, 100, 1, true, 0, -1, -1);
  g.DrawColoredText(L"abc", 0, 10, 100, 2, true, 0, -1, -1);
  auto drawn = NonEmpty();
  ASSERT_EQ(3u, drawn.size());
  EXPECT_EQ(35, drawn[0].x);
  EXPECT_EQ(70, drawn[1].x);
  EXPECT_EQ(0, drawn[2].x);
}

TEST_F(TextFixture, SpansAndCharacterLimits) {
  EXPECT_EQ(20, g.DrawColoredText(L"abcdef", 0, 10, 0, -1, true, 2, 2, -1));
  EXPECT_EQ(40, g.DrawColoredText(L"abcdef", 0, 10, 0, -1, false, 2, 99, -1));
  EXPECT_EQ(30, g.DrawColoredTextUpTo(L"abcdef", 0, 10, 0, -1, true, 1, 5, -1, 4));
  EXPECT_EQ(-1, g.DrawColoredTextUpTo(L"abcdef", 0, 10, 0, -1, true, 4, 2, -1, 4));
  EXPECT_EQ("cd|bcd", font.Texts());
}

TEST_F(TextFixture, WrappingBreaksAtSpacesAndRestoresTheColour) {
  g.SetColor(Color(1, 2, 3));
  const int height = g.DrawTextWrapped(Rect(10, 100, 65, 0), L"one ^FF0000^two three", -1, -1);
  auto drawn = NonEmpty();
  ASSERT_EQ(3u, drawn.size());
  EXPECT_EQ("one", Narrowed(drawn[0].text));
  EXPECT_EQ(10, drawn[0].x);
  EXPECT_EQ(108, drawn[0].y);
  EXPECT_EQ(Color(1, 2, 3), drawn[0].color);
  EXPECT_EQ("two", Narrowed(drawn[1].text));
  EXPECT_EQ(118, drawn[1].y);
  EXPECT_EQ(Color(255, 0, 0), drawn[1].color);
  EXPECT_EQ("three", Narrowed(drawn[2].text));
  EXPECT_EQ(128, drawn[2].y);
  EXPECT_EQ(Color(255, 0, 0), drawn[2].color);  // the escape carries into the next line
  EXPECT_EQ(2 + 8 + 2 * 10, height);
  EXPECT_EQ(Color(1, 2, 3), g.GetColor());
}

TEST_F(TextFixture, LinesOutsideTheClipAreOnlyMeasured) {
  g.ClipRect(0, 15, 400, 1);
  const int height = g.DrawTextWrapped(Rect(0, 0, 35, 0), L"aaa bbb ccc ddd", -1, -1);
  EXPECT_EQ(2 + 8 + 3 * 10, height);
  // Baselines 8, 18, 28 and 38: only 18 lies in [15, 15 + 1 + 10); the last
  // line is always handed on and clipped by the drawing itself.
  EXPECT_EQ("bbb|ddd", font.Texts());
}

TEST_F(TextFixture, OverlongWordsBreakBetweenCharacters) {
  g.DrawTextWrapped(Rect(0, 0, 25, 0), L"abcdef", -1, -1);
  EXPECT_EQ("ab|cd|ef", font.Texts());
  font.drawn.clear();
  // A character wider than the rectangle still gets a line of its own.
  const int height = g.DrawTextWrapped(Rect(0, 0, 5, 0), L"abc", -1, -1);
  EXPECT_EQ("a|b|c", font.Texts());
  EXPECT_EQ(2 + 8 + 2 * 10, height);
}

TEST_F(TextFixture, NewlinesMakeLinesAndATrailingOneAddsAnEmptyLine) {
  struct Case {
    const wchar_t* text;
    int height;
    const char* drawn;
  } cases[] = {
      {L"ab", 10, "ab"}, {L"a\n\nb", 30, "a|b"}, {L"a\n", 20, "a"}, {L"a\nb", 20, "a|b"}, {L"", 0, ""},
  };
  for (const Case& c : cases) {
    font.drawn.clear();
    EXPECT_EQ(c.height, g.DrawTextWrapped(Rect(0, 0, 300, 0), c.text, -1, -1)) << Narrowed(c.text);
    EXPECT_EQ(c.drawn, font.Texts()) << Narrowed(c.text);
    EXPECT_EQ(c.height, g.MeasureTextWrappedHeight(300, c.text, -1)) << Narrowed(c.text);
  }
  // The middle line of a\n\nb is empty: b sits two lines below a.
  font.drawn.clear();
  g.DrawTextWrapped(Rect(0, 0, 300, 0), L"a\n\nb", -1, -1);
  auto drawn = NonEmpty();
  ASSERT_EQ(2u, drawn.size());
  EXPECT_EQ(8, drawn[0].y);
  EXPECT_EQ(28, drawn[1].y);
}

TEST_F(TextFixture, CharacterLimitStopsTheBlock) {
  g.DrawTextWrapped(Rect(0, 0, 300, 0), L"Hello world", -1, -1, nullptr, 5);
  EXPECT_EQ("Hello", font.Texts());
}

TEST_F(TextFixture, MeasuringOneLineIsAscentMinusPaddingPlusDescent) {
  EXPECT_EQ(10, g.MeasureTextWrappedHeight(300, L"word", -1));
  EXPECT_EQ(0, dest.fillCount);  // measuring draws on no image
}

TEST_F(TextFixture, OpaqueStartColourSurvivesAsTheOldColour) {
  g.SetColor(Color(255, 255, 255, 255));
  g.DrawTextWrapped(Rect(0, 0, 35, 0), L"^FF0000^aaa ^oldclr^b", -1, -1);
  auto drawn = NonEmpty();
  ASSERT_EQ(2u, drawn.size());
  EXPECT_EQ(Color(255, 0, 0), drawn[0].color);
  // The start colour is the state colour at the start of the block, not the
  // red left over from the previous line.
  EXPECT_EQ("b", Narrowed(drawn[1].text));
  EXPECT_EQ(Color(255, 255, 255, 255), drawn[1].color);
}

TEST_F(TextFixture, FirstLineOffsetContinuesAText) {
  int offset = 20;
  g.DrawTextWrapped(Rect(0, 0, 50, 0), L"abc de", -1, -1, nullptr, -1, &offset);
  auto drawn = NonEmpty();
  ASSERT_EQ(2u, drawn.size());
  EXPECT_EQ("abc", Narrowed(drawn[0].text));
  EXPECT_EQ(20, drawn[0].x);
  EXPECT_EQ("de", Narrowed(drawn[1].text));
  EXPECT_EQ(0, drawn[1].x);
  EXPECT_EQ(20, offset);
}

TEST(Text, WithoutAFontNothingIsDrawnOrMeasured) {
  PixelImage dest(50, 50);
  Graphics g(&dest);
  g.SetColor(Color(255, 0, 0));
  int widest = 7;
  EXPECT_EQ(0, g.DrawColoredText(L"abc", 0, 10, 0, -1, true, 0, -1, -1));
  EXPECT_EQ(0, g.DrawTextWrapped(Rect(0, 0, 40, 0), L"abc def", -1, -1, &widest));
  EXPECT_EQ(0, widest);
  EXPECT_EQ(0, g.MeasureTextWrappedHeight(40, L"abc", -1));
  g.DrawString(L"abc", 0, 10);
  EXPECT_EQ(0, dest.fillCount);
}

}  // namespace
}  // namespace Kivo
