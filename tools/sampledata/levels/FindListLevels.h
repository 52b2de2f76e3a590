// Sample levels of the three list kinds: "find_list_mask" (first at
// Level_1_1), "find_list_text" (Level_1_2) and "find_list_object"
// (Level_2_1). Each is a room (wallpaper, window, shelves, boards, rug) with
// hidden-object items (kind 7, cut-out pictures tinted toward the room,
// unrotated quads of the picture's size) on a grid of the play area left of
// the HUD panel, some partly behind ferns in front of them, the two sound
// objects the kinds play, a trail emitter and the HUD's place in the draw
// order. The first appearance of a kind is the
// smallest level; later ones take more items, other pictures and other
// places, all drawn from the level number, so the builder stays
// deterministic.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/sampledata/SampleLevels.h"

namespace Kivo {

DtmRecord MakeFindListMaskLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeFindListTextLevel(const LevelSlot& slot, LevelAssets& assets);
DtmRecord MakeFindListObjectLevel(const LevelSlot& slot, LevelAssets& assets);

// The names of the items ("_keyText" keys) for the text table.
std::vector<std::pair<std::string, std::wstring>> FindListItemTexts();

}  // namespace Kivo
