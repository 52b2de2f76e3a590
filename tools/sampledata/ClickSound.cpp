#include "tools/sampledata/ClickSound.h"

#include <cstdint>

namespace Kivo {

namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFFu);
}

void PutU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFFu);
  out += static_cast<char>(v >> 8);
}

}  // namespace

std::string MakeClickWav() {
  constexpr uint32_t kRate = 22050;
  constexpr uint32_t kFrames = 660;  // 30 ms
  // A 2,205 Hz square wave (5 samples high, 5 low) fading out linearly: all
  // integer arithmetic, so the bytes never depend on the host's floating point.
  std::string samples;
  for (uint32_t i = 0; i < kFrames; ++i) {
    int32_t amplitude = 12000 * static_cast<int32_t>(kFrames - i) / static_cast<int32_t>(kFrames);
    int32_t value = (i / 5) % 2 == 0 ? amplitude : -amplitude;
    PutU16(samples, static_cast<uint16_t>(static_cast<int16_t>(value)));
  }
  std::string out = "RIFF";
  PutU32(out, static_cast<uint32_t>(4 + 8 + 16 + 8 + samples.size()));
  out += "WAVEfmt ";
  PutU32(out, 16);
  PutU16(out, 1);  // PCM
  PutU16(out, 1);  // mono
  PutU32(out, kRate);
  PutU32(out, kRate * 2);
  PutU16(out, 2);
  PutU16(out, 16);
  out += "data";
  PutU32(out, static_cast<uint32_t>(samples.size()));
  return out + samples;
}

}  // namespace Kivo
