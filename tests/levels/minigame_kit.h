// The mini-game test kit: a level built in code and loaded the way the game
// loads it (records written into a scene database with an image table of
// real pixels, then LoadScene), a level context whose difficulty the test
// sets and which records the sounds played and the log lines, and seeded
// random sources (gRandom, the engine's LCG and rand()).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/SceneLoader.h"
#include "levels/LevelContext.h"
#include "levels/MiniGame.h"
#include "tests/engine/kinds_support.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace leveltest {

using namespace Kivo;
using kindstest::TestImage;

class TestLevelContext : public LevelContext {
 public:
  int HardModeField() const override { return hardMode; }
  const ScreenMatrices& Matrices() const override { return matrices; }
  void PlaySound(const std::string& soundId) override { sounds.push_back(soundId); }
  void Log(const std::string& line) override { log.push_back(line); }
  std::string LevelName() const override { return levelName; }

  int hardMode = 0;
  ScreenMatrices matrices{};
  std::vector<std::string> sounds;
  std::vector<std::string> log;
  std::string levelName = "Level_1_1";
};

// A record of the level: an axis-aligned box of the given type code.
DtmRecord Record(const std::string& name, uint32_t type, float left, float top, float width, float height,
                 std::vector<std::pair<std::string, std::string>> properties = {});

// An opaque image of one colour.
TestImage SolidImage(const std::string& key, int width, int height, uint32_t argb = 0xFFFFFFFFu);

class MiniGameKit : public kindstest::KindsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the images and the scenes "Level" (levelRoot and its subtree; the
  // root carries the level properties) and "mnGame" (hudRoot, when it has a
  // name), then loads both into level and hud as the level screen does.
  void LoadLevel(const std::vector<TestImage>& images, const DtmRecord& levelRoot,
                 const DtmRecord& hudRoot = DtmRecord());
  // Init of game over the loaded lists, then the started flag and listener.
  void Start(MiniGame& game);
  // n updates of game with the level screen's order of calls.
  void Run(MiniGame& game, int n);
  // Whether the level log holds a line containing text.
  bool Logged(const std::string& text) const;

  TestLevelContext context;
  ObjectList level;
  ObjectList hud;
  int updateCount = 0;
};

}  // namespace leveltest
