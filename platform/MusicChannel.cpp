#include "platform/MusicChannel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Kivo {
namespace {

constexpr int kOutputRate = 44100;
constexpr size_t kPieceFrames = 1024;

std::mutex gOutputMutex;
std::vector<MusicChannel*>& Attached() {
  static auto* list = new std::vector<MusicChannel*>;  // outlives output threads at exit
  return *list;
}

}  // namespace

MusicChannel::MusicChannel(std::unique_ptr<MusicDecoder> decoder)
    : decoder_(std::move(decoder)),
      module_(decoder_->IsModule()),
      channels_(decoder_->Channels()),
      rate_(decoder_->Rate()) {}

MusicChannel::~MusicChannel() = default;

void MusicChannel::Play(bool restart) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (restart) {
    decoder_->SeekFrame(0);
    windowFrames_ = 0;
    position_ = 0;
  }
  active_ = true;
  paused_ = false;
}

void MusicChannel::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  active_ = false;
  paused_ = false;
}

bool MusicChannel::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!active_) return false;
  paused_ = true;
  return true;
}

bool MusicChannel::IsActive() {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_;
}

bool MusicChannel::IsPaused() {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_ && paused_;
}

void MusicChannel::SetLoop(bool loop) {
  std::lock_guard<std::mutex> lock(mutex_);
  loop_ = loop;
  decoder_->SetRepeat(loop);
}

bool MusicChannel::SeekFrame(uint64_t frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  windowFrames_ = 0;
  position_ = 0;
  return decoder_->SeekFrame(frame);
}

bool MusicChannel::SeekOrder(int order) {
  std::lock_guard<std::mutex> lock(mutex_);
  windowFrames_ = 0;
  position_ = 0;
  return decoder_->SeekOrder(order);
}

// Frames straight from the decoder, rewinding a looping stream at its end.
// Fewer than asked only at the end of a one-pass song, which then stops.
size_t MusicChannel::PullLocked(int16_t* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    size_t got = decoder_->Read(out + done * channels_, frames - done);
    if (got == 0 && loop_ && !decoder_->LoopsItself()) {
      decoder_->SeekFrame(0);
      got = decoder_->Read(out + done * channels_, frames - done);
    }
    if (got == 0) {
      active_ = false;
      paused_ = false;
      break;
    }
    done += got;
  }
  return done;
}

void MusicChannel::Pull(int16_t* out, size_t frames) {
  size_t done = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_ && !paused_) done = PullLocked(out, frames);
  }
  const float gain = gain_.load();
  const size_t samples = done * channels_;
  if (gain != 1.0f)
    for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>(std::clamp(out[i] * gain, -32768.0f, 32767.0f));
  std::fill(out + samples, out + frames * channels_, int16_t{0});
}

void MusicChannel::MixInto(int32_t* acc, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!active_ || paused_) return;
  const float gain = gain_.load();
  const double step = static_cast<double>(rate_) / kOutputRate;
  // At the output rate every frame is used as it is; otherwise the frame
  // after the position must be there to interpolate towards.
  const double reach = rate_ == kOutputRate ? 0.0 : 1.0;
  for (size_t i = 0; i < frames; ++i) {
    while (position_ + reach >= static_cast<double>(windowFrames_)) {
      // Keep the last frame so interpolation runs across pieces.
      size_t keep = 0;
      if (windowFrames_ > 0) {
        std::memmove(window_.data(), window_.data() + (windowFrames_ - 1) * channels_, channels_ * sizeof(int16_t));
        position_ -= static_cast<double>(windowFrames_ - 1);
        keep = 1;
      }
      window_.resize((kPieceFrames + 1) * channels_);
      size_t got = PullLocked(window_.data() + keep * channels_, kPieceFrames);
      windowFrames_ = keep + got;
      if (got == 0) {
        windowFrames_ = 0;
        position_ = 0;
        return;
      }
    }
    size_t idx = static_cast<size_t>(position_);
    double t = position_ - static_cast<double>(idx);
    const int16_t* a = window_.data() + idx * channels_;
    float left, right;
    if (t == 0) {
      left = a[0];
      right = channels_ == 2 ? a[1] : a[0];
    } else {
      const int16_t* b = a + channels_;
      left = static_cast<float>(a[0] + (b[0] - a[0]) * t);
      right = channels_ == 2 ? static_cast<float>(a[1] + (b[1] - a[1]) * t) : left;
    }
    acc[2 * i] += static_cast<int32_t>(left * gain);
    acc[2 * i + 1] += static_cast<int32_t>(right * gain);
    position_ += step;
  }
}

void MusicOutput::Attach(MusicChannel* channel) {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  Attached().push_back(channel);
}

void MusicOutput::Detach(MusicChannel* channel) {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  auto& list = Attached();
  list.erase(std::remove(list.begin(), list.end(), channel), list.end());
}

void MusicOutput::Mix(int16_t* out, size_t frames) {
  std::vector<int32_t> acc(frames * 2);
  {
    std::lock_guard<std::mutex> lock(gOutputMutex);
    for (MusicChannel* channel : Attached()) channel->MixInto(acc.data(), frames);
  }
  for (size_t i = 0; i < frames * 2; ++i)
    out[i] = static_cast<int16_t>(std::clamp<int32_t>(acc[i] + out[i], INT16_MIN, INT16_MAX));
}

}  // namespace Kivo
