#include "platform/devices/SampleMusicLib.h"

#include "platform/devices/MusicChannel.h"
#include "platform/devices/MusicDecoders.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace Kivo {
namespace SampleMusicLib {

struct Module {
  std::unique_ptr<MusicChannel> channel;
};

namespace {

// Plays decoded frames, looping between the loop points when asked.
class PcmDecoder : public MusicDecoder {
 public:
  PcmDecoder(int channels, int bits, int rate, std::vector<uint8_t> pcm, uint32_t loopStart, uint32_t loopEnd)
      : mPcm(std::move(pcm)), mBits(bits) {
    mChannels = channels;
    mRate = rate;
    mFrameBytes = static_cast<uint32_t>(channels * bits / 8);
    mFrames = static_cast<uint32_t>(mPcm.size() / mFrameBytes);
    mLoopEnd = loopEnd && loopEnd <= mFrames ? loopEnd : mFrames;
    mLoopStart = std::min(loopStart, mLoopEnd);
  }

  size_t Read(int16_t* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      uint32_t end = mRepeat ? mLoopEnd : mFrames;
      if (mFrame >= end) {
        if (!mRepeat || mLoopEnd == mLoopStart) break;
        mFrame = mLoopStart;
      }
      size_t n = std::min<size_t>(frames - done, end - mFrame);
      const uint8_t* src = mPcm.data() + static_cast<size_t>(mFrame) * mFrameBytes;
      int16_t* dst = out + done * mChannels;
      size_t samples = n * mChannels;
      if (mBits == 16) {
        for (size_t i = 0; i < samples; ++i) dst[i] = static_cast<int16_t>(src[2 * i] | src[2 * i + 1] << 8);
      } else {
        for (size_t i = 0; i < samples; ++i) dst[i] = static_cast<int16_t>((src[i] - 128) * 256);
      }
      mFrame += static_cast<uint32_t>(n);
      done += n;
    }
    return done;
  }
  bool SeekFrame(uint64_t frame) override {
    mFrame = static_cast<uint32_t>(std::min<uint64_t>(frame, mFrames));
    return true;
  }
  void SetRepeat(bool repeat) override { mRepeat = repeat; }
  bool LoopsItself() const override { return true; }

 private:
  std::vector<uint8_t> mPcm;
  int mBits = 16;
  uint32_t mFrameBytes = 4, mFrames = 0, mFrame = 0, mLoopStart = 0, mLoopEnd = 0;
  bool mRepeat = false;
};

struct Library {
  std::mutex mutex;
  std::set<Module*> modules;
  std::map<int, std::unique_ptr<MusicChannel>> voices;
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
  return reader ? reader(name, bytes, error) : ReadMusicFileFromFolders(name, bytes, error);
}

bool KnownModule(Library& lib, Module* m) { return m && lib.modules.count(m); }

MusicChannel* VoiceChannel(Library& lib, int channel) {
  auto it = lib.voices.find(channel);
  return it == lib.voices.end() ? nullptr : it->second.get();
}

}  // namespace

void Close() {
  Library& lib = Lib();
  std::map<int, std::unique_ptr<MusicChannel>> voices;
  std::set<Module*> modules;
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    voices.swap(lib.voices);
    modules.swap(lib.modules);
  }
  // Channels are deleted outside the lock: deleting one waits for the
  // mixer to let go of its voice.
  voices.clear();
  for (Module* m : modules) delete m;
}

int PlayPcm(int channel, int channels, int bits, int rate, std::vector<uint8_t> pcm, uint32_t loopStart,
            uint32_t loopEnd) {
  if (channel < 0 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate < 100 || rate > 200000 ||
      pcm.size() < static_cast<size_t>(channels * bits / 8))
    return -1;
  auto playing = std::make_unique<MusicChannel>(
      std::make_unique<PcmDecoder>(channels, bits, rate, std::move(pcm), loopStart, loopEnd));
  playing->Play(true);
  Library& lib = Lib();
  std::unique_ptr<MusicChannel> old;
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    std::unique_ptr<MusicChannel>& slot = lib.voices[channel];
    old = std::move(slot);
    slot = std::move(playing);
  }
  old.reset();
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

}  // namespace SampleMusicLib
}  // namespace Kivo
