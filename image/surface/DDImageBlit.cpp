// DDImage plain, additive and mirrored blits into the locked surface, and
// the DirectDraw surface-to-surface copy.
#include <algorithm>
#include <cstring>

#include "image/surface/DDImage.h"
#include "image/surface/DDImageBlitLoops.h"
#include "image/surface/DDImagePixels.h"

namespace Kivo {

namespace {

// Keeps the destination inside the target and the source rectangle inside
// the source, whatever the caller passed; false when nothing is left.
bool ClipBlit(int32_t& x, int32_t& y, Rect& src, int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH,
              bool mirrored) {
  int64_t sx = src.x, sy = src.y, w = src.width, h = src.height, dx = x, dy = y;
  if (sx < 0) {
    w += sx;
    if (!mirrored) dx -= sx;
    sx = 0;
  }
  if (sx + w > srcW) {
    const int64_t cut = sx + w - srcW;
    w -= cut;
    if (mirrored) dx += cut;
  }
  if (sy < 0) {
    h += sy;
    dy -= sy;
    sy = 0;
  }
  if (sy + h > srcH) h = srcH - sy;
  if (dx < 0) {
    const int64_t cut = -dx;
    w -= cut;
    if (!mirrored) sx += cut;
    dx = 0;
  }
  if (dx + w > dstW) {
    const int64_t cut = dx + w - dstW;
    w -= cut;
    if (mirrored) sx += cut;
  }
  if (dy < 0) {
    h += dy;
    sy -= dy;
    dy = 0;
  }
  if (dy + h > dstH) h = dstH - dy;
  if (w <= 0 || h <= 0) return false;
  x = static_cast<int32_t>(dx);
  y = static_cast<int32_t>(dy);
  src = Rect(static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(w), static_cast<int32_t>(h));
  return true;
}

// A video-only image's pixels can be reached by DirectDraw blits alone.
bool SoftwareCanRead(MemoryImage* src) {
  DDImage* dd = dynamic_cast<DDImage*>(src);
  return dd == nullptr || !dd->videoOnly || dd->bits != nullptr || dd->nativeData != nullptr ||
         dd->palette != nullptr || dd->surface == nullptr;
}

}  // namespace

BlitTarget TargetOf(const DDSURFACEDESC& desc, const DDInterface& display) {
  BlitTarget t;
  t.view = SurfaceView(desc);
  t.redClamp = display.redClamp.data();
  t.greenClamp = display.greenClamp.data();
  t.blueClamp = display.blueClamp.data();
  t.redShift = display.redShift;
  t.greenShift = display.greenShift;
  t.blueShift = display.blueShift;
  return t;
}

namespace {

BlitSource SourceOf(MemoryImage* src, const NativeDisplay& display, bool additive) {
  BlitSource s;
  s.native = src->GetNativeData(display);
  s.indices = src->palette != nullptr ? src->indices.get() : nullptr;
  s.runs = additive ? src->GetAdditiveRunTable(display) : src->GetAlphaRunTable();
  s.stride = src->width;
  return s;
}

}  // namespace

void DDImage::BlitSurface(DDImage* source, int32_t x, int32_t y, const Rect& sourceRect) {
  IDirectDrawSurface* from = source->GetSurface();
  IDirectDrawSurface* to = GetSurface();
  if (from == nullptr || to == nullptr) return;
  if (lockCount > 0) surface->Unlock(nullptr);
  RECT dest{x, y, x + sourceRect.width, y + sourceRect.height};
  RECT src{sourceRect.x, sourceRect.y, sourceRect.x + sourceRect.width, sourceRect.y + sourceRect.height};
  DDBLTFX fx;
  std::memset(&fx, 0, sizeof(fx));
  fx.dwSize = sizeof(fx);
  DWORD flags = DDBLT_WAIT;
  if (source->hasTransparency) flags |= DDBLT_KEYSRC;
  to->Blt(&dest, from, &src, flags, &fx);
  surfaceReached_ = true;
  if (lockCount > 0) {
    std::memset(&lockedDesc, 0, sizeof(lockedDesc));
    lockedDesc.dwSize = sizeof(lockedDesc);
    surface->Lock(nullptr, &lockedDesc, DDLOCK_WAIT, nullptr);
  }
}

void DDImage::DrawImage(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                        int32_t drawMode) {
  if (source == nullptr) return;
  source->drawn = true;
  ScanAlpha();
  if (DrawsThrough3D()) {
    DDImage* dd = dynamic_cast<DDImage*>(source);
    if (dd != nullptr && dd->surface != nullptr && drawMode == 0 && color == Color::White && !dd->hasPartialAlpha) {
      Rect src = sourceRect;
      if (ClipBlit(x, y, src, dd->width, dd->height, width, height, false)) BlitSurface(dd, x, y, src);
    } else {
      display->renderer->DrawImage(source, static_cast<float>(x), static_cast<float>(y), sourceRect, color, drawMode);
    }
    return;
  }
  const bool cursorImage =
      display != nullptr && (this == display->oldCursorAreaImage || this == display->newCursorAreaImage);
  if (forceSoftware || hasPartialAlpha || (hasTransparency && !firstPixelKey) || display == nullptr ||
      (display->is3D && !cursorImage)) {
    MemoryImage::DrawImage(source, x, y, sourceRect, color, drawMode);
    return;
  }
  BeginSurfaceDraw();
  if (drawMode == 0) {
    DrawImageNormal(source, x, y, sourceRect, color);
  } else if (drawMode == 1) {
    DrawImageAdditive(source, x, y, sourceRect, color);
  }
  EndSurfaceDraw();
}

void DDImage::DrawImageMirrored(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                                int32_t drawMode) {
  ScanAlpha();
  if (DrawsThrough3D()) {
    display->renderer->DrawImageMirrored(source, static_cast<float>(x), static_cast<float>(y), sourceRect, color,
                                         drawMode);
    return;
  }
  BeginSurfaceDraw();
  if (drawMode == 0) {
    DrawImageMirroredNormal(source, x, y, sourceRect, color);
  } else if (drawMode == 1) {
    DrawImageMirroredAdditive(source, x, y, sourceRect, color);
  }
  EndSurfaceDraw();
}

void DDImage::DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                               const Color& color, int32_t drawMode) {
  if (source == nullptr) return;
  source->drawn = true;
  if (!DrawsThrough3D()) {
    DrawImageRotated(source, x, y, sourceRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
    return;
  }
  const DoubleRect dest(x, y, sourceRect.width, sourceRect.height);
  const DoubleRect visible = dest.Intersection(DoubleRect(clip));
  if (visible.width == dest.width && visible.height == dest.height) {
    display->renderer->DrawImage(source, x, y, sourceRect, color, drawMode);
  } else if (visible.width != 0.0 && visible.height != 0.0) {
    display->renderer->DrawImageAtFloat(source, x, y, sourceRect, clip, color, drawMode);
  }
}

void DDImage::DrawImageNormal(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color) {
  if (source == nullptr) return;
  source->drawn = true;
  MemoryImage* src = dynamic_cast<MemoryImage*>(source);
  if (src == nullptr || display == nullptr) return;
  src->ScanAlpha();
  Rect sr = sourceRect;
  if (!ClipBlit(x, y, sr, src->width, src->height, width, height, false)) return;
  DDImage* dd = dynamic_cast<DDImage*>(src);
  const bool white = color == Color::White;

  // Volatile sources are read raw, so their changing pixels never rebuild
  // native data or run tables.
  if (src->isVolatile && !(dd != nullptr && dd->surface != nullptr) && !videoOnly && white) {
    GetSurface();
    if (!LockSurface()) return;
    const SourcePixels pixels(src);
    if (pixels.width == 0) {
      UnlockSurface();
      return;
    }
    DrawVolatile(TargetOf(lockedDesc, *display), pixels, x, y, sr, gDisplayIsRGB);
    UnlockSurface();
    return;
  }

  if (!src->hasPartialAlpha && white) {
    if (dd != nullptr && dd->surface != nullptr && (videoMemory || !dd->videoMemory)) {
      BlitSurface(dd, x, y, sr);
      return;
    }
    if (videoOnly || !SoftwareCanRead(src)) return;
    GetSurface();
    if (!LockSurface()) return;
    BlitSource s = SourceOf(src, *display, false);
    DrawPlain(TargetOf(lockedDesc, *display), s, x, y, sr, src->hasTransparency);
    UnlockSurface();
    return;
  }

  if (videoOnly || !SoftwareCanRead(src)) return;
  GetSurface();
  if (!LockSurface()) return;
  BlitSource s = SourceOf(src, *display, false);
  DrawBlended(TargetOf(lockedDesc, *display), s, x, y, sr, color, false);
  UnlockSurface();
}

void DDImage::DrawImageAdditive(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color) {
  if (source == nullptr) return;
  source->drawn = true;
  if (videoOnly) return;
  MemoryImage* src = dynamic_cast<MemoryImage*>(source);
  if (src == nullptr || display == nullptr || !SoftwareCanRead(src)) return;
  Rect sr = sourceRect;
  if (!ClipBlit(x, y, sr, src->width, src->height, width, height, false)) return;
  GetSurface();
  if (!LockSurface()) return;
  src->ScanAlpha();
  BlitSource s = SourceOf(src, *display, true);
  DrawAdditive(TargetOf(lockedDesc, *display), s, x, y, sr, color, false);
  UnlockSurface();
}

void DDImage::DrawImageMirroredNormal(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color) {
  if (source == nullptr) return;
  source->drawn = true;
  MemoryImage* src = dynamic_cast<MemoryImage*>(source);
  if (src == nullptr || display == nullptr) return;
  src->ScanAlpha();
  if (videoOnly || !SoftwareCanRead(src)) return;
  Rect sr = sourceRect;
  if (!ClipBlit(x, y, sr, src->width, src->height, width, height, true)) return;
  GetSurface();
  if (!LockSurface()) return;
  BlitSource s = SourceOf(src, *display, false);
  DrawBlended(TargetOf(lockedDesc, *display), s, x, y, sr, color, true);
  UnlockSurface();
}

void DDImage::DrawImageMirroredAdditive(Image* source, int32_t x, int32_t y, const Rect& sourceRect,
                                        const Color& color) {
  if (source == nullptr) return;
  source->drawn = true;
  if (videoOnly) return;
  MemoryImage* src = dynamic_cast<MemoryImage*>(source);
  if (src == nullptr || display == nullptr || !SoftwareCanRead(src)) return;
  Rect sr = sourceRect;
  if (!ClipBlit(x, y, sr, src->width, src->height, width, height, true)) return;
  GetSurface();
  if (!LockSurface()) return;
  src->ScanAlpha();
  BlitSource s = SourceOf(src, *display, true);
  DrawAdditive(TargetOf(lockedDesc, *display), s, x, y, sr, color, true);
  UnlockSurface();
}

}  // namespace Kivo
