#include "tools/autoplay/rules/FuseTileRules.h"

#include <array>
#include <cmath>
#include <vector>

#include "levels/TarnivelleGame.h"

namespace Kivo {

namespace {

constexpr int kMaxCells = 6;

// Open sides in the order up, right, down, left.
using Sides = std::array<bool, 4>;

Sides SidesOf(const TarnivelleTile& tile) { return {tile.openUp, tile.openRight, tile.openDown, tile.openLeft}; }

// A clockwise quarter: the side that was on the left is now on top.
Sides Turned(const Sides& sides, int quarters) {
  Sides out = sides;
  for (int q = 0; q < quarters; ++q) out = {out[3], out[0], out[1], out[2]};
  return out;
}

// The columns whose top tile is lit and open up, for sides by cell index.
std::vector<int> ExitColumns(const std::vector<Sides>& sides, int rows, int columns) {
  std::vector<bool> lit(sides.size(), false);
  std::vector<int> stack;
  auto index = [rows](int i, int j) { return i * rows + j; };
  for (int i = 0; i < columns; ++i) {
    const int k = index(i, rows - 1);
    if (sides[static_cast<size_t>(k)][2]) {
      lit[static_cast<size_t>(k)] = true;
      stack.push_back(k);
    }
  }
  const int di[4] = {0, 1, 0, -1};
  const int dj[4] = {-1, 0, 1, 0};
  while (!stack.empty()) {
    const int k = stack.back();
    stack.pop_back();
    const int i = k / rows;
    const int j = k % rows;
    for (int side = 0; side < 4; ++side) {
      if (!sides[static_cast<size_t>(k)][static_cast<size_t>(side)]) continue;
      const int ni = i + di[side];
      const int nj = j + dj[side];
      if (ni < 0 || nj < 0 || ni >= columns || nj >= rows) continue;
      const int n = index(ni, nj);
      if (lit[static_cast<size_t>(n)] || !sides[static_cast<size_t>(n)][static_cast<size_t>((side + 2) % 4)]) continue;
      lit[static_cast<size_t>(n)] = true;
      stack.push_back(n);
    }
  }
  std::vector<int> exits;
  for (int i = 0; i < columns; ++i) {
    const int k = index(i, 0);
    if (lit[static_cast<size_t>(k)] && sides[static_cast<size_t>(k)][0]) exits.push_back(i);
  }
  return exits;
}

void Press(const TarnivelleCell& cell, int clicks, AutoplayMove& move) {
  move.kind = AutoplayMove::kClick;
  move.x = static_cast<int>(std::lround(cell.centre.x));
  move.y = static_cast<int>(std::lround(cell.centre.y));
  move.clicks = clicks;
}

}  // namespace

bool FuseTileRule(MiniGame& game, AutoplayMove& move) {
  auto* board = dynamic_cast<TarnivelleGame*>(&game);
  if (board == nullptr || board->IsWon() || board->IsUnplayable()) return false;
  const int cells = static_cast<int>(board->mCells.size());
  if (cells == 0 || cells > kMaxCells || board->IsBusy()) return false;
  std::vector<Sides> now;
  for (const TarnivelleCell& cell : board->mCells) {
    if (cell.tile == nullptr || cell.tile->onPath) return false;  // filling in, or a path still to burn
    now.push_back(SidesOf(*cell.tile));
  }
  const int rows = board->mRows;
  const int columns = board->mColumns;
  auto wanted = [board](int column) { return board->mLamps[static_cast<size_t>(column)].lit[2] == 0; };

  // A turn makes the game look for paths only when it ends on a tile that
  // joins the power; the bottom row's open-down tiles always do. So the
  // presses are ordered upper rows first and bottom tiles ending open down
  // last, and a combination that turns no such tile pays for a turn there
  // and back (two presses) to make the game see its path.
  auto entersFromBelow = [rows](int c, const Sides& after) { return c % rows == rows - 1 && after[2]; };
  int bestCost = -1;
  bool bestWanted = false;
  std::vector<int> best;
  std::vector<Sides> bestSides;
  std::vector<int> turns(static_cast<size_t>(cells), 0);
  std::vector<Sides> sides(now);
  int combinations = 1;
  for (int c = 0; c < cells; ++c) combinations *= 4;
  for (int combo = 0; combo < combinations; ++combo) {
    int code = combo;
    int cost = 0;
    bool entry = false;
    for (int c = 0; c < cells; ++c) {
      const int t = code % 4;
      code /= 4;
      turns[static_cast<size_t>(c)] = t;
      // Three clockwise quarters are one counter-clockwise press.
      cost += t == 3 ? 1 : t;
      sides[static_cast<size_t>(c)] = Turned(now[static_cast<size_t>(c)], t);
      entry = entry || (t != 0 && entersFromBelow(c, sides[static_cast<size_t>(c)]));
    }
    const std::vector<int> exits = ExitColumns(sides, rows, columns);
    if (exits.empty()) continue;
    bool anyWanted = false;
    for (int column : exits) anyWanted = anyWanted || wanted(column);
    if (!entry) cost += 2;
    const bool better = bestCost < 0 || (anyWanted && !bestWanted) || (anyWanted == bestWanted && cost < bestCost);
    if (!better) continue;
    bestCost = cost;
    bestWanted = anyWanted;
    best = turns;
    bestSides = sides;
  }
  if (bestCost < 0) return false;
  // Upper rows, then bottom tiles that end closed below, then those that end open below.
  for (int pass = 0; pass < 3; ++pass) {
    for (int c = 0; c < cells; ++c) {
      const int t = best[static_cast<size_t>(c)];
      if (t == 0) continue;
      const bool bottom = c % rows == rows - 1;
      const int order = !bottom ? 0 : entersFromBelow(c, bestSides[static_cast<size_t>(c)]) ? 2 : 1;
      if (order != pass) continue;
      Press(board->mCells[static_cast<size_t>(c)], t == 3 ? -1 : 1, move);
      return true;
    }
  }
  // Everything is in place but unseen: turn a bottom tile that feeds the
  // path away; the next search turns it back.
  for (int c = rows - 1; c < cells; c += rows) {
    if (bestSides[static_cast<size_t>(c)][2]) {
      Press(board->mCells[static_cast<size_t>(c)], 1, move);
      return true;
    }
  }
  return false;
}

}  // namespace Kivo
