// The autoplay rule of the item-use quest: carry each spot's next needed
// item to it, click by-hand spots and idle tools, then the final element
// once it glitters.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

bool QuestRule(MiniGame& game, AutoplayMove& move);

}  // namespace Kivo
