// The plan's part of the autoplay driver: the screens and dialogs between
// the levels, and what each plan step does inside its level.
#include <algorithm>
#include <cmath>

#include "engine/CarouselKind.h"
#include "frontend/GameApp.h"
#include "frontend/GameDialog.h"
#include "frontend/GameDialogs.h"
#include "frontend/MapScreen.h"
#include "frontend/ScreenSwitch.h"
#include "game/AutoplayDriver.h"
#include "levels/GameScreen.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

namespace {

// Updates a screen is given to take a press before it is pressed again.
constexpr int kRetryUpdates = 400;
// Updates between two misses of a level to be lost: with the press itself
// about four misses in two seconds, quick enough for the penalty.
constexpr int kMissUpdates = 45;
// Empty ground of the sample levels, below the play field and left of the
// HUD; the height varies a little so that no two misses make a double press.
constexpr int kMissX = 20;
constexpr int kMissY = 560;

const char* const kStepNames[] = {"win", "lose", "unlock", "choose", "skip"};

}  // namespace

void AutoplayDriver::Complain(const std::string& text) {
  const DWORD now = timeGetTime();
  // A complaint on each decision, without a decision free of one between.
  if (mLastComplaint.empty() || now - mComplainedAt > 2 * kUpdateMs) mComplainingSince = now;
  mComplainedAt = now;
  if (text == mLastComplaint) return;
  mLastComplaint = text;
  Platform::Log("autoplay: " + text);
}

std::string AutoplayDriver::StepText() const {
  const AutoplayStep& step = mPlan.steps[mStep];
  return std::string(kStepNames[step.kind]) + " " +
         (step.kind == AutoplayStep::kChoose ? std::to_string(step.stage) + " " + std::to_string(step.number)
                                             : step.level);
}

void AutoplayDriver::NextStep(const std::string& what) {
  Platform::Log("autoplay: step " + std::to_string(mStep + 1) + " " + StepText() + ": " + what);
  ++mStep;
  mStepPhase = 0;
  mStepAt = timeGetTime();
  if (PlanDone()) Platform::Log("autoplay: plan done");
}

bool AutoplayDriver::PressNamed(const ObjectList& objects, const std::string& name) {
  for (const sObj* object : objects) {
    if (object->mName == name) {
      // Not yet pressable: the caller asks again next update.
      if (!TakesPress(*object)) return false;
      Press(*object);
      return true;
    }
  }
  Complain("no object \"" + name + "\" to press");
  return false;
}

bool AutoplayDriver::TourStep() {
  if (TourDialog()) return true;
  if (!mGame.IsFadeFinished()) {
    mActedScreen = -1;
    return true;
  }
  const ScreenTransition* transition = mGame.Transition();
  return TourScreen(transition != nullptr ? transition->mTargetType : kNoScreen);
}

bool AutoplayDriver::TourDialog() {
  // Top-most first: a dialog opened from another sits above it.
  static const int kDialogs[] = {kDuplicateNameDialogId, kNameDialogId, kLeaveLevelDialogId, kPlayersDialogId,
                                 kDifficultyDialogId,    kExitDialogId, kGameMenuDialogId};
  for (int id : kDialogs) {
    if (gAppBase->FindDialog(id) == nullptr) mAnswers[id] = DialogAnswer{};
  }
  for (int id : kDialogs) {
    auto* dialog = dynamic_cast<GameDialog*>(gAppBase->FindDialog(id));
    if (dialog == nullptr) continue;
    DialogAnswer& given = mAnswers[id];
    if (!given.given && !Settled(*dialog)) return true;
    if (given.given) {
      // Still closing, or the press came while the dialog faded in and was
      // lost: then the same button is pressed again (a typed answer is
      // given only once).
      if (++given.updates >= kRetryUpdates && dialog->mPendingButton.empty() && !given.button.empty()) {
        Platform::Log("autoplay: " + dialog->mSceneName + " did not take the press; pressing again");
        PressNamed(dialog->mObjects, given.button);
        given.updates = 0;
      }
      return true;
    }
    // Presses a button of this dialog and remembers it as the answer.
    auto answer = [&](const std::string& button) {
      given = DialogAnswer{PressNamed(dialog->mObjects, button), 0, button};
    };
    const Profiles& profiles = mGame.GetProfiles();
    const bool named = profiles.HasCurrent() && profiles.current().Name() == mPlan.name;
    const AutoplayStep* step = CurrentStep();
    switch (id) {
      case kNameDialogId:
        Inject({"0 text " + Platform::WideToUtf8(mPlan.name), "300 key 0x0D"});
        mWaitUpdates = kPressUpdates;
        given = DialogAnswer{true, 0, ""};
        break;
      case kPlayersDialogId:
        // Create the plan's player, then leave with it chosen.
        if (named) {
          answer("btnOk");
        } else {
          PressNamed(dialog->mObjects, "btnCreate");
        }
        break;
      case kDifficultyDialogId: answer(mPlan.hard ? "btnHard" : "btnEasy"); break;
      case kExitDialogId: answer(PlanDone() ? "btnYes" : "btnNo"); break;
      case kGameMenuDialogId:
        if (dialog->mSceneName == "dlgDefeatMenu" && step != nullptr && step->kind == AutoplayStep::kLose) {
          NextStep("lost");
          answer(kReplayButtonName);
        } else if (dialog->mSceneName == "dlgGameMenu" && step != nullptr && step->kind == AutoplayStep::kUnlock &&
                   mStepPhase == 2) {
          NextStep("debug mode on, every level open");
          answer(kMapButtonName);
        } else {
          Complain("the plan has no answer to " + dialog->mSceneName);
        }
        break;
      default: Complain("the plan has no answer to " + dialog->mSceneName); break;
    }
    return true;
  }
  return false;
}

bool AutoplayDriver::TourScreen(int screen) {
  if (screen == kLevelScreen) return false;
  if (mActedScreen == screen) {
    // Pressed already in this visit: give the press its time, then again.
    if (++mRetryUpdates < kRetryUpdates) return true;
    mActedScreen = -1;
  }
  Screen* shown = mGame.GetScreen(screen);
  if (shown == nullptr) return true;
  const Profiles& profiles = mGame.GetProfiles();
  auto pressOnce = [&](const std::string& name) {
    if (PressNamed(shown->Objects(), name)) {
      mActedScreen = screen;
      mRetryUpdates = 0;
    }
  };
  switch (screen) {
    case kLoadingScreen:
      if (mGame.GetLoadState() == kClickShown) {
        Click(kMissX + 20, kMissY);
        mActedScreen = screen;
        mRetryUpdates = 0;
      }
      break;
    case kMainMenuScreen:
      // Without a player the name dialog is about to open by itself.
      if (!profiles.HasCurrent()) break;
      if (PlanDone()) {
        pressOnce("btnExit");
      } else if (profiles.current().Name() != mPlan.name) {
        pressOnce("btnWelcome");
      } else {
        pressOnce("btnStart");
      }
      break;
    case kMapScreen: {
      const AutoplayStep* step = CurrentStep();
      if (PlanDone()) {
        pressOnce("btnMenu");
      } else if (step->kind == AutoplayStep::kChoose) {
        auto* map = dynamic_cast<MapScreen*>(shown);
        if (map == nullptr) break;
        if (mStepPhase == 0) {
          // A press on the stage slider's track chooses the stage under it.
          const sObj* slider = shown->FindObject("StageProgress");
          if (slider == nullptr) {
            Complain("the map has no StageProgress");
            break;
          }
          const Quad& q = slider->mBaseQuad;
          const float left = (q.corner[0].x + q.corner[3].x) / 2.0f, right = (q.corner[1].x + q.corner[2].x) / 2.0f;
          const float y = (q.corner[0].y + q.corner[1].y + q.corner[2].y + q.corner[3].y) / 4.0f;
          const float x = left + (right - left) * static_cast<float>(step->stage - 1) / (MapScreen::kStageCount - 1);
          Click(static_cast<int>(std::lround(std::min(x, right - 1.0f))), static_cast<int>(y));
          mStepPhase = 1;
        } else if (mStepPhase == 1) {
          if (map->StageBar() == nullptr || map->StageBar()->mCurrent != step->stage - 1) {
            Complain("stage " + std::to_string(step->stage) + " cannot be chosen on the map");
            break;
          }
          if (PressNamed(shown->Objects(), "btnLevel" + std::to_string(step->number))) mStepPhase = 2;
        } else if (mStepPhase == 2) {
          if (!profiles.HasCurrent() || profiles.current().level != step->number - 1) {
            Complain("level " + std::to_string(step->number) + " cannot be chosen on the map");
            break;
          }
          NextStep("chosen");
          pressOnce("btnGame");
        }
      } else {
        pressOnce("btnGame");
      }
      break;
    }
    case kStoryScreen: pressOnce("btnNextMenu"); break;
    case kWinScreen: pressOnce("btnMenu"); break;
    default: break;
  }
  return true;
}

bool AutoplayDriver::TourLevel(GameScreen& level) {
  const AutoplayStep* step = CurrentStep();
  if (step == nullptr) return true;
  MiniGame* game = level.Game();
  int stage = 0, number = 0;
  mGame.GetCurrentLevel(&stage, &number);
  const std::string name = LevelSceneName(stage, number);
  if (game != nullptr && (game->IsWon() || game->IsLost())) {
    // A won level is the step's end; a finished level otherwise only shows
    // while it ends (the profile may already name the next one).
    if (step->kind == AutoplayStep::kWin && game->IsWon() && name == step->level) NextStep("won");
    return true;
  }
  if (name != step->level) {
    Complain("the plan's step is in " + step->level + ", the level is " + name);
    return true;
  }
  if (level.GetDialogState() != 2) return true;
  switch (step->kind) {
    case AutoplayStep::kWin: return false;
    case AutoplayStep::kLose:
      if (game == nullptr) return true;
      Inject(
          {"0 move " + std::to_string(kMissX) + " " + std::to_string(kMissY - (mStepPhase % 4) * 2), "50 click left"});
      ++mStepPhase;
      mWaitUpdates = kMissUpdates;
      return true;
    case AutoplayStep::kUnlock:
      if (mStepPhase == 0) {
        Inject({"0 text qopmu", "300 text a"});
        mStepPhase = 1;
        mWaitUpdates = kSettleUpdates;
      } else if (mStepPhase == 1) {
        const Profiles& profiles = mGame.GetProfiles();
        if (!profiles.HasCurrent() || !profiles.current().allUnlocked) {
          Complain("the debug word and 'a' did not open every level");
          return true;
        }
        if (PressNamed(level.HudObjects(), "btnMenu")) mStepPhase = 2;
      }
      return true;
    case AutoplayStep::kSkip:
      Inject({"0 text e"});
      NextStep("skipped");
      mWaitUpdates = kSettleUpdates;
      return true;
    case AutoplayStep::kChoose: Complain("the plan chooses on the map, the level " + name + " shows"); return true;
  }
  return true;
}

}  // namespace Kivo
