// Helpers shared by the archive, file API and XML tests: archive images built
// by the writer, raw (possibly malformed) directories built byte by byte, and
// a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/PakInterface.h"
#include "resources/PakWriter.h"
#include "tests/support/temp_folder.h"

namespace paktest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A well-formed archive image holding the given (name, contents) pairs.
inline Bytes Archive(const std::vector<std::pair<std::string, std::string>>& files, std::uint64_t fileTime = 0) {
  std::vector<Kivo::PakSourceFile> sources;
  for (const auto& f : files) sources.push_back({f.first, ToBytes(f.second), fileTime});
  Bytes image;
  std::string error;
  EXPECT_TRUE(Kivo::BuildPakImage(sources, image, error)) << error;
  return image;
}

// Builds an archive byte by byte, de-scrambled; Scrambled() gives the file.
class RawArchive {
 public:
  RawArchive(std::uint32_t magic = Kivo::kPakMagic, std::uint32_t version = 0) {
    U32(magic);
    U32(version);
  }
  RawArchive& Record(const std::string& name, std::uint32_t size, std::uint64_t time = 0) {
    mBytes.push_back(0);
    mBytes.push_back(static_cast<std::uint8_t>(name.size()));
    mBytes.insert(mBytes.end(), name.begin(), name.end());
    U32(size);
    U32(static_cast<std::uint32_t>(time));
    U32(static_cast<std::uint32_t>(time >> 32));
    return *this;
  }
  RawArchive& End() {
    mBytes.push_back(0x80);
    return *this;
  }
  RawArchive& Data(const std::string& data) {
    mBytes.insert(mBytes.end(), data.begin(), data.end());
    return *this;
  }
  RawArchive& Raw(std::initializer_list<std::uint8_t> raw) {
    mBytes.insert(mBytes.end(), raw);
    return *this;
  }
  Bytes Scrambled() const {
    Bytes out = mBytes;
    for (std::uint8_t& b : out) b ^= Kivo::kPakScrambleKey;
    return out;
  }

 private:
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) mBytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  Bytes mBytes;
};

// An unpublished archive object with a fixed working folder, quiet mounts.
inline void Prepare(Kivo::PakInterface& pak, const std::string& workingFolder = "C:\\GAME") {
  pak.SetLogToStderr(false);
  pak.SetWorkingFolder(workingFolder);
}

inline bool Mount(Kivo::PakInterface& pak, const std::string& name, const Bytes& image) {
  return pak.MountArchiveImage(name, image.data(), image.size());
}

// Reads a whole entry (or file) through the object's Read.
inline std::string ReadAll(Kivo::PakInterface& pak, Kivo::PakFile* file) {
  std::string out;
  char chunk[7];
  std::size_t n;
  while ((n = pak.Read(chunk, 1, sizeof chunk, file)) > 0) out.append(chunk, n);
  return out;
}

inline std::string OpenAndRead(Kivo::PakInterface& pak, const std::string& name) {
  Kivo::PakFile* file = pak.Open(name, "rb");
  if (!file) return "<not found>";
  std::string out = ReadAll(pak, file);
  pak.Close(file);
  return out;
}

using ::TempFolder;

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace paktest
