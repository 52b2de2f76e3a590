#include "levels/TruboGame.h"

#include <algorithm>
#include <cstdlib>

#include "engine/SaturatingCast.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// Openings per kind: bit 0 left, 1 top, 2 right, 3 bottom.
constexpr uint8_t kL = 1, kT = 2, kR = 4, kB = 8;
constexpr uint8_t kOpenings[] = {
    kL | kT | kR | kB,  // 0
    kT,                 // 1
    kR,                 // 2
    kL,                 // 3
    kB,                 // 4
    kL | kR | kB,       // 5
    kT | kR | kB,       // 6
    kL | kT | kB,       // 7
    kL | kT | kR,       // 8
    kT | kB,            // 9
    kL | kR,            // 10
    kT | kR,            // 11
    kL | kT,            // 12
    kL | kB,            // 13
    kR | kB,            // 14
};
constexpr int32_t kKindsWithOpenings = static_cast<int32_t>(sizeof(kOpenings));

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

Image* SpriteImage(sObj* object) {
  auto* sprite = dynamic_cast<sObjSprite*>(object);
  return sprite != nullptr ? sprite->GetImage() : nullptr;
}

// The part of source that lies inside image.
Rect ClipToImage(const Image& image, Rect source) {
  source.width = std::max(0, std::min(source.width, image.width - source.x));
  source.height = std::max(0, std::min(source.height, image.height - source.y));
  return source;
}

}  // namespace

std::vector<Tube*> TruboGame::sBoard;

bool TubeOpensTo(int32_t kind, int32_t side) {
  if (kind < 0 || kind >= kKindsWithOpenings || side < kSideLeft || side > kSideBottom) return false;
  return (kOpenings[kind] & (1u << (side - 1))) != 0;
}

bool Tube::Receive(int32_t side) {
  if (mHasWater) return true;
  if (!TubeOpensTo(mKind, side)) return false;
  mEntrySide = side;
  mFill = 0.0f;
  mHasWater = true;
  return true;
}

void Tube::Update(int unused) {
  TrackSprite::Update(unused);
  if (mHasWater) {
    mFill += 0.01f;
    if (mFill >= 1.0f) mFill = 1.0f;
    Flow();
  }
  if (mHighlighted) {
    if (mHighlightRising) {
      mHighlightLevel += 0.03f;
      if (mHighlightLevel >= 1.0f) {
        mHighlightLevel = 1.0f;
        mHighlightRising = false;
      }
    } else {
      mHighlightLevel -= 0.03f;
      if (mHighlightLevel <= 0.0f) {
        mHighlightLevel = 0.0f;
        mHighlightRising = true;
      }
    }
  }
}

void Tube::Flow() {
  if (mFill != 1.0f) return;
  if (mColumn == 5 && mRow == TruboGame::kRows - 1) mOwner->mWon = true;
  auto exits = [this](int32_t side) { return side != mEntrySide && TubeOpensTo(mKind, side); };
  if (exits(kSideLeft)) {
    Tube* next = mColumn == 0 ? nullptr : TruboGame::TubeAt(mColumn - 1, mRow);
    if (next == nullptr || !next->Receive(kSideRight)) mOwner->Spill();
  }
  if (exits(kSideTop)) {
    Tube* next = mRow == 0 ? nullptr : TruboGame::TubeAt(mColumn, mRow - 1);
    if (next == nullptr || !next->Receive(kSideBottom)) mOwner->Spill();
  }
  if (exits(kSideRight)) {
    Tube* next = mColumn == TruboGame::kColumns - 1 ? nullptr : TruboGame::TubeAt(mColumn + 1, mRow);
    if (next == nullptr || !next->Receive(kSideLeft)) mOwner->Spill();
  }
  if (exits(kSideBottom) && mRow != TruboGame::kRows - 1) {
    Tube* next = TruboGame::TubeAt(mColumn, mRow + 1);
    if (next == nullptr || !next->Receive(kSideTop)) mOwner->Spill();
  }
}

void Tube::Draw(Graphics& g) {
  if (!mVisible || mImage == nullptr) return;
  g.PushState();
  LazyTransform2D transform;
  transform.Scale(mScale.x, mScale.y);
  transform.Translate(-mPivot.x, -mPivot.y);
  transform.RotateDegrees(mAngle);
  transform.Translate(mPivot.x, mPivot.y);
  transform.Translate(mPosition.x + static_cast<float>(mImage->GetCellWidth() / 2),
                      mPosition.y + static_cast<float>(mImage->GetCellHeight() / 2));
  g.SetColorizeImages(true);
  g.SetColor(mColour);
  if (mHasWater && !mOwner->mSpilled && mWaterImage != nullptr) {
    const int w = TruncateToIntSaturating(64.0f * mFill);
    const int r = TruncateToIntSaturating(64.0f * (1.0f - mFill));
    const float x = mPosition.x;
    const float y = mPosition.y + 1.0f;
    switch (mEntrySide) {
      case kSideLeft: g.DrawImageAtFloat(mWaterImage, x, y, ClipToImage(*mWaterImage, Rect(0, 0, w, 64))); break;
      case kSideTop: g.DrawImageAtFloat(mWaterImage, x, y, ClipToImage(*mWaterImage, Rect(0, 0, 64, w))); break;
      case kSideRight:
        g.DrawImageAtFloat(mWaterImage, x + 64.0f * (1.0f - mFill), y, ClipToImage(*mWaterImage, Rect(r, 0, w, 64)));
        break;
      case kSideBottom:
        g.DrawImageAtFloat(mWaterImage, x, y + 64.0f * (1.0f - mFill), ClipToImage(*mWaterImage, Rect(0, r, 64, w)));
        break;
      default: break;
    }
  }
  g.DrawImageCelTransformed(mImage, 0, 0, 0, 0, transform);
  if (mHighlighted) {
    g.SetDrawMode(5);
    g.SetColor(Color(255, 255, 255, TruncateToIntSaturating(mHighlightLevel * 48.0f)));
    g.DrawImageCelTransformed(mImage, 0, 0, 0, 0, transform);
    g.SetDrawMode(0);
  }
  g.SetColorizeImages(false);
  g.PopState();
}

TruboGame::TruboGame() { sBoard.clear(); }

TruboGame::~TruboGame() {
  // Only this game's tubes: a board emptied by a later game keeps its own.
  std::vector<Tube*> kept;
  for (Tube* tube : sBoard) {
    if (tube->mOwner == this) {
      delete tube;
    } else {
      kept.push_back(tube);
    }
  }
  sBoard.swap(kept);
}

Tube* TruboGame::TubeAt(int32_t column, int32_t row) {
  for (Tube* tube : sBoard) {
    if (tube->mColumn == column && tube->mRow == row) return tube;
  }
  return nullptr;
}

bool TruboGame::CollectImages(const char* prefix, std::vector<Image*>& images) {
  bool complete = true;
  for (sObj* object : *mLevelObjects) {
    if (!StartsWith(object->mName, prefix)) continue;
    Image* image = SpriteImage(object);
    if (image == nullptr) complete = false;
    images.push_back(image);
    object->SetVisible(false);
  }
  return complete;
}

int TruboGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mTubeImages.clear();
  mWaterImages.clear();
  if (levelObjects == nullptr) return 0;
  const bool tubesComplete = CollectImages("spTube", mTubeImages);
  const bool waterComplete = CollectImages("sprWater", mWaterImages);
  mStartButton = FindObjectByName(*levelObjects, "btnStartWater");
  sObj* area = FindObjectByName(*levelObjects, "rectLevel");
  sObj* timer = FindObjectByName(*levelObjects, "sprTimer");
  std::string wrong;
  if (mTubeImages.empty()) {
    wrong = "no \"spTube\" sprite";
  } else if (mWaterImages.size() < mTubeImages.size()) {
    wrong = "fewer \"sprWater\" than \"spTube\" sprites";
  } else if (!tubesComplete || !waterComplete) {
    wrong = "a \"spTube\" or \"sprWater\" sprite without a picture";
  } else if (mStartButton == nullptr) {
    wrong = "no \"btnStartWater\"";
  } else if (area == nullptr) {
    wrong = "no \"rectLevel\"";
  } else if (timer == nullptr || SpriteImage(timer) == nullptr) {
    wrong = "no \"sprTimer\" sprite with a picture";
  }
  if (!wrong.empty()) {
    MarkUnplayable("trubo_game", wrong);
    return 0;
  }
  area->SetVisible(false);
  BuildBoard(area->mBaseQuad.corner[0].x, area->mBaseQuad.corner[0].y);
  mTimerX = timer->mBaseQuad.corner[0].x;
  mTimerY = timer->mBaseQuad.corner[0].y;
  mTimerImage = SpriteImage(timer);
  timer->SetVisible(false);
  const std::string seconds = LevelProperty("_fWaterTimer");
  int32_t duration = 120;
  if (!seconds.empty()) duration = static_cast<int32_t>(LeadingInt(seconds.c_str()));
  mWaterTimer = {static_cast<float>(duration), static_cast<float>(duration), CountdownTimer::kUpdateStep};
  return 0;
}

void TruboGame::GiveKind(Tube& tube) {
  tube.mKind = std::rand() % static_cast<int>(mTubeImages.size());
  tube.mImage = mTubeImages[static_cast<std::size_t>(tube.mKind)];
  tube.mWaterImage = mWaterImages[static_cast<std::size_t>(tube.mKind)];
}

void TruboGame::BuildBoard(float x0, float y0) {
  float y = y0;
  for (int32_t row = 0; row < kRows; ++row) {
    float x = x0;
    for (int32_t column = 0; column < kColumns; ++column) {
      auto* tube = new Tube();
      tube->mPosition = Vec2(x, y);
      tube->mColumn = column;
      tube->mRow = row;
      tube->mOwner = this;
      GiveKind(*tube);
      tube->SetCellSize();
      sBoard.push_back(tube);
      x += kTileSize;
    }
    y += kTileSize;
  }
}

KeyframeTrack TruboGame::ScaleTrack(float from, float to) {
  KeyframeTrack track;
  track.mFrames = 100;
  track.mFallbackDuration = 0.5f;
  AddKeyframe(track.mKeys, 1, 0.0f, 0.0f, from, from, 0.0f);
  AddKeyframe(track.mKeys, 100, 0.0f, 0.0f, to, to, 0.0f);
  track.SetApplyFlags(false, true, false, false);
  return track;
}

void TruboGame::StartWater() {
  mRunning = true;
  Tube* first = TubeAt(0, 0);
  if (first == nullptr) return;
  if (TubeOpensTo(first->mKind, kSideTop)) {
    first->Receive(kSideTop);
  } else {
    Spill();
  }
}

void TruboGame::Spill() {
  // Once won the finished course stays in view.
  if (mSpilled || mWon) return;
  mSpilled = true;
  const KeyframeTrack shrink = ScaleTrack(1.0f, 0.0f);
  for (Tube* tube : sBoard) {
    if (tube->mOwner == this) tube->PlayAnimDef(shrink, 0.0f);
  }
}

void TruboGame::Rebuild() {
  mRunning = false;
  for (Tube* tube : sBoard) {
    if (tube->mOwner != this) continue;
    GiveKind(*tube);
    tube->mFill = 0.0f;
    tube->mHasWater = false;
  }
  mWaterTimer.mRemaining = mWaterTimer.mDuration;
  const KeyframeTrack grow = ScaleTrack(0.0f, 1.0f);
  for (Tube* tube : sBoard) {
    if (tube->mOwner == this) tube->PlayAnimDef(grow, 0.0f);
  }
}

int TruboGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  mWaterTimer.Tick();
  if (mWaterTimer.mRemaining == 0.0f && !mRunning) StartWater();
  for (Tube* tube : sBoard) {
    if (tube->mOwner == this) tube->Update(updateCount);
  }
  if (mSpilled && !sBoard.empty() && !sBoard.front()->mTrack.mPlaying) {
    Rebuild();
    mSpilled = false;
    mStartAllowed = true;
  }
  if (mRunning) {
    bool filling = false;
    for (Tube* tube : sBoard) filling = filling || (tube->mHasWater && tube->mFill < 1.0f);
    if (!filling) Spill();
  }
  return 0;
}

int TruboGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  mStartButton->MouseDown(x, y, clickCount);
  if (PointInQuad(mStartButton->mBaseQuad, static_cast<float>(x), static_cast<float>(y)) && mStartAllowed) {
    StartWater();
    mStartAllowed = false;
  }
  if (clickCount == 1) {
    for (Tube* tube : sBoard) {
      if (tube->mOwner != this || !tube->PointInCell(static_cast<float>(x), static_cast<float>(y))) continue;
      if (mSelected == nullptr) {
        mSelected = tube;
        tube->mHighlightLevel = 0.0f;
        tube->mHighlightRising = true;
        tube->mHighlighted = true;
        continue;
      }
      Tube* selected = mSelected;
      selected->SetTarget(tube->mPosition.x, tube->mPosition.y, kSwapSpeed);
      tube->SetTarget(selected->mPosition.x, selected->mPosition.y, kSwapSpeed);
      std::swap(selected->mColumn, tube->mColumn);
      std::swap(selected->mRow, tube->mRow);
      selected->mHighlighted = false;
      mSelected = nullptr;
    }
  } else if (clickCount == -1) {
    mSelected = nullptr;
    for (Tube* tube : sBoard) tube->mHighlighted = false;
  }
  return 0;
}

int TruboGame::MouseUp(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  mStartButton->MouseUp(x, y, clickCount);
  return 0;
}

int TruboGame::Draw(Graphics& g) {
  MiniGame::Draw(g);
  if (mLevelObjects == nullptr) return 0;
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  for (sObj* object : *mLevelObjects) object->Draw(&g);
  if (mTimerImage != nullptr) {
    int width = mTimerImage->width;
    if (mWaterTimer.mDuration != 0.0f) {
      width = TruncateToIntSaturating(static_cast<float>(mTimerImage->width) * mWaterTimer.mRemaining /
                                      mWaterTimer.mDuration);
    }
    g.DrawImageAtFloat(mTimerImage, mTimerX, mTimerY, Rect(0, 0, width, mTimerImage->height));
  }
  for (Tube* tube : sBoard) {
    if (tube->mOwner == this) tube->Draw(g);
  }
  g.End3D();
  g.SetColorizeImages(false);
  MiniGame::Draw(g);
  return 0;
}

}  // namespace Kivo
