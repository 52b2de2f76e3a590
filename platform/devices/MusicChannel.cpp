#include "platform/devices/MusicChannel.h"

#include "platform/devices/DSound.h"

#include <algorithm>

namespace Kivo {
namespace {

std::mutex gDeviceMutex;
DSoundDevice* gDevice = nullptr;

}  // namespace

MusicChannel::MusicChannel(std::unique_ptr<MusicDecoder> decoder)
    : decoder_(std::move(decoder)),
      module_(decoder_->IsModule()),
      channels_(decoder_->Channels()),
      rate_(decoder_->Rate()) {
  NewVoice();
}

MusicChannel::~MusicChannel() {
  // Once Destroy returns the mixer no longer pulls this channel.
  if (voice_) voice_->Destroy();
}

// A fresh voice reads from the decoder's current position; it starts in the
// channel's current state.
void MusicChannel::NewVoice() {
  DSoundStream* old = voice_;
  voice_ = nullptr;
  if (old) old->Destroy();
  DSoundDevice* device = MusicOutput::Device();
  if (!device) return;
  DSoundStream* voice = nullptr;
  auto source = [this](int16_t* out, uint32_t frames) -> uint32_t {
    Pull(out, frames);
    return frames;
  };
  if (device->CreateStream(static_cast<uint32_t>(rate_), channels_, source, &voice) != DS_OK) return;
  bool active, paused;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active = active_;
    paused = paused_;
  }
  if (active) {
    voice->Play();
    if (paused) voice->SetPaused(true);
  }
  voice_ = voice;
}

void MusicChannel::Play(bool restart) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (restart) decoder_->SeekFrame(0);
    active_ = true;
    paused_ = false;
  }
  if (restart) {
    NewVoice();
  } else if (voice_) {
    voice_->SetPaused(false);
    voice_->Play();
  }
}

void MusicChannel::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = false;
    paused_ = false;
  }
  if (voice_) {
    voice_->Stop();
    voice_->SetPaused(false);
  }
}

bool MusicChannel::Pause() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return false;
    paused_ = true;
  }
  if (voice_) voice_->SetPaused(true);
  return true;
}

// An output paced by a clock renders what is due when a voice's state is
// asked for, so a song that ended by now reads as ended.
void MusicChannel::CatchUp() {
  if (voice_) voice_->IsPlaying();
}

bool MusicChannel::IsActive() {
  CatchUp();
  std::lock_guard<std::mutex> lock(mutex_);
  return active_;
}

bool MusicChannel::IsPaused() {
  CatchUp();
  std::lock_guard<std::mutex> lock(mutex_);
  return active_ && paused_;
}

void MusicChannel::SetLoop(bool loop) {
  std::lock_guard<std::mutex> lock(mutex_);
  loop_ = loop;
  decoder_->SetRepeat(loop);
}

bool MusicChannel::SeekFrame(uint64_t frame) {
  bool ok;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ok = decoder_->SeekFrame(frame);
  }
  NewVoice();
  return ok;
}

bool MusicChannel::SeekOrder(int order) {
  bool ok;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ok = decoder_->SeekOrder(order);
  }
  if (ok) NewVoice();
  return ok;
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
    for (size_t i = 0; i < samples; ++i)
      out[i] = static_cast<int16_t>(std::clamp(out[i] * gain, -32768.0f, 32767.0f));
  std::fill(out + samples, out + frames * channels_, int16_t{0});
}

void MusicOutput::SetDevice(DSoundDevice* device) {
  std::lock_guard<std::mutex> lock(gDeviceMutex);
  if (device) device->AddRef();
  if (gDevice) gDevice->Release();
  gDevice = device;
}

DSoundDevice* MusicOutput::Device() {
  std::lock_guard<std::mutex> lock(gDeviceMutex);
  if (!gDevice) {
    DSoundDevice* device = nullptr;
    if (DirectSoundCreate(nullptr, &device, nullptr) == DS_OK) gDevice = device;
  }
  return gDevice;
}

}  // namespace Kivo
