// Text form of a registry key's values: parsing and formatting.
#include <cstdio>

#include "platform/Registry.h"

namespace Platform {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// '#' is escaped too, since a line starting with it would read as a comment.
bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '%' || c == '#' || c == 0x7F; }

std::string EscapeName(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool UnescapeName(const std::string& text, std::string* name) {
  name->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
      if (hi < 0 || lo < 0) return false;
      *name += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else if (c < 0x20 || c == 0x7F) {
      return false;  // a raw control byte means the line was damaged
    } else {
      *name += static_cast<char>(c);
    }
  }
  return true;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// One line (without its end) into a value; a message on failure.
bool ParseLine(const std::string& line, RegistryValue* value, std::string* error) {
  size_t tab1 = line.find('\t');
  size_t tab2 = tab1 == std::string::npos ? std::string::npos : line.find('\t', tab1 + 1);
  if (tab2 == std::string::npos || line.find('\t', tab2 + 1) != std::string::npos) {
    *error = "expected name, type and bytes separated by tabs";
    return false;
  }
  if (!UnescapeName(line.substr(0, tab1), &value->name)) {
    *error = "bad escape in value name";
    return false;
  }
  std::string type = line.substr(tab1 + 1, tab2 - tab1 - 1);
  if (type.empty() || type.size() > 10) {
    *error = "bad value type";
    return false;
  }
  std::uint64_t typeNumber = 0;
  for (char c : type) {
    if (c < '0' || c > '9') {
      *error = "bad value type";
      return false;
    }
    typeNumber = typeNumber * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (typeNumber > 0xFFFFFFFFull) {
    *error = "value type out of range";
    return false;
  }
  value->type = static_cast<DWORD>(typeNumber);
  size_t hexLength = line.size() - tab2 - 1;
  if (hexLength % 2 != 0) {
    *error = "odd number of hex digits";
    return false;
  }
  if (hexLength / 2 > kMaxRegistryValueBytes) {
    *error = "value too large";
    return false;
  }
  value->bytes.clear();
  value->bytes.reserve(hexLength / 2);
  for (size_t i = tab2 + 1; i + 1 < line.size(); i += 2) {
    int hi = HexDigit(line[i]), lo = HexDigit(line[i + 1]);
    if (hi < 0 || lo < 0) {
      *error = "bad hex digit";
      return false;
    }
    value->bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return true;
}

}  // namespace

void ParseRegistryText(const std::string& text, std::vector<RegistryValue>* values, std::vector<std::string>* errors) {
  values->clear();
  size_t pos = 0;
  int lineNumber = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    RegistryValue value;
    std::string error;
    if (!ParseLine(line, &value, &error)) {
      if (errors) errors->push_back("line " + std::to_string(lineNumber) + ": " + error);
      continue;
    }
    bool replaced = false;
    for (RegistryValue& existing : *values) {
      if (SameName(existing.name, value.name)) {
        existing.type = value.type;
        existing.bytes = std::move(value.bytes);
        replaced = true;
        break;
      }
    }
    if (!replaced) values->push_back(std::move(value));
  }
}

std::string FormatRegistryText(const std::vector<RegistryValue>& values) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "# registry values: name, type, bytes in hex\n";
  for (const RegistryValue& value : values) {
    out += EscapeName(value.name);
    out += '\t';
    out += std::to_string(value.type);
    out += '\t';
    for (std::uint8_t b : value.bytes) {
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
    out += '\n';
  }
  return out;
}

}  // namespace Platform
