// screen_probe FBFILE FRAME.png X,Y,W,H [--save OUT.png] [--tol N] [--max-off PERMILLE]:
// checks what an X server shows (the framebuffer file of `Xvfb -fbdir`, a
// window dump of depth 24/32) against a frame the game saved headless, for
// the full-screen and window tests of the sdl2 backend.
// X,Y,W,H is the area the game's window covers on the screen. The frame is
// expected there scaled to fit, centred, its aspect kept, with black bars
// on the rest. Prints one line per check:
//   bars: every pixel of the area outside the fitted rectangle is black;
//   edges: the rows and columns 3 pixels inside the fitted rectangle are
//          mostly not black (the frame reaches them);
//   picture: the frame scaled to the rectangle (bilinear) matches the shown
//          pixels: at most PERMILLE (default 20) of them differ by more than
//          the tolerance (default 40) in a channel. Small moving parts such
//          as the cursor stay under that share.
//   near: with --near X,Y, the same comparison on the 48 x 48 frame pixels
//          right and below of frame point X,Y, where a drawn cursor's arrow
//          is: at most PERMILLE of them may differ there too.
// --save writes the area as a PNG, for a look by hand.
// Exit code 0 when all pass, 1 when one fails or a file cannot be read, 2
// on wrong usage.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/demo/WindowDump.h"
#include "resources/ImageLib.h"

namespace {

using Kivo::ImageLib::Image;

// The area of an X window dump of 32 bits per pixel as 0xFFRRGGBB.
bool ReadArea(const std::string& path, int x0, int y0, int w, int h, Image* out, std::string* error) {
  std::vector<uint32_t> pixels;
  if (!Kivo::ReadWindowDumpArea(path, x0, y0, w, h, &pixels, error)) return false;
  *out = Image(w, h);
  out->pixels = std::move(pixels);
  return true;
}

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

bool IsBlack(uint32_t c) { return Channel(c, 16) <= 8 && Channel(c, 8) <= 8 && Channel(c, 0) <= 8; }

// The frame's colour at a point of the fitted rectangle, bilinear between
// the four frame pixels around the point's centre.
uint32_t Sample(const Image& frame, double fx, double fy) {
  fx = std::min(std::max(fx - 0.5, 0.0), frame.width - 1.0);
  fy = std::min(std::max(fy - 0.5, 0.0), frame.height - 1.0);
  const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
  const int x1 = std::min(x0 + 1, frame.width - 1), y1 = std::min(y0 + 1, frame.height - 1);
  const double ax = fx - x0, ay = fy - y0;
  auto at = [&](int x, int y) { return frame.pixels[static_cast<size_t>(y) * frame.width + x]; };
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double top = Channel(at(x0, y0), shift) * (1 - ax) + Channel(at(x1, y0), shift) * ax;
    const double bottom = Channel(at(x0, y1), shift) * (1 - ax) + Channel(at(x1, y1), shift) * ax;
    out |= static_cast<uint32_t>(std::lround(top * (1 - ay) + bottom * ay)) << shift;
  }
  return out;
}

int Usage() {
  std::fprintf(stderr,
               "usage: screen_probe FBFILE FRAME.png X,Y,W,H [--save OUT.png] [--tol N] [--max-off PERMILLE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  int ax = 0, ay = 0, aw = 0, ah = 0;
  if (std::sscanf(argv[3], "%d,%d,%d,%d", &ax, &ay, &aw, &ah) != 4) return Usage();
  std::string save;
  int tolerance = 40, maxOff = 20;
  int nearX = -1, nearY = -1;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--save" && i + 1 < argc)
      save = argv[++i];
    else if (arg == "--tol" && i + 1 < argc)
      tolerance = std::atoi(argv[++i]);
    else if (arg == "--near" && i + 1 < argc && std::sscanf(argv[i + 1], "%d,%d", &nearX, &nearY) == 2)
      ++i;
    else if (arg == "--max-off" && i + 1 < argc)
      maxOff = std::atoi(argv[++i]);
    else
      return Usage();
  }
  Image shown;
  std::string error;
  if (!ReadArea(argv[1], ax, ay, aw, ah, &shown, &error)) {
    std::printf("FAIL %s\n", error.c_str());
    return 1;
  }
  if (!save.empty()) Kivo::ImageLib::WritePngImage(save, shown);
  Kivo::ImageLib::ImagePtr frame = Kivo::ImageLib::ReadPngImage(argv[2]);
  if (frame == nullptr || frame->width <= 0 || frame->height <= 0) {
    std::printf("FAIL cannot read %s\n", argv[2]);
    return 1;
  }
  // The fitted rectangle, rounded as the backend rounds it.
  const int64_t fw = frame->width, fh = frame->height;
  int rw = aw, rh = ah;
  if (int64_t(aw) * fh <= int64_t(ah) * fw)
    rh = static_cast<int>((fh * aw * 2 + fw) / (fw * 2));
  else
    rw = static_cast<int>((fw * ah * 2 + fh) / (fh * 2));
  const int rx = (aw - rw) / 2, ry = (ah - rh) / 2;
  std::printf("frame %dx%d shown at %d,%d %dx%d\n", frame->width, frame->height, ax + rx, ay + ry, rw, rh);
  auto px = [&](int x, int y) { return shown.pixels[static_cast<size_t>(y) * aw + x]; };
  bool ok = true;

  long lit = 0;
  for (int y = 0; y < ah; ++y)
    for (int x = 0; x < aw; ++x)
      if ((x < rx || x >= rx + rw || y < ry || y >= ry + rh) && !IsBlack(px(x, y))) ++lit;
  std::printf("%s bars: %ld pixels not black\n", lit == 0 ? "ok" : "FAIL", lit);
  ok = ok && lit == 0;

  // Each outer row and column of the rectangle holds something of the
  // frame: the picture reaches the rectangle's edges, no further.
  const int in = 3;  // frames may have a dark outermost line of their own
  const int edges[4][4] = {
      {rx, ry + in, rw, 1}, {rx, ry + rh - 1 - in, rw, 1}, {rx + in, ry, 1, rh}, {rx + rw - 1 - in, ry, 1, rh}};
  const char* names[4] = {"top", "bottom", "left", "right"};
  for (int e = 0; e < 4; ++e) {
    long count = 0;
    for (int y = edges[e][1]; y < edges[e][1] + edges[e][3]; ++y)
      for (int x = edges[e][0]; x < edges[e][0] + edges[e][2]; ++x)
        if (!IsBlack(px(x, y))) ++count;
    const long total = static_cast<long>(edges[e][2]) * edges[e][3];
    const bool filled = count * 2 >= total;
    std::printf("%s edge %s: %ld of %ld pixels drawn\n", filled ? "ok" : "FAIL", names[e], count, total);
    ok = ok && filled;
  }

  // Shown pixels of the rectangle against the scaled frame; frame area
  // x0, y0 to x1, y1 (excluded) only.
  auto compare = [&](double fx0, double fy0, double fx1, double fy1, long* off, long* total, double* sum) {
    const int sx0 = std::max(0, static_cast<int>(std::floor(fx0 * rw / frame->width)));
    const int sy0 = std::max(0, static_cast<int>(std::floor(fy0 * rh / frame->height)));
    const int sx1 = std::min(rw, static_cast<int>(std::ceil(fx1 * rw / frame->width)));
    const int sy1 = std::min(rh, static_cast<int>(std::ceil(fy1 * rh / frame->height)));
    *off = *total = 0;
    *sum = 0;
    for (int y = sy0; y < sy1; ++y)
      for (int x = sx0; x < sx1; ++x) {
        const uint32_t want = Sample(*frame, (x + 0.5) * frame->width / static_cast<double>(rw),
                                     (y + 0.5) * frame->height / static_cast<double>(rh));
        const uint32_t got = px(rx + x, ry + y);
        int worst = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
          const int d = std::abs(Channel(want, shift) - Channel(got, shift));
          worst = std::max(worst, d);
          *sum += d;
        }
        if (worst > tolerance) ++*off;
        ++*total;
      }
  };
  long off = 0, total = 0;
  double sum = 0;
  compare(0, 0, frame->width, frame->height, &off, &total, &sum);
  const bool matches = total > 0 && off * 1000 <= static_cast<long>(maxOff) * total;
  std::printf("%s picture: %ld of %ld pixels off by more than %d (mean difference %.2f)\n", matches ? "ok" : "FAIL",
              off, total, tolerance, total > 0 ? sum / (3.0 * total) : 0.0);
  ok = ok && matches;
  if (nearX >= 0) {
    compare(nearX, nearY, nearX + 48, nearY + 48, &off, &total, &sum);
    const bool same = total > 0 && off * 1000 <= static_cast<long>(maxOff) * total;
    std::printf("%s near %d,%d: %ld of %ld pixels off\n", same ? "ok" : "FAIL", nearX, nearY, off, total);
    ok = ok && same;
  }
  return ok ? 0 : 1;
}
