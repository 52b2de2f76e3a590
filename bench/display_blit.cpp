// Surface blits of 32 x 32 partial-alpha sprites into a 640 x 480 screen
// surface on 5-6-5 and 8-8-8, beside SDL_BlitSurface doing the same: normal
// (alpha) blits and cut-out sprites (SDL: colour-keyed) against SDL with RLE
// acceleration on, as an SDL user sets it for a sprite blitted many times,
// and off; additive; tinted; a smooth
// x1.5 stretch; a 30 degree rotation (SDL's software renderer with linear
// scaling), and pixman compositing the same (bilinear where filtered;
// not for the cut-out sprites). Prints a table of ratios (peer time / our
// time, higher is better, medians of CPU time); exits 1 when a gated ratio
// misses: the additive blit onto the 8-8-8 screen >= 2x SDL, the smooth
// stretch >= 0.8x and the rotation >= 1.0x pixman's bilinear filtering.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include "bench/BenchReporters.h"
#include "bench/PixmanPeers.h"

#include <algorithm>
#include <cmath>
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
      p[static_cast<size_t>(y * kSprite + x)] =
          a << 24 | static_cast<uint32_t>(x * 8) << 16 | 0x8000u | static_cast<uint32_t>(y * 8);
    }
  return p;
}

// The same disc cut out (alpha 0 or 255 only), as colour-keyed art is.
std::vector<uint32_t> CutOutPixels() {
  std::vector<uint32_t> p = SpritePixels();
  for (uint32_t& v : p) v = (v >> 24) >= 128 ? v | 0xFF000000u : 0;
  return p;
}

// One display of a format with its screen image and a sprite.
struct OurSide {
  Kivo::DisplayApp app;
  std::unique_ptr<Kivo::DDInterface> display;
  std::unique_ptr<Kivo::DDImage> sprite;

  OurSide(DDrawStandIn::Format format, bool cutOut) {
    DDrawStandIn::Machine machine;
    machine.desktopFormat = format;
    DDrawStandIn::Reset(machine);
    Kivo::InstallDDImageFactory();
    display.reset(new Kivo::DDInterface(&app));
    if (display->Init(nullptr, true) != 0) std::fprintf(stderr, "display: %s\n", display->lastError.c_str());
    sprite.reset(new Kivo::DDImage(display.get()));
    const std::vector<uint32_t> pixels = cutOut ? CutOutPixels() : SpritePixels();
    sprite->SetBits(pixels.data(), kSprite, kSprite, true);
  }
};

enum class Op { kNormal, kColorKey, kAdditive, kTint, kStretch, kRotate };

const Kivo::Color kTint(200, 150, 100, 180);

void Ours(benchmark::State& state, DDrawStandIn::Format format, Op op) {
  OurSide side(format, op == Op::kColorKey);
  Kivo::DDImage* screen = side.display->GetScreenImage();
  screen->LockSurface();
  const Kivo::Rect all(0, 0, kSprite, kSprite), clip(0, 0, 640, 480);
  int i = 0;
  for (auto _ : state) {
    const int x = (i * 37) % 600, y = (i * 23) % 440;
    switch (op) {
      case Op::kNormal:
      case Op::kColorKey: screen->DrawImage(side.sprite.get(), x, y, all, Kivo::Color::White, 0); break;
      case Op::kAdditive: screen->DrawImage(side.sprite.get(), x, y, all, Kivo::Color::White, 1); break;
      case Op::kTint: screen->DrawImage(side.sprite.get(), x, y, all, kTint, 0); break;
      case Op::kStretch:
        screen->DrawImageStretched(side.sprite.get(), Kivo::Rect(x, y, kSprite * 3 / 2, kSprite * 3 / 2), all, clip,
                                   Kivo::Color::White, 0, false);
        break;
      case Op::kRotate:
        screen->DrawImageRotated(side.sprite.get(), static_cast<float>(x), static_cast<float>(y), all, clip,
                                 Kivo::Color::White, 0, 30.0 * M_PI / 180.0, kSprite / 2.0f, kSprite / 2.0f);
        break;
    }
    ++i;
  }
  screen->UnlockSurface();
  state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
}

void Sdl(benchmark::State& state, uint32_t targetFormat, Op op, bool rle) {
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, SDL_BITSPERPIXEL(targetFormat), targetFormat);
  // Colour-keyed art: opaque pixels, the cut-out ones set to the key colour.
  constexpr uint32_t kKey = 0x00FF00FFu;
  std::vector<uint32_t> pixels = op == Op::kColorKey ? CutOutPixels() : SpritePixels();
  if (op == Op::kColorKey)
    for (uint32_t& v : pixels) v = v == 0 ? kKey : v & 0x00FFFFFFu;
  SDL_Surface* sprite =
      SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), kSprite, kSprite, 32, kSprite * 4,
                                         op == Op::kColorKey ? SDL_PIXELFORMAT_XRGB8888 : SDL_PIXELFORMAT_ARGB8888);
  if (op == Op::kColorKey) {
    SDL_SetColorKey(sprite, SDL_TRUE, kKey);
    SDL_SetSurfaceBlendMode(sprite, SDL_BLENDMODE_NONE);
  } else {
    SDL_SetSurfaceBlendMode(sprite, op == Op::kAdditive ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
  }
  if (op == Op::kTint) {
    SDL_SetSurfaceColorMod(sprite, static_cast<Uint8>(kTint.red), static_cast<Uint8>(kTint.green),
                           static_cast<Uint8>(kTint.blue));
    SDL_SetSurfaceAlphaMod(sprite, static_cast<Uint8>(kTint.alpha));
  }
  SDL_SetSurfaceRLE(sprite, rle ? 1 : 0);
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  if (op == Op::kRotate) {
    renderer = SDL_CreateSoftwareRenderer(target);
    texture = SDL_CreateTextureFromSurface(renderer, sprite);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
  }
  int i = 0;
  for (auto _ : state) {
    const int x = (i * 37) % 600, y = (i * 23) % 440;
    SDL_Rect to{x, y, kSprite, kSprite};
    switch (op) {
      case Op::kNormal:
      case Op::kColorKey:
      case Op::kAdditive:
      case Op::kTint: SDL_BlitSurface(sprite, nullptr, target, &to); break;
      case Op::kStretch: {
        SDL_Rect big{x, y, kSprite * 3 / 2, kSprite * 3 / 2};
        SDL_BlitScaled(sprite, nullptr, target, &big);
        break;
      }
      case Op::kRotate:
        SDL_RenderCopyEx(renderer, texture, nullptr, &to, 30.0, nullptr, SDL_FLIP_NONE);
        SDL_RenderFlush(renderer);
        break;
    }
    ++i;
  }
  state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
  if (texture != nullptr) SDL_DestroyTexture(texture);
  if (renderer != nullptr) SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(sprite);
  SDL_FreeSurface(target);
}

// pixman compositing the same sprite (premultiplied) onto a screen buffer
// of the same format: OVER, bilinear for the stretch and the rotation.
void Pixman(benchmark::State& state, pixman_format_code_t format, Op op) {
  std::vector<uint32_t> screen(640 * 480, 0xFF204060u);
  std::vector<uint32_t> pixels = SpritePixels();
  for (uint32_t& v : pixels) {
    const uint32_t a = v >> 24;
    auto ch = [&](int shift) { return (((v >> shift) & 0xFF) * a + 127) / 255; };
    v = a << 24 | ch(16) << 16 | ch(8) << 8 | ch(0);
  }
  const int stride = (640 * PIXMAN_FORMAT_BPP(format) / 8 + 3) & ~3;
  pixman_image_t* target = pixman_image_create_bits(format, 640, 480, screen.data(), stride);
  pixman_image_t* sprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSprite, kSprite, pixels.data(), kSprite * 4);
  pixman_image_t* mask = nullptr;
  int size = kSprite;
  if (op == Op::kTint) {
    const pixman_color_t c{static_cast<uint16_t>(kTint.red * 257), static_cast<uint16_t>(kTint.green * 257),
                           static_cast<uint16_t>(kTint.blue * 257), static_cast<uint16_t>(kTint.alpha * 257)};
    mask = pixman_image_create_solid_fill(&c);
  } else if (op == Op::kStretch) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(1 / 1.5), pixman_double_to_fixed(1 / 1.5));
    pixman_image_set_transform(sprite, &t);
    pixman_image_set_filter(sprite, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    size = kSprite * 3 / 2;
  } else if (op == Op::kRotate) {
    benchpeers::RotateAboutCentre(sprite, kSprite, kSprite, 30.0);
  }
  const pixman_op_t pop = op == Op::kAdditive ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
  int i = 0;
  for (auto _ : state) {
    pixman_image_composite32(pop, sprite, mask, target, 0, 0, 0, 0, (i * 37) % 600, (i * 23) % 440, size, size);
    ++i;
  }
  benchmark::DoNotOptimize(screen.data());
  state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
  if (mask != nullptr) pixman_image_unref(mask);
  pixman_image_unref(sprite);
  pixman_image_unref(target);
}

struct Case {
  const char* name;
  Op op;
  bool on565;
  const char* peer;
  double target;        // vs SDL (RLE off); 0: reported
  double pixmanTarget;  // vs pixman (bilinear for stretch and rotation); 0: reported
};
const Case kCases[] = {
    {"normal_565", Op::kNormal, true, "SDL blit", 0.0, 0.0},
    {"normal_888", Op::kNormal, false, "SDL blit", 0.0, 0.0},
    {"colorkey_565", Op::kColorKey, true, "SDL colour-key blit", 0.0, -1.0},
    {"colorkey_888", Op::kColorKey, false, "SDL colour-key blit", 0.0, -1.0},
    {"additive_565", Op::kAdditive, true, "SDL blit", 0.0, 0.0},
    {"additive_888", Op::kAdditive, false, "SDL blit", 2.0, 0.0},
    {"tint_565", Op::kTint, true, "SDL blit, colour and alpha mod", 0.0, 0.0},
    {"tint_888", Op::kTint, false, "SDL blit, colour and alpha mod", 0.0, 0.0},
    {"stretch150_565", Op::kStretch, true, "SDL scaled blit (nearest)", 0.0, 0.0},
    {"stretch150_888", Op::kStretch, false, "SDL scaled blit (nearest)", 0.0, 0.8},
    {"rotate30_565", Op::kRotate, true, "SDL renderer rotation (linear)", 0.0, 0.0},
    {"rotate30_888", Op::kRotate, false, "SDL renderer rotation (linear)", 0.0, 1.0},
};

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : kCases) {
    const DDrawStandIn::Format ours = c.on565 ? DDrawStandIn::Format::kRGB565 : DDrawStandIn::Format::kRGB888;
    const uint32_t sdl = c.on565 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    const std::string base = c.name;
    benchmark::RegisterBenchmark((base + "/kivo").c_str(), Ours, ours, c.op);
    benchmark::RegisterBenchmark((base + "/sdl").c_str(), Sdl, sdl, c.op, false);
    if (c.op == Op::kNormal || c.op == Op::kColorKey || c.op == Op::kTint)
      benchmark::RegisterBenchmark((base + "/sdl_rle").c_str(), Sdl, sdl, c.op, true);
    if (c.pixmanTarget >= 0.0)
      benchmark::RegisterBenchmark((base + "/pixman").c_str(), Pixman, c.on565 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8, c.op);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchreport::GateTable table(reporter);
  for (const Case& c : kCases) {
    const std::string base = c.name;
    table.Add("screen " + base, base + "/kivo", c.peer, base + "/sdl", c.target);
    table.Add("screen " + base, base + "/kivo", std::string(c.peer) + ", RLE", base + "/sdl_rle", 0.0);
    const char* pixmanPeer = c.op == Op::kAdditive                         ? "pixman ADD"
                             : c.op == Op::kTint                           ? "pixman OVER, solid mask"
                             : c.op == Op::kStretch || c.op == Op::kRotate ? "pixman OVER, bilinear"
                                                                           : "pixman OVER";
    table.Add("screen " + base, base + "/kivo", pixmanPeer, base + "/pixman", std::max(0.0, c.pixmanTarget));
  }
  const int code = table.Finish();
  benchmark::Shutdown();
  return code;
}
