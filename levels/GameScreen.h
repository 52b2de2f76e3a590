// The level screen (screen type 6): plays one level. It joins the level
// scene's objects, the HUD scene "mnGame", the level's mini-game (from the
// factory, by the level's "type_game") and the tutorial panel ("mnTutor"),
// and runs the level flow: the goal notebook at the start, the time, skip,
// hint and item bars, the miss cross and the penalty message, the pause
// veil while the window has no focus, the win and defeat sequences, and the
// advancement of the profile to the next level. Its input side (HUD
// buttons, mouse routing, keys and the hidden debug mode) lives in
// GameScreenInput.cpp.
//
// Order per update: IsWon, IsLost, then the mini-game's Update, then the
// bar queries. A win gives the mini-game exactly one more update, shows
// "level_up"/"congra" for 3 s (301 updates of the float32 timer) and then
// advances; a defeat shows "no_time" for 3 s and opens "dlgDefeatMenu".
// Message lines are drawn white on a dark, rounded, half-transparent panel
// in the message image, so they read over any scene.
//
// Failures: a level scene without objects still gets its HUD, message image
// and tutorial panel and plays as a level without a mini-game. Without a
// mini-game no HUD is drawn (the mini-game draws it), though its objects
// still take clicks, so the menu button still leaves the level. A HUD object missing from "mnGame" is logged once
// and its feature stays off. Every Begin3D of the drawing is paired with an
// End3D. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/GameUtils.h"
#include "engine/SceneLoader.h"
#include "frontend/GameDialogs.h"
#include "frontend/Screen.h"
#include "frontend/ScriptScreenServices.h"
#include "levels/MiniGame.h"

namespace Kivo {

class MemoryImage;
class sObjButton;
class sObjSlider;
class sObjText;
class TutorialPanel;

// What the level screen needs of the game beyond a plain screen and the
// dialogs: the switch's state, the level camera and music, the message
// image, the shared particle system and the tutorial's services.
class LevelScreenHost : public ScreenHost, public DialogHost {
 public:
  // The switch's overlay is fading in and still wholly black.
  virtual bool IsLevelHidden() const = 0;
  // The conversation screen before the level exists (screen slot 12).
  virtual bool HasStoryScreen() const = 0;
  virtual const ScreenMatrices& LevelCamera() const = 0;
  // The song index of the level music table (stage and level from 0).
  virtual int LevelMusic(int stage, int level) const = 0;
  // A blank image for the level messages, or null.
  virtual std::unique_ptr<MemoryImage> CreateMessageImage(int width, int height) = 0;
  virtual void FadeOutAllSongs(bool stop, float speed) = 0;
  // One of the game's fixed particle effects by name ("magicrain2").
  virtual void StartParticles(const std::string& effect, Vec2 point) = 0;
  virtual void UpdateParticles() = 0;
  virtual void DrawParticles(Graphics& g) = 0;
  virtual void ClearParticles() = 0;
  virtual ScriptScreenServices& ScriptServices() = 0;
  // Reloads the text table and the dialog table.
  virtual void ReloadTexts() = 0;

 protected:
  ~LevelScreenHost() = default;
};

class GameScreen : public Screen, public LevelDialogOwner {
 public:
  static constexpr int kMessageWidth = 680;
  static constexpr int kMessageHeight = 130;
  static constexpr int kPauseAlphaMax = 160;
  static constexpr int kPauseAlphaStep = 4;

  // Makes the mini-game of a level type; the factory's by default.
  using MiniGameMaker = std::function<MiniGame*(const std::string& type)>;

  // Builds everything; the level starts with StartLevel.
  GameScreen(LevelScreenHost& host, const std::string& sceneName, MiniGameMaker maker = nullptr);
  ~GameScreen() override;

  void StartLevel();
  // Moves the current profile to the next level and switches the screen.
  void AdvanceLevel();
  void ShowMessage(const std::wstring& line1, const std::wstring& line2, int mode);
  void ShowPenaltyMessage(const std::wstring& line1, const std::wstring& line2, int mode, float y);
  MiniGame* CreateMiniGame(const std::string& type);

  // Widget
  void OnAdded(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics& g) override;
  void DrawOverlay(Graphics& g) override;
  void DrawPauseOverlay(Graphics& g);
  void KeyChar(wchar_t c) override;
  void MouseMove(int x, int y) override;
  void MouseDrag(int x, int y) override;
  void MouseDown(int x, int y, int clickCount) override;
  void MouseUp(int x, int y, int clickCount) override;

  // Listener
  void OnButtonClick(std::string name) override;
  void OnAnimationEnd(std::string name, std::string animation) override;
  void OnMessage(std::string text) override;

  // LevelDialogOwner
  int GetDialogState() const override { return mDialogState; }
  void SetDialogState(int state) override { mDialogState = state; }
  void StartTutorial() override;
  Widget* FocusWidget() override { return this; }

  MiniGame* Game() const { return mGame; }
  ObjectList& HudObjects() { return mHud; }
  TutorialPanel* Tutorial() const { return mTutorial.get(); }
  MemoryImage* MessageImage() const { return mMessageImage.get(); }
  int PauseAlpha() const { return mPauseAlpha; }
  const CountdownTimer& WinTimer() const { return mWinTimer; }
  const CountdownTimer& DefeatTimer() const { return mDefeatTimer; }
  const CountdownTimer& HintRecharge() const { return mHintRecharge; }
  const std::wstring& TimeFormat() const { return mTimeFormat; }
  const std::wstring& ItemsFormat() const { return mItemsFormat; }

 private:
  void FindHudObjects();
  // One step of the win or defeat sequence; true ends the update.
  bool StepWin();
  bool StepDefeat();
  void UpdateMissCross();
  void UpdateBars();
  void UseHint();
  void ShowGameMenu(const std::string& scene);
  void ShowGoalDialog();
  void StartEffectAt(sObj* effect, const HintPoint& point);
  void SetTimeText(const std::wstring& text);
  void DrawMessageLines(const std::wstring& line1, const std::wstring& line2, const char* font, int lineHeight,
                        int secondTop);

  LevelScreenHost& mLevelHost;
  MiniGameMaker mMaker;
  MiniGame* mGame = nullptr;  // owned
  bool mWonEffect = false;
  bool mAdvanced = false;
  int mPauseAlpha = 0;
  ObjectList mHud;
  CountdownTimer mWinTimer;
  CountdownTimer mDefeatTimer;
  sObjSlider* mTimeBar = nullptr;
  std::wstring mTimeFormat;
  sObjText* mTimeText = nullptr;
  sObjSlider* mHintBar = nullptr;
  sObjButton* mHintButton = nullptr;
  CountdownTimer mHintRecharge;
  sObjButton* mSkipButton = nullptr;
  sObjSlider* mSkipBar = nullptr;
  sObjSlider* mItemsBar = nullptr;
  std::wstring mItemsFormat;
  sObjText* mItemsText = nullptr;
  sObj* mDisabledHint = nullptr;
  sObj* mDisabledList = nullptr;
  sObj* mDisabledItems = nullptr;
  sObj* mDisabledTime = nullptr;
  sObj* mHintEffect = nullptr;
  sObj* mClosedHintEffect = nullptr;
  int mDialogState = 0;
  std::unique_ptr<TutorialPanel> mTutorial;
  std::unique_ptr<MemoryImage> mMessageImage;
  sObj* mMissCross = nullptr;
};

}  // namespace Kivo
