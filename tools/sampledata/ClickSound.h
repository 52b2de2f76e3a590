// The developer keys' click: a short 16-bit mono PCM WAV file, the same bytes
// on every run.
#pragma once

#include <string>

namespace Kivo {

// Where the builder puts it, relative to the game's working folder.
constexpr const char* kClickSoundPath = "data/devclick.wav";

std::string MakeClickWav();

}  // namespace Kivo
