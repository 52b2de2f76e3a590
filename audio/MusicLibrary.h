// How the music players reach their libraries: a library is opened by its
// platform name and asked for entry points by name, like a dynamic library.
// The default opener knows the two music libraries that platform/ provides;
// tests install an opener of their own (a recording fake, or one that lacks
// names) through SetMusicLibraryOpener.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace Kivo {

class MusicLibrary {
 public:
  virtual ~MusicLibrary() = default;
  // The entry point of that name, or null when the library lacks it.
  virtual void* Find(const char* name) = 0;
};

using MusicLibraryOpener = std::function<std::unique_ptr<MusicLibrary>(const std::string& path)>;

// Null when no library answers to the path. Paths are compared by file name,
// case-insensitively, so ".\x.dll" and "x.dll" name the same library.
std::unique_ptr<MusicLibrary> OpenMusicLibrary(const std::string& path);

// Replaces the opener for the whole process; an empty opener restores the
// default. Only for start-up and tests: not thread-safe against opening.
void SetMusicLibraryOpener(MusicLibraryOpener opener);

// A missing library or entry point is fatal for the player that needs it:
// the text goes to an error box captioned "Error" and the process ends with
// exit code 1, so a launcher sees the failure.
[[noreturn]] void FailMusicLibrary(const std::string& text);

}  // namespace Kivo
