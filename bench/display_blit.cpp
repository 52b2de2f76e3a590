// Surface blits of 32 x 32 partial-alpha sprites into a 640 x 480 screen
// surface, normal and additive, on 5-6-5 and 8-8-8, beside SDL_BlitSurface
// doing the same (blend and add modes). Prints the ratio ours / SDL per case.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "bench/BenchReporters.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display/DDInterface.h"
#include "image/surface/DDImage.h"
#include "platform/devices/DDraw.h"

namespace {

constexpr int kSprite = 32;

std::vector<uint32_t> SpritePixels() {
  std::vector<uint32_t> p(kSprite * kSprite);
  for (int y = 0; y < kSprite; ++y)
    for (int x = 0; x < kSprite; ++x) {
      const int dx = x - 16, dy = y - 16;
      const int r2 = dx * dx + dy * dy;
      const uint32_t a = r2 > 256 ? 0 : (r2 < 100 ? 255 : static_cast<uint32_t>(255 - (r2 - 100)));
      p[static_cast<size_t>(y * kSprite + x)] = a << 24 | static_cast<uint32_t>(x * 8) << 16 | 0x8000u | static_cast<uint32_t>(y * 8);
    }
  return p;
}

// One display of a format with its screen image and a sprite.
struct OurSide {
  Kivo::DisplayApp app;
  std::unique_ptr<Kivo::DDInterface> display;
  std::unique_ptr<Kivo::DDImage> sprite;

  explicit OurSide(DDrawStandIn::Format format) {
    DDrawStandIn::Machine machine;
    machine.desktopFormat = format;
    DDrawStandIn::Reset(machine);
    Kivo::InstallDDImageFactory();
    display.reset(new Kivo::DDInterface(&app));
    if (display->Init(nullptr, true) != 0) std::fprintf(stderr, "display: %s\n", display->lastError.c_str());
    sprite.reset(new Kivo::DDImage(display.get()));
    const std::vector<uint32_t> pixels = SpritePixels();
    sprite->SetBits(pixels.data(), kSprite, kSprite, true);
  }
};

void Ours(benchmark::State& state, DDrawStandIn::Format format, int mode) {
  OurSide side(format);
  Kivo::DDImage* screen = side.display->GetScreenImage();
  screen->LockSurface();
  int i = 0;
  for (auto _ : state) {
    screen->DrawImage(side.sprite.get(), (i * 37) % 600, (i * 23) % 440, Kivo::Rect(0, 0, kSprite, kSprite),
                      Kivo::Color::White, mode);
    ++i;
  }
  screen->UnlockSurface();
  state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
}

void Sdl(benchmark::State& state, uint32_t targetFormat, SDL_BlendMode blend) {
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, SDL_BITSPERPIXEL(targetFormat), targetFormat);
  const std::vector<uint32_t> pixels = SpritePixels();
  SDL_Surface* sprite = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels.data()), kSprite, kSprite,
                                                           32, kSprite * 4, SDL_PIXELFORMAT_ARGB8888);
  SDL_SetSurfaceBlendMode(sprite, blend);
  int i = 0;
  for (auto _ : state) {
    SDL_Rect to{(i * 37) % 600, (i * 23) % 440, kSprite, kSprite};
    SDL_BlitSurface(sprite, nullptr, target, &to);
    ++i;
  }
  state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
  SDL_FreeSurface(sprite);
  SDL_FreeSurface(target);
}

void BM_Ours_Normal_565(benchmark::State& s) { Ours(s, DDrawStandIn::Format::kRGB565, 0); }
void BM_Sdl_Normal_565(benchmark::State& s) { Sdl(s, SDL_PIXELFORMAT_RGB565, SDL_BLENDMODE_BLEND); }
void BM_Ours_Additive_565(benchmark::State& s) { Ours(s, DDrawStandIn::Format::kRGB565, 1); }
void BM_Sdl_Additive_565(benchmark::State& s) { Sdl(s, SDL_PIXELFORMAT_RGB565, SDL_BLENDMODE_ADD); }
void BM_Ours_Normal_888(benchmark::State& s) { Ours(s, DDrawStandIn::Format::kRGB888, 0); }
void BM_Sdl_Normal_888(benchmark::State& s) { Sdl(s, SDL_PIXELFORMAT_RGB888, SDL_BLENDMODE_BLEND); }
void BM_Ours_Additive_888(benchmark::State& s) { Ours(s, DDrawStandIn::Format::kRGB888, 1); }
void BM_Sdl_Additive_888(benchmark::State& s) { Sdl(s, SDL_PIXELFORMAT_RGB888, SDL_BLENDMODE_ADD); }

BENCHMARK(BM_Ours_Normal_565);
BENCHMARK(BM_Sdl_Normal_565);
BENCHMARK(BM_Ours_Additive_565);
BENCHMARK(BM_Sdl_Additive_565);
BENCHMARK(BM_Ours_Normal_888);
BENCHMARK(BM_Sdl_Normal_888);
BENCHMARK(BM_Ours_Additive_888);
BENCHMARK(BM_Sdl_Additive_888);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* name : {"Normal_565", "Additive_565", "Normal_888", "Additive_888"}) {
    const double ours = reporter.Time(std::string("BM_Ours_") + name);
    const double theirs = reporter.Time(std::string("BM_Sdl_") + name);
    if (ours > 0 && theirs > 0) std::printf("ratio surface blit / SDL_BlitSurface, %s: %.2f\n", name, ours / theirs);
  }
  benchmark::Shutdown();
  return 0;
}
