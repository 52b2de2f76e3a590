// Shared fixture of the start-up, settings, command-line and screen-mode
// tests: the headless backend with a fake clock, per-test folders for the
// registry store and the data root, and an application whose fatal exits
// unwind to the test instead of ending the process.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/devices/DDraw.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "ui/WidgetManager.h"

namespace startuptest {

using namespace Kivo;

// Thrown by ExitProgram of the test application.
struct ProgramExit {
  int code;
};

class StartupApp : public KivoAppBase {
 public:
  StartupApp() {
    mRegistryKey = "KivoTest";
    mProductName = "KivoTest";
    mCommandLineRead = true;  // the test runner's own options are not ours
  }
  void ExitProgram(int32_t code) override {
    exits.push_back(code);
    throw ProgramExit{code};
  }
  // Scripted display results: each start takes the next, then the real one.
  int32_t InitDisplay() override {
    ++displayStarts;
    if (!scriptedResults.empty()) {
      int32_t result = scriptedResults.front();
      scriptedResults.erase(scriptedResults.begin());
      if (beforeScriptedResult) beforeScriptedResult(result);
      if (result != 0) return result;
    }
    return KivoAppBase::InitDisplay();
  }
  void OnBrowserLaunched(const std::string& url) override {
    launched.push_back(url);
    KivoAppBase::OnBrowserLaunched(url);
  }
  void OnBrowserLaunchFailed(const std::string& url) override {
    failed.push_back(url);
    KivoAppBase::OnBrowserLaunchFailed(url);
  }

  // Counts the journalled writes and journals them as the game does, so a
  // start recorded with this application replays.
  void JournalRegistryStore(bool stored) override {
    journalledStores.push_back(stored);
    KivoAppBase::JournalRegistryStore(stored);
  }

  std::vector<int> exits;
  std::vector<bool> journalledStores;
  std::vector<int32_t> scriptedResults;
  std::function<void(int32_t)> beforeScriptedResult;
  int displayStarts = 0;
  std::vector<std::string> launched, failed;
  // New 3D test verdicts the display reported.
  int test3DPerformed = 0;
  void On3DTestPerformed() override { ++test3DPerformed; }
};

class StartupFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivo_startup_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    logPath = folder + "/game.log";
    setenv("GAME_LOG", logPath.c_str(), 1);
    setenv("GAME_HOME", folder.c_str(), 1);
    // Instance locks under GAME_HOME: tests running side by side never take
    // each other for a first instance.
    unsetenv("XDG_RUNTIME_DIR");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldCwd = cwd;
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    Platform::UseFakeClock(0x10000);
    DDrawStandIn::GetFaults() = DDrawStandIn::Faults();
    gScreenSaverPause = false;
    gPresentFailed = false;
    g3DDrawFailed = false;
    ResetScreenSaverFilter();
    ResetScreenSaverIdleCheck();
  }
  void TearDown() override {
    if (app != nullptr) {
      try {
        app.reset();
      } catch (const ProgramExit&) {
      }
    }
    DDrawStandIn::GetFaults() = DDrawStandIn::Faults();
    gScreenSaverPause = false;
    gPresentFailed = false;
    g3DDrawFailed = false;
    if (chdir(oldCwd.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << oldCwd;
    unsetenv("GAME_LOG");
    std::string command = "rm -rf '" + folder + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << folder;
  }

  // The application, constructed; Init is the test's to call.
  StartupApp& NewApp() {
    app = std::make_unique<StartupApp>();
    app->mProgramFolder = folder;
    return *app;
  }
  // Init, with a fatal exit reported as its code (-1 when none).
  int InitApp() {
    try {
      app->Init();
    } catch (const ProgramExit& exit) {
      return exit.code;
    }
    return -1;
  }

  void Script(const std::string& text) {
    std::vector<std::string> errors;
    ASSERT_TRUE(Platform::SetInputScript(text, &errors));
    ASSERT_TRUE(errors.empty()) << errors.front();
  }
  // Hands every due platform message to its window.
  void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

  std::string Log() const {
    std::ifstream in(logPath);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // A REG_DWORD under the test key, straight from the store.
  static bool ReadDword(const std::string& name, int32_t* value, const std::string& key = "SOFTWARE\\KivoTest") {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 4;
    int32_t read = 0;
    LONG result = RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&read), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != 4) return false;
    *value = read;
    return true;
  }
  static void WriteDword(const std::string& name, int32_t value, const std::string& key = "SOFTWARE\\KivoTest") {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, "Key", 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(handle, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
    RegCloseKey(handle);
  }

  std::string folder;
  std::string logPath;
  std::string oldCwd;
  std::unique_ptr<StartupApp> app;
};

}  // namespace startuptest
