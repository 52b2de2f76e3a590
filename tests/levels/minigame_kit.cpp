#include "tests/levels/minigame_kit.h"

#include <cstdlib>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "shell/base/TwisterRandom.h"

namespace leveltest {

DtmRecord Record(const std::string& name, uint32_t type, float left, float top, float width, float height,
                 std::vector<std::pair<std::string, std::string>> properties) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(left, top, width, height);
  for (auto& [key, value] : properties) record.Property(key, value);
  return record;
}

TestImage SolidImage(const std::string& key, int width, int height, uint32_t argb) {
  TestImage image;
  image.key = key;
  image.width = width;
  image.height = height;
  image.pixel = [argb](int, int) { return argb; };
  return image;
}

void MiniGameKit::SetUp() {
  KindsTest::SetUp();
  // Every object kind a level scene may hold, as the game registers them.
  RegisterDrawingKinds();
  RegisterControlKinds();
  RegisterSoundAndEmitterKinds();
  InstallLevelContext(&context);
  gDebugMode = false;
  gTimerFreeze = false;
  gTrailStep = 0;
  gRandom.Seed(1234);
  LcgSeed(1);
  std::srand(1);
}

void MiniGameKit::TearDown() {
  DeleteObjects(level);
  DeleteObjects(hud);
  InstallLevelContext(nullptr);
  KindsTest::TearDown();
}

void MiniGameKit::LoadLevel(const std::vector<TestImage>& images, const DtmRecord& levelRoot,
                            const DtmRecord& hudRoot) {
  std::vector<std::pair<std::string, DtmRecord>> scenes = {{"Level", levelRoot}};
  if (!hudRoot.name.empty()) scenes.push_back({"mnGame", hudRoot});
  UseImages(images, scenes);
  ASSERT_TRUE(LoadScene("Level", level));
  LinkAnimTargets(level);
  if (!hudRoot.name.empty()) {
    ASSERT_TRUE(LoadScene("mnGame", hud));
    LinkAnimTargets(hud);
  }
}

void MiniGameKit::Start(MiniGame& game) {
  game.Init(&level, &hud);
  game.mStarted = true;
  game.SetListener(&listener);
}

void MiniGameKit::Run(MiniGame& game, int n) {
  for (int i = 0; i < n; ++i) {
    ++updateCount;
    if (game.IsWon() || game.IsLost()) return;
    game.Update(updateCount);
  }
}

bool MiniGameKit::Logged(const std::string& text) const {
  for (const std::string& line : context.log) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

}  // namespace leveltest
