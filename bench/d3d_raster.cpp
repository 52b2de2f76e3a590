// The software Direct3D device against SDL2's software renderer and pixman,
// on the same frame and textures, in the same run.
//
// Cases (800 x 600 frame, 8-8-8 unless named _565; seeded textures with
// 25% alpha 0, 25% opaque, 50% random alpha):
//   frame_point    two triangles covering the frame, textured 1:1,
//                  SRCALPHA/INVSRCALPHA (gated against pixman OVER of the
//                  same pixels)
//   frame_scaled   the same quad with a 640 x 480 texture stretched to the
//                  frame under bilinear filtering (gated against pixman's
//                  bilinear scale of the same source to the same rectangle)
//   tris16         10,000 textured blended triangles of about 16 pixels at
//                  seeded places (gated against SDL_RenderGeometry)
//   sprites        Clear, 200 alpha sprites of 64 x 64 at seeded places
//                  drawn as the renderer draws image quads, EndScene (SDL:
//                  SDL_RenderCopy; pixman: OVER; gated against pixman on
//                  8-8-8, against SDL on 5-6-5, and on a 4 ms budget)
// Peers: SDL_CreateSoftwareRenderer on a surface of the same format with
// SDL_RenderGeometry (blend mode BLEND; it samples nearest, so it is
// reported, not gated, for the scaled case), and pixman's compositing of
// the same quads (OVER with the premultiplied texture) and triangles
// (pixman_composite_triangles with the texture as source).
//
// Prints a table of ratios (peer time / our time, higher is better, CPU
// time medians) and exits 1 when a gated ratio misses its target.
// bench/run_d3d_bench.sh runs it on one core, five repetitions of at least
// 0.5 s.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "bench/BenchReporters.h"
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/devices/D3D.h"
#include "platform/devices/DDraw.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr int kTriangles = 10000;
constexpr int kSprites = 200;

std::vector<uint32_t> SeededTexels(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> px(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (auto& v : px) {
    const uint32_t kind = rng() % 4;
    const uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : rng() % 256;
    v = a << 24 | (rng() & 0xFFFFFF);
  }
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

struct Tri {
  float x[3], y[3], u[3], v[3];
};

std::vector<Tri> SeededTriangles() {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> px(0, kW - 8), py(0, kH - 8), d(0, 6), uv(0, 0.9f);
  std::vector<Tri> tris(kTriangles);
  for (Tri& t : tris) {
    const float x = px(rng), y = py(rng), u = uv(rng), v = uv(rng);
    // Right triangles of legs about 5.7: some 16 pixels each.
    t = Tri{{x, x + 5.7f, x + d(rng) * 0.2f}, {y, y + d(rng) * 0.2f, y + 5.7f}, {u, u + 0.09f, u}, {v, v, v + 0.09f}};
  }
  return tris;
}

struct Placement {
  int x, y;
};

std::vector<Placement> SeededSprites() {
  std::mt19937 rng(77);
  std::vector<Placement> out(kSprites);
  for (auto& p : out) p = Placement{static_cast<int>(rng() % (kW - 32)) - 16, static_cast<int>(rng() % (kH - 32)) - 16};
  return out;
}

// ---- ours ------------------------------------------------------------------------

constexpr int kScaledW = 640, kScaledH = 480;  // stretched to the frame in the scaled case

struct Ours {
  IDirectDraw7* dd = nullptr;
  IDirect3D7* d3d = nullptr;
  IDirectDrawSurface7* target = nullptr;
  IDirect3DDevice7* device = nullptr;
  IDirectDrawSurface7* frameTexture = nullptr;
  IDirectDrawSurface7* scaledTexture = nullptr;
  IDirectDrawSurface7* spriteTexture = nullptr;

  IDirectDrawSurface7* Surface(int w, int h, DDrawStandIn::Format f, DWORD caps) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(w);
    desc.dwHeight = static_cast<DWORD>(h);
    desc.ddsCaps.dwCaps = caps;
    desc.ddsCaps.dwCaps2 = (caps & DDSCAPS_TEXTURE) != 0 ? DDSCAPS2_D3DTEXTUREMANAGE : 0;
    desc.ddpfPixelFormat = DDrawStandIn::PixelFormatOf(f);
    IDirectDrawSurface7* s = nullptr;
    dd->CreateSurface(&desc, &s, nullptr);
    return s;
  }
  IDirectDrawSurface7* Texture(const std::vector<uint32_t>& px, int w, int h) {
    IDirectDrawSurface7* t = Surface(w, h, DDrawStandIn::Format::kARGB8888, DDSCAPS_TEXTURE);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    t->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    for (int y = 0; y < h; ++y)
      std::memcpy(static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch, px.data() + static_cast<size_t>(y * w),
                  static_cast<size_t>(w) * 4);
    t->Unlock(nullptr);
    return t;
  }

  explicit Ours(DDrawStandIn::Format format) {
    void* out = nullptr;
    DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr);
    dd = static_cast<IDirectDraw7*>(out);
    dd->QueryInterface(IID_IDirect3D7, &out);
    d3d = static_cast<IDirect3D7*>(out);
    target = Surface(kW, kH, format, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device);
    frameTexture = Texture(SeededTexels(kW, kH, 5), kW, kH);
    scaledTexture = Texture(SeededTexels(kScaledW, kScaledH, 8), kScaledW, kScaledH);
    spriteTexture = Texture(SeededTexels(64, 64, 6), 64, 64);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699u, 1.0f, 0);
  }
  ~Ours() {
    device->SetTexture(0, nullptr);
    frameTexture->Release();
    scaledTexture->Release();
    spriteTexture->Release();
    device->Release();
    target->Release();
    d3d->Release();
    dd->Release();
  }
  void Filter(bool linear) {
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, linear ? D3DTFG_LINEAR : D3DTFG_POINT);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, linear ? D3DTFN_LINEAR : D3DTFN_POINT);
  }
};

D3DTLVERTEX TL(float x, float y, float u, float v) {
  D3DTLVERTEX t{};
  t.sx = x;
  t.sy = y;
  t.rhw = 1;
  t.color = 0xFFFFFFFF;
  t.tu = u;
  t.tv = v;
  return t;
}

void Quad(IDirect3DDevice7* device, float x, float y, float w, float h) {
  D3DTLVERTEX q[4] = {TL(x - 0.5f, y - 0.5f, 0, 0), TL(x - 0.5f, y - 0.5f + h, 0, 1), TL(x - 0.5f + w, y - 0.5f, 1, 0),
                      TL(x - 0.5f + w, y - 0.5f + h, 1, 1)};
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, q, 4, 0);
}

// The frame quad under the renderer's filter (linear): the 1:1 texture
// takes the point loop, as it must to match the filter exactly; the
// 640 x 480 one is stretched with the bilinear loop.
void OursQuad(benchmark::State& state, DDrawStandIn::Format format, bool scaled) {
  Ours o(format);
  o.Filter(true);
  o.device->SetTexture(0, scaled ? o.scaledTexture : o.frameTexture);
  o.device->BeginScene();
  for (auto _ : state) Quad(o.device, 0, 0, kW, kH);
  o.device->EndScene();
}

void OursTriangles(benchmark::State& state, DDrawStandIn::Format format) {
  Ours o(format);
  o.Filter(false);
  o.device->SetTexture(0, o.spriteTexture);
  const std::vector<Tri> tris = SeededTriangles();
  std::vector<D3DTLVERTEX> verts;
  for (const Tri& t : tris)
    for (int i = 0; i < 3; ++i) verts.push_back(TL(t.x[i], t.y[i], t.u[i], t.v[i]));
  o.device->BeginScene();
  for (auto _ : state)
    o.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, verts.data(), static_cast<DWORD>(verts.size()), 0);
  o.device->EndScene();
  state.SetItemsProcessed(state.iterations() * kTriangles);
}

void OursSprites(benchmark::State& state, DDrawStandIn::Format format) {
  Ours o(format);
  o.Filter(true);  // the renderer's frame filter; 1:1 sprites take the point loop
  const std::vector<Placement> places = SeededSprites();
  for (auto _ : state) {
    o.device->BeginScene();
    o.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    o.device->SetTexture(0, o.spriteTexture);
    for (const Placement& p : places) Quad(o.device, static_cast<float>(p.x), static_cast<float>(p.y), 64, 64);
    o.device->SetTexture(0, nullptr);
    o.device->EndScene();
  }
}

// ---- SDL ----------------------------------------------------------------------------

struct Sdl {
  SDL_Surface* surface;
  SDL_Renderer* renderer;
  SDL_Texture* frameTexture;
  SDL_Texture* scaledTexture;
  SDL_Texture* spriteTexture;
  SDL_Texture* Texture(const std::vector<uint32_t>& px, int w, int h) {
    SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
    SDL_UpdateTexture(t, nullptr, px.data(), w * 4);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
    return t;
  }
  explicit Sdl(uint32_t format) {
    surface = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, SDL_BITSPERPIXEL(format), format);
    renderer = SDL_CreateSoftwareRenderer(surface);
    frameTexture = Texture(SeededTexels(kW, kH, 5), kW, kH);
    scaledTexture = Texture(SeededTexels(kScaledW, kScaledH, 8), kScaledW, kScaledH);
    spriteTexture = Texture(SeededTexels(64, 64, 6), 64, 64);
    SDL_SetRenderDrawColor(renderer, 0x33, 0x66, 0x99, 0xFF);
    SDL_RenderClear(renderer);
  }
  ~Sdl() {
    SDL_DestroyTexture(frameTexture);
    SDL_DestroyTexture(scaledTexture);
    SDL_DestroyTexture(spriteTexture);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
  }
};

SDL_Vertex SV(float x, float y, float u, float v) {
  SDL_Vertex s;
  s.position = SDL_FPoint{x, y};
  s.color = SDL_Color{255, 255, 255, 255};
  s.tex_coord = SDL_FPoint{u, v};
  return s;
}

void SdlQuad(benchmark::State& state, uint32_t format, bool scaled) {
  Sdl s(format);
  const SDL_Vertex v[6] = {SV(0, 0, 0, 0),  SV(kW, 0, 1, 0),  SV(0, kH, 0, 1),
                           SV(kW, 0, 1, 0), SV(kW, kH, 1, 1), SV(0, kH, 0, 1)};
  for (auto _ : state) {
    SDL_RenderGeometry(s.renderer, scaled ? s.scaledTexture : s.frameTexture, v, 6, nullptr, 0);
    SDL_RenderFlush(s.renderer);
  }
}

void SdlTriangles(benchmark::State& state, uint32_t format) {
  Sdl s(format);
  std::vector<SDL_Vertex> verts;
  for (const Tri& t : SeededTriangles())
    for (int i = 0; i < 3; ++i) verts.push_back(SV(t.x[i], t.y[i], t.u[i], t.v[i]));
  for (auto _ : state) {
    SDL_RenderGeometry(s.renderer, s.spriteTexture, verts.data(), static_cast<int>(verts.size()), nullptr, 0);
    SDL_RenderFlush(s.renderer);
  }
  state.SetItemsProcessed(state.iterations() * kTriangles);
}

void SdlSprites(benchmark::State& state, uint32_t format) {
  Sdl s(format);
  const std::vector<Placement> places = SeededSprites();
  for (auto _ : state) {
    SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 0xFF);
    SDL_RenderClear(s.renderer);
    for (const Placement& p : places) {
      const SDL_Rect dst{p.x, p.y, 64, 64};
      SDL_RenderCopy(s.renderer, s.spriteTexture, nullptr, &dst);
    }
    SDL_RenderFlush(s.renderer);
  }
}

// ---- pixman --------------------------------------------------------------------------

struct Pix {
  std::vector<uint32_t> frame, frameTex, scaledTex, spriteTex;
  pixman_image_t *dst, *frameImage, *scaledImage, *spriteImage;
  explicit Pix(pixman_format_code_t format) : frame(static_cast<size_t>(kW * kH), 0xFF336699u) {
    frameTex = Premultiplied(SeededTexels(kW, kH, 5));
    scaledTex = Premultiplied(SeededTexels(kScaledW, kScaledH, 8));
    spriteTex = Premultiplied(SeededTexels(64, 64, 6));
    const int stride = (kW * PIXMAN_FORMAT_BPP(format) / 8 + 3) & ~3;
    dst = pixman_image_create_bits(format, kW, kH, frame.data(), stride);
    frameImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, frameTex.data(), kW * 4);
    scaledImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, kScaledW, kScaledH, scaledTex.data(), kScaledW * 4);
    spriteImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, 64, 64, spriteTex.data(), 64 * 4);
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(static_cast<double>(kScaledW) / kW),
                                pixman_double_to_fixed(static_cast<double>(kScaledH) / kH));
    pixman_image_set_transform(scaledImage, &t);
    pixman_image_set_filter(scaledImage, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  }
  ~Pix() {
    pixman_image_unref(dst);
    pixman_image_unref(frameImage);
    pixman_image_unref(scaledImage);
    pixman_image_unref(spriteImage);
  }
};

void PixmanQuad(benchmark::State& state, pixman_format_code_t format, bool scaled) {
  Pix p(format);
  for (auto _ : state)
    pixman_image_composite32(PIXMAN_OP_OVER, scaled ? p.scaledImage : p.frameImage, nullptr, p.dst, 0, 0, 0, 0, 0, 0,
                             kW, kH);
}

void PixmanTriangles(benchmark::State& state, pixman_format_code_t format) {
  Pix p(format);
  std::vector<pixman_triangle_t> tris;
  for (const Tri& t : SeededTriangles()) {
    pixman_triangle_t pt;
    pt.p1 = pixman_point_fixed_t{pixman_double_to_fixed(t.x[0]), pixman_double_to_fixed(t.y[0])};
    pt.p2 = pixman_point_fixed_t{pixman_double_to_fixed(t.x[1]), pixman_double_to_fixed(t.y[1])};
    pt.p3 = pixman_point_fixed_t{pixman_double_to_fixed(t.x[2]), pixman_double_to_fixed(t.y[2])};
    tris.push_back(pt);
  }
  for (auto _ : state)
    for (const pixman_triangle_t& t : tris)  // each triangle its own draw, as the device's list does
      pixman_composite_triangles(PIXMAN_OP_OVER, p.spriteImage, p.dst, PIXMAN_a8, 0, 0, 0, 0, 1, &t);
  state.SetItemsProcessed(state.iterations() * kTriangles);
}

void PixmanSprites(benchmark::State& state, pixman_format_code_t format) {
  Pix p(format);
  const std::vector<Placement> places = SeededSprites();
  pixman_color_t black{0, 0, 0, 0xFFFF};
  for (auto _ : state) {
    pixman_box32_t whole{0, 0, kW, kH};
    pixman_image_fill_boxes(PIXMAN_OP_SRC, p.dst, &black, 1, &whole);
    for (const Placement& s : places)
      pixman_image_composite32(PIXMAN_OP_OVER, p.spriteImage, nullptr, p.dst, 0, 0, 0, 0, s.x, s.y, 64, 64);
  }
}

struct Screen {
  const char* suffix;
  DDrawStandIn::Format ours;
  uint32_t sdl;
  pixman_format_code_t pixman;
};
const Screen kScreens[] = {{"", DDrawStandIn::Format::kRGB888, SDL_PIXELFORMAT_RGB888, PIXMAN_x8r8g8b8},
                           {"_565", DDrawStandIn::Format::kRGB565, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5}};

}  // namespace

int main(int argc, char** argv) {
  for (const Screen& sc : kScreens) {
    const std::string x = sc.suffix;
    auto reg = [](const std::string& name, auto fn, auto... args) {
      benchmark::RegisterBenchmark(name.c_str(), fn, args...)->Unit(benchmark::kMillisecond);
    };
    reg("frame_point" + x + "/kivo", OursQuad, sc.ours, false);
    reg("frame_point" + x + "/sdl", SdlQuad, sc.sdl, false);
    reg("frame_point" + x + "/pixman", PixmanQuad, sc.pixman, false);
    reg("frame_scaled" + x + "/kivo", OursQuad, sc.ours, true);
    reg("frame_scaled" + x + "/sdl", SdlQuad, sc.sdl, true);
    reg("frame_scaled" + x + "/pixman", PixmanQuad, sc.pixman, true);
    reg("tris16" + x + "/kivo", OursTriangles, sc.ours);
    reg("tris16" + x + "/sdl", SdlTriangles, sc.sdl);
    reg("tris16" + x + "/pixman", PixmanTriangles, sc.pixman);
    reg("sprites" + x + "/kivo", OursSprites, sc.ours);
    reg("sprites" + x + "/sdl", SdlSprites, sc.sdl);
    reg("sprites" + x + "/pixman", PixmanSprites, sc.pixman);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  // The 8-8-8 screen is gated, and the 5-6-5 one's sprites against SDL;
  // the rest of the 5-6-5 screen is reported beside it.
  benchreport::GateTable table(reporter);
  for (const Screen& sc : kScreens) {
    const std::string x = sc.suffix;
    const bool gated = x.empty();
    const std::string d3d = "3D ";
    table.Add(d3d + "frame 1:1 alpha" + x, "frame_point" + x + "/kivo", "pixman OVER", "frame_point" + x + "/pixman",
              gated ? 1.0 : 0.0);
    table.Add(d3d + "frame 1:1 alpha" + x, "frame_point" + x + "/kivo", "SDL geometry", "frame_point" + x + "/sdl",
              0.0);
    table.Add(d3d + "frame bilinear x1.25" + x, "frame_scaled" + x + "/kivo", "pixman bilinear",
              "frame_scaled" + x + "/pixman", gated ? 0.5 : 0.0);
    table.Add(d3d + "frame bilinear x1.25" + x, "frame_scaled" + x + "/kivo", "SDL geometry (nearest)",
              "frame_scaled" + x + "/sdl", 0.0);
    table.Add(d3d + "tris16" + x, "tris16" + x + "/kivo", "SDL geometry", "tris16" + x + "/sdl", gated ? 1.2 : 0.0);
    table.Add(d3d + "tris16" + x, "tris16" + x + "/kivo", "pixman triangles", "tris16" + x + "/pixman", 0.0);
    table.Add(d3d + "sprites 200x64" + x, "sprites" + x + "/kivo", "SDL RenderCopy", "sprites" + x + "/sdl",
              gated ? 0.0 : 1.5);
    table.Add(d3d + "sprites 200x64" + x, "sprites" + x + "/kivo", "pixman OVER", "sprites" + x + "/pixman",
              gated ? 1.0 : 0.0);
    if (gated) table.AddBudget(d3d + "sprite frame", "sprites/kivo", 4.0);
  }
  const int code = table.Finish();
  benchmark::Shutdown();
  return code;
}
