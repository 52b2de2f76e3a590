#include "frontend/MainMenuScreen.h"

#include <cstdio>

#include "engine/ResourceIds.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

MainMenuScreen::MainMenuScreen(ScreenHost& screenHost, MainMenuHost& menuHost)
    : Screen(screenHost, "mnMainMenu"), mMenuHost(menuHost) {
  ShowWelcome();
  sObj* link = FindObject("btnURL");
  if (link == nullptr) return;
  std::FILE* file = Platform::OpenFile(LinkFileName(), "rb");
  if (file != nullptr)
    std::fclose(file);
  else
    link->SetVisible(false);
}

MainMenuScreen::~MainMenuScreen() { mMenuHost.ClearParticles(); }

std::string MainMenuScreen::LinkFileName() const {
  sObj* link = FindObject("btnURL");
  return link != nullptr ? link->mProperties.GetProperty("_sFileName") : std::string();
}

void MainMenuScreen::ShowWelcome() {
  mNameDialogLock = false;
  auto* welcome = FindControl<sObjText>(mObjects, "welcome", SceneName());
  if (welcome == nullptr) return;
  // The scene's own text, taken once: later greetings replace only the name.
  if (mWelcomePrefix.empty()) mWelcomePrefix = welcome->mText;
  Profiles& profiles = mMenuHost.GetProfiles();
  if (profiles.HasCurrent()) welcome->mText = mWelcomePrefix + L" " + profiles.current().Name();
}

void MainMenuScreen::OnAdded(WidgetManager* manager) {
  Screen::OnAdded(manager);
  ShowWelcome();
}

void MainMenuScreen::Update() {
  Screen::Update();
  if (mNameDialogLock) return;
  mMenuHost.UpdateParticles();
  if (!mMenuHost.GetProfiles().HasCurrent() && mHost.IsFadeFinished()) {
    Platform::Log("menu: no player yet, the name dialog opens");
    Open(new NameDialog(mMenuHost, nullptr));
    mNameDialogLock = true;
  }
}

void MainMenuScreen::Draw(Graphics& g) {
  Screen::Draw(g);
  mMenuHost.DrawParticles(g);
}

void MainMenuScreen::Open(GameDialog* dialog) { dialog->Show(&mObjects); }

void MainMenuScreen::OnButtonClick(std::string name) {
  gAppBase->StartSample(SoundIdByName("SOUND_BTN_CLK"));
  Profiles& profiles = mMenuHost.GetProfiles();
  // Between a fade's end and the next update no player may exist yet: the
  // name dialog is about to open, and nothing here may read a profile.
  const bool hasPlayer = profiles.HasCurrent();
  if (name == "btnURL") {
    gAppBase->LaunchBrowser(LinkFileName(), false);
  } else if (name == "btnStart") {
    if (!hasPlayer) return;
    const Profile& profile = profiles.current();
    if (profile.stage == 0 && profile.level == 0 && !profile.difficultyChosen)
      Open(new DifficultyDialog(mMenuHost));
    else
      mMenuHost.StartTransition(kMapScreen, kMainMenuScreen);
  } else if (name == "btnOptions") {
    if (hasPlayer) Open(new OptionsDialog(mMenuHost, nullptr));
  } else if (name == "btnExit") {
    Open(new ExitDialog(mMenuHost));
  } else if (name == "btnWelcome") {
    Open(new PlayersDialog(mMenuHost));
    mNameDialogLock = true;
  } else if (name == "btnCredits") {
    Open(NewCreditsDialog());
  }
}

}  // namespace Kivo
