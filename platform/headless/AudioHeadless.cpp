// Headless audio output: renders on demand into memory and a WAV file.
#include "platform/headless/AudioHeadless.h"

#include <algorithm>

namespace Kivo {

namespace {

// Longest stretch rendered in one catch-up: a clock jump (a long sleep of the
// fake clock) must not stall the caller mixing hours of silence.
constexpr std::uint64_t kMaxCatchUpFrames = 60ull * kMixRate;

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void WavHeader(std::uint8_t* h, std::uint32_t dataBytes) {
  std::copy_n("RIFF", 4, h);
  Put32(h + 4, 36 + dataBytes);
  std::copy_n("WAVEfmt ", 8, h + 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, kMixChannels);
  Put32(h + 24, kMixRate);
  Put32(h + 28, kMixRate * 4);
  Put16(h + 32, 4);
  Put16(h + 34, 16);
  std::copy_n("data", 4, h + 36);
  Put32(h + 40, dataBytes);
}

}  // namespace

HeadlessAudioOutput::HeadlessAudioOutput(bool clockPaced) : mClockPaced(clockPaced) {}

HeadlessAudioOutput::~HeadlessAudioOutput() { CloseWav(); }

bool HeadlessAudioOutput::Start(MixSource* mixer) {
  std::lock_guard<std::mutex> guard(mLock);
  mMixer = mixer;
  mClockStarted = false;
  return true;
}

void HeadlessAudioOutput::Stop() {
  std::lock_guard<std::mutex> guard(mLock);
  mMixer = nullptr;
}

void HeadlessAudioOutput::CatchUp() {
  if (!mClockPaced) return;
  std::uint32_t now = AudioTickCount();
  std::uint64_t frames = 0;
  {
    std::lock_guard<std::mutex> guard(mLock);
    if (!mClockStarted) {
      mClockStarted = true;
      mLastTick = now;
      return;
    }
    std::uint32_t delta = now - mLastTick;
    mLastTick = now;
    mOwedMicroFrames += static_cast<std::uint64_t>(delta) * kMixRate;
    frames = mOwedMicroFrames / 1000;
    mOwedMicroFrames %= 1000;
  }
  frames = std::min(frames, kMaxCatchUpFrames);
  if (frames == 0) return;
  bool silent = false;
  {
    std::lock_guard<std::mutex> guard(mLock);
    // Nothing sounds and nothing records: time passes without mixing.
    silent = !mWav && mMixer && !mMixer->AnyPlaying();
    if (silent) mRendered += frames;
  }
  if (!silent) Render(static_cast<std::uint32_t>(frames), nullptr);
}

bool HeadlessAudioOutput::Render(std::uint32_t frames, std::int16_t* out) {
  std::lock_guard<std::mutex> guard(mLock);
  if (!mMixer) return false;
  constexpr std::uint32_t kChunk = 4096;
  std::int16_t scratch[kChunk * 2];
  while (frames > 0) {
    std::uint32_t n = std::min(frames, kChunk);
    std::int16_t* dst = out ? out : scratch;
    mMixer->Mix(dst, n);
    if (mWav) {
      std::uint8_t bytes[kChunk * 4];
      for (std::uint32_t i = 0; i < 2 * n; ++i) Put16(bytes + 2 * i, static_cast<std::uint16_t>(dst[i]));
      std::fwrite(bytes, 4, n, mWav);
      mWavFrames += n;
    }
    mRendered += n;
    frames -= n;
    if (out) out += 2 * n;
  }
  return true;
}

std::vector<std::int16_t> HeadlessAudioOutput::Render(std::uint32_t frames) {
  std::vector<std::int16_t> block(static_cast<std::size_t>(frames) * 2, 0);
  Render(frames, block.data());
  return block;
}

bool HeadlessAudioOutput::OpenWav(const std::string& path) {
  CloseWav();
  std::lock_guard<std::mutex> guard(mLock);
  mWav = std::fopen(path.c_str(), "wb");
  if (!mWav) return false;
  std::uint8_t header[44];
  WavHeader(header, 0);
  std::fwrite(header, 1, sizeof header, mWav);
  mWavFrames = 0;
  return true;
}

bool HeadlessAudioOutput::CloseWav() {
  std::lock_guard<std::mutex> guard(mLock);
  if (!mWav) return true;
  std::uint8_t header[44];
  std::uint64_t bytes = std::min<std::uint64_t>(mWavFrames * 4, 0xFFFFFFFFull - 36);
  WavHeader(header, static_cast<std::uint32_t>(bytes));
  bool ok = std::fseek(mWav, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, mWav) == sizeof header;
  ok = std::fclose(mWav) == 0 && ok;
  mWav = nullptr;
  return ok;
}

}  // namespace Kivo
