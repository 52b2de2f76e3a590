// LoadImageFile: which names are tried, and how alpha images are merged.
#include <gtest/gtest.h>

#include <thread>

#include "resources/FileApi.h"
#include "resources/PakWriter.h"
#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;

namespace {

using Names = std::vector<std::string>;

TEST(ImageLibLoad, NameWithoutExtensionTriesEachFormatInOrder) {
  MemoryOpener files;
  std::vector<uint32_t> pixels = Pattern(3, 2);
  files.Add("images/ball.png", PngRgba(pixels, 3, 2));
  ImagePtr image = LoadImageFile("images/ball", false, files);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, pixels);
  EXPECT_EQ(files.mOpened, (Names{"images/ball.tga", "images/ball.jpg", "images/ball.png"}));

  files.mOpened.clear();
  EXPECT_FALSE(LoadImageFile("images/none", false, files));
  EXPECT_EQ(files.mOpened, (Names{"images/none.tga", "images/none.jpg", "images/none.png", "images/none.gif",
                                  "images/none.j2k", "images/none.jp2"}));
}

TEST(ImageLibLoad, ExtensionChoosesOneReaderRegardlessOfCase) {
  struct Case {
    const char* name;
    Names opened;
  } cases[] = {
      {"images/ball.PNG", {"images/ball.png"}},
      {"images/ball.Jp2", {"images/ball.jp2"}},
      {"images/ball.bmp", {}},
      {"images/ball.jpeg", {}},
      // A dot inside a folder name is no extension.
      {"data.v2/ball",
       {"data.v2/ball.tga", "data.v2/ball.jpg", "data.v2/ball.png", "data.v2/ball.gif", "data.v2/ball.j2k",
        "data.v2/ball.jp2"}},
      {"data.v2\\ball",
       {"data.v2\\ball.tga", "data.v2\\ball.jpg", "data.v2\\ball.png", "data.v2\\ball.gif", "data.v2\\ball.j2k",
        "data.v2\\ball.jp2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryOpener files;
    files.Add("images/ball.png", PngRgba(Pattern(2, 2), 2, 2));
    ImagePtr image = LoadImageFile(c.name, false, files);
    EXPECT_EQ(files.mOpened, c.opened);
    EXPECT_EQ(bool(image), std::string(c.name) == "images/ball.PNG");
  }
}

TEST(ImageLibLoad, FirstReaderThatSucceedsWins) {
  // A broken TGA does not stop the search; the JPEG after it is found.
  MemoryOpener files;
  files.Add("pic.tga", Bytes{1, 2, 3});
  files.Add("pic.jpg", JpegRgb(std::vector<uint32_t>(64, 0xFF0000FFu), 8, 8));
  files.Add("pic.png", PngRgba(Pattern(2, 2), 2, 2));
  ImagePtr image = LoadImageFile("pic", false, files);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 8);
  EXPECT_EQ(files.mOpened, (Names{"pic.tga", "pic.jpg"}));
}

std::vector<uint32_t> Greys(const std::vector<uint8_t>& values) {
  std::vector<uint32_t> out;
  for (uint8_t v : values) out.push_back(0xFF000000u | v * 0x010101u);
  return out;
}

TEST(ImageLibLoad, AlphaImageBlueBecomesAlpha) {
  MemoryOpener files;
  std::vector<uint32_t> color = {0xFF102030, 0xFF405060, 0x00708090, 0xFFA0B0C0};
  files.Add("images/ball.png", PngRgba(color, 2, 2));
  files.Add("images/_ball.png", PngRgba(Greys({0x00, 0x40, 0xFF, 0x80}), 2, 2));
  ImagePtr image = LoadImageFile("images/ball.png", true, files);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0x00102030u, 0x40405060u, 0xFF708090u, 0x80A0B0C0u}));
  // The first candidate found ends the lookup.
  EXPECT_EQ(files.mOpened, (Names{"images/ball.png", "images/_ball.png"}));
}

TEST(ImageLibLoad, AlphaCandidatesAreTriedInOrder) {
  MemoryOpener files;
  files.Add("images/ball.tga", TgaBytes(1, 1, 32, 0x28, {0xFF112233}));
  ImagePtr image = LoadImageFile("images/ball", true, files);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels[0], 0xFF112233u);
  Names expected = {"images/ball.tga"};
  for (const char* base : {"images/_ball", "images/ball_", "images/bal_"})
    for (const char* ext : {".tga", ".jpg", ".png", ".gif", ".j2k", ".jp2"})
      expected.push_back(std::string(base) + ext);
  EXPECT_EQ(files.mOpened, expected);
}

TEST(ImageLibLoad, AlphaImageOfAnotherSizeLeavesColourUnchanged) {
  MemoryOpener files;
  std::vector<uint32_t> color = Pattern(2, 2);
  files.Add("a/ball.png", PngRgba(color, 2, 2));
  files.Add("a/ball_.png", PngRgba(Greys({1, 2, 3}), 3, 1));
  ImagePtr image = LoadImageFile("a/ball", true, files);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, color);
}

TEST(ImageLibLoad, AlphaImageAloneTakesTheFillColour) {
  MemoryOpener files;
  files.Add("images/glow_.png", PngRgba(Greys({0x00, 0x7F, 0xFF}), 3, 1));
  {
    ScopedAlphaOnlyFillColor red(0xFF0000);
    ImagePtr image = LoadImageFile("images/glow", true, files);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0x00FF0000u, 0x7FFF0000u, 0xFFFF0000u}));
  }
  EXPECT_EQ(GetAlphaOnlyFillColor(), 0xFFFFFFu);
  ImagePtr white = LoadImageFile("images/glow", true, files);
  ASSERT_TRUE(white);
  EXPECT_EQ(white->pixels[1], 0x7FFFFFFFu);
  // The "dir/_name" form needs the whole name: "images/glow" is not "glo".
  MemoryOpener other;
  other.Add("images/glo_.png", PngRgba(Greys({0x10}), 1, 1));
  ImagePtr shortened = LoadImageFile("images/glow", true, other);
  ASSERT_TRUE(shortened);
  EXPECT_EQ(shortened->pixels[0], 0x10FFFFFFu);
  // Without the alpha lookup nothing is found.
  EXPECT_FALSE(LoadImageFile("images/glow", false, files));
}

TEST(ImageLibLoad, FillColourIsPerThread) {
  MemoryOpener files;
  files.Add("glow_.png", PngRgba(Greys({0x80}), 1, 1));
  // Each thread sets its own colour and loads many times; a shared value
  // would let one thread's colour leak into the other's images.
  auto worker = [&files](uint32_t rgb, bool& ok) {
    ScopedAlphaOnlyFillColor fill(rgb);
    ok = true;
    for (int i = 0; i < 200; ++i) {
      MemoryOpener mine = files;
      ImagePtr image = LoadImageFile("glow", true, mine);
      ok = ok && image && image->pixels[0] == (0x80000000u | rgb);
    }
  };
  bool okA = false, okB = false;
  std::thread a(worker, 0x00FF00u, std::ref(okA));
  std::thread b(worker, 0x0000FFu, std::ref(okB));
  a.join();
  b.join();
  EXPECT_TRUE(okA);
  EXPECT_TRUE(okB);
  EXPECT_EQ(GetAlphaOnlyFillColor(), 0xFFFFFFu);
}

// The published archive object, built here when the test binary has none.
Kivo::PakInterface& SharedPak() {
  static Kivo::PakInterface* pak = [] {
    Kivo::PakInterface* shared = Kivo::GetSharedPakInterface();
    return shared ? shared : new Kivo::PakInterface;
  }();
  return *pak;
}

TEST(ImageLibLoad, ReadsThroughTheFileApiFromAnArchive) {
  std::vector<uint32_t> color = Pattern(4, 3, 11);
  std::vector<Kivo::PakSourceFile> sources = {
      {"imagelib_pak\\Sprites\\Ball.png", PngRgba(color, 4, 3), 0},
      {"imagelib_pak\\Sprites\\_Ball.gif", GifBytes([] {
         GifSpec g;
         g.width = 4;
         g.height = 3;
         g.globalColors = {0x000000, 0x808080};
         g.minimumBits = 2;
         g.lzw = GifLzw(std::vector<uint8_t>(12, 1), 2);
         return g;
       }()),
       0},
  };
  Bytes archive;
  std::string error;
  ASSERT_TRUE(Kivo::BuildPakImage(sources, archive, error)) << error;
  Kivo::PakInterface& pak = SharedPak();
  ASSERT_TRUE(pak.MountArchiveImage("imagelib_test.pak", archive.data(), archive.size()));

  // The archive's lookup ignores case and accepts either separator.
  ImagePtr image = LoadImageFile("imagelib_pak/sprites/ball", true);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->pixels.size(), color.size());
  for (size_t i = 0; i < color.size(); ++i) EXPECT_EQ(image->pixels[i], (color[i] & 0xFFFFFFu) | 0x80000000u) << i;
  EXPECT_TRUE(ReadGifImage("IMAGELIB_PAK\\SPRITES\\_BALL.GIF"));

  pak.AddMemoryFile("imagelib_mem/tile.tga", TgaBytes(1, 1, 32, 0x28, {0x12345678u}));
  ImagePtr tile = LoadImageFile("imagelib_mem/tile", false);
  ASSERT_TRUE(tile);
  EXPECT_EQ(tile->pixels[0], 0x12345678u);
  EXPECT_FALSE(ReadPngImage("imagelib_mem/no-such-file.png"));
}

}  // namespace
