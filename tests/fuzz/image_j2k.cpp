// Fuzz target: the JPEG-2000 reader (codestream or JP2 file) on arbitrary
// bytes, read through the file API.
#include <cstddef>
#include <cstdint>

#include "resources/ImageLib.h"
#include "tests/fuzz/image_fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool loaded = (Kivo::ImageLib::LoadJ2kCodec(), true);
  (void)loaded;
  image_fuzz::SetFile("fuzzimg/input.jp2", data, size);
  Kivo::ImageLib::ImagePtr image = Kivo::ImageLib::ReadJ2kImage("fuzzimg/input.jp2");
  if (image && image->pixels.size() != size_t(image->width) * size_t(image->height)) __builtin_trap();
  return 0;
}
