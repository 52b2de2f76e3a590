#include <gtest/gtest.h>

#include <memory>

#include "ui/Font.h"

namespace Kivo {
namespace {

class MetricsFont : public Font {
 public:
  MetricsFont(int height, int ascent, int offset) {
    mHeight = height;
    mAscent = ascent;
    mLineSpacingOffset = offset;
  }
  MetricsFont() = default;
  Font* Duplicate() const override { return new MetricsFont(*this); }
};

// Knows only whole strings: width is 7 per character plus 3 per string.
class StringOnlyFont : public Font {
 public:
  int StringWidth(const std::wstring& text) override { return static_cast<int>(text.size()) * 7 + 3; }
  Font* Duplicate() const override { return new StringOnlyFont(*this); }
};

TEST(Font, NoMetricsGivesZeroEverywhere) {
  MetricsFont font;
  EXPECT_EQ(0, font.GetAscent());
  EXPECT_EQ(0, font.GetAscentPadding());
  EXPECT_EQ(0, font.GetHeight());
  EXPECT_EQ(0, font.GetDescent());
  EXPECT_EQ(0, font.GetLineSpacingOffset());
  EXPECT_EQ(0, font.GetLineSpacing());
  EXPECT_EQ(0, font.StringWidth(L"abc"));
  EXPECT_EQ(0, font.CharWidth(L'a'));
}

TEST(Font, DescentAndLineSpacingFollowTheMetrics) {
  MetricsFont font(20, 15, -2);
  EXPECT_EQ(5, font.GetDescent());
  EXPECT_EQ(18, font.GetLineSpacing());
}

TEST(Font, CharacterWidthsComeFromTheStringWidthOverride) {
  StringOnlyFont font;
  EXPECT_EQ(10, font.CharWidth(L'x'));
  EXPECT_EQ(10, font.CharWidthKerned(L'x', 0));
  EXPECT_EQ(10, font.CharWidthKerned(L'x', L'A'));
}

TEST(Font, DuplicateCopiesTheMetrics) {
  MetricsFont font(20, 15, -2);
  std::unique_ptr<Font> copy(font.Duplicate());
  EXPECT_EQ(18, copy->GetLineSpacing());
  EXPECT_EQ(15, copy->GetAscent());
}

}  // namespace
}  // namespace Kivo
