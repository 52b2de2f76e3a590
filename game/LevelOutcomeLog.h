// Logs the outcomes of level screens for harness runs: "game: level won"
// and "game: level lost" once per level screen, and
// "game: dialog ID "SCENE" shown" when the level menu or the defeat menu
// opens. Played demos log the same lines as the runs that recorded them, so
// a test can compare outcomes of both.
#pragma once

#include <string>

namespace Kivo {

class GameApp;
class GameScreen;

class LevelOutcomeLog {
 public:
  explicit LevelOutcomeLog(GameApp& game) : mGame(game) {}

  // Looks once per update of the application.
  void Step();

 private:
  GameApp& mGame;
  const GameScreen* mLevel = nullptr;  // not owned; only compared
  bool mWonLogged = false;
  bool mLostLogged = false;
  const void* mMenu = nullptr;  // the menu dialog last logged; only compared
};

}  // namespace Kivo
