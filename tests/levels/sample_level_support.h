// Plays the builder's sample levels in process: the whole sample data is
// written once per test program into a temporary folder, which becomes the
// working folder (the game reads its data relative to it); the scene
// database, text tables, animations and effects are loaded as the game
// loads them and pictures come from the written PNG files.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/engine/kinds_support.h"
#include "tools/autoplay/LevelPlayer.h"

namespace leveltest {

// One sample level of a kind, named in test output by kind and place.
struct SampleCase {
  int stage;
  int level;
  std::string type;
};

inline void PrintTo(const SampleCase& c, std::ostream* out) { *out << c.type << " at " << c.stage << "_" << c.level; }

class SampleLevelTest : public kindstest::KindsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Plays "Level_<stage>_<level>" by its kind's autoplay rule.
  Kivo::LevelPlayResult PlaySampleLevel(int stage, int level, int maxUpdates = 200000);

 private:
  std::string mHome;
};

}  // namespace leveltest
