// The picture puzzles' sample levels, each won in process by its kind's
// autoplay rule.
#include <gtest/gtest.h>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

struct SampleCase {
  int stage;
  int level;
  const char* type;
};

void PrintTo(const SampleCase& c, std::ostream* out) { *out << c.type << " at " << c.stage << "_" << c.level; }

class PictureLevelsTest : public SampleLevelTest, public ::testing::WithParamInterface<SampleCase> {
 protected:
  void SetUp() override {
    SampleLevelTest::SetUp();
    Kivo::RegisterDrawingKinds();
    Kivo::RegisterControlKinds();
    Kivo::RegisterSoundAndEmitterKinds();
  }
};

TEST_P(PictureLevelsTest, SampleLevelIsWonByItsRule) {
  const SampleCase& c = GetParam();
  const Kivo::LevelPlayResult result = PlaySampleLevel(c.stage, c.level);
  EXPECT_TRUE(result.won) << c.type << ": " << result.failure;
  EXPECT_FALSE(result.lost);
}

// The first level of each kind, and one later appearance with its own picture.
INSTANTIATE_TEST_SUITE_P(Levels, PictureLevelsTest,
                         ::testing::Values(SampleCase{2, 2, "pict_move"}, SampleCase{9, 1, "pict_move"},
                                           SampleCase{2, 3, "pict_rotate"}, SampleCase{9, 2, "pict_rotate"},
                                           SampleCase{2, 4, "pict_15"}, SampleCase{9, 3, "pict_15"},
                                           SampleCase{3, 1, "pict_puzzle"}, SampleCase{9, 4, "pict_puzzle"},
                                           SampleCase{3, 2, "lamps"}, SampleCase{10, 1, "lamps"},
                                           SampleCase{6, 1, "towers"}, SampleCase{12, 4, "towers"}),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                           return std::string(info.param.type) + "_" + std::to_string(info.param.stage) + "_" +
                                  std::to_string(info.param.level);
                         });

}  // namespace
}  // namespace leveltest
