#include "tools/autoplay/rules/FindListRules.h"

#include "levels/FindListGames.h"
#include "levels/ObjectListGame.h"

namespace Kivo {

namespace {

void Click(AutoplayMove& move, Vec2 at) {
  move.kind = AutoplayMove::kClick;
  move.x = static_cast<int>(at.x);
  move.y = static_cast<int>(at.y);
  move.clicks = 1;
}

void Wait(AutoplayMove& move) {
  move.kind = AutoplayMove::kWait;
  move.updates = 1;
}

}  // namespace

bool FindListRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<FindListGame&>(base);
  if (game.IsWon() || game.IsUnplayable()) return false;
  // The hint's answer: the first listed item not yet found.
  for (const ListSlot& slot : game.Slots()) {
    if (slot.item == nullptr || slot.item->mState == 1) continue;
    Click(move, QuadMiddle(slot.item->mBaseQuad));
    return true;
  }
  Wait(move);  // every listed item is on its way to the list
  return true;
}

bool FindListObjectRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<FindListObjectGame&>(base);
  if (game.IsWon() || game.IsUnplayable()) return false;
  if (const ListSlot* selected = game.SelectedSlot(); selected != nullptr && selected->item != nullptr) {
    Click(move, QuadMiddle(selected->item->mTargetQuad));
    return true;
  }
  for (const ListSlot& slot : game.Slots()) {
    if (slot.item == nullptr || slot.item->mState == 1) continue;
    Click(move, QuadMiddle(slot.item->mBaseQuad));
    return true;
  }
  Wait(move);  // the last items are flying home
  return true;
}

}  // namespace Kivo
