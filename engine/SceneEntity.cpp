#include "engine/SceneEntity.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "engine/EngineObject.h"
#include "engine/SaturatingCast.h"
#include "engine/SceneGraph.h"
#include "shell/base/StringUtils.h"

namespace Kivo {
namespace Scene {

namespace {

bool ParseFloat(const std::string& text, float& out) {
  double value = 0.0;
  const bool ok = ParseDouble(text, value);
  out = ToFloatSaturating(value);
  return ok;
}

// Splits at ';' and blanks; empty pieces are dropped.
std::vector<std::string> PairTokens(const std::string& value) {
  std::vector<std::string> tokens;
  std::string token;
  for (char c : value) {
    if (c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!token.empty()) tokens.push_back(token);
      token.clear();
    } else {
      token.push_back(c);
    }
  }
  if (!token.empty()) tokens.push_back(token);
  return tokens;
}

bool ParsePair(const std::string& value, float& x, float& y) {
  const std::vector<std::string> tokens = PairTokens(value);
  bool xOk = false;
  bool yOk = false;
  double parsed = 0.0;
  if (tokens.size() > 0 && ParseDouble(tokens[0], parsed)) {
    x = ToFloatSaturating(parsed);
    xOk = true;
  }
  if (tokens.size() > 1 && ParseDouble(tokens[1], parsed)) {
    y = ToFloatSaturating(parsed);
    yOk = true;
  }
  return xOk && yOk;
}

}  // namespace

void AnimKey::SetDefaults() { *this = AnimKey(); }

void AnimKey::CopyFrom(const AnimKey& src) {
  mPositionX = src.mPositionX;
  mPositionY = src.mPositionY;
  mCenterX = src.mCenterX;
  mCenterY = src.mCenterY;
  mScaleX = src.mScaleX;
  mScaleY = src.mScaleY;
  mAngle = src.mAngle;
  mInterp = src.mInterp;
  mAcc = src.mAcc;
}

void AnimKey::Interpolate(const AnimKey& a, const AnimKey& b, float t) {
  mFrame = a.mFrame + TruncateToIntSaturating((static_cast<double>(b.mFrame) - a.mFrame) * t);
  mPositionX = a.mPositionX + (b.mPositionX - a.mPositionX) * t;
  mPositionY = a.mPositionY + (b.mPositionY - a.mPositionY) * t;
  mScaleX = a.mScaleX + (b.mScaleX - a.mScaleX) * t;
  mScaleY = a.mScaleY + (b.mScaleY - a.mScaleY) * t;
  mAngle = a.mAngle + (b.mAngle - a.mAngle) * t;
}

void AnimKey::InterpolateEased(const AnimKey& a, const AnimKey& b, float t, float acc) {
  Interpolate(a, b, t * (t + 2.0f * acc * (1.0f - t)));
}

bool AnimKey::SetAttribute(const std::string& name, const std::string& value) {
  if (name == "frame") return ParseInt(value, mFrame);
  if (name == "interp") return ParseInt(value, mInterp);
  if (name == "angle") {
    float angle = 0.0f;
    if (!ParseFloat(value, angle)) return false;
    mAngle = angle;
    return true;
  }
  if (name == "acc") return ParseFloat(value, mAcc);
  if (name == "position") return ParsePair(value, mPositionX, mPositionY);
  if (name == "center") return ParsePair(value, mCenterX, mCenterY);
  if (name == "scale") return ParsePair(value, mScaleX, mScaleY);
  return false;
}

bool AnimClip::SetAttribute(const std::string& name, const std::string& value) {
  if (name == "id") {
    mId = value;
    return true;
  }
  if (name == "frame_time_length" || name == "ftl") {
    ParseFloat(value, mFrameTime);
    return true;
  }
  if (name == "loop") {
    int loop = 0;
    ParseInt(value, loop);
    mLoop = loop != 0;
    return true;
  }
  return false;
}

bool AnimClip::InsertKey(int frame) {
  auto at = std::lower_bound(mKeys.begin(), mKeys.end(), frame,
                             [](const std::unique_ptr<AnimKey>& key, int f) { return key->mFrame < f; });
  if (at != mKeys.end() && (*at)->mFrame == frame) return false;
  std::unique_ptr<AnimKey> key;
  if (!mSpare.empty()) {
    key = std::move(mSpare.back());
    mSpare.pop_back();
  } else {
    key = mOwner->NewKey();
  }
  key->mFrame = frame;
  mKeys.insert(at, std::move(key));
  return true;
}

AnimKey* AnimClip::KeyAt(int frame) const {
  for (const auto& key : mKeys)
    if (key->mFrame == frame) return key.get();
  return nullptr;
}

AnimKey* AnimClip::KeyAfter(int frame) const {
  for (std::size_t i = 0; i < mKeys.size(); ++i) {
    if (mKeys[i]->mFrame != frame) continue;
    return i + 1 < mKeys.size() ? mKeys[i + 1].get() : nullptr;
  }
  return nullptr;
}

void AnimClip::ClearKeys() {
  for (auto& key : mKeys) mSpare.push_back(std::move(key));
  mKeys.clear();
}

void AnimPlayer::Bind(Entity* entity) {
  mOwner = entity;
  mCurrent = entity->NewKey();
  mTimeline.mListener = this;
}

void AnimPlayer::Send(int event) {
  if (mOwner) mOwner->OnEvent(mOwner, event);
}

bool AnimPlayer::Play(bool loop) {
  if (mTimeline.IsPlaying()) return false;
  AnimClip* clip = mOwner ? mOwner->CurrentClip() : nullptr;
  if (!clip || clip->KeyCount() < 2) return false;
  AnimKey* first = clip->KeyAt(0);
  AnimKey* next = clip->KeyAfter(0);
  if (!first || !next) return false;
  mKeyA = first;
  mKeyB = next;
  mClipTime = 0.0f;
  mBaseTime = 0.0f;
  mLoop = loop;
  mLoopCount = 0;
  mPending = kPendingStarted | kPendingRestarted | kPendingKeyReached;
  StartPair(0.0f);
  return true;
}

bool AnimPlayer::StartPair(float elapsed) {
  const AnimClip* clip = mOwner->CurrentClip();
  const float duration = clip->mFrameTime * static_cast<float>(static_cast<double>(mKeyB->mFrame) - mKeyA->mFrame);
  // A frame time of 0 plays nothing, whatever an earlier pair lasted.
  if (!(duration > 0.0f)) return false;
  return mTimeline.StartAt(duration, elapsed);
}

void AnimPlayer::Stop() {
  if (!mTimeline.IsPlaying()) return;
  mPending |= kPendingStop;
  if (mTimeline.IsPaused()) mTimeline.Resume();
  mTimeline.Stop();
}

void AnimPlayer::Rewind() {
  Stop();
  AnimClip* clip = mOwner ? mOwner->CurrentClip() : nullptr;
  if (!clip || clip->KeyCount() == 0) return;
  // Without a key at frame 0 the pose held last is set again.
  if (AnimKey* first = clip->KeyAt(0)) {
    mCurrent->CopyFrom(*first);
    mCurrent->mFrame = first->mFrame;
  }
  mOwner->SetTransform(*mCurrent);
  mClipTime = 0.0f;
}

void AnimPlayer::Halt() {
  mTimeline.mFlags = 0;
  mKeyA = nullptr;
  mKeyB = nullptr;
  mPending = 0;
}

void AnimPlayer::PoseAt(float t) {
  mCurrent->InterpolateEased(*mKeyA, *mKeyB, t, mKeyA->mAcc);
  mOwner->SetTransform(*mCurrent);
}

void AnimPlayer::PoseFrom(const AnimKey& key) {
  mCurrent->CopyFrom(key);
  mCurrent->mFrame = key.mFrame;
  mOwner->SetTransform(*mCurrent);
}

void AnimPlayer::OnTimelineEvent(BasicTimeline<float>& timeline, int event, int) {
  switch (event) {
    case kTimelineStarted: OnStarted(); break;
    case kTimelineStepped: OnStepped(); break;
    case kTimelineEnded: OnEnded(); break;
    case kTimelineStopped: OnStopped(); break;
    case kTimelinePaused: Send(kClipPaused); break;
    case kTimelineResumed: Send(kClipResumed); break;
    default: break;  // looped: nothing
  }
}

void AnimPlayer::OnStarted() {
  if (!mKeyA || !mKeyB) return;
  if (mTimeline.mElapsed >= 0.0001f && mKeyA->mInterp == 1)
    PoseAt(mTimeline.mElapsed / mTimeline.mDuration);
  else
    PoseFrom(*mKeyA);
  if (mPending & kPendingStarted) {
    mPending &= static_cast<unsigned char>(~(kPendingStarted | kPendingStop));
    Send(kClipStarted);
  }
  if (mPending & kPendingRestarted) {
    mPending &= static_cast<unsigned char>(~kPendingRestarted);
    mBaseTime = 0.0f;
    mClipTime = mTimeline.mElapsed;
    Send(kClipRestarted);
  }
  if (mPending & kPendingKeyReached) {
    mPending &= static_cast<unsigned char>(~kPendingKeyReached);
    Send(kKeyReached);
  }
}

void AnimPlayer::OnStepped() {
  if (mKeyA && mKeyB && mKeyA->mInterp == 1) PoseAt(std::min(mTimeline.mElapsed / mTimeline.mDuration, 1.0f));
  mClipTime = mBaseTime + mTimeline.mElapsed;
  Send(kClipStep);
}

void AnimPlayer::OnEnded() {
  AnimClip* clip = mOwner->CurrentClip();
  if (!clip || !mKeyB) return;
  if (AnimKey* next = clip->KeyAfter(mKeyB->mFrame)) {
    mKeyA = mKeyB;
    mKeyB = next;
    mBaseTime += mTimeline.mDuration;
    return;
  }
  PoseFrom(*mKeyB);
  mPending |= kPendingKeyReached | kPendingEndReached;
  if (mLoop) {
    mKeyA = clip->KeyAt(0);
    mKeyB = clip->KeyAfter(0);
    ++mLoopCount;
  } else {
    mKeyA = nullptr;
    mKeyB = nullptr;
    mPending |= kPendingStop;
  }
}

void AnimPlayer::OnStopped() {
  if (mPending & kPendingKeyReached) {
    mPending &= static_cast<unsigned char>(~kPendingKeyReached);
    Send(kKeyReached);
  }
  if (mPending & kPendingEndReached) {
    mPending &= static_cast<unsigned char>(~kPendingEndReached);
    if (mLoop) mPending |= kPendingRestarted;
    Send(kClipEndReached);
  }
  if (mPending & kPendingStop) {
    mPending &= static_cast<unsigned char>(~kPendingStop);
    Send(kClipStopped);
    return;
  }
  if (!mKeyA || !mKeyB || !mOwner->CurrentClip()) return;
  mPending |= kPendingKeyReached;
  StartPair(mTimeline.mElapsed - mTimeline.mDuration);
}

Entity::Entity() { mPlayer.Bind(this); }

Entity::~Entity() {
  DeleteChildren();
  if (mParent) {
    auto& siblings = mParent->mChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void Entity::OnEvent(Entity* sender, int event) {
  if (event >= kClipStarted && event <= kClipResumed && mGraph) mGraph->OnEntityEvent(this, event);
}

std::unique_ptr<AnimKey> Entity::NewKey() { return std::make_unique<AnimKey>(); }

void Entity::SetTransform(const AnimKey& key) {
  mPositionX = key.mPositionX;
  mPositionY = key.mPositionY;
  mCenterX = key.mCenterX;
  mCenterY = key.mCenterY;
  mScaleX = key.mScaleX;
  mScaleY = key.mScaleY;
  mAngle = key.mAngle;
  MarkDirtyRecursive();
}

void Entity::GetTransform(AnimKey& key) const {
  key.mPositionX = mPositionX;
  key.mPositionY = mPositionY;
  key.mCenterX = mCenterX;
  key.mCenterY = mCenterY;
  key.mScaleX = mScaleX;
  key.mScaleY = mScaleY;
  key.mAngle = mAngle;
}

void Entity::RemoveClips() {
  mPlayer.Halt();
  mCurrentClip = nullptr;
  mClips.clear();
}

void Entity::ResetTransform() {
  DeleteChildren();
  mPositionX = mPositionY = 0.0f;
  mCenterX = mCenterY = 0.0f;
  mScaleX = mScaleY = 1.0f;
  mAngle = 0.0f;
  RemoveClips();
  mSlave = false;
}

bool Entity::PlayClip(const AnimKey& key) {
  AnimClip* clip = mCurrentClip;
  if (!clip) return false;
  if (mPlayer.IsPlaying()) mPlayer.Stop();
  clip->ClearKeys();
  clip->InsertKey(0);
  GetTransform(*clip->KeyAt(0));
  clip->InsertKey(key.mFrame);
  clip->KeyAt(key.mFrame)->CopyFrom(key);
  mPlayer.Rewind();
  return mPlayer.Play(false);
}

bool Entity::SetAttribute(const std::string& name, const std::string& value) {
  if (name == "id") {
    mName = value;
    return true;
  }
  if (name == "slave") {
    int slave = 0;
    if (!ParseInt(value, slave)) return false;
    mSlave = slave != 0;
    return true;
  }
  return false;
}

void Entity::Update(float seconds) {
  mPlayer.Step(seconds);
  if (!mDirty) return;
  mWorld.LoadIdentity();
  BuildMatrix();
  if (mParent) mWorld = mParent->mWorld.Multiply(mWorld);
  AfterUpdate();
  mDirty = false;
}

void Entity::BuildMatrix() {
  mWorld.Translate(-mCenterX, -mCenterY);
  mWorld.RotateRadians(mAngle);
  mWorld.Scale(mScaleX, mScaleY);
  mWorld.Translate(mPositionX, mPositionY);
}

void Entity::AfterUpdate() {
  if (mGraph) mGraph->OnEntityEvent(this, kTransformUpdated);
}

bool Entity::AddChild(Entity* child) {
  if (ChildNamed(child->mName)) return false;
  AppendChild(child);
  return true;
}

void Entity::AppendChild(Entity* child) {
  child->mParent = this;
  mChildren.push_back(child);
}

Entity* Entity::ChildNamed(const std::string& name) const {
  for (Entity* child : mChildren)
    if (child->mName == name) return child;
  return nullptr;
}

Entity* Entity::FindByName(const std::string& name) {
  if (mName == name) return this;
  for (Entity* child : mChildren)
    if (Entity* found = child->FindByName(name)) return found;
  return nullptr;
}

void Entity::DeleteChildren() {
  std::vector<Entity*> children;
  children.swap(mChildren);
  for (Entity* child : children) {
    child->mParent = nullptr;
    delete child;
  }
}

// The recursions walk by index: a listener told of an event may not delete
// entities, but it may add clips or keys, which never touches the lists.
void Entity::UpdateRecursive(float seconds) {
  Update(seconds);
  for (std::size_t i = 0; i < mChildren.size(); ++i) mChildren[i]->UpdateRecursive(seconds);
}

void Entity::MarkDirtyRecursive() {
  mDirty = true;
  for (Entity* child : mChildren) child->MarkDirtyRecursive();
}

void Entity::SetGraphRecursive(SceneGraph* graph) {
  mGraph = graph;
  for (Entity* child : mChildren) child->SetGraphRecursive(graph);
}

void Entity::StopRecursive() {
  mPlayer.Stop();
  for (std::size_t i = 0; i < mChildren.size(); ++i) mChildren[i]->StopRecursive();
}

void Entity::RewindRecursive() {
  mPlayer.Rewind();
  for (std::size_t i = 0; i < mChildren.size(); ++i) mChildren[i]->RewindRecursive();
}

void Entity::PlayRecursive() {
  if (mCurrentClip) mPlayer.Play(mCurrentClip->mLoop);
  for (std::size_t i = 0; i < mChildren.size(); ++i)
    if (!mChildren[i]->mSlave) mChildren[i]->PlayRecursive();
}

AnimClip* Entity::FindClip(const std::string& name) const {
  for (const auto& clip : mClips)
    if (clip->mId == name) return clip.get();
  return nullptr;
}

AnimClip* Entity::GetOrCreateClip(const std::string& name) {
  if (AnimClip* found = FindClip(name)) return found;
  mClips.push_back(std::make_unique<AnimClip>(this));
  AnimClip* clip = mClips.back().get();
  clip->mId = name;
  if (!mCurrentClip) mCurrentClip = clip;
  return clip;
}

bool Entity::SelectClip(const std::string& name) {
  if (mPlayer.IsPlaying()) mPlayer.Stop();
  if (mClips.empty()) {
    mCurrentClip = nullptr;
    return false;
  }
  if (name.empty()) {
    mCurrentClip = mClips.front().get();
    return true;
  }
  mCurrentClip = FindClip(name);
  return mCurrentClip != nullptr;
}

void ObjEntity::ResetTransform() {
  Entity::ResetTransform();
  mObject = nullptr;
  for (Vector2& corner : mCorners) corner = Vector2();
}

void ObjEntity::AfterUpdate() {
  if (mObject) {
    for (int i = 0; i < 4; ++i) mObject->mBaseQuad.corner[i] = mWorld.TransformPoint(mCorners[i]);
    mObject->UpdateCentre();
    mObject->mDisplayQuad = mObject->mBaseQuad;
    mObject->mDisplayCentre = mObject->mCentre;
  }
  Entity::AfterUpdate();
}

void ObjEntity::Attach(sObj* object) {
  if (!object) return;
  mObject = object;
  for (int i = 0; i < 4; ++i) {
    mCorners[i] =
        Vector2(object->mBaseQuad.corner[i].x - object->mCentre.x, object->mBaseQuad.corner[i].y - object->mCentre.y);
  }
}

}  // namespace Scene
}  // namespace Kivo
