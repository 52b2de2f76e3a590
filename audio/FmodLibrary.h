// The second audio library's entry points, as our own stand-in: one shared,
// reference-counted table of its 30 calls. The sample calls decode whole
// ".wav" (our WAV reader), ".ogg" (the integer Vorbis decoder) and ".mp3"
// (libmpg123) files through the file API into memory; the channel, stream and
// module calls answer "failed" until the music player fills them in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/devices/DSound.h"

namespace Kivo {

// Sample mode bits the callers read.
constexpr unsigned kFmodMode8Bits = 0x08;
constexpr unsigned kFmodMode16Bits = 0x10;
constexpr unsigned kFmodModeMono = 0x20;
constexpr unsigned kFmodModeStereo = 0x40;

struct FmodSample {
  WaveFormat format;
  std::vector<std::uint8_t> bytes;
  int locks = 0;
  // Frames; the end is exclusive and 0 means the end of the sample.
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
};

// The table, in the library's lookup order.
struct FmodInstance {
  int (*SetBufferSize)(int ms);
  int (*SetHWND)(void* window);
  int (*Init)(int mixRate, int maxChannels, unsigned flags);
  void (*Close)();
  FmodSample* (*Sample_Load)(int index, const char* name, unsigned mode, int offset);
  FmodSample* (*Sample_Alloc)(int index, int length, unsigned mode, int freq, int vol, int pan, int pri);
  void (*Sample_Free)(FmodSample* sample);
  int (*Sample_Lock)(FmodSample* sample, int offset, int length, void** first, void** second, unsigned* firstBytes,
                     unsigned* secondBytes);
  int (*Sample_Unlock)(FmodSample* sample, void* first, void* second, unsigned firstBytes, unsigned secondBytes);
  int (*Sample_SetLoopPoints)(FmodSample* sample, int start, int end);
  unsigned (*Sample_GetLength)(FmodSample* sample);
  int (*Sample_GetDefaults)(FmodSample* sample, int* freq, int* vol, int* pan, int* pri);
  unsigned (*Sample_GetMode)(FmodSample* sample);
  int (*PlaySound)(int channel, FmodSample* sample);
  int (*StopSound)(int channel);
  int (*SetVolume)(int channel, int volume);
  int (*SetPaused)(int channel, int paused);
  int (*SetLoopMode)(int channel, unsigned mode);
  int (*IsPlaying)(int channel);
  void* (*Stream_OpenFile)(const char* name, unsigned mode, int length);
  int (*Stream_Close)(void* stream);
  int (*Stream_Play)(int channel, void* stream);
  void* (*FMUSIC_LoadSong)(const char* name);
  int (*FMUSIC_PlaySong)(void* module);
  int (*FMUSIC_StopSong)(void* module);
  int (*FMUSIC_SetLooping)(void* module, int looping);
  int (*FMUSIC_SetOrder)(void* module, int order);
  int (*FMUSIC_SetPaused)(void* module, int paused);
  int (*FMUSIC_SetMasterVolume)(void* module, int volume);
  int (*FMUSIC_IsPlaying)(void* module);
};

// The 30 entry names in lookup order.
extern const char* const kFmodEntryNames[30];
// Our implementation of one entry, by name (null for an unknown name).
void* FmodLookup(const char* name);

// Counted access to the one process-wide table. Acquire builds it on first
// use from the library "fmod.dll" (OpenMusicLibrary), every entry resolved
// by name; a missing library or entry point ends the process after an error
// box. Release frees it at zero.
FmodInstance* AcquireFmodLibrary();
void ReleaseFmodLibrary();
int FmodLibraryRefCount();

// Decodes a whole MP3 stream into 16-bit PCM; false with a reason on bad
// input. Exposed for the fuzz target.
class SoundSource;
class PcmSink;
bool ReadMp3Sound(SoundSource& in, PcmSink& sink, std::string* why);

}  // namespace Kivo
