// frame_probe FRAME.png [--size WxH] [--tol N] CHECK...: tests pixels of a
// saved frame, for the end-to-end tests of the game. Checks:
//   X,Y=RRGGBB        the pixel is the colour, within the tolerance per channel
//   X,Y!=RRGGBB       it is not
//   X0,Y0,X1,Y1~RRGGBB:N   at least N pixels of the rectangle (X1, Y1
//                     excluded) are the colour
//   X0,Y0,X1,Y1@crc   prints the CRC-32 of the rectangle's pixels (red,
//                     green, blue bytes row by row) for the caller to pin
// One line per check; exit code 0 when all pass, 1 when one fails or the
// frame cannot be read, 2 on wrong usage.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <zlib.h>

#include "resources/ImageLib.h"

namespace {

bool Near(uint32_t pixel, uint32_t rgb, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>((pixel >> shift) & 0xFF);
    const int b = static_cast<int>((rgb >> shift) & 0xFF);
    if (std::abs(a - b) > tolerance) return false;
  }
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: frame_probe FRAME.png [--size WxH] [--tol N] X,Y=RRGGBB | X,Y!=RRGGBB | "
               "X0,Y0,X1,Y1~RRGGBB:N | X0,Y0,X1,Y1@crc ...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  Kivo::ImageLib::ImagePtr frame = Kivo::ImageLib::ReadPngImage(argv[1]);
  if (frame == nullptr) {
    std::printf("FAIL cannot read %s\n", argv[1]);
    return 1;
  }
  int tolerance = 2;
  bool allPassed = true;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--tol" && i + 1 < argc) {
      tolerance = std::atoi(argv[++i]);
      continue;
    }
    if (arg == "--size" && i + 1 < argc) {
      int w = 0;
      int h = 0;
      if (std::sscanf(argv[++i], "%dx%d", &w, &h) != 2) return Usage();
      const bool ok = frame->width == w && frame->height == h;
      std::printf("%s size %d x %d\n", ok ? "ok" : "FAIL", frame->width, frame->height);
      allPassed = allPassed && ok;
      continue;
    }
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0, minimum = 0;
    unsigned rgb = 0;
    char op[3] = {};
    bool ok = false;
    char tail[4] = {};
    if (std::sscanf(arg.c_str(), "%d,%d,%d,%d@%3s", &x0, &y0, &x1, &y1, tail) == 5 && std::string(tail) == "crc") {
      if (x0 < 0 || y0 < 0 || x1 > frame->width || y1 > frame->height || x0 >= x1 || y0 >= y1) return Usage();
      uLong crc = crc32(0L, Z_NULL, 0);
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
          const uint32_t pixel = frame->pixels[static_cast<size_t>(y) * frame->width + x];
          const Bytef bytes[3] = {static_cast<Bytef>(pixel >> 16), static_cast<Bytef>(pixel >> 8),
                                  static_cast<Bytef>(pixel)};
          crc = crc32(crc, bytes, 3);
        }
      }
      std::printf("crc %d,%d,%d,%d %08lX\n", x0, y0, x1, y1, crc);
      continue;
    }
    if (std::sscanf(arg.c_str(), "%d,%d,%d,%d~%x:%d", &x0, &y0, &x1, &y1, &rgb, &minimum) == 6) {
      int count = 0;
      for (int y = std::max(0, y0); y < std::min(y1, frame->height); ++y) {
        for (int x = std::max(0, x0); x < std::min(x1, frame->width); ++x) {
          if (Near(frame->pixels[static_cast<size_t>(y) * frame->width + x], rgb, tolerance)) ++count;
        }
      }
      ok = count >= minimum;
      std::printf("%s %s (%d pixels)\n", ok ? "ok" : "FAIL", arg.c_str(), count);
    } else if (std::sscanf(arg.c_str(), "%d,%d%2[!=]%x", &x0, &y0, op, &rgb) == 4) {
      if (x0 < 0 || y0 < 0 || x0 >= frame->width || y0 >= frame->height) return Usage();
      const uint32_t pixel = frame->pixels[static_cast<size_t>(y0) * frame->width + x0];
      ok = Near(pixel, rgb, tolerance) == (std::string(op) == "=");
      std::printf("%s %s (%06X)\n", ok ? "ok" : "FAIL", arg.c_str(), pixel & 0xFFFFFFu);
    } else {
      return Usage();
    }
    allPassed = allPassed && ok;
  }
  return allPassed ? 0 : 1;
}
