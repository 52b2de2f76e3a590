// The game's dialogs over the engine's controls: what each button does once its
// fade-out ends, the buttons that act at once, and the profile and settings
// changes.
#include "frontend/GameDialogs.h"

#include "engine/ResourceIds.h"
#include "engine/TextTables.h"
#include "tests/frontend/dialog_test_support.h"

namespace dialogtest {
namespace {

using Transitions = std::vector<std::pair<int, int>>;

TEST_F(DialogsTest, ExitAndDifficultyActOnTheirButtons) {
  struct Case {
    std::string button;
    Transitions transitions;
  };
  for (const Case& c : std::vector<Case>{{"btnYes", {{11, 2}}}, {"btnNo", {}}, {"", {}}}) {
    host->transitions.clear();
    auto* dialog = Open(new ExitDialog(*host));
    dialog->OnButtonClick(c.button);
    Fade(dialog);
    EXPECT_EQ(host->transitions, c.transitions) << c.button;
    EXPECT_EQ(app->FindDialog(kExitDialogId), nullptr) << c.button;
    Flush();
  }
  AddPlayers({L"Ann"});
  struct Difficulty {
    std::string button;
    int hard;
  };
  for (const Difficulty& c : std::vector<Difficulty>{{"btnHard", 1}, {"btnEasy", 0}, {"btnOther", 0}}) {
    host->transitions.clear();
    host->profiles.current().hardMode = 7;
    host->profiles.current().difficultyChosen = false;
    ClickAndFade(Open(new DifficultyDialog(*host)), c.button == "btnOther" ? "btnEasy" : c.button);
    if (c.button == "btnOther") {
      // any name but btnHard is the normal choice
      host->transitions.clear();
      auto* dialog = Open(new DifficultyDialog(*host));
      dialog->OnButtonClick("btnOther");
      Fade(dialog);
    }
    EXPECT_EQ(host->profiles.current().hardMode, c.hard) << c.button;
    EXPECT_TRUE(host->profiles.current().difficultyChosen) << c.button;
    EXPECT_EQ(host->transitions, (Transitions{{4, 2}})) << c.button;
    Flush();
  }
}

TEST_F(DialogsTest, DifficultyWithoutAProfileStillSwitches) {
  ClickAndFade(Open(new DifficultyDialog(*host)), "btnHard");
  EXPECT_EQ(host->transitions, (Transitions{{4, 2}}));
  Flush();
}

TEST_F(DialogsTest, CreditsCloseOnAnyButton) {
  GameDialog* credits = Open(NewCreditsDialog());
  EXPECT_EQ(app->FindDialog(kCreditsDialogId), credits);
  ClickAndFade(credits, "btnOk");
  EXPECT_EQ(app->FindDialog(kCreditsDialogId), nullptr);
  Flush();
}

TEST_F(DialogsTest, PlayerListShowsProfilesInOrderWithTheCurrentSelected) {
  AddPlayers({L"Ann", L"\u0411\u043e\u0440\u0438\u0441", L"Cid"});
  host->profiles.Select(L"Ann");
  auto* players = Open(new PlayersDialog(*host));
  auto* list = Object<sObjList>(players, "listPlayers");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->mItems, (std::vector<std::wstring>{L"Ann", L"\u0411\u043e\u0440\u0438\u0441", L"Cid"}));
  EXPECT_EQ(list->GetSelectedText(), L"Ann");

  // A row pick makes that player current at once.
  Pick(list, L"Cid");
  EXPECT_EQ(host->profiles.current().Name(), L"Cid");
  // Up and down scroll 20 pixels without a sound or a fade: rows of 30
  // pixels in a box of 20 leave room to scroll.
  list->mRowHeight = 30;
  const int scrollBefore = list->mScroll;
  Object(players, "btnDown")->Click();
  Object(players, "btnDown")->Click();
  Object(players, "btnUp")->Click();
  EXPECT_EQ(list->mScroll - scrollBefore, -20);
  EXPECT_TRUE(app->sounds.empty());
  EXPECT_FALSE(players->mFader.direction == DialogFader::kFadingOut);

  // Any other button: the base path; the action refreshes the greeting.
  ClickAndFade(players, "btnOk");
  EXPECT_EQ(host->welcomes, 1);
  EXPECT_EQ(app->FindDialog(kPlayersDialogId), nullptr);
  Flush();
}

TEST_F(DialogsTest, PlayerListWithoutProfilesOnlyCreatesAndScrolls) {
  auto* players = Open(new PlayersDialog(*host));
  EXPECT_TRUE(Object<sObjList>(players, "listPlayers")->mItems.empty());
  for (const char* ignored : {"btnOk", "btnDelete", "btnAnything"}) {
    Object(players, "btnOk")->mName = ignored;
    Object(players, ignored)->Click();
    Fade(players);
    EXPECT_TRUE(app->sounds.empty()) << ignored;
    EXPECT_EQ(app->FindDialog(kPlayersDialogId), players) << ignored;
    EXPECT_EQ(app->FindDialog(kDeletePlayerDialogId), nullptr) << ignored;
    Object(players, ignored)->mName = "btnOk";
  }
  Object(players, "btnDown")->Click();
  Object(players, "btnUp")->Click();
  EXPECT_TRUE(app->sounds.empty());
  // btnCreate opens the name dialog at once, without a sound.
  Object(players, "btnCreate")->Click();
  auto* name = Top(kNameDialogId);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->mFocusBack, players);
  EXPECT_TRUE(app->sounds.empty());
  name->Close();
  players->Close();
  Flush();
}

TEST_F(DialogsTest, NameDialogCreatesOnEnterAndRefillsItsOpener) {
  AddPlayers({L"Ann"});
  auto* players = Open(new PlayersDialog(*host));
  Object(players, "btnCreate")->Click();
  auto* name = static_cast<NameDialog*>(Top(kNameDialogId));
  auto* edit = Object<sObjEdit>(name, "editBox");
  for (wchar_t c : std::wstring(L"\u0410\u043d\u043d\u0430")) name->KeyChar(c);
  name->KeyChar(13);  // offered to the box first, which does not type it
  EXPECT_EQ(edit->GetText(), L"\u0410\u043d\u043d\u0430");
  EXPECT_EQ(name->mPendingButton, "btnYes");
  EXPECT_EQ(host->profiles.current().Name(), L"\u0410\u043d\u043d\u0430");
  EXPECT_EQ(app->sounds.size(), 1u);
  // A second Enter during the fade-out creates nothing more.
  name->KeyChar(13);
  EXPECT_EQ(host->profiles.count(), 2u);
  EXPECT_EQ(app->FindDialog(kDuplicateNameDialogId), nullptr);
  Fade(name);
  auto* list = Object<sObjList>(players, "listPlayers");
  EXPECT_EQ(list->mItems, (std::vector<std::wstring>{L"Ann", L"\u0410\u043d\u043d\u0430"}));
  EXPECT_EQ(list->GetSelectedText(), L"\u0410\u043d\u043d\u0430");
  EXPECT_EQ(host->welcomes, 0);
  EXPECT_EQ(app->FindDialog(kNameDialogId), nullptr);
  EXPECT_EQ(app->mWidgetManager->mFocusWidget, players);
  players->Close();
  Flush();
}

TEST_F(DialogsTest, NameDialogEmptyTakenAndFirstStartNames) {
  // First start: the box is emptied when added, and empty text does
  // nothing at all.
  auto* name = new NameDialog(*host, nullptr);
  Object<sObjEdit>(name, "editBox")->SetText(L"stale");
  name->Show(nullptr);
  EXPECT_EQ(Object<sObjEdit>(name, "editBox")->GetText(), L"");
  Object(name, "btnYes")->Click();
  EXPECT_TRUE(app->sounds.empty());
  EXPECT_TRUE(name->mPendingButton.empty());
  // A new name from the main menu refreshes the greeting.
  Object<sObjEdit>(name, "editBox")->SetText(L"Bob");
  ClickAndFade(name, "btnYes");
  EXPECT_EQ(host->profiles.current().Name(), L"Bob");
  EXPECT_EQ(host->welcomes, 1);
  Flush();

  // A taken name: the notice opens without a sound, the text stays.
  name = Open(new NameDialog(*host, nullptr));
  Object<sObjEdit>(name, "editBox")->SetText(L"Bob");
  Object(name, "btnYes")->Click();
  auto* notice = Top(kDuplicateNameDialogId);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->mFocusBack, name);
  EXPECT_EQ(app->sounds.size(), 1u);
  EXPECT_EQ(app->FindDialog(kNameDialogId), name);
  EXPECT_EQ(Object<sObjEdit>(name, "editBox")->GetText(), L"Bob");
  ClickAndFade(notice, "btnOk");
  EXPECT_EQ(app->mWidgetManager->mFocusWidget, name);
  // With a profile, empty text takes the base path and only closes.
  Object<sObjEdit>(name, "editBox")->SetText(L"");
  ClickAndFade(name, "btnYes");
  EXPECT_EQ(host->profiles.count(), 1u);
  EXPECT_EQ(app->FindDialog(kNameDialogId), nullptr);
  Flush();
}

TEST_F(DialogsTest, DeleteRemovesTheCurrentPlayerAndRefillsTheList) {
  AddPlayers({L"Ann", L"Bob", L"Cid"});
  host->profiles.Select(L"Bob");
  auto* players = Open(new PlayersDialog(*host));
  Object(players, "btnDelete")->Click();
  auto* confirm = Top(kDeletePlayerDialogId);
  ASSERT_NE(confirm, nullptr);
  EXPECT_TRUE(app->sounds.empty());
  ClickAndFade(confirm, "btnNo");
  EXPECT_EQ(host->profiles.count(), 3u);
  Object(players, "btnDelete")->Click();
  ClickAndFade(Top(kDeletePlayerDialogId), "btnYes");
  auto* list = Object<sObjList>(players, "listPlayers");
  EXPECT_EQ(list->mItems, (std::vector<std::wstring>{L"Ann", L"Cid"}));
  EXPECT_EQ(list->GetSelectedText(), host->profiles.current().Name());
  EXPECT_NE(list->GetSelectedText(), L"Bob");
  players->Close();
  Flush();
}

TEST_F(DialogsTest, OptionsApplyTheSlidersShownValueAndTheTogglesAtOnce) {
  AddPlayers({L"Ann"});
  Profile& profile = host->profiles.current();
  profile.soundVolume = 0.25f;
  profile.musicVolume = 0.75f;
  profile.fullScreen = true;
  app->mCustomCursors = true;
  auto* options = Open(new OptionsDialog(*host, nullptr));
  auto* sound = Object<sObjSlider>(options, "progSound");
  auto* music = Object<sObjSlider>(options, "progMusic");
  auto* windowed = Object<sObjToggle>(options, kWindowedToggleName);
  auto* cursors = Object<sObjToggle>(options, kCursorsToggleName);
  EXPECT_EQ((std::vector<float>{sound->mTarget, music->mTarget}), (std::vector<float>{0.25f, 0.75f}));
  EXPECT_TRUE(sound->mEnabled && music->mEnabled);
  EXPECT_TRUE(windowed->IsChecked());
  EXPECT_TRUE(cursors->IsChecked());

  Drag(sound, 0.9f, 0.3f);
  Drag(sound, 0.9f, 0.4f);
  Drag(music, 0.1f, 0.6f);
  EXPECT_EQ(app->sfxVolumes, (std::vector<double>{0.3f, 0.4f}));
  EXPECT_EQ(app->musicVolumes, (std::vector<double>{0.6f}));
  EXPECT_EQ(profile.soundVolume, 0.4f);
  EXPECT_EQ(profile.musicVolume, 0.6f);

  Flip(windowed);  // off: windowed
  Flip(cursors);
  EXPECT_EQ(app->screenModes, (std::vector<std::vector<bool>>{{true, app->Is3DOn(), false}}));
  EXPECT_FALSE(profile.fullScreen);
  EXPECT_FALSE(profile.customCursors);
  EXPECT_FALSE(app->mCustomCursors);
  ClickAndFade(options, "btnClose");
  EXPECT_FALSE(std::filesystem::exists(host->profiles.path())) << "nothing written to disk";
  Flush();
}

TEST_F(DialogsTest, OptionsWithoutAProfileOrWithoutTheirControls) {
  auto* options = Open(new OptionsDialog(*host, nullptr));
  Drag(Object<sObjSlider>(options, "progSound"), 0.5f, 0.5f);
  Flip(Object<sObjToggle>(options, kWindowedToggleName));
  EXPECT_EQ(app->sfxVolumes, std::vector<double>{0.5});
  options->Close();
  Flush();
  // A scene without the sliders and toggles: logged, skipped.
  FreeSceneDatabase();
  OpenScenes({{"dlgOptions", SceneOf({{"btnClose", kProbeType}})}});
  options = Open(new OptionsDialog(*host, nullptr));
  options->OnSlider("progSound", 0.5f);
  options->OnToggle(kWindowedToggleName, true);
  EXPECT_EQ(app->sfxVolumes.size(), 1u);
  options->Close();
  Flush();
}

TEST_F(DialogsTest, GoalNotebookShowsTheGoalAndStartsTheTutorialOnlyTheFirstTime) {
  AddPlayers({L"Ann"});
  host->profiles.current().stage = 0;
  host->profiles.current().level = 1;
  LoadGameTexts(mFolder, "level_goal_1_1\tFirst\nlevel_goal_1_2\tFind the key\n");
  FakeLevel level;
  app->mWidgetManager->AddChild(&level);
  auto* goal = Open(new GoalDialog(*host, &level));
  EXPECT_EQ(level.state, 1);
  EXPECT_EQ(Object<sObjText>(goal, "txtPurpose")->mText, L"Find the key");
  ClickAndFade(goal, "btnOk");
  EXPECT_EQ(level.tutorials, 1);
  EXPECT_EQ(level.state, 2);
  EXPECT_EQ(app->mWidgetManager->mFocusWidget, &level);
  Flush();
  ClickAndFade(Open(new GoalDialog(*host, &level)), "btnOk");
  EXPECT_EQ(level.tutorials, 1);
  Flush();
  app->mWidgetManager->RemoveChild(&level);
}

TEST_F(DialogsTest, GameMenuButtons) {
  AddPlayers({L"Ann"});
  struct Case {
    std::string button;
    Transitions transitions;
    bool fades;
    int openedId;  // 0: none
  };
  const std::vector<Case> cases = {
      {kReplayButtonName, {{6, 6}}, true, 0},
      {kMapButtonName, {{4, 6}}, true, 0},
      {kOptionsButtonName, {}, false, kOptionsDialogId},
      {kLeaveButtonName, {}, false, kLeaveLevelDialogId},
      {"btnResume", {}, true, 0},
  };
  for (const Case& c : cases) {
    FakeLevel level;
    app->mWidgetManager->AddChild(&level);
    host->transitions.clear();
    app->sounds.clear();
    auto* menu = Open(new GameMenuDialog(*host, "dlgGameMenu", &level));
    EXPECT_EQ(level.state, 1);
    Object(menu, c.button)->Click();
    EXPECT_EQ(host->transitions, c.transitions) << c.button;
    EXPECT_EQ(app->sounds.size(), 1u) << c.button;
    EXPECT_EQ(menu->mFader.direction == DialogFader::kFadingOut, c.fades) << c.button;
    if (c.openedId != 0) {
      GameDialog* opened = Top(c.openedId);
      ASSERT_NE(opened, nullptr) << c.button;
      EXPECT_EQ(opened->mFocusBack, menu);
      opened->Close();
      menu->Close();
    } else {
      Fade(menu);
      EXPECT_EQ(level.state, 2) << c.button;
      EXPECT_EQ(app->mWidgetManager->mFocusWidget, &level) << c.button;
    }
    EXPECT_EQ(app->FindDialog(kGameMenuDialogId), nullptr);
    Flush();
    app->mWidgetManager->RemoveChild(&level);
  }
  // The leave button saves the profile file before anything is answered.
  EXPECT_TRUE(std::filesystem::exists(host->profiles.path()));
}

TEST_F(DialogsTest, GameMenuEscIsAnEmptyClickAndOtherKeysGoNowhere) {
  FakeLevel level;
  app->mWidgetManager->AddChild(&level);
  auto* menu = Open(new GameMenuDialog(*host, "dlgGameMenu", &level));
  menu->KeyChar(L'a');
  EXPECT_TRUE(app->sounds.empty());
  menu->KeyChar(27);
  EXPECT_EQ(menu->mFader.direction, DialogFader::kFadingOut);
  for (int i = 0; i < 20; ++i) menu->Update();
  menu->KeyChar(27);  // restarts the fade-out
  EXPECT_EQ(app->sounds.size(), 2u);
  EXPECT_EQ(menu->mFader.objectAlpha, 255);
  Fade(menu);
  EXPECT_TRUE(host->transitions.empty());
  EXPECT_EQ(level.state, 2);
  Flush();
  app->mWidgetManager->RemoveChild(&level);
}

TEST_F(DialogsTest, LeaveLevelYesSwitchesAndFadesTheMenuOut) {
  FakeLevel level;
  app->mWidgetManager->AddChild(&level);
  auto* menu = Open(new GameMenuDialog(*host, "dlgGameMenu", &level));
  Object(menu, kLeaveButtonName)->Click();
  auto* leave = Top(kLeaveLevelDialogId);
  ClickAndFade(leave, "btnNo");
  EXPECT_TRUE(host->transitions.empty());
  EXPECT_NE(menu->mFader.direction, DialogFader::kFadingOut);
  EXPECT_EQ(app->mWidgetManager->mFocusWidget, menu);
  Object(menu, kLeaveButtonName)->Click();
  ClickAndFade(Top(kLeaveLevelDialogId), "btnYes");
  EXPECT_EQ(host->transitions, (Transitions{{2, 6}}));
  EXPECT_EQ(menu->mFader.direction, DialogFader::kFadingOut);
  EXPECT_EQ(menu->mPendingButton, "");
  Fade(menu);
  EXPECT_EQ(app->FindDialog(kGameMenuDialogId), nullptr);
  Flush();
  app->mWidgetManager->RemoveChild(&level);
}

// The screen switch deletes the level screen 51 updates after it was
// requested: in the update in which the menu acts, before or after it.
TEST_F(DialogsTest, SwitchDeletingTheLevelInTheMenusActionUpdateLeavesItUntouched) {
  for (const std::string& button :
       {std::string(kReplayButtonName), std::string(kMapButtonName), std::string("leave")}) {
    for (bool switchFirst : {true, false}) {
      auto* level = new FakeLevel;
      app->mWidgetManager->AddChild(level);
      int switchIn = -1;
      host->onTransition = [&] { switchIn = 51; };
      auto* menu = Open(new GameMenuDialog(*host, "dlgGameMenu", level));
      if (button == "leave") {
        Object(menu, kLeaveButtonName)->Click();
        auto* leave = Top(kLeaveLevelDialogId);
        Object(leave, "btnYes")->Click();
        for (int i = 0; i < 51; ++i) leave->Update();
        ASSERT_EQ(switchIn, 51) << "the switch and the menu's fade start together";
      } else {
        Object(menu, button)->Click();
      }
      auto switchStep = [&] {
        if (switchIn > 0 && --switchIn == 0) {
          app->mWidgetManager->RemoveChild(level);
          delete level;
          level = nullptr;
        }
      };
      for (int update = 1; update <= 51; ++update) {
        if (switchFirst) switchStep();
        menu->Update();
        if (!switchFirst) switchStep();
      }
      EXPECT_EQ(level, nullptr) << button;
      EXPECT_EQ(app->FindDialog(kGameMenuDialogId), nullptr) << button << switchFirst;
      EXPECT_EQ(app->mWidgetManager->mFocusWidget, nullptr) << button << switchFirst;
      Flush();
      host->onTransition = nullptr;
    }
  }
}

TEST(DialogNamesTest, CyrillicNamesAreCodePage1251Bytes) {
  EXPECT_EQ(std::string(kWindowedToggleName), "\xCE\xEA\xEE\xED\xD0\xE5\xE6\xE8\xEC");
  EXPECT_EQ(std::string(kCursorsToggleName), "\xF1\xE2\xEE\xE8\xCA\xF3\xF0\xF1\xEE\xF0\xFB");
  EXPECT_EQ(std::string(kReplayButtonName), "\xEA\xED\xCF\xE5\xF0\xE5\xE8\xE3\xF0");
  EXPECT_EQ(std::string(kMapButtonName), "\xEA\xED\xCA\xE0\xF0\xF2\xE0");
  EXPECT_EQ(std::string(kOptionsButtonName), "\xEA\xED\xCD\xE0\xF1\xF2\xF0");
  EXPECT_EQ(std::string(kLeaveButtonName), "\xEA\xED\xC2\xFB\xF5\xEE\xE4");
}

}  // namespace
}  // namespace dialogtest
