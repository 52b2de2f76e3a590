// The font generator's output, loaded and drawn as the game loads its fonts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "resources/ImageLib.h"
#include "tests/support/temp_folder.h"
#include "ui/Graphics.h"
#include "ui/ImageFont.h"

namespace Kivo {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FontGenerator : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(MAKE_FONT_PATH) && defined(KIVO_DEJAVU_SANS)
    tool = MAKE_FONT_PATH;
    ttf = KIVO_DEJAVU_SANS;
#endif
    if (tool.empty() || ttf.empty() || !std::ifstream(ttf)) GTEST_SKIP() << "make_font or DejaVu Sans not available";
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    std::ofstream(folder / "chars.txt", std::ios::binary) << "Привет, World! «Ёж» — 5€\n";
  }
  // Runs the generator into a subfolder that does not exist yet (the tool
  // makes it); returns its path with a '/'.
  std::string Generate(const std::string& name) {
    const std::string out = folder / name;
    const std::string command =
        "'" + tool + "' '" + ttf + "' 18 '" + out + "' --chars '" + (folder / "chars.txt") + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return out + "/";
  }

  std::string tool, ttf;
  TempFolder folder;
};

// Pixels of the text drawn in white on a transparent 320 by 48 image.
std::vector<uint32_t> Render(ImageFont& font, const std::wstring& text) {
  MemoryImage screen;
  std::vector<uint32_t> clear(320 * 48, 0);
  screen.SetBits(clear.data(), 320, 48, true);
  Graphics g(&screen);
  font.DrawString(g, 4, 30, text, Color(255, 255, 255), Rect());
  const uint32_t* bits = screen.GetBits();
  return std::vector<uint32_t>(bits, bits + 320 * 48);
}

TEST_F(FontGenerator, OutputLoadsCoversItsCharactersAndDrawsAShadowUnderTheFill) {
  const std::string out = Generate("a");
  const std::string again = Generate("b/nested");
  for (const char* file : {"font.txt", "font.png", "legacy.txt", "legacy.png"}) {
    EXPECT_FALSE(ReadBytes(out + file).empty()) << file;
    EXPECT_EQ(ReadBytes(out + file), ReadBytes(again + file)) << "the same input gives the same bytes: " << file;
  }
  EXPECT_EQ(ReadBytes(out + "font.txt").substr(0, 2), "\xFF\xFE") << "UTF-16LE with a byte-order mark";

  StandaloneFontHost host;
  ImageFont font(&host, out + "font.txt");
  ASSERT_TRUE(font.GetFontData()->IsInitialised());
  EXPECT_TRUE(host.Messages().empty()) << host.Messages().front();
  EXPECT_EQ(font.GetPointSize(), 18);
  const FontData& data = *font.GetFontData();
  const FontLayer* main = data.FindLayer(L"Main");
  ASSERT_NE(main, nullptr);
  std::wstring covered = L"Привет, World! «Ёж» — 5€ AZaz09ЁёАяЖ";
  for (wchar_t c : covered) {
    EXPECT_EQ(data.MapChar(c), c) << "U+" << std::hex << static_cast<int>(c);
    EXPECT_GT(main->Glyph(c).width, 0) << "U+" << std::hex << static_cast<int>(c);
  }
  EXPECT_EQ(data.MapChar(L'\u201C'), L'"') << "typographic quotes fall back to plain ones";

  const std::wstring text = L"Привет, World";
  const std::vector<uint32_t> plain = Render(font, text);
  ASSERT_TRUE(font.AddTag(L"shadow"));
  const std::vector<uint32_t> shadowed = Render(font, text);
  size_t fill = 0, shadowOnly = 0, fillChanged = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (plain[i] >> 24 == 0xFF) {
      ++fill;
      if (shadowed[i] != plain[i]) ++fillChanged;
    } else if (plain[i] >> 24 == 0 && (shadowed[i] >> 24) != 0) {
      ++shadowOnly;
      EXPECT_EQ(shadowed[i] & 0xFFFFFF, 0u) << "the shadow is black";
    }
  }
  EXPECT_GT(fill, 100u);
  EXPECT_GT(shadowOnly, 50u) << "the shadow shows beside the glyphs";
  EXPECT_EQ(fillChanged, 0u) << "fully covered fill pixels stay on top of the shadow";

  // The legacy pair draws the ASCII part.
  ImageLib::ImagePtr decoded = ImageLib::LoadImageFile(out + "legacy.png", false);
  ASSERT_NE(decoded, nullptr);
  MemoryImage strip;
  strip.SetBits(decoded->pixels.data(), decoded->width, decoded->height, true);
  ImageFont legacy(&strip, out + "legacy.txt");
  ASSERT_TRUE(legacy.GetFontData()->IsInitialised());
  EXPECT_GT(legacy.StringWidth(L"World"), 30);
  size_t drawn = 0;
  for (uint32_t p : Render(legacy, L"World")) drawn += (p >> 24) != 0;
  EXPECT_GT(drawn, 50u);
}

TEST_F(FontGenerator, BadArgumentsAndFontsFail) {
  EXPECT_NE(std::system(("'" + tool + "' 2>/dev/null").c_str()), 0);
  const std::string notAFont = folder / "chars.txt";
  EXPECT_NE(std::system(("'" + tool + "' '" + notAFont + "' 18 '" + folder.path() + "' 2>/dev/null").c_str()), 0);
  EXPECT_NE(std::system(("'" + tool + "' '" + ttf + "' 0 '" + folder.path() + "' 2>/dev/null").c_str()), 0);
}

}  // namespace
}  // namespace Kivo
