// Sample levels of the kinds with moving parts: the trampoline jumper, the
// memory cards, the balance scales (with a sub-level scene), the aquarium
// grabber and the safe's code lock. Pictures are procedural, every cel of a
// picture its own. Later appearances change counts, codes and places
// deterministically and stay winnable by the kinds' autoplay rules.
#pragma once

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeJumperLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeCardsLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeBalanceLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeAkvaLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeSeifLevel(const LevelSlot& slot, LevelAssets& assets);

}  // namespace Kivo
