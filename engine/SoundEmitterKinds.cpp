#include "engine/SoundEmitterKinds.h"

#include <cstring>
#include <string>

#include "audio/SoundInstance.h"
#include "audio/SoundManager.h"
#include "engine/GameMath.h"
#include "engine/PropertyList.h"
#include "engine/ResourceIds.h"
#include "engine/SceneLoader.h"
#include "platform/Environment.h"
#include "shell/KivoAppBase.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

SoundManager* ApplicationSoundManager() { return gAppBase != nullptr ? gAppBase->ResourceSoundManager() : nullptr; }

}  // namespace

void ApplicationMatrices(Matrix4& world, Matrix4& projection, Matrix4& view) {
  Mat4 identity;
  Mat4 ortho;
  if (gAppBase != nullptr && gAppBase->mWidth > 0 && gAppBase->mHeight > 0) {
    ortho.Orthographic(static_cast<float>(gAppBase->mWidth), static_cast<float>(gAppBase->mHeight), 0.0f, 1.0f);
  }
  static_assert(sizeof world.m == sizeof identity.m, "both are 4 x 4 floats, row by row");
  std::memcpy(world.m, identity.m, sizeof world.m);
  std::memcpy(view.m, identity.m, sizeof view.m);
  std::memcpy(projection.m, ortho.m, sizeof projection.m);
}

// ---- sound objects

void sObjSound::ApplyProperties() {
  bool start = false;
  float repeat = 0.0f;
  for (const ObjProperty& pair : mProperties) {
    if (pair.key == "_keySound") {
      // Only sound names give an id: a font name (ids 0-5) must not be
      // taken for a sound.
      mSoundId = SoundIdByName(pair.value);
    } else if (pair.key == "_fTimeRepeat") {
      repeat = PropertyFloat(pair.value);
    } else if (pair.key == "_iStarted") {
      start = pair.value != "0";
    } else if (pair.key == "_iPan") {
      mPan = PropertyInt(pair.value);
    } else if (pair.key == "_fVolume") {
      mVolume = PropertyFloat(pair.value);
    }
  }
  mLooping = repeat != 0.0f;
  // A sound object has no key animations: the base part is not run.
  if (start) Play();
}

void sObjSound::ReleaseImages() { ReleaseSound(); }

void sObjSound::Play() {
  if (mInstance != nullptr) {
    mInstance->Release();
    mInstance = nullptr;
  }
  SoundManager* manager = ApplicationSoundManager();
  if (manager == nullptr || mSoundId == -1) return;
  mInstance = manager->CreateInstance(mSoundId);
  if (mInstance == nullptr) return;
  if (mPan != kPanUnset) mInstance->SetPan(mPan);
  mInstance->SetVolume(mVolume);
  mInstance->Play(mLooping, false);
  mPlaying = true;
}

void sObjSound::Stop() {
  if (mInstance == nullptr) return;
  mInstance->Stop();
  mInstance->Release();
  mInstance = nullptr;
  mPlaying = false;
}

void sObjSound::ReleaseSound() {
  mPlaying = false;
  if (mInstance != nullptr) {
    mInstance->Release();
    mInstance = nullptr;
  }
}

// ---- emitters

sObjEmitter::sObjEmitter() {
  mAlpha = 255;
  mParent = nullptr;
}

sObjEmitter::~sObjEmitter() { ReleaseEffect(); }

void sObjEmitter::ReleaseEffect() {
  if (mEffect == nullptr) return;
  ReleaseEmitterEffect(mEffect);
  mEffect = nullptr;
}

void sObjEmitter::ApplyProperties() {
  bool start = false;
  int maxParticles = 0;
  int maxSlots = 0;
  for (const ObjProperty& pair : mProperties) {
    if (pair.key == "_keyEff") {
      // Take the new hold before giving the old one back, so that applying
      // the same effect again does not unload and reload it.
      bool shared = false;
      EffectLibraryEntry* entry = AcquireEmitterEffect(pair.value, &shared);
      ReleaseEffect();
      mEffect = entry;
      mShared = shared;
    } else if (pair.key == "_fTimeRepeat") {
      mRepeatTime = PropertyFloat(pair.value);
      if (mRepeatTime != 0.0f) {
        mRepeatTimer.mDuration = mRepeatTime;
        mRepeatTimer.mRemaining = 0.0f;
        mRepeatTimer.mStep = CountdownTimer::kUpdateStep;
      }
    } else if (pair.key == "_iStarted") {
      start = pair.value != "0";
    } else if (pair.key == "_iMaxPart") {
      maxParticles = PropertyInt(pair.value);
    } else if (pair.key == "_iMaxEmm") {
      maxSlots = PropertyInt(pair.value);
    }
  }
  // Counts from a scene may be anything; only two positive counts make an
  // own system (Init frees the pools of an earlier apply), and counts past
  // the limits are refused before anything is allocated.
  if (maxParticles >= 1 && maxSlots >= 1) {
    if (maxParticles > kMaxOwnParticles || maxSlots > kMaxOwnSlots) {
      Platform::Log("emitter \"" + mName + "\": an own system of " + std::to_string(maxParticles) + " particles and " +
                    std::to_string(maxSlots) + " emitters is over the limits of " + std::to_string(kMaxOwnParticles) +
                    " and " + std::to_string(kMaxOwnSlots) + "; the effect runs in the shared system");
    } else {
      mOwnSystem.Init(maxParticles, maxSlots);
      mHasOwnSystem = true;
    }
  }
  if (start) Start();
  sObj::ApplyProperties();
}

void sObjEmitter::ReleaseImages() {
  mRunning = false;
  ReleaseEffect();
}

void sObjEmitter::StartEffect(Vec2 point) {
  // Without "_keyEff" there is nothing to start.
  if (mEffect != nullptr && mEffect->mEffect != nullptr) {
    if (mHasOwnSystem) {
      mEffect->mEffect->StartIn(point, mOwnSystem);
    } else {
      mEffect->mEffect->StartAt(point);
    }
  }
  mRepeatTimer.mRemaining = mRepeatTimer.mDuration;
  mRunning = true;
}

void sObjEmitter::StartAt(Vec2 point) {
  mFollowed = nullptr;
  StartEffect(point);
}

void sObjEmitter::Start() {
  mFollowed = nullptr;
  StartEffect(IsPlaying() ? mDisplayCentre : mCentre);
}

void sObjEmitter::StartFollowing(const Vec2* point) {
  if (point == nullptr) {
    Start();
    return;
  }
  mFollowed = point;
  StartEffect(*point);
}

void sObjEmitter::Stop() {
  mRepeatTimer.mRemaining = 0.0f;
  mRunning = false;
  mFollowed = nullptr;
}

void sObjEmitter::Update(int) {
  if (mRepeatTime != 0.0f && mRunning) {
    mRepeatTimer.Tick();
    if (mRepeatTimer.mRemaining == 0.0f || mRepeatTimer.mDuration == 0.0f) {
      if (mFollowed == nullptr) {
        Start();
      } else {
        StartFollowing(mFollowed);
      }
    }
  }
  // The emitter's own key animations do not advance.
  if (mHasOwnSystem) mOwnSystem.Update();
}

void sObjEmitter::Draw(Graphics* g) {
  if (!mHasOwnSystem || g == nullptr) return;
  g->End3D();
  mOwnSystem.Draw(*g);
  Matrix4 world, projection, view;
  ApplicationMatrices(world, projection, view);
  g->Begin3D(world, projection, view);
}

void sObjEmitter::PlayAnimation(std::string name) {
  sObj::PlayAnimation(std::move(name));
  Start();
}

void sObjEmitter::StopAnimation() {
  sObj::StopAnimation();
  Stop();
}

void RegisterSoundAndEmitterKinds() {
  RegisterObjectKind(kEmitterTypeCode, [] { return new sObjEmitter(); });
  RegisterObjectKind(kSoundTypeCode, [] { return new sObjSound(); });
}

}  // namespace Kivo
