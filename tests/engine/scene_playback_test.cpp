// Scene entities: keys and their syntax, clips, the player's event order and
// timing, easing, matrices and bound objects.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/SceneGraph.h"
#include "tests/engine/engine_object_support.h"

namespace Kivo {
namespace Scene {
namespace {

// Records the entity events the player sends, before any graph maps them.
class RecordingEntity : public Entity {
 public:
  void OnEvent(Entity* sender, int event) override {
    events.push_back(event);
    Entity::OnEvent(sender, event);
  }
  std::vector<int> events;
};

// A clip "" with keys at the given frames, key n at x = 10 n.
void AddClip(Entity& entity, const std::vector<int>& frames, float frameTime, bool loop = false) {
  AnimClip* clip = entity.GetOrCreateClip("");
  clip->mFrameTime = frameTime;
  clip->mLoop = loop;
  for (int frame : frames) {
    clip->InsertKey(frame);
    clip->KeyAt(frame)->mPositionX = static_cast<float>(frame);
  }
  entity.SelectClip("");
}

std::vector<int> Compress(const std::vector<int>& events) {
  // Runs of step events become one, so sequences read at a glance.
  std::vector<int> out;
  for (int e : events)
    if (!(e == kClipStep && !out.empty() && out.back() == kClipStep)) out.push_back(e);
  return out;
}

TEST(AnimPlayer, EventOrderOfAClipPlayedOnce) {
  RecordingEntity entity;
  AddClip(entity, {0, 10, 20}, 0.1f);
  ASSERT_TRUE(entity.mPlayer.Play(false));
  EXPECT_EQ((std::vector<int>{0, 2, 4}), entity.events);
  for (int i = 0; i < 300 && entity.mPlayer.IsPlaying(); ++i) entity.Update(0.01f);
  EXPECT_EQ((std::vector<int>{0, 2, 4, 5, 4, 5, 4, 3, 1}), Compress(entity.events));
  EXPECT_EQ(20.0f, entity.mPositionX);
}

TEST(AnimPlayer, LoopingStartsOverAndNeverStops) {
  RecordingEntity entity;
  AddClip(entity, {0, 10, 20}, 0.1f, true);
  ASSERT_TRUE(entity.mPlayer.Play(true));
  for (int i = 0; i < 250; ++i) entity.Update(0.01f);
  const std::vector<int> events = Compress(entity.events);
  EXPECT_EQ((std::vector<int>{0, 2, 4, 5, 4, 5, 4, 3, 2, 4, 5}), std::vector<int>(events.begin(), events.begin() + 11));
  EXPECT_EQ(0, std::count(events.begin(), events.end(), kClipStopped));
  EXPECT_GE(entity.mPlayer.mLoopCount, 1);
  EXPECT_TRUE(entity.mPlayer.IsPlaying());
}

TEST(AnimPlayer, NextPairCarriesTheOvershoot) {
  RecordingEntity entity;
  AddClip(entity, {0, 1, 2}, 0.1f);
  entity.mPlayer.Play(false);
  entity.Update(0.15f);
  EXPECT_FLOAT_EQ(0.05f, entity.mPlayer.mTimeline.mElapsed);
  EXPECT_EQ(entity.GetOrCreateClip("")->KeyAt(1), entity.mPlayer.mKeyA);
}

TEST(AnimPlayer, RefusesClipsThatCannotPlayAndStaysSilent) {
  struct Case {
    const char* what;
    std::vector<int> frames;
  } cases[] = {{"no keys", {}}, {"one key", {0}}, {"no key at 0", {1, 5}}, {"key at 0 last", {-3, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingEntity entity;
    AddClip(entity, c.frames, 0.1f);
    EXPECT_FALSE(entity.mPlayer.Play(false));
    entity.Update(0.5f);
    EXPECT_TRUE(entity.events.empty());
  }
  RecordingEntity silent;
  AddClip(silent, {0, 10}, 0.0f);
  EXPECT_TRUE(silent.mPlayer.Play(false));
  silent.Update(0.5f);
  EXPECT_TRUE(silent.events.empty());
  EXPECT_FALSE(silent.mPlayer.IsPlaying());

  RecordingEntity noClip;
  EXPECT_FALSE(noClip.mPlayer.Play(false));
}

TEST(AnimPlayer, StopAndRewindReturnToTheFirstKey) {
  RecordingEntity entity;
  AddClip(entity, {0, 10}, 0.1f);
  entity.mPlayer.Play(false);
  entity.Update(0.5f);
  entity.mPlayer.Pause();
  entity.events.clear();
  entity.mPlayer.Rewind();
  EXPECT_EQ((std::vector<int>{kClipResumed, kClipStopped}), entity.events);
  EXPECT_EQ(0.0f, entity.mPositionX);
  EXPECT_FALSE(entity.mPlayer.IsPlaying());
}

// Keys, but none at frame 0: rewinding sets the pose the player holds again
// (nothing is copied into it) and starts the clip time over.
TEST(AnimPlayer, RewindWithoutAFrameZeroKeyReappliesTheHeldPose) {
  RecordingEntity entity;
  AddClip(entity, {0, 10}, 0.1f);
  entity.mPlayer.Play(false);
  entity.Update(0.5f);  // the held pose is half way: x = 5
  ASSERT_NEAR(5.0f, entity.mPositionX, 1e-4);
  entity.mPlayer.Stop();
  entity.CurrentClip()->ClearKeys();
  AddClip(entity, {3, 10}, 0.1f);
  ASSERT_EQ(nullptr, entity.CurrentClip()->KeyAt(0));
  entity.mPositionX = 70.0f;
  entity.mDirty = false;
  entity.mPlayer.mClipTime = 2.5f;
  entity.mPlayer.Rewind();
  EXPECT_NEAR(5.0f, entity.mPositionX, 1e-4);
  EXPECT_TRUE(entity.mDirty);
  EXPECT_EQ(0.0f, entity.mPlayer.mClipTime);
}

TEST(AnimKey, EasingInterpolationAndTruncatedFrames) {
  AnimKey a, b, out;
  a.mFrame = 0;
  b.mFrame = 3;
  b.mPositionX = 100.0f;
  b.mCenterX = 7.0f;
  struct Case {
    float acc;
    float expected;
  } cases[] = {{1.0f, 75.0f}, {0.0f, 25.0f}, {0.5f, 50.0f}};
  for (const Case& c : cases) {
    out.InterpolateEased(a, b, 0.5f, c.acc);
    EXPECT_FLOAT_EQ(c.expected, out.mPositionX) << c.acc;
  }
  out.Interpolate(a, b, 0.5f);
  EXPECT_EQ(1, out.mFrame);
  EXPECT_EQ(0.0f, out.mCenterX);  // the centre is not interpolated
}

TEST(AnimPlayer, InterpZeroHoldsThePoseThenJumps) {
  RecordingEntity entity;
  AddClip(entity, {0, 10, 20}, 0.1f);
  entity.GetOrCreateClip("")->KeyAt(0)->mInterp = 0;
  entity.mPlayer.Play(false);
  for (int i = 0; i < 99; ++i) {
    entity.Update(0.01f);
    ASSERT_EQ(0.0f, entity.mPositionX) << i;
  }
  for (int i = 0; i < 3; ++i) entity.Update(0.01f);
  EXPECT_GT(entity.mPositionX, 10.0f);
}

TEST(AnimKey, AttributesFollowTheStrictNumberSyntax) {
  AnimKey key;
  EXPECT_FALSE(key.SetAttribute("position", "12;x"));
  EXPECT_EQ(12.0f, key.mPositionX);
  EXPECT_EQ(0.0f, key.mPositionY);
  EXPECT_TRUE(key.SetAttribute("scale", "2; 0.5"));
  EXPECT_EQ(0.5f, key.mScaleY);
  EXPECT_TRUE(key.SetAttribute("center", "-3 4"));
  EXPECT_EQ(-3.0f, key.mCenterX);
  key.mAngle = 1.5f;
  EXPECT_FALSE(key.SetAttribute("angle", "+1"));
  EXPECT_EQ(1.5f, key.mAngle);  // an invalid angle keeps the value
  EXPECT_FALSE(key.SetAttribute("acc", "1e3"));
  EXPECT_EQ(0.0f, key.mAcc);
  EXPECT_FALSE(key.SetAttribute("frame", " 4"));
  EXPECT_EQ(0, key.mFrame);
  EXPECT_TRUE(key.SetAttribute("frame", "0x10"));
  EXPECT_EQ(16, key.mFrame);
  EXPECT_FALSE(key.SetAttribute("colour", "1"));
}

TEST(Entity, BuildMatrixMapsAPointAroundTheCentre) {
  Entity entity;
  entity.mPositionX = 100;
  entity.mPositionY = 50;
  entity.mCenterX = 10;
  entity.mCenterY = 0;
  entity.mScaleX = 2;
  entity.mScaleY = 3;
  entity.mAngle = static_cast<float>(M_PI / 2);
  entity.Update(0.0f);
  // p - centre = (10, 0); turned by a quarter: (0, -10); scaled: (0, -30).
  const Vector2 p = entity.mWorld.TransformPoint({20, 0});
  EXPECT_NEAR(100.0f, p.x, 1e-4);
  EXPECT_NEAR(20.0f, p.y, 1e-4);
}

class ObjEntityTest : public enginetest::EngineObjectTest {};

TEST_F(ObjEntityTest, BoundObjectFollowsOnTheNextDirtyUpdate) {
  Entity parent;
  auto* child = new ObjEntity();
  child->mName = "dummy1";
  ASSERT_TRUE(parent.AddChild(child));
  parent.UpdateRecursive(0.0f);
  sObj object;
  enginetest::SetRect(object, -5, -5, 5, 5);
  child->Attach(&object);
  child->Attach(nullptr);  // ignored
  parent.mPositionX = 30;
  parent.UpdateRecursive(0.0f);  // the parent is not marked: nothing moves
  EXPECT_EQ(0.0f, object.mCentre.x);
  parent.MarkDirtyRecursive();
  parent.UpdateRecursive(0.0f);
  EXPECT_EQ(30.0f, object.mCentre.x);
  EXPECT_EQ(35.0f, object.mDisplayQuad.corner[1].x);
  EXPECT_EQ(object.mCentre.x, object.mDisplayCentre.x);
  child->ResetTransform();
  EXPECT_EQ(nullptr, child->mObject);
}

TEST(Entity, PlayRecursiveSkipsSlaveSubtrees) {
  auto* slave = new RecordingEntity();
  slave->mName = "slave";
  slave->mSlave = true;
  auto* underSlave = new RecordingEntity();
  underSlave->mName = "under";
  auto* normal = new RecordingEntity();
  normal->mName = "normal";
  RecordingEntity root;
  root.AddChild(slave);
  slave->AddChild(underSlave);
  root.AddChild(normal);
  for (RecordingEntity* e : {&root, slave, underSlave, normal}) AddClip(*e, {0, 5}, 0.1f);
  root.PlayRecursive();
  EXPECT_TRUE(root.mPlayer.IsPlaying());
  EXPECT_TRUE(normal->mPlayer.IsPlaying());
  EXPECT_FALSE(slave->mPlayer.IsPlaying());
  EXPECT_FALSE(underSlave->mPlayer.IsPlaying());
}

TEST(Entity, ClipsAndChildrenByName) {
  Entity entity;
  EXPECT_FALSE(entity.SelectClip(""));
  AddClip(entity, {0, 5}, 0.1f);
  entity.GetOrCreateClip("run");
  EXPECT_FALSE(entity.SelectClip("walk"));
  EXPECT_EQ(nullptr, entity.CurrentClip());
  EXPECT_TRUE(entity.SelectClip("run"));
  EXPECT_EQ("run", entity.CurrentClip()->mId);

  auto* first = new Entity();
  first->mName = "a";
  Entity second;
  second.mName = "a";
  EXPECT_TRUE(entity.AddChild(first));
  EXPECT_FALSE(entity.AddChild(&second));
  EXPECT_EQ(first, entity.FindByName("a"));
  EXPECT_EQ(nullptr, second.Parent());
}

TEST(Entity, PlayClipTweensFromThePresentPose) {
  RecordingEntity entity;
  entity.GetOrCreateClip("")->mFrameTime = 0.1f;
  entity.mPositionX = 4.0f;
  AnimKey target;
  target.mFrame = 2;
  target.mPositionX = 8.0f;
  ASSERT_TRUE(entity.PlayClip(target));
  for (int i = 0; i < 30; ++i) entity.Update(0.01f);
  EXPECT_EQ(8.0f, entity.mPositionX);
  EXPECT_EQ(2u, entity.CurrentClip()->KeyCount());

  target.mFrame = 0;
  EXPECT_FALSE(entity.PlayClip(target));  // one key left: nothing plays
  Entity noClip;
  EXPECT_FALSE(noClip.PlayClip(target));
}

}  // namespace
}  // namespace Scene
}  // namespace Kivo
