// The sample levels of the kinds with moving parts, each won in process by
// its kind's autoplay rule: the first level of each kind and its next
// appearance.
#include <gtest/gtest.h>

#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

class MovingPartsLevelsTest : public SampleLevelTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(MovingPartsLevelsTest, SampleLevelIsWonByItsRule) {
  const SampleCase& c = GetParam();
  const Kivo::LevelPlayResult result = PlaySampleLevel(c.stage, c.level);
  EXPECT_TRUE(result.won) << c.type << ": " << result.failure;
  EXPECT_FALSE(result.lost);
  EXPECT_GT(result.moves, 1);  // won by play, not at once
}

INSTANTIATE_TEST_SUITE_P(Levels, MovingPartsLevelsTest,
                         ::testing::Values(SampleCase{3, 4, "jumper"}, SampleCase{10, 3, "jumper"},
                                           SampleCase{4, 1, "cards"}, SampleCase{10, 4, "cards"},
                                           SampleCase{4, 2, "balance"}, SampleCase{11, 1, "balance"},
                                           SampleCase{4, 3, "akva"}, SampleCase{11, 2, "akva"},
                                           SampleCase{5, 2, "seif"}, SampleCase{12, 1, "seif"}),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                           return std::string(info.param.type) + "_" + std::to_string(info.param.stage) + "_" +
                                  std::to_string(info.param.level);
                         });

}  // namespace
}  // namespace leveltest
