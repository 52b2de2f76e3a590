// The screen device context answers from the DirectDraw stand-in's desktop.
#include "platform/devices/ScreenContext.h"

#include "platform/devices/DDraw.h"

namespace {

// The one screen device context; its address is the handle.
int gScreenContext;

}  // namespace

HDC GetDC(HWND) { return &gScreenContext; }

int ReleaseDC(HWND, HDC dc) { return dc == &gScreenContext ? 1 : 0; }

int GetDeviceCaps(HDC dc, int index) {
  if (dc != &gScreenContext) return 0;
  switch (index) {
    case HORZRES: return DDrawStandIn::DesktopWidth();
    case VERTRES: return DDrawStandIn::DesktopHeight();
    case BITSPIXEL: return static_cast<int>(DDrawStandIn::PixelFormatOf(DDrawStandIn::DesktopFormat()).dwRGBBitCount);
    default: return 0;
  }
}
