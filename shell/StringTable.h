// The table of user-visible texts: an exact, case-sensitive map from an
// upper-case id to a wide text. Callers always pass a default, so a missing
// id is never an error; a game or a translation replaces wording by defining
// the id. Ids and texts may hold any bytes or code points (they come from
// data files); nothing is interpreted.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace Kivo {

class StringTable {
 public:
  // The table's text for id, or a copy of defaultText when it has none.
  std::wstring Lookup(const std::string& id, const std::wstring& defaultText) const;
  // Adds the id, or replaces its text when it is already there.
  void Define(const std::string& id, const std::wstring& text);
  bool Contains(const std::string& id) const { return mEntries.count(id) != 0; }
  size_t Size() const { return mEntries.size(); }
  const std::map<std::string, std::wstring>& Entries() const { return mEntries; }

 private:
  std::map<std::string, std::wstring> mEntries;
};

// The texts the application object defines at construction, in order.
struct DefaultText {
  const char* id;
  const wchar_t* text;
};
extern const DefaultText kDefaultTexts[8];

}  // namespace Kivo
