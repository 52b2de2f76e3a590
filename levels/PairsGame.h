// Pairs ("pairs"): items (engine kind 7) showing the same image belong
// together. A click on one selects it (it glows white), a click on its
// partner hides both, bursts "effOnPlace" at the partner and plays
// "soundFind"; a click on another item moves the selection, a click on no
// item drops it. Won when every pair is found; the HUD's items counter shows
// the pairs left.
//
// Partners are kept in the game's own map (each item to its partner, both
// ways); the engine objects' bound-entity field is never touched. Of three
// items with one image the first two pair up and the third is hidden, as is
// an item whose image no other item shares or that has no image at all.
//
// Limits: hits use the item's whole image in its own unscaled pixels, turned
// by the direction of the item's top edge; transparent pixels let the click
// through to items below. A level without pairs is won in its first update
// and its counter fraction is 0.
#pragma once

#include <map>

#include "engine/PlainKinds.h"
#include "levels/MiniGame.h"

namespace Kivo {

class PairsGame : public MiniGame {
 public:
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  int Draw(Graphics& g) override;
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override;
  bool ShowsDisabledList() override { return true; }
  bool HasItemsCounter() override { return true; }

  // The partner of item, or null.
  sObjMesh* PartnerOf(const sObj* item) const;
  // The visible item with a partner whose opaque pixel lies under (x, y),
  // topmost first; null when the point hits none.
  sObjMesh* ItemAt(int x, int y) const;

  int32_t mFoundCount = 0;
  int32_t mPairCount = 0;
  sObjMesh* mSelected = nullptr;
  sObj* mPlaceEffect = nullptr;  // "effOnPlace"
  sObj* mFindSound = nullptr;    // "soundFind"

 private:
  std::map<const sObj*, sObjMesh*> mPartners;
};

}  // namespace Kivo
