#include "game/LevelOutcomeLog.h"

#include "frontend/GameApp.h"
#include "frontend/GameDialogs.h"
#include "frontend/ScreenSwitch.h"
#include "levels/GameScreen.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

void LevelOutcomeLog::Step() {
  const auto* level = dynamic_cast<const GameScreen*>(mGame.GetScreen(kLevelScreen));
  if (level != mLevel) {
    mLevel = level;
    mWonLogged = false;
    mLostLogged = false;
  }
  MiniGame* game = level == nullptr ? nullptr : level->Game();
  if (game != nullptr && !mWonLogged && game->IsWon()) {
    mWonLogged = true;
    Platform::Log("game: level won");
  }
  if (game != nullptr && !mLostLogged && game->IsLost()) {
    mLostLogged = true;
    Platform::Log("game: level lost");
  }
  const auto* menu = dynamic_cast<const GameDialog*>(gAppBase->FindDialog(kGameMenuDialogId));
  if (menu != nullptr && menu != mMenu) {
    Platform::Log("game: dialog " + std::to_string(kGameMenuDialogId) + " \"" + menu->mSceneName + "\" shown");
  }
  mMenu = menu;
}

}  // namespace Kivo
