// ui_demo: builds a small widget tree on a memory screen, feeds it a
// scripted click and saves the frame that shows the change as a PNG.
//
//   ui_demo --headless --out ui.png
//   ui_demo --font <descriptor> --out font.png
//   ui_demo --headless --dialog --out dlg.png
//
// The tree shows a nine-slice panel, cels of a sheet, a number strip and
// rotated and mirrored images; clicking the button advances the cel and the
// counter. Exits 1 when the click changes nothing on screen or the PNG cannot
// be written, 2 on bad arguments.
//
// With --font it draws a line of the descriptor's font with the "shadow" tag,
// the same line without it, and a line of the legacy pair (legacy.png and
// legacy.txt) found next to the descriptor, as the font generator writes
// them. Exits 1 when the font does not load or draws nothing.
//
// With --dialog it shows a modal YES/NO dialog (header in Latin and Cyrillic,
// system fonts) over a panel and waits for its answer while a scripted
// pointer clicks NO; the frame with the pointer over NO is saved. Exits 1
// unless the wait returns the NO button's id (1001) and the dialog is gone.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/MemoryImage.h"
#include "resources/ImageLib.h"
#include "shell/base/Paths.h"
#include "ui/Dialog.h"
#include "ui/DialogButton.h"
#include "ui/Graphics.h"
#include "ui/ImageFont.h"
#include "ui/Widget.h"
#include "ui/WidgetHost.h"
#include "ui/WidgetManager.h"

using namespace Kivo;

namespace {

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;

std::unique_ptr<MemoryImage> MakeImage(int w, int h, uint32_t fill) {
  auto image = std::make_unique<MemoryImage>();
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, fill);
  image->SetBits(pixels.data(), w, h, true);
  return image;
}

// A 30 by 30 frame: light border, darker edges, a plain middle.
std::unique_ptr<MemoryImage> MakePanel() {
  auto panel = MakeImage(30, 30, 0xFF30405A);
  Graphics g(panel.get());
  g.SetColor(Color(0x50, 0x68, 0x90));
  g.FillRect(0, 0, 30, 10);
  g.FillRect(0, 20, 30, 10);
  g.SetColor(Color(0xC8, 0xD8, 0xF0));
  g.DrawRect(0, 0, 29, 29);
  return panel;
}

// Four coloured cels of 24 by 24 with a mark that moves with the index.
std::unique_ptr<MemoryImage> MakeCelSheet() {
  auto sheet = MakeImage(96, 24, 0xFF000000);
  sheet->columns = 4;
  sheet->rows = 1;
  const Color colours[4] = {Color(220, 60, 60), Color(60, 200, 80), Color(70, 110, 230), Color(230, 200, 50)};
  Graphics g(sheet.get());
  for (int i = 0; i < 4; ++i) {
    g.SetColor(colours[i]);
    g.FillRect(i * 24 + 1, 1, 22, 22);
    g.SetColor(Color(255, 255, 255));
    g.FillRect(i * 24 + 3 + i * 4, 8, 6, 8);
  }
  return sheet;
}

// Ten seven-segment digits of 10 by 14 side by side.
std::unique_ptr<MemoryImage> MakeDigitStrip() {
  static const char* const kSegments[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                            "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
  auto strip = MakeImage(100, 14, 0x00000000);
  Graphics g(strip.get());
  g.SetColor(Color(250, 240, 200));
  for (int d = 0; d < 10; ++d) {
    const int x = d * 10;
    for (const char* s = kSegments[d]; *s != '\0'; ++s) {
      switch (*s) {
        case 'a': g.FillRect(x + 2, 0, 6, 2); break;
        case 'b': g.FillRect(x + 7, 1, 2, 6); break;
        case 'c': g.FillRect(x + 7, 7, 2, 6); break;
        case 'd': g.FillRect(x + 2, 12, 6, 2); break;
        case 'e': g.FillRect(x + 1, 7, 2, 6); break;
        case 'f': g.FillRect(x + 1, 1, 2, 6); break;
        case 'g': g.FillRect(x + 2, 6, 6, 2); break;
      }
    }
  }
  return strip;
}

// An arrow pointing right, for the rotated and mirrored draws.
std::unique_ptr<MemoryImage> MakeArrow() {
  auto arrow = MakeImage(24, 12, 0x00000000);
  Graphics g(arrow.get());
  g.SetColor(Color(240, 140, 40));
  g.FillRect(0, 4, 16, 4);
  for (int i = 0; i < 6; ++i) g.FillRect(16 + i, i, 1, 12 - 2 * i);
  return arrow;
}

class DemoHost : public WidgetHost {
 public:
  void SetCursorNumber(int number) override { std::printf("cursor %d\n", number); }
  bool ImageDrawsThrough3D(const Image*) const override { return false; }
  bool LockScreenImage(Image*) override { return false; }
  void UnlockScreenImage(Image*) override {}
};

class Panel : public Widget {
 public:
  explicit Panel(Image* frame) : mFrame(frame) {}
  void Draw(Graphics& g) override { g.DrawImageBox(Rect(0, 0, mWidth, mHeight), mFrame); }

 private:
  Image* mFrame;
};

// Shows the current cel, the click count and two arrows; the button below
// advances both.
class Display : public Widget {
 public:
  Display(Image* sheet, Image* digits, Image* arrow) : mSheet(sheet), mDigits(digits), mArrow(arrow) {}
  void Draw(Graphics& g) override {
    g.DrawImageCelIndex(mSheet, 10, 10, mClicks % 4);
    DrawNumberStrip(g, mClicks, 50, 15, mDigits, 2);
    g.DrawImageRotated(mArrow, 120, 10, std::atan(1.0) * 2.0 * (mClicks % 4));
    LazyTransform2D mirrored;
    mirrored.Scale(-1.0f, 2.0f);
    g.DrawImageTransformed(mArrow, mirrored, Rect(0, 0, 24, 12), 180.0f, 22.0f, false);
  }
  void Advance() {
    ++mClicks;
    Invalidate();
  }
  int Clicks() const { return mClicks; }

 private:
  Image* mSheet;
  Image* mDigits;
  Image* mArrow;
  int mClicks = 0;
};

class Button : public Widget {
 public:
  explicit Button(Display* target) : mTarget(target) { mHandCursor = true; }
  void Draw(Graphics& g) override {
    g.SetColor(mIsDown ? Color(90, 90, 90) : (mIsOver ? Color(150, 150, 170) : Color(120, 120, 140)));
    g.FillRect(0, 0, mWidth, mHeight);
    g.SetColor(Color(230, 230, 230));
    g.DrawRect(0, 0, mWidth - 1, mHeight - 1);
  }
  void MouseEnter() override { Invalidate(); }
  void MouseLeave() override { Invalidate(); }
  void MouseDownButton(int, int, int, int) override { Invalidate(); }
  void MouseUpButton(int x, int y, int button, int) override {
    Invalidate();
    if (button == 0 && x >= 0 && y >= 0 && x < mWidth && y < mHeight) mTarget->Advance();
  }

 private:
  Display* mTarget;
};

bool SavePng(const std::string& path, MemoryImage& screen) {
  ImageLib::Image out(screen.width, screen.height);
  const uint32_t* bits = screen.GetBits();
  for (size_t i = 0; i < out.pixels.size(); ++i) out.pixels[i] = bits[i] | 0xFF000000u;
  return ImageLib::WritePngImage(path, out);
}

int RunFontDemo(const std::string& descriptor, const std::string& out) {
  auto screen = MakeImage(480, 150, 0xFF3A5A78);
  Graphics g(screen.get());
  StandaloneFontHost host;
  ImageFont font(&host, descriptor);
  if (!font.GetFontData()->IsInitialised()) {
    std::fprintf(stderr, "ui_demo: the font %s did not load\n", descriptor.c_str());
    return 1;
  }
  const std::wstring text = L"\u041F\u0440\u0438\u0432\u0435\u0442, World";
  font.AddTag(L"shadow");
  font.DrawString(g, 12, 12 + font.GetAscent(), text, Color(255, 230, 120), Rect());
  font.RemoveTag(L"shadow");
  font.DrawString(g, 12, 12 + font.GetHeight() + 8 + font.GetAscent(), text, Color(255, 255, 255), Rect());

  const std::string folder = PathFolder(descriptor, true);
  ImageLib::ImagePtr decoded = ImageLib::LoadImageFile(folder + "legacy.png", false);
  auto strip = std::make_unique<MemoryImage>();
  if (decoded != nullptr) strip->SetBits(decoded->pixels.data(), decoded->width, decoded->height, true);
  ImageFont legacy(strip.get(), folder + "legacy.txt");
  if (legacy.GetFontData()->IsInitialised()) {
    legacy.DrawString(g, 12, 24 + 2 * font.GetHeight() + 8 + legacy.GetAscent(), L"Legacy font: Hello, World!",
                      Color(160, 255, 160), Rect());
  } else {
    std::printf("no legacy pair next to the descriptor\n");
  }

  size_t changed = 0;
  for (size_t i = 0; i < screen->PixelCount(); ++i) changed += screen->GetBits()[i] != 0xFF3A5A78u;
  std::printf("text width %d, pixels drawn %zu\n", font.StringWidth(text), changed);
  if (!SavePng(out, *screen)) {
    std::fprintf(stderr, "ui_demo: cannot write %s\n", out.c_str());
    return 1;
  }
  return changed > 0 ? 0 : 1;
}

// Stands in for the application's loop and dialog registry: each pass
// replays one scripted pointer event, updates and draws.
class DialogDemoRunner : public DialogRunner {
 public:
  DialogDemoRunner(WidgetManager& manager, MemoryImage& screen, const std::string& out)
      : mManager(manager), mScreen(screen), mOut(out) {}
  ~DialogDemoRunner() override {
    for (Widget* w : mQueued) delete w;
  }
  void Register(Dialog* dialog) {
    mDialog = dialog;
    dialog->mRunner = this;
    mManager.AddChild(dialog);
    mManager.PushModal(dialog);
  }
  bool StepAppOnce(bool* updated) override {
    if (updated != nullptr) *updated = true;
    DialogButton* no = mDialog != nullptr ? mDialog->GetButton(kDialogButtonNo) : nullptr;
    if (no != nullptr) {
      const int x = no->mX + no->mWidth / 2, y = no->mY + no->mHeight / 2;
      switch (mPass) {
        case 1: mManager.OnMouseMove(x, y); break;
        case 2: mManager.OnMouseDown(x, y, 1); break;
        case 3: mManager.OnMouseUp(x, y, 1); break;
        default: break;
      }
    }
    mManager.UpdateFrame();
    mManager.DrawScreen();
    if (mPass == 1) mSaved = SavePng(mOut, mScreen);
    for (Widget* w : mQueued) delete w;
    mQueued.clear();
    return ++mPass < 10;
  }
  Dialog* FindDialog(int id) override { return mDialog != nullptr && mDialog->mId == id ? mDialog : nullptr; }
  bool RemoveDialogById(int id) override {
    if (FindDialog(id) == nullptr) return false;
    mManager.RemoveChild(mDialog);
    mManager.PopModal(mDialog);
    mQueued.push_back(mDialog);
    mDialog = nullptr;
    return true;
  }
  bool Saved() const { return mSaved; }

 private:
  WidgetManager& mManager;
  MemoryImage& mScreen;
  std::string mOut;
  Dialog* mDialog = nullptr;
  std::vector<Widget*> mQueued;
  int mPass = 0;
  bool mSaved = false;
};

int RunDialogDemo(const std::string& out) {
  auto screen = MakeImage(480, 320, 0xFF101820);
  auto frame = MakePanel();
  DemoHost host;
  WidgetManager manager(&host);
  manager.SetCoordinateTransform(Rect(0, 0, 480, 320), Rect(0, 0, 480, 320));
  manager.mImage = screen.get();
  Panel panel(frame.get());
  panel.Resize(10, 10, 460, 300);
  manager.AddChild(&panel);
  DialogDemoRunner runner(manager, *screen, out);
  auto* dialog =
      new Dialog(nullptr, nullptr, 1, true, L"Save the game? \u0421\u043e\u0445\u0440\u0430\u043d\u0438\u0442\u044c?",
                 L"Your progress in this level will be lost otherwise.", L"", kDialogYesNo);
  runner.Register(dialog);
  dialog->Resize(60, 50, 360, dialog->GetPreferredHeight(360));
  const int result = dialog->WaitForResult(true);
  const bool gone = runner.FindDialog(1) == nullptr;
  std::printf("dialog result %d, %s\n", result, gone ? "removed" : "still registered");
  if (!runner.Saved()) std::fprintf(stderr, "ui_demo: cannot write %s\n", out.c_str());
  manager.RemoveAllChildren(false, false);
  return result == kDialogButtonNo && gone && runner.Saved() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  std::string out;
  std::string fontDescriptor;
  bool dialogDemo = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) {
      headless = true;
    } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else if (std::strcmp(argv[i], "--dialog") == 0) {
      dialogDemo = true;
    } else if (std::strcmp(argv[i], "--font") == 0 && i + 1 < argc) {
      fontDescriptor = argv[++i];
    } else {
      std::fprintf(
          stderr,
          "usage: ui_demo --headless [--dialog] --out <file.png> | ui_demo --font <descriptor> --out <file.png>\n");
      return 2;
    }
  }
  if (!fontDescriptor.empty() && !out.empty()) return RunFontDemo(fontDescriptor, out);
  if (dialogDemo && headless && !out.empty()) return RunDialogDemo(out);
  if (!headless || out.empty()) {
    std::fprintf(stderr, "ui_demo: only --headless with --out is available (the window comes with the application)\n");
    return 2;
  }

  auto screen = MakeImage(kScreenWidth, kScreenHeight, 0xFF101820);
  auto frame = MakePanel();
  auto sheet = MakeCelSheet();
  auto digits = MakeDigitStrip();
  auto arrow = MakeArrow();

  DemoHost host;
  WidgetManager manager(&host);
  manager.SetCoordinateTransform(Rect(0, 0, kScreenWidth, kScreenHeight), Rect(0, 0, kScreenWidth, kScreenHeight));
  manager.mImage = screen.get();

  Panel panel(frame.get());
  panel.Resize(10, 10, 300, 220);
  Display display(sheet.get(), digits.get(), arrow.get());
  display.Resize(20, 20, 260, 60);
  Button button(&display);
  button.Resize(20, 150, 80, 30);
  manager.AddChild(&panel);
  panel.AddChild(&display);
  panel.AddChild(&button);

  manager.UpdateFrame();
  manager.DrawScreen();
  const std::vector<uint32_t> before(screen->GetBits(), screen->GetBits() + kScreenWidth * kScreenHeight);

  // The scripted click, in window coordinates.
  int x = 70, y = 175;
  manager.WindowToLogical(&x, &y);
  manager.OnMouseMove(x, y);
  manager.OnMouseDown(x, y, 1);
  manager.OnMouseUp(x, y, 1);
  manager.UpdateFrame();
  const bool drawn = manager.DrawScreen();

  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != screen->GetBits()[i];
  std::printf("clicks %d, redrawn %s, pixels changed %zu\n", display.Clicks(), drawn ? "yes" : "no", changed);

  const bool saved = SavePng(out, *screen);
  if (!saved) std::fprintf(stderr, "ui_demo: cannot write %s\n", out.c_str());
  panel.RemoveAllChildren(false, false);
  manager.RemoveAllChildren(false, false);
  return saved && display.Clicks() == 1 && changed > 0 ? 0 : 1;
}
