#include "levels/PictQuadGames.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/KeyframeTrack.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "levels/PlayfieldDraw.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr float kPlayfieldRight = 680.0f;  // the HUD panel's left edge
constexpr int kMaxGrid = 32;
constexpr int kGreyHome = 255;
constexpr int kGreyAway = 180;

void PlaySound(const char* id) { CurrentLevelContext().PlaySound(id); }

// Starts the emitter (when it is one) at the point.
void StartEffectAt(sObj* effect, const HintPoint& at) {
  if (auto* emitter = dynamic_cast<sObjEmitter*>(effect)) emitter->StartAt(Vec2(at.x, at.y));
}

int GreyFor(const PictPiece& piece) { return piece.AtHome() ? kGreyHome : kGreyAway; }

// Exchanges the places of two pieces: place, current and start quads.
void SwapPlaces(PictPiece& a, PictPiece& b) {
  std::swap(a.column, b.column);
  std::swap(a.row, b.row);
  std::swap(a.motion.current, b.motion.current);
  std::swap(a.motion.start, b.motion.start);
}

}  // namespace

void QuadMotion::StartMove(const Quad& to) {
  progress = 0.0f;
  target = to;
  start = current;
  const Vector2 travel(target.corner[3].x - start.corner[3].x, target.corner[3].y - start.corner[3].y);
  step = 8.0f / Vec2::Length(travel);
}

void QuadMotion::StepMove() {
  progress = std::min(progress + step, 1.0f);
  for (int i = 0; i < 4; ++i) {
    current.corner[i].x = start.corner[i].x + (target.corner[i].x - start.corner[i].x) * progress;
    current.corner[i].y = start.corner[i].y + (target.corner[i].y - start.corner[i].y) * progress;
  }
}

HintPoint QuadCentre(const Quad& quad) {
  return {(quad.corner[0].x + quad.corner[2].x) / 2.0f, (quad.corner[0].y + quad.corner[2].y) / 2.0f};
}

// ---------------------------------------------------------------------------
// The shared picture.

PictQuadGame::~PictQuadGame() {
  if (mPicture != nullptr) {
    mPicture->columns = mSavedColumns;
    mPicture->rows = mSavedRows;
  }
}

bool PictQuadGame::SetUpPicture(const char* kind) {
  const std::string size = LevelProperty("_iNumQuad");
  int32_t n = 4;
  if (!size.empty()) n = static_cast<int32_t>(LeadingInt(size.c_str()));
  if (n < 1 || n > kMaxGrid) {
    MarkUnplayable(kind, "\"_iNumQuad\" " + std::to_string(n) + " is outside 1.." + std::to_string(kMaxGrid));
    return false;
  }
  mPictureObject = mLevelObjects != nullptr ? FindObjectByName(*mLevelObjects, "sprGame") : nullptr;
  if (mPictureObject == nullptr) {
    MarkUnplayable(kind, "no \"sprGame\" object");
    return false;
  }
  auto* sprite = dynamic_cast<sObjSprite*>(mPictureObject);
  if (sprite == nullptr || sprite->GetImage() == nullptr || !mPictureHold.Load(sprite->mImage.Key()) ||
      mPictureHold.Get()->width < n || mPictureHold.Get()->height < n) {
    MarkUnplayable(kind, "\"sprGame\" has no picture of at least one pixel per piece");
    mPictureHold.Release();
    return false;
  }
  mPicture = mPictureHold.Get();
  mSavedColumns = mPicture->columns;
  mSavedRows = mPicture->rows;
  mPicture->columns = n;
  mPicture->rows = n;
  mPictureObject->SetVisible(false);
  mGridSize = n;
  mSide = static_cast<float>(mPicture->width) / static_cast<float>(n);
  return true;
}

Quad PictQuadGame::HomeQuad(int column, int row) const {
  Quad quad;
  MakeCellQuad(column, row, mSide, quad, mPictureObject->mBaseQuad.corner[0]);
  return quad;
}

void PictQuadGame::DrawPiece(Graphics& g, const Quad& quad, int homeColumn, int homeRow) {
  g.DrawCellQuad(mPicture, quad, homeColumn + 1, homeRow + 1);
}

int PictQuadGame::Draw(Graphics& g) {
  BeginPlayfield(g);
  DrawLevelWithHud(*this, g);
  if (!IsUnplayable() && mPicture != nullptr) DrawPieces(g);
  g.SetColor(Color(255, 255, 255, 255));
  EndPlayfield(*this, g);
  return 0;
}

uint8_t PictQuadGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  return MiniGame::GetHintPosition(first, second);
}

// ---------------------------------------------------------------------------
// pict_move

namespace {

// The pieces in home order, each at its home place.
template <typename Piece>
void MakeHomePieces(PictQuadGame& game, std::vector<Piece>& pieces) {
  const int n = game.mGridSize;
  pieces.clear();
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) {
      Piece piece;
      piece.column = piece.homeColumn = column;
      piece.row = piece.homeRow = row;
      piece.motion.current = piece.motion.target = piece.motion.start = game.HomeQuad(column, row);
      piece.centre = QuadCentre(piece.motion.current);
      pieces.push_back(piece);
    }
  }
}

// n^2 exchanges of every piece with one drawn from the LCG.
void ShufflePlaces(std::vector<PictPiece>& pieces) {
  const int count = static_cast<int>(pieces.size());
  for (int i = 0; i < count; ++i) {
    const int j = LcgRandomInt(count);
    SwapPlaces(pieces[i], pieces[j]);
  }
}

}  // namespace

int PictMoveGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mHomeEffect = FindEffect("effOnPlace");
  if (!SetUpPicture("pict_move")) return 0;
  MakeHomePieces(*this, mPieces);
  const int count = static_cast<int>(mPieces.size());
  for (int i = 0; i < count; ++i) {
    const int j = LcgRandomInt(count);
    SwapPlaces(mPieces[i], mPieces[j]);
    mPieces[i].grey = GreyFor(mPieces[i]);
    mPieces[j].grey = GreyFor(mPieces[j]);
  }
  mPieceCount = count;
  return 0;
}

bool PictMoveGame::AllHome() const {
  return std::all_of(mPieces.begin(), mPieces.end(), [](const PictPiece& p) { return p.AtHome(); });
}

int PictMoveGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mMoving[0] >= 0 || mMoving[1] >= 0) return 0;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  if (clickCount <= 0) {
    mSelected = -1;
    return 0;
  }
  if (mSelected >= 0 && PointInQuad(mPieces[mSelected].motion.current, fx, fy)) {
    mSelected = -1;
    return 0;
  }
  int taken = -1;
  for (int i = 0; i < static_cast<int>(mPieces.size()); ++i) {
    if (i != mSelected && PointInQuad(mPieces[i].motion.current, fx, fy)) {
      taken = i;
      break;
    }
  }
  if (taken < 0) return 0;
  if (mSelected < 0) {
    mSelected = taken;
    return 0;
  }
  PictPiece& a = mPieces[mSelected];
  PictPiece& b = mPieces[taken];
  const Quad aQuad = a.motion.current;
  a.motion.StartMove(b.motion.current);
  b.motion.StartMove(aQuad);
  std::swap(a.column, b.column);
  std::swap(a.row, b.row);
  mMoving[0] = mSelected;
  mMoving[1] = taken;
  mSelected = -1;
  PlaySound("SOUND_CARD_FLIP");
  return 0;
}

int PictMoveGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  for (int& slot : mMoving) {
    if (slot < 0) continue;
    PictPiece& piece = mPieces[slot];
    if (!piece.motion.AtRest()) {
      piece.motion.StepMove();
      continue;
    }
    piece.centre = QuadCentre(piece.motion.current);
    piece.grey = GreyFor(piece);
    if (piece.AtHome() && mHomeEffect != nullptr) {
      StartEffectAt(mHomeEffect, piece.centre);
      PlaySound("SOUND_GOOD_OBJECT");
    }
    slot = -1;
    if (!mWon && mMoving[0] < 0 && mMoving[1] < 0 && AllHome()) mWon = true;
  }
  return 0;
}

uint8_t PictMoveGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  for (PictPiece& piece : mPieces) {
    if (piece.AtHome()) continue;
    piece.centre = QuadCentre(piece.motion.current);
    PictPiece& owner = mPieces[piece.row * mGridSize + piece.column];
    owner.centre = QuadCentre(owner.motion.current);
    first = piece.centre;
    second = owner.centre;
    return kHintClosedAtBoth;
  }
  return kHintNone;
}

void PictMoveGame::DrawPieces(Graphics& g) {
  auto draw = [&](const PictPiece& piece) {
    g.SetColor(Color(piece.grey, piece.grey, piece.grey, piece.alpha));
    DrawPiece(g, piece.motion.current, piece.homeColumn, piece.homeRow);
  };
  for (const PictPiece& piece : mPieces) draw(piece);
  for (int slot : mMoving) {
    if (slot >= 0) draw(mPieces[slot]);
  }
  if (mSelected >= 0) {
    const Quad& q = mPieces[mSelected].motion.current;
    g.SetColor(Color(255, 255, 0, 200));
    g.FillRect3D(static_cast<int>(q.corner[0].x - 2.0f), static_cast<int>(q.corner[0].y - 2.0f),
                 static_cast<int>(q.corner[2].x - q.corner[0].x + 5.0f),
                 static_cast<int>(q.corner[2].y - q.corner[0].y + 5.0f));
    draw(mPieces[mSelected]);
  }
}

// ---------------------------------------------------------------------------
// pict_15

bool Pict15Game::Solvable(const std::vector<PictPiece>& pieces, int n) {
  const int count = static_cast<int>(pieces.size());
  // Parity of the permutation home index -> place index, by its cycles.
  std::vector<bool> seen(count, false);
  int transpositions = 0;
  for (int i = 0; i < count; ++i) {
    if (seen[i]) continue;
    int length = 0;
    for (int j = i; !seen[j]; j = pieces[j].row * n + pieces[j].column) {
      seen[j] = true;
      ++length;
    }
    transpositions += length - 1;
  }
  const PictPiece& empty = pieces.back();
  const int distance = (n - 1 - empty.column) + (n - 1 - empty.row);
  return transpositions % 2 == distance % 2;
}

int Pict15Game::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  if (!SetUpPicture("pict_15")) return 0;
  MakeHomePieces(*this, mPieces);
  ShufflePlaces(mPieces);
  // Half of all shuffles cannot be slid back: one more exchange of two real
  // pieces flips the parity without drawing again.
  if (mGridSize >= 2 && !Solvable(mPieces, mGridSize)) SwapPlaces(mPieces[0], mPieces[1]);
  mPieceCount = static_cast<int>(mPieces.size());
  return 0;
}

int Pict15Game::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mMoving >= 0 || mPieceCount == 1) return 0;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  int taken = -1;
  for (int i = 0; i + 1 < static_cast<int>(mPieces.size()); ++i) {
    if (PointInQuad(mPieces[i].motion.current, fx, fy)) {
      taken = i;
      break;
    }
  }
  if (taken < 0) return 0;
  PictPiece& piece = mPieces[taken];
  PictPiece& empty = mPieces.back();
  const bool sameColumn = piece.column == empty.column && std::abs(piece.row - empty.row) == 1;
  const bool sameRow = piece.row == empty.row && std::abs(piece.column - empty.column) == 1;
  if (!sameColumn && !sameRow) return 0;
  const Quad pieceQuad = piece.motion.current;
  piece.motion.StartMove(empty.motion.current);
  empty.motion.StartMove(pieceQuad);
  std::swap(piece.column, empty.column);
  std::swap(piece.row, empty.row);
  mMoving = taken;
  PlaySound("SOUND_CARD_FLIP");
  return 0;
}

int Pict15Game::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable() || mMoving < 0) return 0;
  PictPiece& piece = mPieces[mMoving];
  if (!piece.motion.AtRest()) {
    piece.motion.StepMove();
    mPieces.back().motion.StepMove();
    return 0;
  }
  piece.centre = QuadCentre(piece.motion.current);
  mMoving = -1;
  if (!mWon && std::all_of(mPieces.begin(), mPieces.end() - 1, [](const PictPiece& p) { return p.AtHome(); })) {
    mWon = true;
  }
  return 0;
}

void Pict15Game::DrawPieces(Graphics& g) {
  g.SetColor(Color(255, 255, 255, 255));
  for (size_t i = 0; i + 1 < mPieces.size(); ++i) {
    DrawPiece(g, mPieces[i].motion.current, mPieces[i].homeColumn, mPieces[i].homeRow);
  }
  if (mMoving >= 0)
    DrawPiece(g, mPieces[mMoving].motion.current, mPieces[mMoving].homeColumn, mPieces[mMoving].homeRow);
}

// ---------------------------------------------------------------------------
// pict_rotate

int PictRotateGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  if (!SetUpPicture("pict_rotate")) return 0;
  const int n = mGridSize;
  mPieces.clear();
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) {
      PictRotatePiece piece;
      piece.column = column;
      piece.row = row;
      piece.motion.current = HomeQuad(column, row);
      mPieces.push_back(piece);
    }
  }
  for (PictRotatePiece& piece : mPieces) {
    piece.turn = LcgRandomInt(3);
    piece.motion.current = RotateQuad(piece.motion.current, piece.turn);
    piece.motion.start = piece.motion.target = piece.motion.current;
  }
  mPieceCount = n * n;
  return 0;
}

int PictRotateGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mMoving >= 0) return 0;
  for (int i = 0; i < static_cast<int>(mPieces.size()); ++i) {
    PictRotatePiece& piece = mPieces[i];
    if (!PointInQuad(piece.motion.current, static_cast<float>(x), static_cast<float>(y))) continue;
    mMoving = i;
    if (clickCount > 0) {
      piece.turn = (piece.turn + 1) % 4;
      piece.motion.target = RotateQuad(piece.motion.target, 0);
    } else {
      piece.turn = (piece.turn + 3) % 4;
      piece.motion.target = RotateQuad(piece.motion.target, 2);
    }
    piece.motion.StartMove(piece.motion.target);
    PlaySound("SOUND_CARD_FLIP");
    return 0;
  }
  return 0;
}

int PictRotateGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable() || mMoving < 0) return 0;
  PictRotatePiece& piece = mPieces[mMoving];
  if (!piece.motion.AtRest()) {
    piece.motion.StepMove();
    return 0;
  }
  mMoving = -1;
  if (!mWon && std::all_of(mPieces.begin(), mPieces.end(), [](const PictRotatePiece& p) { return p.turn == 3; })) {
    mWon = true;
  }
  return 0;
}

void PictRotateGame::DrawPieces(Graphics& g) {
  g.SetColor(Color(255, 255, 255, 255));
  for (const PictRotatePiece& piece : mPieces) DrawPiece(g, piece.motion.current, piece.column, piece.row);
  if (mMoving >= 0) DrawPiece(g, mPieces[mMoving].motion.current, mPieces[mMoving].column, mPieces[mMoving].row);
}

// ---------------------------------------------------------------------------
// pict_puzzle

int PictPuzzleGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mHomeEffect = FindEffect("effOnPlace");
  if (!SetUpPicture("pict_puzzle")) return 0;
  // Looked up for the engine's image table as the level data expects; the
  // game draws nothing with it.
  ImageSlot tutor;
  tutor.Load("tutor");

  const int n = mGridSize;
  const float s = mSide;
  mPieces.clear();
  mCells.clear();
  mLoose.clear();
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) {
      PictPuzzlePiece piece;
      piece.index = row * n + column;
      piece.homeColumn = column;
      piece.homeRow = row;
      piece.turn = 3;
      piece.motion.current = piece.motion.start = piece.motion.target = HomeQuad(column, row);
      piece.motion.progress = 1.0f;
      piece.centre = QuadCentre(piece.motion.current);
      mPieces.push_back(piece);
      PictPuzzleCell cell;
      cell.index = piece.index;
      cell.column = column;
      cell.row = row;
      cell.home = piece.motion.current;
      mCells.push_back(cell);
      mLoose.push_back(piece.index);
    }
  }
  for (int i = 0; i < n; ++i) {
    const int k = LcgRandomInt(static_cast<int32_t>(mLoose.size()));
    const int piece = mLoose[k];
    mCells[mPieces[piece].index].piece = piece;
    mLoose.erase(mLoose.begin() + k);
  }
  const Quad& frame = mPictureObject->mBaseQuad;
  for (int index : mLoose) {
    PictPuzzlePiece& piece = mPieces[index];
    // Loose pieces start on the playfield, clear of the HUD panel.
    float x = LcgRandomFloat(s / 2.0f, kPlayfieldRight - s / 2.0f);
    float y = LcgRandomFloat(s / 2.0f, 600.0f - s / 2.0f);
    piece.centre = QuadCentre(piece.motion.current);
    MoveBy(piece, x - piece.centre.x, y - piece.centre.y);
    if (PointInQuad(frame, x, y)) {
      const int side = LcgRandomInt(4);
      const float d = LcgRandomFloat(1.0f, s);
      switch (side) {
        case 0: x = frame.corner[0].x - d; break;
        case 1: x = frame.corner[1].x + d; break;
        case 2: y = frame.corner[0].y - d; break;
        default: y = frame.corner[3].y + d; break;
      }
      MoveBy(piece, x - piece.centre.x, y - piece.centre.y);
    }
  }
  for (int index : mLoose) {
    PictPuzzlePiece& piece = mPieces[index];
    piece.turn = LcgRandomInt(3);
    piece.motion.current = RotateQuad(piece.motion.current, piece.turn);
    piece.motion.start = piece.motion.target = piece.motion.current;
  }
  mPieceCount = n * n;
  return 0;
}

void PictPuzzleGame::MoveBy(PictPuzzlePiece& piece, float dx, float dy) {
  for (Vector2& corner : piece.motion.current.corner) {
    corner.x += dx;
    corner.y += dy;
  }
  piece.centre.x += dx;
  piece.centre.y += dy;
}

bool PictPuzzleGame::IsFixed(int cell) const {
  const PictPuzzleCell& place = mCells[cell];
  if (place.piece < 0) return false;
  const PictPuzzlePiece& piece = mPieces[place.piece];
  return piece.homeColumn == place.column && piece.homeRow == place.row && piece.turn == 3;
}

void PictPuzzleGame::FollowPointer() {
  if (mHeld < 0) return;
  PictPuzzlePiece& piece = mPieces[mHeld];
  if (!piece.motion.AtRest()) return;
  MoveBy(piece, mPointerX + mGrabX - piece.centre.x, mPointerY + mGrabY - piece.centre.y);
}

void PictPuzzleGame::Pick(int index) {
  PictPuzzlePiece& piece = mPieces[index];
  mHeld = index;
  mGrabX = piece.centre.x - mPointerX;
  mGrabY = piece.centre.y - mPointerY;
  PlaySound("SOUND_BTN_CLK");
}

int PictPuzzleGame::MouseMove(int x, int y) {
  mPointerX = static_cast<float>(x);
  mPointerY = static_cast<float>(y);
  return 0;
}

int PictPuzzleGame::MouseUp(int x, int y, int clickCount) {
  mPointerX = static_cast<float>(x);
  mPointerY = static_cast<float>(y);
  return 0;
}

int PictPuzzleGame::MouseDown(int x, int y, int clickCount) {
  mPointerX = static_cast<float>(x);
  mPointerY = static_cast<float>(y);
  if (IsUnplayable()) return 0;
  if (clickCount <= 0) {
    if (mHeld < 0 || !mPieces[mHeld].motion.AtRest()) return 0;
    PictPuzzlePiece& piece = mPieces[mHeld];
    PlaySound("SOUND_CARD_FLIP");
    piece.turn = (piece.turn + 1) % 4;
    piece.motion.StartMove(RotateQuad(piece.motion.current, 0));
    return 0;
  }
  if (mHeld >= 0) {
    FollowPointer();
    PictPuzzlePiece& piece = mPieces[mHeld];
    for (PictPuzzleCell& cell : mCells) {
      if (cell.piece >= 0 || !PointInQuad(cell.home, piece.centre.x, piece.centre.y)) continue;
      cell.piece = mHeld;
      piece.motion.StartMove(RotateQuad(cell.home, piece.turn));
      mHeld = -1;
      return 0;
    }
    PlaySound("SOUND_BTN_CLK");
    mLoose.push_back(mHeld);
    mHeld = -1;
    return 0;
  }
  for (int i = static_cast<int>(mLoose.size()) - 1; i >= 0; --i) {
    const int index = mLoose[i];
    if (!PointInQuad(mPieces[index].motion.current, mPointerX, mPointerY)) continue;
    mLoose.erase(mLoose.begin() + i);
    Pick(index);
    return 0;
  }
  for (int c = 0; c < static_cast<int>(mCells.size()); ++c) {
    PictPuzzleCell& cell = mCells[c];
    if (cell.piece < 0 || !mPieces[cell.piece].motion.AtRest()) continue;
    if (!PointInQuad(cell.home, mPointerX, mPointerY) || IsFixed(c)) continue;
    const int index = cell.piece;
    mPieces[index].centre = QuadCentre(mPieces[index].motion.current);
    cell.piece = -1;
    Pick(index);
    return 0;
  }
  return 0;
}

int PictPuzzleGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  FollowPointer();
  for (PictPuzzlePiece& piece : mPieces) {
    if (piece.motion.AtRest()) continue;
    piece.motion.StepMove();
    piece.centre = QuadCentre(piece.motion.current);
    if (piece.motion.AtRest() && mCells[piece.index].piece == piece.index && piece.turn == 3 &&
        mHomeEffect != nullptr) {
      StartEffectAt(mHomeEffect, piece.centre);
      PlaySound("SOUND_GOOD_OBJECT");
    }
  }
  if (mWon || mHeld >= 0) return 0;
  for (const PictPuzzleCell& cell : mCells) {
    if (cell.piece < 0) return 0;
    const PictPuzzlePiece& piece = mPieces[cell.piece];
    if (piece.homeColumn != cell.column || piece.homeRow != cell.row) return 0;
  }
  for (const PictPuzzlePiece& piece : mPieces) {
    if (!piece.motion.AtRest() || piece.turn != 3) return 0;
  }
  mWon = true;
  return 0;
}

void PictPuzzleGame::DrawPieces(Graphics& g) {
  g.SetColor(Color(255, 255, 255, 255));
  auto draw = [&](int index) {
    const PictPuzzlePiece& piece = mPieces[index];
    DrawPiece(g, piece.motion.current, piece.homeColumn, piece.homeRow);
  };
  for (const PictPuzzleCell& cell : mCells) {
    if (cell.piece >= 0) draw(cell.piece);
  }
  for (int index : mLoose) draw(index);
  if (mHeld >= 0) draw(mHeld);
}

}  // namespace Kivo
