// The picture puzzles' sample levels: each sits at its place in the game
// with the data the kind needs, and every appearance of every kind is won in
// process by the kind's autoplay rule.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "levels/CirclePuzzleGame.h"
#include "levels/LampsGame.h"
#include "levels/PictQuadGames.h"
#include "levels/PuzzleGame.h"
#include "levels/TowersGame.h"
#include "tests/levels/sample_level_support.h"
#include "tools/sampledata/SampleLevels.h"

namespace leveltest {
namespace {

// Every level of the game that plays one of the picture puzzles.
std::vector<SampleCase> PictureLevels() {
  const std::set<std::string> kinds = {"pict_move", "pict_rotate", "pict_15", "pict_puzzle",
                                       "lamps",     "towers",      "puzzle",  "circlepuzzle"};
  std::vector<SampleCase> out;
  for (int stage = 1; stage <= 40; ++stage) {
    for (int level = 1; level <= 4; ++level) {
      const Kivo::LevelSlot slot = Kivo::SampleLevelSlot(stage, level);
      if (kinds.count(slot.type) != 0) out.push_back({stage, level, slot.type});
    }
  }
  return out;
}

class PictureLevelsTest : public SampleLevelTest {
 protected:
  // Loads the level into player; its game, or null.
  Kivo::MiniGame* Load(Kivo::LevelPlayer& player, const std::string& scene) {
    std::string error;
    EXPECT_TRUE(player.Load(scene, &error)) << error;
    if (player.Game() != nullptr) {
      EXPECT_FALSE(player.Game()->IsUnplayable()) << scene;
    }
    return player.Game();
  }
};

class PictureLevelWinTest : public PictureLevelsTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_F(PictureLevelsTest, TheFirstLevelOfEachKindSitsAtItsPlaceWithItsData) {
  using namespace Kivo;
  {
    LevelPlayer player;
    auto* game = dynamic_cast<PictMoveGame*>(Load(player, "Level_2_2"));
    ASSERT_NE(game, nullptr);
  }
  {
    LevelPlayer player;
    ASSERT_NE(dynamic_cast<PictRotateGame*>(Load(player, "Level_2_3")), nullptr);
  }
  {
    LevelPlayer player;
    auto* game = dynamic_cast<Pict15Game*>(Load(player, "Level_2_4"));
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->mGridSize, 3);
  }
  {
    LevelPlayer player;
    ASSERT_NE(dynamic_cast<PictPuzzleGame*>(Load(player, "Level_3_1")), nullptr);
  }
  {
    LevelPlayer player;
    auto* game = dynamic_cast<LampsGame*>(Load(player, "Level_3_2"));
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->mSize, 3);
    EXPECT_NE(game->mBar, nullptr);
  }
  {
    LevelPlayer player;
    auto* game = dynamic_cast<PuzzleGame*>(Load(player, "Level_5_4"));
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->mBoard.mRows, 2);
    EXPECT_EQ(game->mBoard.mColumns, 3);
    EXPECT_EQ(game->mBoard.mShuffleAreas.size(), 1u);
  }
  {
    LevelPlayer player;
    auto* game = dynamic_cast<TowersGame*>(Load(player, "Level_6_1"));
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->mTowers.size(), 3u);
    ASSERT_EQ(game->mDisks.size(), 3u);
    for (const TowerDisk& disk : game->mDisks) {
      // Reference points at the centres: the pictures rest on one another.
      EXPECT_FLOAT_EQ(disk.referenceX * 2.0f, disk.back.quad.corner[2].x - disk.back.quad.corner[0].x);
      EXPECT_FLOAT_EQ(disk.referenceY * 2.0f, disk.back.quad.corner[2].y - disk.back.quad.corner[0].y);
    }
  }
  {
    LevelPlayer player;
    auto* game = dynamic_cast<CirclePuzzleGame*>(Load(player, "Level_6_3"));
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(game->mPuzzles.size(), 1u);
    EXPECT_EQ(game->mPuzzles[0].rings.size(), 2u);  // N = 3
  }
}

TEST_P(PictureLevelWinTest, IsWonByItsRule) {
  const SampleCase& c = GetParam();
  const Kivo::LevelPlayResult result = PlaySampleLevel(c.stage, c.level);
  EXPECT_TRUE(result.won) << c.type << ": " << result.failure;
  EXPECT_FALSE(result.lost);
  EXPECT_GT(result.moves, 0);  // none of these levels starts solved
}

INSTANTIATE_TEST_SUITE_P(Levels, PictureLevelWinTest, ::testing::ValuesIn(PictureLevels()),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                           return info.param.type + "_" + std::to_string(info.param.stage) + "_" +
                                  std::to_string(info.param.level);
                         });

}  // namespace
}  // namespace leveltest
