#include "platform/SampleMusicLib.h"

#include "platform/Files.h"
#include "platform/MusicChannel.h"
#include "platform/MusicDecoders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace Kivo {
namespace SampleMusicLib {

// The samples' bytes; playing channels share them with the sample.
struct SampleData {
  std::vector<uint8_t> pcm;  // 8-bit unsigned or 16-bit signed little-endian, interleaved
  int channels = 2;
  int bits = 16;
  int rate = 44100;
  uint32_t mode = 0;
  uint32_t loopStart = 0;
  uint32_t loopEnd = 0;  // exclusive; 0 means the end of the sample

  uint32_t FrameBytes() const { return static_cast<uint32_t>(channels * bits / 8); }
  uint32_t Frames() const { return static_cast<uint32_t>(pcm.size() / FrameBytes()); }
};

struct Sample {
  std::shared_ptr<SampleData> data = std::make_shared<SampleData>();
};

struct Module {
  std::unique_ptr<MusicChannel> channel;
};

namespace {

// Plays a sample's frames, looping between its loop points when asked.
class SampleDecoder : public MusicDecoder {
 public:
  explicit SampleDecoder(std::shared_ptr<const SampleData> data) : data_(std::move(data)) {
    channels_ = data_->channels;
    rate_ = data_->rate;
    frames_ = data_->Frames();
    loopEnd_ = data_->loopEnd && data_->loopEnd <= frames_ ? data_->loopEnd : frames_;
    loopStart_ = std::min(data_->loopStart, loopEnd_);
  }

  size_t Read(int16_t* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      uint32_t end = repeat_ ? loopEnd_ : frames_;
      if (frame_ >= end) {
        if (!repeat_ || loopEnd_ == loopStart_) break;
        frame_ = loopStart_;
      }
      size_t n = std::min<size_t>(frames - done, end - frame_);
      const uint8_t* src = data_->pcm.data() + static_cast<size_t>(frame_) * data_->FrameBytes();
      int16_t* dst = out + done * channels_;
      size_t samples = n * channels_;
      if (data_->bits == 16) {
        for (size_t i = 0; i < samples; ++i) dst[i] = static_cast<int16_t>(src[2 * i] | src[2 * i + 1] << 8);
      } else {
        for (size_t i = 0; i < samples; ++i) dst[i] = static_cast<int16_t>((src[i] - 128) * 256);
      }
      frame_ += static_cast<uint32_t>(n);
      done += n;
    }
    return done;
  }
  bool SeekFrame(uint64_t frame) override {
    frame_ = static_cast<uint32_t>(std::min<uint64_t>(frame, frames_));
    return true;
  }
  void SetRepeat(bool repeat) override { repeat_ = repeat; }
  bool LoopsItself() const override { return true; }

 private:
  std::shared_ptr<const SampleData> data_;
  uint32_t frames_ = 0, frame_ = 0, loopStart_ = 0, loopEnd_ = 0;
  bool repeat_ = false;
};

struct Voice {
  std::unique_ptr<MusicChannel> channel;
};

struct Library {
  std::mutex mutex;
  std::set<Sample*> samples;
  std::set<Module*> modules;
  std::map<int, Voice> voices;
  FileReader reader;
};

Library& Lib() {
  static Library* lib = new Library;  // outlives every output thread at exit
  return *lib;
}

bool ReadFile(const std::string& name, std::vector<uint8_t>& bytes) {
  FileReader reader;
  {
    std::lock_guard<std::mutex> lock(Lib().mutex);
    reader = Lib().reader;
  }
  std::string error;
  if (reader) return reader(name, bytes, error);
  FILE* f = Platform::OpenFile(name, "rb");
  if (!f) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> closer(f, std::fclose);
  if (std::fseek(f, 0, SEEK_END) != 0) return false;
  long size = std::ftell(f);
  if (size < 0 || static_cast<unsigned long>(size) > kMaxMusicFileBytes) return false;
  std::rewind(f);
  bytes.resize(static_cast<size_t>(size));
  return size == 0 || std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

bool KnownSample(Library& lib, Sample* s) { return s && lib.samples.count(s); }
bool KnownModule(Library& lib, Module* m) { return m && lib.modules.count(m); }

MusicChannel* VoiceChannel(Library& lib, int channel) {
  auto it = lib.voices.find(channel);
  return it == lib.voices.end() ? nullptr : it->second.channel.get();
}

void ReleaseChannel(std::unique_ptr<MusicChannel> channel) {
  if (channel) MusicOutput::Detach(channel.get());
}

int Unsupported() { return 0; }

}  // namespace

int Init(int, int, unsigned) { return 1; }
int SetHWND(void*) { return 1; }
int SetBufferSize(int) { return 1; }

void Close() {
  Library& lib = Lib();
  std::map<int, Voice> voices;
  std::set<Module*> modules;
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    voices.swap(lib.voices);
    modules.swap(lib.modules);
  }
  for (auto& entry : voices) ReleaseChannel(std::move(entry.second.channel));
  for (Module* m : modules) {
    ReleaseChannel(std::move(m->channel));
    delete m;
  }
}

Sample* Sample_Load(int, const char* name, unsigned, int) {
  if (!name) return nullptr;
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  if (!ReadFile(name, *bytes)) return nullptr;
  std::unique_ptr<MusicDecoder> decoder = OpenStreamDecoder(bytes, nullptr);
  if (!decoder) return nullptr;
  auto sample = std::make_unique<Sample>();
  SampleData& data = *sample->data;
  data.channels = decoder->Channels();
  data.rate = decoder->Rate();
  data.bits = 16;
  // Decoded whole, in pieces, never past the size a sample may have.
  std::vector<int16_t> piece(4096 * data.channels);
  for (;;) {
    size_t got = decoder->Read(piece.data(), 4096);
    if (got == 0) break;
    size_t addBytes = got * data.channels * 2;
    if (data.pcm.size() + addBytes > kMaxMusicFileBytes) return nullptr;
    size_t at = data.pcm.size();
    data.pcm.resize(at + addBytes);
    for (size_t i = 0; i < got * data.channels; ++i) {
      data.pcm[at + 2 * i] = static_cast<uint8_t>(piece[i] & 0xFF);
      data.pcm[at + 2 * i + 1] = static_cast<uint8_t>((piece[i] >> 8) & 0xFF);
    }
  }
  if (data.pcm.empty()) return nullptr;
  data.mode = kModeLoopOff | kMode16Bits | (data.channels == 1 ? kModeMono : kModeStereo);
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  lib.samples.insert(sample.get());
  return sample.release();
}

Sample* Sample_Alloc(int, int frames, unsigned mode, int frequency, int, int, int) {
  if (frames <= 0 || frequency < 100 || frequency > 200000) return nullptr;
  auto sample = std::make_unique<Sample>();
  SampleData& data = *sample->data;
  data.channels = (mode & kModeMono) ? 1 : 2;
  data.bits = (mode & kMode8Bits) ? 8 : 16;
  data.rate = frequency;
  data.mode = mode;
  uint64_t bytes = static_cast<uint64_t>(frames) * data.FrameBytes();
  if (bytes > kMaxMusicFileBytes) return nullptr;
  data.pcm.assign(static_cast<size_t>(bytes), data.bits == 8 ? 0x80 : 0);
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  lib.samples.insert(sample.get());
  return sample.release();
}

void Sample_Free(Sample* sample) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownSample(lib, sample)) return;
  lib.samples.erase(sample);
  delete sample;  // channels playing it keep its bytes
}

int Sample_Lock(Sample* sample, int offset, int length, void** first, void** second, unsigned* firstLength,
                unsigned* secondLength) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownSample(lib, sample) || offset < 0 || length < 0) return 0;
  std::vector<uint8_t>& pcm = sample->data->pcm;
  if (static_cast<uint64_t>(offset) + static_cast<uint64_t>(length) > pcm.size()) return 0;
  if (first) *first = pcm.data() + offset;
  if (firstLength) *firstLength = static_cast<unsigned>(length);
  if (second) *second = nullptr;
  if (secondLength) *secondLength = 0;
  return 1;
}

int Sample_Unlock(Sample* sample, void*, void*, unsigned, unsigned) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return KnownSample(lib, sample) ? 1 : 0;
}

int Sample_SetLoopPoints(Sample* sample, int start, int end) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownSample(lib, sample) || start < 0 || end < start) return 0;
  SampleData& data = *sample->data;
  if (static_cast<uint32_t>(end) > data.Frames()) return 0;
  data.loopStart = static_cast<uint32_t>(start);
  data.loopEnd = static_cast<uint32_t>(end);
  return 1;
}

unsigned Sample_GetLength(Sample* sample) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return KnownSample(lib, sample) ? sample->data->Frames() : 0;
}

int Sample_GetDefaults(Sample* sample, int* frequency, int* volume, int* pan, int* priority) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownSample(lib, sample)) return 0;
  if (frequency) *frequency = sample->data->rate;
  if (volume) *volume = 255;
  if (pan) *pan = 128;
  if (priority) *priority = 0;
  return 1;
}

unsigned Sample_GetMode(Sample* sample) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return KnownSample(lib, sample) ? sample->data->mode : 0;
}

int PlaySound(int channel, Sample* sample) {
  Library& lib = Lib();
  std::unique_ptr<MusicChannel> old;
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!KnownSample(lib, sample) || channel < 0) return -1;
    auto playing = std::make_unique<MusicChannel>(std::make_unique<SampleDecoder>(sample->data));
    playing->SetLoop(sample->data->mode & kModeLoopNormal);
    playing->Play(true);
    MusicOutput::Attach(playing.get());
    Voice& voice = lib.voices[channel];
    old = std::move(voice.channel);
    voice.channel = std::move(playing);
  }
  ReleaseChannel(std::move(old));
  return channel;
}

int StopSound(int channel) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  MusicChannel* ch = VoiceChannel(lib, channel);
  if (!ch) return 0;
  ch->Stop();
  return 1;
}

int SetVolume(int channel, int volume) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  MusicChannel* ch = VoiceChannel(lib, channel);
  if (!ch) return 0;
  ch->SetGain(std::clamp(volume, 0, 100) / 100.0f);
  return 1;
}

int SetPaused(int channel, int paused) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  MusicChannel* ch = VoiceChannel(lib, channel);
  if (!ch) return 0;
  if (paused) return ch->Pause() ? 1 : 0;
  if (ch->IsPaused()) ch->Play(false);
  return 1;
}

int SetLoopMode(int channel, unsigned mode) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  MusicChannel* ch = VoiceChannel(lib, channel);
  if (!ch) return 0;
  ch->SetLoop(mode == static_cast<unsigned>(kLoopRepeat));
  return 1;
}

int IsPlaying(int channel) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  MusicChannel* ch = VoiceChannel(lib, channel);
  return ch && ch->IsActive() ? 1 : 0;
}

Module* LoadSong(const char* name) {
  if (!name) return nullptr;
  std::vector<uint8_t> bytes;
  if (!ReadFile(name, bytes)) return nullptr;
  // Ogg files are streams, never modules, whatever a module reader might
  // make of them.
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0) return nullptr;
  std::unique_ptr<MusicDecoder> decoder = OpenModuleDecoder(bytes, nullptr);
  if (!decoder) return nullptr;
  auto module = std::make_unique<Module>();
  module->channel = std::make_unique<MusicChannel>(std::move(decoder));
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  MusicOutput::Attach(module->channel.get());
  lib.modules.insert(module.get());
  return module.release();
}

int PlaySong(Module* module) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownModule(lib, module)) return 0;
  module->channel->Play(true);
  return 1;
}

int StopSong(Module* module) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownModule(lib, module)) return 0;
  module->channel->Stop();
  return 1;
}

int SetLooping(Module* module, int mode) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownModule(lib, module)) return 0;
  module->channel->SetLoop(mode == kLoopRepeat);
  return 1;
}

int SetOrder(Module* module, int order) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownModule(lib, module)) return 0;
  return module->channel->SeekOrder(order) ? 1 : 0;
}

int SetModulePaused(Module* module, int paused) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownModule(lib, module)) return 0;
  if (paused) return module->channel->Pause() ? 1 : 0;
  if (module->channel->IsPaused()) module->channel->Play(false);
  return 1;
}

int SetMasterVolume(Module* module, int volume) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!KnownModule(lib, module)) return 0;
  module->channel->SetGain(std::clamp(volume, 0, 100) / 100.0f);
  return 1;
}

int IsModulePlaying(Module* module) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return KnownModule(lib, module) && module->channel->IsActive() ? 1 : 0;
}

void SetFileReader(FileReader reader) {
  std::lock_guard<std::mutex> lock(Lib().mutex);
  Lib().reader = std::move(reader);
}

void* SampleMusicLibEntry(const char* name) {
  struct Entry {
    const char* name;
    void* fn;
  };
#define KIVO_ENTRY(n, f) {n, reinterpret_cast<void*>(&f)}
  static const Entry kEntries[] = {
      KIVO_ENTRY("_FSOUND_SetBufferSize@4", SetBufferSize),
      KIVO_ENTRY("_FSOUND_SetHWND@4", SetHWND),
      KIVO_ENTRY("_FSOUND_Init@12", Init),
      KIVO_ENTRY("_FSOUND_Close@0", Close),
      KIVO_ENTRY("_FSOUND_Sample_Load@16", Sample_Load),
      KIVO_ENTRY("_FSOUND_Sample_Alloc@28", Sample_Alloc),
      KIVO_ENTRY("_FSOUND_Sample_Free@4", Sample_Free),
      KIVO_ENTRY("_FSOUND_Sample_Lock@28", Sample_Lock),
      KIVO_ENTRY("_FSOUND_Sample_Unlock@20", Sample_Unlock),
      KIVO_ENTRY("_FSOUND_Sample_SetLoopPoints@12", Sample_SetLoopPoints),
      KIVO_ENTRY("_FSOUND_Sample_GetLength@4", Sample_GetLength),
      KIVO_ENTRY("_FSOUND_Sample_GetDefaults@20", Sample_GetDefaults),
      KIVO_ENTRY("_FSOUND_Sample_GetMode@4", Sample_GetMode),
      KIVO_ENTRY("_FSOUND_PlaySound@8", PlaySound),
      KIVO_ENTRY("_FSOUND_StopSound@4", StopSound),
      KIVO_ENTRY("_FSOUND_SetVolume@8", SetVolume),
      KIVO_ENTRY("_FSOUND_SetPaused@8", SetPaused),
      KIVO_ENTRY("_FSOUND_SetLoopMode@8", SetLoopMode),
      KIVO_ENTRY("_FSOUND_IsPlaying@4", IsPlaying),
      KIVO_ENTRY("_FSOUND_Stream_OpenFile@12", Unsupported),
      KIVO_ENTRY("_FSOUND_Stream_Close@4", Unsupported),
      KIVO_ENTRY("_FSOUND_Stream_Play@8", Unsupported),
      KIVO_ENTRY("_FMUSIC_LoadSong@4", LoadSong),
      KIVO_ENTRY("_FMUSIC_PlaySong@4", PlaySong),
      KIVO_ENTRY("_FMUSIC_StopSong@4", StopSong),
      KIVO_ENTRY("_FMUSIC_SetLooping@8", SetLooping),
      KIVO_ENTRY("_FMUSIC_SetOrder@8", SetOrder),
      KIVO_ENTRY("_FMUSIC_SetPaused@8", SetModulePaused),
      KIVO_ENTRY("_FMUSIC_SetMasterVolume@8", SetMasterVolume),
      KIVO_ENTRY("_FMUSIC_IsPlaying@4", IsModulePlaying),
  };
#undef KIVO_ENTRY
  if (!name) return nullptr;
  for (const Entry& e : kEntries)
    if (std::strcmp(e.name, name) == 0) return e.fn;
  return nullptr;
}

}  // namespace SampleMusicLib
}  // namespace Kivo
