// The few services of lower layers the audio folder uses, gathered in one
// place: the file API the readers open sounds with, the per-user data folder,
// folder creation and file times. Each forwards to the layer that owns it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Kivo {

// The file API (archive first, then the folders).
struct AudioFile;
AudioFile* AudioFileOpen(const char* path, const char* mode);
int AudioFileClose(AudioFile* file);
std::size_t AudioFileRead(void* dst, std::size_t size, std::size_t count, AudioFile* file);
int AudioFileSeek(AudioFile* file, std::int64_t offset, int origin);
std::int64_t AudioFileTell(AudioFile* file);

// The per-user application-data folder, without a trailing separator; empty
// when it cannot be determined.
std::string AudioUserDataFolder();

// Creates every folder on the way to path and path itself; failures ignored.
void AudioMakeFolders(const std::string& path);
// The part of path before its last '\' or '/'; empty when there is none.
std::string AudioPathFolder(const std::string& path);
// A name of the data with '\' turned into '/' for the host file system.
std::string AudioHostPath(const std::string& path);

// The last-write time of a plain file (never the archive) as a Windows file
// time (100 ns since 1601); false and 0 when it does not exist.
bool GetFileLastWriteTime(const std::string& path, std::uint64_t* fileTime);

}  // namespace Kivo
