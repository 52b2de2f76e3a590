// Surface-backed images: surface creation and colour keys, locking, reading
// back, and where the pixels live after storage operations.
#include "tests/image/surface/ddimage_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::SurfaceImageFixture;
using DDrawTest::SurfacePixel;
using Kivo::Color;
using Kivo::DDImage;
using Kivo::Rect;

TEST_F(SurfaceImageFixture, ColorKeyChoice) {
  struct Case {
    Format format;
    std::vector<uint32_t> pixels;
    uint32_t key;
    uint32_t written[2];
  };
  const Case cases[] = {
      // The first guess (packed transparent black) clashes with opaque black.
      {Format::kRGB565, {0x00000000u, 0xFF000000u}, 0x0001u, {0x0001u, 0x0000u}},
      {Format::kRGB555, {0x00000000u, 0xFF000000u}, 0x0001u, {0x0001u, 0x0000u}},
      {Format::kRGB888, {0x00000000u, 0xFF000000u}, 0x00000001u, {0x00000001u, 0x00000000u}},
      // Without a clash the transparent pixel's own value stays the key.
      {Format::kRGB888, {0x00FF00FFu, 0xFF123456u}, 0x00FF00FFu, {0x00FF00FFu, 0x00123456u}},
      {Format::kRGB565, {0x00FFFFFFu, 0xFF000000u}, 0xFFFFu, {0xFFFFu, 0x0000u}},
  };
  for (const Case& c : cases) {
    StartDisplay(c.format);
    auto image = MakeImage(2, 1, c.pixels);
    ASSERT_TRUE(image->CreateSurface());
    DDCOLORKEY key{};
    ASSERT_EQ(image->surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, c.key);
    EXPECT_EQ(key.dwColorSpaceHighValue, c.key);
    EXPECT_EQ(SurfacePixel(*image, 0, 0), c.written[0]);
    EXPECT_EQ(SurfacePixel(*image, 1, 0), c.written[1]);
  }
}

TEST_F(SurfaceImageFixture, PartialAlphaGetsNoSurface) {
  StartDisplay(Format::kRGB565);
  auto image = MakeImage(2, 1, {0x80FFFFFFu, 0xFF000000u});
  image->surfaceWanted = true;
  EXPECT_FALSE(image->CreateSurface());
  EXPECT_EQ(image->surface, nullptr);
  EXPECT_FALSE(image->LockSurface());
  EXPECT_EQ(image->lockCount, 0);
}

TEST_F(SurfaceImageFixture, ReadBackUnpacksWithLowBitsClearAndSentinel) {
  struct Case {
    Format format;
    uint32_t white;
  };
  for (const Case& c : {Case{Format::kRGB565, 0xFFF8FCF8u}, Case{Format::kRGB555, 0xFFF8F8F8u},
                        Case{Format::kRGB888, 0xFFFFFFFFu}, Case{Format::kBGR888, 0xFFFFFFFFu}}) {
    StartDisplay(c.format);
    auto image = MakeSurfaceImage(3, 2, 0xFFFFFFFFu);
    image->DiscardMemoryCopies();
    ASSERT_EQ(image->bits, nullptr);
    uint32_t* bits = image->GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], c.white);
    EXPECT_EQ(bits[5], c.white);
    EXPECT_EQ(bits[6], Kivo::kBitsSentinel);
    EXPECT_NE(image->surface, nullptr);  // the surface stays; both agree
  }
  StartDisplay(Format::kRGB565);
  auto colours = MakeSurfaceImage(1, 1, 0xFF123456u);
  colours->DiscardMemoryCopies();
  EXPECT_EQ(colours->GetBits()[0], 0xFF103450u);
}

TEST_F(SurfaceImageFixture, KeyedPixelsReadBackTransparent) {
  // A display change reads every keyed sprite back and makes its surface
  // anew: the transparent area must stay transparent, and the image must
  // still count as transparent for the next key choice.
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    auto image = MakeImage(3, 1, {0x00000000u, 0xFF000000u, 0xFFFFFFFFu});
    image->surfaceWanted = true;
    image->discardWanted = true;
    image->DiscardBits();
    ASSERT_NE(image->surface, nullptr);
    ASSERT_EQ(image->bits, nullptr);
    image->DropDisplayCaches();
    ASSERT_EQ(image->surface, nullptr);
    ASSERT_NE(image->bits, nullptr);
    EXPECT_EQ(image->bits[0], 0x00000000u);
    EXPECT_EQ(image->bits[1], 0xFF000000u);
    EXPECT_TRUE(image->hasTransparency);
    image->ApplyStorageOptions();
    ASSERT_NE(image->surface, nullptr);
    // Drawn onto a white surface, the transparent pixel leaves it white.
    auto target = MakeSurfaceImage(3, 1, 0xFFFFFFFFu);
    const uint32_t white = SurfacePixel(*target, 0, 0);
    target->DrawImage(image.get(), 0, 0, Rect(0, 0, 3, 1), Color::White, 0);
    EXPECT_EQ(SurfacePixel(*target, 0, 0), white);
    EXPECT_EQ(SurfacePixel(*target, 1, 0) & 0xFFFFFFu, 0u);
  }
}

TEST_F(SurfaceImageFixture, SurfaceFromAnImageWithoutBitsTakesItsPicture) {
  // After a software DiscardBits only the native data holds the picture;
  // a surface made then must be filled from it, not left as it came.
  StartDisplay(Format::kRGB565);
  auto image = MakeImage(2, 2, std::vector<uint32_t>(4, 0xFFFF0000u));
  image->GetNativeData(*display);
  image->bits.reset();
  ASSERT_TRUE(image->CreateSurface());
  EXPECT_EQ(SurfacePixel(*image, 1, 1), 0xF800u);
}

TEST_F(SurfaceImageFixture, NestedLocksUnlockOnTheLast) {
  StartDisplay(Format::kRGB888);
  auto image = MakeSurfaceImage(4, 4, 0xFF000000u);
  ASSERT_TRUE(image->LockSurface());
  ASSERT_TRUE(image->LockSurface());
  EXPECT_EQ(image->lockCount, 2);
  ASSERT_TRUE(image->UnlockSurface());
  // Still locked: the stand-in refuses a second real lock.
  DDSURFACEDESC probe;
  std::memset(&probe, 0, sizeof(probe));
  probe.dwSize = sizeof(probe);
  EXPECT_EQ(image->surface->Lock(nullptr, &probe, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  ASSERT_TRUE(image->UnlockSurface());
  EXPECT_EQ(image->surface->Lock(nullptr, &probe, DDLOCK_WAIT, nullptr), DD_OK);
  image->surface->Unlock(nullptr);
  EXPECT_FALSE(image->UnlockSurface());
}

TEST_F(SurfaceImageFixture, StorageStates) {
  StartDisplay(Format::kRGB565);
  auto image = MakeSurfaceImage(2, 2, 0xFFFFFFFFu);
  image->DiscardMemoryCopies();
  // DeleteSurface keeps the pixels by reading them back first.
  image->DeleteSurface();
  EXPECT_EQ(image->surface, nullptr);
  ASSERT_NE(image->bits, nullptr);
  EXPECT_EQ(image->bits[0], 0xFFF8FCF8u);
  // NoteBitsChanged drops the surface without reading back.
  ASSERT_TRUE(image->CreateSurface());
  image->bits[0] = 0xFF000000u;
  image->NoteBitsChanged();
  EXPECT_EQ(image->surface, nullptr);
  EXPECT_EQ(image->bits[0], 0xFF000000u);
  // SetVideoMemory: same value changes nothing; a new value drops the surface.
  ASSERT_TRUE(image->CreateSurface());
  image->SetVideoMemory(false);
  EXPECT_NE(image->surface, nullptr);
  image->SetVideoMemory(true);
  EXPECT_EQ(image->surface, nullptr);
  ASSERT_TRUE(image->CreateSurface());
  EXPECT_EQ(SurfacePixel(*image, 0, 0), 0x0000u);
  // CreateBlank keeps the alpha flags and drops the surface.
  image->hasTransparency = false;
  image->CreateBlank(3, 3);
  EXPECT_EQ(image->surface, nullptr);
  EXPECT_EQ(image->width, 3);
  EXPECT_FALSE(image->hasTransparency);
}

TEST_F(SurfaceImageFixture, AttachedImagesKeepTheirSurface) {
  StartDisplay(Format::kRGB888);
  DDImage* screen = display->GetScreenImage();
  ASSERT_NE(screen, nullptr);
  EXPECT_TRUE(screen->attached);
  EXPECT_EQ(screen->width, 640);
  IDirectDrawSurface* surface = screen->surface;
  screen->DiscardBits();
  screen->DropAllCaches();
  screen->DropDisplayCaches();
  EXPECT_EQ(screen->surface, surface);
  ASSERT_NE(display->oldCursorAreaImage, nullptr);
  EXPECT_EQ(display->oldCursorAreaImage->width, 80);
}

TEST_F(SurfaceImageFixture, ScreenKeepsItsSurfaceThroughMatrixTriangleAndCoverageDraws) {
  for (Format f : DDrawTest::PixelTableFormats()) {
    StartDisplay(f);
    DDImage* screen = display->GetScreenImage();
    IDirectDrawSurface* surface = screen->surface;
    auto sprite = MakeImage(2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu));
    Kivo::TexturedVertex v[3];
    v[1].x = 10.0f;
    v[2].y = 10.0f;
    screen->DrawTexturedTriangles(sprite.get(), v, 1, Rect(0, 0, 640, 480), Color::White, 0, 0.0f, 0.0f, false);
    screen->DrawImageByMatrix(sprite.get(), 0.0f, 0.0f, Kivo::Matrix3(), Rect(0, 0, 640, 480), Color::White, 0,
                              Rect(0, 0, 2, 2), false);
    screen->FillRect(Rect(0, 0, 8, 1), Color(0, 0, 0), 0);
    const Kivo::ImageSpan span{0, 2, 3};
    const uint8_t coverage[8] = {255, 255, 255, 255, 255, 255, 255, 255};
    screen->FillSpansWithCoverage(&span, 1, Color(255, 255, 255), 0, coverage, 0, 0, 8, 0);
    EXPECT_EQ(screen->surface, surface);
    EXPECT_EQ(SurfacePixel(*screen, 1, 0), 0u);
    EXPECT_NE(SurfacePixel(*screen, 3, 0), 0u);
    EXPECT_EQ(SurfacePixel(*screen, 5, 0), 0u);
  }
}

TEST_F(SurfaceImageFixture, VideoOnlyScreenSkipsSoftwareButTakesBlits) {
  StartDisplay(Format::kRGB565);
  display->SetVideoOnlyDraw(true);
  DDImage* screen = display->GetScreenImage();
  ASSERT_TRUE(screen->videoOnly);
  EXPECT_EQ(screen->surface, display->secondarySurface);
  EXPECT_EQ(screen->GetBits(), nullptr);
  const uint32_t before = SurfacePixel(*screen, 5, 5);
  screen->FillRect(Rect(0, 0, 10, 10), Color(255, 0, 0), 0);
  EXPECT_EQ(SurfacePixel(*screen, 5, 5), before);
  auto sprite = MakeSurfaceImage(4, 4, 0xFF0000FFu);
  screen->DrawImage(sprite.get(), 3, 3, Rect(0, 0, 4, 4), Color::White, 0);
  EXPECT_EQ(SurfacePixel(*screen, 5, 5), 0x001Fu);
  // A coloured draw has no DirectDraw way onto it.
  screen->DrawImage(sprite.get(), 20, 20, Rect(0, 0, 4, 4), Color(128, 128, 128), 0);
  EXPECT_NE(SurfacePixel(*screen, 21, 21), 0x000Fu);
  // Software cannot read it as a source either: such draws do nothing.
  auto other = MakeSurfaceImage(4, 4, 0xFF000000u);
  other->DrawImage(screen, 0, 0, Rect(0, 0, 4, 4), Color(128, 128, 128), 0);
  other->DrawImage(screen, 0, 0, Rect(0, 0, 4, 4), Color::White, 1);
  other->DrawImageMirrored(screen, 0, 0, Rect(0, 0, 4, 4), Color::White, 0);
  other->DrawImageStretched(screen, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Rect(0, 0, 4, 4), Color(9, 9, 9), 0, true);
  EXPECT_EQ(SurfacePixel(*other, 1, 1), 0u);
  const int presents = host.presents;
  EXPECT_TRUE(display->Redraw(nullptr));
  EXPECT_EQ(host.presents, presents + 1);
  ASSERT_EQ(host.frameWidth, 640);
  EXPECT_EQ(host.lastFrame[5 * 640 + 5], 0xFF0000FFu);
}

TEST_F(SurfaceImageFixture, OversizedImageReadBackIsRefused) {
  StartDisplay(Format::kRGB888);
  auto image = MakeSurfaceImage(2, 2, 0xFFFFFFFFu);
  image->DiscardMemoryCopies();
  // A size no buffer can hold must not reach the allocation.
  image->width = 70000;
  image->height = 70000;
  EXPECT_EQ(image->GetBits(), nullptr);
  image->width = 2;
  image->height = 2;
}

TEST_F(SurfaceImageFixture, ImageRegistrationWithTheDisplay) {
  StartDisplay(Format::kRGB888);
  const size_t before = display->images.size();
  {
    DDImage image(display.get());
    EXPECT_EQ(display->images.size(), before + 1);
    EXPECT_EQ(display->images.count(&image), 1u);
    EXPECT_FALSE(Kivo::ImageDrawsThrough3D(&image));
  }
  EXPECT_EQ(display->images.size(), before);
}

}  // namespace
