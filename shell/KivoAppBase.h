// The application object: the one object of the process that owns the
// windows, the widget manager, the screen image and the audio objects, runs
// the fixed-step main loop, turns window messages into a deferred input
// queue that the widgets see one message per loop pass, runs the cursor and
// loader threads, keeps the dialog registry, shows message boxes and holds
// the string table. Every subsystem reaches it through gAppBase; a game
// derives its own class and overrides a few virtual operations.
//
// Limits: one instance per process. Until the display exists the screen is a
// memory image of width x height presented through the platform window.
// Settings, the command line, screen modes, the demo journal, sound
// forwarding, shared images and the display are left as marked hooks here
// and filled in by their own files.
//
// Failure: nothing here throws. Fatal errors are shown as message boxes (the
// headless backend logs them) on the main thread; one raised on another
// thread is kept and shown by the next loop pass. A loop that cannot update
// (paused playback, a refusing gate) still takes window messages and sleeps
// one update interval per pass instead of spinning.
//
// Layer: the application object (shell/) uses every library of the
// framework; only engine, frontend, levels and diagnostics sit above it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "display/DDInterface.h"
#include "image/surface/DDImageRegistry.h"
#include "resources/manifest/ResourceManager.h"
#include "image/SharedImage.h"
#include "platform/Messages.h"
#include "platform/WinTypes.h"
#include "shell/base/Buffer.h"
#include "shell/base/Fraction.h"
#include "shell/base/Lock.h"
#include "shell/base/Rect.h"
#include "shell/DeveloperTools.h"
#include "shell/StringTable.h"
#include "ui/ButtonListener.h"
#include "ui/Dialog.h"
#include "ui/FontData.h"
#include "ui/WidgetHost.h"

namespace Kivo {

class DDImage;
class DDInterface;
class Image;
class MemoryImage;
class MusicInterface;
class ResourceManager;
class SoundManager;
class Widget;
class WidgetManager;

class KivoAppBase;

// What the display reads of the application object; its one hook, a new
// 3D test verdict, goes on to the application's On3DTestPerformed.
class AppDisplaySettings : public DisplayApp {
 public:
  explicit AppDisplaySettings(KivoAppBase* owner) : mOwner(owner) {}
  void OnTest3DPerformed() override;

 private:
  KivoAppBase* mOwner;
};

// Makes the next error-log line truncate "ScrError.txt" again (tests).
void ResetErrorLogFirstWrite();

// The application object; null before its construction and after its
// destruction.
extern KivoAppBase* gAppBase;
// A second pointer, set last by the constructor, for the crash reporter.
extern KivoAppBase* gCrashReportApp;
extern HMODULE gDirectDrawModule;
extern HMODULE gDirectSoundModule;
extern HMODULE gVersionModule;
extern void* gGetLastInputInfo;
extern HINSTANCE gModuleInstance;
// Updates, draws and presents hold while the user is idle long enough for the
// system screen saver.
extern std::atomic<bool> gScreenSaverPause;
extern std::atomic<bool> gPresentFailed;
extern std::atomic<bool> g3DDrawFailed;
extern std::atomic<uint32_t> gLastMonitorPowerTick;

// In screen-saver mode the first look at every message of the main window:
// true when the message was taken (result set), false to process it normally.
bool FilterScreenSaverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Forgets the filter's pointer, move count and closing state (tests).
void ResetScreenSaverFilter();
// Forgets the idle check's system query state (tests).
void ResetScreenSaverIdleCheck();

// The 32 x 32 AND and XOR planes (4 bytes a row) of built-in cursor 1 (the
// pointing hand) or 2 (the open hand).
void BuiltInCursorPlanes(int which, uint8_t* andPlane, uint8_t* xorPlane);

// The window procedure of both application windows.
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Loop states of one pass.
enum LoopState : int32_t {
  kLoopMessages = 0,
  kLoopCheck = 1,
  kLoopCatchUp = 2,
  kLoopDone = 3,
};

// Single-step modes (developer keys).
enum SingleStepMode : int32_t {
  kSingleStepOff = 0,
  kSingleStepWanted = 1,
  kSingleStepWaiting = 2,
};

// Dialog buttons reach the application's button handling as these offsets
// plus the dialog id.
constexpr int kDialogFirstButtonOffset = 2000;
constexpr int kDialogSecondButtonOffset = 3000;

// The id of the main window's timer.
constexpr std::uintptr_t kMainTimerId = 100;

struct DemoMarker {
  std::string name;
  uint32_t updateCount = 0;
};

struct QueuedWidgetDeletion {
  int32_t depth = 0;
  Widget* widget = nullptr;
};

class KivoAppBase : public ButtonListener,
                    public DialogListener,
                    public WidgetHost,
                    public ImageRegistryApp,
                    public DialogRunner,
                    public FontHost,
                    public ResourceServices {
 public:
  KivoAppBase();
  ~KivoAppBase() override;
  KivoAppBase(const KivoAppBase&) = delete;
  KivoAppBase& operator=(const KivoAppBase&) = delete;

  // --- The application's own virtual operations, in their fixed order. ---
  virtual bool RunTimedStep(bool allowSleep);
  virtual void StepUpdate();
  virtual bool GatedStepUpdate();
  virtual void StepUpdateSmooth(float fraction);
  virtual void CreateMainWindow();
  virtual void RefreshCursor();
  void PrepareImagesAfterDisplayChange() override;
  virtual void DropImageCaches();
  virtual void ReleaseImageTextures();
  virtual void OnLoaderFinished();
  // The destructor, then the memory when bit 0 of flags is set.
  virtual KivoAppBase* DeletingDestructor(unsigned flags);
  virtual MusicInterface* CreateMusicPlayer(HWND window);
  virtual void OnInitDone();
  virtual void OnShutdown();
  virtual void OnRunLoopDone();
  virtual void LoaderWork();
  virtual void SaveSettings();
  virtual void LoadSettings();
  virtual Dialog* CreateDialogWidget(int id, bool isModal, const std::wstring& header, const std::wstring& lines,
                                     const std::wstring& footer, int buttonMode);
  virtual void OnBeforeWindowCreated();
  virtual void EnterModalBox();
  virtual void LeaveModalBox();
  virtual int ShowMessageBoxW(const std::wstring& text, const std::wstring& title, UINT type);
  virtual int ShowMessageBoxA(const std::string& text, const std::string& title, UINT type);
  void ShowFatalErrorW(const std::wstring& text) override;
  void ShowFatalErrorA(const std::string& text) override;
  virtual void AppendErrorLog(const std::string& text);
  virtual void QueueWidgetDeletion(Widget* widget);
  virtual void OnBrowserLaunchFailed(const std::string& url);
  virtual void OnBrowserLaunched(const std::string& url);
  virtual bool LaunchBrowser(const std::string& url, bool quitAfter);
  virtual std::string QueryVersionResource(const std::string& executablePath);
  virtual void HideApp();
  virtual std::string BuildCrashInfoText();
  virtual void AddCrashReportFields(std::map<std::string, std::string>& fields);
  virtual void BeginShutdown();
  virtual void ReadCommandLine();
  virtual void SplitCommandLine(const std::string& text);
  virtual void ApplyCommandLineParam(const std::string& key, const std::string& value);
  virtual void OnInstanceNotify(WPARAM wParam, LPARAM lParam);
  virtual void NotifyRunningInstance();
  virtual void Start();
  virtual void Init();
  virtual void OnBeforeDisplayInit();
  virtual void OnAfterDisplayInit();
  virtual bool HandleChangeDir(const std::string& folder);
  virtual void StartSampleWithPan(int soundId, int pan);
  virtual void StartSample(int soundId);
  virtual double QuerySystemVolume();
  virtual double QueryMusicVolume();
  virtual double QuerySfxVolume();
  virtual bool IsAudioMuted();
  virtual void ApplySystemVolume(double volume);
  virtual void ApplyMusicVolume(double volume);
  virtual void ApplySfxVolume(double volume);
  virtual void MuteAudio(bool byFocus);
  virtual void UnmuteAudio(bool byFocus);
  virtual void ApplySongVolume(int songId, double volume);
  virtual double LoaderProgress();
  DDImage* LoadImageFile(const std::string& path, bool scanAlpha) override;
  // What the resource manager loads sounds and system fonts into.
  SoundManager* ResourceSoundManager() override { return mSoundManager; }
  WidgetHost* ResourceWidgetHost() override { return this; }
  SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string& variant, bool* isNew) override;
  virtual void ApplyScreenMode(bool windowed, bool is3D, bool force);
  virtual void ApplyWindowedMode(bool windowed);
  virtual void ReapplyScreenMode();
  virtual void SetVideoMemoryDrawing(bool on);
  virtual Dialog* ReplaceDialog(int id, bool isModal, const std::wstring& header, const std::wstring& lines,
                                const std::wstring& footer, int buttonMode);
  Dialog* FindDialog(int id) override;
  virtual void RegisterDialogByOwnId(Dialog* dialog);
  virtual void RegisterDialog(int id, Dialog* dialog);
  virtual bool RemoveDialogWidget(Dialog* dialog);
  bool RemoveDialogById(int id) override;
  virtual bool RemoveDialog(int id, bool removeWidget, bool deleteWidget);
  virtual int CountDialogs();
  virtual void OnModalDialogAdded();
  virtual void OnModalDialogRemoved();
  virtual void OnFocusGained();
  virtual void OnFocusLost();
  virtual bool IsSysCharHandled(WPARAM character);
  virtual bool HandleDebugKey(int virtualKey);
  virtual bool OnKeyDownHook(int virtualKey, bool ctrlHeld, bool altHeld);
  virtual void OnCloseRequested();
  virtual void On3DTestPerformed();
  virtual std::string GetExtraCrashInfo();
  virtual bool SpareQueryHook(int first, int second);
  virtual bool DrawFrame();
  virtual void PresentFrame(const Rect* rect);
  virtual void OnInitStart();
  virtual void RunLoop();
  bool StepAppOnce(bool* updated) override;
  virtual bool StepAppUntilUpdated();
  virtual bool CanRestore();

  // --- DialogListener: the two standard buttons of dialog d become button
  // events d + 2000 and d + 3000 of this object. ---
  void DialogButtonPress(int dialogId, int buttonId) override;
  void DialogButtonRelease(int dialogId, int buttonId) override;

  // --- WidgetHost ---
  void SetCursorNumber(int number) override;
  bool ImageDrawsThrough3D(const Image* image) const override;
  bool LockScreenImage(Image* screen) override;
  void UnlockScreenImage(Image* screen) override;

  // --- ImageRegistryApp: what the image registry asks of the application. ---
  int32_t InitDisplay() override;
  void ExitProgram(int32_t code) override;
  void OnScreenImageChanged(DDImage* screen) override;
  std::wstring GetString(const std::string& name, const std::wstring& fallback) override;

  // --- Non-virtual operations. ---
  void RestoreDisplayMode();
  void ResetFrameTimer(bool grace = false);
  void AccumulateFrameTime();
  void ProcessDeletionQueue();
  bool DrainMessageQueue(bool one);
  // Shuts down on a closed window, presenting an update not drawn yet first.
  void CloseAfterPresenting();
  void UpdateFocusState();
  void ClearKeyStates();
  void LaunchCursorThread();
  void CursorThreadLoop();
  // One pass of the cursor thread: follows the mouse from `last`, the
  // position the cursor thread last saw, and updates it.
  void FollowMouseOnce(POINT& last);
  // Where the cursor belongs now: the demo's pointer when playing, else the
  // system pointer in client coordinates.
  POINT WantedCursorPos();
  void LaunchLoader();
  void WaitForLoader();
  void CheckScreenSaverIdle();
  void PurgeSharedImages();
  void ReplayDemoEvents();
  // The playback dialogs: 0 once shown (the prompt answers set the
  // fast-forward target), -1 when they could not be shown.
  int ShowJumpToTimeDialog();
  int ShowMarkerListDialog();
  void ToggleDemoMute();
  void WriteDemoFile();

  // The demo journal (Demo.cpp). Recording writes every outside input into
  // the demo buffer stamped with the update count; playback takes the
  // recorded results instead of asking the system.
  void WriteDemoEventHeader();
  bool ReadDemoEventHeader();
  void JournalBytes(Buffer& data);
  void JournalString(std::string& text);
  void JournalBool(bool& flag);
  bool LoadFileJournaled(const std::string& path, Buffer& data, bool unjournalled);
  // Recorders the input queue, the pointer watch and the update gate call.
  void RecordInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RecordPointerInWindow(bool inside);
  void RecordLoaderFinished();

  // Registry settings under HKEY_CURRENT_USER "SOFTWARE\<registry key>". A
  // value name "Sub\Name" lives in the sub-key "Sub". With no registry key
  // every call fails and touches nothing.
  bool StoreRegistryValue(const std::string& name, DWORD type, const uint8_t* data, DWORD size);
  bool StoreRegistryString(const std::string& name, const std::string& value);
  bool StoreRegistryInt(const std::string& name, int32_t value);
  bool StoreRegistryBool(const std::string& name, bool value);
  bool FetchRegistryValue(const std::string& name, DWORD* type, uint8_t* data, DWORD* size);
  bool FetchRegistryValue(const std::string& name, DWORD* type, uint8_t* data, DWORD* size, HKEY root);
  bool FetchRegistryInt(const std::string& name, int32_t* value);
  bool FetchRegistryBool(const std::string& name, bool* value);
  void RemoveRegistryValue(const std::wstring& name);
  // The key path and the value name a value name stands for.
  std::string RegistryKeyPath(const std::string& name, std::string* valueName) const;
  // Demo journal of registry results; the demo journal fills these. Playback
  // hooks answer false when there is no journal to replay from.
  virtual void JournalRegistryStore(bool stored);
  virtual void JournalRegistryFetch(bool found, DWORD type, const uint8_t* data, DWORD size);
  virtual bool ReplayRegistryStore(bool* stored);
  virtual bool ReplayRegistryFetch(DWORD* type, uint8_t* data, DWORD* size, bool* found);

  // Start-up pieces the demo journal fills in.
  virtual bool ReadDemoFile(std::string* error);
  virtual void RecordDisplayInfo(int32_t result);
  virtual void ReadDisplayStateRecord();
  // A demo that cannot be replayed further: "Invalid demo file." as a fatal
  // error, playback off, exit code 0.
  void FailCorruptDemo();

  // Numbered demo files "<stem><n>.dmo" in the working folder: the highest
  // n, 0 for none; deletes the lowest one when at least keep exist and
  // deleteExcess is set.
  int FindNumberedDemos(const std::string& stem, int keep, bool deleteExcess);
  // Resolves "-recnum" / "-playnum" into the demo file path once the
  // working folder is final (after "-changedir"), so a numbered recording
  // and its playback always search and write the same folder.
  void PlaceNumberedDemo();
  // The demo file folder rule: a relative path gets the user data folder.
  static std::string ApplyDemoFolderRule(const std::string& path);

  // Screen modes, cursors and the screen saver.
  bool IsScreenSaverMode() const { return mScreenSaverMode; }
  void UseCustomCursors(bool on);
  bool Is3DOn();
  bool Is3DRecommended();
  void Switch3D(bool on, bool reinitialise);
  void CreateBuiltInCursors();
  void PutTextOnClipboard(const std::string& text);

  // Developer tools (each does nothing without mDeveloperTools).
  void ShowVideoStats();
  void SaveScreenshot();
  void DumpImages();
  // How the display result of a (re)created main window is handled.
  void HandleDisplayResult(int32_t result);
  bool DisplayPresent(const Rect* rect);
  void RecoverFailedPresent();
  void AskHardwareAccelerationQuestions();

  // String table.
  std::wstring LookupText(const std::string& id, const std::wstring& defaultText) const;
  void DefineText(const std::string& id, const std::wstring& text);
  void LoadDefinitionsFile(const std::string& fileName);
  void FailWithResourceError(bool exitProgram);

  // The loop statistics, one debugger line each.
  std::vector<std::string> LoopStatistics(uint32_t elapsedMs) const;

  // The screen image every widget draws into while no display exists.
  MemoryImage* ScreenImage() const { return mScreenImage; }
  // Whether the calling thread is the one that runs the loop.
  bool OnMainThread() const;
  // Shows a fatal error that another thread asked for; the loop calls it.
  void ShowPendingFatalError();

  // The message queue record as the window procedure keeps it.
  struct QueuedMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  };

  // The window procedure's work for a window holding this object.
  LRESULT HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // --- Fields. ---
  uint32_t mRandomSeed = 0;
  std::string mCaptionPrefix;
  std::string mDataFolderParent;
  std::string mProductName = "Product";
  std::wstring mWindowTitle = L"KivoApp";
  std::string mRegistryKey;
  std::string mProgramFolder;
  int32_t mPreferredLeft = -1;
  int32_t mPreferredTop = -1;
  int32_t mWidth = 640;
  int32_t mHeight = 480;
  int32_t mColorDepth = 16;
  double mMusicVolume = 0.85;
  double mSfxVolume = 0.85;
  double mSavedMusicVolume = 0.0;
  double mSavedSfxVolume = 0.0;
  bool mNoSound = false;
  bool mUseFmod = false;
  bool mCommandLineRead = false;
  HANDLE mSingleInstanceMutex = nullptr;
  bool mSingleInstanceMode = true;
  UINT mNotifyMessage = 0;
  uint8_t mSaturationTable[512] = {};
  WidgetManager* mWidgetManager = nullptr;
  std::map<int, Dialog*> mDialogMap;
  std::list<Dialog*> mDialogList;
  std::atomic<uint32_t> mPrimaryThread{0};
  bool mHidden = false;
  std::atomic<bool> mShuttingDown{false};
  bool mLeaveLoop = false;
  bool mWindowed = true;
  bool mWindowIsWindowed = true;
  bool mFullScreenForced = false;
  bool mWindowedForced = false;
  bool mInitialised = false;
  uint32_t mStartTick = 0;
  std::atomic<HWND> mMainWindow{nullptr};
  HWND mInvisibleWindow = nullptr;
  bool mScreenSaverMode = false;
  bool mAllowMonitorPowerOff = true;
  std::deque<QueuedMessage> mInputQueue;
  bool mModalBoxOpen = false;
  bool mFullScreenPageFlip = true;
  DDInterface* mDisplay = nullptr;
  // What the display reads of this object, refreshed before every start.
  AppDisplaySettings mDisplaySettings{this};
  bool mVideoMemoryDrawing = false;
  MusicInterface* mMusicInterface = nullptr;
  bool mSettingsLoaded = false;
  std::string mProductVersion;
  Image* mCursorImages[13] = {};
  HCURSOR mCursorOverride = nullptr;
  bool mBrowserLaunchPending = false;
  std::string mPendingUrl;
  uint32_t mBrowserLaunchTick = 0;
  bool mQuitAfterLaunch = false;
  uint32_t mLastTimerTick = 0;
  uint32_t mTimerRunStart = 0;
  int32_t mMuteCount = 0;
  int32_t mFocusMuteCount = 0;
  bool mFastForwardMuted = false;
  bool mMuteOnFocusLoss = true;
  // The live images, the shared-image map and its purge flag; installed as
  // the images' host for the object's lifetime.
  ImageRegistry* mImageRegistry = nullptr;
  int32_t mUpdatesSinceDraw = 0;
  int32_t mUpdateInterval = 10;
  bool mDrawing = false;
  bool mLastDrawSkipped = false;
  bool mUpdatedSinceDraw = true;
  double mUpdateFraction = 0.0;
  double mFrameTimeDebt = 0.0;
  uint32_t mLastFrameTime = 0;
  uint32_t mLastInputTime = 0;
  int32_t mSleepCount = 0;
  std::atomic<int32_t> mDrawCount{0};
  int32_t mUpdateCount = 0;
  int32_t mLoopState = kLoopMessages;
  int32_t mStepDepth = 0;
  double mSpeed = 1.0;
  bool mPlaybackPaused = false;
  int32_t mFastForwardTarget = 0;
  bool mFastForwardToEnd = false;
  bool mFastForwardDraw = false;
  uint32_t mLastPresentTime = 0;
  std::atomic<uint32_t> mNextDrawTime{0};
  int32_t mSingleStepMode = kSingleStepOff;
  int32_t mCursorNumber = 0;
  SoundManager* mSoundManager = nullptr;
  HCURSOR mBuiltInCursors[2] = {nullptr, nullptr};
  std::vector<QueuedWidgetDeletion> mDeletionQueue;
  bool mPointerInWindow = false;
  bool mRunning = false;
  bool mActive = true;
  bool mMinimised = false;
  bool mSizeMinimised = false;
  bool mWindowDisabled = false;
  bool mHasFocus = true;
  int32_t mTotalDrawTime = 0;
  bool mOverlayOn = false;
  int32_t mOverlayKind = 0;
  int32_t mLastPresentDuration = 0;
  std::atomic<bool> mLoaderStarted{false};
  std::atomic<bool> mLoaderFinished{false};
  std::atomic<bool> mLoaderFinishAcknowledged{false};
  std::atomic<bool> mLoaderRunning{false};
  std::atomic<bool> mShutdownRequested{false};
  std::atomic<bool> mCursorThreadRunning{false};
  bool mCustomCursors = false;
  bool mForcePresent = false;
  bool mCleanExit = true;
  bool mWideWindowProc = false;
  std::atomic<int32_t> mLoaderTotal{0};
  std::atomic<int32_t> mLoaderDone{0};
  std::atomic<bool> mRecording{false};
  std::atomic<bool> mPlaying{false};
  bool mWindowClosed = false;
  std::string mDemoStem = "kivoapp";
  std::string mDemoFilePath = "kivoapp.dmo";
  // The pending numbered demo: files to keep when recording ("-recnum"), or
  // how far back to play ("-playnum"); 0 when none was asked for.
  int32_t mNumberedDemoKeep = 0;
  int32_t mNumberedDemoBack = 0;
  Buffer mDemoBuffer;
  int32_t mDemoLength = 0;
  std::atomic<int32_t> mDemoMouseX{0};
  std::atomic<int32_t> mDemoMouseY{0};
  int32_t mLastEventUpdate = 0;
  bool mHeaderNeeded = true;
  bool mPendingShort = false;
  int32_t mPendingCode = 0;
  bool mDemoLoaderFinished = false;
  std::list<DemoMarker> mMarkers;
  bool mDebugKeysOn = false;
  // Released before the display, whose images it may hold.
  std::unique_ptr<DeveloperTools> mDeveloperTools;
  bool mAllowMaximiseBox = false;
  bool mCtrlHeld = false;
  bool mAltHeld = false;
  int32_t mRefreshRate = 100;
  bool mRefreshRateUnreliable = false;
  bool mWaitForVSync = false;
  bool m3DSettingChanged = false;
  bool mAuto3D = false;
  bool mTest3D = false;
  int32_t mMinVideoMemory = 6;
  int32_t mRecommendedVideoMemory = 14;
  bool mStretchToAspect = false;
  Rect mPresentationRect;
  bool mAspectHack = false;
  Fraction mHackAspect;
  StringTable mStringTable;
  ResourceManager* mResourceManager = nullptr;  // comes with the resource manager

  // Loop bookkeeping of this build: the time of the last screen-saver idle
  // check, of the last fast-forward draw and of the last display recovery.
  uint32_t mLastIdleCheck = 0;
  uint32_t mLastFastForwardDraw = 0;
  bool mFastForwardDrawTickSet = false;
  uint32_t mLastPresentRecovery = 0;
  uint32_t mLoopStartTime = 0;

 protected:
  // The memory screen image (width x height) used while no display exists.
  MemoryImage* mScreenImage = nullptr;

 private:
  void RunIdlePass(bool allowSleep, bool* wouldSleep);
  LRESULT HandleQueuePath(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void HandlePlaybackChar(WPARAM character);
  void DispatchQueuedMessage(const QueuedMessage& record);
  void DispatchMouse(const QueuedMessage& record);
  void RunTimerSteps(HWND window);
  LRESULT DefaultProcessing(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RegisterWindowClasses();
  void ShowFatalErrorNow(const std::wstring& text, bool narrowBox);

  std::mutex mPendingFatalLock;
  std::vector<std::pair<std::wstring, bool>> mPendingFatalErrors;  // text, shown through the narrow box
};

}  // namespace Kivo
