// Star map: scattering with the engine's LCG, dragging axis by axis around
// the sky's border and the small map, snapping and fixing on places of the
// star's type, glow and spin, the sky's pulse and fade, and levels without
// stars or without the small map.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/GameUtils.h"
#include "levels/MiniGameFactory.h"
#include "levels/StarmapGame.h"
#include "tests/levels/kinds_kit.h"

namespace leveltest {
namespace {

DtmRecord Star(int n, int type, float left, float top) {
  return Record("sprStar" + std::to_string(n), 3, left, top, 20, 20,
                {{"_keyImg", "star"}, {"_iStarType" + std::string(n == 1 ? "X" : ""), std::to_string(type)}});
}

class StarmapTest : public KindsKit {
 protected:
  // Sky 0..600 x 0..500, small map 450..600 x 350..500; stars of types 0,
  // 1, 0 on their places at x = 100, 200, 300.
  void LoadSky(bool withMap = true, bool withStars = true) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    root.Child(Record("sprStarTrack", 3, 0, 0, 600, 500, {{"_keyImg", "sky"}}));
    if (withMap) root.Child(Record("sprStarMini", 3, 450, 350, 150, 150, {{"_keyImg", "sky"}}));
    if (withStars) root.Child(Star(0, 0, 90, 90)).Child(Star(1, 1, 190, 90)).Child(Star(2, 0, 290, 90));
    LoadLevel({SolidImage("sky", 60, 50), SolidImage("star", 20, 20)}, root);
  }
  // Puts star i at (x, y) as if dragged there.
  void Put(StarmapGame& game, int i, float x, float y) {
    Kivo::Star& star = game.mStars[static_cast<size_t>(i)];
    star.centreX = x;
    star.centreY = y;
    star.quad = kindstest::BoxQuad(x - 10, y - 10, x + 10, y + 10);
  }
  void Drag(StarmapGame& game, int x, int y, int toX, int toY) {
    game.MouseMove(x, y);
    game.MouseDown(x, y, 1);
    game.MouseMove(toX, toY);
    game.MouseUp(toX, toY, 1);
  }
};

TEST_F(StarmapTest, ScatterKeepsTheLastTryOutsideTheSmallMapsColumnAndRow) {
  LoadSky();
  // The same draws, made by hand: twinkle and spin per star, then 100 tries
  // of x and y per star.
  LcgRandom lcg;
  lcg.Seed(1);
  std::vector<float> expectX, expectY;
  for (int i = 0; i < 3; ++i) {
    lcg.Int(1000);
    lcg.Int(2);
  }
  for (int i = 0; i < 3; ++i) {
    float keptX = 100.0f + 100.0f * static_cast<float>(i), keptY = 100.0f;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const float x = static_cast<float>(lcg.Int(600 - 40)) + 20.0f;
      const float y = static_cast<float>(lcg.Int(500 - 40)) + 20.0f;
      const bool column = x + 10 > 450.0f;  // box 20 wide against 450..600
      const bool row = y + 10 > 350.0f;
      if (!column && !row) {
        keptX = x;
        keptY = y;
      }
    }
    expectX.push_back(keptX);
    expectY.push_back(keptY);
  }
  StarmapGame game;
  Start(game);
  ASSERT_EQ(game.mStars.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(game.mStars[i].centreX, expectX[i]) << i;
    EXPECT_FLOAT_EQ(game.mStars[i].centreY, expectY[i]) << i;
    EXPECT_FALSE(Object("sprStar" + std::to_string(i))->mVisible);
  }
  EXPECT_EQ(game.mStars[1].type, 1);  // "_iStarTypeX" counts: the key only begins so
  EXPECT_FLOAT_EQ(game.mPlaces[2].centreX, 300.0f);
  EXPECT_EQ(Object("sprStarTrack")->mAlpha, 0);
}

TEST_F(StarmapTest, NoAcceptedTryLeavesTheStarOnItsPlace) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Record("sprStarTrack", 3, 0, 0, 600, 500, {{"_keyImg", "sky"}}))
      .Child(Record("sprStarMini", 3, 0, 0, 600, 20, {{"_keyImg", "sky"}}))  // spans every column
      .Child(Star(0, 0, 90, 90));
  LoadLevel({SolidImage("sky", 60, 50), SolidImage("star", 20, 20)}, root);
  StarmapGame game;
  Start(game);
  EXPECT_FLOAT_EQ(game.mStars[0].centreX, 100.0f);
  EXPECT_FLOAT_EQ(game.mStars[0].centreY, 100.0f);
  EXPECT_EQ(game.mStars[0].placed, 0);
}

TEST_F(StarmapTest, DragSlidesAlongTheSkyBorderAndTheSmallMap) {
  LoadSky();
  StarmapGame game;
  Start(game);
  Put(game, 1, 300, 300);
  game.MouseMove(300, 300);
  game.MouseDown(300, 300, 1);
  ASSERT_EQ(game.mDragged, 1);
  game.MouseMove(650, 250);  // beyond the right border: only y follows
  EXPECT_FLOAT_EQ(game.mStars[1].centreX, 300.0f);
  EXPECT_FLOAT_EQ(game.mStars[1].centreY, 250.0f);
  game.MouseMove(440, 250);  // the box 430..450 ends where the map's columns begin
  EXPECT_FLOAT_EQ(game.mStars[1].centreX, 440.0f);
  game.MouseMove(445, 400);  // x passes (rows differ); y would put the box on the map
  EXPECT_FLOAT_EQ(game.mStars[1].centreX, 445.0f);
  EXPECT_FLOAT_EQ(game.mStars[1].centreY, 250.0f);
  game.MouseMove(460, 340);  // the box 330..350 ends where the map's rows begin
  EXPECT_FLOAT_EQ(game.mStars[1].centreX, 460.0f);
  EXPECT_FLOAT_EQ(game.mStars[1].centreY, 340.0f);
  game.MouseMove(460, 345);  // one step further would overlap
  EXPECT_FLOAT_EQ(game.mStars[1].centreY, 340.0f);
  game.MouseMove(460, 0);  // a pointer on the sky's border is refused
  EXPECT_FLOAT_EQ(game.mStars[1].centreY, 340.0f);
  game.MouseUp(460, 250, 1);  // let go elsewhere
  EXPECT_EQ(game.mDragged, -1);
  EXPECT_EQ(game.mStars[1].placed, 0);  // let go elsewhere: still free
}

TEST_F(StarmapTest, StarsSnapOntoFreePlacesOfTheirTypeAndAreFixedThere) {
  LoadSky();
  StarmapGame game;
  Start(game);
  Put(game, 0, 100, 300);
  Put(game, 1, 200, 300);
  Put(game, 2, 300, 300);
  // Star 0 (type 0) over place 1 (type 1): no snap; let go it stays there.
  Drag(game, 100, 300, 203, 104);
  EXPECT_FLOAT_EQ(game.mStars[0].centreX, 203.0f);
  EXPECT_EQ(game.mStars[0].placed, 0);
  // Over place 2 (type 0) it snaps while dragged, then follows again.
  game.MouseMove(203, 104);
  game.MouseDown(203, 104, 1);
  game.MouseMove(305, 95);
  EXPECT_FLOAT_EQ(game.mStars[0].centreX, 300.0f);
  EXPECT_FLOAT_EQ(game.mStars[0].centreY, 100.0f);
  game.MouseMove(330, 150);
  EXPECT_FLOAT_EQ(game.mStars[0].centreX, 330.0f);
  game.MouseUp(296, 104, 1);  // released over place 2: fixed on it
  EXPECT_EQ(game.mStars[0].placed, 1);
  EXPECT_FLOAT_EQ(game.mStars[0].centreX, 300.0f);
  EXPECT_EQ(game.mPlaces[2].free, 0);
  EXPECT_EQ(game.mPlacedCount, 1);
  // A fixed star cannot be picked; star 2 cannot take the taken place.
  EXPECT_EQ(game.StarAt(300, 100), -1);
  Drag(game, 300, 300, 300, 100);
  EXPECT_EQ(game.mStars[2].placed, 0);
  Drag(game, 300, 100, 100, 100);  // but place 0 of its type is free
  EXPECT_EQ(game.mStars[2].placed, 1);
  Drag(game, 200, 300, 200, 100);
  EXPECT_EQ(game.mPlacedCount, 3);
  // Fixed stars spin by pi/100 per update; the sky fades in, then the win.
  const float before = game.mStars[1].angle;
  Run(game, 1);
  const float turned = std::fabs(game.mStars[1].angle - before);
  EXPECT_NEAR(std::min(turned, 6.2831855f - turned), 0.0314159f, 1e-5f);
  EXPECT_EQ(game.mFadeStarted, 1);
  int updates = 1;
  while (!game.IsWon() && updates < 200) {
    Run(game, 1);
    ++updates;
  }
  EXPECT_LE(updates, 100);
  EXPECT_EQ(game.mFade, 1000u);
  EXPECT_EQ(Object("sprStarTrack")->mAlpha, 255);
}

TEST_F(StarmapTest, HoverGlowsUpTo300msAndDrawsTheGlowInColourMode) {
  LoadSky();
  StarmapGame game;
  Start(game);
  Put(game, 0, 100, 300);
  game.MouseMove(100, 300);
  EXPECT_TRUE(game.mStars[0].hovered);
  Run(game, 20);
  EXPECT_EQ(game.mStars[0].glow, 200u);
  Run(game, 20);
  EXPECT_EQ(game.mStars[0].glow, 300u);
  ViewPairingImage target;
  Graphics g(&target);
  game.Draw(g);
  EXPECT_EQ(target.depth, 0);
  // The sky, the map, then star 0 twice (plain at 150, glow at 48), stars 1, 2.
  ASSERT_EQ(target.calls.size(), 6u);
  EXPECT_EQ(target.calls[2].color.alpha, 150);
  EXPECT_EQ(target.calls[2].mode, 0);
  EXPECT_EQ(target.calls[3].color.alpha, 48);
  EXPECT_EQ(target.calls[3].mode, 5);
  game.MouseMove(700, 550);
  EXPECT_FALSE(game.mStars[0].hovered);
  Run(game, 5);
  EXPECT_EQ(game.mStars[0].glow, 250u);
}

TEST_F(StarmapTest, SkyPulsesBetween0And32OverFiveSeconds) {
  LoadSky();
  StarmapGame game;
  Start(game);
  int low = 255, high = 0;
  for (int i = 0; i < 500; ++i) {
    Run(game, 1);
    low = std::min(low, Object("sprStarTrack")->mAlpha);
    high = std::max(high, Object("sprStarTrack")->mAlpha);
  }
  EXPECT_EQ(game.mPulse, 0u);  // 500 updates of 10 ms: a whole period
  EXPECT_EQ(low, 0);
  EXPECT_GE(high, 31);
  EXPECT_LE(high, 32);
  EXPECT_FALSE(game.IsWon());
}

TEST_F(StarmapTest, NoStarsIsWonWithinOneSecond) {
  LoadSky(true, false);
  std::unique_ptr<MiniGame> game(CreateMiniGame("starmap"));
  ASSERT_NE(dynamic_cast<StarmapGame*>(game.get()), nullptr);
  Start(*game);
  Run(*game, 100);
  EXPECT_TRUE(game->IsWon());
}

TEST_F(StarmapTest, MissingSmallMapIsUnplayable) {
  LoadSky(false, false);
  StarmapGame game;
  Start(game);
  EXPECT_TRUE(game.IsUnplayable());
  EXPECT_TRUE(Logged("sprStarMini"));
  game.MouseMove(100, 100);
  game.MouseDown(100, 100, 1);
  Run(game, 200);
  EXPECT_FALSE(game.IsWon());
  ViewPairingImage target;
  Graphics g(&target);
  game.Draw(g);
  EXPECT_EQ(target.depth, 0);
}

}  // namespace
}  // namespace leveltest
