// Sprite, mover and swing: the frame animation's cells and timing, fitting
// to a cell, draw modes, the camera, opaque pixels, the scrolling offsets,
// the swing about its pivot, and the image slots giving back what they took.
#include <cmath>
#include <utility>
#include <vector>

#include "tests/engine/kinds_support.h"

namespace kindstest {
namespace {

using Cell = std::pair<int, int>;  // column, row

class SpriteKinds : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    UseImages({{"strip4", 64, 16, 4, 1},
               {"strip3", 48, 16, 3, 1},
               {"grid32", 48, 32, 3, 2},
               {"sheet", 128, 64, 4, 2},
               {"single", 16, 16, 1, 1},
               {"other", 16, 16, 1, 1},
               {"dots", 3, 2, 1, 1, [](int x, int y) { return (x + y) % 2 == 0 ? 0xFF000000u : 0x00FFFFFFu; }}});
  }
  sObjSprite& Animated(const std::string& image, const std::string& type, const std::string& direction = "1") {
    return Make<sObjSprite>(
        0, 0, 10, 10,
        {{"_keyImg", image}, {"_sTypeRenderAni", type}, {"_iVelRenderAni", direction}, {"_iPlayRenderAniYet", "1"}});
  }
  // The distinct cells shown, in order, over the updates.
  static std::vector<Cell> CellsShown(sObjSprite& sprite, int updates, std::vector<int>* runs = nullptr) {
    std::vector<Cell> cells{{sprite.mFrameColumn, sprite.mFrameRow}};
    int run = 0;
    for (int i = 0; i < updates; ++i) {
      sprite.Update(1);
      ++run;
      const Cell now{sprite.mFrameColumn, sprite.mFrameRow};
      if (now != cells.back()) {
        cells.push_back(now);
        if (runs != nullptr) runs->push_back(run);
        run = 0;
      }
    }
    return cells;
  }
};

TEST_F(SpriteKinds, CircleShowsEveryColumnFor34Updates) {
  sObjSprite& sprite = Animated("strip4", "RENDER_CIRCLE");
  EXPECT_TRUE(sprite.mPlaying);
  std::vector<int> runs;
  EXPECT_EQ(CellsShown(sprite, 5 * 34, &runs), (std::vector<Cell>{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {1, 1}, {2, 1}}));
  EXPECT_EQ(runs, (std::vector<int>{34, 34, 34, 34, 34}));
}

TEST_F(SpriteKinds, PingPongTurnsAtBothEndsAcrossRows) {
  sObjSprite& line = Animated("strip3", "RENDER_PING_PONG");
  EXPECT_EQ(CellsShown(line, 5 * 25), (std::vector<Cell>{{1, 1}, {2, 1}, {3, 1}, {2, 1}, {1, 1}, {2, 1}}));

  sObjSprite& grid = Animated("grid32", "RENDER_PING_PONG");
  const std::vector<Cell> expected{{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2},
                                   {2, 2}, {1, 2}, {3, 1}, {2, 1}, {1, 1}, {2, 1}};
  // Six cells at rate 12: every cell lasts half a second, 51 updates in float.
  EXPECT_EQ(CellsShown(grid, 11 * 51), expected);
}

TEST_F(SpriteKinds, StartDirectionAndRenderOnce) {
  sObjSprite& backward = Animated("strip4", "", "-1");
  EXPECT_EQ(CellsShown(backward, 4 * 34), (std::vector<Cell>{{4, 1}, {3, 1}, {2, 1}, {1, 1}}));
  EXPECT_FALSE(backward.mPlaying) << "type 1 stops on its last cell";

  sObjSprite& forward = Animated("strip4", "");
  EXPECT_EQ(CellsShown(forward, 5 * 34), (std::vector<Cell>{{1, 1}, {2, 1}, {3, 1}, {4, 1}}));
  EXPECT_FALSE(forward.mPlaying);

  sObjSprite& still = Animated("strip4", "RENDER_CIRCLE", "0");
  EXPECT_TRUE(still.mPlaying);
  EXPECT_EQ(CellsShown(still, 200), (std::vector<Cell>{{1, 1}}));

  sObjSprite& single = Animated("single", "RENDER_CIRCLE");
  EXPECT_FALSE(single.mPlaying) << "one cell never animates";
}

TEST_F(SpriteKinds, RateZeroKeepsTheCell) {
  sObjSprite& sprite = Make<sObjSprite>(0, 0, 10, 10,
                                        {{"_keyImg", "strip4"},
                                         {"_fRateRenderAni", "0"},
                                         {"_sTypeRenderAni", "RENDER_CIRCLE"},
                                         {"_iPlayRenderAniYet", "1"}});
  EXPECT_TRUE(sprite.mPlaying);
  EXPECT_EQ(CellsShown(sprite, 500), (std::vector<Cell>{{1, 1}}));
}

TEST_F(SpriteKinds, FitToImageMakesOneCellFromCornerZero) {
  sObjSprite& sprite = Make<sObjSprite>(5, 7, 500, 500, {{"_keyImg", "sheet"}});
  sprite.FitToImage();
  const Quad expected = BoxQuad(5, 7, 37, 39);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sprite.mBaseQuad.corner[i].x, expected.corner[i].x) << i;
    EXPECT_EQ(sprite.mBaseQuad.corner[i].y, expected.corner[i].y) << i;
  }
  sObjSprite& bare = Make<sObjSprite>(5, 7, 50, 60, {});
  bare.FitToImage();
  EXPECT_EQ(bare.mBaseQuad.corner[2].x, 50.0f) << "no image: the quad stays";
}

TEST_F(SpriteKinds, DrawModesColourAndCell) {
  struct Case {
    const char* modeDraw;  // null: no key
    int field;
    int expected;
  } cases[] = {{"", 0, 1}, {"ADD", 5, 1}, {"NORMAL", 0, 0}, {"NORMAL", 5, 5}, {nullptr, 0, 0}};
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, std::string>> properties{
        {"_keyImg", "strip4"}, {"_colObj", "197121"}, {"_iAlph", "200"}};  // 197121 = 0x030201
    if (c.modeDraw != nullptr) properties.emplace_back("_sModeDraw", c.modeDraw);
    sObjSprite& sprite = Make<sObjSprite>(0, 0, 16, 16, properties);
    sprite.mDrawMode = c.field;
    screen.calls.clear();
    Draw(sprite);
    ASSERT_EQ(screen.calls.size(), 1u);
    const DrawCall& call = screen.calls[0];
    EXPECT_EQ(call.mode, c.expected) << (c.modeDraw ? c.modeDraw : "(none)") << " field " << c.field;
    EXPECT_EQ(call.image, sprite.GetImage());
    EXPECT_EQ(call.column, 1);
    EXPECT_EQ(call.color, Color(1, 2, 3, 200));
    EXPECT_EQ(graphics.GetDrawMode(), 0) << "the mode is reset after the draw";
  }
  sObjSprite& hidden = Make<sObjSprite>(0, 0, 16, 16, {{"_keyImg", "strip4"}});
  hidden.mVisible = false;
  sObjSprite& bare = Make<sObjSprite>(0, 0, 16, 16, {{"_keyImg", "nothing"}});
  screen.calls.clear();
  Draw(hidden);
  Draw(bare);
  EXPECT_TRUE(screen.calls.empty());
}

TEST_F(SpriteKinds, ACameraMapsTheQuad) {
  sObjCamera camera;
  camera.mViewQuad = BoxQuad(200, 150, 600, 450);
  camera.UpdateMapping();
  sObjSprite& sprite = Make<sObjSprite>(200, 150, 300, 250, {{"_keyImg", "single"}});
  sprite.mCamera = &camera;
  Draw(sprite);
  ASSERT_EQ(screen.calls.size(), 1u);
  const Quad expected = BoxQuad(0, 0, 200, 200);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(screen.calls[0].quad.corner[i].x, expected.corner[i].x) << i;
    EXPECT_FLOAT_EQ(screen.calls[0].quad.corner[i].y, expected.corner[i].y) << i;
  }
}

TEST_F(SpriteKinds, OpaquePixelsFromTheLastDownWithoutClearing) {
  sObjSprite& sprite = Make<sObjSprite>(10, 20, 13, 22, {{"_keyImg", "dots"}});
  sprite.CollectOpaquePixels();
  EXPECT_EQ(sprite.mOpaquePixels, (std::vector<int>{4, 2, 0}));
  sprite.CollectOpaquePixels();
  EXPECT_EQ(sprite.mOpaquePixels, (std::vector<int>{4, 2, 0, 4, 2, 0}));
  Vec2 point;
  const Vec2 returned = sprite.OpaquePixelPosition(point, 4);
  EXPECT_EQ(point.x, 11.0f);
  EXPECT_EQ(point.y, 21.0f);
  EXPECT_EQ(returned.x, point.x);
  sprite.ReleaseImages();
  EXPECT_TRUE(sprite.mOpaquePixels.empty());
}

TEST_F(SpriteKinds, EachSlotGivesBackTheKeyItHolds) {
  // Two "_keyImg" pairs: the later one is shown, and releasing gives back
  // that one, not the first pair's key.
  sObjSprite& sprite = Make<sObjSprite>(0, 0, 10, 10, {{"_keyImg", "single"}, {"_keyImg", "other"}});
  EXPECT_FALSE(IsImageLoaded("single")) << "replaced keys are given back at once";
  EXPECT_TRUE(IsImageLoaded("other"));
  sprite.ApplyProperties();  // applied again: still one holder
  sprite.ReleaseImages();
  EXPECT_FALSE(IsImageLoaded("other"));
  EXPECT_EQ(Loads("other"), 1);
  EXPECT_EQ(sprite.GetImage(), nullptr);

  // A copy holds its own count.
  sObjSprite& original = Make<sObjSprite>(0, 0, 10, 10, {{"_keyImg", "strip4"}});
  {
    sObjSprite copy(original);
    EXPECT_EQ(copy.GetImage(), original.GetImage());
    copy.ReleaseImages();
  }
  EXPECT_TRUE(IsImageLoaded("strip4"));
  original.ReleaseImages();
  EXPECT_FALSE(IsImageLoaded("strip4"));
}

TEST_F(SpriteKinds, MoverScrollsByFractionsWithoutKeyAnimations) {
  sObjMover& mover = Make<sObjMover>(0, 0, 64, 16,
                                     {{"_keyImg", "strip4"},
                                      {"_fXVel", "0.005"},
                                      {"_iAniKey_go", "2"},
                                      {"_sAniKey_go_1", "t(5,5)"},
                                      {"_sAnimYet", "go"}});
  EXPECT_FALSE(mover.IsPlaying());
  EXPECT_TRUE(mover.mAnimations.empty());
  for (int i = 0; i < 100; ++i) mover.Update(1);
  Draw(mover);
  ASSERT_FALSE(screen.calls.empty());
  EXPECT_NEAR(screen.calls[0].u0, 0.5f, 1e-4f);
  EXPECT_EQ(screen.calls[0].v0, 0.0f);
  EXPECT_EQ(screen.calls[0].mode, 0) << "no \"_sModeDraw\": normal";

  sObjMover& fast = Make<sObjMover>(0, 0, 64, 16, {{"_keyImg", "strip4"}, {"_fXVel", "0.01"}});
  for (int i = 0; i < 100; ++i) fast.Update(1);
  EXPECT_FLOAT_EQ(fast.mXOffset, 0.9999993f);
}

TEST_F(SpriteKinds, SwingTurnsOnlyItsFlaggedCornersAboutThePivot) {
  const std::vector<std::pair<std::string, std::string>> base{{"_keyImg", "single"}, {"_fAltitudeMax", "0.5"},
                                                              {"_fVelMax", "0.2"},   {"_fCenterX", "50"},
                                                              {"_fCenterY", "0"},    {"_fTimeOne", "1"}};
  sObjSwing& still = Make<sObjSwing>(40, 100, 60, 120, base);
  auto all = base;
  for (const char* flag : {"_iLeft_up", "_iRight_up", "_iRight_down", "_iLeft_down"}) all.emplace_back(flag, "1");
  LcgSeed(7);
  sObjSwing& swing = Make<sObjSwing>(40, 100, 60, 120, all);
  LcgRandom expected;
  expected.Seed(7);
  swing.Update(1);
  EXPECT_EQ(swing.mAmplitude, expected.Float(0.0f, 0.5f));
  EXPECT_FLOAT_EQ(swing.mPhaseStep, 0.2f / 0.5f * swing.mAmplitude);

  const Quad rest = BoxQuad(40, 100, 60, 120);
  bool moved = false;
  for (int i = 0; i < 60; ++i) {
    still.Update(1);
    swing.Update(1);
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(still.mBaseQuad.corner[c].x, rest.corner[c].x);
      const float dx = swing.mBaseQuad.corner[c].x - 50.0f;
      const float dy = swing.mBaseQuad.corner[c].y;
      const float rx = rest.corner[c].x - 50.0f;
      const float ry = rest.corner[c].y;
      EXPECT_NEAR(dx * dx + dy * dy, rx * rx + ry * ry, 0.05f) << "corner " << c << " keeps its distance";
      if (std::fabs(swing.mBaseQuad.corner[c].x - rest.corner[c].x) > 0.01f) moved = true;
    }
  }
  EXPECT_TRUE(moved);

  auto flat = all;
  flat[1].second = "0";  // no largest amplitude
  sObjSwing& level = Make<sObjSwing>(40, 100, 60, 120, flat);
  for (int i = 0; i < 300; ++i) level.Update(1);
  EXPECT_EQ(level.mPhaseStep, 0.0f);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(level.mBaseQuad.corner[c].x, rest.corner[c].x);
    EXPECT_EQ(level.mBaseQuad.corner[c].y, rest.corner[c].y);
  }
}

}  // namespace
}  // namespace kindstest
