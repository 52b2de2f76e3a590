// PNG and JPEG writers. They write plain files (never into the archive):
// screenshots and the developer image dump. A library error leaves whatever
// was written so far and reports false.
//
// Both libraries report errors by longjmp; the functions that call setjmp
// hold no object with a destructor.
#include "resources/ImageLib.h"

#include <cstdio>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>

#include "resources/ImageLibFiles.h"

namespace Kivo {
namespace ImageLib {

namespace {

void PngWriteQuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWriteQuietWarning(png_structp, png_const_charp) {}

bool PngWriteAll(png_structp png, png_infop info, FILE* file, const Image& image) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_color_8 significant{};
  significant.red = 8;
  significant.green = 8;
  significant.blue = 8;
  significant.alpha = 8;
  png_set_sBIT(png, info, &significant);
  // Pixel words lie in memory as blue, green, red, alpha.
  png_set_bgr(png);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const uint32_t* pixels = image.pixels.data();
  for (int32_t y = 0; y < image.height; ++y) {
    // libpng does not change the row; its interface just lacks const.
    png_write_row(png, reinterpret_cast<png_const_bytep>(pixels + size_t(y) * size_t(image.width)));
  }
  png_write_end(png, nullptr);
  return true;
}

struct JpegWriteErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

void JpegWriteErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegWriteErrorManager*>(cinfo->err)->jump, 1); }

bool JpegWriteAll(jpeg_compress_struct& cinfo, JpegWriteErrorManager& error, FILE* file, const Image& image,
                  JSAMPLE* row) {
  if (setjmp(error.jump)) return false;
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = JDIMENSION(image.width);
  cinfo.image_height = JDIMENSION(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 80, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t width = size_t(image.width);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint32_t* src = image.pixels.data() + size_t(cinfo.next_scanline) * width;
    for (size_t x = 0; x < width; ++x) {
      row[x * 3 + 0] = JSAMPLE(src[x] >> 16);
      row[x * 3 + 1] = JSAMPLE(src[x] >> 8);
      row[x * 3 + 2] = JSAMPLE(src[x]);
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

bool ImageIsWritable(const Image& image) {
  return image.width > 0 && image.height > 0 && image.pixels.size() == size_t(image.width) * size_t(image.height);
}

}  // namespace

bool WritePngImage(const std::string& name, const Image& image) {
  if (!ImageIsWritable(image)) return false;
  FILE* file = OpenPlainFileForWriting(name);
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteQuietError, PngWriteQuietWarning);
  if (!png) {
    std::fclose(file);
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    return false;
  }
  bool written = PngWriteAll(png, info, file, image);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) written = false;
  return written;
}

bool WriteJpegImage(const std::string& name, const Image& image) {
  if (!ImageIsWritable(image)) return false;
  FILE* file = OpenPlainFileForWriting(name);
  if (!file) return false;
  jpeg_compress_struct cinfo{};
  JpegWriteErrorManager error{};
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = JpegWriteErrorExit;
  std::vector<JSAMPLE> row(size_t(image.width) * 3);
  bool written = JpegWriteAll(cinfo, error, file, image, row.data());
  jpeg_destroy_compress(&cinfo);
  if (std::fclose(file) != 0) written = false;
  return written;
}

}  // namespace ImageLib
}  // namespace Kivo
