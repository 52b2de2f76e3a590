// The 3-D pass the picture-puzzle kinds draw in: image colourising on and
// Begin3D with the level context's matrices, then End3D and colourising off.
// The level objects with the HUD at its anchor come from PropertyValue.h.
#pragma once

#include "levels/MiniGame.h"
#include "levels/PropertyValue.h"

namespace Kivo {

// Colourising on, then Begin3D with the level context's matrices.
void BeginPuzzleDraw(Graphics& g);
// End3D, then colourising off.
void EndPuzzleDraw(Graphics& g);

}  // namespace Kivo
