// Software draws into a memory image whose source is a surface image kept in
// video memory only: software cannot read such a source, so every draw leaves
// the destination as it was instead of reading through a null pixel pointer.
#include <functional>
#include <string>

#include "image/MemoryImage.h"
#include "shell/base/Matrix.h"
#include "tests/image/surface/ddimage_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::SurfaceImageFixture;
using Kivo::Color;
using Kivo::DDImage;
using Kivo::MemoryImage;
using Kivo::Rect;

TEST_F(SurfaceImageFixture, MemoryDrawsFromAVideoOnlySourceDrawNothing) {
  StartDisplay(Format::kRGB565);
  display->SetVideoOnlyDraw(true);
  DDImage* screen = display->GetScreenImage();
  ASSERT_TRUE(screen->videoOnly);
  ASSERT_EQ(screen->GetBits(), nullptr);

  const uint32_t kBackground = 0xFF102030u;
  const Rect all(0, 0, 16, 16);
  Kivo::Matrix3 turn;
  turn.RotateRadians(0.5f);
  Kivo::TexturedVertex triangle[3];
  triangle[1].x = 15.0f;
  triangle[1].u = 1.0f;
  triangle[2].y = 15.0f;
  triangle[2].v = 1.0f;
  struct Case {
    const char* name;
    std::function<void(MemoryImage&)> draw;
  };
  const Case cases[] = {
      {"plain", [&](MemoryImage& d) { d.DrawImage(screen, 0, 0, all, Color::White, 0); }},
      {"tinted", [&](MemoryImage& d) { d.DrawImage(screen, 0, 0, all, Color(128, 64, 32, 200), 0); }},
      {"additive", [&](MemoryImage& d) { d.DrawImage(screen, 0, 0, all, Color::White, 1); }},
      {"stretched fast",
       [&](MemoryImage& d) {
         d.DrawImageStretched(screen, Rect(0, 0, 16, 16), Rect(0, 0, 8, 8), all, Color::White, 0, true);
       }},
      {"stretched smooth",
       [&](MemoryImage& d) {
         d.DrawImageStretched(screen, Rect(0, 0, 16, 16), Rect(0, 0, 8, 8), all, Color::White, 0, false);
       }},
      {"rotated",
       [&](MemoryImage& d) {
         d.DrawImageRotated(screen, 8.0f, 8.0f, Rect(0, 0, 8, 8), all, Color::White, 0, 0.7, 4.0f, 4.0f);
       }},
      {"at float",
       [&](MemoryImage& d) { d.DrawImageAtFloat(screen, 0.5f, 0.5f, Rect(0, 0, 8, 8), all, Color::White, 0); }},
      {"by matrix",
       [&](MemoryImage& d) {
         d.DrawImageByMatrix(screen, 8.0f, 8.0f, turn, all, Color::White, 0, Rect(0, 0, 8, 8), false);
       }},
      {"triangles",
       [&](MemoryImage& d) { d.DrawTexturedTriangles(screen, triangle, 1, all, Color::White, 0, 0.0f, 0.0f, false); }},
  };
  for (const Case& c : cases) {
    MemoryImage dest;
    ASSERT_TRUE(dest.CreateBlank(16, 16)) << c.name;
    dest.FillRect(all, Color(0x10, 0x20, 0x30), 0);
    c.draw(dest);
    const uint32_t* bits = dest.GetBits();
    ASSERT_NE(bits, nullptr) << c.name;
    int changed = 0;
    for (int i = 0; i < 16 * 16; ++i) changed += bits[i] != kBackground;
    EXPECT_EQ(changed, 0) << c.name;
  }
}

}  // namespace
