// Buttons driven through the widget manager as the application drives them,
// and their framed, image and nine-slice looks checked pixel by pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_test_support.h"
#include "ui/ButtonWidget.h"
#include "ui/DialogButton.h"

namespace Kivo {
namespace {

using test::FakeFont;
using test::PixelImage;
using test::TestHost;

class RecordingListener : public ButtonListener {
 public:
  void ButtonPressClicks(int id, int clicks) override {
    Log("PressClicks(" + std::to_string(id) + "," + std::to_string(clicks) + ")");
    ButtonListener::ButtonPressClicks(id, clicks);
  }
  void ButtonPress(int id) override { Log("Press(" + std::to_string(id) + ")"); }
  void ButtonDepress(int id) override { Log("Depress(" + std::to_string(id) + ")"); }
  void ButtonHeld(int id) override { Log("Held(" + std::to_string(id) + ")"); }
  void ButtonMouseEnter(int id) override { Log("Enter(" + std::to_string(id) + ")"); }
  void ButtonMouseLeave(int id) override { Log("Leave(" + std::to_string(id) + ")"); }

  std::string Take() {
    std::string out;
    for (const std::string& s : calls) out += (out.empty() ? "" : " ") + s;
    calls.clear();
    return out;
  }
  std::vector<std::string> calls;

 private:
  void Log(const std::string& s) { calls.push_back(s); }
};

struct ButtonInManager : ::testing::Test {
  TestHost host;
  WidgetManager manager{&host};
  RecordingListener listener;
  ButtonWidget button{7, &listener};

  ButtonInManager() {
    manager.SetCoordinateTransform(Rect(0, 0, 200, 100), Rect(0, 0, 200, 100));
    button.Resize(10, 10, 40, 20);
    manager.AddChild(&button);
  }
};

TEST_F(ButtonInManager, ClicksPressesAndReleases) {
  struct Case {
    int count;     // signed mouse count
    int releaseX;  // where the button goes up
    const char* expected;
  };
  const Case cases[] = {
      {1, 20, "PressClicks(7,1) Press(7) Depress(7)"},
      {1, 150, "PressClicks(7,1) Press(7)"},  // released outside: no click
      {-1, 20, "PressClicks(7,1) Press(7) Depress(7)"},
      {-1, 150, "PressClicks(7,1) Press(7)"},
      {2, 20, "PressClicks(7,2) Press(7) Depress(7)"},
  };
  for (const Case& c : cases) {
    manager.OnMouseMove(20, 20);
    listener.Take();
    manager.OnMouseDown(20, 20, c.count);
    manager.OnMouseMove(c.releaseX, 20);
    manager.OnMouseUp(c.releaseX, 20, c.count);
    std::string got;
    for (const std::string& s : listener.calls)
      if (s.rfind("Enter", 0) != 0 && s.rfind("Leave", 0) != 0) got += (got.empty() ? "" : " ") + s;
    listener.calls.clear();
    EXPECT_EQ(c.expected, got) << c.count << " up at " << c.releaseX;
  }
}

TEST_F(ButtonInManager, NoClickWhileTheApplicationIsInTheBackground) {
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  manager.AppLostFocus();
  manager.OnMouseUp(20, 20, 1);
  EXPECT_EQ(std::string::npos, listener.Take().find("Depress"));
}

TEST_F(ButtonInManager, HeldOncePerUpdateOnlyWhileOver) {
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  listener.Take();
  manager.UpdateFrame();
  manager.UpdateFrame();
  EXPECT_EQ("Held(7) Held(7)", listener.Take());
  EXPECT_TRUE(button.IsPressed());
  manager.OnMouseMove(120, 80);  // dragged off
  listener.Take();
  manager.UpdateFrame();
  manager.UpdateFrame();
  EXPECT_EQ("", listener.Take());
  EXPECT_FALSE(button.IsPressed());
  manager.OnMouseMove(25, 15);  // back over it
  listener.Take();
  manager.UpdateFrame();
  EXPECT_EQ("Held(7)", listener.Take());
  manager.OnMouseUp(25, 15, 1);
  listener.Take();
  manager.UpdateFrame();
  EXPECT_EQ("", listener.Take());
}

TEST_F(ButtonInManager, HoverFadesInAndOutInFourSteps) {
  PixelImage normal(40, 20, 0xFF0000FFu), over(40, 20, 0xFFFF0000u);
  button.mButtonImage = &normal;
  button.mOverImage = &over;
  button.mOverAlphaFadeInSpeed = 0.25;
  button.mOverAlphaFadeOutSpeed = 0.25;
  manager.OnMouseMove(20, 20);
  std::vector<double> in;
  for (int i = 0; i < 5; ++i) {
    manager.UpdateFrame();
    in.push_back(button.mOverAlpha);
  }
  EXPECT_EQ((std::vector<double>{0.25, 0.5, 0.75, 1.0, 1.0}), in);

  // Half faded: the normal image, then the over image at half strength.
  button.mOverAlpha = 0.5;
  PixelImage screen(40, 20, 0);
  Graphics g(&screen);
  button.Resize(0, 0, 40, 20);
  button.Draw(g);
  EXPECT_EQ(PixelImage::Tinted(0xFFFF0000u, Color(255, 255, 255, 127)), screen.At(5, 5));
  button.Resize(10, 10, 40, 20);
  button.mOverAlpha = 1.0;

  manager.OnMouseMove(150, 80);
  EXPECT_EQ(1.0, button.mOverAlpha);
  std::vector<double> out;
  for (int i = 0; i < 5; ++i) {
    manager.UpdateFrame();
    out.push_back(button.mOverAlpha);
  }
  EXPECT_EQ((std::vector<double>{0.75, 0.5, 0.25, 0.0, 0.0}), out);

  // Without fade speeds the over look comes and goes at once.
  button.mOverAlphaFadeOutSpeed = 0.0;
  button.mOverAlpha = 0.6;
  manager.OnMouseMove(20, 20);
  manager.OnMouseMove(150, 80);
  EXPECT_EQ(0.0, button.mOverAlpha);
}

TEST_F(ButtonInManager, EnterAndLeaveReachTheListener) {
  manager.OnMouseMove(20, 20);
  manager.OnMouseMove(150, 20);
  EXPECT_EQ("Enter(7) Leave(7)", listener.Take());
}

// Framed look of a 10 by 10 button: L light edge, D dark edge, S inner
// shadow, F face.
std::vector<std::string> FramedRows(PixelImage& screen) {
  std::vector<std::string> rows;
  for (int y = 0; y < 10; ++y) {
    std::string row;
    for (int x = 0; x < 10; ++x) {
      switch (screen.At(x, y)) {
        case 0xFFFFFFFFu: row += 'L'; break;
        case 0xFF000000u: row += 'D'; break;
        case 0xFF848484u: row += 'S'; break;
        case 0xFFD4D4D4u: row += 'F'; break;
        default: row += '?';
      }
    }
    rows.push_back(row);
  }
  return rows;
}

const std::vector<std::string> kReleased = {
    "LLLLLLLLLD", "LFFFFFFFSD", "LFFFFFFFSD", "LFFFFFFFSD", "LFFFFFFFSD",
    "LFFFFFFFSD", "LFFFFFFFSD", "LFFFFFFFSD", "LSSSSSSSSD", "DDDDDDDDDD",
};
const std::vector<std::string> kPressed = {
    "DDDDDDDDDL", "DSSSSSSSFL", "DSFFFFFFFL", "DSFFFFFFFL", "DSFFFFFFFL",
    "DSFFFFFFFL", "DSFFFFFFFL", "DSFFFFFFFL", "DFFFFFFFFL", "LLLLLLLLLL",
};

TEST(ButtonLook, FramedTenByTenReleasedPressedAndInverted) {
  RecordingListener listener;
  ButtonWidget button(1, &listener);
  button.Resize(0, 0, 10, 10);
  {
    PixelImage screen(10, 10, 0x12345678u);
    Graphics g(&screen);
    button.Draw(g);
    EXPECT_EQ(kReleased, FramedRows(screen));
  }
  {
    button.mIsDown = true;
    button.mIsOver = true;
    PixelImage screen(10, 10, 0x12345678u);
    Graphics g(&screen);
    button.Draw(g);
    EXPECT_EQ(kPressed, FramedRows(screen));
  }
  {
    // Inverted swaps the looks both ways.
    button.mInverted = true;
    PixelImage screen(10, 10, 0x12345678u);
    Graphics g(&screen);
    button.Draw(g);
    EXPECT_EQ(kReleased, FramedRows(screen));
    button.mIsDown = false;
    button.mIsOver = false;
    PixelImage screen2(10, 10, 0x12345678u);
    Graphics g2(&screen2);
    button.Draw(g2);
    EXPECT_EQ(kPressed, FramedRows(screen2));
  }
  {
    // No frame: nothing but the label.
    button.mInverted = false;
    button.mFrameNoDraw = true;
    PixelImage screen(10, 10, 0x12345678u);
    Graphics g(&screen);
    button.Draw(g);
    EXPECT_EQ(0, screen.fillCount);
  }
}

TEST(ButtonLook, LabelPositionColourAndInvertedShift) {
  RecordingListener listener;
  ButtonWidget button(1, &listener);
  button.Resize(0, 0, 30, 10);
  button.mLabel = L"A";
  FakeFont font;  // ascent 8, height 10, 10 wide per character
  button.SetFont(&font);
  PixelImage screen(30, 10);
  struct Case {
    bool inverted, hovered;
    int x, y;
    Color color;
  };
  const Case cases[] = {
      {false, false, 10, 8, Color(0, 0, 0)},
      {true, false, 11, 9, Color(0, 0, 0)},
      {false, true, 10, 8, Color(0, 255, 0)},
  };
  button.SetColor(kButtonColorLabelHilite, Color(0, 255, 0));
  for (const Case& c : cases) {
    button.mInverted = c.inverted;
    button.mIsOver = c.hovered;
    Graphics g(&screen);
    button.Draw(g);
    auto* drawnBy = dynamic_cast<FakeFont*>(button.GetFont());
    ASSERT_NE(nullptr, drawnBy);
    ASSERT_EQ(1u, drawnBy->drawn.size());
    EXPECT_EQ(c.x, drawnBy->drawn[0].x) << c.inverted << c.hovered;
    EXPECT_EQ(c.y, drawnBy->drawn[0].y) << c.inverted << c.hovered;
    EXPECT_EQ(c.color, drawnBy->drawn[0].color) << c.inverted << c.hovered;
    drawnBy->drawn.clear();
  }
  button.mLabelJustify = 1;
  button.mInverted = false;
  Graphics g(&screen);
  button.Draw(g);
  EXPECT_EQ(20, dynamic_cast<FakeFont*>(button.GetFont())->drawn[0].x);
}

TEST(ButtonLook, DisabledImageOrReleasedLook) {
  RecordingListener listener;
  ButtonWidget button(1, &listener);
  button.Resize(0, 0, 4, 4);
  PixelImage normal(4, 4, 0xFF0000FFu), disabled(4, 4, 0xFF808080u), down(4, 4, 0xFF00FF00u);
  button.mButtonImage = &normal;
  button.mDownImage = &down;
  button.SetDisabled(true);
  button.mIsDown = true;
  button.mIsOver = true;  // a disabled button never looks pressed
  PixelImage screen(4, 4);
  Graphics g(&screen);
  button.Draw(g);
  EXPECT_EQ(0xFF0000FFu, screen.At(0, 0));
  button.mDisabledImage = &disabled;
  button.Draw(g);
  EXPECT_EQ(0xFF808080u, screen.At(0, 0));
  button.SetDisabled(false);
  button.Draw(g);
  EXPECT_EQ(0xFF00FF00u, screen.At(0, 0));
}

TEST(ButtonLook, StateCellsOfOneSheet) {
  RecordingListener listener;
  ButtonWidget button(1, &listener);
  button.Resize(0, 0, 2, 2);
  PixelImage sheet(6, 2, 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) sheet.Set(x, y, x < 2 ? 0xFF0000FFu : x < 4 ? 0xFFFF0000u : 0xFF00FF00u);
  button.mButtonImage = &sheet;
  button.mNormalRect = Rect(0, 0, 2, 2);
  button.mOverRect = Rect(2, 0, 2, 2);
  button.mDownRect = Rect(4, 0, 2, 2);
  PixelImage screen(2, 2);
  Graphics g(&screen);
  const struct {
    bool down, over;
    uint32_t expected;
  } cases[] = {
      {false, false, 0xFF0000FFu}, {false, true, 0xFFFF0000u}, {true, true, 0xFF00FF00u}, {true, false, 0xFFFF0000u}};
  for (const auto& c : cases) {
    button.mIsDown = c.down;
    button.mIsOver = c.over;
    button.Draw(g);
    EXPECT_EQ(c.expected, screen.At(1, 1)) << c.down << c.over;
  }
}

TEST(ButtonFont, SetFontKeepsADuplicateAndAcceptsItsOwnFontAndNull) {
  RecordingListener listener;
  ButtonWidget button(1, &listener);
  FakeFont font(7);
  button.SetFont(&font);
  ASSERT_NE(nullptr, button.GetFont());
  EXPECT_NE(&font, button.GetFont());
  button.SetFont(button.GetFont());  // its own font: duplicated before deletion
  ASSERT_NE(nullptr, button.GetFont());
  EXPECT_EQ(7, button.GetFont()->StringWidth(L"x"));
  button.SetFont(nullptr);
  EXPECT_EQ(nullptr, button.GetFont());
}

TEST(DialogButtonLook, NineSliceCellsPressedOffsetAndHandCursor) {
  TestHost host;
  WidgetManager manager(&host);
  manager.SetCoordinateTransform(Rect(0, 0, 100, 100), Rect(0, 0, 100, 100));
  RecordingListener listener;
  // A 3 by 3 component: every cell its own colour, so the nine slices of a
  // 3 by 3 button reproduce it exactly.
  PixelImage component(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) component.Set(x, y, 0xFF000000u | uint32_t(x * 80) << 16 | uint32_t(y * 80));
  DialogButton button(&component, 1000, &listener);
  EXPECT_TRUE(button.mHandCursor);
  EXPECT_EQ(Color(255, 255, 255), button.GetColor(kButtonColorLabel));
  button.Resize(0, 0, 3, 3);
  {
    PixelImage screen(3, 3);
    Graphics g(&screen);
    button.Draw(g);
    EXPECT_EQ(component.pixels, screen.pixels);
  }
  {
    // Pressed: the whole box moves by the pressed offset.
    button.mIsDown = true;
    button.mIsOver = true;
    PixelImage screen(4, 4);
    Graphics g(&screen);
    button.Draw(g);
    EXPECT_EQ(0u, screen.At(0, 0));
    EXPECT_EQ(component.At(0, 0), screen.At(1, 1));
    EXPECT_EQ(component.At(2, 2), screen.At(3, 3));
    EXPECT_EQ(0.0f, g.mTransX);  // the translation is taken back
  }
  {
    // Cells: normal, over and down cells of a wider sheet.
    PixelImage sheet(9, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 9; ++x) sheet.Set(x, y, x < 3 ? 0xFF0000FFu : x < 6 ? 0xFFFF0000u : 0xFF00FF00u);
    button.mComponentImage = &sheet;
    button.mNormalRect = Rect(0, 0, 3, 3);
    button.mOverRect = Rect(3, 0, 3, 3);
    button.mDownRect = Rect(6, 0, 3, 3);
    PixelImage screen(4, 4);
    Graphics g(&screen);
    button.Draw(g);
    EXPECT_EQ(0xFF00FF00u, screen.At(0, 0));  // the down cell, not shifted
    button.mIsDown = false;
    button.Draw(g);
    EXPECT_EQ(0xFFFF0000u, screen.At(0, 0));
    button.mIsOver = false;
    button.Draw(g);
    EXPECT_EQ(0xFF0000FFu, screen.At(0, 0));
  }
  {
    // The label is centred and follows the pressed offset.
    button.mComponentImage = &component;
    button.mNormalRect = Rect();
    button.Resize(0, 0, 30, 20);
    button.mLabel = L"OK";
    FakeFont font;
    button.SetFont(&font);
    button.mIsDown = true;
    button.mIsOver = true;
    PixelImage screen(40, 30);
    Graphics g(&screen);
    button.Draw(g);
    auto* drawn = dynamic_cast<FakeFont*>(button.GetFont());
    ASSERT_EQ(1u, drawn->drawn.size());
    EXPECT_EQ(5, drawn->drawn[0].x);
    EXPECT_EQ((8 + 20 - 0 - 8 / 6 - 1) / 2, drawn->drawn[0].y);
    // FakeFont fills its box through the context: shifted by (1, 1).
    EXPECT_EQ(Color(255, 255, 255).ToInt(), screen.At(6, 1 + (8 + 20 - 1 - 1) / 2 - 8));
  }

  button.mIsDown = false;
  button.mIsOver = false;
  button.Resize(10, 10, 30, 20);
  manager.AddChild(&button);
  manager.OnMouseMove(20, 20);
  manager.OnMouseMove(80, 80);
  EXPECT_EQ((std::vector<int>{1, 0}), host.cursors);
}

}  // namespace
}  // namespace Kivo
