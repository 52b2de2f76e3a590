#include "levels/LevelContext.h"

#include "engine/ResourceIds.h"
#include "frontend/GameApp.h"
#include "platform/Environment.h"

namespace Kivo {

bool gDebugMode = false;
bool gTimerFreeze = false;
uint8_t gTrailStep = 0;

namespace {

// The game's context: everything through the one application object.
class GameLevelContext : public LevelContext {
 public:
  int HardModeField() const override {
    GameApp* game = TheGame();
    if (game == nullptr || !game->GetProfiles().HasCurrent()) return 0;
    return game->GetProfiles().current().hardMode;
  }
  const ScreenMatrices& Matrices() const override {
    static const ScreenMatrices kIdentity{};
    GameApp* game = TheGame();
    return game != nullptr ? game->GetScreenMatrices() : kIdentity;
  }
  void PlaySound(const std::string& soundId) override {
    if (GameApp* game = TheGame()) game->PlaySound(soundId);
  }
  void Log(const std::string& line) override { Platform::Log(line); }
  std::string LevelName() const override {
    GameApp* game = TheGame();
    if (game == nullptr) return "";
    int stage = 0;
    int level = 0;
    game->GetCurrentLevel(&stage, &level);
    return "Level_" + std::to_string(stage + 1) + "_" + std::to_string(level + 1);
  }
};

GameLevelContext gGameContext;
LevelContext* gInstalled = nullptr;

}  // namespace

LevelContext& CurrentLevelContext() { return gInstalled != nullptr ? *gInstalled : gGameContext; }

void InstallLevelContext(LevelContext* context) { gInstalled = context; }

}  // namespace Kivo
