// The default music player: streams (.wav, .ogg, .mp3) and tracker modules
// (every other file) through the stream-and-module music library, which is
// loaded at run time and shared by the process (BASS_INSTANCE). Two
// generations of that library's interface are recognised; the newer one is
// the library that exports the configuration call.
//
// The song map is shared by the loading thread (LoadSong) and the main
// thread (Update, play and fade calls): every operation runs under the
// player's lock, which may be taken again by an operation it calls.
#pragma once

#include "audio/MusicInterface.h"
#include "platform/WinTypes.h"
#include "audio/MusicLibrary.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Kivo {

// The library's entry points as the player calls them.
namespace StreamMusicCalls {
using Init = int (*)(int device, uint32_t frequency, uint32_t flags, void* window, void* reserved);
using InitOlder = int (*)(int device, uint32_t frequency, uint32_t flags, void* window);
using NoArgs = int (*)();
using SetGlobalVolumes = int (*)(int modules, int samples, int streams);
using SetConfig = uint32_t (*)(uint32_t option, uint32_t value);
using Channel = int (*)(uint32_t handle);
using ChannelPlay = int (*)(uint32_t handle, int restart);
using ChannelIsActive = uint32_t (*)(uint32_t handle);
using ChannelSetAttributes = int (*)(uint32_t handle, int frequency, int volume, int pan);
using ChannelSetFlags = int (*)(uint32_t handle, uint32_t flags);
using ChannelSetPosition = int (*)(uint32_t handle, uint64_t position);
using MusicLoad = uint32_t (*)(int fromMemory, const void* file, uint32_t offset, uint32_t length, uint32_t flags,
                               uint32_t frequency);
using MusicLoadOlder = uint32_t (*)(int fromMemory, const void* file, uint32_t offset, uint32_t length, uint32_t flags);
using MusicSetAttribute = int (*)(uint32_t handle, uint32_t attribute, uint32_t value);
using StreamCreateFile = uint32_t (*)(int fromMemory, const void* file, uint32_t offset, uint32_t length,
                                      uint32_t flags);
}  // namespace StreamMusicCalls

// The process's binding to the stream-and-module library: one function per
// entry point, resolved by name. Construction ends the process (after an
// error box) when a required entry point is missing; a library that does not
// load leaves Loaded() false for the acquirer to report.
class BASS_INSTANCE {
 public:
  explicit BASS_INSTANCE(const std::string& path);
  virtual ~BASS_INSTANCE();

  bool Loaded() const { return mLibrary != nullptr; }
  bool Newer() const { return mNewer; }

  void PlayModuleFrom(uint32_t handle, int order, uint32_t flags);
  void PlayStream(uint32_t handle, bool restart, uint32_t flags);
  void RestartChannel(uint32_t handle);
  void ResumeChannel(uint32_t handle);
  bool SetModuleAmplify(uint32_t handle, int amount);

  std::unique_ptr<MusicLibrary> mLibrary;
  bool mNewer = false;
  // Entry points the player calls; the rest are looked up and kept only so
  // that a library lacking one is refused.
  StreamMusicCalls::Init Init = nullptr;
  StreamMusicCalls::InitOlder InitOlder = nullptr;
  StreamMusicCalls::NoArgs Free = nullptr, Stop = nullptr, Start = nullptr;
  StreamMusicCalls::SetGlobalVolumes SetGlobalVolumes = nullptr;
  void* SetVolume = nullptr;  // looked up, never called
  StreamMusicCalls::SetConfig SetConfig = nullptr;
  StreamMusicCalls::Channel ChannelStop = nullptr, ChannelPause = nullptr;
  StreamMusicCalls::ChannelPlay ChannelPlay = nullptr;
  StreamMusicCalls::ChannelIsActive ChannelIsActive = nullptr;
  StreamMusicCalls::ChannelSetAttributes ChannelSetAttributes = nullptr;
  StreamMusicCalls::ChannelSetFlags ChannelSetFlags = nullptr;
  StreamMusicCalls::ChannelSetPosition ChannelSetPosition = nullptr;
  StreamMusicCalls::MusicLoad MusicLoad = nullptr;
  StreamMusicCalls::MusicLoadOlder MusicLoadOlder = nullptr;
  StreamMusicCalls::Channel MusicFree = nullptr, StreamFree = nullptr;
  StreamMusicCalls::MusicSetAttribute MusicSetAttribute = nullptr;
  StreamMusicCalls::StreamCreateFile StreamCreateFile = nullptr;
};

// Reference counting of the process's one binding. Acquire builds it from
// ".\bass.dll" on first use and ends the process when the library is missing.
BASS_INSTANCE* AcquireBassLibrary();
void ReleaseBassLibrary();

struct BassSong {
  uint32_t moduleHandle = 0;  // 0 for a stream
  uint32_t streamHandle = 0;  // 0 for a module
  double volume = 0.0;
  double fadeStep = 0.0;
  double maxVolume = 1.0;
  bool stopWhenSilent = false;

  uint32_t Handle() const { return moduleHandle ? moduleHandle : streamHandle; }
};

class BassMusicInterface : public MusicInterface {
 public:
  explicit BassMusicInterface(HWND window);
  ~BassMusicInterface() override;

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

 private:
  BassSong* Find(int songId);
  void SendVolume(const BassSong& song);
  void StartStream(const BassSong& song, int offset, bool noLoop);
  void FreeHandle(const BassSong& song);

  BASS_INSTANCE* mLib;
  std::recursive_mutex mMutex;
  std::map<int32_t, BassSong> mSongs;
  int32_t mGlobalVolumeScale = 40;
};

}  // namespace Kivo
