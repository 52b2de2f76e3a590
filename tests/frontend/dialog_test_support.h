// Pieces of the dialog tests: the engine's control kinds with the reports
// a pointer would make them send, a game host with a profile store in a temp folder, and a
// level screen that can be deleted under its dialogs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/ButtonKinds.h"
#include "engine/ControlKinds.h"
#include "engine/ListKind.h"
#include "engine/ObjectKinds.h"
#include "engine/SliderEditKinds.h"
#include "engine/TextKinds.h"
#include "engine/TextTables.h"
#include "frontend/GameDialogs.h"
#include "tests/frontend/game_dialog_support.h"

namespace dialogtest {

// Type codes of the engine's kinds the dialogs look for (the probe button
// keeps 19).
constexpr int kTextType = 5;
constexpr int kSliderType = 6;
constexpr int kEditType = 8;
constexpr int kListType = 10;
constexpr int kToggleType = 11;

// Flips a toggle as a click on it does, and reports it.
inline void Flip(sObjToggle* toggle) {
  toggle->SetChecked(!toggle->IsChecked());
  toggle->Click();
}

// A text table of UTF-16 lines "key TAB text", loaded as the game's table.
inline void LoadGameTexts(const TempFolder& folder, const std::string& lines) {
  std::string bytes = "\xFF\xFE";
  for (char c : lines) bytes += std::string{c, '\0'};
  ASSERT_TRUE(GameTextTable().Load(folder.Write("data.txt", bytes)));
}

// A row pick as the list reports it.
inline void Pick(sObjList* list, const std::wstring& row) { list->mListener->OnListSelect(list->mName, row); }

// A drag report: the target moves while the shown value is still where it
// is.
inline void Drag(sObjSlider* slider, float to, float shown) {
  slider->mTarget = to;
  slider->mValue = shown;
  slider->mListener->OnSlider(slider->mName, to);
}

inline DtmRecord Typed(const std::string& name, int type) {
  DtmRecord record = ProbeRecord(name);
  record.type = static_cast<uint32_t>(type);
  return record;
}

// A root with the named children: buttons unless a type is given.
inline DtmRecord SceneOf(const std::vector<std::pair<std::string, int>>& children) {
  DtmRecord root = ProbeRecord("root");
  for (const auto& [name, type] : children) root.Child(Typed(name, type));
  return root;
}

// The name dialog's scene: an edit box of 19 characters and btnYes.
inline DtmRecord NameScene() {
  DtmRecord root = SceneOf({{"btnYes", kProbeType}});
  DtmRecord edit = Typed("editBox", kEditType);
  edit.Property("_intNumChar", "19");
  root.Child(edit);
  return root;
}

class FakeHost : public DialogHost {
 public:
  explicit FakeHost(const std::string& path) : profiles(path) {}
  void StartTransition(int target, int removed) override {
    transitions.push_back({target, removed});
    if (onTransition) onTransition();
  }
  Profiles& GetProfiles() override { return profiles; }
  void RefreshWelcome() override { ++welcomes; }
  Profiles profiles;
  std::vector<std::pair<int, int>> transitions;
  int welcomes = 0;
  std::function<void()> onTransition;
};

class FakeLevel : public Widget, public LevelDialogOwner {
 public:
  ~FakeLevel() override { ClearDialogLink(); }
  int GetDialogState() const override { return state; }
  void SetDialogState(int value) override { state = value; }
  void StartTutorial() override { ++tutorials; }
  Widget* FocusWidget() override { return this; }
  int state = 0;
  int tutorials = 0;
};

// The engine's kinds, and every dialog scene of the game.
class DialogsTest : public GameDialogTest {
 protected:
  void SetUp() override {
    // The engine's kinds first: the probe button then takes code 19 over.
    RegisterDrawingKinds();
    RegisterControlKinds();
    GameDialogTest::SetUp();
    const int button = kProbeType;
    const std::vector<std::pair<std::string, int>> menuButtons = {{kReplayButtonName, button},
                                                                  {kMapButtonName, button},
                                                                  {kOptionsButtonName, button},
                                                                  {kLeaveButtonName, button},
                                                                  {"btnResume", button}};
    OpenScenes({
        {"dlgExit", SceneOf({{"btnYes", button}, {"btnNo", button}})},
        {"dlgCredits", SceneOf({{"btnOk", button}})},
        {"dlgDifficulty", SceneOf({{"btnHard", button}, {"btnEasy", button}})},
        {"dlgPlayer", SceneOf({{"listPlayers", kListType},
                               {"btnCreate", button},
                               {"btnDelete", button},
                               {"btnUp", button},
                               {"btnDown", button},
                               {"btnOk", button}})},
        {"dlgName", NameScene()},
        {"dlgDublicate", SceneOf({{"btnOk", button}})},
        {"dlgDelete", SceneOf({{"btnYes", button}, {"btnNo", button}})},
        {"dlgOptions", SceneOf({{"progSound", kSliderType},
                                {"progMusic", kSliderType},
                                {kWindowedToggleName, kToggleType},
                                {kCursorsToggleName, kToggleType},
                                {"btnClose", button}})},
        {"dlgNoteBook", SceneOf({{"txtPurpose", kTextType}, {"btnOk", button}})},
        {"dlgGameMenu", SceneOf(menuButtons)},
        {"dlgGameExit", SceneOf({{"btnYes", button}, {"btnNo", button}})},
    });
    host = std::make_unique<FakeHost>(mFolder / "profile.dat");
  }
  void TearDown() override {
    host.reset();
    GameTextTable().Clear();
    GameDialogTest::TearDown();
  }
  template <class T = ProbeObject>
  static T* Object(GameDialog* dialog, const std::string& name) {
    return dynamic_cast<T*>(FindObjectByName(dialog->mObjects, name));
  }
  // Clicks a button and runs the fade-out: the action happens.
  static void ClickAndFade(GameDialog* dialog, const std::string& name) {
    Object(dialog, name)->Click();
    Fade(dialog);
  }
  static void Fade(GameDialog* dialog) {
    for (int i = 0; i < 51; ++i) dialog->Update();
  }
  template <class D>
  D* Open(D* dialog) {
    dialog->Show(nullptr);
    return dialog;
  }
  GameDialog* Top(int id) { return static_cast<GameDialog*>(app->FindDialog(id)); }
  void AddPlayers(const std::vector<std::wstring>& names) {
    for (const auto& name : names) ASSERT_TRUE(host->profiles.Create(name, false, false));
  }

  std::unique_ptr<FakeHost> host;
};

}  // namespace dialogtest
