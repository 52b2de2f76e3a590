// The software rasterizer (see D3DRaster.h).
//
// Layout of the work: a triangle is snapped to 1/16 pixel, split into rows
// whose left and right ends come from exact integer edge intercepts, and
// every attribute becomes a plane equation that is evaluated once per row at
// the span start and stepped per pixel in fixed point (colours 8.16, texture
// coordinates in texels 48.16). The specialised span loops and the
// reference span loop share that setup, so they must agree to the bit.
#include "platform/devices/D3DRaster.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The eight-pixel loops, compiled for AVX2 and taken when the processor
// has it.
#if defined(__x86_64__) && defined(__GNUC__)
#define KIVO_RASTER_AVX2 1
#include <immintrin.h>
#endif

namespace D3DRaster {
namespace {

std::atomic<bool> gForceReference{false};

// Coordinates further out than this are clipped before snapping, so the
// fixed-point edge arithmetic never overflows.
constexpr float kGuardBand = 16384.0f;

struct Rgba {
  std::uint32_t r, g, b, a;
};

inline std::uint32_t Clamp255(std::int64_t v) { return v < 0 ? 0u : (v > 255 ? 255u : static_cast<std::uint32_t>(v)); }

inline Rgba Unpack(std::uint32_t argb) {
  return Rgba{(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24};
}

// Nearest integer, halves rounded up; inline (no library call) because every
// span start rounds each attribute.
inline std::int64_t RoundToInt(double v) {
  if (!(v > -4e15)) v = -4e15;  // also NaN: far outside any texture, but defined
  if (v > 4e15) v = 4e15;
  const double h = v + 0.5;
  std::int64_t r = static_cast<std::int64_t>(h);
  if (static_cast<double>(r) > h) --r;
  return r;
}

inline std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {  // d > 0
  std::int64_t q = n / d;
  if ((n % d) != 0 && n < 0) --q;
  return q;
}
inline std::int64_t CeilDiv(std::int64_t n, std::int64_t d) { return -FloorDiv(-n, d); }

// ---- target pixels ---------------------------------------------------------

inline std::uint32_t Widen5(std::uint32_t v) { return v << 3 | v >> 2; }
inline std::uint32_t Widen6(std::uint32_t v) { return v << 2 | v >> 4; }

inline Rgba ReadTarget(const Target& t, int x, int y) {
  const std::uint8_t* row = t.pixels + static_cast<std::ptrdiff_t>(y) * t.pitch;
  switch (t.format) {
    case TargetFormat::kXRGB8888: {
      std::uint32_t p;
      std::memcpy(&p, row + x * 4, 4);
      return Rgba{(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, 255};
    }
    case TargetFormat::kXBGR8888: {
      std::uint32_t p;
      std::memcpy(&p, row + x * 4, 4);
      return Rgba{p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF, 255};
    }
    case TargetFormat::kRGB565: {
      std::uint16_t p;
      std::memcpy(&p, row + x * 2, 2);
      return Rgba{Widen5(p >> 11), Widen6((p >> 5) & 0x3F), Widen5(p & 0x1F), 255};
    }
    case TargetFormat::kRGB555: {
      std::uint16_t p;
      std::memcpy(&p, row + x * 2, 2);
      return Rgba{Widen5((p >> 10) & 0x1F), Widen5((p >> 5) & 0x1F), Widen5(p & 0x1F), 255};
    }
  }
  return Rgba{0, 0, 0, 255};
}

inline void WriteTarget(const Target& t, int x, int y, const Rgba& c) {
  std::uint8_t* row = t.pixels + static_cast<std::ptrdiff_t>(y) * t.pitch;
  switch (t.format) {
    case TargetFormat::kXRGB8888: {
      const std::uint32_t p = c.r << 16 | c.g << 8 | c.b;
      std::memcpy(row + x * 4, &p, 4);
      break;
    }
    case TargetFormat::kXBGR8888: {
      const std::uint32_t p = c.b << 16 | c.g << 8 | c.r;
      std::memcpy(row + x * 4, &p, 4);
      break;
    }
    case TargetFormat::kRGB565: {
      const std::uint16_t p = static_cast<std::uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
      std::memcpy(row + x * 2, &p, 2);
      break;
    }
    case TargetFormat::kRGB555: {
      const std::uint16_t p = static_cast<std::uint16_t>((c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3));
      std::memcpy(row + x * 2, &p, 2);
      break;
    }
  }
}

// ---- texture sampling --------------------------------------------------------

inline std::int64_t Address(std::int64_t i, int size, bool wrap) {
  if (wrap) {
    std::int64_t m = i % size;
    return m < 0 ? m + size : m;
  }
  return i < 0 ? 0 : (i >= size ? size - 1 : i);
}

inline std::uint32_t TexelAt(const Texture& t, std::int64_t x, std::int64_t y) {
  return t.texels[static_cast<std::size_t>(y) * static_cast<std::size_t>(t.width) + static_cast<std::size_t>(x)];
}

// s and t are texel coordinates x 65536; texel i spans [i, i + 1).
inline std::uint32_t SamplePoint(const Texture& t, std::int64_t s, std::int64_t tc, bool wrapU, bool wrapV) {
  return TexelAt(t, Address(s >> 16, t.width, wrapU), Address(tc >> 16, t.height, wrapV));
}

// Bilinear filter around the sample point, eight bits of weight per axis:
// each channel is ((c00 (256 - fx) + c10 fx + 128) >> 8) across, then the
// same down. Each step rounds: truncating would pull every blend down by up
// to a level, so a sample a rounding error short of a texel centre (as the
// planes of triangles cut at texture-piece borders often give) would read
// the previous texel's value. Written channel by channel; the fast loops
// pack two channels a word.
//
// The weights are the sample's offset from the texel centre to its left
// rounded to the nearest 1/256, not truncated: a sample a hair short of a
// centre (the planes of scaled draws land one 1/65536 step either side)
// would otherwise give the texel only 255/256 of the weight, and an opaque
// texel beside a transparent one would come out a level short in colour and
// alpha (white over black as 0xFDFDFD). Rounded, every sample within 1/512
// of a centre takes that texel exactly.
constexpr std::int64_t kLinearOrigin = 32768 - 128;  // half a texel, less half a weight step
std::uint32_t SampleLinearReference(const Texture& t, std::int64_t s, std::int64_t tc, bool wrapU, bool wrapV) {
  s -= kLinearOrigin;
  tc -= kLinearOrigin;
  const std::int64_t i0 = s >> 16;
  const std::int64_t j0 = tc >> 16;
  const std::uint32_t fx = static_cast<std::uint32_t>((s >> 8) & 0xFF);
  const std::uint32_t fy = static_cast<std::uint32_t>((tc >> 8) & 0xFF);
  const std::int64_t x0 = Address(i0, t.width, wrapU), x1 = Address(i0 + 1, t.width, wrapU);
  const std::int64_t y0 = Address(j0, t.height, wrapV), y1 = Address(j0 + 1, t.height, wrapV);
  const std::uint32_t c00 = TexelAt(t, x0, y0), c10 = TexelAt(t, x1, y0);
  const std::uint32_t c01 = TexelAt(t, x0, y1), c11 = TexelAt(t, x1, y1);
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t top = (((c00 >> shift) & 0xFF) * (256 - fx) + ((c10 >> shift) & 0xFF) * fx + 128) >> 8;
    const std::uint32_t bottom = (((c01 >> shift) & 0xFF) * (256 - fx) + ((c11 >> shift) & 0xFF) * fx + 128) >> 8;
    out |= ((top * (256 - fy) + bottom * fy + 128) >> 8) << shift;
  }
  return out;
}

// Two lanes at once; a lane's sum stays below 255 x 256 + 128, so the
// rounding half never carries into the next lane.
inline std::uint32_t Lerp2x8(std::uint32_t a, std::uint32_t b, std::uint32_t f) {
  const std::uint32_t rb = (((a & 0x00FF00FFu) * (256 - f) + (b & 0x00FF00FFu) * f + 0x00800080u) >> 8) & 0x00FF00FFu;
  const std::uint32_t ag =
      ((((a >> 8) & 0x00FF00FFu) * (256 - f) + ((b >> 8) & 0x00FF00FFu) * f + 0x00800080u) >> 8) & 0x00FF00FFu;
  return rb | ag << 8;
}

inline std::uint32_t SampleLinearFast(const Texture& t, std::int64_t s, std::int64_t tc, bool wrapU, bool wrapV) {
  s -= kLinearOrigin;
  tc -= kLinearOrigin;
  const std::int64_t i0 = s >> 16;
  const std::int64_t j0 = tc >> 16;
  const std::uint32_t fx = static_cast<std::uint32_t>((s >> 8) & 0xFF);
  const std::uint32_t fy = static_cast<std::uint32_t>((tc >> 8) & 0xFF);
  const std::int64_t x0 = Address(i0, t.width, wrapU), x1 = Address(i0 + 1, t.width, wrapU);
  const std::int64_t y0 = Address(j0, t.height, wrapV), y1 = Address(j0 + 1, t.height, wrapV);
  const std::uint32_t top = Lerp2x8(TexelAt(t, x0, y0), TexelAt(t, x1, y0), fx);
  const std::uint32_t bottom = Lerp2x8(TexelAt(t, x0, y1), TexelAt(t, x1, y1), fx);
  return Lerp2x8(top, bottom, fy);
}

// ---- the per-pixel pipeline (reference) --------------------------------------

struct PixelInputs {
  Rgba diffuse;
  std::int64_t s[2];  // per stage, texel units x 65536
  std::int64_t t[2];
};

std::uint32_t ApplyOp(Op op, std::uint32_t a1, std::uint32_t a2) {
  switch (op) {
    case Op::kSelectArg1: return a1;
    case Op::kSelectArg2: return a2;
    case Op::kModulate: return Mul8(a1, a2);
    case Op::kAdd: return std::min<std::uint32_t>(255, a1 + a2);
    case Op::kDisable: break;
  }
  return a2;
}

Rgba ShadeReference(const State& st, const PixelInputs& in) {
  Rgba cur = in.diffuse;
  for (int k = 0; k < 2; ++k) {
    const Stage& sg = st.stages[k];
    if (sg.colorOp == Op::kDisable) break;
    // A later stage without a texture hands the current colour on.
    if (k > 0 && sg.texture == nullptr) continue;
    Rgba tex{255, 255, 255, 255};
    if (sg.texture != nullptr)
      tex = Unpack(sg.linear ? SampleLinearReference(*sg.texture, in.s[k], in.t[k], sg.wrapU, sg.wrapV)
                             : SamplePoint(*sg.texture, in.s[k], in.t[k], sg.wrapU, sg.wrapV));
    auto pick = [&](Arg a) -> const Rgba& {
      switch (a) {
        case Arg::kDiffuse: return in.diffuse;
        case Arg::kTexture: return tex;
        case Arg::kCurrent: break;
      }
      return cur;
    };
    const Rgba& c1 = pick(sg.colorArg1);
    const Rgba& c2 = pick(sg.colorArg2);
    Rgba out;
    out.r = ApplyOp(sg.colorOp, c1.r, c2.r);
    out.g = ApplyOp(sg.colorOp, c1.g, c2.g);
    out.b = ApplyOp(sg.colorOp, c1.b, c2.b);
    out.a = sg.alphaOp == Op::kDisable ? cur.a : ApplyOp(sg.alphaOp, pick(sg.alphaArg1).a, pick(sg.alphaArg2).a);
    cur = out;
  }
  return cur;
}

std::uint32_t Factor(Blend f, std::uint32_t srcChannel, std::uint32_t srcAlpha, std::uint32_t dstChannel) {
  switch (f) {
    case Blend::kZero: return 0;
    case Blend::kOne: return 255;
    case Blend::kSrcColor: return srcChannel;
    case Blend::kInvSrcColor: return 255 - srcChannel;
    case Blend::kSrcAlpha: return srcAlpha;
    case Blend::kInvSrcAlpha: return 255 - srcAlpha;
    case Blend::kDestAlpha: return 255;  // targets carry no alpha: read as opaque
    case Blend::kInvDestAlpha: return 0;
    case Blend::kDestColor: return dstChannel;
    case Blend::kInvDestColor: return 255 - dstChannel;
  }
  return 0;
}

// result = (src x SRC + dst x DEST) / 255, rounded once, clamped.
Rgba BlendReference(const State& st, const Rgba& s, const Rgba& d) {
  if (!st.blendEnable) return s;
  auto channel = [&](std::uint32_t sc, std::uint32_t dc) {
    return std::min<std::uint32_t>(
        255, Div255Round(sc * Factor(st.srcBlend, sc, s.a, dc) + dc * Factor(st.destBlend, sc, s.a, dc)));
  };
  return Rgba{channel(s.r, d.r), channel(s.g, d.g), channel(s.b, d.b), 255};
}

// ---- triangle setup ------------------------------------------------------------

enum Attr { kR, kG, kB, kA, kS0, kT0, kS1, kT1, kAttrCount };

struct Plane {
  double base = 0;  // value at (x0, y0)
  double dx = 0;
  double dy = 0;
};

struct Setup {
  double x0 = 0, y0 = 0;
  Plane attr[kAttrCount];
  bool active[kAttrCount];    // read by some stage
  bool constant[kAttrCount];  // same value everywhere
  std::int64_t constValue[kAttrCount];
  std::int64_t step[kAttrCount];  // per pixel along x, fixed point
  int varying[kAttrCount];        // the active attributes that are not constant
  int varyingCount = 0;
  Plane q;  // reciprocal w, perspective case only
  bool perspective = false;
  double scale[kAttrCount];
  double bias[kAttrCount];
  int texW[2] = {1, 1};
  int texH[2] = {1, 1};
};

double AttrOf(const Vertex& v, int k, const Stage* stages) {
  switch (k) {
    case kR: return v.r;
    case kG: return v.g;
    case kB: return v.b;
    case kA: return v.a;
    case kS0: return v.u[stages[0].texCoordIndex & 1];
    case kT0: return v.v[stages[0].texCoordIndex & 1];
    case kS1: return v.u[stages[1].texCoordIndex & 1];
    default: return v.v[stages[1].texCoordIndex & 1];
  }
}

// One row's fixed-point attribute values at the span start, and steps.
struct RowValues {
  std::int64_t value[kAttrCount];
  std::int64_t step[kAttrCount];
};

void RowStart(const Setup& su, int xs, int py, RowValues& rv) {
  const double ox = xs - su.x0, oy = py - su.y0;
  std::memcpy(rv.value, su.constValue, sizeof(rv.value));
  std::memcpy(rv.step, su.step, sizeof(rv.step));
  for (int i = 0; i < su.varyingCount; ++i) {
    const int k = su.varying[i];
    const Plane& p = su.attr[k];
    rv.value[k] = RoundToInt((p.base + p.dx * ox + p.dy * oy) * su.scale[k] + su.bias[k]);
  }
}

// Perspective case: attributes at one pixel, divided by the interpolated q.
void PerspectivePixel(const Setup& su, int px, int py, PixelInputs& in) {
  const double ox = px - su.x0, oy = py - su.y0;
  double q = su.q.base + su.q.dx * ox + su.q.dy * oy;
  if (!(q > 1e-12)) q = 1e-12;
  double v[kAttrCount];
  for (int k = 0; k < kAttrCount; ++k) {
    const Plane& p = su.attr[k];
    v[k] = (p.base + p.dx * ox + p.dy * oy) / q;
  }
  in.diffuse = Rgba{Clamp255(std::llround(v[kR])), Clamp255(std::llround(v[kG])), Clamp255(std::llround(v[kB])),
                    Clamp255(std::llround(v[kA]))};
  for (int k = 0; k < 2; ++k) {
    in.s[k] = std::llround(std::clamp(v[kS0 + 2 * k] * su.scale[kS0 + 2 * k], -4e15, 4e15));
    in.t[k] = std::llround(std::clamp(v[kT0 + 2 * k] * su.scale[kT0 + 2 * k], -4e15, 4e15));
  }
}

inline Rgba DiffuseOf(const std::int64_t* value) {
  return Rgba{Clamp255(value[kR] >> 16), Clamp255(value[kG] >> 16), Clamp255(value[kB] >> 16),
              Clamp255(value[kA] >> 16)};
}

void SpanReference(const Target& target, const State& st, const Setup& su, int py, int xs, int xe) {
  if (su.perspective) {
    for (int x = xs; x < xe; ++x) {
      PixelInputs in;
      PerspectivePixel(su, x, py, in);
      WriteTarget(target, x, py, BlendReference(st, ShadeReference(st, in), ReadTarget(target, x, py)));
    }
    return;
  }
  RowValues rv;
  RowStart(su, xs, py, rv);
  for (int x = xs; x < xe; ++x) {
    const std::int64_t n = x - xs;
    std::int64_t v[kAttrCount];
    for (int k = 0; k < kAttrCount; ++k) v[k] = rv.value[k] + n * rv.step[k];
    PixelInputs in;
    in.diffuse = DiffuseOf(v);
    in.s[0] = v[kS0];
    in.t[0] = v[kT0];
    in.s[1] = v[kS1];
    in.t[1] = v[kT1];
    WriteTarget(target, x, py, BlendReference(st, ShadeReference(st, in), ReadTarget(target, x, py)));
  }
}

// ---- specialised span loops ---------------------------------------------------

enum Sampler { kSampleWhite, kSamplePoint, kSampleLinear };
enum ColorMode {
  kColorTexture,    // texture colour and alpha as they are (white diffuse)
  kColorModulate,   // texture x interpolated diffuse
  kColorDiffuseSq,  // diffuse x diffuse, texture gives alpha only
};
enum BlendMode { kBlendReplace, kBlendOver, kBlendAddAlpha, kBlendAdd };

struct FastParams {
  const Texture* texture;
  bool wrapU, wrapV;
  bool alphaModulate;
  // The two-stage loop: stage 0's filter and colour source, and stage 1.
  bool linear;
  bool selectTexture;  // stage 0's colour is the texture's alone
  const Texture* texture1;
  bool wrapU1, wrapV1, linear1;
  Op colorOp1;
  bool alphaModulate1;  // stage 1's alpha = its texture's x stage 0's
  // The picture rows that copy texture rows as they are (texture colour,
  // point samples, a blend with a row loop): TexelRowInto. Null for any
  // other loop.
  void (*blendTexelRow)(std::uint8_t* row, int x, const Texture& tex, int tx, int ty, int n);
};

// Div255Round of two lanes at bits 0 and 16, each at most 255 x 255.
inline std::uint32_t Div255RoundPair(std::uint32_t pair) {
  const std::uint32_t t = pair + 0x00800080u;
  return ((t + ((t >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// Blends one source pixel (0xAARRGGBB) into the target row at x.
template <TargetFormat F, int B>
inline void PutPixel(std::uint8_t* row, int x, std::uint32_t src) {
  const std::uint32_t sa = src >> 24;
  if (F == TargetFormat::kXRGB8888) {
    std::uint32_t* p = reinterpret_cast<std::uint32_t*>(row) + x;
    if (B == kBlendReplace) {
      *p = src & 0x00FFFFFFu;
    } else if (B == kBlendOver) {
      // Pictures come in runs of transparent and opaque pixels: skipping
      // them beats blending them (the blend is exact there anyway).
      if (sa == 255) {
        *p = src & 0x00FFFFFFu;
      } else if (sa != 0) {
        const std::uint32_t d = *p;
        const std::uint32_t inv = 255 - sa;
        const std::uint32_t rb = Div255RoundPair((src & 0x00FF00FFu) * sa + (d & 0x00FF00FFu) * inv);
        const std::uint32_t gg = Div255RoundPair(((src >> 8) & 0xFFu) * sa + ((d >> 8) & 0xFFu) * inv);
        *p = rb | gg << 8;
      }
    } else {
      const std::uint32_t d = *p;
      std::uint32_t rr, gg, bb;
      if (B == kBlendAddAlpha) {
        rr = std::min<std::uint32_t>(255, Div255Round(((src >> 16) & 0xFF) * sa + ((d >> 16) & 0xFF) * 255));
        gg = std::min<std::uint32_t>(255, Div255Round(((src >> 8) & 0xFF) * sa + ((d >> 8) & 0xFF) * 255));
        bb = std::min<std::uint32_t>(255, Div255Round((src & 0xFF) * sa + (d & 0xFF) * 255));
      } else {
        rr = std::min<std::uint32_t>(255, ((src >> 16) & 0xFF) + ((d >> 16) & 0xFF));
        gg = std::min<std::uint32_t>(255, ((src >> 8) & 0xFF) + ((d >> 8) & 0xFF));
        bb = std::min<std::uint32_t>(255, (src & 0xFF) + (d & 0xFF));
      }
      *p = rr << 16 | gg << 8 | bb;
    }
  } else {  // 5-6-5
    std::uint16_t* p = reinterpret_cast<std::uint16_t*>(row) + x;
    const std::uint32_t sr = (src >> 16) & 0xFF, sg = (src >> 8) & 0xFF, sb = src & 0xFF;
    std::uint32_t rr = sr, gg = sg, bb = sb;
    if (B != kBlendReplace) {
      const std::uint32_t d = *p;
      const std::uint32_t dr5 = Widen5(d >> 11), dg6 = Widen6((d >> 5) & 0x3F), db5 = Widen5(d & 0x1F);
      if (B == kBlendOver) {
        const std::uint32_t inv = 255 - sa;
        rr = Div255Round(sr * sa + dr5 * inv);
        gg = Div255Round(sg * sa + dg6 * inv);
        bb = Div255Round(sb * sa + db5 * inv);
      } else if (B == kBlendAddAlpha) {
        rr = std::min<std::uint32_t>(255, Div255Round(sr * sa + dr5 * 255));
        gg = std::min<std::uint32_t>(255, Div255Round(sg * sa + dg6 * 255));
        bb = std::min<std::uint32_t>(255, Div255Round(sb * sa + db5 * 255));
      } else {
        rr = std::min<std::uint32_t>(255, sr + dr5);
        gg = std::min<std::uint32_t>(255, sg + dg6);
        bb = std::min<std::uint32_t>(255, sb + db5);
      }
    }
    *p = static_cast<std::uint16_t>((rr >> 3) << 11 | (gg >> 2) << 5 | (bb >> 3));
  }
}

// ---- fetch-then-combine rows (texture colour, OVER) --------------------------
//
// The commonest draw (an alpha picture on the screen) runs in two
// passes over a row: fetch the texels, then blend four pixels a step. The
// blend is the reference's, lane for lane: the same rounding, so opaque
// texels come out as themselves and transparent ones leave the colour as it
// was; the unused top byte is written 0 as the reference writes it (a run
// of four transparent texels is skipped and keeps it).

constexpr int kFetchChunk = 256;
constexpr int kShortSpan = 8;  // SpanFetched's pixel-by-pixel rows

// Whether every point sample of an n-pixel span lies inside the texture:
// the coordinates are linear, so both ends inside means all inside.
inline bool PointSpanInside(const Texture& tex, std::int64_t s, std::int64_t t, std::int64_t ds, std::int64_t dt,
                            int n) {
  const std::int64_t sEnd = s + (n - 1) * ds, tEnd = t + (n - 1) * dt;
  const std::int64_t sMax = static_cast<std::int64_t>(tex.width) << 16;
  const std::int64_t tMax = static_cast<std::int64_t>(tex.height) << 16;
  return s >= 0 && s < sMax && sEnd >= 0 && sEnd < sMax && t >= 0 && t < tMax && tEnd >= 0 && tEnd < tMax;
}

#if defined(__SSE2__)
// Source over destination for two pixels, 16 bits a channel. (t x 257) >>
// 16 equals Div255Round's (t + (t >> 8)) >> 8 for every t below 65536, in
// one instruction.
inline __m128i BlendOverHalf(__m128i s, __m128i d) {
  const __m128i c255 = _mm_set1_epi16(255), c128 = _mm_set1_epi16(128), c257 = _mm_set1_epi16(257);
  const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
  const __m128i t =
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(c255, a))), c128);
  return _mm_mulhi_epu16(t, c257);
}
#endif

#if defined(KIVO_RASTER_AVX2)
// Whether this processor runs the eight-pixel loops (asked once).
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// BlendOverHalf on four pixels.
__attribute__((target("avx2"))) inline __m256i BlendOverHalfAvx2(__m256i s, __m256i d) {
  const __m256i c255 = _mm256_set1_epi16(255), c128 = _mm256_set1_epi16(128), c257 = _mm256_set1_epi16(257);
  const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
  const __m256i t = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, _mm256_sub_epi16(c255, a))), c128);
  return _mm256_mulhi_epu16(t, c257);
}

// OverRow eight pixels a step; answers how many pixels it blended. Eight
// transparent texels leave their pixels as they are, eight opaque ones are
// copied (the blend gives exactly that), the rest blended as OverRow does.
__attribute__((target("avx2"))) int OverRowAvx2(std::uint32_t* dst, const std::uint32_t* src, int n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i sa = _mm256_and_si256(s, alphaMask);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(sa, zero)) == -1) continue;
    __m256i* out = reinterpret_cast<__m256i*>(dst + i);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(sa, alphaMask)) == -1) {
      _mm256_storeu_si256(out, _mm256_and_si256(s, colourMask));
      continue;
    }
    const __m256i d = _mm256_loadu_si256(out);
    const __m256i lo = BlendOverHalfAvx2(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
    const __m256i hi = BlendOverHalfAvx2(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
    _mm256_storeu_si256(out, _mm256_and_si256(_mm256_packus_epi16(lo, hi), colourMask));
  }
  return i;
}
#endif

// The over blend pixel by pixel, without PutPixel's opaque and transparent
// shortcuts: short spans of mixed texels mispredict them, and the blend is
// exact at both ends anyway.
inline void OverPixels(std::uint32_t* dst, const std::uint32_t* src, int n) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t s = src[i], d = dst[i], sa = s >> 24, inv = 255 - sa;
    const std::uint32_t rb = Div255RoundPair((s & 0x00FF00FFu) * sa + (d & 0x00FF00FFu) * inv);
    const std::uint32_t gg = Div255RoundPair(((s >> 8) & 0xFFu) * sa + ((d >> 8) & 0xFFu) * inv);
    dst[i] = rb | gg << 8;
  }
}

void OverRow(std::uint32_t* dst, const std::uint32_t* src, int n) {
  int i = 0;
#if defined(KIVO_RASTER_AVX2)
  if (HasAvx2()) i = OverRowAvx2(dst, src, n);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 4 <= n; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i sa = _mm_and_si128(s, alphaMask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, zero)) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    const __m128i d = _mm_loadu_si128(out);
    const __m128i lo = BlendOverHalf(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    const __m128i hi = BlendOverHalf(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    _mm_storeu_si128(out, _mm_and_si128(_mm_packus_epi16(lo, hi), colourMask));
  }
#endif
  OverPixels(dst + i, src + i, n - i);
}

// The same blend onto a 5-6-5 row: the target's channels widened by bit
// replication, blended, and cut back to 5-6-5, as PutPixel does; four
// transparent texels leave their pixels as they are (the blend would too).
#if defined(KIVO_RASTER_AVX2)
// OverRow565 eight pixels a step; answers how many pixels it blended. Eight
// opaque texels are cut to 5-6-5 as they are (what the blend gives them).
__attribute__((target("avx2"))) int OverRow565Avx2(std::uint16_t* dst, const std::uint32_t* src, int n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i five = _mm256_set1_epi32(0x1F), six = _mm256_set1_epi32(0x3F);
  const __m256i red = _mm256_set1_epi32(0xF800), green = _mm256_set1_epi32(0x07E0);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i sa = _mm256_and_si256(s, alphaMask);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(sa, zero)) == -1) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    __m256i x = s;
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(sa, alphaMask)) != -1) {
      const __m256i d = _mm256_cvtepu16_epi32(_mm_loadu_si128(out));
      const __m256i r5 = _mm256_and_si256(_mm256_srli_epi32(d, 11), five);
      const __m256i g6 = _mm256_and_si256(_mm256_srli_epi32(d, 5), six);
      const __m256i b5 = _mm256_and_si256(d, five);
      const __m256i r8 = _mm256_or_si256(_mm256_slli_epi32(r5, 3), _mm256_srli_epi32(r5, 2));
      const __m256i g8 = _mm256_or_si256(_mm256_slli_epi32(g6, 2), _mm256_srli_epi32(g6, 4));
      const __m256i b8 = _mm256_or_si256(_mm256_slli_epi32(b5, 3), _mm256_srli_epi32(b5, 2));
      const __m256i wide = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(r8, 16), _mm256_slli_epi32(g8, 8)), b8);
      const __m256i lo = BlendOverHalfAvx2(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(wide, zero));
      const __m256i hi = BlendOverHalfAvx2(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(wide, zero));
      x = _mm256_packus_epi16(lo, hi);
    }
    const __m256i packed = _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(x, 8), red),
                                                           _mm256_and_si256(_mm256_srli_epi32(x, 5), green)),
                                           _mm256_and_si256(_mm256_srli_epi32(x, 3), five));
    // Each 128-bit lane packs its four values twice; the low halves of the
    // two lanes are the eight pixels in order.
    const __m256i halves = _mm256_permute4x64_epi64(_mm256_packus_epi32(packed, packed), 0x08);
    _mm_storeu_si128(out, _mm256_castsi256_si128(halves));
  }
  return i;
}
#endif

void OverRow565(std::uint16_t* dst, const std::uint32_t* src, int n) {
  int i = 0;
#if defined(KIVO_RASTER_AVX2)
  if (HasAvx2()) i = OverRow565Avx2(dst, src, n);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i five = _mm_set1_epi32(0x1F), six = _mm_set1_epi32(0x3F);
  for (; i + 4 <= n; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), zero)) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    const __m128i d = _mm_unpacklo_epi16(_mm_loadl_epi64(out), zero);
    const __m128i r5 = _mm_and_si128(_mm_srli_epi32(d, 11), five);
    const __m128i g6 = _mm_and_si128(_mm_srli_epi32(d, 5), six);
    const __m128i b5 = _mm_and_si128(d, five);
    const __m128i r8 = _mm_or_si128(_mm_slli_epi32(r5, 3), _mm_srli_epi32(r5, 2));
    const __m128i g8 = _mm_or_si128(_mm_slli_epi32(g6, 2), _mm_srli_epi32(g6, 4));
    const __m128i b8 = _mm_or_si128(_mm_slli_epi32(b5, 3), _mm_srli_epi32(b5, 2));
    const __m128i wide = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r8, 16), _mm_slli_epi32(g8, 8)), b8);
    const __m128i lo = BlendOverHalf(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(wide, zero));
    const __m128i hi = BlendOverHalf(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(wide, zero));
    const __m128i x = _mm_packus_epi16(lo, hi);
    const __m128i packed = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(x, 8), _mm_set1_epi32(0xF800)),
                                                     _mm_and_si128(_mm_srli_epi32(x, 5), _mm_set1_epi32(0x07E0))),
                                        _mm_and_si128(_mm_srli_epi32(x, 3), five));
    // Sign-extend the 16-bit values so the saturating pack keeps them.
    const __m128i halves = _mm_srai_epi32(_mm_slli_epi32(packed, 16), 16);
    _mm_storel_epi64(out, _mm_packs_epi32(halves, halves));
  }
#endif
  std::uint8_t* row = reinterpret_cast<std::uint8_t*>(dst);
  for (; i < n; ++i) PutPixel<TargetFormat::kRGB565, kBlendOver>(row, i, src[i]);
}

// Source times its alpha plus destination, saturated (the additive
// blend), four pixels a step: min(255, d + s x sa / 255) per channel is the
// reference's (s x sa + d x 255) / 255 rounded and clamped, because d x 255
// divides exactly and any sum past what the division rounds exactly is
// clamped to 255 either way. Groups of four transparent texels are skipped.
void AddAlphaRow(std::uint32_t* dst, const std::uint32_t* src, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
  const __m128i c128 = _mm_set1_epi16(128), c257 = _mm_set1_epi16(257);
  auto scaled = [&](__m128i s16) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
    return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(s16, a), c128), c257);
  };
  for (; i + 4 <= n; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), zero)) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    const __m128i add = _mm_packus_epi16(scaled(_mm_unpacklo_epi8(s, zero)), scaled(_mm_unpackhi_epi8(s, zero)));
    _mm_storeu_si128(out, _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(out), add), colourMask));
  }
#endif
  std::uint8_t* row = reinterpret_cast<std::uint8_t*>(dst);
  for (; i < n; ++i) PutPixel<TargetFormat::kXRGB8888, kBlendAddAlpha>(row, i, src[i]);
}

// Source plus destination, saturated, four pixels a step.
void AddRow(std::uint32_t* dst, const std::uint32_t* src, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 4 <= n; i += 4) {
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(out, _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(out), s), colourMask));
  }
#endif
  std::uint8_t* row = reinterpret_cast<std::uint8_t*>(dst);
  for (; i < n; ++i) PutPixel<TargetFormat::kXRGB8888, kBlendAdd>(row, i, src[i]);
}

// A row of source pixels blended into the target from x on, by the row
// loops the format and blend have, else pixel by pixel.
template <TargetFormat F, int B>
void BlendFetchedRow(std::uint8_t* row, int x, const std::uint32_t* src, int n) {
  if constexpr (F == TargetFormat::kXRGB8888 && B == kBlendOver) {
    OverRow(reinterpret_cast<std::uint32_t*>(row) + x, src, n);
  } else if constexpr (F == TargetFormat::kRGB565 && B == kBlendOver) {
    OverRow565(reinterpret_cast<std::uint16_t*>(row) + x, src, n);
  } else if constexpr (F == TargetFormat::kXRGB8888 && B == kBlendAddAlpha) {
    AddAlphaRow(reinterpret_cast<std::uint32_t*>(row) + x, src, n);
  } else if constexpr (F == TargetFormat::kXRGB8888 && B == kBlendAdd) {
    AddRow(reinterpret_cast<std::uint32_t*>(row) + x, src, n);
  } else {
    for (int i = 0; i < n; ++i) PutPixel<F, B>(row, x + i, src[i]);
  }
}

// One run of opaque texels copied as the over blend leaves them.
template <TargetFormat F>
void CopyOpaqueRun(std::uint8_t* row, int x, const std::uint32_t* src, int n) {
  if constexpr (F == TargetFormat::kXRGB8888) {
    std::uint32_t* out = reinterpret_cast<std::uint32_t*>(row) + x;
    for (int i = 0; i < n; ++i) out[i] = src[i] & 0x00FFFFFFu;
  } else {
    std::uint16_t* out = reinterpret_cast<std::uint16_t*>(row) + x;
    for (int i = 0; i < n; ++i) {
      const std::uint32_t c = src[i];
      out[i] = static_cast<std::uint16_t>((c >> 8 & 0xF800) | (c >> 5 & 0x07E0) | (c >> 3 & 0x1F));
    }
  }
}

// n texels of texture row ty from column tx on, blended into the target row
// from x on. Over a texture with runs, clear runs are skipped and opaque
// ones copied (what the blend gives both), the rest blended by the row.
template <TargetFormat F, int B>
void TexelRowInto(std::uint8_t* row, int x, const Texture& tex, int tx, int ty, int n) {
  const std::uint32_t* src =
      tex.texels + static_cast<std::size_t>(ty) * static_cast<std::size_t>(tex.width) + static_cast<std::size_t>(tx);
  if constexpr (B == kBlendOver) {
    // A row kept as one mixed run is blended whole.
    if (tex.runs != nullptr &&
        !(tex.rowRuns[ty + 1] - tex.rowRuns[ty] == 1 && (tex.runs[tex.rowRuns[ty]] & 3u) == kRunMixed)) {
      const std::uint32_t* first = tex.runs + tex.rowRuns[ty];
      const std::uint32_t* last = tex.runs + tex.rowRuns[ty + 1];
      // The run holding column tx: the first whose end lies past it.
      const std::uint32_t* run =
          std::upper_bound(first, last, static_cast<std::uint32_t>(tx),
                           [](std::uint32_t column, std::uint32_t r) { return column < (r >> 2); });
      int done = 0;
      for (; run != last && done < n; ++run) {
        const int end = std::min(n, static_cast<int>(*run >> 2) - tx);
        const std::uint32_t kind = *run & 3u;
        if (kind == kRunOpaque)
          CopyOpaqueRun<F>(row, x + done, src + done, end - done);
        else if (kind == kRunMixed)
          BlendFetchedRow<F, B>(row, x + done, src + done, end - done);
        done = end;
      }
      return;
    }
  }
  BlendFetchedRow<F, B>(row, x, src, n);
}

// Texels times a flat colour in place, as the reference's modulate gives
// them: Mul8 per channel, the alpha too when it is modulated (else times
// 255, which leaves it as it is).
void TintRow(std::uint32_t* px, int n, std::uint32_t cr, std::uint32_t cg, std::uint32_t cb, std::uint32_t ca) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c128 = _mm_set1_epi16(128), c257 = _mm_set1_epi16(257);
  const __m128i colour =
      _mm_setr_epi16(static_cast<short>(cb), static_cast<short>(cg), static_cast<short>(cr), static_cast<short>(ca),
                     static_cast<short>(cb), static_cast<short>(cg), static_cast<short>(cr), static_cast<short>(ca));
  auto times = [&](__m128i x16) { return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(x16, colour), c128), c257); };
  for (; i + 4 <= n; i += 4) {
    __m128i* p = reinterpret_cast<__m128i*>(px + i);
    const __m128i x = _mm_loadu_si128(p);
    _mm_storeu_si128(p, _mm_packus_epi16(times(_mm_unpacklo_epi8(x, zero)), times(_mm_unpackhi_epi8(x, zero))));
  }
#endif
  for (; i < n; ++i) {
    const std::uint32_t texel = px[i];
    px[i] = Mul8(texel >> 24, ca) << 24 | Mul8((texel >> 16) & 0xFF, cr) << 16 | Mul8((texel >> 8) & 0xFF, cg) << 8 |
            Mul8(texel & 0xFF, cb);
  }
}

// Bilinear samples of a row stepping one texel a pixel along a texel row
// (pictures drawn 1:1 at a fractional place): both weights stay the same
// along the row, so four samples are blended a step from two unaligned
// loads of each of the two texel rows (already addressed), as
// SampleLinearFast blends each. s is moved back by kLinearOrigin, and
// every sample's two columns lie inside the texture.
void FetchLinearAlongRow(const std::uint32_t* topRow, const std::uint32_t* bottomRow, std::int64_t s, std::uint32_t fy,
                         std::uint32_t* out, int n) {
  const std::uint32_t* top = topRow + static_cast<std::size_t>(s >> 16);
  const std::uint32_t* bottom = bottomRow + static_cast<std::size_t>(s >> 16);
  const std::uint32_t fx = static_cast<std::uint32_t>((s >> 8) & 0xFF);
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128);
  const __m128i wx0 = _mm_set1_epi16(static_cast<short>(256 - fx)), wx1 = _mm_set1_epi16(static_cast<short>(fx));
  const __m128i wy0 = _mm_set1_epi16(static_cast<short>(256 - fy)), wy1 = _mm_set1_epi16(static_cast<short>(fy));
  auto lerp = [&](__m128i a, __m128i b, __m128i w0, __m128i w1) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(a, w0), _mm_mullo_epi16(b, w1)), c128), 8);
  };
  // Sample i reads texels i and i + 1 of both rows; the last reads texel n.
  for (; i + 4 <= n; i += 4) {
    const __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + i));
    const __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + i + 1));
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + i));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + i + 1));
    const __m128i lo = lerp(lerp(_mm_unpacklo_epi8(t0, zero), _mm_unpacklo_epi8(t1, zero), wx0, wx1),
                            lerp(_mm_unpacklo_epi8(b0, zero), _mm_unpacklo_epi8(b1, zero), wx0, wx1), wy0, wy1);
    const __m128i hi = lerp(lerp(_mm_unpackhi_epi8(t0, zero), _mm_unpackhi_epi8(t1, zero), wx0, wx1),
                            lerp(_mm_unpackhi_epi8(b0, zero), _mm_unpackhi_epi8(b1, zero), wx0, wx1), wy0, wy1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) out[i] = Lerp2x8(Lerp2x8(top[i], top[i + 1], fx), Lerp2x8(bottom[i], bottom[i + 1], fx), fy);
}

// Bilinear samples of a row whose whole footprint lies inside the texture
// (no address mode needed), as SampleLinearFast computes them.
void FetchLinearInside(const Texture& tex, std::int64_t s, std::int64_t t, std::int64_t ds, std::int64_t dt,
                       std::uint32_t* out, int n) {
  s -= kLinearOrigin;
  t -= kLinearOrigin;
  const std::uint32_t* texels = tex.texels;
  const std::size_t width = static_cast<std::size_t>(tex.width);
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c256 = _mm_set1_epi16(256), c128 = _mm_set1_epi16(128);
  for (int i = 0; i < n; ++i, s += ds, t += dt) {
    const std::uint32_t* top = texels + static_cast<std::size_t>(t >> 16) * width + static_cast<std::size_t>(s >> 16);
    const __m128i fx = _mm_set1_epi16(static_cast<short>((s >> 8) & 0xFF));
    const __m128i fy = _mm_set1_epi16(static_cast<short>((t >> 8) & 0xFF));
    // [c00 c10] and [c01 c11], then [c00 c01] x (256 - fx) + [c10 c11] x fx.
    const __m128i rowTop = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top)), zero);
    const __m128i rowBottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + width)), zero);
    const __m128i left = _mm_unpacklo_epi64(rowTop, rowBottom);
    const __m128i right = _mm_unpackhi_epi64(rowTop, rowBottom);
    const __m128i across = _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(left, _mm_sub_epi16(c256, fx)), _mm_mullo_epi16(right, fx)), c128),
        8);
    // [top bottom] down: top x (256 - fy) + bottom x fy.
    const __m128i weights = _mm_unpacklo_epi64(_mm_sub_epi16(c256, fy), fy);
    const __m128i products = _mm_mullo_epi16(across, weights);
    const __m128i down =
        _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(products, _mm_unpackhi_epi64(products, products)), c128), 8);
    out[i] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(down, down)));
  }
#else
  for (int i = 0; i < n; ++i, s += ds, t += dt) {
    const std::uint32_t* top = texels + static_cast<std::size_t>(t >> 16) * width + static_cast<std::size_t>(s >> 16);
    const std::uint32_t fx = static_cast<std::uint32_t>((s >> 8) & 0xFF);
    const std::uint32_t fy = static_cast<std::uint32_t>((t >> 8) & 0xFF);
    out[i] = Lerp2x8(Lerp2x8(top[0], top[1], fx), Lerp2x8(top[width], top[width + 1], fx), fy);
  }
#endif
}

// The pixels i in [0, n) whose coordinate c + i x dc lies in [lo, hi), as
// [first, end) (empty when first >= end); the coordinate is linear in i.
void RunWithin(std::int64_t c, std::int64_t dc, std::int64_t lo, std::int64_t hi, int n, int& first, int& end) {
  const std::int64_t last = c + (n - 1) * dc;
  if (c >= lo && c < hi && last >= lo && last < hi) return;  // linear: both ends inside, all inside
  std::int64_t f, e;
  if (dc == 0) {
    f = 0;
    e = c >= lo && c < hi ? n : 0;
  } else if (dc > 0) {
    f = CeilDiv(lo - c, dc);
    e = CeilDiv(hi - c, dc);
  } else {
    f = FloorDiv(c - hi, -dc) + 1;
    e = FloorDiv(c - lo, -dc) + 1;
  }
  first = std::max(first, static_cast<int>(std::clamp<std::int64_t>(f, 0, n)));
  end = std::min(end, static_cast<int>(std::clamp<std::int64_t>(e, 0, n)));
}

// Fills out[0, n) with stage 0's samples along a row, the pixels whose
// samples need no address mode taking the direct loops.
template <int S>
void FetchRow(const FastParams& fp, std::int64_t s, std::int64_t t, std::int64_t ds, std::int64_t dt,
              std::uint32_t* out, int n) {
  const Texture& tex = *fp.texture;
  auto addressed = [&](int from, int to) {
    for (int i = from; i < to; ++i) {
      const std::int64_t si = s + i * ds, ti = t + i * dt;
      out[i] = S == kSamplePoint ? SamplePoint(tex, si, ti, fp.wrapU, fp.wrapV)
                                 : SampleLinearFast(tex, si, ti, fp.wrapU, fp.wrapV);
    }
  };
  if (S == kSampleLinear && ds == 65536 && dt == 0) {
    // Along a texel row: its two rows addressed once, the columns inside
    // by the row loop, the few at the ends one by one.
    const std::int64_t sl = s - kLinearOrigin, tl = t - kLinearOrigin;
    int first = 0, end = n;
    RunWithin(sl, ds, 0, static_cast<std::int64_t>(tex.width - 1) << 16, n, first, end);
    if (first >= end) first = end = n;
    const std::size_t width = static_cast<std::size_t>(tex.width);
    const std::int64_t j0 = tl >> 16;
    const std::uint32_t* topRow = tex.texels + static_cast<std::size_t>(Address(j0, tex.height, fp.wrapV)) * width;
    const std::uint32_t* bottomRow =
        tex.texels + static_cast<std::size_t>(Address(j0 + 1, tex.height, fp.wrapV)) * width;
    addressed(0, first);
    if (first < end)
      FetchLinearAlongRow(topRow, bottomRow, sl + first * ds, static_cast<std::uint32_t>((tl >> 8) & 0xFF), out + first,
                          end - first);
    addressed(end, n);
    return;
  }
  int first = 0, end = n;
  if (S == kSamplePoint) {
    RunWithin(s, ds, 0, static_cast<std::int64_t>(tex.width) << 16, n, first, end);
    RunWithin(t, dt, 0, static_cast<std::int64_t>(tex.height) << 16, n, first, end);
  } else {  // both texels of each axis inside
    RunWithin(s - kLinearOrigin, ds, 0, static_cast<std::int64_t>(tex.width - 1) << 16, n, first, end);
    RunWithin(t - kLinearOrigin, dt, 0, static_cast<std::int64_t>(tex.height - 1) << 16, n, first, end);
  }
  if (first >= end) first = end = n;
  addressed(0, first);
  if (S == kSamplePoint) {
    std::int64_t si = s + first * ds, ti = t + first * dt;
    for (int i = first; i < end; ++i, si += ds, ti += dt)
      out[i] = tex.texels[static_cast<std::size_t>(ti >> 16) * static_cast<std::size_t>(tex.width) +
                          static_cast<std::size_t>(si >> 16)];
  } else {
    FetchLinearInside(tex, s + first * ds, t + first * dt, ds, dt, out + first, end - first);
  }
  addressed(end, n);
}

template <TargetFormat F, int S, int B>
void SpanFetched(const Target& target, const FastParams& fp, const Setup& su, int py, int xs, int xe) {
  RowValues rv;
  RowStart(su, xs, py, rv);
  std::int64_t s = rv.value[kS0], t = rv.value[kT0];
  const std::int64_t ds = rv.step[kS0], dt = rv.step[kT0];
  const Texture& tex = *fp.texture;
  std::uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(py) * target.pitch;
  int n = xe - xs;
  // The rows of small triangles are a few pixels long: their samples are
  // taken one by one and blended pixel by pixel, without the row loops'
  // set-up, which costs more than such a row.
  if (S == kSamplePoint && n <= kShortSpan) {
    if (PointSpanInside(tex, s, t, ds, dt, n)) {
      const std::size_t width = static_cast<std::size_t>(tex.width);
      if constexpr (F == TargetFormat::kXRGB8888 && B == kBlendOver) {
        std::uint32_t texels[kShortSpan];
        for (int i = 0; i < n; ++i, s += ds, t += dt)
          texels[i] = tex.texels[static_cast<std::size_t>(t >> 16) * width + static_cast<std::size_t>(s >> 16)];
        OverPixels(reinterpret_cast<std::uint32_t*>(row) + xs, texels, n);
        return;
      }
      for (int i = 0; i < n; ++i, s += ds, t += dt)
        PutPixel<F, B>(row, xs + i,
                       tex.texels[static_cast<std::size_t>(t >> 16) * width + static_cast<std::size_t>(s >> 16)]);
    } else {
      for (int i = 0; i < n; ++i, s += ds, t += dt)
        PutPixel<F, B>(row, xs + i, SamplePoint(tex, s, t, fp.wrapU, fp.wrapV));
    }
    return;
  }
  // A 1:1 run inside the texture reads the texel row in place.
  if (S == kSamplePoint && ds == 65536 && dt == 0) {
    int first = 0, end = n;
    RunWithin(s, ds, 0, static_cast<std::int64_t>(tex.width) << 16, n, first, end);
    RunWithin(t, dt, 0, static_cast<std::int64_t>(tex.height) << 16, n, first, end);
    if (first == 0 && end == n) {
      TexelRowInto<F, B>(row, xs, tex, static_cast<int>(s >> 16), static_cast<int>(t >> 16), n);
      return;
    }
  }
  std::uint32_t buffer[kFetchChunk];
  int x = xs;
  while (n > 0) {
    const int m = std::min(n, kFetchChunk);
    FetchRow<S>(fp, s, t, ds, dt, buffer, m);
    BlendFetchedRow<F, B>(row, x, buffer, m);
    s += m * ds;
    t += m * dt;
    x += m;
    n -= m;
  }
}

// A tinted span whose diffuse colour stays the same along it (flat-shaded
// quads: sprites and particles drawn with a colour): the colour is clamped
// once, and the texels come a chunk at a time from the row fetch, are
// tinted in place and blended as a row.
template <TargetFormat F, int S, int B>
void SpanModulateFlat(std::uint8_t* row, const FastParams& fp, const RowValues& rv, int xs, int xe) {
  const std::uint32_t cr = Clamp255(rv.value[kR] >> 16), cg = Clamp255(rv.value[kG] >> 16);
  const std::uint32_t cb = Clamp255(rv.value[kB] >> 16), ca = Clamp255(rv.value[kA] >> 16);
  std::int64_t s = rv.value[kS0], t = rv.value[kT0];
  const std::int64_t ds = rv.step[kS0], dt = rv.step[kT0];
  std::uint32_t buffer[kFetchChunk];
  for (int x = xs; x < xe;) {
    const int m = std::min(xe - x, kFetchChunk);
    FetchRow<S>(fp, s, t, ds, dt, buffer, m);
    TintRow(buffer, m, cr, cg, cb, fp.alphaModulate ? ca : 255);
    BlendFetchedRow<F, B>(row, x, buffer, m);
    s += m * ds;
    t += m * dt;
    x += m;
  }
}

template <TargetFormat F, int S, int C, int B>
void SpanFast(const Target& target, const FastParams& fp, const Setup& su, int py, int xs, int xe) {
  // Texture colour blended by a row loop: fetch a row, then blend it.
  if constexpr (C == kColorTexture && S != kSampleWhite &&
                ((F == TargetFormat::kXRGB8888 && B != kBlendReplace) ||
                 (F == TargetFormat::kRGB565 && B == kBlendOver))) {
    SpanFetched<F, S, B>(target, fp, su, py, xs, xe);
    return;
  }
  RowValues rv;
  RowStart(su, xs, py, rv);
  std::int64_t r = rv.value[kR], g = rv.value[kG], b = rv.value[kB], a = rv.value[kA];
  std::int64_t s = rv.value[kS0], t = rv.value[kT0];
  const std::int64_t dr = rv.step[kR], dg = rv.step[kG], db = rv.step[kB], da = rv.step[kA];
  const std::int64_t ds = rv.step[kS0], dt = rv.step[kT0];
  std::uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(py) * target.pitch;
  if constexpr (C == kColorModulate && S != kSampleWhite) {
    if (dr == 0 && dg == 0 && db == 0 && da == 0) {
      SpanModulateFlat<F, S, B>(row, fp, rv, xs, xe);
      return;
    }
  }
  if constexpr (S == kSampleWhite) {
    // An untextured span of one colour (fills, veils, panels): the pixel is
    // worked out once and the row blended a chunk at a time.
    if (C == kColorTexture || (dr == 0 && dg == 0 && db == 0 && da == 0)) {
      std::uint32_t src = 0xFFFFFFFFu;
      if (C != kColorTexture) {
        const std::uint32_t cr = Clamp255(r >> 16), cg = Clamp255(g >> 16), cb = Clamp255(b >> 16);
        const std::uint32_t outA = fp.alphaModulate ? Mul8(255, Clamp255(a >> 16)) : 255;
        src = C == kColorModulate ? outA << 24 | Mul8(255, cr) << 16 | Mul8(255, cg) << 8 | Mul8(255, cb)
                                  : outA << 24 | Mul8(cr, cr) << 16 | Mul8(cg, cg) << 8 | Mul8(cb, cb);
      }
      std::uint32_t buffer[kFetchChunk];
      std::fill_n(buffer, std::min(xe - xs, kFetchChunk), src);
      for (int x = xs; x < xe;) {
        const int m = std::min(xe - x, kFetchChunk);
        BlendFetchedRow<F, B>(row, x, buffer, m);
        x += m;
      }
      return;
    }
  }
  // Point samples of a span that stays inside the texture need no address
  // mode.
  const bool inside = S == kSamplePoint && PointSpanInside(*fp.texture, s, t, ds, dt, xe - xs);
  const std::uint32_t* texels = S == kSampleWhite ? nullptr : fp.texture->texels;
  const std::int64_t texWidth = S == kSampleWhite ? 0 : fp.texture->width;
  // Linear samples come a chunk at a time from the row fetch, whose runs
  // inside the texture skip the address mode.
  std::uint32_t fetched[S == kSampleLinear ? kFetchChunk : 1];
  int chunkStart = xs, chunkEnd = xs;
  for (int x = xs; x < xe; ++x) {
    std::uint32_t texel;
    if (S == kSampleWhite) {
      texel = 0xFFFFFFFFu;
    } else if (S == kSamplePoint) {
      texel = inside ? texels[(t >> 16) * texWidth + (s >> 16)] : SamplePoint(*fp.texture, s, t, fp.wrapU, fp.wrapV);
      s += ds;
      t += dt;
    } else {
      if (x == chunkEnd) {
        chunkStart = x;
        chunkEnd = std::min(xe, x + kFetchChunk);
        FetchRow<S>(fp, s, t, ds, dt, fetched, chunkEnd - chunkStart);
        s += (chunkEnd - chunkStart) * ds;
        t += (chunkEnd - chunkStart) * dt;
      }
      texel = fetched[x - chunkStart];
    }
    std::uint32_t src;  // 0xAARRGGBB
    if (C == kColorTexture) {
      src = texel;
    } else {
      const std::uint32_t cr = Clamp255(r >> 16), cg = Clamp255(g >> 16), cb = Clamp255(b >> 16);
      const std::uint32_t ca = Clamp255(a >> 16);
      r += dr;
      g += dg;
      b += db;
      a += da;
      const std::uint32_t ta = texel >> 24;
      const std::uint32_t outA = fp.alphaModulate ? Mul8(ta, ca) : ta;
      if (C == kColorModulate) {
        src = outA << 24 | Mul8((texel >> 16) & 0xFF, cr) << 16 | Mul8((texel >> 8) & 0xFF, cg) << 8 |
              Mul8(texel & 0xFF, cb);
      } else {
        src = outA << 24 | Mul8(cr, cr) << 16 | Mul8(cg, cg) << 8 | Mul8(cb, cb);
      }
    }
    PutPixel<F, B>(row, x, src);
  }
}

// Both texture stages as the two-texture draws set them: stage 0 the
// texture (times the diffuse colour), stage 1 its texture selected, times
// or plus stage 0's colour, its alpha passed on or multiplied in.
template <TargetFormat F, int B>
void SpanTwoStages(const Target& target, const FastParams& fp, const Setup& su, int py, int xs, int xe) {
  RowValues rv;
  RowStart(su, xs, py, rv);
  std::int64_t r = rv.value[kR], g = rv.value[kG], b = rv.value[kB], a = rv.value[kA];
  std::int64_t s0 = rv.value[kS0], t0 = rv.value[kT0], s1 = rv.value[kS1], t1 = rv.value[kT1];
  const std::int64_t dr = rv.step[kR], dg = rv.step[kG], db = rv.step[kB], da = rv.step[kA];
  const std::int64_t ds0 = rv.step[kS0], dt0 = rv.step[kT0], ds1 = rv.step[kS1], dt1 = rv.step[kT1];
  std::uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(py) * target.pitch;
  for (int x = xs; x < xe; ++x) {
    const std::uint32_t tex0 = fp.linear ? SampleLinearFast(*fp.texture, s0, t0, fp.wrapU, fp.wrapV)
                                         : SamplePoint(*fp.texture, s0, t0, fp.wrapU, fp.wrapV);
    const std::uint32_t tex1 = fp.linear1 ? SampleLinearFast(*fp.texture1, s1, t1, fp.wrapU1, fp.wrapV1)
                                          : SamplePoint(*fp.texture1, s1, t1, fp.wrapU1, fp.wrapV1);
    s0 += ds0;
    t0 += dt0;
    s1 += ds1;
    t1 += dt1;
    std::uint32_t cr = (tex0 >> 16) & 0xFF, cg = (tex0 >> 8) & 0xFF, cb = tex0 & 0xFF, ca = tex0 >> 24;
    if (!fp.selectTexture) {
      cr = Mul8(cr, Clamp255(r >> 16));
      cg = Mul8(cg, Clamp255(g >> 16));
      cb = Mul8(cb, Clamp255(b >> 16));
    }
    if (fp.alphaModulate) ca = Mul8(ca, Clamp255(a >> 16));
    r += dr;
    g += dg;
    b += db;
    a += da;
    const std::uint32_t tr = (tex1 >> 16) & 0xFF, tg = (tex1 >> 8) & 0xFF, tb = tex1 & 0xFF;
    if (fp.colorOp1 == Op::kSelectArg1) {
      cr = tr, cg = tg, cb = tb;
    } else if (fp.colorOp1 == Op::kModulate) {
      cr = Mul8(tr, cr), cg = Mul8(tg, cg), cb = Mul8(tb, cb);
    } else {
      cr = std::min<std::uint32_t>(255, tr + cr);
      cg = std::min<std::uint32_t>(255, tg + cg);
      cb = std::min<std::uint32_t>(255, tb + cb);
    }
    if (fp.alphaModulate1) ca = Mul8(tex1 >> 24, ca);
    PutPixel<F, B>(row, x, ca << 24 | cr << 16 | cg << 8 | cb);
  }
}

// ---- choosing the loop ------------------------------------------------------------
//
// A draw's state is matched against small tables of the settings the fast
// loops know; the first row that matches gives the loop's parameter. Any
// setting no row knows leaves the draw to the reference loop.

typedef void (*SpanFn)(const Target&, const FastParams&, const Setup&, int, int, int);

// The span loops by [format][sampler][colour][blend], and the two-stage
// loops by [format][blend], generated from the index so that no entry can
// name the wrong instantiation.
constexpr TargetFormat kFastFormats[] = {TargetFormat::kXRGB8888, TargetFormat::kRGB565};
constexpr int kFormatCount = 2, kSamplerCount = 3, kColorCount = 3, kBlendCount = 4;

template <std::size_t I>
constexpr SpanFn SpanAt() {
  return &SpanFast<kFastFormats[I / (kSamplerCount * kColorCount * kBlendCount)],
                   static_cast<int>(I / (kColorCount * kBlendCount) % kSamplerCount),
                   static_cast<int>(I / kBlendCount % kColorCount), static_cast<int>(I % kBlendCount)>;
}
template <std::size_t I>
constexpr SpanFn TwoStagesAt() {
  return &SpanTwoStages<kFastFormats[I / kBlendCount], static_cast<int>(I % kBlendCount)>;
}
template <std::size_t... I>
constexpr std::array<SpanFn, sizeof...(I)> SpanTable(std::index_sequence<I...>) {
  return {SpanAt<I>()...};
}
template <std::size_t... I>
constexpr std::array<SpanFn, sizeof...(I)> TwoStagesTable(std::index_sequence<I...>) {
  return {TwoStagesAt<I>()...};
}
constexpr auto kSpanLoops =
    SpanTable(std::make_index_sequence<kFormatCount * kSamplerCount * kColorCount * kBlendCount>());
constexpr auto kTwoStageLoops = TwoStagesTable(std::make_index_sequence<kFormatCount * kBlendCount>());

// Blend factor pairs (with blending on; off always replaces).
struct BlendRow {
  Blend src, dest;
  BlendMode mode;
};
constexpr BlendRow kBlendRows[] = {
    {Blend::kOne, Blend::kZero, kBlendReplace},
    {Blend::kSrcAlpha, Blend::kInvSrcAlpha, kBlendOver},
    {Blend::kSrcAlpha, Blend::kOne, kBlendAddAlpha},
    {Blend::kOne, Blend::kOne, kBlendAdd},
};

// Stage 0 operations on an argument pair, in either order; at stage 0 the
// current colour is the diffuse one. A kCurrent second argument in a row
// stands for "not read" (select operations).
struct OpRow {
  Op op;
  Arg first, second;
  int mode;            // ColorMode for colour rows; 1 = modulated alpha for alpha rows
  bool selectTexture;  // colour: the texture's colour alone
};
constexpr OpRow kColorRows[] = {
    {Op::kSelectArg1, Arg::kTexture, Arg::kCurrent, kColorModulate, true},
    {Op::kModulate, Arg::kTexture, Arg::kDiffuse, kColorModulate, false},
    {Op::kModulate, Arg::kDiffuse, Arg::kDiffuse, kColorDiffuseSq, false},
};
constexpr OpRow kAlphaRows[] = {
    {Op::kSelectArg1, Arg::kTexture, Arg::kCurrent, 0, false},
    {Op::kModulate, Arg::kTexture, Arg::kDiffuse, 1, false},
};

bool SameArgAtStage0(Arg p, Arg q) {
  auto norm = [](Arg v) { return v == Arg::kCurrent ? Arg::kDiffuse : v; };
  return norm(p) == norm(q);
}

const OpRow* MatchStage0(const OpRow* rows, std::size_t count, Op op, Arg arg1, Arg arg2) {
  for (std::size_t i = 0; i < count; ++i) {
    const OpRow& r = rows[i];
    if (r.op != op) continue;
    const bool matches = op == Op::kSelectArg1
                             ? arg1 == r.first
                             : (SameArgAtStage0(arg1, r.first) && SameArgAtStage0(arg2, r.second)) ||
                                   (SameArgAtStage0(arg1, r.second) && SameArgAtStage0(arg2, r.first));
    if (matches) return &r;
  }
  return nullptr;
}

// Stage 1 as the two-texture draws set it: its texture selected, or times
// or plus the current colour; its alpha passed on or times the current one.
constexpr Op kStage1ColorOps[] = {Op::kSelectArg1, Op::kModulate, Op::kAdd};

bool Stage1Known(const Stage& s1) {
  const bool knownOp =
      std::find(std::begin(kStage1ColorOps), std::end(kStage1ColorOps), s1.colorOp) != std::end(kStage1ColorOps);
  const bool colourReadsTextureAndCurrent =
      s1.colorArg1 == Arg::kTexture && (s1.colorOp == Op::kSelectArg1 || s1.colorArg2 == Arg::kCurrent);
  const bool alphaPassesOrModulates =
      s1.alphaOp == Op::kDisable ||
      (s1.alphaOp == Op::kModulate && ((s1.alphaArg1 == Arg::kTexture && s1.alphaArg2 == Arg::kCurrent) ||
                                       (s1.alphaArg1 == Arg::kCurrent && s1.alphaArg2 == Arg::kTexture)));
  return knownOp && colourReadsTextureAndCurrent && alphaPassesOrModulates;
}

int FormatIndex(TargetFormat f) {
  for (int i = 0; i < kFormatCount; ++i)
    if (kFastFormats[i] == f) return i;
  return -1;
}

int BlendModeOf(const State& st) {
  if (!st.blendEnable) return kBlendReplace;
  for (const BlendRow& r : kBlendRows)
    if (r.src == st.srcBlend && r.dest == st.destBlend) return r.mode;
  return -1;
}

// Whether a 1:1 mapping puts texel centres on pixel centres, where the
// bilinear filter returns exactly the point sample.
bool TexelCentresOnPixelCentres(const Setup& su) {
  if (!(su.attr[kS0].dx * su.scale[kS0] == 65536.0 && su.attr[kS0].dy == 0 && su.attr[kT0].dx == 0 &&
        su.attr[kT0].dy * su.scale[kT0] == 65536.0))
    return false;
  RowValues rv;
  RowStart(su, 0, 0, rv);
  return (rv.value[kS0] & 0xFFFF) == 0x8000 && (rv.value[kT0] & 0xFFFF) == 0x8000;
}

// Chooses the specialised loop for a triangle, or null for the reference one.
SpanFn ChooseFast(const Target& target, const State& st, const Setup& su, const Vertex* v, FastParams& fp) {
  const Stage& s0 = st.stages[0];
  const Stage& s1 = st.stages[1];
  const int format = FormatIndex(target.format);
  const int blend = BlendModeOf(st);
  if (su.perspective || format < 0 || blend < 0 || s0.colorOp == Op::kDisable) return nullptr;
  const OpRow* colorRow = MatchStage0(kColorRows, std::size(kColorRows), s0.colorOp, s0.colorArg1, s0.colorArg2);
  const OpRow* alphaRow = MatchStage0(kAlphaRows, std::size(kAlphaRows), s0.alphaOp, s0.alphaArg1, s0.alphaArg2);
  if (colorRow == nullptr || alphaRow == nullptr) return nullptr;
  int color = colorRow->mode;
  const bool alphaModulate = alphaRow->mode == 1;
  const bool selectTexture = colorRow->selectTexture;
  fp.texture = s0.texture;
  fp.wrapU = s0.wrapU;
  fp.wrapV = s0.wrapV;
  fp.alphaModulate = alphaModulate;

  if (s1.colorOp != Op::kDisable && s1.texture != nullptr) {
    // The first stage must sample a texture and colour by it.
    if (color != kColorModulate || s0.texture == nullptr || !Stage1Known(s1)) return nullptr;
    fp.linear = s0.linear;
    fp.selectTexture = selectTexture;
    fp.texture1 = s1.texture;
    fp.wrapU1 = s1.wrapU;
    fp.wrapV1 = s1.wrapV;
    fp.linear1 = s1.linear;
    fp.colorOp1 = s1.colorOp;
    fp.alphaModulate1 = s1.alphaOp == Op::kModulate;
    return kTwoStageLoops[static_cast<std::size_t>(format * kBlendCount + blend)];
  }

  // Diffuse that is white and opaque everywhere changes nothing.
  const bool flatWhite = v[0].r == 255 && v[1].r == 255 && v[2].r == 255 && v[0].g == 255 && v[1].g == 255 &&
                         v[2].g == 255 && v[0].b == 255 && v[1].b == 255 && v[2].b == 255;
  const bool flatOpaque = v[0].a == 255 && v[1].a == 255 && v[2].a == 255;
  if (color == kColorModulate && (selectTexture || flatWhite) && (!alphaModulate || flatOpaque))
    color = kColorTexture;
  else if (color == kColorModulate && selectTexture)
    return nullptr;  // texture colour with modulated alpha: rare, left to the reference loop

  int sampler = kSampleWhite;
  if (s0.texture != nullptr) {
    sampler = s0.linear && !TexelCentresOnPixelCentres(su) ? kSampleLinear : kSamplePoint;
  }
  if (sampler == kSamplePoint && color == kColorTexture) {
    if (format == 0 && blend != kBlendReplace)
      fp.blendTexelRow = blend == kBlendOver       ? &TexelRowInto<TargetFormat::kXRGB8888, kBlendOver>
                         : blend == kBlendAddAlpha ? &TexelRowInto<TargetFormat::kXRGB8888, kBlendAddAlpha>
                                                   : &TexelRowInto<TargetFormat::kXRGB8888, kBlendAdd>;
    else if (format == 1 && blend == kBlendOver)
      fp.blendTexelRow = &TexelRowInto<TargetFormat::kRGB565, kBlendOver>;
  }
  return kSpanLoops[static_cast<std::size_t>(((format * kSamplerCount + sampler) * kColorCount + color) * kBlendCount +
                                             blend)];
}

// ---- guard-band clipping ---------------------------------------------------------

Vertex LerpVertex(const Vertex& a, const Vertex& b, float t) {
  auto l = [t](float p, float q) { return p + (q - p) * t; };
  Vertex o;
  o.x = l(a.x, b.x);
  o.y = l(a.y, b.y);
  o.q = l(a.q, b.q);
  o.r = l(a.r, b.r);
  o.g = l(a.g, b.g);
  o.b = l(a.b, b.b);
  o.a = l(a.a, b.a);
  for (int k = 0; k < 2; ++k) {
    o.u[k] = l(a.u[k], b.u[k]);
    o.v[k] = l(a.v[k], b.v[k]);
  }
  return o;
}

// Cuts the polygon to |coordinate| <= limit along one axis and side.
int ClipPolygon(const Vertex* in, int n, Vertex* out, bool yAxis, float limit, bool keepBelow) {
  int m = 0;
  auto inside = [&](const Vertex& v) {
    const float c = yAxis ? v.y : v.x;
    return keepBelow ? c <= limit : c >= limit;
  };
  for (int i = 0; i < n; ++i) {
    const Vertex& p = in[(i + n - 1) % n];
    const Vertex& c = in[i];
    const bool pi = inside(p), ci = inside(c);
    if (pi != ci) {
      const float pc = yAxis ? p.y : p.x, cc = yAxis ? c.y : c.x;
      out[m++] = LerpVertex(p, c, (limit - pc) / (cc - pc));
    }
    if (ci) out[m++] = c;
  }
  return m;
}

bool Finite(const Vertex& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.q); }
bool InGuard(const Vertex& v) { return std::fabs(v.x) <= kGuardBand && std::fabs(v.y) <= kGuardBand; }

void RasterizeTriangle(const Target& target, const State& st, const Vertex* tri, bool reference);
bool RasterizeRectangle(const Target& target, const State& st, const Vertex* quad);

}  // namespace

void BuildTexelRuns(const std::uint32_t* texels, int width, int height, std::vector<std::uint32_t>& runs,
                    std::vector<std::uint32_t>& rowRuns) {
  runs.clear();
  rowRuns.assign(static_cast<std::size_t>(height) + 1, 0);
  // Fewer runs than this a row, each on average at least this long.
  constexpr int kShortestAverageRun = 8;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = texels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    const std::size_t start = runs.size();
    auto kindOf = [](std::uint32_t texel) {
      const std::uint32_t a = texel >> 24;
      return a == 0 ? kRunClear : a == 255 ? kRunOpaque : kRunMixed;
    };
    for (int x = 0; x < width;) {
      const std::uint32_t kind = kindOf(row[x]);
      int end = x + 1;
      while (end < width && kindOf(row[end]) == kind) ++end;
      runs.push_back(static_cast<std::uint32_t>(end) << 2 | kind);
      x = end;
    }
    if (static_cast<int>(runs.size() - start) * kShortestAverageRun > width) {
      runs.resize(start);
      runs.push_back(static_cast<std::uint32_t>(width) << 2 | kRunMixed);
    }
    rowRuns[static_cast<std::size_t>(y) + 1] = static_cast<std::uint32_t>(runs.size());
  }
}

Vertex MakeVertex(float x, float y, float q, std::uint32_t argb, float u0, float v0, float u1, float v1) {
  Vertex v;
  v.x = x;
  v.y = y;
  v.q = q;
  v.a = static_cast<float>(argb >> 24);
  v.r = static_cast<float>((argb >> 16) & 0xFF);
  v.g = static_cast<float>((argb >> 8) & 0xFF);
  v.b = static_cast<float>(argb & 0xFF);
  v.u[0] = u0;
  v.v[0] = v0;
  v.u[1] = u1;
  v.v[1] = v1;
  return v;
}

void ForceReference(bool on) { gForceReference.store(on); }
bool ReferenceForced() { return gForceReference.load(); }

std::uint32_t ReadPixel(const Target& target, int x, int y) {
  const Rgba c = ReadTarget(target, x, y);
  return 0xFF000000u | c.r << 16 | c.g << 8 | c.b;
}

void Fill(const Target& target, int x0, int y0, int x1, int y1, std::uint32_t argb) {
  if (x0 >= x1 || y0 >= y1) return;
  // Encode once through the one-pixel writer, then copy it along the rows.
  Target probe = target;
  std::uint8_t scratch[4] = {0, 0, 0, 0};
  probe.pixels = scratch;
  WriteTarget(probe, 0, 0, Unpack(argb));
  const bool wide = target.format == TargetFormat::kXRGB8888 || target.format == TargetFormat::kXBGR8888;
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch;
    if (wide) {
      std::uint32_t p;
      std::memcpy(&p, scratch, 4);
      std::fill(reinterpret_cast<std::uint32_t*>(row) + x0, reinterpret_cast<std::uint32_t*>(row) + x1, p);
    } else {
      std::uint16_t p;
      std::memcpy(&p, scratch, 2);
      std::fill(reinterpret_cast<std::uint16_t*>(row) + x0, reinterpret_cast<std::uint16_t*>(row) + x1, p);
    }
  }
}

void DrawTriangle(const Target& target, const State& state, const Vertex& a, const Vertex& b, const Vertex& c,
                  const Options& options) {
  if (state.clipX0 >= state.clipX1 || state.clipY0 >= state.clipY1) return;
  if (!Finite(a) || !Finite(b) || !Finite(c)) return;
  const bool reference = options.reference || ReferenceForced();
  const Vertex tri[3] = {a, b, c};
  if (InGuard(a) && InGuard(b) && InGuard(c)) {
    RasterizeTriangle(target, state, tri, reference);
    return;
  }
  // Far-out corners: cut to the guard band, then draw the pieces as a fan.
  Vertex bufA[16], bufB[16];
  int n = 3;
  std::copy(tri, tri + 3, bufA);
  n = ClipPolygon(bufA, n, bufB, false, -kGuardBand, false);
  n = ClipPolygon(bufB, n, bufA, false, kGuardBand, true);
  n = ClipPolygon(bufA, n, bufB, true, -kGuardBand, false);
  n = ClipPolygon(bufB, n, bufA, true, kGuardBand, true);
  for (int i = 1; i + 1 < n; ++i) {
    const Vertex piece[3] = {bufA[0], bufA[i], bufA[i + 1]};
    RasterizeTriangle(target, state, piece, reference);
  }
}

void DrawQuad(const Target& target, const State& state, const Vertex& a, const Vertex& b, const Vertex& c,
              const Vertex& d, const Options& options) {
  const Vertex quad[4] = {a, b, c, d};
  if (!(options.reference || ReferenceForced()) && state.clipX0 < state.clipX1 && state.clipY0 < state.clipY1 &&
      Finite(a) && Finite(b) && Finite(c) && Finite(d) && InGuard(a) && InGuard(b) && InGuard(c) && InGuard(d) &&
      RasterizeRectangle(target, state, quad))
    return;
  DrawTriangle(target, state, a, b, c, options);
  DrawTriangle(target, state, b, c, d, options);
}

namespace {

// The first pixel column at or right of an edge, row by row: x =
// ceil(num / den) with num growing by a fixed amount per row, kept exact as
// a quotient and remainder (num = x den - rem, 0 <= rem < den).
struct EdgeWalker {
  std::int64_t x = 0, rem = 0, den = 1, stepX = 0, stepRem = 0;
  void Start(const std::int64_t* X, const std::int64_t* Y, int a, int b, std::int64_t py) {
    const std::int64_t dy = Y[b] - Y[a];  // > 0 for every edge that spans a row
    den = dy * 16;
    const std::int64_t num = X[a] * dy + (py * 16 - Y[a]) * (X[b] - X[a]);
    x = CeilDiv(num, den);
    rem = x * den - num;
    const std::int64_t step = 16 * (X[b] - X[a]);
    stepX = CeilDiv(step, den);
    stepRem = stepX * den - step;
  }
  void Step() {
    x += stepX;
    rem += stepRem;
    if (rem >= den) {
      rem -= den;
      --x;
    }
  }
};

// Snaps a corner to 1/16 pixel.
inline void SnapCorner(const Vertex& v, std::int64_t& x, std::int64_t& y) {
  x = RoundToInt(static_cast<double>(v.x) * 16.0);
  y = RoundToInt(static_cast<double>(v.y) * 16.0);
}

// The attribute planes of a triangle from its snapped corners.
void BuildSetup(const State& st, const Vertex* tri, const std::int64_t* X, const std::int64_t* Y, Setup& su) {
  su.x0 = X[0] / 16.0;
  su.y0 = Y[0] / 16.0;
  const double dx1 = (X[1] - X[0]) / 16.0, dy1 = (Y[1] - Y[0]) / 16.0;
  const double dx2 = (X[2] - X[0]) / 16.0, dy2 = (Y[2] - Y[0]) / 16.0;
  // Divided, not multiplied by a reciprocal: a sprite mapped 1:1 must get
  // exactly one texel per pixel to take the point loop.
  const double det = dx1 * dy2 - dx2 * dy1;
  su.perspective = !(tri[0].q == tri[1].q && tri[1].q == tri[2].q);
  for (int k = 0; k < 2; ++k) {
    const Texture* tex = st.stages[k].texture;
    su.texW[k] = tex != nullptr && tex->width > 0 ? tex->width : 1;
    su.texH[k] = tex != nullptr && tex->height > 0 ? tex->height : 1;
  }
  for (int k = 0; k < kAttrCount; ++k) {
    su.scale[k] = 65536.0;
    su.bias[k] = 0;
  }
  for (int k = kR; k <= kA; ++k) su.bias[k] = 32768.0;  // channels round to nearest
  su.scale[kS0] = 65536.0 * su.texW[0];
  su.scale[kT0] = 65536.0 * su.texH[0];
  su.scale[kS1] = 65536.0 * su.texW[1];
  su.scale[kT1] = 65536.0 * su.texH[1];
  auto plane = [&](double a0, double a1, double a2) {
    Plane p;
    p.base = a0;
    p.dx = ((a1 - a0) * dy2 - (a2 - a0) * dy1) / det;
    p.dy = ((a2 - a0) * dx1 - (a1 - a0) * dx2) / det;
    return p;
  };
  // Which attributes any stage reads: texture coordinates only of stages
  // with a texture, stage 1 only when it is on.
  const bool stage1On = st.stages[1].colorOp != Op::kDisable && st.stages[1].texture != nullptr;
  for (int k = 0; k < kAttrCount; ++k) {
    su.active[k] =
        k <= kA || ((k == kS0 || k == kT0) && st.stages[0].texture != nullptr) || ((k == kS1 || k == kT1) && stage1On);
    double v[3];
    for (int i = 0; i < 3; ++i) {
      v[i] = su.active[k] ? AttrOf(tri[i], k, st.stages) : 0.0;
      if (su.perspective) v[i] *= tri[i].q;
    }
    su.constant[k] = !su.perspective && v[0] == v[1] && v[1] == v[2];
    su.attr[k] = su.constant[k] ? Plane{v[0], 0, 0} : plane(v[0], v[1], v[2]);
    su.constValue[k] = su.constant[k] ? RoundToInt(v[0] * su.scale[k] + su.bias[k]) : 0;
    su.step[k] = su.active[k] && !su.constant[k] ? RoundToInt(su.attr[k].dx * su.scale[k]) : 0;
    if (su.active[k] && !su.constant[k]) su.varying[su.varyingCount++] = k;
  }
  if (su.perspective) {
    su.q = plane(tri[0].q, tri[1].q, tri[2].q);
    for (int k = kR; k <= kA; ++k) su.scale[k] = 1.0;  // per-pixel doubles
  }
}

void RasterizeTriangle(const Target& target, const State& st, const Vertex* tri, bool reference) {
  std::int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) SnapCorner(tri[i], X[i], Y[i]);
  // The corners top to bottom, ties in corner order: three compare-swaps.
  int order[3] = {0, 1, 2};
  auto above = [&](int p, int q) { return Y[p] < Y[q] || (Y[p] == Y[q] && p < q); };
  if (above(order[1], order[0])) std::swap(order[0], order[1]);
  if (above(order[2], order[1])) std::swap(order[1], order[2]);
  if (above(order[1], order[0])) std::swap(order[0], order[1]);
  const int i0 = order[0], i1 = order[1], i2 = order[2];
  const std::int64_t cross = (X[i1] - X[i0]) * (Y[i2] - Y[i0]) - (X[i2] - X[i0]) * (Y[i1] - Y[i0]);
  if (cross == 0 || Y[i2] == Y[i0]) return;

  Setup su;
  BuildSetup(st, tri, X, Y, su);

  FastParams fp{};
  const SpanFn fast = reference ? nullptr : ChooseFast(target, st, su, tri, fp);

  // Rows whose centres lie in [y0, y2); x spans [ceil(left), ceil(right)).
  const int clipX0 = std::max(0, st.clipX0), clipX1 = std::min(target.width, st.clipX1);
  const int clipY0 = std::max(0, st.clipY0), clipY1 = std::min(target.height, st.clipY1);
  const std::int64_t rowFirst = std::max<std::int64_t>(CeilDiv(Y[i0], 16), clipY0);
  const std::int64_t rowMid = CeilDiv(Y[i1], 16);
  const std::int64_t rowEnd = std::min<std::int64_t>(CeilDiv(Y[i2], 16), clipY1);
  const bool longIsLeft = cross > 0;
  if (rowFirst >= rowEnd) return;
  EdgeWalker longEdge, shortEdge;
  longEdge.Start(X, Y, i0, i2, rowFirst);
  bool lowerHalf = rowFirst >= rowMid;
  if (lowerHalf)
    shortEdge.Start(X, Y, i1, i2, rowFirst);
  else
    shortEdge.Start(X, Y, i0, i1, rowFirst);
  for (std::int64_t py = rowFirst; py < rowEnd; ++py, longEdge.Step(), shortEdge.Step()) {
    if (!lowerHalf && py >= rowMid) {
      shortEdge.Start(X, Y, i1, i2, py);
      lowerHalf = true;
    }
    // The reference twin divides afresh on every row.
    auto direct = [&](int ea, int eb) {
      const std::int64_t dy = Y[eb] - Y[ea];
      return CeilDiv(X[ea] * dy + (py * 16 - Y[ea]) * (X[eb] - X[ea]), dy * 16);
    };
    const std::int64_t xl = reference ? direct(i0, i2) : longEdge.x;
    const std::int64_t xs2 = reference ? (py < rowMid ? direct(i0, i1) : direct(i1, i2)) : shortEdge.x;
    std::int64_t left = longIsLeft ? xl : xs2;
    std::int64_t right = longIsLeft ? xs2 : xl;
    left = std::max<std::int64_t>(left, clipX0);
    right = std::min<std::int64_t>(right, clipX1);
    if (left >= right) continue;
    if (fast != nullptr)
      fast(target, fp, su, static_cast<int>(py), static_cast<int>(left), static_cast<int>(right));
    else
      SpanReference(target, st, su, static_cast<int>(py), static_cast<int>(left), static_cast<int>(right));
  }
}

// Whether two triangles' planes give every attribute the same fixed-point
// value at every pixel: each varying attribute must step by a whole number
// of fixed-point units along both axes (within far less than the rounding
// margin) and sit within far less than that margin of a whole unit at the
// rectangle's first pixel, in both setups alike. Rounding then takes both
// to the same integers wherever the rectangle reaches, however the two
// planes' doubles were rounded.
bool SamePlanes(const Setup& p, const Setup& q, double px, double py) {
  if (p.perspective || q.perspective || p.varyingCount != q.varyingCount) return false;
  for (int k = 0; k < kAttrCount; ++k) {
    if (p.active[k] != q.active[k] || p.constant[k] != q.constant[k]) return false;
    if (!p.active[k]) continue;
    if (p.constant[k]) {
      if (p.constValue[k] != q.constValue[k]) return false;
      continue;
    }
    if (p.step[k] != q.step[k]) return false;
    const double gxp = p.attr[k].dx * p.scale[k], gyp = p.attr[k].dy * p.scale[k];
    const double gxq = q.attr[k].dx * q.scale[k], gyq = q.attr[k].dy * q.scale[k];
    const double gx = std::nearbyint(gxp), gy = std::nearbyint(gyp);
    constexpr double kSlack = 1e-7;
    if (std::fabs(gxp - gx) > kSlack || std::fabs(gyp - gy) > kSlack || std::fabs(gxq - gx) > kSlack ||
        std::fabs(gyq - gy) > kSlack)
      return false;
    const Plane& a = p.attr[k];
    const Plane& b = q.attr[k];
    const double vp = (a.base + a.dx * (px - p.x0) + a.dy * (py - p.y0)) * p.scale[k] + p.bias[k];
    const double vq = (b.base + b.dx * (px - q.x0) + b.dy * (py - q.y0)) * q.scale[k] + q.bias[k];
    const double whole = std::nearbyint(vp);
    if (std::fabs(vp - whole) > 1e-3 || std::fabs(vq - whole) > 1e-3 || std::fabs(whole) > 1e15) return false;
  }
  return true;
}

// Two triangles (a, b, c) and (b, c, d) that tile an axis-aligned
// rectangle (the renderer's picture quads) drawn as one: each row is one
// span from the first triangle's planes, where the pair would be two spans
// and two setups' walks. Answers false, drawing nothing, unless the
// rectangle's rows, columns, loop and every pixel's attributes are exactly
// those of the two triangles.
bool RasterizeRectangle(const Target& target, const State& st, const Vertex* quad) {
  std::int64_t X[4], Y[4];
  for (int i = 0; i < 4; ++i) SnapCorner(quad[i], X[i], Y[i]);
  // a and d opposite corners, b and c the other two.
  if (X[0] == X[3] || Y[0] == Y[3]) return false;
  const bool bBelowA = X[1] == X[0] && Y[1] == Y[3] && X[2] == X[3] && Y[2] == Y[0];
  const bool bBesideA = X[1] == X[3] && Y[1] == Y[0] && X[2] == X[0] && Y[2] == Y[3];
  if (!bBelowA && !bBesideA) return false;

  Setup first, second;
  BuildSetup(st, quad, X, Y, first);
  if (first.perspective) return false;
  const std::int64_t X2[3] = {X[1], X[2], X[3]}, Y2[3] = {Y[1], Y[2], Y[3]};
  BuildSetup(st, quad + 1, X2, Y2, second);

  const int clipX0 = std::max(0, st.clipX0), clipX1 = std::min(target.width, st.clipX1);
  const int clipY0 = std::max(0, st.clipY0), clipY1 = std::min(target.height, st.clipY1);
  const std::int64_t xMin = std::min(X[0], X[3]), xMax = std::max(X[0], X[3]);
  const std::int64_t yMin = std::min(Y[0], Y[3]), yMax = std::max(Y[0], Y[3]);
  const std::int64_t left = std::max<std::int64_t>(CeilDiv(xMin, 16), clipX0);
  const std::int64_t right = std::min<std::int64_t>(CeilDiv(xMax, 16), clipX1);
  const std::int64_t top = std::max<std::int64_t>(CeilDiv(yMin, 16), clipY0);
  const std::int64_t bottom = std::min<std::int64_t>(CeilDiv(yMax, 16), clipY1);
  if (left >= right || top >= bottom) return true;  // nothing of it inside: drawn

  if (!SamePlanes(first, second, static_cast<double>(left), static_cast<double>(top))) return false;
  FastParams fp{}, fp2{};
  const SpanFn fast = ChooseFast(target, st, first, quad, fp);
  if (fast == nullptr || ChooseFast(target, st, second, quad + 1, fp2) != fast) return false;
  // A picture mapped texel for pixel copies texture rows: the row start's
  // texel follows from the first row's by whole texels (SamePlanes made
  // every attribute step by whole units), so the rows inside the texture
  // go to the row blend directly, as the span loop would send them.
  const int n = static_cast<int>(right - left);
  std::int64_t s0 = 0, t0 = 0, sDown = 0, tDown = 0;
  bool texelRows = false;
  if (fp.blendTexelRow != nullptr) {
    RowValues rv;
    RowStart(first, static_cast<int>(left), static_cast<int>(top), rv);
    texelRows = rv.step[kS0] == 65536 && rv.step[kT0] == 0;
    s0 = rv.value[kS0];
    t0 = rv.value[kT0];
    sDown = first.constant[kS0] ? 0 : static_cast<std::int64_t>(std::nearbyint(first.attr[kS0].dy * first.scale[kS0]));
    tDown = first.constant[kT0] ? 0 : static_cast<std::int64_t>(std::nearbyint(first.attr[kT0].dy * first.scale[kT0]));
  }
  const Texture* tex = st.stages[0].texture;
  // Rectangles land anywhere on the screen, a short row at a time: the
  // rows two below are asked for ahead, as the hardware prefetcher cannot
  // guess them.
  const int bytesPerPixel = target.format == TargetFormat::kRGB565 || target.format == TargetFormat::kRGB555 ? 2 : 4;
  for (std::int64_t py = top; py < bottom; ++py) {
    std::uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(py) * target.pitch;
    if (py + 2 < bottom) {
      const std::uint8_t* next = row + 2 * static_cast<std::ptrdiff_t>(target.pitch);
      for (std::int64_t b = left * bytesPerPixel; b < right * bytesPerPixel; b += 64) __builtin_prefetch(next + b, 1);
      __builtin_prefetch(next + right * bytesPerPixel - 1, 1);
    }
    if (texelRows) {
      const std::int64_t s = s0 + sDown * (py - top), t = t0 + tDown * (py - top);
      const std::int64_t sLast = s + static_cast<std::int64_t>(n - 1) * 65536;
      if (s >= 0 && sLast < (static_cast<std::int64_t>(tex->width) << 16) && t >= 0 &&
          t < (static_cast<std::int64_t>(tex->height) << 16)) {
        fp.blendTexelRow(row, static_cast<int>(left), *tex, static_cast<int>(s >> 16), static_cast<int>(t >> 16), n);
        continue;
      }
    }
    fast(target, fp, first, static_cast<int>(py), static_cast<int>(left), static_cast<int>(right));
  }
  return true;
}

}  // namespace

void DrawLine(const Target& target, const State& st, const Vertex& a, const Vertex& b, const Options&) {
  if (!Finite(a) || !Finite(b)) return;
  const int clipX0 = std::max(0, st.clipX0), clipX1 = std::min(target.width, st.clipX1);
  const int clipY0 = std::max(0, st.clipY0), clipY1 = std::min(target.height, st.clipY1);
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  if (dx == 0 && dy == 0) return;
  const bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const double start = xMajor ? a.x : a.y, end = xMajor ? b.x : b.y;
  const double span = end - start;
  // Centres c with start <= c < end in the direction of travel.
  std::int64_t first, last, step;
  if (span > 0) {
    first = static_cast<std::int64_t>(std::ceil(start));
    last = static_cast<std::int64_t>(std::ceil(end)) - 1;
    step = 1;
  } else {
    first = static_cast<std::int64_t>(std::floor(start));
    last = static_cast<std::int64_t>(std::floor(end)) + 1;
    step = -1;
  }
  const std::int64_t lo = xMajor ? clipX0 : clipY0, hi = xMajor ? clipX1 : clipY1;
  if (std::fabs(start) > 1e9 || std::fabs(end) > 1e9) return;
  for (std::int64_t c = first; step > 0 ? c <= last : c >= last; c += step) {
    if (c < lo || c >= hi) continue;
    const double t = (c - start) / span;
    const double minor = xMajor ? a.y + dy * t : a.x + dx * t;
    const std::int64_t m = static_cast<std::int64_t>(std::floor(minor + 0.5));
    const std::int64_t px = xMajor ? c : m, py = xMajor ? m : c;
    if (px < clipX0 || px >= clipX1 || py < clipY0 || py >= clipY1) continue;
    auto lerp = [t](float p, float q) { return p + (q - p) * t; };
    PixelInputs in;
    in.diffuse = Rgba{Clamp255(std::llround(lerp(a.r, b.r))), Clamp255(std::llround(lerp(a.g, b.g))),
                      Clamp255(std::llround(lerp(a.b, b.b))), Clamp255(std::llround(lerp(a.a, b.a)))};
    for (int k = 0; k < 2; ++k) {
      const Stage& sg = st.stages[k];
      const int set = sg.texCoordIndex & 1;
      const int w = sg.texture != nullptr ? sg.texture->width : 1;
      const int h = sg.texture != nullptr ? sg.texture->height : 1;
      in.s[k] = std::llround(std::clamp(lerp(a.u[set], b.u[set]) * 65536.0 * w, -4e15, 4e15));
      in.t[k] = std::llround(std::clamp(lerp(a.v[set], b.v[set]) * 65536.0 * h, -4e15, 4e15));
    }
    const int ix = static_cast<int>(px), iy = static_cast<int>(py);
    WriteTarget(target, ix, iy, BlendReference(st, ShadeReference(st, in), ReadTarget(target, ix, iy)));
  }
}

}  // namespace D3DRaster
