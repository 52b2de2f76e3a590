// The sample levels of spot-the-difference and identical objects are won
// in process by their rule, and show what the kinds need.
#include <gtest/gtest.h>

#include "levels/FindDiffGame.h"
#include "levels/FindIdentGame.h"
#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

TEST_F(SampleLevelTest, FindDiffSampleIsWonByFollowingTheHint) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_1_3", &error)) << error;
  auto* game = dynamic_cast<Kivo::FindDiffGame*>(player.Game());
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(game->mTargets.size(), 5u);
  EXPECT_NE(game->mPointerImage.Get(), nullptr);
  const Kivo::LevelPlayResult result = player.Play(60000);
  EXPECT_TRUE(result.won) << result.failure;
}

TEST_F(SampleLevelTest, FindIdentSampleIsWonByFollowingTheHint) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_1_4", &error)) << error;
  auto* game = dynamic_cast<Kivo::FindIdentGame*>(player.Game());
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(game->mTargets.size(), 6u);
  const Kivo::LevelPlayResult result = player.Play(60000);
  EXPECT_TRUE(result.won) << result.failure;
}

}  // namespace
}  // namespace leveltest
