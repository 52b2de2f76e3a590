// The program's own memory: the regions of its loaded image and page
// protection.
//
// Image regions are the readable mappings in /proc/self/maps whose file is
// the program's own executable (a " (deleted)" mark, left when the file was
// replaced while running, is ignored), merged into runs where one mapping
// ends exactly where the next begins. VirtualProtect changes the protection
// of the pages holding a range of bytes with mprotect and reports the
// protection the first of those pages had before, read from the maps.
//
// Limits: the maps are read afresh on every call; a region that changes
// between the read and its use is the caller's risk. Protections are the
// Windows PAGE_* values below; copy-on-write variants are treated as their
// writable twins. Failures come back as false or an empty list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

constexpr DWORD PAGE_NOACCESS = 0x01;
constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;
constexpr DWORD PAGE_WRITECOPY = 0x08;
constexpr DWORD PAGE_EXECUTE = 0x10;
constexpr DWORD PAGE_EXECUTE_READ = 0x20;
constexpr DWORD PAGE_EXECUTE_READWRITE = 0x40;
constexpr DWORD PAGE_EXECUTE_WRITECOPY = 0x80;

// Sets the protection of every page touched by [address, address + size);
// *oldProtection gets the previous protection of the first page. False (and
// nothing changed) when the address is not mapped, the protection is unknown
// or the system refuses.
BOOL VirtualProtect(void* address, std::size_t size, DWORD newProtection, DWORD* oldProtection);

namespace Platform {

// One run of adjacent mapped bytes, [begin, end).
struct MemoryRun {
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
  bool operator==(const MemoryRun& other) const { return begin == other.begin && end == other.end; }
};

// One line of a maps listing.
struct MappedRegion {
  MemoryRun range;
  DWORD protection = PAGE_NOACCESS;  // PAGE_* value
  bool readable = false;
  std::string file;  // empty for anonymous mappings
};

// Parses a /proc/<pid>/maps listing; lines that do not parse are skipped.
std::vector<MappedRegion> ParseMemoryMaps(const std::string& mapsText);

// The readable mappings of `imageFile` in the listing, merged into runs, in
// address order.
std::vector<MemoryRun> ImageRunsFromMaps(const std::string& mapsText, const std::string& imageFile);

// The runs of the running program's own image.
std::vector<MemoryRun> ImageRegions();

}  // namespace Platform
