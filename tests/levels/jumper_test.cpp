// The trampoline jumper: the throw schedule, ball flight, bounces and the
// trampoline's dip, reaching the start and end points, lost and delivered
// balls, the counter and the data it refuses.
#include <gtest/gtest.h>

#include "levels/JumperGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

// Defaults: left (100, 500), right (574, 500), balls 30 x 30, trampoline 100 x 20:
// start (50, 485), end (594, 485), trampoline top 525, x clamped to [135, 539].
constexpr float kStartX = 50.0f, kStartY = 485.0f, kEndX = 594.0f, kEndY = 485.0f;

// Updates a timer of the period needs to run out, from the real timer.
int TicksOf(float period) {
  CountdownTimer timer;
  timer.Start(period);
  int ticks = 0;
  while (!timer.IsDone()) {
    timer.Tick();
    ++ticks;
  }
  return ticks;
}

class JumperTest : public MiniGameKit {
 protected:
  std::vector<TestImage> Images(bool jumper = true, bool spring = true, bool ball1 = true) {
    std::vector<TestImage> images;
    if (jumper) images.push_back(SolidImage("jumper", 100, 20));
    if (spring) images.push_back(SolidImage("spring", 20, 40));
    for (int n = ball1 ? 1 : 2; n <= 6; ++n)
      images.push_back(SolidImage("round" + std::to_string(n), 30, 30, 0xFF000010u * n));
    return images;
  }
  void StartJumper(JumperGame& game, const std::string& balls) {
    LoadLevel(Images(), Record("level", 3, 0, 0, 800, 600, {{"_iNumObj", balls}}));
    Start(game);
  }
  // Puts ball 0 in flight at (x, y) with no velocity and no gravity.
  static void Hold(JumperGame& game, float x, float y) {
    auto& ball = game.mBalls[0];
    ball.state = 1;
    ball.centre = Vec2(x, y);
    ball.velocity = Vec2(0, 0);
    ball.acceleration = Vec2(0, 0);
  }
  int Sounds(const std::string& id) const {
    int n = 0;
    for (const auto& s : context.sounds) n += s == id ? 1 : 0;
    return n;
  }
};

TEST_F(JumperTest, PointsAndTrampolineComeFromTheImagesAndProperties) {
  std::unique_ptr<MiniGame> made(CreateMiniGame("jumper"));
  ASSERT_NE(dynamic_cast<JumperGame*>(made.get()), nullptr);
  JumperGame game;
  StartJumper(game, "3");
  EXPECT_EQ(game.mBalls.size(), 3u);
  EXPECT_FLOAT_EQ(game.mStart.x, kStartX);
  EXPECT_FLOAT_EQ(game.mStart.y, kStartY);
  EXPECT_FLOAT_EQ(game.mEnd.x, kEndX);
  EXPECT_FLOAT_EQ(game.mEnd.y, kEndY);
  EXPECT_FLOAT_EQ(game.mTrampoline.corner[0].y, 525.0f);
  EXPECT_FLOAT_EQ(game.mTrampolineCentre.x, 340.0f);
  for (const auto& ball : game.mBalls) {
    EXPECT_EQ(ball.state, 0);
    EXPECT_FLOAT_EQ(ball.centre.x, -100.0f);
    EXPECT_FLOAT_EQ(ball.centre.y, 485.0f);
    EXPECT_GE(ball.image, 0);
    EXPECT_LE(ball.image, 5);
  }
}

TEST_F(JumperTest, FirstBallAfterThreeSecondsThenGrowingWaves) {
  JumperGame game;
  StartJumper(game, "20");
  game.MouseMove(2000, 0);  // far right: balls fall and come back
  const int first = TicksOf(3.0f);
  EXPECT_EQ(first, 301);
  Run(game, first - 1);
  EXPECT_EQ(game.mBalls[0].state, 0);
  Run(game, 1);
  EXPECT_EQ(game.mBalls[0].state, 1);
  // After each throw: the pause that follows and the wave's balls left.
  struct Step {
    float pause;
    int leftInWave;
  };
  const Step steps[] = {{7.0f, 2}, {0.8f, 1}, {7.0f, 3}, {0.8f, 2}, {0.8f, 1}, {7.0f, 4}};
  EXPECT_FLOAT_EQ(game.mThrowTimer.mDuration, steps[0].pause);
  EXPECT_EQ(game.mLeftInWave, steps[0].leftInWave);
  for (int i = 1; i < 6; ++i) {
    const int wait = TicksOf(steps[i - 1].pause);
    Run(game, wait - 1);
    EXPECT_EQ(game.mLeftInWave, steps[i - 1].leftInWave) << i;
    Run(game, 1);
    EXPECT_EQ(game.mLeftInWave, steps[i].leftInWave) << i;
    EXPECT_FLOAT_EQ(game.mThrowTimer.mDuration, steps[i].pause) << i;
  }
}

TEST_F(JumperTest, FlightMovesThenAddsGravityAndTrailsEveryFourthUpdate) {
  JumperGame game;
  StartJumper(game, "1");
  game.mThrowTimer.mRemaining = 0.0f;
  Run(game, 1);
  auto& ball = game.mBalls[0];
  ASSERT_EQ(ball.state, 1);
  EXPECT_FLOAT_EQ(ball.velocity.x, (kStartX + 100.0f) * 0.0125f);
  EXPECT_FLOAT_EQ(ball.velocity.y, (kStartY - 485.0f + 320.0f) * 0.0125f - 8.0f);
  const Vec2 before = ball.centre;
  const Vec2 velocity = ball.velocity;
  Run(game, 1);
  EXPECT_FLOAT_EQ(ball.centre.x, before.x + velocity.x);
  EXPECT_FLOAT_EQ(ball.centre.y, before.y + velocity.y);
  EXPECT_FLOAT_EQ(ball.velocity.y, velocity.y + 0.1f);
  // The trail counter runs 0, 1, 2, 3 and restarts.
  gTrailStep = 0;
  const uint8_t expected[] = {1, 2, 3, 0, 1};
  for (uint8_t e : expected) {
    Run(game, 1);
    EXPECT_EQ(gTrailStep, e);
  }
}

TEST_F(JumperTest, TrampolineFollowsThePointerInsideItsRange) {
  JumperGame game;
  StartJumper(game, "1");
  const struct {
    int pointer;
    float centre;
  } cases[] = {{0, 135.0f}, {-500, 135.0f}, {300, 300.0f}, {539, 539.0f}, {2000, 539.0f}};
  for (const auto& c : cases) {
    game.MouseMove(c.pointer, 10);
    Run(game, 1);
    EXPECT_FLOAT_EQ(game.mTrampolineCentre.x, c.centre) << c.pointer;
    EXPECT_FLOAT_EQ(game.mTrampoline.corner[0].x, c.centre - 50.0f);
    EXPECT_FLOAT_EQ(game.mTrampoline.corner[2].x, c.centre + 50.0f);
    EXPECT_FLOAT_EQ(game.mSpring.corner[1].x, c.centre + 10.0f);
  }
}

TEST_F(JumperTest, BouncesDipTheTrampolineTenPixelsAndItRisesAFifthPerUpdate) {
  JumperGame game;
  StartJumper(game, "2");
  game.MouseMove(340, 0);
  Run(game, 1);
  const float top = game.mTrampoline.corner[0].y;
  Hold(game, 340.0f, top + 5.0f);
  Run(game, 1);
  EXPECT_FLOAT_EQ(game.mDip, 10.0f);
  EXPECT_FLOAT_EQ(game.mTrampoline.corner[0].y, top + 10.0f);
  EXPECT_EQ(Sounds("SOUND_SPRING"), 1);
  // The end point is within reach from x 340: the ball is sent there in 130 updates.
  EXPECT_FLOAT_EQ(game.mBalls[0].velocity.x, (kEndX - 340.0f) / 130.0f);
  Run(game, 1);
  EXPECT_NEAR(game.mTrampoline.corner[0].y, top + 9.8f, 1e-4f);
  // A second bounce adds another 10.
  Hold(game, 340.0f, game.mTrampoline.corner[0].y + 5.0f);
  Run(game, 1);
  EXPECT_NEAR(game.mDip, 9.6f + 10.0f, 1e-4f);
  // Far from the end point the hop goes a random 60 to 300 pixels forward.
  game.MouseMove(0, 0);
  Run(game, 1);
  Hold(game, 135.0f, game.mTrampoline.corner[0].y + 5.0f);
  Run(game, 1);
  EXPECT_GT(game.mBalls[0].velocity.x, 60.0f / 190.0f - 1e-3f);
  EXPECT_LT(game.mBalls[0].velocity.x, 300.0f / 120.0f + 1e-3f);
  // The dip drains at 0.2 per update until it is gone.
  int ticks = 0;
  while (game.mDip != 0.0f && ticks < 1000) {
    Hold(game, 100.0f, 100.0f);
    Run(game, 1);
    ++ticks;
  }
  EXPECT_NEAR(game.mTrampoline.corner[0].y, top, 0.01f);  // float32 steps of 0.2
}

TEST_F(JumperTest, StartAndEndPointsAreReachedBelowASquaredDistanceOfTen) {
  JumperGame game;
  StartJumper(game, "2");
  game.MouseMove(2000, 0);
  struct Case {
    float x, y;
    bool tossed;
    float expectedVx;  // when tossed from the end point
  };
  const Case endCases[] = {{kEndX + 3.0f, kEndY, true, (900.0f - kEndX - 3.0f) / 80.0f},
                           {kEndX + 3.0f, kEndY + 1.0f, false, 0.0f}};
  for (const Case& c : endCases) {
    context.sounds.clear();
    Hold(game, c.x, c.y);
    Run(game, 1);
    EXPECT_EQ(Sounds("SOUND_SPRING"), c.tossed ? 1 : 0) << c.y;
    if (c.tossed) {
      EXPECT_FLOAT_EQ(game.mBalls[0].velocity.x, c.expectedVx);
    }
  }
  const Case startCases[] = {{kStartX, kStartY + 3.0f, true, 0}, {kStartX + 2.0f, kStartY + 3.0f, false, 0}};
  for (const Case& c : startCases) {
    context.sounds.clear();
    Hold(game, c.x, c.y);
    Run(game, 1);
    EXPECT_EQ(Sounds("SOUND_SPRING"), c.tossed ? 1 : 0) << c.x;
    if (c.tossed) {
      EXPECT_GT(game.mBalls[0].velocity.x, 0.0f);
    }
  }
}

TEST_F(JumperTest, LostBallsWaitAgainAndDeliveredOnesCountUntilTheWin) {
  JumperGame game;
  StartJumper(game, "2");
  game.MouseMove(2000, 0);
  std::wstring text;
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"%d", text), 0.0f);
  EXPECT_EQ(text, L"2");
  Hold(game, 300.0f, 600.0f + 50.0f + 1.0f);  // more than the half width below the screen
  Run(game, 1);
  EXPECT_EQ(game.mBalls[0].state, 0);
  EXPECT_FLOAT_EQ(game.mBalls[0].centre.x, -100.0f);
  EXPECT_EQ(Sounds("SOUND_OUT_SCREEN"), 1);
  Hold(game, 300.0f, 600.0f + 49.0f);  // still in reach of the screen
  Run(game, 1);
  EXPECT_EQ(game.mBalls[0].state, 1);

  Hold(game, 800.0f + 51.0f, 300.0f);
  Run(game, 1);
  EXPECT_EQ(game.mBalls[0].state, 2);
  EXPECT_FALSE(game.mBalls[0].visible);
  EXPECT_EQ(Sounds("SOUND_GOOD_OBJECT"), 1);
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"%d", text), 0.5f);
  EXPECT_EQ(text, L"1");
  EXPECT_FALSE(game.IsWon());
  auto& second = game.mBalls[1];
  second.state = 1;
  second.centre = Vec2(900.0f, 100.0f);
  second.velocity = Vec2(0, 0);
  second.acceleration = Vec2(0, 0);
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(JumperTest, NoBallsWinAtTheFirstUpdateWithARatioOfZero) {
  JumperGame game;
  StartJumper(game, "0");
  std::wstring text;
  EXPECT_EQ(game.UpdateItemsText(L"%d left", text), 0.0f);
  EXPECT_EQ(text, L"0 left");
  EXPECT_FALSE(game.IsWon());
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
}

// The ball array is sized from the level: a count past the limit is logged
// before anything is allocated, and the level stays unplayable.
TEST_F(JumperTest, BallCountsPastTheLimitAreLoggedAndTheGameStaysIdle) {
  const struct {
    std::string balls;
    bool playable;
  } cases[] = {{"2000000000", false},
               {std::to_string(JumperGame::kMaxBalls + 1), false},
               {std::to_string(JumperGame::kMaxBalls), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.balls);
    DeleteObjects(level);
    context.log.clear();
    JumperGame game;
    StartJumper(game, c.balls);
    EXPECT_EQ(game.IsUnplayable(), !c.playable);
    EXPECT_EQ(Logged("(jumper) cannot be played: \"_iNumObj\" " + c.balls + " is over the limit"), !c.playable);
    EXPECT_EQ(game.mBalls.size(), c.playable ? JumperGame::kMaxBalls : 0u);
    Run(game, 10);
    EXPECT_FALSE(game.IsWon());
  }
}

TEST_F(JumperTest, MissingImagesAreLoggedAndTheGameStaysIdle) {
  struct Case {
    bool jumper, spring, ball1;
    const char* logged;
  };
  const Case cases[] = {
      {false, true, true, "\"jumper\""}, {true, false, true, "\"spring\""}, {true, true, false, "ball image 1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    DeleteObjects(level);
    context.log.clear();
    LoadLevel(Images(c.jumper, c.spring, c.ball1), Record("level", 3, 0, 0, 800, 600, {{"_iNumObj", "2"}}));
    JumperGame game;
    Start(game);
    EXPECT_TRUE(game.IsUnplayable());
    EXPECT_TRUE(Logged("(jumper) cannot be played"));
    EXPECT_TRUE(Logged(c.logged));
    game.MouseMove(300, 300);
    Run(game, 400);
    EXPECT_FALSE(game.IsWon());
    HintPoint a, b;
    EXPECT_EQ(game.GetHintPosition(a, b), kHintNone);
    game.Draw(graphics);
  }
}

}  // namespace
}  // namespace leveltest
