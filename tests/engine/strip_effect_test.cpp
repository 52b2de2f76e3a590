// The strip wave: start-up geometry, fade and roll timing in ticks, depth
// sorting, shrinking edges and the vertex triangles it draws.
#include <gtest/gtest.h>

#include <vector>

#include "engine/StripEffect.h"
#include "tests/ui/ui_test_support.h"

namespace Kivo {
namespace {

// Updates until the effect stops; the tick it stopped on, or -1.
int TicksUntilInactive(StripEffect& effect, int limit = 2000) {
  for (int tick = 1; tick <= limit; ++tick) {
    effect.Update(tick);
    if (!effect.mActive) return tick;
  }
  return -1;
}

TEST(StripEffect, StartLaysOutEdgesAcrossThePicture) {
  test::RecordingImage picture(100, 50);
  StripEffect effect;
  effect.Start(1, 4, 6.05f, 40.0f, &picture, Vec2(10, 20), 1, 5.0f);
  ASSERT_EQ(5u, effect.Edges().size());
  for (int n = 0; n <= 4; ++n) {
    const StripNode& edge = effect.Edges()[n];
    EXPECT_FLOAT_EQ(10.0f + 25.0f * n, edge.top.x) << n;
    EXPECT_FLOAT_EQ(0.25f * n, edge.topU) << n;
    EXPECT_EQ(edge.topU, edge.bottomU);
    EXPECT_EQ(20.0f, edge.top.y);
    EXPECT_EQ(70.0f, edge.bottom.y);
    EXPECT_EQ(n - 1, edge.previous);
    EXPECT_EQ(StripEffect::kStartAngle, edge.angle);
  }
  EXPECT_EQ(1, effect.mActive);
  EXPECT_FLOAT_EQ(6.05f / 40.0f, effect.mAngularSpeed);
  EXPECT_FLOAT_EQ(100.0f / 3.0f / 40.0f, effect.mPhaseStep);
}

TEST(StripEffect, BadStartsLeaveARunningEffectAlone) {
  test::RecordingImage picture(100, 50);
  StripEffect effect;
  effect.Start(2, 4, 6.05f, 40.0f, &picture, Vec2(0, 0), 1, 5.0f);
  for (int tick = 1; tick <= 10; ++tick) effect.Update(tick);
  const float remaining = effect.mTimer.mRemaining;
  for (int strips : {1, 0, -3}) {
    effect.Start(1, strips, 1.0f, 10.0f, &picture, Vec2(5, 5), 3, 1.0f);
    EXPECT_EQ(5u, effect.Edges().size()) << strips;
  }
  effect.Start(1, 4, 1.0f, 10.0f, nullptr, Vec2(5, 5), 3, 1.0f);
  EXPECT_EQ(2, effect.mMode);
  EXPECT_EQ(remaining, effect.mTimer.mRemaining);
  EXPECT_EQ(0.0f, effect.mOriginX);

  StripEffect flat;
  flat.Start(3, 4, 6.05f, 0.0f, &picture, Vec2(0, 0), 0, 5.0f);
  EXPECT_EQ(0.0f, flat.mAngularSpeed);
  EXPECT_EQ(0.0f, flat.mPhaseStep);
  flat.Update(0);
  EXPECT_EQ(6.05f, flat.mOriginX);
}

TEST(StripEffect, FadeInHoldAndFadeOutInTicks) {
  test::RecordingImage picture(680, 130);
  StripEffect effect;
  effect.Start(1, 40, 6.05f, 40.0f, &picture, Vec2(0, 235), 1, 30.0f);
  int firstFull = -1;
  int fadeStarted = -1;
  for (int tick = 1; tick <= 300 && effect.mActive; ++tick) {
    effect.Update(tick);
    if (firstFull < 0 && effect.mAlpha == 255) firstFull = tick;
    if (fadeStarted < 0 && effect.mFadingOut) fadeStarted = tick;
    if (!effect.mActive) {
      EXPECT_EQ(168, tick);
    }
  }
  EXPECT_EQ(67, firstFull);
  EXPECT_EQ(101, fadeStarted);
  EXPECT_EQ(0, effect.mActive);

  StripEffect removed;
  removed.Start(2, 20, 6.05f, 40.0f, &picture, Vec2(0, 0), 1, 5.0f);
  EXPECT_EQ(101, TicksUntilInactive(removed));
}

TEST(StripEffect, RollEndsPastTheScreenEdge) {
  test::RecordingImage picture(680, 130);
  StripEffect effect;
  effect.Start(3, 40, 6.05f, 40.0f, &picture, Vec2(0, 0), 1, 30.0f);
  EXPECT_EQ(239, TicksUntilInactive(effect));
  EXPECT_GT(effect.mOriginX - 40.0f, 800.0f);
}

TEST(StripEffect, EvenCountersSortByDepthStablyAndRadiiShrink) {
  test::RecordingImage picture(680, 130);
  StripEffect effect;
  effect.Start(3, 20, 6.05f, 40.0f, &picture, Vec2(0, 0), 0, 5.0f);
  const std::vector<int> before = effect.DrawOrder();
  for (int i = 0; i < 5; ++i) effect.Update(1);
  EXPECT_EQ(before, effect.DrawOrder());
  EXPECT_FLOAT_EQ(40.0f - 5 * 0.3f, effect.Edges()[0].radius);

  effect.Update(2);
  const std::vector<int>& order = effect.DrawOrder();
  for (size_t i = 1; i < order.size(); ++i) {
    const StripNode& a = effect.Edges()[order[i - 1]];
    const StripNode& b = effect.Edges()[order[i]];
    ASSERT_LE(a.top.z, b.top.z) << i;
    if (a.top.z == b.top.z) {
      EXPECT_LT(order[i - 1], order[i]) << i;  // stable
    }
  }
  for (int i = 0; i < 400; ++i) effect.Update(1);
  EXPECT_GT(effect.Edges()[0].radius, 0.0f);
  EXPECT_LE(effect.Edges()[0].radius, 0.3f);
}

TEST(StripEffect, DrawsOneQuadPerStripInTheListOrder) {
  test::RecordingImage picture(100, 50);
  StripEffect effect;
  effect.Start(1, 4, 6.05f, 40.0f, &picture, Vec2(10, 20), 1, 0.0f);
  test::RecordingImage dest(800, 600);
  Graphics g(&dest);
  g.SetColorizeImages(true);  // as the screens draw it
  effect.Draw(g);             // alpha 0 before the first update
  EXPECT_TRUE(dest.calls.empty());

  effect.Update(1);
  ASSERT_EQ(3, effect.mAlpha);
  effect.Draw(g);
  ASSERT_EQ(4u, dest.calls.size());
  for (size_t strip = 0; strip < 4; ++strip) {
    const auto& call = dest.calls[strip];
    EXPECT_EQ("DrawVertexTriangles", call.name);
    EXPECT_EQ(0u, call.args.find("2 [255,255,255,3]")) << call.args;
    ASSERT_EQ(4u, call.vertices.size());
    const float left = 10.0f + 25.0f * strip + 100.0f;
    const float expected[4][4] = {// x, y, u, v
                                  {left, -70.0f, 0.25f * strip, 1.0f},
                                  {left, -20.0f, 0.25f * strip, 0.0f},
                                  {left + 25.0f, -70.0f, 0.25f * (strip + 1), 1.0f},
                                  {left + 25.0f, -20.0f, 0.25f * (strip + 1), 0.0f}};
    for (int v = 0; v < 4; ++v) {
      EXPECT_FLOAT_EQ(expected[v][0], call.vertices[v].x) << strip << "," << v;
      EXPECT_FLOAT_EQ(expected[v][1], call.vertices[v].y) << strip << "," << v;
      EXPECT_FLOAT_EQ(expected[v][2], call.vertices[v].u) << strip << "," << v;
      EXPECT_EQ(expected[v][3], call.vertices[v].v);
      EXPECT_EQ(0.0f, call.vertices[v].z);
      EXPECT_EQ(0u, call.vertices[v].color);
    }
  }
}

}  // namespace
}  // namespace Kivo
