#include "levels/PlayfieldDraw.h"

#include "levels/LevelContext.h"

namespace Kivo {

void BeginPlayfield(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
}

void EndPlayfield(MiniGame& game, Graphics& g) {
  g.End3D();
  game.MiniGame::Draw(g);
  g.SetColorizeImages(false);
}

sObjSound* FindSound(const MiniGame& game, const std::string& name) {
  return dynamic_cast<sObjSound*>(game.FindEffect(name));
}

sObjEmitter* FindEmitter(const MiniGame& game, const std::string& name) {
  return dynamic_cast<sObjEmitter*>(game.FindEffect(name));
}

void PlayIfAny(sObjSound* sound) {
  if (sound != nullptr) sound->Play();
}

void StopIfAny(sObjSound* sound) {
  if (sound != nullptr) sound->Stop();
}

void StartIfAny(sObjEmitter* emitter, Vec2 point) {
  if (emitter != nullptr) emitter->StartAt(point);
}

MemoryImage* HeldImage::Take(const std::string& key) {
  Release();
  mImage = GetImageByKey(key);
  if (mImage != nullptr) mKey = key;
  return mImage;
}

void HeldImage::Release() {
  if (mImage != nullptr) ReleaseImageByKey(mKey);
  mImage = nullptr;
  mKey.clear();
}

}  // namespace Kivo
