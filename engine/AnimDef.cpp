#include "engine/AnimDef.h"

#include <algorithm>
#include <limits>

#include "engine/PropertyList.h"
#include "engine/Script.h"
#include "platform/Files.h"

namespace Kivo {

std::vector<AnimDef> gAnimDefs;

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr const char* kAnimFolder = "data\\animations\\";
constexpr const char* kAnimExtension = ".atxt";
constexpr size_t kAnimExtensionLength = 5;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where the group "name(" starts with no letter right before it; npos when
// there is none.
size_t FindGroup(const std::string& text, const std::string& name) {
  const std::string opening = name + "(";
  size_t at = text.find(opening);
  while (at != std::string::npos) {
    if (at == 0 || !IsAsciiLetter(text[at - 1])) return at;
    at = text.find(opening, at + 1);
  }
  return std::string::npos;
}

// Every argument of the group, or none when the group is missing. A group
// the text ends inside keeps the arguments a comma closed; the one still
// being read is dropped. Reading them in one pass keeps a long "in" group
// linear.
std::vector<std::string> CallArguments(const std::string& text, const std::string& name) {
  std::vector<std::string> arguments;
  const size_t at = FindGroup(text, name);
  if (at == std::string::npos) return arguments;
  std::string current;
  for (size_t i = at + name.size() + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '(') continue;
    if (c == ',') {
      arguments.push_back(std::move(current));
      current.clear();
    } else if (c == ')') {
      arguments.push_back(std::move(current));
      return arguments;
    } else {
      current.push_back(c);
    }
  }
  return arguments;
}

const std::string& ArgumentAt(const std::vector<std::string>& arguments, size_t n) {
  static const std::string kEmpty;
  return n < arguments.size() ? arguments[n] : kEmpty;
}

float NumberOr(const std::string& text, float fallback) { return text.empty() ? fallback : PropertyFloat(text); }

int32_t SaturatedIndex(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

void KeyPath::Clear() {
  points.clear();
  weights.clear();
  total = 0.0f;
}

void Keyframe::AddPathPoint(const Vec2& point) {
  path.points.push_back(point);
  const size_t n = path.points.size();
  if (n < 4) return;
  Vector2 early;
  CatmullRomPoint(early, path.points[n - 4], path.points[n - 3], path.points[n - 2], path.points[n - 1], 0.001f);
  const float weight = 1000.0f * Vec2::Distance(early, path.points[n - 3]);
  path.weights.push_back(weight);
  path.total += weight;
}

Vec2 Keyframe::PathPoint(float t) const {
  const std::vector<Vec2>& p = path.points;
  if (p.size() < 4) return p.empty() ? Vec2() : p.front();
  t = std::clamp(t, 0.0f, 1.0f);
  Vector2 out;
  // Without a positive total there is no time to share out (all points
  // equal, or weights that are not numbers): the path stays on P1.
  if (t == 0.0f || !(path.total > 0.0f)) {
    CatmullRomPoint(out, p[0], p[1], p[2], p[3], 0.0f);
    return out;
  }
  const size_t last = p.size() - 4;
  if (t == 1.0f) {
    CatmullRomPoint(out, p[last], p[last + 1], p[last + 2], p[last + 3], 1.0f);
    return out;
  }
  const float target = t * path.total;
  float sum = 0.0f;
  size_t k = 0;
  for (; k < path.weights.size(); ++k) {
    sum += path.weights[k];
    if (!(sum < target)) break;
  }
  if (k == path.weights.size()) {  // rounding left the sum short: the end
    CatmullRomPoint(out, p[last], p[last + 1], p[last + 2], p[last + 3], 1.0f);
    return out;
  }
  const float weight = path.weights[k];
  const float u = weight > 0.0f ? 1.0f - (sum - target) / weight : 1.0f;
  CatmullRomPoint(out, p[k], p[k + 1], p[k + 2], p[k + 3], u);
  return out;
}

int32_t AnimModeFromText(const std::string& text) {
  if (text == "CIRCLE") return kAnimLoop;
  if (text == "PING_PONG") return kAnimPingPong;
  return kAnimOnce;
}

std::string FindCallArgument(const std::string& text, const std::string& name, int n) {
  if (n < 0) return std::string();
  return ArgumentAt(CallArguments(text, name), static_cast<size_t>(n));
}

void ParseKeySpec(Keyframe& key, const std::string& text) {
  key.vertexMode = false;
  key.cosineEase = false;
  key.path.Clear();

  const std::string degrees = FindCallArgument(text, "r", 0);
  key.angle = degrees.empty() ? 0.0f : static_cast<float>(PropertyInt(degrees)) * kDegreesToRadians;

  if (FindCallArgument(text, "icos", 0) == "1") key.cosineEase = true;

  const std::vector<std::string> vertex = CallArguments(text, "v");
  if (!ArgumentAt(vertex, 0).empty()) {
    key.vertexMode = true;
    for (size_t i = 0; i < 8; ++i) key.cornerOffsets[i] = PropertyFloat(ArgumentAt(vertex, i));
  }

  if (!key.vertexMode) {
    const std::vector<std::string> scale = CallArguments(text, "s");
    key.scaleX = NumberOr(ArgumentAt(scale, 0), 1.0f);
    key.scaleY = NumberOr(ArgumentAt(scale, 1), 1.0f);
    const std::vector<std::string> offset = CallArguments(text, "t");
    key.offsetX = NumberOr(ArgumentAt(offset, 0), 0.0f);
    key.offsetY = NumberOr(ArgumentAt(offset, 1), 0.0f);
    const std::vector<std::string> path = CallArguments(text, "in");
    for (size_t i = 0;; ++i) {
      const std::string& x = ArgumentAt(path, 2 * i);
      const std::string& y = ArgumentAt(path, 2 * i + 1);
      if (x.empty() && y.empty()) break;
      key.AddPathPoint(Vec2(PropertyFloat(x), PropertyFloat(y)));
    }
    if (key.path.points.size() < 4) key.path.Clear();
  }

  const std::vector<std::string> colour = CallArguments(text, "c");
  key.alpha = NumberOr(ArgumentAt(colour, 0), 255.0f);
  key.red = NumberOr(ArgumentAt(colour, 1), 255.0f);
  key.green = NumberOr(ArgumentAt(colour, 2), 255.0f);
  key.blue = NumberOr(ArgumentAt(colour, 3), 255.0f);

  const std::vector<std::string> pivot = CallArguments(text, "pp");
  key.pivotX = NumberOr(ArgumentAt(pivot, 0), 0.0f);
  key.pivotY = NumberOr(ArgumentAt(pivot, 1), 0.0f);
}

void ApplyAnimDefLines(AnimDef& def, const std::vector<std::string>& lines) {
  Keyframe record;
  for (const std::string& line : lines) {
    const size_t split = line.find_first_of("(:=");
    if (split == std::string::npos || line[split] != '=') continue;
    const std::string key = line.substr(0, split);
    const std::string value = line.substr(split + 1);
    if (key == "keys") {
      def.keys = PropertyInt(value);
    } else if (key == "rate") {
      def.rate = static_cast<uint32_t>(PropertyInt(value));
    } else if (key == "type") {
      def.mode = AnimModeFromText(value);
    } else if (key == "time_wait_rnd") {
      def.randomWait = true;
      def.wait = PropertyFloat(value);
    } else if (key == "time_wait") {
      def.randomWait = false;
      def.wait = PropertyFloat(value);
    } else if (key.compare(0, 4, "key_") == 0) {
      ParseKeySpec(record, value);
      record.index = SaturatedIndex(int64_t{PropertyInt(key.substr(4))} - 1);
      def.keyList.push_back(record);
    } else if (key == "effBegin") {
      def.effBegin.name = value;
    } else if (key == "effPlayed") {
      def.effPlayed.name = value;
    } else if (key == "effEnd") {
      def.effEnd.name = value;
    } else if (key == "sound_begin") {
      def.soundBegin.name = value;
    } else if (key == "sound_end") {
      def.soundEnd.name = value;
    }
  }
}

void LoadAnimDef(AnimDef& def) {
  Script file;
  if (!file.LoadFile(kAnimFolder + def.name + kAnimExtension, nullptr)) return;
  ApplyAnimDefLines(def, file.Lines());
}

void LoadAllAnimDefs() {
  gAnimDefs.clear();
  std::vector<std::string> names;
  for (const Platform::FileEntry& entry : Platform::ListFiles(std::string(kAnimFolder) + "*" + kAnimExtension)) {
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    if (entry.name.size() < kAnimExtensionLength) continue;
    names.push_back(entry.name.substr(0, entry.name.size() - kAnimExtensionLength));
  }
  std::sort(names.begin(), names.end());
  for (std::string& name : names) {
    AnimDef def;
    def.name = std::move(name);
    gAnimDefs.push_back(std::move(def));
  }
  for (AnimDef& def : gAnimDefs) LoadAnimDef(def);
}

const AnimDef* FindAnimDef(const std::string& name) {
  for (const AnimDef& def : gAnimDefs)
    if (def.name == name) return &def;
  return nullptr;
}

}  // namespace Kivo
