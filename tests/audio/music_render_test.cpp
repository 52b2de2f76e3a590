// The default music player over the real library stand-in, rendered without
// a sound device: 441 frames (10 ms) after each update, as at 100 updates a
// second.
#include "audio/BassMusicInterface.h"
#include "audio/DSoundManager.h"
#include "audio/FmodMusicInterface.h"
#include "audio/MusicLibrary.h"
#include "music_fixtures.h"
#include "platform/devices/DSound.h"
#include "platform/devices/MusicChannel.h"
#include "platform/devices/SampleMusicLib.h"
#include "platform/devices/StreamMusicLib.h"
#include "platform/headless/AudioHeadless.h"
#include "resources/PakInterface.h"
#include "shell/base/Paths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace Kivo {
namespace {

namespace fs = std::filesystem;
using namespace MusicFixtures;

constexpr size_t kFramesPerUpdate = 441;

double Rms(const std::vector<int16_t>& samples) {
  if (samples.empty()) return 0;
  double sum = 0;
  for (int16_t s : samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / samples.size());
}

class music_render : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMusicLibraryOpener(nullptr);
    // A mixer rendered by hand: time passes only as the test renders.
    auto output = std::make_unique<HeadlessAudioOutput>(false);
    mOutput = output.get();
    mDevice = DSoundDevice::CreateWithOutput(std::move(output));
    MusicOutput::SetDevice(mDevice);
    mFolder = fs::temp_directory_path() / ("music_render_" + std::to_string(::getpid()));
    fs::create_directories(mFolder);
    mPlayer = std::make_unique<BassMusicInterface>(nullptr);
  }
  void TearDown() override {
    mPlayer.reset();
    MusicOutput::SetDevice(nullptr);
    mDevice->Release();
    fs::remove_all(mFolder);
  }

  std::vector<int16_t> Render(size_t frames = kFramesPerUpdate) {
    return mOutput->Render(static_cast<uint32_t>(frames));
  }
  std::vector<int16_t> UpdateAndRender() {
    mPlayer->Update();
    return Render();
  }
  std::string Write(const char* name, const std::vector<uint8_t>& bytes) {
    std::string path = (mFolder / name).string();
    EXPECT_TRUE(WriteBytes(path, bytes));
    return path;
  }
  // The Ogg fixture comes from the sound tests' generator, when built.
  std::string OggTone(const char* name, double seconds) {
#ifdef SOUNDGEN_PATH
    std::string path = (mFolder / name).string();
    std::string command = std::string(SOUNDGEN_PATH) + " ogg " + path + " 44100 2 " +
                          std::to_string(static_cast<long>(seconds * 44100)) + " 440";
    if (std::system(command.c_str()) == 0) return path;
#endif
    return std::string();
  }

  fs::path mFolder;
  HeadlessAudioOutput* mOutput = nullptr;
  DSoundDevice* mDevice = nullptr;
  std::unique_ptr<BassMusicInterface> mPlayer;
};

TEST_F(music_render, OggFadesInLoopsAndFadesOut) {
  std::string ogg = OggTone("menu.ogg", 2.0);
  if (ogg.empty()) GTEST_SKIP() << "the Ogg fixture generator is not built";
  ASSERT_TRUE(mPlayer->LoadSong(0, ogg));
  // The tone at full volume, for reference.
  mPlayer->PlaySong(0, 0, false);
  Render(4410);
  const double full = Rms(Render(4410));
  ASSERT_GT(full, 3000);
  mPlayer->StopSong(0);

  mPlayer->FadeInSong(0, 0, 0.02, false);
  std::vector<double> level;
  for (int update = 1; update <= 250; ++update) level.push_back(Rms(UpdateAndRender()));
  EXPECT_LT(level[0], 0.05 * full) << "the first 10 ms are near silence";
  for (int update = 50; update <= 60; ++update) EXPECT_NEAR(level[update - 1], full, 0.05 * full) << update;
  // 2.5 s of a 2 s song: it went on looping.
  for (int update = 201; update <= 250; ++update) EXPECT_GT(level[update - 1], 0.5 * full) << update;
  EXPECT_TRUE(mPlayer->IsSongPlaying(0));

  mPlayer->FadeOutSong(0, true, 0.1);
  for (int update = 1; update <= 15; ++update) {
    double rms = Rms(UpdateAndRender());
    if (update >= 11) {
      EXPECT_FALSE(mPlayer->IsSongPlaying(0)) << update;
      EXPECT_EQ(rms, 0) << update;
    } else {
      EXPECT_TRUE(mPlayer->IsSongPlaying(0)) << update;
    }
  }
}

TEST_F(music_render, StreamStopsAndContinuesWhereItStopped) {
  const std::vector<int16_t> ramp = RampFrames(44100);
  ASSERT_TRUE(mPlayer->LoadSong(0, Write("ramp.wav", Wav(ramp, 2, 44100))));
  mPlayer->PlaySong(0, 0, false);
  std::vector<int16_t> first = Render();
  EXPECT_EQ(first, std::vector<int16_t>(ramp.begin(), ramp.begin() + 2 * 441));
  mPlayer->StopSong(0);
  EXPECT_EQ(Rms(Render()), 0);
  mPlayer->PlaySong(0, -1, false);
  std::vector<int16_t> next = Render();
  EXPECT_EQ(next, std::vector<int16_t>(ramp.begin() + 2 * 441, ramp.begin() + 4 * 441));
  // An offset is a byte position in the 16-bit stereo PCM: 4 bytes a frame.
  mPlayer->PlaySong(0, 44100, false);
  std::vector<int16_t> jumped = Render(10);
  EXPECT_EQ(jumped, std::vector<int16_t>(ramp.begin() + 2 * 11025, ramp.begin() + 2 * 11035));
}

TEST_F(music_render, OnePassStreamEndsAndLoopingStreamWraps) {
  const std::vector<int16_t> ramp = RampFrames(1000);
  ASSERT_TRUE(mPlayer->LoadSong(0, Write("short.wav", Wav(ramp, 2, 44100))));
  mPlayer->PlaySong(0, 0, true);
  Render(1500);
  EXPECT_FALSE(mPlayer->IsSongPlaying(0));
  mPlayer->PlaySong(0, 0, false);
  std::vector<int16_t> looped = Render(1500);
  EXPECT_TRUE(mPlayer->IsSongPlaying(0));
  EXPECT_EQ(looped[2 * 1000], 0);
  EXPECT_EQ(looped[2 * 1001], 1);
  EXPECT_EQ(looped[2 * 1499], 499);
}

TEST_F(music_render, ClockPacedOutputEndsOnePassSongsAsTimePasses) {
  // A headless run: the mixer renders what the clock says is due.
  uint32_t now = 1000;
  SetAudioTickSource([&now] { return now; });
  auto output = std::make_unique<HeadlessAudioOutput>(true);
  DSoundDevice* paced = DSoundDevice::CreateWithOutput(std::move(output));
  MusicOutput::SetDevice(paced);
  ASSERT_TRUE(mPlayer->LoadSong(0, Write("tenth.wav", Wav(RampFrames(4410), 2, 44100))));
  mPlayer->PlaySong(0, 0, true);
  EXPECT_TRUE(mPlayer->IsSongPlaying(0));
  now += 50;
  EXPECT_TRUE(mPlayer->IsSongPlaying(0));
  now += 100;
  EXPECT_FALSE(mPlayer->IsSongPlaying(0)) << "100 ms of song after 150 ms";
  mPlayer->UnloadAllSongs();
  MusicOutput::SetDevice(mDevice);
  paced->Release();
  SetAudioTickSource(nullptr);
}

TEST_F(music_render, MpegStreamIsNotSilent) {
  ASSERT_TRUE(mPlayer->LoadSong(0, Write("tone.mp3", LayerOneTone(60))));
  mPlayer->PlaySong(0, 0, false);
  Render(4410);
  EXPECT_GT(Rms(Render(4410)), 500);
}

TEST_F(music_render, ModuleStartsAtTheAskedOrder) {
  const std::string mod = Write("tune.mod", TwoPatternModule());
  ASSERT_TRUE(mPlayer->LoadSong(2, mod));
  mPlayer->PlaySong(2, 0, false);
  EXPECT_EQ(Rms(Render(22050)), 0) << "order 0 holds the silent pattern";
  mPlayer->PlaySong(2, 1, false);
  EXPECT_GT(Rms(Render(kFramesPerUpdate)), 500) << "order 1 begins with its note";
  EXPECT_TRUE(mPlayer->IsSongPlaying(2));
}

TEST_F(music_render, VolumesScaleTheOutput) {
  const std::vector<int16_t> ramp = RampFrames(44100);
  ASSERT_TRUE(mPlayer->LoadSong(0, Write("ramp.wav", Wav(ramp, 2, 44100))));
  mPlayer->PlaySong(0, 0, false);
  mPlayer->SetSongVolume(0, 0.5);
  std::vector<int16_t> half = Render(1000);
  EXPECT_EQ(half[2 * 900], 450);
  mPlayer->SetMusicVolume(0.5);
  std::vector<int16_t> quarter = Render(1000);
  EXPECT_EQ(quarter[2 * 900], (1900 / 4));
  mPlayer->SetMusicVolume(0.0);
  Render(4);  // the mixer reads a couple of frames ahead
  EXPECT_EQ(Rms(Render(100)), 0);
}

TEST_F(music_render, SongsPlayFromArchiveEntries) {
  ASSERT_NE(gPakInterface, nullptr);
  const std::vector<int16_t> ramp = RampFrames(2000);
  ASSERT_TRUE(gPakInterface->AddMemoryFile("packed/music/ramp.wav", Wav(ramp, 2, 44100)));
  ASSERT_TRUE(gPakInterface->AddMemoryFile("packed/music/tune.mod", TwoPatternModule()));
  ASSERT_TRUE(mPlayer->LoadSong(0, "packed\\Music\\RAMP.wav"));
  ASSERT_TRUE(mPlayer->LoadSong(1, "packed/music/tune.mod"));
  mPlayer->PlaySong(0, 0, false);
  EXPECT_EQ(Render(100), std::vector<int16_t>(ramp.begin(), ramp.begin() + 200));
  mPlayer->StopSong(0);
  mPlayer->PlaySong(1, 1, false);
  Render(4);
  EXPECT_GT(Rms(Render(kFramesPerUpdate)), 500);
}

TEST_F(music_render, LoadingThreadAddsSongsWhileTheMainThreadPlays) {
  const std::string wav = Write("ramp.wav", Wav(RampFrames(4410), 2, 44100));
  ASSERT_TRUE(mPlayer->LoadSong(0, wav));
  mPlayer->FadeInSong(0, 0, 0.02, false);
  std::atomic<int> loaded{0};
  std::thread loader([&] {
    for (int id = 1; id <= 20; ++id)
      if (mPlayer->LoadSong(id, wav)) ++loaded;
  });
  for (int update = 0; update < 200; ++update) {
    mPlayer->Update();
    if (update % 10 == 0) mPlayer->FadeInSong(update / 10 % 5, 0, 0.02, false);
    Render();
  }
  loader.join();
  EXPECT_EQ(loaded.load(), 20);
  EXPECT_TRUE(mPlayer->IsSongPlaying(0));
}

TEST_F(music_render, BrokenFilesDoNotLoad) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"empty.ogg", {}},
      {"garbage.ogg", {'O', 'g', 'g', 'S', 1, 2, 3, 4, 5}},
      {"noformat.wav", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}},
      {"huge.wav", Wav({1, 2}, 7, 44100)},
      {"text.mp3", std::vector<uint8_t>(5000, 'x')},
      {"text.xm", std::vector<uint8_t>(100, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(mPlayer->LoadSong(7, Write(c.name, c.bytes)));
    EXPECT_FALSE(StreamMusicLib::LastError().empty());
  }
  EXPECT_FALSE(mPlayer->LoadSong(7, (mFolder / "absent.ogg").string()));
}

TEST_F(music_render, ToolRendersTheOggFixtureAndReportsLevels) {
#ifndef MUSICRENDER_PATH
  GTEST_SKIP() << "musicrender is not built";
#else
  std::string ogg = OggTone("tool.ogg", 2.0);
  if (ogg.empty()) GTEST_SKIP() << "the Ogg fixture generator is not built";
  const std::string wav = (mFolder / "out.wav").string();
  const std::string report = (mFolder / "report.txt").string();
  std::string command =
      std::string(MUSICRENDER_PATH) + " " + ogg + " " + wav + " --fade-in 0.02 --seconds 3 > " + report;
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(report);
  std::vector<double> levels;
  std::string line;
  while (std::getline(in, line)) {
    int second = 0;
    double rms = 0;
    if (std::sscanf(line.c_str(), "second %d: rms %lf", &second, &rms) == 2) levels.push_back(rms);
  }
  ASSERT_EQ(levels.size(), 3u);
  EXPECT_LT(levels[0], levels[1]) << "the first second holds the fade in";
  EXPECT_GT(levels[2], 3000) << "the looping tone goes on past its 2 s";
  EXPECT_NEAR(levels[1], levels[2], 0.05 * levels[2]);
  EXPECT_EQ(fs::file_size(wav), 44u + 300 * 441 * 4);
  std::string bad =
      std::string(MUSICRENDER_PATH) + " " + (mFolder / "absent.ogg").string() + " " + wav + " 2>/dev/null";
  EXPECT_NE(std::system(bad.c_str()), 0);
#endif
}

TEST(music_render_Shared, MusicPlaysOnTheSoundManagersDevice) {
  // Only the first device made gets the output the test renders.
  HeadlessAudioOutput* output = nullptr;
  MusicOutput::SetDevice(nullptr);
  DSoundTestSeams() = DSoundSeams();
  DSoundTestSeams().outputFactory = [&output]() {
    auto o = std::make_unique<HeadlessAudioOutput>(false);
    if (!output) output = o.get();
    return std::unique_ptr<AudioOutput>(std::move(o));
  };
  SetMusicLibraryOpener(nullptr);
  static int window;
  {
    DSoundManager sounds(&window, false);
    ASSERT_NE(output, nullptr);
    BassMusicInterface player(nullptr);
    const fs::path wav = fs::temp_directory_path() / ("music_shared_" + std::to_string(::getpid()) + ".wav");
    const std::vector<int16_t> ramp = RampFrames(1000);
    ASSERT_TRUE(WriteBytes(wav.string(), Wav(ramp, 2, 44100)));
    ASSERT_TRUE(player.LoadSong(0, wav.string()));
    fs::remove(wav);
    player.PlaySong(0, 0, false);
    EXPECT_EQ(output->Render(100), std::vector<int16_t>(ramp.begin(), ramp.begin() + 200))
        << "one device carries the sounds and the music";
  }
  MusicOutput::SetDevice(nullptr);
  DSoundTestSeams() = DSoundSeams();
}

// The second player over its real library: modules and cached sample songs.
class music_render_FMod : public music_render {
 protected:
  void SetUp() override {
    music_render::SetUp();
    mPlayer.reset();
    mSavedFolder = gUserDataFolder;
    SetUserDataFolder((mFolder / "user").string());
    mFmod = std::make_unique<FModMusicInterface>(nullptr);
  }
  void TearDown() override {
    mFmod.reset();
    // The sound manager closes the shared library in a real run.
    SampleMusicLib::Close();
    gUserDataFolder = mSavedFolder;
    music_render::TearDown();
  }
  std::string mSavedFolder;
  std::unique_ptr<FModMusicInterface> mFmod;
};

TEST_F(music_render_FMod, ModulesPlayFromTheirOrder) {
  const std::string mod = Write("tune.mod", TwoPatternModule());
  ASSERT_TRUE(mFmod->LoadSong(1, mod));
  mFmod->PlaySong(1, 0, false);
  EXPECT_EQ(Rms(Render(22050)), 0);
  mFmod->PlaySong(1, 1, false);
  Render(4);
  EXPECT_GT(Rms(Render(kFramesPerUpdate)), 500);
  EXPECT_TRUE(mFmod->IsSongPlaying(1));
  mFmod->StopSong(1);
  EXPECT_FALSE(mFmod->IsSongPlaying(1));
}

TEST_F(music_render_FMod, SampleSongsDecodeOnceIntoTheCacheAndPlayOnTheirChannel) {
  std::string ogg = OggTone("theme.ogg", 0.5);
  if (ogg.empty()) GTEST_SKIP() << "the Ogg fixture generator is not built";
  EXPECT_FALSE(mFmod->LoadSong(2, ogg)) << "an Ogg file is no module";
  const std::string base = (mFolder / "theme").string();
  ASSERT_TRUE(mFmod->LoadSampleSong(3, base, true));
  const fs::path cache = mFolder / "user" / "cached" / "theme.wav";
  ASSERT_TRUE(fs::exists(cache));
  EXPECT_EQ(fs::file_size(cache), 44u + 22050u * 4);
  mFmod->PlaySong(3, 0, false);
  Render(4);
  EXPECT_GT(Rms(Render(4410)), 3000);
  EXPECT_TRUE(mFmod->IsSongPlaying(3));
  // The loop flag keeps it going past its half second.
  Render(44100);
  EXPECT_TRUE(mFmod->IsSongPlaying(3));
  mFmod->StopSong(3);
  EXPECT_FALSE(mFmod->IsSongPlaying(3));
  // The cache is used even when the source is gone.
  fs::remove(ogg);
  ASSERT_TRUE(mFmod->LoadSampleSong(4, base, false));
  mFmod->PlaySong(4, 0, false);
  Render(4);
  EXPECT_GT(Rms(Render(4410)), 3000);
}

}  // namespace
}  // namespace Kivo
