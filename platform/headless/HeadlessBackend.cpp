// The headless backend: no host window system; a fake clock, scripted input,
// logged message boxes and frames kept in memory.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>

#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/FrameDump.h"
#include "platform/Headless.h"
#include "platform/Input.h"
#include "platform/ModalDialog.h"
#include "platform/Prompt.h"
#include "platform/Windows.h"
#include "platform/WindowSystem.h"
#include "platform/headless/AudioHeadless.h"

namespace Platform {

namespace {

constexpr size_t kMaxScriptBytes = 16 << 20;
constexpr long long kMaxFramePixels = 1LL << 26;

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n')
      out += "\\n";
    else if (c == '"')
      out += "\\\"";
    else
      out += c;
  }
  return out + "\"";
}

class HeadlessBackend : public Backend {
 public:
  HeadlessBackend() {
    // Time read before this backend started stays on the same clock.
    if (!FakeClockInUse()) UseFakeClock(kFakeClockStart);
    mScriptBase = timeGetTime();
    std::string path = EnvironmentValue("GAME_INPUT_SCRIPT");
    if (!path.empty()) LoadScriptFile(path);
  }

  const char* Name() const override { return "headless"; }

  // A headless run mixes by the headless clock. GAME_AUDIO_OUT names a WAV
  // file that receives everything the first output opened mixes.
  std::unique_ptr<Kivo::AudioOutput> OpenAudioOutput() override {
    auto output = std::make_unique<Kivo::HeadlessAudioOutput>(true);
    std::string wav = EnvironmentValue("GAME_AUDIO_OUT");
    if (!wav.empty() && !mAudioOutTaken) {
      mAudioOutTaken = true;
      if (!output->OpenWav(wav)) Log("platform: GAME_AUDIO_OUT: cannot write " + wav);
    }
    return output;
  }

  bool CreateHostWindow(HWND window, const std::string&, int, int, int, int, bool) override {
    mWindows.insert(window);
    return true;
  }
  void DestroyHostWindow(HWND window) override { mWindows.erase(window); }
  void ShowHostWindow(HWND, int, bool) override {}
  void MoveHostWindow(HWND, int, int, int, int) override {}
  void RaiseHostWindow(HWND) override {}
  void SetHostTitle(HWND, const std::string&) override {}
  void SetMouseCapture(bool) override {}

  void PollEvents(InputTranslator& input) override {
    while (mNext < mEvents.size() && mEvents[mNext].time <= timeGetTime() - mScriptBase) {
      const ScriptEvent& e = mEvents[mNext];
      if (e.command == "await") {
        if (!LogHasShown(e.text)) break;
        // Later lines count from the moment the awaited line was seen.
        mScriptBase = timeGetTime() - e.time;
      } else if (!Apply(e, input)) {
        break;  // waits for a window
      }
      ++mNext;
    }
  }

  bool Present(HWND, const std::uint32_t* pixels, int width, int height, int pitch) override {
    if (static_cast<long long>(width) * height > kMaxFramePixels) return false;
    std::lock_guard<std::mutex> lock(mMutex);
    mFrame.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
      std::copy(pixels + static_cast<size_t>(y) * static_cast<size_t>(pitch),
                pixels + static_cast<size_t>(y) * static_cast<size_t>(pitch) + width,
                mFrame.begin() + static_cast<std::ptrdiff_t>(y) * width);
    mFrameWidth = width;
    mFrameHeight = height;
    std::string dump = TakeFrameDumpRequest();
    if (!dump.empty()) SaveFrameDump(dump, mFrame.data(), width, height, width);
    return true;
  }

  int ShowMessageBox(HWND, const std::string& text, const std::string& title, UINT type) override {
    std::string buttons = MessageBoxButtons(type);
    // Nobody is there to answer: a box that can be cancelled is, so that an
    // unattended run never retries for ever.
    int answer = UnattendedAnswer(type);
    const char* source = "unanswered";
    if (!mAnswers.empty()) {
      int scripted = mAnswers.front();
      mAnswers.pop_front();
      if (buttons.find(static_cast<char>(scripted)) != std::string::npos) {
        answer = scripted;
        source = "scripted";
      } else {
        source = "scripted answer not a button of this box; unanswered";
      }
    }
    char typeText[16];
    std::snprintf(typeText, sizeof typeText, "0x%X", type);
    Log(std::string("MessageBox thread=") + (IsMainThread() ? "main" : std::to_string(GetCurrentThreadId())) +
        " type=" + typeText + " title=" + Quote(title) + " text=" + Quote(text) + " -> " + std::to_string(answer) +
        " (" + source + ")");
    return answer;
  }

  bool SetClipboardUtf8(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mMutex);
    mClipboard = text;
    return true;
  }
  std::string ClipboardUtf8() override {
    std::lock_guard<std::mutex> lock(mMutex);
    return mClipboard;
  }

  int OpenUrl(const std::string& url) override {
    int result = 42;
    if (!mUrlResults.empty()) {
      result = mUrlResults.front();
      mUrlResults.pop_front();
    }
    Log("OpenURL " + Quote(url) + " -> " + std::to_string(result) + " (nothing launched)");
    return result;
  }

  void SetCursorShape(CursorShape* shape) override { mCursorVisible = shape != nullptr; }
  void ReleaseCursorShape(CursorShape*) override {}

  RECT Desktop() override { return mDesktop; }
  RECT WorkArea() override { return mWorkArea; }
  ScreenSaverState ScreenSaver() override { return mScreenSaver; }

  // Script control.
  void SetScript(const std::string& text, std::vector<std::string>* errors) {
    std::vector<std::string> problems;
    mEvents = ParseInputScript(text, &problems);
    for (const std::string& p : problems) {
      Log("input script: " + p + "; line skipped");
      if (errors) errors->push_back(p);
    }
    mNext = 0;
    mAnswers.clear();
    mUrlResults.clear();
    ClearDialogAnswers();
    // Answers are queued in file order, whatever their time.
    std::vector<ScriptEvent> timed;
    std::vector<ScriptEvent> byLine = mEvents;
    std::stable_sort(byLine.begin(), byLine.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.line < b.line; });
    for (const ScriptEvent& e : byLine) {
      if (e.command == "msgbox") mAnswers.push_back(static_cast<int>(e.numbers[0]));
      if (e.command == "url") mUrlResults.push_back(static_cast<int>(e.numbers[0]));
      if (e.command == "prompt") QueuePromptAnswer(e.text);
      if (e.command == "dialog") QueueDialogAnswer(e.text);
      if (e.command == "await") WatchLogFor(e.text);
    }
    for (const ScriptEvent& e : mEvents)
      if (e.command != "msgbox" && e.command != "url" && e.command != "prompt" && e.command != "dialog")
        timed.push_back(e);
    mEvents = timed;
    mScriptBase = timeGetTime();
  }

  DWORD EndTime() const { return mEvents.empty() ? 0 : mEvents.back().time; }
  bool Finished() const { return mNext >= mEvents.size(); }

  bool Frame(std::vector<std::uint32_t>* pixels, int* width, int* height) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mFrame.empty()) return false;
    *pixels = mFrame;
    *width = mFrameWidth;
    *height = mFrameHeight;
    return true;
  }

  bool CursorVisible() const { return mCursorVisible; }

 private:
  void LoadScriptFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      Log("input script: cannot read " + path);
      return;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxScriptBytes) {
      Log("input script: " + path + " is larger than 16 MiB; ignored");
      return;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SetScript(text, nullptr);
  }

  static MouseButton ButtonOf(const std::string& word) {
    return word == "left" ? MouseButton::Left : word == "right" ? MouseButton::Right : MouseButton::Middle;
  }

  // Delivers one event; false when it needs a window and there is none yet.
  bool Apply(const ScriptEvent& e, InputTranslator& input) {
    const std::string& c = e.command;
    auto n = [&](size_t i) { return e.numbers[i]; };
    auto i32 = [&](size_t i) {
      return static_cast<int>(std::max<long long>(-0x7FFFFFFF, std::min<long long>(0x7FFFFFFF, n(i))));
    };
    if (c == "screensaver") {
      if (e.text == "timeout")
        mScreenSaver.timeoutSeconds = i32(0);
      else if (e.text == "active")
        mScreenSaver.active = n(0) != 0;
      else
        mScreenSaver.running = n(0) != 0;
      return true;
    }
    if (c == "desktop") {
      mDesktop = RECT{0, 0, i32(0), i32(1)};
      if (!mWorkAreaSet) mWorkArea = RECT{0, 0, i32(0), std::max(0, i32(1) - 30)};
      return true;
    }
    if (c == "workarea") {
      mWorkArea = RECT{i32(0), i32(1), i32(2), i32(3)};
      mWorkAreaSet = true;
      return true;
    }
    HWND window = MainWindow();
    if (!window) return false;
    if (c == "move")
      input.MouseMove(window, i32(0), i32(1));
    else if (c == "leave")
      input.MouseLeave(window);
    else if (c == "down")
      input.Button(window, ButtonOf(e.text), true);
    else if (c == "up")
      input.Button(window, ButtonOf(e.text), false);
    else if (c == "click") {
      input.Button(window, ButtonOf(e.text), true);
      input.Button(window, ButtonOf(e.text), false);
    } else if (c == "wheel")
      input.Wheel(window, i32(0));
    else if (c == "keydown")
      input.Key(window, i32(0), true, false);
    else if (c == "keyup")
      input.Key(window, i32(0), false, false);
    else if (c == "key") {
      input.Key(window, i32(0), true, false);
      input.Key(window, i32(0), false, false);
    } else if (c == "text")
      input.Text(window, e.text);
    else if (c == "focus")
      input.Focus(window, e.text == "on");
    else if (c == "minimize")
      input.Minimized(window);
    else if (c == "maximize")
      input.Maximized(window, i32(0), i32(1));
    else if (c == "restore")
      input.Restored(window, i32(0), i32(1));
    else if (c == "close")
      input.CloseRequested(window);
    else if (c == "endsession")
      input.EndSession(window);
    else if (c == "raw")
      PostRecord(window, static_cast<UINT>(n(0)), static_cast<WPARAM>(n(1)), static_cast<LPARAM>(n(2)));
    return true;
  }

  std::mutex mMutex;
  std::set<HWND> mWindows;
  std::vector<ScriptEvent> mEvents;
  size_t mNext = 0;
  DWORD mScriptBase = 0;
  std::deque<int> mAnswers;
  std::deque<int> mUrlResults;
  std::string mClipboard;
  std::vector<std::uint32_t> mFrame;
  int mFrameWidth = 0, mFrameHeight = 0;
  bool mCursorVisible = true;
  RECT mDesktop{0, 0, 1024, 768};
  RECT mWorkArea{0, 0, 1024, 738};
  bool mWorkAreaSet = false;
  bool mAudioOutTaken = false;
  ScreenSaverState mScreenSaver;
};

HeadlessBackend* Headless() { return dynamic_cast<HeadlessBackend*>(&ActiveBackend()); }

}  // namespace

std::unique_ptr<Backend> CreateHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

bool SetInputScript(const std::string& text, std::vector<std::string>* errors) {
  HeadlessBackend* h = Headless();
  if (!h) return false;
  h->SetScript(text, errors);
  return true;
}

DWORD InputScriptEndTime() {
  HeadlessBackend* h = Headless();
  return h ? h->EndTime() : 0;
}

bool InputScriptFinished() {
  HeadlessBackend* h = Headless();
  return !h || h->Finished();
}

bool LastFrame(std::vector<std::uint32_t>* pixels, int* width, int* height) {
  HeadlessBackend* h = Headless();
  return h && h->Frame(pixels, width, height);
}

bool HeadlessCursorVisible() {
  HeadlessBackend* h = Headless();
  return h && h->CursorVisible();
}

bool SaveLastFrameAsPng(const std::string& path) {
  std::vector<std::uint32_t> pixels;
  int width = 0, height = 0;
  if (!LastFrame(&pixels, &width, &height)) return false;
  return WriteArgbPng(path, pixels.data(), width, height, width);
}

}  // namespace Platform
