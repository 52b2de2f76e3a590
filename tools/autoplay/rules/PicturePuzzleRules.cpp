#include "tools/autoplay/rules/PicturePuzzleRules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <unordered_map>
#include <vector>

#include "image/MemoryImage.h"
#include "levels/CirclePuzzleGame.h"
#include "levels/LampsGame.h"
#include "levels/PictQuadGames.h"
#include "levels/PuzzleGame.h"
#include "levels/TowersGame.h"
#include "tools/autoplay/rules/RuleMoves.h"

namespace Kivo {

namespace {

using rule_moves::Click;
using rule_moves::kPlayRight;
using rule_moves::Wait;

// A sliding board as the place of every home index, 4 bits each.
uint64_t Encode(const std::vector<int>& places) {
  uint64_t code = 0;
  for (size_t i = 0; i < places.size(); ++i) code |= static_cast<uint64_t>(places[i]) << (4 * i);
  return code;
}

// The boards reachable from the solved one of side n, with their distance
// to it; built once per side (n of 2 or 3).
const std::unordered_map<uint64_t, uint8_t>& SlideDistances(int n) {
  static std::unordered_map<int, std::unordered_map<uint64_t, uint8_t>> tables;
  auto found = tables.find(n);
  if (found != tables.end()) return found->second;
  std::unordered_map<uint64_t, uint8_t>& table = tables[n];
  std::vector<int> solved(n * n);
  for (int i = 0; i < n * n; ++i) solved[i] = i;
  std::deque<std::vector<int>> open{solved};
  table[Encode(solved)] = 0;
  while (!open.empty()) {
    const std::vector<int> board = open.front();
    open.pop_front();
    const uint8_t distance = table[Encode(board)];
    const int empty = board.back();
    for (int i = 0; i + 1 < n * n; ++i) {
      if (std::abs(board[i] / n - empty / n) + std::abs(board[i] % n - empty % n) != 1) continue;
      std::vector<int> next = board;
      std::swap(next[i], next.back());
      if (table.emplace(Encode(next), static_cast<uint8_t>(distance + 1)).second) open.push_back(next);
    }
  }
  return table;
}

}  // namespace

bool PictMoveRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<PictMoveGame&>(base);
  if (game.mMoving[0] >= 0 || game.mMoving[1] >= 0) {
    Wait(move);
    return true;
  }
  HintPoint first, second;
  if (game.GetHintPosition(first, second) != kHintClosedAtBoth) {
    // A start that happens to be solved is won by a swap and the swap back.
    if (game.mWon || game.mPieces.size() < 2) return false;
    first = QuadCentre(game.mPieces[0].motion.current);
    second = QuadCentre(game.mPieces[1].motion.current);
  }
  const HintPoint& at = game.mSelected < 0 ? first : second;
  Click(move, at.x, at.y);
  return true;
}

bool PictRotateRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<PictRotateGame&>(base);
  if (game.mMoving >= 0) {
    Wait(move);
    return true;
  }
  for (const PictRotatePiece& piece : game.mPieces) {
    if (piece.turn == 3) continue;
    const HintPoint centre = QuadCentre(piece.motion.current);
    Click(move, centre.x, centre.y);
    return true;
  }
  return false;
}

bool Pict15Rule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<Pict15Game&>(base);
  const int n = game.mGridSize;
  if (n < 2 || n > 3) return false;
  if (game.mMoving >= 0) {
    Wait(move);
    return true;
  }
  std::vector<int> board;
  for (const PictPiece& piece : game.mPieces) board.push_back(piece.row * n + piece.column);
  const auto& distances = SlideDistances(n);
  const auto here = distances.find(Encode(board));
  if (here == distances.end() || here->second == 0) return false;
  const int empty = board.back();
  for (int i = 0; i + 1 < n * n; ++i) {
    if (std::abs(board[i] / n - empty / n) + std::abs(board[i] % n - empty % n) != 1) continue;
    std::vector<int> next = board;
    std::swap(next[i], next.back());
    const auto there = distances.find(Encode(next));
    if (there == distances.end() || there->second + 1 != here->second) continue;
    const HintPoint centre = QuadCentre(game.mPieces[i].motion.current);
    Click(move, centre.x, centre.y);
    return true;
  }
  return false;
}

bool PictPuzzleRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<PictPuzzleGame&>(base);
  if (game.mHeld >= 0) {
    const PictPuzzlePiece& piece = game.mPieces[game.mHeld];
    if (!piece.motion.AtRest()) {
      Wait(move);
      return true;
    }
    if (piece.turn != 3) {
      Click(move, game.mPointerX, game.mPointerY, -1);
      return true;
    }
    // Dropped where the piece's centre lands on its home's centre.
    const HintPoint home = QuadCentre(game.mCells[piece.index].home);
    Click(move, home.x - game.mGrabX, home.y - game.mGrabY);
    return true;
  }
  for (const PictPuzzlePiece& piece : game.mPieces) {
    if (!piece.motion.AtRest()) {
      Wait(move);
      return true;
    }
  }
  if (!game.mLoose.empty()) {
    // The top piece, pressed at a point of it left of the HUD panel.
    const PictPuzzlePiece& piece = game.mPieces[game.mLoose.back()];
    float left = piece.motion.current.corner[0].x;
    for (const Vector2& corner : piece.motion.current.corner) left = std::min(left, corner.x);
    const float x = std::max(std::min(piece.centre.x, kPlayRight), left + 1.0f);
    Click(move, x, piece.centre.y);
    return true;
  }
  for (size_t c = 0; c < game.mCells.size(); ++c) {
    const PictPuzzleCell& cell = game.mCells[c];
    if (cell.piece < 0 || game.IsFixed(static_cast<int>(c))) continue;
    const HintPoint centre = QuadCentre(cell.home);
    Click(move, centre.x, centre.y);
    return true;
  }
  return false;
}

bool LampsRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<LampsGame&>(base);
  if (game.mFinished) return false;  // the bar fills on its own
  HintPoint first, second;
  const uint8_t code = game.GetHintPosition(first, second);
  if (code != kHintAtFirst && code != kHintAtBoth) return false;
  Click(move, first.x, first.y);
  return true;
}

namespace {

// The next move (disk, target) bringing disks first..last (0 the largest)
// onto tower `to` among three; false when they are all there.
bool NextHanoiMove(const std::vector<int>& at, int first, int last, int to, int& disk, int& target) {
  for (int d = first; d <= last; ++d) {
    if (at[d] == to) continue;
    // Disk d goes to `to` once every smaller disk is on the third tower.
    if (NextHanoiMove(at, d + 1, last, 3 - at[d] - to, disk, target)) return true;
    disk = d;
    target = to;
    return true;
  }
  return false;
}

}  // namespace

bool TowersRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<TowersGame&>(base);
  if (game.mTowers.size() != 3) return false;
  if (game.mState != TowersGame::kIdle) {
    Wait(move);
    return true;
  }
  std::vector<int> at(game.mDisks.size(), -1);
  for (int t = 0; t < 3; ++t) {
    for (int d : game.mTowers[t].disks) at[d] = t;
  }
  if (game.mCarried >= 0) at[game.mCarried] = game.mWorking;
  int disk = -1, target = -1;
  if (!NextHanoiMove(at, 0, static_cast<int>(at.size()) - 1, 2, disk, target)) return false;
  int tower = at[disk];
  if (game.mCarried >= 0) tower = disk == game.mCarried ? target : game.mWorking;
  const Quad& q = game.mTowers[tower].part.displayQuad;
  Click(move, (q.corner[0].x + q.corner[2].x) / 2.0f, (q.corner[0].y + q.corner[2].y) / 2.0f);
  return true;
}

bool CirclePuzzleRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<CirclePuzzleGame&>(base);
  constexpr double kReach = 200.0;  // the release lies this far from the centre
  for (const CirclePuzzle& puzzle : game.mPuzzles) {
    const int cx = puzzle.originX + puzzle.picture->width / 2;
    const int cy = puzzle.originY + puzzle.picture->height / 2;
    for (const PuzzleRing& ring : puzzle.rings) {
      if (!ring.active) continue;
      // The nearest angle that locks: 0.5 beyond a whole number of turns.
      const double turns = std::round(std::fabs(ring.angle) / 360.0);
      const double goal = (ring.angle < 0.0 ? -1.0 : 1.0) * (360.0 * turns + 0.5);
      const double turn = std::clamp(goal - ring.angle, -90.0, 90.0);
      // Pressed right of the centre (pointer angle -90) inside the ring, and
      // released where the pointer's angle is -90 + turn.
      const int pressX = cx + (ring.inner + ring.outer) / 2;
      const double radians = -(turn)*3.141592653589793 / 180.0;
      move.kind = AutoplayMove::kDrag;
      move.x = pressX;
      move.y = cy;
      move.toX = cx + static_cast<int>(std::lround(kReach * std::cos(radians)));
      move.toY = cy + static_cast<int>(std::lround(kReach * std::sin(radians)));
      move.clicks = 1;
      return true;
    }
  }
  return false;
}

bool JigsawRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<PuzzleGame&>(base);
  const JigsawBoard& board = game.mBoard;
  const float bx = static_cast<float>(board.mX);
  const float by = static_cast<float>(board.mY);
  if (board.mHolding) {
    const JigsawPiece& held = board.mPieces.front();
    // The press point keeps the piece where it is, or brings it home.
    if (held.angle != 0) {
      Click(move, std::round(held.x + board.mGrabX + bx), std::round(held.y + board.mGrabY + by), -1);
    } else {
      Click(move, std::round(held.homeX + board.mGrabX + bx), std::round(held.homeY + board.mGrabY + by));
    }
    return true;
  }
  for (const JigsawPiece& piece : board.mPieces) {
    if (piece.fixed) continue;
    Click(move, piece.x + bx, piece.y + by);
    return true;
  }
  return false;
}

}  // namespace Kivo
