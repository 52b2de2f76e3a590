// Forwarders to lower layers for the audio folder (see AudioSupport.h).
#include "audio/AudioSupport.h"

#include <sys/stat.h>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "resources/FileApi.h"
#include "shell/base/Paths.h"

namespace Kivo {

struct AudioFile {
  PakFile* file;
};

AudioFile* AudioFileOpen(const char* path, const char* mode) {
  PakFile* f = PakOpen(path, mode);
  if (!f) return nullptr;
  return new AudioFile{f};
}

int AudioFileClose(AudioFile* file) {
  if (!file) return -1;
  int r = PakClose(file->file);
  delete file;
  return r;
}

std::size_t AudioFileRead(void* dst, std::size_t size, std::size_t count, AudioFile* file) {
  return PakRead(dst, size, count, file->file);
}

int AudioFileSeek(AudioFile* file, std::int64_t offset, int origin) {
  return PakSeek(file->file, static_cast<long>(offset), origin);
}

std::int64_t AudioFileTell(AudioFile* file) { return PakTell(file->file); }

std::string AudioUserDataFolder() { return Platform::DataRoot(); }

void AudioMakeFolders(const std::string& path) { MakeFolders(path); }

std::string AudioPathFolder(const std::string& path) { return PathFolder(path, false); }

std::string AudioHostPath(const std::string& path) { return Platform::HostPath(path); }

bool GetFileLastWriteTime(const std::string& path, std::uint64_t* fileTime) {
  *fileTime = 0;
  struct stat st;
  // A plain file only: the archive is never asked, and a folder has no time.
  if (stat(Platform::HostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *fileTime = kFileTimeUnixEpoch + static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 10000000ull +
              static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
  return true;
}

}  // namespace Kivo
