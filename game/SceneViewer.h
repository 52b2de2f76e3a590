// The scene viewer: a widget that shows one scene of the scene database and
// drives its objects the way every owner of an object list does (adopt,
// link, update, draw, pass input, delete), logging every listener call.
// A developer harness (GAME_SCENE) that stays beside the game's own screens.
#pragma once

#include <memory>
#include <string>

#include "engine/SceneLoader.h"
#include "game/XmlSceneHost.h"
#include "ui/Widget.h"

namespace Kivo {

class SceneViewer : public Widget, public ObjEventListener {
 public:
  SceneViewer() = default;
  ~SceneViewer() override;

  // Loads the scene, adopts its objects and links their animations; false
  // (showing nothing) when the scene cannot be loaded.
  bool Show(const std::string& sceneName);
  const ObjectList& Objects() const { return mObjects; }
  // Plays an XML scene over the shown objects (see XmlSceneHost).
  void ShowXmlScene(const std::string& path);

  // Widget
  void Update() override;
  void Draw(Graphics& g) override;
  void MouseMove(int x, int y) override;
  void MouseDrag(int x, int y) override;
  void MouseDown(int x, int y, int count) override;
  void MouseUp(int x, int y, int count) override;
  void MouseWheel(int notches) override;
  void KeyChar(wchar_t c) override;
  void KeyDown(int key) override;
  void KeyUp(int key) override;

  // ObjEventListener: each call is logged.
  void OnButtonClick(std::string name) override;
  void OnButtonAction(std::string name) override;
  void OnToggle(std::string name, bool on) override;
  void OnSlider(std::string name, float value) override;
  void OnListSelect(std::string name, std::wstring row) override;
  void OnCarouselSelect(std::string name, std::string picture, int clickCount) override;
  void OnAnimationEnd(std::string name, std::string animation) override;
  void OnMessage(std::string text) override;

 private:
  // The active child of the list's first object, which alone takes clicks.
  sObj* ClickTarget() const;

  ObjectList mObjects;
  std::unique_ptr<XmlSceneHost> mXmlScene;  // refers to mObjects
  std::string mSceneName;
  int mPointerX = 0;
  int mPointerY = 0;
  bool mPointerKnown = false;
};

}  // namespace Kivo
