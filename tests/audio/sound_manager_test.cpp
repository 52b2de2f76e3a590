// Sound manager and sound instances on a headless device with an injected tick.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <thread>

#include "tests/support/sound_fixtures.h"
#include "audio/DSoundInstance.h"
#include "audio/DSoundManager.h"

using namespace Kivo;
using namespace soundtest;

namespace {

int gWindow;  // any non-null window

class soundManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 0.1 s of a 1 kHz tone at 44,100 Hz, 16-bit mono.
    WriteFile("beep.wav", Wav(1, 44100, 16, Pcm16(Sine(44100, 4410, 1000, 10000))));
    manager = std::make_unique<DSoundManager>(&gWindow, false);
    ASSERT_TRUE(manager->IsReady());
    ASSERT_NE(audio.output, nullptr);
  }
  DSoundInstance* Make(int id) { return static_cast<DSoundInstance*>(manager->CreateInstance(id)); }
  std::int32_t Volume(SoundInstance* i) {
    std::int32_t v = 1;
    static_cast<DSoundInstance*>(i)->OwnBuffer()->GetVolume(&v);
    return v;
  }
  std::uint32_t Frequency(SoundInstance* i) {
    std::uint32_t f = 0;
    static_cast<DSoundInstance*>(i)->OwnBuffer()->GetFrequency(&f);
    return f;
  }

  ScratchFolder scratch;
  HeadlessAudio audio;
  std::unique_ptr<DSoundManager> manager;
};

}  // namespace

TEST(soundManager, VolumeToAttenuationTable) {
  struct {
    double volume;
    std::int32_t attenuation;
  } cases[] = {{1.0, 0},        {0.85, -146},    {0.5, -605},   {0.1, -1682},   {0.05, -1956},
               {0.0431, -2000}, {0.043, -10000}, {0.0, -10000}, {-0.5, -10000}, {std::nan(""), -10000}};
  for (const auto& c : cases) EXPECT_EQ(DSoundManager::VolumeToAttenuation(c.volume), c.attenuation) << c.volume;
}

TEST_F(soundManagerTest, IdsOutsideTheRangeAreRefused) {
  for (int id : {256, -1, 1000, -256}) {
    EXPECT_FALSE(manager->LoadSoundIntoId(id, "beep")) << id;
    EXPECT_FALSE(manager->SetSoundBaseVolume(id, 0.5)) << id;
    EXPECT_FALSE(manager->SetSoundBasePan(id, 100)) << id;
    EXPECT_EQ(manager->CreateInstance(id), nullptr) << id;
    manager->UnloadSound(id);  // ignored, no crash
  }
}

TEST_F(soundManagerTest, EmptyIdGivesNoInstanceAndTheThirtyThirdIsRefused) {
  EXPECT_EQ(manager->CreateInstance(7), nullptr);
  ASSERT_TRUE(manager->LoadSoundIntoId(7, "beep"));
  std::vector<SoundInstance*> live;
  for (int i = 0; i < kMaxSoundInstances; ++i) {
    live.push_back(manager->CreateInstance(7));
    ASSERT_NE(live.back(), nullptr) << i;
  }
  EXPECT_EQ(manager->CreateInstance(7), nullptr);
  live[5]->Release();
  EXPECT_NE(manager->CreateInstance(7), nullptr);  // the released slot is reused
}

TEST(soundManager, SilentManagerLoadsNothingAndPlaysNothing) {
  ScratchFolder scratch;
  HeadlessAudio audio;
  WriteFile("beep.wav", Wav(1, 44100, 16, Pcm16({1, 2})));
  struct Case {
    const char* what;
    bool window;
    DSResult createError;
    bool hideLibrary;
  } cases[] = {{"no window", false, DS_OK, false},
               {"no device", true, DSERR_NODRIVER, false},
               {"no sound library", true, DS_OK, true}};
  for (const Case& c : cases) {
    DSoundTestSeams().createDevice = c.createError;
    if (c.hideLibrary)
      setenv("GAME_NO_DIRECTX", "1", 1);
    else
      unsetenv("GAME_NO_DIRECTX");
    DSoundManager silent(c.window ? &gWindow : nullptr, false);
    EXPECT_FALSE(silent.IsReady()) << c.what;
    EXPECT_EQ(silent.FindFreeSoundId(), 0) << c.what;
    EXPECT_TRUE(silent.LoadSoundIntoId(0, "beep")) << c.what;
    EXPECT_TRUE(silent.LoadSoundIntoId(0, "missing")) << c.what;
    EXPECT_EQ(silent.FindFreeSoundId(), 0) << c.what;
    EXPECT_EQ(silent.CountLoadedSounds(), 0) << c.what;
    SoundInstance* i = silent.CreateInstance(0);
    ASSERT_NE(i, nullptr) << c.what;
    EXPECT_FALSE(i->Play(false, true)) << c.what;
    EXPECT_FALSE(i->IsPlaying());
    // Without a buffer a played one-shot is released at the first question,
    // and Stop leaves its release-when-done flag alone.
    i->Stop();
    EXPECT_TRUE(i->IsReleased()) << c.what;
  }
  unsetenv("GAME_NO_DIRECTX");
}

TEST_F(soundManagerTest, FindOrLoadSoundLoadsOnceAndCountsIdsDownward) {
  WriteFile("two.wav", Wav(1, 44100, 16, Pcm16({5, 6})));
  EXPECT_EQ(manager->FindOrLoadSound("beep"), 255);
  EXPECT_EQ(manager->FindOrLoadSound("beep"), 255);
  EXPECT_EQ(manager->CountLoadedSounds(), 1);
  EXPECT_EQ(manager->FindOrLoadSound("two"), 254);
  EXPECT_EQ(manager->FindFreeSoundId(), 0);  // upward from 0
  // A failed name is remembered: found again, its id holding no sound.
  EXPECT_EQ(manager->FindOrLoadSound("missing"), -1);
  EXPECT_EQ(manager->FindOrLoadSound("missing"), 253);
  EXPECT_EQ(manager->CreateInstance(253), nullptr);
  EXPECT_EQ(manager->CountLoadedSounds(), 2);
  // Unloading everything keeps the names: the old ids come back empty.
  manager->UnloadAllSounds();
  EXPECT_EQ(manager->CountLoadedSounds(), 0);
  EXPECT_EQ(manager->FindOrLoadSound("beep"), 255);
  EXPECT_EQ(manager->CreateInstance(255), nullptr);
  // UnloadSound of an empty id keeps its name too.
  manager->UnloadSound(254);
  EXPECT_EQ(manager->FindOrLoadSound("two"), 254);
}

TEST_F(soundManagerTest, VolumesCombineBaseCallerAndMaster) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  SoundInstance* a = manager->CreateInstance(3);
  EXPECT_EQ(Volume(a), 0);
  a->SetVolume(0.5);
  EXPECT_EQ(Volume(a), -605);
  EXPECT_EQ(a->GetVolume(), 0.5);
  a->SetVolume(1.0);
  manager->SetMasterVolume(0.08);
  a->SetVolume(0.5);  // 0.04 effective: silent
  EXPECT_EQ(Volume(a), -10000);
  manager->SetMasterVolume(1.0);
  EXPECT_EQ(Volume(a), -605);
  manager->SetMasterVolume(0);
  EXPECT_EQ(Volume(a), -10000);  // at once, for every live instance
  manager->SetMasterVolume(1.0);
  // A base volume affects only instances made later.
  ASSERT_TRUE(manager->SetSoundBaseVolume(3, 0.5));
  EXPECT_EQ(Volume(a), -605);
  a->SetVolume(1.0);
  EXPECT_EQ(Volume(a), 0);
  SoundInstance* b = manager->CreateInstance(3);
  EXPECT_EQ(Volume(b), -605);
  EXPECT_EQ(b->GetVolume(), 1.0);
}

TEST_F(soundManagerTest, PansAddAndAnOutOfRangeSumKeepsThePreviousPan) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  ASSERT_TRUE(manager->SetSoundBasePan(3, 6000));
  SoundInstance* a = manager->CreateInstance(3);
  std::int32_t pan = 0;
  static_cast<DSoundInstance*>(a)->OwnBuffer()->GetPan(&pan);
  EXPECT_EQ(pan, 6000);
  a->SetPan(-1000);
  static_cast<DSoundInstance*>(a)->OwnBuffer()->GetPan(&pan);
  EXPECT_EQ(pan, 5000);
  a->SetPan(5000);  // 11000: refused
  static_cast<DSoundInstance*>(a)->OwnBuffer()->GetPan(&pan);
  EXPECT_EQ(pan, 5000);
  a->SetPan(INT32_MAX);  // the sum does not wrap into range
  static_cast<DSoundInstance*>(a)->OwnBuffer()->GetPan(&pan);
  EXPECT_EQ(pan, 5000);
}

TEST_F(soundManagerTest, ShiftPitchIsMeasuredFromTheNativeRate) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  SoundInstance* a = manager->CreateInstance(3);
  struct {
    double steps;
    std::uint32_t hz;
  } cases[] = {{12, 88200}, {-12, 22049}, {1, 46722}, {100, 100000}, {-200, 100}, {0, 44100}, {std::nan(""), 100}};
  for (const auto& c : cases) {
    a->ShiftPitch(c.steps);
    EXPECT_EQ(Frequency(a), c.hz) << c.steps;
  }
  a->ShiftPitch(1);
  a->ShiftPitch(1);
  EXPECT_EQ(Frequency(a), 46722u);
}

TEST_F(soundManagerTest, FinishedOneShotIsReleasedAndItsSlotReused) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  SoundInstance* first = manager->CreateInstance(3);
  EXPECT_FALSE(first->IsPlaying());  // before the first play
  ASSERT_TRUE(first->Play(false, true));
  EXPECT_TRUE(first->IsPlaying());
  EXPECT_FALSE(first->IsReleased());
  audio.output->Render(4410 + 1, nullptr);  // the whole sound
  EXPECT_FALSE(first->IsPlaying());
  EXPECT_TRUE(first->IsReleased());
  // Slot 0 is found released by the scan and reused.
  SoundInstance* second = manager->CreateInstance(3);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(second->Play(true, true));
  audio.output->Render(44100, nullptr);  // ten times its length
  EXPECT_TRUE(second->IsPlaying());
  EXPECT_FALSE(second->IsReleased());  // a looping one never releases itself
  second->Release();
  EXPECT_TRUE(second->IsReleased());
}

TEST_F(soundManagerTest, StopAllInstancesKeepsOneShotsFlaggedForRelease) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  SoundInstance* oneShot = manager->CreateInstance(3);
  SoundInstance* kept = manager->CreateInstance(3);
  oneShot->Play(false, true);
  kept->Play(true, false);
  manager->StopAllInstances();
  EXPECT_FALSE(oneShot->IsPlaying());
  EXPECT_FALSE(kept->IsPlaying());
  EXPECT_TRUE(oneShot->IsReleased());
  EXPECT_FALSE(kept->IsReleased());
  // A plain Stop clears the flag.
  kept->Play(false, true);
  kept->Stop();
  EXPECT_FALSE(kept->IsReleased());
}

TEST_F(soundManagerTest, SweepRunsOnlyAfterMoreThanASecondAlsoAcrossTheWrap) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  SoundMixer& mixer = manager->Device()->Mixer();
  audio.tick = 0xFFFFFF00u;                       // the next 1000 ms cross the wrap of the tick
  SoundInstance* a = manager->CreateInstance(3);  // sweeps: the reap time becomes the tick
  SoundInstance* b = manager->CreateInstance(3);
  SoundInstance* c = manager->CreateInstance(3);
  ASSERT_TRUE(a && b && c);
  b->Release();
  c->Release();
  // The slot scan stops at the first released slot (b's); c stays until a sweep.
  audio.tick += 1000;
  SoundInstance* d = manager->CreateInstance(3);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(mixer.VoiceCount(), 4u);  // the id's buffer, a, d and c
  d->Release();
  audio.tick += 1;  // 1001 ms since the last sweep, counted across the wrap
  ASSERT_NE(manager->CreateInstance(3), nullptr);
  EXPECT_EQ(mixer.VoiceCount(), 3u);  // the id's buffer, a and the new one
}

TEST_F(soundManagerTest, FailedDuplicateIsLoggedAndGivesNoInstance) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  DSoundTestSeams().duplicate = DSERR_OUTOFMEMORY;
  testing::internal::CaptureStderr();
  EXPECT_EQ(manager->CreateInstance(3), nullptr);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("DSERR_OUTOFMEMORY"), std::string::npos) << log;
  DSoundTestSeams().duplicate = DS_OK;
  EXPECT_NE(manager->CreateInstance(3), nullptr);  // the process goes on
}

TEST_F(soundManagerTest, UnloadingAnIdWhileItsInstancePlaysIsSafe) {
  ASSERT_TRUE(manager->LoadSoundIntoId(3, "beep"));
  SoundInstance* a = manager->CreateInstance(3);
  a->Play(false, false);
  manager->UnloadSound(3);
  EXPECT_EQ(manager->CountLoadedSounds(), 0);
  std::vector<std::int16_t> out = audio.output->Render(100);
  EXPECT_NE(out[2 * 10], 0);  // still sounding from the shared samples
}

TEST_F(soundManagerTest, CooperativeLevelFallsBackAndSystemVolumeStaysLocal) {
  DSoundTestSeams().cooperativePriority = DSERR_ALLOCATED;
  DSoundManager fallback(&gWindow, false);
  EXPECT_TRUE(fallback.IsReady());
  EXPECT_TRUE(fallback.LoadSoundIntoId(1, "beep"));
  fallback.SetSystemVolume(0.5);
  EXPECT_NEAR(fallback.GetSystemVolume(), 32767 / 65535.0, 1e-9);
  fallback.SetSystemVolume(-3);
  EXPECT_EQ(fallback.GetSystemVolume(), 0.0);
  fallback.SetSystemVolume(1.0);
}

TEST_F(soundManagerTest, LoadingThreadAndPlayingThreadShareTheIds) {
  for (int i = 0; i < 8; ++i)
    WriteFile("s" + std::to_string(i) + ".wav", Wav(1, 44100, 16, Pcm16(Sine(44100, 2000, 500, 5000))));
  std::thread loader([this] {
    for (int round = 0; round < 20; ++round)
      for (int i = 0; i < 8; ++i) manager->LoadSoundIntoId(i, "s" + std::to_string(i));
  });
  int made = 0;
  for (int round = 0; round < 400; ++round) {
    SoundInstance* inst = manager->CreateInstance(round % 8);
    if (inst) {
      ++made;
      inst->Play(false, true);
      audio.tick += 7;
    }
    audio.output->Render(64, nullptr);
  }
  loader.join();
  EXPECT_EQ(manager->CountLoadedSounds(), 8);
  EXPECT_GE(made, 0);
}
