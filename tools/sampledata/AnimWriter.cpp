#include "tools/sampledata/AnimWriter.h"

#include <cmath>

#include "tools/sampledata/DataWriters.h"

namespace Kivo {

namespace {

bool Refuse(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

std::string Number(float value) { return ScriptArg::Float(value).Written(); }

// "name(a,b,...)" of the values.
std::string Group(const char* name, const std::vector<float>& values) {
  std::string text = std::string(name) + "(";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ",";
    text += Number(values[i]);
  }
  return text + ")";
}

bool AllFinite(const AnimKeySpec& key) {
  std::vector<float> values = {key.scaleX, key.scaleY, key.offsetX, key.offsetY, key.alpha,
                               key.red,    key.green,  key.blue,    key.pivotX,  key.pivotY};
  values.insert(values.end(), std::begin(key.corners), std::end(key.corners));
  for (const auto& point : key.path) {
    values.push_back(point.first);
    values.push_back(point.second);
  }
  for (float value : values)
    if (!std::isfinite(value)) return false;
  return true;
}

bool BadLinkName(const std::string& name) {
  if (name.empty()) return false;
  return name.find_first_of("\r\n") != std::string::npos || name.front() == ' ' || name.front() == '\t' ||
         name.back() == ' ';
}

}  // namespace

std::string AnimKeyText(const AnimKeySpec& key) {
  std::string text;
  if (key.degrees != 0) text += "r(" + std::to_string(key.degrees) + ")";
  if (key.cosineEase) text += "icos(1)";
  if (key.vertex) {
    text += Group("v", std::vector<float>(std::begin(key.corners), std::end(key.corners)));
  } else {
    if (key.scaleX != 1.0f || key.scaleY != 1.0f) text += Group("s", {key.scaleX, key.scaleY});
    if (key.offsetX != 0.0f || key.offsetY != 0.0f) text += Group("t", {key.offsetX, key.offsetY});
    if (!key.path.empty()) {
      std::vector<float> values;
      for (const auto& point : key.path) {
        values.push_back(point.first);
        values.push_back(point.second);
      }
      text += Group("in", values);
    }
  }
  if (key.alpha != 255.0f || key.red != 255.0f || key.green != 255.0f || key.blue != 255.0f)
    text += Group("c", {key.alpha, key.red, key.green, key.blue});
  if (key.pivotX != 0.0f || key.pivotY != 0.0f) text += Group("pp", {key.pivotX, key.pivotY});
  return text;
}

bool AnimFileBytes(const AnimFileSpec& anim, bool raw, std::string* bytes, std::string* error) {
  if (anim.name.empty() || anim.name.find_first_of("(:=/\\ \t\r\n") != std::string::npos)
    return Refuse(error,
                  "animation name \"" + anim.name + "\" is empty or holds '(', ':', '=', a separator or a blank");
  for (const std::string* link : {&anim.effBegin, &anim.effPlayed, &anim.effEnd, &anim.soundBegin, &anim.soundEnd}) {
    if (BadLinkName(*link)) return Refuse(error, anim.name + ": link name \"" + *link + "\" cannot be read back");
  }
  if (!std::isfinite(anim.wait)) return Refuse(error, anim.name + ": the wait is not a finite number");
  for (const AnimKeySpec& key : anim.keyList) {
    if (!key.path.empty() && key.path.size() < 4)
      return Refuse(error, anim.name + ": a path needs at least four points");
    if (!AllFinite(key)) return Refuse(error, anim.name + ": a key holds a number that is not finite");
  }
  if (anim.type.find_first_of("\r\n") != std::string::npos)
    return Refuse(error, anim.name + ": the type holds CR or LF");
  if (!raw) {
    if (!anim.type.empty() && anim.type != "CIRCLE" && anim.type != "PING_PONG")
      return Refuse(error, anim.name + ": type \"" + anim.type + "\" is none of CIRCLE and PING_PONG");
    if (anim.rate == 0) return Refuse(error, anim.name + ": rate 0 never plays");
    const auto& keys = anim.keyList;
    if (keys.empty() || keys.front().frame != 0 || keys.back().frame != anim.keys - 1)
      return Refuse(error, anim.name + ": keys must run from frame 0 to keys - 1");
    for (size_t i = 1; i < keys.size(); ++i)
      if (keys[i].frame <= keys[i - 1].frame) return Refuse(error, anim.name + ": key frames must ascend");
  }

  std::string out;
  auto line = [&out](const std::string& key, const std::string& value) { out += key + "=" + value + "\r\n"; };
  line("keys", std::to_string(anim.keys));
  line("rate", std::to_string(anim.rate));
  if (!anim.type.empty()) line("type", anim.type);
  if (anim.wait != 0.0f) line(anim.randomWait ? "time_wait_rnd" : "time_wait", Number(anim.wait));
  const std::pair<const char*, const std::string*> links[] = {{"effBegin", &anim.effBegin},
                                                              {"effPlayed", &anim.effPlayed},
                                                              {"effEnd", &anim.effEnd},
                                                              {"sound_begin", &anim.soundBegin},
                                                              {"sound_end", &anim.soundEnd}};
  for (const auto& [key, name] : links)
    if (!name->empty()) line(key, *name);
  for (const AnimKeySpec& key : anim.keyList) line("key_" + std::to_string(int64_t{key.frame} + 1), AnimKeyText(key));
  *bytes = std::move(out);
  return true;
}

}  // namespace Kivo
