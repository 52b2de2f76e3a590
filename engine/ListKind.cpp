#include "engine/ListKind.h"

#include <cmath>

#include "engine/PlainKinds.h"
#include "engine/ResourceIds.h"
#include "image/MemoryImage.h"
#include "ui/Font.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

void ReadRgb(const std::string& value, int& red, int& green, int& blue) {
  const PropertyColor colour = PropertyRgb(value);
  red = colour.red;
  green = colour.green;
  blue = colour.blue;
}

void SetColour(Graphics& g, int alpha, int red, int green, int blue) {
  g.SetColorARGB(static_cast<unsigned char>(alpha), static_cast<unsigned char>(red), static_cast<unsigned char>(green),
                 static_cast<unsigned char>(blue));
}

}  // namespace

void sObjList::ApplyProperties() {
  PendingImageKey selectorKey;
  for (const ObjProperty& pair : mProperties) {
    if (pair.key == "_colObjNorm") {
      ReadRgb(pair.value, mRed, mGreen, mBlue);
    } else if (pair.key == "_iAlph") {
      mAlpha = PropertyInt(pair.value);
    } else if (pair.key == "_colObjSel") {
      ReadRgb(pair.value, mHotRed, mHotGreen, mHotBlue);
    } else if (pair.key == "_colObjPress") {
      ReadRgb(pair.value, mSelRed, mSelGreen, mSelBlue);
    } else if (pair.key == "_sFont") {
      mFontName = pair.value;
    } else if (pair.key == "_keyImgSelector") {
      selectorKey.Set(pair.value);
    }
  }
  selectorKey.ApplyTo(mSelector);
  // Only the six font names give a font: a sound name is no font.
  mFont = FontByName(mFontName);
  if (mFont == nullptr) return;
  mRowHeight = mFont->GetHeight();
  if (const MemoryImage* selector = mSelector.Get()) mRowHeight = selector->height;
  UpdateCentre();
}

void sObjList::ReleaseImages() { mSelector.Release(); }

void sObjList::Update(int) {}

int sObjList::Top() const { return static_cast<int>(mBaseQuad.corner[0].y); }

int sObjList::Bottom() const { return static_cast<int>(mBaseQuad.corner[3].y); }

int sObjList::RowStart(int index) const { return mRowHeight * index + mScroll + Top(); }

void sObjList::DropStaleHot() {
  if (mHot >= GetCount()) mHot = -1;
}

void sObjList::AddItem(const std::wstring& text) {
  if (text.empty()) return;
  mItems.push_back(text);
  Select(GetCount() - 1);
}

void sObjList::RemoveItem(int index) {
  // An index past the rows names nothing to erase.
  if (index < 0 || index >= GetCount()) return;
  mItems.erase(mItems.begin() + index);
  DropStaleHot();
  if (mItems.empty()) {
    mSelected = -1;
    mHot = -1;
    return;
  }
  Select(GetCount() - 1);
}

void sObjList::RemoveItemByText(const std::wstring& text) { RemoveItem(IndexOf(text)); }

void sObjList::Clear() {
  mItems.clear();
  mSelected = -1;
  mHot = -1;
}

void sObjList::ScrollUp(int pixels) {
  if (mItems.empty() || RowStart(0) >= Top()) return;
  mScroll += pixels;
}

void sObjList::ScrollDown(int pixels) {
  if (mItems.empty() || RowStart(GetCount() - 1) + mRowHeight <= Bottom()) return;
  mScroll -= pixels;
}

void sObjList::Select(int index) {
  if (index < 0 || index >= GetCount()) return;
  mSelected = index;
  ScrollIntoView(index);
}

void sObjList::SelectByText(const std::wstring& text) { Select(IndexOf(text)); }

std::wstring sObjList::GetSelectedText() const {
  if (mSelected < 0 || mSelected >= GetCount()) return std::wstring();
  return mItems[static_cast<size_t>(mSelected)];
}

int sObjList::IndexOf(const std::wstring& text) const {
  for (size_t i = 0; i < mItems.size(); ++i) {
    if (mItems[i] == text) return static_cast<int>(i);
  }
  return -1;
}

int sObjList::ScrollNeeded(int index) const {
  // Rows without height lie nowhere; scrolling cannot bring them in.
  if (mRowHeight == 0) return 0;
  const int start = RowStart(index);
  const int end = start + mRowHeight;
  if (Top() > start) return start - Top();
  if (end > Bottom()) return end - Bottom();
  return 0;
}

void sObjList::ScrollIntoView(int index) { mScroll -= ScrollNeeded(index); }

void sObjList::RowAt(int y) {
  if (mRowHeight == 0) {
    mHot = -1;
    return;
  }
  const int row = (y - Top() - mScroll) / mRowHeight;
  mHot = row >= 0 && row < GetCount() ? row : -1;
}

void sObjList::MouseWheel(int, int, int delta) {
  if (delta > 0) {
    ScrollUp(delta);
  } else if (delta < 0) {
    ScrollDown(-delta);
  }
}

void sObjList::MouseMove(int x, int y) {
  if (!mVisible || !PointInQuad(mBaseQuad, static_cast<float>(x), static_cast<float>(y))) {
    mHot = -1;
    return;
  }
  RowAt(y);
  if (mParent != nullptr && mParent->mActiveChild != nullptr) mParent->mActiveChild->PassParentFocus(this);
}

bool sObjList::MouseDown(int, int, int) {
  if (mHot < 0) return false;
  Select(mHot);
  if (mSelected >= 0 && mListener != nullptr) mListener->OnListSelect(mName, GetSelectedText());
  return true;
}

void sObjList::DrawRow(Graphics& g, int index) const {
  const Font* font = mFont;
  const int fontHeight = font != nullptr ? font->GetHeight() : 0;
  const Rect rect(static_cast<int>(mBaseQuad.corner[0].x),
                  mRowHeight * index + (mRowHeight >> 1) - (fontHeight >> 1) +
                      static_cast<int>(std::lround(mBaseQuad.corner[0].y)) + mScroll,
                  static_cast<int>(mBaseQuad.corner[1].x - mBaseQuad.corner[0].x), mRowHeight);
  g.DrawTextWrapped(rect, mItems[static_cast<size_t>(index)], mRowHeight, 0);
}

void sObjList::DrawHighlight(Graphics& g, int index, int column, int red, int green, int blue) {
  if (mSelector.Get() != nullptr && ScrollNeeded(index) == 0) {
    const float top = mBaseQuad.corner[0].y + static_cast<float>(mRowHeight * index + mScroll);
    const float bottom = top + static_cast<float>(mRowHeight);
    Quad row;
    row.corner[0] = Vector2(mBaseQuad.corner[0].x, top);
    row.corner[1] = Vector2(mBaseQuad.corner[1].x, top);
    row.corner[2] = Vector2(mBaseQuad.corner[2].x, bottom);
    row.corner[3] = Vector2(mBaseQuad.corner[3].x, bottom);
    SetColour(g, mAlpha, 255, 255, 255);
    DrawImageOnQuad(g, row, mSelector.Get(), column, 1, mCamera);
  }
  SetColour(g, mAlpha, red, green, blue);
  DrawRow(g, index);
}

void sObjList::Draw(Graphics* g) {
  if (!mVisible || mFont == nullptr || mRowHeight == 0) return;
  g->ClipRect(static_cast<int>(mBaseQuad.corner[0].x), static_cast<int>(mBaseQuad.corner[0].y),
              static_cast<int>(mBaseQuad.corner[1].x - mBaseQuad.corner[0].x),
              static_cast<int>(mBaseQuad.corner[3].y - mBaseQuad.corner[0].y));
  g->SetFont(mFont);
  SetColour(*g, mAlpha, mRed, mGreen, mBlue);
  for (int i = 0; i < GetCount(); ++i) DrawRow(*g, i);
  if (mSelected >= 0 && mSelected < GetCount()) DrawHighlight(*g, mSelected, 2, mSelRed, mSelGreen, mSelBlue);
  if (mHot >= 0 && mHot < GetCount() && mHot != mSelected) DrawHighlight(*g, mHot, 1, mHotRed, mHotGreen, mHotBlue);
  g->ClearClipRect();
}

}  // namespace Kivo
