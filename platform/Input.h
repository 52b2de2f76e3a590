// Translation of device events into Windows message records, shared by both
// backends: host events and script lines become these calls first, so both
// produce the same records.
//
//   mouse: lParam = x | y << 16 (client coordinates, signed 16 bits each),
//          wParam = MK_* flags; WM_SETCURSOR (lParam HTCLIENT | msg << 16)
//          before each move or button inside the client area; outside it
//          nothing unless the window has the capture. Double click: a left or
//          right down within 500 ms and 2 px of a down that was not itself a
//          double click, for classes with CS_DBLCLKS; never for the middle
//          button. Wheel: 120 per notch in wParam's high word.
//   keys:  8-bit virtual keys; codes 0 and 0xFF are never sent. Alt held
//          without Ctrl, and F10, make WM_SYSKEYDOWN/UP and WM_SYSCHAR.
//          Enter, Backspace, Tab, Escape and Ctrl+letter post their character
//          after the key-down; text posts one record per UTF-16 unit.
//   window: focus, minimise/maximise/restore, move, expose, close.
#pragma once

#include <string>

#include "platform/WinTypes.h"

namespace Platform {

enum class MouseButton { Left, Right, Middle };

class InputTranslator {
 public:
  // Pointer moved to client position (x, y) of `window`.
  void MouseMove(HWND window, int x, int y);
  // The pointer left the window without a capture: nothing is posted.
  void MouseLeave(HWND window);
  void Button(HWND window, MouseButton button, bool down);
  // notches > 0: away from the user.
  void Wheel(HWND window, int notches);
  void Key(HWND window, int virtualKey, bool down, bool repeat);
  void Text(HWND window, const std::string& utf8);
  void Focus(HWND window, bool gained);
  void Minimized(HWND window);
  void Maximized(HWND window, int width, int height);
  void Restored(HWND window, int width, int height);
  void Moved(HWND window, int x, int y);
  void Exposed(HWND window);
  void CloseRequested(HWND window);
  void EndSession(HWND window);

  // Forgets held keys and buttons (focus changes, new backend).
  void Reset();

  int lastX() const { return mX; }
  int lastY() const { return mY; }

 private:
  WPARAM MouseFlags() const;
  void PostMouse(HWND window, UINT message, bool inside);
  void PostChar(HWND window, unsigned codeUnit);

  int mX = 0, mY = 0;
  bool mButtons[3] = {false, false, false};
  bool mHeld[256] = {};
  // Double-click tracking.
  bool mHaveLastDown = false;
  MouseButton mLastButton = MouseButton::Left;
  DWORD mLastDownTime = 0;
  int mLastDownX = 0, mLastDownY = 0;
  bool mLastWasDouble = false;
};

}  // namespace Platform
