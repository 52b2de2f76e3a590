// The strip wave drawn through the software 3D device under the screen
// matrices: the picture lands where its origin says.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "display/D3DInterface.h"
#include "engine/GameMath.h"
#include "engine/StripEffect.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "platform/devices/D3D.h"
#include "tests/display/ddraw_fixture.h"
#include "ui/Graphics.h"

namespace {

Kivo::Matrix4 ToMatrix4(const Kivo::Mat4& m) {
  Kivo::Matrix4 out;
  std::memcpy(out.m, m.m, sizeof(out.m));
  return out;
}

class StripOnScreen3D : public DDrawTest::DisplayFixture {
 protected:
  std::unique_ptr<Kivo::DDInterface> display;
  Kivo::DDImage* screen = nullptr;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    display.reset(new Kivo::DDInterface(&app));
    display->is3D = true;
    ASSERT_EQ(display->Init(host.window, true), 0);
    ASSERT_NE(display->renderer, nullptr);
    screen = display->GetScreenImage();
    ASSERT_NE(screen, nullptr);
  }
  void TearDown() override {
    display.reset();
    D3DStandIn::Reset();
    DisplayFixture::TearDown();
  }
};

TEST_F(StripOnScreen3D, AFlatStripStartsAtTheOriginShiftedRight) {
  Kivo::MemoryImage picture;
  std::vector<uint32_t> white(100 * 50, 0xFFFFFFFFu);
  ASSERT_TRUE(picture.SetBits(white.data(), 100, 50, true));
  Kivo::StripEffect strip;
  strip.Start(1, 4, 6.05f, 40.0f, &picture, Kivo::Vec2(50, 60), 1, 0.0f);  // no wave: flat
  for (int tick = 1; tick <= 70; ++tick) strip.Update(tick);
  ASSERT_EQ(255, strip.mAlpha);

  // The screen matrices: world and view identity, orthographic projection.
  Kivo::Mat4 identity, projection;
  projection.Clear();
  projection.Orthographic(640.0f, 480.0f, 0.0f, 1.0f);
  Kivo::Graphics g(screen);
  g.SetColorizeImages(true);
  g.Begin3D(ToMatrix4(identity), ToMatrix4(projection), ToMatrix4(identity));
  strip.Draw(g);
  g.End3D();
  display->renderer->Flush();

  DDrawStandIn::SurfaceView v;
  ASSERT_TRUE(DDrawStandIn::ViewSurface(display->renderer->drawSurface7, &v));
  int minX = v.width, minY = v.height, maxX = -1, maxY = -1;
  for (int y = 0; y < v.height; ++y) {
    for (int x = 0; x < v.width; ++x) {
      uint32_t p;
      std::memcpy(&p, v.pixels + y * v.pitch + x * 4, 4);
      if ((p & 0xFFFFFF) == 0) continue;
      minX = std::min(minX, x), minY = std::min(minY, y);
      maxX = std::max(maxX, x), maxY = std::max(maxY, y);
    }
  }
  EXPECT_NEAR(150, minX, 1);
  EXPECT_NEAR(60, minY, 1);
  EXPECT_NEAR(249, maxX, 1);
  EXPECT_NEAR(109, maxY, 1);
  display->renderer->RemoveTexture(&picture);
}

}  // namespace
