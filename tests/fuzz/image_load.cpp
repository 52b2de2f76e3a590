// Fuzz target: LoadImageFile with the alpha lookup, over a colour file and an
// alpha file cut from the input.
// Layout: [colour format][alpha format][colour length, 2 bytes LE][colour][alpha];
// a format byte picks .tga .jpg .png .gif .j2k .jp2 or "no file" (mod 7).
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "resources/ImageLib.h"

namespace {

using namespace Kivo::ImageLib;

class FuzzOpener : public ImageFileOpener {
 public:
  std::map<std::string, std::pair<const uint8_t*, size_t>> files;
  std::unique_ptr<ImageInput> Open(const std::string& name) override {
    auto it = files.find(name);
    if (it == files.end()) return nullptr;
    return std::make_unique<MemoryImageInput>(it->second.first, it->second.second);
  }
};

const char* const kExtensions[6] = {".tga", ".jpg", ".png", ".gif", ".j2k", ".jp2"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool loaded = (LoadJ2kCodec(), true);
  (void)loaded;
  if (size < 4) return 0;
  int colorFormat = data[0] % 7, alphaFormat = data[1] % 7;
  size_t colorLength = size_t(data[2]) | size_t(data[3]) << 8;
  data += 4;
  size -= 4;
  if (colorLength > size) colorLength = size;
  FuzzOpener opener;
  if (colorFormat < 6) opener.files[std::string("img/ball") + kExtensions[colorFormat]] = {data, colorLength};
  if (alphaFormat < 6)
    opener.files[std::string("img/_ball") + kExtensions[alphaFormat]] = {data + colorLength, size - colorLength};
  ImagePtr image = LoadImageFile("img/ball", true, opener);
  if (image && image->pixels.size() != size_t(image->width) * size_t(image->height)) __builtin_trap();
  return 0;
}
