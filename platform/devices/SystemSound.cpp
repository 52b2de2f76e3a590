// System sounds over a sound device of their own.
#include "platform/devices/SystemSound.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/Files.h"

namespace Platform {

namespace {

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

bool Fail(std::string* why, const char* reason) {
  if (why != nullptr) *why = reason;
  return false;
}

bool ParseFormatChunk(const std::uint8_t* chunk, std::uint32_t size, Kivo::WaveFormat* format, std::string* why) {
  if (size < 16) return Fail(why, "format chunk too short");
  format->formatTag = ReadU16(chunk);
  format->channels = ReadU16(chunk + 2);
  format->samplesPerSec = ReadU32(chunk + 4);
  format->bitsPerSample = ReadU16(chunk + 14);
  format->extraSize = 0;
  if (format->formatTag != Kivo::WAVE_FORMAT_PCM) return Fail(why, "not PCM data");
  if (format->channels != 1 && format->channels != 2) return Fail(why, "not mono or stereo");
  if (format->bitsPerSample != 8 && format->bitsPerSample != 16) return Fail(why, "not 8 or 16 bits a sample");
  if (format->samplesPerSec < Kivo::DSBFREQUENCY_MIN || format->samplesPerSec > Kivo::DSBFREQUENCY_MAX)
    return Fail(why, "sample rate out of range");
  // The block size and byte rate follow from the rest; a file's own values
  // are not trusted.
  format->blockAlign = static_cast<std::uint16_t>(format->channels * format->bitsPerSample / 8);
  format->avgBytesPerSec = format->samplesPerSec * format->blockAlign;
  return true;
}

// One sound at a time, on a device made when the first sound plays.
struct SystemSoundPlayer {
  std::mutex lock;
  Kivo::DSoundDevice* device = nullptr;
  Kivo::DSoundBuffer* playing = nullptr;

  void StopLocked() {
    if (playing != nullptr) {
      playing->Stop();
      playing->Release();
      playing = nullptr;
    }
  }
  void CloseLocked() {
    StopLocked();
    if (device != nullptr) device->Release();
    device = nullptr;
  }
  ~SystemSoundPlayer() { CloseLocked(); }
};

SystemSoundPlayer& Player() {
  static SystemSoundPlayer player;
  return player;
}

bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes, std::string* why) {
  std::FILE* in = OpenFile(path, "rb");
  if (in == nullptr) return Fail(why, "cannot open the file");
  bool ok = std::fseek(in, 0, SEEK_END) == 0;
  long length = ok ? std::ftell(in) : -1;
  ok = ok && length >= 0 && static_cast<unsigned long>(length) <= kMaxSystemSoundBytes &&
       std::fseek(in, 0, SEEK_SET) == 0;
  if (ok) {
    bytes->resize(static_cast<std::size_t>(length));
    ok = bytes->empty() || std::fread(bytes->data(), 1, bytes->size(), in) == bytes->size();
  }
  std::fclose(in);
  if (!ok) return Fail(why, length > static_cast<long>(kMaxSystemSoundBytes) ? "file too large" : "read error");
  return true;
}

}  // namespace

bool ParsePcmWave(const std::uint8_t* data, std::size_t size, PcmWave* out, std::string* why) {
  if (data == nullptr || size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
    return Fail(why, "not a RIFF WAVE file");
  if (size > kMaxSystemSoundBytes) return Fail(why, "file too large");
  bool haveFormat = false;
  std::size_t at = 12;
  while (size - at >= 8) {
    const std::uint8_t* header = data + at;
    std::uint32_t chunkSize = ReadU32(header + 4);
    at += 8;
    if (chunkSize > size - at) return Fail(why, "chunk runs past the end");
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (!ParseFormatChunk(data + at, chunkSize, &out->format, why)) return false;
      haveFormat = true;
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!haveFormat) return Fail(why, "data before the format chunk");
      std::uint32_t usable = chunkSize - chunkSize % out->format.blockAlign;
      if (usable == 0) return Fail(why, "no samples");
      out->samples.assign(data + at, data + at + usable);
      return true;
    }
    // Chunks are padded to an even size.
    std::size_t step = static_cast<std::size_t>(chunkSize) + (chunkSize & 1u);
    if (step > size - at) break;
    at += step;
  }
  return Fail(why, haveFormat ? "no data chunk" : "no format chunk");
}

Kivo::DSoundDevice* SystemSoundDevice() {
  std::lock_guard<std::mutex> guard(Player().lock);
  return Player().device;
}

}  // namespace Platform

BOOL PlaySoundA(const char* sound, HMODULE, DWORD flags) {
  Platform::SystemSoundPlayer& player = Platform::Player();
  if (sound == nullptr) {
    std::lock_guard<std::mutex> guard(player.lock);
    player.CloseLocked();
    return TRUE;
  }
  if ((flags & SND_FILENAME) == 0) return FALSE;

  std::vector<std::uint8_t> bytes;
  Platform::PcmWave wave;
  std::string why;
  if (!Platform::ReadWholeFile(sound, &bytes, &why) ||
      !Platform::ParsePcmWave(bytes.data(), bytes.size(), &wave, &why)) {
    Kivo::AudioLogOnce(std::string("system sound ") + sound + ": " + why);
    return FALSE;
  }

  std::lock_guard<std::mutex> guard(player.lock);
  player.StopLocked();
  if (player.device == nullptr && Kivo::DirectSoundCreate(nullptr, &player.device, nullptr) != Kivo::DS_OK) {
    player.device = nullptr;
    return FALSE;
  }
  Kivo::BufferDesc desc;
  desc.flags = Kivo::kStaticSoundFlags;  // the one kind of static buffer the device makes
  desc.bufferBytes = static_cast<std::uint32_t>(wave.samples.size());
  desc.format = &wave.format;
  Kivo::DSoundBuffer* buffer = nullptr;
  if (player.device->CreateSoundBuffer(&desc, &buffer, nullptr) != Kivo::DS_OK) return FALSE;
  void* first = nullptr;
  void* second = nullptr;
  std::uint32_t firstBytes = 0, secondBytes = 0;
  if (buffer->Lock(0, desc.bufferBytes, &first, &firstBytes, &second, &secondBytes, 0) != Kivo::DS_OK) {
    buffer->Release();
    return FALSE;
  }
  std::memcpy(first, wave.samples.data(), firstBytes);
  buffer->Unlock(first, firstBytes, second, secondBytes);
  buffer->Play(0, 0, 0);
  player.playing = buffer;
  return TRUE;
}
