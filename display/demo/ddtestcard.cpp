// ddtestcard: draws a test card through the display's screen image (fills,
// keyed and partial-alpha sprites, lines, rotated and stretched draws),
// presents it in a window at (100, 50) and saves or checks the result.
//
//   ddtestcard [--backend headless|sdl2] [--format 565|555|888] [--out card.png]
//              [--expect-fb DIR]
//
// --out saves the presented frame as a PNG (headless backend). --expect-fb
// reads the X server's framebuffer file DIR/Xvfb_screen0 (Xvfb -fbdir) and
// compares the window's pixels with the frame the display presented; exit
// code 3 on a difference. Exit code 1 on a usage or start-up error, 2 when
// the display fails.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "display/DDInterface.h"
#include "display/demo/TestCard.h"
#include "display/demo/WindowDump.h"
#include "image/surface/DDImage.h"
#include "platform/devices/DDraw.h"
#include "platform/Headless.h"
#include "platform/Windows.h"

namespace {

LRESULT CALLBACK_Proc(HWND window, UINT message, WPARAM w, LPARAM l) { return DefWindowProcA(window, message, w, l); }

}  // namespace

int main(int argc, char** argv) {
  std::string backend = "headless";
  std::string format = "888";
  std::string out;
  std::string fbdir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--backend" && i + 1 < argc) {
      backend = argv[++i];
    } else if (arg == "--format" && i + 1 < argc) {
      format = argv[++i];
    } else if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (arg == "--expect-fb" && i + 1 < argc) {
      fbdir = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: ddtestcard [--backend headless|sdl2] [--format 565|555|888] [--out card.png] "
                   "[--expect-fb DIR]\n");
      return 1;
    }
  }
  if (format != "565" && format != "555" && format != "888") {
    std::fprintf(stderr, "ddtestcard: unknown format %s\n", format.c_str());
    return 1;
  }
  if (!Platform::StartBackend(backend)) {
    std::fprintf(stderr, "ddtestcard: the %s backend does not start\n", backend.c_str());
    return 1;
  }
  WNDCLASSA cls{};
  cls.lpfnWndProc = CALLBACK_Proc;
  cls.lpszClassName = "MainWindow";
  RegisterClassA(&cls);
  HWND window =
      CreateWindowExA(0, "MainWindow", "ddtestcard", WS_POPUP, 100, 50, 320, 240, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "ddtestcard: no window\n");
    return 1;
  }
  ShowWindow(window, SW_SHOW);

  DDrawStandIn::UsePlatformWindows();
  DDrawStandIn::Machine machine = DDrawStandIn::GetMachine();
  machine.desktopFormat = format == "565"   ? DDrawStandIn::Format::kRGB565
                          : format == "555" ? DDrawStandIn::Format::kRGB555
                                            : DDrawStandIn::Format::kRGB888;
  DDrawStandIn::Reset(machine);

  Kivo::DisplayApp app;
  app.width = 320;
  app.height = 240;
  int status = 0;
  {
    Kivo::DDInterface display(&app);
    const int32_t result = display.Init(window, true);
    if (result != 0) {
      std::fprintf(stderr, "ddtestcard: %s %s\n", Kivo::DDInterface::ResultToString(result).c_str(),
                   display.lastError.c_str());
      return 2;
    }
    // Let the window appear before the frame goes to it.
    for (int i = 0; i < 20; ++i) {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Kivo::DrawTestCard(display, 0, 0);
    if (!display.Redraw(nullptr)) {
      std::fprintf(stderr, "ddtestcard: present failed: %s\n", display.lastError.c_str());
      return 2;
    }
    // What was presented: the client area of the virtual desktop.
    std::vector<uint32_t> desktop(static_cast<size_t>(DDrawStandIn::DesktopWidth()) *
                                  static_cast<size_t>(DDrawStandIn::DesktopHeight()));
    DDrawStandIn::CopyDesktop(desktop.data());
    RECT client{};
    DDrawStandIn::ClientArea(window, &client);
    std::vector<uint32_t> frame(320u * 240u);
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x)
        frame[static_cast<size_t>(y * 320 + x)] =
            desktop[static_cast<size_t>(client.top + y) * static_cast<size_t>(DDrawStandIn::DesktopWidth()) +
                    static_cast<size_t>(client.left + x)];

    if (!out.empty() && backend == "headless" && !Platform::SaveLastFrameAsPng(out)) {
      std::fprintf(stderr, "ddtestcard: cannot save %s\n", out.c_str());
      status = 1;
    }
    if (!fbdir.empty()) {
      for (int i = 0; i < 30; ++i) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        display.Redraw(nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      std::vector<uint32_t> shown;
      std::string error;
      if (!Kivo::ReadWindowDumpArea(fbdir + "/Xvfb_screen0", client.left, client.top, 320, 240, &shown, &error)) {
        std::fprintf(stderr, "ddtestcard: %s\n", error.c_str());
        return 1;
      }
      size_t differ = 0;
      for (size_t i = 0; i < frame.size(); ++i)
        if (frame[i] != shown[i]) ++differ;
      std::printf("window at %ld,%ld: %zu of %zu pixels differ\n", static_cast<long>(client.left),
                  static_cast<long>(client.top), differ, frame.size());
      if (differ != 0) status = 3;
    }
  }
  DestroyWindow(window);
  return status;
}
