// Screen modes and the pointer: which pointer the user sees for each cursor
// number and state, the software cursor's image and the present it forces,
// the built-in hand cursors, and mode switches while full screen is forced.
#include "image/MemoryImage.h"
#include "tests/shell/startup_support.h"

namespace startuptest {
namespace {

class ScreenModeTest : public StartupFixture {
 protected:
  StartupApp& Started() {
    StartupApp& a = NewApp();
    a.mRegistryKey.clear();
    EXPECT_EQ(InitApp(), -1);
    a.mPointerInWindow = true;
    return a;
  }
  static int SystemShape(HCURSOR cursor) {
    Platform::CursorShape shape;
    if (cursor == nullptr || !Platform::DescribeCursor(cursor, &shape)) return -1;
    return shape.systemId;
  }
  static int Id(const char* resource) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(resource)); }
};

TEST_F(ScreenModeTest, PointerForEachCursorNumberAndState) {
  StartupApp& a = Started();
  MemoryImage picture;
  picture.CreateBlank(8, 8);
  MemoryImage handPicture;
  handPicture.CreateBlank(8, 8);
  a.mCursorImages[1] = &handPicture;

  // Number 12 shows its image through the software cursor, custom or not.
  a.mCursorImages[12] = &picture;
  a.mForcePresent = false;
  a.SetCursorNumber(12);
  EXPECT_EQ(a.mDisplay->cursorImage, &picture);
  EXPECT_EQ(GetCursor(), nullptr);
  EXPECT_TRUE(a.mForcePresent) << "a new software cursor is presented at once";
  a.mForcePresent = false;
  a.RefreshCursor();
  EXPECT_FALSE(a.mForcePresent) << "no change, no forced present";

  // Without its image 12 hides the pointer.
  a.mCursorImages[12] = nullptr;
  a.RefreshCursor();
  EXPECT_EQ(a.mDisplay->cursorImage, nullptr);
  EXPECT_EQ(GetCursor(), nullptr);
  EXPECT_TRUE(a.mForcePresent);

  // Custom cursors off: the built-in hand, although an image is set.
  a.SetCursorNumber(1);
  EXPECT_EQ(GetCursor(), a.mBuiltInCursors[0]);
  EXPECT_EQ(a.mDisplay->cursorImage, nullptr);
  a.UseCustomCursors(true);
  EXPECT_EQ(a.mDisplay->cursorImage, &handPicture);
  a.UseCustomCursors(false);

  struct Case {
    int number;
    int shape;  // -1: hidden
  };
  const Case cases[] = {{0, Id(IDC_ARROW)},
                        {3, Id(IDC_IBEAM)},
                        {4, Id(IDC_NO)},
                        {5, Id(IDC_SIZEALL)},
                        {6, Id(IDC_SIZENESW)},
                        {7, Id(IDC_SIZENS)},
                        {8, Id(IDC_SIZENWSE)},
                        {9, Id(IDC_SIZEWE)},
                        {10, Id(IDC_WAIT)},
                        {11, -1},
                        {12, -1},
                        {-1, Id(IDC_ARROW)},
                        {13, Id(IDC_ARROW)},
                        {1000, Id(IDC_ARROW)}};
  for (Case c : cases) {
    a.SetCursorNumber(c.number);
    EXPECT_EQ(SystemShape(GetCursor()), c.shape) << c.number;
    EXPECT_EQ(a.mDisplay->cursorImage, nullptr) << c.number;
  }
  EXPECT_EQ(SystemShape(a.mBuiltInCursors[1]), 0) << "the open hand is an image cursor";

  // An override replaces every system pointer, the hidden ones included.
  HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
  a.mCursorOverride = cross;
  for (int number : {0, 1, 11, 12, 1000}) {
    a.SetCursorNumber(number);
    EXPECT_EQ(GetCursor(), cross) << number;
  }
  a.mCursorOverride = nullptr;

  // Hidden, or the pointer outside: the arrow and no software cursor.
  a.mCursorImages[12] = &picture;
  a.SetCursorNumber(12);
  ASSERT_EQ(a.mDisplay->cursorImage, &picture);
  a.mPointerInWindow = false;
  a.RefreshCursor();
  EXPECT_EQ(SystemShape(GetCursor()), Id(IDC_ARROW));
  EXPECT_EQ(a.mDisplay->cursorImage, nullptr);
  a.mPointerInWindow = true;
  a.mHidden = true;
  a.RefreshCursor();
  EXPECT_EQ(SystemShape(GetCursor()), Id(IDC_ARROW));
  a.mHidden = false;
  a.mCursorImages[12] = nullptr;
  a.mCursorImages[1] = nullptr;
  a.SetCursorNumber(0);
}

TEST_F(ScreenModeTest, PlaybackShowsTheNoSignInsideTheClientArea) {
  StartupApp& a = Started();
  MemoryImage picture;
  picture.CreateBlank(8, 8);
  a.mCursorImages[0] = &picture;
  a.mPlaying = true;
  ShowWindow(a.mMainWindow.load(), SW_SHOW);
  Script("0 move 100 100\n");
  Pump();
  a.RefreshCursor();
  EXPECT_EQ(a.mDisplay->cursorImage, &picture);
  EXPECT_EQ(SystemShape(GetCursor()), Id(IDC_NO));
  // The client area's right and bottom edges are outside: the last column
  // and row inside show the sign, the ones after them the arrow.
  const struct {
    int x, y;
    int shape;
  } edges[] = {
      {a.mWidth - 1, 100, Id(IDC_NO)}, {a.mWidth, 100, Id(IDC_ARROW)}, {100, a.mHeight - 1, Id(IDC_NO)},
      {100, a.mHeight, Id(IDC_ARROW)}, {700, 100, Id(IDC_ARROW)},
  };
  for (const auto& edge : edges) {
    Script("0 move " + std::to_string(edge.x) + " " + std::to_string(edge.y) + "\n");
    Pump();
    a.mPointerInWindow = true;
    a.RefreshCursor();
    EXPECT_EQ(SystemShape(GetCursor()), edge.shape) << edge.x << ", " << edge.y;
  }
  a.mPlaying = false;
  a.mCursorImages[0] = nullptr;
}

TEST_F(ScreenModeTest, BuiltInCursorPlanesAndHotSpots) {
  uint8_t andPlane[128];
  uint8_t xorPlane[128];
  auto pixel = [&](int x, int y) {
    bool a = andPlane[y * 4 + x / 8] & (0x80 >> (x % 8));
    bool mX = xorPlane[y * 4 + x / 8] & (0x80 >> (x % 8));
    return a ? (mX ? '?' : '.') : (mX ? 'o' : '#');
  };
  BuiltInCursorPlanes(1, andPlane, xorPlane);
  EXPECT_EQ(pixel(11, 4), '#');
  EXPECT_EQ(pixel(12, 4), '#');
  EXPECT_EQ(pixel(10, 4), '.');
  EXPECT_EQ(pixel(11, 5), 'o');
  EXPECT_EQ(pixel(6, 13), '#');
  EXPECT_EQ(pixel(7, 14), 'o');
  EXPECT_EQ(pixel(20, 25), '#');
  for (int x = 0; x < 32; ++x) {
    EXPECT_EQ(pixel(x, 3), '.');
    EXPECT_EQ(pixel(x, 26), '.');
  }
  BuiltInCursorPlanes(2, andPlane, xorPlane);
  EXPECT_EQ(pixel(15, 4), '#');
  EXPECT_EQ(pixel(16, 5), 'o');
  EXPECT_EQ(pixel(7, 12), '#');
  EXPECT_EQ(pixel(21, 25), '#');
  EXPECT_EQ(pixel(22, 25), '.');

  StartupApp& a = Started();
  Platform::CursorShape shape;
  ASSERT_TRUE(Platform::DescribeCursor(a.mBuiltInCursors[0], &shape));
  EXPECT_EQ(shape.image.hotX, 11);
  EXPECT_EQ(shape.image.hotY, 4);
  ASSERT_TRUE(Platform::DescribeCursor(a.mBuiltInCursors[1], &shape));
  EXPECT_EQ(shape.image.hotX, 15);
  EXPECT_EQ(shape.image.hotY, 10);
}

TEST_F(ScreenModeTest, SwitchingModesRebuildsTheWindowOnlyWhenAsked) {
  StartupApp& a = Started();
  HWND windowed = a.mMainWindow.load();
  a.ApplyWindowedMode(true);
  EXPECT_EQ(a.mMainWindow.load(), windowed) << "already windowed";
  a.ApplyWindowedMode(false);
  EXPECT_NE(a.mMainWindow.load(), windowed);
  EXPECT_FALSE(a.mWindowIsWindowed);
  EXPECT_FALSE(a.mWindowed);
  a.ApplyWindowedMode(true);
  EXPECT_TRUE(a.mWindowIsWindowed);
  EXPECT_EQ(a.mWidgetManager->mImage, a.mDisplay->GetScreenImage());

  a.mFullScreenForced = true;
  a.ApplyWindowedMode(true);
  EXPECT_FALSE(a.mWindowIsWindowed) << "forced full screen wins";
  HWND full = a.mMainWindow.load();
  a.ApplyWindowedMode(true);
  EXPECT_EQ(a.mMainWindow.load(), full);
}

TEST_F(ScreenModeTest, VideoMemoryDrawingSwitchesOnlyOnAChange) {
  StartupApp& a = Started();
  a.mWidgetManager->mDirty = false;
  a.SetVideoMemoryDrawing(false);
  EXPECT_FALSE(a.mWidgetManager->mDirty);
  a.SetVideoMemoryDrawing(true);
  EXPECT_TRUE(a.mVideoMemoryDrawing);
  EXPECT_TRUE(a.mDisplay->videoOnlyDraw);
  EXPECT_EQ(a.mWidgetManager->mImage, a.mDisplay->GetScreenImage());
}

}  // namespace
}  // namespace startuptest
