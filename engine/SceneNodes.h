// Tick timelines, tweens and 2-D scene node trees: the small transform
// hierarchies of the balance and aquarium games (a tilting beam, pans that
// hang from it and stay upright, weights riding on them), and the binding
// that writes a node's world transform into an engine object's corners.
//
// A timeline counts whole update ticks (FloatTimeline counts seconds) and
// reports started, stopped, looped, ended, stepped, paused and resumed to a
// listener. A tween is a timeline that moves one float to a target; the
// swing tween follows its first leg with three damped ones. Nodes compose
// their local transform on the left of the identity and rebuild their world
// matrix, parents first, only when marked dirty. Nothing here fails or
// allocates on an update; nodes never own or delete each other.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "engine/GameMath.h"
#include "shell/base/Matrix.h"

namespace Kivo {

class sObj;

enum TimelineEvent : int {
  kTimelineStarted = 0,
  kTimelineStopped = 1,
  kTimelineLooped = 2,  // also sent once at every start
  kTimelineEnded = 3,
  kTimelineStepped = 4,
  kTimelinePaused = 5,
  kTimelineResumed = 6,
};

enum TimelineFlag : unsigned char {
  kTimelinePlaying = 1,
  kTimelinePausedFlag = 2,
  kTimelineLoop = 4,
  kTimelineEndedFlag = 8,
};

template <typename T>
class BasicTimeline;

template <typename T>
class BasicTimelineListener {
 public:
  virtual void OnTimelineEvent(BasicTimeline<T>& timeline, int event, int arg) = 0;

 protected:
  ~BasicTimelineListener() = default;
};

// T is int (ticks) for Timeline and float (seconds) for FloatTimeline.
template <typename T>
class BasicTimeline {
 public:
  virtual ~BasicTimeline() = default;

  virtual void Step(T amount);
  // Ends playback at once (resuming first when paused); nothing when idle.
  void Stop();
  void Pause();
  void Resume();

  bool IsPlaying() const { return (mFlags & kTimelinePlaying) != 0; }
  bool IsPaused() const { return (mFlags & kTimelinePausedFlag) != 0; }
  void SetLoop(bool loop);

  T mElapsed = 0;
  T mDuration = 0;
  unsigned char mFlags = 0;
  BasicTimelineListener<T>* mListener = nullptr;  // not owned

 protected:
  virtual void OnStep(T amount) { Send(kTimelineStepped); }
  virtual void OnStart() { Send(kTimelineStarted); }
  virtual void OnStop() { Send(kTimelineStopped); }
  virtual void OnLoop();
  virtual void OnEnd();
  virtual void OnPause();
  virtual void OnResume();

  void Send(int event);
  // Playing, not paused, from elapsed; then started and (unless told not to)
  // looped.
  void Begin(T elapsed, bool sendLoop);
};

using Timeline = BasicTimeline<int>;
using TimelineListener = BasicTimelineListener<int>;
using FloatTimelineListener = BasicTimelineListener<float>;

class FloatTimeline : public BasicTimeline<float> {
 public:
  // A positive duration replaces the stored one; false (nothing starts)
  // when the duration is then not above 0.
  bool Start(float duration);
  // As Start, from elapsed; the loop event only when elapsed is about 0.
  bool StartAt(float duration, float elapsed);
};

class SceneNode;

// Moves mValue to a target over a number of ticks; marks its node dirty as
// the value changes.
class Tween : public Timeline {
 public:
  explicit Tween(SceneNode* node = nullptr) : mNode(node) {}

  // Starts a move from the present value; n = 0 reuses the last duration
  // with a step of 0, and nothing starts when there never was one.
  void To(float target, int ticks);

  float mValue = 0.0f;
  float mStart = 0.0f;
  float mTarget = 0.0f;
  float mStepPerTick = 0.0f;
  int mSwingCount = 0;
  float mAmplitude = 0.0f;
  SceneNode* mNode = nullptr;  // not owned

 protected:
  void OnStep(int ticks) override;
  void OnLoop() override;
  void OnEnd() override;
  void MarkNode();
};

// A damped swing: legs to +A, -0.6 A, +0.2 A and 0, then a stopped event.
class SwingTween : public Tween {
 public:
  using Tween::Tween;
  static constexpr int kLegs = 4;
  void Start(float amplitude, int ticks);

 protected:
  void OnStop() override;
};

// Told of each node whose world matrix was just rebuilt.
class NodeUpdateHook {
 public:
  virtual void OnNodeUpdate(SceneNode* node) = 0;

 protected:
  ~NodeUpdateHook() = default;
};

enum SceneNodeFlag : unsigned char { kNodeDirty = 1 };

class SceneNode {
 public:
  SceneNode() = default;
  // Copies every field; the child list holds the same pointers.
  SceneNode(const SceneNode&) = default;
  SceneNode& operator=(const SceneNode&) = default;
  virtual ~SceneNode() = default;

  virtual void Update() {}
  // Composes the local transform onto matrix (identity on entry).
  virtual void BuildLocal(Matrix3& matrix);

  void AddChild(SceneNode* child);
  bool RemoveChild(SceneNode* child);
  // This node and every descendant.
  void MarkDirty();
  void UpdateTree();
  void Reset();

  unsigned char mFlags = 0;
  Matrix3 mWorld;
  std::vector<SceneNode*> mChildren;  // not owned
  SceneNode* mParent = nullptr;       // not owned
  float mX = 0.0f;
  float mY = 0.0f;
  NodeUpdateHook* mHook = nullptr;  // not owned
};

// Turns about its position by the swing tween's value, in degrees.
class RotateNode : public SceneNode {
 public:
  RotateNode();
  RotateNode(const RotateNode& other);
  RotateNode& operator=(const RotateNode& other);

  void Update() override;
  void BuildLocal(Matrix3& matrix) override;
  float Angle() const { return mAngle.mValue; }

  SwingTween mAngle;
};

// Hangs under a RotateNode whose parent rotates too and cancels both turns,
// so what it carries stays upright. A missing rotating parent or
// grandparent counts as an angle of 0.
class PivotNode : public SceneNode {
 public:
  void BuildLocal(Matrix3& matrix) override;

  float mPivotX = 0.0f;
  float mPivotY = 0.0f;
  float mOwnerValue1 = 0.0f;
  float mOwnerValue2 = 80.0f;
};

class OffsetNode : public SceneNode {
 public:
  void BuildLocal(Matrix3& matrix) override;

  float mOffsetX = 0.0f;
  float mOffsetY = 0.0f;
  float mOwnerValue1 = 0.0f;
  float mOwnerValue2 = 0.0f;
};

// Writes a node's world transform into an object's corners, kept relative
// to the object's centre as it was when bound.
struct NodeBinding {
  sObj* mObject = nullptr;     // not owned
  SceneNode* mNode = nullptr;  // not owned
  Vec2 mCorners[4];

  void Make(SceneNode* node, sObj* object);
  void Apply();
};

class NodeBindingMap {
 public:
  // Replaces an earlier binding of the node.
  void Insert(SceneNode* node, sObj* object);
  NodeBinding* Find(SceneNode* node);
  // False when the node has no binding.
  bool Apply(SceneNode* node);
  std::size_t Size() const { return mBindings.size(); }

 private:
  std::map<SceneNode*, NodeBinding> mBindings;
};

}  // namespace Kivo
