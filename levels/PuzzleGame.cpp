#include "levels/PuzzleGame.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "levels/PlayfieldDraw.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"

namespace Kivo {

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kSnapDistanceSq = 25.0f;

// An integer level property read with ParseInt: 0 when missing or unreadable.
int IntProperty(const MiniGame& game, const char* key) {
  int32_t value = 0;
  ParseInt(game.LevelProperty(key), value);
  return value;
}

// Corner 0, width (corner 1 - corner 0) and height (corner 3 - corner 0),
// each truncated.
Rect PlaceOf(const sObj& object) {
  const Quad& q = object.mBaseQuad;
  return Rect(static_cast<int>(q.corner[0].x), static_cast<int>(q.corner[0].y),
              static_cast<int>(q.corner[1].x - q.corner[0].x), static_cast<int>(q.corner[3].y - q.corner[0].y));
}

// The quad's triangles (0, 1, 3) and (1, 2, 3), shifted, in one colour.
void DrawPieceTriangles(Graphics& g, MemoryImage* picture, const JigsawPiece& piece, const Quad& quad, float shift,
                        uint32_t argb) {
  static const int kOrder[6] = {0, 1, 3, 1, 2, 3};
  TexturedVertex vertices[6];
  for (int i = 0; i < 6; ++i) {
    const int k = kOrder[i];
    vertices[i].x = quad.corner[k].x + shift;
    vertices[i].y = quad.corner[k].y + shift;
    vertices[i].u = piece.uv[k].x;
    vertices[i].v = piece.uv[k].y;
    vertices[i].color = argb;
  }
  g.DrawTrianglesTex(picture, vertices, 2);
}

}  // namespace

// ---------------------------------------------------------------------------
// Pieces.

void JigsawPiece::RebuildTransform() {
  transform.LoadIdentity();
  transform.RotateDegrees(static_cast<float>(angle));
  transform.Translate(x, y);
  dirty = false;
}

Quad JigsawPiece::ScreenQuad() const {
  Quad out;
  for (int k = 0; k < 4; ++k) out.corner[k] = transform.TransformPoint(quad.corner[k]);
  return out;
}

// ---------------------------------------------------------------------------
// The board.

JigsawBoard::JigsawBoard() = default;
JigsawBoard::~JigsawBoard() = default;

void JigsawBoard::SetPicture(const MemoryImage& picture) { mPicture = std::make_unique<MemoryImage>(picture); }

void JigsawBoard::CopyMaskToAlpha() {
  uint32_t* bits = mPicture->GetBits();
  const uint32_t* mask = mMask->GetBits();
  const size_t count = mPicture->PixelCount();
  for (size_t i = 0; i < count; ++i) bits[i] = (bits[i] & 0x00FFFFFFu) | ((mask[i] & 0xFFu) << 24);
  mPicture->NoteBitsChanged();
}

void JigsawBoard::Cut() {
  if (mPicture == nullptr) return;
  const int w = mPicture->width;
  const int h = mPicture->height;
  mMask = std::make_unique<MemoryImage>();
  mMask->CreateBlank(w, h);
  mMask->FillRect(Rect(0, 0, w, h), Color(255, 255, 255, 255), 0);

  const float cw = static_cast<float>(w) / static_cast<float>(mColumns);
  const float ch = static_cast<float>(h) / static_cast<float>(mRows);
  std::vector<Vector2> points(static_cast<size_t>((mRows + 1) * (mColumns + 1)));
  auto point = [&](int i, int j) -> Vector2& { return points[static_cast<size_t>(i * (mColumns + 1) + j)]; };
  for (int i = 0; i <= mRows; ++i) {
    for (int j = 0; j <= mColumns; ++j) {
      const float px = j == mColumns ? cw * static_cast<float>(mColumns) - 1.0f : cw * static_cast<float>(j);
      const float py = i == mRows ? ch * static_cast<float>(mRows) - 1.0f : ch * static_cast<float>(i);
      point(i, j) = Vector2(px, py);
    }
  }
  const float reach = 0.45f * std::min(cw, ch);
  for (int i = 1; i < mRows; ++i) {
    for (int j = 1; j < mColumns; ++j) {
      const float d = RandomFloat(reach);
      const float a = RandomFloat(kPi);
      point(i, j).x += std::cos(a) * d;
      point(i, j).y += std::sin(a) * d;
    }
  }

  mPieces.clear();
  mHolding = false;
  const Color black(0, 0, 0, 255);
  for (int i = 0; i < mRows; ++i) {
    for (int j = 0; j < mColumns; ++j) {
      JigsawPiece piece;
      const Vector2 corners[4] = {point(i, j), point(i, j + 1), point(i + 1, j + 1), point(i + 1, j)};
      float sumX = 0.0f;
      float sumY = 0.0f;
      for (int k = 0; k < 4; ++k) {
        const Vector2& from = corners[k];
        const Vector2& to = corners[(k + 1) % 4];
        mMask->DrawLineAntialiased(from.x, from.y, to.x, to.y, black, 0);
        piece.uv[k] = Vector2(from.x / static_cast<float>(w), from.y / static_cast<float>(h));
        sumX += from.x;
        sumY += from.y;
      }
      piece.homeX = piece.x = sumX / 4.0f;
      piece.homeY = piece.y = sumY / 4.0f;
      for (int k = 0; k < 4; ++k) piece.quad.corner[k] = Vector2(corners[k].x - piece.x, corners[k].y - piece.y);
      piece.RebuildTransform();
      mPieces.push_back(piece);
    }
  }
  CopyMaskToAlpha();
}

void JigsawBoard::Shuffle() {
  if (mPieces.empty()) return;
  const int count = static_cast<int>(mPieces.size());
  const int fixes = std::clamp(mFixes, 0, count);
  for (int f = 0; f < fixes; ++f) {
    int at = RandomInt(count);
    while (mPieces[at].fixed) at = RandomInt(count);
    JigsawPiece piece = mPieces[at];
    piece.fixed = true;
    mPieces.erase(mPieces.begin() + at);
    mPieces.push_back(piece);
  }
  for (JigsawPiece& piece : mPieces) {
    if (piece.fixed) continue;
    piece.angle = RandomInt(4) * 90;
    if (!mShuffleAreas.empty()) {
      const Rect& area = mShuffleAreas[RandomInt(static_cast<int32_t>(mShuffleAreas.size()))];
      piece.x = static_cast<float>(area.x + RandomInt(area.width));
      piece.y = static_cast<float>(area.y + RandomInt(area.height));
    }
    piece.RebuildTransform();
  }
}

void JigsawBoard::Finish() {
  if (mMask == nullptr || mPicture == nullptr) return;
  mMask->FillRect(Rect(0, 0, mMask->width, mMask->height), Color(255, 255, 255, 255), 0);
  CopyMaskToAlpha();
}

void JigsawBoard::Update() {
  Widget::Update();
  for (JigsawPiece& piece : mPieces) {
    if (piece.dirty) piece.RebuildTransform();
  }
}

void JigsawBoard::MouseDownButton(int x, int y, int, int clicks) {
  const float px = static_cast<float>(x);
  const float py = static_cast<float>(y);
  if (mHolding) {
    JigsawPiece& held = mPieces.front();
    if (clicks < 0) {
      held.angle = (held.angle + 90) % 360;
      held.RebuildTransform();
      return;
    }
    mHolding = false;
    const float dx = held.x - held.homeX;
    const float dy = held.y - held.homeY;
    if (held.angle != 0 || dx * dx + dy * dy >= kSnapDistanceSq) return;
    held.fixed = true;
    held.x = held.homeX;
    held.y = held.homeY;
    held.dirty = true;
    std::rotate(mPieces.begin(), mPieces.begin() + 1, mPieces.end());
    ++mFixedCount;
    if (mListener != nullptr) mListener->OnBoardEvent(0, mPieces.back());
    return;
  }
  for (size_t i = 0; i < mPieces.size(); ++i) {
    JigsawPiece& piece = mPieces[i];
    if (piece.fixed || !PointInQuad(piece.ScreenQuad(), px, py)) continue;
    std::rotate(mPieces.begin(), mPieces.begin() + static_cast<std::ptrdiff_t>(i),
                mPieces.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    mHolding = true;
    mGrabX = px - mPieces.front().x;
    mGrabY = py - mPieces.front().y;
    return;
  }
}

void JigsawBoard::MouseDrag(int x, int y) {
  if (!mHolding) return;
  JigsawPiece& held = mPieces.front();
  held.x = static_cast<float>(x) - mGrabX;
  held.y = static_cast<float>(y) - mGrabY;
  held.dirty = true;
}

void JigsawBoard::Draw(Graphics& g) {
  if (mPieces.empty()) return;
  for (auto it = mPieces.rbegin(); it != mPieces.rend(); ++it) {
    const JigsawPiece& piece = *it;
    const Quad quad = piece.ScreenQuad();
    if (!piece.fixed) {
      g.SetColorizeImages(true);
      g.SetDrawMode(0);
      DrawPieceTriangles(g, mPicture.get(), piece, quad, 7.5f, 0x96000000u);
    }
    DrawPieceTriangles(g, mPicture.get(), piece, quad, -0.5f, 0xFFFFFFFFu);
  }
}

// ---------------------------------------------------------------------------
// The game.

int PuzzleGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mHomeEffect = FindEffect("effOnPlace");
  const int rows = IntProperty(*this, "_iPuzzleRows");
  const int columns = IntProperty(*this, "_iPuzzleCols");
  mBoard.mFixes = IntProperty(*this, "_iPuzzleFixs");
  mBoard.mShuffleAreas.clear();
  mBoard.mListener = this;
  sObj* pictureObject = nullptr;
  if (levelObjects != nullptr) {
    for (sObj* object : *levelObjects) {
      if (object->mName == "sprPuzzle") {
        pictureObject = object;
        const Rect place = PlaceOf(*object);
        mBoard.Resize(place.x, place.y, place.width, place.height);
        object->SetVisible(false);
      } else if (object->mName == "rectShuffle") {
        Rect area = PlaceOf(*object);
        object->SetVisible(false);
        if (area.width < 1 || area.height < 1) {
          LevelContext& context = CurrentLevelContext();
          context.Log("level: " + context.LevelName() + " (puzzle) skips a \"rectShuffle\" of " +
                      std::to_string(area.width) + " x " + std::to_string(area.height) + " pixels");
          continue;
        }
        area.x -= mBoard.mX;
        area.y -= mBoard.mY;
        mBoard.mShuffleAreas.push_back(area);
      }
    }
  }
  auto* sprite = dynamic_cast<sObjSprite*>(pictureObject);
  MemoryImage* picture = sprite != nullptr ? sprite->GetImage() : nullptr;
  if (pictureObject == nullptr) {
    MarkUnplayable("puzzle", "no \"sprPuzzle\" object");
    return 0;
  }
  if (picture == nullptr || picture->width < 1 || picture->height < 1) {
    MarkUnplayable("puzzle", "\"sprPuzzle\" has no picture");
    return 0;
  }
  if (rows < 1 || rows > kMaxSide || columns < 1 || columns > kMaxSide) {
    MarkUnplayable("puzzle", "a cut of " + std::to_string(rows) + " x " + std::to_string(columns) + " is outside 1.." +
                                 std::to_string(kMaxSide) + " a side");
    return 0;
  }
  mBoard.mRows = rows;
  mBoard.mColumns = columns;
  mBoard.mFixes = std::clamp(mBoard.mFixes, 0, rows * columns);
  mBoard.mFixedCount = mBoard.mFixes;
  mBoard.SetPicture(*picture);
  mBoard.Cut();
  mBoard.Shuffle();
  return 0;
}

void PuzzleGame::OnBoardEvent(int kind, JigsawPiece& piece) {
  if (kind != 0) return;
  if (auto* emitter = dynamic_cast<sObjEmitter*>(mHomeEffect)) {
    emitter->StartAt(Vec2(piece.x + static_cast<float>(mBoard.mX), piece.y + static_cast<float>(mBoard.mY)));
  }
  if (mBoard.mFixedCount == mBoard.mRows * mBoard.mColumns) mBoard.Finish();
}

uint8_t PuzzleGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  return MiniGame::GetHintPosition(first, second);
}

int PuzzleGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  mBoard.MouseDownButton(x - mBoard.mX, y - mBoard.mY, 0, clickCount);
  return 0;
}

int PuzzleGame::MouseMove(int x, int y) {
  if (IsUnplayable()) return 0;
  mBoard.MouseDrag(x - mBoard.mX, y - mBoard.mY);
  return 0;
}

int PuzzleGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  mBoard.Update();
  if (!mWon && mBoard.mFixedCount == mBoard.mRows * mBoard.mColumns) mWon = true;
  return 0;
}

int PuzzleGame::Draw(Graphics& g) {
  BeginPlayfield(g);
  DrawLevelWithHud(*this, g);
  if (!IsUnplayable()) {
    g.PushState();
    g.Translate(mBoard.mX, mBoard.mY);
    mBoard.Draw(g);
    g.PopState();
  }
  g.SetColor(Color(255, 255, 255, 255));
  EndPlayfield(*this, g);
  return 0;
}

}  // namespace Kivo
