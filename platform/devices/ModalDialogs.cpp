// Modal dialogs: the sdl2 window with its own drawing and keyboard, and the
// hand-over to the headless answerer.
#include "platform/devices/ModalDialogs.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

#include "platform/Environment.h"
#include "platform/FrameDump.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "platform/devices/SystemFont.h"

namespace Platform {

namespace {

constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kInk = 0x000000;
constexpr uint32_t kGreyInk = 0x8C8C8C;
constexpr uint32_t kShadow = 0xA0A0A0;
constexpr uint32_t kDark = 0x646464;
constexpr uint32_t kFocus = 0x0078D7;
constexpr int kScrollBarWidth = 16;
constexpr int kTextInset = 3;

struct FontDeleter {
  void operator()(SystemFontData* font) const { DestroySystemFont(font); }
};
using FontPtr = std::unique_ptr<SystemFontData, FontDeleter>;

// A frame buffer of 0xAARRGGBB pixels the dialog is drawn into.
class Canvas {
 public:
  Canvas(int width, int height)
      : mWidth(width), mHeight(height), mPixels(static_cast<size_t>(width) * static_cast<size_t>(height)) {}
  void Fill(int x, int y, int w, int h, uint32_t rgb) {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, mWidth), y1 = std::min(y + h, mHeight);
    for (int row = y0; row < y1; ++row)
      for (int col = x0; col < x1; ++col) mPixels[static_cast<size_t>(row) * mWidth + col] = 0xFF000000u | rgb;
  }
  void Frame(int x, int y, int w, int h, uint32_t rgb) {
    Fill(x, y, w, 1, rgb);
    Fill(x, y + h - 1, w, 1, rgb);
    Fill(x, y, 1, h, rgb);
    Fill(x + w - 1, y, 1, h, rgb);
  }
  // Text drawn with its top-left corner at (x, y), clipped to the box.
  void Text(SystemFontHandle font, const std::wstring& text, int x, int y, uint32_t rgb, int clipX, int clipY,
            int clipW, int clipH) {
    if (text.empty() || font == nullptr) return;
    CoverageMask mask = RenderSystemFontText(font, text);
    NativeSurfaceView view;
    view.pixels = reinterpret_cast<uint8_t*>(mPixels.data());
    view.pitch = mWidth * 4;
    view.width = mWidth;
    view.height = mHeight;
    view.bitsPerPixel = 32;
    view.redMask = 0xFF0000;
    view.greenMask = 0x00FF00;
    view.blueMask = 0x0000FF;
    int cx0 = std::max(clipX, 0), cy0 = std::max(clipY, 0);
    int cx1 = std::min(clipX + clipW, mWidth), cy1 = std::min(clipY + clipH, mHeight);
    if (cx1 <= cx0 || cy1 <= cy0) return;
    BlendCoverageIntoSurface(mask, x, y, rgb, view, cx0, cy0, cx1 - cx0, cy1 - cy0);
  }
  const std::vector<uint32_t>& Pixels() const { return mPixels; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }

 private:
  int mWidth, mHeight;
  std::vector<uint32_t> mPixels;
};

// Lines of a text: split at line ends, and wrapped at blanks to the width
// when asked.
std::vector<std::wstring> LayOutLines(SystemFontHandle font, const std::wstring& text, int width, bool wrap) {
  std::vector<std::wstring> lines;
  std::wstring current;
  auto flush = [&](const std::wstring& line) {
    if (!wrap || font == nullptr || MeasureSystemFontText(font, line) <= width) {
      lines.push_back(line);
      return;
    }
    std::wstring piece;
    size_t at = 0;
    while (at < line.size()) {
      size_t blank = line.find(L' ', at);
      std::wstring word = line.substr(at, blank == std::wstring::npos ? std::wstring::npos : blank - at + 1);
      at = blank == std::wstring::npos ? line.size() : blank + 1;
      if (!piece.empty() && MeasureSystemFontText(font, piece + word) > width) {
        lines.push_back(piece);
        piece.clear();
      }
      piece += word;
    }
    lines.push_back(piece);
  };
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    if (c == L'\n') {
      flush(current);
      current.clear();
    } else {
      current += c;
    }
  }
  flush(current);
  return lines;
}

bool TakesFocus(const DialogControl& control) {
  return !control.disabled && (control.kind == DialogControlKind::Button || control.kind == DialogControlKind::Edit ||
                               control.kind == DialogControlKind::ScrollText);
}

class SdlDialog {
 public:
  SdlDialog(DialogState& state, DialogHandlers& handlers) : mState(state), mHandlers(handlers) {}

  int Run() {
    const DialogTemplate& dialog = mState.Template();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      Log("Dialog " + QuoteDialogText(dialog.title) + ": no window system (" + SDL_GetError() + ")");
      return kDialogClosed;
    }
    SDL_Window* window =
        SDL_CreateWindow(dialog.title.c_str(), dialog.x, dialog.y, dialog.width, dialog.height, SDL_WINDOW_SHOWN);
    if (window == nullptr) {
      Log("Dialog " + QuoteDialogText(dialog.title) + ": cannot open its window (" + SDL_GetError() + ")");
      return kDialogClosed;
    }
    mWindowId = SDL_GetWindowID(window);
    SDL_RaiseWindow(window);
    SDL_StartTextInput();
    for (const DialogControl& control : dialog.controls)
      if (TakesFocus(control) && (mFocus == 0 || control.id == dialog.focusId)) mFocus = control.id;
    LogDialogControls(mState);
    bool firstFrame = true;
    uint32_t nextTick = SDL_GetTicks() + static_cast<uint32_t>(mHandlers.tickMs);
    while (!mState.Ended()) {
      Draw(window, firstFrame);
      firstFrame = false;
      int wait = 50;
      if (mHandlers.onTick && mHandlers.tickMs > 0) {
        int32_t left = static_cast<int32_t>(nextTick - SDL_GetTicks());
        wait = std::max(0, std::min(wait, static_cast<int>(left)));
      }
      SDL_Event event;
      if (SDL_WaitEventTimeout(&event, wait) != 0) {
        do {
          Handle(event);
        } while (!mState.Ended() && SDL_PollEvent(&event) != 0);
      }
      if (!mState.Ended() && mHandlers.onTick && mHandlers.tickMs > 0 &&
          static_cast<int32_t>(SDL_GetTicks() - nextTick) >= 0) {
        nextTick = SDL_GetTicks() + static_cast<uint32_t>(mHandlers.tickMs);
        mHandlers.onTick(mState);
      }
    }
    SDL_StopTextInput();
    SDL_DestroyWindow(window);
    Log("Dialog " + QuoteDialogText(dialog.title) + " ended -> " + std::to_string(mState.Result()));
    return mState.Result();
  }

 private:
  SystemFontHandle FontOf(const DialogControl& control) {
    std::string face = control.monospace ? "Courier New" : control.bold ? "Arial" : "Tahoma";
    int key = (control.monospace ? 1000 : 0) + (control.bold ? 100 : 0) + control.points;
    auto found = mFonts.find(key);
    if (found != mFonts.end()) return found->second.get();
    SystemFontRequest request;
    request.face = face;
    request.emPixels = PointsToEmPixels(control.points, 96);
    request.bold = control.bold;
    FontPtr font(CreateSystemFont(request));
    SystemFontHandle handle = font.get();
    mFonts[key] = std::move(font);
    return handle;
  }

  int LineHeight(SystemFontHandle font) {
    int height = GetSystemFontMetrics(font).height;
    return height > 0 ? height : 12;
  }

  void Press(int id) {
    const DialogControl* control = mState.Control(id);
    if (control == nullptr || control->disabled) return;
    Log("Dialog " + QuoteDialogText(mState.Template().title) + " pressed " + QuoteDialogText(control->text));
    if (mHandlers.onCommand) mHandlers.onCommand(id, mState);
  }

  void PressWhere(bool wantDefault) {
    for (const DialogControl& control : mState.Template().controls)
      if (control.kind == DialogControlKind::Button && (wantDefault ? control.isDefault : control.isCancel)) {
        Press(control.id);
        return;
      }
  }

  void MoveFocus(int step) {
    const auto& controls = mState.Template().controls;
    int count = static_cast<int>(controls.size());
    int at = 0;
    for (int i = 0; i < count; ++i)
      if (controls[i].id == mFocus) at = i;
    for (int n = 1; n <= count; ++n) {
      const DialogControl& next = controls[((at + step * n) % count + count) % count];
      if (TakesFocus(next)) {
        mFocus = next.id;
        return;
      }
    }
  }

  void Scroll(int lines) {
    for (const DialogControl& control : mState.Template().controls)
      if (control.kind == DialogControlKind::ScrollText) mScroll = std::max(0, mScroll + lines);
  }

  void Handle(const SDL_Event& event) {
    const DialogControl* focused = mState.Control(mFocus);
    bool editing = focused != nullptr && focused->kind == DialogControlKind::Edit;
    switch (event.type) {
      case SDL_QUIT:
        if (mHandlers.onCommand) mHandlers.onCommand(kDialogClosed, mState);
        break;
      case SDL_WINDOWEVENT:
        if (event.window.windowID == mWindowId && event.window.event == SDL_WINDOWEVENT_CLOSE && mHandlers.onCommand)
          mHandlers.onCommand(kDialogClosed, mState);
        break;
      case SDL_KEYDOWN: {
        if (event.key.windowID != mWindowId) break;
        SDL_Keycode key = event.key.keysym.sym;
        if (key == SDLK_TAB) {
          MoveFocus((event.key.keysym.mod & KMOD_SHIFT) != 0 ? -1 : 1);
        } else if (key == SDLK_ESCAPE) {
          PressWhere(false);
        } else if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
          if (editing && focused->multiLine)
            mState.SetText(mFocus, focused->text + "\r\n");
          else if (focused != nullptr && focused->kind == DialogControlKind::Button)
            Press(mFocus);
          else
            PressWhere(true);
        } else if (key == SDLK_BACKSPACE && editing) {
          std::wstring text = Utf8ToWide(focused->text);
          if (!text.empty()) text.pop_back();
          if (!text.empty() && text.back() == L'\r') text.pop_back();
          mState.SetText(mFocus, WideToUtf8(text));
        } else if (key == SDLK_UP || key == SDLK_DOWN) {
          Scroll(key == SDLK_UP ? -1 : 1);
        } else if (key == SDLK_PAGEUP || key == SDLK_PAGEDOWN) {
          Scroll(key == SDLK_PAGEUP ? -8 : 8);
        } else if (key == SDLK_SPACE && focused != nullptr && focused->kind == DialogControlKind::Button) {
          Press(mFocus);
        }
        break;
      }
      case SDL_TEXTINPUT:
        if (event.text.windowID == mWindowId && editing) mState.SetText(mFocus, focused->text + event.text.text);
        break;
      case SDL_MOUSEWHEEL:
        if (event.wheel.windowID == mWindowId) Scroll(-event.wheel.y * 3);
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.windowID != mWindowId || event.button.button != SDL_BUTTON_LEFT) break;
        for (const DialogControl& control : mState.Template().controls) {
          if (event.button.x < control.x || event.button.y < control.y || event.button.x >= control.x + control.width ||
              event.button.y >= control.y + control.height || !TakesFocus(control))
            continue;
          mFocus = control.id;
          if (control.kind == DialogControlKind::Button) Press(control.id);
          break;
        }
        break;
      default: break;
    }
  }

  void DrawControl(Canvas& canvas, const DialogControl& control) {
    SystemFontHandle font = FontOf(control);
    int lineHeight = LineHeight(font);
    uint32_t ink = control.disabled ? kGreyInk : kInk;
    std::wstring text = Utf8ToWide(control.text);
    int x = control.x, y = control.y, w = control.width, h = control.height;
    switch (control.kind) {
      case DialogControlKind::Text:
      case DialogControlKind::Progress: {
        int row = 0;
        for (const std::wstring& line : LayOutLines(font, text, w, true))
          canvas.Text(font, line, x, y + lineHeight * row++, ink, x, y, w, h);
        break;
      }
      case DialogControlKind::ScrollText:
      case DialogControlKind::Edit: {
        bool scrolls = control.kind == DialogControlKind::ScrollText;
        canvas.Fill(x, y, w, h, kWhite);
        canvas.Frame(x, y, w, h, control.id == mFocus ? kFocus : kShadow);
        int textWidth = w - 2 * kTextInset - (scrolls ? kScrollBarWidth : 0);
        std::vector<std::wstring> lines = control.multiLine || scrolls ? LayOutLines(font, text, textWidth, !scrolls)
                                                                       : std::vector<std::wstring>{text};
        int visible = std::max(1, (h - 2 * kTextInset) / lineHeight);
        int first = 0;
        if (scrolls) {
          mScroll = std::min(mScroll, std::max(0, static_cast<int>(lines.size()) - visible));
          first = mScroll;
        } else if (static_cast<int>(lines.size()) > visible) {
          first = static_cast<int>(lines.size()) - visible;  // an edit box shows where typing goes
        }
        for (int row = 0; row < visible && first + row < static_cast<int>(lines.size()); ++row)
          canvas.Text(font, lines[first + row], x + kTextInset, y + kTextInset + lineHeight * row, ink, x + 1, y + 1,
                      w - 2 - (scrolls ? kScrollBarWidth : 0), h - 2);
        if (control.kind == DialogControlKind::Edit && control.id == mFocus && !lines.empty()) {
          int row = std::min(static_cast<int>(lines.size()) - 1 - first, visible - 1);
          int caret = x + kTextInset + MeasureSystemFontText(font, lines.back());
          canvas.Fill(std::min(caret, x + w - 3), y + kTextInset + lineHeight * row, 1, lineHeight, kInk);
        }
        if (scrolls) {
          int barX = x + w - 1 - kScrollBarWidth;
          canvas.Fill(barX, y + 1, kScrollBarWidth, h - 2, kFace);
          int track = h - 2;
          int total = std::max(visible, static_cast<int>(lines.size()));
          int thumb = std::max(12, track * visible / total);
          int top = total > visible ? (track - thumb) * first / (total - visible) : 0;
          canvas.Fill(barX + 2, y + 1 + top, kScrollBarWidth - 4, thumb, kShadow);
        }
        break;
      }
      case DialogControlKind::Button: {
        canvas.Fill(x, y, w, h, kFace);
        canvas.Frame(x, y, w, h, control.isDefault ? kInk : kDark);
        if (control.id == mFocus) canvas.Frame(x + 2, y + 2, w - 4, h - 4, kFocus);
        int textWidth = MeasureSystemFontText(font, text);
        canvas.Text(font, text, x + (w - textWidth) / 2, y + (h - lineHeight) / 2, ink, x + 1, y + 1, w - 2, h - 2);
        break;
      }
    }
  }

  void Draw(SDL_Window* window, bool firstFrame) {
    const DialogTemplate& dialog = mState.Template();
    Canvas canvas(dialog.width, dialog.height);
    canvas.Fill(0, 0, dialog.width, dialog.height, kFace);
    for (const DialogControl& control : dialog.controls) DrawControl(canvas, control);
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (target != nullptr) {
      SDL_Surface* source =
          SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(canvas.Pixels().data()), canvas.Width(),
                                             canvas.Height(), 32, canvas.Width() * 4, SDL_PIXELFORMAT_ARGB8888);
      if (source != nullptr) {
        SDL_BlitSurface(source, nullptr, target, nullptr);
        SDL_FreeSurface(source);
      }
      SDL_UpdateWindowSurface(window);
    }
    if (firstFrame && FrameDumpWanted()) {
      std::string name = "dialog_";
      for (char c : dialog.title) name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
      SaveFrameDump(name, canvas.Pixels().data(), canvas.Width(), canvas.Height(), canvas.Width());
    }
  }

  DialogState& mState;
  DialogHandlers& mHandlers;
  uint32_t mWindowId = 0;
  int mFocus = 0;
  int mScroll = 0;
  std::map<int, FontPtr> mFonts;
};

}  // namespace

int RunModalDialog(const DialogTemplate& dialog, DialogHandlers& handlers, std::vector<std::string>* finalTexts) {
  DialogState state(dialog);
  int result = BackendName() == "sdl2" ? SdlDialog(state, handlers).Run() : AnswerDialogFromScript(state, handlers);
  if (finalTexts != nullptr) {
    finalTexts->clear();
    for (const DialogControl& control : state.Template().controls) finalTexts->push_back(control.text);
  }
  return result;
}

}  // namespace Platform
