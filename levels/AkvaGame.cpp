#include "levels/AkvaGame.h"

#include <algorithm>

#include "engine/KeyframeTrack.h"
#include "engine/SceneLoader.h"
#include "levels/DataFormat.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"

namespace Kivo {

namespace {

constexpr float kDefaultDistance = 600.0f;
constexpr float kDefaultFishSpeed = 0.1f;
constexpr float kFleeStep = 100.0f;
const Vec2 kElapsedPoint(186.0f, 14.0f);

bool HasPrefix(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

float DecimalProperty(const sObj& object, const std::string& key, float fallback) {
  double value = 0.0;
  if (!ParseDouble(object.mProperties.GetProperty(key), value)) return fallback;
  return static_cast<float>(value);
}

MemoryImage* ImageOf(const sObj* object) {
  auto* sprite = dynamic_cast<const sObjSprite*>(object);
  return sprite != nullptr ? sprite->GetImage() : nullptr;
}

}  // namespace

// --- travel nodes -----------------------------------------------------------

void TravelTimeline::OnStep(int ticks) {
  mNode->mX += static_cast<float>(ticks) * mNode->mVelocity.x;
  mNode->mY += static_cast<float>(ticks) * mNode->mVelocity.y;
  mNode->MarkDirty();
  mNode->OnTweenStep();
  Timeline::OnStep(ticks);
}

void TravelTimeline::OnLoop() {
  mNode->mX = mNode->mStart.x + static_cast<float>(mElapsed) * mNode->mVelocity.x;
  mNode->mY = mNode->mStart.y + static_cast<float>(mElapsed) * mNode->mVelocity.y;
  Timeline::OnLoop();
}

void TravelTimeline::OnEnd() {
  mNode->mX = mNode->mTarget.x;
  mNode->mY = mNode->mTarget.y;
  mNode->MarkDirty();
  Timeline::OnEnd();
}

void TravelTimeline::OnStop() {
  Timeline::OnStop();
  mNode->OnTweenStop();
}

void TravelNode::MoveTo(float x, float y, int ticks) {
  mTarget = Vec2(x, y);
  mVelocity =
      ticks == 0 ? Vec2(0.0f, 0.0f) : Vec2((x - mX) / static_cast<float>(ticks), (y - mY) / static_cast<float>(ticks));
  mStart = Vec2(mX, mY);
  if (ticks > 0) mTween.mDuration = ticks;
  if (mTween.mDuration > 0) mTween.Restart();
}

void TravelNode::MoveToAtSpeed(float x, float y, float speed) {
  const float pace = speed < 0.0f ? -speed : speed;
  int ticks = 0;
  if (pace > 0.0f) {
    const float t = Vec2::Distance(Vec2(x, y), Vec2(mX, mY)) / pace;
    ticks = t < 1.0e9f ? static_cast<int>(t) : 1000000000;
  }
  MoveTo(x, y, ticks);
}

void StoneNode::BuildLocal(Matrix3& matrix) {
  matrix.RotateDegrees(1.0f);
  matrix.Translate(mX, mY);
}

void FishNode::BuildLocal(Matrix3& matrix) {
  if (mVelocity.x > 0.0f) matrix.Scale(-1.0f, 1.0f);
  matrix.Translate(mX, mY);
}

void FishNode::Wander() {
  mFleeing = false;
  const float x = RandomFloat(mArea[2]) + mArea[0];
  const float y = RandomFloat(mArea[3]) + mArea[1];
  MoveToAtSpeed(x, y, mWanderSpeed);
}

void FishNode::FleeFrom(float px, float py) {
  const float dx = mX - px;
  const float dy = mY - py;
  if (dx * dx + dy * dy > mFleeDistance * mFleeDistance) return;
  mFleeing = true;
  MoveToAtSpeed(dx > 0.0f ? mX + kFleeStep : mX - kFleeStep, mY, mFleeSpeed);
}

void FishNode::OnTweenStep() {
  if (mX >= mArea[0] && mX < mArea[0] + mArea[2] && mY >= mArea[1] && mY < mArea[1] + mArea[3]) {
    mOutside = false;
    return;
  }
  if (mOutside) return;
  mOutside = true;
  if (mFleeing) FleeFrom(mX + mVelocity.x, mY + mVelocity.y);
}

// --- the game ---------------------------------------------------------------

AkvaGame::AkvaGame() {
  mArm.mX = 740.0f;
  mArm.mY = 70.0f;
  mArm.mP0 = Vec2(740.0f, 70.0f);
  mArm.mP1 = Vec2(10.0f, 70.0f);
  mArm.mTravelTicks = kArmTicks;
  mSwing.mY = 11.0f;
  mDrop.mY = 40.0f;
  mDrop.mP0 = Vec2(0.0f, 40.0f);
  mDrop.mP1 = Vec2(0.0f, 390.0f);
  mDrop.mTravelTicks = kDropTicks;
  mGrip.mY = 20.0f;
  mThread.mY = 3.0f;
  mThread.mOffsetY = -0.5f;
  mWater.AddChild(&mArm);
  mArm.AddChild(&mSwing);
  mSwing.AddChild(&mDrop);
  mDrop.AddChild(&mHand);
  mDrop.AddChild(&mThread);
  mHand.AddChild(&mGrip);
  for (SceneNode* node :
       {static_cast<SceneNode*>(&mWater), static_cast<SceneNode*>(&mArm), static_cast<SceneNode*>(&mSwing),
        static_cast<SceneNode*>(&mThread), static_cast<SceneNode*>(&mDrop), static_cast<SceneNode*>(&mHand),
        static_cast<SceneNode*>(&mGrip)}) {
    node->mHook = this;
  }
  mArm.mTween.mListener = this;
  mDrop.mTween.mListener = this;
  mSwing.mAngle.mListener = this;
}

AkvaGame::~AkvaGame() {
  for (auto& stone : mStones) {
    if (stone->mParent != nullptr) stone->mParent->RemoveChild(stone.get());
  }
  for (auto& fish : mFish) {
    if (fish->mParent != nullptr) fish->mParent->RemoveChild(fish.get());
  }
}

int AkvaGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mMoveHor = FindSound(*this, "soundMoveHor");
  mMoveVert = FindSound(*this, "soundMoveVert");
  if (levelObjects == nullptr) return 0;
  mElapsed = dynamic_cast<sObjEmitter*>(FindObjectByName(*levelObjects, "effElapsed"));

  std::string wrong;
  bool arm = false;
  for (sObj* object : *levelObjects) {
    const std::string& name = object->mName;
    if (HasPrefix(name, "sprStone")) {
      if (ImageOf(object) == nullptr) {
        if (wrong.empty()) wrong = "stone \"" + name + "\" has no image";
        continue;
      }
      auto stone = std::make_unique<StoneNode>();
      stone->mX = object->mCentre.x;
      stone->mY = object->mCentre.y;
      stone->mLayY = object->mCentre.y;
      stone->mObject = object;
      stone->mHook = this;
      stone->mTween.mListener = this;
      mWater.AddChild(stone.get());
      mBindings.Insert(stone.get(), object);
      mStones.push_back(std::move(stone));
    } else if (HasPrefix(name, "sprFish")) {
      auto fish = std::make_unique<FishNode>();
      fish->mX = object->mCentre.x;
      fish->mY = object->mCentre.y;
      fish->mWanderSpeed = DecimalProperty(*object, "_fFishSpeed", kDefaultFishSpeed);
      fish->mObject = object;
      fish->mHook = this;
      fish->mTween.mListener = this;
      mWater.AddChild(fish.get());
      mBindings.Insert(fish.get(), object);
      fish->Wander();
      mFish.push_back(std::move(fish));
    } else if (name == "sprArm") {
      mArm.mX = object->mCentre.x;
      mArm.mY = object->mCentre.y;
      mArm.mObject = object;
      mBindings.Insert(&mArm, object);
      mArm.mP0 = Vec2(mArm.mX, mArm.mY);
      mArm.mP1 = Vec2(mArm.mX - DecimalProperty(*object, "_fDistance", kDefaultDistance), mArm.mY);
      arm = true;
    } else if (name == "sprHand") {
      mHandSprite = dynamic_cast<sObjSprite*>(object);
      MemoryImage* image = ImageOf(object);
      if (image == nullptr) {
        if (wrong.empty()) wrong = "\"sprHand\" has no image";
        mHandSprite = nullptr;
        continue;
      }
      mHand.mY = static_cast<float>(image->GetCellHeight()) / 2.0f;
      mBindings.Insert(&mHand, object);
      mDrop.mY = object->mCentre.y - (mArm.mY + mSwing.mY + mHand.mY);
      mDrop.mP0 = Vec2(0.0f, mDrop.mY);
      mDrop.mP1 = Vec2(0.0f, mDrop.mY + DecimalProperty(*object, "_fDistance", kDefaultDistance));
    } else if (name == "prsThread") {
      mThreadSlider = dynamic_cast<sObjSlider*>(object);
      MemoryImage* fill = mThreadSlider != nullptr ? mThreadSlider->mFill.Get() : nullptr;
      if (fill == nullptr || fill->GetWidth() <= 0) {
        if (wrong.empty()) wrong = "\"prsThread\" is not a slider with a fill image";
        mThreadSlider = nullptr;
        continue;
      }
      mThreadFillWidth = static_cast<float>(fill->GetWidth());
      mBindings.Insert(&mThread, object);
      mThread.mOffsetY = static_cast<float>(-(fill->GetWidth() >> 1));
    }
  }
  if (wrong.empty() && !arm) wrong = "object \"sprArm\" is missing";
  if (wrong.empty() && mHandSprite == nullptr) wrong = "object \"sprHand\" is missing";
  if (wrong.empty() && mThreadSlider == nullptr) wrong = "object \"prsThread\" is missing";
  if (!wrong.empty()) {
    MarkUnplayable("akva", wrong);
    return 0;
  }
  mWater.MarkDirty();
  return 0;
}

void AkvaGame::ScareFish(int x, int y) {
  for (auto& fish : mFish) {
    if (fish->mParent == &mWater && !fish->mOutside && !fish->mFleeing) {
      fish->FleeFrom(static_cast<float>(x), static_cast<float>(y));
    }
  }
}

int AkvaGame::MouseMove(int x, int y) {
  if (!IsUnplayable()) ScareFish(x, y);
  return 0;
}

int AkvaGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  if (clickCount != 1) {
    ScareFish(x, y);
    return 0;
  }
  if (mArm.mState == kArmIdle) {
    mArm.MoveTo(mArm.mP1.x, mArm.mP1.y, kArmTicks);
    mArm.mState = kArmOut;
    mSwing.mAngle.Start(20.0f, kSwingTicks);
    PlayIfAny(mMoveHor);
  } else if ((mArm.mState == kArmOut || mArm.mState == kArmBack) && mDrop.mState == kDropUp) {
    StopIfAny(mMoveHor);
    PlayIfAny(mMoveVert);
    if (mArm.mTween.IsPlaying()) mArm.mTween.Pause();
    mDrop.MoveTo(mDrop.mP1.x, mDrop.mP1.y, kDropTicks);
    mDrop.mState = kDropDown;
    mSwing.mAngle.Start(mArm.mVelocity.x >= 0.0f ? 8.0f : -8.0f, kSwingTicks);
  }
  return 0;
}

bool AkvaGame::Hits(const TravelNode& node, Vec2 point) const {
  const sObj* object = node.mObject;
  Quad quad = object->mBaseQuad;
  if (quad.corner[1].x < quad.corner[0].x) {
    const Quad mirrored = quad;
    quad.corner[0] = mirrored.corner[1];
    quad.corner[1] = mirrored.corner[0];
    quad.corner[2] = mirrored.corner[3];
    quad.corner[3] = mirrored.corner[2];
  }
  if (!PointInQuad(quad, point.x, point.y)) return false;
  MemoryImage* image = ImageOf(object);
  if (image == nullptr) return false;
  const int x = static_cast<int>(point.x);
  const int y = static_cast<int>(point.y);
  const int left = static_cast<int>(object->mCentre.x) - (image->GetWidth() >> 1);
  const int top = static_cast<int>(object->mCentre.y) - (image->GetHeight() >> 1);
  if (x < left || y < top || x >= left + image->GetWidth() || y >= top + image->GetHeight()) return false;
  return HitTestImagePixel(image, Vec2(static_cast<float>(x - left), static_cast<float>(y - top)));
}

void AkvaGame::TakeOnGrip(TravelNode& node, const char* sound) {
  node.mX = 0.0f;
  node.mY = 0.0f;
  if (node.mParent != nullptr) node.mParent->RemoveChild(&node);
  mGrip.AddChild(&node);
  node.MarkDirty();
  mHandSprite->mFrameColumn = 2;
  CurrentLevelContext().PlaySound(sound);
  mDrop.MoveTo(mDrop.mP0.x, mDrop.mP0.y, mDrop.mTween.mElapsed);
  mDrop.mState = kDropBackWithCatch;
}

int AkvaGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  mInTreeUpdate = true;
  mWater.UpdateTree();
  mInTreeUpdate = false;
  // Act on the stops the tree update reported, now that it is over.
  std::vector<Timeline*> stopped;
  stopped.swap(mStopped);
  for (Timeline* timeline : stopped) {
    if (timeline == &mArm.mTween) ArmStopped();
    if (timeline == &mDrop.mTween) DropStopped();
  }

  if (mDrop.mState == kDropDown) {
    const Vec2 grip = GripPoint();
    const Vec2 point(static_cast<float>(static_cast<int>(grip.x)), static_cast<float>(static_cast<int>(grip.y)));
    // Under the grip point wherever they are: in the water, or still on
    // the grip from an earlier catch that was not released.
    for (auto& fish : mFish) {
      if (!Hits(*fish, point)) continue;
      if (fish->mTween.IsPlaying()) fish->mTween.Pause();
      TakeOnGrip(*fish, "SOUND_FISH");
      break;
    }
    for (auto& stone : mStones) {
      if (stone->IsTaken() || !Hits(*stone, point)) continue;
      TakeOnGrip(*stone, "SOUND_AKVA_CHUPA");
      break;
    }
  }
  if (!mWon && StonesLeft() == 0) mWon = true;
  return 0;
}

void AkvaGame::OnTimelineEvent(Timeline& timeline, int event, int arg) {
  if (event != kTimelineStopped) return;
  if (&timeline != &mArm.mTween && &timeline != &mDrop.mTween) return;
  if (mInTreeUpdate) {
    mStopped.push_back(&timeline);
  } else if (&timeline == &mArm.mTween) {
    ArmStopped();
  } else {
    DropStopped();
  }
}

void AkvaGame::ArmStopped() {
  if (mArm.mState == kArmOut) {
    mArm.MoveTo(mArm.mP0.x, mArm.mP0.y, kArmTicks);
    mArm.mState = kArmBack;
    mSwing.mAngle.Start(-20.0f, kSwingTicks);
  } else if (mArm.mState == kArmBack || mArm.mState == kArmBackAfterDrop) {
    StopIfAny(mMoveHor);
    mArm.mState = kArmIdle;
    mSwing.mAngle.Start(10.0f, kSwingTicks);
    mHandSprite->mFrameColumn = 1;
    CurrentLevelContext().PlaySound("SOUND_AKVA_CHUPA");
    Release();
  }
}

void AkvaGame::Release() {
  if (mGrip.mChildren.empty()) return;
  SceneNode* node = mGrip.mChildren.front();
  mGrip.RemoveChild(node);
  node->mX = node->mWorld.m02;
  node->mY = node->mWorld.m12;
  node->MarkDirty();
  mWater.AddChild(node);
  for (auto& stone : mStones) {
    if (stone.get() != node) continue;
    stone->mFlags |= StoneNode::kTaken;
    stone->mObject->PlayAnimation("stone_dilution");
    return;
  }
  for (auto& fish : mFish) {
    if (fish.get() == node) fish->Wander();
  }
}

void AkvaGame::DropStopped() {
  if (mDrop.mState == kDropDown) {
    mHandSprite->mFrameColumn = 3;
    CurrentLevelContext().PlaySound("SOUND_AKVA_CHUPA");
    mDrop.MoveTo(mDrop.mP0.x, mDrop.mP0.y, kDropTicks);
    mDrop.mState = kDropBackEmpty;
  } else if (mDrop.mState == kDropBackEmpty || mDrop.mState == kDropBackWithCatch) {
    PlayIfAny(mMoveHor);
    StopIfAny(mMoveVert);
    mDrop.mState = kDropUp;
    if (mArm.mState == kArmOut) {
      mArm.MoveTo(mArm.mP0.x, mArm.mP0.y, mArm.mTween.mElapsed);
      mArm.mState = kArmBackAfterDrop;
      mSwing.mAngle.Start(-20.0f, kSwingTicks);
    } else if (mArm.mState == kArmBack) {
      mArm.mTween.Resume();
      mArm.mState = kArmBackAfterDrop;
      mSwing.mAngle.Start(-20.0f, kSwingTicks);
    }
  }
}

void AkvaGame::OnNodeUpdate(SceneNode* node) {
  if (node == &mThread && mThreadSlider != nullptr) mThreadSlider->SetValue(mDrop.mY / mThreadFillWidth);
  mBindings.Apply(node);
}

void AkvaGame::OnAnimationEnd(std::string objectName, std::string animationName) {
  if (IsUnplayable() || animationName != "stone_dilution") return;
  StartIfAny(mElapsed, kElapsedPoint);
}

int AkvaGame::StonesLeft() const {
  int left = 0;
  for (const auto& stone : mStones) left += stone->IsTaken() ? 0 : 1;
  return left;
}

float AkvaGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  text = FormatDataInts(format, {StonesLeft()});
  return 0.0f;
}

uint8_t AkvaGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  return MiniGame::GetHintPosition(first, second);
}

int AkvaGame::Draw(Graphics& g) {
  BeginPlayfield(g);
  DrawLevelWithHud(*this, g);
  g.SetColor(Color(255, 255, 255, 255));
  EndPlayfield(*this, g);
  return 0;
}

}  // namespace Kivo
