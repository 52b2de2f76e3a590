// The image kinds: sObjSprite (type 3), one image cell on the object's quad
// with a frame animation over the image's cells; sObjMover (13), a sprite
// whose whole image scrolls inside its quad; sObjSwing (14), a sprite whose
// chosen corners swing about a pivot in decaying oscillations of random size.
//
// Properties read: "_keyImg", "_colObj" (decimal, red in the low byte),
// "_iAlph", "_sModeDraw" (anything but exactly "NORMAL" is additive); the
// sprite adds "_iPlayRenderAniYet", "_fRateRenderAni", "_sTypeRenderAni",
// "_iVelRenderAni", the mover "_fXVel"/"_fYVel", the swing "_fAltitudeMax",
// "_fVelMax", "_fCenterX", "_fCenterY", "_fTimeOne" and the corner flags
// "_iLeft_up", "_iRight_up", "_iRight_down", "_iLeft_down".
//
// Limits: every cell of an image shows for (cells / rate) seconds, so the
// rate is not cells per second. A rate of 0 leaves the frame animation on its
// cell for good, and a swing with no maximum amplitude never moves. Failures:
// a key the image table cannot give leaves the object without an image; it
// then draws nothing and never animates its cells.
#pragma once

#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/ImageSlot.h"

namespace Kivo {

class MemoryImage;

constexpr int kRenderOnce = 1;
constexpr int kRenderCircle = 2;
constexpr int kRenderPingPong = 3;

class sObjSprite : public sObj {
 public:
  void ApplyProperties() override;
  void FitToImage() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void Update(int ticks) override;

  virtual void StartFrameAnimation();
  virtual void StopFrameAnimation();
  // Appends the index of every pixel with alpha, from the last pixel down.
  virtual void CollectOpaquePixels();
  virtual Vec2 OpaquePixelPosition(Vec2& out, int index);

  // Moves the cell one step in direction's sense over image's grid; false
  // when it would leave the grid (nothing changes). Direction 0 never moves
  // and gives true.
  static bool StepFrame(int& column, int& row, int direction, const MemoryImage* image);

  MemoryImage* GetImage() const { return mImage.Get(); }

  ImageSlot mImage;
  bool mAdditive = false;
  int mDrawMode = 0;  // used when not additive and not 0
  int mFrameRow = 1;
  int mFrameColumn = 1;
  CountdownTimer mFrameTimer;
  int mRenderType = kRenderOnce;
  bool mPlayOnLoad = false;
  int mStartDirection = 1;
  int mDirection = 0;
  bool mPlaying = false;
  std::vector<int> mOpaquePixels;

 protected:
  // Takes the keys every image kind shares ("_keyImg", noted in imageKey,
  // "_colObj", "_iAlph", "_sModeDraw"); false for any other key.
  bool ReadLookProperty(const ObjProperty& pair, PendingImageKey& imageKey);
  // Colour and draw mode of the sprite's draws; the caller resets the mode.
  void SetDrawLook(Graphics& g) const;
};

class sObjMover : public sObjSprite {
 public:
  void ApplyProperties() override;
  void Draw(Graphics* g) override;
  void Update(int ticks) override;

  float mXVel = 0.0f;  // image widths per update
  float mYVel = 0.0f;
  float mXOffset = 0.0f;
  float mYOffset = 0.0f;
};

class sObjSwing : public sObjSprite {
 public:
  void ApplyProperties() override;
  void Update(int ticks) override;

  float mPivotX = 0.0f;
  float mPivotY = 0.0f;
  float mMaxAmplitude = 0.0f;  // radians
  float mMaxSpeed = 0.0f;      // radians of phase per update at the largest amplitude
  float mAmplitude = 0.0f;
  float mPhase = 0.0f;
  float mPhaseStep = 0.0f;
  float mSwingTime = 5.0f;
  CountdownTimer mSwingTimer;
  Quad mRestQuad;                                       // relative to the pivot
  bool mSwingCorner[4] = {false, false, false, false};  // corners 0 to 3
};

}  // namespace Kivo
