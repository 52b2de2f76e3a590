// The screens that frame the game: the splash pictures at start-up, the
// loading screen that shows the loading thread's progress and waits for a
// click, and the win screen after the last stage.
//
// Splash pictures are "data\splash\splash_<n>.jpg", else ".png", shown from
// n = 4 down to 1; missing numbers are skipped, and with none at all the
// loading screen is requested at once. Each picture runs the sprite's
// animations "splash_in", "splash_wait" (a click ends it early) and
// "splash_out".
#pragma once

#include <memory>
#include <string>

#include "frontend/Screen.h"

namespace Kivo {

class MemoryImage;

// What the opening screens need of the game beyond a screen's needs.
class FrontEndHost : public ScreenHost {
 public:
  virtual void StartTransition(int target, int remove) = 0;
  virtual int GetLoadState() const = 0;
  virtual void SetLoadState(int state) = 0;
  // The loading thread's latest progress value.
  virtual float GetLoadingValue() const = 0;
  // Plays the sound of that "SOUND_" name.
  virtual void PlaySound(const std::string& name) = 0;
  // The picture of that data path, or null; the caller owns it.
  virtual MemoryImage* LoadPicture(const std::string& path) = 0;

 protected:
  ~FrontEndHost() = default;
};

class SplashScreen : public Screen {
 public:
  explicit SplashScreen(FrontEndHost& host);
  ~SplashScreen() override;

  // Shows the next picture from the current number down; false when none is
  // left.
  bool NextImage();

  void Draw(Graphics& g) override;
  void MouseDown(int x, int y, int clickCount) override;
  void OnAnimationEnd(std::string name, std::string animation) override;

  int Number() const { return mNumber; }
  const MemoryImage* Picture() const { return mPicture.get(); }

 private:
  void Play(const std::string& animation);

  FrontEndHost& mFrontEnd;
  sObj* mSplash = nullptr;
  std::unique_ptr<MemoryImage> mPicture;
  std::string mPhase;  // the animation last started
  int mNumber = 4;
};

class LoadingScreen : public Screen {
 public:
  explicit LoadingScreen(FrontEndHost& host);

  void Update() override;
  void MouseDown(int x, int y, int clickCount) override;

 private:
  FrontEndHost& mFrontEnd;
  sObj* mBar = nullptr;
  sObj* mText = nullptr;
  bool mFinishedShown = false;
};

class WinScreen : public Screen {
 public:
  explicit WinScreen(FrontEndHost& host);
  ~WinScreen() override;

  void Update() override;
  void Draw(Graphics& g) override;
  void OnButtonClick(std::string name) override;

 private:
  FrontEndHost& mFrontEnd;
};

}  // namespace Kivo
