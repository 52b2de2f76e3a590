// Feeds definitions taken from arbitrary bytes to the string table: records
// "id \0 UTF-16LE text" separated by 0xFF bytes, as a definitions reader
// would hand them over. Every defined id must then read back its last text;
// undefined ids give the default.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "shell/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::StringTable table;
  std::map<std::string, std::wstring> expected;
  size_t pos = 0;
  while (pos < size) {
    size_t end = pos;
    while (end < size && data[end] != 0xFF) ++end;
    std::string record(reinterpret_cast<const char*>(data + pos), end - pos);
    size_t split = record.find('\0');
    std::string id = record.substr(0, split);
    std::wstring text;
    if (split != std::string::npos) {
      for (size_t i = split + 1; i + 1 < record.size(); i += 2) {
        unsigned unit = static_cast<uint8_t>(record[i]) | (static_cast<uint8_t>(record[i + 1]) << 8);
        text.push_back(static_cast<wchar_t>(unit));
      }
    }
    table.Define(id, text);
    expected[id] = text;
    pos = end + 1;
  }
  if (table.Size() != expected.size()) std::abort();
  for (const auto& entry : expected)
    if (table.Lookup(entry.first, L"default") != entry.second) std::abort();
  if (!expected.count("\x01missing") && table.Lookup("\x01missing", L"default") != L"default") std::abort();
  return 0;
}
