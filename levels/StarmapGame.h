// Star map ("starmap"): the stars "sprStar0", "sprStar1", ... are scattered
// over the sky ("sprStarTrack") at the start, avoiding the whole column and
// row of the small map ("sprStarMini"), and the player drags them back onto
// free places of their own "_iStarType". A star under the pointer glows; a
// dragged star follows the pointer axis by axis inside the sky and around
// the small map and snaps onto any matching free place its centre enters;
// let go there it is fixed (opaque, spinning). When every star is fixed the
// sky picture fades in and the level is won. Random draws come from the
// engine's LCG; timers advance by the update interval in milliseconds.
//
// Failures: a level without "sprStarTrack" or "sprStarMini" is unplayable
// (one log line; the game idles). A level without "sprStar0" has no stars
// and is won within a second.
#pragma once

#include <vector>

#include "levels/MiniGame.h"

namespace Kivo {

class Image;

struct Star {
  int32_t type = 0;
  int32_t placed = 0;      // 1 fixed
  Image* image = nullptr;  // not owned
  float centreX = 0.0f, centreY = 0.0f;
  float width = 0.0f, height = 0.0f;
  Quad quad;
  bool hovered = false;
  uint32_t glow = 0;     // ms, 0..300
  uint32_t twinkle = 0;  // ms, 0..999
  float angle = 0.0f;    // radians
  int32_t spinUp = 0;    // 1 turns the angle up
};

struct StarPlace {
  float centreX = 0.0f, centreY = 0.0f;
  int32_t type = 0;
  Quad quad;
  int32_t free = 1;
};

class StarmapGame : public MiniGame {
 public:
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;
  int Draw(Graphics& g) override;
  bool ShowsDisabledList() override { return true; }

  // The first free star whose box holds (x, y), or -1.
  int StarAt(float x, float y) const;
  // The first free place of the star's type holding its centre, or -1.
  int PlaceFor(int star) const;
  // Moves the star toward (x, y) axis by axis, then snaps it onto a place.
  void DragTo(int star, float x, float y);

  std::vector<Star> mStars;
  std::vector<StarPlace> mPlaces;
  int mHovered = -1;
  int mDragged = -1;
  sObj* mSky = nullptr;       // "sprStarTrack"
  sObj* mSmallMap = nullptr;  // "sprStarMini"
  int32_t mPlacedCount = 0;
  uint32_t mPulse = 0;  // ms, 0..4999
  int32_t mFadeStarted = 0;
  uint32_t mFade = 0;  // 0..1000

 private:
  void Scatter(Star& star);
  bool OverlapsSmallMap(float cx, float cy, float w, float h) const;
  void DrawStar(Graphics& g, const Star& star) const;
};

}  // namespace Kivo
