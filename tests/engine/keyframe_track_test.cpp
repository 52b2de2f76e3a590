// Keyframe tracks and their timing, track sprites (moving, posing,
// drawing), the preset animations and the geometry helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/KeyframeTrack.h"
#include "tests/ui/ui_test_support.h"

namespace Kivo {
namespace {

KeyframeTrack AlphaTrack(unsigned frames, unsigned rate, std::vector<std::pair<int, float>> keys) {
  KeyframeTrack track;
  track.mFrames = frames;
  track.mRate = rate;
  for (auto [index, alpha] : keys) {
    Keyframe key;
    key.index = index;
    key.alpha = alpha;
    track.mKeys.push_back(key);
  }
  return track;
}

TEST(KeyframeTrack, PlaysFramesOverRateInTicksFromFrameOne) {
  KeyframeTrack track = AlphaTrack(13, 24, {{0, 0.0f}, {12, 240.0f}});
  track.Start(0.0f);
  EXPECT_TRUE(track.mPlaying);
  EXPECT_EQ(1, track.mFrame);
  EXPECT_FLOAT_EQ(20.0f, track.mPose.alpha);  // frame 1 of 0..12
  int ticks = 0;
  while (track.mPlaying && ticks < 1000) {
    track.Tick();
    ++ticks;
  }
  EXPECT_EQ(55, ticks);
  EXPECT_GE(track.mPose.alpha, 240.0f);
}

TEST(KeyframeTrack, AWaitEndsWithoutMovingThePose) {
  KeyframeTrack track = AlphaTrack(10, 10, {{0, 0.0f}, {10, 100.0f}});
  track.mWait = 1.0f;
  track.mPose.alpha = 77.0f;
  track.Start(0.0f);
  for (int tick = 1; tick <= 101; ++tick) {
    track.Tick();
    ASSERT_EQ(77.0f, track.mPose.alpha) << tick;
  }
  EXPECT_FALSE(track.mWaitTimer.IsRunning());
  track.Tick();
  EXPECT_NE(77.0f, track.mPose.alpha);
}

TEST(KeyframeTrack, ARateOfZeroAfterAWaitTakesTheFallbackDuration) {
  KeyframeTrack track = AlphaTrack(10, 0, {{0, 0.0f}, {10, 100.0f}});
  track.mWait = 0.05f;
  track.mFallbackDuration = 0.5f;
  track.Start(0.0f);
  for (int tick = 0; tick < 6; ++tick) track.Tick();
  EXPECT_EQ(0.5f, track.mTimer.mDuration);
  track.Tick();
  EXPECT_TRUE(std::isfinite(track.mPose.alpha));
  EXPECT_TRUE(track.mPlaying);
}

TEST(KeyframeTrack, FewKeysAndKeysAtOneFrame) {
  KeyframeTrack none = AlphaTrack(10, 10, {});
  none.mPose.alpha = 5.0f;
  none.Start(0.0f);
  none.Tick();
  EXPECT_EQ(5.0f, none.mPose.alpha);

  KeyframeTrack one = AlphaTrack(10, 10, {{3, 42.0f}});
  one.Start(0.0f);
  for (int i = 0; i < 50; ++i) one.Tick();
  EXPECT_EQ(42.0f, one.mPose.alpha);

  KeyframeTrack same = AlphaTrack(10, 10, {{0, 10.0f}, {0, 90.0f}});
  same.Start(0.0f);
  for (int i = 0; i < 50; ++i) {
    same.Tick();
    ASSERT_EQ(10.0f, same.mPose.alpha) << i;
  }
}

TEST(KeyframeTrack, FindKeyPairWalksFromTheStoredPair) {
  KeyframeTrack track = AlphaTrack(30, 10, {{0, 0}, {10, 0}, {20, 0}, {30, 0}});
  track.mTimer.mStep = 0.01f;
  const Keyframe* a = nullptr;
  const Keyframe* b = nullptr;
  ASSERT_TRUE(track.FindKeyPair(a, b, 15));
  EXPECT_EQ(10, a->index);
  EXPECT_EQ(20, b->index);
  ASSERT_TRUE(track.FindKeyPair(a, b, 99));  // past the end: the last pair
  EXPECT_EQ(20, a->index);
  EXPECT_EQ(30, b->index);
  track.mTimer.mStep = -0.01f;
  track.mFrom = 2;
  track.mTo = 3;
  ASSERT_TRUE(track.FindKeyPair(a, b, 5));
  EXPECT_EQ(0, a->index);
}

TEST(Presets, DefinitionsAndUntouchedFields) {
  struct Case {
    void (*make)(AnimDef&);
    const char* name;
    uint32_t rate;
    int32_t mode;
    float Keyframe::*field;
    float first;
    float last;
  } cases[] = {
      {MakeGlowAnim, "glow", 24, 3, &Keyframe::alpha, 0.0f, 255.0f},
      {MakeRotateAnim, "rotate", 4, 2, &Keyframe::angle, 0.0f, 6.2831855f},
      {MakeShowOffAnim, "show_off", 24, 1, &Keyframe::alpha, 255.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AnimDef def;
    def.wait = 2.5f;
    c.make(def);
    EXPECT_EQ(c.name, def.name);
    EXPECT_EQ(13, def.keys);
    EXPECT_EQ(c.rate, def.rate);
    EXPECT_EQ(c.mode, def.mode);
    EXPECT_EQ(2.5f, def.wait);
    ASSERT_EQ(2u, def.keyList.size());
    EXPECT_EQ(0, def.keyList[0].index);
    EXPECT_EQ(12, def.keyList[1].index);
    EXPECT_EQ(c.first, def.keyList[0].*c.field);
    EXPECT_EQ(c.last, def.keyList[1].*c.field);
    EXPECT_EQ(1.0f, def.keyList[1].scaleX);
  }
}

TEST(Geometry, AnglesAndDirections) {
  EXPECT_FLOAT_EQ(-180.0f, AngleToPoint(0, 0, 0, 10));
  EXPECT_FLOAT_EQ(-90.0f, AngleToPoint(0, 0, 10, 0));
  float x = 0, y = 0;
  DirectionFromAngle(-180.0f, x, y);
  EXPECT_NEAR(0.0f, x, 1e-6);
  EXPECT_NEAR(1.0f, y, 1e-6);
}

TEST(Geometry, HitTestReadsTheAlphaByteInsideTheImage) {
  auto image = test::NewMemoryImage(4, 2, 0xFF00FF00u);
  image->GetBits()[1] = 0x00FFFFFFu;
  EXPECT_TRUE(HitTestImagePixel(image.get(), Vec2(0.5f, 1.9f)));
  EXPECT_FALSE(HitTestImagePixel(image.get(), Vec2(1.2f, 0.0f)));
  EXPECT_FALSE(HitTestImagePixel(image.get(), Vec2(4.0f, 0.0f)));
  EXPECT_FALSE(HitTestImagePixel(image.get(), Vec2(0.0f, 2.0f)));
  EXPECT_FALSE(HitTestImagePixel(image.get(), Vec2(-0.5f, 0.0f)));
  EXPECT_FALSE(HitTestImagePixel(nullptr, Vec2(0.0f, 0.0f)));
}

TEST(Geometry, CellQuadsAndTurns) {
  Quad out;
  const Quad q = MakeCellQuad(2, 1, 32.0f, out, Vec2(10, 20));
  const float expected[4][2] = {{74, 52}, {106, 52}, {106, 84}, {74, 84}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i][0], q.corner[i].x);
    EXPECT_EQ(expected[i][1], q.corner[i].y);
    EXPECT_EQ(q.corner[i].x, out.corner[i].x);
  }
  auto same = [](const Quad& a, const Quad& b) {
    for (int i = 0; i < 4; ++i)
      if (a.corner[i].x != b.corner[i].x || a.corner[i].y != b.corner[i].y) return false;
    return true;
  };
  EXPECT_TRUE(same(q, RotateQuad(RotateQuad(q, 1), 1)));
  EXPECT_TRUE(same(q, RotateQuad(RotateQuad(q, 0), 2)));
  EXPECT_TRUE(same(q, RotateQuad(q, 3)));
  EXPECT_FALSE(same(q, RotateQuad(q, 0)));
  EXPECT_EQ(q.corner[1].x, RotateQuad(q, 0).corner[0].x);
}

TEST(TrackSprite, MovesTowardItsTargetAndStaysThere) {
  TrackSprite near;
  EXPECT_FALSE(near.SetTarget(3.0f, 0.0f, 5.0f));
  EXPECT_EQ(3.0f, near.mPosition.x);

  TrackSprite sprite;
  EXPECT_TRUE(sprite.SetTarget(10.0f, 0.0f, 2.0f));
  std::vector<float> xs;
  for (int i = 0; i < 7; ++i) {
    sprite.Update(0);
    xs.push_back(sprite.mPosition.x);
  }
  EXPECT_EQ((std::vector<float>{2, 4, 6, 8, 10, 10, 10}), xs);
  EXPECT_NEAR(0.0f, sprite.mPosition.y, 1e-5);
}

TEST(TrackSprite, TakesThePoseFieldsItIsToldTo) {
  KeyframeTrack track = AlphaTrack(13, 24, {{0, 0.0f}, {12, 240.0f}});
  track.mKeys[1].offsetX = 120.0f;
  track.mKeys[1].red = 15.0f;
  track.SetApplyFlags(false, false, false, true);
  TrackSprite sprite;
  sprite.PlayAnimDef(track, 0.0f);
  EXPECT_EQ(20, sprite.mColour.alpha);  // the first pose at once
  EXPECT_EQ(0.0f, sprite.mPosition.x);
  for (int i = 0; i < 10; ++i) sprite.Update(0);
  EXPECT_GT(sprite.mColour.alpha, 20);
  EXPECT_LT(sprite.mColour.red, 255);
}

// The update that runs the track out takes its last pose too: the sprite
// ends on the track's end, not one tick short of it.
TEST(TrackSprite, TakesTheLastPoseWhenTheTrackRunsOut) {
  KeyframeTrack track = AlphaTrack(13, 24, {{0, 0.0f}, {12, 240.0f}});
  track.mKeys[1].offsetX = 120.0f;
  track.SetApplyFlags(true, false, false, true);
  TrackSprite sprite;
  sprite.PlayAnimDef(track, 0.0f);
  int updates = 0;
  while (sprite.mTrack.mPlaying && updates < 1000) {
    sprite.Update(0);
    ++updates;
  }
  ASSERT_FALSE(sprite.mTrack.mPlaying);
  EXPECT_EQ(sprite.mColour.alpha, static_cast<int>(sprite.mTrack.mPose.alpha));
  EXPECT_GE(sprite.mColour.alpha, 240);
  EXPECT_FLOAT_EQ(sprite.mPosition.x, sprite.mTrack.mPose.offsetX);
  // Afterwards nothing takes a pose: the sprite's fields are its own again.
  sprite.mPosition.x = 5.0f;
  sprite.Update(0);
  EXPECT_EQ(sprite.mPosition.x, 5.0f);
}

// Captures the matrix of matrix draws, which the recording image leaves out.
class MatrixRecordingImage : public test::RecordingImage {
 public:
  using RecordingImage::RecordingImage;
  void DrawImageByMatrix(Image* image, float x, float y, const Matrix3& m, const Rect& clip, const Color& c, int mode,
                         const Rect& s, bool blend) override {
    RecordingImage::DrawImageByMatrix(image, x, y, m, clip, c, mode, s, blend);
    matrices.push_back(m);
    sources.push_back(s);
    colours.push_back(c);
  }
  std::vector<Matrix3> matrices;
  std::vector<Rect> sources;
  std::vector<Color> colours;
};

TEST(TrackSprite, DrawScalesThenTurnsAboutThePivotAtTheCellCentre) {
  auto sheet = test::NewMemoryImage(15, 27, 0xFFFFFFFFu);
  sheet->rows = 3;
  TrackSprite sprite;
  sprite.mImage = sheet.get();
  sprite.SetCellSize();
  EXPECT_EQ(15, sprite.mCell.width);
  EXPECT_EQ(9, sprite.mCell.height);
  sprite.mPosition = Vec2(10, 20);
  sprite.mScale = Vec2(2, 1);
  sprite.mAngle = 90.0f;
  sprite.mColour = Color(1, 2, 3, 200);
  sprite.mFrameTimer.Start(1.0f);
  for (int i = 0; i < 50; ++i) sprite.mFrameTimer.Tick();  // half way: row 1 of 3

  MatrixRecordingImage dest(800, 600);
  Graphics g(&dest);
  sprite.Draw(g);
  ASSERT_EQ(1u, dest.matrices.size());
  // (1, 0): scaled to (2, 0), turned a quarter to (0, -2), moved to the
  // cell centre at the position plus integer half cells (7, 4).
  const Vector2 p = dest.matrices[0].TransformPoint({1, 0});
  EXPECT_NEAR(17.0f, p.x, 1e-4);
  EXPECT_NEAR(22.0f, p.y, 1e-4);
  EXPECT_EQ(9, dest.sources[0].y);
  EXPECT_EQ(200, dest.colours[0].alpha);
  EXPECT_EQ(1, dest.colours[0].red);
  EXPECT_EQ(10.0f, sprite.mAnchor.x);
}

TEST(TrackSprite, WithoutAnImageNothingIsDrawnAndTheCellIsEmpty) {
  TrackSprite sprite;
  sprite.mCell = Rect(1, 1, 5, 5);
  sprite.SetCellSize();
  EXPECT_EQ(0, sprite.mCell.width);
  sprite.mPosition = Vec2(3, 4);
  sprite.mPivot = Vec2(2, 0);
  sprite.mAngle = 180.0f;
  test::RecordingImage dest(100, 100);
  Graphics g(&dest);
  sprite.Draw(g);
  EXPECT_TRUE(dest.calls.empty());
  EXPECT_NEAR(3.0f + 2.0f + 2.0f, sprite.mAnchor.x, 1e-4);

  auto noGrid = test::NewMemoryImage(8, 6);
  noGrid->columns = 0;
  noGrid->rows = -2;
  sprite.mImage = noGrid.get();
  sprite.SetCellSize();
  EXPECT_EQ(8, sprite.mCell.width);
  EXPECT_EQ(6, sprite.mCell.height);
  sprite.Draw(g);  // the drawing context refuses the cell; nothing divides by 0
  EXPECT_TRUE(sprite.PointInCell(3.0f, 4.9f));
  EXPECT_FALSE(sprite.PointInCell(11.0f, 4.0f));
}

}  // namespace
}  // namespace Kivo
