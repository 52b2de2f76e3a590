#include "music_fake_libraries.h"

#include "audio/FmodLibrary.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace Kivo::MusicFakes {
namespace {

StreamFakeState gStream;
SampleFakeState gSample;

std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// The players call the library from the loading thread too.
std::mutex gLogMutex;
void LogStream(std::string text) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gStream.calls.push_back(std::move(text));
}
void LogSample(std::string text) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gSample.calls.push_back(std::move(text));
}

// ---- stream-and-module library -------------------------------------------------

int Init(int device, uint32_t freq, uint32_t flags, void* window, void* reserved) {
  LogStream(Fmt("Init(%d,%u,%u,%p,%p)", device, freq, flags, window, reserved));
  return 1;
}
int InitOlder(int device, uint32_t freq, uint32_t flags, void* window) {
  LogStream(Fmt("Init(%d,%u,%u,%p)", device, freq, flags, window));
  return 1;
}
int Free() {
  LogStream("Free()");
  return 1;
}
int Stop() {
  LogStream("Stop()");
  return 1;
}
int Start() {
  LogStream("Start()");
  return 1;
}
int SetGlobalVolumes(int a, int b, int c) {
  LogStream(Fmt("SetGlobalVolumes(%d,%d,%d)", a, b, c));
  return 1;
}
int SetVolume(uint32_t v) {
  LogStream(Fmt("SetVolume(%u)", v));
  return 1;
}
uint32_t SetConfig(uint32_t option, uint32_t value) {
  LogStream(Fmt("SetConfig(%u,%u)", option, value));
  return value;
}
int ChannelStop(uint32_t h) {
  LogStream(Fmt("ChannelStop(%u)", h));
  return 1;
}
int ChannelPause(uint32_t h) {
  LogStream(Fmt("ChannelPause(%u)", h));
  return 1;
}
int ChannelPlay(uint32_t h, int restart) {
  LogStream(Fmt("ChannelPlay(%u,%d)", h, restart));
  return 1;
}
uint32_t ChannelIsActive(uint32_t h) {
  LogStream(Fmt("ChannelIsActive(%u)", h));
  auto it = gStream.active.find(h);
  return it == gStream.active.end() ? 0 : it->second;
}
int ChannelSetAttributes(uint32_t h, int freq, int vol, int pan) {
  LogStream(Fmt("ChannelSetAttributes(%u,%d,%d,%d)", h, freq, vol, pan));
  return 1;
}
int ChannelSetFlags(uint32_t h, uint32_t flags) {
  LogStream(Fmt("ChannelSetFlags(%u,0x%x)", h, flags));
  return 1;
}
int ChannelSetPosition(uint32_t h, uint64_t pos) {
  LogStream(Fmt("ChannelSetPosition(%u,0x%" PRIx64 ")", h, pos));
  return 1;
}
uint32_t MusicLoad(int mem, const void* file, uint32_t off, uint32_t len, uint32_t flags, uint32_t freq) {
  LogStream(Fmt("MusicLoad(%d,%s,%u,%u,0x%x,%u)", mem, static_cast<const char*>(file), off, len, flags, freq));
  return gStream.nextModule;
}
uint32_t MusicLoadOlder(int mem, const void* file, uint32_t off, uint32_t len, uint32_t flags) {
  LogStream(Fmt("MusicLoad(%d,%s,%u,%u,0x%x)", mem, static_cast<const char*>(file), off, len, flags));
  return gStream.nextModule;
}
int MusicFree(uint32_t h) {
  LogStream(Fmt("MusicFree(%u)", h));
  return 1;
}
int StreamFree(uint32_t h) {
  LogStream(Fmt("StreamFree(%u)", h));
  return 1;
}
int MusicSetAttribute(uint32_t h, uint32_t attr, uint32_t value) {
  LogStream(Fmt("MusicSetAttribute(%u,%u,%u)", h, attr, value));
  return 1;
}
uint32_t StreamCreateFile(int mem, const void* file, uint32_t off, uint32_t len, uint32_t flags) {
  LogStream(Fmt("StreamCreateFile(%d,%s,%u,%u,%u)", mem, static_cast<const char*>(file), off, len, flags));
  return gStream.nextStream;
}
int NeverCalled() {
  LogStream("unexpected call");
  return 0;
}

class StreamFakeLibrary : public MusicLibrary {
 public:
  void* Find(const char* name) override {
    std::string n = name;
    if (gStream.missing.count(n)) return nullptr;
    const bool newer = gStream.generation == StreamGeneration::Newer;
    auto fn = [](auto f) { return reinterpret_cast<void*>(f); };
    if (n == "BASS_Init") return newer ? fn(&Init) : fn(&InitOlder);
    if (n == "BASS_MusicLoad") return newer ? fn(&MusicLoad) : fn(&MusicLoadOlder);
    if (n == "BASS_SetConfig" || n == "BASS_GetConfig" || n == "BASS_PluginLoad" || n == "BASS_ChannelGetLength" ||
        n == "BASS_ChannelPreBuf") {
      if (!newer) return nullptr;
      return n == "BASS_SetConfig" ? fn(&SetConfig) : fn(&NeverCalled);
    }
    if (n == "BASS_SetGlobalVolumes")
      return gStream.generation == StreamGeneration::OlderMasterOnly ? nullptr : fn(&SetGlobalVolumes);
    static const std::map<std::string, void*> table = {
        {"BASS_Free", fn(&Free)},
        {"BASS_Stop", fn(&Stop)},
        {"BASS_Start", fn(&Start)},
        {"BASS_SetVolume", fn(&SetVolume)},
        {"BASS_ChannelStop", fn(&ChannelStop)},
        {"BASS_ChannelPlay", fn(&ChannelPlay)},
        {"BASS_ChannelPause", fn(&ChannelPause)},
        {"BASS_ChannelSetAttributes", fn(&ChannelSetAttributes)},
        {"BASS_ChannelSetPosition", fn(&ChannelSetPosition)},
        {"BASS_ChannelIsActive", fn(&ChannelIsActive)},
        {"BASS_ChannelSetFlags", fn(&ChannelSetFlags)},
        {"BASS_MusicFree", fn(&MusicFree)},
        {"BASS_MusicSetAttribute", fn(&MusicSetAttribute)},
        {"BASS_StreamCreateFile", fn(&StreamCreateFile)},
        {"BASS_StreamFree", fn(&StreamFree)},
    };
    auto it = table.find(n);
    if (it != table.end()) return it->second;
    return n.rfind("BASS_", 0) == 0 ? fn(&NeverCalled) : nullptr;
  }
};

// ---- sample-and-module library ---------------------------------------------------

const SampleFakeState::SampleInfo* Info(const void* sample) {
  auto it = gSample.sampleInfo.find(sample);
  return it == gSample.sampleInfo.end() ? nullptr : &it->second;
}

int S_Init(int rate, int channels, unsigned flags) {
  LogSample(Fmt("Init(%d,%d,%u)", rate, channels, flags));
  return 1;
}
int S_SetHWND(void*) {
  LogSample("SetHWND");
  return 1;
}
int S_SetBufferSize(int ms) {
  LogSample(Fmt("SetBufferSize(%d)", ms));
  return 1;
}
void S_Close() { LogSample("Close()"); }
FmodSample* S_SampleLoad(int index, const char* name, unsigned mode, int length) {
  LogSample(Fmt("Sample_Load(%d,%s,%u,%d)", index, name, mode, length));
  auto it = gSample.samplesByName.find(name);
  return it == gSample.samplesByName.end() ? nullptr : static_cast<FmodSample*>(it->second);
}
FmodSample* S_SampleAlloc(int index, int frames, unsigned mode, int freq, int vol, int pan, int pri) {
  LogSample(Fmt("Sample_Alloc(%d,%d,0x%x,%d,%d,%d,%d)", index, frames, mode, freq, vol, pan, pri));
  return static_cast<FmodSample*>(gSample.allocResult);
}
void S_SampleFree(FmodSample* s) { LogSample(Fmt("Sample_Free(%p)", s)); }
int S_SampleLock(FmodSample* s, int offset, int length, void** first, void** second, unsigned* len1, unsigned* len2) {
  LogSample(Fmt("Sample_Lock(%p,%d,%d)", s, offset, length));
  auto it = gSample.sampleInfo.find(s);
  if (it == gSample.sampleInfo.end() || it->second.lockFails) return 0;
  auto& bytes = it->second.bytes;
  if (bytes.size() < static_cast<size_t>(offset + length)) bytes.resize(offset + length);
  *first = bytes.data() + offset;
  *len1 = static_cast<unsigned>(length);
  if (second) *second = nullptr;
  if (len2) *len2 = 0;
  return 1;
}
int S_SampleUnlock(FmodSample* s, void*, void*, unsigned, unsigned) {
  LogSample(Fmt("Sample_Unlock(%p)", s));
  return 1;
}
int S_SetLoopPoints(FmodSample* s, int start, int end) {
  LogSample(Fmt("Sample_SetLoopPoints(%p,%d,%d)", s, start, end));
  return 1;
}
unsigned S_GetLength(FmodSample* s) {
  const auto* info = Info(s);
  return info ? info->frames : 0;
}
int S_GetDefaults(FmodSample* s, int* freq, int* vol, int* pan, int* pri) {
  const auto* info = Info(s);
  if (freq) *freq = info ? info->frequency : 0;
  if (vol) *vol = 255;
  if (pan) *pan = 128;
  if (pri) *pri = 0;
  return 1;
}
unsigned S_GetMode(FmodSample* s) {
  const auto* info = Info(s);
  return info ? info->mode : 0;
}
int S_PlaySound(int ch, FmodSample* s) {
  LogSample(Fmt("PlaySound(%d,%p)", ch, s));
  return ch;
}
int S_StopSound(int ch) {
  LogSample(Fmt("StopSound(%d)", ch));
  return 1;
}
int S_SetVolume(int ch, int v) {
  LogSample(Fmt("SetVolume(%d,%d)", ch, v));
  return 1;
}
int S_SetPaused(int ch, int p) {
  LogSample(Fmt("SetPaused(%d,%d)", ch, p));
  return 1;
}
int S_SetLoopMode(int ch, unsigned m) {
  LogSample(Fmt("SetLoopMode(%d,%u)", ch, m));
  return 1;
}
int S_IsPlaying(int ch) {
  LogSample(Fmt("IsPlaying(%d)", ch));
  auto it = gSample.channelPlaying.find(ch);
  return it == gSample.channelPlaying.end() ? 0 : it->second;
}
void* M_LoadSong(const char* name) {
  LogSample(Fmt("LoadSong(%s)", name));
  return gSample.nextModule;
}
int M_PlaySong(void* m) {
  LogSample(Fmt("PlaySong(%p)", m));
  return 1;
}
int M_StopSong(void* m) {
  LogSample(Fmt("StopSong(%p)", m));
  return 1;
}
int M_SetLooping(void* m, int mode) {
  LogSample(Fmt("SetLooping(%p,%d)", m, mode));
  return 1;
}
int M_SetOrder(void* m, int order) {
  LogSample(Fmt("SetOrder(%p,%d)", m, order));
  return 1;
}
int M_SetPaused(void* m, int p) {
  LogSample(Fmt("SetModulePaused(%p,%d)", m, p));
  return 1;
}
int M_SetMasterVolume(void* m, int v) {
  LogSample(Fmt("SetMasterVolume(%p,%d)", m, v));
  return 1;
}
int M_IsPlaying(void* m) {
  LogSample(Fmt("IsModulePlaying(%p)", m));
  auto it = gSample.modulePlaying.find(m);
  return it == gSample.modulePlaying.end() ? 0 : it->second;
}
int S_Never() {
  LogSample("unexpected call");
  return 0;
}

class SampleFakeLibrary : public MusicLibrary {
 public:
  void* Find(const char* name) override {
    std::string n = name;
    if (gSample.missing.count(n)) return nullptr;
    auto fn = [](auto f) { return reinterpret_cast<void*>(f); };
    static const std::map<std::string, void*> table = {
        {"_FSOUND_SetBufferSize@4", fn(&S_SetBufferSize)},
        {"_FSOUND_SetHWND@4", fn(&S_SetHWND)},
        {"_FSOUND_Init@12", fn(&S_Init)},
        {"_FSOUND_Close@0", fn(&S_Close)},
        {"_FSOUND_Sample_Load@16", fn(&S_SampleLoad)},
        {"_FSOUND_Sample_Alloc@28", fn(&S_SampleAlloc)},
        {"_FSOUND_Sample_Free@4", fn(&S_SampleFree)},
        {"_FSOUND_Sample_Lock@28", fn(&S_SampleLock)},
        {"_FSOUND_Sample_Unlock@20", fn(&S_SampleUnlock)},
        {"_FSOUND_Sample_SetLoopPoints@12", fn(&S_SetLoopPoints)},
        {"_FSOUND_Sample_GetLength@4", fn(&S_GetLength)},
        {"_FSOUND_Sample_GetDefaults@20", fn(&S_GetDefaults)},
        {"_FSOUND_Sample_GetMode@4", fn(&S_GetMode)},
        {"_FSOUND_PlaySound@8", fn(&S_PlaySound)},
        {"_FSOUND_StopSound@4", fn(&S_StopSound)},
        {"_FSOUND_SetVolume@8", fn(&S_SetVolume)},
        {"_FSOUND_SetPaused@8", fn(&S_SetPaused)},
        {"_FSOUND_SetLoopMode@8", fn(&S_SetLoopMode)},
        {"_FSOUND_IsPlaying@4", fn(&S_IsPlaying)},
        {"_FSOUND_Stream_OpenFile@12", fn(&S_Never)},
        {"_FSOUND_Stream_Close@4", fn(&S_Never)},
        {"_FSOUND_Stream_Play@8", fn(&S_Never)},
        {"_FMUSIC_LoadSong@4", fn(&M_LoadSong)},
        {"_FMUSIC_PlaySong@4", fn(&M_PlaySong)},
        {"_FMUSIC_StopSong@4", fn(&M_StopSong)},
        {"_FMUSIC_SetLooping@8", fn(&M_SetLooping)},
        {"_FMUSIC_SetOrder@8", fn(&M_SetOrder)},
        {"_FMUSIC_SetPaused@8", fn(&M_SetPaused)},
        {"_FMUSIC_SetMasterVolume@8", fn(&M_SetMasterVolume)},
        {"_FMUSIC_IsPlaying@4", fn(&M_IsPlaying)},
    };
    auto it = table.find(n);
    return it == table.end() ? nullptr : it->second;
  }
};

}  // namespace

StreamFakeState& StreamFake() { return gStream; }
SampleFakeState& SampleFake() { return gSample; }

void InstallFakeLibraries(bool noLibrary) {
  SetMusicLibraryOpener([noLibrary](const std::string& path) -> std::unique_ptr<MusicLibrary> {
    if (noLibrary) return nullptr;
    if (path == ".\\bass.dll") return std::make_unique<StreamFakeLibrary>();
    if (path == "fmod.dll") return std::make_unique<SampleFakeLibrary>();
    return nullptr;
  });
}

void RestoreLibraries() { SetMusicLibraryOpener(nullptr); }

std::vector<std::string> TakeStreamCalls() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  std::vector<std::string> calls;
  calls.swap(gStream.calls);
  return calls;
}

std::vector<std::string> TakeSampleCalls() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  std::vector<std::string> calls;
  calls.swap(gSample.calls);
  return calls;
}

}  // namespace Kivo::MusicFakes
