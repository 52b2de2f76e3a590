// Animations built from an object's properties: copies of file animations,
// new ones, the per-animation overrides and key keys, and the animation that
// starts when the properties are applied.
#include <chrono>
#include <initializer_list>
#include <utility>

#include "tests/engine/engine_object_support.h"

namespace enginetest {
namespace {

class AnimationProperties : public EngineObjectTest {
 protected:
  void SetUp() override {
    EngineObjectTest::SetUp();
    gAnimDefs = {Def("wave", {"keys=13", "rate=24", "type=CIRCLE", "time_wait=2", "effEnd=spark", "key_1=c(10)",
                              "key_7=c(20)", "key_13=c(30)"}),
                 Def("hop", {"keys=2", "rate=10", "key_1=", "key_2=t(0,-5)"})};
    obj.mName = "obj";
    obj.SetListener(&listener);
    SetRect(obj, 0, 0, 10, 10);
  }
  void TearDown() override {
    gAnimDefs.clear();
    EngineObjectTest::TearDown();
  }
  void Apply(std::initializer_list<std::pair<const char*, const char*>> pairs) {
    obj.mProperties = PropertyList();
    for (const auto& [key, value] : pairs) obj.mProperties.Add(key, value);
    obj.ApplyProperties();
  }

  sObj obj;
  RecordingListener listener{&log};
};

TEST_F(AnimationProperties, CopiesOfFileAnimationsAreTheObjectsOwn) {
  Apply({{"_sAniLoad_1", "wave"}, {"_sAniLoad_2", "wave"}, {"_iAniRate_wave", "50"}, {"_sAniLoad_x", "nothing"}});
  ASSERT_EQ(obj.mAnimations.size(), 1u);
  EXPECT_EQ(obj.mAnimations[0].rate, 50u);
  EXPECT_EQ(gAnimDefs[0].rate, 24u) << "the global definition is unchanged";
  EXPECT_EQ(obj.mAnimations[0].keyList.size(), 3u);
  EXPECT_EQ(obj.mAnimations[0].effEnd.name, "spark");
  EXPECT_FALSE(obj.IsPlaying());
}

TEST_F(AnimationProperties, BlinkFadesOutInFiftyOneTicks) {
  Apply({{"_iAniKey_blink", "13"},
         {"_iAniRate_blink", "24"},
         {"_sAniKey_blink_1", "c(255)"},
         {"_sAniKey_blink_13", "c(0)"},
         {"_sAnimYet", "blink"}});
  ASSERT_EQ(obj.mAnimations.size(), 1u);
  const AnimDef& blink = obj.mAnimations[0];
  EXPECT_EQ(blink.keys, 13);
  EXPECT_EQ(blink.mode, kAnimOnce);
  ASSERT_EQ(blink.keyList.size(), 2u);
  EXPECT_EQ(blink.keyList[0].index, 0);
  EXPECT_EQ(blink.keyList[1].index, 12);
  EXPECT_TRUE(obj.IsPlaying()) << "_sAnimYet starts it";
  int updates = 0;
  while (obj.IsPlaying() && updates < 100) {
    obj.Update(1);
    ++updates;
  }
  EXPECT_EQ(updates, 52);  // the step, then 51 countdowns of 0.5 s
  EXPECT_EQ(obj.mAlpha, 0);
  EXPECT_EQ(log, CallLog{"end(obj,blink)"});
}

TEST_F(AnimationProperties, KeyKeysReplaceInPlaceOrAppendInFrameOrder) {
  Apply({{"_sAniLoad_1", "wave"},
         {"_sAniKey_wave_20", "c(99)"},
         {"_sAniKey_wave_12", "c(40)"},
         {"_sAniKey_wave_7", "c(21)"},
         {"_sAniKey_wave_2", "c(41)"},
         {"_sAniKey_wave_07", "c(98)"},
         {"_sAniKey_wave_+3", "c(98)"},
         {"_sAniKey_wave_0", "c(98)"},
         {"_sAniKey_wave_2", "c(97)"},
         {"_sAniKey_wave_1", ""}});
  const std::vector<Keyframe>& keys = obj.mAnimations.at(0).keyList;
  ASSERT_EQ(keys.size(), 5u);
  const std::pair<int, float> expected[] = {{0, 10}, {6, 21}, {12, 30}, {1, 41}, {11, 40}};
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].index, expected[i].first) << i;
    EXPECT_EQ(keys[i].alpha, expected[i].second) << i;
  }
}

TEST_F(AnimationProperties, OverridesAndWhatLeavesThingsAlone) {
  Apply({{"_sAniLoad_1", "wave"},
         {"_iAniKey_x", "3"},
         {"_fTimeWait_x", "1"},
         {"_fTimeWaitRnd_x", "3"},
         {"_fTimeWaitRnd_wave", "0.5"},
         {"_iAniRate_wave", ""},
         {"_sAnimType_wave", "PING_PONG"},
         {"_sAnimType_x", "circle"},
         {"_sEffBegin_x", "a"},
         {"_sEffPlayed_x", "b"},
         {"_sEffEnd_x", "c"},
         {"_sSoundBegin_x", "d"},
         {"_sSoundEnd_x", "e"},
         {"_sEffEnd_wave", ""},
         {"_sAnimYet", "unknown"}});
  ASSERT_EQ(obj.mAnimations.size(), 2u);
  const AnimDef& wave = obj.mAnimations[0];
  const AnimDef& x = obj.mAnimations[1];
  EXPECT_EQ(wave.rate, 24u);
  EXPECT_EQ(wave.mode, kAnimPingPong);
  EXPECT_EQ(wave.effEnd.name, "spark");
  EXPECT_TRUE(wave.randomWait);
  EXPECT_EQ(wave.wait, 0.5f);
  EXPECT_EQ(x.name, "x");
  EXPECT_EQ(x.keys, 3);
  EXPECT_EQ(x.rate, 0u);
  EXPECT_EQ(x.mode, kAnimOnce);
  EXPECT_FALSE(x.randomWait);
  EXPECT_EQ(x.wait, 1.0f);
  EXPECT_EQ(x.effBegin.name, "a");
  EXPECT_EQ(x.effPlayed.name, "b");
  EXPECT_EQ(x.effEnd.name, "c");
  EXPECT_EQ(x.soundBegin.name, "d");
  EXPECT_EQ(x.soundEnd.name, "e");
  EXPECT_EQ(obj.mAutoplayName, "unknown");
  EXPECT_FALSE(obj.IsPlaying()) << "an unknown _sAnimYet plays nothing";
  EXPECT_TRUE(log.empty());
}

TEST_F(AnimationProperties, ApplyingAgainClearsThePlayingAnimation) {
  Apply({{"_sAniLoad_1", "hop"}, {"_sAnimYet", "hop"}});
  obj.Update(1);
  EXPECT_TRUE(obj.IsPlaying());
  Apply({{"_sAniLoad_1", "wave"}});
  EXPECT_FALSE(obj.IsPlaying());
  EXPECT_EQ(obj.mFromKey, kNoKey);
  EXPECT_EQ(obj.mAutoplayName, "");
  for (int i = 0; i < 20; ++i) obj.Update(1);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(obj.mDisplayQuad.corner[0].y, obj.mBaseQuad.corner[0].y);
}

TEST_F(AnimationProperties, HugeFrameCountsLoadAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  Apply({{"_iAniKey_x", "2000000000"},
         {"_iAniRate_x", "10"},
         {"_sAniKey_x_2000000000", "t(1,0)"},
         {"_sAniKey_x_1", ""},
         {"_sAniKey_x_1", "c(5)"},
         {"_sAniKey_x_2000000001", "t(2,0)"}});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 30.0) << "a walk over every frame would hang here; only that is bounded";
  ASSERT_EQ(obj.mAnimations.size(), 1u);
  ASSERT_EQ(obj.mAnimations[0].keyList.size(), 1u) << "the first pair of a key wins, even when empty";
  EXPECT_EQ(obj.mAnimations[0].keyList[0].index, 1999999999);
}

}  // namespace
}  // namespace enginetest
