// Button and toggle: state cells by column count, hover only with the
// parent's focus, the cross-fade, what a press needs, click and toggle
// reports, the caption's place, and input without a listener.
#include <string>
#include <vector>

#include "tests/engine/kinds_support.h"

namespace kindstest {
namespace {

// An active child that never hands the focus on.
class FocusKeeper : public sObj {
 public:
  bool PassParentFocus(sObj*) override { return false; }
};

class ButtonKinds : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    UseImages({{"b2", 40, 10, 2, 1}, {"b3", 60, 10, 3, 1}, {"b4", 80, 10, 4, 1}, {"b5", 100, 10, 5, 1}});
  }
  sObjButton& Button(float x0, const std::string& image = "b3",
                     std::vector<std::pair<std::string, std::string>> more = {}) {
    more.insert(more.begin(), {"_keyImg", image});
    more.emplace_back("_sFont", "FONT_TEXT");
    sObjButton& button = Make<sObjButton>(x0, 0, x0 + 100, 20, more);
    button.mParent = &parent;
    button.SetListener(&listener);
    return button;
  }
  sObjToggle& Toggle(const std::string& image = "b2") {
    sObjToggle& toggle = Make<sObjToggle>(0, 0, 20, 20, {{"_keyImg", image}});
    toggle.mName = "sound";
    toggle.mParent = &parent;
    toggle.SetListener(&listener);
    return toggle;
  }
  // The cells of the draw calls of one draw.
  std::vector<int> DrawnCells(sObj& object) {
    screen.calls.clear();
    Draw(object);
    std::vector<int> cells;
    for (const DrawCall& call : screen.calls) cells.push_back(call.column);
    return cells;
  }

  sObj parent;
};

TEST_F(ButtonKinds, StateCellsFollowTheColumnCount) {
  struct Case {
    const char* image;
    std::vector<int> cells;  // states 0..3
  } cases[] = {{"b2", {1, 1, 2, 2}}, {"b3", {1, 1, 2, 3}}, {"b4", {1, 2, 3, 4}}, {"b5", {1, 1, 1, 1}}};
  for (const Case& c : cases) {
    sObjButton& button = Button(0, c.image);
    for (int state = 0; state < 4; ++state) {
      button.mState = state;
      button.mFadeAlpha = 0;
      EXPECT_EQ(DrawnCells(button), std::vector<int>{c.cells[state]}) << c.image << " state " << state;
    }
  }
}

TEST_F(ButtonKinds, HoverNeedsTheParentsFocus) {
  sObjButton& left = Button(0);
  sObjButton& right = Button(100);
  sObjButton orphan;
  orphan.mBaseQuad = BoxQuad(0, 0, 100, 20);
  orphan.MouseMove(50, 10);
  EXPECT_EQ(orphan.mState, kButtonNormal) << "no parent, no focus";

  FocusKeeper keeper;
  keeper.mParent = &parent;
  parent.mActiveChild = &keeper;
  left.MouseMove(50, 10);
  EXPECT_EQ(left.mState, kButtonNormal) << "the active child keeps the focus";

  parent.mActiveChild = nullptr;
  left.MouseMove(50, 10);
  right.MouseMove(50, 10);
  EXPECT_EQ(left.mState, kButtonHover);
  EXPECT_EQ(right.mState, kButtonNormal);
  EXPECT_EQ(parent.mActiveChild, &left);
  left.MouseMove(150, 10);
  right.MouseMove(150, 10);
  EXPECT_EQ(left.mState, kButtonNormal);
  EXPECT_EQ(right.mState, kButtonHover) << "the focus passes to the button under the pointer";
  EXPECT_EQ(parent.mActiveChild, &right);
}

TEST_F(ButtonKinds, StateChangesCrossFade) {
  sObjButton& button = Button(0);
  button.MouseMove(50, 10);
  EXPECT_EQ(button.mFadeAlpha, 255);
  EXPECT_EQ(button.mPreviousCell, 1);
  int updates = 0;
  while (button.mFadeAlpha > 0 && updates < 100) {
    button.Update(1);
    ++updates;
  }
  EXPECT_EQ(updates, 17);
  EXPECT_EQ(DrawnCells(button), std::vector<int>{2});

  button.MouseMove(500, 10);  // off again, then three updates
  for (int i = 0; i < 3; ++i) button.Update(1);
  EXPECT_EQ(DrawnCells(button), (std::vector<int>{1, 2}));
  EXPECT_EQ(screen.calls[0].color.alpha, 255);
  EXPECT_EQ(screen.calls[1].color.alpha, 255 - 45);
}

TEST_F(ButtonKinds, APressNeedsHoverFullAlphaNoAnimationAndTheLeftButton) {
  struct Case {
    const char* what;
    int alpha;
    bool animating;
    int clicks;
    bool taken;
  } cases[] = {{"left press", 255, false, 1, true},
               {"double click", 255, false, 2, true},
               {"half transparent", 254, false, 1, false},
               {"animating", 255, true, 1, false},
               {"right button", 255, false, -1, false}};
  for (const Case& c : cases) {
    sObjButton& button = Button(0, "b3",
                                {{"_iAniKey_pulse", "5"},
                                 {"_iAniRate_pulse", "10"},
                                 {"_sAniKey_pulse_1", "c(255)"},
                                 {"_sAniKey_pulse_5", "c(255)"}});
    parent.mActiveChild = nullptr;
    button.MouseMove(50, 10);
    ASSERT_EQ(button.mState, kButtonHover);
    button.mAlpha = c.alpha;
    if (c.animating) button.PlayAnimation("pulse");
    ASSERT_EQ(button.IsPlaying(), c.animating);
    EXPECT_EQ(button.MouseDown(50, 10, c.clicks), c.taken) << c.what;
    EXPECT_EQ(button.mState, c.taken ? kButtonPressed : kButtonHover) << c.what;
  }
}

TEST_F(ButtonKinds, OnlyAPressAndReleaseOnTheButtonClicks) {
  sObjButton& button = Button(0);
  button.mName = "play";
  button.MouseMove(50, 10);
  ASSERT_TRUE(button.MouseDown(50, 10, 1));
  button.MouseDrag(300, 10);
  EXPECT_EQ(button.mState, kButtonNormal);
  EXPECT_EQ(parent.mActiveChild, nullptr);
  EXPECT_FALSE(button.MouseUp(300, 10, 1));
  EXPECT_TRUE(listener.log.empty());

  button.MouseMove(50, 10);
  ASSERT_TRUE(button.MouseDown(50, 10, 1));
  EXPECT_TRUE(button.MouseUp(50, 10, 1));
  EXPECT_FALSE(button.MouseUp(50, 10, 1));
  EXPECT_EQ(listener.log, std::vector<std::string>{"click play"});
  EXPECT_EQ(button.mState, kButtonHover);
  EXPECT_EQ(button.mPreviousCell, 3);
}

TEST_F(ButtonKinds, ADisabledButtonIgnoresInput) {
  sObjButton& button = Button(0, "b4");
  button.mState = kButtonDisabled;
  button.MouseMove(50, 10);
  button.MouseDrag(500, 10);
  EXPECT_FALSE(button.MouseDown(50, 10, 1));
  EXPECT_EQ(button.mState, kButtonDisabled);
  EXPECT_EQ(DrawnCells(button), std::vector<int>{1});
  button.mState = kButtonNormal;
  EXPECT_EQ(DrawnCells(button), std::vector<int>{2});
}

TEST_F(ButtonKinds, TheCaptionSitsOnTheCentreAndMovesWhenPressed) {
  sObjButton& button = Button(0, "b3", {{"_iDeltaX", "3"}, {"_iDeltaY", "-2"}});
  ASSERT_EQ(button.mFont, &font);
  button.mCaption = L"OK";  // 20 pixels wide
  Draw(button);
  button.MouseMove(50, 10);
  button.MouseDown(50, 10, 1);
  Draw(button);
  ASSERT_EQ(font.strings.size(), 2u);
  // x = 50 - (20 >> 1), y = 10 + ((12 - 1 - 2) >> 1), plus the offsets.
  EXPECT_EQ(font.strings[0].x, 43);
  EXPECT_EQ(font.strings[0].y, 12);
  EXPECT_EQ(font.strings[1].x, 44);
  EXPECT_EQ(font.strings[1].y, 13);
}

TEST_F(ButtonKinds, OnlyFontNamesGiveAFont) {
  for (const char* name : {"SOUND_QUEST_DOOR", "", "FONT_MISSING"}) {
    sObjButton& button =
        Make<sObjButton>(0, 0, 100, 20, {{"_keyImg", "b3"}, {"_sFont", name}, {"_iAniKey_x", "3"}, {"_sAnimYet", "x"}});
    EXPECT_EQ(button.mFont, nullptr) << name;
    EXPECT_TRUE(button.mAnimations.empty()) << name;
    button.mCaption = L"OK";
    Draw(button);
  }
  EXPECT_TRUE(font.strings.empty()) << "without a font the caption draws nothing";
}

TEST_F(ButtonKinds, InputWithoutAListenerReportsNothing) {
  sObjButton& button = Make<sObjButton>(0, 0, 100, 20, {{"_keyImg", "b3"}, {"_sFont", "FONT_TEXT"}});
  button.mParent = &parent;
  button.MouseMove(50, 10);
  ASSERT_TRUE(button.MouseDown(50, 10, 1));
  EXPECT_TRUE(button.MouseUp(50, 10, 1));
  sObjToggle& toggle = Make<sObjToggle>(0, 0, 20, 20, {{"_keyImg", "b2"}});
  toggle.mParent = &parent;
  toggle.MouseMove(10, 10);
  EXPECT_TRUE(toggle.MouseDown(10, 10, 1));
  EXPECT_TRUE(toggle.IsChecked());
}

TEST_F(ButtonKinds, ControlsGiveBackTheImageTheyShow) {
  sObjButton& button = Make<sObjButton>(0, 0, 100, 20, {{"_keyImg", "b2"}, {"_keyImg", "b3"}, {"_sFont", "FONT_TEXT"}});
  sObjToggle& toggle = Make<sObjToggle>(0, 0, 20, 20, {{"_keyImg", "b4"}, {"_keyImg", "b5"}});
  button.ApplyProperties();
  toggle.ApplyProperties();
  EXPECT_EQ(button.mImage.Key(), "b3");
  EXPECT_EQ(toggle.mImage.Key(), "b5");
  button.ReleaseImages();
  toggle.ReleaseImages();
  for (const char* key : {"b2", "b3", "b4", "b5"}) EXPECT_FALSE(IsImageLoaded(key)) << key;
}

TEST_F(ButtonKinds, ToggleReportsEverySwitch) {
  sObjToggle& toggle = Toggle("b2");
  EXPECT_EQ(DrawnCells(toggle), std::vector<int>{1});
  EXPECT_FALSE(toggle.MouseDown(10, 10, 1)) << "not hovered";
  toggle.MouseMove(10, 10);
  EXPECT_FALSE(toggle.MouseDown(10, 10, -1)) << "right button";
  EXPECT_TRUE(toggle.MouseDown(10, 10, 1));
  EXPECT_EQ(DrawnCells(toggle), std::vector<int>{2});
  EXPECT_TRUE(toggle.MouseDown(10, 10, 2));
  EXPECT_FALSE(toggle.MouseUp(10, 10, 1));
  toggle.SetChecked(true);
  EXPECT_TRUE(toggle.IsChecked());
  toggle.mState = kToggleDisabled;
  toggle.MouseMove(500, 10);  // ignored while disabled: hover stays
  EXPECT_TRUE(toggle.MouseDown(10, 10, 1));
  EXPECT_EQ(toggle.mState, kToggleOff);
  EXPECT_EQ(listener.log, (std::vector<std::string>{"toggle sound on", "toggle sound off", "toggle sound off"}));

  sObjToggle& three = Toggle("b3");
  EXPECT_EQ(std::vector<int>(three.mStateCells, three.mStateCells + 3), (std::vector<int>{1, 2, 3}));
  sObjToggle& four = Toggle("b4");
  EXPECT_EQ(std::vector<int>(four.mStateCells, four.mStateCells + 3), (std::vector<int>{1, 1, 1}));
}

}  // namespace
}  // namespace kindstest
