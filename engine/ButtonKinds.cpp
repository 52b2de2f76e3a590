#include "engine/ButtonKinds.h"

#include <algorithm>

#include "engine/KindSupport.h"
#include "engine/ResourceIds.h"
#include "engine/TextTables.h"
#include "image/MemoryImage.h"
#include "ui/Font.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

int ColumnsOf(const ImageSlot& slot) { return slot.Get() != nullptr ? slot.Get()->columns : 0; }

}  // namespace

bool HoldParentFocus(sObj& object) {
  sObj* parent = object.mParent;
  if (parent == nullptr) return false;
  if (parent->mActiveChild != nullptr) return parent->mActiveChild->PassParentFocus(&object);
  return object.TakeParentFocus();
}

// --- button ----------------------------------------------------------------

sObjButton::sObjButton() {
  mAlpha = 255;
  mParent = nullptr;
  mListener = nullptr;
}

sObjButton::~sObjButton() = default;

void sObjButton::ApplyProperties() {
  PendingImageKey imageKey;
  for (const ObjProperty& pair : mProperties) {
    if (ReadColourProperty(*this, pair)) continue;
    if (pair.key == "_keyImg") {
      imageKey.Set(pair.value);
    } else if (pair.key == "_keyText") {
      mCaption = GetText(pair.value);
    } else if (pair.key == "_sFont") {
      mFontName = pair.value;
    } else if (pair.key == "_iDeltaX") {
      mTextOffsetX = PropertyInt(pair.value);
    } else if (pair.key == "_iDeltaY") {
      mTextOffsetY = PropertyInt(pair.value);
    }
  }
  imageKey.ApplyTo(mImage);
  // Only the six font names give a font; a sound name or anything else is
  // no font at all.
  mFont = FontByName(mFontName);
  if (mFont == nullptr) return;
  sObj::ApplyProperties();
}

void sObjButton::ReleaseImages() { mImage.Release(); }

void sObjButton::SetListener(ObjEventListener* listener) {
  sObj::SetListener(listener);
  if (mImage.Get() == nullptr) return;
  static const int kCells[3][4] = {{1, 1, 2, 2}, {1, 1, 2, 3}, {1, 2, 3, 4}};
  const int columns = ColumnsOf(mImage);
  const int* cells = columns >= 2 && columns <= 4 ? kCells[columns - 2] : nullptr;
  for (int i = 0; i < 4; ++i) mStateCells[i] = cells != nullptr ? cells[i] : 1;
}

int sObjButton::CellOfState(int state) const { return state >= 0 && state < 4 ? mStateCells[state] : 0; }

void sObjButton::BeginStateFade() {
  mPreviousCell = CellOfState(mState);
  mFadeAlpha = 255;
}

void sObjButton::MouseMove(int x, int y) {
  if (!mVisible || mState == kButtonDisabled) return;
  if (!PointInQuad(mBaseQuad, static_cast<float>(x), static_cast<float>(y))) {
    if (mState != kButtonNormal) BeginStateFade();
    mState = kButtonNormal;
    return;
  }
  if (!HoldParentFocus(*this) || mState == kButtonPressed) return;
  if (mState != kButtonHover) BeginStateFade();
  mState = kButtonHover;
}

void sObjButton::MouseDrag(int x, int y) {
  if (!mVisible || mState == kButtonDisabled) return;
  if (mParent == nullptr || mParent->mActiveChild != this) return;
  if (PointInQuad(mBaseQuad, static_cast<float>(x), static_cast<float>(y))) return;
  mParent->mActiveChild = nullptr;
  if (mState != kButtonNormal) BeginStateFade();
  mState = kButtonNormal;
}

bool sObjButton::MouseDown(int, int, int clickCount) {
  // Half-transparent or animating buttons are still coming or going.
  if (mState != kButtonHover || clickCount < 0 || IsPlaying() || mAlpha != 255) return false;
  BeginStateFade();
  mState = kButtonPressed;
  return true;
}

bool sObjButton::MouseUp(int, int, int) {
  if (mState != kButtonPressed) return false;
  mPreviousCell = CellOfState(kButtonPressed);
  mFadeAlpha = 255;
  mState = kButtonHover;
  Click();
  return true;
}

void sObjButton::Click() {
  if (mListener != nullptr) mListener->OnButtonClick(mName);
}

void sObjButton::Update(int ticks) {
  if (!mVisible) return;
  sObj::Update(ticks);
  mFadeAlpha = std::max(0, mFadeAlpha - 15);
}

void sObjButton::Draw(Graphics* g) {
  if (!mVisible) return;
  SetObjectColour(*g, *this);
  const Quad* quad = &PoseQuad(*this);
  MemoryImage* image = mImage.Get();
  const int cell = CellOfState(mState);
  if (image != nullptr && cell != 0) g->DrawCellQuad(image, *quad, cell, 1);
  if (mFadeAlpha != 0 && image != nullptr && mPreviousCell != 0) {
    SetObjectColour(*g, *this, std::min(mFadeAlpha, mAlpha));
    g->DrawCellQuad(image, *quad, mPreviousCell, 1);
  }
  SetObjectColour(*g, *this, mAlpha);
  if (mCaption.empty()) return;
  float x = 0.0f;
  float y = 0.0f;
  if (mFont != nullptr) {
    const int ascent = mFont->GetAscent();
    x = mCentre.x - static_cast<float>(mFont->StringWidth(mCaption) >> 1);
    y = mCentre.y + static_cast<float>((ascent - 1 - ascent / 6) >> 1);
  }
  const int pressed = mState == kButtonPressed ? 1 : 0;
  g->SetFont(mFont);
  g->DrawString(mCaption, TruncateToInt(x) + mTextOffsetX + pressed, TruncateToInt(y) + mTextOffsetY + pressed);
}

// --- toggle ----------------------------------------------------------------

sObjToggle::sObjToggle() {
  mAlpha = 255;
  mParent = nullptr;
  mListener = nullptr;
}

sObjToggle::~sObjToggle() = default;

void sObjToggle::ApplyProperties() {
  PendingImageKey imageKey;
  for (const ObjProperty& pair : mProperties) {
    if (ReadColourProperty(*this, pair)) continue;
    if (pair.key == "_keyImg") imageKey.Set(pair.value);
  }
  imageKey.ApplyTo(mImage);
  UpdateCentre();
}

void sObjToggle::ReleaseImages() { mImage.Release(); }

void sObjToggle::SetListener(ObjEventListener* listener) {
  sObj::SetListener(listener);
  if (mImage.Get() == nullptr) return;
  static const int kCells[2][3] = {{1, 1, 2}, {1, 2, 3}};
  const int columns = ColumnsOf(mImage);
  const int* cells = columns == 2 || columns == 3 ? kCells[columns - 2] : nullptr;
  for (int i = 0; i < 3; ++i) mStateCells[i] = cells != nullptr ? cells[i] : 1;
}

void sObjToggle::MouseMove(int x, int y) {
  if (!mVisible || mState == kToggleDisabled) return;
  if (!PointInQuad(mBaseQuad, static_cast<float>(x), static_cast<float>(y))) {
    mHover = false;
  } else if (HoldParentFocus(*this)) {
    mHover = true;
  }
}

bool sObjToggle::MouseDown(int, int, int clickCount) {
  if (!mHover || clickCount < 0) return false;
  mState = mState == kToggleOff ? kToggleOn : kToggleOff;
  Click();
  return true;
}

void sObjToggle::Click() {
  if (mListener != nullptr) mListener->OnToggle(mName, mState != kToggleOff);
}

void sObjToggle::Update(int) {}

void sObjToggle::SetChecked(bool checked) { mState = checked ? kToggleOn : kToggleOff; }

void sObjToggle::Draw(Graphics* g) {
  if (!mVisible) return;
  SetObjectColour(*g, *this, mAlpha);
  MemoryImage* image = mImage.Get();
  const int cell = mState >= 0 && mState < 3 ? mStateCells[mState] : 0;
  if (image != nullptr && cell != 0) g->DrawCellQuad(image, mBaseQuad, cell, 1);
}

}  // namespace Kivo
