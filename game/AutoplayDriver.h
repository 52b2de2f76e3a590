// The autoplay driver of whole game runs (a harness mode of the game,
// switched on by GAME_AUTOPLAY on the headless backend): while a level
// screen runs it closes the goal notebook by its "btnOk" button, presses the
// tutorial panel's "ok" whenever the panel waits for it, and otherwise asks
// the level kind's autoplay rule for the next move every update, reading the
// mini-game through the level screen, and injects the move as input events
// through the queue that input scripts use. Every injected event is also
// written to a file as an input script: it starts by awaiting the level
// screen's focus, so that a run that reaches the level the same way (by
// the same prepared script) plays the same moves without the driver.
//
// The driver acts only while no scripted input is pending, so a prepared
// script brings the game to the level first. It does nothing on screens
// other than the level, on a level whose kind has no rule, and once the
// level is won or lost. A file that cannot be written is logged once; the
// run goes on.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

class GameApp;
class GameScreen;
class sObj;

class AutoplayDriver {
 public:
  AutoplayDriver(GameApp& game, const std::string& scriptPath);

  // One decision, once per update of the application.
  void Step();

 private:
  // Queues events given as "<ms after now> <command>" and writes them to
  // the script file with times from the level screen's focus.
  void Inject(const std::vector<std::string>& events);
  // Presses the goal notebook's "btnOk" while it shows.
  bool PressNotebook();
  // Presses the tutorial panel's "ok" while it waits for it.
  bool AnswerTutorial(GameScreen& level);
  void Press(const sObj& button);
  void PlayLevel(GameScreen& level);

  GameApp& mGame;
  std::ofstream mScript;
  bool mScriptFailed = false;
  GameScreen* mLevel = nullptr;  // the level being played, not owned
  AutoplayRule mRule = nullptr;
  DWORD mLevelStart = 0;
  int mWaitUpdates = 0;
  bool mReported = false;
};

}  // namespace Kivo
