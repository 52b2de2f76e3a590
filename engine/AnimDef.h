// Keyframe animation definitions: what an engine object's quad does from key
// to key (rotation, scale and offset about a pivot, free corner offsets, a
// spline path, colour), how fast, once, looping or back and forth, with a
// wait before each cycle and the effect and sound objects linked to its
// start, run and end.
//
// Definitions come from the ".atxt" files of data\animations (one file per
// animation, named after it) into the global table gAnimDefs, and from
// object properties. Both write keys in one small language of named groups:
// "r(deg)" rotation, "s(sx,sy)" scale, "t(tx,ty)" offset, "pp(px,py)" pivot,
// "c(a,r,g,b)" colour, "icos(1)" cosine ease, "v(x0,y0,...,y3)" corner
// offsets, "in(x1,y1,...)" a Catmull-Rom path of at least four points.
//
// File format: 8-bit text lines "key=value" (no trimming around '='); a
// line whose first '(', ':' or '=' is not '=' is ignored. Keys: "keys",
// "rate", "type" (CIRCLE, PING_PONG, else once), "time_wait",
// "time_wait_rnd", "key_N" (a key at frame N - 1), "effBegin", "effPlayed",
// "effEnd", "sound_begin", "sound_end"; others are ignored.
//
// Failures: nothing is reported. A missing folder gives an empty table, an
// unreadable file a definition with the defaults (no keys, rate 0, which
// playback treats as "never plays"), unreadable numbers read as 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/GameMath.h"

namespace Kivo {

class sObj;

// A spline through points P0..Pn-1 (none or at least four), run from P1 to
// Pn-2; time along it is shared out by per-segment weights.
struct KeyPath {
  std::vector<Vec2> points;
  std::vector<float> weights;  // one per segment: points.size() - 3
  float total = 0.0f;

  bool Empty() const { return points.empty(); }
  void Clear();
};

struct Keyframe {
  int32_t index = 0;   // the frame, counted from 0
  float angle = 0.0f;  // radians
  float scaleX = 1.0f;
  float scaleY = 1.0f;
  float offsetX = 0.0f;
  float offsetY = 0.0f;
  KeyPath path;
  float alpha = 255.0f;
  float red = 255.0f;
  float green = 255.0f;
  float blue = 255.0f;
  bool vertexMode = false;
  float cornerOffsets[8] = {};  // (x, y) of corners 0..3
  float pivotX = 0.0f;          // from the object's centre
  float pivotY = 0.0f;
  bool cosineEase = false;

  // Appends a path point; from the fourth on, each adds a segment weight
  // (about the speed of the curve at the segment's start).
  void AddPathPoint(const Vec2& point);
  // The point at t (clamped to 0..1) along the path; a path of equal points
  // (total weight 0) gives P1 for every t. Needs at least four points.
  Vec2 PathPoint(float t) const;
};

// An object of the same scene that an animation starts or stops, found by
// name once the scene is loaded.
struct AnimLink {
  std::string name;
  sObj* target = nullptr;  // not owned
};

enum AnimMode : int32_t {
  kAnimIdle = 0,
  kAnimOnce = 1,
  kAnimLoop = 2,      // "CIRCLE"
  kAnimPingPong = 3,  // "PING_PONG"
};

struct AnimDef {
  std::string name;               // compared exactly
  int32_t keys = 0;               // frames 0..keys-1; the last one ends a once-animation
  uint32_t rate = 0;              // frames per second; 0 never plays
  std::vector<Keyframe> keyList;  // in reading order, never sorted
  int32_t mode = kAnimOnce;
  AnimLink effBegin;
  AnimLink effPlayed;
  AnimLink effEnd;
  AnimLink soundBegin;
  AnimLink soundEnd;
  bool randomWait = false;
  float wait = 0.0f;  // seconds before each cycle
};

// The definitions of every animation file, in byte-wise name order.
extern std::vector<AnimDef> gAnimDefs;

// "CIRCLE" -> loop, "PING_PONG" -> back and forth, anything else -> once.
int32_t AnimModeFromText(const std::string& text);

// Argument n (from 0) of the first group "name(" not preceded by a letter,
// or "" when the group is missing or has fewer arguments. In a group the
// text ends inside, only the arguments a comma closed count.
std::string FindCallArgument(const std::string& text, const std::string& name, int n);

// Parses a key text into key, all fields but the index; a vertex key keeps
// the scale and offset key held before.
void ParseKeySpec(Keyframe& key, const std::string& text);

// Applies the lines of one animation file to def, in order, through one key
// record that starts with the defaults.
void ApplyAnimDefLines(AnimDef& def, const std::vector<std::string>& lines);
// Reads "data\animations\" + def.name + ".atxt"; does nothing when the file
// cannot be read.
void LoadAnimDef(AnimDef& def);
// Fills gAnimDefs from every "*.atxt" file of data\animations (extension
// matched without regard to case), names sorted byte-wise.
void LoadAllAnimDefs();
const AnimDef* FindAnimDef(const std::string& name);

}  // namespace Kivo
