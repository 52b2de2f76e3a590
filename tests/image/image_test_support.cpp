#include "image_test_support.h"

#include <png.h>

#include <cstdio>

namespace KivoTest {

uint32_t Crc32(const uint32_t* words, size_t count) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; ++i) {
    for (int k = 0; k < 4; ++k) {
      crc ^= (words[i] >> (8 * k)) & 0xFF;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

bool WritePng(MemoryImage& image, const char* path) {
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(image.width) * 4);
  const uint32_t* p = image.GetBits();
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const uint32_t v = p[static_cast<size_t>(y) * image.width + x];
      row[x * 4 + 0] = (v >> 16) & 0xFF;
      row[x * 4 + 1] = (v >> 8) & 0xFF;
      row[x * 4 + 2] = v & 0xFF;
      row[x * 4 + 3] = v >> 24;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace KivoTest
