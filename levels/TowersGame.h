// The towers of disks ("towers", TowersGame): every disk starts on the first
// tower, disk 0 at the bottom; the player lifts the top disk of a tower,
// carries it and sets it on another tower, never on a disk of a higher
// number; the level is won when every disk stands on the last tower.
//
// Level objects: "sprTower0", "sprTower1" ... (up to the first missing
// number; properties "_iOffsetX", "_iOffsetY") and the pairs "sprDisk<n>" and
// "sprDisk<n>_front" ("_iCenterX", "_iCenterY", "_iBoundSize",
// "_iBoundPos"), all hidden: the game draws their pictures itself, each
// disk's back half behind the towers and its front half before them.
//
// Every action happens on a button release while nothing moves (carry state
// 0). Motions are sine-eased straight moves timed in milliseconds by the
// application's update interval; a carried disk bobs 5 pixels either way
// once a second; towers and disks under the pointer glow over 300 ms.
//
// Failures: a level without "sprTower0" is unplayable (one log line; the game
// stays idle). The game never reports misses.
#pragma once

#include <cstdint>
#include <vector>

#include "levels/MiniGame.h"

namespace Kivo {

class Image;

// An image placed on the screen by a reference point.
struct SpritePart {
  Image* image = nullptr;  // not owned
  float x = 0.0f;          // the reference point on the screen
  float y = 0.0f;
  Quad quad;            // corners relative to the reference point
  Quad displayQuad;     // quad + position
  float pivotX = 0.0f;  // the reference point from the rectangle's top-left
  float pivotY = 0.0f;

  // From the object's base quad, the reference point at its centre.
  void FromObject(const sObj& object, Image* picture);
  // Moves the reference point within the picture; the picture stays put.
  void SetPivot(float px, float py);
  void SetPosition(float px, float py);
  void Draw(Graphics& g, uint32_t glowLevel) const;
};

struct TowerDisk {
  int number = 0;
  bool bobbing = false;
  uint32_t bobPhase = 0;  // ms, 0..999
  SpritePart back;
  SpritePart front;
  bool glowOn = false;
  uint32_t glowLevel = 0;  // ms, 0..300
  float referenceX = 0.0f;
  float referenceY = 0.0f;
  float boundPos = 0.0f;
  float boundSize = 0.0f;
  Vector2 position;
  Vector2 target;
  Vector2 start;
  Vector2 distance;
  uint32_t elapsed = 0;
  uint32_t duration = 0;

  void StartMotion(float tx, float ty, uint32_t ms);
  bool MotionEnded() const { return elapsed >= duration; }
  void Step(uint32_t interval);
};

struct Tower {
  SpritePart part;
  std::vector<int> disks;  // bottom first
  bool glowOn = false;
  uint32_t glowLevel = 0;
  float offsetX = 0.0f;
  float offsetY = 0.0f;
  float baseX = 0.0f;
  float baseY = 0.0f;
};

class TowersGame : public MiniGame {
 public:
  enum CarryState {
    kIdle = 0,
    kLifting = 1,
    kCarrying = 2,
    kSettingDown = 3,
    kRefusedApproach = 4,
    kRefusedDip = 5,
    kRefusedRise = 6,
  };

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int Draw(Graphics& g) override;
  int MouseMove(int x, int y) override;
  int MouseUp(int x, int y, int clickCount) override;
  bool ShowsDisabledList() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  // The motions of a disk toward a tower.
  void MoveAbove(int tower, TowerDisk& disk, float speed);
  void PlaceOnTop(int tower, TowerDisk& disk);
  void Dip(int tower, TowerDisk& disk);

  // The tower whose picture or disk fronts hold the point, or -1.
  int TowerAt(float x, float y) const;
  // Milliseconds per update.
  static uint32_t Interval();

  std::vector<Tower> mTowers;
  std::vector<TowerDisk> mDisks;
  int mCarried = -1;
  int mHovered = -1;
  int mWorking = -1;
  int mState = kIdle;

 private:
  void SetTopGlow(int tower, bool on);
  void AdvanceCarry();
};

}  // namespace Kivo
