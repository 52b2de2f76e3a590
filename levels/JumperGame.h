// "jumper": the trampoline game. Balls come in from the left in growing
// waves (one after 3 s, then two, three, ... 7 s apart, 0.8 s between the
// balls of a wave), fly to a start point and are tossed towards the
// trampoline, which follows the pointer's x. A ball that lands on it is sent
// to the end point when that is in reach, else hops forward at random; from
// the end point it flies off to the upper right and is delivered. A ball
// that falls below the screen waits to be thrown again. The level is won
// when every ball is delivered; the HUD counter shows the balls still to go.
//
// Motion is per update, in float32: move by the velocity, turn by -0.04 rad,
// then add gravity 0.1. Properties: "_iNumObj" (10), "_iLeftX"/"_iLeftY"
// (100, 500), "_iRightX"/"_iRightY" (574, 500), "_iEndX" (right x + 20),
// "_keyImg_Elem_1".."_6" (ball images, else "round1".."round6").
//
// Unplayable data (one log line, then idle): a missing "jumper" or "spring"
// image or ball image 1, whose sizes place everything, or more than
// kMaxBalls balls.
#pragma once

#include <vector>

#include "levels/MiniGame.h"
#include "levels/PlayfieldDraw.h"

namespace Kivo {

class JumperGame : public MiniGame {
 public:
  static constexpr int kBallImages = 6;
  // The most balls a level may ask for; checked before the array is made.
  static constexpr uint32_t kMaxBalls = 1000;

  struct Ball {
    Quad quad;  // the image's quad
    Quad core;  // 24 x 24 about the centre, turning with the ball
    Vec2 centre;
    uint8_t state = 0;  // 0 waiting, 1 flying, 2 delivered
    Vec2 velocity;
    Vec2 acceleration;
    int32_t image = 0;  // 0 to 5
    bool visible = true;
  };

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  // No hint while the level data cannot be played.
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override {
    if (IsUnplayable()) return kHintNone;
    return MiniGame::GetHintPosition(first, second);
  }
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override;
  bool HasItemsCounter() override { return true; }

  // Sends the ball towards target so that it passes the target's x after
  // `ticks` updates.
  void Toss(Ball& ball, Vec2 target, float ticks);
  // Off screen to the left, waiting, with a new random picture.
  void PlaceBall(Ball& ball);
  int DeliveredCount() const;

  float mPointerX = 0.0f;
  float mPointerY = 0.0f;
  uint32_t mBallCount = 10;
  Vec2 mLeft{100.0f, 500.0f};
  Vec2 mRight{574.0f, 500.0f};
  Vec2 mStart;
  Vec2 mEnd;
  Quad mTrampoline;
  Vec2 mTrampolineCentre;
  float mHalfWidth = 0.0f;  // of the trampoline
  std::vector<Ball> mBalls;
  HeldImage mJumperImage;
  HeldImage mSpringImage;
  HeldImage mBallImages[kBallImages];
  CountdownTimer mThrowTimer;
  int32_t mLeftInWave = 1;
  int32_t mNextWave = 2;
  sObjEmitter* mDelivered = nullptr;  // "effElElapsed"
  float mDip = 0.0f;
  Quad mSpring;
  float mHalfSpring = 0.0f;
};

}  // namespace Kivo
