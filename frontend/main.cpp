// Entry of the game executable.
//
// For now it stands where the shell's start-up will go: it opens the main
// window, shows a frame, pumps the message queue and logs every record that
// reaches the window procedure, and ends on WM_CLOSE. Headless without an
// input script it closes itself after 10 fake seconds; with a script, 10 fake
// seconds after the script's last event, so a run always ends.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr DWORD kIdleLimitMs = 10000;

bool gClosed = false;
HWND gMain = nullptr;
std::vector<std::uint32_t> gFrame(static_cast<size_t>(kWidth) * kHeight);

void PaintFrame() {
  // A plain gradient, so a visible window shows that presenting works.
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      gFrame[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)] =
          0xFF000000u | (static_cast<std::uint32_t>(x * 255 / kWidth) << 16) |
          (static_cast<std::uint32_t>(y * 255 / kHeight) << 8) | 0x40u;
}

void LogRecord(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  char line[160];
  std::snprintf(line, sizeof line, "record window=%lu msg=0x%04X wParam=0x%lX lParam=0x%08lX",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)), message,
                static_cast<unsigned long>(wParam), static_cast<unsigned long>(static_cast<DWORD>(lParam)));
  Platform::Log(line);
}

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LogRecord(window, message, wParam, lParam);
  switch (message) {
    case WM_CLOSE:
      gClosed = true;
      return 0;
    case WM_ENDSESSION:
      gClosed = true;
      return 0;
    case WM_PAINT:
      Platform::PresentFrame(window, gFrame.data(), kWidth, kHeight, kWidth);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Platform::SetCommandLine(argc, argv);
  Platform::SetMainThread();
  Platform::Log(std::string("game ") + KIVO_PRODUCT_VERSION + ", backend " + Platform::BackendName());

  WNDCLASSA windowClass{};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.lpszClassName = "MainWindow";
  if (!RegisterClassA(&windowClass)) {
    Platform::Log("game: cannot register the window class");
    return 1;
  }
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  int x = work.left + (work.right - work.left - kWidth) / 2;
  int y = work.top + static_cast<int>((work.bottom - work.top - kHeight) * 0.382);
  gMain = CreateWindowExA(0, "MainWindow", "Kivo", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, kWidth,
                          kHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!gMain) {
    Platform::Log("game: cannot create the main window");
    return 1;
  }
  PaintFrame();
  ShowWindow(gMain, SW_SHOW);
  Platform::PresentFrame(gMain, gFrame.data(), kWidth, kHeight, kWidth);

  bool headless = Platform::BackendName() == "headless";
  DWORD lastActivity = timeGetTime();
  while (!gClosed) {
    MSG message;
    while (!gClosed && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (headless) {
      if (!Platform::InputScriptFinished()) lastActivity = timeGetTime();
      if (static_cast<DWORD>(timeGetTime() - lastActivity) >= kIdleLimitMs) {
        Platform::Log("game: headless run idle for 10 s; closing");
        break;
      }
    }
    Sleep(10);
  }
  DestroyWindow(gMain);
  return 0;
}
