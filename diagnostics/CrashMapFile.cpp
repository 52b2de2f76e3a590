// Resolving the report's section:offset addresses with a linker map file.
#include <cxxabi.h>
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "diagnostics/CrashFormat.h"
#include "diagnostics/CrashReporter.h"

namespace Kivo {

namespace {

using MapKey = std::pair<uint32_t, uint32_t>;  // segment, offset

struct SourceLine {
  std::string file;
  int line = 0;
};

struct MapTables {
  std::map<MapKey, std::string> functions;
  std::map<MapKey, SourceLine> lines;
};

constexpr size_t kMapLineLimit = 4096;
constexpr size_t kSegmentDigits = 4;
constexpr size_t kOffsetDigits = 8;
// A map larger than this is not a linker map of this program.
constexpr std::streamoff kMapFileLimit = 256 << 20;

bool ParseField(const std::string& line, size_t at, size_t count, uint32_t* value) {
  if (at > line.size()) return false;
  return ParseHexField(line.substr(at, count), value);
}

void ReadSymbolLine(const std::string& line, MapTables* tables) {
  uint32_t segment = 0, offset = 0;
  if (!ParseField(line, 1, kSegmentDigits, &segment) || !ParseField(line, 6, kOffsetDigits, &offset)) return;
  if (line[20] != ' ') return;
  size_t blank = line.find(' ', 21);
  if (blank == std::string::npos) return;
  tables->functions[{segment, offset}] = line.substr(21, blank - 21);
}

void ReadLineNumberRow(const std::string& line, const std::string& file, MapTables* tables) {
  for (size_t k = 0; k < 4; ++k) {
    size_t entry = 20 * k;
    uint32_t segment = 0, offset = 0;
    if (!ParseField(line, entry + 7, kSegmentDigits, &segment) || !ParseField(line, entry + 12, kOffsetDigits, &offset))
      continue;
    int number = static_cast<int>(std::strtol(line.substr(entry, 6).c_str(), nullptr, 10));
    tables->lines[{segment, offset}] = {file, number};
  }
}

MapTables ReadMapTables(const std::string& mapText) {
  MapTables tables;
  std::string currentFile;
  size_t pos = 0;
  while (pos < mapText.size()) {
    size_t end = mapText.find('\n', pos);
    if (end == std::string::npos) end = mapText.size();
    std::string line = mapText.substr(pos, std::min(end - pos, kMapLineLimit - 1));
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();

    if (line.size() > 22 && line[5] == ':') {
      ReadSymbolLine(line, &tables);
    } else if (line.compare(0, 12, "Line numbers") == 0) {
      size_t open = line.find('(');
      size_t close = line.rfind(')');
      if (open == std::string::npos) {
        currentFile.clear();
      } else {
        size_t stop = close == std::string::npos || close < open ? line.size() : close;
        currentFile = line.substr(open + 1, stop - open - 1);
      }
    } else if (!currentFile.empty() && line.size() == 80) {
      ReadLineNumberRow(line, currentFile, &tables);
    }
  }
  return tables;
}

// The entry at or before the key, within the key's segment; null otherwise.
// An address in front of a segment's first entry belongs to none, and so does
// one past the table's last entry: nothing bounds that last symbol's extent,
// so naming it would guess.
template <typename Value>
const std::pair<const MapKey, Value>* EntryAtOrBefore(const std::map<MapKey, Value>& table, const MapKey& key) {
  auto it = table.lower_bound(key);
  if (it == table.end()) return nullptr;
  if (it->first == key) return &*it;
  if (it == table.begin()) return nullptr;
  --it;
  return it->first.first == key.first ? &*it : nullptr;
}

std::string Undecorate(const std::string& name) {
  int status = 0;
  char* readable = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
  std::string result = status == 0 && readable != nullptr ? readable : name;
  std::free(readable);
  return result;
}

std::string FirstMapFileInWorkingFolder() {
  DIR* folder = opendir(".");
  if (folder == nullptr) return std::string();
  std::string found;
  while (dirent* entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0) {
      found = name;
      break;
    }
  }
  closedir(folder);
  return found;
}

}  // namespace

void CrashReporter::ResolveWithMapFile(std::string& report) {
  std::string path = FirstMapFileInWorkingFolder();
  if (path.empty()) return;
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size <= 0 || size > kMapFileLimit) return;
  in.seekg(0);
  std::string text(static_cast<size_t>(size), '\0');
  in.read(&text[0], size);
  text.resize(static_cast<size_t>(in.gcount()));
  ResolveWithMapText(report, text);
}

void CrashReporter::ResolveWithMapText(std::string& report, const std::string& mapText) {
  MapTables tables = ReadMapTables(mapText);
  if (tables.functions.empty()) return;
  // The text grows as names go in, so its length is taken at every step.
  for (size_t colon = 0; colon < report.size(); ++colon) {
    if (report[colon] != ':' || colon < kSegmentDigits) continue;
    size_t start = colon - kSegmentDigits;
    size_t offsetLength = std::min(kOffsetDigits, report.size() - colon - 1);
    uint32_t segment = 0, offset = 0;
    if (!ParseHexField(report.substr(start, kSegmentDigits), &segment) ||
        !ParseHexField(report.substr(colon + 1, offsetLength), &offset))
      continue;
    const auto* function = EntryAtOrBefore(tables.functions, {segment, offset});
    if (function == nullptr) continue;
    std::string replacement = Undecorate(function->second);
    uint32_t displacement = offset - function->first.second;
    if (displacement != 0) replacement += FormatCrashText("+0x%X", displacement);
    if (const auto* line = EntryAtOrBefore(tables.lines, {segment, offset}))
      replacement += FormatCrashText("\r\n    %s line %d +0x%X", line->second.file.c_str(), line->second.line,
                                     offset - line->first.second);
    report.replace(start, kSegmentDigits + 1 + offsetLength, replacement);
    // On after the inserted text: a name that itself holds "xxxx:yyyyyyyy"
    // would otherwise be resolved again and again, growing without end.
    colon = start + replacement.size();
    if (colon != 0) --colon;  // the loop's step lands just after the text
  }
}

}  // namespace Kivo
