#include "frontend/MapScreen.h"

#include "engine/ButtonKinds.h"
#include "engine/ControlKinds.h"
#include "engine/StripEffect.h"
#include "engine/TextKinds.h"
#include "engine/TextTables.h"
#include "frontend/ScreenSwitch.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"

namespace Kivo {

bool gLevelCompleted = false;

namespace {

constexpr char kClickSound[] = "SOUND_BTN_CLK";
constexpr char kRainEffect[] = "magicrain";
const Vec2 kRainPoint(117.0f, 0.0f);
constexpr int kStoryStripMode = 2;
constexpr int kStoryStrips = 20;
constexpr float kStoryWaveSpeed = 6.05f;
constexpr float kStoryWaveRadius = 40.0f;
constexpr int kStoryWaveSeconds = 1;
constexpr float kStoryWaveAmplitude = 5.0f;

std::string Numbered(const char* prefix, int a) { return prefix + std::to_string(a); }
std::string Numbered(const char* prefix, int a, int b) { return prefix + std::to_string(a) + "_" + std::to_string(b); }

void Show(sObj* object, bool visible) {
  if (object != nullptr) object->SetVisible(visible);
}

}  // namespace

MapScreen::MapScreen(ScreenHost& host, MapHost& map, ScriptScreenServices& services)
    : Screen(host, "mnMapMenu"), mMap(map), mServices(services) {
  for (int i = 0; i < kLevelButtons; ++i) {
    mLevelToggles[i] = FindObject(Numbered("btnLevel", i + 1));
    mLevelTexts[i] = FindObject(Numbered("txtLevel", i + 1));
  }
  mStageSlider = dynamic_cast<sObjSlider*>(FindObject("StageProgress"));
  if (mStageSlider != nullptr) mStageSlider->SetEnabled(true);
  mStageBar = dynamic_cast<sObjCarousel*>(FindObject("StageBar"));
  mStoryText = dynamic_cast<sObjText*>(FindObject("StoryText"));
  Show(mStoryText, false);
  mFactText = FindObject("FactText");
  mTitleText = FindObject("TitleText");
  mPicture = FindObject("Picture");

  ShowStages();
  LoadTextTable();
  LoadDialogTable();
  if (Profiles* profiles = mMap.GetProfiles(); profiles != nullptr && profiles->HasCurrent()) profiles->Save();

  if (mStoryText != nullptr) {
    const Quad& quad = mStoryText->mBaseQuad;
    mPageWidth = static_cast<int>(quad.corner[1].x - quad.corner[0].x);
    mPageHeight = static_cast<int>(quad.corner[3].y - quad.corner[0].y);
    if (mPageWidth > 0 && mPageHeight > 0) mPage = mMap.CreatePage(mPageWidth, mPageHeight);
  }
  mPageDelayStart = 0.5f;
  mPageDelay = 0.5f;
  mPageDelayStep = 0.01f;

  if (gLevelCompleted) {
    mMap.StartParticles(kRainEffect, kRainPoint);
    gLevelCompleted = false;
  }
}

MapScreen::~MapScreen() {
  mMap.ClearParticles();
  mPageDelayStart = 0.0f;
  mPageDelay = 0.0f;
  // The wave must not go on drawing a page that is gone.
  if (mPage != nullptr && gStripEffect.mImage == mPage.get()) {
    gStripEffect.mImage = nullptr;
    gStripEffect.mTimer.Clear();
  }
  mPage.reset();
}

Profile* MapScreen::CurrentProfile() {
  Profiles* profiles = mMap.GetProfiles();
  return profiles != nullptr && profiles->HasCurrent() ? &profiles->current() : nullptr;
}

void MapScreen::OnAdded(WidgetManager* manager) {
  Screen::OnAdded(manager);
  const Profile* profile = CurrentProfile();
  if (mStageBar != nullptr) mStageBar->Select(profile != nullptr ? profile->stage : 0);
  ShowLevelButtons();
}

void MapScreen::ShowStages() {
  if (mStageBar == nullptr) return;
  const Profile* profile = CurrentProfile();
  const int highest = profile != nullptr ? profile->highestStage : 0;
  mStageBar->ReleaseImages();
  for (int n = 1; n <= kStageCount; ++n) {
    const std::string name = Numbered("stage_", n);
    mStageBar->AddPicture(n - 1 <= highest ? name : "stage_dis", name);
  }
  mStageBar->mSelectableLimit = highest;
}

void MapScreen::SelectStage(int index) {
  if (mStageBar != nullptr && mStageBar->mCurrent != index) mStageBar->Select(index);
  if (Profile* profile = CurrentProfile()) profile->stage = index;
  mServices.SetText(mTitleText, GetText(Numbered("stage_title_", index + 1)));
  float width = 0, height = 0;
  mServices.SetImage(mPicture, Numbered("stage_picture_", index + 1), false, &width, &height);
  ShowLevelButtons();
}

void MapScreen::ShowLevelButtons() {
  const Profile* profile = CurrentProfile();
  const int stage = profile != nullptr ? profile->stage : 0;
  const int best = profile != nullptr && stage >= 0 && stage < kStageCount ? profile->bestLevel[stage] : 0;
  for (int i = 0; i < kLevelButtons; ++i) {
    const bool visible = (profile != nullptr && profile->allUnlocked) || i <= best;
    Show(mLevelToggles[i], visible);
    Show(mLevelTexts[i], visible);
  }
  SelectLevel(profile != nullptr ? profile->level : 0);
}

void MapScreen::SelectLevel(int index) {
  Profile* profile = CurrentProfile();
  if (profile != nullptr) profile->level = index;
  for (int i = 0; i < kLevelButtons; ++i) {
    if (auto* toggle = dynamic_cast<sObjToggle*>(mLevelToggles[i])) toggle->SetChecked(i == index);
  }
  const int stage = profile != nullptr ? profile->stage : 0;
  const std::wstring story = GetText(Numbered("level_story_", stage + 1, index + 1));
  mServices.SetText(mStoryText, story);
  mServices.SetText(mFactText, GetText(Numbered("level_fact_", stage + 1, index + 1)));
  RedrawStoryPage(story);
}

std::wstring MapScreen::LevelStory() {
  const Profile* profile = CurrentProfile();
  const int stage = profile != nullptr ? profile->stage : 0;
  const int level = profile != nullptr ? profile->level : 0;
  return GetText(Numbered("level_story_", stage + 1, level + 1));
}

bool MapScreen::RedrawStoryPage(const std::wstring& text) {
  if (text.empty() || mPage == nullptr || mStoryText == nullptr) return false;
  Graphics g(mPage.get());
  g.ClearRect(0, 0, mPageWidth, mPageHeight);
  g.SetFont(mStoryText->mFont);
  g.SetColor(Color(mStoryText->mRed, mStoryText->mGreen, mStoryText->mBlue, mStoryText->mAlpha));
  g.DrawTextWrapped(Rect(0, 0, mPageWidth, mPageHeight), text, mStoryText->mLineSpacing, mStoryText->mJustification);
  return true;
}

void MapScreen::RenderStoryPage(const std::wstring& text, int mode) {
  if (!RedrawStoryPage(text)) return;
  const Vector2& origin = mStoryText->mBaseQuad.corner[0];
  gStripEffect.Start(mode, kStoryStrips, kStoryWaveSpeed, kStoryWaveRadius, mPage.get(),
                     Vec2(origin.x - 100.0f, origin.y - 1.0f), kStoryWaveSeconds, kStoryWaveAmplitude);
}

void MapScreen::Update() {
  mMap.UpdateParticles();
  gStripEffect.Update(mUpdateCount);
  if (IsPageDelayed()) {
    mPageDelay -= mPageDelayStep;
    if (mPageDelay < 0.0f) mPageDelay = 0.0f;
    if (mPageDelay == 0.0f) RenderStoryPage(LevelStory(), kStoryStripMode);
  }
  Screen::Update();
  Invalidate();
}

void MapScreen::Draw(Graphics& g) {
  Screen::Draw(g);
  if (!IsPageDelayed()) {
    if (gStripEffect.mTimer.mDuration != 0.0f && gStripEffect.mTimer.mRemaining != 0.0f) {
      g.SetColorizeImages(true);
      const ScreenMatrices& matrices = mHost.GetScreenMatrices();
      g.Begin3D(matrices.world, matrices.projection, matrices.view);
      gStripEffect.Draw(g);
      g.End3D();
      g.SetColorizeImages(false);
    } else if (mPage != nullptr && mStoryText != nullptr) {
      const Vector2& origin = mStoryText->mBaseQuad.corner[0];
      g.DrawImage(mPage.get(), static_cast<int>(origin.x), static_cast<int>(origin.y));
    }
  }
  mMap.DrawParticles(g);
}

float MapScreen::StagePosition() {
  if (mStageBar == nullptr) return 0.0f;
  const int count = mStageBar->GetCount();
  return count > 1 ? static_cast<float>(mStageBar->mCurrent) / static_cast<float>(count - 1) : 0.0f;
}

void MapScreen::OnButtonClick(std::string name) {
  mServices.PlaySound(kClickSound);
  if (name == "btnLeft") {
    if (mStageBar != nullptr) mStageBar->SelectPrevious();
  } else if (name == "btnRight") {
    if (mStageBar != nullptr) mStageBar->SelectNext();
  } else if (name == "btnMenu") {
    mMap.StartTransition(kMainMenuScreen, kMapScreen);
  } else if (name == "btnGame") {
    const Profile* profile = CurrentProfile();
    const bool gameWon = profile != nullptr && profile->stage == kStageCount && profile->level == 0;
    mMap.StartTransition(gameWon ? kWinScreen : kStoryScreen, kMapScreen);
  }
}

void MapScreen::OnToggle(std::string name, bool on) {
  for (int i = 0; i < kLevelButtons; ++i) {
    if (mLevelToggles[i] != nullptr && mLevelToggles[i]->mName == name) {
      SelectLevel(i);
      return;
    }
  }
}

void MapScreen::OnSlider(std::string name, float value) {
  if (mStageBar == nullptr) return;
  const int count = mStageBar->GetCount();
  mStageBar->Select(static_cast<int>(value * static_cast<float>(count - 1) + 0.5f));
  if (mStageSlider != nullptr) mStageSlider->SetValue(StagePosition());
}

void MapScreen::OnCarouselSelect(std::string name, std::string picture, int clickCount) {
  if (mStageSlider != nullptr) mStageSlider->SetValue(StagePosition());
  mServices.PlaySound(kClickSound);
  if (clickCount == 2) {
    mMap.StartTransition(kStoryScreen, kMapScreen);
    return;
  }
  const int current = mStageBar != nullptr ? mStageBar->mCurrent : 0;
  if (Profile* profile = CurrentProfile(); profile != nullptr && current >= 0 && current < kStageCount) {
    profile->level = profile->bestLevel[current];
  }
  SelectStage(current);
}

}  // namespace Kivo
