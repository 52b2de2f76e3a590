// Autoplay rules of the kinds with moving parts: the trampoline jumper, the
// memory cards, the balance scales, the aquarium grabber and the safe lock.
#pragma once

#include "tools/autoplay/AutoplayRules.h"

namespace Kivo {

// Moves the trampoline under the ball that will come down on it first.
bool JumperRule(MiniGame& game, AutoplayMove& move);
// Turns the pair the hint shows, waiting while cards move.
bool CardsRule(MiniGame& game, AutoplayMove& move);
// Drags the odd weights onto pan 0 and the even ones onto pan 1, then waits
// for the solve, sub-level after sub-level.
bool BalanceRule(MiniGame& game, AutoplayMove& move);
// Starts the arm, drops the hand when the arm is over a stone still in the
// water, waits for the arm to come to rest, and again.
bool AkvaRule(MiniGame& game, AutoplayMove& move);
// Presses each wheel (code - shown) mod 10 times, waiting out every roll,
// then the handle.
bool SeifRule(MiniGame& game, AutoplayMove& move);

}  // namespace Kivo
