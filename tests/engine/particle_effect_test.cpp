// Effect files and the effect library: what the reader accepts and refuses,
// image keys and holds, and that no slot or particle outlives the records
// it points into.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ParticleEffect.h"
#include "tests/engine/particle_test_support.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/ui_test_support.h"
#include "tools/sampledata/SampleEffects.h"
#include "ui/Graphics.h"

namespace {

using namespace Kivo;
using namespace particletest;
using Kivo::test::RecordingImage;

void PutU32(std::string& bytes, std::size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

class ParticleEffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LcgSeed(99);
    mImages.images.emplace("spark", SizedImage(16, 16));
    mImages.images.emplace("star", SizedImage(32, 32));
    mSystem.Init(200, 8);
  }
  bool Load(ParticleEffect& effect, const std::string& bytes) {
    return effect.LoadEffBytes(bytes.data(), bytes.size(), "test.eff");
  }

  CountingImages mImages;
  ParticleSystem mSystem;
};

TEST_F(ParticleEffectTest, HeaderSizeAndRecordCountDecideAcceptance) {
  ParticleEffect effect(&mImages);
  std::string zero = EffBytes({});
  EXPECT_TRUE(Load(effect, zero));
  EXPECT_TRUE(effect.Empty());

  std::string wide = EffBytes({Emitting(100, 1.0f)});
  PutU32(wide, 8, 20);
  EXPECT_FALSE(Load(effect, wide));
  EXPECT_TRUE(effect.Empty());
}

// Sizes come from the file: a count the bytes do not hold must not read past
// them or allocate for it, and the effect keeps what it had.
TEST_F(ParticleEffectTest, ShortFilesAreRefusedAndLeaveTheEffectUnchanged) {
  ParticleEffect effect(&mImages);
  EffRecordSpec star = Emitting(100, 1.0f);
  star.image = "fx\\star.png";
  ASSERT_TRUE(LoadSpecs(effect, {star, Emitting(50, 2.0f)}));
  const std::string good = EffBytes({Emitting(100, 1.0f)});

  std::string headerOnly = good.substr(0, 16);
  std::string oneTooMany = good;
  PutU32(oneTooMany, 12, 2);
  std::string huge = good;
  PutU32(huge, 12, 0xFFFFFFFFu);
  std::string fifteen = good.substr(0, 15);
  for (const std::string* bytes : {&headerOnly, &oneTooMany, &huge, &fifteen}) {
    EXPECT_FALSE(Load(effect, *bytes)) << bytes->size();
    ASSERT_EQ(effect.Records().size(), 2u);
    EXPECT_STREQ(effect.Records()[0].mImagePath, "star");
    EXPECT_EQ(effect.Records()[1].mEmitter.mRate, 50);
  }
  EXPECT_EQ(mImages.Holds(), 2);
}

TEST_F(ParticleEffectTest, RecordsReadEveryFieldAtItsOffset) {
  EffRecordSpec spec;
  spec.flags = 1 | 2 | 8;
  spec.life = 1.5f;
  spec.drag = 0.9f;
  spec.accelX = 0.25f;
  spec.accelY = -0.5f;
  spec.middle = 0.5f;
  spec.repeats = 3;
  spec.start = {0.5f, 0.1f, 1, 2, 3, 4};
  spec.middleStage = {0.6f, 0.2f, 5, 6, 7, 8};
  spec.end = {0.7f, 0.3f, 9, 10, 11, 12};
  spec.emitterLife = 2.5f;
  spec.delay = 0.75f;
  spec.rate = 321;
  spec.position = {3, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  spec.velocity = {5, -1, -2, {-3, -4, -5, -6, -7, -8, -9, -10}};
  spec.image = "C:\\art\\fx\\spark.png";
  ParticleEffect effect(&mImages);
  ASSERT_TRUE(LoadSpecs(effect, {spec}));
  const EmitterRecord& r = effect.Records()[0];
  EXPECT_EQ(r.mParticle.mFlags, 11u);
  EXPECT_EQ(r.mParticle.mLife, 1.5f);
  EXPECT_EQ(r.mParticle.mDrag, 0.9f);
  EXPECT_EQ(r.mParticle.mAccelX, 0.25f);
  EXPECT_EQ(r.mParticle.mAccelY, -0.5f);
  EXPECT_EQ(r.mParticle.mMiddle, 0.5f);
  EXPECT_EQ(r.mParticle.mRepeats, 3);
  EXPECT_EQ(r.mParticle.mStartStage.mScale, 0.5f);
  EXPECT_EQ(r.mParticle.mMiddleStage.mBlue, 7.0f);
  EXPECT_EQ(r.mParticle.mEndStage.mAlpha, 12.0f);
  EXPECT_EQ(r.mEmitter.mEmitterLife, 2.5f);
  EXPECT_EQ(r.mEmitter.mDelay, 0.75f);
  EXPECT_EQ(r.mEmitter.mRate, 321);
  EXPECT_EQ(r.mEmitter.mPositionArea.mKind, 3u);
  EXPECT_EQ(r.mEmitter.mPositionArea.mY, 2.0f);
  EXPECT_EQ(r.mEmitter.mPositionArea.mH, 10.0f);
  EXPECT_EQ(r.mEmitter.mVelocityArea.mKind, 5u);
  EXPECT_EQ(r.mEmitter.mVelocityArea.mA, -3.0f);
  EXPECT_STREQ(r.mImagePath, "spark");
  EXPECT_EQ(effect.Images()[0], &mImages.images.at("spark"));
}

TEST_F(ParticleEffectTest, ImageKeysAreTheFileStems) {
  struct Case {
    std::string path;
    std::string key;
  };
  const Case cases[] = {{"D:\\fx\\spark.png", "spark"},
                        {"fx/star.png", "star"},
                        {"abc", "abc"},
                        {"fx\\a/b\\glow.tga", "glow"},
                        {"fx\\", ""},
                        {"spark.png", "spark"}};
  for (const Case& c : cases) EXPECT_EQ(ImageKeyFromPath(c.path), c.key) << c.path;

  // A field without a NUL is read as its first 127 characters.
  std::string bytes = EffBytes({Emitting(100, 1.0f)});
  std::memset(&bytes[16 + 272], 'a', kImagePathSize);
  ParticleEffect effect(&mImages);
  ASSERT_TRUE(Load(effect, bytes));
  EXPECT_EQ(std::string(effect.Records()[0].mImagePath), std::string(127 - 4, 'a'));
  EXPECT_EQ(effect.Records()[0].mImagePath[kImagePathSize - 1], '\0');
}

TEST_F(ParticleEffectTest, StartsOneSlotPerRecordWhileSlotsAreFree) {
  mSystem.Init(100, 4);
  ParticleEffect effect(&mImages);
  ASSERT_TRUE(LoadSpecs(effect, {Emitting(100, 1.0f), Emitting(200, 1.0f), Emitting(300, 1.0f)}));
  effect.StartIn(Vec2(1, 2), mSystem);  // three of four slots
  effect.StartIn(Vec2(5, 6), mSystem);  // only the first record finds a slot
  EXPECT_EQ(mSystem.FindFreeEmitter(), nullptr);
  EXPECT_EQ(mSystem.Slot(3)->mEmitterParams, &effect.Records()[0].mEmitter);
  EXPECT_EQ(mSystem.Slot(3)->mPositionArea.mX, 5.0f);
  EXPECT_EQ(mSystem.Slot(0)->mPositionArea.mX, 1.0f);
  EXPECT_EQ(mSystem.Slot(2)->mEmitterParams, &effect.Records()[2].mEmitter);

  // Three records with two free slots start the first two.
  ParticleSystem small;
  small.Init(10, 2);
  effect.StartIn(Vec2(0, 0), small);
  EXPECT_EQ(small.Slot(0)->mEmitterParams, &effect.Records()[0].mEmitter);
  EXPECT_EQ(small.Slot(1)->mEmitterParams, &effect.Records()[1].mEmitter);
}

TEST_F(ParticleEffectTest, HoldsOnlyTheImagesItGotAndGivesThemBack) {
  EffRecordSpec star = Emitting(100, 1.0f);
  star.image = "fx\\star.png";
  EffRecordSpec unknown = Emitting(100, 1.0f);
  unknown.image = "fx\\nothing.png";
  EffRecordSpec none = Emitting(100, 1.0f);
  none.image = "";
  {
    ParticleEffect effect(&mImages);
    ASSERT_TRUE(LoadSpecs(effect, {Emitting(100, 1.0f), star, unknown, none}));
    EXPECT_EQ(effect.Images()[2], nullptr);
    EXPECT_EQ(effect.Images()[3], nullptr);
    EXPECT_EQ(mImages.holds["spark"], 1);
    EXPECT_EQ(mImages.holds["star"], 1);
    // Loading again gives back what the first load held.
    ASSERT_TRUE(LoadSpecs(effect, {star}));
    EXPECT_EQ(mImages.holds["spark"], 0);
    EXPECT_EQ(mImages.holds["star"], 1);
  }
  EXPECT_EQ(mImages.Holds(), 0);
}

// Owners delete effects while systems run on.
TEST_F(ParticleEffectTest, DestroyedEffectLeavesNoSlotOrParticleInAnySystem) {
  auto effect = std::make_unique<ParticleEffect>(&mImages);
  ASSERT_TRUE(LoadSpecs(*effect, {Emitting(300, 2.0f), Emitting(100, 2.0f)}));
  auto other = std::make_unique<ParticleEffect>(&mImages);
  ASSERT_TRUE(LoadSpecs(*other, {Emitting(100, 2.0f)}));
  ParticleSystem own;
  own.Init(100, 4);
  effect->StartIn(Vec2(10, 10), mSystem);
  effect->StartIn(Vec2(20, 20), own);
  other->StartIn(Vec2(30, 30), own);
  for (int i = 0; i < 10; ++i) {
    mSystem.Update();
    own.Update();
  }
  const int otherParticles = 9;
  ASSERT_EQ(own.LiveCount(), 25 + 9 + otherParticles);  // rates 300 and 100 over ten ticks
  effect.reset();
  EXPECT_EQ(mSystem.LiveCount(), 0);
  EXPECT_EQ(own.LiveCount(), otherParticles);
  EXPECT_FALSE(mSystem.Slot(0)->IsActive());
  EXPECT_FALSE(own.Slot(0)->IsActive());
  EXPECT_TRUE(own.Slot(2)->IsActive());
  RecordingImage target(200, 200);
  Graphics g(&target);
  for (int i = 0; i < 5; ++i) {
    mSystem.Update();
    own.Update();
    mSystem.Draw(g);
    own.Draw(g);
  }
  EXPECT_EQ(own.LiveCount(), otherParticles + 5);
}

class EffectFilesTest : public ParticleEffectTest {
 protected:
  void SetUp() override {
    ParticleEffectTest::SetUp();
    std::string error;
    ASSERT_TRUE(WriteSampleEffects(mFolder.path(), &error)) << error;
    mHome = std::filesystem::current_path();
    std::filesystem::current_path(mFolder.path());
  }
  void TearDown() override {
    FreeParticleGlobals();
    std::filesystem::current_path(mHome);
  }
  TempFolder mFolder{"kivo-effects"};
  std::filesystem::path mHome;
};

TEST_F(EffectFilesTest, SampleEffectsLoadThroughTheFileLayer) {
  for (int i = 0; i < kFixedEffectCount; ++i) {
    ParticleEffect effect(&mImages);
    ASSERT_TRUE(effect.LoadEff(FixedEffectPath(i))) << FixedEffectPath(i);
    ASSERT_FALSE(effect.Empty());
    for (const EmitterRecord& record : effect.Records()) {
      const std::string key = record.mImagePath;
      EXPECT_TRUE(key == "spark" || key == "star" || key == "drop") << key;
      EXPECT_EQ(record.mParticle.mFlags & 1u, 1u);
    }
  }
  ParticleEffect missing(&mImages);
  EXPECT_FALSE(missing.LoadEff("data\\effect\\nothing.eff"));
}

// Emitters share library entries; the one that made an entry may go first.
TEST_F(EffectFilesTest, LibraryEntriesLiveWhileAnyHolderDoes) {
  bool shared = true;
  EffectLibraryEntry* creator = AcquireEmitterEffect("fxsparkle", &shared);
  EXPECT_FALSE(shared);
  EffectLibraryEntry* second = AcquireEmitterEffect("fxsparkle", &shared);
  EXPECT_TRUE(shared);
  EXPECT_EQ(creator, second);
  EXPECT_EQ(gEmitterEffects.size(), 1u);
  ASSERT_FALSE(second->mEffect->Empty());

  gParticleSystem.Init(300, 10);
  second->mEffect->StartAt(Vec2(50, 50));
  for (int i = 0; i < 60; ++i) gParticleSystem.Update();
  ReleaseEmitterEffect(creator);
  ASSERT_EQ(gEmitterEffects.size(), 1u);
  RecordingImage target(200, 200);
  Graphics g(&target);
  for (int i = 0; i < 10; ++i) gParticleSystem.Update();
  gParticleSystem.Draw(g);
  EXPECT_GT(gParticleSystem.LiveCount(), 0);

  ReleaseEmitterEffect(second);
  EXPECT_TRUE(gEmitterEffects.empty());
  EXPECT_EQ(gParticleSystem.LiveCount(), 0);
  gParticleSystem.Update();
  gParticleSystem.Draw(g);

  // A file that does not load still makes an entry, with an empty effect.
  EffectLibraryEntry* missing = AcquireEmitterEffect("nothing", &shared);
  EXPECT_FALSE(shared);
  EXPECT_TRUE(missing->mEffect->Empty());
  gParticleSystem.Init(0, 0);
}

}  // namespace
