#include "levels/DuskGame.h"

#include "engine/TextTables.h"
#include "levels/DataFormat.h"
#include "levels/FoundObjects.h"
#include "levels/LevelContext.h"

namespace Kivo {

namespace {

constexpr int kMeshTypeCode = 7;
constexpr int kPatchGroup = 3;
constexpr int kLightenStep = 40;

}  // namespace

int DuskGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mDuskEffect = FindEffect("effDusk");
  mCounterTemplate = GetText(LevelProperty("_keyTextStayShablon"));
  mPatches.clear();
  for (size_t i = levelObjects->size(); i-- > 0;) {
    sObj* object = (*levelObjects)[i];
    if (object->mTypeCode != kMeshTypeCode) continue;
    auto* mesh = dynamic_cast<sObjMesh*>(object);
    if (mesh == nullptr || mesh->mGroup != kPatchGroup) continue;
    mesh->mState = kDark;
    mPatches.push_back(mesh);
  }
  return 0;
}

int DuskGame::MouseDown(int x, int y, int clickCount) {
  if (clickCount < 0) return 0;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  // From the end of the list: level order, so the earlier patch wins.
  for (auto it = mPatches.rbegin(); it != mPatches.rend(); ++it) {
    sObjMesh* patch = *it;
    if (patch->mState != kDark || !PointInQuad(patch->mBaseQuad, fx, fy)) continue;
    if (patch->mAlpha <= kLightenStep) {
      StartEffectAt(mSleifEffect, patch->mCentre);
      patch->SetAlpha(0);
      patch->mState = kCleared;
      CurrentLevelContext().PlaySound("SOUND_FIND");
      if (!mWon) {
        bool all = true;
        for (const sObjMesh* other : mPatches) all = all && other->mState == kCleared;
        mWon = all;
      }
    } else {
      patch->SetAlpha(patch->mAlpha - kLightenStep);
      CurrentLevelContext().PlaySound("SOUND_DUSK");
    }
    StartEffectAt(mDuskEffect, patch->mCentre);
    return 0;
  }
  // The cross shows, but a miss here never counts toward the penalty.
  mMissPoint = {fx, fy};
  mMissCrossRequest = true;
  return 0;
}

int DuskGame::Draw(Graphics& g) {
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
  g.End3D();
  g.SetColorizeImages(false);
  return MiniGame::Draw(g);
}

uint8_t DuskGame::GetHintPosition(HintPoint& first, HintPoint&) {
  for (auto it = mPatches.rbegin(); it != mPatches.rend(); ++it) {
    if ((*it)->mState != kCleared) {
      first = {(*it)->mCentre.x, (*it)->mCentre.y};
      return kHintAtFirst;
    }
  }
  return kHintNone;
}

float DuskGame::UpdateItemsText(const std::wstring&, std::wstring& text) {
  int cleared = 0;
  for (const sObjMesh* patch : mPatches) cleared += patch->mState == kCleared ? 1 : 0;
  // No patches: nothing is cleared, 0 %, and no division by zero.
  const float ratio = mPatches.empty() ? 0.0f : static_cast<float>(cleared) / static_cast<float>(mPatches.size());
  text = FormatDataInts(mCounterTemplate, {static_cast<int>(ratio * 100.0f)}) + L"%";
  return ratio;
}

}  // namespace Kivo
