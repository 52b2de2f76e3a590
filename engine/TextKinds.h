// The text kinds: sObjText (type 5), a wrapped, justified text inside its
// quad; and sObjFrame (16), a speech bubble: a text box framed by four
// corners, two edges and a background, with an arrow out of one corner, that
// grows to the lines of its text and comes and goes through its own "appear"
// and "hide" animations, a queued text waiting for "hide" to end.
//
// Properties read: "_colObj" (decimal, red in the low byte), "_iAlph",
// "_sFont" (one of the six FONT_* names), "_iAlign" (0 centre, 1 right, other
// left; default 0), "_iLineSpacing" (-1, the default, is the font's own);
// the text "_keyText"; the bubble "_keyImgLU", "_keyImgRU", "_keyImgRD",
// "_keyImgLD", "_keyImgHR", "_keyImgVR", "_keyImgArr", "_keyImgFon",
// "_iDeltaFrom", "_fXPointArr", "_fYPointArr", "_fAngleArrow" (degrees).
//
// The bubble's pieces are drawn in their own colours at the object's alpha;
// the object's colour is its text's. Its height is that of the lines its text
// wraps to, broken as the draw breaks them. Failures: without a font neither
// kind draws, loads animations or computes its centre; missing frame pieces
// have size 0 and are not drawn.
#pragma once

#include <string>

#include "engine/EngineObject.h"
#include "engine/ImageSlot.h"

namespace Kivo {

class Font;

class sObjText : public sObj {
 public:
  sObjText();
  ~sObjText() override;

  void ApplyProperties() override;
  void Draw(Graphics* g) override;

  std::wstring mText;     // game code may replace it; the next draw shows it
  Font* mFont = nullptr;  // not owned
  std::string mFontName;
  int mJustification = 0;
  int mLineSpacing = -1;
};

constexpr int kFramePieceLU = 0;
constexpr int kFramePieceRU = 1;
constexpr int kFramePieceRD = 2;
constexpr int kFramePieceLD = 3;

class sObjFrame : public sObj {
 public:
  void ApplyProperties() override;
  // 200 x 32 from corner 0.
  void FitToImage() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void Update(int ticks) override;

  // Shows text, the box as high as its wrapped lines, playing "appear";
  // the point is unused.
  virtual void ShowText(Vec2 point, const std::wstring& text);
  // Shows text once the bubble has hidden; a second text while one waits
  // is shown at once, in its final pose.
  virtual void QueueText(Vec2 point, const std::wstring& text);
  // Plays "hide" (straight to its end when the bubble was not shown) and
  // drops a waiting text.
  virtual void Hide();

  // Places every piece around the text box q, and the arrow on its corner.
  void LayoutPieces(const Quad& q);

  // Corners LU, RU, RD, LD; edges; arrow; background.
  ImageSlot mCorners[4];
  ImageSlot mHorizontalEdge;
  ImageSlot mVerticalEdge;
  ImageSlot mArrow;
  ImageSlot mBackground;
  std::wstring mText;
  int mJustification = 0;
  int mLineSpacing = -1;
  std::string mFontName;
  Font* mFont = nullptr;  // not owned
  Quad mCornerQuads[4];
  Quad mEdgeQuads[4];  // left, right, top, bottom
  Quad mBandQuads[4];  // top, bottom, left, right
  float mTextWidth = 0.0f;
  bool mShown = false;
  Vec2 mQueuedPoint;
  std::wstring mQueuedText;
  bool mQueued = false;
  int mArrowCorner = 0;
  float mArrowOffsetX = 0.0f;
  float mArrowOffsetY = 0.0f;
  Quad mArrowQuad;
  float mArrowAngle = 0.0f;  // radians

 private:
  void StartHide(bool dropQueued);
  // Moves the arrow quad's centre onto its anchor corner plus the offset.
  void PlaceArrow();
};

}  // namespace Kivo
