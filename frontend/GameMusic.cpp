#include "frontend/GameMusic.h"

#include "audio/MusicInterface.h"
#include "engine/SettingsFile.h"
#include "frontend/Screen.h"

namespace Kivo {

LevelMusicTable ReadLevelMusicTable(const std::string& settingsFile) {
  LevelMusicTable table{};
  for (int stage = 1; stage <= kStageCount; ++stage) {
    for (int level = 1; level <= kLevelsPerStage; ++level) {
      std::string value;
      std::string key = std::to_string(stage) + "_" + std::to_string(level);
      if (IniReadString(settingsFile, "music_levels", key, value, 64) != kIniFound) value.clear();
      table[stage - 1][level - 1] = MusicIndexByName(value);
    }
  }
  return table;
}

void PlayGameMusic(MusicInterface& music, int index) {
  if (music.IsSongPlaying(index)) return;
  music.FadeOutAllSongs(true, kSongChangeFadeOut);
  music.FadeInSong(index, 0, kSongChangeFadeIn, false);
}

}  // namespace Kivo
