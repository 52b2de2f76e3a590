// UTF-8, UTF-16 and byte-wise conversions.
#include "platform/Text.h"

namespace Platform {

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one code point at `pos`; false (and pos advanced by one) on a
// malformed sequence.
bool DecodeUtf8(const std::string& s, size_t& pos, std::uint32_t* cp) {
  unsigned char c = static_cast<unsigned char>(s[pos]);
  int extra;
  std::uint32_t value, minimum;
  if (c < 0x80) {
    *cp = c;
    ++pos;
    return true;
  } else if ((c & 0xE0) == 0xC0) {
    extra = 1, value = c & 0x1F, minimum = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, value = c & 0x0F, minimum = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, value = c & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return false;
  }
  if (pos + static_cast<size_t>(extra) >= s.size()) {
    ++pos;
    return false;
  }
  for (int i = 1; i <= extra; ++i) {
    unsigned char next = static_cast<unsigned char>(s[pos + static_cast<size_t>(i)]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return false;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++pos;
    return false;
  }
  pos += static_cast<size_t>(extra) + 1;
  *cp = value;
  return true;
}

}  // namespace

std::string NarrowToUtf8(const std::string& narrow) {
  std::string out;
  for (unsigned char c : narrow) AppendUtf8(out, c);
  return out;
}

std::string WideToUtf8(const std::wstring& wide) {
  std::string out;
  for (wchar_t c : wide) AppendUtf8(out, static_cast<std::uint32_t>(c));
  return out;
}

std::wstring Utf8ToWide(const std::string& utf8) {
  std::wstring out;
  size_t pos = 0;
  while (pos < utf8.size()) {
    std::uint32_t cp;
    if (DecodeUtf8(utf8, pos, &cp)) out += static_cast<wchar_t>(cp);
  }
  return out;
}

std::vector<std::uint16_t> Utf8ToUtf16(const std::string& utf8) {
  std::vector<std::uint16_t> out;
  size_t pos = 0;
  while (pos < utf8.size()) {
    std::uint32_t cp;
    if (!DecodeUtf8(utf8, pos, &cp)) continue;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<std::uint16_t>(cp));
    }
  }
  return out;
}

}  // namespace Platform
