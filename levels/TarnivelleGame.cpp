#include "levels/TarnivelleGame.h"

#include <string>

#include "engine/GameUtils.h"
#include "engine/PropertyList.h"
#include "image/MemoryImage.h"
#include "levels/FoundObjects.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kStraight = 1;
constexpr int kCorner = 2;
constexpr int kTee = 3;
constexpr int kCross = 4;
constexpr float kStep = 5.0f;

int IntProperty(const std::string& value) { return static_cast<int>(LeadingInt(value.c_str())); }

Quad Square(float x, float y, float side) {
  Quad quad;
  quad.corner[0] = Vector2(x, y);
  quad.corner[1] = Vector2(x + side, y);
  quad.corner[2] = Vector2(x + side, y + side);
  quad.corner[3] = Vector2(x, y + side);
  return quad;
}

Vec2 Midpoint(const Quad& quad) {
  return Vec2((quad.corner[0].x + quad.corner[2].x) * 0.5f, (quad.corner[0].y + quad.corner[2].y) * 0.5f);
}

void MoveQuad(Quad& quad, float dx, float dy) {
  for (Vector2& corner : quad.corner) {
    corner.x += dx;
    corner.y += dy;
  }
}

// Kind of a tile made at Init (a draw of 6) or later (a draw of 7).
int InitKind(int draw) { return draw <= 1 ? kStraight : draw <= 3 ? kCorner : draw == 4 ? kTee : kCross; }
int NewKind(int draw) { return draw <= 1 ? kStraight : draw <= 4 ? kCorner : draw == 5 ? kTee : kCross; }

// The orientation draw of 3: 0 a quarter counter-clockwise, 1 as made, 2 clockwise.
void TurnAtRandom(TarnivelleTile& tile) {
  const int turn = LcgRandomInt(3);
  tile.target = tile.current;
  if (turn == 0) TarnivelleGame::Turn(tile, TarnivelleGame::kTurnCounterClockwise);
  if (turn == 2) TarnivelleGame::Turn(tile, TarnivelleGame::kTurnClockwise);
  tile.current = tile.target;
  tile.moving = false;
}

}  // namespace

void TarnivelleGame::MakeTile(TarnivelleTile& tile, int kind) {
  tile.kind = kind;
  tile.image = mTileImages[kind - 1].Get();
  tile.openLeft = kind == kTee || kind == kCross;
  tile.openUp = kind != kTee;
  tile.openRight = kind != kStraight;
  tile.openDown = kind != kCorner;
  tile.lit = false;
  tile.onPath = false;
  tile.moving = false;
  tile.inUse = true;
  tile.pathState = 0;
  tile.alpha = 0;
  tile.counter = 1;
}

int TarnivelleGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mKillEffect = FindEffect("effKillEl");
  mLampEffect = FindEffect("effLampOn");
  mPool.clear();
  mCells.clear();
  mLamps.clear();
  mRows = mColumns = 0;
  for (int k = 0; k < 4; ++k) {
    const std::string key = "_keyImg_tile" + std::to_string(k + 1);
    if (!mTileImages[k].Load(LevelProperty(key))) {
      MarkUnplayable("tarnivelle", "the tile image " + key + " is missing");
      return 0;
    }
  }
  if (!mLampImage.Load(LevelProperty("_keyImg_lamp"))) {
    MarkUnplayable("tarnivelle", "the lamp image _keyImg_lamp is missing");
    return 0;
  }
  mOffX = PropertyFloat(LevelProperty("_iOffX"));
  mOffY = PropertyFloat(LevelProperty("_iOffY"));
  const int rows = IntProperty(LevelProperty("_iNumRows"));
  const int columns = IntProperty(LevelProperty("_iNumCols"));
  const int lampOffset1 = IntProperty(LevelProperty("_iOffsetLampY_1"));
  const int lampOffset2 = IntProperty(LevelProperty("_iOffsetLampY_2"));
  if (rows < 0 || rows > kMaxSide || columns < 0 || columns > kMaxSide) {
    MarkUnplayable("tarnivelle", "a board of " + std::to_string(rows) + " rows and " + std::to_string(columns) +
                                     " columns (0 to 64 each)");
    return 0;
  }
  mRows = rows;
  mColumns = columns;
  mCellSize = static_cast<float>(mTileImages[0].Get()->width);
  const float lampHeight = static_cast<float>(mLampImage.Get()->height);
  const float margin = (mCellSize - lampHeight) / 2.0f;

  const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(columns);
  mPool.assign(count, TarnivelleTile());
  mCells.assign(count, TarnivelleCell());
  mLamps.assign(static_cast<size_t>(columns), TarnivelleLampColumn());
  size_t next = 0;
  for (int i = 0; i < columns; ++i) {
    for (int j = 0; j < rows; ++j) {
      TarnivelleTile& tile = mPool[next];
      TarnivelleCell& cell = mCells[next];
      ++next;
      MakeTile(tile, InitKind(LcgRandomInt(6)));
      tile.current =
          Square(mOffX + static_cast<float>(i) * mCellSize, mOffY + static_cast<float>(j) * mCellSize, mCellSize);
      cell.quad = tile.current;
      cell.centre = Midpoint(cell.quad);
      cell.column = i;
      cell.row = j;
      cell.tile = &tile;
      TurnAtRandom(tile);
    }
  }
  for (int i = 0; i < columns && rows > 0; ++i) {
    const TarnivelleCell& top = mCells[static_cast<size_t>(i) * static_cast<size_t>(rows)];
    TarnivelleLampColumn& lamps = mLamps[static_cast<size_t>(i)];
    Quad lamp = Square(top.quad.corner[0].x + margin, top.quad.corner[0].y + margin, mCellSize - 2.0f * margin);
    MoveQuad(lamp, 0.0f, -static_cast<float>(lampOffset1));
    for (int n = 0; n < 3; ++n) {
      if (n > 0) MoveQuad(lamp, 0.0f, -(lampHeight + static_cast<float>(lampOffset2)));
      lamps.lit[n] = 0;
      lamps.quads[n] = lamp;
      lamps.centres[n] = Midpoint(lamp);
    }
  }
  return 0;
}

TarnivelleCell* TarnivelleGame::CellAt(int i, int j) {
  if (i < 0 || j < 0 || i >= mColumns || j >= mRows) return nullptr;
  return &mCells[static_cast<size_t>(i) * static_cast<size_t>(mRows) + static_cast<size_t>(j)];
}

void TarnivelleGame::Turn(TarnivelleTile& tile, int direction) {
  const Quad from = tile.current;
  const bool left = tile.openLeft;
  const bool up = tile.openUp;
  const bool right = tile.openRight;
  const bool down = tile.openDown;
  if (direction == kTurnCounterClockwise) {
    for (int k = 0; k < 4; ++k) tile.target.corner[k] = from.corner[(k + 3) % 4];
    tile.openLeft = up;
    tile.openUp = right;
    tile.openRight = down;
    tile.openDown = left;
  } else {
    for (int k = 0; k < 4; ++k) tile.target.corner[k] = from.corner[(k + 1) % 4];
    tile.openLeft = down;
    tile.openDown = right;
    tile.openRight = up;
    tile.openUp = left;
  }
  tile.moving = true;
}

bool TarnivelleGame::MoveStep(TarnivelleTile& tile) {
  bool landed = true;
  for (int k = 0; k < 4; ++k) {
    Vector2& corner = tile.current.corner[k];
    const Vector2& target = tile.target.corner[k];
    const Vec2 toTarget(target.x - corner.x, target.y - corner.y);
    if (Vec2::Length(toTarget) < kStep) {
      corner = target;
      continue;
    }
    const Vec2 step = Vec2::SetLength(toTarget, kStep);
    corner.x += step.x;
    corner.y += step.y;
    landed = false;
  }
  if (landed) tile.moving = false;
  return landed;
}

void TarnivelleGame::FitToCell(TarnivelleTile& tile, const TarnivelleCell& cell) {
  float best = 0.0f;
  int nearest = -1;
  bool shared = false;
  for (int k = 0; k < 4; ++k) {
    const float d = Vec2::DistanceSq(Vec2(0.0f, 0.0f), tile.current.corner[k]);
    if (nearest < 0 || d < best) {
      best = d;
      nearest = k;
      shared = false;
    } else if (d == best) {
      shared = true;
    }
  }
  if (!shared) {
    for (int t = 0; t < 4; ++t) tile.target.corner[(nearest + t) % 4] = cell.quad.corner[t];
  }
  tile.moving = true;
}

bool TarnivelleGame::IsConnected(const TarnivelleCell& cell) {
  const TarnivelleTile* tile = cell.tile;
  if (tile == nullptr) return false;
  const int i = cell.column;
  const int j = cell.row;
  if (j == mRows - 1 && tile->openDown) return true;
  auto litToward = [this](int ni, int nj, bool TarnivelleTile::*backSide) {
    TarnivelleCell* other = CellAt(ni, nj);
    return other != nullptr && other->tile != nullptr && other->tile->lit && other->tile->*backSide;
  };
  return (tile->openLeft && litToward(i - 1, j, &TarnivelleTile::openRight)) ||
         (tile->openRight && litToward(i + 1, j, &TarnivelleTile::openLeft)) ||
         (tile->openUp && litToward(i, j - 1, &TarnivelleTile::openDown)) ||
         (tile->openDown && litToward(i, j + 1, &TarnivelleTile::openUp));
}

void TarnivelleGame::Flood(int i, int j) {
  TarnivelleTile* tile = CellAt(i, j)->tile;
  struct Side {
    int di, dj;
    bool TarnivelleTile::*out;
    bool TarnivelleTile::*back;
  };
  const Side sides[] = {{-1, 0, &TarnivelleTile::openLeft, &TarnivelleTile::openRight},
                        {1, 0, &TarnivelleTile::openRight, &TarnivelleTile::openLeft},
                        {0, -1, &TarnivelleTile::openUp, &TarnivelleTile::openDown},
                        {0, 1, &TarnivelleTile::openDown, &TarnivelleTile::openUp}};
  for (const Side& side : sides) {
    if (!(tile->*side.out)) continue;
    TarnivelleCell* other = CellAt(i + side.di, j + side.dj);
    if (other == nullptr || other->tile == nullptr || other->tile->lit || !(other->tile->*side.back)) continue;
    other->tile->lit = true;
    Flood(i + side.di, j + side.dj);
  }
}

void TarnivelleGame::SpreadPath(int i, int j) {
  TarnivelleTile* tile = CellAt(i, j)->tile;
  struct Side {
    int di, dj;
    bool TarnivelleTile::*out;
    bool TarnivelleTile::*back;
  };
  const Side sides[] = {{-1, 0, &TarnivelleTile::openLeft, &TarnivelleTile::openRight},
                        {1, 0, &TarnivelleTile::openRight, &TarnivelleTile::openLeft},
                        {0, -1, &TarnivelleTile::openUp, &TarnivelleTile::openDown},
                        {0, 1, &TarnivelleTile::openDown, &TarnivelleTile::openUp}};
  for (const Side& side : sides) {
    if (!(tile->*side.out)) continue;
    TarnivelleCell* other = CellAt(i + side.di, j + side.dj);
    if (other == nullptr || other->tile == nullptr || other->tile->onPath || !(other->tile->*side.back)) continue;
    TarnivelleTile* next = other->tile;
    next->onPath = true;
    next->pathState = tile->pathState;
    next->alpha = tile->alpha;
    next->counter = tile->counter;
    SpreadPath(i + side.di, j + side.dj);
  }
}

void TarnivelleGame::RunConnectivity() {
  for (TarnivelleCell& cell : mCells) {
    if (cell.tile == nullptr) continue;
    cell.tile->lit = false;
    cell.tile->onPath = false;
  }
  for (int i = 0; i < mColumns; ++i) {
    TarnivelleTile* tile = CellAt(i, mRows - 1)->tile;
    if (tile != nullptr && tile->openDown) tile->lit = true;
  }
  for (int i = 0; i < mColumns; ++i) {
    TarnivelleTile* tile = CellAt(i, mRows - 1)->tile;
    if (tile != nullptr && tile->lit) Flood(i, mRows - 1);
  }
  for (int i = 0; i < mColumns; ++i) {
    TarnivelleTile* tile = CellAt(i, 0)->tile;
    if (tile == nullptr || !tile->lit || !tile->openUp || tile->onPath) continue;
    tile->onPath = true;
    SpreadPath(i, 0);
  }
  for (TarnivelleCell& cell : mCells) {
    if (cell.tile != nullptr && cell.tile->onPath) cell.tile->pathState = 0;
  }
}

int TarnivelleGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  for (TarnivelleCell& cell : mCells) {
    if (!PointInQuad(cell.quad, static_cast<float>(x), static_cast<float>(y))) continue;
    TarnivelleTile* tile = cell.tile;
    if (tile != nullptr && !tile->moving && tile->pathState != 2) {
      Turn(*tile, clickCount < 0 ? kTurnCounterClockwise : kTurnClockwise);
      CurrentLevelContext().PlaySound("SOUND_ROCKET_TRESK");
    }
    return 0;
  }
  return 0;
}

int TarnivelleGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  int pathFlag = 0;
  for (TarnivelleCell& cell : mCells) {
    TarnivelleTile* tile = cell.tile;
    if (tile == nullptr) continue;
    if (tile->onPath) {
      if (pathFlag < 1) pathFlag = 1;
      if (tile->moving) pathFlag = 2;
    } else {
      tile->alpha = tile->alpha + 15 >= 255 ? 255 : tile->alpha + 15;
    }
    if (!tile->moving) continue;
    const bool wasLit = tile->lit;
    if (MoveStep(*tile) && (IsConnected(cell) || wasLit)) RunConnectivity();
  }
  if (pathFlag == 1) BlinkAndBurn();
  Refill();
  return 0;
}

void TarnivelleGame::BlinkAndBurn() {
  bool removed = false;
  for (TarnivelleCell& cell : mCells) {
    TarnivelleTile* tile = cell.tile;
    if (tile == nullptr || !tile->onPath) continue;
    if (tile->pathState == 0) {
      if (tile->alpha > 100) {
        tile->alpha -= 5;
      } else {
        tile->pathState = 1;
      }
    } else if (tile->pathState == 1) {
      if (tile->alpha < 255) {
        tile->alpha += 5;
      } else if (tile->counter > 0) {
        --tile->counter;
        tile->pathState = 0;
      } else {
        StartEffectAt(mKillEffect, cell.centre);
        tile->counter = 30;
        tile->pathState = 2;
      }
    } else if (tile->counter > 0) {
      --tile->counter;
    } else {
      if (cell.row == 0 && tile->openUp) {
        TarnivelleLampColumn& lamps = mLamps[static_cast<size_t>(cell.column)];
        for (int n = 0; n < 3; ++n) {
          if (lamps.lit[n] != 0) continue;
          lamps.lit[n] = 1;
          StartEffectAt(mLampEffect, lamps.centres[n]);
          break;
        }
        if (!mWon) {
          bool all = true;
          for (const TarnivelleLampColumn& column : mLamps) all = all && column.lit[2] != 0;
          mWon = all;
        }
      }
      tile->inUse = false;
      tile->onPath = false;
      tile->lit = false;
      cell.tile = nullptr;
      removed = true;
    }
  }
  if (removed) CurrentLevelContext().PlaySound("SOUND_GOOD_OBJECT");
}

TarnivelleTile* TarnivelleGame::FreeTile() {
  for (TarnivelleTile& tile : mPool) {
    if (!tile.inUse) return &tile;
  }
  return nullptr;
}

void TarnivelleGame::Refill() {
  for (size_t index = mCells.size(); index-- > 0;) {
    TarnivelleCell& cell = mCells[index];
    if (cell.tile != nullptr) continue;
    if (cell.column > 0) {
      TarnivelleCell* left = CellAt(cell.column - 1, cell.row);
      if (left->tile == nullptr) continue;
      cell.tile = left->tile;
      left->tile = nullptr;
      FitToCell(*cell.tile, cell);
      continue;
    }
    bool enter = mColumns == 1;
    if (!enter) {
      const TarnivelleTile* nearest = nullptr;
      for (int i = 1; i < mColumns && nearest == nullptr; ++i) nearest = CellAt(i, cell.row)->tile;
      enter = nearest == nullptr || Midpoint(nearest->current).x >= cell.centre.x + mCellSize;
    }
    if (!enter) continue;
    TarnivelleTile* tile = FreeTile();
    if (tile == nullptr) continue;
    MakeTile(*tile, NewKind(LcgRandomInt(7)));
    tile->current = cell.quad;
    TurnAtRandom(*tile);
    MoveQuad(tile->current, -mCellSize, 0.0f);
    tile->target = tile->current;
    FitToCell(*tile, cell);
    cell.tile = tile;
  }
}

bool TarnivelleGame::IsBusy() const {
  for (const TarnivelleCell& cell : mCells) {
    if (cell.tile != nullptr && (cell.tile->moving || cell.tile->pathState == 2)) return true;
  }
  return false;
}

int TarnivelleGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  for (sObj* object : *mLevelObjects) {
    if (object == mHudAnchor) {
      DrawHud(g);
    } else {
      object->Draw(&g);
    }
  }
  for (const TarnivelleCell& cell : mCells) {
    const TarnivelleTile* tile = cell.tile;
    if (tile == nullptr) continue;
    const unsigned char shade = tile->lit ? 255 : 150;
    g.SetColorARGB(static_cast<unsigned char>(tile->alpha), shade, shade, shade);
    g.DrawCellQuad(tile->image, tile->current, 1, 1);
  }
  g.SetColorARGB(255, 255, 255, 255);
  for (const TarnivelleLampColumn& lamps : mLamps) {
    for (int n = 0; n < 3; ++n) g.DrawCellQuad(mLampImage.Get(), lamps.quads[n], lamps.lit[n] + 1, 1);
  }
  g.End3D();
  g.SetColorizeImages(false);
  return MiniGame::Draw(g);
}

}  // namespace Kivo
