#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "display/demo/WindowDump.h"
#include "tests/support/temp_folder.h"

namespace {

struct DumpLayout {
  uint32_t width = 3, height = 2;
  uint32_t bitsPerPixel = 32;
  uint32_t bytesPerLine = 12;
  uint32_t byteOrder = 0;  // 0: least significant byte first
  uint32_t colours = 0;
  uint32_t pixelBytes = 24;  // written after the header and colour table
};

void PutBigEndian(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

// A dump whose pixel bytes count up from 0 (byte i of the pixels is i).
std::string MakeDump(const DumpLayout& layout) {
  constexpr uint32_t kHeader = 100;
  std::string bytes(kHeader + layout.colours * 12u, '\0');
  PutBigEndian(bytes, 0, kHeader);
  PutBigEndian(bytes, 16, layout.width);
  PutBigEndian(bytes, 20, layout.height);
  PutBigEndian(bytes, 28, layout.byteOrder);
  PutBigEndian(bytes, 44, layout.bitsPerPixel);
  PutBigEndian(bytes, 48, layout.bytesPerLine);
  PutBigEndian(bytes, 76, layout.colours);
  for (uint32_t i = 0; i < layout.pixelBytes; ++i) bytes.push_back(static_cast<char>(i));
  return bytes;
}

}  // namespace

// The area comes out row by row, opaque, in either byte order, with the
// colour table skipped and each row found by its declared length.
TEST(WindowDump, ReadsTheAreaInEitherByteOrder) {
  TempFolder folder("window-dump");
  DumpLayout layout;
  layout.colours = 2;
  layout.bytesPerLine = 16;  // a padded row: 3 pixels and 4 spare bytes
  layout.pixelBytes = 32;
  struct Case {
    uint32_t byteOrder;
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      {0, {0xFF060504u, 0xFF0A0908u, 0xFF161514u, 0xFF1A1918u}},
      {1, {0xFF050607u, 0xFF090A0Bu, 0xFF151617u, 0xFF191A1Bu}},
  };
  for (const Case& c : cases) {
    layout.byteOrder = c.byteOrder;
    const std::string path = folder.Write("dump" + std::to_string(c.byteOrder), MakeDump(layout));
    std::vector<uint32_t> pixels;
    std::string error;
    ASSERT_TRUE(Kivo::ReadWindowDumpArea(path, 1, 0, 2, 2, &pixels, &error)) << error;
    EXPECT_EQ(pixels, c.expected) << "byte order " << c.byteOrder;
  }
}

// A dump that does not hold what its header declares, and an area outside
// it, are refused before any pixel is read.
TEST(WindowDump, RefusesLayoutsAndAreasThatDoNotFit) {
  TempFolder folder("window-dump");
  struct Case {
    const char* name;
    DumpLayout layout;
    int x0, y0, w, h;
  };
  DumpLayout shortRows;
  shortRows.bytesPerLine = 4;  // rows shorter than their 3 pixels: reads past the file
  shortRows.pixelBytes = 8;
  DumpLayout depth24;
  depth24.bitsPerPixel = 24;
  DumpLayout cut;
  cut.pixelBytes = 20;  // the last row cut short
  DumpLayout hugeTable;
  hugeTable.colours = 0xFFFFFFFFu;  // a colour table past the end of the file
  hugeTable.pixelBytes = 0;
  DumpLayout fits;
  const Case cases[] = {
      {"short rows", shortRows, 0, 0, 3, 2},
      {"depth 24", depth24, 0, 0, 3, 2},
      {"cut", cut, 0, 0, 3, 2},
      {"colour table", hugeTable, 0, 0, 1, 1},
      {"right of it", fits, 1, 0, 3, 1},
      {"below it", fits, 0, 1, 1, 2},
      {"left of it", fits, -1, 0, 1, 1},
      {"empty", fits, 0, 0, 0, 1},
      {"past the largest int", fits, INT_MAX - 1, 0, 3, 1},
  };
  for (const Case& c : cases) {
    std::string bytes = MakeDump(c.layout);
    const std::string path = folder.Write(c.name, bytes);
    std::vector<uint32_t> pixels;
    std::string error;
    EXPECT_FALSE(Kivo::ReadWindowDumpArea(path, c.x0, c.y0, c.w, c.h, &pixels, &error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
  std::vector<uint32_t> pixels;
  std::string error;
  EXPECT_FALSE(Kivo::ReadWindowDumpArea(folder / "missing", 0, 0, 1, 1, &pixels, &error));
  EXPECT_NE(error.find("missing or short"), std::string::npos) << error;
}
