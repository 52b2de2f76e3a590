// Slider: gliding to a set value in float steps, the default speed, drags
// projected on the track (also a track of no length), the handle as a second
// grip, focus while dragging, the draw order and the images given back.
// Edit: caret placement by the mouse, the characters taken, the keys, the
// text and caret draws, and an edit without a usable font.
#include <cmath>
#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "tests/engine/kinds_support.h"

namespace kindstest {
namespace {

class SliderKind : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    UseImages({{"back", 200, 20}, {"fill", 200, 20}, {"knob", 20, 30}, {"knob2", 10, 10}});
  }
  // A 200-pixel track from (100, 110) to (300, 110).
  sObjSlider& Slider(std::vector<std::pair<std::string, std::string>> more = {}) {
    std::vector<std::pair<std::string, std::string>> properties = {{"_keyImg", "fill"},       {"_keyImgBack", "back"},
                                                                   {"_keyImgCenter", "knob"}, {"_fSpeed", "0.02"},
                                                                   {"_colObj", "255"},        {"_iAlph", "200"}};
    properties.insert(properties.end(), more.begin(), more.end());
    sObjSlider& slider = Make<sObjSlider>(100, 100, 300, 120, properties);
    slider.mName = "volume";
    slider.mParent = &parent;
    slider.SetListener(&listener);
    slider.SetEnabled(true);
    return slider;
  }
  // Updates until the value reaches the target; the number of updates.
  static int UpdatesToTarget(sObjSlider& slider) {
    int updates = 0;
    while (slider.GetValue() != slider.mTarget && updates < 1000) {
      slider.Update(1);
      ++updates;
    }
    return updates;
  }

  sObj parent;
};

TEST_F(SliderKind, SetValueGlidesAtTheSpeedInFloatSteps) {
  sObjSlider& slider = Slider();
  slider.SetValue(0.5f);
  slider.Update(1);
  EXPECT_FLOAT_EQ(slider.GetValue(), 0.02f) << "GetValue shows the moving value";
  EXPECT_EQ(UpdatesToTarget(slider) + 1, 25);
  EXPECT_EQ(slider.GetValue(), 0.5f);

  sObjSlider& full = Slider();
  full.SetValue(1.7f);
  EXPECT_EQ(full.mTarget, 1.0f) << "targets are clamped";
  EXPECT_EQ(UpdatesToTarget(full), 51);
  EXPECT_TRUE(full.IsFull());
  full.mValue = 0.9999999f;
  EXPECT_FALSE(full.IsFull()) << "full only at exactly 1";
  EXPECT_TRUE(listener.log.empty()) << "SetValue and Update report nothing";
}

TEST_F(SliderKind, AbsentSpeedGlidesAtTheDefault) {
  sObjSlider& slider = Make<sObjSlider>(0, 0, 100, 10, {});
  EXPECT_EQ(slider.mSpeed, kDefaultSliderSpeed);
  slider.SetValue(1.0f);
  slider.Update(1);
  EXPECT_EQ(slider.GetValue(), 0.02f);
}

TEST_F(SliderKind, PressesAndDragsProjectOnTheTrack) {
  sObjSlider& slider = Slider();
  EXPECT_TRUE(slider.MouseDown(200, 110, 1));
  slider.MouseMove(400, 105);
  slider.MouseMove(20, 115);
  EXPECT_EQ(listener.sliderValues, (std::vector<float>{0.5f, 1.0f, 0.0f}));
  EXPECT_EQ(slider.mTarget, 0.0f) << "a drag jumps, no glide";
  EXPECT_TRUE(slider.MouseUp(20, 115, 1));
  EXPECT_FALSE(slider.MouseUp(20, 115, 1)) << "nothing left to release";
  slider.MouseMove(250, 110);
  EXPECT_EQ(listener.sliderValues.size(), 3u) << "moves after the release do not drag";
  EXPECT_FALSE(slider.MouseDown(200, 90, 1)) << "outside quad and handle";
  EXPECT_FALSE(Slider().MouseDown(200, 90, 1)) << "a handle not drawn yet is on the track, not everywhere";
}

TEST_F(SliderKind, TheHandleIsASecondGrip) {
  sObjSlider& slider = Slider();
  Draw(slider);  // puts the 20 x 30 handle on the track start: (90, 95)-(110, 125)
  EXPECT_TRUE(slider.MouseDown(95, 96, 1)) << "on the handle, outside the quad";
  EXPECT_EQ(listener.sliderValues, std::vector<float>{0.0f});

  sObjSlider& bare = Slider({{"_keyImgCenter", "nothing-like-this"}});
  EXPECT_EQ(bare.mHandle.GetImage(), nullptr);
  Draw(bare);
  EXPECT_FALSE(bare.MouseDown(95, 96, 1)) << "without a handle image only the quad takes presses";
}

TEST_F(SliderKind, TheHandleCelIsCentredOnTheTrackAtEveryValue) {
  // A sheet of 2 x 4 cels of 20 x 30: only one cel is drawn, so only one
  // cel may be centred; the whole sheet's middle lies 45 pixels lower.
  UseImages({{"back", 200, 20}, {"fill", 200, 20}, {"sheet", 40, 120, 2, 4}});
  for (float value : {0.0f, 0.5f, 1.0f}) {
    sObjSlider& slider = Slider({{"_keyImgCenter", "sheet"}});
    slider.mValue = value;
    Draw(slider);
    const Quad& knob = slider.mHandle.mBaseQuad;
    const float x = 100.0f + 200.0f * value;
    EXPECT_FLOAT_EQ(knob.corner[0].x, x - 10.0f) << value;
    EXPECT_FLOAT_EQ(knob.corner[0].y, 95.0f) << value;
    EXPECT_FLOAT_EQ(knob.corner[2].x, x + 10.0f) << value;
    EXPECT_FLOAT_EQ(knob.corner[2].y, 125.0f) << value;
  }
}

TEST_F(SliderKind, DisabledSlidersIgnoreTheMouse) {
  sObjSlider& slider = Slider();
  slider.SetEnabled(false);
  EXPECT_FALSE(slider.MouseDown(200, 110, 1));
  slider.MouseMove(200, 110);
  EXPECT_TRUE(listener.log.empty());
  EXPECT_EQ(parent.mActiveChild, nullptr);
}

TEST_F(SliderKind, ADraggingSliderKeepsTheFocus) {
  sObjSlider& slider = Slider();
  sObj other;
  other.mParent = &parent;
  slider.MouseMove(200, 110);
  EXPECT_EQ(parent.mActiveChild, &slider) << "hovering takes the parent's focus";
  slider.MouseDown(200, 110, 1);
  EXPECT_FALSE(slider.PassParentFocus(&other));
  EXPECT_EQ(parent.mActiveChild, &slider);
  slider.MouseUp(200, 110, 1);
  EXPECT_TRUE(slider.PassParentFocus(&other));
  EXPECT_EQ(parent.mActiveChild, &other);
}

TEST_F(SliderKind, DrawsBackFillAndHandleInTheSlidersColour) {
  sObjSlider& slider = Slider();
  slider.mValue = 0.25f;
  Draw(slider);
  ASSERT_EQ(screen.calls.size(), 3u);
  const DrawCall& back = screen.calls[0];
  EXPECT_EQ(back.column, 1);
  EXPECT_EQ(back.row, 1);
  EXPECT_FLOAT_EQ(back.quad.corner[2].x, 300.0f);
  EXPECT_EQ(back.color.alpha, 200);
  EXPECT_EQ(back.color.red, 255);
  EXPECT_EQ(back.color.blue, 0);
  const DrawCall& fill = screen.calls[1];
  EXPECT_FLOAT_EQ(fill.u1, 0.25f) << "the fill shows up to the value";
  EXPECT_FLOAT_EQ(fill.quad.corner[1].x, 150.0f);
  const DrawCall& handle = screen.calls[2];
  // p = (150, 110); corner 0 = p - (20 >> 1, 30 >> 1).
  EXPECT_FLOAT_EQ(handle.quad.corner[0].x, 140.0f);
  EXPECT_FLOAT_EQ(handle.quad.corner[0].y, 95.0f);
  EXPECT_FLOAT_EQ(handle.quad.corner[2].x, 160.0f);
  EXPECT_FLOAT_EQ(handle.quad.corner[2].y, 125.0f);
  EXPECT_EQ(handle.color.alpha, 200);
  EXPECT_EQ(handle.color.green, 0);

  screen.calls.clear();
  slider.mVisible = false;
  Draw(slider);
  EXPECT_TRUE(screen.calls.empty());
}

TEST_F(SliderKind, AZeroLengthTrackDragsToZero) {
  sObjSlider& slider = Make<sObjSlider>(100, 100, 100, 120, {});
  slider.SetListener(&listener);
  slider.SetEnabled(true);
  slider.DragTo(150, 110);
  ASSERT_EQ(listener.sliderValues.size(), 1u);
  EXPECT_EQ(listener.sliderValues[0], 0.0f);
  EXPECT_EQ(slider.GetValue(), 0.0f);
  EXPECT_FALSE(std::isnan(slider.mTarget));
}

TEST_F(SliderKind, WorksWithoutAListener) {
  sObjSlider& slider = Slider();
  slider.SetListener(nullptr);
  EXPECT_TRUE(slider.MouseDown(250, 110, 1));
  slider.MouseMove(300, 110);
  EXPECT_EQ(slider.GetValue(), 1.0f) << "the value still follows";
}

TEST_F(SliderKind, ReleaseImagesGivesBackTheKeysThatWereLoaded) {
  // A repeated key loads only its last value, and that is what goes back.
  sObjSlider& slider = Slider({{"_keyImgCenter", "knob2"}});
  EXPECT_EQ(Loads("knob"), 0);
  for (const char* key : {"fill", "back", "knob2"}) EXPECT_TRUE(IsImageLoaded(key)) << key;
  slider.ReleaseImages();
  for (const char* key : {"fill", "back", "knob2"}) EXPECT_FALSE(IsImageLoaded(key)) << key;
  EXPECT_EQ(slider.mFill.Get(), nullptr);
  EXPECT_EQ(slider.mHandle.GetImage(), nullptr);
}

// --- edit ------------------------------------------------------------------

class EditKind : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    font.SetMetrics(18, 20);
  }
  sObjEdit& Edit(const std::string& fontName = "FONT_TEXT", const char* maxLength = "10") {
    std::vector<std::pair<std::string, std::string>> properties = {{"_sFont", fontName}, {"_colObj", "65280"}};
    if (maxLength != nullptr) properties.emplace_back("_intNumChar", maxLength);
    sObjEdit& edit = Make<sObjEdit>(100, 50, 300, 80, properties);
    edit.mParent = &parent;
    edit.SetListener(&listener);
    return edit;
  }
  static void Type(sObjEdit& edit, const std::wstring& text) {
    for (wchar_t c : text) edit.KeyChar(c);
  }

  sObj parent;
};

TEST_F(EditKind, ClicksPlaceTheCaretAtTheNearestBoundary) {
  sObjEdit& edit = Edit();
  edit.SetText(L"abc");
  struct Case {
    int x, caretX, index;
  } cases[] = {{100, 0, -1}, {104, 0, -1}, {106, 10, 0}, {114, 10, 0},
               {115, 20, 1}, {130, 30, 2}, {131, 30, 2}, {60, 0, -1}};
  for (const Case& c : cases) {
    edit.PlaceCaretAt(c.x);
    EXPECT_EQ(edit.mCaretX, c.caretX) << "x " << c.x;
    EXPECT_EQ(edit.mCaretIndex, c.index) << "x " << c.x;
  }
  EXPECT_FALSE(edit.MouseDown(115, 60, 1)) << "the press is left to the screen";
  EXPECT_EQ(edit.mCaretIndex, 1);
  EXPECT_TRUE(edit.mSelecting);
  edit.MouseMove(125, 60);
  EXPECT_EQ(edit.mCaretIndex, 2) << "the caret follows while selecting";
  edit.MouseMove(125, 90);
  EXPECT_FALSE(edit.mSelecting) << "leaving ends the selection";
}

TEST_F(EditKind, TakesLettersDigitsSpaceAndCyrillicOnly) {
  const wchar_t taken[] = {0x20, L'0', L'9', L'A', L'Z', L'a', L'z', 0x410, 0x42F, 0x44F};
  const wchar_t refused[] = {0x401, 0x451, 0x2E, 0xE9, 0x40F, 0x450, L'_'};
  sObjEdit& edit = Edit("FONT_TEXT", "20");
  for (wchar_t c : taken) edit.KeyChar(c);
  for (wchar_t c : refused) edit.KeyChar(c);
  EXPECT_EQ(edit.GetText(), std::wstring(std::begin(taken), std::end(taken)));
  EXPECT_EQ(edit.mCaretIndex, 9);
  EXPECT_EQ(edit.mCaretX, 100);

  sObjEdit& two = Edit("FONT_TEXT", "2");
  Type(two, L"xyz");
  EXPECT_EQ(two.GetText(), L"xy");
  sObjEdit& none = Edit("FONT_TEXT", nullptr);
  Type(none, L"xyz");
  EXPECT_EQ(none.GetText(), L"") << "no maximum length takes nothing";
}

TEST_F(EditKind, KeysMoveTheCaretAndEraseAroundIt) {
  sObjEdit& edit = Edit();
  Type(edit, L"abc");
  edit.KeyDown(kKeyHome);
  edit.KeyChar(L'x');
  EXPECT_EQ(edit.GetText(), L"xabc");
  EXPECT_EQ(edit.mCaretIndex, 0);
  EXPECT_EQ(edit.mCaretX, 10);
  edit.KeyDown(kKeyEnd);
  edit.KeyDown(kKeyBackspace);
  EXPECT_EQ(edit.GetText(), L"xab");
  EXPECT_EQ(edit.mCaretX, 30);
  edit.KeyDown(kKeyDelete);
  EXPECT_EQ(edit.GetText(), L"xab") << "Delete at the end";
  edit.KeyDown(kKeyLeft);
  edit.KeyDown(kKeyLeft);
  edit.KeyDown(kKeyDelete);
  EXPECT_EQ(edit.GetText(), L"xb");
  EXPECT_EQ(edit.mCaretIndex, 0);
  edit.KeyDown(kKeyRight);
  EXPECT_EQ(edit.mCaretIndex, 1);
  edit.KeyDown(kKeyRight);
  EXPECT_EQ(edit.mCaretIndex, 1) << "Right stops at the end";
  edit.KeyDown(kKeyHome);
  edit.KeyDown(kKeyBackspace);
  edit.KeyDown(kKeyLeft);
  EXPECT_EQ(edit.GetText(), L"xb") << "Backspace before the first character";
  EXPECT_EQ(edit.mCaretIndex, -1);
  EXPECT_EQ(edit.mCaretX, 0);
}

TEST_F(EditKind, DrawsTextOnTheCentreLineAndTheCaret) {
  sObjEdit& edit = Edit();
  edit.mBaseQuad = BoxQuad(100.7f, 50.6f, 300, 80);
  edit.UpdateCentre();
  graphics.SetColorARGB(255, 1, 2, 3);
  Draw(edit);
  ASSERT_EQ(screen.calls.size(), 1u);
  EXPECT_EQ(screen.calls[0].color.red, 1) << "an empty text sets no colour";
  EXPECT_TRUE(font.strings.empty());

  screen.calls.clear();
  edit.SetText(L"ab");
  Draw(edit);
  ASSERT_EQ(font.strings.size(), 1u);
  EXPECT_EQ(font.strings[0].text, L"ab");
  EXPECT_EQ(font.strings[0].x, 100);
  // Centre y 65.3 + ((18 - 1 - 3) >> 1).
  EXPECT_EQ(font.strings[0].y, 72);
  EXPECT_EQ(font.strings[0].color.green, 255);
  ASSERT_EQ(screen.calls.size(), 1u);
  const Rect& caret = screen.calls[0].rect;
  EXPECT_EQ(caret.x, 120) << "trunc(100.7 + 20)";
  EXPECT_EQ(caret.y, 50);
  EXPECT_EQ(caret.width, 3);
  EXPECT_EQ(caret.height, 30) << "the quad's height at loading";
}

TEST_F(EditKind, WithoutAFontKeysStillEditTheText) {
  // A sound name is no font either.
  for (const char* name : {"", "SOUND_FIND", "FONT_NOPE"}) {
    font.strings.clear();
    screen.calls.clear();
    sObjEdit& edit = Edit(name);
    EXPECT_EQ(edit.mFont, nullptr) << name;
    Type(edit, L"ab");
    edit.KeyDown(kKeyLeft);
    edit.KeyDown(kKeyBackspace);
    edit.MouseDown(150, 60, 1);
    edit.MouseMove(160, 60);
    EXPECT_EQ(edit.GetText(), L"b") << name;
    EXPECT_EQ(edit.mCaretX, 0) << name;
    Draw(edit);
    EXPECT_TRUE(font.strings.empty()) << name;
    for (const DrawCall& call : screen.calls) EXPECT_EQ(call.rect.height, 0) << "no caret without a font";
  }
}

}  // namespace
}  // namespace kindstest
