// Keyframe playback of engine objects: step timing in ticks, the three
// modes and their waits, stopping and finishing, the pose of a key, and the
// linked effects and sounds.
#include <algorithm>
#include <cmath>

#include "tests/engine/engine_object_support.h"

namespace enginetest {
namespace {

constexpr float kDegree = 0.017453292f;

class Playback : public EngineObjectTest {
 protected:
  void SetUp() override {
    EngineObjectTest::SetUp();
    obj.mName = "obj";
    obj.SetListener(&listener);
    SetRect(obj, 0, 0, 10, 10);
  }
  // Updates until the object is idle or limit updates ran; the number run.
  int RunUntilIdle(int limit) {
    int updates = 0;
    while (obj.IsPlaying() && updates < limit) {
      obj.Update(1);
      ++updates;
    }
    return updates;
  }

  sObj obj;
  RecordingListener listener{&log};
};

TEST_F(Playback, OnceTakesItsStepOnTheFirstUpdateAndStopsAfterTheKeyTimer) {
  obj.mAnimations.push_back(Def("slide", {"keys=13", "rate=24", "key_1=", "key_13=t(10,0)c(0)"}));
  obj.PlayAnimation("slide");
  EXPECT_EQ(obj.mMode, kAnimOnce);
  obj.Update(1);
  EXPECT_EQ(obj.mFrame, 12);
  EXPECT_EQ(Invalidations(), 1);
  for (int i = 2; i <= 51; ++i) obj.Update(1);
  EXPECT_TRUE(obj.IsPlaying()) << "a 0.5 s timer in float needs 51 countdowns";
  EXPECT_TRUE(log.empty());
  obj.Update(1);
  EXPECT_FALSE(obj.IsPlaying());
  EXPECT_EQ(log, CallLog{"end(obj,slide)"});
  EXPECT_EQ(Invalidations(), 1);
  EXPECT_NEAR(obj.mBaseQuad.corner[0].x, 10.0f, 1e-4);
  EXPECT_NEAR(obj.mBaseQuad.corner[2].x, 20.0f, 1e-4);
  EXPECT_NEAR(obj.mCentre.x, 15.0f, 1e-4);
  EXPECT_EQ(obj.mAlpha, 0);
  EXPECT_EQ(obj.mMode, kAnimIdle);
  EXPECT_EQ(obj.mFrame, 0);
}

TEST_F(Playback, ListenerMayStartAnotherAnimationFromTheEndNotice) {
  obj.mAnimations.push_back(Def("a", {"keys=2", "rate=100", "key_1=", "key_2=t(1,0)"}));
  obj.mAnimations.push_back(Def("b", {"keys=2", "rate=100", "key_1=", "key_2=t(0,1)"}));
  listener.onEnd = [this](const std::string&, const std::string& animation) {
    if (animation == "a") obj.PlayAnimation("b");
  };
  obj.PlayAnimation("a");
  RunUntilIdle(100);
  EXPECT_EQ(log, (CallLog{"end(obj,a)", "end(obj,b)"}));
  EXPECT_NEAR(obj.mBaseQuad.corner[0].x, 1.0f, 1e-4);
  EXPECT_NEAR(obj.mBaseQuad.corner[0].y, 1.0f, 1e-4);
}

TEST_F(Playback, WhatNeverMoves) {
  obj.mAnimations.push_back(Def("late", {"keys=13", "rate=24", "key_2=", "key_13=t(10,0)"}));
  obj.mAnimations.push_back(Def("still", {"keys=13", "rate=0", "key_1=", "key_13=t(10,0)"}));
  obj.mAnimations.push_back(Def("bare", {"keys=13"}));

  obj.PlayAnimation("missing");
  EXPECT_FALSE(obj.IsPlaying());
  obj.Update(1);

  // Rate 0 would give infinite step times: the object stays idle.
  obj.PlayAnimation("still");
  EXPECT_FALSE(obj.IsPlaying());
  obj.PlayAnimationMode("still", kAnimLoop);
  EXPECT_FALSE(obj.IsPlaying());
  for (int i = 0; i < 10; ++i) obj.Update(1);
  obj.Draw(nullptr);
  for (const Vector2& corner : obj.mDisplayQuad.corner) EXPECT_TRUE(std::isfinite(corner.x) && std::isfinite(corner.y));
  EXPECT_TRUE(log.empty());

  // No key stands at frame 0: nothing steps, nothing ends.
  obj.PlayAnimation("late");
  EXPECT_EQ(RunUntilIdle(500), 500);
  obj.Draw(nullptr);
  EXPECT_EQ(obj.mFrame, 0);
  EXPECT_EQ(obj.mDisplayQuad.corner[0].x, 0.0f);
  EXPECT_TRUE(log.empty());

  // An empty key list: finishing only stops, and gives no pose.
  obj.mAnimations.back().rate = 10;
  obj.PlayAnimation("bare");
  EXPECT_TRUE(obj.IsPlaying());
  obj.FinishAnimation();
  EXPECT_FALSE(obj.IsPlaying());
  EXPECT_EQ(obj.mBaseQuad.corner[2].x, 10.0f);
  obj.SetPoseFromAnimation("bare");
  EXPECT_EQ(obj.mBaseQuad.corner[2].x, 10.0f);
  EXPECT_TRUE(log.empty());
}

// Two keys on one frame: a step from that frame starts at the later one, so
// a once-animation with keys at 0, 4, 4 and 8 runs through and ends.
TEST_F(Playback, KeysSharingAFrameStepFromTheLastOfThem) {
  obj.mAnimations.push_back(
      Def("twin", {"keys=9", "rate=100", "key_1=", "key_5=t(4,0)", "key_5=t(40,0)", "key_9=t(80,0)"}));
  obj.PlayAnimation("twin");
  obj.Update(1);
  EXPECT_EQ(obj.mFrame, 4);
  const int updates = RunUntilIdle(200);
  EXPECT_LT(updates, 200) << "the animation must end";
  EXPECT_EQ(log, CallLog{"end(obj,twin)"});
  EXPECT_NEAR(obj.mBaseQuad.corner[0].x, 80.0f, 1e-3);
}

// Replacing an animation in mid-step: the old step's pair keeps
// interpolating for the rest of its time, then the new one takes its first
// step.
TEST_F(Playback, ReplacingMidStepFinishesTheOldStepFirst) {
  obj.mAnimations.push_back(Def("right", {"keys=11", "rate=10", "key_1=", "key_11=t(100,0)"}));
  obj.mAnimations.push_back(Def("down", {"keys=2", "rate=100", "key_1=t(0,0)", "key_2=t(0,50)"}));
  obj.PlayAnimation("right");
  for (int i = 0; i < 40; ++i) obj.Update(1);
  obj.Draw(nullptr);
  const float before = obj.mDisplayQuad.corner[0].x;
  EXPECT_NEAR(before, 39.0f, 1.5f);
  obj.PlayAnimation("down");
  EXPECT_EQ(obj.CurrentAnimation()->name, "down");
  for (int i = 0; i < 30; ++i) obj.Update(1);
  obj.Draw(nullptr);
  EXPECT_NEAR(obj.mDisplayQuad.corner[0].x, 69.0f, 1.5f) << "the old step still moves the object";
  EXPECT_EQ(obj.mDisplayQuad.corner[0].y, 0.0f);
  // The old step's rest runs out; the new animation's first step starts at
  // its own first key and runs to its end.
  RunUntilIdle(200);
  EXPECT_EQ(log, CallLog{"end(obj,down)"});
  EXPECT_NEAR(obj.mBaseQuad.corner[0].x, 0.0f, 1e-4);
  EXPECT_NEAR(obj.mBaseQuad.corner[0].y, 50.0f, 1e-4);
}

TEST_F(Playback, PingPongAlternatesForever) {
  obj.mAnimations.push_back(Def("swing", {"keys=5", "rate=100", "type=PING_PONG", "key_1=", "key_5=t(4,0)"}));
  obj.PlayAnimation("swing");
  std::vector<int> frames;
  for (int i = 0; i < 300; ++i) {
    obj.Update(1);
    if (frames.empty() || frames.back() != obj.mFrame) frames.push_back(obj.mFrame);
  }
  ASSERT_GE(frames.size(), 20u);
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i], i % 2 == 0 ? 4 : 0) << i;
  EXPECT_TRUE(obj.IsPlaying());
  EXPECT_TRUE(log.empty());
}

TEST_F(Playback, PingPongWaitsOnlyBackAtFrameZero) {
  obj.mAnimations.push_back(
      Def("swing", {"keys=5", "rate=100", "type=PING_PONG", "time_wait=0.1", "key_1=", "key_5=t(4,0)"}));
  obj.PlayAnimation("swing");
  int waits = 0;
  bool waiting = false;
  float farthest = 0.0f;
  for (int i = 0; i < 400; ++i) {
    obj.Update(1);
    obj.Draw(nullptr);
    const bool nowWaiting = obj.mWaitTimer.IsRunning();
    if (nowWaiting) {
      EXPECT_NEAR(obj.mDisplayQuad.corner[0].x, 0.0f, 1e-4) << "update " << i + 1;
      if (!waiting) ++waits;
    }
    farthest = std::max(farthest, obj.mDisplayQuad.corner[0].x);
    waiting = nowWaiting;
  }
  EXPECT_GE(waits, 4);
  EXPECT_GT(farthest, 3.0f);
  EXPECT_TRUE(log.empty());
}

TEST_F(Playback, LoopWaitsBeforeTheFirstCycleAndTwiceBeforeEveryLaterOne) {
  FakeEmitter end(&log);
  end.mName = "end";
  AnimDef def = Def("loop", {"keys=2", "rate=100", "type=CIRCLE", "time_wait=2", "key_1=", "key_2=t(1,0)"});
  def.effEnd.target = &end;
  obj.mAnimations.push_back(def);
  obj.PlayAnimation("loop");
  std::vector<int> cycleEnds;
  for (int update = 1; update <= 1300; ++update) {
    const size_t before = log.size();
    obj.Update(1);
    if (log.size() > before) cycleEnds.push_back(update);
  }
  // Update 1 starts the step and the 2 s wait (201 countdowns in float);
  // the step's one tick ends the cycle at update 203. Each later cycle
  // waits twice: 201 + 201 countdowns and two step ticks.
  EXPECT_EQ(cycleEnds, (std::vector<int>{203, 607, 1011}));
  EXPECT_TRUE(obj.IsPlaying());
}

TEST_F(Playback, StopFinishAndReplace) {
  obj.StopAnimation();
  EXPECT_EQ(log, CallLog{"end(obj,)"});
  log.clear();

  FakeEmitter played(&log);
  AnimDef loop = Def("loop", {"keys=11", "rate=10", "type=CIRCLE", "key_1=", "key_11=t(10,0)s(2,2)"});
  loop.effPlayed.target = &played;
  obj.mAnimations.push_back(loop);
  obj.mAnimations.push_back(Def("other", {"keys=2", "rate=10", "key_1=", "key_2="}));
  obj.PlayAnimation("loop");
  for (int i = 0; i < 30; ++i) obj.Update(1);
  obj.FinishAnimation();
  EXPECT_FALSE(obj.IsPlaying());
  // The last key's pose: scaled by 2 about the centre (5, 5), moved by 10.
  EXPECT_NEAR(obj.mBaseQuad.corner[0].x, 5.0f, 1e-4);
  EXPECT_NEAR(obj.mBaseQuad.corner[0].y, -5.0f, 1e-4);
  EXPECT_NEAR(obj.mCentre.x, 15.0f, 1e-4);
  EXPECT_EQ(log, CallLog{"emitter.StartFollowing(5,5)"}) << "finishing tells nobody";

  log.clear();
  obj.PlayAnimation("loop");
  obj.Update(1);
  obj.PlayAnimation("other");
  EXPECT_EQ(obj.CurrentAnimation()->name, "other");
  EXPECT_EQ(log, CallLog{"emitter.StartFollowing(15,5)"}) << "replacing gives no notice and no Stop";
}

TEST_F(Playback, PoseOfAKey) {
  Keyframe turn;
  turn.angle = 90 * kDegree;
  obj.ApplyKey(turn);
  EXPECT_NEAR(obj.mDisplayQuad.corner[0].x, 0.0f, 1e-4);
  EXPECT_NEAR(obj.mDisplayQuad.corner[0].y, 10.0f, 1e-4);
  EXPECT_NEAR(obj.mDisplayQuad.corner[1].x, 0.0f, 1e-4);
  EXPECT_NEAR(obj.mDisplayQuad.corner[1].y, 0.0f, 1e-4);
  EXPECT_EQ(obj.mBaseQuad.corner[0].y, 0.0f) << "the base quad stays";

  Keyframe pivoted;
  pivoted.scaleX = 2.0f;
  pivoted.pivotX = -5.0f;  // about the left edge
  pivoted.offsetY = 1.0f;
  pivoted.alpha = 127.9f;
  pivoted.red = -0.5f;
  pivoted.green = 1e20f;
  obj.ApplyKey(pivoted);
  EXPECT_EQ(obj.mDisplayQuad.corner[0].x, 0.0f);
  EXPECT_EQ(obj.mDisplayQuad.corner[1].x, 20.0f);
  EXPECT_EQ(obj.mDisplayQuad.corner[1].y, 1.0f);
  EXPECT_EQ(obj.mDisplayCentre.x, 10.0f);
  EXPECT_EQ(obj.mAlpha, 127);
  EXPECT_EQ(obj.mRed, 0);
  EXPECT_EQ(obj.mGreen, INT32_MAX);

  Keyframe corners;
  corners.vertexMode = true;
  corners.cornerOffsets[4] = 3.0f;
  corners.scaleX = 5.0f;  // not used by a vertex key
  obj.ApplyKey(corners);
  EXPECT_EQ(obj.mDisplayQuad.corner[2].x, 13.0f);
  EXPECT_EQ(obj.mDisplayQuad.corner[1].x, 10.0f);
}

TEST_F(Playback, RestingPoseFromAnAnimationAndAttachedObjects) {
  obj.mAnimations.push_back(Def("slide", {"keys=11", "rate=10", "key_1=t(5,0)", "key_11=t(100,0)"}));
  obj.mAnimations.push_back(Def("other", {"keys=2", "rate=10", "key_1=", "key_2="}));
  obj.PlayAnimation("other");
  obj.SetPoseFromAnimation("slide");
  EXPECT_EQ(obj.mBaseQuad.corner[0].x, 5.0f) << "the first key's pose becomes the resting pose";
  EXPECT_EQ(obj.mCentre.x, 10.0f);
  EXPECT_EQ(obj.CurrentAnimation()->name, "other") << "the playing state is not touched";
  obj.SetPoseFromAnimation("missing");
  EXPECT_EQ(obj.mBaseQuad.corner[0].x, 5.0f);

  sObj attached;
  SetRect(attached, 20, 0, 30, 10);
  obj.mAttached.push_back(&attached);
  Keyframe grow;
  grow.scaleX = 2.0f;
  obj.ApplyKey(grow);
  // Scaled about the leading object's centre (10, 5).
  EXPECT_EQ(attached.mDisplayQuad.corner[0].x, 30.0f);
  EXPECT_EQ(attached.mDisplayQuad.corner[1].x, 50.0f);
  EXPECT_EQ(attached.mBaseQuad.corner[0].x, 20.0f);
}

TEST_F(Playback, InterpolationFollowsTheStartKey) {
  Keyframe vertexA, vertexB, plain;
  vertexA.vertexMode = vertexB.vertexMode = true;
  vertexA.cornerOffsets[0] = 0.0f;
  vertexB.cornerOffsets[0] = 10.0f;
  plain.angle = 1.0f;
  plain.offsetX = 8.0f;

  Keyframe out;
  obj.InterpolateKeys(vertexA, vertexB, out, 0.25f);
  EXPECT_TRUE(out.vertexMode);
  EXPECT_FLOAT_EQ(out.cornerOffsets[0], 2.5f);

  Keyframe mixed;
  obj.InterpolateKeys(vertexA, plain, mixed, 0.25f);
  EXPECT_FALSE(mixed.vertexMode) << "a vertex key to a plain key blends angle, scale and offset";
  EXPECT_FLOAT_EQ(mixed.angle, 0.25f);
  EXPECT_FLOAT_EQ(mixed.offsetX, 2.0f);
  EXPECT_EQ(mixed.cornerOffsets[0], 0.0f);

  // The start key's ease and path, also when going back (direction -1).
  Keyframe eased;
  eased.cosineEase = true;
  for (int i = 0; i < 4; ++i) eased.AddPathPoint(Vec2(10.0f * i, 0));
  Keyframe target;
  target.angle = 2.0f;
  target.alpha = 0.0f;
  Keyframe forward, back;
  obj.InterpolateKeys(eased, target, forward, 0.25f);
  obj.mDirection = -1;
  obj.InterpolateKeys(eased, target, back, 0.25f);
  EXPECT_FLOAT_EQ(forward.angle, CosineEase(0.0f, 2.0f, 0.25f));
  EXPECT_FLOAT_EQ(back.angle, forward.angle);
  EXPECT_FLOAT_EQ(forward.alpha, 255.0f * 0.75f) << "colour is always linear";
  EXPECT_FLOAT_EQ(forward.offsetX, eased.PathPoint(0.25f).x);
  EXPECT_FLOAT_EQ(back.offsetX, eased.PathPoint(0.75f).x);
}

TEST_F(Playback, LinksStartAndStopTheirTargets) {
  FakeEmitter begin(&log), played(&log), end(&log);
  FakeSound soundBegin(&log), soundEnd(&log);
  begin.mName = "begin";
  played.mName = "played";
  end.mName = "end";
  soundBegin.mName = "soundBegin";
  soundEnd.mName = "soundEnd";
  AnimDef def = Def("go", {"keys=2", "rate=100", "key_1=", "key_2=t(10,0)"});
  def.effBegin.target = &begin;
  def.effPlayed.target = &played;
  def.effEnd.target = &end;
  def.soundBegin.target = &soundBegin;
  def.soundEnd.target = &soundEnd;
  obj.mAnimations.push_back(def);
  obj.PlayAnimation("go");
  EXPECT_EQ(played.followed, &obj.mDisplayCentre);
  RunUntilIdle(50);
  // effEnd starts at the display centre last shown: no draw ran here.
  EXPECT_EQ(log, (CallLog{"begin.StartAt(5,5)", "played.StartFollowing(5,5)", "soundBegin.Play", "end.StartAt(5,5)",
                          "played.Stop", "soundEnd.Play", "end(obj,go)"}));

  // Each cycle end of a loop (every update after the first at one tick a
  // step) starts effEnd; back and forth never does.
  for (int mode : {kAnimLoop, kAnimPingPong}) {
    log.clear();
    SetRect(obj, 0, 0, 10, 10);
    obj.PlayAnimationMode("go", mode);
    for (int i = 0; i < 30; ++i) obj.Update(1);
    int ends = 0;
    for (const std::string& call : log) ends += call.compare(0, 12, "end.StartAt(") == 0;
    EXPECT_EQ(ends, mode == kAnimLoop ? 29 : 0) << mode;
  }

  // Links naming objects of another kind do nothing.
  sObj plain;
  for (AnimLink* link : {&obj.mAnimations[0].effBegin, &obj.mAnimations[0].effPlayed, &obj.mAnimations[0].effEnd,
                         &obj.mAnimations[0].soundBegin, &obj.mAnimations[0].soundEnd})
    link->target = &plain;
  obj.StopAnimation();
  log.clear();
  obj.PlayAnimation("go");
  RunUntilIdle(50);
  EXPECT_EQ(log, CallLog{"end(obj,go)"});
}

}  // namespace
}  // namespace enginetest
