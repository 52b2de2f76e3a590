#include "engine/CarouselKind.h"

#include <cmath>

#include "engine/ButtonKinds.h"
#include "engine/KindSupport.h"

namespace Kivo {

namespace {

// Glides shorter than a slot still take this many updates.
constexpr int kMinimumGlideSteps = 40;
// The index the stage map may hand over for one past its last stage.
constexpr int kOnePastLastStage = 40;

AnimDef ScaleAnimation(const std::string& name, float scale) {
  AnimDef def;
  def.name = name;
  def.keys = 6;
  def.rate = 30;
  def.mode = kAnimOnce;
  Keyframe from;
  from.index = 0;
  from.cosineEase = true;
  Keyframe to = from;
  to.index = 5;
  to.scaleX = scale;
  to.scaleY = scale;
  def.keyList = {from, to};
  return def;
}

}  // namespace

sObjCarousel::sObjCarousel() {
  mAlpha = 255;
  mParent = nullptr;
  mActiveChild = nullptr;
}

void sObjCarousel::ApplyProperties() {
  mSlotCount = 3;
  mOrientation = 0;
  mPictureWidth = 100.0f;
  for (const ObjProperty& pair : mProperties) {
    if (ReadColourProperty(*this, pair)) continue;
    if (pair.key == "_iNumPict") {
      mSlotCount = PropertyInt(pair.value);
    } else if (pair.key == "_sType") {
      if (pair.value == "HOR") mOrientation = 0;
      if (pair.value == "VERT") mOrientation = 1;
    } else if (pair.key == "_fWidthPic") {
      mPictureWidth = PropertyFloat(pair.value);
    } else if (pair.key == "_fHeightPic") {
      mPictureHeight = PropertyFloat(pair.value);
    }
    // "_iValign", "_fScaleX" and "_fScaleY" are known keys without effect.
  }
  // No slots at all would make the spacing infinite; one slot is the least
  // a strip can show.
  if (mSlotCount < 1) mSlotCount = 1;
  mHalfWidth = mPictureWidth * 0.5f;
  mHalfHeight = mPictureHeight * 0.5f;
  const float length =
      mOrientation == 0 ? mBaseQuad.corner[2].x - mBaseQuad.corner[0].x : mBaseQuad.corner[2].y - mBaseQuad.corner[0].y;
  mSpacing = length / static_cast<float>(mSlotCount);
  UpdateCentre();
}

void sObjCarousel::ReleaseImages() {
  for (sObjSprite& picture : mPictures) picture.ReleaseImages();
  mPictures.clear();
}

void sObjCarousel::AddPicture(const std::string& imageKey, const std::string& pictureName) {
  sObjSprite picture;
  // The slot remembers which key gave the image, so the fallback is given
  // back under its own key.
  if (!picture.mImage.Load(imageKey)) picture.mImage.Load(kMissingPictureKey);
  picture.mName = pictureName;
  picture.mAnimations.push_back(ScaleAnimation("sel_on", 1.2f));
  picture.mAnimations.push_back(ScaleAnimation("sel_off", 0.8333333f));
  picture.mProperties.Add("_keyImg", imageKey);
  picture.mCentre = Vec2(0.0f, 0.0f);
  picture.mBaseQuad.corner[0] = Vector2(-mHalfWidth, -mHalfHeight);
  picture.mBaseQuad.corner[1] = Vector2(mHalfWidth, -mHalfHeight);
  picture.mBaseQuad.corner[2] = Vector2(mHalfWidth, mHalfHeight);
  picture.mBaseQuad.corner[3] = Vector2(-mHalfWidth, mHalfHeight);
  mPictures.push_back(picture);
  LayOut();
  sObjSprite& added = mPictures.back();
  added.mDisplayQuad = added.mBaseQuad;
  added.mDisplayCentre = added.mCentre;
}

void sObjCarousel::LayOut() {
  Vec2 p = mOrientation == 0 ? Vec2(mBaseQuad.corner[0].x + mSpacing * 0.5f, mCentre.y)
                             : Vec2(mCentre.x, mBaseQuad.corner[0].y + mSpacing * 0.5f);
  for (sObjSprite& picture : mPictures) {
    picture.MoveTo(p);
    if (mOrientation == 0) {
      p.x += mSpacing;
    } else {
      p.y += mSpacing;
    }
  }
}

void sObjCarousel::Report(const std::string& picture, int clickCount) {
  if (mListener != nullptr) mListener->OnCarouselSelect(mName, picture, clickCount);
}

void sObjCarousel::Select(int index) {
  if (mPictures.empty()) return;
  if (index == mCurrent && mHasCurrent) return;
  // Unsigned, so that a negative index is as far out as can be.
  if (static_cast<unsigned>(index) > static_cast<unsigned>(mSelectableLimit)) return;
  if (index == kOnePastLastStage) index = kOnePastLastStage - 1;
  if (static_cast<unsigned>(index) >= mPictures.size()) return;

  const sObjSprite& target = mPictures[static_cast<size_t>(index)];
  float a = mCentre.x - target.mCentre.x;
  if (GetCount() > mSlotCount) {
    const float right = mBaseQuad.corner[2].x - mSpacing * 0.5f;
    const float lastX = mPictures.back().mCentre.x;
    if (lastX + a < right) a = right - lastX;
    const float left = mBaseQuad.corner[0].x + mSpacing * 0.5f;
    const float firstX = mPictures.front().mCentre.x;
    if (firstX + a > left) a = left - firstX;
  }
  // A box of no length has no slots to count: the glide takes the least
  // time rather than dividing by zero.
  const int steps =
      mSpacing != 0.0f ? static_cast<int>(std::fabs(a / mSpacing)) + kMinimumGlideSteps : kMinimumGlideSteps;
  mStepDelta = a / static_cast<float>(steps);

  if (mHasCurrent && static_cast<size_t>(mCurrent) < mPictures.size()) {
    sObjSprite& previous = mPictures[static_cast<size_t>(mCurrent)];
    previous.FinishAnimation();
    previous.PlayAnimation("sel_off");
  }
  mHasCurrent = true;
  sObjSprite& chosen = mPictures[static_cast<size_t>(index)];
  chosen.FinishAnimation();
  chosen.PlayAnimation("sel_on");
  mStepsLeft = steps;
  mCurrent = index;
  Report(chosen.mName, 1);
}

void sObjCarousel::SelectByName(const std::string& name) {
  for (size_t i = 0; i < mPictures.size(); ++i) {
    if (mPictures[i].mName == name) {
      Select(static_cast<int>(i));
      return;
    }
  }
}

void sObjCarousel::SelectPrevious() {
  if (mCurrent != 0) Select(mCurrent - 1);
}

void sObjCarousel::SelectNext() {
  if (mCurrent < GetCount() - 1) Select(mCurrent + 1);
}

bool sObjCarousel::ContainsQuad(const sObj& object) const {
  for (const Vector2& corner : object.mBaseQuad.corner) {
    if (!PointInQuad(mBaseQuad, corner.x, corner.y)) return false;
  }
  return true;
}

void sObjCarousel::Update(int ticks) {
  if (!mVisible) return;
  if (mStepsLeft > 0) {
    if (mOrientation == 0) {
      for (sObjSprite& picture : mPictures) {
        picture.MoveBy(Vec2(mStepDelta, 0.0f));
        picture.mDisplayQuad = picture.mBaseQuad;
        picture.mDisplayCentre = picture.mCentre;
      }
    }
    --mStepsLeft;
  }
  for (sObjSprite& picture : mPictures) picture.Update(ticks);
}

void sObjCarousel::Draw(Graphics* g) {
  for (sObjSprite& picture : mPictures) picture.Draw(g);
}

void sObjCarousel::MouseMove(int x, int y) {
  if (mVisible && PointInQuad(mBaseQuad, static_cast<float>(x), static_cast<float>(y))) HoldParentFocus(*this);
}

bool sObjCarousel::MouseDown(int x, int y, int clickCount) {
  if (mParent == nullptr || mParent->mActiveChild != this) return false;
  for (size_t i = 0; i < mPictures.size(); ++i) {
    const sObjSprite& picture = mPictures[i];
    if (!ContainsQuad(picture) || !PointInQuad(picture.mBaseQuad, static_cast<float>(x), static_cast<float>(y))) {
      continue;
    }
    if (clickCount == 2) {
      if (static_cast<size_t>(mCurrent) < mPictures.size()) {
        Report(mPictures[static_cast<size_t>(mCurrent)].mName, 2);
      }
    } else {
      Select(static_cast<int>(i));
    }
    return true;
  }
  return true;
}

}  // namespace Kivo
