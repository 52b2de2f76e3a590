// Writers of the game's text data files: UTF-16 text tables, the settings
// file and line scripts. They are the only way the project makes these files
// (sample data, test fixtures), so each refuses what the game's readers
// could not read back unchanged; a refusal leaves the writer as it was and
// says why.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace Kivo {

// Writes bytes to a file of the sample folder, making its folders; false
// with "cannot write <path>" when any step fails.
bool WriteSampleFile(const std::filesystem::path& path, const std::string& bytes, std::string* error);
// The same for a picture, written as PNG through the project's own writer.
bool WriteSamplePicture(const std::filesystem::path& path, const ImageLib::Image& image, std::string* error);

// "key<TAB>text" lines after the byte-order mark FF FE, UTF-16 little-endian,
// CR LF line ends, a line break inside a text written as backslash + 'n'.
class TextTableWriter {
 public:
  // Refuses keys that are repeated or hold TAB, CR, LF, a backslash + 'n'
  // or characters above U+007F, and texts that hold CR, a backslash + 'n',
  // surrogates or code points above U+10FFFF.
  bool Add(const std::string& key, const std::wstring& text, std::string* error);
  std::string Bytes() const;
  const std::vector<std::pair<std::string, std::wstring>>& Entries() const { return mEntries; }

 private:
  std::vector<std::pair<std::string, std::wstring>> mEntries;
};

// "[section]" headers and "key=value" lines, CR LF line ends.
class SettingsWriter {
 public:
  // Refuses empty or repeated names and names holding white space, '[',
  // ']' or (keys) '='.
  bool Section(const std::string& name, std::string* error);
  // Into the last section. Also refuses empty values and values that start
  // with white space or hold CR, LF or '['.
  bool Set(const std::string& key, const std::string& value, std::string* error);
  std::string Bytes() const;

  struct Entry {
    std::string key;
    std::string value;
  };
  struct SectionEntries {
    std::string name;
    std::vector<Entry> entries;
  };
  const std::vector<SectionEntries>& Sections() const { return mSections; }

 private:
  std::vector<SectionEntries> mSections;
};

// One argument of a script command line.
struct ScriptArg {
  enum Kind { kText, kInt, kFloat };
  Kind kind = kText;
  std::string text;
  std::int32_t integer = 0;
  float number = 0.0f;

  static ScriptArg Text(std::string value);
  static ScriptArg Int(std::int32_t value);
  static ScriptArg Float(float value);
  // As written: a text in double quotes, numbers in the C locale's shortest
  // form that reads back to the same value.
  std::string Written() const;
};

// Command lines, labels and assignments, one per line, CR LF line ends.
class ScriptWriter {
 public:
  // Refuse empty names and names holding '(', ':', '=', '"' or white space;
  // texts holding a double quote, CR, LF or a zero byte; numbers that are
  // not finite; assignment values that hold CR, LF or a zero byte or end in
  // a blank.
  bool Command(const std::string& name, const std::vector<ScriptArg>& args, std::string* error);
  bool Label(const std::string& name, std::string* error);
  bool Assign(const std::string& name, const std::string& value, std::string* error);
  // The lines as the script reader will give them back.
  const std::vector<std::string>& Lines() const { return mLines; }
  // The arguments of each line (empty for labels and assignments).
  const std::vector<std::vector<ScriptArg>>& LineArgs() const { return mLineArgs; }
  std::string Bytes() const;

 private:
  void AddLine(std::string line, std::vector<ScriptArg> args);

  std::vector<std::string> mLines;
  std::vector<std::vector<ScriptArg>> mLineArgs;
};

}  // namespace Kivo
