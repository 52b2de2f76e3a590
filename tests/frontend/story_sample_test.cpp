// The sample conversation and tutorial run on the sample scenes with the
// engine's own object kinds, the level screen a stand-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneDatabase.h"
#include "engine/Script.h"
#include "engine/ImageTable.h"
#include "engine/TextTables.h"
#include "frontend/KindScriptServices.h"
#include "frontend/MapScreen.h"
#include "frontend/StoryScreen.h"
#include "frontend/TutorialPanel.h"
#include "screen_test_support.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleScenes.h"
#include "tests/support/sample_scene_data.h"

namespace Kivo {
namespace {

using screentest::Log;
using screentest::NullWidgetHost;
using screentest::RecordingScreenHost;

class StandInStoryHost : public StoryHost {
 public:
  StandInStoryHost(ScreenHost& host, Log* log) : mHost(host), mLog(log) {}
  bool StartLevel() override {
    mLog->push_back("StartLevel");
    if (!SceneExists("Level_1_1")) return false;
    level = std::make_unique<Screen>(mHost, "Level_1_1");
    return true;
  }
  Screen* LevelScreen() override { return level.get(); }
  bool IsLevelStarted() override { return true; }
  void StartTransition(int target, int remove) override {
    mLog->push_back("StartTransition(" + std::to_string(target) + "," + std::to_string(remove) + ")");
  }
  int WindowWidth() override { return 800; }
  int WindowHeight() override { return 600; }

  std::unique_ptr<Screen> level;

 private:
  ScreenHost& mHost;
  Log* mLog;
};

class SampleStoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CopySampleSceneData(mFolder.path(), &error)) << error;
    ASSERT_TRUE(WriteSampleData(mFolder.path(), &error)) << error;
    mHome = std::filesystem::current_path();
    std::filesystem::current_path(mFolder.path());
    ASSERT_TRUE(OpenSceneDatabase("data/data.dtm"));
    ASSERT_TRUE(LoadTextTable());
    ASSERT_TRUE(LoadDialogTable());
    RegisterDrawingKinds();
    RegisterControlKinds();
    manager.SetCoordinateTransform(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
  }
  void TearDown() override {
    FreeSceneDatabase();
    std::filesystem::current_path(mHome);
  }

  TempFolder mFolder;
  std::filesystem::path mHome;
  Log log;
  RecordingScreenHost host{&log};
  KindScriptServices services;
  NullWidgetHost widgetHost;
  WidgetManager manager{&widgetHost};
};

TEST_F(SampleStoryTest, TheSampleConversationRunsToTheHandOver) {
  StandInStoryHost story(host, &log);
  StoryScreen screen(host, story, services, "mnDialogs", 0, 0);
  screen.Resize(0, 0, 800, 600);
  manager.AddChild(&screen);
  EXPECT_EQ(screen.Slot(0).mName, "hero");
  EXPECT_EQ(screen.Slot(1).mName, "sage");
  EXPECT_TRUE(screen.Slot(1).mMirrored);
  EXPECT_TRUE(screen.IsWaitingForClick());
  // Presses on empty background, away from the skip button.
  int clicks = 0;
  for (int update = 0; update < 1000 && !screen.IsFinished(); ++update) {
    if (screen.IsWaitingForClick()) {
      screen.MouseDown(5, 5, 1);
      screen.MouseUp(5, 5, 1);
      ++clicks;
    }
    screen.Update();
  }
  EXPECT_EQ(clicks, 3);  // one per speech line; the timed wait passed by itself
  EXPECT_EQ(log, (Log{"StartLevel", "StartTransition(6,12)"}));
  EXPECT_TRUE(manager.HasChild(story.level.get()));
  manager.RemoveChild(story.level.get());
  manager.RemoveChild(&screen);
}

TEST_F(SampleStoryTest, EveryLevelsConversationShowsItsLinesAndHandsOver) {
  for (int stage = 0; stage < 40; ++stage) {
    for (int level = 0; level < 4; ++level) {
      const std::string where = std::to_string(stage + 1) + "_" + std::to_string(level + 1);
      log.clear();
      StandInStoryHost story(host, &log);
      StoryScreen screen(host, story, services, "mnDialogs", stage, level);
      screen.Resize(0, 0, 800, 600);
      manager.AddChild(&screen);
      EXPECT_FALSE(screen.IsFinished()) << where;
      // Every cast member's body and every speaker's mood have pictures.
      std::set<std::string> keys;
      for (const ImageEntry& entry : ImageEntries()) keys.insert(entry.key);
      for (int slot = 0; slot < StoryScreen::kPersonageCount; ++slot) {
        const std::string& name = screen.Slot(slot).mName;
        if (!name.empty()) EXPECT_EQ(keys.count(name + "_body"), 1u) << where << " " << name;
      }
      int speeches = 0;
      for (const std::string& line : screen.GetScript().Lines()) {
        std::string value;
        if (Script::SplitAt(line, '=', value).empty()) continue;
        EXPECT_FALSE(GetDialogText(value).empty()) << where << " " << line;
        std::string name, mood;
        SplitSpeechKey(line.substr(0, line.find('=')), &name, &mood);
        EXPECT_NE(screen.FindPersonage(name), nullptr) << where << " " << line;
        EXPECT_EQ(keys.count(name + "_head_" + mood), 1u) << where << " " << line;
        ++speeches;
      }
      int clicks = 0;
      for (int update = 0; update < 1000 && !screen.IsFinished(); ++update) {
        if (screen.IsWaitingForClick()) {
          screen.MouseDown(5, 5, 1);
          screen.MouseUp(5, 5, 1);
          ++clicks;
        }
        screen.Update();
      }
      EXPECT_GE(speeches, 3) << where;
      EXPECT_EQ(clicks, speeches) << where;
      EXPECT_EQ(log, (Log{"StartLevel", "StartTransition(6,12)"})) << where;
      manager.RemoveChild(story.level.get());
      manager.RemoveChild(&screen);
    }
  }
}

TEST_F(SampleStoryTest, TheSampleTutorialWaitsStepByStepAndCanBeSkipped) {
  TutorialPanel panel(host, services, "mnTutor", 0, 0);
  panel.Resize(0, 0, 800, 600);
  manager.AddChild(&panel);
  ObjectList level;
  panel.SetLevelObjects(&level);
  panel.Start();
  EXPECT_FALSE(panel.IsFinished());
  EXPECT_TRUE(panel.FindObject("sprBack")->mVisible);
  EXPECT_TRUE(panel.Arrow(0)->mVisible);
  // The first hint holds the level and waits for "ok"; the game gets no
  // click meanwhile.
  EXPECT_TRUE(panel.IsBlocking());
  EXPECT_FALSE(panel.FilterClick(100, 100, 1));
  EXPECT_EQ(panel.GetScript().CurrentLine(), 4);
  panel.OnButtonClick("ok");
  EXPECT_EQ(panel.GetScript().CurrentLine(), 8);
  EXPECT_TRUE(panel.IsBlocking());
  panel.OnButtonClick("btnNextMenu");
  EXPECT_TRUE(panel.IsFinished());
  EXPECT_FALSE(panel.IsBlocking());
  EXPECT_TRUE(panel.FilterClick(100, 100, 1));
  manager.RemoveChild(&panel);
}

TEST_F(SampleStoryTest, EveryTutorialEndsByOkPressesAndTimeAlone) {
  // The sample tutorials keep to hints, arrows, "ok" and timed waits, so a
  // player who only presses "ok" reaches the end of each.
  for (int stage : {1, 2, 3, 5, 10, 40}) {
    TutorialPanel panel(host, services, "mnTutor", stage - 1, 0);
    ObjectList level;
    panel.SetLevelObjects(&level);
    panel.Start();
    EXPECT_FALSE(panel.IsFinished()) << stage;
    for (int update = 0; update < 2000 && !panel.IsFinished(); ++update) {
      panel.OnButtonClick("ok");
      panel.Update();
    }
    EXPECT_TRUE(panel.IsFinished()) << stage;
    EXPECT_FALSE(panel.IsBlocking()) << stage;
  }
  TutorialPanel none(host, services, "mnTutor", 3, 0);
  EXPECT_TRUE(none.IsFinished());
}

}  // namespace
}  // namespace Kivo
