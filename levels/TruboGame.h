// Water pipes ("trubo_game"): a board of 8 x 7 pipe tiles (64 px apart from
// "rectLevel"'s first corner), each of a kind drawn with rand() from the
// level's "spTube" pictures, with the matching "sprWater" picture. Tiles
// cannot turn, only swap: a single left press selects a tile (it glows), a
// second one on another tile makes both slide into each other's places at 6
// px per update; the selected tile or a right press drops the selection.
// Water enters the top-left tile from above when "btnStartWater" is pressed
// (once per attempt) or when the water timer ("_fWaterTimer" seconds, 120 by
// default, shown by the bar "sprTimer") runs out; a tile fills in one second
// and then passes water through its other openings. An opening toward the
// left, top or right border or into a tile without the matching opening,
// or all water standing still, spills: the board shrinks away in 0.5 s,
// comes back with new kinds and the timer restarts. Won when the tile at
// column 5 of the bottom row is full; once won nothing spills any more, so
// the finished course stays in view.
//
// The board is one list shared by every TruboGame (construction empties it;
// each game deletes the tubes it made when it goes).
//
// Failures: no "spTube" sprite, fewer "sprWater" than "spTube" sprites, a
// tube or water sprite without a picture, or no "btnStartWater",
// "rectLevel" or "sprTimer" (with its picture) make the level unplayable
// (one log line; the game idles).
#pragma once

#include <vector>

#include "engine/KeyframeTrack.h"
#include "levels/MiniGame.h"

namespace Kivo {

class TruboGame;

// Sides of a tile, as the water enters them.
enum TubeSide : int32_t { kSideLeft = 1, kSideTop = 2, kSideRight = 3, kSideBottom = 4 };

// Whether tubes of kind have an opening on side; kinds 15 and up have none.
bool TubeOpensTo(int32_t kind, int32_t side);

class Tube : public TrackSprite {
 public:
  void Draw(Graphics& g) override;
  void Update(int unused) override;

  // Takes water through side; false when it has no opening there.
  bool Receive(int32_t side);

  int32_t mColumn = 0;
  int32_t mRow = 0;
  bool mHighlighted = false;
  float mHighlightLevel = 0.0f;
  bool mHighlightRising = false;
  int32_t mKind = 0;
  float mFill = 0.0f;
  int32_t mEntrySide = 0;
  bool mHasWater = false;
  Image* mWaterImage = nullptr;  // not owned
  TruboGame* mOwner = nullptr;

 private:
  void Flow();
};

class TruboGame : public MiniGame {
 public:
  static constexpr int kColumns = 8;
  static constexpr int kRows = 7;
  static constexpr float kTileSize = 64.0f;
  static constexpr float kSwapSpeed = 6.0f;

  TruboGame();
  ~TruboGame() override;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;
  int Draw(Graphics& g) override;

  // The first tube of the board at (column, row), or null.
  static Tube* TubeAt(int32_t column, int32_t row);
  static const std::vector<Tube*>& Board() { return sBoard; }

  void StartWater();
  void Spill();

  std::vector<Image*> mTubeImages;   // not owned
  std::vector<Image*> mWaterImages;  // not owned
  Tube* mSelected = nullptr;
  Image* mTimerImage = nullptr;  // not owned
  float mTimerX = 0.0f;
  float mTimerY = 0.0f;
  CountdownTimer mWaterTimer;
  bool mRunning = false;
  bool mSpilled = false;
  sObj* mStartButton = nullptr;  // "btnStartWater"
  bool mStartAllowed = true;

 private:
  bool CollectImages(const char* prefix, std::vector<Image*>& images);
  void BuildBoard(float x0, float y0);
  void GiveKind(Tube& tube);
  void Rebuild();
  static KeyframeTrack ScaleTrack(float from, float to);

  static std::vector<Tube*> sBoard;
};

}  // namespace Kivo
