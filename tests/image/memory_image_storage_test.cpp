#include <gtest/gtest.h>

#include <vector>

#include "image_test_support.h"

namespace KivoTest {
namespace {

constexpr uint32_t O = 0xFF102030;  // opaque
constexpr uint32_t T = 0x00000000;  // transparent
constexpr uint32_t P = 0x80405060;  // partial

std::vector<int> RunTable(MemoryImage& image) {
  const uint8_t* t = image.GetAlphaRunTable();
  return std::vector<int>(t, t + image.PixelCount());
}

TEST(MemoryImageStorage, RegistersForItsLifetime) {
  RecordingHost host;
  {
    MemoryImage image(&host);
    EXPECT_EQ(host.live.count(&image), 1u);
    MemoryImage copy(image);
    EXPECT_EQ(host.live.size(), 2u);
  }
  EXPECT_TRUE(host.live.empty());
  EXPECT_EQ(host.unregistrations, 2);
  EXPECT_EQ(host.textureReleases, 2);
}

TEST(MemoryImageStorage, DefaultConstructorUsesInstalledHost) {
  RecordingHost host;
  ScopedHost scoped(&host);
  MemoryImage image;
  EXPECT_EQ(image.host, &host);
  EXPECT_EQ(host.live.count(&image), 1u);
}

TEST(MemoryImageStorage, AlphaRunTables) {
  struct Case {
    int w, h;
    std::vector<uint32_t> px;
    std::vector<int> runs;
  };
  const Case cases[] = {
      {3, 1, {O, O, T}, {2, 1, 1}},
      {5, 1, {T, P, P, P, O}, {1, 3, 2, 1, 1}},
      {1, 4, {O, T, P, O}, {1, 1, 1, 1}},
      // Runs stop at the row end.
      {2, 2, {O, O, O, O}, {2, 1, 2, 1}},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    MemoryImage image(&host);
    Load(image, c.w, c.h, c.px);
    EXPECT_EQ(RunTable(image), c.runs);
  }
}

TEST(MemoryImageStorage, LongRunCountsDownFrom255) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 300, 1, O);
  const std::vector<int> runs = RunTable(image);
  for (int i = 0; i < 46; ++i) EXPECT_EQ(runs[i], 255) << i;
  for (int i = 46; i < 300; ++i) EXPECT_EQ(runs[i], 300 - i) << i;
}

TEST(MemoryImageStorage, RunTableOfPaletteFormMatchesBits) {
  RecordingHost host;
  MemoryImage image(&host);
  Load(image, 5, 1, {T, P, P, P, O});
  ASSERT_TRUE(image.ConvertToPalette());
  EXPECT_EQ(RunTable(image), (std::vector<int>{1, 3, 2, 1, 1}));
  EXPECT_EQ(image.bits, nullptr);
}

TEST(MemoryImageStorage, NativeDataLayouts) {
  struct Case {
    NativeDisplay format;
    uint32_t pixel;
    uint32_t native;
  };
  const Case cases[] = {
      {Format8888(), 0x80FF0000, 0x80800000},  // 255 * 129 >> 8 = 128
      {Format565(), 0xFFFFFFFF, 0xFF00FFFF},      {Format555(), 0xFFFFFFFF, 0xFF007FFF},
      {FormatBlueHigh(), 0xFF112233, 0xFF332211}, {Format8888(), 0x00FFFFFF, 0x00000000},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    MemoryImage image(&host);
    Fill(image, 1, 1, c.pixel);
    EXPECT_EQ(image.GetNativeData(c.format)[0], c.native) << std::hex << c.pixel;
  }
}

TEST(MemoryImageStorage, SoftwareDiscardKeepsNativeAndRestoresBits) {
  RecordingHost host;
  const NativeDisplay format = Format8888();
  host.display = &format;
  MemoryImage image(&host);
  Fill(image, 2, 1, 0x80FF0000);
  image.DiscardBits();
  EXPECT_TRUE(image.discardWanted);
  EXPECT_EQ(image.bits, nullptr);
  ASSERT_NE(image.nativeData, nullptr);
  EXPECT_EQ(image.nativeData[0], 0x80800000u);
  // 128 * 256 / 129 = 254
  EXPECT_EQ(Pixel(image, 0, 0), 0x80FE0000u);
  EXPECT_EQ(image.GetBits()[2], kBitsSentinel);
}

TEST(MemoryImageStorage, DiscardWithoutDisplayKeepsBits) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 2, 2, O);
  image.DiscardBits();
  EXPECT_NE(image.bits, nullptr);
}

TEST(MemoryImageStorage, DiscardIn3DWaitsForTexture) {
  RecordingHost host;
  host.threeD = true;
  MemoryImage image(&host);
  Fill(image, 2, 2, O);
  image.DiscardBits();
  EXPECT_NE(image.bits, nullptr);
  image.textureData = reinterpret_cast<TextureData*>(&host);  // any non-null marker
  image.DiscardBits();
  EXPECT_EQ(image.bits, nullptr);
  // Bits come back from the texture through the host, or as zeros.
  host.textureReadable = true;
  host.textureFill = 0xFF445566;
  EXPECT_EQ(Pixel(image, 1, 1), 0xFF445566u);
  image.bits.reset();
  host.textureReadable = false;
  EXPECT_EQ(Pixel(image, 1, 1), 0u);
  image.textureData = nullptr;
}

TEST(MemoryImageStorage, SetBitsWithOwnPointerChangesNothing) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 3, 3, O);
  const int before = image.changeCount;
  EXPECT_TRUE(image.SetBits(image.GetBits(), 3, 3, true));
  EXPECT_EQ(image.changeCount, before);
}

TEST(MemoryImageStorage, ForcedFlagsSurviveScan) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 2, 2, T);
  image.ForceAlphaFlags(false, false);
  image.NoteBitsChanged();
  image.ScanAlpha();
  EXPECT_FALSE(image.hasTransparency);
  EXPECT_FALSE(image.hasPartialAlpha);
  EXPECT_TRUE(image.bitsChanged);
}

TEST(MemoryImageStorage, ScanAlphaFindsClasses) {
  RecordingHost host;
  MemoryImage image(&host);
  Load(image, 3, 1, {O, P, O});
  EXPECT_FALSE(image.hasTransparency);
  EXPECT_TRUE(image.hasPartialAlpha);
  Load(image, 2, 1, {O, T});
  EXPECT_TRUE(image.hasTransparency);
  EXPECT_FALSE(image.hasPartialAlpha);
  MemoryImage empty(&host);
  empty.NoteBitsChanged();
  empty.ScanAlpha();
  EXPECT_TRUE(empty.hasTransparency);
}

TEST(MemoryImageStorage, CreateBlankGivesZerosAndSentinel) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 2, 2, O);
  ASSERT_TRUE(image.ConvertToPalette());
  ASSERT_TRUE(image.CreateBlank(4, 3));
  EXPECT_EQ(image.bits, nullptr);
  EXPECT_TRUE(image.hasTransparency);
  EXPECT_TRUE(image.hasPartialAlpha);
  const uint32_t* p = image.GetBits();
  for (int i = 0; i < 12; ++i) EXPECT_EQ(p[i], 0u);
  EXPECT_EQ(p[12], kBitsSentinel);
}

// Sizes whose word count overflows 32 bits, or that no image can have, are
// refused: the image ends up empty rather than with a short buffer.
TEST(MemoryImageStorage, AbsurdSizesFailCleanly) {
  const int32_t sizes[][2] = {{-1, 10},       {10, -5},           {16385, 1},     {1, 16385},
                              {65536, 65536}, {0x10000, 0x10001}, {16384, 16384}, {INT32_MAX, 2}};
  for (const auto& s : sizes) {
    RecordingHost host;
    MemoryImage image(&host);
    EXPECT_FALSE(image.CreateBlank(s[0], s[1])) << s[0] << "x" << s[1];
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.GetBits()[0], kBitsSentinel);
    uint32_t one = 0xFF000000;
    EXPECT_FALSE(image.SetBits(&one, s[0], s[1], true));
    EXPECT_EQ(image.PixelCount(), 0u);
    image.FillRect(Rect(0, 0, 100, 100), Color(255, 0, 0), 0);
    image.ClearBits();
  }
  // A size set from outside is caught when the bits are made.
  RecordingHost host;
  MemoryImage image(&host);
  image.width = 0x10000;
  image.height = 0x10001;
  EXPECT_NE(image.GetBits(), nullptr);
  EXPECT_EQ(image.width, 0);
  // The largest accepted size still works.
  MemoryImage big(&host);
  EXPECT_TRUE(big.CreateBlank(16384, 4096));
  EXPECT_EQ(big.GetBits()[16384u * 4096u], kBitsSentinel);
}

TEST(MemoryImageStorage, CopyConstructorDeepCopiesEveryFormButTexture) {
  RecordingHost host;
  const NativeDisplay format = Format565();
  MemoryImage image(&host);
  Load(image, 3, 1, {O, T, P});
  image.textureFlags = kTextureA4R4G4B4;
  image.SetVolatile(true);
  image.GetNativeData(format);
  image.GetAlphaRunTable();
  image.GetAdditiveRunTable(format);
  image.textureData = reinterpret_cast<TextureData*>(&host);
  MemoryImage copy(image);
  image.textureData = nullptr;
  EXPECT_EQ(copy.textureData, nullptr);
  EXPECT_EQ(copy.textureFlags, kTextureA4R4G4B4);
  EXPECT_TRUE(copy.isVolatile);
  EXPECT_EQ(copy.changeCount, image.changeCount);
  ASSERT_NE(copy.bits, nullptr);
  EXPECT_NE(copy.bits.get(), image.bits.get());
  EXPECT_EQ(copy.bits[3], kBitsSentinel);
  ASSERT_NE(copy.nativeData, nullptr);
  EXPECT_EQ(copy.nativeData[0], image.nativeData[0]);
  ASSERT_NE(copy.alphaRunTable, nullptr);
  ASSERT_NE(copy.additiveRunTable, nullptr);
  EXPECT_EQ(copy.additiveRunTable[1], 1);
  EXPECT_EQ(Pixels(copy), Pixels(image));

  // Palette form copies as palette form.
  ASSERT_TRUE(image.ConvertToPalette());
  MemoryImage paletteCopy(image);
  EXPECT_EQ(paletteCopy.bits, nullptr);
  ASSERT_NE(paletteCopy.palette, nullptr);
  EXPECT_EQ(Pixels(paletteCopy), (std::vector<uint32_t>{O, T, P}));

  // Native-only form lends its bits for the copy and goes back to native only.
  host.display = &format;
  MemoryImage discarded(&host);
  Fill(discarded, 2, 1, 0xFFFFFFFF);
  discarded.DiscardBits();
  ASSERT_EQ(discarded.bits, nullptr);
  MemoryImage fromNative(discarded);
  EXPECT_EQ(discarded.bits, nullptr);
  EXPECT_EQ(Pixel(fromNative, 1, 0), 0xFFF8FCF8u);
}

TEST(MemoryImageStorage, CachesDropAndRebuild) {
  RecordingHost host;
  const NativeDisplay format = Format8888();
  MemoryImage image(&host);
  Load(image, 2, 1, {O, T});
  image.GetNativeData(format);
  image.GetAlphaRunTable();
  image.GetAdditiveRunTable(format);
  image.DropDisplayCaches();
  EXPECT_EQ(image.nativeData, nullptr);
  EXPECT_EQ(image.additiveRunTable, nullptr);
  EXPECT_NE(image.alphaRunTable, nullptr);
  image.DropAllCaches();
  EXPECT_EQ(image.alphaRunTable, nullptr);
  EXPECT_EQ(host.textureReleases, 1);
  const int before = image.changeCount;
  image.NoteBitsChanged();
  EXPECT_EQ(image.changeCount, before + 1);

  // DropSoftwareCaches keeps a palette form: bits are made only when neither
  // bits nor indices exist.
  ASSERT_TRUE(image.ConvertToPalette());
  image.DropSoftwareCaches();
  EXPECT_EQ(image.bits, nullptr);
  EXPECT_NE(image.palette, nullptr);
}

TEST(MemoryImageStorage, ApplyStorageOptionsConvertsThenDiscards) {
  RecordingHost host;
  const NativeDisplay format = Format8888();
  host.display = &format;
  MemoryImage image(&host);
  Load(image, 2, 2, {O, T, P, O});
  image.paletteWanted = true;
  image.discardWanted = true;
  image.ApplyStorageOptions();
  EXPECT_NE(image.palette, nullptr);
  EXPECT_EQ(image.bits, nullptr);
  ASSERT_NE(image.nativeData, nullptr);
  EXPECT_EQ(Pixel(image, 0, 0), O);
  EXPECT_EQ(Pixel(image, 1, 1), O);
}

TEST(MemoryImageStorage, ClearingMarksTransparencyForTheOpaqueBlit) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 4, 4, O);
  ASSERT_FALSE(image.hasTransparency);
  image.ClearRect(Rect(1, 1, 2, 2));
  EXPECT_TRUE(image.hasTransparency);
  EXPECT_EQ(Pixel(image, 1, 1), 0u);
  EXPECT_EQ(Pixel(image, 0, 0), O);

  Fill(image, 4, 4, O);
  image.ClearBits();
  EXPECT_TRUE(image.hasTransparency);

  // Forced flags stay as they were forced.
  Fill(image, 4, 4, O);
  image.ForceAlphaFlags(false, false);
  image.ClearBits();
  EXPECT_FALSE(image.hasTransparency);
}

}  // namespace
}  // namespace KivoTest
