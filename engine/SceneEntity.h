// The entities of XML scenes: a tree of 2-D transforms (position, pivot
// centre, scale, angle in radians), each with named clips of keyframes and a
// player that walks the current clip key pair by key pair in seconds,
// interpolating (optionally eased) and reporting started, stopped,
// restarted, end reached, key reached, step, paused and resumed to the
// scene graph above it. An ObjEntity drives an engine object's corners from
// its world transform.
//
// Entities own their children and clips; a key pair being played points
// into the current clip. Nothing here fails loudly: a clip that cannot play
// (fewer than two keys, no key at frame 0) makes Play return false and
// report nothing, and a frame time of 0 plays nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/SceneNodes.h"
#include "shell/base/Matrix.h"

namespace Kivo {

class sObj;

namespace Scene {

class Entity;
class SceneGraph;

enum EntityEvent : int {
  kClipStarted = 0,
  kClipStopped = 1,
  kClipRestarted = 2,
  kClipEndReached = 3,
  kKeyReached = 4,
  kClipStep = 5,
  kClipPaused = 6,
  kClipResumed = 7,
  kTransformUpdated = 8,
};

class AnimKey {
 public:
  virtual ~AnimKey() = default;

  virtual void SetDefaults();
  // Everything but the frame.
  virtual void CopyFrom(const AnimKey& src);
  // Frame (truncated), position, scale and angle from a to b at t; centre,
  // interp and acc stay as they are.
  virtual void Interpolate(const AnimKey& a, const AnimKey& b, float t);
  virtual bool SetAttribute(const std::string& name, const std::string& value);

  // Interpolate at t (t + 2 acc (1 - t)): acc 0.5 is linear.
  void InterpolateEased(const AnimKey& a, const AnimKey& b, float t, float acc);

  float mPositionX = 0.0f, mPositionY = 0.0f;
  float mCenterX = 0.0f, mCenterY = 0.0f;
  float mScaleX = 1.0f, mScaleY = 1.0f;
  float mAngle = 0.0f;
  int mFrame = -1;
  int mInterp = 1;
  float mAcc = 0.5f;
};

class AnimClip {
 public:
  explicit AnimClip(Entity* owner) : mOwner(owner) {}

  bool SetAttribute(const std::string& name, const std::string& value);
  // False when a key already stands at frame.
  bool InsertKey(int frame);
  AnimKey* KeyAt(int frame) const;
  // The key after the one at exactly frame; null without one there or when
  // it is the last.
  AnimKey* KeyAfter(int frame) const;
  // Moves every key to the spare list.
  void ClearKeys();
  std::size_t KeyCount() const { return mKeys.size(); }
  const std::vector<std::unique_ptr<AnimKey>>& Keys() const { return mKeys; }

  float mFrameTime = 0.2f;  // seconds per frame
  bool mLoop = false;
  std::string mId;
  Entity* mOwner;  // not owned

 private:
  std::vector<std::unique_ptr<AnimKey>> mKeys;  // ascending frames, one per frame
  std::vector<std::unique_ptr<AnimKey>> mSpare;
};

enum PlayerPending : unsigned char {
  kPendingStarted = 1,
  kPendingRestarted = 2,
  kPendingKeyReached = 4,
  kPendingEndReached = 8,
  kPendingStop = 16,
};

class AnimPlayer : public FloatTimelineListener {
 public:
  void Bind(Entity* entity);
  bool Play(bool loop);
  void Stop();
  void Rewind();
  void Pause() { mTimeline.Pause(); }
  void Resume() { mTimeline.Resume(); }
  void Step(float seconds) { mTimeline.Step(seconds); }
  // Ends playback without a word: the keys it points into are going away.
  void Halt();

  bool IsPlaying() const { return mTimeline.IsPlaying(); }
  bool IsPaused() const { return mTimeline.IsPaused(); }
  const AnimKey* Current() const { return mCurrent.get(); }

  void OnTimelineEvent(BasicTimeline<float>& timeline, int event, int arg) override;

  AnimKey* mKeyA = nullptr;  // keys of the current clip, not owned
  AnimKey* mKeyB = nullptr;
  FloatTimeline mTimeline;
  Entity* mOwner = nullptr;  // also the event target
  float mClipTime = 0.0f;
  float mBaseTime = 0.0f;
  unsigned char mPending = 0;
  bool mLoop = false;
  int mLoopCount = 0;

 private:
  void OnStarted();
  void OnStepped();
  void OnEnded();
  void OnStopped();
  bool StartPair(float elapsed);
  void PoseAt(float t);
  void PoseFrom(const AnimKey& key);
  void Send(int event);

  std::unique_ptr<AnimKey> mCurrent;
};

class Entity {
 public:
  Entity();
  Entity(const Entity&) = delete;
  Entity& operator=(const Entity&) = delete;
  virtual ~Entity();

  virtual void OnEvent(Entity* sender, int event);
  virtual std::unique_ptr<AnimKey> NewKey();
  virtual void SetTransform(const AnimKey& key);
  virtual void GetTransform(AnimKey& key) const;
  virtual void ResetTransform();
  // A tween from the present pose to key; false when nothing plays.
  virtual bool PlayClip(const AnimKey& key);
  virtual bool SetAttribute(const std::string& name, const std::string& value);
  virtual void Update(float seconds);
  virtual void BuildMatrix();
  virtual void AfterUpdate();

  // False (the child is not added) when a child of that name exists.
  bool AddChild(Entity* child);
  // Links the child at the end whatever its name: for trees built in code
  // whose children need not have names of their own.
  void AppendChild(Entity* child);
  Entity* FindByName(const std::string& name);
  void DeleteChildren();
  Entity* ChildNamed(const std::string& name) const;
  const std::vector<Entity*>& Children() const { return mChildren; }
  Entity* Parent() const { return mParent; }

  void UpdateRecursive(float seconds);
  void MarkDirtyRecursive();
  void SetGraphRecursive(SceneGraph* graph);
  void StopRecursive();
  void RewindRecursive();
  // Plays this entity's current clip, then every child that is not a slave.
  void PlayRecursive();

  AnimClip* FindClip(const std::string& name) const;
  AnimClip* GetOrCreateClip(const std::string& name);
  bool SelectClip(const std::string& name);
  AnimClip* CurrentClip() const { return mCurrentClip; }
  std::size_t ClipCount() const { return mClips.size(); }

  std::string mName;
  float mPositionX = 0.0f, mPositionY = 0.0f;
  float mCenterX = 0.0f, mCenterY = 0.0f;
  float mScaleX = 1.0f, mScaleY = 1.0f;
  float mAngle = 0.0f;
  AnimPlayer mPlayer;
  SceneGraph* mGraph = nullptr;  // not owned
  int mKind = 0;                 // 0 Entity, 1 ObjEntity
  bool mDirty = true;
  Matrix3 mWorld;
  bool mSlave = false;

 protected:
  void RemoveClips();

 private:
  std::vector<Entity*> mChildren;  // owned
  Entity* mParent = nullptr;       // not owned
  std::vector<std::unique_ptr<AnimClip>> mClips;
  AnimClip* mCurrentClip = nullptr;
};

// An entity that moves a bound engine object's corners.
class ObjEntity : public Entity {
 public:
  static constexpr int kKind = 1;
  ObjEntity() { mKind = kKind; }

  void ResetTransform() override;
  void AfterUpdate() override;
  // Binds object (null does nothing), keeping its corners relative to its
  // centre.
  void Attach(sObj* object);

  sObj* mObject = nullptr;  // not owned
  Vector2 mCorners[4];
};

}  // namespace Scene
}  // namespace Kivo
