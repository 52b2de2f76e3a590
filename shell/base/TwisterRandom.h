// The framework's pseudo-random generator (MT19937) and its one global
// instance gRandom. Everything random in the game draws from gRandom, and a
// recorded demo stores the seed, so a run replays exactly as long as nothing
// else reseeds it and every draw happens in the same order.
//
// Next() returns the standard MT19937 outputs with the top bit cleared (not
// shifted), so values are 0..2^31-1.
#pragma once

#include <cstdint>

namespace Kivo {

class TwisterRandom {
 public:
  static constexpr int kStateSize = 624;
  static constexpr uint32_t kDefaultSeed = 4357;

  TwisterRandom() { Seed(kDefaultSeed); }

  // A seed of 0 means the default seed.
  void Seed(uint32_t seed);
  uint32_t Next();
  // Next() mod n. A count of 0 still draws once and returns 0, so a caller
  // with an empty list does not shift the sequence for everyone after it.
  uint32_t NextBelow(uint32_t n);
  // 0..range, both ends possible.
  float NextFloat(float range);

 private:
  void Twist();

  uint32_t mState[kStateSize];
  int index_ = kStateSize;
};

extern TwisterRandom gRandom;

// Draws from gRandom. RandomInt of a count of 0 or less draws once and
// returns 0.
int32_t RandomInt(int32_t n);
float RandomFloat(float range);
void SeedRandom(uint32_t seed);

}  // namespace Kivo
