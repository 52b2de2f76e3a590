// shell_demo: a small widget tree run by the application object's main loop
// with real or scripted input.
//
//   shell_demo --headless --script input.txt --out frame.png
//   shell_demo --headless --3d --out frame.png
//   shell_demo                      (an SDL2 window; close it to end)
//
// The tree is a backdrop, two buttons that count their clicks and a box that
// follows the keys. Every input the widgets receive is printed as a trace
// line; the loop statistics follow on stderr. Headless, the run ends with the
// script's close (or one second after its last event) and the last presented
// frame is saved. Exits 1 when the frame cannot be saved, 2 on bad arguments.
// Relative paths are taken from the folder it was started in.
//
// --3d asks start-up for 3D as the game does on its first run: the 3D
// capability test runs (or its verdict is read from the registry), its
// verdict is printed, and a passing test turns 3D on. The tree then also
// holds the display's test card and a sprite turned by a matrix, both drawn
// through the screen image (the renderer, in 3D); the sprite shows only in
// 3D, since the software screen does not draw matrix sprites.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "display/DDInterface.h"
#include "display/demo/TestCard.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Matrix.h"
#include "ui/Graphics.h"
#include "ui/Widget.h"
#include "ui/WidgetManager.h"

using namespace Kivo;

namespace {

std::vector<std::string> gTrace;

void Trace(const char* format, int a, int b = 0, int c = 0) {
  char line[128];
  std::snprintf(line, sizeof line, format, a, b, c);
  gTrace.push_back(line);
}

class Backdrop : public Widget {
 public:
  Backdrop() { Resize(0, 0, 640, 480); }
  void Draw(Graphics& g) override {
    g.SetColor(Color(24, 32, 48));
    g.FillRect(0, 0, mWidth, mHeight);
    g.SetColor(Color(60, 80, 110));
    for (int x = 0; x < mWidth; x += 40) g.FillRect(x, 0, 1, mHeight);
  }
};

class CountButton : public Widget {
 public:
  CountButton(int id, int x, int y, const Color& color) : id_(id), color_(color) { Resize(x, y, 160, 60); }
  void MouseDown(int, int, int count) override {
    Trace("button %d down %d", id_, count);
    Invalidate();
  }
  void MouseUp(int, int, int) override {
    ++clicks_;
    Trace("button %d up, clicks %d", id_, clicks_);
    Invalidate();
  }
  void MouseEnter() override {
    Trace("button %d enter", id_);
    Invalidate();
  }
  void MouseLeave() override {
    Trace("button %d leave", id_);
    Invalidate();
  }
  void Draw(Graphics& g) override {
    g.SetColor(mIsDown ? Color(40, 40, 40) : (mIsOver ? Color(200, 200, 210) : color_));
    g.FillRect(0, 0, mWidth, mHeight);
    g.SetColor(Color(250, 240, 200));
    for (int i = 0; i < clicks_ && i < 14; ++i) g.FillRect(8 + i * 10, mHeight - 14, 6, 8);
  }

 private:
  int id_;
  Color color_;
  int clicks_ = 0;
};

class KeyBox : public Widget {
 public:
  KeyBox() {
    Resize(240, 300, 40, 40);
    mWantsFocus = true;
  }
  void KeyDown(int key) override {
    Trace("key down 0x%02X", key);
    int dx = key == VK_LEFT ? -20 : key == VK_RIGHT ? 20 : 0;
    int dy = key == VK_UP ? -20 : key == VK_DOWN ? 20 : 0;
    if (dx != 0 || dy != 0) Move(mX + dx, mY + dy);
  }
  void KeyChar(wchar_t c) override { Trace("char U+%04X", static_cast<int>(c)); }
  void MouseWheel(int notches) override { Trace("wheel %d", notches); }
  void Draw(Graphics& g) override {
    g.SetColor(Color(240, 160, 40));
    g.FillRect(0, 0, mWidth, mHeight);
  }
};

// The display's test card, drawn through the screen image.
class CardWidget : public Widget {
 public:
  explicit CardWidget(DDInterface* display) : display_(display) {
    Resize(640 - kTestCardWidth, 480 - kTestCardHeight, kTestCardWidth, kTestCardHeight);
  }
  void Draw(Graphics&) override {
    DDImage* screen = display_->GetScreenImage();
    if (screen == nullptr) return;
    (screen->DrawsThrough3D() ? drawsIn3D : drawsIn2D)++;
    DrawTestCard(*display_, mX, mY);
  }
  int drawsIn3D = 0;
  int drawsIn2D = 0;

 private:
  DDInterface* display_;
};

// A checker sprite turned by a matrix about its centre.
class MatrixSprite : public Widget {
 public:
  MatrixSprite() {
    Resize(560, 4, 76, 76);
    std::vector<uint32_t> pixels(kSide * kSide);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        pixels[static_cast<size_t>(y * kSide + x)] = ((x / 8 + y / 8) & 1) != 0 ? kFirst : kSecond;
    sprite_.SetBits(pixels.data(), kSide, kSide, true);
  }
  // True when the last presented frame shows mostly the sprite's two
  // colours around its centre (headless only); the checker's turned edges
  // are blends of the two.
  bool ShownInLastFrame() const {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    if (!Platform::LastFrame(&frame, &w, &h)) return false;
    const int cx = mX + mWidth / 2, cy = mY + mHeight / 2;
    if (cx + 4 >= w || cy + 4 >= h) return false;
    int matches = 0;
    for (int y = cy - 4; y <= cy + 4; ++y)
      for (int x = cx - 4; x <= cx + 4; ++x) {
        const uint32_t p = frame[static_cast<size_t>(y * w + x)] & 0xFFFFFFu;
        matches += p == (kFirst & 0xFFFFFFu) || p == (kSecond & 0xFFFFFFu);
      }
    return matches >= 50;
  }
  void Draw(Graphics& g) override {
    Matrix3 turn;
    turn.RotateRadians(0.5f);
    g.DrawImageByMatrix(&sprite_, turn, Rect(0, 0, kSide, kSide), mWidth / 2.0f, mHeight / 2.0f);
  }

 private:
  static constexpr int kSide = 48;
  static constexpr uint32_t kFirst = 0xFFFFD020u, kSecond = 0xFF2090FFu;
  MemoryImage sprite_;
};

class DemoApp : public KivoAppBase {
 public:
  explicit DemoApp(bool headless) : headless_(headless) {}
  void StepUpdate() override {
    KivoAppBase::StepUpdate();
    // A script without a close still ends, a second after its last event.
    if (headless_ && Platform::InputScriptFinished()) {
      if (!finishedSeen_) {
        finishedSeen_ = true;
        finishedAt_ = timeGetTime();
      } else if (timeGetTime() - finishedAt_ > 1000u) {
        BeginShutdown();
      }
    }
  }
  void OnFocusLost() override { gTrace.push_back("focus lost"); }
  void OnFocusGained() override { gTrace.push_back("focus gained"); }

 private:
  bool headless_;
  bool finishedSeen_ = false;
  uint32_t finishedAt_ = 0;
};

const char kDefaultScript[] =
    "100 move 100 100\n"
    "200 move 120 140\n"
    "300 click left\n"
    "500 move 420 140\n"
    "600 click left\n"
    "700 click left\n"
    "800 key 0x27\n"
    "900 wheel -1\n"
    "1200 close\n";

// What the 3D capability test decided, and whether 3D is on.
void PrintVerdict(KivoAppBase& app) {
  const D3DTester* tester = app.mDisplay != nullptr ? app.mDisplay->tester.get() : nullptr;
  if (tester == nullptr) {
    std::printf("3D test: not run\n");
  } else {
    const char* origin = tester->newResult ? "new result" : "stored result";
    if (!tester->failureReason.empty()) {
      std::printf("3D test: failed: %s (%s)\n", tester->failureReason.c_str(), origin);
    } else if (!tester->warning.empty()) {
      std::printf("3D test: warning: %s (%s)\n", tester->warning.c_str(), origin);
    } else {
      std::printf("3D test: passed (%s)\n", origin);
    }
  }
  std::printf("3D drawing: %s\n", app.Is3DOn() ? "on" : "off");
}

int Usage() {
  std::fprintf(stderr, "usage: shell_demo [--headless] [--3d] [--script FILE] [--out FRAME.png]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  bool want3D = false;
  std::string scriptPath, outPath;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) {
      headless = true;
    } else if (std::strcmp(argv[i], "--3d") == 0) {
      want3D = true;
    } else if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
      scriptPath = argv[++i];
    } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      outPath = argv[++i];
    } else {
      return Usage();
    }
  }
  // Start-up moves into the program's folder: the user's paths mean the
  // folder the tool was started from, so pin them down first.
  for (std::string* path : {&scriptPath, &outPath}) {
    std::error_code ignored;
    if (!path->empty()) *path = std::filesystem::absolute(*path, ignored).string();
  }
  Platform::SetCommandLine(argc, argv);
  Platform::SetMainThread();
  if (!Platform::StartBackend(headless ? "headless" : "sdl2")) {
    std::fprintf(stderr, "shell_demo: no SDL2 window here; running headless\n");
    headless = true;
    Platform::StartBackend("headless");
  }
  if (headless) {
    std::string script = kDefaultScript;
    if (!scriptPath.empty()) {
      std::ifstream in(scriptPath);
      if (!in) {
        std::fprintf(stderr, "shell_demo: cannot read %s\n", scriptPath.c_str());
        return 2;
      }
      std::stringstream text;
      text << in.rdbuf();
      script = text.str();
    }
    std::vector<std::string> errors;
    Platform::SetInputScript(script, &errors);
    for (const std::string& e : errors) std::fprintf(stderr, "shell_demo: script %s\n", e.c_str());
  }

  int result = 0;
  {
    DemoApp app(headless);
    app.mWindowTitle = L"Shell demo";
    // Its settings under a key of its own, as the game keeps them.
    app.mProductName = "KivoShellDemo";
    app.mRegistryKey = "KivoShellDemo";
    // Its options are its own, read above.
    app.mCommandLineRead = true;
    // As the game asks: 3D when the capability test passes.
    app.mAuto3D = want3D;
    app.Init();
    if (want3D) PrintVerdict(app);
    Backdrop backdrop;
    CountButton first(1, 80, 100, Color(70, 110, 230));
    CountButton second(2, 400, 100, Color(60, 200, 80));
    KeyBox box;
    WidgetManager* manager = app.mWidgetManager;
    manager->AddChild(&backdrop);
    manager->AddChild(&first);
    manager->AddChild(&second);
    manager->AddChild(&box);
    manager->SetFocus(&box);
    std::unique_ptr<CardWidget> card;
    std::unique_ptr<MatrixSprite> sprite;
    if (want3D) {
      card.reset(new CardWidget(app.mDisplay));
      sprite.reset(new MatrixSprite());
      manager->AddChild(card.get());
      manager->AddChild(sprite.get());
    }
    app.Start();
    for (const std::string& line : gTrace) std::printf("%s\n", line.c_str());
    if (card != nullptr) {
      std::printf("test card drawn %d times through the renderer, %d in software\n", card->drawsIn3D, card->drawsIn2D);
      if (headless) std::printf("matrix sprite: %s\n", sprite->ShownInLastFrame() ? "shown" : "not shown");
    }
    if (!outPath.empty()) {
      if (!headless) {
        std::fprintf(stderr, "shell_demo: frames are kept only headless; %s not written\n", outPath.c_str());
      } else if (!Platform::SaveLastFrameAsPng(outPath)) {
        std::fprintf(stderr, "shell_demo: could not save %s\n", outPath.c_str());
        result = 1;
      }
    }
    if (sprite != nullptr) manager->RemoveChild(sprite.get());
    if (card != nullptr) manager->RemoveChild(card.get());
    manager->RemoveChild(&box);
    manager->RemoveChild(&second);
    manager->RemoveChild(&first);
    manager->RemoveChild(&backdrop);
  }
  return result;
}
