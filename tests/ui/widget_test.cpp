#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_test_support.h"

namespace Kivo {
namespace {

using test::FakeFont;
using test::Join;
using test::LogWidget;
using test::PixelImage;
using test::TestHost;

class ButtonRecorder : public Widget {
 public:
  void MouseDownButton(int, int, int button, int clicks) override {
    downs.push_back(std::to_string(button) + "/" + std::to_string(clicks));
  }
  void MouseUpButton(int, int, int button, int clicks) override {
    ups.push_back(std::to_string(button) + "/" + std::to_string(clicks));
  }
  std::vector<std::string> downs, ups;
};

TEST(Widget, SignedCountsSplitIntoButtonAndClicks) {
  ButtonRecorder w;
  const int counts[] = {1, 2, -1, -2, 3};
  for (int c : counts) {
    w.MouseDown(0, 0, c);
    w.MouseUp(0, 0, c);
  }
  const std::vector<std::string> expected = {"0/1", "0/2", "1/1", "1/2", "2/1"};
  EXPECT_EQ(expected, w.downs);
  EXPECT_EQ(expected, w.ups);
}

TEST(Widget, ColourTableGrowsWithBlackAndIgnoresNegativeIndices) {
  Widget w;
  w.SetColor(5, Color(255, 0, 0));
  ASSERT_EQ(6u, w.mColors.size());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Color(0, 0, 0, 255), w.mColors[i]);
  EXPECT_EQ(Color(255, 0, 0), w.GetColor(5));
  w.SetColor(-1, Color(1, 2, 3));
  EXPECT_EQ(6u, w.mColors.size());
  EXPECT_EQ(Color(0, 0, 0, 255), w.GetColor(-1));
  EXPECT_EQ(Color(0, 0, 0, 255), w.GetColor(6));
  EXPECT_EQ(Color(7, 7, 7), w.GetColorOr(-3, Color(7, 7, 7)));
  EXPECT_EQ(Color(7, 7, 7), w.GetColorOr(6, Color(7, 7, 7)));
  EXPECT_EQ(Color(255, 0, 0), w.GetColorOr(5, Color(7, 7, 7)));
  const int32_t rgb[2][3] = {{1, 2, 3}, {4, 5, 6}};
  w.SetColorsRGB(rgb, 2);
  ASSERT_EQ(2u, w.mColors.size());
  EXPECT_EQ(Color(4, 5, 6, 255), w.GetColor(1));
  // The shared default cannot be repainted through the reference.
  static_assert(std::is_const<std::remove_reference_t<decltype(w.GetColor(9))>>::value,
                "GetColor hands out a read-only reference");
}

TEST(Widget, UnchangedVisibilityAndSizeInvalidateNothing) {
  TestHost host;
  WidgetManager manager(&host);
  Widget w;
  w.Resize(1, 2, 3, 4);
  manager.AddChild(&w);
  manager.mDirty = false;
  w.mDirty = false;
  w.SetVisible(true);
  w.Resize(1, 2, 3, 4);
  w.Move(1, 2);
  w.SetDisabled(false);
  EXPECT_FALSE(w.mDirty);
  EXPECT_FALSE(manager.mDirty);
  w.SetVisible(false);
  EXPECT_TRUE(w.mDirty);
  manager.RemoveChild(&w);
}

TEST(Widget, CountDigits) {
  Widget w;
  const struct {
    int64_t n;
    int digits;
  } cases[] = {{0, 1}, {9, 1}, {10, 2}, {99, 2}, {100, 3}, {2147483647, 10}, {-5, 1}};
  for (const auto& c : cases) EXPECT_EQ(c.digits, w.CountDigits(c.n)) << c.n;
}

// Ten digit cels of 10 by 2; each pixel remembers its source column.
PixelImage DigitStrip() {
  PixelImage strip(100, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 100; ++x) strip.Set(x, y, 0xFF000000u | uint32_t(x));
  return strip;
}

// The digits shown from x on, cel width 10 and the given spacing.
std::string DigitsAt(const PixelImage& dest, int x, int count, int spacing) {
  std::string out;
  for (int j = 0; j < count; ++j) {
    const int left = x + j * (10 + spacing);
    const uint32_t first = dest.At(left, 0);
    out.push_back(static_cast<char>('0' + (first & 0xFF) / 10));
    for (int i = 0; i < 10; ++i) {
      if (dest.At(left + i, 1) != first + uint32_t(i)) return "bad cel at " + std::to_string(left + i);
    }
  }
  return out;
}

TEST(Widget, NumberStripDrawsOneCelPerDigit) {
  PixelImage strip = DigitStrip();
  Widget w;
  {
    PixelImage dest(200, 2);
    Graphics g(&dest);
    w.DrawNumberStrip(g, 305, 5, 0, &strip, 2);
    EXPECT_EQ("305", DigitsAt(dest, 5, 3, 2));
    EXPECT_EQ(0u, dest.At(4, 0));
    EXPECT_EQ(0u, dest.At(15, 0));  // the spacing stays untouched
    EXPECT_EQ(0u, dest.At(16, 0));
    EXPECT_EQ(0u, dest.At(41, 0));
  }
  {
    PixelImage dest(200, 2);
    Graphics g(&dest);
    w.DrawNumberStrip(g, 2147483647, 0, 0, &strip, 0);
    EXPECT_EQ("2147483647", DigitsAt(dest, 0, 10, 0));
  }
  {
    PixelImage dest(200, 2);
    Graphics g(&dest);
    w.DrawNumberStrip(g, 98765432101LL, 0, 0, &strip, 0);
    EXPECT_EQ("98765432101", DigitsAt(dest, 0, 11, 0));
  }
  {
    PixelImage dest(200, 2);
    Graphics g(&dest);
    w.DrawNumberStrip(g, -42, 0, 0, &strip, 0);  // negative numbers show as 0
    EXPECT_EQ("0", DigitsAt(dest, 0, 1, 0));
    EXPECT_EQ(0u, dest.At(10, 0));
  }
}

TEST(Widget, CenteredTextAndItsShadow) {
  PixelImage dest(200, 50);
  FakeFont font;
  Graphics g(&dest);
  g.SetFont(&font);
  Widget w;
  w.Resize(0, 0, 100, 20);
  const Rect plain = w.DrawCenteredText(g, 20, L"abc");
  EXPECT_EQ(Rect(35, 12, 30, 10), plain);
  font.drawn.clear();
  const Rect shadowed = w.DrawCenteredTextShadowed(g, 20, L"abc", Color(1, 1, 1), Color(9, 9, 9), 2, 2);
  EXPECT_EQ(Rect(35, 12, 32, 12), shadowed);
  ASSERT_EQ(2u, font.drawn.size());
  EXPECT_EQ(37, font.drawn[0].x);
  EXPECT_EQ(22, font.drawn[0].y);
  EXPECT_EQ(Color(9, 9, 9), font.drawn[0].color);
  EXPECT_EQ(Color(1, 1, 1), font.drawn[1].color);
  EXPECT_EQ(Color(1, 1, 1), g.GetColor());
  EXPECT_EQ(Rect(33, 10, 32, 12), w.DrawCenteredTextShadowed(g, 20, L"abc", Color(1, 1, 1), Color(9, 9, 9), -2, -2));
}

TEST(Widget, TextHelpersWithoutAFontDrawNothing) {
  PixelImage dest(200, 50);
  Graphics g(&dest);
  Widget w;
  w.Resize(0, 0, 100, 20);
  EXPECT_EQ(Rect(0, 0, 0, 0), w.DrawCenteredText(g, 20, L"abc"));
  EXPECT_EQ(Rect(0, 0, 0, 0), w.DrawCenteredTextShadowed(g, 20, L"abc", Color(), Color(), 2, 2));
  EXPECT_EQ(0, w.DrawTextSpan(g, L"abc", 0, 10, 100, 0, true, 0, -1));
  EXPECT_EQ(0, w.DrawTextWrapped(g, Rect(0, 0, 100, 0), L"abc", -1, -1));
  EXPECT_EQ(0, w.MeasureTextWrapped(g, 100, L"abc", -1));
  EXPECT_EQ(0, dest.fillCount);
}

TEST(Widget, TextHelpersAlwaysReadEscapes) {
  PixelImage dest(200, 50);
  FakeFont font;
  Graphics g(&dest);
  g.SetFont(&font);
  g.SetWriteColoredString(false);
  Widget w;
  EXPECT_EQ(10, w.DrawTextSpan(g, L"^FF0000^a", 0, 10, 100, -1, true, 0, -1));
  EXPECT_EQ(10, w.DrawTextWrapped(g, Rect(0, 0, 100, 0), L"^00FF00^b", -1, -1));
  EXPECT_FALSE(g.GetWriteColoredString());
  EXPECT_EQ("a|b", font.Texts());
}

TEST(Widget, TabMovesTheFocusToTheNeighbours) {
  TestHost host;
  WidgetManager manager(&host);
  std::vector<std::string> log;
  LogWidget a("a", &log), b("b", &log), c("c", &log);
  manager.AddChild(&a);
  manager.AddChild(&b);
  manager.AddChild(&c);
  a.mTabNext = &b;
  a.mTabPrev = &c;
  manager.SetFocus(&a);
  manager.OnKeyDown(kKeyTab);
  EXPECT_EQ(&b, manager.mFocusWidget);
  manager.OnKeyUp(kKeyTab);
  manager.SetFocus(&a);
  manager.OnKeyDown(kKeyShift);
  manager.OnKeyDown(kKeyTab);
  EXPECT_EQ(&c, manager.mFocusWidget);
  EXPECT_TRUE(c.mHasFocus);
  EXPECT_FALSE(a.mHasFocus);
  // No neighbour: nothing happens.
  manager.OnKeyDown(kKeyTab);
  EXPECT_EQ(&c, manager.mFocusWidget);
}

TEST(Widget, HandCursorGoesThroughTheApplication) {
  TestHost host;
  WidgetManager manager(&host);
  Widget w;
  w.Resize(0, 0, 10, 10);
  w.mHandCursor = true;
  w.ShowHandCursor(true);  // detached: nothing
  EXPECT_TRUE(host.cursors.empty());
  manager.AddChild(&w);
  manager.OnMouseMove(5, 5);
  manager.OnMouseMove(50, 50);
  EXPECT_EQ((std::vector<int>{1, 0}), host.cursors);
  manager.RemoveChild(&w);
}

}  // namespace
}  // namespace Kivo
