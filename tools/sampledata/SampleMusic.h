// The sample game's songs: "menu" and "music1" ... "music6", each a short
// loop of a melody over a bass line in its own key, tempo and timbre,
// synthesised as mono 22,050 Hz samples (every note starts and ends at
// silence, so the loop has no seam) and written as Ogg Vorbis with a fixed
// stream serial number, so the same bytes come out on every run.
//
// The synthesis has no dependencies; the encoding links the reference
// Vorbis encoder, which must never share a program with the game's integer
// decoder, so it runs as the separate program make_music.
#pragma once

#include <string>
#include <vector>

namespace Kivo {

struct SampleSong {
  std::string name;  // "menu", "music1" ...
  std::vector<float> samples;
};

constexpr int kSampleSongRate = 22050;

// The seven songs, menu first.
std::vector<SampleSong> SampleSongs();

}  // namespace Kivo
