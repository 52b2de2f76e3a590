// The screen device context: size and depth of the desktop as the display
// device sees it now (the DirectDraw stand-in's current mode). The 3D
// capability test sizes the desktop with it.
#pragma once

#include "platform/WinTypes.h"
#include "platform/Windows.h"

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;

// GetDC(null) is the screen; window device contexts are the screen too.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// HORZRES, VERTRES and BITSPIXEL of the desktop; 0 for anything else.
int GetDeviceCaps(HDC dc, int index);
