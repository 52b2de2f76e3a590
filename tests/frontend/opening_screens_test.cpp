#include "frontend/OpeningScreens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

#include "frontend/GameApp.h"
#include "engine/ControlKinds.h"
#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneLoader.h"
#include "engine/SliderEditKinds.h"
#include "image/MemoryImage.h"
#include "ui/Graphics.h"
#include "screen_test_support.h"

namespace Kivo {
namespace {

using screentest::Log;

class FakeFrontEnd : public FrontEndHost {
 public:
  void PlayMusic(int index) override {}
  bool IsFadeFinished() const override { return true; }
  const ScreenMatrices& GetScreenMatrices() const override { return matrices; }
  void StartTransition(int target, int remove) override {
    log.push_back("Transition(" + std::to_string(target) + "," + std::to_string(remove) + ")");
  }
  int GetLoadState() const override { return loadState; }
  void SetLoadState(int state) override { loadState = state; }
  float GetLoadingValue() const override { return 0.0f; }
  void PlaySound(const std::string& name) override { log.push_back("Sound(" + name + ")"); }
  MemoryImage* LoadPicture(const std::string& path) override {
    if (pictures.count(path) == 0) return nullptr;
    log.push_back("Picture(" + path + ")");
    auto* picture = new MemoryImage();
    if (pictureWidth > 0) {
      picture->CreateBlank(pictureWidth, pictureHeight);
      std::fill_n(picture->GetBits(), pictureWidth * pictureHeight, 0xFFD02020u);
    }
    return picture;
  }

  ScreenMatrices matrices;
  Log log;
  std::set<std::string> pictures;
  int loadState = kLoading;
  int pictureWidth = 0;
  int pictureHeight = 0;
};

class OpeningScreensTest : public screentest::SceneFixture {
 protected:
  OpeningScreensTest() {
    DtmRecord splash = Probe("root");
    splash.Child(Probe("splash"));
    AddScene("mnSplash", splash);
    AddScene("mnLoading", Probe("root"));
    AddScene("mnWin", Probe("root"));
    OpenScenes();
  }
  // Runs the three animation ends of the picture shown.
  void FinishPicture(SplashScreen& screen) {
    screen.OnAnimationEnd("splash", "splash_in");
    screen.OnAnimationEnd("splash", "splash_wait");
    screen.OnAnimationEnd("splash", "splash_out");
  }

  FakeFrontEnd host;
};

TEST_F(OpeningScreensTest, SplashShowsThePicturesPresentFromFourDownThenAsksForLoading) {
  // The .jpg of a number wins over its .png; 3 and 1 are missing.
  host.pictures = {"data\\splash\\splash_4.jpg", "data\\splash\\splash_4.png", "data\\splash\\splash_2.png"};
  SplashScreen screen(host);
  EXPECT_EQ(screen.Number(), 4);
  FinishPicture(screen);
  EXPECT_EQ(screen.Number(), 2);
  EXPECT_EQ(host.log.size(), 2u);
  FinishPicture(screen);
  EXPECT_EQ(host.log,
            (Log{"Picture(data\\splash\\splash_4.jpg)", "Picture(data\\splash\\splash_2.png)", "Transition(1,3)"}));
}

TEST_F(OpeningScreensTest, SplashWithoutPicturesAsksForLoadingAtOnce) {
  SplashScreen screen(host);
  EXPECT_EQ(host.log, (Log{"Transition(1,3)"}));
  EXPECT_EQ(screen.Picture(), nullptr);
}

TEST_F(OpeningScreensTest, ASplashPictureFillsTheSpriteWhateverItsOwnSize) {
  host.pictures = {"data\\splash\\splash_4.png"};
  host.pictureWidth = 200;
  host.pictureHeight = 150;
  SplashScreen screen(host);
  sObj* sprite = FindObjectByName(screen.Objects(), "splash");
  ASSERT_NE(sprite, nullptr);
  sprite->mDisplayQuad.corner[0] = Vector2(200, 150);
  sprite->mDisplayQuad.corner[1] = Vector2(600, 150);
  sprite->mDisplayQuad.corner[2] = Vector2(600, 450);
  sprite->mDisplayQuad.corner[3] = Vector2(200, 450);
  sprite->mAlpha = 255;
  MemoryImage target;
  ASSERT_TRUE(target.CreateBlank(800, 600));
  Graphics g(&target);
  screen.Draw(g);
  const uint32_t* bits = target.GetBits();
  const auto at = [bits](int x, int y) { return bits[y * 800 + x]; };
  // The picture's red, give or take the rounding of the alpha tint.
  const auto red = [](uint32_t pixel) {
    return pixel >> 24 == 0xFF && ((pixel >> 16) & 0xFF) > 0xC0 && (pixel & 0xFF) < 0x30;
  };
  // Every corner of the 400 x 300 sprite holds the picture; nothing beyond.
  for (const auto& [x, y] : {std::pair{200, 150}, {599, 150}, {200, 449}, {599, 449}, {400, 300}})
    EXPECT_TRUE(red(at(x, y))) << x << "," << y << ": " << std::hex << at(x, y);
  for (const auto& [x, y] : {std::pair{199, 300}, {600, 300}, {400, 149}, {400, 450}})
    EXPECT_EQ(at(x, y) >> 24, 0u) << x << "," << y;
}

TEST_F(OpeningScreensTest, AClickEndsOnlyTheHold) {
  host.pictures = {"data\\splash\\splash_1.jpg"};
  SplashScreen screen(host);
  auto* splash = dynamic_cast<screentest::ProbeObject*>(screen.FindObject("splash"));
  ASSERT_NE(splash, nullptr);
  host.log.clear();
  screen.MouseDown(5, 5, 1);  // during "splash_in": nothing
  EXPECT_EQ(splash->lastAnimation, "splash_in");
  screen.OnAnimationEnd("splash", "splash_in");
  EXPECT_EQ(splash->lastAnimation, "splash_wait");
  screen.MouseDown(5, 5, 1);  // during "splash_wait": on to "splash_out"
  EXPECT_EQ(splash->lastAnimation, "splash_out");
  EXPECT_TRUE(host.log.empty());
  splash->lastAnimation.clear();
  screen.MouseDown(5, 5, 1);  // during "splash_out": nothing
  EXPECT_EQ(splash->lastAnimation, "");
  screen.OnAnimationEnd("splash", "splash_out");
  EXPECT_EQ(host.log, (Log{"Transition(1,3)"}));
}

TEST_F(OpeningScreensTest, LoadingWaitsForTheLoadThenForAClick) {
  LoadingScreen screen(host);
  screen.MouseDown(1, 1, 1);
  screen.Update();
  EXPECT_EQ(host.loadState, kLoading);
  host.loadState = kLoaded;
  screen.MouseDown(1, 1, 1);  // "click" is not shown yet
  EXPECT_TRUE(host.log.empty());
  screen.Update();
  EXPECT_EQ(host.loadState, kClickShown);
  screen.MouseDown(1, 1, 1);
  EXPECT_EQ(host.log, (Log{"Sound(SOUND_BTN_CLK)", "Transition(2,1)"}));
}

// The sample loading scene's pictures: a backdrop sprite and the bar's track
// and fill, each image one colour.
class LoadingPicturesTest : public screentest::SceneFixture {
 protected:
  static constexpr uint32_t kBack = 0xFF203060u, kTrack = 0xFF101010u, kFill = 0xFFE0B040u;
  LoadingPicturesTest() {
    RegisterDrawingKinds();
    RegisterControlKinds();
    mPreviousLoader = SetImageLoader([](const std::string& path) -> MemoryImage* {
      // The table asks for the path without its extension.
      const uint32_t colour = path == "back" ? kBack : path == "track" ? kTrack : kFill;
      auto* image = new MemoryImage();
      image->CreateBlank(path == "back" ? 80 : 40, path == "back" ? 60 : 6);
      std::fill_n(image->GetBits(), image->width * image->height, colour);
      return image;
    });
    DtmRecord root = Probe("root");
    DtmRecord back;
    back.name = "loadingBack";
    back.type = 3;
    back.SetRect(0, 0, 800, 600);
    back.Property("_keyImg", "back").Property("_sModeDraw", "NORMAL");
    DtmRecord bar;
    bar.name = "loadingBar";
    bar.type = 6;
    bar.SetRect(200, 400, 400, 24);
    bar.Property("_keyImgBack", "track").Property("_keyImg", "fill");
    root.Child(back).Child(bar);
    AddScene("mnLoading", root);
    AddImage("back", "back.png");
    AddImage("track", "track.png");
    AddImage("fill", "fill.png");
    OpenScenes();
  }
  ~LoadingPicturesTest() override { SetImageLoader(mPreviousLoader); }

  FakeFrontEnd host;
  ImageLoader mPreviousLoader;
};

TEST_F(LoadingPicturesTest, WithThreeDOffTheBackdropAndTheBarAreDrawnFlat) {
  LoadingScreen screen(host);
  auto* bar = dynamic_cast<sObjSlider*>(screen.FindObject("loadingBar"));
  ASSERT_NE(bar, nullptr);
  bar->mValue = 0.25f;
  for (const bool through3D : {false, true}) {
    MemoryImage target;
    ASSERT_TRUE(target.CreateBlank(800, 600));
    Graphics g(&target);
    g.SetDrawsThrough3D(through3D);
    screen.Draw(g);
    const uint32_t* bits = target.GetBits();
    const auto at = [bits](int x, int y) { return bits[y * 800 + x]; };
    if (through3D) {
      // The renderer draws the quads; nothing is drawn flat beside them.
      EXPECT_EQ(at(10, 10), 0u);
      EXPECT_EQ(at(250, 410), 0u);
      continue;
    }
    // Each colour give or take the rounding of the tint.
    const auto near = [](uint32_t pixel, uint32_t colour) {
      for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((colour >> shift) & 0xFF)) > 2)
          return false;
      }
      return true;
    };
    const struct {
      int x, y;
      uint32_t colour;
    } probes[] = {{10, 10, kBack},   {799, 599, kBack},  {400, 399, kBack},  {200, 400, kFill},
                  {299, 423, kFill}, {301, 412, kTrack}, {599, 423, kTrack}, {600, 412, kBack}};
    for (const auto& p : probes)
      EXPECT_TRUE(near(at(p.x, p.y), p.colour)) << p.x << "," << p.y << ": " << std::hex << at(p.x, p.y);
  }
}

TEST_F(OpeningScreensTest, WinApplaudsOnceAndLeavesByTheMenuButton) {
  WinScreen screen(host);
  screen.Update();
  screen.OnButtonClick("btnOther");
  screen.OnButtonClick("btnMenu");
  EXPECT_EQ(host.log, (Log{"Sound(SOUND_APPLAUSE)", "Transition(2,5)"}));
}

TEST(LoadingProgressTest, SoundsKeepTheBarBetweenHalfAndFourFifths) {
  const struct {
    int loaded, total;
    float expected;
  } cases[] = {{0, 0, 0.5f}, {5, 0, 0.8f}, {0, 10, 0.5f}, {5, 10, 0.65f}, {10, 10, 0.8f}, {60, 47, 0.8f}};
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(LoadingProgress::SoundsValue(c.loaded, c.total), c.expected) << c.loaded << "/" << c.total;
  }
}

}  // namespace
}  // namespace Kivo
