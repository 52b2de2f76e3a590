// WAV, AU and Ogg Vorbis readers (see SoundReaders.h).
#include "audio/SoundReaders.h"

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Kivo {

namespace {

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

bool ReadExact(SoundSource& in, void* dst, std::size_t n) { return in.Read(dst, n) == n; }

bool ReadLe32(SoundSource& in, std::uint32_t* v) {
  std::uint8_t b[4];
  if (!ReadExact(in, b, 4)) return false;
  *v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return true;
}

bool ReadLe16(SoundSource& in, std::uint16_t* v) {
  std::uint8_t b[2];
  if (!ReadExact(in, b, 2)) return false;
  *v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool ReadBe32(SoundSource& in, std::uint32_t* v) {
  std::uint8_t b[4];
  if (!ReadExact(in, b, 4)) return false;
  *v = (static_cast<std::uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
  return true;
}

bool ShapeOk(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  return channels >= 1 && channels <= 2 && (bits == 8 || bits == 16) && rate >= DSBFREQUENCY_MIN &&
         rate <= DSBFREQUENCY_MAX;
}

}  // namespace

std::uint8_t* VectorPcmSink::Allocate(const WaveFormat& f, std::uint32_t n) {
  if (allocated) return nullptr;
  allocated = true;
  format = f;
  bytes.assign(n, 0);
  return bytes.data();
}

WaveFormat MakePcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  WaveFormat f;
  f.formatTag = WAVE_FORMAT_PCM;
  f.channels = channels;
  f.samplesPerSec = rate;
  f.bitsPerSample = bits;
  f.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
  f.avgBytesPerSec = f.blockAlign * rate;
  f.extraSize = 0;
  return f;
}

std::int16_t MuLawToLinear(std::uint8_t b) {
  int t = 255 - (b | 128);
  int k = t / 16;
  int m = t % 16;
  int magnitude = ((16 + m) << (k + 1)) - 32;
  int sample = 4 * magnitude;
  return static_cast<std::int16_t>(b >= 128 ? sample : -sample);
}

// ---------------------------------------------------------------- WAV

bool ReadWavSound(SoundSource& in, PcmSink& sink, const DepCheck& check, std::string* why) {
  char tag[4];
  std::uint32_t riffSize = 0;
  if (!ReadExact(in, tag, 4) || std::memcmp(tag, "RIFF", 4) != 0) return Fail(why, "not a RIFF file");
  if (!ReadLe32(in, &riffSize)) return Fail(why, "truncated RIFF header");
  if (!ReadExact(in, tag, 4) || std::memcmp(tag, "WAVE", 4) != 0) return Fail(why, "not a WAVE file");

  std::uint16_t bits = 16, channels = 1;
  std::uint32_t rate = 22050;
  std::uint8_t key = 0;
  const std::uint64_t fileSize = in.Size();

  for (;;) {
    const std::uint64_t headerAt = in.Tell();
    std::size_t got = in.Read(tag, 4);
    if (got < 4) return Fail(why, "no \"data\" chunk");
    std::uint32_t chunkSize = 0;
    if (!ReadLe32(in, &chunkSize)) return Fail(why, "truncated chunk header");
    const std::uint64_t bodyAt = headerAt + 8;
    const std::uint64_t next = bodyAt + chunkSize;
    // Sizes are unsigned and positions 64-bit, so the walk only moves forward;
    // a chunk that claims more than the file holds ends it.
    if (next > fileSize) return Fail(why, "chunk runs past the end of the file");

    if (std::memcmp(tag, "fmt ", 4) == 0) {
      std::uint16_t formatTag = 0, blockAlign = 0;
      std::uint32_t bytesPerSec = 0;
      if (chunkSize < 16) return Fail(why, "\"fmt \" chunk too small");
      if (!ReadLe16(in, &formatTag) || !ReadLe16(in, &channels) || !ReadLe32(in, &rate) ||
          !ReadLe32(in, &bytesPerSec) || !ReadLe16(in, &blockAlign) || !ReadLe16(in, &bits))
        return Fail(why, "truncated \"fmt \" chunk");
      if (formatTag != WAVE_FORMAT_PCM) return Fail(why, "not plain PCM");
      if (!ShapeOk(channels, rate, bits)) return Fail(why, "unsupported channels, rate or sample size");
    } else if (std::memcmp(tag, "dep ", 4) == 0) {
      std::uint16_t length = 0;
      if (!ReadLe16(in, &length)) return Fail(why, "truncated \"dep \" chunk");
      std::size_t n = std::min<std::size_t>(length, 255);
      std::string name(n, '\0');
      std::uint8_t stamp[8];
      if (!ReadExact(in, name.data(), n) || !ReadExact(in, stamp, 8)) return Fail(why, "truncated \"dep \" chunk");
      std::uint64_t time = 0;
      for (int i = 7; i >= 0; --i) time = (time << 8) | stamp[i];
      if (check && !check(name, time)) return Fail(why, "source changed since the cache was written");
    } else if (std::memcmp(tag, "xor ", 4) == 0) {
      if (!ReadExact(in, &key, 1)) return Fail(why, "truncated \"xor \" chunk");
    } else if (std::memcmp(tag, "data", 4) == 0) {
      if (chunkSize == 0) return Fail(why, "empty \"data\" chunk");
      if (chunkSize > kMaxPcmBytes) return Fail(why, "\"data\" chunk too large");
      if (!ShapeOk(channels, rate, bits)) return Fail(why, "unsupported channels, rate or sample size");
      std::uint8_t* pcm = sink.Allocate(MakePcmFormat(channels, rate, bits), chunkSize);
      if (!pcm) return Fail(why, "no sound buffer");
      if (!ReadExact(in, pcm, chunkSize)) return Fail(why, "truncated \"data\" chunk");
      if (key != 0)
        for (std::uint32_t i = 0; i < chunkSize; ++i) pcm[i] ^= key;
      return true;
    }
    if (!in.Seek(next)) return Fail(why, "chunk runs past the end of the file");
  }
}

// ---------------------------------------------------------------- AU

bool ReadAuSound(SoundSource& in, PcmSink& sink, std::string* why) {
  char magic[4];
  if (!ReadExact(in, magic, 4) || std::memcmp(magic, ".snd", 4) != 0) return Fail(why, "not an AU file");
  std::uint32_t offset = 0, size = 0, encoding = 0, rate = 0, channels = 0;
  if (!ReadBe32(in, &offset) || !ReadBe32(in, &size) || !ReadBe32(in, &encoding) || !ReadBe32(in, &rate) ||
      !ReadBe32(in, &channels))
    return Fail(why, "truncated AU header");
  if (encoding != 1 && encoding != 2) return Fail(why, "unsupported AU encoding");
  const std::uint16_t outBits = encoding == 1 ? 16 : 8;
  if (channels < 1 || channels > 2 || !ShapeOk(static_cast<std::uint16_t>(channels), rate, outBits))
    return Fail(why, "unsupported channels or rate");
  if (offset < 24 || !in.Seek(offset)) return Fail(why, "data offset outside the file");
  const std::uint64_t left = in.Left();
  // All ones means "up to the end of the file".
  std::uint64_t dataBytes = size == 0xFFFFFFFFu ? left : size;
  if (dataBytes > left) return Fail(why, "data size larger than the file");
  if (dataBytes == 0) return Fail(why, "no samples");
  const std::uint64_t pcmBytes = dataBytes * (outBits / 8);
  if (pcmBytes > kMaxPcmBytes) return Fail(why, "sound too large");

  std::uint8_t* pcm = sink.Allocate(MakePcmFormat(static_cast<std::uint16_t>(channels), rate, outBits),
                                    static_cast<std::uint32_t>(pcmBytes));
  if (!pcm) return Fail(why, "no sound buffer");
  if (encoding == 2) {
    if (!ReadExact(in, pcm, static_cast<std::size_t>(dataBytes))) return Fail(why, "truncated AU data");
    // AU linear samples are signed; sound buffers hold 8-bit samples unsigned.
    for (std::uint64_t i = 0; i < dataBytes; ++i) pcm[i] ^= 0x80;
    return true;
  }
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(dataBytes));
  if (!ReadExact(in, raw.data(), raw.size())) return Fail(why, "truncated AU data");
  for (std::size_t i = 0; i < raw.size(); ++i) {
    std::uint16_t s = static_cast<std::uint16_t>(MuLawToLinear(raw[i]));
    pcm[2 * i] = static_cast<std::uint8_t>(s);
    pcm[2 * i + 1] = static_cast<std::uint8_t>(s >> 8);
  }
  return true;
}

// ---------------------------------------------------------------- Ogg Vorbis

namespace {

std::size_t OggRead(void* ptr, std::size_t size, std::size_t count, void* source) {
  if (size == 0 || count == 0) return 0;
  auto* in = static_cast<SoundSource*>(source);
  if (count > SIZE_MAX / size) count = SIZE_MAX / size;
  return in->Read(ptr, size * count) / size;
}

int OggSeek(void* source, ogg_int64_t offset, int whence) {
  auto* in = static_cast<SoundSource*>(source);
  if (!in) return -1;
  std::int64_t base = 0;
  if (whence == SEEK_CUR)
    base = static_cast<std::int64_t>(in->Tell());
  else if (whence == SEEK_END)
    base = static_cast<std::int64_t>(in->Size());
  else if (whence != SEEK_SET)
    return -1;
  if ((offset > 0 && base > INT64_MAX - offset)) return -1;
  std::int64_t target = base + offset;
  if (target < 0 || !in->Seek(static_cast<std::uint64_t>(target))) return -1;
  return 0;
}

int OggClose(void*) { return 0; }  // the caller owns the source

long OggTell(void* source) { return static_cast<long>(static_cast<SoundSource*>(source)->Tell()); }

struct OggFile {
  OggVorbis_File vf;
  bool open = false;
  ~OggFile() {
    if (open) ov_clear(&vf);
  }
};

}  // namespace

bool ReadOggSound(SoundSource& in, PcmSink& sink, std::string* why) {
  OggFile file;
  ov_callbacks callbacks = {&OggRead, &OggSeek, &OggClose, &OggTell};
  if (ov_open_callbacks(&in, &file.vf, nullptr, 0, callbacks) < 0) return Fail(why, "not an Ogg Vorbis stream");
  file.open = true;
  vorbis_info* info = ov_info(&file.vf, -1);
  if (!info) return Fail(why, "no stream information");
  const int channels = info->channels;
  const long rate = info->rate;
  if (channels < 1 || channels > 2 || rate < static_cast<long>(DSBFREQUENCY_MIN) ||
      rate > static_cast<long>(DSBFREQUENCY_MAX))
    return Fail(why, "unsupported channels or rate");
  // Chained streams must keep one shape, since the samples share one buffer.
  for (long link = 0; link < ov_streams(&file.vf); ++link) {
    vorbis_info* li = ov_info(&file.vf, static_cast<int>(link));
    if (!li || li->channels != channels || li->rate != rate) return Fail(why, "chained streams change shape");
  }
  const ogg_int64_t frames = ov_pcm_total(&file.vf, -1);
  if (frames <= 0) return Fail(why, "unknown or empty length");
  const std::uint64_t blockAlign = static_cast<std::uint64_t>(channels) * 2;
  if (static_cast<std::uint64_t>(frames) > kMaxPcmBytes / blockAlign) return Fail(why, "sound too large");
  const std::uint32_t bytes = static_cast<std::uint32_t>(static_cast<std::uint64_t>(frames) * blockAlign);

  std::uint8_t* pcm =
      sink.Allocate(MakePcmFormat(static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate), 16), bytes);
  if (!pcm) return Fail(why, "no sound buffer");
  std::uint32_t remaining = bytes;
  while (remaining > 0) {
    int ask = static_cast<int>(std::min<std::uint32_t>(remaining, kOggReadChunk));
    int stream = 0;
    long got = ov_read(&file.vf, reinterpret_cast<char*>(pcm), ask, &stream);
    if (got <= 0) break;
    if (got > ask) got = ask;
    vorbis_info* li = ov_info(&file.vf, stream);
    if (!li || li->channels != channels) return Fail(why, "chained streams change shape");
    pcm += got;
    remaining -= static_cast<std::uint32_t>(got);
  }
  if (remaining != 0) return Fail(why, "stream shorter than its stated length");
  return true;
}

}  // namespace Kivo
