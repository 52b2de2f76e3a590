// One scene drawn through the screen image twice on an 8-8-8 display: once
// with the software surface routines (2D) and once through the renderer on
// the software 3D device. Plain, keyed, partial-alpha, tinted, additive and
// mirrored blits and translucent fills must come out the same within a few
// levels per channel; only the matrix-drawn sprite, which the 2D screen does
// not draw, tells the two frames apart.
//
// Rotated and fractional draws, stretches and lines are left out: 2D drops
// their edge pixels on purpose, so their frames differ by design.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "image/surface/DDImage.h"
#include "platform/devices/D3D.h"
#include "shell/base/Matrix.h"
#include "tests/display/ddraw_fixture.h"

namespace {

using DDrawTest::DisplayFixture;
using Kivo::Color;
using Kivo::DDImage;
using Kivo::Rect;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTolerance = 4;

const Color kBackground(40, 60, 90);
// Where the matrix-drawn sprite goes: nothing else is drawn there.
const Rect kSpriteBox(440, 360, 120, 110);
constexpr float kSpriteX = 500.0f, kSpriteY = 415.0f;
constexpr float kSpriteAngle = 0.5f;

// A labelled item of the scene, for telling which draw a difference lies in.
struct Item {
  std::string name;
  Rect area;
};

std::vector<uint32_t> Pixels(int w, int h, uint32_t (*pixel)(int x, int y)) {
  std::vector<uint32_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out[static_cast<size_t>(y * w + x)] = pixel(x, y);
  return out;
}

// Opaque, every pixel different.
uint32_t GradientPixel(int x, int y) {
  return 0xFF000000u | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 5) << 8 |
         static_cast<uint32_t>(64 + x * 2);
}
// One-bit alpha: an opaque ring with a transparent middle and corners.
uint32_t RingPixel(int x, int y) {
  const int dx = x - 16, dy = y - 16, r2 = dx * dx + dy * dy;
  if (r2 >= 15 * 15 || r2 < 6 * 6) return 0x00000000u;
  return 0xFFFFC000u | static_cast<uint32_t>(x * 7);
}
// Partial alpha across, colour changing down.
uint32_t RampPixel(int x, int y) {
  return static_cast<uint32_t>(x * 4) << 24 | 0x00FF0000u | static_cast<uint32_t>(y * 10) << 8 | 0xA0u;
}
// Wider than a texture piece; alpha and colour change along it.
uint32_t WidePixel(int x, int y) {
  return static_cast<uint32_t>(255 - (x * 5 / 6)) << 24 | static_cast<uint32_t>(x * 6 / 7) << 16 |
         static_cast<uint32_t>(y * 12) << 8 | static_cast<uint32_t>(255 - x * 6 / 7);
}
// The sprite drawn by matrix: a bright checker.
uint32_t CheckerPixel(int x, int y) { return ((x / 4 + y / 4) & 1) != 0 ? 0xFFFFFF00u : 0xFFFF00FFu; }

class SceneMatch : public DisplayFixture {
 protected:
  std::unique_ptr<Kivo::DDInterface> display;
  std::vector<Item> items;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    Kivo::gD3DRegistryKey.clear();
  }
  void TearDown() override {
    display.reset();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    DisplayFixture::TearDown();
  }

  std::unique_ptr<DDImage> MakeImage(int w, int h, uint32_t (*pixel)(int, int)) {
    std::unique_ptr<DDImage> image(new DDImage(display.get()));
    const std::vector<uint32_t> pixels = Pixels(w, h, pixel);
    EXPECT_TRUE(image->SetBits(pixels.data(), w, h, true));
    return image;
  }

  void Note(const std::string& name, const Rect& area) {
    if (items.size() < 64) items.push_back({name, area});
  }

  // Starts a windowed 640 x 480 display, in 3D or not, draws the scene
  // through its screen image and presents it; the presented frame as
  // 0xRRGGBB. spriteDrawn says whether the matrix sprite was marked drawn.
  std::vector<uint32_t> DrawScene(bool in3D, bool* spriteDrawn) {
    items.clear();
    display.reset(new Kivo::DDInterface(&app));
    display->is3D = in3D;
    EXPECT_EQ(display->Init(host.window, true), 0) << display->lastError;
    DDImage* screen = display->GetScreenImage();
    EXPECT_NE(screen, nullptr);
    if (screen == nullptr) return {};
    EXPECT_EQ(screen->DrawsThrough3D(), in3D);

    std::unique_ptr<DDImage> gradient = MakeImage(48, 40, GradientPixel);
    std::unique_ptr<DDImage> gradientSurface = MakeImage(48, 40, GradientPixel);
    EXPECT_TRUE(gradientSurface->CreateSurface());
    std::unique_ptr<DDImage> ring = MakeImage(32, 32, RingPixel);
    std::unique_ptr<DDImage> ringSurface = MakeImage(32, 32, RingPixel);
    EXPECT_TRUE(ringSurface->CreateSurface());
    std::unique_ptr<DDImage> ramp = MakeImage(64, 24, RampPixel);
    std::unique_ptr<DDImage> sprite = MakeImage(24, 24, CheckerPixel);
    // Wider than one texture piece.
    std::unique_ptr<DDImage> wide = MakeImage(300, 20, WidePixel);
    std::unique_ptr<DDImage> ringPalette = MakeImage(32, 32, RingPixel);
    EXPECT_TRUE(ringPalette->ConvertToPalette());
    // Held by its surface alone, as after a software draw into it.
    std::unique_ptr<DDImage> ringSurfaceOnly = MakeImage(32, 32, RingPixel);
    ringSurfaceOnly->surfaceWanted = true;
    ringSurfaceOnly->DiscardBits();
    EXPECT_NE(ringSurfaceOnly->surface, nullptr);
    EXPECT_EQ(ringSurfaceOnly->bits, nullptr);
    std::unique_ptr<DDImage> rampVolatile = MakeImage(64, 24, RampPixel);
    rampVolatile->SetVolatile(true);

    // The widget manager holds one lock around a whole pass; so does this.
    screen->LockSurface();
    screen->FillRect(Rect(0, 0, kWidth, kHeight), kBackground, 0);
    // Stripes under the blended draws, so each blends over several targets.
    const Color stripes[4] = {Color(200, 180, 40), Color(20, 20, 20), Color(240, 240, 240), Color(90, 30, 160)};
    for (int x = 0, i = 0; x < kWidth; x += 16, ++i) screen->FillRect(Rect(x, 90, 16, 250), stripes[i % 4], 0);

    const Rect whole48(0, 0, 48, 40), whole32(0, 0, 32, 32), whole64(0, 0, 64, 24);
    auto blit = [&](const char* name, DDImage* image, int x, int y, const Rect& src, const Color& color, int mode) {
      screen->DrawImage(image, x, y, src, color, mode);
      Note(name, Rect(x, y, src.width, src.height));
    };
    auto mirrored = [&](const char* name, DDImage* image, int x, int y, const Rect& src, const Color& color, int mode) {
      screen->DrawImageMirrored(image, x, y, src, color, mode);
      Note(name, Rect(x, y, src.width, src.height));
    };
    auto fill = [&](const char* name, const Rect& r, const Color& color, int mode) {
      screen->FillRect(r, color, mode);
      Note(name, r);
    };

    // Plain and keyed, from memory and from surfaces (DirectDraw blits).
    blit("plain", gradient.get(), 20, 20, whole48, Color::White, 0);
    blit("plain from surface", gradientSurface.get(), 80, 20, whole48, Color::White, 0);
    blit("part of plain", gradient.get(), 140, 20, Rect(10, 5, 20, 30), Color::White, 0);
    blit("keyed", ring.get(), 180, 20, whole32, Color::White, 0);
    blit("keyed from surface", ringSurface.get(), 220, 20, whole32, Color::White, 0);
    mirrored("mirrored plain", gradient.get(), 270, 20, whole48, Color::White, 0);
    mirrored("mirrored keyed", ring.get(), 330, 20, whole32, Color::White, 0);
    blit("palette keyed", ringPalette.get(), 370, 20, whole32, Color::White, 0);
    blit("palette tinted", ringPalette.get(), 410, 20, whole32, Color(255, 100, 100, 160), 0);
    blit("keyed surface tinted", ringSurface.get(), 450, 20, whole32, Color(100, 255, 100, 200), 0);
    blit("additive from surface", gradientSurface.get(), 490, 20, whole48, Color::White, 1);
    mirrored("mirrored part", gradient.get(), 550, 20, Rect(8, 4, 30, 30), Color::White, 0);
    blit("surface only", ringSurfaceOnly.get(), 590, 20, whole32, Color::White, 0);
    blit("surface only tinted", ringSurfaceOnly.get(), 590, 56, whole32, Color(255, 160, 60, 230), 0);
    blit("surface only additive", ringSurfaceOnly.get(), 400, 56, whole32, Color::White, 1);
    // Drawn by the renderer over DirectDraw blits made in the same frame.
    fill("translucent over surface blits", Rect(60, 40, 200, 30), Color(250, 20, 120, 100), 0);

    // Over the stripes: partial alpha, tinted and mirrored.
    blit("partial alpha", ramp.get(), 20, 100, whole64, Color::White, 0);
    blit("partial alpha tinted", ramp.get(), 100, 100, whole64, Color(0, 255, 255, 200), 0);
    blit("tinted plain", gradient.get(), 180, 100, whole48, Color(255, 128, 64, 255), 0);
    blit("tinted translucent", gradient.get(), 240, 100, whole48, Color(200, 220, 255, 128), 0);
    blit("grey tinted keyed", ring.get(), 300, 100, whole32, Color(128, 128, 128, 255), 0);
    mirrored("mirrored partial alpha", ramp.get(), 340, 100, whole64, Color::White, 0);
    mirrored("mirrored tinted", ramp.get(), 420, 100, whole64, Color(255, 200, 100, 180), 0);
    mirrored("mirrored tinted plain", gradient.get(), 500, 100, whole48, Color(100, 255, 200, 255), 0);

    // Additive.
    blit("additive", gradient.get(), 20, 170, whole48, Color::White, 1);
    blit("additive partial alpha", ramp.get(), 80, 170, whole64, Color::White, 1);
    blit("additive tinted", ramp.get(), 160, 170, whole64, Color(255, 128, 0, 200), 1);
    blit("additive keyed", ring.get(), 240, 170, whole32, Color::White, 1);
    mirrored("mirrored additive", ramp.get(), 290, 170, whole64, Color::White, 1);
    mirrored("mirrored additive tinted", gradient.get(), 370, 170, whole48, Color(60, 255, 120, 160), 1);

    // Fills: translucent, opaque and additive.
    fill("translucent white", Rect(20, 240, 90, 30), Color(255, 255, 255, 96), 0);
    fill("translucent red", Rect(120, 240, 90, 30), Color(200, 40, 10, 200), 0);
    fill("nearly clear", Rect(220, 240, 90, 30), Color(0, 255, 0, 8), 0);
    fill("opaque", Rect(320, 240, 40, 30), Color(255, 255, 255), 0);
    fill("additive fill", Rect(370, 240, 90, 30), Color(120, 40, 10), 1);
    fill("translucent additive fill", Rect(470, 240, 90, 30), Color(100, 200, 50, 128), 1);
    blit("white half faded", gradient.get(), 20, 345, whole48, Color(255, 255, 255, 128), 0);
    blit("white barely faded", ramp.get(), 80, 345, whole64, Color(255, 255, 255, 254), 0);
    blit("additive faded", gradient.get(), 160, 345, whole48, Color(255, 255, 255, 40), 1);
    mirrored("mirrored additive keyed faded", ring.get(), 220, 345, whole32, Color(255, 255, 255, 90), 1);
    fill("fill barely translucent", Rect(270, 345, 40, 30), Color(255, 255, 255, 254), 0);
    fill("additive fill faint", Rect(320, 345, 40, 30), Color(255, 255, 255, 3), 1);
    blit("volatile partial alpha", rampVolatile.get(), 560, 240, whole64, Color::White, 0);
    blit("wide partial alpha", wide.get(), 20, 290, Rect(0, 0, 300, 20), Color::White, 0);
    mirrored("wide mirrored", wide.get(), 330, 290, Rect(0, 0, 300, 20), Color::White, 0);
    blit("wide part tinted", wide.get(), 100, 315, Rect(200, 2, 100, 16), Color(255, 255, 128, 220), 0);
    mirrored("wide part mirrored", wide.get(), 300, 315, Rect(230, 0, 60, 20), Color::White, 0);
    fill("translucent over blits", Rect(30, 120, 200, 70), Color(10, 90, 200, 64), 0);

    // A sprite drawn by matrix, rotated about its centre.
    Kivo::Matrix3 rotation;
    rotation.RotateRadians(kSpriteAngle);
    sprite->drawn = false;
    screen->DrawImageByMatrix(sprite.get(), kSpriteX, kSpriteY, rotation, Rect(0, 0, kWidth, kHeight), Color::White, 0,
                              Rect(0, 0, 24, 24), true);
    *spriteDrawn = sprite->drawn;
    screen->UnlockSurface();
    EXPECT_EQ(screen->lockCount, 0);

    const int presentsBefore = host.presents;
    EXPECT_TRUE(display->Redraw(nullptr)) << display->lastError;
    EXPECT_EQ(host.presents, presentsBefore + 1);
    EXPECT_TRUE(Kivo::gLastDirectXError.empty()) << Kivo::gLastDirectXError;
    EXPECT_EQ(host.frameWidth, kWidth);
    EXPECT_EQ(host.frameHeight, kHeight);
    std::vector<uint32_t> frame = host.lastFrame;
    for (uint32_t& p : frame) p &= 0xFFFFFFu;

    // The images die before the display; their textures with them.
    if (display->renderer != nullptr) {
      for (DDImage* image : {gradient.get(), gradientSurface.get(), ring.get(), ringSurface.get(), ramp.get(),
                             sprite.get(), wide.get(), ringPalette.get(), rampVolatile.get(), ringSurfaceOnly.get()})
        display->renderer->RemoveTexture(image);
    }
    return frame;
  }
};

int ChannelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift : {16, 8, 0})
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return worst;
}

std::string Hex(uint32_t v) {
  std::ostringstream s;
  s << std::hex << v;
  return s.str();
}

bool Inside(const Rect& r, int x, int y) { return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height; }

TEST_F(SceneMatch, TwoDAndThreeDFramesMatchButForTheMatrixSprite) {
  bool drawn2D = false, drawn3D = false;
  const std::vector<uint32_t> frame2D = DrawScene(false, &drawn2D);
  const std::vector<Item> labels = items;
  const std::vector<uint32_t> frame3D = DrawScene(true, &drawn3D);
  ASSERT_EQ(frame2D.size(), static_cast<size_t>(kWidth * kHeight));
  ASSERT_EQ(frame3D.size(), frame2D.size());

  // Outside the sprite's box every pixel matches; differences are reported
  // per draw, with the worst pixel of each.
  struct Miss {
    int count = 0, worst = 0, x = 0, y = 0;
  };
  std::vector<Miss> misses(labels.size() + 1);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      if (Inside(kSpriteBox, x, y)) continue;
      const size_t at = static_cast<size_t>(y * kWidth + x);
      const int d = ChannelDistance(frame2D[at], frame3D[at]);
      if (d <= kTolerance) continue;
      // The last draw covering the pixel is the one that shows.
      size_t which = labels.size();
      for (size_t i = labels.size(); i-- > 0;)
        if (Inside(labels[i].area, x, y)) {
          which = i;
          break;
        }
      Miss& m = misses[which];
      ++m.count;
      if (d > m.worst) m.worst = d, m.x = x, m.y = y;
    }
  for (size_t i = 0; i < misses.size(); ++i) {
    const Miss& m = misses[i];
    if (m.count == 0) continue;
    const size_t at = static_cast<size_t>(m.y * kWidth + m.x);
    ADD_FAILURE() << (i < labels.size() ? labels[i].name : std::string("background")) << ": " << m.count
                  << " pixels differ by more than " << kTolerance << ", worst " << m.worst << " at (" << m.x << ", "
                  << m.y << "): 2D " << Hex(frame2D[at]) << ", 3D " << Hex(frame3D[at]);
  }

  // The sprite: both screens mark it drawn. The 2D screen's matrix draw
  // locks its surface and runs the triangle front end, which has no
  // rasterizer of its own, so the box keeps the background untouched; the
  // renderer draws it rotated, its bright checker filling much of the box.
  EXPECT_TRUE(drawn2D);
  EXPECT_TRUE(drawn3D);
  const uint32_t background2D = frame2D[static_cast<size_t>(kSpriteBox.y * kWidth + kSpriteBox.x)];
  const uint32_t background3D = frame3D[static_cast<size_t>(kSpriteBox.y * kWidth + kSpriteBox.x)];
  EXPECT_LE(ChannelDistance(background2D, 0x283C5Au), kTolerance) << Hex(background2D);
  int changed2D = 0, changed3D = 0;
  for (int y = kSpriteBox.y; y < kSpriteBox.y + kSpriteBox.height; ++y)
    for (int x = kSpriteBox.x; x < kSpriteBox.x + kSpriteBox.width; ++x) {
      const size_t at = static_cast<size_t>(y * kWidth + x);
      changed2D += frame2D[at] != background2D;
      changed3D += frame3D[at] != background3D;
    }
  EXPECT_EQ(changed2D, 0);
  // 24 x 24 texels turned by half a radian cover about 576 pixels, give or
  // take the edges.
  EXPECT_GT(changed3D, 500);
  EXPECT_LT(changed3D, 700);
}

}  // namespace
