// The sound manager over the sound-buffer device (platform/DSound.h): 256 ids
// of static buffers, 32 instance slots of duplicates, the loading order of
// the file kinds and the decoded-sound cache.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "audio/SoundManager.h"
#include "platform/devices/DSound.h"

namespace Kivo {

struct FmodInstance;
class DSoundInstance;

class DSoundManager : public SoundManager {
 public:
  // A null window gives a silent manager. With useFmod the second audio
  // library is initialised with the device and MP3 files load.
  DSoundManager(void* window, bool useFmod);
  ~DSoundManager() override;

  bool IsReady() override;
  int FindOrLoadSound(const std::string& name) override;
  bool LoadSoundIntoId(int id, const std::string& name) override;
  void UnloadSound(int id) override;
  void SetMasterVolume(double volume) override;
  bool SetSoundBaseVolume(int id, double volume) override;
  bool SetSoundBasePan(int id, int pan) override;
  SoundInstance* CreateInstance(int id) override;
  void UnloadAllSounds() override;
  void ReleaseAllInstances() override;
  double GetSystemVolume() override;
  void SetSystemVolume(double volume) override;
  void ReservedHook() override;
  void AttachToWindow(void* window, bool windowed) override;
  void StopAllInstances() override;
  int FindFreeSoundId() override;
  int CountLoadedSounds() override;

  // Hundredths of a decibel for a volume 0..1: (log10(1 + 9v) - 1) x 2333,
  // truncated; anything below -2000 is silence (-10000).
  static std::int32_t VolumeToAttenuation(double volume);

  // The readers: each fills the id from the whole file at path (extension
  // included). The id's buffer is set only when the read succeeds.
  bool LoadWavFile(int id, const std::string& path);
  bool LoadOggFile(int id, const std::string& path);
  bool LoadAuFile(int id, const std::string& path);
  bool LoadMp3File(int id, const std::string& path);
  // Writes the id's samples to a cache file; false when the name is empty,
  // the id holds nothing, or writing fails.
  bool WriteSoundCache(int id, const std::string& cacheFile, const std::string& sourceName);

  double MasterVolume() const { return mMasterVolume.load(); }
  DSoundDevice* Device() { return mDevice; }
  // Bytes of PCM in an id (0 when empty or out of range).
  std::uint32_t SoundBytes(int id);
  // How many times a source file was decoded (Ogg, AU, MP3); the cache hit
  // path does not count. For tests.
  int DecodeCount() const { return mDecodeCount.load(); }

 private:
  class BufferSink;
  typedef bool (*Reader)(class SoundSource&, class PcmSink&, std::string*);
  // Reads path with a reader into a new buffer; on success returns it in *out.
  bool ReadInto(const std::string& path, bool wav, Reader reader, DSoundBuffer** out);
  bool LoadMp3Into(const std::string& path, DSoundBuffer** out);
  // Puts a loaded buffer into the id (or releases it) and ends the reservation.
  bool Publish(int id, DSoundBuffer* buffer);
  int FindFreeInstanceSlotLocked();
  void ReapReleasedInstancesLocked();

  mutable std::mutex mLock;  // ids, names, reservations, slots
  DSoundBuffer* mBuffers[kMaxSoundIds] = {};
  std::string mNames[kMaxSoundIds];
  bool mLoading[kMaxSoundIds] = {};
  std::uint32_t mByteSizes[kMaxSoundIds] = {};
  double mBaseVolumes[kMaxSoundIds];
  int mBasePans[kMaxSoundIds] = {};
  DSoundInstance* mSlots[kMaxSoundInstances] = {};
  DSoundBuffer* mPrimary = nullptr;
  std::atomic<double> mMasterVolume{1.0};
  std::uint32_t mLastReapTime = 0;
  DSoundDevice* mDevice = nullptr;
  bool mUseFmod;
  FmodInstance* mFmod = nullptr;
  std::atomic<int> mDecodeCount{0};
};

}  // namespace Kivo
