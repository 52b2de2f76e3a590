// Fuzz target: the JPEG-2000 reader (codestream or JP2 file) on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "resources/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool loaded = (Kivo::ImageLib::LoadJ2kCodec(), true);
  (void)loaded;
  Kivo::ImageLib::MemoryImageInput in(data, size);
  Kivo::ImageLib::ImagePtr image = Kivo::ImageLib::DecodeJ2kImage(in);
  if (image && image->pixels.size() != size_t(image->width) * size_t(image->height)) __builtin_trap();
  return 0;
}
