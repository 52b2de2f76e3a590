#include "frontend/Screen.h"

#include <gtest/gtest.h>

#include <memory>

#include "screen_test_support.h"

namespace Kivo {
namespace {

using screentest::Log;
using screentest::NullWidgetHost;
using screentest::RecordingScreenHost;

class BackgroundScreen : public Screen {
 public:
  BackgroundScreen(ScreenHost& host, std::string scene, Log* log) : Screen(host, std::move(scene)), mLog(log) {}
  void OnBackgroundDown(int x, int y, int count) override {
    mLog->push_back("BackgroundDown(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(count) +
                    ")");
  }
  void OnBackgroundUp(int x, int y, int count) override {
    mLog->push_back("BackgroundUp(" + std::to_string(count) + ")");
  }

 private:
  Log* mLog;
};

class ScreenTest : public screentest::SceneFixture {
 protected:
  ScreenTest() {
    DtmRecord root = Probe("root");
    root.Property("music_play", "music3");
    root.Child(Probe("other")).Child(Probe("taker"));
    AddScene("mnTaking", root);
    DtmRecord passive = Probe("root");
    passive.Child(Probe("taker")).Child(Probe("passive"));
    AddScene("mnPassive", passive);
    OpenScenes();
    manager.SetCoordinateTransform(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
  }

  std::unique_ptr<BackgroundScreen> AddScreen(const std::string& scene) {
    auto screen = std::make_unique<BackgroundScreen>(host, scene, &log);
    screen->Resize(0, 0, 800, 600);
    manager.AddChild(screen.get());
    objectLog.clear();
    log.clear();
    return screen;
  }

  Log log;
  RecordingScreenHost host{&log};
  NullWidgetHost widgetHost;
  WidgetManager manager{&widgetHost};
};

TEST_F(ScreenTest, PressesGoToTheRootsActiveChildElseToTheBackground) {
  struct Case {
    const char* scene;
    int count;
    bool taken;
  };
  const Case cases[] = {{"mnTaking", 1, true},   {"mnTaking", -1, true},   {"mnPassive", 1, false},
                        {"mnPassive", 2, false}, {"mnPassive", -1, false}, {"mnPassive", -2, false},
                        {"mnPassive", 3, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.scene) + " count " + std::to_string(c.count));
    auto screen = AddScreen(c.scene);
    screen->MouseDown(12, 34, c.count);
    screen->MouseUp(12, 34, c.count);
    std::string active = c.taken ? "taker" : "passive";  // the last child in list order
    EXPECT_EQ(objectLog, (Log{active + ".Down(12,34," + std::to_string(c.count) + ")",
                              active + ".Up(" + std::to_string(c.count) + ")"}));
    if (c.taken) {
      EXPECT_TRUE(log.empty());
    } else {
      EXPECT_EQ(log, (Log{"BackgroundDown(12,34," + std::to_string(c.count) + ")",
                          "BackgroundUp(" + std::to_string(c.count) + ")"}));
    }
    manager.RemoveChild(screen.get());
  }
}

TEST_F(ScreenTest, ObjectsGetIndexListenerAndFocusInListOrder) {
  auto screen = AddScreen("mnTaking");
  ObjectList& objects = screen->Objects();
  ASSERT_EQ(objects.size(), 3u);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    EXPECT_EQ(objects[i]->mIndex, static_cast<int>(i));
    EXPECT_EQ(objects[i]->mListener, static_cast<ObjEventListener*>(screen.get()));
  }
  EXPECT_EQ(objects[0]->mActiveChild, screen->FindObject("taker"));
  manager.RemoveChild(screen.get());
}

TEST_F(ScreenTest, KeysReachEveryObjectAndTheWheelOnlyTheActiveChild) {
  auto screen = AddScreen("mnTaking");
  screen->KeyDown(65);
  screen->KeyChar(L'a');
  screen->MouseWheel(-2);
  EXPECT_EQ(objectLog, (Log{"root.Key(65)", "other.Key(65)", "taker.Key(65)", "root.Char(97)", "other.Char(97)",
                            "taker.Char(97)", "taker.Wheel(-2)"}));
  manager.RemoveChild(screen.get());
}

TEST_F(ScreenTest, HoverFollowsThePointerOnlyWhileFocused) {
  auto screen = AddScreen("mnTaking");
  manager.mLastMouseX = 7;
  manager.mLastMouseY = 9;
  screen->Update();
  EXPECT_TRUE(objectLog.empty());
  manager.SetFocus(screen.get());
  screen->Update();
  EXPECT_EQ(objectLog, (Log{"root.Move(7,9)", "other.Move(7,9)", "taker.Move(7,9)"}));
  manager.RemoveChild(screen.get());
}

TEST_F(ScreenTest, IdleScreensRedrawOnEvenCountsAndEveryUpdateDuringAFade) {
  auto screen = AddScreen("mnPassive");
  ScreenSwitch switcher(manager, host, 800, 600);
  host.switcher = &switcher;
  switcher.Overlay()->mState = kFadeFinished;
  for (int update = 1; update <= 4; ++update) {
    screen->mDirty = false;
    screen->Update();
    EXPECT_EQ(screen->mDirty, screen->mUpdateCount % 2 == 0) << "update count " << screen->mUpdateCount;
  }
  switcher.Overlay()->mState = kFadingOut;
  for (int update = 1; update <= 4; ++update) {
    screen->mDirty = false;
    screen->Update();
    EXPECT_TRUE(screen->mDirty);
  }
  host.switcher = nullptr;
  manager.RemoveChild(screen.get());
}

TEST_F(ScreenTest, MusicPlayStartsItsSongUnlessItPlays) {
  auto first = AddScreen("mnPassive");
  EXPECT_EQ(host.playing, -1);
  Log calls;
  RecordingScreenHost musicHost(&calls);
  Screen a(musicHost, "mnTaking");
  EXPECT_EQ(calls, (Log{"PlayMusic(3)"}));
  manager.RemoveChild(first.get());
}

TEST(MusicIndexByName, NamesAndFallbacks) {
  const std::pair<const char*, int> cases[] = {{"menu", 0},     {"music1", 1},  {"music3", 3},
                                               {"music10", 10}, {"music11", 1}, {"Music1", 1},
                                               {"", 1},         {"music0", 1},  {"music03", 1}};
  for (const auto& c : cases) EXPECT_EQ(MusicIndexByName(c.first), c.second) << c.first;
}

TEST_F(ScreenTest, MissingSceneSendsPressesToTheBackground) {
  auto screen = AddScreen("mnNoSuchScene");
  EXPECT_TRUE(screen->Objects().empty());
  screen->MouseDown(1, 2, 1);
  screen->KeyDown(13);
  screen->MouseWheel(1);
  screen->Update();
  EXPECT_EQ(log, (Log{"BackgroundDown(1,2,1)"}));
  manager.RemoveChild(screen.get());
}

}  // namespace
}  // namespace Kivo
