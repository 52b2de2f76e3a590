#include "engine/KeyframeTrack.h"

#include <algorithm>
#include <cmath>

#include "engine/SaturatingCast.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

float FractionDone(const CountdownTimer& timer) {
  return timer.mDuration == 0.0f ? 0.0f : 1.0f - timer.mRemaining / timer.mDuration;
}

int Columns(const Image& image) { return std::max(1, image.columns); }
int Rows(const Image& image) { return std::max(1, image.rows); }

}  // namespace

void KeyframeTrack::SetApplyFlags(bool position, bool scale, bool angle, bool colour) {
  mApplyPosition = position;
  mApplyScale = scale;
  mApplyAngle = angle;
  mApplyColour = colour;
}

float KeyframeTrack::PlayDuration() const {
  if (mRate == 0) return mFallbackDuration;
  return static_cast<float>(mFrames) / static_cast<float>(mRate);
}

void KeyframeTrack::Start(float startRemaining) {
  if (mWait == 0.0f) {
    const float duration = PlayDuration();
    mTimer.mDuration = duration;
    mTimer.mRemaining = startRemaining != 0.0f ? startRemaining : duration;
    mTimer.mStep = CountdownTimer::kUpdateStep;
    PoseAtFraction(mPose, FractionDone(mTimer));
  } else if (mWait > 0.0f) {
    mWaitTimer.Start(mWait);
  }
  mPlaying = true;
}

void KeyframeTrack::Tick() {
  if (!mPlaying) return;
  if (mWait == 0.0f || !mWaitTimer.IsRunning()) {
    mTimer.Tick();
    PoseAtFraction(mPose, FractionDone(mTimer));
    if (mTimer.mRemaining == 0.0f || mTimer.mDuration == 0.0f) mPlaying = false;
    return;
  }
  mWaitTimer.Tick();
  // The tick the wait ends sets up the main timer and leaves the pose.
  // A rate of 0 takes the fallback duration here too, as Start does.
  if (!mWaitTimer.IsRunning()) mTimer.Start(PlayDuration());
}

void KeyframeTrack::PoseAtFraction(Keyframe& out, float fraction) {
  mFrame = TruncateToIntSaturating(static_cast<float>(mFrames) * fraction);
  if (mFrame == 0) mFrame = 1;
  const Keyframe* a = nullptr;
  const Keyframe* b = nullptr;
  if (!FindKeyPair(a, b, mFrame)) return;
  const int span = b->index - a->index;
  const float t =
      span == 0 ? 0.0f : static_cast<float>(static_cast<double>(mFrame) - a->index) / static_cast<float>(span);
  Blend(*a, *b, out, t);
}

bool KeyframeTrack::FindKeyPair(const Keyframe*& a, const Keyframe*& b, int frame) {
  const int n = static_cast<int>(mKeys.size());
  if (n == 0) return false;
  if (n == 1) {
    a = b = &mKeys[0];
    return true;
  }
  if (frame == 1) {
    a = &mKeys[0];
    b = &mKeys[1];
    return true;
  }
  const bool forward = mTimer.mStep >= 0.0f;
  while (mTo < n && mFrom >= 0 && mTo >= 0 && mFrom < n) {
    const bool found = forward ? frame < mKeys[mTo].index : mKeys[mFrom].index < frame;
    if (found) {
      a = &mKeys[mFrom];
      b = &mKeys[mTo];
      return true;
    }
    const int move = forward ? 1 : -1;
    mFrom += move;
    mTo += move;
  }
  mFrom = forward ? n - 2 : 0;
  mTo = mFrom + 1;
  a = &mKeys[mFrom];
  b = &mKeys[mTo];
  return true;
}

void KeyframeTrack::Blend(const Keyframe& a, const Keyframe& b, Keyframe& out, float t) {
  const float s = 1.0f - t;
  out.angle = s * a.angle + t * b.angle;
  out.scaleX = s * a.scaleX + t * b.scaleX;
  out.scaleY = s * a.scaleY + t * b.scaleY;
  out.offsetX = s * a.offsetX + t * b.offsetX;
  out.offsetY = s * a.offsetY + t * b.offsetY;
  out.alpha = s * a.alpha + t * b.alpha;
  out.red = s * a.red + t * b.red;
  out.green = s * a.green + t * b.green;
  out.blue = s * a.blue + t * b.blue;
}

void TrackSprite::TakePose() {
  const Keyframe& pose = mTrack.mPose;
  if (mTrack.mApplyAngle) mAngle = pose.angle;
  if (mTrack.mApplyColour) {
    mColour.red = TruncateToIntSaturating(pose.red);
    mColour.green = TruncateToIntSaturating(pose.green);
    mColour.blue = TruncateToIntSaturating(pose.blue);
    mColour.alpha = TruncateToIntSaturating(pose.alpha);
  }
  if (mTrack.mApplyPosition) mPosition = Vec2(pose.offsetX, pose.offsetY);
  if (mTrack.mApplyScale) mScale = Vec2(pose.scaleX, pose.scaleY);
}

void TrackSprite::PlayAnimDef(KeyframeTrack track, float startRemaining) {
  mTrack.Assign(track);
  mTrack.Start(startRemaining);
  if (!mTrack.mWaitTimer.IsRunning()) TakePose();
}

void TrackSprite::Update(int) {
  if (mSpeed > 0.0f) {
    if (mMoving && Vec2::Distance(mPosition, mTarget) < mSpeed) {
      mPosition = mTarget;
    } else {
      mPosition.x += mDirection.x * mSpeed;
      mPosition.y += mDirection.y * mSpeed;
    }
  }
  // The tick that ends the track computes its last pose: that one is taken
  // too, or the sprite would stop one tick short of it.
  const bool wasPlaying = mTrack.mPlaying;
  if (wasPlaying) mTrack.Tick();
  mFrameTimer.Tick();
  if (wasPlaying && !mTrack.mWaitTimer.IsRunning()) TakePose();
}

bool TrackSprite::SetTarget(float x, float y, float speed) {
  DirectionFromAngle(AngleToPoint(mPosition.x, mPosition.y, x, y), mDirection.x, mDirection.y);
  mSpeed = speed;
  mMoving = true;
  mTarget = Vec2(x, y);
  if (Vec2::Distance(mPosition, mTarget) < speed) {
    mPosition = mTarget;
    return false;
  }
  return true;
}

void TrackSprite::SetCellSize() {
  if (!mImage) {
    mCell = Rect(0, 0, 0, 0);
    return;
  }
  mCell = Rect(0, 0, mImage->width / Columns(*mImage), mImage->height / Rows(*mImage));
}

bool TrackSprite::PointInCell(float x, float y) const {
  const int left = TruncateToIntSaturating(mPosition.x + static_cast<float>(mCell.x));
  const int top = TruncateToIntSaturating(mPosition.y + static_cast<float>(mCell.y));
  const long long px = TruncateToIntSaturating(x);
  const long long py = TruncateToIntSaturating(y);
  return left <= px && px < static_cast<long long>(left) + mCell.width && top <= py &&
         py < static_cast<long long>(top) + mCell.height;
}

void TrackSprite::Draw(Graphics& g) {
  if (!mVisible) return;
  if (mImage) {
    const int cellWidth = mImage->width / Columns(*mImage);
    const int cellHeight = mImage->height / Rows(*mImage);
    g.PushState();
    LazyTransform2D transform;
    transform.Scale(mScale.x, mScale.y);
    transform.Translate(-mPivot.x, -mPivot.y);
    transform.RotateDegrees(mAngle);
    transform.Translate(mPivot.x, mPivot.y);
    transform.Translate(mPosition.x + static_cast<float>(cellWidth / 2),
                        mPosition.y + static_cast<float>(cellHeight / 2));
    g.SetColorizeImages(true);
    g.SetColor(mColour);
    int row = 0;
    if (mFrameTimer.IsRunning()) {
      const float fraction = FractionDone(mFrameTimer);
      if (fraction != 0.0f) row = TruncateToIntSaturating(fraction * static_cast<float>(Rows(*mImage)));
      row = std::clamp(row, 0, Rows(*mImage) - 1);
    }
    g.DrawImageCelTransformed(mImage, 0, 0, 0, row, transform);
    g.SetColorizeImages(false);
    g.PopState();
  }
  // The pivot's negative turned by the angle, with the game's rotation.
  const float radians = DegreesToRadians(mAngle);
  const float c = static_cast<float>(std::cos(static_cast<double>(radians)));
  const float s = static_cast<float>(std::sin(static_cast<double>(radians)));
  const float px = -mPivot.x;
  const float py = -mPivot.y;
  mAnchor = Vec2(mPosition.x + mPivot.x + (c * px + s * py), mPosition.y + mPivot.y + (-s * px + c * py));
}

namespace {
void MakePreset(AnimDef& def, const char* name, uint32_t rate, int32_t mode, Keyframe first, Keyframe last) {
  def.name = name;
  def.keys = 13;
  def.rate = rate;
  def.mode = mode;
  first.index = 0;
  last.index = 12;
  def.keyList.push_back(first);
  def.keyList.push_back(last);
}

Keyframe WithAlpha(float alpha) {
  Keyframe key;
  key.alpha = alpha;
  return key;
}

Keyframe WithAngle(float angle) {
  Keyframe key;
  key.angle = angle;
  return key;
}
}  // namespace

void MakeGlowAnim(AnimDef& def) { MakePreset(def, "glow", 24, kAnimPingPong, WithAlpha(0.0f), WithAlpha(255.0f)); }

void MakeRotateAnim(AnimDef& def) { MakePreset(def, "rotate", 4, kAnimLoop, WithAngle(0.0f), WithAngle(6.2831855f)); }

void MakeShowOffAnim(AnimDef& def) { MakePreset(def, "show_off", 24, kAnimOnce, WithAlpha(255.0f), WithAlpha(0.0f)); }

void AddKeyframe(std::vector<Keyframe>& keys, int index, float offsetX, float offsetY, float scaleX, float scaleY,
                 float angle) {
  Keyframe key;
  key.index = index;
  key.offsetX = offsetX;
  key.offsetY = offsetY;
  key.scaleX = scaleX;
  key.scaleY = scaleY;
  key.angle = angle;
  keys.push_back(key);
}

float AngleToPoint(float x0, float y0, float x1, float y1) {
  const double radians = std::atan2(static_cast<double>(y1 - y0), static_cast<double>(x1 - x0));
  return static_cast<float>(-90.0 - radians * 180.0 / kPiFloatAsDouble);
}

void DirectionFromAngle(float degrees, float& x, float& y) {
  const double radians = DegreesToRadians(degrees);
  x = static_cast<float>(-std::sin(radians));
  y = static_cast<float>(-std::cos(radians));
}

bool HitTestImagePixel(Image* image, Vec2 point) {
  auto* memory = dynamic_cast<MemoryImage*>(image);
  if (!memory || !(point.x >= 0.0f) || !(point.y >= 0.0f)) return false;
  const int x = TruncateToIntSaturating(point.x);
  const int y = TruncateToIntSaturating(point.y);
  if (x >= memory->width || y >= memory->height) return false;
  const uint32_t* bits = memory->GetBits();
  if (!bits) return false;
  return (bits[static_cast<size_t>(y) * static_cast<size_t>(memory->width) + static_cast<size_t>(x)] >> 24) != 0;
}

Quad MakeCellQuad(int column, int row, float cellSize, Quad& out, Vec2 origin) {
  const float x0 = static_cast<float>(column) * cellSize + origin.x;
  const float y0 = static_cast<float>(row) * cellSize + origin.y;
  out.corner[0] = Vector2(x0, y0);
  out.corner[1] = Vector2(x0 + cellSize, y0);
  out.corner[2] = Vector2(x0 + cellSize, y0 + cellSize);
  out.corner[3] = Vector2(x0, y0 + cellSize);
  return out;
}

Quad RotateQuad(const Quad& quad, int turn) {
  int shift;
  switch (turn) {
    case 0: shift = 1; break;
    case 1: shift = 2; break;
    case 2: shift = 3; break;
    default: return quad;
  }
  Quad out;
  for (int i = 0; i < 4; ++i) out.corner[i] = quad.corner[(i + shift) % 4];
  return out;
}

}  // namespace Kivo
