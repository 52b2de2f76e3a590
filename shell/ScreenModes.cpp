// Screen modes and the pointer: switching between windowed and full screen
// and between 2D and 3D drawing, the walks over the live memory images that
// go with a display change, the two built-in hand cursors, and the choice of
// the pointer the user sees (a system shape, a built-in hand, or an image
// drawn by the display's software cursor).
#include "audio/SoundManager.h"
#include "display/DDInterface.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

constexpr int kCursorSize = 32;
constexpr int kFirstPictureRow = 4;

// '#' black, 'o' white, '.' transparent; rows 4 to 25 of 32.
const char* const kPointingHand[] = {
    "...........##...................", "..........#oo#..................", "..........#oo#..................",
    "..........#oo#..................", "..........#oo#..................", "..........#oo###................",
    "..........#oo#oo###.............", "..........#oo#oo#oo##...........", "..........#oo#oo#oo#o#..........",
    "......###.#oo#oo#oo#oo#.........", "......#oo##oooooooo#oo#.........", "......#ooo#ooooooooooo#.........",
    "......##oo#ooooooooooo#.........", "........#o#ooooooooooo#.........", "........#ooooooooooooo#.........",
    ".........#oooooooooooo#.........", ".........#ooooooooooo#..........", "..........#oooooooooo#..........",
    "..........#oooooooooo#..........", "...........#oooooooo#...........", "...........#oooooooo#...........",
    "...........##########...........",
};

const char* const kOpenHand[] = {
    "...............##...............", "..............#oo###............", "............###oo#oo#...........",
    "...........#oo#oo#oo###.........", "...........#oo#oo#oo#oo#........", "...........#oo#oo#oo#oo#........",
    "...........#oo#oo#oo#oo#........", "...........#oo#oo#oo#oo#........", ".......##..#oo#oo#oo#oo#........",
    "......#oo#.#oo#oo#oo#oo#........", "......#ooo##ooooooooooo#........", ".......#ooo#ooooooooooo#........",
    ".......#ooooooooooooooo#........", "........#oooooooooooooo#........", ".........#ooooooooooooo#........",
    ".........#oooooooooooo#.........", "..........#ooooooooooo#.........", "...........#oooooooooo#.........",
    "............#oooooooo#..........", ".............#ooooooo#..........", ".............#ooooooo#..........",
    ".............#########..........",
};

constexpr int kPictureRows = static_cast<int>(sizeof kPointingHand / sizeof kPointingHand[0]);

// AND and XOR planes, 4 bytes a row, leftmost pixel in the top bit.
void BuildPlanes(const char* const* picture, uint8_t* andPlane, uint8_t* xorPlane) {
  for (int row = 0; row < kCursorSize; ++row) {
    for (int x = 0; x < kCursorSize; ++x) {
      char c = '.';
      int pictureRow = row - kFirstPictureRow;
      if (pictureRow >= 0 && pictureRow < kPictureRows) c = picture[pictureRow][x];
      uint8_t bit = static_cast<uint8_t>(0x80u >> (x % 8));
      int index = row * 4 + x / 8;
      if (c == '.') andPlane[index] |= bit;
      if (c == 'o') xorPlane[index] |= bit;
    }
  }
}

// The system shape of each cursor number; null hides the pointer.
const char* SystemShape(int number) {
  switch (number) {
    case 3: return IDC_IBEAM;
    case 4: return IDC_NO;
    case 5: return IDC_SIZEALL;
    case 6: return IDC_SIZENESW;
    case 7: return IDC_SIZENS;
    case 8: return IDC_SIZENWSE;
    case 9: return IDC_SIZEWE;
    case 10: return IDC_WAIT;
    default: return IDC_ARROW;
  }
}

}  // namespace

void BuiltInCursorPlanes(int which, uint8_t* andPlane, uint8_t* xorPlane) {
  for (int i = 0; i < kCursorSize * 4; ++i) andPlane[i] = xorPlane[i] = 0;
  BuildPlanes(which == 1 ? kPointingHand : kOpenHand, andPlane, xorPlane);
}

void KivoAppBase::CreateBuiltInCursors() {
  uint8_t andPlane[kCursorSize * 4];
  uint8_t xorPlane[kCursorSize * 4];
  BuiltInCursorPlanes(1, andPlane, xorPlane);
  mBuiltInCursors[0] = CreateCursor(gModuleInstance, 11, 4, kCursorSize, kCursorSize, andPlane, xorPlane);
  BuiltInCursorPlanes(2, andPlane, xorPlane);
  mBuiltInCursors[1] = CreateCursor(gModuleInstance, 15, 10, kCursorSize, kCursorSize, andPlane, xorPlane);
}

void KivoAppBase::ApplyScreenMode(bool windowed, bool is3D, bool force) {
  if (mFullScreenForced) windowed = false;
  if (windowed == mWindowed && !force) {
    Switch3D(is3D, true);
    return;
  }
  Switch3D(is3D, false);
  mWindowed = windowed;
  CreateMainWindow();
  HWND window = mMainWindow.load();
  if (mBrowserLaunchPending) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
  } else {
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
  }
  if (mSoundManager != nullptr) mSoundManager->AttachToWindow(window, mWindowed);
}

void KivoAppBase::ApplyWindowedMode(bool windowed) { ApplyScreenMode(windowed, Is3DOn(), false); }

void KivoAppBase::ReapplyScreenMode() { ApplyScreenMode(mWindowed, Is3DOn(), true); }

void KivoAppBase::SetVideoMemoryDrawing(bool on) {
  if (on == mVideoMemoryDrawing) return;
  mVideoMemoryDrawing = on;
  if (mDisplay == nullptr) return;
  mDisplay->SetVideoOnlyDraw(on);
  mWidgetManager->mImage = mDisplay->GetScreenImage();
  mWidgetManager->InvalidateTree();
}

bool KivoAppBase::Is3DOn() { return mImageRegistry->Is3DOn(); }
bool KivoAppBase::Is3DRecommended() { return mImageRegistry->Is3DRecommended(); }
void KivoAppBase::Switch3D(bool on, bool reinitialise) {
  mImageRegistry->Switch3D(on, reinitialise);
  if (mImageRegistry->settingChanged3D) m3DSettingChanged = true;
}

void KivoAppBase::RefreshCursor() {
  if (mDisplay == nullptr) return;
  auto softwareCursor = [this](Image* image) {
    if (mDisplay->SetCursorImage(image)) mForcePresent = true;
  };
  if (mHidden || !mPointerInWindow) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    softwareCursor(nullptr);
    return;
  }
  // Only 0..12 have images and shapes; any other number is the arrow.
  int number = mCursorNumber;
  bool known = number >= 0 && number <= 12;
  Image* image = known ? mCursorImages[number] : nullptr;
  if (image != nullptr && (mPlaying || mCustomCursors || number == 12)) {
    softwareCursor(image);
    if (mPlaying) {
      // The "no" sign tells the user that input is ignored during playback.
      POINT pointer{};
      GetCursorPos(&pointer);
      POINT topLeft{0, 0};
      POINT bottomRight{mWidth, mHeight};
      HWND window = mMainWindow.load();
      ClientToScreen(window, &topLeft);
      ClientToScreen(window, &bottomRight);
      bool inside =
          pointer.x >= topLeft.x && pointer.y >= topLeft.y && pointer.x < bottomRight.x && pointer.y < bottomRight.y;
      SetCursor(LoadCursorA(nullptr, inside ? IDC_NO : IDC_ARROW));
    } else {
      SetCursor(nullptr);
    }
    return;
  }
  HCURSOR shape = nullptr;
  if (mCursorOverride != nullptr) {
    shape = mCursorOverride;
  } else if (!known) {
    shape = LoadCursorA(nullptr, IDC_ARROW);
  } else if (number == 1 || number == 2) {
    shape = mBuiltInCursors[number - 1];
  } else if (number == 11 || number == 12) {
    shape = nullptr;
  } else {
    shape = LoadCursorA(nullptr, SystemShape(number));
  }
  SetCursor(shape);
  softwareCursor(nullptr);
}

void KivoAppBase::DropImageCaches() {
  for (MemoryImage* image : mImageRegistry->RegisteredImages()) image->DropDisplayCaches();
}

void KivoAppBase::PrepareImagesAfterDisplayChange() {
  for (MemoryImage* image : mImageRegistry->RegisteredImages()) image->ApplyStorageOptions();
}

void KivoAppBase::ReleaseImageTextures() {
  if (mDisplay == nullptr) {
    for (MemoryImage* image : mImageRegistry->RegisteredImages()) image->DropAllCaches();
    return;
  }
  ScopedLock lock(mDisplay->displayLock);
  for (MemoryImage* image : mImageRegistry->RegisteredImages()) image->DropAllCaches();
}

}  // namespace Kivo
