// The hidden-object searches with a list: the level picture holds findable
// items (engine kind 7, sObjMesh) and a list at the side shows a few of
// them. A click on a listed item plays its "finded" animation; the item then
// flies into its slot, turning and trailing sparks, the slots below move up
// and the list takes the next item. The level is won when filling a slot
// finds nothing left and no slot is in use.
//
// FindListMaskGame ("find_list_mask") shows each item's white silhouette
// fitted into a box; FindListTextGame ("find_list_text") shows the item's
// name as a wrapped text row laid out by the HUD root's "_iListTextLineWidth",
// "_iListTextLineInterval" and "_iListTextLineSpacing". FindListGame holds
// everything they share.
//
// Level properties: "_iNumObjFind" (items to find, default 5),
// "_iNumObjList" (slots, default 3 mask, 5 text), "_iListX" (default 739),
// "_iListY" (default 160); items: "_iGroup", "_iStatic", "_keyText".
//
// Limits: 1 to kMaxListSlots slots. Static items enter the list only after
// every random one is done, one at a time. A row without a width draws its
// name on one line centred on the list.
// Failures: a level without the shared "finded" animation or a
// "soundCollected" object, or with a slot count out of range, is logged
// once and stays idle (MarkUnplayable); "soundFind" may be missing. A level
// without findable items is won at once. The items counter never goes below
// 0 and its bar stays within 0..1, also when more items are found than the
// level asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/PlainKinds.h"
#include "levels/MiniGame.h"

namespace Kivo {

// One entry of the list, top to bottom.
struct ListSlot {
  Quad box;                  // corners from the top left, clockwise
  sObjMesh* item = nullptr;  // null while the slot is empty
  int32_t index = 0;         // position in the list
  int32_t fade = 0;          // 0..255, raised by 5 per update
};

// Items per list the kinds accept.
constexpr int32_t kMaxListSlots = 30;

// Fits a picture of width x height into a list box: an upright picture's
// height into 20..60, any other's width into 20..70, the other side scaled
// by the same factor.
void FitListBox(float width, float height, float& boxWidth, float& boxHeight);

// The items counter: the items still to find (never below 0) as text, and
// the bar value 1 - found / total within 0..1 (0 without items to find).
float ListItemsText(const std::wstring& format, std::wstring& text, uint32_t total, uint32_t found);

// The middle of corners 0 and 2 of a quad.
Vec2 QuadMiddle(const Quad& quad);

// One slide step of a list box toward its resting place, rest pixels below
// targetY: up 4.5 pixels while that keeps it below the place, else onto it
// exactly (up or down).
void SlideBox(Quad& box, float targetY, float rest);

class FindListGame : public MiniGame {
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

  // Fills one slot from the pools (random first, then one static item when
  // the list is empty); sets the won flag when nothing is left anywhere.
  void FillSlot(ListSlot& slot);
  // Moves the items after position `from` up into the free positions, then
  // fills the first free one.
  void CompactSlots(size_t from);
  // One flight step of the slot's found item; true when it arrived.
  bool FlyToSlot(ListSlot& slot);
  bool AnySlotUsed() const;

  // The state the autoplay rules and tests read.
  const std::vector<ListSlot>& Slots() const { return mSlots; }

  int32_t mListSize = 3;
  uint32_t mTotal = 5;
  uint32_t mFound = 0;
  std::vector<sObjMesh*> mRandomPool;
  std::vector<sObjMesh*> mFinalPool;
  std::vector<ListSlot> mSlots;
  float mListX = 739.0f;
  float mListY = 160.0f;
  sObj* mCollectedSound = nullptr;

 protected:
  // The factory's type string, for log lines.
  virtual const char* KindName() const = 0;
  virtual int32_t DefaultListSize() const = 0;
  // Whether a kind-7 object of the level is one of this kind's items.
  virtual bool IsCandidate(const sObjMesh& item) const = 0;
  // Called on every item that ends up in a pool (mask: builds its silhouette).
  virtual void PrepareItem(sObjMesh& item) {}
  // The size of the box a slot's item gets.
  virtual void BoxSize(const sObjMesh& item, float& width, float& height) const = 0;
  // Pixels between a slot and the one above it when it is filled.
  virtual float FillGap() const = 0;
  // One slide step of a box toward its resting place below targetY.
  virtual void SlideSlot(Quad& box, float targetY) const = 0;
  // What a slot after the first slides toward: the bottom of the one above.
  virtual float FollowOffset() const = 0;
  // Draws the slots' entries (step 3 of the frame).
  virtual void DrawList(Graphics& g) = 0;
};

class FindListMaskGame : public FindListGame {
 protected:
  const char* KindName() const override { return "find_list_mask"; }
  int32_t DefaultListSize() const override { return 3; }
  bool IsCandidate(const sObjMesh& item) const override { return item.mGroup != 0; }
  void PrepareItem(sObjMesh& item) override { item.BuildHighlightImage(); }
  void BoxSize(const sObjMesh& item, float& width, float& height) const override;
  float FillGap() const override { return 11.0f; }
  void SlideSlot(Quad& box, float targetY) const override;
  float FollowOffset() const override { return 8.0f; }
  void DrawList(Graphics& g) override;
};

class FindListTextGame : public FindListGame {
 protected:
  const char* KindName() const override { return "find_list_text"; }
  int32_t DefaultListSize() const override { return 5; }
  bool IsCandidate(const sObjMesh& item) const override { return true; }
  void BoxSize(const sObjMesh& item, float& width, float& height) const override;
  float FillGap() const override { return 15.0f; }
  void SlideSlot(Quad& box, float targetY) const override;
  float FollowOffset() const override { return 0.0f; }
  void DrawList(Graphics& g) override;

 private:
  // A key of the HUD root as a decimal integer; 0 when missing.
  int HudInt(const std::string& key) const;
};

}  // namespace Kivo
