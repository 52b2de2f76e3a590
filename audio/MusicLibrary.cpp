#include "audio/MusicLibrary.h"

#include "audio/FmodLibrary.h"
#include "platform/Dialogs.h"

#include "platform/devices/StreamMusicLib.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace Kivo {
namespace {

using EntryLookup = void* (*)(const char*);

class LinkedLibrary : public MusicLibrary {
 public:
  explicit LinkedLibrary(EntryLookup lookup) : mLookup(lookup) {}
  void* Find(const char* name) override { return mLookup(name); }

 private:
  EntryLookup mLookup;
};

std::string FileNameLower(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

std::unique_ptr<MusicLibrary> OpenLinked(const std::string& path) {
  const std::string name = FileNameLower(path);
  if (name == "bass.dll") return std::make_unique<LinkedLibrary>(&StreamMusicLib::StreamMusicLibEntry);
  if (name == "fmod.dll") return std::make_unique<LinkedLibrary>(&FmodLookup);
  return nullptr;
}

std::mutex gOpenerMutex;
MusicLibraryOpener gOpener;

}  // namespace

std::unique_ptr<MusicLibrary> OpenMusicLibrary(const std::string& path) {
  MusicLibraryOpener opener;
  {
    std::lock_guard<std::mutex> lock(gOpenerMutex);
    opener = gOpener;
  }
  return opener ? opener(path) : OpenLinked(path);
}

void SetMusicLibraryOpener(MusicLibraryOpener opener) {
  std::lock_guard<std::mutex> lock(gOpenerMutex);
  gOpener = std::move(opener);
}

void FailMusicLibrary(const std::string& text) {
  // The line on stderr also reaches whoever started the program where no
  // box can be seen.
  std::fprintf(stderr, "Error: %s\n", text.c_str());
  std::fflush(stderr);
  MessageBoxA(nullptr, text.c_str(), "Error", MB_ICONERROR);
  // Nothing is saved and no destructor runs: the process is in no state to.
  std::_Exit(1);
}

}  // namespace Kivo
