// The balance scales: building the scales, tilt and wobble through the
// tweens, dragging weights, the solved test, chained sub-levels behind the
// fader (and what the level holds after a reload), and the data it refuses.
#include <gtest/gtest.h>

#include <cmath>

#include "levels/BalanceGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/moving_parts_support.h"

namespace leveltest {
namespace {

// Beam centred on (320, 100); pan 0 centred on (91, 283), pan 1 on (549,
// 283), both 100 x 40; weights are 20 x 20 images on the table at y 500.
DtmRecord Beam(float cx = 320.0f, float cy = 100.0f) { return Record("sprBeam", 3, cx - 150, cy - 5, 300, 10); }
DtmRecord Pan(const std::string& name, float cx, float cy,
              std::vector<std::pair<std::string, std::string>> props = {}) {
  return Record(name, 3, cx - 50, cy - 20, 100, 40, std::move(props));
}
DtmRecord Weight(int n, float x, const std::string& mass) {
  std::vector<std::pair<std::string, std::string>> props = {{"_keyImg", "weight"}};
  if (!mass.empty()) props.push_back({"_fWeight", mass});
  return Record("sprWeight" + std::to_string(n), 3, x, 500, 20, 20, props);
}

AnimDef Fade(const char* name, float from, float to) {
  AnimDef def;
  def.name = name;
  def.keys = 10;
  def.rate = 20;
  Keyframe a, b;
  a.index = 0;
  a.alpha = from;
  b.index = 9;
  b.alpha = to;
  def.keyList = {a, b};
  return def;
}

class BalanceTest : public MovingPartsKit {
 protected:
  void TearDown() override {
    gAnimDefs.clear();
    MovingPartsKit::TearDown();
  }
  static DtmRecord Root(std::vector<std::pair<std::string, std::string>> props = {}) {
    return Record("level", 3, 0, 0, 800, 600, std::move(props));
  }
  // The usual scales with weights of the given masses ("" for none given).
  static DtmRecord Scales(const std::vector<std::string>& masses,
                          std::vector<std::pair<std::string, std::string>> props = {}) {
    DtmRecord root = Root(std::move(props));
    root.Child(Beam());
    root.Child(Pan("sprPan0", 91, 283));
    root.Child(Pan("sprPan1", 549, 283));
    for (size_t i = 0; i < masses.size(); ++i) root.Child(Weight(int(i) + 1, 100.0f + 60.0f * i, masses[i]));
    return root;
  }
  static std::vector<TestImage> Images() { return {SolidImage("weight", 20, 20)}; }
  // Loads "Level" and further scenes as the level screen does.
  void LoadScenes(const std::vector<std::pair<std::string, DtmRecord>>& scenes) {
    UseImages(Images(), scenes);
    if (withFades) {
      gAnimDefs.push_back(Fade("fade_in", 0, 255));
      gAnimDefs.push_back(Fade("fade_out", 255, 0));
    }
    ASSERT_TRUE(LoadScene("Level", level));
    LinkAnimTargets(level);
  }
  void StartBalance(BalanceGame& game) {
    Start(game);
    forwarder.Attach(level, game);
  }
  // Drags weight i (from 0) by its middle to (x, y) and releases it there.
  static void Drag(BalanceGame& game, size_t i, int x, int y) {
    const Vec2 centre = game.mWeights[i]->mObject->mCentre;
    game.MouseDown(int(centre.x), int(centre.y), 1);
    game.MouseMove(x, y);
    game.MouseUp(x, y, 1);
  }
  bool withFades = true;  // the global "fade_in" and "fade_out"
};

TEST_F(BalanceTest, ScalesAreBuiltFromTheLevelObjects) {
  std::unique_ptr<MiniGame> made(CreateMiniGame("balance"));
  ASSERT_NE(dynamic_cast<BalanceGame*>(made.get()), nullptr);
  struct Case {
    bool panFirst;
    float pan0X, pivotY;
  };
  // A pan listed before the beam is placed from the wobble's first position (320, 100).
  const Case cases[] = {{false, 171.0f - 400.0f, 333.0f - 150.0f}, {true, 171.0f - 320.0f, 333.0f - 100.0f}};
  for (const Case& c : cases) {
    DeleteObjects(level);
    DtmRecord root = Root();
    if (c.panFirst) root.Child(Pan("sprPan0", 171, 333, {{"_fPanBottom", "55.5"}}));
    root.Child(Beam(400, 150));
    if (!c.panFirst) root.Child(Pan("sprPan0", 171, 333, {{"_fPanBottom", "55.5"}}));
    root.Child(Pan("sprPan1", 629, 333, {{"_fPanBottom", "x"}}));
    root.Child(Weight(1, 100, "2.5"));
    root.Child(Weight(2, 160, ""));
    LoadScenes({{"Level", root}});
    BalanceGame game;
    StartBalance(game);
    ASSERT_FALSE(game.IsUnplayable()) << (context.log.empty() ? "" : context.log[0]);
    EXPECT_FLOAT_EQ(game.mWobble.mX, 400.0f);
    EXPECT_FLOAT_EQ(game.mPans[0].mX, c.pan0X);
    EXPECT_FLOAT_EQ(game.mPans[0].mPivotY, c.pivotY);
    EXPECT_FLOAT_EQ(game.mPans[0].mOwnerValue2, 55.5f);
    EXPECT_FLOAT_EQ(game.mPans[1].mOwnerValue2, 80.0f);  // not a number: the default stays
    ASSERT_EQ(game.mWeights.size(), 2u);
    EXPECT_FLOAT_EQ(game.mWeights[0]->mMass, 2.5f);
    EXPECT_FLOAT_EQ(game.mWeights[1]->mMass, 1.0f);
    EXPECT_FLOAT_EQ(game.mWeights[0]->mHome.x, 110.0f);
    EXPECT_FLOAT_EQ(game.mWeights[0]->mHome.y, 520.0f);  // the bottom middle
    Tick(game);
    EXPECT_NEAR(game.mWeights[0]->mObject->mCentre.y, 510.0f, 1e-3f);  // no jump when bound
  }
}

TEST_F(BalanceTest, TiltFollowsTheClampedLoadOneDegreePerUpdateThenWobblesFromItsLastStep) {
  struct Case {
    std::string mass;
    float target;
  };
  const Case cases[] = {{"2.5", 2.5f}, {"45", 30.0f}, {"-7", -7.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mass);
    DeleteObjects(level);
    LoadScenes({{"Level", Scales({c.mass})}});
    BalanceGame game;
    StartBalance(game);
    Drag(game, 0, 91, 283);
    EXPECT_FLOAT_EQ(game.Load(0), std::stof(c.mass));
    EXPECT_FALSE(game.mSettled);
    // The same tween arithmetic, in float32.
    const int ticks = int(std::fabs(c.target) / 1.0f);
    Tween expected;
    expected.To(c.target, ticks);
    for (int t = 0; t < ticks; ++t) {
      Tick(game);
      expected.Step(1);
      EXPECT_FLOAT_EQ(game.mTilt.Angle(), expected.mValue) << t;
    }
    const float amplitude = expected.mStepPerTick;
    EXPECT_FLOAT_EQ(game.mTilt.Angle(), c.target);
    const float legs[] = {1.0f, -0.6f, 0.2f, 0.0f};
    for (float leg : legs) {
      Tick(game, 26);
      EXPECT_NEAR(game.mWobble.Angle(), leg * amplitude, 1e-4f);
      EXPECT_EQ(game.mSettled, leg == 0.0f);
    }
  }
}

TEST_F(BalanceTest, WeightsAreDraggedInsideTheAreaAndDroppedOnAPanOrBackHome) {
  LoadScenes({{"Level", Scales({"1", "1"})}});
  BalanceGame game;
  StartBalance(game);
  Tick(game);
  WeightNode& w = *game.mWeights[0];
  game.MouseDown(105, 505, 1);  // 5 left of and 15 above the bottom middle (110, 520)
  EXPECT_EQ(game.mHeld, &w);
  EXPECT_EQ(Sounds("SOUND_BTN_CLK"), 1);
  const struct {
    int x, y;
    bool moves;
  } moves[] = {{300, 300, true}, {639, 599, true}, {640, 300, false}, {300, 600, false}, {-1, 300, false}};
  for (const auto& m : moves) {
    game.MouseMove(200, 250);
    game.MouseMove(m.x, m.y);
    // The grab offset (5, 15) is kept; outside the area the weight stays.
    EXPECT_FLOAT_EQ(w.mX, m.moves ? m.x + 5.0f : 205.0f) << m.x << "," << m.y;
    EXPECT_FLOAT_EQ(w.mY, m.moves ? m.y + 15.0f : 265.0f) << m.x << "," << m.y;
  }
  game.MouseUp(300, 300, 1);  // not on a pan: home again
  EXPECT_FLOAT_EQ(w.mX, 110.0f);
  EXPECT_FLOAT_EQ(w.mY, 520.0f);
  EXPECT_TRUE(game.OnTable(&w));
  EXPECT_EQ(game.mHeld, nullptr);
  EXPECT_EQ(Sounds("SOUND_BTN_CLK"), 2);

  Drag(game, 0, 70, 290);  // on pan 0: keeps the pointer's x, stands on the pan bottom
  Tick(game);
  EXPECT_EQ(w.mParent, &game.mPans[0]);
  const Quad& q = w.mObject->mBaseQuad;
  const Vec2 pan = game.mPanObjects[0]->mCentre;
  EXPECT_NEAR((q.corner[2].x + q.corner[3].x) * 0.5f, 70.0f, 0.05f);
  EXPECT_NEAR((q.corner[2].y + q.corner[3].y) * 0.5f, pan.y + 80.0f, 0.05f);

  // Picked off the pan, its bottom middle jumps to the pointer.
  const Vec2 centre = w.mObject->mCentre;
  game.MouseDown(int(centre.x) + 3, int(centre.y) + 2, 1);
  EXPECT_EQ(game.mHeld, &w);
  EXPECT_TRUE(game.OnTable(&w));
  EXPECT_FLOAT_EQ(game.Load(0), 0.0f);
  EXPECT_FLOAT_EQ(w.mX, float(int(centre.x) + 3));
  EXPECT_FLOAT_EQ(w.mY, float(int(centre.y) + 2));
}

TEST_F(BalanceTest, SolvedOnlyWhenSettledBalancedAndTheTableIsEmpty) {
  LoadScenes({{"Level", Scales({"2", "2", ""})}});
  BalanceGame game;
  StartBalance(game);
  Drag(game, 0, 91, 283);
  Drag(game, 1, 549, 283);
  EXPECT_FLOAT_EQ(game.TiltTarget(), 0.0f);
  TickUntil(game, [&] { return game.mSettled; });
  Tick(game, 5);
  EXPECT_FALSE(game.IsSolved());  // weight 3 is still on the table
  EXPECT_FALSE(game.IsWon());
  Drag(game, 2, 91, 283);
  TickUntil(game, [&] { return game.mSettled; });
  EXPECT_FALSE(game.IsSolved());  // 3 against 2
  Drag(game, 2, 549, 283);
  EXPECT_FALSE(game.IsSolved());  // not settled
  TickUntil(game, [&] { return game.mSettled; });
  EXPECT_FALSE(game.IsSolved());  // 2 against 3
  // All on the pans with equal loads.
  DeleteObjects(level);
  LoadScenes({{"Level", Scales({"2", "1.95"})}});
  BalanceGame close;
  StartBalance(close);
  Drag(close, 0, 91, 283);
  Drag(close, 1, 549, 283);
  const int ticks = TickUntil(close, [&] { return close.IsWon(); });
  EXPECT_TRUE(close.IsWon());
  EXPECT_LT(ticks, 200);
}

TEST_F(BalanceTest, MovesUnderOneDegreeOnAFreshBeamStillSettle) {
  // With no earlier move the tween has no duration to reuse: the beam takes
  // the angle at once and is at rest, so light weights can still be solved.
  LoadScenes({{"Level", Scales({"0.5", "0.5"})}});
  BalanceGame game;
  StartBalance(game);
  Tick(game);
  Drag(game, 0, 91, 283);
  EXPECT_FLOAT_EQ(game.mTilt.Angle(), 0.5f);
  EXPECT_TRUE(game.mSettled);
  Drag(game, 1, 549, 283);
  EXPECT_FLOAT_EQ(game.mTilt.Angle(), 0.0f);
  Tick(game);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(BalanceTest, NoWeightsWinAtTheFirstUpdate) {
  LoadScenes({{"Level", Scales({})}});
  BalanceGame game;
  StartBalance(game);
  Tick(game);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(BalanceTest, SubLevelsFollowBehindTheFaderAndTheNewObjectsAreWiredUp) {
  DtmRecord second = Scales({"3", "3"});
  second.Child(Record("game_menu_draw", 3, 700, 0, 10, 10));
  DtmRecord group = Record("group", 3, 0, 0, 10, 10);
  group.Child(Record("first", 3, 0, 0, 1, 1));
  group.Child(Record("effSleif", kEmitterTypeCode, 0, 0, 1, 1));
  second.Child(group);
  DtmRecord first = Scales({}, {{"_sLev_1", "Level_b"}, {"_sLev_2", "Level_none"}, {"_sLev_3", "Level_c"}});
  first.Child(Record("effSleif", kEmitterTypeCode, 0, 0, 1, 1));
  LoadScenes({{"Level", first}, {"Level_b", second}, {"Level_c", Scales({})}});
  BalanceGame game;
  StartBalance(game);
  int reloads = 0;
  game.mLevelObjectsReplaced = [&] { ++reloads; };
  EXPECT_EQ(game.mSubLevels, std::vector<std::string>{"Level_b"});  // the chain stops at the missing scene
  ASSERT_NE(game.mSleifEffect, nullptr);

  Tick(game);  // solved at once: the fader fades in
  ASSERT_NE(game.mFader.CurrentAnimation(), nullptr);
  EXPECT_EQ(game.mFader.CurrentAnimation()->name, "fade_in");
  TickUntil(game, [&] { return reloads > 0; });
  EXPECT_EQ(reloads, 1);
  ASSERT_NE(game.mFader.CurrentAnimation(), nullptr);
  EXPECT_EQ(game.mFader.CurrentAnimation()->name, "fade_out");
  EXPECT_TRUE(game.mSubLevels.empty());
  // The new objects: indexed, reporting to the screen's listener, focused.
  for (size_t i = 0; i < level.size(); ++i) {
    EXPECT_EQ(level[i]->mIndex, int(i));
    EXPECT_EQ(level[i]->mListener, &forwarder);
  }
  sObj* groupObject = FindObjectByName(level, "group");
  ASSERT_NE(groupObject, nullptr);
  EXPECT_EQ(groupObject->mActiveChild, FindObjectByName(level, "effSleif"));
  EXPECT_EQ(game.mHudAnchor, FindObjectByName(level, "game_menu_draw"));
  EXPECT_EQ(game.mSleifEffect, FindObjectByName(level, "effSleif"));
  ASSERT_EQ(game.mWeights.size(), 2u);
  EXPECT_EQ(game.mWeights[0]->mObject, FindObjectByName(level, "sprWeight1"));
  game.Draw(graphics);

  Tick(game, 100);
  EXPECT_FALSE(game.IsWon());  // the new weights still lie on the table
  Drag(game, 0, 91, 283);
  Drag(game, 1, 549, 283);
  TickUntil(game, [&] { return game.IsWon(); });
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(reloads, 1);
}

// Only the game's own fader moves on to the next set-up: a level object
// named "fader" ending a "fade_in" of its own, reported while the level
// objects are being walked, changes nothing.
TEST_F(BalanceTest, ALevelObjectNamedFaderCannotReplaceTheLevel) {
  DtmRecord first = Scales({"3"}, {{"_sLev_1", "Level_b"}});
  first.Child(Record("fader", 3, 0, 0, 10, 10));
  LoadScenes({{"Level", first}, {"Level_b", Scales({})}});
  BalanceGame game;
  StartBalance(game);
  int reloads = 0;
  game.mLevelObjectsReplaced = [&] { ++reloads; };
  sObj* impostor = FindObjectByName(level, "fader");
  ASSERT_NE(impostor, nullptr);
  ASSERT_NE(FindAnimDef("fade_in"), nullptr);
  impostor->mAnimations.push_back(*FindAnimDef("fade_in"));
  impostor->PlayAnimation("fade_in");
  const std::vector<sObj*> before(level.begin(), level.end());
  TickUntil(
      game, [&] { return !impostor->IsPlaying(); }, 200);
  EXPECT_EQ(forwarder.ends, std::vector<std::string>{"fader fade_in"});
  EXPECT_EQ(reloads, 0);
  EXPECT_EQ(game.mSubLevels, std::vector<std::string>{"Level_b"});
  EXPECT_EQ(std::vector<sObj*>(level.begin(), level.end()), before);
  EXPECT_FALSE(game.mFader.IsPlaying());
}

TEST_F(BalanceTest, DataItCannotPlayIsLoggedAndLeftIdle) {
  struct Case {
    const char* what;
    std::function<DtmRecord()> level;
    bool fades;
    const char* logged;
  };
  const Case cases[] = {
      {"pan number 7",
       [] {
         DtmRecord root = Scales({"1"});
         root.Child(Pan("sprPan7", 300, 283));
         return root;
       },
       true, "sprPan7"},
      {"no beam",
       [] {
         DtmRecord root = Root();
         root.Child(Pan("sprPan0", 91, 283));
         root.Child(Pan("sprPan1", 549, 283));
         root.Child(Weight(1, 100, "1"));
         return root;
       },
       true, "sprBeam"},
      {"no pan 1",
       [] {
         DtmRecord root = Root();
         root.Child(Beam());
         root.Child(Pan("sprPan0", 91, 283));
         return root;
       },
       true, "sprPan1"},
      {"weight without image",
       [] {
         DtmRecord root = Scales({});
         root.Child(Record("sprWeight9", 3, 100, 500, 20, 20));
         return root;
       },
       true, "sprWeight9"},
      {"no fades", [] { return Scales({"1"}); }, false, "fade_in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteObjects(level);
    context.log.clear();
    context.sounds.clear();
    withFades = c.fades;
    gAnimDefs.clear();
    LoadScenes({{"Level", c.level()}});
    BalanceGame game;
    StartBalance(game);
    EXPECT_TRUE(game.IsUnplayable());
    EXPECT_TRUE(Logged("(balance) cannot be played"));
    EXPECT_TRUE(Logged(c.logged));
    game.MouseDown(110, 510, 1);
    game.MouseMove(91, 283);
    game.MouseUp(91, 283, 1);
    Tick(game, 50);
    EXPECT_FALSE(game.IsWon());
    EXPECT_TRUE(context.sounds.empty());
    HintPoint a, b;
    EXPECT_EQ(game.GetHintPosition(a, b), kHintNone);
    game.Draw(graphics);
  }
}

}  // namespace
}  // namespace leveltest
