#include "platform/devices/SystemFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace Platform {

namespace {

// The FreeType library, face creation and destruction and fontconfig are
// not safe to call from two threads at once; everything that touches them
// outside one font's own faces goes through this lock.
std::mutex& LibraryLock() {
  static std::mutex lock;
  return lock;
}

// Guarded by LibraryLock.
FT_Library gLibrary = nullptr;
bool gFontconfigReady = false;
std::string gForcedFile;

bool EnsureLibraryLocked() {
  if (gLibrary == nullptr && FT_Init_FreeType(&gLibrary) != 0) {
    gLibrary = nullptr;
    return false;
  }
  return true;
}

bool EnsureFontconfigLocked() {
  if (!gFontconfigReady) {
    gFontconfigReady = FcInit() == FcTrue;
    // Its configuration and caches are returned at exit, so leak checkers
    // see only what the program itself loses.
    if (gFontconfigReady) std::atexit(FcFini);
  }
  return gFontconfigReady;
}

struct FaceEntry {
  FT_Face face = nullptr;
  std::string file;
  bool synthBold = false;
  bool synthOblique = false;
};

bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F; }

}  // namespace

struct SystemFontData {
  SystemFontRequest request;
  std::mutex lock;  // the faces and caches below
  FaceEntry primary;
  std::vector<FaceEntry> fallbacks;
  std::unordered_map<char32_t, int> faceForChar;  // -1 primary, else fallback index
  std::unordered_map<char32_t, int> advances;
  SystemFontMetrics metrics;
  int underlineTop = 0;
  int underlineThickness = 0;
};

namespace {

// Opens a face at the font's size and decides what must be synthesised.
// Caller holds LibraryLock.
bool OpenFaceLocked(const std::string& file, int index, const SystemFontRequest& request, FaceEntry* entry) {
  if (!EnsureLibraryLocked()) return false;
  FT_Face face = nullptr;
  if (FT_New_Face(gLibrary, file.c_str(), index, &face) != 0) return false;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(request.emPixels)) != 0) {
    FT_Done_Face(face);
    return false;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  entry->face = face;
  entry->file = file;
  entry->synthBold = request.bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  entry->synthOblique = request.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
  return true;
}

void CloseFaceLocked(FaceEntry* entry) {
  if (entry->face != nullptr) FT_Done_Face(entry->face);
  entry->face = nullptr;
}

// The pattern that asks fontconfig for the weight and slant of the request.
FcPattern* RequestPattern(const SystemFontRequest& request) {
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return nullptr;
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(request.bold ? 700 : 400));
  FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  return pattern;
}

// File and index of fontconfig's best match; false when it has none.
// Caller holds LibraryLock.
bool MatchLocked(FcPattern* pattern, std::string* file, int* index, char32_t mustHave) {
  if (pattern == nullptr) return false;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match != nullptr) {
    FcChar8* path = nullptr;
    int faceIndex = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
      FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
      found = true;
      if (mustHave != 0) {
        FcCharSet* charset = nullptr;
        found = FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch && charset != nullptr &&
                FcCharSetHasChar(charset, mustHave) == FcTrue;
      }
      if (found) {
        *file = reinterpret_cast<const char*>(path);
        *index = faceIndex;
      }
    }
    FcPatternDestroy(match);
  }
  return found;
}

bool OpenPrimaryLocked(SystemFontData* font) {
  const SystemFontRequest& request = font->request;
  if (!gForcedFile.empty()) return OpenFaceLocked(gForcedFile, 0, request, &font->primary);
  if (EnsureFontconfigLocked()) {
    FcPattern* pattern = RequestPattern(request);
    std::string file;
    int index = 0;
    bool matched = false;
    if (pattern != nullptr) {
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.face.c_str()));
      matched = MatchLocked(pattern, &file, &index, 0);
      FcPatternDestroy(pattern);
    }
    if (matched && OpenFaceLocked(file, index, request, &font->primary)) return true;
  }
  return OpenFaceLocked(kDejaVuSansFile, 0, request, &font->primary);
}

// The face that draws c: the primary one when it has the glyph, else a face
// fontconfig finds for it (kept for the font's life), else the primary one.
// Caller holds the font's lock.
FaceEntry& FaceFor(SystemFontData* font, char32_t c) {
  auto known = font->faceForChar.find(c);
  if (known != font->faceForChar.end())
    return known->second < 0 ? font->primary : font->fallbacks[static_cast<size_t>(known->second)];
  int chosen = -1;
  if (FT_Get_Char_Index(font->primary.face, c) == 0) {
    for (size_t i = 0; i < font->fallbacks.size() && chosen < 0; ++i)
      if (FT_Get_Char_Index(font->fallbacks[i].face, c) != 0) chosen = static_cast<int>(i);
    if (chosen < 0) {
      std::lock_guard<std::mutex> library(LibraryLock());
      if (gForcedFile.empty() && EnsureFontconfigLocked()) {
        FcPattern* pattern = RequestPattern(font->request);
        FcCharSet* charset = FcCharSetCreate();
        std::string file;
        int index = 0;
        bool matched = false;
        if (pattern != nullptr && charset != nullptr) {
          FcCharSetAddChar(charset, c);
          FcPatternAddCharSet(pattern, FC_CHARSET, charset);
          matched = MatchLocked(pattern, &file, &index, c);
        }
        if (charset != nullptr) FcCharSetDestroy(charset);
        if (pattern != nullptr) FcPatternDestroy(pattern);
        FaceEntry entry;
        if (matched && OpenFaceLocked(file, index, font->request, &entry)) {
          if (FT_Get_Char_Index(entry.face, c) != 0) {
            font->fallbacks.push_back(entry);
            chosen = static_cast<int>(font->fallbacks.size() - 1);
          } else {
            CloseFaceLocked(&entry);
          }
        }
      }
    }
  }
  font->faceForChar[c] = chosen;
  return chosen < 0 ? font->primary : font->fallbacks[static_cast<size_t>(chosen)];
}

// Loads c's glyph into its face's slot, hinted, with the synthesised weight
// and slant applied. Null when the face cannot load it.
FT_GlyphSlot LoadGlyph(FaceEntry& entry, char32_t c) {
  const FT_UInt index = FT_Get_Char_Index(entry.face, c);
  if (FT_Load_Glyph(entry.face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0 &&
      FT_Load_Glyph(entry.face, index, FT_LOAD_DEFAULT) != 0)
    return nullptr;
  FT_GlyphSlot slot = entry.face->glyph;
  if (entry.synthOblique && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Oblique(slot);
  if (entry.synthBold) FT_GlyphSlot_Embolden(slot);
  return slot;
}

// Hinted integer advance of c. Caller holds the font's lock.
int AdvanceLocked(SystemFontData* font, char32_t c) {
  if (IsControl(c)) return 0;
  auto known = font->advances.find(c);
  if (known != font->advances.end()) return known->second;
  FT_GlyphSlot slot = LoadGlyph(FaceFor(font, c), c);
  const int advance = slot == nullptr ? 0 : static_cast<int>((slot->advance.x + 32) >> 6);
  font->advances[c] = advance;
  return advance;
}

int CeilScaled(long units, int em, int unitsPerEm) {
  if (units <= 0 || unitsPerEm <= 0) return 0;
  const long long n = static_cast<long long>(units) * em;
  return static_cast<int>((n + unitsPerEm - 1) / unitsPerEm);
}

int RoundScaled(long units, int em, int unitsPerEm) {
  if (unitsPerEm <= 0) return 0;
  const long long n = static_cast<long long>(units) * em;
  const long long half = unitsPerEm / 2;
  return static_cast<int>(n >= 0 ? (n + half) / unitsPerEm : -((-n + half) / unitsPerEm));
}

void ComputeMetrics(SystemFontData* font) {
  FT_Face face = font->primary.face;
  const int em = font->request.emPixels;
  const int upem = face->units_per_EM;
  long ascentUnits = face->ascender;
  long descentUnits = -face->descender;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFFu && os2->usWinAscent + os2->usWinDescent > 0) {
    ascentUnits = os2->usWinAscent;
    descentUnits = os2->usWinDescent;
  }
  if (upem > 0) {
    font->metrics.ascent = CeilScaled(ascentUnits, em, upem);
    font->metrics.descent = CeilScaled(descentUnits, em, upem);
    font->underlineThickness = std::max(1, RoundScaled(face->underline_thickness, em, upem));
    // The position is the centre of the bar, negative below the baseline.
    font->underlineTop =
        font->metrics.ascent + RoundScaled(-face->underline_position, em, upem) - font->underlineThickness / 2;
  } else {
    font->metrics.ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    font->metrics.descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    font->underlineThickness = 1;
    font->underlineTop = font->metrics.ascent + 1;
  }
  font->metrics.height = font->metrics.ascent + font->metrics.descent;
}

std::u32string CodePoints(const std::wstring& text) {
  std::u32string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(static_cast<char32_t>(static_cast<uint32_t>(c)));
  return out;
}

int WidestLineLocked(SystemFontData* font, const std::u32string& text) {
  int widest = 0;
  int line = 0;
  for (char32_t c : text) {
    if (c == U'\n') {
      widest = std::max(widest, line);
      line = 0;
      continue;
    }
    line += AdvanceLocked(font, c);
  }
  return std::max(widest, line);
}

}  // namespace

int PointsToEmPixels(int points, int dpi) {
  const long long n = static_cast<long long>(points) * dpi;
  long long q = n / 72;
  const long long r = n % 72;
  if (2 * std::llabs(r) >= 72) q += n < 0 ? -1 : 1;
  return static_cast<int>(q);
}

SystemFontHandle CreateSystemFont(const SystemFontRequest& request) {
  if (request.emPixels <= 0 || request.emPixels > 4096) return nullptr;
  auto* font = new SystemFontData;
  font->request = request;
  bool opened;
  {
    std::lock_guard<std::mutex> library(LibraryLock());
    opened = OpenPrimaryLocked(font);
  }
  if (!opened) {
    delete font;
    return nullptr;
  }
  ComputeMetrics(font);
  return font;
}

SystemFontHandle CloneSystemFont(SystemFontHandle font) {
  if (font == nullptr) return nullptr;
  return CreateSystemFont(font->request);
}

void DestroySystemFont(SystemFontHandle font) {
  if (font == nullptr) return;
  {
    std::lock_guard<std::mutex> library(LibraryLock());
    CloseFaceLocked(&font->primary);
    for (FaceEntry& entry : font->fallbacks) CloseFaceLocked(&entry);
  }
  delete font;
}

SystemFontMetrics GetSystemFontMetrics(SystemFontHandle font) {
  return font == nullptr ? SystemFontMetrics{} : font->metrics;
}

SystemFontRequest GetSystemFontRequest(SystemFontHandle font) {
  return font == nullptr ? SystemFontRequest{} : font->request;
}

bool SystemFontHasNativeBold(SystemFontHandle font) {
  return font != nullptr && (font->primary.face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
}

std::string SystemFontFile(SystemFontHandle font) { return font == nullptr ? std::string() : font->primary.file; }

int MeasureSystemFontText(SystemFontHandle font, const std::wstring& text) {
  if (font == nullptr) return 0;
  const std::u32string points = CodePoints(text);
  std::lock_guard<std::mutex> guard(font->lock);
  return WidestLineLocked(font, points);
}

CoverageMask RenderSystemFontText(SystemFontHandle font, const std::wstring& text) {
  CoverageMask mask;
  if (font == nullptr) return mask;
  const std::u32string points = CodePoints(text);
  std::lock_guard<std::mutex> guard(font->lock);
  mask.width = WidestLineLocked(font, points);
  mask.height = font->metrics.height;
  mask.ascent = font->metrics.ascent;
  if (mask.width <= 0 || mask.height <= 0) {
    mask.width = std::max(mask.width, 0);
    return mask;
  }
  mask.coverage.assign(static_cast<size_t>(mask.width) * static_cast<size_t>(mask.height), 0);

  int pen = 0;
  for (char32_t c : points) {
    if (IsControl(c)) continue;
    const int advance = AdvanceLocked(font, c);
    FT_GlyphSlot slot = LoadGlyph(FaceFor(font, c), c);
    if (slot != nullptr && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
      const FT_Bitmap& bitmap = slot->bitmap;
      const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
      if (mono || bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        const int left = pen + slot->bitmap_left;
        const int top = mask.ascent - slot->bitmap_top;
        for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
          const int y = top + row;
          if (y < 0 || y >= mask.height) continue;
          const uint8_t* src = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
          uint8_t* dst = mask.coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(mask.width);
          for (int col = 0; col < static_cast<int>(bitmap.width); ++col) {
            const int x = left + col;
            if (x < 0 || x >= mask.width) continue;
            const int value = mono ? (((src[col >> 3] >> (7 - (col & 7))) & 1) != 0 ? 255 : 0) : src[col];
            // Neighbouring glyphs may overlap by a pixel: keep the stronger ink.
            if (value > dst[x]) dst[x] = static_cast<uint8_t>(value);
          }
        }
      }
    }
    pen += advance;
  }

  if (font->request.underline) {
    for (int y = font->underlineTop; y < font->underlineTop + font->underlineThickness; ++y) {
      if (y < 0 || y >= mask.height) continue;
      std::fill_n(mask.coverage.begin() + static_cast<ptrdiff_t>(y) * mask.width, mask.width, uint8_t{255});
    }
  }
  return mask;
}

namespace {

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    while (((m >> shift) & 1u) == 0) ++shift;
    max = m >> shift;
  }
  uint32_t Blend(uint32_t pixel, uint32_t source8, uint32_t coverage) const {
    if (max == 0) return 0;
    const uint32_t current8 = ((pixel & mask) >> shift) * 255u / max;
    const uint32_t out8 = (source8 * coverage + current8 * (255u - coverage) + 127u) / 255u;
    return ((out8 * max + 127u) / 255u) << shift;
  }
};

}  // namespace

void BlendCoverageIntoSurface(const CoverageMask& mask, int left, int top, uint32_t rgb,
                              const NativeSurfaceView& surface, int clipX, int clipY, int clipWidth, int clipHeight) {
  if (surface.pixels == nullptr || (surface.bitsPerPixel != 16 && surface.bitsPerPixel != 32)) return;
  if (mask.width <= 0 || mask.height <= 0) return;
  const int x0 = std::max({left, clipX, 0});
  const int y0 = std::max({top, clipY, 0});
  const long long x1 = std::min<long long>(
      {static_cast<long long>(left) + mask.width, static_cast<long long>(clipX) + clipWidth, surface.width});
  const long long y1 = std::min<long long>(
      {static_cast<long long>(top) + mask.height, static_cast<long long>(clipY) + clipHeight, surface.height});
  const Channel red(surface.redMask), green(surface.greenMask), blue(surface.blueMask);
  const uint32_t colorMask = surface.redMask | surface.greenMask | surface.blueMask;
  const uint32_t r8 = (rgb >> 16) & 0xFF, g8 = (rgb >> 8) & 0xFF, b8 = rgb & 0xFF;
  for (int y = y0; y < y1; ++y) {
    uint8_t* row = surface.pixels + static_cast<ptrdiff_t>(y) * surface.pitch;
    for (int x = x0; x < x1; ++x) {
      const uint32_t coverage = mask.At(x - left, y - top);
      if (coverage == 0) continue;
      uint32_t pixel;
      if (surface.bitsPerPixel == 16) {
        pixel = reinterpret_cast<uint16_t*>(row)[x];
      } else {
        pixel = reinterpret_cast<uint32_t*>(row)[x];
      }
      const uint32_t blended = (pixel & ~colorMask) | red.Blend(pixel, r8, coverage) |
                               green.Blend(pixel, g8, coverage) | blue.Blend(pixel, b8, coverage);
      if (surface.bitsPerPixel == 16) {
        reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(blended);
      } else {
        reinterpret_cast<uint32_t*>(row)[x] = blended;
      }
    }
  }
}

void ForceSystemFontFile(const std::string& path) {
  std::lock_guard<std::mutex> library(LibraryLock());
  gForcedFile = path;
}

}  // namespace Platform
