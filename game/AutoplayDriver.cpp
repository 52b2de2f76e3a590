#include "game/AutoplayDriver.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "frontend/GameApp.h"
#include "frontend/GameDialog.h"
#include "frontend/GameDialogs.h"
#include "frontend/ScreenSwitch.h"
#include "frontend/TutorialPanel.h"
#include "levels/GameScreen.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// Milliseconds between the events of one move; long enough apart that two
// moves at one point never count as a double press.
constexpr int kEventGapMs = 30;
// Pixels a drag moves the pointer per event.
constexpr float kDragStep = 8.0f;

std::string Point(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

}  // namespace

AutoplayDriver::AutoplayDriver(GameApp& game, const std::string& scriptPath, const std::string& planPath)
    : mGame(game) {
  mScript.open(scriptPath, std::ios::binary | std::ios::trunc);
  if (!mScript) {
    mScriptFailed = true;
    Platform::Log("autoplay: the script file " + scriptPath + " cannot be written");
  }
  if (planPath.empty()) return;
  mPlanned = true;
  std::ifstream in(planPath, std::ios::binary);
  std::string text, error;
  // A plan is a few lines; anything larger is not one.
  constexpr std::size_t kMaxPlanBytes = 64 * 1024;
  if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    Platform::Log("autoplay: the plan " + planPath + " cannot be read");
  } else if (text.size() > kMaxPlanBytes) {
    Platform::Log("autoplay: the plan " + planPath + " is larger than 64 KiB");
  } else if (!ParseAutoplayPlan(text, &mPlan, &error)) {
    Platform::Log("autoplay: the plan " + planPath + " is refused: " + error);
  } else {
    mPlanLoaded = true;
    Platform::Log("autoplay: plan of " + std::to_string(mPlan.steps.size()) + " steps");
  }
}

void AutoplayDriver::Step() {
  if (!Platform::InputScriptFinished()) return;
  if (mWaitUpdates > 0) {
    --mWaitUpdates;
    return;
  }
  auto* level = dynamic_cast<GameScreen*>(mGame.GetScreen(kLevelScreen));
  const bool levelShown = level != nullptr && mGame.IsFadeFinished();
  // A level screen met again after this is a new one, even at the same
  // address.
  if (!levelShown) mLevel = nullptr;
  if (mPlanned && (!mPlanLoaded || TourStep())) return;
  if (!levelShown) return;
  if (level != mLevel) {
    mLevel = level;
    mReported = false;
    mLevelStart = timeGetTime();
    const ObjectList& objects = level->Objects();
    const std::string type = objects.empty() ? "" : objects[0]->mProperties.GetProperty("type_game");
    mRule = AutoplayRuleFor(type);
    Platform::Log("autoplay: level of type \"" + type + "\"" + (mRule == nullptr ? ", no rule" : ""));
    if (!mScriptFailed) mScript << "0 await screen 6 focused\n";
  }
  if (PressNotebook() || AnswerTutorial(*level)) return;
  if (mPlanned && TourLevel(*level)) return;
  PlayLevel(*level);
}

bool AutoplayDriver::PressNotebook() {
  auto* notebook = dynamic_cast<GameDialog*>(gAppBase->FindDialog(kGoalDialogId));
  if (notebook == nullptr) return false;
  const sObj* ok = nullptr;
  for (const sObj* object : notebook->mObjects) {
    if (object->mName == "btnOk") ok = object;
  }
  if (ok == nullptr) {
    if (!mReported) Platform::Log("autoplay: the goal notebook has no btnOk");
    mReported = true;
    return true;
  }
  Press(*ok);
  return true;
}

bool AutoplayDriver::AnswerTutorial(GameScreen& level) {
  TutorialPanel* tutorial = level.Tutorial();
  if (tutorial == nullptr || tutorial->IsFinished()) return false;
  const sObj* ok = tutorial->FindObject("ok");
  if (ok == nullptr || !ok->mVisible) return false;
  Press(*ok);
  return true;
}

void AutoplayDriver::Press(const sObj& button) {
  float x = 0.0f;
  float y = 0.0f;
  for (const auto& corner : button.mBaseQuad.corner) {
    x += corner.x / 4.0f;
    y += corner.y / 4.0f;
  }
  Click(static_cast<int>(x), static_cast<int>(y));
}

void AutoplayDriver::Click(int x, int y) {
  Inject({"0 move " + Point(x, y), "600 click left"});
  mWaitUpdates = kDialogUpdates;
}

void AutoplayDriver::PlayLevel(GameScreen& level) {
  MiniGame* game = level.Game();
  if (game == nullptr || mRule == nullptr || level.GetDialogState() != 2) return;
  if (game->IsWon() || game->IsLost()) return;
  AutoplayMove move;
  if (!mRule(*game, move)) return;
  const std::string button = move.clicks < 0 ? "right" : "left";
  switch (move.kind) {
    case AutoplayMove::kWait: mWaitUpdates = std::max(1, move.updates); return;
    case AutoplayMove::kClick:
      Inject({"0 move " + Point(move.x, move.y), std::to_string(kEventGapMs) + " down " + button,
              std::to_string(2 * kEventGapMs) + " up " + button});
      break;
    case AutoplayMove::kDrag: {
      std::vector<std::string> events{"0 move " + Point(move.x, move.y),
                                      std::to_string(kEventGapMs) + " down " + button};
      const float dx = static_cast<float>(move.toX - move.x);
      const float dy = static_cast<float>(move.toY - move.y);
      const int steps = std::max(1, static_cast<int>(std::ceil(std::sqrt(dx * dx + dy * dy) / kDragStep)));
      int at = kEventGapMs;
      for (int i = 1; i <= steps; ++i) {
        at += 10;
        events.push_back(std::to_string(at) + " move " +
                         Point(move.x + static_cast<int>(std::lround(dx * i / steps)),
                               move.y + static_cast<int>(std::lround(dy * i / steps))));
      }
      events.push_back(std::to_string(at + kEventGapMs) + " up " + button);
      Inject(events);
      break;
    }
    case AutoplayMove::kKey: Inject({"0 text " + Narrow(std::wstring(1, move.key))}); break;
  }
  mWaitUpdates = kSettleUpdates;
}

void AutoplayDriver::Inject(const std::vector<std::string>& events) {
  std::string script;
  const DWORD now = timeGetTime();
  for (const std::string& event : events) {
    script += event + "\n";
    if (mScriptFailed) continue;
    const std::size_t space = event.find(' ');
    const DWORD offset = static_cast<DWORD>(std::stoul(event.substr(0, space)));
    mScript << (now - mLevelStart + offset) << event.substr(space) << "\n";
  }
  if (!mScriptFailed) mScript.flush();
  std::vector<std::string> errors;
  if (!Platform::SetInputScript(script, &errors) && !mReported) {
    Platform::Log("autoplay: input cannot be injected on this backend");
    mReported = true;
  }
}

}  // namespace Kivo
