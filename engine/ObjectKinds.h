// The drawing kinds of engine objects and their rows in the object factory:
// sprite (3), mover (13), swing (14), rectangle (18), camera (19), masked
// texture (9), hidden-object item (7), button (4), toggle (11), wrapped text
// (5) and speech bubble (16). The slider, edit, list, carousel, emitter and
// sound kinds register themselves elsewhere.
#pragma once

#include "engine/ButtonKinds.h"
#include "engine/PlainKinds.h"
#include "engine/SpriteKinds.h"
#include "engine/TextKinds.h"

namespace Kivo {

// Gives the factory the eleven kinds above; safe to call more than once.
void RegisterDrawingKinds();

}  // namespace Kivo
