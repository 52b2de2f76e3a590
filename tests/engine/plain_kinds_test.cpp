// Rectangle, camera, masked texture and hidden-object item: the fill
// rectangle, the camera's mapping while and after it animates, the texture
// coordinates of the masked draw, the highlight image and the sparkles.
#include <cmath>
#include <vector>

#include "image/MemoryImage.h"
#include "tests/engine/kinds_support.h"

namespace kindstest {
namespace {

class PlainKinds : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    UseImages({{"mask", 32, 32},
               {"texture", 16, 16},
               {"solid", 20, 20},
               {"clear", 20, 20, 1, 1, [](int, int) { return 0x00FFFFFFu; }},
               {"spark", 8, 6}});
  }
  static Vec2 Map(sObjCamera& camera, float x, float y) {
    Quad in = BoxQuad(x, y, x, y);
    Quad out;
    EXPECT_TRUE(camera.MapQuad(in, out));
    return out.corner[0];
  }
};

TEST_F(PlainKinds, RectangleFillsItsTruncatedQuad) {
  sObjRect& rect =
      Make<sObjRect>(10.7f, 20.9f, 50.2f, 60.5f, {{"_colObj", "255"}, {"_iAlph", "128"}, {"_sModeDraw", "NORMAL"}});
  Draw(rect);
  sObjRect& glow = Make<sObjRect>(0, 0, 5, 5, {{"_sModeDraw", "ADD"}});
  Draw(glow);
  ASSERT_EQ(screen.calls.size(), 2u);
  EXPECT_EQ(screen.calls[0].kind, "fill");
  EXPECT_EQ(screen.calls[0].rect, Rect(10, 20, 39, 39));
  EXPECT_EQ(screen.calls[0].color, Color(255, 0, 0, 128));
  EXPECT_EQ(screen.calls[0].mode, 0);
  EXPECT_EQ(screen.calls[1].mode, 1);
  EXPECT_EQ(graphics.GetDrawMode(), 0);
  rect.FitToImage();
  EXPECT_EQ(rect.mBaseQuad.corner[2].x, 10.7f + 320.0f);
  EXPECT_EQ(rect.mBaseQuad.corner[2].y, 20.9f + 200.0f);
}

TEST_F(PlainKinds, AnAnimatedCameraZoomsAndKeepsItsLastMapping) {
  sObjCamera& camera = Make<sObjCamera>(0, 0, 800, 600,
                                        {{"_iFillRect", "1"},
                                         {"_iAniKey_zoom", "3"},
                                         {"_iAniRate_zoom", "100"},
                                         {"_sAniKey_zoom_1", "s(0.5,0.5)"},
                                         {"_sAniKey_zoom_3", "s(0.5,0.5)"}});
  EXPECT_EQ(Map(camera, 123, 45).x, 123.0f) << "still: the identity";
  camera.PlayAnimation("zoom");
  ASSERT_TRUE(camera.IsPlaying());
  camera.Update(1);
  Draw(camera);
  EXPECT_FLOAT_EQ(Map(camera, 200, 150).x, 0.0f);
  EXPECT_FLOAT_EQ(Map(camera, 200, 150).y, 0.0f);
  EXPECT_FLOAT_EQ(Map(camera, 400, 300).x, 400.0f);
  EXPECT_FLOAT_EQ(Map(camera, 400, 300).y, 300.0f);
  EXPECT_FLOAT_EQ(Map(camera, 600, 450).x, 800.0f);
  for (int i = 0; i < 100 && camera.IsPlaying(); ++i) camera.Update(1);
  ASSERT_FALSE(camera.IsPlaying());
  Draw(camera);
  EXPECT_FLOAT_EQ(Map(camera, 200, 150).x, 0.0f) << "the mapping stays after the end";
  ASSERT_FALSE(screen.calls.empty());
  EXPECT_EQ(screen.calls.back().kind, "fill");
  EXPECT_EQ(screen.calls.back().rect, Rect(0, 0, 800, 600));
  EXPECT_EQ(screen.calls.back().color, Color(255, 255, 255, 255));
}

TEST_F(PlainKinds, ACameraQuadWithoutAreaKeepsThePreviousMapping) {
  sObjCamera camera;
  camera.mViewQuad = BoxQuad(200, 150, 600, 450);
  camera.UpdateMapping();
  for (const Quad& flat : {BoxQuad(100, 100, 100, 300), BoxQuad(100, 100, 300, 100)}) {
    camera.mViewQuad = flat;
    camera.UpdateMapping();
    const Vec2 mapped = Map(camera, 200, 150);
    EXPECT_TRUE(std::isfinite(mapped.x) && std::isfinite(mapped.y));
    EXPECT_FLOAT_EQ(mapped.x, 0.0f);
    EXPECT_FLOAT_EQ(Map(camera, 600, 450).y, 600.0f);
  }
}

TEST_F(PlainKinds, MaskedTextureRepeatsAndScrolls) {
  sObjMasked& masked = Make<sObjMasked>(0, 0, 64, 64,
                                        {{"_keyImgMask", "mask"},
                                         {"_keyImgTexture", "texture"},
                                         {"_fXScale", "2"},
                                         {"_fYScale", "1"},
                                         {"_fXVel", "0.01"}});
  Draw(masked);
  for (int i = 0; i < 100; ++i) masked.Update(1);
  Draw(masked);
  ASSERT_EQ(screen.calls.size(), 2u);
  const DrawCall& first = screen.calls[0];
  EXPECT_EQ(first.kind, "quad3d");
  EXPECT_EQ(first.image, masked.mMask.Get());
  EXPECT_EQ(first.second, masked.mTexture.Get());
  EXPECT_EQ(first.u0, 0.0f);
  EXPECT_EQ(first.u1, 2.0f);
  EXPECT_EQ(first.v1, 1.0f);
  EXPECT_FLOAT_EQ(screen.calls[1].u0, 0.9999993f);
  EXPECT_FLOAT_EQ(screen.calls[1].u1, 0.9999993f + 2.0f);

  masked.FitToImage();
  EXPECT_EQ(masked.mBaseQuad.corner[2].x, 32.0f);
  masked.ReleaseImages();
  EXPECT_FALSE(IsImageLoaded("mask"));
  EXPECT_FALSE(IsImageLoaded("texture"));
  sObjMasked& half = Make<sObjMasked>(0, 0, 64, 64, {{"_keyImgMask", "mask"}});
  screen.calls.clear();
  Draw(half);
  EXPECT_TRUE(screen.calls.empty()) << "both images are needed";
}

TEST_F(PlainKinds, HighlightIsAWhiteSilhouetteInADarkBorder) {
  sObjMesh& mesh =
      Make<sObjMesh>(0, 0, 20, 20, {{"_keyImg", "solid"}, {"_iGroup", "4"}, {"_iVertex", ""}, {"_iStatic", "1"}});
  EXPECT_EQ(mesh.mGroup, 4);
  EXPECT_TRUE(mesh.mSecondKind);
  EXPECT_TRUE(mesh.mStatic);
  mesh.SetHighlight(true);
  EXPECT_FALSE(mesh.mHighlighted) << "nothing to show yet";
  mesh.BuildHighlightImage();
  mesh.BuildHighlightImage();  // the first one is deleted, not leaked
  MemoryImage* highlight = mesh.HighlightImage();
  ASSERT_NE(highlight, nullptr);
  ASSERT_EQ(highlight->width, 20);
  const uint32_t* bits = highlight->GetBits();
  auto at = [&](int x, int y) { return bits[y * 20 + x]; };
  // The software blend of an opaque pixel lands within 2 of its value.
  auto white = [](uint32_t p) {
    return (p >> 24) == 0xFF && ((p >> 16) & 0xFF) >= 0xFD && ((p >> 8) & 0xFF) >= 0xFD && (p & 0xFF) >= 0xFD;
  };
  EXPECT_PRED1(white, at(10, 10));
  EXPECT_PRED1(white, at(2, 2));
  EXPECT_PRED1(white, at(17, 17));
  for (int i = 0; i < 20; ++i) {
    for (int ring : {0, 1, 18, 19}) {
      EXPECT_EQ(at(i, ring), 0xFF000000u) << i << "," << ring;
      EXPECT_EQ(at(ring, i), 0xFF000000u) << ring << "," << i;
    }
  }
  mesh.SetHighlight(true);
  Draw(mesh);
  ASSERT_EQ(screen.calls.size(), 1u);
  EXPECT_EQ(screen.calls[0].image, highlight);

  sObjMesh& bare = Make<sObjMesh>(0, 0, 20, 20, {{"_keyImg", "missing"}});
  bare.BuildHighlightImage();
  EXPECT_EQ(bare.HighlightImage(), nullptr);
  bare.SetHighlight(true);
  EXPECT_FALSE(bare.mHighlighted);
}

TEST_F(PlainKinds, SparklesLiveOnVisiblePixelsOnly) {
  sObjMesh& mesh = Make<sObjMesh>(100, 200, 120, 220, {{"_keyImg", "solid"}});
  sObjSprite& sparkle = Make<sObjSprite>(0, 0, 1, 1, {{"_keyImg", "spark"}});
  mesh.InitSparkles(6, 1.0f, 1.0f);
  mesh.StartSparkles(nullptr);
  EXPECT_FALSE(mesh.mSparkling);
  mesh.StartSparkles(sparkle.GetImage());
  ASSERT_TRUE(mesh.mSparkling);
  std::vector<int> age(6, 0);
  std::vector<int> lives;
  for (int update = 0; update < 400; ++update) {
    std::vector<float> before;
    for (const Sparkle& s : mesh.mSparkles) before.push_back(s.life.mRemaining);
    mesh.Update(1);
    for (size_t i = 0; i < mesh.mSparkles.size(); ++i) {
      const Sparkle& s = mesh.mSparkles[i];
      EXPECT_EQ(s.alpha, static_cast<int>(255.0f * s.life.mRemaining / s.life.mDuration));
      if (s.life.mRemaining > before[i]) {  // reborn
        EXPECT_GE(s.life.mRemaining, 0.3f);
        EXPECT_LE(s.life.mRemaining, 1.0f);
        EXPECT_GE(s.centre.x, 100.0f);
        EXPECT_LT(s.centre.x, 120.0f);
        EXPECT_FLOAT_EQ(s.quad.corner[0].x, s.centre.x - 4.0f);
        EXPECT_FLOAT_EQ(s.quad.corner[2].y, s.centre.y + 3.0f);
        if (update > 0 && age[i] > 0) lives.push_back(age[i]);
        age[i] = 0;
      }
      ++age[i];
    }
  }
  ASSERT_FALSE(lives.empty());
  for (int life : lives) {
    EXPECT_GE(life, 30);
    EXPECT_LE(life, 101);
  }
  screen.calls.clear();
  Draw(mesh);
  ASSERT_GE(screen.calls.size(), 2u);
  EXPECT_EQ(screen.calls[1].image, sparkle.GetImage());
  EXPECT_EQ(screen.calls[1].mode, 1);
  EXPECT_EQ(graphics.GetDrawMode(), 0);

  sObjMesh& glass = Make<sObjMesh>(0, 0, 20, 20, {{"_keyImg", "clear"}});
  sObjMesh& empty = Make<sObjMesh>(0, 0, 20, 20, {});
  for (sObjMesh* dark : {&glass, &empty}) {
    dark->InitSparkles(4, 0.5f, 1.0f);
    dark->StartSparkles(sparkle.GetImage());
    for (int i = 0; i < 300; ++i) dark->Update(1);
    for (const Sparkle& s : dark->mSparkles) {
      EXPECT_EQ(s.life.mRemaining, 0.0f) << "never reborn";
      EXPECT_EQ(s.alpha, 0);
    }
  }
  mesh.ReleaseImages();
  EXPECT_FALSE(mesh.mSparkling);
  EXPECT_TRUE(mesh.mSparkles.empty());
  EXPECT_FALSE(IsImageLoaded("solid"));
}

}  // namespace
}  // namespace kindstest
