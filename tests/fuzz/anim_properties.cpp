// Fuzz target: the input read as "key=value" lines into an object's property
// list (so the generated keys reach every animation key the object reads),
// over a table of file animations; the object applies its properties and
// plays what they start, then each of its animations in turn.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/AnimDef.h"
#include "engine/EngineObject.h"
#include "engine/Script.h"

namespace {

Kivo::AnimDef FileAnimation(const std::string& name, const std::vector<std::string>& lines) {
  Kivo::AnimDef def;
  def.name = name;
  Kivo::ApplyAnimDefLines(def, lines);
  return def;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool tableReady = [] {
    Kivo::gAnimDefs = {FileAnimation("wave", {"keys=13", "rate=24", "type=CIRCLE", "key_1=in(0,0,1,1,2,0,3,1)",
                                              "key_7=r(30)", "key_13=c(0)"}),
                       FileAnimation("pulse", {"keys=5", "rate=100", "type=PING_PONG", "time_wait_rnd=0.05",
                                               "key_1=v(1,1)", "key_5=v(0,0,2,2)"})};
    return true;
  }();
  (void)tableReady;

  Kivo::Script lines;
  lines.SplitLines(reinterpret_cast<const char*>(data), size);
  Kivo::sObj obj;
  obj.mBaseQuad.corner[1] = Kivo::Vector2(10, 0);
  obj.mBaseQuad.corner[2] = Kivo::Vector2(10, 10);
  obj.mBaseQuad.corner[3] = Kivo::Vector2(0, 10);
  for (const std::string& line : lines.Lines()) {
    const size_t split = line.find('=');
    if (split == std::string::npos) {
      obj.mProperties.Add(line, "");
    } else {
      obj.mProperties.Add(line.substr(0, split), line.substr(split + 1));
    }
  }
  obj.ApplyProperties();
  for (int tick = 0; tick < 32; ++tick) {
    obj.Update(1);
    obj.Draw(nullptr);
  }
  const std::vector<Kivo::AnimDef> own = obj.mAnimations;
  for (const Kivo::AnimDef& def : own) {
    obj.PlayAnimation(def.name);
    for (int tick = 0; tick < 16; ++tick) {
      obj.Update(1);
      obj.Draw(nullptr);
    }
    obj.FinishAnimation();
  }
  obj.ApplyProperties();
  return 0;
}
