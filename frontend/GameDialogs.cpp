#include "frontend/GameDialogs.h"

#include <cstdio>

#include "engine/ButtonKinds.h"
#include "engine/ResourceIds.h"
#include "engine/TextTables.h"
#include "frontend/GameApp.h"
#include "platform/Environment.h"
#include "platform/Text.h"
#include "shell/KivoAppBase.h"
#include "ui/WidgetManager.h"

namespace Kivo {

const char kWindowedToggleName[] = "\xCE\xEA\xEE\xED\xD0\xE5\xE6\xE8\xEC";
const char kCursorsToggleName[] = "\xF1\xE2\xEE\xE8\xCA\xF3\xF0\xF1\xEE\xF0\xFB";
const char kReplayButtonName[] = "\xEA\xED\xCF\xE5\xF0\xE5\xE8\xE3\xF0";
const char kMapButtonName[] = "\xEA\xED\xCA\xE0\xF0\xF2\xE0";
const char kOptionsButtonName[] = "\xEA\xED\xCD\xE0\xF1\xF2\xF0";
const char kLeaveButtonName[] = "\xEA\xED\xC2\xFB\xF5\xEE\xE4";

namespace {

constexpr int kListScrollPixels = 20;
constexpr wchar_t kEnterChar = 13;
constexpr wchar_t kEscapeChar = 27;

void PlayClick() { gAppBase->StartSample(SoundIdByName("SOUND_BTN_CLK")); }

// What the dialogs change, for the log that headless runs are checked by.
void Note(const std::string& line) { Platform::Log("dialogs: " + line); }

std::string Quoted(const std::wstring& name) { return "\"" + Platform::WideToUtf8(name) + "\""; }

LevelDialogOwner::Link LinkOf(LevelDialogOwner* owner) {
  return owner != nullptr ? owner->DialogLink() : LevelDialogOwner::Link();
}

LevelDialogOwner* OwnerOf(const LevelDialogOwner::Link& link) { return link ? *link : nullptr; }

}  // namespace

GameDialog* NewCreditsDialog() { return new GameDialog("dlgCredits", kCreditsDialogId, nullptr); }

ExitDialog::ExitDialog(DialogHost& host) : GameDialog("dlgExit", kExitDialogId, nullptr), mHost(host) {}

void ExitDialog::OnButtonAction(std::string name) {
  if (name == "btnYes") mHost.StartTransition(kQuitScreen, kMainMenuScreen);
  Close();
}

DifficultyDialog::DifficultyDialog(DialogHost& host)
    : GameDialog("dlgDifficulty", kDifficultyDialogId, nullptr), mHost(host) {}

void DifficultyDialog::OnButtonAction(std::string name) {
  Profiles& profiles = mHost.GetProfiles();
  if (profiles.HasCurrent()) {
    profiles.current().hardMode = name == "btnHard" ? 1 : 0;
    profiles.current().difficultyChosen = true;
  }
  mHost.StartTransition(kMapScreen, kMainMenuScreen);
  Close();
}

PlayersDialog::PlayersDialog(DialogHost& host) : GameDialog("dlgPlayer", kPlayersDialogId, nullptr), mHost(host) {}

void PlayersDialog::OnAdded(WidgetManager* manager) {
  GameDialog::OnAdded(manager);
  mList = FindControl<sObjList>(mObjects, "listPlayers", mSceneName);
  FillList();
}

void PlayersDialog::FillList() {
  if (mList == nullptr) return;
  mList->Clear();
  const Profiles& profiles = mHost.GetProfiles();
  for (const Profile& profile : profiles.records()) mList->AddItem(profile.Name());
  if (profiles.HasCurrent()) mList->SelectByText(profiles.current().Name());
}

void PlayersDialog::OnButtonClick(std::string name) {
  const bool hasPlayer = mHost.GetProfiles().HasCurrent();
  if (name == "btnCreate") {
    (new NameDialog(mHost, this))->Show(nullptr);
  } else if (name == "btnDelete") {
    if (hasPlayer) (new DeletePlayerDialog(mHost, this))->Show(nullptr);
  } else if (name == "btnUp") {
    if (mList != nullptr) mList->ScrollUp(kListScrollPixels);
  } else if (name == "btnDown") {
    if (mList != nullptr) mList->ScrollDown(kListScrollPixels);
  } else if (hasPlayer) {
    // Without a player the list cannot be left.
    GameDialog::OnButtonClick(std::move(name));
  }
}

void PlayersDialog::OnListSelect(std::string name, std::wstring row) {
  if (name != "listPlayers") return;
  mHost.GetProfiles().Select(row);
  Note("player " + Quoted(row) + " chosen");
}

void PlayersDialog::OnButtonAction(std::string name) {
  mHost.RefreshWelcome();
  Close();
}

NameDialog::NameDialog(DialogHost& host, PlayersDialog* opener)
    : GameDialog("dlgName", kNameDialogId, opener), mHost(host), mOpener(opener) {}

void NameDialog::OnAdded(WidgetManager* manager) {
  GameDialog::OnAdded(manager);
  mEdit = FindControl<sObjEdit>(mObjects, "editBox", mSceneName);
  if (mEdit != nullptr) mEdit->SetText(L"");
}

void NameDialog::KeyChar(wchar_t c) {
  GameDialog::KeyChar(c);
  if (c == kEnterChar) OnButtonClick("btnYes");
}

void NameDialog::OnButtonClick(std::string name) {
  // A name already confirmed is not created a second time while it fades.
  if (!mPendingButton.empty()) return;
  Profiles& profiles = mHost.GetProfiles();
  const std::wstring text = mEdit != nullptr ? mEdit->GetText() : std::wstring();
  if (text.empty()) {
    if (profiles.HasCurrent()) GameDialog::OnButtonClick(std::move(name));
    return;
  }
  if (profiles.Create(text, !gAppBase->mWindowed, gAppBase->mCustomCursors)) {
    Note("player " + Quoted(text) + " created");
    GameDialog::OnButtonClick(std::move(name));
  } else {
    Note("player " + Quoted(text) + " exists already");
    (new DuplicateNameDialog(this))->Show(nullptr);
  }
}

void NameDialog::OnButtonAction(std::string name) {
  if (mOpener != nullptr)
    mOpener->FillList();
  else
    mHost.RefreshWelcome();
  Close();
}

DuplicateNameDialog::DuplicateNameDialog(NameDialog* opener)
    : GameDialog("dlgDublicate", kDuplicateNameDialogId, opener) {}

DeletePlayerDialog::DeletePlayerDialog(DialogHost& host, PlayersDialog* opener)
    : GameDialog("dlgDelete", kDeletePlayerDialogId, opener), mHost(host), mOpener(opener) {}

void DeletePlayerDialog::OnButtonAction(std::string name) {
  Profiles& profiles = mHost.GetProfiles();
  if (name == "btnYes" && profiles.HasCurrent()) {
    const std::wstring player = profiles.current().Name();
    profiles.Delete(player);
    Note("player " + Quoted(player) + " deleted");
  }
  if (mOpener != nullptr) mOpener->FillList();
  Close();
}

OptionsDialog::OptionsDialog(DialogHost& host, Widget* opener)
    : GameDialog("dlgOptions", kOptionsDialogId, opener), mHost(host) {
  mSound = FindControl<sObjSlider>(mObjects, "progSound", mSceneName);
  mMusic = FindControl<sObjSlider>(mObjects, "progMusic", mSceneName);
  Profile* profile = CurrentProfile();
  if (mSound != nullptr) {
    mSound->SetEnabled(true);
    if (profile != nullptr) mSound->SetValue(profile->soundVolume);
  }
  if (mMusic != nullptr) {
    mMusic->SetEnabled(true);
    if (profile != nullptr) mMusic->SetValue(profile->musicVolume);
  }
  if (auto* windowed = FindControl<sObjToggle>(mObjects, kWindowedToggleName, mSceneName))
    windowed->SetChecked(profile != nullptr ? profile->fullScreen : !gAppBase->mWindowed);
  if (auto* cursors = FindControl<sObjToggle>(mObjects, kCursorsToggleName, mSceneName))
    cursors->SetChecked(gAppBase->mCustomCursors);
}

Profile* OptionsDialog::CurrentProfile() {
  Profiles& profiles = mHost.GetProfiles();
  return profiles.HasCurrent() ? &profiles.current() : nullptr;
}

void OptionsDialog::OnSlider(std::string name, float value) {
  // The slider's own value, not the report's: the report may be the target
  // the shown value is still gliding to.
  Profile* profile = CurrentProfile();
  if (name == "progSound" && mSound != nullptr) {
    const float volume = mSound->GetValue();
    if (profile != nullptr) profile->soundVolume = volume;
    gAppBase->ApplySfxVolume(volume);
    Note("sound volume " + std::to_string(volume));
  } else if (name == "progMusic" && mMusic != nullptr) {
    const float volume = mMusic->GetValue();
    if (profile != nullptr) profile->musicVolume = volume;
    gAppBase->ApplyMusicVolume(volume);
    Note("music volume " + std::to_string(volume));
  }
}

void OptionsDialog::OnToggle(std::string name, bool on) {
  Profile* profile = CurrentProfile();
  if (name == kWindowedToggleName) {
    if (profile != nullptr) profile->fullScreen = on;
    // The game's own flag follows, or the mode stored at exit compares the
    // window against a choice the player has since undone.
    if (GameApp* game = TheGame()) game->mFullScreen = on;
    gAppBase->ApplyScreenMode(!on, gAppBase->Is3DOn(), false);
    Note(on ? "full screen" : "windowed");
  } else if (name == kCursorsToggleName) {
    if (profile != nullptr) profile->customCursors = on;
    gAppBase->UseCustomCursors(on);
    Note(on ? "own cursors on" : "own cursors off");
  }
}

GoalDialog::GoalDialog(DialogHost& host, LevelDialogOwner* owner)
    : GameDialog("dlgNoteBook", kGoalDialogId, nullptr), mOwner(LinkOf(owner)) {
  if (owner != nullptr) {
    mFirstShowing = owner->GetDialogState() == 0;
    owner->SetDialogState(1);
  }
  mPurpose = FindControl<sObjText>(mObjects, "txtPurpose", mSceneName, false);
  Profiles& profiles = host.GetProfiles();
  if (mPurpose != nullptr && profiles.HasCurrent()) {
    char key[48];
    std::snprintf(key, sizeof key, "level_goal_%d_%d", profiles.current().stage + 1, profiles.current().level + 1);
    mPurpose->mText = GetText(key);
  }
}

void GoalDialog::OnButtonAction(std::string name) {
  LevelDialogOwner* owner = OwnerOf(mOwner);
  if (owner == nullptr) {
    Close();
    return;
  }
  if (mFirstShowing) owner->StartTutorial();
  owner->SetDialogState(2);
  Widget* level = owner->FocusWidget();
  Close();
  if (level != nullptr) gAppBase->mWidgetManager->SetFocus(level);
}

GameMenuDialog::GameMenuDialog(DialogHost& host, const std::string& sceneName, LevelDialogOwner* owner)
    : GameDialog(sceneName, kGameMenuDialogId, nullptr), mHost(host), mOwner(LinkOf(owner)) {
  if (owner != nullptr) owner->SetDialogState(1);
}

void GameMenuDialog::KeyChar(wchar_t c) {
  if (c == kEscapeChar) OnButtonClick("");
}

void GameMenuDialog::OnButtonClick(std::string name) {
  // While a button's fade-out runs its switch is already requested.
  if (!mPendingButton.empty()) return;
  if (name == kReplayButtonName) {
    mHost.StartTransition(kLevelScreen, kLevelScreen);
  } else if (name == kMapButtonName) {
    mHost.StartTransition(kMapScreen, kLevelScreen);
  } else if (name == kOptionsButtonName) {
    PlayClick();
    (new OptionsDialog(mHost, this))->Show(nullptr);
    return;
  } else if (name == kLeaveButtonName) {
    mHost.GetProfiles().Save();
    PlayClick();
    (new LeaveLevelDialog(mHost, this))->Show(nullptr);
    return;
  }
  GameDialog::OnButtonClick(std::move(name));
}

void GameMenuDialog::OnButtonAction(std::string name) {
  // The level screen may have been switched away in this very update.
  LevelDialogOwner* owner = OwnerOf(mOwner);
  Widget* level = nullptr;
  if (owner != nullptr) {
    owner->SetDialogState(2);
    level = owner->FocusWidget();
  }
  Close();
  if (level != nullptr) gAppBase->mWidgetManager->SetFocus(level);
}

LeaveLevelDialog::LeaveLevelDialog(DialogHost& host, GameMenuDialog* opener)
    : GameDialog("dlgGameExit", kLeaveLevelDialogId, opener), mHost(host), mOpener(opener) {}

void LeaveLevelDialog::OnButtonAction(std::string name) {
  if (name == "btnYes") {
    mHost.StartTransition(kMainMenuScreen, kLevelScreen);
    if (mOpener != nullptr) mOpener->OnButtonClick("");
  }
  Close();
}

}  // namespace Kivo
