// Decoders of the sound file kinds into PCM: RIFF/WAVE (with this program's
// "dep " and "xor " chunks, so it also reads the decoded-sound cache), Sun/NeXT
// AU (8-bit mu-law and 8-bit linear), and Ogg Vorbis through the integer
// decoder. Each reader checks every size from the file against the bytes
// there are before it asks the sink for memory, and returns false with a
// reason on bad input; none throws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/SoundSource.h"
#include "platform/devices/DSound.h"

namespace Kivo {

// Where a reader puts its samples: Allocate is called at most once, with the
// final format and byte count, and returns writable memory of that size (or
// null when it cannot, which fails the read).
class PcmSink {
 public:
  virtual ~PcmSink() = default;
  virtual std::uint8_t* Allocate(const WaveFormat& format, std::uint32_t bytes) = 0;
};

// A sink that keeps the samples in memory.
class VectorPcmSink : public PcmSink {
 public:
  std::uint8_t* Allocate(const WaveFormat& format, std::uint32_t bytes) override;
  WaveFormat format;
  std::vector<std::uint8_t> bytes;
  bool allocated = false;
};

// Decides whether a "dep " chunk's source is unchanged: its name and stored
// file time. Without one every "dep " chunk is accepted.
typedef std::function<bool(const std::string& sourceName, std::uint64_t storedTime)> DepCheck;

// Largest PCM a reader produces: the sound buffer's own limit.
constexpr std::uint32_t kMaxPcmBytes = kMaxStaticBufferBytes;
// Largest count handed to the Ogg decoder in one call.
constexpr int kOggReadChunk = 64 * 1024;

// A WaveFormat for PCM of the given shape, block align and byte rate filled.
WaveFormat MakePcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);

bool ReadWavSound(SoundSource& in, PcmSink& sink, const DepCheck& check, std::string* why);
bool ReadAuSound(SoundSource& in, PcmSink& sink, std::string* why);
bool ReadOggSound(SoundSource& in, PcmSink& sink, std::string* why);

// One 8-bit mu-law byte as a 16-bit sample.
std::int16_t MuLawToLinear(std::uint8_t b);

}  // namespace Kivo
