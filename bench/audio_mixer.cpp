// The sound mixer against SDL2's SDL_MixAudioFormat: one second of 44,100 Hz
// 16-bit stereo output from 32 voices. Ours mixes the voices as they are
// stored (16 of them 16-bit stereo at 44,100 Hz, 16 of them 8-bit mono at
// 22,050 Hz, so half need rate conversion), each with its own volume and pan;
// SDL mixes 32 buffers already converted to S16 stereo at the output rate,
// with a volume each. Prints the time per second of audio and the ratio.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "bench/BenchReporters.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/devices/DSound.h"
#include "platform/headless/AudioHeadless.h"

namespace {

constexpr int kVoices = 32;
constexpr std::uint32_t kFrames = 44100;

struct Voices {
  Voices() {
    device = Kivo::DSoundDevice::CreateWithOutput(std::make_unique<Kivo::HeadlessAudioOutput>(false));
    for (int v = 0; v < kVoices; ++v) {
      const bool wide = v % 2 == 0;
      Kivo::WaveFormat f;
      f.channels = wide ? 2 : 1;
      f.bitsPerSample = wide ? 16 : 8;
      f.samplesPerSec = wide ? 44100 : 22050;
      f.blockAlign = static_cast<std::uint16_t>(f.channels * f.bitsPerSample / 8);
      f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
      const std::uint32_t frames = f.samplesPerSec;  // one second each
      Kivo::BufferDesc d;
      d.flags = Kivo::kStaticSoundFlags;
      d.bufferBytes = frames * f.blockAlign;
      d.format = &f;
      Kivo::DSoundBuffer* b = nullptr;
      device->CreateSoundBuffer(&d, &b, nullptr);
      void* p = nullptr;
      std::uint32_t n = 0;
      b->Lock(0, d.bufferBytes, &p, &n, nullptr, nullptr, 0);
      auto* bytes = static_cast<std::uint8_t*>(p);
      for (std::uint32_t i = 0; i < frames; ++i) {
        double s = std::sin(2 * M_PI * (200 + 37 * v) * i / f.samplesPerSec) * 0.3;
        if (wide) {
          auto x = static_cast<std::int16_t>(s * 32767);
          for (int c = 0; c < 2; ++c) {
            bytes[4 * i + 2 * c] = static_cast<std::uint8_t>(x);
            bytes[4 * i + 2 * c + 1] = static_cast<std::uint8_t>(x >> 8);
          }
        } else {
          bytes[i] = static_cast<std::uint8_t>(128 + static_cast<int>(s * 127));
        }
      }
      b->Unlock(p, n, nullptr, 0);
      b->SetVolume(-100 * (v % 10));
      b->SetPan(-3000 + 200 * v);
      b->Play(0, 0, Kivo::DSBPLAY_LOOPING);
      buffers.push_back(b);
    }
  }
  ~Voices() {
    for (auto* b : buffers) b->Release();
    device->Release();
  }
  Kivo::DSoundDevice* device;
  std::vector<Kivo::DSoundBuffer*> buffers;
};

void BM_KivoMixer(benchmark::State& state) {
  Voices voices;
  std::vector<std::int16_t> out(kFrames * 2);
  for (auto _ : state) {
    voices.device->Mixer().Mix(out.data(), kFrames);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_KivoMixer)->Unit(benchmark::kMillisecond);

void BM_SdlMixAudioFormat(benchmark::State& state) {
  std::vector<std::vector<std::int16_t>> sources(kVoices, std::vector<std::int16_t>(kFrames * 2));
  for (int v = 0; v < kVoices; ++v)
    for (std::uint32_t i = 0; i < kFrames; ++i)
      sources[v][2 * i] = sources[v][2 * i + 1] =
          static_cast<std::int16_t>(std::sin(2 * M_PI * (200 + 37 * v) * i / 44100.0) * 0.3 * 32767);
  std::vector<std::int16_t> out(kFrames * 2);
  const Uint32 bytes = kFrames * 4;
  for (auto _ : state) {
    SDL_memset(out.data(), 0, bytes);
    for (int v = 0; v < kVoices; ++v)
      SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()), reinterpret_cast<const Uint8*>(sources[v].data()),
                         AUDIO_S16SYS, bytes, SDL_MIX_MAXVOLUME - 4 * (v % 10));
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SdlMixAudioFormat)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.Time("BM_KivoMixer");
  const double theirs = reporter.Time("BM_SdlMixAudioFormat");
  if (ours > 0) std::printf("mixer: %.2f ms per second of 32-voice audio (target under 20)\n", ours);
  if (ours > 0 && theirs > 0) std::printf("ratio mixer / SDL_MixAudioFormat: %.2f\n", ours / theirs);
  benchmark::Shutdown();
  return 0;
}
