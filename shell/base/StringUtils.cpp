#include "shell/base/StringUtils.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace Kivo {

namespace {

// Character tests on code values, so bytes above 127 (negative chars) and
// code points above 127 are never letters, digits or space.
template <typename C>
uint32_t Code(C c) {
  if constexpr (sizeof(C) == 1) {
    return static_cast<unsigned char>(c);
  } else {
    return static_cast<uint32_t>(c);
  }
}

template <typename C>
C UpperAscii(C c) {
  const uint32_t v = Code(c);
  return (v >= 'a' && v <= 'z') ? static_cast<C>(v - ('a' - 'A')) : c;
}

template <typename C>
C LowerAscii(C c) {
  const uint32_t v = Code(c);
  return (v >= 'A' && v <= 'Z') ? static_cast<C>(v + ('a' - 'A')) : c;
}

template <typename C>
bool IsSpaceAscii(C c) {
  const uint32_t v = Code(c);
  return v == ' ' || v == '\t' || v == '\n' || v == '\v' || v == '\f' || v == '\r';
}

template <typename S>
bool ParseIntT(const S& s, int32_t& out) {
  out = 0;
  if (s.empty()) return false;
  size_t k = 0;
  bool negative = false;
  if (Code(s[0]) == '-') {
    negative = true;
    k = 1;
  }
  uint32_t base = 10;
  uint32_t value = 0;
  for (; k < s.size(); ++k) {
    const uint32_t c = Code(s[k]);
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if ((c == 'x' || c == 'X') && k == 1 && value == 0 && base == 10) {
      base = 16;
      continue;
    } else {
      return false;
    }
    value = value * base + digit;
  }
  if (negative) value = 0u - value;
  out = static_cast<int32_t>(value);
  return true;
}

template <typename S>
bool ParseDoubleT(const S& s, double& out) {
  out = 0.0;
  if (s.empty()) return false;
  size_t k = 0;
  bool negative = false;
  if (Code(s[0]) == '-') {
    negative = true;
    k = 1;
  }
  double value = 0.0;
  for (; k < s.size(); ++k) {
    const uint32_t c = Code(s[k]);
    if (c == '.') break;
    if (c < '0' || c > '9') return false;
    value = value * 10.0 + static_cast<double>(c - '0');
  }
  if (k < s.size()) {
    double scale = 0.1;
    for (++k; k < s.size(); ++k) {
      const uint32_t c = Code(s[k]);
      if (c < '0' || c > '9') return false;
      value = value + static_cast<double>(c - '0') * scale;
      scale = scale / 10.0;
    }
  }
  out = negative ? -value : value;
  return true;
}

constexpr int kFirstBuffer = 160;
constexpr int kLargestBufferLimit = 1000000;

// Windows wide printf reads %s/%c as wide and %S/%C as narrow; glibc does the
// opposite, so the conversions are rewritten before formatting.
std::wstring RewriteWideFormat(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p;) {
    if (*p != L'%') {
      out += *p++;
      continue;
    }
    out += *p++;
    if (*p == L'%') {
      out += *p++;
      continue;
    }
    while (*p && std::wcschr(L"-+ #0123456789.*'$", *p)) out += *p++;
    bool narrowArg = false, wideArg = false;
    std::wstring length;
    for (;;) {
      if (*p == L'h') {
        narrowArg = true;
        length += *p++;
      } else if (*p == L'l' || *p == L'w') {
        wideArg = true;
        length += (*p == L'w') ? L'l' : *p;
        ++p;
      } else if (*p == L'I' && p[1] == L'6' && p[2] == L'4') {
        length += L"ll";
        p += 3;
      } else if (*p == L'I' && p[1] == L'3' && p[2] == L'2') {
        p += 3;
      } else if (*p && std::wcschr(L"Lqjzt", *p)) {
        length += *p++;
      } else {
        break;
      }
    }
    const wchar_t conv = *p;
    if (conv == L's' || conv == L'c' || conv == L'S' || conv == L'C') {
      const bool upper = (conv == L'S' || conv == L'C');
      const bool wide = wideArg || (!narrowArg && !upper);
      out += wide ? L"l" : L"";
      out += (conv == L's' || conv == L'S') ? L's' : L'c';
      ++p;
      continue;
    }
    out += length;
    if (conv) out += *p++;
  }
  return out;
}

}  // namespace

std::string ToUpper(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = UpperAscii(c);
  return r;
}

std::wstring ToUpperWide(const std::wstring& s) {
  std::wstring r = s;
  for (wchar_t& c : r) c = UpperAscii(c);
  return r;
}

std::string ToLower(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = LowerAscii(c);
  return r;
}

std::wstring Widen(const std::string& s) {
  std::wstring r(s.size(), L'\0');
  for (size_t i = 0; i < s.size(); ++i) r[i] = static_cast<wchar_t>(static_cast<unsigned char>(s[i]));
  return r;
}

std::string Narrow(const std::wstring& s) {
  std::string r(s.size(), '\0');
  for (size_t i = 0; i < s.size(); ++i) {
    const uint32_t v = Code(s[i]);
    if (v > 255) return std::string();
    r[i] = static_cast<char>(static_cast<unsigned char>(v));
  }
  return r;
}

std::string TrimSpaces(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && IsSpaceAscii(s[i])) ++i;
  size_t j = s.size();
  while (j > i && IsSpaceAscii(s[j - 1])) --j;
  return s.substr(i, j - i);
}

bool ParseInt(const std::string& s, int32_t& out) { return ParseIntT(s, out); }
bool ParseIntWide(const std::wstring& s, int32_t& out) { return ParseIntT(s, out); }
bool ParseDouble(const std::string& s, double& out) { return ParseDoubleT(s, out); }
bool ParseDoubleWide(const std::wstring& s, double& out) { return ParseDoubleT(s, out); }

namespace {
bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
}  // namespace

int32_t LeadingInt(const char* s) {
  if (!s) return 0;
  while (IsCSpace(*s)) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = (*s++ == '-');
  int64_t value = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    value = value * 10 + (*s - '0');
    if (value > int64_t(INT32_MAX) + 1) {
      value = int64_t(INT32_MAX) + 1;
      break;
    }
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return int32_t(value);
}

double LeadingDouble(const char* s) {
  if (!s) return 0.0;
  while (IsCSpace(*s)) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = (*s++ == '-');
  // One sign only: from_chars would take a '-' of its own ("+-5").
  if (*s == '+' || *s == '-') return 0.0;
  // from_chars never consults the locale.
  const char* end = s;
  while (*end) ++end;
  double value = 0.0;
  auto result = std::from_chars(s, end, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large keeps the sign as infinity; too small is zero.
    bool tiny = false;
    for (const char* p = s; p < result.ptr; ++p) {
      if (*p == 'e' || *p == 'E') {
        tiny = p[1] == '-';
        break;
      }
    }
    value = tiny ? 0.0 : HUGE_VAL;
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

std::wstring GroupThousands(int32_t value) {
  if (value == 0) return L"0";
  std::wstring r;
  int digits = 0;
  while (value > 0) {
    if (digits > 0 && digits % 3 == 0) r.insert(r.begin(), L',');
    r.insert(r.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
    ++digits;
  }
  return r;
}

std::string FormatTextV(const char* format, va_list args) {
  // Each attempt consumes its argument list, so every attempt gets a copy.
  char small[kFirstBuffer + 1];
  va_list attempt;
  va_copy(attempt, args);
  int n = std::vsnprintf(small, sizeof small, format, attempt);
  va_end(attempt);
  if (n < 0) return std::string();
  if (n <= kFirstBuffer) return std::string(small, static_cast<size_t>(n));

  int size = kFirstBuffer;
  std::vector<char> heap;
  while (n > size && size < kLargestBufferLimit) {
    size *= 2;
    heap.assign(static_cast<size_t>(size) + 1, '\0');
    va_copy(attempt, args);
    n = std::vsnprintf(heap.data(), heap.size(), format, attempt);
    va_end(attempt);
    if (n < 0) return std::string();
  }
  // Longer than the largest buffer: what fitted.
  return std::string(heap.data(), static_cast<size_t>(n <= size ? n : size));
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string r = FormatTextV(format, args);
  va_end(args);
  return r;
}

std::wstring FormatTextWideV(const wchar_t* format, va_list args) {
  const std::wstring rewritten = RewriteWideFormat(format);
  // vswprintf reports both truncation and failure as -1; only a failure
  // (an unconvertible argument, a rejected format) sets errno.
  auto attemptInto = [&](wchar_t* buffer, size_t capacity, bool& failed) {
    va_list attempt;
    va_copy(attempt, args);
    errno = 0;
    const int n = std::vswprintf(buffer, capacity, rewritten.c_str(), attempt);
    failed = (n < 0 && errno != 0);
    va_end(attempt);
    return n;
  };

  bool failed = false;
  wchar_t small[kFirstBuffer + 1];
  int n = attemptInto(small, kFirstBuffer + 1, failed);
  if (failed) return std::wstring();
  if (n >= 0 && n <= kFirstBuffer) return std::wstring(small, static_cast<size_t>(n));

  int size = kFirstBuffer;
  std::vector<wchar_t> heap;
  while ((n < 0 || n > size) && size < kLargestBufferLimit) {
    size *= 2;
    heap.assign(static_cast<size_t>(size) + 1, L'\0');
    n = attemptInto(heap.data(), heap.size(), failed);
    if (failed) return std::wstring();
  }
  if (n >= 0 && n <= size) return std::wstring(heap.data(), static_cast<size_t>(n));
  return std::wstring(heap.data(), std::wcslen(heap.data()));
}

std::wstring FormatTextWide(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring r = FormatTextWideV(format, args);
  va_end(args);
  return r;
}

std::wstring DecodeXmlEntities(const std::wstring& s) {
  static const struct {
    const wchar_t* name;
    wchar_t character;
  } kEntities[] = {{L"lt", L'<'},    {L"amp", L'&'},  {L"gt", L'>'}, {L"quot", L'"'},
                   {L"apos", L'\''}, {L"nbsp", L' '}, {L"cr", L'\n'}};
  std::wstring r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != L'&') {
      r += s[i++];
      continue;
    }
    const size_t end = s.find(L';', i);
    if (end == std::wstring::npos) {
      r += s[i++];
      continue;
    }
    const std::wstring name = s.substr(i + 1, end - i - 1);
    wchar_t replacement = L'&';
    for (const auto& e : kEntities) {
      if (name == e.name) {
        replacement = e.character;
        break;
      }
    }
    r += replacement;
    i = end + 1;
  }
  return r;
}

int FindIgnoreCase(const std::string& text, const std::string& pattern) {
  for (size_t i = 0; i < text.size(); ++i) {
    size_t j = 0;
    while (j < pattern.size() && i + j < text.size() && LowerAscii(text[i + j]) == LowerAscii(pattern[j])) ++j;
    if (j == pattern.size()) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace Kivo
