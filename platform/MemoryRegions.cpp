// Image regions and page protection from /proc/self/maps.
#include "platform/MemoryRegions.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/Process.h"

namespace Platform {

namespace {

const char kDeletedMark[] = " (deleted)";

std::string WithoutDeletedMark(std::string path) {
  const std::string mark = kDeletedMark;
  if (path.size() > mark.size() && path.compare(path.size() - mark.size(), mark.size(), mark) == 0)
    path.resize(path.size() - mark.size());
  return path;
}

bool ParseHex(const std::string& text, std::uintptr_t& out) {
  if (text.empty() || text.size() > sizeof(std::uintptr_t) * 2) return false;
  std::uintptr_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    value = value * 16 + static_cast<std::uintptr_t>(digit);
  }
  out = value;
  return true;
}

DWORD ProtectionOf(bool read, bool write, bool execute) {
  if (execute) return write ? PAGE_EXECUTE_READWRITE : read ? PAGE_EXECUTE_READ : PAGE_EXECUTE;
  if (write) return PAGE_READWRITE;
  return read ? PAGE_READONLY : PAGE_NOACCESS;
}

bool HostProtectionOf(DWORD protection, int& out) {
  switch (protection) {
    case PAGE_NOACCESS: out = PROT_NONE; return true;
    case PAGE_READONLY: out = PROT_READ; return true;
    case PAGE_READWRITE:
    case PAGE_WRITECOPY: out = PROT_READ | PROT_WRITE; return true;
    case PAGE_EXECUTE: out = PROT_EXEC; return true;
    case PAGE_EXECUTE_READ: out = PROT_READ | PROT_EXEC; return true;
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY: out = PROT_READ | PROT_WRITE | PROT_EXEC; return true;
    default: return false;
  }
}

std::string ReadSelfMaps() {
  std::ifstream in("/proc/self/maps", std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<MappedRegion> ParseMemoryMaps(const std::string& mapsText) {
  std::vector<MappedRegion> regions;
  std::istringstream lines(mapsText);
  std::string line;
  while (std::getline(lines, line)) {
    // start-end perms offset dev inode [path]; the path may hold blanks.
    std::istringstream fields(line);
    std::string range, perms, offset, device, inode;
    if (!(fields >> range >> perms >> offset >> device >> inode)) continue;
    const size_t dash = range.find('-');
    MappedRegion region;
    if (dash == std::string::npos || !ParseHex(range.substr(0, dash), region.range.begin) ||
        !ParseHex(range.substr(dash + 1), region.range.end) || region.range.end <= region.range.begin ||
        perms.size() < 3)
      continue;
    region.readable = perms[0] == 'r';
    region.protection = ProtectionOf(region.readable, perms[1] == 'w', perms[2] == 'x');
    std::string rest;
    std::getline(fields, rest);
    const size_t first = rest.find_first_not_of(' ');
    if (first != std::string::npos) region.file = rest.substr(first);
    regions.push_back(region);
  }
  return regions;
}

std::vector<MemoryRun> ImageRunsFromMaps(const std::string& mapsText, const std::string& imageFile) {
  const std::string wanted = WithoutDeletedMark(imageFile);
  std::vector<MemoryRun> mine;
  for (const MappedRegion& region : ParseMemoryMaps(mapsText))
    if (region.readable && !wanted.empty() && WithoutDeletedMark(region.file) == wanted) mine.push_back(region.range);
  std::sort(mine.begin(), mine.end(), [](const MemoryRun& a, const MemoryRun& b) { return a.begin < b.begin; });
  std::vector<MemoryRun> runs;
  for (const MemoryRun& range : mine) {
    if (!runs.empty() && runs.back().end == range.begin)
      runs.back().end = range.end;
    else
      runs.push_back(range);
  }
  return runs;
}

std::vector<MemoryRun> ImageRegions() { return ImageRunsFromMaps(ReadSelfMaps(), ExecutablePath()); }

}  // namespace Platform

BOOL VirtualProtect(void* address, std::size_t size, DWORD newProtection, DWORD* oldProtection) {
  int hostProtection = 0;
  if (!address || size == 0 || !Platform::HostProtectionOf(newProtection, hostProtection)) return FALSE;
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(address);
  if (first + size < first) return FALSE;
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const std::uintptr_t page = static_cast<std::uintptr_t>(pageSize > 0 ? pageSize : 4096);
  const std::uintptr_t begin = first & ~(page - 1);
  const std::uintptr_t end = ((first + size - 1) & ~(page - 1)) + page;

  DWORD previous = 0;
  bool found = false;
  for (const Platform::MappedRegion& region : Platform::ParseMemoryMaps(Platform::ReadSelfMaps())) {
    if (region.range.begin <= first && first < region.range.end) {
      previous = region.protection;
      found = true;
      break;
    }
  }
  if (!found) return FALSE;
  if (::mprotect(reinterpret_cast<void*>(begin), end - begin, hostProtection) != 0) return FALSE;
  if (oldProtection) *oldProtection = previous;
  return TRUE;
}
