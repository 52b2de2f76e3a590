// The drawable, input-receiving element of the widget tree. The manager keeps
// its pressed and hovered bytes current and calls the hooks below; screens,
// dialogs and buttons override the ones they need.
//
// Mouse counts arrive as one signed number: 1 or 2 left (single, double
// click), -1 or -2 right, 3 middle. MouseDown and MouseMove get the point
// relative to the widget, MouseDrag the pointer minus the absolute position,
// MouseUp the pointer minus the position in the parent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/base/Color.h"
#include "shell/base/Rect.h"
#include "ui/WidgetContainer.h"

namespace Kivo {

class Graphics;
class Image;

struct Insets {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  Insets() = default;
  Insets(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
};

// Virtual-key codes the tree itself reacts to.
enum : int32_t { kKeyTab = 9, kKeyShift = 16, kKeyControl = 17 };

class Widget : public WidgetContainer {
 public:
  Widget();
  // A widget destroyed while it still hangs in a tree leaves it first, so the
  // manager keeps no pointer to it.
  ~Widget() override;

  virtual void OnOrderChanged();
  virtual void SetVisible(bool visible);
  virtual void SetColorsRGBA(const int32_t (*colors)[4], int count);
  virtual void SetColorsRGB(const int32_t (*colors)[3], int count);
  // Negative indices are ignored: the table only grows upward.
  virtual void SetColor(int index, const Color& color);
  virtual Color GetColorOr(int index, const Color& fallback) const;
  // Outside the table: the shared opaque black, which nobody can repaint.
  virtual const Color& GetColor(int index) const;
  virtual void SetDisabled(bool disabled);
  virtual void ShowHandCursor(bool show);
  virtual void ResizeRect(const Rect& rect);
  virtual void Resize(int x, int y, int width, int height);
  virtual void Move(int x, int y);
  virtual bool WantsFocus();
  virtual void DrawOverlayAt(Graphics& g, int priority);
  virtual void DrawOverlay(Graphics& g);
  virtual void GotFocus();
  virtual void LostFocus();
  virtual void KeyChar(wchar_t c);
  virtual void KeyDown(int key);
  virtual void KeyUp(int key);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void MouseMove(int x, int y);
  // button: 0 left, 1 right, 2 middle.
  virtual void MouseDownButton(int x, int y, int button, int clicks);
  virtual void MouseDown(int x, int y, int count);
  virtual void MouseUpButton(int x, int y, int button, int clicks);
  virtual void MouseUp(int x, int y, int count);
  virtual void MouseUpAt(int x, int y);
  virtual void MouseDrag(int x, int y);
  virtual void MouseWheel(int notches);
  // A widget may answer false to let clicks through at a local point.
  virtual bool IsPointVisible(int x, int y);
  // Text helpers; without a font they draw nothing and return zeros.
  virtual Rect DrawCenteredTextShadowed(Graphics& g, int y, const std::wstring& text, const Color& textColor,
                                        const Color& shadowColor, int offsetX, int offsetY);
  virtual Rect DrawCenteredText(Graphics& g, int y, const std::wstring& text);
  virtual int DrawTextSpan(Graphics& g, const std::wstring& text, int x, int y, int width, int justification, bool draw,
                           int start, int length);
  virtual int DrawTextWrapped(Graphics& g, const Rect& rect, const std::wstring& text, int lineSpacing,
                              int justification);
  virtual int MeasureTextWrapped(Graphics& g, int width, const std::wstring& text, int lineSpacing);
  virtual int CountDigits(int64_t n);
  // A non-negative number from a strip of ten digit cels 0..9 side by side;
  // negative numbers draw as 0.
  virtual void DrawNumberStrip(Graphics& g, int64_t n, int x, int y, Image* digits, int spacing);
  virtual bool Contains(int x, int y) const;
  virtual Rect GetHitRect() const;

  // Leaves the manager: children first, then the manager forgets this
  // widget and the modal stack drops references to it.
  void DetachFromManager();
  void AddOverlay(int priority);

  // Splits a signed mouse count into button (0 left, 1 right, 2 middle) and clicks.
  static void SplitCount(int count, int* button, int* clicks);

  bool mVisible = true;
  bool mMouseVisible = true;
  bool mDisabled = false;
  bool mHasFocus = false;
  bool mIsDown = false;   // pressed: a button went down on it and is still held
  bool mIsOver = false;   // hovered
  bool mNoCover = false;  // never counts as an opaque cover when invalidating
  std::vector<Color> mColors;
  Insets mMouseInsets;
  bool mHandCursor = false;
  bool mWantsFocus = false;
  Widget* mTabPrev = nullptr;
  Widget* mTabNext = nullptr;
};

}  // namespace Kivo
