// Headless audio output: mixes only when frames are asked for, into memory
// and optionally into a 16-bit stereo WAV file. Sounds advance and end only as
// frames are rendered, so a test decides exactly how much time passes.
//
// Two ways to drive it: Render(frames, out) by hand, or clock pacing, where
// every play-state query first renders the frames due since the last one by
// the audio tick (the headless clock in a headless run).
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"

namespace Kivo {

class HeadlessAudioOutput : public AudioOutput {
 public:
  // clockPaced: render due frames on CatchUp by AudioTickCount.
  explicit HeadlessAudioOutput(bool clockPaced);
  ~HeadlessAudioOutput() override;

  bool Start(MixSource* mixer) override;
  void Stop() override;
  void CatchUp() override;
  const char* Name() const override { return "headless"; }

  // Mixes frames into out (2 values a frame; out may be null to discard) and
  // appends them to the WAV file when one is open. Returns false with no mixer.
  bool Render(std::uint32_t frames, std::int16_t* out);
  // Renders and returns a new block.
  std::vector<std::int16_t> Render(std::uint32_t frames);

  // Starts writing everything rendered from now on to a WAV file; the header
  // is completed on CloseWav or destruction. False when it cannot be created.
  bool OpenWav(const std::string& path);
  bool CloseWav();

  std::uint64_t FramesRendered() const { return mRendered; }

 private:
  std::mutex mLock;
  MixSource* mMixer = nullptr;
  bool mClockPaced;
  bool mClockStarted = false;
  std::uint32_t mLastTick = 0;
  std::uint64_t mOwedMicroFrames = 0;  // frames x 1000 not yet rendered
  std::uint64_t mRendered = 0;
  std::FILE* mWav = nullptr;
  std::uint64_t mWavFrames = 0;
};

}  // namespace Kivo
