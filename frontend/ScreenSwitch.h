// The screen switch: every move between the game's screens fades the
// picture to black through a full-window overlay, replaces the screen while
// it is black and fades back in. The switch owns one slot per screen type;
// a screen lives in its slot from its creation until the switch removes it.
//
// A fade half takes 51 updates (opacity in steps of 5). A request during a
// fade only changes the destination. The screen being removed is deleted
// inside the overlay's update, at once. Quitting (type 11) starts the
// shutdown and creates nothing. A level whose scene is missing shows the
// main menu instead, and the fade-in's end focuses the screen actually
// shown.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "frontend/Screen.h"
#include "ui/Widget.h"

namespace Kivo {

class WidgetManager;

enum ScreenType : int {
  kNoScreen = -1,
  kLoadingScreen = 1,
  kMainMenuScreen = 2,
  kSplashScreen = 3,
  kMapScreen = 4,
  kWinScreen = 5,
  kLevelScreen = 6,
  kQuitScreen = 11,
  kStoryScreen = 12,
};
constexpr int kScreenSlotCount = 14;

enum FadeState : int { kFadingIn = 0, kFadingOut = 1, kFadeFinished = 3 };

// "Level_%d_%d" with the stage and level counted from 1.
std::string LevelSceneName(int stageIndex, int levelIndex);

// What the switch needs of the game.
class ScreenSwitchHost {
 public:
  // The screen of a type other than the level and quit (null when the type
  // has none).
  virtual Screen* CreateScreen(int type) = 0;
  // The level screen of that scene, started.
  virtual Screen* CreateLevelScreen(const std::string& sceneName) = 0;
  // The loading screen was added: the loading thread may start.
  virtual void OnLoadingScreenAdded() = 0;
  virtual void BeginShutdown() = 0;
  // The current profile's stage and level indexes (counted from 0).
  virtual void GetCurrentLevel(int* stage, int* level) = 0;
  virtual void FadeOutSong(int id, bool stop, float speed) = 0;

 protected:
  ~ScreenSwitchHost() = default;
};

class ScreenSwitch;

// The black overlay: draws nothing once its fade is finished.
class ScreenTransition : public Widget {
 public:
  explicit ScreenTransition(ScreenSwitch& owner) : mOwner(owner) {}

  void Update() override;
  void Draw(Graphics& g) override;

  int mState = kFadeFinished;
  int mRemoveType = kNoScreen;
  int mTargetType = kNoScreen;
  int mOpacity = 255;
  int mFocusCount = 0;  // screens focused so far, naming their frame dumps

 private:
  ScreenSwitch& mOwner;
};

class ScreenSwitch {
 public:
  // The overlay is sized to the window and added to the manager at once.
  ScreenSwitch(WidgetManager& manager, ScreenSwitchHost& host, int width, int height);
  ~ScreenSwitch();
  ScreenSwitch(const ScreenSwitch&) = delete;
  ScreenSwitch& operator=(const ScreenSwitch&) = delete;

  // The game's first picture: `type` behind a fade from black.
  void ShowFirst(int type);
  // Fades to black, then shows `target` and deletes `remove` (kNoScreen:
  // none).
  void StartTransition(int target, int remove);
  // Called by the overlay when the picture is black.
  void SwitchScreen(int target, int remove);
  // Builds the level screen of the current profile into its slot; false
  // when the level's scene is missing.
  bool StartLevel();

  // Removes every screen from the manager and deletes it.
  void DeleteScreens();
  // Removes the overlay as well (before the game's data goes).
  void DeleteAll();

  Screen* GetScreen(int type) const;
  ScreenTransition* Overlay() const { return mOverlay.get(); }
  bool IsFadeFinished() const { return mOverlay == nullptr || mOverlay->mState == kFadeFinished; }
  WidgetManager& Manager() { return mManager; }

 private:
  void DeleteScreen(int type);
  void AddToManager(Screen* screen);

  WidgetManager& mManager;
  ScreenSwitchHost& mHost;
  int mWidth;
  int mHeight;
  std::unique_ptr<ScreenTransition> mOverlay;
  std::array<std::unique_ptr<Screen>, kScreenSlotCount> mSlots;
};

}  // namespace Kivo
