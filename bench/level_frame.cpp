// The cost of one frame of a busy level, drawn the way the level screen
// draws it: an 800 x 600 background, the HUD panel on the right (panel,
// five buttons, three bars), 40 alpha sprites over the play area and a
// particle effect running. Measured through the software 3D device (sprites
// as textured quads, particles included) and through the 2-D blitters
// (sprites blitted; the 2-D path draws no triangles, so no particles), each
// beside a plain copy of a whole 800 x 600 frame (memcpy) in the same run.
//   frame/3d, frame/2d   one whole frame
//   copy                 memcpy of the 1.92 MB frame
// Budget: median frame at most 2 ms in each mode (one core, Release), each
// reported beside the copy:
//   taskset -c 0 bench_level_frame --benchmark_min_time=0.5
//     --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchReporters.h"
#include "bench/SoftwareScreen.h"
#include "engine/GameMath.h"
#include "engine/GameUtils.h"
#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"

namespace {

using benchscreen::kHeight;
using benchscreen::kWidth;

constexpr int kSprites = 40;
constexpr int kSpriteSize = 64;
constexpr float kPanelLeft = 680.0f;

uint32_t Argb(int a, int r, int g, int b) {
  return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
         static_cast<uint32_t>(b);
}

// A picture whose pixel colour comes from a function of (x, y).
template <typename Pixel>
void Paint(Kivo::MemoryImage& image, int width, int height, Pixel pixel) {
  std::vector<uint32_t> texels(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) texels[static_cast<size_t>(y) * width + x] = pixel(x, y);
  }
  image.SetBits(texels.data(), width, height, true);
}

class OneImage : public Kivo::EffectImageSource {
 public:
  explicit OneImage(Kivo::Image* image) : mImage(image) {}
  Kivo::Image* Get(const std::string&) override { return mImage; }
  void Release(const std::string&) override {}

 private:
  Kivo::Image* mImage;
};

// A fountain of sparks above the play area, like the level's opening rain.
std::string SparkEffect() {
  Kivo::EmitterRecord record;
  std::memset(&record, 0, sizeof record);
  record.SetDefaults();
  record.mParticle.mFlags = 1u | 8u;
  record.mParticle.mLife = 1.5f;
  record.mParticle.mAccelY = 0.03f;
  record.mParticle.mMiddle = 0.4f;
  record.mParticle.mStartStage = {0.6f, 0.0f, 255, 255, 255, 40};
  record.mParticle.mMiddleStage = {1.0f, 0.0f, 255, 230, 150, 255};
  record.mParticle.mEndStage = {0.8f, 0.0f, 200, 120, 60, 0};
  record.mEmitter.mEmitterLife = 100000.0f;
  record.mEmitter.mRate = 150;
  record.mEmitter.mPositionArea.mKind = 4;
  record.mEmitter.mPositionArea.mG = 300.0f;
  record.mEmitter.mPositionArea.mH = 20.0f;
  record.mEmitter.mVelocityArea.mKind = 5;
  record.mEmitter.mVelocityArea.mE = 3.6f;
  record.mEmitter.mVelocityArea.mF = 5.8f;
  record.mEmitter.mVelocityArea.mG = 1.5f;
  record.mEmitter.mVelocityArea.mH = 1.0f;
  std::strcpy(record.mImagePath, "fx\\spark.png");
  std::string bytes(16, '\0');
  bytes[8] = 16;
  bytes[12] = 1;
  bytes.append(reinterpret_cast<const char*>(&record), sizeof record);
  return bytes;
}

Kivo::Quad Box(float x, float y, float w, float h) {
  Kivo::Quad quad;
  quad.corner[0] = Kivo::Vector2(x, y);
  quad.corner[1] = Kivo::Vector2(x + w, y);
  quad.corner[2] = Kivo::Vector2(x + w, y + h);
  quad.corner[3] = Kivo::Vector2(x, y + h);
  return quad;
}

struct Placed {
  Kivo::MemoryImage* image;
  float x, y, w, h;
};

// The level: its pictures, where each is drawn, and the running effect.
struct BusyLevel {
  Kivo::MemoryImage background, panel, button, bar, sprite, spark;
  std::vector<Placed> drawn;  // in drawing order
  Kivo::ParticleSystem particles;
  std::unique_ptr<OneImage> sparkSource;
  std::unique_ptr<Kivo::ParticleEffect> effect;

  BusyLevel() {
    Paint(background, kWidth, kHeight,
          [](int x, int y) { return Argb(255, 40 + x / 8, 60 + y / 6, 90 + (x + y) / 16); });
    Paint(panel, kWidth - static_cast<int>(kPanelLeft), kHeight,
          [](int x, int y) { return Argb(230, 70, 50 + y / 20, 30); });
    Paint(button, 100, 40, [](int x, int y) {
      const bool border = x < 2 || x >= 98 || y < 2 || y >= 38;
      return border ? Argb(255, 20, 20, 20) : Argb(220, 120, 140, 200);
    });
    Paint(bar, 100, 12, [](int x, int) { return Argb(255, 200 - x, 60 + x, 40); });
    Paint(sprite, kSpriteSize, kSpriteSize, [](int x, int y) {
      const float dx = x - 31.5f, dy = y - 31.5f;
      const float r = std::sqrt(dx * dx + dy * dy) / 32.0f;
      return r >= 1.0f ? 0u : Argb(static_cast<int>(255.0f * (1.0f - r * r)), 230, 180 - x, 60 + y);
    });
    Paint(spark, 16, 16, [](int x, int y) {
      const float dx = x - 7.5f, dy = y - 7.5f;
      const float r = std::sqrt(dx * dx + dy * dy) / 8.0f;
      return r >= 1.0f ? 0u : Argb(static_cast<int>(255.0f * (1.0f - r)), 255, 240, 200);
    });

    drawn.push_back({&background, 0, 0, kWidth, kHeight});
    for (int i = 0; i < kSprites; ++i) {
      const float x = 20.0f + static_cast<float>((i * 97) % 580);
      const float y = 30.0f + static_cast<float>((i * 61) % 500);
      drawn.push_back({&sprite, x, y, kSpriteSize, kSpriteSize});
    }
    drawn.push_back({&panel, kPanelLeft, 0, kWidth - kPanelLeft, kHeight});
    for (int i = 0; i < 5; ++i) drawn.push_back({&button, 690, 40.0f + 60.0f * i, 100, 40});
    for (int i = 0; i < 3; ++i) drawn.push_back({&bar, 690, 400.0f + 30.0f * i, 100, 12});

    Kivo::LcgSeed(42);
    particles.Init(4000, 300);
    sparkSource = std::make_unique<OneImage>(&spark);
    effect = std::make_unique<Kivo::ParticleEffect>(sparkSource.get());
    const std::string bytes = SparkEffect();
    effect->LoadEffBytes(bytes.data(), bytes.size(), "bench");
    effect->StartIn(Kivo::Vec2(340.0f, 560.0f), particles);
    for (int i = 0; i < 200; ++i) particles.Update();
  }
  ~BusyLevel() { effect.reset(); }

  void Draw(Kivo::Graphics& g, bool threeD) {
    particles.Update();
    g.SetColor(Kivo::Color(255, 255, 255));  // every object sets its own colour; the level's are untinted
    for (const Placed& p : drawn) {
      if (threeD) {
        g.DrawCellQuad(p.image, Box(p.x, p.y, p.w, p.h), 1, 1);
      } else {
        g.DrawImage(p.image, static_cast<int>(p.x), static_cast<int>(p.y));
      }
    }
    if (threeD) particles.Draw(g);
  }
};

void Frame(benchmark::State& state, bool threeD) {
  benchscreen::SoftwareScreen screen(threeD);
  BusyLevel level;
  Kivo::Graphics g(screen.screen);
  g.SetColorizeImages(true);
  // The game's screen matrices: identity world and view, an orthographic
  // projection of the window size.
  Kivo::Mat4 identity;
  Kivo::Mat4 projection;
  projection.Orthographic(static_cast<float>(kWidth), static_cast<float>(kHeight), 0.0f, 1.0f);
  Kivo::Matrix4 world{}, view{}, proj{};
  std::memcpy(world.m, identity.m, sizeof identity.m);
  std::memcpy(view.m, identity.m, sizeof identity.m);
  std::memcpy(proj.m, projection.m, sizeof projection.m);
  for (auto _ : state) {
    if (threeD) g.Begin3D(world, proj, view);
    level.Draw(g, threeD);
    if (threeD) g.End3D();
    screen.Finish();
  }
  state.counters["particles"] = static_cast<double>(level.particles.LiveCount());
}

void Copy(benchmark::State& state) {
  std::vector<uint32_t> from(static_cast<size_t>(kWidth) * kHeight, 0x00406080u);
  std::vector<uint32_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("frame/3d", Frame, true)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("frame/2d", Frame, false)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("copy", Copy)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const double copy = reporter.Time("copy");
  std::printf("\nfull-frame copy (memcpy of 800 x 600 x 4 bytes): %.3f ms\n", copy);
  for (const char* mode : {"3d", "2d"}) {
    const double frame = reporter.Time(std::string("frame/") + mode);
    if (frame > 0.0 && copy > 0.0) {
      std::printf("frame %s: %.3f ms, %.1f x the copy\n", mode, frame, frame / copy);
    }
  }
  benchreport::GateTable table(reporter);
  table.AddBudget("busy level frame, 3D", "frame/3d", 2.0);
  table.Add("busy level frame, 3D", "frame/3d", "memcpy of a whole frame", "copy", 0.0);
  table.AddBudget("busy level frame, 2-D", "frame/2d", 2.0);
  table.Add("busy level frame, 2-D", "frame/2d", "memcpy of a whole frame", "copy", 0.0);
  return table.Finish();
}
