#include "levels/PairsGame.h"

#include <cmath>

#include "engine/KeyframeTrack.h"
#include "engine/SoundEmitterKinds.h"
#include "levels/DataFormat.h"
#include "levels/LevelContext.h"
#include "levels/PropertyValue.h"

namespace Kivo {

namespace {

constexpr int kItemTypeCode = 7;

sObjMesh* AsItem(sObj* object) {
  if (object == nullptr || object->mTypeCode != kItemTypeCode) return nullptr;
  return dynamic_cast<sObjMesh*>(object);
}

// The point (x, y) in the item's own picture: relative to corner 0, turned
// back by the direction of the top edge.
Vec2 PointInPicture(const sObj& item, int x, int y) {
  const Vector2& c0 = item.mBaseQuad.corner[0];
  const Vector2& c1 = item.mBaseQuad.corner[1];
  const double theta = std::atan2(static_cast<double>(c1.y - c0.y), static_cast<double>(c1.x - c0.x));
  const double m = static_cast<double>(static_cast<float>(x) - c0.x);
  const double n = static_cast<double>(static_cast<float>(y) - c0.y);
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  return Vec2(static_cast<float>(m * c + n * s), static_cast<float>(n * c - m * s));
}

}  // namespace

int PairsGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mPlaceEffect = FindEffect("effOnPlace");
  mFoundCount = 0;
  mPairCount = 0;
  mSelected = nullptr;
  mPartners.clear();
  if (levelObjects != nullptr) {
    for (sObj* object : *levelObjects) {
      sObjMesh* p = AsItem(object);
      if (p == nullptr || PartnerOf(p) != nullptr) continue;
      sObjMesh* partner = nullptr;
      if (p->GetImage() != nullptr) {
        for (sObj* other : *levelObjects) {
          sObjMesh* q = AsItem(other);
          if (q == nullptr || q == p || PartnerOf(q) != nullptr) continue;
          if (q->GetImage() == p->GetImage()) {
            partner = q;
            break;
          }
        }
      }
      if (partner == nullptr) {
        p->SetVisible(false);
        continue;
      }
      mPartners[p] = partner;
      mPartners[partner] = p;
      ++mPairCount;
    }
  }
  mFindSound = FindEffect("soundFind");
  return 0;
}

sObjMesh* PairsGame::PartnerOf(const sObj* item) const {
  auto found = mPartners.find(item);
  return found != mPartners.end() ? found->second : nullptr;
}

sObjMesh* PairsGame::ItemAt(int x, int y) const {
  if (mLevelObjects == nullptr) return nullptr;
  for (std::size_t i = mLevelObjects->size(); i-- > 0;) {
    sObjMesh* item = AsItem((*mLevelObjects)[i]);
    if (item == nullptr || !item->mVisible || PartnerOf(item) == nullptr) continue;
    if (!PointInQuad(item->mBaseQuad, static_cast<float>(x), static_cast<float>(y))) continue;
    if (HitTestImagePixel(item->GetImage(), PointInPicture(*item, x, y))) return item;
  }
  return nullptr;
}

int PairsGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  sObjMesh* hit = ItemAt(x, y);
  if (hit == nullptr) {
    mSelected = nullptr;
    return 0;
  }
  if (hit == mSelected) return 0;
  if (mSelected != nullptr && PartnerOf(mSelected) == hit) {
    mSelected->SetVisible(false);
    hit->SetVisible(false);
    if (auto* emitter = dynamic_cast<sObjEmitter*>(mPlaceEffect)) emitter->StartAt(hit->mCentre);
    if (auto* sound = dynamic_cast<sObjSound*>(mFindSound)) sound->Play();
    ++mFoundCount;
    mSelected = nullptr;
    return 0;
  }
  mSelected = hit;
  return 0;
}

int PairsGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (!mWon && !IsUnplayable() && mPairCount == mFoundCount) mWon = true;
  return 0;
}

float PairsGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  text = FormatDataInts(format, {mPairCount - mFoundCount});
  if (mPairCount == 0) return 0.0f;
  return 1.0f - static_cast<float>(mFoundCount) / static_cast<float>(mPairCount);
}

int PairsGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  DrawLevelWithHud(*this, g);
  if (mSelected != nullptr) {
    const int red = mSelected->mRed, green = mSelected->mGreen, blue = mSelected->mBlue, alpha = mSelected->mAlpha;
    const bool additive = mSelected->mAdditive;
    mSelected->mRed = mSelected->mGreen = mSelected->mBlue = 255;
    mSelected->mAlpha = 128;
    mSelected->mAdditive = false;
    mSelected->mDrawMode = 5;
    mSelected->Draw(&g);
    // The glow leaves the item in draw mode 0, whatever it had before.
    mSelected->mAdditive = additive;
    mSelected->mDrawMode = 0;
    mSelected->mRed = red;
    mSelected->mGreen = green;
    mSelected->mBlue = blue;
    mSelected->mAlpha = alpha;
  }
  g.SetColor(Color(255, 255, 255, 255));
  g.End3D();
  g.SetColorizeImages(false);
  MiniGame::Draw(g);
  return 0;
}

}  // namespace Kivo
