// A program the crash tests run in a child process: it faults in the way its
// argument names, with or without an application object, or replays a demo
// that a faulting run left behind.
//
//   crash_probe noapp-segv | noapp-divzero | noapp-abort | noapp-overflow
//   crash_probe app-segv       application present; the clipboard is saved
//                              to "clipboard.txt" when the report asks for
//                              extra information
//   crash_probe record-segv    faults while recording "probe.dmo"
//   crash_probe replay FILE    plays FILE back; prints "replay ok" and the
//                              code of the last event
//   crash_probe first-id       prints the id of the upload transfer's first
//                              request
// CRASH_PROBE_HOST, when set, becomes the report server.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "diagnostics/CrashState.h"
#include "diagnostics/HTTPTransfer.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"

namespace {

using namespace Kivo;

class ProbeApp : public KivoAppBase {
 public:
  ProbeApp() {
    mProductName = "CrashProbe";
    mProductVersion = "probe 1.0";
  }
  std::string GetExtraCrashInfo() override {
    std::ofstream("clipboard.txt", std::ios::binary) << Platform::ClipboardText();
    return std::string();
  }
  void ExitProgram(int32_t code) override { exitCodes.push_back(code); }
  std::vector<int32_t> exitCodes;
};

__attribute__((noinline, no_sanitize("address", "undefined"))) void WriteNowhere() {
  volatile int* nowhere = reinterpret_cast<volatile int*>(static_cast<std::uintptr_t>(0x10));
  *nowhere = 1;
}

__attribute__((noinline, no_sanitize("undefined"))) int DivideByZero() {
  volatile int zero = 0;
  volatile int one = 1;
  return one / zero;
}

__attribute__((noinline, no_sanitize("address"))) int Recurse(int depth) {
  volatile char block[512];
  block[0] = static_cast<char>(depth);
  if (depth < 0) return 0;  // never: the stack runs out first
  return Recurse(depth + 1) + block[0];
}

int Replay(const std::string& file) {
  ProbeApp app;
  app.mPlaying = true;
  app.mDemoFilePath = file;
  std::string error;
  if (!app.ReadDemoFile(&error)) {
    std::printf("replay failed: %s\n", error.c_str());
    return 1;
  }
  for (app.mUpdateCount = 0; app.mUpdateCount <= app.mDemoLength + 16 && app.mPlaying; ++app.mUpdateCount)
    app.ReplayDemoEvents();
  bool ok = app.mPlaying && app.exitCodes.empty() && app.mDemoBuffer.RemainingBits() < 8;
  std::printf("replay %s, last code %d\n", ok ? "ok" : "failed", app.mPendingCode);
  app.mPlaying = false;
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Platform::SetCommandLine(argc, argv);
  Platform::SetMainThread();
  Platform::BackendName();
  Kivo::gCrashReportHost = Platform::EnvironmentValue("CRASH_PROBE_HOST");
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "replay" && argc > 2) return Replay(argv[2]);
  if (mode == "first-id") {
    Kivo::gCrashUploadTransfer.SplitUrl("host");
    std::printf("%u\n", Kivo::gCrashUploadTransfer.Id());
    return 0;
  }
  if (mode == "noapp-segv") WriteNowhere();
  if (mode == "noapp-divzero") std::printf("%d\n", DivideByZero());
  if (mode == "noapp-abort") std::abort();
  if (mode == "noapp-overflow") std::printf("%d\n", Recurse(0));
  if (mode == "app-segv" || mode == "record-segv") {
    ProbeApp* app = new ProbeApp;
    if (mode == "record-segv") {
      app->mRecording = true;
      app->mDemoFilePath = "probe.dmo";
      app->mUpdateCount = 20;
    }
    WriteNowhere();
  }
  std::printf("no fault for mode '%s'\n", mode.c_str());
  return 2;
}
