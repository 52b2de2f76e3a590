// The music players against recording fakes of their libraries: exact call
// sequences, fades step by step, both library generations, fatal library
// errors, and the song map under two threads.
#include "audio/BassMusicInterface.h"
#include "audio/MusicInterface.h"
#include "music_fake_libraries.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace Kivo {
namespace {

using namespace MusicFakes;
using Calls = std::vector<std::string>;

const HWND kWindow = reinterpret_cast<HWND>(0x1234);

TEST(music_player_Silent, AcceptsEveryCallAndAnswersFalse) {
  MusicInterface silent;
  EXPECT_FALSE(silent.LoadSong(0, "data/sound/menu.ogg"));
  silent.PlaySong(0, 0, false);
  silent.StopSong(0);
  silent.PauseSong(0);
  silent.ResumeSong(0);
  silent.StopAllSongs();
  silent.UnloadSong(0);
  silent.UnloadAllSongs();
  silent.PauseAllSongs();
  silent.ResumeAllSongs();
  silent.FadeInSong(0, 0, 0.02, false);
  silent.FadeOutSong(0, true, 0.1);
  silent.FadeOutAllSongs(true, 0.1);
  silent.SetSongVolume(0, 0.5);
  silent.SetSongMaxVolume(0, 0.5);
  silent.SetMusicVolume(0.5);
  silent.SetSongAmplify(0, 0.5);
  silent.Update();
  EXPECT_FALSE(silent.IsSongPlaying(0));
}

class music_player_Bass : public ::testing::Test {
 protected:
  void SetUp() override {
    StreamFake() = StreamFakeState();
    InstallFakeLibraries();
    mFolder = std::filesystem::temp_directory_path() / ("music_player_" + std::to_string(::getpid()));
    std::filesystem::create_directories(mFolder);
    for (const char* name : {"song.xm", "tune"}) std::ofstream(mFolder / name) << "module bytes";
  }
  void TearDown() override {
    mPlayer.reset();
    RestoreLibraries();
    std::filesystem::remove_all(mFolder);
  }

  BassMusicInterface& Make(StreamGeneration generation = StreamGeneration::Newer) {
    mPlayer.reset();  // the binding is shared: the old player's would stay
    StreamFake().generation = generation;
    mPlayer = std::make_unique<BassMusicInterface>(kWindow);
    TakeStreamCalls();
    return *mPlayer;
  }
  std::string File(const char* name) const { return (mFolder / name).string(); }

  // Loads a stream or module under `id` that the fake gives `handle`.
  void LoadStream(int id, uint32_t handle) {
    StreamFake().nextStream = handle;
    ASSERT_TRUE(mPlayer->LoadSong(id, "music.ogg"));
    TakeStreamCalls();
  }
  void LoadModule(int id, uint32_t handle) {
    StreamFake().nextModule = handle;
    ASSERT_TRUE(mPlayer->LoadSong(id, File("song.xm")));
    TakeStreamCalls();
  }

  // The volume sent by each of `n` updates (-1 when an update sent none),
  // and whether any of them stopped the channel.
  std::vector<int> Updates(int n, std::vector<int>* stoppedAt = nullptr) {
    std::vector<int> volumes;
    for (int i = 1; i <= n; ++i) {
      mPlayer->Update();
      int volume = -1;
      for (const std::string& call : TakeStreamCalls()) {
        int h, f, v, p;
        if (std::sscanf(call.c_str(), "ChannelSetAttributes(%d,%d,%d,%d)", &h, &f, &v, &p) == 4) volume = v;
        if (call.rfind("ChannelStop", 0) == 0 && stoppedAt) stoppedAt->push_back(i);
      }
      volumes.push_back(volume);
    }
    return volumes;
  }

  std::filesystem::path mFolder;
  std::unique_ptr<BassMusicInterface> mPlayer;
};

TEST_F(music_player_Bass, ConstructionAndDestructionOfBothGenerations) {
  StreamFake().generation = StreamGeneration::Newer;
  mPlayer = std::make_unique<BassMusicInterface>(kWindow);
  EXPECT_EQ(TakeStreamCalls(), (Calls{"Init(1,44100,0,0x1234,(nil))", "SetConfig(0,2000)", "Start()"}));
  mPlayer.reset();
  EXPECT_EQ(TakeStreamCalls(), (Calls{"Stop()", "Free()"}));

  StreamFake().generation = StreamGeneration::Older;
  mPlayer = std::make_unique<BassMusicInterface>(kWindow);
  EXPECT_EQ(TakeStreamCalls(), (Calls{"Init(-1,44100,0,0x1234)", "Start()"}));
  mPlayer.reset();
  EXPECT_EQ(TakeStreamCalls(), (Calls{"Stop()", "Free()"}));
}

TEST_F(music_player_Bass, LoadChoosesStreamOrModuleByExtension) {
  struct Case {
    std::string name;
    bool module;
  };
  const std::vector<Case> cases = {
      {"data/sound/MENU.OGG", false}, {"a.wav", false}, {"b.mp3", false}, {File("song.xm"), true}, {File("tune"), true},
  };
  for (StreamGeneration generation : {StreamGeneration::Newer, StreamGeneration::Older}) {
    Make(generation);
    StreamFake().nextStream = 7;
    StreamFake().nextModule = 9;
    int id = 0;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      EXPECT_TRUE(mPlayer->LoadSong(id++, c.name));
      std::string expected;
      if (!c.module)
        expected = "StreamCreateFile(0," + c.name + ",0,0,0)";
      else if (generation == StreamGeneration::Newer)
        expected = "MusicLoad(0," + c.name + ",0,0,0x204,0)";
      else
        expected = "MusicLoad(0," + c.name + ",0,0,0x4)";
      EXPECT_EQ(TakeStreamCalls(), Calls{expected});
    }
  }
}

TEST_F(music_player_Bass, FailedLoadsAddNothing) {
  Make();
  // A module that does not open is refused before the library is asked.
  EXPECT_FALSE(mPlayer->LoadSong(1, File("missing.xm")));
  EXPECT_TRUE(TakeStreamCalls().empty());
  // The library gives no handle.
  StreamFake().nextStream = 0;
  EXPECT_FALSE(mPlayer->LoadSong(1, "x.ogg"));
  StreamFake().nextModule = 0;
  EXPECT_FALSE(mPlayer->LoadSong(1, File("song.xm")));
  TakeStreamCalls();
  mPlayer->PlaySong(1, 0, false);
  EXPECT_FALSE(mPlayer->IsSongPlaying(1));
  EXPECT_TRUE(TakeStreamCalls().empty());
}

TEST_F(music_player_Bass, SecondLoadUnderUsedIdKeepsFirstAndFreesNewHandle) {
  Make();
  LoadStream(4, 11);
  StreamFake().nextStream = 12;
  EXPECT_TRUE(mPlayer->LoadSong(4, "other.ogg"));
  EXPECT_EQ(TakeStreamCalls(), (Calls{"StreamCreateFile(0,other.ogg,0,0,0)", "StreamFree(12)"}));
  StreamFake().nextModule = 13;
  EXPECT_TRUE(mPlayer->LoadSong(4, File("song.xm")));
  EXPECT_EQ(TakeStreamCalls().back(), "MusicFree(13)");
  mPlayer->PlaySong(4, 0, false);
  EXPECT_EQ(TakeStreamCalls().front(), "ChannelSetAttributes(11,-1,100,-101)");
}

TEST_F(music_player_Bass, StreamPlaySong) {
  Make();
  LoadStream(0, 5);
  struct Case {
    int offset;
    bool noLoop;
    Calls calls;
  };
  const std::vector<Case> cases = {
      {-1,
       false,
       {"ChannelSetAttributes(5,-1,100,-101)", "ChannelStop(5)", "ChannelSetFlags(5,0x4)", "ChannelPlay(5,0)"}},
      {0,
       false,
       {"ChannelSetAttributes(5,-1,100,-101)", "ChannelStop(5)", "ChannelSetFlags(5,0x4)", "ChannelPlay(5,1)"}},
      {44100,
       false,
       {"ChannelSetAttributes(5,-1,100,-101)", "ChannelStop(5)", "ChannelSetFlags(5,0x4)", "ChannelPlay(5,1)",
        "ChannelSetPosition(5,0xac44)"}},
      {0,
       true,
       {"ChannelSetAttributes(5,-1,100,-101)", "ChannelStop(5)", "ChannelSetFlags(5,0x0)", "ChannelPlay(5,1)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    mPlayer->PlaySong(0, c.offset, c.noLoop);
    EXPECT_EQ(TakeStreamCalls(), c.calls);
  }
  // No loop also sets the stop flag: a fade out below 0 then stops.
  mPlayer->PlaySong(0, 0, true);
  mPlayer->FadeOutAllSongs(true, 0.6);
  TakeStreamCalls();
  std::vector<int> stops;
  Updates(2, &stops);
  EXPECT_EQ(stops, std::vector<int>{2});
}

TEST_F(music_player_Bass, ModulePlayAndFadeIn) {
  for (StreamGeneration generation : {StreamGeneration::Newer, StreamGeneration::Older}) {
    Make(generation);
    LoadModule(2, 8);
    const bool newer = generation == StreamGeneration::Newer;
    mPlayer->PlaySong(2, 3, false);
    EXPECT_EQ(TakeStreamCalls(),
              (Calls{"ChannelSetAttributes(8,-1,100,-101)", "ChannelStop(8)", "ChannelStop(8)",
                     "ChannelSetPosition(8,0xffffffff80000003)",
                     newer ? "ChannelSetFlags(8,0x8204)" : "ChannelSetFlags(8,0x4)", "ChannelPlay(8,0)"}));
    // The fade keeps the current volume (1.0 after the play above).
    mPlayer->SetSongVolume(2, 0.3);
    TakeStreamCalls();
    mPlayer->FadeInSong(2, -1, 0.02, false);
    EXPECT_EQ(TakeStreamCalls(), (Calls{"ChannelStop(8)", "ChannelSetAttributes(8,-1,30,-101)", "ChannelPlay(8,1)"}));
    mPlayer->FadeInSong(2, 2, 0.02, false);
    EXPECT_EQ(TakeStreamCalls(),
              (Calls{"ChannelStop(8)", "ChannelSetAttributes(8,-1,30,-101)", "ChannelStop(8)",
                     "ChannelSetPosition(8,0xffffffff80000002)",
                     newer ? "ChannelSetFlags(8,0x204)" : "ChannelSetFlags(8,0x4)", "ChannelPlay(8,0)"}));
    mPlayer.reset();
  }
}

TEST_F(music_player_Bass, FadeInReachesMaximumAndStops) {
  Make();
  struct Case {
    double speed;
    int updates;
  };
  for (const Case& c : {Case{0.02, 50}, Case{0.005, 200}}) {
    SCOPED_TRACE(c.speed);
    LoadStream(0, 5);
    mPlayer->FadeInSong(0, 0, c.speed, false);
    TakeStreamCalls();
    std::vector<int> sent = Updates(c.updates + 1);
    EXPECT_LT(sent[c.updates - 2], 100);
    EXPECT_EQ(sent[c.updates - 1], 100);
    EXPECT_EQ(sent[c.updates], -1) << "the fade goes on stepping";
    mPlayer->UnloadSong(0);
    TakeStreamCalls();
  }
}

TEST_F(music_player_Bass, FadeOutStopsInTheUpdateThatFallsBelowZero) {
  Make();
  LoadStream(0, 5);
  mPlayer->PlaySong(0, 0, false);
  mPlayer->FadeOutSong(0, true, 0.1);
  TakeStreamCalls();
  std::vector<int> stops;
  std::vector<int> sent = Updates(12, &stops);
  // 1.0 - 10 x 0.1 leaves about 1.4e-16: 0 is sent but nothing stops yet.
  EXPECT_EQ(sent[9], 0);
  EXPECT_EQ(stops, std::vector<int>{11});
  EXPECT_EQ(sent[10], 0);
  EXPECT_EQ(sent[11], -1);
}

TEST_F(music_player_Bass, MaxVolumeDuringFadeInEndsTheFadeThere) {
  Make();
  LoadStream(0, 5);
  mPlayer->FadeInSong(0, 0, 0.02, false);
  Updates(5);
  mPlayer->SetSongMaxVolume(0, 0.5);
  EXPECT_EQ(TakeStreamCalls(), Calls{"ChannelSetAttributes(5,-1,50,-101)"});
  std::vector<int> sent = Updates(3);
  EXPECT_EQ(sent, (std::vector<int>{50, -1, -1}));
}

TEST_F(music_player_Bass, FadeOutAtVolumeZeroKeepsStepButSetsFlag) {
  Make();
  LoadStream(0, 5);
  // At volume 0 the fade out changes nothing that an update sees...
  mPlayer->FadeOutSong(0, true, 0.1);
  EXPECT_EQ(Updates(1), std::vector<int>{-1});
  // ...but its stop flag holds: a running fade out that falls below 0 stops.
  mPlayer->SetSongVolume(0, 0.1);
  mPlayer->FadeOutSong(0, false, 0.05);
  Updates(1);
  mPlayer->SetSongVolume(0, 0.0);
  mPlayer->FadeOutSong(0, true, 0.5);
  TakeStreamCalls();
  std::vector<int> stops;
  Updates(1, &stops);
  EXPECT_EQ(stops, std::vector<int>{1});
}

TEST_F(music_player_Bass, FadeOutAllSetsEverySongWhateverItsVolume) {
  Make();
  LoadStream(0, 5);
  LoadStream(1, 6);
  mPlayer->PlaySong(1, 0, false);
  mPlayer->FadeOutAllSongs(true, 0.1);
  TakeStreamCalls();
  mPlayer->Update();
  EXPECT_EQ(TakeStreamCalls(),
            (Calls{"ChannelStop(5)", "ChannelSetAttributes(5,-1,0,-101)", "ChannelSetAttributes(6,-1,90,-101)"}));
}

TEST_F(music_player_Bass, MusicVolumeByGeneration) {
  struct Case {
    StreamGeneration generation;
    Calls calls;
  };
  const std::vector<Case> cases = {
      {StreamGeneration::Newer, {"SetConfig(6,50)", "SetConfig(5,50)"}},
      {StreamGeneration::Older, {"SetGlobalVolumes(20,20,20)"}},
      {StreamGeneration::OlderMasterOnly, {}},
  };
  for (const Case& c : cases) {
    Make(c.generation);
    mPlayer->SetMusicVolume(0.5);
    EXPECT_EQ(TakeStreamCalls(), c.calls);
    mPlayer.reset();
  }
}

TEST_F(music_player_Bass, PauseAndResumeAllActOnActiveState) {
  Make();
  LoadStream(0, 5);
  LoadStream(1, 6);
  LoadStream(2, 7);
  StreamFake().active = {{5, 1}, {6, 3}, {7, 0}};
  mPlayer->PauseAllSongs();
  EXPECT_EQ(TakeStreamCalls(),
            (Calls{"ChannelIsActive(5)", "ChannelPause(5)", "ChannelIsActive(6)", "ChannelIsActive(7)"}));
  mPlayer->ResumeAllSongs();
  EXPECT_EQ(TakeStreamCalls(),
            (Calls{"ChannelIsActive(5)", "ChannelIsActive(6)", "ChannelPlay(6,0)", "ChannelIsActive(7)"}));
  EXPECT_TRUE(mPlayer->IsSongPlaying(0));
  EXPECT_FALSE(mPlayer->IsSongPlaying(1));
  EXPECT_FALSE(mPlayer->IsSongPlaying(9));
}

TEST_F(music_player_Bass, SingleSongCallsAndAmplify) {
  Make();
  LoadModule(3, 8);
  mPlayer->PauseSong(3);
  mPlayer->ResumeSong(3);
  mPlayer->StopSong(3);
  mPlayer->SetSongAmplify(3, 0.5);
  EXPECT_EQ(TakeStreamCalls(),
            (Calls{"ChannelPause(8)", "ChannelPlay(8,0)", "ChannelStop(8)", "MusicSetAttribute(8,0,50)"}));
}

TEST_F(music_player_Bass, UnloadStopsFreesAndForgets) {
  Make();
  LoadStream(0, 5);
  LoadModule(1, 8);
  mPlayer->UnloadSong(0);
  EXPECT_EQ(TakeStreamCalls(), (Calls{"ChannelStop(5)", "StreamFree(5)"}));
  mPlayer->UnloadSong(1);
  EXPECT_EQ(TakeStreamCalls(), (Calls{"ChannelStop(8)", "MusicFree(8)"}));
  mPlayer->PlaySong(0, 0, false);
  mPlayer->UnloadSong(1);
  EXPECT_TRUE(TakeStreamCalls().empty());

  LoadStream(0, 5);
  LoadModule(1, 8);
  mPlayer->UnloadAllSongs();
  EXPECT_EQ(TakeStreamCalls(), (Calls{"ChannelStop(5)", "ChannelStop(8)", "StreamFree(5)", "MusicFree(8)"}));
}

// ---- fatal library errors ------------------------------------------------------

void MakeBassPlayer(bool noLibrary, const std::set<std::string>& missing,
                    StreamGeneration generation = StreamGeneration::Newer) {
  StreamFake() = StreamFakeState();
  StreamFake().missing = missing;
  StreamFake().generation = generation;
  InstallFakeLibraries(noLibrary);
  BassMusicInterface player(nullptr);
}

TEST(music_player_Death, MissingLibraryOrEntryPointEndsWithFailure) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The error box must not wait for a click when a display is present.
  ::setenv("GAME_BACKEND", "headless", 1);
  // The text goes to stderr and to an error box captioned "Error" with the
  // error icon (the headless box logs its title and type).
  const char* kBox = ".*type=0x10 title=.Error.";
  EXPECT_EXIT(MakeBassPlayer(true, {}), ::testing::ExitedWithCode(1),
              std::string("Error: Can't find bass.dll.") + kBox);
  EXPECT_EXIT(MakeBassPlayer(false, {"BASS_ChannelPlay"}), ::testing::ExitedWithCode(1),
              std::string("Error: BASS_ChannelPlay function not found in bass.dll") + kBox);
  EXPECT_EXIT(MakeBassPlayer(false, {"BASS_SetVolume"}, StreamGeneration::OlderMasterOnly),
              ::testing::ExitedWithCode(1),
              std::string("Error: Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll") + kBox);
  RestoreLibraries();
}

// ---- the loading thread and the main thread share the song map -------------------

TEST_F(music_player_Bass, LoadWhileUpdatingAndFading) {
  Make();
  StreamFake().nextStream = 5;
  LoadStream(0, 5);
  std::atomic<bool> done{false};
  std::thread loader([&] {
    for (int i = 1; i < 200; ++i) mPlayer->LoadSong(i, "music.ogg");
    done = true;
  });
  int rounds = 0;
  while (!done || rounds < 10) {
    mPlayer->FadeInSong(0, 0, 0.02, false);
    mPlayer->FadeOutAllSongs(false, 0.01);
    mPlayer->Update();
    ++rounds;
  }
  loader.join();
  // Every id got its record: playing any of them reaches the library.
  TakeStreamCalls();
  mPlayer->PlaySong(199, 0, false);
  EXPECT_FALSE(TakeStreamCalls().empty());
}

}  // namespace
}  // namespace Kivo
