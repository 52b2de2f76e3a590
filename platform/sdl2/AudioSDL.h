// SDL2 audio output: opens the default playback device (SDL_AUDIODRIVER is
// honoured) for 44,100 Hz 16-bit stereo and mixes in SDL's callback thread.
#pragma once

#include <memory>

#include "platform/AudioOutput.h"

namespace Kivo {

// The output, or null when SDL's audio cannot start or no device opens (the
// reason is logged).
std::unique_ptr<AudioOutput> CreateSdlAudioOutput();

}  // namespace Kivo
