// The level screen with a scripted mini-game: the win and defeat sequences,
// the profile's advancement, the pause veil, the messages, the HUD bars in
// easy and hard mode, and levels the screen cannot play (no objects, HUD
// objects missing, hostile counter formats).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/ImageTable.h"
#include "engine/StripEffect.h"
#include "frontend/GameDialog.h"
#include "frontend/MapScreen.h"
#include "frontend/ScreenSwitch.h"
#include "tests/levels/game_screen_support.h"
#include "ui/WidgetManager.h"

namespace leveltest {
namespace {

// The number of updates a timer of that period runs, from the real timer.
int TicksOf(float seconds) {
  CountdownTimer timer{seconds, seconds, CountdownTimer::kUpdateStep};
  int ticks = 0;
  while (timer.IsRunning()) {
    timer.Tick();
    ++ticks;
  }
  return ticks;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// The strings a font drew, with their positions.
std::vector<kindstest::StringCall>& Drawn(kindstest::RecordingFont& font) { return font.strings; }

// Counts the 3D scopes a drawing opens and closes.
class ScopeCountingImage : public kindstest::RecordingImage {
 public:
  void Begin3D(const Matrix4&, const Matrix4&, const Matrix4&) override {
    ++begins;
    ++depth;
    deepest = std::max(deepest, depth);
  }
  void End3D() override {
    ++ends;
    --depth;
  }
  int begins = 0;
  int ends = 0;
  int depth = 0;
  int deepest = 0;
};

TEST_F(GameScreenTest, WinPlaysTheSequenceGivesOneMoreUpdateAndSwitchesWhenTheTimerStops) {
  Play();
  game->mWon = true;
  Step();
  EXPECT_EQ(CountSound("SOUND_LEVELUP"), 1);
  EXPECT_TRUE(Logged("Level_1_1 won"));
  EXPECT_TRUE(Contains(host->log, "fade out all songs stop 0.100000"));
  EXPECT_TRUE(Contains(host->log, "effect magicrain3 at 100,50"));
  EXPECT_EQ(game->updates, 1);  // the update that saw the win still runs the game
  EXPECT_EQ(gStripEffect.mImage, screen->MessageImage());
  ASSERT_GE(Drawn(font).size(), 2u);
  EXPECT_EQ(Drawn(font)[Drawn(font).size() - 2].text, L"Level up");
  EXPECT_EQ(Drawn(font).back().text, L"Well done");

  const int ticks = TicksOf(3.0f);
  ASSERT_EQ(ticks, 301);
  Step(ticks - 1);
  EXPECT_TRUE(host->transitions.empty());
  EXPECT_EQ(game->updates, 1);
  Step();
  ASSERT_EQ(host->transitions.size(), 1u);
  EXPECT_EQ(host->transitions[0], (Transition{kMapScreen, kLevelScreen}));
  EXPECT_EQ(host->profiles.current().level, 1);
  EXPECT_EQ(CountSound("SOUND_LEVELUP"), 1);
  host->fadeFinished = true;  // even if the switch were slow, nothing repeats
  Step(400);
  EXPECT_EQ(host->transitions.size(), 1u);
  EXPECT_EQ(host->profiles.current().level, 1);
}

TEST_F(GameScreenTest, DefeatShowsNoTimeThenOpensTheDefeatMenuAndHaltsTheLevel) {
  context.hardMode = 1;
  Play({{"_iTimeMinut", "1"}});
  game->mLost = true;
  Step();
  EXPECT_EQ(CountSound("SOUND_TIMEUP"), 1);
  EXPECT_EQ(Drawn(font).back().text, L"Out of time");
  EXPECT_EQ(game->updates, 0);
  Step(TicksOf(3.0f) - 1);
  EXPECT_EQ(CountSound("SOUND_DEFEAT"), 0);
  EXPECT_EQ(OpenDialog(kGameMenuDialogId), nullptr);
  Step();
  EXPECT_EQ(CountSound("SOUND_DEFEAT"), 1);
  EXPECT_EQ(screen->GetDialogState(), 1);
  GameDialog* menu = OpenDialog(kGameMenuDialogId);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->mSceneName, "dlgDefeatMenu");
  EXPECT_TRUE(Logged("Level_1_1 lost"));
  EXPECT_TRUE(Logged("dialog 108 dlgDefeatMenu"));
  game->mLost = false;
  Step(50);
  EXPECT_EQ(game->updates, 0);
  EXPECT_EQ(CountSound("SOUND_TIMEUP"), 1);
}

TEST_F(GameScreenTest, AdvanceLevelMovesTheProfile) {
  struct Case {
    int stage, level, highest, bestBefore;
    int wantStage, wantLevel, wantHighest, wantBest;  // best of the new stage
    Transition wantSwitch;
    bool wantCompleted;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 1, 0, 1, {kMapScreen, kLevelScreen}, true},
      {5, 2, 12, 1, 5, 3, 12, 3, {kMapScreen, kLevelScreen}, true},
      {5, 1, 12, 3, 5, 2, 12, 3, {kMapScreen, kLevelScreen}, true},     // a higher best stays
      {9, 3, 9, 2, 10, 0, 10, 2, {kMapScreen, kLevelScreen}, true},     // new stage keeps its best
      {9, 3, 20, 0, 10, 0, 20, 0, {kMapScreen, kLevelScreen}, true},    // highest never drops
      {39, 3, 39, 0, 39, 0, 40, 0, {kWinScreen, kLevelScreen}, false},  // the last level of the game
  };
  Play();
  for (const Case& c : cases) {
    Profile& profile = host->profiles.current();
    profile.stage = c.stage;
    profile.level = c.level;
    profile.highestStage = c.highest;
    profile.bestLevel.fill(0);
    const int newStage = std::min(c.wantStage, 39);
    profile.bestLevel[newStage] = c.bestBefore;
    gLevelCompleted = false;
    host->transitions.clear();
    screen->AdvanceLevel();
    SCOPED_TRACE("from stage " + std::to_string(c.stage) + " level " + std::to_string(c.level));
    EXPECT_EQ(profile.stage, c.wantStage);
    EXPECT_EQ(profile.level, c.wantLevel);
    EXPECT_EQ(profile.highestStage, c.wantHighest);
    EXPECT_EQ(profile.bestLevel[newStage], c.wantBest);
    ASSERT_EQ(host->transitions.size(), 1u);
    EXPECT_EQ(host->transitions[0], c.wantSwitch);
    EXPECT_EQ(gLevelCompleted, c.wantCompleted);
  }
  gLevelCompleted = false;
}

TEST_F(GameScreenTest, PauseVeilRisesAndFallsByFourAndStopsTheLevel) {
  context.hardMode = 1;
  app->mWidth = 800;
  app->mHeight = 600;
  Play({{"_iTimeMinut", "1"}});
  screen->SetPaused(true);
  Step(39);
  EXPECT_EQ(screen->PauseAlpha(), 156);
  Step();
  EXPECT_EQ(screen->PauseAlpha(), 160);
  Step(5);
  EXPECT_EQ(screen->PauseAlpha(), 160);
  EXPECT_EQ(game->updates, 0);
  EXPECT_FLOAT_EQ(game->mLevelClock.mRemaining, 60.0f);

  // "Pause" (5 characters of 10 px) centred, at twice the veil's alpha,
  // capped at 255.
  for (int alpha : {60, 160}) {
    screen->SetPaused(false);
    while (screen->PauseAlpha() > alpha) Step();
    font.strings.clear();
    screen->DrawPauseOverlay(graphics);
    ASSERT_EQ(font.strings.size(), 1u);
    EXPECT_EQ(font.strings[0].text, L"Pause");
    EXPECT_EQ(font.strings[0].x, (800 - 50) / 2);
    EXPECT_EQ(font.strings[0].y, 300);
    EXPECT_EQ(font.strings[0].color.alpha, std::min(255, 2 * screen->PauseAlpha()));
    screen->SetPaused(true);
    Step(40);
  }

  screen->SetPaused(false);
  Step(39);
  EXPECT_EQ(screen->PauseAlpha(), 4);
  EXPECT_EQ(game->updates, 0);
  Step();
  EXPECT_EQ(screen->PauseAlpha(), 0);
  EXPECT_EQ(game->updates, 0);  // the update that lowers the veil last ends there
  Step();
  EXPECT_EQ(game->updates, 1);
  EXPECT_LT(game->mLevelClock.mRemaining, 60.0f);
}

// The strings drawn on the message image (its width clips them), not those
// a layout only measured.
std::vector<kindstest::StringCall> OnMessage(const std::vector<kindstest::StringCall>& strings) {
  std::vector<kindstest::StringCall> drawn;
  for (const kindstest::StringCall& s : strings) {
    if (s.clip.width == GameScreen::kMessageWidth) drawn.push_back(s);
  }
  return drawn;
}

TEST_F(GameScreenTest, MessagesLayOutTheirLinesAndStartTheStripWave) {
  Play();
  font.strings.clear();
  // 12 words of 9 letters: more than one line of 680 px.
  std::wstring longLine;
  for (int i = 0; i < 12; ++i) longLine += (i == 0 ? L"" : L" ") + std::wstring(L"abcdefghi");
  screen->ShowMessage(longLine, L"Second", 1);
  font.strings = OnMessage(font.strings);
  ASSERT_GE(font.strings.size(), 3u);
  EXPECT_EQ(font.strings[0].y, 12);       // baseline of the first rectangle
  EXPECT_EQ(font.strings[1].y, 12 + 32);  // line spacing 32
  EXPECT_EQ(font.strings.back().text, L"Second");
  EXPECT_EQ(font.strings.back().x, (680 - 60) / 2);  // centred in 680
  EXPECT_EQ(font.strings.back().y, 65 + 12);         // the second rectangle
  EXPECT_EQ(gStripEffect.mImage, screen->MessageImage());
  EXPECT_EQ(gStripEffect.mMode, 1);
  EXPECT_EQ(static_cast<int>(gStripEffect.Edges().size()), 41);  // 40 segments
  EXPECT_FLOAT_EQ(gStripEffect.mOriginX, 0.0f);
  EXPECT_FLOAT_EQ(gStripEffect.mOriginY, 235.0f);
  EXPECT_FLOAT_EQ(gStripEffect.mTimer.mDuration, 1.0f);
  // Strips move at 6.05 along a wave of radius 40 and amplitude 30.
  EXPECT_FLOAT_EQ(gStripEffect.mRadius, 40.0f);
  EXPECT_FLOAT_EQ(gStripEffect.mAngularSpeed, 6.05f / 40.0f);
  EXPECT_FLOAT_EQ(gStripEffect.mAmplitude, 30.0f);
  const float waveSpeed = gStripEffect.mSpeed;
  const float amplitude = gStripEffect.mAmplitude;

  font.strings.clear();
  screen->ShowPenaltyMessage(L"One", L"Two", 1, 50.0f);
  font.strings = OnMessage(font.strings);
  ASSERT_EQ(font.strings.size(), 2u);
  EXPECT_EQ(font.strings[0].y, 12);           // line 1 at 0, as high as the font (16)
  EXPECT_EQ(font.strings[1].y, 16 + 2 + 12);  // line 2 at h + 2
  EXPECT_FLOAT_EQ(gStripEffect.mOriginY, 50.0f);
  EXPECT_FLOAT_EQ(gStripEffect.mTimer.mDuration, 3.0f);
  EXPECT_FLOAT_EQ(gStripEffect.mSpeed, waveSpeed);
  EXPECT_FLOAT_EQ(gStripEffect.mAmplitude, amplitude);

  // An empty first line shows nothing.
  font.strings.clear();
  screen->ShowMessage(L"", L"Second", 1);
  EXPECT_TRUE(font.strings.empty());
  EXPECT_FLOAT_EQ(gStripEffect.mOriginY, 50.0f);
}

// The relative luminance of an sRGB colour, 0 to 1.
double Luminance(double r, double g, double b) {
  auto linear = [](double c) {
    c /= 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

TEST_F(GameScreenTest, MessagesStandOnADarkPanelThatKeepsWhiteTextReadableOverAWhiteScene) {
  Play();
  struct Case {
    const char* name;
    std::function<void()> show;
    bool narrow = true;  // the panel leaves the sides of the image clear
  };
  const Case cases[] = {
      {"message", [&] { screen->ShowMessage(L"Level up", L"Well done", 1); }},
      {"one line", [&] { screen->ShowMessage(L"Out of time", L"", 1); }},
      {"penalty", [&] { screen->ShowPenaltyMessage(L"Slower", L"", 1, 50.0f); }},
      // A word a line: less than two widths of text on three lines.
      {"wrapped",
       [&] {
         screen->ShowPenaltyMessage(
             std::wstring(34, L'x') + L" " + std::wstring(34, L'y') + L" " + std::wstring(34, L'z'), L"", 1, 50.0f);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    font.strings.clear();
    c.show();
    font.strings = OnMessage(font.strings);
    MemoryImage* image = screen->MessageImage();
    ASSERT_NE(image, nullptr);
    ASSERT_FALSE(font.strings.empty());
    const uint32_t* bits = image->GetBits();
    // The worst scene is white: the panel blended over it, under each letter.
    auto contrastOverWhite = [&](int x, int y) {
      const uint32_t p = bits[static_cast<size_t>(y) * static_cast<size_t>(image->width) + static_cast<size_t>(x)];
      const double a = static_cast<double>(p >> 24) / 255.0;
      auto over = [a](uint32_t channel) { return a * static_cast<double>(channel & 0xFF) + (1.0 - a) * 255.0; };
      return 1.05 / (Luminance(over(p >> 16), over(p >> 8), over(p)) + 0.05);
    };
    for (const kindstest::StringCall& line : font.strings) {
      const int width = 10 * static_cast<int>(line.text.size());
      const int top = line.y - 12;  // the recording font's ascent; letters are 16 high
      for (int y = std::max(0, top); y < top + 16; y += 3) {
        for (int x = line.x; x < line.x + width; x += 5) {
          ASSERT_GE(contrastOverWhite(x, y), 4.5) << "at " << x << "," << y;
        }
      }
      // Around a short message the scene stays in sight.
      if (!c.narrow) continue;
      EXPECT_EQ(bits[static_cast<size_t>(line.y) * static_cast<size_t>(image->width) + 2] >> 24, 0u);
      EXPECT_EQ(bits[static_cast<size_t>(line.y) * static_cast<size_t>(image->width) + 677] >> 24, 0u);
    }
  }
}

TEST_F(GameScreenTest, EasyModeKeepsTheTimeFullAndRunsSkipAndHintRecharge) {
  Play({{"_iTimeMinut", "1"}, {"_iSkipTime", "1"}});
  auto* timeText = Hud<sObjText>("txtTime");
  auto* timeBar = Hud<sObjSlider>("progressBarTime");
  auto* skip = Hud<sObjButton>("btnSkip");
  auto* skipBar = Hud<sObjSlider>("progressBarSkip");
  ASSERT_TRUE(timeText && timeBar && skip && skipBar);
  EXPECT_EQ(timeText->mText, L"Relaxed");
  EXPECT_TRUE(Hud<sObj>("sprDisabledTime")->mVisible);
  EXPECT_FALSE(Hud<sObj>("sprDisabledHint")->mVisible);
  EXPECT_FALSE(Hud<sObj>("sprDisabledItems")->mVisible);
  EXPECT_EQ(Hud<sObjText>("txtItems")->mText, L"7");
  EXPECT_TRUE(skip->mVisible);
  EXPECT_TRUE(skipBar->mVisible);
  EXPECT_EQ(skip->mAlpha, 100);
  EXPECT_EQ(skipBar->mAlpha, 100);
  EXPECT_EQ(skip->mState, kButtonDisabled);

  timeText->mText = L"changed";
  timeBar->mTarget = 0.2f;
  Step();
  EXPECT_EQ(timeText->mText, L"Relaxed");
  EXPECT_FLOAT_EQ(timeBar->mTarget, 1.0f);
  EXPECT_FLOAT_EQ(Hud<sObjSlider>("progressBarItems")->mTarget, 0.25f);

  const int skipTicks = TicksOf(60.0f);
  Step(skipTicks - 2);
  EXPECT_EQ(skip->mState, kButtonDisabled);
  EXPECT_GT(skipBar->mTarget, 0.99f);
  Step();
  EXPECT_EQ(skip->mState, kButtonNormal);
  EXPECT_EQ(skip->mAlpha, 255);

  // The hint: cell 2 while disabled, back after 60 s with its sound.
  sObjButton* hint = HintButton();
  EXPECT_EQ(hint->mStateCells[kButtonDisabled], 2);
  screen->OnButtonClick("btnHint");
  EXPECT_EQ(hint->mState, kButtonDisabled);
  EXPECT_EQ(hint->mAlpha, 100);
  EXPECT_TRUE(Hud<sObj>("progressBarHint")->mVisible);
  Step(skipTicks);
  EXPECT_EQ(hint->mState, kButtonDisabled);
  EXPECT_EQ(CountSound("SOUND_TIP_FULL"), 0);
  Step();
  EXPECT_EQ(hint->mState, kButtonNormal);
  EXPECT_EQ(hint->mAlpha, 255);
  EXPECT_FALSE(Hud<sObj>("progressBarHint")->mVisible);
  EXPECT_EQ(CountSound("SOUND_TIP_FULL"), 1);
}

TEST_F(GameScreenTest, HardModeWritesTheClockIntoTheTimeText) {
  context.hardMode = 1;
  Play({{"_iTimeMinut", "2"}});
  auto* timeText = Hud<sObjText>("txtTime");
  EXPECT_EQ(timeText->mText, L"2:00");
  EXPECT_FALSE(Hud<sObj>("sprDisabledTime")->mVisible);
  Step(200);
  CountdownTimer clock;
  clock.Start(120.0f);
  for (int i = 0; i < 200; ++i) clock.Tick();
  const int seconds = static_cast<int>(clock.mRemaining);
  EXPECT_EQ(timeText->mText, FormatDataInts(L"%d:%02d", {seconds / 60, seconds % 60}));
  EXPECT_FLOAT_EQ(Hud<sObjSlider>("progressBarTime")->mTarget, clock.mRemaining / 120.0f);
}

TEST_F(GameScreenTest, MissCrossJumpsToTheMissAndPenaltyShowsItsMessage) {
  context.hardMode = 1;
  Play({{"_iTimeMinut", "2"}});
  screen->MouseDown(300, 200, 1);
  Step();
  EXPECT_EQ(CountSound("SOUND_MISS"), 1);
  sObj* cross = Hud<sObj>("sprCross");
  EXPECT_NEAR(cross->mCentre.x, 300.0f, 0.01f);
  EXPECT_NEAR(cross->mCentre.y, 200.0f, 0.01f);
  for (int i = 0; i < 3; ++i) screen->MouseDown(300, 200, 1);
  font.strings.clear();
  Step();
  // The cross wins this update; the penalty's message follows in the next.
  EXPECT_EQ(CountSound("SOUND_MISS"), 2);
  EXPECT_TRUE(font.strings.empty());
  Step();
  ASSERT_FALSE(font.strings.empty());
  EXPECT_EQ(font.strings.back().text, L"Penalty");
  EXPECT_FLOAT_EQ(gStripEffect.mOriginY, 50.0f);
}

TEST_F(GameScreenTest, GoalNotebookOpensOnceAfterTheFadeAndNotUnderAConversation) {
  host->fadeFinished = false;
  host->storyScreen = true;
  Build(Level({}));
  Step();
  EXPECT_EQ(OpenDialog(kGoalDialogId), nullptr);
  host->fadeFinished = true;
  Step();
  EXPECT_EQ(OpenDialog(kGoalDialogId), nullptr);
  host->storyScreen = false;
  host->levelHidden = true;
  Step();
  EXPECT_FALSE(screen->FindObject("fake_back")->mVisible);
  GameDialog* notebook = OpenDialog(kGoalDialogId);
  ASSERT_NE(notebook, nullptr);
  EXPECT_EQ(notebook->mSceneName, "dlgNoteBook");
  EXPECT_EQ(screen->GetDialogState(), 1);
  const int before = game->updates;
  Step(10);
  EXPECT_EQ(game->updates, before);  // the level waits while the notebook is open
  screen->SetDialogState(2);
  Step();
  EXPECT_EQ(game->updates, before + 1);
  Step(10);
  EXPECT_EQ(app->mDialogMap.size(), 1u);  // it opened once
}

// Every Begin3D of a frame has its End3D, with and without a mini-game, so
// nothing of the level's matrices or depth test reaches the next drawing.
TEST_F(GameScreenTest, DrawingClosesEveryThreeDScopeItOpens) {
  Play();
  game->mWon = true;
  Step();  // a message is on
  ScopeCountingImage image;
  Graphics g(&image);
  screen->Draw(g);
  EXPECT_GE(image.begins, 3);
  EXPECT_EQ(image.begins, image.ends);
  EXPECT_EQ(image.depth, 0);
  EXPECT_EQ(image.deepest, 1);
}

TEST_F(GameScreenTest, EmptyLevelSceneDrawsNoHudButHasMessagesAndTutorialAndIsLeftThroughTheMenu) {
  Build(DtmRecord());  // no level scene at all: no objects
  EXPECT_EQ(screen->Game(), nullptr);
  EXPECT_TRUE(Logged("has no objects"));
  EXPECT_FALSE(screen->HudObjects().empty());
  EXPECT_NE(screen->MessageImage(), nullptr);
  EXPECT_NE(screen->Tutorial(), nullptr);
  screen->SetDialogState(2);
  Step(5);
  screen->MouseMove(300, 300);
  screen->MouseDown(300, 300, 1);
  screen->MouseUp(300, 300, 1);
  screen->KeyChar(L'x');
  screen->ShowMessage(L"Hello", L"", 1);
  ScopeCountingImage image;
  Graphics g(&image);
  screen->Draw(g);
  EXPECT_EQ(image.begins, image.ends);
  // The mini-game draws the HUD: without one, none of its buttons shows.
  Image* buttons = GetImageByKey("btn4");
  ASSERT_NE(buttons, nullptr);
  for (const kindstest::DrawCall& call : image.calls) EXPECT_NE(call.image, buttons) << call.kind;
  ReleaseImageByKey("btn4");

  screen->OnButtonClick("btnSkip");  // nothing to skip
  screen->OnButtonClick("btnHint");
  EXPECT_TRUE(host->transitions.empty());
  screen->OnButtonClick("btnMenu");
  GameDialog* menu = OpenDialog(kGameMenuDialogId);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->mSceneName, "dlgGameMenu");
}

TEST_F(GameScreenTest, MissingHudObjectsAreLoggedOnceAndTheirFeaturesStayOff) {
  context.hardMode = 1;
  const std::vector<std::string> missing = {"btnHint",         "txtTime",  "progressBarTime", "sprCross",     "btnSkip",
                                            "progressBarSkip", "txtItems", "progressBarHint", "effHintClosed"};
  Build(Level({{"_iTimeMinut", "1"}, {"_iSkipTime", "1"}}), Hud(missing));
  screen->SetDialogState(2);
  for (const std::string& name : missing) {
    const auto lines = std::count_if(context.log.begin(), context.log.end(), [&](const std::string& line) {
      return line.find("\"" + name + "\" is missing") != std::string::npos;
    });
    EXPECT_EQ(lines, 1) << name;
  }
  // Every feature of a missing object is exercised: nothing may reach it.
  game->hintCode = kHintClosedAtBoth;
  screen->OnButtonClick("btnHint");
  screen->MouseDown(100, 100, 1);
  game->mSkipReady = true;
  game->mSkipTimedOut = true;
  game->mPenaltyNotice = true;
  Step(3);
  ScopeCountingImage image;
  Graphics g(&image);
  screen->Draw(g);
  game->mWon = true;
  Step(TicksOf(3.0f) + 1);
  EXPECT_EQ(host->transitions.size(), 1u);
}

TEST_F(GameScreenTest, WithoutAHudSceneTheLevelStillPlays) {
  Build(Level({}), DtmRecord());
  EXPECT_TRUE(screen->HudObjects().empty());
  screen->SetDialogState(2);
  screen->MouseDown(10, 10, 1);
  Step(3);
  EXPECT_EQ(game->updates, 3);
  ScopeCountingImage image;
  Graphics g(&image);
  screen->Draw(g);
  EXPECT_EQ(image.begins, image.ends);
}

// Counter formats come from data: only integer conversions take the numbers.
TEST_F(GameScreenTest, HostileCounterFormatsPrintLiterally) {
  context.hardMode = 1;
  Build(Level({{"_iTimeMinut", "1"}}), Hud({}, "badItems", "badItems"));
  screen->SetDialogState(2);
  Step(2);
  EXPECT_EQ(Hud<sObjText>("txtItems")->mText, L"%s left %n");
  EXPECT_EQ(Hud<sObjText>("txtTime")->mText, L"%s left %n");
  EXPECT_TRUE(Logged("printed literally"));
}

// Two levels one after the other, the first deleted while its effects and
// message still run.
TEST_F(GameScreenTest, TwoLevelsInARowLeaveNothingBehind) {
  Play({{"_iSkipTime", "1"}});
  game->mWon = true;
  Step(10);
  const Image* firstMessage = screen->MessageImage();
  ASSERT_EQ(gStripEffect.mImage, firstMessage);
  app->mWidgetManager->RemoveChild(screen.get());
  screen.reset();
  EXPECT_TRUE(Contains(host->log, "particles cleared"));
  EXPECT_EQ(gStripEffect.mImage, nullptr);  // the map draws the wave next
  game = nullptr;
  Play();
  Step(5);
  EXPECT_EQ(game->updates, 5);
}

}  // namespace
}  // namespace leveltest
