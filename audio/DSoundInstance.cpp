// Sound instances: one duplicate of the id's buffer each.
#include "audio/DSoundInstance.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "audio/DSoundManager.h"

namespace Kivo {

DSoundInstance::DSoundInstance(DSoundManager* manager, DSoundBuffer* source) : mManager(manager), mSource(source) {}

DSoundInstance* DSoundInstance::Create(DSoundManager* manager, DSoundBuffer* source, DSResult* error) {
  if (error) *error = DS_OK;
  auto* instance = new DSoundInstance(manager, source);
  if (source) {
    DSResult r = manager->Device()->DuplicateSoundBuffer(source, &instance->mOwn);
    if (r != DS_OK || !instance->mOwn) {
      if (error) *error = r != DS_OK ? r : DSERR_INVALIDCALL;
      delete instance;
      return nullptr;
    }
    std::uint32_t frequency = 0;
    if (instance->mOwn->GetFrequency(&frequency) == DS_OK) instance->mNativeFrequency = frequency;
  }
  instance->ApplyVolume();
  return instance;
}

DSoundInstance::~DSoundInstance() {
  if (mOwn) mOwn->Release();
}

void DSoundInstance::ApplyVolume() {
  if (!mOwn) return;
  double effective = mBaseVolume * mVolume * mManager->MasterVolume();
  mOwn->SetVolume(DSoundManager::VolumeToAttenuation(effective));
}

void DSoundInstance::ApplyPan() {
  // Passed on unclamped: the device refuses a sum out of range and keeps the
  // previous pan.
  if (!mOwn) return;
  std::int64_t sum = static_cast<std::int64_t>(mBasePan) + mPan;
  sum = std::max<std::int64_t>(std::min<std::int64_t>(sum, INT32_MAX), INT32_MIN);
  mOwn->SetPan(static_cast<std::int32_t>(sum));
}

void DSoundInstance::Release() {
  Stop();
  mReleased = true;
}

void DSoundInstance::SetBaseVolume(double volume) {
  mBaseVolume = volume;
  ApplyVolume();
}

void DSoundInstance::SetBasePan(int pan) {
  mBasePan = pan;
  ApplyPan();
}

void DSoundInstance::ShiftPitch(double steps) {
  if (!mOwn) return;
  double frequency = mNativeFrequency * std::pow(1.0594630943592953, steps);
  if (!(frequency > 100.0)) frequency = 100.0;  // also a NaN from a bad step count
  if (frequency > 100000.0) frequency = 100000.0;
  mOwn->SetFrequency(static_cast<std::uint32_t>(frequency));
}

void DSoundInstance::SetVolume(double volume) {
  mVolume = volume;
  ApplyVolume();
}

void DSoundInstance::SetPan(int pan) {
  mPan = pan;
  ApplyPan();
}

bool DSoundInstance::Play(bool looping, bool releaseWhenDone) {
  Stop();
  mHasPlayed = true;
  mReleaseWhenDone = releaseWhenDone;
  if (!mOwn) return false;
  return mOwn->Play(0, 0, looping ? DSBPLAY_LOOPING : 0) == DS_OK;
}

void DSoundInstance::Stop() {
  if (!mOwn) return;
  mOwn->Stop();
  mOwn->SetCurrentPosition(0);
  mReleaseWhenDone = false;
}

bool DSoundInstance::IsPlaying() {
  if (!mHasPlayed || !mOwn) return false;
  std::uint32_t status = 0;
  if (mOwn->GetStatus(&status) != DS_OK) return false;
  return (status & DSBSTATUS_PLAYING) != 0;
}

bool DSoundInstance::IsReleased() {
  if (!mReleased && mReleaseWhenDone && mHasPlayed && !IsPlaying()) Release();
  return mReleased;
}

double DSoundInstance::GetVolume() { return mVolume; }

}  // namespace Kivo
