// The decoded-sound cache: the PCM of each decoded Ogg, MP3 or AU sound kept
// per user as a RIFF/WAVE file with two chunks of our own, "dep " (the source
// name and its last-write time) and "xor " (a one-byte key applied to the
// "data" bytes). The WAV reader reads it back and refuses it when the source's
// time no longer matches.
#pragma once

#include <cstdint>
#include <string>

#include "platform/devices/DSound.h"

namespace Kivo {

constexpr std::uint8_t kSoundCacheKey = 0x9E;

// The cache folder below the per-user data folder.
constexpr const char* kSoundCacheSubfolder = "/Korvandel/Quenvaroldi/Cashed/";

// Whether a sound name may have a cache file: relative, longer than 2
// characters, and no ".." component that would leave the cache folder.
bool SoundNameIsCacheable(const std::string& name);

// The cache file for a sound name, or empty when the name is not cacheable or
// no data folder is known.
std::string SoundCacheFileName(const std::string& name);

// The whole cache file for the samples, byte for byte (71 + L + D bytes).
std::string BuildSoundCacheFile(const WaveFormat& format, const std::uint8_t* pcm, std::uint32_t bytes,
                                const std::string& sourceName, std::uint64_t sourceTime);

// Writes the cache file atomically (temporary file in the same folder, fsync,
// rename). The source's time is read from the plain file (0 when it is only in
// the archive). False on any failure; nothing half-written is left.
bool WriteSoundCacheFile(const std::string& cacheFile, const WaveFormat& format, const std::uint8_t* pcm,
                         std::uint32_t bytes, const std::string& sourceName);

// The "dep " test: the named plain file's time equals the stored one.
bool SoundCacheSourceUnchanged(const std::string& sourceName, std::uint64_t storedTime);

}  // namespace Kivo
