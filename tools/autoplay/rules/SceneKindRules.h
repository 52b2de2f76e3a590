// Autoplay rules of the bird hunt, the water pipes, the star map, the
// association puzzle, pairs and what's new.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

// Clicks the quad centre of a flying bird inside the play area.
bool HunterRule(MiniGame& game, AutoplayMove& move);
// Builds the course down the first column and along the bottom row to
// column 5 by swaps, spilling to get new tubes when a kind is missing, then
// starts the water.
bool TruboRule(MiniGame& game, AutoplayMove& move);
// Drags each free star onto the first free place of its type.
bool StarmapRule(MiniGame& game, AutoplayMove& move);
// Drags each unlocked element onto the cell that names it.
bool AssocRule(MiniGame& game, AutoplayMove& move);
// Clicks an item, then its partner.
bool PairsRule(MiniGame& game, AutoplayMove& move);
// Clicks, waits for the root's clip, then clicks the newest item.
bool WhatNewRule(MiniGame& game, AutoplayMove& move);

}  // namespace Kivo
