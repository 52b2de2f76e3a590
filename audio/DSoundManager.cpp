// The sound manager: ids, instances, the loading order and the cache.
//
// Reading order for a name (no extension): the per-user cache file, then
// ".wav", ".mp3" (only with the second audio library), ".ogg", ".au". A decoded
// compressed sound is written to the cache. Every reader decodes into a new
// buffer that reaches the id only when the read (and the cache write) has
// succeeded, so a failed read never leaves a partial sound behind.
#include "audio/DSoundManager.h"

#include <cmath>
#include <cstring>

#include "audio/AudioSupport.h"
#include "audio/DSoundInstance.h"
#include "audio/FmodLibrary.h"
#include "audio/SoundCache.h"
#include "audio/SoundReaders.h"
#include "audio/SoundSource.h"
#include "platform/devices/MusicChannel.h"
#include "platform/Process.h"

namespace Kivo {

namespace {

bool ValidId(int id) { return static_cast<unsigned>(id) < static_cast<unsigned>(kMaxSoundIds); }

}  // namespace

// Makes the id's buffer when the reader knows its format, and hands the reader
// the buffer's memory.
class DSoundManager::BufferSink : public PcmSink {
 public:
  explicit BufferSink(DSoundDevice* device) : device_(device) {}
  ~BufferSink() override {
    if (buffer_) buffer_->Release();
  }
  std::uint8_t* Allocate(const WaveFormat& format, std::uint32_t bytes) override {
    if (buffer_) return nullptr;
    BufferDesc desc;
    desc.flags = kStaticSoundFlags;
    desc.bufferBytes = bytes;
    desc.format = &format;
    if (device_->CreateSoundBuffer(&desc, &buffer_, nullptr) != DS_OK) return nullptr;
    void* memory = nullptr;
    std::uint32_t locked = 0;
    if (buffer_->Lock(0, bytes, &memory, &locked, nullptr, nullptr, 0) != DS_OK || locked != bytes) {
      buffer_->Release();
      buffer_ = nullptr;
      return nullptr;
    }
    memory_ = memory;
    bytes_ = bytes;
    return static_cast<std::uint8_t*>(memory);
  }
  // The filled buffer, unlocked; null when nothing was made or the unlock fails.
  DSoundBuffer* Take() {
    if (!buffer_) return nullptr;
    DSoundBuffer* b = buffer_;
    buffer_ = nullptr;
    if (b->Unlock(memory_, bytes_, nullptr, 0) != DS_OK) {
      b->Release();
      return nullptr;
    }
    return b;
  }

 private:
  DSoundDevice* device_;
  DSoundBuffer* buffer_ = nullptr;
  void* memory_ = nullptr;
  std::uint32_t bytes_ = 0;
};

DSoundManager::DSoundManager(void* window, bool useFmod) : useFmod_(useFmod) {
  for (double& v : baseVolumes_) v = 1.0;
  if (!window) return;
  // The device comes from the sound library the application loaded; without
  // the library or its entry the manager stays silent.
  HMODULE library = LoadLibraryA("dsound.dll");
  auto create = library ? reinterpret_cast<DirectSoundCreateFn>(GetProcAddress(library, "DirectSoundCreate")) : nullptr;
  if (library) FreeLibrary(library);
  if (!create) {
    AudioLogOnce("no sound library; sound is off");
    return;
  }
  DSResult r = create(nullptr, &device_, nullptr);
  if (r != DS_OK || !device_) {
    device_ = nullptr;
    AudioLogOnce(std::string("sound device not created (") + DSoundErrorName(r) + "); sound is off");
    return;
  }
  // Music plays on the same device: some audio drivers open only one.
  MusicOutput::SetDevice(device_);
  if (useFmod_) {
    fmod_ = AcquireFmodLibrary();
    fmod_->SetHWND(window);
    fmod_->SetBufferSize(200);
    fmod_->Init(44100, 64, 2);
  }
  if (device_->SetCooperativeLevel(window, DSSCL_PRIORITY) < 0) {
    device_->SetCooperativeLevel(window, DSSCL_NORMAL);
    return;
  }
  BufferDesc desc;
  desc.flags = DSBCAPS_PRIMARYBUFFER;
  if (device_->CreateSoundBuffer(&desc, &primary_, nullptr) == DS_OK && primary_) {
    WaveFormat format = MakePcmFormat(2, 44100, 16);
    format.extraSize = 18;  // as the callers fill the record; the device ignores it
    primary_->SetFormat(&format);
  }
}

DSoundManager::~DSoundManager() {
  ReleaseAllInstances();
  UnloadAllSounds();
  if (primary_) primary_->Release();
  if (device_) {
    if (fmod_) fmod_->Close();
    device_->Release();
    if (fmod_) ReleaseFmodLibrary();
  }
}

std::int32_t DSoundManager::VolumeToAttenuation(double volume) {
  const double a = (std::log10(1.0 + 9.0 * volume) - 1.0) * 2333.0;
  // Negative volumes (no logarithm) and NaN are silence too; a volume above
  // 1 gives a positive value that the device refuses.
  if (!(a > -2001.0)) return -10000;
  const std::int32_t truncated = a > 1e6 ? 1000000 : static_cast<std::int32_t>(a);
  return truncated < -2000 ? -10000 : truncated;
}

bool DSoundManager::IsReady() { return device_ != nullptr; }

int DSoundManager::FindOrLoadSound(const std::string& name) {
  int target = -1;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (int id = 0; id < kMaxSoundIds; ++id)
      if (names_[id] == name) return id;
    for (int id = kMaxSoundIds - 1; id >= 0; --id) {
      if (!buffers_[id] && !loading_[id]) {
        target = id;
        break;
      }
    }
  }
  if (target < 0) return -1;
  return LoadSoundIntoId(target, name) ? target : -1;
}

void DSoundManager::UnloadSound(int id) {
  if (!ValidId(id)) return;
  DSoundBuffer* buffer = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!buffers_[id]) return;
    buffer = buffers_[id];
    buffers_[id] = nullptr;
    byteSizes_[id] = 0;
    names_[id].clear();
  }
  // Instances hold their own duplicates, which keep the samples alive.
  buffer->Release();
}

void DSoundManager::UnloadAllSounds() {
  DSoundBuffer* released[kMaxSoundIds] = {};
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (int id = 0; id < kMaxSoundIds; ++id) {
      released[id] = buffers_[id];
      buffers_[id] = nullptr;
      byteSizes_[id] = 0;
    }
  }
  for (DSoundBuffer* b : released)
    if (b) b->Release();
}

bool DSoundManager::LoadSoundIntoId(int id, const std::string& name) {
  if (!ValidId(id)) return false;
  UnloadSound(id);
  if (!device_) return true;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (loading_[id]) return false;  // another thread is filling it
    names_[id] = name;
    loading_[id] = true;
  }

  DSoundBuffer* buffer = nullptr;
  const std::string cacheFile = SoundCacheFileName(name);
  if (!cacheFile.empty()) {
    if (ReadInto(cacheFile, true, nullptr, &buffer)) return Publish(id, buffer);
    AudioMakeFolders(AudioPathFolder(cacheFile));
  }
  if (ReadInto(name + ".wav", true, nullptr, &buffer)) return Publish(id, buffer);

  std::string source;
  if (useFmod_ && LoadMp3Into(name + ".mp3", &buffer)) source = name + ".mp3";
  else if (ReadInto(name + ".ogg", false, &ReadOggSound, &buffer)) source = name + ".ogg";
  else if (ReadInto(name + ".au", false, &ReadAuSound, &buffer)) source = name + ".au";
  if (source.empty()) return Publish(id, nullptr);

  ++decodeCount_;
  if (!cacheFile.empty()) {
    void* memory = nullptr;
    std::uint32_t bytes = 0;
    WaveFormat format;
    buffer->GetFormat(&format, kWaveFormatRecordSize, nullptr);
    if (buffer->Lock(0, 0, &memory, &bytes, nullptr, nullptr, 2) == DS_OK) {
      WriteSoundCacheFile(cacheFile, format, static_cast<const std::uint8_t*>(memory), bytes, source);
      buffer->Unlock(memory, bytes, nullptr, 0);
    }
  }
  return Publish(id, buffer);
}

bool DSoundManager::ReadInto(const std::string& path, bool wav, Reader reader, DSoundBuffer** out) {
  *out = nullptr;
  std::unique_ptr<SoundSource> in = OpenSoundFile(path);
  if (!in) return false;
  BufferSink sink(device_);
  bool ok = wav ? ReadWavSound(*in, sink, &SoundCacheSourceUnchanged, nullptr) : reader(*in, sink, nullptr);
  if (!ok) return false;
  *out = sink.Take();
  return *out != nullptr;
}

bool DSoundManager::LoadMp3Into(const std::string& path, DSoundBuffer** out) {
  *out = nullptr;
  if (!useFmod_ || !fmod_) return false;
  FmodSample* sample = fmod_->Sample_Load(-1, path.c_str(), 0, 0);
  if (!sample) return false;
  unsigned mode = fmod_->Sample_GetMode(sample);
  int frequency = 0;
  fmod_->Sample_GetDefaults(sample, &frequency, nullptr, nullptr, nullptr);
  const std::uint16_t channels = (mode & kFmodModeMono) ? 1 : 2;
  const std::uint16_t bits = (mode & kFmodMode8Bits) ? 8 : 16;
  const std::uint64_t bytes = static_cast<std::uint64_t>(fmod_->Sample_GetLength(sample)) * (channels * bits / 8);
  bool ok = false;
  if (frequency > 0 && bytes > 0 && bytes <= kMaxPcmBytes) {
    BufferSink sink(device_);
    std::uint8_t* memory =
        sink.Allocate(MakePcmFormat(channels, static_cast<std::uint32_t>(frequency), bits), static_cast<std::uint32_t>(bytes));
    void* first = nullptr;
    void* second = nullptr;
    unsigned firstBytes = 0, secondBytes = 0;
    // Both locks must hold: a sound without its samples is a failed load.
    if (memory && fmod_->Sample_Lock(sample, 0, static_cast<int>(bytes), &first, &second, &firstBytes, &secondBytes) &&
        first && firstBytes == bytes) {
      std::memcpy(memory, first, static_cast<std::size_t>(bytes));
      fmod_->Sample_Unlock(sample, first, second, firstBytes, secondBytes);
      *out = sink.Take();
      ok = *out != nullptr;
    }
  }
  fmod_->Sample_Free(sample);
  return ok;
}

bool DSoundManager::Publish(int id, DSoundBuffer* buffer) {
  std::lock_guard<std::mutex> guard(lock_);
  loading_[id] = false;
  if (!buffer) return false;
  WaveFormat format;
  buffer->GetFormat(&format, kWaveFormatRecordSize, nullptr);
  void* memory = nullptr;
  std::uint32_t bytes = 0;
  if (buffer->Lock(0, 0, &memory, &bytes, nullptr, nullptr, 2) == DS_OK) buffer->Unlock(memory, bytes, nullptr, 0);
  buffers_[id] = buffer;
  byteSizes_[id] = bytes;
  return true;
}

bool DSoundManager::LoadWavFile(int id, const std::string& path) {
  if (!ValidId(id) || !device_) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  ReadInto(path, true, nullptr, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::LoadOggFile(int id, const std::string& path) {
  if (!ValidId(id) || !device_) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  ReadInto(path, false, &ReadOggSound, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::LoadAuFile(int id, const std::string& path) {
  if (!ValidId(id) || !device_) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  ReadInto(path, false, &ReadAuSound, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::LoadMp3File(int id, const std::string& path) {
  if (!ValidId(id) || !device_) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  LoadMp3Into(path, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::WriteSoundCache(int id, const std::string& cacheFile, const std::string& sourceName) {
  if (cacheFile.empty() || !ValidId(id)) return false;
  DSoundBuffer* buffer = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    buffer = buffers_[id];
    if (buffer) buffer->AddRef();
  }
  if (!buffer) return false;
  bool ok = false;
  WaveFormat format;
  void* memory = nullptr;
  std::uint32_t bytes = 0;
  if (buffer->GetFormat(&format, kWaveFormatRecordSize, nullptr) == DS_OK &&
      buffer->Lock(0, 0, &memory, &bytes, nullptr, nullptr, 2) == DS_OK) {
    ok = WriteSoundCacheFile(cacheFile, format, static_cast<const std::uint8_t*>(memory), bytes, sourceName);
    ok = buffer->Unlock(memory, bytes, nullptr, 0) == DS_OK && ok;
  }
  buffer->Release();
  return ok;
}

std::uint32_t DSoundManager::SoundBytes(int id) {
  if (!ValidId(id)) return 0;
  std::lock_guard<std::mutex> guard(lock_);
  return byteSizes_[id];
}

void DSoundManager::SetMasterVolume(double volume) {
  std::lock_guard<std::mutex> guard(lock_);
  masterVolume_.store(volume);
  for (DSoundInstance* instance : slots_)
    if (instance) instance->ApplyVolume();
}

bool DSoundManager::SetSoundBaseVolume(int id, double volume) {
  if (!ValidId(id)) return false;
  std::lock_guard<std::mutex> guard(lock_);
  baseVolumes_[id] = volume;
  return true;
}

bool DSoundManager::SetSoundBasePan(int id, int pan) {
  if (!ValidId(id)) return false;
  std::lock_guard<std::mutex> guard(lock_);
  basePans_[id] = pan;
  return true;
}

void DSoundManager::ReapReleasedInstancesLocked() {
  for (DSoundInstance*& instance : slots_) {
    if (instance && instance->IsReleased()) {
      delete instance;
      instance = nullptr;
    }
  }
}

int DSoundManager::FindFreeInstanceSlotLocked() {
  std::uint32_t now = AudioTickCount();
  if (static_cast<std::uint32_t>(now - lastReapTime_) > 1000) {
    ReapReleasedInstancesLocked();
    lastReapTime_ = now;
  }
  for (int slot = 0; slot < kMaxSoundInstances; ++slot) {
    if (!slots_[slot]) return slot;
    if (slots_[slot]->IsReleased()) {
      delete slots_[slot];
      slots_[slot] = nullptr;
      return slot;
    }
  }
  return -1;
}

SoundInstance* DSoundManager::CreateInstance(int id) {
  if (!ValidId(id)) return nullptr;
  std::lock_guard<std::mutex> guard(lock_);
  int slot = FindFreeInstanceSlotLocked();
  if (slot < 0) return nullptr;
  DSoundBuffer* source = nullptr;
  if (device_) {
    source = buffers_[id];
    if (!source) return nullptr;
  }
  DSResult error = DS_OK;
  DSoundInstance* instance = DSoundInstance::Create(this, source, &error);
  if (!instance) {
    // A failed duplicate costs this one sound, not the process.
    AudioLog(std::string("sound instance not created: ") + DSoundErrorName(error));
    return nullptr;
  }
  slots_[slot] = instance;
  instance->SetBasePan(basePans_[id]);
  instance->SetBaseVolume(baseVolumes_[id]);
  return instance;
}

void DSoundManager::ReleaseAllInstances() {
  std::lock_guard<std::mutex> guard(lock_);
  for (DSoundInstance*& instance : slots_) {
    delete instance;
    instance = nullptr;
  }
}

void DSoundManager::StopAllInstances() {
  std::lock_guard<std::mutex> guard(lock_);
  for (DSoundInstance* instance : slots_) {
    if (!instance) continue;
    bool releaseWhenDone = instance->ReleaseWhenDone();
    instance->Stop();
    instance->SetReleaseWhenDone(releaseWhenDone);
  }
}

double DSoundManager::GetSystemVolume() { return GetSystemWaveVolume() / 65535.0; }

void DSoundManager::SetSystemVolume(double volume) {
  double scaled = volume * 65535.0;
  if (!(scaled > 0)) scaled = 0;
  if (scaled > 65535.0) scaled = 65535.0;
  SetSystemWaveVolume(static_cast<std::uint32_t>(scaled));
}

void DSoundManager::ReservedHook() {}

void DSoundManager::AttachToWindow(void* window, bool) {
  if (device_) device_->SetCooperativeLevel(window, DSSCL_NORMAL);
}

int DSoundManager::FindFreeSoundId() {
  std::lock_guard<std::mutex> guard(lock_);
  for (int id = 0; id < kMaxSoundIds; ++id)
    if (!buffers_[id] && !loading_[id]) return id;
  return -1;
}

int DSoundManager::CountLoadedSounds() {
  std::lock_guard<std::mutex> guard(lock_);
  int count = 0;
  for (DSoundBuffer* b : buffers_)
    if (b) ++count;
  return count;
}

}  // namespace Kivo
