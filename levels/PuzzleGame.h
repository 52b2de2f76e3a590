// The jigsaw ("puzzle", PuzzleGame): the level's "sprPuzzle" picture is cut
// along a jittered grid ("_iPuzzleRows" x "_iPuzzleCols") into four-cornered
// pieces; "_iPuzzleFixs" of them start fixed at home, the others lie turned
// by quarter turns inside the "rectShuffle" areas (or at home, turned, when
// there are none). A press picks the topmost loose piece up, the pointer
// carries it, a right press turns it, a left press puts it down; a piece put
// down upright closer than 5 pixels to home snaps and is fixed, starting
// "effOnPlace". The level is won when every piece is fixed; the seams then
// vanish.
//
// The pieces live on a JigsawBoard, a widget kept out of the widget tree:
// the game calls its update, draw, press and drag handlers itself, in the
// board's coordinates, and hears back through JigsawBoardListener. The board
// cuts and draws its own copy of the picture, so the seams it writes into
// the copy's alpha never reach the image table's picture.
//
// Randomness: RandomInt and RandomFloat over gRandom.
//
// Limits: rows and columns from 1 to 32; fixes are clamped to 0 .. rows x
// columns. Failures: a missing "sprPuzzle" or picture, or rows or columns
// outside 1..32, make the level unplayable (one log line; the game stays
// idle); a shuffle area with a side below 1 is skipped with a log line. The
// game never reports misses.
#pragma once

#include <memory>
#include <vector>

#include "levels/MiniGame.h"
#include "shell/base/Matrix.h"
#include "shell/base/Rect.h"
#include "ui/Widget.h"

namespace Kivo {

class MemoryImage;

struct JigsawPiece {
  Quad quad;       // corners relative to the centre
  Vector2 uv[4];   // texture coordinates of the corners
  float x = 0.0f;  // the centre, in board coordinates
  float y = 0.0f;
  float homeX = 0.0f;
  float homeY = 0.0f;
  Matrix3 transform;
  int angle = 0;  // degrees: 0, 90, 180, 270
  bool fixed = false;
  bool dirty = true;

  void RebuildTransform();
  // The corners through the transform.
  Quad ScreenQuad() const;
};

class JigsawBoardListener {
 public:
  // Kind 0: the piece has just been fixed.
  virtual void OnBoardEvent(int kind, JigsawPiece& piece) = 0;

 protected:
  ~JigsawBoardListener() = default;
};

class JigsawBoard : public Widget {
 public:
  JigsawBoard();
  ~JigsawBoard() override;

  // Takes a copy of picture to cut and draw.
  void SetPicture(const MemoryImage& picture);
  MemoryImage* Picture() const { return mPicture.get(); }
  MemoryImage* Mask() const { return mMask.get(); }

  // The grid and seam mask; the pieces start at home.
  void Cut();
  // Fixes mFixes pieces at random and scatters and turns the others.
  void Shuffle();
  // All alpha back to opaque: the seamless picture.
  void Finish();

  void Update() override;
  void Draw(Graphics& g) override;
  // The press handler: clicks negative for the right button.
  void MouseDownButton(int x, int y, int button, int clicks) override;
  void MouseDrag(int x, int y) override;

  int mRows = 2;
  int mColumns = 2;
  std::vector<JigsawPiece> mPieces;  // the first is the top of the pile
  int mFixes = 5;
  int mFixedCount = 0;
  std::vector<Rect> mShuffleAreas;
  bool mHolding = false;  // the held piece is the first of the list
  float mGrabX = 0.0f;
  float mGrabY = 0.0f;
  JigsawBoardListener* mListener = nullptr;  // not owned

 private:
  void CopyMaskToAlpha();

  std::unique_ptr<MemoryImage> mPicture;
  std::unique_ptr<MemoryImage> mMask;
};

class PuzzleGame : public MiniGame, public JigsawBoardListener {
 public:
  static constexpr int kMaxSide = 32;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int Draw(Graphics& g) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseMove(int x, int y) override;
  bool ShowsDisabledList() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;
  void OnBoardEvent(int kind, JigsawPiece& piece) override;

  JigsawBoard mBoard;
  sObj* mHomeEffect = nullptr;  // "effOnPlace"
};

}  // namespace Kivo
