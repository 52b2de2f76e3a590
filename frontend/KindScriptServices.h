// The scripted screens' services over the engine's object kinds: texts go to
// text objects, bubbles are frames, bodies and heads are sprites, the "ok"
// button is a button; the click sound plays through the application's sound
// manager. An object of another kind is left alone.
#pragma once

#include "frontend/ScriptScreenServices.h"

namespace Kivo {

class KindScriptServices : public ScriptScreenServices {
 public:
  void PlaySound(const std::string& soundId) override;
  void SetText(sObj* object, const std::wstring& text) override;
  void ResetButton(sObj* object) override;
  void ShowBubbleText(sObj* bubble, Vec2 point, const std::wstring& text) override;
  void HideBubble(sObj* bubble) override;
  bool SetImage(sObj* sprite, const std::string& imageKey, bool keepWhenMissing, float* width, float* height) override;
};

}  // namespace Kivo
