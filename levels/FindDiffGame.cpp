#include "levels/FindDiffGame.h"

#include "engine/AnimDef.h"
#include "engine/ParticleEffect.h"
#include "levels/DataFormat.h"
#include "levels/FoundObjects.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"

namespace Kivo {

namespace {

constexpr int kMeshTypeCode = 7;

// Leading decimal digits of a non-empty value; the default otherwise.
int IntProperty(const std::string& value, int fallback) {
  return value.empty() ? fallback : static_cast<int>(LeadingInt(value.c_str()));
}

void ShiftX(sObj& object, float dx) {
  for (Vector2& corner : object.mBaseQuad.corner) corner.x += dx;
  for (Vector2& corner : object.mDisplayQuad.corner) corner.x += dx;
  object.mCentre.x += dx;
  object.mDisplayCentre.x += dx;
}

}  // namespace

int FindDiffGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mTargets.clear();
  mPointerImage.Load("custom_pointer");
  if (MemoryImage* pointer = mPointerImage.Get()) {
    mPointerHalfWidth = static_cast<float>(pointer->width >> 1);
    mPointerHalfHeight = static_cast<float>(pointer->height >> 1);
  }
  mCopyAnchor = FindObjectByName(*levelObjects, "part_game_draw");
  mPlaceEffect = FindEffect("effOnPlace");
  mCover = FindObjectByName(*levelObjects, "fake_back");
  sObj* findSound = FindEffect("soundFind");
  mArrivalSound = FindEffect("soundCollected");
  if (FindAnimDef("finded") == nullptr) {
    MarkUnplayable("find_diff", "the game has no \"finded\" animation");
    return 0;
  }

  for (size_t i = levelObjects->size(); i-- > 0;) {
    sObj* object = (*levelObjects)[i];
    if (object->mTypeCode != kMeshTypeCode) continue;
    auto* mesh = dynamic_cast<sObjMesh*>(object);
    if (mesh == nullptr) continue;
    mesh->mState = kIdle;
    if (mesh->mGroup == 0) continue;
    AppendFoundAnimation(*mesh, findSound);
    mTargets.push_back(mesh);
  }

  mFinalX = 50.0f;
  mFinalY = 118.0f;
  mTargetCount = IntProperty(LevelProperty("_iNumObjFind"), 10);
  mLeft = IntProperty(LevelProperty("_iLeft"), 0) != 0;
  mFinalY = static_cast<float>(IntProperty(LevelProperty("_iFinalY"), 118));
  mFinalX = static_cast<float>(IntProperty(LevelProperty("_iFinalX"), 50));
  mShift = mLeft ? 400.0f : -400.0f;

  // A negative count compares as a huge unsigned one: every candidate plays.
  if (static_cast<unsigned>(mTargetCount) >= mTargets.size()) {
    mTargetCount = static_cast<int>(mTargets.size());
  } else {
    for (size_t remove = mTargets.size() - static_cast<size_t>(mTargetCount); remove > 0; --remove) {
      const int index = RandomInt(static_cast<int32_t>(mTargets.size()));
      mTargets.erase(mTargets.begin() + index);
    }
  }
  for (sObjMesh* target : mTargets) {
    target->mState = kInPlay;
    target->mItemFlag = RandomInt(2) == 1;
    if (target->mItemFlag) ShiftX(*target, mShift);
  }
  return 0;
}

void FindDiffGame::PlacePointer() {
  mMirrorX = mMouseX > 400.0f ? mMouseX - 400.0f : mMouseX + 400.0f;
  mMirrorY = mMouseY;
  mPointerQuad.corner[0] = Vector2(mMirrorX - mPointerHalfWidth, mMirrorY - mPointerHalfHeight);
  mPointerQuad.corner[1] = Vector2(mMirrorX + mPointerHalfWidth, mMirrorY - mPointerHalfHeight);
  mPointerQuad.corner[2] = Vector2(mMirrorX + mPointerHalfWidth, mMirrorY + mPointerHalfHeight);
  mPointerQuad.corner[3] = Vector2(mMirrorX - mPointerHalfWidth, mMirrorY + mPointerHalfHeight);
}

int FindDiffGame::MouseMove(int x, int y) {
  mMouseX = static_cast<float>(x);
  mMouseY = static_cast<float>(y);
  return 0;
}

int FindDiffGame::MouseUp(int x, int y, int) { return MouseMove(x, y); }

sObjMesh* FindDiffGame::HitTarget(float x, float y) {
  for (sObjMesh* target : mTargets) {
    if (target->mState == kInPlay && HitMesh(*target, x, y, MeshHit::kQuadThenImageFrame)) return target;
  }
  return nullptr;
}

void FindDiffGame::Found(sObjMesh& target) {
  target.PlayAnimationMode("finded", 1);
  target.mState = kFound;
  target.SetVisible(false);
  ResetMissClicks();
}

int FindDiffGame::MouseDown(int x, int y, int) {
  mMouseX = static_cast<float>(x);
  mMouseY = static_cast<float>(y);
  if (IsUnplayable()) return 0;
  if (sObjMesh* direct = HitTarget(mMouseX, mMouseY)) {
    gParticleEffectSets[kEffectPlateFly].StartAt(direct->mCentre);
    Found(*direct);
    return 0;
  }
  PlacePointer();
  if (sObjMesh* mirrored = HitTarget(mMirrorX, mMirrorY)) {
    Found(*mirrored);
    return 0;
  }
  ReportMiss(x, y);
  return 0;
}

int FindDiffGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  PlacePointer();
  for (sObjMesh* target : mTargets) {
    if (target->mState != kFound || target->IsPlaying()) continue;
    if (!FlyFoundStep(*target, Vec2(mFinalX, mFinalY), mSleifEffect)) continue;
    target->mState = kArrived;
    PlaySoundObject(mArrivalSound);
    StartEffectAt(mPlaceEffect, target->mCentre);
    if (!mWon && PartsLeft() == 0) mWon = true;
  }
  return 0;
}

int FindDiffGame::PartsLeft() const {
  int left = 0;
  for (const sObjMesh* target : mTargets) left += target->mState != kArrived ? 1 : 0;
  return left;
}

void FindDiffGame::DrawOtherCopy(Graphics& g) {
  for (sObj* object : *mLevelObjects) {
    auto* mesh = object->mTypeCode == kMeshTypeCode ? dynamic_cast<sObjMesh*>(object) : nullptr;
    if (mesh != nullptr && mesh->mState != kIdle) {
      if (mesh->mItemFlag) object->Draw(&g);
      continue;
    }
    ShiftX(*object, mShift);
    object->Draw(&g);
    ShiftX(*object, -mShift);
  }
}

int FindDiffGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  for (sObj* object : *mLevelObjects) {
    if (object == mHudAnchor) DrawHud(g);
    if (object == mCopyAnchor) DrawOtherCopy(g);
    auto* mesh = object->mTypeCode == kMeshTypeCode ? dynamic_cast<sObjMesh*>(object) : nullptr;
    if (mesh != nullptr && mesh->mState != kIdle && mesh->mItemFlag) continue;
    object->Draw(&g);
  }
  if (mCopyAnchor == nullptr) DrawOtherCopy(g);
  g.SetColorARGB(255, 255, 223, 136);
  g.FillRect3D(400, 0, 4, 680);
  if (mCover != nullptr) mCover->Draw(&g);
  if (mHudAnchor == nullptr) DrawHud(g);
  for (sObjMesh* target : mTargets) {
    if (target->mState != kFound || target->GetImage() == nullptr) continue;
    g.SetColorARGB(static_cast<unsigned char>(target->mAlpha), static_cast<unsigned char>(target->mRed),
                   static_cast<unsigned char>(target->mGreen), static_cast<unsigned char>(target->mBlue));
    const Quad* quad = &target->mBaseQuad;
    if (target->IsPlaying()) {
      target->ApplyCurrentPose();
      quad = &target->mDisplayQuad;
    }
    g.DrawCellQuad(target->GetImage(), *quad, 1, 1);
  }
  if (mPointerImage.Get() != nullptr) {
    g.SetColorARGB(255, 255, 255, 255);
    g.DrawCellQuad(mPointerImage.Get(), mPointerQuad, 1, 1);
  }
  g.End3D();
  g.SetColorizeImages(false);
  return MiniGame::Draw(g);
}

uint8_t FindDiffGame::GetHintPosition(HintPoint& first, HintPoint&) {
  if (IsUnplayable()) return kHintNone;
  for (sObjMesh* target : mTargets) {
    if (target->mState == kInPlay) {
      first = {target->mCentre.x, target->mCentre.y};
      return kHintAtFirst;
    }
  }
  return kHintNone;
}

float FindDiffGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  const int left = PartsLeft();
  text = FormatDataInts(format, {left});
  // Nothing to find: no share of it is done (and no division by zero).
  if (mTargets.empty()) return 0.0f;
  return static_cast<float>(static_cast<int>(mTargets.size()) - left) / static_cast<float>(mTargets.size());
}

}  // namespace Kivo
