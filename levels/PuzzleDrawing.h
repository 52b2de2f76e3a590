// Drawing steps the picture-puzzle kinds share: the level objects in list
// order with the HUD drawn in place of the "game_menu_draw" object, inside
// the 3-D pass begun with the level context's matrices and image
// colourising on.
#pragma once

#include "levels/MiniGame.h"

namespace Kivo {

// Colourising on, then Begin3D with the level context's matrices.
void BeginPuzzleDraw(Graphics& g);
// End3D, then colourising off.
void EndPuzzleDraw(Graphics& g);

}  // namespace Kivo
