#include "levels/JumperGame.h"

#include <string>

#include "engine/SceneLoader.h"
#include "levels/DataFormat.h"
#include "levels/LevelContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr float kGravity = 0.1f;
constexpr float kTurnPerUpdate = -0.04f;  // radians
constexpr float kDipPerBounce = 10.0f;
constexpr float kRisePerUpdate = 0.2f;
constexpr float kReachSq = 10.0f;  // squared distance that counts as reaching a point
constexpr float kFirstThrow = 3.0f;
constexpr float kWavePause = 7.0f;
constexpr float kBallPause = 0.8f;
constexpr float kScreenWidth = 800.0f;
constexpr float kScreenHeight = 600.0f;

Quad BoxAbout(Vec2 centre, float width, float height) {
  Quad quad;
  const float hw = width * 0.5f;
  const float hh = height * 0.5f;
  quad.corner[0] = Vec2(centre.x - hw, centre.y - hh);
  quad.corner[1] = Vec2(centre.x + hw, centre.y - hh);
  quad.corner[2] = Vec2(centre.x + hw, centre.y + hh);
  quad.corner[3] = Vec2(centre.x - hw, centre.y + hh);
  return quad;
}

void Shift(Quad& quad, float dx, float dy) {
  for (Vector2& corner : quad.corner) corner = Vec2(corner.x + dx, corner.y + dy);
}

void TurnAbout(Quad& quad, const Mat3& rotation, Vec2 centre) {
  for (Vector2& corner : quad.corner) {
    const Vec2 turned = rotation.Transform(Vec2(corner.x - centre.x, corner.y - centre.y));
    corner = Vec2(turned.x + centre.x, turned.y + centre.y);
  }
}

// The integer level property, or fallback when it is empty.
float IntProperty(const MiniGame& game, const std::string& key, float fallback) {
  const std::string value = game.LevelProperty(key);
  return value.empty() ? fallback : static_cast<float>(LeadingInt(value.c_str()));
}

}  // namespace

int JumperGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  const std::string count = LevelProperty("_iNumObj");
  mBallCount = 10;
  if (!count.empty()) {
    const int32_t n = LeadingInt(count.c_str());
    mBallCount = n < 0 ? 0u : static_cast<uint32_t>(n);
  }
  if (mBallCount > kMaxBalls) {
    MarkUnplayable("jumper", "\"_iNumObj\" " + std::to_string(mBallCount) + " is over the limit of " +
                                 std::to_string(kMaxBalls) + " balls");
    mBallCount = 0;
  }
  mLeft = Vec2(IntProperty(*this, "_iLeftX", 100.0f), IntProperty(*this, "_iLeftY", 500.0f));
  mRight = Vec2(IntProperty(*this, "_iRightX", 574.0f), IntProperty(*this, "_iRightY", 500.0f));
  const float endX = IntProperty(*this, "_iEndX", mRight.x + 20.0f);
  mDelivered = dynamic_cast<sObjEmitter*>(levelObjects ? FindObjectByName(*levelObjects, "effElElapsed") : nullptr);

  for (int n = 1; n <= kBallImages; ++n) {
    const std::string key = LevelProperty("_keyImg_Elem_" + std::to_string(n));
    if (key.empty() || mBallImages[n - 1].Take(key) == nullptr) mBallImages[n - 1].Take("round" + std::to_string(n));
  }
  if (mJumperImage.Take("jumper") == nullptr) MarkUnplayable("jumper", "image \"jumper\" is missing");
  if (mSpringImage.Take("spring") == nullptr) MarkUnplayable("jumper", "image \"spring\" is missing");
  MemoryImage* first = mBallImages[0].Get();
  if (first == nullptr) MarkUnplayable("jumper", "ball image 1 is missing");
  if (IsUnplayable()) return 0;

  const float ballHalfHeight = static_cast<float>(first->GetHeight()) * 0.5f;
  mStart = Vec2(mLeft.x * 0.5f, mLeft.y - ballHalfHeight);
  mEnd = Vec2(endX, mRight.y - ballHalfHeight);
  mHalfWidth = static_cast<float>(mJumperImage.Get()->GetWidth()) * 0.5f;
  const float height = static_cast<float>(mJumperImage.Get()->GetHeight());
  const float top = mEnd.y + 40.0f;
  mTrampoline.corner[0] = Vec2(340.0f - mHalfWidth, top);
  mTrampoline.corner[1] = Vec2(340.0f + mHalfWidth, top);
  mTrampoline.corner[2] = Vec2(340.0f + mHalfWidth, top + height);
  mTrampoline.corner[3] = Vec2(340.0f - mHalfWidth, top + height);
  mTrampolineCentre = Vec2((mTrampoline.corner[0].x + mTrampoline.corner[2].x) * 0.5f,
                           (mTrampoline.corner[0].y + mTrampoline.corner[2].y) * 0.5f);
  mHalfSpring = static_cast<float>(mSpringImage.Get()->GetWidth()) * 0.5f;

  mBalls.assign(mBallCount, Ball());
  for (Ball& ball : mBalls) {
    PlaceBall(ball);
    ball.visible = true;
  }
  mThrowTimer.Start(kFirstThrow);
  mLeftInWave = 1;
  mNextWave = 2;
  mDip = 0.0f;
  return 0;
}

void JumperGame::PlaceBall(Ball& ball) {
  ball.state = 0;
  ball.image = LcgRandomInt(60) / 10;
  MemoryImage* first = mBallImages[0].Get();
  const float width = static_cast<float>(first->GetWidth());
  const float height = static_cast<float>(first->GetHeight());
  ball.centre = Vec2(0.0f, mLeft.y - width * 0.5f);
  ball.quad = BoxAbout(ball.centre, width, height);
  ball.core = BoxAbout(ball.centre, 24.0f, 24.0f);
  Shift(ball.quad, -100.0f, 0.0f);
  Shift(ball.core, -100.0f, 0.0f);
  ball.centre.x -= 100.0f;
}

void JumperGame::Toss(Ball& ball, Vec2 target, float ticks) {
  ball.acceleration = Vec2(0.0f, kGravity);
  ball.velocity.x = (target.x - ball.centre.x) / ticks;
  ball.velocity.y = (target.y - ball.centre.y + ticks * (ticks * kGravity) * 0.5f) / ticks - ticks * kGravity;
  ball.state = 1;
}

int JumperGame::MouseMove(int x, int y) {
  mPointerX = static_cast<float>(x);
  mPointerY = static_cast<float>(y);
  return 0;
}

int JumperGame::MouseDown(int x, int y, int clickCount) { return MouseMove(x, y); }

int JumperGame::MouseUp(int x, int y, int clickCount) { return MouseMove(x, y); }

int JumperGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  mThrowTimer.Tick();

  const float low = mLeft.x + mHalfWidth - 15.0f;
  const float high = mRight.x - mHalfWidth + 15.0f;
  if (mPointerX < low) mPointerX = low;
  if (mPointerX > high) mPointerX = high;
  mTrampoline.corner[0].x = mTrampoline.corner[3].x = mPointerX - mHalfWidth;
  mTrampoline.corner[1].x = mTrampoline.corner[2].x = mPointerX + mHalfWidth;
  mTrampolineCentre.x = mPointerX;

  if (mDip != 0.0f) {
    float rise = mDip;
    if (mDip - kRisePerUpdate > 0.0f) {
      mDip -= kRisePerUpdate;
      rise = kRisePerUpdate;
    } else {
      mDip = 0.0f;
    }
    Shift(mTrampoline, 0.0f, -rise);
    mTrampolineCentre.y -= rise;
  }

  const bool trailTick = gTrailStep == 3;
  gTrailStep = trailTick ? 0 : static_cast<uint8_t>(gTrailStep + 1);
  auto* sleif = dynamic_cast<AnimEffectTarget*>(mSleifEffect);
  LevelContext& context = CurrentLevelContext();

  Mat3 turn;
  turn.Identity();
  turn.Rotation(kTurnPerUpdate);
  for (Ball& ball : mBalls) {
    if (ball.state != 1) continue;
    Shift(ball.quad, ball.velocity.x, ball.velocity.y);
    Shift(ball.core, ball.velocity.x, ball.velocity.y);
    ball.centre = Vec2(ball.centre.x + ball.velocity.x, ball.centre.y + ball.velocity.y);
    TurnAbout(ball.quad, turn, ball.centre);
    TurnAbout(ball.core, turn, ball.centre);
    ball.velocity = Vec2(ball.velocity.x + ball.acceleration.x, ball.velocity.y + ball.acceleration.y);
    if (trailTick && sleif != nullptr) sleif->StartAt(ball.centre);

    const float cx = ball.centre.x;
    const float cy = ball.centre.y;
    if (PointInQuad(mTrampoline, cx, cy)) {
      mDip += kDipPerBounce;
      Shift(mTrampoline, 0.0f, kDipPerBounce);
      mTrampolineCentre.y += kDipPerBounce;
      if (mEnd.x - mHalfWidth <= cx + 300.0f) {
        ball.acceleration = Vec2(0.0f, kGravity);
        ball.velocity.x = (mEnd.x - cx) / 130.0f;
        ball.velocity.y = (mEnd.y - cy + 845.0f) / 130.0f - 13.0f;
        ball.state = 1;
      } else {
        const float x = LcgRandomFloat(cx + 60.0f, cx + 300.0f);
        Toss(ball, Vec2(x, mEnd.y), LcgRandomFloat(120.0f, 190.0f));
      }
      context.PlaySound("SOUND_SPRING");
    } else if (cy - mHalfWidth > kScreenHeight || cx - mHalfWidth > kScreenWidth) {
      if (cy > kScreenHeight) {
        PlaceBall(ball);
        context.PlaySound("SOUND_OUT_SCREEN");
      } else {
        ball.state = 2;
        ball.visible = false;
        StartIfAny(mDelivered, ball.centre);
        context.PlaySound("SOUND_GOOD_OBJECT");
      }
    } else if (Vec2::DistanceSq(ball.centre, mEnd) < kReachSq) {
      Toss(ball, Vec2(900.0f, 50.0f), 80.0f);
      context.PlaySound("SOUND_SPRING");
    } else if (Vec2::DistanceSq(ball.centre, mStart) < kReachSq) {
      const float x = LcgRandomFloat(cx + 60.0f, cx + 300.0f);
      Toss(ball, Vec2(x, mEnd.y), LcgRandomFloat(120.0f, 190.0f));
      context.PlaySound("SOUND_SPRING");
    }
  }

  if (mThrowTimer.mRemaining == 0.0f || mThrowTimer.mDuration == 0.0f) {
    for (Ball& ball : mBalls) {
      if (ball.state != 0) continue;
      ball.acceleration = Vec2(0.0f, kGravity);
      ball.velocity.x = (mStart.x - ball.centre.x) * 0.0125f;
      ball.velocity.y = (mStart.y - ball.centre.y + 320.0f) * 0.0125f - 8.0f;
      ball.state = 1;
      break;
    }
    if (--mLeftInWave == 0) {
      mThrowTimer.Start(kWavePause);
      mLeftInWave = mNextWave;
      ++mNextWave;
    } else {
      mThrowTimer.Start(kBallPause);
    }
  }

  mSpring.corner[0] = Vec2(mTrampolineCentre.x - mHalfSpring, mTrampolineCentre.y);
  mSpring.corner[1] = Vec2(mTrampolineCentre.x + mHalfSpring, mTrampolineCentre.y);
  mSpring.corner[2] = Vec2(mTrampolineCentre.x + mHalfSpring, kScreenHeight);
  mSpring.corner[3] = Vec2(mTrampolineCentre.x - mHalfSpring, kScreenHeight);

  if (!mWon && DeliveredCount() == static_cast<int>(mBalls.size())) mWon = true;
  return 0;
}

int JumperGame::DeliveredCount() const {
  int delivered = 0;
  for (const Ball& ball : mBalls) delivered += ball.state == 2 ? 1 : 0;
  return delivered;
}

float JumperGame::UpdateItemsText(const std::wstring& format, std::wstring& text) {
  const int delivered = DeliveredCount();
  text = FormatDataInts(format, {static_cast<long long>(mBalls.size()) - delivered});
  if (mBalls.empty()) return 0.0f;
  return static_cast<float>(delivered) / static_cast<float>(mBalls.size());
}

int JumperGame::Draw(Graphics& g) {
  BeginPlayfield(g);
  DrawLevelWithHud(*this, g);
  if (!IsUnplayable()) {
    g.SetColor(Color(255, 255, 255, 255));
    g.DrawCellQuad(mSpringImage.Get(), mSpring, 1, 1);
    g.DrawCellQuad(mJumperImage.Get(), mTrampoline, 1, 1);
    for (const Ball& ball : mBalls) {
      MemoryImage* image = mBallImages[ball.image].Get();
      if (ball.visible && image != nullptr) g.DrawCellQuad(image, ball.quad, 1, 1);
    }
  }
  EndPlayfield(*this, g);
  return 0;
}

}  // namespace Kivo
