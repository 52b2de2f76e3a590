// The lamps: the switching rule, the win with and without the progress bar,
// the solver behind the hint, and bad level data.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/SliderEditKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "levels/LampsGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

// Lamps of 40 x 30: cel 1 dark, cel 2 bright.
TestImage LampImage() {
  TestImage image;
  image.key = "lamp";
  image.width = 80;
  image.height = 30;
  image.columns = 2;
  image.pixel = [](int x, int) { return x < 40 ? 0xFF202020u : 0xFFFFFF80u; };
  return image;
}

class LampsTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
    RegisterControlKinds();
    RegisterSoundAndEmitterKinds();
  }

  void LoadLamps(std::vector<std::pair<std::string, std::string>> properties, bool withBar = false,
                 bool withImage = true) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(properties));
    if (withImage) root.Property("_keyImg_lamp", "lamp");
    if (withBar) root.Child(Record("barProgress", 6, 500, 500, 100, 20, {{"_fSpeed", "0.25"}}));
    root.Child(Record("sprLeft", 3, 10, 10, 20, 20, {{"_keyImg", "lamp"}}));
    root.Child(Record("effWin", 15, 0, 0, 10, 10));
    LoadLevel({LampImage()}, root);
  }

  static void Press(LampsGame& game, int a, int b) {
    const Lamp& lamp = game.mLamps[a * game.mSize + b];
    game.MouseDown(static_cast<int>(lamp.quad.corner[0].x) + 5, static_cast<int>(lamp.quad.corner[0].y) + 5, 1);
  }

  static int LitCount(const LampsGame& game) {
    return static_cast<int>(
        std::count_if(game.mLamps.begin(), game.mLamps.end(), [](const Lamp& l) { return l.lit != 0; }));
  }

  int Count(const std::string& sound) const {
    return static_cast<int>(std::count(context.sounds.begin(), context.sounds.end(), sound));
  }
};

TEST_F(LampsTest, DefaultsAreFiveByFiveFromOneHundred) {
  LoadLamps({});
  LampsGame game;
  Start(game);
  ASSERT_EQ(game.mLamps.size(), 25u);
  EXPECT_EQ(game.mLamps[0].quad.corner[0].x, 100.0f);
  EXPECT_EQ(game.mLamps[0].quad.corner[0].y, 100.0f);
  // Index a x n + b: a runs along x.
  EXPECT_EQ(game.mLamps[1].quad.corner[0].y, 130.0f);
  EXPECT_EQ(game.mLamps[5].quad.corner[0].x, 140.0f);
  EXPECT_EQ(game.mLamps[24].quad.corner[2].x, 300.0f);
  EXPECT_TRUE(game.HasHint());
  EXPECT_EQ(dynamic_cast<sObjSprite*>(FindObjectByName(level, "sprLeft"))->mFrameColumn, 2);
}

TEST_F(LampsTest, CornerEdgeAndInnerPressesSwitchThreeFourAndFiveAndASecondPressRestores) {
  LoadLamps({{"_iNumQuad", "4"}, {"_iBeginX", "50"}, {"_iBeginY", "60"}, {"_iGapX", "3"}, {"_iGapY", "7"}});
  LampsGame game;
  Start(game);
  EXPECT_EQ(game.mLamps[5].quad.corner[0].x, 93.0f);
  EXPECT_EQ(game.mLamps[5].quad.corner[0].y, 97.0f);
  struct Case {
    int a, b, switched;
  };
  for (const Case& c : {Case{0, 0, 3}, Case{3, 3, 3}, Case{0, 2, 4}, Case{2, 3, 4}, Case{1, 2, 5}}) {
    Press(game, c.a, c.b);
    EXPECT_EQ(LitCount(game), c.switched) << c.a << "," << c.b;
    EXPECT_EQ(game.mLamps[c.a * 4 + c.b].lit, 1);
    Press(game, c.a, c.b);
    EXPECT_EQ(LitCount(game), 0);
  }
  game.MouseDown(10, 10, 1);  // on no lamp
  EXPECT_EQ(Count("SOUND_BTN_CLK"), 10);
}

TEST_F(LampsTest, WithoutABarTheLastPressWinsAtOnce) {
  LoadLamps({{"_iNumQuad", "1"}, {"_sEffDo_1", "effWin"}, {"_sEffDo_2", "nothing"}});
  LampsGame game;
  Start(game);
  EXPECT_EQ(game.mEffects.size(), 1u);
  Press(game, 0, 0);
  EXPECT_TRUE(game.IsWon());
  EXPECT_TRUE(game.mFinished);
  EXPECT_EQ(Count("SOUND_ENERGY_UP"), 1);
  EXPECT_EQ(dynamic_cast<sObjSprite*>(FindObjectByName(level, "sprLeft"))->mFrameColumn, 1);
  Press(game, 0, 0);  // ignored once finished
  EXPECT_EQ(game.mLamps[0].lit, 1);
}

TEST_F(LampsTest, WithABarTheWinComesInTheUpdateTheBarReadsOne) {
  LoadLamps({{"_iNumQuad", "1"}}, /*withBar=*/true);
  LampsGame game;
  Start(game);
  auto* bar = dynamic_cast<sObjSlider*>(FindObjectByName(level, "barProgress"));
  ASSERT_NE(bar, nullptr);
  Press(game, 0, 0);
  EXPECT_EQ(Count("SOUND_ENERGY_UP"), 1);
  EXPECT_FALSE(game.IsWon());
  int updates = 0;
  while (bar->GetValue() != 1.0f && updates < 100) {
    game.Update(++updateCount);
    EXPECT_FALSE(game.IsWon());
    bar->Update(updateCount);  // the level screen updates the objects before the game
    ++updates;
  }
  EXPECT_EQ(updates, 4);  // speed 0.25
  game.Update(++updateCount);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(LampsTest, HintShowsTheSolversPresses) {
  LoadLamps({{"_iNumQuad", "3"}});
  LampsGame game;
  Start(game);
  HintPoint first, second;
  // Everything on but the cross of one press: that press alone solves it.
  for (Lamp& lamp : game.mLamps) lamp.lit = 1;
  game.Toggle(game.mLamps, 1, 2);
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtFirst);
  EXPECT_EQ(first.x, 100.0f + 40.0f + 20.0f);
  EXPECT_EQ(first.y, 100.0f + 60.0f + 15.0f);
  game.Toggle(game.mLamps, 0, 0);
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtBoth);
  EXPECT_EQ(first.x, 120.0f);
  EXPECT_EQ(first.y, 115.0f);
  EXPECT_EQ(second.x, 160.0f);
  EXPECT_EQ(second.y, 175.0f);
  EXPECT_EQ(LitCount(game), 9 - 4 - 3);  // the hint leaves the real lamps alone
  game.Toggle(game.mLamps, 0, 0);
  game.Toggle(game.mLamps, 1, 2);
  EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
}

TEST_F(LampsTest, HintOfAnUnreachableGridShowsTheLastPattern) {
  // On four by four, one lamp lit alone cannot be brought to all on (every
  // press switches an odd number of lamps of one of the parity classes).
  LoadLamps({{"_iNumQuad", "4"}});
  LampsGame game;
  Start(game);
  game.mLamps[0].lit = 1;
  HintPoint first, second;
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtBoth);
  // Pattern 2^n - 1 presses every lamp with a = 0: the first two are (0, 0) and (0, 1).
  EXPECT_EQ(first.x, 120.0f);
  EXPECT_EQ(first.y, 115.0f);
  EXPECT_EQ(second.x, 120.0f);
  EXPECT_EQ(second.y, 145.0f);
  EXPECT_TRUE(std::all_of(game.mChoice.begin(), game.mChoice.end(), [](bool c) { return c; }));
}

TEST_F(LampsTest, BadLampDataLeavesTheGameIdle) {
  struct Case {
    const char* n;
    bool image;
    const char* logged;
  };
  for (const Case& c : {Case{"5", false, "no lamp image"}, Case{"0", true, "\"_iNumQuad\" 0"},
                        Case{"21", true, "\"_iNumQuad\" 21"}, Case{"-3", true, "\"_iNumQuad\" -3"}}) {
    DeleteObjects(level);
    LoadLamps({{"_iNumQuad", c.n}}, false, c.image);
    std::unique_ptr<MiniGame> game(CreateMiniGame("lamps"));
    Start(*game);
    EXPECT_TRUE(game->IsUnplayable()) << c.n;
    EXPECT_TRUE(Logged(c.logged)) << c.n;
    game->MouseDown(110, 110, 1);
    Run(*game, 3);
    game->Draw(graphics);
    HintPoint a, b;
    EXPECT_EQ(game->GetHintPosition(a, b), kHintNone);
    EXPECT_FALSE(game->IsWon());
  }
}

TEST_F(LampsTest, TwentyLampsASideStillGiveAHint) {
  LoadLamps({{"_iNumQuad", "20"}, {"_iBeginX", "0"}, {"_iBeginY", "0"}});
  LampsGame game;
  Start(game);
  EXPECT_FALSE(game.IsUnplayable());
  HintPoint first, second;
  EXPECT_NE(game.GetHintPosition(first, second), kHintNone);
}

}  // namespace
}  // namespace leveltest
