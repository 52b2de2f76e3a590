// The game's dialogs: credits, exit confirmation, difficulty, player list,
// new player name, duplicate name notice, player deletion, options, and the
// three shown inside a level (goal notebook, level menu, leave-level
// confirmation). Each reacts to its buttons by name once its fade-out has
// ended, changes the current profile, the application's settings or the
// screen, and closes itself; a dialog that opens another stays beneath it.
//
// The dialogs reach the game through DialogHost and the level screen
// through LevelDialogOwner, whose link goes empty when the level screen is
// destroyed: a dialog whose level is gone only closes. Every reader of the
// current profile copes with there being none.
#pragma once

#include <memory>
#include <string>

#include "engine/TextKinds.h"
#include "engine/ListKind.h"
#include "engine/SliderEditKinds.h"
#include "frontend/GameDialog.h"
#include "frontend/Profiles.h"
#include "frontend/ScreenSwitch.h"

namespace Kivo {

// Dialog ids, one per kind.
constexpr int kExitDialogId = 100;
constexpr int kPlayersDialogId = 101;
constexpr int kOptionsDialogId = 103;
constexpr int kNameDialogId = 104;
constexpr int kDeletePlayerDialogId = 105;
constexpr int kDuplicateNameDialogId = 106;
constexpr int kGoalDialogId = 107;
constexpr int kGameMenuDialogId = 108;
constexpr int kCreditsDialogId = 109;
constexpr int kLeaveLevelDialogId = 112;
constexpr int kDifficultyDialogId = 115;

// Object names of the dialog scenes stored in code page 1251.
extern const char kWindowedToggleName[];  // "ОконРежим"
extern const char kCursorsToggleName[];   // "своиКурсоры"
extern const char kReplayButtonName[];    // "кнПереигр"
extern const char kMapButtonName[];       // "кнКарта"
extern const char kOptionsButtonName[];   // "кнНастр"
extern const char kLeaveButtonName[];     // "кнВыход"

// What the dialogs need of the game.
class DialogHost {
 public:
  // Requests a screen switch through the fade.
  virtual void StartTransition(int targetType, int removedType) = 0;
  virtual Profiles& GetProfiles() = 0;
  // Refreshes the main menu's greeting when that screen exists.
  virtual void RefreshWelcome() = 0;

 protected:
  ~DialogHost() = default;
};

// What the goal notebook and the level menu need of the level screen. The
// dialogs hold the link, never the address: the level screen clears it
// first thing in its destructor (the base clears it again).
class LevelDialogOwner {
 public:
  using Link = std::shared_ptr<LevelDialogOwner*>;

  // 0 no dialog yet in this level, 1 a dialog is open, 2 it was closed.
  virtual int GetDialogState() const = 0;
  virtual void SetDialogState(int state) = 0;
  // Starts the level's tutorial when the level has one.
  virtual void StartTutorial() = 0;
  // The widget that takes the keyboard focus back (the level screen).
  virtual Widget* FocusWidget() = 0;

  const Link& DialogLink() const { return mLink; }

 protected:
  LevelDialogOwner() : mLink(std::make_shared<LevelDialogOwner*>(this)) {}
  ~LevelDialogOwner() { ClearDialogLink(); }
  void ClearDialogLink() { *mLink = nullptr; }

 private:
  Link mLink;
};

// The credits: any button closes it.
GameDialog* NewCreditsDialog();

class ExitDialog : public GameDialog {
 public:
  explicit ExitDialog(DialogHost& host);
  void OnButtonAction(std::string name) override;

 private:
  DialogHost& mHost;
};

class DifficultyDialog : public GameDialog {
 public:
  explicit DifficultyDialog(DialogHost& host);
  void OnButtonAction(std::string name) override;

 private:
  DialogHost& mHost;
};

class PlayersDialog : public GameDialog {
 public:
  explicit PlayersDialog(DialogHost& host);
  void OnAdded(WidgetManager* manager) override;
  void OnButtonClick(std::string name) override;
  void OnButtonAction(std::string name) override;
  void OnListSelect(std::string name, std::wstring row) override;
  // The profile names in order, the current one selected.
  void FillList();

  sObjList* mList = nullptr;  // not owned

 private:
  DialogHost& mHost;
};

class NameDialog : public GameDialog {
 public:
  // opener: the player list, or null when the main menu asks on its own.
  NameDialog(DialogHost& host, PlayersDialog* opener);
  void OnAdded(WidgetManager* manager) override;
  void KeyChar(wchar_t c) override;
  void OnButtonClick(std::string name) override;
  void OnButtonAction(std::string name) override;

  sObjEdit* mEdit = nullptr;  // not owned

 private:
  DialogHost& mHost;
  PlayersDialog* mOpener;  // not owned
};

class DuplicateNameDialog : public GameDialog {
 public:
  explicit DuplicateNameDialog(NameDialog* opener);
};

class DeletePlayerDialog : public GameDialog {
 public:
  DeletePlayerDialog(DialogHost& host, PlayersDialog* opener);
  void OnButtonAction(std::string name) override;

 private:
  DialogHost& mHost;
  PlayersDialog* mOpener;  // not owned
};

class OptionsDialog : public GameDialog {
 public:
  // opener: the level menu, or null from the main menu.
  OptionsDialog(DialogHost& host, Widget* opener);
  void OnSlider(std::string name, float value) override;
  void OnToggle(std::string name, bool on) override;

  sObjSlider* mSound = nullptr;  // not owned
  sObjSlider* mMusic = nullptr;  // not owned

 private:
  Profile* CurrentProfile();
  DialogHost& mHost;
};

class GoalDialog : public GameDialog {
 public:
  GoalDialog(DialogHost& host, LevelDialogOwner* owner);
  void OnButtonAction(std::string name) override;

  sObjText* mPurpose = nullptr;  // not owned
  bool mFirstShowing = false;

 private:
  LevelDialogOwner::Link mOwner;
};

class GameMenuDialog : public GameDialog {
 public:
  // sceneName: "dlgGameMenu", or "dlgDefeatMenu" when the time ran out.
  GameMenuDialog(DialogHost& host, const std::string& sceneName, LevelDialogOwner* owner);
  void KeyChar(wchar_t c) override;
  void OnButtonClick(std::string name) override;
  void OnButtonAction(std::string name) override;

 private:
  DialogHost& mHost;
  LevelDialogOwner::Link mOwner;
};

class LeaveLevelDialog : public GameDialog {
 public:
  LeaveLevelDialog(DialogHost& host, GameMenuDialog* opener);
  void OnButtonAction(std::string name) override;

 private:
  DialogHost& mHost;
  GameMenuDialog* mOpener;  // not owned
};

}  // namespace Kivo
