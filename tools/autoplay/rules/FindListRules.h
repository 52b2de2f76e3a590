// Autoplay rules of the hidden-object lists: the silhouette and name lists
// and the put-it-back list.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

// Clicks the first listed item still to find; waits while all of them fly.
bool FindListRule(MiniGame& game, AutoplayMove& move);
// Selects the first listed item, then clicks its home in the picture.
bool FindListObjectRule(MiniGame& game, AutoplayMove& move);

}  // namespace Kivo
