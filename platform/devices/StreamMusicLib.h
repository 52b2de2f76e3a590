// Stand-in for the stream-and-module music library that the default music
// player loads at run time. It answers the calls that player makes, under
// the entry-point names the player looks up (StreamMusicLibEntry), and
// behaves as the player relies on:
//   - StreamCreateFile opens a .wav, .ogg or .mp3 file by name and MusicLoad
//     a tracker module; each gives a non-zero handle, or 0 when the file does
//     not open or decode. Files are read whole through the installed file
//     reader (the file API, so archive entries play too).
//   - Each handle is a streaming voice of the sound device's mixer
//     (MusicOutput), decoded in small pieces as the mixer pulls it.
//   - ChannelIsActive: 0 stopped (also after a one-pass end), 1 playing,
//     3 paused. ChannelStop keeps a stream's position.
//   - ChannelSetAttributes: volume 0..100; frequency -1 and pan -101 leave
//     those as they are (other frequencies and pans are accepted and not
//     applied). Gain = volume/100 x the global volume of the handle's kind
//     (SetConfig option 5 for streams, 6 for modules, 0..100).
//   - ChannelSetFlags: 4 loops; other bits are accepted and ignored.
//   - ChannelSetPosition: for a module, a value whose bit 31 is set selects
//     the order in its low 16 bits (row 0); for a stream, a byte position in
//     the decoded 16-bit PCM.
//   - MusicSetAttribute(h, 0, amp): module amplification on a 0..100 scale
//     where 50 is unchanged (gain amp/50); larger values are taken as 100.
// Every other entry point the player looks up exists and reports failure.
// All calls are safe from any thread; the output pulls under the library lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Kivo {
namespace StreamMusicLib {

using Handle = uint32_t;

enum : uint32_t {
  kConfigBuffer = 0,
  kConfigStreamVolume = 5,
  kConfigModuleVolume = 6,
};
enum : uint32_t { kFlagLoop = 4 };
enum : uint32_t { kStopped = 0, kPlaying = 1, kPaused = 3 };

// Entry points, in the player's calling conventions. Results: non-zero for
// success (BOOL-like), except where a value is returned.
int Init(int device, uint32_t frequency, uint32_t flags, void* window, void* reserved);
int Free();
int Start();
int Stop();
uint32_t SetConfig(uint32_t option, uint32_t value);
uint32_t GetConfig(uint32_t option);
Handle StreamCreateFile(int fromMemory, const void* file, uint32_t offset, uint32_t length, uint32_t flags);
int StreamFree(Handle handle);
Handle MusicLoad(int fromMemory, const void* file, uint32_t offset, uint32_t length, uint32_t flags,
                 uint32_t frequency);
int MusicFree(Handle handle);
int MusicSetAttribute(Handle handle, uint32_t attribute, uint32_t value);
int ChannelPlay(Handle handle, int restart);
int ChannelStop(Handle handle);
int ChannelPause(Handle handle);
uint32_t ChannelIsActive(Handle handle);
int ChannelSetAttributes(Handle handle, int frequency, int volume, int pan);
int ChannelSetFlags(Handle handle, uint32_t flags);
int ChannelSetPosition(Handle handle, uint64_t position);

// The entry point of that name ("BASS_Init", ...), null for an unknown name.
void* StreamMusicLibEntry(const char* name);

// Reads a whole file by name; false with an error text when it cannot.
using FileReader = std::function<bool(const std::string& name, std::vector<uint8_t>& bytes, std::string& error)>;
// Installs the reader used by StreamCreateFile and MusicLoad; an empty one
// restores plain file reading.
void SetFileReader(FileReader reader);
bool ReadMusicFile(const std::string& name, std::vector<uint8_t>& bytes, std::string& error);

// The text of the last failed open, for tools and logs.
std::string LastError();

}  // namespace StreamMusicLib
}  // namespace Kivo
