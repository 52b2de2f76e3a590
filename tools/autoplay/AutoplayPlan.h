// The plan of a whole-game autoplay run: who plays, at which difficulty,
// and what happens in each level on the way. The autoplay driver follows
// it from the first screen to the exit. A plan is a small text file, one
// line each, '#' starting a comment line:
//   name NAME          the player to create and play as (UTF-8)
//   difficulty easy|hard
//   win LEVEL          play LEVEL (a scene name, "Level_1_1") to a win
//   lose LEVEL         miss on empty ground until the level is lost
//   unlock LEVEL       in LEVEL type the debug word and 'a', then leave
//                      for the map through the level's menu
//   choose STAGE LEVEL on the map, choose stage STAGE and level LEVEL
//                      (from 1), then play
//   skip LEVEL         in LEVEL press 'e' (debug mode must be on)
//   all                win every level in the order the game opens them,
//                      Level_1_1 to Level_40_4 (160 win steps)
// Once every step is done the driver goes back to the main menu and exits.
// A plan that does not parse is refused whole, with the line and reason.
#pragma once

#include <string>
#include <vector>

namespace Kivo {

struct AutoplayStep {
  enum Kind { kWin, kLose, kUnlock, kChoose, kSkip };
  Kind kind = kWin;
  std::string level;  // the level scene, every kind but kChoose
  int stage = 0;      // kChoose: 1 .. 40
  int number = 0;     // kChoose: 1 .. 4
};

struct AutoplayPlan {
  std::wstring name;
  bool hard = false;
  std::vector<AutoplayStep> steps;
};

// Reads a plan; false with "line N: reason" in *error when it does not parse.
bool ParseAutoplayPlan(const std::string& text, AutoplayPlan* plan, std::string* error);

}  // namespace Kivo
