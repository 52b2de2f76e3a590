// Fuzzes the MP3 decoder of the second audio library through the file API,
// reading the input as a memory file of the archive object.
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/FmodLibrary.h"
#include "tests/support/sound_fuzz_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return testsupport::FuzzSoundReader(
      data, size, "fuzz/input.mp3",
      [](auto& in, Kivo::VectorPcmSink& sink, std::string* why) { return Kivo::ReadMp3Sound(in, sink, why); });
}
