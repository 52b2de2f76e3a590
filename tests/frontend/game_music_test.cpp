#include "frontend/GameMusic.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "audio/MusicInterface.h"
#include "engine/SettingsFile.h"
#include "tests/support/temp_folder.h"

namespace Kivo {
namespace {

class RecordingMusic : public MusicInterface {
 public:
  bool IsSongPlaying(int songId) override { return songId == playing; }
  void FadeOutAllSongs(bool stop, double speed) override {
    calls.push_back("FadeOutAll(" + std::string(stop ? "stop" : "keep") + "," + std::to_string(speed) + ")");
  }
  void FadeInSong(int songId, int offset, double speed, bool noLoop) override {
    calls.push_back("FadeIn(" + std::to_string(songId) + "," + std::to_string(offset) + "," + std::to_string(speed) +
                    "," + (noLoop ? "once" : "looping") + ")");
  }
  int playing = -1;
  std::vector<std::string> calls;
};

TEST(GameMusic, PlayFadesEverythingOutAndTheSongInUnlessItPlays) {
  RecordingMusic music;
  music.playing = 3;
  PlayGameMusic(music, 3);
  EXPECT_TRUE(music.calls.empty());
  PlayGameMusic(music, 0);
  EXPECT_EQ(music.calls, (std::vector<std::string>{"FadeOutAll(stop,0.100000)", "FadeIn(0,0,0.005000,looping)"}));
}

TEST(GameMusic, LevelTableComesFromTheSettingsAndFallsBackToSongOne) {
  TempFolder folder;
  std::string settings = folder.Write("settings.ini",
                                      "[main]\ncode_page=1251\n[music_levels]\n12_2=music3\n1_1=menu\n1_2=music11\n"
                                      "40_4=music10\n2_1=\n");
  FreeIniFile();
  LevelMusicTable table = ReadLevelMusicTable(settings);
  EXPECT_EQ(table[11][1], 3);
  EXPECT_EQ(table[0][0], 0);
  EXPECT_EQ(table[0][1], 1);
  EXPECT_EQ(table[39][3], 10);
  EXPECT_EQ(table[1][0], 1);
  EXPECT_EQ(table[5][2], 1);  // no key
  FreeIniFile();
  LevelMusicTable missing = ReadLevelMusicTable(folder / "none.ini");
  EXPECT_EQ(missing[0][0], 1);
  FreeIniFile();
}

}  // namespace
}  // namespace Kivo
