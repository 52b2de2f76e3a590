#include "levels/ObjectListGame.h"

#include <algorithm>
#include <cmath>

#include "engine/KeyframeTrack.h"
#include "engine/KindSupport.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"

namespace Kivo {

namespace {

constexpr char kKind[] = "find_list_object";
constexpr int kFadeStep = 5;
constexpr int kFullFade = 255;
constexpr float kListGap = 20.0f;      // between list items when a slot is filled
constexpr float kFollowOffset = 8.0f;  // a further item slides to 12 pixels below the one above
constexpr float kTurnStep = 0.1f;      // radians per step home while the item is turned
constexpr float kTurnedFar = 0.2f;     // the turn goes on while angle + step is beyond this
constexpr float kReshapeStep = 3.3f;   // pixels per corner and step
constexpr float kHomeSpeed = 5.0f;     // pixels per step home; arrival nearer than this
constexpr float kPulseScale = 1.2f;    // keys 1 and 3 of "finded"

void RaiseFade(ListSlot& slot) {
  if (slot.fade < kFullFade) slot.fade = std::min(kFullFade, slot.fade + kFadeStep);
}

template <typename T>
void ReadInt(const std::string& text, T& value) {
  if (!text.empty()) value = static_cast<T>(LeadingInt(text.c_str()));
}

void SetItemDrawMode(Graphics& g, const sObjMesh& item) {
  g.SetDrawMode(item.mAdditive ? kDrawModeAdditive : item.mDrawMode);
}

// The angle between two directions, 0 to pi.
float AngleBetween(const Vector2& a, const Vector2& b) {
  const float cross = a.x * b.y - a.y * b.x;
  const float dot = a.x * b.x + a.y * b.y;
  return std::fabs(std::atan2(cross, dot));
}

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

}  // namespace

int FindListObjectGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mRandomPool.clear();
  mFinalPool.clear();
  mSlots.clear();
  mSelected = -1;
  mListX = 739.0f;
  mListY = 160.0f;
  mFound = 0;
  mTotal = 5;
  mListSize = 3;
  ReadInt(LevelProperty("_iNumObjFind"), mTotal);
  ReadInt(LevelProperty("_iNumObjList"), mListSize);
  ReadInt(LevelProperty("_iListY"), mListY);
  ReadInt(LevelProperty("_iListX"), mListX);

  AnimDef* finded = SharedAnimDef("finded");
  mHomeSound = FindEffect("soundFind");
  if (finded == nullptr) {
    MarkUnplayable(kKind, "the \"finded\" animation is missing");
    return 0;
  }
  if (finded->keyList.size() < 4) {
    MarkUnplayable(kKind,
                   "the \"finded\" animation has " + std::to_string(finded->keyList.size()) + " keys, fewer than 4");
    return 0;
  }
  if (mHomeSound == nullptr) {
    MarkUnplayable(kKind, "no \"soundFind\" object");
    return 0;
  }
  if (mListSize < 1 || mListSize > kMaxListSlots) {
    MarkUnplayable(
        kKind, "\"_iNumObjList\" " + std::to_string(mListSize) + " is not within 1.." + std::to_string(kMaxListSlots));
    return 0;
  }
  std::vector<sObjMesh*> items;  // from the last level object to the first
  if (mLevelObjects != nullptr) {
    for (auto it = mLevelObjects->end(); it != mLevelObjects->begin();) {
      auto* item = dynamic_cast<sObjMesh*>(*--it);
      if (item == nullptr) continue;
      if (item->mGroup != 0 && item->GetImage() == nullptr) {
        MarkUnplayable(kKind, "the item \"" + item->mName + "\" has no image");
        return 0;
      }
      items.push_back(item);
    }
  }

  finded->soundBegin.target = FindEffect("soundCollected");
  for (int key : {1, 3}) {
    finded->keyList[static_cast<size_t>(key)].scaleX = kPulseScale;
    finded->keyList[static_cast<size_t>(key)].scaleY = kPulseScale;
  }
  for (sObjMesh* item : items) {
    if (item->mGroup == 0) {
      item->mState = 2;
      continue;
    }
    item->mTargetQuad = item->mBaseQuad;
    item->mAnimations.push_back(*finded);
    if (gTimerFreeze || !item->mStatic) {
      mRandomPool.push_back(item);
    } else {
      item->BuildHighlightImage();
      item->SetHighlight(true);
      mFinalPool.push_back(item);
    }
  }
  if (gTimerFreeze) mTotal = static_cast<uint32_t>(mRandomPool.size());

  const uint32_t statics = static_cast<uint32_t>(mFinalPool.size());
  if (mTotal > statics && mRandomPool.size() > mTotal - statics) {
    size_t drop = mRandomPool.size() + statics - mTotal;
    while (drop-- > 0) {
      const int32_t at = RandomInt(static_cast<int32_t>(mRandomPool.size()));
      mRandomPool[static_cast<size_t>(at)]->mState = 2;
      mRandomPool.erase(mRandomPool.begin() + at);
    }
  }
  if (mRandomPool.empty() && mFinalPool.empty()) {
    MarkUnplayable(kKind, "no item to place");
    return 0;
  }
  for (sObjMesh* item : mRandomPool) {
    item->BuildHighlightImage();
    item->SetHighlight(true);
  }

  mSlots.resize(static_cast<size_t>(mListSize));
  for (size_t i = 0; i < mSlots.size(); ++i) {
    mSlots[i].item = nullptr;
    mSlots[i].index = static_cast<int32_t>(i);
    FillSlot(mSlots[i]);
  }
  return 0;
}

bool FindListObjectGame::AnySlotUsed() const {
  return std::any_of(mSlots.begin(), mSlots.end(), [](const ListSlot& slot) { return slot.item != nullptr; });
}

bool FindListObjectGame::EveryItemHome() const {
  if (mLevelObjects == nullptr) return true;
  for (sObj* object : *mLevelObjects) {
    auto* item = dynamic_cast<sObjMesh*>(object);
    if (item != nullptr && item->mState != 2) return false;
  }
  return true;
}

void FindListObjectGame::FillSlot(ListSlot& slot) {
  sObjMesh* item = nullptr;
  if (!mRandomPool.empty()) {
    item = mRandomPool.front();
    mRandomPool.erase(mRandomPool.begin());
  } else if (!mFinalPool.empty() && !AnySlotUsed()) {
    item = mFinalPool.front();
    mFinalPool.erase(mFinalPool.begin());
  }
  if (item == nullptr) return;
  slot.item = item;
  slot.fade = 0;
  const MemoryImage* image = item->GetImage();
  float width = 0.0f;
  float height = 0.0f;
  FitListBox(static_cast<float>(image->width), static_cast<float>(image->height), width, height);
  float top = mListY;
  if (slot.index > 0) {
    const sObjMesh* above = mSlots[static_cast<size_t>(slot.index) - 1].item;
    if (above != nullptr) top = above->mBaseQuad.corner[3].y + kListGap;
  }
  item->mBaseQuad = RectQuad(mListX - width / 2.0f, top, width, height);
  item->mDisplayQuad = item->mBaseQuad;
  item->mCentre = QuadMiddle(item->mBaseQuad);
}

void FindListObjectGame::CompactSlots(size_t from) {
  size_t next = from;
  for (size_t j = from; j < mSlots.size(); ++j) {
    if (mSlots[j].item == nullptr) continue;
    if (j != next) {
      mSlots[next] = mSlots[j];
      mSlots[next].index = static_cast<int32_t>(next);
      mSlots[j].item = nullptr;
    }
    ++next;
  }
  if (next < mSlots.size()) FillSlot(mSlots[next]);
}

bool FindListObjectGame::StepHome(sObjMesh& item) {
  Quad& quad = item.mBaseQuad;
  const Quad& home = item.mTargetQuad;
  const Vec2 p((quad.corner[1].x + quad.corner[3].x) / 2.0f, (quad.corner[1].y + quad.corner[3].y) / 2.0f);
  const Vec2 homeCentre = QuadMiddle(home);

  const Vector2 left(quad.corner[0].x - quad.corner[3].x, quad.corner[0].y - quad.corner[3].y);
  const Vector2 homeLeft(home.corner[0].x - home.corner[3].x, home.corner[0].y - home.corner[3].y);
  const float angle = AngleBetween(left, homeLeft);
  const float turn = angle > 0.0f ? -kTurnStep : kTurnStep;
  if (angle + turn < -kTurnedFar || angle + turn > kTurnedFar) {
    const float c = std::cos(turn);
    const float s = std::sin(turn);
    for (Vector2& corner : quad.corner) {
      const float dx = corner.x - p.x;
      const float dy = corner.y - p.y;
      corner.x = p.x + dx * c + dy * s;
      corner.y = p.y - dx * s + dy * c;
    }
  } else {
    for (int k = 0; k < 4; ++k) {
      Vector2& corner = quad.corner[k];
      const float targetX = home.corner[k].x - homeCentre.x;
      const float targetY = home.corner[k].y - homeCentre.y;
      float offsetX = corner.x - p.x;
      float offsetY = corner.y - p.y;
      const float distance = Length(targetX - offsetX, targetY - offsetY);
      if (distance < kReshapeStep) {
        offsetX = targetX;
        offsetY = targetY;
      } else {
        offsetX += (targetX - offsetX) * kReshapeStep / distance;
        offsetY += (targetY - offsetY) * kReshapeStep / distance;
      }
      corner.x = p.x + offsetX;
      corner.y = p.y + offsetY;
    }
  }

  const float toHomeX = homeCentre.x - p.x;
  const float toHomeY = homeCentre.y - p.y;
  const float distance = Length(toHomeX, toHomeY);
  if (distance < kHomeSpeed) {
    if (auto* sound = dynamic_cast<AnimSoundTarget*>(mHomeSound)) sound->Play();
    item.SetHighlight(false);
    item.mState = 2;
    quad = home;
    item.mDisplayQuad = home;
    item.UpdateCentre();
    item.SetVisible(true);
    ++mFound;
    if (!mWon && EveryItemHome()) mWon = true;
    return true;
  }
  for (Vector2& corner : quad.corner) {
    corner.x += toHomeX * kHomeSpeed / distance;
    corner.y += toHomeY * kHomeSpeed / distance;
  }
  if (auto* sleif = dynamic_cast<AnimEffectTarget*>(mSleifEffect)) sleif->StartAt(p);
  return false;
}

int FindListObjectGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  if (!mSlots.empty() && mSlots[0].item != nullptr) {
    ListSlot& first = mSlots[0];
    SlideList(first.item->mBaseQuad, mListY);
    first.item->mCentre = QuadMiddle(first.item->mBaseQuad);
    RaiseFade(first);
    for (size_t i = 1; i < mSlots.size(); ++i) {
      ListSlot& slot = mSlots[i];
      if (slot.item == nullptr) continue;
      RaiseFade(slot);
      if (const sObjMesh* above = mSlots[i - 1].item) {
        SlideList(slot.item->mBaseQuad, above->mBaseQuad.corner[3].y + kFollowOffset);
      }
      slot.item->mCentre = QuadMiddle(slot.item->mBaseQuad);
    }
  }
  if (mLevelObjects != nullptr) {
    for (sObj* object : *mLevelObjects) {
      auto* item = dynamic_cast<sObjMesh*>(object);
      if (item != nullptr && item->mState == 1 && !item->IsPlaying()) StepHome(*item);
    }
  }
  return 0;
}

int FindListObjectGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  if (mSelected >= 0 && mSlots[static_cast<size_t>(mSelected)].item != nullptr) {
    ListSlot& slot = mSlots[static_cast<size_t>(mSelected)];
    sObjMesh* item = slot.item;
    const Vector2& homeOrigin = item->mTargetQuad.corner[0];
    if (HitTestImagePixel(item->GetImage(), Vec2(fx - homeOrigin.x, fy - homeOrigin.y))) {
      item->StopAnimation();
      item->mCentre = QuadMiddle(item->mTargetQuad);
      item->mState = 1;
      item->SetVisible(false);
      slot.item = nullptr;
      ResetMissClicks();
      const size_t from = static_cast<size_t>(mSelected);
      mSelected = -1;
      CompactSlots(from);
      return 0;
    }
  }
  for (size_t i = 0; i < mSlots.size(); ++i) {
    sObjMesh* item = mSlots[i].item;
    if (item == nullptr || !PointInQuad(item->mBaseQuad, fx, fy)) continue;
    if (static_cast<int>(i) == mSelected) return 0;
    if (mSelected >= 0) {
      if (sObjMesh* previous = mSlots[static_cast<size_t>(mSelected)].item) {
        previous->FinishAnimation();
        previous->StopAnimation();
      }
    }
    mSelected = static_cast<int>(i);
    item->PlayAnimationMode("finded", kAnimLoop);
    mMissCrossRequest = false;
    mPenaltyNotice = false;
    ResetMissClicks();
    return 0;
  }
  if (mSelected >= 0) ReportMiss(x, y);
  return 0;
}

float FindListObjectGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  return ListItemsText(format, text, mTotal, mFound);
}

uint8_t FindListObjectGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  for (const ListSlot& slot : mSlots) {
    if (slot.item == nullptr || slot.item->mState == 1) continue;
    const Vec2 home = QuadMiddle(slot.item->mTargetQuad);
    first = {slot.item->mCentre.x, slot.item->mCentre.y};
    second = {home.x, home.y};
    return kHintAtBoth;
  }
  return kHintNone;
}

int FindListObjectGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  if (mLevelObjects != nullptr) {
    for (sObj* object : *mLevelObjects) {
      auto* item = dynamic_cast<sObjMesh*>(object);
      if (object == mHudAnchor) {
        DrawHud(g);
      } else if (item != nullptr && item->mHighlighted && item->HighlightImage() != nullptr) {
        SetObjectColour(g, *item);
        SetItemDrawMode(g, *item);
        g.DrawCellQuad(item->HighlightImage(), item->mTargetQuad, 1, 1);
        g.SetDrawMode(kDrawModeNormal);
      } else {
        object->Draw(&g);
      }
    }
  }
  DrawDisabledList(g);
  for (const ListSlot& slot : mSlots) {
    sObjMesh* item = slot.item;
    if (item == nullptr) continue;
    g.SetColorARGB(static_cast<unsigned char>(slot.fade), static_cast<unsigned char>(item->mRed),
                   static_cast<unsigned char>(item->mGreen), static_cast<unsigned char>(item->mBlue));
    SetItemDrawMode(g, *item);
    g.DrawCellQuad(item->GetImage(), PoseQuad(*item), item->mFrameColumn, item->mFrameRow);
    g.SetDrawMode(kDrawModeNormal);
  }
  if (mLevelObjects != nullptr && !IsUnplayable()) {
    for (sObj* object : *mLevelObjects) {
      auto* item = dynamic_cast<sObjMesh*>(object);
      if (item == nullptr || item->mState != 1 || item->GetImage() == nullptr) continue;
      SetObjectColour(g, *item);
      g.DrawCellQuad(item->GetImage(), item->mBaseQuad, item->mFrameColumn, item->mFrameRow);
    }
  }
  g.End3D();
  g.SetColorizeImages(false);
  MiniGame::Draw(g);
  return 0;
}

}  // namespace Kivo
