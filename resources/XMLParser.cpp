// The streaming XML reader: character decoding and the tag state machine.
#include "resources/XMLParser.h"

#include <cstdint>
#include <cstdio>

#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

bool IsHighSurrogate(unsigned u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(unsigned u) { return u >= 0xDC00 && u <= 0xDFFF; }

bool EndsWith(const std::wstring& s, wchar_t c) { return !s.empty() && s.back() == c; }

}  // namespace

bool IsXmlSpace(wchar_t c) { return c == L' ' || (c >= 0x09 && c <= 0x0D); }

XMLParser::XMLParser() = default;

XMLParser::~XMLParser() { CloseFile(); }

void XMLParser::CloseFile() {
  if (mFile) PakClose(mFile);
  mFile = nullptr;
}

void XMLParser::SelectEncoding(int code) {
  if (code < ENCODING_BYTES || code > ENCODING_UTF16_BE) return;
  mEncoding = static_cast<Encoding>(code);
  mEncodingForced = true;
}

bool XMLParser::OpenFile(const std::string& fileName) {
  CloseFile();
  mFile = PakOpen(fileName, "r");
  if (!mFile) {
    mLine = 0;
    RecordError(L"Unable to open file " + ToWide(fileName));
    return false;
  }
  if (!mEncodingForced) {
    // Only a byte-order mark selects a Unicode reader. The mark stays in the
    // stream (the reader drops it); seeking back to 0 needs no pushed-back
    // bytes and reads the same from an archive entry as from a file.
    mEncoding = ENCODING_BYTES;
    unsigned char bom[3] = {0, 0, 0};
    std::size_t n = PakRead(bom, 1, 3, mFile);
    if (n >= 2 && ((bom[0] == 0xFF && bom[1] == 0xFE) || (bom[0] == 0xFE && bom[1] == 0xFF)))
      mEncoding = ENCODING_UTF16;
    else if (n >= 3 && bom[0] == 0xEF && bom[1] == 0xBB && bom[2] == 0xBF)
      mEncoding = ENCODING_UTF8;
    PakSeek(mFile, 0, SEEK_SET);
  }
  mFileName = fileName;
  mPushedBack.clear();
  ResetState();
  return true;
}

void XMLParser::ResetState() {
  mSection.clear();
  mError.clear();
  mFailed = false;
  mLine = 1;
  mBomExpected = true;
  mSwapBytes = false;
}

void XMLParser::RecordError(const std::wstring& message) {
  mFailed = true;
  mError = message;
}

void XMLParser::StoreAttribute(XmlElementRecord* record, const std::wstring& name, const std::wstring& value) {
  record->attributes[name] = value;
}

void XMLParser::PushBack(const std::wstring& text) {
  for (auto it = text.rbegin(); it != text.rend(); ++it) mPushedBack.push_back(*it);
}

XMLParser::CharResult XMLParser::GetChar(wchar_t* c) {
  if (!mPushedBack.empty()) {
    *c = mPushedBack.back();
    mPushedBack.pop_back();
    return CharResult::kOk;
  }
  CharResult result = ReadRawChar(c);
  // Only characters from the file count; pushed-back ones were counted once.
  if (result == CharResult::kOk && *c == L'\n') ++mLine;
  return result;
}

XMLParser::CharResult XMLParser::ReadRawChar(wchar_t* c) {
  if (!mFile) return CharResult::kEnd;
  switch (mEncoding) {
    case ENCODING_BYTES: return ReadByteChar(c);
    case ENCODING_UTF8: return ReadUtf8Char(c);
    case ENCODING_UTF16: return ReadUtf16Char(c, false);
    case ENCODING_UTF16_LE: return ReadUtf16Char(c, false);
    case ENCODING_UTF16_BE: return ReadUtf16Char(c, true);
  }
  return CharResult::kEnd;
}

XMLParser::CharResult XMLParser::ReadByteChar(wchar_t* c) {
  unsigned char b;
  if (PakRead(&b, 1, 1, mFile) != 1) return CharResult::kEnd;
  *c = static_cast<wchar_t>(b);
  return CharResult::kOk;
}

XMLParser::CharResult XMLParser::ReadUtf8Char(wchar_t* c) {
  for (;;) {
    unsigned char b;
    if (PakRead(&b, 1, 1, mFile) != 1) return CharResult::kEnd;
    std::uint32_t value = b;
    if (b >= 0x80) {
      if ((b & 0xC0) == 0x80 || b >= 0xFC) return CharResult::kIllegal;
      int more = b >= 0xF8 ? 4 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
      value = b & (0x3Fu >> more);
      for (int i = 0; i < more; ++i) {
        unsigned char next;
        if (PakRead(&next, 1, 1, mFile) != 1 || (next & 0xC0) != 0x80) return CharResult::kIllegal;
        value = value << 6 | (next & 0x3Fu);
      }
      static const std::uint32_t kSmallest[5] = {0, 0x80, 0x800, 0x10000, 0x200000};
      if (value < kSmallest[more]) return CharResult::kIllegal;  // overlong form
      if ((value >= 0xD800 && value <= 0xDFFF) || value == 0xFFFE || value == 0xFFFF || value > 0x10FFFF)
        return CharResult::kIllegal;
    }
    if (value == 0xFEFF && mBomExpected) {
      mBomExpected = false;
      continue;
    }
    *c = static_cast<wchar_t>(value);
    return CharResult::kOk;
  }
}

bool XMLParser::ReadUnit(bool bigEndian, unsigned* unit) {
  unsigned char bytes[2];
  if (PakRead(bytes, 1, 2, mFile) != 2) return false;
  *unit = bigEndian ? (bytes[0] << 8 | bytes[1]) : (bytes[1] << 8 | bytes[0]);
  return true;
}

XMLParser::CharResult XMLParser::ReadUtf16Char(wchar_t* c, bool bigEndian) {
  const bool detect = mEncoding == ENCODING_UTF16;
  unsigned unit;
  if (!ReadUnit(bigEndian || mSwapBytes, &unit)) return CharResult::kEnd;
  if (detect && mBomExpected) {
    mBomExpected = false;
    if (unit == 0xFEFF || unit == 0xFFFE) {
      mSwapBytes = unit == 0xFFFE;
      if (!ReadUnit(mSwapBytes, &unit)) return CharResult::kEnd;
    }
  }
  if (IsLowSurrogate(unit)) return CharResult::kEnd;  // a pair cannot start here
  if (IsHighSurrogate(unit)) {
    unsigned low;
    if (!ReadUnit(bigEndian || mSwapBytes, &low) || !IsLowSurrogate(low)) return CharResult::kEnd;
    *c = static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    return CharResult::kOk;
  }
  *c = static_cast<wchar_t>(unit);
  return CharResult::kOk;
}

bool XMLParser::ReadNextElement(XmlElementRecord* record) {
  if (!record) return false;
  for (;;) {
    record->type = XmlElementRecord::TYPE_NONE;
    record->section = mSection;
    record->name.clear();
    record->value.clear();
    record->attributes.clear();

    bool inQuotes = false;
    bool pendingSpace = false;
    bool nameDone = false;
    bool equalsSeen = false;
    bool quoteClosed = false;
    std::wstring attrName;
    std::wstring attrValue;
    std::wstring lastStoredName;
    int& type = record->type;
    std::wstring& name = record->name;

    bool finished = false;
    while (!finished) {
      wchar_t c;
      CharResult got = GetChar(&c);
      if (got != CharResult::kOk) {
        if (got == CharResult::kIllegal) RecordError(L"Illegal Character");
        if (type != XmlElementRecord::TYPE_NONE) RecordError(L"Unexpected End of File");
        return false;
      }

      if (type == XmlElementRecord::TYPE_COMMENT) {
        std::wstring& v = record->value;
        v += c;
        if (c == L'>' && v.size() >= 3 && v[v.size() - 2] == L'-' && v[v.size() - 3] == L'-') {
          v.resize(v.size() - 3);
          finished = true;
        }
        continue;
      }

      if (type == XmlElementRecord::TYPE_INSTRUCTION) {
        std::wstring& target = (!record->value.empty() || IsXmlSpace(c)) ? record->value : name;
        target += c;
        if (c == L'>' && target.size() >= 2 && target[target.size() - 2] == L'?') {
          target.resize(target.size() - 2);
          finished = true;
        }
        continue;
      }

      bool content = false;
      if (c == L'"') {
        inQuotes = !inQuotes;
        if (!inQuotes) quoteClosed = true;
        content = type == XmlElementRecord::TYPE_NONE || type == XmlElementRecord::TYPE_TEXT;
      } else if (inQuotes) {
        content = true;
      } else if (c == L'<') {
        if (type == XmlElementRecord::TYPE_TEXT) {
          PushBack(L"<");
          finished = true;
        } else if (type == XmlElementRecord::TYPE_NONE) {
          type = XmlElementRecord::TYPE_START;
        } else {
          RecordError(L"Unexpected '<'");
          return false;
        }
      } else if (c == L'>') {
        if (type == XmlElementRecord::TYPE_START) {
          bool empty = false;
          if (attrName == L"/") {
            empty = true;
          } else if (!equalsSeen && attrName.size() > 1 && EndsWith(attrName, L'/')) {
            // A value-less attribute written against the closing slash
            // (<Image nopal/>): the slash ends the element, it is not part
            // of the name.
            attrName.pop_back();
            StoreAttribute(record, DecodeXmlEntities(attrName), std::wstring());
            empty = true;
          } else {
            if (!attrName.empty()) {
              lastStoredName = DecodeXmlEntities(attrName);
              StoreAttribute(record, lastStoredName, DecodeXmlEntities(attrValue));
            }
            if (!lastStoredName.empty()) {
              std::wstring stored = record->attributes[lastStoredName];
              if (EndsWith(stored, L'/')) {
                stored.pop_back();
                StoreAttribute(record, lastStoredName, DecodeXmlEntities(stored));
                empty = true;
              }
            } else if (EndsWith(name, L'/')) {
              name.pop_back();
              empty = true;
            }
          }
          // An empty element is followed by its own end tag, read next.
          if (empty) PushBack(L"</" + name + L">");
          if (!mSection.empty()) mSection += L'/';
          mSection += name;
          finished = true;
        } else if (type == XmlElementRecord::TYPE_END) {
          std::size_t slash = mSection.rfind(L'/');
          if (slash == std::wstring::npos && mSection.empty()) {
            RecordError(L"Unexpected End");
            return false;
          }
          std::wstring open = slash == std::wstring::npos ? mSection : mSection.substr(slash + 1);
          if (open != name) {
            RecordError(L"End '" + name + L"' Doesn't Match Start '" + open + L"'");
            return false;
          }
          mSection.erase(slash == std::wstring::npos ? 0 : slash);
          finished = true;
        } else {
          RecordError(L"Unexpected '>'");
          return false;
        }
      } else if (c == L'/' && type == XmlElementRecord::TYPE_START && name.empty()) {
        type = XmlElementRecord::TYPE_END;
      } else if (c == L'?' && type == XmlElementRecord::TYPE_START && name.empty()) {
        type = XmlElementRecord::TYPE_INSTRUCTION;
      } else if (IsXmlSpace(c)) {
        if (!name.empty()) pendingSpace = true;
        if (type == XmlElementRecord::TYPE_START && name == L"!--") type = XmlElementRecord::TYPE_COMMENT;
      } else if (c <= 0x20) {
        RecordError(L"Illegal Character");
        return false;
      } else {
        content = true;
      }
      if (!content) continue;

      if (type == XmlElementRecord::TYPE_NONE) type = XmlElementRecord::TYPE_TEXT;
      if (type == XmlElementRecord::TYPE_START) {
        if (pendingSpace) {
          if (!nameDone) {
            nameDone = true;
            equalsSeen = false;
          } else if ((!equalsSeen && c != L'=') || (equalsSeen && (!attrValue.empty() || quoteClosed))) {
            StoreAttribute(record, DecodeXmlEntities(attrName), DecodeXmlEntities(attrValue));
            attrName.clear();
            attrValue.clear();
            lastStoredName.clear();
            equalsSeen = false;
          }
          pendingSpace = false;
        }
        if (!nameDone) {
          name += c;
        } else if (c == L'=' && !inQuotes) {
          equalsSeen = true;
          quoteClosed = false;
        } else if (!equalsSeen) {
          attrName += c;
        } else {
          attrValue += c;
        }
      } else {
        if (pendingSpace) {
          name += L' ';
          pendingSpace = false;
        }
        name += c;
      }
    }

    name = DecodeXmlEntities(name);
    if (type != XmlElementRecord::TYPE_COMMENT) return true;
  }
}

}  // namespace Kivo
