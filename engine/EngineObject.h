// The engine object, sObj: the base of everything a screen, dialog, HUD or
// level shows or plays. It is a named quadrilateral in the game's logical
// screen coordinates (y down, corners clockwise from top left) with a colour,
// a visibility flag, the property list of its scene record, a parent and an
// active child (the input-focus link), a listener it reports to, and the
// state of the one keyframe animation it may be playing.
//
// Owners drive objects through the 40 virtual operations below: Update and
// Draw on every object each tick and frame, moves and keys to every object,
// clicks and wheel turns only to the scene root's active child. Kinds
// override a few of them and add their own after them.
//
// Playback keeps the current animation and its key pair as indices into the
// object's own definitions, so a copy of a playing object plays on its own
// copies. Links of an animation reach only objects that implement
// AnimEffectTarget (emitters) or AnimSoundTarget (sounds); other objects a
// link names are left alone. Nothing here fails: an unknown animation name,
// or a definition with rate 0, leaves the object idle.
#pragma once

#include <string>
#include <vector>

#include "engine/AnimDef.h"
#include "engine/GameUtils.h"
#include "engine/PropertyList.h"

namespace Kivo {

class Graphics;
class sObjCamera;
namespace Scene {
class ObjEntity;
}

// What engine objects report to their owner; every operation does nothing
// unless overridden. Names and texts are passed by value, so a receiver may
// change the object that reported.
class ObjEventListener {
 public:
  virtual void OnButtonClick(std::string name) {}
  virtual void OnButtonAction(std::string name) {}
  virtual void OnToggle(std::string name, bool on) {}
  virtual void OnSlider(std::string name, float value) {}
  virtual void OnListSelect(std::string name, std::wstring row) {}
  // Click count 1 for a selection, 2 for a double click on the current picture.
  virtual void OnCarouselSelect(std::string name, std::string picture, int clickCount) {}
  // After the object's animation state is cleared: may start another one.
  virtual void OnAnimationEnd(std::string name, std::string animation) {}
  virtual void OnMessage(std::string text) {}

 protected:
  // Owners are never deleted through their listener interface.
  ~ObjEventListener() = default;
};

// The operations an animation's effect links call on their target (the
// emitter kind implements them).
class AnimEffectTarget {
 public:
  virtual void StartAt(Vec2 point) = 0;
  // Starts at the point's present position; later restarts follow it.
  virtual void StartFollowing(const Vec2* point) = 0;
  virtual void Stop() = 0;

 protected:
  ~AnimEffectTarget() = default;
};

// The operation an animation's sound links call on their target (the sound
// kind implements it).
class AnimSoundTarget {
 public:
  virtual void Play() = 0;

 protected:
  ~AnimSoundTarget() = default;
};

// "No current animation" and "no key" in the index fields.
constexpr int kNoAnimation = -1;
constexpr int kNoKey = -1;

class sObj {
 public:
  sObj() = default;
  sObj(const sObj&) = default;
  sObj& operator=(const sObj&) = default;
  // Kinds are deleted through sObj pointers; ReleaseImages runs before.
  virtual ~sObj() = default;

  virtual int GetIndex();
  virtual void SetIndex(int index);
  // The base part every kind's override ends with: reloads the animations
  // from the properties, resets the display quad and starts "_sAnimYet".
  virtual void ApplyProperties();
  virtual void FitToImage();
  virtual void OnCreated();
  virtual void ReleaseImages();
  virtual void SetListener(ObjEventListener* listener);
  // Draws nothing; keeps the display quad on the current pose.
  virtual void Draw(Graphics* g);
  virtual void MouseMove(int x, int y);
  virtual bool MouseDown(int x, int y, int clickCount);
  virtual bool MouseUp(int x, int y, int clickCount);
  virtual void MouseWheel(int x, int y, int delta);
  virtual void KeyUp(int key);
  virtual void KeyDown(int key);
  virtual void KeyChar(wchar_t c);
  virtual void SetVisible(bool visible);
  virtual bool TakeParentFocus();
  // Called on the current active child: hands the focus to other when it
  // has the same parent.
  virtual bool PassParentFocus(sObj* other);
  virtual void UpdateCentre();
  virtual void UpdateDisplayCentre();
  virtual void SetAlpha(int alpha);
  virtual void MouseDrag(int x, int y);
  virtual void MoveTo(Vec2 point);
  virtual void MoveBy(Vec2 delta);

  // Playback (ObjectAnimation.cpp).
  virtual void Update(int ticks);
  virtual void PlayAnimation(std::string name);
  virtual void PlayAnimationMode(std::string name, int mode);
  virtual AnimDef* FindAnimation(const std::string& name);
  virtual bool HasAnimation(const std::string& name);
  virtual void StopAnimation();
  // Moves from/to (key-list indices of def) on to the step that starts at
  // frame; nothing changes when no key stands there.
  virtual void NextKey(const AnimDef& def, int& fromKey, int& toKey, int& frame, int direction);
  virtual void InterpolateKeys(const Keyframe& from, const Keyframe& to, Keyframe& out, float t);
  virtual void ApplyKey(const Keyframe& key);
  // Rebuilds the own animations and the autoplay name from the properties.
  virtual void LoadAnimations();
  virtual void TransformQuad(Vec2 pivot, Vec2 centre, Quad& quad, const Keyframe& key);
  virtual void TransformAttached(Vec2 pivot, const Keyframe& key);
  virtual void ApplyCurrentPose();
  virtual void SetPoseFromAnimation(const std::string& name);
  virtual void FinishAnimation();
  virtual void StartKeyWait();

  // The playing definition, or null.
  AnimDef* CurrentAnimation();
  const AnimDef* CurrentAnimation() const;
  bool IsPlaying() const { return mCurrentAnim != kNoAnimation; }

  std::string mName;
  Quad mBaseQuad;
  Vec2 mCentre;
  int mTypeCode = 0;
  PropertyList mProperties;
  sObj* mParent = nullptr;       // not owned
  sObj* mActiveChild = nullptr;  // not owned
  bool mVisible = true;
  int mRed = 255;
  int mGreen = 255;
  int mBlue = 255;
  int mAlpha = 255;
  int mIndex = 0;
  ObjEventListener* mListener = nullptr;     // not owned
  sObjCamera* mCamera = nullptr;             // not owned
  Scene::ObjEntity* mSceneEntity = nullptr;  // not owned
  Quad mDisplayQuad;
  Vec2 mDisplayCentre;

  // Animation state: indices into mAnimations and its key list.
  int mCurrentAnim = kNoAnimation;
  std::string mAutoplayName;
  int mMode = kAnimIdle;
  int mFrame = 0;
  int mFromKey = kNoKey;
  int mToKey = kNoKey;
  int mPairAnim = kNoAnimation;  // the definition whose keys the pair indexes
  float mSecondsPerFrame = 0.0f;
  int mDirection = 1;
  std::vector<AnimDef> mAnimations;
  CountdownTimer mKeyTimer;
  CountdownTimer mCycleTimer;
  CountdownTimer mWaitTimer;
  std::vector<sObj*> mAttached;  // not owned
};

}  // namespace Kivo
