// The lamps ("lamps", LampsGame): a square grid of lamps, all off at the
// start. Pressing a lamp switches it and its orthogonal neighbours; the level
// is won when every lamp is on, at once or, with a "barProgress" slider,
// when the bar has filled. The hint runs a solver over the 2^n patterns of
// presses in the first column and chases the lights down the others.
//
// Level data: "_keyImg_lamp" (two cels side by side: off, on), "_iNumQuad"
// (default 5), "_iBeginX"/"_iBeginY" (default 100), "_iGapX"/"_iGapY"
// (default 0), "_sEffDo_1", "_sEffDo_2" ... (effects started at the win);
// optional objects "barProgress", "sprLeft", "sprRight".
//
// Limits: n from 1 to 20, so the solver's 2^n attempts stay quick. Failures:
// a missing lamp image or n outside 1..20 make the level unplayable (one log
// line; the game stays idle). The game never reports misses.
#pragma once

#include <vector>

#include "engine/ImageSlot.h"
#include "levels/MiniGame.h"

namespace Kivo {

class sObjSlider;
class sObjSprite;

struct Lamp {
  Quad quad;
  int lit = 0;
  int a = 0;             // along x
  int b = 0;             // along y
  bool pressed = false;  // the solver's working copy only
};

class LampsGame : public MiniGame {
 public:
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int Draw(Graphics& g) override;
  int MouseDown(int x, int y, int clickCount) override;
  bool HasHint() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  // Switches lamp (a, b) of lamps and its up to four neighbours.
  void Toggle(std::vector<Lamp>& lamps, int a, int b) const;
  // Fills the working copy with the first pattern that lights every lamp,
  // else with the last attempt.
  void Solve();

  int mSize = 0;  // n
  std::vector<Lamp> mLamps;
  std::vector<Lamp> mWork;
  std::vector<bool> mChoice;  // presses of the lamps with a = 0
  int mGapX = 0;
  int mGapY = 0;
  ImageSlot mLampImage;
  sObjSlider* mBar = nullptr;
  sObjSprite* mLeft = nullptr;
  sObjSprite* mRight = nullptr;
  bool mFinished = false;
  std::vector<sObj*> mEffects;

 private:
  void Finish();
  bool AllLit() const;
};

}  // namespace Kivo
