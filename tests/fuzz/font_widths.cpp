// Fuzz target: the input as a legacy widths file, scanned and loaded over a
// small glyph strip, then measured and drawn.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/MemoryImage.h"
#include "ui/Graphics.h"
#include "ui/ImageFont.h"
#include "ui/LegacyFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Kivo::LegacyWidths widths;
  Kivo::ParseLegacyWidths(text, widths);

  static std::string path;
  if (path.empty()) {
    char pattern[] = "/tmp/kivo-font-widths-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) return 0;
    ::close(fd);
    path = pattern;
    std::atexit([] { std::remove(path.c_str()); });
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);

  Kivo::MemoryImage strip;
  std::vector<uint32_t> pixels(40 * 12, 0xFFFFFFFFu);
  strip.SetBits(pixels.data(), 40, 12, true);
  Kivo::ImageFont font(&strip, path);
  const std::wstring sample = L"AaZz 09\u00e9\u00ff";
  font.StringWidth(sample);
  Kivo::MemoryImage screen;
  screen.CreateBlank(48, 24);
  Kivo::Graphics g(&screen);
  font.DrawString(g, 1, 14, sample, Kivo::Color(255, 255, 255), Kivo::Rect());
  return 0;
}
