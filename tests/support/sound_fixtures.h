// Shared helpers of the sound tests: WAV/AU builders, a scratch folder, a
// device on a hand-driven headless output and an injected tick.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/devices/DSound.h"
#include "platform/headless/AudioHeadless.h"

namespace soundtest {

typedef std::vector<std::uint8_t> Bytes;

inline void Le32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void Le16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Be32(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void Tag(Bytes& b, const char* t) { b.insert(b.end(), t, t + 4); }

// A chunk: tag, size, body (no pad byte, as the readers expect).
inline void Chunk(Bytes& b, const char* tag, const Bytes& body, std::uint32_t sizeField) {
  Tag(b, tag);
  Le32(b, sizeField);
  b.insert(b.end(), body.begin(), body.end());
}
inline void Chunk(Bytes& b, const char* tag, const Bytes& body) {
  Chunk(b, tag, body, static_cast<std::uint32_t>(body.size()));
}

inline Bytes FmtBody(std::uint16_t formatTag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  Bytes f;
  std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
  Le16(f, formatTag);
  Le16(f, channels);
  Le32(f, rate);
  Le32(f, align * rate);
  Le16(f, align);
  Le16(f, bits);
  return f;
}

inline Bytes RiffHeader() {
  Bytes b;
  Tag(b, "RIFF");
  Le32(b, 0);
  Tag(b, "WAVE");
  return b;
}

// A plain PCM WAV file.
inline Bytes Wav(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& pcm) {
  Bytes b = RiffHeader();
  Chunk(b, "fmt ", FmtBody(1, channels, rate, bits));
  Chunk(b, "data", pcm);
  return b;
}

// 16-bit samples as little-endian bytes.
inline Bytes Pcm16(const std::vector<std::int16_t>& s) {
  Bytes b;
  for (std::int16_t v : s) Le16(b, static_cast<std::uint16_t>(v));
  return b;
}

// A sine tone, 16-bit mono.
inline std::vector<std::int16_t> Sine(std::uint32_t rate, std::uint32_t frames, double hz, double amplitude) {
  std::vector<std::int16_t> s(frames);
  for (std::uint32_t i = 0; i < frames; ++i)
    s[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
  return s;
}

inline Bytes Au(std::uint32_t offset, std::uint32_t size, std::uint32_t encoding, std::uint32_t rate,
                std::uint32_t channels, const Bytes& data) {
  Bytes b;
  Tag(b, ".snd");
  Be32(b, offset);
  Be32(b, size);
  Be32(b, encoding);
  Be32(b, rate);
  Be32(b, channels);
  while (b.size() < offset && b.size() < 24 + 64) b.push_back(0);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A fresh folder, removed at the end; the working folder moves into it so
// relative sound names resolve there, and the per-user data folder points
// at its "home" subfolder.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/kivo-sound-XXXXXX";
    root_ = mkdtemp(pattern);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(root_);
    std::filesystem::create_directories(root_ + "/home");
    Keep("GAME_HOME", oldGameHome_);
    Keep("XDG_DATA_HOME", oldDataHome_);
    unsetenv("GAME_HOME");
    setenv("XDG_DATA_HOME", (root_ + "/home").c_str(), 1);
  }
  ~ScratchFolder() {
    // The next test meets the environment this one found.
    Restore("GAME_HOME", oldGameHome_);
    Restore("XDG_DATA_HOME", oldDataHome_);
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::string& Root() const { return root_; }
  std::string CacheFolder() const { return root_ + "/home/Korvandel/Quenvaroldi/Cashed/"; }

 private:
  // A variable's value, or nothing when it was not set.
  static void Keep(const char* name, std::unique_ptr<std::string>& into) {
    const char* value = getenv(name);
    if (value) into = std::make_unique<std::string>(value);
  }
  static void Restore(const char* name, const std::unique_ptr<std::string>& value) {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  std::unique_ptr<std::string> oldGameHome_;
  std::unique_ptr<std::string> oldDataHome_;
  std::string root_;
  std::filesystem::path old_;
};

// While alive: new devices get a hand-driven headless output, and the audio
// tick reads `tick`.
class HeadlessAudio {
 public:
  HeadlessAudio() {
    Kivo::DSoundTestSeams() = Kivo::DSoundSeams();
    Kivo::DSoundTestSeams().outputFactory = [this]() {
      auto o = std::make_unique<Kivo::HeadlessAudioOutput>(false);
      output = o.get();
      return std::unique_ptr<Kivo::AudioOutput>(std::move(o));
    };
    Kivo::SetAudioTickSource([this]() { return tick; });
  }
  ~HeadlessAudio() {
    Kivo::DSoundTestSeams() = Kivo::DSoundSeams();
    Kivo::SetAudioTickSource(nullptr);
  }
  Kivo::HeadlessAudioOutput* output = nullptr;
  std::uint32_t tick = 0;
};

inline double Rms(const std::vector<std::int16_t>& stereo, int channel, std::size_t from, std::size_t frames) {
  double sum = 0;
  for (std::size_t i = from; i < from + frames; ++i) {
    double v = stereo[2 * i + channel];
    sum += v * v;
  }
  return std::sqrt(sum / static_cast<double>(frames));
}

// Frames until the last non-zero sample (either channel) plus one.
inline std::size_t AudibleFrames(const std::vector<std::int16_t>& stereo) {
  std::size_t last = 0;
  for (std::size_t i = 0; i < stereo.size() / 2; ++i)
    if (stereo[2 * i] != 0 || stereo[2 * i + 1] != 0) last = i + 1;
  return last;
}

// Counts upward zero crossings of one channel over a range.
inline int Crossings(const std::vector<std::int16_t>& stereo, int channel, std::size_t from, std::size_t frames) {
  int n = 0;
  for (std::size_t i = from + 1; i < from + frames; ++i)
    if (stereo[2 * (i - 1) + channel] < 0 && stereo[2 * i + channel] >= 0) ++n;
  return n;
}

}  // namespace soundtest
