// Fuzz target: LoadImageFile with the alpha lookup, over a colour file and an
// alpha file cut from the input.
// Layout: [colour format][alpha format][colour length, 2 bytes LE][colour][alpha];
// a format byte picks .tga .jpg .png .gif .j2k .jp2 or "no file" (mod 7).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resources/ImageLib.h"
#include "tests/fuzz/image_fuzz_files.h"

namespace {

const char* const kExtensions[6] = {".tga", ".jpg", ".png", ".gif", ".j2k", ".jp2"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Kivo::ImageLib;
  static bool loaded = (LoadJ2kCodec(), true);
  (void)loaded;
  if (size < 4) return 0;
  int colorFormat = data[0] % 7, alphaFormat = data[1] % 7;
  size_t colorLength = size_t(data[2]) | size_t(data[3]) << 8;
  data += 4;
  size -= 4;
  if (colorLength > size) colorLength = size;
  // Every name starts out empty (no image in any format), so only the files
  // chosen by this input can be found.
  Kivo::PakInterface& files = image_fuzz::Files();
  for (const char* ext : kExtensions) {
    files.AddMemoryFile(std::string("fuzzimg/ball") + ext, {});
    files.AddMemoryFile(std::string("fuzzimg/_ball") + ext, {});
  }
  if (colorFormat < 6)
    files.AddMemoryFile(std::string("fuzzimg/ball") + kExtensions[colorFormat],
                        std::vector<uint8_t>(data, data + colorLength));
  if (alphaFormat < 6)
    files.AddMemoryFile(std::string("fuzzimg/_ball") + kExtensions[alphaFormat],
                        std::vector<uint8_t>(data + colorLength, data + size));
  ImagePtr image = LoadImageFile("fuzzimg/ball", true);
  if (image && image->pixels.size() != size_t(image->width) * size_t(image->height)) __builtin_trap();
  return 0;
}
