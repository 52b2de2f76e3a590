// A helper program for the platform tests that need a second process or a
// real display. Modes:
//   registry-get KEYPATH NAME      prints "type=T size=N bytes=HEX" or "missing"
//   instance PRODUCT WAIT_MS       single-instance roles (see below)
//   sdl2-input                     opens a window under X, drives it with
//                                  xdotool and prints the records it gets
//   backend                        prints the backend the environment chooses
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/Platform.h"

namespace {

LRESULT QuietProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

int RegistryGet(const char* keyPath, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    std::printf("missing key\n");
    return 0;
  }
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    std::printf("missing\n");
    RegCloseKey(key);
    return 0;
  }
  std::string bytes(size, '\0');
  DWORD got = size;
  RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &got);
  RegCloseKey(key);
  std::printf("type=%u size=%u bytes=", type, got);
  for (unsigned char c : bytes) std::printf("%02x", c);
  std::printf("\n");
  return 0;
}

// The first instance prints "first window=W notify=ID", pumps until the notify
// message arrives (printing "notify window=W msg=ID w=.. l=..") or WAIT_MS
// passes. A later instance broadcasts, prints "second" and exits 0, as the
// shell's start-up does.
int Instance(const std::string& product, int waitMs) {
  Platform::StartBackend("headless");
  std::wstring wide(product.begin(), product.end());
  UINT notify = RegisterClipboardFormatW((L"Notify" + wide).c_str());
  HANDLE mutex = CreateMutexW(nullptr, TRUE, (wide + L"Mutex").c_str());
  if (!mutex) {
    std::printf("no mutex\n");
    return 2;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    PostMessageA(HWND_BROADCAST, notify, 0, 0);
    std::printf("second\n");
    return 0;
  }
  WNDCLASSA cls{};
  cls.lpfnWndProc = QuietProc;
  cls.lpszClassName = "MainWindow";
  RegisterClassA(&cls);
  HWND main = CreateWindowExA(0, "MainWindow", "probe", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
  std::printf("first window=%lu notify=0x%X\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(main)),
              notify);
  std::fflush(stdout);
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (std::chrono::steady_clock::now() < until) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == notify) {
        std::printf("notify window=%lu msg=0x%X w=%lu l=%ld\n",
                    static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(m.hwnd)), m.message,
                    static_cast<unsigned long>(m.wParam), static_cast<long>(m.lParam));
        std::fflush(stdout);
        return 0;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("timeout\n");
  return waitMs > 0 ? 1 : 0;
}

HWND gWindow = nullptr;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::printf("msg=0x%04X w=0x%lX l=0x%08lX\n", message, static_cast<unsigned long>(wParam),
              static_cast<unsigned long>(static_cast<DWORD>(lParam)));
  return DefWindowProcA(window, message, wParam, lParam);
}

void PumpFor(int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::fflush(stdout);
}

void Step(const char* label, const std::string& command) {
  std::printf("step %s\n", label);
  std::fflush(stdout);
  if (std::system(command.c_str()) != 0) std::printf("xdotool failed: %s\n", command.c_str());
  PumpFor(700);
}

int Sdl2Input() {
  if (!Platform::StartBackend("sdl2")) {
    std::printf("no sdl2\n");
    return 3;
  }
  WNDCLASSA cls{};
  cls.style = CS_DBLCLKS;
  cls.lpfnWndProc = RecordingProc;
  cls.lpszClassName = "MainWindow";
  RegisterClassA(&cls);
  gWindow = CreateWindowExA(0, "MainWindow", "kivo-probe", WS_POPUP | WS_CAPTION, 100, 50, 640, 480, nullptr, nullptr,
                            nullptr, nullptr);
  ShowWindow(gWindow, SW_SHOW);
  std::vector<std::uint32_t> frame(640 * 480, 0xFF204080u);
  Platform::PresentFrame(gWindow, frame.data(), 640, 480, 640);
  PumpFor(500);

  // Cursors: a system one and a monochrome one (checker of the four kinds).
  HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
  std::uint8_t andPlane[128], xorPlane[128];
  for (int i = 0; i < 128; ++i) {
    andPlane[i] = static_cast<std::uint8_t>(i % 8 < 4 ? 0x00 : 0xFF);
    xorPlane[i] = static_cast<std::uint8_t>(i % 2 ? 0xFF : 0x00);
  }
  HCURSOR mono = CreateCursor(nullptr, 11, 4, 32, 32, andPlane, xorPlane);
  SetCursor(hand);
  std::printf("cursor system %s\n", GetCursor() == hand ? "set" : "not set");
  SetCursor(mono);
  std::printf("cursor mono %s\n", GetCursor() == mono ? "set" : "not set");
  RECT client{};
  GetClientRect(gWindow, &client);
  std::printf("client %ld %ld\n", static_cast<long>(client.right), static_cast<long>(client.bottom));

  std::printf("begin\n");
  Step("move", "xdotool mousemove 110 70");
  Step("click", "xdotool click 1");
  Step("double", "xdotool click --repeat 2 --delay 60 1");
  Step("wheel", "xdotool click 5");
  Step("altenter", "xdotool key alt+Return");
  Step("a", "xdotool type a");
  Step("eacute", "LC_ALL=C.UTF-8 xdotool type --delay 150 \xC3\xA9");
  std::printf("end\n");
  std::fflush(stdout);
  DestroyWindow(gWindow);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Platform::SetMainThread();
  if (argc >= 4 && std::strcmp(argv[1], "registry-get") == 0) return RegistryGet(argv[2], argv[3]);
  if (argc >= 4 && std::strcmp(argv[1], "instance") == 0) return Instance(argv[2], std::atoi(argv[3]));
  if (argc >= 2 && std::strcmp(argv[1], "sdl2-input") == 0) return Sdl2Input();
  if (argc >= 2 && std::strcmp(argv[1], "backend") == 0) {
    std::printf("backend %s\n", Platform::BackendName().c_str());
    return 0;
  }
  std::fprintf(stderr, "usage: probe registry-get KEY NAME | instance PRODUCT WAIT_MS | sdl2-input | backend\n");
  return 2;
}
