// make_font: renders the glyphs of a TrueType font with FreeType into the
// project's own bitmap fonts, so no outside font asset is shipped.
//
//   make_font <font.ttf> <pixels> <out-folder> [--chars <utf8-file>]
//
// Writes into the out folder:
//   font.png     white glyphs (alpha = coverage) side by side in one row
//   font.txt     a UTF-16LE descriptor with BOM: a fill layer and a shadow
//                layer that appears with the tag "shadow"
//   legacy.png   the printable ASCII glyphs, each cell as wide as its advance
//   legacy.txt   the widths file of the legacy pair
// The characters are printable ASCII, the Cyrillic letters (Ё and ё
// included) and every character of the --chars file. The same input gives
// the same bytes. Exits 1 on a font or output error, 2 on bad arguments.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace {

struct Glyph {
  uint32_t code = 0;
  int advance = 0;  // pixels
  int left = 0;     // bitmap left bearing
  int top = 0;      // bitmap top above the baseline
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> coverage;  // width x rows
};

int Usage() {
  std::fprintf(stderr, "usage: make_font <font.ttf> <pixels> <out-folder> [--chars <utf8-file>]\n");
  return 2;
}

// Decodes UTF-8; malformed bytes are skipped.
std::vector<uint32_t> DecodeUtf8(const std::string& bytes) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= bytes.size() + (extra == 0 ? 1 : 0)) {
      ++i;
      continue;
    }
    uint32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char c = static_cast<unsigned char>(bytes[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

// The descriptor text as UTF-16LE with a byte-order mark.
std::string Utf16Le(const std::vector<uint32_t>& text) {
  std::string out;
  auto unit = [&](uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  };
  unit(0xFEFF);
  for (uint32_t cp : text) {
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

void AppendAscii(std::vector<uint32_t>& text, const std::string& s) { text.insert(text.end(), s.begin(), s.end()); }

// Characters as a quoted text of the descriptor language, in the kind of
// quotes they do not contain (a quote of the same kind could not end the
// text). False when they hold both kinds.
bool CanQuote(const std::vector<uint32_t>& chars) {
  bool single = false, dbl = false;
  for (uint32_t c : chars) {
    single |= c == '\'';
    dbl |= c == '"';
  }
  return !(single && dbl);
}

void AppendQuoted(std::vector<uint32_t>& text, const std::vector<uint32_t>& chars) {
  bool anyDouble = false;
  for (uint32_t c : chars) anyDouble |= c == '"';
  const uint32_t q = anyDouble ? '\'' : '"';
  text.push_back(q);
  for (uint32_t c : chars) {
    // Inside quotes a backslash escapes the next character; the tokenizer
    // then keeps the second backslash.
    if (c == '\\') text.push_back('\\');
    text.push_back(c);
  }
  text.push_back(q);
}

bool RenderGlyph(FT_Face face, uint32_t code, Glyph& out) {
  if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return false;
  const FT_GlyphSlot slot = face->glyph;
  out.code = code;
  out.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  out.left = slot->bitmap_left;
  out.top = slot->bitmap_top;
  out.width = static_cast<int>(slot->bitmap.width);
  out.rows = static_cast<int>(slot->bitmap.rows);
  out.coverage.assign(static_cast<size_t>(out.width) * out.rows, 0);
  if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && out.width * out.rows > 0) return false;
  for (int y = 0; y < out.rows; ++y)
    for (int x = 0; x < out.width; ++x)
      out.coverage[static_cast<size_t>(y) * out.width + x] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
  return true;
}

uint32_t Pixel(uint8_t coverage) { return (uint32_t(coverage) << 24) | 0x00FFFFFFu; }

// Places a glyph's bitmap into the strip with its top-left at (x, y),
// clipped to the column range [clipLeft, clipRight).
void Blit(Kivo::ImageLib::Image& strip, const Glyph& g, int x, int y, int clipLeft, int clipRight) {
  for (int row = 0; row < g.rows; ++row) {
    const int ty = y + row;
    if (ty < 0 || ty >= strip.height) continue;
    for (int col = 0; col < g.width; ++col) {
      const int tx = x + col;
      if (tx < clipLeft || tx >= clipRight || tx < 0 || tx >= strip.width) continue;
      const uint8_t c = g.coverage[static_cast<size_t>(row) * g.width + col];
      uint32_t& p = strip.pixels[static_cast<size_t>(ty) * strip.width + tx];
      if ((p >> 24) < c) p = Pixel(c);
    }
  }
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string Decimal(long v) { return std::to_string(v); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 6) return Usage();
  const std::string fontPath = argv[1];
  const int pixels = std::atoi(argv[2]);
  const std::string outFolder = argv[3];
  std::string charsPath;
  if (argc == 6) {
    if (std::string(argv[4]) != "--chars") return Usage();
    charsPath = argv[5];
  }
  if (pixels < 4 || pixels > 256) {
    std::fprintf(stderr, "make_font: pixels must be 4 to 256\n");
    return 2;
  }

  // The character set, in code-point order.
  std::set<uint32_t> codes;
  for (uint32_t c = 32; c < 127; ++c) codes.insert(c);
  for (uint32_t c = 0x410; c <= 0x44F; ++c) codes.insert(c);
  codes.insert(0x401);  // Ё
  codes.insert(0x451);  // ё
  if (!charsPath.empty()) {
    std::ifstream in(charsPath, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "make_font: cannot read %s\n", charsPath.c_str());
      return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (uint32_t c : DecodeUtf8(bytes))
      if (c >= 32 && c != 0x7F && c != 0xFEFF) codes.insert(c);
  }

  FT_Library library;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "make_font: FreeType did not start\n");
    return 1;
  }
  FT_Face face;
  if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, pixels) != 0) {
    std::fprintf(stderr, "make_font: cannot open the font %s\n", fontPath.c_str());
    FT_Done_FreeType(library);
    return 1;
  }

  std::vector<Glyph> glyphs;
  int ascent = 0;
  int descent = 0;
  for (uint32_t code : codes) {
    Glyph g;
    if (!RenderGlyph(face, code, g)) {
      std::fprintf(stderr, "make_font: cannot render U+%04X\n", code);
      FT_Done_Face(face);
      FT_Done_FreeType(library);
      return 1;
    }
    if (g.rows > 0) {
      ascent = std::max(ascent, g.top);
      descent = std::max(descent, g.rows - g.top);
    }
    glyphs.push_back(std::move(g));
  }
  const int height = std::max(1, ascent + descent);

  // Kerning between every pair the font's table knows.
  std::vector<std::pair<std::vector<uint32_t>, long>> kerning;
  if (FT_HAS_KERNING(face)) {
    for (const Glyph& a : glyphs) {
      const FT_UInt ia = FT_Get_Char_Index(face, a.code);
      if (ia == 0 || a.code == ' ') continue;
      for (const Glyph& b : glyphs) {
        const FT_UInt ib = FT_Get_Char_Index(face, b.code);
        if (ib == 0 || b.code == ' ') continue;
        FT_Vector delta;
        if (FT_Get_Kerning(face, ia, ib, FT_KERNING_DEFAULT, &delta) != 0) continue;
        const long amount = (delta.x + (delta.x < 0 ? -32 : 32)) / 64;
        if (amount != 0 && CanQuote({a.code, b.code})) kerning.push_back({{a.code, b.code}, amount});
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  // The strip: each glyph's bitmap, one after another.
  int stripWidth = 0;
  for (const Glyph& g : glyphs) stripWidth += g.width;
  Kivo::ImageLib::Image strip(std::max(1, stripWidth), height);
  int x = 0;
  for (const Glyph& g : glyphs) {
    Blit(strip, g, x, ascent - g.top, x, x + g.width);
    x += g.width;
  }

  // The descriptor.
  std::vector<uint32_t> d;
  AppendAscii(d, "# Bitmap font rendered by make_font at " + Decimal(pixels) + " pixels.\r\n");
  AppendAscii(d, "Define Chars (");
  for (size_t i = 0; i < glyphs.size(); ++i) {
    if (i > 0) AppendAscii(d, i % 16 == 0 ? "\r\n  " : " ");
    AppendQuoted(d, {glyphs[i].code});
  }
  AppendAscii(d, ");\r\nCreateHorzSpanRectList Rects (0 0 0 " + Decimal(height) + ") (");
  for (size_t i = 0; i < glyphs.size(); ++i) AppendAscii(d, (i > 0 ? " " : "") + Decimal(glyphs[i].width));
  AppendAscii(d, ");\r\nSetDefaultPointSize " + Decimal(pixels) + ";\r\n");

  // Typographic characters the text may use fall back to plain ones.
  const std::pair<uint32_t, uint32_t> fallbacks[] = {{0xA0, ' '},   {0x2018, '\''}, {0x2019, '\''}, {0x201C, '"'},
                                                     {0x201D, '"'}, {0x2013, '-'},  {0x2014, '-'},  {0x2026, '.'}};
  std::vector<uint32_t> from, to;
  for (const auto& f : fallbacks) {
    if (codes.count(f.first) == 0) {
      from.push_back(f.first);
      to.push_back(f.second);
    }
  }
  AppendAscii(d, "SetCharMap (");
  for (size_t i = 0; i < from.size(); ++i) {
    if (i > 0) AppendAscii(d, " ");
    AppendQuoted(d, {from[i]});
  }
  AppendAscii(d, ") (");
  for (size_t i = 0; i < to.size(); ++i) {
    if (i > 0) AppendAscii(d, " ");
    AppendQuoted(d, {to[i]});
  }
  AppendAscii(d, ");\r\n\r\nCreateLayer Main;\r\nLayerSetImage Main 'font.png';\r\n");
  AppendAscii(d, "LayerSetImageMap Main Chars Rects;\r\nLayerSetCharWidths Main Chars (");
  for (size_t i = 0; i < glyphs.size(); ++i) AppendAscii(d, (i > 0 ? " " : "") + Decimal(glyphs[i].advance));
  AppendAscii(d, ");\r\nLayerSetCharOffsets Main Chars (");
  for (size_t i = 0; i < glyphs.size(); ++i)
    AppendAscii(d, std::string(i > 0 ? " " : "") + "(" + Decimal(glyphs[i].left) + " 0)");
  AppendAscii(d, ");\r\nLayerSetAscent Main " + Decimal(ascent) + ";\r\n");
  AppendAscii(d, "LayerSetKerningPairs Main (");
  for (size_t i = 0; i < kerning.size(); ++i) {
    if (i > 0) AppendAscii(d, i % 16 == 0 ? "\r\n  " : " ");
    AppendQuoted(d, kerning[i].first);
  }
  AppendAscii(d, ") (");
  for (size_t i = 0; i < kerning.size(); ++i) AppendAscii(d, (i > 0 ? " " : "") + Decimal(kerning[i].second));
  AppendAscii(d, ");\r\nLayerSetPointSize Main " + Decimal(pixels) + ";\r\nLayerPointRange Main 1 -1;\r\n\r\n");
  const int shadow = std::max(1, (pixels + 6) / 12);
  AppendAscii(d, "# Drawn under the fill when the font carries the tag \"shadow\".\r\n");
  AppendAscii(d, "CreateLayerFrom Shadow Main;\r\nLayerRequireTags Shadow ('shadow');\r\n");
  AppendAscii(d, "LayerSetBaseOrder Shadow -1;\r\nLayerSetOffset Shadow (" + Decimal(shadow) + " " + Decimal(shadow) +
                     ");\r\nLayerSetColorMult Shadow (0 0 0 0.7);\r\n");

  // The legacy pair: printable ASCII but the space, each cell its advance.
  std::vector<const Glyph*> legacy;
  int legacyWidth = 0;
  int spaceAdvance = 0;
  for (const Glyph& g : glyphs) {
    if (g.code == ' ') spaceAdvance = g.advance;
    if (g.code > ' ' && g.code < 127) {
      legacy.push_back(&g);
      legacyWidth += std::max(0, g.advance);
    }
  }
  Kivo::ImageLib::Image legacyStrip(std::max(1, legacyWidth), height);
  std::string widths = Decimal(spaceAdvance) + " " + Decimal(ascent) + "\n";
  x = 0;
  for (const Glyph* g : legacy) {
    const int cell = std::max(0, g->advance);
    Blit(legacyStrip, *g, x + g->left, ascent - g->top, x, x + cell);
    widths += std::string(1, static_cast<char>(g->code)) + " " + Decimal(cell) + "\n";
    x += cell;
  }

  std::error_code made;
  if (!outFolder.empty()) std::filesystem::create_directories(outFolder, made);
  if (made) {
    std::fprintf(stderr, "make_font: cannot create the folder %s: %s\n", outFolder.c_str(), made.message().c_str());
    return 1;
  }
  const std::string folder = outFolder.empty() || outFolder.back() == '/' ? outFolder : outFolder + "/";
  if (!Kivo::ImageLib::WritePngImage(folder + "font.png", strip) || !WriteFile(folder + "font.txt", Utf16Le(d)) ||
      !Kivo::ImageLib::WritePngImage(folder + "legacy.png", legacyStrip) || !WriteFile(folder + "legacy.txt", widths)) {
    std::fprintf(stderr, "make_font: cannot write into %s\n", outFolder.c_str());
    return 1;
  }
  std::printf("make_font: %zu glyphs, %d pixels high, %zu kerning pairs\n", glyphs.size(), height, kerning.size());
  return 0;
}
