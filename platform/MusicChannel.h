// One playable song of a music library stand-in: a decoder plus the play
// state the libraries expose (playing, paused, looping, position, gain),
// and its connection to the sound output.
//
// The output pulls each attached channel from its own thread: a channel
// that is stopped, paused or at its end gives silence, so the output's voice
// never has to be restarted. Control calls and the pull meet only under the
// channel's own lock, which is never held while calling the output, so the
// output may hold its lock while it pulls.
#pragma once

#include "platform/MusicDecoders.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Kivo {

class MusicChannel {
 public:
  explicit MusicChannel(std::unique_ptr<MusicDecoder> decoder);
  ~MusicChannel();

  bool IsModule() const { return module_; }
  int Channels() const { return channels_; }
  int Rate() const { return rate_; }

  // restart: from the beginning; otherwise from the current position.
  void Play(bool restart);
  // Stops and keeps the position.
  void Stop();
  // Pausing a channel that is not playing does nothing; false then.
  bool Pause();
  bool IsActive();  // playing or paused
  bool IsPaused();
  void SetLoop(bool loop);
  bool SeekFrame(uint64_t frame);
  bool SeekOrder(int order);
  // Linear gain applied to every sample (1.0 unchanged).
  void SetGain(float gain) { gain_.store(gain); }

  // Fills exactly `frames` frames at the channel's own rate and channel
  // count, with silence where nothing plays.
  void Pull(int16_t* out, size_t frames);

  // Adds the channel's output, converted to 44,100 Hz stereo, onto `acc`.
  void MixInto(int32_t* acc, size_t frames);

 private:
  size_t PullLocked(int16_t* out, size_t frames);

  std::mutex mutex_;
  std::unique_ptr<MusicDecoder> decoder_;
  const bool module_;
  const int channels_;
  const int rate_;
  bool active_ = false;
  bool paused_ = false;
  bool loop_ = false;
  std::atomic<float> gain_{1.0f};
  // Conversion to the output rate: `window_` holds decoded frames and
  // `position_` the read position in them, in source frames.
  std::vector<int16_t> window_;
  size_t windowFrames_ = 0;
  double position_ = 0;
  friend class MusicOutput;
};

// Where channels sound. Until a device is set, attached channels are mixed
// only by MixMusicOutput (headless renders, tools, tests).
class MusicOutput {
 public:
  static void Attach(MusicChannel* channel);
  static void Detach(MusicChannel* channel);  // the channel is not pulled once this returns
  // Adds every attached channel, at 44,100 Hz stereo, onto `out` (saturated).
  static void Mix(int16_t* out, size_t frames);
};

}  // namespace Kivo
