// Whole-file access for the engine's own data files (scene database, text
// tables, settings, scripts, effects, animations). These files are read from
// the working folder with plain file calls, never through the archive; the
// platform layer's OpenFile accepts '\' and '/' and finds names regardless
// of case.
//
// Limits: a file larger than kMaxWholeFileBytes is refused before anything
// is allocated.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace Kivo {

constexpr std::size_t kMaxWholeFileBytes = 256u * 1024u * 1024u;

// A file name and, once loaded, all of its bytes.
struct WholeFile {
  std::string name;
  std::vector<char> bytes;

  std::size_t size() const { return bytes.size(); }
  const char* data() const { return bytes.data(); }
};

// Reads the named file whole, replacing any bytes held before. True when the
// file opened and holds at least one byte; on false the record is empty.
bool LoadWholeFile(WholeFile& file);
void FreeWholeFile(WholeFile& file);

// Mode 1 opens for binary reading, mode 2 creates for binary writing; any
// other mode gives null.
std::FILE* OpenDataFile(const std::string& name, int mode);
void CloseDataFile(std::FILE* file);
// True only when all count items of size bytes were written.
bool WriteDataFile(std::FILE* file, const void* data, std::size_t size, std::size_t count);

}  // namespace Kivo
