// The safe's code lock: wheel start digits and steps, the roll animations,
// the handle, the list of tried combinations, opening and the data it
// refuses.
#include <gtest/gtest.h>

#include "levels/MiniGameFactory.h"
#include "levels/SeifGame.h"
#include "tests/levels/moving_parts_support.h"

namespace leveltest {
namespace {

// Wheel i (from 1) has its window at x = 60 i + 40, y 100..140; its second
// text waits below the window. The handle (40 x 40, left half opaque) stands
// at (180, 120): its opaque pixels overlap wheel 2's window.
class SeifTest : public MovingPartsKit {
 protected:
  DtmRecord Level(const std::string& digits, const std::string& code, const std::vector<std::string>& leaveOut = {}) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_iNumDigit", digits}, {"_iDigitIn", code}});
    auto add = [&](DtmRecord record) {
      for (const std::string& name : leaveOut)
        if (record.name == name) return;
      root.Child(record);
    };
    const std::vector<std::pair<std::string, std::string>> font = {{"_sFont", "FONT_TEXT"}};
    add(Record("rc_clip", 3, 90, 100, 300, 40));
    for (int i = 1; i <= 4; ++i) {
      const float x = 60.0f * i + 40.0f;
      const std::string n = std::to_string(i);
      add(Record("txt_" + n + "_1", 5, x, 100, 40, 40, font));
      add(Record("txt_" + n + "_2", 5, x, 140, 40, 40, font));
      add(Record("txt_" + n, 5, 400 + 20.0f * i, 50, 20, 20, font));
      add(Record("glowTxt_" + n, 3, x, 100, 40, 40));
    }
    add(Record("txtCodeDone", 5, 400, 200, 200, 100, font));
    add(Record("txtWrong", 5, 400, 320, 200, 40, font));
    add(Record("sprRuchka", 3, 180, 120, 40, 40,
               {{"_keyImg", "handle"},
                {"_iAniKey_rot", "10"},
                {"_iAniRate_rot", "20"},
                {"_sAniKey_rot_1", "r(0)"},
                {"_sAniKey_rot_10", "r(90)"}}));
    add(Record("sprRuchkaGlow", 3, 180, 120, 40, 40));
    add(Record("sprOpened", 3, 500, 400, 100, 100, {{"_iAlph", "0"}}));
    return root;
  }
  std::vector<TestImage> Images() {
    TestImage handle;
    handle.key = "handle";
    handle.width = 40;
    handle.height = 40;
    handle.pixel = [](int x, int) { return x < 20 ? 0xFF808080u : 0x00000000u; };
    return {handle};
  }
  void StartSeif(SeifGame& game, const std::string& digits, const std::string& code) {
    LoadLevel(Images(), Level(digits, code));
    Start(game);
    game.SetListener(&messages);
    forwarder.Attach(level, game);
  }
  static int WheelX(int wheel) { return 60 * (wheel + 1) + 60; }
  // Sets what a wheel shows, as if stepped there.
  static void Show(SeifGame& game, int wheel, int digit) {
    sObjText* shown = game.mSecondShown[wheel] ? game.mSecondText[wheel] : game.mFirstText[wheel];
    shown->mText = std::to_wstring(digit);
  }
  bool Rolling(SeifGame& game) {
    for (uint32_t i = 0; i < game.mWheelCount; ++i)
      if (game.mFirstText[i]->IsPlaying() || game.mSecondText[i]->IsPlaying()) return true;
    return false;
  }

  MessageRecorder messages;
};

TEST_F(SeifTest, WheelsStartBelowNineAndTheNoteShufflesTheCode) {
  std::unique_ptr<MiniGame> made(CreateMiniGame("seif"));
  ASSERT_NE(dynamic_cast<SeifGame*>(made.get()), nullptr);
  LoadLevel(Images(), Level("4", "1234"));
  bool noteShuffled = false;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    LcgSeed(seed);
    SeifGame game;
    Start(game);
    ASSERT_FALSE(game.IsUnplayable()) << (context.log.empty() ? "" : context.log[0]);
    std::wstring note;
    for (int i = 0; i < 4; ++i) {
      const int digit = game.ShownDigit(i);
      EXPECT_GE(digit, 0);
      EXPECT_LE(digit, 8) << seed;
      EXPECT_EQ(game.mSecondText[i]->mText, std::to_wstring(digit + 1));
      note += game.mNoteDigit[i]->mText;
    }
    std::wstring sorted = note;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, L"1234");
    noteShuffled = noteShuffled || note != L"1234";
    for (sObj* object : level) object->mAnimations.clear();  // the next game adds its own
    for (sObj* object : level) object->LoadAnimations();
  }
  EXPECT_TRUE(noteShuffled);
}

TEST_F(SeifTest, RollAndFadeAnimationsAreBuiltFromTheWheelOffset) {
  SeifGame game;
  StartSeif(game, "2", "12");
  const AnimDef* down = game.mFirstText[1]->FindAnimation("roll_down");
  const AnimDef* up = game.mSecondText[0]->FindAnimation("roll_up");
  ASSERT_NE(down, nullptr);
  ASSERT_NE(up, nullptr);
  for (const AnimDef* def : {down, up}) {
    EXPECT_EQ(def->keys, 10);
    EXPECT_EQ(def->rate, 20u);
    ASSERT_EQ(def->keyList.size(), 2u);
    EXPECT_EQ(def->keyList[1].index, 9);
    EXPECT_EQ(def->keyList[1].offsetX, 0.0f);
  }
  EXPECT_FLOAT_EQ(down->keyList[1].offsetY, -40.0f);  // first text's centre minus the second's
  EXPECT_FLOAT_EQ(up->keyList[1].offsetY, 40.0f);
  const AnimDef* fade = game.mOpenedSafe->FindAnimation("to_visible");
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->keyList.front().alpha, 0.0f);
  EXPECT_EQ(fade->keyList.back().alpha, 255.0f);
  EXPECT_NE(game.mGlowText[0]->FindAnimation("glow"), nullptr);
  EXPECT_NE(game.mHandleGlow->FindAnimation("glow"), nullptr);
}

TEST_F(SeifTest, LeftPressRaisesRightPressLowersAndARollingWheelIgnoresPresses) {
  SeifGame game;
  StartSeif(game, "2", "12");
  struct Case {
    int from;
    int clicks;
    int to;
  };
  const Case cases[] = {{9, 1, 0}, {0, -1, 9}, {4, 1, 5}, {4, -1, 3}};
  for (const Case& c : cases) {
    Show(game, 0, c.from);
    const bool secondBefore = game.mSecondShown[0];
    game.MouseDown(WheelX(0), 120, c.clicks);
    EXPECT_EQ(game.mSecondShown[0], !secondBefore);
    EXPECT_EQ(game.ShownDigit(0), c.to) << c.from << " " << c.clicks;
    game.MouseDown(WheelX(0), 120, c.clicks);  // still rolling
    EXPECT_EQ(game.ShownDigit(0), c.to);
    const int ticks = TickUntil(game, [&] { return !Rolling(game); });
    EXPECT_GE(ticks, 45);  // 9 frames at 20 a second
    EXPECT_LE(ticks, 48);
    sObjText* shown = game.mSecondShown[0] ? game.mSecondText[0] : game.mFirstText[0];
    EXPECT_NEAR(shown->mCentre.y, 120.0f, 1e-3f);  // the incoming text ends in the window
    EXPECT_NEAR(shown->mCentre.x, 120.0f, 1e-3f);
  }
  EXPECT_EQ(Sounds("SOUND_CHELK_SEIF"), 4);
}

TEST_F(SeifTest, HandleTriesTheCodeOnItsOpaquePixelsOnly) {
  SeifGame game;
  StartSeif(game, "2", "12");
  const int second = game.ShownDigit(1);
  game.MouseDown(190, 125, 1);  // opaque handle pixel over wheel 2's window
  EXPECT_EQ(Sounds("SOUND_RUCHKA_SEIF"), 1);
  EXPECT_EQ(game.ShownDigit(1), second);
  EXPECT_EQ(Sounds("SOUND_CHELK_SEIF"), 0);
  game.MouseDown(210, 125, 1);  // transparent half, outside every window
  EXPECT_EQ(Sounds("SOUND_RUCHKA_SEIF"), 1);
  game.MouseDown(190, 150, -1);  // right press on the handle below the windows
  EXPECT_EQ(Sounds("SOUND_RUCHKA_SEIF"), 1);
  EXPECT_EQ(Sounds("SOUND_CHELK_SEIF"), 0);
  game.MouseDown(170, 125, 1);  // wheel 2 beside the handle
  EXPECT_EQ(Sounds("SOUND_CHELK_SEIF"), 1);
}

TEST_F(SeifTest, TriedListRecordsEachRearrangementOnceWithItsSeparators) {
  SeifGame game;
  StartSeif(game, "3", "123");
  auto tryCode = [&](const std::string& digits) {
    for (int i = 0; i < 3; ++i) Show(game, i, digits[i] - '0');
    game.MouseDown(190, 150, 1);
  };
  struct Step {
    const char* entered;
    const wchar_t* list;
    size_t messages;
  };
  const Step steps[] = {
      {"213", L"213", 1},           {"213", L"213", 1},  // the same again: nothing
      {"113", L"213", 1},                                // not the code's digits
      {"132", L"213, 132", 2},      {"321", L"213, 132,\n321", 3},
      {"12", L"213, 132,\n321", 3},
  };
  for (const Step& step : steps) {
    if (std::string(step.entered).size() == 3) {
      tryCode(step.entered);
    }
    EXPECT_EQ(game.mTried->mText, step.list) << step.entered;
    EXPECT_EQ(messages.messages.size(), step.messages) << step.entered;
  }
  EXPECT_EQ(messages.messages.back(), "not_right_code");
  EXPECT_EQ(game.mState, SeifGame::kPlaying);
}

TEST_F(SeifTest, RightCodeTurnsTheHandleFadesTheSafeInAndWinsTheUpdateAfter) {
  SeifGame game;
  StartSeif(game, "2", "12");
  Show(game, 0, 1);
  Show(game, 1, 2);
  game.MouseDown(190, 150, 1);
  EXPECT_EQ(Sounds("SOUND_RUCHKA_SEIF"), 1);
  EXPECT_EQ(Sounds("SOUND_COLLECTED"), 1);
  EXPECT_EQ(game.mState, SeifGame::kTurning);
  EXPECT_FALSE(game.mHandleGlow->mVisible);
  ASSERT_NE(game.mHandle->CurrentAnimation(), nullptr);
  EXPECT_EQ(game.mHandle->CurrentAnimation()->name, "rot");
  // Input is ignored from now on.
  game.MouseDown(WheelX(0), 120, 1);
  EXPECT_FALSE(game.mFirstText[0]->IsPlaying());
  TickUntil(game, [&] { return !game.mHandle->IsPlaying(); });
  ASSERT_NE(game.mOpenedSafe->CurrentAnimation(), nullptr);
  EXPECT_EQ(game.mOpenedSafe->CurrentAnimation()->name, "to_visible");
  EXPECT_FALSE(game.mNoteDigit[0]->mVisible);
  EXPECT_FALSE(game.mNoteDigit[1]->mVisible);
  Tick(game, 10);
  EXPECT_TRUE(game.mOpenedSafe->IsPlaying());
  EXPECT_FALSE(game.mOpened);
  // The fade's end opens the safe; the game's next update reports the win.
  game.OnAnimationEnd("sprOpened", "to_visible");
  EXPECT_EQ(game.mState, SeifGame::kOpened);
  EXPECT_FALSE(game.IsWon());
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(SeifTest, TheWholeOpeningRunsOnTheObjectsOwnAnimationEnds) {
  SeifGame game;
  StartSeif(game, "2", "12");
  Show(game, 0, 1);
  Show(game, 1, 2);
  game.MouseDown(190, 150, 1);
  const int ticks = TickUntil(game, [&] { return game.IsWon(); });
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(game.mOpenedSafe->mAlpha, 255);
  EXPECT_LT(ticks, 200);
  EXPECT_EQ(forwarder.ends, (std::vector<std::string>{"sprRuchka rot", "sprOpened to_visible"}));
}

TEST_F(SeifTest, TheEndOfFindedWinsAtOnce) {
  SeifGame game;
  StartSeif(game, "2", "12");
  game.OnAnimationEnd("hint_glow", "finded");
  EXPECT_TRUE(game.IsWon());
}

TEST_F(SeifTest, DataItCannotPlayIsLoggedAndLeftIdle) {
  struct Case {
    std::string digits;
    std::string code;
    std::vector<std::string> leaveOut;
    const char* logged;
  };
  const Case cases[] = {
      {"6", "123456", {}, "\"_iNumDigit\" 6"},
      {"0", "0", {}, "\"_iNumDigit\" 0"},
      {"2", "1", {}, "code \"1\""},
      {"2", "1x", {}, "not all digits"},
      {"2", "12", {"rc_clip"}, "rc_clip"},
      {"2", "12", {"txt_2_2"}, "txt_2_2"},
      {"2", "12", {"glowTxt_1"}, "glowTxt_1"},
      {"2", "12", {"txtCodeDone"}, "txtCodeDone"},
      {"2", "12", {"sprOpened"}, "sprOpened"},
      {"2", "12", {"sprRuchkaGlow"}, "sprRuchkaGlow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    DeleteObjects(level);
    context.log.clear();
    context.sounds.clear();
    LoadLevel(Images(), Level(c.digits, c.code, c.leaveOut));
    SeifGame game;
    Start(game);
    EXPECT_TRUE(game.IsUnplayable());
    EXPECT_TRUE(Logged("(seif) cannot be played"));
    EXPECT_TRUE(Logged(c.logged));
    for (int x : {WheelX(0), WheelX(1), 190}) {
      game.MouseDown(x, 125, 1);
      game.MouseDown(x, 125, -1);
      game.MouseMove(x, 125);
    }
    game.OnAnimationEnd("sprRuchka", "rot");
    game.OnAnimationEnd("x", "finded");
    Tick(game, 20);
    EXPECT_TRUE(context.sounds.empty());
    EXPECT_FALSE(game.IsWon());
    HintPoint a, b;
    EXPECT_EQ(game.GetHintPosition(a, b), kHintNone);
    game.Draw(graphics);
  }
}

}  // namespace
}  // namespace leveltest
