// Fuzz target: the JPEG reader on arbitrary bytes, read through the file API.
#include <cstddef>
#include <cstdint>

#include "resources/ImageLib.h"
#include "tests/fuzz/image_fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  image_fuzz::SetFile("fuzzimg/input.jpg", data, size);
  Kivo::ImageLib::ImagePtr image = Kivo::ImageLib::ReadJpegImage("fuzzimg/input.jpg");
  if (image && image->pixels.size() != size_t(image->width) * size_t(image->height)) __builtin_trap();
  return 0;
}
