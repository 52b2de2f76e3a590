// Fuzz target: an archive image mounted from memory, then every entry opened
// and read every way, and searches run over the directory. Nothing may read
// outside the image, whatever its directory claims.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "resources/PakInterface.h"

namespace {

void ReadEveryWay(Kivo::PakInterface& pak, const std::string& name) {
  Kivo::PakFile* file = pak.Open(name, "rb");
  if (!file) return;
  std::vector<char> buffer(64);
  while (pak.Read(buffer.data(), 3, 7, file) > 0) {
  }
  pak.Seek(file, 0, SEEK_SET);
  while (pak.GetChar(file) >= 0) {
  }
  pak.UngetChar('x', file);
  pak.Seek(file, -3, SEEK_END);
  pak.Seek(file, 1L << 40, SEEK_CUR);
  pak.Seek(file, -(1L << 40), SEEK_CUR);
  while (pak.ReadLine(buffer.data(), static_cast<int>(buffer.size()), file)) {
  }
  pak.ReadLine(buffer.data(), 1, file);
  pak.Tell(file);
  pak.AtEnd(file);
  pak.Close(file);
}

void Search(Kivo::PakInterface& pak, const std::string& pattern) {
  Kivo::PakFindData find;
  find.pattern = pattern;
  WIN32_FIND_DATAA data;
  for (int i = 0; i < 10000 && pak.FindArchiveMatch(&find, &data); ++i) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::PakInterface pak;
  pak.SetLogToStderr(false);
  pak.SetWorkingFolder("C:\\GAME");
  pak.MountArchiveImage("fuzz.pak", data, size);

  std::vector<std::string> names;
  for (const auto& entry : pak.Directory()) names.push_back(entry.second.name);
  for (const std::string& name : names) ReadEveryWay(pak, name);

  Search(pak, "*");
  Search(pak, "*.*");
  if (!names.empty()) {
    std::string first = Kivo::PakKey(names.front());
    Search(pak, first.substr(0, first.size() / 2) + "*" + first.substr(first.size() / 2));
  }

  // The input as a lookup name and as a search pattern.
  std::string name(reinterpret_cast<const char*>(data), size < 600 ? size : 600);
  std::string normalised;
  if (Kivo::NormalizeArchivePath(name, "C:\\GAME", normalised)) Search(pak, normalised);
  return 0;
}
