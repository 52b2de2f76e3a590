// Hostile and damaged files: every reader gives null or a whole image of the
// size it announced, never reads or writes outside its buffers (the suite
// runs under AddressSanitizer).
#include <gtest/gtest.h>

#include "resources/J2kCodec.h"
#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;

namespace {

using Decoder = ImagePtr (*)(ImageInput&);

void ExpectNullOrWhole(Decoder decode, const Bytes& bytes) {
  ImagePtr image = DecodeBytes(decode, bytes);
  if (!image) return;
  ASSERT_GT(image->width, 0);
  ASSERT_GT(image->height, 0);
  ASSERT_EQ(image->pixels.size(), size_t(image->width) * size_t(image->height));
}

struct Sample {
  const char* name;
  Decoder decode;
  Bytes bytes;
};

std::vector<Sample> GoodSamples() {
  std::vector<uint32_t> pixels = Pattern(24, 18, 5);
  std::vector<uint8_t> indices(24 * 18);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i * 7 % 16);
  GifSpec gif;
  gif.width = 24;
  gif.height = 18;
  gif.globalColors = std::vector<uint32_t>(16, 0x123456);
  gif.minimumBits = 4;
  gif.interlaced = true;
  gif.lzw = GifLzw(indices, 4);
  std::vector<std::vector<int>> planes(3, std::vector<int>(24 * 18, 99));
  return {
      {"tga", DecodeTgaImage, TgaBytes(24, 18, 32, 0x28, pixels)},
      {"gif", DecodeGifImage, GifBytes(gif)},
      {"png", DecodePngImage, PngRgba(pixels, 24, 18)},
      {"jpeg", DecodeJpegImage, JpegRgb(pixels, 24, 18)},
      {"j2k", DecodeJ2kImage, J2kBytes(false, 24, 18, planes)},
      {"jp2", DecodeJ2kImage, J2kBytes(true, 24, 18, planes)},
  };
}

TEST(ImageLibBadInput, EveryFormatCutAtSeveralPoints) {
  LoadJ2kCodec();
  for (const Sample& s : GoodSamples()) {
    SCOPED_TRACE(s.name);
    ASSERT_TRUE(DecodeBytes(s.decode, s.bytes));
    for (size_t cut : {size_t(0), size_t(1), size_t(6), size_t(17), size_t(30), s.bytes.size() / 3, s.bytes.size() / 2,
                       s.bytes.size() - 1}) {
      if (cut >= s.bytes.size()) continue;
      SCOPED_TRACE(cut);
      ExpectNullOrWhole(s.decode, Bytes(s.bytes.begin(), s.bytes.begin() + long(cut)));
    }
  }
  FreeJ2kCodec();
}

TEST(ImageLibBadInput, FlippedBytesNeverBreakAReader) {
  LoadJ2kCodec();
  for (const Sample& s : GoodSamples()) {
    SCOPED_TRACE(s.name);
    uint32_t seed = 77;
    for (int round = 0; round < 60; ++round) {
      Bytes damaged = s.bytes;
      for (int k = 0; k < 3; ++k) {
        seed = seed * 1664525u + 1013904223u;
        damaged[(seed >> 8) % damaged.size()] ^= uint8_t(1u << (seed % 8));
      }
      ExpectNullOrWhole(s.decode, damaged);
    }
  }
  FreeJ2kCodec();
}

TEST(ImageLibBadInput, GifCodeAboveTheNextFreeEntryEndsDecoding) {
  GifCodeWriter codes;
  codes.Put(4, 3);  // clear
  codes.Put(2, 3);  // literal
  codes.Put(7, 3);  // next free is 6: 7 is beyond the table
  codes.Put(2, 3);
  GifSpec s;
  s.width = 4;
  s.height = 1;
  s.globalColors = {0x1, 0x2, 0x3, 0x4};
  s.minimumBits = 2;
  s.lzw = codes.Finish();
  ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(s));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0xFF000003u, 0, 0, 0}));
}

TEST(ImageLibBadInput, GifMinimumCodeSizeOutOfRangeDecodesNothing) {
  for (int bits : {0, 9, 12, 255}) {
    GifSpec s;
    s.width = 2;
    s.height = 2;
    s.globalColors = {0x1, 0x2};
    s.minimumBits = bits;
    s.lzw = GifLzw({1, 1, 1, 1}, 2);
    ImagePtr image = DecodeBytes(DecodeGifImage, GifBytes(s));
    ASSERT_TRUE(image) << bits;
    EXPECT_EQ(image->pixels, std::vector<uint32_t>(4, 0u)) << bits;
  }
}

TEST(ImageLibBadInput, J2kDeclaringAHugeImageIsRefusedBeforeDecoding) {
  LoadJ2kCodec();
  std::vector<std::vector<int>> planes(1, std::vector<int>(64, 5));
  Bytes bytes = J2kBytes(false, 8, 8, planes);
  // SIZ follows SOC: FF4F FF51 Lsiz(2) Rsiz(2) Xsiz(4) Ysiz(4).
  ASSERT_EQ(bytes[2], 0xFF);
  ASSERT_EQ(bytes[3], 0x51);
  for (size_t at : {size_t(8), size_t(12)}) {
    bytes[at] = 0x00;
    bytes[at + 1] = 0x01;
    bytes[at + 2] = 0x86;
    bytes[at + 3] = 0xA0;  // 100,000
  }
  EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, bytes));
  FreeJ2kCodec();
}

}  // namespace
