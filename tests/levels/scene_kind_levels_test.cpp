// The sample levels of the bird hunt, the water pipes, the star map, the
// association puzzle, pairs and what's new, each won in process by its
// kind's autoplay rule.
#include <gtest/gtest.h>

#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

class SceneKindLevelsTest : public SampleLevelTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(SceneKindLevelsTest, SampleLevelIsWonByItsRule) {
  const SampleCase& c = GetParam();
  const Kivo::LevelPlayResult result = PlaySampleLevel(c.stage, c.level);
  EXPECT_TRUE(result.won) << c.type << ": " << result.failure;
  EXPECT_FALSE(result.lost);
}

// The first level of each kind, and a later appearance.
INSTANTIATE_TEST_SUITE_P(Levels, SceneKindLevelsTest,
                         ::testing::Values(SampleCase{5, 3, "hunter"}, SampleCase{12, 2, "hunter"},
                                           SampleCase{6, 2, "assoc"}, SampleCase{13, 1, "assoc"},
                                           SampleCase{6, 4, "pairs"}, SampleCase{13, 3, "pairs"},
                                           SampleCase{7, 1, "starmap"}, SampleCase{13, 4, "starmap"},
                                           SampleCase{7, 2, "what_new"}, SampleCase{14, 1, "what_new"},
                                           SampleCase{7, 3, "trubo_game"}, SampleCase{14, 2, "trubo_game"}),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                           return std::string(info.param.type) + "_" + std::to_string(info.param.stage) + "_" +
                                  std::to_string(info.param.level);
                         });

}  // namespace
}  // namespace leveltest
