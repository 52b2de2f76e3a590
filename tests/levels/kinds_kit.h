// Helpers the kinds' tests share beyond the mini-game kit: a fixture that
// also registers the engine's object kinds (so level records become
// sprites, items, buttons, texts, emitters and sounds), and a drawing target
// that records, beside every draw, the 3D view's begin and end, so a test
// can tell that a draw leaves the view as it found it.
#pragma once

#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {

class KindsKit : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
    RegisterControlKinds();
    RegisterSoundAndEmitterKinds();
  }
  sObj* Object(const std::string& name) { return FindObjectByName(level, name); }
};

class ViewPairingImage : public kindstest::RecordingImage {
 public:
  void Begin3D(const Kivo::Matrix4&, const Kivo::Matrix4&, const Kivo::Matrix4&) override {
    ++depth;
    events.push_back("begin");
  }
  void End3D() override {
    --depth;
    events.push_back("end");
  }

  int depth = 0;  // views begun and not ended
  std::vector<std::string> events;
};

}  // namespace leveltest
