// A sound instance playing a duplicate of its id's buffer.
#pragma once

#include <cstdint>

#include "audio/SoundInstance.h"
#include "platform/devices/DSound.h"

namespace Kivo {

class DSoundManager;

class DSoundInstance : public SoundInstance {
 public:
  // An instance over a duplicate of source (null for a silent manager's
  // instance). Returns null, with the device's error in *error, when the
  // duplicate cannot be made.
  static DSoundInstance* Create(DSoundManager* manager, DSoundBuffer* source, DSResult* error);
  ~DSoundInstance() override;

  void Release() override;
  void SetBaseVolume(double volume) override;
  void SetBasePan(int pan) override;
  void ShiftPitch(double steps) override;
  void SetVolume(double volume) override;
  void SetPan(int pan) override;
  bool Play(bool looping, bool releaseWhenDone) override;
  void Stop() override;
  bool IsPlaying() override;
  bool IsReleased() override;
  double GetVolume() override;

  // Re-applies the effective volume (the manager's master volume changed).
  void ApplyVolume();
  std::uint32_t NativeFrequency() const { return mNativeFrequency; }
  DSoundBuffer* OwnBuffer() const { return mOwn; }
  // The id's buffer this instance duplicates (null for a silent manager).
  DSoundBuffer* SourceBuffer() const { return mSource; }
  bool ReleaseWhenDone() const { return mReleaseWhenDone; }
  void SetReleaseWhenDone(bool on) { mReleaseWhenDone = on; }

 private:
  DSoundInstance(DSoundManager* manager, DSoundBuffer* source);
  void ApplyPan();

  DSoundManager* mManager;
  DSoundBuffer* mSource;
  DSoundBuffer* mOwn = nullptr;
  bool mReleaseWhenDone = false;
  bool mHasPlayed = false;
  bool mReleased = false;
  int mBasePan = 0;
  double mBaseVolume = 1.0;
  int mPan = 0;
  double mVolume = 1.0;
  std::uint32_t mNativeFrequency = 44100;
};

}  // namespace Kivo
