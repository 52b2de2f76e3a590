// Dusk: patches lightened 40 alpha a click and cleared at 40 or less, the
// earlier patch taking the click, misses that never count, and the
// percentage counter through the level's template.
#include <gtest/gtest.h>

#include <memory>

#include "engine/TextTables.h"
#include "levels/DuskGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/effect_probe.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

using Props = std::vector<std::pair<std::string, std::string>>;

DtmRecord Patch(const std::string& name, float x, float y, int alpha, const std::string& group = "3") {
  return Record(name, 7, x, y, 40, 40, {{"_keyImg", "dark"}, {"_iGroup", group}, {"_iAlph", std::to_string(alpha)}});
}

class DuskTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterLevelKinds();
  }
  void TearDown() override {
    GameTextTable().Clear();
    MiniGameKit::TearDown();
  }
  // Texts of data.txt, "key TAB text" lines.
  void Texts(const std::string& lines) {
    std::string bytes = "\xFF\xFE";
    for (char c : lines) bytes += std::string{c, '\0'};
    ASSERT_TRUE(GameTextTable().Load(folder.Write("data.txt", bytes)));
  }
  void LoadPatches(std::vector<DtmRecord> patches, Props props = {{"_keyTextStayShablon", "stay"}}) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(props));
    for (DtmRecord& patch : patches) root.Child(std::move(patch));
    root.Child(Record("effDusk", 15, 0, 0, 1, 1));
    root.Child(Record("effSleif", 15, 0, 0, 1, 1));
    LoadLevel({SolidImage("dark", 40, 40, 0xFF000000u)}, root);
  }
  sObj* Object(const std::string& name) { return FindObjectByName(level, name); }
};

TEST_F(DuskTest, ClicksToClearFollowTheAlpha) {
  struct Case {
    int alpha;
    std::vector<int> after;  // alpha after each click; the last one clears
  };
  const Case cases[] = {
      {255, {215, 175, 135, 95, 55, 15, 0}},
      {41, {1, 0}},
      {40, {0}},
  };
  for (const Case& c : cases) {
    DeleteObjects(level);
    context.sounds.clear();
    ObjectEventLog events;
    LoadPatches({Patch("patch", 100, 100, c.alpha)});
    DuskGame game;
    Start(game);
    sObj* patch = Object("patch");
    for (size_t i = 0; i < c.after.size(); ++i) {
      EXPECT_FALSE(game.IsWon()) << c.alpha;
      game.MouseDown(120, 120, 1);
      EXPECT_EQ(patch->mAlpha, c.after[i]) << c.alpha << " click " << i + 1;
    }
    EXPECT_TRUE(game.IsWon()) << c.alpha;
    std::vector<std::string> expected(c.after.size() - 1, "SOUND_DUSK");
    expected.push_back("SOUND_FIND");
    EXPECT_EQ(context.sounds, expected);
    // The trail at the clearing click, before the dusk effect; the dusk effect at every click.
    const std::vector<std::string>& all = events.Events();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2], "start effSleif 120 120");
    EXPECT_EQ(events.With("start effDusk 120 120").size(), c.after.size());
    // A cleared patch is never hit again: its place is a miss now.
    game.MouseDown(120, 120, 1);
    EXPECT_TRUE(game.mMissCrossRequest);
  }
}

TEST_F(DuskTest, MissesShowTheCrossButNeverCountAndRightPressesDoNothing) {
  context.hardMode = 1;
  LoadPatches({Patch("patch", 100, 100, 255)}, {{"_iTimeMinut", "5"}});
  DuskGame game;
  Start(game);
  for (int i = 0; i < 4; ++i) {
    game.mMissCrossRequest = false;
    game.MouseDown(500, 500, 1);
    EXPECT_TRUE(game.mMissCrossRequest);
    EXPECT_EQ(game.mMissPoint.x, 500.0f);
  }
  EXPECT_EQ(game.mMissCount, 0);
  EXPECT_FALSE(game.mPenaltyNotice);
  game.mMissCrossRequest = false;
  game.MouseDown(120, 120, -1);
  EXPECT_EQ(Object("patch")->mAlpha, 255);
  EXPECT_FALSE(game.mMissCrossRequest);
  EXPECT_TRUE(context.sounds.empty());
}

TEST_F(DuskTest, EarlierPatchTakesTheClickAndTheHintFollowsLevelOrder) {
  LoadPatches({Patch("first", 100, 100, 40), Patch("second", 120, 120, 40), Patch("other", 300, 300, 40, "2")});
  DuskGame game;
  Start(game);
  ASSERT_EQ(game.mPatches.size(), 2u);
  HintPoint point, unused;
  ASSERT_EQ(game.GetHintPosition(point, unused), kHintAtFirst);
  EXPECT_EQ(point.x, 120.0f);   // the centre of "first"
  game.MouseDown(130, 130, 1);  // inside both
  EXPECT_EQ(Object("first")->mAlpha, 0);
  EXPECT_EQ(Object("second")->mAlpha, 40);
  ASSERT_EQ(game.GetHintPosition(point, unused), kHintAtFirst);
  EXPECT_EQ(point.x, 140.0f);
  game.MouseDown(310, 310, 1);  // not a patch (group 2)
  EXPECT_TRUE(game.mMissCrossRequest);
  game.MouseDown(130, 130, 1);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(game.GetHintPosition(point, unused), kHintNone);
}

TEST_F(DuskTest, CounterShowsTheTruncatedPercentThroughTheTemplate) {
  Texts("stay\tLeft: %d\n");
  LoadPatches({Patch("a", 0, 0, 40), Patch("b", 100, 0, 40), Patch("c", 200, 0, 40)});
  DuskGame game;
  Start(game);
  std::wstring text;
  EXPECT_EQ(game.UpdateItemsText(L"ignored %d", text), 0.0f);
  EXPECT_EQ(text, L"Left: 0%");
  game.MouseDown(10, 10, 1);
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"", text), 1.0f / 3.0f);
  EXPECT_EQ(text, L"Left: 33%");
  game.MouseDown(110, 10, 1);
  game.UpdateItemsText(L"", text);
  EXPECT_EQ(text, L"Left: 66%");
  game.MouseDown(210, 10, 1);
  EXPECT_EQ(game.UpdateItemsText(L"", text), 1.0f);
  EXPECT_EQ(text, L"Left: 100%");
}

TEST_F(DuskTest, NoPatchesReadZeroPercentAndAStringTemplateIsNotFormattedAsText) {
  Texts("stay\t%d\nbad\t%s and %d\n");
  LoadPatches({});
  DuskGame empty;
  Start(empty);
  std::wstring text;
  EXPECT_EQ(empty.UpdateItemsText(L"", text), 0.0f);
  EXPECT_EQ(text, L"0%");
  Run(empty, 10);
  EXPECT_FALSE(empty.IsWon());

  DeleteObjects(level);
  LoadPatches({Patch("a", 0, 0, 40), Patch("b", 100, 0, 40)}, {{"_keyTextStayShablon", "bad"}});
  DuskGame game;
  Start(game);
  game.MouseDown(10, 10, 1);
  game.UpdateItemsText(L"", text);
  EXPECT_EQ(text, L"%s and 50%");

  // A key data.txt lacks: only the sign.
  DeleteObjects(level);
  LoadPatches({Patch("a", 0, 0, 40)}, {{"_keyTextStayShablon", "missing"}});
  DuskGame bare;
  Start(bare);
  bare.UpdateItemsText(L"", text);
  EXPECT_EQ(text, L"%");
}

TEST(DuskFactory, MakesTheKind) {
  std::unique_ptr<MiniGame> game(CreateMiniGame("dusk"));
  EXPECT_NE(dynamic_cast<DuskGame*>(game.get()), nullptr);
}

}  // namespace
}  // namespace leveltest
