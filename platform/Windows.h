// Windows, their procedures, the message queue and the desktop.
//
// Window handles are small integers, never reused in a process. Windows keep
// client positions and sizes: decorations belong to the host, so
// AdjustWindowRect leaves the rectangle as it is and a window's position is
// the screen position of its client area. A window of zero size (the
// invisible window) has no host window.
//
// Dispatch follows Windows: what Windows sends synchronously enters the
// procedure at once (CreateWindowEx -> WM_CREATE, MoveWindow -> WM_MOVE, an
// activating show or SetForegroundWindow -> WM_ACTIVATEAPP 1, WM_NCACTIVATE 1,
// WM_ACTIVATE 1, DestroyWindow -> WM_DESTROY); everything else is posted and
// leaves PeekMessageA in order. PeekMessageA also pumps: host or scripted
// input, the end-of-session signal, the single-instance socket and due timers
// become records first. TranslateMessage does nothing: characters are posted
// right after their key-down. Key records with code 0 or 0xFF are never
// queued, whoever posts them, because the key tables behind them hold 0..254.
//
// Threads: every call here belongs to the main thread, except GetCursorPos,
// ClientToScreen, ScreenToClient, WindowFromPoint and PostMessageA, which
// read or append state under a lock and never touch the host window system.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Messages.h"
#include "platform/WinTypes.h"

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef WORD ATOM;
typedef void* HICON;
typedef void* HDC;
typedef void* HBRUSH;
typedef void* HMENU;
typedef std::uintptr_t UINT_PTR;

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
};

struct WNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const wchar_t* lpszMenuName;
  const wchar_t* lpszClassName;
};

struct WINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

// Class and window styles.
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_MINIMIZE = 0x20000000u;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000u;
constexpr DWORD WS_MAXIMIZE = 0x01000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_THICKFRAME = 0x00040000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000u;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000u;
constexpr DWORD WS_EX_TOPMOST = 0x00000008u;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Window data indexes. GWL_USERDATA holds a full pointer here.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;
constexpr int GWLP_USERDATA = -21;

// ShowWindow commands and placement states.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// PeekMessage.
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xFFFF)))

// GetSystemMetrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_TABLETPC = 86;

// SystemParametersInfoA.
constexpr UINT SPI_GETSCREENSAVETIMEOUT = 14;
constexpr UINT SPI_GETSCREENSAVEACTIVE = 16;
constexpr UINT SPI_GETWORKAREA = 48;
constexpr UINT SPI_SCREENSAVERRUNNING = 97;
constexpr UINT SPI_GETSCREENSAVERRUNNING = 114;

ATOM RegisterClassA(const WNDCLASSA* windowClass);
ATOM RegisterClassW(const WNDCLASSW* windowClass);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
HWND CreateWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
HWND GetActiveWindow();
HWND SetFocus(HWND window);
HWND GetFocus();
BOOL SetWindowTextA(HWND window, const char* text);
BOOL SetWindowTextW(HWND window, const wchar_t* text);
LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
BOOL GetCursorPos(POINT* point);
HWND WindowFromPoint(POINT point);
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HICON LoadIconA(HINSTANCE instance, const char* name);
int GetSystemMetrics(int index);
BOOL SystemParametersInfoA(UINT action, UINT param, void* data, UINT winIni);

BOOL PeekMessageA(MSG* message, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
// HWND_BROADCAST reaches every top-level window of this process and, for a
// registered message, the first instance holding a named mutex this process
// asked for (see SingleInstance.h).
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Alt+F4 (WM_SYSKEYDOWN with VK_F4) posts WM_CLOSE; everything else does
// nothing and returns 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// One WM_TIMER (wParam = id) at a pump where the interval has passed since
// the last one; a late pump never produces a backlog.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT interval, void* callback);
BOOL KillTimer(HWND window, UINT_PTR id);

namespace Platform {

// The window that host and scripted input goes to: the most recently created
// live window that has a size (so not the invisible window); null if none.
HWND MainWindow();

// Shows a width x height frame of 0xAARRGGBB pixels (rows `pitch` pixels
// apart) in the window's client area. Main thread.
bool PresentFrame(HWND window, const std::uint32_t* pixels, int width, int height, int pitch);

// The name of the backend in use: "sdl2" or "headless". The first platform
// call that needs a backend chooses it (see Platform.h).
std::string BackendName();

// Starts the named backend now ("headless" or "sdl2"), replacing the current
// one and forgetting all windows, queued records and timers. False when the
// backend cannot start (the previous one is then headless). For tests and
// for the program's entry.
bool StartBackend(const std::string& name);

}  // namespace Platform
