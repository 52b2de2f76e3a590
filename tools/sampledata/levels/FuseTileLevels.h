// Sample levels of the fuse-tile kind ("tarnivelle"): a board of two rows
// and its three lamps per column; later appearances move the board. The
// game deals the tiles at random and deals again only where a path burned,
// so a board on which some deal holds no path can stall a level for good:
// the builder only writes boards on which every deal of tile kinds holds a
// path (a 2 x 2 board does not: straight, corner / corner, straight).
#pragma once

#include <vector>

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeTarnivelleLevel(const LevelSlot& slot, LevelAssets& assets);

// Tile kinds of the fuse-tile game (straight, corner, T, cross), which
// turn freely in their cells.
enum class FuseTile { kStraight, kCorner, kTee, kCross };

// Whether the tiles (column by column, rows per column, top row first) can
// be turned into a chain from the bottom edge out of the top edge.
bool FuseDealHasPath(int rows, int columns, const std::vector<FuseTile>& tiles);
// Whether every deal of tile kinds on the board has a path.
bool EveryFuseDealHasPath(int rows, int columns);

}  // namespace Kivo
