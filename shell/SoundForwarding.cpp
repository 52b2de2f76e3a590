// The application object's audio settings: the music and sound-effect
// volumes, the mute count (game and focus requests), one-shot sounds, and
// the forwarding of every change to the sound manager and music interface.
// Muting never changes the stored volumes; it sends 0 while the count is up.
#include <limits>

#include "audio/BassMusicInterface.h"
#include "audio/FmodMusicInterface.h"
#include "audio/MusicInterface.h"
#include "audio/SoundInstance.h"
#include "audio/SoundManager.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

MusicInterface* KivoAppBase::CreateMusicPlayer(HWND) {
  // The invisible window owns the music, whatever window is passed in.
  if (mNoSound) return new MusicInterface();
  if (mUseFmod) return new FModMusicInterface(mInvisibleWindow);
  return new BassMusicInterface(mInvisibleWindow);
}

void KivoAppBase::StartSampleWithPan(int soundId, int pan) {
  if (mSoundManager == nullptr) return;
  SoundInstance* instance = mSoundManager->CreateInstance(soundId);
  if (instance == nullptr) return;
  instance->SetPan(pan);
  instance->Play(false, true);
}

void KivoAppBase::StartSample(int soundId) {
  if (mSoundManager == nullptr) return;
  SoundInstance* instance = mSoundManager->CreateInstance(soundId);
  if (instance == nullptr) return;
  instance->Play(false, true);
}

double KivoAppBase::QuerySystemVolume() { return mSoundManager != nullptr ? mSoundManager->GetSystemVolume() : 0.0; }

double KivoAppBase::QueryMusicVolume() { return mMusicVolume; }
double KivoAppBase::QuerySfxVolume() { return mSfxVolume; }
bool KivoAppBase::IsAudioMuted() { return mMuteCount > 0; }

void KivoAppBase::ApplySystemVolume(double volume) {
  // There is no separate field: the system volume becomes the effect volume,
  // so the next mute or unmute re-sends it to the sound manager.
  mSfxVolume = volume;
  if (mSoundManager != nullptr) mSoundManager->SetSystemVolume(volume);
}

void KivoAppBase::ApplyMusicVolume(double volume) {
  mMusicVolume = volume;
  if (mMusicInterface != nullptr) mMusicInterface->SetMusicVolume(mMuteCount > 0 ? 0.0 : volume);
}

void KivoAppBase::ApplySfxVolume(double volume) {
  mSfxVolume = volume;
  if (mSoundManager != nullptr) mSoundManager->SetMasterVolume(mMuteCount > 0 ? 0.0 : volume);
}

void KivoAppBase::MuteAudio(bool byFocus) {
  // The count comes from the settings store too; a huge stored count must
  // not overflow it.
  if (mMuteCount == std::numeric_limits<int32_t>::max())
    byFocus = false;
  else
    ++mMuteCount;
  if (byFocus) ++mFocusMuteCount;
  ApplyMusicVolume(mMusicVolume);
  ApplySfxVolume(mSfxVolume);
}

void KivoAppBase::UnmuteAudio(bool byFocus) {
  if (mMuteCount > 0) {
    --mMuteCount;
    // The focus share never goes below zero: a game unmute may have taken
    // the count down past it.
    if (byFocus && mFocusMuteCount > 0) --mFocusMuteCount;
  }
  ApplyMusicVolume(mMusicVolume);
  ApplySfxVolume(mSfxVolume);
}

void KivoAppBase::ApplySongVolume(int songId, double volume) {
  if (mMusicInterface != nullptr) mMusicInterface->SetSongMaxVolume(songId, volume);
}

}  // namespace Kivo
