// Device events to Windows message records (see Input.h).
#include "platform/Input.h"

#include <cstdlib>

#include "platform/Clock.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "platform/WindowSystem.h"

namespace Platform {

namespace {

constexpr DWORD kDoubleClickMs = 500;
constexpr int kDoubleClickDistance = 2;

bool Inside(HWND window, int x, int y) {
  int width = 0, height = 0;
  if (!WindowClientSize(window, &width, &height)) return false;
  return x >= 0 && y >= 0 && x < width && y < height;
}

int ButtonIndex(MouseButton b) { return b == MouseButton::Left ? 0 : b == MouseButton::Right ? 1 : 2; }

// The character a key makes by itself (SDL text events do not carry these).
unsigned KeyCharacter(int vk, bool ctrl, bool alt) {
  switch (vk) {
    case VK_RETURN: return 13;
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_ESCAPE: return 27;
    default: break;
  }
  if (ctrl && !alt && vk >= 'A' && vk <= 'Z') return static_cast<unsigned>(vk - 'A' + 1);
  return 0;
}

}  // namespace

WPARAM InputTranslator::MouseFlags() const {
  WPARAM flags = 0;
  if (mButtons[0]) flags |= MK_LBUTTON;
  if (mButtons[1]) flags |= MK_RBUTTON;
  if (mButtons[2]) flags |= MK_MBUTTON;
  if (mHeld[VK_SHIFT]) flags |= MK_SHIFT;
  if (mHeld[VK_CONTROL]) flags |= MK_CONTROL;
  return flags;
}

void InputTranslator::PostMouse(HWND window, UINT message, bool inside) {
  if (inside)
    PostRecord(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, static_cast<int>(message)));
  PostRecord(window, message, MouseFlags(), MAKELPARAM(mX, mY));
}

void InputTranslator::MouseMove(HWND window, int x, int y) {
  mX = x;
  mY = y;
  NotePointer(window, x, y);
  bool inside = Inside(window, x, y);
  if (!inside && GetCapture() != window) return;
  PostMouse(window, WM_MOUSEMOVE, inside);
}

void InputTranslator::MouseLeave(HWND window) {
  // Put the pointer just outside the client area so that WindowFromPoint
  // and the pointer test of the caller see it leave.
  mX = -1;
  mY = -1;
  NotePointer(window, -1, -1);
}

void InputTranslator::Button(HWND window, MouseButton button, bool down) {
  int index = ButtonIndex(button);
  bool inside = Inside(window, mX, mY);
  bool captured = GetCapture() == window;
  if (!inside && !captured) {
    if (!down) mButtons[index] = false;
    return;
  }
  mButtons[index] = down;
  UINT message;
  if (!down) {
    message = button == MouseButton::Left ? WM_LBUTTONUP : button == MouseButton::Right ? WM_RBUTTONUP : WM_MBUTTONUP;
    PostMouse(window, message, inside);
    return;
  }
  DWORD now = timeGetTime();
  bool isDouble = false;
  if (button != MouseButton::Middle && WindowUsesDoubleClicks(window) && mHaveLastDown && mLastButton == button &&
      !mLastWasDouble && static_cast<DWORD>(now - mLastDownTime) <= kDoubleClickMs &&
      std::abs(mX - mLastDownX) <= kDoubleClickDistance && std::abs(mY - mLastDownY) <= kDoubleClickDistance) {
    isDouble = true;
  }
  mHaveLastDown = true;
  mLastButton = button;
  mLastDownTime = now;
  mLastDownX = mX;
  mLastDownY = mY;
  mLastWasDouble = isDouble;
  switch (button) {
    case MouseButton::Left: message = isDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN; break;
    case MouseButton::Right: message = isDouble ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN; break;
    default: message = WM_MBUTTONDOWN; break;
  }
  PostMouse(window, message, inside);
}

void InputTranslator::Wheel(HWND window, int notches) {
  if (notches == 0) return;
  int delta = notches * WHEEL_DELTA;
  POINT screen{mX, mY};
  ClientToScreen(window, &screen);
  // Windows puts screen coordinates in the wheel's lParam.
  PostRecord(window, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseFlags()), delta), MAKELPARAM(screen.x, screen.y));
}

void InputTranslator::Key(HWND window, int vk, bool down, bool repeat) {
  if (vk <= 0 || vk >= 0xFF) return;
  bool wasHeld = mHeld[vk];
  bool altBefore = mHeld[VK_MENU];
  if (down) mHeld[vk] = true;
  bool ctrl = mHeld[VK_CONTROL];
  bool alt = down ? mHeld[VK_MENU] : altBefore;
  bool sys = (alt && !ctrl) || vk == VK_F10;
  // Bits of the key lParam: repeat count 1, context (Alt) bit 29, previous
  // state bit 30, transition bit 31.
  DWORD bits = 1;
  if (alt) bits |= 1u << 29;
  if (down) {
    if (wasHeld || repeat) bits |= 1u << 30;
    PostRecord(window, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk), static_cast<LPARAM>(bits));
    unsigned ch = KeyCharacter(vk, ctrl, alt);
    if (ch) PostRecord(window, sys ? WM_SYSCHAR : WM_CHAR, ch, static_cast<LPARAM>(bits));
  } else {
    mHeld[vk] = false;
    bits |= (1u << 30) | (1u << 31);
    PostRecord(window, sys ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(bits));
  }
}

void InputTranslator::PostChar(HWND window, unsigned codeUnit) {
  bool sys = mHeld[VK_MENU] && !mHeld[VK_CONTROL];
  PostRecord(window, sys ? WM_SYSCHAR : WM_CHAR, codeUnit, 1);
}

void InputTranslator::Text(HWND window, const std::string& utf8) {
  for (std::uint16_t unit : Utf8ToUtf16(utf8)) {
    // Control characters come from their keys, never twice.
    if (unit < 0x20 || unit == 0x7F) continue;
    PostChar(window, unit);
  }
}

void InputTranslator::Focus(HWND window, bool gained) {
  if (!NoteActivation(window, gained)) return;
  if (!gained) Reset();
  PostActivationSequence(window, gained);
}

void InputTranslator::Minimized(HWND window) {
  NoteShowState(window, SW_SHOWMINIMIZED, 0, 0);
  PostRecord(window, WM_SIZE, SIZE_MINIMIZED, 0);
}

void InputTranslator::Maximized(HWND window, int width, int height) {
  NoteShowState(window, SW_SHOWMAXIMIZED, width, height);
  PostRecord(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(width, height));
}

void InputTranslator::Restored(HWND window, int width, int height) {
  NoteShowState(window, SW_SHOWNORMAL, width, height);
  PostRecord(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
}

void InputTranslator::Moved(HWND window, int x, int y) {
  NoteMoved(window, x, y);
  PostRecord(window, WM_MOVE, 0, MAKELPARAM(x, y));
}

void InputTranslator::Exposed(HWND window) {
  if (!IsRecordPending(window, WM_PAINT)) PostRecord(window, WM_PAINT, 0, 0);
}

void InputTranslator::CloseRequested(HWND window) { PostRecord(window, WM_CLOSE, 0, 0); }

void InputTranslator::EndSession(HWND window) { PostRecord(window, WM_ENDSESSION, 1, 0); }

void InputTranslator::Reset() {
  for (bool& b : mButtons) b = false;
  for (bool& h : mHeld) h = false;
  mHaveLastDown = false;
}

}  // namespace Platform
