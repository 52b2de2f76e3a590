// The in-process level player on the sample data: what it refuses.
#include <gtest/gtest.h>

#include "tests/levels/sample_level_support.h"

namespace leveltest {
namespace {

TEST_F(SampleLevelTest, ScenesThatCannotBePlayedSayWhy) {
  Kivo::LevelPlayer missing;
  std::string error;
  EXPECT_FALSE(missing.Load("Level_41_1", &error));
  EXPECT_EQ(error, "no scene Level_41_1");

  // A scene whose first object names no kind.
  Kivo::LevelPlayer kindless;
  EXPECT_FALSE(kindless.Load("mnEngineDemo", &error));
  EXPECT_EQ(error, "mnEngineDemo: no mini-game of type \"\"");
}

}  // namespace
}  // namespace leveltest
