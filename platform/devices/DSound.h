// Sound-buffer device: our own stand-in for the DirectSound calls the sound
// manager and the music players make, backed by a real software mixer.
//
// What it does: static secondary buffers hold PCM (8-bit unsigned or 16-bit
// signed, mono or stereo, 100..100,000 Hz); duplicates share those samples by
// reference count and each plays with its own position, volume, pan and
// frequency; streaming voices pull frames from a callback. Everything playing
// is mixed to 44,100 Hz 16-bit stereo (int32 sums, saturated, linear
// interpolation for other rates) and handed to an output: the SDL2 audio
// device, or the headless output that renders into memory (and optionally a
// WAV file) only as frames are asked for, so tests and headless runs decide
// when time passes.
//
// Limits: only the calls the callers make exist. Volume is -10000..0
// hundredths of a decibel, pan -10000..10000; values outside are refused and
// the old value kept. Static buffers only: no notifications, no 3D, no
// hardware voices.
//
// Failures: every call returns 0 (DS_OK) or one of the DSERR_ codes below,
// which are this layer's own values. Device creation fails only through the
// test seam; a missing audio device falls back to the headless output (logged
// once) so nothing above has to care.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"

namespace Kivo {

typedef std::int32_t DSResult;

constexpr DSResult DS_OK = 0;
// Negative like the codes the callers test with "< 0"; values are our own.
constexpr DSResult DSERR_ALLOCATED = -0x7000'0001;
constexpr DSResult DSERR_INVALIDCALL = -0x7000'0002;
constexpr DSResult DSERR_INVALIDPARAM = -0x7000'0003;
constexpr DSResult DSERR_OUTOFMEMORY = -0x7000'0004;
constexpr DSResult DSERR_UNINITIALIZED = -0x7000'0005;
constexpr DSResult DSERR_NODRIVER = -0x7000'0006;
constexpr DSResult DSERR_BUFFERLOST = -0x7000'0007;

// The code's name ("DSERR_OUTOFMEMORY", ...), "DS_OK", or "unknown error".
const char* DSoundErrorName(DSResult code);

constexpr std::uint32_t DSSCL_NORMAL = 1;
constexpr std::uint32_t DSSCL_PRIORITY = 2;

constexpr std::uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr std::uint32_t DSBCAPS_STATIC = 0x00000002;
constexpr std::uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr std::uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr std::uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr std::uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr std::uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;
// The one set of flags the sound loaders ask for.
constexpr std::uint32_t kStaticSoundFlags = 0x80EA;

constexpr std::uint32_t DSBPLAY_LOOPING = 1;
constexpr std::uint32_t DSBSTATUS_PLAYING = 1;
constexpr std::uint32_t DSBSTATUS_LOOPING = 4;

constexpr std::int32_t DSBVOLUME_MIN = -10000;
constexpr std::int32_t DSBVOLUME_MAX = 0;
constexpr std::int32_t DSBPAN_LEFT = -10000;
constexpr std::int32_t DSBPAN_RIGHT = 10000;
constexpr std::uint32_t DSBFREQUENCY_MIN = 100;
constexpr std::uint32_t DSBFREQUENCY_MAX = 100000;
constexpr std::uint32_t kMaxStaticBufferBytes = 256u << 20;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The PCM format record; 18 bytes as the callers size it.
struct WaveFormat {
  std::uint16_t formatTag = WAVE_FORMAT_PCM;
  std::uint16_t channels = 2;
  std::uint32_t samplesPerSec = 44100;
  std::uint32_t avgBytesPerSec = 176400;
  std::uint16_t blockAlign = 4;
  std::uint16_t bitsPerSample = 16;
  std::uint16_t extraSize = 0;
};
constexpr std::uint32_t kWaveFormatRecordSize = 18;

struct BufferDesc {
  std::uint32_t size = 20;
  std::uint32_t flags = 0;
  std::uint32_t bufferBytes = 0;
  const WaveFormat* format = nullptr;
};

// Gain for a volume in hundredths of a decibel: 10^(v/2000); -10000 is silent.
double DSoundVolumeGain(std::int32_t volume);
// Gains of the left and right channel for a pan; the side away from the pan is
// attenuated by 10^(-|p|/2000), and a full pan silences it.
void DSoundPanGains(std::int32_t pan, double* left, double* right);

// Samples shared between a buffer and its duplicates.
struct SampleStore {
  WaveFormat format;
  std::vector<std::uint8_t> bytes;
  std::uint32_t frames() const {
    return format.blockAlign ? static_cast<std::uint32_t>(bytes.size() / format.blockAlign) : 0;
  }
};

class DSoundDevice;
class SoundMixer;

// One voice's playback state, read by the mixer under its lock.
struct VoiceState {
  bool playing = false;
  bool looping = false;
  bool paused = false;
  std::uint64_t position = 0;  // frames, 32.32 fixed point
  std::uint32_t frequency = 44100;
  std::int32_t volume = 0;
  std::int32_t pan = 0;
  std::int32_t gainLeft = 65536;  // Q16, derived from volume and pan
  std::int32_t gainRight = 65536;
};

// A sound buffer: primary (format only), static secondary (plays its samples),
// or a duplicate of a static one. Reference counted: Release deletes it at 0.
class DSoundBuffer {
 public:
  std::uint32_t AddRef();
  std::uint32_t Release();

  DSResult SetFormat(const WaveFormat* format);
  // A null format asks the record's size (into *written); otherwise copies up
  // to size bytes of the record.
  DSResult GetFormat(WaveFormat* format, std::uint32_t size, std::uint32_t* written);

  DSResult Lock(std::uint32_t offset, std::uint32_t bytes, void** first, std::uint32_t* firstBytes, void** second,
                std::uint32_t* secondBytes, std::uint32_t flags);
  DSResult Unlock(void* first, std::uint32_t firstBytes, void* second, std::uint32_t secondBytes);

  DSResult Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags);
  DSResult Stop();
  DSResult SetCurrentPosition(std::uint32_t byteOffset);
  DSResult GetCurrentPosition(std::uint32_t* playByte, std::uint32_t* writeByte);
  DSResult GetStatus(std::uint32_t* status);
  DSResult SetVolume(std::int32_t volume);
  DSResult GetVolume(std::int32_t* volume);
  DSResult SetPan(std::int32_t pan);
  DSResult GetPan(std::int32_t* pan);
  DSResult SetFrequency(std::uint32_t frequency);
  DSResult GetFrequency(std::uint32_t* frequency);

  bool IsPrimary() const { return mPrimary; }

 private:
  friend class DSoundDevice;
  friend class SoundMixer;
  DSoundBuffer(DSoundDevice* device, bool primary, std::shared_ptr<SampleStore> samples);
  ~DSoundBuffer();

  DSoundDevice* mDevice;  // keeps a reference on the device
  bool mPrimary;
  std::shared_ptr<SampleStore> mSamples;  // null for the primary buffer
  WaveFormat mPrimaryFormat;
  VoiceState mState;  // guarded by the mixer lock
  std::atomic<std::uint32_t> mRefs{1};
};

// A voice whose frames come from a callback at its own rate and channel
// count (16-bit signed, interleaved). The callback runs on the audio thread
// and must not block; it returns the frames it wrote, and fewer than asked
// ends the stream (the voice stops by itself).
class DSoundStream {
 public:
  typedef std::function<std::uint32_t(std::int16_t* out, std::uint32_t frames)> Source;

  void Destroy();  // stops and frees the voice; the callback is not called after it returns

  DSResult Play();
  DSResult Stop();  // stops; the source keeps its place
  DSResult SetPaused(bool paused);
  bool IsPlaying();
  DSResult SetVolume(std::int32_t volume);
  DSResult SetPan(std::int32_t pan);
  DSResult SetFrequency(std::uint32_t frequency);
  std::int32_t GetVolume();

 private:
  friend class DSoundDevice;
  friend class SoundMixer;
  DSoundStream(DSoundDevice* device, std::uint32_t rate, int channels, Source source);
  ~DSoundStream();

  DSoundDevice* mDevice;
  int mChannels;
  Source mSource;
  VoiceState mState;
  bool mEnded = false;
  std::vector<std::int16_t> mWindow;  // source frames not yet consumed, interleaved
  std::uint32_t mWindowFrames = 0;
};

// Mixes every playing voice of one device.
class SoundMixer : public MixSource {
 public:
  // Mixes frames of 44,100 Hz 16-bit stereo into out (interleaved, 2 values a
  // frame). Voices that reach their end stop.
  void Mix(std::int16_t* out, std::uint32_t frames) override;
  // The same result from the plain per-sample path that has no native-rate
  // shortcut; tests compare the two.
  void MixReference(std::int16_t* out, std::uint32_t frames);
  // Buffers and streams that exist (playing or not).
  std::size_t VoiceCount();
  // Whether any voice is playing and not paused.
  bool AnyPlaying() override;

 private:
  friend class DSoundDevice;
  friend class DSoundBuffer;
  friend class DSoundStream;
  void MixBlock(std::int32_t* acc, std::uint32_t frames, bool reference);
  void MixStream(DSoundStream* s, std::int32_t* acc, std::uint32_t frames);

  std::mutex mLock;
  std::vector<DSoundBuffer*> mBuffers;
  std::vector<DSoundStream*> mStreams;
};

// The device: creates buffers and duplicates, owns the mixer and the output.
class DSoundDevice {
 public:
  std::uint32_t AddRef();
  std::uint32_t Release();

  DSResult SetCooperativeLevel(void* window, std::uint32_t level);
  DSResult CreateSoundBuffer(const BufferDesc* desc, DSoundBuffer** out, void* outer);
  DSResult DuplicateSoundBuffer(DSoundBuffer* original, DSoundBuffer** out);
  DSResult CreateStream(std::uint32_t rate, int channels, DSoundStream::Source source, DSoundStream** out);

  SoundMixer& Mixer() { return mMixer; }
  AudioOutput* Output() { return mOutput.get(); }

  // Builds a device on the given output (tests, tools); the output is started.
  static DSoundDevice* CreateWithOutput(std::unique_ptr<AudioOutput> output);

 private:
  friend class DSoundBuffer;
  friend class DSoundStream;
  explicit DSoundDevice(std::unique_ptr<AudioOutput> output);
  ~DSoundDevice();
  void CatchUp();

  SoundMixer mMixer;
  std::unique_ptr<AudioOutput> mOutput;
  std::atomic<std::uint32_t> mRefs{1};
};

// Creates the process's sound device on the backend's default output
// (OpenAudioOutput: SDL2 unless the platform runs its headless backend or no
// audio device opens, in which case the headless output paced by the
// millisecond tick is used). Returns DS_OK.
// Also the answer of GetProcAddress(LoadLibraryA("dsound.dll"),
// "DirectSoundCreate").
DSResult DirectSoundCreate(const void* guid, DSoundDevice** out, void* outer);
typedef DSResult (*DirectSoundCreateFn)(const void* guid, DSoundDevice** out, void* outer);

// Test seams. Each forced failure makes the named call return the code
// (DS_OK = not forced).
struct DSoundSeams {
  DSResult createDevice = DS_OK;
  DSResult cooperativePriority = DS_OK;
  DSResult duplicate = DS_OK;
  DSResult createBuffer = DS_OK;
  DSResult lock = DS_OK;
  // Output for the next DirectSoundCreate; null means the default choice.
  std::function<std::unique_ptr<AudioOutput>()> outputFactory;
};
DSoundSeams& DSoundTestSeams();

// The process-local system volume 0..65535 (never the host's mixer).
std::uint32_t GetSystemWaveVolume();
void SetSystemWaveVolume(std::uint32_t value);

}  // namespace Kivo
