#include "tools/autoplay/rules/MovingPartsRules.h"

#include "levels/AkvaGame.h"
#include "levels/BalanceGame.h"
#include "levels/CardsGame.h"
#include "levels/JumperGame.h"
#include "levels/SeifGame.h"
#include "tools/autoplay/rules/RuleMoves.h"

namespace Kivo {

namespace {

using rule_moves::Click;
using rule_moves::Wait;

Vec2 Centre(const Quad& quad) {
  return Vec2((quad.corner[0].x + quad.corner[2].x) * 0.5f, (quad.corner[0].y + quad.corner[2].y) * 0.5f);
}

// Where and after how many updates the ball comes down to the trampoline's
// top, following the game's own motion; false for a ball that will be
// tossed on at the start or end point first, or that leaves the screen.
bool Landing(const JumperGame& game, const JumperGame::Ball& ball, float& x, int& ticks) {
  Vec2 c = ball.centre;
  Vec2 v = ball.velocity;
  const float top = game.mTrampoline.corner[0].y + 4.0f;
  for (int t = 1; t < 600; ++t) {
    c = Vec2(c.x + v.x, c.y + v.y);
    v = Vec2(v.x + ball.acceleration.x, v.y + ball.acceleration.y);
    if (v.y > 0.0f && c.y >= top) {
      x = c.x;
      ticks = t;
      return true;
    }
    if (c.y - game.mHalfWidth > 600.0f || c.x - game.mHalfWidth > 800.0f) return false;
    if (Vec2::DistanceSq(c, game.mEnd) < 10.0f || Vec2::DistanceSq(c, game.mStart) < 10.0f) return false;
  }
  return false;
}

}  // namespace

bool JumperRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<JumperGame&>(base);
  if (game.IsWon() || game.IsUnplayable()) return false;
  int best = -1;
  float bestX = 0.0f;
  for (const JumperGame::Ball& ball : game.mBalls) {
    if (ball.state != 1) continue;
    float x = 0.0f;
    int ticks = 0;
    if (Landing(game, ball, x, ticks) && (best < 0 || ticks < best)) {
      best = ticks;
      bestX = x;
    }
  }
  if (best < 0) {
    Wait(move);
    return true;
  }
  Click(move, bestX, 300.0f);
  return true;
}

bool CardsRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<CardsGame&>(base);
  if (game.IsWon() || game.IsUnplayable()) return false;
  bool moving = game.mSecondPick >= 0;
  for (const CardsGame::Card& card : game.mCards) moving = moving || (card.state == 0 && card.progress != 1.0f);
  HintPoint first, second;
  if (moving || game.GetHintPosition(first, second) != kHintClosedAtBoth) {
    Wait(move);
    return true;
  }
  const HintPoint& target = game.mFirstPick < 0 ? first : second;
  Click(move, target.x, target.y);
  return true;
}

bool BalanceRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<BalanceGame&>(base);
  if (game.IsWon() || game.IsUnplayable()) return false;
  if (!game.mFader.IsPlaying()) {
    for (size_t i = 0; i < game.mWeights.size(); ++i) {
      const WeightNode& weight = *game.mWeights[i];
      if (!game.OnTable(&weight) || game.mPanObjects[i % 2] == nullptr) continue;
      const Vec2 from = weight.mObject->mCentre;
      const Vec2 to = game.mPanObjects[i % 2]->mCentre;
      move.kind = AutoplayMove::kDrag;
      move.x = static_cast<int>(from.x);
      move.y = static_cast<int>(from.y);
      move.toX = static_cast<int>(to.x);
      move.toY = static_cast<int>(to.y);
      move.clicks = 1;
      return true;
    }
  }
  Wait(move, 5);
  return true;
}

bool AkvaRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<AkvaGame&>(base);
  if (game.IsWon() || game.IsUnplayable()) return false;
  if (game.mArm.mState == AkvaGame::kArmIdle) {
    Click(move, 20.0f, 20.0f);
    return true;
  }
  const bool travelling = game.mArm.mState == AkvaGame::kArmOut || game.mArm.mState == AkvaGame::kArmBack;
  if (travelling && game.mDrop.mState == AkvaGame::kDropUp) {
    for (const auto& stone : game.mStones) {
      if (stone->IsTaken() || stone->mParent != &game.mWater) continue;
      const float dx = game.mArm.mX - stone->mX;
      if (dx > -1.5f && dx < 1.5f) {
        Click(move, 20.0f, 20.0f);
        return true;
      }
    }
  }
  Wait(move);
  return true;
}

bool SeifRule(MiniGame& base, AutoplayMove& move) {
  auto& game = static_cast<SeifGame&>(base);
  if (game.IsWon() || game.IsUnplayable()) return false;
  if (game.mState != SeifGame::kPlaying) {
    Wait(move);
    return true;
  }
  for (uint32_t i = 0; i < game.mWheelCount; ++i) {
    if (game.mFirstText[i]->IsPlaying() || game.mSecondText[i]->IsPlaying()) {
      Wait(move);
      return true;
    }
  }
  for (uint32_t i = 0; i < game.mWheelCount; ++i) {
    const int wanted = game.mCode[i] - L'0';
    if ((wanted - game.ShownDigit(static_cast<int>(i)) + 10) % 10 == 0) continue;
    const Vec2 at = Centre(game.mGlowText[i]->mBaseQuad);
    Click(move, at.x, at.y);
    return true;
  }
  const Vec2 at = Centre(game.mHandle->mBaseQuad);
  Click(move, at.x, at.y);
  return true;
}

}  // namespace Kivo
