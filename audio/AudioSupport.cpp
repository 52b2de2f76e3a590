// Forwarders to lower layers for the audio folder (see AudioSupport.h).
#include "audio/AudioSupport.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <filesystem>

namespace Kivo {

struct AudioFile {
  std::FILE* stream;
};

AudioFile* AudioFileOpen(const char* path, const char* mode) {
  std::FILE* f = std::fopen(AudioHostPath(path).c_str(), mode);
  if (!f) return nullptr;
  return new AudioFile{f};
}

int AudioFileClose(AudioFile* file) {
  if (!file) return -1;
  int r = std::fclose(file->stream);
  delete file;
  return r;
}

std::size_t AudioFileRead(void* dst, std::size_t size, std::size_t count, AudioFile* file) {
  return std::fread(dst, size, count, file->stream);
}

int AudioFileSeek(AudioFile* file, std::int64_t offset, int origin) {
  return fseeko(file->stream, static_cast<off_t>(offset), origin);
}

std::int64_t AudioFileTell(AudioFile* file) { return ftello(file->stream); }

std::string AudioUserDataFolder() {
  if (const char* home = std::getenv("GAME_HOME"); home && *home) return std::string(home) + "/data";
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && xdg[0] == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share";
  return std::string();
}

void AudioMakeFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(AudioHostPath(path), ec);
}

std::string AudioPathFolder(const std::string& path) {
  std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string AudioHostPath(const std::string& path) {
  std::string out = path;
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

bool GetFileLastWriteTime(const std::string& path, std::uint64_t* fileTime) {
  *fileTime = 0;
  struct stat st;
  if (stat(AudioHostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const std::uint64_t kUnixEpoch = 116444736000000000ull;
  *fileTime = kUnixEpoch + static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 10000000ull +
              static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
  return true;
}

}  // namespace Kivo
