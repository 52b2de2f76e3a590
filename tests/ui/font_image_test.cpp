// Image fonts: active layers, scaling, measuring, the draw order through the
// pool, colours, tags, copies and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "shell/base/StringUtils.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/font_test_support.h"
#include "ui/Graphics.h"
#include "ui/ImageFont.h"

namespace Kivo {
namespace {

// Seven glyphs A B a b c d e, each 5 pixels of a 40 by 10 strip, advancing 6.
const wchar_t* const kBase =
    L"CreateLayer Main; LayerSetImage Main 'img.png';\n"
    L"LayerSetCharWidths Main ('A' 'B' 'a' 'b' 'c' 'd' 'e') (6 6 6 6 6 6 6);\n"
    L"CreateHorzSpanRectList R (0 0 0 10) (5 5 5 5 5 5 5);\n"
    L"LayerSetImageMap Main ('A' 'B' 'a' 'b' 'c' 'd' 'e') R;\n"
    L"LayerSetAscent Main 8;\n";

struct TestFont {
  test::MemoryFontHost host;
  std::unique_ptr<ImageFont> font;

  explicit TestFont(const std::wstring& extra) {
    host.AddImage("fi/img.png", test::SolidImage(40, 10, 0xFFFFFFFF));
    test::MemoryDescriptor("fi/desc.txt", kBase + extra);
    font = std::make_unique<ImageFont>(&host, "fi/desc.txt");
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_TRUE(font->GetFontData()->IsInitialised());
  }
};

struct Drawn {
  int x, y;
  Rect source;
  Color color;
  int mode;
};

// The DrawImage calls of a recording image, parsed back.
std::vector<Drawn> Draws(const test::RecordingImage& image) {
  std::vector<Drawn> out;
  for (const auto& call : image.calls) {
    if (call.name != "DrawImage") continue;
    Drawn d{};
    std::string args = call.args;
    for (char& c : args)
      if (c == ',' || c == '(' || c == ')' || c == '[' || c == ']') c = ' ';
    std::istringstream in(args);
    in >> d.x >> d.y >> d.source.x >> d.source.y >> d.source.width >> d.source.height >> d.color.red >> d.color.green >>
        d.color.blue >> d.color.alpha >> d.mode;
    out.push_back(d);
  }
  return out;
}

TEST(ImageFontDraw, ShadowsOfTheWholeTextDrawBeforeTheFills) {
  TestFont f(
      L"CreateLayerFrom Shadow Main; LayerRequireTags Shadow ('shadow');"
      L"LayerSetBaseOrder Shadow -1; LayerSetOffset Shadow (1 1); LayerSetColorMult Shadow (0 0 0 0.5)");
  test::RecordingImage screen(200, 100);
  Graphics g(&screen);
  f.font->DrawString(g, 10, 20, L"AB", Color(255, 255, 255, 255), Rect());
  EXPECT_EQ(Draws(screen).size(), 2u) << "without the tag the shadow layer is not active";

  ASSERT_TRUE(f.font->AddTag(L"shadow"));
  screen.calls.clear();
  int width = -1;
  std::vector<Rect> rects;
  f.font->DrawStringEx(g, 10, 20, L"AB", Color(255, 255, 255, 255), Rect(), &rects, &width);
  const std::vector<Drawn> d = Draws(screen);
  ASSERT_EQ(d.size(), 4u);
  // A shadow, B shadow, A fill, B fill.
  EXPECT_EQ(d[0].x, 11);
  EXPECT_EQ(d[0].y, 13);
  EXPECT_EQ(d[0].color, Color(0, 0, 0, 127));
  EXPECT_EQ(d[1].x, 17);
  EXPECT_EQ(d[1].source, Rect(5, 0, 5, 10));
  EXPECT_EQ(d[2].x, 10);
  EXPECT_EQ(d[2].y, 12);
  EXPECT_EQ(d[2].color, Color(255, 255, 255, 255));
  EXPECT_EQ(d[3].x, 16);
  EXPECT_EQ(width, 12);
  EXPECT_EQ(width, f.font->StringWidth(L"AB"));
  // Rectangles in queue order: character by character, layer by layer.
  EXPECT_EQ(rects,
            (std::vector<Rect>{Rect(10, 12, 5, 10), Rect(11, 13, 5, 10), Rect(16, 12, 5, 10), Rect(17, 13, 5, 10)}));
  EXPECT_EQ(g.GetColor(), Color()) << "the colour is restored";
  EXPECT_FALSE(g.GetColorizeImages()) << "and so is colorizing";
}

TEST(ImageFontDraw, OrdersShareTheOuterBucketsInQueueOrder) {
  TestFont f(L"LayerSetCharOrders Main ('a' 'b' 'c' 'd' 'e') (-200 -129 127 500 0)");
  test::RecordingImage screen(200, 100);
  Graphics g(&screen);
  f.font->DrawString(g, 0, 20, L"cabde", Color(), Rect());
  std::vector<int> xs;
  for (const Drawn& d : Draws(screen)) xs.push_back(d.x);
  // Positions: c 0, a 6, b 12, d 18, e 24. Buckets: a, b | e | c, d.
  EXPECT_EQ(xs, (std::vector<int>{6, 12, 24, 0, 18}));
}

TEST(ImageFontDraw, APointSizeOverTheLayersScalesImageAndPositions) {
  TestFont f(
      L"LayerSetPointSize Main 10; LayerSetOffset Main (2 1); LayerSetSpacing Main 1;"
      L"LayerSetKerningPairs Main ('ab') (-2); SetDefaultPointSize 10");
  const ImageFont& font = *f.font;
  ASSERT_EQ(font.ActiveLayers().size(), 1u);
  EXPECT_EQ(font.ActiveLayers()[0].image, f.font->GetFontData()->FindLayer(L"Main")->image.GetMemoryImage())
      << "at the layer's own size the layer image is drawn";
  EXPECT_EQ(font.GetAscent(), 8);

  f.font->SetPointSize(15);
  test::RecordingImage screen(200, 100);
  Graphics g(&screen);
  int width = 0;
  f.font->DrawStringEx(g, 0, 30, L"abc", Color(), Rect(), nullptr, &width);
  const ActiveFontLayer& active = font.ActiveLayers()[0];
  ASSERT_TRUE(active.ownsImage);
  // Seven glyphs of 5 pixels become 7 each, 15 high.
  EXPECT_EQ(active.image->width, 49);
  EXPECT_EQ(active.image->height, 15);
  EXPECT_EQ(active.DrawRect(L'b'), Rect(7 * 3, 0, 7, 15));
  EXPECT_EQ(font.GetAscent(), 12);
  EXPECT_EQ(font.GetHeight(), 15);

  const std::vector<Drawn> d = Draws(screen);
  ASSERT_EQ(d.size(), 3u);
  // a at pen 0: x = trunc(1.5 * 2) = 3, y = 30 - trunc(1.5 * (8 - 1)) = 20.
  EXPECT_EQ(d[0].x, 3);
  EXPECT_EQ(d[0].y, 20);
  EXPECT_EQ(d[0].source, Rect(7 * 2, 0, 7, 15));
  // a advances trunc(1.5 * 6) + trunc(1.5 * (-2 + 1)) = 9 - 1 = 8.
  EXPECT_EQ(d[1].x, 8 + 3);
  // b advances 9 + trunc(1.5 * 1) = 10; c advances 9.
  EXPECT_EQ(d[2].x, 18 + 3);
  EXPECT_EQ(width, 27);
  EXPECT_EQ(width, f.font->StringWidth(L"abc"));
  EXPECT_EQ(f.font->CharWidthKerned(L'b', L'a'), 9 - 1);
}

TEST(ImageFontDraw, GlyphColoursMultiplyAddAndClamp) {
  struct Case {
    const wchar_t* layerColours;
    Color text;
    Color drawn;
  };
  const Case cases[] = {
      {L"LayerSetColorMult Main (1 0 0 1)", Color(255, 255, 255, 128), Color(255, 0, 0, 128)},
      {L"LayerSetColorAdd Main (0.04 0.04 0.04 0.04)", Color(255, 255, 255, 255), Color(255, 255, 255, 255)},
      {L"LayerSetColorAdd Main 0x0A0A0A0A", Color(100, 0, 20, 50), Color(110, 10, 30, 60)},
      // Reals past 1 and below 0 are stored as they are; the drawn colour
      // stays inside 0..255 all the same.
      {L"LayerSetColorMult Main (1.5 -0.5 1 1)", Color(200, 200, 200, 200), Color(255, 0, 200, 200)},
      {L"LayerSetColorAdd Main (-1 0 0 0)", Color(200, 200, 200, 200), Color(0, 200, 200, 200)},
  };
  for (const Case& c : cases) {
    TestFont f(c.layerColours);
    test::RecordingImage screen(100, 50);
    Graphics g(&screen);
    f.font->DrawString(g, 0, 20, L"a", c.text, Rect());
    const std::vector<Drawn> d = Draws(screen);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].color, c.drawn) << Narrow(c.layerColours);
  }
}

TEST(ImageFontDraw, DrawModeOfTheLayerAppliesAndIsRestored) {
  TestFont f(L"LayerSetDrawMode Main 1");
  test::RecordingImage screen(100, 50);
  Graphics g(&screen);
  f.font->DrawString(g, 0, 20, L"a", Color(), Rect());
  ASSERT_EQ(Draws(screen).size(), 1u);
  EXPECT_EQ(Draws(screen)[0].mode, 1);
  EXPECT_EQ(g.GetDrawMode(), 0);
}

TEST(ImageFontMeasure, TagsPointRangesAndUnmappedCharacters) {
  TestFont f(
      L"LayerPointRange Main 8 12; SetDefaultPointSize 10; LayerSetSpacing Main 2;"
      L"CreateLayer Extra; LayerExcludeTags Extra ('plain')");
  ImageFont& font = *f.font;
  EXPECT_TRUE(font.AddTag(L"glow"));
  EXPECT_TRUE(font.HasTag(L"GLOW"));
  EXPECT_FALSE(font.AddTag(L"Glow"));
  EXPECT_TRUE(font.RemoveTag(L"gLoW"));
  EXPECT_FALSE(font.HasTag(L"glow"));
  EXPECT_FALSE(font.RemoveTag(L"glow"));

  EXPECT_EQ(font.StringWidth(L""), 0);
  EXPECT_EQ(font.StringWidth(L"a"), 6);
  EXPECT_EQ(font.StringWidth(L"ab"), 14) << "spacing between two characters only";
  // '?' has no map entry: no glyph, no spacing before it, spacing after it.
  EXPECT_EQ(font.StringWidth(L"a?b"), 6 + 2 + 6);
  test::RecordingImage screen(100, 50);
  Graphics g(&screen);
  int width = 0;
  font.DrawStringEx(g, 0, 20, L"a?b", Color(), Rect(), nullptr, &width);
  EXPECT_EQ(width, 14);
  EXPECT_EQ(Draws(screen).size(), 2u) << "the unmapped character draws nothing";
  font.DrawStringEx(g, 0, 20, L"", Color(), Rect(), nullptr, &width);
  EXPECT_EQ(width, 0);

  EXPECT_TRUE(font.AddTag(L"PLAIN"));
  EXPECT_EQ(font.StringWidth(L"a"), 6);
  font.Prepare();
  EXPECT_EQ(font.ActiveLayers().size(), 1u) << "the excluded layer is gone";

  font.SetPointSize(13);
  EXPECT_EQ(font.StringWidth(L"ab"), 0);
  EXPECT_EQ(font.GetAscent(), 0);
  EXPECT_EQ(font.GetHeight(), 0);
  screen.calls.clear();
  font.DrawStringEx(g, 0, 20, L"ab", Color(), Rect(), nullptr, &width);
  EXPECT_EQ(width, 0);
  EXPECT_TRUE(screen.calls.empty());
  EXPECT_EQ(font.GetDefineText(L"R"), L"") << "defines are gone once loaded";
}

TEST(ImageFontDraw, ThePoolHoldsAtMost4096GlyphLayers) {
  TestFont f(L"CreateLayerFrom Second Main");
  test::RecordingImage screen(20000, 20);
  Graphics g(&screen);
  const std::wstring text(3000, L'a');
  int width = 0;
  f.font->DrawStringEx(g, 0, 5, text, Color(), Rect(), nullptr, &width);
  EXPECT_EQ(Draws(screen).size(), 4096u);
  EXPECT_EQ(width, 2048 * 6) << "the width stops growing with the pool";
}

TEST(ImageFontDraw, AFontWithoutDataDrawsAndMeasuresNothing) {
  test::MemoryFontHost host;
  test::MemoryDescriptor("fi/broken.txt", L"CreateLayer Main; Nonsense");
  ImageFont font(&host, "fi/broken.txt");
  EXPECT_FALSE(font.GetFontData()->IsInitialised());
  test::RecordingImage screen(10, 10);
  Graphics g(&screen);
  int width = -1;
  font.DrawStringEx(g, 0, 5, L"abc", Color(), Rect(), nullptr, &width);
  EXPECT_EQ(width, 0);
  EXPECT_TRUE(screen.calls.empty());
  EXPECT_EQ(font.StringWidth(L"abc"), 0);
}

TEST(ImageFontDraw, AScaledStripThatIsEmptyOrTooWideGetsNoImage) {
  // 7 glyphs of 5 pixels at 1000 times their size: 35,000 pixels wide.
  TestFont wide(L"LayerSetPointSize Main 1; SetDefaultPointSize 1000; CreateLayer Empty; LayerSetPointSize Empty 2");
  ImageFont& font = *wide.font;
  ASSERT_EQ(font.ActiveLayers().size(), 2u);
  EXPECT_EQ(font.ActiveLayers()[0].image, nullptr);
  EXPECT_EQ(font.ActiveLayers()[1].image, nullptr) << "a layer without glyphs packs nothing";
  test::RecordingImage screen(100, 50);
  Graphics g(&screen);
  int width = 0;
  font.DrawStringEx(g, 0, 20, L"ab", Color(), Rect(), nullptr, &width);
  EXPECT_TRUE(screen.calls.empty());
  EXPECT_EQ(width, 12000) << "the glyphs still advance";

  font.SetPointSize(900);  // 31,500 pixels: just inside
  font.Prepare();
  ASSERT_NE(font.ActiveLayers()[0].image, nullptr);
  EXPECT_EQ(font.ActiveLayers()[0].image->width, 0) << "taller than an image may be: left empty";
}

TEST(ImageFontMeasure, LookUpsNeverAddGlyphs) {
  TestFont f(L"SetCharMap ('x') ('q')");
  const FontLayer& layer = *f.font->GetFontData()->FindLayer(L"Main");
  const size_t glyphs = layer.glyphs.size();
  const size_t mapped = f.font->GetFontData()->CharMap().size();
  test::RecordingImage screen(100, 50);
  Graphics g(&screen);
  f.font->DrawString(g, 0, 20, L"x?Жa", Color(), Rect());
  EXPECT_EQ(f.font->StringWidth(L"x?Жa"), 6);
  EXPECT_EQ(f.font->CharWidthKerned(L'a', L'x'), 6);
  EXPECT_EQ(layer.glyphs.size(), glyphs);
  EXPECT_EQ(f.font->GetFontData()->CharMap().size(), mapped);
  EXPECT_EQ(f.font->ActiveLayers()[0].drawRects.size(), glyphs);
}

TEST(ImageFontCopy, ACopySharesTheDataAndOwnsItsScaledImage) {
  TestFont f(L"LayerSetPointSize Main 10; SetDefaultPointSize 10");
  f.font->SetPointSize(20);
  f.font->Prepare();
  std::unique_ptr<Font> copy(f.font->Duplicate());
  auto* image = dynamic_cast<ImageFont*>(copy.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetFontData(), f.font->GetFontData());
  ASSERT_EQ(image->ActiveLayers().size(), 1u);
  MemoryImage* own = image->ActiveLayers()[0].image;
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, f.font->ActiveLayers()[0].image);
  EXPECT_EQ(own->width, f.font->ActiveLayers()[0].image->width);
  EXPECT_EQ(image->GetPointSize(), 20);
  EXPECT_EQ(image->StringWidth(L"ab"), f.font->StringWidth(L"ab"));
  // The data outlives the original while the copy holds it.
  f.font.reset();
  EXPECT_EQ(image->StringWidth(L"ab"), 24);
}

TEST(ImageFontThreads, ATaggedDuplicateMeasuresWhileTheOriginalDraws) {
  TestFont f(
      L"CreateLayerFrom Shadow Main; LayerRequireTags Shadow ('shadow'); LayerSetOffset Shadow (1 1);"
      L"LayerSetBaseOrder Shadow -1; LayerSetKerningPairs Shadow ('ab') (3)");
  std::atomic<bool> stop{false};
  std::atomic<int> measured{0};
  std::thread loader([&] {
    for (int i = 0; i < 200; ++i) {
      std::unique_ptr<ImageFont> dup(static_cast<ImageFont*>(f.font->Duplicate()));
      dup->AddTag(L"shadow");
      dup->Prepare();
      if (dup->StringWidth(L"abAB?") == 6 + 3 + 6 + 6 + 6) ++measured;
      if (dup->CharWidthKerned(L'z', L'a') != 0) --measured;
    }
    stop = true;
  });
  auto screen = test::NewMemoryImage(64, 32);
  Graphics g(screen.get());
  int draws = 0;
  while (!stop || draws < 10) {
    f.font->DrawString(g, 0, 20, L"abAB?", Color(255, 255, 255), Rect());
    ++draws;
  }
  loader.join();
  EXPECT_EQ(measured.load(), 200);
  EXPECT_EQ(f.font->StringWidth(L"abAB?"), 24) << "the original never saw the tag";
}

}  // namespace
}  // namespace Kivo
