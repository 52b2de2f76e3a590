#include "levels/FindListGames.h"

#include <algorithm>
#include <cmath>

#include "engine/KeyframeTrack.h"
#include "engine/KindSupport.h"
#include "engine/ParticleEffect.h"
#include "engine/ResourceIds.h"
#include "levels/DataFormat.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"
#include "ui/Font.h"

namespace Kivo {

namespace {

constexpr int kFadeStep = 5;
constexpr int kFullFade = 255;
constexpr float kFlightTurn = 0.1f;      // radians per flight step
constexpr float kFlightSpeed = 5.0f;     // pixels per flight step
constexpr float kSparkDistance = 20.0f;  // from the flying item's centre

void RaiseFade(ListSlot& slot) {
  if (slot.fade < kFullFade) slot.fade = std::min(kFullFade, slot.fade + kFadeStep);
}

void PlaySoundObject(sObj* sound) {
  if (auto* target = dynamic_cast<AnimSoundTarget*>(sound)) target->Play();
}

void StartEffectObject(sObj* effect, Vec2 point) {
  if (auto* target = dynamic_cast<AnimEffectTarget*>(effect)) target->StartAt(point);
}

// Decimal property into value when not empty.
template <typename T>
void ReadInt(const std::string& text, T& value) {
  if (!text.empty()) value = static_cast<T>(LeadingInt(text.c_str()));
}

}  // namespace

void FitListBox(float width, float height, float& boxWidth, float& boxHeight) {
  boxWidth = 0.0f;
  boxHeight = 0.0f;
  if (!(width > 0.0f) || !(height > 0.0f)) return;
  if (height > width) {
    boxHeight = std::clamp(height, 20.0f, 60.0f);
    boxWidth = width * (boxHeight / height);
  } else {
    boxWidth = std::clamp(width, 20.0f, 70.0f);
    boxHeight = height * (boxWidth / width);
  }
}

float ListItemsText(const std::wstring& format, std::wstring& text, uint32_t total, uint32_t found) {
  const long long left = found < total ? static_cast<long long>(total - found) : 0;
  text = FormatDataInts(format, {left});
  if (total == 0) return 0.0f;
  const float ratio = 1.0f - static_cast<float>(found) / static_cast<float>(total);
  return std::clamp(ratio, 0.0f, 1.0f);
}

Vec2 QuadMiddle(const Quad& quad) {
  return Vec2((quad.corner[0].x + quad.corner[2].x) / 2.0f, (quad.corner[0].y + quad.corner[2].y) / 2.0f);
}

void SlideBox(Quad& box, float targetY, float rest) {
  const float restY = targetY + rest;
  const float top = box.corner[0].y;
  const float shift = top - 4.5f > restY ? -4.5f : restY - top;
  for (Vector2& corner : box.corner) corner.y += shift;
}

// --- shared machinery --------------------------------------------------------

int FindListGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mWon = false;
  mRandomPool.clear();
  mFinalPool.clear();
  mSlots.clear();
  mListX = 739.0f;
  mListY = 160.0f;
  mFound = 0;
  mTotal = 5;
  mListSize = DefaultListSize();
  ReadInt(LevelProperty("_iNumObjFind"), mTotal);
  ReadInt(LevelProperty("_iNumObjList"), mListSize);
  ReadInt(LevelProperty("_iListX"), mListX);
  ReadInt(LevelProperty("_iListY"), mListY);

  AnimDef* finded = SharedAnimDef("finded");
  sObj* findSound = FindEffect("soundFind");
  mCollectedSound = FindEffect("soundCollected");
  if (finded == nullptr) {
    MarkUnplayable(KindName(), "the \"finded\" animation is missing");
    return 0;
  }
  if (mCollectedSound == nullptr) {
    MarkUnplayable(KindName(), "no \"soundCollected\" object");
    return 0;
  }
  if (mListSize < 1 || mListSize > kMaxListSlots) {
    MarkUnplayable(KindName(), "\"_iNumObjList\" " + std::to_string(mListSize) + " is not within 1.." +
                                   std::to_string(kMaxListSlots));
    return 0;
  }

  // Candidates from the last level object to the first.
  std::vector<sObjMesh*> candidates;
  if (mLevelObjects != nullptr) {
    for (auto it = mLevelObjects->end(); it != mLevelObjects->begin();) {
      auto* item = dynamic_cast<sObjMesh*>(*--it);
      if (item == nullptr || !IsCandidate(*item)) continue;
      if (item->GetImage() == nullptr) {
        MarkUnplayable(KindName(), "the item \"" + item->mName + "\" has no image");
        return 0;
      }
      candidates.push_back(item);
    }
  }
  finded->soundBegin.target = findSound;
  for (sObjMesh* item : candidates) {
    item->mAnimations.push_back(*finded);
    if (gTimerFreeze || !item->mStatic) {
      mRandomPool.push_back(item);
    } else {
      PrepareItem(*item);
      mFinalPool.push_back(item);
    }
  }
  if (gTimerFreeze) mTotal = static_cast<uint32_t>(mRandomPool.size());

  // Keep total - statics random items, dropped at random.
  const uint32_t statics = static_cast<uint32_t>(mFinalPool.size());
  if (mTotal > statics && mRandomPool.size() > mTotal - statics) {
    size_t drop = mRandomPool.size() + statics - mTotal;
    while (drop-- > 0) {
      const int32_t at = RandomInt(static_cast<int32_t>(mRandomPool.size()));
      mRandomPool.erase(mRandomPool.begin() + at);
    }
  }
  for (sObjMesh* item : mRandomPool) PrepareItem(*item);

  mSlots.resize(static_cast<size_t>(mListSize));
  for (size_t i = 0; i < mSlots.size(); ++i) {
    ListSlot& slot = mSlots[i];
    slot.item = nullptr;
    slot.index = static_cast<int32_t>(i);
    FillSlot(slot);
    slot.fade = 0;
  }
  return 0;
}

bool FindListGame::AnySlotUsed() const {
  return std::any_of(mSlots.begin(), mSlots.end(), [](const ListSlot& slot) { return slot.item != nullptr; });
}

void FindListGame::FillSlot(ListSlot& slot) {
  sObjMesh* item = nullptr;
  if (!mRandomPool.empty()) {
    item = mRandomPool.front();
    mRandomPool.erase(mRandomPool.begin());
  } else if (!mFinalPool.empty() && !AnySlotUsed()) {
    item = mFinalPool.front();
    mFinalPool.erase(mFinalPool.begin());
  } else if (!AnySlotUsed()) {
    mWon = true;
  }
  if (item == nullptr) return;
  slot.item = item;
  slot.fade = 0;
  float width = 0.0f;
  float height = 0.0f;
  BoxSize(*item, width, height);
  const float top = slot.index > 0 ? mSlots[static_cast<size_t>(slot.index) - 1].box.corner[3].y + FillGap() : mListY;
  slot.box = RectQuad(mListX - width / 2.0f, top, width, height);
}

void FindListGame::CompactSlots(size_t from) {
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

bool FindListGame::FlyToSlot(ListSlot& slot) {
  sObjMesh& item = *slot.item;
  const Vec2 centre = item.mCentre;
  const float cosTurn = std::cos(kFlightTurn);
  const float sinTurn = std::sin(kFlightTurn);
  for (Vector2& corner : item.mBaseQuad.corner) {
    const float dx = corner.x - centre.x;
    const float dy = corner.y - centre.y;
    corner.x = centre.x + dx * cosTurn - dy * sinTurn;
    corner.y = centre.y + dx * sinTurn + dy * cosTurn;
  }

  const Vec2 target((slot.box.corner[1].x + slot.box.corner[3].x) / 2.0f,
                    (slot.box.corner[1].y + slot.box.corner[3].y) / 2.0f);
  if (Vec2::Distance(centre, target) < kFlightSpeed) {
    PlaySoundObject(mCollectedSound);
    slot.item = nullptr;
    ++mFound;
    return true;
  }
  const Vec2 step = Vec2::SetLength(Vec2(target.x - centre.x, target.y - centre.y), kFlightSpeed);
  for (Vector2& corner : item.mBaseQuad.corner) {
    corner.x += step.x;
    corner.y += step.y;
  }
  item.mCentre = Vec2(centre.x + step.x, centre.y + step.y);

  for (int k : {0, 1, 3, 2}) {
    const Vector2& corner = item.mBaseQuad.corner[k];
    const Vec2 out = Vec2::SetLength(Vec2(corner.x - item.mCentre.x, corner.y - item.mCentre.y), kSparkDistance);
    gParticleEffectSets[kEffectMagicWand].StartAt(Vec2(item.mCentre.x + out.x, item.mCentre.y + out.y));
  }
  if (mSleifEffect != nullptr) {
    if (gTrailStep == 2) {
      StartEffectObject(mSleifEffect, item.mCentre);
      gTrailStep = 0;
    } else {
      ++gTrailStep;
    }
  }
  return false;
}

int FindListGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable() || mSlots.empty() || mSlots[0].item == nullptr) return 0;

  ListSlot& first = mSlots[0];
  SlideSlot(first.box, mListY);
  if (first.item->mState == 1 && !first.item->IsPlaying() && FlyToSlot(first)) {
    CompactSlots(0);
    return 0;
  }
  RaiseFade(first);

  for (size_t i = 1; i < mSlots.size(); ++i) {
    ListSlot& slot = mSlots[i];
    if (slot.item == nullptr) continue;
    RaiseFade(slot);
    SlideSlot(slot.box, mSlots[i - 1].box.corner[3].y + FollowOffset());
    if (slot.item->mState == 1 && !slot.item->IsPlaying() && FlyToSlot(slot)) {
      CompactSlots(i);
      return 0;
    }
  }
  return 0;
}

int FindListGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  for (ListSlot& slot : mSlots) {
    sObjMesh* item = slot.item;
    if (item == nullptr || item->IsPlaying()) continue;
    const Vector2& origin = item->mBaseQuad.corner[0];
    const Vec2 point(static_cast<float>(x) - origin.x, static_cast<float>(y) - origin.y);
    if (!HitTestImagePixel(item->GetImage(), point)) continue;
    gParticleEffectSets[kEffectPlateFly].StartAt(item->mCentre);
    item->PlayAnimationMode("finded", kAnimOnce);
    item->mState = 1;
    item->SetVisible(false);
    ResetMissClicks();
    return 0;
  }
  ReportMiss(x, y);
  return 0;
}

float FindListGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  return ListItemsText(format, text, mTotal, mFound);
}

uint8_t FindListGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  for (const ListSlot& slot : mSlots) {
    if (slot.item == nullptr || slot.item->mState == 1) continue;
    first = {slot.item->mCentre.x, slot.item->mCentre.y};
    return kHintAtFirst;
  }
  return kHintNone;
}

int FindListGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  if (mLevelObjects != nullptr) {
    for (sObj* object : *mLevelObjects) {
      if (object == mHudAnchor) {
        DrawHud(g);
      } else {
        object->Draw(&g);
      }
    }
  }
  DrawDisabledList(g);
  if (!IsUnplayable()) {
    DrawList(g);
    for (const ListSlot& slot : mSlots) {
      sObjMesh* item = slot.item;
      if (item == nullptr || item->mState != 1 || item->GetImage() == nullptr) continue;
      SetObjectColour(g, *item);
      g.SetDrawMode(item->mAdditive ? kDrawModeAdditive : item->mDrawMode);
      g.DrawCellQuad(item->GetImage(), PoseQuad(*item), item->mFrameColumn, item->mFrameRow);
      g.SetDrawMode(kDrawModeNormal);
    }
  }
  g.End3D();
  g.SetColorizeImages(false);
  MiniGame::Draw(g);
  return 0;
}

// --- silhouettes -------------------------------------------------------------

void FindListMaskGame::BoxSize(const sObjMesh& item, float& width, float& height) const {
  const MemoryImage* image = item.GetImage();
  FitListBox(image != nullptr ? static_cast<float>(image->width) : 0.0f,
             image != nullptr ? static_cast<float>(image->height) : 0.0f, width, height);
}

void FindListMaskGame::SlideSlot(Quad& box, float targetY) const { SlideBox(box, targetY, 4.0f); }

void FindListMaskGame::DrawList(Graphics& g) {
  for (const ListSlot& slot : mSlots) {
    if (slot.item == nullptr || slot.item->HighlightImage() == nullptr) continue;
    g.SetColorARGB(static_cast<unsigned char>(slot.fade), 255, 255, 255);
    g.DrawCellQuad(slot.item->HighlightImage(), slot.box, 1, 1);
  }
}

// --- names -------------------------------------------------------------------

int FindListTextGame::HudInt(const std::string& key) const {
  if (mHudObjects == nullptr || mHudObjects->empty()) return 0;
  return LeadingInt((*mHudObjects)[0]->mProperties.GetProperty(key).c_str());
}

void FindListTextGame::BoxSize(const sObjMesh& item, float& width, float& height) const {
  width = static_cast<float>(HudInt("_iListTextLineWidth"));
  height = static_cast<float>(HudInt("_iListTextLineInterval"));
}

void FindListTextGame::SlideSlot(Quad& box, float targetY) const { SlideBox(box, targetY, 0.0f); }

void FindListTextGame::DrawList(Graphics& g) {
  Font* font = FontByName("FONT_TEXT");
  if (font == nullptr) return;
  g.SetFont(font);
  const int spacing = HudInt("_iListTextLineSpacing");
  for (const ListSlot& slot : mSlots) {
    if (slot.item == nullptr || slot.item->mText.empty()) continue;
    g.SetColor(Color(255, 255, 255, slot.fade));
    const Quad& box = slot.box;
    Rect rect(static_cast<int>(box.corner[0].x), static_cast<int>(box.corner[0].y),
              static_cast<int>(box.corner[1].x - box.corner[0].x), static_cast<int>(box.corner[3].y - box.corner[0].y));
    if (rect.width <= 0) {
      // No row width: one line centred on the list.
      const int width = font->StringWidth(slot.item->mText);
      rect.x = static_cast<int>(mListX) - width / 2;
      rect.width = width + 1;
    }
    g.DrawTextWrapped(rect, slot.item->mText, spacing, 0);
  }
}

}  // namespace Kivo
