// Screens: full-window widgets whose content is one scene of the scene
// database. A screen owns the scene's objects, feeds them the update tick,
// draws them in the game's 2-D screen space and routes input to them: moves
// and keys reach every object, presses and the wheel only the root's active
// child (an untaken press goes to OnBackgroundDown/Up). Every object reports
// back to its screen through ObjEventListener.
//
// A screen reaches the game through ScreenHost (music, the fade overlay's
// state, the screen matrices), so screens work without the application
// object in tests. A missing or empty scene gives a screen without objects:
// every press then goes to the background.
#pragma once

#include <string>

#include "engine/SceneLoader.h"
#include "shell/base/Matrix.h"
#include "ui/Widget.h"

namespace Kivo {

// The three matrices every screen draws its objects with.
struct ScreenMatrices {
  Matrix4 world{};
  Matrix4 projection{};
  Matrix4 view{};
};

// What a screen needs of the game.
class ScreenHost {
 public:
  // Starts the song of that index unless it already plays.
  virtual void PlayMusic(int index) = 0;
  // True while no fade of the screen switch runs.
  virtual bool IsFadeFinished() const = 0;
  virtual const ScreenMatrices& GetScreenMatrices() const = 0;

 protected:
  ~ScreenHost() = default;
};

// "menu" 0, "music1" .. "music10" 1 .. 10 (exact matches); anything else 1.
int MusicIndexByName(const std::string& name);

class Screen : public Widget, public ObjEventListener {
 public:
  // Loads the scene and links its animations; a root carrying "music_play"
  // switches the music.
  Screen(ScreenHost& host, std::string sceneName);
  ~Screen() override;

  virtual void OnBackgroundDown(int x, int y, int clickCount) {}
  virtual void OnBackgroundUp(int x, int y, int clickCount) {}
  virtual void SetPaused(bool paused) { mPaused = paused; }

  // Widget
  void OnAdded(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics& g) override;
  void MouseMove(int x, int y) override;
  void MouseDrag(int x, int y) override;
  void MouseDownButton(int x, int y, int button, int clicks) override;
  void MouseDown(int x, int y, int clickCount) override;
  void MouseUp(int x, int y, int clickCount) override;
  void MouseWheel(int notches) override;
  void KeyDown(int key) override;
  void KeyUp(int key) override;
  void KeyChar(wchar_t c) override;

  const std::string& SceneName() const { return mSceneName; }
  ObjectList& Objects() { return mObjects; }
  bool IsPaused() const { return mPaused; }
  // The first object of that name, or null.
  sObj* FindObject(const std::string& name) const;

 protected:
  ScreenHost& mHost;
  ObjectList mObjects;
  bool mPaused = false;

 private:
  // The root's active child, which alone is offered presses and the wheel.
  sObj* PressTarget() const;
  void MoveAndDrag(int x, int y);

  std::string mSceneName;
};

}  // namespace Kivo
