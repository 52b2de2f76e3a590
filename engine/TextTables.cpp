#include "engine/TextTables.h"

#include <cstdint>

#include "engine/WholeFile.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// UTF-16 little-endian code units to code points.
std::wstring DecodeUtf16Le(const unsigned char* bytes, std::size_t size) {
  std::wstring out;
  std::size_t units = size / 2;
  out.reserve(units);
  auto unitAt = [bytes](std::size_t i) -> std::uint32_t { return bytes[2 * i] | (bytes[2 * i + 1] << 8); };
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      std::uint32_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
        ++i;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = kReplacement;
    out.push_back(static_cast<wchar_t>(unit));
  }
  return out;
}

// One line, CRs already dropped: the escapes, then the split at the first TAB.
void AddLine(const std::wstring& line, std::vector<TextEntry>& entries) {
  std::wstring unescaped;
  unescaped.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == L'\\' && i + 1 < line.size() && line[i + 1] == L'n') {
      unescaped.push_back(L'\n');
      ++i;
    } else {
      unescaped.push_back(line[i]);
    }
  }
  std::size_t tab = unescaped.find(L'\t');
  if (tab == std::wstring::npos) return;
  entries.push_back(TextEntry{Narrow(unescaped.substr(0, tab)), unescaped.substr(tab + 1)});
}

}  // namespace

bool ParseTextTable(const char* bytes, std::size_t size, std::vector<TextEntry>& entries) {
  entries.clear();
  const auto* raw = reinterpret_cast<const unsigned char*>(bytes);
  if (size < 2 || raw[0] != 0xFF || raw[1] != 0xFE) return false;
  std::wstring text = DecodeUtf16Le(raw + 2, size - 2);
  std::wstring line;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    if (c == L'\n') {
      if (!line.empty()) AddLine(line, entries);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) AddLine(line, entries);
  return true;
}

bool TextTable::Load(const std::string& fileName) {
  // Built aside and swapped in whole, so a reader on another thread sees the
  // old table or the new one, never a half-filled one.
  WholeFile file{fileName, {}};
  auto entries = std::make_shared<std::vector<TextEntry>>();
  bool ok = LoadWholeFile(file) && ParseTextTable(file.data(), file.size(), *entries);
  std::lock_guard<std::mutex> lock(mMutex);
  if (ok) {
    mEntries = std::move(entries);
  } else {
    mEntries.reset();
  }
  return ok;
}

void TextTable::Clear() {
  std::lock_guard<std::mutex> lock(mMutex);
  mEntries.reset();
}

std::wstring TextTable::Get(const std::string& key) const {
  std::lock_guard<std::mutex> lock(mMutex);
  if (!mEntries) return std::wstring();
  for (const TextEntry& entry : *mEntries) {
    if (entry.key == key) return entry.text;
  }
  return std::wstring();
}

std::vector<TextEntry> TextTable::Entries() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mEntries ? *mEntries : std::vector<TextEntry>();
}

TextTable& GameTextTable() {
  static TextTable table;
  return table;
}

TextTable& GameDialogTable() {
  static TextTable table;
  return table;
}

bool LoadTextTable() { return GameTextTable().Load("data\\data.txt"); }
bool LoadDialogTable() { return GameDialogTable().Load("data\\dialog.txt"); }
std::wstring GetText(const std::string& key) { return GameTextTable().Get(key); }
std::wstring GetDialogText(const std::string& key) { return GameDialogTable().Get(key); }

}  // namespace Kivo
