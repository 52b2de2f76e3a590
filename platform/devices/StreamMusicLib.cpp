#include "platform/devices/StreamMusicLib.h"

#include "platform/devices/MusicChannel.h"
#include "platform/devices/MusicDecoders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace Kivo {
namespace StreamMusicLib {
namespace {

struct Song {
  std::unique_ptr<MusicChannel> channel;
  int volume = 100;
  int amplify = 50;
};

struct Library {
  std::mutex mutex;
  std::map<Handle, Song> songs;
  Handle nextHandle = 1;
  uint32_t streamVolume = 100;
  uint32_t moduleVolume = 100;
  uint32_t bufferMs = 500;
  bool running = false;
  FileReader reader;
  std::string lastError;
};

Library& Lib() {
  static Library* lib = new Library;  // outlives every output thread at exit
  return *lib;
}

Song* Find(Library& lib, Handle h) {
  auto it = lib.songs.find(h);
  return it == lib.songs.end() ? nullptr : &it->second;
}

// gain = volume/100 x the global volume of the song's kind, and for modules
// the amplification (50 unchanged); nothing sounds while the library is
// stopped.
void ApplyGain(const Library& lib, Song& song) {
  float gain = 0.0f;
  if (lib.running) {
    bool module = song.channel->IsModule();
    gain = song.volume / 100.0f * ((module ? lib.moduleVolume : lib.streamVolume) / 100.0f);
    if (module) gain *= song.amplify / 50.0f;
  }
  song.channel->SetGain(gain);
}

void ApplyAllGains(Library& lib) {
  for (auto& entry : lib.songs) ApplyGain(lib, entry.second);
}

Handle AddSong(Library& lib, std::unique_ptr<MusicChannel> channel, uint32_t flags) {
  Handle h = lib.nextHandle;
  while (h == 0 || lib.songs.count(h)) ++h;
  lib.nextHandle = h + 1;
  channel->SetLoop(flags & kFlagLoop);
  Song& song = lib.songs[h];
  song.channel = std::move(channel);
  ApplyGain(lib, song);
  return h;
}

// Takes the song out under the lock; the caller deletes it after leaving
// the lock, since deleting waits for the mixer.
std::unique_ptr<MusicChannel> TakeSong(Library& lib, Handle h, bool module) {
  Song* song = Find(lib, h);
  if (!song || song->channel->IsModule() != module) return nullptr;
  std::unique_ptr<MusicChannel> channel = std::move(song->channel);
  lib.songs.erase(h);
  return channel;
}

// Entry points the player looks up but never calls.
int Unsupported() { return 0; }

}  // namespace

int Init(int, uint32_t, uint32_t, void*, void*) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  lib.running = true;
  ApplyAllGains(lib);
  return 1;
}

int Free() {
  Library& lib = Lib();
  std::map<Handle, Song> songs;
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    songs.swap(lib.songs);
    lib.running = false;
    lib.streamVolume = lib.moduleVolume = 100;
  }
  // Deleted outside the lock: deleting a channel waits for the mixer to let
  // go of its voice.
  songs.clear();
  return 1;
}

int Start() {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  lib.running = true;
  ApplyAllGains(lib);
  return 1;
}

int Stop() {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  lib.running = false;
  ApplyAllGains(lib);
  return 1;
}

uint32_t SetConfig(uint32_t option, uint32_t value) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  switch (option) {
    case kConfigBuffer: lib.bufferMs = value; return value;
    case kConfigStreamVolume:
      lib.streamVolume = std::min<uint32_t>(value, 100);
      ApplyAllGains(lib);
      return lib.streamVolume;
    case kConfigModuleVolume:
      lib.moduleVolume = std::min<uint32_t>(value, 100);
      ApplyAllGains(lib);
      return lib.moduleVolume;
    default: return static_cast<uint32_t>(-1);
  }
}

uint32_t GetConfig(uint32_t option) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  switch (option) {
    case kConfigBuffer: return lib.bufferMs;
    case kConfigStreamVolume: return lib.streamVolume;
    case kConfigModuleVolume: return lib.moduleVolume;
    default: return static_cast<uint32_t>(-1);
  }
}

Handle StreamCreateFile(int fromMemory, const void* file, uint32_t, uint32_t, uint32_t flags) {
  Library& lib = Lib();
  std::string error;
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  std::unique_ptr<MusicDecoder> decoder;
  if (fromMemory || !file) {
    error = "only files opened by name are supported";
  } else if (ReadMusicFile(static_cast<const char*>(file), *bytes, error)) {
    decoder = OpenStreamDecoder(bytes, &error);
    if (!decoder) error = std::string(static_cast<const char*>(file)) + ": " + error;
  }
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!decoder) {
    lib.lastError = error;
    return 0;
  }
  return AddSong(lib, std::make_unique<MusicChannel>(std::move(decoder)), flags);
}

Handle MusicLoad(int fromMemory, const void* file, uint32_t, uint32_t, uint32_t flags, uint32_t) {
  Library& lib = Lib();
  std::string error;
  std::vector<uint8_t> bytes;
  std::unique_ptr<MusicDecoder> decoder;
  if (fromMemory || !file) {
    error = "only files opened by name are supported";
  } else if (ReadMusicFile(static_cast<const char*>(file), bytes, error)) {
    decoder = OpenModuleDecoder(bytes, &error);
    if (!decoder) error = std::string(static_cast<const char*>(file)) + ": " + error;
  }
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!decoder) {
    lib.lastError = error;
    return 0;
  }
  return AddSong(lib, std::make_unique<MusicChannel>(std::move(decoder)), flags);
}

int StreamFree(Handle h) {
  Library& lib = Lib();
  std::unique_ptr<MusicChannel> channel;
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    channel = TakeSong(lib, h, false);
  }
  if (!channel) return 0;
  channel.reset();
  return 1;
}

int MusicFree(Handle h) {
  Library& lib = Lib();
  std::unique_ptr<MusicChannel> channel;
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    channel = TakeSong(lib, h, true);
  }
  if (!channel) return 0;
  channel.reset();
  return 1;
}

int MusicSetAttribute(Handle h, uint32_t attribute, uint32_t value) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  if (!song || !song->channel->IsModule() || attribute != 0) return 0;
  song->amplify = static_cast<int>(std::min<uint32_t>(value, 100));
  ApplyGain(lib, *song);
  return 1;
}

int ChannelPlay(Handle h, int restart) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  if (!song) return 0;
  song->channel->Play(restart != 0);
  return 1;
}

int ChannelStop(Handle h) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  if (!song) return 0;
  song->channel->Stop();
  return 1;
}

int ChannelPause(Handle h) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  return song && song->channel->Pause() ? 1 : 0;
}

uint32_t ChannelIsActive(Handle h) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  if (!song || !song->channel->IsActive()) return kStopped;
  return song->channel->IsPaused() ? kPaused : kPlaying;
}

int ChannelSetAttributes(Handle h, int, int volume, int) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  if (!song) return 0;
  // -1 keeps the volume, as it keeps the frequency.
  if (volume >= 0) {
    song->volume = std::min(volume, 100);
    ApplyGain(lib, *song);
  }
  return 1;
}

int ChannelSetFlags(Handle h, uint32_t flags) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  if (!song) return 0;
  song->channel->SetLoop(flags & kFlagLoop);
  return 1;
}

int ChannelSetPosition(Handle h, uint64_t position) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  Song* song = Find(lib, h);
  if (!song) return 0;
  MusicChannel& ch = *song->channel;
  if (ch.IsModule()) {
    uint32_t low = static_cast<uint32_t>(position);
    if (!(low & 0x80000000u)) return 0;
    return ch.SeekOrder(static_cast<int>(low & 0xFFFF)) ? 1 : 0;
  }
  return ch.SeekFrame(position / (2u * ch.Channels())) ? 1 : 0;
}

void SetFileReader(FileReader reader) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  lib.reader = std::move(reader);
}

bool ReadMusicFile(const std::string& name, std::vector<uint8_t>& bytes, std::string& error) {
  FileReader reader;
  {
    Library& lib = Lib();
    std::lock_guard<std::mutex> lock(lib.mutex);
    reader = lib.reader;
  }
  return reader ? reader(name, bytes, error) : ReadMusicFileFromFolders(name, bytes, error);
}

std::string LastError() {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return lib.lastError;
}

void* StreamMusicLibEntry(const char* name) {
  struct Entry {
    const char* name;
    void* fn;
  };
#define KIVO_ENTRY(n, f) \
  { n, reinterpret_cast<void*>(&f) }
  static const Entry kEntries[] = {
      KIVO_ENTRY("BASS_Init", Init),
      KIVO_ENTRY("BASS_Free", Free),
      KIVO_ENTRY("BASS_Stop", Stop),
      KIVO_ENTRY("BASS_Start", Start),
      KIVO_ENTRY("BASS_SetVolume", Unsupported),
      KIVO_ENTRY("BASS_SetConfig", SetConfig),
      KIVO_ENTRY("BASS_GetConfig", GetConfig),
      KIVO_ENTRY("BASS_GetVolume", Unsupported),
      KIVO_ENTRY("BASS_GetInfo", Unsupported),
      KIVO_ENTRY("BASS_GetVersion", Unsupported),
      KIVO_ENTRY("BASS_ChannelStop", ChannelStop),
      KIVO_ENTRY("BASS_ChannelPlay", ChannelPlay),
      KIVO_ENTRY("BASS_ChannelPause", ChannelPause),
      KIVO_ENTRY("BASS_ChannelSetAttributes", ChannelSetAttributes),
      KIVO_ENTRY("BASS_ChannelGetAttributes", Unsupported),
      KIVO_ENTRY("BASS_ChannelSetPosition", ChannelSetPosition),
      KIVO_ENTRY("BASS_ChannelGetPosition", Unsupported),
      KIVO_ENTRY("BASS_ChannelIsActive", ChannelIsActive),
      KIVO_ENTRY("BASS_ChannelSetFlags", ChannelSetFlags),
      KIVO_ENTRY("BASS_ChannelSlideAttributes", Unsupported),
      KIVO_ENTRY("BASS_ChannelIsSliding", Unsupported),
      KIVO_ENTRY("BASS_ChannelGetLevel", Unsupported),
      KIVO_ENTRY("BASS_ChannelSetSync", Unsupported),
      KIVO_ENTRY("BASS_ChannelRemoveSync", Unsupported),
      KIVO_ENTRY("BASS_ChannelGetData", Unsupported),
      KIVO_ENTRY("BASS_FXSetParameters", Unsupported),
      KIVO_ENTRY("BASS_FXGetParameters", Unsupported),
      KIVO_ENTRY("BASS_ChannelSetFX", Unsupported),
      KIVO_ENTRY("BASS_ChannelRemoveFX", Unsupported),
      KIVO_ENTRY("BASS_MusicLoad", MusicLoad),
      KIVO_ENTRY("BASS_MusicFree", MusicFree),
      KIVO_ENTRY("BASS_MusicGetAttribute", Unsupported),
      KIVO_ENTRY("BASS_MusicSetAttribute", MusicSetAttribute),
      KIVO_ENTRY("BASS_StreamCreateFile", StreamCreateFile),
      KIVO_ENTRY("BASS_StreamFree", StreamFree),
      KIVO_ENTRY("BASS_MusicGetOrders", Unsupported),
      KIVO_ENTRY("BASS_MusicGetOrderPosition", Unsupported),
      KIVO_ENTRY("BASS_SampleLoad", Unsupported),
      KIVO_ENTRY("BASS_SampleFree", Unsupported),
      KIVO_ENTRY("BASS_SampleSetInfo", Unsupported),
      KIVO_ENTRY("BASS_SampleGetInfo", Unsupported),
      KIVO_ENTRY("BASS_SampleGetChannel", Unsupported),
      KIVO_ENTRY("BASS_SampleStop", Unsupported),
      KIVO_ENTRY("BASS_ErrorGetCode", Unsupported),
      KIVO_ENTRY("BASS_PluginLoad", Unsupported),
      KIVO_ENTRY("BASS_ChannelGetLength", Unsupported),
      KIVO_ENTRY("BASS_ChannelPreBuf", Unsupported),
  };
#undef KIVO_ENTRY
  if (!name) return nullptr;
  for (const Entry& e : kEntries)
    if (std::strcmp(e.name, name) == 0) return e.fn;
  return nullptr;
}

}  // namespace StreamMusicLib
}  // namespace Kivo
