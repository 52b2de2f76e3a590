// Music: songs loaded under small integer ids, played, paused, stopped and
// faded one step per application update under a global music volume.
//
// MusicInterface is both the interface the application drives and the silent
// player used when sound is off: every operation does nothing and the two that
// answer a question answer false. BassMusicInterface (streams and tracker
// modules, the player the game uses) and FModMusicInterface (modules and
// decoded sample songs) implement it over the music libraries that platform/
// provides. Song files are read through the file API (loose files or archive
// entries); a file that does not open or decode makes LoadSong return false.
// Volumes are 0.0 to 1.0; fade speeds are the volume change per Update call.
#pragma once

#include <string>

namespace Kivo {

class MusicInterface {
 public:
  MusicInterface() = default;
  virtual ~MusicInterface() = default;

  MusicInterface(const MusicInterface&) = delete;
  MusicInterface& operator=(const MusicInterface&) = delete;

  virtual bool LoadSong(int songId, const std::string& fileName);
  // offset: an order for tracker modules, a byte position for streams; -1
  // continues the song from where it is, where the player supports that.
  virtual void PlaySong(int songId, int offset, bool noLoop);
  virtual void StopSong(int songId);
  virtual void PauseSong(int songId);
  virtual void ResumeSong(int songId);
  virtual void StopAllSongs();
  virtual void UnloadSong(int songId);
  virtual void UnloadAllSongs();
  virtual void PauseAllSongs();
  virtual void ResumeAllSongs();
  virtual void FadeInSong(int songId, int offset, double speed, bool noLoop);
  virtual void FadeOutSong(int songId, bool stopWhenSilent, double speed);
  virtual void FadeOutAllSongs(bool stopWhenSilent, double speed);
  virtual void SetSongVolume(int songId, double volume);
  virtual void SetSongMaxVolume(int songId, double volume);
  virtual bool IsSongPlaying(int songId);
  virtual void SetMusicVolume(double volume);
  virtual void SetSongAmplify(int songId, double amount);
  // Advances every running fade by one step; the application calls it once
  // per update.
  virtual void Update();
};

// Library volumes are whole percent: the value x 100, truncated toward zero.
inline int MusicPercent(double volume) { return static_cast<int>(volume * 100); }

}  // namespace Kivo
