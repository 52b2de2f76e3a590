#include "engine/SettingsFile.h"

#include <mutex>

#include "engine/WholeFile.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

bool IsIniSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A name candidate read from the file against the wanted name: the same
// length, and its non-white-space characters equal the name's from the first
// on. Only the first name.size() + 1 characters of a candidate are kept; the
// length is counted in full.
class NameCandidate {
 public:
  explicit NameCandidate(const std::string& name) : mName(name) {}
  void Clear() {
    mText.clear();
    mLength = 0;
  }
  void Add(char c) {
    ++mLength;
    if (mText.size() <= mName.size()) mText.push_back(c);
  }
  bool Matches() const {
    if (mLength != mName.size()) return false;
    std::size_t next = 0;
    for (char c : mText) {
      if (IsIniSpace(c)) continue;
      if (c != mName[next]) return false;
      ++next;
    }
    return true;
  }

 private:
  const std::string& mName;
  std::string mText;
  std::size_t mLength = 0;
};

// Offset just past the closing bracket of the first matching header, or
// size + 1 when there is none.
std::size_t FindSection(const char* data, std::size_t size, const std::string& section) {
  NameCandidate candidate(section);
  bool collecting = false;
  for (std::size_t i = 0; i < size; ++i) {
    char c = data[i];
    if (c == '[') {
      collecting = true;
      candidate.Clear();
    } else if (collecting && c == ']') {
      if (candidate.Matches()) return i + 1;
      collecting = false;
    } else if (collecting) {
      candidate.Add(c);
    }
  }
  return size + 1;
}

// Offset just past the '=' of the key, or size + 1 when the search ends
// without it (end of the contents or a '[').
std::size_t FindKey(const char* data, std::size_t size, std::size_t start, const std::string& key) {
  NameCandidate candidate(key);
  bool lineStart = true;
  bool restOfLineIsValue = false;
  for (std::size_t i = start; i < size; ++i) {
    char c = data[i];
    if (c == '[') break;
    if (c == '\n') {
      candidate.Clear();
      lineStart = true;
      restOfLineIsValue = false;
      continue;
    }
    if (restOfLineIsValue) continue;
    if (lineStart && IsIniSpace(c)) continue;
    lineStart = false;
    if (c == '=') {
      if (candidate.Matches()) return i + 1;
      restOfLineIsValue = true;
      continue;
    }
    candidate.Add(c);
  }
  return size + 1;
}

struct SettingsCache {
  std::mutex mutex;
  WholeFile file;
};

SettingsCache& TheSettingsCache() {
  static SettingsCache cache;
  return cache;
}

}  // namespace

int IniFindValue(const char* data, std::size_t size, const std::string& section, const std::string& key,
                 std::size_t limit, std::string& value) {
  value.clear();
  std::size_t sectionStart = FindSection(data, size, section);
  if (sectionStart > size) return kIniNoSection;
  std::size_t valueStart = FindKey(data, size, sectionStart, key);
  if (valueStart > size) return kIniNoKey;
  while (valueStart < size && IsIniSpace(data[valueStart])) ++valueStart;
  std::size_t valueEnd = valueStart;
  while (valueEnd < size && data[valueEnd] != '\r' && data[valueEnd] != '\n') ++valueEnd;
  if (valueEnd - valueStart > limit) return kIniNoKey;
  value.assign(data + valueStart, valueEnd - valueStart);
  return kIniFound;
}

int IniReadString(const std::string& file, const std::string& section, const std::string& key, std::string& value,
                  std::size_t limit) {
  value.clear();
  SettingsCache& cache = TheSettingsCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (cache.file.size() == 0 || cache.file.name != file) {
    FreeWholeFile(cache.file);
    cache.file.name = file;
    if (!LoadWholeFile(cache.file)) return kIniNoFile;
  }
  return IniFindValue(cache.file.data(), cache.file.size(), section, key, limit, value);
}

bool IniReadInt(const std::string& file, const std::string& section, const std::string& key, int* value) {
  constexpr std::size_t kIntValueLimit = 10;
  std::string text;
  if (IniReadString(file, section, key, text, kIntValueLimit) != kIniFound) return true;
  *value = LeadingInt(text.c_str());
  return false;
}

void FreeIniFile() {
  SettingsCache& cache = TheSettingsCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  FreeWholeFile(cache.file);
  cache.file.name.clear();
}

}  // namespace Kivo
