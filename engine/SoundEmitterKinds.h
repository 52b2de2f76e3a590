// Two invisible object kinds scenes place like any other: a sound object
// (type code 17) that plays one named sound effect, once or looping, with
// its own pan and volume, and an emitter (type code 15) that plays a
// particle effect of the effect library at its centre, at a point or
// following a moving point, optionally in a particle system of its own and
// optionally restarting at a fixed interval. Animation links reach both
// through the link interfaces (AnimSoundTarget, AnimEffectTarget).
//
// Properties read: sound "_keySound" (a SOUND_* name; anything else plays
// nothing), "_fTimeRepeat" (non-zero loops), "_iStarted", "_iPan",
// "_fVolume"; emitter "_keyEff" (the effect "data\effect\<name>.eff"),
// "_fTimeRepeat" (seconds between restarts), "_iStarted", "_iMaxPart" and
// "_iMaxEmm" (an own system when both are at least 1 and within
// kMaxOwnParticles and kMaxOwnSlots; larger counts are logged and refused).
//
// Without a sound manager, or with no free instance, a sound plays nothing
// and reports nothing. An effect file that fails to load gives an empty
// effect that starts nothing. Library entries are shared between emitters
// and live until the last emitter holding one releases its images.
#pragma once

#include <string>

#include "engine/EngineObject.h"
#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "shell/base/Matrix.h"

namespace Kivo {

class SoundInstance;

constexpr int kEmitterTypeCode = 15;
constexpr int kSoundTypeCode = 17;

// The application's screen matrices, which every screen, dialog and level
// begins its 3D drawing with: world and view identity, an orthographic
// projection of the window's size (identity without an application). An
// emitter with an own system ends the caller's 3D drawing to draw its
// particles and resumes it with these, so what the caller draws after it
// stays on screen.
void ApplicationMatrices(Matrix4& world, Matrix4& projection, Matrix4& view);

class sObjSound : public sObj, public AnimSoundTarget {
 public:
  static constexpr int kPanUnset = -100;

  void ApplyProperties() override;
  void ReleaseImages() override;
  void Play() override;
  virtual void Stop();
  // Forgets the instance without stopping it first (releasing stops it).
  void ReleaseSound();

  SoundInstance* mInstance = nullptr;  // the sound manager's; released, never deleted
  int mSoundId = -1;
  int mPan = kPanUnset;
  float mVolume = 1.0f;
  bool mPlaying = false;
  bool mLooping = false;
};

class sObjEmitter : public sObj, public AnimEffectTarget {
 public:
  sObjEmitter();
  ~sObjEmitter() override;
  sObjEmitter(const sObjEmitter&) = delete;
  sObjEmitter& operator=(const sObjEmitter&) = delete;

  void ApplyProperties() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void Update(int ticks) override;
  void PlayAnimation(std::string name) override;
  void StopAnimation() override;

  void StartAt(Vec2 point) override;
  // At the display centre while an animation plays, else at the centre.
  virtual void Start();
  void StartFollowing(const Vec2* point) override;
  void Stop() override;

  // The largest own system a scene may ask for; beyond either count the
  // effect runs in the shared system.
  static constexpr int kMaxOwnParticles = 20000;
  static constexpr int kMaxOwnSlots = 1000;

  EffectLibraryEntry* mEffect = nullptr;  // one hold of the library's entry
  ParticleSystem mOwnSystem;
  CountdownTimer mRepeatTimer;
  float mRepeatTime = 0.0f;
  bool mRunning = false;
  bool mShared = false;
  bool mHasOwnSystem = false;
  const Vec2* mFollowed = nullptr;  // not owned

 private:
  void StartEffect(Vec2 point);
  void ReleaseEffect();
};

// Gives type codes 15 and 17 their kinds in the object factory.
void RegisterSoundAndEmitterKinds();

}  // namespace Kivo
