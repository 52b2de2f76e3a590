// The clickable kinds: sObjButton (type 4), a push button with up to four
// state cells (disabled, normal, hover, pressed) in its image's columns, a
// cross-fade from the previous state's cell and an optional caption; and
// sObjToggle (type 11), a two-state check button. Their screen passes them
// the mouse and its listener; the button reports OnButtonClick after a press
// and release on it, the toggle OnToggle after every press that switches it.
//
// Properties read: "_keyImg", "_colObj" (decimal, red in the low byte),
// "_iAlph"; the button adds "_keyText" (the caption, from the text table),
// "_sFont" (one of the six FONT_* names) and "_iDeltaX"/"_iDeltaY".
//
// Limits: the pointer gives hover only while the object holds its parent's
// focus, so an object without a parent never hovers. The state field is
// written by game code as well: 0 disables, 1 gives the control back.
// Failures: an object without a listener takes input and reports nothing; a
// button whose "_sFont" is not a font name has no caption position and no
// key animations; an image of five or more columns shows column 1 always.
#pragma once

#include <string>

#include "engine/EngineObject.h"
#include "engine/ImageSlot.h"

namespace Kivo {

class Font;

constexpr int kButtonDisabled = 0;
constexpr int kButtonNormal = 1;
constexpr int kButtonHover = 2;
constexpr int kButtonPressed = 3;

constexpr int kToggleDisabled = 0;
constexpr int kToggleOff = 1;
constexpr int kToggleOn = 2;

class sObjButton : public sObj {
 public:
  sObjButton();
  ~sObjButton() override;

  void ApplyProperties() override;
  void ReleaseImages() override;
  // Stores the listener and picks the state cells from the image's columns.
  void SetListener(ObjEventListener* listener) override;
  void Draw(Graphics* g) override;
  void MouseMove(int x, int y) override;
  bool MouseDown(int x, int y, int clickCount) override;
  bool MouseUp(int x, int y, int clickCount) override;
  void MouseDrag(int x, int y) override;
  void Update(int ticks) override;

  virtual void Click();

  // The image column of a state; 0 (nothing drawn) outside 0..3.
  int CellOfState(int state) const;

  ImageSlot mImage;
  std::wstring mCaption;
  Font* mFont = nullptr;  // not owned
  std::string mFontName;
  int mTextOffsetX = 0;
  int mTextOffsetY = 0;
  int mStateCells[4] = {1, 1, 1, 1};
  int mState = kButtonNormal;
  int mFadeAlpha = 0;
  int mPreviousCell = 1;

  // The current cell starts fading out under the next state's; game code
  // calls it before it changes the state itself.
  void BeginStateFade();
};

class sObjToggle : public sObj {
 public:
  sObjToggle();
  ~sObjToggle() override;

  void ApplyProperties() override;
  void ReleaseImages() override;
  void SetListener(ObjEventListener* listener) override;
  void Draw(Graphics* g) override;
  void MouseMove(int x, int y) override;
  bool MouseDown(int x, int y, int clickCount) override;
  // A toggle neither animates nor fades.
  void Update(int ticks) override;

  virtual void Click();

  // Shows a stored option without reporting it.
  void SetChecked(bool checked);
  bool IsChecked() const { return mState == kToggleOn; }

  ImageSlot mImage;
  int mStateCells[3] = {1, 1, 1};
  int mState = kToggleOff;
  bool mHover = false;
};

// Whether object holds its parent's focus now: the active sibling hands it
// over, or there is none and the object takes it. Never without a parent.
bool HoldParentFocus(sObj& object);

}  // namespace Kivo
