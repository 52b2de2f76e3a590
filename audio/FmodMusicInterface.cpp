#include "audio/FmodMusicInterface.h"

#include "audio/MusicFiles.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "shell/base/Paths.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Kivo {
namespace {

constexpr int kLoopOnce = 1;
constexpr int kLoopRepeat = 2;
constexpr unsigned kModeLoopNormal = 0x02;

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutLe16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// Writes the file whole or not at all.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& header, const uint8_t* body,
                         size_t bodySize) {
  auto fill = [&](Platform::AtomicFileWriter& writer) {
    return writer.Write(header.data(), header.size()) && writer.Write(body, bodySize);
  };
  return Platform::ReplaceFile(Platform::HostPath(path), fill).ok();
}

}  // namespace

// The library is initialised by the sound manager, not here.
FModMusicInterface::FModMusicInterface(HWND) {
  mLib = AcquireFmodLibrary();
  RouteMusicFilesThroughFileApi();
}

FModMusicInterface::~FModMusicInterface() {
  {
    // Samples were made for this player's songs and nothing else frees them;
    // a channel still playing one keeps its own copy of the sound.
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    for (auto& entry : mSongs)
      if (entry.second.sample) mLib->Sample_Free(entry.second.sample);
    mSongs.clear();
  }
  ReleaseFmodLibrary();
}

FModSong* FModMusicInterface::Find(int songId) {
  auto it = mSongs.find(songId);
  return it == mSongs.end() ? nullptr : &it->second;
}

void FModMusicInterface::ApplyVolume(int songId, const FModSong& song) {
  int volume = MusicPercent(mMusicVolume * song.volume);
  if (song.module)
    mLib->FMUSIC_SetMasterVolume(song.module, volume);
  else
    mLib->SetVolume(songId, volume);
}

void FModMusicInterface::StopLocked(int songId, FModSong& song) {
  song.volume = 0;
  if (song.module)
    mLib->FMUSIC_StopSong(song.module);
  else
    mLib->StopSound(songId);
}

bool FModMusicInterface::LoadSong(int songId, const std::string& fileName) {
  void* module = mLib->FMUSIC_LoadSong(fileName.c_str());
  if (!module) return false;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong song;
  song.module = module;
  // The library has no call to free a module, so a load under a used id
  // keeps the old song and leaves the new module with the library.
  mSongs.emplace(songId, song);
  return true;
}

void FModMusicInterface::PlaySong(int songId, int offset, bool noLoop) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong* song = Find(songId);
  if (!song) return;
  song->volume = song->maxVolume;
  song->fadeStep = 0;
  if (song->module) {
    ApplyVolume(songId, *song);
    mLib->FMUSIC_SetLooping(song->module, noLoop ? kLoopOnce : kLoopRepeat);
    mLib->FMUSIC_PlaySong(song->module);
    mLib->FMUSIC_SetOrder(song->module, offset);
  } else {
    mLib->PlaySound(songId, song->sample);
    mLib->SetLoopMode(songId, song->loop ? kLoopRepeat : kLoopOnce);
    ApplyVolume(songId, *song);
  }
}

void FModMusicInterface::StopSong(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (FModSong* song = Find(songId)) StopLocked(songId, *song);
}

void FModMusicInterface::PauseSong(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong* song = Find(songId);
  if (!song) return;
  if (song->module)
    mLib->FMUSIC_SetPaused(song->module, 1);
  else
    mLib->SetPaused(songId, 1);
}

void FModMusicInterface::ResumeSong(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong* song = Find(songId);
  if (!song) return;
  if (song->module)
    mLib->FMUSIC_SetPaused(song->module, 0);
  else
    mLib->SetPaused(songId, 0);
}

void FModMusicInterface::StopAllSongs() {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs) StopLocked(entry.first, entry.second);
}

void FModMusicInterface::UnloadSong(int) {}
void FModMusicInterface::UnloadAllSongs() {}
void FModMusicInterface::PauseAllSongs() {}
void FModMusicInterface::ResumeAllSongs() {}

void FModMusicInterface::FadeInSong(int songId, int offset, double speed, bool noLoop) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong* song = Find(songId);
  if (!song) return;
  song->fadeStep = speed;
  if (song->module) {
    ApplyVolume(songId, *song);
    mLib->FMUSIC_SetLooping(song->module, noLoop ? kLoopOnce : kLoopRepeat);
    if (!mLib->FMUSIC_IsPlaying(song->module)) mLib->FMUSIC_PlaySong(song->module);
    if (offset != -1) mLib->FMUSIC_SetOrder(song->module, offset);
  } else {
    if (!mLib->IsPlaying(songId)) {
      mLib->PlaySound(songId, song->sample);
      mLib->SetLoopMode(songId, song->loop ? kLoopRepeat : kLoopOnce);
    }
    ApplyVolume(songId, *song);
  }
}

void FModMusicInterface::FadeOutSong(int songId, bool stopWhenSilent, double speed) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong* song = Find(songId);
  if (!song) return;
  song->fadeStep = -speed;
  song->stopWhenSilent = stopWhenSilent;
}

void FModMusicInterface::FadeOutAllSongs(bool stopWhenSilent, double speed) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs) {
    entry.second.fadeStep = -speed;
    entry.second.stopWhenSilent = stopWhenSilent;
  }
}

void FModMusicInterface::SetSongVolume(int songId, double volume) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong* song = Find(songId);
  if (!song) return;
  song->volume = volume;
  ApplyVolume(songId, *song);
}

// This player keeps every maximum at 1.0, so its fades always end there.
void FModMusicInterface::SetSongMaxVolume(int, double) {}

bool FModMusicInterface::IsSongPlaying(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong* song = Find(songId);
  if (!song) return false;
  // A sample song has no module: asking the module query about its null
  // handle would call a playing song silent. It plays on the channel
  // numbered by its id, so that channel is asked.
  if (!song->module) return mLib->IsPlaying(songId) != 0;
  return mLib->FMUSIC_IsPlaying(song->module) != 0;
}

void FModMusicInterface::SetMusicVolume(double volume) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  mMusicVolume = volume;
  for (auto& entry : mSongs) ApplyVolume(entry.first, entry.second);
}

void FModMusicInterface::SetSongAmplify(int, double) {}

void FModMusicInterface::Update() {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs) {
    FModSong& song = entry.second;
    if (song.fadeStep == 0) continue;
    song.volume += song.fadeStep;
    if (song.volume > song.maxVolume) {
      song.volume = song.maxVolume;
      song.fadeStep = 0;
    } else if (song.volume < 0) {
      song.volume = 0;
      song.fadeStep = 0;
      if (song.stopWhenSilent) StopLocked(entry.first, song);
    }
    ApplyVolume(entry.first, song);
  }
}

FmodSample* FModMusicInterface::LoadCachedSample(const std::string& name) {
  const std::string cacheName = UserDataFolder() + "cached\\" + PathFileName(name, true) + ".wav";
  MakeFolders(PathFolder(cacheName, false));
  if (FmodSample* cached = mLib->Sample_Load(-1, cacheName.c_str(), 0, 0)) return cached;
  FmodSample* sample = mLib->Sample_Load(-1, (name + ".ogg").c_str(), 0, 0);
  if (!sample) return nullptr;

  const unsigned mode = mLib->Sample_GetMode(sample);
  int frequency = 0;
  mLib->Sample_GetDefaults(sample, &frequency, nullptr, nullptr, nullptr);
  const uint64_t frames = mLib->Sample_GetLength(sample);
  const uint16_t channels = (mode & kFmodModeMono) ? 1 : 2;
  const uint16_t bits = (mode & kFmodMode8Bits) ? 8 : 16;
  const uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
  const uint64_t dataBytes = frames * blockAlign;
  // A WAV file cannot describe more; such a sample plays, uncached.
  if (dataBytes > static_cast<uint64_t>(INT_MAX) - 36) return sample;

  void* first = nullptr;
  void* second = nullptr;
  unsigned firstLength = 0, secondLength = 0;
  if (!mLib->Sample_Lock(sample, 0, static_cast<int>(dataBytes), &first, &second, &firstLength, &secondLength))
    return sample;
  std::vector<uint8_t> header;
  PutTag(header, "RIFF");
  PutLe32(header, static_cast<uint32_t>(dataBytes + 36));
  PutTag(header, "WAVE");
  PutTag(header, "fmt ");
  PutLe32(header, 16);
  PutLe16(header, 1);
  PutLe16(header, channels);
  PutLe32(header, static_cast<uint32_t>(frequency));
  PutLe32(header, static_cast<uint32_t>(blockAlign) * static_cast<uint32_t>(frequency));
  PutLe16(header, blockAlign);
  PutLe16(header, bits);
  PutTag(header, "data");
  PutLe32(header, static_cast<uint32_t>(dataBytes));
  // The cache is only a shortcut: when it cannot be written the next load
  // decodes the source again.
  if (first && firstLength >= dataBytes)
    WriteFileAtomically(cacheName, header, static_cast<const uint8_t*>(first), static_cast<size_t>(dataBytes));
  mLib->Sample_Unlock(sample, first, second, firstLength, secondLength);
  return sample;
}

bool FModMusicInterface::LoadSampleSong(int songId, const std::string& name, bool loop) {
  FmodSample* sample = LoadCachedSample(name);
  if (!sample) return false;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong song;
  song.sample = sample;
  song.loop = loop;
  mSongs.emplace(songId, song);
  return true;
}

bool FModMusicInterface::LoadIntroLoopSong(int songId, const std::string& introName, const std::string& loopName,
                                           bool loop) {
  FmodSample* intro = LoadCachedSample(introName);
  FmodSample* loopPart = LoadCachedSample(loopName);
  // A refused pair gives its parts back instead of leaving them loaded with
  // nothing to free them.
  auto refuse = [&] {
    if (intro) mLib->Sample_Free(intro);
    if (loopPart) mLib->Sample_Free(loopPart);
    return false;
  };
  if (!intro || !loopPart) return refuse();
  int introFrequency = 0, loopFrequency = 0;
  mLib->Sample_GetDefaults(intro, &introFrequency, nullptr, nullptr, nullptr);
  mLib->Sample_GetDefaults(loopPart, &loopFrequency, nullptr, nullptr, nullptr);
  const unsigned introMode = mLib->Sample_GetMode(intro);
  const unsigned loopMode = mLib->Sample_GetMode(loopPart);
  if (introFrequency != loopFrequency || introMode != loopMode) return refuse();
  const uint64_t introFrames = mLib->Sample_GetLength(intro);
  const uint64_t loopFrames = mLib->Sample_GetLength(loopPart);
  const uint64_t frameBytes = ((introMode & kFmodModeMono) ? 1 : 2) * ((introMode & kFmodMode8Bits) ? 1 : 2);
  const uint64_t totalFrames = introFrames + loopFrames;
  if (totalFrames * frameBytes > static_cast<uint64_t>(INT_MAX)) return refuse();

  FmodSample* joined =
      mLib->Sample_Alloc(-1, static_cast<int>(totalFrames), introMode | kModeLoopNormal, introFrequency, 255, 128, 0);
  const int introBytes = static_cast<int>(introFrames * frameBytes);
  const int loopBytes = static_cast<int>(loopFrames * frameBytes);
  void* dst = nullptr;
  void* dst2 = nullptr;
  unsigned dstLength = 0, dst2Length = 0;
  if (mLib->Sample_Lock(joined, 0, introBytes + loopBytes, &dst, &dst2, &dstLength, &dst2Length)) {
    // Each part goes where it belongs, never past the joined sample's region.
    auto copyPart = [&](FmodSample* part, int bytes, unsigned at) {
      void* src = nullptr;
      void* src2 = nullptr;
      unsigned srcLength = 0, src2Length = 0;
      if (!mLib->Sample_Lock(part, 0, bytes, &src, &src2, &srcLength, &src2Length)) return;
      if (src && dst && at < dstLength)
        std::memcpy(static_cast<uint8_t*>(dst) + at, src, std::min<unsigned>(srcLength, dstLength - at));
      mLib->Sample_Unlock(part, src, src2, srcLength, src2Length);
    };
    copyPart(intro, introBytes, 0);
    copyPart(loopPart, loopBytes, static_cast<unsigned>(introBytes));
    mLib->Sample_Unlock(joined, dst, dst2, dstLength, dst2Length);
  }
  mLib->Sample_Free(intro);
  mLib->Sample_Free(loopPart);
  mLib->Sample_SetLoopPoints(joined, static_cast<int>(introFrames), static_cast<int>(totalFrames));

  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FModSong song;
  song.sample = joined;
  song.loop = loop;
  mSongs.emplace(songId, song);
  return true;
}

}  // namespace Kivo
