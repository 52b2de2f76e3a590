#include "levels/MiniGame.h"

#include "engine/SceneLoader.h"
#include "levels/DataFormat.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// Leading decimal digits taken as an unsigned 32-bit value; 0 without any.
uint32_t UnsignedProperty(const std::string& value) { return static_cast<uint32_t>(LeadingInt(value.c_str())); }

void Tick(CountdownTimer& timer) { timer.Tick(); }

}  // namespace

AnimDef* SharedAnimDef(const std::string& name) {
  for (AnimDef& def : gAnimDefs) {
    if (def.name == name) return &def;
  }
  return nullptr;
}

MiniGame::~MiniGame() {
  if (AnimDef* finded = SharedAnimDef("finded")) finded->soundBegin.target = nullptr;
  mLevelClock.Clear();
  mSkipCountdown.Clear();
  mMissWindow.Clear();
  mPenalty.Clear();
}

std::string MiniGame::LevelProperty(const std::string& key) const {
  if (mLevelObjects == nullptr || mLevelObjects->empty()) return "";
  return (*mLevelObjects)[0]->mProperties.GetProperty(key);
}

int MiniGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  mLevelObjects = levelObjects;
  mHudObjects = hudObjects;
  mHudAnchor = levelObjects != nullptr ? FindObjectByName(*levelObjects, "game_menu_draw") : nullptr;
  mWon = false;
  mLost = false;
  mMissCrossRequest = false;
  mTimeLimit = 0;
  // Nothing shown yet: the first UpdateTimeText writes the clock, also 0:00.
  mShownMinutes = kNothingShown;
  mShownSeconds = kNothingShown;

  const std::string timeMinutes = LevelProperty("_iTimeMinut");
  if (!timeMinutes.empty()) {
    mTimeLimit = UnsignedProperty(timeMinutes);
    mLevelClock.Start(static_cast<float>(mTimeLimit) * 60.0f);
    mPenalty = {2.0f, 0.0f, CountdownTimer::kUpdateStep};
    mMissWindow = {6.0f, 0.0f, CountdownTimer::kUpdateStep};
  }
  const std::string skipTime = LevelProperty("_iSkipTime");
  if (!skipTime.empty()) {
    mSkipTime = UnsignedProperty(skipTime);
    mSkipCountdown.Start(static_cast<float>(mSkipTime) * 60.0f);
  }
  mSleifEffect = FindEffect("effSleif");
  mSkipMode = !LevelProperty("_bSkipMode").empty();
  return 0;
}

int MiniGame::Update(int updateCount) {
  if (gTimerFreeze) return 0;
  if (mSkipTime != 0 && !mWon && !mLost && mSkipCountdown.IsRunning()) {
    Tick(mSkipCountdown);
    if (mSkipCountdown.IsDone()) mSkipReady = true;
  }
  if (mTimeLimit != 0 && !mWon && !mLost && CurrentLevelContext().HardModeField() == 1) {
    if (mLevelClock.IsRunning()) {
      Tick(mLevelClock);
    } else {
      Tick(mLevelClock);
      if (mSkipMode) {
        mSkipTimedOut = true;
      } else {
        mLost = true;
      }
    }
    Tick(mMissWindow);
    Tick(mPenalty);
    if (mPenalty.IsRunning()) {
      for (int i = 0; i < 9; ++i) Tick(mLevelClock);
    }
  }
  return 0;
}

void MiniGame::OnMissClick() {
  if (CurrentLevelContext().HardModeField() == 0) return;
  if (mMissWindow.mRemaining == 0.0f || mMissWindow.mDuration == 0.0f) {
    mMissCount = 1;
    mMissWindow.mRemaining = mMissWindow.mDuration;
    return;
  }
  mMissWindow.mRemaining = mMissWindow.mDuration;
  ++mMissCount;
  if (mMissCount >= 4) {
    mMissCount = 0;
    mMissWindow.mRemaining = 0.0f;
    mPenalty.mRemaining = mPenalty.mDuration;
    mPenaltyNotice = true;
  }
}

void MiniGame::ResetMissClicks() {
  mMissCount = 0;
  mMissWindow.mRemaining = 0.0f;
}

void MiniGame::ReportMiss(int x, int y) {
  mMissPoint = {static_cast<float>(x), static_cast<float>(y)};
  mMissCrossRequest = true;
  OnMissClick();
}

float MiniGame::UpdateTimeText(const std::wstring& format, std::wstring& text) {
  const int32_t total = static_cast<int32_t>(mLevelClock.mRemaining);
  const uint32_t minutes = static_cast<uint32_t>(total / 60);
  const uint32_t seconds = static_cast<uint32_t>(total % 60);
  if (minutes != mShownMinutes || seconds != mShownSeconds) {
    text = FormatDataInts(format, {minutes, seconds});
    mShownMinutes = minutes;
    mShownSeconds = seconds;
  }
  if (mLevelClock.mDuration == 0.0f) return 1.0f;
  return mLevelClock.mRemaining / mLevelClock.mDuration;
}

float MiniGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  text.clear();
  return 0.0f;
}

uint8_t MiniGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  first = {-1000.0f, -1000.0f};
  return kHintAtFirst;
}

void MiniGame::SendMessage(std::string text) {
  if (mListener != nullptr) mListener->OnMessage(std::move(text));
}

sObj* MiniGame::FindEffect(const std::string& name) const {
  sObj* found = mLevelObjects != nullptr ? FindObjectByName(*mLevelObjects, name) : nullptr;
  if (found == nullptr && mHudObjects != nullptr) found = FindObjectByName(*mHudObjects, name);
  return found;
}

int MiniGame::Draw(Graphics& g) {
  if (mHudAnchor != nullptr) return 0;
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  DrawHud(g);
  g.End3D();
  g.SetColorizeImages(false);
  return 0;
}

int MiniGame::DrawHud(Graphics& g) {
  if (mHudObjects == nullptr) return 0;
  for (sObj* object : *mHudObjects) {
    if (object->mName != "sprDisabledList") object->Draw(&g);
  }
  return 0;
}

int MiniGame::DrawDisabledList(Graphics& g) {
  if (mHudAnchor != nullptr || mHudObjects == nullptr) return 0;
  for (sObj* object : *mHudObjects) {
    if (object->mName == "sprDisabledList") object->Draw(&g);
  }
  return 0;
}

void MiniGame::MarkUnplayable(const std::string& kind, const std::string& what) {
  if (!mUnplayable) {
    LevelContext& context = CurrentLevelContext();
    context.Log("level: " + context.LevelName() + " (" + kind + ") cannot be played: " + what);
  }
  mUnplayable = true;
}

void DrawLevelWithHud(MiniGame& game, Graphics& g) {
  if (game.mLevelObjects == nullptr) return;
  for (sObj* object : *game.mLevelObjects) {
    if (object == game.mHudAnchor) {
      game.DrawHud(g);
    } else {
      object->Draw(&g);
    }
  }
}

}  // namespace Kivo
