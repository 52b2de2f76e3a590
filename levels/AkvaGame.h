// "akva": the aquarium grabber. An arm ("sprArm") travels sideways above the
// water when clicked; a second click, while it travels, stops it and drops a
// hand ("sprHand", on the thread "prsThread") that takes the first fish or
// stone its grip point touches and rises as long as it sank. Back at the
// start the catch is released: a stone ("sprStone*") dissolves
// ("stone_dilution") and counts as brought up, a fish ("sprFish*") swims
// again. Fish wander inside (10, 150, 680, 300) at "_fFishSpeed" (0.1) and
// dart 100 pixels sideways from a pointer within 100 pixels. The level is
// won when every stone is taken; the HUD counter shows the stones left.
//
// The rig is a tree of scene nodes: water -> arm -> swing -> drop -> hand ->
// grip, and the thread on the drop; stones and fish hang in the water or on
// the grip. The game listens to the travel tweens and to node updates; its
// MiniGame part is not its first base, so owners hold and delete it through
// that part only. Tween stops reported while the tree is being updated are
// acted on right after the update, so the tree never changes under its own
// traversal.
//
// Numbered stones are not built: nothing in the level data marks a stone as
// numbered. Unplayable data (one log line, then idle): a missing "sprArm",
// "sprHand" (with its image) or "prsThread" (a slider with a fill image), or
// a stone without an image. Missing sound objects only stay silent.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/SceneNodes.h"
#include "engine/SliderEditKinds.h"
#include "engine/SpriteKinds.h"
#include "levels/MiniGame.h"
#include "levels/PlayfieldDraw.h"

namespace Kivo {

class TravelNode;

// The linear position tween of a travel node.
class TravelTimeline : public Timeline {
 public:
  explicit TravelTimeline(TravelNode* node) : mNode(node) {}
  void Restart() { Begin(0, true); }

 protected:
  void OnStep(int ticks) override;
  void OnLoop() override;
  void OnEnd() override;
  void OnStop() override;

 private:
  TravelNode* mNode;  // not owned
};

// A node that moves in a straight line to a target over a number of ticks.
class TravelNode : public SceneNode {
 public:
  TravelNode() : mTween(this) {}
  TravelNode(const TravelNode&) = delete;
  TravelNode& operator=(const TravelNode&) = delete;

  void Update() override { mTween.Step(1); }
  // Ticks 0 keeps the last duration with no velocity.
  void MoveTo(float x, float y, int ticks);
  // MoveTo in distance / |speed| ticks (0 for a speed of 0).
  void MoveToAtSpeed(float x, float y, float speed);
  virtual void OnTweenStep() {}
  virtual void OnTweenStop() {}

  TravelTimeline mTween;
  Vec2 mVelocity;
  Vec2 mTarget;
  Vec2 mStart;
  Vec2 mP0;
  Vec2 mP1;
  int32_t mState = 0;
  int32_t mTravelTicks = 0;
  sObj* mObject = nullptr;  // the bound sprite; not owned
};

class StoneNode : public TravelNode {
 public:
  static constexpr unsigned char kTaken = 2;
  static constexpr unsigned char kNumbered = 4;

  void BuildLocal(Matrix3& matrix) override;
  bool IsTaken() const { return (mFlags & kTaken) != 0; }

  float mLayY = 0.0f;
  int32_t mNumber = -1;
};

class FishNode : public TravelNode {
 public:
  void BuildLocal(Matrix3& matrix) override;
  void OnTweenStep() override;
  void OnTweenStop() override { Wander(); }
  // A random target inside the area, at the wandering speed.
  void Wander();
  // Darts 100 pixels sideways away from (px, py) when it is that close.
  void FleeFrom(float px, float py);

  float mArea[4] = {10.0f, 150.0f, 680.0f, 300.0f};  // x, y, width, height
  float mWanderSpeed = 0.1f;
  bool mOutside = false;
  float mFleeDistance = 100.0f;
  float mFleeSpeed = 0.8f;
  bool mFleeing = false;
};

class AkvaGame : public TimelineListener, public NodeUpdateHook, public MiniGame {
 public:
  enum ArmState { kArmIdle = 0, kArmOut = 1, kArmBack = 2, kArmBackAfterDrop = 3 };
  enum DropState { kDropUp = 0, kDropDown = 1, kDropBackEmpty = 2, kDropBackWithCatch = 3 };
  static constexpr int kArmTicks = 500;
  static constexpr int kDropTicks = 400;
  static constexpr int kSwingTicks = 50;

  AkvaGame();
  ~AkvaGame() override;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override;
  bool HasItemsCounter() override { return true; }
  void OnAnimationEnd(std::string objectName, std::string animationName) override;
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  void OnTimelineEvent(Timeline& timeline, int event, int arg) override;
  void OnNodeUpdate(SceneNode* node) override;

  int StonesLeft() const;
  // The grip point in screen pixels.
  Vec2 GripPoint() const { return Vec2(mGrip.mWorld.m02, mGrip.mWorld.m12); }

  sObjEmitter* mElapsed = nullptr;  // "effElapsed"
  sObjSound* mMoveHor = nullptr;    // "soundMoveHor"
  sObjSound* mMoveVert = nullptr;   // "soundMoveVert"
  NodeBindingMap mBindings;
  SceneNode mWater;
  TravelNode mArm;
  RotateNode mSwing;
  OffsetNode mThread;
  TravelNode mDrop;
  SceneNode mHand;
  SceneNode mGrip;
  std::vector<std::unique_ptr<StoneNode>> mStones;
  std::vector<std::unique_ptr<FishNode>> mFish;
  sObjSprite* mHandSprite = nullptr;
  sObjSlider* mThreadSlider = nullptr;
  float mThreadFillWidth = 1.0f;

 private:
  void ScareFish(int x, int y);
  bool Hits(const TravelNode& node, Vec2 point) const;
  void TakeOnGrip(TravelNode& node, const char* sound);
  void ArmStopped();
  void DropStopped();
  void Release();

  std::vector<Timeline*> mStopped;  // stops reported during the tree update
  bool mInTreeUpdate = false;
};

}  // namespace Kivo
