// Sample levels of the scene-driven and matching kinds: the bird hunt, the
// water pipes, the star map, the association puzzle, pairs and what's new.
// Each maker builds one level scene (its root carries the level properties)
// over procedural pictures whose cels differ; later appearances change
// positions, pictures or goals deterministically and stay winnable. The
// bird hunt and what's new read XML scenes, which the builder writes with
// the other sample XML scenes (SceneKindXmlScenes).
#pragma once

#include <vector>

#include "tools/sampledata/SampleLevels.h"
#include "tools/sampledata/SampleXmlScenes.h"

namespace Kivo {

DtmRecord MakeHunterLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeTruboLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeStarmapLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeAssocLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakePairsLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeWhatNewLevel(const LevelSlot& slot, LevelAssets& assets);

// "data/scenes/hunt_birds.xml" (two birds crossing the sky, each clip ending
// after 3 s) and "data/scenes/what_new_leaves.xml" (a "Root" clip of 0.5 s
// and two swaying leaves).
std::vector<SampleXmlScene> SceneKindXmlScenes();

}  // namespace Kivo
