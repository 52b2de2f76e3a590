// The main menu: greets the current player by name, leads to the map, and
// opens the options, player list, credits and exit dialogs; on the first
// start (no profile) it asks for a name before anything else, once the
// switch's fade has finished. "btnURL" opens the document its "_sFileName"
// names in the browser, and is hidden when that file cannot be opened.
//
// The menu draws the game's shared particle system over its scene; the
// system stands still while the menu has opened the name dialog or the
// player list and no greeting refresh has come since.
#pragma once

#include <string>

#include "frontend/GameDialogs.h"
#include "frontend/Screen.h"

namespace Kivo {

// What the main menu needs of the game beyond the dialogs' needs: the
// shared particle system.
class MainMenuHost : public DialogHost {
 public:
  virtual void UpdateParticles() = 0;
  virtual void DrawParticles(Graphics& g) = 0;
  virtual void ClearParticles() = 0;

 protected:
  ~MainMenuHost() = default;
};

class MainMenuScreen : public Screen {
 public:
  MainMenuScreen(ScreenHost& screenHost, MainMenuHost& menuHost);
  ~MainMenuScreen() override;

  // Greets the current player (the scene's own text of "welcome", a space
  // and the name) and lets the name dialog open again.
  void ShowWelcome();

  void OnAdded(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics& g) override;
  void OnButtonClick(std::string name) override;

  bool mNameDialogLock = false;
  std::wstring mWelcomePrefix;

 private:
  // Shows a dialog over this screen.
  void Open(GameDialog* dialog);
  std::string LinkFileName() const;

  MainMenuHost& mMenuHost;
};

}  // namespace Kivo
