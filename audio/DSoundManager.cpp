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
  explicit BufferSink(DSoundDevice* device) : mDevice(device) {}
  ~BufferSink() override {
    if (mBuffer) mBuffer->Release();
  }
  std::uint8_t* Allocate(const WaveFormat& format, std::uint32_t bytes) override {
    if (mBuffer) return nullptr;
    BufferDesc desc;
    desc.flags = kStaticSoundFlags;
    desc.bufferBytes = bytes;
    desc.format = &format;
    if (mDevice->CreateSoundBuffer(&desc, &mBuffer, nullptr) != DS_OK) return nullptr;
    void* memory = nullptr;
    std::uint32_t locked = 0;
    if (mBuffer->Lock(0, bytes, &memory, &locked, nullptr, nullptr, 0) != DS_OK || locked != bytes) {
      mBuffer->Release();
      mBuffer = nullptr;
      return nullptr;
    }
    mMemory = memory;
    mBytes = bytes;
    return static_cast<std::uint8_t*>(memory);
  }
  // The filled buffer, unlocked; null when nothing was made or the unlock fails.
  DSoundBuffer* Take() {
    if (!mBuffer) return nullptr;
    DSoundBuffer* b = mBuffer;
    mBuffer = nullptr;
    if (b->Unlock(mMemory, mBytes, nullptr, 0) != DS_OK) {
      b->Release();
      return nullptr;
    }
    return b;
  }

 private:
  DSoundDevice* mDevice;
  DSoundBuffer* mBuffer = nullptr;
  void* mMemory = nullptr;
  std::uint32_t mBytes = 0;
};

DSoundManager::DSoundManager(void* window, bool useFmod) : mUseFmod(useFmod) {
  for (double& v : mBaseVolumes) v = 1.0;
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
  DSResult r = create(nullptr, &mDevice, nullptr);
  if (r != DS_OK || !mDevice) {
    mDevice = nullptr;
    AudioLogOnce(std::string("sound device not created (") + DSoundErrorName(r) + "); sound is off");
    return;
  }
  // Music plays on the same device: some audio drivers open only one.
  MusicOutput::SetDevice(mDevice);
  if (mUseFmod) {
    mFmod = AcquireFmodLibrary();
    mFmod->SetHWND(window);
    mFmod->SetBufferSize(200);
    mFmod->Init(44100, 64, 2);
  }
  if (mDevice->SetCooperativeLevel(window, DSSCL_PRIORITY) < 0) {
    mDevice->SetCooperativeLevel(window, DSSCL_NORMAL);
    return;
  }
  BufferDesc desc;
  desc.flags = DSBCAPS_PRIMARYBUFFER;
  if (mDevice->CreateSoundBuffer(&desc, &mPrimary, nullptr) == DS_OK && mPrimary) {
    WaveFormat format = MakePcmFormat(2, 44100, 16);
    format.extraSize = 18;  // as the callers fill the record; the device ignores it
    mPrimary->SetFormat(&format);
  }
}

DSoundManager::~DSoundManager() {
  ReleaseAllInstances();
  UnloadAllSounds();
  if (mPrimary) mPrimary->Release();
  if (mDevice) {
    if (mFmod) mFmod->Close();
    mDevice->Release();
    if (mFmod) ReleaseFmodLibrary();
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

bool DSoundManager::IsReady() { return mDevice != nullptr; }

int DSoundManager::FindOrLoadSound(const std::string& name) {
  int target = -1;
  {
    std::lock_guard<std::mutex> guard(mLock);
    for (int id = 0; id < kMaxSoundIds; ++id)
      if (mNames[id] == name) return id;
    for (int id = kMaxSoundIds - 1; id >= 0; --id) {
      if (!mBuffers[id] && !mLoading[id]) {
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
    std::lock_guard<std::mutex> guard(mLock);
    if (!mBuffers[id]) return;
    buffer = mBuffers[id];
    mBuffers[id] = nullptr;
    mByteSizes[id] = 0;
    mNames[id].clear();
  }
  // Instances hold their own duplicates, which keep the samples alive.
  buffer->Release();
}

void DSoundManager::UnloadAllSounds() {
  DSoundBuffer* released[kMaxSoundIds] = {};
  {
    std::lock_guard<std::mutex> guard(mLock);
    for (int id = 0; id < kMaxSoundIds; ++id) {
      released[id] = mBuffers[id];
      mBuffers[id] = nullptr;
      mByteSizes[id] = 0;
    }
  }
  for (DSoundBuffer* b : released)
    if (b) b->Release();
}

bool DSoundManager::LoadSoundIntoId(int id, const std::string& name) {
  if (!ValidId(id)) return false;
  UnloadSound(id);
  if (!mDevice) return true;
  {
    std::lock_guard<std::mutex> guard(mLock);
    if (mLoading[id]) return false;  // another thread is filling it
    mNames[id] = name;
    mLoading[id] = true;
  }

  DSoundBuffer* buffer = nullptr;
  const std::string cacheFile = SoundCacheFileName(name);
  if (!cacheFile.empty()) {
    if (ReadInto(cacheFile, true, nullptr, &buffer)) return Publish(id, buffer);
    AudioMakeFolders(AudioPathFolder(cacheFile));
  }
  if (ReadInto(name + ".wav", true, nullptr, &buffer)) return Publish(id, buffer);

  std::string source;
  if (mUseFmod && LoadMp3Into(name + ".mp3", &buffer))
    source = name + ".mp3";
  else if (ReadInto(name + ".ogg", false, &ReadOggSound, &buffer))
    source = name + ".ogg";
  else if (ReadInto(name + ".au", false, &ReadAuSound, &buffer))
    source = name + ".au";
  if (source.empty()) return Publish(id, nullptr);

  ++mDecodeCount;
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
  BufferSink sink(mDevice);
  bool ok = wav ? ReadWavSound(*in, sink, &SoundCacheSourceUnchanged, nullptr) : reader(*in, sink, nullptr);
  if (!ok) return false;
  *out = sink.Take();
  return *out != nullptr;
}

bool DSoundManager::LoadMp3Into(const std::string& path, DSoundBuffer** out) {
  *out = nullptr;
  if (!mUseFmod || !mFmod) return false;
  FmodSample* sample = mFmod->Sample_Load(-1, path.c_str(), 0, 0);
  if (!sample) return false;
  unsigned mode = mFmod->Sample_GetMode(sample);
  int frequency = 0;
  mFmod->Sample_GetDefaults(sample, &frequency, nullptr, nullptr, nullptr);
  const std::uint16_t channels = (mode & kFmodModeMono) ? 1 : 2;
  const std::uint16_t bits = (mode & kFmodMode8Bits) ? 8 : 16;
  const std::uint64_t bytes = static_cast<std::uint64_t>(mFmod->Sample_GetLength(sample)) * (channels * bits / 8);
  bool ok = false;
  if (frequency > 0 && bytes > 0 && bytes <= kMaxPcmBytes) {
    BufferSink sink(mDevice);
    std::uint8_t* memory = sink.Allocate(MakePcmFormat(channels, static_cast<std::uint32_t>(frequency), bits),
                                         static_cast<std::uint32_t>(bytes));
    void* first = nullptr;
    void* second = nullptr;
    unsigned firstBytes = 0, secondBytes = 0;
    // Both locks must hold: a sound without its samples is a failed load.
    if (memory && mFmod->Sample_Lock(sample, 0, static_cast<int>(bytes), &first, &second, &firstBytes, &secondBytes) &&
        first && firstBytes == bytes) {
      std::memcpy(memory, first, static_cast<std::size_t>(bytes));
      mFmod->Sample_Unlock(sample, first, second, firstBytes, secondBytes);
      *out = sink.Take();
      ok = *out != nullptr;
    }
  }
  mFmod->Sample_Free(sample);
  return ok;
}

bool DSoundManager::Publish(int id, DSoundBuffer* buffer) {
  std::lock_guard<std::mutex> guard(mLock);
  mLoading[id] = false;
  if (!buffer) return false;
  WaveFormat format;
  buffer->GetFormat(&format, kWaveFormatRecordSize, nullptr);
  void* memory = nullptr;
  std::uint32_t bytes = 0;
  if (buffer->Lock(0, 0, &memory, &bytes, nullptr, nullptr, 2) == DS_OK) buffer->Unlock(memory, bytes, nullptr, 0);
  mBuffers[id] = buffer;
  mByteSizes[id] = bytes;
  return true;
}

bool DSoundManager::LoadWavFile(int id, const std::string& path) {
  if (!ValidId(id) || !mDevice) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  ReadInto(path, true, nullptr, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::LoadOggFile(int id, const std::string& path) {
  if (!ValidId(id) || !mDevice) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  ReadInto(path, false, &ReadOggSound, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::LoadAuFile(int id, const std::string& path) {
  if (!ValidId(id) || !mDevice) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  ReadInto(path, false, &ReadAuSound, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::LoadMp3File(int id, const std::string& path) {
  if (!ValidId(id) || !mDevice) return false;
  UnloadSound(id);
  DSoundBuffer* buffer = nullptr;
  LoadMp3Into(path, &buffer);
  return Publish(id, buffer);
}

bool DSoundManager::WriteSoundCache(int id, const std::string& cacheFile, const std::string& sourceName) {
  if (cacheFile.empty() || !ValidId(id)) return false;
  DSoundBuffer* buffer = nullptr;
  {
    std::lock_guard<std::mutex> guard(mLock);
    buffer = mBuffers[id];
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
  std::lock_guard<std::mutex> guard(mLock);
  return mByteSizes[id];
}

void DSoundManager::SetMasterVolume(double volume) {
  std::lock_guard<std::mutex> guard(mLock);
  mMasterVolume.store(volume);
  for (DSoundInstance* instance : mSlots)
    if (instance) instance->ApplyVolume();
}

bool DSoundManager::SetSoundBaseVolume(int id, double volume) {
  if (!ValidId(id)) return false;
  std::lock_guard<std::mutex> guard(mLock);
  mBaseVolumes[id] = volume;
  return true;
}

bool DSoundManager::SetSoundBasePan(int id, int pan) {
  if (!ValidId(id)) return false;
  std::lock_guard<std::mutex> guard(mLock);
  mBasePans[id] = pan;
  return true;
}

void DSoundManager::ReapReleasedInstancesLocked() {
  for (DSoundInstance*& instance : mSlots) {
    if (instance && instance->IsReleased()) {
      delete instance;
      instance = nullptr;
    }
  }
}

int DSoundManager::FindFreeInstanceSlotLocked() {
  std::uint32_t now = AudioTickCount();
  if (static_cast<std::uint32_t>(now - mLastReapTime) > 1000) {
    ReapReleasedInstancesLocked();
    mLastReapTime = now;
  }
  for (int slot = 0; slot < kMaxSoundInstances; ++slot) {
    if (!mSlots[slot]) return slot;
    if (mSlots[slot]->IsReleased()) {
      delete mSlots[slot];
      mSlots[slot] = nullptr;
      return slot;
    }
  }
  return -1;
}

SoundInstance* DSoundManager::CreateInstance(int id) {
  if (!ValidId(id)) return nullptr;
  std::lock_guard<std::mutex> guard(mLock);
  int slot = FindFreeInstanceSlotLocked();
  if (slot < 0) return nullptr;
  DSoundBuffer* source = nullptr;
  if (mDevice) {
    source = mBuffers[id];
    if (!source) return nullptr;
  }
  DSResult error = DS_OK;
  DSoundInstance* instance = DSoundInstance::Create(this, source, &error);
  if (!instance) {
    // A failed duplicate costs this one sound, not the process.
    AudioLog(std::string("sound instance not created: ") + DSoundErrorName(error));
    return nullptr;
  }
  mSlots[slot] = instance;
  instance->SetBasePan(mBasePans[id]);
  instance->SetBaseVolume(mBaseVolumes[id]);
  return instance;
}

void DSoundManager::ReleaseAllInstances() {
  std::lock_guard<std::mutex> guard(mLock);
  for (DSoundInstance*& instance : mSlots) {
    delete instance;
    instance = nullptr;
  }
}

void DSoundManager::StopAllInstances() {
  std::lock_guard<std::mutex> guard(mLock);
  for (DSoundInstance* instance : mSlots) {
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
  if (mDevice) mDevice->SetCooperativeLevel(window, DSSCL_NORMAL);
}

int DSoundManager::FindFreeSoundId() {
  std::lock_guard<std::mutex> guard(mLock);
  for (int id = 0; id < kMaxSoundIds; ++id)
    if (!mBuffers[id] && !mLoading[id]) return id;
  return -1;
}

int DSoundManager::CountLoadedSounds() {
  std::lock_guard<std::mutex> guard(mLock);
  int count = 0;
  for (DSoundBuffer* b : mBuffers)
    if (b) ++count;
  return count;
}

}  // namespace Kivo
