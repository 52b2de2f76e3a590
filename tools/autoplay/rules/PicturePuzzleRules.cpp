#include "tools/autoplay/rules/PicturePuzzleRules.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <unordered_map>
#include <vector>

#include "levels/LampsGame.h"
#include "levels/PictQuadGames.h"
#include "levels/TowersGame.h"

namespace Kivo {

namespace {

// Presses stay left of the HUD panel.
constexpr float kPlayRight = 679.0f;

void Click(AutoplayMove& move, float x, float y, int clicks = 1) {
  move.kind = AutoplayMove::kClick;
  move.x = static_cast<int>(x);
  move.y = static_cast<int>(y);
  move.clicks = clicks;
}

void Wait(AutoplayMove& move, int updates = 1) {
  move.kind = AutoplayMove::kWait;
  move.updates = updates;
}

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
  if (game.GetHintPosition(first, second) != kHintClosedAtBoth) return false;
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

}  // namespace Kivo
