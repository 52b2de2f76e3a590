// The channel and module calls of the sample-and-module music library
// stand-in (its sample calls and its entry-point table live with the sound
// manager, which shares the library). Channels are numbered by the caller;
// modules are opaque references.
//   - PlayPcm(channel, ...) plays decoded PCM on that channel, replacing
//     what it played; StopSound, SetVolume(channel, 0..100), SetPaused
//     (channel, 0|1), SetLoopMode(channel, 1 once, 2 loop between the loop
//     points), IsPlaying(channel).
//   - LoadSong(name) gives a module, or null for a file that is not a tracker
//     module (an Ogg file gives null); PlaySong starts it from the beginning,
//     StopSong, SetLooping(module, 1 once, 2 loop), SetOrder,
//     SetModulePaused, SetMasterVolume(module, 0..100), IsModulePlaying
//     (false for null). There is no call that frees a module: Close frees
//     every module and stops every channel.
// Module files are read whole through the installed file reader. Every call
// is safe from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Kivo {
namespace SampleMusicLib {

struct Module;

enum : int { kLoopOnce = 1, kLoopRepeat = 2 };

// bits: 8 (unsigned) or 16 (signed little-endian); loopEnd 0 means the end.
int PlayPcm(int channel, int channels, int bits, int rate, std::vector<uint8_t> pcm, uint32_t loopStart,
            uint32_t loopEnd);
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

void Close();

using FileReader = std::function<bool(const std::string& name, std::vector<uint8_t>& bytes, std::string& error)>;
void SetFileReader(FileReader reader);

}  // namespace SampleMusicLib
}  // namespace Kivo
