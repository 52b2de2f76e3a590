// The fuse-tile sample level is won in process by its rule.
#include <gtest/gtest.h>

#include "levels/TarnivelleGame.h"
#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

TEST_F(SampleLevelTest, FuseTileSampleIsWonLampByLamp) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_3_3", &error)) << error;
  auto* game = dynamic_cast<Kivo::TarnivelleGame*>(player.Game());
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(game->mRows, 2);
  EXPECT_EQ(game->mColumns, 2);
  // The lamps stand above the board, clear of the top row.
  EXPECT_LT(game->mLamps[0].quads[0].corner[2].y, game->mCells[0].quad.corner[0].y);
  const Kivo::LevelPlayResult result = player.Play(200000);
  EXPECT_TRUE(result.won) << result.failure;
  for (const Kivo::TarnivelleLampColumn& lamps : game->mLamps) EXPECT_EQ(lamps.lit[2], 1);
}

}  // namespace
}  // namespace leveltest
