#include "engine/TextKinds.h"

#include <algorithm>

#include "engine/KindSupport.h"
#include "engine/ResourceIds.h"
#include "engine/TextTables.h"
#include "image/MemoryImage.h"
#include "ui/Font.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;

// The keys both text kinds read; false for any other key.
bool ReadTextLook(sObj& object, const ObjProperty& pair, std::string& fontName, int& justification, int& lineSpacing) {
  if (ReadColourProperty(object, pair)) return true;
  if (pair.key == "_sFont") {
    fontName = pair.value;
  } else if (pair.key == "_iAlign") {
    justification = PropertyInt(pair.value);
  } else if (pair.key == "_iLineSpacing") {
    lineSpacing = PropertyInt(pair.value);
  } else {
    return false;
  }
  return true;
}

Rect TextRect(const Quad& quad) {
  const Vector2* c = quad.corner;
  return Rect(TruncateToInt(c[0].x), TruncateToInt(c[0].y), TruncateToInt(c[1].x - c[0].x),
              TruncateToInt(c[3].y - c[0].y));
}

float WidthOf(const ImageSlot& slot) { return slot.Get() != nullptr ? static_cast<float>(slot.Get()->width) : 0.0f; }
float HeightOf(const ImageSlot& slot) { return slot.Get() != nullptr ? static_cast<float>(slot.Get()->height) : 0.0f; }

Quad MakeQuad(Vector2 a, Vector2 b, Vector2 c, Vector2 d) {
  Quad quad;
  quad.corner[0] = a;
  quad.corner[1] = b;
  quad.corner[2] = c;
  quad.corner[3] = d;
  return quad;
}

Vector2 Offset(Vector2 p, float dx, float dy) { return Vector2(p.x + dx, p.y + dy); }

// The lines text takes when drawn wrapped into width, as the draw breaks
// them: at spaces and newlines, and inside a word longer than the width. A
// box without width holds the text on one line.
int WrappedLines(Font& font, int width, const std::wstring& text, int spacing) {
  if (width <= 0 || spacing <= 0) return 1;
  Graphics measure;
  measure.SetFont(&font);
  const int height = measure.MeasureTextWrappedHeight(width, text, spacing);
  const int firstLine = font.GetHeight() - font.GetAscentPadding();
  return std::max(1, (height - firstLine + spacing / 2) / spacing + 1);
}

void DrawPiece(Graphics& g, const ImageSlot& slot, const Quad& quad) {
  if (slot.Get() != nullptr) g.DrawCellQuad(slot.Get(), quad, 1, 1);
}

}  // namespace

// --- wrapped text ----------------------------------------------------------

sObjText::sObjText() {
  mAlpha = 255;
  mParent = nullptr;
}

sObjText::~sObjText() = default;

void sObjText::ApplyProperties() {
  for (const ObjProperty& pair : mProperties) {
    if (ReadTextLook(*this, pair, mFontName, mJustification, mLineSpacing)) continue;
    if (pair.key == "_keyText") mText = GetText(pair.value);
  }
  mFont = FontByName(mFontName);
  if (mFont == nullptr) return;
  sObj::ApplyProperties();
}

void sObjText::Draw(Graphics* g) {
  if (!mVisible || mText.empty() || mFont == nullptr) return;
  g->SetFont(mFont);
  SetObjectColour(*g, *this);
  g->DrawTextWrapped(TextRect(PoseQuad(*this)), mText, mLineSpacing, mJustification);
}

// --- speech bubble ---------------------------------------------------------

void sObjFrame::ApplyProperties() {
  static const char* const kCornerKeys[4] = {"_keyImgLU", "_keyImgRU", "_keyImgRD", "_keyImgLD"};
  PendingImageKey cornerKeys[4];
  PendingImageKey horizontalKey, verticalKey, arrowKey, backgroundKey;
  const std::pair<const char*, PendingImageKey*> pieceKeys[] = {
      {kCornerKeys[0], &cornerKeys[0]}, {kCornerKeys[1], &cornerKeys[1]}, {kCornerKeys[2], &cornerKeys[2]},
      {kCornerKeys[3], &cornerKeys[3]}, {"_keyImgHR", &horizontalKey},    {"_keyImgVR", &verticalKey},
      {"_keyImgArr", &arrowKey},        {"_keyImgFon", &backgroundKey}};
  for (const ObjProperty& pair : mProperties) {
    if (ReadTextLook(*this, pair, mFontName, mJustification, mLineSpacing)) continue;
    bool piece = false;
    for (const auto& [key, pending] : pieceKeys) {
      if (pair.key == key) {
        pending->Set(pair.value);
        piece = true;
        break;
      }
    }
    if (piece) continue;
    if (pair.key == "_iDeltaFrom") {
      mArrowCorner = PropertyInt(pair.value);
    } else if (pair.key == "_fXPointArr") {
      mArrowOffsetX = PropertyFloat(pair.value);
    } else if (pair.key == "_fYPointArr") {
      mArrowOffsetY = PropertyFloat(pair.value);
    } else if (pair.key == "_fAngleArrow") {
      mArrowAngle = PropertyFloat(pair.value) * kRadiansPerDegree;
    }
  }
  for (int i = 0; i < 4; ++i) cornerKeys[i].ApplyTo(mCorners[i]);
  horizontalKey.ApplyTo(mHorizontalEdge);
  verticalKey.ApplyTo(mVerticalEdge);
  backgroundKey.ApplyTo(mBackground);
  // A key naming no image leaves no arrow and no arrow quad.
  if (arrowKey.ApplyTo(mArrow)) {
    const Vector2 at = mArrowQuad.corner[0];
    const float w = WidthOf(mArrow);
    const float h = HeightOf(mArrow);
    mArrowQuad = MakeQuad(at, Offset(at, w, 0), Offset(at, w, h), Offset(at, 0, h));
  }
  mTextWidth = mBaseQuad.corner[2].x - mBaseQuad.corner[0].x;
  mFont = FontByName(mFontName);
  if (mFont == nullptr) return;
  LayoutPieces(mBaseQuad);
  if (mArrow.Get() != nullptr) {
    const Vector2 centre((mArrowQuad.corner[0].x + mArrowQuad.corner[2].x) * 0.5f,
                         (mArrowQuad.corner[0].y + mArrowQuad.corner[2].y) * 0.5f);
    Mat3 rotation;
    rotation.Rotation(mArrowAngle);
    for (Vector2& p : mArrowQuad.corner) {
      const Vec2 turned = rotation.TransformPoint(Vector2(p.x - centre.x, p.y - centre.y));
      p = Vector2(turned.x + centre.x, turned.y + centre.y);
    }
    PlaceArrow();
  }
  sObj::ApplyProperties();
  SetPoseFromAnimation("appear");
}

void sObjFrame::FitToImage() {
  const Vector2 at = mBaseQuad.corner[0];
  mBaseQuad = MakeQuad(at, Offset(at, 200, 0), Offset(at, 200, 32), Offset(at, 0, 32));
}

void sObjFrame::ReleaseImages() {
  for (ImageSlot& slot : mCorners) slot.Release();
  mHorizontalEdge.Release();
  mVerticalEdge.Release();
  mArrow.Release();
  mBackground.Release();
}

void sObjFrame::PlaceArrow() {
  static const int kAnchorPoint[4] = {0, 1, 2, 3};  // the outer point of each corner piece
  const int piece = mArrowCorner >= 0 && mArrowCorner <= 2 ? mArrowCorner : kFramePieceLD;
  const Vector2 anchor = mCornerQuads[piece].corner[kAnchorPoint[piece]];
  const float cx = (mArrowQuad.corner[0].x + mArrowQuad.corner[2].x) * 0.5f;
  const float cy = (mArrowQuad.corner[0].y + mArrowQuad.corner[2].y) * 0.5f;
  const float dx = anchor.x + mArrowOffsetX - cx;
  const float dy = anchor.y + mArrowOffsetY - cy;
  for (Vector2& p : mArrowQuad.corner) p = Offset(p, dx, dy);
}

void sObjFrame::LayoutPieces(const Quad& q) {
  const Vector2 q0 = q.corner[0];
  const Vector2 q1 = q.corner[1];
  const Vector2 q2 = q.corner[2];
  const Vector2 q3 = q.corner[3];
  float w = WidthOf(mCorners[kFramePieceLU]);
  float h = HeightOf(mCorners[kFramePieceLU]);
  const Quad lu = MakeQuad(Offset(q0, -w, -h), Offset(q0, 0, -h), q0, Offset(q0, -w, 0));
  w = WidthOf(mCorners[kFramePieceRU]);
  h = HeightOf(mCorners[kFramePieceRU]);
  const Quad ru = MakeQuad(Offset(q1, 0, -h), Offset(q1, w, -h), Offset(q1, w, 0), q1);
  w = WidthOf(mCorners[kFramePieceRD]);
  h = HeightOf(mCorners[kFramePieceRD]);
  const Quad rd = MakeQuad(q2, Offset(q2, w, 0), Offset(q2, w, h), Offset(q2, 0, h));
  w = WidthOf(mCorners[kFramePieceLD]);
  h = HeightOf(mCorners[kFramePieceLD]);
  const Quad ld = MakeQuad(Offset(q3, -w, 0), q3, Offset(q3, 0, h), Offset(q3, -w, h));
  mCornerQuads[kFramePieceLU] = lu;
  mCornerQuads[kFramePieceRU] = ru;
  mCornerQuads[kFramePieceRD] = rd;
  mCornerQuads[kFramePieceLD] = ld;

  if (mVerticalEdge.Get() != nullptr) {
    w = WidthOf(mVerticalEdge);
    mEdgeQuads[0] = MakeQuad(lu.corner[3], Offset(lu.corner[3], w, 0), Offset(ld.corner[0], w, 0), ld.corner[0]);
    mEdgeQuads[1] = MakeQuad(ru.corner[2], Offset(ru.corner[2], -w, 0), Offset(rd.corner[1], -w, 0), rd.corner[1]);
  }
  if (mHorizontalEdge.Get() != nullptr) {
    h = HeightOf(mHorizontalEdge);
    mEdgeQuads[2] = MakeQuad(lu.corner[1], ru.corner[0], Offset(ru.corner[0], 0, h), Offset(lu.corner[1], 0, h));
    mEdgeQuads[3] = MakeQuad(ld.corner[2], rd.corner[3], Offset(rd.corner[3], 0, -h), Offset(ld.corner[2], 0, -h));
  }
  mBandQuads[0] = MakeQuad(lu.corner[1], ru.corner[0], ru.corner[3], lu.corner[2]);
  mBandQuads[1] = MakeQuad(ld.corner[1], rd.corner[0], rd.corner[3], ld.corner[2]);
  mBandQuads[2] = MakeQuad(lu.corner[3], lu.corner[2], ld.corner[1], ld.corner[0]);
  mBandQuads[3] = MakeQuad(ru.corner[3], ru.corner[2], rd.corner[1], rd.corner[0]);
  UpdateCentre();
  if (mArrow.Get() != nullptr) PlaceArrow();
}

void sObjFrame::Draw(Graphics* g) {
  if (!mVisible || mFont == nullptr) return;
  const Quad* quad = &mBaseQuad;
  if (IsPlaying()) {
    ApplyCurrentPose();
    quad = &mDisplayQuad;
    LayoutPieces(*quad);
  }
  // The pieces keep their own colours and the object's colour is the
  // text's, so a light bubble can carry dark text; both fade together.
  g->SetColorARGB(static_cast<unsigned char>(mAlpha), 255, 255, 255);
  DrawPiece(*g, mArrow, mArrowQuad);
  DrawPiece(*g, mBackground, *quad);
  for (const Quad& band : mBandQuads) DrawPiece(*g, mBackground, band);
  DrawPiece(*g, mVerticalEdge, mEdgeQuads[0]);
  DrawPiece(*g, mVerticalEdge, mEdgeQuads[1]);
  DrawPiece(*g, mHorizontalEdge, mEdgeQuads[2]);
  DrawPiece(*g, mHorizontalEdge, mEdgeQuads[3]);
  for (int i = 0; i < 4; ++i) DrawPiece(*g, mCorners[i], mCornerQuads[i]);
  g->SetFont(mFont);
  SetObjectColour(*g, *this);
  if (!mText.empty()) g->DrawTextWrapped(TextRect(*quad), mText, mLineSpacing, mJustification);
}

void sObjFrame::ShowText(Vec2, const std::wstring& text) {
  mText = text;
  if (mFont != nullptr && !mText.empty()) {
    const int spacing = mLineSpacing == -1 ? mFont->GetLineSpacing() : mLineSpacing;
    const int lines = WrappedLines(*mFont, TruncateToInt(mTextWidth), mText, spacing);
    const Vector2 at = mBaseQuad.corner[0];
    const float height =
        static_cast<float>(mFont->GetHeight()) + static_cast<float>(lines - 1) * static_cast<float>(spacing);
    mBaseQuad = MakeQuad(at, Offset(at, mTextWidth, 0), Offset(at, mTextWidth, height), Offset(at, 0, height));
  }
  LayoutPieces(mBaseQuad);
  FinishAnimation();
  PlayAnimation("appear");
  mShown = true;
}

void sObjFrame::QueueText(Vec2 point, const std::wstring& text) {
  if (mQueued) {
    mQueued = false;
    FinishAnimation();
    ShowText(point, text);
    FinishAnimation();
    return;
  }
  mQueuedPoint = point;
  mQueuedText = text;
  mQueued = true;
  if (mShown) StartHide(false);
}

void sObjFrame::Hide() { StartHide(true); }

void sObjFrame::StartHide(bool dropQueued) {
  if (mAlpha == 0) return;
  if (dropQueued && mQueued) {
    mQueued = false;
    mShown = false;
  }
  FinishAnimation();
  PlayAnimation("hide");
  if (!mShown) FinishAnimation();
  mShown = false;
}

void sObjFrame::Update(int ticks) {
  sObj::Update(ticks);
  if (mQueued && !IsPlaying()) {
    mQueued = false;
    ShowText(mQueuedPoint, mQueuedText);
  }
}

}  // namespace Kivo
