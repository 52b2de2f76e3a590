// The second music player: tracker modules and whole decoded sample songs
// through the sample-and-module music library (FMOD_INSTANCE), which is
// loaded at run time and shared with the sound manager. The application
// chooses it only under a flag the game never sets.
//
// A sample song plays on the library channel whose number is its song id.
// Sample songs are decoded once from "<name>.ogg" and kept as plain PCM WAV
// files in "<user data folder>cached\", which later loads use without
// checking whether the source changed.
//
// Every operation runs under the player's lock, shared by the loading thread
// and the main thread.
#pragma once

#include "audio/MusicInterface.h"
#include "audio/MusicLibrary.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Kivo {

namespace SampleMusicCalls {
using Init = int (*)(int mixRate, int maxChannels, unsigned flags);
using SetHWND = int (*)(void* window);
using SetBufferSize = int (*)(int milliseconds);
using Close = void (*)();
using SampleLoad = void* (*)(int index, const char* name, unsigned mode, int length);
using SampleAlloc = void* (*)(int index, int frames, unsigned mode, int frequency, int volume, int pan, int priority);
using SampleFree = void (*)(void* sample);
using SampleLock = int (*)(void* sample, int offset, int length, void** first, void** second, unsigned* firstLength,
                           unsigned* secondLength);
using SampleUnlock = int (*)(void* sample, void* first, void* second, unsigned firstLength, unsigned secondLength);
using SampleSetLoopPoints = int (*)(void* sample, int start, int end);
using SampleGetLength = unsigned (*)(void* sample);
using SampleGetDefaults = int (*)(void* sample, int* frequency, int* volume, int* pan, int* priority);
using SampleGetMode = unsigned (*)(void* sample);
using PlaySound = int (*)(int channel, void* sample);
using ChannelCall = int (*)(int channel);
using ChannelSet = int (*)(int channel, int value);
using SetLoopMode = int (*)(int channel, unsigned mode);
using LoadSong = void* (*)(const char* name);
using ModuleCall = int (*)(void* module);
using ModuleSet = int (*)(void* module, int value);
}  // namespace SampleMusicCalls

// The process's binding to the sample-and-module library: all 30 entry
// points are required; construction ends the process (after an error box)
// when one is missing. A library that does not load leaves Loaded() false.
class FMOD_INSTANCE {
 public:
  explicit FMOD_INSTANCE(const std::string& path);
  virtual ~FMOD_INSTANCE();

  bool Loaded() const { return library_ != nullptr; }

  std::unique_ptr<MusicLibrary> library_;
  SampleMusicCalls::SetBufferSize SetBufferSize = nullptr;
  SampleMusicCalls::SetHWND SetHWND = nullptr;
  SampleMusicCalls::Init Init = nullptr;
  SampleMusicCalls::Close Close = nullptr;
  SampleMusicCalls::SampleLoad Sample_Load = nullptr;
  SampleMusicCalls::SampleAlloc Sample_Alloc = nullptr;
  SampleMusicCalls::SampleFree Sample_Free = nullptr;
  SampleMusicCalls::SampleLock Sample_Lock = nullptr;
  SampleMusicCalls::SampleUnlock Sample_Unlock = nullptr;
  SampleMusicCalls::SampleSetLoopPoints Sample_SetLoopPoints = nullptr;
  SampleMusicCalls::SampleGetLength Sample_GetLength = nullptr;
  SampleMusicCalls::SampleGetDefaults Sample_GetDefaults = nullptr;
  SampleMusicCalls::SampleGetMode Sample_GetMode = nullptr;
  SampleMusicCalls::PlaySound PlaySound = nullptr;
  SampleMusicCalls::ChannelCall StopSound = nullptr;
  SampleMusicCalls::ChannelSet SetVolume = nullptr;
  SampleMusicCalls::ChannelSet SetPaused = nullptr;
  SampleMusicCalls::SetLoopMode SetLoopMode = nullptr;
  SampleMusicCalls::ChannelCall IsPlaying = nullptr;
  void* Stream_OpenFile = nullptr;  // looked up, never called
  void* Stream_Close = nullptr;
  void* Stream_Play = nullptr;
  SampleMusicCalls::LoadSong Music_LoadSong = nullptr;
  SampleMusicCalls::ModuleCall Music_PlaySong = nullptr;
  SampleMusicCalls::ModuleCall Music_StopSong = nullptr;
  SampleMusicCalls::ModuleSet Music_SetLooping = nullptr;
  SampleMusicCalls::ModuleSet Music_SetOrder = nullptr;
  SampleMusicCalls::ModuleSet Music_SetPaused = nullptr;
  SampleMusicCalls::ModuleSet Music_SetMasterVolume = nullptr;
  SampleMusicCalls::ModuleCall Music_IsPlaying = nullptr;
};

// Reference counting of the process's one binding; the sound manager and the
// player each hold one reference. Acquire builds it from "fmod.dll" on first
// use and ends the process when the library is missing.
FMOD_INSTANCE* AcquireFmodLibrary();
void ReleaseFmodLibrary();

struct FModSong {
  void* sample = nullptr;  // null for a module song
  void* module = nullptr;  // null for a sample song
  double volume = 0.0;
  double fadeStep = 0.0;
  double maxVolume = 1.0;
  bool stopWhenSilent = false;
  bool loop = false;  // sample songs only
};

class FModMusicInterface : public MusicInterface {
 public:
  explicit FModMusicInterface(void* window);
  ~FModMusicInterface() override;

  bool LoadSong(int songId, const std::string& fileName) override;
  void PlaySong(int songId, int offset, bool noLoop) override;
  void StopSong(int songId) override;
  void PauseSong(int songId) override;
  void ResumeSong(int songId) override;
  void StopAllSongs() override;
  void UnloadSong(int songId) override;
  void UnloadAllSongs() override;
  void PauseAllSongs() override;
  void ResumeAllSongs() override;
  void FadeInSong(int songId, int offset, double speed, bool noLoop) override;
  void FadeOutSong(int songId, bool stopWhenSilent, double speed) override;
  void FadeOutAllSongs(bool stopWhenSilent, double speed) override;
  void SetSongVolume(int songId, double volume) override;
  void SetSongMaxVolume(int songId, double volume) override;
  bool IsSongPlaying(int songId) override;
  void SetMusicVolume(double volume) override;
  void SetSongAmplify(int songId, double amount) override;
  void Update() override;

  // An intro part followed by a loop part, joined into one sample whose loop
  // repeats the loop part. False when either does not load or their
  // frequencies or modes differ.
  virtual bool LoadIntroLoopSong(int songId, const std::string& introName, const std::string& loopName, bool loop);
  virtual bool LoadSampleSong(int songId, const std::string& name, bool loop);

  // The decoded sample of "<name>.ogg", through the WAV cache; null when
  // neither loads.
  void* LoadCachedSample(const std::string& name);

 private:
  FModSong* Find(int songId);
  void ApplyVolume(int songId, const FModSong& song);
  void StopLocked(int songId, FModSong& song);

  FMOD_INSTANCE* lib_;
  std::recursive_mutex mutex_;
  std::map<int32_t, FModSong> songs_;
  double musicVolume_ = 1.0;
};

}  // namespace Kivo
