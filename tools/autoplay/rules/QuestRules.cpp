#include "tools/autoplay/rules/QuestRules.h"

#include <cmath>

#include "levels/QuestGame.h"

namespace Kivo {

namespace {

bool Clickable(const QuestElement& e) {
  return e.disabled == 0 && !e.appearing && !e.ending && e.available && e.parts.empty();
}

void ClickAt(const sObj& object, AutoplayMove& move, int clicks = 1) {
  move.kind = AutoplayMove::kClick;
  move.x = static_cast<int>(std::lround(object.mCentre.x));
  move.y = static_cast<int>(std::lround(object.mCentre.y));
  move.clicks = clicks;
}

}  // namespace

bool QuestRule(MiniGame& game, AutoplayMove& move) {
  auto* quest = dynamic_cast<QuestGame*>(&game);
  if (quest == nullptr || quest->IsWon() || quest->IsUnplayable() || quest->mEndTimer.IsRunning()) return false;
  if (quest->mHeld != nullptr) {
    for (const QuestElement& spot : quest->mElements) {
      if (Clickable(spot) && spot.object->mGroup == 3 && !spot.needed.empty() && spot.needed.front() == quest->mHeld) {
        ClickAt(*spot.object, move);
        return true;
      }
    }
    // Nowhere to use it yet: put it back.
    ClickAt(*quest->mHeld->object, move, -1);
    return true;
  }
  for (const QuestElement& spot : quest->mElements) {
    if (!Clickable(spot) || spot.object->mGroup != 3 || spot.needed.empty()) continue;
    const QuestElement& item = *spot.needed.front();
    if (Clickable(item) && item.object->mGroup == 4 && item.object->mAlpha == 255 && item.object->mVisible) {
      ClickAt(*item.object, move);
      return true;
    }
  }
  for (const QuestElement& spot : quest->mElements) {
    if (Clickable(spot) && spot.byHand && &spot != quest->mFinal) {
      ClickAt(*spot.object, move);
      return true;
    }
  }
  for (const QuestTool& tool : quest->mTools) {
    if (tool.tool->mState == QuestGame::kWaiting && tool.tool->mAlpha == 255) {
      ClickAt(*tool.tool, move);
      return true;
    }
  }
  if (quest->mFinalStage == 2 && quest->mFinal != nullptr && Clickable(*quest->mFinal)) {
    ClickAt(*quest->mFinal->object, move);
    return true;
  }
  return false;
}

}  // namespace Kivo
