// Fuse tiles ("tarnivelle"): a grid of straight, corner, T and cross tiles
// the player turns by 90 degrees (left press clockwise, right press
// counter-clockwise). Power enters along the bottom edge; tiles joined to it
// through matching open sides light up. A lit chain that leaves the top
// edge is a path: it blinks twice, burns away, and its top tile lights the
// next of the three lamps above its column. Tiles left of a gap slide right
// and new tiles slide in from the left. Won the moment lamp 3 of every
// column is lit.
//
// Level data: "_iOffX", "_iOffY" (the grid's top-left corner), "_iNumRows",
// "_iNumCols" (0 gives an empty board, never won), "_iOffsetLampY_1",
// "_iOffsetLampY_2"; images "_keyImg_tile1".."_keyImg_tile4" (straight,
// corner, T, cross; the cell size is the first one's width) and
// "_keyImg_lamp" (two cels: off, on); "effKillEl" and "effLampOn" are
// optional. A missing tile or lamp image, or rows or columns below 0 or
// above 64, cannot be played: one log line, and the game stays idle.
// Random draws come from the engine's LCG.
//
// Cells are stored column by column: column i, row j has index i x rows + j.
#pragma once

#include <vector>

#include "engine/ImageSlot.h"
#include "levels/MiniGame.h"

namespace Kivo {

class MemoryImage;

struct TarnivelleTile {
  MemoryImage* image = nullptr;  // one of the game's four tile images
  int kind = 0;                  // 1 straight, 2 corner, 3 T, 4 cross
  Quad current{};
  Quad target{};
  bool openLeft = false;
  bool openUp = false;
  bool openRight = false;
  bool openDown = false;
  bool lit = false;
  bool moving = false;
  bool onPath = false;
  bool inUse = false;
  int pathState = 0;  // 0 fading out, 1 fading in, 2 burning
  int alpha = 0;
  int counter = 0;  // blinks left, then the burning delay
};

struct TarnivelleCell {
  Quad quad{};
  Vec2 centre;
  TarnivelleTile* tile = nullptr;  // into the game's pool; null while empty
  int column = 0;
  int row = 0;
};

struct TarnivelleLampColumn {
  int lit[3] = {0, 0, 0};
  Quad quads[3]{};
  Vec2 centres[3];
};

class TarnivelleGame : public MiniGame {
 public:
  static constexpr int kMaxSide = 64;
  static constexpr int kTurnClockwise = 0;
  static constexpr int kTurnCounterClockwise = 1;

  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;

  // The cell of column i, row j, or null outside the board.
  TarnivelleCell* CellAt(int i, int j);
  // Turns the tile's target quad and open sides by a quarter.
  static void Turn(TarnivelleTile& tile, int direction);
  // One 5-pixel step of every corner toward its target; true when all landed.
  static bool MoveStep(TarnivelleTile& tile);
  // Aims the tile at the cell's square keeping its orientation.
  static void FitToCell(TarnivelleTile& tile, const TarnivelleCell& cell);
  // Whether the cell's tile joins a lit neighbour or the bottom edge.
  bool IsConnected(const TarnivelleCell& cell);
  // Lights everything joined to the bottom edge and marks the paths.
  void RunConnectivity();
  // Whether any tile is moving or burning (the board is busy).
  bool IsBusy() const;

  int mRows = 0;
  int mColumns = 0;
  std::vector<TarnivelleTile> mPool;
  std::vector<TarnivelleCell> mCells;
  std::vector<TarnivelleLampColumn> mLamps;
  ImageSlot mTileImages[4];
  ImageSlot mLampImage;
  float mCellSize = 0.0f;
  float mOffX = 0.0f;
  float mOffY = 0.0f;
  sObj* mKillEffect = nullptr;
  sObj* mLampEffect = nullptr;

 private:
  void MakeTile(TarnivelleTile& tile, int kind);
  void Flood(int i, int j);
  void SpreadPath(int i, int j);
  void BlinkAndBurn();
  void Refill();
  TarnivelleTile* FreeTile();
};

}  // namespace Kivo
