// The main menu over the engine's controls: the greeting, the buttons, the name
// dialog of the first start and the particle lock.
#include "frontend/MainMenuScreen.h"

#include "engine/ResourceIds.h"
#include "tests/frontend/dialog_test_support.h"

namespace dialogtest {
namespace {

class MenuHost : public FakeHost, public MainMenuHost, public ScreenHost {
 public:
  using FakeHost::FakeHost;
  void StartTransition(int target, int removed) override { FakeHost::StartTransition(target, removed); }
  Profiles& GetProfiles() override { return FakeHost::GetProfiles(); }
  void RefreshWelcome() override {
    FakeHost::RefreshWelcome();
    if (menu != nullptr) menu->ShowWelcome();
  }
  void UpdateParticles() override { ++particleSteps; }
  void DrawParticles(Graphics&) override {}
  void ClearParticles() override { ++particleClears; }
  void PlayMusic(int) override {}
  bool IsFadeFinished() const override { return fadeFinished; }
  const ScreenMatrices& GetScreenMatrices() const override { return matrices; }

  MainMenuScreen* menu = nullptr;
  int particleSteps = 0;
  int particleClears = 0;
  bool fadeFinished = true;
  ScreenMatrices matrices;
};

class MainMenuTest : public DialogsTest {
 protected:
  void SetUp() override {
    DialogsTest::SetUp();
    menuHost = std::make_unique<MenuHost>(mFolder / "menu_profile.dat");
  }
  void TearDown() override {
    CloseMenu();
    menuHost.reset();
    DialogsTest::TearDown();
  }
  // The menu's scene with the dialogs' scenes beside it; linkFile is the
  // "_sFileName" of btnURL.
  void MakeMenu(const std::string& linkFile) {
    DtmRecord root = SceneOf({{"btnStart", kProbeType},
                              {"btnOptions", kProbeType},
                              {"btnExit", kProbeType},
                              {"btnWelcome", kProbeType},
                              {"btnCredits", kProbeType}});
    LoadGameTexts(mFolder, "menu_welcome\tWelcome,\n");
    DtmRecord welcome = Typed("welcome", kTextType);
    welcome.Property("_keyText", "menu_welcome");
    root.Child(welcome);
    DtmRecord link = Typed("btnURL", kProbeType);
    link.Property("_sFileName", linkFile);
    root.Child(link);
    FreeSceneDatabase();
    OpenScenes({{"mnMainMenu", root},
                {"dlgName", NameScene()},
                {"dlgPlayer", SceneOf({{"listPlayers", kListType}, {"btnOk", kProbeType}})},
                {"dlgDifficulty", SceneOf({{"btnHard", kProbeType}})},
                {"dlgOptions", SceneOf({{"btnClose", kProbeType}})},
                {"dlgExit", SceneOf({{"btnYes", kProbeType}})},
                {"dlgCredits", SceneOf({{"btnOk", kProbeType}})}});
    menu = new MainMenuScreen(*menuHost, *menuHost);
    menuHost->menu = menu;
    app->mWidgetManager->AddChild(menu);
  }
  void CloseMenu() {
    for (int id :
         {kNameDialogId, kPlayersDialogId, kDifficultyDialogId, kOptionsDialogId, kExitDialogId, kCreditsDialogId})
      app->RemoveDialogById(id);
    Flush();
    if (menu == nullptr) return;
    app->mWidgetManager->RemoveChild(menu);
    delete menu;
    menu = nullptr;
    menuHost->menu = nullptr;
  }
  std::wstring Greeting() { return Object<sObjText>(menu, "welcome")->mText; }
  template <class T = ProbeObject>
  T* Object(MainMenuScreen* screen, const std::string& name) {
    return dynamic_cast<T*>(screen->FindObject(name));
  }
  void Click(const std::string& name) { menu->OnButtonClick(name); }

  std::unique_ptr<MenuHost> menuHost;
  MainMenuScreen* menu = nullptr;
};

TEST_F(MainMenuTest, GreetingIsTheScenesTextASpaceAndTheCurrentName) {
  ASSERT_TRUE(menuHost->profiles.Create(L"\u0410\u043d\u043d\u0430", false, false));
  ASSERT_TRUE(menuHost->profiles.Create(L"Bob", false, false));
  MakeMenu("");
  EXPECT_EQ(Greeting(), L"Welcome, Bob");
  menuHost->profiles.Select(L"\u0410\u043d\u043d\u0430");
  menuHost->RefreshWelcome();
  EXPECT_EQ(Greeting(), L"Welcome, \u0410\u043d\u043d\u0430");
}

TEST_F(MainMenuTest, StartLeadsToTheDifficultyOnlyForAFreshProfile) {
  ASSERT_TRUE(menuHost->profiles.Create(L"Ann", false, false));
  MakeMenu("");
  struct Case {
    int stage, level;
    bool chosen;
    bool difficulty;
  };
  for (const Case& c :
       std::vector<Case>{{0, 0, false, true}, {0, 1, false, false}, {0, 0, true, false}, {3, 0, false, false}}) {
    Profile& profile = menuHost->profiles.current();
    profile.stage = c.stage, profile.level = c.level, profile.difficultyChosen = c.chosen;
    menuHost->transitions.clear();
    Click("btnStart");
    EXPECT_EQ(app->FindDialog(kDifficultyDialogId) != nullptr, c.difficulty) << c.stage << c.level << c.chosen;
    EXPECT_EQ(menuHost->transitions, (std::vector<std::pair<int, int>>(c.difficulty ? 0 : 1, {4, 2})));
    app->RemoveDialogById(kDifficultyDialogId);
    Flush();
  }
}

TEST_F(MainMenuTest, EveryButtonClicksFirstAndOpensItsDialog) {
  ASSERT_TRUE(menuHost->profiles.Create(L"Ann", false, false));
  MakeMenu("");
  const std::vector<std::pair<std::string, int>> buttons = {{"btnOptions", kOptionsDialogId},
                                                            {"btnExit", kExitDialogId},
                                                            {"btnWelcome", kPlayersDialogId},
                                                            {"btnCredits", kCreditsDialogId},
                                                            {"btnUnknown", 0}};
  for (const auto& [button, id] : buttons) {
    app->sounds.clear();
    Click(button);
    EXPECT_EQ(app->sounds, std::vector<int>{SoundIdByName("SOUND_BTN_CLK")}) << button;
    if (id != 0) {
      ASSERT_NE(app->FindDialog(id), nullptr) << button;
      EXPECT_EQ(static_cast<GameDialog*>(app->FindDialog(id))->mFocusBack, nullptr);
      app->RemoveDialogById(id);
      Flush();
    }
  }
}

TEST_F(MainMenuTest, WithoutAProfileStartAndOptionsOnlyClick) {
  MakeMenu("");
  for (const char* button : {"btnStart", "btnOptions"}) {
    app->sounds.clear();
    Click(button);
    EXPECT_EQ(app->sounds.size(), 1u) << button;
  }
  EXPECT_TRUE(menuHost->transitions.empty());
  EXPECT_EQ(app->FindDialog(kDifficultyDialogId), nullptr);
  EXPECT_EQ(app->FindDialog(kOptionsDialogId), nullptr);
}

TEST_F(MainMenuTest, NameDialogOpensByItselfAfterTheFadeAndNeverOverThePlayerList) {
  menuHost->fadeFinished = false;
  MakeMenu("");
  menu->Update();
  EXPECT_EQ(app->FindDialog(kNameDialogId), nullptr) << "not during the fade";
  EXPECT_EQ(menuHost->particleSteps, 1);
  menuHost->fadeFinished = true;
  menu->Update();
  auto* name = static_cast<NameDialog*>(app->FindDialog(kNameDialogId));
  ASSERT_NE(name, nullptr);
  EXPECT_TRUE(menu->mNameDialogLock);
  // Locked: the particles stand still and no second dialog opens.
  for (int i = 0; i < 5; ++i) menu->Update();
  EXPECT_EQ(menuHost->particleSteps, 2);
  EXPECT_EQ(app->FindDialog(kNameDialogId), name);
  // A name typed and confirmed: the greeting ends with it.
  for (wchar_t c : std::wstring(L"\u0410\u043d\u043d\u0430")) name->KeyChar(c);
  name->KeyChar(13);
  for (int i = 0; i < 51; ++i) name->Update();
  EXPECT_EQ(Greeting(), L"Welcome, \u0410\u043d\u043d\u0430");
  EXPECT_FALSE(menu->mNameDialogLock);
  Flush();

  // The player list locks the menu: the last player deleted there does not
  // bring the name dialog over it.
  Click("btnWelcome");
  auto* players = app->FindDialog(kPlayersDialogId);
  ASSERT_NE(players, nullptr);
  menuHost->profiles.Delete(L"\u0410\u043d\u043d\u0430");
  const int steps = menuHost->particleSteps;
  for (int i = 0; i < 5; ++i) menu->Update();
  EXPECT_EQ(app->FindDialog(kNameDialogId), nullptr);
  EXPECT_EQ(menuHost->particleSteps, steps);
}

TEST_F(MainMenuTest, LinkButtonHiddenWhenItsFileCannotBeOpened) {
  ASSERT_TRUE(menuHost->profiles.Create(L"Ann", false, false));
  MakeMenu(mFolder / "missing.html");
  EXPECT_FALSE(Object(menu, "btnURL")->mVisible);
  CloseMenu();
  const std::string document = mFolder.Write("readme.html", "<p>hello</p>");
  MakeMenu(document);
  EXPECT_TRUE(Object(menu, "btnURL")->mVisible);
  Click("btnURL");
  EXPECT_EQ(app->browsed, std::vector<std::string>{document});
  CloseMenu();
  EXPECT_EQ(menuHost->particleClears, 2);
}

}  // namespace
}  // namespace dialogtest
