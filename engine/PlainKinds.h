// Kinds with little input: sObjRect (type 18), a filled rectangle; sObjCamera
// (19), a view rectangle that other objects draw through, so an animated
// camera pans and zooms them onto the 800 x 600 screen; sObjMasked (9), a
// texture scrolling under an alpha mask; and sObjMesh (7), the hidden-object
// item: a sprite with a text, level-play fields, an outline highlight built
// from its own image and sparkles that flash on its visible pixels.
//
// Properties read: "_colObj", "_iAlph", "_sModeDraw" (rect, mesh); "_iFillRect"
// (camera); "_keyImgMask", "_keyImgTexture", "_fXScale", "_fYScale", "_fXVel",
// "_fYVel" (masked); "_keyText", "_iGroup", "_iVertex", "_iStatic" and the
// sprite's keys (mesh).
//
// Limits: the rectangle, the masked texture and every quad drawn through a
// camera reach only the 3D renderer. A camera whose quad has no width or
// height keeps the mapping it had. Failures: a mesh without an image builds
// no highlight and never sparkles; a masked object lacking either image
// draws nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/ImageSlot.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"

namespace Kivo {

class sObjRect : public sObj {
 public:
  void ApplyProperties() override;
  // 320 x 200 from corner 0.
  void FitToImage() override;
  void Draw(Graphics* g) override;

  bool mAdditive = false;
};

class sObjCamera : public sObj, public QuadMapper {
 public:
  sObjCamera();

  void ApplyProperties() override;
  void Draw(Graphics* g) override;
  // Maps so that the camera's quad fills the screen; always true.
  bool MapQuad(const Quad& in, Quad& out) override;
  // The mapping from the current pose, or from the still view when idle.
  virtual void UpdateMapping();

  Quad mViewQuad;
  float mScreenWidth = 800.0f;
  float mScreenHeight = 600.0f;
  Vec2 mScreenCentre{400.0f, 300.0f};
  Mat3 mMatrix;
  Vec2 mOriginOffset;
  Vec2 mCentreOffset;
  bool mFill = false;
};

class sObjMasked : public sObj {
 public:
  void ApplyProperties() override;
  // One cell of the mask from corner 0.
  void FitToImage() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void Update(int ticks) override;

  ImageSlot mMask;
  ImageSlot mTexture;
  float mXScale = 0.0f;  // texture repeats across the quad
  float mYScale = 0.0f;
  float mXVel = 0.0f;  // texture widths per update
  float mYVel = 0.0f;
  float mUOffset = 0.0f;
  float mVOffset = 0.0f;
};

struct Sparkle {
  Quad quad;
  Vec2 centre;
  int red = 255;
  int green = 255;
  int blue = 255;
  int alpha = 0;
  CountdownTimer life;
};

class sObjMesh : public sObjSprite {
 public:
  sObjMesh() = default;
  // The highlight is the object's own; copies build their own.
  sObjMesh(const sObjMesh&) = delete;
  sObjMesh& operator=(const sObjMesh&) = delete;

  void ApplyProperties() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void Update(int ticks) override;

  // The silhouette in white inside a dark border about 2 pixels wide;
  // replaces any earlier one. Nothing without an image.
  virtual void BuildHighlightImage();
  // Only once a highlight exists.
  virtual void SetHighlight(bool on);
  virtual void InitSparkles(int count, float shortestLife, float longestLife);
  // Nothing with a null image.
  virtual void StartSparkles(Image* sparkleImage);
  virtual void StopSparkles();

  MemoryImage* HighlightImage() const { return mHighlightImage.get(); }

  std::wstring mText;
  int mGroup = 0;
  bool mItemFlag = false;
  bool mSecondKind = false;
  std::unique_ptr<MemoryImage> mHighlightImage;
  bool mStatic = false;
  bool mHighlighted = false;
  int mState = 0;
  Quad mTargetQuad;
  bool mSparkling = false;
  std::vector<Sparkle> mSparkles;
  Image* mSparkleImage = nullptr;  // not owned
};

}  // namespace Kivo
