#include "ui/Dialog.h"

#include <memory>

#include "shell/base/GlobalRanks.h"
#include "ui/DialogButton.h"
#include "ui/Font.h"
#include "ui/Graphics.h"
#include "ui/SysFont.h"
#include "ui/WidgetHost.h"
#include "ui/WidgetManager.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankDialogYesText) std::wstring DialogYesText = L"YES";
KIVO_GLOBAL_RANK(kRankDialogNoText) std::wstring DialogNoText = L"NO";
KIVO_GLOBAL_RANK(kRankDialogOkText) std::wstring DialogOkText = L"OK";
KIVO_GLOBAL_RANK(kRankDialogCancelText) std::wstring DialogCancelText = L"CANCEL";

namespace {

const int32_t kDialogColors[kDialogColorCount][3] = {
    {255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {80, 80, 80}, {255, 255, 255},
};

// Replaces *slot with a duplicate of font; the duplicate is made first, so
// the font may be the one in the slot.
void ReplaceFont(Font** slot, Font* font) {
  Font* copy = font != nullptr ? font->Duplicate() : nullptr;
  delete *slot;
  *slot = copy;
}

}  // namespace

Dialog::Dialog(Image* componentImage, Image* buttonImage, int id, bool isModal, const std::wstring& header,
               const std::wstring& lines, const std::wstring& footer, int buttonMode)
    : mComponentImage(componentImage),
      mDialogHeader(header),
      mDialogFooter(footer),
      mDialogLines(lines),
      mButtonMode(buttonMode),
      mButtonHeight(buttonImage != nullptr ? buttonImage->height : 24),
      mId(id),
      mIsModal(isModal) {
  mPriority = 1;
  mHasTransparency = true;
  mNoCover = true;

  if (buttonMode == kDialogYesNo || buttonMode == kDialogOkCancel) {
    mYesButton = new DialogButton(buttonImage, kDialogButtonYes, this);
    mYesButton->mLabel = buttonMode == kDialogYesNo ? DialogYesText : DialogOkText;
    mNoButton = new DialogButton(buttonImage, kDialogButtonNo, this);
    mNoButton->mLabel = buttonMode == kDialogYesNo ? DialogNoText : DialogCancelText;
  } else if (buttonMode == kDialogFooterButton) {
    mYesButton = new DialogButton(buttonImage, kDialogButtonYes, this);
    mYesButton->mLabel = footer;
  }

  for (int i = 0; i < kDialogColorCount; ++i) {
    Color color(kDialogColors[i][0], kDialogColors[i][1], kDialogColors[i][2], 255);
    // Framed buttons have a light face: their labels default to black.
    if (buttonImage == nullptr && (i == kDialogColorButtonText || i == kDialogColorButtonTextHilite))
      color = Color(0, 0, 0, 255);
    Dialog::SetColor(i, color);
  }
}

Dialog::~Dialog() {
  mLiveness->alive = false;
  mLiveness->lastResult = mResult;
  delete mYesButton;
  delete mNoButton;
  delete mHeaderFont;
  delete mLinesFont;
}

DialogButton* Dialog::GetButton(int id) const {
  if (id == kDialogButtonYes) return mYesButton;
  if (id == kDialogButtonNo) return mNoButton;
  return nullptr;
}

void Dialog::SetColor(int index, const Color& color) {
  Widget::SetColor(index, color);
  for (DialogButton* button : {mYesButton, mNoButton}) {
    if (button == nullptr) continue;
    if (index == kDialogColorButtonText) button->SetColor(kButtonColorLabel, color);
    if (index == kDialogColorButtonTextHilite) button->SetColor(kButtonColorLabelHilite, color);
  }
}

void Dialog::SetButtonFont(Font* font) {
  // The font may be one button's own, which that button's SetFont deletes:
  // both buttons copy from a copy made first.
  std::unique_ptr<Font> copy(font != nullptr ? font->Duplicate() : nullptr);
  if (mYesButton != nullptr) mYesButton->SetFont(copy.get());
  if (mNoButton != nullptr) mNoButton->SetFont(copy.get());
}

void Dialog::SetHeaderFont(Font* font) {
  ReplaceFont(&mHeaderFont, font);
  Invalidate();
}

void Dialog::SetLinesFont(Font* font) {
  ReplaceFont(&mLinesFont, font);
  Invalidate();
}

void Dialog::EnsureFonts() {
  WidgetHost* app = mManager != nullptr ? mManager->mApp : nullptr;
  if (mHeaderFont == nullptr) mHeaderFont = new SysFont(app, "Arial Unicode MS", 14, 0, false, false, false);
  if (mLinesFont == nullptr) mLinesFont = new SysFont(app, "Arial Unicode MS", 12, 0, false, false, false);
}

void Dialog::OnAdded(WidgetManager* manager) {
  Widget::OnAdded(manager);
  if (manager == nullptr) return;
  if (mYesButton != nullptr) manager->AddChild(mYesButton);
  if (mNoButton != nullptr) manager->AddChild(mNoButton);
  OnOrderChanged();
}

void Dialog::OnRemoved(WidgetManager* manager) {
  Widget::OnRemoved(manager);
  if (manager == nullptr) return;
  if (mYesButton != nullptr) manager->RemoveChild(mYesButton);
  if (mNoButton != nullptr) manager->RemoveChild(mNoButton);
}

void Dialog::OnOrderChanged() {
  if (mManager == nullptr) return;
  for (DialogButton* button : {mYesButton, mNoButton}) {
    if (button != nullptr && button->GetParent() == mManager) mManager->MoveInFrontOf(button, this);
  }
}

void Dialog::Resize(int x, int y, int width, int height) {
  Widget::Resize(x, y, width, height);
  LayoutButtons();
}

void Dialog::LayoutButtons() {
  const int h = mButtonHeight;
  const int left = mX + mContentInsets.left + mBackgroundInsets.left;
  const int rowY = mY + mHeight - mContentInsets.bottom - mBackgroundInsets.bottom - h;
  const int inner =
      mWidth - mContentInsets.left - mContentInsets.right - mBackgroundInsets.left - mBackgroundInsets.right;
  if (mYesButton != nullptr && mNoButton != nullptr) {
    const int bw = (inner - 2 * mButtonSidePadding - mButtonHorzSpacing) / 2;
    mYesButton->Resize(left + mButtonSidePadding, rowY, bw, h);
    mNoButton->Resize(mYesButton->mX + bw + mButtonHorzSpacing, rowY, bw, h);
  } else if (mYesButton != nullptr) {
    mYesButton->Resize(left, rowY, inner, h);
  }
}

void Dialog::Draw(Graphics& g) {
  EnsureFonts();
  const Insets& bg = mBackgroundInsets;
  const Insets& content = mContentInsets;
  if (mComponentImage != nullptr) {
    g.DrawImageBox(Rect(bg.left, bg.top, mWidth - bg.left - bg.right, mHeight - bg.top - bg.bottom), mComponentImage);
  } else {
    // The default box leaves a margin of its own and ignores the insets.
    g.SetColor(GetColor(kDialogColorOutline));
    g.DrawRect(12, 12, mWidth - 25, mHeight - 25);
    g.SetColor(GetColor(kDialogColorBackground));
    g.FillRect(13, 13, mWidth - 26, mHeight - 26);
    g.SetColor(Color(0, 0, 0, 128));
    g.FillRect(mWidth - 12, 24, 12, mHeight - 36);
    g.FillRect(24, mHeight - 12, mWidth - 24, 12);
  }

  int y = content.top + bg.top;
  if (!mDialogHeader.empty()) {
    y += mHeaderFont->GetAscent() - mHeaderFont->GetAscentPadding();
    g.SetFont(mHeaderFont);
    g.SetColor(GetColor(kDialogColorHeader));
    DrawCenteredText(g, y, mDialogHeader);
    y += mHeaderFont->GetHeight() - mHeaderFont->GetAscent() + mSpaceAfterHeader;
  }

  g.SetFont(mLinesFont);
  g.SetColor(GetColor(kDialogColorLines));
  const Rect linesRect(bg.left + content.left + 2, y, mWidth - content.left - content.right - bg.left - bg.right - 4,
                       0);
  y += DrawTextWrapped(g, linesRect, mDialogLines, mLinesFont->GetLineSpacing() + mLineSpacingOffset, mTextAlign);

  if (!mDialogFooter.empty() && mButtonMode != kDialogFooterButton) {
    y += 8 + mHeaderFont->GetLineSpacing();
    g.SetFont(mHeaderFont);
    g.SetColor(GetColor(kDialogColorFooter));
    DrawCenteredText(g, y, mDialogFooter);
  }
}

int Dialog::GetPreferredHeight(int width) {
  EnsureFonts();
  const Insets& bg = mBackgroundInsets;
  const Insets& content = mContentInsets;
  int h = content.top + content.bottom + bg.top + bg.bottom;
  bool something = false;
  if (!mDialogHeader.empty()) {
    h += mHeaderFont->GetHeight() - mHeaderFont->GetAscentPadding();
    something = true;
  }
  if (!mDialogLines.empty()) {
    if (something) h += mSpaceAfterHeader;
    Graphics g;
    g.SetFont(mLinesFont);
    h += MeasureTextWrapped(g, width - content.left - content.right - bg.left - bg.right - 4, mDialogLines,
                            mLinesFont->GetLineSpacing() + mLineSpacingOffset);
    something = true;
  }
  if (!mDialogFooter.empty() && mButtonMode != kDialogFooterButton) {
    if (something) h += 8;
    h += mHeaderFont->GetLineSpacing();
    something = true;
  }
  if (mYesButton != nullptr) {
    if (something) h += 8;
    h += mButtonHeight + 8;
  }
  return h;
}

void Dialog::SetCursor(int number) {
  if (mManager != nullptr && mManager->mApp != nullptr) mManager->mApp->SetCursorNumber(number);
}

void Dialog::MouseDownButton(int x, int y, int button, int clicks) {
  Widget::MouseDownButton(x, y, button, clicks);
  // A double click is no grab.
  if (clicks != 1) return;
  mDragging = true;
  SetCursor(2);
  mDragMouseX = x;
  mDragMouseY = y;
}

void Dialog::MouseUpButton(int x, int y, int button, int clicks) {
  Widget::MouseUpButton(x, y, button, clicks);
  if (!mDragging) return;
  SetCursor(0);
  mDragging = false;
}

void Dialog::MouseDrag(int x, int y) {
  Widget::MouseDrag(x, y);
  if (!mDragging) return;
  const int managerWidth = mManager != nullptr ? mManager->mWidth : 0;
  const int managerHeight = mManager != nullptr ? mManager->mHeight : 0;
  const int px = x + mX;
  const int py = y + mY;
  // At most 8 pixels of the dialog may leave the manager on any side.
  int newX = px - mDragMouseX;
  if (newX + mWidth > managerWidth + 8) newX = managerWidth + 8 - mWidth;
  if (newX < -8) newX = -8;
  int newY = py - mDragMouseY;
  if (newY + mHeight > managerHeight + 8) newY = managerHeight + 8 - mHeight;
  if (newY < -8) newY = -8;
  // The grab point follows the pointer but stays 8 pixels inside.
  mDragMouseX = px - newX;
  if (mDragMouseX <= 7)
    mDragMouseX = 8;
  else if (mDragMouseX > mWidth - 9)
    mDragMouseX = mWidth - 9;
  mDragMouseY = py - newY;
  if (mDragMouseY <= 7)
    mDragMouseY = 8;
  else if (mDragMouseY > mHeight - 9)
    mDragMouseY = mHeight - 9;
  Move(newX, newY);
}

void Dialog::ButtonPress(int id) {
  if (id != kDialogButtonYes && id != kDialogButtonNo) return;
  if (mDialogListener != nullptr) mDialogListener->DialogButtonPress(mId, id);
}

void Dialog::ButtonDepress(int id) {
  if (id != kDialogButtonYes && id != kDialogButtonNo) return;
  mResult = id;
  if (mDialogListener != nullptr) mDialogListener->DialogButtonRelease(mId, id);
}

int Dialog::WaitForResult(bool remove) {
  // Everything the loop does may run during the wait, the removal and
  // deletion of this dialog included: after every pass the token says
  // whether `this` may still be touched.
  const std::shared_ptr<Liveness> token = mLiveness;
  DialogRunner* runner = mRunner;
  const int id = mId;
  if (runner == nullptr) return mResult;
  for (;;) {
    const bool goOn = runner->StepAppOnce(nullptr);
    if (!token->alive) return token->lastResult;
    if (!goOn || GetManager() == nullptr || mResult != kDialogNoResult) break;
  }
  const int result = mResult;
  // Another dialog may have been registered under the id meanwhile.
  if (remove && runner->FindDialog(id) == this) runner->RemoveDialogById(id);
  return result;
}

}  // namespace Kivo
