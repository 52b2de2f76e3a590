// The legacy font pair: one image holding the glyphs side by side in a single
// row, and a narrow text file listing the width of each character.
//
// The widths file starts with two decimal numbers, the space width and the
// ascent, followed by entries "<character> <width>" separated by white space.
// Each character is one byte; bytes 0x80-0xFF stand for U+0080-U+00FF, as
// everywhere else text is widened. The glyphs lie in the image in the order
// of the file, each as wide as its width and as high as the image.
//
// Failures: a file that cannot be opened or holds fewer than the two header
// numbers fails the load (the font then draws nothing and measures 0). A
// negative width counts as 0; an entry without its number gets 0; glyphs that
// run past the image edge stay and draw nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Kivo {

struct LegacyWidthEntry {
  wchar_t character = 0;
  int32_t width = 0;
};

struct LegacyWidths {
  int32_t spaceWidth = 0;
  int32_t ascent = 0;
  std::vector<LegacyWidthEntry> entries;
};

// Files larger than this are refused before they are read.
constexpr long kMaxLegacyWidthsFileSize = 1 << 20;

// Scans the text of a widths file; false when the two header numbers are
// not both there.
bool ParseLegacyWidths(const std::string& text, LegacyWidths& out);

// Reads and scans a widths file from the file system (not the archive);
// false when it cannot be opened, is too large or fails to scan.
bool ReadLegacyWidthsFile(const std::string& path, LegacyWidths& out);

}  // namespace Kivo
