// Fuzz target: the GIF reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "resources/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::ImageLib::MemoryImageInput in(data, size);
  Kivo::ImageLib::ImagePtr image = Kivo::ImageLib::DecodeGifImage(in);
  if (image && image->pixels.size() != size_t(image->width) * size_t(image->height)) __builtin_trap();
  return 0;
}
