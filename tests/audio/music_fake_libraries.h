// Recording fakes of the two music libraries: every call the players make is
// logged as text ("ChannelPlay(5,0)") so tests compare whole call sequences.
// Results are scripted through the fake's state.
#pragma once

#include "audio/MusicLibrary.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Kivo::MusicFakes {

enum class StreamGeneration { Newer, Older, OlderMasterOnly };

struct StreamFakeState {
  StreamGeneration generation = StreamGeneration::Newer;
  std::set<std::string> missing;  // names the fake library lacks
  std::vector<std::string> calls;
  uint32_t nextStream = 0;              // the handle StreamCreateFile answers (0 = fails)
  uint32_t nextModule = 0;              // the handle MusicLoad answers
  std::map<uint32_t, uint32_t> active;  // ChannelIsActive answers
};

struct SampleFakeState {
  std::set<std::string> missing;
  std::vector<std::string> calls;
  void* nextModule = nullptr;                // _FMUSIC_LoadSong answer
  std::map<const void*, int> modulePlaying;  // _FMUSIC_IsPlaying answers
  std::map<int, int> channelPlaying;         // _FSOUND_IsPlaying answers
  // Sample_Load answers by file name; absent names give null.
  std::map<std::string, void*> samplesByName;
  // What the fake reports about each sample.
  struct SampleInfo {
    unsigned mode = 0x10 | 0x40;
    int frequency = 44100;
    unsigned frames = 0;
    std::vector<uint8_t> bytes;
    bool lockFails = false;
  };
  std::map<const void*, SampleInfo> sampleInfo;
  void* allocResult = nullptr;
};

StreamFakeState& StreamFake();
SampleFakeState& SampleFake();

// Installs an opener that gives the fakes for the two library names (fresh
// state each time) or, with `noLibrary`, opens nothing.
void InstallFakeLibraries(bool noLibrary = false);
// Back to the linked stand-ins.
void RestoreLibraries();

// The calls recorded since the last call of this function.
std::vector<std::string> TakeStreamCalls();
std::vector<std::string> TakeSampleCalls();

}  // namespace Kivo::MusicFakes
