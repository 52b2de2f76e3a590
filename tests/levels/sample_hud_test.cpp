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
#include "frontend/GameDialog.h"
#include "frontend/GameDialogs.h"
#include "tests/levels/game_screen_support.h"
#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleScenes.h"
#include "tests/support/sample_scene_data.h"

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
    ASSERT_TRUE(CopySampleSceneData(mData.path(), &error)) << error;
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

// The defeat menu of the sample data, opened by a lost level: every button
// it offers leads out of the lost level (a new try, the map, or the options
// and leave dialogs over it). A button that only closed the menu would bring
// the defeat and the menu straight back.
TEST_F(SampleHudTest, EveryButtonOfTheDefeatMenuLeadsOutOfTheLostLevel) {
  std::vector<std::string> buttons;
  {
    ObjectList menu;
    ASSERT_TRUE(LoadScene("dlgDefeatMenu", menu));
    for (sObj* object : menu) {
      if (dynamic_cast<sObjButton*>(object) != nullptr) buttons.push_back(object->mName);
    }
    DeleteObjects(menu);
  }
  ASSERT_FALSE(buttons.empty());
  for (const std::string& name : buttons) {
    SCOPED_TRACE(name);
    TestLevelHost host(folder / "profile.dat");
    ASSERT_TRUE(host.profiles.Create(L"Tester", false, false) || host.profiles.HasCurrent());
    ScriptedGame* game = nullptr;
    auto screen = std::make_unique<GameScreen>(host, "Level_1_1", [&game](const std::string&) -> MiniGame* {
      game = new ScriptedGame();
      return game;
    });
    screen->Resize(0, 0, 800, 600);
    app->mWidgetManager->AddChild(screen.get());
    screen->StartLevel();
    screen->SetDialogState(2);
    ASSERT_NE(game, nullptr);
    game->mLost = true;
    auto dialog = [this](int id) -> GameDialog* {
      auto found = app->mDialogMap.find(id);
      return found == app->mDialogMap.end() ? nullptr : dynamic_cast<GameDialog*>(found->second);
    };
    for (int i = 0; i < 400 && dialog(kGameMenuDialogId) == nullptr; ++i) screen->Update();
    GameDialog* menu = dialog(kGameMenuDialogId);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->mSceneName, "dlgDefeatMenu");

    menu->OnButtonClick(name);
    const bool leftTheLevel = !host.transitions.empty();
    const bool openedADialog = dialog(kOptionsDialogId) != nullptr || dialog(kLeaveLevelDialogId) != nullptr;
    EXPECT_TRUE(leftTheLevel || openedADialog) << "the button only closes the menu";

    app->mWidgetManager->RemoveChild(screen.get());
    screen.reset();
    while (!app->mDialogMap.empty()) {
      Dialog* open = app->mDialogMap.begin()->second;
      app->RemoveDialog(app->mDialogMap.begin()->first, true, false);
      delete open;
    }
    app->ProcessDeletionQueue();
  }
}

}  // namespace
}  // namespace leveltest
