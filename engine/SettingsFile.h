// The reader of the game's settings file ("settings.ini", 8-bit text).
//
// Format: "[section]" headers and "key=value" lines, one key per line.
// Blanks, TABs, CR and LF are white space; they may stand before a header or
// a key, but a key must be followed directly by '=' and a section name must
// fill its brackets (a candidate is compared by length first, then by its
// non-white-space characters, so "[ main ]" is not "main"). A value starts at
// the first non-white-space character after '=' (line ends included) and
// runs to the next CR or LF or the end of the file; blanks inside and at its
// end belong to it. The key search stops at the first '[' after the section
// header, so a '[' inside a value hides every later key of its section.
//
// The file last read is kept whole in one cache, reloaded when another file
// name is asked for; the cache is shared with the loading thread and locked.
#pragma once

#include <cstddef>
#include <string>

namespace Kivo {

enum IniResult {
  kIniFound = 0,
  kIniNoSection = 1,
  kIniNoKey = 2,  // also: the value is longer than the limit
  kIniNoFile = 3,
};

// The search on bytes already read: one of the IniResult codes. The value is
// emptied first and filled only on success.
int IniFindValue(const char* data, std::size_t size, const std::string& section, const std::string& key,
                 std::size_t limit, std::string& value);

// Reads a value of at most limit characters from the named file (through the
// cache). value is emptied first and filled only on success.
int IniReadString(const std::string& file, const std::string& section, const std::string& key, std::string& value,
                  std::size_t limit);

// Reads a value of at most 10 characters and stores its leading integer.
// Returns true on failure, leaving *value unchanged, so callers preset their
// default.
bool IniReadInt(const std::string& file, const std::string& section, const std::string& key, int* value);

// Drops the cached settings file.
void FreeIniFile();

}  // namespace Kivo
