// Sample levels of the picture puzzles: the four picture-quad kinds, the
// towers of disks, the jigsaw, the lamps and the circle puzzle. Each maker
// builds one level scene (its root carries the level properties) over
// procedural pictures whose cels all differ, so that a piece out of place
// or turned shows. Later appearances of a kind change the picture and, where
// the level stays quick to win, its size.
#pragma once

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakePictMoveLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakePictRotateLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakePict15Level(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakePictPuzzleLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeLampsLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeTowersLevel(const LevelSlot& slot, LevelAssets& assets);

}  // namespace Kivo
