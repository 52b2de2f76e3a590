// Every sample level is winnable: each of the 160 levels of the sample game
// is played in process by its kind's autoplay rule, straight from its scene
// (no drawing, no menus), and must be won. Eight cases of five stages each,
// so CTest runs them side by side.
#include <gtest/gtest.h>

#include <string>

#include "tests/levels/sample_level_support.h"
#include "tools/sampledata/SampleLevels.h"

namespace leveltest {
namespace {

class LevelCheck : public SampleLevelTest, public ::testing::WithParamInterface<int> {};

TEST_P(LevelCheck, EveryLevelOfTheStagesIsWon) {
  const int first = GetParam() * 5 + 1;
  std::string missing;
  for (int stage = first; stage < first + 5; ++stage) {
    for (int level = 1; level <= 4; ++level) {
      const Kivo::LevelSlot slot = Kivo::SampleLevelSlot(stage, level);
      if (Kivo::SampleLevelMaker(slot.type) == nullptr) {
        missing += " Level_" + std::to_string(stage) + "_" + std::to_string(level) + " (" + slot.type + ")";
        continue;
      }
      const Kivo::LevelPlayResult result = PlaySampleLevel(stage, level);
      EXPECT_TRUE(result.won) << "Level_" << stage << "_" << level << " (" << slot.type << "): " << result.failure;
    }
  }
  if (!missing.empty()) GTEST_SKIP() << "not in the sample game yet:" << missing;
}

INSTANTIATE_TEST_SUITE_P(Stages, LevelCheck, ::testing::Range(0, 8), [](const ::testing::TestParamInfo<int>& info) {
  return "Stages" + std::to_string(info.param * 5 + 1) + "To" + std::to_string(info.param * 5 + 5);
});

}  // namespace
}  // namespace leveltest
