#include "ui/DialogButton.h"

#include "ui/Font.h"
#include "ui/Graphics.h"
#include "ui/SysFont.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

int AlphaByte(double alpha) {
  if (!(alpha > 0.0)) return 0;
  if (alpha >= 1.0) return 255;
  return static_cast<int>(alpha * 255.0);
}

}  // namespace

DialogButton::DialogButton(Image* componentImage, int id, ButtonListener* listener)
    : ButtonWidget(id, listener), mComponentImage(componentImage) {
  mHandCursor = true;
  SetColor(kButtonColorLabel, Color(255, 255, 255));
  SetColor(kButtonColorLabelHilite, Color(255, 255, 255));
}

void DialogButton::Draw(Graphics& g) {
  if (mBtnNoDraw) return;
  if (mComponentImage == nullptr) {
    ButtonWidget::Draw(g);
    return;
  }
  if (mFont == nullptr && !mLabel.empty()) {
    mFont = new SysFont(mManager != nullptr ? mManager->mApp : nullptr, "Arial Unicode MS", 12, 1, false, false, false);
  }
  const bool pressed = IsPressed();
  const Rect area(0, 0, mWidth, mHeight);

  if (mNormalRect.width != 0) {
    if (mDisabled && mDisabledRect.width > 0 && mDisabledRect.height > 0) {
      g.DrawImageBoxSubrect(mDisabledRect, area, mComponentImage);
    } else if (pressed) {
      g.DrawImageBoxSubrect(mDownRect, area, mComponentImage);
    } else if (mOverAlpha > 0.0) {
      if (mOverAlpha < 1.0) g.DrawImageBoxSubrect(mNormalRect, area, mComponentImage);
      g.SetColorizeImages(true);
      g.SetColor(Color(255, 255, 255, AlphaByte(mOverAlpha)));
      g.DrawImageBoxSubrect(mOverRect, area, mComponentImage);
      g.SetColorizeImages(false);
    } else if (mIsOver) {
      g.DrawImageBoxSubrect(mOverRect, area, mComponentImage);
    } else {
      g.DrawImageBoxSubrect(mNormalRect, area, mComponentImage);
    }
    if (pressed) g.Translate(mTranslateX, mTranslateY);
  } else {
    if (pressed) g.Translate(mTranslateX, mTranslateY);
    g.DrawImageBox(area, mComponentImage);
  }

  if (mFont != nullptr) {
    g.SetFont(mFont);
    g.SetColor(GetColor(mIsOver ? kButtonColorLabelHilite : kButtonColorLabel));
    const int x = (mWidth - mFont->StringWidth(mLabel)) / 2;
    const int ascent = mFont->GetAscent();
    const int y = (ascent + mHeight - mFont->GetAscentPadding() - ascent / 6 - 1) / 2;
    g.DrawString(mLabel, x + mTextOffsetX, y + mTextOffsetY);
  }
  if (pressed) g.Translate(-mTranslateX, -mTranslateY);
}

}  // namespace Kivo
