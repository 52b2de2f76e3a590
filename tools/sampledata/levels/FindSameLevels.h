// Sample levels of the two kinds that find objects and fly them away:
// spot-the-difference ("find_diff") and identical objects ("find_ident").
#pragma once

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeFindDiffLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeFindIdentLevel(const LevelSlot& slot, LevelAssets& assets);

}  // namespace Kivo
