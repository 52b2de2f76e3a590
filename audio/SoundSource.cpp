// File and memory byte sources for the sound readers.
#include "audio/SoundSource.h"

#include <cstdio>
#include <cstring>

#include "audio/AudioSupport.h"

namespace Kivo {

namespace {

class MemorySource : public SoundSource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Read(void* dst, std::size_t bytes) override {
    std::size_t n = pos_ < size_ ? std::min<std::size_t>(bytes, size_ - pos_) : 0;
    if (n) std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
    return n;
  }
  bool Seek(std::uint64_t position) override {
    if (position > size_) return false;
    pos_ = static_cast<std::size_t>(position);
    return true;
  }
  std::uint64_t Tell() override { return pos_; }
  std::uint64_t Size() override { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class FileSource : public SoundSource {
 public:
  explicit FileSource(AudioFile* file) : file_(file) {
    std::int64_t here = AudioFileTell(file_);
    if (AudioFileSeek(file_, 0, SEEK_END) == 0) {
      std::int64_t end = AudioFileTell(file_);
      size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
    AudioFileSeek(file_, here < 0 ? 0 : here, SEEK_SET);
  }
  ~FileSource() override { AudioFileClose(file_); }
  std::size_t Read(void* dst, std::size_t bytes) override {
    if (bytes == 0) return 0;
    return AudioFileRead(dst, 1, bytes, file_);
  }
  bool Seek(std::uint64_t position) override {
    if (position > size_) return false;
    return AudioFileSeek(file_, static_cast<std::int64_t>(position), SEEK_SET) == 0;
  }
  std::uint64_t Tell() override {
    std::int64_t pos = AudioFileTell(file_);
    return pos > 0 ? static_cast<std::uint64_t>(pos) : 0;
  }
  std::uint64_t Size() override { return size_; }

 private:
  AudioFile* file_;
  std::uint64_t size_ = 0;
};

}  // namespace

std::unique_ptr<SoundSource> OpenSoundFile(const std::string& path) {
  AudioFile* file = AudioFileOpen(path.c_str(), "rb");
  if (!file) return nullptr;
  return std::make_unique<FileSource>(file);
}

std::unique_ptr<SoundSource> MemorySoundSource(const std::uint8_t* data, std::size_t size) {
  return std::make_unique<MemorySource>(data, size);
}

}  // namespace Kivo
