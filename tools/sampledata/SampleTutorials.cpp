#include "tools/sampledata/SampleTutorials.h"

#include "tools/sampledata/SampleMap.h"

namespace Kivo {

namespace {

using A = ScriptArg;

// One hint: where its box goes, where an arrow points (angle in degrees;
// no arrow when the angle is negative), and how it is left: by "ok" or after
// the given seconds.
struct Hint {
  const wchar_t* text;
  float x;
  float y;
  float arrowX;
  float arrowY;
  int arrowAngle;
  float seconds;  // 0: wait for "ok"
};

// Where the arrows point: each stands just left of the HUD panel (x 680 on),
// its head at the panel's edge on the row of the element the hint names.
constexpr float kArrowX = 645;
constexpr float kGoalButtonY = 70;  // "Goal", which opens the notebook
constexpr float kClockY = 115;      // the time bar and its figures
constexpr float kHintButtonY = 180;

// The first stage teaches the screen; later ones remind.
const std::vector<Hint>& HintsOf(int stage) {
  static const std::vector<Hint> first = {
      {L"Welcome! Your task is written in the notebook: the Goal button on the right opens it.", 340, 240, kArrowX,
       kGoalButtonY, 0, 0},
      {L"The clock on the right shows how much time is left.", 340, 240, kArrowX, kClockY, 0, 0},
      {L"Good luck! Press Skip hints at any time to hide these hints.", 340, 240, 0, 0, -1, 2.0f}};
  static const std::vector<Hint> second = {
      {L"Each place has its own puzzles. Read the task before you start.", 340, 240, 0, 0, -1, 0},
      {L"The Hint button on the right helps when you are stuck.", 340, 240, kArrowX, kHintButtonY, 0, 1.5f}};
  static const std::vector<Hint> later = {
      {L"A new place to search. Take your time and look around.", 340, 240, 0, 0, -1, 0},
      {L"Remember: the Goal button on the right shows your task.", 340, 240, kArrowX, kGoalButtonY, 0, 1.0f}};
  if (stage == 1) return first;
  if (stage == 2) return second;
  return later;
}

std::string HintKey(int stage, std::size_t n) { return "tut_" + std::to_string(stage) + "_1_" + std::to_string(n + 1); }

}  // namespace

std::vector<int> TutorialStages() {
  std::vector<int> stages = {1, 2, 3};
  for (int stage = 5; stage <= kSampleStages; stage += 5) stages.push_back(stage);
  return stages;
}

bool BuildTutorial(int stage, ScriptWriter& s, std::string* error) {
  const std::vector<Hint>& hints = HintsOf(stage);
  for (std::size_t n = 0; n < hints.size(); ++n) {
    const Hint& hint = hints[n];
    // The level waits while a hint asks for "ok"; timed hints let it run.
    if (hint.seconds == 0.0f && !s.Command("block_quant", {}, error)) return false;
    if (!s.Command("show", {A::Text(HintKey(stage, n)), A::Float(hint.x), A::Float(hint.y)}, error)) return false;
    if (hint.arrowAngle >= 0 &&
        !s.Command("arrow_show", {A::Float(hint.arrowX), A::Float(hint.arrowY), A::Int(hint.arrowAngle)}, error)) {
      return false;
    }
    const bool ok = hint.seconds == 0.0f ? s.Command("wait_event_btn_pressed", {A::Text("ok")}, error)
                                         : s.Command("wait_event_time", {A::Float(hint.seconds)}, error);
    if (!ok) return false;
  }
  return true;
}

bool AddTutorialTexts(TextTableWriter& texts, std::string* error) {
  for (int stage : TutorialStages()) {
    const std::vector<Hint>& hints = HintsOf(stage);
    for (std::size_t n = 0; n < hints.size(); ++n) {
      if (!texts.Add(HintKey(stage, n), hints[n].text, error)) return false;
    }
  }
  return true;
}

}  // namespace Kivo
