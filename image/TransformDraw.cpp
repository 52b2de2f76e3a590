// Transformed software drawing of MemoryImage: bilinear draws at fractional
// positions and rotated about a centre (16.16 fixed point with per-row
// sample ranges, so the inner loop needs no bounds test), and the matrix and
// textured-triangle draws, which go through the triangle front end.
#include <algorithm>
#include <cmath>

#include "image/BlitKernels.h"
#include "image/Blend.h"
#include "image/ImageHost.h"
#include "image/MemoryImage.h"
#include "image/TriangleFrontEnd.h"

namespace Kivo {

namespace {

// Positions and centres beyond this are refused before any conversion.
constexpr float kMaxPosition = 1.0e7f;

bool SanePosition(float v) { return v > -kMaxPosition && v < kMaxPosition; }

// Source row range of one destination row, in destination pixel steps.
struct RowRange {
  int64_t first, last;
};

bool NarrowAxis(int64_t start, int64_t step, int64_t size, RowRange& r) {
  if (step < 0) {
    if (start < 0) return false;
    r.first = std::max(r.first, (size * 65536 - start - 0x27FFF) / step);
    r.last = std::min(r.last, (0x7FFF - start) / step);
  } else if (step == 0) {
    if (start < 0 || start >= (size - 1) * 65536) return false;
  } else {
    if (start / 65536 >= size - 1) return false;
    r.first = std::max(r.first, (65536 - start) / step);
    r.last = std::min(r.last, (size * 65536 - start - 0x17FFF) / step);
  }
  return true;
}

// Whether the 2 x 2 neighbourhood of a 16.16 sample lies inside the source.
inline bool SampleInside(int64_t e, int64_t size) { return e >= 0 && (e >> 16) <= size - 2; }

struct BitsFetch {
  const uint32_t* bits;
  size_t width;
  uint32_t operator()(int32_t x, int32_t y) const {
    return bits[static_cast<size_t>(y) * width + static_cast<size_t>(x)];
  }
};
struct PaletteFetch {
  const SourcePixels& pixels;
  uint32_t operator()(int32_t x, int32_t y) const { return pixels.At(x, y); }
};

// One destination row of a rotated draw: pixels first..last of row, source
// position (E, D) in 16.16 at the first one.
struct RotatedSpan {
  uint32_t* row;
  int64_t E, D, stepX, stepY;
  int32_t first, last;
  int32_t originX, originY;
};

// The blend of one filtered sample: coverage A and channel sums sr, sg, sb.
struct RotatedBlend {
  const ColorBytes& tint;
  bool tinted;
  int32_t drawMode;
  const uint8_t* clamp;
  uint32_t addR, addG, addB;
  const uint64_t* reciprocals;
  bool fast;

  [[gnu::always_inline]] void operator()(uint32_t& d, uint32_t A, uint32_t sr, uint32_t sg, uint32_t sb) const {
    const uint32_t D32 = d;
    const uint32_t dr = (D32 >> 16) & 0xFF, dg = (D32 >> 8) & 0xFF, db = D32 & 0xFF;
    if (drawMode == kDrawModeNormal) {
      if (tinted) {
        sr = sr * (tint.r + 1) / 256;
        sg = sg * (tint.g + 1) / 256;
        sb = sb * (tint.b + 1) / 256;
      }
      // Only full coverage replaces the pixel; anything less keeps the
      // destination's share.
      if (A >= 256) {
        d = 0xFF000000u | (std::min(255u, sr >> 8) << 16) | (std::min(255u, sg >> 8) << 8) | std::min(255u, sb >> 8);
        return;
      }
      const uint32_t Da = D32 >> 24;
      const uint32_t t = 256 - A;
      const uint32_t N1 = 256 - t * (256 - Da) / 256;
      const uint64_t reciprocal = reciprocals[N1];
      // The sample's sum and the destination's share (its colour times its
      // alpha over 255) meet before the one division.
      auto mix = [&](uint32_t sum, uint32_t dc) {
        const uint32_t share = fast ? BlitKernels::Div255Floor(dc * Da) : dc * Da / 255;
        const uint32_t numerator = sum + t * share;
        const uint32_t q = fast ? static_cast<uint32_t>((numerator * reciprocal) >> kReciprocalShift) : numerator / N1;
        return std::min(255u, q);
      };
      d = ((N1 - 1) << 24) | (mix(sr, dr) << 16) | (mix(sg, dg) << 8) | mix(sb, db);
    } else if (tinted) {
      auto add = [&](uint32_t dc, uint32_t cc, uint32_t sum) {
        return static_cast<uint32_t>(clamp[dc + std::min(255u, (cc * std::min(255u, sum >> 8)) >> 8)]);
      };
      d = (D32 & 0xFF000000u) | (add(dr, addR, sr) << 16) | (add(dg, addG, sg) << 8) | add(db, addB, sb);
    } else {
      d = (D32 & 0xFF000000u) | (static_cast<uint32_t>(clamp[dr + std::min(255u, sr >> 8)]) << 16) |
          (static_cast<uint32_t>(clamp[dg + std::min(255u, sg >> 8)]) << 8) | clamp[db + std::min(255u, sb >> 8)];
    }
  }
};

// The 16.16 fraction of a sample position on a 0..16384 scale, rounded, so
// the four geometric weights of an exact sample (or one a float rounding step
// away from it) are 4096, 0, 0, 0 and those of any sample fit 16-bit lanes.
inline uint32_t FractionOf(int64_t e) { return ((static_cast<uint32_t>(e) & 0xFFFFu) + 2u) >> 2; }

// Alpha 0..255 scaled to 0..4096, so an opaque pixel's full geometric weight
// (4096) becomes a coverage of exactly 256.
inline uint32_t AlphaScale(uint32_t alpha) { return (alpha + (alpha >> 7)) << 4; }

// Alpha-weighted bilinear sample of one pixel, in plain integer arithmetic.
inline bool SampleScalar(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, int64_t E, int64_t D,
                         const ColorBytes& tint, bool tinted, uint32_t& A, uint32_t& sr, uint32_t& sg, uint32_t& sb) {
  const uint32_t fx = FractionOf(E), fy = FractionOf(D);
  const uint32_t gx = 16384u - fx, gy = 16384u - fy;
  uint32_t w00 = (((gx * gy) >> 16) * AlphaScale(p00 >> 24)) >> 16;
  uint32_t w10 = (((gy * fx) >> 16) * AlphaScale(p10 >> 24)) >> 16;
  uint32_t w01 = (((gx * fy) >> 16) * AlphaScale(p01 >> 24)) >> 16;
  uint32_t w11 = (((fy * fx) >> 16) * AlphaScale(p11 >> 24)) >> 16;
  if (tinted) {
    const uint32_t ta = tint.a + (tint.a >> 7);
    w00 = (ta * w00) >> 8;
    w10 = (ta * w10) >> 8;
    w01 = (ta * w01) >> 8;
    w11 = (ta * w11) >> 8;
  }
  A = w00 + w10 + w01 + w11;
  if (A == 0) return false;
  sr =
      ((p00 >> 16) & 0xFF) * w00 + ((p10 >> 16) & 0xFF) * w10 + ((p01 >> 16) & 0xFF) * w01 + ((p11 >> 16) & 0xFF) * w11;
  sg = ((p00 >> 8) & 0xFF) * w00 + ((p10 >> 8) & 0xFF) * w10 + ((p01 >> 8) & 0xFF) * w01 + ((p11 >> 8) & 0xFF) * w11;
  sb = (p00 & 0xFF) * w00 + (p10 & 0xFF) * w10 + (p01 & 0xFF) * w01 + (p11 & 0xFF) * w11;
  return true;
}

#ifdef KIVO_BLIT_SSE2
// The untinted normal-mode blend of four filtered samples (coverage in the
// low four 16-bit lanes of cover; channel sums B, G, R per pixel in sumLo for
// pixels 0-1 and sumHi for 2-3) onto d[0..3].
inline void BlendRotated4(uint32_t* d, __m128i cover, __m128i sumLo, __m128i sumHi) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c256 = _mm_set1_epi32(256);
  const __m128i c255 = _mm_set1_epi32(255);
  __m128i* dp = reinterpret_cast<__m128i*>(d);
  const __m128i dv = _mm_loadu_si128(dp);
  const __m128i A = _mm_unpacklo_epi16(cover, zero);
  // Channel sums as 32-bit lanes, one vector per channel, shifted down by 8.
  const __m128i b01 = _mm_unpacklo_epi16(sumLo, zero), b23 = _mm_unpacklo_epi16(sumHi, zero);
  const __m128i r01 = _mm_unpackhi_epi16(sumLo, zero), r23 = _mm_unpackhi_epi16(sumHi, zero);
  // b01 = [B0 G0 R0 X0], r01 = [B1 G1 R1 X1]: transpose to per-channel vectors.
  const __m128i t0 = _mm_unpacklo_epi32(b01, r01);  // B0 B1 G0 G1
  const __m128i t1 = _mm_unpacklo_epi32(b23, r23);  // B2 B3 G2 G3
  const __m128i t2 = _mm_unpackhi_epi32(b01, r01);  // R0 R1 X0 X1
  const __m128i t3 = _mm_unpackhi_epi32(b23, r23);  // R2 R3 X2 X3
  const __m128i sbSum = _mm_unpacklo_epi64(t0, t1), sgSum = _mm_unpackhi_epi64(t0, t1);
  const __m128i srSum = _mm_unpacklo_epi64(t2, t3);
  const __m128i sb = _mm_srli_epi32(sbSum, 8), sg = _mm_srli_epi32(sgSum, 8), sr = _mm_srli_epi32(srSum, 8);

  const __m128i Da = _mm_srli_epi32(dv, 24);
  const __m128i t = _mm_sub_epi32(c256, A);
  // Products of lanes below 2^16 with results below 2^16: 16-bit multiplies.
  const __m128i N1 = _mm_sub_epi32(c256, _mm_srli_epi32(_mm_mullo_epi16(t, _mm_sub_epi32(c256, Da)), 8));
  const __m128 N1f = _mm_cvtepi32_ps(N1);
  // Onto opaque destination pixels (the usual case) N1 is 256 for every
  // coverage that gets here (1 to 255), so the division is a shift.
  const bool opaqueDest = _mm_movemask_epi8(_mm_cmpeq_epi32(Da, c255)) == 0xFFFF;
  auto channel = [&](__m128i sum, int shift) {
    const __m128i dc = _mm_and_si128(_mm_srli_epi32(dv, shift), c255);
    // dc * Da / 255 rounded down, as Div255Floor.
    const __m128i x = _mm_mullo_epi16(dc, Da);
    const __m128i share = _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(x, _mm_set1_epi32(1)), _mm_srli_epi32(x, 8)), 8);
    const __m128i n = _mm_add_epi32(sum, _mm_mullo_epi16(t, share));
    const __m128i q = opaqueDest ? _mm_srli_epi32(n, 8) : BlitKernels::DivideExact(n, N1f);
    // min(255, q) for non-negative q.
    const __m128i big = _mm_cmpgt_epi32(q, c255);
    return _mm_or_si128(_mm_and_si128(big, c255), _mm_andnot_si128(big, q));
  };
  const __m128i blended = _mm_or_si128(
      _mm_or_si128(_mm_slli_epi32(_mm_sub_epi32(N1, _mm_set1_epi32(1)), 24), _mm_slli_epi32(channel(srSum, 16), 16)),
      _mm_or_si128(_mm_slli_epi32(channel(sgSum, 8), 8), channel(sbSum, 0)));
  const __m128i opaque = _mm_or_si128(_mm_set1_epi32(static_cast<int>(0xFF000000u)),
                                      _mm_or_si128(_mm_slli_epi32(sr, 16), _mm_or_si128(_mm_slli_epi32(sg, 8), sb)));
  const __m128i isOpaque = _mm_cmpgt_epi32(A, _mm_set1_epi32(255));
  const __m128i isEmpty = _mm_cmpeq_epi32(A, zero);
  __m128i out = _mm_or_si128(_mm_and_si128(isOpaque, opaque), _mm_andnot_si128(isOpaque, blended));
  out = _mm_or_si128(_mm_and_si128(isEmpty, dv), _mm_andnot_si128(isEmpty, out));
  _mm_storeu_si128(dp, out);
}
#endif

template <typename Fetch>
void DrawRotatedSpan(const RotatedSpan& span, Fetch fetch, const RotatedBlend& blend) {
  int64_t E = span.E, D = span.D;
  int32_t j = span.first;
#ifdef KIVO_BLIT_SSE2
  if (blend.fast) {
    // Four destination pixels at a time, the same integers in 16-bit lanes:
    // fractions and their complements are at most 16384, the geometric
    // weights (high halves of their products) at most 4096, the alpha
    // weights at most 256 and sum to at most 256, so each channel sum stays
    // at most 255 * 256.
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(16384);
    const __m128i tintAlpha = _mm_set1_epi16(static_cast<short>((blend.tint.a + (blend.tint.a >> 7)) << 1));
    alignas(16) uint16_t sums[16];
    alignas(16) uint16_t cover[8];
    for (; j + 4 <= span.last + 1; j += 4) {
      int32_t ix[4], iy[4];
      uint16_t fxs[4], fys[4];
      for (int m = 0; m < 4; ++m) {
        const int64_t e = E + m * span.stepX, dd = D + m * span.stepY;
        ix[m] = static_cast<int32_t>(e >> 16) + span.originX;
        iy[m] = static_cast<int32_t>(dd >> 16) + span.originY;
        fxs[m] = static_cast<uint16_t>(FractionOf(e));
        fys[m] = static_cast<uint16_t>(FractionOf(dd));
      }
      // The four neighbours of the four pixels, straight into registers.
      auto gather = [&](int dx, int dy) {
        return _mm_set_epi32(
            static_cast<int>(fetch(ix[3] + dx, iy[3] + dy)), static_cast<int>(fetch(ix[2] + dx, iy[2] + dy)),
            static_cast<int>(fetch(ix[1] + dx, iy[1] + dy)), static_cast<int>(fetch(ix[0] + dx, iy[0] + dy)));
      };
      const __m128i neighbours[4] = {gather(0, 0), gather(1, 0), gather(0, 1), gather(1, 1)};
      E += 4 * span.stepX;
      D += 4 * span.stepY;
      const __m128i fx = _mm_set_epi16(0, 0, 0, 0, static_cast<short>(fxs[3]), static_cast<short>(fxs[2]),
                                       static_cast<short>(fxs[1]), static_cast<short>(fxs[0]));
      const __m128i fy = _mm_set_epi16(0, 0, 0, 0, static_cast<short>(fys[3]), static_cast<short>(fys[2]),
                                       static_cast<short>(fys[1]), static_cast<short>(fys[0]));
      const __m128i gx = _mm_sub_epi16(full, fx);  // 16384 - fx
      const __m128i gy = _mm_sub_epi16(full, fy);
      const __m128i q[4] = {_mm_mulhi_epu16(gx, gy), _mm_mulhi_epu16(gy, fx), _mm_mulhi_epu16(gx, fy),
                            _mm_mulhi_epu16(fy, fx)};
      __m128i sumLo = zero, sumHi = zero, coverage = zero;
      for (int k = 0; k < 4; ++k) {
        const __m128i pv = neighbours[k];
        const __m128i alpha = _mm_packs_epi32(_mm_srli_epi32(pv, 24), zero);
        const __m128i scaled = _mm_slli_epi16(_mm_add_epi16(alpha, _mm_srli_epi16(alpha, 7)), 4);
        __m128i w = _mm_mulhi_epu16(q[k], scaled);
        // (w * ta) >> 8 with w and ta up to 256: as the high half of
        // (w << 7) * (ta << 1), whose factors fit 16 bits.
        if (blend.tinted) w = _mm_mulhi_epu16(_mm_slli_epi16(w, 7), tintAlpha);
        coverage = _mm_add_epi16(coverage, w);
        const __m128i pairs = _mm_unpacklo_epi16(w, w);
        sumLo = _mm_add_epi16(sumLo, _mm_mullo_epi16(_mm_unpacklo_epi8(pv, zero), _mm_unpacklo_epi32(pairs, pairs)));
        sumHi = _mm_add_epi16(sumHi, _mm_mullo_epi16(_mm_unpackhi_epi8(pv, zero), _mm_unpackhi_epi32(pairs, pairs)));
      }
      if (blend.drawMode == kDrawModeNormal && !blend.tinted) {
        BlendRotated4(span.row + j, coverage, sumLo, sumHi);
        continue;
      }
      _mm_store_si128(reinterpret_cast<__m128i*>(sums), sumLo);
      _mm_store_si128(reinterpret_cast<__m128i*>(sums + 8), sumHi);
      _mm_store_si128(reinterpret_cast<__m128i*>(cover), coverage);
      for (int m = 0; m < 4; ++m) {
        if (cover[m] == 0) continue;
        blend(span.row[j + m], cover[m], sums[m * 4 + 2], sums[m * 4 + 1], sums[m * 4 + 0]);
      }
    }
  }
#endif
  for (; j <= span.last; ++j, E += span.stepX, D += span.stepY) {
    const int32_t ix = static_cast<int32_t>(E >> 16) + span.originX;
    const int32_t iy = static_cast<int32_t>(D >> 16) + span.originY;
    const uint32_t p00 = fetch(ix, iy), p10 = fetch(ix + 1, iy);
    const uint32_t p01 = fetch(ix, iy + 1), p11 = fetch(ix + 1, iy + 1);
    uint32_t A, sr, sg, sb;
    if (!SampleScalar(p00, p10, p01, p11, E, D, blend.tint, blend.tinted, A, sr, sg, sb)) continue;
    blend(span.row[j], A, sr, sg, sb);
  }
}

}  // namespace

bool MemoryImage::ComputeRotatedBounds(float x, float y, const Rect& sourceRect, const Rect& clip, double angle,
                                       float centerX, float centerY, DoubleRect& bounds) {
  const float a = static_cast<float>(angle);
  const float c = std::cos(a);
  const float s = std::sin(a);
  const float w = static_cast<float>(sourceRect.width);
  const float h = static_cast<float>(sourceRect.height);
  const float corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  float minX = 10000000.0f, minY = 10000000.0f, maxX = -10000000.0f, maxY = -10000000.0f;
  for (const auto& corner : corners) {
    const float dx = corner[0] - centerX;
    const float dy = corner[1] - centerY;
    const float X = ((dx * c + centerX) + dy * s) + x;
    const float Y = ((dy * c + centerY) - dx * s) + y;
    minX = std::min(minX, X);
    maxX = std::max(maxX, X);
    minY = std::min(minY, Y);
    maxY = std::max(maxY, Y);
  }
  const DoubleRect box(minX, minY, static_cast<double>(maxX) - minX, static_cast<double>(maxY) - minY);
  const DoubleRect result = box.Intersection(DoubleRect(clip));
  if (!(result.width > 0 && result.height > 0)) return false;
  bounds = result;
  return true;
}

void MemoryImage::DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                   const Color& color, int32_t drawMode) {
  DrawImageRotated(source, x, y, sourceRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
}

void MemoryImage::DrawImageRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                   const Color& color, int32_t drawMode, double angle, float centerX, float centerY) {
  if (source == nullptr) return;
  source->drawn = true;
  MemoryImage* src = source->AsMemoryImage();
  if (src == nullptr) return;
  if (!SanePosition(x) || !SanePosition(y) || !SanePosition(centerX) || !SanePosition(centerY) ||
      !std::isfinite(angle)) {
    return;
  }

  // Keep the source rectangle inside the source image; cutting its leading
  // edge moves the destination and the centre alike, so the picture stays put.
  int64_t sx = sourceRect.x, sy = sourceRect.y, sw = sourceRect.width, sh = sourceRect.height;
  if (sx < 0) {
    x += static_cast<float>(-sx);
    centerX -= static_cast<float>(-sx);
    sw += sx;
    sx = 0;
  }
  if (sy < 0) {
    y += static_cast<float>(-sy);
    centerY -= static_cast<float>(-sy);
    sh += sy;
    sy = 0;
  }
  sw = std::min<int64_t>(sw, src->width - sx);
  sh = std::min<int64_t>(sh, src->height - sy);
  if (sw <= 0 || sh <= 0) return;
  const Rect srcRect(static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(sw),
                     static_cast<int32_t>(sh));
  const Rect area = clip.Intersection(Rect(0, 0, width, height));

  DoubleRect box;
  if (!ComputeRotatedBounds(x, y, srcRect, area, angle, centerX, centerY, box)) return;

  const float a = static_cast<float>(angle);
  const float c = std::cos(a);
  const float s = std::sin(a);
  const int64_t stepX = static_cast<int64_t>(c * 65536.0f);
  const int64_t stepY = static_cast<int64_t>(s * 65536.0f);
  const int32_t boxX = static_cast<int32_t>(box.x);
  const int32_t boxY = static_cast<int32_t>(box.y);
  const int32_t boxW = static_cast<int32_t>(box.width);
  const int32_t boxH = static_cast<int32_t>(box.height);

  uint32_t* dest = GetBits();
  const SourcePixels pixels(src);
  if (!pixels.HasPixels()) return;
  const ColorBytes tint(color);
  const bool tinted = !tint.IsOpaqueWhite();
  const uint8_t* clamp = host->GetClampTable();
  const int64_t W = sw, H = sh;
  // Additive tint factors as weights out of 256: a full one adds the sample exactly.
  const uint32_t addR = FullWeight(tint.a * tint.r / 255), addG = FullWeight(tint.a * tint.g / 255),
                 addB = FullWeight(tint.a * tint.b / 255);
  const RotatedBlend blend{
      tint, tinted, drawMode, clamp, addR, addG, addB, GetReciprocals().of, !ReferencePathsForced()};

  for (int32_t i = 0; i < boxH; ++i) {
    const int32_t destY = boxY + i;
    if (destY < 0 || destY >= height) continue;
    const float rx = static_cast<float>(boxX) - centerX - x;
    const float ry = static_cast<float>(boxY + i) - centerY - y;
    const double eStart = static_cast<double>((centerX + c * rx - s * ry) * 65536.0f);
    const double dStart = static_cast<double>((centerY + c * ry + s * rx) * 65536.0f);
    if (!(std::fabs(eStart) < 2147483648.0) || !(std::fabs(dStart) < 2147483648.0)) continue;
    const int64_t E0 = static_cast<int64_t>(eStart);
    const int64_t D0 = static_cast<int64_t>(dStart);
    RowRange range{0, boxW - 1};
    if (!NarrowAxis(E0, stepX, W, range) || !NarrowAxis(D0, stepY, H, range)) continue;
    // The ranges above are the usual ones; the samples at both ends are
    // checked too, so no rounding case can read outside the source.
    while (range.first <= range.last &&
           !(SampleInside(E0 + range.first * stepX, W) && SampleInside(D0 + range.first * stepY, H))) {
      ++range.first;
    }
    while (range.last >= range.first &&
           !(SampleInside(E0 + range.last * stepX, W) && SampleInside(D0 + range.last * stepY, H))) {
      --range.last;
    }
    range.first = std::max<int64_t>(range.first, -static_cast<int64_t>(boxX));
    range.last = std::min<int64_t>(range.last, static_cast<int64_t>(width) - 1 - boxX);
    if (range.first > range.last) continue;

    uint32_t* row = dest + static_cast<size_t>(destY) * static_cast<size_t>(width) + boxX;
    RotatedSpan span{row,      E0 + range.first * stepX,          D0 + range.first * stepY,         stepX,
                     stepY,    static_cast<int32_t>(range.first), static_cast<int32_t>(range.last), srcRect.x,
                     srcRect.y};
    if (pixels.indices != nullptr) {
      DrawRotatedSpan(span, PaletteFetch{pixels}, blend);
    } else {
      DrawRotatedSpan(span, BitsFetch{pixels.bits, static_cast<size_t>(pixels.width)}, blend);
    }
  }
  NoteBitsChanged();
}

void MemoryImage::DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip,
                                    const Color& color, int32_t drawMode, const Rect& sourceRect, bool blend) {
  if (source == nullptr) return;
  source->drawn = true;
  if (source->AsMemoryImage() == nullptr) return;
  // A rasterizer may only touch pixels of this image.
  const Rect area = clip.Intersection(Rect(0, 0, width, height));
  uint32_t* target = GetBits();
  if (area.width > 0 && area.height > 0) {
    DrawImageByMatrixInto(source, x, y, matrix, area, color, drawMode, sourceRect, target, width * 4,
                          TrianglePixelTag(), blend);
  }
  NoteBitsChanged();
}

void MemoryImage::DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount,
                                        const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                        float offsetY, bool blend) {
  if (texture != nullptr) texture->drawn = true;
  const Rect area = clip.Intersection(Rect(0, 0, width, height));
  uint32_t* target = GetBits();
  if (area.width > 0 && area.height > 0) {
    DrawTexturedTrianglesInto(texture, vertices, triangleCount, area, color, drawMode, target, width * 4,
                              TrianglePixelTag(), offsetX, offsetY, blend);
  }
  NoteBitsChanged();
}

}  // namespace Kivo
