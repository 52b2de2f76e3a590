// Sound-buffer device and its mixer. See DSound.h for what the layer offers.
#include "platform/devices/DSound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/Process.h"
#include "platform/Windows.h"

namespace Kivo {

const char* DSoundErrorName(DSResult code) {
  switch (code) {
    case DS_OK: return "DS_OK";
    case DSERR_ALLOCATED: return "DSERR_ALLOCATED";
    case DSERR_INVALIDCALL: return "DSERR_INVALIDCALL";
    case DSERR_INVALIDPARAM: return "DSERR_INVALIDPARAM";
    case DSERR_OUTOFMEMORY: return "DSERR_OUTOFMEMORY";
    case DSERR_UNINITIALIZED: return "DSERR_UNINITIALIZED";
    case DSERR_NODRIVER: return "DSERR_NODRIVER";
    case DSERR_BUFFERLOST: return "DSERR_BUFFERLOST";
    default: return "unknown error";
  }
}

double DSoundVolumeGain(std::int32_t volume) {
  if (volume <= DSBVOLUME_MIN) return 0.0;
  if (volume >= 0) return 1.0;
  return std::pow(10.0, volume / 2000.0);
}

void DSoundPanGains(std::int32_t pan, double* left, double* right) {
  *left = 1.0;
  *right = 1.0;
  // A full pan is silence on the far side, as the volume floor is.
  if (pan < 0) *right = pan <= DSBPAN_LEFT ? 0.0 : std::pow(10.0, pan / 2000.0);
  if (pan > 0) *left = pan >= DSBPAN_RIGHT ? 0.0 : std::pow(10.0, -pan / 2000.0);
}

namespace {

std::int32_t ToQ16(double gain) { return static_cast<std::int32_t>(std::lround(gain * 65536.0)); }

void UpdateGains(VoiceState& s) {
  double left = 0, right = 0;
  DSoundPanGains(s.pan, &left, &right);
  double gain = DSoundVolumeGain(s.volume);
  s.gainLeft = ToQ16(gain * left);
  s.gainRight = ToQ16(gain * right);
}

std::uint64_t StepFor(std::uint32_t frequency) { return (static_cast<std::uint64_t>(frequency) << 32) / kMixRate; }

bool ValidPcm(const WaveFormat& f) {
  if (f.formatTag != WAVE_FORMAT_PCM) return false;
  if (f.channels < 1 || f.channels > 2) return false;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (f.samplesPerSec < DSBFREQUENCY_MIN || f.samplesPerSec > DSBFREQUENCY_MAX) return false;
  return f.blockAlign == f.channels * f.bitsPerSample / 8;
}

// One frame of a sample store as 16-bit-scale left and right values.
template <int Bits, int Channels>
inline void ReadFrame(const std::uint8_t* data, std::uint32_t index, std::int32_t* l, std::int32_t* r) {
  if (Bits == 16) {
    const std::uint8_t* p = data + static_cast<std::size_t>(index) * 2 * Channels;
    *l = static_cast<std::int16_t>(p[0] | (p[1] << 8));
    *r = Channels == 2 ? static_cast<std::int16_t>(p[2] | (p[3] << 8)) : *l;
  } else {
    const std::uint8_t* p = data + static_cast<std::size_t>(index) * Channels;
    *l = (static_cast<std::int32_t>(p[0]) - 128) * 256;
    *r = Channels == 2 ? (static_cast<std::int32_t>(p[1]) - 128) * 256 : *l;
  }
}

// Mixes one voice of a static buffer into acc. Returns false when the voice
// ran off its end (non-looping) and must stop. The general path interpolates
// linearly; with a zero fraction it yields the stored sample exactly, so a
// native-rate voice comes out bit-exact either way.
template <int Bits, int Channels>
bool MixVoice(const SampleStore& store, VoiceState& v, std::int32_t* acc, std::uint32_t frames, bool reference) {
  const std::uint32_t total = store.frames();
  if (total == 0) return false;
  const std::uint8_t* data = store.bytes.data();
  const std::int32_t gl = v.gainLeft, gr = v.gainRight;
  const std::uint64_t step = StepFor(v.frequency);
  const std::uint64_t end = static_cast<std::uint64_t>(total) << 32;
  std::uint64_t pos = v.position;

  if (!reference && step == (1ull << 32) && (pos & 0xFFFFFFFFu) == 0) {
    // Native rate: whole frames, no interpolation.
    std::uint32_t idx = static_cast<std::uint32_t>(pos >> 32);
    for (std::uint32_t i = 0; i < frames; ++i) {
      if (idx >= total) {
        if (!v.looping) {
          v.position = 0;
          return false;
        }
        idx = 0;
      }
      std::int32_t l, r;
      ReadFrame<Bits, Channels>(data, idx, &l, &r);
      acc[2 * i] += (l * gl) >> 16;
      acc[2 * i + 1] += (r * gr) >> 16;
      ++idx;
    }
    v.position = static_cast<std::uint64_t>(idx) << 32;
    return true;
  }

  for (std::uint32_t i = 0; i < frames; ++i) {
    if (pos >= end) {
      if (!v.looping) {
        v.position = 0;
        return false;
      }
      pos %= end;
    }
    std::uint32_t idx = static_cast<std::uint32_t>(pos >> 32);
    std::int32_t frac = static_cast<std::int32_t>((pos >> 16) & 0xFFFF);
    std::int32_t l0, r0, l1, r1;
    ReadFrame<Bits, Channels>(data, idx, &l0, &r0);
    std::uint32_t next = idx + 1;
    if (next >= total) next = v.looping ? 0 : idx;
    ReadFrame<Bits, Channels>(data, next, &l1, &r1);
    std::int32_t l = l0 + static_cast<std::int32_t>((static_cast<std::int64_t>(l1 - l0) * frac) >> 16);
    std::int32_t r = r0 + static_cast<std::int32_t>((static_cast<std::int64_t>(r1 - r0) * frac) >> 16);
    acc[2 * i] += (l * gl) >> 16;
    acc[2 * i + 1] += (r * gr) >> 16;
    pos += step;
  }
  if (pos >= end) {
    if (!v.looping) {
      v.position = 0;
      return false;
    }
    pos %= end;
  }
  v.position = pos;
  return true;
}

bool MixAny(const SampleStore& store, VoiceState& v, std::int32_t* acc, std::uint32_t frames, bool reference) {
  const bool stereo = store.format.channels == 2;
  if (store.format.bitsPerSample == 16)
    return stereo ? MixVoice<16, 2>(store, v, acc, frames, reference)
                  : MixVoice<16, 1>(store, v, acc, frames, reference);
  return stereo ? MixVoice<8, 2>(store, v, acc, frames, reference) : MixVoice<8, 1>(store, v, acc, frames, reference);
}

inline std::int16_t Saturate(std::int32_t v) {
  return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

std::atomic<std::uint32_t> gSystemWaveVolume{65535};

}  // namespace

// ---------------------------------------------------------------- mixer

void SoundMixer::MixStream(DSoundStream* s, std::int32_t* acc, std::uint32_t frames) {
  VoiceState& v = s->mState;
  const int ch = s->mChannels;
  const std::uint64_t step = StepFor(v.frequency);
  // Source frames this block reaches, plus one for the interpolation partner.
  const std::uint64_t lastPos = v.position + step * frames;
  const std::uint32_t need = static_cast<std::uint32_t>(lastPos >> 32) + 2;
  if (s->mWindowFrames < need && !s->mEnded) {
    if (s->mWindow.size() < static_cast<std::size_t>(need) * ch) s->mWindow.resize(static_cast<std::size_t>(need) * ch);
    std::uint32_t want = need - s->mWindowFrames;
    std::uint32_t got =
        s->mSource ? s->mSource(s->mWindow.data() + static_cast<std::size_t>(s->mWindowFrames) * ch, want) : 0;
    if (got > want) got = want;
    s->mWindowFrames += got;
    if (got < want) s->mEnded = true;
  }
  const std::uint32_t avail = s->mWindowFrames;
  const std::int16_t* w = s->mWindow.data();
  std::uint64_t pos = v.position;
  for (std::uint32_t i = 0; i < frames; ++i) {
    std::uint32_t idx = static_cast<std::uint32_t>(pos >> 32);
    if (idx >= avail) {
      if (s->mEnded) {
        v.playing = false;
        break;
      }
      break;
    }
    std::uint32_t next = idx + 1 < avail ? idx + 1 : idx;
    std::int32_t frac = static_cast<std::int32_t>((pos >> 16) & 0xFFFF);
    std::int32_t l0 = w[idx * ch], l1 = w[next * ch];
    std::int32_t r0 = ch == 2 ? w[idx * ch + 1] : l0, r1 = ch == 2 ? w[next * ch + 1] : l1;
    std::int32_t l = l0 + static_cast<std::int32_t>((static_cast<std::int64_t>(l1 - l0) * frac) >> 16);
    std::int32_t r = r0 + static_cast<std::int32_t>((static_cast<std::int64_t>(r1 - r0) * frac) >> 16);
    acc[2 * i] += (l * v.gainLeft) >> 16;
    acc[2 * i + 1] += (r * v.gainRight) >> 16;
    pos += step;
  }
  // Drop the frames fully passed so the window stays small.
  std::uint32_t consumed = std::min<std::uint32_t>(static_cast<std::uint32_t>(pos >> 32), avail);
  if (consumed > 0) {
    std::memmove(s->mWindow.data(), s->mWindow.data() + static_cast<std::size_t>(consumed) * ch,
                 static_cast<std::size_t>(avail - consumed) * ch * sizeof(std::int16_t));
    s->mWindowFrames = avail - consumed;
    pos -= static_cast<std::uint64_t>(consumed) << 32;
  }
  v.position = pos;
  if (s->mEnded && s->mWindowFrames == 0) v.playing = false;
}

void SoundMixer::MixBlock(std::int32_t* acc, std::uint32_t frames, bool reference) {
  for (DSoundBuffer* b : mBuffers) {
    VoiceState& v = b->mState;
    if (!v.playing || v.paused || !b->mSamples) continue;
    if (!MixAny(*b->mSamples, v, acc, frames, reference)) v.playing = false;
  }
  for (DSoundStream* s : mStreams) {
    if (s->mState.playing && !s->mState.paused) MixStream(s, acc, frames);
  }
}

static void MixWith(SoundMixer* m, std::int16_t* out, std::uint32_t frames, bool reference,
                    void (SoundMixer::*block)(std::int32_t*, std::uint32_t, bool)) {
  constexpr std::uint32_t kBlock = 1024;
  std::int32_t acc[kBlock * 2];
  while (frames > 0) {
    std::uint32_t n = std::min(frames, kBlock);
    std::memset(acc, 0, sizeof(std::int32_t) * 2 * n);
    (m->*block)(acc, n, reference);
    for (std::uint32_t i = 0; i < 2 * n; ++i) out[i] = Saturate(acc[i]);
    out += 2 * n;
    frames -= n;
  }
}

void SoundMixer::Mix(std::int16_t* out, std::uint32_t frames) {
  std::lock_guard<std::mutex> guard(mLock);
  MixWith(this, out, frames, false, &SoundMixer::MixBlock);
}

void SoundMixer::MixReference(std::int16_t* out, std::uint32_t frames) {
  std::lock_guard<std::mutex> guard(mLock);
  MixWith(this, out, frames, true, &SoundMixer::MixBlock);
}

std::size_t SoundMixer::VoiceCount() {
  std::lock_guard<std::mutex> guard(mLock);
  return mBuffers.size() + mStreams.size();
}

bool SoundMixer::AnyPlaying() {
  std::lock_guard<std::mutex> guard(mLock);
  for (DSoundBuffer* b : mBuffers)
    if (b->mState.playing && !b->mState.paused) return true;
  for (DSoundStream* s : mStreams)
    if (s->mState.playing && !s->mState.paused) return true;
  return false;
}

// ---------------------------------------------------------------- buffers

DSoundBuffer::DSoundBuffer(DSoundDevice* device, bool primary, std::shared_ptr<SampleStore> samples)
    : mDevice(device), mPrimary(primary), mSamples(std::move(samples)) {
  mDevice->AddRef();
  if (mSamples) mState.frequency = mSamples->format.samplesPerSec;
  UpdateGains(mState);
  if (!mPrimary) {
    std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
    mDevice->mMixer.mBuffers.push_back(this);
  }
}

DSoundBuffer::~DSoundBuffer() {
  if (!mPrimary) {
    std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
    auto& list = mDevice->mMixer.mBuffers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  mDevice->Release();
}

std::uint32_t DSoundBuffer::AddRef() { return ++mRefs; }

std::uint32_t DSoundBuffer::Release() {
  std::uint32_t left = --mRefs;
  if (left == 0) delete this;
  return left;
}

DSResult DSoundBuffer::SetFormat(const WaveFormat* format) {
  if (!mPrimary) return DSERR_INVALIDCALL;
  if (!format || !ValidPcm(*format)) return DSERR_INVALIDPARAM;
  mPrimaryFormat = *format;
  return DS_OK;
}

DSResult DSoundBuffer::GetFormat(WaveFormat* format, std::uint32_t size, std::uint32_t* written) {
  if (!format) {
    if (!written) return DSERR_INVALIDPARAM;
    *written = kWaveFormatRecordSize;
    return DS_OK;
  }
  if (size < 16) return DSERR_INVALIDPARAM;
  *format = mPrimary ? mPrimaryFormat : mSamples->format;
  if (written) *written = std::min(size, kWaveFormatRecordSize);
  return DS_OK;
}

DSResult DSoundBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** first, std::uint32_t* firstBytes,
                            void** second, std::uint32_t* secondBytes, std::uint32_t flags) {
  if (mPrimary || !mSamples || !first || !firstBytes) return DSERR_INVALIDCALL;
  if (DSoundTestSeams().lock != DS_OK) return DSoundTestSeams().lock;
  const std::uint64_t size = mSamples->bytes.size();
  if (flags & 2) {
    offset = 0;
    bytes = static_cast<std::uint32_t>(size);
  }
  if (static_cast<std::uint64_t>(offset) + bytes > size) return DSERR_INVALIDPARAM;
  *first = mSamples->bytes.data() + offset;
  *firstBytes = bytes;
  if (second) *second = nullptr;
  if (secondBytes) *secondBytes = 0;
  return DS_OK;
}

DSResult DSoundBuffer::Unlock(void* first, std::uint32_t, void*, std::uint32_t) {
  if (mPrimary || !mSamples) return DSERR_INVALIDCALL;
  const std::uint8_t* base = mSamples->bytes.data();
  const std::uint8_t* p = static_cast<const std::uint8_t*>(first);
  if (p && (p < base || p > base + mSamples->bytes.size())) return DSERR_INVALIDPARAM;
  return DS_OK;
}

DSResult DSoundBuffer::Play(std::uint32_t, std::uint32_t, std::uint32_t flags) {
  if (mPrimary) return DS_OK;
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.playing = true;
  mState.looping = (flags & DSBPLAY_LOOPING) != 0;
  return DS_OK;
}

DSResult DSoundBuffer::Stop() {
  if (mPrimary) return DS_OK;
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.playing = false;
  return DS_OK;
}

DSResult DSoundBuffer::SetCurrentPosition(std::uint32_t byteOffset) {
  if (mPrimary) return DSERR_INVALIDCALL;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  std::uint32_t frame = byteOffset / mSamples->format.blockAlign;
  if (frame >= mSamples->frames()) frame = 0;
  mState.position = static_cast<std::uint64_t>(frame) << 32;
  return DS_OK;
}

DSResult DSoundBuffer::GetCurrentPosition(std::uint32_t* playByte, std::uint32_t* writeByte) {
  if (mPrimary) return DSERR_INVALIDCALL;
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  std::uint32_t byte = static_cast<std::uint32_t>(mState.position >> 32) * mSamples->format.blockAlign;
  if (playByte) *playByte = byte;
  if (writeByte) *writeByte = byte;
  return DS_OK;
}

DSResult DSoundBuffer::GetStatus(std::uint32_t* status) {
  if (!status) return DSERR_INVALIDPARAM;
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  *status = 0;
  if (mState.playing) *status = DSBSTATUS_PLAYING | (mState.looping ? DSBSTATUS_LOOPING : 0);
  return DS_OK;
}

DSResult DSoundBuffer::SetVolume(std::int32_t volume) {
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.volume = volume;
  UpdateGains(mState);
  return DS_OK;
}

DSResult DSoundBuffer::GetVolume(std::int32_t* volume) {
  if (!volume) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  *volume = mState.volume;
  return DS_OK;
}

DSResult DSoundBuffer::SetPan(std::int32_t pan) {
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.pan = pan;
  UpdateGains(mState);
  return DS_OK;
}

DSResult DSoundBuffer::GetPan(std::int32_t* pan) {
  if (!pan) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  *pan = mState.pan;
  return DS_OK;
}

DSResult DSoundBuffer::SetFrequency(std::uint32_t frequency) {
  if (mPrimary) return DSERR_INVALIDCALL;
  if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.frequency = frequency;
  return DS_OK;
}

DSResult DSoundBuffer::GetFrequency(std::uint32_t* frequency) {
  if (!frequency) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  *frequency = mPrimary ? mPrimaryFormat.samplesPerSec : mState.frequency;
  return DS_OK;
}

// ---------------------------------------------------------------- streams

DSoundStream::DSoundStream(DSoundDevice* device, std::uint32_t rate, int channels, Source source)
    : mDevice(device), mChannels(channels), mSource(std::move(source)) {
  mDevice->AddRef();
  mState.frequency = rate;
  UpdateGains(mState);
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mDevice->mMixer.mStreams.push_back(this);
}

DSoundStream::~DSoundStream() {
  {
    std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
    auto& list = mDevice->mMixer.mStreams;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  mDevice->Release();
}

void DSoundStream::Destroy() { delete this; }

DSResult DSoundStream::Play() {
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  if (mEnded && mWindowFrames == 0) return DSERR_INVALIDCALL;
  mState.playing = true;
  return DS_OK;
}

DSResult DSoundStream::Stop() {
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.playing = false;
  return DS_OK;
}

DSResult DSoundStream::SetPaused(bool paused) {
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.paused = paused;
  return DS_OK;
}

bool DSoundStream::IsPlaying() {
  mDevice->CatchUp();
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  return mState.playing;
}

DSResult DSoundStream::SetVolume(std::int32_t volume) {
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.volume = volume;
  UpdateGains(mState);
  return DS_OK;
}

std::int32_t DSoundStream::GetVolume() {
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  return mState.volume;
}

DSResult DSoundStream::SetPan(std::int32_t pan) {
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.pan = pan;
  UpdateGains(mState);
  return DS_OK;
}

DSResult DSoundStream::SetFrequency(std::uint32_t frequency) {
  if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mDevice->mMixer.mLock);
  mState.frequency = frequency;
  return DS_OK;
}

// ---------------------------------------------------------------- device

DSoundDevice::DSoundDevice(std::unique_ptr<AudioOutput> output) : mOutput(std::move(output)) {}

DSoundDevice::~DSoundDevice() {
  if (mOutput) mOutput->Stop();
}

DSoundDevice* DSoundDevice::CreateWithOutput(std::unique_ptr<AudioOutput> output) {
  DSoundDevice* device = new DSoundDevice(std::move(output));
  if (device->mOutput) device->mOutput->Start(&device->mMixer);
  return device;
}

std::uint32_t DSoundDevice::AddRef() { return ++mRefs; }

std::uint32_t DSoundDevice::Release() {
  std::uint32_t left = --mRefs;
  if (left == 0) delete this;
  return left;
}

void DSoundDevice::CatchUp() {
  if (mOutput) mOutput->CatchUp();
}

DSResult DSoundDevice::SetCooperativeLevel(void*, std::uint32_t level) {
  if (level == DSSCL_PRIORITY && DSoundTestSeams().cooperativePriority != DS_OK)
    return DSoundTestSeams().cooperativePriority;
  if (level < 1 || level > 3) return DSERR_INVALIDPARAM;
  return DS_OK;
}

DSResult DSoundDevice::CreateSoundBuffer(const BufferDesc* desc, DSoundBuffer** out, void* outer) {
  if (!desc || !out || outer) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (DSoundTestSeams().createBuffer != DS_OK) return DSoundTestSeams().createBuffer;
  if (desc->flags & DSBCAPS_PRIMARYBUFFER) {
    if (desc->bufferBytes != 0 || desc->format) return DSERR_INVALIDPARAM;
    *out = new DSoundBuffer(this, true, nullptr);
    return DS_OK;
  }
  if (desc->flags != kStaticSoundFlags || !desc->format || !ValidPcm(*desc->format)) return DSERR_INVALIDPARAM;
  if (desc->bufferBytes < 1 || desc->bufferBytes > kMaxStaticBufferBytes) return DSERR_INVALIDPARAM;
  auto store = std::make_shared<SampleStore>();
  store->format = *desc->format;
  store->format.avgBytesPerSec = store->format.blockAlign * store->format.samplesPerSec;
  store->format.extraSize = 0;
  try {
    store->bytes.assign(desc->bufferBytes, store->format.bitsPerSample == 8 ? 0x80 : 0);
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  *out = new DSoundBuffer(this, false, std::move(store));
  return DS_OK;
}

DSResult DSoundDevice::DuplicateSoundBuffer(DSoundBuffer* original, DSoundBuffer** out) {
  if (!original || !out || original->mPrimary) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (DSoundTestSeams().duplicate != DS_OK) return DSoundTestSeams().duplicate;
  DSoundBuffer* copy = new DSoundBuffer(this, false, original->mSamples);
  {
    std::lock_guard<std::mutex> guard(mMixer.mLock);
    copy->mState.volume = original->mState.volume;
    copy->mState.pan = original->mState.pan;
    copy->mState.frequency = original->mState.frequency;
    UpdateGains(copy->mState);
  }
  *out = copy;
  return DS_OK;
}

DSResult DSoundDevice::CreateStream(std::uint32_t rate, int channels, DSoundStream::Source source, DSoundStream** out) {
  if (!out) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (rate < DSBFREQUENCY_MIN || rate > DSBFREQUENCY_MAX || channels < 1 || channels > 2 || !source)
    return DSERR_INVALIDPARAM;
  *out = new DSoundStream(this, rate, channels, std::move(source));
  return DS_OK;
}

DSoundSeams& DSoundTestSeams() {
  static DSoundSeams seams;
  return seams;
}

DSResult DirectSoundCreate(const void*, DSoundDevice** out, void* outer) {
  if (!out || outer) return DSERR_INVALIDPARAM;
  *out = nullptr;
  DSoundSeams& seams = DSoundTestSeams();
  if (seams.createDevice != DS_OK) return seams.createDevice;
  std::unique_ptr<AudioOutput> output;
  if (seams.outputFactory) {
    output = seams.outputFactory();
  } else {
    output = OpenAudioOutput();
  }
  *out = DSoundDevice::CreateWithOutput(std::move(output));
  return DS_OK;
}

std::uint32_t GetSystemWaveVolume() { return gSystemWaveVolume.load(); }

void SetSystemWaveVolume(std::uint32_t value) { gSystemWaveVolume.store(std::min<std::uint32_t>(value, 65535)); }

namespace {

// The library the application loads for sound answers GetProcAddress with
// the device's creator.
struct DirectSoundEntry {
  DirectSoundEntry() {
    Platform::RegisterProcAddress("dsound.dll", "DirectSoundCreate", reinterpret_cast<FARPROC>(&DirectSoundCreate));
  }
} sDirectSoundEntry;

}  // namespace

}  // namespace Kivo
