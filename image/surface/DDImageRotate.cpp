// DDImage rotated drawing: every destination pixel of the rotated box is
// mapped back into the source in 16.16 fixed point and takes a bilinear,
// alpha-weighted sample of four source pixels.
#include <algorithm>
#include <cmath>

#include "image/Blend.h"
#include "image/BlitKernels.h"
#include "image/surface/DDImage.h"
#include "image/surface/DDImagePixels.h"

namespace Kivo {

namespace {

enum class RotateForm { kPlain565, kPlain555, kPlain888, kPlainMasks, kTinted, kAdditive };

struct RotateContext {
  const uint32_t* bits = nullptr;
  const uint8_t* indices = nullptr;
  const uint32_t* palette = nullptr;
  int32_t stride = 0;
  int32_t sx = 0;
  int32_t sy = 0;
  uint32_t Mr = 0, Mg = 0, Mb = 0;
  int32_t nr = 0, ng = 0, nb = 0, hr = 0, hg = 0, hb = 0;
  const int32_t *rc = nullptr, *gc = nullptr, *bc = nullptr;
  uint32_t R = 255, G = 255, B = 255, Al = 255;
  uint32_t Kr = 0, Kg = 0, Kb = 0;

  uint32_t Pixel(int32_t i, int32_t j) const {
    const size_t at = static_cast<size_t>(sy + j) * static_cast<size_t>(stride) + static_cast<size_t>(sx + i);
    return indices != nullptr ? palette[indices[at]] : bits[at];
  }
};

struct Sample {
  uint32_t A, Sb, Sg, Sr, SRB;
};

inline Sample Bilinear(const RotateContext& c, int32_t u, int32_t v, bool tint) {
  const int32_t i = u >> 16;
  const int32_t j = v >> 16;
  const uint32_t p[4] = {c.Pixel(i, j), c.Pixel(i + 1, j), c.Pixel(i, j + 1), c.Pixel(i + 1, j + 1)};
  // Fractions rounded to a 0..16384 scale and alpha scaled to 0..4096, so an
  // exact sample of an opaque pixel (or one a float rounding step away from
  // it) weighs exactly 256.
  const uint32_t fu = ((static_cast<uint32_t>(u) & 0xFFFFu) + 2) >> 2;
  const uint32_t fv = ((static_cast<uint32_t>(v) & 0xFFFFu) + 2) >> 2;
  const uint32_t gu = 16384 - fu, gv = 16384 - fv;
  const uint32_t w[4] = {(gu * gv) >> 16, (fu * gv) >> 16, (gu * fv) >> 16, (fu * fv) >> 16};
  const uint32_t tintAlpha = c.Al + (c.Al >> 7);
  Sample s{0, 0, 0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    const uint32_t alpha = p[k] >> 24;
    uint32_t a = (((alpha + (alpha >> 7)) << 4) * w[k]) >> 16;
    if (tint) a = (a * tintAlpha) >> 8;
    s.A += a;
    s.Sb += (p[k] & 0xFF) * a;
    s.Sg += (p[k] & 0xFF00) * a;
    s.Sr += (p[k] & 0xFF0000) * a;
    s.SRB += (p[k] & 0x00FF00FF) * a;
  }
  return s;
}

template <RotateForm F>
inline uint32_t BlendRotated(const RotateContext& c, uint32_t d, const Sample& s) {
  if (F == RotateForm::kPlain565 || F == RotateForm::kPlain555) {
    const uint32_t K = F == RotateForm::kPlain565 ? kSpread565 : kSpread555;
    const uint32_t P = ((s.SRB & 0xFF00FF00u) | (s.Sg & 0x00FF0000u)) >> 8;
    const uint32_t S = F == RotateForm::kPlain565 ? ((P & 0xFC00) << 11) + ((P >> 8) & 0xF800) + ((P >> 3) & 0x1F)
                                                  : ((P & 0xF800) << 10) + ((P >> 9) & 0x7C00) + ((P >> 3) & 0x1F);
    const uint32_t D = Spread(d, K);
    const uint32_t k = (256 - s.A) >> 3;
    const uint32_t R = (((D * k) >> 5) & K) + S;
    return (R | R >> 16) & 0xFFFF;
  } else if (F == RotateForm::kPlain888) {
    const uint32_t k = 256 - s.A;
    return (((((d & 0x00FF00FF) * k) + (s.SRB & 0xFF00FF00u)) >> 8) & 0x00FF00FF) |
           (((((d & 0x0000FF00) * k) + (s.Sg & 0x00FF0000u)) >> 8) & 0x0000FF00);
  } else if (F == RotateForm::kPlainMasks) {
    const uint32_t k = 256 - s.A;
    const uint32_t qb = ((((d & c.Mb) * k) >> 8) & c.Mb) + ((s.Sb >> (16 - c.nb)) << c.hb);
    const uint32_t qg = ((((d & c.Mg) * k) >> 8) & c.Mg) + ((s.Sg >> (24 - c.ng)) << c.hg);
    const uint32_t qr = ((((d & c.Mr) * k) >> 8) & c.Mr) + ((s.Sr >> (32 - c.nr)) << c.hr);
    return qb | qg | qr;
  } else if (F == RotateForm::kTinted) {
    const uint32_t k = 256 - s.A;
    const uint32_t qb = ((((d & c.Mb) * k) >> 8) & c.Mb) + (((((s.Sb >> 8) * (c.B + 1)) >> (16 - c.nb))) << c.hb);
    const uint32_t qg = ((((d & c.Mg) * k) >> 8) & c.Mg) + (((((s.Sg >> 8) * (c.G + 1)) >> (24 - c.ng))) << c.hg);
    const uint32_t qr = ((((d & c.Mr) * k) >> 8) & c.Mr) + (((((s.Sr >> 8) * (c.R + 1)) >> (32 - c.nr))) << c.hr);
    return qb | qg | qr;
  } else {
    const uint32_t ir = ((d & c.Mr) >> c.hr) + (((s.Sr >> (32 - c.nr)) * c.Kr) >> 8);
    const uint32_t ig = ((d & c.Mg) >> c.hg) + ((s.Sg * c.Kg) >> (24 - c.ng + 8));
    const uint32_t ib = ((d & c.Mb) >> c.hb) + ((s.Sb * c.Kb) >> (16 - c.nb + 8));
    return (static_cast<uint32_t>(c.rc[ir]) << c.hr) | (static_cast<uint32_t>(c.gc[ig]) << c.hg) |
           (static_cast<uint32_t>(c.bc[ib]) << c.hb);
  }
}

#ifdef KIVO_BLIT_SSE2
// Bilinear and BlendRotated<kPlain888> for four destination pixels at once,
// from a source of 32-bit pixels: the same integers in 16-bit lanes. The
// fractions and their complements are at most 16384 and the weights are high
// halves of 16 x 16 products (mulhi); each channel sum Sum(c x a) is at most
// 255 x 256 because the a sum to at most 256; and d x (256 - A) +
// (sum & 0xFF00) is at most 255 x 256, so no lane carries.
// Returns the first column it left for the per-pixel loop.
int64_t Rotate888Four(const RotateContext& c, uint32_t* out, int64_t col, int64_t last, int64_t& u, int64_t& v,
                      int32_t du, int32_t dv) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c256 = _mm_set1_epi16(256), highByte = _mm_set1_epi16(static_cast<short>(0xFF00));
  const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
  const size_t stride = static_cast<size_t>(c.stride);
  for (; col + 3 <= last; col += 4) {
    __m128i top[4], bottom[4];
    alignas(16) uint16_t fus[8] = {0}, fvs[8] = {0};
    for (int m = 0; m < 4; ++m) {
      const int32_t um = static_cast<int32_t>(u + m * du), vm = static_cast<int32_t>(v + m * dv);
      const uint32_t* at =
          c.bits + static_cast<size_t>(c.sy + (vm >> 16)) * stride + static_cast<size_t>(c.sx + (um >> 16));
      top[m] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
      bottom[m] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + stride));
      fus[m] = static_cast<uint16_t>(((static_cast<uint32_t>(um) & 0xFFFFu) + 2) >> 2);
      fvs[m] = static_cast<uint16_t>(((static_cast<uint32_t>(vm) & 0xFFFFu) + 2) >> 2);
    }
    u += 4 * static_cast<int64_t>(du);
    v += 4 * static_cast<int64_t>(dv);
    // Neighbour vectors p00, p10, p01, p11 of the four pixels.
    const __m128i top01 = _mm_unpacklo_epi32(top[0], top[1]), top23 = _mm_unpacklo_epi32(top[2], top[3]);
    const __m128i bottom01 = _mm_unpacklo_epi32(bottom[0], bottom[1]);
    const __m128i bottom23 = _mm_unpacklo_epi32(bottom[2], bottom[3]);
    const __m128i p[4] = {_mm_unpacklo_epi64(top01, top23), _mm_unpackhi_epi64(top01, top23),
                          _mm_unpacklo_epi64(bottom01, bottom23), _mm_unpackhi_epi64(bottom01, bottom23)};
    const __m128i fu = _mm_load_si128(reinterpret_cast<const __m128i*>(fus));
    const __m128i fv = _mm_load_si128(reinterpret_cast<const __m128i*>(fvs));
    const __m128i full = _mm_set1_epi16(16384);
    const __m128i gu = _mm_sub_epi16(full, fu), gv = _mm_sub_epi16(full, fv);  // 16384 - f
    const __m128i w[4] = {_mm_mulhi_epu16(gu, gv), _mm_mulhi_epu16(fu, gv), _mm_mulhi_epu16(gu, fv),
                          _mm_mulhi_epu16(fu, fv)};
    __m128i A = zero, sumLo = zero, sumHi = zero;
    for (int k = 0; k < 4; ++k) {
      const __m128i alpha = _mm_packs_epi32(_mm_srli_epi32(p[k], 24), zero);
      const __m128i a = _mm_mulhi_epu16(_mm_slli_epi16(_mm_add_epi16(alpha, _mm_srli_epi16(alpha, 7)), 4), w[k]);
      A = _mm_add_epi16(A, a);
      const __m128i pairs = _mm_unpacklo_epi16(a, a);
      sumLo = _mm_add_epi16(sumLo, _mm_mullo_epi16(_mm_unpacklo_epi8(p[k], zero), _mm_unpacklo_epi32(pairs, pairs)));
      sumHi = _mm_add_epi16(sumHi, _mm_mullo_epi16(_mm_unpackhi_epi8(p[k], zero), _mm_unpackhi_epi32(pairs, pairs)));
    }
    const __m128i kk = _mm_sub_epi16(c256, A);
    const __m128i kPairs = _mm_unpacklo_epi16(kk, kk);
    __m128i* dst = reinterpret_cast<__m128i*>(out + col);
    const __m128i d = _mm_loadu_si128(dst);
    const __m128i lo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi32(kPairs, kPairs)),
                                     _mm_and_si128(sumLo, highByte)),
                       8);
    const __m128i hi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi32(kPairs, kPairs)),
                                     _mm_and_si128(sumHi, highByte)),
                       8);
    _mm_storeu_si128(dst, _mm_and_si128(_mm_packus_epi16(lo, hi), colourMask));
  }
  return col;
}
#endif

// Narrows [first, last] so every sample of the span lies inside a source of
// `size` pixels along one axis; false when the row is to be skipped.
inline bool NarrowSpan(int64_t pos, int64_t step, int64_t size, bool isU, int64_t& first, int64_t& last) {
  if (step > 0) {
    if ((pos >> 16) >= size - 1) return false;
    first = std::max(first, (0x10000 - pos) / step);
    last = std::min(last, ((size << 16) - 0x17FFF - pos) / step);
  } else if (step < 0) {
    if ((pos >> 16) < 0) return false;
    first = std::max(first, ((size << 16) - 0x27FFF - pos) / step);
    last = std::min(last, ((isU ? 0x7FFF : 0) - pos) / step);
  } else if (pos < 0 || pos >= ((size - 1) << 16)) {
    return false;
  }
  return true;
}

template <typename T, RotateForm F>
void RotateRows(const RotateContext& c, const SurfaceView& view, const DoubleRect& box, double x, double y, double cx,
                double cy, double cs, double sn, int32_t du, int32_t dv, int32_t w, int32_t h, int32_t surfaceWidth,
                int32_t surfaceHeight) {
  const int32_t bx = static_cast<int32_t>(box.x);
  const int32_t by = static_cast<int32_t>(box.y);
  const bool tint = F == RotateForm::kTinted;
  for (int32_t r = 0; r < box.height; ++r) {
    const int32_t row = by + r;
    if (row < 0 || row >= surfaceHeight) continue;
    const float dx = static_cast<float>(bx - cx - x);
    const float dy = static_cast<float>(by + r - cy - y);
    const double uu = (dx * cs - dy * sn + cx) * 65536.0;
    const double vv = (dy * cs + dx * sn + cy) * 65536.0;
    if (!(std::fabs(uu) < 2.0e9) || !(std::fabs(vv) < 2.0e9)) continue;
    int64_t u = static_cast<int64_t>(uu);
    int64_t v = static_cast<int64_t>(vv);
    int64_t first = 0;
    int64_t last = static_cast<int64_t>(box.width - 1);
    if (!NarrowSpan(u, du, w, true, first, last) || !NarrowSpan(v, dv, h, false, first, last)) continue;
    // The box lies inside the clip; keep the columns inside the surface too.
    first = std::max<int64_t>(first, -int64_t{bx});
    last = std::min<int64_t>(last, int64_t{surfaceWidth} - 1 - bx);
    u += first * du;
    v += first * dv;
    T* out = reinterpret_cast<T*>(view.base + static_cast<ptrdiff_t>(row) * view.pitch) + bx;
    int64_t col = first;
#ifdef KIVO_BLIT_SSE2
    if constexpr (F == RotateForm::kPlain888 && sizeof(T) == 4) {
      if (c.indices == nullptr && !ReferencePathsForced())
        col = Rotate888Four(c, reinterpret_cast<uint32_t*>(out), col, last, u, v, du, dv);
    }
#endif
    for (; col <= last; ++col) {
      const Sample s = Bilinear(c, static_cast<int32_t>(u), static_cast<int32_t>(v), tint);
      out[col] = static_cast<T>(BlendRotated<F>(c, out[col], s));
      u += du;
      v += dv;
    }
  }
}

template <typename T>
void RotateDispatch(RotateForm form, const RotateContext& c, const SurfaceView& view, const DoubleRect& box, double x,
                    double y, double cx, double cy, double cs, double sn, int32_t du, int32_t dv, int32_t w, int32_t h,
                    int32_t sw, int32_t sh) {
  switch (form) {
    case RotateForm::kPlain565:
      RotateRows<T, RotateForm::kPlain565>(c, view, box, x, y, cx, cy, cs, sn, du, dv, w, h, sw, sh);
      break;
    case RotateForm::kPlain555:
      RotateRows<T, RotateForm::kPlain555>(c, view, box, x, y, cx, cy, cs, sn, du, dv, w, h, sw, sh);
      break;
    case RotateForm::kPlain888:
      RotateRows<T, RotateForm::kPlain888>(c, view, box, x, y, cx, cy, cs, sn, du, dv, w, h, sw, sh);
      break;
    case RotateForm::kPlainMasks:
      RotateRows<T, RotateForm::kPlainMasks>(c, view, box, x, y, cx, cy, cs, sn, du, dv, w, h, sw, sh);
      break;
    case RotateForm::kTinted:
      RotateRows<T, RotateForm::kTinted>(c, view, box, x, y, cx, cy, cs, sn, du, dv, w, h, sw, sh);
      break;
    case RotateForm::kAdditive:
      RotateRows<T, RotateForm::kAdditive>(c, view, box, x, y, cx, cy, cs, sn, du, dv, w, h, sw, sh);
      break;
  }
}

}  // namespace

void DDImage::DrawImageRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                               const Color& color, int32_t drawMode, double angle, float centerX, float centerY) {
  if (source == nullptr) return;
  source->drawn = true;
  if (videoOnly) return;
  ScanAlpha();
  if (DrawsThrough3D()) {
    display->renderer->DrawImageRotated(source, x, y, clip, color, drawMode, angle, centerX, centerY, sourceRect);
    return;
  }
  if (forceSoftware || hasPartialAlpha || (hasTransparency && !firstPixelKey) || display == nullptr || display->is3D) {
    MemoryImage::DrawImageRotated(source, x, y, sourceRect, clip, color, drawMode, angle, centerX, centerY);
    return;
  }
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(angle) || !std::isfinite(centerX) ||
      !std::isfinite(centerY))
    return;
  DoubleRect box;
  if (!MemoryImage::ComputeRotatedBounds(x, y, sourceRect, clip, angle, centerX, centerY, box)) return;
  MemoryImage* src = dynamic_cast<MemoryImage*>(source);
  if (src == nullptr) return;
  src->ScanAlpha();
  // The source rectangle is read without bounds tests below: keep it inside.
  const Rect sr = sourceRect.Intersection(Rect(0, 0, src->width, src->height));
  if (sr != sourceRect) return;

  RotateContext c;
  if (src->palette != nullptr && src->indices != nullptr) {
    c.indices = src->indices.get();
    c.palette = src->palette.get();
  } else {
    c.bits = src->GetBits();
    if (c.bits == nullptr) return;
  }
  c.stride = src->width;
  c.sx = sr.x;
  c.sy = sr.y;
  const double cs = std::cos(angle);
  const double sn = std::sin(angle);
  const int32_t du = static_cast<int32_t>(cs * 65536.0);
  const int32_t dv = static_cast<int32_t>(sn * 65536.0);

  BeginSurfaceDraw();
  GetSurface();
  if (!LockSurface()) return;
  const SurfaceView view(lockedDesc);
  const DDInterface& d = *display;
  c.Mr = view.R;
  c.Mg = view.G;
  c.Mb = view.B;
  c.nr = d.redBits;
  c.ng = d.greenBits;
  c.nb = d.blueBits;
  c.hr = d.redShift;
  c.hg = d.greenShift;
  c.hb = d.blueShift;
  c.rc = d.redClamp.data();
  c.gc = d.greenClamp.data();
  c.bc = d.blueClamp.data();
  c.R = static_cast<uint32_t>(color.red) & 0xFF;
  c.G = static_cast<uint32_t>(color.green) & 0xFF;
  c.B = static_cast<uint32_t>(color.blue) & 0xFF;
  c.Al = static_cast<uint32_t>(color.alpha) & 0xFF;
  // Additive factors as weights out of 256, so a full one adds a sample's
  // channel exactly.
  c.Kr = FullWeight(c.R * c.Al / 255);
  c.Kg = FullWeight(c.G * c.Al / 255);
  c.Kb = FullWeight(c.B * c.Al / 255);

  RotateForm form;
  if (drawMode != 0) {
    form = RotateForm::kAdditive;
  } else if (!(color == Color::White)) {
    form = RotateForm::kTinted;
  } else if (view.bitCount == 16) {
    form = gDisplayIsRGB && view.G == 0x7E0u   ? RotateForm::kPlain565
           : gDisplayIsRGB && view.G == 0x3E0u ? RotateForm::kPlain555
                                               : RotateForm::kPlainMasks;
  } else {
    form = gDisplayIsRGB ? RotateForm::kPlain888 : RotateForm::kPlainMasks;
  }
  if (view.bitCount == 16) {
    RotateDispatch<uint16_t>(form, c, view, box, x, y, centerX, centerY, cs, sn, du, dv, sr.width, sr.height, width,
                             height);
  } else if (view.bitCount == 32) {
    RotateDispatch<uint32_t>(form, c, view, box, x, y, centerX, centerY, cs, sn, du, dv, sr.width, sr.height, width,
                             height);
  }
  UnlockSurface();
  EndSurfaceDraw();
}

}  // namespace Kivo
