// The second music player: tracker modules and whole decoded sample songs
// through the sample-and-module music library (FmodInstance), which is
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
#include "platform/WinTypes.h"
#include "audio/FmodLibrary.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Kivo {

struct FModSong {
  FmodSample* sample = nullptr;  // null for a module song
  void* module = nullptr;        // null for a sample song
  double volume = 0.0;
  double fadeStep = 0.0;
  double maxVolume = 1.0;
  bool stopWhenSilent = false;
  bool loop = false;  // sample songs only
};

class FModMusicInterface : public MusicInterface {
 public:
  explicit FModMusicInterface(HWND window);
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
  FmodSample* LoadCachedSample(const std::string& name);

 private:
  FModSong* Find(int songId);
  void ApplyVolume(int songId, const FModSong& song);
  void StopLocked(int songId, FModSong& song);

  FmodInstance* mLib;
  std::recursive_mutex mMutex;
  std::map<int32_t, FModSong> mSongs;
  double mMusicVolume = 1.0;
};

}  // namespace Kivo
