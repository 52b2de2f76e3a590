// Byte sources the sound readers decode from: files opened through the
// framework's file API (archive first, then the folders) and memory blocks
// (fuzzing, tests). Positions and sizes are 64-bit and never negative.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Kivo {

class SoundSource {
 public:
  virtual ~SoundSource() = default;
  // Reads up to bytes; returns how many were read (fewer only at the end or
  // on an error).
  virtual std::size_t Read(void* dst, std::size_t bytes) = 0;
  // Absolute position; false (position unchanged) beyond the end.
  virtual bool Seek(std::uint64_t position) = 0;
  virtual std::uint64_t Tell() = 0;
  virtual std::uint64_t Size() = 0;

  std::uint64_t Left() {
    std::uint64_t size = Size(), pos = Tell();
    return pos < size ? size - pos : 0;
  }
};

// Opens a sound file for reading; null when it does not open.
std::unique_ptr<SoundSource> OpenSoundFile(const std::string& path);

// A source over bytes the caller keeps alive.
std::unique_ptr<SoundSource> MemorySoundSource(const std::uint8_t* data, std::size_t size);

}  // namespace Kivo
