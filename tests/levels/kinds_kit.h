// Helpers the kinds' tests share beyond the mini-game kit: a fixture that
// also registers the engine's object kinds (so level records become
// sprites, items, buttons, texts, emitters and sounds), and a drawing target
// that records, beside every draw, the 3D view's begin and end, so a test
// can tell that a draw leaves the view as it found it, and the plain image
// draws at float positions, stretched or through a matrix.
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
  // Recorded as kind "float": the source part in rect, the place in quad's
  // first corner.
  void DrawImageAtFloat(Kivo::Image* source, float x, float y, const Kivo::Rect& sourceRect, const Kivo::Rect&,
                        const Kivo::Color& color, int32_t drawMode) override {
    kindstest::DrawCall call;
    call.kind = "float";
    call.image = source;
    call.rect = sourceRect;
    call.quad.corner[0] = Kivo::Vector2(x, y);
    call.color = color;
    call.mode = drawMode;
    calls.push_back(call);
  }
  // Recorded as kind "matrix": the source part in rect, the place in quad's
  // first corner.
  void DrawImageByMatrix(Kivo::Image* source, float x, float y, const Kivo::Matrix3&, const Kivo::Rect&,
                         const Kivo::Color& color, int32_t drawMode, const Kivo::Rect& sourceRect, bool) override {
    kindstest::DrawCall call;
    call.kind = "matrix";
    call.image = source;
    call.rect = sourceRect;
    call.quad.corner[0] = Kivo::Vector2(x, y);
    call.color = color;
    call.mode = drawMode;
    calls.push_back(call);
  }
  // Recorded as kind "stretched": the destination in rect.
  void DrawImageStretched(Kivo::Image* source, const Kivo::Rect& destRect, const Kivo::Rect&, const Kivo::Rect&,
                          const Kivo::Color& color, int32_t drawMode, bool) override {
    kindstest::DrawCall call;
    call.kind = "stretched";
    call.image = source;
    call.rect = destRect;
    call.color = color;
    call.mode = drawMode;
    calls.push_back(call);
  }

  int depth = 0;  // views begun and not ended
  std::vector<std::string> events;
};

}  // namespace leveltest
