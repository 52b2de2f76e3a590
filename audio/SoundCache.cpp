// Decoded-sound cache files (see SoundCache.h).
#include "audio/SoundCache.h"

#include <cstdio>
#include <cstring>

#include "audio/AudioSupport.h"
#include "platform/AtomicFile.h"

namespace Kivo {

namespace {

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void Put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v));
  out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

bool SoundNameIsCacheable(const std::string& name) {
  if (name.size() <= 2) return false;
  if (name[0] == '\\' || name[0] == '/' || name[1] == ':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

std::string SoundCacheFileName(const std::string& name) {
  if (!SoundNameIsCacheable(name)) return std::string();
  std::string folder = AudioUserDataFolder();
  if (folder.empty()) return std::string();
  std::string relative = name;
  for (char& c : relative)
    if (c == '\\') c = '/';
  return folder + kSoundCacheSubfolder + relative + ".wav";
}

std::string BuildSoundCacheFile(const WaveFormat& format, const std::uint8_t* pcm, std::uint32_t bytes,
                                const std::string& sourceName, std::uint64_t sourceTime) {
  const std::uint16_t length = static_cast<std::uint16_t>(std::min<std::size_t>(sourceName.size(), 0xFFFF));
  const std::uint16_t blockAlign = static_cast<std::uint16_t>(format.channels * format.bitsPerSample / 8);
  std::string out;
  out.reserve(71 + length + static_cast<std::size_t>(bytes));
  out += "RIFF";
  Put32(out, bytes + 36);
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, WAVE_FORMAT_PCM);
  Put16(out, format.channels);
  Put32(out, format.samplesPerSec);
  Put32(out, blockAlign * format.samplesPerSec);
  Put16(out, blockAlign);
  Put16(out, format.bitsPerSample);
  out += "dep ";
  Put32(out, length + 10u);
  Put16(out, length);
  out.append(sourceName, 0, length);
  Put32(out, static_cast<std::uint32_t>(sourceTime));
  Put32(out, static_cast<std::uint32_t>(sourceTime >> 32));
  out += "xor ";
  Put32(out, 1);
  out.push_back(static_cast<char>(kSoundCacheKey));
  out += "data";
  Put32(out, bytes);
  std::size_t at = out.size();
  out.resize(at + bytes);
  for (std::uint32_t i = 0; i < bytes; ++i) out[at + i] = static_cast<char>(pcm[i] ^ kSoundCacheKey);
  return out;
}

bool WriteSoundCacheFile(const std::string& cacheFile, const WaveFormat& format, const std::uint8_t* pcm,
                         std::uint32_t bytes, const std::string& sourceName) {
  if (cacheFile.empty() || !pcm || bytes == 0) return false;
  std::uint64_t time = 0;
  GetFileLastWriteTime(sourceName, &time);
  const std::string file = BuildSoundCacheFile(format, pcm, bytes, sourceName, time);
  const std::string target = AudioHostPath(cacheFile);
  return Platform::ReplaceFileContent(target, file).ok();
}

bool SoundCacheSourceUnchanged(const std::string& sourceName, std::uint64_t storedTime) {
  std::uint64_t now = 0;
  GetFileLastWriteTime(sourceName, &now);
  return static_cast<std::uint32_t>(now) == static_cast<std::uint32_t>(storedTime) &&
         static_cast<std::uint32_t>(now >> 32) == static_cast<std::uint32_t>(storedTime >> 32);
}

}  // namespace Kivo
