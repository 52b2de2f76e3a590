// Descriptor files: UTF-16LE text made of commands, each a list of tokens and
// parenthesised lists, with a table of named values (defines) that later
// commands may refer to.
//
// The parser splits a file into commands (';' ends one outside quotes, '#'
// as the first non-blank character of a line starts a comment), turns each
// command into a tree of DataElement values and hands it to the virtual
// HandleCommand; it knows no command itself. Files are read through the file
// API, so descriptors may lie in an archive. Surrogate pairs are joined, so
// one character of the language is one code point.
//
// Failures: every message goes through the virtual Error, and the first
// failing command stops the load. Lists nest at most kMaxListDepth deep,
// whether written or built through defines; deeper ones fail the command
// with "Unterminated List", so no input can exhaust the stack.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Kivo {

class DataElement {
 public:
  explicit DataElement(bool list) : mIsList(list) {}
  virtual ~DataElement() = default;
  virtual DataElement* Clone() const = 0;

  bool IsList() const { return mIsList; }

 private:
  bool mIsList;
};

class SingleDataElement : public DataElement {
 public:
  SingleDataElement() : DataElement(false) {}
  explicit SingleDataElement(std::wstring text) : DataElement(false), mText(std::move(text)) {}
  DataElement* Clone() const override { return new SingleDataElement(mText); }

  std::wstring mText;
};

class ListDataElement : public DataElement {
 public:
  ListDataElement() : DataElement(true) {}
  ListDataElement(const ListDataElement& other);
  ListDataElement& operator=(const ListDataElement& other) = delete;
  ~ListDataElement() override;
  DataElement* Clone() const override { return new ListDataElement(*this); }

  // Deletes the own children, then appends clones of the other's.
  void AssignFrom(const ListDataElement& other);
  void Clear();
  // Takes ownership.
  void Append(DataElement* element) { mChildren.push_back(element); }
  size_t Size() const { return mChildren.size(); }
  DataElement* At(size_t i) const { return mChildren[i]; }

  std::vector<DataElement*> mChildren;  // owned
};

// Nesting depth of lists below (and including) the element: 0 for a token.
int ListDepth(const DataElement* element);

constexpr int kMaxListDepth = 256;

class DescParser {
 public:
  // Bit 1 of the command-mode flags: ';' outside quotes ends a command.
  static constexpr int32_t kSemicolonEndsCommand = 1;

  DescParser();
  DescParser(const DescParser&) = delete;
  DescParser& operator=(const DescParser&) = delete;

  // Stores the message as the error text; always false.
  virtual bool Error(const std::string& message);
  // The value stored under the upper-cased name, or null.
  virtual DataElement* FindDefine(const std::wstring& name) const;
  virtual bool HandleCommand(ListDataElement& command) = 0;
  virtual ~DescParser();

  // Runs every command of the file. False, with no message, when the file
  // does not open; false when a command failed (the ones before it keep
  // their effects).
  bool LoadDescriptor(const std::string& fileName);
  // Runs the commands of UTF-16LE bytes already in memory, as LoadDescriptor
  // does for a file.
  bool LoadDescriptorBytes(const uint8_t* data, size_t size);

  bool RunCommand(const std::wstring& text);

  // Reading values. To fail is to return false.
  static bool IsImmediate(const std::wstring& token);
  static std::wstring Unquote(const std::wstring& token);
  bool ExpandValues(const ListDataElement& list, ListDataElement& out);
  static std::wstring ElementToText(const DataElement* element);
  bool GetString(const DataElement* element, std::wstring& out);
  bool GetStringVector(const DataElement* element, std::vector<std::wstring>& out);
  bool GetList(const DataElement* element, ListDataElement& out);
  bool GetIntVector(const DataElement* element, std::vector<int32_t>& out);
  bool GetDoubleVector(const DataElement* element, std::vector<double>& out);

  // Deletes every define value; the names stay, without values.
  void ClearDefines();
  // Replaces the define of the upper-cased name; takes ownership of value.
  void SetDefine(const std::wstring& name, DataElement* value);
  // Deletes the value of the upper-cased name (the name stays).
  void DeleteDefine(const std::wstring& name);

  const std::string& GetErrorText() const { return mErrorText; }
  int32_t GetLineNumber() const { return mLineNumber; }
  const std::wstring& GetCommandText() const { return mCommandText; }

 protected:
  // Splits the command text into the top-level list.
  bool TokenizeList(const std::wstring& text, ListDataElement& out);

  int32_t mCommandFlags = kSemicolonEndsCommand;
  std::string mErrorText;
  int32_t mLineNumber = 0;
  std::wstring mCommandText;
  std::map<std::wstring, std::unique_ptr<DataElement>> mDefines;

 private:
  class UnitSource;
  bool RunUnits(UnitSource& source);
  bool ExpandAtDepth(const ListDataElement& list, ListDataElement& out, int depth);
};

}  // namespace Kivo
