#include "levels/FindIdentGame.h"

#include "engine/AnimDef.h"
#include "engine/ParticleEffect.h"
#include "levels/DataFormat.h"
#include "levels/FoundObjects.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kMeshTypeCode = 7;

int IntProperty(const std::string& value, int fallback) {
  return value.empty() ? fallback : static_cast<int>(LeadingInt(value.c_str()));
}

}  // namespace

int FindIdentGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mTargets.clear();
  mGroup = IntProperty(LevelProperty("_iGroupFind"), 2);
  mFinalY = static_cast<float>(IntProperty(LevelProperty("_iFinalY"), 118));
  mFinalX = static_cast<float>(IntProperty(LevelProperty("_iFinalX"), 738));
  if (FindAnimDef("finded") == nullptr) {
    MarkUnplayable("find_ident", "the game has no \"finded\" animation");
    return 0;
  }
  sObj* findSound = FindEffect("soundFind");
  mArrivalSound = FindEffect("soundCollected");
  mPlaceEffect = FindEffect("effOnPlace");
  for (size_t i = levelObjects->size(); i-- > 0;) {
    sObj* object = (*levelObjects)[i];
    if (object->mTypeCode != kMeshTypeCode) continue;
    auto* mesh = dynamic_cast<sObjMesh*>(object);
    if (mesh == nullptr || mesh->mGroup != mGroup) continue;
    mesh->mState = kWaiting;
    AppendFoundAnimation(*mesh, findSound);
    mTargets.push_back(mesh);
  }
  return 0;
}

int FindIdentGame::MouseDown(int x, int y, int) {
  if (IsUnplayable()) return 0;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  for (sObjMesh* target : mTargets) {
    if (target->mState != kWaiting || !HitMesh(*target, fx, fy, MeshHit::kImageFrame)) continue;
    target->PlayAnimationMode("finded", 1);
    gParticleEffectSets[kEffectPlateFly].StartAt(target->mCentre);
    target->mState = kFound;
    target->SetVisible(false);
    ResetMissClicks();
    return 0;
  }
  ReportMiss(x, y);
  return 0;
}

int FindIdentGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  for (sObjMesh* target : mTargets) {
    if (target->mState != kFound || target->IsPlaying()) continue;
    if (!FlyFoundStep(*target, Vec2(mFinalX, mFinalY), mSleifEffect)) continue;
    target->mState = kArrived;
    StartEffectAt(mPlaceEffect, target->mCentre);
    PlaySoundObject(mArrivalSound);
    if (!mWon && ObjectsLeft() == 0) mWon = true;
  }
  return 0;
}

int FindIdentGame::ObjectsLeft() const {
  int left = 0;
  for (const sObjMesh* target : mTargets) left += target->mState != kArrived ? 1 : 0;
  return left;
}

int FindIdentGame::Draw(Graphics& g) {
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
  for (sObjMesh* target : mTargets) {
    if (target->mState != kFound || target->GetImage() == nullptr) continue;
    g.SetColorARGB(static_cast<unsigned char>(target->mAlpha), static_cast<unsigned char>(target->mRed),
                   static_cast<unsigned char>(target->mGreen), static_cast<unsigned char>(target->mBlue));
    if (target->mAdditive) g.SetDrawMode(kDrawModeAdditive);
    const Quad* quad = &target->mBaseQuad;
    if (target->IsPlaying()) {
      target->ApplyCurrentPose();
      quad = &target->mDisplayQuad;
    }
    g.DrawCellQuad(target->GetImage(), *quad, 1, 1);
    g.SetDrawMode(kDrawModeNormal);
  }
  g.End3D();
  g.SetColorizeImages(false);
  return MiniGame::Draw(g);
}

uint8_t FindIdentGame::GetHintPosition(HintPoint& first, HintPoint&) {
  if (IsUnplayable()) return kHintNone;
  for (sObjMesh* target : mTargets) {
    if (target->mState == kWaiting && !target->IsPlaying()) {
      first = {target->mCentre.x, target->mCentre.y};
      return kHintAtFirst;
    }
  }
  return kHintNone;
}

float FindIdentGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  const int left = ObjectsLeft();
  text = FormatDataInts(format, {left});
  if (mTargets.empty()) return 0.0f;
  return static_cast<float>(static_cast<int>(mTargets.size()) - left) / static_cast<float>(mTargets.size());
}

}  // namespace Kivo
