// The strip wave: a picture (a story page, a two-line message) shown as a
// row of vertical strips that fades in while a sine wave along the strips
// calms down, then fades out (mode 1), disappears (mode 2) or rolls up from
// its left edge around a shrinking cylinder travelling right until it
// leaves the screen (any other mode). One effect, gStripEffect, serves the
// map and level screens, which update and draw it every tick and frame.
//
// It draws only through the drawing context's vertex triangles, which the 3D
// renderer draws and software destinations ignore, so in software mode the
// effect is not seen. Vertices are placed for the game's screen matrices:
// x + 100 and -y, with z from 0 to twice the depth factor.
//
// Failures: Start with no picture, or with fewer than 2 strips, changes
// nothing (an effect already running goes on). A radius of 0 or less rolls
// without turning. The effect does not own its picture.
#pragma once

#include <vector>

#include "engine/GameUtils.h"

namespace Kivo {

class Graphics;
class Image;

struct StripVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// One vertical edge of the picture.
struct StripNode {
  StripVertex top;
  StripVertex bottom;
  float topU = 0.0f;
  float bottomU = 0.0f;
  float topV = 0.0f;
  float bottomV = 1.0f;
  float angle = 0.0f;  // radians
  float depthFactor = 0.0f;
  float radius = 0.0f;
  int previous = -1;  // chain links: picture order, left to right
  int next = -1;
  unsigned char flag = 0;
};

class StripEffect {
 public:
  static constexpr float kStartAngle = -1.5707964f;

  void Start(int mode, int strips, float speed, float radius, Image* image, Vec2 origin, int seconds, float amplitude);
  // counter: the caller's own update count; only its parity is used.
  void Update(int counter);
  void Draw(Graphics& g);
  void Wave(float x);
  void SwingSegment(StripNode& edge, float angle);
  static bool DepthLess(const StripNode& a, const StripNode& b) { return a.top.z < b.top.z; }

  // The edges in chain (picture) order; DrawOrder() indexes them.
  const std::vector<StripNode>& Edges() const { return mEdges; }
  const std::vector<int>& DrawOrder() const { return mDrawOrder; }

  float mOriginX = 0.0f;
  float mOriginY = 0.0f;
  Image* mImage = nullptr;  // not owned
  int mActive = 0;
  int mMode = 0;
  float mSpeed = 0.0f;
  float mAngularSpeed = 0.0f;
  float mPhaseStep = 0.0f;
  int mLastEdge = 0;
  int mFirstEdge = 0;
  float mStartAngle = kStartAngle;
  float mRadius = 0.0f;
  float mDepthFactor = 0.0f;
  CountdownTimer mTimer;
  float mStripWidth = 0.0f;
  int mAlpha = 0;
  float mAmplitude = 0.0f;
  float mWavePhase = 0.0f;
  bool mFadingOut = false;

 private:
  void Roll(int counter);

  std::vector<StripNode> mEdges;  // chain order, never re-sorted
  std::vector<int> mDrawOrder;    // the list, sorted by depth while rolling
};

// The one effect of the game, built before start-up.
extern StripEffect gStripEffect;

}  // namespace Kivo
