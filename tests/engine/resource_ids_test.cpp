// Resource id names: the fixed table, fetching fonts and sound ids from a
// manager in their order, kinds kept apart, and a missing resource ending
// the game through the resource-error path instead of an escaping exception.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/ResourceIds.h"
#include "platform/Platform.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/KivoAppBase.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace Kivo;

TEST(ResourceIdNames, NamesAndIdsMatchExactly) {
  EXPECT_EQ(ResourceIdByName("FONT_TEXT"), 4);
  EXPECT_EQ(ResourceIdByName("font_text"), 53);
  EXPECT_EQ(ResourceIdByName("FONT_TEXT "), 53);
  EXPECT_EQ(ResourceIdByName(""), 53);
  EXPECT_EQ(ResourceIdByName("SOUND_QUES_VENTIL"), 34);
  EXPECT_EQ(ResourceIdByName("SOUND_QUEST_DOOR"), 33);
  EXPECT_EQ(ResourceNameById(53), "");
  EXPECT_EQ(ResourceNameById(-1), "");
  EXPECT_EQ(ResourceNameById(0), "FONT_GENERAL");
  EXPECT_EQ(ResourceNameById(52), "SOUND_APPLAUSE");
  std::set<std::string> names;
  for (int id = 0; id < 53; ++id) {
    names.insert(ResourceNameById(id));
    EXPECT_EQ(ResourceIdByName(ResourceNameById(id)), id);
  }
  EXPECT_EQ(names.size(), 53u);
}

// A manager that hands out fake fonts and sound ids, noting what it is
// asked for; names in `missing` fail as a manifest without them would.
class FakeManager : public ResourceManager {
 public:
  explicit FakeManager(KivoAppBase* app) : ResourceManager(app) {}
  Font* FontOrThrow(const std::string& id) override {
    asked.push_back(id);
    if (missing.count(id) != 0) return ResourceManager::FontOrThrow(id);
    return reinterpret_cast<Font*>(&fontSlots[asked.size() % 64]);
  }
  int SoundOrThrow(const std::string& id) override {
    asked.push_back(id);
    if (missing.count(id) != 0) return ResourceManager::SoundOrThrow(id);
    return 100 + ResourceIdByName(id);
  }
  std::vector<std::string> asked;
  std::set<std::string> missing;
  char fontSlots[64] = {};
};

class ExitRecordingApp : public KivoAppBase {
 public:
  void ExitProgram(int32_t code) override { exits.push_back(code); }
  std::vector<int32_t> exits;
};

class ResourceFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    ::setenv("GAME_LOG", (mFolder / "game.log").c_str(), 1);
    app = std::make_unique<ExitRecordingApp>();
    delete app->mResourceManager;
    manager = new FakeManager(app.get());
    app->mResourceManager = manager;
    ForgetFetchedResources();
  }
  void TearDown() override {
    ForgetFetchedResources();
    app.reset();
    ::unsetenv("GAME_LOG");
  }
  std::string Log() {
    std::ifstream in(mFolder / "game.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  TempFolder mFolder;
  std::unique_ptr<ExitRecordingApp> app;
  FakeManager* manager = nullptr;  // owned by the application
};

TEST_F(ResourceFetchTest, FontsAndSoundsAreFetchedInTheirOrderAndKeptApart) {
  ASSERT_TRUE(FetchFonts(*manager));
  EXPECT_EQ(manager->asked, (std::vector<std::string>{"FONT_GENERAL", "FONT_GENERAL_BLACK", "FONT_SMALL", "FONT_STAGE",
                                                      "FONT_TEXT", "FONT_TUTORIAL"}));
  manager->asked.clear();
  ASSERT_TRUE(FetchSoundIds(*manager));
  ASSERT_EQ(manager->asked.size(), 47u);
  for (int i = 0; i < 47; ++i) EXPECT_EQ(manager->asked[i], ResourceNameById(6 + i));

  EXPECT_NE(FontByName("FONT_TEXT"), nullptr);
  EXPECT_NE(FontByName("FONT_TEXT"), FontByName("FONT_SMALL"));
  EXPECT_EQ(SoundIdByName("SOUND_FIND"), 109);
  // A sound name gives no font and a font name no sound.
  EXPECT_EQ(FontByName("SOUND_FIND"), nullptr);
  EXPECT_EQ(SoundIdByName("FONT_TEXT"), -1);
  EXPECT_EQ(FontByName("NOT_A_NAME"), nullptr);
  EXPECT_EQ(SoundIdByName("NOT_A_NAME"), -1);
  EXPECT_TRUE(app->exits.empty());
}

TEST_F(ResourceFetchTest, AMissingResourceEndsThroughTheResourceErrorPath) {
  manager->missing = {"FONT_SMALL"};
  EXPECT_FALSE(FetchFonts(*manager));
  EXPECT_EQ(manager->asked.back(), "FONT_SMALL");  // nothing asked after it
  EXPECT_EQ(app->exits, std::vector<int32_t>{0});
  EXPECT_NE(Log().find("title=\"FATAL ERROR\" text=\"Font resource not found: FONT_SMALL\""), std::string::npos)
      << Log();

  // The manager keeps its first error until a group load clears it, as the
  // loading thread's load of "Game" does before the sounds are fetched.
  manager->BeginGroupLoad("Game");
  manager->missing = {"SOUND_KAMIN"};
  EXPECT_FALSE(FetchSoundIds(*manager));
  EXPECT_EQ(app->exits, (std::vector<int32_t>{0, 0}));
  EXPECT_NE(Log().find("Sound resource not found: SOUND_KAMIN"), std::string::npos) << Log();
}

}  // namespace
