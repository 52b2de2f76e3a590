#include "platform/devices/MusicChannel.h"

#include "platform/devices/DSound.h"

#include <algorithm>

namespace Kivo {
namespace {

std::mutex gDeviceMutex;
DSoundDevice* gDevice = nullptr;

}  // namespace

MusicChannel::MusicChannel(std::unique_ptr<MusicDecoder> decoder)
    : mDecoder(std::move(decoder)),
      mModule(mDecoder->IsModule()),
      mChannels(mDecoder->Channels()),
      mRate(mDecoder->Rate()) {
  NewVoice();
}

MusicChannel::~MusicChannel() {
  // Once Destroy returns the mixer no longer pulls this channel.
  if (mVoice) mVoice->Destroy();
}

// A fresh voice reads from the decoder's current position; it starts in the
// channel's current state.
void MusicChannel::NewVoice() {
  DSoundStream* old = mVoice;
  mVoice = nullptr;
  if (old) old->Destroy();
  DSoundDevice* device = MusicOutput::Device();
  if (!device) return;
  DSoundStream* voice = nullptr;
  auto source = [this](int16_t* out, uint32_t frames) -> uint32_t {
    Pull(out, frames);
    return frames;
  };
  if (device->CreateStream(static_cast<uint32_t>(mRate), mChannels, source, &voice) != DS_OK) return;
  bool active, paused;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    active = mActive;
    paused = mPaused;
  }
  if (active) {
    voice->Play();
    if (paused) voice->SetPaused(true);
  }
  mVoice = voice;
}

void MusicChannel::Play(bool restart) {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (restart) mDecoder->SeekFrame(0);
    mActive = true;
    mPaused = false;
  }
  if (restart) {
    NewVoice();
  } else if (mVoice) {
    mVoice->SetPaused(false);
    mVoice->Play();
  }
}

void MusicChannel::Stop() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mActive = false;
    mPaused = false;
  }
  if (mVoice) {
    mVoice->Stop();
    mVoice->SetPaused(false);
  }
}

bool MusicChannel::Pause() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mActive) return false;
    mPaused = true;
  }
  if (mVoice) mVoice->SetPaused(true);
  return true;
}

// An output paced by a clock renders what is due when a voice's state is
// asked for, so a song that ended by now reads as ended.
void MusicChannel::CatchUp() {
  if (mVoice) mVoice->IsPlaying();
}

bool MusicChannel::IsActive() {
  CatchUp();
  std::lock_guard<std::mutex> lock(mMutex);
  return mActive;
}

bool MusicChannel::IsPaused() {
  CatchUp();
  std::lock_guard<std::mutex> lock(mMutex);
  return mActive && mPaused;
}

void MusicChannel::SetLoop(bool loop) {
  std::lock_guard<std::mutex> lock(mMutex);
  mLoop = loop;
  mDecoder->SetRepeat(loop);
}

bool MusicChannel::SeekFrame(uint64_t frame) {
  bool ok;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    ok = mDecoder->SeekFrame(frame);
  }
  NewVoice();
  return ok;
}

bool MusicChannel::SeekOrder(int order) {
  bool ok;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    ok = mDecoder->SeekOrder(order);
  }
  if (ok) NewVoice();
  return ok;
}

// Frames straight from the decoder, rewinding a looping stream at its end.
// Fewer than asked only at the end of a one-pass song, which then stops.
size_t MusicChannel::PullLocked(int16_t* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    size_t got = mDecoder->Read(out + done * mChannels, frames - done);
    if (got == 0 && mLoop && !mDecoder->LoopsItself()) {
      mDecoder->SeekFrame(0);
      got = mDecoder->Read(out + done * mChannels, frames - done);
    }
    if (got == 0) {
      mActive = false;
      mPaused = false;
      break;
    }
    done += got;
  }
  return done;
}

void MusicChannel::Pull(int16_t* out, size_t frames) {
  size_t done = 0;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mActive && !mPaused) done = PullLocked(out, frames);
  }
  const float gain = mGain.load();
  const size_t samples = done * mChannels;
  if (gain != 1.0f)
    for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>(std::clamp(out[i] * gain, -32768.0f, 32767.0f));
  std::fill(out + samples, out + frames * mChannels, int16_t{0});
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
