// The put-it-back search ("find_list_object"): chosen items of the level
// picture are taken out of it, each leaving a glowing silhouette at its
// home, and a list at the side shows a few of them shrunk to fit. The player
// selects a list item (it pulses with the shared "finded" animation), then
// clicks its home in the picture: the item leaves the list, flies home while
// turning and reshaping into its outline, and becomes part of the picture
// again. The level is won when every kind-7 object of the level is home.
//
// A click on a list item is never a miss; a click in the picture misses
// only while an item is selected.
//
// Level properties and item keys are those of the find-list kinds
// (FindListGames.h), with the same defaults and 1 to kMaxListSlots slots.
// Init sets the scale of keys 1 and 3 of the shared "finded" animation to
// 1.2; the change lasts for the rest of the run.
// Failures: a level without "finded", with a "finded" of fewer than four
// keys, without a "soundFind" object, with a slot count out of range, with
// an item lacking its image or with no item to place is logged once and
// stays idle (MarkUnplayable); only the skip buttons end it then.
// "soundCollected" may be missing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "levels/FindListGames.h"

namespace Kivo {

class FindListObjectGame : public MiniGame {
 public:
  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override;
  bool HasHint() override { return true; }
  bool ShowsDisabledList() override { return true; }
  bool HasItemsCounter() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  // The slide step of the list boxes: rests 4 pixels below targetY.
  static void SlideList(Quad& box, float targetY) { SlideBox(box, targetY, 4.0f); }

  // Fills one slot from the pools: the item itself moves into the list.
  void FillSlot(ListSlot& slot);
  // One step of a placed item toward its home; true when it arrived.
  bool StepHome(sObjMesh& item);

  // The state the autoplay rules and tests read.
  const std::vector<ListSlot>& Slots() const { return mSlots; }
  const ListSlot* SelectedSlot() const { return mSelected >= 0 ? &mSlots[static_cast<size_t>(mSelected)] : nullptr; }

  int32_t mListSize = 3;
  uint32_t mTotal = 5;
  uint32_t mFound = 0;
  std::vector<sObjMesh*> mRandomPool;
  std::vector<sObjMesh*> mFinalPool;
  std::vector<ListSlot> mSlots;
  float mListX = 739.0f;
  float mListY = 160.0f;
  int mSelected = -1;  // the selected slot's position, -1 for none
  sObj* mHomeSound = nullptr;

 private:
  void CompactSlots(size_t from);
  bool AnySlotUsed() const;
  bool EveryItemHome() const;
};

}  // namespace Kivo
