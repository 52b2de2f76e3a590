// Software fills, lines, coverage spans and the plain blits of MemoryImage.
//
// Every operation clips what it writes to the image: the callers normally
// pass clipped rectangles, but lines and direct calls from game code do not,
// and a write outside the buffer is never acceptable.
#include <algorithm>
#include <cmath>

#include "image/BlitKernels.h"
#include "image/Blend.h"
#include "image/ImageHost.h"
#include "image/MemoryImage.h"

namespace Kivo {

namespace {

// Coordinates beyond this are refused: they could not come from a sane
// caller, and converting them to int would overflow.
constexpr double kMaxLineCoordinate = 16777216.0;

bool TruncCoordinate(double v, int32_t& out) {
  if (!(v > -kMaxLineCoordinate && v < kMaxLineCoordinate)) return false;
  out = static_cast<int32_t>(v);
  return true;
}

inline uint32_t PackBytes(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// Destination pixels of a MemoryImage with its row length.
struct Target {
  uint32_t* bits;
  int32_t width;
  int32_t height;
  bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  uint32_t& At(int32_t x, int32_t y) {
    return bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// Blends colour c with weight v (0..255) as the antialiased line does.
inline void BlendWeighted(Target& t, int32_t x, int32_t y, const ColorBytes& c, uint32_t v, bool fast) {
  if (!t.Contains(x, y)) return;
  const uint32_t A = c.a == 255 ? v : (v * (c.a + 1)) >> 8;
  if (A == 0) return;
  uint32_t& d = t.At(x, y);
  d = BlendOver(d, c.r, c.g, c.b, A, fast);
}

}  // namespace

// --- Fills -------------------------------------------------------------------

void MemoryImage::FillRect(const Rect& rect, const Color& color, int32_t) {
  const ColorBytes c(color);
  if (c.a == 0) return;
  const Rect r = rect.Intersection(Rect(0, 0, width, height));
  if (r.width <= 0 || r.height <= 0) return;
  uint32_t* p = GetBits();
  const size_t stride = static_cast<size_t>(width);
  const uint32_t packed = PackBytes(c.a, c.r, c.g, c.b);
  const bool fast = !ReferencePathsForced();

  if (c.a == 255) {
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
      uint32_t* row = p + static_cast<size_t>(y) * stride + r.x;
      std::fill(row, row + r.width, packed);
    }
  } else if (fast) {
    // Red and blue blend together in one word, green in another.
    const OverTables& t = GetOverTables();
    const uint32_t srb = packed & 0xFF00FFu;
    const uint32_t sg = packed & 0xFF00u;
    const uint32_t base = c.a << 8;
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
      uint32_t* row = p + static_cast<size_t>(y) * stride + r.x;
      for (int32_t i = 0; i < r.width; ++i) {
        const uint32_t d = row[i];
        const uint32_t k = base | (d >> 24);
        const uint32_t w = t.weight[k];
        const uint32_t iw = 256 - w;
        const uint32_t rb = ((srb * w + (d & 0xFF00FFu) * iw) >> 8) & 0xFF00FFu;
        const uint32_t g = ((sg * w + (d & 0xFF00u) * iw) >> 8) & 0xFF00u;
        row[i] = (static_cast<uint32_t>(t.newAlpha[k]) << 24) | rb | g;
      }
    }
  } else {
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
      uint32_t* row = p + static_cast<size_t>(y) * stride + r.x;
      for (int32_t i = 0; i < r.width; ++i) row[i] = BlendOver(row[i], c.r, c.g, c.b, c.a, false);
    }
  }
  NoteBitsChanged();
}

void MemoryImage::FillSpansWithCoverage(const ImageSpan* spans, int32_t count, const Color& color, int32_t,
                                        const uint8_t* coverage, int32_t coverageX, int32_t coverageY,
                                        int32_t coverageStride, uint32_t) {
  if (count <= 0 || spans == nullptr || coverage == nullptr) return;
  const ColorBytes c(color);
  Target t{GetBits(), width, height};
  const bool fast = !ReferencePathsForced();
  for (int32_t s = 0; s < count; ++s) {
    const ImageSpan& span = spans[s];
    const int64_t rowBase = (static_cast<int64_t>(span.y) - coverageY) * coverageStride;
    for (int32_t i = 0; i < span.width; ++i) {
      const int32_t x = span.x + i;
      if (!t.Contains(x, span.y)) continue;
      const int64_t at = rowBase + (static_cast<int64_t>(x) - coverageX);
      if (at < 0) continue;
      const uint32_t A = ((static_cast<uint32_t>(coverage[at]) + 1) * c.a) >> 8;
      if (A == 0) continue;
      uint32_t& d = t.At(x, span.y);
      d = BlendOver(d, c.r, c.g, c.b, A, fast);
    }
  }
  NoteBitsChanged();
}

// --- Lines -------------------------------------------------------------------

void MemoryImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  int32_t ix1, iy1, ix2, iy2;
  if (!TruncCoordinate(x1, ix1) || !TruncCoordinate(y1, iy1) || !TruncCoordinate(x2, ix2) ||
      !TruncCoordinate(y2, iy2)) {
    return;
  }
  if (y1 == y2) {
    const int32_t lo = std::min(ix1, ix2);
    FillRect(Rect(lo, iy1, std::max(ix1, ix2) - lo + 1, 1), color, drawMode);
    return;
  }
  if (x1 == x2) {
    const int32_t lo = std::min(iy1, iy2);
    FillRect(Rect(ix1, lo, 1, std::max(iy1, iy2) - lo + 1), color, drawMode);
    return;
  }
  Target t{GetBits(), width, height};
  if (drawMode == kDrawModeNormal || drawMode == kDrawModeAdditive) {
    const ColorBytes c(color);
    const uint8_t* clamp = host->GetClampTable();
    // Pixel values: the opaque normal line stores its colour as it is; a
    // translucent one mixes each channel as (c * a + d * (255 - a) + 127) /
    // 255, rounded once. The additive line adds the premultiplied colour.
    uint32_t opaqueValue = 0, pr = 0, pg = 0, pb = 0;
    const uint32_t keep = 255 - c.a;
    if (drawMode == kDrawModeNormal) {
      if (c.a == 255) {
        opaqueValue = PackBytes(255, c.r, c.g, c.b);
      } else {
        pr = c.r * c.a + 127;
        pg = c.g * c.a + 127;
        pb = c.b * c.a + 127;
      }
    } else {
      pr = c.r * c.a / 255;
      pg = c.g * c.a / 255;
      pb = c.b * c.a / 255;
    }
    auto plot = [&](int32_t x, int32_t y) {
      if (!t.Contains(x, y)) return;
      uint32_t& d = t.At(x, y);
      const uint32_t dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
      if (drawMode == kDrawModeAdditive) {
        d = PackBytes(255, clamp[dr + pr], clamp[dg + pg], clamp[db + pb]);
      } else if (c.a == 255) {
        d = opaqueValue;
      } else {
        auto mix = [keep](uint32_t p, uint32_t dc) { return (p + dc * keep) / 255; };
        d = PackBytes(255, mix(pr, dr), mix(pg, dg), mix(pb, db));
      }
    };

    // Step along the major axis (y on ties) from the endpoint with the
    // smaller major coordinate, with an integer error term.
    const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    double sMajor = xMajor ? x1 : y1, sMinor = xMajor ? y1 : x1;
    double eMajor = xMajor ? x2 : y2, eMinor = xMajor ? y2 : x2;
    if (eMajor < sMajor) {
      std::swap(sMajor, eMajor);
      std::swap(sMinor, eMinor);
    }
    const double M = eMajor - sMajor;
    const double m = eMinor - sMinor;
    const double am = std::fabs(m);
    const int32_t step = m < 0 ? -1 : 1;
    const int32_t a = static_cast<int32_t>(2 * am);
    const int32_t b = static_cast<int32_t>(2 * (am - M));
    const double fraction = sMinor - std::trunc(sMinor);
    int32_t error = static_cast<int32_t>(a * fraction + std::trunc(2 * am - M));
    int32_t major = static_cast<int32_t>(sMajor);
    int32_t minor = static_cast<int32_t>(sMinor);
    const int32_t endMajor = static_cast<int32_t>(eMajor);
    const int32_t minorLo = std::min(minor, static_cast<int32_t>(eMinor));
    const int32_t minorHi = std::max(minor, static_cast<int32_t>(eMinor));
    const int32_t majorLimit = xMajor ? width : height;
    auto plotMajorMinor = [&](int32_t ma, int32_t mi) { xMajor ? plot(ma, mi) : plot(mi, ma); };
    plotMajorMinor(major, minor);
    while (major < endMajor && major < majorLimit) {
      ++major;
      if (error < 1) {
        error += a;
      } else {
        minor += step;
        error += b;
      }
      if (minor < minorLo || minor > minorHi) break;
      plotMajorMinor(major, minor);
    }
  }
  NoteBitsChanged();
}

void MemoryImage::DrawLineAntialiased(double x1, double y1, double x2, double y2, const Color& color,
                                      int32_t drawMode) {
  int32_t tx1, ty1, tx2, ty2;
  if (!TruncCoordinate(x1, tx1) || !TruncCoordinate(y1, ty1) || !TruncCoordinate(x2, tx2) ||
      !TruncCoordinate(y2, ty2)) {
    return;
  }
  if (y1 == y2) {
    const int32_t lo = std::min(tx1, tx2);
    FillRect(Rect(lo, ty1, std::max(tx1, tx2) - lo + 1, 1), color, drawMode);
    return;
  }
  if (x1 == x2) {
    const int32_t lo = std::min(ty1, ty2);
    FillRect(Rect(tx1, lo, 1, std::max(ty1, ty2) - lo + 1), color, drawMode);
    return;
  }
  Target t{GetBits(), width, height};
  if (drawMode == kDrawModeNormal) {
    const ColorBytes c(color);
    const bool fast = !ReferencePathsForced();
    if (ty1 > ty2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
      std::swap(tx1, tx2);
      std::swap(ty1, ty2);
    }
    const int32_t dx = tx2 - tx1;
    const int32_t dy = ty2 - ty1;
    const int32_t xStep = dx < 0 ? -1 : 1;
    const int32_t adx = dx < 0 ? -dx : dx;
    uint32_t acc = static_cast<uint32_t>(std::fabs(y1 - std::trunc(y1)) * std::fabs(x1 - std::trunc(x1)) * 65536.0);
    BlendWeighted(t, tx1, ty1, c, 255 - ((acc >> 8) & 255), fast);
    int32_t x = tx1, y = ty1;
    if (adx < dy) {
      // Steep: one pixel per row plus its neighbour one x step further.
      const int32_t middle = dy - 1;
      if (middle > 0) {
        const double ratio = std::fabs(x2 - x1) / (y2 - y1);
        const uint32_t increment = static_cast<uint32_t>(std::min(ratio, 16.0) * 65536.0);
        for (int32_t i = 0; i < middle; ++i) {
          acc += increment;
          if (acc >= 65536) {
            acc &= 0xFFFF;
            x += xStep;
          }
          ++y;
          const uint32_t f = (acc >> 8) & 255;
          BlendWeighted(t, x, y, c, 255 - f, fast);
          BlendWeighted(t, x + xStep, y, c, f, fast);
        }
      }
    } else {
      // Flat: one pixel per column plus its neighbour below.
      const int32_t middle = adx - 1;
      if (middle > 0) {
        const double ratio = std::fabs(y2 - y1) / std::fabs(x2 - x1);
        const uint32_t increment = static_cast<uint32_t>(std::min(ratio, 16.0) * 65536.0);
        for (int32_t i = 0; i < middle; ++i) {
          acc += increment;
          if (acc >= 65536) {
            acc &= 0xFFFF;
            ++y;
          }
          x += xStep;
          const uint32_t f = (acc >> 8) & 255;
          BlendWeighted(t, x, y, c, 255 - f, fast);
          BlendWeighted(t, x, y + 1, c, f, fast);
        }
      }
    }
    BlendWeighted(t, tx2, ty2, c, 255 - ((acc >> 8) & 255), fast);
  }
  NoteBitsChanged();
}

// --- Plain blits -------------------------------------------------------------

namespace {

// The blit rectangle after clipping against both images.
struct BlitArea {
  int32_t sx, sy, dx, dy, w, h;
};

bool ClipBlit(const MemoryImage& dest, const MemoryImage& source, int32_t x, int32_t y, const Rect& sourceRect,
              BlitArea& out) {
  int64_t sx = sourceRect.x, sy = sourceRect.y, w = sourceRect.width, h = sourceRect.height;
  int64_t dx = x, dy = y;
  auto cutLeading = [](int64_t& s, int64_t& d, int64_t& extent, int64_t limitStart) {
    if (s < limitStart) {
      const int64_t cut = limitStart - s;
      s += cut;
      d += cut;
      extent -= cut;
    }
  };
  cutLeading(sx, dx, w, 0);
  cutLeading(sy, dy, h, 0);
  cutLeading(dx, sx, w, 0);
  cutLeading(dy, sy, h, 0);
  w = std::min({w, static_cast<int64_t>(source.width) - sx, static_cast<int64_t>(dest.width) - dx});
  h = std::min({h, static_cast<int64_t>(source.height) - sy, static_cast<int64_t>(dest.height) - dy});
  if (w <= 0 || h <= 0) return false;
  out = BlitArea{static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(dx),
                 static_cast<int32_t>(dy), static_cast<int32_t>(w),  static_cast<int32_t>(h)};
  return true;
}

using BlitKernels::OntoOpaque;

// Source-over of an untinted source pixel with alpha A = Sa.
inline uint32_t BlendUntinted(uint32_t d, uint32_t s, bool fast) {
  uint32_t N, w;
  OverFactors(s >> 24, d >> 24, fast, N, w);
  const uint32_t iw = 256 - w;
  const uint32_t r = (((s >> 16) & 0xFF) * w + ((d >> 16) & 0xFF) * iw) >> 8;
  const uint32_t g = (((s >> 8) & 0xFF) * w + ((d >> 8) & 0xFF) * iw) >> 8;
  const uint32_t b = (((d & 0xFF) * iw) >> 8) + (((s & 0xFF) * w) >> 8);
  return (N << 24) | (r << 16) | (g << 8) | b;
}

enum PixelClass { kTransparent, kOpaque, kPartial };
inline PixelClass ClassOf(uint32_t s) {
  const uint32_t a = s >> 24;
  return a == 0 ? kTransparent : (a == 255 ? kOpaque : kPartial);
}

void NormalBlit(MemoryImage& destImage, MemoryImage& srcImage, const BlitArea& area, const ColorBytes& c) {
  const bool fast = !ReferencePathsForced();
  uint32_t* dest = destImage.GetBits();
  const size_t dStride = static_cast<size_t>(destImage.width);
  const bool opaqueDest = !destImage.hasTransparency && !destImage.hasPartialAlpha;

  if (opaqueDest && c.IsOpaqueWhite()) {
    const SourcePixels src(&srcImage);
    if (!src.HasPixels()) return;
    // The run table serves palette sources; bits go through the row kernel.
    const uint8_t* runs = fast && src.indices != nullptr ? srcImage.GetAlphaRunTable() : nullptr;
    const size_t sStride = static_cast<size_t>(src.width);
    for (int32_t row = 0; row < area.h; ++row) {
      uint32_t* d = dest + static_cast<size_t>(area.dy + row) * dStride + area.dx;
      const size_t sBase = static_cast<size_t>(area.sy + row) * sStride + area.sx;
      if (fast && src.indices == nullptr) {
        BlitKernels::OntoOpaqueRow(d, src.bits + sBase, area.w);
      } else if (fast) {
        // Palette source: whole runs at once, opaque runs copied, transparent
        // runs skipped, only partial pixels blended.
        int32_t x = 0;
        while (x < area.w) {
          const size_t si = sBase + static_cast<size_t>(x);
          const int32_t k = std::min(area.w - x, std::max<int32_t>(1, runs[si]));
          switch (ClassOf(src.palette[src.indices[si]])) {
            case kOpaque:
              for (int32_t i = 0; i < k; ++i) d[x + i] = src.palette[src.indices[si + i]];
              break;
            case kTransparent: break;
            case kPartial:
              for (int32_t i = 0; i < k; ++i) d[x + i] = OntoOpaque(d[x + i], src.palette[src.indices[si + i]]);
              break;
          }
          x += k;
        }
      } else {
        for (int32_t x = 0; x < area.w; ++x) {
          const uint32_t s = src.At(area.sx + x, area.sy + row);
          const PixelClass cls = ClassOf(s);
          if (cls == kOpaque) {
            d[x] = s;
          } else if (cls == kPartial) {
            d[x] = OntoOpaque(d[x], s);
          }
        }
      }
    }
    return;
  }

  const SourcePixels src(&srcImage);
  if (!src.HasPixels()) return;
  const bool white = c.IsOpaqueWhite();
  // Tint channels as weights out of 256: a channel of 255 keeps the source's.
  const uint32_t tr = FullWeight(c.r), tg = FullWeight(c.g), tb = FullWeight(c.b);
  auto blend = [&](uint32_t& dp, uint32_t s) {
    const uint32_t sa = s >> 24;
    if (sa == 0) return;
    const uint32_t D = dp;
    if (white) {
      dp = BlendUntinted(D, s, fast);
      return;
    }
    const uint32_t f = c.a * sa / 255;
    if (f == 0) return;
    uint32_t N, l;
    OverFactors(f, D >> 24, fast, N, l);
    const uint32_t il = 256 - l;
    const uint32_t sr = (s >> 16) & 0xFF, sg = (s >> 8) & 0xFF, sb = s & 0xFF;
    const uint32_t dr = (D >> 16) & 0xFF, dg = (D >> 8) & 0xFF, db = D & 0xFF;
    // The tinted source share rounds once, tint and weight together.
    const uint32_t r = ((dr * il) >> 8) + sr * tr * l / 65536;
    const uint32_t g = ((dg * il) >> 8) + sg * tg * l / 65536;
    const uint32_t b = ((db * il) >> 8) + sb * tb * l / 65536;
    dp = (N << 24) | (r << 16) | (g << 8) | b;
  };
  for (int32_t row = 0; row < area.h; ++row) {
    uint32_t* d = dest + static_cast<size_t>(area.dy + row) * dStride + area.dx;
    if (fast && !white && src.indices == nullptr) {
      BlitKernels::TintRow(d, src.bits + static_cast<size_t>(area.sy + row) * static_cast<size_t>(src.width) + area.sx,
                           area.w, c.a, tr, tg, tb, blend);
      continue;
    }
    for (int32_t x = 0; x < area.w; ++x) blend(d[x], src.At(area.sx + x, area.sy + row));
  }
}

void AdditiveBlit(MemoryImage& destImage, MemoryImage& srcImage, const BlitArea& area, const ColorBytes& c,
                  const uint8_t* clamp) {
  uint32_t* dest = destImage.GetBits();
  const size_t dStride = static_cast<size_t>(destImage.width);
  const SourcePixels src(&srcImage);
  if (!src.HasPixels()) return;
  const bool partial = srcImage.hasPartialAlpha;
  const bool white = c.IsOpaqueWhite();
  // Tint factors and source alpha as weights out of 256: a full one adds
  // the channel exactly.
  const uint32_t pr = FullWeight(c.a * c.r / 255), pg = FullWeight(c.a * c.g / 255), pb = FullWeight(c.a * c.b / 255);
  if (!ReferencePathsForced() && src.indices == nullptr) {
    const BlitKernels::AddTint tint{white, partial, pr, pg, pb};
    for (int32_t row = 0; row < area.h; ++row) {
      BlitKernels::AddRow(dest + static_cast<size_t>(area.dy + row) * dStride + area.dx,
                          src.bits + static_cast<size_t>(area.sy + row) * static_cast<size_t>(src.width) + area.sx,
                          area.w, tint, clamp);
    }
    return;
  }
  for (int32_t row = 0; row < area.h; ++row) {
    uint32_t* d = dest + static_cast<size_t>(area.dy + row) * dStride + area.dx;
    for (int32_t x = 0; x < area.w; ++x) {
      const uint32_t s = src.At(area.sx + x, area.sy + row);
      const uint32_t sa = FullWeight(s >> 24), sr = (s >> 16) & 0xFF, sg = (s >> 8) & 0xFF, sb = s & 0xFF;
      uint32_t ar, ag, ab;
      if (white) {
        if (partial) {
          ar = sr * sa / 256;
          ag = sg * sa / 256;
          ab = sb * sa / 256;
        } else {
          ar = sr;
          ag = sg;
          ab = sb;
        }
      } else if (partial) {
        ar = sr * pr * sa / 65536;
        ag = sg * pg * sa / 65536;
        ab = sb * pb * sa / 65536;
      } else {
        ar = sr * pr / 256;
        ag = sg * pg / 256;
        ab = sb * pb / 256;
      }
      const uint32_t D = d[x];
      d[x] = (D & 0xFF000000u) | (static_cast<uint32_t>(clamp[((D >> 16) & 0xFF) + ar]) << 16) |
             (static_cast<uint32_t>(clamp[((D >> 8) & 0xFF) + ag]) << 8) | clamp[(D & 0xFF) + ab];
    }
  }
}

}  // namespace

void MemoryImage::DrawImage(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                            int32_t drawMode) {
  if (source == nullptr) return;
  source->drawn = true;
  if (drawMode != kDrawModeNormal && drawMode != kDrawModeAdditive) return;
  MemoryImage* src = (source != nullptr ? source->AsMemoryImage() : nullptr);
  if (src == nullptr) return;
  BlitArea area;
  if (!ClipBlit(*this, *src, x, y, sourceRect, area)) return;
  const ColorBytes c(color);
  // The destination's bits first: a self-blit must not lose a palette form
  // the source loop is reading.
  GetBits();
  if (drawMode == kDrawModeNormal) {
    NormalBlit(*this, *src, area, c);
  } else {
    AdditiveBlit(*this, *src, area, c, host->GetClampTable());
  }
  NoteBitsChanged();
}

}  // namespace Kivo
