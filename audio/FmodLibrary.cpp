// The second audio library's stand-in: the shared table and its sample calls.
#include "audio/FmodLibrary.h"

#include <mpg123.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "audio/MusicLibrary.h"
#include "audio/SoundReaders.h"
#include "audio/SoundSource.h"
#include "platform/devices/SampleMusicLib.h"

namespace Kivo {

const char* const kFmodEntryNames[30] = {"_FSOUND_SetBufferSize@4",
                                         "_FSOUND_SetHWND@4",
                                         "_FSOUND_Init@12",
                                         "_FSOUND_Close@0",
                                         "_FSOUND_Sample_Load@16",
                                         "_FSOUND_Sample_Alloc@28",
                                         "_FSOUND_Sample_Free@4",
                                         "_FSOUND_Sample_Lock@28",
                                         "_FSOUND_Sample_Unlock@20",
                                         "_FSOUND_Sample_SetLoopPoints@12",
                                         "_FSOUND_Sample_GetLength@4",
                                         "_FSOUND_Sample_GetDefaults@20",
                                         "_FSOUND_Sample_GetMode@4",
                                         "_FSOUND_PlaySound@8",
                                         "_FSOUND_StopSound@4",
                                         "_FSOUND_SetVolume@8",
                                         "_FSOUND_SetPaused@8",
                                         "_FSOUND_SetLoopMode@8",
                                         "_FSOUND_IsPlaying@4",
                                         "_FSOUND_Stream_OpenFile@12",
                                         "_FSOUND_Stream_Close@4",
                                         "_FSOUND_Stream_Play@8",
                                         "_FMUSIC_LoadSong@4",
                                         "_FMUSIC_PlaySong@4",
                                         "_FMUSIC_StopSong@4",
                                         "_FMUSIC_SetLooping@8",
                                         "_FMUSIC_SetOrder@8",
                                         "_FMUSIC_SetPaused@8",
                                         "_FMUSIC_SetMasterVolume@8",
                                         "_FMUSIC_IsPlaying@4"};

// ---------------------------------------------------------------- MP3

namespace {

mpg123_ssize_t Mp3Read(void* handle, void* dst, size_t bytes) {
  return static_cast<mpg123_ssize_t>(static_cast<SoundSource*>(handle)->Read(dst, bytes));
}

off_t Mp3Seek(void* handle, off_t offset, int whence) {
  auto* in = static_cast<SoundSource*>(handle);
  std::int64_t base = whence == SEEK_CUR   ? static_cast<std::int64_t>(in->Tell())
                      : whence == SEEK_END ? static_cast<std::int64_t>(in->Size())
                                           : 0;
  std::int64_t target = base + offset;
  if (target < 0 || !in->Seek(static_cast<std::uint64_t>(target))) return -1;
  return static_cast<off_t>(target);
}

struct Mp3Handle {
  mpg123_handle* h = nullptr;
  bool opened = false;
  ~Mp3Handle() {
    if (opened) mpg123_close(h);
    if (h) mpg123_delete(h);
  }
};

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

}  // namespace

bool ReadMp3Sound(SoundSource& in, PcmSink& sink, std::string* why) {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
  Mp3Handle mp3;
  int err = MPG123_OK;
  mp3.h = mpg123_new(nullptr, &err);
  if (!mp3.h) return Fail(why, "MP3 decoder unavailable");
  mpg123_param(mp3.h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(mp3.h);
  for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
    mpg123_format(mp3.h, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_replace_reader_handle(mp3.h, &Mp3Read, &Mp3Seek, nullptr) != MPG123_OK)
    return Fail(why, "MP3 decoder unavailable");
  if (mpg123_open_handle(mp3.h, &in) != MPG123_OK) return Fail(why, "not an MP3 stream");
  mp3.opened = true;
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(mp3.h, &rate, &channels, &encoding) != MPG123_OK) return Fail(why, "not an MP3 stream");
  if (channels < 1 || channels > 2 || encoding != MPG123_ENC_SIGNED_16) return Fail(why, "unsupported MP3 format");
  mpg123_format_none(mp3.h);
  mpg123_format(mp3.h, rate, channels, encoding);

  // The stated length is only an estimate for streams without a header, so
  // decode into memory first and size the sink from what came out.
  std::vector<std::uint8_t> pcm;
  std::uint8_t block[16384];
  for (;;) {
    size_t done = 0;
    int r = mpg123_read(mp3.h, block, sizeof block, &done);
    if (done > 0) {
      if (pcm.size() + done > kMaxPcmBytes) return Fail(why, "sound too large");
      pcm.insert(pcm.end(), block, block + done);
    }
    if (r == MPG123_DONE) break;
    if (r == MPG123_NEW_FORMAT) return Fail(why, "MP3 stream changes format");
    if (r != MPG123_OK) {
      if (pcm.empty()) return Fail(why, "MP3 decoding failed");
      break;  // keep what decoded before a damaged tail
    }
  }
  const std::size_t blockAlign = static_cast<std::size_t>(channels) * 2;
  pcm.resize(pcm.size() / blockAlign * blockAlign);
  if (pcm.empty()) return Fail(why, "no samples");
  std::uint8_t* dst =
      sink.Allocate(MakePcmFormat(static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate), 16),
                    static_cast<std::uint32_t>(pcm.size()));
  if (!dst) return Fail(why, "no sound buffer");
  std::memcpy(dst, pcm.data(), pcm.size());
  return true;
}

// ---------------------------------------------------------------- sample calls

namespace {

bool EndsWithNoCase(const std::string& s, const char* tail) {
  std::size_t n = std::strlen(tail);
  if (s.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != tail[i]) return false;
  return true;
}

int SetBufferSize(int) { return 1; }
int SetHWND(void*) { return 1; }
int Init(int, int, unsigned) { return 1; }

FmodSample* SampleLoad(int, const char* name, unsigned, int) {
  if (!name) return nullptr;
  std::unique_ptr<SoundSource> in = OpenSoundFile(name);
  if (!in) return nullptr;
  const std::string path = name;
  VectorPcmSink sink;
  bool ok = false;
  if (EndsWithNoCase(path, ".wav"))
    ok = ReadWavSound(*in, sink, DepCheck(), nullptr);
  else if (EndsWithNoCase(path, ".ogg"))
    ok = ReadOggSound(*in, sink, nullptr);
  else if (EndsWithNoCase(path, ".mp3"))
    ok = ReadMp3Sound(*in, sink, nullptr);
  if (!ok) return nullptr;
  auto* sample = new FmodSample;
  sample->format = sink.format;
  sample->bytes = std::move(sink.bytes);
  return sample;
}

FmodSample* SampleAlloc(int, int frames, unsigned mode, int freq, int, int, int) {
  if (frames <= 0 || freq < static_cast<int>(DSBFREQUENCY_MIN) || freq > static_cast<int>(DSBFREQUENCY_MAX))
    return nullptr;
  const std::uint16_t channels = (mode & kFmodModeMono) ? 1 : 2;
  const std::uint16_t bits = (mode & kFmodMode8Bits) ? 8 : 16;
  const std::uint64_t size = static_cast<std::uint64_t>(frames) * channels * (bits / 8);
  if (size > kMaxPcmBytes) return nullptr;
  auto* sample = new FmodSample;
  sample->format = MakePcmFormat(channels, static_cast<std::uint32_t>(freq), bits);
  sample->bytes.assign(static_cast<std::size_t>(size), bits == 8 ? 0x80 : 0);
  return sample;
}

void SampleFree(FmodSample* sample) { delete sample; }

int SampleLock(FmodSample* s, int offset, int length, void** first, void** second, unsigned* firstBytes,
               unsigned* secondBytes) {
  if (!s || !first || !firstBytes || offset < 0 || length < 0) return 0;
  if (static_cast<std::uint64_t>(offset) + static_cast<std::uint64_t>(length) > s->bytes.size()) return 0;
  *first = s->bytes.data() + offset;
  *firstBytes = static_cast<unsigned>(length);
  if (second) *second = nullptr;
  if (secondBytes) *secondBytes = 0;
  ++s->locks;
  return 1;
}

int SampleUnlock(FmodSample* s, void*, void*, unsigned, unsigned) {
  if (!s || s->locks <= 0) return 0;
  --s->locks;
  return 1;
}

int SampleSetLoopPoints(FmodSample* s, int start, int end) {
  if (!s || !s->format.blockAlign || start < 0 || end < start) return 0;
  if (static_cast<std::uint64_t>(end) > s->bytes.size() / s->format.blockAlign) return 0;
  s->loopStart = static_cast<std::uint32_t>(start);
  s->loopEnd = static_cast<std::uint32_t>(end);
  return 1;
}

unsigned SampleGetLength(FmodSample* s) {
  return s && s->format.blockAlign ? static_cast<unsigned>(s->bytes.size() / s->format.blockAlign) : 0;
}

int SampleGetDefaults(FmodSample* s, int* freq, int* vol, int* pan, int* pri) {
  if (!s) return 0;
  if (freq) *freq = static_cast<int>(s->format.samplesPerSec);
  if (vol) *vol = 255;
  if (pan) *pan = 128;
  if (pri) *pri = 255;
  return 1;
}

unsigned SampleGetMode(FmodSample* s) {
  if (!s) return 0;
  return (s->format.channels == 1 ? kFmodModeMono : kFmodModeStereo) |
         (s->format.bitsPerSample == 8 ? kFmodMode8Bits : kFmodMode16Bits);
}

// A channel plays its own copy of the sample, so freeing the sample while
// it plays is safe.
int PlaySoundOn(int channel, FmodSample* s) {
  if (!s) return -1;
  return SampleMusicLib::PlayPcm(channel, s->format.channels, s->format.bitsPerSample,
                                 static_cast<int>(s->format.samplesPerSec), s->bytes, s->loopStart, s->loopEnd);
}
void CloseAll() { SampleMusicLib::Close(); }
void* StreamOpenFile(const char*, unsigned, int) { return nullptr; }
int StreamClose(void*) { return 0; }
int StreamPlay(int, void*) { return -1; }
void* LoadSong(const char* name) { return SampleMusicLib::LoadSong(name); }
int PlaySong(void* m) { return SampleMusicLib::PlaySong(static_cast<SampleMusicLib::Module*>(m)); }
int StopSong(void* m) { return SampleMusicLib::StopSong(static_cast<SampleMusicLib::Module*>(m)); }
int SetLooping(void* m, int mode) { return SampleMusicLib::SetLooping(static_cast<SampleMusicLib::Module*>(m), mode); }
int SetOrder(void* m, int order) { return SampleMusicLib::SetOrder(static_cast<SampleMusicLib::Module*>(m), order); }
int SetModulePaused(void* m, int paused) {
  return SampleMusicLib::SetModulePaused(static_cast<SampleMusicLib::Module*>(m), paused);
}
int SetMasterVolume(void* m, int volume) {
  return SampleMusicLib::SetMasterVolume(static_cast<SampleMusicLib::Module*>(m), volume);
}
int IsModulePlaying(void* m) { return SampleMusicLib::IsModulePlaying(static_cast<SampleMusicLib::Module*>(m)); }

struct Entry {
  const char* name;
  void* function;
};

template <typename F>
void* Fn(F f) {
  return reinterpret_cast<void*>(f);
}

const Entry kEntries[30] = {
    {"_FSOUND_SetBufferSize@4", Fn(&SetBufferSize)},
    {"_FSOUND_SetHWND@4", Fn(&SetHWND)},
    {"_FSOUND_Init@12", Fn(&Init)},
    {"_FSOUND_Close@0", Fn(&CloseAll)},
    {"_FSOUND_Sample_Load@16", Fn(&SampleLoad)},
    {"_FSOUND_Sample_Alloc@28", Fn(&SampleAlloc)},
    {"_FSOUND_Sample_Free@4", Fn(&SampleFree)},
    {"_FSOUND_Sample_Lock@28", Fn(&SampleLock)},
    {"_FSOUND_Sample_Unlock@20", Fn(&SampleUnlock)},
    {"_FSOUND_Sample_SetLoopPoints@12", Fn(&SampleSetLoopPoints)},
    {"_FSOUND_Sample_GetLength@4", Fn(&SampleGetLength)},
    {"_FSOUND_Sample_GetDefaults@20", Fn(&SampleGetDefaults)},
    {"_FSOUND_Sample_GetMode@4", Fn(&SampleGetMode)},
    {"_FSOUND_PlaySound@8", Fn(&PlaySoundOn)},
    {"_FSOUND_StopSound@4", Fn(&SampleMusicLib::StopSound)},
    {"_FSOUND_SetVolume@8", Fn(&SampleMusicLib::SetVolume)},
    {"_FSOUND_SetPaused@8", Fn(&SampleMusicLib::SetPaused)},
    {"_FSOUND_SetLoopMode@8", Fn(&SampleMusicLib::SetLoopMode)},
    {"_FSOUND_IsPlaying@4", Fn(&SampleMusicLib::IsPlaying)},
    {"_FSOUND_Stream_OpenFile@12", Fn(&StreamOpenFile)},
    {"_FSOUND_Stream_Close@4", Fn(&StreamClose)},
    {"_FSOUND_Stream_Play@8", Fn(&StreamPlay)},
    {"_FMUSIC_LoadSong@4", Fn(&LoadSong)},
    {"_FMUSIC_PlaySong@4", Fn(&PlaySong)},
    {"_FMUSIC_StopSong@4", Fn(&StopSong)},
    {"_FMUSIC_SetLooping@8", Fn(&SetLooping)},
    {"_FMUSIC_SetOrder@8", Fn(&SetOrder)},
    {"_FMUSIC_SetPaused@8", Fn(&SetModulePaused)},
    {"_FMUSIC_SetMasterVolume@8", Fn(&SetMasterVolume)},
    {"_FMUSIC_IsPlaying@4", Fn(&IsModulePlaying)},
};

std::mutex gFmodLock;
FmodInstance* gFmod = nullptr;
std::unique_ptr<MusicLibrary> gFmodModule;  // the loaded library behind gFmod
int gFmodRefs = 0;

template <typename T>
void Bind(T& slot, int index) {
  void* entry = gFmodModule->Find(kFmodEntryNames[index]);
  if (!entry) FailMusicLibrary("\"" + std::string(kFmodEntryNames[index]) + "\" function not found in fmod.dll");
  slot = reinterpret_cast<T>(entry);
}

}  // namespace

void* FmodLookup(const char* name) {
  if (!name) return nullptr;
  for (const Entry& e : kEntries)
    if (std::strcmp(e.name, name) == 0) return e.function;
  return nullptr;
}

FmodInstance* AcquireFmodLibrary() {
  std::lock_guard<std::mutex> guard(gFmodLock);
  ++gFmodRefs;
  if (gFmod) return gFmod;
  gFmodModule = OpenMusicLibrary("fmod.dll");
  if (!gFmodModule) FailMusicLibrary("Can't find fmod.dll.");
  auto* t = new FmodInstance;
  int i = 0;
  Bind(t->SetBufferSize, i++);
  Bind(t->SetHWND, i++);
  Bind(t->Init, i++);
  Bind(t->Close, i++);
  Bind(t->Sample_Load, i++);
  Bind(t->Sample_Alloc, i++);
  Bind(t->Sample_Free, i++);
  Bind(t->Sample_Lock, i++);
  Bind(t->Sample_Unlock, i++);
  Bind(t->Sample_SetLoopPoints, i++);
  Bind(t->Sample_GetLength, i++);
  Bind(t->Sample_GetDefaults, i++);
  Bind(t->Sample_GetMode, i++);
  Bind(t->PlaySound, i++);
  Bind(t->StopSound, i++);
  Bind(t->SetVolume, i++);
  Bind(t->SetPaused, i++);
  Bind(t->SetLoopMode, i++);
  Bind(t->IsPlaying, i++);
  Bind(t->Stream_OpenFile, i++);
  Bind(t->Stream_Close, i++);
  Bind(t->Stream_Play, i++);
  Bind(t->FMUSIC_LoadSong, i++);
  Bind(t->FMUSIC_PlaySong, i++);
  Bind(t->FMUSIC_StopSong, i++);
  Bind(t->FMUSIC_SetLooping, i++);
  Bind(t->FMUSIC_SetOrder, i++);
  Bind(t->FMUSIC_SetPaused, i++);
  Bind(t->FMUSIC_SetMasterVolume, i++);
  Bind(t->FMUSIC_IsPlaying, i++);
  gFmod = t;
  return gFmod;
}

void ReleaseFmodLibrary() {
  std::lock_guard<std::mutex> guard(gFmodLock);
  if (!gFmod) return;
  if (--gFmodRefs <= 0) {
    delete gFmod;
    gFmod = nullptr;
    gFmodModule.reset();
    gFmodRefs = 0;
  }
}

int FmodLibraryRefCount() {
  std::lock_guard<std::mutex> guard(gFmodLock);
  return gFmodRefs;
}

}  // namespace Kivo
