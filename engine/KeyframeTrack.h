// What mini-games use beside engine objects: a light sprite (TrackSprite)
// that moves toward a target at a speed and takes its angle, position, scale
// and colour from a keyframe track of its own; three animation definitions
// built in code ("glow", "rotate", "show_off"); and small geometry helpers
// (the angle toward a point and the direction of an angle, a pixel hit test,
// the quad of a grid cell, turning a quad's corner order).
//
// Tracks count update ticks through CountdownTimers (0.01 s each, in single
// precision). A track with no keys leaves its pose alone, one key is its
// pose, and keys standing at one frame blend as the first of them; a rate
// of 0 always falls back to the track's fallback duration. Sprites do not
// own their images; without one a sprite draws nothing and its cell is
// empty, and an image with fewer than one column or row counts one.
#pragma once

#include <string>
#include <vector>

#include "engine/AnimDef.h"
#include "engine/GameUtils.h"
#include "shell/base/Color.h"
#include "shell/base/Rect.h"

namespace Kivo {

class Graphics;
class Image;

class KeyframeTrack {
 public:
  void SetApplyFlags(bool position, bool scale, bool angle, bool colour);
  void Assign(const KeyframeTrack& track) { *this = track; }

  // Starts with remaining s (the whole duration for 0), or begins the wait.
  void Start(float startRemaining);
  void Tick();
  void PoseAtFraction(Keyframe& out, float fraction);
  // False (nothing found) only for an empty key list.
  bool FindKeyPair(const Keyframe*& a, const Keyframe*& b, int frame);
  static void Blend(const Keyframe& a, const Keyframe& b, Keyframe& out, float t);
  // frames / rate, or the fallback duration for a rate of 0.
  float PlayDuration() const;

  std::vector<Keyframe> mKeys;  // ascending frames
  std::string mName;
  unsigned mFrames = 0;
  unsigned mRate = 0;  // frames per second; 0 uses the fallback duration
  int mMode = 1;       // not read by playback
  int mFrom = 0;
  int mTo = 1;
  int mFrame = 0;
  CountdownTimer mTimer;  // the sign of its step is the search direction
  float mFallbackDuration = 0.0f;
  CountdownTimer mWaitTimer;
  Keyframe mPose;
  float mWait = 0.0f;
  bool mPlaying = false;
  bool mApplyAngle = false;
  bool mApplyPosition = false;
  bool mApplyScale = false;
  bool mApplyColour = false;
};

class TrackSprite {
 public:
  virtual ~TrackSprite() = default;

  virtual void Draw(Graphics& g);
  virtual void Update(int unused);

  void PlayAnimDef(KeyframeTrack track, float startRemaining);
  // False when the target is nearer than speed: the sprite is put on it.
  bool SetTarget(float x, float y, float speed);
  void SetCellSize();
  bool PointInCell(float x, float y) const;

  Vec2 mPosition;  // top-left corner of the drawn cell
  Vec2 mTarget;
  bool mMoving = false;
  Vec2 mAnchor;  // set by Draw
  Vec2 mScale{1.0f, 1.0f};
  float mAngle = 0.0f;  // degrees
  Vec2 mPivot;          // from the cell's centre
  Color mColour{255, 255, 255, 255};
  Vec2 mDirection;
  float mSpeed = 0.0f;  // pixels per tick
  bool mVisible = true;
  Rect mCell{0, 0, 0, 0};
  KeyframeTrack mTrack;
  Image* mImage = nullptr;  // not owned
  CountdownTimer mFrameTimer{0.0f, 0.0f, CountdownTimer::kUpdateStep};

 private:
  void TakePose();
};

void MakeGlowAnim(AnimDef& def);
void MakeRotateAnim(AnimDef& def);
void MakeShowOffAnim(AnimDef& def);
void AddKeyframe(std::vector<Keyframe>& keys, int index, float offsetX, float offsetY, float scaleX, float scaleY,
                 float angle);

// Degrees: -90 - atan2(dy, dx); 0 points up, -90 right, -180 down.
float AngleToPoint(float x0, float y0, float x1, float y1);
// The unit vector of an angle from AngleToPoint: (-sin a, -cos a).
void DirectionFromAngle(float degrees, float& x, float& y);
// True on a pixel of the image (a memory image) whose alpha byte is not 0.
bool HitTestImagePixel(Image* image, Vec2 point);
Quad MakeCellQuad(int column, int row, float cellSize, Quad& out, Vec2 origin);
// Turn 0: each corner takes the next one's point; 1: opposite corners swap;
// 2: each takes the previous one's; any other value leaves the quad alone.
Quad RotateQuad(const Quad& quad, int turn);

}  // namespace Kivo
