// Sample levels of the fuse-tile kind ("tarnivelle"): a 2 x 2 board and
// its three lamps per column; later appearances move the board.
#pragma once

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeTarnivelleLevel(const LevelSlot& slot, LevelAssets& assets);

}  // namespace Kivo
