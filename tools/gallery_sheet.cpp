// gallery_sheet FOLDER OUT.png [FONT.ttf]: the contact sheet of a gallery
// (tools/gallery): every PNG of FOLDER but OUT, by name, as a quarter-size
// thumbnail with its name below, five to a row, on a dark grey ground.
// Exit code 0 when the sheet is written, 1 when a frame cannot be read or
// the sheet cannot be written, 2 on wrong usage.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace {

constexpr int kScale = 4;
constexpr int kColumns = 5;
constexpr int kGap = 8;
constexpr int kCaption = 18;
constexpr uint32_t kGround = 0xFF303030;

// Averages each kScale x kScale block: the thumbnail stays readable.
void Thumbnail(const Kivo::ImageLib::Image& frame, Kivo::ImageLib::Image& sheet, int left, int top) {
  const int w = frame.width / kScale, h = frame.height / kScale;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      unsigned sum[3] = {0, 0, 0};
      for (int dy = 0; dy < kScale; ++dy) {
        for (int dx = 0; dx < kScale; ++dx) {
          const uint32_t p = frame.pixels[size_t(y * kScale + dy) * size_t(frame.width) + size_t(x * kScale + dx)];
          sum[0] += (p >> 16) & 0xFF;
          sum[1] += (p >> 8) & 0xFF;
          sum[2] += p & 0xFF;
        }
      }
      const unsigned n = kScale * kScale;
      const int sx = left + x, sy = top + y;
      if (sx < 0 || sy < 0 || sx >= sheet.width || sy >= sheet.height) continue;
      sheet.pixels[size_t(sy) * size_t(sheet.width) + size_t(sx)] =
          0xFF000000u | ((sum[0] / n) << 16) | ((sum[1] / n) << 8) | (sum[2] / n);
    }
  }
}

// White text, its baseline at y, blended by the glyphs' coverage.
void Caption(FT_Face face, const std::string& text, Kivo::ImageLib::Image& sheet, int x, int y, int maxWidth) {
  const int right = x + maxWidth;
  for (unsigned char c : text) {
    if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    if (x + static_cast<int>(g->advance.x >> 6) > right) break;
    for (unsigned row = 0; row < g->bitmap.rows; ++row) {
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        const int px = x + g->bitmap_left + static_cast<int>(col);
        const int py = y - g->bitmap_top + static_cast<int>(row);
        if (px < 0 || py < 0 || px >= sheet.width || py >= sheet.height) continue;
        const unsigned a = g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col];
        uint32_t& p = sheet.pixels[size_t(py) * size_t(sheet.width) + size_t(px)];
        auto mix = [a](unsigned under) { return (under * (255 - a) + 255 * a) / 255; };
        p = 0xFF000000u | (mix((p >> 16) & 0xFF) << 16) | (mix((p >> 8) & 0xFF) << 8) | mix(p & 0xFF);
      }
    }
    x += static_cast<int>(g->advance.x >> 6);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: gallery_sheet FOLDER OUT.png [FONT.ttf]\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path out = fs::absolute(argv[2]);
  const std::string font = argc == 4 ? argv[3] : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  std::vector<fs::path> frames;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(argv[1], error)) {
    if (entry.path().extension() == ".png" && fs::absolute(entry.path()) != out) frames.push_back(entry.path());
  }
  if (error) {
    std::fprintf(stderr, "gallery_sheet: %s cannot be listed\n", argv[1]);
    return 1;
  }
  std::sort(frames.begin(), frames.end());
  int cellWidth = 200, cellHeight = 150;
  std::vector<Kivo::ImageLib::ImagePtr> images;
  for (const fs::path& path : frames) {
    images.push_back(Kivo::ImageLib::ReadPngImage(path.string()));
    if (!images.back()) {
      std::fprintf(stderr, "gallery_sheet: %s cannot be read\n", path.c_str());
      return 1;
    }
    cellWidth = std::max(cellWidth, images.back()->width / kScale);
    cellHeight = std::max(cellHeight, images.back()->height / kScale);
  }
  const int rows = std::max<int>(1, static_cast<int>((frames.size() + kColumns - 1) / kColumns));
  Kivo::ImageLib::Image sheet(kGap + kColumns * (cellWidth + kGap), kGap + rows * (cellHeight + kCaption + kGap));
  std::fill(sheet.pixels.begin(), sheet.pixels.end(), kGround);
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  const bool captions = FT_Init_FreeType(&library) == 0 && FT_New_Face(library, font.c_str(), 0, &face) == 0 &&
                        FT_Set_Pixel_Sizes(face, 0, 12) == 0;
  if (!captions) std::fprintf(stderr, "gallery_sheet: no captions, %s cannot be used\n", font.c_str());
  for (size_t i = 0; i < frames.size(); ++i) {
    const int left = kGap + static_cast<int>(i % kColumns) * (cellWidth + kGap);
    const int top = kGap + static_cast<int>(i / kColumns) * (cellHeight + kCaption + kGap);
    Thumbnail(*images[i], sheet, left, top);
    if (captions) Caption(face, frames[i].stem().string(), sheet, left, top + cellHeight + 13, cellWidth);
  }
  if (face != nullptr) FT_Done_Face(face);
  if (library != nullptr) FT_Done_FreeType(library);
  if (!Kivo::ImageLib::WritePngImage(out.string(), sheet)) {
    std::fprintf(stderr, "gallery_sheet: %s cannot be written\n", out.c_str());
    return 1;
  }
  std::printf("contact sheet: %zu frames\n", frames.size());
  return 0;
}
