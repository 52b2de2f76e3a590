#include "shell/base/TwisterRandom.h"

#include "shell/base/GlobalRanks.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankRandom) TwisterRandom gRandom;

namespace {
constexpr int kShift = 397;
constexpr uint32_t kMatrixA = 0x9908B0DFu;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7FFFFFFFu;
}  // namespace

void TwisterRandom::Seed(uint32_t seed) {
  if (seed == 0) seed = kDefaultSeed;
  mState[0] = seed;
  for (int i = 1; i < kStateSize; ++i) {
    const uint32_t prev = mState[i - 1];
    mState[i] = 1812433253u * (prev ^ (prev >> 30)) + static_cast<uint32_t>(i);
  }
  index_ = kStateSize;
}

void TwisterRandom::Twist() {
  auto mix = [](uint32_t upper, uint32_t lower, uint32_t far) {
    const uint32_t y = (upper & kUpperMask) | (lower & kLowerMask);
    return far ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
  };
  // Three runs instead of one loop with wrap-around indices.
  int i = 0;
  for (; i < kStateSize - kShift; ++i) mState[i] = mix(mState[i], mState[i + 1], mState[i + kShift]);
  for (; i < kStateSize - 1; ++i) mState[i] = mix(mState[i], mState[i + 1], mState[i + kShift - kStateSize]);
  mState[kStateSize - 1] = mix(mState[kStateSize - 1], mState[0], mState[kShift - 1]);
  index_ = 0;
}

uint32_t TwisterRandom::Next() {
  if (index_ >= kStateSize) Twist();
  uint32_t y = mState[index_++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y & 0x7FFFFFFFu;
}

uint32_t TwisterRandom::NextBelow(uint32_t n) {
  const uint32_t value = Next();
  return n == 0 ? 0 : value % n;
}

float TwisterRandom::NextFloat(float range) {
  return static_cast<float>(static_cast<double>(Next()) / 2147483647.0 * static_cast<double>(range));
}

int32_t RandomInt(int32_t n) {
  if (n <= 0) {
    gRandom.Next();
    return 0;
  }
  return static_cast<int32_t>(gRandom.NextBelow(static_cast<uint32_t>(n)));
}

float RandomFloat(float range) { return gRandom.NextFloat(range); }

void SeedRandom(uint32_t seed) { gRandom.Seed(seed); }

}  // namespace Kivo
