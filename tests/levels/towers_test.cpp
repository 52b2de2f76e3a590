// The towers of disks: set-up and stacking, the timed and eased motions, the
// carry states with their refusals, bobbing, glows, and bad level data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/ObjectKinds.h"
#include "levels/MiniGameFactory.h"
#include "levels/TowersGame.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

// Towers of 20 x 200 at x = 100, 300, 500 (tops at y 200); disks of height
// 20 and widths 120, 90, 60 with their reference points at their centres.
class TowersTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
  }

  void LoadTowers(int towers, int disks, bool centred = true) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    for (int t = 0; t < towers; ++t) {
      root.Child(Record("sprTower" + std::to_string(t), 3, 100.0f + 200.0f * t, 200, 20, 200, {{"_keyImg", "tower"}}));
    }
    for (int d = 0; d < disks; ++d) {
      const float width = 120.0f - 30.0f * d;
      std::vector<std::pair<std::string, std::string>> props = {{"_keyImg", "disk"}};
      if (centred) {
        props.push_back({"_iCenterX", std::to_string(static_cast<int>(width / 2))});
        props.push_back({"_iCenterY", "10"});
      }
      // Placed by the data anywhere; the set-up stacks them on the first tower.
      root.Child(Record("sprDisk" + std::to_string(d), 3, 110.0f - width / 2, 370.0f - 20.0f * d, width, 20, props));
      root.Child(Record("sprDisk" + std::to_string(d) + "_front", 3, 0, 0, width, 20, {{"_keyImg", "front"}}));
    }
    LoadLevel({SolidImage("tower", 20, 200, 0xFF806040u), SolidImage("disk", 40, 20, 0xFF2040C0u),
               SolidImage("front", 40, 20, 0xFF4060E0u)},
              root);
  }

  // Pointer over tower t, then a release there.
  void ClickTower(TowersGame& game, int t) {
    const int x = 110 + 200 * t;
    game.MouseMove(x, 300);
    game.MouseUp(x, 300, 1);
  }

  // Updates until the carry state is idle (at most 1000).
  int Settle(TowersGame& game) {
    int n = 0;
    do {
      game.Update(++updateCount);
      ++n;
    } while (game.mState != TowersGame::kIdle && n < 1000);
    return n;
  }
};

TEST_F(TowersTest, DisksStackOnTheFirstTowerAndEverythingHides) {
  LoadTowers(3, 3);
  TowersGame game;
  Start(game);
  ASSERT_EQ(game.mTowers.size(), 3u);
  ASSERT_EQ(game.mDisks.size(), 3u);
  EXPECT_EQ(game.mTowers[0].disks, (std::vector<int>{0, 1, 2}));
  for (sObj* object : level) {
    if (object->mName != "level") {
      EXPECT_FALSE(object->mVisible) << object->mName;
    }
  }
  // Disk 0's reference point was at (110, 380): the base; each disk rests on
  // the one below, pictures touching.
  const float bottom = game.mDisks[0].back.displayQuad.corner[2].y;
  EXPECT_FLOAT_EQ(bottom, 380.0f);
  EXPECT_FLOAT_EQ(game.mDisks[1].back.displayQuad.corner[2].y, game.mDisks[0].back.displayQuad.corner[0].y);
  EXPECT_FLOAT_EQ(game.mDisks[2].back.displayQuad.corner[2].y, game.mDisks[1].back.displayQuad.corner[0].y);
  EXPECT_FLOAT_EQ(game.mDisks[2].position.x, 110.0f);
  EXPECT_EQ(game.mTowers[2].baseY, game.mTowers[0].baseY);
  Run(game, 1);
  EXPECT_FALSE(game.IsWon());
}

TEST_F(TowersTest, WithoutReferencePointsDisksDrawHalfTheirHeightLower) {
  LoadTowers(2, 2, /*centred=*/false);
  TowersGame game;
  Start(game);
  // The reference point is the top-left corner, placed at (50, 370): the
  // stack's base. The bottom disk ends half its height below it.
  const Quad& lower = game.mDisks[0].back.displayQuad;
  const Quad& upper = game.mDisks[1].back.displayQuad;
  EXPECT_FLOAT_EQ(lower.corner[2].y, 370.0f + 10.0f);
  EXPECT_FLOAT_EQ(lower.corner[0].y, upper.corner[2].y);
}

TEST_F(TowersTest, OneTowerIsWonAtTheFirstUpdate) {
  LoadTowers(1, 3);
  TowersGame game;
  Start(game);
  EXPECT_FALSE(game.IsWon());
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(TowersTest, LiftRisesToAHundredPixelsAboveTheTowerEasedOverTwoMsAPixel) {
  LoadTowers(3, 3);
  TowersGame game;
  Start(game);
  TowerDisk& top = game.mDisks[2];
  const Vector2 from = top.position;
  ClickTower(game, 0);
  EXPECT_EQ(game.mState, TowersGame::kLifting);
  EXPECT_EQ(game.mCarried, 2);
  EXPECT_TRUE(top.glowOn);
  // Bottom edge 100 pixels above the tower's top edge.
  EXPECT_FLOAT_EQ(top.target.y + 10.0f, 200.0f - 100.0f);
  EXPECT_FLOAT_EQ(top.target.x, 110.0f);
  const float distance = Vec2::Distance(from, top.target);
  EXPECT_EQ(top.duration, static_cast<uint32_t>(distance / 0.5f));
  // Half-way at half time: a motion of 200 ms over 10 updates.
  top.StartMotion(top.position.x, top.position.y - 80.0f, 200);
  for (int i = 0; i < 10; ++i) top.Step(10);
  EXPECT_NEAR(top.position.y, from.y - 40.0f, 1e-3f);
  for (int i = 0; i < 4; ++i) top.Step(10);
  EXPECT_LT(top.position.y, from.y - 40.0f - 20.0f);  // eased: faster in the middle
  for (int i = 0; i < 6; ++i) top.Step(10);
  EXPECT_TRUE(top.MotionEnded());
  EXPECT_FLOAT_EQ(top.position.y, from.y - 80.0f);
}

TEST_F(TowersTest, ACarriedDiskBobsFivePixelsOnceASecond) {
  LoadTowers(3, 3);
  TowersGame game;
  Start(game);
  ClickTower(game, 0);
  Settle(game);
  TowerDisk& disk = game.mDisks[2];
  ASSERT_TRUE(disk.bobbing);
  ASSERT_EQ(disk.bobPhase, 0u);
  struct Sample {
    int ms;
    float raised;
  };
  int at = 0;
  for (const Sample& s : {Sample{250, 5.0f}, Sample{500, 0.0f}, Sample{750, -5.0f}, Sample{1000, 0.0f}}) {
    for (; at < s.ms; at += 10) game.Update(++updateCount);
    EXPECT_NEAR(disk.position.y - disk.back.y, s.raised, 1e-3f) << s.ms;
  }
  EXPECT_EQ(disk.bobPhase, 0u);
}

TEST_F(TowersTest, GlowsFadeOverThreeHundredMsUpToAlphaFortyEight) {
  LoadTowers(3, 3);
  TowersGame game;
  Start(game);
  game.MouseMove(310, 300);  // empty tower 1
  for (int i = 0; i < 15; ++i) game.Update(++updateCount);
  EXPECT_EQ(game.mTowers[1].glowLevel, 150u);
  screen.calls.clear();
  game.Draw(graphics);
  int glows = 0;
  for (const kindstest::DrawCall& call : screen.calls) {
    if (call.mode != 5) continue;
    ++glows;
    EXPECT_EQ(call.color, Color(255, 255, 255, 150 * 48 / 300));
  }
  EXPECT_EQ(glows, 1);
  for (int i = 0; i < 30; ++i) game.Update(++updateCount);
  EXPECT_EQ(game.mTowers[1].glowLevel, 300u);
  game.MouseMove(10, 10);
  for (int i = 0; i < 31; ++i) game.Update(++updateCount);
  EXPECT_EQ(game.mTowers[1].glowLevel, 0u);
  // Over tower 0 the tower and its top disk glow.
  game.MouseMove(110, 390);
  EXPECT_TRUE(game.mTowers[0].glowOn);
  EXPECT_TRUE(game.mDisks[2].glowOn);
  EXPECT_FALSE(game.mDisks[1].glowOn);
}

TEST_F(TowersTest, MovesAreTakenOnlyWhenIdleAndSettingDownOnTheSourceIsAtOnce) {
  LoadTowers(3, 3);
  TowersGame game;
  Start(game);
  ClickTower(game, 0);
  game.Update(++updateCount);
  ClickTower(game, 1);  // lifting: ignored
  EXPECT_EQ(game.mWorking, 0);
  EXPECT_EQ(game.mState, TowersGame::kLifting);
  Settle(game);
  ClickTower(game, 0);
  EXPECT_EQ(game.mState, TowersGame::kSettingDown);
  Settle(game);
  EXPECT_EQ(game.mTowers[0].disks, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(game.mCarried, -1);
  EXPECT_EQ(game.mWorking, -1);
  // An empty tower gives nothing to lift; a click outside every tower does nothing.
  ClickTower(game, 2);
  EXPECT_EQ(game.mState, TowersGame::kIdle);
  game.MouseMove(5, 5);
  game.MouseUp(5, 5, 1);
  EXPECT_EQ(game.mCarried, -1);
}

TEST_F(TowersTest, ARefusedDropDipsAndRisesAboveTheNewTower) {
  LoadTowers(3, 3);
  TowersGame game;
  Start(game);
  // Disk 2 to tower 1.
  ClickTower(game, 0);
  Settle(game);
  ClickTower(game, 1);
  EXPECT_EQ(game.mState, TowersGame::kCarrying);
  Settle(game);
  EXPECT_EQ(game.mTowers[1].disks, (std::vector<int>{2}));
  // Disk 1 onto disk 2: refused.
  ClickTower(game, 0);
  Settle(game);
  ClickTower(game, 1);
  std::vector<int> states{game.mState};
  for (int i = 0; i < 1000 && game.mState != TowersGame::kIdle; ++i) {
    game.Update(++updateCount);
    if (game.mState != states.back()) states.push_back(game.mState);
  }
  EXPECT_EQ(states, (std::vector<int>{4, 5, 6, 0}));
  EXPECT_EQ(game.mCarried, 1);
  EXPECT_EQ(game.mWorking, 1);
  EXPECT_TRUE(game.mDisks[1].bobbing);
  EXPECT_FLOAT_EQ(game.mDisks[1].position.x, 310.0f);
  // Refused again on the working tower: straight to the dip.
  ClickTower(game, 1);
  EXPECT_EQ(game.mState, TowersGame::kRefusedDip);
  EXPECT_FALSE(game.mDisks[1].bobbing);
}

TEST_F(TowersTest, SevenMovesWinThreeDisks) {
  LoadTowers(3, 3);
  TowersGame game;
  Start(game);
  const int moves[7][2] = {{0, 2}, {0, 1}, {2, 1}, {0, 2}, {1, 0}, {1, 2}, {0, 2}};
  for (const auto& move : moves) {
    EXPECT_FALSE(game.IsWon());
    ClickTower(game, move[0]);
    Settle(game);
    ClickTower(game, move[1]);
    Settle(game);
  }
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(game.mTowers[2].disks, (std::vector<int>{0, 1, 2}));
}

TEST_F(TowersTest, WithoutTowersTheLevelIsUnplayable) {
  LoadTowers(0, 2);
  std::unique_ptr<MiniGame> game(CreateMiniGame("towers"));
  ASSERT_NE(game, nullptr);
  Start(*game);
  EXPECT_TRUE(game->IsUnplayable());
  EXPECT_TRUE(Logged("(towers) cannot be played: no \"sprTower0\""));
  game->MouseMove(110, 300);
  game->MouseUp(110, 300, 1);
  Run(*game, 3);
  game->Draw(graphics);
  EXPECT_FALSE(game->IsWon());
  HintPoint a, b;
  EXPECT_EQ(game->GetHintPosition(a, b), kHintNone);
}

}  // namespace
}  // namespace leveltest
