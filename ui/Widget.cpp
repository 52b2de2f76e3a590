#include "ui/Widget.h"

#include <algorithm>
#include <cstdlib>

#include "ui/Font.h"
#include "ui/Graphics.h"
#include "ui/WidgetHost.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

const Color& SharedBlack() {
  static const Color black(0, 0, 0, 255);
  return black;
}

// Switches the coloured-text escapes on for one call and restores the
// context's own setting afterwards.
class EscapesOn {
 public:
  explicit EscapesOn(Graphics& g) : mGraphics(g), mSaved(g.GetWriteColoredString()) { g.SetWriteColoredString(true); }
  ~EscapesOn() { mGraphics.SetWriteColoredString(mSaved); }
  EscapesOn(const EscapesOn&) = delete;
  EscapesOn& operator=(const EscapesOn&) = delete;

 private:
  Graphics& mGraphics;
  bool mSaved;
};

}  // namespace

Widget::Widget() = default;

Widget::~Widget() {
  if (mParent != nullptr) mParent->RemoveChild(this);
}

void Widget::SplitCount(int count, int* button, int* clicks) {
  if (count == 3) {
    *button = 2;
    *clicks = 1;
  } else if (count < 0) {
    *button = 1;
    *clicks = -count;
  } else {
    *button = 0;
    *clicks = count;
  }
}

void Widget::OnOrderChanged() {}

void Widget::SetVisible(bool visible) {
  if (mVisible == visible) return;
  mVisible = visible;
  if (visible) {
    Invalidate();
  } else {
    InvalidateArea();
  }
  if (mManager != nullptr) mManager->RefreshMouseOver();
}

void Widget::SetColorsRGBA(const int32_t (*colors)[4], int count) {
  mColors.clear();
  for (int i = 0; i < count; ++i) {
    SetColor(i, Color(colors[i][0], colors[i][1], colors[i][2], colors[i][3]));
  }
  Invalidate();
}

void Widget::SetColorsRGB(const int32_t (*colors)[3], int count) {
  mColors.clear();
  for (int i = 0; i < count; ++i) SetColor(i, Color(colors[i][0], colors[i][1], colors[i][2], 255));
  Invalidate();
}

void Widget::SetColor(int index, const Color& color) {
  if (index < 0) return;
  if (static_cast<size_t>(index) >= mColors.size()) mColors.resize(static_cast<size_t>(index) + 1, SharedBlack());
  mColors[static_cast<size_t>(index)] = color;
  Invalidate();
}

Color Widget::GetColorOr(int index, const Color& fallback) const {
  if (index < 0 || static_cast<size_t>(index) >= mColors.size()) return fallback;
  return mColors[static_cast<size_t>(index)];
}

const Color& Widget::GetColor(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= mColors.size()) return SharedBlack();
  return mColors[static_cast<size_t>(index)];
}

void Widget::SetDisabled(bool disabled) {
  if (mDisabled == disabled) return;
  mDisabled = disabled;
  if (disabled && mManager != nullptr) mManager->ForgetWidget(this);
  Invalidate();
  if (!disabled && mManager != nullptr && Contains(mManager->mLastMouseX, mManager->mLastMouseY)) {
    mManager->SetMousePosition(mManager->mLastMouseX, mManager->mLastMouseY);
  }
}

void Widget::ShowHandCursor(bool show) {
  if (mManager != nullptr && mManager->mApp != nullptr) mManager->mApp->SetCursorNumber(show ? 1 : 0);
}

void Widget::ResizeRect(const Rect& rect) { Resize(rect.x, rect.y, rect.width, rect.height); }

void Widget::Resize(int x, int y, int width, int height) {
  if (mX == x && mY == y && mWidth == width && mHeight == height) return;
  InvalidateArea();
  mX = x;
  mY = y;
  mWidth = width;
  mHeight = height;
  Invalidate();
  if (mManager != nullptr) mManager->RefreshMouseOver();
}

void Widget::Move(int x, int y) { Resize(x, y, mWidth, mHeight); }

bool Widget::WantsFocus() { return mWantsFocus; }

void Widget::DrawOverlayAt(Graphics& g, int) { DrawOverlay(g); }

void Widget::DrawOverlay(Graphics&) {}

void Widget::GotFocus() { mHasFocus = true; }

void Widget::LostFocus() { mHasFocus = false; }

void Widget::KeyChar(wchar_t) {}

void Widget::KeyDown(int key) {
  if (key != kKeyTab || mManager == nullptr) return;
  Widget* target = mManager->mKeyDown[kKeyShift] ? mTabPrev : mTabNext;
  if (target != nullptr) mManager->SetFocus(target);
}

void Widget::KeyUp(int) {}

void Widget::MouseEnter() {}

void Widget::MouseLeave() {}

void Widget::MouseMove(int, int) {}

void Widget::MouseDownButton(int, int, int, int) {}

void Widget::MouseDown(int x, int y, int count) {
  int button = 0, clicks = 0;
  SplitCount(count, &button, &clicks);
  MouseDownButton(x, y, button, clicks);
}

void Widget::MouseUpButton(int, int, int, int) {}

void Widget::MouseUp(int x, int y, int count) {
  MouseUpAt(x, y);
  int button = 0, clicks = 0;
  SplitCount(count, &button, &clicks);
  MouseUpButton(x, y, button, clicks);
}

void Widget::MouseUpAt(int, int) {}

void Widget::MouseDrag(int, int) {}

void Widget::MouseWheel(int) {}

bool Widget::IsPointVisible(int, int) { return true; }

Rect Widget::DrawCenteredTextShadowed(Graphics& g, int y, const std::wstring& text, const Color& textColor,
                                      const Color& shadowColor, int offsetX, int offsetY) {
  Font* font = g.GetFont();
  if (font == nullptr) return Rect();
  const int w = font->StringWidth(text);
  const int x = (mWidth - w) / 2;
  g.SetColor(shadowColor);
  g.DrawString(text, x + offsetX, y + offsetY);
  g.SetColor(textColor);
  g.DrawString(text, x, y);
  return Rect(x + std::min(offsetX, 0), y + std::min(offsetY, 0) - font->GetAscent(), w + std::abs(offsetX),
              font->GetHeight() + std::abs(offsetY));
}

Rect Widget::DrawCenteredText(Graphics& g, int y, const std::wstring& text) {
  Font* font = g.GetFont();
  if (font == nullptr) return Rect();
  const int w = font->StringWidth(text);
  const int x = (mWidth - w) / 2;
  g.DrawString(text, x, y);
  return Rect(x, y - font->GetAscent(), w, font->GetHeight());
}

int Widget::DrawTextSpan(Graphics& g, const std::wstring& text, int x, int y, int width, int justification, bool draw,
                         int start, int length) {
  EscapesOn escapes(g);
  return g.DrawColoredText(text, x, y, width, justification, draw, start, length, -1);
}

int Widget::DrawTextWrapped(Graphics& g, const Rect& rect, const std::wstring& text, int lineSpacing,
                            int justification) {
  EscapesOn escapes(g);
  return g.DrawTextWrapped(rect, text, lineSpacing, justification, nullptr, -1, nullptr);
}

int Widget::MeasureTextWrapped(Graphics& g, int width, const std::wstring& text, int lineSpacing) {
  return g.MeasureTextWrappedHeight(width, text, lineSpacing, nullptr);
}

int Widget::CountDigits(int64_t n) {
  int digits = 1;
  for (int64_t limit = 10; n >= limit && digits < 19; limit *= 10) ++digits;
  return digits;
}

void Widget::DrawNumberStrip(Graphics& g, int64_t n, int x, int y, Image* digits, int spacing) {
  if (digits == nullptr) return;
  if (n < 0) n = 0;
  const int count = CountDigits(n);
  int64_t divisor = 1;
  for (int i = 0; i < count; ++i) divisor *= 10;
  const int cw = digits->GetWidth() / 10;
  for (int j = 0; j < count; ++j) {
    divisor /= 10;
    const int digit = static_cast<int>((n / divisor) % 10);
    const int px = x + j * (spacing + cw);
    // Clip to one cel and draw the whole strip shifted so only the digit shows.
    Graphics cel(g);
    cel.ClipRect(px, y, cw, digits->GetHeight());
    cel.DrawImage(digits, px - cw * digit, y);
  }
}

bool Widget::Contains(int x, int y) const {
  return x >= mX && y >= mY && int64_t(x) < int64_t(mX) + mWidth && int64_t(y) < int64_t(mY) + mHeight;
}

Rect Widget::GetHitRect() const {
  return Rect(mX + mMouseInsets.left, mY + mMouseInsets.top, mWidth - mMouseInsets.left - mMouseInsets.right,
              mHeight - mMouseInsets.top - mMouseInsets.bottom);
}

void Widget::DetachFromManager() {
  if (mManager == nullptr) return;
  WidgetManager* manager = mManager;
  for (Widget* child : mChildren) child->DetachFromManager();
  manager->ForgetWidget(this);
  manager->DropModalReferences(this);
  OnRemoved(manager);
  InvalidateChildArea(this);
  mDirty = true;
  mManager = nullptr;
}

void Widget::AddOverlay(int priority) {
  if (mManager != nullptr) mManager->AddOverlay(this, priority);
}

}  // namespace Kivo
