#include "levels/FoundObjects.h"

#include <cmath>

#include "engine/AnimDef.h"
#include "engine/GameUtils.h"
#include "engine/KeyframeTrack.h"
#include "engine/ParticleEffect.h"
#include "engine/SoundEmitterKinds.h"

namespace Kivo {

namespace {

constexpr float kPi = 3.14159265358979f;

bool HitImageFrame(const Quad& quad, Image* image, float x, float y) {
  const Vector2& c0 = quad.corner[0];
  const Vector2& c1 = quad.corner[1];
  // The angle of the first edge, through the engine's degree form.
  const float a = (AngleToPoint(c0.x, c0.y, c1.x, c1.y) + 90.0f) * -(kPi / 180.0f);
  const float cosA = std::cos(a);
  const float sinA = std::sin(a);
  const float dx = x - c0.x;
  const float dy = y - c0.y;
  const Vec2 local(dx * cosA + dy * sinA, dy * cosA - dx * sinA);
  return HitTestImagePixel(image, local);
}

}  // namespace

bool HitQuadImage(const Quad& quad, Image* image, bool quadHit, float x, float y, MeshHit rule) {
  switch (rule) {
    case MeshHit::kImageFrame: return HitImageFrame(quad, image, x, y);
    case MeshHit::kQuadThenImageFrame:
      if (quadHit && PointInQuad(quad, x, y)) return true;
      return HitImageFrame(quad, image, x, y);
    case MeshHit::kQuadOrScreenFrame:
      if (quadHit) return PointInQuad(quad, x, y);
      return HitTestImagePixel(image, Vec2(x - quad.corner[0].x, y - quad.corner[0].y));
  }
  return false;
}

bool HitMesh(const sObjMesh& mesh, float x, float y, MeshHit rule) {
  return HitQuadImage(mesh.mBaseQuad, mesh.GetImage(), mesh.mSecondKind, x, y, rule);
}

void StartEffectAt(sObj* effect, Vec2 point) {
  if (auto* emitter = dynamic_cast<sObjEmitter*>(effect)) emitter->StartAt(point);
}

void StartEffect(sObj* effect) {
  if (auto* emitter = dynamic_cast<sObjEmitter*>(effect)) emitter->Start();
}

void StopEffect(sObj* effect) {
  if (auto* emitter = dynamic_cast<sObjEmitter*>(effect)) emitter->Stop();
}

void PlaySoundObject(sObj* sound) {
  if (auto* player = dynamic_cast<sObjSound*>(sound)) player->Play();
}

bool AppendFoundAnimation(sObj& object, sObj* beginSound) {
  const AnimDef* found = FindAnimDef("finded");
  if (found == nullptr) return false;
  AnimDef copy = *found;
  copy.soundBegin.name = beginSound != nullptr ? beginSound->mName : std::string();
  copy.soundBegin.target = beginSound;
  object.mAnimations.push_back(std::move(copy));
  return true;
}

void SpinCorners(sObj& object, float radians) {
  Mat3 turn;
  turn.Identity();
  turn.Rotation(-radians);
  Vector2 relative[4];
  for (int k = 0; k < 4; ++k) {
    relative[k] =
        Vector2(object.mBaseQuad.corner[k].x - object.mCentre.x, object.mBaseQuad.corner[k].y - object.mCentre.y);
  }
  Vec2::TransformArray(turn, relative, 4);
  for (int k = 0; k < 4; ++k) {
    object.mBaseQuad.corner[k] = Vector2(relative[k].x + object.mCentre.x, relative[k].y + object.mCentre.y);
  }
}

bool FlyFoundStep(sObjMesh& mesh, Vec2 target, sObj* trail) {
  SpinCorners(mesh, 0.1f);
  const Vec2 toTarget(target.x - mesh.mCentre.x, target.y - mesh.mCentre.y);
  if (Vec2::Length(toTarget) < 5.0f) return true;
  const Vec2 step = Vec2::SetLength(toTarget, 5.0f);
  for (Vector2& corner : mesh.mBaseQuad.corner) {
    corner.x += step.x;
    corner.y += step.y;
  }
  mesh.mCentre.x += step.x;
  mesh.mCentre.y += step.y;
  for (int k : {0, 1, 3, 2}) {
    const Vec2 out(mesh.mBaseQuad.corner[k].x - mesh.mCentre.x, mesh.mBaseQuad.corner[k].y - mesh.mCentre.y);
    const Vec2 unit = Vec2::SetLength(out, 1.0f);
    gParticleEffectSets[kEffectMagicWand].StartAt(
        Vec2(mesh.mCentre.x + 20.0f * unit.x, mesh.mCentre.y + 20.0f * unit.y));
  }
  StartEffectAt(trail, mesh.mCentre);
  return false;
}

}  // namespace Kivo
