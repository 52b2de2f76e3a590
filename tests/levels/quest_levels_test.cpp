// The quest sample level is won in process by its rule, through its
// camera's closing move.
#include <gtest/gtest.h>

#include "levels/QuestGame.h"
#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

TEST_F(SampleLevelTest, QuestSampleIsWonThroughTheFinalElement) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_4_4", &error)) << error;
  auto* game = dynamic_cast<Kivo::QuestGame*>(player.Game());
  ASSERT_NE(game, nullptr);
  ASSERT_NE(game->mFinal, nullptr);
  ASSERT_NE(game->mCamera, nullptr);
  EXPECT_EQ(game->mTools.size(), 1u);
  const Kivo::LevelPlayResult result = player.Play(60000);
  EXPECT_TRUE(result.won) << result.failure;
  EXPECT_EQ(game->mFinalStage, 2);
  EXPECT_TRUE(game->mCamera->IsPlaying() || game->mCamera->FindAnimation("cam") != nullptr);
}

}  // namespace
}  // namespace leveltest
