// The sample game's content as the game reads it: the map's texts and
// pictures for every stage and level, the level music table, and tutorials
// that keep to what a player can answer, toggles that look different on
// and off, and skip buttons clear of the level's HUD.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/ButtonKinds.h"
#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneLoader.h"
#include "image/MemoryImage.h"
#include "resources/ImageLib.h"
#include "engine/SceneDatabase.h"
#include "engine/Script.h"
#include "engine/SettingsFile.h"
#include "engine/TextTables.h"
#include "frontend/GameMusic.h"
#include "screen_test_support.h"
#include "shell/base/StringUtils.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleMap.h"
#include "tools/sampledata/SampleScenes.h"
#include "tests/support/sample_scene_data.h"

namespace Kivo {
namespace {

class SampleGameContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CopySampleSceneData(mFolder.path(), &error)) << error;
    ASSERT_TRUE(WriteSampleData(mFolder.path(), &error)) << error;
    mHome = std::filesystem::current_path();
    std::filesystem::current_path(mFolder.path());
    ASSERT_TRUE(OpenSceneDatabase("data/data.dtm"));
    ASSERT_TRUE(LoadTextTable());
  }
  void TearDown() override {
    FreeSceneDatabase();
    FreeIniFile();
    std::filesystem::current_path(mHome);
  }

  static std::string Numbered(const char* prefix, int stage, int level = 0) {
    return prefix + std::to_string(stage) + (level > 0 ? "_" + std::to_string(level) : "");
  }

  TempFolder mFolder;
  std::filesystem::path mHome;
};

TEST_F(SampleGameContentTest, EveryStageAndLevelHasItsMapContent) {
  std::set<std::string> keys;
  for (const ImageEntry& entry : ImageEntries()) keys.insert(entry.key);
  EXPECT_EQ(keys.count("stage_dis"), 1u);
  std::set<std::wstring> titles;
  for (int stage = 1; stage <= 40; ++stage) {
    EXPECT_EQ(keys.count(Numbered("stage_", stage)), 1u) << stage;
    EXPECT_EQ(keys.count(Numbered("stage_picture_", stage)), 1u) << stage;
    const std::wstring title = GetText(Numbered("stage_title_", stage));
    EXPECT_FALSE(title.empty()) << stage;
    titles.insert(title);
    for (int level = 1; level <= 4; ++level) {
      for (const char* prefix : {"level_story_", "level_fact_", "level_goal_"}) {
        EXPECT_FALSE(GetText(Numbered(prefix, stage, level)).empty()) << prefix << stage << "_" << level;
      }
    }
  }
  EXPECT_EQ(titles.size(), 40u);
  // No two stage pictures alike.
  std::set<std::vector<uint32_t>> pictures;
  for (const MapPicture& picture : MapPictures()) pictures.insert(picture.image.pixels);
  EXPECT_EQ(pictures.size(), MapPictures().size());
}

TEST_F(SampleGameContentTest, EveryLevelPlaysOneOfTheSixSongs) {
  const LevelMusicTable table = ReadLevelMusicTable("settings.ini");
  std::set<int> used;
  for (int stage = 0; stage < 40; ++stage) {
    for (int level = 0; level < 4; ++level) {
      const int song = table[stage][level];
      EXPECT_GE(song, 1) << stage << "_" << level;
      EXPECT_LE(song, 6) << stage << "_" << level;
      std::string value;
      EXPECT_EQ(IniReadString("settings.ini", "music_levels",
                              std::to_string(stage + 1) + "_" + std::to_string(level + 1), value, 64),
                0);
      used.insert(song);
    }
  }
  EXPECT_EQ(used.size(), 6u);
}

TEST_F(SampleGameContentTest, TutorialsKeepToWhatAPlayerCanAnswer) {
  const std::set<std::string> answerable = {
      "show", "arrow_show", "wait_event_time", "wait_event_click_left", "wait_event_btn_pressed", "block_quant"};
  const std::set<int> withTutorial = {1, 2, 3, 5, 10, 15, 20, 25, 30, 35, 40};
  for (int stage = 1; stage <= 40; ++stage) {
    for (int level = 1; level <= 4; ++level) {
      const std::string path = Numbered("data/tutorial/tut_", stage, level) + ".txt";
      const bool expected = level == 1 && withTutorial.count(stage) != 0;
      ASSERT_EQ(std::filesystem::exists(path), expected) << path;
      if (!expected) continue;
      Script script;
      ASSERT_TRUE(script.LoadFile(path, nullptr)) << path;
      bool waitsForOk = false;
      for (const std::string& line : script.Lines()) {
        const std::string name = Script::CommandName(line);
        EXPECT_EQ(answerable.count(name), 1u) << path << ": " << line;
        EXPECT_NE(line.find('('), std::string::npos) << path << ": " << line;
        if (name == "wait_event_btn_pressed") {
          EXPECT_EQ(line, "wait_event_btn_pressed(\"ok\")") << path;
          waitsForOk = true;
        }
        if (name == "show") {
          const std::size_t open = line.find('"') + 1;
          const std::string key = line.substr(open, line.find('"', open) - open);
          EXPECT_FALSE(GetText(key).empty()) << path << ": " << key;
        }
      }
      EXPECT_TRUE(waitsForOk) << path;
    }
  }
}

// The pixels of one cel (1-based column) of a one-row picture.
std::vector<uint32_t> Cel(MemoryImage& image, int column) {
  const int width = image.width / image.columns;
  std::vector<uint32_t> pixels;
  const uint32_t* bits = image.GetBits();
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(bits[y * image.width + (column - 1) * width + x]);
  }
  return pixels;
}

// The options' toggles and the map's level toggles; each level toggle has
// its number written on it.
TEST_F(SampleGameContentTest, TogglesShowOtherPicturesOnAndOff) {
  RegisterDrawingKinds();
  // The pictures as the game decodes them, kept unpalettised for reading.
  struct Plain : MemoryImage {
    bool ConvertToPalette() override { return false; }
  };
  const ImageLoader previous = SetImageLoader([](const std::string& path) -> MemoryImage* {
    ImageLib::ImagePtr decoded = ImageLib::LoadImageFile(path, true);
    if (decoded == nullptr) return nullptr;
    auto* image = new Plain();
    image->SetBits(decoded->pixels.data(), decoded->width, decoded->height, true);
    return image;
  });
  const std::pair<const char*, int> scenes[] = {{"dlgOptions", 2}, {"mnMapMenu", 4}};
  for (const auto& [scene, count] : scenes) {
    ObjectList objects;
    ASSERT_TRUE(LoadScene(scene, objects));
    struct Quiet : ObjEventListener {
    } listener;
    int toggles = 0;
    for (sObj* object : objects) {
      auto* toggle = dynamic_cast<sObjToggle*>(object);
      if (toggle == nullptr) continue;
      ++toggles;
      toggle->SetListener(&listener);
      MemoryImage* image = toggle->mImage.Get();
      ASSERT_NE(image, nullptr) << toggle->mName;
      const int off = toggle->mStateCells[kToggleOff];
      const int on = toggle->mStateCells[kToggleOn];
      EXPECT_NE(off, on) << toggle->mName;
      EXPECT_NE(Cel(*image, off), Cel(*image, on)) << toggle->mName;
      if (toggle->mName.rfind("btnLevel", 0) != 0) continue;
      const std::string number = toggle->mName.substr(8);
      auto* text = dynamic_cast<sObjText*>(FindObjectByName(objects, "txtLevel" + number));
      ASSERT_NE(text, nullptr) << number;
      EXPECT_EQ(text->mText, Widen(number));
      const Quad& t = text->mBaseQuad;
      const Quad& b = toggle->mBaseQuad;
      EXPECT_GE(t.corner[0].x, b.corner[0].x) << number;
      EXPECT_GE(t.corner[0].y, b.corner[0].y) << number;
      EXPECT_LE(t.corner[2].x, b.corner[2].x) << number;
      EXPECT_LE(t.corner[2].y, b.corner[2].y) << number;
    }
    EXPECT_EQ(toggles, count) << scene;
    DeleteObjects(objects);
  }
  SetImageLoader(previous);
}

// The conversation's and the tutorial's skip buttons share one place left
// of the HUD panel, so neither covers the HUD's own skip button.
TEST_F(SampleGameContentTest, SkipButtonsStandClearOfTheHud) {
  ObjectList hud;
  ASSERT_TRUE(LoadScene("mnGame", hud));
  const float hudLeft = hud[0]->mBaseQuad.corner[0].x;
  DeleteObjects(hud);
  Quad places[2];
  int n = 0;
  for (const char* scene : {"mnDialogs", "mnTutor"}) {
    ObjectList objects;
    ASSERT_TRUE(LoadScene(scene, objects));
    sObj* skip = FindObjectByName(objects, "btnNextMenu");
    ASSERT_NE(skip, nullptr) << scene;
    places[n] = skip->mBaseQuad;
    EXPECT_LT(skip->mBaseQuad.corner[2].x, hudLeft) << scene;
    EXPECT_LE(skip->mBaseQuad.corner[2].y, 600.0f) << scene;
    DeleteObjects(objects);
    ++n;
  }
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(places[0].corner[c].x, places[1].corner[c].x) << c;
    EXPECT_EQ(places[0].corner[c].y, places[1].corner[c].y) << c;
  }
}

}  // namespace
}  // namespace Kivo
