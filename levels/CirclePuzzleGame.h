// The circle puzzle ("circlepuzzle", CirclePuzzleGame): every level object
// whose name contains "sprPuzzle" is a round picture cut into N bands of equal
// width ("_iNumPiece", default 1); the N - 1 inner bands become rings, each
// turned by a random angle from rand(). The player grabs a ring with a single
// left press strictly between its radii and turns it by dragging about the
// picture's centre; a ring within two degrees of upright (by the absolute
// accumulated angle, modulo 360) locks, plays "soundRotateFind" and is no
// longer drawn, so the picture object underneath shows. The level is won
// while every ring is locked; the flag is recomputed every update.
//
// Each ring keeps its own image of the picture's size holding its band's
// pixels, with soft 3-pixel edges inside and outside.
//
// Limits: at most 10 puzzles (later objects are ignored with a log line) and
// N from 1 to 21. Failures: N outside 1..21, a puzzle object without a
// picture, or bands under one pixel wide make the level unplayable (one log
// line; the game stays idle). The game never reports misses.
#pragma once

#include <memory>
#include <vector>

#include "levels/MiniGame.h"

namespace Kivo {

class MemoryImage;

struct PuzzleRing {
  PuzzleRing();
  ~PuzzleRing();
  PuzzleRing(PuzzleRing&&) noexcept;
  PuzzleRing& operator=(PuzzleRing&&) noexcept;

  bool grabbed = false;
  double pointerAngle = 0.0;  // degrees
  std::unique_ptr<MemoryImage> image;
  int originX = 0;
  int originY = 0;
  int inner = 0;
  int outer = 0;
  double angle = 0.0;  // degrees, 0 upright
  bool active = true;
};

struct CirclePuzzle {
  std::vector<PuzzleRing> rings;  // innermost first
  int originX = 0;
  int originY = 0;
  MemoryImage* picture = nullptr;  // not owned

  // N - 1 rings of band (width / 2) / N, each turned by rand() % 360.
  void BuildRings(int bands);
  // The pointer's angle about the picture's centre, in degrees (0 up).
  double PointerAngle(int x, int y) const;
};

class CirclePuzzleGame : public MiniGame {
 public:
  static constexpr int kMaxPuzzles = 10;
  static constexpr int kMaxBands = 21;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int Draw(Graphics& g) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseMove(int x, int y) override;
  int MouseUp(int x, int y, int clickCount) override;
  bool ShowsDisabledList() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  // Whether an accumulated angle locks a ring.
  static bool Locks(double angle);

  std::vector<CirclePuzzle> mPuzzles;
  sObj* mLockSound = nullptr;  // "soundRotateFind"
};

}  // namespace Kivo
