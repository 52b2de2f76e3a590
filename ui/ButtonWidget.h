// The framework's push button: a widget with an id, a label and a font,
// drawn either as a framed rectangle from its colour table or from state
// images (normal, over, down, disabled; whole images or cells of one sheet)
// with an optional hover fade, reporting presses, clicks, held ticks and
// hover to a ButtonListener. The manager keeps its pressed and hovered bytes.
//
// The button owns only its font (a duplicate of what it is handed); images
// and the listener belong to the caller.
#pragma once

#include <string>

#include "shell/base/Color.h"
#include "shell/base/Rect.h"
#include "ui/ButtonListener.h"
#include "ui/Widget.h"

namespace Kivo {

class Font;
class Graphics;
class Image;

// Colour table indices of a button.
enum ButtonColor : int {
  kButtonColorLabel = 0,
  kButtonColorLabelHilite = 1,  // hovered label; label of the pressed image look
  kButtonColorDarkEdge = 2,
  kButtonColorLightEdge = 3,
  kButtonColorInnerShadow = 4,
  kButtonColorFace = 5,
  kButtonColorCount = 6,
};

class ButtonWidget : public Widget {
 public:
  ButtonWidget(int id, ButtonListener* listener);
  ~ButtonWidget() override;

  virtual void DrawStateImage(Graphics& g, Image* image, const Rect& cell, int x, int y);
  // Keeps a duplicate of font (made before the current font is deleted, so a
  // button may be handed its own font); null leaves the button without a
  // font until the next draw makes the default one.
  virtual void SetFont(Font* font);
  // Pressed and hovered and not disabled.
  virtual bool IsPressed();

  void Update() override;
  void Draw(Graphics& g) override;
  void SetDisabled(bool disabled) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseMove(int x, int y) override;
  void MouseDownButton(int x, int y, int button, int clicks) override;
  void MouseUpButton(int x, int y, int button, int clicks) override;

  // The image is set or the cell has a width.
  bool HasStateImage(const Image* image, const Rect& cell) const;
  Font* GetFont() const { return mFont; }

  int mId;
  std::wstring mLabel;
  int mLabelJustify = 0;          // 0 centred, 1 right, other left
  Image* mButtonImage = nullptr;  // normal state, and the sheet the cells cut from
  Image* mOverImage = nullptr;
  Image* mDownImage = nullptr;
  Image* mDisabledImage = nullptr;
  Rect mNormalRect;
  Rect mOverRect;
  Rect mDownRect;
  Rect mDisabledRect;
  bool mInverted = false;
  bool mBtnNoDraw = false;  // hidden: draws nothing
  bool mFrameNoDraw = false;
  ButtonListener* mButtonListener;
  double mOverAlpha = 0.0;
  double mOverAlphaFadeOutSpeed = 0.0;
  double mOverAlphaFadeInSpeed = 0.0;
  int mLabelOffsetY = 0;
  int mLabelOffsetX = 0;
  Color mTint{255, 255, 255, 255};
  bool mTintOn = false;

 protected:
  // Label position for the current font (0, 0 without one).
  void LabelPosition(int* x, int* y);
  // Invalidates unless nothing would look different on hover.
  void InvalidateForHover();

  Font* mFont = nullptr;

 private:
  void DrawFramed(Graphics& g, bool pressedLook, int labelX, int labelY);
  void DrawImages(Graphics& g, bool pressedLook, int labelX, int labelY);
  void DrawLabel(Graphics& g, const Color& color, int x, int y);
};

}  // namespace Kivo
