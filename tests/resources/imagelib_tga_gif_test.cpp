// TGA and GIF readers on hand-built files.
#include <gtest/gtest.h>

#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;

namespace {

TEST(ImageLibTga, TopLeft32BitFileGivesPixelsTopRowFirst) {
  std::vector<uint32_t> pixels = {0x80112233, 0xFF445566, 0x00778899, 0x7FAABBCC, 0x01020304, 0xFEDCBA98};
  ImagePtr image = DecodeBytes(DecodeTgaImage, TgaBytes(3, 2, 32, 0x28, pixels));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels, pixels);
}

TEST(ImageLibTga, OtherLayoutsAreRefused) {
  struct Case {
    uint8_t depth, descriptor;
  } cases[] = {{24, 0x28}, {32, 0x08}, {32, 0x20}, {16, 0x28}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.depth) << " / " << int(c.descriptor));
    EXPECT_FALSE(DecodeBytes(DecodeTgaImage, TgaBytes(2, 2, c.depth, c.descriptor, Pattern(2, 2))));
  }
}

TEST(ImageLibTga, ShortFileLeavesMissingPixelsZero) {
  std::vector<uint32_t> pixels = Pattern(4, 4);
  Bytes bytes = TgaBytes(4, 4, 32, 0x28, pixels);
  bytes.resize(18 + 5 * 4 + 2);  // five whole pixels and half of the sixth
  ImagePtr image = DecodeBytes(DecodeTgaImage, bytes);
  ASSERT_TRUE(image);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(image->pixels[i], i < 5 ? pixels[i] : 0u) << i;
}

TEST(ImageLibTga, OversizedHeaderIsRefusedBeforeAllocating) {
  Bytes bytes = TgaBytes(65535, 65535, 32, 0x28, {});
  bytes.insert(bytes.end(), 10, 0xAB);
  EXPECT_FALSE(DecodeBytes(DecodeTgaImage, bytes));
  // Within each side limit but above the pixel-count limit.
  EXPECT_FALSE(DecodeBytes(DecodeTgaImage, TgaBytes(16384, 8192, 32, 0x28, {})));
  EXPECT_FALSE(DecodeBytes(DecodeTgaImage, TgaBytes(0, 5, 32, 0x28, {})));
}

// A small image whose every pixel names its own colour-table entry.
GifSpec IndexedGif(uint32_t width, uint32_t height, const std::vector<uint8_t>& indices) {
  GifSpec s;
  s.width = width;
  s.height = height;
  for (uint32_t i = 0; i < 16; ++i) s.globalColors.push_back(0x101010u * i + 0x000102u);
  s.minimumBits = 4;
  s.lzw = GifLzw(indices, 4);
  return s;
}

uint32_t GlobalColor(uint32_t index) { return 0xFF000000u | (0x101010u * index + 0x000102u); }

TEST(ImageLibGif, BothVersionsDecodeTheirColours) {
  std::vector<uint8_t> indices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 1, 1, 1, 1};
  for (const char* version : {"GIF87a", "GIF89a"}) {
    SCOPED_TRACE(version);
    GifSpec s = IndexedGif(5, 4, indices);
    s.version = version;
    ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(s));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 5);
    ASSERT_EQ(image->height, 4);
    for (size_t i = 0; i < indices.size(); ++i) EXPECT_EQ(image->pixels[i], GlobalColor(indices[i])) << i;
  }
  GifSpec bad = IndexedGif(5, 4, indices);
  bad.version = "GIF88a";
  EXPECT_FALSE(DecodeBytes(DecodeGifImage, GifBytes(bad)));
}

TEST(ImageLibGif, TransparentIndexGivesTransparentBlack) {
  std::vector<uint8_t> indices = {3, 1, 3, 2, 3, 3};
  GifSpec s = IndexedGif(3, 2, indices);
  s.transparent = 3;
  ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(s));
  ASSERT_TRUE(image);
  for (size_t i = 0; i < indices.size(); ++i)
    EXPECT_EQ(image->pixels[i], indices[i] == 3 ? 0u : GlobalColor(indices[i])) << i;
}

TEST(ImageLibGif, InterlacedRowsFollowThePassOrder) {
  struct Case {
    uint32_t height;
    std::vector<uint32_t> rowOrder;  // image row of each stream row
  } cases[] = {
      {10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}},
      {3, {0, 2, 1}},
      {1, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    const uint32_t width = 3;
    std::vector<uint8_t> indices;
    for (uint32_t streamRow = 0; streamRow < c.height; ++streamRow)
      indices.insert(indices.end(), width, uint8_t(streamRow));
    GifSpec s = IndexedGif(width, c.height, indices);
    s.interlaced = true;
    ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(s));
    ASSERT_TRUE(image);
    for (uint32_t streamRow = 0; streamRow < c.height; ++streamRow)
      for (uint32_t x = 0; x < width; ++x)
        EXPECT_EQ(image->pixels[c.rowOrder[streamRow] * width + x], GlobalColor(streamRow)) << streamRow;
  }
}

TEST(ImageLibGif, LocalTableReplacesTheGlobalOne) {
  GifSpec s = IndexedGif(2, 1, {0, 1});
  s.localColors = {0x00FF00, 0x0000FF};
  ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(s));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0xFF00FF00u, 0xFF0000FFu}));
}

TEST(ImageLibGif, IndicesWithoutTableEntryAreTransparentBlack) {
  // An 8-bit stream over a 4-entry table, and a file without any table.
  std::vector<uint8_t> indices = {0, 3, 4, 200, 255, 1};
  GifSpec small;
  small.width = 6;
  small.height = 1;
  small.globalColors = {0x111111, 0x222222, 0x333333, 0x444444};
  small.lzw = GifLzw(indices, 8);
  ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(small));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0xFF111111u, 0xFF444444u, 0, 0, 0, 0xFF222222u}));

  GifSpec none = small;
  none.globalColors.clear();
  image = DecodeBytes(DecodeGifImage, GifBytes(none));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, std::vector<uint32_t>(6, 0u));
}

TEST(ImageLibGif, EmptyOrOversizedImagesAreRefused) {
  for (auto size : {std::pair<uint32_t, uint32_t>{0, 4}, {4, 0}, {65535, 65535}, {16385, 1}}) {
    GifSpec s = IndexedGif(size.first, size.second, {1, 2, 3});
    EXPECT_FALSE(DecodeBytes(DecodeGifImage, GifBytes(s))) << size.first << "x" << size.second;
  }
}

TEST(ImageLibGif, FullTableWithoutClearCutsTheImage) {
  // Noise needs a new table entry for almost every code, so 4,096 entries
  // fill well before the end of a 128x128 image.
  const uint32_t w = 128, h = 128;
  std::vector<uint8_t> indices(w * h);
  uint32_t s = 12345;
  for (auto& i : indices) {
    s = s * 1103515245u + 12345u;
    i = uint8_t((s >> 16) & 15);
  }
  GifSpec spec = IndexedGif(w, h, indices);
  GifSpec full = spec;
  full.lzw = GifLzw(indices, 4, /*clearWhenFull=*/false);
  ImagePtr whole = DecodeBytes(DecodeGifImage, GifBytes(spec));
  ImagePtr cut = DecodeBytes(DecodeGifImage, GifBytes(full));
  ASSERT_TRUE(whole);
  ASSERT_TRUE(cut);
  for (size_t i = 0; i < indices.size(); ++i) ASSERT_EQ(whole->pixels[i], GlobalColor(indices[i])) << i;
  size_t decoded = 0;
  while (decoded < indices.size() && cut->pixels[decoded] != 0) ++decoded;
  EXPECT_GT(decoded, 4000u);
  EXPECT_LT(decoded, indices.size());
  for (size_t i = 0; i < decoded; ++i) ASSERT_EQ(cut->pixels[i], GlobalColor(indices[i])) << i;
  for (size_t i = decoded; i < indices.size(); ++i) ASSERT_EQ(cut->pixels[i], 0u) << i;
}

TEST(ImageLibGif, NonLiteralFirstCodeAfterClearEndsDecoding) {
  // 2-bit codes: clear 4, end 5, first free 6. "1 1" fills two pixels, then a
  // clear followed by 6 (clear + 2) names an entry that no longer exists.
  GifCodeWriter codes;
  codes.Put(4, 3);
  codes.Put(1, 3);
  codes.Put(1, 3);
  codes.Put(4, 3);
  codes.Put(6, 3);
  for (int i = 0; i < 40; ++i) codes.Put(6, 3);
  GifSpec s;
  s.width = 8;
  s.height = 8;
  s.globalColors = {0xAAAAAA, 0xBBBBBB, 0xCCCCCC, 0xDDDDDD};
  s.minimumBits = 2;
  s.lzw = codes.Finish();
  ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(s));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels[0], 0xFFBBBBBBu);
  EXPECT_EQ(image->pixels[1], 0xFFBBBBBBu);
  for (size_t i = 2; i < image->pixels.size(); ++i) EXPECT_EQ(image->pixels[i], 0u) << i;
}

TEST(ImageLibGif, DataEndingEarlyLeavesTheRestZero) {
  std::vector<uint8_t> indices(64, 7);
  indices[0] = 2;
  GifSpec s = IndexedGif(8, 8, indices);
  Bytes bytes = GifBytes(s);
  // Keep the header and the first data bytes only.
  size_t dataStart = bytes.size() - 1 - s.lzw.size();
  bytes.resize(dataStart + 3);
  ImagePtr image = DecodeBytes(DecodeGifImage, bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels[0], GlobalColor(2));
  EXPECT_EQ(image->pixels.back(), 0u);
}

TEST(ImageLibGif, FilesWithoutAnImageAreRefused) {
  GifSpec s = IndexedGif(2, 2, {1, 1, 1, 1});
  Bytes bytes = GifBytes(s);
  Bytes trailerOnly(bytes.begin(), bytes.begin() + 13 + 48);
  trailerOnly.push_back(';');
  EXPECT_FALSE(DecodeBytes(DecodeGifImage, trailerOnly));
  EXPECT_FALSE(DecodeBytes(DecodeGifImage, Bytes(bytes.begin(), bytes.begin() + 20)));
  EXPECT_FALSE(DecodeBytes(DecodeGifImage, Bytes()));
}

}  // namespace
