// DDImage fills and lines into the locked surface.
#include <algorithm>
#include <cmath>

#include "image/surface/DDImage.h"
#include "image/surface/DDImagePixels.h"
#include "image/TriangleFrontEnd.h"

namespace Kivo {

namespace {

Rect ClipToImage(const Rect& r, int32_t w, int32_t h) { return r.Intersection(Rect(0, 0, w, h)); }

inline int32_t Trunc(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return static_cast<int32_t>(v);
}

}  // namespace

bool DDImage::FillPolygon(const int32_t* points, int32_t pointCount, const Rect& clip, const Color& color,
                          int32_t drawMode, int32_t offsetX, int32_t offsetY, bool) {
  if (!DrawsThrough3D()) return false;
  display->renderer->FillPolygon(points, pointCount, clip, color, drawMode, offsetX, offsetY);
  return true;
}

void DDImage::FillRect(const Rect& rect, const Color& color, int32_t drawMode) {
  if (DrawsThrough3D()) {
    display->renderer->FillRect(rect, color, drawMode);
    return;
  }
  ScanAlpha();
  if (forceSoftware || hasPartialAlpha || (hasTransparency && !firstPixelKey) || display == nullptr || display->is3D) {
    MemoryImage::FillRect(rect, color, drawMode);
    return;
  }
  BeginSurfaceDraw();
  if (drawMode == 0) {
    FillRectNormal(rect, color);
  } else if (drawMode == 1) {
    FillRectAdditive(rect, color);
  }
  EndSurfaceDraw();
}

void DDImage::FillRectNormal(const Rect& rect, const Color& color) {
  if (videoOnly) return;
  GetSurface();
  if (!LockSurface()) return;
  const Rect r = ClipToImage(rect, width, height);
  const SurfaceView v(lockedDesc);
  const uint32_t a = static_cast<uint32_t>(color.alpha) & 0xFF;
  const FieldOver over(v, static_cast<uint32_t>(color.red) & 0xFF, static_cast<uint32_t>(color.green) & 0xFF,
                       static_cast<uint32_t>(color.blue) & 0xFF, a);
  // An opaque fill covers whatever was there: one value for every pixel.
  const uint32_t p = over(0);
  if (v.bitCount == 16) {
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
      uint16_t* row = v.Row16(y) + r.x;
      if (a == 255) {
        std::fill_n(row, r.width, static_cast<uint16_t>(p));
      } else {
        for (int32_t x = 0; x < r.width; ++x) row[x] = static_cast<uint16_t>(over(row[x]));
      }
    }
  } else if (v.bitCount == 32) {
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
      uint32_t* row = v.Row32(y) + r.x;
      if (a == 255) {
        std::fill_n(row, r.width, p);
      } else {
        for (int32_t x = 0; x < r.width; ++x) row[x] = over(row[x]);
      }
    }
  }
  UnlockSurface();
}

void DDImage::FillRectAdditive(const Rect& rect, const Color& color) {
  if (videoOnly) return;
  GetSurface();
  if (!LockSurface()) return;
  const Rect r = ClipToImage(rect, width, height);
  const SurfaceView v(lockedDesc);
  const DDInterface& d = *display;
  const uint32_t a = static_cast<uint32_t>(color.alpha) & 0xFF;
  const uint32_t sr = ((static_cast<uint32_t>(color.red) & 0xFF) * a / 255) >> (8 - d.redBits);
  const uint32_t sg = ((static_cast<uint32_t>(color.green) & 0xFF) * a / 255) >> (8 - d.greenBits);
  const uint32_t sb = ((static_cast<uint32_t>(color.blue) & 0xFF) * a / 255) >> (8 - d.blueBits);
  const int32_t* rc = d.redClamp.data();
  const int32_t* gc = d.greenClamp.data();
  const int32_t* bc = d.blueClamp.data();
  const int32_t rs = d.redShift, gs = d.greenShift, bs = d.blueShift;
  const uint32_t R = v.R, G = v.G, B = v.B;
  auto add = [&](uint32_t p) -> uint32_t {
    return static_cast<uint32_t>(rc[sr + ((p & R) >> rs)]) << rs |
           static_cast<uint32_t>(gc[sg + ((p & G) >> gs)]) << gs |
           static_cast<uint32_t>(bc[sb + ((p & B) >> bs)]) << bs;
  };
  if (v.bitCount == 16) {
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
      uint16_t* row = v.Row16(y) + r.x;
      for (int32_t x = 0; x < r.width; ++x) row[x] = static_cast<uint16_t>(add(row[x]));
    }
  } else if (v.bitCount == 32) {
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
      uint32_t* row = v.Row32(y) + r.x;
      for (int32_t x = 0; x < r.width; ++x) row[x] = add(row[x]);
    }
  }
  UnlockSurface();
}

// ---- lines -----------------------------------------------------------------

// FillRect keeps the one-pixel fill inside the image.
bool DDImage::FillAxisParallelLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  if (y1 == y2) {
    const int32_t left = Trunc(std::min(x1, x2));
    FillRect(Rect(left, Trunc(y1), Trunc(std::max(x1, x2)) - left + 1, Trunc(y2 - y1 + 1.0)), color, drawMode);
    return true;
  }
  if (x1 == x2) {
    const int32_t top = Trunc(std::min(y1, y2));
    FillRect(Rect(Trunc(x1), top, Trunc(x2 - x1 + 1.0), Trunc(std::max(y1, y2)) - top + 1), color, drawMode);
    return true;
  }
  return false;
}

void DDImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  if (DrawsThrough3D()) {
    display->renderer->DrawLine(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (forceSoftware || hasPartialAlpha || hasTransparency || display == nullptr || display->is3D) {
    MemoryImage::DrawLine(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (FillAxisParallelLine(x1, y1, x2, y2, color, drawMode)) return;
  ScanAlpha();
  BeginSurfaceDraw();
  if (drawMode == 0) {
    DrawLineNormal(x1, y1, x2, y2, color);
  } else if (drawMode == 1) {
    DrawLineAdditive(x1, y1, x2, y2, color);
  } else {
    TouchSurfaceWithoutDrawing();
  }
  EndSurfaceDraw();
}

void DDImage::DrawLineAntialiased(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  if (DrawsThrough3D()) {
    display->renderer->DrawLine(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (forceSoftware || hasPartialAlpha || hasTransparency || display == nullptr || display->is3D) {
    MemoryImage::DrawLineAntialiased(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (FillAxisParallelLine(x1, y1, x2, y2, color, drawMode)) return;
  ScanAlpha();
  BeginSurfaceDraw();
  // The antialiased additive line draws nothing.
  if (drawMode == 0)
    DrawLineAntialiasedNormal(x1, y1, x2, y2, color);
  else
    TouchSurfaceWithoutDrawing();
  EndSurfaceDraw();
}

namespace {

// Steps a normal or additive line and hands every pixel inside the surface
// to plot(x, y). subPixel folds the start's fraction into the decision term.
template <typename Plot>
void StepLine(double x1, double y1, double x2, double y2, bool subPixel, int32_t w, int32_t h, Plot plot) {
  const double minX = std::min(x1, x2), maxX = std::max(x1, x2);
  const double minY = std::min(y1, y2), maxY = std::max(y1, y2);
  auto put = [&](int32_t x, int32_t y) {
    if (x >= 0 && y >= 0 && x < w && y < h) plot(x, y);
  };
  double dx = x2 - x1;
  double dy = y2 - y1;
  const bool xMajor = std::fabs(dx) > std::fabs(dy);
  double major = xMajor ? dx : dy;
  double minor = xMajor ? dy : dx;
  if (major < 0) {
    major = -major;
    minor = -minor;
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  int32_t s = 1;
  if (minor < 0) {
    minor = -minor;
    s = -1;
  }
  put(Trunc(x1), Trunc(y1));
  const double startMinor = xMajor ? y1 : x1;
  const double startMajor = xMajor ? x1 : y1;
  const double endMajor = xMajor ? x2 : y2;
  int32_t m = Trunc(startMinor);
  int32_t n = Trunc(startMajor + 1.0);
  const int32_t Bt = Trunc(2.0 * minor);
  const int32_t At = Trunc((minor - major) * 2.0);
  int32_t D = Trunc(2.0 * minor - major);
  if (subPixel) D = Trunc(Bt * (startMinor - Trunc(startMinor)) + D);
  while (static_cast<double>(n) <= endMajor) {
    if (D > 0) {
      D = static_cast<int32_t>(static_cast<uint32_t>(D) + static_cast<uint32_t>(At));
      m += s;
      const double px = xMajor ? n : m;
      const double py = xMajor ? m : n;
      if (px < minX || py < minY || px > maxX || py > maxY) break;
    } else {
      D = static_cast<int32_t>(static_cast<uint32_t>(D) + static_cast<uint32_t>(Bt));
    }
    if (xMajor) {
      put(n, m);
    } else {
      put(m, n);
    }
    ++n;
  }
}

}  // namespace

void DDImage::DrawLineNormal(double x1, double y1, double x2, double y2, const Color& color) {
  if (videoOnly) return;
  GetSurface();
  if (!LockSurface()) return;
  const SurfaceView v(lockedDesc);
  const FieldOver blend(v, static_cast<uint32_t>(color.red) & 0xFF, static_cast<uint32_t>(color.green) & 0xFF,
                        static_cast<uint32_t>(color.blue) & 0xFF, static_cast<uint32_t>(color.alpha) & 0xFF);
  if (v.bitCount == 16) {
    StepLine(x1, y1, x2, y2, true, width, height, [&](int32_t x, int32_t y) {
      uint16_t* p = v.Row16(y) + x;
      *p = static_cast<uint16_t>(blend(*p));
    });
  } else if (v.bitCount == 32) {
    StepLine(x1, y1, x2, y2, true, width, height, [&](int32_t x, int32_t y) {
      uint32_t* p = v.Row32(y) + x;
      *p = blend(*p);
    });
  }
  UnlockSurface();
}

void DDImage::DrawLineAdditive(double x1, double y1, double x2, double y2, const Color& color) {
  if (videoOnly) return;
  GetSurface();
  if (!LockSurface()) return;
  const SurfaceView v(lockedDesc);
  const DDInterface& d = *display;
  const uint32_t a = static_cast<uint32_t>(color.alpha) & 0xFF;
  const uint32_t kr = ((static_cast<uint32_t>(color.red) & 0xFF) * a / 255) >> (8 - d.redBits);
  const uint32_t kg = ((static_cast<uint32_t>(color.green) & 0xFF) * a / 255) >> (8 - d.greenBits);
  const uint32_t kb = ((static_cast<uint32_t>(color.blue) & 0xFF) * a / 255) >> (8 - d.blueBits);
  const int32_t* rc = d.redClamp.data();
  const int32_t* gc = d.greenClamp.data();
  const int32_t* bc = d.blueClamp.data();
  const uint32_t R = v.R, G = v.G, B = v.B;
  const int32_t rs = d.redShift, gs = d.greenShift, bs = d.blueShift;
  auto add = [&](uint32_t p) -> uint32_t {
    return static_cast<uint32_t>(rc[((p & R) >> rs) + kr]) << rs |
           static_cast<uint32_t>(gc[((p & G) >> gs) + kg]) << gs |
           static_cast<uint32_t>(bc[((p & B) >> bs) + kb]) << bs;
  };
  // Only the 16-bit loops fold in the start's sub-pixel offset.
  if (v.bitCount == 16) {
    StepLine(x1, y1, x2, y2, true, width, height, [&](int32_t x, int32_t y) {
      uint16_t* p = v.Row16(y) + x;
      *p = static_cast<uint16_t>(add(*p));
    });
  } else if (v.bitCount == 32) {
    StepLine(x1, y1, x2, y2, false, width, height, [&](int32_t x, int32_t y) {
      uint32_t* p = v.Row32(y) + x;
      *p = add(*p);
    });
  }
  UnlockSurface();
}

void DDImage::DrawLineAntialiasedNormal(double x1, double y1, double x2, double y2, const Color& color) {
  GetSurface();
  if (!LockSurface()) return;
  const SurfaceView v(lockedDesc);
  const uint32_t M[3] = {v.R, v.G, v.B};
  // The colour as an opaque fill lands it.
  const uint32_t c = FieldOver(v, static_cast<uint32_t>(color.red) & 0xFF, static_cast<uint32_t>(color.green) & 0xFF,
                               static_cast<uint32_t>(color.blue) & 0xFF, 255)(0);
  const uint32_t alpha = static_cast<uint32_t>(color.alpha) & 0xFF;
  const uint32_t K = v.bitCount == 16 ? SpreadMaskFor(v.G) : 0;

  // Weights out of 256 as the memory image's line takes them: a pixel the
  // line covers fully in an opaque colour weighs 256 and lands the colour.
  auto blend = [&](uint32_t d, uint32_t w) -> uint32_t {
    if (alpha != 255) w = (w * (alpha + 1)) >> 8;
    if (w == 255) w = 256;
    if (v.bitCount == 32) {
      return (((((c & 0xFF00FF) * w) + ((d & 0xFF00FF) * (256 - w))) >> 8) & 0xFF00FF) |
             (((((c & 0xFF00) * w) + ((d & 0xFF00) * (256 - w))) >> 8) & 0xFF00);
    }
    if (K != 0) {
      const uint32_t s = ((Spread(c, K) * (w >> 3)) >> 5) & K;
      const uint32_t t = ((Spread(d, K) * ((256 - w) >> 3)) >> 5) & K;
      return (((s >> 16) | s) + ((t >> 16) | t)) & 0xFFFF;
    }
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) out |= ((((c & M[i]) * w) + ((d & M[i]) * (256 - w))) >> 8) & M[i];
    return out;
  };
  // Every pixel, neighbours included, is kept inside the surface.
  auto plot = [&](int32_t x, int32_t y, uint32_t w) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    if (v.bitCount == 16) {
      uint16_t* p = v.Row16(y) + x;
      *p = static_cast<uint16_t>(blend(*p, w));
    } else if (v.bitCount == 32) {
      uint32_t* p = v.Row32(y) + x;
      *p = blend(*p, w);
    }
  };

  int32_t x1i = Trunc(x1), x2i = Trunc(x2), y1i = Trunc(y1), y2i = Trunc(y2);
  if (y1i > y2i) {
    std::swap(x1i, x2i);
    std::swap(y1i, y2i);
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  int64_t dxi = int64_t{x2i} - x1i;
  const int64_t dyi = int64_t{y2i} - y1i;
  double dx = x2 - x1;
  const double dy = y2 - y1;
  int32_t s = 1;
  if (dxi < 0) {
    dxi = -dxi;
    dx = -dx;
    s = -1;
  }
  auto fixed = [](double value) -> uint32_t {
    if (!(value > -9.2e18 && value < 9.2e18)) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value)));
  };
  uint32_t acc = fixed(std::fabs(x1 - x1i) * std::fabs(y1 - y1i) * 65536.0);
  const bool yMajor = dxi < dyi;
  const uint32_t slope = yMajor ? fixed(dx / dy * 65536.0) : fixed(dy / dx * 65536.0);
  auto weight = [&]() { return 255u - ((acc >> 8) & 255u); };
  plot(x1i, y1i, weight());
  int32_t x = x1i, y = y1i;
  // A line within one pixel has no middle pixels.
  const int64_t middle = (yMajor ? dyi : dxi) - 1;
  const int32_t rowPixels = v.RowPixels();
  for (int64_t i = 0; i < middle; ++i) {
    acc += slope;
    if (acc >= 0x10000u) {
      acc &= 0xFFFFu;
      if (yMajor) {
        x += s;
      } else {
        y += 1;
      }
    }
    if (yMajor) {
      y += 1;
    } else {
      x += s;
    }
    const uint32_t w = weight();
    plot(x, y, w);
    if (yMajor) {
      if (x + s < rowPixels) plot(x + s, y, 255u - w);
    } else if (y < height - 1) {
      plot(x, y + 1, 255u - w);
    }
  }
  plot(x2i, y2i, weight());
  UnlockSurface();
}

// ---- coverage spans, matrix and triangle draws ----------------------------

bool DDImage::TakesSurfacePath() {
  ScanAlpha();
  return !(forceSoftware || hasPartialAlpha || (hasTransparency && !firstPixelKey) || display == nullptr ||
           display->is3D);
}

namespace {

// The triangle front end's name for the locked surface's layout.
PixelTag TagOf(const SurfaceView& v) {
  if (v.bitCount == 16) return v.G == 0x7E0u ? kPixelTag565 : (v.G == 0x3E0u ? kPixelTag555 : kPixelTagOther);
  if (v.bitCount == 32 && v.R == 0xFF0000u && v.G == 0xFF00u && v.B == 0xFFu) return kPixelTag888;
  return kPixelTagOther;
}

}  // namespace

void DDImage::FillSpansWithCoverage(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode,
                                    const uint8_t* coverage, int32_t coverageX, int32_t coverageY,
                                    int32_t coverageStride, uint32_t unusedWord) {
  if (DrawsThrough3D()) {
    FillSpansWithCoverageThrough3D(spans, count, color, drawMode, coverage, coverageX, coverageY, coverageStride,
                                   unusedWord);
    return;
  }
  if (!TakesSurfacePath()) {
    MemoryImage::FillSpansWithCoverage(spans, count, color, drawMode, coverage, coverageX, coverageY, coverageStride,
                                       unusedWord);
    return;
  }
  if (videoOnly || count <= 0 || spans == nullptr || coverage == nullptr) return;
  BeginSurfaceDraw();
  GetSurface();
  if (LockSurface()) {
    const SurfaceView v(lockedDesc);
    const uint32_t M[3] = {v.R, v.G, v.B};
    // The colour as an opaque fill lands it; full coverage in an opaque
    // colour weighs 256 (as on memory images), so it lands exactly.
    const uint32_t c = FieldOver(v, static_cast<uint32_t>(color.red) & 0xFF, static_cast<uint32_t>(color.green) & 0xFF,
                                 static_cast<uint32_t>(color.blue) & 0xFF, 255)(0);
    const uint32_t alpha = static_cast<uint32_t>(color.alpha) & 0xFF;
    for (int32_t s = 0; s < count; ++s) {
      const ImageSpan& span = spans[s];
      if (span.y < 0 || span.y >= height) continue;
      const int64_t rowBase = (int64_t{span.y} - coverageY) * coverageStride;
      for (int32_t i = 0; i < span.width; ++i) {
        const int64_t x = int64_t{span.x} + i;
        if (x < 0 || x >= width) continue;
        const int64_t at = rowBase + (x - coverageX);
        if (at < 0) continue;
        // Zero weight is blended too: every pixel of a span comes out as
        // colour channels only, its alpha byte cleared.
        uint32_t a = ((static_cast<uint32_t>(coverage[at]) + 1) * alpha) >> 8;
        if (a == 255) a = 256;
        auto blend = [&](uint32_t d) {
          uint32_t out = 0;
          for (int k = 0; k < 3; ++k) out |= ((((c & M[k]) * a) + ((d & M[k]) * (256 - a))) >> 8) & M[k];
          return out;
        };
        if (v.bitCount == 16) {
          uint16_t* p = v.Row16(span.y) + x;
          *p = static_cast<uint16_t>(blend(*p));
        } else if (v.bitCount == 32) {
          uint32_t* p = v.Row32(span.y) + x;
          *p = blend(*p);
        }
      }
    }
    UnlockSurface();
  }
  EndSurfaceDraw();
}

void DDImage::DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip,
                                const Color& color, int32_t drawMode, const Rect& sourceRect, bool blend) {
  if (DrawsThrough3D()) {
    if (source != nullptr) source->drawn = true;
    display->renderer->DrawImageByMatrix(source, x, y, matrix, clip, color, drawMode, sourceRect, blend);
    return;
  }
  if (!TakesSurfacePath()) {
    MemoryImage::DrawImageByMatrix(source, x, y, matrix, clip, color, drawMode, sourceRect, blend);
    return;
  }
  if (source != nullptr) source->drawn = true;
  if (videoOnly) return;
  const Rect area = clip.Intersection(Rect(0, 0, width, height));
  if (area.width <= 0 || area.height <= 0) return;
  BeginSurfaceDraw();
  GetSurface();
  if (LockSurface()) {
    const SurfaceView v(lockedDesc);
    DrawImageByMatrixInto(source, x, y, matrix, area, color, drawMode, sourceRect, v.base, v.pitch, TagOf(v), blend);
    UnlockSurface();
  }
  EndSurfaceDraw();
}

void DDImage::DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount,
                                    const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                    float offsetY, bool blend) {
  if (DrawsThrough3D()) {
    if (texture != nullptr) texture->drawn = true;
    display->renderer->DrawTexturedTriangles(texture, vertices, triangleCount, clip, color, drawMode, offsetX, offsetY,
                                             blend);
    return;
  }
  if (!TakesSurfacePath()) {
    MemoryImage::DrawTexturedTriangles(texture, vertices, triangleCount, clip, color, drawMode, offsetX, offsetY,
                                       blend);
    return;
  }
  if (texture != nullptr) texture->drawn = true;
  if (videoOnly) return;
  const Rect area = clip.Intersection(Rect(0, 0, width, height));
  if (area.width <= 0 || area.height <= 0) return;
  BeginSurfaceDraw();
  GetSurface();
  if (LockSurface()) {
    const SurfaceView v(lockedDesc);
    DrawTexturedTrianglesInto(texture, vertices, triangleCount, area, color, drawMode, v.base, v.pitch, TagOf(v),
                              offsetX, offsetY, blend);
    UnlockSurface();
  }
  EndSurfaceDraw();
}

}  // namespace Kivo
