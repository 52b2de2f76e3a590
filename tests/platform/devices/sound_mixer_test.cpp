// The sound-buffer device and its mixer, through the headless output.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/sound_fixtures.h"
#include "platform/Clock.h"
#include "platform/devices/DSound.h"
#include "platform/Windows.h"
#include "platform/headless/AudioHeadless.h"
#include "platform/sdl2/AudioSDL.h"

using namespace Kivo;
using namespace soundtest;

namespace {

struct Device {
  Device() {
    auto o = std::make_unique<HeadlessAudioOutput>(false);
    output = o.get();
    device = DSoundDevice::CreateWithOutput(std::move(o));
  }
  ~Device() { device->Release(); }

  DSoundBuffer* Make(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& pcm) {
    WaveFormat f;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = f.blockAlign * rate;
    BufferDesc d;
    d.flags = kStaticSoundFlags;
    d.bufferBytes = static_cast<std::uint32_t>(pcm.size());
    d.format = &f;
    DSoundBuffer* b = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    void* p = nullptr;
    std::uint32_t n = 0;
    EXPECT_EQ(b->Lock(0, d.bufferBytes, &p, &n, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(n, d.bufferBytes);
    std::copy(pcm.begin(), pcm.end(), static_cast<std::uint8_t*>(p));
    EXPECT_EQ(b->Unlock(p, n, nullptr, 0), DS_OK);
    return b;
  }

  DSoundDevice* device;
  HeadlessAudioOutput* output;
};

bool Playing(DSoundBuffer* b) {
  std::uint32_t status = 0;
  b->GetStatus(&status);
  return (status & DSBSTATUS_PLAYING) != 0;
}

}  // namespace

TEST(soundMixer, NativeStereoVoiceAtFullVolumeIsBitExact) {
  Device d;
  std::vector<std::int16_t> s;
  for (int i = 0; i < 6000; ++i) s.push_back(static_cast<std::int16_t>((i * 7919) % 65536 - 32768));
  DSoundBuffer* b = d.Make(2, 44100, 16, Pcm16(s));
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  std::vector<std::int16_t> out = d.output->Render(1600);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), s.begin()));
  EXPECT_TRUE(Playing(b));
  out = d.output->Render(1600);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 1400 * 2, s.begin() + 3200));
  EXPECT_EQ(out[1400 * 2], 0);  // ended after its last frame
  EXPECT_FALSE(Playing(b));
  b->Release();
}

TEST(soundMixer, VolumeOfMinus605HalvesTheRms) {
  Device d;
  DSoundBuffer* full = d.Make(1, 44100, 16, Pcm16(Sine(44100, 44100, 1000, 16000)));
  DSoundBuffer* half = nullptr;
  ASSERT_EQ(d.device->DuplicateSoundBuffer(full, &half), DS_OK);
  full->Play(0, 0, 0);
  std::vector<std::int16_t> a = d.output->Render(8820);
  full->Stop();
  ASSERT_EQ(half->SetVolume(-605), DS_OK);
  half->Play(0, 0, 0);
  std::vector<std::int16_t> b = d.output->Render(8820);
  double ratio = Rms(b, 0, 0, 8820) / Rms(a, 0, 0, 8820);
  EXPECT_NEAR(ratio, 0.5, 0.01);
  EXPECT_NEAR(Rms(b, 1, 0, 8820) / Rms(a, 1, 0, 8820), 0.5, 0.01);
  half->Release();
  full->Release();
}

TEST(soundMixer, PanAttenuatesTheOtherSide) {
  struct Case {
    std::int32_t pan;
    double left, right;
  } cases[] = {{-10000, 1.0, 0.0}, {10000, 0.0, 1.0}, {-2000, 1.0, 0.1}, {600, std::pow(10.0, -0.3), 1.0}, {0, 1, 1}};
  for (const Case& c : cases) {
    Device d;
    DSoundBuffer* b = d.Make(1, 44100, 16, Pcm16(Sine(44100, 4410, 1000, 20000)));
    ASSERT_EQ(b->SetPan(c.pan), DS_OK);
    b->Play(0, 0, 0);
    std::vector<std::int16_t> out = d.output->Render(4410);
    double l = Rms(out, 0, 0, 4410), r = Rms(out, 1, 0, 4410);
    double full = 20000 / std::sqrt(2.0);
    EXPECT_NEAR(l / full, c.left, 0.01) << c.pan;
    EXPECT_NEAR(r / full, c.right, 0.01) << c.pan;
    if (c.right == 0.0) {
      EXPECT_EQ(r, 0.0);
    }
    b->Release();
  }
}

TEST(soundMixer, OutOfRangeControlsAreRefusedAndKeepTheOldValue) {
  Device d;
  DSoundBuffer* b = d.Make(1, 22050, 8, Bytes(100, 0x80));
  ASSERT_EQ(b->SetPan(-300), DS_OK);
  EXPECT_NE(b->SetPan(10001), DS_OK);
  EXPECT_NE(b->SetPan(-20000), DS_OK);
  std::int32_t pan = 0;
  b->GetPan(&pan);
  EXPECT_EQ(pan, -300);
  EXPECT_NE(b->SetVolume(1), DS_OK);
  EXPECT_NE(b->SetVolume(-10001), DS_OK);
  EXPECT_NE(b->SetFrequency(99), DS_OK);
  EXPECT_NE(b->SetFrequency(100001), DS_OK);
  std::uint32_t f = 0;
  b->GetFrequency(&f);
  EXPECT_EQ(f, 22050u);
  EXPECT_EQ(b->SetFrequency(100), DS_OK);
  EXPECT_EQ(b->SetFrequency(100000), DS_OK);
  b->Release();
}

TEST(soundMixer, EightBitMonoAt22050KeepsPitchAndLength) {
  Device d;
  // 441 Hz square-ish tone from a sine, 8-bit unsigned, half a second.
  std::vector<std::int16_t> s = Sine(22050, 11025, 441, 100);
  Bytes pcm;
  for (std::int16_t v : s) pcm.push_back(static_cast<std::uint8_t>(v + 128));
  DSoundBuffer* b = d.Make(1, 22050, 8, pcm);
  b->Play(0, 0, 0);
  std::vector<std::int16_t> out = d.output->Render(44100);
  std::size_t audible = AudibleFrames(out);
  EXPECT_NEAR(static_cast<double>(audible), 22050.0, 3.0);
  EXPECT_NEAR(Crossings(out, 0, 0, 22050), 220, 2);  // 441 Hz over 0.5 s
  EXPECT_NEAR(Crossings(out, 1, 0, 22050), 220, 2);
  b->Release();
}

TEST(soundMixer, DoubledFrequencyHalvesTheDuration) {
  Device d;
  DSoundBuffer* b = d.Make(1, 22050, 16, Pcm16(Sine(22050, 22050, 300, 10000)));
  ASSERT_EQ(b->SetFrequency(44100), DS_OK);
  b->Play(0, 0, 0);
  std::vector<std::int16_t> out = d.output->Render(44100);
  EXPECT_NEAR(static_cast<double>(AudibleFrames(out)), 22050.0, 3.0);
  EXPECT_NEAR(Crossings(out, 0, 0, 22050), 300, 2);  // all 300 cycles, now at 600 Hz, in half a second
  b->Release();
}

TEST(soundMixer, SumsSaturateInsteadOfWrapping) {
  Device d;
  DSoundBuffer* a = d.Make(1, 44100, 16, Pcm16(std::vector<std::int16_t>(100, 30000)));
  DSoundBuffer* b = d.Make(1, 44100, 16, Pcm16(std::vector<std::int16_t>(100, 30000)));
  DSoundBuffer* c = d.Make(1, 44100, 16, Pcm16(std::vector<std::int16_t>(100, -32768)));
  a->Play(0, 0, 0);
  b->Play(0, 0, 0);
  std::vector<std::int16_t> out = d.output->Render(50);
  EXPECT_EQ(out[0], 32767);
  a->Stop();
  b->Stop();
  c->Play(0, 0, 0);
  DSoundBuffer* c2 = nullptr;
  d.device->DuplicateSoundBuffer(c, &c2);
  c2->Play(0, 0, 0);
  out = d.output->Render(10);
  EXPECT_EQ(out[0], -32768);
  for (DSoundBuffer* x : {a, b, c, c2}) x->Release();
}

TEST(soundMixer, ShortcutAndReferencePathsAgree) {
  // Two identical devices, one mixed through each path, many voice shapes.
  Device fast, plain;
  std::vector<DSoundBuffer*> made;
  struct Shape {
    std::uint16_t channels, bits;
    std::uint32_t rate, frequency;
    std::int32_t volume, pan;
    bool loop;
  } shapes[] = {{2, 16, 44100, 44100, 0, 0, false},
                {1, 16, 44100, 44100, -300, 2500, true},
                {1, 8, 22050, 22050, -1000, -4000, false},
                {2, 8, 44100, 48000, 0, 0, true},
                {2, 16, 11025, 30000, -50, 100, false}};
  for (const Shape& s : shapes) {
    Bytes pcm;
    for (int i = 0; i < 5000 * s.channels * s.bits / 8; ++i) pcm.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    for (Device* d : {&fast, &plain}) {
      DSoundBuffer* b = d->Make(s.channels, s.rate, s.bits, pcm);
      b->SetFrequency(s.frequency);
      b->SetVolume(s.volume);
      b->SetPan(s.pan);
      b->Play(0, 0, s.loop ? DSBPLAY_LOOPING : 0);
      made.push_back(b);
    }
  }
  std::vector<std::int16_t> a(2 * 20000), b(2 * 20000);
  fast.device->Mixer().Mix(a.data(), 20000);
  plain.device->Mixer().MixReference(b.data(), 20000);
  EXPECT_EQ(a, b);
  for (DSoundBuffer* x : made) x->Release();
}

TEST(soundMixer, LoopingVoiceWrapsAndStopKeepsPosition) {
  Device d;
  DSoundBuffer* b = d.Make(1, 44100, 16, Pcm16({1, 2, 3, 4}));
  b->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<std::int16_t> out = d.output->Render(6);
  std::vector<std::int16_t> left;
  for (int i = 0; i < 6; ++i) left.push_back(out[2 * i]);
  EXPECT_EQ(left, (std::vector<std::int16_t>{1, 2, 3, 4, 1, 2}));
  b->Stop();
  std::uint32_t pos = 0;
  b->GetCurrentPosition(&pos, nullptr);
  EXPECT_EQ(pos, 4u);  // frame 2 of 16-bit mono
  b->Play(0, 0, 0);
  out = d.output->Render(3);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[2], 4);
  EXPECT_EQ(out[4], 0);
  b->Release();
}

TEST(soundMixer, DuplicateKeepsSamplesAfterTheOriginalIsReleased) {
  Device d;
  DSoundBuffer* b = d.Make(1, 44100, 16, Pcm16({500, 600, 700}));
  DSoundBuffer* dup = nullptr;
  ASSERT_EQ(d.device->DuplicateSoundBuffer(b, &dup), DS_OK);
  dup->Play(0, 0, 0);
  b->Release();  // the id unloads while its instance plays
  std::vector<std::int16_t> out = d.output->Render(4);
  EXPECT_EQ(out[0], 500);
  EXPECT_EQ(out[4], 700);
  EXPECT_EQ(out[6], 0);
  dup->Release();
}

TEST(soundMixer, BufferDescriptionsOutsideTheLimitsAreRefused) {
  Device d;
  struct Case {
    std::uint32_t flags;
    std::uint16_t tag, channels, bits;
    std::uint32_t rate, bytes;
    bool ok;
  } cases[] = {
      {kStaticSoundFlags, 1, 1, 16, 44100, 2, true},
      {kStaticSoundFlags, 1, 2, 8, 100, 1, true},
      {kStaticSoundFlags, 1, 2, 16, 100000, 4, true},
      {kStaticSoundFlags, 1, 3, 16, 44100, 6, false},
      {kStaticSoundFlags, 1, 0, 16, 44100, 2, false},
      {kStaticSoundFlags, 1, 1, 12, 44100, 2, false},
      {kStaticSoundFlags, 1, 1, 16, 99, 2, false},
      {kStaticSoundFlags, 1, 1, 16, 100001, 2, false},
      {kStaticSoundFlags, 3, 1, 16, 44100, 2, false},
      {kStaticSoundFlags, 1, 1, 16, 44100, 0, false},
      {kStaticSoundFlags, 1, 1, 16, 44100, (256u << 20) + 1, false},
      {0x80E8, 1, 1, 16, 44100, 2, false},
  };
  for (const Case& c : cases) {
    WaveFormat f;
    f.formatTag = c.tag;
    f.channels = c.channels;
    f.bitsPerSample = c.bits;
    f.samplesPerSec = c.rate;
    f.blockAlign = static_cast<std::uint16_t>(c.channels * c.bits / 8);
    BufferDesc desc;
    desc.flags = c.flags;
    desc.bufferBytes = c.bytes;
    desc.format = &f;
    DSoundBuffer* b = nullptr;
    DSResult r = d.device->CreateSoundBuffer(&desc, &b, nullptr);
    EXPECT_EQ(r == DS_OK, c.ok) << c.channels << " " << c.bits << " " << c.rate << " " << c.bytes;
    if (b) {
      std::uint32_t size = 0;
      EXPECT_EQ(b->GetFormat(nullptr, 0, &size), DS_OK);
      EXPECT_EQ(size, kWaveFormatRecordSize);
      WaveFormat got;
      EXPECT_EQ(b->GetFormat(&got, size, nullptr), DS_OK);
      EXPECT_EQ(got.channels, c.channels);
      EXPECT_EQ(got.samplesPerSec, c.rate);
      b->Release();
    }
  }
  BufferDesc primary;
  primary.flags = DSBCAPS_PRIMARYBUFFER;
  DSoundBuffer* p = nullptr;
  ASSERT_EQ(d.device->CreateSoundBuffer(&primary, &p, nullptr), DS_OK);
  WaveFormat out;
  EXPECT_EQ(p->SetFormat(&out), DS_OK);
  p->Release();
}

TEST(soundMixer, StreamingVoicePullsAtItsOwnRateAndPauses) {
  Device d;
  std::uint32_t served = 0;
  const std::uint32_t total = 11025;  // 0.5 s at 22,050 Hz
  DSoundStream* s = nullptr;
  ASSERT_EQ(d.device->CreateStream(
                22050, 1,
                [&](std::int16_t* out, std::uint32_t frames) {
                  std::uint32_t n = std::min(frames, total - served);
                  for (std::uint32_t i = 0; i < n; ++i) out[i] = 1000;
                  served += n;
                  return n;
                },
                &s),
            DS_OK);
  ASSERT_EQ(s->Play(), DS_OK);
  std::vector<std::int16_t> out = d.output->Render(4410);
  EXPECT_EQ(out[100], 1000);
  EXPECT_EQ(out[101], 1000);
  s->SetPaused(true);
  std::uint32_t before = served;
  out = d.output->Render(4410);
  EXPECT_EQ(out[100], 0);
  EXPECT_EQ(served, before);
  s->SetPaused(false);
  s->SetPan(10000);
  out = d.output->Render(44100);
  EXPECT_EQ(out[200], 0);
  EXPECT_EQ(out[201], 1000);
  // 0.5 s of source in total: 22,050 output frames, 4,410 of them before the pause.
  EXPECT_NEAR(static_cast<double>(AudibleFrames(out)), 22050.0 - 4410.0, 4.0);
  EXPECT_FALSE(s->IsPlaying());
  s->Destroy();
}

TEST(soundMixer, HeadlessOutputWritesAWavFileOfWhatItRendered) {
  ScratchFolder scratch;
  Device d;
  ASSERT_TRUE(d.output->OpenWav(scratch.Root() + "/out.wav"));
  DSoundBuffer* b = d.Make(1, 44100, 16, Pcm16({1234, -1234}));
  b->Play(0, 0, 0);
  d.output->Render(10, nullptr);
  ASSERT_TRUE(d.output->CloseWav());
  Bytes wav = ReadFile(scratch.Root() + "/out.wav");
  ASSERT_EQ(wav.size(), 44u + 40u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(wav[40], 40);  // data size
  EXPECT_EQ(wav[44] | (wav[45] << 8), 1234);
  EXPECT_EQ(static_cast<std::int16_t>(wav[48] | (wav[49] << 8)), -1234);
  b->Release();
}

TEST(soundMixer, ClockPacedOutputAdvancesWithTheTick) {
  std::uint32_t tick = 0xFFFFFF00u;  // across the wrap
  SetAudioTickSource([&tick]() { return tick; });
  auto o = std::make_unique<HeadlessAudioOutput>(true);
  HeadlessAudioOutput* output = o.get();
  DSoundDevice* device = DSoundDevice::CreateWithOutput(std::move(o));
  WaveFormat f;
  f.channels = 1;
  f.bitsPerSample = 16;
  f.blockAlign = 2;
  f.samplesPerSec = 44100;
  BufferDesc desc;
  desc.flags = kStaticSoundFlags;
  desc.bufferBytes = 44100 * 2;  // one second
  desc.format = &f;
  DSoundBuffer* b = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
  b->Play(0, 0, 0);
  EXPECT_TRUE(Playing(b));
  tick += 999;
  EXPECT_TRUE(Playing(b));
  tick += 2;
  EXPECT_FALSE(Playing(b));
  EXPECT_GE(output->FramesRendered(), 44100u);
  b->Release();
  device->Release();
  SetAudioTickSource(nullptr);
}

TEST(soundMixer, SystemVolumeIsProcessLocal) {
  SetSystemWaveVolume(1234);
  EXPECT_EQ(GetSystemWaveVolume(), 1234u);
  SetSystemWaveVolume(70000);
  EXPECT_EQ(GetSystemWaveVolume(), 65535u);
}

TEST(soundMixer, SdlOutputRunsUnderTheDummyDriver) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::unique_ptr<AudioOutput> output = CreateSdlAudioOutput();
  if (!output) GTEST_SKIP() << "SDL's dummy audio driver is not available";
  DSoundDevice* device = DSoundDevice::CreateWithOutput(std::move(output));
  WaveFormat f;
  f.channels = 1;
  f.bitsPerSample = 16;
  f.blockAlign = 2;
  f.samplesPerSec = 44100;
  BufferDesc desc;
  desc.flags = kStaticSoundFlags;
  desc.bufferBytes = 4410 * 2;  // 0.1 s
  desc.format = &f;
  DSoundBuffer* b = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
  b->Play(0, 0, 0);
  // The dummy driver pulls at real time: the sound ends by itself.
  auto start = std::chrono::steady_clock::now();
  while (Playing(b) && std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(Playing(b));
  b->Release();
  device->Release();
  unsetenv("SDL_AUDIODRIVER");
}

TEST(soundMixer, HeadlessRunMixesByTheFakeClock) {
  ASSERT_TRUE(Platform::StartBackend("headless"));
  Platform::UseFakeClock(0xFFFFFF00u);
  DSoundTestSeams() = DSoundSeams();
  SetAudioTickSource(nullptr);
  DSoundDevice* device = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
  ASSERT_STREQ(device->Output()->Name(), "headless");
  WaveFormat f;
  f.channels = 1;
  f.bitsPerSample = 8;
  f.blockAlign = 1;
  f.samplesPerSec = 22050;
  BufferDesc desc;
  desc.flags = kStaticSoundFlags;
  desc.bufferBytes = 11025;  // half a second
  desc.format = &f;
  DSoundBuffer* b = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
  b->Play(0, 0, 0);
  EXPECT_TRUE(Playing(b));
  Platform::AdvanceFakeClock(499);
  EXPECT_TRUE(Playing(b));
  Platform::AdvanceFakeClock(2);
  EXPECT_FALSE(Playing(b));
  b->Release();
  device->Release();
  Platform::UseRealClock();
}
