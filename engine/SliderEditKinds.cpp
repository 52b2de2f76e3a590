#include "engine/SliderEditKinds.h"

#include <algorithm>

#include "engine/ButtonKinds.h"
#include "engine/KindSupport.h"
#include "engine/ResourceIds.h"
#include "image/MemoryImage.h"
#include "ui/Font.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

Vec2 Midpoint(const Vector2& a, const Vector2& b) { return Vec2((a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f); }

bool Inside(const Quad& quad, int x, int y) { return PointInQuad(quad, static_cast<float>(x), static_cast<float>(y)); }

}  // namespace

// --- slider ----------------------------------------------------------------

void sObjSlider::ApplyProperties() {
  PendingImageKey fillKey;
  PendingImageKey backKey;
  PendingImageKey handleKey;
  mSpeed = kDefaultSliderSpeed;
  for (const ObjProperty& pair : mProperties) {
    if (ReadColourProperty(*this, pair)) continue;
    if (pair.key == "_keyImg") {
      fillKey.Set(pair.value);
    } else if (pair.key == "_keyImgBack") {
      backKey.Set(pair.value);
    } else if (pair.key == "_keyImgCenter") {
      handleKey.Set(pair.value);
    } else if (pair.key == "_fSpeed") {
      mSpeed = PropertyFloat(pair.value);
    }
  }
  fillKey.ApplyTo(mFill);
  backKey.ApplyTo(mBack);
  if (handleKey.ApplyTo(mHandle.mImage)) {
    mHandle.mRed = mHandle.mGreen = mHandle.mBlue = mHandle.mAlpha = 255;
  }
  UpdateTrack();
  // A handle never placed has a quad of one point, which every press would
  // count as on it; it starts on the track instead.
  PlaceHandle();
}

void sObjSlider::PlaceHandle() {
  const MemoryImage* handle = mHandle.GetImage();
  if (handle == nullptr) return;
  const Vec2 p(mTrackStart.x + (mTrackEnd.x - mTrackStart.x) * mValue,
               mTrackStart.y + (mTrackEnd.y - mTrackStart.y) * mValue);
  // The handle draws one cel of its picture, so it is that cel, not the
  // whole sheet, that is centred on the track.
  const int cellWidth = handle->columns > 1 ? handle->width / handle->columns : handle->width;
  const int cellHeight = handle->rows > 1 ? handle->height / handle->rows : handle->height;
  mHandle.mBaseQuad.corner[0] =
      Vector2(p.x - static_cast<float>(cellWidth >> 1), p.y - static_cast<float>(cellHeight >> 1));
  mHandle.FitToImage();
}

void sObjSlider::ReleaseImages() {
  mFill.Release();
  mBack.Release();
  mHandle.ReleaseImages();
}

void sObjSlider::UpdateTrack() {
  mTrackStart = Midpoint(mBaseQuad.corner[0], mBaseQuad.corner[3]);
  mTrackEnd = Midpoint(mBaseQuad.corner[1], mBaseQuad.corner[2]);
}

void sObjSlider::UpdateCentre() {
  sObj::UpdateCentre();
  UpdateTrack();
}

bool sObjSlider::OnHandle(float x, float y) const {
  return mHandle.GetImage() != nullptr && PointInQuad(mHandle.mBaseQuad, x, y);
}

void sObjSlider::DragTo(int x, int y) {
  const float dx = mTrackEnd.x - mTrackStart.x;
  const float dy = mTrackEnd.y - mTrackStart.y;
  const float lengthSq = dx * dx + dy * dy;
  float t = 0.0f;
  // A track of no length has no direction to project on: it stays at 0
  // rather than turning 0 / 0 into a NaN value.
  if (lengthSq != 0.0f) {
    t = ((static_cast<float>(x) - mTrackStart.x) * dx + (static_cast<float>(y) - mTrackStart.y) * dy) / lengthSq;
    t = std::clamp(t, 0.0f, 1.0f);
  }
  mTarget = t;
  mValue = t;
  if (mListener != nullptr) mListener->OnSlider(mName, t);
}

bool sObjSlider::MouseDown(int x, int y, int) {
  if (!mEnabled) return false;
  if (!Inside(mBaseQuad, x, y) && !OnHandle(static_cast<float>(x), static_cast<float>(y))) return false;
  mDragging = true;
  DragTo(x, y);
  return true;
}

void sObjSlider::MouseMove(int x, int y) {
  if (!mEnabled) return;
  if (mVisible && (Inside(mBaseQuad, x, y) || OnHandle(static_cast<float>(x), static_cast<float>(y)))) {
    HoldParentFocus(*this);
  }
  if (mDragging) DragTo(x, y);
}

bool sObjSlider::MouseUp(int, int, int) {
  if (!mDragging) return false;
  mDragging = false;
  return true;
}

bool sObjSlider::PassParentFocus(sObj* other) {
  if (mDragging) return false;
  return sObj::PassParentFocus(other);
}

void sObjSlider::SetValue(float value) { mTarget = std::clamp(value, 0.0f, 1.0f); }

void sObjSlider::Update(int) {
  if (mTarget > mValue + mSpeed) {
    mValue += mSpeed;
  } else if (mTarget < mValue - mSpeed) {
    mValue -= mSpeed;
  } else {
    mValue = mTarget;
  }
}

bool sObjSlider::IsFull() { return mValue == 1.0f; }

float sObjSlider::GetValue() { return mValue; }

void sObjSlider::Draw(Graphics* g) {
  if (!mVisible) return;
  SetObjectColour(*g, *this, mAlpha);
  g->DrawCellQuad(mBack.Get(), mBaseQuad, 1, 1);
  g->DrawImagePartialQuad(mFill.Get(), mBaseQuad, mValue);
  if (mHandle.GetImage() == nullptr) return;
  PlaceHandle();
  mHandle.mRed = mRed;
  mHandle.mGreen = mGreen;
  mHandle.mBlue = mBlue;
  mHandle.mAlpha = mAlpha;
  mHandle.Draw(g);
}

// --- edit ------------------------------------------------------------------

void sObjEdit::ApplyProperties() {
  for (const ObjProperty& pair : mProperties) {
    if (ReadColourProperty(*this, pair)) continue;
    if (pair.key == "_intNumChar") {
      mMaxLength = PropertyInt(pair.value);
    } else if (pair.key == "_sFont") {
      mFontName = pair.value;
    }
  }
  // Only the six font names give a font: a sound name is no font.
  mFont = FontByName(mFontName);
  if (mFont == nullptr) return;
  mCaretHeight = static_cast<int>(mBaseQuad.corner[3].y - mBaseQuad.corner[0].y);
  UpdateCentre();
}

int sObjEdit::CharWidth(wchar_t c) const { return mFont != nullptr ? mFont->CharWidth(c) : 0; }

int sObjEdit::TextWidth() const { return mFont != nullptr ? mFont->StringWidth(mText) : 0; }

void sObjEdit::CaretToEnd() {
  mCaretX = TextWidth();
  mCaretIndex = static_cast<int>(mText.size()) - 1;
}

void sObjEdit::SetText(const std::wstring& text) {
  mText = text;
  CaretToEnd();
}

void sObjEdit::PlaceCaretAt(int x) {
  int d = x - static_cast<int>(mBaseQuad.corner[0].x);
  if (d < 1) {
    mCaretX = 0;
    mCaretIndex = -1;
    return;
  }
  if (d > TextWidth()) {
    CaretToEnd();
    return;
  }
  int running = 0;
  for (size_t i = 0; i < mText.size(); ++i) {
    const int w = CharWidth(mText[i]);
    if (d - w >= 1) {
      d -= w;
      running += w;
      continue;
    }
    if (w - d > (w >> 1)) {
      mCaretX = running;
      mCaretIndex = static_cast<int>(i) - 1;
    } else {
      mCaretX = running + w;
      mCaretIndex = static_cast<int>(i);
    }
    return;
  }
}

void sObjEdit::MoveCaret(bool left) {
  if (!left) {
    if (mCaretIndex < static_cast<int>(mText.size()) - 1) {
      ++mCaretIndex;
      mCaretX += CharWidth(mText[static_cast<size_t>(mCaretIndex)]);
    }
    return;
  }
  if (mCaretIndex >= 0) {
    mCaretX -= CharWidth(mText[static_cast<size_t>(mCaretIndex)]);
    --mCaretIndex;
  }
}

void sObjEdit::KeyDown(int key) {
  const int last = static_cast<int>(mText.size()) - 1;
  switch (key) {
    case kKeyLeft: MoveCaret(true); break;
    case kKeyRight: MoveCaret(false); break;
    case kKeyDelete:
      if (mCaretIndex < last) mText.erase(static_cast<size_t>(mCaretIndex + 1), 1);
      break;
    case kKeyBackspace:
      if (mCaretIndex >= 0) {
        MoveCaret(true);
        mText.erase(static_cast<size_t>(mCaretIndex + 1), 1);
      }
      break;
    case kKeyEnd: CaretToEnd(); break;
    case kKeyHome:
      mCaretX = 0;
      mCaretIndex = -1;
      break;
    default: break;
  }
}

bool sObjEdit::IsAccepted(wchar_t c) {
  return c == L' ' || (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') ||
         (c >= 0x0410 && c <= 0x044F);
}

void sObjEdit::KeyChar(wchar_t c) {
  if (static_cast<int>(mText.size()) >= mMaxLength || !IsAccepted(c)) return;
  if (mCaretIndex == static_cast<int>(mText.size()) - 1) {
    mText.push_back(c);
  } else {
    mText.insert(static_cast<size_t>(mCaretIndex + 1), 1, c);
  }
  MoveCaret(false);
}

bool sObjEdit::MouseDown(int x, int y, int) {
  if (mVisible && Inside(mBaseQuad, x, y)) {
    mSelecting = true;
    PlaceCaretAt(x);
  }
  // The press is left to the screen as well.
  return false;
}

void sObjEdit::MouseMove(int x, int y) {
  if (!mVisible || !Inside(mBaseQuad, x, y)) {
    mSelecting = false;
    return;
  }
  if (mSelecting) PlaceCaretAt(x);
  if (mParent != nullptr && mParent->mActiveChild != nullptr) mParent->mActiveChild->PassParentFocus(this);
}

bool sObjEdit::MouseUp(int, int, int) {
  mSelecting = false;
  return false;
}

bool sObjEdit::PassParentFocus(sObj* other) {
  if (mSelecting) return false;
  return sObj::PassParentFocus(other);
}

void sObjEdit::Update(int) {}

void sObjEdit::Draw(Graphics* g) {
  if (!mVisible) return;
  if (!mText.empty() && mFont != nullptr) {
    const int ascent = mFont->GetAscent();
    const float x = mBaseQuad.corner[0].x;
    const float y = mCentre.y + static_cast<float>((ascent - 1 - ascent / 6) >> 1);
    g->SetFont(mFont);
    SetObjectColour(*g, *this, mAlpha);
    g->DrawString(mText, static_cast<int>(x), static_cast<int>(y));
  }
  g->FillRect3D(static_cast<int>(mBaseQuad.corner[0].x + static_cast<float>(mCaretX)),
                static_cast<int>(mBaseQuad.corner[0].y), mCaretWidth, mCaretHeight);
}

}  // namespace Kivo
