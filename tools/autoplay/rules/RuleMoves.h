// The moves the kinds' rules ask the driver for, filled in one place.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {
namespace rule_moves {

// Presses stay left of the HUD panel.
constexpr float kPlayRight = 679.0f;

// A press at (x, y); clicks < 0 presses the right button.
inline void Click(AutoplayMove& move, float x, float y, int clicks = 1) {
  move.kind = AutoplayMove::kClick;
  move.x = static_cast<int>(x);
  move.y = static_cast<int>(y);
  move.clicks = clicks;
}

// A left-button drag from (x, y) to (toX, toY).
inline void Drag(AutoplayMove& move, float x, float y, float toX, float toY) {
  move.kind = AutoplayMove::kDrag;
  move.x = static_cast<int>(x);
  move.y = static_cast<int>(y);
  move.toX = static_cast<int>(toX);
  move.toY = static_cast<int>(toY);
  move.clicks = 1;
}

inline void Wait(AutoplayMove& move, int updates = 1) {
  move.kind = AutoplayMove::kWait;
  move.updates = updates;
}

}  // namespace rule_moves
}  // namespace Kivo
