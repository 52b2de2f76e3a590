// animtrace: plays one animation on an engine object, tick by tick, and
// prints what the object shows and whom it tells.
//
//   animtrace DATA NAME [--props FILE] [--ticks N]
//
// DATA is the game folder (the one holding data/animations). Without
// --props the object is a 64 x 64 square at (100, 100) with a copy of the
// file animation NAME; with --props it takes its properties from FILE
// ("key=value" lines, split at the first '='), applies them (which may start
// "_sAnimYet") and then plays NAME unless that already plays. Every link
// name gets a stand-in emitter or sound object that prints its calls, and
// the object's listener prints each animation end. Each tick is one update
// and one draw; N defaults to 100.
//
// Output: "tick T frame F quad (x,y) x4 centre (x,y) argb A R G B", three
// decimals, then the calls of that tick indented. Exit code 0, 1 when the
// animation is unknown or a file cannot be read, 2 on wrong usage.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/AnimDef.h"
#include "engine/EngineObject.h"
#include "engine/Script.h"

namespace {

using namespace Kivo;

std::vector<std::string> gCalls;

std::string Point(float x, float y) {
  char text[64];
  std::snprintf(text, sizeof text, "(%.3f,%.3f)", x, y);
  return text;
}

class TraceListener : public ObjEventListener {
 public:
  void OnAnimationEnd(std::string name, std::string animation) override {
    gCalls.push_back("OnAnimationEnd(" + name + "," + animation + ")");
  }
};

class TraceEmitter : public sObj, public AnimEffectTarget {
 public:
  void StartAt(Vec2 point) override { gCalls.push_back(mName + ".StartAt" + Point(point.x, point.y)); }
  void StartFollowing(const Vec2* point) override {
    gCalls.push_back(mName + ".StartFollowing" + Point(point->x, point->y));
  }
  void Stop() override { gCalls.push_back(mName + ".Stop"); }
};

class TraceSound : public sObj, public AnimSoundTarget {
 public:
  void Play() override { gCalls.push_back(mName + ".Play"); }
};

// Stand-ins for the objects the links name, found by name as a scene would.
class LinkTargets {
 public:
  void Resolve(sObj& obj) {
    for (AnimDef& def : obj.mAnimations) {
      for (AnimLink* link : {&def.effBegin, &def.effPlayed, &def.effEnd}) Link(*link, false);
      for (AnimLink* link : {&def.soundBegin, &def.soundEnd}) Link(*link, true);
    }
  }

 private:
  void Link(AnimLink& link, bool sound) {
    if (link.name.empty()) return;
    for (const auto& target : mTargets) {
      if (target->mName == link.name) {
        link.target = target.get();
        return;
      }
    }
    std::unique_ptr<sObj> target;
    if (sound) {
      target = std::make_unique<TraceSound>();
    } else {
      target = std::make_unique<TraceEmitter>();
    }
    target->mName = link.name;
    link.target = target.get();
    mTargets.push_back(std::move(target));
  }

  std::vector<std::unique_ptr<sObj>> mTargets;
};

void PrintTick(int tick, const sObj& obj) {
  std::printf("tick %d frame %d quad", tick, obj.mFrame);
  for (const Vector2& corner : obj.mDisplayQuad.corner) std::printf(" %s", Point(corner.x, corner.y).c_str());
  std::printf(" centre %s argb %d %d %d %d\n", Point(obj.mDisplayCentre.x, obj.mDisplayCentre.y).c_str(), obj.mAlpha,
              obj.mRed, obj.mGreen, obj.mBlue);
  for (const std::string& call : gCalls) std::printf("  %s\n", call.c_str());
  gCalls.clear();
}

int Usage() {
  std::fprintf(stderr, "usage: animtrace DATA NAME [--props FILE] [--ticks N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string data = argv[1];
  const std::string name = argv[2];
  std::string propsFile;
  int ticks = 100;
  for (int i = 3; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--props" && i + 1 < argc) {
      propsFile = argv[++i];
    } else if (option == "--ticks" && i + 1 < argc) {
      ticks = std::atoi(argv[++i]);
      if (ticks < 0) return Usage();
    } else {
      return Usage();
    }
  }

  // The properties file is named from where animtrace was started.
  Script props;
  if (!propsFile.empty() && !props.LoadFile(propsFile, nullptr)) {
    std::fprintf(stderr, "animtrace: cannot read %s\n", propsFile.c_str());
    return 1;
  }
  if (chdir(data.c_str()) != 0) {
    std::fprintf(stderr, "animtrace: cannot enter %s\n", data.c_str());
    return 1;
  }
  LoadAllAnimDefs();

  sObj obj;
  obj.mName = "obj";
  TraceListener listener;
  obj.SetListener(&listener);
  obj.mBaseQuad.corner[0] = Vector2(100, 100);
  obj.mBaseQuad.corner[1] = Vector2(164, 100);
  obj.mBaseQuad.corner[2] = Vector2(164, 164);
  obj.mBaseQuad.corner[3] = Vector2(100, 164);
  if (propsFile.empty()) {
    const AnimDef* def = FindAnimDef(name);
    if (def == nullptr) {
      std::fprintf(stderr, "animtrace: no animation %s in %s/data/animations\n", name.c_str(), data.c_str());
      return 1;
    }
    obj.UpdateCentre();
    obj.mDisplayQuad = obj.mBaseQuad;
    obj.UpdateDisplayCentre();
    obj.mAnimations.push_back(*def);
  } else {
    for (const std::string& line : props.Lines()) {
      const size_t split = line.find('=');
      if (split == std::string::npos) continue;
      obj.mProperties.Add(line.substr(0, split), line.substr(split + 1));
    }
    obj.ApplyProperties();
  }
  LinkTargets targets;
  targets.Resolve(obj);
  if (!obj.HasAnimation(name)) {
    std::fprintf(stderr, "animtrace: the object has no animation %s\n", name.c_str());
    return 1;
  }
  const AnimDef* playing = obj.CurrentAnimation();
  if (playing == nullptr || playing->name != name) obj.PlayAnimation(name);

  PrintTick(0, obj);
  for (int tick = 1; tick <= ticks; ++tick) {
    obj.Update(1);
    obj.Draw(nullptr);
    PrintTick(tick, obj);
  }
  return 0;
}
