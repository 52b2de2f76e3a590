// Autoplay rules of the picture puzzles: the four picture-quad kinds, the
// towers of disks, the jigsaw, the lamps and the circle puzzle.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

// Follows the hint: the stray piece, then the piece whose home it holds.
bool PictMoveRule(MiniGame& game, AutoplayMove& move);
// Presses each piece until it is upright.
bool PictRotateRule(MiniGame& game, AutoplayMove& move);
// Slides along a shortest solution (boards of 3 x 3 at most).
bool Pict15Rule(MiniGame& game, AutoplayMove& move);
// Picks up each loose piece, turns it upright and drops it at home.
bool PictPuzzleRule(MiniGame& game, AutoplayMove& move);
// Presses the first lamp the hint shows.
bool LampsRule(MiniGame& game, AutoplayMove& move);
// Plays the shortest moves of three towers: lift at the source, drop at the
// target, waiting for every motion to end.
bool TowersRule(MiniGame& game, AutoplayMove& move);

}  // namespace Kivo
