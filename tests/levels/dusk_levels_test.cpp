// The dusk sample level is won in process by its rule and counts through
// its template.
#include <gtest/gtest.h>

#include "levels/DuskGame.h"
#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

TEST_F(SampleLevelTest, DuskSampleIsWonAndCountsInPercent) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_5_1", &error)) << error;
  auto* game = dynamic_cast<Kivo::DuskGame*>(player.Game());
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(game->mPatches.size(), 3u);
  std::wstring text;
  game->UpdateItemsText(L"", text);
  EXPECT_EQ(text, L"0%");
  const Kivo::LevelPlayResult result = player.Play(60000);
  EXPECT_TRUE(result.won) << result.failure;
  game->UpdateItemsText(L"", text);
  EXPECT_EQ(text, L"100%");
}

}  // namespace
}  // namespace leveltest
