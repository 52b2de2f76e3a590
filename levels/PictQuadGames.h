// The picture-quad puzzles: four kinds that cut the level's "sprGame"
// picture into an n x n grid of square pieces (n from "_iNumQuad", default
// 4) and let the player put it back together.
//
//   "pict_move"   PictMoveGame    pieces shuffled among the places; two
//                                 clicks swap two pieces
//   "pict_rotate" PictRotateGame  every piece turned; left click turns a
//                                 quarter clockwise, right click back
//   "pict_15"     Pict15Game      the sliding puzzle, bottom-right place empty
//   "pict_puzzle" PictPuzzleGame  n pieces start fixed, the others scattered
//                                 and turned outside the picture; pick up,
//                                 turn with the right button, drop
//
// Pieces are drawn as cel (home column, home row) of the picture stretched
// on the piece's four current corners. Every motion is a straight-line morph
// of the corners, corner 3 travelling about 8 pixels a tick; a kind notices
// the end in the tick after the last step. Shuffles draw from the engine's
// LCG. The sliding puzzle's shuffle is made solvable by exchanging pieces 0
// and 1 when its permutation parity is wrong (no extra draws are made).
//
// Limits: n from 1 to 32. The picture's cel grid is set to n x n while the
// game lives and given back when it is destroyed. Failures: a missing
// "sprGame", a sprite without an image or n outside 1..32 make the level
// unplayable (one log line; the game then stays idle). None of the kinds
// reports misses.
#pragma once

#include <vector>

#include "engine/ImageSlot.h"
#include "levels/MiniGame.h"

namespace Kivo {

class MemoryImage;
class sObjSprite;

// One moving quad: the current corners, and the ends and progress of the
// running straight-line motion.
struct QuadMotion {
  Quad current;
  Quad target;
  Quad start;
  float progress = 1.0f;  // 1 at rest
  float step = 0.0f;

  // Starts a motion from the current quad to to.
  void StartMove(const Quad& to);
  // One tick: progress advances by the step, at most to 1.
  void StepMove();
  bool AtRest() const { return progress >= 1.0f; }
};

// The midpoint of corners 0 and 2.
HintPoint QuadCentre(const Quad& quad);

// What the four kinds share: the picture, the grid and its geometry.
class PictQuadGame : public MiniGame {
 public:
  ~PictQuadGame() override;
  int Draw(Graphics& g) override;
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  // Base quad of place (column, row).
  Quad HomeQuad(int column, int row) const;

  int mGridSize = 0;  // n
  int mPieceCount = 0;
  float mSide = 0.0f;  // s = picture width / n
  MemoryImage* mPicture = nullptr;
  sObj* mPictureObject = nullptr;  // "sprGame"

 protected:
  // Reads n and "sprGame", sets the cel grid; false (unplayable) on bad data.
  bool SetUpPicture(const char* kind);
  virtual void DrawPieces(Graphics& g) = 0;
  void DrawPiece(Graphics& g, const Quad& quad, int homeColumn, int homeRow);

 private:
  ImageSlot mPictureHold;  // keeps the picture alive until its grid is restored
  int mSavedColumns = 1;
  int mSavedRows = 1;
};

// A piece of pict_move and pict_15.
struct PictPiece {
  int column = 0;  // where it lies now
  int row = 0;
  int homeColumn = 0;
  int homeRow = 0;
  QuadMotion motion;
  HintPoint centre;
  int grey = 255;  // pict_move: 255 at home, 180 elsewhere
  int alpha = 255;

  bool AtHome() const { return column == homeColumn && row == homeRow; }
};

class PictMoveGame : public PictQuadGame {
 public:
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  bool HasHint() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  sObj* mHomeEffect = nullptr;  // "effOnPlace"
  std::vector<PictPiece> mPieces;
  int mSelected = -1;
  int mMoving[2] = {-1, -1};

 protected:
  void DrawPieces(Graphics& g) override;

 private:
  bool AllHome() const;
};

class Pict15Game : public PictQuadGame {
 public:
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;

  // Whether the places of pieces (home index -> place index, the empty
  // piece last) can be brought home by sliding.
  static bool Solvable(const std::vector<PictPiece>& pieces, int n);

  std::vector<PictPiece> mPieces;  // the last one is the empty place
  int mMoving = -1;

 protected:
  void DrawPieces(Graphics& g) override;
};

// A piece of pict_rotate: fixed in its place, turned.
struct PictRotatePiece {
  int column = 0;
  int row = 0;
  QuadMotion motion;
  int turn = 3;  // 3 upright
};

class PictRotateGame : public PictQuadGame {
 public:
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;

  std::vector<PictRotatePiece> mPieces;
  int mMoving = -1;

 protected:
  void DrawPieces(Graphics& g) override;
};

struct PictPuzzlePiece {
  int index = 0;  // home row x n + home column
  int homeColumn = 0;
  int homeRow = 0;
  int turn = 3;
  QuadMotion motion;
  HintPoint centre;
};

struct PictPuzzleCell {
  int index = 0;
  int column = 0;
  int row = 0;
  Quad home;
  int piece = -1;  // the piece lying in the place, -1 when empty
};

class PictPuzzleGame : public PictQuadGame {
 public:
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;

  // A piece lies fixed when it is in its own place, upright.
  bool IsFixed(int cell) const;

  sObj* mHomeEffect = nullptr;  // "effOnPlace"
  std::vector<PictPuzzlePiece> mPieces;
  std::vector<PictPuzzleCell> mCells;
  std::vector<int> mLoose;  // pieces outside every place; the last on top
  int mHeld = -1;
  float mPointerX = 0.0f;
  float mPointerY = 0.0f;
  float mGrabX = 0.0f;
  float mGrabY = 0.0f;

 protected:
  void DrawPieces(Graphics& g) override;

 private:
  void MoveBy(PictPuzzlePiece& piece, float dx, float dy);
  void FollowPointer();
  void Pick(int piece);
};

}  // namespace Kivo
