#include "ui/LegacyFont.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "image/MemoryImage.h"
#include "platform/Files.h"
#include "ui/FontData.h"

namespace Kivo {

namespace {

// The white space of the C scanner: space, tab, LF, VT, FF, CR.
bool IsScanSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

class Scanner {
 public:
  explicit Scanner(const std::string& text) : mText(text) {}

  void SkipSpace() {
    while (mPos < mText.size() && IsScanSpace(static_cast<unsigned char>(mText[mPos]))) ++mPos;
  }

  // "%d": optional white space, an optional sign, decimal digits. A value
  // beyond 32 bits saturates. False (nothing stored) without a digit.
  bool Int(int32_t& out) {
    SkipSpace();
    bool negative = false;
    if (mPos < mText.size() && (mText[mPos] == '-' || mText[mPos] == '+')) negative = mText[mPos++] == '-';
    int64_t value = 0;
    size_t digits = 0;
    while (mPos < mText.size() && mText[mPos] >= '0' && mText[mPos] <= '9') {
      if (value <= INT32_MAX) value = value * 10 + (mText[mPos] - '0');
      ++mPos;
      ++digits;
    }
    if (digits == 0) return false;
    if (negative) value = -value;
    out = static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : (value > INT32_MAX ? INT32_MAX : value));
    return true;
  }

  // "%1s": optional white space, then one byte that is not white space.
  bool Char(unsigned char& out) {
    SkipSpace();
    if (mPos >= mText.size()) return false;
    out = static_cast<unsigned char>(mText[mPos++]);
    return true;
  }

 private:
  const std::string& mText;
  size_t mPos = 0;
};

}  // namespace

bool ParseLegacyWidths(const std::string& text, LegacyWidths& out) {
  out = LegacyWidths();
  Scanner scan(text);
  if (!scan.Int(out.spaceWidth) || !scan.Int(out.ascent)) return false;
  unsigned char c;
  while (scan.Char(c)) {
    LegacyWidthEntry entry;
    entry.character = static_cast<wchar_t>(c);  // 0x80-0xFF as U+0080-U+00FF
    if (!scan.Int(entry.width)) entry.width = 0;
    out.entries.push_back(entry);
  }
  return true;
}

bool ReadLegacyWidthsFile(const std::string& path, LegacyWidths& out) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(Platform::OpenFile(path, "r"), &std::fclose);
  if (file == nullptr) return false;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
    if (static_cast<long>(text.size() + n) > kMaxLegacyWidthsFileSize) return false;
    text.append(buffer, n);
  }
  return ParseLegacyWidths(text, out);
}

bool FontData::LoadLegacy(MemoryImage* image, const std::string& widthsFile) {
  if (mInitialised || image == nullptr) return false;
  LegacyWidths widths;
  if (!ReadLegacyWidthsFile(widthsFile, widths)) return false;

  mLayers.emplace_back();
  FontLayer& layer = mLayers.back();
  layer.owner = this;
  mLayerNames[std::wstring()] = &layer;
  layer.image.SetUnsharedImage(image);
  layer.defaultHeight = image->height;
  layer.ascent = image->height;
  mDescriptorPath = widthsFile;

  // A negative width would move the pen backwards: it counts as 0.
  layer.GlyphForWrite(L' ').width = std::max<int32_t>(widths.spaceWidth, 0);
  layer.ascent = widths.ascent;
  mCharMap[L' '] = L' ';

  int64_t pen = 0;
  for (const LegacyWidthEntry& entry : widths.entries) {
    const int32_t w = std::max<int32_t>(entry.width, 0);
    FontGlyph& glyph = layer.GlyphForWrite(entry.character);
    // Rectangles past the image edge stay; drawing skips them.
    glyph.imageRect = Rect(static_cast<int32_t>(std::min<int64_t>(pen, INT32_MAX)), 0, w, image->height);
    glyph.width = w;
    mCharMap[entry.character] = entry.character;
    pen += w;
  }

  // A letter listed in one case only draws with the glyph of the other.
  for (wchar_t upper = L'A'; upper <= L'Z'; ++upper) {
    const wchar_t lower = upper - L'A' + L'a';
    if (layer.Glyph(upper).width == 0 && layer.Glyph(lower).width != 0) mCharMap[upper] = lower;
  }
  for (wchar_t lower = L'a'; lower <= L'z'; ++lower) {
    const wchar_t upper = lower - L'a' + L'A';
    if (layer.Glyph(lower).width == 0 && layer.Glyph(upper).width != 0) mCharMap[lower] = upper;
  }

  mInitialised = true;
  return true;
}

}  // namespace Kivo
