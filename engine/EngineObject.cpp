#include "engine/EngineObject.h"

namespace Kivo {

namespace {

// The mean of the corners, taken as the midpoint of the midpoints of the top
// and bottom edges.
Vec2 QuadCentre(const Quad& quad) {
  const Vec2 top((quad.corner[0].x + quad.corner[1].x) / 2.0f, (quad.corner[0].y + quad.corner[1].y) / 2.0f);
  const Vec2 bottom((quad.corner[3].x + quad.corner[2].x) / 2.0f, (quad.corner[3].y + quad.corner[2].y) / 2.0f);
  return Vec2((top.x + bottom.x) / 2.0f, (top.y + bottom.y) / 2.0f);
}

}  // namespace

int sObj::GetIndex() { return mIndex; }

void sObj::SetIndex(int index) { mIndex = index; }

void sObj::FitToImage() {}

void sObj::OnCreated() {}

void sObj::ReleaseImages() {}

void sObj::SetListener(ObjEventListener* listener) { mListener = listener; }

void sObj::Draw(Graphics*) {
  if (IsPlaying()) ApplyCurrentPose();
}

void sObj::MouseMove(int, int) {}

bool sObj::MouseDown(int, int, int) { return false; }

bool sObj::MouseUp(int, int, int) { return false; }

void sObj::MouseWheel(int, int, int) {}

void sObj::KeyUp(int) {}

void sObj::KeyDown(int) {}

void sObj::KeyChar(wchar_t) {}

void sObj::SetVisible(bool visible) { mVisible = visible; }

bool sObj::TakeParentFocus() {
  if (mParent == nullptr) return false;
  mParent->mActiveChild = this;
  return true;
}

bool sObj::PassParentFocus(sObj* other) {
  if (other == nullptr || other->mParent != mParent) return false;
  return other->TakeParentFocus();
}

void sObj::UpdateCentre() { mCentre = QuadCentre(mBaseQuad); }

void sObj::UpdateDisplayCentre() { mDisplayCentre = QuadCentre(mDisplayQuad); }

void sObj::SetAlpha(int alpha) { mAlpha = alpha; }

void sObj::MouseDrag(int, int) {}

void sObj::MoveTo(Vec2 point) {
  const float dx = point.x - mCentre.x;
  const float dy = point.y - mCentre.y;
  for (Vector2& corner : mBaseQuad.corner) {
    corner.x += dx;
    corner.y += dy;
  }
  mDisplayQuad = mBaseQuad;
  mCentre = point;
  mDisplayCentre = point;
}

void sObj::MoveBy(Vec2 delta) {
  mCentre.x += delta.x;
  mCentre.y += delta.y;
  for (Vector2& corner : mBaseQuad.corner) {
    corner.x += delta.x;
    corner.y += delta.y;
  }
  mDisplayQuad = mBaseQuad;
  mDisplayCentre = mCentre;
}

AnimDef* sObj::CurrentAnimation() {
  if (mCurrentAnim < 0 || static_cast<size_t>(mCurrentAnim) >= mAnimations.size()) return nullptr;
  return &mAnimations[static_cast<size_t>(mCurrentAnim)];
}

const AnimDef* sObj::CurrentAnimation() const { return const_cast<sObj*>(this)->CurrentAnimation(); }

}  // namespace Kivo
