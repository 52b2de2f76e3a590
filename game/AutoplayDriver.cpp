#include "game/AutoplayDriver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "engine/ButtonKinds.h"
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

// A planned run gives up when nothing was injected for this long (no
// screen, dialog or level of the game waits longer for a move), or when one
// step has taken longer than the slowest level takes by far.
constexpr DWORD kStallMs = 120 * 1000;
// A driver that has said on every decision for this long that it cannot do
// the step, with nothing injected, gives up at once: nothing it waits for
// changes its mind.
constexpr DWORD kStuckMs = 10 * 1000;
constexpr DWORD kStepLimitMs = 30 * 60 * 1000;

std::string Point(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

bool SameMove(const AutoplayMove& a, const AutoplayMove& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.toX == b.toX && a.toY == b.toY && a.clicks == b.clicks &&
         a.key == b.key;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  return text;
}

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
  if (mGaveUp) return;
  auto* level = dynamic_cast<GameScreen*>(mGame.GetScreen(kLevelScreen));
  if (mPlanLoaded && level != nullptr && level == mLevel) ReportLevelEnd(*level);
  if (HasSteps()) WatchProgress();
  if (mGaveUp) return;
  if (!Platform::InputScriptFinished()) return;
  if (mWaitUpdates > 0) {
    --mWaitUpdates;
    return;
  }
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
    int stage = 0, number = 0;
    mGame.GetCurrentLevel(&stage, &number);
    mLevelName = LevelSceneName(stage, number);
    mLevelKind = type.empty() ? "?" : type;
    mLevelTimed = false;
    mLevelRealStart = std::chrono::steady_clock::now();
    mLevelCpuStart = std::clock();
    mMoved = false;
    Platform::Log("autoplay: level of type \"" + type + "\"" + (mRule == nullptr ? ", no rule" : ""));
    if (!mScriptFailed) mScript << "0 await screen 6 focused\n";
  }
  if (PressNotebook() || AnswerTutorial(*level)) return;
  if (mPlanned && TourLevel(*level)) return;
  PlayLevel(*level);
}

void AutoplayDriver::ReportLevelEnd(GameScreen& level) {
  MiniGame* game = level.Game();
  if (mLevelTimed || game == nullptr || !(game->IsWon() || game->IsLost())) return;
  mLevelTimed = true;
  const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - mLevelRealStart).count();
  Platform::Log("autoplay: played " + mLevelName + " " + mLevelKind + " " + (game->IsWon() ? "won" : "lost") + " in " +
                Seconds((timeGetTime() - mLevelStart) / 1000.0) + " s of game, " + Seconds(real) + " s real, " +
                Seconds(static_cast<double>(std::clock() - mLevelCpuStart) / CLOCKS_PER_SEC) + " s cpu");
}

void AutoplayDriver::WatchProgress() {
  const DWORD now = timeGetTime();
  if (!mWatching) {
    mWatching = true;
    mActedAt = mStepAt = now;
    return;
  }
  std::string where;
  if (mLevel != nullptr) {
    where = " in " + mLevelName + " (" + mLevelKind + ")";
  } else if (mGame.Transition() != nullptr) {
    where = " on screen " + std::to_string(mGame.Transition()->mTargetType);
  }
  const std::string last = mLastComplaint.empty() ? "" : "; last: " + mLastComplaint;
  const bool complaining = !mLastComplaint.empty() && now - mComplainedAt <= 2 * kUpdateMs;
  if (complaining && now - mComplainingSince >= kStuckMs && now - mActedAt >= kStuckMs) {
    GiveUp("stuck for " + std::to_string(kStuckMs / 1000) + " s of play" + where + ": " + mLastComplaint);
  } else if (now - mActedAt >= kStallMs) {
    GiveUp("nothing to do for " + std::to_string(kStallMs / 1000) + " s of play" + where + last);
  } else if (now - mStepAt >= kStepLimitMs) {
    GiveUp("not done after " + std::to_string(kStepLimitMs / 60000) + " min of play" + where + last);
  }
}

void AutoplayDriver::GiveUp(const std::string& why) {
  Platform::Log("autoplay: plan not done: step " + std::to_string(mStep + 1) + " " + StepText() + ": " + why);
  mGaveUp = true;
}

int AutoplayDriver::ExitCode() {
  if (!mPlanned) return 0;
  if (!mPlanLoaded) {
    Platform::Log("autoplay: plan not done: the plan was refused");
    return kPlanNotDoneExit;
  }
  if (PlanDone()) return 0;
  if (!mGaveUp) GiveUp("the run ended first");
  return kPlanNotDoneExit;
}

bool AutoplayDriver::PressNotebook() {
  auto* notebook = dynamic_cast<GameDialog*>(gAppBase->FindDialog(kGoalDialogId));
  if (notebook == nullptr) return false;
  if (!Settled(*notebook)) return true;
  const sObj* ok = nullptr;
  for (const sObj* object : notebook->mObjects) {
    if (object->mName == "btnOk") ok = object;
  }
  if (ok == nullptr) {
    if (!mReported) Platform::Log("autoplay: the goal notebook has no btnOk");
    mReported = true;
    return true;
  }
  if (TakesPress(*ok)) Press(*ok);
  return true;
}

bool AutoplayDriver::AnswerTutorial(GameScreen& level) {
  TutorialPanel* tutorial = level.Tutorial();
  if (tutorial == nullptr || tutorial->IsFinished()) return false;
  const sObj* ok = tutorial->FindObject("ok");
  if (ok == nullptr || !ok->mVisible) return false;
  // While it fades in (or out, once pressed) the level waits with it.
  if (TakesPress(*ok)) Press(*ok);
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

bool AutoplayDriver::Settled(const GameDialog& dialog) {
  return !dialog.mFader.IsActive() && dialog.mPendingButton.empty();
}

bool AutoplayDriver::TakesPress(const sObj& object) {
  if (!object.mVisible) return false;
  if (dynamic_cast<const sObjButton*>(&object) == nullptr) return true;
  return object.mAlpha == 255 && !object.IsPlaying();
}

void AutoplayDriver::Click(int x, int y) {
  // The move first, so that the button under it is hovered when pressed.
  // What a press does shows in the game's state (a dialog pending its
  // button, a screen fading out), which the next decision reads.
  Inject({"0 move " + Point(x, y), std::to_string(kHoverMs) + " click left"});
  mWaitUpdates = 1;
}

void AutoplayDriver::PlayLevel(GameScreen& level) {
  MiniGame* game = level.Game();
  if (game == nullptr || mRule == nullptr || level.GetDialogState() != 2) return;
  if (game->IsWon() || game->IsLost()) return;
  AutoplayMove move;
  if (!mRule(*game, move)) return;
  if (move.kind == AutoplayMove::kWait) {
    mWaitUpdates = std::max(1, move.updates);
    return;
  }
  // The same move again means the game has not taken the last one yet:
  // give it the time a lost move needs before it is made again.
  if (mMoved && SameMove(move, mLastMove) && timeGetTime() - mMoveEnd < kSettleUpdates * kUpdateMs) return;
  const std::string button = move.clicks < 0 ? "right" : "left";
  switch (move.kind) {
    case AutoplayMove::kWait: return;
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
  mMoved = true;
  mLastMove = move;
  mMoveEnd = mLastEventAt;
  // One update for the game to take the last event before the rule looks.
  mWaitUpdates = 1;
}

void AutoplayDriver::Inject(const std::vector<std::string>& events) {
  std::string script;
  const DWORD now = timeGetTime();
  mActedAt = now;
  for (const std::string& event : events) {
    script += event + "\n";
    const std::size_t space = event.find(' ');
    const DWORD offset = static_cast<DWORD>(std::stoul(event.substr(0, space)));
    mLastEventAt = now + offset;
    if (mScriptFailed) continue;
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
