// Tick timelines, tweens and the damped swing, and node trees that move bound
// objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/SceneNodes.h"
#include "tests/engine/engine_object_support.h"

namespace Kivo {
namespace {

struct EventLog : TimelineListener {
  void OnTimelineEvent(Timeline& timeline, int event, int) override { events.push_back(event); }
  std::vector<int> events;
};

TEST(Tween, MovesInEqualStepsAndEndsExactlyOnTarget) {
  EventLog log;
  Tween tween;
  tween.mListener = &log;
  tween.To(10.0f, 5);
  EXPECT_EQ((std::vector<int>{kTimelineStarted, kTimelineLooped}), log.events);
  std::vector<float> values;
  for (int i = 0; i < 5; ++i) {
    tween.Step(1);
    values.push_back(tween.mValue);
  }
  EXPECT_EQ((std::vector<float>{2, 4, 6, 8, 10}), values);
  EXPECT_EQ((std::vector<int>{0, 2, 3, 1}), log.events);
  EXPECT_FALSE(tween.IsPlaying());
}

TEST(Tween, ZeroTicksReusesAnEarlierDurationWithAStepOfZero) {
  EventLog log;
  Tween fresh;
  fresh.mListener = &log;
  fresh.To(10.0f, 0);
  EXPECT_FALSE(fresh.IsPlaying());
  EXPECT_TRUE(log.events.empty());

  Tween tween;
  tween.To(3.0f, 5);
  for (int i = 0; i < 5; ++i) tween.Step(1);
  ASSERT_EQ(3.0f, tween.mValue);
  tween.To(10.0f, 0);
  ASSERT_TRUE(tween.IsPlaying());
  for (int i = 0; i < 4; ++i) {
    tween.Step(1);
    EXPECT_EQ(3.0f, tween.mValue) << i;
  }
  tween.Step(1);
  EXPECT_EQ(10.0f, tween.mValue);
}

TEST(SwingTween, FourDampedLegsThenAStop) {
  struct LegLog : EventLog {
    void OnTimelineEvent(Timeline& timeline, int event, int arg) override {
      EventLog::OnTimelineEvent(timeline, event, arg);
      if (event == kTimelineEnded) legEnds.push_back(static_cast<Tween&>(timeline).mValue);
    }
    std::vector<float> legEnds;
  } log;
  SwingTween swing;
  swing.mListener = &log;
  swing.Start(30.0f, 10);
  int ticks = 0;
  for (; ticks < 100 && swing.IsPlaying(); ++ticks) swing.Step(1);
  EXPECT_EQ(40, ticks);
  EXPECT_EQ((std::vector<float>{30, -18, 6, 0}), log.legEnds);
  EXPECT_EQ(kTimelineStopped, log.events.back());
  EXPECT_EQ(1, std::count(log.events.begin(), log.events.end(), kTimelineStopped));
}

TEST(Timeline, LoopWrapsOncePerStepAndStopResumesFirst) {
  EventLog log;
  Tween timeline;  // a plain looping tick timeline
  timeline.mListener = &log;
  timeline.To(1.0f, 3);
  timeline.SetLoop(true);
  log.events.clear();
  timeline.Step(5);
  EXPECT_EQ(1, std::count(log.events.begin(), log.events.end(), kTimelineEnded));
  EXPECT_EQ(2, timeline.mElapsed);
  EXPECT_TRUE(timeline.IsPlaying());

  timeline.Pause();
  log.events.clear();
  timeline.Step(1);
  EXPECT_TRUE(log.events.empty());
  timeline.Stop();
  EXPECT_EQ((std::vector<int>{kTimelineResumed, kTimelineStopped}), log.events);
  log.events.clear();
  timeline.Stop();
  EXPECT_TRUE(log.events.empty());
}

TEST(FloatTimeline, StartNeedsAPositiveDurationAndStartAtSkipsTheLoopEvent) {
  struct FloatLog : FloatTimelineListener {
    void OnTimelineEvent(BasicTimeline<float>&, int event, int) override { events.push_back(event); }
    std::vector<int> events;
  } log;
  FloatTimeline timeline;
  timeline.mListener = &log;
  EXPECT_FALSE(timeline.Start(0.0f));
  EXPECT_TRUE(log.events.empty());
  EXPECT_TRUE(timeline.StartAt(0.5f, 0.05f));
  EXPECT_EQ((std::vector<int>{kTimelineStarted}), log.events);
  EXPECT_EQ(0.05f, timeline.mElapsed);
}

struct HookLog : NodeUpdateHook {
  void OnNodeUpdate(SceneNode* node) override { nodes.push_back(node); }
  std::vector<SceneNode*> nodes;
};

TEST(SceneNode, UpdateTreeBuildsParentsFirstAndOnlyDirtyNodes) {
  SceneNode root, child, grandchild;
  root.mX = 10;
  child.mX = 5;
  grandchild.mY = 2;
  root.AddChild(&child);
  child.AddChild(&grandchild);
  HookLog hook;
  root.mHook = child.mHook = grandchild.mHook = &hook;
  root.MarkDirty();
  root.UpdateTree();
  EXPECT_EQ((std::vector<SceneNode*>{&root, &child, &grandchild}), hook.nodes);
  const Vector2 p = grandchild.mWorld.TransformPoint({0, 0});
  EXPECT_EQ(15.0f, p.x);
  EXPECT_EQ(2.0f, p.y);

  hook.nodes.clear();
  root.UpdateTree();
  EXPECT_TRUE(hook.nodes.empty());
  child.MarkDirty();
  root.UpdateTree();
  EXPECT_EQ((std::vector<SceneNode*>{&child, &grandchild}), hook.nodes);

  SceneNode stranger;
  EXPECT_FALSE(root.RemoveChild(&stranger));
  EXPECT_EQ(1u, root.mChildren.size());
  EXPECT_TRUE(child.RemoveChild(&grandchild));
  EXPECT_EQ(nullptr, grandchild.mParent);
}

TEST(RotateNode, CopyMovesItsOwnTweenNode) {
  RotateNode a;
  RotateNode b(a);
  EXPECT_EQ(&b, b.mAngle.mNode);
}

class NodeBindingTest : public enginetest::EngineObjectTest {};

TEST_F(NodeBindingTest, PivotUnderTwoRotationsKeepsItsObjectUpright) {
  RotateNode stand, beam;
  PivotNode pan;
  pan.mX = 100;  // the pan hangs at the beam's end
  stand.AddChild(&beam);
  beam.AddChild(&pan);
  stand.mAngle.mValue = 20.0f;
  beam.mAngle.mValue = 15.0f;

  sObj weight;
  enginetest::SetRect(weight, -10, -5, 10, 5);
  NodeBindingMap bindings;
  bindings.Insert(&pan, &weight);
  struct ApplyHook : NodeUpdateHook {
    NodeBindingMap* map;
    void OnNodeUpdate(SceneNode* node) override { map->Apply(node); }
  } hook;
  hook.map = &bindings;
  pan.mHook = &hook;
  stand.MarkDirty();
  stand.UpdateTree();

  const Quad& q = weight.mBaseQuad;
  EXPECT_NEAR(q.corner[0].y, q.corner[1].y, 1e-4);
  EXPECT_NEAR(q.corner[0].x, q.corner[3].x, 1e-4);
  EXPECT_NEAR(20.0f, q.corner[1].x - q.corner[0].x, 1e-4);
  // It follows the beam's end, turned by both angles (35 degrees).
  const double a = 35.0 * M_PI / 180.0;
  EXPECT_NEAR(100.0 * std::cos(a), weight.mCentre.x, 1e-3);
  EXPECT_NEAR(-100.0 * std::sin(a), weight.mCentre.y, 1e-3);
  EXPECT_EQ(weight.mBaseQuad.corner[2].x, weight.mDisplayQuad.corner[2].x);
  EXPECT_FALSE(bindings.Apply(&stand));
}

TEST_F(NodeBindingTest, SwingingParentWritesRotatedCornersOnTheNextUpdate) {
  RotateNode beam;
  SceneNode arm;
  arm.mX = 50;
  beam.AddChild(&arm);
  sObj bob;
  enginetest::SetRect(bob, -1, -1, 1, 1);
  NodeBindingMap bindings;
  bindings.Insert(&arm, &bob);
  beam.MarkDirty();
  beam.UpdateTree();
  bindings.Apply(&arm);
  EXPECT_NEAR(50.0f, bob.mCentre.x, 1e-4);
  beam.mAngle.Start(90.0f, 1);  // one tick to +90
  beam.UpdateTree();
  bindings.Apply(&arm);
  EXPECT_NEAR(0.0f, bob.mCentre.x, 1e-4);
  EXPECT_NEAR(-50.0f, bob.mCentre.y, 1e-4);
}

}  // namespace
}  // namespace Kivo
