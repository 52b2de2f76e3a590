// Start-up and shutdown of the application object: the start-up sequence
// (DirectX check, settings, data folder, command line, working folder,
// archive, single instance, seeds, windows, display, audio), the creation
// and re-creation of the main window with its display and the handling of
// the display's result codes, the recovery of a failed present, the orderly
// shutdown and the immediate exit of a fatal error, and the
// hardware-acceleration questions at the end of a run that switched 3D.
//
// Failure: a display that cannot start in any mode ends the program with a
// message and exit code 1; missing DirectX, a bad command line or an
// unreadable demo end it with code 0. A fatal exit saves nothing.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "audio/DSoundManager.h"
#include "audio/MusicInterface.h"
#include "audio/SoundManager.h"
#include "display/D3DCapabilityTester.h"
#include "display/DDInterface.h"
#include "image/surface/SoftwareCursor.h"
#include "image/surface/DDImage.h"
#include "platform/devices/DDraw.h"
#include "platform/Platform.h"
#include "resources/ImageLib.h"
#include "resources/PakInterface.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

typedef long (*FolderPathFunction)(HWND, int, HANDLE, DWORD, char*);

FolderPathFunction LoadFolderPathFunction(const char* library, HMODULE* module) {
  *module = LoadLibraryA(library);
  if (*module == nullptr) return nullptr;
  auto function = reinterpret_cast<FolderPathFunction>(GetProcAddress(*module, "SHGetFolderPathA"));
  if (function == nullptr) {
    FreeLibrary(*module);
    *module = nullptr;
  }
  return function;
}

// The display stand-in draws into the platform's windows; set up once.
void UseDisplayOnPlatformWindows() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  InstallDDImageFactory();
  DDrawStandIn::UsePlatformWindows();
}

constexpr uint32_t kCursorThreadWaitMs = 2000;

}  // namespace

void KivoAppBase::Init() {
  mPrimaryThread = GetCurrentThreadId();
  if (mShuttingDown) return;

  if (gDirectDrawModule == nullptr || gDirectSoundModule == nullptr) {
    std::wstring text = LookupText("APP_REQUIRES_DIRECTX",
                                   L"This application requires DirectX to run.  You can get DirectX at "
                                   L"https://www.microsoft.com/directx");
    std::wstring caption = LookupText("YOU_NEED_DIRECTX", L"You need DirectX");
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR);
    ExitProgram(0);
    return;
  }

  OnInitStart();
  LoadSettings();

  if (IsVistaOrLater()) {
    HMODULE module = nullptr;
    FolderPathFunction folderPath = LoadFolderPathFunction("shell32.dll", &module);
    if (folderPath == nullptr || module == nullptr) folderPath = LoadFolderPathFunction("shfolder.dll", &module);
    if (module != nullptr) {
      char buffer[4096] = {};
      if (folderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buffer) == 0) {
        // An empty intermediate level is left out rather than doubling the
        // separator.
        std::string folder = StripTrailingSlash(buffer) + "/";
        if (!mDataFolderParent.empty()) folder += mDataFolderParent + "/";
        folder += mProductName;
        MakeFolders(folder);
        SetUserDataFolder(folder + "/");
        mDemoFilePath = ApplyDemoFolderRule(mDemoFilePath);
      }
      FreeLibrary(module);
    }
  }

  if (!mCommandLineRead) ReadCommandLine();
  if (mScreenSaverMode) mSingleInstanceMode = false;
  if (gModuleInstance == nullptr) gModuleInstance = GetModuleHandleA(nullptr);
  if (!HandleChangeDir(mProgramFolder)) _chdir(mProgramFolder.c_str());
  PlaceNumberedDemo();

  if (gPakInterface != nullptr) gPakInterface->MountArchive("main.pak");

  std::wstring product = Widen(mProductName);
  mNotifyMessage = RegisterClipboardFormatW((L"Notify" + product).c_str());
  mSingleInstanceMutex = CreateMutexW(nullptr, TRUE, (product + L"Mutex").c_str());
  if (GetLastError() == ERROR_ALREADY_EXISTS) NotifyRunningInstance();

  mRandomSeed = GetTickCount();
  SeedRandom(mRandomSeed);

  if (mPlaying) {
    std::string error;
    if (!ReadDemoFile(&error)) {
      mPlaying = false;
      ShowFatalErrorA(error);
      ExitProgram(0);
      return;
    }
  }
  std::srand(GetTickCount());

  RegisterWindowClasses();
  mInvisibleWindow = CreateWindowExW(0, L"InvisWindow", mWindowTitle.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr,
                                     gModuleInstance, nullptr);
  if (mInvisibleWindow != nullptr) SetWindowLongPtrA(mInvisibleWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  CreateBuiltInCursors();

  OnBeforeWindowCreated();
  mWidgetManager->SetCoordinateTransform(Rect(0, 0, mWidth, mHeight), Rect(0, 0, mWidth, mHeight));
  if (mWindowed && (mWidth >= GetSystemMetrics(SM_CXFULLSCREEN) || mHeight >= GetSystemMetrics(SM_CYFULLSCREEN))) {
    mWindowed = false;
    mFullScreenForced = true;
  }
  CreateMainWindow();
  if (mShuttingDown) return;
  if (mPlaying) ReadDisplayStateRecord();

  if (mSoundManager == nullptr) mSoundManager = new DSoundManager(mNoSound ? nullptr : mMainWindow.load(), mUseFmod);
  ApplySfxVolume(mSfxVolume);
  mMusicInterface = CreateMusicPlayer(mInvisibleWindow);
  ApplyMusicVolume(mMusicVolume);

  if (mScreenSaverMode) SetCursorNumber(11);
  OnInitDone();
  mInitialised = true;
}

void KivoAppBase::CreateMainWindow() {
  HWND old = mMainWindow.load();
  if (old != nullptr) {
    SetWindowLongPtrA(old, GWLP_USERDATA, 0);
    mMainWindow = nullptr;
    DestroyWindow(old);
    mWidgetManager->mImage = nullptr;
  }

  HWND window = nullptr;
  if (mPlaying || mWindowed) {
    DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    if (mAllowMaximiseBox) style |= WS_MAXIMIZEBOX;
    RECT outer{0, 0, mWidth, mHeight};
    AdjustWindowRect(&outer, style, FALSE);
    int w = outer.right - outer.left;
    int h = outer.bottom - outer.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int x = 64;
    int y = 64;
    if (mPreferredLeft != -1) {
      x = std::max<int>(mPreferredLeft, work.left + 4);
      y = std::max<int>(mPreferredTop, work.top + 4);
      if (x + w >= work.right - 4) x = work.right - w - 4;
      if (y + h >= work.bottom - 4) y = work.bottom - h - 4;
    }
    window = CreateWindowExW(0, L"MainWindow", mWindowTitle.c_str(), style, x, y, w, h, nullptr, nullptr,
                             gModuleInstance, nullptr);
    // Ours before the move, so its WM_MOVE reaches the queue and the place
    // the window opened at is remembered like any later move.
    if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (window != nullptr && mPreferredLeft == -1) {
      int cx = work.left + (work.right - work.left - w) / 2;
      int cy = work.top + static_cast<int>((work.bottom - work.top - h) * 0.382);
      MoveWindow(window, cx, cy, w, h, FALSE);
    }
    mWindowIsWindowed = true;
  } else {
    window = CreateWindowExW(WS_EX_TOPMOST, L"MainWindow", mWindowTitle.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, mWidth,
                             mHeight, nullptr, nullptr, gModuleInstance, nullptr);
    mWindowIsWindowed = false;
  }
  if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  mMainWindow = window;

  if (mDisplay == nullptr) {
    UseDisplayOnPlatformWindows();
    mDisplay = new DDInterface(&mDisplaySettings);
    InstallSoftwareCursor(*mDisplay);
    mDisplay->testerFactory = [this] {
      std::unique_ptr<D3DCapabilityTester> tester(new D3DCapabilityTester());
      // The verdict is an outside input: it goes into a recorded demo and
      // comes out of a played-back one.
      tester->journal.playingBack = [this] { return mPlaying.load(); };
      tester->journal.passText = [this](std::string& text) { JournalString(text); };
      tester->journal.passFlag = [this](bool& flag) { JournalBool(flag); };
      return std::unique_ptr<D3DTester>(tester.release());
    };
    mImageRegistry->SetDisplay(mDisplay);
    bool stored3D = false;
    if (FetchRegistryBool("Is3D", &stored3D)) {
      if (mAuto3D) {
        mAuto3D = false;
        mTest3D = true;
      }
      if (stored3D) mTest3D = true;
      mDisplay->is3D = stored3D;
    }
  }

  int32_t result = InitDisplay();
  if (mDisplay->tester != nullptr && mDisplay->tester->newResult) RemoveRegistryValue(L"Is3D");
  HandleDisplayResult(result);
}

void KivoAppBase::HandleDisplayResult(int32_t result) {
  auto fatalDisplay = [this](int32_t code) {
    std::wstring text = LookupText("FAILED_INIT_DIRECTDRAW", L"Failed to initialize DirectDraw: ");
    text += Widen(DDInterface::ResultToString(code) + " " + mDisplay->lastError);
    ShowFatalErrorW(text);
    ExitProgram(1);
  };

  if (result == DDInterface::RESULT_INVALID_COLORDEPTH && mWindowIsWindowed) {
    if (mWindowedForced) {
      ShowFatalErrorW(LookupText("PLEASE_SET_COLOR_DEPTH", L"Please set your desktop color depth to 16 bit."));
      ExitProgram(1);
      return;
    }
    mFullScreenForced = true;
    ApplyWindowedMode(false);
    return;
  }
  if ((result == DDInterface::RESULT_EXCLUSIVE_FAIL || result == DDInterface::RESULT_DISPCHANGE_FAIL) &&
      !mWindowIsWindowed) {
    // Full screen was the only mode left: going windowed would be turned
    // straight back into full screen on a display whose start failed.
    if (mFullScreenForced) {
      fatalDisplay(result);
      return;
    }
    mWindowedForced = true;
    ApplyWindowedMode(true);
    return;
  }
  if (result == DDInterface::RESULT_3D_FAIL) {
    Switch3D(false, true);
    return;
  }
  if (result != DDInterface::RESULT_OK) {
    if (Is3DOn()) {
      Switch3D(false, true);
      return;
    }
    fatalDisplay(result);
    return;
  }

  HWND window = mMainWindow.load();
  bool wasActive = mActive;
  mActive = window != nullptr && GetActiveWindow() == window;
  mSizeMinimised = false;
  if (mMinimised) {
    if (mMuteOnFocusLoss) UnmuteAudio(true);
    mMinimised = false;
    wasActive = mActive;
    UpdateFocusState();
  }
  if (wasActive != mActive) UpdateFocusState();

  PrepareImagesAfterDisplayChange();
  mWidgetManager->mImage = mDisplay->GetScreenImage();
  mWidgetManager->InvalidateTree();
  if (window != nullptr) SetTimer(window, kMainTimerId, static_cast<UINT>(mUpdateInterval), nullptr);
}

int32_t KivoAppBase::InitDisplay() {
  OnBeforeDisplayInit();
  DropImageCaches();
  mDisplaySettings.width = mWidth;
  mDisplaySettings.height = mHeight;
  mDisplaySettings.colorDepth = static_cast<uint32_t>(mColorDepth);
  mDisplaySettings.hackAspect = mHackAspect;
  mDisplaySettings.aspectHack = mAspectHack;
  mDisplaySettings.stretchToAspect = mStretchToAspect;
  mDisplaySettings.autoTest3D = mAuto3D;
  mDisplaySettings.test3D = mTest3D;
  mDisplaySettings.minVideoMemoryMB = mMinVideoMemory;
  mDisplaySettings.recommendedVideoMemoryMB = mRecommendedVideoMemory;
  mDisplaySettings.fullScreenPageFlip = mFullScreenPageFlip;
  int32_t result = mDisplay->Init(mMainWindow.load(), mWindowIsWindowed);
  mRefreshRateUnreliable = mDisplaySettings.refreshRateUnreliable;
  RecordDisplayInfo(result);
  if (result != 0) return result;
  mPresentationRect =
      Rect((mWidth - mDisplay->width) / 2, (mHeight - mDisplay->height) / 2, mDisplay->width, mDisplay->height);
  mWidgetManager->SetCoordinateTransform(mPresentationRect, mDisplay->presentationRect);
  OnAfterDisplayInit();
  return 0;
}

bool KivoAppBase::DisplayPresent(const Rect* rect) {
  if (mDisplay == nullptr) return false;
  {
    // The present draws the cursor where the pointer is now, not where the
    // cursor thread last saw it: which of the two threads ran last must not
    // show in a frame (a played demo's frames would differ run to run).
    const POINT p = WantedCursorPos();
    ScopedLock lock(mDisplay->displayLock);
    mDisplay->cursorX = p.x;
    mDisplay->cursorY = p.y;
  }
  if (!mDisplay->Redraw(rect)) return false;
  // A recovery that gave up left the widgets without a screen; the display
  // presents again, so they get it back.
  if (mWidgetManager->mImage == nullptr && mDisplay->GetScreenImage() != nullptr) {
    mWidgetManager->mImage = mDisplay->GetScreenImage();
    mWidgetManager->InvalidateTree();
  }
  return true;
}

void KivoAppBase::RecoverFailedPresent() {
  HWND window = mMainWindow.load();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(window, &placement);
  uint32_t t = GetTickCount();
  bool allowed = (mActive || (t - mLastPresentRecovery > 1000u && mWindowIsWindowed)) &&
                 placement.showCmd != SW_SHOWMINIMIZED && !mMinimised;
  if (!allowed || mDisplay == nullptr) return;
  mLastPresentRecovery = t;
  mWidgetManager->mImage = nullptr;

  if ((mWidth >= GetSystemMetrics(SM_CXFULLSCREEN) || mHeight >= GetSystemMetrics(SM_CYFULLSCREEN)) && mWindowed) {
    if (mWindowedForced) {
      ShowFatalErrorW(LookupText("PLEASE_SET_COLOR_DEPTH", L"Please set your desktop color depth to 16 bit."));
      BeginShutdown();
    } else {
      mFullScreenForced = true;
      ApplyWindowedMode(false);
    }
    return;
  }
  int32_t result = InitDisplay();
  if (mWindowed && result == DDInterface::RESULT_INVALID_COLORDEPTH) {
    if (mActive) {
      ApplyWindowedMode(false);
      mFullScreenForced = true;
    }
    return;
  }
  if (result == DDInterface::RESULT_3D_FAIL) {
    Switch3D(false, true);
    return;
  }
  if (result != DDInterface::RESULT_OK) return;  // the next draw pass tries again
  PrepareImagesAfterDisplayChange();
  mWidgetManager->mImage = mDisplay->GetScreenImage();
  mWidgetManager->InvalidateTree();
}

void KivoAppBase::BeginShutdown() {
  uint32_t primary = mPrimaryThread.load();
  if (primary != 0 && GetCurrentThreadId() != primary) {
    mShutdownRequested = true;
    return;
  }
  if (mShuttingDown) return;
  mLeaveLoop = true;
  mShuttingDown = true;
  OnShutdown();
  if (mPlaying) {
    // The playback mute key exchanged the volumes; put the user's back.
    ApplyMusicVolume(mSavedMusicVolume);
    ApplySfxVolume(mSavedSfxVolume);
  }
  // A wait on the fake clock would move it by however long the thread takes
  // to be scheduled, and the run's figures with it.
  while (mCursorThreadRunning) Platform::WaitWithoutMovingClock(Platform::FakeClockInUse() ? 1 : 10);
  if (mMusicInterface != nullptr) mMusicInterface->StopAllSongs();
  if (!mWindowIsWindowed && mDisplay != nullptr && mDisplay->directDraw7 != nullptr)
    mDisplay->directDraw7->RestoreDisplayMode();
  HWND window = mMainWindow.load();
  if (window != nullptr) ShowWindow(window, SW_HIDE);
  RestoreDisplayMode();
  if (mSettingsLoaded) SaveSettings();
  ImageLib::FreeJ2kCodec();
}

void KivoAppBase::ExitProgram(int32_t code) {
  // A fatal error another thread queued says why the program ends: it shows
  // before the end. Off the main thread the box is shown from here, without
  // the main thread's modal bookkeeping.
  if (OnMainThread() && !mShuttingDown) {
    ShowPendingFatalError();
  } else {
    std::vector<std::pair<std::wstring, bool>> pending;
    {
      std::lock_guard<std::mutex> lock(mPendingFatalLock);
      pending.swap(mPendingFatalErrors);
    }
    std::wstring title = LookupText("FATAL_ERROR", L"FATAL ERROR");
    for (const auto& entry : pending) {
      if (entry.second)
        MessageBoxA(nullptr, Narrow(entry.first).c_str(), Narrow(title).c_str(), MB_ICONERROR);
      else
        MessageBoxW(nullptr, entry.first.c_str(), title.c_str(), MB_ICONERROR);
    }
  }
  // The cursor thread must not run on into the teardown of the globals.
  mShuttingDown = true;
  for (uint32_t waited = 0; mCursorThreadRunning && waited < kCursorThreadWaitMs; waited += 10)
    Platform::WaitWithoutMovingClock(10);
  RestoreDisplayMode();
  std::fflush(nullptr);
  // A loader still running would work on objects the teardown destroys.
  if (mLoaderRunning && !mLoaderFinished) _exit(code);
  std::exit(code);
}

void KivoAppBase::RestoreDisplayMode() {
  // This program never changes the desktop's display mode itself.
}

void KivoAppBase::AskHardwareAccelerationQuestions() {
  if (mDisplay == nullptr) return;
  std::wstring caption =
      Widen(mCaptionPrefix) + L" " + LookupText("HARDWARE_ACCEL_CONFIRMATION", L"Hardware Acceleration Confirmation");
  bool asked = false;
  if (m3DSettingChanged) {
    bool stored = false;
    if (!FetchRegistryBool("Is3D", &stored) && !Is3DRecommended()) {
      if (Is3DOn()) {
        asked = true;
        std::wstring text = LookupText(
            "HARDWARE_ACCEL_SWITCHED_ON",
            L"Hardware Acceleration was switched on during this session.\r\nIf this resulted in slower performance, "
            L"it should be switched off.\r\nWould you like to keep Hardware Acceleration switched on?");
        int answer = MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
        mDisplay->is3D = answer == IDYES;
        if (answer == IDYES) StoreRegistryBool("Is3D", true);
      }
    } else {
      StoreRegistryBool("Is3D", Is3DOn());
    }
  }
  if (!asked && g3DDrawFailed && !mScreenSaverMode) {
    std::wstring text = LookupText(
        "HARDWARE_ACCEL_NOT_WORKING",
        L"Hardware Acceleration may not have been working correctly during this session.\r\nIf you noticed graphics "
        L"problems, you may want to turn off Hardware Acceleration.\r\nWould you like to keep Hardware "
        L"Acceleration switched on?");
    if (MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDNO)
      StoreRegistryBool("Is3D", false);
  }
}

}  // namespace Kivo
