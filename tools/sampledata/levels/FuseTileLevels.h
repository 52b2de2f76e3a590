// Sample levels of the fuse-tile kind ("tarnivelle"): a 2 x 2 board and
// its three lamps per column; later appearances are 2 x 3 and move the
// board (a wider board more often holds a path).
#pragma once

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeTarnivelleLevel(const LevelSlot& slot, LevelAssets& assets);

}  // namespace Kivo
