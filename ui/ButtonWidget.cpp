#include "ui/ButtonWidget.h"

#include "ui/Font.h"
#include "ui/Graphics.h"
#include "ui/SysFont.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

const int32_t kButtonColors[kButtonColorCount][3] = {
    {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {132, 132, 132}, {212, 212, 212},
};

// Hover alpha as a colour alpha: truncated, never outside 0..255.
int AlphaByte(double alpha) {
  if (!(alpha > 0.0)) return 0;
  if (alpha >= 1.0) return 255;
  return static_cast<int>(alpha * 255.0);
}

}  // namespace

ButtonWidget::ButtonWidget(int id, ButtonListener* listener) : mId(id), mButtonListener(listener) {
  mHasTransparency = true;
  for (int i = 0; i < kButtonColorCount; ++i)
    mColors.push_back(Color(kButtonColors[i][0], kButtonColors[i][1], kButtonColors[i][2], 255));
}

ButtonWidget::~ButtonWidget() { delete mFont; }

bool ButtonWidget::HasStateImage(const Image* image, const Rect& cell) const {
  return image != nullptr || cell.width != 0;
}

void ButtonWidget::DrawStateImage(Graphics& g, Image* image, const Rect& cell, int x, int y) {
  if (cell.width != 0) {
    g.DrawImageSubrect(mButtonImage, x, y, cell);
  } else if (image != nullptr) {
    g.DrawImage(image, x, y);
  }
}

void ButtonWidget::SetFont(Font* font) {
  Font* copy = font != nullptr ? font->Duplicate() : nullptr;
  delete mFont;
  mFont = copy;
  Invalidate();
}

bool ButtonWidget::IsPressed() { return mIsDown && mIsOver && !mDisabled; }

void ButtonWidget::InvalidateForHover() {
  const bool looksSame = !mIsDown && !HasStateImage(mOverImage, mOverRect) &&
                         GetColor(kButtonColorLabel) == GetColor(kButtonColorLabelHilite);
  if (!looksSame) Invalidate();
}

void ButtonWidget::MouseEnter() {
  Widget::MouseEnter();
  if (mOverAlphaFadeInSpeed == 0.0 && mOverAlpha > 0.0) mOverAlpha = 0.0;
  InvalidateForHover();
  if (mButtonListener != nullptr) mButtonListener->ButtonMouseEnter(mId);
}

void ButtonWidget::MouseLeave() {
  Widget::MouseLeave();
  if (mOverAlphaFadeOutSpeed == 0.0 && mOverAlpha > 0.0) mOverAlpha = 0.0;
  // A fade-out starts from the full over image.
  if (mOverAlphaFadeOutSpeed > 0.0 && mOverAlpha == 0.0) mOverAlpha = 1.0;
  InvalidateForHover();
  if (mButtonListener != nullptr) mButtonListener->ButtonMouseLeave(mId);
}

void ButtonWidget::MouseMove(int x, int y) {
  Widget::MouseMove(x, y);
  if (mButtonListener != nullptr) mButtonListener->ButtonMouseMove(mId, x, y);
}

void ButtonWidget::MouseDownButton(int x, int y, int button, int clicks) {
  Widget::MouseDownButton(x, y, button, clicks);
  if (mButtonListener != nullptr) mButtonListener->ButtonPressClicks(mId, clicks);
  Invalidate();
}

void ButtonWidget::MouseUpButton(int x, int y, int button, int clicks) {
  Widget::MouseUpButton(x, y, button, clicks);
  // Releasing outside the button, or while the application is in the
  // background, is no click.
  const bool appHasFocus = mManager != nullptr && mManager->mHasFocus;
  if (mIsOver && appHasFocus && mButtonListener != nullptr) mButtonListener->ButtonDepress(mId);
  Invalidate();
}

void ButtonWidget::Update() {
  Widget::Update();
  if (mIsDown && mIsOver && mButtonListener != nullptr) mButtonListener->ButtonHeld(mId);
  if (!mIsDown && !mIsOver && mOverAlpha > 0.0) {
    if (mOverAlphaFadeOutSpeed > 0.0) {
      mOverAlpha -= mOverAlphaFadeOutSpeed;
      if (mOverAlpha < 0.0) mOverAlpha = 0.0;
    } else {
      mOverAlpha = 0.0;
    }
    Invalidate();
  } else if (mIsOver && mOverAlphaFadeInSpeed > 0.0 && mOverAlpha < 1.0) {
    mOverAlpha += mOverAlphaFadeInSpeed;
    if (mOverAlpha > 1.0) mOverAlpha = 1.0;
    Invalidate();
  }
}

void ButtonWidget::SetDisabled(bool disabled) {
  Widget::SetDisabled(disabled);
  if (HasStateImage(mDisabledImage, mDisabledRect)) Invalidate();
}

void ButtonWidget::LabelPosition(int* x, int* y) {
  *x = 0;
  *y = 0;
  if (mFont == nullptr) return;
  const int textWidth = mFont->StringWidth(mLabel);
  if (mLabelJustify == 0) {
    *x = (mWidth - textWidth) / 2;
  } else if (mLabelJustify == 1) {
    *x = mWidth - textWidth;
  }
  const int ascent = mFont->GetAscent();
  *y = (ascent + mHeight - ascent / 6 - 1) / 2;
}

void ButtonWidget::DrawLabel(Graphics& g, const Color& color, int x, int y) {
  if (mFont == nullptr || mLabel.empty()) return;
  g.SetColor(color);
  g.DrawString(mLabel, x, y);
}

void ButtonWidget::Draw(Graphics& g) {
  if (mBtnNoDraw) return;
  if (mFont == nullptr && !mLabel.empty()) {
    mFont = new SysFont(mManager != nullptr ? mManager->mApp : nullptr, "Arial Unicode MS", 10, 0, false, false, false);
  }
  const bool pressedLook = (mIsDown && mIsOver && !mDisabled) != mInverted;
  int labelX = 0, labelY = 0;
  LabelPosition(&labelX, &labelY);
  g.SetFont(mFont);
  if (mButtonImage == nullptr && mDownImage == nullptr) {
    DrawFramed(g, pressedLook, labelX, labelY);
  } else {
    DrawImages(g, pressedLook, labelX, labelY);
  }
}

void ButtonWidget::DrawFramed(Graphics& g, bool pressedLook, int labelX, int labelY) {
  const int w = mWidth;
  const int h = mHeight;
  if (!mFrameNoDraw) {
    g.SetColor(GetColor(kButtonColorFace));
    g.FillRect(0, 0, w, h);
  }
  const Color& label = GetColor(mIsOver ? kButtonColorLabelHilite : kButtonColorLabel);
  if (pressedLook) {
    if (!mFrameNoDraw) {
      g.SetColor(GetColor(kButtonColorDarkEdge));
      g.FillRect(0, 0, w - 1, 1);
      g.FillRect(0, 0, 1, h - 1);
      g.SetColor(GetColor(kButtonColorLightEdge));
      g.FillRect(0, h - 1, w, 1);
      g.FillRect(w - 1, 0, 1, h);
      g.SetColor(GetColor(kButtonColorInnerShadow));
      g.FillRect(1, 1, w - 3, 1);
      g.FillRect(1, 1, 1, h - 3);
    }
    DrawLabel(g, label, labelX + mLabelOffsetX + 1, labelY + mLabelOffsetY + 1);
  } else {
    if (!mFrameNoDraw) {
      g.SetColor(GetColor(kButtonColorLightEdge));
      g.FillRect(0, 0, w - 1, 1);
      g.FillRect(0, 0, 1, h - 1);
      g.SetColor(GetColor(kButtonColorDarkEdge));
      g.FillRect(0, h - 1, w, 1);
      g.FillRect(w - 1, 0, 1, h);
      g.SetColor(GetColor(kButtonColorInnerShadow));
      g.FillRect(1, h - 2, w - 2, 1);
      g.FillRect(w - 2, 1, 1, h - 2);
    }
    DrawLabel(g, label, labelX + mLabelOffsetX, labelY + mLabelOffsetY);
  }
}

void ButtonWidget::DrawImages(Graphics& g, bool pressedLook, int labelX, int labelY) {
  if (mTintOn) {
    g.SetColorizeImages(true);
    g.SetColor(mTint);
  }
  const bool hasOver = HasStateImage(mOverImage, mOverRect);
  const bool hasNormal = HasStateImage(mButtonImage, mNormalRect);
  if (pressedLook) {
    if (HasStateImage(mDownImage, mDownRect)) {
      DrawStateImage(g, mDownImage, mDownRect, 0, 0);
    } else if (hasOver) {
      DrawStateImage(g, mOverImage, mOverRect, 1, 1);
    } else {
      DrawStateImage(g, mButtonImage, mNormalRect, 1, 1);
    }
    DrawLabel(g, GetColor(kButtonColorLabelHilite), labelX + mLabelOffsetX + 1, labelY + mLabelOffsetY + 1);
  } else {
    if (mDisabled && HasStateImage(mDisabledImage, mDisabledRect)) {
      DrawStateImage(g, mDisabledImage, mDisabledRect, 0, 0);
    } else if (mOverAlpha > 0.0 && hasOver) {
      if (hasNormal && mOverAlpha < 1.0) DrawStateImage(g, mButtonImage, mNormalRect, 0, 0);
      const bool wasColorizing = g.GetColorizeImages();
      const Color saved = g.GetColor();
      g.SetColorizeImages(true);
      g.SetColor(Color(255, 255, 255, AlphaByte(mOverAlpha)));
      DrawStateImage(g, mOverImage, mOverRect, 0, 0);
      g.SetColorizeImages(false);
      // A tinted button keeps tinting what follows.
      if (wasColorizing) {
        g.SetColorizeImages(true);
        g.SetColor(saved);
      }
    } else if ((mIsOver || mIsDown) && hasOver) {
      DrawStateImage(g, mOverImage, mOverRect, 0, 0);
    } else if (hasNormal) {
      DrawStateImage(g, mButtonImage, mNormalRect, 0, 0);
    }
    DrawLabel(g, GetColor(mIsOver ? kButtonColorLabelHilite : kButtonColorLabel), labelX + mLabelOffsetX,
              labelY + mLabelOffsetY);
  }
  if (mTintOn) g.SetColorizeImages(false);
}

}  // namespace Kivo
