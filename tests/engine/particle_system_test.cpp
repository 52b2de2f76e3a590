// The particle system: spawn rates and their accumulator, delays, lives and
// repeats, area shapes against the shared generator, the acceleration
// flags, and what a draw hands the drawing context.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/ParticleSystem.h"
#include "tests/engine/particle_test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/Graphics.h"

namespace {

using namespace Kivo;
using namespace particletest;
using Kivo::test::RecordingImage;

class ParticleSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LcgSeed(12345);
    mImages.images.emplace("spark", SizedImage(33, 17));
    mSystem.Init(400, 8);
  }

  // Loads the records and starts them at point in mSystem.
  ParticleEffect& Start(const std::vector<EffRecordSpec>& records, Vec2 point = Vec2(100.0f, 50.0f)) {
    EXPECT_TRUE(LoadSpecs(mEffect, records));
    mEffect.StartIn(point, mSystem);
    return mEffect;
  }

  // Live particles spawned by each of the next ticks.
  std::vector<int> SpawnsPerTick(int ticks) {
    std::vector<int> spawns;
    for (int i = 0; i < ticks; ++i) {
      const int before = mSystem.LiveCount();
      mSystem.Update();
      spawns.push_back(mSystem.LiveCount() - before);
    }
    return spawns;
  }

  CountingImages mImages;
  ParticleSystem mSystem;  // declared before the effect: the effect goes first
  ParticleEffect mEffect{&mImages};
};

TEST_F(ParticleSystemTest, SpawnCountsFollowTheAccumulator) {
  struct Case {
    int rate;
    std::vector<int> spawns;
  };
  // Particles live 10 s, so nothing dies while counting.
  const Case cases[] = {{100, {0, 1, 1, 1, 1, 1}}, {300, {0, 2, 2, 3, 3, 3, 3}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    mSystem.Clear();
    Start({Emitting(c.rate, 5.0f, 10.0f)});
    EXPECT_EQ(SpawnsPerTick(static_cast<int>(c.spawns.size())), c.spawns);
  }
  // With rate 300 the accumulator stands at 5 at the start of every tick
  // from the fourth on.
  for (int i = 0; i < 5; ++i) {
    EXPECT_FLOAT_EQ(mSystem.Slot(0)->mAccumulator, 5.0f);
    mSystem.Update();
  }
}

TEST_F(ParticleSystemTest, AnEmitterWithoutLifeNeverSpawnsAndGoesInactive) {
  Start({Emitting(300, 0.0f)});
  EXPECT_EQ(SpawnsPerTick(20), std::vector<int>(20, 0));
  EXPECT_FALSE(mSystem.Slot(0)->IsActive());
}

TEST_F(ParticleSystemTest, DelayPostponesSpawningAndTheEmitterLife) {
  EffRecordSpec spec = Emitting(100, 1.0f, 10.0f);
  spec.delay = 0.5f;
  Start({spec});
  int firstUpdate = 0, inactiveUpdate = 0;
  for (int update = 1; update <= 200 && inactiveUpdate == 0; ++update) {
    mSystem.Update();
    if (firstUpdate == 0 && mSystem.LiveCount() > 0) firstUpdate = update;
    if (!mSystem.Slot(0)->IsActive()) inactiveUpdate = update;
  }
  EXPECT_EQ(firstUpdate, 53);
  EXPECT_EQ(inactiveUpdate, 153);
  EXPECT_EQ(mSystem.LiveCount(), 100);
}

TEST_F(ParticleSystemTest, RepeatsRestartTheLifeAndStandStillOneTickEach) {
  EffRecordSpec spec = Emitting(100, 0.02f, 1.0f);
  spec.repeats = 2;
  spec.velocity.x = 1.0f;  // a point velocity area: every particle moves 1 px per tick
  Start({spec});
  mSystem.Update();
  mSystem.Update();  // the one particle is spawned here
  ASSERT_EQ(mSystem.LiveCount(), 1);
  const Particle* particle = mSystem.FirstLive();
  int moved = 0, still = 0, freedOn = 0;
  for (int update = 1; update <= 400 && freedOn == 0; ++update) {
    const float x = particle->mPosition.x;
    mSystem.Update();
    if (mSystem.LiveCount() == 0) {
      freedOn = update;
    } else if (particle->mPosition.x != x) {
      ++moved;
    } else {
      ++still;
    }
  }
  EXPECT_EQ(moved, 303);
  EXPECT_EQ(still, 2);
  EXPECT_EQ(freedOn, 306);
  EXPECT_EQ(particle->mState, 0u);
}

// Replays the generator: the velocity area's two draws, then the position
// area's draws.
struct Draws {
  explicit Draws(uint32_t seed) {
    random.Seed(seed);
    random.Float(0.0f, 1.0f);
    random.Float(0.0f, 1.0f);
    r1 = random.Float(0.0f, 1.0f);
    r2 = random.Float(0.0f, 1.0f);
    r3 = random.Float(0.0f, 1.0f);
  }
  LcgRandom random;
  float r1, r2, r3;
};

TEST_F(ParticleSystemTest, AreaShapesPlaceParticlesByTheirFormulas) {
  const Vec2 start(100.0f, 50.0f);
  struct Case {
    const char* name;
    EffShapeSpec shape;
    Vec2 (*expected)(const Draws& d);
  };
  const Case cases[] = {
      {"point", {0, 7, 7, {}}, [](const Draws&) { return Vec2(100.0f, 50.0f); }},
      // Line end (40, 20) relative to its stored origin (10, 0): delta (30, 20).
      {"line", {1, 10, 0, {40, 20}}, [](const Draws& d) { return Vec2(100 + d.r1 * 30, 50 + d.r1 * 20); }},
      // The far corner stays absolute after the origin moves.
      {"rectangle",
       {2, 0, 0, {140, 90}},
       [](const Draws& d) { return Vec2(100 + d.r1 * (140 - 100), 50 + d.r2 * (90 - 50)); }},
      {"parallelogram",
       {3, 0, 0, {0, 0, 20, 0, 5, 10}},
       [](const Draws& d) { return Vec2(100 + d.r1 * 20 + d.r2 * 5, 50 + d.r2 * 10); }},
      {"ellipse",
       {4, 0, 0, {0, 0, 3, 3, 0, 0, 8, 8}},
       [](const Draws& d) {
         const Vec2 v = Vec2::SetLength(Vec2(d.r1 - 0.5f, d.r2 - 0.5f), 8.0f);
         return Vec2(100 + v.x, 50 + v.y);
       }},
      {"ring",
       {4, 0, 0, {0, 0, 3, 3, 0, 0, 4, 12}},
       [](const Draws& d) {
         const float radius = 12 + d.r3 * (4 - 12);  // inner h plus r3 toward outer g
         const Vec2 v = Vec2::SetLength(Vec2(d.r1 - 0.5f, d.r2 - 0.5f), 1.0f);
         return Vec2(100 + v.x * radius, 50 + v.y * radius);
       }},
      // Angles and radii given unsorted.
      {"arc",
       {5, 0, 0, {0, 0, 0, 0, 2.0f, 0.5f, 3, 9}},
       [](const Draws& d) {
         const float angle = 0.5f + d.r1 * (2.0f - 0.5f);
         const float radius = 3 + d.r2 * (9 - 3);
         return Vec2(100 + radius * std::cos(angle), 50 + radius * std::sin(angle));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mSystem.Clear();
    EffRecordSpec spec = Emitting(100, 1.0f);
    spec.position = c.shape;
    Start({spec}, start);
    mSystem.Update();
    LcgSeed(777);
    mSystem.Update();
    ASSERT_EQ(mSystem.LiveCount(), 1);
    const Vec2 expected = c.expected(Draws(777));
    EXPECT_NEAR(mSystem.FirstLive()->mPosition.x, expected.x, 1e-4f);
    EXPECT_NEAR(mSystem.FirstLive()->mPosition.y, expected.y, 1e-4f);
  }
}

TEST_F(ParticleSystemTest, AccelerationFlagsAimAtOrAwayFromTheStartPointAtSpawn) {
  for (uint32_t flag : {64u, 128u}) {
    SCOPED_TRACE(flag);
    mSystem.Clear();
    EffRecordSpec spec = Emitting(1000, 1.0f);
    spec.flags = 1 | flag;
    spec.accelY = 0.2f;
    spec.position = {4, 0, 0, {0, 0, 1, 1, 0, 0, 30, 30}};
    Start({spec});
    for (int i = 0; i < 3; ++i) mSystem.Update();
    ASSERT_GT(mSystem.LiveCount(), 3);
    const float length = Vec2::Length(Vec2(0.0f, 0.2f));
    for (const Particle* p = mSystem.FirstLive(); p != nullptr; p = p->mNext) {
      const Vec2 toStart(100.0f - p->mPosition.x, 50.0f - p->mPosition.y);
      const Vec2 expected = Vec2::SetLength(flag == 64 ? toStart : Vec2(-toStart.x, -toStart.y), length);
      // Particles of this record do not move (velocity 0) until their first
      // update, so the spawn position is still theirs on the spawning tick.
      if (p->mNext != nullptr) continue;
      EXPECT_NEAR(p->mAcceleration.x, expected.x, 1e-5f);
      EXPECT_NEAR(p->mAcceleration.y, expected.y, 1e-5f);
      EXPECT_NEAR(Vec2::Length(p->mAcceleration), 0.2f, 0.01f);
    }
    // Fixed at spawn: later moves do not turn it.
    const Particle* first = mSystem.FirstLive();
    const Vec2 before = first->mAcceleration;
    mSystem.Update();
    EXPECT_EQ(first->mAcceleration.x, before.x);
    EXPECT_EQ(first->mAcceleration.y, before.y);
  }
}

class ParticleDrawTest : public ParticleSystemTest {
 protected:
  // Spawns one particle of spec and draws it after ticks more updates.
  void DrawOne(const EffRecordSpec& spec, int ticks = 0) {
    Start({spec});
    mSystem.Update();
    mSystem.Update();
    for (int i = 0; i < ticks; ++i) mSystem.Update();
    mTarget.calls.clear();
    mSystem.Draw(mGraphics);
  }
  RecordingImage mTarget{800, 600};
  Graphics mGraphics{&mTarget};
};

TEST_F(ParticleDrawTest, PlainDrawAtIntegerHalvesWithTruncatedColour) {
  EffRecordSpec spec = Emitting(100, 0.02f);
  spec.middleStage = {1, 0, 100.9f, 50.5f, 20.99f, 200.7f};
  spec.end = {1, 0, 100.9f, 50.5f, 20.99f, 200.7f};
  DrawOne(spec);
  ASSERT_EQ(mTarget.Names(), "DrawImageAtFloat");
  // 33 x 17 image at (100, 50): halves 16 and 8; middle 0 shows the middle stage.
  EXPECT_EQ(mTarget.calls[0].args, "84,42 (0,0,33,17) (0,0,800,600) [100,50,20,200] 0");
  EXPECT_TRUE(mGraphics.GetColorizeImages());
  EXPECT_EQ(mGraphics.GetDrawMode(), kDrawModeNormal);
}

TEST_F(ParticleDrawTest, AdditiveOnlyForItsFlag) {
  struct Case {
    uint32_t flags;
    const char* mode;
  };
  for (const Case& c : {Case{1 | 8, " 1"}, Case{1 | 16 | 32, " 0"}}) {
    mSystem.Clear();
    EffRecordSpec spec = Emitting(100, 0.02f);
    spec.flags = c.flags;
    DrawOne(spec);
    ASSERT_EQ(mTarget.calls.size(), 1u);
    EXPECT_EQ(mTarget.calls[0].args.substr(mTarget.calls[0].args.size() - 2), c.mode) << c.flags;
    EXPECT_EQ(mGraphics.GetDrawMode(), kDrawModeNormal);
  }
}

TEST_F(ParticleDrawTest, ScaleAndRotationDrawTransformedAroundThePosition) {
  EffRecordSpec spec = Emitting(100, 0.02f);
  spec.flags = 1 | 4;
  spec.middleStage.scale = 2.0f;
  spec.end.scale = 2.0f;
  DrawOne(spec);
  ASSERT_EQ(mTarget.Names(), "DrawImageStretched");
  EXPECT_EQ(mTarget.calls[0].args.substr(0, 14), "(67,33,66,34) ");

  mSystem.Clear();
  spec.flags = 1 | 2;
  spec.middleStage.rotation = 0.5f;
  spec.end.rotation = 0.5f;
  DrawOne(spec);
  ASSERT_EQ(mTarget.Names(), "DrawImageRotated");
  // Centred: (100, 50) less the half cel plus the half-pixel offset.
  EXPECT_EQ(mTarget.calls[0].args.substr(0, 6), "84,42 ");
}

TEST_F(ParticleDrawTest, StagesBlendThroughTheMiddlePoint) {
  EffRecordSpec spec = Emitting(100, 0.02f, 1.0f);
  spec.middle = 0.5f;
  spec.start = {1, 0, 0, 0, 0, 0};
  spec.middleStage = {1, 0, 200, 0, 0, 0};
  spec.end = {1, 0, 200, 100, 0, 0};
  DrawOne(spec, 25);  // a quarter of the life: halfway to the middle stage
  ASSERT_EQ(mTarget.calls.size(), 1u);
  EXPECT_NE(mTarget.calls[0].args.find("[99,0,0,0]"), std::string::npos) << mTarget.calls[0].args;
  mTarget.calls.clear();
  for (int i = 0; i < 50; ++i) mSystem.Update();  // three quarters: halfway to the end
  mSystem.Draw(mGraphics);
  EXPECT_NE(mTarget.calls[0].args.find("[200,49,0,0]"), std::string::npos) << mTarget.calls[0].args;
}

// A middle point of 1 would blend by 0/0 on the last tick.
TEST_F(ParticleDrawTest, MiddleOneUsesTheFirstBlendUpToTheEnd) {
  EffRecordSpec spec = Emitting(100, 0.02f, 1.0f);
  spec.middle = 1.0f;
  spec.start = {1, 0, 0, 0, 0, 0};
  spec.middleStage = {1, 0, 250, 250, 250, 250};
  spec.end = {1, 0, 9, 9, 9, 9};
  DrawOne(spec, 101);  // life fully gone: f = 1, still linked until the next update
  ASSERT_EQ(mTarget.calls.size(), 1u);
  EXPECT_NE(mTarget.calls[0].args.find("[250,250,250,250]"), std::string::npos) << mTarget.calls[0].args;
}

// A record without an image, or with a key the table does not know.
TEST_F(ParticleDrawTest, ParticlesWithoutImageMoveButAreNotDrawn) {
  for (const char* path : {"", "fx\\unknown.png"}) {
    mSystem.Clear();
    EffRecordSpec spec = Emitting(100, 0.02f);
    spec.image = path;
    spec.velocity.y = 2.0f;
    DrawOne(spec, 3);
    ASSERT_EQ(mSystem.LiveCount(), 1) << path;
    EXPECT_FLOAT_EQ(mSystem.FirstLive()->mPosition.y, 50.0f + 3 * 2.0f);
    EXPECT_TRUE(mTarget.calls.empty()) << path;
  }
}

// Without bit 0 in the record a live particle would look free and be taken
// again while still linked.
TEST_F(ParticleSystemTest, FlagsWithoutTheInUseBitStillMarkParticlesTaken) {
  mSystem.Init(5, 2);
  EffRecordSpec spec = Emitting(300, 1.0f, 10.0f);
  spec.flags = 0;
  Start({spec});
  for (int i = 0; i < 20; ++i) mSystem.Update();
  EXPECT_EQ(mSystem.LiveCount(), 5);
  int forward = 0;
  const Particle* last = nullptr;
  for (const Particle* p = mSystem.FirstLive(); p != nullptr; p = p->mNext) {
    EXPECT_EQ(p->mPrev, last);
    EXPECT_EQ(p->mState & 1u, 1u);
    last = p;
    ++forward;
  }
  EXPECT_EQ(forward, 5);
}

TEST_F(ParticleSystemTest, AFullPoolSpawnsNothingAndClearEmptiesEverything) {
  mSystem.Init(3, 2);
  Start({Emitting(500, 1.0f, 10.0f), Emitting(500, 1.0f, 10.0f)});
  for (int i = 0; i < 10; ++i) mSystem.Update();
  EXPECT_EQ(mSystem.LiveCount(), 3);
  EXPECT_EQ(mSystem.FindFreeEmitter(), nullptr);
  mSystem.Clear();
  EXPECT_EQ(mSystem.LiveCount(), 0);
  EXPECT_EQ(mSystem.FirstLive(), nullptr);
  EXPECT_NE(mSystem.FindFreeEmitter(), nullptr);
  EXPECT_FALSE(mSystem.Slot(1)->IsActive());
  for (int i = 0; i < 5; ++i) mSystem.Update();
  EXPECT_EQ(mSystem.LiveCount(), 0);
}

// Init may be called again (emitter properties applied twice) and may get
// counts from a scene.
TEST_F(ParticleSystemTest, InitReplacesEarlierPoolsAndCountsBelowOneGiveNone) {
  Start({Emitting(100, 1.0f)});
  for (int i = 0; i < 5; ++i) mSystem.Update();
  mSystem.Init(10, 2);
  EXPECT_EQ(mSystem.ParticleCount(), 10);
  EXPECT_EQ(mSystem.LiveCount(), 0);
  for (const auto& counts : {std::pair<int, int>{-5, 4}, {4, 0}, {0, 0}}) {
    mSystem.Init(counts.first, counts.second);
    EXPECT_EQ(mSystem.ParticleCount(), 0);
    EXPECT_EQ(mSystem.SlotCount(), 0);
    mEffect.StartIn(Vec2(1, 1), mSystem);
    mSystem.Update();
    RecordingImage target(10, 10);
    Graphics g(&target);
    mSystem.Draw(g);
    EXPECT_TRUE(target.calls.empty());
  }
}

}  // namespace
