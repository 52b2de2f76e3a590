// Row kernels of the software blitters, four pixels at a time with SSE2
// (eight with AVX2 where the processor has it, asked once at run time).
//
// Each kernel computes exactly what the plain per-pixel loops compute (the
// products all fit 16-bit lanes, and the channel formulas, including the
// blue channel's separate shifts, are kept lane by lane); where a fast
// assumption (destination alpha 255) does not hold for a group of pixels,
// the group goes through the scalar formula. The reference loops in the
// blitters are their twins, compared by the random-operation tests.
#pragma once

#include <algorithm>
#include <cstdint>

#include "image/Blend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define KIVO_BLIT_SSE2 1
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace Kivo {
namespace BlitKernels {

// floor(x / 255) for 0 <= x <= 65025, without a division.
inline uint32_t Div255Floor(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// Partial source pixel onto an opaque destination, which stays opaque.
inline uint32_t OntoOpaque(uint32_t d, uint32_t s) {
  const uint32_t sa = s >> 24, isa = 256 - sa;
  const uint32_t r = (((d >> 16) & 0xFF) * isa + ((s >> 16) & 0xFF) * sa) >> 8;
  const uint32_t g = (((d >> 8) & 0xFF) * isa + ((s >> 8) & 0xFF) * sa) >> 8;
  const uint32_t b = (((d & 0xFF) * isa) >> 8) + (((s & 0xFF) * sa) >> 8);
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KIVO_BLIT_AVX2 1
// Whether this processor runs the AVX2 kernels (asked once).
inline bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// Four pixels widened to 16 bits a channel (two per 128-bit lane): an
// opaque pixel weighs 256 (its colour exactly, as the copy gives), a
// transparent one 0; blue lanes shift their two products separately.
__attribute__((target("avx2"))) inline __m256i OntoOpaqueHalfAvx2(__m256i s16, __m256i d16) {
  const __m256i c256 = _mm256_set1_epi16(256), c255 = _mm256_set1_epi16(255);
  const __m256i splitMask =
      _mm256_set_epi16(-1, -1, -1, static_cast<short>(0xFF00), -1, -1, -1, static_cast<short>(0xFF00), -1, -1, -1,
                       static_cast<short>(0xFF00), -1, -1, -1, static_cast<short>(0xFF00));
  __m256i a = _mm256_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3));
  a = _mm256_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
  a = _mm256_sub_epi16(a, _mm256_cmpeq_epi16(a, c255));
  const __m256i t1 = _mm256_and_si256(_mm256_mullo_epi16(d16, _mm256_sub_epi16(c256, a)), splitMask);
  const __m256i t2 = _mm256_and_si256(_mm256_mullo_epi16(s16, a), splitMask);
  return _mm256_srli_epi16(_mm256_add_epi16(t1, t2), 8);
}

// OntoOpaqueRow eight pixels a step, for processors with AVX2; the same
// lane arithmetic as the SSE2 loop below, so the same results.
__attribute__((target("avx2"))) inline int32_t OntoOpaqueRowAvx2(uint32_t* d, const uint32_t* s, int32_t n) {
  int32_t i = 0;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 8 <= n; i += 8) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i sa = _mm256_and_si256(sv, alphaMask);
    const __m256i transparent = _mm256_cmpeq_epi32(sa, zero);
    if (_mm256_movemask_epi8(transparent) == -1) continue;
    __m256i* dp = reinterpret_cast<__m256i*>(d + i);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(sa, alphaMask)) == -1) {
      _mm256_storeu_si256(dp, sv);
      continue;
    }
    const __m256i dv = _mm256_loadu_si256(dp);
    const __m256i lo = OntoOpaqueHalfAvx2(_mm256_unpacklo_epi8(sv, zero), _mm256_unpacklo_epi8(dv, zero));
    const __m256i hi = OntoOpaqueHalfAvx2(_mm256_unpackhi_epi8(sv, zero), _mm256_unpackhi_epi8(dv, zero));
    const __m256i blended = _mm256_or_si256(_mm256_packus_epi16(lo, hi), alphaMask);
    _mm256_storeu_si256(dp, _mm256_blendv_epi8(blended, dv, transparent));
  }
  return i;
}
#endif

// The class-driven blit onto an opaque destination: opaque source pixels
// copy, transparent ones skip, partial ones blend.
inline void OntoOpaqueRow(uint32_t* d, const uint32_t* s, int32_t n) {
  int32_t i = 0;
#ifdef KIVO_BLIT_AVX2
  if (HasAvx2()) i = OntoOpaqueRowAvx2(d, s, n);
#endif
#ifdef KIVO_BLIT_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i c256 = _mm_set1_epi16(256);
  // Blue lanes (0 and 4 of the eight 16-bit lanes) shift their two products
  // separately: clearing both low bytes before the sum does exactly that.
  const __m128i splitMask =
      _mm_set_epi16(-1, -1, -1, static_cast<short>(0xFF00), -1, -1, -1, static_cast<short>(0xFF00));
  const __m128i c255 = _mm_set1_epi16(255);
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i sa = _mm_and_si128(sv, alphaMask);
    const __m128i transparent = _mm_cmpeq_epi32(sa, zero);
    const int tMask = _mm_movemask_epi8(transparent);
    if (tMask == 0xFFFF) continue;
    __m128i* dp = reinterpret_cast<__m128i*>(d + i);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, alphaMask)) == 0xFFFF) {
      _mm_storeu_si128(dp, sv);
      continue;
    }
    const __m128i dv = _mm_loadu_si128(dp);
    // An opaque pixel weighs 256 (its colour exactly, as the copy gives);
    // a transparent one weighs 0 (the destination's colour exactly).
    auto half = [&](__m128i s16, __m128i d16) {
      __m128i a = _mm_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3));
      a = _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
      a = _mm_sub_epi16(a, _mm_cmpeq_epi16(a, c255));
      const __m128i t1 = _mm_and_si128(_mm_mullo_epi16(d16, _mm_sub_epi16(c256, a)), splitMask);
      const __m128i t2 = _mm_and_si128(_mm_mullo_epi16(s16, a), splitMask);
      return _mm_srli_epi16(_mm_add_epi16(t1, t2), 8);
    };
    const __m128i lo = half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
    const __m128i hi = half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
    const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask);
    _mm_storeu_si128(dp, _mm_or_si128(_mm_and_si128(transparent, dv), _mm_andnot_si128(transparent, blended)));
  }
#endif
  for (; i < n; ++i) {
    const uint32_t v = s[i], a = v >> 24;
    if (a == 255) {
      d[i] = v;
    } else if (a != 0) {
      d[i] = OntoOpaque(d[i], v);
    }
  }
}

// Additive row: each colour channel clamp(Dc + x) where x comes from the
// source; the destination alpha byte never changes.
//   white, partial source:   x = Sc * W(Sa) >> 8
//   white, no partial:       x = Sc
//   tinted, partial:         x = Sc * pc * W(Sa) >> 16
//   tinted, no partial:      x = Sc * pc >> 8
// pc = W(ca * cc / 255) per channel, W the byte as a weight out of 256
// (FullWeight), so an opaque source under a full tint adds its channel
// exactly and every amount is rounded once.
struct AddTint {
  bool white;
  bool partial;
  uint32_t pr, pg, pb;
};

inline uint32_t AddAmount(uint32_t s, const AddTint& t, int shift, uint32_t pc) {
  const uint32_t sc = (s >> shift) & 0xFF, sa = FullWeight(s >> 24);
  if (t.white) return t.partial ? (sc * sa) >> 8 : sc;
  return t.partial ? (sc * pc * sa) >> 16 : (sc * pc) >> 8;
}

inline void AddRow(uint32_t* d, const uint32_t* s, int32_t n, const AddTint& t, const uint8_t* clamp) {
  int32_t i = 0;
#ifdef KIVO_BLIT_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128i colorMask = _mm_set1_epi32(0x00FFFFFF);
  const __m128i pcv = _mm_set_epi16(0, static_cast<short>(t.pr), static_cast<short>(t.pg), static_cast<short>(t.pb), 0,
                                    static_cast<short>(t.pr), static_cast<short>(t.pg), static_cast<short>(t.pb));
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i* dp = reinterpret_cast<__m128i*>(d + i);
    const __m128i dv = _mm_loadu_si128(dp);
    __m128i x;
    if (t.white && !t.partial) {
      x = _mm_and_si128(sv, colorMask);
    } else {
      // Sc * pc and Sc * W(Sa) are at most 255 * 256; the tinted partial
      // amount is the high half of (Sc * pc) * W(Sa).
      auto half = [&](__m128i s16) {
        if (!t.partial) return _mm_srli_epi16(_mm_mullo_epi16(s16, pcv), 8);
        __m128i a = _mm_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3));
        a = _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
        a = _mm_add_epi16(a, _mm_srli_epi16(a, 7));
        if (t.white) return _mm_srli_epi16(_mm_mullo_epi16(s16, a), 8);
        return _mm_mulhi_epu16(_mm_mullo_epi16(s16, pcv), a);
      };
      x = _mm_and_si128(_mm_packus_epi16(half(_mm_unpacklo_epi8(sv, zero)), half(_mm_unpackhi_epi8(sv, zero))),
                        colorMask);
    }
    _mm_storeu_si128(dp, _mm_adds_epu8(dv, x));
  }
#endif
  for (; i < n; ++i) {
    const uint32_t v = s[i], D = d[i];
    d[i] = (D & 0xFF000000u) | (static_cast<uint32_t>(clamp[((D >> 16) & 0xFF) + AddAmount(v, t, 16, t.pr)]) << 16) |
           (static_cast<uint32_t>(clamp[((D >> 8) & 0xFF) + AddAmount(v, t, 8, t.pg)]) << 8) |
           clamp[(D & 0xFF) + AddAmount(v, t, 0, t.pb)];
  }
}

#ifdef KIVO_BLIT_SSE2
// True when all four destination pixels are opaque.
inline bool AllOpaque(__m128i dv) {
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(dv, alphaMask), alphaMask)) == 0xFFFF;
}
#endif

#ifdef KIVO_BLIT_SSE2
// Source-over of four untinted source pixels onto d[0..3] with the general
// blend (every channel (Sc * w + Dc * (256 - w)) >> 8); groups whose
// destination is not all opaque go through scalar(d, s) pixel by pixel.
template <typename Scalar>
inline void Over4(uint32_t* d, __m128i sv, Scalar scalar) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i c256 = _mm_set1_epi16(256);
  const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(sv, alphaMask), zero);
  if (_mm_movemask_epi8(transparent) == 0xFFFF) return;
  __m128i* dp = reinterpret_cast<__m128i*>(d);
  const __m128i dv = _mm_loadu_si128(dp);
  if (!AllOpaque(dv)) {
    alignas(16) uint32_t s4[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(s4), sv);
    for (int k = 0; k < 4; ++k) scalar(d[k], s4[k]);
    return;
  }
  // Destination alpha 255: N = 255 and w = A, but 256 for an opaque source.
  const __m128i c255 = _mm_set1_epi16(255);
  auto half = [&](__m128i s16, __m128i d16) {
    __m128i a = _mm_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3));
    a = _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
    a = _mm_sub_epi16(a, _mm_cmpeq_epi16(a, c255));
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, _mm_sub_epi16(c256, a))), 8);
  };
  const __m128i blended = _mm_or_si128(_mm_packus_epi16(half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero)),
                                                        half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero))),
                                       alphaMask);
  _mm_storeu_si128(dp, _mm_or_si128(_mm_and_si128(transparent, dv), _mm_andnot_si128(transparent, blended)));
}
#endif

// Over4 along a row of n source pixels.
template <typename Scalar>
inline void OverRow(uint32_t* d, const uint32_t* s, int32_t n, Scalar scalar) {
  int32_t i = 0;
#ifdef KIVO_BLIT_SSE2
  for (; i + 4 <= n; i += 4) Over4(d + i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), scalar);
#endif
  for (; i < n; ++i) scalar(d[i], s[i]);
}

// Over4 along a row whose source pixels are picked by column index from one
// source row (the nearest-pixel stretch); the picks go straight into a
// register rather than through memory.
template <typename Scalar>
inline void OverPickedRow(uint32_t* d, const uint32_t* sourceRow, const int32_t* columns, int32_t n, Scalar scalar) {
  int32_t i = 0;
#ifdef KIVO_BLIT_SSE2
  for (; i + 4 <= n; i += 4) {
    const __m128i sv =
        _mm_set_epi32(static_cast<int>(sourceRow[columns[i + 3]]), static_cast<int>(sourceRow[columns[i + 2]]),
                      static_cast<int>(sourceRow[columns[i + 1]]), static_cast<int>(sourceRow[columns[i]]));
    Over4(d + i, sv, scalar);
  }
#endif
  for (; i < n; ++i) scalar(d[i], sourceRow[columns[i]]);
}

// The tinted normal blit (colour not opaque white) onto destinations whose
// alpha is 255, where N = 255 and the weight l = f = ca * Sa / 255 (256 where
// f is 255); the cc are the tint's channels as weights out of 256, and each
// channel is (Dc * (256 - l) >> 8) + Sc * cc * l / 65536, the tinted source
// share rounded once.
// Groups with a non-opaque destination pixel go through scalar(d, s).
template <typename Scalar>
inline void TintRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t ca, uint32_t cr, uint32_t cg, uint32_t cb,
                    Scalar scalar) {
  int32_t i = 0;
#ifdef KIVO_BLIT_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i c256 = _mm_set1_epi16(256);
  const __m128i one = _mm_set1_epi16(1);
  const __m128i c255 = _mm_set1_epi16(255);
  const __m128i cav = _mm_set1_epi16(static_cast<short>(ca));
  const __m128i ccv = _mm_set_epi16(0, static_cast<short>(cr), static_cast<short>(cg), static_cast<short>(cb), 0,
                                    static_cast<short>(cr), static_cast<short>(cg), static_cast<short>(cb));
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i* dp = reinterpret_cast<__m128i*>(d + i);
    const __m128i dv = _mm_loadu_si128(dp);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sv, alphaMask), zero)) == 0xFFFF) continue;
    if (!AllOpaque(dv)) {
      for (int k = 0; k < 4; ++k) scalar(d[i + k], s[i + k]);
      continue;
    }
    __m128i keep[2];
    auto half = [&](__m128i s16, __m128i d16, int h) {
      __m128i a = _mm_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3));
      a = _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
      const __m128i x = _mm_mullo_epi16(a, cav);
      __m128i l = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
      l = _mm_sub_epi16(l, _mm_cmpeq_epi16(l, c255));
      keep[h] = _mm_cmpeq_epi16(l, zero);
      const __m128i dpart = _mm_srli_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(c256, l)), 8);
      const __m128i sc = _mm_mullo_epi16(s16, ccv);
      const __m128i spart = _mm_mulhi_epu16(sc, l);
      return _mm_add_epi16(dpart, spart);
    };
    const __m128i lo = half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero), 0);
    const __m128i hi = half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero), 1);
    const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask);
    // l == 0 leaves the pixel: a 16-bit mask per lane, packed to 32-bit lanes.
    const __m128i keepMask = _mm_packs_epi16(keep[0], keep[1]);
    _mm_storeu_si128(dp, _mm_or_si128(_mm_and_si128(keepMask, dv), _mm_andnot_si128(keepMask, blended)));
  }
#endif
  for (; i < n; ++i) scalar(d[i], s[i]);
}

#ifdef KIVO_BLIT_SSE2
// n / d rounded down, for 0 <= n < 2^17 and 1 <= d <= 256 in 32-bit lanes
// (d given as floats). The quotient is taken in single precision and then
// corrected by one either way: every product involved stays below 2^24,
// where float arithmetic is exact. Checked over the whole range by the tests.
inline __m128i DivideExact(__m128i n, __m128 d) {
  const __m128 nf = _mm_cvtepi32_ps(n);
  __m128i q = _mm_cvttps_epi32(_mm_div_ps(nf, d));
  // q * d > n: one too many.
  q = _mm_add_epi32(q, _mm_castps_si128(_mm_cmpgt_ps(_mm_mul_ps(_mm_cvtepi32_ps(q), d), nf)));
  // (q + 1) * d <= n: one too few.
  q = _mm_sub_epi32(q, _mm_castps_si128(_mm_cmple_ps(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(q), d), d), nf)));
  return q;
}
#endif

// Saturating add of the channel bytes picked by mask (8-bit channels on
// byte boundaries): each d = min(Dc + Sc, 255) per channel, bytes outside
// the mask 0. This is the display's clamp-table add when its channels are
// whole bytes.
inline void AddBytesRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t mask) {
  int32_t i = 0;
#ifdef KIVO_BLIT_SSE2
  const __m128i m = _mm_set1_epi32(static_cast<int>(mask));
  for (; i + 4 <= n; i += 4) {
    __m128i* out = reinterpret_cast<__m128i*>(d + i);
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    _mm_storeu_si128(out, _mm_adds_epu8(_mm_and_si128(_mm_loadu_si128(out), m), _mm_and_si128(sv, m)));
  }
#endif
  for (; i < n; ++i) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      if (((mask >> shift) & 0xFF) == 0) continue;
      out |= std::min<uint32_t>(255, ((d[i] >> shift) & 0xFF) + ((s[i] >> shift) & 0xFF)) << shift;
    }
    d[i] = out;
  }
}

}  // namespace BlitKernels
}  // namespace Kivo
