// Fixture of the developer-key tests: a started application on the headless
// backend with a fake clock and a fake performance counter, its developer
// keys installed, message boxes recorded, the working and data folders in a
// scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/DeveloperKeys.h"
#include "diagnostics/Timing.h"
#include "platform/Platform.h"
#include "platform/devices/SystemSound.h"
#include "platform/PerformanceCounter.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "ui/Widget.h"
#include "ui/WidgetManager.h"

namespace devtest {

using namespace Kivo;

struct MessageBoxRecord {
  std::string text;
  std::string title;
};

class DevApp : public KivoAppBase {
 public:
  explicit DevApp(std::string workFolder) : mWorkFolder(std::move(workFolder)) {}
  int ShowMessageBoxA(const std::string& text, const std::string& title, UINT) override {
    boxes.push_back({text, title});
    return IDOK;
  }
  // The program's folder would be the build folder, shared by parallel runs.
  bool HandleChangeDir(const std::string&) override { return chdir(mWorkFolder.c_str()) == 0; }

  DeveloperKeys& Keys() { return *static_cast<DeveloperKeys*>(mDeveloperTools.get()); }

  std::vector<MessageBoxRecord> boxes;

 private:
  std::string mWorkFolder;
};

// A widget that only records key-downs that reach it.
class KeyWidget : public Widget {
 public:
  KeyWidget() { Resize(0, 0, 640, 480); }
  void KeyDown(int key) override { keys.push_back(key); }
  std::vector<int> keys;
};

class DevFixture : public ::testing::Test {
 protected:
  static constexpr DWORD kClockStart = 0x10000;

  void SetUp() override {
    char pattern[] = "/tmp/kivo_devkeys_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    char here[4096] = {};
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    oldWorkFolder = here;
    setenv("GAME_LOG", (folder + "/game.log").c_str(), 1);
    setenv("GAME_HOME", folder.c_str(), 1);
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    Platform::UseFakeClock(kClockStart);
    Platform::UseFakePerformanceCounter([this] { return counterMs; }, 1000);
    // The profiler's clock estimate waits for the performance counter to move.
    SetCachedCpuClock(1000000000);
  }
  void TearDown() override {
    app.reset();
    widget.reset();
    Platform::UseHostCounters();
    SetCachedCpuClock(0);
    unsetenv("GAME_LOG");
    if (chdir(oldWorkFolder.c_str()) != 0) ADD_FAILURE() << "could not go back to " << oldWorkFolder;
    std::string command = "rm -rf '" + folder + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << folder;
  }

  DevApp& MakeApp() {
    app = std::make_unique<DevApp>(folder);
    app->mCommandLineRead = true;
    app->Init();
    InstallDeveloperKeys(*app);
    widget = std::make_unique<KeyWidget>();
    app->mWidgetManager->AddChild(widget.get());
    app->mWidgetManager->SetFocus(widget.get());
    return *app;
  }

  // A key-down or key-up as the window procedure gets it, dispatched at once.
  void Send(UINT message, int key) {
    app->HandleWindowMessage(app->mMainWindow.load(), message, static_cast<WPARAM>(key), 0);
    app->DrainMessageQueue(false);
  }
  void Down(int key) { Send(key == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN, key); }
  void Up(int key) { Send(WM_KEYUP, key); }
  // Presses key with the modifiers held, then lets them all go.
  void Press(int key, std::vector<int> modifiers = {}) {
    for (int m : modifiers) Down(m);
    Down(key);
    Up(key);
    for (int m : modifiers) Up(m);
  }
  void TurnKeysOn() {
    Press(kDeveloperChordKey, {VK_CONTROL, VK_MENU});
    ASSERT_TRUE(app->mDebugKeysOn);
    widget->keys.clear();
  }

  std::string Log() const {
    std::ifstream in(folder + "/game.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Exists(const std::string& path) const { return std::ifstream(path).good(); }

  std::string folder;
  std::string oldWorkFolder;
  int64_t counterMs = 0;
  std::unique_ptr<KeyWidget> widget;
  std::unique_ptr<DevApp> app;
};

}  // namespace devtest
