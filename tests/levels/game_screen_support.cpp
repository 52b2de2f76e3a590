#include "tests/levels/game_screen_support.h"

#include <unistd.h>

#include <fstream>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/TextTables.h"
#include "frontend/GameDialog.h"
#include "ui/WidgetManager.h"

namespace leveltest {

namespace {

constexpr uint32_t kSprite = 3;
constexpr uint32_t kButton = 4;
constexpr uint32_t kText = 5;
constexpr uint32_t kSlider = 6;

DtmRecord Named(const std::string& name, uint32_t type, float left, float top, float width, float height,
                std::vector<std::pair<std::string, std::string>> properties = {}) {
  return Record(name, type, left, top, width, height, std::move(properties));
}

DtmRecord HudButton(const std::string& name, float top) {
  return Named(name, kButton, 690, top, 100, 40, {{"_keyImg", "btn4"}});
}

DtmRecord HudText(const std::string& name, const std::string& key, float top) {
  return Named(name, kText, 690, top, 100, 30, {{"_keyText", key}, {"_sFont", "FONT_GENERAL"}});
}

void WriteTexts(const std::string& path) {
  const std::wstring lines =
      L"timeFormat\t%d:%02d\n"
      L"itemsFormat\t%d\n"
      L"badItems\t%s left %n\n"
      L"easyBarTime\tRelaxed\n"
      L"level_up\tLevel up\n"
      L"congra\tWell done\n"
      L"no_time\tOut of time\n"
      L"straf\tPenalty\n"
      L"pause\tPause\n";
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : lines) bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(GameTextTable().Load(path));
}

}  // namespace

void GameScreenTest::SetUp() {
  MiniGameKit::SetUp();
  RegisterDrawingKinds();
  RegisterControlKinds();
  mPreviousKind = RegisterObjectKind(kEffectType, [] { return new EffectProbe(); });
  char previous[4096] = {};
  if (getcwd(previous, sizeof previous) != nullptr) mPreviousFolder = previous;
  ASSERT_EQ(chdir(mWork.path().c_str()), 0);
  WriteTexts(mWork / "data.txt");
  host = std::make_unique<TestLevelHost>(mWork / "profile.dat");
  ASSERT_TRUE(host->profiles.Create(L"Tester", false, false));
}

void GameScreenTest::TearDown() {
  if (screen != nullptr) app->mWidgetManager->RemoveChild(screen.get());
  screen.reset();
  while (!app->mDialogMap.empty()) {
    Dialog* dialog = app->mDialogMap.begin()->second;
    app->RemoveDialog(app->mDialogMap.begin()->first, true, false);
    delete dialog;
  }
  app->ProcessDeletionQueue();
  GameTextTable().Clear();
  RegisterObjectKind(kEffectType, mPreviousKind);
  if (!mPreviousFolder.empty()) {
    EXPECT_EQ(chdir(mPreviousFolder.c_str()), 0);
  }
  MiniGameKit::TearDown();
}

DtmRecord GameScreenTest::Hud(const std::vector<std::string>& without, const std::string& timeKey,
                              const std::string& itemsKey) {
  std::vector<DtmRecord> children = {
      Named("progressBarTime", kSlider, 690, 10, 100, 10),
      HudText("txtTime", timeKey, 25),
      HudButton("btnHint", 60),
      Named("progressBarHint", kSlider, 690, 105, 100, 10),
      HudButton("btnSkip", 120),
      Named("progressBarSkip", kSlider, 690, 165, 100, 10),
      Named("effHintClosed", kEffectType, 0, 0, 10, 10),
      Named("sprDisabledHint", kSprite, 690, 60, 100, 40),
      Named("sprDisabledList", kSprite, 690, 200, 100, 200),
      Named("sprDisabledItems", kSprite, 690, 420, 100, 40),
      Named("sprDisabledTime", kSprite, 690, 10, 100, 40),
      Named("progressBarItems", kSlider, 690, 470, 100, 10),
      HudText("txtItems", itemsKey, 485),
      Named("sprCross", kSprite, 0, 0, 32, 32),
      HudButton("btnMenu", 540),
      HudButton("btnPurpose", 500),
  };
  DtmRecord root = Named("hud", kSprite, 680, 0, 120, 600);
  for (DtmRecord& child : children) {
    bool skipped = false;
    for (const std::string& name : without) skipped = skipped || child.name == name;
    if (!skipped) root.Child(child);
  }
  return root;
}

DtmRecord GameScreenTest::Level(std::vector<std::pair<std::string, std::string>> properties) {
  properties.insert(properties.begin(), {"type_game", "scripted"});
  DtmRecord root = Named("level", kSprite, 0, 0, 680, 600, std::move(properties));
  root.Child(Named("fake_back", kSprite, 0, 0, 680, 600));
  root.Child(Named("effHint", kEffectType, 0, 0, 10, 10));
  return root;
}

void GameScreenTest::Build(const DtmRecord& level, const DtmRecord& hud) {
  std::vector<std::pair<std::string, DtmRecord>> scenes;
  if (!level.name.empty()) scenes.push_back({"Level_1_1", level});
  if (!hud.name.empty()) scenes.push_back({"mnGame", hud});
  TestImage button = SolidImage("btn4", 400, 40);
  button.columns = 4;
  UseImages({button}, scenes);
  screen = std::make_unique<GameScreen>(*host, "Level_1_1", [this](const std::string& type) -> MiniGame* {
    if (type != "scripted") return nullptr;
    game = new ScriptedGame();
    return game;
  });
  screen->Resize(0, 0, 800, 600);
  app->mWidgetManager->AddChild(screen.get());
  screen->StartLevel();
}

void GameScreenTest::Play(std::vector<std::pair<std::string, std::string>> properties) {
  Build(Level(std::move(properties)));
  screen->SetDialogState(2);
}

void GameScreenTest::Step(int n) {
  for (int i = 0; i < n; ++i) screen->Update();
}

void GameScreenTest::WriteTutorial(const std::string& script) { mWork.Write("data/tutorial/tut_1_1.txt", script); }

int GameScreenTest::CountSound(const std::string& id) const {
  int count = 0;
  for (const std::string& sound : context.sounds) count += sound == id ? 1 : 0;
  return count;
}

GameDialog* GameScreenTest::OpenDialog(int id) const {
  auto found = app->mDialogMap.find(id);
  return found == app->mDialogMap.end() ? nullptr : dynamic_cast<GameDialog*>(found->second);
}

}  // namespace leveltest
