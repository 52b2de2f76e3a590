// The fuse-tile sample level is won in process by its rule, and every
// fuse-tile board the builder writes holds a path whatever the game deals.
#include <gtest/gtest.h>

#include "levels/TarnivelleGame.h"
#include "tests/levels/sample_level_support.h"
#include "tools/sampledata/levels/FuseTileLevels.h"

namespace leveltest {
namespace {

TEST_F(SampleLevelTest, FuseTileSampleIsWonLampByLamp) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_3_3", &error)) << error;
  auto* game = dynamic_cast<Kivo::TarnivelleGame*>(player.Game());
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(game->mRows, 2);
  EXPECT_EQ(game->mColumns, 3);
  // The lamps stand above the board, clear of the top row.
  EXPECT_LT(game->mLamps[0].quads[0].corner[2].y, game->mCells[0].quad.corner[0].y);
  const Kivo::LevelPlayResult result = player.Play(200000);
  EXPECT_TRUE(result.won) << result.failure;
  for (const Kivo::TarnivelleLampColumn& lamps : game->mLamps) EXPECT_EQ(lamps.lit[2], 1);
}

TEST(FuseTileDeal, ThePathCheckFindsTheDealsWithoutAPath) {
  using Kivo::FuseTile;
  const FuseTile S = FuseTile::kStraight, C = FuseTile::kCorner, T = FuseTile::kTee;
  // Tiles column by column, the top row first.
  const struct {
    int rows, columns;
    std::vector<FuseTile> tiles;
    bool path;
  } cases[] = {
      {1, 1, {S}, true},
      {1, 1, {C}, false},  // a corner cannot join bottom and top
      {2, 1, {S, C}, false},
      {2, 1, {T, T}, true},
      {1, 2, {C, C}, true},         // in at one column, out at the other
      {2, 2, {S, C, C, S}, false},  // the 2 x 2 board's dead deal
      {2, 2, {C, C, C, C}, true},   // round through all four
      {2, 3, {S, C, C, S, C, C}, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Kivo::FuseDealHasPath(c.rows, c.columns, c.tiles), c.path) << c.rows << " x " << c.columns;
  }
  EXPECT_FALSE(Kivo::EveryFuseDealHasPath(2, 2));
  EXPECT_TRUE(Kivo::EveryFuseDealHasPath(2, 3));
}

TEST_F(SampleLevelTest, EveryFuseTileSampleBoardHasAPathWhateverTheDeal) {
  int boards = 0;
  for (int stage = 1; stage <= 40; ++stage) {
    for (int level = 1; level <= 4; ++level) {
      if (Kivo::SampleLevelSlot(stage, level).type != "tarnivelle") continue;
      const std::string scene = "Level_" + std::to_string(stage) + "_" + std::to_string(level);
      Kivo::LevelPlayer player;
      std::string error;
      ASSERT_TRUE(player.Load(scene, &error)) << error;
      auto* game = dynamic_cast<Kivo::TarnivelleGame*>(player.Game());
      ASSERT_NE(game, nullptr) << scene;
      EXPECT_TRUE(Kivo::EveryFuseDealHasPath(game->mRows, game->mColumns))
          << scene << ": " << game->mRows << " x " << game->mColumns;
      ++boards;
    }
  }
  EXPECT_GT(boards, 0);
}

}  // namespace
}  // namespace leveltest
