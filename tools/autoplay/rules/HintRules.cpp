#include "tools/autoplay/rules/HintRules.h"

#include <cmath>

namespace Kivo {

bool FollowHintRule(MiniGame& game, AutoplayMove& move) {
  if (game.IsWon() || game.IsUnplayable()) return false;
  HintPoint first, second;
  if (game.GetHintPosition(first, second) != kHintAtFirst) return false;
  move.kind = AutoplayMove::kClick;
  move.x = static_cast<int>(std::lround(first.x));
  move.y = static_cast<int>(std::lround(first.y));
  move.clicks = 1;
  return true;
}

}  // namespace Kivo
