// The game's side of the gallery runs (tools/gallery), on the headless
// backend with GAME_TEXT_LOG set. Every saved frame's block in the text log
// gets the objects a player can press or find in it: the top-most dialog's
// when one is open, else the screen's, and in a level the level's, the
// HUD's and the tutorial panel's, each line
//   object OWNER NAME KIND X Y W H CAPTION PICTURE
// (box of the object's quad, CAPTION and PICTURE 0 or 1), the HUD's panel as
// KIND "panel", the level kind's pieces, cards and targets (GalleryPieces.h)
// while it plays, its hint target as KIND "target" (W = H = 0),
// and one line "level TYPE CLOCK COUNTER" with what the level's HUD must show.
//
// With GAME_FRAME_DUMP set too, frames are also saved at the moments the
// screens' arrivals do not cover: "dialog_<scene>" once each dialog has
// faded in, in a level "KIND_dialog_<scene>" (KIND the level's type_game);
// "map" once the map's story page has come in;
// in a level "KIND_tutorial" while its panel waits, "KIND_start" once play
// begins, and "KIND_won" or "KIND_lost" during the level's closing message.
// With the autoplay driver playing the level also "KIND_hint" after a press
// on the HUD's hint button, "KIND_play" after the driver has played a while
// and "pause" (in Level_1_1 only) while the window is without focus, and
// once per run, when a level's game menu has been taken, its leave button
// is pressed for the leave dialog's frame and the dialog answered "no";
// while such a moment is being taken the driver waits. Such a run draws only the
// frames it saves and one in kDrawEvery besides (DrawWanted), and saves
// only the frames tools/gallery keeps: each name once, and of the screens'
// arrivals ("focusNNN_screenT") only the first conversation and win screen.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace Kivo {

class GameApp;
class GameDialog;
class GameScreen;
class sObj;

class GalleryMoments {
 public:
  // driven: the autoplay driver plays the levels, and may be held.
  GalleryMoments(GameApp& game, bool takeFrames, bool driven);
  ~GalleryMoments();
  GalleryMoments(const GalleryMoments&) = delete;
  GalleryMoments& operator=(const GalleryMoments&) = delete;

  // Once per update; false while the autoplay driver must not act.
  bool Step();
  // Whether the next frame is to be drawn. Drawing is most of a run's
  // work, so a gallery run draws the frames it saves and, for the texts
  // drawn between them, one frame in kDrawEvery.
  bool DrawWanted();

 private:
  // Updates a dialog or screen is left to settle before its frame.
  static constexpr int kSettleUpdates = 10;
  // A dialog's frame follows the end of its fade-in closely: scripted runs
  // answer dialogs soon after.
  static constexpr int kDialogSettleUpdates = 3;
  // Updates of the map before its frame: the story page waits half a second
  // and then waves in for a second.
  static constexpr int kMapSettleUpdates = 150;
  // Updates a tutorial panel is waited for to finish its fade-in.
  static constexpr int kTutorialFadeUpdates = 120;
  // Updates after the hint's press, and of the driver's play, before their
  // frames.
  static constexpr int kHintUpdates = 80;
  static constexpr int kPlayUpdates = 300;
  // A quarter of a second of the game: a text shown for less is hardly
  // read by a player either.
  static constexpr int kDrawEvery = 25;

  enum class LevelPhase { kArrived, kStarted, kHinted, kPlaying, kPausing, kDone, kEnded };
  enum class LeavePhase { kNotYet, kPressed, kAnswered, kDone };
  // Updates the leave dialog is waited for before the run goes on without.
  static constexpr int kLeaveWaitUpdates = 300;

  std::vector<std::string> ListObjects() const;
  GameDialog* TopDialog() const;
  bool StepMap();
  bool StepDialog();
  bool StepLevel(GameScreen& level);
  bool StepLeave();
  void Press(const sObj& object);
  void Take(const std::string& name);
  // Whether a requested frame is one the gallery keeps (the frame dump
  // filter).
  bool Keeps(const std::string& name);
  void Inject(const std::string& events);

  GameApp& mGame;
  bool mTakeFrames;
  bool mDriven;
  const void* mDialog = nullptr;  // the dialog whose frame is taken or pending
  bool mDialogTaken = false;
  int mDialogUpdates = 0;
  const GameScreen* mLevel = nullptr;
  LevelPhase mPhase = LevelPhase::kArrived;
  int mUpdates = 0;
  bool mTutorialTaken = false;
  bool mMapTaken = false;
  int mMapUpdates = 0;
  int mTutorialUpdates = 0;
  bool mEndTaken = false;
  LeavePhase mLeave = LeavePhase::kNotYet;
  int mLeaveUpdates = 0;
  int mUndrawn = 0;              // frames not drawn since the last drawn one
  std::set<std::string> mSaved;  // names, and "screenT" for arrivals
};

}  // namespace Kivo
