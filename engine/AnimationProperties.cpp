// An object's animations from its own properties: copies of file
// animations ("_sAniLoad_*"), new ones ("_iAniKey_<name>" = frames), the
// per-animation overrides ("<prefix>_<name>") and key keys
// ("_sAniKey_<name>_<k>", k from 1), and the animation that starts at once
// ("_sAnimYet").
#include <map>

#include "engine/EngineObject.h"

namespace Kivo {

namespace {

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

void sObj::ApplyProperties() {
  mCurrentAnim = kNoAnimation;
  mAutoplayName.clear();
  LoadAnimations();
  UpdateCentre();
  mDisplayQuad = mBaseQuad;
  UpdateDisplayCentre();
  mFromKey = kNoKey;
  mToKey = kNoKey;
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
