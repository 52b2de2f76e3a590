// The level tutorial: a scripted hint panel over the level ("mnTutor") that
// runs "data\tutorial\tut_S_L.txt" of the current stage and level. Each step
// shows a hint box, up to three arrows and up to four areas where clicks are
// allowed, may freeze the level's game, and then waits for one thing: time,
// an allowed left or right click, a button of the panel, an animation end or
// a message of the level's game. The skip button "btnNextMenu" ends it.
//
// The level screen owns the panel: it feeds it updates, draws it, offers it
// every press first (FilterClick), asks IsBlocking before updating its game
// and passes its game's messages and animation ends on. A level without a
// tutorial file gets a panel that is finished from the start and never
// interferes. Missing scene objects are skipped; a command with a short or
// malformed argument list does nothing.
#pragma once

#include <map>
#include <string>

#include "engine/GameUtils.h"
#include "engine/Script.h"
#include "frontend/Screen.h"
#include "frontend/ScriptScreenServices.h"

namespace Kivo {

class TutorialPanel : public Screen {
 public:
  static constexpr int kArrowCount = 3;
  static constexpr int kAreaCount = 4;

  // stage and level count from 0; the script is "tut_<stage+1>_<level+1>".
  TutorialPanel(ScreenHost& host, ScriptScreenServices& services, std::string sceneName, int stage, int level);
  ~TutorialPanel() override;

  // Makes this the current panel and runs the script to its first wait.
  void Start();
  bool IsBlocking() const;
  bool IsClickAllowed(float x, float y) const;
  // Whether the level's game may have this press (count > 0 left button,
  // < 0 right button).
  bool FilterClick(int x, int y, int clickCount);
  void OnMessage(std::string message) override;
  // The level screen's objects, where "rect_strict" finds its areas.
  void SetLevelObjects(const ObjectList* objects) { mLevelObjects = objects; }

  void Update() override;
  void OnButtonClick(std::string name) override;
  void OnAnimationEnd(std::string name, std::string animation) override;

  bool IsFinished() const { return mFinished; }
  const Script& GetScript() const { return mScript; }
  bool IsAreaInUse(int area) const { return mAreaInUse[area]; }
  const Quad& Area(int area) const { return mAreas[area]; }
  sObj* Arrow(int index) const { return mArrows[index]; }

  // The panel the tutorial commands act on (null when none).
  static TutorialPanel* Current();

 private:
  friend struct TutorialCommandHandlers;

  void RunScript();
  bool InAllowedArea(float x, float y) const;
  void FreeAreas();
  int FirstFreeArea() const;
  void AddAnimations();

  // Commands.
  void Show(const std::string& key, float x, float y);
  void ShowArrow(float x, float y, int degrees);
  void TurnArrow(int index, float radians);
  void WaitForAnimation(const std::string& object, const std::string& animation);
  void WaitForTime(float seconds);
  void WaitForButton(const std::string& button);
  void AllowObjectArea(const std::string& object);
  void AllowArea(const Quad& quad);
  void WaitForMessage(const std::string& message, const std::string& label);

  ScriptScreenServices& mServices;
  bool mWaitingForTime = false;
  CountdownTimer mWaitTimer;
  bool mBlock = false;
  bool mWaitingForLeftClick = false;
  bool mWaitingForRightClick = false;
  bool mWaitingForButton = false;
  bool mWaitingForAnimationEnd = false;
  bool mWaitingForMessage = false;
  std::string mAwaitedObject;
  std::string mAwaitedAnimation;
  std::map<std::string, std::string> mMessageLabels;
  Script mScript;
  bool mFinished = true;
  sObj* mBack = nullptr;
  sObj* mText = nullptr;
  sObj* mOk = nullptr;
  float mArrowAngles[kArrowCount] = {0.0f, 0.0f, 0.0f};
  sObj* mArrows[kArrowCount] = {nullptr, nullptr, nullptr};
  Quad mAreas[kAreaCount] = {};
  bool mAreaInUse[kAreaCount] = {false, false, false, false};
  const ObjectList* mLevelObjects = nullptr;
};

}  // namespace Kivo
