// The two text tables every shown text comes from: "data\data.txt" (captions,
// buttons, goals, messages) and "data\dialog.txt" (conversation lines).
//
// Format: the byte-order mark FF FE, then UTF-16 little-endian; surrogate
// pairs become one code point, a lone surrogate becomes U+FFFD and an odd
// last byte is ignored. Lines end at LF, every CR is dropped, a last line
// without LF counts. In a line, backslash + 'n' becomes a line break. A line
// is split at its first TAB into key and text (later TABs stay in the text);
// lines without a TAB are ignored. Keys are narrowed byte-wise, so a key with
// a character above U+00FF becomes empty and is never found by its own name.
// Duplicate keys stay in the table; lookups find the first.
//
// The tables are read by the loading thread while the main thread looks up
// texts: each table has its own lock, a reload builds the new entries aside
// and swaps them in whole, and lookups hand back copies.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Kivo {

struct TextEntry {
  std::string key;
  std::wstring text;
};

// Parses a whole text-table file. False (and no entries) without the
// byte-order mark or on an empty input.
bool ParseTextTable(const char* bytes, std::size_t size, std::vector<TextEntry>& entries);

class TextTable {
 public:
  // Empties the table, then reads the file. False when the file cannot be
  // read, is empty or lacks the byte-order mark; the table then stays empty.
  bool Load(const std::string& fileName);
  void Clear();
  // The text of the first entry whose key equals key exactly; "" when none.
  std::wstring Get(const std::string& key) const;
  std::vector<TextEntry> Entries() const;

 private:
  mutable std::mutex mMutex;
  std::shared_ptr<const std::vector<TextEntry>> mEntries;
};

// The game's two tables.
TextTable& GameTextTable();
TextTable& GameDialogTable();

bool LoadTextTable();    // "data\data.txt"
bool LoadDialogTable();  // "data\dialog.txt"
std::wstring GetText(const std::string& key);
std::wstring GetDialogText(const std::string& key);

}  // namespace Kivo
