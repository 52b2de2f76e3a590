// Writer of the animation files ("data/animations/<name>.atxt"): one
// "key=value" line per field, no blanks around '=', CR LF line ends, angles
// in whole degrees. It is the only way the project makes these files, so it
// refuses what the engine's reader would not read back as written; a refusal
// says why and leaves the output alone.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Kivo {

// One key of an animation file, written as the key text of its fields that
// differ from the defaults.
struct AnimKeySpec {
  int32_t frame = 0;  // counted from 0; written as mKey<frame + 1>
  int32_t degrees = 0;
  float scaleX = 1.0f;
  float scaleY = 1.0f;
  float offsetX = 0.0f;
  float offsetY = 0.0f;
  std::vector<std::pair<float, float>> path;  // none or at least four points
  float alpha = 255.0f;
  float red = 255.0f;
  float green = 255.0f;
  float blue = 255.0f;
  bool vertex = false;
  float corners[8] = {};  // used in vertex mode
  float pivotX = 0.0f;
  float pivotY = 0.0f;
  bool cosineEase = false;
};

struct AnimFileSpec {
  std::string name;  // the file name without ".atxt"
  int32_t keys = 0;
  uint32_t rate = 0;
  std::string type;  // "", "CIRCLE" or "PING_PONG"
  float wait = 0.0f;
  bool randomWait = false;
  std::string effBegin, effPlayed, effEnd, soundBegin, soundEnd;
  std::vector<AnimKeySpec> keyList;
};

// The key text of one key ("r(45)s(0.5,0.5)c(128)"); empty for a key of
// defaults.
std::string AnimKeyText(const AnimKeySpec& key);

// The file's bytes. Refuses empty names and names holding '(', ':', '=',
// '/', '\\' or white space; link names holding CR, LF or starting or ending
// with a blank; paths of one to three points; numbers that are not finite.
// Unless raw (edge-case fixtures), also refuses a rate of 0, types other
// than CIRCLE and PING_PONG, and key lists
// that do not ascend strictly from frame 0 to keys - 1.
bool AnimFileBytes(const AnimFileSpec& anim, bool raw, std::string* bytes, std::string* error);

}  // namespace Kivo
