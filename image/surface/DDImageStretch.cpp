// DDImage stretched drawing: DirectDraw stretch blits, the smooth stretch
// through a temporary image, and nearest-sample loops into the surface.
#include <cmath>
#include <cstring>
#include <vector>

#include "image/Blend.h"
#include "image/BlitKernels.h"
#include "image/surface/DDImage.h"
#include "image/surface/DDImageBlitLoops.h"
#include "image/surface/DDImagePixels.h"
#include "image/SmoothStretch.h"

namespace Kivo {

namespace {

inline int32_t Trunc(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return static_cast<int32_t>(v);
}

struct StretchRule {
  uint32_t R, G, B;
  const int32_t *rc, *gc, *bc;
  int32_t rs, gs, bs;
  uint32_t a, cr, cg, cb;
};

enum class StretchForm { kNormalWhite, kNormalTint, kAddWhite, kAddTint };

template <StretchForm F>
inline bool ApplyStretch(const StretchRule& r, uint32_t d, uint32_t s, uint32_t& out) {
  if (F == StretchForm::kNormalWhite) {
    const uint32_t sa = s >> 24;
    if (sa == 0) return false;
    const uint32_t k = 256 - sa;
    out = s + ((((d & r.R) * k) >> 8) & r.R) + ((((d & r.G) * k) >> 8) & r.G) + ((((d & r.B) * k) >> 8) & r.B);
    return true;
  } else if (F == StretchForm::kNormalTint) {
    const uint32_t sa = ((s >> 24) * r.a) / 255;
    if (sa == 0) return false;
    const uint32_t k = 256 - sa;
    out = (((((d & r.R) * k) + ((s & r.R) * r.cr)) >> 8) & r.R) +
          (((((d & r.G) * k) + ((s & r.G) * r.cg)) >> 8) & r.G) + (((((d & r.B) * k) + ((s & r.B) * r.cb)) >> 8) & r.B);
    return true;
  } else if (F == StretchForm::kAddWhite) {
    if (s == 0) return false;
    out = static_cast<uint32_t>(r.rc[((d & r.R) + (s & r.R)) >> r.rs]) << r.rs |
          static_cast<uint32_t>(r.gc[((d & r.G) + (s & r.G)) >> r.gs]) << r.gs |
          static_cast<uint32_t>(r.bc[((d & r.B) + (s & r.B)) >> r.bs]) << r.bs;
    return true;
  } else {
    if (s == 0) return false;
    out = static_cast<uint32_t>(r.rc[((d & r.R) >> r.rs) + ((((s & r.R) >> r.rs) * r.cr) >> 8)]) << r.rs |
          static_cast<uint32_t>(r.gc[((d & r.G) >> r.gs) + ((((s & r.G) >> r.gs) * r.cg) >> 8)]) << r.gs |
          static_cast<uint32_t>(r.bc[((d & r.B) >> r.bs) + ((((s & r.B) >> r.bs) * r.cb) >> 8)]) << r.bs;
    return true;
  }
}

template <typename T, StretchForm F>
void StretchRows(const SurfaceView& view, const StretchRule& rule, const uint32_t* native, const uint8_t* indices,
                 int32_t stride, int32_t srcW, int32_t srcH, const DoubleRect& Sd, const Rect& Dc, bool mirrored) {
  int64_t v = static_cast<int64_t>(Sd.y * 65536.0);
  const int64_t du = static_cast<int64_t>(Sd.width * 65536.0 / Dc.width);
  const int64_t dv = static_cast<int64_t>(Sd.height * 65536.0 / Dc.height);
  const int64_t u0 = static_cast<int64_t>(Sd.x * 65536.0);
  for (int32_t i = 0; i < Dc.height; ++i, v += dv) {
    // Sd lies inside the source; the clamps only absorb rounding.
    int64_t row = v >> 16;
    if (row >= srcH) row = srcH - 1;
    if (row < 0) row = 0;
    T* out = reinterpret_cast<T*>(view.base + static_cast<ptrdiff_t>(Dc.y + i) * view.pitch);
    const size_t rowBase = static_cast<size_t>(row) * static_cast<size_t>(stride);
    int64_t u = u0;
    for (int32_t j = 0; j < Dc.width; ++j, u += du) {
      int64_t col = u >> 16;
      if (col >= srcW) col = srcW - 1;
      if (col < 0) col = 0;
      const size_t at = rowBase + static_cast<size_t>(col);
      const uint32_t s = indices != nullptr ? native[indices[at]] : native[at];
      T* p = mirrored ? out + (Dc.x + Dc.width - 1 - j) : out + (Dc.x + j);
      uint32_t result;
      if (ApplyStretch<F>(rule, *p, s, result)) *p = static_cast<T>(result);
    }
  }
}

template <typename T>
void StretchDispatch(StretchForm form, const SurfaceView& view, const StretchRule& rule, const uint32_t* native,
                     const uint8_t* indices, int32_t stride, int32_t srcW, int32_t srcH, const DoubleRect& Sd,
                     const Rect& Dc, bool mirrored) {
  switch (form) {
    case StretchForm::kNormalWhite:
      StretchRows<T, StretchForm::kNormalWhite>(view, rule, native, indices, stride, srcW, srcH, Sd, Dc, mirrored);
      break;
    case StretchForm::kNormalTint:
      StretchRows<T, StretchForm::kNormalTint>(view, rule, native, indices, stride, srcW, srcH, Sd, Dc, mirrored);
      break;
    case StretchForm::kAddWhite:
      StretchRows<T, StretchForm::kAddWhite>(view, rule, native, indices, stride, srcW, srcH, Sd, Dc, mirrored);
      break;
    case StretchForm::kAddTint:
      StretchRows<T, StretchForm::kAddTint>(view, rule, native, indices, stride, srcW, srcH, Sd, Dc, mirrored);
      break;
  }
}

// Runs the nearest-sample loops; false when the surface could not be locked.
bool NearestStretch(DDImage& target, MemoryImage* src, const DoubleRect& Sd, const Rect& Dc, const Color& color,
                    int32_t drawMode, bool mirrored) {
  // A video-only source holds its pixels where software cannot read them.
  DDImage* dd = dynamic_cast<DDImage*>(src);
  if (dd != nullptr && dd->videoOnly && dd->surface != nullptr && dd->bits == nullptr && dd->nativeData == nullptr &&
      dd->palette == nullptr)
    return false;
  src->ScanAlpha();
  DDInterface& display = *target.display;
  const uint32_t* native = src->GetNativeData(display);
  if (native == nullptr) return false;
  const uint8_t* indices = src->palette != nullptr ? src->indices.get() : nullptr;
  if (!target.LockSurface()) return false;
  const SurfaceView view(target.lockedDesc);
  StretchRule rule;
  rule.R = view.R;
  rule.G = view.G;
  rule.B = view.B;
  rule.rc = display.redClamp.data();
  rule.gc = display.greenClamp.data();
  rule.bc = display.blueClamp.data();
  rule.rs = display.redShift;
  rule.gs = display.greenShift;
  rule.bs = display.blueShift;
  rule.a = static_cast<uint32_t>(color.alpha) & 0xFF;
  rule.cr = (static_cast<uint32_t>(color.red) & 0xFF) * rule.a / 255;
  rule.cg = (static_cast<uint32_t>(color.green) & 0xFF) * rule.a / 255;
  rule.cb = (static_cast<uint32_t>(color.blue) & 0xFF) * rule.a / 255;
  const bool white = color == Color::White;
  const StretchForm form = drawMode == 0 ? (white ? StretchForm::kNormalWhite : StretchForm::kNormalTint)
                                         : (white ? StretchForm::kAddWhite : StretchForm::kAddTint);
  if (form == StretchForm::kNormalTint || form == StretchForm::kAddTint) {
    // Out of 256: a full channel (255 of 255) keeps, or adds, the source's.
    rule.cr = FullWeight(rule.cr);
    rule.cg = FullWeight(rule.cg);
    rule.cb = FullWeight(rule.cb);
  }
  if (view.bitCount == 16) {
    StretchDispatch<uint16_t>(form, view, rule, native, indices, src->width, src->width, src->height, Sd, Dc, mirrored);
  } else if (view.bitCount == 32) {
    StretchDispatch<uint32_t>(form, view, rule, native, indices, src->width, src->width, src->height, Sd, Dc, mirrored);
  }
  target.UnlockSurface();
  return true;
}

// A filtered row onto an 8-8-8 surface with red high, as the untinted
// blended blit lands its premultiplied pixels: coverage 0 leaves the pixel,
// 255 writes the colour, any other l gives each channel
// (d * (256 - l) >> 8) + (c * (l + 1) >> 8) and the top byte l.
void SmoothRowOnto888(uint32_t* d, const uint32_t* f, int32_t n) {
  int32_t j = 0;
#ifdef KIVO_BLIT_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i c256 = _mm_set1_epi16(256), one = _mm_set1_epi16(1);
  for (; j + 4 <= n; j += 4) {
    const __m128i fv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + j));
    const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(fv, alphaMask), zero);
    if (_mm_movemask_epi8(clear) == 0xFFFF) continue;
    __m128i* dp = reinterpret_cast<__m128i*>(d + j);
    const __m128i dv = _mm_loadu_si128(dp);
    auto half = [&](__m128i f16, __m128i d16) {
      __m128i l = _mm_shufflelo_epi16(f16, _MM_SHUFFLE(3, 3, 3, 3));
      l = _mm_shufflehi_epi16(l, _MM_SHUFFLE(3, 3, 3, 3));
      const __m128i s = _mm_srli_epi16(_mm_mullo_epi16(f16, _mm_add_epi16(l, one)), 8);
      return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(c256, l)), 8), s);
    };
    const __m128i mixed = _mm_packus_epi16(half(_mm_unpacklo_epi8(fv, zero), _mm_unpacklo_epi8(dv, zero)),
                                           half(_mm_unpackhi_epi8(fv, zero), _mm_unpackhi_epi8(dv, zero)));
    const __m128i out = _mm_or_si128(_mm_andnot_si128(alphaMask, mixed), _mm_and_si128(fv, alphaMask));
    _mm_storeu_si128(dp, _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, out)));
  }
#endif
  for (; j < n; ++j) {
    const uint32_t l = f[j] >> 24;
    if (l == 0) continue;
    uint32_t out = l << 24;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t c = (f[j] >> shift) & 0xFF, dc = (d[j] >> shift) & 0xFF;
      out |= (((dc * (256 - l)) >> 8) + ((c * (l + 1)) >> 8)) << shift;
    }
    d[j] = out;
  }
}

// The untinted smooth stretch straight into the surface: each filtered row
// lands as it would from a temporary image of the stretched picture (a
// pixel of coverage l and colour c being (l << 24) | c), drawn by the
// untinted blended blit, without making or converting that image.
void SmoothOntoSurface(DDImage& target, const DDInterface& display, MemoryImage* src, const DoubleRect& Sd,
                       const Rect& Dc) {
  const SourcePixels pixels(src);
  SmoothStretchFilter filter;
  const Rect whole(0, 0, Dc.width, Dc.height);
  if (!filter.Prepare(pixels, whole, Sd, whole)) return;
  target.GetSurface();
  if (!target.LockSurface()) return;
  const BlitTarget t = TargetOf(target.lockedDesc, display);
  std::vector<uint32_t> native(static_cast<size_t>(Dc.width));
  BlitSource s;
  s.native = native.data();
  s.stride = Dc.width;
  const Rect row(0, 0, Dc.width, 1);
  const bool fast = !ReferencePathsForced();
  const bool rgb888 = t.view.bitCount == 32 && t.view.R == 0xFF0000u && t.view.G == 0xFF00u && t.view.B == 0xFFu;
  filter.Run(fast, [&](int32_t i, const uint32_t* filtered) {
    if (fast && rgb888) {
      SmoothRowOnto888(t.view.Row32(Dc.y + i) + Dc.x, filtered, Dc.width);
      return;
    }
    for (int32_t j = 0; j < Dc.width; ++j)
      native[static_cast<size_t>(j)] = MemoryImage::NativeWord(filtered[j], display);
    DrawBlendedReference(t, s, Dc.x, Dc.y + i, row, Color::White, false);
  });
  target.UnlockSurface();
}

// The destination shrinks with the part of the source that was cut away
// (the source rectangle cut to the source is sr); leftCut is how many source
// columns the destination's left edge loses.
Rect ShrinkDestination(const Rect& destRect, const Rect& sourceRect, const Rect& sr, int32_t leftCut) {
  if (sr == sourceRect) return destRect;
  const double kx = static_cast<double>(destRect.width) / sourceRect.width;
  const double ky = static_cast<double>(destRect.height) / sourceRect.height;
  return Rect(Trunc(destRect.x + leftCut * kx), Trunc(destRect.y + (sr.y - sourceRect.y) * ky), Trunc(sr.width * kx),
              Trunc(sr.height * ky));
}

}  // namespace

void DDImage::DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                 const Color& color, int32_t drawMode, bool fast) {
  if (source == nullptr) return;
  source->drawn = true;
  ScanAlpha();
  if (DrawsThrough3D()) {
    display->renderer->DrawImageStretched(source, destRect, sourceRect, clip, color, drawMode, fast, false);
    return;
  }
  // A source rectangle leaving the source would be read outside it.
  const Rect sr = sourceRect.Intersection(Rect(0, 0, source->width, source->height));
  if (sr.width <= 0 || sr.height <= 0 || destRect.width <= 0 || destRect.height <= 0) return;
  const Rect dest = ShrinkDestination(destRect, sourceRect, sr, sr.x - sourceRect.x);
  if (dest.width <= 0 || dest.height <= 0) return;
  const Rect clipped = clip.Intersection(Rect(0, 0, width, height));
  DoubleRect Sd;
  Rect Dc;
  if (!MemoryImage::ClipStretchRects(sr, clipped, dest, Sd, Dc)) return;
  if (Dc.width <= 0 || Dc.height <= 0) return;

  if (!fast) {
    if (forceSoftware || hasPartialAlpha || hasTransparency || display == nullptr || display->is3D) {
      MemoryImage::DrawImageStretched(source, dest, sr, clip, color, drawMode, fast);
      return;
    }
    MemoryImage* src = dynamic_cast<MemoryImage*>(source);
    if (color == Color::White && drawMode == 0) {
      // Straight into the surface, as the temporary image below would land.
      BeginSurfaceDraw();
      if (src != nullptr && !videoOnly) SmoothOntoSurface(*this, *display, src, Sd, Dc);
      EndSurfaceDraw();
      return;
    }
    MemoryImage temporary(host);
    temporary.CreateBlank(Dc.width, Dc.height);
    temporary.DrawImageStretchedSmooth(source, Rect(0, 0, Dc.width, Dc.height), Sd, color, drawMode);
    DrawImage(&temporary, Dc.x, Dc.y, Rect(0, 0, Dc.width, Dc.height), color, drawMode);
    return;
  }
  if (display == nullptr) return;

  BeginSurfaceDraw();
  DDImage* dd = dynamic_cast<DDImage*>(source);
  if (dd != nullptr && color == Color::White && drawMode == 0 && !dd->hasPartialAlpha && dd->GetSurface() != nullptr &&
      GetSurface() != nullptr) {
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof(fx));
    fx.dwSize = sizeof(fx);
    DWORD flags = DDBLT_WAIT;
    if (dd->hasTransparency) flags |= DDBLT_KEYSRC;
    RECT to{Dc.x, Dc.y, Dc.x + Dc.width, Dc.y + Dc.height};
    RECT from{Trunc(Sd.x), Trunc(Sd.y), Trunc(Sd.x + Sd.width), Trunc(Sd.y + Sd.height)};
    if (lockCount > 0) surface->Unlock(nullptr);
    surface->Blt(&to, dd->surface, &from, flags, &fx);
    surfaceReached_ = true;
    if (lockCount > 0) {
      std::memset(&lockedDesc, 0, sizeof(lockedDesc));
      lockedDesc.dwSize = sizeof(lockedDesc);
      if (FAILED(surface->Lock(nullptr, &lockedDesc, DDLOCK_WAIT, nullptr))) {
        // The picture is in the surface, which can no longer be locked: keep
        // the copies rather than drop the only readable pixels.
        surfaceReached_ = false;
        return;
      }
    }
    EndSurfaceDraw();
    return;
  }
  MemoryImage* src = dynamic_cast<MemoryImage*>(source);
  if (src != nullptr) NearestStretch(*this, src, Sd, Dc, color, drawMode, false);
  EndSurfaceDraw();
}

void DDImage::DrawImageStretchedMirrored(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                         const Color& color, int32_t drawMode, bool) {
  if (source == nullptr) return;
  source->drawn = true;
  ScanAlpha();
  if (DrawsThrough3D()) {
    display->renderer->DrawImageStretched(source, destRect, sourceRect, clip, color, drawMode, true, true);
    return;
  }
  if (display == nullptr) return;
  const Rect sr = sourceRect.Intersection(Rect(0, 0, source->width, source->height));
  if (sr.width <= 0 || sr.height <= 0 || destRect.width <= 0 || destRect.height <= 0) return;
  // Mirrored, the destination's left edge shows the source's right edge.
  const int32_t rightCut = (sourceRect.x + sourceRect.width) - (sr.x + sr.width);
  const Rect dest = ShrinkDestination(destRect, sourceRect, sr, rightCut);
  if (dest.width <= 0 || dest.height <= 0) return;
  const Rect clipped = clip.Intersection(Rect(0, 0, width, height));
  DoubleRect Sd;
  Rect Dc;
  if (!MemoryImage::ClipStretchRectsMirrored(sr, clipped, dest, Sd, Dc)) return;
  if (Dc.width <= 0 || Dc.height <= 0) return;
  MemoryImage* src = dynamic_cast<MemoryImage*>(source);
  if (src == nullptr) return;
  BeginSurfaceDraw();
  NearestStretch(*this, src, Sd, Dc, color, drawMode, true);
  EndSurfaceDraw();
}

}  // namespace Kivo
