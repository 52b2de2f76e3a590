#include "levels/DataFormat.h"

#include <cstdint>
#include <vector>

#include "levels/LevelContext.h"

namespace Kivo {

namespace {

constexpr int kMaxField = 999;

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// Each rejected format is logged once, not on every update.
void ReportOnce(const std::wstring& format) {
  LevelContext& context = CurrentLevelContext();
  if (context.FirstReportOf(format)) context.Log("level: text format \"" + Narrow(format) + "\" printed literally");
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A decimal field of at most kMaxField; false when it is longer.
bool ReadField(const std::wstring& format, std::size_t& j, int& value) {
  value = 0;
  while (j < format.size() && IsDigit(format[j])) {
    value = value * 10 + static_cast<int>(format[j] - L'0');
    if (value > kMaxField) return false;
    ++j;
  }
  return true;
}

struct Spec {
  bool left = false, plus = false, space = false, zero = false, alternate = false;
  int width = 0;
  int precision = -1;  // none
  int size = 0;        // -2 hh, -1 h, 0 none, 1 l and wider
  wchar_t conversion = 0;
};

// Parses the conversion that starts at format[i] == '%'; j ends past it.
bool ParseSpec(const std::wstring& format, std::size_t i, std::size_t& j, Spec& spec) {
  j = i + 1;
  for (; j < format.size(); ++j) {
    const wchar_t c = format[j];
    if (c == L'-') {
      spec.left = true;
    } else if (c == L'+') {
      spec.plus = true;
    } else if (c == L' ') {
      spec.space = true;
    } else if (c == L'0') {
      spec.zero = true;
    } else if (c == L'#') {
      spec.alternate = true;
    } else {
      break;
    }
  }
  if (!ReadField(format, j, spec.width)) return false;
  if (j < format.size() && format[j] == L'.') {
    ++j;
    if (!ReadField(format, j, spec.precision)) return false;
  }
  if (j < format.size() && format[j] == L'h') {
    spec.size = -1;
    if (++j < format.size() && format[j] == L'h') {
      spec.size = -2;
      ++j;
    }
  } else if (j < format.size() && (format[j] == L'l' || format[j] == L'j' || format[j] == L'z' || format[j] == L't')) {
    spec.size = 1;
    if (format[j] == L'l' && j + 1 < format.size() && format[j + 1] == L'l') ++j;
    ++j;
  }
  if (j >= format.size()) return false;
  spec.conversion = format[j++];
  return std::wstring(L"diuoxX").find(spec.conversion) != std::wstring::npos;
}

std::wstring Digits(unsigned long long magnitude, unsigned base, bool upper) {
  const wchar_t* symbols = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring digits;
  do {
    digits.insert(digits.begin(), symbols[magnitude % base]);
    magnitude /= base;
  } while (magnitude != 0);
  return digits;
}

// The value as printf sees it after the length modifier's conversion.
std::wstring Convert(const Spec& spec, long long value) {
  const bool isSigned = spec.conversion == L'd' || spec.conversion == L'i';
  bool negative = false;
  unsigned long long magnitude = 0;
  if (isSigned) {
    long long v = value;
    if (spec.size == -2) {
      v = static_cast<signed char>(value);
    } else if (spec.size == -1) {
      v = static_cast<int16_t>(value);
    } else if (spec.size == 0) {
      v = static_cast<int32_t>(value);
    }
    negative = v < 0;
    magnitude = negative ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  } else {
    magnitude = static_cast<unsigned long long>(value);
    if (spec.size == -2) {
      magnitude = static_cast<unsigned char>(magnitude);
    } else if (spec.size == -1) {
      magnitude = static_cast<uint16_t>(magnitude);
    } else if (spec.size == 0) {
      magnitude = static_cast<uint32_t>(magnitude);
    }
  }
  const unsigned base = spec.conversion == L'o' ? 8 : (spec.conversion == L'x' || spec.conversion == L'X') ? 16 : 10;
  std::wstring digits = Digits(magnitude, base, spec.conversion == L'X');
  // A precision is the least number of digits; precision 0 prints no digit for 0.
  if (spec.precision == 0 && magnitude == 0) digits.clear();
  if (spec.precision > static_cast<int>(digits.size())) {
    digits.insert(0, static_cast<std::size_t>(spec.precision) - digits.size(), L'0');
  }
  std::wstring prefix;
  if (isSigned) {
    prefix = negative ? L"-" : spec.plus ? L"+" : spec.space ? L" " : L"";
  } else if (spec.alternate && base == 8 && (digits.empty() || digits[0] != L'0')) {
    digits.insert(0, 1, L'0');
  } else if (spec.alternate && base == 16 && magnitude != 0) {
    prefix = spec.conversion == L'X' ? L"0X" : L"0x";
  }
  const std::size_t length = prefix.size() + digits.size();
  const std::size_t width = static_cast<std::size_t>(spec.width);
  if (length >= width) return prefix + digits;
  const std::size_t pad = width - length;
  if (spec.left) return prefix + digits + std::wstring(pad, L' ');
  // '0' pads between the sign and the digits, unless a precision is given.
  if (spec.zero && spec.precision < 0) return prefix + std::wstring(pad, L'0') + digits;
  return std::wstring(pad, L' ') + prefix + digits;
}

}  // namespace

std::wstring FormatDataInts(const std::wstring& format, std::initializer_list<long long> values) {
  const std::vector<long long> ints(values);
  std::size_t next = 0;
  bool literal = false;
  std::wstring out;
  std::size_t i = 0;
  while (i < format.size()) {
    const wchar_t c = format[i];
    if (c != L'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      out.push_back(L'%');
      i += 2;
      continue;
    }
    std::size_t j = i + 1;
    Spec spec;
    if (!ParseSpec(format, i, j, spec) || next >= ints.size()) {
      // Copied as it stands: the percent sign and what followed it.
      if (j > format.size()) j = format.size();
      out.append(format, i, j - i);
      literal = true;
      i = j;
      continue;
    }
    out += Convert(spec, ints[next++]);
    i = j;
  }
  if (literal) ReportOnce(format);
  return out;
}

}  // namespace Kivo
