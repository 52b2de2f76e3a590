// Spot-the-difference ("find_diff"): one picture twice, side by side, 400
// pixels apart, split by a thin line at x = 400. The parts in play show in
// only one copy; the player clicks a part where it shows or at the same
// place in the other copy, which a pointer image follows mirrored. A found
// part plays "finded", then spins and flies to the final place, where it
// vanishes with an effect and a sound. Won when every part has arrived.
//
// Level data: kind-7 objects with a non-zero "_iGroup" are the candidates;
// "_iNumObjFind" (default 10; negative or more than the candidates takes
// them all, 0 none), "_iLeft", "_iFinalX", "_iFinalY" (default 50, 118);
// objects "part_game_draw", "fake_back", "effOnPlace", "soundFind",
// "soundCollected"; the image "custom_pointer" (without it the game plays
// without a pointer). Without the "finded" animation the level cannot be
// played: one log line, and the game stays idle.
#pragma once

#include <vector>

#include "engine/ImageSlot.h"
#include "engine/PlainKinds.h"
#include "levels/MiniGame.h"

namespace Kivo {

class FindDiffGame : public MiniGame {
 public:
  // Values of a part's state.
  static constexpr int kIdle = 0;
  static constexpr int kFound = 1;
  static constexpr int kInPlay = 2;
  static constexpr int kArrived = 3;

  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override;
  bool HasHint() override { return true; }
  bool HasItemsCounter() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  // The mirror point and the pointer quad from the mouse position.
  void PlacePointer();
  // Parts that have not arrived yet.
  int PartsLeft() const;

  std::vector<sObjMesh*> mTargets;  // reverse level order; not owned
  ImageSlot mPointerImage;
  float mFinalX = 50.0f;
  float mFinalY = 118.0f;
  float mMouseX = 0.0f;
  float mMouseY = 0.0f;
  float mMirrorX = 0.0f;
  float mMirrorY = 0.0f;
  float mPointerHalfWidth = 0.0f;
  float mPointerHalfHeight = 0.0f;
  Quad mPointerQuad{};
  sObj* mPlaceEffect = nullptr;
  sObj* mArrivalSound = nullptr;
  sObj* mCopyAnchor = nullptr;
  sObj* mCover = nullptr;
  int mTargetCount = 10;
  bool mLeft = false;
  float mShift = -400.0f;

 private:
  sObjMesh* HitTarget(float x, float y);
  void Found(sObjMesh& target);
  void DrawOtherCopy(Graphics& g);
};

}  // namespace Kivo
