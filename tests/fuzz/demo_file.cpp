// Fuzz target: the demo file reader and the replay of its event stream. Any
// bytes must either be refused by ReadDemoFile or replay to the end (or to a
// clean "Invalid demo file." stop) without a crash, with the journalled calls
// of a run taking their records in between.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Platform.h"
#include "shell/KivoAppBase.h"

namespace {

using namespace Kivo;

// An application that replays into its widget manager but never leaves the
// process, shows nothing and keeps no settings.
class FuzzApp : public KivoAppBase {
 public:
  void ExitProgram(int32_t) override {}
  void ShowFatalErrorA(const std::string&) override { ++fatalErrors; }
  void ShowFatalErrorW(const std::wstring&) override { ++fatalErrors; }
  void BeginShutdown() override { mShuttingDown = true; }
  void RefreshCursor() override {}
  void MuteAudio(bool) override {}
  void UnmuteAudio(bool) override {}
  int fatalErrors = 0;
};

// The home and the demo file, removed at exit (a plain array: it outlives
// every destructor the exit runs).
char gFolder[] = "/tmp/kivo_fuzz_demo_XXXXXX";

void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(gFolder, ec);
}

FuzzApp* App() {
  static FuzzApp* app = [] {
    const char* folder = mkdtemp(gFolder);
    if (folder == nullptr) std::abort();
    std::atexit(RemoveFolder);
    setenv("GAME_HOME", folder, 1);
    Platform::SetMainThread();
    if (!Platform::StartBackend("headless")) std::abort();
    Platform::UseFakeClock(0x10000);
    auto* made = new FuzzApp();
    made->mProductVersion = "fuzz";
    made->mRegistryKey = "KivoFuzz";
    made->mDemoFilePath = std::string(folder) + "/fuzz.dmo";
    return made;
  }();
  return app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzApp* app = App();
  {
    std::FILE* file = std::fopen(app->mDemoFilePath.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
  }
  app->mPlaying = true;
  app->mRecording = false;
  app->mShuttingDown = false;
  app->mWindowClosed = false;
  app->mMarkers.clear();
  app->mDemoBuffer.Reset();
  app->mHeaderNeeded = true;
  app->mLastEventUpdate = 0;
  app->mUpdateCount = 0;
  app->mDemoMouseX = 0;
  app->mDemoMouseY = 0;
  std::string error;
  if (!app->ReadDemoFile(&error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  // Each pass consumes at least one header, so the loop ends with the stream.
  int64_t guard = int64_t{app->mDemoBuffer.BitCount()} + 8;
  int pass = 0;
  while (app->mPlaying && !app->mShuttingDown && !app->mDemoBuffer.Exhausted() && guard-- > 0) {
    app->ReplayDemoEvents();
    if (!app->mPlaying || app->mShuttingDown || app->mDemoBuffer.Exhausted()) break;
    // A journalled call of the run, chosen by the pass, takes the next record.
    switch (pass++ % 4) {
      case 0: {
        Buffer bytes;
        app->LoadFileJournaled("level.txt", bytes, false);
        break;
      }
      case 1: {
        std::string text;
        app->JournalString(text);
        break;
      }
      case 2: {
        uint8_t value[8];
        DWORD type = 0, room = sizeof value;
        app->FetchRegistryValue("Value", &type, value, &room);
        break;
      }
      default: app->mUpdateCount = app->mLastEventUpdate; break;
    }
    if (app->mUpdateCount < app->mLastEventUpdate) app->mUpdateCount = app->mLastEventUpdate;
  }
  app->mPlaying = false;
  return 0;
}
