// The drawing frame and small lookups the kinds with moving parts share:
// the level objects drawn in list order with the HUD at the level's
// "game_menu_draw" marker, between Begin3D and End3D with colourised images,
// and typed lookups of sounds, emitters and images that tolerate absence.
//
// Nothing here fails: a missing object or image gives null, and playing or
// starting a null object does nothing.
#pragma once

#include <string>

#include "engine/ImageTable.h"
#include "engine/SoundEmitterKinds.h"
#include "image/MemoryImage.h"
#include "levels/MiniGame.h"

namespace Kivo {

// Colourised drawing on and the screen's matrices set for 3-D drawing.
void BeginPlayfield(Graphics& g);
// 3-D drawing ended, the base Draw (the HUD when the level has no marker),
// colourised drawing off.
void EndPlayfield(MiniGame& game, Graphics& g);

// The sound object of that name (level, then HUD), or null.
sObjSound* FindSound(const MiniGame& game, const std::string& name);
// The emitter of that name (level, then HUD), or null.
sObjEmitter* FindEmitter(const MiniGame& game, const std::string& name);
void PlayIfAny(sObjSound* sound);
void StopIfAny(sObjSound* sound);
void StartIfAny(sObjEmitter* emitter, Vec2 point);

// An image of the table held for the lifetime of the holder; null when the
// key names no loadable image.
class HeldImage {
 public:
  HeldImage() = default;
  ~HeldImage() { Release(); }
  HeldImage(const HeldImage&) = delete;
  HeldImage& operator=(const HeldImage&) = delete;

  MemoryImage* Take(const std::string& key);
  void Release();
  MemoryImage* Get() const { return mImage; }

 private:
  std::string mKey;
  MemoryImage* mImage = nullptr;
};

}  // namespace Kivo
