// A small game for the demo harness: four cells that pick their colours from
// gRandom in every update, a key that fetches and stores a registry value,
// a click that reads a file through the journal, a key (Q) after which the
// next update closes the window itself. Everything the widgets see
// and draw goes to a trace (the file named by DEMO_TRACE), ending with a
// checksum of the whole tree drawn once when shutdown begins. Run it with the
// game's own options (-record, -play, -demofile=, -recnum, -playnum); the
// input comes from GAME_INPUT_SCRIPT and the clicked file is DEMO_DATA_FILE.
//
// DEMO_POKE=<n> instead stores n as the registry value and exits, so a test
// can change the world between a recording and its playback.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "shell/base/TwisterRandom.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"
#include "ui/Widget.h"
#include "ui/WidgetManager.h"

namespace {

using namespace Kivo;

std::vector<std::string> gTrace;
KivoAppBase* gSession = nullptr;
bool gCloseFromUpdate = false;

void Trace(const std::string& line) {
  gTrace.push_back(std::to_string(gSession != nullptr ? gSession->mUpdateCount : -1) + ": " + line);
}

class Cell : public Widget {
 public:
  Cell(int index, int x, int y) : index_(index) { Resize(x, y, 160, 120); }
  void Update() override {
    if (gCloseFromUpdate && index_ == 0) {
      // The way a game closes itself: posted from inside an update, so the
      // close comes in before that update's frame is drawn.
      gCloseFromUpdate = false;
      PostMessageA(gSession->mMainWindow.load(), WM_CLOSE, 0, 0);
    }
    uint32_t draw = gRandom.Next();
    color_ = Color(static_cast<int>(draw & 0xFF), static_cast<int>((draw >> 8) & 0xFF),
                   static_cast<int>((draw >> 16) & 0xFF));
    if (gSession->mUpdateCount % 50 == 0) Trace("cell " + std::to_string(index_) + " rand " + std::to_string(draw));
    Invalidate();
  }
  void Draw(Graphics& g) override {
    g.SetColor(color_);
    g.FillRect(0, 0, mWidth, mHeight);
  }
  void MouseMove(int x, int y) override { Note("move", x, y); }
  void MouseDown(int x, int y, int count) override {
    Note("down", x, y, count);
    Buffer data;
    const char* path = std::getenv("DEMO_DATA_FILE");
    bool found = gSession->LoadFileJournaled(path != nullptr ? path : "missing.txt", data, false);
    Trace("file " + (found ? std::string(reinterpret_cast<const char*>(data.Data()), data.ByteSize()) : "none"));
  }
  void MouseUp(int x, int y, int count) override { Note("up", x, y, count); }
  void MouseLeave() override { Trace("cell " + std::to_string(index_) + " leave"); }
  void MouseWheel(int notches) override { Trace("wheel " + std::to_string(notches)); }
  void KeyDown(int key) override {
    Trace("keydown " + std::to_string(key));
    if (key == 'Q') gCloseFromUpdate = true;
    if (key != 'R') return;
    int32_t value = 0;
    bool found = gSession->FetchRegistryInt("Session\\Value", &value);
    Trace("fetched " + (found ? std::to_string(value) : "none"));
    Trace(std::string("stored ") + (gSession->StoreRegistryInt("Session\\Value", value + 1) ? "yes" : "no"));
  }
  void KeyUp(int key) override { Trace("keyup " + std::to_string(key)); }
  void KeyChar(wchar_t c) override { Trace("char " + std::to_string(static_cast<uint32_t>(c))); }

 private:
  void Note(const char* what, int x, int y, int count = 0) {
    Trace("cell " + std::to_string(index_) + " " + what + " " + std::to_string(x) + " " + std::to_string(y) +
          (count != 0 ? " " + std::to_string(count) : ""));
  }
  int index_;
  Color color_ = Color(0, 0, 0);
};

class SessionApp : public KivoAppBase {
 public:
  SessionApp() {
    mRegistryKey = "KivoDemoSession";
    mProductVersion = "demo session 1";
  }
  void OnFocusLost() override { Trace("focus lost"); }
  void OnFocusGained() override { Trace("focus gained"); }
  void OnShutdown() override {
    // The final frame: the whole tree drawn once.
    mWidgetManager->InvalidateTree();
    mWidgetManager->DrawScreen();
    auto* screen = dynamic_cast<MemoryImage*>(mWidgetManager->mImage);
    uint64_t hash = 1469598103934665603ull;
    if (screen != nullptr) {
      const uint32_t* bits = screen->GetBits();
      for (int i = 0; bits != nullptr && i < screen->GetWidth() * screen->GetHeight(); ++i) {
        hash ^= bits[i];
        hash *= 1099511628211ull;
      }
    }
    Trace("frame " + std::to_string(hash));
    // A playback that stops one present short shows an older last frame than
    // its recording even when the tree drawn here matches.
    Trace("presented " + std::to_string(mDrawCount.load()));
  }
};

}  // namespace

int main(int argc, char** argv) {
  Platform::SetCommandLine(argc, argv);
  Platform::SetMainThread();
  Platform::StartBackend("headless");
  if (const char* poke = std::getenv("DEMO_POKE")) {
    SessionApp app;
    app.mCommandLineRead = true;
    return app.StoreRegistryInt("Session\\Value", std::atoi(poke)) ? 0 : 1;
  }
  {
    SessionApp app;
    gSession = &app;
    app.Init();
    Cell cells[4] = {Cell(0, 0, 0), Cell(1, 320, 0), Cell(2, 0, 240), Cell(3, 320, 240)};
    for (Cell& cell : cells) app.mWidgetManager->AddChild(&cell);
    app.mWidgetManager->SetFocus(&cells[0]);
    app.Start();
    for (Cell& cell : cells) app.mWidgetManager->RemoveChild(&cell);
    gSession = nullptr;
  }
  if (const char* out = std::getenv("DEMO_TRACE")) {
    std::ofstream file(out, std::ios::trunc);
    for (const std::string& line : gTrace) file << line << "\n";
  }
  return 0;
}
