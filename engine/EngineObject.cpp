// The engine object's own operations: focus, geometry, and the animations
// it builds from its properties: copies of file animations
// ("_sAniLoad_*"), new ones ("_iAniKey_<name>" = frames), per-animation
// overrides ("<prefix>_<name>") and key keys ("_sAniKey_<name>_<k>", k from
// 1), and the animation that starts at once ("_sAnimYet"). Playback is in
// ObjectAnimation.cpp.
#include "engine/EngineObject.h"

#include <map>

namespace Kivo {

namespace {

// The mean of the corners, taken as the midpoint of the midpoints of the top
// and bottom edges.
Vec2 QuadCentre(const Quad& quad) {
  const Vec2 top((quad.corner[0].x + quad.corner[1].x) / 2.0f, (quad.corner[0].y + quad.corner[1].y) / 2.0f);
  const Vec2 bottom((quad.corner[3].x + quad.corner[2].x) / 2.0f, (quad.corner[3].y + quad.corner[2].y) / 2.0f);
  return Vec2((top.x + bottom.x) / 2.0f, (top.y + bottom.y) / 2.0f);
}

constexpr char kAutoplayKey[] = "_sAnimYet";
constexpr char kNewAnimationPrefix[] = "_iAniKey_";
constexpr char kLoadPrefix[] = "_sAniLoad_";
constexpr char kKeyPrefix[] = "_sAniKey_";

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The frame number k of a key key: canonical decimal (no sign, no leading
// zero) from 1 to frames; 0 for anything else.
int64_t KeyFrameNumber(const std::string& digits, int32_t frames) {
  if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
  int64_t k = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    k = k * 10 + (c - '0');
  }
  return k <= frames ? k : 0;
}

// The key keys of one animation, first pair per frame, in ascending frame
// order. One pass over the properties, whatever frame count the data gives.
std::map<int64_t, const std::string*> KeyTexts(const PropertyList& properties, const AnimDef& def) {
  const std::string prefix = kKeyPrefix + def.name + "_";
  std::map<int64_t, const std::string*> texts;
  for (const ObjProperty& pair : properties) {
    if (pair.key.size() <= prefix.size() || pair.key.compare(0, prefix.size(), prefix) != 0) continue;
    const int64_t k = KeyFrameNumber(pair.key.substr(prefix.size()), def.keys);
    if (k > 0) texts.emplace(k, &pair.value);  // emplace keeps the first
  }
  return texts;
}

void OverrideLink(const PropertyList& properties, const char* prefix, const std::string& name, AnimLink& link) {
  const std::string value = properties.GetProperty(std::string(prefix) + "_" + name);
  if (!value.empty()) link.name = value;
}

}  // namespace

int sObj::GetIndex() { return mIndex; }

void sObj::SetIndex(int index) { mIndex = index; }

void sObj::FitToImage() {}

void sObj::OnCreated() {}

void sObj::ReleaseImages() {}

void sObj::SetListener(ObjEventListener* listener) { mListener = listener; }

void sObj::Draw(Graphics*) {
  if (IsPlaying()) ApplyCurrentPose();
}

void sObj::MouseMove(int, int) {}

bool sObj::MouseDown(int, int, int) { return false; }

bool sObj::MouseUp(int, int, int) { return false; }

void sObj::MouseWheel(int, int, int) {}

void sObj::KeyUp(int) {}

void sObj::KeyDown(int) {}

void sObj::KeyChar(wchar_t) {}

void sObj::SetVisible(bool visible) { mVisible = visible; }

bool sObj::TakeParentFocus() {
  if (mParent == nullptr) return false;
  mParent->mActiveChild = this;
  return true;
}

bool sObj::PassParentFocus(sObj* other) {
  if (other == nullptr || other->mParent != mParent) return false;
  return other->TakeParentFocus();
}

void sObj::UpdateCentre() { mCentre = QuadCentre(mBaseQuad); }

void sObj::UpdateDisplayCentre() { mDisplayCentre = QuadCentre(mDisplayQuad); }

void sObj::SetAlpha(int alpha) { mAlpha = alpha; }

void sObj::MouseDrag(int, int) {}

void sObj::MoveTo(Vec2 point) {
  const float dx = point.x - mCentre.x;
  const float dy = point.y - mCentre.y;
  for (Vector2& corner : mBaseQuad.corner) {
    corner.x += dx;
    corner.y += dy;
  }
  mDisplayQuad = mBaseQuad;
  mCentre = point;
  mDisplayCentre = point;
}

void sObj::MoveBy(Vec2 delta) {
  mCentre.x += delta.x;
  mCentre.y += delta.y;
  for (Vector2& corner : mBaseQuad.corner) {
    corner.x += delta.x;
    corner.y += delta.y;
  }
  mDisplayQuad = mBaseQuad;
  mDisplayCentre = mCentre;
}

AnimDef* sObj::CurrentAnimation() {
  if (mCurrentAnim < 0 || static_cast<size_t>(mCurrentAnim) >= mAnimations.size()) return nullptr;
  return &mAnimations[static_cast<size_t>(mCurrentAnim)];
}

const AnimDef* sObj::CurrentAnimation() const { return const_cast<sObj*>(this)->CurrentAnimation(); }

void sObj::ApplyProperties() {
  mCurrentAnim = kNoAnimation;
  mAutoplayName.clear();
  LoadAnimations();
  UpdateCentre();
  mDisplayQuad = mBaseQuad;
  UpdateDisplayCentre();
  mFromKey = kNoKey;
  mToKey = kNoKey;
  mPairAnim = kNoAnimation;
  if (!mAutoplayName.empty()) PlayAnimation(mAutoplayName);
}

void sObj::LoadAnimations() {
  mAnimations.clear();
  for (const ObjProperty& pair : mProperties) {
    if (pair.key == kAutoplayKey) {
      mAutoplayName = pair.value;
    } else if (StartsWith(pair.key, kNewAnimationPrefix)) {
      AnimDef def;
      def.name = pair.key.substr(sizeof kNewAnimationPrefix - 1);
      def.keys = PropertyInt(pair.value);
      mAnimations.push_back(std::move(def));
    } else if (StartsWith(pair.key, kLoadPrefix)) {
      if (FindAnimation(pair.value) != nullptr) continue;
      if (const AnimDef* loaded = FindAnimDef(pair.value)) mAnimations.push_back(*loaded);
    }
  }

  Keyframe record;  // shared by every key of this call, as in a file
  for (AnimDef& def : mAnimations) {
    const std::string suffix = "_" + def.name;
    const std::string rate = mProperties.GetProperty("_iAniRate" + suffix);
    if (!rate.empty()) def.rate = static_cast<uint32_t>(PropertyInt(rate));
    const std::string type = mProperties.GetProperty("_sAnimType" + suffix);
    if (!type.empty()) def.mode = AnimModeFromText(type);
    OverrideLink(mProperties, "_sEffBegin", def.name, def.effBegin);
    OverrideLink(mProperties, "_sEffPlayed", def.name, def.effPlayed);
    OverrideLink(mProperties, "_sEffEnd", def.name, def.effEnd);
    OverrideLink(mProperties, "_sSoundBegin", def.name, def.soundBegin);
    OverrideLink(mProperties, "_sSoundEnd", def.name, def.soundEnd);
    const std::string wait = mProperties.GetProperty("_fTimeWait" + suffix);
    const std::string randomWait = mProperties.GetProperty("_fTimeWaitRnd" + suffix);
    if (!wait.empty()) {
      def.wait = PropertyFloat(wait);
      def.randomWait = false;
    } else if (!randomWait.empty()) {
      def.wait = PropertyFloat(randomWait);
      def.randomWait = true;
    }

    for (const auto& [k, text] : KeyTexts(mProperties, def)) {
      if (text->empty()) continue;
      ParseKeySpec(record, *text);
      record.index = static_cast<int32_t>(k - 1);
      bool replaced = false;
      for (Keyframe& key : def.keyList) {
        if (key.index == record.index) {
          key = record;
          replaced = true;
          break;
        }
      }
      if (!replaced) def.keyList.push_back(record);
    }
  }
}

}  // namespace Kivo
