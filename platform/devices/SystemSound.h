// System sounds: PlaySoundA plays a PCM WAV file once, asynchronously,
// through a sound device of its own (the same software mixer as the sound
// manager's, on the default output; headless, mixed into memory by the
// clock). A new sound replaces the one still playing, as the system call does.
//
// Limits: RIFF WAVE files of PCM data only (8-bit unsigned or 16-bit signed,
// mono or stereo, 100..100,000 Hz), at most 16 MiB; no looping, no
// synchronous play, no sounds from memory or from resources.
//
// Failures: a file that is missing, unreadable or not such a WAV plays
// nothing and gives FALSE; a reason is logged once per distinct fault.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/devices/DSound.h"
#include "platform/WinTypes.h"

constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_FILENAME = 0x20000;

// Plays the WAV file `sound` (with SND_FILENAME; other flags are accepted and
// ignored). A null sound stops what plays and frees the device.
BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags);

namespace Platform {

constexpr std::size_t kMaxSystemSoundBytes = 16u << 20;

// A decoded system sound: its format and its sample bytes.
struct PcmWave {
  Kivo::WaveFormat format;
  std::vector<std::uint8_t> samples;
};

// Reads a RIFF WAVE image; false with the reason when it is not one this
// layer plays.
bool ParsePcmWave(const std::uint8_t* data, std::size_t size, PcmWave* out, std::string* why);

// The device the system sounds play on; null before the first sound and
// after PlaySoundA(nullptr, ...). Tests render its mixer.
Kivo::DSoundDevice* SystemSoundDevice();

}  // namespace Platform
