// Window message records, message ids, virtual-key codes and the flags that
// travel in them. The numbers are the Windows ones: demo files store records
// and key codes, so they must never change.
#pragma once

#include "platform/WinTypes.h"

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

// Message ids.
constexpr UINT WM_NULL = 0x00;
constexpr UINT WM_CREATE = 0x01;
constexpr UINT WM_DESTROY = 0x02;
constexpr UINT WM_MOVE = 0x03;
constexpr UINT WM_SIZE = 0x05;
constexpr UINT WM_ACTIVATE = 0x06;
constexpr UINT WM_SETFOCUS = 0x07;
constexpr UINT WM_KILLFOCUS = 0x08;
constexpr UINT WM_ENABLE = 0x0A;
constexpr UINT WM_PAINT = 0x0F;
constexpr UINT WM_CLOSE = 0x10;
constexpr UINT WM_QUERYOPEN = 0x13;
constexpr UINT WM_ERASEBKGND = 0x14;
constexpr UINT WM_SYSCOLORCHANGE = 0x15;
constexpr UINT WM_ENDSESSION = 0x16;
constexpr UINT WM_ACTIVATEAPP = 0x1C;
constexpr UINT WM_SETCURSOR = 0x20;
constexpr UINT WM_DISPLAYCHANGE = 0x7E;
constexpr UINT WM_NCACTIVATE = 0x86;
constexpr UINT WM_NCLBUTTONDOWN = 0xA1;
constexpr UINT WM_KEYDOWN = 0x100;
constexpr UINT WM_KEYUP = 0x101;
constexpr UINT WM_CHAR = 0x102;
constexpr UINT WM_SYSKEYDOWN = 0x104;
constexpr UINT WM_SYSKEYUP = 0x105;
constexpr UINT WM_SYSCHAR = 0x106;
constexpr UINT WM_COMMAND = 0x111;
constexpr UINT WM_SYSCOMMAND = 0x112;
constexpr UINT WM_TIMER = 0x113;
constexpr UINT WM_MOUSEMOVE = 0x200;
constexpr UINT WM_LBUTTONDOWN = 0x201;
constexpr UINT WM_LBUTTONUP = 0x202;
constexpr UINT WM_LBUTTONDBLCLK = 0x203;
constexpr UINT WM_RBUTTONDOWN = 0x204;
constexpr UINT WM_RBUTTONUP = 0x205;
constexpr UINT WM_RBUTTONDBLCLK = 0x206;
constexpr UINT WM_MBUTTONDOWN = 0x207;
constexpr UINT WM_MBUTTONUP = 0x208;
constexpr UINT WM_MOUSEWHEEL = 0x20A;
constexpr UINT WM_USER = 0x400;

// WM_SIZE wParam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;
// WM_ACTIVATE wParam.
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
// WM_SETCURSOR hit-test code in the low word of lParam.
constexpr UINT HTCLIENT = 1;
// WM_SYSCOMMAND commands.
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_NEXTWINDOW = 0xF040;
constexpr WPARAM SC_PREVWINDOW = 0xF050;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// Mouse-message wParam flags.
constexpr WPARAM MK_LBUTTON = 0x01;
constexpr WPARAM MK_RBUTTON = 0x02;
constexpr WPARAM MK_SHIFT = 0x04;
constexpr WPARAM MK_CONTROL = 0x08;
constexpr WPARAM MK_MBUTTON = 0x10;
constexpr int WHEEL_DELTA = 120;

// Virtual keys (8-bit; 0 and 0xFF are never sent).
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_F4 = 0x73;
constexpr int VK_F10 = 0x79;
constexpr int VK_F12 = 0x7B;
constexpr int VK_OEM_1 = 0xBA;       // ;:
constexpr int VK_OEM_PLUS = 0xBB;    // =+
constexpr int VK_OEM_COMMA = 0xBC;   // ,<
constexpr int VK_OEM_MINUS = 0xBD;   // -_
constexpr int VK_OEM_PERIOD = 0xBE;  // .>
constexpr int VK_OEM_2 = 0xBF;       // /?
constexpr int VK_OEM_3 = 0xC0;       // `~
constexpr int VK_OEM_4 = 0xDB;       // [{
constexpr int VK_OEM_5 = 0xDC;       // backslash |
constexpr int VK_OEM_6 = 0xDD;       // ]}
constexpr int VK_OEM_7 = 0xDE;       // '"

// Packing helpers, with the Windows meaning (zero-extended 32-bit lParam).
inline LPARAM MAKELPARAM(int low, int high) {
  return static_cast<LPARAM>(
      static_cast<DWORD>((static_cast<DWORD>(low) & 0xFFFFu) | ((static_cast<DWORD>(high) & 0xFFFFu) << 16)));
}
inline WPARAM MAKEWPARAM(int low, int high) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELPARAM(low, high))); }
inline WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFFu); }
inline WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFFu); }
inline int GET_X_LPARAM(LPARAM l) { return static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(l))); }
inline int GET_Y_LPARAM(LPARAM l) { return static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(l))); }

// True for the key messages whose wParam is a virtual-key code.
inline bool IsKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}
