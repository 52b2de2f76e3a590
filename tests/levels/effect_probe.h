// Test helpers for the kinds that start particle effects and play the
// global animations: the start points of a fixed effect (magicwand,
// platefly) or of a level's emitter object, read from the slots they fill;
// global animation definitions added for one test; and the level objects'
// own updates, which the level screen runs beside the mini-game.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/AnimDef.h"
#include "engine/ParticleEffect.h"
#include "engine/SceneLoader.h"
#include "engine/SoundEmitterKinds.h"

namespace leveltest {

using namespace Kivo;

// Gives the fixed effect one long-lived record and the shared particle
// system its slots; everything is cleared again at destruction.
class FixedEffectProbe {
 public:
  explicit FixedEffectProbe(int which);
  ~FixedEffectProbe();
  // Start points in the order the effect was started.
  std::vector<Vec2> Starts() const;

 private:
  int mWhich;
};

// While alive, the level's emitter (type 15) and sound (type 17) objects
// are made as kinds that log what the game asks of them, in order:
// "start NAME X Y" (StartAt, coordinates rounded), "start NAME" (Start),
// "follow NAME", "stop NAME" and "play NAME". Create it before LoadLevel.
class ObjectEventLog {
 public:
  ObjectEventLog();
  ~ObjectEventLog();
  const std::vector<std::string>& Events() const;
  // The events that begin with prefix.
  std::vector<std::string> With(const std::string& prefix) const;
  void Clear();

 private:
  ObjectKindCreator mEmitterBefore;
  ObjectKindCreator mSoundBefore;
};

// Global animation definitions added for one test; the table is restored
// at destruction.
class GlobalAnims {
 public:
  GlobalAnims() : mSaved(gAnimDefs) {}
  ~GlobalAnims() { gAnimDefs = mSaved; }
  // A once-animation of `frames` frames at `rate`, whose keys leave the
  // quad as it is.
  void Add(const std::string& name, int frames = 10, int rate = 100);

 private:
  std::vector<AnimDef> mSaved;
};

AnimDef StillAnim(const std::string& name, int frames, int rate);

// Gives the object factory every kind a level uses (sprites, items, texts,
// emitters, sounds...); safe to call more than once.
void RegisterLevelKinds();

// One update of every object of the list.
void UpdateObjects(ObjectList& list, int updateCount);

}  // namespace leveltest
