// The software cursor: save, draw, restore and move the 80 x 80 area around
// the pointer on the display's surfaces.
#include "image/surface/SoftwareCursor.h"

#include <cstring>

#include "image/surface/DDImage.h"
#include "image/Image.h"
#include "shell/base/Color.h"

namespace Kivo {

namespace {

RECT ToRECT(const Rect& r) { return RECT{r.x, r.y, r.x + r.width, r.y + r.height}; }

bool IsEmptyRect(const Rect& r) { return r.width <= 0 || r.height <= 0; }

// One plain copy; an empty rectangle copies nothing and counts as done.
bool Copy(IDirectDrawSurface* dest, const Rect& destRect, IDirectDrawSurface* source, const Rect& sourceRect) {
  if (IsEmptyRect(destRect) || IsEmptyRect(sourceRect)) return true;
  if (dest == nullptr || source == nullptr) return false;
  DDBLTFX fx;
  std::memset(&fx, 0, sizeof(fx));
  fx.dwSize = sizeof(fx);
  RECT d = ToRECT(destRect);
  RECT s = ToRECT(sourceRect);
  return SUCCEEDED(dest->Blt(&d, source, &s, DDBLT_WAIT, &fx));
}

// Drawing touches the display only once it is fully made: a start that
// failed after the primary but before the cursor surfaces leaves these null.
bool CursorReady(const DDInterface& display) {
  return display.initialized && display.primarySurface != nullptr && display.oldCursorArea != nullptr &&
         display.newCursorArea != nullptr && display.oldCursorAreaImage != nullptr &&
         display.newCursorAreaImage != nullptr;
}

bool IsAnimated(const Image* picture) { return picture->rows > 1; }

// Draws the picture (or one cel) with its top-left at (x, y), cut to the
// target image.
void DrawPicture(DDImage* target, Image* picture, int32_t x, int32_t y, int32_t cel) {
  if (target == nullptr || picture == nullptr) return;
  Rect source(0, 0, picture->width, picture->height);
  if (cel >= 0 && picture->columns > 0) {
    const int32_t w = picture->GetCellWidth(), h = picture->GetCellHeight();
    source = Rect((cel % picture->columns) * w, (cel / picture->columns) * h, w, h);
  }
  const Rect dest = Rect(x, y, source.width, source.height).Intersection(Rect(0, 0, target->width, target->height));
  if (IsEmptyRect(dest)) return;
  source = Rect(source.x + dest.x - x, source.y + dest.y - y, dest.width, dest.height);
  static_cast<Image*>(target)->DrawImage(picture, dest.x, dest.y, source, Color(255, 255, 255, 255), 0);
}

// The picture's top-left inside an area of the given size, and the cel to
// draw. advance: a fresh draw steps the animation; moves keep the cel.
struct Placement {
  int32_t x;
  int32_t y;
  int32_t cel;
};
Placement Place(DDInterface& display, bool advance) {
  Image* picture = display.cursorImage;
  Placement p{(display.cursorAreaWidth - picture->width) / 2, (display.cursorAreaHeight - picture->height) / 2, -1};
  if (IsAnimated(picture)) {
    p.cel = advance ? NextCursorCel(display.cursorFrame, picture->rows) : static_cast<int32_t>(display.cursorFrame);
    p.y = (display.cursorAreaHeight - picture->height / picture->rows) / 2;
  }
  return p;
}

Rect ScreenRect(IDirectDrawSurface* primary) {
  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  if (FAILED(primary->GetSurfaceDesc(&desc))) return Rect();
  return Rect(0, 0, static_cast<int32_t>(desc.dwWidth), static_cast<int32_t>(desc.dwHeight));
}

void ClientOrigin(const DDInterface& display, bool screenCoordinates, int32_t* x, int32_t* y) {
  *x = 0;
  *y = 0;
  RECT client{};
  if (screenCoordinates && display.windowed && DDrawStandIn::ClientArea(display.window, &client)) {
    *x = client.left;
    *y = client.top;
  }
}

// Saves the target part of target into the area part of area; when that
// fails (the target part reaches past the surface), tries once more with
// both cut to the screen.
bool Save(IDirectDrawSurface* area, IDirectDrawSurface* target, CursorRects r, const Rect& screen) {
  if (Copy(area, r.areaPart, target, r.targetPart)) return true;
  const Rect cut = r.targetPart.Intersection(screen);
  const Rect areaCut(r.areaPart.x + (cut.x - r.targetPart.x), r.areaPart.y + (cut.y - r.targetPart.y), cut.width,
                     cut.height);
  return Copy(area, areaCut, target, cut);
}

}  // namespace

CursorRects ComputeCursorRects(int32_t x, int32_t y, int32_t areaWidth, int32_t areaHeight, const Rect& bounds,
                               int32_t originX, int32_t originY) {
  CursorRects r;
  r.area = Rect(x - areaWidth / 2, y - areaHeight / 2, areaWidth, areaHeight);
  r.clip = r.area.Intersection(bounds);
  if (IsEmptyRect(r.clip)) r.clip = Rect();
  r.areaPart = Rect(r.clip.x - r.area.x, r.clip.y - r.area.y, r.clip.width, r.clip.height);
  r.targetPart = Rect(r.clip.x + originX, r.clip.y + originY, r.clip.width, r.clip.height);
  if (IsEmptyRect(r.clip)) r.areaPart = r.targetPart = Rect();
  return r;
}

int32_t NextCursorCel(float& frame, int32_t rows) {
  if (rows <= 1) return -1;
  frame += 0.3f;
  if (static_cast<int32_t>(frame) >= rows) frame = 0.0f;
  return static_cast<int32_t>(frame);
}

void DrawCursor(DDInterface& display, IDirectDrawSurface* target, bool screenCoordinates) {
  if (display.cursorImage == nullptr || !CursorReady(display) || target == nullptr) {
    display.cursorSaved = false;
    return;
  }
  const Rect screen = ScreenRect(display.primarySurface);
  int32_t ox, oy;
  ClientOrigin(display, screenCoordinates, &ox, &oy);
  const CursorRects r = ComputeCursorRects(display.cursorDrawnX, display.cursorDrawnY, display.cursorAreaWidth,
                                           display.cursorAreaHeight, display.presentationRect, ox, oy);
  display.cursorSaved = Save(display.oldCursorArea, target, r, screen);

  if (target == display.drawSurface && !display.is3D && display.screenImage != nullptr) {
    const Placement p = Place(display, true);
    DrawPicture(display.screenImage, display.cursorImage, r.area.x + p.x, r.area.y + p.y, p.cel);
    return;
  }
  Copy(display.newCursorArea, r.areaPart, display.oldCursorArea, r.areaPart);
  const Placement p = Place(display, true);
  DrawPicture(display.newCursorAreaImage, display.cursorImage, p.x, p.y, p.cel);
  Copy(target, r.targetPart, display.newCursorArea, r.areaPart);
}

void RestoreCursorArea(DDInterface& display, IDirectDrawSurface* target, bool screenCoordinates) {
  if (!display.cursorSaved || !CursorReady(display) || target == nullptr) return;
  int32_t ox, oy;
  ClientOrigin(display, screenCoordinates, &ox, &oy);
  const CursorRects r = ComputeCursorRects(display.cursorDrawnX, display.cursorDrawnY, display.cursorAreaWidth,
                                           display.cursorAreaHeight, Rect(0, 0, display.width, display.height), ox, oy);
  Copy(target, r.targetPart, display.oldCursorArea, r.areaPart);
  display.cursorSaved = false;
}

void MoveCursor(DDInterface& display, IDirectDrawSurface* target, bool screenCoordinates, int32_t x, int32_t y) {
  if (display.cursorImage == nullptr || !CursorReady(display) || target == nullptr) {
    display.cursorSaved = false;
    return;
  }
  const int32_t aw = display.cursorAreaWidth, ah = display.cursorAreaHeight;
  const Rect screen = ScreenRect(display.primarySurface);
  int32_t ox, oy;
  ClientOrigin(display, screenCoordinates, &ox, &oy);
  const CursorRects before =
      ComputeCursorRects(display.cursorDrawnX, display.cursorDrawnY, aw, ah, display.presentationRect, ox, oy);
  const CursorRects after = ComputeCursorRects(x, y, aw, ah, display.presentationRect, ox, oy);

  Save(display.newCursorArea, target, after, screen);

  // Where the two areas overlap the pixels just saved show the old cursor:
  // take the true background from the old save, and let the old area show
  // the new cursor there, so restoring it does not wipe the new cursor.
  const int32_t dx = x - display.cursorDrawnX, dy = y - display.cursorDrawnY;
  const Rect overlap = Rect(dx, dy, aw, ah).Intersection(Rect(0, 0, aw, ah));
  const Placement p = Place(display, false);
  if (overlap.width > 0 && overlap.height > 0) {
    Copy(display.newCursorArea, Rect(overlap.x - dx, overlap.y - dy, overlap.width, overlap.height),
         display.oldCursorArea, overlap);
    DrawPicture(display.oldCursorAreaImage, display.cursorImage, dx + p.x, dy + p.y, p.cel);
  }
  Copy(target, before.targetPart, display.oldCursorArea, before.areaPart);
  Copy(display.oldCursorArea, Rect(0, 0, aw, ah), display.newCursorArea, Rect(0, 0, aw, ah));
  DrawPicture(display.newCursorAreaImage, display.cursorImage, p.x, p.y, p.cel);
  Copy(target, after.targetPart, display.newCursorArea, after.areaPart);
  display.cursorDrawnX = x;
  display.cursorDrawnY = y;
}

void SetSoftwareCursorPos(DDInterface& display, int32_t x, int32_t y) {
  display.cursorX = x;
  display.cursorY = y;
  if (display.presenting) return;
  ScopedLock lock(display.displayLock);
  if (display.presenting) return;
  if (display.cursorSaved) {
    MoveCursor(display, display.primarySurface, true, x, y);
  } else {
    display.cursorDrawnX = x;
    display.cursorDrawnY = y;
    DrawCursor(display, display.primarySurface, true);
  }
}

void InstallSoftwareCursor(DDInterface& display) {
  DDInterface* d = &display;
  display.drawCursor = [d](IDirectDrawSurface* surface, int32_t, int32_t) { DrawCursor(*d, surface, false); };
  display.restoreCursorArea = [d](IDirectDrawSurface* surface, int32_t, int32_t) {
    RestoreCursorArea(*d, surface, false);
  };
}

}  // namespace Kivo
