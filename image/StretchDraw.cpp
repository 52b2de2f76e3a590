// Stretched software drawing of MemoryImage: the clipping shared with the
// surface-backed image, the nearest-pixel stretch and the smooth stretch
// (its filter in SmoothStretch.h, blended by source-over).
#include <algorithm>
#include <cmath>
#include <vector>

#include "image/BlitKernels.h"
#include "image/Blend.h"
#include "image/MemoryImage.h"
#include "image/SmoothStretch.h"

namespace Kivo {

namespace {

// A source coordinate as a pixel index inside [0, size - 1]; doubles are
// bounded before conversion.
inline int32_t SourceIndex(double v, int32_t size) {
  if (!(v > 0.0)) return 0;
  if (v >= static_cast<double>(size - 1)) return size - 1;
  return static_cast<int32_t>(v);
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
  if (dc.width <= 0 || dc.height <= 0) return;
  const SourcePixels pixels(src);
  SmoothStretchFilter filter;
  if (!filter.Prepare(pixels, target, sourceRect, dc)) return;
  uint32_t* dest = GetBits();
  const size_t stride = static_cast<size_t>(width);
  const bool fast = !ReferencePathsForced();
  filter.Run(fast, [&](int32_t i, const uint32_t* filtered) {
    BlendFilteredRow(dest + static_cast<size_t>(dc.y + i) * stride + dc.x, filtered, dc.width, fast);
  });
  NoteBitsChanged();
}

}  // namespace Kivo
