// Sound effects: 256 numbered places (sound ids 0..255) each holding one
// loaded sound, and up to 32 live instances that play them with their own
// volume, pan and pitch.
//
// Sounds load from ".wav", ".ogg" and ".au" files (".mp3" too when the manager
// is built with the second audio library), found through the file API, with
// the decoded PCM of compressed sounds kept in a per-user cache. A manager
// without an audio device is silent: loads succeed without loading, instances
// are made but play nothing. Nothing here shows a message or ends the process;
// failures return false, -1 or null.
//
// Threads: ids may be loaded on one thread while another creates and plays
// instances; an id being loaded is reserved and shows its sound only once the
// load (and its cache write) is complete.
//
// Layer: audio uses platform/devices (the sound device, the music libraries)
// and resources (file API) and everything below them.
#pragma once

#include <string>

#include "audio/SoundInstance.h"

namespace Kivo {

constexpr int kMaxSoundIds = 256;
constexpr int kMaxSoundInstances = 32;

class SoundManager {
 public:
  virtual ~SoundManager() = default;
  virtual bool IsReady() = 0;
  // The id that remembers this name, else a load into the highest free id.
  virtual int FindOrLoadSound(const std::string& name) = 0;
  // Loads the named sound (no extension) into the id; false when no kind loads.
  virtual bool LoadSoundIntoId(int id, const std::string& name) = 0;
  virtual void UnloadSound(int id) = 0;
  virtual void SetMasterVolume(double volume) = 0;
  virtual bool SetSoundBaseVolume(int id, double volume) = 0;
  virtual bool SetSoundBasePan(int id, int pan) = 0;
  virtual SoundInstance* CreateInstance(int id) = 0;
  // Frees every sound; the remembered names stay.
  virtual void UnloadAllSounds() = 0;
  virtual void ReleaseAllInstances() = 0;
  // A process-local volume 0..1 (the host's mixer is never touched).
  virtual double GetSystemVolume() = 0;
  virtual void SetSystemVolume(double volume) = 0;
  virtual void ReservedHook() = 0;
  virtual void AttachToWindow(void* window, bool windowed) = 0;
  // Stops every instance; one-shots stay flagged so they are reclaimed.
  virtual void StopAllInstances() = 0;
  virtual int FindFreeSoundId() = 0;
  virtual int CountLoadedSounds() = 0;
};

}  // namespace Kivo
