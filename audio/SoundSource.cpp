// File and memory byte sources for the sound readers.
#include "audio/SoundSource.h"

#include <cstdio>
#include <cstring>

#include "audio/AudioSupport.h"

namespace Kivo {

namespace {

class MemorySource : public SoundSource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size) {}
  std::size_t Read(void* dst, std::size_t bytes) override {
    std::size_t n = mPos < mSize ? std::min<std::size_t>(bytes, mSize - mPos) : 0;
    if (n) std::memcpy(dst, mData + mPos, n);
    mPos += n;
    return n;
  }
  bool Seek(std::uint64_t position) override {
    if (position > mSize) return false;
    mPos = static_cast<std::size_t>(position);
    return true;
  }
  std::uint64_t Tell() override { return mPos; }
  std::uint64_t Size() override { return mSize; }

 private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mPos = 0;
};

class FileSource : public SoundSource {
 public:
  explicit FileSource(AudioFile* file) : mFile(file) {
    std::int64_t here = AudioFileTell(mFile);
    if (AudioFileSeek(mFile, 0, SEEK_END) == 0) {
      std::int64_t end = AudioFileTell(mFile);
      mSize = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
    AudioFileSeek(mFile, here < 0 ? 0 : here, SEEK_SET);
  }
  ~FileSource() override { AudioFileClose(mFile); }
  std::size_t Read(void* dst, std::size_t bytes) override {
    if (bytes == 0) return 0;
    return AudioFileRead(dst, 1, bytes, mFile);
  }
  bool Seek(std::uint64_t position) override {
    if (position > mSize) return false;
    return AudioFileSeek(mFile, static_cast<std::int64_t>(position), SEEK_SET) == 0;
  }
  std::uint64_t Tell() override {
    std::int64_t pos = AudioFileTell(mFile);
    return pos > 0 ? static_cast<std::uint64_t>(pos) : 0;
  }
  std::uint64_t Size() override { return mSize; }

 private:
  AudioFile* mFile;
  std::uint64_t mSize = 0;
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
