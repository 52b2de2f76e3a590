// The DirectDraw display: Init with aspect correction and format analysis,
// surfaces, present and the image registry (see DDInterface.h).
#include "display/DDInterface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/DirectXErrorNames.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

bool gDisplayIsRGB = false;

namespace {

SurfaceImageFactory& Factory() {
  static SurfaceImageFactory factory;
  return factory;
}

// The display's size and aspect lines go to the debugger output, which this
// system keeps only in debug builds' stderr.
void DebugLine(const std::string& text) {
#ifndef NDEBUG
  if (std::getenv("KIVO_DISPLAY_DEBUG") != nullptr) std::fputs(text.c_str(), stderr);
#else
  (void)text;
#endif
}

template <typename T>
void ReleaseInterface(T*& p) {
  if (p != nullptr) {
    p->Release();
    p = nullptr;
  }
}

DDSURFACEDESC2 Describe(DWORD flags, DWORD caps) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = flags;
  desc.ddsCaps.dwCaps = caps;
  return desc;
}

int32_t LowestBit(uint32_t mask) {
  if (mask == 0) return 0;
  int32_t i = 0;
  while (((mask >> i) & 1u) == 0) ++i;
  return i;
}

int32_t HighestBit(uint32_t mask) {
  int32_t i = -1;
  for (int32_t b = 0; b < 32; ++b)
    if (((mask >> b) & 1u) != 0) i = b;
  return i;
}

}  // namespace

void SetSurfaceImageFactory(const SurfaceImageFactory& factory) { Factory() = factory; }

DDInterface::DDInterface(DisplayApp* owner) : app(owner), renderer(new D3DInterface()) {
  aspect = Fraction(1, 1);
  desktopAspect = Fraction(1, 1);
  displayAspect = Fraction(1, 1);
  refreshRate = 60;
  millisPerRefresh = 1000 / 60;
  createEx_ = reinterpret_cast<DirectDrawCreateExProc>(DDrawStandIn::LookupEntryPoint("DirectDrawCreateEx"));
  create_ = reinterpret_cast<DirectDrawCreateProc>(DDrawStandIn::LookupEntryPoint("DirectDrawCreate"));
}

DDInterface::~DDInterface() { ReleaseSurfaces(); }

std::string DDInterface::ResultToString(int32_t code) {
  switch (code) {
    case RESULT_OK: return "RESULT_OK";
    case RESULT_FAIL: return "RESULT_FAIL";
    case RESULT_DD_CREATE_FAIL: return "RESULT_DD_CREATE_FAIL";
    case RESULT_SURFACE_FAIL: return "RESULT_SURFACE_FAIL";
    case RESULT_EXCLUSIVE_FAIL: return "RESULT_EXCLUSIVE_FAIL";
    case RESULT_DISPCHANGE_FAIL: return "RESULT_DISPCHANGE_FAIL";
    case RESULT_INVALID_COLORDEPTH: return "RESULT_INVALID_COLORDEPTH";
    default: return "RESULT_UNKNOWN";
  }
}

bool DDInterface::CheckResult(HRESULT result, const char* callName) {
  if (result >= 0) return false;
  lastError = FormatText("%s: %s", callName, GetDirectXErrorName(result).c_str());
  return true;
}

bool DDInterface::IsNarrower(const Fraction& a, const Fraction& target) {
  if (a.denominator == 0 || target.denominator == 0) return false;
  const int64_t left = int64_t{a.numerator} * target.denominator / a.denominator;
  if (left < target.numerator) return true;
  return a.numerator < int64_t{target.numerator} * a.denominator / target.denominator;
}

void DDInterface::BuildClamp(std::vector<int32_t>& table, int32_t bits) {
  table.clear();
  if (bits <= 0 || bits > 16) return;
  const int32_t maximum = (1 << bits) - 1;
  table.resize(static_cast<size_t>(2 * maximum + 1));
  for (int32_t i = 0; i <= 2 * maximum; ++i) table[static_cast<size_t>(i)] = i < maximum ? i : maximum;
}

void DDInterface::AnalyseFormat(const DDPIXELFORMAT& format) {
  bitsPerPixel = format.dwRGBBitCount;
  redMask = format.dwRBitMask;
  greenMask = format.dwGBitMask;
  blueMask = format.dwBBitMask;
  redShift = LowestBit(redMask);
  greenShift = LowestBit(greenMask);
  blueShift = LowestBit(blueMask);
  redBits = HighestBit(redMask) - redShift + 1;
  greenBits = HighestBit(greenMask) - greenShift + 1;
  blueBits = HighestBit(blueMask) - blueShift + 1;
  BuildClamp(redClamp, redBits);
  BuildClamp(greenClamp, greenBits);
  BuildClamp(blueClamp, blueBits);
}

DDImage* DDInterface::MakeAttachedImage(IDirectDrawSurface* surface, bool videoOnly) {
  if (Factory().attach == nullptr || surface == nullptr) return nullptr;
  return Factory().attach(this, surface, videoOnly);
}

void DDInterface::DestroyImage(DDImage*& image) {
  if (image != nullptr && Factory().destroy != nullptr) Factory().destroy(image);
  image = nullptr;
}

bool DDInterface::CreateClipper(const char* callName) {
  IDirectDrawClipper* clipper = nullptr;
  if (CheckResult(directDraw->CreateClipper(0, &clipper, nullptr), callName)) return false;
  if (SUCCEEDED(clipper->SetHWnd(0, window))) primarySurface->SetClipper(clipper);
  clipper->Release();
  return true;
}

int32_t DDInterface::Init(HWND newWindow, bool newWindowed) {
  ScopedLock lock(displayLock);
  initialized = false;
  ReleaseSurfaces();

  HRESULT createResult = DD_OK;
  int32_t result = CreateDirectDraw(createResult);
  if (result != RESULT_OK) return result;

  if (RunTest3D(newWindow) && tester != nullptr && tester->newResult && app != nullptr) app->OnTest3DPerformed();

  TakeRequestedMode(newWindow, newWindowed);

  if (create_ != nullptr && createEx_ == nullptr && CheckResult(createResult, "DirectDrawCreate"))
    return RESULT_DD_CREATE_FAIL;

  const DWORD surfaceCaps3D = is3D ? DDSCAPS_3DDEVICE : 0;
  const DWORD drawCaps = is3D ? (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE)
                              : (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
  result = windowed ? InitWindowed(surfaceCaps3D, drawCaps) : InitFullScreen(surfaceCaps3D, drawCaps);
  if (result != RESULT_OK) return result;

  DebugLine(FormatText("Draw buffer is       %4lu x %4lu [%2d:%2d]\n", static_cast<unsigned long>(width),
                       static_cast<unsigned long>(height), aspect.numerator, aspect.denominator));

  MeasureRefreshRate();
  result = CreateCursorAreas();
  if (result != RESULT_OK) return result;
  result = ReadPixelFormat();
  if (result != RESULT_OK) return result;

  SetVideoOnlyDraw(videoOnlyDraw);

  if (is3D && !renderer->Init(this)) {
    lastError = "3D init error: " + renderer->lastError;
    return RESULT_3D_FAIL;
  }
  ++initCount;
  initialized = true;
  return RESULT_OK;
}

// Makes the DirectDraw objects through the entry point the library has. The
// older entry point's result is only checked once the mode is taken.
int32_t DDInterface::CreateDirectDraw(HRESULT& createResult) {
  if (createEx_ != nullptr) {
    void* made = nullptr;
    if (CheckResult(createEx_(nullptr, &made, IID_IDirectDraw7, nullptr), "DirectDrawCreateEx"))
      return RESULT_DD_CREATE_FAIL;
    directDraw7 = static_cast<IDirectDraw7*>(made);
    void* old = nullptr;
    if (CheckResult(directDraw7->QueryInterface(IID_IDirectDraw, &old), "QueryrInterface IID_IDirectDraw"))
      return RESULT_DD_CREATE_FAIL;
    directDraw = static_cast<IDirectDraw*>(old);
  } else if (create_ != nullptr) {
    createResult = create_(nullptr, &directDraw, nullptr);
  } else {
    // A library with neither entry point leaves no way to make DirectDraw.
    lastError = "DirectDrawCreate: no entry point";
    return RESULT_DD_CREATE_FAIL;
  }
  return RESULT_OK;
}

// Takes the window and the size, depth and aspect the application asks for.
void DDInterface::TakeRequestedMode(HWND newWindow, bool newWindowed) {
  window = newWindow;
  width = app != nullptr ? app->width : 640;
  height = app != nullptr ? app->height : 480;
  aspect.Set(width, height);
  desktopWidth = static_cast<uint32_t>(DDrawStandIn::DesktopWidth());
  desktopHeight = static_cast<uint32_t>(DDrawStandIn::DesktopHeight());
  desktopAspect.Set(static_cast<int32_t>(desktopWidth), static_cast<int32_t>(desktopHeight));
  displayWidth = width;
  displayHeight = height;
  displayAspect = aspect;
  presentationRect = Rect(0, 0, width, height);
  if (app != nullptr) app->presentationRect = presentationRect;
  colorDepth = app != nullptr ? app->colorDepth : 16;
  windowed = newWindowed;
  cursorSaved = false;
  aspectCorrected = false;

  DebugLine(FormatText("Application requests %4lu x %4lu [%2d:%2d]\n", static_cast<unsigned long>(width),
                       static_cast<unsigned long>(height), aspect.numerator, aspect.denominator));
}

// A window: the aspect correction of the hack aspect, the primary surface,
// the draw buffer and the clipper.
int32_t DDInterface::InitWindowed(DWORD surfaceCaps3D, DWORD drawCaps) {
  const Fraction hack = app != nullptr ? app->hackAspect : Fraction(4, 3);
  DebugLine(FormatText("Hack aspect is                   [%2d:%2d]\n", hack.numerator, hack.denominator));
  if (app != nullptr && app->aspectHack && hack.denominator != 0 && IsNarrower(aspect, hack)) {
    aspectCorrected = true;
    displayWidth = static_cast<int32_t>(int64_t{height} * hack.numerator / hack.denominator);
    displayHeight = height;
    displayAspect = hack;
    RECT client{};
    if (DDrawStandIn::ClientArea(window, &client)) {
      RECT moved;
      moved.left = client.left - (displayWidth - width) / 2;
      moved.top = client.top - (displayHeight - height) / 2;
      moved.right = moved.left + displayWidth;
      moved.bottom = moved.top + displayHeight;
      const LONG w = moved.right - moved.left;
      const LONG h = moved.bottom - moved.top;
      if (moved.left < 0) moved.left = 0;
      if (moved.top < 0) moved.top = 0;
      moved.right = moved.left + w;
      moved.bottom = moved.top + h;
      DDrawStandIn::MoveClientArea(window, moved);
    }
    if (app->stretchToAspect) {
      width = displayWidth;
      height = displayHeight;
      aspect = displayAspect;
      presentationRect = Rect(0, 0, displayWidth, displayHeight);
    } else {
      presentationRect = Rect((displayWidth - width) / 2, 0, width, height);
    }
  }
  DebugLine(FormatText("Window is            %4lu x %4lu [%2d:%2d]\n", static_cast<unsigned long>(displayWidth),
                       static_cast<unsigned long>(displayHeight), displayAspect.numerator, displayAspect.denominator));
  directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);

  DDSURFACEDESC2 primary = Describe(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | surfaceCaps3D);
  const HRESULT hr = CreateSurface(&primary, &primarySurface);
  if (hr == DDERR_INVALIDPIXELFORMAT) {
    CheckResult(hr, "CreateSurface Windowed Primary");
    return RESULT_INVALID_COLORDEPTH;
  }
  if (CheckResult(hr, "CreateSurface Windowed Primary")) return RESULT_SURFACE_FAIL;

  const int32_t result =
      CreateDrawSurfaceAndClipper(drawCaps, "CreateSurface Windowed DrawSurface", "CreateClipper Windowed");
  if (result != RESULT_OK) return result;
  return RESULT_OK;
}

// Full screen: the aspect correction against the desktop, exclusive mode,
// the display mode, the flipping primary with its back buffer, the draw
// buffer and the clipper.
int32_t DDInterface::InitFullScreen(DWORD surfaceCaps3D, DWORD drawCaps) {
  DebugLine(FormatText("Desktop is           %4lu x %4lu [%2d:%2d]\n", static_cast<unsigned long>(desktopWidth),
                       static_cast<unsigned long>(desktopHeight), desktopAspect.numerator, desktopAspect.denominator));
  if (is3D && IsNarrower(aspect, desktopAspect)) {
    aspectCorrected = true;
    displayWidth = static_cast<int32_t>(desktopWidth);
    displayHeight = static_cast<int32_t>(desktopHeight);
    displayAspect = desktopAspect;
    if (app != nullptr && app->stretchToAspect) {
      aspect = displayAspect;
      width = static_cast<int32_t>(int64_t{height} * aspect.numerator / aspect.denominator);
      presentationRect = Rect(0, 0, displayWidth, displayHeight);
    } else {
      const int32_t w = height != 0 ? static_cast<int32_t>(int64_t{width} * displayHeight / height) : 0;
      presentationRect = Rect((displayWidth - w) / 2, 0, w, displayHeight);
    }
  }
  DebugLine(FormatText("Display is           %4lu x %4lu [%2d:%2d]\n", static_cast<unsigned long>(displayWidth),
                       static_cast<unsigned long>(displayHeight), displayAspect.numerator, displayAspect.denominator));
  if (CheckResult(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
                  "SetCooperativeLevel FullScreen"))
    return RESULT_EXCLUSIVE_FAIL;
  if (CheckResult(
          directDraw->SetDisplayMode(static_cast<DWORD>(displayWidth), static_cast<DWORD>(displayHeight), colorDepth),
          "SetDisplayMode FullScreen"))
    return RESULT_DISPCHANGE_FAIL;

  DDSURFACEDESC2 primary = Describe(DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                                    DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | surfaceCaps3D);
  primary.dwBackBufferCount = 1;
  if (CheckResult(CreateSurface(&primary, &primarySurface), "CreateSurface FullScreen Primary"))
    return RESULT_SURFACE_FAIL;
  DDSCAPS backCaps{DDSCAPS_BACKBUFFER};
  if (CheckResult(primarySurface->GetAttachedSurface(&backCaps, &secondarySurface), "GetAttachedSurface"))
    return RESULT_SURFACE_FAIL;
  if (aspectCorrected) {
    ClearSurface(primarySurface);
    ClearSurface(secondarySurface);
  }
  const int32_t result =
      CreateDrawSurfaceAndClipper(drawCaps, "CreateSurface FullScreen DrawSurface", "CreateClipper FullScreen");
  if (result != RESULT_OK) return result;
  if (app != nullptr && !app->fullScreenPageFlip) directDraw->FlipToGDISurface();
  return RESULT_OK;
}

// The off-screen buffer every frame is drawn into, at the draw size, and the
// window clipper on the primary.
int32_t DDInterface::CreateDrawSurfaceAndClipper(DWORD drawCaps, const char* surfaceCall, const char* clipperCall) {
  DDSURFACEDESC2 draw = Describe(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, drawCaps);
  draw.dwWidth = static_cast<DWORD>(width);
  draw.dwHeight = static_cast<DWORD>(height);
  if (CheckResult(CreateSurface(&draw, &drawSurface), surfaceCall)) return RESULT_SURFACE_FAIL;
  if (!CreateClipper(clipperCall)) return RESULT_FAIL;
  return RESULT_OK;
}

// The monitor's refresh rate, held to 60..100 Hz; a rate outside that (or
// none) is marked unreliable for the application.
void DDInterface::MeasureRefreshRate() {
  DWORD hertz = 0;
  const HRESULT frequency = directDraw->GetMonitorFrequency(&hertz);
  bool unreliable = false;
  if (FAILED(frequency) || hertz < 60) {
    refreshRate = 60;
    unreliable = true;
  } else if (hertz > 100) {
    refreshRate = 100;
    unreliable = true;
  } else {
    refreshRate = hertz;
  }
  if (unreliable && app != nullptr) app->refreshRateUnreliable = true;
  millisPerRefresh = 1000 / refreshRate;
}

// The two system-memory surfaces the cursor thread saves and draws under
// the cursor with.
int32_t DDInterface::CreateCursorAreas() {
  DDSURFACEDESC2 cursor = Describe(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
  cursor.dwWidth = static_cast<DWORD>(cursorAreaWidth);
  cursor.dwHeight = static_cast<DWORD>(cursorAreaHeight);
  if (CheckResult(CreateSurface(&cursor, &oldCursorArea), "CreateSurface OldCursorArea")) return RESULT_SURFACE_FAIL;
  oldCursorAreaImage = MakeAttachedImage(oldCursorArea, false);
  if (CheckResult(CreateSurface(&cursor, &newCursorArea), "CreateSurface NewCursorArea")) return RESULT_SURFACE_FAIL;
  newCursorAreaImage = MakeAttachedImage(newCursorArea, false);
  return RESULT_OK;
}

// The primary surface's pixel format, which every software blitter packs
// into; only 16 and 32 bits per pixel are drawn.
int32_t DDInterface::ReadPixelFormat() {
  DDSURFACEDESC format;
  std::memset(&format, 0, sizeof(format));
  format.dwSize = sizeof(format);
  format.dwFlags = DDSD_PIXELFORMAT | DDSD_WIDTH | DDSD_HEIGHT;
  primarySurface->GetSurfaceDesc(&format);
  if (format.ddpfPixelFormat.dwRGBBitCount != 16 && format.ddpfPixelFormat.dwRGBBitCount != 32) {
    lastError = "GetSurfaceDesc: the display is neither 16 nor 32 bits per pixel";
    return RESULT_INVALID_COLORDEPTH;
  }
  AnalyseFormat(format.ddpfPixelFormat);
  return RESULT_OK;
}

bool DDInterface::RunTest3D(HWND testWindow) {
  if (tester != nullptr) return false;
  if (app == nullptr || (!app->test3D && !app->autoTest3D)) return false;
  if (!testerFactory) return false;
  tester = testerFactory();
  if (tester == nullptr) return false;
  tester->SetVideoMemoryRequirements(app->minVideoMemoryMB, app->recommendedVideoMemoryMB);
  tester->TestIfNeeded(testWindow, directDraw7);
  if (app->autoTest3D && tester->failureReason.empty() && tester->warning.empty()) is3D = true;
  if (!tester->failureReason.empty()) is3D = false;
  if (tester->newResult && (!tester->failureReason.empty() || !tester->warning.empty())) is3D = false;
  return true;
}

void DDInterface::SetVideoOnlyDraw(bool on) {
  ScopedLock lock(displayLock);
  videoOnlyDraw = on;
  if (secondarySurface == nullptr) {
    DDSURFACEDESC2 desc = Describe(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_VIDEOMEMORY);
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    if (FAILED(CreateSurface(&desc, &secondarySurface))) {
      secondarySurface = nullptr;
      videoOnlyDraw = false;
    }
  }
  DestroyImage(screenImage);
  screenImage = MakeAttachedImage(videoOnlyDraw ? secondarySurface : drawSurface, videoOnlyDraw);
}

HRESULT DDInterface::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface** out) {
  ScopedLock lock(displayLock);
  *out = nullptr;
  IDirectDrawSurface* made = nullptr;
  if (directDraw7 != nullptr) {
    IDirectDrawSurface7* surface7 = nullptr;
    const HRESULT hr = directDraw7->CreateSurface(desc, &surface7, nullptr);
    if (FAILED(hr)) return hr;
    void* old = nullptr;
    const HRESULT query = surface7->QueryInterface(IID_IDirectDrawSurface, &old);
    surface7->Release();
    if (FAILED(query)) return query;
    made = static_cast<IDirectDrawSurface*>(old);
  } else if (directDraw != nullptr) {
    DDSURFACEDESC old;
    std::memset(&old, 0, sizeof(old));
    old.dwSize = sizeof(old);
    old.dwFlags = desc->dwFlags;
    old.dwHeight = desc->dwHeight;
    old.dwWidth = desc->dwWidth;
    old.lPitch = desc->lPitch;
    old.dwBackBufferCount = desc->dwBackBufferCount;
    old.dwMipMapCount = desc->dwMipMapCount;
    old.dwAlphaBitDepth = desc->dwAlphaBitDepth;
    old.dwReserved = desc->dwReserved;
    old.lpSurface = desc->lpSurface;
    old.ddpfPixelFormat = desc->ddpfPixelFormat;
    old.ddsCaps.dwCaps = desc->ddsCaps.dwCaps;
    const HRESULT hr = directDraw->CreateSurface(&old, &made, nullptr);
    if (FAILED(hr)) return hr;
  } else {
    return DDERR_NOTINITIALIZED;
  }

  // Every surface takes the display's format, so the primary's decides
  // whether any surface may exist.
  IDirectDrawSurface* primary = primarySurface != nullptr ? primarySurface : made;
  DDSURFACEDESC format;
  std::memset(&format, 0, sizeof(format));
  format.dwSize = sizeof(format);
  format.dwFlags = DDSD_PIXELFORMAT;
  primary->GetSurfaceDesc(&format);
  const DDPIXELFORMAT& pf = format.ddpfPixelFormat;
  gDisplayIsRGB = pf.dwBBitMask < pf.dwGBitMask && pf.dwGBitMask < pf.dwRBitMask;
  if (pf.dwRGBBitCount != 16 && pf.dwRGBBitCount != 32) {
    made->Release();
    return DDERR_INVALIDPIXELFORMAT;
  }
  *out = made;
  return DD_OK;
}

void DDInterface::ClearSurface(IDirectDrawSurface* surface) {
  if (surface == nullptr) return;
  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) return;
  const size_t rowBytes = static_cast<size_t>(desc.ddpfPixelFormat.dwRGBBitCount / 8) * desc.dwWidth;
  uint8_t* row = static_cast<uint8_t*>(desc.lpSurface);
  for (DWORD y = 0; y < desc.dwHeight; ++y, row += desc.lPitch) std::memset(row, 0, rowBytes);
  surface->Unlock(nullptr);
}

void DDInterface::ReleaseSurfaces() {
  ScopedLock lock(displayLock);
  initialized = false;
  if (renderer != nullptr) renderer->ReleaseAllTextures();
  DestroyImage(oldCursorAreaImage);
  DestroyImage(newCursorAreaImage);
  ReleaseInterface(oldCursorArea);
  ReleaseInterface(newCursorArea);
  DestroyImage(screenImage);
  ReleaseInterface(drawSurface);
  ReleaseInterface(secondarySurface);
  ReleaseInterface(primarySurface);
  if (directDraw != nullptr) {
    directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    ReleaseInterface(directDraw);
  }
  ReleaseInterface(directDraw7);
}

bool DDInterface::Redraw(const Rect* rect) {
  ScopedLock lock(displayLock);
  if (!initialized) return false;
  presenting = true;
  DDBLTFX fx;
  std::memset(&fx, 0, sizeof(fx));
  fx.dwSize = sizeof(fx);

  if (is3D) {
    if (!renderer->lastError.empty()) {
      presenting = false;
      is3D = false;
      return false;
    }
    renderer->Flush();
  }

  RECT source;
  RECT dest;
  if (rect == nullptr || aspectCorrected) {
    dest = RECT{presentationRect.x, presentationRect.y, presentationRect.x + presentationRect.width,
                presentationRect.y + presentationRect.height};
    source = RECT{0, 0, width, height};
  } else {
    source = RECT{rect->x, rect->y, rect->x + rect->width, rect->y + rect->height};
    dest = source;
  }
  RECT client{};
  if (windowed && DDrawStandIn::ClientArea(window, &client)) {
    dest.left += client.left;
    dest.right += client.left;
    dest.top += client.top;
    dest.bottom += client.top;
  }

  DDSURFACEDESC probe;
  std::memset(&probe, 0, sizeof(probe));
  probe.dwSize = sizeof(probe);
  if (SUCCEEDED(drawSurface->Lock(nullptr, &probe, DDLOCK_WAIT | DDLOCK_READONLY, nullptr)))
    drawSurface->Unlock(nullptr);

  if (windowed) {
    HRESULT hr;
    if (!videoOnlyDraw) {
      cursorDrawnX = cursorX;
      cursorDrawnY = cursorY;
      if (drawCursor) drawCursor(drawSurface, cursorX, cursorY);
      hr = primarySurface->Blt(&dest, drawSurface, &source, DDBLT_WAIT, &fx);
      if (cursorSaved) {
        if (restoreCursorArea) restoreCursorArea(drawSurface, cursorX, cursorY);
        cursorSaved = true;
      }
    } else {
      cursorDrawnX = cursorX;
      cursorDrawnY = cursorY;
      if (drawCursor) drawCursor(secondarySurface, cursorX, cursorY);
      hr = primarySurface->Blt(&dest, secondarySurface, &source, DDBLT_WAIT, &fx);
    }
    presenting = false;
    return !CheckResult(hr, "Redraw Windowed");
  }

  if (app == nullptr || (app->fullScreenPageFlip && !app->modalBoxShown)) {
    if (!videoOnlyDraw) secondarySurface->Blt(&dest, drawSurface, &source, DDBLT_WAIT, &fx);
    cursorDrawnX = cursorX;
    cursorDrawnY = cursorY;
    if (drawCursor) drawCursor(secondarySurface, cursorX, cursorY);
    const HRESULT hr = primarySurface->Flip(nullptr, DDFLIP_WAIT);
    presenting = false;
    return !CheckResult(hr, "Redraw FullScreen Flip");
  }

  const HRESULT hr = primarySurface->Blt(&dest, drawSurface, &source, DDBLT_WAIT, &fx);
  presenting = false;
  return !CheckResult(hr, "Redraw FullScreen Blt");
}

void DDInterface::AddImage(DDImage* image) {
  ScopedLock lock(displayLock);
  images.insert(image);
}

void DDInterface::RemoveImage(DDImage* image) {
  ScopedLock lock(displayLock);
  images.erase(image);
}

void DDInterface::RemoveImageTexture(MemoryImage* image) {
  if (renderer != nullptr) renderer->RemoveTexture(image);
}

bool DDInterface::SetCursorImage(Image* image) {
  ScopedLock lock(displayLock);
  if (cursorImage == image) return false;
  cursorImage = image;
  return true;
}

}  // namespace Kivo
