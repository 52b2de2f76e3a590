// Construction and destruction of the application object, start-up of its
// windows and screen image, the run around the loop, the orderly shutdown,
// and the hosts the widget tree and the images talk to.
#include "shell/KivoAppBase.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "audio/MusicInterface.h"
#include "audio/SoundManager.h"
#include "display/DDInterface.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "resources/ImageLib.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"
#include "ui/WidgetManager.h"

namespace Kivo {

KivoAppBase* gAppBase = nullptr;
KivoAppBase* gCrashReportApp = nullptr;
HMODULE gDirectDrawModule = nullptr;
HMODULE gDirectSoundModule = nullptr;
HMODULE gVersionModule = nullptr;
void* gGetLastInputInfo = nullptr;
HINSTANCE gModuleInstance = nullptr;
std::atomic<bool> gScreenSaverPause{false};
std::atomic<bool> gPresentFailed{false};
std::atomic<uint32_t> gLastMonitorPowerTick{0};

KivoAppBase::KivoAppBase() {
  gAppBase = this;

  gVersionModule = LoadLibraryA("version.dll");
  gDirectDrawModule = LoadLibraryA("ddraw.dll");
  gDirectSoundModule = LoadLibraryA("dsound.dll");
  gGetLastInputInfo = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetLastInputInfo"));
  // The JPEG-2000 readers give nothing until the codec is loaded; shutdown
  // drops it again.
  ImageLib::LoadJ2kCodec();

  // The full path, however long: a fixed buffer would cut deep install paths.
  std::string executable = Platform::ExecutablePath();
  mProductVersion = QueryVersionResource(executable);
  mProgramFolder = PathFolder(executable, false);

  mStartTick = GetTickCount();
  uint32_t now = timeGetTime();
  mLastPresentTime = now;
  mNextDrawTime = now;
  for (int i = 0; i < 512; ++i) mSaturationTable[i] = static_cast<uint8_t>(i < 256 ? i : 255);
  mHackAspect.Set(4, 3);

  for (const DefaultText& entry : kDefaultTexts) DefineText(entry.id, entry.text);

  mWidgetManager = new WidgetManager(this);
  mResourceManager = new ResourceManager(this);

  if (GetSystemMetrics(SM_TABLETPC) != 0) mFullScreenPageFlip = false;
  mImageRegistry = new ImageRegistry(this, nullptr);
  SetImageHost(mImageRegistry);
  gCrashReportApp = this;
}

KivoAppBase::~KivoAppBase() {
  KivoAppBase::BeginShutdown();
  // The loading thread may still be using the managers, the display and the
  // widgets; it sees the shutdown flag set just above and must be done before
  // any of them goes away.
  WaitForLoader();
  AskHardwareAccelerationQuestions();

  for (auto& entry : mDialogMap) {
    if (mWidgetManager != nullptr) mWidgetManager->RemoveChild(entry.second);
    delete entry.second;
  }
  mDialogMap.clear();
  mDialogList.clear();

  if (mInvisibleWindow != nullptr) {
    SetWindowLongPtrA(mInvisibleWindow, GWLP_USERDATA, 0);
    DestroyWindow(mInvisibleWindow);
    mInvisibleWindow = nullptr;
  }

  // Widgets still queued (a run that never reached the end of Start) are
  // ours to delete, before the tree they may still hang in goes away.
  for (QueuedWidgetDeletion& entry : mDeletionQueue) delete entry.widget;
  mDeletionQueue.clear();

  delete mWidgetManager;
  mWidgetManager = nullptr;
  // Before the sound manager, which its sounds go back to, and before the
  // shared images its records hold.
  delete mResourceManager;
  mResourceManager = nullptr;

  mDeveloperTools.reset();
  mImageRegistry->DeleteSharedImages();
  delete mScreenImage;
  mScreenImage = nullptr;
  mImageRegistry->SetDisplay(nullptr);
  delete mDisplay;
  mDisplay = nullptr;

  delete mMusicInterface;
  mMusicInterface = nullptr;
  delete mSoundManager;
  mSoundManager = nullptr;

  HWND mainWindow = mMainWindow.load();
  if (mainWindow != nullptr) {
    SetWindowLongPtrA(mainWindow, GWLP_USERDATA, 0);
    DestroyWindow(mainWindow);
    mMainWindow = nullptr;
  }

  for (HCURSOR& cursor : mBuiltInCursors) {
    if (cursor != nullptr) DestroyCursor(cursor);
    cursor = nullptr;
  }

  gAppBase = nullptr;
  WriteDemoFile();

  if (mSingleInstanceMutex != nullptr) {
    CloseHandle(mSingleInstanceMutex);
    mSingleInstanceMutex = nullptr;
  }
  if (gDirectDrawModule != nullptr) FreeLibrary(gDirectDrawModule);
  if (gDirectSoundModule != nullptr) FreeLibrary(gDirectSoundModule);
  if (gVersionModule != nullptr) FreeLibrary(gVersionModule);
  gDirectDrawModule = gDirectSoundModule = gVersionModule = nullptr;

  // Last: images made while it was installed have all gone by now.
  if (GetImageHost() == mImageRegistry) SetImageHost(nullptr);
  delete mImageRegistry;
  mImageRegistry = nullptr;
  if (gCrashReportApp == this) gCrashReportApp = nullptr;
}

KivoAppBase* KivoAppBase::DeletingDestructor(unsigned flags) {
  if (flags & 1u) {
    delete this;
  } else {
    this->~KivoAppBase();
  }
  return this;
}

bool KivoAppBase::OnMainThread() const {
  uint32_t primary = mPrimaryThread.load();
  if (primary == 0) return Platform::IsMainThread();
  return GetCurrentThreadId() == primary;
}

// ---------------------------------------------------------------------------
// Start-up of the windows and the screen image.

void KivoAppBase::RegisterWindowClasses() {
  WNDCLASSW mainClass{};
  mainClass.style = CS_DBLCLKS;
  mainClass.lpfnWndProc = MainWindowProc;
  mainClass.hInstance = gModuleInstance;
  mainClass.hIcon = LoadIconA(gModuleInstance, "IDI_MAIN_ICON");
  mainClass.lpszClassName = L"MainWindow";
  RegisterClassW(&mainClass);  // a class that already exists stays as it is
  WNDCLASSW invisibleClass{};
  invisibleClass.lpfnWndProc = MainWindowProc;
  invisibleClass.hInstance = gModuleInstance;
  invisibleClass.lpszClassName = L"InvisWindow";
  RegisterClassW(&invisibleClass);
  mWideWindowProc = true;
}

// ---------------------------------------------------------------------------
// The run and the shutdown.

void KivoAppBase::Start() {
  if (mShuttingDown) return;
  LaunchCursorThread();
  HWND window = mMainWindow.load();
  if (window != nullptr) {
    ShowWindow(window, SW_SHOW);
    SetFocus(window);
  }
  timeBeginPeriod(1);
  uint32_t t0 = timeGetTime();
  mLoopStartTime = t0;
  mRunning = true;
  mLastInputTime = t0;
  mLastTimerTick = t0;

  RunLoop();

  ProcessDeletionQueue();
  mRunning = false;
  WaitForLoader();
  // A fatal error another thread raised at the very end still reaches the
  // log (no box once shutting down, as for every fatal error then).
  ShowPendingFatalError();
  for (const std::string& line : LoopStatistics(timeGetTime() - t0)) OutputDebugStringA(line.c_str());
  timeEndPeriod(1);
  OnRunLoopDone();
  SaveSettings();
}

std::vector<std::string> KivoAppBase::LoopStatistics(uint32_t elapsedMs) const {
  std::vector<std::string> lines;
  lines.push_back(FormatText("Seconds       = %g\r\n", elapsedMs / 1000.0));
  lines.push_back(FormatText("Sleep Count   = %d\r\n", mSleepCount));
  lines.push_back(FormatText("Update Count  = %d\r\n", mUpdateCount));
  lines.push_back(FormatText("Draw Count    = %d\r\n", mDrawCount.load()));
  lines.push_back(FormatText("Draw Time     = %d\r\n", mTotalDrawTime));
  lines.push_back(FormatText("Screen Blt    = %d\r\n", mLastPresentDuration));
  int64_t busy = static_cast<int64_t>(mTotalDrawTime) + mLastPresentDuration;
  if (busy > 0)
    lines.push_back(FormatText("Avg FPS       = %d\r\n", static_cast<int>(mDrawCount.load() * 1000LL / busy)));
  return lines;
}

void KivoAppBase::HideApp() {
  ApplyMusicVolume(0.0);
  HWND window = mMainWindow.load();
  if (window != nullptr) ShowWindow(window, SW_HIDE);
  mHidden = true;
  RefreshCursor();
}

std::string KivoAppBase::BuildCrashInfoText() {
  uint32_t s = (GetTickCount() - mStartTick) / 1000;
  return "Product: " + mProductName + "\r\n" + "Version: " + mProductVersion + "\r\n" + "Time Loaded: " +
         FormatText("%02d:%02d:%02d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                    static_cast<int>(s % 60)) +
         "\r\nFullscreen: " + (mWindowed ? "No" : "Yes") +
         "\r\nPrimary ThreadId: " + FormatText("%X", mPrimaryThread.load()) + "\r\n";
}

std::string KivoAppBase::GetExtraCrashInfo() { return std::string(); }

// ---------------------------------------------------------------------------
// Hosts of the widget tree and of the images.

void KivoAppBase::SetCursorNumber(int number) {
  mCursorNumber = number;
  RefreshCursor();
}

bool KivoAppBase::ImageDrawsThrough3D(const Image* image) const {
  return Kivo::ImageDrawsThrough3D(const_cast<Image*>(image));
}

// The screen surface stays locked over a whole draw pass instead of once per
// drawing call.
bool KivoAppBase::LockScreenImage(Image* screen) {
  if (mDisplay == nullptr || screen == nullptr || screen != mDisplay->GetScreenImage()) return false;
  return mDisplay->GetScreenImage()->LockSurface();
}

void KivoAppBase::UnlockScreenImage(Image* screen) {
  if (mDisplay != nullptr && screen != nullptr && screen == mDisplay->GetScreenImage())
    mDisplay->GetScreenImage()->UnlockSurface();
}

void KivoAppBase::OnScreenImageChanged(DDImage* screen) {
  mWidgetManager->mImage = screen;
  mWidgetManager->InvalidateTree();
}

std::wstring KivoAppBase::GetString(const std::string& name, const std::wstring& fallback) {
  return LookupText(name, fallback);
}

DDImage* KivoAppBase::LoadImageFile(const std::string& path, bool scanAlpha) {
  return mImageRegistry->LoadImageFile(path, scanAlpha);
}

SharedImageHandle KivoAppBase::FindOrCreateSharedImage(const std::string& file, const std::string& variant,
                                                       bool* isNew) {
  return mImageRegistry->FindOrCreateSharedImage(file, variant, isNew);
}

void KivoAppBase::PurgeSharedImages() { mImageRegistry->PurgeSharedImages(); }

// ---------------------------------------------------------------------------
// Operations whose behaviour belongs to other parts of the shell. They are
// declared here so the order of the operations is fixed; each gets its body
// from the code that owns it (settings, command line, screen modes and
// cursors, the screen-saver mode, the demo journal, sound forwarding, the
// image registry and the display, browser and version resource).

void KivoAppBase::StepUpdateSmooth(float) {}
void KivoAppBase::OnLoaderFinished() {}
void KivoAppBase::OnInitDone() {}
void KivoAppBase::OnShutdown() {}
void KivoAppBase::OnRunLoopDone() {}
void KivoAppBase::LoaderWork() {}
void KivoAppBase::OnBeforeWindowCreated() {}
void KivoAppBase::AddCrashReportFields(std::map<std::string, std::string>&) {}
void KivoAppBase::OnBeforeDisplayInit() {}
void KivoAppBase::OnAfterDisplayInit() {}
bool KivoAppBase::HandleChangeDir(const std::string&) { return false; }
void KivoAppBase::OnModalDialogAdded() {}
void KivoAppBase::OnModalDialogRemoved() {}
void KivoAppBase::OnFocusGained() {}
void KivoAppBase::OnFocusLost() {}
bool KivoAppBase::HandleDebugKey(int virtualKey) {
  return mDeveloperTools != nullptr && mDeveloperTools->HandleDebugKey(*this, virtualKey);
}

void KivoAppBase::ShowVideoStats() {
  if (mDeveloperTools != nullptr) mDeveloperTools->ShowVideoStats(*this);
}

void KivoAppBase::SaveScreenshot() {
  if (mDeveloperTools != nullptr) mDeveloperTools->SaveScreenshot(*this);
}

void KivoAppBase::DumpImages() {
  if (mDeveloperTools != nullptr) mDeveloperTools->DumpImages(*this);
}
bool KivoAppBase::OnKeyDownHook(int, bool, bool) { return false; }
void KivoAppBase::OnCloseRequested() {}
void KivoAppBase::On3DTestPerformed() {}

void AppDisplaySettings::OnTest3DPerformed() { mOwner->On3DTestPerformed(); }
bool KivoAppBase::SpareQueryHook(int, int) { return false; }
void KivoAppBase::OnInitStart() {}

}  // namespace Kivo
