// Shared fixture of the application-object tests: the headless backend with a
// fake clock, a test application that records what the tests watch, and
// widgets that count updates or take a set time to draw.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "ui/Graphics.h"
#include "ui/Widget.h"
#include "ui/WidgetManager.h"

namespace apptest {

using namespace Kivo;

// A widget that is dirty after every update, so every draw pass draws it.
class CountingWidget : public Widget {
 public:
  CountingWidget() { Resize(0, 0, 640, 480); }
  void Update() override {
    ++updates;
    if (updateMs > 0) {
      Sleep(static_cast<DWORD>(updateMs));
      updateMs = 0;
    }
    if (dirty) Invalidate();
  }
  void Draw(Graphics& g) override {
    ++draws;
    if (nextDrawMs > 0) {
      Sleep(static_cast<DWORD>(nextDrawMs));
      nextDrawMs = 0;
    } else if (drawMs > 0) {
      Sleep(static_cast<DWORD>(drawMs));
    }
    if (onDraw) onDraw();
  }
  int updates = 0;
  int draws = 0;
  bool dirty = true;
  int drawMs = 0;      // every draw
  int nextDrawMs = 0;  // the next draw only
  int updateMs = 0;    // the next update only
  std::function<void()> onDraw;
};

// Records the events of a run as one letter each: U update, P present,
// S a sleep of the loop.
class TestApp : public KivoAppBase {
 public:
  void StepUpdate() override {
    updateTimes.push_back(timeGetTime());
    trace += 'U';
    KivoAppBase::StepUpdate();
  }
  void PresentFrame(const Rect* rect) override {
    presentTimes.push_back(timeGetTime());
    trace += 'P';
    KivoAppBase::PresentFrame(rect);
  }
  void ButtonPress(int id) override { pressed.push_back(id); }
  void ButtonDepress(int id) override { released.push_back(id); }
  void ApplyWindowedMode(bool windowed) override { windowedModeCalls.push_back(windowed); }
  void OnFocusGained() override { ++focusGained; }
  void OnFocusLost() override { ++focusLost; }
  void MuteAudio(bool byFocus) override { ++mutes; }
  void UnmuteAudio(bool byFocus) override { ++unmutes; }
  void OnBrowserLaunched(const std::string& url) override { launched.push_back(url); }
  void OnBrowserLaunchFailed(const std::string& url) override { launchFailed.push_back(url); }
  void RefreshCursor() override { ++cursorRefreshes; }
  bool OnKeyDownHook(int key, bool ctrl, bool alt) override { return keyDownHookAnswer; }
  bool HandleDebugKey(int key) override {
    debugKeys.push_back(key);
    return false;
  }
  void LoaderWork() override {
    if (loaderWork) loaderWork();
  }
  void OnLoaderFinished() override {
    ++loaderFinishedCalls;
    loaderFinishedThread = GetCurrentThreadId();
  }

  // One pass; notes a sleep of the loop in the trace.
  bool Step() {
    if (mLeaveLoop) return false;
    int sleepsBefore = mSleepCount;
    bool result = StepAppOnce(nullptr);
    if (mSleepCount != sleepsBefore) trace += 'S';
    return result;
  }
  // Passes until the clock has moved ms milliseconds.
  void RunFor(uint32_t ms) {
    uint32_t end = timeGetTime() + ms;
    int guard = 0;
    while (static_cast<int32_t>(timeGetTime() - end) < 0) {
      if (!Step()) return;
      ASSERT_LT(++guard, 1000000) << "the loop does not move the clock";
    }
  }
  int CountUpdatesBetween(uint32_t from, uint32_t to) const {
    int n = 0;
    for (uint32_t t : updateTimes)
      if (static_cast<int32_t>(t - from) >= 0 && static_cast<int32_t>(t - to) < 0) ++n;
    return n;
  }

  std::string trace;
  std::vector<uint32_t> updateTimes;
  std::vector<uint32_t> presentTimes;
  std::vector<int> pressed, released;
  std::vector<bool> windowedModeCalls;
  int focusGained = 0, focusLost = 0, mutes = 0, unmutes = 0, cursorRefreshes = 0;
  std::vector<std::string> launched, launchFailed;
  bool keyDownHookAnswer = false;
  std::vector<int> debugKeys;
  std::function<void()> loaderWork;
  std::atomic<int> loaderFinishedCalls{0};
  DWORD loaderFinishedThread = 0;
};

// Headless backend, fake clock, a log file the test can read.
class AppFixture : public ::testing::Test {
 protected:
  static constexpr DWORD kClockStart = 0x10000;

  void SetUp() override {
    char pattern[] = "/tmp/kivo_app_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    logPath = folder + "/game.log";
    setenv("GAME_LOG", logPath.c_str(), 1);
    setenv("GAME_HOME", folder.c_str(), 1);
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    Platform::UseFakeClock(StartTime());
  }
  void TearDown() override {
    app.reset();
    unsetenv("GAME_LOG");
    std::string command = "rm -rf '" + folder + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << folder;
  }
  virtual DWORD StartTime() const { return kClockStart; }

  // A started application: windows, screen image, and a counting widget.
  TestApp& MakeApp(bool withWidget = true) {
    app = std::make_unique<TestApp>();
    // The test runner's own arguments are not the game's: without this the
    // application would reject "--gtest_filter" and end the process early.
    app->mCommandLineRead = true;
    app->Init();
    if (withWidget) {
      widget = std::make_unique<CountingWidget>();
      app->mWidgetManager->AddChild(widget.get());
    }
    return *app;
  }

  std::string Log() const {
    std::ifstream in(logPath);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string folder;
  std::string logPath;
  std::unique_ptr<CountingWidget> widget;
  std::unique_ptr<TestApp> app;
};

}  // namespace apptest
