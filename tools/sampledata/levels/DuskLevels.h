// Sample levels of the dusk kind ("dusk"): three patches of dusk over a
// backdrop, counted in percent through the template "txt_dusk_left".
#pragma once

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeDuskLevel(const LevelSlot& slot, LevelAssets& assets);

}  // namespace Kivo
