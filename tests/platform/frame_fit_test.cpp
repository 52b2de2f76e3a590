// A frame shown in a host window of another size: fitted, centred, and the
// pointer mapped back through the same rectangle.
#include "platform/sdl2/FrameFit.h"

#include <gtest/gtest.h>

namespace {

using Platform::FitFrame;
using Platform::FrameFit;
using Platform::WindowToFrame;

TEST(FrameFit, DesktopsOfEveryShape) {
  struct Case {
    int windowWidth, windowHeight, frameWidth, frameHeight;
    FrameFit want;
  } cases[] = {
      {800, 600, 800, 600, {0, 0, 800, 600, true}},         // the game's own size
      {1024, 768, 800, 600, {0, 0, 1024, 768, false}},      // same aspect, filled
      {1920, 1080, 800, 600, {240, 0, 1440, 1080, false}},  // wider: bars left and right
      {2560, 1440, 800, 600, {320, 0, 1920, 1440, false}},
      {1600, 1200, 800, 600, {0, 0, 1600, 1200, true}},    // twice: pixels repeat
      {1280, 1024, 800, 600, {0, 32, 1280, 960, false}},   // taller: bars top and bottom
      {1920, 1080, 1920, 1080, {0, 0, 1920, 1080, true}},  // a mode of the desktop's size
      {1366, 768, 800, 600, {171, 0, 1024, 768, false}},   // odd bar split rounds down
      {640, 480, 800, 600, {0, 0, 640, 480, false}},       // smaller than the frame
      {1000, 1000, 333, 200, {0, 199, 1000, 601, false}},  // rounded, not truncated
  };
  for (const Case& c : cases) {
    const FrameFit fit = FitFrame(c.windowWidth, c.windowHeight, c.frameWidth, c.frameHeight);
    SCOPED_TRACE(testing::Message() << c.windowWidth << "x" << c.windowHeight << " frame " << c.frameWidth << "x"
                                    << c.frameHeight);
    EXPECT_EQ(fit.x, c.want.x);
    EXPECT_EQ(fit.y, c.want.y);
    EXPECT_EQ(fit.width, c.want.width);
    EXPECT_EQ(fit.height, c.want.height);
    EXPECT_EQ(fit.wholeScale, c.want.wholeScale);
  }
  const FrameFit empty = FitFrame(0, 768, 800, 600);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 0);
}

TEST(FrameFit, PointerLandsOnThePixelItIsShownOver) {
  // 800 x 600 on 1920 x 1080: 1.8 screen pixels per frame pixel, 240 px of
  // bar on each side.
  const FrameFit fit = FitFrame(1920, 1080, 800, 600);
  struct Case {
    int x, y, frameX, frameY;
  } cases[] = {
      {240, 0, 0, 0},          // the frame's first pixel
      {1679, 1079, 799, 599},  // its last
      {960, 540, 400, 300},    // the centre
      {240 + 396, 396, 220, 220},
      {239, 540, -1, 300},    // the bar just left of the frame
      {1680, 540, 800, 300},  // and just right of it
      {0, 0, -134, 0},
  };
  for (const Case& c : cases) {
    int fx = 0, fy = 0;
    WindowToFrame(fit, 800, 600, c.x, c.y, &fx, &fy);
    EXPECT_EQ(fx, c.frameX) << c.x << "," << c.y;
    EXPECT_EQ(fy, c.frameY) << c.x << "," << c.y;
  }
  // Every frame pixel is reached and the mapping never goes back.
  int last = -1;
  for (int x = fit.x; x < fit.x + fit.width; ++x) {
    int fx = 0, fy = 0;
    WindowToFrame(fit, 800, 600, x, 0, &fx, &fy);
    EXPECT_TRUE(fx == last || fx == last + 1) << x;
    last = fx;
  }
  EXPECT_EQ(last, 799);
  // At the game's own size the mapping is the identity.
  const FrameFit same = FitFrame(800, 600, 800, 600);
  for (int x : {0, 1, 399, 799}) {
    int fx = 0, fy = 0;
    WindowToFrame(same, 800, 600, x, x % 600, &fx, &fy);
    EXPECT_EQ(fx, x);
    EXPECT_EQ(fy, x % 600);
  }
}

}  // namespace
