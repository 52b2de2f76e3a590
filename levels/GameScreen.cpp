#include "levels/GameScreen.h"

#include <algorithm>
#include <cmath>

#include "engine/ButtonKinds.h"
#include "engine/ResourceIds.h"
#include "engine/SliderEditKinds.h"
#include "engine/StripEffect.h"
#include "engine/TextKinds.h"
#include "engine/TextTables.h"
#include "frontend/GameDialog.h"
#include "frontend/MapScreen.h"
#include "frontend/TutorialPanel.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "levels/MiniGameFactory.h"
#include "shell/KivoAppBase.h"
#include "ui/Font.h"
#include "ui/Graphics.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

constexpr const char kHudScene[] = "mnGame";
constexpr const char kTutorialScene[] = "mnTutor";
constexpr float kMessageSeconds = 3.0f;
constexpr float kHintRechargeSeconds = 60.0f;
constexpr Vec2 kEffectPoint{100.0f, 50.0f};
constexpr int kDisabledAlpha = 100;
constexpr int kHintDisabledCell = 2;

// The strip wave of the level messages: the strips' speed along the wave
// and its radius, and the wave's amplitude.
constexpr int kMessageStrips = 40;
constexpr float kMessageStripSpeed = 6.05f;
constexpr float kMessageWaveRadius = 40.0f;
constexpr float kMessageWaveAmplitude = 30.0f;
constexpr float kMessageTop = 235.0f;
constexpr int kMessageLineSpacing = 32;
constexpr int kPenaltySeconds = 3;
constexpr int kMessageStripSeconds = 1;
constexpr int kCentred = 0;
// The panel behind a message's lines: dark and mostly opaque, so white text
// keeps a contrast of 5:1 and more over a white scene.
constexpr Color kMessageBackingColor(24, 18, 40, 190);
constexpr int kMessageBackingMarginX = 24;
constexpr int kMessageBackingMarginY = 8;
constexpr int kMessageBackingRadius = 12;

constexpr int kLastStage = 40;  // one past the last stage index
constexpr int kLevelsInStage = 4;

void PlaySound(const char* id) { CurrentLevelContext().PlaySound(id); }

void SetValue(sObjSlider* slider, float value) {
  if (slider != nullptr) slider->SetValue(value);
}

void ShowObject(sObj* object, bool visible) {
  if (object != nullptr) object->SetVisible(visible);
}

// A button cross-fades into a state with an alpha.
void FadeButton(sObjButton* button, int state, int alpha) {
  if (button == nullptr) return;
  button->BeginStateFade();
  button->SetAlpha(alpha);
  button->mState = state;
}

}  // namespace

GameScreen::GameScreen(LevelScreenHost& host, const std::string& sceneName, MiniGameMaker maker)
    : Screen(host, sceneName), mLevelHost(host), mMaker(std::move(maker)) {
  std::string type;
  if (!mObjects.empty()) {
    type = mObjects[0]->mProperties.GetProperty("type_game");
  } else {
    CurrentLevelContext().Log("level screen: the scene \"" + sceneName +
                              "\" has no objects; the level has no mini-game");
  }
  LoadScene(kHudScene, mHud);
  LinkAnimTargets(mHud);
  if (!mObjects.empty()) {
    mGame = CreateMiniGame(type);
    if (mGame != nullptr) mGame->mStarted = false;
  }
  FindHudObjects();
  mMessageImage = mLevelHost.CreateMessageImage(kMessageWidth, kMessageHeight);
  if (mMissCross != nullptr) mMissCross->SetAlpha(0);

  int stage = 0;
  int level = 0;
  Profiles& profiles = mLevelHost.GetProfiles();
  if (profiles.HasCurrent()) {
    stage = profiles.current().stage;
    level = profiles.current().level;
  }
  mTutorial = std::make_unique<TutorialPanel>(host, mLevelHost.ScriptServices(), kTutorialScene, stage, level);
  mLevelHost.PlayMusic(mLevelHost.LevelMusic(stage, level));
  mLevelHost.StartParticles("magicrain2", kEffectPoint);
}

GameScreen::~GameScreen() {
  // Dialogs still open must not reach this screen any more.
  ClearDialogLink();
  DeleteObjects(mHud);
  if (mGame != nullptr) {
    mGame->mStarted = false;
    delete mGame;
    mGame = nullptr;
  }
  mLevelHost.ClearParticles();
  mTutorial.reset();
  // The strip wave outlives the screen (the map uses it next): it must not
  // keep drawing this screen's message image.
  if (mMessageImage != nullptr && gStripEffect.mImage == mMessageImage.get()) {
    gStripEffect.mActive = 0;
    gStripEffect.mImage = nullptr;
    gStripEffect.mTimer.Clear();
  }
  mMessageImage.reset();
}

MiniGame* GameScreen::CreateMiniGame(const std::string& type) {
  return mMaker ? mMaker(type) : ::Kivo::CreateMiniGame(type);
}

// The HUD object of that name and kind, or null; a missing one is logged once
// (the screen looks each name up once) and its feature stays off.
template <class Kind>
Kind* FindHudObject(const ObjectList& hud, const std::string& name) {
  Kind* found = dynamic_cast<Kind*>(FindObjectByName(hud, name));
  if (found == nullptr) {
    CurrentLevelContext().Log("level screen: the HUD object \"" + name + "\" is missing from \"" + kHudScene +
                              "\" or of another kind");
  }
  return found;
}

void GameScreen::FindHudObjects() {
  mTimeBar = FindHudObject<sObjSlider>(mHud, "progressBarTime");
  mTimeText = FindHudObject<sObjText>(mHud, "txtTime");
  if (mTimeText != nullptr) mTimeFormat = mTimeText->mText;
  mHintButton = FindHudObject<sObjButton>(mHud, "btnHint");
  mHintBar = FindHudObject<sObjSlider>(mHud, "progressBarHint");
  ShowObject(mHintBar, false);
  mSkipButton = FindHudObject<sObjButton>(mHud, "btnSkip");
  ShowObject(mSkipButton, false);
  mSkipBar = FindHudObject<sObjSlider>(mHud, "progressBarSkip");
  ShowObject(mSkipBar, false);
  mClosedHintEffect = FindHudObject<sObj>(mHud, "effHintClosed");
  mDisabledHint = FindHudObject<sObj>(mHud, "sprDisabledHint");
  mDisabledList = FindHudObject<sObj>(mHud, "sprDisabledList");
  mDisabledItems = FindHudObject<sObj>(mHud, "sprDisabledItems");
  mDisabledTime = FindHudObject<sObj>(mHud, "sprDisabledTime");
  mItemsBar = FindHudObject<sObjSlider>(mHud, "progressBarItems");
  mItemsText = FindHudObject<sObjText>(mHud, "txtItems");
  if (mItemsText != nullptr) mItemsFormat = mItemsText->mText;
  mMissCross = FindHudObject<sObj>(mHud, "sprCross");
}

void GameScreen::SetTimeText(const std::wstring& text) {
  if (mTimeText != nullptr) mTimeText->mText = text;
}

void GameScreen::StartLevel() {
  mWonEffect = false;
  mWinTimer = {kMessageSeconds, 0.0f, CountdownTimer::kUpdateStep};
  mDefeatTimer = {kMessageSeconds, 0.0f, CountdownTimer::kUpdateStep};
  mHintRecharge = {kHintRechargeSeconds, 0.0f, CountdownTimer::kUpdateStep};
  if (mGame == nullptr) return;

  mGame->Init(&mObjects, &mHud);
  mGame->mStarted = true;
  mGame->SetListener(this);
  mHintEffect = mGame->FindEffect("effHint");
  // A kind that loads sub-levels replaces the level objects under us.
  mGame->mLevelObjectsReplaced = [this] {
    mHintEffect = mGame->FindEffect("effHint");
    if (mTutorial != nullptr) mTutorial->SetLevelObjects(&mObjects);
  };
  ShowObject(mGame->HasHint() ? mDisabledHint : mHintButton, false);
  if (CurrentLevelContext().HardModeField() == 0) {
    SetTimeText(GetText("easyBarTime"));
    ShowObject(mDisabledTime, true);
  } else {
    if (mTimeText != nullptr) mGame->UpdateTimeText(mTimeFormat, mTimeText->mText);
    ShowObject(mDisabledTime, false);
  }
  ShowObject(mDisabledList, mGame->ShowsDisabledList());
  if (mGame->HasItemsCounter()) {
    ShowObject(mDisabledItems, false);
    if (mItemsText != nullptr) mGame->UpdateItemsText(mItemsFormat, mItemsText->mText);
  } else if (mItemsText != nullptr) {
    // The counter's format is a template, never a text to show.
    mItemsText->mText.clear();
  }
  if (mGame->HasSkip()) {
    ShowObject(mSkipButton, true);
    ShowObject(mSkipBar, true);
    if (mSkipButton != nullptr) {
      mSkipButton->SetAlpha(kDisabledAlpha);
      mSkipButton->mState = kButtonDisabled;
    }
    if (mSkipBar != nullptr) mSkipBar->SetAlpha(kDisabledAlpha);
  }
}

void GameScreen::OnAdded(WidgetManager* manager) {
  Screen::OnAdded(manager);
  int index = 0;
  for (sObj* object : mHud) {
    object->SetIndex(index++);
    object->SetListener(this);
    object->TakeParentFocus();
  }
  if (mHintButton != nullptr) mHintButton->mStateCells[kButtonDisabled] = kHintDisabledCell;
  if (mTutorial != nullptr) {
    int panelIndex = 0;
    for (sObj* object : mTutorial->Objects()) {
      object->SetIndex(panelIndex++);
      object->SetListener(mTutorial.get());
      object->TakeParentFocus();
    }
    mTutorial->SetLevelObjects(&mObjects);
  }
}

void GameScreen::StartTutorial() {
  if (mTutorial != nullptr) mTutorial->Start();
}

void GameScreen::ShowGoalDialog() {
  CurrentLevelContext().Log("level screen: dialog 107 dlgNoteBook");
  (new GoalDialog(mLevelHost, this))->Show(&mObjects);
}

void GameScreen::ShowGameMenu(const std::string& scene) {
  CurrentLevelContext().Log("level screen: dialog 108 " + scene);
  (new GameMenuDialog(mLevelHost, scene, this))->Show(&mObjects);
}

void GameScreen::Update() {
  Screen::Update();
  mLevelHost.UpdateParticles();
  if (mTutorial != nullptr) mTutorial->Update();

  if (mPaused) {
    if (mPauseAlpha < kPauseAlphaMax) mPauseAlpha = std::min(kPauseAlphaMax, mPauseAlpha + kPauseAlphaStep);
    Invalidate();
    return;
  }
  if (mPauseAlpha > 0) {
    mPauseAlpha = std::max(0, mPauseAlpha - kPauseAlphaStep);
    Invalidate();
    return;
  }

  if (mLevelHost.IsLevelHidden()) ShowObject(FindObject("fake_back"), false);
  if (mDialogState == 0 && !mLevelHost.HasStoryScreen() && mLevelHost.IsFadeFinished()) ShowGoalDialog();
  for (sObj* object : mHud) object->Update(mUpdateCount);
  if (mDialogState == 1 || !mLevelHost.IsFadeFinished()) return;

  gStripEffect.Update(mUpdateCount);
  if (mGame != nullptr && mGame->IsWon()) {
    if (StepWin()) return;
  } else if (mGame != nullptr && mGame->IsLost()) {
    StepDefeat();
    return;
  }
  if (mTutorial != nullptr && mTutorial->IsBlocking()) return;
  if (mGame == nullptr || !mGame->mStarted) return;

  mGame->Update(mUpdateCount);
  Invalidate();
  UpdateMissCross();
  UpdateBars();
}

bool GameScreen::StepWin() {
  if (mAdvanced) return true;  // the switch is on its way
  if (!mWonEffect) {
    mLevelHost.StartParticles("magicrain3", kEffectPoint);
    mWonEffect = true;
  }
  if (mGame->HasItemsCounter() && mItemsText != nullptr) {
    SetValue(mItemsBar, mGame->UpdateItemsText(mItemsFormat, mItemsText->mText));
  }
  if (mWinTimer.IsRunning()) {
    mWinTimer.Tick();
    if (!mWinTimer.IsRunning()) AdvanceLevel();
    return true;
  }
  CurrentLevelContext().Log("level screen: " + CurrentLevelContext().LevelName() + " won");
  mLevelHost.FadeOutAllSongs(true, 0.1f);
  PlaySound("SOUND_LEVELUP");
  mWinTimer = {kMessageSeconds, kMessageSeconds, CountdownTimer::kUpdateStep};
  ShowMessage(GetText("level_up"), GetText("congra"), 1);
  return false;
}

bool GameScreen::StepDefeat() {
  if (mDefeatTimer.IsRunning()) {
    mDefeatTimer.Tick();
    if (!mDefeatTimer.IsRunning()) {
      PlaySound("SOUND_DEFEAT");
      mDialogState = 1;
      ShowGameMenu("dlgDefeatMenu");
    }
    return true;
  }
  CurrentLevelContext().Log("level screen: " + CurrentLevelContext().LevelName() + " lost");
  PlaySound("SOUND_TIMEUP");
  mDefeatTimer.mRemaining = mDefeatTimer.mDuration;
  ShowMessage(GetText("no_time"), L"", 1);
  return true;
}

void GameScreen::UpdateMissCross() {
  if (mGame->mMissCrossRequest) {
    mGame->mMissCrossRequest = false;
    if (mMissCross != nullptr) {
      mMissCross->FinishAnimation();
      mMissCross->MoveTo(Vec2(mGame->mMissPoint.x, mGame->mMissPoint.y));
      mMissCross->PlayAnimation("go");
    }
    PlaySound("SOUND_MISS");
  } else if (mGame->mPenaltyNotice) {
    mGame->mPenaltyNotice = false;
    ShowPenaltyMessage(GetText("straf"), L"", 1, 50.0f);
  }
}

void GameScreen::UpdateBars() {
  if (CurrentLevelContext().HardModeField() == 0) {
    SetValue(mTimeBar, 1.0f);
    SetTimeText(GetText("easyBarTime"));
  } else if (mTimeText != nullptr) {
    SetValue(mTimeBar, mGame->UpdateTimeText(mTimeFormat, mTimeText->mText));
  }
  if (mGame->HasSkip()) {
    const CountdownTimer& skip = mGame->mSkipCountdown;
    SetValue(mSkipBar, skip.mDuration != 0.0f ? 1.0f - skip.mRemaining / skip.mDuration : 0.0f);
    if (mGame->mSkipReady) {
      FadeButton(mSkipButton, kButtonNormal, 255);
      mGame->mSkipReady = false;
    }
  }
  if (mGame->HasItemsCounter() && mItemsText != nullptr) {
    SetValue(mItemsBar, mGame->UpdateItemsText(mItemsFormat, mItemsText->mText));
  }
  if (mGame->HasHint() && mHintButton != nullptr && mHintButton->mState == kButtonDisabled) {
    if (mHintRecharge.IsRunning()) {
      mHintRecharge.Tick();
      SetValue(mHintBar, mHintRecharge.Progress());
    } else {
      ShowObject(mHintBar, false);
      FadeButton(mHintButton, kButtonNormal, 255);
      PlaySound("SOUND_TIP_FULL");
    }
  }
  if (mGame->mSkipTimedOut) {
    mGame->mSkipTimedOut = false;
    ShowObject(mSkipButton, true);
  }
}

void GameScreen::Draw(Graphics& g) {
  // The mini-game draws the HUD: a level whose type names no kind shows none.
  if (mGame != nullptr) mGame->Draw(g);
  g.SetColorizeImages(true);
  const ScreenMatrices& screen = mHost.GetScreenMatrices();
  g.Begin3D(screen.world, screen.projection, screen.view);
  if (mMissCross != nullptr) mMissCross->Draw(&g);
  g.End3D();
  const ScreenMatrices& camera = mLevelHost.LevelCamera();
  g.Begin3D(camera.world, camera.projection, camera.view);
  gStripEffect.Draw(g);
  g.End3D();
  g.SetColorizeImages(false);
  mLevelHost.DrawParticles(g);
  if (mTutorial != nullptr) mTutorial->Draw(g);
  if ((mPaused || mPauseAlpha > 0) && !mLevelHost.HasStoryScreen()) AddOverlay(2);
}

void GameScreen::DrawOverlay(Graphics& g) { DrawPauseOverlay(g); }

void GameScreen::DrawPauseOverlay(Graphics& g) {
  const int width = gAppBase != nullptr ? gAppBase->mWidth : mWidth;
  const int height = gAppBase != nullptr ? gAppBase->mHeight : mHeight;
  g.SetColor(Color(0, 0, 0, mPauseAlpha));
  g.FillRect(0, 0, width, height);
  Font* font = FontByName("FONT_GENERAL");
  if (font == nullptr) return;
  const std::wstring text = GetText("pause");
  g.SetFont(font);
  g.SetColor(Color(255, 255, 255, std::min(255, 2 * mPauseAlpha)));
  g.DrawString(text, (width - font->StringWidth(text)) / 2, height / 2);
}

namespace {

// A dark, rounded, half-transparent panel on the message image behind its
// lines: white letters alone vanish over a light scene.
void DrawMessageBacking(Graphics& g, const Rect& box) {
  g.SetColor(kMessageBackingColor);
  const int radius = std::min({kMessageBackingRadius, box.width / 2, box.height / 2});
  for (int row = 0; row < box.height; ++row) {
    // Rows within a corner's reach are inset along its quarter circle; one
    // fill a row, so no pixel is blended twice.
    const int fromEdge = std::min(row, box.height - 1 - row);
    int inset = 0;
    if (fromEdge < radius) {
      const float dy = static_cast<float>(radius - fromEdge) - 0.5f;
      const float r = static_cast<float>(radius);
      inset = radius - static_cast<int>(std::lround(std::sqrt(std::max(0.0f, r * r - dy * dy))));
    }
    g.FillRect(box.x + inset, box.y + row, box.width - 2 * inset, 1);
  }
}

}  // namespace

void GameScreen::DrawMessageLines(const std::wstring& line1, const std::wstring& line2, const char* fontName,
                                  int lineHeight, int secondTop) {
  Graphics g(mMessageImage.get());
  g.ClearRect(0, 0, kMessageWidth, kMessageHeight);
  Font* font = FontByName(fontName);
  g.SetFont(font);
  if (font != nullptr) {
    // The panel spans the widest line and every line the wrap makes, broken
    // where the draw below breaks them: at spaces, so a text less than two
    // widths long may still take three lines.
    const int width1 = font->StringWidth(line1);
    const int width2 = line2.empty() ? 0 : font->StringWidth(line2);
    auto blockHeight = [&](const std::wstring& text) {
      return g.MeasureTextWrappedHeight(kMessageWidth, text, kMessageLineSpacing) + font->GetAscentPadding();
    };
    const int bottom = line2.empty() ? blockHeight(line1) : secondTop + blockHeight(line2);
    const int width = std::min(kMessageWidth, std::max(width1, width2) + 2 * kMessageBackingMarginX);
    const int height = std::min(kMessageHeight, bottom + kMessageBackingMarginY);
    DrawMessageBacking(g, Rect((kMessageWidth - width) / 2, 0, width, height));
  }
  g.SetColor(Color(255, 255, 255, 255));
  g.DrawTextWrapped(Rect(0, 0, kMessageWidth, lineHeight), line1, kMessageLineSpacing, kCentred);
  if (!line2.empty()) {
    g.DrawTextWrapped(Rect(0, secondTop, kMessageWidth, lineHeight), line2, kMessageLineSpacing, kCentred);
  }
}

void GameScreen::ShowMessage(const std::wstring& line1, const std::wstring& line2, int mode) {
  if (line1.empty() || mMessageImage == nullptr) return;
  DrawMessageLines(line1, line2, "FONT_STAGE", kMessageHeight / 2, kMessageHeight / 2);
  gStripEffect.Start(mode, kMessageStrips, kMessageStripSpeed, kMessageWaveRadius, mMessageImage.get(),
                     Vec2(0.0f, kMessageTop), kMessageStripSeconds, kMessageWaveAmplitude);
}

void GameScreen::ShowPenaltyMessage(const std::wstring& line1, const std::wstring& line2, int mode, float y) {
  if (line1.empty() || mMessageImage == nullptr) return;
  Font* font = FontByName("FONT_GENERAL");
  const int height = font != nullptr ? font->GetHeight() : 0;
  DrawMessageLines(line1, line2, "FONT_GENERAL", height, height + 2);
  gStripEffect.Start(mode, kMessageStrips, kMessageStripSpeed, kMessageWaveRadius, mMessageImage.get(), Vec2(0.0f, y),
                     kPenaltySeconds, kMessageWaveAmplitude);
}

void GameScreen::AdvanceLevel() {
  mAdvanced = true;
  Profiles& profiles = mLevelHost.GetProfiles();
  if (!profiles.HasCurrent()) {
    mLevelHost.StartTransition(kMapScreen, kLevelScreen);
    return;
  }
  Profile& profile = profiles.current();
  ++profile.level;
  if (profile.level >= kLevelsInStage) {
    if (profile.stage >= kLastStage) {
      profile.level = 0;
      mLevelHost.StartTransition(kWinScreen, kLevelScreen);
      return;
    }
    ++profile.stage;
    profile.level = 0;
    if (profile.stage > profile.highestStage) profile.highestStage = profile.stage;
  }
  if (profile.stage < kLastStage && profile.bestLevel[profile.stage] < profile.level) {
    profile.bestLevel[profile.stage] = profile.level;
  }
  if (profile.stage == kLastStage && profile.level == 0) {
    mLevelHost.StartTransition(kWinScreen, kLevelScreen);
    profile.stage = kLastStage - 1;
    return;
  }
  mLevelHost.StartTransition(kMapScreen, kLevelScreen);
  gLevelCompleted = true;
}

}  // namespace Kivo
