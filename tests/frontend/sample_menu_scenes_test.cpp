// The builder's main menu and dialog scenes read back through the engine:
// every dialog's objects under one root, the code page 1251 names byte for
// byte, the menu's link document and the texts the scenes name.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "frontend/GameDialogs.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleMenuScenes.h"
#include "tools/sampledata/SampleScenes.h"
#include "tests/support/sample_scene_data.h"

namespace {

using namespace Kivo;

class SampleMenuScenes : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CopySampleSceneData(mFolder.path(), &error)) << error;
    ASSERT_TRUE(OpenSceneDatabase(mFolder / "data/data.dtm"));
  }
  void TearDown() override { FreeSceneDatabase(); }
  TempFolder mFolder;
};

TEST_F(SampleMenuScenes, EveryDialogHoldsItsObjectsAsChildrenOfOneRoot) {
  struct Scene {
    std::string name;
    std::vector<std::string> objects;
  };
  const std::vector<Scene> scenes = {
      {"dlgExit", {"btnYes", "btnNo"}},
      {"dlgCredits", {"btnOk"}},
      {"dlgDifficulty", {"btnHard", "btnEasy"}},
      {"dlgPlayer", {"listPlayers", "btnCreate", "btnDelete", "btnUp", "btnDown", "btnOk"}},
      {"dlgName", {"editBox", "btnYes"}},
      {"dlgDublicate", {"btnOk"}},
      {"dlgDelete", {"btnYes", "btnNo"}},
      {"dlgOptions",
       {"progSound", "progMusic", "\xCE\xEA\xEE\xED\xD0\xE5\xE6\xE8\xEC",
        "\xF1\xE2\xEE\xE8\xCA\xF3\xF0\xF1\xEE\xF0\xFB", "btnClose"}},
      {"dlgNoteBook", {"txtPurpose", "btnOk"}},
      {"dlgGameMenu",
       {"\xEA\xED\xCF\xE5\xF0\xE5\xE8\xE3\xF0", "\xEA\xED\xCA\xE0\xF0\xF2\xE0", "\xEA\xED\xCD\xE0\xF1\xF2\xF0",
        "\xEA\xED\xC2\xFB\xF5\xEE\xE4", "btnResume"}},
      {"dlgDefeatMenu", {kReplayButtonName, kMapButtonName, kOptionsButtonName, kLeaveButtonName}},
      {"dlgGameExit", {"btnYes", "btnNo"}},
      {"mnMainMenu", {"welcome", "btnStart", "btnOptions", "btnExit", "btnWelcome", "btnCredits", "btnURL"}},
  };
  for (const Scene& scene : scenes) {
    ObjectList objects;
    ASSERT_TRUE(LoadScene(scene.name, objects)) << scene.name;
    // Presses reach only the root's active child: nothing may nest deeper.
    for (std::size_t i = 1; i < objects.size(); ++i)
      EXPECT_EQ(objects[i]->mParent, objects[0]) << scene.name << " " << objects[i]->mName;
    for (const std::string& name : scene.objects) {
      sObj* object = FindObjectByName(objects, name);
      ASSERT_NE(object, nullptr) << scene.name << " lacks " << name;
      EXPECT_EQ(object->mName, name);
    }
    DeleteObjects(objects);
  }
}

// A control past its panel's edge hangs in the air and shows around the
// smaller dialogs opened over its own.
TEST_F(SampleMenuScenes, EveryDialogKeepsItsObjectsInsideItsPanel) {
  for (const char* scene : {"dlgExit", "dlgCredits", "dlgDifficulty", "dlgPlayer", "dlgName", "dlgDublicate",
                            "dlgDelete", "dlgOptions", "dlgNoteBook", "dlgGameMenu", "dlgDefeatMenu", "dlgGameExit"}) {
    ObjectList objects;
    ASSERT_TRUE(LoadScene(scene, objects)) << scene;
    const Quad& panel = objects[0]->mBaseQuad;
    for (std::size_t i = 1; i < objects.size(); ++i) {
      const Quad& quad = objects[i]->mBaseQuad;
      EXPECT_GE(quad.corner[0].x, panel.corner[0].x) << scene << " " << objects[i]->mName;
      EXPECT_GE(quad.corner[0].y, panel.corner[0].y) << scene << " " << objects[i]->mName;
      EXPECT_LE(quad.corner[2].x, panel.corner[2].x) << scene << " " << objects[i]->mName;
      EXPECT_LE(quad.corner[2].y, panel.corner[2].y) << scene << " " << objects[i]->mName;
    }
    DeleteObjects(objects);
  }
}

TEST_F(SampleMenuScenes, MenuLinksItsShippedDocumentAndPlaysTheMenuSong) {
  ObjectList objects;
  ASSERT_TRUE(LoadScene("mnMainMenu", objects));
  EXPECT_EQ(objects[0]->mProperties.GetProperty("music_play"), "menu");
  const std::string document = FindObjectByName(objects, "btnURL")->mProperties.GetProperty("_sFileName");
  EXPECT_EQ(document, kSampleMenuDocument);
  std::string error;
  ASSERT_TRUE(WriteSampleMenuFiles(mFolder.path(), &error)) << error;
  EXPECT_GT(std::filesystem::file_size(mFolder / document), 0u);
  DeleteObjects(objects);
}

TEST_F(SampleMenuScenes, EveryTextKeyTheScenesNameIsInTheTable) {
  SampleData data;
  std::string error;
  ASSERT_TRUE(BuildSampleData(data, &error)) << error;
  std::set<std::string> keys;
  for (const auto& [key, text] : data.texts.Entries()) keys.insert(key);
  EXPECT_TRUE(keys.count("level_goal_1_1"));
  for (const char* scene :
       {"mnMainMenu", "dlgExit", "dlgCredits", "dlgDifficulty", "dlgPlayer", "dlgName", "dlgDublicate", "dlgDelete",
        "dlgOptions", "dlgNoteBook", "dlgGameMenu", "dlgDefeatMenu", "dlgGameExit"}) {
    ObjectList objects;
    ASSERT_TRUE(LoadScene(scene, objects)) << scene;
    for (sObj* object : objects) {
      const std::string key = object->mProperties.GetProperty("_keyText");
      if (!key.empty()) EXPECT_TRUE(keys.count(key)) << scene << " " << object->mName << " " << key;
    }
    DeleteObjects(objects);
  }
}

}  // namespace
