// The builder's scene data read back through the engine: the configuration
// record of "Main", the demo scene's tree and links, the image table with
// its pictures, and the manifest and sounds beside them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/ImageTable.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "resources/ImageLib.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleControls.h"
#include "tools/sampledata/SampleKinds.h"
#include "tools/sampledata/SampleEffects.h"
#include "tools/sampledata/SampleStory.h"
#include "tools/sampledata/SampleScenes.h"
#include "tests/support/sample_scene_data.h"

namespace {

using namespace Kivo;

class SampleScenesReadBack : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CopySampleSceneData(mFolder.path(), &error)) << error;
    ASSERT_TRUE(WriteSampleAnimations(mFolder.path(), &error)) << error;
    ASSERT_TRUE(WriteSampleEffects(mFolder.path(), &error)) << error;
    // Animation files are read from the working folder, as the game does.
    mHome = std::filesystem::current_path();
    std::filesystem::current_path(mFolder.path());
    ASSERT_TRUE(OpenSceneDatabase("data/data.dtm"));
  }
  void TearDown() override {
    FreeSceneDatabase();
    std::filesystem::current_path(mHome);
  }
  std::string Read(const std::string& name) {
    std::ifstream in(mFolder / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  TempFolder mFolder;
  std::filesystem::path mHome;
};

TEST_F(SampleScenesReadBack, MainHoldsTheWholeConfiguration) {
  ObjectList list;
  ASSERT_TRUE(LoadScene("Main", list));
  ASSERT_EQ(list.size(), 1u);
  auto* config = dynamic_cast<sObjConfig*>(list[0]);
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(config->mGameName, "KivoGame");
  EXPECT_EQ(config->mCompany, "Kivo");
  EXPECT_EQ(config->mVersion, "1.0.0");
  EXPECT_EQ(config->mDataPath, "data");
  EXPECT_EQ(config->mWidth, 800);
  EXPECT_EQ(config->mHeight, 600);
  EXPECT_EQ(config->mCodePage, 1251);
}

TEST_F(SampleScenesReadBack, TheDemoSceneAnimatesAndLinksToAbsentNames) {
  ObjectList list;
  ASSERT_TRUE(LoadScene("mnEngineDemo", list));
  LinkAnimTargets(list);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0]->mTypeCode, 3);
  EXPECT_EQ(FindObjectByName(list, "wavyDot")->mParent, FindObjectByName(list, "wavy"));
  sObj* title = FindObjectByName(list, "title");
  ASSERT_NE(title, nullptr);
  EXPECT_TRUE(title->IsPlaying());
  ASSERT_NE(title->FindAnimation("intro"), nullptr);
  EXPECT_EQ(title->FindAnimation("intro")->effPlayed.name, "introSparks");
  EXPECT_EQ(title->FindAnimation("intro")->effPlayed.target, nullptr);
  sObj* blinker = FindObjectByName(list, "blinker");
  ASSERT_TRUE(blinker->IsPlaying());
  EXPECT_EQ(blinker->CurrentAnimation()->name, "blink");
  sObj* wavy = FindObjectByName(list, "wavy");
  EXPECT_TRUE(wavy->HasAnimation("wave"));
  EXPECT_TRUE(wavy->HasAnimation("pulse"));
  EXPECT_FALSE(wavy->IsPlaying());
}

TEST_F(SampleScenesReadBack, ImageEntriesNameRealPicturesWithTheirGrids) {
  std::vector<ImageEntry> entries = ImageEntries();
  // Every entry the builder wrote is read back, the sample levels'
  // pictures among them.
  SceneDatabaseWriter scratch;
  LevelAssets levels;
  std::string error;
  ASSERT_TRUE(BuildSampleScenes(scratch, &error, &levels)) << error;
  ASSERT_EQ(entries.size(), scratch.Images().size());
  ASSERT_GT(levels.Pictures().size(), 0u);
  for (const ImageEntry& entry : entries) {
    ImageLib::ImagePtr picture = ImageLib::LoadImageFile(mFolder / entry.path.substr(0, entry.path.rfind('.')), false);
    ASSERT_NE(picture, nullptr) << entry.path;
    EXPECT_EQ(picture->width % entry.columns, 0) << entry.key;
    EXPECT_EQ(picture->height % entry.rows, 0) << entry.key;
  }
  EXPECT_EQ(entries[1].key, "demo_cells");
  EXPECT_EQ(entries[1].columns, 4);
  EXPECT_EQ(entries[1].rows, 2);
  // The strip wave's picture is reachable by key like every other picture.
  EXPECT_EQ(entries[3].key, "strip_message");
  EXPECT_FALSE(entries[3].preload);
}

TEST_F(SampleScenesReadBack, TheManifestNamesTheSixFontsAndFortySevenSounds) {
  const std::string manifest = Read("data/data.xml");
  auto count = [&manifest](const std::string& part) {
    int n = 0;
    for (std::size_t at = manifest.find(part); at != std::string::npos; at = manifest.find(part, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<Font id=\"FONT_"), 6);
  EXPECT_EQ(count("<Sound id=\"SOUND_"), 47);
  EXPECT_LT(manifest.find("<Resources id=\"Loading\">"), manifest.find("<Font id=\"FONT_GENERAL\""));
  EXPECT_LT(manifest.find("<Resources id=\"Game\">"), manifest.find("<Sound id=\"SOUND_BTN_CLK\" path=\"btn_clk\""));
  const std::string wav = Read("data/sounds/ques_ventil.wav");
  ASSERT_GT(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
}

}  // namespace
