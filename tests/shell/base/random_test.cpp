#include <gtest/gtest.h>

#include <random>

#include "shell/base/TwisterRandom.h"

using namespace Kivo;

TEST(TwisterRandom, DefaultAndZeroSeedGiveTheSeed4357Sequence) {
  TwisterRandom fresh;
  TwisterRandom zero;
  zero.Seed(12345);
  zero.Seed(0);
  for (uint32_t expected : {2146374468u, 699692587u, 1213834231u}) {
    EXPECT_EQ(fresh.Next(), expected);
    EXPECT_EQ(zero.Next(), expected);
  }
}

TEST(TwisterRandom, TopBitIsClearedNotShifted) {
  TwisterRandom r;
  r.Seed(1);
  EXPECT_EQ(r.Next(), 1791095845u);
  EXPECT_EQ(r.Next(), 2135392491u);  // 4282876139 with the top bit dropped
  EXPECT_EQ(r.Next(), 946286476u);
}

TEST(TwisterRandom, MatchesTheStandardGeneratorAcrossSeveralTwists) {
  for (uint32_t seed : {1u, 4357u, 0xDEADBEEFu}) {
    TwisterRandom r;
    r.Seed(seed);
    std::mt19937 reference(seed);
    for (int i = 0; i < 2000; ++i) {
      ASSERT_EQ(r.Next(), reference() & 0x7FFFFFFFu) << "seed " << seed << " draw " << i;
    }
  }
}

TEST(TwisterRandom, ReseedingReproducesTheSequence) {
  TwisterRandom r;
  r.Seed(777);
  const uint32_t a = r.Next(), b = r.Next();
  r.Seed(777);
  EXPECT_EQ(r.Next(), a);
  EXPECT_EQ(r.Next(), b);
}

TEST(TwisterRandom, NextFloatReachesItsRange) {
  TwisterRandom r;
  EXPECT_EQ(r.NextFloat(1.0f), 0.99948353f);
  TwisterRandom s, reference;
  for (int i = 0; i < 100; ++i) {
    const float expected = static_cast<float>(reference.Next() / 2147483647.0 * 3.5);
    EXPECT_EQ(s.NextFloat(3.5f), expected);
  }
}

TEST(TwisterRandom, NextBelowIsAPlainRemainder) {
  TwisterRandom r, reference;
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(r.NextBelow(7), reference.Next() % 7);
    EXPECT_EQ(r.NextBelow(1), 0u);
    reference.Next();
  }
}

TEST(TwisterRandom, ZeroCountDrawsOnceAndReturnsZero) {
  TwisterRandom r, reference;
  EXPECT_EQ(r.NextBelow(0), 0u);
  reference.Next();
  EXPECT_EQ(r.Next(), reference.Next());

  SeedRandom(5);
  reference.Seed(5);
  EXPECT_EQ(RandomInt(0), 0);
  EXPECT_EQ(RandomInt(-3), 0);
  reference.Next();
  reference.Next();
  EXPECT_EQ(RandomInt(1000), static_cast<int32_t>(reference.Next() % 1000));
  EXPECT_EQ(RandomFloat(2.0f), reference.NextFloat(2.0f));
}
