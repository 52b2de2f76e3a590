// One playable song of a music library stand-in: a decoder plus the play
// state the libraries expose (playing, paused, looping, position, gain),
// sounding through a streaming voice of the sound device's mixer.
//
// The mixer pulls the voice from its own thread, under its lock, and reads a
// few frames ahead. So the voice follows the channel's state (stopped and
// paused voices are not pulled, and a stop keeps what was read ahead for the
// continuation), a jump to another position starts a fresh voice so nothing
// read ahead from the old position is heard, and a channel that is at its
// end gives silence. Control calls change the state under the channel's own
// lock and call the voice only after leaving it, so they never wait on the
// mixer while the mixer waits on them.
#pragma once

#include "platform/devices/MusicDecoders.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace Kivo {

class DSoundDevice;
class DSoundStream;

class MusicChannel {
 public:
  explicit MusicChannel(std::unique_ptr<MusicDecoder> decoder);
  ~MusicChannel();

  MusicChannel(const MusicChannel&) = delete;
  MusicChannel& operator=(const MusicChannel&) = delete;

  bool IsModule() const { return mModule; }
  int Channels() const { return mChannels; }
  int Rate() const { return mRate; }

  // restart: from the beginning; otherwise from the current position (and
  // out of a pause).
  void Play(bool restart);
  // Stops and keeps the position.
  void Stop();
  // False, changing nothing, when the channel is not playing.
  bool Pause();
  bool IsActive();  // playing or paused
  bool IsPaused();
  void SetLoop(bool loop);
  bool SeekFrame(uint64_t frame);
  bool SeekOrder(int order);
  // Linear gain applied to every sample (1.0 unchanged, exact).
  void SetGain(float gain) { mGain.store(gain); }

  // Fills exactly `frames` frames at the channel's own rate and channel
  // count, with silence where nothing plays. The voice's source.
  void Pull(int16_t* out, size_t frames);

 private:
  size_t PullLocked(int16_t* out, size_t frames);
  void NewVoice();
  void CatchUp();

  std::mutex mMutex;
  std::unique_ptr<MusicDecoder> mDecoder;
  const bool mModule;
  const int mChannels;
  const int mRate;
  bool mActive = false;
  bool mPaused = false;
  bool mLoop = false;
  std::atomic<float> mGain{1.0f};
  DSoundStream* mVoice = nullptr;  // owned; null when no device could be had
};

// The sound device the music channels play on. Unless one is set, the
// process's default device is created on first use (the SDL2 output, or the
// headless one that renders as the clock advances).
class MusicOutput {
 public:
  // Later channels play on `device` (a reference is taken); null goes back
  // to the default device.
  static void SetDevice(DSoundDevice* device);
  static DSoundDevice* Device();
};

}  // namespace Kivo
