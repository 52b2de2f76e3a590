// PNG and JPEG writers: bytes on disk, headers, round trips and failures.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;

namespace {

class ImageLibWrite : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/imagelib_write_XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    mDir = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + mDir + "'").c_str()); }

  static Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string mDir;
};

// Decodes a PNG with the plain library calls: the raw 8-bit RGBA samples.
struct RawPng {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_color_8 sbit{};
  bool hasSbit = false;
  Bytes samples;
};

RawPng ReadRawPng(const Bytes& bytes) {
  RawPng out;
  png_image check{};
  check.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&check, bytes.data(), bytes.size()));
  png_image_free(&check);

  struct Reader {
    const Bytes* bytes;
    size_t pos;
  } reader{&bytes, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFixtureError, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep data, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(p));
    if (r->pos + n > r->bytes->size()) png_error(p, "short");
    std::memcpy(data, r->bytes->data() + r->pos, n);
    r->pos += n;
  });
  png_read_info(png, info);
  png_get_IHDR(png, info, &out.width, &out.height, &out.bitDepth, &out.colorType, &out.interlace, nullptr, nullptr);
  png_color_8p sbit = nullptr;
  if (png_get_sBIT(png, info, &sbit) && sbit) {
    out.sbit = *sbit;
    out.hasSbit = true;
  }
  png_size_t rowBytes = png_get_rowbytes(png, info);
  out.samples.resize(rowBytes * out.height);
  for (png_uint_32 y = 0; y < out.height; ++y) png_read_row(png, out.samples.data() + y * rowBytes, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return out;
}

TEST_F(ImageLibWrite, PngHoldsStraightRgbaWithSignificantBits) {
  Image image(2, 1);
  image.pixels = {0x80FF0000u, 0x01020304u};
  std::string path = mDir + "/shot.png";
  ASSERT_TRUE(WritePngImage(path, image));
  RawPng raw = ReadRawPng(ReadFile(path));
  EXPECT_EQ(raw.width, 2u);
  EXPECT_EQ(raw.height, 1u);
  EXPECT_EQ(raw.bitDepth, 8);
  EXPECT_EQ(raw.colorType, PNG_COLOR_TYPE_RGB_ALPHA);
  EXPECT_EQ(raw.interlace, PNG_INTERLACE_NONE);
  ASSERT_TRUE(raw.hasSbit);
  EXPECT_EQ(raw.sbit.red, 8);
  EXPECT_EQ(raw.sbit.green, 8);
  EXPECT_EQ(raw.sbit.blue, 8);
  EXPECT_EQ(raw.sbit.alpha, 8);
  EXPECT_EQ(raw.samples, (Bytes{255, 0, 0, 128, 2, 3, 4, 1}));
}

TEST_F(ImageLibWrite, PngRoundTripIsExact) {
  Image image(37, 23);
  image.pixels = Pattern(37, 23, 9);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] ^= uint32_t(i * 131 % 256) << 24;
  std::string path = mDir + "/round.png";
  ASSERT_TRUE(WritePngImage(path, image));
  ImagePtr back = ReadPngImage(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 37);
  EXPECT_EQ(back->height, 23);
  EXPECT_EQ(back->pixels, image.pixels);
  // The loader finds it without the extension too.
  ImagePtr loaded = LoadImageFile(mDir + "/round", false);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->pixels, image.pixels);
}

TEST_F(ImageLibWrite, JpegDropsAlphaAndKeepsColour) {
  Image image(16, 16);
  image.pixels.assign(256, 0x80FF0000u);
  std::string path = mDir + "/thumb.jpg";
  ASSERT_TRUE(WriteJpegImage(path, image));

  Bytes bytes = ReadFile(path);
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  EXPECT_EQ(cinfo.num_components, 3);
  EXPECT_FALSE(cinfo.progressive_mode);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  Bytes row(16 * 3);
  JSAMPROW rowPointer = row.data();
  jpeg_read_scanlines(&cinfo, &rowPointer, 1);
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  EXPECT_GE(row[0], 250);
  EXPECT_LE(row[1], 5);
  EXPECT_LE(row[2], 5);

  ImagePtr back = ReadJpegImage(path);
  ASSERT_TRUE(back);
  EXPECT_LE(ChannelDistance(back->pixels[17], 0xFFFF0000u), 5);
}

TEST_F(ImageLibWrite, MissingFolderGivesFalseAndNoFile) {
  Image image(1, 1);
  image.pixels = {0xFFFFFFFFu};
  for (const std::string& path : {mDir + "/missing/shot.png", mDir + "/missing/shot.jpg"}) {
    bool png = path.back() == 'g' && path[path.size() - 2] == 'n';
    EXPECT_FALSE(png ? WritePngImage(path, image) : WriteJpegImage(path, image)) << path;
  }
  EXPECT_NE(access((mDir + "/missing").c_str(), F_OK), 0);
}

TEST_F(ImageLibWrite, EmptyImageIsNotWritten) {
  Image empty;
  EXPECT_FALSE(WritePngImage(mDir + "/empty.png", empty));
  EXPECT_FALSE(WriteJpegImage(mDir + "/empty.jpg", empty));
}

}  // namespace
