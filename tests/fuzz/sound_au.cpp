// Fuzzes the AU reader through the file API, reading the input as a memory
// file of the archive object.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/support/sound_fuzz_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return testsupport::FuzzSoundReader(
      data, size, "fuzz/input.au",
      [](auto& in, Kivo::VectorPcmSink& sink, std::string* why) { return Kivo::ReadAuSound(in, sink, why); });
}
