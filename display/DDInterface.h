// The DirectDraw display of the one main window.
//
// DDInterface owns the DirectDraw objects, the primary surface, the
// off-screen draw buffer every frame is drawn into, the window clipper, two
// small cursor surfaces, the screen image that widgets draw through, and the
// 3D renderer. Init (re)creates everything for a windowed or full-screen,
// 16- or 32-bit display, with aspect correction, and reports a result code
// (see Result); Redraw presents the draw buffer by blit or flip. Its base
// NativeDisplay holds the pixel format every software blitter packs into.
//
// The display lock (displayLock) is the one lock that serialises present,
// cursor moves, surface and texture creation and image registration; it is
// re-entrant.
//
// Failures: every failed DirectDraw call of Init or Redraw leaves "call:
// error name" in lastError; nothing is retried here. A display that is not 16
// or 32 bits per pixel refuses every surface (DDERR_INVALIDPIXELFORMAT).
//
// The surface-backed image class lives in the image library, which builds on
// this one; the display makes its screen and cursor-area images through the
// SurfaceImageFactory that library installs.
//
// Layer: display uses image (in-memory images, the pixel format) and
// platform/devices (DirectDraw, Direct3D) and what they use. The
// surface-backed images above it (image/surface/) install the factory
// through which the display makes its own images.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "image/NativeDisplay.h"
#include "platform/devices/DDraw.h"
#include "shell/base/Fraction.h"
#include "shell/base/Lock.h"
#include "shell/base/Rect.h"

namespace Kivo {

class DDImage;
class Image;
class MemoryImage;

// What the display reads of the application object, and the one hook it
// calls. The application object derives from it.
class DisplayApp {
 public:
  virtual ~DisplayApp() = default;

  int32_t width = 640;
  int32_t height = 480;
  uint32_t colorDepth = 16;
  Fraction hackAspect{4, 3};
  bool aspectHack = false;       // widen narrow windows to hackAspect
  bool stretchToAspect = false;  // draw at the widened size instead of bars
  Rect presentationRect;         // copy of the display's
  bool autoTest3D = false;       // switch 3D on when the test passes
  bool test3D = false;           // run the 3D test
  int32_t minVideoMemoryMB = 0;
  int32_t recommendedVideoMemoryMB = 0;
  bool refreshRateUnreliable = false;
  bool fullScreenPageFlip = true;
  bool modalBoxShown = false;  // a system message box is up

  // The 3D test produced a new verdict.
  virtual void OnTest3DPerformed() {}
};

// Makes and deletes the display's own images (screen and cursor areas),
// attached to a surface the display owns.
struct SurfaceImageFactory {
  DDImage* (*attach)(DDInterface* display, IDirectDrawSurface* surface, bool videoOnly) = nullptr;
  void (*destroy)(DDImage* image) = nullptr;
};
void SetSurfaceImageFactory(const SurfaceImageFactory& factory);

// True when the primary surface's channels run red, green, blue from the
// high bits down; the fast blit paths consult it.
extern bool gDisplayIsRGB;

class DDInterface : public NativeDisplay {
 public:
  enum Result : int32_t {
    RESULT_OK = 0,
    RESULT_FAIL = 1,
    RESULT_DD_CREATE_FAIL = 2,
    RESULT_SURFACE_FAIL = 3,
    RESULT_EXCLUSIVE_FAIL = 4,
    RESULT_DISPCHANGE_FAIL = 5,
    RESULT_INVALID_COLORDEPTH = 6,
    RESULT_3D_FAIL = 7,
  };

  DisplayApp* app;
  std::unique_ptr<D3DInterface> renderer;
  std::unique_ptr<D3DTester> tester;
  // Makes the tester when the application asks for the 3D test; without
  // one the test cannot run and RunTest3D reports false.
  std::function<std::unique_ptr<D3DTester>()> testerFactory;
  bool is3D = false;
  CriticalSection displayLock;
  // Read by the cursor thread without the lock.
  std::atomic<bool> presenting{false};

  IDirectDraw* directDraw = nullptr;
  IDirectDraw7* directDraw7 = nullptr;
  IDirectDrawSurface* primarySurface = nullptr;
  IDirectDrawSurface* secondarySurface = nullptr;
  IDirectDrawSurface* drawSurface = nullptr;

  int32_t width = 0;
  int32_t height = 0;
  Fraction aspect;
  uint32_t desktopWidth = 0;
  uint32_t desktopHeight = 0;
  Fraction desktopAspect;
  bool aspectCorrected = false;
  int32_t displayWidth = 0;
  int32_t displayHeight = 0;
  Fraction displayAspect;
  Rect presentationRect;
  uint32_t colorDepth = 0;
  uint32_t refreshRate = 60;
  uint32_t millisPerRefresh = 16;
  std::vector<int32_t> redClamp;
  std::vector<int32_t> greenClamp;
  std::vector<int32_t> blueClamp;
  bool initialized = false;
  HWND window = nullptr;
  bool windowed = true;
  DDImage* screenImage = nullptr;
  std::set<DDImage*> images;
  bool videoOnlyDraw = false;
  int32_t initCount = 0;

  int32_t cursorAreaWidth = 80;
  int32_t cursorAreaHeight = 80;
  std::atomic<int32_t> cursorX{0};  // wanted position, set by the cursor thread
  std::atomic<int32_t> cursorY{0};
  int32_t cursorDrawnX = 0;
  int32_t cursorDrawnY = 0;
  Image* cursorImage = nullptr;
  float cursorFrame = 0.0f;
  bool cursorSaved = false;
  IDirectDrawSurface* oldCursorArea = nullptr;
  IDirectDrawSurface* newCursorArea = nullptr;
  DDImage* oldCursorAreaImage = nullptr;
  DDImage* newCursorAreaImage = nullptr;

  std::string lastError;

  explicit DDInterface(DisplayApp* owner);
  DDInterface(const DDInterface&) = delete;
  DDInterface& operator=(const DDInterface&) = delete;
  ~DDInterface() override;

  int32_t Init(HWND window, bool windowed);
  // True when result is a failure; lastError then names the call.
  bool CheckResult(HRESULT result, const char* callName);
  static std::string ResultToString(int32_t code);
  bool RunTest3D(HWND window);
  void SetVideoOnlyDraw(bool on);
  DDImage* GetScreenImage() { return screenImage; }

  // Surfaces, present and the image registry.
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface** out);
  void ClearSurface(IDirectDrawSurface* surface);
  void ReleaseSurfaces();
  bool Redraw(const Rect* rect);
  void AddImage(DDImage* image);
  void RemoveImage(DDImage* image);
  void RemoveImageTexture(MemoryImage* image);

  // The software cursor's hooks: the cursor issue fills these in. Until then
  // the frame is presented without a cursor and nothing is saved.
  std::function<void(IDirectDrawSurface* surface, int32_t x, int32_t y)> drawCursor;
  std::function<void(IDirectDrawSurface* surface, int32_t x, int32_t y)> restoreCursorArea;

  // The software cursor's image (null: no software cursor), replaced under
  // the display lock; true when it changed.
  bool SetCursorImage(Image* image);

  // Narrower-aspect rule: true when a is narrower than target.
  static bool IsNarrower(const Fraction& a, const Fraction& target);

 private:
  void DestroyImage(DDImage*& image);
  DDImage* MakeAttachedImage(IDirectDrawSurface* surface, bool videoOnly);
  void AnalyseFormat(const DDPIXELFORMAT& format);
  static void BuildClamp(std::vector<int32_t>& table, int32_t bits);
  bool CreateClipper(const char* callName);
  // The steps of Init, in order; each returns RESULT_OK or the failure.
  int32_t CreateDirectDraw(HRESULT& createResult);
  void TakeRequestedMode(HWND newWindow, bool newWindowed);
  int32_t InitWindowed(DWORD surfaceCaps3D, DWORD drawCaps);
  int32_t InitFullScreen(DWORD surfaceCaps3D, DWORD drawCaps);
  int32_t CreateDrawSurfaceAndClipper(DWORD drawCaps, const char* surfaceCall, const char* clipperCall);
  void MeasureRefreshRate();
  int32_t CreateCursorAreas();
  int32_t ReadPixelFormat();

  DirectDrawCreateExProc createEx_ = nullptr;
  DirectDrawCreateProc create_ = nullptr;
};

}  // namespace Kivo
