// Music files written by test code: a PCM WAV, a four-channel tracker module
// and an MPEG audio (layer I) tone, each small and fully known.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace Kivo::MusicFixtures {

inline void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutBe16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
inline void PutText(std::vector<uint8_t>& out, const char* text, size_t size) {
  for (size_t i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(text[i]));
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// 16-bit PCM WAV with the given interleaved samples.
inline std::vector<uint8_t> Wav(const std::vector<int16_t>& samples, int channels, int rate) {
  std::vector<uint8_t> out;
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  PutText(out, "RIFF", 4);
  PutLe(out, 36 + data, 4);
  PutText(out, "WAVEfmt ", 8);
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);
  PutLe(out, channels, 2);
  PutLe(out, rate, 4);
  PutLe(out, rate * channels * 2, 4);
  PutLe(out, channels * 2, 2);
  PutLe(out, 16, 2);
  PutText(out, "data", 4);
  PutLe(out, data, 4);
  for (int16_t s : samples) PutLe(out, static_cast<uint16_t>(s), 2);
  return out;
}

// Stereo frames whose left sample is the frame number (mod 30000) and whose
// right sample is its negative: any jump or repeat shows.
inline std::vector<int16_t> RampFrames(int frames) {
  std::vector<int16_t> samples;
  for (int i = 0; i < frames; ++i) {
    samples.push_back(static_cast<int16_t>(i % 30000));
    samples.push_back(static_cast<int16_t>(-(i % 30000)));
  }
  return samples;
}

// A four-channel module: order list [0, 1]; pattern 0 is silent, pattern 1
// starts a looped square wave on its first row.
inline std::vector<uint8_t> TwoPatternModule() {
  std::vector<uint8_t> out;
  PutText(out, "music test\0\0\0\0\0\0\0\0\0\0", 20);
  const uint16_t sampleWords = 16;
  for (int s = 0; s < 31; ++s) {
    PutText(out, "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
    PutBe16(out, s == 0 ? sampleWords : 0);
    out.push_back(0);                        // finetune
    out.push_back(s == 0 ? 64 : 0);          // volume
    PutBe16(out, 0);                         // repeat start
    PutBe16(out, s == 0 ? sampleWords : 1);  // repeat length
  }
  out.push_back(2);    // song length
  out.push_back(127);  // restart
  for (int i = 0; i < 128; ++i) out.push_back(i == 1 ? 1 : 0);
  PutText(out, "M.K.", 4);
  for (int pattern = 0; pattern < 2; ++pattern) {
    for (int row = 0; row < 64; ++row) {
      for (int ch = 0; ch < 4; ++ch) {
        if (pattern == 1 && row == 0 && ch == 0) {
          const uint16_t period = 428;
          out.push_back(static_cast<uint8_t>((period >> 8) & 0x0F));  // sample 1: high nibble 0
          out.push_back(static_cast<uint8_t>(period & 0xFF));
          out.push_back(0x10);  // sample 1 low nibble, no effect
          out.push_back(0);
        } else {
          PutLe(out, 0, 4);
        }
      }
    }
  }
  for (int i = 0; i < sampleWords * 2; ++i) out.push_back(static_cast<uint8_t>(i < sampleWords ? 100 : -100));
  return out;
}

// MPEG-1 layer I, 48 kHz mono, 128 kbit/s (128-byte frames): subband 0
// carries a constant sample, which the synthesis filter turns into a tone.
inline std::vector<uint8_t> LayerOneTone(int frames) {
  std::vector<uint8_t> out;
  for (int f = 0; f < frames; ++f) {
    std::vector<uint8_t> frame(128, 0);
    size_t bit = 0;
    auto put = [&](uint32_t value, int bits) {
      for (int i = bits - 1; i >= 0; --i, ++bit)
        if (value >> i & 1) frame[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
    };
    put(0xFFF, 12);  // sync
    put(1, 1);       // MPEG-1
    put(3, 2);       // layer I
    put(1, 1);       // no CRC
    put(4, 4);       // 128 kbit/s
    put(1, 2);       // 48 kHz
    put(0, 1);       // no padding
    put(0, 1);
    put(3, 2);  // mono
    put(0, 2);
    put(0, 1);
    put(0, 1);
    put(0, 2);
    for (int sb = 0; sb < 32; ++sb) put(sb == 0 ? 3 : 0, 4);  // 4 bits a sample in subband 0
    put(6, 6);                                                // scale factor 0.5
    for (int s = 0; s < 12; ++s) put(0xE, 4);                 // near full scale
    out.insert(out.end(), frame.begin(), frame.end());
  }
  return out;
}

}  // namespace Kivo::MusicFixtures
