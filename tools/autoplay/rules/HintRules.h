// The autoplay rule of the kinds whose hint names the next thing to click
// (spot-the-difference, identical objects, dusk): click where the hint
// points; wait while it has nothing to show.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

bool FollowHintRule(MiniGame& game, AutoplayMove& move);

}  // namespace Kivo
