// Sample levels of the item-use quest ("quest"): a key for a chest, a
// by-hand lever, a bolt that completes a wheel shown on a plate, a machine
// that takes the coin, the gem and the wheel in turn, and a door that ends
// the level with the camera's "cam" move.
#pragma once

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeQuestLevel(const LevelSlot& slot, LevelAssets& assets);

}  // namespace Kivo
