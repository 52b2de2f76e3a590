// The software cursor on a headless windowed display: the primary surface
// (the whole desktop, client area at 100, 50) is compared against the
// background frame with the cursor picture pasted in.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "display/D3DInterface.h"
#include "image/surface/SoftwareCursor.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "platform/devices/D3D.h"
#include "tests/display/ddraw_fixture.h"

namespace {

using DDrawTest::DisplayFixture;
using Kivo::DDInterface;

constexpr uint32_t kPicture = 0xFF1020FFu;  // the background never has blue 0xFF
constexpr int kClientX = 100, kClientY = 50;

uint32_t Background(int x, int y) {
  return 0xFF000000u | (static_cast<uint32_t>(x & 0xFF) << 16) | (static_cast<uint32_t>(y & 0xFF) << 8) |
         static_cast<uint32_t>(((x >> 8) << 6) | ((y >> 8) << 4));
}

// Reads or writes the pixels of a 32-bit surface.
std::vector<uint32_t> ReadSurface(IDirectDrawSurface* s, int* width) {
  DDSURFACEDESC d;
  std::memset(&d, 0, sizeof(d));
  d.dwSize = sizeof(d);
  EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  std::vector<uint32_t> out(static_cast<size_t>(d.dwWidth) * d.dwHeight);
  for (DWORD y = 0; y < d.dwHeight; ++y)
    std::memcpy(&out[y * d.dwWidth], static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch, d.dwWidth * 4);
  s->Unlock(nullptr);
  *width = static_cast<int>(d.dwWidth);
  return out;
}

// Fills a 32-bit surface with a colour.
void FillSurface(IDirectDrawSurface* s, uint32_t color) {
  DDSURFACEDESC d;
  std::memset(&d, 0, sizeof(d));
  d.dwSize = sizeof(d);
  ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  for (DWORD y = 0; y < d.dwHeight; ++y)
    for (DWORD x = 0; x < d.dwWidth; ++x)
      reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch)[x] = color;
  s->Unlock(nullptr);
}

// The desktop outside the window's client area never shows the picture.
void ExpectNothingOutsideTheClientArea(IDirectDrawSurface* primary) {
  int w = 0;
  const std::vector<uint32_t> desktop = ReadSurface(primary, &w);
  int wrong = 0;
  for (size_t i = 0; i < desktop.size(); ++i) {
    const int x = static_cast<int>(i % static_cast<size_t>(w)), y = static_cast<int>(i / static_cast<size_t>(w));
    const bool inClient = x >= kClientX && x < kClientX + 640 && y >= kClientY && y < kClientY + 480;
    if (!inClient && (desktop[i] & 0xFFFFFF) == (kPicture & 0xFFFFFF) && ++wrong < 5)
      ADD_FAILURE() << "picture outside the client area at " << x << "," << y;
  }
  EXPECT_EQ(wrong, 0);
}

struct Cursor {
  int x, y;
  uint32_t color = kPicture;
};

// The 640 x 480 frame at (originX, originY) on the primary equals the
// background with a 20 x 20 picture centred on each of the given positions.
void ExpectFrame(IDirectDrawSurface* primary, int originX, int originY, const std::vector<Cursor>& cursors,
                 const std::function<uint32_t(int, int)>& background = Background) {
  int w = 0;
  const std::vector<uint32_t> screen = ReadSurface(primary, &w);
  int wrong = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      uint32_t want = background(x, y);
      for (auto& c : cursors)
        if (x >= c.x - 10 && x < c.x + 10 && y >= c.y - 10 && y < c.y + 10) want = c.color;
      if (x + originX < 0 || y + originY < 0) continue;  // off the desktop
      const uint32_t got = screen[static_cast<size_t>(y + originY) * w + static_cast<size_t>(x + originX)];
      if ((got & 0xFFFFFF) != (want & 0xFFFFFF) && ++wrong < 5)
        ADD_FAILURE() << "at " << x << "," << y << " got " << std::hex << got << " want " << want;
    }
  EXPECT_EQ(wrong, 0);
}

class SoftwareCursor : public DisplayFixture {
 protected:
  std::unique_ptr<DDInterface> display;
  Kivo::MemoryImage picture;
  bool threeD = false;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    display.reset(new DDInterface(&app));
    display->is3D = threeD;
    ASSERT_EQ(display->Init(host.window, true), 0);
    Kivo::InstallSoftwareCursor(*display);
    // The background: a pattern that shows any shift.
    DDSURFACEDESC d;
    std::memset(&d, 0, sizeof(d));
    d.dwSize = sizeof(d);
    ASSERT_EQ(display->drawSurface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch)[x] = Background(x, y);
    display->drawSurface->Unlock(nullptr);
    std::vector<uint32_t> pixels(20 * 20, kPicture);
    ASSERT_TRUE(picture.SetBits(pixels.data(), 20, 20, true));
    EXPECT_TRUE(display->SetCursorImage(&picture));
  }
  void TearDown() override {
    display.reset();
    D3DStandIn::Reset();
    DisplayFixture::TearDown();
  }

  // The client area of the primary equals the background with a 20 x 20
  // picture centred on each of the given positions.
  void ExpectScreen(std::vector<Cursor> cursors, const std::function<uint32_t(int, int)>& background = Background) {
    ExpectFrame(display->primarySurface, kClientX, kClientY, cursors, background);
  }

  // The saved area holds the background under the cursor at (cx, cy), for
  // the part of the area inside the display.
  void ExpectSavedBackground(int cx, int cy, const std::function<uint32_t(int, int)>& background = Background) {
    int w = 0;
    const std::vector<uint32_t> saved = ReadSurface(display->oldCursorArea, &w);
    int wrong = 0;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 80; ++x) {
        const int sx = cx - 40 + x, sy = cy - 40 + y;
        if (sx < 0 || sy < 0 || sx >= 640 || sy >= 480) continue;
        if ((saved[static_cast<size_t>(y) * w + x] & 0xFFFFFF) != (background(sx, sy) & 0xFFFFFF)) ++wrong;
      }
    EXPECT_EQ(wrong, 0);
  }
};

TEST_F(SoftwareCursor, PresentDrawsTheCursorAndLeavesTheFrameClean) {
  display->cursorX = 200;
  display->cursorY = 150;
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({{200, 150}});
  EXPECT_TRUE(display->cursorSaved);
  ExpectSavedBackground(200, 150);
  // The draw buffer got its pixels back.
  int w = 0;
  const std::vector<uint32_t> frame = ReadSurface(display->drawSurface, &w);
  EXPECT_EQ(frame[150 * static_cast<size_t>(w) + 200] & 0xFFFFFF, Background(200, 150) & 0xFFFFFF);
}

// At (0, 0) only the lower-right quarter of the area lies on the display:
// only that quarter is saved (the rest of the saved area keeps what it
// held) and only that quarter of the picture is drawn, whether the present
// draws it into the frame or the cursor thread draws it on the desktop.
TEST_F(SoftwareCursor, CursorAtTheCornerSavesAndDrawsOnlyTheVisibleQuarter) {
  constexpr uint32_t kUntouched = 0xFF0BCDEFu;  // neither background nor picture
  for (const bool byThread : {false, true}) {
    SCOPED_TRACE(byThread ? "cursor thread" : "present");
    FillSurface(display->oldCursorArea, kUntouched);
    if (byThread) {
      // A frame without cursor first, so the desktop shows the background.
      display->cursorSaved = false;
      ASSERT_TRUE(display->SetCursorImage(nullptr));
      ASSERT_TRUE(display->Redraw(nullptr));
      FillSurface(display->oldCursorArea, kUntouched);
      ASSERT_TRUE(display->SetCursorImage(&picture));
      Kivo::SetSoftwareCursorPos(*display, 0, 0);
    } else {
      display->cursorX = 0;
      display->cursorY = 0;
      ASSERT_TRUE(display->Redraw(nullptr));
    }
    ExpectScreen({{0, 0}});
    ExpectNothingOutsideTheClientArea(display->primarySurface);
    EXPECT_TRUE(display->cursorSaved);
    ExpectSavedBackground(0, 0);
    int w = 0;
    const std::vector<uint32_t> saved = ReadSurface(display->oldCursorArea, &w);
    int touched = 0;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 80; ++x)
        if ((x < 40 || y < 40) && saved[static_cast<size_t>(y) * w + x] != kUntouched) ++touched;
    EXPECT_EQ(touched, 0);
  }
}

TEST_F(SoftwareCursor, ThreadMovesShowTheBackgroundBehindAndSaveTheNewPlace) {
  display->cursorX = 200;
  display->cursorY = 150;
  ASSERT_TRUE(display->Redraw(nullptr));
  // A short move: the uncovered strip shows the background again.
  Kivo::SetSoftwareCursorPos(*display, 210, 150);
  ExpectScreen({{210, 150}});
  ExpectSavedBackground(210, 150);
  EXPECT_EQ(display->cursorDrawnX, 210);
  // A diagonal overlap.
  Kivo::SetSoftwareCursorPos(*display, 180, 175);
  ExpectScreen({{180, 175}});
  ExpectSavedBackground(180, 175);
  // Further than the area: restore, then draw.
  Kivo::SetSoftwareCursorPos(*display, 400, 300);
  ExpectScreen({{400, 300}});
  ExpectSavedBackground(400, 300);
  EXPECT_TRUE(display->cursorSaved);
  // The next present puts it where it is wanted.
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({{400, 300}});
}

// A window hanging off the desktop's top-left corner: the saves from the
// desktop reach past its edge, fail, and are retried cut to the desktop, so
// the cursor thread can still draw, move and restore the visible part.
TEST_F(SoftwareCursor, WindowPastTheDesktopEdgeSavesWhatIsOnTheDesktop) {
  host.client = RECT{-30, -20, 610, 460};
  ASSERT_TRUE(display->SetCursorImage(nullptr));
  ASSERT_TRUE(display->Redraw(nullptr));
  ASSERT_TRUE(display->SetCursorImage(&picture));
  Kivo::SetSoftwareCursorPos(*display, 40, 30);
  EXPECT_TRUE(display->cursorSaved);
  ExpectFrame(display->primarySurface, -30, -20, {{40, 30}});
  Kivo::SetSoftwareCursorPos(*display, 48, 26);
  ExpectFrame(display->primarySurface, -30, -20, {{48, 26}});
  Kivo::SetSoftwareCursorPos(*display, 300, 200);
  ExpectFrame(display->primarySurface, -30, -20, {{300, 200}});
  EXPECT_TRUE(display->cursorSaved);
}

// The window host sees each frame while the present still holds the
// display lock; a cursor-thread call made then must come back at once,
// having only stored the position.
class PresentSpy : public DDrawTest::WindowRecorder {
 public:
  std::function<void()> onPresent;
  void Present(HWND w, const uint32_t* pixels, int width, int height, int pitch) override {
    WindowRecorder::Present(w, pixels, width, height, pitch);
    if (onPresent) onPresent();
  }
};

TEST_F(SoftwareCursor, PositionDuringAPresentIsOnlyStored) {
  PresentSpy spy;
  spy.client = host.client;
  DDrawStandIn::SetWindowHost(&spy);
  display->cursorX = 200;
  display->cursorY = 150;
  std::future<void> mover;
  bool returnedDuringPresent = false;
  int drawnXDuringPresent = -1;
  bool first = true;
  spy.onPresent = [&] {
    if (!first) return;
    first = false;
    mover = std::async(std::launch::async, [&] { Kivo::SetSoftwareCursorPos(*display, 300, 300); });
    returnedDuringPresent = mover.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    drawnXDuringPresent = display->cursorDrawnX;
  };
  ASSERT_TRUE(display->Redraw(nullptr));
  ASSERT_TRUE(mover.valid());
  mover.wait();
  DDrawStandIn::SetWindowHost(&host);
  EXPECT_TRUE(returnedDuringPresent);
  EXPECT_EQ(drawnXDuringPresent, 200);
  EXPECT_EQ(display->cursorX, 300);
  EXPECT_EQ(display->cursorY, 300);
  EXPECT_EQ(display->cursorDrawnX, 200);
  ExpectScreen({{200, 150}});
  // The next present draws it where it is wanted.
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({{300, 300}});
}

// The cursor thread moving the pointer as fast as it can while the main
// thread draws and presents: every step is serialised by the display lock
// or reads the atomic position, so the desktop ends with the background and
// exactly one cursor, wherever the last step left it.
TEST_F(SoftwareCursor, CursorThreadMovesWhileTheMainThreadPresents) {
  const Kivo::Rect drawn(560, 400, 60, 60);
  uint32_t kDrawn = 0;  // read back from the frame: the fill's own rounding is not under test here
  auto withDrawing = [&](int x, int y) {
    const bool inside = x >= drawn.x && x < drawn.x + drawn.width && y >= drawn.y && y < drawn.y + drawn.height;
    return inside ? kDrawn : Background(x, y);
  };
  std::atomic<bool> stop{false};
  std::atomic<int> moves{0};
  std::thread mover([&] {
    for (int i = 0; !stop.load(); ++i) {
      Kivo::SetSoftwareCursorPos(*display, 60 + (i * 7) % 480, 60 + (i * 3) % 300);
      moves.fetch_add(1);
      std::this_thread::yield();
    }
  });
  for (int frame = 0; frame < 30 || moves.load() < 200; ++frame) {
    display->screenImage->FillRect(drawn, Kivo::Color(0x30, 0xC0, 0x60), 0);
    ASSERT_TRUE(display->Redraw(nullptr));
    if (frame > 5000) break;
  }
  stop = true;
  mover.join();
  EXPECT_GE(moves.load(), 200);
  int w = 0;
  kDrawn = ReadSurface(display->drawSurface, &w)[static_cast<size_t>(drawn.y) * w + drawn.x];
  EXPECT_NE(kDrawn & 0xFFFFFF, Background(drawn.x, drawn.y) & 0xFFFFFF);
  const int lastX = display->cursorDrawnX, lastY = display->cursorDrawnY;
  if (display->cursorSaved) ExpectScreen({{lastX, lastY}}, withDrawing);
  Kivo::SetSoftwareCursorPos(*display, 321, 234);
  ExpectScreen({{321, 234}}, withDrawing);
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({{321, 234}}, withDrawing);
}

TEST_F(SoftwareCursor, SameImageIsNoChangeAndNullDrawsNoCursor) {
  EXPECT_FALSE(display->SetCursorImage(&picture));
  EXPECT_TRUE(display->SetCursorImage(nullptr));
  display->cursorX = 200;
  display->cursorY = 150;
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({});
  EXPECT_FALSE(display->cursorSaved);
  Kivo::SetSoftwareCursorPos(*display, 220, 150);
  ExpectScreen({});
}

// A picture of four rows, each its own colour: every present draws the next
// cel, centred on the cursor, while moves between presents keep the cel.
TEST_F(SoftwareCursor, AnimatedPictureStepsOneCelPerPresent) {
  const uint32_t kCel[4] = {0xFF1020FFu, 0xFF2040FEu, 0xFF3060FDu, 0xFF4080FCu};
  std::vector<uint32_t> pixels(20 * 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 20; ++x) pixels[static_cast<size_t>(y) * 20 + x] = kCel[y / 20];
  Kivo::MemoryImage animated;
  ASSERT_TRUE(animated.SetBits(pixels.data(), 20, 80, true));
  animated.rows = 4;
  ASSERT_TRUE(display->SetCursorImage(&animated));
  const int expected[] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 0};
  display->cursorX = 200;
  display->cursorY = 150;
  for (int i = 0; i < 14; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(display->Redraw(nullptr));
    ExpectScreen({{200, 150, kCel[expected[i]]}});
  }
  const float frame = display->cursorFrame;
  Kivo::SetSoftwareCursorPos(*display, 205, 150);
  Kivo::SetSoftwareCursorPos(*display, 400, 300);
  ExpectScreen({{400, 300, kCel[0]}});
  EXPECT_EQ(display->cursorFrame, frame);
}

TEST(CursorAnimation, FourRowsRunTheCelsInSinglePrecisionSteps) {
  float frame = 0.0f;
  const int expected[] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 0};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(Kivo::NextCursorCel(frame, 4), expected[i]) << "draw " << i;
  float still = 0.0f;
  EXPECT_EQ(Kivo::NextCursorCel(still, 1), -1);
  EXPECT_EQ(still, 0.0f);
}

TEST(CursorRects, AreaIsCutToTheBoundsAndMovedToTheTarget) {
  const auto r = Kivo::ComputeCursorRects(0, 0, 80, 80, Kivo::Rect(0, 0, 640, 480), 100, 50);
  EXPECT_EQ(r.area, Kivo::Rect(-40, -40, 80, 80));
  EXPECT_EQ(r.areaPart, Kivo::Rect(40, 40, 40, 40));
  EXPECT_EQ(r.targetPart, Kivo::Rect(100, 50, 40, 40));
  const auto off = Kivo::ComputeCursorRects(-100, 10, 80, 80, Kivo::Rect(0, 0, 640, 480), 0, 0);
  EXPECT_EQ(off.areaPart, Kivo::Rect());
  EXPECT_EQ(off.targetPart, Kivo::Rect());
}

// Full screen with page flipping: the cursor goes onto the back buffer
// before the flip and is then moved on the front buffer in display
// coordinates (no window origin).
TEST_F(DisplayFixture, FullScreenFlipCarriesTheCursorAndTheThreadMovesIt) {
  app.colorDepth = 32;
  DDInterface display(&app);
  ASSERT_EQ(display.Init(host.window, false), 0);
  Kivo::InstallSoftwareCursor(display);
  DDSURFACEDESC d;
  std::memset(&d, 0, sizeof(d));
  d.dwSize = sizeof(d);
  ASSERT_EQ(display.drawSurface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch)[x] = Background(x, y);
  display.drawSurface->Unlock(nullptr);
  Kivo::MemoryImage picture;
  std::vector<uint32_t> pixels(20 * 20, kPicture);
  ASSERT_TRUE(picture.SetBits(pixels.data(), 20, 20, true));
  ASSERT_TRUE(display.SetCursorImage(&picture));
  display.cursorX = 200;
  display.cursorY = 150;
  ASSERT_TRUE(display.Redraw(nullptr));
  EXPECT_TRUE(display.cursorSaved);
  ExpectFrame(display.primarySurface, 0, 0, {{200, 150}});
  Kivo::SetSoftwareCursorPos(display, 215, 160);
  ExpectFrame(display.primarySurface, 0, 0, {{215, 160}});
  Kivo::SetSoftwareCursorPos(display, 0, 479);
  ExpectFrame(display.primarySurface, 0, 0, {{0, 479}});
  ASSERT_TRUE(display.Redraw(nullptr));
  ExpectFrame(display.primarySurface, 0, 0, {{0, 479}});
}

// Starts that failed half way: before either cursor surface, between the
// two, and with everything made but the 3D device. The cursor thread keeps
// calling in; the desktop must stay as it was and nothing counts as saved.
TEST_F(DisplayFixture, CursorMovesOnAHalfMadeDisplayDoNothing) {
  struct Case {
    const char* name;
    std::function<void()> inject;
    bool oldAreaMade;
  };
  const Case cases[] = {
      {"no cursor surface",
       [] {
         DDrawStandIn::GetFaults().createSurface = DDERR_OUTOFMEMORY;
         DDrawStandIn::GetFaults().createSurfaceCaps = DDSCAPS_SYSTEMMEMORY;
       },
       false},
      {"only the first cursor surface",
       [] {
         DDrawStandIn::GetFaults().createSurface = DDERR_OUTOFMEMORY;
         DDrawStandIn::GetFaults().createSurfaceCaps = DDSCAPS_SYSTEMMEMORY;
         DDrawStandIn::GetFaults().createSurfaceSkip = 1;
       },
       true},
      {"no 3D device", [] { D3DStandIn::GetFaults().createDevice = DDERR_OUTOFMEMORY; }, true},
  };
  Kivo::MemoryImage picture;
  std::vector<uint32_t> pixels(16 * 16, kPicture);
  ASSERT_TRUE(picture.SetBits(pixels.data(), 16, 16, true));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseDesktop(DDrawStandIn::Format::kRGB888);
    D3DStandIn::Reset();
    DDInterface display(&app);
    display.is3D = true;
    c.inject();
    EXPECT_NE(display.Init(host.window, true), 0);
    DDrawStandIn::GetFaults() = DDrawStandIn::Faults();
    D3DStandIn::Reset();
    ASSERT_NE(display.primarySurface, nullptr);
    EXPECT_EQ(display.oldCursorArea != nullptr, c.oldAreaMade);
    EXPECT_FALSE(display.initialized);
    int w = 0;
    const std::vector<uint32_t> before = ReadSurface(display.primarySurface, &w);
    Kivo::InstallSoftwareCursor(display);
    display.SetCursorImage(&picture);
    Kivo::SetSoftwareCursorPos(display, 50, 50);
    EXPECT_FALSE(display.cursorSaved);
    Kivo::SetSoftwareCursorPos(display, 60, 50);
    EXPECT_FALSE(display.cursorSaved);
    EXPECT_EQ(display.cursorX, 60);
    EXPECT_FALSE(display.Redraw(nullptr));
    EXPECT_TRUE(ReadSurface(display.primarySurface, &w) == before);
  }
}

// In 3D the renderer draws the frame; the present still puts the cursor
// into it (composed off screen, since the frame is not drawn in software)
// and takes it out again, and the cursor thread moves it on the desktop.
class SoftwareCursor3D : public SoftwareCursor {
 protected:
  void SetUp() override {
    threeD = true;
    SoftwareCursor::SetUp();
  }

  // Fills a green square through the renderer and presents with the cursor
  // at (200, 150); the frame the presents show then is Frame.
  void PresentAGreenSquare() {
    GetScreen()->FillRect(kFilled, Kivo::Color(0, 255, 0), 0);
    display->cursorX = 200;
    display->cursorY = 150;
    ASSERT_TRUE(display->Redraw(nullptr));
  }
  static uint32_t Frame(int x, int y) {
    const bool inside =
        x >= kFilled.x && x < kFilled.x + kFilled.width && y >= kFilled.y && y < kFilled.y + kFilled.height;
    return inside ? 0xFF00FF00u : Background(x, y);
  }
  Kivo::DDImage* GetScreen() { return display->GetScreenImage(); }

  static const Kivo::Rect kFilled;
};

const Kivo::Rect SoftwareCursor3D::kFilled(150, 100, 120, 120);

TEST_F(SoftwareCursor3D, CursorAppearsInThePresentedFrame) {
  ASSERT_NE(display->renderer, nullptr);
  ASSERT_TRUE(GetScreen()->DrawsThrough3D());
  PresentAGreenSquare();
  const auto frame = Frame;
  EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
  ExpectScreen({{200, 150}}, frame);
  // The frame itself got its pixels back.
  int w = 0;
  const std::vector<uint32_t> buffer = ReadSurface(display->drawSurface, &w);
  EXPECT_EQ(buffer[150 * static_cast<size_t>(w) + 200] & 0xFFFFFF, 0x00FF00u);
  Kivo::SetSoftwareCursorPos(*display, 260, 215);
  ExpectScreen({{260, 215}}, frame);
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({{260, 215}}, frame);
}

TEST_F(SoftwareCursor3D, SavedAreaOverlappingMovesAndRestoreUseTheSurfaces) {
  PresentAGreenSquare();
  const auto frame = Frame;
  ASSERT_TRUE(display->cursorSaved);
  ExpectSavedBackground(200, 150, frame);
  // Moves that overlap the old area draw the picture into both area images.
  for (Cursor c : {Cursor{205, 152}, Cursor{198, 160}, Cursor{230, 140}}) {
    SCOPED_TRACE(c.x);
    Kivo::SetSoftwareCursorPos(*display, c.x, c.y);
    ExpectScreen({c}, frame);
    ExpectSavedBackground(c.x, c.y, frame);
  }
  Kivo::RestoreCursorArea(*display, display->primarySurface, true);
  EXPECT_FALSE(display->cursorSaved);
  ExpectScreen({}, frame);
  ExpectNothingOutsideTheClientArea(display->primarySurface);
}

}  // namespace
