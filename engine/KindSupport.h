// Pieces every drawing kind shares: the object's colour and alpha read from
// "_colObj" (decimal, red in the low byte) and "_iAlph" and set on the
// drawing context, the quad of the current pose, and axis-aligned quads.
// Nothing here fails.
#pragma once

#include "engine/EngineObject.h"
#include "ui/Graphics.h"

namespace Kivo {

// "_colObj" and "_iAlph" into the object; false for any other key.
bool ReadColourProperty(sObj& object, const ObjProperty& pair);
// The object's colour with the given alpha.
void SetObjectColour(Graphics& g, const sObj& object, int alpha);
inline void SetObjectColour(Graphics& g, const sObj& object) { SetObjectColour(g, object, object.mAlpha); }
// The display quad on the current pose while an animation plays, else the
// base quad.
const Quad& PoseQuad(sObj& object);
// (x, y) to (x + width, y + height), corners clockwise from the top left.
Quad RectQuad(float x, float y, float width, float height);

}  // namespace Kivo
