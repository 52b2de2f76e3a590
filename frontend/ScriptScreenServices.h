// What the scripted screens (the conversation before a level and the level
// tutorial) ask of the engine's object kinds and of the sound: a text
// object's text, a button's resting state, a speech bubble's text and its
// hiding, a sprite's image by key, and the click sound.
//
// The screens hold plain scene objects; this interface is the one place that
// knows which kind an object is. The default does nothing and finds no
// image, so a scene whose objects are of other kinds is shown unchanged
// rather than misused. Every operation accepts a null object and then does
// nothing.
//
// Both screens also share the timed wait of their scripts.
#pragma once

#include <string>

#include "engine/EngineObject.h"
#include "engine/GameUtils.h"

namespace Kivo {

class ScriptScreenServices {
 public:
  virtual ~ScriptScreenServices() = default;

  // Plays the sound of that resource name ("SOUND_BTN_CLK").
  virtual void PlaySound(const std::string& soundId) {}
  // A text object shows that text.
  virtual void SetText(sObj* object, const std::wstring& text) {}
  // A button goes to its normal state with no cross-fade running.
  virtual void ResetButton(sObj* object) {}
  // A speech bubble shows text with its appearing animation.
  virtual void ShowBubbleText(sObj* bubble, Vec2 point, const std::wstring& text) {}
  // A speech bubble plays its "hide" animation.
  virtual void HideBubble(sObj* bubble) {}
  // A sprite's image becomes the image of that key; a key without an image
  // leaves no image, or the image held before when keepWhenMissing. True
  // when an image was found; the size of one cell is stored then.
  virtual bool SetImage(sObj* sprite, const std::string& imageKey, bool keepWhenMissing, float* width, float* height) {
    return false;
  }
};

// One update of a script's timed wait: while waiting, the timer loses one
// step; true (and no longer waiting) once it has run out or had no
// duration, so that a wait of 0 or less ends at the next update.
inline bool TimedWaitEnds(bool& waiting, CountdownTimer& timer) {
  if (!waiting) return false;
  timer.Tick();
  if (timer.mRemaining != 0.0f && timer.mDuration != 0.0f) return false;
  waiting = false;
  return true;
}

}  // namespace Kivo
