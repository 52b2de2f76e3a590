// The circle puzzle: the rings and their soft edges, grabbing, turning and
// the lock window, the win recomputed every update, and bad level data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "image/MemoryImage.h"
#include "levels/CirclePuzzleGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

// A 120 x 120 picture at (200, 100): centre (260, 160). Every pixel's colour
// is its own (x in red, y in green), alpha 255.
TestImage RoundPicture(int side = 120) {
  TestImage image;
  image.key = "round";
  image.width = side;
  image.height = side;
  image.pixel = [](int x, int y) {
    return 0xFF000000u | (static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8);
  };
  return image;
}

class CirclePuzzleTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
    RegisterSoundAndEmitterKinds();
  }

  // count puzzle objects, each with bands "_iNumPiece" (none when empty).
  void LoadPuzzles(int count, const std::string& bands, int side = 120) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    for (int i = 0; i < count; ++i) {
      std::vector<std::pair<std::string, std::string>> props = {{"_keyImg", "round"}};
      if (!bands.empty()) props.push_back({"_iNumPiece", bands});
      DtmRecord picture = Record("sprPuzzle" + std::to_string(i), 3, 200, 100, static_cast<float>(side),
                                 static_cast<float>(side), props);
      root.Child(picture);
    }
    LoadLevel({RoundPicture(side)}, root);
  }
};

TEST_F(CirclePuzzleTest, BandsAreHalfTheWidthOverNAndTheOuterBandStays) {
  LoadPuzzles(1, "3");
  CirclePuzzleGame game;
  Start(game);
  ASSERT_EQ(game.mPuzzles.size(), 1u);
  const CirclePuzzle& puzzle = game.mPuzzles[0];
  ASSERT_EQ(puzzle.rings.size(), 2u);
  EXPECT_EQ(puzzle.rings[0].inner, 0);
  EXPECT_EQ(puzzle.rings[0].outer, 20);
  EXPECT_EQ(puzzle.rings[1].inner, 20);
  EXPECT_EQ(puzzle.rings[1].outer, 40);
  EXPECT_EQ(puzzle.originX, 200);
  EXPECT_TRUE(FindObjectByName(level, "sprPuzzle0")->mVisible);
  // The angles are rand()'s, in order, modulo 360.
  std::srand(1);
  const int first = std::rand() % 360;
  const int second = std::rand() % 360;
  EXPECT_EQ(puzzle.rings[0].angle, first);
  EXPECT_EQ(puzzle.rings[1].angle, second);
}

TEST_F(CirclePuzzleTest, RingPixelsFadeOverThreePixelsAtBothEdges) {
  LoadPuzzles(1, "3");
  CirclePuzzleGame game;
  Start(game);
  const PuzzleRing& ring = game.mPuzzles[0].rings[1];  // 20 < d <= 40
  const uint32_t* bits = ring.image->GetBits();
  struct Case {
    int dx;
    uint32_t alpha;
  };
  // Along the row through the centre (60, 60).
  for (const Case& c : {Case{30, 255}, Case{40, 255}, Case{41, 170}, Case{42, 85}, Case{43, 0}, Case{20, 255},
                        Case{19, 170}, Case{18, 85}, Case{17, 0}, Case{10, 0}}) {
    const int x = 60 + c.dx;
    const uint32_t pixel = bits[60 * 120 + x];
    EXPECT_EQ(pixel >> 24, c.alpha) << "dx " << c.dx;
    if (c.alpha != 0) {
      EXPECT_EQ((pixel >> 16) & 0xFF, static_cast<uint32_t>(x));  // the picture's colour
    }
  }
}

TEST_F(CirclePuzzleTest, OneBandGivesNoRingsAndTheLevelIsWonAtTheFirstUpdate) {
  for (const std::string& bands : {std::string(""), std::string("1")}) {
    DeleteObjects(level);
    LoadPuzzles(1, bands);
    CirclePuzzleGame game;
    Start(game);
    EXPECT_TRUE(game.mPuzzles[0].rings.empty());
    EXPECT_FALSE(game.IsWon());
    Run(game, 1);
    EXPECT_TRUE(game.IsWon()) << bands;
  }
}

TEST_F(CirclePuzzleTest, OnlyASingleLeftPressStrictlyBetweenTheRadiiGrabs) {
  LoadPuzzles(1, "3");
  CirclePuzzleGame game;
  Start(game);
  PuzzleRing& ring = game.mPuzzles[0].rings[1];
  struct Case {
    int x, y, clicks;
    bool grabs;
  };
  for (const Case& c : {Case{290, 160, 1, true}, Case{280, 160, 1, false}, Case{300, 160, 1, false},
                        Case{290, 160, 2, false}, Case{290, 160, -1, false}, Case{290, 160, 3, false}}) {
    ring.grabbed = false;
    game.MouseDown(c.x, c.y, c.clicks);
    EXPECT_EQ(ring.grabbed, c.grabs) << c.x << " " << c.clicks;
  }
  // Right of the centre the pointer's angle is -90 (0 is straight up).
  game.MouseDown(290, 160, 1);
  EXPECT_DOUBLE_EQ(ring.pointerAngle, -90.0);
  game.MouseUp(290, 160, -1);  // not the left button
  EXPECT_TRUE(ring.grabbed);
  game.MouseUp(290, 160, 1);
  EXPECT_FALSE(ring.grabbed);
}

TEST_F(CirclePuzzleTest, DraggingTurnsTheRingByThePointersAngle) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Record("sprPuzzle", 3, 200, 100, 120, 120, {{"_keyImg", "round"}, {"_iNumPiece", "3"}}));
  root.Child(Record("soundRotateFind", 17, 0, 0, 1, 1));
  LoadLevel({RoundPicture()}, root);
  CirclePuzzleGame game;
  Start(game);
  ASSERT_NE(game.mLockSound, nullptr);
  PuzzleRing& ring = game.mPuzzles[0].rings[1];
  ring.angle = 100.0;
  game.MouseDown(290, 160, 1);  // -90
  game.MouseMove(260, 60);      // straight up: 0
  EXPECT_NEAR(ring.angle, 190.0, 1e-4);
  game.MouseMove(160, 160);  // left: -270
  EXPECT_NEAR(ring.angle, -80.0, 1e-4);
  EXPECT_TRUE(ring.active);
  // Down (-180) brings it to 10, then right (-90) to 100 ... and on to 0.5.
  ring.angle = 89.5;
  ring.pointerAngle = -90.0;
  game.MouseMove(260, 60);
  EXPECT_NEAR(ring.angle, 179.5, 1e-4);
  ring.angle = 0.5;
  ring.pointerAngle = 0.0;
  game.MouseMove(260, 60);
  EXPECT_FALSE(ring.active);
  Run(game, 1);
  EXPECT_FALSE(game.IsWon());  // the inner ring is still free
}

TEST_F(CirclePuzzleTest, TheLockWindowTakesTheAbsoluteAngleModulo360) {
  struct Case {
    double angle;
    bool locks;
  };
  for (const Case& c : {Case{1.5, true}, Case{-1.5, true}, Case{361.0, true}, Case{-721.9, true}, Case{358.5, false},
                        Case{-358.5, false}, Case{0.0, false}, Case{2.0, false}, Case{-2.0, false}}) {
    EXPECT_EQ(CirclePuzzleGame::Locks(c.angle), c.locks) << c.angle;
  }
  // A ring turned to exactly 0 stays active.
  LoadPuzzles(1, "2");
  CirclePuzzleGame game;
  Start(game);
  PuzzleRing& ring = game.mPuzzles[0].rings[0];
  ring.angle = 0.0;
  game.MouseDown(270, 160, 1);
  game.MouseMove(270, 160);
  EXPECT_TRUE(ring.active);
}

TEST_F(CirclePuzzleTest, TheWinIsRecomputedEveryUpdate) {
  LoadPuzzles(2, "2");
  CirclePuzzleGame game;
  Start(game);
  game.mWon = true;
  game.Update(++updateCount);
  EXPECT_FALSE(game.IsWon());
  game.mPuzzles[0].rings[0].active = false;
  game.Update(++updateCount);
  EXPECT_FALSE(game.IsWon());
  game.mPuzzles[1].rings[0].active = false;
  game.Update(++updateCount);
  EXPECT_TRUE(game.IsWon());
  game.mPuzzles[1].rings[0].active = true;
  game.Update(++updateCount);
  EXPECT_FALSE(game.IsWon());
}

TEST_F(CirclePuzzleTest, ObjectsAfterTheTenthAreIgnoredWithALogLine) {
  LoadPuzzles(12, "2");
  CirclePuzzleGame game;
  Start(game);
  EXPECT_EQ(game.mPuzzles.size(), 10u);
  EXPECT_FALSE(game.IsUnplayable());
  EXPECT_TRUE(Logged("ignores 2 more"));
  game.Draw(graphics);
}

TEST_F(CirclePuzzleTest, BadBandsOrPicturesLeaveTheGameIdle) {
  struct Case {
    std::string bands;
    int side;
    bool picture;
    const char* logged;
  };
  const Case cases[] = {
      {"0", 120, true, "\"_iNumPiece\" 0"},           {"22", 120, true, "\"_iNumPiece\" 22"},
      {"-1", 120, true, "\"_iNumPiece\" -1"},         {"x", 120, true, "\"_iNumPiece\" 0"},
      {"7", 12, true, "bands of at least one pixel"}, {"3", 120, false, "has no picture"},
  };
  for (const Case& c : cases) {
    DeleteObjects(level);
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    root.Child(Record("sprPuzzle", 3, 200, 100, 120, 120,
                      {{"_keyImg", c.picture ? "round" : "absent"}, {"_iNumPiece", c.bands}}));
    LoadLevel({RoundPicture(c.side)}, root);
    std::unique_ptr<MiniGame> game(CreateMiniGame("circlepuzzle"));
    ASSERT_NE(game, nullptr);
    Start(*game);
    EXPECT_TRUE(game->IsUnplayable()) << c.bands;
    EXPECT_TRUE(Logged(c.logged)) << c.bands;
    game->MouseDown(270, 160, 1);
    game->MouseMove(200, 100);
    Run(*game, 3);
    game->Draw(graphics);
    EXPECT_FALSE(game->IsWon());
    HintPoint a, b;
    EXPECT_EQ(game->GetHintPosition(a, b), kHintNone);
  }
}

}  // namespace
}  // namespace leveltest
