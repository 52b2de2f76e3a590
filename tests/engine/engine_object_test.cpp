// The engine object: focus through parent and active child, moves, centres,
// what a plain object does, copies of playing objects and deletion of kinds
// through the base.
#include "tests/engine/engine_object_support.h"

namespace enginetest {
namespace {

bool SameQuad(const Quad& a, const Quad& b) {
  for (int i = 0; i < 4; ++i)
    if (a.corner[i].x != b.corner[i].x || a.corner[i].y != b.corner[i].y) return false;
  return true;
}

TEST(EngineObjectFocus, AdoptionLeavesTheLastChildActive) {
  sObj root, children[3], stranger, otherParent;
  for (sObj& child : children) child.mParent = &root;
  stranger.mParent = &otherParent;
  CallLog log;
  RecordingListener listener(&log);
  sObj* list[] = {&root, &children[0], &children[1], &children[2]};
  for (int i = 0; i < 4; ++i) {
    list[i]->SetIndex(i);
    list[i]->SetListener(&listener);
    list[i]->TakeParentFocus();
  }
  EXPECT_EQ(root.mActiveChild, &children[2]);
  EXPECT_EQ(children[1].GetIndex(), 2);
  EXPECT_EQ(children[1].mListener, &listener);

  EXPECT_FALSE(root.TakeParentFocus()) << "no parent";
  EXPECT_EQ(root.mActiveChild, &children[2]);

  EXPECT_FALSE(children[2].PassParentFocus(&stranger));
  EXPECT_FALSE(children[2].PassParentFocus(nullptr));
  EXPECT_EQ(root.mActiveChild, &children[2]);
  EXPECT_EQ(otherParent.mActiveChild, nullptr);
  EXPECT_TRUE(children[2].PassParentFocus(&children[0]));
  EXPECT_EQ(root.mActiveChild, &children[0]);
}

TEST(EngineObjectGeometry, CentreAndMoves) {
  sObj obj;
  obj.mBaseQuad.corner[0] = Vector2(0, 0);
  obj.mBaseQuad.corner[1] = Vector2(10, 0);
  obj.mBaseQuad.corner[2] = Vector2(12, 8);
  obj.mBaseQuad.corner[3] = Vector2(-2, 6);
  obj.UpdateCentre();
  // Midpoints (5, 0) of edge 0-1 and (5, 7) of edge 3-2.
  EXPECT_EQ(obj.mCentre.x, 5.0f);
  EXPECT_EQ(obj.mCentre.y, 3.5f);

  obj.MoveTo(Vec2(105, 53.5f));
  const float expected[4][2] = {{100, 50}, {110, 50}, {112, 58}, {98, 56}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(obj.mBaseQuad.corner[i].x, expected[i][0]);
    EXPECT_EQ(obj.mBaseQuad.corner[i].y, expected[i][1]);
  }
  EXPECT_TRUE(SameQuad(obj.mDisplayQuad, obj.mBaseQuad));
  EXPECT_EQ(obj.mDisplayCentre.x, 105.0f);

  obj.MoveBy(Vec2(-5, 1));
  EXPECT_EQ(obj.mBaseQuad.corner[2].x, 107.0f);
  EXPECT_EQ(obj.mBaseQuad.corner[2].y, 59.0f);
  EXPECT_EQ(obj.mCentre.x, 100.0f);
  EXPECT_EQ(obj.mCentre.y, 54.5f);
  EXPECT_TRUE(SameQuad(obj.mDisplayQuad, obj.mBaseQuad));
  EXPECT_EQ(obj.mDisplayCentre.y, 54.5f);
}

TEST_F(EngineObjectTest, MoveByWhilePlayingResetsTheDisplayQuadUntilTheNextPose) {
  sObj obj;
  SetRect(obj, 0, 0, 10, 10);
  obj.mAnimations.push_back(Def("slide", {"keys=11", "rate=10", "key_1=", "key_11=t(100,0)"}));
  obj.PlayAnimation("slide");
  obj.Update(1);
  for (int i = 0; i < 50; ++i) obj.Update(1);
  obj.Draw(nullptr);
  EXPECT_GT(obj.mDisplayQuad.corner[0].x, 10.0f);
  obj.MoveBy(Vec2(0, 20));
  EXPECT_TRUE(SameQuad(obj.mDisplayQuad, obj.mBaseQuad));
  EXPECT_EQ(obj.mBaseQuad.corner[0].y, 20.0f);
  obj.Draw(nullptr);
  EXPECT_GT(obj.mDisplayQuad.corner[0].x, 10.0f);
  EXPECT_EQ(obj.mDisplayQuad.corner[0].y, 20.0f);
}

TEST_F(EngineObjectTest, PlainObjectDrawsNothingIgnoresInputPlaysAndTakesFocus) {
  sObj parent, obj;
  obj.mParent = &parent;
  SetRect(obj, 0, 0, 10, 10);
  const sObj before = obj;
  obj.Draw(nullptr);
  obj.MouseMove(5, 5);
  EXPECT_FALSE(obj.MouseDown(5, 5, 1));
  EXPECT_FALSE(obj.MouseUp(5, 5, 1));
  EXPECT_FALSE(obj.MouseDown(5, 5, -2));
  obj.MouseWheel(0, 0, 3);
  obj.MouseDrag(5, 5);
  obj.KeyDown(13);
  obj.KeyUp(13);
  obj.KeyChar(L'x');
  obj.FitToImage();
  obj.OnCreated();
  obj.ReleaseImages();
  EXPECT_TRUE(SameQuad(obj.mBaseQuad, before.mBaseQuad));
  EXPECT_EQ(obj.mActiveChild, nullptr);
  EXPECT_EQ(parent.mActiveChild, nullptr);
  EXPECT_EQ(obj.mAlpha, 255);

  EXPECT_TRUE(obj.TakeParentFocus());
  EXPECT_EQ(parent.mActiveChild, &obj);
  obj.mAnimations.push_back(Def("fade", {"keys=2", "rate=100", "key_1=", "key_2=c(0)"}));
  obj.PlayAnimation("fade");
  EXPECT_TRUE(obj.IsPlaying());
  for (int i = 0; i < 5; ++i) obj.Update(1);
  EXPECT_FALSE(obj.IsPlaying());
  EXPECT_EQ(obj.mAlpha, 0);
}

TEST_F(EngineObjectTest, CopyOfAPlayingObjectPlaysOnAfterTheSourceIsDeleted) {
  RecordingListener listener(&log);
  auto source = std::make_unique<sObj>();
  source->mName = "picture";
  source->SetListener(&listener);
  SetRect(*source, 0, 0, 10, 10);
  source->mAnimations.push_back(Def("other", {"keys=2", "rate=10", "key_1=", "key_2="}));
  source->mAnimations.push_back(Def("slide", {"keys=3", "rate=10", "key_1=", "key_2=t(5,0)", "key_3=t(10,0)"}));
  source->PlayAnimation("slide");
  for (int i = 0; i < 5; ++i) source->Update(1);
  sObj copy(*source);
  const int frame = source->mFrame;
  source.reset();

  EXPECT_EQ(copy.CurrentAnimation(), &copy.mAnimations[1]);
  EXPECT_EQ(copy.mFrame, frame);
  EXPECT_EQ(copy.mFromKey, 0);
  EXPECT_EQ(copy.mToKey, 1);
  for (int i = 0; i < 40 && copy.IsPlaying(); ++i) {
    copy.Update(1);
    copy.Draw(nullptr);
  }
  EXPECT_FALSE(copy.IsPlaying());
  EXPECT_EQ(log, CallLog{"end(picture,slide)"});
  EXPECT_NEAR(copy.mBaseQuad.corner[0].x, 10.0f, 1e-4);
}

struct Kind : sObj {
  explicit Kind(int* destroyed) : mDestroyed(destroyed) {}
  ~Kind() override { ++*mDestroyed; }
  int* mDestroyed;
  std::vector<int> mOwned = std::vector<int>(1000);  // leaks without the virtual destructor
};

TEST(EngineObjectLifetime, KindDeletedThroughTheBaseRunsItsDestructor) {
  int destroyed = 0;
  sObj* obj = new Kind(&destroyed);
  obj->ReleaseImages();
  delete obj;
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace enginetest
