// Fuzzes the system-sound WAV reader on raw bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/devices/SystemSound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Platform::PcmWave wave;
  std::string why;
  bool ok = Platform::ParsePcmWave(data, size, &wave, &why);
  // Accepted sounds hold whole frames within the input; refusals say why.
  if (ok && (wave.samples.empty() || wave.samples.size() % wave.format.blockAlign != 0 || wave.samples.size() > size))
    __builtin_trap();
  if (!ok && why.empty()) __builtin_trap();
  return 0;
}
