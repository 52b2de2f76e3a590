// Fonts of the operating system, over FreeType and fontconfig: what the
// framework's system font asks of the platform's font services. One font is
// made by face name, em size in pixels, weight, slant and underline; it
// answers its vertical metrics, measures text and renders it as an 8-bit
// coverage mask, which callers blend into their own pixels.
//
// Face choice: fontconfig matches the family, weight and slant; when that
// fails, DejaVu Sans. Glyphs the face lacks come from another face that
// fontconfig finds for the character, so any script installed draws. Bold
// and oblique are synthesised when the chosen face has none. The character
// set argument exists for the callers' sake and is ignored.
//
// Widths are sums of hinted integer advances without pair kerning, so a
// string is exactly as wide as its characters added up; "\n" (or "\r\n")
// splits lines and the widest line counts; other control characters take no
// room.
//
// Failure: a face that cannot be loaded gives a null handle, and every query
// on a null handle answers zero or an empty mask; nothing throws or crashes.
//
// Threads: fonts may be created, used and destroyed on any thread. One lock
// guards the FreeType library, face creation and destruction and every
// fontconfig call; each font has a lock of its own for its faces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

struct SystemFontData;
using SystemFontHandle = SystemFontData*;

struct SystemFontMetrics {
  int ascent = 0;   // OS/2 win ascent (hhea ascender when absent), rounded up
  int descent = 0;  // OS/2 win descent (hhea descender when absent), rounded up
  int height = 0;   // ascent + descent
};

// What a font was asked for, as kept by the handle (clones are made from it).
struct SystemFontRequest {
  std::string face;  // UTF-8 family name
  int emPixels = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int charset = 0;
};

// An 8-bit coverage mask: width * height bytes, row by row, 0 no ink, 255
// fully covered. The baseline lies at row `ascent`.
struct CoverageMask {
  int width = 0;
  int height = 0;
  int ascent = 0;
  std::vector<uint8_t> coverage;
  uint8_t At(int x, int y) const {
    return coverage[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// Points to em pixels at the given dots per inch: points * dpi / 72 with the
// quotient rounded half away from zero (8, 9, 10, 12, 14 points at 96 dpi give
// 11, 12, 13, 16, 19).
int PointsToEmPixels(int points, int dpi);

// Null when no face can be loaded or the size is not positive.
SystemFontHandle CreateSystemFont(const SystemFontRequest& request);
// A new font made from the same request; null for a null handle.
SystemFontHandle CloneSystemFont(SystemFontHandle font);
// Null is fine.
void DestroySystemFont(SystemFontHandle font);

SystemFontMetrics GetSystemFontMetrics(SystemFontHandle font);
// The request the font was made from (empty for a null handle).
SystemFontRequest GetSystemFontRequest(SystemFontHandle font);
// Whether the face itself is bold (true) or the weight is synthesised.
bool SystemFontHasNativeBold(SystemFontHandle font);
// The file of the face in use (empty for a null handle).
std::string SystemFontFile(SystemFontHandle font);

// Width in pixels of the text: the widest of its lines.
int MeasureSystemFontText(SystemFontHandle font, const std::wstring& text);
// The text as coverage: MeasureSystemFontText wide, the font's height tall,
// grayscale antialiased, ink outside the box clipped. Characters are laid
// out on one line; control characters take no room.
CoverageMask RenderSystemFontText(SystemFontHandle font, const std::wstring& text);

// Blends colour (0x00RRGGBB) through the mask into 16- or 32-bit pixels in
// the given channel masks (alpha of the destination untouched), with the
// mask's top-left corner at (left, top) and only inside the clip rectangle
// (already limited to the surface by the caller). Other depths draw nothing.
struct NativeSurfaceView {
  uint8_t* pixels = nullptr;
  int pitch = 0;  // bytes per row
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
};
void BlendCoverageIntoSurface(const CoverageMask& mask, int left, int top, uint32_t rgb,
                              const NativeSurfaceView& surface, int clipX, int clipY, int clipWidth, int clipHeight);

// Test switch: while set, every font loads this file and fontconfig is not
// asked (per-glyph fallback stays inside the file). Empty restores matching.
void ForceSystemFontFile(const std::string& path);

// The file the test switch usually names.
constexpr const char* kDejaVuSansFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

}  // namespace Platform
