#include "frontend/StoryScreen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <memory>

#include "frontend/ScreenSwitch.h"
#include "image/MemoryImage.h"
#include "screen_test_support.h"
#include "script_screen_test_support.h"
#include "ui/Graphics.h"

namespace Kivo {
namespace {

using screentest::Log;
using screentest::NullWidgetHost;
using screentest::RecordingScreenHost;

// Images by key with their sizes; what each sprite shows is noted.
class ImageServices : public scripttest::LoggingServices {
 public:
  ImageServices() : LoggingServices(&log) {}
  bool SetImage(sObj* sprite, const std::string& key, bool keep, float* width, float* height) override {
    if (sprite == nullptr) return false;
    auto found = images.find(key);
    if (found == images.end()) {
      if (!keep) shown[sprite->mName] = "";
      return false;
    }
    shown[sprite->mName] = key;
    *width = found->second.x;
    *height = found->second.y;
    return true;
  }
  Log log;
  std::map<std::string, Vec2> images = {{"hero_body", {100, 200}},   {"hero_head_happy", {40, 50}},
                                        {"hero_head_sad", {40, 50}}, {"old_man_body", {80, 160}},
                                        {"old_man_head_", {30, 30}}, {"old_man_head_happy", {30, 30}}};
  std::map<std::string, std::string> shown;
};

// The level screen's stand-in: counts its draws.
class CountingLevel : public Screen {
 public:
  using Screen::Screen;
  void Draw(Graphics& g) override { ++draws; }
  int draws = 0;
};

class RecordingStoryHost : public StoryHost {
 public:
  explicit RecordingStoryHost(Log* log) : mLog(log) {}
  bool StartLevel() override {
    mLog->push_back("StartLevel");
    if (!levelExists) return false;
    level = std::make_unique<CountingLevel>(*screenHost, "Level_1_1");
    return true;
  }
  Screen* LevelScreen() override { return level.get(); }
  bool IsLevelStarted() override { return started; }
  void StartTransition(int target, int remove) override {
    mLog->push_back("StartTransition(" + std::to_string(target) + "," + std::to_string(remove) + ")");
  }
  int WindowWidth() override { return 1024; }
  int WindowHeight() override { return 768; }

  ScreenHost* screenHost = nullptr;
  std::unique_ptr<CountingLevel> level;
  bool levelExists = true;
  bool started = false;

 private:
  Log* mLog;
};

using scripttest::Plain;

class StoryScreenTest : public screentest::SceneFixture {
 protected:
  StoryScreenTest() {
    DtmRecord root = Plain("root", 0, 0, 800, 600);
    for (int i = 1; i <= 3; ++i) {
      const std::string n = std::to_string(i);
      root.Child(Plain("pers" + n, 0, 0, 10, 10))
          .Child(Plain("pers" + n + "_head", 0, 0, 5, 5))
          .Child(Plain("b_pers" + n, 0, 0, 50, 20));
    }
    root.Child(Plain("btnNextMenu", 700, 550, 100, 50));
    AddScene("mnDialogs", root);
    AddScene("mnBare", Plain("root", 0, 0, 800, 600));
    AddScene("Level_1_1", Plain("root", 0, 0, 800, 600));
    OpenScenes();
    getcwd(mPrevious, sizeof(mPrevious));
    EXPECT_EQ(chdir(mWork.path().c_str()), 0);
    story.screenHost = &host;
    manager.SetCoordinateTransform(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
  }
  ~StoryScreenTest() override {
    if (screen != nullptr) manager.RemoveChild(screen.get());
    if (story.level != nullptr && manager.HasChild(story.level.get())) manager.RemoveChild(story.level.get());
    EXPECT_EQ(chdir(mPrevious), 0);
  }

  // Writes the script (none when empty) and adds the screen to the manager.
  StoryScreen& Add(const std::string& script, const std::string& scene = "mnDialogs") {
    if (!script.empty()) mWork.Write("data/dialogs/dlg_1_1.dtxt", script);
    screen = std::make_unique<StoryScreen>(host, story, services, scene, 0, 0);
    screen->Resize(0, 0, 800, 600);
    manager.AddChild(screen.get());
    return *screen;
  }

  Log log;
  RecordingScreenHost host{&log};
  RecordingStoryHost story{&log};
  ImageServices services;
  NullWidgetHost widgetHost;
  WidgetManager manager{&widgetHost};
  std::unique_ptr<StoryScreen> screen;

 private:
  TempFolder mWork;
  char mPrevious[4096] = {};
};

TEST(StorySpeechKey, SplitsAtTheLastUnderscore) {
  const std::pair<std::string, std::pair<std::string, std::string>> cases[] = {
      {"old_man_happy", {"old_man", "happy"}}, {"hero", {"hero", ""}}, {"hero_", {"hero", ""}}, {"_sad", {"", "sad"}}};
  for (const auto& c : cases) {
    std::string name = "x", mood = "x";
    SplitSpeechKey(c.first, &name, &mood);
    EXPECT_EQ(name, c.second.first) << c.first;
    EXPECT_EQ(mood, c.second.second) << c.first;
  }
}

TEST_F(StoryScreenTest, EachSpeechLineWaitsForItsOwnBackgroundClick) {
  StoryScreen& s =
      Add("personage(\"\",\"hero\",0,0,\"happy\",0)\npersonage(\"\",\"old_man\",0,0,\"\",0)\n"
          "hero_sad=t1\nold_man_happy=t2\nnobody=t3\n");
  EXPECT_EQ(s.Slot(0).mName, "hero");
  EXPECT_EQ(s.Slot(1).mName, "old_man");  // "" takes the first unnamed slot
  EXPECT_EQ(services.log, Log{"bubble b_pers1 100,100 0"});
  EXPECT_EQ(services.shown["pers1_head"], "hero_head_sad");
  EXPECT_TRUE(s.IsWaitingForClick());
  s.OnButtonClick("elsewhere");
  s.MouseDown(5, 5, 1);
  EXPECT_EQ(services.log.back(), "bubble b_pers2 100,100 0");
  EXPECT_EQ(services.shown["pers2_head"], "old_man_head_happy");
  s.MouseDown(5, 5, -1);
  EXPECT_EQ(services.log.size(), 2u);  // a speech line naming nobody shows nothing
  EXPECT_TRUE(s.IsWaitingForClick());
  EXPECT_EQ(log, (Log{"StartLevel"}));
  s.MouseDown(5, 5, 1);
  EXPECT_TRUE(s.IsFinished());
  EXPECT_EQ(log, (Log{"StartLevel", "StartTransition(6,12)"}));
}

TEST_F(StoryScreenTest, WaitTimeCountsUpdates) {
  struct Case {
    const char* seconds;
    int updates;
  };
  const Case cases[] = {{"1.0", 101}, {"1.5", 151}, {"0", 1}, {"-2", 1}, {"", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    StoryScreen& s = Add(std::string("wait_time(") + c.seconds + ")\n");
    int updates = 0;
    while (!s.IsFinished() && updates < 1000) {
      s.Update();
      ++updates;
    }
    EXPECT_EQ(updates, c.updates);
    manager.RemoveChild(screen.get());
    screen.reset();
  }
}

TEST_F(StoryScreenTest, PersonageQuadsNormalAndMirrored) {
  StoryScreen& s =
      Add("personage(\"\",\"hero\",0,-10,\"happy\",0)\ncenter(\"hero\",400,300)\nwait_time(5)\n"
          "personage(\"hero\",\"hero\",0,-10,\"happy\",1)\nwait_time(5)\n"
          "personage(\"hero\",\"hero\",0,-10,\"happy\",1)\nwait_time(5)\n");
  const Personage& hero = s.Slot(0);
  auto expectQuad = [](const sObj* object, std::initializer_list<float> xy) {
    const float* want = xy.begin();
    for (int i = 0; i < 4; ++i) {
      EXPECT_FLOAT_EQ(object->mBaseQuad.corner[i].x, want[2 * i]) << object->mName << " corner " << i;
      EXPECT_FLOAT_EQ(object->mBaseQuad.corner[i].y, want[2 * i + 1]) << object->mName << " corner " << i;
    }
  };
  // Body 100 x 200 about (400, 300); head 40 x 50 about the top edge's
  // middle (400, 200) plus the offset (0, -10).
  expectQuad(hero.mBody, {350, 200, 450, 200, 450, 400, 350, 400});
  expectQuad(hero.mHead, {380, 165, 420, 165, 420, 215, 380, 215});
  for (int i = 0; i < 501; ++i) s.Update();
  EXPECT_TRUE(hero.mMirrored);
  expectQuad(hero.mBody, {450, 200, 350, 200, 350, 400, 450, 400});
  expectQuad(hero.mHead, {420, 165, 380, 165, 380, 215, 420, 215});
  for (int i = 0; i < 501; ++i) s.Update();
  EXPECT_FALSE(hero.mMirrored);  // mirrored 1 twice restores the facing
  expectQuad(hero.mBody, {350, 200, 450, 200, 450, 400, 350, 400});
}

TEST_F(StoryScreenTest, SkipHandsOverAtAnyMomentAndOnlyOnce) {
  StoryScreen& s = Add("personage(\"\",\"hero\",0,0,\"happy\",0)\nhero_happy=t1\nhero_sad=t2\n");
  EXPECT_TRUE(s.IsWaitingForClick());
  s.OnButtonClick("btnNextMenu");
  s.OnButtonClick("btnNextMenu");
  EXPECT_EQ(services.log.back(), "sound SOUND_BTN_CLK");
  EXPECT_EQ(log, (Log{"StartLevel", "StartTransition(6,12)"}));
  // The level screen joined the manager behind everything, sized to the
  // window.
  Screen* level = story.level.get();
  ASSERT_TRUE(manager.HasChild(level));
  EXPECT_EQ(manager.GetChildren().front(), level);
  EXPECT_EQ(level->mWidth, 1024);
  EXPECT_EQ(level->mHeight, 768);
  s.MouseDown(5, 5, 1);  // the script does not go on after the hand-over
  EXPECT_EQ(s.GetScript().CurrentLine(), 2);
}

TEST_F(StoryScreenTest, MissingScriptHandsOverAtOnceAndMissingLevelGoesToTheMenu) {
  Add("");
  EXPECT_EQ(log, (Log{"StartLevel", "StartTransition(6,12)"}));
  manager.RemoveChild(screen.get());
  manager.RemoveChild(story.level.get());
  screen.reset();
  log.clear();
  story.levelExists = false;
  story.level.reset();
  StoryScreen& s = Add("personage(\"\",\"hero\",0,0,\"happy\",0)\nhero_happy=t1\n");
  EXPECT_EQ(log, (Log{"StartLevel", "StartTransition(2,12)"}));
  EXPECT_EQ(s.Slot(0).mName, "");  // no script run
  EXPECT_TRUE(s.IsFinished());
}

TEST_F(StoryScreenTest, TheStartedLevelIsDrawnUnderADimOfTheLogicalScreen) {
  StoryScreen& s = Add("personage(\"\",\"hero\",0,0,\"happy\",0)\nhero_happy=t1\n");
  MemoryImage target;
  ASSERT_TRUE(target.CreateBlank(1024, 768));
  Graphics g(&target);
  s.Draw(g);
  EXPECT_EQ(story.level->draws, 0);  // not started yet
  story.started = true;
  s.Draw(g);
  EXPECT_EQ(story.level->draws, 1);
  // The blank target starts transparent: alpha shows where the dim went,
  // 800 x 600 in a 1024 x 768 window.
  const uint32_t* bits = target.GetBits();
  EXPECT_NE(bits[599 * 1024 + 799] >> 24, 0u);
  EXPECT_EQ(bits[600 * 1024 + 800] >> 24, 0u);
}

// Short, empty and malformed argument lists of every command, against the
// full scene and one missing every object the screen looks up.
TEST_F(StoryScreenTest, MalformedCommandsDoNothing) {
  const char* commands[] = {"personage", "wait_time", "center", "play_ani", "init_by_ani"};
  const char* forms[] = {"()", "(,)", "(\"unclosed)", "(99999999999)", "", "(\"hero\")", "(\"\",\"hero\")"};
  for (const char* scene : {"mnDialogs", "mnBare"}) {
    for (const char* command : commands) {
      for (const char* form : forms) {
        SCOPED_TRACE(std::string(scene) + ": " + command + form);
        StoryScreen& s = Add(std::string(command) + form + "\nhero_happy=t1\n", scene);
        EXPECT_EQ(s.Slot(0).mName, "");
        EXPECT_TRUE(services.log.empty());
        for (int i = 0; i < 3; ++i) {
          if (s.Slot(i).mBody != nullptr) {
            EXPECT_FLOAT_EQ(s.Slot(i).mBody->mBaseQuad.corner[2].x, 10.0f);
          }
        }
        manager.RemoveChild(screen.get());
        if (story.level != nullptr && manager.HasChild(story.level.get())) manager.RemoveChild(story.level.get());
        screen.reset();
      }
    }
  }
}

}  // namespace
}  // namespace Kivo
