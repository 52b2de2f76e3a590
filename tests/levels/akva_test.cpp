// The aquarium grabber: the arm and drop cycles with their swings, catching
// fish and stones, fish wandering and fleeing, the counter and the win, and
// the data it refuses.
#include <gtest/gtest.h>

#include "levels/AkvaGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/moving_parts_support.h"

namespace leveltest {
namespace {

// The arm rests at (600, 70) and travels 400 to the left; the hand (cells
// 20 x 20) hangs at (600, 120) and drops 300, so the grip point starts at
// (600, 140) and reaches y 440 at the bottom.
class AkvaTest : public MovingPartsKit {
 protected:
  static std::vector<TestImage> Images() {
    return {SolidImage("arm", 40, 20), SolidImage("hand", 60, 20), SolidImage("thread", 8, 100),
            SolidImage("stone", 30, 30), SolidImage("fish", 40, 20)};
  }
  static DtmRecord Rig(const std::vector<std::string>& leaveOut = {}) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    auto add = [&](DtmRecord record) {
      for (const std::string& name : leaveOut)
        if (record.name == name) return;
      root.Child(record);
    };
    add(Record("sprArm", 3, 580, 60, 40, 20, {{"_keyImg", "arm"}, {"_fDistance", "400"}}));
    add(Record("sprHand", 3, 590, 110, 20, 20, {{"_keyImg", "hand"}, {"_iCol", "3"}, {"_fDistance", "300"}}));
    add(Record("prsThread", 6, 596, 80, 8, 40, {{"_keyImg", "thread"}}));
    add(Record("effElapsed", kEmitterTypeCode, 0, 0, 10, 10));
    // A stone out of the hand's reach keeps the level from being won at once.
    add(Record("sprStone9", 3, 20, 560, 30, 30, {{"_keyImg", "stone"}}));
    return root;
  }
  static DtmRecord Stone(int n, float cx, float cy) {
    return Record("sprStone" + std::to_string(n), 3, cx - 15, cy - 15, 30, 30, {{"_keyImg", "stone"}});
  }
  static DtmRecord Fish(int n, float cx, float cy, const std::string& speed = "") {
    std::vector<std::pair<std::string, std::string>> props = {{"_keyImg", "fish"}};
    if (!speed.empty()) props.push_back({"_fFishSpeed", speed});
    return Record("sprFish" + std::to_string(n), 3, cx - 20, cy - 10, 40, 20, props);
  }
  void StartAkva(AkvaGame& game, DtmRecord root) {
    std::vector<TestImage> images = Images();
    images[1].columns = 3;
    LoadLevel(images, root);
    Start(game);
    forwarder.Attach(level, game);
    Tick(game);
  }
  // Starts the arm and drops the hand when the arm's x reaches x.
  void DropAt(AkvaGame& game, float x) {
    game.MouseDown(10, 10, 1);
    TickUntil(game, [&] { return game.mArm.mX <= x; });
    game.MouseDown(10, 10, 1);
  }
};

TEST_F(AkvaTest, ArmGoesOutInFiveHundredUpdatesAndComesBackSwinging) {
  std::unique_ptr<MiniGame> made(CreateMiniGame("akva"));
  ASSERT_NE(dynamic_cast<AkvaGame*>(made.get()), nullptr);
  AkvaGame game;
  StartAkva(game, Rig());
  ASSERT_FALSE(game.IsUnplayable()) << (context.log.empty() ? "" : context.log[0]);
  EXPECT_FLOAT_EQ(game.mArm.mP1.x, 200.0f);
  EXPECT_NEAR(game.GripPoint().x, 600.0f, 1e-3f);
  EXPECT_NEAR(game.GripPoint().y, 140.0f, 1e-3f);
  game.MouseDown(10, 10, 1);
  EXPECT_EQ(game.mArm.mState, AkvaGame::kArmOut);
  EXPECT_FLOAT_EQ(game.mSwing.mAngle.mAmplitude, 20.0f);
  Tick(game, 250);
  EXPECT_NEAR(game.mArm.mX, 400.0f, 0.05f);
  Tick(game, 250);
  EXPECT_EQ(game.mArm.mState, AkvaGame::kArmBack);
  EXPECT_FLOAT_EQ(game.mArm.mX, 200.0f);
  EXPECT_FLOAT_EQ(game.mSwing.mAngle.mAmplitude, -20.0f);
  Tick(game, 499);
  EXPECT_EQ(game.mArm.mState, AkvaGame::kArmBack);
  Tick(game, 1);
  EXPECT_EQ(game.mArm.mState, AkvaGame::kArmIdle);
  EXPECT_FLOAT_EQ(game.mArm.mX, 600.0f);
  EXPECT_FLOAT_EQ(game.mSwing.mAngle.mAmplitude, 10.0f);
  EXPECT_EQ(game.mHandSprite->mFrameColumn, 1);
  EXPECT_EQ(Sounds("SOUND_AKVA_CHUPA"), 1);
}

TEST_F(AkvaTest, SwingRunsFourLegsOfFiftyUpdates) {
  AkvaGame game;
  StartAkva(game, Rig());
  game.MouseDown(10, 10, 1);
  const float legs[] = {20.0f, -12.0f, 4.0f, 0.0f};
  for (float leg : legs) {
    Tick(game, 50);
    EXPECT_NEAR(game.mSwing.Angle(), leg, 1e-3f);
  }
}

TEST_F(AkvaTest, AnEmptyDropTakesFourHundredUpdatesAndTheArmReturnsAsFarAsItWent) {
  AkvaGame game;
  StartAkva(game, Rig());
  game.MouseDown(10, 10, 1);
  Tick(game, 100);
  const float armX = game.mArm.mX;
  game.MouseDown(10, 10, 1);
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropDown);
  EXPECT_TRUE(game.mArm.mTween.IsPaused());
  EXPECT_FLOAT_EQ(game.mSwing.mAngle.mAmplitude, -8.0f);  // the arm moves left
  game.MouseDown(10, 10, 1);                              // the hand is down: nothing
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropDown);
  Tick(game, 399);
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropDown);
  EXPECT_FLOAT_EQ(game.mArm.mX, armX);
  Tick(game, 1);
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropBackEmpty);
  EXPECT_EQ(game.mHandSprite->mFrameColumn, 3);
  EXPECT_NEAR(game.GripPoint().y, 440.0f, 0.05f);
  Tick(game, 400);
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropUp);
  EXPECT_EQ(game.mArm.mState, AkvaGame::kArmBackAfterDrop);
  EXPECT_FLOAT_EQ(game.mSwing.mAngle.mAmplitude, -20.0f);
  game.MouseDown(10, 10, 1);  // returning after a drop: nothing
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropUp);
  const int back = TickUntil(game, [&] { return game.mArm.mState == AkvaGame::kArmIdle; });
  EXPECT_NEAR(back, 100, 1);
  EXPECT_FLOAT_EQ(game.mArm.mX, 600.0f);
}

TEST_F(AkvaTest, AStoneIsGrabbedRisesAsLongAsItSankAndIsBroughtUp) {
  AkvaGame game;
  DtmRecord root = Rig();
  root.Child(Stone(1, 400, 300));
  root.Child(Stone(2, 100, 300));
  StartAkva(game, root);
  std::wstring text;
  game.UpdateItemsText(L"%d left", text);
  EXPECT_EQ(text, L"3 left");
  DropAt(game, 400.0f);
  const int sank = TickUntil(game, [&] { return game.mDrop.mState == AkvaGame::kDropBackWithCatch; });
  EXPECT_LT(sank, 400);
  EXPECT_EQ(game.mStones[1]->mParent, &game.mGrip);
  EXPECT_EQ(game.mHandSprite->mFrameColumn, 2);
  EXPECT_EQ(Sounds("SOUND_AKVA_CHUPA"), 1);
  EXPECT_EQ(game.mDrop.mTween.mDuration, sank);
  const int rose = TickUntil(game, [&] { return game.mDrop.mState == AkvaGame::kDropUp; });
  EXPECT_EQ(rose, sank);
  TickUntil(game, [&] { return game.mArm.mState == AkvaGame::kArmIdle; });
  EXPECT_TRUE(game.mStones[1]->IsTaken());
  EXPECT_EQ(game.mStones[1]->mParent, &game.mWater);
  game.UpdateItemsText(L"%d left", text);
  EXPECT_EQ(text, L"2 left");
  EXPECT_FALSE(game.IsWon());
  // A stone brought up is never grabbed again.
  DropAt(game, 400.0f);
  TickUntil(game, [&] { return game.mDrop.mState != AkvaGame::kDropDown; });
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropBackEmpty);
}

TEST_F(AkvaTest, TheLastReleaseWinsAndTheDissolvingStoneStartsTheCounterEffect) {
  AkvaGame game;
  DtmRecord root = Rig({"sprStone9"});
  root.Child(Stone(1, 400, 300));
  StartAkva(game, root);
  DropAt(game, 400.0f);
  TickUntil(game, [&] { return game.mStones[0]->IsTaken(); });
  EXPECT_TRUE(game.IsWon());  // set by the update of the release
  auto* effect = dynamic_cast<sObjEmitter*>(FindObjectByName(level, "effElapsed"));
  ASSERT_NE(effect, nullptr);
  EXPECT_FALSE(effect->mRunning);
  game.OnAnimationEnd("sprStone1", "stone_dilution");
  EXPECT_TRUE(effect->mRunning);
}

TEST_F(AkvaTest, AFishAndAStoneUnderTheGripInOneUpdateAreBothTaken) {
  AkvaGame game;
  DtmRecord root = Rig({"sprStone9"});
  root.Child(Fish(1, 400, 300, "0"));  // a fish that does not wander
  root.Child(Stone(1, 400, 304.5f));   // quad top 289.5 (turned 1 degree), pixels from 289
  StartAkva(game, root);
  DropAt(game, 400.0f);
  TickUntil(game, [&] { return game.mDrop.mState == AkvaGame::kDropBackWithCatch; });
  EXPECT_EQ(game.mFish[0]->mParent, &game.mGrip);
  EXPECT_EQ(game.mStones[0]->mParent, &game.mGrip);
  EXPECT_EQ(Sounds("SOUND_FISH"), 1);
  EXPECT_EQ(Sounds("SOUND_AKVA_CHUPA"), 1);
  TickUntil(game, [&] { return game.mArm.mState == AkvaGame::kArmIdle; });
  // Only the first on the grip is released.
  EXPECT_EQ(game.mFish[0]->mParent, &game.mWater);
  EXPECT_EQ(game.mStones[0]->mParent, &game.mGrip);
  EXPECT_FALSE(game.mStones[0]->IsTaken());
  EXPECT_FALSE(game.IsWon());
  // The stone left on the grip is under the grip point wherever the hand
  // drops next: it is caught again at once, and brought up this time.
  const int chupas = Sounds("SOUND_AKVA_CHUPA");
  DropAt(game, 200.0f);
  const int down = TickUntil(game, [&] { return game.mDrop.mState != AkvaGame::kDropDown; });
  EXPECT_LE(down, 2);
  EXPECT_EQ(game.mDrop.mState, AkvaGame::kDropBackWithCatch);
  EXPECT_EQ(Sounds("SOUND_AKVA_CHUPA"), chupas + 1);
  TickUntil(game, [&] { return game.mStones[0]->IsTaken(); });
  EXPECT_TRUE(game.mStones[0]->IsTaken());
  EXPECT_TRUE(game.IsWon());
}

TEST_F(AkvaTest, OnlyASingleClickMovesTheArmOtherClicksScareNearbyFish) {
  AkvaGame game;
  DtmRecord root = Rig();
  root.Child(Fish(1, 300, 300, "0"));
  root.Child(Fish(2, 300, 420, "0"));
  root.Child(Fish(3, 600, 300));
  StartAkva(game, root);
  EXPECT_FLOAT_EQ(game.mFish[2]->mWanderSpeed, 0.1f);
  for (int clicks : {2, -1, 3}) {
    game.MouseDown(800, 10, clicks);
    EXPECT_EQ(game.mArm.mState, AkvaGame::kArmIdle) << clicks;
  }
  game.MouseDown(350, 300, 2);  // 50 to the right of fish 1, 120 from fish 2
  FishNode& near = *game.mFish[0];
  EXPECT_TRUE(near.mFleeing);
  EXPECT_FLOAT_EQ(near.mTarget.x, 200.0f);
  EXPECT_NEAR(near.mVelocity.x, -0.8f, 0.01f);
  EXPECT_FALSE(game.mFish[1]->mFleeing);
  // A fish on the left of the pointer, and one straight below it.
  near.mFleeing = false;
  near.mX = 300.0f;
  game.MouseMove(250, 300);
  EXPECT_FLOAT_EQ(near.mTarget.x, 400.0f);
  near.mFleeing = false;
  near.mX = 300.0f;
  game.MouseMove(300, 250);
  EXPECT_FLOAT_EQ(near.mTarget.x, 200.0f);
  // Outside its area a fish does not react.
  FishNode& far = *game.mFish[1];
  far.mOutside = true;
  game.MouseMove(300, 420);
  EXPECT_FALSE(far.mFleeing);
}

TEST_F(AkvaTest, FishWanderInsideTheirAreaAndDefaultsApply) {
  AkvaGame game;
  DtmRecord root = Rig();
  root.Child(Fish(1, 300, 300));
  root.Child(Record("sprArm", 3, 0, 0, 1, 1));  // a second arm is ignored by name lookups only
  StartAkva(game, root);
  FishNode& fish = *game.mFish[0];
  for (int i = 0; i < 5; ++i) {
    EXPECT_GE(fish.mTarget.x, 10.0f);
    EXPECT_LT(fish.mTarget.x, 690.0f);
    EXPECT_GE(fish.mTarget.y, 150.0f);
    EXPECT_LT(fish.mTarget.y, 450.0f);
    EXPECT_NEAR(Vec2::Length(fish.mVelocity), 0.1f, 0.002f);
    const Vec2 target = fish.mTarget;
    TickUntil(
        game, [&] { return fish.mTarget.x != target.x || fish.mTarget.y != target.y; }, 20000);
  }
}

TEST_F(AkvaTest, DistanceDefaultsToSixHundred) {
  AkvaGame game;
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Record("sprArm", 3, 640, 60, 40, 20, {{"_keyImg", "arm"}}));
  root.Child(Record("sprHand", 3, 650, 110, 20, 20, {{"_keyImg", "hand"}}));
  root.Child(Record("prsThread", 6, 596, 80, 8, 40, {{"_keyImg", "thread"}}));
  root.Child(Stone(1, 400, 300));
  StartAkva(game, root);
  EXPECT_FLOAT_EQ(game.mArm.mP1.x, 660.0f - 600.0f);
  EXPECT_FLOAT_EQ(game.mDrop.mP1.y - game.mDrop.mP0.y, 600.0f);
}

TEST_F(AkvaTest, AMissingRigPartIsLoggedAndLeftIdleWhileMissingSoundsStaySilent) {
  struct Case {
    const char* leaveOut;
    const char* logged;
  };
  const Case cases[] = {{"prsThread", "prsThread"}, {"sprArm", "sprArm"}, {"sprHand", "sprHand"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.leaveOut);
    DeleteObjects(level);
    context.log.clear();
    context.sounds.clear();
    DtmRecord root = Rig({c.leaveOut});
    root.Child(Stone(1, 400, 300));
    AkvaGame game;
    StartAkva(game, root);
    EXPECT_TRUE(game.IsUnplayable());
    EXPECT_TRUE(Logged("(akva) cannot be played"));
    EXPECT_TRUE(Logged(c.logged));
    game.MouseDown(10, 10, 1);
    Tick(game, 600);
    EXPECT_EQ(game.mArm.mState, AkvaGame::kArmIdle);
    EXPECT_TRUE(context.sounds.empty());
    EXPECT_FALSE(game.IsWon());
    HintPoint a, b;
    EXPECT_EQ(game.GetHintPosition(a, b), kHintNone);
    game.Draw(graphics);
  }
  // The rig without "soundMoveHor" and "soundMoveVert" plays on.
  DeleteObjects(level);
  DtmRecord root = Rig({"sprStone9"});
  root.Child(Stone(1, 400, 300));
  AkvaGame game;
  StartAkva(game, root);
  EXPECT_FALSE(game.IsUnplayable());
  EXPECT_EQ(game.mMoveHor, nullptr);
  DropAt(game, 400.0f);
  TickUntil(game, [&] { return game.IsWon(); });
  EXPECT_TRUE(game.IsWon());
}

}  // namespace
}  // namespace leveltest
