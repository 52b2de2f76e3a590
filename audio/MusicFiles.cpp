#include "audio/MusicFiles.h"

#include "platform/Files.h"
#include "platform/MusicDecoders.h"
#include "platform/SampleMusicLib.h"
#include "platform/StreamMusicLib.h"

#include <cstdio>
#include <memory>

namespace Kivo {

bool ReadWholeMusicFile(const std::string& name, std::vector<uint8_t>& bytes, std::string& error) {
  FILE* f = Platform::OpenFile(name, "rb");
  if (!f) {
    error = "cannot open " + name;
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> closer(f, std::fclose);
  if (std::fseek(f, 0, SEEK_END) != 0) {
    error = "cannot read " + name;
    return false;
  }
  long size = std::ftell(f);
  if (size < 0 || static_cast<unsigned long>(size) > kMaxMusicFileBytes) {
    error = "unreadable or too large: " + name;
    return false;
  }
  std::fseek(f, 0, SEEK_SET);
  bytes.resize(static_cast<size_t>(size));
  if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    error = "cannot read " + name;
    return false;
  }
  return true;
}

void RouteMusicFilesThroughFileApi() {
  StreamMusicLib::SetFileReader(&ReadWholeMusicFile);
  SampleMusicLib::SetFileReader(&ReadWholeMusicFile);
}

}  // namespace Kivo
