// Windows, the message queue, dispatch, timers and desktop queries.
#include "platform/Windows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/Text.h"
#include "platform/WindowSystem.h"

namespace {

struct ClassInfo {
  WNDPROC proc = nullptr;
  UINT style = 0;
};

struct Window {
  std::string className;
  WNDPROC proc = nullptr;
  UINT classStyle = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR userData = 0;
  std::string title;  // UTF-8
  int x = 0, y = 0, width = 0, height = 0;
  bool visible = false;
  bool minimized = false;
  bool maximized = false;
  RECT normal{0, 0, 0, 0};
  bool fullScreen = false;
  bool host = false;
  std::uint64_t order = 0;
};

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT interval;
  DWORD last;
};

struct System {
  std::recursive_mutex mutex;
  std::map<std::string, ClassInfo> classes;  // keyed by lower-case name
  std::map<std::uintptr_t, Window> windows;
  std::uintptr_t nextHandle = 1;
  std::uint64_t nextOrder = 1;
  std::deque<MSG> queue;
  std::vector<Timer> timers;
  HWND active = nullptr;
  HWND focus = nullptr;
  HWND capture = nullptr;
  int cursorX = 0, cursorY = 0;
  std::unique_ptr<Platform::Backend> backend;
  Platform::InputTranslator translator;
};

System& Sys() {
  static System* system = new System;  // lives to exit: detached threads may still ask
  return *system;
}

std::uintptr_t Id(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }
HWND Handle(std::uintptr_t id) { return reinterpret_cast<HWND>(id); }

Window* Find(HWND window) {
  auto it = Sys().windows.find(Id(window));
  return it == Sys().windows.end() ? nullptr : &it->second;
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::unique_ptr<Platform::Backend> ChooseBackend() {
  std::string wanted = Platform::EnvironmentValue("GAME_BACKEND");
  bool tryHost = wanted == "sdl2" || (wanted.empty() && (!Platform::EnvironmentValue("DISPLAY").empty() ||
                                                         !Platform::EnvironmentValue("WAYLAND_DISPLAY").empty()));
  if (!wanted.empty() && wanted != "sdl2" && wanted != "headless")
    Platform::Log("platform: unknown GAME_BACKEND \"" + wanted + "\"; using headless");
  if (tryHost) {
    if (auto sdl = Platform::CreateSdl2Backend()) return sdl;
    if (wanted == "sdl2") {
      // Asked for by name: running headless instead would hide the problem.
      const std::string text =
          "GAME_BACKEND=sdl2, but SDL2 could not open a display (check DISPLAY or WAYLAND_DISPLAY); "
          "unset GAME_BACKEND to run headless";
      Platform::Log("platform: " + text);
      std::fprintf(stderr, "%s\n", text.c_str());
      std::exit(1);
    }
    Platform::Log("platform: SDL video did not start; using the headless backend");
  }
  return Platform::CreateHeadlessBackend();
}

void DestroyAllWindowsQuietly() {
  System& s = Sys();
  if (s.backend)
    for (auto& [id, w] : s.windows)
      if (w.host) s.backend->DestroyHostWindow(Handle(id));
  s.windows.clear();
  s.queue.clear();
  s.timers.clear();
  s.active = s.focus = s.capture = nullptr;
}

void FirePendingTimers() {
  System& s = Sys();
  DWORD now = timeGetTime();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  for (Timer& t : s.timers) {
    if (static_cast<DWORD>(now - t.last) < t.interval) continue;
    t.last = now;
    bool pending = std::any_of(s.queue.begin(), s.queue.end(), [&](const MSG& m) {
      return m.hwnd == t.window && m.message == WM_TIMER && m.wParam == t.id;
    });
    if (!pending) Platform::PostRecord(t.window, WM_TIMER, t.id, 0);
  }
}

void Pump() {
  System& s = Sys();
  Platform::Backend& backend = Platform::ActiveBackend();
  backend.PollEvents(s.translator);
  if (Platform::TakeEndSessionRequest()) {
    HWND main = Platform::MainWindow();
    if (main) Platform::PostRecord(main, WM_ENDSESSION, 1, 0);
  }
  Platform::PollInstanceSocket();
  FirePendingTimers();
}

bool Matches(const MSG& m, HWND window, UINT first, UINT last) {
  if (window && m.hwnd != window) return false;
  if (first == 0 && last == 0) return true;
  return m.message >= first && m.message <= last;
}

void SendActivation(HWND window, bool active) {
  if (active) {
    Platform::SendRecord(window, WM_ACTIVATEAPP, 1, 0);
    Platform::SendRecord(window, WM_NCACTIVATE, 1, 0);
    Platform::SendRecord(window, WM_ACTIVATE, WA_ACTIVE, 0);
  } else {
    Platform::SendRecord(window, WM_NCACTIVATE, 0, 0);
    Platform::SendRecord(window, WM_ACTIVATE, WA_INACTIVE, 0);
    Platform::SendRecord(window, WM_ACTIVATEAPP, 0, 0);
  }
}

// Makes `window` the active one, sending the loss to the previous active
// window and the gain to this one, as Windows does for a foreground change.
void Activate(HWND window) {
  System& s = Sys();
  HWND previous;
  {
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (s.active == window) return;
    previous = s.active;
    s.active = window;
    s.focus = window;
  }
  if (previous && IsWindow(previous)) SendActivation(previous, false);
  SendActivation(window, true);
}

HWND CreateWindowCommon(DWORD exStyle, const std::string& className, const std::string& titleUtf8, DWORD style, int x,
                        int y, int width, int height) {
  System& s = Sys();
  Platform::Backend& backend = Platform::ActiveBackend();
  HWND handle;
  bool fullScreen = (exStyle & WS_EX_TOPMOST) && (style & WS_POPUP) && !(style & WS_CAPTION);
  {
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    auto cls = s.classes.find(LowerAscii(className));
    if (cls == s.classes.end()) {
      SetLastError(1407);  // no such class
      return nullptr;
    }
    if (s.nextHandle == 0xFFFF) ++s.nextHandle;  // never collide with HWND_BROADCAST
    handle = Handle(s.nextHandle++);
    Window w;
    w.className = className;
    w.proc = cls->second.proc;
    w.classStyle = cls->second.style;
    w.style = style;
    w.exStyle = exStyle;
    w.title = titleUtf8;
    w.x = x == CW_USEDEFAULT ? 0 : x;
    w.y = y == CW_USEDEFAULT ? 0 : y;
    w.width = width == CW_USEDEFAULT ? 640 : std::max(0, width);
    w.height = height == CW_USEDEFAULT ? 480 : std::max(0, height);
    w.fullScreen = fullScreen;
    w.normal = RECT{w.x, w.y, w.x + w.width, w.y + w.height};
    w.order = s.nextOrder++;
    s.windows[Id(handle)] = w;
  }
  Window* w = Find(handle);
  if (w->width > 0 && w->height > 0) {
    w->host = backend.CreateHostWindow(handle, titleUtf8, w->x, w->y, w->width, w->height, fullScreen);
    if (!w->host) {
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      s.windows.erase(Id(handle));
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
  }
  Platform::SendRecord(handle, WM_CREATE, 0, 0);
  if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
  return handle;
}

}  // namespace

namespace Platform {

Backend& ActiveBackend() {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (!s.backend) {
    s.backend = ChooseBackend();
    InstallSignalHandlers();
  }
  return *s.backend;
}

std::string BackendName() { return ActiveBackend().Name(); }

bool StartBackend(const std::string& name) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  DestroyAllWindowsQuietly();
  ForgetHostCursors();
  s.backend.reset();
  s.translator.Reset();
  bool ok = true;
  if (name == "sdl2") {
    s.backend = CreateSdl2Backend();
    ok = s.backend != nullptr;
  }
  if (!s.backend) s.backend = CreateHeadlessBackend();
  InstallSignalHandlers();
  return ok && (name == "sdl2" || name == "headless");
}

InputTranslator& Translator() { return Sys().translator; }

HWND MainWindow() {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  HWND best = nullptr;
  std::uint64_t bestOrder = 0;
  for (auto& [id, w] : s.windows) {
    if ((w.width > 0 || w.height > 0) && w.order > bestOrder) {
      best = Handle(id);
      bestOrder = w.order;
    }
  }
  return best;
}

void PostRecord(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The key tables of the callers hold codes 0..254: a code of 0xFF (or any
  // wider value) would index past them, and 0 is no key at all.
  if (IsKeyMessage(message) && (wParam == 0 || wParam >= 0xFF)) return;
  System& s = Sys();
  MSG m{};
  m.hwnd = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = timeGetTime();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  m.pt = POINT{s.cursorX, s.cursorY};
  s.queue.push_back(m);
}

LRESULT SendRecord(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsKeyMessage(message) && (wParam == 0 || wParam >= 0xFF)) return 0;
  WNDPROC proc = nullptr;
  {
    System& s = Sys();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Window* w = Find(window);
    if (w) proc = w->proc;
  }
  return proc ? proc(window, message, wParam, lParam) : 0;
}

bool IsRecordPending(HWND window, UINT message) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return std::any_of(s.queue.begin(), s.queue.end(),
                     [&](const MSG& m) { return m.hwnd == window && m.message == message; });
}

bool WindowClientSize(HWND window, int* width, int* height) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return false;
  *width = w->width;
  *height = w->height;
  return true;
}

bool WindowUsesDoubleClicks(HWND window) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  return w && (w->classStyle & CS_DBLCLKS);
}

void NotePointer(HWND window, int x, int y) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  int originX = w ? w->x : 0, originY = w ? w->y : 0;
  s.cursorX = originX + x;
  s.cursorY = originY + y;
}

bool NoteActivation(HWND window, bool active) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (active) {
    if (s.active == window) return false;
    s.active = window;
    s.focus = window;
    return true;
  }
  if (s.active != window) return false;
  s.active = nullptr;
  s.focus = nullptr;
  return true;
}

void NoteShowState(HWND window, int showCmd, int width, int height) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return;
  w->minimized = showCmd == SW_SHOWMINIMIZED;
  w->maximized = showCmd == SW_SHOWMAXIMIZED;
  if (!w->minimized && width > 0 && height > 0) {
    w->width = width;
    w->height = height;
  }
  if (showCmd == SW_SHOWNORMAL) w->normal = RECT{w->x, w->y, w->x + w->width, w->y + w->height};
}

void NoteMoved(HWND window, int x, int y) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return;
  w->x = x;
  w->y = y;
  if (!w->minimized && !w->maximized) w->normal = RECT{x, y, x + w->width, y + w->height};
}

void PostActivationSequence(HWND window, bool active) {
  if (active) {
    PostRecord(window, WM_ACTIVATEAPP, 1, 0);
    PostRecord(window, WM_NCACTIVATE, 1, 0);
    PostRecord(window, WM_ACTIVATE, WA_ACTIVE, 0);
  } else {
    PostRecord(window, WM_NCACTIVATE, 0, 0);
    PostRecord(window, WM_ACTIVATE, WA_INACTIVE, 0);
    PostRecord(window, WM_ACTIVATEAPP, 0, 0);
  }
}

bool PresentFrame(HWND window, const std::uint32_t* pixels, int width, int height, int pitch) {
  if (!pixels || width <= 0 || height <= 0 || pitch < width) return false;
  {
    System& s = Sys();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!Find(window)) return false;
  }
  return ActiveBackend().Present(window, pixels, width, height, pitch);
}

}  // namespace Platform

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  std::string key = LowerAscii(windowClass->lpszClassName);
  if (s.classes.count(key)) {
    SetLastError(1410);  // class already exists
    return 0;
  }
  s.classes[key] = ClassInfo{windowClass->lpfnWndProc, windowClass->style};
  return static_cast<ATOM>(0xC000 + s.classes.size());
}

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
  if (!windowClass || !windowClass->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string name = Platform::WideToUtf8(windowClass->lpszClassName);
  WNDCLASSA narrow{windowClass->style,
                   windowClass->lpfnWndProc,
                   0,
                   0,
                   windowClass->hInstance,
                   windowClass->hIcon,
                   windowClass->hCursor,
                   windowClass->hbrBackground,
                   nullptr,
                   name.c_str()};
  return RegisterClassA(&narrow);
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, void*) {
  if (!className) return nullptr;
  return CreateWindowCommon(exStyle, className, Platform::NarrowToUtf8(title ? title : ""), style, x, y, width, height);
}

HWND CreateWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, void*) {
  if (!className) return nullptr;
  return CreateWindowCommon(exStyle, Platform::WideToUtf8(className), Platform::WideToUtf8(title ? title : L""), style,
                            x, y, width, height);
}

BOOL DestroyWindow(HWND window) {
  System& s = Sys();
  bool host;
  {
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Window* w = Find(window);
    if (!w) {
      SetLastError(1400);  // invalid window handle
      return FALSE;
    }
    host = w->host;
  }
  Platform::SendRecord(window, WM_DESTROY, 0, 0);
  if (host) Platform::ActiveBackend().DestroyHostWindow(window);
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  s.windows.erase(Id(window));
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return t.window == window; }),
                 s.timers.end());
  if (s.active == window) s.active = nullptr;
  if (s.focus == window) s.focus = nullptr;
  if (s.capture == window) {
    s.capture = nullptr;
    s.backend->SetMouseCapture(false);
  }
  return TRUE;
}

BOOL IsWindow(HWND window) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return Find(window) != nullptr;
}

BOOL IsWindowVisible(HWND window) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  return w && w->visible;
}

BOOL IsIconic(HWND window) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  return w && w->minimized;
}

BOOL ShowWindow(HWND window, int command) {
  System& s = Sys();
  bool wasVisible, host;
  {
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Window* w = Find(window);
    if (!w) return FALSE;
    wasVisible = w->visible;
    host = w->host;
    w->visible = command != SW_HIDE;
    if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE) {
      w->minimized = true;
      w->maximized = false;
    } else if (command == SW_MAXIMIZE) {
      w->maximized = true;
      w->minimized = false;
    } else if (command == SW_RESTORE || command == SW_SHOWNORMAL) {
      w->minimized = false;
      w->maximized = false;
    }
  }
  bool activate = command == SW_SHOW || command == SW_SHOWNORMAL || command == SW_RESTORE || command == SW_MAXIMIZE ||
                  command == SW_SHOWMINIMIZED;
  if (host) Platform::ActiveBackend().ShowHostWindow(window, command, activate);
  if (activate && command != SW_SHOWMINIMIZED) Activate(window);
  return wasVisible ? TRUE : FALSE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
  System& s = Sys();
  bool host, resized;
  {
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Window* w = Find(window);
    if (!w) return FALSE;
    resized = w->width != width || w->height != height;
    w->x = x;
    w->y = y;
    w->width = std::max(0, width);
    w->height = std::max(0, height);
    if (!w->minimized && !w->maximized) w->normal = RECT{x, y, x + w->width, y + w->height};
    host = w->host;
  }
  if (host) Platform::ActiveBackend().MoveHostWindow(window, x, y, width, height);
  Platform::SendRecord(window, WM_MOVE, 0, MAKELPARAM(x, y));
  if (resized) Platform::SendRecord(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
  return TRUE;
}

BOOL SetForegroundWindow(HWND window) {
  bool host;
  {
    System& s = Sys();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Window* w = Find(window);
    if (!w) return FALSE;
    host = w->host;
  }
  if (host) Platform::ActiveBackend().RaiseHostWindow(window);
  Activate(window);
  return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND GetActiveWindow() {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return s.active;
}

HWND SetFocus(HWND window) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  HWND previous = s.focus;
  if (window && !Find(window)) return nullptr;
  s.focus = window;
  return previous;
}

HWND GetFocus() {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return s.focus;
}

BOOL SetWindowTextA(HWND window, const char* text) {
  return SetWindowTextW(window, Platform::Utf8ToWide(Platform::NarrowToUtf8(text ? text : "")).c_str());
}

BOOL SetWindowTextW(HWND window, const wchar_t* text) {
  std::string title = Platform::WideToUtf8(text ? text : L"");
  bool host;
  {
    System& s = Sys();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Window* w = Find(window);
    if (!w) return FALSE;
    w->title = title;
    host = w->host;
  }
  if (host) Platform::ActiveBackend().SetHostTitle(window, title);
  return TRUE;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return 0;
  LONG_PTR previous = 0;
  switch (index) {
    case GWL_USERDATA:
      previous = w->userData;
      w->userData = value;
      break;
    case GWL_STYLE:
      previous = static_cast<LONG_PTR>(w->style);
      w->style = static_cast<DWORD>(value);
      break;
    case GWL_EXSTYLE:
      previous = static_cast<LONG_PTR>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); break;
  }
  return previous;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return 0;
  switch (index) {
    case GWL_USERDATA: return w->userData;
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
  }
}

LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value) { return SetWindowLongPtrA(window, index, value); }
LONG_PTR GetWindowLongA(HWND window, int index) { return GetWindowLongPtrA(window, index); }

BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL) { return rect ? TRUE : FALSE; }
BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect ? TRUE : FALSE; }

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
  if (!placement) return FALSE;
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return FALSE;
  placement->length = sizeof(WINDOWPLACEMENT);
  placement->flags = 0;
  placement->showCmd = w->minimized ? SW_SHOWMINIMIZED : w->maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  placement->rcNormalPosition = w->normal;
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!rect) return FALSE;
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return FALSE;
  *rect = RECT{0, 0, w->width, w->height};
  return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (!rect) return FALSE;
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return FALSE;
  *rect = RECT{w->x, w->y, w->x + w->width, w->y + w->height};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  if (!point) return FALSE;
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return FALSE;
  point->x += w->x;
  point->y += w->y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  if (!point) return FALSE;
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Window* w = Find(window);
  if (!w) return FALSE;
  point->x -= w->x;
  point->y -= w->y;
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  *point = POINT{s.cursorX, s.cursorY};
  return TRUE;
}

HWND WindowFromPoint(POINT point) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  HWND best = nullptr;
  std::uint64_t bestOrder = 0;
  for (auto& [id, w] : s.windows) {
    if (!w.visible || w.minimized) continue;
    if (point.x < w.x || point.y < w.y || point.x >= w.x + w.width || point.y >= w.y + w.height) continue;
    if (w.order > bestOrder) {  // the newest window is on top
      best = Handle(id);
      bestOrder = w.order;
    }
  }
  return best;
}

HWND SetCapture(HWND window) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  HWND previous = s.capture;
  if (!Find(window)) return previous;
  s.capture = window;
  if (s.backend) s.backend->SetMouseCapture(true);
  return previous;
}

BOOL ReleaseCapture() {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (s.capture && s.backend) s.backend->SetMouseCapture(false);
  s.capture = nullptr;
  return TRUE;
}

HWND GetCapture() {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return s.capture;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  if (!paint || !IsWindow(window)) return nullptr;
  *paint = PAINTSTRUCT{};
  paint->hdc = reinterpret_cast<HDC>(Id(window));
  GetClientRect(window, &paint->rcPaint);
  return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

HICON LoadIconA(HINSTANCE, const char*) {
  // Windows carry no icons here; a non-null handle keeps callers' checks happy.
  static int icon;
  return &icon;
}

int GetSystemMetrics(int index) {
  Platform::Backend& backend = Platform::ActiveBackend();
  switch (index) {
    case SM_CXSCREEN: {
      RECT r = backend.Desktop();
      return r.right - r.left;
    }
    case SM_CYSCREEN: {
      RECT r = backend.Desktop();
      return r.bottom - r.top;
    }
    case SM_CXFULLSCREEN: {
      RECT r = backend.WorkArea();
      return r.right - r.left;
    }
    case SM_CYFULLSCREEN: {
      RECT r = backend.WorkArea();
      return r.bottom - r.top;
    }
    case SM_TABLETPC: return 0;
    default: return 0;
  }
}

BOOL SystemParametersInfoA(UINT action, UINT param, void* data, UINT) {
  Platform::Backend& backend = Platform::ActiveBackend();
  switch (action) {
    case SPI_GETWORKAREA:
      if (!data) return FALSE;
      *static_cast<RECT*>(data) = backend.WorkArea();
      return TRUE;
    case SPI_GETSCREENSAVETIMEOUT:
      if (!data) return FALSE;
      *static_cast<int*>(data) = backend.ScreenSaver().timeoutSeconds;
      return TRUE;
    case SPI_GETSCREENSAVEACTIVE:
      if (!data) return FALSE;
      *static_cast<BOOL*>(data) = backend.ScreenSaver().active ? TRUE : FALSE;
      return TRUE;
    case SPI_GETSCREENSAVERRUNNING:
      if (!data) return FALSE;
      *static_cast<BOOL*>(data) = backend.ScreenSaver().running ? TRUE : FALSE;
      return TRUE;
    case SPI_SCREENSAVERRUNNING:
      // Telling the system that a screen saver runs changes nothing here.
      if (data) *static_cast<BOOL*>(data) = FALSE;
      (void)param;
      return TRUE;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
}

BOOL PeekMessageA(MSG* message, HWND window, UINT first, UINT last, UINT remove) {
  if (!message) return FALSE;
  if (Platform::IsMainThread()) Pump();
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    *message = *it;
    if (remove & PM_REMOVE) s.queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
  if (!message || !message->hwnd) return 0;
  return Platform::SendRecord(message->hwnd, message->message, message->wParam, message->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == HWND_BROADCAST) {
    std::vector<HWND> targets;
    {
      System& s = Sys();
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      for (auto& [id, w] : s.windows) targets.push_back(Handle(id));
    }
    for (HWND target : targets) Platform::PostRecord(target, message, wParam, lParam);
    Platform::SendInstanceBroadcast(message, wParam, lParam);
    return TRUE;
  }
  if (window && !IsWindow(window)) {
    SetLastError(1400);
    return FALSE;
  }
  Platform::PostRecord(window, message, wParam, lParam);
  return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Platform::SendRecord(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_SYSKEYDOWN && wParam == static_cast<WPARAM>(VK_F4)) Platform::PostRecord(window, WM_CLOSE, 0, 0);
  return 0;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT interval, void*) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (!Find(window)) return 0;
  DWORD now = timeGetTime();
  for (Timer& t : s.timers) {
    if (t.window == window && t.id == id) {
      t.interval = interval;
      t.last = now;
      return id;
    }
  }
  s.timers.push_back(Timer{window, id, interval, now});
  return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  System& s = Sys();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  auto it = std::remove_if(s.timers.begin(), s.timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
  bool found = it != s.timers.end();
  s.timers.erase(it, s.timers.end());
  return found ? TRUE : FALSE;
}
