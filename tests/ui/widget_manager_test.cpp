#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "ui_test_support.h"

namespace Kivo {
namespace {

using test::Join;
using test::LogWidget;
using test::PixelImage;
using test::TestHost;

TEST(WidgetManager, WindowToLogicalMapsTheLetterbox) {
  TestHost host;
  WidgetManager manager(&host);
  int x = 5, y = 7;
  manager.WindowToLogical(&x, &y);  // no window size yet: unchanged
  EXPECT_EQ(5, x);
  EXPECT_EQ(7, y);
  manager.SetCoordinateTransform(Rect(80, 0, 640, 480), Rect(0, 0, 800, 480));
  EXPECT_EQ(800, manager.mWidth);
  EXPECT_EQ(480, manager.mHeight);
  const int cases[][4] = {{400, 240, 400, 240}, {0, 0, 80, 0}, {799, 479, 719, 479}, {-10, -1, 72, -1}};
  for (const auto& c : cases) {
    x = c[0];
    y = c[1];
    manager.WindowToLogical(&x, &y);
    EXPECT_EQ(c[2], x) << c[0];
    EXPECT_EQ(c[3], y) << c[1];
  }
}

TEST(WidgetManager, ButtonBits) {
  EXPECT_EQ(1, WidgetManager::ButtonBit(1));
  EXPECT_EQ(1, WidgetManager::ButtonBit(2));
  EXPECT_EQ(2, WidgetManager::ButtonBit(-1));
  EXPECT_EQ(2, WidgetManager::ButtonBit(-2));
  EXPECT_EQ(4, WidgetManager::ButtonBit(3));
}

struct Scripted : ::testing::Test {
  TestHost host;
  std::vector<std::string> log;
  WidgetManager manager{&host};
  LogWidget a{"A", &log};
  LogWidget b{"B", &log};
  LogWidget dialog{"D", &log};

  Scripted() {
    manager.SetCoordinateTransform(Rect(0, 0, 200, 100), Rect(0, 0, 200, 100));
    a.Resize(10, 10, 40, 40);
    b.Resize(100, 10, 40, 40);
    dialog.Resize(0, 0, 200, 100);
    a.mWantsFocus = true;
    b.mWantsFocus = true;
    manager.AddChild(&a);
    manager.AddChild(&b);
  }
  // The hook calls since the last look.
  std::string Take() {
    std::string out = Join(log);
    log.clear();
    return out;
  }
};

TEST_F(Scripted, PressDragOffAndReleaseOutside) {
  manager.OnMouseMove(20, 20);
  EXPECT_EQ("A.MouseEnter() A.MouseMove(10,10)", Take());
  manager.OnMouseDown(20, 20, 1);
  EXPECT_EQ("A.GotFocus() A.MouseDown(10,10,1)", Take());
  EXPECT_TRUE(a.mIsDown);
  manager.OnMouseMove(70, 30);  // dragged off A: A keeps the drags
  EXPECT_EQ("A.MouseDrag(60,20) A.MouseLeave()", Take());
  EXPECT_FALSE(a.mIsOver);
  manager.OnMouseMove(110, 20);  // over B, still captured by A
  EXPECT_EQ("A.MouseDrag(100,10)", Take());
  EXPECT_FALSE(b.mIsOver);
  manager.OnMouseUp(110, 20, 1);  // released outside: A gets it, hover moves to B
  EXPECT_EQ("A.MouseUp(100,10,1) B.MouseEnter() B.MouseMove(10,10)", Take());
  EXPECT_FALSE(a.mIsDown);
  EXPECT_EQ(nullptr, manager.mPressedWidget);
  EXPECT_EQ(&b, manager.mOverWidget);
}

TEST_F(Scripted, DragBackOntoThePressedWidgetHoversItAgain) {
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  manager.OnMouseMove(70, 30);
  Take();
  manager.OnMouseMove(25, 25);
  EXPECT_EQ("A.MouseDrag(15,15) A.MouseEnter()", Take());
  EXPECT_TRUE(a.mIsOver);
}

TEST_F(Scripted, SecondButtonGoesToThePressedWidget) {
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  Take();
  // Right button over B while left is held on A: the hover follows the
  // pointer, the press goes to A relative to A.
  manager.OnMouseDown(110, 20, -1);
  EXPECT_EQ("A.MouseLeave() B.MouseEnter() B.MouseMove(10,10) A.MouseDown(100,10,-1)", Take());
  manager.OnMouseUp(110, 20, 1);
  EXPECT_EQ(&a, manager.mPressedWidget);  // held until both buttons are up
  manager.OnMouseUp(110, 20, -1);
  EXPECT_EQ(nullptr, manager.mPressedWidget);
  EXPECT_EQ("A.MouseUp(100,10,1) A.MouseUp(100,10,-1)", Take());
}

// A press on empty space captures nothing; it must not leave a held bit that
// keeps the next pressed widget captured after its own release.
TEST_F(Scripted, PressOnNothingLeavesNoCapture) {
  manager.OnMouseDown(80, 80, -1);
  EXPECT_EQ(nullptr, manager.mPressedWidget);
  EXPECT_EQ(0, manager.mButtonsOnPressed);
  manager.OnMouseDown(20, 20, 1);
  manager.OnMouseUp(20, 20, 1);
  EXPECT_EQ(nullptr, manager.mPressedWidget);
  Take();
  manager.OnMouseMove(110, 20);
  EXPECT_EQ("A.MouseLeave() B.MouseEnter() B.MouseMove(10,10)", Take());
}

TEST_F(Scripted, DisablingThePressedHoveredFocusedWidget) {
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  manager.OnMouseDown(20, 20, 3);
  Take();
  a.SetDisabled(true);
  EXPECT_EQ("A.MouseLeave() A.MouseUp(10,10,1) A.MouseUp(10,10,3) A.LostFocus()", Take());
  EXPECT_EQ(nullptr, manager.mPressedWidget);
  EXPECT_EQ(nullptr, manager.mOverWidget);
  EXPECT_EQ(nullptr, manager.mFocusWidget);
  manager.OnMouseUp(20, 20, 1);
  manager.OnMouseUp(20, 20, 3);
  manager.OnMouseDown(20, 20, 1);  // disabled: reaches nobody
  EXPECT_EQ("", Take());
  a.SetDisabled(false);  // pointer inside: hovered again at once
  EXPECT_EQ("A.MouseEnter() A.MouseMove(10,10)", Take());
}

TEST_F(Scripted, ModalPushAndPop) {
  manager.SetFocus(&a);
  manager.OnMouseMove(20, 20);
  Take();
  manager.AddChild(&dialog);
  manager.PushModal(&dialog);
  // The dialog covers the pointer: A is left; A loses the focus behind it.
  EXPECT_EQ("A.MouseLeave() D.MouseEnter() D.MouseMove(20,20) A.LostFocus()", Take());
  manager.PopModal(&dialog);
  manager.RemoveChild(&dialog);
  EXPECT_EQ("A.GotFocus() D.MouseLeave()", Take());
  EXPECT_EQ(&a, manager.mFocusWidget);
  EXPECT_EQ(nullptr, manager.mModalWidget);
}

TEST_F(Scripted, NothingBehindAModalWidgetCanBeHit) {
  LogWidget small("S", &log);
  small.Resize(150, 60, 20, 20);
  manager.AddChild(&small);
  manager.PushModal(&small);
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  EXPECT_EQ("", Take());
  manager.OnMouseMove(155, 65);
  EXPECT_EQ("S.MouseEnter() S.MouseMove(5,5)", Take());
  manager.PopModal(&small);
  manager.RemoveChild(&small);
}

TEST_F(Scripted, DisabledWidgetHidesTheOneBehindIt) {
  LogWidget cover("C", &log);
  cover.Resize(0, 0, 60, 60);
  cover.SetDisabled(true);
  manager.AddChild(&cover);
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  manager.OnMouseUp(20, 20, 1);
  EXPECT_EQ("", Take());
  manager.RemoveChild(&cover);
}

TEST_F(Scripted, InvisiblePointsLetClicksThrough) {
  LogWidget cover("C", &log);
  cover.Resize(0, 0, 60, 60);
  cover.clickThrough = true;
  manager.AddChild(&cover);
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  EXPECT_EQ("A.MouseEnter() A.MouseMove(10,10) A.GotFocus() A.MouseDown(10,10,1)", Take());
  manager.RemoveChild(&cover);
}

TEST_F(Scripted, ChildrenAreHitBeforeTheirParentAndInsetsShrinkTheHitArea) {
  LogWidget inner("I", &log);
  inner.Resize(5, 5, 10, 10);
  a.AddChild(&inner);
  int lx = 0, ly = 0;
  EXPECT_EQ(&inner, manager.GetWidgetAt(17, 17, &lx, &ly));
  EXPECT_EQ(2, lx);
  EXPECT_EQ(2, ly);
  a.mMouseInsets = Insets(10, 0, 0, 0);
  EXPECT_EQ(nullptr, manager.GetWidgetAt(12, 40, &lx, &ly));
  EXPECT_EQ(&a, manager.GetWidgetAt(20, 40, &lx, &ly));
  a.mMouseVisible = false;
  EXPECT_EQ(nullptr, manager.GetWidgetAt(20, 40, &lx, &ly));
  EXPECT_EQ(&inner, manager.GetWidgetAt(17, 17, &lx, &ly));
  a.RemoveChild(&inner);
}

TEST_F(Scripted, KeysWheelAndApplicationFocus) {
  manager.SetFocus(&a);
  Take();
  manager.OnMouseWheel(-2);
  manager.OnKeyDown(kKeyShift);
  manager.OnKeyDown(255);  // passed on, not recorded
  manager.OnKeyChar(L'x');
  EXPECT_EQ("A.MouseWheel(-2) A.KeyDown(16) A.KeyDown(255) A.KeyChar(120)", Take());
  manager.AppLostFocus();
  EXPECT_EQ("A.KeyUp(16) A.LostFocus()", Take());
  EXPECT_FALSE(manager.mKeyDown[kKeyShift]);
  manager.AppLostFocus();  // already lost: nothing
  manager.AppGainedFocus();
  EXPECT_EQ("A.GotFocus()", Take());

  manager.OnKeyDown(kKeyControl);
  manager.OnKeyChar(L'\t');
  manager.OnKeyDown(kKeyTab);
  manager.OnKeyUp(kKeyTab);
  manager.OnKeyUp(kKeyControl);
  manager.OnKeyChar(L'\t');
  EXPECT_EQ("A.KeyDown(17) A.KeyDown(9) A.KeyUp(17) A.KeyChar(9)", Take());
}

TEST_F(Scripted, FocusOnlyGoesToAttachedWidgets) {
  LogWidget stranger("X", &log);
  manager.SetFocus(&a);
  manager.SetFocus(&stranger);
  EXPECT_EQ(nullptr, manager.mFocusWidget);
  EXPECT_EQ("A.GotFocus() A.LostFocus()", Take());
}

TEST_F(Scripted, ReleaseHeldButtonsAndMouseExit) {
  manager.OnMouseMove(20, 20);
  manager.OnMouseDown(20, 20, 1);
  Take();
  manager.ReleaseHeldButtons();
  EXPECT_EQ("A.MouseUp(10,10,1)", Take());
  EXPECT_EQ(nullptr, manager.mPressedWidget);
  manager.OnMouseExit(-1, -1);
  EXPECT_EQ("A.MouseLeave()", Take());
  EXPECT_FALSE(manager.mMouseIn);
}

// Draws a marker colour and asks for an overlay when told to.
class Painter : public LogWidget {
 public:
  Painter(const std::string& name, std::vector<std::string>* log, uint32_t ink) : LogWidget(name, log), mInk(ink) {}
  void Draw(Graphics& g) override {
    LogWidget::Draw(g);
    g.SetColor(Color(mInk));
    g.FillRect(0, 0, mWidth, mHeight);
    if (overlayPriority != INT_MIN) AddOverlay(overlayPriority);
  }
  int overlayPriority = INT_MIN;

 private:
  uint32_t mInk;
};

struct DrawPass : ::testing::Test {
  TestHost host;
  std::vector<std::string> log;
  PixelImage screen{100, 100};
  WidgetManager manager{&host};
  DrawPass() {
    manager.SetCoordinateTransform(Rect(0, 0, 100, 100), Rect(0, 0, 100, 100));
    manager.mImage = &screen;
  }
};

TEST_F(DrawPass, OnlyDirtyWidgetsAreDrawnAndTheScreenIsLockedOncePerPass) {
  Painter a("A", &log, 0xFF0000AA), b("B", &log, 0xFF0000BB);
  a.Resize(0, 0, 10, 10);
  b.Resize(50, 50, 10, 10);
  manager.AddChild(&a);
  manager.AddChild(&b);
  EXPECT_TRUE(manager.DrawScreen());
  EXPECT_EQ("A.Draw() B.Draw()", Join(log));
  EXPECT_EQ(0xFF0000AAu, screen.At(9, 9));
  EXPECT_EQ(0xFF0000BBu, screen.At(50, 50));
  EXPECT_EQ(1, host.locks);
  EXPECT_EQ(1, host.unlocks);
  log.clear();
  EXPECT_FALSE(manager.DrawScreen());
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(2, host.locks);
  EXPECT_EQ(2, host.unlocks);
  b.Invalidate();
  EXPECT_TRUE(manager.DrawScreen());
  EXPECT_EQ("B.Draw()", Join(log));
  EXPECT_EQ(nullptr, manager.mCurrentGraphics);
  host.lockable = false;  // an image without a surface is not unlocked
  manager.DrawScreen();
  EXPECT_EQ(4, host.locks);
  EXPECT_EQ(3, host.unlocks);
  manager.RemoveChild(&a);
  manager.RemoveChild(&b);
}

TEST_F(DrawPass, ChildrenDrawClippedAndTranslatedAfterTheirParent) {
  Painter parent("P", &log, 0xFF111111), child("C", &log, 0xFF222222);
  parent.Resize(10, 10, 20, 20);
  child.Resize(15, 15, 20, 20);  // reaches past the parent: clipped to it
  parent.AddChild(&child);
  manager.AddChild(&parent);
  manager.DrawScreen();
  EXPECT_EQ("P.Draw() C.Draw()", Join(log));
  EXPECT_EQ(0xFF111111u, screen.At(24, 24));
  EXPECT_EQ(0xFF222222u, screen.At(25, 25));
  EXPECT_EQ(0xFF222222u, screen.At(29, 29));
  EXPECT_EQ(0u, screen.At(30, 30));
  EXPECT_FALSE(child.mDirty);
  manager.RemoveChild(&parent);
}

TEST_F(DrawPass, OverlaysDrawByPriority) {
  Painter low("L", &log, 0xFF000001), high("H", &log, 0xFF000002), top("T", &log, 0xFF000003);
  low.Resize(0, 0, 10, 10);
  high.Resize(0, 0, 10, 10);
  top.Resize(0, 0, 10, 10);
  high.mPriority = 5;
  low.overlayPriority = 2;
  top.overlayPriority = 9;
  manager.AddChild(&low);
  manager.AddChild(&high);
  manager.AddChild(&top);
  manager.DrawScreen();
  // The overlay of priority 2 goes beneath the node of priority 5; the one
  // of priority 9 above everything at the end.
  EXPECT_EQ("L.Draw() L.Overlay(2) H.Draw() T.Draw() T.Overlay(9)", Join(log));
  manager.RemoveChild(&low);
  manager.RemoveChild(&high);
  manager.RemoveChild(&top);
}

TEST_F(DrawPass, OverlaysRequestedBetweenPassesAreDropped) {
  Painter a("A", &log, 0xFF0000AA);
  a.Resize(0, 0, 10, 10);
  manager.AddChild(&a);
  manager.DrawScreen();
  log.clear();
  a.AddOverlay(1);
  manager.DrawOverlaysUpTo(INT_MAX);  // outside a pass: nothing
  a.Invalidate();
  manager.DrawScreen();
  EXPECT_EQ("A.Draw()", Join(log));
  manager.RemoveChild(&a);
}

TEST_F(DrawPass, LogicalOffsetAndUpdateFlags) {
  manager.SetCoordinateTransform(Rect(20, 0, 60, 100), Rect(0, 0, 100, 100));
  Painter a("A", &log, 0xFF0000AA);
  a.Resize(20, 0, 5, 5);  // the left edge of the logical area is screen column 0
  manager.AddChild(&a);
  manager.DrawScreen();
  EXPECT_EQ(0xFF0000AAu, screen.At(0, 0));
  EXPECT_EQ(0xFF0000AAu, screen.At(4, 4));
  EXPECT_EQ(0u, screen.At(5, 0));
  a.mFlagChange.add = WIDGETFLAGS_MARK_DIRTY;
  manager.DrawScreen();
  EXPECT_FALSE(a.mDirty);
  manager.UpdateFrame();
  EXPECT_TRUE(a.mDirty);  // dirtied at every update walk
  EXPECT_EQ(1, manager.mUpdateCount);
  manager.RemoveChild(&a);
}

}  // namespace
}  // namespace Kivo
