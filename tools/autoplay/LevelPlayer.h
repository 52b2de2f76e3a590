// Plays one level of the open scene database in process, without a window:
// loads the level scene and the HUD scene "mnGame", makes the mini-game of
// the level's "type_game" through the factory, and then, update by update,
// lets the kind's autoplay rule choose a move and feeds it to the mini-game
// the way the level screen routes input (moves to the level objects and the
// mini-game; presses and releases to the mini-game). Level and HUD objects
// advance every update and report their animation ends to the mini-game.
//
// Used by the level tests; whole game runs (menus, dialogs, demos) use the
// same rules through input scripts instead.
#pragma once

#include <memory>
#include <string>

#include "engine/SceneLoader.h"
#include "levels/MiniGame.h"
#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

struct LevelPlayResult {
  bool won = false;
  bool lost = false;
  int updates = 0;
  int moves = 0;
  std::string failure;  // why the level could not be played, else empty
};

class LevelPlayer : public ObjEventListener {
 public:
  LevelPlayer() = default;
  ~LevelPlayer();
  LevelPlayer(const LevelPlayer&) = delete;
  LevelPlayer& operator=(const LevelPlayer&) = delete;

  // Loads the scene and makes its mini-game; false with the reason when the
  // scene is missing or its type names no kind.
  bool Load(const std::string& levelScene, std::string* error);
  // Plays until the mini-game is won or lost or maxUpdates have passed.
  LevelPlayResult Play(int maxUpdates);

  // One update in the level screen's order: level objects, HUD objects,
  // then the mini-game unless it is won or lost.
  void Step();
  // Carries out one move, stepping the updates it takes.
  void Perform(const AutoplayMove& move);

  MiniGame* Game() const { return mGame.get(); }
  const std::string& Type() const { return mType; }
  ObjectList& LevelObjects() { return mLevel; }
  ObjectList& HudObjects() { return mHud; }

  // ObjEventListener: animation ends reach the mini-game.
  void OnAnimationEnd(std::string name, std::string animation) override;

 private:
  void Move(int x, int y);
  void Adopt(ObjectList& list);

  ObjectList mLevel;
  ObjectList mHud;
  std::unique_ptr<MiniGame> mGame;
  AutoplayRule mRule = nullptr;
  std::string mType;
  int mUpdateCount = 0;
  int mUpdates = 0;
  int mMoves = 0;
};

}  // namespace Kivo
