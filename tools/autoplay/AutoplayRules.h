// Autoplay rules: for each mini-game kind, the next move a player would make
// to win, decided from the running mini-game's own state (read only; a rule
// casts to its kind and reads what the kind exposes). The autoplay driver
// turns moves into input events, both for the in-process level check and
// for input scripts and demos of whole game runs.
#pragma once

#include <string>
#include <vector>

#include "levels/MiniGame.h"

namespace Kivo {

struct AutoplayMove {
  enum Kind {
    kWait,   // nothing to do for `updates` updates
    kClick,  // press and release at (x, y), left button (clicks 1) or right (clicks -1)
    kDrag,   // press at (x, y), move to (toX, toY) in steps, release there
    kKey,    // one typed character
  };
  Kind kind = kWait;
  int x = 0;
  int y = 0;
  int toX = 0;
  int toY = 0;
  int clicks = 1;
  wchar_t key = 0;
  int updates = 1;
};

// Decides the next move for game; false when the rule has nothing to do
// (the game is won, or waits on something of its own).
using AutoplayRule = bool (*)(MiniGame& game, AutoplayMove& move);

// The rule for a factory type string, or null while the kind has none.
AutoplayRule AutoplayRuleFor(const std::string& type);

}  // namespace Kivo
