// The software cursor on a headless windowed display: the primary surface
// (the whole desktop, client area at 100, 50) is compared against the
// background frame with the cursor picture pasted in.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "display/SoftwareCursor.h"
#include "image/MemoryImage.h"
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

class SoftwareCursor : public DisplayFixture {
protected:
  std::unique_ptr<DDInterface> display;
  Kivo::MemoryImage picture;

  void SetUp() override {
    DisplayFixture::SetUp();
    display.reset(new DDInterface(&app));
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
    DisplayFixture::TearDown();
  }

  // The client area of the primary equals the background with the 20 x 20
  // picture centred on each of the given positions.
  void ExpectScreen(std::vector<std::pair<int, int>> cursors) {
    int w = 0;
    const std::vector<uint32_t> screen = ReadSurface(display->primarySurface, &w);
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        uint32_t want = Background(x, y);
        for (auto& c : cursors)
          if (x >= c.first - 10 && x < c.first + 10 && y >= c.second - 10 && y < c.second + 10) want = kPicture;
        const uint32_t got = screen[static_cast<size_t>(y + kClientY) * w + static_cast<size_t>(x + kClientX)];
        if ((got & 0xFFFFFF) != (want & 0xFFFFFF) && ++wrong < 5)
          ADD_FAILURE() << "at " << x << "," << y << " got " << std::hex << got << " want " << want;
      }
    EXPECT_EQ(wrong, 0);
  }

  // The saved area holds the background under the cursor at (cx, cy), for
  // the part of the area inside the display.
  void ExpectSavedBackground(int cx, int cy) {
    int w = 0;
    const std::vector<uint32_t> saved = ReadSurface(display->oldCursorArea, &w);
    int wrong = 0;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 80; ++x) {
        const int sx = cx - 40 + x, sy = cy - 40 + y;
        if (sx < 0 || sy < 0 || sx >= 640 || sy >= 480) continue;
        if ((saved[static_cast<size_t>(y) * w + x] & 0xFFFFFF) != (Background(sx, sy) & 0xFFFFFF)) ++wrong;
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

TEST_F(SoftwareCursor, CursorAtTheCornerSavesAndDrawsOnlyTheVisibleQuarter) {
  display->cursorX = 0;
  display->cursorY = 0;
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({{0, 0}});
  EXPECT_TRUE(display->cursorSaved);
  ExpectSavedBackground(0, 0);
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

TEST_F(SoftwareCursor, PositionDuringAPresentIsOnlyStored) {
  display->cursorX = 200;
  display->cursorY = 150;
  ASSERT_TRUE(display->Redraw(nullptr));
  display->presenting = true;
  Kivo::SetSoftwareCursorPos(*display, 300, 300);
  display->presenting = false;
  EXPECT_EQ(display->cursorX, 300);
  EXPECT_EQ(display->cursorDrawnX, 200);
  ExpectScreen({{200, 150}});
  ASSERT_TRUE(display->Redraw(nullptr));
  ExpectScreen({{300, 300}});
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

// A start that made the primary but failed before the cursor surfaces: the
// cursor thread must not blit into surfaces that do not exist.
TEST_F(DisplayFixture, CursorMovesOnAHalfMadeDisplayDoNothing) {
  Kivo::MemoryImage picture;
  std::vector<uint32_t> pixels(16 * 16, kPicture);
  ASSERT_TRUE(picture.SetBits(pixels.data(), 16, 16, true));
  DDInterface display(&app);
  DDrawStandIn::GetFaults().createSurface = DDERR_OUTOFMEMORY;
  DDrawStandIn::GetFaults().createSurfaceCaps = DDSCAPS_SYSTEMMEMORY;
  EXPECT_NE(display.Init(host.window, true), 0);
  DDrawStandIn::GetFaults().createSurface = 0;
  ASSERT_NE(display.primarySurface, nullptr);
  ASSERT_EQ(display.oldCursorArea, nullptr);
  Kivo::InstallSoftwareCursor(display);
  display.SetCursorImage(&picture);
  Kivo::SetSoftwareCursorPos(display, 50, 50);
  Kivo::SetSoftwareCursorPos(display, 60, 50);
  EXPECT_FALSE(display.cursorSaved);
  EXPECT_EQ(display.cursorX, 60);
}

}  // namespace
