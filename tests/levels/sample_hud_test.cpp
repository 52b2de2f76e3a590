// The sample data's HUD scene "mnGame": every object the level screen looks
// up is there with its kind, its clickable parts lie in the right-hand panel
// clear of play areas, and a level screen built on it finds all it needs.
#include <gtest/gtest.h>

#include "engine/AnimDef.h"

#include <unistd.h>

#include <fstream>
#include <string>

#include "engine/ButtonKinds.h"
#include "engine/ControlKinds.h"
#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneDatabase.h"
#include "engine/SliderEditKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/TextKinds.h"
#include "engine/TextTables.h"
#include "tests/levels/game_screen_support.h"
#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleScenes.h"

namespace leveltest {
namespace {

class SampleHudTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
    RegisterControlKinds();
    RegisterSoundAndEmitterKinds();
    std::string error;
    ASSERT_TRUE(WriteSampleSceneData(mData.path(), &error)) << error;
    ASSERT_TRUE(WriteSampleData(mData.path(), &error)) << error;
    ASSERT_TRUE(WriteSampleAnimations(mData.path(), &error)) << error;
    char previous[4096] = {};
    if (getcwd(previous, sizeof previous) != nullptr) mPrevious = previous;
    ASSERT_EQ(chdir(mData.path().c_str()), 0);
    // The sample's own pictures, read from the files as the game reads them.
    mTestImages = SetImageLoader(nullptr);
    ASSERT_TRUE(OpenSceneDatabase("data/data.dtm"));
    ASSERT_TRUE(LoadTextTable());
    LoadAllAnimDefs();  // the level's kind needs its shared animations
  }
  void TearDown() override {
    std::ifstream log(folder / "game.log");
    std::string line;
    while (std::getline(log, line)) EXPECT_EQ(line.find("Not Found Item!"), std::string::npos) << line;
    SetImageLoader(std::move(mTestImages));
    GameTextTable().Clear();
    gAnimDefs.clear();
    if (!mPrevious.empty()) {
      EXPECT_EQ(chdir(mPrevious.c_str()), 0);
    }
    MiniGameKit::TearDown();
  }

 private:
  TempFolder mData{"kivo-sample-hud"};
  std::string mPrevious;
  ImageLoader mTestImages;
};

TEST_F(SampleHudTest, HoldsEveryHudObjectWithItsKindInTheRightPanel) {
  ASSERT_TRUE(LoadScene("mnGame", hud));
  struct Row {
    const char* name;
    bool (*isKind)(sObj*);
  };
  auto slider = [](sObj* o) { return dynamic_cast<sObjSlider*>(o) != nullptr; };
  auto text = [](sObj* o) { return dynamic_cast<sObjText*>(o) != nullptr; };
  auto button = [](sObj* o) { return dynamic_cast<sObjButton*>(o) != nullptr; };
  auto emitter = [](sObj* o) { return dynamic_cast<AnimEffectTarget*>(o) != nullptr; };
  auto any = [](sObj*) { return true; };
  const Row rows[] = {
      {"progressBarTime", slider}, {"txtTime", text},           {"progressBarHint", slider},  {"btnHint", button},
      {"btnSkip", button},         {"progressBarSkip", slider}, {"progressBarItems", slider}, {"txtItems", text},
      {"sprDisabledHint", any},    {"sprDisabledList", any},    {"sprDisabledItems", any},    {"sprDisabledTime", any},
      {"effHintClosed", emitter},  {"effHint", emitter},        {"txtHintOff", text},         {"sprCross", any},
      {"btnMenu", button},         {"btnPurpose", button},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    sObj* object = FindObjectByName(hud, row.name);
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(row.isKind(object));
    if (std::string(row.name) == "sprCross") {
      EXPECT_TRUE(object->HasAnimation("go"));
      continue;
    }
    for (const Vector2& corner : object->mBaseQuad.corner) {
      EXPECT_GE(corner.x, 680.0f);
      EXPECT_LE(corner.x, 800.0f);
      EXPECT_GE(corner.y, 0.0f);
      EXPECT_LE(corner.y, 600.0f);
    }
  }
  // The counters' formats are integer formats the level screen can fill.
  EXPECT_EQ(dynamic_cast<sObjText*>(FindObjectByName(hud, "txtTime"))->mText, L"%d:%02d");
  EXPECT_FALSE(GetText("easyBarTime").empty());
  for (const char* key : {"congra", "level_up", "no_time", "straf", "pause"}) EXPECT_FALSE(GetText(key).empty());
}

TEST_F(SampleHudTest, LevelScreenOnTheSampleHudFindsEverything) {
  TestLevelHost host(folder / "profile.dat");
  ASSERT_TRUE(host.profiles.Create(L"Tester", false, false));
  context.hardMode = 1;
  GameScreen screen(host, "Level_1_1");
  screen.StartLevel();
  EXPECT_FALSE(Logged("is missing")) << (context.log.empty() ? "" : context.log.front());
  EXPECT_FALSE(screen.HudObjects().empty());
}

}  // namespace
}  // namespace leveltest
