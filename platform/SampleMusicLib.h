// Stand-in for the sample-and-module music library that the second music
// player (and, with its flag, the sound manager's MP3 reading) loads at run
// time. Entry points are found by the library's own names through
// SampleMusicLibEntry; the calls and their meaning:
//   - Init, SetHWND, SetBufferSize, Close: accepted; Close stops everything.
//   - Samples: Sample_Load(-1, name, 0, 0) decodes a whole .wav, .ogg or .mp3
//     file into memory (null when it does not open or decode); Sample_Alloc
//     makes an empty sample; GetMode (kModeMono, kMode8Bits), GetDefaults
//     (frequency), GetLength (frames), Lock (one region covering the asked
//     range; false outside the sample), Unlock, SetLoopPoints (frames, the
//     end exclusive), Free.
//   - Channels are numbered by the caller: PlaySound(channel, sample) plays
//     the sample on that channel (replacing what it played), StopSound,
//     SetVolume(channel, 0..100), SetPaused(channel, 0|1), SetLoopMode
//     (channel, 1 once, 2 loop between the loop points), IsPlaying(channel).
//   - Modules: LoadSong(name) gives a module, or null for a file that is not
//     a tracker module (an .ogg file gives null); PlaySong starts it from the
//     beginning, StopSong, SetLooping(module, 1 once, 2 loop), SetOrder,
//     SetPaused, SetMasterVolume(module, 0..100), IsPlaying (false for null).
//   - Stream_OpenFile, Stream_Close and Stream_Play exist and report failure.
// Files are read whole through the installed file reader. All calls are
// safe from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Kivo {
namespace SampleMusicLib {

struct Sample;
struct Module;

enum : uint32_t {
  kModeLoopOff = 0x01,
  kModeLoopNormal = 0x02,
  kMode8Bits = 0x08,
  kMode16Bits = 0x10,
  kModeMono = 0x20,
  kModeStereo = 0x40,
};
enum : int { kLoopOnce = 1, kLoopRepeat = 2 };

int Init(int mixRate, int maxChannels, unsigned flags);
int SetHWND(void* window);
int SetBufferSize(int milliseconds);
void Close();

Sample* Sample_Load(int index, const char* name, unsigned mode, int length);
Sample* Sample_Alloc(int index, int frames, unsigned mode, int frequency, int volume, int pan, int priority);
void Sample_Free(Sample* sample);
int Sample_Lock(Sample* sample, int offset, int length, void** first, void** second, unsigned* firstLength,
                unsigned* secondLength);
int Sample_Unlock(Sample* sample, void* first, void* second, unsigned firstLength, unsigned secondLength);
int Sample_SetLoopPoints(Sample* sample, int start, int end);
unsigned Sample_GetLength(Sample* sample);
int Sample_GetDefaults(Sample* sample, int* frequency, int* volume, int* pan, int* priority);
unsigned Sample_GetMode(Sample* sample);

int PlaySound(int channel, Sample* sample);
int StopSound(int channel);
int SetVolume(int channel, int volume);
int SetPaused(int channel, int paused);
int SetLoopMode(int channel, unsigned mode);
int IsPlaying(int channel);

Module* LoadSong(const char* name);
int PlaySong(Module* module);
int StopSong(Module* module);
int SetLooping(Module* module, int mode);
int SetOrder(Module* module, int order);
int SetModulePaused(Module* module, int paused);
int SetMasterVolume(Module* module, int volume);
int IsModulePlaying(Module* module);

// The entry point of that name ("_FSOUND_Init@12", ...), null for others.
void* SampleMusicLibEntry(const char* name);

using FileReader = std::function<bool(const std::string& name, std::vector<uint8_t>& bytes, std::string& error)>;
void SetFileReader(FileReader reader);

}  // namespace SampleMusicLib
}  // namespace Kivo
