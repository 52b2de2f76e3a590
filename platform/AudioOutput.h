// Audio output: where a mixer's frames go, offered by the backend as it
// offers windows. The sdl2 backend plays through SDL's audio device (falling
// back to the headless output when none opens, logged once); the headless
// backend renders into memory only as frames are asked for, paced by the
// audio tick, so tests and headless runs decide when time passes.
//
// Format: 44,100 Hz 16-bit stereo, interleaved. An output pulls from a
// MixSource (the sound device's mixer) on its own thread or on CatchUp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Kivo {

// The mixed output format.
constexpr std::uint32_t kMixRate = 44100;
constexpr int kMixChannels = 2;

// What an output pulls frames from.
class MixSource {
 public:
  virtual ~MixSource() = default;
  // Mixes frames into out (interleaved, kMixChannels values a frame).
  virtual void Mix(std::int16_t* out, std::uint32_t frames) = 0;
  // Whether anything is playing and not paused.
  virtual bool AnyPlaying() = 0;
};

// Where mixed frames go. Start begins pulling (a device callback); Stop ends
// it and returns only when no pull is running.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  virtual bool Start(MixSource* mixer) = 0;
  virtual void Stop() = 0;
  // Called before play state is read, so a clock-paced output can render the
  // frames that are due; real devices do nothing.
  virtual void CatchUp() {}
  virtual const char* Name() const = 0;
};

// The active backend's default output (never null).
std::unique_ptr<AudioOutput> OpenAudioOutput();

// The millisecond tick the audio layer reads (the sound manager's sweep, the
// headless output's pacing): GetTickCount, unless a test installs its own.
typedef std::function<std::uint32_t()> TickSource;
void SetAudioTickSource(TickSource source);
std::uint32_t AudioTickCount();

// Logs a line of the audio layer (stderr and the platform's log); the Once
// form logs each distinct text only the first time.
void AudioLog(const std::string& text);
void AudioLogOnce(const std::string& text);

}  // namespace Kivo
