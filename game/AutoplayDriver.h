// The autoplay driver of whole game runs (a harness mode of the game,
// switched on by GAME_AUTOPLAY on the headless backend): while a level
// screen runs it closes the goal notebook by its "btnOk" button, presses the
// tutorial panel's "ok" whenever the panel waits for it, and otherwise asks
// the level kind's autoplay rule for the next move every update, reading the
// mini-game through the level screen, and injects the move as input events
// through the queue that input scripts use. Every injected event is also
// written to a file as an input script: it starts by awaiting the level
// screen's focus, so that a run that reaches the level the same way (by
// the same prepared script) plays the same moves without the driver.
//
// With a plan (GAME_AUTOPLAY_PLAN, AutoplayPlan.h) the driver plays the
// whole game instead of a prepared script: it leaves the loading screen,
// answers the name, player and difficulty dialogs, goes from the map
// through the conversation into each level and does there what the plan's
// step says; with the plan done it goes back to the main menu and exits.
// It presses buttons by their names, at the middle of their quads, as soon
// as they take a press (whole and still), and goes on as soon as the game
// shows the press was taken (a dialog fading out, a screen switching). A
// plan that cannot be read is logged and the driver stays idle.
//
// A planned run is over when the driver says so, not when the clock finds
// it idle: while steps remain the headless idle close waits (main.cpp).
// The driver gives up on a step when it has injected nothing for two
// minutes of the game's clock, or for ten seconds in which every decision
// found the step impossible, or when one step has taken half an hour;
// it then logs "autoplay: plan not done: step N ...: why" and asks for the
// window to close, and the run exits with kPlanNotDoneExit. A planned run
// that ends any other way before the plan is done (or whose plan was
// refused) exits with that code too, after the same line. Each level the
// plan plays is logged once it ends, with its kind, outcome and the
// seconds it took of the game's clock, of real time and of the process's
// processor time (real time on a busy machine says little), for
// tools/play-whole-game.
//
// The driver acts only while no scripted input is pending, so a prepared
// script brings the game to the level first. Without a plan it does
// nothing on screens other than the level, on a level whose kind has no
// rule, and once the level is won or lost. A file that cannot be written
// is logged once; the run goes on.
#pragma once

#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/SceneLoader.h"
#include "platform/WinTypes.h"
#include "tools/autoplay/AutoplayPlan.h"
#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

class GameApp;
class GameDialog;
class GameScreen;
class sObj;

class AutoplayDriver {
 public:
  // planPath may be empty: then only levels are played.
  AutoplayDriver(GameApp& game, const std::string& scriptPath, const std::string& planPath);

  // The exit code of a planned run whose plan is not done.
  static constexpr int kPlanNotDoneExit = 3;

  // One decision, once per update of the application.
  void Step();
  // Whether a plan still has steps the driver is playing: the run is not
  // idle then, whatever the clock says.
  bool HasSteps() const { return mPlanLoaded && !mGaveUp && !PlanDone(); }
  // Whether the driver gave up on its plan and wants the run closed.
  bool GaveUp() const { return mGaveUp; }
  // At the end of the run: 0, or kPlanNotDoneExit (with the line naming
  // the step and why) for a plan not done.
  int ExitCode();

 private:
  // Updates before a move the rule asks for again is made again: the game
  // has not taken it yet (it was lost, or its effect is still on its way).
  // A different move is made as soon as the last one's events have
  // arrived: the rule reads the game, so the game has moved on.
  static constexpr int kSettleUpdates = 25;
  // Milliseconds of the game's clock per update.
  static constexpr DWORD kUpdateMs = 10;
  // Milliseconds between the pointer's arrival on a button and the press,
  // so that the button is hovered when pressed.
  static constexpr int kHoverMs = 20;
  // Updates to let pass after a press has arrived, for presses whose effect
  // the driver cannot see (the typed name).
  static constexpr int kPressUpdates = 10;

  // Queues events given as "<ms after now> <command>" and writes them to
  // the script file with times from the level screen's focus.
  void Inject(const std::vector<std::string>& events);
  // Whether the dialog has faded in and takes a press.
  static bool Settled(const GameDialog& dialog);
  // Whether the object takes a press now: a button takes one only once it
  // shows whole and has stopped animating (a press while it fades in is
  // lost).
  static bool TakesPress(const sObj& object);
  // Presses the goal notebook's "btnOk" while it shows.
  bool PressNotebook();
  // Presses the tutorial panel's "ok" while it waits for it.
  bool AnswerTutorial(GameScreen& level);
  void Press(const sObj& button);
  void Click(int x, int y);
  void PlayLevel(GameScreen& level);

  // The plan's part (AutoplayTour.cpp): one action on the dialog or screen
  // in front; true when it acted or has to wait.
  bool TourStep();
  bool TourDialog();
  bool TourScreen(int screen);
  // What the current step does in the level; true when the level rule is
  // not to play this update.
  bool TourLevel(GameScreen& level);
  // Presses the named object of a dialog or screen; false when missing or
  // not taking a press yet.
  bool PressNamed(const ObjectList& objects, const std::string& name);
  bool PlanDone() const { return mPlanLoaded && mStep >= mPlan.steps.size(); }
  const AutoplayStep* CurrentStep() const { return PlanDone() ? nullptr : &mPlan.steps[mStep]; }
  void NextStep(const std::string& what);
  // The current step as the plan says it ("win Level_1_1").
  std::string StepText() const;
  // Logged once per distinct text.
  void Complain(const std::string& text);
  // Ends the plan here: logs the step and why, and stops acting.
  void GiveUp(const std::string& why);
  // Gives up when the plan has stalled.
  void WatchProgress();
  // Logs the level's kind, outcome and times once it has ended.
  void ReportLevelEnd(GameScreen& level);

  GameApp& mGame;
  std::ofstream mScript;
  bool mScriptFailed = false;
  GameScreen* mLevel = nullptr;  // the level being played, not owned
  AutoplayRule mRule = nullptr;
  DWORD mLevelStart = 0;
  int mWaitUpdates = 0;
  bool mReported = false;
  // The rule's last move made, and the updates since its events arrived.
  bool mMoved = false;
  AutoplayMove mLastMove;
  DWORD mMoveEnd = 0;      // game clock of its last event
  DWORD mLastEventAt = 0;  // game clock of the last event injected

  bool mPlanned = false;     // a plan was asked for
  bool mPlanLoaded = false;  // and read
  AutoplayPlan mPlan;
  std::size_t mStep = 0;
  int mStepPhase = 0;  // progress inside the current step
  // The answer given to a dialog, by id, while it stays open.
  struct DialogAnswer {
    bool given = false;
    int updates = 0;     // since it was given
    std::string button;  // empty for a typed answer
  };
  std::map<int, DialogAnswer> mAnswers;
  int mActedScreen = -1;  // the screen acted on in its present visit
  int mRetryUpdates = 0;  // since that press
  std::string mLastComplaint;
  DWORD mComplainedAt = 0;      // game clock of the latest complaint
  DWORD mComplainingSince = 0;  // and of the first of its unbroken run
  bool mGaveUp = false;
  bool mWatching = false;
  DWORD mActedAt = 0;  // game clock of the last injected event
  DWORD mStepAt = 0;   // game clock when the current step began
  // The level in play, for the line logged at its end.
  std::string mLevelName;
  std::string mLevelKind;
  bool mLevelTimed = false;
  std::chrono::steady_clock::time_point mLevelRealStart;
  std::clock_t mLevelCpuStart = 0;  // the process's processor time then
};

}  // namespace Kivo
