#include "frontend/ScreenSwitch.h"

#include <cstdio>

#include "engine/SceneDatabase.h"
#include "platform/Environment.h"
#include "platform/FrameDump.h"
#include "ui/Graphics.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

constexpr int kFadeStep = 5;
constexpr int kMenuSong = 0;
constexpr float kMenuSongFadeSpeed = 0.1f;

bool IsSlot(int type) { return type >= 0 && type < kScreenSlotCount; }

}  // namespace

std::string LevelSceneName(int stageIndex, int levelIndex) {
  return "Level_" + std::to_string(stageIndex + 1) + "_" + std::to_string(levelIndex + 1);
}

void ScreenTransition::Update() {
  Widget::Update();
  if (mState == kFadingIn) {
    mOpacity -= kFadeStep;
    if (mOpacity <= 0) {
      mOpacity = 0;
      mState = kFadeFinished;
      mOwner.Manager().MoveToBack(this);
      Screen* shown = mOwner.GetScreen(mTargetType);
      mOwner.Manager().SetFocus(shown);
      Platform::Log("screens: fade in ended, screen " + std::to_string(mTargetType) + " focused");
      if (mTargetType == kMainMenuScreen) Platform::RequestFrameDump("menu");
      // Every screen's arrival is a checkpoint of a whole-game run.
      if (Platform::FrameDumpWanted()) {
        char name[32];
        std::snprintf(name, sizeof name, "focus%03d_screen%d", ++mFocusCount, mTargetType);
        Platform::RequestFrameDump(name);
      }
    }
  } else if (mState == kFadingOut) {
    mOpacity += kFadeStep;
    if (mOpacity >= 255) {
      mOpacity = 255;
      mState = kFadingIn;
      // May delete a sibling of this overlay: nothing of it is used after.
      mOwner.SwitchScreen(mTargetType, mRemoveType);
    }
  }
  if (mState != kFadeFinished) Invalidate();
}

void ScreenTransition::Draw(Graphics& g) {
  if (mState == kFadeFinished || mOpacity <= 0) return;
  g.SetColor(Color(0, 0, 0, mOpacity));
  g.FillRect(0, 0, mWidth, mHeight);
}

ScreenSwitch::ScreenSwitch(WidgetManager& manager, ScreenSwitchHost& host, int width, int height)
    : mManager(manager), mHost(host), mWidth(width), mHeight(height) {
  mOverlay = std::make_unique<ScreenTransition>(*this);
  mOverlay->Resize(0, 0, width, height);
  mManager.AddChild(mOverlay.get());
}

ScreenSwitch::~ScreenSwitch() { DeleteAll(); }

Screen* ScreenSwitch::GetScreen(int type) const { return IsSlot(type) ? mSlots[type].get() : nullptr; }

void ScreenSwitch::AddToManager(Screen* screen) {
  screen->Resize(0, 0, mWidth, mHeight);
  mManager.AddChild(screen);
}

void ScreenSwitch::ShowFirst(int type) {
  Platform::Log("screens: first screen " + std::to_string(type) + " behind a fade from black");
  mOverlay->mState = kFadingIn;
  mOverlay->mRemoveType = kNoScreen;
  mOverlay->mTargetType = type;
  if (mSlots[type] == nullptr) {
    mSlots[type].reset(mHost.CreateScreen(type));
    if (mSlots[type] != nullptr) AddToManager(mSlots[type].get());
  }
  mManager.MoveToFront(mOverlay.get());
}

void ScreenSwitch::StartTransition(int target, int remove) {
  mOverlay->mTargetType = target;
  mOverlay->mRemoveType = remove;
  mManager.MoveToFront(mOverlay.get());
  mOverlay->mState = kFadingOut;
}

void ScreenSwitch::DeleteScreen(int type) {
  if (!IsSlot(type) || mSlots[type] == nullptr) return;
  mManager.RemoveChild(mSlots[type].get());
  mSlots[type].reset();
}

void ScreenSwitch::SwitchScreen(int target, int remove) {
  Platform::Log("screens: switch to " + std::to_string(target) + ", removing " + std::to_string(remove));
  DeleteScreen(remove);
  if (target == kQuitScreen) {
    mHost.BeginShutdown();
    return;
  }
  if (IsSlot(target) && mSlots[target] == nullptr) {
    if (target == kLevelScreen) {
      if (!StartLevel()) {
        Platform::Log("screens: the level's scene is missing; showing the main menu");
        target = kMainMenuScreen;
        mOverlay->mTargetType = target;  // the fade's end focuses the screen shown
        if (mSlots[target] == nullptr) mSlots[target].reset(mHost.CreateScreen(target));
      }
    } else {
      mSlots[target].reset(mHost.CreateScreen(target));
    }
  }
  // A screen built ahead (the level, by the conversation) joins the manager
  // here; a screen already shown is neither resized nor added again.
  Screen* shown = GetScreen(target);
  if (shown != nullptr && !mManager.HasChild(shown)) {
    AddToManager(shown);
    if (target == kLoadingScreen) mHost.OnLoadingScreenAdded();
  }
  mManager.MoveToFront(mOverlay.get());
}

bool ScreenSwitch::StartLevel() {
  int stage = 0;
  int level = 0;
  mHost.GetCurrentLevel(&stage, &level);
  std::string scene = LevelSceneName(stage, level);
  if (!SceneExists(scene)) return false;
  DeleteScreen(kLevelScreen);
  mSlots[kLevelScreen].reset(mHost.CreateLevelScreen(scene));
  mHost.FadeOutSong(kMenuSong, true, kMenuSongFadeSpeed);
  return true;
}

void ScreenSwitch::DeleteScreens() {
  for (int type = 0; type < kScreenSlotCount; ++type) DeleteScreen(type);
}

void ScreenSwitch::DeleteAll() {
  DeleteScreens();
  if (mOverlay != nullptr) {
    mManager.RemoveChild(mOverlay.get());
    mOverlay.reset();
  }
}

}  // namespace Kivo
