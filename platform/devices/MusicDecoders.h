// Decoders behind the music library stand-ins: whole files held in memory,
// decoded to interleaved signed 16-bit frames in small pieces as the output
// pulls them.
//
// Streams: RIFF WAVE (PCM, 8 or 16 bits, mono or stereo; own parser), Ogg
// Vorbis (integer decoder) and MPEG audio (.mp3). Tracker modules: every
// format the module renderer knows, rendered at 44,100 Hz stereo. Every
// opener checks the input and returns null with a readable error instead of
// crashing; sizes from headers are compared with the bytes present before
// anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Kivo {

using MusicBytes = std::shared_ptr<const std::vector<uint8_t>>;

class MusicDecoder {
 public:
  virtual ~MusicDecoder() = default;
  int Channels() const { return mChannels; }  // 1 or 2
  int Rate() const { return mRate; }          // frames per second

  // Fills up to `frames` interleaved frames; fewer only at the end of the
  // data (0 once the end is reached). Modules set to repeat never end.
  virtual size_t Read(int16_t* out, size_t frames) = 0;
  // Streams: moves to a PCM frame (clamped to the end). Modules: to the
  // first row of an order. False when the position cannot be taken.
  virtual bool SeekFrame(uint64_t frame) = 0;
  virtual bool SeekOrder(int order) { return false; }
  // Modules repeat inside the renderer (their song may jump back); streams
  // are rewound by the caller instead.
  virtual void SetRepeat(bool repeat) {}
  virtual bool IsModule() const { return false; }
  // True when SetRepeat makes the decoder loop by itself (modules, samples
  // with loop points); other streams are rewound to the start by the caller.
  virtual bool LoopsItself() const { return IsModule(); }

 protected:
  int mChannels = 2;
  int mRate = 44100;
};

// Sniffs the bytes: "RIFF....WAVE" is a WAV file, "OggS" an Ogg Vorbis
// file, anything else is tried as MPEG audio.
std::unique_ptr<MusicDecoder> OpenStreamDecoder(MusicBytes bytes, std::string* error);
std::unique_ptr<MusicDecoder> OpenModuleDecoder(const std::vector<uint8_t>& bytes, std::string* error);

// The largest music file read into memory.
constexpr size_t kMaxMusicFileBytes = 256u << 20;

// Reads a whole file from the folders (platform path rules), refusing one
// larger than kMaxMusicFileBytes before allocating; false with an error text.
// The stand-ins use it when no file reader is installed.
bool ReadMusicFileFromFolders(const std::string& name, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace Kivo
