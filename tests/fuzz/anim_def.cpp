// Fuzz target: the input read as an animation file (its lines applied to a
// definition, every key text through the key parser), the whole input as
// one key text, and the definition played by an object in every mode, its
// paths evaluated across their range.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/AnimDef.h"
#include "engine/EngineObject.h"
#include "engine/Script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Kivo::Script file;
  file.SplitLines(text.data(), text.size());
  Kivo::AnimDef def;
  def.name = "fuzz";
  Kivo::ApplyAnimDefLines(def, file.Lines());

  Kivo::Keyframe whole;
  Kivo::ParseKeySpec(whole, text);
  Kivo::FindCallArgument(text, "in", 3);
  for (const Kivo::Keyframe* key : {&whole, def.keyList.empty() ? &whole : &def.keyList.back()}) {
    for (float t = -0.5f; t <= 1.5f; t += 0.125f) key->PathPoint(t);
  }

  for (int mode = 0; mode <= 4; ++mode) {
    Kivo::sObj obj;
    obj.mBaseQuad.corner[1] = Kivo::Vector2(10, 0);
    obj.mBaseQuad.corner[2] = Kivo::Vector2(10, 10);
    obj.mBaseQuad.corner[3] = Kivo::Vector2(0, 10);
    obj.mAnimations.push_back(def);
    obj.mAnimations.back().keyList.push_back(whole);
    obj.ApplyProperties();
    obj.PlayAnimationMode("fuzz", mode);
    for (int tick = 0; tick < 64; ++tick) {
      obj.Update(1);
      obj.Draw(nullptr);
    }
    obj.SetPoseFromAnimation("fuzz");
    if (mode % 2 == 0) {
      obj.FinishAnimation();
    } else {
      obj.StopAnimation();
    }
  }
  return 0;
}
