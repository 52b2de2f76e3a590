#include "display/demo/WindowDump.h"

#include <fstream>
#include <iterator>

namespace Kivo {

namespace {

uint32_t BigEndian32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         p[3];
}

// The header's fields read here all lie in its first 100 bytes.
constexpr std::size_t kHeaderBytes = 100;

}  // namespace

bool ReadWindowDumpArea(const std::string& path, int x0, int y0, int w, int h, std::vector<uint32_t>* out,
                        std::string* error) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < kHeaderBytes) {
    *error = "framebuffer file missing or short: " + path;
    return false;
  }
  const uint64_t headerSize = BigEndian32(&file[0]);
  const uint64_t width = BigEndian32(&file[16]);
  const uint64_t height = BigEndian32(&file[20]);
  const uint32_t byteOrder = BigEndian32(&file[28]);
  const uint32_t bitsPerPixel = BigEndian32(&file[44]);
  const uint64_t bytesPerLine = BigEndian32(&file[48]);
  const uint64_t colours = BigEndian32(&file[76]);
  // Each factor is below 2^32 and the sum below 2^37: no sum or product
  // here wraps.
  const uint64_t start = headerSize + colours * 12u;
  if (bitsPerPixel != 32 || bytesPerLine < width * 4u || start > file.size() ||
      bytesPerLine * height > file.size() - start) {
    *error = "the framebuffer's layout is unexpected: " + path;
    return false;
  }
  if (x0 < 0 || y0 < 0 || w <= 0 || h <= 0 || static_cast<uint64_t>(x0) + static_cast<uint64_t>(w) > width ||
      static_cast<uint64_t>(y0) + static_cast<uint64_t>(h) > height) {
    *error = "the area is not inside the framebuffer";
    return false;
  }
  out->assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned char* p =
          &file[start + static_cast<uint64_t>(y0 + y) * bytesPerLine + static_cast<uint64_t>(x0 + x) * 4u];
      const uint32_t v = byteOrder == 0 ? (static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                                           static_cast<uint32_t>(p[1]) << 8 | p[0])
                                        : BigEndian32(p);
      (*out)[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
          0xFF000000u | (v & 0xFFFFFFu);
    }
  }
  return true;
}

}  // namespace Kivo
