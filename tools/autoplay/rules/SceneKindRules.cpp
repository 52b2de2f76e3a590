#include "tools/autoplay/rules/SceneKindRules.h"

#include <vector>

#include "levels/AssocGame.h"
#include "levels/HunterGame.h"
#include "levels/PairsGame.h"
#include "levels/PropertyValue.h"
#include "levels/StarmapGame.h"
#include "levels/TruboGame.h"
#include "levels/WhatNewGame.h"
#include "tools/autoplay/rules/RuleMoves.h"

namespace Kivo {

namespace {

using rule_moves::Click;
using rule_moves::Drag;
using rule_moves::kPlayRight;
using rule_moves::Wait;

bool InPlay(const Vec2& point) {
  return point.x >= 0.0f && point.x < kPlayRight && point.y >= 0.0f && point.y < 600.0f;
}

// The kind the course needs at (column, row), or -1 off the course; -2
// stands for any kind open to the left.
int CourseKind(int column, int row) {
  if (column == 0 && row < 6) return 9;
  if (column == 0 && row == 6) return 11;
  if (row == 6 && column >= 1 && column <= 4) return 10;
  if (row == 6 && column == 5) return -2;
  return -1;
}

bool Fits(int need, int kind) { return need == -2 ? TubeOpensTo(kind, kSideLeft) : need == kind; }

// A tube still sliding toward the place of a swap.
bool Sliding(const Tube& tube) {
  return tube.mMoving && (tube.mPosition.x != tube.mTarget.x || tube.mPosition.y != tube.mTarget.y);
}

Vec2 TubeCentre(const Tube& tube) { return Vec2(tube.mPosition.x + 32.0f, tube.mPosition.y + 32.0f); }

}  // namespace

bool HunterRule(MiniGame& game, AutoplayMove& move) {
  auto& hunt = static_cast<HunterGame&>(game);
  if (hunt.IsWon()) return false;
  for (Scene::ObjEntity* bird : hunt.mFlying) {
    if (bird->mObject == nullptr || !bird->mObject->mVisible) continue;
    const Vec2 centre = bird->mObject->mCentre;
    if (!InPlay(centre)) continue;
    Click(move, centre.x, centre.y);
    return true;
  }
  Wait(move, 5);
  return true;
}

bool TruboRule(MiniGame& game, AutoplayMove& move) {
  auto& pipes = static_cast<TruboGame&>(game);
  if (pipes.IsWon()) return false;
  const std::vector<Tube*>& board = TruboGame::Board();
  if (board.empty()) return false;
  if (pipes.mSpilled || pipes.mRunning) {
    Wait(move, 5);
    return true;
  }
  for (const Tube* tube : board) {
    if (Sliding(*tube)) {
      Wait(move, 2);
      return true;
    }
  }
  // The first course place whose tube does not fit.
  Tube* target = nullptr;
  int need = 0;
  std::vector<const Tube*> fitting;
  for (int i = 0; i < 12; ++i) {
    const int column = i < 7 ? 0 : i - 6;
    const int row = i < 7 ? i : 6;
    Tube* tube = TruboGame::TubeAt(column, row);
    if (tube == nullptr) return false;
    if (Fits(CourseKind(column, row), tube->mKind)) {
      fitting.push_back(tube);
    } else if (target == nullptr) {
      target = tube;
      need = CourseKind(column, row);
    }
  }
  const Vec2 start = pipes.mStartButton->mCentre;
  if (target == nullptr) {
    if (pipes.mSelected != nullptr) {
      Click(move, start.x, start.y, -1);
      return true;
    }
    Click(move, start.x, start.y);
    return true;
  }
  // A tube of the needed kind that no fitting course place holds.
  const Tube* source = nullptr;
  for (const Tube* tube : board) {
    if (tube == target || !Fits(need, tube->mKind)) continue;
    bool used = false;
    for (const Tube* kept : fitting) used = used || kept == tube;
    if (!used) {
      source = tube;
      break;
    }
  }
  if (source == nullptr) {
    // The kind is missing: spill for new tubes.
    if (pipes.mStartAllowed) {
      Click(move, start.x, start.y, pipes.mSelected != nullptr ? -1 : 1);
    } else {
      Wait(move, 5);
    }
    return true;
  }
  if (pipes.mSelected == nullptr) {
    const Vec2 c = TubeCentre(*target);
    Click(move, c.x, c.y);
  } else if (pipes.mSelected == target) {
    const Vec2 c = TubeCentre(*source);
    Click(move, c.x, c.y);
  } else {
    Click(move, 10.0f, 590.0f, -1);
  }
  return true;
}

bool StarmapRule(MiniGame& game, AutoplayMove& move) {
  auto& map = static_cast<StarmapGame&>(game);
  if (map.IsWon()) return false;
  for (const Star& star : map.mStars) {
    if (star.placed != 0) continue;
    for (const StarPlace& place : map.mPlaces) {
      if (place.free == 0 || place.type != star.type) continue;
      Drag(move, star.centreX, star.centreY, place.centreX, place.centreY);
      return true;
    }
  }
  Wait(move, 10);
  return true;
}

bool AssocRule(MiniGame& game, AutoplayMove& move) {
  auto& assoc = static_cast<AssocGame&>(game);
  if (assoc.IsWon()) return false;
  for (Scene::Entity* child : assoc.mElements->Children()) {
    auto* element = static_cast<AssocElement*>(child);
    if (element->mLocked || element->mObject == nullptr) continue;
    for (Scene::Entity* cellChild : assoc.mCells->Children()) {
      auto* cell = static_cast<AssocCell*>(cellChild);
      if (cell->mObject == nullptr || FindPropertyValue(cell->mObject, "_Element") != element->mName) continue;
      if (cell->mOccupant != nullptr && cell->mOccupant != element) {
        // A stranger sits there: take it out first.
        const Vec2 from = cell->mOccupant->mObject->mCentre;
        Drag(move, from.x, from.y, from.x, 560.0f);
        return true;
      }
      const Vec2 from = element->mObject->mCentre;
      const Vec2 to = cell->mObject->mCentre;
      Drag(move, from.x, from.y, to.x, to.y);
      return true;
    }
  }
  Wait(move, 10);
  return true;
}

bool PairsRule(MiniGame& game, AutoplayMove& move) {
  auto& pairs = static_cast<PairsGame&>(game);
  if (pairs.IsWon()) return false;
  const sObj* target = nullptr;
  if (pairs.mSelected != nullptr) {
    target = pairs.PartnerOf(pairs.mSelected);
  } else if (pairs.mLevelObjects != nullptr) {
    for (sObj* object : *pairs.mLevelObjects) {
      if (object->mVisible && pairs.PartnerOf(object) != nullptr) {
        target = object;
        break;
      }
    }
  }
  if (target == nullptr) {
    Wait(move, 10);
    return true;
  }
  Click(move, target->mCentre.x, target->mCentre.y);
  return true;
}

bool WhatNewRule(MiniGame& game, AutoplayMove& move) {
  auto& whatNew = static_cast<WhatNewGame&>(game);
  if (whatNew.IsWon()) return false;
  if (whatNew.mScene.Root().mPlayer.IsPlaying()) {
    Wait(move, 5);
    return true;
  }
  if (whatNew.mNewest != nullptr) {
    Click(move, whatNew.mNewest->mCentre.x, whatNew.mNewest->mCentre.y);
  } else {
    Click(move, 340.0f, 560.0f);
  }
  return true;
}

}  // namespace Kivo
