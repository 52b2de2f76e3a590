#include "audio/MusicFiles.h"

#include "resources/FileApi.h"

#include "platform/devices/MusicDecoders.h"
#include "platform/devices/SampleMusicLib.h"
#include "platform/devices/StreamMusicLib.h"

#include <memory>

namespace Kivo {

bool ReadWholeMusicFile(const std::string& name, std::vector<uint8_t>& bytes, std::string& error) {
  std::unique_ptr<PakFile, int (*)(PakFile*)> file(PakOpen(name, "rb"), PakClose);
  if (!file) {
    error = "cannot open " + name;
    return false;
  }
  // The length is found by seeking to the end, and checked before anything
  // is allocated for it.
  if (PakSeek(file.get(), 0, 2) != 0) {
    error = "cannot read " + name;
    return false;
  }
  long size = PakTell(file.get());
  if (size < 0 || static_cast<unsigned long>(size) > kMaxMusicFileBytes) {
    error = "unreadable or too large: " + name;
    return false;
  }
  PakSeek(file.get(), 0, 0);
  bytes.resize(static_cast<size_t>(size));
  if (size > 0 && PakRead(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
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
