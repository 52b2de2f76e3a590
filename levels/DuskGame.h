// Dusk ("dusk"): patches of dusk lie over the scene. Each click on a patch
// lightens it by 40 steps of alpha with an effect and a sound; a patch at
// alpha 40 or less vanishes on the next click and counts as cleared. The
// items counter shows the cleared share in percent through the level's
// template text. Won when every patch is cleared.
//
// Level data: kind-7 objects of "_iGroup" 3 are the patches (hit by their
// corner quad); "_keyTextStayShablon" names the data.txt template, which
// takes one integer through the shared data formatter (any other
// conversion is copied as it stands); "effDusk" is optional. A level with
// no patch shows 0 % and is never won by play. Misses show the cross but
// never count toward the hard-mode penalty.
#pragma once

#include <string>
#include <vector>

#include "engine/PlainKinds.h"
#include "levels/MiniGame.h"

namespace Kivo {

class DuskGame : public MiniGame {
 public:
  static constexpr int kDark = 0;
  static constexpr int kCleared = 3;

  int Draw(Graphics& g) override;
  int MouseDown(int x, int y, int clickCount) override;
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override;
  bool HasHint() override { return true; }
  bool HasItemsCounter() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  std::vector<sObjMesh*> mPatches;  // reverse level order; not owned
  sObj* mDuskEffect = nullptr;
  std::wstring mCounterTemplate;
};

}  // namespace Kivo
