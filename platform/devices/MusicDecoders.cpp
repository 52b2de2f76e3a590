#include "platform/devices/MusicDecoders.h"

#include "platform/Files.h"

#include <libopenmpt/libopenmpt.hpp>
#include <mpg123.h>
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <ostream>
#include <streambuf>

namespace Kivo {
namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// A read position over bytes held in memory, shared by the decoders' I/O
// callbacks.
struct MemoryReader {
  MusicBytes bytes;
  size_t pos = 0;

  size_t Read(void* out, size_t size) {
    size_t left = bytes->size() - pos;
    size_t n = std::min(size, left);
    if (n) std::memcpy(out, bytes->data() + pos, n);
    pos += n;
    return n;
  }
  // whence as for fseek; false for a position outside the data.
  bool Seek(int64_t offset, int whence) {
    int64_t base = whence == SEEK_SET   ? 0
                   : whence == SEEK_CUR ? static_cast<int64_t>(pos)
                                        : static_cast<int64_t>(bytes->size());
    if (offset > 0 && base > INT64_MAX - offset) return false;
    int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(bytes->size())) return false;
    pos = static_cast<size_t>(target);
    return true;
  }
};

// ---- RIFF WAVE -------------------------------------------------------------

class WavDecoder : public MusicDecoder {
 public:
  static std::unique_ptr<MusicDecoder> Open(MusicBytes bytes, std::string* error) {
    const std::vector<uint8_t>& b = *bytes;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) {
      SetError(error, "not a RIFF WAVE file");
      return nullptr;
    }
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    bool haveFormat = false;
    // Positions are 64-bit and every chunk must end inside the file, so a
    // forged size can neither wrap nor walk backwards.
    uint64_t pos = 12;
    while (pos + 8 <= b.size()) {
      const uint8_t* chunk = b.data() + pos;
      uint64_t size = Le32(chunk + 4);
      uint64_t body = pos + 8;
      if (std::memcmp(chunk, "fmt ", 4) == 0) {
        if (size < 16 || body + size > b.size()) break;
        format = Le16(chunk + 8);
        channels = Le16(chunk + 10);
        rate = Le32(chunk + 12);
        bits = Le16(chunk + 22);
        haveFormat = true;
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        if (!haveFormat) {
          SetError(error, "WAV data before its format");
          return nullptr;
        }
        if (format != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate < 100 ||
            rate > 200000) {
          SetError(error, "unsupported WAV format (PCM, 8 or 16 bits, mono or stereo only)");
          return nullptr;
        }
        // A size past the end is cut to what is there.
        uint64_t dataSize = std::min<uint64_t>(size, b.size() - body);
        auto dec = std::unique_ptr<WavDecoder>(new WavDecoder);
        dec->mBytes = std::move(bytes);
        dec->mData = body;
        dec->mFrameBytes = channels * (bits / 8);
        dec->mFrames = dataSize / dec->mFrameBytes;
        dec->mChannels = channels;
        dec->mRate = static_cast<int>(rate);
        dec->mBits = bits;
        return dec;
      }
      uint64_t next = body + size + (size & 1);
      if (body + size > b.size()) break;
      pos = next;
    }
    SetError(error, haveFormat ? "WAV file without data" : "WAV file without format");
    return nullptr;
  }

  size_t Read(int16_t* out, size_t frames) override {
    size_t n = static_cast<size_t>(std::min<uint64_t>(frames, mFrames - mFrame));
    const uint8_t* src = mBytes->data() + mData + mFrame * mFrameBytes;
    size_t samples = n * mChannels;
    if (mBits == 16) {
      for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>(Le16(src + 2 * i));
    } else {
      for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>((src[i] - 128) * 256);
    }
    mFrame += n;
    return n;
  }

  bool SeekFrame(uint64_t frame) override {
    mFrame = std::min(frame, mFrames);
    return true;
  }

 private:
  WavDecoder() = default;
  MusicBytes mBytes;
  uint64_t mData = 0, mFrames = 0, mFrame = 0;
  int mFrameBytes = 2, mBits = 16;
};

// ---- Ogg Vorbis -------------------------------------------------------------

class OggDecoder : public MusicDecoder {
 public:
  static std::unique_ptr<MusicDecoder> Open(MusicBytes bytes, std::string* error) {
    auto dec = std::unique_ptr<OggDecoder>(new OggDecoder);
    dec->mReader.bytes = std::move(bytes);
    ov_callbacks cb{};
    cb.read_func = [](void* ptr, size_t size, size_t nmemb, void* src) -> size_t {
      if (size == 0) return 0;
      return static_cast<MemoryReader*>(src)->Read(ptr, size * nmemb) / size;
    };
    cb.seek_func = [](void* src, ogg_int64_t offset, int whence) -> int {
      return static_cast<MemoryReader*>(src)->Seek(offset, whence) ? 0 : -1;
    };
    cb.close_func = nullptr;
    cb.tell_func = [](void* src) -> long { return static_cast<long>(static_cast<MemoryReader*>(src)->pos); };
    if (ov_open_callbacks(&dec->mReader, &dec->mFile, nullptr, 0, cb) != 0) {
      SetError(error, "not a decodable Ogg Vorbis file");
      return nullptr;
    }
    dec->mOpen = true;
    vorbis_info* info = ov_info(&dec->mFile, -1);
    if (!info || (info->channels != 1 && info->channels != 2) || info->rate < 1000 || info->rate > 200000) {
      SetError(error, "unsupported Ogg Vorbis layout (mono or stereo only)");
      return nullptr;
    }
    dec->mChannels = info->channels;
    dec->mRate = static_cast<int>(info->rate);
    return dec;
  }

  ~OggDecoder() override {
    if (mOpen) ov_clear(&mFile);
  }

  size_t Read(int16_t* out, size_t frames) override {
    size_t done = 0;
    int failures = 0;
    while (done < frames) {
      // Small pieces keep every call well inside an int.
      size_t wantBytes = std::min<size_t>((frames - done) * mChannels * 2, 16384);
      int section = 0;
      long got =
          ov_read(&mFile, reinterpret_cast<char*>(out + done * mChannels), static_cast<int>(wantBytes), &section);
      if (got == 0) break;
      if (got < 0) {
        // A damaged page: skip it, but give up on a run of them.
        if (++failures > 8) break;
        continue;
      }
      // A section with another layout cannot be mixed as this stream.
      vorbis_info* info = ov_info(&mFile, -1);
      if (!info || info->channels != mChannels) break;
      done += static_cast<size_t>(got) / (2 * mChannels);
    }
    return done;
  }

  bool SeekFrame(uint64_t frame) override {
    if (frame > static_cast<uint64_t>(INT64_MAX)) return false;
    if (ov_pcm_seek(&mFile, static_cast<ogg_int64_t>(frame)) == 0) return true;
    // Past the end: take the end.
    ogg_int64_t total = ov_pcm_total(&mFile, -1);
    return total >= 0 && ov_pcm_seek(&mFile, total) == 0;
  }

 private:
  OggDecoder() = default;
  MemoryReader mReader;
  OggVorbis_File mFile{};
  bool mOpen = false;
};

// ---- MPEG audio --------------------------------------------------------------

std::once_flag gMpgInit;

class MpegDecoder : public MusicDecoder {
 public:
  static std::unique_ptr<MusicDecoder> Open(MusicBytes bytes, std::string* error) {
    std::call_once(gMpgInit, [] { mpg123_init(); });
    auto dec = std::unique_ptr<MpegDecoder>(new MpegDecoder);
    dec->mReader.bytes = std::move(bytes);
    int err = 0;
    dec->mHandle = mpg123_new(nullptr, &err);
    if (!dec->mHandle) {
      SetError(error, "MPEG decoder unavailable");
      return nullptr;
    }
    mpg123_param(dec->mHandle, MPG123_FLAGS, MPG123_QUIET, 0);
    // Garbage is not music: do not hunt far for a frame header.
    mpg123_param(dec->mHandle, MPG123_RESYNC_LIMIT, 2048, 0);
    mpg123_format_none(dec->mHandle);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
      mpg123_format(dec->mHandle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    auto readFn = [](void* src, void* out, size_t size) -> ssize_t {
      return static_cast<ssize_t>(static_cast<MemoryReader*>(src)->Read(out, size));
    };
    auto seekFn = [](void* src, off_t offset, int whence) -> off_t {
      auto* r = static_cast<MemoryReader*>(src);
      return r->Seek(offset, whence) ? static_cast<off_t>(r->pos) : -1;
    };
    if (mpg123_replace_reader_handle(dec->mHandle, readFn, seekFn, nullptr) != MPG123_OK ||
        mpg123_open_handle(dec->mHandle, &dec->mReader) != MPG123_OK) {
      SetError(error, "MPEG decoder could not open the data");
      return nullptr;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(dec->mHandle, &rate, &channels, &encoding) != MPG123_OK || encoding != MPG123_ENC_SIGNED_16 ||
        (channels != 1 && channels != 2) || rate < 1000) {
      SetError(error, "not a decodable MPEG audio file");
      return nullptr;
    }
    mpg123_format_none(dec->mHandle);
    mpg123_format(dec->mHandle, rate, channels, MPG123_ENC_SIGNED_16);
    dec->mChannels = channels;
    dec->mRate = static_cast<int>(rate);
    return dec;
  }

  ~MpegDecoder() override {
    if (mHandle) {
      mpg123_close(mHandle);
      mpg123_delete(mHandle);
    }
  }

  size_t Read(int16_t* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      size_t got = 0;
      size_t want = std::min<size_t>((frames - done) * mChannels * 2, 16384);
      int rc = mpg123_read(mHandle, reinterpret_cast<unsigned char*>(out + done * mChannels), want, &got);
      done += got / (2 * mChannels);
      // A format change mid-stream is refused by the fixed output format;
      // anything but a plain read ends the stream.
      if (rc != MPG123_OK) break;
      if (got == 0) break;
    }
    return done;
  }

  bool SeekFrame(uint64_t frame) override {
    if (frame > static_cast<uint64_t>(INT32_MAX) * 64) return false;
    return mpg123_seek(mHandle, static_cast<off_t>(frame), SEEK_SET) >= 0;
  }

 private:
  MpegDecoder() = default;
  MemoryReader mReader;
  mpg123_handle* mHandle = nullptr;
};

// ---- Tracker modules -----------------------------------------------------------

// The module renderer reports what it probes to a log stream; music opening
// must stay quiet.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

class ModuleDecoder : public MusicDecoder {
 public:
  static std::unique_ptr<MusicDecoder> Open(const std::vector<uint8_t>& bytes, std::string* error) {
    static NullBuffer nullBuffer;
    thread_local std::ostream quiet(&nullBuffer);
    try {
      auto dec = std::unique_ptr<ModuleDecoder>(new ModuleDecoder);
      dec->mModule = std::make_unique<openmpt::module>(bytes, quiet);
      dec->mModule->set_repeat_count(0);
      dec->mChannels = 2;
      dec->mRate = 44100;
      return dec;
    } catch (const std::exception& e) {
      SetError(error, std::string("not a playable tracker module: ") + e.what());
    } catch (...) {
      SetError(error, "not a playable tracker module");
    }
    return nullptr;
  }

  size_t Read(int16_t* out, size_t frames) override {
    try {
      return mModule->read_interleaved_stereo(44100, frames, out);
    } catch (...) {
      return 0;
    }
  }
  bool SeekFrame(uint64_t frame) override {
    try {
      mModule->set_position_seconds(static_cast<double>(frame) / 44100.0);
      return true;
    } catch (...) {
      return false;
    }
  }
  bool SeekOrder(int order) override {
    try {
      if (order < 0 || order >= mModule->get_num_orders()) return false;
      mModule->set_position_order_row(order, 0);
      return true;
    } catch (...) {
      return false;
    }
  }
  void SetRepeat(bool repeat) override { mModule->set_repeat_count(repeat ? -1 : 0); }
  bool IsModule() const override { return true; }

 private:
  ModuleDecoder() = default;
  std::unique_ptr<openmpt::module> mModule;
};

}  // namespace

bool ReadMusicFileFromFolders(const std::string& name, std::vector<uint8_t>& bytes, std::string& error) {
  FILE* f = Platform::OpenFile(name, "rb");
  if (!f) {
    error = "cannot open " + name;
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> closer(f, std::fclose);
  if (std::fseek(f, 0, SEEK_END) != 0) {
    error = "cannot read " + name;
    return false;
  }
  long size = std::ftell(f);
  if (size < 0 || static_cast<unsigned long>(size) > kMaxMusicFileBytes) {
    error = "unreadable or too large: " + name;
    return false;
  }
  std::rewind(f);
  bytes.resize(static_cast<size_t>(size));
  if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    error = "cannot read " + name;
    return false;
  }
  return true;
}

std::unique_ptr<MusicDecoder> OpenStreamDecoder(MusicBytes bytes, std::string* error) {
  if (!bytes || bytes->empty()) {
    SetError(error, "empty file");
    return nullptr;
  }
  if (bytes->size() > kMaxMusicFileBytes) {
    SetError(error, "file too large");
    return nullptr;
  }
  const std::vector<uint8_t>& b = *bytes;
  if (b.size() >= 4 && std::memcmp(b.data(), "RIFF", 4) == 0) return WavDecoder::Open(std::move(bytes), error);
  if (b.size() >= 4 && std::memcmp(b.data(), "OggS", 4) == 0) return OggDecoder::Open(std::move(bytes), error);
  return MpegDecoder::Open(std::move(bytes), error);
}

std::unique_ptr<MusicDecoder> OpenModuleDecoder(const std::vector<uint8_t>& bytes, std::string* error) {
  if (bytes.empty()) {
    SetError(error, "empty file");
    return nullptr;
  }
  if (bytes.size() > kMaxMusicFileBytes) {
    SetError(error, "file too large");
    return nullptr;
  }
  return ModuleDecoder::Open(bytes, error);
}

}  // namespace Kivo
