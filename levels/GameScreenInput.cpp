// The level screen's input: the HUD buttons reported to its listener, the
// mouse routed among the HUD, the tutorial panel and the mini-game, the
// notices of the level's objects, and the keyboard with the hidden debug
// mode (typed word "qopmu"; keys e, h, a, Esc, d and t only while it is on).
#include "engine/ButtonKinds.h"
#include "engine/SliderEditKinds.h"
#include "frontend/TutorialPanel.h"
#include "levels/GameScreen.h"
#include "levels/LevelContext.h"

namespace Kivo {

namespace {

constexpr wchar_t kEscapeChar = 27;
constexpr int kHighestStageUnlocked = 39;
constexpr int kDisabledAlpha = 100;

void PlaySound(const char* id) { CurrentLevelContext().PlaySound(id); }

// A press or release is offered to the HUD only while its root has an active
// child (its children took the root's focus when the screen was added).
bool HudTakesPresses(const ObjectList& hud) { return !hud.empty() && hud[0]->mActiveChild != nullptr; }

}  // namespace

void GameScreen::OnButtonClick(std::string name) {
  if (mGame != nullptr && (mGame->IsWon() || mGame->IsLost())) return;
  if (name == "btnMenu") {
    PlaySound("SOUND_BTN_CLK");
    ShowGameMenu("dlgGameMenu");
  } else if (name == "btnHint") {
    PlaySound("SOUND_TIP_USE");
    UseHint();
  } else if (name == "btnPurpose") {
    PlaySound("SOUND_BTN_CLK");
    ShowGoalDialog();
  } else if (name == "btnSkip") {
    PlaySound("SOUND_BTN_CLK");
    if (mGame != nullptr) mGame->mWon = true;
  } else if (name == "game_skip") {
    if (mGame != nullptr) mGame->mWon = true;
  }
}

void GameScreen::StartEffectAt(sObj* effect, const HintPoint& point) {
  if (auto* target = dynamic_cast<AnimEffectTarget*>(effect)) target->StartAt(Vec2(point.x, point.y));
}

void GameScreen::UseHint() {
  HintPoint first;
  HintPoint second;
  if (mGame == nullptr) return;
  const uint8_t code = mGame->GetHintPosition(first, second);
  if (mHintButton != nullptr) {
    mHintButton->BeginStateFade();
    mHintButton->mState = kButtonDisabled;
    mHintButton->SetAlpha(kDisabledAlpha);
  }
  if (code == kHintNone) return;
  mHintRecharge.mRemaining = mHintRecharge.mDuration;
  if (mHintBar != nullptr) mHintBar->SetVisible(true);
  if (mClosedHintEffect != nullptr && (code == kHintClosedAtFirst || code == kHintClosedAtBoth)) {
    StartEffectAt(mClosedHintEffect, first);
    if (code == kHintClosedAtBoth) StartEffectAt(mClosedHintEffect, second);
  }
  if (mHintEffect != nullptr && (code == kHintAtFirst || code == kHintAtBoth)) {
    StartEffectAt(mHintEffect, first);
    if (code == kHintAtBoth) StartEffectAt(mHintEffect, second);
  }
}

void GameScreen::OnAnimationEnd(std::string name, std::string animation) {
  if (mGame != nullptr) mGame->OnAnimationEnd(name, animation);
  if (mTutorial != nullptr) mTutorial->OnAnimationEnd(name, animation);
}

void GameScreen::OnMessage(std::string text) {
  if (mTutorial != nullptr) mTutorial->OnMessage(std::move(text));
}

void GameScreen::MouseMove(int x, int y) {
  Screen::MouseMove(x, y);
  if (mGame != nullptr) mGame->MouseMove(x, y);
  for (sObj* object : mHud) object->MouseMove(x, y);
  if (mTutorial != nullptr) mTutorial->MouseMove(x, y);
}

void GameScreen::MouseDrag(int x, int y) {
  Screen::MouseDrag(x, y);
  if (mGame != nullptr) mGame->MouseMove(x, y);
  if (mTutorial != nullptr) mTutorial->MouseMove(x, y);
}

void GameScreen::MouseDown(int x, int y, int clickCount) {
  Invalidate();
  if (HudTakesPresses(mHud)) {
    for (sObj* object : mHud) {
      if (object->MouseDown(x, y, clickCount)) return;
    }
  }
  if (mTutorial != nullptr && !mTutorial->FilterClick(x, y, clickCount)) return;
  if (mGame != nullptr) mGame->MouseDown(x, y, clickCount);
}

void GameScreen::MouseUp(int x, int y, int clickCount) {
  Invalidate();
  if (HudTakesPresses(mHud)) {
    for (sObj* object : mHud) {
      if (object->MouseUp(x, y, clickCount)) return;
    }
  }
  if (mGame != nullptr) mGame->MouseUp(x, y, clickCount);
  if (mTutorial != nullptr) mTutorial->MouseUp(x, y, clickCount);
}

void GameScreen::KeyChar(wchar_t c) {
  AddTypedChar(c);
  if (TypedWordMatches(L"qopmu")) {
    gDebugMode = !gDebugMode;
    CurrentLevelContext().Log(gDebugMode ? "level screen: debug mode on" : "level screen: debug mode off");
  }
  if (!gDebugMode) return;
  switch (c) {
    case L'e': AdvanceLevel(); break;
    case L'h': mHintRecharge.mRemaining = 0.0f; break;
    case L'a': {
      Profiles& profiles = mLevelHost.GetProfiles();
      if (profiles.HasCurrent()) {
        profiles.current().highestStage = kHighestStageUnlocked;
        profiles.current().allUnlocked = true;
      }
      break;
    }
    case kEscapeChar:
      PlaySound("SOUND_BTN_CLK");
      ShowGameMenu("dlgGameMenu");
      break;
    case L'd': gTimerFreeze = !gTimerFreeze; break;
    case L't': mLevelHost.ReloadTexts(); break;
    default: break;
  }
  if (mGame != nullptr) mGame->KeyChar(c);
}

}  // namespace Kivo
