// Entry of the game executable: chooses the platform backend, creates the
// one application object, runs its start-up, its loop and its destruction,
// and returns 0. Fatal errors end the process earlier with their own codes.
//
// Until the game's own application class exists, the application object is
// the framework's, under a product name and registry key fixed at build
// time. Headless, a run with nobody at the controls closes its own window
// once it has been idle for 10 seconds of its clock (without an input
// script: 10 s after the start; with one: 10 s after its last event), so a
// headless run always ends, with its settings saved like any other close.
#include <string>

#include "diagnostics/DeveloperKeys.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"

namespace {

constexpr DWORD kHeadlessIdleLimitMs = 10000;

class EntryApp : public Kivo::KivoAppBase {
 public:
  explicit EntryApp(bool headless) : mHeadless(headless) {
    mProductName = KIVO_PRODUCT_NAME;
    mRegistryKey = KIVO_PRODUCT_NAME;
  }

  void OnInstanceNotify(WPARAM wParam, LPARAM lParam) override {
    Platform::Log("game: another instance asked this one to come forward");
    KivoAppBase::OnInstanceNotify(wParam, lParam);
  }

  void StepUpdate() override {
    KivoAppBase::StepUpdate();
    if (!mHeadless || mCloseSent) return;
    DWORD now = timeGetTime();
    if (!Platform::InputScriptFinished() || mIdleSince == 0) mIdleSince = now;
    if (now - mIdleSince >= kHeadlessIdleLimitMs) {
      Platform::Log("game: headless run idle for 10 s; closing");
      mCloseSent = true;
      PostMessageA(mMainWindow.load(), WM_CLOSE, 0, 0);
    }
  }

 private:
  bool mHeadless;
  bool mCloseSent = false;
  DWORD mIdleSince = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Platform::SetCommandLine(argc, argv);
  Platform::SetMainThread();
  std::string backend = Platform::BackendName();
  Platform::Log(std::string("game ") + KIVO_PRODUCT_VERSION + ", backend " + backend);

  EntryApp* app = new EntryApp(backend == "headless");
  Kivo::InstallDeveloperKeys(*app);
  app->Init();
  app->Start();
  app->DeletingDestructor(1);
  return 0;
}
