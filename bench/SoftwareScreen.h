// An 800 x 600 display on the DirectDraw stand-in with no window behind it,
// drawn either through the software 3D device or through the 2-D blitters,
// for the benchmarks that measure whole frames.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "display/D3DInterface.h"
#include "display/DDInterface.h"
#include "image/surface/DDImage.h"
#include "platform/devices/DDraw.h"

namespace benchscreen {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

class NoWindow : public DDrawStandIn::WindowHost {
 public:
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(7));
  bool ClientArea(HWND, RECT* area) override {
    *area = RECT{0, 0, kWidth, kHeight};
    return true;
  }
  void Present(HWND, const uint32_t*, int, int, int) override {}
  void SetFullScreen(HWND, bool, int, int) override {}
  bool MoveClientArea(HWND, const RECT&) override { return true; }
};

struct SoftwareScreen {
  NoWindow host;
  Kivo::DisplayApp app;
  std::unique_ptr<Kivo::DDInterface> display;
  Kivo::DDImage* screen = nullptr;

  explicit SoftwareScreen(bool threeD) {
    DDrawStandIn::Machine machine;
    machine.desktopFormat = DDrawStandIn::Format::kRGB888;
    machine.desktopWidth = 1024;
    machine.desktopHeight = 768;
    DDrawStandIn::Reset(machine);
    DDrawStandIn::SetWindowHost(&host);
    Kivo::InstallDDImageFactory();
    app.width = kWidth;
    app.height = kHeight;
    app.colorDepth = 32;
    display = std::make_unique<Kivo::DDInterface>(&app);
    display->is3D = threeD;
    if (display->Init(host.window, true) != 0) std::fprintf(stderr, "bench: the display did not start\n");
    screen = display->GetScreenImage();
  }
  ~SoftwareScreen() {
    display.reset();
    DDrawStandIn::SetWindowHost(nullptr);
    DDrawStandIn::Reset();
  }
  // Ends the frame's drawing (the 3D device draws its batch).
  void Finish() {
    if (display->is3D && display->renderer != nullptr) display->renderer->Flush();
  }
};

}  // namespace benchscreen
