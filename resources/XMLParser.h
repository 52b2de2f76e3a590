// A small streaming XML reader for the resource manifest and the XML scenes.
//
// It hands out one element at a time (start tags with their attributes, end
// tags, text, processing instructions) with the slash-separated path of the
// elements open around it. The files it reads were written for its rules,
// which are lenient in places (unquoted attribute values, attributes without
// a value, single quotes kept as part of a value) and strict in others (a '>'
// in text, a control character outside quotes). Only double quotes delimit.
// Text runs of white space collapse to one space; leading and trailing white
// space is dropped. Entities are the seven named ones (lt gt amp quot apos
// nbsp cr); numeric references are not recognised.
//
// Input is read through the file API, so a document reads the same from a
// folder and from an archive. Encodings: single bytes (no code page), UTF-8,
// UTF-16 little- or big-endian; without a forced encoding, a UTF-16 or UTF-8
// byte-order mark selects the reader and anything else is read as single
// bytes. Characters are Unicode code points (surrogate pairs and 4-byte UTF-8
// give one). Failures are reported, never thrown: ReadNextElement returns
// false and IsInError, GetErrorMessage and GetLineNumber tell what and where.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "resources/FileApi.h"

namespace Kivo {

struct XmlElementRecord {
  enum {
    TYPE_NONE = 0,
    TYPE_START = 1,
    TYPE_END = 2,
    TYPE_TEXT = 3,
    TYPE_INSTRUCTION = 4,
    TYPE_COMMENT = 5,
  };

  int type = TYPE_NONE;
  // The names of the open elements joined by "/" when this element began.
  std::wstring section;
  // Start and end: the element name; text: the text; instruction: the target.
  std::wstring name;
  // Instruction: the rest of the instruction; empty otherwise.
  std::wstring value;
  // Start elements only; entity-decoded.
  std::map<std::wstring, std::wstring> attributes;
};

class XMLParser {
 public:
  enum Encoding {
    ENCODING_BYTES = 0,
    ENCODING_UTF8 = 1,
    ENCODING_UTF16 = 2,  // byte-order mark decides, little-endian without one
    ENCODING_UTF16_LE = 3,
    ENCODING_UTF16_BE = 4,
  };

  XMLParser();
  virtual ~XMLParser();
  XMLParser(const XMLParser&) = delete;
  XMLParser& operator=(const XMLParser&) = delete;

  // Forces an encoding (0-4) for the next OpenFile, which then no longer
  // looks for a byte-order mark; other codes change nothing.
  void SelectEncoding(int code);
  // Opens the file through PakOpen. False with "Unable to open file <name>"
  // and line 0 when it cannot be opened.
  bool OpenFile(const std::string& fileName);
  // True with the next element; false at the end of the input or on an error.
  bool ReadNextElement(XmlElementRecord* record);

  bool IsInError() const { return mFailed; }
  const std::wstring& GetErrorMessage() const { return mError; }
  int GetLineNumber() const { return mLine; }
  const std::string& GetSourcePath() const { return mFileName; }

 private:
  enum class CharResult { kOk, kEnd, kIllegal };

  CharResult GetChar(wchar_t* c);
  CharResult ReadRawChar(wchar_t* c);
  CharResult ReadByteChar(wchar_t* c);
  CharResult ReadUtf8Char(wchar_t* c);
  CharResult ReadUtf16Char(wchar_t* c, bool bigEndian);
  bool ReadUnit(bool bigEndian, unsigned* unit);
  void PushBack(const std::wstring& text);
  void RecordError(const std::wstring& message);
  void ResetState();
  void CloseFile();
  static void StoreAttribute(XmlElementRecord* record, const std::wstring& name, const std::wstring& value);

  std::string mFileName;
  PakFile* mFile = nullptr;
  std::wstring mError;
  bool mFailed = false;
  int mLine = 0;
  std::vector<wchar_t> mPushedBack;  // read before the file, last pushed first
  std::wstring mSection;
  Encoding mEncoding = ENCODING_UTF8;
  bool mEncodingForced = false;
  bool mBomExpected = false;
  bool mSwapBytes = false;
};

// The fixed set of white space the reader uses, independent of the locale:
// tab, line feed, vertical tab, form feed, carriage return and space.
bool IsXmlSpace(wchar_t c);

}  // namespace Kivo
