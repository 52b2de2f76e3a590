// One playing copy of a loaded sound, made by SoundManager::CreateInstance.
// The manager owns every instance: a caller that is done with one calls
// Release and must not touch it afterwards; the manager deletes released
// instances when it needs their slot.
#pragma once

namespace Kivo {

class SoundInstance {
 public:
  virtual ~SoundInstance() = default;
  // Stops and marks the instance for deletion by the manager.
  virtual void Release() = 0;
  virtual void SetBaseVolume(double volume) = 0;
  virtual void SetBasePan(int pan) = 0;
  // Plays at the native rate times 2^(steps/12), measured from the native
  // rate each time (calls do not add up), clamped to 100..100,000 Hz.
  virtual void ShiftPitch(double steps) = 0;
  // The caller's volume factor (0..1) and pan offset (-10000..10000).
  virtual void SetVolume(double volume) = 0;
  virtual void SetPan(int pan) = 0;
  // Rewinds and plays; with releaseWhenDone the instance releases itself the
  // first time it is asked about after it has finished.
  virtual bool Play(bool looping, bool releaseWhenDone) = 0;
  virtual void Stop() = 0;
  virtual bool IsPlaying() = 0;
  virtual bool IsReleased() = 0;
  virtual double GetVolume() = 0;
};

}  // namespace Kivo
