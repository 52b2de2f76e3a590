// The SDL2 backend: real windows, input, message boxes, clipboard, cursors.
// SDL is called from the main thread only.
#include <SDL.h>

#include <map>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/FrameDump.h"
#include "platform/Input.h"
#include "platform/Windows.h"
#include "platform/WindowSystem.h"
#include "platform/headless/AudioHeadless.h"
#include "platform/sdl2/AudioSDL.h"
#include "platform/sdl2/FrameFit.h"
#include "platform/sdl2/SdlKeys.h"

namespace Platform {

namespace {

struct HostWindow {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureWidth = 0, textureHeight = 0;
  bool linear = false;  // the texture's filter
  // A full-screen host covers the desktop whatever size the program gave
  // its window; the program's window is the frame inside it.
  bool fullScreen = false;
};

SDL_SystemCursor SystemCursorFor(int id) {
  switch (id) {
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643: return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644: return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645: return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648: return SDL_SYSTEM_CURSOR_NO;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

RECT ToRect(const SDL_Rect& r) { return RECT{r.x, r.y, r.x + r.w, r.y + r.h}; }

class Sdl2Backend : public Backend {
 public:
  ~Sdl2Backend() override {
    for (auto& [handle, host] : mWindows) DestroyHost(host);
    for (SDL_Cursor* c : mCursors) SDL_FreeCursor(c);
    if (mStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool Start() {
    // Termination signals are ours (they become WM_ENDSESSION).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      Log(std::string("platform: SDL video: ") + SDL_GetError());
      return false;
    }
    if (SDL_GetNumVideoDisplays() < 1) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    // Without a reachable display SDL falls back to drivers that show
    // nothing; a window there would run unseen until killed. Only a user who
    // names such a driver gets it.
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") &&
        (asked == nullptr || SDL_strcasecmp(asked, driver.c_str()) != 0)) {
      Log("platform: SDL video found no display (only its " + driver + " driver)");
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    SDL_StartTextInput();
    mStarted = true;
    return true;
  }

  const char* Name() const override { return "sdl2"; }

  // The device plays; without one the mix goes to memory all the same.
  std::unique_ptr<Kivo::AudioOutput> OpenAudioOutput() override {
    std::unique_ptr<Kivo::AudioOutput> output = Kivo::CreateSdlAudioOutput();
    if (output) return output;
    Kivo::AudioLogOnce("no audio device opened; sound is mixed to memory");
    return std::make_unique<Kivo::HeadlessAudioOutput>(true);
  }

  bool CreateHostWindow(HWND handle, const std::string& title, int x, int y, int width, int height,
                        bool fullScreen) override {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (fullScreen) {
      // The desktop's own mode, never a mode change. The window is made at
      // the desktop's place and size as well: without a window manager
      // nobody acts on the full-screen request, and SDL would draw for a
      // desktop-sized window into one of the program's size.
      flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;
      SDL_Rect bounds{0, 0, width, height};
      SDL_GetDisplayBounds(0, &bounds);
      x = bounds.x;
      y = bounds.y;
      width = bounds.w;
      height = bounds.h;
    }
    SDL_Window* window = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
    if (!window) {
      Log(std::string("platform: cannot create a window: ") + SDL_GetError());
      return false;
    }
    HostWindow host;
    host.window = window;
    host.fullScreen = fullScreen;
    mWindows[handle] = host;
    mById[SDL_GetWindowID(window)] = handle;
    return true;
  }

  void DestroyHostWindow(HWND handle) override {
    auto it = mWindows.find(handle);
    if (it == mWindows.end()) return;
    mById.erase(SDL_GetWindowID(it->second.window));
    DestroyHost(it->second);
    mWindows.erase(it);
  }

  void ShowHostWindow(HWND handle, int command, bool activate) override {
    SDL_Window* w = WindowOf(handle);
    if (!w) return;
    switch (command) {
      case SW_HIDE: SDL_HideWindow(w); return;
      case SW_MINIMIZE:
      case SW_SHOWMINIMIZED:
      case SW_SHOWMINNOACTIVE: SDL_MinimizeWindow(w); return;
      case SW_MAXIMIZE:
        SDL_ShowWindow(w);
        if (!IsFullScreen(handle)) SDL_MaximizeWindow(w);
        break;
      case SW_RESTORE:
        SDL_ShowWindow(w);
        SDL_RestoreWindow(w);
        break;
      default: SDL_ShowWindow(w); break;
    }
    if (activate) SDL_RaiseWindow(w);
  }

  void MoveHostWindow(HWND handle, int x, int y, int width, int height) override {
    SDL_Window* w = WindowOf(handle);
    if (!w || IsFullScreen(handle)) return;
    SDL_SetWindowPosition(w, x, y);
    SDL_SetWindowSize(w, width, height);
  }

  void RaiseHostWindow(HWND handle) override {
    if (SDL_Window* w = WindowOf(handle)) SDL_RaiseWindow(w);
  }

  void SetHostTitle(HWND handle, const std::string& title) override {
    if (SDL_Window* w = WindowOf(handle)) SDL_SetWindowTitle(w, title.c_str());
  }

  void SetMouseCapture(bool on) override { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }

  void PollEvents(InputTranslator& input) override {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Handle(e, input);
  }

  bool Present(HWND handle, const std::uint32_t* pixels, int width, int height, int pitch) override {
    auto it = mWindows.find(handle);
    if (it == mWindows.end()) return false;
    HostWindow& host = it->second;
    if (!host.renderer) {
      host.renderer = SDL_CreateRenderer(host.window, -1, 0);
      if (!host.renderer) host.renderer = SDL_CreateRenderer(host.window, -1, SDL_RENDERER_SOFTWARE);
      if (!host.renderer) {
        Log(std::string("platform: no renderer: ") + SDL_GetError());
        return false;
      }
    }
    if (!host.texture || host.textureWidth != width || host.textureHeight != height) {
      if (host.texture) SDL_DestroyTexture(host.texture);
      host.texture =
          SDL_CreateTexture(host.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
      if (!host.texture) return false;
      host.textureWidth = width;
      host.textureHeight = height;
      host.linear = false;
      SDL_SetTextureScaleMode(host.texture, SDL_ScaleModeNearest);
    }
    if (SDL_UpdateTexture(host.texture, nullptr, pixels, pitch * 4) != 0) return false;
    int outWidth = 0, outHeight = 0;
    if (SDL_GetRendererOutputSize(host.renderer, &outWidth, &outHeight) != 0) return false;
    const FrameFit fit = FitFrame(outWidth, outHeight, width, height);
    // Whole factors repeat pixels; any other scale is filtered so that the
    // picture is not cut into uneven rows and columns.
    if (host.linear == fit.wholeScale) {
      host.linear = !fit.wholeScale;
      SDL_SetTextureScaleMode(host.texture, host.linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    }
    SDL_SetRenderDrawColor(host.renderer, 0, 0, 0, 255);
    SDL_RenderClear(host.renderer);
    const SDL_Rect target{fit.x, fit.y, fit.width, fit.height};
    SDL_RenderCopy(host.renderer, host.texture, nullptr, &target);
    std::string dump = TakeFrameDumpRequest();
    if (!dump.empty()) SaveWindowFrame(host, dump);
    SDL_RenderPresent(host.renderer);
    return true;
  }

  // Reads back what the window is about to show, at the window's own size.
  static void SaveWindowFrame(HostWindow& host, const std::string& name) {
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(host.renderer, &width, &height) != 0 || width <= 0 || height <= 0) {
      Log("frame dump: " + name + " not saved: " + SDL_GetError());
      return;
    }
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    SDL_Rect whole{0, 0, width, height};
    if (SDL_RenderReadPixels(host.renderer, &whole, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4) != 0) {
      Log("frame dump: " + name + " not saved: " + SDL_GetError());
      return;
    }
    SaveFrameDump(name, pixels.data(), width, height, width);
  }

  int ShowMessageBox(HWND owner, const std::string& text, const std::string& title, UINT type) override {
    std::string ids = MessageBoxButtons(type);
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (size_t i = 0; i < ids.size(); ++i) {
      SDL_MessageBoxButtonData b{};
      b.buttonid = ids[i];
      b.text = ButtonText(ids[i]);
      if (i == 0) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
      if (ids[i] == IDCANCEL || ids[i] == IDNO || ids.size() == 1) b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
      buttons.push_back(b);
    }
    SDL_MessageBoxData data{};
    UINT icon = type & 0xF0;
    data.flags = icon == MB_ICONERROR     ? SDL_MESSAGEBOX_ERROR
                 : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING
                                          : SDL_MESSAGEBOX_INFORMATION;
    data.window = WindowOf(owner);
    data.title = title.c_str();
    data.message = text.c_str();
    data.numbuttons = static_cast<int>(buttons.size());
    data.buttons = buttons.data();
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) {
      Log("MessageBox (not shown: " + std::string(SDL_GetError()) + ") title=\"" + title + "\" text=\"" + text + "\"");
      return ids[0];
    }
    return pressed;
  }

  bool SetClipboardUtf8(const std::string& text) override { return SDL_SetClipboardText(text.c_str()) == 0; }

  std::string ClipboardUtf8() override {
    char* text = SDL_GetClipboardText();
    std::string out = text ? text : "";
    SDL_free(text);
    return out;
  }

  int OpenUrl(const std::string& url) override { return SDL_OpenURL(url.c_str()) == 0 ? 42 : 2; }

  void SetCursorShape(CursorShape* shape) override {
    if (!shape) {
      SDL_ShowCursor(SDL_DISABLE);
      return;
    }
    if (!shape->hostCursor) {
      SDL_Cursor* cursor = nullptr;
      if (shape->systemId) {
        cursor = SDL_CreateSystemCursor(SystemCursorFor(shape->systemId));
      } else {
        const CursorImage& img = shape->image;
        // SDL wants widths in whole bytes; the converted planes already are.
        cursor = SDL_CreateCursor(img.data.data(), img.mask.data(), ((img.width + 7) / 8) * 8, img.height, img.hotX,
                                  img.hotY);
      }
      if (!cursor) {
        Log(std::string("platform: cannot make a cursor: ") + SDL_GetError());
        return;
      }
      mCursors.push_back(cursor);
      shape->hostCursor = cursor;
    }
    SDL_SetCursor(static_cast<SDL_Cursor*>(shape->hostCursor));
    SDL_ShowCursor(SDL_ENABLE);
  }

  void ReleaseCursorShape(CursorShape* shape) override {
    SDL_Cursor* cursor = static_cast<SDL_Cursor*>(shape->hostCursor);
    if (!cursor) return;
    for (auto it = mCursors.begin(); it != mCursors.end(); ++it) {
      if (*it == cursor) {
        mCursors.erase(it);
        break;
      }
    }
    if (SDL_GetCursor() == cursor) SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_FreeCursor(cursor);
    shape->hostCursor = nullptr;
  }

  RECT Desktop() override {
    SDL_Rect r{0, 0, 1024, 768};
    SDL_GetDisplayBounds(0, &r);
    return ToRect(r);
  }

  RECT WorkArea() override {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) return Desktop();
    return ToRect(r);
  }

  ScreenSaverState ScreenSaver() override {
    ScreenSaverState state;
    state.active = false;  // the host's screen saver is not ours to watch
    return state;
  }

 private:
  static const char* ButtonText(int id) {
    switch (id) {
      case IDOK: return "OK";
      case IDCANCEL: return "Cancel";
      case IDABORT: return "Abort";
      case IDRETRY: return "Retry";
      case IDIGNORE: return "Ignore";
      case IDYES: return "Yes";
      case IDNO: return "No";
      default: return "OK";
    }
  }

  static void DestroyHost(HostWindow& host) {
    if (host.texture) SDL_DestroyTexture(host.texture);
    if (host.renderer) SDL_DestroyRenderer(host.renderer);
    if (host.window) SDL_DestroyWindow(host.window);
    host = HostWindow{};
  }

  bool IsFullScreen(HWND handle) const {
    auto it = mWindows.find(handle);
    return it != mWindows.end() && it->second.fullScreen;
  }

  // A pointer position in the host window into the program's client
  // coordinates, through the rectangle the frame is shown in.
  void ToClient(HWND handle, int x, int y, int* clientX, int* clientY) {
    *clientX = x;
    *clientY = y;
    auto it = mWindows.find(handle);
    if (it == mWindows.end()) return;
    const HostWindow& host = it->second;
    int frameWidth = host.textureWidth, frameHeight = host.textureHeight;
    // Before the first frame the frame is the client area.
    if (frameWidth <= 0 || frameHeight <= 0) WindowClientSize(handle, &frameWidth, &frameHeight);
    int windowWidth = 0, windowHeight = 0;
    SDL_GetWindowSize(host.window, &windowWidth, &windowHeight);
    WindowToFrame(FitFrame(windowWidth, windowHeight, frameWidth, frameHeight), frameWidth, frameHeight, x, y, clientX,
                  clientY);
  }

  SDL_Window* WindowOf(HWND handle) {
    auto it = mWindows.find(handle);
    return it == mWindows.end() ? nullptr : it->second.window;
  }

  HWND HandleOf(Uint32 windowId) {
    auto it = mById.find(windowId);
    return it == mById.end() ? nullptr : it->second;
  }

  void Handle(const SDL_Event& e, InputTranslator& input) {
    switch (e.type) {
      case SDL_WINDOWEVENT: {
        HWND w = HandleOf(e.window.windowID);
        if (!w) return;
        SDL_Window* sw = WindowOf(w);
        int width = 0, height = 0;
        WindowClientSize(w, &width, &height);
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE: input.CloseRequested(w); break;
          case SDL_WINDOWEVENT_FOCUS_GAINED: input.Focus(w, true); break;
          case SDL_WINDOWEVENT_FOCUS_LOST: input.Focus(w, false); break;
          case SDL_WINDOWEVENT_MINIMIZED: input.Minimized(w); break;
          case SDL_WINDOWEVENT_MAXIMIZED:
            // A window manager may call a full-screen window maximised.
            if (IsFullScreen(w)) break;
            SDL_GetWindowSize(sw, &width, &height);
            input.Maximized(w, width, height);
            break;
          case SDL_WINDOWEVENT_RESTORED: input.Restored(w, width, height); break;
          case SDL_WINDOWEVENT_MOVED:
            if (!(SDL_GetWindowFlags(sw) & SDL_WINDOW_FULLSCREEN_DESKTOP))
              input.Moved(w, e.window.data1, e.window.data2);
            break;
          case SDL_WINDOWEVENT_EXPOSED: input.Exposed(w); break;
          case SDL_WINDOWEVENT_LEAVE: input.MouseLeave(w); break;
          default: break;
        }
        return;
      }
      case SDL_MOUSEMOTION: {
        HWND w = HandleOf(e.motion.windowID);
        if (!w || e.motion.which == SDL_TOUCH_MOUSEID) return;
        int x = 0, y = 0;
        ToClient(w, e.motion.x, e.motion.y, &x, &y);
        input.MouseMove(w, x, y);
        return;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        HWND w = HandleOf(e.button.windowID);
        if (!w || e.button.which == SDL_TOUCH_MOUSEID) return;
        MouseButton b;
        if (e.button.button == SDL_BUTTON_LEFT)
          b = MouseButton::Left;
        else if (e.button.button == SDL_BUTTON_RIGHT)
          b = MouseButton::Right;
        else if (e.button.button == SDL_BUTTON_MIDDLE)
          b = MouseButton::Middle;
        else
          return;
        int x = 0, y = 0;
        ToClient(w, e.button.x, e.button.y, &x, &y);
        if (x != input.lastX() || y != input.lastY()) input.MouseMove(w, x, y);
        input.Button(w, b, e.type == SDL_MOUSEBUTTONDOWN);
        return;
      }
      case SDL_MOUSEWHEEL: {
        HWND w = HandleOf(e.wheel.windowID);
        if (!w) return;
        int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        input.Wheel(w, notches);
        return;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        HWND w = HandleOf(e.key.windowID);
        if (!w) w = MainWindow();
        if (!w) return;
        int vk = VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.scancode);
        input.Key(w, vk, e.type == SDL_KEYDOWN, e.key.repeat != 0);
        return;
      }
      case SDL_TEXTINPUT: {
        HWND w = HandleOf(e.text.windowID);
        if (!w) w = MainWindow();
        if (w) input.Text(w, e.text.text);
        return;
      }
      default: return;
    }
  }

  std::map<HWND, HostWindow> mWindows;
  std::map<Uint32, HWND> mById;
  std::vector<SDL_Cursor*> mCursors;
  bool mStarted = false;
};

}  // namespace

std::unique_ptr<Backend> CreateSdl2Backend() {
  auto backend = std::make_unique<Sdl2Backend>();
  if (!backend->Start()) return nullptr;
  UseRealClock();  // a real window runs on real time
  return backend;
}

}  // namespace Platform
