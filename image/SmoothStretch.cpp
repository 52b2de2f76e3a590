// The smooth stretch's filter (see SmoothStretch.h).
#include "image/SmoothStretch.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "image/Blend.h"
#include "image/BlitKernels.h"

namespace Kivo {

namespace {

// floor(v) for the bounded positions of the geometry below, without a
// library call.
inline double FloorOf(double v) {
  const double t = static_cast<double>(static_cast<int64_t>(v));
  return t > v ? t - 1.0 : t;
}

// One axis's geometry. Shrinking, every used source pixel i spreads a share
// o (destination size over source extent) over the one or two cells its
// interval [N_i, N_i + o) falls in; enlarging, every cell interpolates
// between the two source pixels around its position, the end cells sitting
// on the end pixels. Shares falling outside the target are dropped.
struct AxisGeometry {
  double start, extent;
  int32_t firstUsed, used, destCount;
  bool shrink;
  double o, perCell, base, step;

  AxisGeometry(double s, double e, int32_t f, int32_t u, int32_t d)
      : start(s), extent(e), firstUsed(f), used(u), destCount(d), shrink(d <= e) {
    o = d / e;
    perCell = e / d;
    base = (f - s) * o;
    step = d == 1 ? e / d : (e - 1) / (d - 1);
  }

  // Shrinking, cell J covers the used-pixel interval [X0, X1) (cut to the
  // used pixels), and pixel i's share is o times the part of [i, i + 1)
  // inside it.
  void Cover(int32_t J, double& X0, double& X1) const {
    X0 = std::max((J - base) * perCell, 0.0);
    X1 = std::min((J + 1 - base) * perCell, static_cast<double>(used));
  }
  double ShrinkShare(int32_t i, double X0, double X1) const {
    return o * (std::min(i + 1.0, X1) - std::max(static_cast<double>(i), X0));
  }

  // The used pixels [lo, hi] with a share in cell J (hi < lo: none).
  void Range(int32_t J, int32_t& lo, int32_t& hi) const {
    lo = 0;
    hi = -1;
    if (shrink) {
      double X0, X1;
      Cover(J, X0, X1);
      if (!(X1 > X0)) return;
      lo = static_cast<int32_t>(FloorOf(X0));
      hi = std::min(used - 1, static_cast<int32_t>(FloorOf(X1)));
      // A pixel starting where the cell ends has no share in it.
      if (hi > lo && !(ShrinkShare(hi, X0, X1) > 0.0)) --hi;
    } else {
      int32_t a, b;
      double wa, wb;
      Taps(J, a, wa, b, wb);
      if (wa > 0.0) lo = hi = a;
      if (wb > 0.0) {
        lo = hi >= 0 ? std::min(lo, b) : b;
        hi = std::max(hi, b);
      }
    }
  }

  void Taps(int32_t J, int32_t& a, double& wa, int32_t& b, double& wb) const {
    const double L = start + J * step;
    const double whole = FloorOf(L);
    wa = 1.0 - (L - whole);
    wb = 1.0 - wa;
    const int32_t at = static_cast<int32_t>(std::clamp(whole, -1.0, 1.0e9)) - firstUsed;
    a = std::clamp(at, 0, used - 1);
    b = std::clamp(at + 1, 0, used - 1);
  }
};

// The fixed-point weights of the visible cells [c0, c0 + visible) into
// `axis`. A cell whose shares add up to one gets weights adding up to
// exactly kOne (the running total is rounded, so no share is lost to
// rounding); a cell only partly covered keeps its coverage.
void BuildAxis(const AxisGeometry& g, int32_t c0, int32_t visible, SmoothStretchFilter::Axis& axis) {
  constexpr int32_t kOne = SmoothStretchFilter::kOne;
  int32_t* lo = axis.first.Get(static_cast<size_t>(visible));
  int32_t* hi = axis.last.Get(static_cast<size_t>(visible));
  // Shrinking by a whole number of source pixels a cell, a cell away from
  // the ends of the used pixels has the shares of the cell before it, that
  // number of pixels further on.
  const int32_t period =
      g.shrink && g.perCell == FloorOf(g.perCell) && g.perCell < 65536.0 ? static_cast<int32_t>(g.perCell) : 0;
  auto inside = [&](int32_t J) {
    double X0, X1;
    g.Cover(J, X0, X1);
    return period > 0 && X0 > 0.0 && X1 < g.used;
  };
  int32_t widest = 1;
  bool previousInside = false;
  for (int32_t j = 0; j < visible; ++j) {
    const bool now = inside(c0 + j);
    if (now && previousInside) {
      lo[j] = lo[j - 1] + period;
      hi[j] = hi[j - 1] + period;
    } else {
      g.Range(c0 + j, lo[j], hi[j]);
    }
    previousInside = now;
    if (hi[j] >= lo[j]) widest = std::max(widest, hi[j] - lo[j] + 1);
  }
  // An even span, so the fast passes take the pixels two by two.
  axis.span = (widest + 1) & ~1;
  axis.loadsInside = g.used >= axis.span;
  const size_t span = static_cast<size_t>(axis.span);
  int16_t* weights = axis.weights.Get(static_cast<size_t>(visible) * span);
  std::fill(weights, weights + static_cast<size_t>(visible) * span, int16_t{0});
  bool previousRepeats = false;
  for (int32_t j = 0; j < visible; ++j) {
    const int32_t J = c0 + j;
    const int32_t from = lo[j], to = hi[j];
    int32_t start = to >= from ? from : 0;
    // The span is read whole: keep it inside the used pixels.
    if (axis.loadsInside) start = std::min(start, g.used - axis.span);
    lo[j] = start;
    if (to < from) {
      previousRepeats = false;
      continue;
    }
    int16_t* w = weights + static_cast<size_t>(j) * span;
    const bool repeats = start == from && inside(J);
    if (repeats && previousRepeats) {
      std::memcpy(w, w - span, span * sizeof(int16_t));
      continue;
    }
    previousRepeats = repeats;
    // Shares in source order, their running total rounded to weights.
    double running = 0.0, scale = 1.0;
    int32_t before = 0;
    auto add = [&](int32_t i, double share) {
      running += share;
      const int32_t now = static_cast<int32_t>(std::min(running * scale, 1.0) * kOne + 0.5);
      w[i - start] = static_cast<int16_t>(w[i - start] + (now - before));
      before = now;
    };
    if (g.shrink) {
      double X0, X1;
      g.Cover(J, X0, X1);
      const double total = g.o * (X1 - X0);
      if (total > 1.0 - 1.0e-6) scale = 1.0 / total;
      for (int32_t i = from; i <= to; ++i) add(i, std::max(0.0, g.ShrinkShare(i, X0, X1)));
    } else {
      int32_t a, b;
      double wa, wb;
      g.Taps(J, a, wa, b, wb);
      wa = std::max(wa, 0.0);
      wb = std::max(wb, 0.0);
      if (wa + wb > 1.0 - 1.0e-6) scale = 1.0 / (wa + wb);
      add(a, wa);
      add(b, wb);
    }
  }
}

}  // namespace

bool SmoothStretchFilter::Prepare(const SourcePixels& pixels, const Rect& target, const DoubleRect& sourceRect,
                                  const Rect& visible) {
  pixels_ = &pixels;
  if (!pixels.HasPixels() || visible.width <= 0 || visible.height <= 0 || target.width <= 0 || target.height <= 0)
    return false;
  // Per-cell weights follow the whole target: refuse sizes no image has.
  if (target.width > 4 * kMaxImageSide || target.height > 4 * kMaxImageSide) return false;
  if (!(sourceRect.width > 0 && sourceRect.height > 0) || !std::isfinite(sourceRect.x) ||
      !std::isfinite(sourceRect.y) || !(sourceRect.width < 1.0e6) || !(sourceRect.height < 1.0e6) ||
      !(std::fabs(sourceRect.x) < 1.0e6) || !(std::fabs(sourceRect.y) < 1.0e6)) {
    return false;
  }
  // The used source pixels, clamped to the image.
  const double fx0 = std::floor(sourceRect.x), fy0 = std::floor(sourceRect.y);
  int32_t firstCol = static_cast<int32_t>(fx0), firstRow = static_cast<int32_t>(fy0);
  int32_t cols = static_cast<int32_t>(std::ceil(sourceRect.x - fx0 + sourceRect.width));
  int32_t rows = static_cast<int32_t>(std::ceil(sourceRect.y - fy0 + sourceRect.height));
  const int32_t lastCol = std::min(firstCol + cols, pixels.width);
  const int32_t lastRow = std::min(firstRow + rows, pixels.height);
  firstCol = std::max(firstCol, 0);
  firstRow = std::max(firstRow, 0);
  cols = lastCol - firstCol;
  rows = lastRow - firstRow;
  if (cols <= 0 || rows <= 0) return false;
  firstCol_ = firstCol;
  firstRow_ = firstRow;
  usedCols_ = cols;
  usedRows_ = rows;
  visibleW_ = visible.width;
  visibleH_ = visible.height;
  // The weights follow the whole target rectangle, so a clipped target
  // still samples the same source positions.
  BuildAxis(AxisGeometry(sourceRect.x, sourceRect.width, firstCol, cols, target.width), visible.x - target.x,
            visible.width, cols_);
  const bool sameGeometry = sourceRect.y == sourceRect.x && sourceRect.height == sourceRect.width &&
                            firstRow == firstCol && rows == cols && target.height == target.width &&
                            visible.y - target.y == visible.x - target.x && visible.height == visible.width;
  if (sameGeometry) {
    // A square stretch of a square area: the rows take the columns' weights.
    const size_t cells = static_cast<size_t>(visible.width);
    rows_.span = cols_.span;
    rows_.loadsInside = cols_.loadsInside;
    std::memcpy(rows_.first.Get(cells), cols_.first.data(), cells * sizeof(int32_t));
    std::memcpy(rows_.weights.Get(cells * static_cast<size_t>(cols_.span)), cols_.weights.data(),
                cells * static_cast<size_t>(cols_.span) * sizeof(int16_t));
  } else {
    BuildAxis(AxisGeometry(sourceRect.y, sourceRect.height, firstRow, rows, target.height), visible.y - target.y,
              visible.height, rows_);
  }
  return true;
}

const uint32_t* SmoothStretchFilter::UsedRow(int32_t r, uint32_t* scratch) const {
  const SourcePixels& p = *pixels_;
  const size_t at = static_cast<size_t>(firstRow_ + r) * static_cast<size_t>(p.width) + static_cast<size_t>(firstCol_);
  if (p.indices == nullptr) return p.bits + at;
  for (int32_t i = 0; i < usedCols_; ++i) scratch[i] = p.palette[p.indices[at + static_cast<size_t>(i)]];
  return scratch;
}

void SmoothStretchFilter::FilterRowReference(const uint32_t* src, int16_t* out) const {
  const size_t span = static_cast<size_t>(cols_.span);
  for (int32_t j = 0; j < visibleW_; ++j) {
    const int16_t* w = &cols_.weights[static_cast<size_t>(j) * span];
    const uint32_t* p = src + cols_.first[static_cast<size_t>(j)];
    int32_t acc[4] = {0, 0, 0, 0};
    for (size_t k = 0; k < span; ++k) {
      if (w[k] == 0) continue;
      for (int c = 0; c < 4; ++c) acc[c] += static_cast<int32_t>((p[k] >> (8 * c)) & 0xFF) * w[k];
    }
    for (int c = 0; c < 4; ++c) out[4 * j + c] = static_cast<int16_t>((acc[c] + 64) >> 7);
  }
}

namespace {
// Cell j of the vertical pass: the span's rows weighed, back to 8 bits.
inline uint32_t VerticalCell(const int16_t* const* rows, const int16_t* weights, int32_t span, int32_t j) {
  int32_t acc[4] = {0, 0, 0, 0};
  for (int32_t k = 0; k < span; ++k) {
    if (weights[k] == 0) continue;
    for (int c = 0; c < 4; ++c) acc[c] += rows[k][4 * j + c] * weights[k];
  }
  uint32_t v = 0;
  for (int c = 0; c < 4; ++c) v |= static_cast<uint32_t>((acc[c] + (1 << 20)) >> 21) << (8 * c);
  return v;
}
}  // namespace

void SmoothStretchFilter::VerticalReference(const int16_t* const* rows, const int16_t* weights, uint32_t* out) const {
  for (int32_t j = 0; j < visibleW_; ++j) out[j] = VerticalCell(rows, weights, rows_.span, j);
}

#ifdef KIVO_BLIT_AVX2
namespace {
// The two-tap horizontal pass four cells a step, for processors with AVX2:
// the same multiply-adds as the SSE2 loop, cells a and c in one 128-bit
// lane and b and d in the other half of each step. Returns the cells done.
__attribute__((target("avx2"))) int32_t FilterTwoTapsAvx2(const uint32_t* src, const int32_t* first,
                                                          const int16_t* weights, int32_t count, int16_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i round = _mm256_set1_epi32(64);
  const __m256i spreadLow = _mm256_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2);
  const __m256i spreadHigh = _mm256_setr_epi32(1, 1, 1, 1, 3, 3, 3, 3);
  int32_t j = 0;
  for (; j + 4 <= count; j += 4) {
    const __m128i ab = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + first[j])),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + first[j + 1])));
    const __m128i cd = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + first[j + 2])),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + first[j + 3])));
    const __m256i x = _mm256_inserti128_si256(_mm256_castsi128_si256(ab), cd, 1);
    // [a0 a1 | c0 c1] and [b0 b1 | d0 d1] as 16-bit channels, then each
    // cell's channels paired: [b0 b1 g0 g1 r0 r1 a0 a1].
    const __m256i ac = _mm256_unpacklo_epi8(x, zero), bd = _mm256_unpackhi_epi8(x, zero);
    const __m256i acPairs = _mm256_unpacklo_epi16(ac, _mm256_srli_si256(ac, 8));
    const __m256i bdPairs = _mm256_unpacklo_epi16(bd, _mm256_srli_si256(bd, 8));
    const __m256i w = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 2 * j)));
    __m256i sAC = _mm256_madd_epi16(acPairs, _mm256_permutevar8x32_epi32(w, spreadLow));
    __m256i sBD = _mm256_madd_epi16(bdPairs, _mm256_permutevar8x32_epi32(w, spreadHigh));
    sAC = _mm256_srai_epi32(_mm256_add_epi32(sAC, round), 7);
    sBD = _mm256_srai_epi32(_mm256_add_epi32(sBD, round), 7);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * j), _mm256_packs_epi32(sAC, sBD));
  }
  return j;
}

// Two cells of rows a and b in each 128-bit lane, weighed, as 16-bit
// channels.
__attribute__((target("avx2"))) inline __m256i VerticalCellsAvx2(__m256i a, __m256i b, __m256i w) {
  const __m256i round = _mm256_set1_epi32(1 << 20);
  const __m256i lo = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w), round), 21);
  const __m256i hi = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w), round), 21);
  return _mm256_packs_epi32(lo, hi);
}

// The two-row vertical pass eight cells a step with AVX2; returns the cells
// done.
__attribute__((target("avx2"))) int32_t VerticalTwoRowsAvx2(const int16_t* r0, const int16_t* r1, int32_t pair,
                                                            int32_t count, uint32_t* out) {
  const __m256i w = _mm256_set1_epi32(pair);
  int32_t j = 0;
  for (; j + 8 <= count; j += 8) {
    const __m256i first = VerticalCellsAvx2(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(r0 + 4 * j)),
                                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r1 + 4 * j)), w);
    const __m256i second = VerticalCellsAvx2(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(r0 + 4 * j + 16)),
                                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r1 + 4 * j + 16)), w);
    // Packing works lane by lane: put the eight cells back in order.
    const __m256i bytes = _mm256_packus_epi16(first, second);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), _mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0)));
  }
  return j;
}

// Filtered colour over opaque destination channels, 16-bit lanes: weight l
// (256 for 255) against 256 - l.
__attribute__((target("avx2"))) inline __m256i OverOpaqueAvx2(__m256i f16, __m256i d16) {
  const __m256i c255 = _mm256_set1_epi16(255), c256 = _mm256_set1_epi16(256);
  __m256i l = _mm256_shufflelo_epi16(f16, _MM_SHUFFLE(3, 3, 3, 3));
  l = _mm256_shufflehi_epi16(l, _MM_SHUFFLE(3, 3, 3, 3));
  l = _mm256_sub_epi16(l, _mm256_cmpeq_epi16(l, c255));
  return _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(f16, l), _mm256_mullo_epi16(d16, _mm256_sub_epi16(c256, l))), 8);
}

// BlendFilteredRow's opaque-destination step eight pixels at a time with
// AVX2; returns the pixels done. Groups with a destination pixel that is
// not opaque are left for the caller's loop, from the first such group on.
__attribute__((target("avx2"))) int32_t BlendOntoOpaqueAvx2(uint32_t* dest, const uint32_t* filtered, int32_t n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(filtered + i));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(f, alphaMask), zero)) == -1) continue;
    __m256i* dp = reinterpret_cast<__m256i*>(dest + i);
    const __m256i dv = _mm256_loadu_si256(dp);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(dv, alphaMask), alphaMask)) != -1) break;
    const __m256i lo = OverOpaqueAvx2(_mm256_unpacklo_epi8(f, zero), _mm256_unpacklo_epi8(dv, zero));
    const __m256i hi = OverOpaqueAvx2(_mm256_unpackhi_epi8(f, zero), _mm256_unpackhi_epi8(dv, zero));
    _mm256_storeu_si256(dp, _mm256_or_si256(_mm256_packus_epi16(lo, hi), alphaMask));
  }
  return i;
}
}  // namespace
#endif

namespace {
// One cell of a halving: the rounded mean of the 2 x 2 block at a and b.
inline uint32_t HalvedCell(const uint32_t* a, const uint32_t* b) {
  uint32_t v = 0;
  for (int c = 0; c < 32; c += 8) {
    const uint32_t sum = ((a[0] >> c) & 0xFF) + ((a[1] >> c) & 0xFF) + ((b[0] >> c) & 0xFF) + ((b[1] >> c) & 0xFF);
    v |= ((sum + 2) >> 2) << c;
  }
  return v;
}

#ifdef KIVO_BLIT_AVX2
// Four halved cells from eight pixels of rows a and b: in each 128-bit lane
// the column sums of pixels (0 1) and (2 3), then the pixel pairs added.
__attribute__((target("avx2"))) inline __m256i HalvedFourAvx2(const uint32_t* a, const uint32_t* b) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
  const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
  const __m256i lo = _mm256_add_epi16(_mm256_unpacklo_epi8(va, zero), _mm256_unpacklo_epi8(vb, zero));
  const __m256i hi = _mm256_add_epi16(_mm256_unpackhi_epi8(va, zero), _mm256_unpackhi_epi8(vb, zero));
  const __m256i sum = _mm256_add_epi16(_mm256_unpacklo_epi64(lo, hi), _mm256_unpackhi_epi64(lo, hi));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(2)), 2);
}

// Eight halved cells a step from source rows a and b; returns the cells
// done.
__attribute__((target("avx2"))) int32_t HalveRowsAvx2(const uint32_t* a, const uint32_t* b, int32_t n, uint32_t* out) {
  int32_t j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m256i bytes =
        _mm256_packus_epi16(HalvedFourAvx2(a + 2 * j, b + 2 * j), HalvedFourAvx2(a + 2 * j + 8, b + 2 * j + 8));
    // Packing works lane by lane: put the eight cells back in order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), _mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0)));
  }
  return j;
}
#endif

// Halved cells of source rows a and b into out, n of them.
void HalveRowsFast(const uint32_t* a, const uint32_t* b, int32_t n, uint32_t* out) {
  int32_t j = 0;
#ifdef KIVO_BLIT_AVX2
  if (BlitKernels::HasAvx2()) j = HalveRowsAvx2(a, b, n, out);
#endif
#ifdef KIVO_BLIT_SSE2
  const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
  for (; j + 2 <= n; j += 2) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 2 * j));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 2 * j));
    const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero));
    const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero));
    const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
    const __m128i cells = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(cells, cells));
  }
#endif
  for (; j < n; ++j) out[j] = HalvedCell(a + 2 * j, b + 2 * j);
}

// Whether every visible cell of the axis takes two neighbouring pixels at
// half a weight each, the cells two pixels apart.
bool HalvesExactly(const SmoothStretchFilter::Axis& axis, int32_t cells) {
  constexpr int16_t kHalf = SmoothStretchFilter::kOne / 2;
  if (axis.span != 2 || !axis.loadsInside) return false;
  const int32_t* first = axis.first.data();
  const int16_t* w = axis.weights.data();
  for (int32_t j = 0; j < cells; ++j)
    if (w[2 * j] != kHalf || w[2 * j + 1] != kHalf || first[j] != first[0] + 2 * j) return false;
  return true;
}
}  // namespace

bool SmoothStretchFilter::ExactHalving() const {
  return pixels_->indices == nullptr && HalvesExactly(cols_, visibleW_) && HalvesExactly(rows_, visibleH_);
}

void SmoothStretchFilter::RunHalving(RowSink row) const {
  const SourcePixels& p = *pixels_;
  const size_t stride = static_cast<size_t>(p.width);
  const uint32_t* base = p.bits + static_cast<size_t>(firstRow_) * stride + static_cast<size_t>(firstCol_) +
                         static_cast<size_t>(cols_.first[0]);
  ScratchArray<uint32_t, 256> outRoom;
  uint32_t* out = outRoom.Get(static_cast<size_t>(visibleW_));
  for (int32_t i = 0; i < visibleH_; ++i) {
    const uint32_t* a = base + static_cast<size_t>(rows_.first[static_cast<size_t>(i)]) * stride;
    HalveRowsFast(a, a + stride, visibleW_, out);
    row(i, out);
  }
}

#ifdef KIVO_BLIT_SSE2
void SmoothStretchFilter::FilterRowFast(const uint32_t* src, int16_t* out) const {
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi32(64);
  const size_t span = static_cast<size_t>(cols_.span);
  const int16_t* w = cols_.weights.data();
  int32_t j = 0;
#ifdef KIVO_BLIT_AVX2
  if (span == 2 && BlitKernels::HasAvx2()) {
    j = FilterTwoTapsAvx2(src, cols_.first.data(), w, visibleW_, out);
    w += 2 * static_cast<size_t>(j);
  }
#endif
  if (span == 2) {
    // Two taps a cell (every enlargement, and halving on whole pixels): two
    // cells a step, each its pair of neighbours against its two weights.
    for (; j + 2 <= visibleW_; j += 2, w += 4) {
      const __m128i x = _mm_unpacklo_epi64(
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + cols_.first[static_cast<size_t>(j)])),
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + cols_.first[static_cast<size_t>(j) + 1])));
      const __m128i a = _mm_unpacklo_epi8(x, zero), b = _mm_unpackhi_epi8(x, zero);
      int32_t wa, wb;
      std::memcpy(&wa, w, sizeof(wa));
      std::memcpy(&wb, w + 2, sizeof(wb));
      __m128i sa = _mm_madd_epi16(_mm_unpacklo_epi16(a, _mm_srli_si128(a, 8)), _mm_set1_epi32(wa));
      __m128i sb = _mm_madd_epi16(_mm_unpacklo_epi16(b, _mm_srli_si128(b, 8)), _mm_set1_epi32(wb));
      sa = _mm_srai_epi32(_mm_add_epi32(sa, round), 7);
      sb = _mm_srai_epi32(_mm_add_epi32(sb, round), 7);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * j), _mm_packs_epi32(sa, sb));
    }
  }
  for (; j < visibleW_; ++j, w += span) {
    const uint32_t* p = src + cols_.first[static_cast<size_t>(j)];
    __m128i acc = zero;
    for (size_t k = 0; k < span; k += 2) {
      int32_t pair;
      std::memcpy(&pair, w + k, sizeof(pair));
      if (pair == 0) continue;
      // Two neighbours as [b0 b1 g0 g1 r0 r1 a0 a1] against [w0 w1] x 4.
      const __m128i x = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + k)), zero);
      const __m128i pairs = _mm_unpacklo_epi16(x, _mm_srli_si128(x, 8));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(pairs, _mm_set1_epi32(pair)));
    }
    acc = _mm_srai_epi32(_mm_add_epi32(acc, round), 7);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * j), _mm_packs_epi32(acc, acc));
  }
}

void SmoothStretchFilter::VerticalFast(const int16_t* const* rows, const int16_t* weights, uint32_t* out) const {
  const __m128i round = _mm_set1_epi32(1 << 20);
  int32_t j = 0;
  if (rows_.span == 2) {
    int32_t pair;
    std::memcpy(&pair, weights, sizeof(pair));
    const __m128i w = _mm_set1_epi32(pair);
    const int16_t* r0 = rows[0];
    const int16_t* r1 = rows[1];
#ifdef KIVO_BLIT_AVX2
    if (BlitKernels::HasAvx2()) j = VerticalTwoRowsAvx2(r0, r1, pair, visibleW_, out);
#endif
    for (; j + 4 <= visibleW_; j += 4) {
      const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 4 * j));
      const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 4 * j));
      const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 4 * j + 8));
      const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 4 * j + 8));
      auto cell = [&](__m128i v) { return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(v, w), round), 21); };
      const __m128i lo = _mm_packs_epi32(cell(_mm_unpacklo_epi16(a0, b0)), cell(_mm_unpackhi_epi16(a0, b0)));
      const __m128i hi = _mm_packs_epi32(cell(_mm_unpacklo_epi16(a1, b1)), cell(_mm_unpackhi_epi16(a1, b1)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(lo, hi));
    }
  }
  for (; j + 2 <= visibleW_; j += 2) {
    __m128i lo = _mm_setzero_si128(), hi = _mm_setzero_si128();
    for (int32_t k = 0; k < rows_.span; k += 2) {
      int32_t pair;
      std::memcpy(&pair, weights + k, sizeof(pair));
      if (pair == 0) continue;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + 4 * j));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + 4 * j));
      const __m128i w = _mm_set1_epi32(pair);
      lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), w));
      hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), w));
    }
    lo = _mm_srai_epi32(_mm_add_epi32(lo, round), 21);
    hi = _mm_srai_epi32(_mm_add_epi32(hi, round), 21);
    const __m128i words = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(words, words));
  }
  for (; j < visibleW_; ++j) out[j] = VerticalCell(rows, weights, rows_.span, j);
}
#else
void SmoothStretchFilter::FilterRowFast(const uint32_t* src, int16_t* out) const { FilterRowReference(src, out); }
void SmoothStretchFilter::VerticalFast(const int16_t* const* rows, const int16_t* weights, uint32_t* out) const {
  VerticalReference(rows, weights, out);
}
#endif

void SmoothStretchFilter::RunFast(RowSink row) const {
  // Each used source row is filtered once into the row cache and stays
  // there while the destination rows that read it are made: their spans
  // move down the source, so span + 1 slots keep every row a destination
  // row needs.
  const int32_t span = rows_.span;
  const int32_t slots = span + 1;
  const size_t rowLength = static_cast<size_t>(visibleW_) * 4;
  ScratchArray<int16_t, 4096> cacheRoom;
  ScratchArray<int32_t, 16> heldRoom;
  ScratchArray<const int16_t*, 16> rowsRoom;
  ScratchArray<uint32_t, 256> scratchRoom, outRoom;
  int16_t* cache = cacheRoom.Get(static_cast<size_t>(slots) * rowLength);
  int32_t* held = heldRoom.Get(static_cast<size_t>(slots));
  std::fill(held, held + slots, -1);
  const int16_t** rows = rowsRoom.Get(static_cast<size_t>(span));
  uint32_t* scratch = scratchRoom.Get(pixels_->indices != nullptr ? static_cast<size_t>(usedCols_) : 0);
  uint32_t* out = outRoom.Get(static_cast<size_t>(visibleW_));
  for (int32_t i = 0; i < visibleH_; ++i) {
    const int32_t first = rows_.first[static_cast<size_t>(i)];
    const int16_t* w = &rows_.weights[static_cast<size_t>(i) * static_cast<size_t>(span)];
    const int16_t* any = nullptr;
    for (int32_t k = 0; k < span; ++k) {
      rows[k] = nullptr;
      if (w[k] == 0) continue;
      const int32_t r = first + k;
      const size_t slot = static_cast<size_t>(r % slots);
      int16_t* line = cache + slot * rowLength;
      if (held[slot] != r) {
        FilterRowFast(UsedRow(r, scratch), line);
        held[slot] = r;
      }
      rows[k] = line;
      any = line;
    }
    if (any == nullptr) {
      std::fill(out, out + visibleW_, 0u);
    } else {
      // Rows of weight 0 still pair with a weighted one; they add nothing.
      for (int32_t k = 0; k < span; ++k)
        if (rows[k] == nullptr) rows[k] = any;
      VerticalFast(rows, w, out);
    }
    row(i, out);
  }
}

void SmoothStretchFilter::RunReference(RowSink row) const {
  // Every used source row that some destination row weighs, filtered
  // first; then the destination rows one by one.
  const size_t rowLength = static_cast<size_t>(visibleW_) * 4;
  const int32_t span = rows_.span;
  std::vector<int16_t> filtered(static_cast<size_t>(usedRows_) * rowLength);
  std::vector<bool> done(static_cast<size_t>(usedRows_), false);
  std::vector<uint32_t> scratch(static_cast<size_t>(usedCols_)), out(static_cast<size_t>(visibleW_));
  for (int32_t i = 0; i < visibleH_; ++i) {
    for (int32_t k = 0; k < span; ++k) {
      const int32_t r = rows_.first[static_cast<size_t>(i)] + k;
      if (rows_.weights[static_cast<size_t>(i) * static_cast<size_t>(span) + static_cast<size_t>(k)] == 0 ||
          done[static_cast<size_t>(r)])
        continue;
      FilterRowReference(UsedRow(r, scratch.data()), &filtered[static_cast<size_t>(r) * rowLength]);
      done[static_cast<size_t>(r)] = true;
    }
  }
  std::vector<const int16_t*> rows(static_cast<size_t>(span));
  for (int32_t i = 0; i < visibleH_; ++i) {
    const int16_t* w = &rows_.weights[static_cast<size_t>(i) * static_cast<size_t>(span)];
    for (int32_t k = 0; k < span; ++k) {
      const int32_t r = rows_.first[static_cast<size_t>(i)] + k;
      rows[static_cast<size_t>(k)] = w[k] == 0 ? nullptr : &filtered[static_cast<size_t>(r) * rowLength];
    }
    VerticalReference(rows.data(), w, out.data());
    row(i, out.data());
  }
}

void SmoothStretchFilter::Run(bool fast, RowSink row) const {
  if (fast && cols_.loadsInside && rows_.loadsInside) {
    if (ExactHalving())
      RunHalving(row);
    else
      RunFast(row);
  } else {
    RunReference(row);
  }
}

void BlendFilteredRow(uint32_t* dest, const uint32_t* filtered, int32_t n, bool fast) {
  auto blend = [fast](uint32_t& d, uint32_t f) {
    const uint32_t l = f >> 24;
    if (l != 0) d = BlendOver(d, (f >> 16) & 0xFF, (f >> 8) & 0xFF, f & 0xFF, l, fast);
  };
  int32_t i = 0;
#ifdef KIVO_BLIT_AVX2
  if (fast && BlitKernels::HasAvx2()) {
    i = BlendOntoOpaqueAvx2(dest, filtered, n);
    // The last few pixels of a row (most of a small sprite's row) as one
    // more group, padded with clear pixels over opaque ones.
    const int32_t rest = n - i;
    if (rest > 0 && rest < 8) {
      uint32_t f8[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      uint32_t d8[8];
      for (int32_t k = 0; k < 8; ++k) {
        d8[k] = k < rest ? dest[i + k] : 0xFF000000u;
        if (k < rest) f8[k] = filtered[i + k];
      }
      if (BlendOntoOpaqueAvx2(d8, f8, 8) == 8) {
        for (int32_t k = 0; k < rest; ++k) dest[i + k] = d8[k];
        i = n;
      }
    }
  }
#endif
#ifdef KIVO_BLIT_SSE2
  if (fast) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i c255 = _mm_set1_epi16(255), c256 = _mm_set1_epi16(256);
    for (; i + 4 <= n; i += 4) {
      const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(filtered + i));
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(f, alphaMask), zero)) == 0xFFFF) continue;
      __m128i* dp = reinterpret_cast<__m128i*>(dest + i);
      const __m128i dv = _mm_loadu_si128(dp);
      if (!BlitKernels::AllOpaque(dv)) {
        for (int k = 0; k < 4; ++k) blend(dest[i + k], filtered[i + k]);
        continue;
      }
      // Onto opaque pixels BlendOver weighs the colour by l, 256 for 255,
      // and keeps alpha 255; l = 0 leaves the pixel as it is.
      auto half = [&](__m128i f16, __m128i d16) {
        __m128i l = _mm_shufflelo_epi16(f16, _MM_SHUFFLE(3, 3, 3, 3));
        l = _mm_shufflehi_epi16(l, _MM_SHUFFLE(3, 3, 3, 3));
        l = _mm_sub_epi16(l, _mm_cmpeq_epi16(l, c255));
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(f16, l), _mm_mullo_epi16(d16, _mm_sub_epi16(c256, l))), 8);
      };
      const __m128i lo = half(_mm_unpacklo_epi8(f, zero), _mm_unpacklo_epi8(dv, zero));
      const __m128i hi = half(_mm_unpackhi_epi8(f, zero), _mm_unpackhi_epi8(dv, zero));
      _mm_storeu_si128(dp, _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask));
    }
  }
#endif
  for (; i < n; ++i) blend(dest[i], filtered[i]);
}

}  // namespace Kivo
