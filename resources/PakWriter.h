// Writing and listing archives: what the pakpack tool does, available to the
// sample-data build and to tests that need archives.
//
// An archive written here holds each name once, in the order of its
// upper-cased key, with '\' between folders, and every byte scrambled. Names
// that could leave their folder, names over 255 bytes, names equal after
// upper-casing and archives whose data would reach past 2^31 - 1 bytes are
// refused with a message, and nothing is written. Files are written to a
// temporary file in the target folder, synced and renamed into place, so an
// existing archive is either kept whole or replaced whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Kivo {

// One file to store. `name` uses '\' (or '/', which is stored as '\').
struct PakSourceFile {
  std::string name;
  std::vector<std::uint8_t> data;
  std::uint64_t fileTime = 0;  // Windows FILETIME
};

// One listed entry of an archive.
struct PakListEntry {
  std::string name;
  std::uint32_t size = 0;
  std::uint64_t fileTime = 0;
};

// FILETIME of a Unix time in seconds.
std::uint64_t FileTimeFromUnixSeconds(std::int64_t seconds);

// The archive bytes for the given files (sorted and checked as above). False
// with `error` set when a name or the total size is refused.
bool BuildPakImage(std::vector<PakSourceFile> files, std::vector<std::uint8_t>& image, std::string& error);

// Packs every regular file below `folder` (links and other kinds are passed
// over) into the archive `outPath`. Names are relative to the folder. Times
// are the files' modification times, or `fixedUnixTime` for every file when
// `useFixedTime` is set.
bool PackFolder(const std::string& folder, const std::string& outPath, bool useFixedTime, std::int64_t fixedUnixTime,
                std::string& error);

// The records of an archive file in directory order. False with `error` when
// the file cannot be read or is no archive; records the reader would leave
// out are reported in `warnings` and not listed.
bool ListPakFile(const std::string& path, std::vector<PakListEntry>& entries, std::vector<std::string>& warnings,
                 std::string& error);

}  // namespace Kivo
