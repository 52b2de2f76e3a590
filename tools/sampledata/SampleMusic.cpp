#include "tools/sampledata/SampleMusic.h"

#include <cmath>

namespace Kivo {

namespace {

struct SongPlan {
  const char* name;
  int root;         // MIDI note of the key
  int beatsPerMin;  // tempo
  int shape;        // 0 sine, 1 soft square, 2 plucked
  int melody[16];   // scale steps per half beat; -1 a rest
};

// A major scale in semitones.
constexpr int kScale[7] = {0, 2, 4, 5, 7, 9, 11};

const SongPlan kPlans[] = {
    {"menu", 60, 96, 0, {0, 2, 4, 2, 3, 4, 5, -1, 4, 2, 0, 1, 2, -1, 0, -1}},
    {"music1", 62, 110, 2, {0, 4, 7, 4, 5, 4, 2, -1, 0, 2, 4, 2, 1, 2, 0, -1}},
    {"music2", 57, 84, 0, {4, -1, 3, 2, 3, -1, 2, 1, 0, 1, 2, 4, 2, -1, 0, -1}},
    {"music3", 65, 120, 1, {0, 0, 4, 4, 5, 5, 4, -1, 3, 3, 2, 2, 1, 1, 0, -1}},
    {"music4", 55, 100, 2, {7, 6, 5, 4, 5, 6, 7, -1, 4, 5, 4, 2, 0, 2, 0, -1}},
    {"music5", 64, 90, 1, {2, 4, 2, 0, 2, 4, 5, 4, 2, 0, -1, 0, 1, 2, 0, -1}},
    {"music6", 59, 132, 0, {0, 2, 4, 7, 9, 7, 4, 2, 0, 2, 4, 2, 0, -1, 0, -1}},
};

double NoteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

int ScaleNote(int root, int step) { return root + 12 * (step / 7) + kScale[step % 7]; }

// One sample of a voice at phase (in cycles).
double Voice(int shape, double phase, double age) {
  const double s = std::sin(2.0 * M_PI * phase);
  if (shape == 1) return std::tanh(3.0 * s) * 0.6;
  if (shape == 2) return s * std::exp(-4.0 * age) + 0.3 * std::sin(4.0 * M_PI * phase) * std::exp(-8.0 * age);
  return s;
}

// Adds a note of `frames` samples from `start`; the envelope is zero at both
// ends.
void AddNote(std::vector<float>& out, std::size_t start, std::size_t frames, double hz, int shape, double level) {
  const double attack = 0.01 * kSampleSongRate;
  for (std::size_t i = 0; i < frames && start + i < out.size(); ++i) {
    const double t = static_cast<double>(i);
    const double rise = std::fmin(1.0, t / attack);
    const double fall = std::fmin(1.0, (static_cast<double>(frames) - t) / (0.05 * kSampleSongRate));
    const double value = Voice(shape, hz * t / kSampleSongRate, t / kSampleSongRate) * rise * fall * level;
    out[start + i] += static_cast<float>(value);
  }
}

SampleSong Render(const SongPlan& plan) {
  // Two passes of the 16 half beats make the loop.
  const std::size_t halfBeat = static_cast<std::size_t>(kSampleSongRate * 30 / plan.beatsPerMin);
  SampleSong song;
  song.name = plan.name;
  song.samples.assign(halfBeat * 32, 0.0f);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 16; ++i) {
      const std::size_t at = halfBeat * static_cast<std::size_t>(pass * 16 + i);
      const int step = plan.melody[i];
      if (step >= 0) AddNote(song.samples, at, halfBeat, NoteHz(ScaleNote(plan.root, step + pass * 2 % 7)), plan.shape, 0.3);
      // The bass: the root or the fifth on every second half beat.
      if (i % 2 == 0) {
        const int bass = plan.root - 24 + ((i / 4) % 2 == 0 ? 0 : 7);
        AddNote(song.samples, at, halfBeat * 2, NoteHz(bass), 0, 0.25);
      }
    }
  }
  return song;
}

}  // namespace

std::vector<SampleSong> SampleSongs() {
  std::vector<SampleSong> songs;
  for (const SongPlan& plan : kPlans) songs.push_back(Render(plan));
  return songs;
}

}  // namespace Kivo
