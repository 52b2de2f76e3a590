#include "tests/levels/sample_level_support.h"

#include <filesystem>

#include "engine/AnimDef.h"
#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "engine/SceneDatabase.h"
#include "engine/TextTables.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "resources/ImageLib.h"
#include "shell/base/TwisterRandom.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleEffects.h"
#include "tools/sampledata/SampleMenuScenes.h"
#include "tools/sampledata/SampleScenes.h"
#include "tools/sampledata/SampleXmlScenes.h"

namespace leveltest {

namespace {

class LoadedImage : public Kivo::MemoryImage {
 public:
  bool ConvertToPalette() override { return false; }
};

// The sample data: the game's own data folder beside the game program when
// the build made it (every test process would otherwise spend seconds
// writing the whole game again), else written once for this test program.
const std::string& SampleFolder() {
#ifdef KIVO_GAME_DIR
  static const std::string built = KIVO_GAME_DIR;
  if (std::filesystem::exists(built + "/data/data.dtm")) return built;
#endif
  static TempFolder folder;
  static const bool written = [] {
    std::string error;
    const std::string path = folder.path();
    const bool ok = Kivo::WriteSampleData(path, &error) && Kivo::WriteSampleAnimations(path, &error) &&
                    Kivo::WriteSampleXmlScenes(path, &error) && Kivo::WriteSampleSceneData(path, &error) &&
                    Kivo::WriteSampleEffects(path, &error) && Kivo::WriteSampleMenuFiles(path, &error);
    EXPECT_TRUE(ok) << error;
    return ok;
  }();
  static const std::string path = written ? folder.path() : std::string();
  return path;
}

}  // namespace

void SampleLevelTest::SetUp() {
  KindsTest::SetUp();
  // Every object kind the game registers, as at the game's start.
  Kivo::RegisterDrawingKinds();
  Kivo::RegisterControlKinds();
  Kivo::RegisterSoundAndEmitterKinds();
  const std::string& folder = SampleFolder();
  ASSERT_FALSE(folder.empty());
  mHome = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  Kivo::SetImageLoader([](const std::string& path) -> Kivo::MemoryImage* {
    Kivo::ImageLib::ImagePtr decoded = Kivo::ImageLib::LoadImageFile(path, true);
    if (decoded == nullptr) return nullptr;
    auto* image = new LoadedImage();
    image->SetBits(decoded->pixels.data(), decoded->width, decoded->height, true);
    return image;
  });
  ASSERT_TRUE(Kivo::OpenSceneDatabase("data/data.dtm"));
  Kivo::LoadTextTable();
  Kivo::LoadDialogTable();
  Kivo::LoadAllAnimDefs();
  Kivo::gParticleSystem.Init(4000, 300);
  Kivo::LoadFixedParticleEffects();
  Kivo::gDebugMode = false;
  Kivo::gTimerFreeze = false;
  Kivo::gTrailStep = 0;
  Kivo::gRandom.Seed(1234);
  Kivo::LcgSeed(1);
  std::srand(1);
}

void SampleLevelTest::TearDown() {
  Kivo::gParticleSystem.Clear();
  Kivo::gAnimDefs.clear();
  Kivo::FreeParticleGlobals();
  KindsTest::TearDown();
  std::filesystem::current_path(mHome);
}

Kivo::LevelPlayResult SampleLevelTest::PlaySampleLevel(int stage, int level, int maxUpdates) {
  // Every level starts from the same random state, as if it were the first
  // one played, so a level's result does not depend on the levels before it.
  Kivo::gRandom.Seed(1234);
  Kivo::LcgSeed(1);
  std::srand(1);
  Kivo::LevelPlayer player;
  std::string error;
  const std::string scene = "Level_" + std::to_string(stage) + "_" + std::to_string(level);
  if (!player.Load(scene, &error)) {
    Kivo::LevelPlayResult result;
    result.failure = error;
    return result;
  }
  return player.Play(maxUpdates);
}

}  // namespace leveltest
