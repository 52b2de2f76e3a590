#include "engine/StripEffect.h"

#include <algorithm>
#include <cmath>

#include "engine/SaturatingCast.h"
#include "image/Image.h"
#include "shell/base/GlobalRanks.h"
#include "ui/Graphics.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankStripEffect) StripEffect gStripEffect;

namespace {
constexpr float kTwoPi = 6.2831855f;
constexpr float kVertexShiftX = 100.0f;
}  // namespace

void StripEffect::Start(int mode, int strips, float speed, float radius, Image* image, Vec2 origin, int seconds,
                        float amplitude) {
  // Fewer than two strips cannot space their edges: treated as no picture.
  if (!image || strips < 2) return;
  mImage = image;
  mAmplitude = amplitude;
  mWavePhase = 0.0f;
  mMode = mode;
  mFadingOut = false;
  mAlpha = 0;
  mTimer.Start(static_cast<float>(seconds));

  mEdges.assign(static_cast<size_t>(strips) + 1, StripNode());
  mDrawOrder.resize(mEdges.size());
  for (size_t i = 0; i < mDrawOrder.size(); ++i) mDrawOrder[i] = static_cast<int>(i);

  mRadius = radius;
  mDepthFactor = radius * 0.001f;
  mStartAngle = kStartAngle;
  if (radius > 0.0f) {
    mAngularSpeed = speed / radius;
    mPhaseStep = static_cast<float>(image->width) / (radius * kTwoPi) * kTwoPi / static_cast<float>(strips - 1);
  } else {
    mAngularSpeed = 0.0f;
    mPhaseStep = 0.0f;
  }
  mFirstEdge = 0;
  mLastEdge = 0;
  mOriginX = origin.x;
  mOriginY = origin.y;
  const float uStep = 1.0f / static_cast<float>(strips);
  mStripWidth = static_cast<float>(image->width) * uStep;

  float u = 0.0f;
  for (int n = 0; n <= strips; ++n) {
    StripNode& edge = mEdges[static_cast<size_t>(n)];
    edge.topU = edge.bottomU = u;
    u += uStep;
    edge.topV = 0.0f;
    edge.bottomV = 1.0f;
    edge.flag = 0;
    edge.angle = mStartAngle;
    edge.depthFactor = radius * 0.001f;
    edge.radius = radius;
    edge.previous = n - 1;
    edge.next = n < strips ? n + 1 : -1;
    edge.top.x = n == 0 ? mOriginX : mEdges[static_cast<size_t>(n) - 1].top.x + mStripWidth;
    edge.top.y = mOriginY;
    edge.top.z = 0.0f;
    edge.bottom.x = edge.top.x;
    edge.bottom.y = static_cast<float>(image->height) + mOriginY;
    edge.bottom.z = edge.top.z;
    mLastEdge = n;
  }
  mSpeed = speed;
  mActive = 1;
}

void StripEffect::Update(int counter) {
  mTimer.Tick();
  if (mTimer.IsRunning()) {
    const float f = 1.0f - mTimer.mRemaining / mTimer.mDuration;
    if (!mFadingOut) {
      mAlpha = TruncateToIntSaturating(f * 1.5f * 255.0f);
      Wave(f * 1.5f);
    } else {
      mAlpha = TruncateToIntSaturating(255.0f * (1.0f - 1.5f * f));
      if (mAlpha <= 0) mActive = 0;
      Wave(1.0f - 1.5f * f);
    }
    mAlpha = std::min(mAlpha, 255);
  }
  if (!mActive || mTimer.IsRunning()) return;
  if (mMode == 1) {
    mFadingOut = true;
    mTimer.mRemaining = mTimer.mDuration;
    return;
  }
  if (mMode == 2) {
    mActive = 0;
    return;
  }
  Roll(counter);
}

void StripEffect::Roll(int counter) {
  if (mEdges.empty()) return;
  StripNode& first = mEdges[static_cast<size_t>(mFirstEdge)];
  SwingSegment(first, first.angle);
  int i = 1;
  for (int at = first.next; at >= 0; at = mEdges[static_cast<size_t>(at)].next, ++i) {
    StripNode& edge = mEdges[static_cast<size_t>(at)];
    const StripNode& before = mEdges[static_cast<size_t>(edge.previous)];
    if (edge.angle - before.angle > mPhaseStep) {
      edge.angle = static_cast<float>(i) * mPhaseStep + first.angle;
      SwingSegment(edge, edge.angle);
    }
  }
  mOriginX += mSpeed;
  first.angle -= mAngularSpeed;
  if (mOriginX - mRadius > 800.0f) mActive = 0;
  if (counter % 2 == 0) {
    std::stable_sort(mDrawOrder.begin(), mDrawOrder.end(), [this](int a, int b) {
      return DepthLess(mEdges[static_cast<size_t>(a)], mEdges[static_cast<size_t>(b)]);
    });
  }
}

void StripEffect::Wave(float x) {
  const float a = x > 1.0f ? 0.0f : (1.0f - x) * mAmplitude;
  const float height = mImage ? static_cast<float>(mImage->height) : 0.0f;
  int i = 0;
  for (int at = mEdges.empty() ? -1 : mFirstEdge; at >= 0; at = mEdges[static_cast<size_t>(at)].next, ++i) {
    StripNode& edge = mEdges[static_cast<size_t>(at)];
    const float s = std::sin(static_cast<float>(i) * 0.1f + mWavePhase);
    edge.top.y = mOriginY + s * a;
    edge.bottom.y = mOriginY + height + s * a;
  }
  mWavePhase += 0.1f;
}

void StripEffect::SwingSegment(StripNode& edge, float angle) {
  edge.top.x = edge.radius * std::cos(angle) + mOriginX;
  edge.top.z = edge.depthFactor * std::sin(angle) + edge.depthFactor;
  edge.bottom.x = edge.top.x;
  edge.bottom.z = edge.top.z;
  if (edge.radius - 0.3f > 0.0f) {
    edge.radius -= 0.3f;
    edge.depthFactor = mRadius * 0.001f;
  }
}

namespace {
TriVertex ScreenVertex(const StripVertex& p, float u, float v) {
  TriVertex out;
  out.x = p.x + kVertexShiftX;
  out.y = -p.y;
  out.z = p.z;
  out.u = u;
  out.v = v;
  out.color = 0;  // the call's colour
  return out;
}
}  // namespace

void StripEffect::Draw(Graphics& g) {
  if (!mActive || mAlpha == 0) return;
  g.SetColorARGB(static_cast<unsigned char>(std::clamp(mAlpha, 0, 255)), 255, 255, 255);
  for (int index : mDrawOrder) {
    const StripNode& edge = mEdges[static_cast<size_t>(index)];
    if (edge.previous < 0) continue;
    const StripNode& before = mEdges[static_cast<size_t>(edge.previous)];
    const TriVertex quad[4] = {
        ScreenVertex(before.bottom, before.bottomU, before.bottomV),
        ScreenVertex(before.top, before.topU, before.topV),
        ScreenVertex(edge.bottom, edge.bottomU, edge.bottomV),
        ScreenVertex(edge.top, edge.topU, edge.topV),
    };
    g.DrawVertexTriangles(mImage, quad, 2);
  }
}

}  // namespace Kivo
