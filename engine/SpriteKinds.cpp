#include "engine/SpriteKinds.h"

#include <cmath>
#include <limits>

#include "engine/KindSupport.h"
#include "engine/PlainKinds.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

int RenderTypeByName(const std::string& value) {
  if (value == "RENDER_CIRCLE") return kRenderCircle;
  if (value == "RENDER_PING_PONG") return kRenderPingPong;
  return kRenderOnce;
}

}  // namespace

bool sObjSprite::ReadLookProperty(const ObjProperty& pair, PendingImageKey& imageKey) {
  if (pair.key == "_keyImg") {
    imageKey.Set(pair.value);
  } else if (ReadColourProperty(*this, pair)) {
    return true;
  } else if (pair.key == "_sModeDraw") {
    mAdditive = pair.value != "NORMAL";
  } else {
    return false;
  }
  return true;
}

void sObjSprite::ApplyProperties() {
  mRenderType = kRenderOnce;
  mStartDirection = 1;
  float rate = 12.0f;
  PendingImageKey imageKey;
  for (const ObjProperty& pair : mProperties) {
    if (ReadLookProperty(pair, imageKey)) continue;
    if (pair.key == "_iPlayRenderAniYet") {
      mPlayOnLoad = pair.value == "1";
    } else if (pair.key == "_fRateRenderAni") {
      rate = PropertyFloat(pair.value);
    } else if (pair.key == "_sTypeRenderAni") {
      mRenderType = RenderTypeByName(pair.value);
    } else if (pair.key == "_iVelRenderAni") {
      mStartDirection = PropertyInt(pair.value);
    }
  }
  imageKey.ApplyTo(mImage);
  if (MemoryImage* image = mImage.Get()) {
    const float cells = static_cast<float>(image->columns * image->rows);
    // A rate of 0 would make the cell time infinite by division; say so
    // directly, so the frame timer never runs out and the cell stays.
    mFrameTimer.mDuration = rate != 0.0f ? cells / rate : std::numeric_limits<float>::infinity();
    mFrameTimer.mRemaining = 0.0f;
    mFrameTimer.mStep = CountdownTimer::kUpdateStep;
    if (mPlayOnLoad) StartFrameAnimation();
  }
  sObj::ApplyProperties();
}

void sObjSprite::FitToImage() {
  const MemoryImage* image = mImage.Get();
  if (image == nullptr) return;
  const float cellWidth = static_cast<float>(image->columns > 1 ? image->width / image->columns : image->width);
  const float cellHeight = static_cast<float>(image->rows > 1 ? image->height / image->rows : image->height);
  const Vector2 origin = mBaseQuad.corner[0];
  mBaseQuad.corner[1] = Vector2(origin.x + cellWidth, origin.y);
  mBaseQuad.corner[2] = Vector2(origin.x + cellWidth, origin.y + cellHeight);
  mBaseQuad.corner[3] = Vector2(origin.x, origin.y + cellHeight);
}

void sObjSprite::ReleaseImages() {
  mImage.Release();
  mOpaquePixels.clear();
}

void sObjSprite::StartFrameAnimation() {
  const MemoryImage* image = mImage.Get();
  if (image == nullptr || (image->columns <= 1 && image->rows <= 1)) return;
  mDirection = mStartDirection;
  if (mDirection < 0) {
    mFrameColumn = image->columns;
    mFrameRow = image->rows;
  }
  mPlaying = true;
  mFrameTimer.mRemaining = mFrameTimer.mDuration;
}

void sObjSprite::StopFrameAnimation() {
  mPlaying = false;
  mFrameTimer.mRemaining = 0.0f;
}

bool sObjSprite::StepFrame(int& column, int& row, int direction, const MemoryImage* image) {
  if (direction == 0) return true;
  const int columns = image->columns;
  const int rows = image->rows;
  if (direction > 0) {
    if (column < columns) {
      ++column;
      return true;
    }
    if (row >= rows) return false;
    ++row;
    column = 1;
    return true;
  }
  if (column > 1) {
    --column;
    return true;
  }
  if (row <= 1) return false;
  --row;
  column = columns;
  return true;
}

void sObjSprite::Update(int ticks) {
  sObj::Update(ticks);
  const MemoryImage* image = mImage.Get();
  if (!mPlaying || image == nullptr) return;
  mFrameTimer.Tick();
  const bool due = mFrameTimer.mRemaining == 0.0f || mFrameTimer.mDuration == 0.0f;
  if (!due) return;
  switch (mRenderType) {
    case kRenderCircle:
      if (!StepFrame(mFrameColumn, mFrameRow, mDirection, image)) {
        if (mDirection > 0) {
          mFrameColumn = 1;
          mFrameRow = 1;
        } else {
          mFrameColumn = image->columns;
          mFrameRow = image->rows;
        }
      }
      mFrameTimer.mRemaining = mFrameTimer.mDuration;
      break;
    case kRenderPingPong:
      if (!StepFrame(mFrameColumn, mFrameRow, mDirection, image)) {
        mDirection = -mDirection;
        StepFrame(mFrameColumn, mFrameRow, mDirection, image);
      }
      mFrameTimer.mRemaining = mFrameTimer.mDuration;
      break;
    default:
      if (StepFrame(mFrameColumn, mFrameRow, mDirection, image)) {
        mFrameTimer.mRemaining = mFrameTimer.mDuration;
      } else {
        mPlaying = false;
      }
      break;
  }
}

void sObjSprite::SetDrawLook(Graphics& g) const {
  SetObjectColour(g, *this);
  if (mAdditive) {
    g.SetDrawMode(kDrawModeAdditive);
  } else if (mDrawMode != 0) {
    g.SetDrawMode(mDrawMode);
  }
}

void sObjSprite::Draw(Graphics* g) {
  if (mImage.Get() == nullptr || !mVisible) return;
  SetDrawLook(*g);
  DrawImageOnQuad(*g, PoseQuad(*this), mImage.Get(), mFrameColumn, mFrameRow, mCamera);
  g->SetDrawMode(kDrawModeNormal);
}

void sObjSprite::CollectOpaquePixels() {
  MemoryImage* image = mImage.Get();
  if (image == nullptr) return;
  const size_t count = image->PixelCount();
  if (count == 0) return;
  const uint32_t* bits = image->GetBits();
  for (size_t i = count; i-- > 0;) {
    if ((bits[i] >> 24) != 0) mOpaquePixels.push_back(static_cast<int>(i));
  }
}

Vec2 sObjSprite::OpaquePixelPosition(Vec2& out, int index) {
  const MemoryImage* image = mImage.Get();
  const int width = image != nullptr && image->width > 0 ? image->width : 1;
  out.x = static_cast<float>(index % width) + mBaseQuad.corner[0].x;
  out.y = static_cast<float>(index / width) + mBaseQuad.corner[0].y;
  return out;
}

void sObjMover::ApplyProperties() {
  PendingImageKey imageKey;
  for (const ObjProperty& pair : mProperties) {
    if (ReadLookProperty(pair, imageKey)) continue;
    if (pair.key == "_fXVel") {
      mXVel = PropertyFloat(pair.value);
    } else if (pair.key == "_fYVel") {
      mYVel = PropertyFloat(pair.value);
    }
  }
  imageKey.ApplyTo(mImage);
  mXOffset = 0.0f;
  mYOffset = 0.0f;
  UpdateCentre();
}

void sObjMover::Update(int) {
  mXOffset += mXVel;
  mYOffset += mYVel;
}

void sObjMover::Draw(Graphics* g) {
  if (mImage.Get() == nullptr || !mVisible) return;
  SetObjectColour(*g, *this);
  if (mAdditive) g->SetDrawMode(kDrawModeAdditive);
  g->DrawImageSubpixel(mImage.Get(), mBaseQuad, mXOffset, mYOffset);
  g->SetDrawMode(kDrawModeNormal);
}

void sObjSwing::ApplyProperties() {
  mSwingTime = 5.0f;
  for (bool& flag : mSwingCorner) flag = false;
  PendingImageKey imageKey;
  for (const ObjProperty& pair : mProperties) {
    if (ReadLookProperty(pair, imageKey)) continue;
    if (pair.key == "_fAltitudeMax") {
      mMaxAmplitude = PropertyFloat(pair.value);
    } else if (pair.key == "_fVelMax") {
      mMaxSpeed = PropertyFloat(pair.value);
    } else if (pair.key == "_fCenterX") {
      mPivotX = PropertyFloat(pair.value);
    } else if (pair.key == "_fCenterY") {
      mPivotY = PropertyFloat(pair.value);
    } else if (pair.key == "_iLeft_up") {
      mSwingCorner[0] = PropertyInt(pair.value) != 0;
    } else if (pair.key == "_iRight_up") {
      mSwingCorner[1] = PropertyInt(pair.value) != 0;
    } else if (pair.key == "_iRight_down") {
      mSwingCorner[2] = PropertyInt(pair.value) != 0;
    } else if (pair.key == "_iLeft_down") {
      mSwingCorner[3] = PropertyInt(pair.value) != 0;
    } else if (pair.key == "_fTimeOne") {
      mSwingTime = PropertyFloat(pair.value);
    }
  }
  imageKey.ApplyTo(mImage);
  UpdateCentre();
  for (int i = 0; i < 4; ++i) {
    mRestQuad.corner[i] = Vector2(mBaseQuad.corner[i].x - mPivotX, mBaseQuad.corner[i].y - mPivotY);
  }
}

void sObjSwing::Update(int) {
  mSwingTimer.Tick();
  if (mSwingTimer.mRemaining != 0.0f && mSwingTimer.mDuration != 0.0f) {
    mBaseQuad = mRestQuad;
    const float t = 1.0f - mSwingTimer.mRemaining / mSwingTimer.mDuration;
    const float angle = mAmplitude * (1.0f - t) * std::sin(mPhase);
    mPhase -= mPhaseStep;
    Mat3 rotation;
    rotation.Rotation(angle);
    for (int i = 0; i < 4; ++i) {
      Vector2& corner = mBaseQuad.corner[i];
      if (mSwingCorner[i]) corner = rotation.TransformPoint(corner);
      corner.x += mPivotX;
      corner.y += mPivotY;
    }
    return;
  }
  mAmplitude = LcgRandomFloat(0.0f, mMaxAmplitude);
  mPhase = 0.0f;
  // Without a largest amplitude the speed has nothing to scale by: no swing.
  mPhaseStep = mMaxAmplitude != 0.0f ? (mMaxSpeed / mMaxAmplitude) * mAmplitude : 0.0f;
  mSwingTimer.mDuration = mSwingTime;
  mSwingTimer.mRemaining = mSwingTime;
  mSwingTimer.mStep = CountdownTimer::kUpdateStep;
}

}  // namespace Kivo
