// The interface between the window system and a host backend (sdl2 or
// headless). Internal to the platform layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/WinTypes.h"

namespace Platform {

class InputTranslator;

// A monochrome cursor converted to the host's planes: per pixel, mask 1 =
// drawn, data 1 = black (mask 1) or inverted (mask 0). Rows are
// (width + 7) / 8 bytes, leftmost pixel in the top bit.
struct CursorImage {
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<std::uint8_t> mask;
  std::vector<std::uint8_t> data;
};

// What a backend shows for a cursor: a system shape by its IDC number, or a
// monochrome image.
struct CursorShape {
  int systemId = 0;            // IDC_* number, 0 for an image cursor
  CursorImage image;           // used when systemId is 0
  void* hostCursor = nullptr;  // backend's own object, made on first use
};

struct ScreenSaverState {
  int timeoutSeconds = 600;
  bool active = false;
  bool running = false;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* Name() const = 0;

  // Host windows. Positions are client positions on the screen.
  virtual bool CreateHostWindow(HWND window, const std::string& titleUtf8, int x, int y, int width, int height,
                                bool fullScreen) = 0;
  virtual void DestroyHostWindow(HWND window) = 0;
  // command: SW_HIDE, SW_SHOW..., SW_MINIMIZE, SW_MAXIMIZE, SW_RESTORE.
  virtual void ShowHostWindow(HWND window, int command, bool activate) = 0;
  virtual void MoveHostWindow(HWND window, int x, int y, int width, int height) = 0;
  virtual void RaiseHostWindow(HWND window) = 0;
  virtual void SetHostTitle(HWND window, const std::string& titleUtf8) = 0;
  virtual void SetMouseCapture(bool on) = 0;

  // Turns pending host (or scripted) events into device events.
  virtual void PollEvents(InputTranslator& input) = 0;

  virtual bool Present(HWND window, const std::uint32_t* pixels, int width, int height, int pitch) = 0;
  // Returns IDOK, IDYES, ... Main thread.
  virtual int ShowMessageBox(HWND owner, const std::string& textUtf8, const std::string& titleUtf8, UINT type) = 0;
  virtual bool SetClipboardUtf8(const std::string& text) = 0;
  virtual std::string ClipboardUtf8() = 0;
  // The shell-launch result: above 32 means success.
  virtual int OpenUrl(const std::string& url) = 0;
  // Null hides the pointer.
  virtual void SetCursorShape(CursorShape* shape) = 0;
  virtual void ReleaseCursorShape(CursorShape* shape) = 0;

  // The default audio output for the sound device (never null).
  virtual std::unique_ptr<Kivo::AudioOutput> OpenAudioOutput() = 0;

  virtual RECT Desktop() = 0;
  virtual RECT WorkArea() = 0;
  virtual ScreenSaverState ScreenSaver() = 0;
};

// The backend in use (chosen on first use).
Backend& ActiveBackend();

// Converts Windows AND/XOR planes (rows padded to 16 bits, leftmost pixel in
// the top bit) to the host's mask/data planes: mask = NOT AND,
// data = (NOT AND) XOR XOR.
CursorImage ConvertCursorPlanes(const std::uint8_t* andPlane, const std::uint8_t* xorPlane, int width, int height,
                                int hotX, int hotY);

}  // namespace Platform

namespace Platform {

// Backend factories. The sdl2 one returns null when SDL video cannot start.
std::unique_ptr<Backend> CreateHeadlessBackend();
std::unique_ptr<Backend> CreateSdl2Backend();

}  // namespace Platform
