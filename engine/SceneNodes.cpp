#include "engine/SceneNodes.h"

#include <algorithm>

#include "engine/EngineObject.h"

namespace Kivo {

template <typename T>
void BasicTimeline<T>::Send(int event) {
  if (mListener) mListener->OnTimelineEvent(*this, event, 0);
}

template <typename T>
void BasicTimeline<T>::Step(T amount) {
  if (!IsPlaying() || IsPaused()) return;
  mElapsed += amount;
  OnStep(amount);
  if (mElapsed < mDuration) return;
  OnEnd();
  if (mFlags & kTimelineLoop) {
    // One wrap per step: a step longer than two periods still ends once.
    mElapsed -= mDuration;
    OnLoop();
  } else {
    Stop();
  }
}

template <typename T>
void BasicTimeline<T>::Stop() {
  if (!IsPlaying()) return;
  if (IsPaused()) OnResume();
  mFlags &= static_cast<unsigned char>(~kTimelinePlaying);
  OnStop();
}

template <typename T>
void BasicTimeline<T>::Pause() {
  if (IsPlaying() && !IsPaused()) OnPause();
}

template <typename T>
void BasicTimeline<T>::Resume() {
  if (IsPaused()) OnResume();
}

template <typename T>
void BasicTimeline<T>::SetLoop(bool loop) {
  if (loop)
    mFlags |= kTimelineLoop;
  else
    mFlags &= static_cast<unsigned char>(~kTimelineLoop);
}

template <typename T>
void BasicTimeline<T>::OnLoop() {
  mFlags &= static_cast<unsigned char>(~kTimelineEndedFlag);
  Send(kTimelineLooped);
}

template <typename T>
void BasicTimeline<T>::OnEnd() {
  mFlags |= kTimelineEndedFlag;
  Send(kTimelineEnded);
}

template <typename T>
void BasicTimeline<T>::OnPause() {
  mFlags |= kTimelinePausedFlag;
  Send(kTimelinePaused);
}

template <typename T>
void BasicTimeline<T>::OnResume() {
  mFlags &= static_cast<unsigned char>(~kTimelinePausedFlag);
  Send(kTimelineResumed);
}

template <typename T>
void BasicTimeline<T>::Begin(T elapsed, bool sendLoop) {
  mFlags |= kTimelinePlaying;
  mFlags &= static_cast<unsigned char>(~kTimelinePausedFlag);
  mElapsed = elapsed;
  OnStart();
  if (sendLoop) OnLoop();
}

template class BasicTimeline<int>;
template class BasicTimeline<float>;

bool FloatTimeline::Start(float duration) { return StartAt(duration, 0.0f); }

bool FloatTimeline::StartAt(float duration, float elapsed) {
  if (duration > 0.0f) mDuration = duration;
  if (!(mDuration > 0.0f)) return false;
  Begin(elapsed, elapsed <= 0.0001f);
  return true;
}

void Tween::To(float target, int ticks) {
  mTarget = target;
  mStepPerTick = ticks == 0 ? 0.0f : (target - mValue) / static_cast<float>(ticks);
  mStart = mValue;
  if (ticks > 0) mDuration = ticks;
  if (mDuration <= 0) return;
  Begin(0, true);
}

void Tween::MarkNode() {
  if (mNode) mNode->MarkDirty();
}

void Tween::OnStep(int ticks) {
  mValue += static_cast<float>(ticks) * mStepPerTick;
  MarkNode();
}

void Tween::OnLoop() {
  mValue = static_cast<float>(mElapsed) * mStepPerTick + mStart;
  Timeline::OnLoop();
}

void Tween::OnEnd() {
  mValue = mTarget;
  MarkNode();
  Timeline::OnEnd();
}

namespace {
constexpr float kSwingMultipliers[SwingTween::kLegs] = {1.0f, -0.6f, 0.2f, 0.0f};
}

void SwingTween::Start(float amplitude, int ticks) {
  mAmplitude = amplitude;
  mSwingCount = 0;
  To(amplitude, ticks);
}

void SwingTween::OnStop() {
  ++mSwingCount;
  if (mSwingCount < kLegs) {
    To(kSwingMultipliers[mSwingCount] * mAmplitude, mDuration);
    return;
  }
  Send(kTimelineStopped);
}

void SceneNode::BuildLocal(Matrix3& matrix) { matrix.Translate(mX, mY); }

void SceneNode::AddChild(SceneNode* child) {
  child->mParent = this;
  mChildren.push_back(child);
}

bool SceneNode::RemoveChild(SceneNode* child) {
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it == mChildren.end()) return false;
  mChildren.erase(it);
  child->mParent = nullptr;
  return true;
}

void SceneNode::MarkDirty() {
  mFlags |= kNodeDirty;
  for (SceneNode* child : mChildren) child->MarkDirty();
}

void SceneNode::UpdateTree() {
  Update();
  if (mFlags & kNodeDirty) {
    mWorld.LoadIdentity();
    BuildLocal(mWorld);
    if (mParent) mWorld = mParent->mWorld.Multiply(mWorld);
    if (mHook) mHook->OnNodeUpdate(this);
    mFlags &= static_cast<unsigned char>(~kNodeDirty);
  }
  for (SceneNode* child : mChildren) child->UpdateTree();
}

void SceneNode::Reset() {
  mFlags = 0;
  mWorld.LoadIdentity();
  mParent = nullptr;
  mChildren.clear();
  mHook = nullptr;
  mX = 0.0f;
  mY = 0.0f;
}

RotateNode::RotateNode() : mAngle(this) {
  mAngle.mStepPerTick = 1.0f;
  mAngle.mAmplitude = 1.0f;
}

RotateNode::RotateNode(const RotateNode& other) : SceneNode(other), mAngle(other.mAngle) { mAngle.mNode = this; }

RotateNode& RotateNode::operator=(const RotateNode& other) {
  SceneNode::operator=(other);
  mAngle = other.mAngle;
  mAngle.mNode = this;
  return *this;
}

void RotateNode::Update() { mAngle.Step(1); }

void RotateNode::BuildLocal(Matrix3& matrix) {
  matrix.RotateDegrees(mAngle.mValue);
  matrix.Translate(mX, mY);
}

namespace {
float RotationOf(const SceneNode* node) {
  const auto* rotating = dynamic_cast<const RotateNode*>(node);
  return rotating ? rotating->Angle() : 0.0f;
}
}  // namespace

void PivotNode::BuildLocal(Matrix3& matrix) {
  const float parentAngle = RotationOf(mParent);
  const float grandparentAngle = mParent ? RotationOf(mParent->mParent) : 0.0f;
  matrix.Translate(mPivotX, mPivotY);
  matrix.RotateDegrees(-(parentAngle + grandparentAngle));
  matrix.Translate(mX, mY);
}

void OffsetNode::BuildLocal(Matrix3& matrix) {
  matrix.Translate(mOffsetX, mOffsetY);
  matrix.Translate(mX, mY);
}

void NodeBinding::Make(SceneNode* node, sObj* object) {
  mNode = node;
  mObject = object;
  for (int i = 0; i < 4; ++i) {
    mCorners[i] =
        Vec2(object->mBaseQuad.corner[i].x - object->mCentre.x, object->mBaseQuad.corner[i].y - object->mCentre.y);
  }
}

void NodeBinding::Apply() {
  if (!mObject || !mNode) return;
  for (int i = 0; i < 4; ++i) mObject->mBaseQuad.corner[i] = mNode->mWorld.TransformPoint(mCorners[i]);
  mObject->UpdateCentre();
  mObject->mDisplayQuad = mObject->mBaseQuad;
  mObject->UpdateDisplayCentre();
}

void NodeBindingMap::Insert(SceneNode* node, sObj* object) {
  NodeBinding binding;
  binding.Make(node, object);
  mBindings[node] = binding;
}

NodeBinding* NodeBindingMap::Find(SceneNode* node) {
  auto it = mBindings.find(node);
  return it == mBindings.end() ? nullptr : &it->second;
}

bool NodeBindingMap::Apply(SceneNode* node) {
  NodeBinding* binding = Find(node);
  if (!binding) return false;
  binding->Apply();
  return true;
}

}  // namespace Kivo
