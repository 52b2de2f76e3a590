// Sound instances: one duplicate of the id's buffer each.
#include "audio/DSoundInstance.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "audio/DSoundManager.h"

namespace Kivo {

DSoundInstance::DSoundInstance(DSoundManager* manager, DSoundBuffer* source) : manager_(manager), source_(source) {}

DSoundInstance* DSoundInstance::Create(DSoundManager* manager, DSoundBuffer* source, DSResult* error) {
  if (error) *error = DS_OK;
  auto* instance = new DSoundInstance(manager, source);
  if (source) {
    DSResult r = manager->Device()->DuplicateSoundBuffer(source, &instance->own_);
    if (r != DS_OK || !instance->own_) {
      if (error) *error = r != DS_OK ? r : DSERR_INVALIDCALL;
      delete instance;
      return nullptr;
    }
    std::uint32_t frequency = 0;
    if (instance->own_->GetFrequency(&frequency) == DS_OK) instance->nativeFrequency_ = frequency;
  }
  instance->ApplyVolume();
  return instance;
}

DSoundInstance::~DSoundInstance() {
  if (own_) own_->Release();
}

void DSoundInstance::ApplyVolume() {
  if (!own_) return;
  double effective = baseVolume_ * volume_ * manager_->MasterVolume();
  own_->SetVolume(DSoundManager::VolumeToAttenuation(effective));
}

void DSoundInstance::ApplyPan() {
  // Passed on unclamped: the device refuses a sum out of range and keeps the
  // previous pan.
  if (!own_) return;
  std::int64_t sum = static_cast<std::int64_t>(basePan_) + pan_;
  sum = std::max<std::int64_t>(std::min<std::int64_t>(sum, INT32_MAX), INT32_MIN);
  own_->SetPan(static_cast<std::int32_t>(sum));
}

void DSoundInstance::Release() {
  Stop();
  released_ = true;
}

void DSoundInstance::SetBaseVolume(double volume) {
  baseVolume_ = volume;
  ApplyVolume();
}

void DSoundInstance::SetBasePan(int pan) {
  basePan_ = pan;
  ApplyPan();
}

void DSoundInstance::ShiftPitch(double steps) {
  if (!own_) return;
  double frequency = nativeFrequency_ * std::pow(1.0594630943592953, steps);
  if (!(frequency > 100.0)) frequency = 100.0;  // also a NaN from a bad step count
  if (frequency > 100000.0) frequency = 100000.0;
  own_->SetFrequency(static_cast<std::uint32_t>(frequency));
}

void DSoundInstance::SetVolume(double volume) {
  volume_ = volume;
  ApplyVolume();
}

void DSoundInstance::SetPan(int pan) {
  pan_ = pan;
  ApplyPan();
}

bool DSoundInstance::Play(bool looping, bool releaseWhenDone) {
  Stop();
  hasPlayed_ = true;
  releaseWhenDone_ = releaseWhenDone;
  if (!own_) return false;
  return own_->Play(0, 0, looping ? DSBPLAY_LOOPING : 0) == DS_OK;
}

void DSoundInstance::Stop() {
  if (!own_) return;
  own_->Stop();
  own_->SetCurrentPosition(0);
  releaseWhenDone_ = false;
}

bool DSoundInstance::IsPlaying() {
  if (!hasPlayed_ || !own_) return false;
  std::uint32_t status = 0;
  if (own_->GetStatus(&status) != DS_OK) return false;
  return (status & DSBSTATUS_PLAYING) != 0;
}

bool DSoundInstance::IsReleased() {
  if (!released_ && releaseWhenDone_ && hasPlayed_ && !IsPlaying()) Release();
  return released_;
}

double DSoundInstance::GetVolume() { return volume_; }

}  // namespace Kivo
