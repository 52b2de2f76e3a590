#include <gtest/gtest.h>

#include <vector>

#include "image_test_support.h"

namespace KivoTest {
namespace {

TEST(Palette, OrderOfFirstAppearance) {
  RecordingHost host;
  MemoryImage image(&host);
  const uint32_t p = 0xFF900000, q = 0x10000001, r = 0x00FFFFFF;
  Load(image, 4, 1, {p, q, p, r});
  ASSERT_TRUE(image.ConvertToPalette());
  EXPECT_TRUE(image.paletteWanted);
  EXPECT_EQ(image.bits, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(image.indices.get(), image.indices.get() + 4), (std::vector<uint8_t>{0, 1, 0, 2}));
  EXPECT_EQ(image.palette[0], p);
  EXPECT_EQ(image.palette[1], q);
  EXPECT_EQ(image.palette[2], r);
  // Converting again changes nothing.
  EXPECT_TRUE(image.ConvertToPalette());
  EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{p, q, p, r}));
}

TEST(Palette, TransparentColoursStayDistinct) {
  RecordingHost host;
  MemoryImage image(&host);
  Load(image, 2, 1, {0x00000000, 0x00FFFFFF});
  ASSERT_TRUE(image.ConvertToPalette());
  EXPECT_EQ(image.indices[0], 0);
  EXPECT_EQ(image.indices[1], 1);
}

TEST(Palette, Exactly256ConvertAnd257Fail) {
  for (int colours : {256, 257}) {
    RecordingHost host;
    MemoryImage image(&host);
    std::vector<uint32_t> px;
    // Descending values exercise insertion at the front of the sorted table.
    for (int i = 0; i < colours; ++i) px.push_back(0xFF000000u | static_cast<uint32_t>((colours - i) * 7919));
    px.push_back(px[5]);
    Load(image, static_cast<int>(px.size()), 1, px);
    image.paletteWanted = true;
    const bool ok = image.ConvertToPalette();
    EXPECT_EQ(ok, colours == 256);
    EXPECT_EQ(image.paletteWanted, ok);
    if (ok) {
      EXPECT_EQ(image.indices[px.size() - 1], 5);
    } else {
      EXPECT_NE(image.bits, nullptr);
      EXPECT_EQ(image.palette, nullptr);
    }
    EXPECT_EQ(Pixels(image), px);
  }
}

TEST(Palette, EmptyImageConverts) {
  RecordingHost host;
  MemoryImage image(&host);
  EXPECT_TRUE(image.ConvertToPalette());
  EXPECT_NE(image.palette, nullptr);
  EXPECT_EQ(image.GetBits()[0], kBitsSentinel);
}

TEST(Palette, BuilderMatchesLinearSearch) {
  // Random images of few colours: every index must point at its pixel.
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 50; ++round) {
    const int w = 1 + next() % 40, h = 1 + next() % 10, colours = 1 + next() % 256;
    std::vector<uint32_t> colourSet(colours);
    for (auto& c : colourSet) c = next();
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (auto& v : px) v = colourSet[next() % colours];
    std::vector<uint8_t> indices(px.size());
    std::vector<uint32_t> palette(256);
    ASSERT_TRUE(BuildPalette256(px.data(), w, h, indices.data(), palette.data()));
    for (size_t i = 0; i < px.size(); ++i) ASSERT_EQ(palette[indices[i]], px[i]);
  }
}

}  // namespace
}  // namespace KivoTest
