// Keyframe playback of engine objects: stepping from key to key in update
// ticks, waits between cycles, the linked effects and sounds, and the end
// notice to the listener.
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/EngineObject.h"
#include "shell/KivoAppBase.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

// A new step changes what the object shows: the screen is redrawn.
void InvalidateScreen() {
  if (gAppBase != nullptr && gAppBase->mWidgetManager != nullptr) gAppBase->mWidgetManager->Invalidate();
}

// A link acts only on objects of the kind it is meant for.
AnimEffectTarget* EffectTarget(const AnimLink& link) { return dynamic_cast<AnimEffectTarget*>(link.target); }
AnimSoundTarget* SoundTarget(const AnimLink& link) { return dynamic_cast<AnimSoundTarget*>(link.target); }

int64_t LastFrame(const AnimDef& def) { return int64_t{def.keys} - 1; }

int32_t SaturateToInt(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A key's colour channel toward zero; values no int can hold (from data)
// saturate instead of being undefined.
int TruncateChannel(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483520.0f) return std::numeric_limits<int>::max();
  if (value <= -2147483648.0f) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

// Back to idle: timers stopped, no animation, no key pair, mode 0, frame 0.
void ClearPlayback(sObj& obj) {
  for (CountdownTimer* timer : {&obj.mWaitTimer, &obj.mKeyTimer, &obj.mCycleTimer}) timer->mRemaining = 0.0f;
  obj.mCurrentAnim = kNoAnimation;
  obj.mFromKey = kNoKey;
  obj.mToKey = kNoKey;
  obj.mPairAnim = kNoAnimation;
  obj.mMode = kAnimIdle;
  obj.mFrame = 0;
}

float Blend(const Keyframe& from, float a, float b, float t) {
  return from.cosineEase ? CosineEase(a, b, t) : a + t * (b - a);
}

float Linear(float a, float b, float t) { return a + t * (b - a); }

}  // namespace

AnimDef* sObj::FindAnimation(const std::string& name) {
  for (AnimDef& def : mAnimations)
    if (def.name == name) return &def;
  return nullptr;
}

bool sObj::HasAnimation(const std::string& name) { return FindAnimation(name) != nullptr; }

void sObj::PlayAnimation(std::string name) {
  const AnimDef* def = FindAnimation(name);
  PlayAnimationMode(std::move(name), def != nullptr ? def->mode : kAnimIdle);
}

void sObj::PlayAnimationMode(std::string name, int mode) {
  mCurrentAnim = kNoAnimation;
  mMode = kAnimIdle;
  mFrame = 0;
  // The key pair, and the key and wait timers, stay: the rest of a step of
  // the definition played before goes on (its pair keeps interpolating) and
  // delays this one's first step.
  const AnimDef* def = FindAnimation(name);
  if (def == nullptr || def->rate == 0) return;  // rate 0 would never step
  for (size_t i = 0; i < mAnimations.size(); ++i)
    if (&mAnimations[i] == def) mCurrentAnim = static_cast<int>(i);
  if (mCurrentAnim == kNoAnimation) return;  // not one of the own definitions

  mMode = mode;
  mSecondsPerFrame = 1.0f / static_cast<float>(def->rate);
  mCycleTimer.mDuration = mSecondsPerFrame * static_cast<float>(LastFrame(*def));
  mCycleTimer.mRemaining = 0.0f;
  mCycleTimer.mStep = CountdownTimer::kUpdateStep;
  mDirection = 1;

  if (AnimEffectTarget* begin = EffectTarget(def->effBegin)) begin->StartAt(mCentre);
  if (AnimEffectTarget* played = EffectTarget(def->effPlayed)) played->StartFollowing(&mDisplayCentre);
  if (AnimSoundTarget* sound = SoundTarget(def->soundBegin)) sound->Play();
}

void sObj::Update(int ticks) {
  for (sObj* attached : mAttached) attached->Update(ticks);
  const AnimDef* def = CurrentAnimation();
  if (def == nullptr) return;
  if (mWaitTimer.IsRunning()) {
    mWaitTimer.Tick();
    return;
  }
  mKeyTimer.Tick();
  mCycleTimer.Tick();
  if (mMode < kAnimOnce || mMode > kAnimPingPong) return;
  if (mKeyTimer.IsRunning()) return;

  const int64_t last = LastFrame(*def);
  if (mMode == kAnimOnce) {
    if (mFrame >= last) {
      if (AnimEffectTarget* end = EffectTarget(def->effEnd)) end->StartAt(mDisplayCentre);
      StopAnimation();  // the listener may replace the definitions: def is gone
      return;
    }
  } else if (mMode == kAnimLoop) {
    if (mFrame >= last) {
      if (AnimEffectTarget* end = EffectTarget(def->effEnd)) end->StartAt(mDisplayCentre);
      mFrame = 0;
      StartKeyWait();
      if (mWaitTimer.IsRunning()) return;
    }
  } else {
    if (mDirection > 0 && mFrame >= last) {
      mDirection = -1;
    } else if (mDirection < 0 && mFrame == 0) {
      mDirection = 1;
      StartKeyWait();
      if (mWaitTimer.IsRunning()) return;
    }
  }
  NextKey(*def, mFromKey, mToKey, mFrame, mDirection);
  InvalidateScreen();
}

void sObj::NextKey(const AnimDef& def, int& fromKey, int& toKey, int& frame, int direction) {
  const int64_t count = static_cast<int64_t>(def.keyList.size());
  const int64_t begin = direction < 0 ? -int64_t{direction} : 0;
  const int64_t end = direction < 0 ? count : count - 1;
  // Every key standing at the frame is passed; the last of them is where
  // the step starts, so keys sharing a frame do not hold playback there.
  int64_t from = -1;
  for (int64_t i = begin; i < end; ++i) {
    const int64_t to = i + direction;
    if (def.keyList[static_cast<size_t>(i)].index == frame && to >= 0 && to < count) from = i;
  }
  if (from < 0) return;
  fromKey = static_cast<int>(from);
  toKey = static_cast<int>(from + direction);
  for (size_t i = 0; i < mAnimations.size(); ++i)
    if (&mAnimations[i] == &def) mPairAnim = static_cast<int>(i);
  const Keyframe& a = def.keyList[static_cast<size_t>(fromKey)];
  const Keyframe& b = def.keyList[static_cast<size_t>(toKey)];
  const int64_t distance = int64_t{b.index} - a.index;
  frame = SaturateToInt(int64_t{frame} + distance);
  mKeyTimer.Start(mSecondsPerFrame * static_cast<float>(distance < 0 ? -distance : distance));
  if (!mCycleTimer.IsRunning()) {
    mCycleTimer.mRemaining = mCycleTimer.mDuration;
    if (direction > 0) StartKeyWait();
  }
  ApplyCurrentPose();
}

void sObj::StartKeyWait() {
  const AnimDef* def = CurrentAnimation();
  if (def == nullptr || def->wait == 0.0f) return;
  const float wait = def->randomWait ? LcgRandomFloat(0.0f, def->wait) : def->wait;
  mWaitTimer.Start(wait);
}

void sObj::ApplyCurrentPose() {
  if (CurrentAnimation() == nullptr) return;
  // The pair may still be one of the definition played before.
  if (mPairAnim < 0 || static_cast<size_t>(mPairAnim) >= mAnimations.size()) return;
  const AnimDef* def = &mAnimations[static_cast<size_t>(mPairAnim)];
  const int count = static_cast<int>(def->keyList.size());
  if (mFromKey < 0 || mToKey < 0 || mFromKey >= count || mToKey >= count) return;
  const float t = mKeyTimer.mDuration == 0.0f ? 0.0f : 1.0f - mKeyTimer.mRemaining / mKeyTimer.mDuration;
  Keyframe pose;
  InterpolateKeys(def->keyList[static_cast<size_t>(mFromKey)], def->keyList[static_cast<size_t>(mToKey)], pose, t);
  ApplyKey(pose);
}

void sObj::InterpolateKeys(const Keyframe& from, const Keyframe& to, Keyframe& out, float t) {
  if (from.vertexMode && to.vertexMode) {
    out.vertexMode = true;
    for (int i = 0; i < 8; i += 2) {
      const Vector2 a(from.cornerOffsets[i], from.cornerOffsets[i + 1]);
      const Vector2 b(to.cornerOffsets[i], to.cornerOffsets[i + 1]);
      Vector2 blended(Linear(a.x, b.x, t), Linear(a.y, b.y, t));
      if (from.cosineEase) CosineEasePoint(blended, a, b, t);
      out.cornerOffsets[i] = blended.x;
      out.cornerOffsets[i + 1] = blended.y;
    }
  } else {
    out.angle = Blend(from, from.angle, to.angle, t);
    out.scaleX = Blend(from, from.scaleX, to.scaleX, t);
    out.scaleY = Blend(from, from.scaleY, to.scaleY, t);
    out.offsetX = Blend(from, from.offsetX, to.offsetX, t);
    out.offsetY = Blend(from, from.offsetY, to.offsetY, t);
    if (!from.path.Empty()) {
      const Vec2 along = from.PathPoint(mDirection > 0 ? t : 1.0f - t);
      out.offsetX = along.x;
      out.offsetY = along.y;
    }
  }
  out.alpha = Linear(from.alpha, to.alpha, t);
  out.red = Linear(from.red, to.red, t);
  out.green = Linear(from.green, to.green, t);
  out.blue = Linear(from.blue, to.blue, t);
  out.pivotX = Linear(from.pivotX, to.pivotX, t);
  out.pivotY = Linear(from.pivotY, to.pivotY, t);
}

void sObj::ApplyKey(const Keyframe& key) {
  mDisplayQuad = mBaseQuad;
  mAlpha = TruncateChannel(key.alpha);
  mRed = TruncateChannel(key.red);
  mGreen = TruncateChannel(key.green);
  mBlue = TruncateChannel(key.blue);
  const Vec2 pivot(key.pivotX, key.pivotY);
  TransformQuad(pivot, mCentre, mDisplayQuad, key);
  TransformAttached(pivot, key);
  UpdateDisplayCentre();
}

void sObj::TransformQuad(Vec2 pivot, Vec2 centre, Quad& quad, const Keyframe& key) {
  if (key.vertexMode) {
    for (int i = 0; i < 4; ++i) {
      quad.corner[i].x += key.cornerOffsets[2 * i];
      quad.corner[i].y += key.cornerOffsets[2 * i + 1];
    }
    return;
  }
  const Vec2 origin(centre.x + pivot.x, centre.y + pivot.y);
  Mat3 rotation;
  rotation.Identity();
  rotation.Rotation(key.angle);
  for (Vector2& corner : quad.corner) {
    const Vec2 scaled((corner.x - origin.x) * key.scaleX, (corner.y - origin.y) * key.scaleY);
    const Vec2 turned = rotation.TransformPoint(scaled);
    corner.x = turned.x + origin.x + key.offsetX;
    corner.y = turned.y + origin.y + key.offsetY;
  }
}

void sObj::TransformAttached(Vec2 pivot, const Keyframe& key) {
  for (sObj* attached : mAttached) {
    if (attached->mMode == kAnimIdle) attached->mDisplayQuad = attached->mBaseQuad;
    TransformQuad(pivot, mCentre, attached->mDisplayQuad, key);
  }
}

void sObj::StopAnimation() {
  ApplyCurrentPose();
  std::string animation;
  if (const AnimDef* def = CurrentAnimation()) {
    animation = def->name;
    if (AnimEffectTarget* played = EffectTarget(def->effPlayed)) played->Stop();
    if (AnimSoundTarget* sound = SoundTarget(def->soundEnd)) sound->Play();
  }
  mBaseQuad = mDisplayQuad;
  ClearPlayback(*this);
  UpdateCentre();
  if (mListener != nullptr) mListener->OnAnimationEnd(mName, animation);
}

void sObj::FinishAnimation() {
  const AnimDef* def = CurrentAnimation();
  if (def == nullptr) return;
  if (!def->keyList.empty()) {
    Keyframe pose;
    InterpolateKeys(def->keyList.front(), def->keyList.back(), pose, 1.0f);
    ApplyKey(pose);
  } else {
    // Nothing to jump to: the object stops where it rests.
    mDisplayQuad = mBaseQuad;
    UpdateDisplayCentre();
  }
  mBaseQuad = mDisplayQuad;
  mCentre = mDisplayCentre;
  ClearPlayback(*this);
}

void sObj::SetPoseFromAnimation(const std::string& name) {
  const AnimDef* def = FindAnimation(name);
  if (def == nullptr || def->keyList.empty()) return;
  Keyframe pose;
  InterpolateKeys(def->keyList.front(), def->keyList.back(), pose, 0.0f);
  ApplyKey(pose);
  mCentre = mDisplayCentre;
  mBaseQuad = mDisplayQuad;
}

}  // namespace Kivo
