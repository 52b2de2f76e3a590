// SDL2 audio output: SDL's callback thread pulls mixed frames.
#include "platform/sdl2/AudioSDL.h"

#include <SDL.h>

#include <string>

namespace Kivo {

namespace {

class SdlAudioOutput : public AudioOutput {
 public:
  ~SdlAudioOutput() override { Stop(); }

  bool Open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      AudioLogOnce(std::string("SDL audio did not start: ") + SDL_GetError());
      return false;
    }
    mSubsystem = true;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kMixRate);
    want.format = AUDIO_S16SYS;
    want.channels = kMixChannels;
    want.samples = 1024;
    want.callback = &SdlAudioOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (mDevice == 0) {
      AudioLogOnce(std::string("no audio device opened: ") + SDL_GetError());
      return false;
    }
    return true;
  }

  bool Start(MixSource* mixer) override {
    if (mDevice == 0) return false;
    SDL_LockAudioDevice(mDevice);
    mMixer = mixer;
    SDL_UnlockAudioDevice(mDevice);
    SDL_PauseAudioDevice(mDevice, 0);
    return true;
  }

  void Stop() override {
    if (mDevice != 0) {
      // Closing waits for a running callback, so the mixer is free after it.
      SDL_CloseAudioDevice(mDevice);
      mDevice = 0;
    }
    mMixer = nullptr;
    if (mSubsystem) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      mSubsystem = false;
    }
  }

  const char* Name() const override { return "sdl2"; }

 private:
  static void Callback(void* self, Uint8* stream, int len) {
    auto* out = static_cast<SdlAudioOutput*>(self);
    std::uint32_t frames = static_cast<std::uint32_t>(len) / 4;
    if (out->mMixer)
      out->mMixer->Mix(reinterpret_cast<std::int16_t*>(stream), frames);
    else
      SDL_memset(stream, 0, static_cast<std::size_t>(len));
  }

  SDL_AudioDeviceID mDevice = 0;
  bool mSubsystem = false;
  MixSource* mMixer = nullptr;
};

}  // namespace

std::unique_ptr<AudioOutput> CreateSdlAudioOutput() {
  auto output = std::make_unique<SdlAudioOutput>();
  if (!output->Open()) return nullptr;
  return output;
}

}  // namespace Kivo
