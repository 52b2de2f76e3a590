// The game's application object: reads the configuration, text table,
// settings and profiles, applies the profile's screen mode and volumes,
// loads the "Loading" group, shows the first screen behind a fade from
// black, runs the loading of the "Game" group on the loading thread, owns
// the screens and the switch between them, chooses the music, pauses the
// level while the window has no focus, and saves the profiles at shutdown.
//
// Threads: the loading thread (LoaderWork) touches no widget; it publishes
// its progress through an atomic value the loading screen applies in its
// own update. No exception leaves the loading thread: a missing resource
// name takes the failure path (message box, orderly shutdown).
//
// Shutdown order: dialogs, screens, the overlay and the main objects go
// before the scene database and its image table, so nothing releases an
// image into a freed table.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "engine/SceneLoader.h"
#include "frontend/GameDataFiles.h"
#include "frontend/GameScreenHosts.h"
#include "frontend/GameMusic.h"
#include "frontend/KindScriptServices.h"
#include "frontend/MainMenuScreen.h"
#include "frontend/OpeningScreens.h"
#include "frontend/Profiles.h"
#include "frontend/Screen.h"
#include "frontend/ScreenSwitch.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

enum LoadState : int { kLoading = 0, kLoaded = 1, kClickShown = 2 };

// The loading bar's value as the loading thread moves it.
class LoadingProgress {
 public:
  // Stores the value and logs it ("game: progress 0.550").
  void Set(float value);
  float Get() const { return mValue.load(); }
  // 0.5 to 0.8 over the sounds of the "Game" group; a group without sounds
  // or more resources than sounds never leave that span.
  static float SoundsValue(int loaded, int totalSounds);

 private:
  std::atomic<float> mValue{0.0f};
};

class GameApp : public KivoAppBase, public FrontEndHost, public ScreenSwitchHost, public MainMenuHost {
 public:
  GameApp();
  ~GameApp() override;

  // KivoAppBase
  void Init() override;
  void LoaderWork() override;
  void OnLoaderFinished() override;
  void OnFocusGained() override;
  void OnFocusLost() override;
  // The volume and screen-mode calls, logged as they reach the framework.
  void ApplyMusicVolume(double volume) override;
  void ApplySfxVolume(double volume) override;
  void ApplyScreenMode(bool windowed, bool is3D, bool force) override;

  // ScreenHost
  void PlayMusic(int index) override;
  bool IsFadeFinished() const override;
  const ScreenMatrices& GetScreenMatrices() const override { return mScreenMatrices; }

  // ScreenSwitchHost
  Screen* CreateScreen(int type) override;
  Screen* CreateLevelScreen(const std::string& sceneName) override;
  void OnLoadingScreenAdded() override;
  void BeginShutdown() override;
  void GetCurrentLevel(int* stage, int* level) override;
  void FadeOutSong(int id, bool stop, float speed) override;

  // FrontEndHost
  void StartTransition(int target, int remove) override;
  int GetLoadState() const override { return mLoadState.load(); }
  void SetLoadState(int state) override { mLoadState.store(state); }
  float GetLoadingValue() const override { return mLoadingProgress.Get(); }
  void PlaySound(const std::string& name) override;
  MemoryImage* LoadPicture(const std::string& path) override;

  // MainMenuHost
  void RefreshWelcome() override;
  void UpdateParticles() override;
  void DrawParticles(Graphics& g) override;
  void ClearParticles() override;

  bool StartLevel();
  Screen* GetScreen(int type) const;
  // The switch's fade overlay, or null before the switch exists.
  const ScreenTransition* Transition() const;

  // Builds the started level screen of a level scene. The level screen lives
  // above the front end, so the game's entry sets this; without it a level
  // is a plain screen of its scene.
  using LevelScreenFactory = std::function<Screen*(const std::string& sceneName)>;
  void SetLevelScreenFactory(LevelScreenFactory factory) { mLevelScreenFactory = std::move(factory); }

  Profiles& GetProfiles() override { return mProfiles; }
  LoadingProgress& GetLoadingProgress() { return mLoadingProgress; }
  int LevelMusic(int stage, int level) const { return mLevelMusic[stage][level]; }

  // The system arrow the entry loads and holds for the program's life; the
  // destructor destroys it.
  void HoldArrowCursor(HCURSOR cursor) { mArrowCursor = cursor; }

  bool mFullScreen = true;
  bool mCustomCursorFlag = true;
  bool m3DFlag = true;
  int mCodePage = 1251;

 private:
  bool StartEngine();
  void ApplyProfileSettings();
  bool LoadFirstGroup();
  // The loading thread's steps after the sounds; false when it stopped.
  bool LoadGameGroup();
  void LoadRest();
  void StoreWindowModeInProfile();
  void PauseLevel(bool paused);

  ObjectList mMainObjects;
  ScreenMatrices mScreenMatrices;
  std::unique_ptr<ScreenSwitch> mSwitch;
  Profiles mProfiles;
  DataTable mDataTable;
  HighScores mHighScores;
  LoadingProgress mLoadingProgress;
  std::atomic<int> mLoadState{kLoading};
  LevelMusicTable mLevelMusic{};
  bool mEngineStarted = false;
  // What the map and the conversation ask of the game.
  GameMapHost mMapHost{*this};
  GameStoryHost mStoryHost{*this};
  KindScriptServices mScriptServices;
  LevelScreenFactory mLevelScreenFactory;
  HCURSOR mArrowCursor = nullptr;
};

// The one application object while it exists, else null.
GameApp* TheGame();

}  // namespace Kivo
