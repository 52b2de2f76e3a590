// Two threads drawing the same text through fonts that share one glyph
// image. Built with ThreadSanitizer (see tests/tsan/) any lazily built cache
// of the shared image that is not guarded shows as a data race; in every
// build both threads must draw exactly the same pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/font_test_support.h"
#include "ui/Graphics.h"
#include "ui/ImageFont.h"

namespace Kivo {
namespace {

// Seven glyphs of a 40 by 10 strip, 5 pixels each.
const wchar_t* const kDescriptor =
    L"CreateLayer Main; LayerSetImage Main 'img.png';\n"
    L"LayerSetCharWidths Main ('A' 'B' 'a' 'b' 'c' 'd' 'e') (6 6 6 6 6 6 6);\n"
    L"CreateHorzSpanRectList R (0 0 0 10) (5 5 5 5 5 5 5);\n"
    L"LayerSetImageMap Main ('A' 'B' 'a' 'b' 'c' 'd' 'e') R;\n"
    L"LayerSetAscent Main 8;\n";

// A glyph strip with opaque, transparent and half-transparent pixels.
std::unique_ptr<MemoryImage> GlyphStrip(bool paletteForm) {
  std::vector<uint32_t> pixels(40 * 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 40; ++x) {
      const int kind = (x + y) % 3;
      pixels[static_cast<size_t>(y) * 40 + x] = kind == 0 ? 0xFFFFFFFFu : kind == 1 ? 0u : 0x80FFFFFFu;
    }
  auto image = std::make_unique<MemoryImage>();
  image->SetBits(pixels.data(), 40, 10, true);
  if (paletteForm) image->ConvertToPalette();
  return image;
}

struct Case {
  const char* name;
  bool paletteForm;
  Color color;
};

TEST(GlyphThreads, TwoThreadsDrawTheSameTextFromOneGlyphImage) {
  const Case cases[] = {
      {"bits, white", false, Color(255, 255, 255)},
      {"bits, coloured", false, Color(200, 40, 90, 180)},
      {"palette form, white", true, Color(255, 255, 255)},
      {"palette form, coloured", true, Color(10, 220, 30)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::MemoryFontHost host;
    host.AddImage("glyphs/img.png", GlyphStrip(c.paletteForm));
    test::MemoryDescriptor("glyphs/desc.txt", kDescriptor);
    ImageFont original(&host, "glyphs/desc.txt");
    ASSERT_TRUE(original.GetFontData()->IsInitialised());
    // A font object belongs to one thread: each thread draws with its own
    // copy, and the copies share the glyph image.
    std::unique_ptr<Font> fonts[2] = {std::unique_ptr<Font>(original.Duplicate()),
                                      std::unique_ptr<Font>(original.Duplicate())};
    std::unique_ptr<MemoryImage> targets[2] = {test::NewMemoryImage(64, 16, 0xFF000000u),
                                               test::NewMemoryImage(64, 16, 0xFF000000u)};
    auto draw = [&](int i) {
      Graphics g(targets[i].get());
      for (int n = 0; n < 50; ++n) fonts[i]->DrawString(g, 1 + n % 3, 10, L"AaBbcde", c.color, Rect());
    };
    std::thread other(draw, 1);
    draw(0);
    other.join();
    const uint32_t* a = targets[0]->GetBits();
    const uint32_t* b = targets[1]->GetBits();
    EXPECT_TRUE(std::equal(a, a + 64 * 16, b));
    bool drawn = false;
    for (int i = 0; i < 64 * 16; ++i) drawn |= a[i] != 0xFF000000u;
    EXPECT_TRUE(drawn);
  }
}

// A font at another size draws the shared glyph image into a scaled copy of
// its own (on its first measure or draw) while the original draws from it;
// duplicating a scaled font copies its scaled image while that draws.
TEST(GlyphThreads, AScaledCopyIsMadeWhileTheSharedImageDraws) {
  for (bool paletteForm : {false, true}) {
    SCOPED_TRACE(paletteForm);
    test::MemoryFontHost host;
    host.AddImage("glyphs/img.png", GlyphStrip(paletteForm));
    test::MemoryDescriptor("glyphs/desc.txt", kDescriptor);
    ImageFont original(&host, "glyphs/desc.txt");
    ASSERT_TRUE(original.GetFontData()->IsInitialised());
    std::unique_ptr<ImageFont> drawer(static_cast<ImageFont*>(original.Duplicate()));
    std::unique_ptr<ImageFont> scaled(static_cast<ImageFont*>(original.Duplicate()));
    auto target = test::NewMemoryImage(64, 16, 0xFF000000u);
    std::unique_ptr<ImageFont> scaledDrawer(static_cast<ImageFont*>(original.Duplicate()));
    scaledDrawer->SetScale(1.5);
    scaledDrawer->Prepare();  // its layers are made before another thread copies it
    auto scaledTarget = test::NewMemoryImage(96, 24, 0xFF000000u);
    std::thread other([&] {
      for (int n = 0; n < 20; ++n) {
        scaled->SetScale(n % 2 == 0 ? 2.0 : 0.5);
        EXPECT_EQ(scaled->StringWidth(L"Aa"), n % 2 == 0 ? 24 : 6);
        std::unique_ptr<Font> copy(scaledDrawer->Duplicate());
        EXPECT_EQ(copy->StringWidth(L"Aa"), 18);
      }
    });
    Graphics g(target.get());
    Graphics scaledG(scaledTarget.get());
    for (int n = 0; n < 50; ++n) {
      drawer->DrawString(g, 1, 10, L"AaBbcde", Color(255, 255, 255), Rect());
      scaledDrawer->DrawString(scaledG, 1, 15, L"AaBbcde", Color(255, 255, 255), Rect());
    }
    other.join();
    auto alone = test::NewMemoryImage(64, 16, 0xFF000000u);
    Graphics again(alone.get());
    for (int n = 0; n < 50; ++n) drawer->DrawString(again, 1, 10, L"AaBbcde", Color(255, 255, 255), Rect());
    EXPECT_TRUE(std::equal(alone->GetBits(), alone->GetBits() + 64 * 16, target->GetBits()));
  }
}

}  // namespace
}  // namespace Kivo
