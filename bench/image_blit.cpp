// MemoryImage blitters against SDL2 and pixman on the same pixels.
//
// Cases: per-pixel alpha blit (normal mode, white tint, opaque destination)
// on three sprite kinds (seeded: 25% alpha 0, 25% alpha 255, 50% random
// alpha; soft: an opaque interior with a soft edge; opaque), additive,
// colour-tinted, nearest stretch x1.5 and x0.5, smooth stretch x0.5 and a
// 30 degree rotation; each on a full 800 x 600 frame and on 8, 32 and 128
// pixel sprites at seeded, partly clipped positions.
//
// After the run it prints a table of ratios (peer time / our time, higher
// is better, medians of CPU time) and exits 1 when a gated ratio misses:
// alpha blits >= 0.9x pixman OVER (32, 128, frame) and >= 1.0x SDL; additive,
// tint and nearest stretch >= 2x SDL; smooth stretch >= 0.8x pixman
// bilinear; rotation >= 1.0x pixman's bilinear transform (SDL's rotation,
// nearest and linear, is reported). bench/run_image_bench.sh runs it on one
// core with five repetitions of at least 0.5 s.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "bench/BenchReporters.h"
#include "bench/PixmanPeers.h"
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image/ImageHost.h"
#include "image/MemoryImage.h"

using namespace Kivo;

namespace {

constexpr int kFrameW = 800, kFrameH = 600;
constexpr int kSpritesPerIteration = 64;

std::vector<uint32_t> SeededPixels(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (auto& v : px) {
    const uint32_t rgb = rng() & 0xFFFFFF;
    const uint32_t kind = rng() % 4;
    const uint32_t a = kind == 0 ? 0 : (kind == 1 ? 255 : rng() % 256);
    v = a << 24 | rgb;
  }
  return px;
}

// An opaque disc with a soft rim, transparent outside: a typical cut-out sprite.
std::vector<uint32_t> SoftEdgedPixels(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  const double cx = w / 2.0, cy = h / 2.0, radius = std::min(w, h) / 2.0, rim = std::max(1.0, radius / 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      const double coverage = std::clamp((radius - d) / rim, 0.0, 1.0);
      px[static_cast<size_t>(y) * w + x] = static_cast<uint32_t>(coverage * 255 + 0.5) << 24 | (rng() & 0xFFFFFF);
    }
  return px;
}

std::vector<uint32_t> OpaquePixels(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (auto& v : px) v = 0xFF000000u | (rng() & 0xFFFFFF);
  return px;
}

std::vector<uint32_t> OpaqueFrame() {
  std::mt19937 rng(99);
  std::vector<uint32_t> px(static_cast<size_t>(kFrameW) * kFrameH);
  for (auto& v : px) v = 0xFF000000u | (rng() & 0xFFFFFF);
  return px;
}

std::vector<uint32_t> Premultiplied(const std::vector<uint32_t>& px) {
  std::vector<uint32_t> out(px.size());
  for (size_t i = 0; i < px.size(); ++i) {
    const uint32_t v = px[i], a = v >> 24;
    auto ch = [&](int s) { return (((v >> s) & 0xFF) * a + 127) / 255; };
    out[i] = a << 24 | ch(16) << 16 | ch(8) << 8 | ch(0);
  }
  return out;
}

// Where the sprites go: seeded, some hanging over the frame's edges.
struct Placement {
  int x, y;
};
std::vector<Placement> Placements(int w, int h) {
  std::mt19937 rng(static_cast<uint32_t>(w * 131 + h));
  std::vector<Placement> out;
  for (int i = 0; i < kSpritesPerIteration; ++i) {
    out.push_back(
        Placement{static_cast<int>(rng() % (kFrameW + w)) - w / 2, static_cast<int>(rng() % (kFrameH + h)) - h / 2});
  }
  return out;
}

enum class Kind { kBlend, kBlendSoft, kBlendOpaque, kAdd, kTint, kNearest150, kNearest50, kSmooth, kRotate30 };
const char* KindName(Kind k) {
  switch (k) {
    case Kind::kBlend: return "blend";
    case Kind::kBlendSoft: return "blend_soft";
    case Kind::kBlendOpaque: return "blend_opaque";
    case Kind::kAdd: return "add";
    case Kind::kTint: return "tint";
    case Kind::kNearest150: return "nearest150";
    case Kind::kNearest50: return "nearest50";
    case Kind::kSmooth: return "smooth";
    case Kind::kRotate30: return "rotate30";
  }
  return "?";
}
double Scale(Kind k) {
  return k == Kind::kNearest150 ? 1.5 : (k == Kind::kNearest50 || k == Kind::kSmooth ? 0.5 : 1.0);
}

const Color kTint(200, 150, 100, 180);

// One case size: the sprite size, or 0 for the whole frame.
struct Setup {
  int w, h;
  std::vector<uint32_t> source;
  std::vector<Placement> places;
  Setup(Kind kind, int size) {
    w = size == 0 ? kFrameW : size;
    h = size == 0 ? kFrameH : size;
    const uint32_t seed = static_cast<uint32_t>(size + 7);
    source = kind == Kind::kBlendSoft     ? SoftEdgedPixels(w, h, seed)
             : kind == Kind::kBlendOpaque ? OpaquePixels(w, h, seed)
                                          : SeededPixels(w, h, seed);
    places = size == 0 ? std::vector<Placement>{{0, 0}} : Placements(w, h);
  }
};

void RunKivo(benchmark::State& state, Kind kind, int size) {
  Setup s(kind, size);
  NullImageHost host;
  MemoryImage frame(&host), sprite(&host);
  const std::vector<uint32_t> framePixels = OpaqueFrame();
  frame.SetBits(framePixels.data(), kFrameW, kFrameH, true);
  sprite.SetBits(s.source.data(), s.w, s.h, true);
  const Rect clip(0, 0, kFrameW, kFrameH), all(0, 0, s.w, s.h);
  const int dw = static_cast<int>(s.w * Scale(kind)), dh = static_cast<int>(s.h * Scale(kind));
  for (auto _ : state) {
    for (const Placement& p : s.places) {
      switch (kind) {
        case Kind::kBlend:
        case Kind::kBlendSoft:
        case Kind::kBlendOpaque: frame.DrawImage(&sprite, p.x, p.y, all, Color::White, 0); break;
        case Kind::kAdd: frame.DrawImage(&sprite, p.x, p.y, all, Color::White, 1); break;
        case Kind::kTint: frame.DrawImage(&sprite, p.x, p.y, all, kTint, 0); break;
        case Kind::kNearest150:
        case Kind::kNearest50:
          frame.DrawImageStretched(&sprite, Rect(p.x, p.y, dw, dh), all, clip, Color::White, 0, true);
          break;
        case Kind::kSmooth:
          frame.DrawImageStretched(&sprite, Rect(p.x, p.y, dw, dh), all, clip, Color::White, 0, false);
          break;
        case Kind::kRotate30:
          frame.DrawImageRotated(&sprite, static_cast<float>(p.x), static_cast<float>(p.y), all, clip, Color::White, 0,
                                 30.0 * M_PI / 180.0, s.w / 2.0f, s.h / 2.0f);
          break;
      }
    }
    // A blit keeps the destination's flags; keep it opaque for the fast path.
    benchmark::DoNotOptimize(frame.bits.get());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(s.places.size()));
}

// linearRotation: SDL's rotation filtered as ours is (scale quality 1).
void RunSdl(benchmark::State& state, Kind kind, int size, bool linearRotation) {
  Setup s(kind, size);
  std::vector<uint32_t> framePixels = OpaqueFrame();
  std::vector<uint32_t> sourcePixels = s.source;
  SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(framePixels.data(), kFrameW, kFrameH, 32, kFrameW * 4,
                                                          SDL_PIXELFORMAT_XRGB8888);
  SDL_Surface* sprite =
      SDL_CreateRGBSurfaceWithFormatFrom(sourcePixels.data(), s.w, s.h, 32, s.w * 4, SDL_PIXELFORMAT_ARGB8888);
  SDL_SetSurfaceBlendMode(sprite, kind == Kind::kAdd ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
  if (kind == Kind::kTint) {
    SDL_SetSurfaceColorMod(sprite, static_cast<Uint8>(kTint.red), static_cast<Uint8>(kTint.green),
                           static_cast<Uint8>(kTint.blue));
    SDL_SetSurfaceAlphaMod(sprite, static_cast<Uint8>(kTint.alpha));
  }
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  if (kind == Kind::kRotate30) {
    renderer = SDL_CreateSoftwareRenderer(frame);
    texture = SDL_CreateTextureFromSurface(renderer, sprite);
    SDL_SetTextureScaleMode(texture, linearRotation ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  }
  const int dw = static_cast<int>(s.w * Scale(kind)), dh = static_cast<int>(s.h * Scale(kind));
  for (auto _ : state) {
    for (const Placement& p : s.places) {
      SDL_Rect dst{p.x, p.y, dw, dh};
      SDL_Rect src{0, 0, s.w, s.h};
      switch (kind) {
        case Kind::kBlend:
        case Kind::kBlendSoft:
        case Kind::kBlendOpaque:
        case Kind::kAdd:
        case Kind::kTint: SDL_BlitSurface(sprite, nullptr, frame, &dst); break;
        case Kind::kNearest150:
        case Kind::kNearest50:
        case Kind::kSmooth: SDL_BlitScaled(sprite, &src, frame, &dst); break;
        case Kind::kRotate30: {
          SDL_Rect rdst{p.x, p.y, s.w, s.h};
          SDL_RenderCopyEx(renderer, texture, nullptr, &rdst, 30.0, nullptr, SDL_FLIP_NONE);
          break;
        }
      }
    }
    benchmark::DoNotOptimize(framePixels.data());
  }
  if (texture != nullptr) SDL_DestroyTexture(texture);
  if (renderer != nullptr) SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(sprite);
  SDL_FreeSurface(frame);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(s.places.size()));
}

void RunPixman(benchmark::State& state, Kind kind, int size) {
  Setup s(kind, size);
  std::vector<uint32_t> framePixels = OpaqueFrame();
  std::vector<uint32_t> sourcePixels = Premultiplied(s.source);
  pixman_image_t* frame = pixman_image_create_bits(PIXMAN_x8r8g8b8, kFrameW, kFrameH, framePixels.data(), kFrameW * 4);
  pixman_image_t* sprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, s.w, s.h, sourcePixels.data(), s.w * 4);
  pixman_image_t* mask = nullptr;
  if (kind == Kind::kTint) {
    const pixman_color_t c{static_cast<uint16_t>(kTint.red * 257), static_cast<uint16_t>(kTint.green * 257),
                           static_cast<uint16_t>(kTint.blue * 257), static_cast<uint16_t>(kTint.alpha * 257)};
    mask = pixman_image_create_solid_fill(&c);
  }
  const double scale = Scale(kind);
  int dw = s.w, dh = s.h;
  if (kind == Kind::kNearest150 || kind == Kind::kNearest50 || kind == Kind::kSmooth) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(1.0 / scale), pixman_double_to_fixed(1.0 / scale));
    pixman_image_set_transform(sprite, &t);
    pixman_image_set_filter(sprite, kind == Kind::kSmooth ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST, nullptr, 0);
    dw = static_cast<int>(s.w * scale);
    dh = static_cast<int>(s.h * scale);
  } else if (kind == Kind::kRotate30) {
    benchpeers::RotateAboutCentre(sprite, s.w, s.h, 30.0);
  }
  const pixman_op_t op = kind == Kind::kAdd ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
  for (auto _ : state) {
    for (const Placement& p : s.places) {
      pixman_image_composite32(op, sprite, mask, frame, 0, 0, 0, 0, p.x, p.y, dw, dh);
    }
    benchmark::DoNotOptimize(framePixels.data());
  }
  if (mask != nullptr) pixman_image_unref(mask);
  pixman_image_unref(sprite);
  pixman_image_unref(frame);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(s.places.size()));
}

const Kind kKinds[] = {Kind::kBlend,      Kind::kBlendSoft, Kind::kBlendOpaque, Kind::kAdd,     Kind::kTint,
                       Kind::kNearest150, Kind::kNearest50, Kind::kSmooth,      Kind::kRotate30};
const int kSizes[] = {0, 8, 32, 128};

std::string CaseName(Kind k, int size) {
  return std::string(KindName(k)) + "/" + (size == 0 ? std::string("frame") : std::to_string(size));
}

}  // namespace

int main(int argc, char** argv) {
  for (Kind kind : kKinds) {
    for (int size : kSizes) {
      const std::string base = CaseName(kind, size);
      benchmark::RegisterBenchmark((base + "/kivo").c_str(), RunKivo, kind, size);
      benchmark::RegisterBenchmark((base + "/sdl").c_str(), RunSdl, kind, size, false);
      if (kind == Kind::kRotate30)
        benchmark::RegisterBenchmark((base + "/sdl_linear").c_str(), RunSdl, kind, size, true);
      benchmark::RegisterBenchmark((base + "/pixman").c_str(), RunPixman, kind, size);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  benchreport::GateTable table(reporter);
  for (Kind kind : kKinds) {
    for (int size : kSizes) {
      const std::string base = CaseName(kind, size);
      const std::string name = "image " + base;
      const bool bigEnough = size == 0 || size >= 32;
      double sdlTarget = 0.0, pixmanTarget = 0.0;
      const char* sdlPeer = "SDL blit";
      const char* pixmanPeer = "pixman OVER";
      switch (kind) {
        case Kind::kBlend:
        case Kind::kBlendSoft:
        case Kind::kBlendOpaque:
          sdlTarget = 1.0;
          pixmanTarget = bigEnough ? 0.9 : 0.0;
          break;
        case Kind::kAdd:
          sdlTarget = 2.0;
          pixmanPeer = "pixman ADD";
          break;
        case Kind::kTint:
          sdlTarget = 2.0;
          pixmanPeer = "pixman OVER, solid mask";
          break;
        case Kind::kNearest150:
        case Kind::kNearest50:
          sdlTarget = 2.0;
          sdlPeer = "SDL scaled blit";
          pixmanPeer = "pixman nearest";
          break;
        case Kind::kSmooth:
          sdlPeer = "SDL scaled blit (nearest)";
          pixmanPeer = "pixman bilinear";
          pixmanTarget = 0.8;
          break;
        case Kind::kRotate30:
          sdlPeer = "SDL rotation (nearest)";
          pixmanPeer = "pixman bilinear transform";
          pixmanTarget = 1.0;
          break;
      }
      table.Add(name, base + "/kivo", pixmanPeer, base + "/pixman", pixmanTarget);
      table.Add(name, base + "/kivo", sdlPeer, base + "/sdl", sdlTarget);
      if (kind == Kind::kRotate30) table.Add(name, base + "/kivo", "SDL rotation (linear)", base + "/sdl_linear", 0.0);
    }
  }
  const int code = table.Finish();
  benchmark::Shutdown();
  return code;
}
