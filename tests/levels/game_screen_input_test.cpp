// The level screen's input: HUD buttons before the game, the tutorial's
// click filter, click counts, the hint answers and their effects, the skip
// buttons, and the hidden debug mode's keys.
#include <gtest/gtest.h>

#include "frontend/GameDialog.h"
#include "frontend/ScreenSwitch.h"
#include "tests/levels/game_screen_support.h"

namespace leveltest {
namespace {

using Points = std::vector<std::pair<int, int>>;

Points StartsOf(sObj* effect) {
  Points points;
  for (const Vec2& p : dynamic_cast<EffectProbe&>(*effect).starts) {
    points.push_back({static_cast<int>(p.x), static_cast<int>(p.y)});
  }
  return points;
}

void Type(GameScreen& screen, const std::wstring& text) {
  for (wchar_t c : text) screen.KeyChar(c);
}

TEST_F(GameScreenTest, ClickTakenByAHudButtonNeverReachesTheGame) {
  context.hardMode = 1;
  Play({{"_iTimeMinut", "1"}});
  screen->MouseMove(740, 80);  // over btnHint
  screen->MouseDown(740, 80, 1);
  screen->MouseUp(740, 80, 1);
  EXPECT_EQ(CountSound("SOUND_TIP_USE"), 1);
  EXPECT_TRUE(game->calls.empty());
  EXPECT_FALSE(game->mMissCrossRequest);
  EXPECT_EQ(game->mMissCount, 0);
}

TEST_F(GameScreenTest, PressesReachTheGameWithTheirClickCounts) {
  Play();
  for (int count : {1, -1, 2, -2, 3}) {
    screen->MouseDown(300, 200, count);
    screen->MouseUp(300, 200, count);
  }
  const std::vector<std::string> expected = {"down 300,200 1", "up 1", "down 300,200 -1", "up -1",
                                             "down 300,200 2", "up 2", "down 300,200 -2", "up -2",
                                             "down 300,200 3", "up 3"};
  EXPECT_EQ(game->calls, expected);
}

TEST_F(GameScreenTest, TutorialThatKeepsAClickStopsIt) {
  WriteTutorial("rect_strict_vert(0,0,100,0,100,100,0,100)\nwait_event_click_left()\n");
  Play();
  screen->StartTutorial();
  screen->MouseDown(300, 300, 1);  // outside the allowed area: the panel keeps it
  EXPECT_TRUE(game->calls.empty());
  EXPECT_FALSE(game->mMissCrossRequest);
  screen->MouseDown(50, 50, 1);
  ASSERT_EQ(game->calls.size(), 1u);
  EXPECT_EQ(game->calls[0], "down 50,50 1");
}

TEST_F(GameScreenTest, HintWithoutAnAnswerDisablesTheButtonForOneUpdate) {
  Play();
  game->hintCode = kHintNone;
  screen->OnButtonClick("btnHint");
  EXPECT_EQ(HintButton()->mState, kButtonDisabled);
  EXPECT_FALSE(Hud<sObj>("progressBarHint")->mVisible);
  Step();
  EXPECT_EQ(HintButton()->mState, kButtonNormal);
  const std::vector<std::string> expected = {"SOUND_TIP_USE", "SOUND_TIP_FULL"};
  EXPECT_EQ(context.sounds, expected);
}

TEST_F(GameScreenTest, HintCodesStartTheirEffectsAtTheirPoints) {
  struct Case {
    uint8_t code;
    Points hint;    // "effHint" of the level
    Points closed;  // "effHintClosed" of the HUD
  };
  const Case cases[] = {
      {kHintAtFirst, {{120, 130}}, {}},
      {kHintAtBoth, {{120, 130}, {220, 230}}, {}},
      {kHintClosedAtFirst, {}, {{120, 130}}},
      {kHintClosedAtBoth, {}, {{120, 130}, {220, 230}}},
      {7, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    Play();
    game->hintCode = c.code;
    screen->OnButtonClick("btnHint");
    EXPECT_EQ(StartsOf(screen->FindObject("effHint")), c.hint);
    EXPECT_EQ(StartsOf(Hud<sObj>("effHintClosed")), c.closed);
    // Every answer but 255 uses the hint up: 60 s of recharge.
    EXPECT_FLOAT_EQ(screen->HintRecharge().mRemaining, 60.0f);
    EXPECT_TRUE(Hud<sObj>("progressBarHint")->mVisible);
    app->mWidgetManager->RemoveChild(screen.get());
    screen.reset();
  }
}

TEST_F(GameScreenTest, SkipButtonsWinARunningLevelOnly) {
  struct Case {
    const char* button;
    bool won, lost;
    bool wantWon;
    int wantClicks;
  };
  const Case cases[] = {
      {"btnSkip", false, false, true, 1}, {"game_skip", false, false, true, 0}, {"btnSkip", true, false, true, 0},
      {"btnSkip", false, true, false, 0}, {"game_skip", false, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.button) + (c.won ? " won" : "") + (c.lost ? " lost" : ""));
    Play();
    context.sounds.clear();
    game->mWon = c.won;
    game->mLost = c.lost;
    screen->OnButtonClick(c.button);
    EXPECT_EQ(game->mWon, c.wantWon);
    EXPECT_EQ(CountSound("SOUND_BTN_CLK"), c.wantClicks);
    app->mWidgetManager->RemoveChild(screen.get());
    screen.reset();
  }
  // Once won or lost the menu stays shut too.
  Play();
  game->mLost = true;
  screen->OnButtonClick("btnMenu");
  EXPECT_EQ(OpenDialog(kGameMenuDialogId), nullptr);
}

TEST_F(GameScreenTest, MenuAndGoalButtonsOpenTheirDialogs) {
  Play();
  screen->OnButtonClick("btnPurpose");
  GameDialog* notebook = OpenDialog(kGoalDialogId);
  ASSERT_NE(notebook, nullptr);
  EXPECT_EQ(notebook->mSceneName, "dlgNoteBook");
  screen->OnButtonClick("btnMenu");
  GameDialog* menu = OpenDialog(kGameMenuDialogId);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->mSceneName, "dlgGameMenu");
  EXPECT_EQ(screen->GetDialogState(), 1);
  EXPECT_EQ(CountSound("SOUND_BTN_CLK"), 2);
}

TEST_F(GameScreenTest, DebugWordTogglesAndKeysActOnlyInDebugMode) {
  context.hardMode = 1;
  Play({{"_iTimeMinut", "1"}});
  auto snapshot = [&] {
    const Profile& p = host->profiles.current();
    return std::to_string(p.highestStage) + " " + std::to_string(p.allUnlocked) + " " +
           std::to_string(host->transitions.size()) + " " + std::to_string(app->mDialogMap.size()) + " " +
           std::to_string(gTimerFreeze) + " " + std::to_string(screen->HintRecharge().mRemaining) + " " +
           std::to_string(host->log.size());
  };
  screen->OnButtonClick("btnHint");  // the recharge runs: 'h' would end it
  const std::string before = snapshot();
  Type(*screen, L"ehad\x1bt");
  EXPECT_EQ(snapshot(), before);
  EXPECT_TRUE(game->calls.empty());

  Type(*screen, L"qopmu");
  EXPECT_TRUE(gDebugMode);
  EXPECT_EQ(game->calls.size(), 1u);  // the word's last letter already reaches the game
  game->calls.clear();

  screen->KeyChar(L'h');
  EXPECT_FLOAT_EQ(screen->HintRecharge().mRemaining, 0.0f);
  screen->KeyChar(L'a');
  EXPECT_EQ(host->profiles.current().highestStage, 39);
  EXPECT_TRUE(host->profiles.current().allUnlocked);
  screen->KeyChar(L'd');
  EXPECT_TRUE(gTimerFreeze);
  const float clock = game->mLevelClock.mRemaining;
  Step(10);
  EXPECT_FLOAT_EQ(game->mLevelClock.mRemaining, clock);
  screen->KeyChar(L'd');
  EXPECT_FALSE(gTimerFreeze);
  screen->KeyChar(L't');
  EXPECT_EQ(host->log.back(), "texts reloaded");
  context.sounds.clear();
  screen->KeyChar(27);
  EXPECT_EQ(CountSound("SOUND_BTN_CLK"), 1);
  GameDialog* menu = OpenDialog(kGameMenuDialogId);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->mSceneName, "dlgGameMenu");
  screen->KeyChar(L'e');
  ASSERT_EQ(host->transitions.size(), 1u);
  EXPECT_EQ(host->transitions[0], (Transition{kMapScreen, kLevelScreen}));
  EXPECT_EQ(host->profiles.current().level, 1);
  const std::vector<std::string> keys = {"key h", "key a", "key d", "key d", "key t", "key \x1b", "key e"};
  EXPECT_EQ(game->calls, keys);

  Type(*screen, L"qopmu");
  EXPECT_FALSE(gDebugMode);
  game->calls.clear();
  screen->KeyChar(L'e');
  EXPECT_EQ(host->transitions.size(), 1u);
  EXPECT_TRUE(game->calls.empty());
}

TEST_F(GameScreenTest, AnimationEndsReachGameAndTutorialAndMessagesTheTutorial) {
  WriteTutorial(
      "wait_event_ani_end(\"hero\",\"jump\")\nwait_event(\"found\",\"one\")\nwait_event_time(50)\n"
      "one:\nwait_event_time(60)\n");
  Play();
  screen->StartTutorial();
  const int waiting = screen->Tutorial()->GetScript().CurrentLine();
  screen->OnAnimationEnd("hero", "jump");
  EXPECT_EQ(game->calls, std::vector<std::string>{"end hero jump"});
  const int afterAnimation = screen->Tutorial()->GetScript().CurrentLine();
  EXPECT_NE(afterAnimation, waiting);
  screen->OnMessage("found");
  EXPECT_NE(screen->Tutorial()->GetScript().CurrentLine(), afterAnimation);
}

}  // namespace
}  // namespace leveltest
