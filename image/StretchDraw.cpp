// Stretched software drawing of MemoryImage: the clipping shared with the
// surface-backed image, the nearest-pixel stretch and the smooth stretch
// (box filter when shrinking, linear interpolation when enlarging, two
// separable integer passes with weights scaled to 257 and 256 so that the
// final shift by 16 restores full intensity).
#include <algorithm>
#include <cmath>
#include <vector>

#include "image/BlitKernels.h"
#include "image/Blend.h"
#include "image/MemoryImage.h"

namespace Kivo {

namespace {

// A source coordinate as a pixel index inside [0, size - 1]; doubles are
// bounded before conversion.
inline int32_t SourceIndex(double v, int32_t size) {
  if (!(v > 0.0)) return 0;
  if (v >= static_cast<double>(size - 1)) return size - 1;
  return static_cast<int32_t>(v);
}

// Four channel sums of one accumulator cell.
struct Sums {
  uint32_t b = 0, g = 0, r = 0, a = 0;
  void Add(uint32_t pixel, uint32_t weight) {
    b += (pixel & 0xFF) * weight;
    g += ((pixel >> 8) & 0xFF) * weight;
    r += ((pixel >> 16) & 0xFF) * weight;
    a += (pixel >> 24) * weight;
  }
  void Add(const Sums& s, uint32_t weight) {
    b += s.b * weight;
    g += s.g * weight;
    r += s.r * weight;
    a += s.a * weight;
  }
};

// One resampling axis: which source positions feed which destination cells
// with which weights. scale is 257 for the first pass and 256 for the second.
struct AxisTap {
  int32_t source;  // index among the used source pixels
  int32_t dest;
  uint32_t weight;
};

std::vector<AxisTap> AxisTaps(double start, double extent, int32_t firstUsed, int32_t usedCount, int32_t destCount,
                              uint32_t scale) {
  std::vector<AxisTap> taps;
  auto push = [&](int32_t source, int32_t dest, uint32_t weight) {
    // The split weight can fall one cell past either end; those are dropped.
    if (weight == 0 || dest < 0 || dest >= destCount) return;
    taps.push_back(AxisTap{std::clamp(source, 0, usedCount - 1), dest, weight});
  };
  if (destCount <= extent) {
    const double o = destCount / extent;
    for (int32_t i = 0; i < usedCount; ++i) {
      const double N = o * i + (firstUsed - start) * o;
      const double end = N + o;
      const double floorN = std::floor(N);
      const double floorEnd = std::floor(end);
      if (floorN == floorEnd) {
        push(i, static_cast<int32_t>(floorN), static_cast<uint32_t>(o * scale));
      } else {
        push(i, static_cast<int32_t>(floorN), static_cast<uint32_t>((floorEnd - N) * scale));
        push(i, static_cast<int32_t>(floorN) + 1, static_cast<uint32_t>((end - floorEnd) * scale));
      }
    }
  } else {
    const double k = destCount == 1 ? extent / destCount : (extent - 1) / (destCount - 1);
    for (int32_t j = 0; j < destCount; ++j) {
      const double L = start + j * k;
      const double whole = std::floor(L);
      const uint32_t a = static_cast<uint32_t>((1.0 - (L - whole)) * scale);
      const int32_t at = static_cast<int32_t>(std::clamp(whole, -1.0, 1.0e9)) - firstUsed;
      push(at, j, a);
      push(at + 1, j, scale - a);
    }
  }
  return taps;
}

// The fast passes' arithmetic: Sums as four 32-bit lanes (blue, green,
// red, alpha, in memory order) and products taken modulo 2^32 as the plain
// uint32_t sums take them, so the results are the same bit for bit.
#ifdef KIVO_BLIT_SSE2
// Lanes x w for w below 65536: the low halves' products plus the high
// halves' shifted up (what a 32-bit multiply keeps).
inline __m128i TimesWeight(__m128i v, __m128i w16) {
  return _mm_add_epi32(_mm_mullo_epi16(v, w16), _mm_slli_epi32(_mm_mulhi_epu16(v, w16), 16));
}
#endif

inline void AddPixel(Sums& acc, uint32_t pixel, uint32_t weight) {
#ifdef KIVO_BLIT_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128i lanes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), zero), zero);
  __m128i* at = reinterpret_cast<__m128i*>(&acc);
  const __m128i w16 = _mm_set1_epi16(static_cast<short>(weight));
  _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), TimesWeight(lanes, w16)));
#else
  acc.Add(pixel, weight);
#endif
}

inline void AddRow(Sums* out, const Sums* in, int32_t n, uint32_t weight) {
#ifdef KIVO_BLIT_SSE2
  const __m128i w16 = _mm_set1_epi16(static_cast<short>(weight));
  for (int32_t j = 0; j < n; ++j) {
    __m128i* at = reinterpret_cast<__m128i*>(out + j);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + j));
    _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), TimesWeight(v, w16)));
  }
#else
  for (int32_t j = 0; j < n; ++j) out[j].Add(in[j], weight);
#endif
}

// The plain twin of the fast passes: a row of horizontal sums for every used
// source row, then the vertical pass over them.
void StretchSmoothReferencePasses(const SourcePixels& pixels, const std::vector<AxisTap>& hTaps,
                                  const std::vector<AxisTap>& vTaps, int32_t firstCol, int32_t firstRow, int32_t rows,
                                  int32_t c0, int32_t r0, int32_t visibleW, int32_t visibleH,
                                  std::vector<Sums>& result) {
  // Horizontal pass: one row of sums per used source row.
  std::vector<Sums> horizontal(static_cast<size_t>(visibleW) * static_cast<size_t>(rows));
  for (int32_t r = 0; r < rows; ++r) {
    Sums* out = &horizontal[static_cast<size_t>(r) * static_cast<size_t>(visibleW)];
    for (const AxisTap& tap : hTaps) {
      const int32_t j = tap.dest - c0;
      if (j < 0 || j >= visibleW) continue;
      out[j].Add(pixels.At(firstCol + tap.source, firstRow + r), tap.weight);
    }
  }
  // Vertical pass into the destination rows.
  for (const AxisTap& tap : vTaps) {
    const int32_t i = tap.dest - r0;
    if (i < 0 || i >= visibleH) continue;
    const Sums* in = &horizontal[static_cast<size_t>(tap.source) * static_cast<size_t>(visibleW)];
    Sums* out = &result[static_cast<size_t>(i) * static_cast<size_t>(visibleW)];
    for (int32_t j = 0; j < visibleW; ++j) out[j].Add(in[j], tap.weight);
  }
}

}  // namespace

bool MemoryImage::ClipStretchRects(const Rect& sourceRect, const Rect& clip, const Rect& destRect,
                                   DoubleRect& sourceOut, Rect& destOut) {
  const Rect dc = destRect.Intersection(clip);
  if (dc.width <= 0 || dc.height <= 0 || destRect.width <= 0 || destRect.height <= 0) return false;
  const double kx = static_cast<double>(sourceRect.width) / destRect.width;
  const double ky = static_cast<double>(sourceRect.height) / destRect.height;
  const DoubleRect sd(sourceRect.x + (static_cast<double>(dc.x) - destRect.x) * kx,
                      sourceRect.y + (static_cast<double>(dc.y) - destRect.y) * ky,
                      sourceRect.width + (static_cast<double>(dc.width) - destRect.width) * kx,
                      sourceRect.height + (static_cast<double>(dc.height) - destRect.height) * ky);
  if (!(sd.width > 0 && sd.height > 0)) return false;
  sourceOut = sd;
  destOut = dc;
  return true;
}

bool MemoryImage::ClipStretchRectsMirrored(const Rect& sourceRect, const Rect& clip, const Rect& destRect,
                                           DoubleRect& sourceOut, Rect& destOut) {
  const Rect dc = destRect.Intersection(clip);
  if (dc.width <= 0 || dc.height <= 0 || destRect.width <= 0 || destRect.height <= 0) return false;
  const double kx = static_cast<double>(sourceRect.width) / destRect.width;
  const double ky = static_cast<double>(sourceRect.height) / destRect.height;
  const double cut = (static_cast<double>(destRect.x) + destRect.width) - (static_cast<double>(dc.x) + dc.width);
  const DoubleRect sd(sourceRect.x + cut * kx, sourceRect.y + (static_cast<double>(dc.y) - destRect.y) * ky,
                      sourceRect.width + (static_cast<double>(dc.width) - destRect.width) * kx,
                      sourceRect.height + (static_cast<double>(dc.height) - destRect.height) * ky);
  if (!(sd.width > 0 && sd.height > 0)) return false;
  sourceOut = sd;
  destOut = dc;
  return true;
}

void MemoryImage::DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                     const Color& color, int32_t drawMode, bool fast) {
  if (source == nullptr) return;
  source->drawn = true;
  MemoryImage* src = (source != nullptr ? source->AsMemoryImage() : nullptr);
  if (src == nullptr) return;
  DoubleRect sd;
  Rect dc;
  // Only this image's pixels may be written.
  const Rect area = clip.Intersection(Rect(0, 0, width, height));
  if (!ClipStretchRects(sourceRect, area, destRect, sd, dc)) return;
  if (!fast) {
    DrawImageStretchedSmooth(source, dc, sd, color, drawMode);
    return;
  }
  if (!ColorBytes(color).IsOpaqueWhite()) return;
  uint32_t* dest = GetBits();
  const SourcePixels pixels(src);
  if (pixels.width <= 0 || pixels.height <= 0 || !pixels.HasPixels()) return;
  const double kx = static_cast<double>(sourceRect.width) / destRect.width;
  const double ky = static_cast<double>(sourceRect.height) / destRect.height;
  const bool tables = !ReferencePathsForced();
  const size_t stride = static_cast<size_t>(width);

  if (tables) {
    // Column positions are the same on every row: find them once.
    // Small stretches (sprites) keep their row buffers on the stack.
    constexpr int32_t kStackColumns = 256;
    int32_t stackColumns[kStackColumns];
    uint32_t stackRow[kStackColumns];
    std::vector<int32_t> heapColumns;
    std::vector<uint32_t> heapRow;
    int32_t* columns = stackColumns;
    uint32_t* gathered = stackRow;
    if (dc.width > kStackColumns) {
      heapColumns.resize(static_cast<size_t>(dc.width));
      heapRow.resize(static_cast<size_t>(dc.width));
      columns = heapColumns.data();
      gathered = heapRow.data();
    }
    double u = sd.x;
    for (int32_t j = 0; j < dc.width; ++j, u += kx) columns[j] = SourceIndex(u, pixels.width);
    auto over = [](uint32_t& d, uint32_t s) {
      if ((s >> 24) != 0) d = BlendOver(d, (s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF, s >> 24, true);
    };
    double v = sd.y;
    for (int32_t i = 0; i < dc.height; ++i, v += ky) {
      const int32_t sy = SourceIndex(v, pixels.height);
      uint32_t* row = dest + static_cast<size_t>(dc.y + i) * stride + dc.x;
      if (pixels.indices == nullptr) {
        BlitKernels::OverPickedRow(row, pixels.bits + static_cast<size_t>(sy) * static_cast<size_t>(pixels.width),
                                   columns, dc.width, over);
      } else {
        for (int32_t j = 0; j < dc.width; ++j) gathered[j] = pixels.At(columns[j], sy);
        BlitKernels::OverRow(row, gathered, dc.width, over);
      }
    }
  } else {
    double v = sd.y;
    for (int32_t i = 0; i < dc.height; ++i, v += ky) {
      double u = sd.x;
      for (int32_t j = 0; j < dc.width; ++j, u += kx) {
        const uint32_t s = pixels.At(SourceIndex(u, pixels.width), SourceIndex(v, pixels.height));
        uint32_t& d = dest[static_cast<size_t>(dc.y + i) * stride + static_cast<size_t>(dc.x + j)];
        if ((s >> 24) != 0) d = BlendOver(d, (s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF, s >> 24, false);
      }
    }
  }
  NoteBitsChanged();
}

void MemoryImage::DrawImageStretchedSmooth(Image* source, const Rect& target, const DoubleRect& sourceRect,
                                           const Color&, int32_t) {
  MemoryImage* src = (source != nullptr ? source->AsMemoryImage() : nullptr);
  if (src == nullptr) return;
  const Rect dc = target.Intersection(Rect(0, 0, width, height));
  if (dc.width <= 0 || dc.height <= 0 || target.width <= 0 || target.height <= 0) return;
  // Per-column weights follow the whole target: refuse sizes no image has.
  if (target.width > 4 * kMaxImageSide || target.height > 4 * kMaxImageSide) return;
  if (!(sourceRect.width > 0 && sourceRect.height > 0) || !std::isfinite(sourceRect.x) ||
      !std::isfinite(sourceRect.y) || !(sourceRect.width < 1.0e6) || !(sourceRect.height < 1.0e6) ||
      !(std::fabs(sourceRect.x) < 1.0e6) || !(std::fabs(sourceRect.y) < 1.0e6)) {
    return;
  }
  // The used source pixels, clamped to the image.
  const double fx0 = std::floor(sourceRect.x), fy0 = std::floor(sourceRect.y);
  int32_t firstCol = static_cast<int32_t>(fx0), firstRow = static_cast<int32_t>(fy0);
  int32_t cols = static_cast<int32_t>(std::ceil(sourceRect.x - fx0 + sourceRect.width));
  int32_t rows = static_cast<int32_t>(std::ceil(sourceRect.y - fy0 + sourceRect.height));
  const int32_t lastCol = std::min(firstCol + cols, src->width);
  const int32_t lastRow = std::min(firstRow + rows, src->height);
  firstCol = std::max(firstCol, 0);
  firstRow = std::max(firstRow, 0);
  cols = lastCol - firstCol;
  rows = lastRow - firstRow;
  if (cols <= 0 || rows <= 0) return;

  uint32_t* dest = GetBits();
  const SourcePixels pixels(src);
  if (!pixels.HasPixels()) return;
  // The taps follow the whole target rectangle, so a clipped target still
  // samples the same source positions.
  const int32_t destW = target.width, destH = target.height;
  const std::vector<AxisTap> hTaps = AxisTaps(sourceRect.x, sourceRect.width, firstCol, cols, destW, 257);
  const std::vector<AxisTap> vTaps = AxisTaps(sourceRect.y, sourceRect.height, firstRow, rows, destH, 256);

  // Only the target columns and rows that land inside this image are
  // accumulated.
  const int32_t c0 = dc.x - target.x, visibleW = dc.width;
  const int32_t r0 = dc.y - target.y, visibleH = dc.height;

  std::vector<Sums> result(static_cast<size_t>(visibleW) * static_cast<size_t>(visibleH));
  if (!ReferencePathsForced()) {
    // One source row at a time: its horizontal sums into a single row,
    // added at once into every result row that uses it; source rows no
    // visible result row uses are never read. Weights stay below 65536.
    std::vector<AxisTap> bySource;
    for (const AxisTap& tap : vTaps)
      if (tap.dest - r0 >= 0 && tap.dest - r0 < visibleH) bySource.push_back(tap);
    std::stable_sort(bySource.begin(), bySource.end(),
                     [](const AxisTap& a, const AxisTap& b) { return a.source < b.source; });
    std::vector<AxisTap> columns;
    for (const AxisTap& tap : hTaps)
      if (tap.dest - c0 >= 0 && tap.dest - c0 < visibleW)
        columns.push_back(AxisTap{tap.source, tap.dest - c0, tap.weight});
    std::vector<Sums> rowSums(static_cast<size_t>(visibleW));
    for (size_t k = 0; k < bySource.size();) {
      const int32_t r = bySource[k].source;
      std::fill(rowSums.begin(), rowSums.end(), Sums());
      if (pixels.indices == nullptr) {
        const uint32_t* sourceRow =
            pixels.bits + static_cast<size_t>(firstRow + r) * static_cast<size_t>(pixels.width) + firstCol;
        for (const AxisTap& tap : columns)
          AddPixel(rowSums[static_cast<size_t>(tap.dest)], sourceRow[tap.source], tap.weight);
      } else {
        for (const AxisTap& tap : columns)
          AddPixel(rowSums[static_cast<size_t>(tap.dest)], pixels.At(firstCol + tap.source, firstRow + r), tap.weight);
      }
      for (; k < bySource.size() && bySource[k].source == r; ++k) {
        const AxisTap& tap = bySource[k];
        AddRow(&result[static_cast<size_t>(tap.dest - r0) * static_cast<size_t>(visibleW)], rowSums.data(), visibleW,
               tap.weight);
      }
    }
  } else {
    StretchSmoothReferencePasses(pixels, hTaps, vTaps, firstCol, firstRow, rows, c0, r0, visibleW, visibleH, result);
  }
  const size_t stride = static_cast<size_t>(width);
  for (int32_t i = 0; i < visibleH; ++i) {
    uint32_t* row = dest + static_cast<size_t>(dc.y + i) * stride + dc.x;
    for (int32_t j = 0; j < visibleW; ++j) {
      const Sums& s = result[static_cast<size_t>(i) * static_cast<size_t>(visibleW) + static_cast<size_t>(j)];
      if (s.a <= 0xFFFF) continue;
      const uint32_t l = std::min(255u, s.a >> 16);
      uint32_t& d = row[j];
      const uint32_t D = d, Da = D >> 24;
      auto mix = [l](uint32_t dcv, uint32_t sum) {
        return std::min(255u, ((dcv * (256 - l)) >> 8) + ((std::min(255u, sum >> 16) * l) >> 8));
      };
      const uint32_t N = Da + (255 - Da) * l / 255;
      d = (N << 24) | (mix((D >> 16) & 0xFF, s.r) << 16) | (mix((D >> 8) & 0xFF, s.g) << 8) | mix(D & 0xFF, s.b);
    }
  }
  NoteBitsChanged();
}

}  // namespace Kivo
