// Runs the XML reader over a document held in memory and describes what it
// delivered in one line, so that tests read as tables of input -> outcome.
//
// Each element: start "<name>" with "{k=v,...}" when it has attributes, end
// "</name>", text "'text'", instruction "<?target|value?>"; "@section" follows
// when the section is not empty. The end of reading adds " !message@line"
// when the reader reported an error.
#pragma once

#include <string>
#include <vector>

#include "resources/FileApi.h"
#include "resources/XMLParser.h"

namespace xmltest {

inline std::wstring Describe(const Kivo::XmlElementRecord& r) {
  std::wstring out;
  switch (r.type) {
    case Kivo::XmlElementRecord::TYPE_START: out = L"<" + r.name + L">"; break;
    case Kivo::XmlElementRecord::TYPE_END: out = L"</" + r.name + L">"; break;
    case Kivo::XmlElementRecord::TYPE_TEXT: out = L"'" + r.name + L"'"; break;
    case Kivo::XmlElementRecord::TYPE_INSTRUCTION: out = L"<?" + r.name + L"|" + r.value + L"?>"; break;
    default: out = L"<type " + std::to_wstring(r.type) + L">"; break;
  }
  if (!r.attributes.empty()) {
    out += L"{";
    bool first = true;
    for (const auto& a : r.attributes) {
      if (!first) out += L",";
      out += a.first + L"=" + a.second;
      first = false;
    }
    out += L"}";
  }
  if (!r.section.empty()) out += L"@" + r.section;
  return out;
}

// Reads the named document to the end.
inline std::wstring ParseFile(const std::string& name, int encoding = -1) {
  Kivo::XMLParser parser;
  if (encoding >= 0) parser.SelectEncoding(encoding);
  std::wstring out;
  if (parser.OpenFile(name)) {
    Kivo::XmlElementRecord record;
    int guard = 0;
    while (parser.ReadNextElement(&record) && ++guard < 10000) {
      if (!out.empty()) out += L" ";
      out += Describe(record);
    }
  }
  if (parser.IsInError()) {
    if (!out.empty()) out += L" ";
    out += L"!" + parser.GetErrorMessage() + L"@" + std::to_wstring(parser.GetLineNumber());
  }
  return out;
}

// Reads the bytes as a document (an in-memory file of the process's archive
// object, plain bytes).
inline std::wstring Parse(const std::string& bytes, int encoding = -1) {
  const char* name = "xmltest/document.xml";
  Kivo::gPakInterface->AddMemoryFile(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return ParseFile(name, encoding);
}

inline std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string out;
  for (char16_t u : text) {
    char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

}  // namespace xmltest
