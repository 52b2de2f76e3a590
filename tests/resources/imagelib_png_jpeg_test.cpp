// PNG and JPEG readers on files made with libpng and libjpeg.
#include <gtest/gtest.h>

#include <zlib.h>

#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;

namespace {

TEST(ImageLibPng, ColourTypesBecomeArgbWords) {
  // Grey 8-bit, grey+alpha, RGB, RGBA and palette with tRNS, 2x1 each.
  PngSpec grey;
  grey.width = 2;
  grey.height = 1;
  grey.colorType = PNG_COLOR_TYPE_GRAY;
  grey.rows = {{0x12, 0xF0}};

  PngSpec greyAlpha = grey;
  greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  greyAlpha.rows = {{0x12, 0x80, 0xF0, 0x00}};

  PngSpec rgb = grey;
  rgb.colorType = PNG_COLOR_TYPE_RGB;
  rgb.rows = {{1, 2, 3, 250, 251, 252}};

  PngSpec rgba = grey;
  rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  rgba.rows = {{1, 2, 3, 4, 250, 251, 252, 253}};

  PngSpec palette = grey;
  palette.colorType = PNG_COLOR_TYPE_PALETTE;
  palette.palette = {{10, 20, 30}, {40, 50, 60}};
  palette.paletteAlpha = {0x40};
  palette.rows = {{1, 0}};

  PngSpec grey2Bit = grey;
  grey2Bit.bitDepth = 2;
  grey2Bit.rows = {{0x1C}};  // pixels 0 and 1 of 0..3: 00 01 -> 0x00, 0x55

  struct Case {
    const char* name;
    PngSpec spec;
    std::vector<uint32_t> expected;
  } cases[] = {
      {"grey", grey, {0xFF121212u, 0xFFF0F0F0u}},
      {"grey+alpha", greyAlpha, {0x80121212u, 0x00F0F0F0u}},
      {"rgb", rgb, {0xFF010203u, 0xFFFAFBFCu}},
      {"rgba", rgba, {0x04010203u, 0xFDFAFBFCu}},
      {"palette+tRNS", palette, {0xFF28323Cu, 0x400A141Eu}},
      {"grey 2-bit", grey2Bit, {0xFF000000u, 0xFF555555u}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImagePtr image = DecodeBytes(DecodePngImage, PngBytes(c.spec));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(image->pixels, c.expected);
  }
}

TEST(ImageLibPng, SixteenBitAndInterlacedFilesEqualTheirPlainTwins) {
  const uint32_t w = 13, h = 11;  // odd sizes leave some Adam7 passes partly empty
  std::vector<uint32_t> pixels = Pattern(w, h, 7);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (pixels[i] & 0xFFFFFF) | uint32_t(i * 37 % 256) << 24;

  PngSpec plain;
  plain.width = w;
  plain.height = h;
  plain.rows = RgbaRows(pixels, w, h);
  PngSpec interlaced = plain;
  interlaced.interlaced = true;
  PngSpec deep = plain;
  deep.bitDepth = 16;
  for (Bytes& row : deep.rows) {
    Bytes wide;
    for (uint8_t v : row) wide.insert(wide.end(), {v, uint8_t(v ^ 0x5A)});  // low byte is noise
    row = wide;
  }
  PngSpec deepInterlaced = deep;
  deepInterlaced.interlaced = true;

  for (const PngSpec* spec : {&plain, &interlaced, &deep, &deepInterlaced}) {
    ImagePtr image = DecodeBytes(DecodePngImage, PngBytes(*spec));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, pixels) << "depth " << spec->bitDepth << " interlaced " << spec->interlaced;
  }
}

TEST(ImageLibPng, FastPathMatchesTheSimplifiedReadReference) {
  std::vector<uint32_t> pixels = Pattern(40, 30, 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (pixels[i] & 0xFFFFFF) | uint32_t(i % 256) << 24;
  Bytes bytes = PngRgba(pixels, 40, 30);
  ImagePtr fast = DecodeBytes(DecodePngImage, bytes);
  ImagePtr reference = DecodeBytes(DecodePngImageReference, bytes);
  ASSERT_TRUE(fast);
  ASSERT_TRUE(reference);
  EXPECT_EQ(fast->pixels, reference->pixels);
  EXPECT_EQ(fast->pixels, pixels);
}

TEST(ImageLibPng, DamagedFilesAreRefused) {
  Bytes good = PngRgba(Pattern(8, 8), 8, 8);
  Bytes crc = good;
  crc[good.size() - 20] ^= 0x01;  // inside the last IDAT, whose CRC then fails
  EXPECT_FALSE(DecodeBytes(DecodePngImage, crc));

  PngSpec huge;
  huge.width = 1;
  huge.height = 1;
  huge.rows = {{1, 2, 3, 4}};
  Bytes hugeBytes = PngBytes(huge);
  // Rewrite the header's size to 100,000 x 100,000 with a valid CRC.
  for (int i = 0; i < 2; ++i) {
    uint32_t v = 100000;
    for (int b = 0; b < 4; ++b) hugeBytes[16 + 4 * i + b] = uint8_t(v >> (24 - 8 * b));
  }
  uint32_t c = uint32_t(crc32(0, hugeBytes.data() + 12, 17));
  for (int b = 0; b < 4; ++b) hugeBytes[29 + b] = uint8_t(c >> (24 - 8 * b));
  EXPECT_FALSE(DecodeBytes(DecodePngImage, hugeBytes));
  EXPECT_FALSE(DecodeBytes(DecodePngImageReference, hugeBytes));

  EXPECT_FALSE(DecodeBytes(DecodePngImage, Bytes()));
  EXPECT_FALSE(DecodeBytes(DecodePngImage, Bytes(good.begin(), good.begin() + 40)));
}

TEST(ImageLibJpeg, ColourFileDecodesWithinTolerance) {
  std::vector<uint32_t> pixels(16 * 16);
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 16; ++x) pixels[y * 16 + x] = 0xFF000000u | (x * 16) << 16 | (y * 16) << 8 | 0x80;
  Bytes bytes = JpegRgb(pixels, 16, 16, 100);
  ImagePtr image = DecodeBytes(DecodeJpegImage, bytes);
  ImagePtr reference = DecodeBytes(DecodeJpegImageReference, bytes);
  ASSERT_TRUE(image);
  ASSERT_TRUE(reference);
  EXPECT_EQ(image->pixels, reference->pixels);
  for (size_t i = 0; i < pixels.size(); ++i) ASSERT_LE(ChannelDistance(image->pixels[i], pixels[i]), 12) << i;
}

TEST(ImageLibJpeg, GreyAndCmykFilesGiveTheirColours) {
  JpegSpec grey;
  grey.width = 8;
  grey.height = 8;
  grey.components = 1;
  grey.inSpace = JCS_GRAYSCALE;
  grey.samples.assign(64, 0x60);

  // Stored inverted, as with an Adobe marker: 255 - ink. Pure red.
  JpegSpec cmyk;
  cmyk.width = 16;
  cmyk.height = 8;
  cmyk.components = 4;
  cmyk.inSpace = JCS_CMYK;
  for (int i = 0; i < 16 * 8; ++i) cmyk.samples.insert(cmyk.samples.end(), {255, 0, 0, 255});
  JpegSpec ycck = cmyk;
  ycck.fileSpace = JCS_YCCK;
  // Without the marker the values are plain ink amounts: cyan at half black.
  JpegSpec plainCmyk = cmyk;
  plainCmyk.adobeMarker = false;
  plainCmyk.samples.clear();
  for (int i = 0; i < 16 * 8; ++i) plainCmyk.samples.insert(plainCmyk.samples.end(), {255, 0, 0, 128});

  struct Case {
    const char* name;
    JpegSpec spec;
    uint32_t expected;
  } cases[] = {
      {"grey", grey, 0xFF606060u},
      {"cmyk", cmyk, 0xFFFF0000u},
      {"ycck", ycck, 0xFFFF0000u},
      {"cmyk without marker", plainCmyk, 0xFF007F7Fu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = JpegBytes(c.spec);
    ImagePtr image = DecodeBytes(DecodeJpegImage, bytes);
    ImagePtr reference = DecodeBytes(DecodeJpegImageReference, bytes);
    ASSERT_TRUE(image);
    ASSERT_TRUE(reference);
    EXPECT_EQ(image->width, int32_t(c.spec.width));
    EXPECT_EQ(image->height, int32_t(c.spec.height));
    EXPECT_EQ(image->pixels, reference->pixels);
    for (uint32_t p : image->pixels) ASSERT_LE(ChannelDistance(p, c.expected), 4) << std::hex << p;
  }
}

TEST(ImageLibJpeg, EmptyFileFailsButTruncatedFileStillGivesAnImage) {
  EXPECT_FALSE(DecodeBytes(DecodeJpegImage, Bytes()));
  Bytes bytes = JpegRgb(Pattern(64, 64), 64, 64);
  ImagePtr whole = DecodeBytes(DecodeJpegImage, bytes);
  ASSERT_TRUE(whole);
  Bytes truncated(bytes.begin(), bytes.begin() + long(bytes.size() * 2 / 3));
  ImagePtr image = DecodeBytes(DecodeJpegImage, truncated);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 64);
  EXPECT_EQ(image->height, 64);
  // The rows before the cut are those of the whole file.
  EXPECT_TRUE(std::equal(image->pixels.begin(), image->pixels.begin() + 64 * 8, whole->pixels.begin()));
}

TEST(ImageLibJpeg, OversizedHeaderIsRefused) {
  Bytes bytes = JpegRgb(Pattern(8, 8), 8, 8);
  // The SOF0 frame header holds height then width, big-endian.
  size_t sof = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  ASSERT_NE(sof, 0u);
  for (size_t at : {sof + 5, sof + 7}) {
    bytes[at] = 0xFF;
    bytes[at + 1] = 0xDC;  // 65,500
  }
  EXPECT_FALSE(DecodeBytes(DecodeJpegImage, bytes));
  EXPECT_FALSE(DecodeBytes(DecodeJpegImageReference, bytes));
}

// A grey progressive JPEG whose AC bands are sent one coefficient at a time,
// each refined bit by bit from `bits` down: about (bands + 1) * (bits + 1) scans.
Bytes ManyScanJpeg(int bands, int bits) {
  std::vector<jpeg_scan_info> script;
  auto scan = [&script](int ss, int se, int ah, int al) {
    jpeg_scan_info s{};
    s.comps_in_scan = 1;
    s.component_index[0] = 0;
    s.Ss = ss;
    s.Se = se;
    s.Ah = ah;
    s.Al = al;
    script.push_back(s);
  };
  for (int band = 0; band <= bands; ++band) {
    int last = band == bands ? 63 : band;  // the last band carries the rest
    int ss = band;
    scan(ss, band == 0 ? 0 : last, 0, bits);
    for (int al = bits - 1; al >= 0; --al) scan(ss, band == 0 ? 0 : last, al + 1, al);
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 8;
  cinfo.image_height = 8;
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  cinfo.scan_info = script.data();
  cinfo.num_scans = int(script.size());
  jpeg_start_compress(&cinfo, TRUE);
  uint8_t samples[64];
  for (int i = 0; i < 64; ++i) samples[i] = uint8_t(i * 4);
  while (cinfo.next_scanline < 8) {
    JSAMPROW row = samples + cinfo.next_scanline * 8;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

TEST(ImageLibJpeg, FilesWithHundredsOfScansAreRefused) {
  // Ten scans is what real progressive files have; 700 only costs time.
  ImagePtr normal = DecodeBytes(DecodeJpegImage, ManyScanJpeg(4, 1));
  ASSERT_TRUE(normal);
  EXPECT_EQ(normal->width, 8);
  EXPECT_FALSE(DecodeBytes(DecodeJpegImage, ManyScanJpeg(62, 10)));
}

}  // namespace
