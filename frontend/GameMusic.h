// The game's music choices: which song a screen or a level plays and how a
// song change sounds. Songs 0 (menu) to 6 are loaded; a level's song comes
// from settings.ini [music_levels] "<stage>_<level>" (both from 1), values
// "menu" or "music1" .. "music10"; anything else, a missing key included,
// plays song 1.
#pragma once

#include <array>
#include <string>

#include "frontend/Profiles.h"

namespace Kivo {

class MusicInterface;

constexpr int kMenuSong = 0;
constexpr double kSongChangeFadeOut = 0.1;
constexpr double kSongChangeFadeIn = 0.005;

using LevelMusicTable = std::array<std::array<int, kLevelsPerStage>, kStageCount>;

// Reads the table from the settings file (each key as the engine reads it).
LevelMusicTable ReadLevelMusicTable(const std::string& settingsFile);

// Fades every song out and `index` in, looping, unless it plays already.
void PlayGameMusic(MusicInterface& music, int index);

}  // namespace Kivo
