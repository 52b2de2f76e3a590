// Fuzz target: the input as a UTF-16LE font descriptor, loaded into an image
// font whose every image name finds a small glyph strip; the font is then
// prepared with and without a tag, measured and drawn.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/MemoryImage.h"
#include "resources/FileApi.h"
#include "ui/Graphics.h"
#include "ui/ImageFont.h"

namespace {

class FuzzFontHost : public Kivo::FontHost {
 public:
  FuzzFontHost() {
    auto* image = new Kivo::MemoryImage();
    std::vector<uint32_t> pixels(64 * 16);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i % 3) ? 0xFFFFFFFFu : 0x80FF0000u;
    image->SetBits(pixels.data(), 64, 16, true);
    mEntry.image = image;
  }
  ~FuzzFontHost() override { delete mEntry.image; }
  void ShowFatalErrorA(const std::string&) override {}
  Kivo::SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string&, bool* isNew) override {
    *isNew = false;
    // Names with "missing" fail, as a file that does not load.
    if (file.find("missing") != std::string::npos) return Kivo::SharedImageHandle(&mEmpty);
    return Kivo::SharedImageHandle(&mEntry);
  }

 private:
  Kivo::SharedImageEntry mEntry;
  Kivo::SharedImageEntry mEmpty;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::PakInterface* pak = Kivo::gPakInterface;  // published before main
  if (!pak) return 0;
  pak->AddMemoryFile("fuzz/font.txt", std::vector<uint8_t>(data, data + size));
  FuzzFontHost host;
  Kivo::ImageFont font(&host, "fuzz/font.txt");
  const std::wstring text = L"Ab\u0401\u0451 ?x\U0001F600";
  Kivo::MemoryImage screen;
  screen.CreateBlank(64, 32);
  Kivo::Graphics g(&screen);
  for (int pass = 0; pass < 2; ++pass) {
    font.StringWidth(text);
    font.GetHeight();
    std::vector<Kivo::Rect> rects;
    int width = 0;
    font.DrawStringEx(g, 2, 20, text, Kivo::Color(200, 100, 50, 255), Kivo::Rect(), &rects, &width);
    std::unique_ptr<Kivo::Font> copy(font.Duplicate());
    copy->StringWidth(text);
    font.AddTag(L"shadow");
  }
  return 0;
}
