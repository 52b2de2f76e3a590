// The window host of the DirectDraw stand-in over the platform's windows:
// client areas from the window system, frames to the backend's present.
#include "platform/devices/DDraw.h"
#include "platform/Windows.h"

namespace DDrawStandIn {

namespace {

class PlatformWindowHost : public WindowHost {
 public:
  bool ClientArea(HWND window, RECT* area) override {
    RECT client{};
    if (!GetClientRect(window, &client)) return false;
    POINT origin{0, 0};
    if (!ClientToScreen(window, &origin)) return false;
    *area = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    return true;
  }
  void Present(HWND window, const std::uint32_t* pixels, int width, int height, int pitch) override {
    Platform::PresentFrame(window, pixels, width, height, pitch);
  }
  void SetFullScreen(HWND window, bool fullScreen, int width, int height) override {
    // No mode is switched: the window covers the desktop and the backend
    // scales each frame into it.
    if (window == nullptr) return;
    if (fullScreen) {
      MoveWindow(window, 0, 0, width, height, FALSE);
    }
  }
  bool MoveClientArea(HWND window, const RECT& area) override {
    return MoveWindow(window, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE) != FALSE;
  }
};

}  // namespace

void UsePlatformWindows() {
  static PlatformWindowHost host;
  Machine machine = GetMachine();
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (width > 0 && height > 0) {
    machine.desktopWidth = width;
    machine.desktopHeight = height;
  }
  // The real desktop never changes its depth: a 16-bit mode asked by the
  // program is drawn in the desktop's own format, so full screen shows the
  // same colours as a window. A 5-6-5 frame put the soft gradients of the
  // backdrops into steps one 5-bit level wide, which the stretch to the
  // screen made into coarse blocks.
  machine.sixteenBitFormat = machine.desktopFormat;
  Reset(machine);
  SetWindowHost(&host);
}

}  // namespace DDrawStandIn
