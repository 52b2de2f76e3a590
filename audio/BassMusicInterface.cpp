#include "audio/BassMusicInterface.h"

#include "audio/MusicFiles.h"
#include "platform/devices/DSound.h"

#include <atomic>
#include <cctype>
#include <vector>

namespace Kivo {
namespace {

constexpr uint32_t kLoopFlag = 4;

std::mutex gBassCreateMutex;
BASS_INSTANCE* gBassInstance = nullptr;
std::atomic<int> gBassCount{0};

std::string LowerExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return std::string();
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

BASS_INSTANCE::BASS_INSTANCE(const std::string& path) {
  mLibrary = OpenMusicLibrary(path);
  if (!mLibrary) return;
  MusicLibrary& lib = *mLibrary;
  auto required = [&lib](const char* name) {
    void* fn = lib.Find(name);
    if (!fn) FailMusicLibrary(std::string(name) + " function not found in bass.dll");
    return fn;
  };
  // Looked up in the library's own order, so the first missing name is the
  // one reported.
  void* init = required("BASS_Init");
  Free = reinterpret_cast<StreamMusicCalls::NoArgs>(required("BASS_Free"));
  Stop = reinterpret_cast<StreamMusicCalls::NoArgs>(required("BASS_Stop"));
  Start = reinterpret_cast<StreamMusicCalls::NoArgs>(required("BASS_Start"));
  SetGlobalVolumes = reinterpret_cast<StreamMusicCalls::SetGlobalVolumes>(lib.Find("BASS_SetGlobalVolumes"));
  SetVolume = lib.Find("BASS_SetVolume");
  if (!SetGlobalVolumes && !SetVolume)
    FailMusicLibrary("Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");
  SetConfig = reinterpret_cast<StreamMusicCalls::SetConfig>(lib.Find("BASS_SetConfig"));
  lib.Find("BASS_GetConfig");
  required("BASS_GetVolume");
  required("BASS_GetInfo");
  required("BASS_GetVersion");
  ChannelStop = reinterpret_cast<StreamMusicCalls::Channel>(required("BASS_ChannelStop"));
  ChannelPlay = reinterpret_cast<StreamMusicCalls::ChannelPlay>(required("BASS_ChannelPlay"));
  ChannelPause = reinterpret_cast<StreamMusicCalls::Channel>(required("BASS_ChannelPause"));
  ChannelSetAttributes =
      reinterpret_cast<StreamMusicCalls::ChannelSetAttributes>(required("BASS_ChannelSetAttributes"));
  required("BASS_ChannelGetAttributes");
  ChannelSetPosition = reinterpret_cast<StreamMusicCalls::ChannelSetPosition>(required("BASS_ChannelSetPosition"));
  required("BASS_ChannelGetPosition");
  ChannelIsActive = reinterpret_cast<StreamMusicCalls::ChannelIsActive>(required("BASS_ChannelIsActive"));
  ChannelSetFlags = reinterpret_cast<StreamMusicCalls::ChannelSetFlags>(required("BASS_ChannelSetFlags"));
  for (const char* name : {"BASS_ChannelSlideAttributes", "BASS_ChannelIsSliding", "BASS_ChannelGetLevel",
                           "BASS_ChannelSetSync", "BASS_ChannelRemoveSync", "BASS_ChannelGetData",
                           "BASS_FXSetParameters", "BASS_FXGetParameters", "BASS_ChannelSetFX", "BASS_ChannelRemoveFX"})
    required(name);
  void* musicLoad = required("BASS_MusicLoad");
  MusicFree = reinterpret_cast<StreamMusicCalls::Channel>(required("BASS_MusicFree"));
  required("BASS_MusicGetAttribute");
  MusicSetAttribute = reinterpret_cast<StreamMusicCalls::MusicSetAttribute>(required("BASS_MusicSetAttribute"));
  StreamCreateFile = reinterpret_cast<StreamMusicCalls::StreamCreateFile>(required("BASS_StreamCreateFile"));
  StreamFree = reinterpret_cast<StreamMusicCalls::Channel>(required("BASS_StreamFree"));
  for (const char* name :
       {"BASS_MusicGetOrders", "BASS_MusicGetOrderPosition", "BASS_SampleLoad", "BASS_SampleFree", "BASS_SampleSetInfo",
        "BASS_SampleGetInfo", "BASS_SampleGetChannel", "BASS_SampleStop", "BASS_ErrorGetCode"})
    required(name);

  mNewer = SetConfig != nullptr;
  if (mNewer) {
    Init = reinterpret_cast<StreamMusicCalls::Init>(init);
    MusicLoad = reinterpret_cast<StreamMusicCalls::MusicLoad>(musicLoad);
    lib.Find("BASS_PluginLoad");
    lib.Find("BASS_ChannelGetLength");
    lib.Find("BASS_ChannelPreBuf");
  } else {
    InitOlder = reinterpret_cast<StreamMusicCalls::InitOlder>(init);
    MusicLoadOlder = reinterpret_cast<StreamMusicCalls::MusicLoadOlder>(musicLoad);
  }
}

BASS_INSTANCE::~BASS_INSTANCE() = default;

void BASS_INSTANCE::PlayModuleFrom(uint32_t handle, int order, uint32_t flags) {
  ChannelStop(handle);
  // The order travels in the low word with bit 31 set (row 0); as a signed
  // 32-bit value widened to 64 bits the upper half repeats the sign bit.
  int32_t position = static_cast<int32_t>(0x80000000u | (static_cast<uint32_t>(order) & 0xFFFF));
  ChannelSetPosition(handle, static_cast<uint64_t>(static_cast<int64_t>(position)));
  ChannelSetFlags(handle, flags);
  ChannelPlay(handle, 0);
}

void BASS_INSTANCE::PlayStream(uint32_t handle, bool restart, uint32_t flags) {
  ChannelSetFlags(handle, flags);
  ChannelPlay(handle, restart ? 1 : 0);
}

void BASS_INSTANCE::RestartChannel(uint32_t handle) { ChannelPlay(handle, 1); }

void BASS_INSTANCE::ResumeChannel(uint32_t handle) { ChannelPlay(handle, 0); }

bool BASS_INSTANCE::SetModuleAmplify(uint32_t handle, int amount) {
  MusicSetAttribute(handle, 0, static_cast<uint32_t>(amount));
  return true;
}

BASS_INSTANCE* AcquireBassLibrary() {
  ++gBassCount;
  std::lock_guard<std::mutex> lock(gBassCreateMutex);
  if (!gBassInstance) {
    auto instance = std::make_unique<BASS_INSTANCE>(".\\bass.dll");
    if (!instance->Loaded()) FailMusicLibrary("Can't find bass.dll.");
    gBassInstance = instance.release();
  }
  return gBassInstance;
}

void ReleaseBassLibrary() {
  std::lock_guard<std::mutex> lock(gBassCreateMutex);
  if (!gBassInstance) return;
  if (--gBassCount <= 0) {
    delete gBassInstance;
    gBassInstance = nullptr;
    gBassCount = 0;
  }
}

BassMusicInterface::BassMusicInterface(HWND window) {
  mLib = AcquireBassLibrary();
  RouteMusicFilesThroughFileApi();
  // Starting the library must not change the wave-out volume the user set.
  const uint32_t savedVolume = GetSystemWaveVolume();
  if (mLib->Newer()) {
    mLib->Init(1, 44100, 0, window, nullptr);
    mLib->SetConfig(0, 2000);
  } else {
    mLib->InitOlder(-1, 44100, 0, window);
  }
  SetSystemWaveVolume(savedVolume);
  mLib->Start();
  mGlobalVolumeScale = 40;
}

BassMusicInterface::~BassMusicInterface() {
  mLib->Stop();
  mLib->Free();
  ReleaseBassLibrary();
  // The library freed every song with itself.
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  mSongs.clear();
}

BassSong* BassMusicInterface::Find(int songId) {
  auto it = mSongs.find(songId);
  return it == mSongs.end() ? nullptr : &it->second;
}

void BassMusicInterface::SendVolume(const BassSong& song) {
  mLib->ChannelSetAttributes(song.Handle(), -1, MusicPercent(song.volume), -101);
}

void BassMusicInterface::FreeHandle(const BassSong& song) {
  if (song.streamHandle)
    mLib->StreamFree(song.streamHandle);
  else
    mLib->MusicFree(song.moduleHandle);
}

bool BassMusicInterface::LoadSong(int songId, const std::string& fileName) {
  // The library is asked outside the lock: opening a file takes a while and
  // the main thread keeps updating meanwhile.
  BassSong song;
  const std::string ext = LowerExtension(fileName);
  if (ext == "wav" || ext == "ogg" || ext == "mp3") {
    song.streamHandle = mLib->StreamCreateFile(0, fileName.c_str(), 0, 0, 0);
  } else {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeMusicFile(fileName, bytes, error)) return false;
    if (mLib->Newer())
      song.moduleHandle = mLib->MusicLoad(0, fileName.c_str(), 0, 0, 0x204, 0);
    else
      song.moduleHandle = mLib->MusicLoadOlder(0, fileName.c_str(), 0, 0, kLoopFlag);
  }
  if (!song.moduleHandle && !song.streamHandle) return false;

  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (!mSongs.emplace(songId, song).second) {
    // The id keeps its first song; the new handle would otherwise stay
    // loaded with nothing left to free it.
    FreeHandle(song);
  }
  return true;
}

void BassMusicInterface::StartStream(const BassSong& song, int offset, bool noLoop) {
  mLib->PlayStream(song.streamHandle, offset != -1, noLoop ? 0 : kLoopFlag);
  if (offset > 0) mLib->ChannelSetPosition(song.streamHandle, static_cast<uint64_t>(offset));
}

void BassMusicInterface::PlaySong(int songId, int offset, bool noLoop) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  BassSong* song = Find(songId);
  if (!song) return;
  song->volume = song->maxVolume;
  song->fadeStep = 0;
  song->stopWhenSilent = noLoop;
  SendVolume(*song);
  mLib->ChannelStop(song->Handle());
  if (song->moduleHandle) {
    uint32_t flags = (noLoop ? 0 : kLoopFlag) | (mLib->Newer() ? 0x8200 : 0);
    mLib->PlayModuleFrom(song->moduleHandle, offset, flags);
  } else {
    StartStream(*song, offset, noLoop);
  }
}

void BassMusicInterface::StopSong(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  BassSong* song = Find(songId);
  if (!song) return;
  song->volume = 0;
  mLib->ChannelStop(song->Handle());
}

void BassMusicInterface::PauseSong(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (BassSong* song = Find(songId)) mLib->ChannelPause(song->Handle());
}

void BassMusicInterface::ResumeSong(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (BassSong* song = Find(songId)) mLib->ResumeChannel(song->Handle());
}

void BassMusicInterface::StopAllSongs() {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs) {
    entry.second.volume = 0;
    mLib->ChannelStop(entry.second.Handle());
  }
}

void BassMusicInterface::UnloadSong(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (!Find(songId)) return;
  StopSong(songId);
  // StopSong may be overridden; look the record up again.
  auto it = mSongs.find(songId);
  if (it == mSongs.end()) return;
  FreeHandle(it->second);
  mSongs.erase(it);
}

void BassMusicInterface::UnloadAllSongs() {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  StopAllSongs();
  for (auto& entry : mSongs) FreeHandle(entry.second);
  mSongs.clear();
}

void BassMusicInterface::PauseAllSongs() {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs)
    if (mLib->ChannelIsActive(entry.second.Handle()) == 1) mLib->ChannelPause(entry.second.Handle());
}

void BassMusicInterface::ResumeAllSongs() {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs)
    if (mLib->ChannelIsActive(entry.second.Handle()) == 3) mLib->ResumeChannel(entry.second.Handle());
}

void BassMusicInterface::FadeInSong(int songId, int offset, double speed, bool noLoop) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  BassSong* song = Find(songId);
  if (!song) return;
  song->fadeStep = speed;
  song->stopWhenSilent = noLoop;
  mLib->ChannelStop(song->Handle());
  SendVolume(*song);
  if (song->moduleHandle) {
    if (offset == -1) {
      mLib->RestartChannel(song->moduleHandle);
    } else {
      uint32_t flags = (noLoop ? 0 : kLoopFlag) | (mLib->Newer() ? 0x200 : 0);
      mLib->PlayModuleFrom(song->moduleHandle, offset, flags);
    }
  } else {
    StartStream(*song, offset, noLoop);
  }
}

void BassMusicInterface::FadeOutSong(int songId, bool stopWhenSilent, double speed) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  BassSong* song = Find(songId);
  if (!song) return;
  if (song->volume != 0) song->fadeStep = -speed;
  song->stopWhenSilent = stopWhenSilent;
}

void BassMusicInterface::FadeOutAllSongs(bool stopWhenSilent, double speed) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs) {
    entry.second.fadeStep = -speed;
    entry.second.stopWhenSilent = stopWhenSilent;
  }
}

void BassMusicInterface::SetSongVolume(int songId, double volume) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  BassSong* song = Find(songId);
  if (!song) return;
  song->volume = volume;
  SendVolume(*song);
}

void BassMusicInterface::SetSongMaxVolume(int songId, double volume) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  BassSong* song = Find(songId);
  if (!song) return;
  song->maxVolume = volume;
  song->volume = volume;
  SendVolume(*song);
}

bool BassMusicInterface::IsSongPlaying(int songId) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  BassSong* song = Find(songId);
  return song && mLib->ChannelIsActive(song->Handle()) == 1;
}

void BassMusicInterface::SetMusicVolume(double volume) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (mLib->Newer()) {
    mLib->SetConfig(6, static_cast<uint32_t>(MusicPercent(volume)));
    mLib->SetConfig(5, static_cast<uint32_t>(MusicPercent(volume)));
  } else if (mLib->SetGlobalVolumes) {
    int n = static_cast<int>(mGlobalVolumeScale * volume);
    mLib->SetGlobalVolumes(n, n, n);
  }
  // An older library with only a master volume is left alone: that volume
  // is the whole output's, not the music's.
}

void BassMusicInterface::SetSongAmplify(int songId, double amount) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (BassSong* song = Find(songId)) mLib->SetModuleAmplify(song->Handle(), MusicPercent(amount));
}

void BassMusicInterface::Update() {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (auto& entry : mSongs) {
    BassSong& song = entry.second;
    if (song.fadeStep == 0) continue;
    song.volume += song.fadeStep;
    if (song.volume > song.maxVolume) {
      song.volume = song.maxVolume;
      song.fadeStep = 0;
    } else if (song.volume < 0) {
      song.volume = 0;
      song.fadeStep = 0;
      if (song.stopWhenSilent) mLib->ChannelStop(song.Handle());
    }
    SendVolume(song);
  }
}

}  // namespace Kivo
