// Fuzz target: the TGA reader on arbitrary bytes, read through the file API.
#include <cstddef>
#include <cstdint>

#include "resources/ImageLib.h"
#include "tests/fuzz/image_fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  image_fuzz::SetFile("fuzzimg/input.tga", data, size);
  Kivo::ImageLib::ImagePtr image = Kivo::ImageLib::ReadTgaImage("fuzzimg/input.tga");
  if (image && image->pixels.size() != size_t(image->width) * size_t(image->height)) __builtin_trap();
  return 0;
}
