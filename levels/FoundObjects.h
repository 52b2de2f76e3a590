// What the kinds that find level objects and fly them away share: the hit
// test of an item at a screen point (in the image's own turned frame, or
// unturned from corner 0, or by the corner quad), the spin and the flight
// step of a found item toward its final place with its wand bursts and
// trail, and small helpers that start an emitter object or play a sound
// object found by name (either may be missing from a level).
//
// The copy of the "finded" animation each item gets carries the level's
// "soundFind" as its begin sound; the global definition is never changed,
// so no definition keeps a pointer into a level that is gone.
//
// Nothing here fails: an item without an image is never hit by pixels, and
// a missing effect or sound does nothing.
#pragma once

#include "engine/GameMath.h"
#include "engine/PlainKinds.h"

namespace Kivo {

enum class MeshHit {
  kImageFrame,          // pixels, the point taken into the image's turned frame
  kQuadThenImageFrame,  // inside the corner quad when quad-hit is set, else as kImageFrame
  kQuadOrScreenFrame,   // quad-hit items by the corner quad only, others by pixels from corner 0
};

// Whether the item is hit at (x, y) under the given rule.
bool HitMesh(const sObjMesh& mesh, float x, float y, MeshHit rule);
// The same for an image on a base quad; quadHit is the item's quad-hit flag.
bool HitQuadImage(const Quad& quad, Image* image, bool quadHit, float x, float y, MeshHit rule);

// Starts the effect of an emitter object at point; anything else is ignored.
void StartEffectAt(sObj* effect, Vec2 point);
// Starts an emitter object at its own centre; anything else is ignored.
void StartEffect(sObj* effect);
void StopEffect(sObj* effect);
// Plays a sound object once; anything else is ignored.
void PlaySoundObject(sObj* sound);

// Appends a copy of the global "finded" animation to object, beginning with
// beginSound (may be null); false when the game has no "finded".
bool AppendFoundAnimation(sObj& object, sObj* beginSound);

// Turns the object's base corners about its centre by radians (positive
// turns as the screen's y axis goes down: clockwise on screen).
void SpinCorners(sObj& object, float radians);

// One flight step of a found item: a 0.1 radian spin, then, when the
// centre is still 5 pixels or more from target (approximate length), a
// 5-pixel move toward it with four "magicwand" bursts 20 pixels out
// toward corners 0, 1, 3, 2 and the trail effect at the centre. True when
// the item has arrived (nothing moved).
bool FlyFoundStep(sObjMesh& mesh, Vec2 target, sObj* trail);

}  // namespace Kivo
