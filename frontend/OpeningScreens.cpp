#include "frontend/OpeningScreens.h"

#include <algorithm>

#include "engine/ImageTable.h"
#include "engine/ParticleSystem.h"
#include "engine/SliderEditKinds.h"
#include "engine/SpriteKinds.h"
#include "engine/TextKinds.h"
#include "engine/TextTables.h"
#include "frontend/GameApp.h"
#include "frontend/ScreenSwitch.h"
#include "image/MemoryImage.h"
#include "platform/Environment.h"
#include "platform/FrameDump.h"
#include "ui/Graphics.h"

namespace Kivo {

SplashScreen::SplashScreen(FrontEndHost& host) : Screen(host, "mnSplash"), mFrontEnd(host) {
  mSplash = FindObject("splash");
  // Without any picture there is nothing to wait for.
  if (!NextImage()) mFrontEnd.StartTransition(kLoadingScreen, kSplashScreen);
}

SplashScreen::~SplashScreen() = default;

bool SplashScreen::NextImage() {
  for (; mNumber > 0; --mNumber) {
    mPicture.reset();
    std::string base = "data\\splash\\splash_" + std::to_string(mNumber);
    MemoryImage* picture = mFrontEnd.LoadPicture(base + ".jpg");
    if (picture == nullptr) picture = mFrontEnd.LoadPicture(base + ".png");
    if (picture == nullptr) continue;
    mPicture.reset(picture);
    Platform::Log("splash: picture " + std::to_string(mNumber));
    Play("splash_in");
    return true;
  }
  return false;
}

void SplashScreen::Play(const std::string& animation) {
  mPhase = animation;
  if (mSplash != nullptr) mSplash->PlayAnimation(animation);
}

// The picture comes from a file, not from the image table the sprite draws
// from, so the screen draws it as the sprite's image would be: stretched over
// the sprite's quad, with the sprite's alpha.
void SplashScreen::Draw(Graphics& g) {
  Screen::Draw(g);
  if (mPicture == nullptr || mSplash == nullptr) return;
  const Quad& quad = mSplash->mDisplayQuad;
  const int left = static_cast<int>(quad.corner[0].x);
  const int top = static_cast<int>(quad.corner[0].y);
  const Rect place(left, top, static_cast<int>(quad.corner[2].x) - left, static_cast<int>(quad.corner[2].y) - top);
  if (place.width <= 0 || place.height <= 0) return;
  g.SetColorizeImages(true);
  g.SetColor(Color(255, 255, 255, std::clamp(mSplash->mAlpha, 0, 255)));
  g.DrawImageStretched(mPicture.get(), place, Rect(0, 0, mPicture->width, mPicture->height));
  g.SetColorizeImages(false);
}

void SplashScreen::MouseDown(int x, int y, int clickCount) {
  if (mPhase != "splash_wait") return;
  if (mSplash != nullptr) mSplash->StopAnimation();
  // An object without the animation reports no end: move on all the same.
  if (mPhase == "splash_wait") OnAnimationEnd(mSplash != nullptr ? mSplash->mName : "splash", "splash_wait");
}

void SplashScreen::OnAnimationEnd(std::string name, std::string animation) {
  if (animation == "splash_in") {
    Play("splash_wait");
    Platform::RequestFrameDump("splash" + std::to_string(mNumber));
  } else if (animation == "splash_wait") {
    Play("splash_out");
  } else if (animation == "splash_out") {
    mPhase.clear();
    --mNumber;
    if (!NextImage()) mFrontEnd.StartTransition(kLoadingScreen, kSplashScreen);
  }
}

LoadingScreen::LoadingScreen(FrontEndHost& host) : Screen(host, "mnLoading"), mFrontEnd(host) {
  mBar = FindObject("loadingBar");
  mText = FindObject("txtLoading");
}

void LoadingScreen::Update() {
  Screen::Update();
  // The loading thread only publishes its progress; the bar is moved here,
  // on the main thread.
  if (auto* bar = dynamic_cast<LoadingProgressTarget*>(mBar)) bar->SetValue(mFrontEnd.GetLoadingValue());
  if (mFrontEnd.GetLoadState() == kLoaded) {
    if (auto* text = dynamic_cast<sObjText*>(mText)) text->mText = GetText("click");
    mFrontEnd.SetLoadState(kClickShown);
    Platform::Log("loading: \"click\" shown");
  }
  // The picture of the finished loading: "click" shown and the bar, which
  // glides to its value, full.
  if (!mFinishedShown && mFrontEnd.GetLoadState() == kClickShown) {
    auto* slider = dynamic_cast<sObjSlider*>(mBar);
    if (slider == nullptr || slider->IsFull()) {
      mFinishedShown = true;
      Platform::RequestFrameDump("loading");
    }
  }
}

void LoadingScreen::MouseDown(int x, int y, int clickCount) {
  if (mFrontEnd.GetLoadState() != kClickShown) return;
  mFrontEnd.PlaySound("SOUND_BTN_CLK");
  mFrontEnd.StartTransition(kMainMenuScreen, kLoadingScreen);
}

WinScreen::WinScreen(FrontEndHost& host) : Screen(host, "mnWin"), mFrontEnd(host) {
  mFrontEnd.PlaySound("SOUND_APPLAUSE");
}

WinScreen::~WinScreen() { gParticleSystem.Clear(); }

void WinScreen::Update() {
  Screen::Update();
  gParticleSystem.Update();
}

// The objects, then the shared particles over them.
void WinScreen::Draw(Graphics& g) {
  Screen::Draw(g);
  const ScreenMatrices& matrices = mHost.GetScreenMatrices();
  g.Begin3D(matrices.world, matrices.projection, matrices.view);
  gParticleSystem.Draw(g);
  g.End3D();
}

void WinScreen::OnButtonClick(std::string name) {
  if (name == "btnMenu") mFrontEnd.StartTransition(kMainMenuScreen, kWinScreen);
}

}  // namespace Kivo
