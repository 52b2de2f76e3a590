#include "frontend/ScreenSwitch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "image/Image.h"
#include "screen_test_support.h"
#include "ui/Graphics.h"

namespace Kivo {
namespace {

using screentest::Log;
using screentest::NullWidgetHost;
using screentest::RecordingScreenHost;

class ScreenSwitchTest : public screentest::SceneFixture {
 protected:
  ScreenSwitchTest() {
    AddScene("Level_40_4", Probe("root"));
    AddScene("Level_1_1", Probe("root"));
    OpenScenes();
    manager.SetCoordinateTransform(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    host.switcher = &switcher;
  }
  ~ScreenSwitchTest() override {
    switcher.DeleteAll();
    host.switcher = nullptr;
  }

  // Runs updates until the fade is over; returns how many it took.
  int UpdateUntilFinished(int limit = 300) {
    int updates = 0;
    while (!switcher.IsFadeFinished() && updates < limit) {
      manager.UpdateFrame();
      ++updates;
    }
    return updates;
  }
  bool OverlayAtBack() const { return manager.GetChildren().front() == switcher.Overlay(); }
  bool OverlayAtFront() const { return manager.GetChildren().back() == switcher.Overlay(); }

  Log log;
  RecordingScreenHost host{&log};
  NullWidgetHost widgetHost;
  WidgetManager manager{&widgetHost};
  ScreenSwitch switcher{manager, host, 800, 600};
};

TEST_F(ScreenSwitchTest, AFadeTakes51UpdatesEachWayAndFocusesTheNewScreen) {
  switcher.ShowFirst(kSplashScreen);
  EXPECT_EQ(UpdateUntilFinished(), 51);
  Screen* splash = switcher.GetScreen(kSplashScreen);
  ASSERT_NE(splash, nullptr);
  EXPECT_EQ(manager.mFocusWidget, splash);
  log.clear();

  switcher.StartTransition(kMainMenuScreen, kSplashScreen);
  EXPECT_TRUE(OverlayAtFront());
  ScreenTransition* overlay = switcher.Overlay();
  for (int update = 1; update <= 50; ++update) {
    manager.UpdateFrame();
    ASSERT_EQ(overlay->mOpacity, 5 * update);
    ASSERT_EQ(overlay->mState, kFadingOut);
  }
  EXPECT_TRUE(log.empty());
  manager.UpdateFrame();  // update 51: black, and the switch
  EXPECT_EQ(overlay->mOpacity, 255);
  EXPECT_EQ(overlay->mState, kFadingIn);
  EXPECT_EQ(log, (Log{"Create(2)"}));
  EXPECT_EQ(switcher.GetScreen(kSplashScreen), nullptr);
  EXPECT_TRUE(OverlayAtFront());
  for (int update = 52; update <= 101; ++update) manager.UpdateFrame();
  EXPECT_EQ(overlay->mOpacity, 5);
  manager.UpdateFrame();  // update 102
  EXPECT_EQ(overlay->mState, kFadeFinished);
  EXPECT_EQ(overlay->mOpacity, 0);
  EXPECT_TRUE(OverlayAtBack());
  EXPECT_EQ(manager.mFocusWidget, switcher.GetScreen(kMainMenuScreen));
  EXPECT_EQ(switcher.GetScreen(kMainMenuScreen)->mWidth, 800);
}

TEST_F(ScreenSwitchTest, ASecondRequestMidFadeOnlyChangesTheTarget) {
  switcher.ShowFirst(kMainMenuScreen);
  UpdateUntilFinished();
  switcher.StartTransition(kMapScreen, kMainMenuScreen);
  for (int update = 0; update < 20; ++update) manager.UpdateFrame();
  switcher.StartTransition(kWinScreen, kMainMenuScreen);
  EXPECT_EQ(switcher.Overlay()->mOpacity, 100);
  for (int update = 0; update < 31; ++update) manager.UpdateFrame();
  EXPECT_EQ(switcher.Overlay()->mState, kFadingIn);
  EXPECT_EQ(log, (Log{"Create(2)", "Create(5)"}));
  EXPECT_EQ(switcher.GetScreen(kMapScreen), nullptr);
}

TEST_F(ScreenSwitchTest, AFilledSlotIsShownAsItIs) {
  switcher.ShowFirst(kMapScreen);
  UpdateUntilFinished();
  Screen* map = switcher.GetScreen(kMapScreen);
  map->Resize(1, 2, 3, 4);
  switcher.SwitchScreen(kMapScreen, kNoScreen);
  EXPECT_EQ(map->mX, 1);
  EXPECT_EQ(map->mWidth, 3);
  EXPECT_EQ(std::count(manager.GetChildren().begin(), manager.GetChildren().end(), map), 1);
  EXPECT_EQ(log, (Log{"Create(4)"}));
}

TEST_F(ScreenSwitchTest, QuitStartsTheShutdownAndCreatesNothing) {
  switcher.ShowFirst(kMainMenuScreen);
  UpdateUntilFinished();
  log.clear();
  switcher.StartTransition(kQuitScreen, kMainMenuScreen);
  for (int update = 0; update < 60; ++update) manager.UpdateFrame();
  EXPECT_EQ(log, (Log{"BeginShutdown"}));
  EXPECT_EQ(switcher.GetScreen(kMainMenuScreen), nullptr);
}

TEST_F(ScreenSwitchTest, AMissingLevelShowsAndFocusesTheMainMenu) {
  host.currentStage = 2;
  host.currentLevel = 1;  // Level_3_2 does not exist
  switcher.ShowFirst(kMapScreen);
  UpdateUntilFinished();
  log.clear();
  switcher.StartTransition(kLevelScreen, kMapScreen);
  UpdateUntilFinished();
  EXPECT_EQ(log, (Log{"Create(2)"}));
  EXPECT_EQ(switcher.GetScreen(kLevelScreen), nullptr);
  ASSERT_NE(switcher.GetScreen(kMainMenuScreen), nullptr);
  EXPECT_EQ(manager.mFocusWidget, switcher.GetScreen(kMainMenuScreen));
}

TEST_F(ScreenSwitchTest, StartLevelNamesTheSceneFromOneAndFadesTheMenuSongOut) {
  const struct {
    int stage, level;
    const char* scene;
  } cases[] = {{39, 3, "Level_40_4"}, {0, 0, "Level_1_1"}};
  for (const auto& c : cases) {
    log.clear();
    host.currentStage = c.stage;
    host.currentLevel = c.level;
    ASSERT_TRUE(switcher.StartLevel());
    EXPECT_EQ(log, (Log{std::string("CreateLevel(") + c.scene + ")", "FadeOutSong(0,stop,0.1)"}));
    EXPECT_EQ(switcher.GetScreen(kLevelScreen)->SceneName(), c.scene);
  }
  EXPECT_EQ(LevelSceneName(11, 1), "Level_12_2");
}

TEST_F(ScreenSwitchTest, TheLevelBuiltAheadIsAddedOnceAndReplayBuildsAnew) {
  switcher.ShowFirst(kStoryScreen);
  UpdateUntilFinished();
  ASSERT_TRUE(switcher.StartLevel());
  Screen* level = switcher.GetScreen(kLevelScreen);
  switcher.StartTransition(kLevelScreen, kStoryScreen);
  UpdateUntilFinished();
  EXPECT_EQ(switcher.GetScreen(kLevelScreen), level);
  EXPECT_TRUE(manager.HasChild(level));
  EXPECT_EQ(manager.mFocusWidget, level);
  log.clear();
  switcher.StartTransition(kLevelScreen, kLevelScreen);
  UpdateUntilFinished();
  EXPECT_EQ(log, (Log{"CreateLevel(Level_1_1)", "FadeOutSong(0,stop,0.1)"}));
  EXPECT_TRUE(manager.HasChild(switcher.GetScreen(kLevelScreen)));
  EXPECT_EQ(manager.GetChildren().size(), 2u);
}

// The removed screen is deleted inside the overlay's update; the manager's
// walk goes on over the remaining widgets whether the screen lay before or
// after the overlay (ASan watches the walk).
TEST_F(ScreenSwitchTest, TheRemovedScreenIsGoneInEitherUpdateOrder) {
  for (bool screenInFront : {false, true}) {
    SCOPED_TRACE(screenInFront ? "screen in front of the overlay" : "screen behind the overlay");
    switcher.ShowFirst(kSplashScreen);
    UpdateUntilFinished();
    switcher.StartTransition(kLoadingScreen, kSplashScreen);
    UpdateUntilFinished();
    Screen* loading = switcher.GetScreen(kLoadingScreen);
    switcher.StartTransition(kMainMenuScreen, kLoadingScreen);
    if (screenInFront) manager.MoveToFront(loading);
    for (int update = 0; update < 51; ++update) manager.UpdateFrame();
    EXPECT_EQ(switcher.GetScreen(kLoadingScreen), nullptr);
    // The loading screen is freed by now and its address may already hold
    // the main menu: the children are named by what they are instead.
    for (Widget* child : manager.GetChildren())
      EXPECT_TRUE(child == switcher.Overlay() || child == switcher.GetScreen(kMainMenuScreen));
    EXPECT_EQ(manager.GetChildren().size(), 2u);
    manager.UpdateFrame();
    UpdateUntilFinished();
    switcher.DeleteScreens();
  }
  EXPECT_EQ(std::count(log.begin(), log.end(), "LaunchLoader"), 2);
}

}  // namespace
}  // namespace Kivo

namespace Kivo {
namespace {

// Counts the overlay's fills.
class FillCounter : public Image {
 public:
  FillCounter() {
    width = 800;
    height = 600;
  }
  void FillRect(const Rect& r, const Color& c, int) override {
    ++fills;
    lastAlpha = c.alpha;
  }
  int fills = 0;
  int lastAlpha = -1;
};

TEST_F(ScreenSwitchTest, TheOverlayDrawsBlackOfItsOpacityOnlyWhileFading) {
  FillCounter image;
  Graphics g(&image);
  ScreenTransition* overlay = switcher.Overlay();
  const struct {
    int state, opacity, fills, alpha;
  } cases[] = {{kFadeFinished, 255, 0, -1}, {kFadingOut, 100, 1, 100}, {kFadingIn, 255, 1, 255}, {kFadingIn, 0, 0, -1}};
  for (const auto& c : cases) {
    image.fills = 0;
    image.lastAlpha = -1;
    overlay->mState = c.state;
    overlay->mOpacity = c.opacity;
    overlay->Draw(g);
    EXPECT_EQ(image.fills, c.fills) << "state " << c.state << ", opacity " << c.opacity;
    EXPECT_EQ(image.lastAlpha, c.alpha);
  }
  overlay->mState = kFadeFinished;
}

}  // namespace
}  // namespace Kivo
