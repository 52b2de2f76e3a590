// The particle system on the software Direct3D device against SDL2's
// software renderer drawing the same quads, in the same run.
//
// A system of 4000 particles and 300 emitter slots is kept full by a seeded
// effect (one record started in every slot) whose 32 x 32 soft-alpha image
// is drawn normal, additive, or additive rotated and scaled. Per look:
//   <look>/frame   Update plus Draw through Graphics in 3D on the device's
//                  800 x 600 frame, up to the end of the scene
//   <look>/update  Update alone
//   <look>/draw    Draw alone (the particles stand still)
//   <look>/sdl     the same quads (position, size, angle, colour of each
//                  live particle) through SDL_RenderGeometry on an ARGB8888
//                  software renderer, blend mode BLEND or ADD
// Prints particles per second of each and the ratio of the draw to SDL
// (SDL time / our time, higher is better), then the table of ratios, each
// look's draw gated at 1.5x SDL's; exits 1 when one misses. Run on one
// core with five repetitions of at least 0.5 s, e.g.
//   taskset -c 0 bench_particles --benchmark_min_time=0.5
//     --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchReporters.h"
#include "bench/SoftwareScreen.h"
#include "display/D3DInterface.h"
#include "display/DDInterface.h"
#include "engine/ParticleEffect.h"
#include "image/MemoryImage.h"
#include "image/surface/DDImage.h"
#include "platform/devices/DDraw.h"
#include "ui/Graphics.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr int kParticles = 4000;
constexpr int kSlots = 300;
constexpr int kImageSize = 32;

enum Look { kNormal = 0, kAdditive = 1, kTransformed = 2 };
const char* const kLookNames[] = {"normal", "additive", "rotscale"};

std::vector<uint32_t> SoftTexels() {
  std::vector<uint32_t> px(kImageSize * kImageSize);
  const float c = (kImageSize - 1) / 2.0f;
  for (int y = 0; y < kImageSize; ++y) {
    for (int x = 0; x < kImageSize; ++x) {
      const float r = std::sqrt((x - c) * (x - c) + (y - c) * (y - c)) / (kImageSize / 2.0f);
      const float fall = r >= 1.0f ? 0.0f : (1.0f - r) * (1.0f - r);
      px[static_cast<size_t>(y * kImageSize + x)] = static_cast<uint32_t>(255.0f * fall) << 24 | 0xFFE0B0u;
    }
  }
  return px;
}

class OneImage : public Kivo::EffectImageSource {
 public:
  explicit OneImage(Kivo::Image* image) : mImage(image) {}
  Kivo::Image* Get(const std::string&) override { return mImage; }
  void Release(const std::string&) override {}

 private:
  Kivo::Image* mImage;
};

// One record, as its file would hold it.
std::string EffectBytes(Look look) {
  Kivo::EmitterRecord record;
  std::memset(&record, 0, sizeof record);
  record.SetDefaults();
  record.mParticle.mFlags = 1u | (look != kNormal ? 8u : 0u) | (look == kTransformed ? 2u | 4u : 0u);
  record.mParticle.mLife = 1.2f;
  record.mParticle.mDrag = 0.99f;
  record.mParticle.mAccelY = 0.02f;
  record.mParticle.mMiddle = 0.5f;
  record.mParticle.mStartStage = {0.5f, 0.0f, 255, 255, 255, 0};
  record.mParticle.mMiddleStage = {1.0f, 1.5f, 255, 220, 160, 220};
  record.mParticle.mEndStage = {1.5f, 3.0f, 255, 120, 60, 0};
  record.mEmitter.mEmitterLife = 100000.0f;
  record.mEmitter.mRate = 20;
  record.mEmitter.mPositionArea.mKind = 4;
  record.mEmitter.mPositionArea.mG = 30.0f;
  record.mEmitter.mPositionArea.mH = 30.0f;
  record.mEmitter.mVelocityArea.mKind = 5;
  record.mEmitter.mVelocityArea.mE = 0.0f;
  record.mEmitter.mVelocityArea.mF = 6.28f;
  record.mEmitter.mVelocityArea.mG = 2.0f;
  record.mEmitter.mVelocityArea.mH = 0.5f;
  std::strcpy(record.mImagePath, "fx\\soft.png");
  std::string bytes(16, '\0');
  bytes[8] = 16;
  bytes[12] = 1;
  bytes.append(reinterpret_cast<const char*>(&record), sizeof record);
  return bytes;
}

// A particle system kept full by the effect started in every slot.
struct FullSystem {
  Kivo::ParticleSystem system;
  std::unique_ptr<Kivo::ParticleEffect> effect;

  FullSystem(Look look, Kivo::Image* image, OneImage* images) {
    Kivo::LcgSeed(2024);
    system.Init(kParticles, kSlots);
    effect = std::make_unique<Kivo::ParticleEffect>(images);
    const std::string bytes = EffectBytes(look);
    effect->LoadEffBytes(bytes.data(), bytes.size(), "bench");
    for (int i = 0; i < kSlots; ++i) {
      effect->StartIn(Kivo::Vec2(40.0f + static_cast<float>((i * 37) % (kW - 80)),
                                 40.0f + static_cast<float>((i * 53) % (kH - 80))),
                      system);
    }
    for (int i = 0; i < 300; ++i) system.Update();
    (void)image;
  }
  ~FullSystem() { effect.reset(); }
};

// ---- ours: the screen image of a 3D display on the software device

struct Screen3D : benchscreen::SoftwareScreen {
  Kivo::MemoryImage particle;
  Screen3D() : SoftwareScreen(true) {
    const std::vector<uint32_t> texels = SoftTexels();
    particle.SetBits(texels.data(), kImageSize, kImageSize, true);
  }
};

void OursFrame(benchmark::State& state, Look look, bool update, bool draw) {
  Screen3D screen;
  OneImage images(&screen.particle);
  FullSystem full(look, &screen.particle, &images);
  Kivo::Graphics g(screen.screen);
  for (auto _ : state) {
    if (update) full.system.Update();
    if (draw) {
      full.system.Draw(g);
      screen.display->renderer->Flush();
    }
  }
  state.SetItemsProcessed(state.iterations() * full.system.LiveCount());
}

// ---- SDL: the same quads

SDL_Vertex Vertex(float x, float y, float u, float v, const SDL_Color& c) {
  SDL_Vertex s;
  s.position = SDL_FPoint{x, y};
  s.color = c;
  s.tex_coord = SDL_FPoint{u, v};
  return s;
}

// The quads of the live particles, as the system would draw them now.
std::vector<SDL_Vertex> ParticleQuads(const Kivo::ParticleSystem& system) {
  std::vector<SDL_Vertex> out;
  for (const Kivo::Particle* p = system.FirstLive(); p != nullptr; p = p->mNext) {
    const Kivo::ParticleParams& params = *p->mParams;
    const float f = 1.0f - p->mLife.mRemaining / p->mLife.mDuration;
    const float m = params.mMiddle;
    const Kivo::ParticleStage s =
        f < m ? Kivo::ParticleStage::Lerp(params.mStartStage, params.mMiddleStage, f / m)
              : Kivo::ParticleStage::Lerp(params.mMiddleStage, params.mEndStage, (f - m) / (1.0f - m));
    const SDL_Color c{static_cast<Uint8>(s.mRed), static_cast<Uint8>(s.mGreen), static_cast<Uint8>(s.mBlue),
                      static_cast<Uint8>(s.mAlpha)};
    const bool transformed = (p->mState & 6u) != 0;
    const float half = kImageSize / 2.0f * (transformed ? s.mScale : 1.0f);
    const float angle = (p->mState & 2u) != 0 ? s.mRotation : 0.0f;
    const float cs = std::cos(angle) * half, sn = std::sin(angle) * half;
    const float x = p->mPosition.x, y = p->mPosition.y;
    const SDL_Vertex a = Vertex(x - cs + sn, y - sn - cs, 0, 0, c), b = Vertex(x + cs + sn, y + sn - cs, 1, 0, c),
                     d = Vertex(x + cs - sn, y + sn + cs, 1, 1, c), e = Vertex(x - cs - sn, y - sn + cs, 0, 1, c);
    out.insert(out.end(), {a, b, d, a, d, e});
  }
  return out;
}

void SdlDraw(benchmark::State& state, Look look) {
  OneImage images(nullptr);
  FullSystem full(look, nullptr, &images);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  SDL_Texture* texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kImageSize, kImageSize);
  const std::vector<uint32_t> texels = SoftTexels();
  SDL_UpdateTexture(texture, nullptr, texels.data(), kImageSize * 4);
  SDL_SetTextureBlendMode(texture, look == kNormal ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_ADD);
  for (auto _ : state) {
    const std::vector<SDL_Vertex> quads = ParticleQuads(full.system);
    SDL_RenderGeometry(renderer, texture, quads.data(), static_cast<int>(quads.size()), nullptr, 0);
    SDL_RenderFlush(renderer);
  }
  state.SetItemsProcessed(state.iterations() * full.system.LiveCount());
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
}

}  // namespace

int main(int argc, char** argv) {
  for (int look = kNormal; look <= kTransformed; ++look) {
    const std::string name = kLookNames[look];
    const Look l = static_cast<Look>(look);
    benchmark::RegisterBenchmark((name + "/frame").c_str(), OursFrame, l, true, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/update").c_str(), OursFrame, l, true, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/draw").c_str(), OursFrame, l, false, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/sdl").c_str(), SdlDraw, l)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-10s %14s %14s %14s %14s %8s\n", "look", "frame p/s", "update p/s", "draw p/s", "SDL p/s", "vs SDL");
  for (const char* look : kLookNames) {
    const std::string base = look;
    auto perSecond = [&](const char* part) {
      const double ms = reporter.Time(base + "/" + part);
      return ms > 0.0 ? kParticles * 1000.0 / ms : 0.0;
    };
    const double draw = reporter.Time(base + "/draw");
    const double sdl = reporter.Time(base + "/sdl");
    std::printf("%-10s %14.0f %14.0f %14.0f %14.0f %7.2fx\n", look, perSecond("frame"), perSecond("update"),
                perSecond("draw"), perSecond("sdl"), draw > 0.0 ? sdl / draw : 0.0);
  }
  benchreport::GateTable table(reporter);
  for (const char* look : kLookNames) {
    const std::string base = look;
    table.Add("particles " + base, base + "/draw", "SDL geometry", base + "/sdl", 1.5);
  }
  const int code = table.Finish();
  benchmark::Shutdown();
  return code;
}
