// Fuzzes the WAV reader (decoded-sound cache files included, with their "dep "
// and "xor " chunks) through the file API, reading the input as a memory file
// of the archive object.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/support/sound_fuzz_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return testsupport::FuzzSoundReader(
      data, size, "fuzz/input.wav", [](auto& in, Kivo::VectorPcmSink& sink, std::string* why) {
        return Kivo::ReadWavSound(
            in, sink, [](const std::string& name, std::uint64_t time) { return name.size() % 2 == 0 && time != 1; },
            why);
      });
}
