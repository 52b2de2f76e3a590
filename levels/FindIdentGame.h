// Identical objects ("find_ident"): the player clicks every object of one
// group; each found one plays "finded", then spins and flies to the final
// place, where it vanishes with an effect and a sound. Won when every
// object of the group has arrived; a level with none is never won by play.
//
// Level data: "_iGroupFind" (default 2), "_iFinalX", "_iFinalY" (default
// 738, 118); kind-7 objects of that "_iGroup" are the targets; "soundFind",
// "soundCollected", "effOnPlace" are optional. Without the "finded"
// animation the level cannot be played: one log line, and the game idles.
#pragma once

#include <vector>

#include "engine/PlainKinds.h"
#include "levels/MiniGame.h"

namespace Kivo {

class FindIdentGame : public MiniGame {
 public:
  static constexpr int kWaiting = 0;
  static constexpr int kFound = 1;
  static constexpr int kArrived = 2;

  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override;
  bool HasHint() override { return true; }
  bool HasItemsCounter() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  int ObjectsLeft() const;

  int mGroup = 2;
  std::vector<sObjMesh*> mTargets;  // reverse level order; not owned
  float mFinalX = 738.0f;
  float mFinalY = 118.0f;
  sObj* mPlaceEffect = nullptr;
  sObj* mArrivalSound = nullptr;
};

}  // namespace Kivo
