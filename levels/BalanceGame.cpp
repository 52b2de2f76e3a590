#include "levels/BalanceGame.h"

#include <cmath>

#include "engine/KeyframeTrack.h"
#include "engine/SceneLoader.h"
#include "engine/SpriteKinds.h"
#include "levels/LevelContext.h"
#include "levels/PlayfieldDraw.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kDragWidth = 640;
constexpr int kDragHeight = 600;
constexpr float kTiltSpeed = 1.0f;  // degrees per update
constexpr float kSolvedWithin = 0.1f;

enum NodeKey { kTableKey = 0, kTiltKey = 1, kWobbleKey = 2 };

// The decimal of the object's own property, or fallback when missing or
// not a number.
float DecimalProperty(const sObj& object, const std::string& key, float fallback) {
  double value = 0.0;
  if (!ParseDouble(object.mProperties.GetProperty(key), value)) return fallback;
  return static_cast<float>(value);
}

// The fader's copy of a global animation.
bool AddGlobalAnim(sObj& object, const std::string& name) {
  const AnimDef* def = FindAnimDef(name);
  if (def == nullptr) return false;
  object.mAnimations.push_back(*def);
  return true;
}

bool HasPrefix(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

BalanceGame::BalanceGame() {
  mWobble.mX = 320.0f;
  mWobble.mY = 100.0f;
  mTable.AddChild(&mWobble);
  mWobble.AddChild(&mTilt);
  mPans[0].mX = -229.0f;
  mPans[1].mX = 229.0f;
  for (PivotNode& pan : mPans) {
    pan.mPivotX = 0.0f;
    pan.mPivotY = 183.0f;
    pan.mOwnerValue1 = 0.0f;   // load
    pan.mOwnerValue2 = 80.0f;  // pan bottom
    mTilt.AddChild(&pan);
  }
  for (SceneNode* node :
       {static_cast<SceneNode*>(&mTable), static_cast<SceneNode*>(&mWobble), static_cast<SceneNode*>(&mTilt),
        static_cast<SceneNode*>(&mPans[0]), static_cast<SceneNode*>(&mPans[1])}) {
    node->mHook = this;
  }
  mTilt.mAngle.mListener = this;
  mWobble.mAngle.mListener = this;

  mFader.mName = "fader";
  mFader.mBaseQuad.corner[0] = Vec2(0.0f, 0.0f);
  mFader.mBaseQuad.corner[1] = Vec2(800.0f, 0.0f);
  mFader.mBaseQuad.corner[2] = Vec2(800.0f, 600.0f);
  mFader.mBaseQuad.corner[3] = Vec2(0.0f, 600.0f);
  mFader.mDisplayQuad = mFader.mBaseQuad;
  mFader.UpdateCentre();
  mFader.UpdateDisplayCentre();
  mFader.mRed = mFader.mGreen = mFader.mBlue = 0;
  mFader.mAlpha = 0;
}

BalanceGame::~BalanceGame() {
  // The level objects stay with their owner, the level screen's list, which
  // deletes whichever set it holds last.
  ClearWeights();
}

int BalanceGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mFader.SetListener(&mFaderListener);
  const bool fadeIn = AddGlobalAnim(mFader, "fade_in");
  const bool fadeOut = AddGlobalAnim(mFader, "fade_out");
  if (!fadeIn || !fadeOut) {
    MarkUnplayable("balance", std::string("global animation \"") + (fadeIn ? "fade_out" : "fade_in") + "\" is missing");
    return 0;
  }
  if (levelObjects == nullptr || !BuildScales()) return 0;
  for (int k = 1;; ++k) {
    const std::string scene = LevelProperty("_sLev_" + std::to_string(k));
    if (scene.empty() || !SceneExists(scene)) break;
    mSubLevels.push_back(scene);
  }
  return 0;
}

bool BalanceGame::BuildScales() {
  std::string wrong;
  bool beam = false;
  bool pans[2] = {false, false};
  for (sObj* object : *mLevelObjects) {
    const std::string& name = object->mName;
    if (HasPrefix(name, "sprWeight")) {
      auto* sprite = dynamic_cast<sObjSprite*>(object);
      MemoryImage* image = sprite != nullptr ? sprite->GetImage() : nullptr;
      if (image == nullptr) {
        if (wrong.empty()) wrong = "weight \"" + name + "\" has no image";
        continue;
      }
      auto weight = std::make_unique<WeightNode>();
      weight->mMass = DecimalProperty(*object, "_fWeight", 1.0f);
      weight->mOffsetX = 0.0f;
      weight->mOffsetY = static_cast<float>((-image->GetHeight()) >> 1);
      weight->mX = object->mCentre.x - weight->mOffsetX;
      weight->mY = object->mCentre.y - weight->mOffsetY;
      weight->mHome = Vec2(weight->mX, weight->mY);
      weight->mObject = object;
      weight->mHook = this;
      mTable.AddChild(weight.get());
      mBindings.Insert(weight.get(), object);
      mWeights.push_back(std::move(weight));
    } else if (name == "sprBeam") {
      mWobble.mX = object->mCentre.x;
      mWobble.mY = object->mCentre.y;
      mBindings.Insert(&mTilt, object);
      beam = true;
    } else if (HasPrefix(name, "sprPan")) {
      const int32_t n = LeadingInt(name.c_str() + 6);
      if (n != 0 && n != 1) {
        if (wrong.empty()) wrong = "pan \"" + name + "\" is not pan 0 or 1";
        continue;
      }
      PivotNode& pan = mPans[n];
      mBindings.Insert(&pan, object);
      mPanObjects[n] = object;
      pan.mPivotX = 0.0f;
      pan.mPivotY = object->mCentre.y - mWobble.mY;
      pan.mX = object->mCentre.x - mWobble.mX;
      pan.mY = 0.0f;
      pan.mOwnerValue2 = DecimalProperty(*object, "_fPanBottom", pan.mOwnerValue2);
      pans[n] = true;
    }
  }
  mTable.MarkDirty();
  if (wrong.empty() && !beam) wrong = "object \"sprBeam\" is missing";
  if (wrong.empty() && !pans[0]) wrong = "object \"sprPan0\" is missing";
  if (wrong.empty() && !pans[1]) wrong = "object \"sprPan1\" is missing";
  if (!wrong.empty()) {
    MarkUnplayable("balance", wrong);
    return false;
  }
  return true;
}

void BalanceGame::ClearWeights() {
  for (auto& weight : mWeights) {
    if (weight->mParent != nullptr) weight->mParent->RemoveChild(weight.get());
  }
  mWeights.clear();
  mHeld = nullptr;
}

float BalanceGame::TiltTarget() const {
  float target = Load(0) - Load(1);
  if (target < -kMaxTilt) target = -kMaxTilt;
  if (target > kMaxTilt) target = kMaxTilt;
  return target;
}

void BalanceGame::Retarget() {
  const float target = TiltTarget();
  const int ticks = static_cast<int>(std::fabs(target - mTilt.Angle()) / kTiltSpeed);
  // The tilt is a plain tween: with its legs used up, its stop ends the move.
  mTilt.mAngle.mSwingCount = SwingTween::kLegs;
  mTilt.mAngle.To(target, ticks);
  if (!mTilt.mAngle.IsPlaying()) {
    // Under one degree with no earlier move to time it by: the beam jumps
    // there and is at rest, or the set-up could never be solved.
    mTilt.mAngle.mValue = target;
    mTilt.MarkDirty();
    mSettled = true;
  }
}

bool BalanceGame::OnTable(const WeightNode* weight) const { return weight->mParent == &mTable; }

bool BalanceGame::IsSolved() const {
  if (!mSettled) return false;
  const float difference = TiltTarget();
  if (!(difference > -kSolvedWithin && difference < kSolvedWithin)) return false;
  for (const auto& weight : mWeights) {
    if (OnTable(weight.get())) return false;
  }
  return true;
}

bool BalanceGame::HitsWeight(const WeightNode& weight, int x, int y) const {
  sObj* object = weight.mObject;
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  if (!PointInQuad(object->mBaseQuad, fx, fy)) return false;
  auto* sprite = dynamic_cast<sObjSprite*>(object);
  MemoryImage* image = sprite != nullptr ? sprite->GetImage() : nullptr;
  if (image == nullptr) return false;
  const int left = static_cast<int>(object->mCentre.x) - (image->GetWidth() >> 1);
  const int top = static_cast<int>(object->mCentre.y) - (image->GetHeight() >> 1);
  if (x < left || y < top || x >= left + image->GetWidth() || y >= top + image->GetHeight()) return false;
  return HitTestImagePixel(image, Vec2(static_cast<float>(x - left), static_cast<float>(y - top)));
}

int BalanceGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable()) return 0;
  WeightNode* held = nullptr;
  for (auto& weight : mWeights) {
    if (HitsWeight(*weight, x, y)) {
      held = weight.get();
      break;
    }
  }
  if (held == nullptr) return 0;
  mHeld = held;
  for (PivotNode& pan : mPans) {
    if (held->mParent != &pan) continue;
    pan.RemoveChild(held);
    pan.mOwnerValue1 -= held->mMass;
    Retarget();
    held->mX = static_cast<float>(x);
    held->mY = static_cast<float>(y);
    held->MarkDirty();
    mTable.AddChild(held);
  }
  mGrab = Vec2(held->mX - static_cast<float>(x), held->mY - static_cast<float>(y));
  CurrentLevelContext().PlaySound("SOUND_BTN_CLK");
  return 0;
}

int BalanceGame::MouseMove(int x, int y) {
  if (mHeld == nullptr || x < 0 || y < 0 || x >= kDragWidth || y >= kDragHeight) return 0;
  mHeld->mX = static_cast<float>(x) + mGrab.x;
  mHeld->mY = static_cast<float>(y) + mGrab.y;
  mHeld->MarkDirty();
  return 0;
}

int BalanceGame::MouseUp(int x, int y, int clickCount) {
  if (mHeld == nullptr) return 0;
  WeightNode* held = mHeld;
  int found = -1;
  for (int n = 0; n < 2 && found < 0; ++n) {
    if (PointInQuad(mPanObjects[n]->mBaseQuad, static_cast<float>(x), static_cast<float>(y))) found = n;
  }
  if (found >= 0) {
    PivotNode& pan = mPans[found];
    mTable.RemoveChild(held);
    pan.AddChild(held);
    pan.mOwnerValue1 += held->mMass;
    held->mX = static_cast<float>(x) - pan.mWorld.m02;
    held->mY = pan.mOwnerValue2;
    held->MarkDirty();
    mSettled = false;
    Retarget();
  } else {
    held->mX = held->mHome.x;
    held->mY = held->mHome.y;
    held->MarkDirty();
  }
  mHeld = nullptr;
  CurrentLevelContext().PlaySound("SOUND_BTN_CLK");
  return 0;
}

void BalanceGame::OnTimelineEvent(Timeline& timeline, int event, int arg) {
  if (event != kTimelineStopped) return;
  if (&timeline == &mTilt.mAngle) {
    mWobble.mAngle.Start(mTilt.mAngle.mStepPerTick, kWobbleTicks);
  } else if (&timeline == &mWobble.mAngle) {
    mSettled = true;
  }
}

void BalanceGame::OnNodeUpdate(SceneNode* node) { mBindings.Apply(node); }

void BalanceGame::OnAnimationEnd(std::string, std::string) {}

void BalanceGame::FaderListener::OnAnimationEnd(std::string, std::string animationName) {
  mGame.OnFaderEnd(animationName);
}

void BalanceGame::OnFaderEnd(const std::string& animationName) {
  if (IsUnplayable() || animationName != "fade_in" || mSubLevels.empty()) return;
  const std::string scene = mSubLevels.front();
  mSubLevels.erase(mSubLevels.begin());
  LoadSubLevel(scene);
  mFader.PlayAnimation("fade_out");
}

void BalanceGame::LoadSubLevel(const std::string& scene) {
  ObjectList& objects = *mLevelObjects;
  // The screen's listener part, as the objects being replaced had it.
  ObjEventListener* listener = objects.empty() ? nullptr : objects[0]->mListener;
  ClearWeights();
  mBindings = NodeBindingMap();
  mPanObjects[0] = mPanObjects[1] = nullptr;
  DeleteObjects(objects);
  mHudAnchor = nullptr;
  mSleifEffect = nullptr;
  const bool loaded = LoadScene(scene, objects);
  if (loaded) {
    LinkAnimTargets(objects);
    for (size_t i = 0; i < objects.size(); ++i) {
      objects[i]->SetIndex(static_cast<int>(i));
      objects[i]->SetListener(listener);
      objects[i]->TakeParentFocus();
    }
    mHudAnchor = FindObjectByName(objects, "game_menu_draw");
    mSleifEffect = FindEffect("effSleif");
  }
  if (mLevelObjectsReplaced) mLevelObjectsReplaced();
  if (!loaded) {
    MarkUnplayable("balance", "sub-level scene \"" + scene + "\" cannot be loaded");
    return;
  }
  BuildScales();
}

int BalanceGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  mFader.Update(1);
  if (IsUnplayable()) return 0;  // a sub-level that failed to load
  mTable.UpdateTree();
  if (!mWon && IsSolved() && !mFader.IsPlaying()) {
    if (!mSubLevels.empty()) {
      mFader.PlayAnimation("fade_in");
    } else {
      mWon = true;
    }
  }
  return 0;
}

uint8_t BalanceGame::GetHintPosition(HintPoint& first, HintPoint& second) {
  if (IsUnplayable()) return kHintNone;
  return MiniGame::GetHintPosition(first, second);
}

int BalanceGame::Draw(Graphics& g) {
  BeginPlayfield(g);
  DrawLevelWithHud(*this, g);
  g.End3D();
  MiniGame::Draw(g);
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  mFader.Draw(&g);
  g.End3D();
  g.SetColorizeImages(false);
  return 0;
}

}  // namespace Kivo
