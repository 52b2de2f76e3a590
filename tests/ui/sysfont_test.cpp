// The system font as the widgets use it: metrics, widths, the image way and
// the surface way of drawing, duplicates and use from two threads. Every font
// here is DejaVu Sans, forced, so exact metrics do not depend on what else is
// installed.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ui_test_support.h"
#include "image/MemoryImage.h"
#include "platform/devices/SystemFont.h"
#include "tests/image/surface/ddimage_fixture.h"
#include "ui/Graphics.h"
#include "ui/SysFont.h"

namespace Kivo {
namespace {

struct ForcedDejaVu {
  ForcedDejaVu() { Platform::ForceSystemFontFile(Platform::kDejaVuSansFile); }
  ~ForcedDejaVu() { Platform::ForceSystemFontFile(""); }
};

class SysFontTest : public ::testing::Test {
 protected:
  ForcedDejaVu forced;
};

// Rows and columns that hold any pixel differing from the background.
struct InkBox {
  int top = -1, bottom = -1, left = -1, right = -1;
};
template <typename Get>
InkBox FindInk(int w, int h, uint32_t background, Get get) {
  InkBox box;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (get(x, y) == background) continue;
      if (box.top < 0) box.top = y;
      box.bottom = y;
      if (box.left < 0 || x < box.left) box.left = x;
      if (x > box.right) box.right = x;
    }
  return box;
}

TEST_F(SysFontTest, PointSizesAndMetrics) {
  const int cases[][2] = {{8, 11}, {9, 12}, {10, 13}, {12, 16}, {14, 19}};
  for (const auto& c : cases) {
    SysFont font("Arial Unicode MS", c[0]);
    const Platform::SystemFontRequest request = Platform::GetSystemFontRequest(font.GetHandle());
    EXPECT_EQ(c[1], request.emPixels) << c[0];
    // DejaVu Sans: win ascent 1901, win descent 483 of 2048 units.
    EXPECT_EQ((1901 * c[1] + 2047) / 2048, font.GetAscent()) << c[0];
    EXPECT_EQ(font.GetAscent() + font.GetDescent(), font.GetHeight());
    EXPECT_EQ(font.GetHeight(), font.GetLineSpacing());
    EXPECT_EQ(0, font.GetAscentPadding());
    EXPECT_EQ(0, font.GetLineSpacingOffset());
  }
  SysFont withApp(nullptr, "Tahoma", 12, 1, false, false, false);
  EXPECT_EQ(16, Platform::GetSystemFontRequest(withApp.GetHandle()).emPixels);
}

TEST_F(SysFontTest, StringWidthIsTheSumOfCharWidths) {
  SysFont font("Arial Unicode MS", 12);
  EXPECT_EQ(0, font.StringWidth(L""));
  EXPECT_EQ(font.StringWidth(L"a") + font.StringWidth(L"b"), font.StringWidth(L"ab"));
  EXPECT_EQ(font.StringWidth(L"bb"), font.StringWidth(L"a\nbb"));
  const std::wstring text = L"AVery \u041f\u0440\u0438\u0432\u0435\u0442 Wall";
  int sum = 0;
  wchar_t previous = 0;
  for (wchar_t c : text) {
    EXPECT_EQ(font.StringWidth(std::wstring(1, c)), font.CharWidth(c));
    sum += font.CharWidthKerned(c, previous);
    previous = c;
  }
  EXPECT_EQ(font.StringWidth(text), sum);
}

TEST_F(SysFontTest, WhiteTextTheImageWayOntoATransparentImage) {
  SysFont font("Arial Unicode MS", 14);
  auto dest = test::NewMemoryImage(80, 30, 0x00000000u);
  Graphics g(dest.get());
  g.SetFont(&font);
  g.SetColor(Color(255, 255, 255));
  g.DrawString(L"Hello", 5, 20);
  int opaque = 0, partial = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      const uint32_t p = test::PixelAt(*dest, x, y);
      const uint32_t a = p >> 24;
      if (a == 0) continue;
      // White wherever anything shows (the blender may round a unit off).
      EXPECT_GE((p >> 16) & 0xFF, 250u) << x << "," << y;
      EXPECT_GE((p >> 8) & 0xFF, 250u) << x << "," << y;
      EXPECT_GE(p & 0xFF, 250u) << x << "," << y;
      if (a == 255)
        ++opaque;
      else
        ++partial;
      // Only inside the text's box: x from 5, rows from 20 - ascent.
      EXPECT_GE(x, 5);
      EXPECT_GE(y, 20 - font.GetAscent());
      EXPECT_LT(y, 20 - font.GetAscent() + font.GetHeight());
    }
  EXPECT_GT(opaque, 20);
  EXPECT_GT(partial, 5);
}

TEST_F(SysFontTest, ShadowIsBlackOnePixelRightAndDown) {
  SysFont font("Arial Unicode MS", 14);
  font.mShadow = true;
  std::unique_ptr<MemoryImage> text(font.CreateTextImage(L"HE", Color(255, 255, 255)));
  ASSERT_NE(nullptr, text);
  SysFont plainFont("Arial Unicode MS", 14);
  std::unique_ptr<MemoryImage> plain(plainFont.CreateTextImage(L"HE", Color(255, 255, 255)));
  const int w = text->width;
  int shadowOnly = 0;
  for (int y = 1; y < text->height; ++y)
    for (int x = 1; x < w; ++x) {
      const uint32_t glyph = test::PixelAt(*plain, x, y) >> 24;
      const uint32_t left = test::PixelAt(*plain, x - 1, y - 1) >> 24;
      const uint32_t p = test::PixelAt(*text, x, y);
      if (glyph == 0 && left != 0) {
        // Black shadow outside the glyph, as strong as the glyph it copies.
        EXPECT_EQ(left << 24, p) << x << "," << y;
        ++shadowOnly;
      }
      if (glyph == 255) {
        EXPECT_EQ(0xFFFFFFFFu, p) << x << "," << y;  // text over its shadow
      }
    }
  EXPECT_GT(shadowOnly, 3);
  // No division by a zero alpha anywhere: every pixel without ink is fully clear.
  for (int y = 0; y < text->height; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = test::PixelAt(*text, x, y);
      if ((p >> 24) == 0) {
        EXPECT_EQ(0u, p);
      }
    }
}

TEST_F(SysFontTest, NothingDrawnWithoutDestinationOrHandle) {
  SysFont font("Arial Unicode MS", 12);
  Graphics nowhere;
  nowhere.SetFont(&font);
  nowhere.DrawString(L"text", 0, 10);
  EXPECT_EQ(0, PlaceholderImage()->GetWidth());

  Platform::ForceSystemFontFile("/nonexistent/face.ttf");
  SysFont missing("Arial Unicode MS", 12);
  EXPECT_EQ(nullptr, missing.GetHandle());
  EXPECT_EQ(0, missing.GetHeight());
  EXPECT_EQ(0, missing.StringWidth(L"abc"));
  auto dest = test::NewMemoryImage(20, 20, 0xFF000000u);
  Graphics g(dest.get());
  g.SetFont(&missing);
  g.DrawString(L"abc", 0, 10);
  for (int i = 0; i < 400; ++i) EXPECT_EQ(0xFF000000u, dest->GetBits()[i]);
  std::unique_ptr<Font> copy(missing.Duplicate());
  EXPECT_EQ(0, copy->GetHeight());
}

TEST_F(SysFontTest, DuplicateOfBoldKeepsMetricsAndWeight) {
  SysFont bold(nullptr, "Arial Unicode MS", 12, 0, true, false, false);
  bold.mShadow = true;
  bold.mDoubleStrike = true;
  std::unique_ptr<Font> copy(bold.Duplicate());
  auto* sys = dynamic_cast<SysFont*>(copy.get());
  ASSERT_NE(nullptr, sys);
  EXPECT_TRUE(sys->IsBold());
  EXPECT_FALSE(sys->mShadow);
  EXPECT_FALSE(sys->mDoubleStrike);
  EXPECT_EQ(bold.GetAscent(), sys->GetAscent());
  EXPECT_EQ(bold.GetHeight(), sys->GetHeight());
  EXPECT_EQ(bold.StringWidth(L"Weight"), sys->StringWidth(L"Weight"));
  SysFont regular("Arial Unicode MS", 12);
  EXPECT_GT(bold.StringWidth(L"Weight"), regular.StringWidth(L"Weight"));
}

TEST_F(SysFontTest, DoubleStrikeWidensTheInk) {
  SysFont font("Arial Unicode MS", 14);
  std::unique_ptr<MemoryImage> single(font.CreateTextImage(L"l", Color(255, 255, 255)));
  font.mDoubleStrike = true;
  std::unique_ptr<MemoryImage> twice(font.CreateTextImage(L"l", Color(255, 255, 255)));
  auto box = [](MemoryImage& m) {
    return FindInk(m.width, m.height, 0u, [&](int x, int y) { return test::PixelAt(m, x, y); });
  };
  EXPECT_EQ(box(*single).right + 1, box(*twice).right);
}

TEST_F(SysFontTest, FontsMadeAndDeletedOnOneThreadWhileAnotherDraws) {
  SysFont shown("Arial Unicode MS", 12);
  auto dest = test::NewMemoryImage(120, 20, 0xFF000000u);
  std::atomic<bool> done{false};
  std::thread loader([&] {
    for (int i = 0; i < 30; ++i) {
      SysFont font("Arial Unicode MS", 8 + i % 8, (i & 1) != 0);
      std::unique_ptr<Font> copy(font.Duplicate());
      copy->StringWidth(L"!sys:font");
    }
    done = true;
  });
  int frames = 0;
  while (!done || frames == 0) {
    Graphics g(dest.get());
    g.SetFont(&shown);
    g.SetColor(Color(255, 255, 0));
    g.DrawString(L"Loading \u2026", 2, 14);
    ++frames;
  }
  loader.join();
  EXPECT_GT(frames, 0);
}

// The surface way, on a software display of the stand-in.
class SysFontSurfaceTest : public DDrawTest::SurfaceImageFixture {
 protected:
  ForcedDejaVu forced;
};

TEST_F(SysFontSurfaceTest, SurfaceWayDrawsOneRowBelowTheImageWay) {
  for (DDrawStandIn::Format format : DDrawTest::PixelTableFormats()) {
    StartDisplay(format);
    SysFont font("Arial Unicode MS", 14);
    const int w = 60, h = 30;
    auto surfaceImage = MakeSurfaceImage(w, h, 0xFF000000u);
    ASSERT_NE(nullptr, surfaceImage->GetSurface());
    const uint32_t black = DDrawTest::SurfacePixel(*surfaceImage, 0, 0);
    {
      Graphics g(surfaceImage.get());
      g.SetFont(&font);
      g.SetColor(Color(255, 255, 255));
      g.DrawString(L"Tg", 4, 18);
    }
    auto memory = test::NewMemoryImage(w, h, 0xFF000000u);
    {
      Graphics g(memory.get());
      g.SetFont(&font);
      g.SetColor(Color(255, 255, 255));
      g.DrawString(L"Tg", 4, 18);
    }
    const InkBox onSurface =
        FindInk(w, h, black, [&](int x, int y) { return DDrawTest::SurfacePixel(*surfaceImage, x, y); });
    const InkBox inMemory = FindInk(w, h, 0xFF000000u, [&](int x, int y) { return test::PixelAt(*memory, x, y); });
    ASSERT_GE(onSurface.top, 0);
    EXPECT_EQ(inMemory.top + 1, onSurface.top);
    EXPECT_EQ(inMemory.bottom + 1, onSurface.bottom);
    EXPECT_EQ(inMemory.left, onSurface.left);
    EXPECT_EQ(inMemory.right, onSurface.right);
    EXPECT_EQ(nullptr, surfaceImage->bits.get());  // the surface alone holds the picture
  }
}

TEST_F(SysFontSurfaceTest, LockedSurfaceShowsTextAndKeepsItsLockCount) {
  StartDisplay(DDrawStandIn::Format::kRGB565);
  SysFont font("Arial Unicode MS", 12);
  auto image = MakeSurfaceImage(50, 20, 0xFF000000u);
  ASSERT_TRUE(image->LockSurface());
  ASSERT_TRUE(image->LockSurface());
  const int changes = image->changeCount;
  {
    Graphics g(image.get());
    g.SetFont(&font);
    g.SetColor(Color(255, 0, 0));
    g.ClipRect(0, 0, 25, 20);  // the clip holds on the surface too
    g.DrawString(L"HHHHHHHH", 1, 15);
  }
  EXPECT_EQ(2, image->lockCount);
  EXPECT_NE(changes, image->changeCount);
  image->UnlockSurface();
  image->UnlockSurface();
  EXPECT_EQ(0, image->lockCount);
  int red = 0, outsideClip = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 50; ++x) {
      const uint32_t p = DDrawTest::SurfacePixel(*image, x, y);
      if (p == 0xF800u) ++red;
      if (x >= 25 && p != 0) ++outsideClip;
    }
  EXPECT_GT(red, 10);
  EXPECT_EQ(0, outsideClip);

  // Unlocked before the draw: unlocked after it.
  Graphics g(image.get());
  g.SetFont(&font);
  g.DrawString(L"x", 30, 15);
  EXPECT_EQ(0, image->lockCount);
}

}  // namespace
}  // namespace Kivo

namespace Kivo {
namespace {

// The screen of a display in 3D mode refuses the image's own locks (the
// renderer owns it); the text still reaches its surface, after the renderer's
// open scene.
TEST_F(SysFontSurfaceTest, ScreenDrawnThrough3DStillGetsTheText) {
  StartDisplay(DDrawStandIn::Format::kRGB888);
  DDImage* screen = display->GetScreenImage();
  ASSERT_NE(nullptr, screen);
  display->is3D = true;
  ASSERT_TRUE(screen->DrawsThrough3D());
  ASSERT_FALSE(screen->LockSurface());
  SysFont font("Arial Unicode MS", 14);
  {
    Graphics g(screen);
    g.SetFont(&font);
    g.SetColor(Color(0, 255, 0));
    g.DrawString(L"3D", 20, 30);
  }
  EXPECT_EQ(0, screen->lockCount);
  display->is3D = false;
  int green = 0;
  for (int y = 10; y < 40; ++y)
    for (int x = 15; x < 60; ++x) green += (DDrawTest::SurfacePixel(*screen, x, y) & 0xFFFFFFu) == 0x00FF00u;
  EXPECT_GT(green, 10);
}

}  // namespace
}  // namespace Kivo
