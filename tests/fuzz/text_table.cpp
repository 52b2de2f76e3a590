// Fuzz target: the input as a whole text-table file, every entry looked at.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/TextTables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<Kivo::TextEntry> entries;
  Kivo::ParseTextTable(reinterpret_cast<const char*>(data), size, entries);
  std::size_t total = 0;
  for (const Kivo::TextEntry& entry : entries) total += entry.key.size() + entry.text.size();
  return total == static_cast<std::size_t>(-1) ? 1 : 0;
}
