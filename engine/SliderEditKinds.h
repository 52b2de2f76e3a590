// The value and text controls: sObjSlider (type 6), a value from 0 to 1
// shown as a fill image revealed along a straight track with a handle
// sprite on it, dragged by the player (each new value reported through
// OnSlider) or set by the game and then gliding toward its target; and
// sObjEdit (type 8), a one-line text entry with a caret placed by the mouse
// and moved by the Left, Right, Home, End, Backspace and Delete keys.
//
// Properties read: the slider "_keyImg" (fill), "_keyImgBack",
// "_keyImgCenter" (handle), "_fSpeed", "_colObj" (decimal, red in the low
// byte), "_iAlph"; the edit "_colObj", "_iAlph", "_intNumChar" (maximum
// length), "_sFont" (one of the six font names).
//
// Limits: the edit takes only the space, the ASCII digits and letters and
// the Cyrillic letters U+0410-U+044F (no U+0401/U+0451); keys are Windows
// virtual-key codes. The value glides by the speed per update (0.02 when
// "_fSpeed" is absent). Failures: none are reported. A slider whose track
// has no length drags to 0; a slider without a handle image is dragged only
// inside its quad; an edit without a font measures every character as 0
// pixels wide (its text and caret index still change) and draws no text;
// an object without a listener simply reports to no one.
#pragma once

#include <string>

#include "engine/EngineObject.h"
#include "engine/ImageSlot.h"
#include "engine/ImageTable.h"
#include "engine/SpriteKinds.h"

namespace Kivo {

class Font;

// Windows virtual-key codes the edit reacts to.
constexpr int kKeyBackspace = 0x08;
constexpr int kKeyEnd = 0x23;
constexpr int kKeyHome = 0x24;
constexpr int kKeyLeft = 0x25;
constexpr int kKeyRight = 0x27;
constexpr int kKeyDelete = 0x2E;

// The value step per update when the scene gives none.
constexpr float kDefaultSliderSpeed = 0.02f;

class sObjSlider : public sObj, public LoadingProgressTarget {
 public:
  void ApplyProperties() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void MouseMove(int x, int y) override;
  bool MouseDown(int x, int y, int clickCount) override;
  bool MouseUp(int x, int y, int clickCount) override;
  bool PassParentFocus(sObj* other) override;
  void UpdateCentre() override;
  void Update(int ticks) override;

  // Projects the point on the track: the value jumps there and is reported.
  virtual void DragTo(int x, int y);
  // The target, clamped to 0..1; the shown value glides to it in Update.
  void SetValue(float value) override;
  virtual bool IsFull();
  // The shown value, not the target.
  virtual float GetValue();

  void SetEnabled(bool on) { mEnabled = on; }

  float mSpeed = kDefaultSliderSpeed;
  ImageSlot mFill;
  ImageSlot mBack;
  sObjSprite mHandle;
  float mTarget = 0.0f;
  Vec2 mTrackStart;
  Vec2 mTrackEnd;
  bool mDragging = false;
  bool mEnabled = false;
  float mValue = 0.0f;

 private:
  void UpdateTrack();
  // The handle's quad centred on the value's point of the track.
  void PlaceHandle();
  bool OnHandle(float x, float y) const;
};

class sObjEdit : public sObj {
 public:
  void ApplyProperties() override;
  void Draw(Graphics* g) override;
  void MouseMove(int x, int y) override;
  bool MouseDown(int x, int y, int clickCount) override;
  bool MouseUp(int x, int y, int clickCount) override;
  void KeyDown(int key) override;
  void KeyChar(wchar_t c) override;
  bool PassParentFocus(sObj* other) override;
  void Update(int ticks) override;

  // Puts the caret at the character boundary nearest to x (a point exactly
  // on a character's middle goes after it).
  virtual void PlaceCaretAt(int x);
  virtual void MoveCaret(bool left);
  void SetText(const std::wstring& text);
  const std::wstring& GetText() const { return mText; }
  void CaretToEnd();

  // Whether the entry takes the character at all (length aside).
  static bool IsAccepted(wchar_t c);

  std::wstring mText;
  int mCaretX = 0;
  int mCaretWidth = 3;
  int mCaretHeight = 0;
  Font* mFont = nullptr;  // not owned
  std::string mFontName;
  int mMaxLength = 0;
  int mCaretIndex = -1;
  bool mSelecting = false;

 private:
  int CharWidth(wchar_t c) const;
  int TextWidth() const;
};

}  // namespace Kivo
