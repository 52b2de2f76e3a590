// The autoplay rule of the fuse tiles: while no tile moves, burns or
// blinks on a path, try every combination of quarter turns of the board's
// tiles (boards of up to six cells) for one whose lit tiles leave the top
// edge, preferring columns whose lamps are not all lit and the fewest
// turns, and press the first tile that still has to turn.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

bool FuseTileRule(MiniGame& game, AutoplayMove& move);

}  // namespace Kivo
